// A prepared-pages store that records what the engine hands it: pages, and
// per page the bands in output order with their position. Cut and paste move
// records as the real store does (the pasted block keeps its inner layout and
// starts at the paste point).
#pragma once
#include "engine/vdxEngine.h"
#include "report/vdxClass_engine.h"
#include "report/vdxClass_memo.h"
#include "report/vdxClass_view.h"

#include <QList>
#include <QString>
#include <QStringList>

struct RecordedBand {
    QString cls;
    QString name;
    long double left = 0;
    long double top = 0;
    long double height = 0;
    QString drillName;
    int objects = 0;
    // Texts of the band's text objects as they were output.
    QStringList texts;
};

class RecordingPages : public TvdxCustomPreviewPages, public IvdxEnginePages {
public:
    explicit RecordingPages(TvdxReport *report) : TvdxCustomPreviewPages(report) {}

    QList<QList<RecordedBand>> Pages;
    QStringList Calls;
    int BeginPassCount = 0;
    int SourcePages = 0;

    // Band names of one page in output order.
    QStringList Names(int page) const
    {
        QStringList out;
        for (const RecordedBand &b : Pages.value(page))
            out << b.name;
        return out;
    }
    // Every recorded band of a class, over all pages.
    int CountOf(const QString &cls) const
    {
        int n = 0;
        for (const auto &p : Pages)
            for (const RecordedBand &b : p)
                n += b.cls == cls;
        return n;
    }

    void ClearCache() override {}
    int GetCount() override { return int(Pages.size()); }
    TvdxReportPage *GetPage(int) override { return nullptr; }
    QPointF GetPageSize(int) override { return {}; }
    void Clear() override
    {
        Pages.clear();
        CurPage = -1;
    }
    void Initialize() override
    {
        Calls << QStringLiteral("Initialize");
        Clear();
    }
    void AddObject(TvdxComponent *obj) override
    {
        if (CurPage < 0 || CurPage >= Pages.size())
            return;
        RecordedBand r;
        r.cls = obj->ClassName();
        r.name = obj->Name();
        r.left = obj->Left();
        r.top = obj->Top();
        r.height = obj->Height();
        r.objects = obj->Objects().Count();
        for (TvdxComponent *c : obj->Objects().List())
            if (auto *memo = qobject_cast<TvdxCustomMemoView *>(c))
                r.texts << memo->Text().trimmed();
        if (auto *g = qobject_cast<TvdxGroupHeader *>(obj); g && g->DrillDown())
            r.drillName = g->DrillName();
        Pages[CurPage].append(r);
    }
    void AddPage(TvdxReportPage *) override
    {
        if (AddPageAction == apWriteOver && CurPage >= 0 && CurPage < Pages.size() - 1) {
            ++CurPage;
            Pages[CurPage].clear();
            return;
        }
        Pages.append(QList<RecordedBand>());
        CurPage = int(Pages.size()) - 1;
    }
    void AddSourcePage(TvdxReportPage *) override { ++SourcePages; }
    void AddToSourcePage(TvdxComponent *) override {}
    void BeginPass() override { ++BeginPassCount; }
    void ClearFirstPassPages() override
    {
        Calls << QStringLiteral("ClearFirstPassPages");
        Pages.clear();
        CurPage = -1;
    }
    int GetCurPosition() override { return CurPage >= 0 && CurPage < Pages.size() ? int(Pages[CurPage].size()) : 0; }
    void CutObjects(int position) override
    {
        m_cut.clear();
        if (CurPage < 0 || CurPage >= Pages.size())
            return;
        auto &p = Pages[CurPage];
        while (p.size() > position)
            m_cut.prepend(p.takeLast());
    }
    void DeleteObjects(int position) override
    {
        if (CurPage >= 0 && CurPage < Pages.size())
            while (Pages[CurPage].size() > position)
                Pages[CurPage].removeLast();
    }
    void DeleteAnchors(int) override {}
    void PasteObjects(long double x, long double y) override
    {
        if (m_cut.isEmpty() || CurPage < 0 || CurPage >= Pages.size())
            return;
        const long double top0 = m_cut.first().top, left0 = m_cut.first().left;
        for (RecordedBand r : m_cut) {
            r.top = r.top - top0 + y;
            r.left = r.left - left0 + x;
            Pages[CurPage].append(r);
        }
        m_cut.clear();
    }
    void IncLogicalPageNumber() override {}
    void ResetLogicalPageNumber() override { Calls << QStringLiteral("ResetLogicalPageNumber"); }
    void ShiftAnchors(int, int) override {}
    IvdxCachedGraphicRef GetPicture(TvdxCachedGraphicType, int) override { return {}; }
    void AddPicture(TvdxComponent *) override {}
    int AddGraphic(TGraphic *) override { return -1; }
    bool BandExists(TvdxBand *band) override
    {
        if (CurPage < 0 || CurPage >= Pages.size())
            return false;
        for (const RecordedBand &r : Pages[CurPage])
            if (r.name == band->Name() && !r.name.isEmpty())
                return true;
        return false;
    }
    int GetAnchorCurPosition() override { return 0; }
    long double GetLastY(long double x = 0) override
    {
        long double y = 0;
        if (CurPage >= 0 && CurPage < Pages.size())
            for (const RecordedBand &r : Pages[CurPage])
                if (r.left >= x - 1e-4L)
                    y = std::max(y, r.top + r.height);
        return y;
    }
    int GetLogicalPageNo() override { return CurPage + 1; }
    int GetLogicalTotalPages() override { return int(Pages.size()); }
    void AddEmptyPage(int) override {}
    void DeletePage(int) override {}
    void ModifyPage(int, TvdxReportPage *) override {}
    void ModifyObject(TvdxComponent *) override {}
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
    bool Print() override { return false; }
    bool Export(TvdxCustomExportFilter *) override { return false; }
    void Finish() override
    {
        Calls << QStringLiteral("Finish");
        TvdxCustomPreviewPages::Finish();
    }

    // IvdxEnginePages
    void GetLastColumnPos(int &aColumn, long double &columnPos) override
    {
        aColumn = m_lastColumn;
        columnPos = m_lastColumnPos;
    }
    void UpdatePageLastColumn(int aColumn, long double columnPos, bool) override
    {
        m_lastColumn = aColumn;
        m_lastColumnPos = columnPos;
    }
    void UpdatePageDimension(int, long double, long double height, int) override { LastEndlessHeightMM = height; }
    void UpdatePageDimensions(TvdxReportPage *, long double, long double height) override
    {
        LastEndlessHeightPx = height;
    }
    long double LastEndlessHeightMM = 0;
    long double LastEndlessHeightPx = 0;

private:
    QList<RecordedBand> m_cut;
    int m_lastColumn = 0;
    long double m_lastColumnPos = 0;
};
