// The PDF export filter: one PDF file per export, one page per prepared page.
// It owns the document structure for the export and writes each view's
// graphics into the page content; text, pictures, metafile replay, form
// fields, links and signatures go to the writers of their own (the
// WriteViewBy and AddLinks seams).
#pragma once
#include "export/pdf/vdxExportPDFDocument.h"
#include "export/pdf/vdxExportPDFForms.h"
#include "report/vdxClass_fill.h"
#include "report/vdxExportBaseDialog.h"

#include <QPointF>
#include <QString>
#include <memory>

class TVector_ExtTextOut;
class TvdxCustomLineView;
class TvdxCustomMemoView;
class TvdxFrame;
class TvdxFrameLine;
class TvdxShapeView;
class TvdxView;

enum class TPDFStandard { psNone, psPDFA_1a, psPDFA_1b, psPDFA_2a, psPDFA_2b, psPDFA_3a, psPDFA_3b };

// The writer a view goes to, in the order the rows are tested.
enum class TvdxPDFViewWriter {
    vwChoiceField,
    vwListBoxText,
    vwComboBoxText,
    vwText,
    vwLine,
    vwShape,
    vwSignature,
    vwTextField, // fill, field, frame
    vwCheckBoxField,
    vwMetafile,
    vwCheckBox,
    vwImageButton,
    vwPicture,
    vwNone // not drawn (an empty view, a hidden page background)
};

// One exported page.
struct TvdxPDFPage {
    bool FBackPictureVisible = false;
    bool FBackPictureStretched = false;
    double FHeight = 0;
};

class TvdxPDFExport : public TvdxBaseDialogExportFilter {
    Q_OBJECT
    Q_PROPERTY(bool Compressed READ Compressed WRITE SetCompressed)
    Q_PROPERTY(bool EmbeddedFonts READ EmbeddedFonts WRITE SetEmbeddedFonts)
    Q_PROPERTY(bool InteractiveForms READ InteractiveForms WRITE SetInteractiveForms)
    Q_PROPERTY(bool Outline READ Outline WRITE SetOutline)
    Q_PROPERTY(bool Background READ Background WRITE SetBackground)
    Q_PROPERTY(int Quality READ Quality WRITE SetQuality)
    Q_PROPERTY(bool Transparency READ Transparency WRITE SetTransparency)
    Q_PROPERTY(QString Title READ Title WRITE SetTitle)
    Q_PROPERTY(QString Author READ Author WRITE SetAuthor)
    Q_PROPERTY(QString Subject READ Subject WRITE SetSubject)
    Q_PROPERTY(QString Keywords READ Keywords WRITE SetKeywords)
    Q_PROPERTY(QString Creator READ Creator WRITE SetCreator)
    Q_PROPERTY(QString Producer READ Producer WRITE SetProducer)
    Q_CLASSINFO("default:Compressed", "True")
    Q_CLASSINFO("default:EmbeddedFonts", "False")
    Q_CLASSINFO("default:InteractiveForms", "False")
    Q_CLASSINFO("default:Outline", "nodefault")
    Q_CLASSINFO("default:Background", "nodefault")
    Q_CLASSINFO("default:Quality", "nodefault")
    Q_CLASSINFO("default:Transparency", "True")

public:
    explicit TvdxPDFExport(TvdComponent *owner = nullptr, bool noRegister = false);
    ~TvdxPDFExport() override;

    bool Start() override;
    void StartPage(TvdxComponent *page, int index) override;
    void ExportObject(TvdxComponent *obj) override;
    void FinishPage(TvdxComponent *page, int index) override;
    void Finish() override;
    void ClearResources() override;
    QString GetDescription() override;
    void BeginClip(TvdxComponent *obj) override;
    void EndClip() override;

    // --- properties and their rules
    bool Compressed() const { return m_doc.Options().Compressed; }
    void SetCompressed(bool v) { m_doc.Options().Compressed = v; }
    bool EmbeddedFonts() const { return FEmbeddedFonts; }
    void SetEmbeddedFonts(bool v); // forced on under PDF/A
    bool InteractiveForms() const { return FInteractiveForms; }
    // On only with 1.5 to 1.7 and no PDF/A, checked when set.
    void SetInteractiveForms(bool v);
    bool Outline() const { return m_doc.Options().Outline; }
    void SetOutline(bool v) { m_doc.Options().Outline = v; }
    bool Background() const { return FBackground; }
    void SetBackground(bool v) { FBackground = v; }
    int Quality() const { return FQuality; }
    void SetQuality(int v) { FQuality = v; }
    bool Transparency() const { return m_doc.Options().Transparency; }
    void SetTransparency(bool v); // forced off under PDF/A-1
    TPDFVersion PDFVersion() const { return m_doc.Options().PDFVersion; }
    void SetPDFVersion(TPDFVersion v); // ignored under PDF/A
    TPDFStandard PDFStandard() const { return FPDFStandard; }
    void SetPDFStandard(TPDFStandard s);
    bool PdfA() const { return FPdfA; }
    void SetPdfA(bool v);
    bool IsPDFA() const { return FPDFStandard != TPDFStandard::psNone; }
    bool IsPDFA_1() const { return FPDFStandard == TPDFStandard::psPDFA_1a || FPDFStandard == TPDFStandard::psPDFA_1b; }
    QString Title() const { return m_doc.Options().Title; }
    void SetTitle(const QString &v) { m_doc.Options().Title = v; }
    QString Author() const { return m_doc.Options().Author; }
    void SetAuthor(const QString &v) { m_doc.Options().Author = v; }
    QString Subject() const { return m_doc.Options().Subject; }
    void SetSubject(const QString &v) { m_doc.Options().Subject = v; }
    QString Keywords() const { return m_doc.Options().Keywords; }
    void SetKeywords(const QString &v) { m_doc.Options().Keywords = v; }
    QString Creator() const { return m_doc.Options().Creator; }
    void SetCreator(const QString &v) { m_doc.Options().Creator = v; }
    QString Producer() const { return m_doc.Options().Producer; }
    void SetProducer(const QString &v) { m_doc.Options().Producer = v; }

