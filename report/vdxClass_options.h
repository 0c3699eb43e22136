// The report's option objects (engine, preview, print, report options),
// stored in templates as dotted attributes ("ReportOptions.Author"), and the
// collection of data-set items a report uses or offers.
#pragma once
#include "core/vdPersistent.h"
#include "core/vdxRes.h"

#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>

class TPicture;
class QThread;
class TvdxReport;
class TvdxDataSet;

class TvdxEngineOptions : public TvdPersistent {
    Q_OBJECT
public:
    // Same names and order as the report-error modes of the resources module.
    enum TvdxSilentMode { simMessageBoxes, simSilent, simReThrow };
    Q_ENUM(TvdxSilentMode)
private:
    Q_PROPERTY(bool ConvertNulls READ ConvertNulls WRITE SetConvertNulls)
    Q_PROPERTY(bool DoublePass READ DoublePass WRITE SetDoublePass)
    Q_PROPERTY(int MaxMemSize READ MaxMemSize WRITE SetMaxMemSize)
    Q_PROPERTY(bool PrintIfEmpty READ PrintIfEmpty WRITE SetPrintIfEmpty)
    Q_PROPERTY(TvdxSilentMode NewSilentMode READ NewSilentMode WRITE SetNewSilentMode)
    Q_PROPERTY(bool SilentMode READ SilentMode WRITE SetSilentMode STORED false)
    Q_PROPERTY(QString TempDir READ TempDir WRITE SetTempDir)
    Q_PROPERTY(bool UseFileCache READ UseFileCache WRITE SetUseFileCache)
    Q_PROPERTY(bool IgnoreDevByZero READ IgnoreDevByZero WRITE SetIgnoreDevByZero)
    Q_PROPERTY(bool IgnoreExprError READ IgnoreExprError WRITE SetIgnoreExprError)
    Q_CLASSINFO("default:ConvertNulls", "True")
    Q_CLASSINFO("default:DoublePass", "False")
    Q_CLASSINFO("default:MaxMemSize", "10")
    Q_CLASSINFO("default:PrintIfEmpty", "True")
    Q_CLASSINFO("default:NewSilentMode", "simMessageBoxes")
    Q_CLASSINFO("default:SilentMode", "False")
    Q_CLASSINFO("default:UseFileCache", "False")
    Q_CLASSINFO("default:IgnoreDevByZero", "False")
    Q_CLASSINFO("default:IgnoreExprError", "False")
public:
    Q_INVOKABLE TvdxEngineOptions();
    void Assign(const TvdPersistent *source) override;
    void AssignThreadProps(const TvdPersistent *source);
    // Resets only what a new template must not inherit.
    void Clear();

