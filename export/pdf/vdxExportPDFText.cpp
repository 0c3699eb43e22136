#include "export/pdf/vdxExportPDFText.h"

#include "core/vdUtils.h"
#include "export/pdf/fonts/vdxPDFFontTables.h"
#include "export/pdf/vdxExportHelpers.h"
#include "export/pdf/vdxExportPDF.h"
#include "report/vdxClass_frame.h"
#include "report/vdxClass_highlight.h"
#include "report/vdxClass_memo.h"
#include "report/vdxDrawText.h"
#include "report/vdxVectorCanvas.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

constexpr double kPointFactor = 0.99647222222222222; // 35873 / 36000
constexpr double kPi = 3.14159265358979323846;
constexpr double kStrikeWidth = 0.056569084995050205063;
constexpr quint16 kSpaceGlyph = 3;

int roundInt(double v) { return int(std::nearbyint(v)); }
double frac(double v) { return v - std::trunc(v); }
QString fixed3(double v) { return FloatToFixedStr(v, 3, u'.'); }

QByteArray hex4(quint16 g) { return QByteArray::number(g, 16).toUpper().rightJustified(4, '0'); }

bool simulatedItalic(const TvdFont &font)
{
    return font.Style().testFlag(TvdFont::fsItalic) && PDFFontSimulations().IsNeedsItalic(font.Name());
}
bool simulatedBold(const TvdFont &font)
{
    return font.Style().testFlag(TvdFont::fsBold) && PDFFontSimulations().IsNeedsBold(font.Name());
}

// Takes the layout object's lock, then the writer's; lets both go in the
// same order, also when an exception passes.
class TextLayoutLocks {
public:
    explicit TextLayoutLocks(TvdxDrawText &dt) : m_dt(dt)
    {
        m_dt.Lock();
        try {
            PDFTextWriterLock().lock();
        } catch (...) {
            m_dt.Unlock();
            throw;
        }
    }
    ~TextLayoutLocks()
    {
        m_dt.Unlock();
        PDFTextWriterLock().unlock();
    }
    TextLayoutLocks(const TextLayoutLocks &) = delete;
    TextLayoutLocks &operator=(const TextLayoutLocks &) = delete;

private:
    TvdxDrawText &m_dt;
};

// Leaves the shared layout object without the memo's paragraph gap.
struct ParagraphGapReset {
    TvdxDrawText &dt;
    double charSpacing, lineSpacing;
    ~ParagraphGapReset() { dt.SetGaps(0, charSpacing, lineSpacing); }
};

} // namespace

// ---- shared pieces ----------------------------------------------------------------------

std::mutex &PDFTextWriterLock()
{
    static std::mutex lock;
    return lock;
}

QByteArray SpacedGlyphsToTJ(const QList<quint16> &glyphs, double adjust)
{
    const double a = std::trunc(adjust);
    const double f = frac(adjust);
    double carry = 0;
    QByteArray out;
    out.reserve(glyphs.size() * 4);
    for (quint16 g : glyphs) {
        out += hex4(g);
        if (g != kSpaceGlyph)
            continue;
        const qint64 k = qint64(a + std::trunc(carry + f));
        if (k != 0)
            out += '>' + QByteArray::number(k) + '<';
        carry = frac(carry + f);
    }
    return out;
}

void AverageNonSpaceDeltas(QList<double> &deltas, const QList<bool> &isSpace)
{
    double sum = 0;
    int count = 0;
    for (qsizetype i = 0; i < deltas.size(); ++i)
        if (!isSpace.value(i, false)) {
            sum += deltas[i];
            ++count;
        }
    if (count < 2)
        return;
    const double mean = sum / count;
    for (qsizetype i = 0; i < deltas.size(); ++i)
        if (!isSpace.value(i, false))
            deltas[i] = mean;
}