    // --- geometry (report pixels at 96 per inch to page points)
    static double ToPoints(double x) { return x * 0.75; }
    double PdfX(double x) const { return x * 0.75 + FMarginLeft; }
    double PdfY(double y) const { return FHeight - FMarginTop - y * 0.75; }
    QPointF PdfPoint(double x, double y) const { return QPointF(PdfX(x), PdfY(y)); }
    QString PdfPointStr(double x, double y) const;
    static QString PdfLengthStr(double length);
    TPdfRect ViewToPdfRect(TvdxView *view) const;
    // The frame's outer (or, Inner, inner) rectangle around the view.
    TPdfRect ViewFrameRect(TvdxView *view, bool inner) const;
    const TPdfRect &PageRect() const { return FPageRect; }
    double PageWidth() const { return FWidth; }
    double PageHeight() const { return FHeight; }

    // Which writer a view goes to.
    TvdxPDFViewWriter ViewWriterFor(TvdxView *view) const;
    bool IsInteractiveField(TvdxView *view) const;
    static bool IsPlainTextMemo(TvdxView *view);

    // The current page's content so far (between StartPage and FinishPage).
    QByteArray PageContent() const;

    // --- page content: operators (one line each)
    void WriteOp(const QString &text);
    void SetFillColor(TColor color);
    void SetStrokeColor(TColor color);
    void SetLineWidth(double widthPx);
    void MoveTo(double x, double y);
    void LineTo(double x, double y);
    void CurveTo(double x1, double y1, double x2, double y2, double x3, double y3);
    void Stroke();
    // PdfColorStr with the last colour remembered.
    QString CachedPdfColorStr(TColor color);

    // --- page content: graphics
    void WriteFrame(TvdxFrame *frame, const TPdfRect &rect);
    void WriteFill(TvdxView *view);
    void ShapePath(TvdxView *view);
    void ShapeClip(TvdxView *view);
    void TextClip(TvdxView *view);
    void WriteLineView(TvdxCustomLineView *view);
    void WriteShapeView(TvdxShapeView *view);
    void WritePageBackground(const TPdfRect &rect, TColor color);

    // --- page content: text of memo views
    // Writes the memo's text (with fill and frame on the page). InField: into
    // a field's appearance stream, with the line HighlightIndex (-1 none)
    // drawn as selected; then answers the first line's top below the box's
    // top in pixels, else 0. Not a memo: nothing.
    double WriteText(TvdxView *view, bool inField = false, int highlightIndex = -1);
    // The text runs of the view's vector recording (rotated text).
    void WriteVectorText(TvdxView *view);
    // The document's fonts.
    TPDFGLobalFonts &Fonts() { return m_doc.Fonts(); }

protected:
    // The writers of the other page content (text, pictures, metafiles,
    // fields, signatures) join here; this filter draws nothing for them.
    virtual void WriteViewBy(TvdxPDFViewWriter writer, TvdxView *view);
    // Link annotations of views with a hyperlink or URL.
    virtual void AddLinks(TvdxView *view);
    // The document's font objects, written first at Finish.
    virtual void WriteFontObjects();

    TvdxPDFDocument &Document() { return m_doc; }
    const TvdxPDFPage &CurrentPage() const { return m_page; }
    // The stored sides of the view being exported (fixed form, 2 decimals).
    QString stLeft, stTop, stRight, stBottom, stRect;

private:
    void ExportView(TvdxView *view);
    void WriteVectorTextRun(TvdxCustomMemoView *memo, const TVector_ExtTextOut &run);
    void WriteFrameLine(const TvdxFrameLine &line, int side, const TPdfRect &rect);
    // Raises before anything is written when the hatch would be a runaway.
    static void CheckHatchSize(TvdxView *view);
    void WriteHatch(TvdxView *view, TColor color, TvdxCustomFill::TBrushStyle style);
    void WriteGradient(TvdxView *view, TvdxGradientFill *fill);
    void WriteArrow(TvdxCustomLineView *view, const QPointF &tip, const QPointF &other);
    void ReleaseOutput(bool commit);
    QIODevice &out();

    TvdxPDFDocument m_doc;
    bool FEmbeddedFonts = false;
    bool FInteractiveForms = false;
    bool FBackground = false;
    int FQuality = 95;
    TPDFStandard FPDFStandard = TPDFStandard::psNone;
    bool FPdfA = false;

    QIODevice *m_pdf = nullptr;
    TvdxCustomIOTransport *FTransport = nullptr; // the one m_pdf came from
    bool FPageOpen = false;
    TvdxPDFPage m_page;
    double FWidth = 0;
    double FHeight = 0;
    double FMarginLeft = 0;
    double FMarginTop = 0;
    TPdfRect FPageRect;
    TColor FLastColor = clNone;
    QString FLastColorResult;
};
