#include "platform/QPainterCanvas.h"
#include "platform/FontMap.h"
#include <QGlyphRun>
#include <QPaintEngine>
#include <QRawFont>
#include <cmath>

namespace {

QPointF pt(const TPoint &p) { return QPointF(p.X, p.Y); }

Qt::FillRule fillRule(PolyFillMode m)
{
    return m == PolyFillMode::Winding ? Qt::WindingFill : Qt::OddEvenFill;
}

// Angle (degrees, counter-clockwise) on the ellipse of the ray from its
// centre through p, in the ellipse's own parameter as QPainterPath takes it.
double ellipseAngle(const QRectF &r, const TPoint &p)
{
    const double cx = r.center().x(), cy = r.center().y();
    const double rx = std::max(r.width() / 2, 1e-9), ry = std::max(r.height() / 2, 1e-9);
    double dx = p.X - cx, dy = cy - p.Y;
    if (dx == 0 && dy == 0)
        return 0;
    return std::atan2(dy / ry, dx / rx) * 180.0 / M_PI;
}

// The device pixels [first, end) that Qt's aliased fill of an edge pair
// from lo to hi covers: edges are rounded to 1/64 pixel, and a pixel is in
// when its centre lies after lo and not after hi.
void aliasedSpan(double lo, double hi, qint64 &first, qint64 &end)
{
    auto fixed = [](double v) { return qint64(std::floor(v * 64 + 0.5)); };
    auto floorDiv64 = [](qint64 v) { return v >= 0 ? v / 64 : -((-v + 63) / 64); };
    first = floorDiv64(fixed(lo) - 32) + 1;
    end = floorDiv64(fixed(hi) - 32) + 1;
}

// Barcodes fill thousands of upright rectangles without an outline: on a
// raster device reached by a shift and a positive scale such a rectangle
// covers the pixels of an upright device rectangle, the very ones its path
// would, and goes straight to the span fill.
// False when the polygon is not one (nothing is drawn then).
bool fillPlainRect(QPainter &p, const Canvas::State &st, std::span<const TPoint> points)
{
    if (points.size() != 4 || st.pen.style != PenStyle::Null || st.brush.style != BrushStyle::Solid ||
        st.pen.mode != PenMode::Copy)
        return false;
    const TPoint &a = points[0], &b = points[1], &c = points[2], &d = points[3];
    const bool upright = (a.X == b.X && b.Y == c.Y && c.X == d.X && d.Y == a.Y) ||
                         (a.Y == b.Y && b.X == c.X && c.Y == d.Y && d.X == a.X);
    // Extents past the int range go the long way, which clips them.
    if (!upright || a.X == c.X || a.Y == c.Y || std::abs(qint64(a.X) - c.X) > 1 << 24 ||
        std::abs(qint64(a.Y) - c.Y) > 1 << 24)
        return false;
    if (!p.paintEngine() || p.paintEngine()->type() != QPaintEngine::Raster)
        return false;
    const QTransform t = p.transform();
    if (t.type() > QTransform::TxScale || !(t.m11() > 0) || !(t.m22() > 0) || p.viewTransformEnabled())
        return false;
    const QColor color = toQColor(st.brush.color);
    if (color.alpha() != 255)
        return false;
    const int l = std::min(a.X, c.X), r = std::max(a.X, c.X);
    const int top = std::min(a.Y, c.Y), bottom = std::max(a.Y, c.Y);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (t.type() <= QTransform::TxTranslate && t.dx() == std::trunc(t.dx()) && t.dy() == std::trunc(t.dy())) {
        p.fillRect(QRect(l, top, r - l, bottom - top), color);
        return true;
    }
    // Mapped as the painter maps a path's points.
    const QPointF p0 = t.map(QPointF(l, top)), p1 = t.map(QPointF(r, bottom));
    // Far outside any device the rasterizer clips the path itself.
    constexpr double kNear = 1 << 20;
    if (!(std::abs(p0.x()) < kNear && std::abs(p0.y()) < kNear && std::abs(p1.x()) < kNear &&
          std::abs(p1.y()) < kNear))
        return false;
    qint64 x0, x1, y0, y1;
    aliasedSpan(p0.x(), p1.x(), x0, x1);
    aliasedSpan(p0.y(), p1.y(), y0, y1);
    if (x1 <= x0 || y1 <= y0)
        return true;
    p.setWorldTransform(QTransform());
    p.fillRect(QRect(int(x0), int(y0), int(x1 - x0), int(y1 - y0)), color);
    p.setWorldTransform(t);
    return true;
}

} // namespace

