#include "StoreFixture.h"

#include "engine/vdxTraceExport.h"
#include "platform/UiProvider.h"
#include "report/vdxClass_io.h"
#include "report/vdxClass_options.h"

namespace {

// Records every call the loop makes, besides the trace lines.
class RecordingTransport : public TvdxIOTransportFile {
public:
    explicit RecordingTransport(QStringList &log) : TvdxIOTransportFile(nullptr, true), m_log(log) {}
    bool OpenFilter() override
    {
        m_log << "OpenFilter";
        return opens;
    }
    void CloseFilter() override
    {
        m_log << "CloseFilter";
        TvdxIOTransportFile::CloseFilter();
    }
    bool opens = true;

private:
    QStringList &m_log;
};

class RecordingFilter : public TvdxTraceExport {
public:
    RecordingFilter()
    {
        SetShowDialogOptions(doShowExportSettings);
        OnBeforeExport = [this](QObject *) { log << "OnBeforeExport"; };
        OnBeginExport = [this](QObject *) { log << "OnBeginExport"; };
        SetIOTransport(&transport);
        SetStream(&sink);
        sink.open(QIODevice::WriteOnly);
    }
    int ShowModal() override
    {
        log << "ShowModal";
        return modal;
    }
    bool Start() override
    {
        TvdxTraceExport::Start();
        log << "DoStart";
        return starts;
    }
    void StartPage(TvdxComponent *page, int index) override
    {
        TvdxTraceExport::StartPage(page, index);
        log << QStringLiteral("StartPage %1").arg(index);
    }
    void ExportObject(TvdxComponent *obj) override
    {
        TvdxTraceExport::ExportObject(obj);
        if (obj->Name() == stopAt)
            SetTerminated(true);
        if (obj->Name() == failAt)
            throw Exception(QStringLiteral("disk full"));
    }
    void FinishPage(TvdxComponent *page, int index) override
    {
        TvdxTraceExport::FinishPage(page, index);
        log << QStringLiteral("FinishPage %1").arg(index);
    }
    void Finish() override
    {
        TvdxTraceExport::Finish();
        log << "DoFinish";
    }
    void ClearResources() override { log << "ClearResources"; }
    QStringList objectNames() const
    {
        QStringList names;
        for (const QString &l : Lines())
            if (l.startsWith("ExportObject"))
                names << l.section(' ', 2, 2);
        return names;
    }

    QStringList log;
    RecordingTransport transport{log};
    QBuffer sink;
    int modal = mrOk;
    bool starts = true;
    QString stopAt, failAt;
};

} // namespace

struct ExportLoop : StoreFixture {
    ExportLoop()
    {
        report.SetSilentMode(int(TvdxEngineOptions::simSilent));
        store().AddSourcePage(page);
        for (int i = 0; i < 3; ++i) {
            store().AddPage(page);
            placeBand(20, QStringLiteral("page %1").arg(i));
        }
        store().Finish();
    }
    RecordingFilter filter;
};

TEST_F(ExportLoop, CallsComeInTheFixedOrder)
{
    filter.SetPageNumbers("2");
    EXPECT_TRUE(store().Export(&filter));
    EXPECT_EQ(filter.log, (QStringList{"OnBeforeExport", "ShowModal", "OpenFilter", "OnBeginExport", "DoStart",
                                       "StartPage 1", "FinishPage 1", "DoFinish", "CloseFilter", "ClearResources"}));
    EXPECT_EQ(filter.Report(), &report);
    EXPECT_GT(filter.CreationTime(), 40000);
    EXPECT_EQ(store().LastExportEnd(), TvdxPreviewPages::eeFinished);
    // The trace went to the caller's stream, a line per call.
    EXPECT_EQ(QString::fromUtf8(filter.sink.data()).split('\n', Qt::SkipEmptyParts), filter.Lines());
    EXPECT_TRUE(filter.Lines().contains("ExportObject TvdxMemoView Memo1 10.00 20.00 100.00 20.00 page 1"))
        << filter.Lines().join('\n').toStdString();
}

