#include "platform/Canvas.h"
#include "platform/FontMap.h"
#include "platform/TextShaping.h"
#include <QRawFont>
#include <cmath>

namespace {

// Region standing for "no clip" when a combination needs the whole surface.
const QRect kWholeSurface(-(1 << 28), -(1 << 28), 1 << 29, 1 << 29);

int roundInt(double v)
{
    if (!std::isfinite(v))
        return 0;
    return int(std::clamp(std::nearbyint(v), -2147483647.0, 2147483647.0));
}

// Device coordinates stay well inside int so regions can take differences.
constexpr double kDeviceLimit = double(1 << 28);

int deviceInt(double v)
{
    if (!std::isfinite(v))
        return 0;
    return int(std::clamp(std::nearbyint(v), -kDeviceLimit, kDeviceLimit));
}

bool isUsableTransform(const QTransform &t)
{
    const double v[] = {t.m11(), t.m12(), t.m13(), t.m21(), t.m22(), t.m23(), t.m31(), t.m32(), t.m33()};
    for (double d : v)
        if (!std::isfinite(d) || std::abs(d) > 1e9)
            return false;
    return t.isInvertible();
}

// The em size in logical units of a LOGFONT height.
double emSize(const CanvasFont &f)
{
    if (f.height < 0)
        return std::min(-double(f.height), 16384.0);
    if (f.height == 0)
        return 16.0;
    double cell = std::min(double(f.height), 16384.0);
    QRawFont r = RawFontFor(f.name, f.weight, f.italic, cell);
    double ad = r.ascent() + r.descent();
    return ad > 0 ? cell * cell / ad : cell;
}

QRawFont rawFontOf(const CanvasFont &f)
{
    return RawFontFor(f.name, f.weight, f.italic, emSize(f));
}

// Glyph per code point with the UTF-16 index where it starts.
void glyphsOf(const QRawFont &raw, const QString &text, QList<quint32> &glyphs, QList<int> &starts)
{
    glyphs.clear();
    starts.clear();
    const int n = int(text.size());
    glyphs.reserve(n);
    starts.reserve(n);
    bool surrogates = false;
    for (QChar ch : text)
        if (ch.isSurrogate()) {
            surrogates = true;
            break;
        }
    if (!surrogates) {
        // One glyph per unit: look them all up at once.
        glyphs.resize(n);
        int count = n;
        if (!raw.glyphIndexesForChars(text.constData(), n, glyphs.data(), &count) || count != n)
            glyphs.fill(0);
        for (int i = 0; i < n; ++i)
            starts.append(i);
        return;
    }
    for (int i = 0; i < n;) {
        int len = (text.at(i).isHighSurrogate() && i + 1 < n && text.at(i + 1).isLowSurrogate()) ? 2 : 1;
        quint32 g = 0;
        int count = 1;
        if (!raw.glyphIndexesForChars(text.constData() + i, len, &g, &count) || count < 1)
            g = 0;
        glyphs.append(g);
        starts.append(i);
        i += len;
    }
}

} // namespace

QRegion TransformedRegion(const QRect &logical, const QTransform &t, const QRect &limit)
{
    // Edges from the corners: QRect's own width would overflow for huge rectangles.
    const QRectF lr(QPointF(logical.left(), logical.top()), QPointF(double(logical.right()) + 1, double(logical.bottom()) + 1));
    if (t.type() <= QTransform::TxScale) {
        QRectF m = t.mapRect(lr);
        int l = deviceInt(m.left()), tp = deviceInt(m.top()), r = deviceInt(m.right()), b = deviceInt(m.bottom());
        if (r <= l || b <= tp)
            return QRegion();
        return QRegion(l, tp, r - l, b - tp);
    }
    // Scan conversion costs a step per device row: keep turned rectangles
    // within a span no device reaches.
    const double span = double(1 << 15);
    QRectF bound(-span, -span, 2 * span, 2 * span);
    if (!limit.isNull())
        bound = bound.intersected(QRectF(limit.x(), limit.y(), double(limit.width()), double(limit.height())));
    if (bound.isEmpty())
        return QRegion();
    QPolygonF poly = t.map(QPolygonF(lr)).intersected(QPolygonF(bound));
    QPolygon ip;
    for (const QPointF &p : poly)
        ip << QPoint(deviceInt(p.x()), deviceInt(p.y()));
    return QRegion(ip);
}

Canvas::Canvas(CanvasKind kind, int logPixelsX, int logPixelsY)
    : m_kind(kind), m_ppiX(logPixelsX > 0 ? logPixelsX : 96), m_ppiY(logPixelsY > 0 ? logPixelsY : 96)
{
}

Canvas::~Canvas() = default;

void Canvas::SetFontSize(double points)
{
    m_state.font.height = -roundInt(points * m_ppiY / 72.0);
}

double Canvas::FontSize() const
{
    return std::abs(m_state.font.height) * 72.0 / m_ppiY;
}

