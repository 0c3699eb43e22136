// Pages, the children of a report: report pages (a sheet of paper with its
// bands), dialog pages (a window shown before the report runs) and the data
// page (the report's non-visual data components). Paper sizes and margins are
// millimetres; Width and Height pixels (3.77953 per millimetre).
#pragma once
#include "report/vdxClass_dataset.h"
#include "report/vdxClass_view.h"

#include <QStringList>
#include <QWidget>
#include <functional>

class TvdxDataSet;
class TvdxPictureView;
class TvdxSubreport;
class TvdxBand;

// Pixels per millimetre at 96 pixels per inch.
constexpr long double vdxMMToPixels = 3.77953L;

// Round(value × 10^8) / 10^8, halves to even: stored paper sizes keep 8 decimals.
long double vdxRoundPaperSize(long double value);

// What the page needs of the printer layer: the size of a paper code and the
// current printer's default paper. Hosts with a real printer layer replace it.
struct TvdxPaperService {
    // Width and height in millimetres of a paper code; False for an unknown code.
    std::function<bool(int code, long double &width, long double &height)> paperSize;
    // Default paper code, size (mm) and orientation (0 portrait, 1 landscape).
    std::function<void(int &code, long double &width, long double &height, int &orientation)> defaultPaper;
};
TvdxPaperService &vdxPaperService();

class TvdxPage : public TvdxReportComponent {
    Q_OBJECT
    Q_PROPERTY(TvdFont *Font READ Font WRITE SetFont)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(QStringList HGuides READ HGuides WRITE SetHGuides)
    Q_PROPERTY(QStringList VGuides READ VGuides WRITE SetVGuides)
    Q_CLASSINFO("default:Visible", "True")
public:
    Q_INVOKABLE explicit TvdxPage(TvdComponent *owner = nullptr);
    void Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY) override;
    virtual bool IsSupportsGuidlines() const { return false; }
    // Empty guide lists stay out of templates.
    bool IsPropertyStored(const char *propName) const override;

    QStringList HGuides() const { return m_hGuides; }
    void SetHGuides(const QStringList &v) { m_hGuides = v; }
    QStringList VGuides() const { return m_vGuides; }
    void SetVGuides(const QStringList &v) { m_vGuides = v; }
    void ClearGuides();

private:
    QStringList m_hGuides;
    QStringList m_vGuides;
};

