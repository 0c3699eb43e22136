#include "svg/vdSVGGDIPCanvas.h"

#include "core/vdPictureGraphics.h"
#include "platform/EmfRecorderCanvas.h"
#include "platform/Exception.h"
#include "platform/FontMap.h"
#include "platform/QPainterCanvas.h"

#include <QBuffer>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <cmath>

namespace {

QTransform toQTransform(const TSVGTransform &m) { return QTransform(m.a, m.b, m.c, m.d, m.e, m.f); }

QColor toQColor(const TSVGColor &c)
{
    return QColor(c.R, c.G, c.B, int(std::nearbyint(std::clamp(c.Alpha, 0.0f, 1.0f) * 255)));
}

const TSVGGDIGraphicsPath *gdiPath(const TSVGCanvasPath &p) { return dynamic_cast<const TSVGGDIGraphicsPath *>(&p); }

// Qt wants rising offsets; a stop before its predecessor takes its offset.
QGradientStops gradientStops(const TSVGGradientArray &array)
{
    QGradientStops stops;
    qreal last = 0;
    for (const TSVGGradientStopData &s : array) {
        last = std::max(last, qreal(std::clamp(s.Offset, 0.0f, 1.0f)));
        stops.append({last, toQColor(s.SVGColor)});
    }
    return stops;
}

bool finiteTransform(const QTransform &t)
{
    return std::isfinite(t.m11()) && std::isfinite(t.m12()) && std::isfinite(t.m21()) && std::isfinite(t.m22())
           && std::isfinite(t.dx()) && std::isfinite(t.dy());
}

// Qt measures the miter from the join point, SVG across the whole stroke.
constexpr qreal kQtMiterScale = 0.5;

} // namespace

// ---- canvas class -------------------------------------------------------------------

namespace {

class GDIPCanvasClass : public TSVGCanvasClassOps {
public:
    std::unique_ptr<TSVGCanvas> Create(Canvas &dc) const override { return std::make_unique<TSVGGDIPCanvas>(dc); }

    std::unique_ptr<TSVGCanvasPath> CreatePath() const override { return std::make_unique<TSVGGDIGraphicsPath>(); }

    std::unique_ptr<TSVGCanvasImage> CreateImage(const QByteArray &bytes) const override
    {
        QByteArray data = bytes;
        QBuffer buf(&data);
        buf.open(QIODevice::ReadOnly);
        try {
            TvdxGraphicFormats *formats = GetGraphicFormats();
            TvdxCustomGraphicFormatClass format = formats->FindByFormat(buf);
            // Raster pictures only: a drawing inside a drawing could name itself.
            if (!format || format->IsVector())
                return nullptr;
            buf.seek(0);
            std::unique_ptr<TGraphic> g = format->CreateFromStream(buf);
            if (!g || g->Empty() || qint64(g->Width()) * g->Height() > TSVGGDIPCanvas::MaxImagePixels)
                return nullptr;
            QImage img = g->ToImage();
            if (img.isNull())
                return nullptr;
            return std::make_unique<TSVGGDIPImage>(img.convertToFormat(QImage::Format_ARGB32_Premultiplied));
        } catch (const Exception &) {
            return nullptr;
        }
    }

    std::unique_ptr<TSVGCanvasPathText> CreatePathText(const TSVGCanvasPath *path,
                                                       TGPKerningText &kerning) const override
    {
        const TSVGGDIGraphicsPath *p = path ? gdiPath(*path) : nullptr;
        if (!p)
            throw Exception(QStringLiteral("Path is invalid"));
        return std::make_unique<TSVGGDIPGraphicsPathText>(p->Flattened(0.25f), kerning);
    }

    float GetPathLength(const TSVGCanvasPath &path) const override
    {
        const TSVGGDIGraphicsPath *p = gdiPath(path);
        return p ? TGPPathText::PathLength(p->Flattened(2.5f)) : 0;
    }

