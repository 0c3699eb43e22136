// The abstract engine, prepared pages, outline and designer that the report
// creates and talks to. Their implementations live in the engine, preview and
// designer subsystems; the report reaches them only through these bases and
// the factories below.
#pragma once
#include "core/vdBaseForm.h"
#include "core/vdBaseGraphicsTypes.h"
#include "core/vdPersistent.h"
#include "core/vdVariant.h"
#include "report/vdxClass_component.h"

#include <QList>
#include <QPoint>
#include <QPointF>
#include <QStringList>
#include <functional>
#include <memory>

class Canvas;
class TCustomIniFile;
class TGraphic;
class TvdXMLItem;
class TvdxBand;
class TvdxComponent;
class TvdxCustomAggregateList;
class TvdxCustomExportFilter;
class TvdxCustomOutline;
class TvdxCustomPreviewPages;
class TvdxPage;
class TvdxPictureCacheOptions;
class TvdxPostProcessor;
class TvdxReport;
class TvdxReportComponent;
class TvdxReportPage;
class TvdxSelectedObjectsList;
class TvdxStyles;
class QIODevice;

// Raises EAbstractError: operations that only an implementing class provides.
[[noreturn]] void vdxAbstractError();


// ---------------------------------------------------------------------------
class TvdxCustomEngine : public TvdPersistent {
    Q_OBJECT
public:
    using TvdxRunDialogEvent = std::function<void(TvdxCustomEngine *sender)>;

    explicit TvdxCustomEngine(TvdxReport *aReport);
    ~TvdxCustomEngine() override;

    virtual TvdxCustomAggregateList *GetAggregates();
    virtual long double GetPageHeight() { return FPageHeight; }
    virtual void EndPage();
    virtual void BreakAllKeep() {}
    virtual void NewColumn();
    virtual void NewPage();
    virtual void PrepareShiftTree(TvdxReportComponent *container);
    virtual TvdxBand *ShowBand(TvdxBand *band);
    virtual void ShowBand(const QMetaObject *bandClass);
    virtual void Stretch(TvdxReportComponent *band, bool skipGetData = false);
    virtual void UnStretch(TvdxReportComponent *band);
    virtual void InitializeSplit(TvdxReportComponent *container, QList<TvdxComponent *> &savedObjects,
                                 QList<TvdxComponent *> &splitObject);
    virtual bool SplitObjects(TvdxReportComponent *container, QList<TvdxComponent *> &savedObjects,
                              QList<TvdxComponent *> &splitObject, long double aHeight);
    virtual void FinalizeSplit(TvdxReportComponent *container, QList<TvdxComponent *> &savedObjects,
                               QList<TvdxComponent *> &splitObject, long double splitHeight);
    virtual long double HeaderHeight(bool addReprintOnNewPage = false);
    virtual long double FooterHeight();
    virtual long double FreeSpace();
    virtual Variant GetAggregateValue(const QString &name, const QString &expression, TvdxComponent *dataRow,
                                      int flags);
    virtual void ProcessObject(TvdxComponent *reportObject);
    virtual bool Run(bool aRunDialogs, bool aClearLast = false, TvdxPage *aPage = nullptr);

    // ShowBand of the report object of that name.
    void ShowBandByName(const QString &bandName);
    // Asks the running report to stop.
    void StopReport();

    int CurColumn = 0;
    int CurVColumn = 0;
    int CurLine = 0;
    int CurLineThrough = 0;
    bool FinalPass = false;
    long double PageWidth = 0;
    bool Running = false;
    TvdxRunDialogEvent OnRunDialog;
    long double CurX = 0;
    long double CurY = 0;
    double StartDate = 0;
    double StartTime = 0;
    int TotalPages = 0;
    bool SecondScriptCall = false;
    int CurTableRow = 0;
    int CurTableColumn = 0;