QPainterCanvas::QPainterCanvas(QImage &image, int logPixels)
    : Canvas(CanvasKind::Bitmap, logPixels, logPixels), m_own(std::make_unique<QPainter>(&image)),
      m_bounds(image.rect())
{
    m_p = m_own.get();
    init();
}

QPainterCanvas::QPainterCanvas(QPainter &painter, CanvasKind kind, int logPixelsX, int logPixelsY)
    : Canvas(kind, logPixelsX, logPixelsY), m_p(&painter)
{
    init();
}

QPainterCanvas::~QPainterCanvas()
{
    if (m_own && m_own->isActive())
        m_own->end();
}

void QPainterCanvas::init()
{
    m_base = m_p->transform();
    if (m_p->hasClipping())
        m_baseClip = m_p->clipRegion();
    setAntialiasing(false);
}

QRect QPainterCanvas::touchedRect() const
{
    if (m_touchedAll)
        return QRect(QPoint(-(1 << 30), -(1 << 30)), QPoint(1 << 30, 1 << 30));
    return m_touched;
}

void QPainterCanvas::touch(const QRectF &r, double margin)
{
    if (m_touchedAll)
        return;
    const QRectF d = m_p->combinedTransform().mapRect(r.normalized().adjusted(-margin, -margin, margin, margin));
    constexpr double kFar = 1 << 29;
    if (!(d.left() > -kFar && d.right() < kFar && d.top() > -kFar && d.bottom() < kFar)) {
        m_touchedAll = true;
        return;
    }
    // Two pixels more for the rasterizer's rounding.
    m_touched |= QRect(QPoint(int(std::floor(d.left())) - 2, int(std::floor(d.top())) - 2),
                       QPoint(int(std::ceil(d.right())) + 2, int(std::ceil(d.bottom())) + 2));
}

double QPainterCanvas::penReach() const
{
    if (m_state.pen.style == PenStyle::Null)
        return 0;
    // Mitred joins reach up to five widths out; cosmetic pens one pixel.
    return 10.0 * std::clamp(m_state.pen.width, 1, 1 << 16) + 1;
}

void QPainterCanvas::setAntialiasing(bool on)
{
    m_antialias = on;
    m_p->setRenderHint(QPainter::Antialiasing, on);
    m_p->setRenderHint(QPainter::TextAntialiasing, on);
    m_p->setRenderHint(QPainter::SmoothPixmapTransform, on);
}

void QPainterCanvas::clipChanged()
{
    m_p->setTransform(m_base);
    if (m_state.clip)
        m_p->setClipRegion(m_baseClip ? m_state.clip->intersected(*m_baseClip) : *m_state.clip);
    else if (m_baseClip)
        m_p->setClipRegion(*m_baseClip);
    else
        m_p->setClipping(false);
    m_p->setTransform(m_state.world * m_base);
}

void QPainterCanvas::transformChanged()
{
    m_p->setTransform(m_state.world * m_base);
}

