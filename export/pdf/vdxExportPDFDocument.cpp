#include "export/pdf/vdxExportPDFDocument.h"

#include "core/vdHashUtils.h"
#include "export/pdf/emf/vdxPDFImages.h"
#include "core/vdUtils.h"

#include <QUuid>
#include <cstdlib>

QString PDFVersionText(TPDFVersion version)
{
    switch (version) {
    case TPDFVersion::pv14: return QStringLiteral("1.4");
    case TPDFVersion::pv15: return QStringLiteral("1.5");
    case TPDFVersion::pv16: return QStringLiteral("1.6");
    case TPDFVersion::pv17: return QStringLiteral("1.7");
    }
    return QStringLiteral("1.7");
}

QString TimeZoneSuffix(const QString &separator, int biasMinutes)
{
    const QChar sign = biasMinutes > 0 ? u'-' : u'+';
    const int bias = std::abs(biasMinutes);
    const QString hh = QString::number(bias / 60).rightJustified(2, u'0');
    const QString mm = QString::number(bias % 60).rightJustified(2, u'0');
    if (separator == u"'")
        return sign + hh + u'\'' + mm + u'\'';
    return sign + hh + separator + mm;
}

QString TimeZoneSuffix(const QString &separator, const QDateTime &localTime)
{
    // The current offset already holds daylight saving when it applies.
    const int bias = localTime.isValid() ? -localTime.offsetFromUtc() / 60 : 0;
    return TimeZoneSuffix(separator, bias);
}

QString NewDocumentID()
{
    return QUuid::createUuid().toString(QUuid::WithBraces).toUpper();
}

// ---- Document --------------------------------------------------------------------------

TvdxPDFDocument::TvdxPDFDocument()
    : FPOH(std::make_unique<TPDFObjectsHelper>()), FXObjects(std::make_unique<TvdxPDFXObjectArray>())
{
    FPOH->FXObjects = FXObjects.get();
}

TvdxPDFDocument::~TvdxPDFDocument() = default;

void TvdxPDFDocument::Start(QIODevice *stream, const QDateTime &now)
{
    if (!stream || !stream->isWritable())
        throw EPDFExportError(QStringLiteral("No writable output stream for the PDF document"));
    m_pdf = stream;

    // Per-document state.
    m_outStream.reset();
    m_pageAnnots = nullptr;
    FPageAnnotsArray = std::make_unique<TPageByPageReferenceArray>();
    FPageXObjectsArray = std::make_unique<TPageByPageReferenceArray>();
    FPageFontsArray = std::make_unique<TPageByPageReferenceArray>();
    FPatternsArray = std::make_unique<TPageByPageReferenceArray>();
    FPagesRef.Clear();
    m_fonts.Clear();
    FCurrentPageIndex = -1;
    FFirstNextId = 1;
    FPOH->Clear();
    FXObjects->Clear();
    FPOH->FpdfStream = stream;
    FPOH->FPageFonts = FPOH->FPatterns = FPOH->FPageXObjects = nullptr;
    FPOH->FEncryptor = m_encryptor;
    FPOH->FProtection = m_encryptor != nullptr;

    FDateTime = now;
    FCreationDateTime = now.toString(QStringLiteral("yyyyMMddHHmmss")) + TimeZoneSuffix(QStringLiteral("'"), now);
    FCreationDateTimeMeta = now.toString(QStringLiteral("yyyy-MM-dd")) + u'T' + now.toString(QStringLiteral("HH:mm:ss"))
                            + TimeZoneSuffix(QStringLiteral(":"), now);
    FID = NewDocumentID();
    FFileID = MD5HexOfString(FID.toLatin1());

    WriteLine(pdf(), "%PDF-" + PDFVersionText(m_options.PDFVersion).toLatin1());
    WriteLine(pdf(), QByteArray("%\xE2\xE3\xCF\xD3"));
    FPOH->CRS().SetNextId(FFirstNextId);
    FPageTreeNo = FPOH->UpdateXRef();
}

