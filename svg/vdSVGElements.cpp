#include "svg/vdSVGElements.h"

#include "core/vdHashUtils.h"
#include "svg/vdSVGEnvironment.h"
#include "svg/vdSVGPaintServers.h"
#include "svg/vdSVGPath.h"
#include "svg/vdSVGRoot.h"
#include "svg/vdSVGText.h"

#include <QRegularExpression>
#include <algorithm>

TSVGElementObj *TSVGElementObj::CreateElement(TSVGElement kind, TSVGElementObj *parent)
{
    switch (kind) {
    case el_a: return new Tel_a(parent);
    case el_circle: return new Tel_circle(parent);
    case el_clipPath: return new Tel_clipPath(parent);
    case el_defs: return new Tel_defs(parent);
    case el_ellipse: return new Tel_ellipse(parent);
    case el_g: return new Tel_g(parent);
    case el_image: return new Tel_image(parent);
    case el_line: return new Tel_line(parent);
    case el_linearGradient: return new Tel_linearGradient(parent);
    case el_path: return new Tel_path(parent);
    case el_pattern: return new Tel_pattern(parent);
    case el_polygon: return new Tel_polygon(parent);
    case el_polyline: return new Tel_polyline(parent);
    case el_radialGradient: return new Tel_radialGradient(parent);
    case el_rect: return new Tel_rect(parent);
    case el_stop: return new Tel_stop(parent);
    case el_svg: return new Tel_svg(parent);
    case el_switch: return new Tel_switch(parent);
    case el_text: return new Tel_text(parent);
    case el_textPath: return new Tel_textPath(parent);
    case el_tspan: return new Tel_tspan(parent);
    case el_use: return new Tel_use(parent);
    default: return new TSVGElementObj(kind, parent);
    }
}

// ---- the paintable base ---------------------------------------------------------------------

TSVGBaseObj::~TSVGBaseObj() = default;

std::unique_ptr<TSVGCanvasPath> TSVGBaseObj::createPath() const
{
    TSVGCanvasClass cls = GetCanvasClass();
    return cls ? cls->CreatePath() : nullptr;
}

void TSVGBaseObj::ConstructPath() { m_path.reset(); }

TSingleBounds TSVGBaseObj::CalcSelfBounds() { return m_path ? m_path->Bounds() : TSingleBounds(); }

void TSVGBaseObj::PaintShape(TSVGCanvas &canvas) { canvas.PaintPath(m_path.get(), atSpecificWord(at_fill_rule)); }

void TSVGBaseObj::PaintToPath(TSVGCanvasPath &path)
{
    if (m_path)
        path.AddPath(*m_path, false);
}

void TSVGBaseObj::PrepareClipList()
{
    m_canvasClipList.clear();
    for (TSVGElementObj *e = this; e && e->Element() != el_svg && e->Element() != el_pattern; e = e->Parent()) {
        auto *b = dynamic_cast<TSVGBaseObj *>(e);
        if (!b || !b->GetIsAttrEnabled(at_clip_path) || !m_root)
            continue;
        const QString id = b->atURI(at_clip_path);
        if (id.isEmpty())
            continue;
        auto *clip = dynamic_cast<Tel_clipPath *>(m_root->FindByID(id));
        if (!clip)
            continue;
        const bool hasBounds = b->HasOption(eoSelfBounds) || b->HasOption(eoChildBounds);
        const TSVGCanvasPath *inner = clip->GetInnerClipPath(hasBounds ? b->GetBounds() : TSingleBounds(),
                                                             b->InnerMatrix());
        if (!inner)
            continue;
        std::unique_ptr<TSVGCanvasPath> copy = inner->Clone();
        copy->SetMatrix(clip->CompleteMatrix());
        m_canvasClipList.insert(m_canvasClipList.begin(), std::move(copy));
    }
}

void TSVGBaseObj::applyClipAndTransform(TSVGCanvas &canvas)
{
    for (size_t i = 0; i < m_canvasClipList.size(); ++i) {
        canvas.SetTransform(m_canvasClipList[i]->Matrix());
        if (i == 0)
            canvas.SetClip(*m_canvasClipList[i]);
        else
            canvas.IntersectClip(*m_canvasClipList[i]);
    }
    canvas.SetTransform(CompleteMatrix());
}