QPen QPainterCanvas::makePen() const
{
    const CanvasPen &cp = m_state.pen;
    if (cp.style == PenStyle::Null)
        return QPen(Qt::NoPen);
    QPen pen(toQColor(cp.color));
    // Wider pens than any page cannot show more; Qt refuses huge widths.
    const int w = std::clamp(cp.width, 0, 1 << 16);
    pen.setWidthF(w <= 1 && !cp.geometric ? (w == 0 ? 0.0 : 1.0) : double(w));
    if (w == 0)
        pen.setCosmetic(true);
    const bool thin = w <= 1 && !cp.geometric;
    if (thin) {
        // Cosmetic lines leave out their last pixel.
        pen.setCapStyle(Qt::FlatCap);
        pen.setJoinStyle(Qt::MiterJoin);
    } else if (!cp.geometric) {
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
    } else {
        pen.setCapStyle(cp.cap == PenEndCap::Round ? Qt::RoundCap : cp.cap == PenEndCap::Square ? Qt::SquareCap
                                                                                                 : Qt::FlatCap);
        pen.setJoinStyle(cp.join == PenJoin::Round ? Qt::RoundJoin : cp.join == PenJoin::Bevel ? Qt::BevelJoin
                                                                                                : Qt::MiterJoin);
        pen.setMiterLimit(10);
    }
    QList<qreal> pattern;
    switch (cp.style) {
    case PenStyle::Dash:
        pattern = thin ? QList<qreal>{18, 6} : QList<qreal>{3, 1};
        break;
    case PenStyle::Dot:
        pattern = thin ? QList<qreal>{3, 3} : QList<qreal>{1, 1};
        break;
    case PenStyle::DashDot:
        pattern = thin ? QList<qreal>{9, 6, 3, 6} : QList<qreal>{3, 1, 1, 1};
        break;
    case PenStyle::DashDotDot:
        pattern = thin ? QList<qreal>{9, 3, 3, 3, 3, 3} : QList<qreal>{3, 1, 1, 1, 1, 1};
        break;
    case PenStyle::User: {
        const double unit = std::max(1, w);
        for (int d : cp.dashes)
            pattern.append(std::max(d, 0) / unit > 0 ? std::max(d, 0) / unit : 0.001);
        if (pattern.size() % 2)
            pattern.append(pattern.isEmpty() ? 1 : pattern.last());
        break;
    }
    default:
        break;
    }
    // Classic (non-geometric) wide pens draw solid whatever their style.
    if (!pattern.isEmpty() && (cp.geometric || w <= 1) && pattern.size() <= 32)
        pen.setDashPattern(pattern);
    return pen;
}

QBrush QPainterCanvas::makeBrush() const
{
    const CanvasBrush &b = m_state.brush;
    const QColor c = toQColor(b.color);
    switch (b.style) {
    case BrushStyle::Clear:
        return QBrush(Qt::NoBrush);
    case BrushStyle::Solid:
        return QBrush(c);
    case BrushStyle::Horizontal:
        return QBrush(c, Qt::HorPattern);
    case BrushStyle::Vertical:
        return QBrush(c, Qt::VerPattern);
    case BrushStyle::FDiagonal:
        return QBrush(c, Qt::FDiagPattern);
    case BrushStyle::BDiagonal:
        return QBrush(c, Qt::BDiagPattern);
    case BrushStyle::Cross:
        return QBrush(c, Qt::CrossPattern);
    case BrushStyle::DiagCross:
        return QBrush(c, Qt::DiagCrossPattern);
    case BrushStyle::Pattern: {
        if (b.pattern.isNull())
            return QBrush(c);
        // Tiles stay on the device grid: undo the world transform the
        // painter applies to brushes.
        QBrush brush(b.pattern);
        bool invertible = false;
        const QTransform inv = m_state.world.inverted(&invertible);
        if (invertible)
            brush.setTransform(inv);
        return brush;
    }
    }
    return QBrush(c);
}

void QPainterCanvas::applyMode(PenMode mode)
{
    if (m_p->paintEngine() && m_p->paintEngine()->type() != QPaintEngine::Raster)
        mode = PenMode::Copy;
    switch (mode) {
    case PenMode::Copy:
        m_p->setCompositionMode(QPainter::CompositionMode_SourceOver);
        break;
    case PenMode::Xor:
        m_p->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        break;
    case PenMode::NotXor:
        m_p->setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
        break;
    case PenMode::Not:
        m_p->setCompositionMode(QPainter::RasterOp_NotDestination);
        break;
    }
    m_p->setBackgroundMode(m_state.bkMode == BkMode::Opaque ? Qt::OpaqueMode : Qt::TransparentMode);
    m_p->setBackground(toQColor(m_state.bkColor));
}

bool QPainterCanvas::usePen()
{
    QPen pen = makePen();
    m_p->setPen(pen);
    m_p->setBrush(Qt::NoBrush);
    applyMode(m_state.pen.mode);
    return pen.style() != Qt::NoPen;
}

bool QPainterCanvas::useBrush()
{
    QBrush b = makeBrush();
    m_p->setPen(Qt::NoPen);
    m_p->setBrush(b);
    applyMode(m_state.pen.mode);
    return b.style() != Qt::NoBrush;
}

