// Measuring, drawing and page parts of text objects through the shared text
// layout.
#include "report/vdxClass_memo.h"
#include "platform/QPainterCanvas.h"
#include "report/vdxDrawText.h"
#include "report/vdxVectorCanvas.h"
#include "report/vdxClass_dataset.h"
#include <cmath>

namespace {

int Round(double v)
{
    if (!std::isfinite(v))
        return 0;
    return int(std::clamp(std::nearbyint(v), -1e9, 1e9));
}

const TRect kHugeBox(0, 0, 10000, 10000);

} // namespace

TvdxDrawText &TvdxCustomMemoView::DrawTextObject() const { return vdxGlobalDrawText(); }

double TvdxCustomMemoView::ExtraWidth() const
{
    const TvdxFrame &f = *Frame();
    double r = 2 * m_gapX;
    if (f.Typ().testFlag(TvdxFrame::ftLeft))
        r += (f.Width() - 1) / 2;
    if (f.Typ().testFlag(TvdxFrame::ftRight))
        r += f.Width() / 2;
    if (f.DropShadow())
        r += f.ShadowWidth();
    return r;
}

double TvdxCustomMemoView::ExtraHeight() const
{
    const TvdxFrame &f = *Frame();
    double r = 2 * m_gapY;
    if (f.Typ().testFlag(TvdxFrame::ftTop))
        r += (f.Width() - 1) / 2;
    if (f.Typ().testFlag(TvdxFrame::ftBottom))
        r += f.Width() / 2;
    if (f.DropShadow())
        r += f.ShadowWidth();
    return r;
}

TRect TvdxCustomMemoView::CalcTextRect(double scaleX, double scaleY, double offsetX, double offsetY) const
{
    const TvdxFrame &f = *Frame();
    const auto typ = f.Typ();
    const double w = f.Width();
    const int insetL = Round((scaleX * w - 1) / 2), insetR = Round(scaleX * w / 2);
    const int insetT = Round((scaleY * w - 1) / 2), insetB = Round(scaleY * w / 2);
    const double shadow = f.DropShadow() ? f.ShadowWidth() : 0;
    const int x0 = Round(offsetX + scaleX * double(AbsLeft()));
    const int y0 = Round(offsetY + scaleY * double(AbsTop()));
    const int x1 = x0 + Round(scaleX * (double(Width()) - shadow));
    const int y1 = y0 + Round(scaleY * (double(Height()) - shadow));
    const int gx = Round(scaleX * m_gapX), gy = Round(scaleY * m_gapY);
    TRect r;
    r.Left = x0 + gx + (typ.testFlag(TvdxFrame::ftLeft) ? insetL : 0);
    r.Top = y0 + gy + (typ.testFlag(TvdxFrame::ftTop) ? insetT : 0);
    r.Right = x1 - (typ.testFlag(TvdxFrame::ftRight) ? insetR : 0) - gx + 1;
    r.Bottom = y1 - (typ.testFlag(TvdxFrame::ftBottom) ? insetB : 0) - gy + 1;
    return r;
}

void TvdxCustomMemoView::configureCommon(TvdxDrawText &dt, bool mono)
{
    dt.SetUseDefaultCharset(UseDefaultCharset());
    dt.SetUseMonoFont(mono);
    if (Font())
        dt.SetFont(*Font());
    dt.SetOptions(WordWrap(), AllowHTMLTags(), RTLReading(), WordBreak(), Clipped(), Wysiwyg(), m_rotation);
    dt.SetGaps(m_paragraphGap, m_charSpacing, m_lineSpacing);
}

void TvdxCustomMemoView::configureDrawText(TvdxDrawText &dt, double scaleX, double scaleY, double offsetX,
                                           double offsetY)
{
    const double printScale = IsPrinting() ? m_printScale : 1;
    const bool scaled = scaleX != 1 || scaleY != 1 || offsetX != 0 || offsetY != 0;
    dt.SetDimensions(scaleX, scaleY, printScale, m_textRect, scaled ? m_scaledRect : m_textRect);
    dt.SetText(m_memo, FirstParaBreak(), 0);
    dt.SetParaBreaks(FirstParaBreak(), LastParaBreak());
}