    bool ConvertNulls() const { return m_convertNulls; }
    void SetConvertNulls(bool v) { m_convertNulls = v; }
    bool DestroyForms() const { return m_destroyForms; }
    void SetDestroyForms(bool v) { m_destroyForms = v; }
    bool DoublePass() const { return m_doublePass; }
    void SetDoublePass(bool v) { m_doublePass = v; }
    int MaxMemSize() const { return m_maxMemSize; }
    void SetMaxMemSize(int v) { m_maxMemSize = v; }
    bool PrintIfEmpty() const { return m_printIfEmpty; }
    void SetPrintIfEmpty(bool v) { m_printIfEmpty = v; }
    QThread *ReportThread() const { return m_reportThread; }
    void SetReportThread(QThread *v) { m_reportThread = v; }
    bool EnableThreadSafe() const { return m_enableThreadSafe; }
    void SetEnableThreadSafe(bool v) { m_enableThreadSafe = v; }
    TvdxSilentMode NewSilentMode() const { return m_silentMode; }
    void SetNewSilentMode(TvdxSilentMode v) { m_silentMode = v; }
    ::TvdxSilentMode ReportErrorMode() const { return ::TvdxSilentMode(int(m_silentMode)); }
    bool SilentMode() const { return m_silentMode == simSilent; }
    void SetSilentMode(bool v) { m_silentMode = v ? simSilent : simMessageBoxes; }
    QString TempDir() const { return m_tempDir; }
    void SetTempDir(const QString &v) { m_tempDir = v; }
    bool UseFileCache() const { return m_useFileCache; }
    void SetUseFileCache(bool v) { m_useFileCache = v; }
    bool UseGlobalDataSetList() const { return m_useGlobalDataSetList; }
    void SetUseGlobalDataSetList(bool v) { m_useGlobalDataSetList = v; }
    bool IgnoreDevByZero() const { return m_ignoreDevByZero; }
    void SetIgnoreDevByZero(bool v) { m_ignoreDevByZero = v; }
    bool IgnoreExprError() const { return m_ignoreExprError; }
    void SetIgnoreExprError(bool v) { m_ignoreExprError = v; }
    long double ZeroPrecisionValue() const { return m_zeroPrecision; }
    void SetZeroPrecisionValue(long double v) { m_zeroPrecision = v; }

private:
    bool m_convertNulls = true;
    bool m_destroyForms = true;
    bool m_doublePass = false;
    int m_maxMemSize = 10;
    bool m_printIfEmpty = true;
    QThread *m_reportThread = nullptr;
    bool m_enableThreadSafe = false;
    TvdxSilentMode m_silentMode = simMessageBoxes;
    QString m_tempDir;
    bool m_useFileCache = false;
    bool m_useGlobalDataSetList = true;
    bool m_ignoreDevByZero = false;
    bool m_ignoreExprError = false;
    long double m_zeroPrecision = 1e-17L;
};

// ---------------------------------------------------------------------------
class TvdxPreviewOptions : public TvdPersistent {
    Q_OBJECT
public:
    enum TvdxPreviewButton {
        pbPrint = 1 << 0, pbLoad = 1 << 1, pbSave = 1 << 2, pbExport = 1 << 3, pbZoom = 1 << 4, pbFind = 1 << 5,
        pbOutline = 1 << 6, pbPageSetup = 1 << 7, pbTools = 1 << 8, pbEdit = 1 << 9, pbNavigator = 1 << 10,
        pbExportQuick = 1 << 11, pbNoClose = 1 << 12, pbNoFullScreen = 1 << 13, pbNoEmail = 1 << 14,
        pbCopy = 1 << 15, pbPaste = 1 << 16, pbSelection = 1 << 17, pbInplaceEdit = 1 << 18
    };
    Q_DECLARE_FLAGS(TvdxPreviewButtons, TvdxPreviewButton)
    Q_FLAG(TvdxPreviewButtons)
    enum TvdxZoomMode { zmDefault, zmWholePage, zmPageWidth, zmManyPages };
    Q_ENUM(TvdxZoomMode)
private:
    Q_PROPERTY(bool AllowEdit READ AllowEdit WRITE SetAllowEdit)
    Q_PROPERTY(bool AllowPreviewEdit READ AllowPreviewEdit WRITE SetAllowPreviewEdit)
    Q_PROPERTY(TvdxPreviewButtons Buttons READ Buttons WRITE SetButtons)
    Q_PROPERTY(bool DoubleBuffered READ DoubleBuffered WRITE SetDoubleBuffered)
    Q_PROPERTY(bool Maximized READ Maximized WRITE SetMaximized)
    Q_PROPERTY(bool MDIChild READ MDIChild WRITE SetMDIChild)
    Q_PROPERTY(bool Modal READ Modal WRITE SetModal)
    Q_PROPERTY(bool OutlineExpand READ OutlineExpand WRITE SetOutlineExpand)
    Q_PROPERTY(bool OutlineVisible READ OutlineVisible WRITE SetOutlineVisible)
    Q_PROPERTY(int OutlineWidth READ OutlineWidth WRITE SetOutlineWidth)
    Q_PROPERTY(int PagesInCache READ PagesInCache WRITE SetPagesInCache)
    Q_PROPERTY(bool ShowCaptions READ ShowCaptions WRITE SetShowCaptions)
    Q_PROPERTY(bool ThumbnailVisible READ ThumbnailVisible WRITE SetThumbnailVisible)
    Q_PROPERTY(double Zoom READ Zoom WRITE SetZoom)
    Q_PROPERTY(TvdxZoomMode ZoomMode READ ZoomMode WRITE SetZoomMode)
    Q_PROPERTY(bool PictureCacheInFile READ PictureCacheInFile WRITE SetPictureCacheInFile)
    Q_CLASSINFO("default:AllowEdit", "True")
    Q_CLASSINFO("default:AllowPreviewEdit", "True")
    Q_CLASSINFO("default:Buttons", "pbPrint|pbLoad|pbSave|pbExport|pbZoom|pbFind|pbOutline|pbPageSetup|pbTools|"
                                   "pbEdit|pbNavigator|pbExportQuick|pbCopy|pbSelection")
    Q_CLASSINFO("default:DoubleBuffered", "True")
    Q_CLASSINFO("default:Maximized", "True")
    Q_CLASSINFO("default:MDIChild", "False")
    Q_CLASSINFO("default:Modal", "True")
    Q_CLASSINFO("default:OutlineExpand", "True")
    Q_CLASSINFO("default:OutlineVisible", "False")
    Q_CLASSINFO("default:OutlineWidth", "120")
    Q_CLASSINFO("default:PagesInCache", "50")
    Q_CLASSINFO("default:ShowCaptions", "False")
    Q_CLASSINFO("default:ThumbnailVisible", "False")
    Q_CLASSINFO("default:ZoomMode", "zmDefault")
    Q_CLASSINFO("default:PictureCacheInFile", "False")
public:
    static constexpr int kDefaultButtons = pbPrint | pbLoad | pbSave | pbExport | pbZoom | pbFind | pbOutline |
                                           pbPageSetup | pbTools | pbEdit | pbNavigator | pbExportQuick | pbCopy |
                                           pbSelection;
    Q_INVOKABLE TvdxPreviewOptions();
    void Assign(const TvdPersistent *source) override;
    void Clear();