class TvdxReportPage : public TvdxPage {
    Q_OBJECT
public:
    enum TPrinterOrientation { poPortrait, poLandscape };
    Q_ENUM(TPrinterOrientation)
    enum TvdxDuplexMode { dmNone, dmVertical, dmHorizontal, dmSimplex };
    Q_ENUM(TvdxDuplexMode)
private:
    Q_PROPERTY(TPrinterOrientation Orientation READ Orientation WRITE SetOrientation)
    Q_PROPERTY(double PaperWidth READ PaperWidthF WRITE SetPaperWidthF)
    Q_PROPERTY(double PaperHeight READ PaperHeightF WRITE SetPaperHeightF)
    Q_PROPERTY(int PaperSize READ PaperSize WRITE SetPaperSize)
    Q_PROPERTY(double LeftMargin READ LeftMarginF WRITE SetLeftMarginF)
    Q_PROPERTY(double RightMargin READ RightMarginF WRITE SetRightMarginF)
    Q_PROPERTY(double TopMargin READ TopMarginF WRITE SetTopMarginF)
    Q_PROPERTY(double BottomMargin READ BottomMarginF WRITE SetBottomMarginF)
    Q_PROPERTY(bool MirrorMargins READ MirrorMargins WRITE SetMirrorMargins)
    Q_PROPERTY(int Columns READ Columns WRITE SetColumns)
    Q_PROPERTY(double ColumnWidth READ ColumnWidthF WRITE SetColumnWidthF)
    Q_PROPERTY(QStringList ColumnPositions READ ColumnPositions WRITE SetColumnPositions)
    Q_PROPERTY(int Bin READ Bin WRITE SetBin)
    Q_PROPERTY(int BinOtherPages READ BinOtherPages WRITE SetBinOtherPages)
    Q_PROPERTY(bool BackPictureVisible READ BackPictureVisible WRITE SetBackPictureVisible)
    Q_PROPERTY(bool BackPicturePrintable READ BackPicturePrintable WRITE SetBackPicturePrintable)
    Q_PROPERTY(bool BackPictureStretched READ BackPictureStretched WRITE SetBackPictureStretched)
    Q_PROPERTY(int PageCount READ PageCount WRITE SetPageCount)
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(TvdxDataSet *DataSet READ DataSet WRITE SetDataSet)
    Q_PROPERTY(QString DataSetName READ DataSetName WRITE SetDataSetName)
    Q_PROPERTY(TvdxDuplexMode Duplex READ Duplex WRITE SetDuplex)
    Q_PROPERTY(TvdxFrame *Frame READ Frame WRITE SetFrame)
    Q_PROPERTY(bool EndlessHeight READ EndlessHeight WRITE SetEndlessHeight)
    Q_PROPERTY(bool EndlessWidth READ EndlessWidth WRITE SetEndlessWidth)
    Q_PROPERTY(bool LargeDesignHeight READ LargeDesignHeight WRITE SetLargeDesignHeight)
    Q_PROPERTY(int MirrorMode READ MirrorModeInt WRITE SetMirrorModeInt)
    Q_PROPERTY(QString OutlineText READ OutlineText WRITE SetOutlineText)
    Q_PROPERTY(bool PrintIfEmpty READ PrintIfEmpty WRITE SetPrintIfEmpty)
    Q_PROPERTY(bool PrintOnPreviousPage READ PrintOnPreviousPage WRITE SetPrintOnPreviousPage)
    Q_PROPERTY(bool ShowTitleOnPreviousPage READ ShowTitleOnPreviousPage WRITE SetShowTitleOnPreviousPage)
    Q_PROPERTY(bool ResetPageNumbers READ ResetPageNumbers WRITE SetResetPageNumbers)
    Q_PROPERTY(bool TitleBeforeHeader READ TitleBeforeHeader WRITE SetTitleBeforeHeader)
    Q_PROPERTY(QString OnAfterPrint READ OnAfterPrint WRITE SetOnAfterPrint)
    Q_PROPERTY(QString OnBeforePrint READ OnBeforePrint WRITE SetOnBeforePrint)
    Q_PROPERTY(QString OnManualBuild READ OnManualBuild WRITE SetOnManualBuild)
    Q_CLASSINFO("default:Orientation", "poPortrait")
    Q_CLASSINFO("default:MirrorMargins", "False")
    Q_CLASSINFO("default:Columns", "0")
    Q_CLASSINFO("default:Bin", "7")
    Q_CLASSINFO("default:BinOtherPages", "7")
    Q_CLASSINFO("default:BackPictureVisible", "True")
    Q_CLASSINFO("default:BackPicturePrintable", "True")
    Q_CLASSINFO("default:BackPictureStretched", "True")
    Q_CLASSINFO("default:PageCount", "1")
    Q_CLASSINFO("default:Color", "536870911")
    Q_CLASSINFO("default:Duplex", "dmNone")
    Q_CLASSINFO("default:EndlessHeight", "False")
    Q_CLASSINFO("default:EndlessWidth", "False")
    Q_CLASSINFO("default:LargeDesignHeight", "False")
    Q_CLASSINFO("default:MirrorMode", "0")
    Q_CLASSINFO("default:PrintIfEmpty", "True")
    Q_CLASSINFO("default:PrintOnPreviousPage", "False")
    Q_CLASSINFO("default:ShowTitleOnPreviousPage", "True")
    Q_CLASSINFO("default:ResetPageNumbers", "False")
    Q_CLASSINFO("default:TitleBeforeHeader", "True")
public:
    Q_INVOKABLE explicit TvdxReportPage(TvdComponent *owner = nullptr);
    ~TvdxReportPage() override;
    // A page made for a preview: knows its report without being its child.
    static TvdxReportPage *CreateInPreview(TvdComponent *owner, TvdxReport *report);

