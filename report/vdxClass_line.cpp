#include "report/vdxClass_line.h"

#include "core/vdVariant.h"
#include "core/vdxRes.h"
#include "platform/Canvas.h"

#include <cmath>

namespace {
int roundInt(double v) { return vdxRoundPx(v); }

QString attr(const char *name, const QString &value)
{
    return QLatin1Char(' ') + QLatin1String(name) + QLatin1String("=\"") + value + QLatin1Char('"');
}
QString boolText(bool v) { return v ? QStringLiteral("1") : QStringLiteral("0"); }

// Which side of the line through (0, 0) and (w, h) a point lies on.
int sideOf(double w, double h, double x, double y)
{
    const double c = w * y - h * x;
    return c > 0 ? 1 : c < 0 ? -1 : 0;
}
} // namespace

TvdxCustomLineView::TvdxCustomLineView(TvdComponent *owner) : TvdxView(owner)
{
    SetvdComponentStyle(vdComponentStyle() & ~TvdxComponentStyle(csDefaultDiff));
}

QString TvdxCustomLineView::GetDescription() const { return GetResStrByName(QStringLiteral("obLine")); }

void TvdxCustomLineView::ArrowPoints(double x1, double y1, double x2, double y2, double length, double width,
                                     TPoint out[3])
{
    out[0] = TPoint(roundInt(x2), roundInt(y2));
    double bx, by;
    QPointF w1, w2;
    if (std::fabs(x2 - x1) > 8) {
        // The point at distance length from the tip toward the other end.
        const double d = std::hypot(x1 - x2, y1 - y2);
        bx = x2 + (x1 - x2) * length / d;
        by = y2 + (y1 - y2) * length / d;
        if (y1 == y2) {
            w1 = QPointF(bx, by - width);
            w2 = QPointF(bx, by + width);
        } else {
            const double a = std::atan((y2 - y1) / (x2 - x1));
            w1 = QPointF(bx + std::sin(a) * width, by - std::cos(a) * width);
            w2 = QPointF(bx - std::sin(a) * width, by + std::cos(a) * width);
        }
    } else {
        bx = x2;
        by = y1 > y2 - length ? y2 + length : y2 - length;
        w1 = QPointF(bx - width, by);
        w2 = QPointF(bx + width, by);
    }
    out[1] = TPoint(roundInt(w1.x()), roundInt(w1.y()));
    out[2] = TPoint(roundInt(w2.x()), roundInt(w2.y()));
}

void TvdxCustomLineView::drawArrow(int x1, int y1, int x2, int y2)
{
    TPoint p[3];
    ArrowPoints(x1, y1, x2, y2, m_arrowLength * m_scaleX, m_arrowWidth * m_scaleX, p);
    Canvas &c = *m_canvas;
    if (m_arrowSolid) {
        c.setBrush(CanvasBrush{Frame()->Color(), BrushStyle::Solid});
        c.pen().color = Frame()->Color();
        c.Polygon({p[0], p[1], p[2], p[0]});
    } else {
        c.pen().color = Frame()->Color();
        c.pen().style = PenStyle::Solid;
        c.pen().width = roundInt(Frame()->Width() * m_scaleX);
        c.Polyline({p[1], p[0], p[2]});
    }
}

void TvdxCustomLineView::Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY)
{
    TvdxFrame *frame = Frame();
    // The stroke is drawn as an exact horizontal or vertical line; the
    // template's own bounds and sides stay as they are.
    const long double w = Width(), h = Height();
    const TvdxFrame::TvdxFrameTypes typ = frame->Typ();
    if (!m_diagonal) {
        if (h < w) {
            SetHeight(0);
            frame->SetTyp(TvdxFrame::ftTop);
        } else {
            SetWidth(0);
            frame->SetTyp(TvdxFrame::ftLeft);
        }
    }
    PrepareDrawBounds(canvas, scaleX, scaleY, offsetX, offsetY);
    if (!m_diagonal) {
        PaintFrame();
    } else if (frame->Color() != clNone && frame->Width() != 0) {
        canvas.setBrush(CanvasBrush{m_color, m_color == clNone ? BrushStyle::Clear : BrushStyle::Solid});
        CanvasPen pen;
        pen.color = frame->Color();
        pen.width = 1;
        pen.style = frame->Style() == TvdxFrameLine::fsDouble ? PenStyle::Solid : PenStyle(int(frame->Style()));
        canvas.setPen(pen);
        vdxDrawWideStroke(canvas, m_fx, m_fy, m_fx1, m_fy1, m_frameWidth);
    }
    if (!m_diagonal || (frame->Color() != clNone && frame->Width() != 0)) {
        if (m_arrowStart)
            drawArrow(m_fx1, m_fy1, m_fx, m_fy);
        if (m_arrowEnd)
            drawArrow(m_fx, m_fy, m_fx1, m_fy1);
    }
    if (!m_diagonal) {
        SetWidth(w);
        SetHeight(h);
        frame->SetTyp(typ);
    }
}