    bool AllowEdit() const { return m_allowEdit; }
    void SetAllowEdit(bool v) { m_allowEdit = v; }
    bool AllowPreviewEdit() const { return m_allowPreviewEdit; }
    void SetAllowPreviewEdit(bool v) { m_allowPreviewEdit = v; }
    TvdxPreviewButtons Buttons() const { return m_buttons; }
    void SetButtons(TvdxPreviewButtons v) { m_buttons = v; }
    bool DoubleBuffered() const { return m_doubleBuffered; }
    void SetDoubleBuffered(bool v) { m_doubleBuffered = v; }
    bool Maximized() const { return m_maximized; }
    void SetMaximized(bool v) { m_maximized = v; }
    bool MDIChild() const { return m_mdiChild; }
    void SetMDIChild(bool v) { m_mdiChild = v; }
    bool Modal() const { return m_modal; }
    void SetModal(bool v) { m_modal = v; }
    bool OutlineExpand() const { return m_outlineExpand; }
    void SetOutlineExpand(bool v) { m_outlineExpand = v; }
    bool OutlineVisible() const { return m_outlineVisible; }
    void SetOutlineVisible(bool v) { m_outlineVisible = v; }
    int OutlineWidth() const { return m_outlineWidth; }
    void SetOutlineWidth(int v) { m_outlineWidth = v; }
    int PagesInCache() const { return m_pagesInCache; }
    void SetPagesInCache(int v) { m_pagesInCache = v; }
    bool ShowCaptions() const { return m_showCaptions; }
    void SetShowCaptions(bool v) { m_showCaptions = v; }
    bool ThumbnailVisible() const { return m_thumbnailVisible; }
    void SetThumbnailVisible(bool v) { m_thumbnailVisible = v; }
    double Zoom() const { return m_zoom; }
    void SetZoom(double v) { m_zoom = v; }
    TvdxZoomMode ZoomMode() const { return m_zoomMode; }
    void SetZoomMode(TvdxZoomMode v) { m_zoomMode = v; }
    bool PictureCacheInFile() const { return m_pictureCacheInFile; }
    void SetPictureCacheInFile(bool v) { m_pictureCacheInFile = v; }
    bool RTLPreview() const { return m_rtlPreview; }
    void SetRTLPreview(bool v) { m_rtlPreview = v; }

private:
    bool m_allowEdit = true;
    bool m_allowPreviewEdit = true;
    TvdxPreviewButtons m_buttons = TvdxPreviewButtons(kDefaultButtons);
    bool m_doubleBuffered = true;
    bool m_maximized = true;
    bool m_mdiChild = false;
    bool m_modal = true;
    bool m_outlineExpand = true;
    bool m_outlineVisible = false;
    int m_outlineWidth = 120;
    int m_pagesInCache = 50;
    bool m_showCaptions = false;
    bool m_thumbnailVisible = false;
    double m_zoom = 1;
    TvdxZoomMode m_zoomMode = zmDefault;
    bool m_pictureCacheInFile = false;
    bool m_rtlPreview = false;
};
Q_DECLARE_OPERATORS_FOR_FLAGS(TvdxPreviewOptions::TvdxPreviewButtons)

