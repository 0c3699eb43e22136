#include "report/vdxClass_frame.h"
#include "report/vdxClass_fill.h"

#include "core/vdFormatSettings.h"
#include "core/vdXML.h"
#include "core/vdVariant.h"
#include "platform/Canvas.h"

#include <cmath>
#include <cstdlib>

namespace {

int roundInt(double v) { return vdxRoundPx(v); }

bool floatsDiffer(double a, double b) { return std::fabs(a - b) > 0.0001; }

// Appends in place; a line's name comes in two parts, so none is built unless written.
void attr(QString &s, QLatin1StringView name, const QString &value, QLatin1StringView suffix = {})
{
    const qsizetype need = s.size() + name.size() + suffix.size() + value.size() + 4;
    if (s.capacity() < need)
        s.reserve(need + 48);
    s.append(QLatin1Char(' ')).append(name).append(suffix).append(QLatin1String("=\"")).append(value).append(
        QLatin1Char('"'));
}

} // namespace

void vdxDrawWideStroke(Canvas &canvas, int x1, int y1, int x2, int y2, int w)
{
    if (w <= 0)
        w = 1;
    // A stroke wider than any device is as good as one this wide.
    w = std::min(w, 8192);
    const int oldWidth = canvas.pen().width;
    canvas.pen().width = 1;
    const bool vertical = std::abs(x2 - x1) > std::abs(y2 - y1);
    const int from = -(w / 2);
    const int to = w / 2 - (w % 2 == 0 ? 1 : 0);
    for (int d = from; d <= to; ++d) {
        if (vertical) {
            canvas.MoveTo(x1, y1 + d);
            canvas.LineTo(x2, y2 + d);
        } else {
            canvas.MoveTo(x1 + d, y1);
            canvas.LineTo(x2 + d, y2);
        }
    }
    canvas.pen().width = oldWidth;
}

// ---- line --------------------------------------------------------------------

void TvdxFrameLine::Assign(const TvdPersistent *source)
{
    if (auto *s = qobject_cast<const TvdxFrameLine *>(source)) {
        m_color = s->m_color;
        m_style = s->m_style;
        m_width = s->m_width;
    }
}

bool TvdxFrameLine::IsPropertyStored(const char *propName) const
{
    if (!m_frame)
        return true;
    if (qstrcmp(propName, "Color") == 0)
        return m_color != m_frame->Color();
    if (qstrcmp(propName, "Style") == 0)
        return m_style != m_frame->Style();
    if (qstrcmp(propName, "Width") == 0)
        return m_width != m_frame->Width();
    return TvdPersistent::IsPropertyStored(propName);
}

// ---- frame -------------------------------------------------------------------

TvdxFrame::TvdxFrame() = default;

TvdxFrameLine *TvdxFrame::line(int i) const
{
    if (!m_lines[i]) {
        auto *l = new TvdxFrameLine(const_cast<TvdxFrame *>(this));
        l->SetColor(m_color);
        l->SetStyle(m_style);
        l->SetWidth(m_width);
        m_lines[i] = l;
    }
    return m_lines[i];
}

TvdxFrame::~TvdxFrame()
{
    for (auto *l : m_lines)
        delete l;
}

void TvdxFrame::SetColor(int v)
{
    m_color = v;
    for (auto *l : m_lines)
        if (l)
            l->SetColor(v);
}

void TvdxFrame::SetStyle(TvdxFrameStyle v)
{
    m_style = v;
    for (auto *l : m_lines)
        if (l)
            l->SetStyle(v);
}

void TvdxFrame::SetWidth(double v)
{
    m_width = v;
    for (auto *l : m_lines)
        if (l)
            l->SetWidth(v);
}

void TvdxFrame::Assign(const TvdPersistent *source)
{
    auto *s = qobject_cast<const TvdxFrame *>(source);
    if (!s)
        return;
    m_color = s->m_color;
    m_dropShadow = s->m_dropShadow;
    m_shadowWidth = s->m_shadowWidth;
    m_shadowColor = s->m_shadowColor;
    m_style = s->m_style;
    m_typ = s->m_typ;
    m_width = s->m_width;
    for (int i = 0; i < 4; ++i) {
        if (s->m_lines[i]) {
            line(i)->Assign(s->m_lines[i]);
        } else if (m_lines[i]) {
            // The source's line has its frame-wide values.
            delete m_lines[i];
            m_lines[i] = nullptr;
        }
    }
}