void TSVGBaseObj::applyPaint(TSVGCanvas &canvas, TSVGDrawType type, const TSVGPaint &paint, float opacity)
{
    if (paint.SW == vdx_URI) {
        TSVGElementObj *server = m_root ? m_root->FindByID(paint.URI) : nullptr;
        if (auto *g = dynamic_cast<TSVGGradient *>(server)) {
            TSVGGradientData data;
            g->GetGradientData(opacity, this, data);
            canvas.SetGradient(type, data);
            return;
        }
        if (auto *p = dynamic_cast<Tel_pattern *>(server)) {
            TSVGPatternData data;
            p->GetPatternData(opacity, this, data);
            canvas.SetPattern(type, data);
            return;
        }
        canvas.SetSolidColor(type, {0, 0, 0, 0});
        return;
    }
    if (paint.SW != vdx_RGBA) {
        canvas.SetSolidColor(type, {0, 0, 0, 0});
        return;
    }
    canvas.SetSolidColor(type, PaintToColor(paint, opacity));
}

TSVGStrokeData TSVGBaseObj::strokeData()
{
    TSVGStrokeData d;
    d.Width = atLengthInherit(at_stroke_width);
    d.Miterlimit = atNumberInherit(at_stroke_miterlimit);
    d.LineCap = atSpecificWord(at_stroke_linecap);
    d.LineJoin = atSpecificWord(at_stroke_linejoin);
    d.Dash.Offset = atLengthInherit(at_stroke_dashoffset);
    TSVGSpecificWord sw;
    d.Dash.Arr = atLengthListNoneInherit(at_stroke_dasharray, sw);
    return d;
}

namespace {

// Puts the canvas back when painting an element ends, also by an exception.
struct CanvasReset {
    TSVGCanvas &canvas;
    ~CanvasReset()
    {
        canvas.ResetTransform();
        canvas.ResetClip();
    }
};

} // namespace

void TSVGBaseObj::PaintToGraphics(TSVGCanvas &canvas)
{
    if (!m_path)
        return;
    PrepareClipList();
    CanvasReset reset{canvas};
    applyClipAndTransform(canvas);
    applyPaint(canvas, dtFill, atPaint(at_fill), CalcFillOpacity());
    applyPaint(canvas, dtStroke, atPaint(at_stroke), CalcStrokeOpacity());
    canvas.SetStroke(strokeData());
    PaintShape(canvas);
}

// ---- switch and use ---------------------------------------------------------------------------

void Tel_switch::ApplySwitch()
{
    auto language = [](TSVGElementObj *c) {
        return c->GetIsAttrEnabled(at_systemLanguage) && !c->atIsDefault(at_systemLanguage);
    };
    if (std::none_of(m_items.begin(), m_items.end(), language))
        return;
    const QString locale = TSVGEnvironment::LocaleName();
    const qsizetype dash = locale.indexOf(u'-');
    const QString lang = dash >= 0 ? locale.left(dash) : QString();
    static const QRegularExpression separators(QStringLiteral("[,\\s]+"));
    TSVGElementObj *exact = nullptr, *firstLanguage = nullptr, *catchAll = nullptr;
    for (TSVGElementObj *c : m_items)
        c->SetSwitchedOn(false);
    for (TSVGElementObj *c : m_items) {
        if (!c->GetIsAttrEnabled(at_systemLanguage))
            continue;
        const QStringList parts = c->atString(at_systemLanguage).split(separators, Qt::SkipEmptyParts);
        for (const QString &raw : parts) {
            const QString part = raw.toLower();
            if (part == locale) {
                exact = c;
                break;
            }
            if (!firstLanguage) {
                if (!lang.isEmpty() && part == lang)
                    firstLanguage = c;
                else if (part == QLatin1String("catch-all"))
                    catchAll = c;
            }
        }
        if (exact)
            break;
    }
    if (TSVGElementObj *on = exact ? exact : firstLanguage ? firstLanguage : catchAll)
        on->SetSwitchedOn(true);
}