// ---------------------------------------------------------------------------
class TvdxPrintOptions : public TvdPersistent {
    Q_OBJECT
public:
    enum TvdxPrintMode { pmDefault, pmSplit, pmJoin, pmScale };
    Q_ENUM(TvdxPrintMode)
    enum TvdxPrintPages { ppAll, ppOdd, ppEven };
    Q_ENUM(TvdxPrintPages)
    enum TvdxDuplexMode { dmNone, dmVertical, dmHorizontal, dmSimplex };
    Q_ENUM(TvdxDuplexMode)
private:
    Q_PROPERTY(int Copies READ Copies WRITE SetCopies)
    Q_PROPERTY(bool Collate READ Collate WRITE SetCollate)
    Q_PROPERTY(QString PageNumbers READ PageNumbers WRITE SetPageNumbers)
    Q_PROPERTY(QString Printer READ Printer WRITE SetPrinter)
    Q_PROPERTY(TvdxPrintMode PrintMode READ PrintMode WRITE SetPrintMode)
    Q_PROPERTY(int PrintOnSheet READ PrintOnSheet WRITE SetPrintOnSheet)
    Q_PROPERTY(TvdxPrintPages PrintPages READ PrintPages WRITE SetPrintPages)
    Q_PROPERTY(bool Reverse READ Reverse WRITE SetReverse)
    Q_PROPERTY(bool ShowDialog READ ShowDialog WRITE SetShowDialog)
    Q_PROPERTY(bool SwapPageSize READ SwapPageSize WRITE SetSwapPageSize)
    Q_CLASSINFO("default:Copies", "1")
    Q_CLASSINFO("default:Collate", "True")
    Q_CLASSINFO("default:PrintMode", "pmDefault")
    Q_CLASSINFO("default:PrintOnSheet", "0")
    Q_CLASSINFO("default:PrintPages", "ppAll")
    Q_CLASSINFO("default:Reverse", "False")
    Q_CLASSINFO("default:ShowDialog", "True")
    Q_CLASSINFO("default:SwapPageSize", "False")
public:
    Q_INVOKABLE TvdxPrintOptions();
    void Assign(const TvdPersistent *source) override;
    void Clear();

