// Stand-ins for the engine, the prepared pages and the outline, used by the
// report until the engine and preview subsystems install their own classes
// (vdxEngineClass, vdxPreviewPagesClass, vdxOutlineClass). They lay nothing
// out: a run succeeds and leaves the pages empty.
#pragma once
#include "report/vdxClass_bases.h"
#include "report/vdxClass_engine.h"
#include "report/vdxClass_report.h"
#include "report/vdxPreviewServices.h"

#include <QHash>
#include <QPointer>
#include <QStringList>

class TvdxStubEngine : public TvdxCustomEngine {
    Q_OBJECT
public:
    explicit TvdxStubEngine(TvdxReport *aReport) : TvdxCustomEngine(aReport) {}

    TvdxCustomAggregateList *GetAggregates() override { return nullptr; }
    void EndPage() override {}
    void NewColumn() override { ++CurColumn; }
    void NewPage() override;
    void PrepareShiftTree(TvdxReportComponent *) override {}
    TvdxBand *ShowBand(TvdxBand *band) override { return band; }
    void ShowBand(const QMetaObject *) override {}
    void Stretch(TvdxReportComponent *, bool = false) override {}
    void UnStretch(TvdxReportComponent *) override {}
    void InitializeSplit(TvdxReportComponent *, QList<TvdxComponent *> &, QList<TvdxComponent *> &) override {}
    bool SplitObjects(TvdxReportComponent *, QList<TvdxComponent *> &, QList<TvdxComponent *> &,
                      long double) override
    {
        return false;
    }
    void FinalizeSplit(TvdxReportComponent *, QList<TvdxComponent *> &, QList<TvdxComponent *> &,
                       long double) override
    {
    }
    long double HeaderHeight(bool = false) override { return 0; }
    long double FooterHeight() override { return 0; }
    long double FreeSpace() override { return GetPageHeight() - CurY; }
    // Aggregates are not computed: Null.
    Variant GetAggregateValue(const QString &, const QString &, TvdxComponent *, int) override;
    void ProcessObject(TvdxComponent *) override {}
    // Marks the run (start date and time, final pass), opens each data set
    // of the report on its first record and closes them again; answers True.
    bool Run(bool aRunDialogs, bool aClearLast = false, TvdxPage *aPage = nullptr) override;

    int RunCount = 0;
};

class TvdxStubPreviewPages : public TvdxCustomPreviewPages {
public:
    explicit TvdxStubPreviewPages(TvdxReport *aReport) : TvdxCustomPreviewPages(aReport) {}

    void ClearCache() override { ++ClearCacheCount; }
    int GetCount() override { return PageCount; }
    // The pages handed to AddPage (not owned), none for an empty page.
    TvdxReportPage *GetPage(int index) override { return Pages.value(index); }
    QPointF GetPageSize(int) override { return {}; }
    void Clear() override;
    void Initialize() override {}
    void AddObject(TvdxComponent *) override {}
    void AddPage(TvdxReportPage *) override;
    void AddSourcePage(TvdxReportPage *) override {}
    void AddToSourcePage(TvdxComponent *) override {}
    void BeginPass() override {}
    void ClearFirstPassPages() override {}
    void CutObjects(int) override {}
    void DeleteObjects(int) override {}
    void DeleteAnchors(int) override {}
    void IncLogicalPageNumber() override {}
    void ResetLogicalPageNumber() override {}
    void PasteObjects(long double, long double) override {}
    void ShiftAnchors(int, int) override {}
    IvdxCachedGraphicRef GetPicture(TvdxCachedGraphicType, int) override { return {}; }
    void AddPicture(TvdxComponent *) override {}
    int AddGraphic(TGraphic *) override { return -1; }
    bool BandExists(TvdxBand *) override { return false; }
    int GetCurPosition() override { return 0; }
    int GetAnchorCurPosition() override { return 0; }
    long double GetLastY(long double = 0) override { return 0; }
    int GetLogicalPageNo() override { return CurPage + 1; }
    int GetLogicalTotalPages() override { return PageCount; }
    void AddEmptyPage(int) override { ++PageCount; }
    void DeletePage(int) override;
    void ModifyPage(int, TvdxReportPage *) override {}
    void ModifyObject(TvdxComponent *component) override { Modified.append(component); }
    void DrawPage(int, Canvas &, double, double, double, double, bool = false) override {}
    void ObjectOver(int, int, int, TvdxMouseButton, TvdxShiftState, double, int, int,
                    TvdxPreviewIntEventParams &) override
    {
    }
    void AddFrom(TvdxReport *) override {}
    void AddFromPreviewPages(TvdxCustomPreviewPages *) override {}
    void LoadFromStream(QIODevice &, bool = false) override {}
    void SaveToStream(QIODevice &) override {}
    bool SaveToFilter(QObject *, const QString &) override { return false; }
    bool LoadFromFile(const QString &, bool = false) override { return false; }
    void SaveToFile(const QString &) override {}
    // Nothing to print without an engine.
    bool Print() override { return false; }
    // Drives the filter over the pages: Start, per page StartPage, the page
    // background, each visible view, FinishPage; then Finish. Answers False
    // when the export did not run or was stopped.
    bool Export(TvdxCustomExportFilter *filter) override;
    // Anchors by text on the current page; an unknown text is on page 1.
    void AddAnchor(const QString &text) override { Anchors.insert(text.toLower(), CurPage); }
    int GetAnchorPage(const QString &text) override { return Anchors.value(text.toLower(), 0) + 1; }

