#include "objects/controls/vdxChBox.h"

#include "core/vdVariant.h"
#include "core/vdxRes.h"
#include "platform/Canvas.h"
#include "platform/FontMap.h"
#include "report/vdxClass_bases.h"
#include "report/vdxClass_dataset.h"
#include "report/vdxClass_report.h"
#include "report/vdxDsgnIntf.h"

namespace {

constexpr int kCrossGlyph = 0xFB;
constexpr int kCheckGlyph = 0xFC;

// The symbol font's code as a character: the font's private-use slot when
// the symbol font is installed, else the cross or tick that the stand-in
// font (the mapping's fallback) holds.
QString symbolChar(int code)
{
    static const bool haveSymbolFont =
        MapFontFamily(QStringLiteral("Wingdings")).compare(QLatin1String("Wingdings"), Qt::CaseInsensitive) == 0;
    if (haveSymbolFont)
        return QString(QChar(0xF000 + code));
    return QString(QChar(code == kCheckGlyph ? 0x2714 : 0x2718));
}

} // namespace

TvdxCheckBoxView::TvdxCheckBoxView(TvdComponent *owner) : TvdxView(owner)
{
    SetChecked(true);
    SetHeight(5 * 3.77953L);
    SetWidth(5 * 3.77953L);
    SetEditable(ferAllowInPreview);
}

QString TvdxCheckBoxView::GetDescription() const { return GetResStrByName(QStringLiteral("obChBox")); }

void TvdxCheckBoxView::Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY)
{
    PrepareDrawBounds(canvas, scaleX, scaleY, offsetX, offsetY);
    PaintFill();
    DrawCheck(TRect(m_fx, m_fy, m_fx1, m_fy1));
    PaintFrame();
}

void TvdxCheckBoxView::drawLine(int x1, int y1, int x2, int y2)
{
    vdxDrawWideStroke(*m_canvas, x1, y1, x2, y2, m_frameWidth);
}

void TvdxCheckBoxView::drawGlyph(const TRect &rect, int code)
{
    Canvas &c = *m_canvas;
    CanvasFont font;
    font.name = QStringLiteral("Wingdings");
    font.weight = FW_NORMAL;
    font.charset = SYMBOL_CHARSET;
    font.height = -(rect.Bottom - rect.Top);
    c.setFont(font);
    c.SetTextColor(m_checkColor);
    c.SetBkMode(BkMode::Transparent);
    const QString glyph = symbolChar(code);
    const TSize extent = c.TextExtent(glyph);
    c.ExtTextOut(rect.Left + (rect.Right - rect.Left - extent.cx) / 2, rect.Top, ETO_CLIPPED, &rect, glyph);
}

void TvdxCheckBoxView::DrawCheck(const TRect &rect)
{
    if (!m_canvas)
        return;
    enum Mark { None, Cross, Check, LineCross, Plus, Minus } mark = None;
    if (m_checked) {
        static constexpr Mark checked[] = {Cross, Check, LineCross, Plus};
        mark = checked[m_checkStyle];
    } else {
        static constexpr Mark unchecked[] = {None, Cross, LineCross, Minus};
        mark = unchecked[m_uncheckStyle];
    }
    if (mark == None)
        return;
    if (mark == Cross || mark == Check) {
        drawGlyph(rect, mark == Check ? kCheckGlyph : kCrossGlyph);
        return;
    }
    CanvasPen pen;
    pen.style = PenStyle::Solid;
    pen.color = m_checkColor;
    m_canvas->setPen(pen);
    const int midY = rect.Top + (rect.Bottom - rect.Top) / 2;
    const int midX = rect.Left + (rect.Right - rect.Left) / 2;
    switch (mark) {
    case LineCross:
        drawLine(rect.Left, rect.Top, rect.Right, rect.Bottom);
        drawLine(rect.Left, rect.Bottom, rect.Right, rect.Top);
        break;
    case Plus:
        drawLine(rect.Left + 3, midY, rect.Right - 2, midY);
        drawLine(midX, rect.Top + 3, midX, rect.Bottom - 2);
        break;
    case Minus:
        drawLine(rect.Left + 3, midY, rect.Right - 2, midY);
        break;
    default:
        break;
    }
}

void TvdxCheckBoxView::GetData()
{
    TvdxView::GetData();
    if (IsDataField()) {
        Variant v = DataSet()->GetValue(DataField());
        if (v.isNull())
            v = Variant(false);
        m_checked = v.toBool();
    } else if (!m_expression.isEmpty()) {
        if (TvdxReport *r = Report())
            m_checked = r->Calc(m_expression).toBool();
    }
}

bool TvdxCheckBoxView::DoMouseDown(int, int, TvdxMouseButton, TvdxShiftState, TvdxInteractiveEventsParams &eventParams)
{
    if (IsDesigning())
        return false;
    eventParams.Refresh = true;
    eventParams.Modified = true;
    m_checked = !m_checked;
    return false;
}

namespace {
void registerCheckBox()
{
    vdRegisterClass<TvdxCheckBoxObject>();
    vdxObjectRegistry().RegisterObject1<TvdxCheckBoxView>(QImage(), QString(), QString(), 0, 24);
}
} // namespace

Q_CONSTRUCTOR_FUNCTION(registerCheckBox)