QByteArray GlyphsToTJ(const TRemapedString &line, const QList<double> &widths, bool average)
{
    const qsizetype n = line.Data.size();
    QList<double> deltas(n);
    for (qsizetype i = 0; i < n; ++i)
        deltas[i] = line.CharWidth.value(i) - widths.value(i);
    if (average)
        AverageNonSpaceDeltas(deltas, line.IsSpace);
    QByteArray out;
    double carry = 0;
    for (qsizetype i = 0; i < n; ++i) {
        qint64 k = qint64(std::trunc(deltas[i]));
        carry += frac(deltas[i]);
        if (carry > 0.5) {
            ++k;
            carry -= 1;
        } else if (carry < -0.5) {
            --k;
            carry += 1;
        }
        out += hex4(line.Data[i]);
        if (i + 1 < n && k != 0)
            out += '>' + QByteArray::number(k) + '<';
    }
    return out;
}

QString ItalicSimulation(const TvdFont &font)
{
    return simulatedItalic(font) ? QStringLiteral("1 0 0.25 1") : QString();
}

QString BoldSimulation(const TvdFont &font)
{
    if (!simulatedBold(font))
        return QString();
    return QStringLiteral("2 Tr ") + Fixed2(font.Size() / 35.0) + QStringLiteral(" w ") + ColorToPdfRGB(font.Color())
           + QStringLiteral(" RG");
}

double EMFFontSize(const TvdFont &font)
{
    float corr = 1;
    if (EMFPDFFontCorrections().IsGetCorrection(font.Name(), corr))
        return font.Size() * double(corr);
    return std::trunc(font.Size() * kPointFactor * 10) / 10;
}

// ---- the text writer ----------------------------------------------------------------------