int TvdxPDFDocument::StartPage(double widthPx, double heightPx)
{
    if (!m_pdf)
        throw EPDFExportError(QStringLiteral("The PDF document was not started"));
    if (m_outStream)
        FinishPage();
    ++FCurrentPageIndex;
    FCurrentPageNo = FPOH->UpdateXRef();

    m_pageAnnots = new TReferenceArray;
    FPageAnnotsArray->SetData(FCurrentPageIndex, m_pageAnnots);
    auto *xobjects = new TReferenceArray;
    FPageXObjectsArray->SetData(FCurrentPageIndex, xobjects);
    auto *fonts = new TReferenceArray;
    FPageFontsArray->SetData(FCurrentPageIndex, fonts);
    auto *patterns = new TReferenceArray;
    FPatternsArray->SetData(FCurrentPageIndex, patterns);
    FPOH->FPageXObjects = xobjects;
    FPOH->FPageFonts = fonts;
    FPOH->FPatterns = patterns;

    FWidth = widthPx * 0.75;
    FHeight = heightPx * 0.75;
    m_outStream = std::make_unique<QBuffer>();
    m_outStream->open(QIODevice::ReadWrite);
    return FCurrentPageIndex;
}

void TvdxPDFDocument::FinishPage()
{
    if (!m_outStream)
        throw EPDFExportError(QStringLiteral("No PDF page was started"));
    const int32_t contentNo = FPOH->UpdateXRef();
    FPageAnnotsArray->SetContents(FCurrentPageIndex, contentNo);
    WriteLine(pdf(), ObjHeader(contentNo));
    m_outStream->seek(0);
    WriteStream(pdf(), std::move(m_outStream), false, true, true, m_encryptor, m_options.Compressed, contentNo);

    FPOH->CRS().SetOffset(FCurrentPageNo, int32_t(pdf().pos()));
    FPagesRef.Add(FCurrentPageNo);

    WriteLine(pdf(), ObjHeader(FCurrentPageNo));
    WriteLine(pdf(), "<<");
    WriteLine(pdf(), "/Type /Page");
    WriteLine(pdf(), "/MediaBox [0 0 " + FloatToFixedStr(FWidth, 2, u'.') + u' ' + FloatToFixedStr(FHeight, 2, u'.')
                         + QStringLiteral(" ]"));
    WriteLine(pdf(), "/Parent " + ObjRef(FPageTreeNo));
    if (m_options.Transparency)
        WriteLine(pdf(), "/Group << /Type /Group /S /Transparency /CS /DeviceRGB >>");
    WriteLine(pdf(), "/Resources << ");
    OutPageFonts(pdf(), FPageFontsArray->GetData(FCurrentPageIndex), m_fonts);
    OutPageXObjects(pdf(), *FPOH);
    OutPagePatterns(pdf(), *FPOH);
    WriteLine(pdf(), "/ProcSet [/PDF /Text /ImageC ]");
    WriteLine(pdf(), ">>");
    WriteLine(pdf(), "/Contents " + ObjRef(contentNo));
    m_pageAnnots->WriteAsArray(pdf(), "/Annots");
    WriteLine(pdf(), ">>");
    WriteLine(pdf(), "endobj");
    m_pageAnnots = nullptr;
    FPOH->FPageFonts = FPOH->FPatterns = FPOH->FPageXObjects = nullptr;
}

void TvdxPDFDocument::Finish()
{
    if (!m_pdf)
        throw EPDFExportError(QStringLiteral("The PDF document was not started"));
    // A page left open by a failing writer is closed so the file stays whole.
    if (m_outStream)
        FinishPage();
    if (OnWriteFontObjects)
        OnWriteFontObjects();
    WritePageTree();
    WriteInfoDictionary();
    FEncryptNo = 0;
    if (m_encryptor) {
        FEncryptNo = FPOH->UpdateXRef();
        m_encryptor->WriteEncryptDictionary(pdf(), FEncryptNo);
    }
    WriteCatalog();

    FStartXRef = int32_t(pdf().pos());
    TCrossReferenceSection &crs = FPOH->CRS();
    crs.PrepareToOut();
    crs.WriteTo(pdf());

    WriteLine(pdf(), "trailer");
    WriteLine(pdf(), "<<");
    WriteLine(pdf(), "/Size " + QByteArray::number(crs.NextId()));
    WriteLine(pdf(), "/Root " + ObjRef(FCatalogDictionaryNo));
    WriteLine(pdf(), "/Info " + ObjRef(FInformationDictionaryNo));
    const QByteArray id = FFileID.toLatin1();
    WriteLine(pdf(), "/ID [<" + id + "><" + id + ">]");
    if (FEncryptNo != 0)
        WriteLine(pdf(), "/Encrypt " + ObjRef(FEncryptNo));
    WriteLine(pdf(), ">>");
    WriteLine(pdf(), "startxref");
    WriteLine(pdf(), QByteArray::number(FStartXRef));
    WriteLine(pdf(), "%%EOF");
    m_pdf = nullptr;
    FPOH->FpdfStream = nullptr;
    m_fonts.Clear();
}