TEST_F(ExportLoop, EveryPageOpensWithItsBackgroundAndHandsDirectChildrenOnly)
{
    auto *inner = new TvdxMemoView(memo1); // a grandchild of the band
    inner->SetName("Inner");
    EXPECT_TRUE(store().Export(&filter));
    QStringList expected;
    for (int i = 0; i < 3; ++i)
        expected << "_pagebackground" << "MasterData1" << "Memo1" << "Memo2";
    EXPECT_EQ(filter.objectNames(), expected);
    EXPECT_EQ(filter.Lines().first(), "Start");
    EXPECT_EQ(filter.Lines().last(), "Finish");

    filter.SetDataOnly(true); // a plain band is no data band: nothing passes
    EXPECT_TRUE(store().Export(&filter));
    EXPECT_TRUE(filter.objectNames().isEmpty());
}

TEST_F(ExportLoop, MemoWithoutExportVisibilityNeverReachesTheFilter)
{
    store().Clear();
    memo2->SetVisibility(TvdxView::vsPreview);
    store().AddSourcePage(page);
    store().AddPage(page);
    placeBand(20);
    EXPECT_TRUE(store().Export(&filter));
    EXPECT_EQ(filter.objectNames(), (QStringList{"_pagebackground", "MasterData1", "Memo1"}));
}

TEST_F(ExportLoop, PageSelectionsPickTheirPagesOnly)
{
    struct Case {
        const char *pages;
        QStringList started;
    };
    const Case cases[] = {
        {"", {"StartPage 0", "StartPage 1", "StartPage 2"}},
        {"1,3", {"StartPage 0", "StartPage 2"}},
        {"2-", {"StartPage 1", "StartPage 2"}},
        {"5-9", {}}, // names no page of this report: none, not all
        {"7", {}},
    };
    for (const Case &c : cases) {
        RecordingFilter f;
        f.SetPageNumbers(QLatin1String(c.pages));
        EXPECT_TRUE(store().Export(&f)) << c.pages;
        EXPECT_EQ(f.log.filter("StartPage"), c.started) << c.pages;
        EXPECT_TRUE(f.log.contains("DoFinish")) << c.pages;
    }
}

TEST_F(ExportLoop, CurrentPageWithoutPreviewIsTheFirst)
{
    filter.SetCurPage(true);
    EXPECT_TRUE(store().Export(&filter));
    EXPECT_EQ(filter.PageNumbers(), "1");
    EXPECT_TRUE(filter.log.contains("StartPage 0"));
    EXPECT_FALSE(filter.log.contains("StartPage 1"));
}

TEST_F(ExportLoop, CancelledDialogAndClosedTransportExportNothing)
{
    filter.modal = mrCancel;
    EXPECT_FALSE(store().Export(&filter));
    EXPECT_EQ(filter.log, (QStringList{"OnBeforeExport", "ShowModal", "ClearResources"}));

    RecordingFilter closed;
    closed.SetShowDialogOptions(0);
    closed.transport.opens = false;
    EXPECT_FALSE(store().Export(&closed));
    EXPECT_EQ(closed.log, (QStringList{"OnBeforeExport", "OpenFilter", "CloseFilter", "ClearResources"}));
    EXPECT_FALSE(store().Export(nullptr));
}

TEST_F(ExportLoop, FailedStartAnswersFalseAndReportsNothing)
{
    filter.starts = false;
    EXPECT_FALSE(store().Export(&filter));
    EXPECT_FALSE(filter.log.contains("StartPage 0"));
    EXPECT_FALSE(filter.log.contains("DoFinish"));
    EXPECT_TRUE(filter.log.contains("CloseFilter"));
    EXPECT_TRUE(report.Errors().isEmpty());
    EXPECT_EQ(store().LastExportEnd(), TvdxPreviewPages::eeFailed);
}