bool TvdxCustomLineView::IsContain(double x, double y) const
{
    const float l = float(AbsLeft()), t = float(AbsTop());
    const float r = float(AbsLeft() + Width()), b = float(AbsTop() + Height());
    float x0 = std::min(l, r), x1 = std::max(l, r), y0 = std::min(t, b), y1 = std::max(t, b);
    const float tx = Width() == 0 ? 4 : 0, ty = Height() == 0 ? 4 : 0;
    if (x >= x0 - tx && x <= x1 + tx && y >= y0 - ty && y <= y1 + ty && (!m_diagonal || Width() == 0 || Height() == 0))
        return true;
    if (m_diagonal && Width() != 0 && Height() != 0) {
        if (x < x0 - 5 || x > x1 + 5 || y < y0 - 5 || y > y1 + 5)
            return false;
        const double k = double(Height() / Width());
        return std::cos(std::atan(k)) * std::fabs(k * (x - double(AbsLeft())) - (y - double(AbsTop()))) < 5;
    }
    return false;
}

bool TvdxCustomLineView::IsInRect(const TvdRectF &rect) const
{
    if (m_diagonal && Width() != 0 && Height() != 0) {
        const double w = double(Width()), h = double(Height());
        const double ox = double(AbsLeft()), oy = double(AbsTop());
        const int s1 = sideOf(w, h, rect.Left - ox, rect.Top - oy), s2 = sideOf(w, h, rect.Right - ox, rect.Top - oy),
                  s3 = sideOf(w, h, rect.Left - ox, rect.Bottom - oy),
                  s4 = sideOf(w, h, rect.Right - ox, rect.Bottom - oy);
        if (s1 != 0 && s1 == s2 && s2 == s3 && s3 == s4)
            return false;
    }
    return TvdxView::IsInRect(rect);
}

TvdxMetafile *TvdxCustomLineView::GetVectorGraphic(bool drawFill, double aScaleX, double aScaleY)
{
    const long double l = Left(), t = Top(), w = Width(), h = Height();
    if (w < 0) {
        SetLeft(l + w);
        SetWidth(-w);
    }
    if (h < 0) {
        SetTop(t + h);
        SetHeight(-h);
    }
    TvdxMetafile *mf = nullptr;
    try {
        mf = TvdxView::GetVectorGraphic(drawFill, aScaleX, aScaleY);
    } catch (...) {
        SetBounds(l, t, w, h);
        throw;
    }
    SetBounds(l, t, w, h);
    return mf;
}

QString TvdxCustomLineView::Diff(TvdxComponent *aComponent)
{
    QString s = TvdxView::Diff(aComponent);
    auto *a = qobject_cast<TvdxCustomLineView *>(aComponent);
    if (!a)
        return s;
    if (m_diagonal != a->m_diagonal)
        s += attr("Diagonal", boolText(m_diagonal));
    if (m_arrowEnd != a->m_arrowEnd)
        s += attr("ArrowEnd", boolText(m_arrowEnd));
    if (m_arrowLength != a->m_arrowLength)
        s += attr("ArrowLength", QString::number(m_arrowLength));
    if (m_arrowSolid != a->m_arrowSolid)
        s += attr("ArrowSolid", boolText(m_arrowSolid));
    if (m_arrowStart != a->m_arrowStart)
        s += attr("ArrowStart", boolText(m_arrowStart));
    if (m_arrowWidth != a->m_arrowWidth)
        s += attr("ArrowWidth", QString::number(m_arrowWidth));
    return s;
}