    QString GetDescription() const override;
    bool IsSupportsGuidlines() const override { return true; }
    void AlignChildren(bool ignoreInvisible = false, TvdxMirrorControlModes modes = {}) override;
    void Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY) override;
    // Column positions are written only when there are columns.
    bool IsPropertyStored(const char *propName) const override;

    // The report of a page shown in a preview without its template.
    TvdxReport *ParentReport() const { return m_report; }
    TvdxReport *PageReport() const { return m_report; }
    void SetPageReport(TvdxReport *report) { m_report = report; }

    // --- paper
    TPrinterOrientation Orientation() const { return m_orientation; }
    void SetOrientation(TPrinterOrientation value);
    long double PaperWidth() const { return m_paperWidth; }
    virtual void SetPaperWidth(long double value);
    long double PaperHeight() const { return m_paperHeight; }
    virtual void SetPaperHeight(long double value);
    int PaperSize() const { return m_paperSize; }
    virtual void SetPaperSize(int value);
    virtual void SetDefaults();
    void SetSizeAndDimensions(int aSize, long double aWidth, long double aHeight);
    void UpdateDimensions();
    void SetMarginOffset(int pageIndex);
    void ClearMarginOffset();
    long double LeftMargin() const { return m_leftMargin; }
    void SetLeftMargin(long double v) { m_leftMargin = v; }
    long double RightMargin() const { return m_rightMargin; }
    void SetRightMargin(long double v) { m_rightMargin = v; }
    long double TopMargin() const { return m_topMargin; }
    void SetTopMargin(long double v) { m_topMargin = v; }
    long double BottomMargin() const { return m_bottomMargin; }
    void SetBottomMargin(long double v) { m_bottomMargin = v; }
    bool MirrorMargins() const { return m_mirrorMargins; }
    void SetMirrorMargins(bool v) { m_mirrorMargins = v; }

    // --- columns
    int Columns() const { return m_columns; }
    void SetColumns(int value);
    long double ColumnWidth() const { return m_columnWidth; }
    void SetColumnWidth(long double v) { m_columnWidth = v; }
    QStringList ColumnPositions() const { return m_columnPositions; }
    void SetColumnPositions(const QStringList &v) { m_columnPositions = v; }

    // --- printing
    int Bin() const { return m_bin; }
    void SetBin(int v) { m_bin = v; }
    int BinOtherPages() const { return m_binOtherPages; }
    void SetBinOtherPages(int v) { m_binOtherPages = v; }
    TvdxDuplexMode Duplex() const { return m_duplex; }
    void SetDuplex(TvdxDuplexMode v) { m_duplex = v; }
    int PageCount() const { return m_pageCount; }
    // Values below 1 are ignored.
    void SetPageCount(int v);
    bool EndlessHeight() const { return m_endlessHeight; }
    void SetEndlessHeight(bool v) { m_endlessHeight = v; }
    bool EndlessWidth() const { return m_endlessWidth; }
    void SetEndlessWidth(bool v) { m_endlessWidth = v; }
    bool LargeDesignHeight() const { return m_largeDesignHeight; }
    void SetLargeDesignHeight(bool v) { m_largeDesignHeight = v; }
    TvdxMirrorControlModes MirrorMode() const { return m_mirrorMode; }
    void SetMirrorMode(TvdxMirrorControlModes v) { m_mirrorMode = v; }
    QString OutlineText() const { return m_outlineText; }
    void SetOutlineText(const QString &v) { m_outlineText = v; }
    bool PrintIfEmpty() const { return m_printIfEmpty; }
    void SetPrintIfEmpty(bool v) { m_printIfEmpty = v; }
    bool PrintOnPreviousPage() const { return m_printOnPreviousPage; }
    void SetPrintOnPreviousPage(bool v) { m_printOnPreviousPage = v; }
    bool ShowTitleOnPreviousPage() const { return m_showTitleOnPreviousPage; }
    void SetShowTitleOnPreviousPage(bool v) { m_showTitleOnPreviousPage = v; }
    bool ResetPageNumbers() const { return m_resetPageNumbers; }
    void SetResetPageNumbers(bool v) { m_resetPageNumbers = v; }
    bool TitleBeforeHeader() const { return m_titleBeforeHeader; }
    void SetTitleBeforeHeader(bool v) { m_titleBeforeHeader = v; }
    QString OnManualBuild() const { return m_onManualBuild; }
    void SetOnManualBuild(const QString &v) { m_onManualBuild = v; }

    // --- background picture
    TvdxPictureView *BackPictureView() const { return m_backPicture.get(); }
    bool BackPictureVisible() const { return m_backPictureVisible; }
    void SetBackPictureVisible(bool v) { m_backPictureVisible = v; }
    bool BackPicturePrintable() const { return m_backPicturePrintable; }
    void SetBackPicturePrintable(bool v) { m_backPicturePrintable = v; }
    bool BackPictureStretched() const { return m_backPictureStretched; }
    void SetBackPictureStretched(bool v) { m_backPictureStretched = v; }
    int Color() const;
    void SetColor(int v);
    TvdxFrame *Frame() const;
    void SetFrame(TvdxFrame *v);

    // --- data
    TvdxDataSet *DataSet() const { return m_dataSet.DataSet(); }
    void SetDataSet(TvdxDataSet *value) { m_dataSet.SetDataSet(value); }
    QString DataSetName() const { return m_dataSet.Name(); }
    void SetDataSetName(const QString &value) { m_dataSet.SetName(value); }

    TvdxSubreport *SubReport() const { return m_subReport; }
    void SetSubReport(TvdxSubreport *v) { m_subReport = v; }
    bool IsSubReport() const { return m_subReport != nullptr; }
    // The first child that inherits from the class, in child order.
    TvdxBand *FindBand(const QMetaObject *bandClass) const;

    // Engine state.
    QList<TvdxBand *> &SubBands() { return m_subBands; }
    QList<TvdxBand *> &VSubBands() { return m_vSubBands; }

    // Float accessors of the published properties.
    double PaperWidthF() const { return double(m_paperWidth); }
    void SetPaperWidthF(double v) { SetPaperWidth(v); }
    double PaperHeightF() const { return double(m_paperHeight); }
    void SetPaperHeightF(double v) { SetPaperHeight(v); }
    double LeftMarginF() const { return double(m_leftMargin); }
    void SetLeftMarginF(double v) { m_leftMargin = v; }
    double RightMarginF() const { return double(m_rightMargin); }
    void SetRightMarginF(double v) { m_rightMargin = v; }
    double TopMarginF() const { return double(m_topMargin); }
    void SetTopMarginF(double v) { m_topMargin = v; }
    double BottomMarginF() const { return double(m_bottomMargin); }
    void SetBottomMarginF(double v) { m_bottomMargin = v; }
    double ColumnWidthF() const { return double(m_columnWidth); }
    void SetColumnWidthF(double v) { m_columnWidth = v; }
    int MirrorModeInt() const { return int(m_mirrorMode); }
    void SetMirrorModeInt(int v) { m_mirrorMode = TvdxMirrorControlModes(v); }