    TSingleSize MeasureString(const QString &st, const TSVGFontData &font, float &fontHeight,
                              TGPKerningText &kerning) const override
    {
        const QString family = TSVGGDIPCanvas::FontFamilyFor(font.Names);
        const int flags = TSVGGDIPCanvas::FontStyleFlags(font);
        kerning.Prepare(family, flags & 1, flags & 2, font.Size);
        fontHeight = kerning.Ascent();
        const float width = kerning.MeasureText(st, family, flags & 1, flags & 2, font.Size, 1, 1);
        return {width, kerning.LineHeight()};
    }

    void AddStringToPath(const QString &st, TSVGCanvasPath &path, const TTextDecorations &decorations,
                         const TTextOrigin &origin, const TSVGFontData &font, TGPKerningText &kerning) const override
    {
        auto *target = dynamic_cast<TSVGGDIGraphicsPath *>(&path);
        if (!target)
            return;
        const QString family = TSVGGDIPCanvas::FontFamilyFor(font.Names);
        const int flags = TSVGGDIPCanvas::FontStyleFlags(font);
        QPainterPath glyphs, bars[3];
        QPainterPath *barPtr[3];
        for (int i = 0; i < 3; ++i)
            barPtr[i] = decorations[size_t(i)] ? &bars[i] : nullptr;
        kerning.AddToPath(glyphs, barPtr[tdUnderline], barPtr[tdLineThrow], barPtr[tdOwerline], st, family, flags & 1,
                          flags & 2, font.Size, origin, 1, 1);
        target->AddOutline(glyphs);
        for (int i = 0; i < 3; ++i)
            if (auto *d = dynamic_cast<TSVGGDIGraphicsPath *>(decorations[size_t(i)]))
                d->AddOutline(bars[i]);
    }

    bool GetTextMetrics(const TSVGFontData &font, TSVGTextMetrics &m) const override
    {
        const double size = std::nearbyint(font.Size);
        if (!(size > 0))
            return false;
        const int flags = TSVGGDIPCanvas::FontStyleFlags(font);
        const QRawFont raw =
            RawFontFor(TSVGGDIPCanvas::FontFamilyFor(font.Names), flags & 1 ? 700 : 400, flags & 2, size);
        const double cell = raw.ascent() + raw.descent();
        if (!raw.isValid() || !(cell > 0))
            return false;
        const double s = size / cell;
        const double internal = cell - raw.pixelSize();
        m.Descent = float(raw.descent() * s);
        m.Ascent = float(raw.ascent() * s);
        m.InternalLeading = float(internal * s);
        m.AscentWithoutLeading = float((raw.ascent() - internal) * s);
        m.ExternalLeading = float(raw.leading() * s);
        return true;
    }
};

} // namespace

TSVGCanvasClass TSVGGDIPCanvas::Class()
{
    static const GDIPCanvasClass cls;
    return &cls;
}

QString TSVGGDIPCanvas::FontFamilyFor(const QString &names) { return MapFontFamily(ResolveFontFamily(names)); }

int TSVGGDIPCanvas::FontStyleFlags(const TSVGFontData &font)
{
    int flags = 0;
    if (font.Weight >= 600)
        flags |= 1;
    if (font.Style == svg_italic || font.Style == svg_oblique)
        flags |= 2;
    if (font.Decoration.test(svg_underline))
        flags |= 4;
    if (font.Decoration.test(svg_line_through))
        flags |= 8;
    return flags;
}

Qt::PenJoinStyle TSVGGDIPCanvas::PenJoinOf(TSVGSpecificWord join)
{
    switch (join) {
    case svg_arcs:
    case svg_miter:
    case svg_miter_clip: return Qt::MiterJoin; // the miter clipped at the limit
    case svg_bevel: return Qt::BevelJoin;
    case svg_round: return Qt::RoundJoin;
    default: throw Exception(QStringLiteral("Unknown SVGLineJoin"));
    }
}