TEST_F(ExportLoop, UserStopStillFinishesAndIsToldApart)
{
    filter.stopAt = "Memo1";
    EXPECT_FALSE(store().Export(&filter));
    EXPECT_EQ(store().LastExportEnd(), TvdxPreviewPages::eeStopped);
    EXPECT_EQ(filter.objectNames(), (QStringList{"_pagebackground", "MasterData1", "Memo1"}));
    const QStringList tail = filter.log.mid(filter.log.indexOf("StartPage 0"));
    EXPECT_EQ(tail, (QStringList{"StartPage 0", "FinishPage 0", "DoFinish", "CloseFilter", "ClearResources"}));
    EXPECT_FALSE(filter.Terminated());
    EXPECT_TRUE(report.Errors().isEmpty());

    // The report's Terminated stops it too.
    RecordingFilter second;
    second.OnBeginExport = [&](QObject *) { report.SetTerminated(true); };
    EXPECT_FALSE(store().Export(&second));
    EXPECT_EQ(second.objectNames(), (QStringList{"_pagebackground"}));
}

TEST_F(ExportLoop, ErrorIsReportedOnceAndTheFilterStillFinishes)
{
    filter.failAt = "Memo2";
    EXPECT_FALSE(store().Export(&filter));
    EXPECT_EQ(store().LastExportEnd(), TvdxPreviewPages::eeFailed);
    EXPECT_TRUE(report.Errors().contains("disk full"));
    const QStringList tail = filter.log.mid(filter.log.indexOf("StartPage 0"));
    EXPECT_EQ(tail, (QStringList{"StartPage 0", "FinishPage 0", "DoFinish", "CloseFilter", "ClearResources"}));
}

#include "report/vdxClass_band.h"

// Page header, data and page footer bands on each of three pages.
struct ExportBands : StoreFixture {
    ExportBands()
    {
        header = new TvdxPageHeader(page);
        header->SetName("PageHeader1");
        header->SetBounds(0, 0, 700, 20);
        data = new TvdxMasterData(page);
        data->SetName("MasterData2");
        data->SetBounds(0, 60, 700, 20);
        auto *m = new TvdxMemoView(data);
        m->SetName("DataMemo");
        footer = new TvdxPageFooter(page);
        footer->SetName("PageFooter1");
        footer->SetBounds(0, 900, 700, 20);
        page->setProperty("LeftMargin", 10);
        page->setProperty("TopMargin", 5);
        store().AddSourcePage(page);
        for (int i = 0; i < pages; ++i) {
            store().AddPage(page);
            store().AddObject(header);
            store().AddObject(data);
            store().AddObject(footer);
        }
        store().Finish();
    }
    int pages = 3;
    TvdxPageHeader *header;
    TvdxMasterData *data;
    TvdxPageFooter *footer;
    RecordingFilter filter;
};

TEST_F(ExportBands, SuppressedHeadersAndFootersStayOnTheirOwnPage)
{
    filter.SetSuppressPageHeadersFooters(true);
    EXPECT_TRUE(store().Export(&filter));
    const QStringList names = filter.objectNames();
    EXPECT_EQ(names.count("PageHeader1"), 1);
    EXPECT_EQ(names.count("PageFooter1"), 1);
    EXPECT_EQ(names.count("MasterData2"), 3);
    EXPECT_LT(names.indexOf("PageHeader1"), names.indexOf("MasterData2"));
    EXPECT_GT(names.lastIndexOf("PageFooter1"), names.lastIndexOf("MasterData2"));
}

