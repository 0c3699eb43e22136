#include "report/vdxClass_shape.h"

#include "core/vdVariant.h"
#include "core/vdxRes.h"
#include "platform/Canvas.h"

namespace {
int roundInt(double v) { return vdxRoundPx(v); }
} // namespace

TvdxShapeView::TvdxShapeView(TvdComponent *owner) : TvdxView(owner)
{
    SetvdComponentStyle(vdComponentStyle() & ~TvdxComponentStyle(csDefaultDiff));
}

TvdxShapeView *TvdxShapeView::DesignCreate(TvdComponent *owner, int flags)
{
    auto *v = TvdxComponent::DesignCreate<TvdxShapeView>(owner, flags);
    if (flags >= skRectangle && flags <= skDiagonal2)
        v->SetShape(TvdxShapeKind(flags));
    return v;
}

QString TvdxShapeView::GetDescription() const { return GetResStrByName(QStringLiteral("obShape")); }

void TvdxShapeView::SetRotation(int v)
{
    if (v == 0 || v == 90 || v == 180 || v == 270)
        m_rotation = v;
}

void TvdxShapeView::Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY)
{
    TvdxFrame *frame = Frame();
    if (frame->Style() != TvdxFrameLine::fsDouble) {
        PrepareDrawBounds(canvas, scaleX, scaleY, offsetX, offsetY);
        paintShape();
        return;
    }
    // Double outline: the shape once as it is and once shrunk inside itself.
    frame->SetStyle(TvdxFrameLine::fsSolid);
    const long double l = Left(), t = Top(), w = Width(), h = Height();
    PrepareDrawBounds(canvas, scaleX, scaleY, offsetX, offsetY);
    paintShape();
    const long double fw = frame->Width();
    switch (m_shape) {
    case skRectangle:
    case skRoundRectangle:
    case skEllipse:
        SetLeft(l + 2 * fw);
        SetTop(t + 2 * fw);
        SetWidth(w - 4 * fw);
        SetHeight(h - 4 * fw);
        break;
    case skTriangle:
        SetLeft(l + 4 * fw);
        SetTop(t + 4 * fw);
        SetWidth(w - 8 * fw);
        SetHeight(h - 8 * fw);
        switch (m_rotation) {
        case 0:
            SetHeight(Height() + 2 * fw);
            break;
        case 90:
            SetLeft(Left() - 2 * fw);
            SetWidth(Width() + 2 * fw);
            break;
        case 180:
            SetTop(Top() - 2 * fw);
            SetHeight(Height() + 2 * fw);
            break;
        case 270:
            SetWidth(Width() + 2 * fw);
            break;
        }
        break;
    case skDiamond:
        SetLeft(l + 3 * fw);
        SetTop(t + 3 * fw);
        SetWidth(w - 6 * fw);
        SetHeight(h - 6 * fw);
        break;
    case skDiagonal1:
    case skDiagonal2:
        SetLeft(l + 2 * fw);
        break;
    }
    PrepareDrawBounds(canvas, scaleX, scaleY, offsetX, offsetY);
    paintShape();
    frame->SetStyle(TvdxFrameLine::fsDouble);
    SetLeft(l);
    SetTop(t);
    SetWidth(w);
    SetHeight(h);
}

QPainterPath TvdxShapeView::outlinePath() const
{
    QPainterPath p;
    const QRectF box(m_fx, m_fy, m_fx1 + 1 - m_fx, m_fy1 + 1 - m_fy);
    auto poly = [&](std::initializer_list<QPointF> pts) {
        p.addPolygon(QPolygonF(QList<QPointF>(pts)));
        p.closeSubpath();
    };
    switch (m_shape) {
    case skRectangle:
        p.addRect(box);
        break;
    case skRoundRectangle: {
        const int c = m_curve == 0 ? std::min(m_fdx, m_fdy) / 4 : roundInt(m_curve * m_scaleX * 10);
        p.addRoundedRect(box, c / 2.0, c / 2.0);
        break;
    }
    case skEllipse:
        p.addEllipse(box);
        break;
    case skTriangle:
        switch (m_rotation) {
        case 90:
            poly({QPointF(m_fx, m_fy), QPointF(m_fx, m_fy1), QPointF(m_fx1, m_fy + m_fdy / 2)});
            break;
        case 180:
            poly({QPointF(m_fx, m_fy), QPointF(m_fx1, m_fy), QPointF(m_fx + m_fdx / 2, m_fy1)});
            break;
        case 270:
            poly({QPointF(m_fx1, m_fy1), QPointF(m_fx1, m_fy), QPointF(m_fx, m_fy + m_fdy / 2)});
            break;
        default:
            poly({QPointF(m_fx1, m_fy1), QPointF(m_fx, m_fy1), QPointF(m_fx + m_fdx / 2, m_fy)});
            break;
        }
        break;
    case skDiamond:
        poly({QPointF(m_fx + m_fdx / 2, m_fy), QPointF(m_fx1, m_fy + m_fdy / 2), QPointF(m_fx + m_fdx / 2, m_fy1),
              QPointF(m_fx, m_fy + m_fdy / 2)});
        break;
    case skDiagonal1:
    case skDiagonal2:
        break;
    }
    return p;
}

