// The report engine: turns the report pages of a loaded template into
// prepared pages. It arranges the bands of each page, walks the data sets
// through master-detail levels and groups, breaks pages and columns, and hands
// every band it outputs to the prepared-pages store.
#pragma once
#include "engine/vdxEnginePages.h"
#include "report/vdxClass_engine.h"
#include "report/vdxClass_view.h"

#include <QElapsedTimer>
#include <QList>
#include <QPair>
#include <QString>
#include <functional>
#include <memory>

class TvdxAggregateList;
class TvdxReportPage;
class TvdxDataBand;
class TvdxObjectShifter;
class TvdxGroupHeader;

// Bands shown again at the top of each new page and column.
struct TvdxHeaderListItem {
    TvdxBand *Band = nullptr;
    long double Left = 0;
    bool IsInKeepList = false;
};

class TvdxHeaderList {
public:
    void AddItem(TvdxBand *band, long double left, bool inKeepList) { m_items.append({band, left, inKeepList}); }
    // Removes the first item of the band (nothing when none).
    void RemoveItem(TvdxBand *band);
    void Clear() { m_items.clear(); }
    int Count() const { return int(m_items.size()); }
    TvdxHeaderListItem &Items(int index) { return m_items[index]; }

private:
    QList<TvdxHeaderListItem> m_items;
};

class TvdxEngine : public TvdxCustomEngine {
    Q_OBJECT
public:
    explicit TvdxEngine(TvdxReport *aReport);
    ~TvdxEngine() override;

    // --- TvdxCustomEngine
    TvdxCustomAggregateList *GetAggregates() override;
    long double GetPageHeight() override;
    void EndPage() override;
    void BreakAllKeep() override;
    void NewColumn() override;
    void NewPage() override;
    void PrepareShiftTree(TvdxReportComponent *container) override;
    TvdxBand *ShowBand(TvdxBand *band) override;
    void ShowBand(const QMetaObject *bandClass) override;
    void Stretch(TvdxReportComponent *band, bool skipGetData = false) override;
    void UnStretch(TvdxReportComponent *band) override;
    void InitializeSplit(TvdxReportComponent *container, QList<TvdxComponent *> &savedObjects,
                         QList<TvdxComponent *> &splitObject) override;
    bool SplitObjects(TvdxReportComponent *container, QList<TvdxComponent *> &savedObjects,
                      QList<TvdxComponent *> &splitObject, long double aHeight) override;
    void FinalizeSplit(TvdxReportComponent *container, QList<TvdxComponent *> &savedObjects,
                       QList<TvdxComponent *> &splitObject, long double splitHeight) override;
    long double HeaderHeight(bool addReprintOnNewPage = false) override;
    long double FooterHeight() override;
    long double FreeSpace() override;
    // The value of the aggregate call under the band being output.
    Variant GetAggregateValue(const QString &name, const QString &expression, TvdxComponent *dataRow,
                              int flags) override;
    void ProcessObject(TvdxComponent *reportObject) override;
    bool Run(bool aRunDialogs, bool aClearLast = false, TvdxPage *aPage = nullptr) override;

    bool Initialize();
    void Finalize();

    TvdxHeaderList &HeaderList() { return m_headerList; }
    TvdxAggregateList *AggregateList() const { return m_aggregates.get(); }
    TvdxObjectShifter *ShiftEngine() const { return m_shiftEngine.get(); }
    // A stretchable view that fills its container to the bottom.
    static bool IsStretchToBottom(TvdxComponent *view);
    TvdxReportPage *CurPage() const { return m_page; }

protected:
    // Filters, group conditions and outline texts are evaluated here.
    virtual Variant Evaluate(const QString &expr);
    // Script events of the report and its pages and bands: the report runs
    // the named procedure, with Param as its one in-out parameter when given.
    virtual void DoEvent(const QString &proc, QObject *sender, Variant *param);
    // Before and after a report object is output (its OnBeforePrint and
    // OnAfterPrint, and the host program's events).
    virtual void DoBeforePrint(TvdxReportComponent *c);
    virtual void DoAfterPrint(TvdxReportComponent *c);

private:
    // --- run (vdxEngine.cpp)
    void arrangeBands(TvdxReportPage *page, bool vertical);
    bool runDialogs();
    void runReportPages(TvdxPage *aPage);
    void runReportPagesOnce(TvdxPage *aPage);
    void runPage(TvdxReportPage *page);
    void pageBody();
    void finishBandAggregates(TvdxBand *band, int processMode);
    void callEvent(const QString &proc, QObject *sender, Variant *param = nullptr);
    void addError(const QString &key, const QString &fallback, const QString &name);
    IvdxEnginePages *pagesExtras() const;

