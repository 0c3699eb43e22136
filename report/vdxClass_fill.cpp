#include "report/vdxClass_fill.h"

#include "core/vdFormatSettings.h"
#include "core/vdVariant.h"
#include "core/vdXML.h"
#include "platform/Canvas.h"

#include <cmath>
#include <cstdlib>

namespace {

QString attr(const QString &add, const char *name, const QString &value)
{
    return QLatin1Char(' ') + add + QLatin1Char('.') + QLatin1String(name) + QLatin1String("=\"") + value
           + QLatin1Char('"');
}

QString num(qint64 v) { return QString::number(v); }

int channel(TColor c, int shift) { return int((unsigned(c) >> shift) & 0xFF); }

// start + delta per channel, each kept to its low 8 bits.
TColor stepColor(TColor start, TColor end, int i, int n)
{
    int ch[3];
    for (int k = 0; k < 3; ++k) {
        const int s = channel(start, 8 * k);
        ch[k] = (s + MulDiv(i, channel(end, 8 * k) - s, n)) & 0xFF;
    }
    return RGBColor(ch[0], ch[1], ch[2]);
}

void solidRect(Canvas &canvas, TColor color, const TRect &r)
{
    canvas.setBrush(CanvasBrush{color, BrushStyle::Solid});
    canvas.FillRect(r);
}

// A hatch over the rectangle with a clear pen and transparent background;
// brush and pen style restored afterwards.
void hatchRect(Canvas &canvas, BrushStyle hatch, TColor color, int x, int y, int x1, int y1)
{
    const CanvasBrush oldBrush = canvas.brush();
    const PenStyle oldPen = canvas.pen().style;
    const BkMode oldMode = canvas.GetBkMode();
    canvas.setBrush(CanvasBrush{ColorToRGB(color), hatch});
    canvas.SetBkMode(BkMode::Transparent);
    canvas.pen().style = PenStyle::Null;
    canvas.Rectangle(x, y, x1 + 1, y1 + 1);
    canvas.SetBkMode(oldMode);
    canvas.setBrush(oldBrush);
    canvas.pen().style = oldPen;
}

} // namespace

// ---- brush -------------------------------------------------------------------

void TvdxBrushFill::Assign(const TvdPersistent *source)
{
    if (auto *s = qobject_cast<const TvdxBrushFill *>(source)) {
        m_backColor = s->m_backColor;
        m_foreColor = s->m_foreColor;
        m_style = s->m_style;
    }
}

void TvdxBrushFill::Draw(Canvas &canvas, int x, int y, int x1, int y1, double, double)
{
    canvas.brush().style = BrushStyle(m_style);
    if (m_backColor != clNone)
        solidRect(canvas, m_backColor, TRect(x, y, x1, y1));
    if (m_style != bsSolid && m_style != bsClear)
        hatchRect(canvas, BrushStyle(m_style), m_foreColor, x, y, x1, y1);
}

QString TvdxBrushFill::Diff(const TvdxCustomFill *aFill, const QString &add) const
{
    auto *a = qobject_cast<const TvdxBrushFill *>(aFill);
    QString s;
    if (!a || m_backColor != a->m_backColor)
        s += attr(add, "BackColor", num(m_backColor));
    if (!a || m_foreColor != a->m_foreColor)
        s += attr(add, "ForeColor", num(m_foreColor));
    if (!a || m_style != a->m_style)
        s += attr(add, "Style", num(m_style));
    return s;
}

// ---- gradient ----------------------------------------------------------------

void TvdxGradientFill::Assign(const TvdPersistent *source)
{
    if (auto *s = qobject_cast<const TvdxGradientFill *>(source)) {
        m_startColor = s->m_startColor;
        m_endColor = s->m_endColor;
        m_style = s->m_style;
    }
}

TColor TvdxGradientFill::GetColor() const { return stepColor(m_startColor, m_endColor, 127, 255); }

void TvdxGradientFill::Draw(Canvas &canvas, int x, int y, int x1, int y1, double, double)
{
    const int w = x1 - x;
    const int h = y1 - y;
    const CanvasPen oldPen = canvas.pen();
    const CanvasBrush oldBrush = canvas.brush();
    switch (m_style) {
    case gsHorizontal:
        for (int i = 0; i < 256; ++i)
            solidRect(canvas, stepColor(m_startColor, m_endColor, i, 255),
                      TRect(x + MulDiv(i, w, 256), y, x + MulDiv(i + 1, w, 256), y1));
        break;
    case gsVertical:
        for (int i = 0; i < 256; ++i)
            solidRect(canvas, stepColor(m_startColor, m_endColor, i, 255),
                      TRect(x, y + MulDiv(i, h, 256), x1, y + MulDiv(i + 1, h, 256)));
        break;
    case gsElliptic: {
        const int saved = canvas.SaveDC();
        canvas.IntersectClipRect(TRect(x, y, x1, y1));
        canvas.pen().style = PenStyle::Null;
        const double ex = (w / 4.0 + w / 2.0) / 155;
        const double ey = (h / 4.0 + h / 2.0) / 155;
        for (int i = 0; i < 156; ++i) {
            canvas.setBrush(CanvasBrush{stepColor(m_startColor, m_endColor, i, 155), BrushStyle::Solid});
            canvas.Ellipse(int(std::trunc(x - w / 4.0 + (i + 1) * ex)), int(std::trunc(y - h / 4.0 + (i + 1) * ey)),
                           int(std::trunc(x1 + w / 4.0 - (i + 1) * ex)), int(std::trunc(y1 + h / 4.0 - (i + 1) * ey)));
        }
        canvas.RestoreDC(saved);
        break;
    }
    case gsRectangle:
        canvas.pen().style = PenStyle::Null;
        canvas.pen().mode = PenMode::Copy;
        for (int i = 0; i < 256; ++i) {
            const int dx = int(std::trunc((i + 1) * double(w) / 510));
            const int dy = int(std::trunc((i + 1) * double(h) / 510));
            canvas.setBrush(CanvasBrush{stepColor(m_startColor, m_endColor, i, 255), BrushStyle::Solid});
            canvas.Rectangle(x + dx, y + dy, x1 - dx, y1 - dy);
        }
        canvas.pen().style = PenStyle::Solid;
        break;
    case gsVertCenter: {
        const int half = h / 2;
        for (int n = 0; n <= half; ++n) {
            const TColor c = stepColor(m_startColor, m_endColor, n, half);
            solidRect(canvas, c, TRect(x, y + n, x1, y + n + 1));
            solidRect(canvas, c, TRect(x, y + h - n - 1, x1, y + h - n));
        }
        break;
    }
    case gsHorizCenter: {
        const int half = w / 2;
        for (int n = 0; n <= half; ++n) {
            const TColor c = stepColor(m_startColor, m_endColor, n, half);
            solidRect(canvas, c, TRect(x + n, y, x + n + 1, y1));
            solidRect(canvas, c, TRect(x + w - n - 1, y, x + w - n, y1));
        }
        break;
    }
    }
    canvas.setBrush(oldBrush);
    if (m_style != gsRectangle)
        canvas.setPen(oldPen);
}