    // Objects told about the run; emptied by the report before each preparation.
    QList<QObject *> &NotifyList() { return *FNotifyList; }
    long double PageHeight() { return GetPageHeight(); }
    void SetPageHeight(long double value) { FPageHeight = value; }
    TvdxCustomPreviewPages *PreviewPages() const { return FPreviewPages; }
    // Links the set to this engine; none keeps the previous set as it is.
    void SetPreviewPages(TvdxCustomPreviewPages *value);
    TvdxReport *Report() const { return FReport; }
    // The report's engine option.
    bool DoublePass() const;
    TvdxCustomAggregateList *Aggregates() { return GetAggregates(); }

protected:
    long double FPageHeight = 0;
    TvdxCustomPreviewPages *FPreviewPages = nullptr;
    TvdxReport *FReport = nullptr;
    std::unique_ptr<QList<QObject *>> FNotifyList;
};

// ---------------------------------------------------------------------------
enum TvdxAddPageAction { apWriteOver, apAdd };

enum TvdxMouseIntEvents { meClick, meDbClick, meMouseMove, meMouseUp, meMouseDown, meDragOver, meDragDrop, meMouseWheel };

// What the preview hands the prepared pages with a mouse event, and what
// they answer (Cursor, RetResult).
struct TvdxPreviewIntEventParams {
    TvdxMouseIntEvents MouseEventType = meMouseMove;
    QObject *Sender = nullptr;
    // The system's cursor id (0 default, -21 the hand point).
    int Cursor = 0;
    // A TvdxDesignTool.
    int EditMode = 0;
    int State = 0;
    bool Accept = false;
    int WheelDelta = 0;
    QPoint MousePos;
    bool RetResult = false;
};

// A QObject so that scripts can hold the prepared pages.
class TvdxCustomPreviewPages : public QObject {
    Q_OBJECT
public:
    explicit TvdxCustomPreviewPages(TvdxReport *aReport);
    virtual ~TvdxCustomPreviewPages();
    TvdxCustomPreviewPages(const TvdxCustomPreviewPages &) = delete;
    TvdxCustomPreviewPages &operator=(const TvdxCustomPreviewPages &) = delete;

    virtual void ClearCache();
    virtual int GetCount();
    virtual TvdxReportPage *GetPage(int index);
    virtual QPointF GetPageSize(int index);
    virtual TvdxPictureCacheOptions *GetPictureCacheOptions();
    virtual void Clear();
    virtual void Initialize();
    virtual void AddObject(TvdxComponent *obj);
    virtual void AddPage(TvdxReportPage *page);
    virtual void AddSourcePage(TvdxReportPage *page);
    virtual void AddToSourcePage(TvdxComponent *obj);
    virtual void BeginPass();
    virtual void ClearFirstPassPages();
    virtual void CutObjects(int aPosition);
    virtual void DeleteObjects(int aPosition);
    virtual void DeleteAnchors(int from);
    virtual void Finish();
    virtual void FireMouseLeave() {}
    virtual void IncLogicalPageNumber();
    virtual void ResetLogicalPageNumber();
    virtual void PasteObjects(long double x, long double y);
    virtual void ShiftAnchors(int from, int newTop);
    virtual IvdxCachedGraphicRef GetPicture(TvdxCachedGraphicType cacheType, int imageIndex);
    virtual void AddPicture(TvdxComponent *picture);
    virtual int AddGraphic(TGraphic *graphic);
    virtual bool BandExists(TvdxBand *band);
    virtual int GetCurPosition();
    virtual int GetAnchorCurPosition();
    virtual long double GetLastY(long double columnPosition = 0);
    virtual int GetLogicalPageNo();
    virtual int GetLogicalTotalPages();
    virtual void AddEmptyPage(int index);
    virtual void DeletePage(int index);
    virtual void ModifyPage(int index, TvdxReportPage *page);
    virtual void ModifyObject(TvdxComponent *component);
    virtual void DrawPage(int index, Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY,
                          bool bHighlightEditable = false);
    virtual void ObjectOver(int index, int x, int y, TvdxMouseButton button, TvdxShiftState shift, double scale,
                            int offsetX, int offsetY, TvdxPreviewIntEventParams &eventParams);
    virtual void AddFrom(TvdxReport *report);
    virtual void AddFromPreviewPages(TvdxCustomPreviewPages *vPreviewPages);
    virtual void LoadFromStream(QIODevice &stream, bool allowPartialLoading = false);
    virtual void SaveToStream(QIODevice &stream);
    virtual bool SaveToFilter(QObject *filter, const QString &fileName);
    virtual bool LoadFromFile(const QString &fileName, bool exceptionIfNotFound = false);
    virtual void SaveToFile(const QString &fileName);
    virtual bool Print();
    virtual bool Export(TvdxCustomExportFilter *filter);
    // Anchors as scripts set and find them (the prepared pages keep them).
    virtual void AddAnchor(const QString &text);
    virtual int GetAnchorPage(const QString &text);