int Canvas::SaveDC()
{
    m_saved.push_back(m_state);
    return int(m_saved.size());
}

bool Canvas::RestoreDC(int level)
{
    const int depth = int(m_saved.size());
    int index = level < 0 ? depth + level : level - 1;
    if (level == 0 || index < 0 || index >= depth)
        return false;
    m_state = m_saved[size_t(index)];
    m_saved.resize(size_t(index));
    clipChanged();
    transformChanged();
    return true;
}

void Canvas::IntersectClipRect(const TRect &r)
{
    // Only the part inside the present clip matters.
    QRegion rgn = TransformedRegion(r.Normalized().toQRect(), m_state.world,
                                    m_state.clip ? m_state.clip->boundingRect() : deviceBounds());
    m_state.clip = m_state.clip ? m_state.clip->intersected(rgn) : rgn;
    clipChanged();
}

void Canvas::ExcludeClipRect(const TRect &r)
{
    QRegion rgn = TransformedRegion(r.Normalized().toQRect(), m_state.world,
                                    m_state.clip ? m_state.clip->boundingRect() : deviceBounds());
    m_state.clip = m_state.clip.value_or(QRegion(kWholeSurface)).subtracted(rgn);
    clipChanged();
}

void Canvas::SelectClipRegion(const QRegion *rgn, ClipMode mode)
{
    if (mode == ClipMode::Copy) {
        if (rgn)
            m_state.clip = *rgn;
        else
            m_state.clip.reset();
    } else {
        if (!rgn)
            return;
        switch (mode) {
        case ClipMode::And:
            m_state.clip = m_state.clip ? m_state.clip->intersected(*rgn) : *rgn;
            break;
        case ClipMode::Or:
            if (m_state.clip)
                m_state.clip = m_state.clip->united(*rgn);
            break;
        case ClipMode::Xor:
            m_state.clip = m_state.clip.value_or(QRegion(kWholeSurface)).xored(*rgn);
            break;
        case ClipMode::Diff:
            m_state.clip = m_state.clip.value_or(QRegion(kWholeSurface)).subtracted(*rgn);
            break;
        case ClipMode::Copy:
            break;
        }
    }
    clipChanged();
}

TRect Canvas::ClipBox() const
{
    if (!m_state.clip)
        return TRect();
    QRect b = m_state.clip->boundingRect();
    QRectF l = m_state.world.inverted().mapRect(QRectF(b));
    return TRect::fromQRectF(l);
}

void Canvas::SetWorldTransform(const QTransform &t)
{
    if (!isUsableTransform(t))
        return;
    m_state.world = t;
    transformChanged();
}

void Canvas::ModifyWorldTransform(const QTransform &t, int mode)
{
    QTransform n;
    switch (mode) {
    case MWT_IDENTITY:
        break;
    case MWT_LEFTMULTIPLY:
        n = t * m_state.world;
        break;
    case MWT_RIGHTMULTIPLY:
        n = m_state.world * t;
        break;
    default:
        return;
    }
    if (!isUsableTransform(n))
        return;
    m_state.world = n;
    transformChanged();
}

void Canvas::MoveTo(int x, int y)
{
    m_state.penPos = TPoint(x, y);
}

void Canvas::TextRect(const TRect &r, int x, int y, const QString &text)
{
    unsigned options = ETO_CLIPPED;
    if (m_state.brush.style != BrushStyle::Clear)
        options |= ETO_OPAQUE;
    TColor savedBk = m_state.bkColor;
    if (options & ETO_OPAQUE)
        m_state.bkColor = m_state.brush.color;
    ExtTextOut(x, y, options, &r, text);
    m_state.bkColor = savedBk;
}

QList<int> Canvas::CharAdvances(const QString &text) const
{
    QList<int> result(text.size(), 0);
    if (text.isEmpty())
        return result;
    if (NeedsShaping(text)) {
        const CanvasFont &f = m_state.font;
        return ShapeText(f.name, f.weight, f.italic, emSize(f), text, IsRightToLeftText(text), {}, FontStretch())
            .unitAdvances;
    }
    QRawFont raw = rawFontOf(m_state.font);
    QList<quint32> glyphs;
    QList<int> starts;
    glyphsOf(raw, text, glyphs, starts);
    QList<QPointF> adv = raw.advancesForGlyphIndexes(glyphs, QRawFont::UseDesignMetrics);
    const double stretch = FontStretch();
    for (qsizetype i = 0; i < glyphs.size() && i < adv.size(); ++i)
        result[starts[i]] = roundInt(adv[i].x() * stretch);
    return result;
}

TSize Canvas::TextExtent(const QString &text) const
{
    int w = 0;
    for (int a : CharAdvances(text))
        w += a;
    return TSize(w, GetTextMetrics().height);
}

QRawFont Canvas::SelectedRawFont() const
{
    return rawFontOf(m_state.font);
}