    int Copies() const { return m_copies; }
    void SetCopies(int v) { m_copies = v; }
    bool Collate() const { return m_collate; }
    void SetCollate(bool v) { m_collate = v; }
    QString PageNumbers() const { return m_pageNumbers; }
    void SetPageNumbers(const QString &v) { m_pageNumbers = v; }
    int PagesOnSheet() const { return m_pagesOnSheet; }
    void SetPagesOnSheet(int v) { m_pagesOnSheet = v; }
    QString Printer() const { return m_printer; }
    void SetPrinter(const QString &v) { m_printer = v; }
    TvdxPrintMode PrintMode() const { return m_printMode; }
    void SetPrintMode(TvdxPrintMode v) { m_printMode = v; }
    int PrintOnSheet() const { return m_printOnSheet; }
    void SetPrintOnSheet(int v) { m_printOnSheet = v; }
    TvdxPrintPages PrintPages() const { return m_printPages; }
    void SetPrintPages(TvdxPrintPages v) { m_printPages = v; }
    bool Reverse() const { return m_reverse; }
    void SetReverse(bool v) { m_reverse = v; }
    bool ShowDialog() const { return m_showDialog; }
    void SetShowDialog(bool v) { m_showDialog = v; }
    bool SwapPageSize() const { return m_swapPageSize; }
    void SetSwapPageSize(bool v) { m_swapPageSize = v; }
    QString PrnOutFileName() const { return m_prnOutFileName; }
    void SetPrnOutFileName(const QString &v) { m_prnOutFileName = v; }
    TvdxDuplexMode Duplex() const { return m_duplex; }
    void SetDuplex(TvdxDuplexMode v) { m_duplex = v; }
    int SplicingLine() const { return m_splicingLine; }
    void SetSplicingLine(int v) { m_splicingLine = v; }

private:
    int m_copies = 1;
    bool m_collate = true;
    QString m_pageNumbers;
    int m_pagesOnSheet = 0;
    QString m_printer;
    TvdxPrintMode m_printMode = pmDefault;
    int m_printOnSheet = 0;
    TvdxPrintPages m_printPages = ppAll;
    bool m_reverse = false;
    bool m_showDialog = true;
    bool m_swapPageSize = false;
    QString m_prnOutFileName;
    TvdxDuplexMode m_duplex = dmNone;
    int m_splicingLine = 3;
};

// ---------------------------------------------------------------------------
class TvdxReportOptions : public TvdPersistent {
    Q_OBJECT
    Q_PROPERTY(QString Author READ Author WRITE SetAuthor)
    Q_PROPERTY(bool Compressed READ Compressed WRITE SetCompressed)
    Q_PROPERTY(QString ConnectionName READ ConnectionName WRITE SetConnectionName)
    Q_PROPERTY(double CreateDate READ CreateDate WRITE SetCreateDate)
    Q_PROPERTY(QStringList Description READ Description WRITE SetDescription)
    Q_PROPERTY(QString InitString READ InitString WRITE SetInitString)
    Q_PROPERTY(QString Name READ Name WRITE SetName)
    Q_PROPERTY(double LastChange READ LastChange WRITE SetLastChange)
    Q_PROPERTY(QString Password READ Password WRITE SetPassword)
    Q_PROPERTY(QString VersionBuild READ VersionBuild WRITE SetVersionBuild)
    Q_PROPERTY(QString VersionMajor READ VersionMajor WRITE SetVersionMajor)
    Q_PROPERTY(QString VersionMinor READ VersionMinor WRITE SetVersionMinor)
    Q_PROPERTY(QString VersionRelease READ VersionRelease WRITE SetVersionRelease)
    Q_CLASSINFO("default:Compressed", "False")
public:
    Q_INVOKABLE explicit TvdxReportOptions(TvdxReport *report = nullptr);
    ~TvdxReportOptions() override;
    void Assign(const TvdPersistent *source) override;
    void Clear();
    // True for no password, the accepted or the application's one; else asks.
    bool CheckPassword();

