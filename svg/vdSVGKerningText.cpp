#include "svg/vdSVGKerningText.h"

#include "platform/FontMap.h"

#include <QFontMetricsF>
#include <cmath>

namespace {

QString ofCodePoint(char32_t c) { return QString::fromUcs4(&c, 1); }

std::vector<char32_t> codePoints(const QString &text)
{
    std::vector<char32_t> out;
    out.reserve(size_t(text.size()));
    for (char32_t c : text.toUcs4())
        out.push_back(c);
    return out;
}

} // namespace

void TGPKerningText::Prepare(const QString &family, bool bold, bool italic, float size)
{
    m_sizeFactor = double(size) / MetricsSize;
    if (m_loaded && family == m_family && bold == m_bold && italic == m_italic)
        return;
    m_family = family;
    m_bold = bold;
    m_italic = italic;
    m_loaded = true;
    const int weight = bold ? 700 : 400;
    m_raw = RawFontFor(family, weight, italic, MetricsSize);
    m_font = MakeQFont(family, MetricsSize, weight, italic);
    m_font.setKerning(true);
    m_pairs.clear();
}

quint32 TGPKerningText::glyphOf(char32_t c) const
{
    if (!m_raw.isValid())
        return 0;
    const QList<quint32> g = m_raw.glyphIndexesForString(ofCodePoint(c));
    return g.size() == 1 ? g.first() : 0;
}

float TGPKerningText::GetCellWidth(char32_t first, char32_t second, float distanceFactor, float kerningFactor)
{
    const quint64 key = quint64(first) << 32 | second;
    auto it = m_pairs.constFind(key);
    Pair pair{0, 0};
    if (it != m_pairs.constEnd()) {
        pair = *it;
    } else {
        const quint32 glyph = glyphOf(first);
        if (glyph != 0) {
            QPointF adv;
            if (m_raw.advancesForGlyphIndexes(&glyph, &adv, 1, QRawFont::UseDesignMetrics))
                pair.advance = float(std::max(0.0, adv.x()));
            // The shaped pair against the characters alone.
            if (second != 0 && glyphOf(second) != 0) {
                const QFontMetricsF fm(m_font);
                const QString a = ofCodePoint(first), b = ofCodePoint(second);
                pair.kerning = float(fm.horizontalAdvance(a + b) - fm.horizontalAdvance(a) - fm.horizontalAdvance(b));
            }
        }
        m_pairs.insert(key, pair);
    }
    const double w = (pair.advance * distanceFactor + pair.kerning * kerningFactor) * m_sizeFactor;
    // Never backwards.
    return float(std::max(0.0, w));
}

float TGPKerningText::MeasureText(const QString &text, const QString &family, bool bold, bool italic, float size,
                                  float distanceFactor, float kerningFactor)
{
    if (text.isEmpty())
        return 0;
    Prepare(family, bold, italic, size);
    const std::vector<char32_t> cps = codePoints(text);
    double w = 0;
    for (size_t i = 0; i < cps.size(); ++i)
        w += GetCellWidth(cps[i], i + 1 < cps.size() ? cps[i + 1] : 0, distanceFactor, kerningFactor);
    return float(w);
}

QPainterPath TGPKerningText::CharPath(char32_t c) const
{
    const quint32 glyph = glyphOf(c);
    if (glyph == 0)
        return {};
    QPainterPath p = m_raw.pathForGlyph(glyph);
    return QTransform::fromScale(m_sizeFactor, m_sizeFactor).map(p);
}

float TGPKerningText::Ascent() const { return m_raw.isValid() ? float(m_raw.ascent() * m_sizeFactor) : 0; }

float TGPKerningText::LineHeight() const
{
    if (!m_raw.isValid())
        return 0;
    return float((m_raw.ascent() + m_raw.descent() + m_raw.leading()) * m_sizeFactor);
}

void TGPKerningText::AddToPath(QPainterPath &path, QPainterPath *underline, QPainterPath *lineThrough,
                               QPainterPath *overline, const QString &text, const QString &family, bool bold,
                               bool italic, float size, const TTextOrigin &origin, float distanceFactor,
                               float kerningFactor)
{
    if (text.isEmpty())
        return;
    auto at = [](const std::vector<float> &list, size_t i, float &v) {
        if (i >= list.size())
            return false;
        v = list[i];
        return true;
    };
    float x0 = 0, y0 = 0, d = 0;
    at(origin.X, 0, x0);
    at(origin.Y, 0, y0);
    if (at(origin.DX, 0, d))
        x0 += d;
    if (at(origin.DY, 0, d))
        y0 += d;
    const float width = MeasureText(text, family, bold, italic, size, distanceFactor, kerningFactor);
    const float t = size / 20;
    auto bar = [&](QPainterPath *p, float at) {
        if (p) {
            p->setFillRule(Qt::WindingFill);
            p->addRect(QRectF(x0, y0 + at * size + t / 2, width, t));
        }
    };
    bar(lineThrough, 0.55f);
    const float ascent = Ascent();
    const std::vector<char32_t> cps = codePoints(text);
    float x = x0, y = y0;
    for (size_t k = 0; k < cps.size(); ++k) {
        const QPainterPath glyph = CharPath(cps[k]);
        if (!glyph.isEmpty())
            path.addPath(glyph.translated(x, y + ascent));
        const size_t n = k + 1;
        float v;
        if (at(origin.X, n, v))
            x = v;
        else
            x += GetCellWidth(cps[k], n < cps.size() ? cps[n] : 0, distanceFactor, kerningFactor);
        if (at(origin.DX, n, v))
            x += v;
        if (at(origin.Y, n, v))
            y = v;
        if (at(origin.DY, n, v))
            y += v;
    }
    bar(underline, 0.95f);
    bar(overline, 0.05f);
}