QRectF QPainterCanvas::shapeRect(const TRect &r) const
{
    TRect n = r.Normalized();
    QRectF q(n.Left, n.Top, n.Width() - 1, n.Height() - 1);
    if (m_state.pen.style == PenStyle::InsideFrame && m_state.pen.width > 1) {
        double h = m_state.pen.width / 2.0;
        q.adjust(h - 0.5, h - 0.5, -(h - 0.5), -(h - 0.5));
    }
    return q;
}

void QPainterCanvas::drawShape(const QPainterPath &path)
{
    touch(path.controlPointRect(), penReach());
    QBrush b = makeBrush();
    QPen p = makePen();
    applyMode(m_state.pen.mode);
    m_p->setPen(Qt::NoPen);
    m_p->setBrush(b);
    if (b.style() != Qt::NoBrush)
        m_p->drawPath(path);
    if (p.style() != Qt::NoPen) {
        m_p->setPen(p);
        m_p->setBrush(Qt::NoBrush);
        m_p->drawPath(path);
    }
}

void QPainterCanvas::LineTo(int x, int y)
{
    touch(QRectF(pt(m_state.penPos), QPointF(x, y)), penReach());
    if (usePen())
        m_p->drawLine(pt(m_state.penPos), QPointF(x, y));
    m_state.penPos = TPoint(x, y);
}

void QPainterCanvas::Polyline(std::span<const TPoint> points)
{
    if (points.size() < 2 || !usePen())
        return;
    QPolygonF poly;
    poly.reserve(qsizetype(points.size()));
    for (const TPoint &p : points)
        poly << pt(p);
    touch(poly.boundingRect(), penReach());
    m_p->drawPolyline(poly);
}

void QPainterCanvas::PolyBezier(std::span<const TPoint> points)
{
    if (points.size() < 4 || !usePen())
        return;
    QPainterPath path(pt(points[0]));
    for (size_t i = 1; i + 2 < points.size(); i += 3)
        path.cubicTo(pt(points[i]), pt(points[i + 1]), pt(points[i + 2]));
    touch(path.controlPointRect(), penReach());
    m_p->drawPath(path);
}

void QPainterCanvas::Polygon(std::span<const TPoint> points)
{
    if (points.size() < 2)
        return;
    int l = points[0].X, r = l, t = points[0].Y, b = t;
    for (const TPoint &p : points) {
        l = std::min(l, p.X);
        r = std::max(r, p.X);
        t = std::min(t, p.Y);
        b = std::max(b, p.Y);
    }
    touch(QRectF(QPointF(l, t), QPointF(r, b)), penReach());
    if (fillPlainRect(*m_p, m_state, points))
        return;
    QPolygonF poly;
    poly.reserve(qsizetype(points.size()));
    for (const TPoint &p : points)
        poly << pt(p);
    QPainterPath path;
    path.addPolygon(poly);
    path.closeSubpath();
    path.setFillRule(fillRule(m_state.polyFillMode));
    drawShape(path);
}

void QPainterCanvas::PolyPolygon(std::span<const TPoint> points, std::span<const int> counts)
{
    QPainterPath path;
    path.setFillRule(fillRule(m_state.polyFillMode));
    size_t at = 0;
    for (int c : counts) {
        if (c < 0 || at + size_t(c) > points.size())
            break;
        QPolygonF poly;
        for (int i = 0; i < c; ++i)
            poly << pt(points[at + size_t(i)]);
        at += size_t(c);
        if (poly.size() >= 2) {
            path.addPolygon(poly);
            path.closeSubpath();
        }
    }
    drawShape(path);
}

void QPainterCanvas::Rectangle(const TRect &r)
{
    QPainterPath path;
    path.addRect(shapeRect(r));
    drawShape(path);
}

void QPainterCanvas::RoundRect(const TRect &r, int cornerWidth, int cornerHeight)
{
    QPainterPath path;
    QRectF q = shapeRect(r);
    path.addRoundedRect(q, std::min(std::abs(cornerWidth) / 2.0, q.width() / 2),
                        std::min(std::abs(cornerHeight) / 2.0, q.height() / 2));
    drawShape(path);
}

