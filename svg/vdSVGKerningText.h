// Text outlines built one character at a time: advances and pair kerning of
// a face read at 1000 pixels and scaled, characters placed at SVG positions
// or along a guide path. One kerning object serves one paint pass.
#pragma once
#include "svg/vdSVGHelpers.h"

#include <QFont>
#include <QHash>
#include <QPainterPath>
#include <QRawFont>
#include <vector>

class TGPKerningText {
public:
    // The em size the metrics are read at.
    static constexpr double MetricsSize = 1000;

    TGPKerningText() = default;
    TGPKerningText(const TGPKerningText &) = delete;
    TGPKerningText &operator=(const TGPKerningText &) = delete;

    // Sets up a face (an installed family) at a size in user units. The pair
    // cache is kept while the face stays the same.
    void Prepare(const QString &family, bool bold, bool italic, float size);
    void Unprepare() {}

    // Sum of the cell widths of the text's characters, each paired with the next.
    float MeasureText(const QString &text, const QString &family, bool bold, bool italic, float size,
                      float distanceFactor, float kerningFactor);
    // (advance of First * DistanceFactor + pair kerning * KerningFactor), scaled
    // to the prepared size; 0 for a character without metrics.
    float GetCellWidth(char32_t first, char32_t second, float distanceFactor, float kerningFactor);
    // The character's outline at the prepared size, its baseline origin at (0, 0).
    QPainterPath CharPath(char32_t c) const;
    // Ascent and line height of the prepared face at its size.
    float Ascent() const;
    float LineHeight() const;
    const QRawFont &RawFont() const { return m_raw; }

    // Outlines of Text at per-character positions (Y the top of the cell) and
    // the decoration bars into the paths given.
    void AddToPath(QPainterPath &path, QPainterPath *underline, QPainterPath *lineThrough, QPainterPath *overline,
                   const QString &text, const QString &family, bool bold, bool italic, float size,
                   const TTextOrigin &origin, float distanceFactor, float kerningFactor);

    // Pairs looked up since the face was set up (for tests of the cache).
    int CachedPairs() const { return int(m_pairs.size()); }

private:
    struct Pair {
        float advance;
        float kerning;
    };
    quint32 glyphOf(char32_t c) const;

    QString m_family;
    bool m_bold = false;
    bool m_italic = false;
    bool m_loaded = false;
    QRawFont m_raw;   // at MetricsSize
    QFont m_font;     // at MetricsSize, kerning on
    double m_sizeFactor = 0;
    QHash<quint64, Pair> m_pairs;
};

// Characters laid along a guide path, each turned to the path's direction.
class TGPPathText {
public:
    // The guide's points, flattened; figures follow each other.
    explicit TGPPathText(std::vector<QPointF> guide) : m_guide(std::move(guide)) {}

    float Rotation = 1;

    // Adds the outlines of Text from Indent on; answers the distance covered.
    float AddPathText(QPainterPath &path, const QString &text, float indent, const QString &family, bool bold,
                      bool italic, float size, TGPKerningText &kerning, float distanceFactor, float kerningFactor);
    // Straight distances between consecutive points of a flattened path.
    static float PathLength(const std::vector<QPointF> &points);

    QPointF PointAt(double t) const;
    double DistanceAt(double t) const;
    double IndexAtDistance(double d) const;
    double IndexAfter(double a, double t) const;

private:
    double addChar(char32_t first, char32_t second, double t, QPainterPath &path);
    double segLength(int i) const;

    std::vector<QPointF> m_guide;
    TGPKerningText *m_kerning = nullptr;
    float m_size = 0;
    float m_distanceFactor = 1;
    float m_kerningFactor = 1;
};