float TSVGGDIPGraphicsPathText::AddPathText(TSVGCanvasPath &path, const QString &text, float indent,
                                            const TSVGFontData &font, float, float)
{
    auto *target = dynamic_cast<TSVGGDIGraphicsPath *>(&path);
    if (!target)
        return 0;
    const int flags = TSVGGDIPCanvas::FontStyleFlags(font);
    QPainterPath glyphs;
    const float covered = m_pathText.AddPathText(glyphs, text, indent, TSVGGDIPCanvas::FontFamilyFor(font.Names),
                                                 flags & 1, flags & 2, font.Size, m_kerning, 1, 1);
    target->AddOutline(glyphs);
    return covered;
}

// ---- the canvas ---------------------------------------------------------------------------

TSVGGDIPCanvas::TSVGGDIPCanvas(Canvas &dc) : TSVGCanvas(dc)
{
    if (auto *qc = dynamic_cast<QPainterCanvas *>(&dc)) {
        m_painter = &qc->painter();
        m_deviceTransform = m_painter->transform();
        m_painter->save();
        setUpPainter();
    }
}

// The painter as it came, with our rendering settings.
void TSVGGDIPCanvas::setUpPainter()
{
    m_painter->setRenderHint(QPainter::Antialiasing, true);
    m_painter->setRenderHint(QPainter::SmoothPixmapTransform, true);
    m_painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    m_painter->setOpacity(1);
}

TSVGGDIPCanvas::~TSVGGDIPCanvas()
{
    if (m_painter)
        m_painter->restore();
}

void TSVGGDIPCanvas::SetTransform(const TSVGTransform &m) { m_transform = toQTransform(m); }

TSVGTransform TSVGGDIPCanvas::GetTransform() const
{
    return {float(m_transform.m11()), float(m_transform.m12()), float(m_transform.m21()),
            float(m_transform.m22()), float(m_transform.dx()), float(m_transform.dy())};
}

void TSVGGDIPCanvas::ResetTransform() { m_transform = QTransform(); }

void TSVGGDIPCanvas::SetClip(const TSVGCanvasPath &path)
{
    m_clips.clear();
    m_clipArea.reset();
    IntersectClip(path);
}

void TSVGGDIPCanvas::IntersectClip(const TSVGCanvasPath &path)
{
    const TSVGGDIGraphicsPath *p = gdiPath(path);
    QPainterPath area = p ? m_transform.map(p->ToQPainterPath()) : QPainterPath();
    area.setFillRule(Qt::WindingFill);
    m_clips.push_back(area);
    if (!m_painter)
        m_clipArea = m_clipArea ? m_clipArea->intersected(area) : area;
}

void TSVGGDIPCanvas::ResetClip()
{
    m_clips.clear();
    m_clipArea.reset();
}

// ---- paints ----------------------------------------------------------------------------------

void TSVGGDIPCanvas::SolidColorChanged(TSVGDrawType t)
{
    m_brush[t][ftSolidColor] = QBrush(toQColor(m_solidColorData[t]));
}

void TSVGGDIPCanvas::LinearGradientChanged(TSVGDrawType t)
{
    auto &slot = m_brush[t][ftLinearGradient];
    slot.reset();
    const TSVGGradientData &g = m_gradientData[t];
    if (g.GradientArray.empty())
        return;
    const QGradientStops stops = gradientStops(g.GradientArray);
    const TSingleBounds &b = g.UserBounds;
    QPointF p1(g.x1, g.y1), p2(g.x2, g.y2);
    QTransform space;
    if (g.gradientUnits == svg_objectBoundingBox) {
        // Bounding-box units: the axis runs in the box, so lines of equal
        // colour follow the box's shape.
        if (!(b.Width > 0) || !(b.Height > 0))
            return;
        p1 = QPointF((g.x1 - b.X) / b.Width, (g.y1 - b.Y) / b.Height);
        p2 = QPointF((g.x2 - b.X) / b.Width, (g.y2 - b.Y) / b.Height);
        space = QTransform(b.Width, 0, 0, b.Height, b.X, b.Y);
    }
    if (p1 == p2) {
        slot = QBrush(stops.last().second);
        return;
    }
    QLinearGradient lg(p1, p2);
    lg.setSpread(QGradient::PadSpread);
    lg.setStops(stops);
    QBrush brush(lg);
    const QTransform tr = space * toQTransform(g.gradientTransform);
    if (!finiteTransform(tr))
        return;
    brush.setTransform(tr);
    slot = brush;
}

