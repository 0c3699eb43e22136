// The structure of a PDF file: header, identity and dates, page objects,
// page tree, information dictionary, catalog, cross-reference table and
// trailer. The export filter drives it; page content is written by others
// into each page's content stream.
#pragma once
#include "export/pdf/vdxExportPDFFonts.h"
#include "export/pdf/vdxExportPDFHelpers.h"

#include <QBuffer>
#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>

enum class TPDFVersion { pv14, pv15, pv16, pv17 };
// "1.4" to "1.7".
QString PDFVersionText(TPDFVersion version);

// "+01'00'" with the separator "'", "+01:00" with ":"; BiasMinutes counts
// minutes west of UTC.
QString TimeZoneSuffix(const QString &separator, int biasMinutes);
// The same for the zone of a local time.
QString TimeZoneSuffix(const QString &separator, const QDateTime &localTime);
// A new GUID as 38 characters with braces, upper-case hex.
QString NewDocumentID();

// What the document-level objects read from the filter's properties.
struct TvdxPDFDocumentOptions {
    TPDFVersion PDFVersion = TPDFVersion::pv17;
    bool Compressed = true;
    bool Transparency = true;
    bool Outline = false;
    QString Title;
    QString Author = QStringLiteral("Vendari");
    QString Subject = QStringLiteral("Vendari PDF export");
    QString Keywords;
    QString Creator = QStringLiteral("Vendari");
    QString Producer;
    bool HideToolbar = false;
    bool HideMenubar = false;
    bool HideWindowUI = false;
    bool FitWindow = false;
    bool CenterWindow = false;
    bool PrintScaling = false;
};

class TvdxPDFDocument {
public:
    TvdxPDFDocument();
    ~TvdxPDFDocument();
    TvdxPDFDocument(const TvdxPDFDocument &) = delete;
    TvdxPDFDocument &operator=(const TvdxPDFDocument &) = delete;

    TvdxPDFDocumentOptions &Options() { return m_options; }
    const TvdxPDFDocumentOptions &Options() const { return m_options; }

    // Begins a document on Stream (not owned, open for writing): identity,
    // dates, header and the page tree's number. Now is the local time.
    void Start(QIODevice *stream, const QDateTime &now = QDateTime::currentDateTime());
    // Size in report pixels (96 per inch). Returns the zero-based page index.
    int StartPage(double widthPx, double heightPx);
    // The current page's content; valid between StartPage and FinishPage.
    QIODevice &OutStream() { return *m_outStream; }
    void FinishPage();
    // Ends the file. The stream stays open and owned by the caller.
    void Finish();

    // Page-level sets of the current page, for the content writers.
    TReferenceArray *PageAnnots() const { return m_pageAnnots; }
    TPDFObjectsHelper &POH() { return *FPOH; }
    // The document's fonts; emptied by Start and after Finish.
    TPDFGLobalFonts &Fonts() { return m_fonts; }

    // Identity and time of the current document.
    const QDateTime &DateTime() const { return FDateTime; }
    const QString &CreationDateTime() const { return FCreationDateTime; }
    const QString &CreationDateTimeMeta() const { return FCreationDateTimeMeta; }
    const QString &ID() const { return FID; }
    const QString &FileID() const { return FFileID; }
    int PageCount() const { return FPagesRef.Count(); }

    // Encryption hook (not owned): when set before Start, strings and streams
    // are encrypted and the encryptor writes its dictionary at Finish.
    void SetEncryptor(const TPDFObjectEncryptor *encryptor) { m_encryptor = encryptor; }

    // Called by Finish before the page tree: the fonts' objects go there.
    std::function<void()> OnWriteFontObjects;

private:
    void WritePageTree();
    void WriteInfoDictionary();
    void WriteCatalog();
    QByteArray PdfDateString() const;
    QIODevice &pdf() const { return *m_pdf; }

    TvdxPDFDocumentOptions m_options;
    std::unique_ptr<TPDFObjectsHelper> FPOH;
    TPDFGLobalFonts m_fonts;
    std::unique_ptr<TvdxPDFXObjectArray> FXObjects;
    QIODevice *m_pdf = nullptr;
    const TPDFObjectEncryptor *m_encryptor = nullptr;

    std::unique_ptr<QBuffer> m_outStream;
    TReferenceArray *m_pageAnnots = nullptr;
    std::unique_ptr<TPageByPageReferenceArray> FPageAnnotsArray;
    std::unique_ptr<TPageByPageReferenceArray> FPageXObjectsArray;
    std::unique_ptr<TPageByPageReferenceArray> FPageFontsArray;
    std::unique_ptr<TPageByPageReferenceArray> FPatternsArray;
    TReferenceArray FPagesRef;

    double FWidth = 0;
    double FHeight = 0;
    int32_t FPageTreeNo = 0;
    int32_t FCurrentPageNo = 0;
    int FCurrentPageIndex = -1;
    int32_t FInformationDictionaryNo = 0;
    int32_t FCatalogDictionaryNo = 0;
    int32_t FEncryptNo = 0;
    int32_t FStartXRef = 0;
    int32_t FFirstNextId = 1;

    QDateTime FDateTime;
    QString FCreationDateTime;
    QString FCreationDateTimeMeta;
    QString FID;
    QString FFileID;
};