double Canvas::FontStretch() const
{
    const CanvasFont &f = m_state.font;
    if (f.width <= 0)
        return 1;
    const double natural = rawFontOf(f).averageCharWidth();
    if (!(natural > 0))
        return 1;
    return std::clamp(f.width / natural, 0.01, 100.0);
}

TextMetrics Canvas::GetTextMetrics() const
{
    TextMetrics tm;
    const double em = emSize(m_state.font);
    QRawFont raw = RawFontFor(m_state.font.name, m_state.font.weight, m_state.font.italic, em);
    tm.ascent = roundInt(raw.ascent());
    tm.descent = roundInt(raw.descent());
    tm.height = tm.ascent + tm.descent;
    tm.internalLeading = std::max(0, tm.height - roundInt(em));
    tm.externalLeading = std::max(0, roundInt(raw.leading()));
    const double stretch = FontStretch();
    tm.aveCharWidth = roundInt(raw.averageCharWidth() * stretch);
    tm.maxCharWidth = roundInt(raw.maxCharWidth() * stretch);
    return tm;
}

TextPlacement Canvas::PlaceText(int x, int y, const QString &text, std::span<const int> dx) const
{
    TextPlacement p;
    const CanvasFont &f = m_state.font;
    QRawFont raw = rawFontOf(f);
    if (NeedsShaping(text)) {
        // Shaped clusters in visual order at the caller's advances.
        const ShapedText shaped =
            ShapeText(f.name, f.weight, f.italic, emSize(f), text, IsRightToLeftText(text), dx, FontStretch());
        p.glyphs = shaped.glyphs;
        p.offsets = shaped.offsets;
        p.width = shaped.width;
    } else {
        QList<int> starts;
        glyphsOf(raw, text, p.glyphs, starts);
        // Advance per UTF-16 unit: the caller's, else the font's rounded ones.
        QList<int> adv;
        if (dx.size() < size_t(text.size()))
            adv = CharAdvances(text);
        else
            adv.resize(text.size());
        for (size_t i = 0; i < dx.size() && i < size_t(text.size()); ++i)
            adv[qsizetype(i)] = dx[i];
        p.offsets.reserve(p.glyphs.size());
        double pos = 0;
        int unit = 0;
        for (qsizetype g = 0; g < p.glyphs.size(); ++g) {
            for (; unit < starts[g]; ++unit)
                pos += adv[unit];
            p.offsets.append(pos);
        }
        for (; unit < text.size(); ++unit)
            pos += adv[unit];
        p.width = pos;
    }
    p.stretch = FontStretch();
    p.ascent = roundInt(raw.ascent());
    p.descent = roundInt(raw.descent());
    p.angle = f.escapement / 10.0;

    const double a = p.angle * M_PI / 180.0;
    const double ux = std::cos(a), uy = -std::sin(a); // along the baseline
    const double vx = std::sin(a), vy = std::cos(a);  // downwards
    const unsigned align = m_state.textAlign;
    TPoint ref = (align & TA_UPDATECP) ? m_state.penPos : TPoint(x, y);
    double du = 0;
    if ((align & TA_CENTER) == TA_CENTER)
        du = -p.width / 2;
    else if (align & TA_RIGHT)
        du = -p.width;
    double dv = 0;
    if ((align & TA_BASELINE) == TA_BASELINE)
        dv = 0;
    else if (align & TA_BOTTOM)
        dv = -p.descent;
    else
        dv = p.ascent;
    p.origin = QPointF(ref.X + ux * du + vx * dv, ref.Y + uy * du + vy * dv);
    return p;
}

void Canvas::DrawTransparent(const TRect &dest, const QImage &image, const TRect &src, TColor transparentColor)
{
    if (transparentColor == clNone) {
        StretchDIBits(dest, image, src, SRCCOPY);
        return;
    }
    QImage img = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = toQColor(transparentColor).rgb() & 0xFFFFFF;
    for (int y = 0; y < img.height(); ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            line[x] = (line[x] & 0xFFFFFF) == key ? 0 : (line[x] | 0xFF000000u);
    }
    AlphaBlend(dest, img, src, 255, true);
}

void Canvas::DrawMasked(const TRect &dest, const QImage &image, const TRect &src, const QImage &mask,
                        bool whiteTransparent)
{
    if (mask.isNull()) {
        StretchDIBits(dest, image, src, SRCCOPY);
        return;
    }
    QImage m = mask.convertToFormat(QImage::Format_Grayscale8);
    if (m.size() != image.size())
        m = m.scaled(image.size());
    QImage img = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        const uchar *ml = m.constScanLine(y);
        for (int x = 0; x < img.width(); ++x) {
            int alpha = whiteTransparent ? (ml[x] >= 128 ? 0 : 255) : ml[x];
            line[x] = (line[x] & 0xFFFFFF) | (QRgb(alpha) << 24);
        }
    }
    AlphaBlend(dest, img, src, 255, true);
}