void TSVGGDIPCanvas::RadialGradientChanged(TSVGDrawType t)
{
    auto &slot = m_brush[t][ftRadialGradient];
    slot.reset();
    const TSVGGradientData &g = m_gradientData[t];
    if (g.GradientArray.empty())
        return;
    const QGradientStops stops = gradientStops(g.GradientArray);
    if (!(g.r > 0.0001f)) {
        slot = QBrush(stops.last().second);
        return;
    }
    const TSingleBounds &b = g.UserBounds;
    QPointF c(g.cx, g.cy), f(g.fx, g.fy);
    qreal r = g.r;
    QTransform space;
    if (g.gradientUnits == svg_objectBoundingBox) {
        if (!(b.Width > 0) || !(b.Height > 0))
            return;
        const double d = std::sqrt((double(b.Width) * b.Width + double(b.Height) * b.Height) / 2);
        c = QPointF((g.cx - b.X) / b.Width, (g.cy - b.Y) / b.Height);
        f = QPointF((g.fx - b.X) / b.Width, (g.fy - b.Y) / b.Height);
        r = g.r / d;
        space = QTransform(b.Width, 0, 0, b.Height, b.X, b.Y);
    }
    QRadialGradient rg(c, r, f);
    rg.setSpread(QGradient::PadSpread);
    rg.setStops(stops);
    QBrush brush(rg);
    const QTransform tr = space * toQTransform(g.gradientTransform);
    if (!finiteTransform(tr))
        return;
    brush.setTransform(tr);
    slot = brush;
}

void TSVGGDIPCanvas::PatternChanged(TSVGDrawType t)
{
    auto &slot = m_brush[t][ftPattern];
    slot.reset();
    const TSVGPatternData &p = m_patternData[t];
    if (!p.Bitmap || p.Bitmap->isNull())
        return;
    QBrush brush(*p.Bitmap);
    const QTransform tr = QTransform::fromScale(p.Factor, p.Factor)
                          * QTransform::fromTranslate(p.Offset.X, p.Offset.Y) * toQTransform(p.Matrix);
    if (!finiteTransform(tr))
        return;
    if (!tr.isIdentity())
        brush.setTransform(tr);
    slot = brush;
}

void TSVGGDIPCanvas::SetStroke(const TSVGStrokeData &stroke)
{
    m_pen.reset();
    const std::optional<QBrush> &brush = Brush(dtStroke);
    // No paint, or no width: nothing is stroked.
    if (!brush || !(stroke.Width > 0) || !std::isfinite(stroke.Width))
        return;
    QPen pen(*brush, stroke.Width);
    pen.setJoinStyle(PenJoinOf(stroke.LineJoin));
    pen.setMiterLimit(std::max<qreal>(stroke.Miterlimit, 1) * kQtMiterScale);
    switch (stroke.LineCap) {
    case svg_butt: pen.setCapStyle(Qt::FlatCap); break;
    case svg_round: pen.setCapStyle(Qt::RoundCap); break;
    case svg_square: pen.setCapStyle(Qt::SquareCap); break;
    default: throw Exception(QStringLiteral("Unknown SVGLineCap"));
    }
    if (!stroke.Dash.Arr.empty()) {
        // Qt counts dashes and their offset in pen widths.
        QList<qreal> pattern;
        qreal total = 0;
        bool valid = stroke.Dash.Arr.size() % 2 == 0;
        for (float v : stroke.Dash.Arr) {
            if (!(v >= 0) || !std::isfinite(v))
                valid = false;
            pattern << qreal(v) / stroke.Width;
            total += v;
        }
        if (valid && total > 0) {
            pen.setDashPattern(pattern);
            pen.setDashOffset(stroke.Dash.Offset / stroke.Width);
        }
    }
    m_pen = pen;
}