    int PageCount = 0;
    QHash<QString, int> Anchors;
    QList<TvdxReportPage *> Pages;
    int ClearCacheCount = 0;
    QList<TvdxComponent *> Modified;
};

// A flat outline: items in the order they were added.
class TvdxStubOutline : public TvdxCustomOutline {
    Q_OBJECT
public:
    explicit TvdxStubOutline(TvdxCustomPreviewPages *pages) : TvdxCustomOutline(pages) {}

    int GetCount() override { return int(FItems.size()); }
    void AddItem(const QString &text, int top) override;
    void DeleteItems(TvdXMLItem *) override {}
    void LevelDown(int) override {}
    void LevelRoot() override {}
    void LevelUp() override {}
    void GetItem(int index, QString &text, int &page, int &top) override;
    void ShiftItems(TvdXMLItem *, int) override {}
    TvdXMLItem *GetCurPosition() override { return nullptr; }

private:
    struct Item {
        QString text;
        int page;
        int top;
    };
    QList<Item> FItems;
};

// ---------------------------------------------------------------------------
// A preview control that shows nothing and records what the report asked.

class TvdxStubPreview : public TvdxCustomPreview {
    Q_OBJECT
public:
    explicit TvdxStubPreview(QWidget *owner = nullptr) : TvdxCustomPreview(owner) {}

    TvdxReport *GetReport() override { return FReport; }
    TvdxCustomPreviewPages *GetPreviewPages() override { return FPages; }
    bool Init(TvdxReport *aReport, TvdxCustomPreviewPages *aPrevPages) override;
    void UnInit(TvdxReport *aReport) override;
    bool Lock() override { return true; }
    void Unlock(bool = true) override {}
    void RefreshReport() override;
    void InternalOnProgressStart(QObject *, int, int) override { Calls << QStringLiteral("ProgressStart"); }
    void InternalOnProgress(QObject *, int, int progress) override
    {
        Calls << QStringLiteral("Progress %1").arg(progress);
    }
    void InternalOnProgressStop(QObject *, int, int) override { Calls << QStringLiteral("ProgressStop"); }
    void PreviewPagesChanged() override { Calls << QStringLiteral("PreviewPagesChanged"); }

    QStringList Calls;

private:
    QPointer<TvdxReport> FReport;
    TvdxCustomPreviewPages *FPages = nullptr;
};

// A preview window that never blocks: ShowModal returns at once.
class TvdxStubPreviewForm : public TvdxCustomPreviewForm {
    Q_OBJECT
public:
    explicit TvdxStubPreviewForm(QWidget *owner = nullptr);
    ~TvdxStubPreviewForm() override;

    void Init(TvdxReport *report) override;
    TvdxCustomPreview *Preview() const override { return FPreview; }
    Q_INVOKABLE int ShowModal() override;
    void SetMessageText(const QString &value, bool isHint) override;

    QString Message, Hint;
    int ShowModalCount = 0;
    // Every stub form made so far that still exists.
    static QList<TvdxStubPreviewForm *> &Instances();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    TvdxStubPreview *FPreview;
    // The report may go first while the window waits to be freed.
    QPointer<TvdxReport> FReport;
};

// A designer window that records how it was opened and closes at once.
class TvdxStubDesigner : public TvdxCustomDesigner {
    Q_OBJECT
public:
    TvdxStubDesigner(QWidget *owner, TvdxReport *report, bool previewDesigner);
    ~TvdxStubDesigner() override;

    QStringList GetCode() override;
    void ClearLastActiveObject() override {}
    void Lock() override {}
    void ReloadPages(int) override {}
    void ReloadReport() override {}
    void ReloadObjects(bool = true) override {}
    void UpdateDataTree() override {}
    void UpdatePage() override {}
    void UpdateInspector() override {}
    void DisableInspectorUpdate() override {}
    void EnableInspectorUpdate() override {}
    // Modal: closes at once, as a user would, clearing the report's designer.
    Q_INVOKABLE int ShowModal();
    bool event(QEvent *e) override;

    int StartMessages = 0;
    static int Created;
    static int Destroyed;
    // StartMessages of the designer freed last.
    static int LastStartMessages;
};