    int Count() { return GetCount(); }
    TvdxAddPageAction AddPageAction = apWriteOver;
    int CurPage = -1;
    int CurPreviewPage = 0;
    int FirstPage = 0;
    int PrintCopyNo = 0;
    long double PrintScale = 1;

    TvdxCustomEngine *Engine() const { return FEngine; }
    void SetEngine(TvdxCustomEngine *value) { FEngine = value; }
    TvdxCustomOutline *Outline() const { return FOutline.get(); }
    TvdxPictureCacheOptions *PictureCacheOptions() { return GetPictureCacheOptions(); }
    TvdxPostProcessor *PostProcessor() const { return FPostProcessor; }
    TvdxReport *Report() const { return FReport; }

    // Stored styles; the style classes are supplied by the styles module
    // through the hooks below.
    TvdxStyles *Styles();
    void SetStyles(TvdxStyles *value);
    void ClearStyles();
    QObject *FindStyle(const QString &name);
    bool IsStylesActive() const;
    // Switches the active style sheet; pages are rebuilt only on a change.
    void SetActiveStyleSheet(const QString &aName);

protected:
    TvdxReport *FReport = nullptr;
    TvdxCustomEngine *FEngine = nullptr;
    std::unique_ptr<TvdxCustomOutline> FOutline;
    std::unique_ptr<TvdxPictureCacheOptions> FPictureCacheOptions;
    TvdxPostProcessor *FPostProcessor = nullptr;
    TvdxStyles *FStyles = nullptr;
};

// Hooks through which the styles and post-processing modules plug their
// classes into the prepared pages (all optional).
struct TvdxPreviewPagesHooks {
    std::function<TvdxPostProcessor *()> createPostProcessor;
    std::function<void(TvdxPostProcessor *)> freePostProcessor;
    std::function<TvdxStyles *(TvdxReport *)> createStyles;
    std::function<void(TvdxStyles *)> freeStyles;
    // Copies the report's styles into the pages' styles when the report's
    // style book mode wants them in the preview.
    std::function<void(TvdxReport *, TvdxCustomPreviewPages *)> finish;
    std::function<void(TvdxStyles *, TvdxStyles *)> assignAsPreview;
    std::function<void(TvdxStyles *)> clear;
    std::function<int(TvdxStyles *)> count;
    std::function<QObject *(TvdxStyles *, const QString &)> find;
    std::function<QString(TvdxStyles *)> activeStyleSheet;
    std::function<void(TvdxStyles *, const QString &)> activateStyleSheet;
};
TvdxPreviewPagesHooks &vdxPreviewPagesHooks();

// ---------------------------------------------------------------------------
class TvdxCustomOutline : public TvdPersistent {
    Q_OBJECT
public:
    explicit TvdxCustomOutline(TvdxCustomPreviewPages *aPreviewPages);

    virtual int GetCount();
    virtual void AddItem(const QString &text, int top);
    virtual void DeleteItems(TvdXMLItem *from);
    virtual void LevelDown(int index);
    virtual void LevelRoot();
    virtual void LevelUp();
    virtual void GetItem(int index, QString &text, int &page, int &top);
    virtual void ShiftItems(TvdXMLItem *from, int newTop);
    virtual TvdXMLItem *GetCurPosition();

    int Count() { return GetCount(); }
    TvdXMLItem *CurItem = nullptr;
    TvdxCustomPreviewPages *PreviewPages() const { return FPreviewPages; }
    TvdxCustomEngine *Engine() const;

protected:
    TvdxCustomPreviewPages *FPreviewPages = nullptr;
};