QString TvdxGradientFill::Diff(const TvdxCustomFill *aFill, const QString &add) const
{
    auto *a = qobject_cast<const TvdxGradientFill *>(aFill);
    QString s;
    if (!a || m_startColor != a->m_startColor)
        s += attr(add, "StartColor", num(m_startColor));
    if (!a || m_endColor != a->m_endColor)
        s += attr(add, "EndColor", num(m_endColor));
    if (!a || m_style != a->m_style)
        s += attr(add, "GradientStyle", num(m_style));
    return s;
}

// ---- glass -------------------------------------------------------------------

TColor TvdxGlassFill::BlendColor() const
{
    const TColor c = ColorToRGB(m_color);
    int ch[3];
    for (int k = 0; k < 3; ++k) {
        const int v = channel(c, 8 * k);
        ch[k] = std::min(255, v + int(RoundHalfEven((255 - v) * m_blend)));
        ch[k] = std::max(0, ch[k]);
    }
    return RGBColor(ch[0], ch[1], ch[2]);
}

TColor TvdxGlassFill::HatchColor() const
{
    // Six darker per channel; a channel never wraps into its neighbour.
    const TColor c = BlendColor();
    return RGBColor(std::max(0, GetRValue(c) - 6), std::max(0, GetGValue(c) - 6), std::max(0, GetBValue(c) - 6));
}

bool TvdxGlassFill::IsPropertyStored(const char *propName) const
{
    if (qstrcmp(propName, "Blend") == 0)
        return m_blend != 0.5;
    return TvdxCustomFill::IsPropertyStored(propName);
}

void TvdxGlassFill::Assign(const TvdPersistent *source)
{
    if (auto *s = qobject_cast<const TvdxGlassFill *>(source)) {
        m_color = s->m_color;
        m_blend = s->m_blend;
        m_hatch = s->m_hatch;
        m_orientation = s->m_orientation;
    }
}

void TvdxGlassFill::Draw(Canvas &canvas, int x, int y, int x1, int y1, double, double)
{
    if (m_color == clNone)
        return;
    const CanvasBrush oldBrush = canvas.brush();
    solidRect(canvas, m_color, TRect(x, y, x1, y1));
    TRect half;
    switch (m_orientation) {
    case foVertical:
        half = TRect(x, y, x1 - (x1 - x) / 2, y1);
        break;
    case foHorizontal:
        half = TRect(x, y, x1, y1 - (y1 - y) / 2);
        break;
    case foVerticalMirror:
        half = TRect(x + (x1 - x) / 2, y, x1, y1);
        break;
    case foHorizontalMirror:
        half = TRect(x, y + (y1 - y) / 2, x1, y1);
        break;
    }
    solidRect(canvas, BlendColor(), half);
    if (m_hatch)
        hatchRect(canvas, BrushStyle::BDiagonal, HatchColor(), x, y, x1, y1);
    canvas.setBrush(oldBrush);
}

QString TvdxGlassFill::Diff(const TvdxCustomFill *aFill, const QString &add) const
{
    auto *a = qobject_cast<const TvdxGlassFill *>(aFill);
    QString s;
    if (!a || m_color != a->m_color)
        s += attr(add, "Color", num(m_color));
    if (!a || m_blend != a->m_blend)
        s += attr(add, "Blend", FloatToStr(m_blend, XMLFormatSettings()));
    if (!a || m_hatch != a->m_hatch)
        s += attr(add, "Hatch", m_hatch ? QStringLiteral("1") : QStringLiteral("0"));
    if (!a || m_orientation != a->m_orientation)
        s += attr(add, "Orientation", num(m_orientation));
    return s;
}

// ---- by type -----------------------------------------------------------------

TvdxCustomFill *vdxCreateFill(int fillType)
{
    switch (fillType) {
    case ftBrush:
        return new TvdxBrushFill();
    case ftGradient:
        return new TvdxGradientFill();
    case ftGlass:
        return new TvdxGlassFill();
    default:
        return nullptr;
    }
}

TvdxFillType vdxGetFillType(const TvdxCustomFill *fill)
{
    if (qobject_cast<const TvdxGradientFill *>(fill))
        return ftGradient;
    if (qobject_cast<const TvdxGlassFill *>(fill))
        return ftGlass;
    return ftBrush;
}