namespace {

size_t subtreeSize(const TSVGElementObj *e)
{
    size_t n = 1;
    for (int i = 0; i < e->Count(); ++i)
        n += subtreeSize(e->GetItem(i));
    return n;
}

void clarifyUsesBelow(TSVGElementObj *e)
{
    for (int i = 0; i < e->Count(); ++i) {
        TSVGElementObj *c = e->GetItem(i);
        if (c->Element() == el_use)
            c->Construct();
        else
            clarifyUsesBelow(c);
    }
}

} // namespace

void Tel_use::Construct()
{
    ClearItems();
    m_hrefObj = nullptr;
    const QString href = atString(at_href);
    if (!href.startsWith(u'#') || !m_root)
        return;
    TSVGElementObj *ref = m_root->FindByID(href.mid(1));
    if (!ref)
        return;
    // A reference to an ancestor, or one that an enclosing instance already
    // expands, would repeat without end.
    int nesting = 0;
    for (TSVGElementObj *p = this; p; p = p->Parent()) {
        if (p == ref)
            return;
        if (auto *u = dynamic_cast<Tel_use *>(p); u && u != this) {
            if (u->m_hrefObj == ref || ++nesting >= MaxNesting)
                return;
        }
    }
    if (!m_root->TakeCloneBudget(subtreeSize(ref) + 1))
        return;
    m_hrefObj = ref;
    auto *group = new Tel_g(this);
    group->GetAttrObj(at_transform)->SetTransform(TranslationMatrix(atLength(at_x), atLength(at_y)));
    TSVGElementObj *copy = ref->Clone(group);
    if (copy->Element() == el_use)
        copy->Construct();
    else
        clarifyUsesBelow(copy);
}

void Tel_use::PaintToPath(TSVGCanvasPath &path)
{
    if (m_hrefObj)
        m_hrefObj->PaintToPath(path);
}

void Tel_use::AssignTo(TSVGElementObj &dest) const
{
    TSVGBaseObj::AssignTo(dest);
    if (auto *d = dynamic_cast<Tel_use *>(&dest))
        d->m_hrefObj = m_hrefObj;
}

// ---- shapes ----------------------------------------------------------------------------------------

namespace {

bool isAuto(TSVGElementObj &e, TSVGAttribute a) { return e.GetAttrObj(a)->IsAuto(); }

} // namespace

void Tel_rect::ConstructPath()
{
    TSVGBaseObj::ConstructPath();
    m_path = createPath();
    if (!m_path)
        return;
    const float x = atLength(at_x), y = atLength(at_y);
    const float w = atLengthAuto(at_width), h = atLengthAuto(at_height);
    float rx = atLengthAuto(at_rx), ry = atLengthAuto(at_ry);
    const bool rxAuto = isAuto(*this, at_rx), ryAuto = isAuto(*this, at_ry);
    if (rxAuto && !ryAuto)
        rx = ry;
    else if (ryAuto && !rxAuto)
        ry = rx;
    rx = std::max(0.0f, std::min(w / 2, rx));
    ry = std::max(0.0f, std::min(h / 2, ry));
    m_path->AddRectangle(x, y, w, h, rx, ry);
}

void Tel_circle::ConstructPath()
{
    TSVGBaseObj::ConstructPath();
    m_path = createPath();
    const float r = atLength(at_r);
    if (m_path && r > 0)
        m_path->AddCircle(atLength(at_cx), atLength(at_cy), r);
}

void Tel_ellipse::ConstructPath()
{
    TSVGBaseObj::ConstructPath();
    m_path = createPath();
    float rx = atLengthAuto(at_rx), ry = atLengthAuto(at_ry);
    const bool rxAuto = isAuto(*this, at_rx), ryAuto = isAuto(*this, at_ry);
    if (rxAuto && !ryAuto)
        rx = ry;
    else if (ryAuto && !rxAuto)
        ry = rx;
    if (m_path && std::min(rx, ry) > 0)
        m_path->AddEllipse(atLength(at_cx), atLength(at_cy), rx, ry);
}