// ---- painting --------------------------------------------------------------------------------

void TSVGGDIPCanvas::paintQt(const std::function<void(QPainter &)> &draw)
{
    QPainter &p = *m_painter;
    // Turning a path into a clip costs much more than comparing paths: runs
    // of elements under one clip keep it.
    if (m_clips != m_appliedClips) {
        p.restore();
        p.save();
        setUpPainter();
        p.setTransform(m_deviceTransform);
        for (const QPainterPath &c : m_clips)
            p.setClipPath(c, Qt::IntersectClip);
        m_appliedClips = m_clips;
    }
    p.setTransform(m_transform * m_deviceTransform);
    draw(p);
    p.setOpacity(1);
}

void TSVGGDIPCanvas::rasterize(const QRectF &logicalBounds, const std::function<void(QPainter &)> &draw)
{
    QRectF bounds = logicalBounds;
    Canvas &dc = DC();
    if (dc.HasClip() && dc.WorldTransform().isIdentity()) {
        const TRect cb = dc.ClipBox();
        bounds &= QRectF(cb.Left, cb.Top, cb.Width(), cb.Height());
    }
    if (auto *emf = dynamic_cast<EmfRecorderCanvas *>(&dc); emf && dc.WorldTransform().isIdentity())
        bounds &= QRectF(0, 0, emf->pictureWidth(), emf->pictureHeight());
    if (bounds.isEmpty() || !std::isfinite(bounds.width()) || !std::isfinite(bounds.height()))
        return;
    const QRect dest(QPoint(int(std::floor(bounds.left())), int(std::floor(bounds.top()))),
                     QPoint(int(std::ceil(bounds.right())) - 1, int(std::ceil(bounds.bottom())) - 1));
    if (dest.isEmpty())
        return;
    const double r = std::min(1.0, double(RasterScale()));
    const double pixels = double(dest.width()) * dest.height() * r * r;
    const double s = r * (pixels > double(MaxRasterPixels) ? std::sqrt(double(MaxRasterPixels) / pixels) : 1.0);
    const int iw = std::max(1, int(std::ceil(dest.width() * s))), ih = std::max(1, int(std::ceil(dest.height() * s)));
    QImage img(iw, ih, QImage::Format_ARGB32_Premultiplied);
    if (img.isNull())
        return;
    img.fill(0);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        p.scale(double(iw) / dest.width(), double(ih) / dest.height());
        p.translate(-dest.left(), -dest.top());
        draw(p);
    }
    dc.AlphaBlend(TRect(dest.left(), dest.top(), dest.right() + 1, dest.bottom() + 1), img, TRect(0, 0, iw, ih), 255,
                  true);
}