// ---------------------------------------------------------------------------
enum TvdxDesignerRestriction {
    drDontInsertObject,
    drDontDeletePage,
    drDontCreatePage,
    drDontChangePageOptions,
    drDontCreateReport,
    drDontLoadReport,
    drDontSaveReport,
    drDontPreviewReport,
    drDontEditVariables,
    drDontChangeReportOptions,
    drDontEditReportData,
    drDontShowRecentFiles,
    drDontEditReportScript,
    drDontEditInternalDatasets,
};

class TvdxCustomDesigner : public TvdxBaseForm {
    Q_OBJECT
public:
    TvdxCustomDesigner(QWidget *aOwner, TvdxReport *aReport, bool aPreviewDesigner = false);
    ~TvdxCustomDesigner() override;

    std::unique_ptr<TCustomIniFile> GetPreferencesStorage(bool aDefault) override;

    virtual void SetModified(bool value);
    virtual void SetPage(TvdxPage *value) { FPage = value; }
    virtual QStringList GetCode();
    virtual std::unique_ptr<TCustomIniFile> GetDefaultPreferences() { return nullptr; }
    virtual void DeleteObject(TvdxComponent *vComp);
    virtual void AddPictureToCache(TvdxComponent *picView) { Q_UNUSED(picView) }
    virtual bool CheckOp(TvdxDesignerRestriction op) { Q_UNUSED(op) return true; }
    virtual void ClearLastActiveObject();
    virtual QString InsertExpression(const QString &expr);
    virtual bool IsChangedExpression(const QString &inExpr, QString &outExpr);
    virtual void Lock();
    virtual void ReloadPages(int index);
    virtual void ReloadReport();
    virtual void ReloadObjects(bool resetSelection = true);
    virtual void UpdateDataTree();
    virtual void UpdatePage();
    virtual void UpdateInspector();
    virtual void DisableInspectorUpdate();
    virtual void EnableInspectorUpdate();
    virtual void InternalCopy();
    virtual void InternalPaste();
    virtual bool InternalIsPasteAvailable();
    virtual void ReportDataEdit();
    virtual void ReportEditVariable();
    virtual bool IsDataTree(QObject *aObject);
    virtual void SetSelection(TvdxComponent *aComponent, const QString &propName, QPoint selStart, QPoint selEnd);
    virtual QString GetDataSelectedAsExp();

    TvdxReport *Report() const { return FReport; }
    void SetReport(TvdxReport *value) { FReport = value; }
    bool IsPreviewDesigner = false;
    QString MemoFontName;
    int MemoFontSize = 0;
    bool UseObjectFont = false;
    QWidget *ParentForm = nullptr;
    bool Modified() const { return FModified; }
    QList<TvdxComponent *> &Objects() { return *FObjects; }
    TvdxPage *Page() const { return FPage; }
    TvdxSelectedObjectsList *SelectedObjects() const { return FSelectedObjects.get(); }
    QStringList Code() { return GetCode(); }

protected:
    TvdxReport *FReport = nullptr;
    bool FModified = false;
    TvdxPage *FPage = nullptr;
    std::unique_ptr<QList<TvdxComponent *>> FObjects;
    std::unique_ptr<TvdxSelectedObjectsList> FSelectedObjects;
    int FInspectorLock = 0;
};

// ---------------------------------------------------------------------------
// How the report gets its engine, prepared pages and designer. The engine,
// preview and designer subsystems replace these at their start-up; until
// then the report works with the stand-ins of vdxServiceDoubles.h.
using TvdxEngineFactory = std::function<TvdxCustomEngine *(TvdxReport *)>;
using TvdxPreviewPagesFactory = std::function<TvdxCustomPreviewPages *(TvdxReport *)>;
using TvdxOutlineFactory = std::function<TvdxCustomOutline *(TvdxCustomPreviewPages *)>;
using TvdxDesignerClass = std::function<TvdxCustomDesigner *(QWidget *owner, TvdxReport *, bool previewDesigner)>;

TvdxEngineFactory &vdxEngineClass();
TvdxPreviewPagesFactory &vdxPreviewPagesClass();
TvdxOutlineFactory &vdxOutlineClass();
// Empty while no designer module is present: the report cannot design then.
TvdxDesignerClass &vdxDesignerClass();

TvdxCustomEngine *vdxCreateEngine(TvdxReport *report);
TvdxCustomPreviewPages *vdxCreatePreviewPages(TvdxReport *report);