void TvdxCustomMemoView::layoutInBox(TvdxDrawText &dt, const TRect &box)
{
    dt.SetDimensions(1, 1, 1, box, box);
    dt.SetText(m_memo, false, 0);
}

void TvdxCustomMemoView::applyAutoWidth(TvdxDrawText &dt)
{
    if (IsDesigning() || !AutoWidth())
        return;
    layoutInBox(dt, kHugeBox);
    const double oldWidth = double(Width());
    const int r = ReducedAngle();
    const double newWidth = (r == 90 || r == 270 ? dt.CalcHeight() : dt.CalcWidth()) + ExtraWidth();
    if (m_hAlign == haRight)
        SetLeft(oldWidth + double(Left()) - newWidth);
    else if (m_hAlign == haCenter)
        SetLeft((oldWidth - newWidth) / 2 + double(Left()));
    SetWidth(newWidth);
}

void TvdxCustomMemoView::PrepareDrawBounds(double scaleX, double scaleY, double offsetX, double offsetY)
{
    TvdxDrawText &dt = DrawTextObject();
    TvdxDrawTextLocker lock(dt);
    configureCommon(dt, false);
    applyAutoWidth(dt);
    m_scaledRect = CalcTextRect(scaleX, scaleY, offsetX, offsetY);
    m_textRect = CalcTextRect(1, 1, 0, 0);
}

void TvdxCustomMemoView::Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY)
{
    TvdxDrawText &dt = DrawTextObject();
    TvdxDrawTextLocker lock(dt);
    PrepareDrawBounds(scaleX, scaleY, offsetX, offsetY);
    // A view being recorded for a vector export gets its text only.
    if (m_vc)
        TvdxStretcheable::PrepareDrawBounds(canvas, scaleX, scaleY, offsetX, offsetY);
    else
        TvdxStretcheable::Draw(canvas, scaleX, scaleY, offsetX, offsetY);
    drawTextContent(canvas, scaleX, scaleY, offsetX, offsetY);
}

void TvdxCustomMemoView::drawTextContent(Canvas &canvas, double scaleX, double scaleY, double offsetX,
                                         double offsetY)
{
    TvdxDrawText &dt = DrawTextObject();
    const QStringList saved = m_memo;
    if (!IsDesigning())
        ExtractMacros();
    else if (IsDataField())
        m_memo = QStringList{QStringLiteral("[%1.\"%2\"]").arg(DataSet()->UserName(), DataField())};
    TvdxDrawTextLocker lock(dt);
    configureCommon(dt, DrawAsMask());
    configureDrawText(dt, scaleX, scaleY, offsetX, offsetY);
    const CanvasPen savedPen = canvas.pen();
    if (m_underlinesTextMode != ulmNone && m_rotation == 0) {
        CanvasPen pen;
        pen.color = Frame()->Color();
        pen.width = FFrameWidth();
        pen.style = PenStyle::Solid;
        canvas.setPen(pen);
    }
    struct Detach {
        TvdxDrawText &dt;
        TVectorCanvas *old;
        ~Detach() { dt.SetVC(old); }
    } detach{dt, dt.VC()};
    dt.SetVC(m_vc);
    try {
        dt.DrawText(canvas, ::TvdxHAlign(m_hAlign), ::TvdxVAlign(m_vAlign),
                    ::TvdxUnderlinesTextMode(m_underlinesTextMode), -1);
    } catch (...) {
        canvas.setPen(savedPen);
        m_memo = saved;
        throw;
    }
    canvas.setPen(savedPen);
    m_memo = saved;
}