    // --- page flow (vdxEngine_pages.cpp)
    void startReportPage();
    void startPreviewPage();
    void startNextColumn();
    void outputHeaderChain(TvdxBand *band);
    void outputColumnFooter();
    void outputPageFooter(TvdxBand *band);
    void addPageOutline();
    long double columnPosition(int column) const;

    // --- band output (vdxEngine_bands.cpp)
    void outputBand(TvdxBand *band);
    bool hasDataToPrint(TvdxComponent *component, bool force);
    void runDataBands(TvdxComponent *component);
    void startGroups(TvdxDataBand *b, TvdxGroupHeader *g, bool first, int from);
    void checkGroups(TvdxDataBand *b, TvdxGroupHeader *g, long double &rowStartY, int rowPos);
    void endGroups(TvdxGroupHeader *g, int from, TvdxDataBand *b);
    void applyDrillDown(TvdxDataBand *b, TvdxGroupHeader *g);
    void advanceBandColumn(TvdxDataBand *b, int rowPos, int &colStartPos, long double &rowStartY,
                           long double colStartY);
    void startKeep(TvdxBand *band, int position);
    void endKeep(TvdxBand *band);
    void addReprintHeader(TvdxBand *band);
    void removeReprintHeader(TvdxBand *band);
    void addBandOutline(TvdxBand *band);
    void leaveBandOutline(TvdxBand *band);
    void notifyObjects(TvdxBand *band);
    void showSubreports(TvdxBand *band);
    bool conditionTrue(const QString &expr);
    void resetReprintFlags();
    void resetSuppressRepeated(TvdxBand *band);
    void restretchAfterSuppress(TvdxBand *band);
    void processMessages();

    // --- vertical bands (vdxEngine_vertical.cpp)
    void startVerticalMaster(TvdxBand *band, QList<int> &pages, TvdxBand *&master, long double &savedX);
    void prepareVerticalBands(TvdxBand *masterBand);
    void runVerticalBands(const QList<TvdxBand *> &list);
    void showVerticalBand(TvdxBand *band);
    void outputVerticalPages(const QList<int> &pageList, TvdxBand *masterBand, long double savedX);
    // Copies made for vertical cells: never filled again, freed after output.
    bool isVerticalCopy(TvdxReportComponent *container, TvdxComponent *child) const;
    void freeVerticalCopies(TvdxReportComponent *container);

    // --- stretch, shift and split (vdxEngine_stretch.cpp)
    bool measureChild(TvdxReportComponent *container, TvdxReportComponent *child);
    long double fitContainer(TvdxReportComponent *container, bool stretched, bool onParent);
    void stretchToBottom(TvdxReportComponent *container, long double bottom);
    void freeAddedObjects(TvdxReportComponent *container);
    bool splitWanted(TvdxBand *band);
    void SplitBand(TvdxBand *band);
    void showSubreportsOnParent(TvdxReportComponent *container);

    std::unique_ptr<TvdxObjectShifter> m_shiftEngine;
    TvdxHeaderList m_headerList;
    QElapsedTimer m_messagesTimer;
    QList<QPair<QString, int>> m_hBandNamesTree;
    TvdxReportPage *m_page = nullptr;
    TvdxBand *m_curBand = nullptr;
    TvdxBand *m_lastBandOnPage = nullptr;
    TvdxBand *m_startNewPageBand = nullptr;
    TvdxNullBand *m_outputTo = nullptr;
    long double m_pageCurX = 0;
    long double m_firstColumnY = 0;
    long double m_prevFooterHeight = 0;
    bool m_firstReportPage = false;
    bool m_isFirstPage = false;
    bool m_isLastPage = false;
    bool m_isFirstBand = false;
    bool m_titlePrinted = false;
    bool m_callFromAddPage = false;
    bool m_callFromPHeader = false;
    bool m_callFromEndPage = false;
    bool m_dontShowHeaders = false;
    bool m_keeping = false;
    TvdxBand *m_keepBand = nullptr;
    long double m_keepCurY = 0;
    int m_keepPosition = 0;
    TvdXMLItem *m_keepOutline = nullptr;
    int m_keepAnchor = 0;
    bool m_keepHeader = false;
    bool m_keepFooter = false;
    int m_subSavePageN = -1;
    long double m_subSaveCurY = -1;
    bool m_breakShowBandTree = false;
    bool m_lockResetAggregates = false;
    std::unique_ptr<TvdxAggregateList> m_aggregates;
    TvdxBand *m_vMasterBand = nullptr;
    QList<TvdxBand *> m_vHeaderList;
    QList<int> m_vPageList;
    // Padding rows of a deferred child (PadChildRows).
    struct Padding {
        TvdxBand *parent = nullptr;
        int pages0 = 0;
        int padPos = 0;
        TvdXMLItem *padOutline = nullptr;
        int padAnchor = 0;
    };
    void padChildRows(const Padding &pad, bool cut);
};

// Installs the engine as the report's engine class.
void vdxRegisterEngine();