// ---- text along a path -----------------------------------------------------------------------

double TGPPathText::segLength(int i) const
{
    const QPointF d = m_guide[size_t(i) + 1] - m_guide[size_t(i)];
    return std::hypot(d.x(), d.y());
}

QPointF TGPPathText::PointAt(double t) const
{
    const int n = int(m_guide.size());
    if (t < 0 || !std::isfinite(t) || t > n - 1)
        return {};
    // The end of the last segment is on it.
    const int i = std::min(int(std::floor(t)), n - 2);
    if (i < 0)
        return {};
    const double f = t - i;
    return m_guide[size_t(i)] + f * (m_guide[size_t(i) + 1] - m_guide[size_t(i)]);
}

double TGPPathText::DistanceAt(double t) const
{
    const int n = int(m_guide.size());
    if (t < 0 || !std::isfinite(t) || t > n - 1)
        return 0;
    const int i = std::min(int(std::floor(t)), n - 2);
    if (i < 0)
        return 0;
    double d = 0;
    for (int j = 0; j < i; ++j)
        d += segLength(j);
    return d + (t - i) * segLength(i);
}

double TGPPathText::IndexAtDistance(double d) const
{
    double remaining = d;
    for (int i = 0; i + 1 < int(m_guide.size()); ++i) {
        const double len = segLength(i);
        if (len > remaining)
            return i + remaining / len;
        remaining -= len;
    }
    return -1;
}

double TGPPathText::IndexAfter(double a, double t) const
{
    const int n = int(m_guide.size());
    if (t < 0 || !std::isfinite(t))
        return -1;
    const int i = int(std::floor(t));
    if (i >= n - 1)
        return -1;
    const QPointF p = PointAt(t);
    const QPointF next = m_guide[size_t(i) + 1];
    const double rest = std::hypot(next.x() - p.x(), next.y() - p.y());
    const double len = segLength(i);
    if (rest > a && len > 0)
        return i + 1 - (rest - a) / len;
    for (int j = i + 1; j + 1 < n; ++j) {
        const QPointF s = m_guide[size_t(j)], e = m_guide[size_t(j) + 1];
        const double ds = std::hypot(s.x() - p.x(), s.y() - p.y()) - a;
        const double de = std::hypot(e.x() - p.x(), e.y() - p.y()) - a;
        if ((ds < 0) == (de < 0))
            continue;
        const QPointF d = e - s, f = s - p;
        const double qa = d.x() * d.x() + d.y() * d.y();
        if (qa <= 0)
            continue;
        const double qb = 2 * (d.x() * f.x() + d.y() * f.y());
        const double qc = f.x() * f.x() + f.y() * f.y() - a * a;
        const double disc = qb * qb - 4 * qa * qc;
        if (disc < 0)
            continue;
        const double r = std::sqrt(disc);
        const double u1 = (-qb - r) / (2 * qa), u2 = (-qb + r) / (2 * qa);
        const bool v1 = u1 >= 0 && u1 <= 1, v2 = u2 >= 0 && u2 <= 1;
        if (v1 || v2)
            return j + (v1 && v2 ? std::min(u1, u2) : v1 ? u1 : u2);
    }
    return -1;
}

double TGPPathText::addChar(char32_t first, char32_t second, double t, QPainterPath &path)
{
    const double a = m_kerning->GetCellWidth(first, second, m_distanceFactor, m_kerningFactor);
    if (!(a > 0))
        return -1;
    const double t2 = IndexAfter(a, t);
    if (t2 < 0)
        return t2;
    const QPointF p = PointAt(t), q = PointAt(t2);
    const double c = (q.x() - p.x()) / a, s = (q.y() - p.y()) / a;
    // The em box stands on the path.
    const QPainterPath glyph = m_kerning->CharPath(first).translated(0, -m_size + m_kerning->Ascent());
    const QTransform m(c, s, -Rotation * s, (c - 1) * Rotation + 1, p.x(), p.y());
    path.addPath(m.map(glyph));
    return t2;
}

float TGPPathText::AddPathText(QPainterPath &path, const QString &text, float indent, const QString &family,
                               bool bold, bool italic, float size, TGPKerningText &kerning, float distanceFactor,
                               float kerningFactor)
{
    path.setFillRule(Qt::WindingFill);
    const double t0 = IndexAtDistance(indent);
    m_kerning = &kerning;
    m_size = size;
    m_distanceFactor = distanceFactor;
    m_kerningFactor = kerningFactor;
    kerning.Prepare(family, bold, italic, size);
    const std::vector<char32_t> cps = codePoints(text);
    double t = t0, last = -1;
    for (size_t k = 0; k < cps.size() && t >= 0; ++k) {
        last = t;
        t = addChar(cps[k], k + 1 < cps.size() ? cps[k + 1] : 0, t, path);
    }
    if (t >= 0)
        last = t;
    kerning.Unprepare();
    m_kerning = nullptr;
    return last > 0 ? float(DistanceAt(last) - indent) : 0;
}

float TGPPathText::PathLength(const std::vector<QPointF> &points)
{
    double len = 0;
    for (size_t i = 1; i < points.size(); ++i)
        len += std::hypot(points[i].x() - points[i - 1].x(), points[i].y() - points[i - 1].y());
    return float(len);
}