void Tel_line::ConstructPath()
{
    TSVGBaseObj::ConstructPath();
    m_path = createPath();
    if (m_path)
        m_path->AddLine(atLength(at_x1), atLength(at_y1), atLength(at_x2), atLength(at_y2));
}

void Tel_polyline::ConstructPath()
{
    TSVGBaseObj::ConstructPath();
    m_points = atPoints();
    if (m_points.empty())
        return;
    m_path = createPath();
    if (!m_path)
        return;
    for (size_t i = 0; i + 1 < m_points.size(); ++i)
        m_path->AddLine(m_points[i], m_points[i + 1]);
}

void Tel_polyline::AssignTo(TSVGElementObj &dest) const
{
    TSVGBaseObj::AssignTo(dest);
    if (auto *d = dynamic_cast<Tel_polyline *>(&dest))
        d->m_points = m_points;
}

void Tel_polygon::ConstructPath()
{
    Tel_polyline::ConstructPath();
    if (m_path && !m_points.empty())
        m_path->CloseFigure();
}

// ---- image ------------------------------------------------------------------------------------------

Tel_image::~Tel_image() = default;

void Tel_image::loadImage()
{
    if (m_loaded)
        return;
    m_loaded = true;
    const QString href = atString(at_href);
    QByteArray bytes;
    if (href.startsWith(QLatin1String("data:"))) {
        const qsizetype semi = href.indexOf(u';');
        if (semi < 0 || QStringView(href).mid(semi, 8) != QLatin1String(";base64,"))
            return;
        bytes = Base64Decode(href.mid(semi + 8));
    } else {
        bytes = TSVGEnvironment::ReadImageFile(href);
    }
    TSVGCanvasClass cls = GetCanvasClass();
    if (!bytes.isEmpty() && cls)
        m_image = cls->CreateImage(bytes);
}

void Tel_image::ConstructPath()
{
    TSVGBaseObj::ConstructPath();
    loadImage();
    if (m_image) {
        atSetLengthAuto(at_width, float(m_image->GetWidth()));
        atSetLengthAuto(at_height, float(m_image->GetHeight()));
    }
    m_imageBounds = {atLength(at_x), atLength(at_y), atLengthAuto(at_width), atLengthAuto(at_height)};
}

TSingleBounds Tel_image::CalcSelfBounds() { return m_imageBounds; }

void Tel_image::PaintToGraphics(TSVGCanvas &canvas)
{
    if (!m_image)
        return;
    PrepareClipList();
    CanvasReset reset{canvas};
    applyClipAndTransform(canvas);
    canvas.DrawImage(*m_image, m_imageBounds, CalcFillOpacity());
}

// ---- clip path --------------------------------------------------------------------------------------

void Tel_clipPath::ConstructPath()
{
    TSVGBaseObj::ConstructPath();
    // The children's geometry is built anew: so is the clip made of it.
    m_innerClipPath.reset();
    m_transformedPath.reset();
}

namespace {

void addClipGeometry(TSVGElementObj *e, TSVGCanvasPath &path)
{
    for (int i = 0; i < e->Count(); ++i) {
        TSVGElementObj *c = e->GetItem(i);
        if (c->HasOption(eoPaint))
            c->PaintToPath(path);
        addClipGeometry(c, path);
    }
}

} // namespace

const TSVGCanvasPath *Tel_clipPath::GetInnerClipPath(const TSingleBounds &box, const TSVGTransform &userMatrix)
{
    if (!m_innerClipPath) {
        m_innerClipPath = createPath();
        if (!m_innerClipPath)
            return nullptr;
        addClipGeometry(this, *m_innerClipPath);
    }
    TSVGTransform m = userMatrix;
    if (atSpecificWord(at_clipPathUnits) == svg_objectBoundingBox)
        m = MultiplyMatrix(MultiplyMatrix(ScaleMatrix(box.Width, box.Height), TranslationMatrix(box.X, box.Y)),
                           userMatrix);
    if (m_transformedPath && SameMatrix(m, m_lastMatrix))
        return m_transformedPath.get();
    m_transformedPath = m_innerClipPath->Clone();
    m_transformedPath->Transform(m);
    m_lastMatrix = m;
    return m_transformedPath.get();
}