void QPainterCanvas::Ellipse(const TRect &r)
{
    QPainterPath path;
    path.addEllipse(shapeRect(r));
    drawShape(path);
}

void QPainterCanvas::arcShape(const TRect &r, TPoint start, TPoint end, int kind)
{
    QRectF q = shapeRect(r);
    double a0 = ellipseAngle(q, start), a1 = ellipseAngle(q, end);
    double sweep = a1 - a0;
    while (sweep <= 0)
        sweep += 360;
    while (sweep > 360)
        sweep -= 360;
    QPainterPath path;
    if (kind == 2) {
        path.moveTo(q.center());
        path.arcTo(q, a0, sweep);
        path.closeSubpath();
    } else {
        path.arcMoveTo(q, a0);
        path.arcTo(q, a0, sweep);
        if (kind == 1)
            path.closeSubpath();
    }
    if (kind == 0) {
        touch(path.controlPointRect(), penReach());
        if (usePen())
            m_p->drawPath(path);
    } else {
        drawShape(path);
    }
}

void QPainterCanvas::Arc(const TRect &r, TPoint start, TPoint end) { arcShape(r, start, end, 0); }
void QPainterCanvas::Chord(const TRect &r, TPoint start, TPoint end) { arcShape(r, start, end, 1); }
void QPainterCanvas::Pie(const TRect &r, TPoint start, TPoint end) { arcShape(r, start, end, 2); }

void QPainterCanvas::FillRect(const TRect &r)
{
    TRect n = r.Normalized();
    if (n.IsEmpty() || !useBrush())
        return;
    touch(QRectF(n.Left, n.Top, n.Width(), n.Height()));
    m_p->drawRect(QRectF(n.Left, n.Top, n.Width(), n.Height()));
}

void QPainterCanvas::FrameRect(const TRect &r)
{
    TRect n = r.Normalized();
    if (n.IsEmpty() || m_state.brush.style == BrushStyle::Clear || !useBrush())
        return;
    touch(QRectF(n.Left, n.Top, n.Width(), n.Height()));
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    path.addRect(QRectF(n.Left, n.Top, n.Width(), n.Height()));
    if (n.Width() > 2 && n.Height() > 2)
        path.addRect(QRectF(n.Left + 1, n.Top + 1, n.Width() - 2, n.Height() - 2));
    m_p->drawPath(path);
}

void QPainterCanvas::DrawPath(const QPainterPath &path, bool stroke, bool fill)
{
    QPainterPath p = path;
    p.setFillRule(fillRule(m_state.polyFillMode));
    touch(p.controlPointRect(), penReach());
    if (fill && useBrush())
        m_p->drawPath(p);
    if (stroke && usePen())
        m_p->drawPath(p);
}

void QPainterCanvas::ExtTextOut(int x, int y, unsigned options, const TRect *rect, const QString &text,
                                std::span<const int> dx)
{
    TextPlacement tp = PlaceText(x, y, text, dx);
    m_p->save();
    m_p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    // The background is filled here, not by the painter's opaque mode.
    m_p->setBackgroundMode(Qt::TransparentMode);
    m_p->setBrush(Qt::NoBrush);
    if (rect && (options & ETO_OPAQUE)) {
        TRect n = rect->Normalized();
        touch(QRectF(n.Left, n.Top, n.Width(), n.Height()));
        m_p->fillRect(QRectF(n.Left, n.Top, n.Width(), n.Height()), toQColor(m_state.bkColor));
    }
    if (rect && (options & ETO_CLIPPED)) {
        TRect n = rect->Normalized();
        m_p->setClipRect(QRectF(n.Left, n.Top, n.Width(), n.Height()), Qt::IntersectClip);
    }
    if (!text.isEmpty()) {
        m_p->translate(tp.origin);
        if (tp.angle != 0)
            m_p->rotate(-tp.angle);
        if (m_state.bkMode == BkMode::Opaque && !(rect && (options & ETO_OPAQUE))) {
            touch(QRectF(0, -tp.ascent, tp.width, tp.ascent + tp.descent));
            m_p->fillRect(QRectF(0, -tp.ascent, tp.width, tp.ascent + tp.descent), toQColor(m_state.bkColor));
        }
        const CanvasFont &f = m_state.font;
        QRawFont raw = SelectedRawFont();
        QGlyphRun run;
        run.setRawFont(raw);
        run.setGlyphIndexes(tp.glyphs);
        if (tp.stretch != 1)
            m_p->scale(tp.stretch, 1);
        QList<QPointF> pos;
        pos.reserve(tp.offsets.size());
        for (double o : tp.offsets)
            pos.append(QPointF(o / tp.stretch, 0));
        run.setPositions(pos);
        run.setUnderline(f.underline);
        run.setStrikeOut(f.strikeOut);
        m_p->setPen(toQColor(m_state.textColor));
        drawGlyphs(run, raw, pos, tp);
    }
    m_p->restore();
    if (m_state.textAlign & TA_UPDATECP) {
        const double a = tp.angle * M_PI / 180.0;
        double sign = (m_state.textAlign & TA_CENTER) == TA_CENTER ? 0 : (m_state.textAlign & TA_RIGHT) ? -1 : 1;
        auto sat = [](double v) { return SaturatedInt((long long)std::clamp(std::nearbyint(v), -4e9, 4e9)); };
        m_state.penPos = TPoint(sat(m_state.penPos.X + sign * tp.width * std::cos(a)),
                                sat(m_state.penPos.Y - sign * tp.width * std::sin(a)));
    }
}

