// A preview control that shows nothing: it records tabs, page moves, refreshes
// and repaints, so the prepared pages' mouse handling runs headless.
#pragma once
#include "engine/vdxPreviewInteraction.h"
#include "report/vdxClass_bases.h"
#include "report/vdxClass_report.h"

#include <QPoint>
#include <memory>
#include <vector>

class StubPreview : public TvdxCustomPreview, public IvdxPreviewNavigation {
public:
    struct Tab {
        QString name, caption;
        TvdxReport *report;
        TvdxComponent *detailPage;
    };

    ~StubPreview() override
    {
        if (m_report)
            m_report->SetPreview(nullptr);
    }

    TvdxReport *GetReport() override { return m_report; }
    bool Init(TvdxReport *aReport, TvdxCustomPreviewPages *) override
    {
        m_report = aReport;
        return true;
    }
    void UnInit(TvdxReport *) override { m_report = nullptr; }
    bool Lock() override { return ++Locks > 0; }
    void Unlock(bool) override { --Locks; }
    void RefreshReport() override
    {
        ++Refreshes;
        if (PrepareOnRefresh && m_report)
            m_report->PrepareReport(true);
    }
    void AddPreviewTab(TvdxReport *aReport, const QString &tabName, const QString &tabCaption, bool freeObjects,
                       TvdxComponent *aDetailPage) override
    {
        Tabs.push_back({tabName, tabCaption, aReport, aDetailPage});
        if (freeObjects)
            m_owned.emplace_back(aReport);
    }
    bool HasTab(const QString &tabName) override
    {
        for (const Tab &t : Tabs)
            if (t.name == tabName)
                return true;
        return false;
    }
    bool HasTab(TvdxReport *aReport) override
    {
        for (const Tab &t : Tabs)
            if (t.report == aReport)
                return true;
        return false;
    }
    bool HasVisibleTabs() override { return !Tabs.empty(); }
    void SwitchToTab(const QString &tabName) override { Switches << tabName; }
    void SwitchToTab(TvdxReport *) override {}
    void PreviewPagesChanged() override {}
    void AddPreviewTabOrSwitch(TvdxReport *aReport, const QString &tabName, const QString &tabCaption,
                               bool freeObjects, TvdxComponent *aDetailPage) override
    {
        if (HasTab(tabName))
            SwitchToTab(tabName);
        else
            AddPreviewTab(aReport, tabName, tabCaption, freeObjects, aDetailPage);
    }
    void RemoveTab(int) override {}
    void InternalCopy() override {}
    void InternalPaste() override {}
    bool InternalIsPasteAvailable() override { return false; }
    void InternalOnProgressStart(QObject *, int, int) override {}
    void InternalOnProgress(QObject *, int, int) override {}
    void InternalOnProgressStop(QObject *, int, int) override {}

    int PageNo() const override { return m_pageNo; }
    void SetPageNo(int pageNo) override { m_pageNo = pageNo; }
    void SetPosition(int pageN, int top) override { Position = QPoint(pageN, top); }
    void RepaintPages() override { ++Repaints; }

    std::vector<Tab> Tabs;
    QStringList Switches;
    QPoint Position{-1, -1};
    int Refreshes = 0;
    int Repaints = 0;
    int Locks = 0;
    bool PrepareOnRefresh = false;

private:
    TvdxReport *m_report = nullptr;
    int m_pageNo = 1;
    std::vector<std::unique_ptr<TvdxReport>> m_owned;
};
