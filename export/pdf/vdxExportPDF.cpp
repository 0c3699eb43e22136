#include "export/pdf/vdxExportPDF.h"

#include "core/vdxRes.h"
#include "export/pdf/emf/vdxPDFViewPictures.h"
#include "export/pdf/vdxExportHelpers.h"
#include "report/vdxClass_frame.h"
#include "report/vdxClass_hyperlink.h"
#include "report/vdxClass_line.h"
#include "report/vdxClass_memo.h"
#include "report/vdxClass_picture.h"
#include "report/vdxClass_report.h"
#include "report/vdxClass_shape.h"
#include "report/vdxClass_signature.h"

#include <QBuffer>
#include <cmath>

namespace {

// Points per millimetre for the page rectangle.
constexpr double kPointsPerMM = 2.8346456692913384;

double finiteOr0(double v) { return std::isfinite(v) ? v : 0; }

double pageNumber(TvdxComponent *page, const char *name)
{
    return page ? finiteOr0(page->property(name).toDouble()) : 0;
}

// Removes the export marks from a view however its export ends.
class ExportingMark {
public:
    ExportingMark(TvdxComponent *c, bool forms) : m_c(c)
    {
        auto s = c->vdComponentState() | TvdxComponent::csVdxExporting;
        if (forms)
            s |= TvdxComponent::csVdxInteractiveForms;
        c->SetvdComponentState(s);
    }
    ~ExportingMark()
    {
        auto s = m_c->vdComponentState();
        s &= ~TvdxComponent::TvdxComponentState(TvdxComponent::csVdxExporting | TvdxComponent::csVdxInteractiveForms);
        m_c->SetvdComponentState(s);
    }
    ExportingMark(const ExportingMark &) = delete;
    ExportingMark &operator=(const ExportingMark &) = delete;

private:
    TvdxComponent *m_c;
};

} // namespace

TvdxPDFExport::TvdxPDFExport(TvdComponent *owner, bool noRegister) : TvdxBaseDialogExportFilter(owner, noRegister)
{
    SetDefaultExt(QStringLiteral(".pdf"));
    SetFilterDesc(GetResStr(8707));
    m_doc.OnWriteFontObjects = [this] { WriteFontObjects(); };
}

TvdxPDFExport::~TvdxPDFExport()
{
    m_doc.OnWriteFontObjects = nullptr;
    ReleaseOutput(false);
}

QString TvdxPDFExport::GetDescription() { return GetResStrByName(QStringLiteral("PDFexport")); }

// ---- properties --------------------------------------------------------------------------

void TvdxPDFExport::SetEmbeddedFonts(bool v) { FEmbeddedFonts = v || IsPDFA(); }

void TvdxPDFExport::SetInteractiveForms(bool v)
{
    const TPDFVersion ver = PDFVersion();
    FInteractiveForms = v && ver != TPDFVersion::pv14 && FPDFStandard == TPDFStandard::psNone;
}

void TvdxPDFExport::SetTransparency(bool v) { m_doc.Options().Transparency = v && !IsPDFA_1(); }

void TvdxPDFExport::SetPDFVersion(TPDFVersion v)
{
    if (!IsPDFA())
        m_doc.Options().PDFVersion = v;
}

void TvdxPDFExport::SetPDFStandard(TPDFStandard s)
{
    FPDFStandard = s;
    if (IsPDFA_1())
        m_doc.Options().PDFVersion = TPDFVersion::pv14;
    else if (IsPDFA())
        m_doc.Options().PDFVersion = TPDFVersion::pv17;
    if (IsPDFA())
        FEmbeddedFonts = true;
    if (IsPDFA_1())
        m_doc.Options().Transparency = false;
    FPdfA = IsPDFA();
}

void TvdxPDFExport::SetPdfA(bool v) { SetPDFStandard(v ? TPDFStandard::psPDFA_2a : TPDFStandard::psNone); }

// ---- geometry ------------------------------------------------------------------------------

QString TvdxPDFExport::PdfPointStr(double x, double y) const { return PointToStr(PdfPoint(x, y), 3); }

QString TvdxPDFExport::PdfLengthStr(double length) { return FloatToPDFStr(3, ToPoints(length)); }

TPdfRect TvdxPDFExport::ViewToPdfRect(TvdxView *view) const
{
    const double l = double(view->AbsLeft()), t = double(view->AbsTop());
    const double shadow = view->ShadowSize();
    return TPdfRect{PdfX(l), PdfY(t), PdfX(l + double(view->Width()) - shadow),
                    PdfY(t + double(view->Height()) - shadow)};
}