// Qt's glyph cache works in 26.6 fixed point and breaks on glyphs that are
// huge or far outside the device: those are culled or filled as outlines.
void QPainterCanvas::drawGlyphs(const QGlyphRun &run, const QRawFont &raw, const QList<QPointF> &pos,
                                const TextPlacement &tp)
{
    const QTransform dev = m_p->transform();
    const QRectF box = dev.mapRect(QRectF(0, -tp.ascent, tp.width / tp.stretch + 1, tp.ascent + tp.descent));
    QRectF deviceRect(-1e6, -1e6, 2e6, 2e6);
    if (QPaintDevice *d = m_p->device())
        deviceRect = QRectF(0, 0, d->width(), d->height()).adjusted(-16, -16, 16, 16);
    if (!std::isfinite(box.left()) || !std::isfinite(box.right()) || !box.intersects(deviceRect))
        return;
    // Device size of the em square along each axis; the glyph cache fails on
    // tiny, huge or strongly distorted glyphs.
    const double ex = raw.pixelSize() * std::hypot(dev.m11(), dev.m12());
    const double ey = raw.pixelSize() * std::hypot(dev.m21(), dev.m22());
    const bool raster = m_p->paintEngine() && m_p->paintEngine()->type() == QPaintEngine::Raster;
    const double far = 1e6;
    const bool near = box.left() > -far && box.right() < far && box.top() > -far && box.bottom() < far;
    // A sheared device maps the em square to a sliver even when both axes
    // have a fair length: FreeType then renders nothing and Qt copies from
    // a null bitmap. The area against the axes' product is the sine of the
    // angle between them.
    const double area = std::abs(dev.m11() * dev.m22() - dev.m12() * dev.m21()) * raw.pixelSize() * raw.pixelSize();
    const bool regular = std::min(ex, ey) >= 1 && std::max(ex, ey) < 2048 && std::max(ex, ey) < 16 * std::min(ex, ey) &&
                         area >= ex * ey / 16;
    const double thickness = std::max(raw.lineThickness(), 1.0);
    const double lineWidth = pos.isEmpty() ? 0 : tp.width / tp.stretch;
    {
        // The glyphs' own boxes: marks may reach far beyond the line.
        QRectF ink;
        const QList<quint32> ids = run.glyphIndexes();
        for (qsizetype i = 0; i < ids.size() && i < pos.size(); ++i)
            ink |= raw.boundingRect(ids[i]).translated(pos[i]);
        if (run.underline())
            ink |= QRectF(0, raw.underlinePosition(), lineWidth, thickness);
        if (run.strikeOut())
            ink |= QRectF(0, -raw.xHeight() / 2, lineWidth, thickness);
        if (!ink.isNull())
            touch(ink, 1);
    }
    if (near && (regular || !raster)) {
        // Printers and PDF keep the glyphs as text. The lines are drawn here:
        // Qt places a run's own decorations as if the painter were not
        // translated, twice as far from the origin.
        QGlyphRun plain = run;
        plain.setUnderline(false);
        plain.setStrikeOut(false);
        m_p->drawGlyphRun(QPointF(0, 0), plain);
        if (run.underline())
            m_p->fillRect(QRectF(0, raw.underlinePosition(), lineWidth, thickness), m_p->pen().color());
        if (run.strikeOut())
            m_p->fillRect(QRectF(0, -raw.xHeight() / 2, lineWidth, thickness), m_p->pen().color());
        return;
    }
    QPainterPath outline;
    const QList<quint32> glyphs = run.glyphIndexes();
    for (qsizetype i = 0; i < glyphs.size() && i < pos.size(); ++i)
        outline.addPath(raw.pathForGlyph(glyphs[i]).translated(pos[i]));
    if (run.underline())
        outline.addRect(QRectF(0, raw.underlinePosition(), lineWidth, thickness));
    if (run.strikeOut())
        outline.addRect(QRectF(0, -raw.xHeight() / 2, lineWidth, thickness));
    m_p->fillPath(outline, m_p->pen().color());
}