TVectorCanvas *TvdxCustomMemoView::GetVectorCanvas()
{
    auto vc = std::make_unique<TVectorCanvas>();
    QImage scratch(1, 1, QImage::Format_RGB32);
    QPainterCanvas canvas(scratch);
    m_vc = vc.get();
    try {
        Draw(canvas, 1, 1, 0, 0);
    } catch (...) {
        m_vc = nullptr;
        throw;
    }
    m_vc = nullptr;
    return vc.release();
}

double TvdxCustomMemoView::CalcHeight()
{
    TvdxDrawText &dt = DrawTextObject();
    TvdxDrawTextLocker lock(dt);
    configureCommon(dt, false);
    const int r = ReducedAngle();
    const bool sideways = r == 90 || r == 270;
    if (sideways || AutoWidth())
        layoutInBox(dt, kHugeBox);
    else {
        PrepareDrawBounds(1, 1, 0, 0);
        layoutInBox(dt, m_textRect);
    }
    return Round((sideways ? dt.CalcWidth() : dt.CalcHeight()) + ExtraHeight());
}

double TvdxCustomMemoView::CalcWidth()
{
    TvdxDrawText &dt = DrawTextObject();
    TvdxDrawTextLocker lock(dt);
    configureCommon(dt, false);
    const int r = ReducedAngle();
    const bool sideways = r == 90 || r == 270;
    if (sideways) {
        m_textRect = CalcTextRect(1, 1, 0, 0);
        layoutInBox(dt, m_textRect);
    } else
        layoutInBox(dt, kHugeBox);
    return Round((sideways ? dt.CalcHeight() : dt.CalcWidth()) + ExtraWidth());
}

bool TvdxCustomMemoView::HasOutboundContent()
{
    TvdxDrawText &dt = DrawTextObject();
    TvdxDrawTextLocker lock(dt);
    PrepareDrawBounds(1, 1, 0, 0);
    configureDrawText(dt, 1, 1, 0, 0);
    return dt.CalcWidth() >= double(Width()) || dt.CalcHeight() >= double(Height());
}

void TvdxCustomMemoView::UpdateBounds()
{
    TvdxStretcheable::UpdateBounds();
    if (!AutoWidth())
        return;
    TvdxDrawText &dt = DrawTextObject();
    TvdxDrawTextLocker lock(dt);
    configureCommon(dt, false);
    applyAutoWidth(dt);
}

void TvdxCustomMemoView::InitPart()
{
    m_partMemo = Text();
    SetFirstParaBreak(false);
    SetLastParaBreak(false);
}

double TvdxCustomMemoView::DrawPart()
{
    TvdxDrawText &dt = DrawTextObject();
    TvdxDrawTextLocker lock(dt);
    SetText(m_partMemo);
    PrepareDrawBounds(1, 1, 0, 0);
    configureDrawText(dt, 1, 1, 0, 0);
    bool paraBreak = false;
    SetPartMemo(dt.GetOutBoundsText(paraBreak));
    SetText(dt.GetInBoundsText());
    SetLastParaBreak(paraBreak);
    const double unused = dt.UnusedSpace();
    if (unused == 0)
        return double(Height());
    return 2 * m_gapY + unused;
}

QString TvdxCustomMemoView::WrapText(bool wrapWords, QList<int> *flags)
{
    QImage scratch(1, 1, QImage::Format_RGB32);
    QPainterCanvas canvas(scratch);
    TvdxDrawText &dt = DrawTextObject();
    TvdxDrawTextLocker lock(dt);
    PrepareDrawBounds(1, 1, 0, 0);
    configureDrawText(dt, 1, 1, 0, 0);
    const QString result = wrapWords ? dt.WrappedText() : dt.DeleteTags(Text());
    if (flags) {
        flags->clear();
        const QStringList lines = result.split(QStringLiteral("\r\n"));
        if (lines.size() == dt.Lines().size())
            *flags = dt.LineFlags();
    }
    return result;
}