void TvdxShapeView::drawOutline()
{
    Canvas &c = *m_canvas;
    switch (m_shape) {
    case skRectangle:
        c.Rectangle(m_fx, m_fy, m_fx1 + 1, m_fy1 + 1);
        break;
    case skRoundRectangle: {
        const int r = m_curve == 0 ? std::min(m_fdx, m_fdy) / 4 : roundInt(m_curve * m_scaleX * 10);
        c.RoundRect(TRect(m_fx, m_fy, m_fx1 + 1, m_fy1 + 1), r, r);
        break;
    }
    case skEllipse:
        c.Ellipse(m_fx, m_fy, m_fx1 + 1, m_fy1 + 1);
        break;
    case skTriangle:
        switch (m_rotation) {
        case 90:
            c.Polygon({TPoint(m_fx, m_fy), TPoint(m_fx, m_fy1), TPoint(m_fx1, m_fy + m_fdy / 2), TPoint(m_fx, m_fy)});
            break;
        case 180:
            c.Polygon({TPoint(m_fx, m_fy), TPoint(m_fx1, m_fy), TPoint(m_fx + m_fdx / 2, m_fy1), TPoint(m_fx, m_fy)});
            break;
        case 270:
            c.Polygon({TPoint(m_fx1, m_fy1), TPoint(m_fx1, m_fy), TPoint(m_fx, m_fy + m_fdy / 2),
                       TPoint(m_fx1, m_fy1)});
            break;
        default:
            c.Polygon({TPoint(m_fx1, m_fy1), TPoint(m_fx, m_fy1), TPoint(m_fx + m_fdx / 2, m_fy),
                       TPoint(m_fx1, m_fy1)});
            break;
        }
        break;
    case skDiamond:
        c.Polygon({TPoint(m_fx + m_fdx / 2, m_fy), TPoint(m_fx1, m_fy + m_fdy / 2), TPoint(m_fx + m_fdx / 2, m_fy1),
                   TPoint(m_fx, m_fy + m_fdy / 2)});
        break;
    case skDiagonal1:
        vdxDrawWideStroke(c, m_fx, m_fy1, m_fx1, m_fy, m_frameWidth);
        break;
    case skDiagonal2:
        vdxDrawWideStroke(c, m_fx, m_fy, m_fx1, m_fy1, m_frameWidth);
        break;
    }
}

void TvdxShapeView::paintShape()
{
    if (!m_canvas)
        return;
    Canvas &c = *m_canvas;
    TvdxFrame *frame = Frame();
    CanvasPen pen;
    pen.color = frame->Color();
    pen.width = m_frameWidth;
    pen.style = frame->Color() == clNone ? PenStyle::Null : PenStyle(int(frame->Style()));
    c.setPen(pen);
    c.setBrush(CanvasBrush{clWhite, BrushStyle::Solid});
    c.SetBkMode(BkMode::Opaque);
    const TColor color = Color();
    if (BrushStyle() != TvdxCustomFill::bsSolid) {
        if (color != clNone) {
            c.setBrush(CanvasBrush{color, ::BrushStyle::Solid});
            drawOutline();
        }
        c.setBrush(CanvasBrush{ColorToRGB(frame->Color()), ::BrushStyle(int(BrushStyle()))});
        // The hatch goes over the colour painted first instead of a background.
        if (color != clNone)
            c.SetBkMode(BkMode::Transparent);
    } else if (color == clNone) {
        c.brush().style = ::BrushStyle::Clear;
    } else {
        c.setBrush(CanvasBrush{color, ::BrushStyle::Solid});
    }
    if (m_shape != skDiagonal1 && m_shape != skDiagonal2 && FillType() != ftBrush) {
        const int saved = c.SaveDC();
        const QPainterPath path = c.WorldTransform().map(outlinePath());
        const QRegion region(path.toFillPolygon().toPolygon(), Qt::WindingFill);
        c.SelectClipRegion(&region, ClipMode::And);
        PaintFill();
        c.RestoreDC(saved);
        c.setPen(pen);
        c.brush().style = ::BrushStyle::Clear;
    }
    drawOutline();
}

QString TvdxShapeView::Diff(TvdxComponent *aComponent)
{
    QString s = TvdxView::Diff(aComponent);
    if (auto *a = qobject_cast<TvdxShapeView *>(aComponent); a && a->m_shape != m_shape)
        s += QLatin1String(" Shape=\"") + QString::number(int(m_shape)) + QLatin1Char('"');
    return s;
}
