// How the text layout measures characters. The layout asks one measurer for
// advances and font heights on whatever canvas it works with; the ordinary
// one reads the canvas's mapped font, the fixed one gives every character the
// same advance so that line breaking can be checked without font files.
#pragma once
#include "platform/Canvas.h"
#include <QList>
#include <QString>

class TvdxTextMeasure {
public:
    virtual ~TvdxTextMeasure() = default;
    // Advance of each UTF-16 unit in the canvas's selected font, logical units.
    virtual QList<int> Advances(const Canvas &canvas, const QString &text) const;
    // Cell height from the text metrics; the negated font height when they
    // cannot be read.
    virtual int TextMetricHeight(const Canvas &canvas) const;

    // The measurer that serves every layout unless one is given.
    static const TvdxTextMeasure &Default();
};

// Every character advances the same: Advance layout pixels at the layout
// font's height, scaled by the canvas's font height elsewhere.
class TvdxFixedAdvanceMeasure : public TvdxTextMeasure {
public:
    TvdxFixedAdvanceMeasure(int advance, int layoutEmHeight);
    QList<int> Advances(const Canvas &canvas, const QString &text) const override;
    int TextMetricHeight(const Canvas &canvas) const override;
    void SetLayoutEmHeight(int value) { m_layoutEm = value > 0 ? value : 1; }

private:
    int m_advance;
    int m_layoutEm;
};