protected:
    void Notification(TvdComponent *component, Operation operation) override;
    // Paper size in millimetres as given, keeping the paper code.
    void SetPaperDimensionsDirect(long double width, long double height)
    {
        m_paperWidth = width;
        m_paperHeight = height;
        UpdateDimensions();
    }

private:
    std::unique_ptr<TvdxPictureView> m_backPicture;
    int m_bin = 7;
    int m_binOtherPages = 7;
    long double m_bottomMargin = 0;
    int m_columns = 0;
    long double m_columnWidth = 0;
    QStringList m_columnPositions;
    TvdxDataSetRef m_dataSet{this};
    TvdxDuplexMode m_duplex = dmNone;
    bool m_endlessHeight = false;
    bool m_endlessWidth = false;
    bool m_largeDesignHeight = false;
    long double m_leftMargin = 0;
    bool m_mirrorMargins = false;
    TPrinterOrientation m_orientation = poPortrait;
    QString m_outlineText;
    bool m_printIfEmpty = true;
    bool m_printOnPreviousPage = false;
    bool m_resetPageNumbers = false;
    long double m_rightMargin = 0;
    TvdxSubreport *m_subReport = nullptr;
    bool m_titleBeforeHeader = true;
    long double m_topMargin = 0;
    QString m_onManualBuild;
    bool m_backPictureVisible = true;
    bool m_backPicturePrintable = true;
    bool m_backPictureStretched = true;
    int m_pageCount = 1;
    bool m_showTitleOnPreviousPage = true;
    TvdxReport *m_report = nullptr;
    TvdxMirrorControlModes m_mirrorMode;
    long double m_paperHeight = 0;
    int m_paperSize = 0;
    long double m_paperWidth = 0;
    QList<TvdxBand *> m_subBands;
    QList<TvdxBand *> m_vSubBands;
};

// Holds the report's data components.
class TvdxDataPage : public TvdxPage {
    Q_OBJECT
    Q_PROPERTY(double Height READ GetHeightF WRITE SetHeightF)
    Q_PROPERTY(double Left READ GetLeftF WRITE SetLeftF)
    Q_PROPERTY(double Top READ GetTopF WRITE SetTopF)
    Q_PROPERTY(double Width READ GetWidthF WRITE SetWidthF)
public:
    Q_INVOKABLE explicit TvdxDataPage(TvdComponent *owner = nullptr);
    QString GetDescription() const override;
};

// Dialog pages follow in their own header.
#include "report/vdxClass_page_dialog.h"