TEST_F(ExportBands, DataOnlyKeepsObjectsOfDataBandsAndMarginsShiftPositions)
{
    filter.SetDataOnly(true);
    EXPECT_TRUE(store().Export(&filter));
    EXPECT_EQ(filter.objectNames(), (QStringList{"DataMemo", "DataMemo", "DataMemo"}));
    const QString line = filter.Lines().filter("DataMemo").first();
    // 10 mm and 5 mm margins: 37.80 and 18.90 pixels, the band at 60.
    EXPECT_TRUE(line.startsWith("ExportObject TvdxMemoView DataMemo 37.80 78.90 ")) << line.toStdString();
}

TEST(ExportOnePage, HeaderAndFooterBothStayOnASinglePage)
{
    struct One : ExportBands {
        void TestBody() override {}
    };
    One one;
    one.store().Clear();
    one.store().AddSourcePage(one.page);
    one.store().AddPage(one.page);
    one.store().AddObject(one.header);
    one.store().AddObject(one.footer);
    one.filter.SetSuppressPageHeadersFooters(true);
    EXPECT_TRUE(one.store().Export(&one.filter));
    EXPECT_EQ(one.filter.objectNames(), (QStringList{"_pagebackground", "PageHeader1", "PageFooter1"}));
}

// An object that exports itself, as a table does: each cell, then the cell's
// contents between BeginClip and EndClip; or, for a filter that does not take
// contents, the whole object between BeginClip and EndClip.
class SelfExportingView : public TvdxView {
    Q_OBJECT
public:
    Q_INVOKABLE explicit SelfExportingView(TvdComponent *owner = nullptr) : TvdxView(owner) {}
    bool ExportInternal(TvdPersistent *f) override
    {
        auto *filter = qobject_cast<TvdxCustomExportFilter *>(f);
        if (!filter->IsProcessInternal()) {
            filter->BeginClip(this);
            filter->ExportObject(this);
            filter->EndClip();
            return false;
        }
        for (TvdxComponent *cell : Objects().List()) {
            filter->ExportObject(cell);
            filter->BeginClip(cell);
            for (TvdxComponent *content : cell->Objects().List())
                filter->ExportObject(content);
            filter->EndClip();
        }
        return true;
    }
};

class WholeObjectsTrace : public TvdxTraceExport {
public:
    bool IsProcessInternal() override { return false; }
};

TEST_F(ExportLoop, ObjectsThatExportThemselvesClipTheirContents)
{
    vdRegisterClass<SelfExportingView>();
    auto *table = new SelfExportingView(band);
    table->SetName("Table1");
    table->SetBounds(300, 0, 200, 20);
    auto *cell = new TvdxMemoView(table);
    cell->SetName("Cell1");
    cell->SetBounds(0, 0, 100, 20);
    auto *content = new TvdxMemoView(cell);
    content->SetName("Content1");
    store().Clear();
    store().AddSourcePage(page);
    store().AddPage(page);
    placeBand(20);
    store().Finish();

    struct Case {
        TvdxTraceExport *filter;
        QStringList tail;
    };
    TvdxTraceExport cells;
    WholeObjectsTrace whole;
    const Case cases[] = {
        {&cells, {"ExportObject TvdxMemoView Cell1", "BeginClip Cell1", "ExportObject TvdxMemoView Content1", "EndClip",
                  "FinishPage 0"}},
        {&whole, {"BeginClip Table1", "ExportObject SelfExportingView Table1", "EndClip",
                  "ExportObject SelfExportingView Table1", "FinishPage 0"}},
    };
    for (const Case &c : cases) {
        QBuffer sink;
        sink.open(QIODevice::WriteOnly);
        c.filter->SetStream(&sink);
        EXPECT_TRUE(store().Export(c.filter));
        QStringList lines = c.filter->Lines();
        for (QString &l : lines)
            l = l.section(' ', 0, 2);
        const int at = lines.indexOf("ExportObject TvdxMemoView Memo2");
        ASSERT_GE(at, 0) << lines.join('\n').toStdString();
        EXPECT_EQ(lines.mid(at + 1, c.tail.size()), c.tail) << lines.join('\n').toStdString();
    }
}

#include "ExportLoopTest.moc"