void QPainterCanvas::StretchDIBits(const TRect &dest, const QImage &image, const TRect &src, std::uint32_t rop)
{
    const bool rasterEngine = m_p->paintEngine() && m_p->paintEngine()->type() == QPaintEngine::Raster;
    QRectF d(dest.Left, dest.Top, dest.Width(), dest.Height());
    touch(d, 1);
    m_p->save();
    switch (rop) {
    case BLACKNESS:
    case WHITENESS:
        m_p->fillRect(d.normalized(), rop == BLACKNESS ? Qt::black : Qt::white);
        m_p->restore();
        return;
    case PATCOPY:
        m_p->fillRect(d.normalized(), makeBrush());
        m_p->restore();
        return;
    case DSTINVERT:
        if (rasterEngine) {
            m_p->setCompositionMode(QPainter::RasterOp_NotDestination);
            m_p->fillRect(d.normalized(), Qt::black);
        }
        m_p->restore();
        return;
    default:
        break;
    }
    if (image.isNull()) {
        m_p->restore();
        return;
    }
    TRect s = src.Normalized().Intersect(TRect(0, 0, image.width(), image.height()));
    if (s.IsEmpty() || dest.Width() == 0 || dest.Height() == 0) {
        m_p->restore();
        return;
    }
    QImage img = image.copy(s.toQRect()).convertToFormat(QImage::Format_RGB32);
    // Negative extents mirror, as StretchBlt does.
    if ((dest.Width() < 0) != (src.Width() < 0) || (dest.Height() < 0) != (src.Height() < 0))
        img = img.mirrored((dest.Width() < 0) != (src.Width() < 0), (dest.Height() < 0) != (src.Height() < 0));
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    if (rasterEngine) {
        switch (rop) {
        case SRCAND:
            mode = QPainter::RasterOp_SourceAndDestination;
            break;
        case SRCPAINT:
            mode = QPainter::RasterOp_SourceOrDestination;
            break;
        case SRCINVERT:
            mode = QPainter::RasterOp_SourceXorDestination;
            break;
        case NOTSRCCOPY:
            mode = QPainter::RasterOp_NotSource;
            break;
        default:
            break;
        }
    }
    m_p->setCompositionMode(mode);
    m_p->drawImage(d.normalized(), img);
    m_p->restore();
}

void QPainterCanvas::AlphaBlend(const TRect &dest, const QImage &image, const TRect &src, int constantAlpha,
                                bool perPixelAlpha)
{
    if (image.isNull() || dest.IsEmpty() || constantAlpha <= 0)
        return;
    TRect s = src.Normalized().Intersect(TRect(0, 0, image.width(), image.height()));
    if (s.IsEmpty())
        return;
    touch(QRectF(dest.Left, dest.Top, dest.Width(), dest.Height()), 1);
    QImage img = image.copy(s.toQRect()).convertToFormat(perPixelAlpha ? QImage::Format_ARGB32_Premultiplied
                                                                       : QImage::Format_RGB32);
    m_p->save();
    m_p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    m_p->setOpacity(std::min(constantAlpha, 255) / 255.0);
    m_p->drawImage(QRectF(dest.Left, dest.Top, dest.Width(), dest.Height()), img);
    m_p->restore();
}