TPdfRect TvdxPDFExport::ViewFrameRect(TvdxView *view, bool inner) const
{
    TvdxFrame *frame = view->Frame();
    const auto typ = frame->Typ();
    // How far a drawn side moves, in pixels: out by half the line, in by all of it.
    auto allowance = [&](TvdxFrameLine *line, TvdxFrame::TvdxFrameType side) -> double {
        if (!typ.testFlag(side))
            return 0;
        const double w = line->Width();
        const bool dbl = line->Style() == TvdxFrameLine::fsDouble;
        if (inner)
            return -(dbl ? 2 * w + 0.3 : w);
        return dbl ? 1.5 * w + 0.3 : w / 2;
    };
    const double aL = allowance(frame->LeftLine(), TvdxFrame::ftLeft);
    const double aT = allowance(frame->TopLine(), TvdxFrame::ftTop);
    const double aR = allowance(frame->RightLine(), TvdxFrame::ftRight);
    const double aB = allowance(frame->BottomLine(), TvdxFrame::ftBottom);
    const double shadow = view->ShadowSize();
    const double l = double(view->AbsLeft()), t = double(view->AbsTop());
    return TPdfRect{PdfX(l - aL), PdfY(t - aT), PdfX(l + double(view->Width()) + aR - shadow),
                    PdfY(t + double(view->Height()) + aB - shadow)};
}

// ---- which writer --------------------------------------------------------------------------

bool TvdxPDFExport::IsInteractiveField(TvdxView *view) const
{
    return FInteractiveForms && view->Editable().testFlag(TvdxComponent::ferAllowInExport)
           && (view->inherits("TvdxCustomMemoView") || view->inherits("TvdxCheckBoxView")
               || view->inherits("TvdxListBoxView") || view->inherits("TvdxComboBoxView"));
}

bool TvdxPDFExport::IsPlainTextMemo(TvdxView *view)
{
    auto *memo = qobject_cast<TvdxCustomMemoView *>(view);
    return memo && memo->ReducedAngle() == 0 && memo->CharSpacing() == 0
           && !(memo->AllowHTMLTags() && HasSupportedTag(memo->Text()));
}

TvdxPDFViewWriter TvdxPDFExport::ViewWriterFor(TvdxView *view) const
{
    using W = TvdxPDFViewWriter;
    const bool field = IsInteractiveField(view);
    if (view->inherits("TvdxCustomListControlView") && field)
        return W::vwChoiceField;
    const bool emf = view->IsEMFExportable();
    if (view->inherits("TvdxListBoxView") && !emf)
        return W::vwListBoxText;
    if (view->inherits("TvdxComboBoxView") && !emf)
        return W::vwComboBoxText;
    if (IsPlainTextMemo(view))
        return W::vwText;
    if (qobject_cast<TvdxCustomLineView *>(view))
        return W::vwLine;
    if (qobject_cast<TvdxShapeView *>(view))
        return W::vwShape;
    if (qobject_cast<TvdxDigitalSignatureView *>(view))
        return W::vwSignature;
    const bool checkBox = view->inherits("TvdxCheckBoxView");
    if (emf) {
        if (field && qobject_cast<TvdxCustomMemoView *>(view))
            return W::vwTextField;
        if (field && checkBox)
            return W::vwCheckBoxField;
        return W::vwMetafile;
    }
    if (checkBox)
        return field ? W::vwCheckBoxField : W::vwCheckBox;
    auto *picture = qobject_cast<TvdxPictureView *>(view);
    if (picture && view->Name() == QLatin1String("_pagebackground") && !(FBackground && m_page.FBackPictureVisible))
        return W::vwNone;
    if (view->Width() == 0 || view->Height() == 0)
        return W::vwNone;
    if (picture && view->Editable().testFlag(TvdxComponent::ferAllowInExport))
        return W::vwImageButton;
    return W::vwPicture;
}

// ---- the run -------------------------------------------------------------------------------

bool TvdxPDFExport::Start()
{
    ReleaseOutput(false);
    FPageOpen = false;
    if (FileName().isEmpty() && !Stream())
        return false;
    if (IsPDFA())
        FEmbeddedFonts = true;
    try {
        if (Stream()) {
            m_pdf = Stream();
        } else {
            FTransport = IOTransport() ? IOTransport() : DefaultIOTransport();
            FTransport->FilterAccess = faWrite;
            m_pdf = FTransport->GetStream(FileName());
            if (!m_pdf)
                throw EPDFExportError(QStringLiteral("Cannot create the file \"%1\"").arg(FileName()));
        }
        m_doc.Start(m_pdf);
        m_doc.POH().FEmbedded = FEmbeddedFonts;
        m_doc.POH().FQuality = FQuality;
    } catch (const Exception &e) {
        // The export loop only learns False; the reason goes to the error list.
        if (Report())
            Report()->AddError(e.message());
        ReleaseOutput(false);
        return false;
    }
    FLastColor = clNone;
    FLastColorResult.clear();
    return true;
}