    TvdxReport *Report() const { return m_report; }
    void SetReport(TvdxReport *report) { m_report = report; }
    QString Author() const { return m_author; }
    void SetAuthor(const QString &v) { m_author = v; }
    bool Compressed() const { return m_compressed; }
    void SetCompressed(bool v) { m_compressed = v; }
    QString ConnectionName() const { return m_connectionName; }
    // Stores the name and hands the connection string found in the settings to OnSetConnection.
    void SetConnectionName(const QString &v);
    double CreateDate() const { return m_createDate; }
    void SetCreateDate(double v) { m_createDate = v; }
    QStringList Description() const { return m_description; }
    void SetDescription(const QStringList &v) { m_description = v; }
    QString InitString() const { return m_initString; }
    void SetInitString(const QString &v) { m_initString = v; }
    QString Name() const { return m_name; }
    void SetName(const QString &v) { m_name = v; }
    double LastChange() const { return m_lastChange; }
    void SetLastChange(double v) { m_lastChange = v; }
    QString Password() const { return m_password; }
    void SetPassword(const QString &v) { m_password = v; }
    TPicture *Picture() const { return m_picture.get(); }
    void SetPicture(const TPicture *v);
    QString VersionBuild() const { return m_versionBuild; }
    void SetVersionBuild(const QString &v) { m_versionBuild = v; }
    QString VersionMajor() const { return m_versionMajor; }
    void SetVersionMajor(const QString &v) { m_versionMajor = v; }
    QString VersionMinor() const { return m_versionMinor; }
    void SetVersionMinor(const QString &v) { m_versionMinor = v; }
    QString VersionRelease() const { return m_versionRelease; }
    void SetVersionRelease(const QString &v) { m_versionRelease = v; }
    QString PrevPassword() const { return m_prevPassword; }
    void SetPrevPassword(const QString &v) { m_prevPassword = v; }
    QString HiddenPassword() const { return m_hiddenPassword; }
    void SetHiddenPassword(const QString &v) { m_hiddenPassword = v; }
    bool Info() const { return m_info; }
    void SetInfo(bool v) { m_info = v; }

    // The report's connection handler (its OnSetConnection).
    std::function<void(const QString &connString)> OnSetConnection;
    // The report-error mode of CheckPassword's message.
    ::TvdxSilentMode ErrorMode = ::simMessageBoxes;

private:
    QString m_author;
    bool m_compressed = false;
    QString m_connectionName;
    double m_createDate = 0;
    QStringList m_description;
    QString m_initString;
    QString m_name;
    double m_lastChange = 0;
    QString m_password;
    std::unique_ptr<TPicture> m_picture;
    TvdxReport *m_report = nullptr;
    QString m_versionBuild, m_versionMajor, m_versionMinor, m_versionRelease;
    QString m_prevPassword, m_hiddenPassword;
    bool m_info = false;
};

// ---------------------------------------------------------------------------
class TvdxReportDataSets;

class TvdxDataSetItem : public TvdBaseCollectionItem {
    Q_OBJECT
    Q_PROPERTY(QString DataSetName READ DataSetName WRITE SetDataSetName)
public:
    Q_INVOKABLE TvdxDataSetItem();
    TvdxDataSet *DataSet() const;
    void SetDataSet(TvdxDataSet *value);
    QString DataSetName() const;
    void SetDataSetName(const QString &value);

private:
    TvdxReport *report() const;
    void link(TvdxDataSet *ds);
    QPointer<TvdxDataSet> m_dataSet;
    QString m_dataSetName;
};

class TvdxReportDataSets : public TvdBaseCollection {
    Q_OBJECT
public:
    explicit TvdxReportDataSets(TvdxReport *report = nullptr);
    TvdxReport *Report() const { return m_report; }
    TvdxDataSetItem *Add(const QString &name);
    TvdxDataSetItem *Add(TvdxDataSet *ds);
    TvdxDataSetItem *GetItem(int index) const;
    TvdxDataSetItem *operator[](int index) const { return GetItem(index); }
    TvdxDataSetItem *Find(TvdxDataSet *ds) const;
    TvdxDataSetItem *Find(const QString &name) const;
    using TvdBaseCollection::Delete;
    void Delete(const QString &name);
    void Initialize();
    void Finalize();

private:
    TvdxReport *m_report;
};