double TvdxPDFExport::WriteText(TvdxView *view, bool inField, int highlightIndex)
{
    auto *memo = qobject_cast<TvdxCustomMemoView *>(view);
    if (!memo || !memo->Font())
        return 0;
    // The field writer is not part of this filter: a field's text is drawn
    // on the page like any memo's, so it is not lost.
    if (!inField)
        WriteFill(view);

    double result = 0;
    const double gapX = memo->GapX(), gapY = memo->GapY();
    if (memo->ReducedAngle() != 0 || (!inField && std::min(gapX, gapY) < 0)) {
        WriteVectorText(view);
    } else {
        WriteOp(inField ? QStringLiteral("/Tx BMC") : QStringLiteral("q"));
        if (!inField)
            TextClip(view);

        TvdxDrawText &dt = memo->DrawTextObject();
        {
            TextLayoutLocks locks(dt);
            ParagraphGapReset gapReset{dt, memo->CharSpacing(), memo->LineSpacing()};
            if (memo->Highlights()->Count() > 0) {
                TvdxHighlight *h = memo->Highlights()->GetItem(0);
                if (h->Active() && h->ApplyFont() && h->Font())
                    memo->Font()->Assign(h->Font());
            }
            const TvdFont &font = *memo->Font();
            dt.SetUseDefaultCharset(memo->UseDefaultCharset());
            dt.SetUseMonoFont(false);
            dt.SetFont(font);
            dt.SetOptions(memo->WordWrap(), memo->AllowHTMLTags(), memo->RTLReading(), memo->WordBreak(),
                          memo->Clipped(), memo->Wysiwyg(), memo->ReducedAngle());
            dt.SetGaps(memo->ParagraphGap(), memo->CharSpacing(), memo->LineSpacing());

            const double absLeft = double(view->AbsLeft()), absTop = double(view->AbsTop());
            const double width = double(view->Width()), height = double(view->Height());
            TvdxFrame *frame = view->Frame();
            const auto typ = frame->Typ();
            const double fw = frame->Width();
            TRect r;
            r.Left = roundInt(absLeft);
            r.Top = roundInt(absTop);
            r.Right = r.Left + int(std::ceil(width));
            r.Bottom = r.Top + int(std::ceil(height));
            if (typ.testFlag(TvdxFrame::ftLeft))
                r.Left += roundInt((fw - 1) / 2);
            if (typ.testFlag(TvdxFrame::ftTop))
                r.Top += roundInt((fw - 1) / 2);
            if (typ.testFlag(TvdxFrame::ftRight))
                r.Right -= roundInt(fw / 2);
            if (typ.testFlag(TvdxFrame::ftBottom))
                r.Bottom -= roundInt(fw / 2);
            r.Left += roundInt(gapX);
            r.Top += roundInt(gapY);
            r.Right = r.Right - roundInt(gapX) + 1;
            r.Bottom = r.Bottom - roundInt(gapY) + 1;
            dt.SetDimensions(1, 1, 1, r, r);
            dt.SetText(memo->Memo(), memo->FirstParaBreak(), 0);
            dt.SetParaBreaks(memo->FirstParaBreak(), memo->LastParaBreak());

            const double LH = dt.LineHeight();
            const double LS = memo->LineSpacing();
            const double shadow = view->ShadowSize();
            const double W = width - shadow, H = height - shadow;

            if (memo->Underlines() && LH > 0) {
                const int count = int(std::trunc(height / LH));
                for (int j = 1; j <= count; ++j) {
                    const QString y = Fixed2(PdfY(absTop + gapY + 1 + j * LH - LS));
                    WriteOp(PdfColorStr(frame->Color()) + QStringLiteral(" RG"));
                    WriteOp(Fixed2(fw * 0.75) + QStringLiteral(" w"));
                    WriteOp(stLeft + u' ' + y + QStringLiteral(" m"));
                    WriteOp(stRight + u' ' + y + QStringLiteral(" l"));
                    WriteOp(QStringLiteral("S"));
                }
            }

            const QStringList lines = dt.Lines();
            const int n = int(lines.size());
            if (n > 0) {
                QList<int> flags = dt.LineFlags();
                if (memo->Memo().size() == n) {
                    flags = QList<int>(n, vdlfLast);
                    flags[0] |= vdlfFirst;
                }
                const int fontIndex = GetObjFontNumber(m_doc.POH(), m_doc.Fonts(), font);
                TvdxPDFFont &pdfFont = *m_doc.Fonts().Get(fontIndex);
                pdfFont.Update(pdfFont, font);
                const double cs = memo->CharSpacing() * 0.75;
                if (cs != 0)
                    WriteOp(Fixed2(cs) + QStringLiteral(" Tc"));
                const double s = font.Size();
                dt.SetGaps(0, memo->CharSpacing(), memo->LineSpacing());

                const QString fontSize = QString::fromLatin1(pdfFont.Name) + u' ' + fixed3(PDFFontSize(font))
                                         + QStringLiteral(" Tf");
                const QString textColor = PdfColorStr(font.Color() == clNone ? clBlack : font.Color());
                const QString italic = ItalicSimulation(font);
                const QString bold = BoldSimulation(font);
                const auto hAlign = memo->HAlign();
                // In a field the spacing is kept per alignment; on the page
                // spaced memos go to the metafile path.
                double lineCs = 0;
                if (inField && hAlign == TvdxCustomMemoView::haCenter)
                    lineCs = cs / 2;
                else if (inField && hAlign == TvdxCustomMemoView::haRight)
                    lineCs = cs;

                for (int i = 0; i < n; ++i) {
                    const QString &text = lines[i];
                    if (text.isEmpty())
                        continue;
                    const int lf = flags.value(i, vdlfLast);
                    const double N = (lf & vdlfFirst) ? memo->ParagraphGap() : 0;
                    const TRemapedString rs = pdfFont.SoftRemapString(text, memo->RTLReading(), false);
                    const double A = W - 2 * gapX - N;
                    const bool justified =
                        hAlign == TvdxCustomMemoView::haBlock && !(lf & vdlfLast) && rs.SpacesCount >= 1;
                    const double lineWidth = justified ? A : s * rs.Width / 750;
                    const double adjust = justified ? pdfFont.SpaceAdjustment(rs, A * 0.75, s) : 0;

                    double x0 = inField ? N + 2 : absLeft + gapX + N;
                    switch (hAlign) {
                    case TvdxCustomMemoView::haLeft: break;
                    case TvdxCustomMemoView::haCenter: x0 += (A - lineWidth) / 2; break;
                    case TvdxCustomMemoView::haRight: x0 += A - lineWidth; break;
                    case TvdxCustomMemoView::haBlock:
                        if (memo->RTLReading())
                            x0 += A - lineWidth;
                        break;
                    }
                    double x = inField ? ToPoints(x0) : PdfX(x0);
                    x -= (text.size() - 1) * lineCs;

                    const double t0 = (inField ? gapY : absTop + gapY) - s * 0.1;
                    const double h = H - 2 * gapY;
                    double y0 = 0;
                    switch (memo->VAlign()) {
                    case TvdxCustomMemoView::vaTop: y0 = t0 + (i + 1) * LH - LS; break;
                    case TvdxCustomMemoView::vaBottom: y0 = t0 + h - LS - (n - i - 1) * LH; break;
                    case TvdxCustomMemoView::vaCenter: y0 = t0 + (h - n * LH) / 2 + (i + 1) * LH - LS; break;
                    }
                    const double y = inField ? (H - y0) * 0.75 : PdfY(y0);
                    if (inField && i == 0)
                        result = y0 - LH;

                    if (i == highlightIndex) {
                        WriteOp(QStringLiteral("q"));
                        WriteOp(PdfColorStr(clHighlight) + QStringLiteral(" rg"));
                        WriteOp(Fixed2(x) + u' ' + Fixed2(y - 0.2 * s) + u' ' + Fixed2(width * 0.75) + u' '
                                + Fixed2(LH * 0.75) + QStringLiteral(" re"));
                        WriteOp(QStringLiteral("f"));
                        WriteOp(QStringLiteral("Q"));
                    }

                    WriteOp(QStringLiteral("BT"));
                    WriteOp(fontSize);
                    WriteOp(QStringLiteral("[] 0 d"));
                    WriteOp((i == highlightIndex ? PdfColorStr(clHighlightText) : textColor) + QStringLiteral(" rg"));
                    if (lineCs != 0)
                        WriteOp(Fixed2(lineCs) + QStringLiteral(" Tc"));
                    WriteOp(Fixed2(x) + u' ' + Fixed2(y) + QStringLiteral(" Td"));
                    if (!italic.isEmpty())
                        WriteOp(italic + u' ' + PairToStr(3, x, y) + QStringLiteral(" Tm"));
                    if (!bold.isEmpty())
                        WriteOp(bold);
                    if (justified)
                        WriteOp(QStringLiteral("[<") + QString::fromLatin1(SpacedGlyphsToTJ(rs.Data, adjust))
                                + QStringLiteral(">] TJ"));
                    else
                        WriteOp(u'<' + QString::fromLatin1(GlyphsToHex(rs.Data)) + QStringLiteral("> Tj"));
                    WriteOp(QStringLiteral("ET"));
                    if (!bold.isEmpty())
                        WriteOp(QStringLiteral("0 Tr"));

                    const QString xEnd = Fixed2(x + lineWidth * 0.75);
                    if (font.Style().testFlag(TvdFont::fsUnderline)) {
                        const QString yl = Fixed2(y + s * -0.12);
                        WriteOp(QStringLiteral("[] 0 d"));
                        WriteOp(textColor + QStringLiteral(" RG"));
                        WriteOp(Fixed2(s * 0.08) + QStringLiteral(" w"));
                        WriteOp(Fixed2(x) + u' ' + yl + QStringLiteral(" m"));
                        WriteOp(xEnd + u' ' + yl + QStringLiteral(" l"));
                        WriteOp(QStringLiteral("S"));
                    }
                    if (font.Style().testFlag(TvdFont::fsStrikeOut)) {
                        const QString yl = Fixed2(y + s * 0.28);
                        WriteOp(textColor + QStringLiteral(" RG"));
                        WriteOp(Fixed2(s * kStrikeWidth) + QStringLiteral(" w"));
                        WriteOp(Fixed2(x) + u' ' + yl + QStringLiteral(" m"));
                        WriteOp(xEnd + u' ' + yl + QStringLiteral(" l"));
                        WriteOp(QStringLiteral("S"));
                    }
                }
            }
        }
        WriteOp(inField ? QStringLiteral("EMC") : QStringLiteral("Q"));
    }
    if (!inField)
        WriteFrame(view->Frame(), ViewToPdfRect(view));
    return result;
}