void TSVGGDIPCanvas::fillArea(const QPainterPath &userArea, const QBrush &brush)
{
    QPainterPath area = m_transform.map(userArea);
    if (m_clipArea)
        area = area.intersected(*m_clipArea);
    if (area.isEmpty())
        return;
    Canvas &dc = DC();
    if (brush.style() == Qt::SolidPattern) {
        const QColor c = brush.color();
        if (c.alpha() == 0)
            return;
        if (c.alpha() == 255) {
            const CanvasPen oldPen = dc.pen();
            const CanvasBrush oldBrush = dc.brush();
            const PolyFillMode oldMode = dc.GetPolyFillMode();
            CanvasPen pen;
            pen.style = PenStyle::Null;
            dc.setPen(pen);
            dc.setBrush(CanvasBrush{RGBColor(c.red(), c.green(), c.blue()), BrushStyle::Solid});
            dc.SetPolyFillMode(area.fillRule() == Qt::OddEvenFill ? PolyFillMode::Alternate : PolyFillMode::Winding);
            dc.DrawPath(area, false, true);
            dc.setPen(oldPen);
            dc.setBrush(oldBrush);
            dc.SetPolyFillMode(oldMode);
            return;
        }
    }
    // The brush lives in user units; the image is drawn in canvas units.
    QBrush mapped = brush;
    mapped.setTransform(brush.transform() * m_transform);
    rasterize(area.boundingRect(), [&](QPainter &p) { p.fillPath(area, mapped); });
}

void TSVGGDIPCanvas::FillPath(TSVGCanvasPath &path)
{
    const std::optional<QBrush> &brush = Brush(dtFill);
    const TSVGGDIGraphicsPath *p = gdiPath(path);
    if (!brush || !p || p->IsEmpty())
        return;
    QPainterPath qp = p->ToQPainterPath();
    qp.setFillRule(path.FillRule() == svg_evenodd ? Qt::OddEvenFill : Qt::WindingFill);
    if (m_painter)
        paintQt([&](QPainter &painter) { painter.fillPath(qp, *brush); });
    else
        fillArea(qp, *brush);
}

void TSVGGDIPCanvas::StrokePath(TSVGCanvasPath &path)
{
    const TSVGGDIGraphicsPath *p = gdiPath(path);
    if (!m_pen || !p || p->IsEmpty())
        return;
    const QPainterPath &qp = p->ToQPainterPath();
    QPen pen = *m_pen;
    // Dashes far too fine for the path would take forever: draw it whole.
    if (pen.style() == Qt::CustomDashLine) {
        qreal patternLength = 0;
        for (qreal v : pen.dashPattern())
            patternLength += v * pen.widthF();
        // The control polygon bounds the path's length from above and costs
        // nothing; QPainterPath::length() subdivides without end on huge curves.
        qreal polygonLength = 0;
        for (int i = 1; i < qp.elementCount(); ++i) {
            const QPainterPath::Element a = qp.elementAt(i - 1), b = qp.elementAt(i);
            polygonLength += std::hypot(b.x - a.x, b.y - a.y);
        }
        if (!(polygonLength / patternLength <= 100000))
            pen.setStyle(Qt::SolidLine);
    }
    if (m_painter) {
        paintQt([&](QPainter &painter) { painter.strokePath(qp, pen); });
        return;
    }
    QPainterPathStroker stroker(pen);
    QPainterPath outline = stroker.createStroke(qp);
    outline.setFillRule(Qt::WindingFill);
    fillArea(outline, pen.brush());
}

void TSVGGDIPCanvas::DrawImage(const TSVGCanvasImage &image, const TSingleBounds &rect, float fillOpacity)
{
    const auto *img = dynamic_cast<const TSVGGDIPImage *>(&image);
    if (!img || img->Image().isNull() || !(fillOpacity > 0) || !(rect.Width > 0) || !(rect.Height > 0))
        return;
    const QRectF target(rect.X, rect.Y, rect.Width, rect.Height);
    const qreal opacity = std::min(1.0f, fillOpacity);
    auto draw = [&](QPainter &p) {
        p.setOpacity(opacity);
        p.drawImage(target, img->Image());
    };
    if (m_painter) {
        paintQt(draw);
        return;
    }
    QPainterPath area;
    area.addRect(target);
    area = m_transform.map(area);
    if (m_clipArea)
        area = area.intersected(*m_clipArea);
    if (area.isEmpty())
        return;
    rasterize(area.boundingRect(), [&](QPainter &p) {
        p.setClipPath(area, Qt::IntersectClip);
        p.setTransform(m_transform, true);
        draw(p);
    });
}