bool TvdxFrame::IsPropertyStored(const char *propName) const
{
    if (qstrcmp(propName, "ShadowWidth") == 0)
        return m_shadowWidth != 4;
    if (qstrcmp(propName, "Width") == 0)
        return m_width != 1;
    return TvdPersistent::IsPropertyStored(propName);
}

void TvdxFrame::Draw(Canvas &canvas, int fx, int fy, int fx1, int fy1, double scaleX, double scaleY)
{
    if (m_dropShadow) {
        canvas.setPen(CanvasPen{});
        canvas.pen().color = m_shadowColor;
        const int c = roundInt(m_shadowWidth * scaleX);
        vdxDrawWideStroke(canvas, fx1 + c / 2, fy + c, fx1 + c / 2, fy1, c);
        const int f = roundInt(m_shadowWidth * scaleY);
        vdxDrawWideStroke(canvas, fx + f, fy1 + f / 2, fx1 + f, fy1 + f / 2, f);
    }
    if (!m_typ || m_color == clNone || m_width == 0)
        return;
    canvas.brush().style = m_style == TvdxFrameLine::fsSolid ? BrushStyle::Solid : BrushStyle::Clear;
    const bool left = m_typ.testFlag(ftLeft), right = m_typ.testFlag(ftRight), top = m_typ.testFlag(ftTop),
               bottom = m_typ.testFlag(ftBottom);
    auto penWidth = [&](const TvdxFrameLine *l) {
        return (l->Style() == TvdxFrameLine::fsSolid || l->Style() == TvdxFrameLine::fsDouble)
                   ? roundInt(l->Width() * scaleX)
                   : 1;
    };
    if (left) {
        const int t = (penWidth(LeftLine()) == 2 && m_style != TvdxFrameLine::fsSolid) ? 1 : 0;
        drawSide(canvas, sLeft, fx, fy - t, fx, fy1, top, bottom, *LeftLine(), scaleX);
    }
    if (right)
        drawSide(canvas, sRight, fx1, fy, fx1, fy1, top, bottom, *RightLine(), scaleX);
    if (top)
        drawSide(canvas, sTop, fx, fy, fx1, fy, left, right, *TopLine(), scaleX);
    if (bottom) {
        const int t = (penWidth(BottomLine()) == 1 && m_style != TvdxFrameLine::fsSolid) ? 1 : 0;
        drawSide(canvas, sBottom, fx, fy1, fx1 + t, fy1, left, right, *BottomLine(), scaleX);
    }
}

void TvdxFrame::drawSide(Canvas &canvas, Side side, int x, int y, int x1, int y1, bool startOn, bool endOn,
                         const TvdxFrameLine &line, double scaleX)
{
    const int w = roundInt(line.Width() * scaleX);
    const bool horizontal = side == sTop || side == sBottom;
    const TvdxFrameLine::TvdxFrameStyle style = line.Style();
    CanvasPen pen;
    pen.color = line.Color();
    if (style == TvdxFrameLine::fsSolid || style == TvdxFrameLine::fsDouble) {
        pen.width = w;
        pen.style = PenStyle::Solid;
    } else if (style <= TvdxFrameLine::fsDashDotDot) {
        pen.width = 1;
        pen.style = PenStyle(int(style));
    }
    canvas.setPen(pen);

    // Moves the start (s) and end (e) of the side along it.
    auto along = [&](int &ax, int &ay, int &bx, int &by, int s, int e) {
        if (horizontal) {
            ax += s;
            bx -= e;
        } else {
            ay += s;
            by -= e;
        }
    };

    switch (style) {
    case TvdxFrameLine::fsSolid: {
        along(x, y, x1, y1, startOn ? 0 : w / 2, endOn ? 0 : w / 2);
        CanvasPen g = pen;
        g.geometric = true;
        g.cap = PenEndCap::Square;
        g.width = std::max(w, 1);
        canvas.setPen(g);
        canvas.MoveTo(x, y);
        canvas.LineTo(x1, y1);
        break;
    }
    case TvdxFrameLine::fsDouble: {
        along(x, y, x1, y1, startOn ? 0 : w / 2, endOn ? 0 : w / 2);
        const int outer = (side == sLeft || side == sTop) ? -w : w;
        for (int pass = 0; pass < 2; ++pass) {
            const int off = pass == 0 ? outer : -outer;
            // The outer line runs on to the outer corners, the inner stops at the inner ones.
            const int grow = pass == 0 ? w : -w;
            int ax = x, ay = y, bx = x1, by = y1;
            along(ax, ay, bx, by, startOn ? -grow : 0, endOn ? -grow : 0);
            if (horizontal) {
                ay += off;
                by += off;
            } else {
                ax += off;
                bx += off;
            }
            canvas.MoveTo(ax, ay);
            canvas.LineTo(bx, by);
        }
        break;
    }
    case TvdxFrameLine::fsDash:
    case TvdxFrameLine::fsDot:
    case TvdxFrameLine::fsDashDot:
    case TvdxFrameLine::fsDashDotDot:
        vdxDrawWideStroke(canvas, x, y, x1, y1, w);
        break;
    case TvdxFrameLine::fsAltDot:
    case TvdxFrameLine::fsSquare: {
        CanvasPen g;
        g.color = line.Color();
        g.geometric = true;
        g.style = PenStyle::User;
        g.width = std::max(w, 1);
        if (w <= 1) {
            g.dashes = {1, 1};
            g.cap = PenEndCap::Flat;
        } else if (style == TvdxFrameLine::fsSquare) {
            g.dashes = {w, w};
            g.cap = PenEndCap::Flat;
        } else {
            g.dashes = {0, 2 * w};
            g.cap = PenEndCap::Round;
        }
        canvas.setPen(g);
        canvas.MoveTo(x, y);
        canvas.LineTo(x1, y1);
        break;
    }
    }
}