void TvdxPDFExport::StartPage(TvdxComponent *page, int index)
{
    if (!m_pdf)
        return;
    const double w = page ? finiteOr0(double(page->Width())) : 0;
    const double h = page ? finiteOr0(double(page->Height())) : 0;
    m_doc.StartPage(w, h);
    FPageOpen = true;

    m_page = TvdxPDFPage();
    if (page) {
        m_page.FBackPictureVisible = page->property("BackPictureVisible").toBool();
        m_page.FBackPictureStretched = page->property("BackPictureStretched").toBool();
    }
    FWidth = w * 0.75;
    FHeight = h * 0.75;
    m_page.FHeight = FHeight;
    const double left = pageNumber(page, "LeftMargin"), right = pageNumber(page, "RightMargin");
    const double top = pageNumber(page, "TopMargin"), bottom = pageNumber(page, "BottomMargin");
    // The export loop has moved the page to its margins already; this is on top.
    FMarginLeft = left * 0.05;
    FMarginTop = top * 0.05;
    const bool mirror = page && page->property("MirrorMargins").toBool() && index % 2 == 1;
    const double pl = mirror ? right : left, pr = mirror ? left : right;
    FPageRect = TPdfRect{pl * kPointsPerMM + 0.5, FHeight - top * kPointsPerMM, FWidth - pr * kPointsPerMM + 0.5,
                         bottom * kPointsPerMM};

    if (!page)
        return;
    if (FBackground) {
        const QVariant color = page->property("Color");
        if (color.isValid() && TColor(color.toInt()) != clNone)
            WritePageBackground(FPageRect, TColor(color.toInt()));
    }
    if (auto *frame = page->property("Frame").value<TvdxFrame *>())
        WriteFrame(frame, FPageRect);
}

void TvdxPDFExport::ExportObject(TvdxComponent *obj)
{
    auto *view = qobject_cast<TvdxView *>(obj);
    if (!view || !FPageOpen)
        return;
    if (!((ExportNotPrintable() && !view->Printable()) || view->Visibility().testFlag(TvdxView::vsExport)))
        return;
    ExportingMark mark(view, FInteractiveForms);
    ExportView(view);
}

void TvdxPDFExport::ExportView(TvdxView *view)
{
    const TPdfRect r = ViewToPdfRect(view);
    stLeft = Fixed2(r.Left);
    stTop = Fixed2(r.Top);
    stRight = Fixed2(r.Right);
    stBottom = Fixed2(r.Bottom);
    stRect = u'[' + stLeft + u' ' + stBottom + u' ' + stRight + u' ' + stTop + u']';
    if (!view->Hyperlink()->Value().isEmpty() || !view->URL().isEmpty())
        AddLinks(view);

    const TvdxPDFViewWriter writer = ViewWriterFor(view);
    switch (writer) {
    case TvdxPDFViewWriter::vwLine: WriteLineView(static_cast<TvdxCustomLineView *>(view)); break;
    case TvdxPDFViewWriter::vwShape: WriteShapeView(static_cast<TvdxShapeView *>(view)); break;
    case TvdxPDFViewWriter::vwTextField:
        WriteFill(view);
        WriteViewBy(writer, view);
        WriteFrame(view->Frame(), r);
        break;
    case TvdxPDFViewWriter::vwNone: break;
    default: WriteViewBy(writer, view); break;
    }
}

void TvdxPDFExport::WriteViewBy(TvdxPDFViewWriter writer, TvdxView *view)
{
    switch (writer) {
    case TvdxPDFViewWriter::vwText: WriteText(view); break;
    case TvdxPDFViewWriter::vwPicture: OutPicture(*this, m_doc, view); break;
    case TvdxPDFViewWriter::vwMetafile: DrawViewAsMetafile(*this, m_doc, view, false); break;
    default: break;
    }
}

void TvdxPDFExport::AddLinks(TvdxView *view) { Q_UNUSED(view) }

void TvdxPDFExport::WriteFontObjects()
{
    TPDFGLobalFonts &fonts = m_doc.Fonts();
    for (int i = 0; i < fonts.Count(); ++i)
        ::WriteFontObjects(m_doc.POH(), *fonts.Get(i), Compressed());
}

void TvdxPDFExport::FinishPage(TvdxComponent *page, int index)
{
    Q_UNUSED(page)
    Q_UNUSED(index)
    if (!FPageOpen)
        return;
    FPageOpen = false;
    m_doc.FinishPage();
}

void TvdxPDFExport::Finish()
{
    if (!m_pdf)
        return;
    FPageOpen = false;
    try {
        m_doc.Finish();
    } catch (...) {
        ReleaseOutput(false);
        throw;
    }
    ReleaseOutput(true);
}

void TvdxPDFExport::ClearResources()
{
    TvdxBaseDialogExportFilter::ClearResources();
    ReleaseOutput(false);
    FPageOpen = false;
}

void TvdxPDFExport::ReleaseOutput(bool commit)
{
    QIODevice *o = m_pdf;
    TvdxCustomIOTransport *transport = FTransport;
    m_pdf = nullptr;
    FTransport = nullptr;
    if (!o || !transport)
        return; // a caller's stream stays the caller's
    // A file transport commits the file here and raises when it cannot.
    if (!commit || !transport->DoFilterProcessStream(o, this))
        transport->FreeStream(o);
}

QByteArray TvdxPDFExport::PageContent() const
{
    if (!FPageOpen)
        return QByteArray();
    auto *buffer = qobject_cast<QBuffer *>(&const_cast<TvdxPDFDocument &>(m_doc).OutStream());
    return buffer ? buffer->data() : QByteArray();
}