void TvdxPDFDocument::WritePageTree()
{
    FPOH->CRS().SetOffset(FPageTreeNo, int32_t(pdf().pos()));
    WriteLine(pdf(), ObjHeader(FPageTreeNo));
    WriteLine(pdf(), "<<");
    WriteLine(pdf(), "/Type /Pages");
    FPagesRef.WriteAsArray(pdf(), "/Kids");
    WriteLine(pdf(), "/Count " + QByteArray::number(FPagesRef.Count()));
    WriteLine(pdf(), ">>");
    WriteLine(pdf(), "endobj");
}

QByteArray TvdxPDFDocument::PdfDateString() const
{
    return HexAnsiString("D:" + FCreationDateTime.toLatin1(), FInformationDictionaryNo, m_encryptor);
}

void TvdxPDFDocument::WriteInfoDictionary()
{
    FInformationDictionaryNo = FPOH->UpdateXRef();
    const int32_t no = FInformationDictionaryNo;
    WriteLine(pdf(), ObjHeader(no));
    WriteLine(pdf(), "<<");
    WriteLine(pdf(), "/Title " + HexUnicodeString(m_options.Title, no, m_encryptor));
    WriteLine(pdf(), "/Author " + HexUnicodeString(m_options.Author, no, m_encryptor));
    WriteLine(pdf(), "/Subject " + HexUnicodeString(m_options.Subject, no, m_encryptor));
    WriteLine(pdf(), "/Keywords " + HexUnicodeString(m_options.Keywords, no, m_encryptor));
    WriteLine(pdf(), "/Creator " + HexUnicodeString(m_options.Creator, no, m_encryptor));
    WriteLine(pdf(), "/Producer " + HexUnicodeString(m_options.Producer, no, m_encryptor));
    const QByteArray date = PdfDateString();
    WriteLine(pdf(), "/CreationDate " + date);
    WriteLine(pdf(), "/ModDate " + date);
    WriteLine(pdf(), ">>");
    WriteLine(pdf(), "endobj");
}

void TvdxPDFDocument::WriteCatalog()
{
    FCatalogDictionaryNo = FPOH->UpdateXRef();
    WriteLine(pdf(), ObjHeader(FCatalogDictionaryNo));
    WriteLine(pdf(), "<<");
    WriteLine(pdf(), "/Type /Catalog");
    WriteLine(pdf(), "/Version /" + PDFVersionText(m_options.PDFVersion).toLatin1());
    WriteLine(pdf(), "/MarkInfo << /Marked true >>");
    WriteLine(pdf(), "/Pages " + ObjRef(FPageTreeNo));
    if (m_options.Outline) {
        WriteLine(pdf(), "/PageMode /UseOutlines");
        // Outline items are not written yet: object 0 reads as null.
        WriteLine(pdf(), "/Outlines " + ObjRef(0));
    } else {
        WriteLine(pdf(), "/PageMode /UseNone");
    }
    WriteLine(pdf(), "/ViewerPreferences <<");
    if (!m_options.Title.isEmpty())
        WriteLine(pdf(), "/DisplayDocTitle true");
    if (m_options.HideToolbar)
        WriteLine(pdf(), "/HideToolbar true");
    if (m_options.HideMenubar)
        WriteLine(pdf(), "/HideMenubar true");
    if (m_options.HideWindowUI)
        WriteLine(pdf(), "/HideWindowUI true");
    if (m_options.FitWindow)
        WriteLine(pdf(), "/FitWindow true");
    if (m_options.CenterWindow)
        WriteLine(pdf(), "/CenterWindow true");
    if (!m_options.PrintScaling)
        WriteLine(pdf(), "/PrintScaling /None");
    WriteLine(pdf(), ">>");
    WriteLine(pdf(), ">>");
    WriteLine(pdf(), "endobj");
}