QString TvdxFrame::Diff(const TvdxFrame *a) const
{
    QString s;
    if (!a)
        return s;
    const bool colorChanged = m_color != a->m_color;
    const bool styleChanged = m_style != a->m_style;
    const bool widthChanged = floatsDiffer(m_width, a->m_width);
    if (colorChanged)
        attr(s, QLatin1String("Frame.Color"), QString::number(m_color));
    if (m_dropShadow != a->m_dropShadow)
        attr(s, QLatin1String("Frame.DropShadow"), m_dropShadow ? QStringLiteral("1") : QStringLiteral("0"));
    if (m_shadowColor != a->m_shadowColor)
        attr(s, QLatin1String("Frame.ShadowColor"), QString::number(m_shadowColor));
    if (floatsDiffer(m_shadowWidth, a->m_shadowWidth))
        attr(s, QLatin1String("Frame.ShadowWidth"), FloatToStr(m_shadowWidth, XMLFormatSettings()));
    if (styleChanged)
        attr(s, QLatin1String("Frame.Style"), QString::number(int(m_style)));
    if (m_typ != a->m_typ)
        attr(s, QLatin1String("Frame.Typ"), QString::number(int(m_typ)));
    if (widthChanged)
        attr(s, QLatin1String("Frame.Width"), FloatToStr(m_width, XMLFormatSettings()));
    // In the order a reader applies them: a frame-wide value has already set
    // all four lines, so a line is written against its own frame then.
    static const char *const names[4] = {"Frame.LeftLine", "Frame.TopLine", "Frame.RightLine", "Frame.BottomLine"};
    const TvdxFrameLine *mine[4] = {LeftLine(), TopLine(), RightLine(), BottomLine()};
    const TvdxFrameLine *theirs[4] = {a->LeftLine(), a->TopLine(), a->RightLine(), a->BottomLine()};
    for (int i = 0; i < 4; ++i) {
        const QLatin1StringView n(names[i]);
        const TvdxFrameLine *l = mine[i];
        const TvdxFrameLine *al = theirs[i];
        if (colorChanged ? l->Color() != m_color : l->Color() != al->Color())
            attr(s, n, QString::number(l->Color()), QLatin1String(".Color"));
        if (styleChanged ? l->Style() != m_style : l->Style() != al->Style())
            attr(s, n, QString::number(int(l->Style())), QLatin1String(".Style"));
        if (widthChanged ? floatsDiffer(l->Width(), m_width) : floatsDiffer(l->Width(), al->Width()))
            attr(s, n, FloatToStr(l->Width(), XMLFormatSettings()), QLatin1String(".Width"));
    }
    return s;
}