void TvdxPDFExport::WriteVectorText(TvdxView *view)
{
    auto *memo = qobject_cast<TvdxCustomMemoView *>(view);
    if (!memo || !memo->Font())
        return;
    WriteOp(QStringLiteral("q"));
    const std::unique_ptr<TVectorCanvas> vc(memo->GetVectorCanvas());
    for (int i = 0; vc && i < vc->Count(); ++i)
        if (IsVectorTextRecord(vc->Items(i)))
            WriteVectorTextRun(memo, *vc->Items(i));
    WriteOp(QStringLiteral("Q"));
}

void TvdxPDFExport::WriteVectorTextRun(TvdxCustomMemoView *memo, const TVector_ExtTextOut &run)
{
    if (run.Str().isEmpty())
        return;
    WriteOp(QStringLiteral("%--Vector Begin"));
    WriteOp(QStringLiteral("q"));
    if (run.Options() & 4)
        TextClip(memo);
    const TvdFont &font = *memo->Font();
    const int fontIndex = GetObjFontNumber(m_doc.POH(), m_doc.Fonts(), font);
    TvdxPDFFont &pdfFont = *m_doc.Fonts().Get(fontIndex);
    pdfFont.Update(pdfFont, font);
    const double s = font.Size();
    const double theta = memo->ReducedAngle() * kPi / 180;
    // The recording is laid out at the view's place on the page already.
    QPointF p = PdfPoint(run.X() + 1.2 * s * std::sin(theta), run.Y() + 1.2 * s * std::cos(theta));
    if (memo->ReducedAngle() != 0) {
        TRotation2D rotation;
        rotation.Init(theta, PdfPoint(run.X(), run.Y()), 3);
        WriteOp(rotation.Matrix() + QStringLiteral(" cm"));
        p = rotation.Turn(p);
    }
    const double size = PDFFontSize(font);
    WriteOp(QStringLiteral("BT"));
    WriteOp(QString::fromLatin1(pdfFont.Name) + u' ' + fixed3(size) + QStringLiteral(" Tf"));
    WriteOp(PdfColorStr(font.Color() == clNone ? clBlack : font.Color()) + QStringLiteral(" rg"));
    const QString point = PointToStr(p, 3);
    WriteOp(point + QStringLiteral(" Td"));
    const TRemapedString rs = pdfFont.SoftRemapString(run.Str(), (run.Options() & 128) != 0, false);
    const QString italic = ItalicSimulation(font);
    const QString bold = BoldSimulation(font);
    if (!italic.isEmpty())
        WriteOp(italic + u' ' + point + QStringLiteral(" Tm"));
    if (!bold.isEmpty())
        WriteOp(bold);
    if (rs.Data.size() < 2 || rs.SpacesCount == 0) {
        WriteOp(u'<' + QString::fromLatin1(GlyphsToHex(rs.Data)) + QStringLiteral("> Tj"));
    } else {
        const double adjust = pdfFont.SpaceAdjustment(rs, run.TextLength() * 0.75, size);
        WriteOp(QStringLiteral("[<") + QString::fromLatin1(SpacedGlyphsToTJ(rs.Data, adjust)) + QStringLiteral(">] TJ"));
    }
    WriteOp(QStringLiteral("ET"));
    if (!bold.isEmpty())
        WriteOp(QStringLiteral("0 Tr"));
    const bool underline = font.Style().testFlag(TvdFont::fsUnderline);
    const bool strike = font.Style().testFlag(TvdFont::fsStrikeOut);
    if (underline || strike) {
        WriteOp(QStringLiteral("[] 0 d"));
        WriteOp(PdfColorStr(font.Color() == clNone ? clBlack : font.Color()) + QStringLiteral(" RG"));
        const QString x1 = FloatToPDFStr(3, p.x()), x2 = FloatToPDFStr(3, p.x() + run.TextLength() * 0.75);
        auto line = [&](double width, double dy) {
            const QString y = FloatToPDFStr(3, p.y() + dy * size);
            WriteOp(Fixed2(size * width) + QStringLiteral(" w"));
            WriteOp(x1 + u' ' + y + QStringLiteral(" m"));
            WriteOp(x2 + u' ' + y + QStringLiteral(" l"));
            WriteOp(QStringLiteral("S"));
        };
        if (underline)
            line(0.08, -0.12);
        if (strike)
            line(kStrikeWidth, 0.28);
    }
    WriteOp(QStringLiteral("Q"));
    WriteOp(QStringLiteral("%--Vector End"));
}
