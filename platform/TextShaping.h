// Shaping of right-to-left and complex-script text: HarfBuzz clusters in the
// mapped font file, directional runs put in visual order. Measuring gives a
// cluster's advance on its first UTF-16 unit and 0 on the rest, so callers
// that pass one advance per unit keep working.
#pragma once
#include <QList>
#include <QString>
#include <span>

struct ShapedText {
    QList<quint32> glyphs;  // visual order, left to right
    QList<double> offsets;  // of each glyph from the left edge of the text
    QList<int> unitAdvances; // per UTF-16 unit, rounded
    double width = 0;
};

// True when the text holds right-to-left or complex-script characters.
bool NeedsShaping(const QString &text);
// Whether the first strong character reads right to left.
bool IsRightToLeftText(const QString &text);

// Shapes text in the mapped font at an em size (logical units). With dx (one
// advance per unit) the clusters are placed at those advances, else at their
// own rounded advances.
ShapedText ShapeText(const QString &family, int weight, bool italic, double emSize, const QString &text,
                     bool rtlParagraph, std::span<const int> dx = {}, double stretch = 1);
