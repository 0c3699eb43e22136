// The engine run against a recording store: band arrangement and its
// messages, dialog pages, the data-band tree over real SQLite data (groups,
// filters, row counts, columns, child padding, drill-down), page flow and
// geometry.
#include "RecordingPages.h"
#include "common/TestSupport.h"
#include "engine/vdxEngine.h"
#include "report/vdxClass.h"
#include "report/vdxClass_dataset.h"
#include "report/vdxClass_dialog.h"
#include "report/vdxClass_memo.h"
#include "report/vdxClass_options.h"
#include "report/vdxDBSet.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <map>
#include <memory>

namespace {

using vdtest::runSqlite;

// Resolves DS."field" against the fixture's data sets (the report's own
// expression resolver is not part of the engine); everything else goes to
// the report's Calc.
class TestEngine : public TvdxEngine {
public:
    using TvdxEngine::TvdxEngine;
    std::map<QString, TvdxDataSet *> sets;

protected:
    Variant Evaluate(const QString &expr) override
    {
        static const QRegularExpression field(QStringLiteral("^\\s*(\\w+)\\.\"(\\w+)\"\\s*$"));
        const auto m = field.match(expr);
        if (m.hasMatch())
            if (auto it = sets.find(m.captured(1)); it != sets.end())
                return it->second->GetValue(m.captured(2));
        if (expr.trimmed() == QLatin1String("False"))
            return Variant(false);
        if (expr.trimmed() == QLatin1String("True"))
            return Variant(true);
        return TvdxEngine::Evaluate(expr);
    }
    // Script events are recorded instead of run.
    void DoEvent(const QString &proc, QObject *, Variant *) override { events << proc; }

public:
    QStringList events;
};

class EngineRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty())
            GTEST_SKIP() << "sqlite3 tool not installed";
        vdxRegisterReportClasses();
        dbFile = dir.file(QStringLiteral("data.db"));
        ASSERT_TRUE(runSqlite(dbFile, "CREATE TABLE t (n INTEGER, g TEXT, h TEXT);\n"
                                      "INSERT INTO t VALUES (1,'a','x'),(2,'a','x'),(3,'a','y'),(4,'b','y'),"
                                      "(5,'c','z'),(6,'c','z'),(7,'d','z'),(8,'d','z'),(9,'d','w'),(10,'e','w');\n"
                                      "CREATE TABLE m (id INTEGER);\nINSERT INTO m VALUES (1),(2),(3);\n"
                                      "CREATE TABLE e (id INTEGER);\n"));
        report = std::make_unique<TvdxReport>();
        engine = std::make_unique<TestEngine>(report.get());
        pages = std::make_unique<RecordingPages>(report.get());
        engine->SetPreviewPages(pages.get());
        page = new TvdxReportPage(report.get());
        page->SetName(QStringLiteral("Page1"));
        page->SetLeftMargin(10);
        page->SetRightMargin(10);
        page->SetTopMargin(10);
        page->SetBottomMargin(10);
    }
    void TearDown() override
    {
        TvdxDialogPage::ShowModalHook = nullptr;
        engine.reset();
        pages.reset();
        report.reset();
        datasets.clear();
        queries.clear();
    }
    TvdxDataSet *dataSet(const QString &name, const QString &sql)
    {
        auto q = std::make_unique<TvdxSqlDataSet>();
        q->SetDatabaseFile(dbFile);
        q->SetSQL(sql);
        auto ds = std::make_unique<TvdxDBDataset>(nullptr);
        ds->SetUserName(name);
        ds->SetDataSet(q.get());
        TvdxDataSet *raw = ds.get();
        engine->sets[name] = raw;
        queries.push_back(std::move(q));
        datasets.push_back(std::move(ds));
        return raw;
    }
    template <class B>
    B *band(const QString &name, double top, double height = 20)
    {
        auto *b = new B(page);
        b->SetName(name);
        b->SetTop(top);
        b->SetHeight(height);
        return b;
    }
    bool run(bool dialogs = false) { return engine->Run(dialogs); }
    QStringList allNames() const
    {
        QStringList out;
        for (int i = 0; i < pages->Pages.size(); ++i)
            out << pages->Names(i);
        return out;
    }

    vdtest::TempDir dir;
    QString dbFile;
    std::unique_ptr<TvdxReport> report;
    std::unique_ptr<TestEngine> engine;
    std::unique_ptr<RecordingPages> pages;
    TvdxReportPage *page = nullptr;
    std::vector<std::unique_ptr<TvdxSqlDataSet>> queries;
    std::vector<std::unique_ptr<TvdxDBDataset>> datasets;
};

} // namespace

TEST_F(EngineRunTest, OneMasterOverThreeRecordsGivesTheBandsInOrder)
{
    band<TvdxReportTitle>(QStringLiteral("Title"), 0);
    band<TvdxPageHeader>(QStringLiteral("PH"), 30);
    band<TvdxMasterData>(QStringLiteral("Row"), 60)->SetDataSet(dataSet(QStringLiteral("M"), QStringLiteral("select id from m")));
    band<TvdxReportSummary>(QStringLiteral("Sum"), 90);
    band<TvdxPageFooter>(QStringLiteral("PF"), 120);
    ASSERT_TRUE(run()) << report->ErrorMessage().toStdString();
    ASSERT_EQ(pages->Pages.size(), 1);
    EXPECT_EQ(pages->Names(0), (QStringList{"Title", "PH", "Row", "Row", "Row", "Sum", "PF"}));
    EXPECT_EQ(engine->TotalPages, 0);
    // Rows follow each other; the page footer sits at the bottom of the printable area.
    EXPECT_NEAR(double(pages->Pages[0][3].top - pages->Pages[0][2].top), 20.0, 1e-9);
    EXPECT_NEAR(double(pages->Pages[0][6].top), (297 - 20) * 3.77953 - 20, 1e-6);
    EXPECT_FALSE(engine->Running);
    EXPECT_TRUE(pages->Calls.contains(QStringLiteral("Finish")));
}

TEST_F(EngineRunTest, DoublePassKnowsTheFirstPassPageCount)
{
    report->EngineOptions()->SetDoublePass(true);
    auto *row = band<TvdxMasterData>(QStringLiteral("Row"), 60, 400);
    row->SetDataSet(dataSet(QStringLiteral("M"), QStringLiteral("select id from m")));
    ASSERT_TRUE(run());
    EXPECT_EQ(pages->Pages.size(), 2);
    EXPECT_EQ(engine->TotalPages, 2);
    EXPECT_EQ(pages->Calls.count(QStringLiteral("ClearFirstPassPages")), 1);
    EXPECT_TRUE(engine->FinalPass);
}

TEST_F(EngineRunTest, ArrangementMessagesStopTheRun)
{
    // Each step: a page set up wrongly, and the one line it must give.
    auto check = [&](const char *what, const QString &message) {
        report->ClearErrors();
        pages->Pages.clear();
        EXPECT_FALSE(run()) << what;
        EXPECT_TRUE(report->Errors().contains(message)) << what << ": " << report->Errors().join('|').toStdString();
        EXPECT_TRUE(pages->Pages.isEmpty()) << what;
        page->Clear();
    };
    TvdxDataSet *m = dataSet(QStringLiteral("M"), QStringLiteral("select id from m"));

    band<TvdxHeader>(QStringLiteral("Header1"), 10);
    check("lone header", QStringLiteral("Unconnected header/footer Header1"));

    band<TvdxGroupFooter>(QStringLiteral("GroupFooter1"), 10);
    check("lone group footer", QStringLiteral("No group header for GroupFooter1"));

    band<TvdxGroupHeader>(QStringLiteral("GroupHeader1"), 10);
    check("group without data", QStringLiteral("No data band for the group GroupHeader1"));

    band<TvdxDetailData>(QStringLiteral("DetailData1"), 10)->SetDataSet(m);
    check("detail without master", QStringLiteral("Incorrect band position: DetailData1"));

    band<TvdxMasterData>(QStringLiteral("MasterData1"), 10)->SetDataSet(m);
    band<TvdxMasterData>(QStringLiteral("MasterData2"), 10.001)->SetDataSet(m);
    check("same position", QStringLiteral("Incorrect band position: MasterData2"));

    page->SetDataSet(m);
    band<TvdxMasterData>(QStringLiteral("MasterData1"), 10)->SetDataSet(m);
    check("page and band", QStringLiteral("Cannot use the same dataset for Page.DataSet and Band.DataSet"));

    report->SetDataSet(m);
    check("report and page", QStringLiteral("Cannot use the same dataset for Report.DataSet and Page.DataSet"));

    page->SetDataSet(nullptr);
    band<TvdxMasterData>(QStringLiteral("MasterData1"), 10)->SetDataSet(m);
    check("report and band", QStringLiteral("Cannot use the same dataset for Report.DataSet and Band.DataSet"));
}

TEST_F(EngineRunTest, BandsSortByNumericTop)
{
    // A header at 200 and a footer at 1100 around a master at 1000.
    band<TvdxHeader>(QStringLiteral("H"), 200);
    band<TvdxFooter>(QStringLiteral("F"), 1100);
    band<TvdxMasterData>(QStringLiteral("Row"), 1000)->SetDataSet(dataSet(QStringLiteral("M"), QStringLiteral("select id from m")));
    ASSERT_TRUE(run()) << report->ErrorMessage().toStdString();
    EXPECT_EQ(allNames(), (QStringList{"H", "Row", "Row", "Row", "F"}));
}

TEST_F(EngineRunTest, CancelledDialogEndsTheRunAndStillStops)
{
    TvdxDialogPage::ShowModalHook = [](TvdxDialogPage *) { return int(TvdxDialogPage::mrCancel); };
    report->SetOnStartReport(QStringLiteral("OnStart"));
    report->SetOnStopReport(QStringLiteral("OnStop"));
    auto *dlg = new TvdxDialogPage(report.get());
    new TvdxDialogComponent(dlg);
    band<TvdxReportTitle>(QStringLiteral("Title"), 0);
    EXPECT_FALSE(run(true));
    EXPECT_TRUE(pages->Pages.isEmpty());
    EXPECT_EQ(engine->events, (QStringList{"OnStart", "OnStop"}));
    EXPECT_FALSE(engine->Running);

    TvdxDialogPage::ShowModalHook = [](TvdxDialogPage *) { return int(TvdxDialogPage::mrOk); };
    EXPECT_TRUE(run(true));
    EXPECT_EQ(allNames(), QStringList{"Title"});
}

TEST_F(EngineRunTest, RowCountFilterAndEmptyData)
{
    struct Case {
        const char *what;
        int rowCount;
        const char *filter;
        const char *sql;
        QStringList expected;
    };
    const Case cases[] = {
        {"row count", 3, "", "select n from t", {"H", "Row", "Row", "Row", "F"}},
        {"filter false", 0, "False", "select n from t", {}},
        {"filter on a field", 0, "T.\"g\"", "select n, g = 'e' as g from t", {"H", "Row", "F"}},
        {"empty data", 0, "", "select * from e", {}},
    };
    for (const Case &c : cases) {
        page->Clear();
        band<TvdxHeader>(QStringLiteral("H"), 10);
        auto *row = band<TvdxMasterData>(QStringLiteral("Row"), 40);
        row->SetDataSet(dataSet(QStringLiteral("T"), QString::fromLatin1(c.sql)));
        row->SetRowCount(c.rowCount);
        row->SetFilter(QString::fromLatin1(c.filter));
        band<TvdxFooter>(QStringLiteral("F"), 70);
        ASSERT_TRUE(run()) << c.what << report->ErrorMessage().toStdString();
        EXPECT_EQ(allNames(), c.expected) << c.what;
        if (QLatin1String(c.filter) == QLatin1String("False")) {
            EXPECT_EQ(row->LineN, 1);
        }
    }
}

TEST_F(EngineRunTest, NestedGroupsAndSingleRecordFooters)
{
    TvdxDataSet *t = dataSet(QStringLiteral("T"), QStringLiteral("select n, g, h from t where n <= 6"));
    auto *g1 = band<TvdxGroupHeader>(QStringLiteral("G"), 10);
    g1->SetCondition(QStringLiteral("T.\"g\""));
    auto *g2 = band<TvdxGroupHeader>(QStringLiteral("Hh"), 40);
    g2->SetCondition(QStringLiteral("T.\"h\""));
    band<TvdxMasterData>(QStringLiteral("R"), 70)->SetDataSet(t);
    auto *f2 = band<TvdxGroupFooter>(QStringLiteral("Hf"), 100);
    band<TvdxGroupFooter>(QStringLiteral("Gf"), 130);
    f2->SetHideIfSingleDataRecord(true);
    ASSERT_TRUE(run()) << report->ErrorMessage().toStdString();
    // Rows a/x, a/x, a/y, b/y, c/z, c/z: the inner groups a/y and b/y have
    // one record and hide their footer; an inner change leaves the outer level alone.
    EXPECT_EQ(allNames(), (QStringList{"G", "Hh", "R", "R", "Hf", "Hh", "R", "Gf", //
                                       "G", "Hh", "R", "Gf",                       //
                                       "G", "Hh", "R", "R", "Hf", "Gf"}));
    EXPECT_EQ(g1->LineN, 3);
    EXPECT_EQ(g2->LineThrough, 4);
}

TEST_F(EngineRunTest, ChildPaddingRowsFillOrAdd)
{
    struct Case {
        TvdxChild::TvdxToNRowsMode mode;
        int childRows;
    };
    for (const Case c : {Case{TvdxChild::rmCount, 2}, Case{TvdxChild::rmAddToCount, 5}}) {
        page->Clear();
        auto *row = band<TvdxMasterData>(QStringLiteral("Row"), 40);
        row->SetDataSet(dataSet(QStringLiteral("M"), QStringLiteral("select id from m")));
        auto *child = band<TvdxChild>(QStringLiteral("Pad"), 70, 10);
        child->SetToNRows(5);
        child->SetToNRowsMode(c.mode);
        row->SetChild(child);
        band<TvdxFooter>(QStringLiteral("F"), 100);
        ASSERT_TRUE(run()) << report->ErrorMessage().toStdString();
        QStringList expected{"Row", "Row", "Row"};
        for (int i = 0; i < c.childRows; ++i)
            expected << QStringLiteral("Pad");
        expected << QStringLiteral("F");
        EXPECT_EQ(allNames(), expected) << int(c.mode);
        // The footer comes right below the padding rows.
        const auto &p = pages->Pages[0];
        EXPECT_NEAR(double(p.last().top), double(p[p.size() - 2].top + 10), 1e-9);
    }
}

TEST_F(EngineRunTest, ThreeColumnsOverSevenRecords)
{
    auto *row = band<TvdxMasterData>(QStringLiteral("Row"), 40);
    row->SetDataSet(dataSet(QStringLiteral("T"), QStringLiteral("select n from t where n <= 7")));
    row->SetColumns(3);
    row->SetColumnWidth(100);
    ASSERT_TRUE(run()) << report->ErrorMessage().toStdString();
    std::map<double, int> perRow;
    for (const RecordedBand &r : pages->Pages[0])
        ++perRow[double(r.top)];
    ASSERT_EQ(perRow.size(), 3u);
    auto it = perRow.begin();
    EXPECT_EQ((it++)->second, 3);
    EXPECT_EQ((it++)->second, 3);
    EXPECT_EQ(it->second, 1);
    EXPECT_NEAR(double(pages->Pages[0][1].left), 100.0, 1e-9);
}

TEST_F(EngineRunTest, StartNewPageBreaksAfterTheFirstRow)
{
    auto *row = band<TvdxMasterData>(QStringLiteral("Row"), 40);
    row->SetDataSet(dataSet(QStringLiteral("M"), QStringLiteral("select id from m")));
    row->SetStartNewPage(true);
    ASSERT_TRUE(run());
    ASSERT_EQ(pages->Pages.size(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(pages->Names(i), QStringList{"Row"});
}

TEST_F(EngineRunTest, DrillNamesFollowTheDataBandTree)
{
    band<TvdxMasterData>(QStringLiteral("MasterData1"), 10)->SetDataSet(dataSet(QStringLiteral("M"), QStringLiteral("select id from m")));
    auto *g = band<TvdxGroupHeader>(QStringLiteral("GroupHeader1"), 40);
    g->SetCondition(QStringLiteral("T.\"g\""));
    g->SetDrillDown(true);
    band<TvdxDetailData>(QStringLiteral("DetailData1"), 70)->SetDataSet(dataSet(QStringLiteral("T"), QStringLiteral("select g from t where n <= 4")));
    ASSERT_TRUE(run()) << report->ErrorMessage().toStdString();
    QStringList drill;
    for (const auto &p : pages->Pages)
        for (const RecordedBand &r : p)
            if (!r.drillName.isEmpty())
                drill << r.drillName;
    EXPECT_TRUE(drill.contains(QStringLiteral("MasterData1.3.GroupHeader1.2"))) << drill.join(' ').toStdString();
    // Collapsed: the detail rows are hidden.
    EXPECT_EQ(pages->CountOf(QStringLiteral("TvdxDetailData")), 0);
    report->DrillState() << QStringLiteral("MasterData1.1.GroupHeader1.1");
    ASSERT_TRUE(run());
    EXPECT_EQ(pages->CountOf(QStringLiteral("TvdxDetailData")), 3);
}

TEST_F(EngineRunTest, PageGeometryAndEndlessPages)
{
    band<TvdxReportTitle>(QStringLiteral("Title"), 0);
    ASSERT_TRUE(run());
    EXPECT_NEAR(double(engine->PageHeight()), 1046.93, 0.005);
    EXPECT_NEAR(double(engine->PageWidth), 718.11, 0.005);
    page->SetEndlessHeight(true);
    ASSERT_TRUE(run());
    EXPECT_EQ(double(engine->FreeSpace()), 1000000.0);
}

TEST_F(EngineRunTest, PageHeaderOffOnFirstPageShowsItsChild)
{
    auto *ph = band<TvdxPageHeader>(QStringLiteral("PH"), 0);
    ph->SetPrintOnFirstPage(false);
    ph->SetPrintChildIfInvisible(true);
    auto *child = band<TvdxChild>(QStringLiteral("PHChild"), 30);
    ph->SetChild(child);
    auto *row = band<TvdxMasterData>(QStringLiteral("Row"), 60, 600);
    row->SetDataSet(dataSet(QStringLiteral("M"), QStringLiteral("select id from m where id <= 2")));
    ASSERT_TRUE(run());
    ASSERT_EQ(pages->Pages.size(), 2);
    EXPECT_EQ(pages->Names(0), (QStringList{"PHChild", "Row"}));
    EXPECT_EQ(pages->Names(1), (QStringList{"PH", "PHChild", "Row"}));
}

TEST_F(EngineRunTest, SecondColumnStartsAtTheColumnTop)
{
    page->SetColumns(2);
    band<TvdxPageHeader>(QStringLiteral("PH"), 0);
    band<TvdxColumnHeader>(QStringLiteral("CH"), 30);
    auto *row = band<TvdxMasterData>(QStringLiteral("Row"), 60, 400);
    row->SetDataSet(dataSet(QStringLiteral("M"), QStringLiteral("select id from m")));
    ASSERT_TRUE(run());
    ASSERT_EQ(pages->Pages.size(), 1);
    const QList<RecordedBand> &p = pages->Pages[0];
    EXPECT_EQ(pages->Names(0), (QStringList{"PH", "CH", "Row", "Row", "CH", "Row"}));
    // Second column: column header at the column top (below the page header), shifted right.
    EXPECT_NEAR(double(p[4].top), 20.0, 1e-9);
    EXPECT_NEAR(double(p[4].left), 95 * 3.77953, 1e-6);
}

TEST_F(EngineRunTest, PrintOnPreviousPageContinuesTheLastPage)
{
    band<TvdxReportTitle>(QStringLiteral("T1"), 0);
    auto *second = new TvdxReportPage(report.get());
    second->SetName(QStringLiteral("Page2"));
    second->SetPrintOnPreviousPage(true);
    auto *t2 = new TvdxReportTitle(second);
    t2->SetName(QStringLiteral("T2"));
    t2->SetHeight(20);
    ASSERT_TRUE(run());
    ASSERT_EQ(pages->Pages.size(), 1);
    EXPECT_EQ(pages->Names(0), (QStringList{"T1", "T2"}));
    EXPECT_NEAR(double(pages->Pages[0][1].top), 20.0, 1e-9);
}

TEST_F(EngineRunTest, KeepHeaderMovesWithTheFirstRow)
{
    band<TvdxReportTitle>(QStringLiteral("Title"), 0, 1000);
    band<TvdxHeader>(QStringLiteral("H"), 1010, 20);
    auto *row = band<TvdxMasterData>(QStringLiteral("Row"), 1040, 30);
    row->SetDataSet(dataSet(QStringLiteral("M"), QStringLiteral("select id from m")));
    row->SetKeepHeader(true);
    ASSERT_TRUE(run());
    ASSERT_EQ(pages->Pages.size(), 2);
    EXPECT_EQ(pages->Names(0), QStringList{"Title"});
    EXPECT_EQ(pages->Names(1), (QStringList{"H", "Row", "Row", "Row"}));
    EXPECT_NEAR(double(pages->Pages[1][0].top), 0.0, 1e-9);
}

TEST_F(EngineRunTest, OversizedBandsAndZeroPagesEndCleanly)
{
    // A page header taller than the page, a row taller than the page and a
    // page without height: every row still prints once, on a bounded number of pages.
    struct Case {
        const char *what;
        double paperHeight;
        double headerHeight;
        double rowHeight;
    };
    const Case cases[] = {
        {"row taller than the page", 297, 0, 5000},
        {"page header taller than the page", 297, 5000, 20},
        {"zero page", 0, 20, 20},
    };
    for (const Case &c : cases) {
        page->Clear();
        page->SetPaperHeight(c.paperHeight);
        page->SetTopMargin(c.paperHeight ? 10 : 0);
        page->SetBottomMargin(c.paperHeight ? 10 : 0);
        if (c.headerHeight > 0)
            band<TvdxPageHeader>(QStringLiteral("PH"), 0, c.headerHeight);
        band<TvdxMasterData>(QStringLiteral("Row"), 6000, c.rowHeight)
            ->SetDataSet(dataSet(QStringLiteral("M"), QStringLiteral("select id from m")));
        ASSERT_TRUE(run()) << c.what;
        EXPECT_EQ(pages->CountOf(QStringLiteral("TvdxMasterData")), 3) << c.what;
        EXPECT_LE(pages->Pages.size(), 4) << c.what;
    }
}

TEST_F(EngineRunTest, RowCountWithoutDataSetUsesTheVirtualDataSet)
{
    band<TvdxMasterData>(QStringLiteral("Row"), 10)->SetRowCount(4);
    ASSERT_TRUE(run()) << report->ErrorMessage().toStdString();
    EXPECT_EQ(pages->CountOf(QStringLiteral("TvdxMasterData")), 4);
}

TEST_F(EngineRunTest, ShortOrBadColumnPositionsFallBackToTheColumnWidth)
{
    page->SetColumns(3);
    page->SetColumnPositions({QStringLiteral("0"), QStringLiteral("abc")});
    auto *row = band<TvdxMasterData>(QStringLiteral("Row"), 60, 400);
    row->SetDataSet(dataSet(QStringLiteral("T"), QStringLiteral("select n from t where n <= 6")));
    ASSERT_TRUE(run());
    QList<double> lefts;
    for (const RecordedBand &r : pages->Pages[0])
        if (!lefts.contains(double(r.left)))
            lefts << double(r.left);
    ASSERT_EQ(lefts.size(), 3);
    const double w = double(page->ColumnWidth() * 3.77953L);
    EXPECT_NEAR(lefts[1], w, 1e-6);
    EXPECT_NEAR(lefts[2], 2 * w, 1e-6);
}

TEST_F(EngineRunTest, TerminatedStopsAtTheNextRowAndFinishesThePage)
{
    band<TvdxMasterData>(QStringLiteral("Row"), 10)
        ->SetDataSet(dataSet(QStringLiteral("T"), QStringLiteral("select n from t")));
    band<TvdxPageFooter>(QStringLiteral("PF"), 40);
    int rows = 0;
    report->OnAfterPrint = [&](TvdxReportComponent *c) {
        if (c->Name() == QLatin1String("Row") && ++rows == 2)
            report->SetTerminated(true);
    };
    ASSERT_TRUE(run());
    EXPECT_EQ(pages->CountOf(QStringLiteral("TvdxMasterData")), 2);
    EXPECT_EQ(pages->Names(0).last(), QStringLiteral("PF"));
    report->SetTerminated(false);
}

TEST_F(EngineRunTest, KeepFooterMovesTheLastRowWithItsFooter)
{
    for (const bool keep : {true, false}) {
        page->Clear();
        band<TvdxReportTitle>(QStringLiteral("Title"), 0, 100);
        auto *row = band<TvdxMasterData>(QStringLiteral("Row"), 200, 300);
        row->SetDataSet(dataSet(QStringLiteral("M"), QStringLiteral("select id from m")));
        row->SetKeepFooter(keep);
        band<TvdxFooter>(QStringLiteral("F"), 600, 60);
        ASSERT_TRUE(run());
        ASSERT_EQ(pages->Pages.size(), 2) << keep;
        if (keep) {
            EXPECT_EQ(pages->Names(0), (QStringList{"Title", "Row", "Row"}));
            EXPECT_EQ(pages->Names(1), (QStringList{"Row", "F"}));
            EXPECT_NEAR(double(pages->Pages[1][1].top), 300.0, 1e-9);
        } else {
            EXPECT_EQ(pages->Names(0), (QStringList{"Title", "Row", "Row", "Row"}));
            EXPECT_EQ(pages->Names(1), QStringList{"F"});
        }
    }
}

TEST_F(EngineRunTest, HeaderWithReprintOnNewPageStartsEveryPage)
{
    band<TvdxHeader>(QStringLiteral("H"), 10)->SetReprintOnNewPage(true);
    band<TvdxMasterData>(QStringLiteral("Row"), 40, 400)
        ->SetDataSet(dataSet(QStringLiteral("M"), QStringLiteral("select id from m")));
    band<TvdxFooter>(QStringLiteral("F"), 500);
    ASSERT_TRUE(run());
    ASSERT_EQ(pages->Pages.size(), 2);
    EXPECT_EQ(pages->Names(0), (QStringList{"H", "Row", "Row"}));
    EXPECT_EQ(pages->Names(1), (QStringList{"H", "Row", "F"}));
}

TEST_F(EngineRunTest, SummaryAtBottomAndFooterOnSinglePage)
{
    struct Case {
        bool printOnSinglePage;
        QStringList expected;
    };
    for (const Case &c : {Case{true, {"Sum", "PF"}}, Case{false, {"Sum"}}}) {
        page->Clear();
        auto *sum = band<TvdxReportSummary>(QStringLiteral("Sum"), 10, 30);
        sum->SetPrintAtBottom(true);
        auto *pf = band<TvdxPageFooter>(QStringLiteral("PF"), 50, 20);
        pf->SetPrintOnLastPage(false);
        pf->SetPrintOnSinglePage(c.printOnSinglePage);
        ASSERT_TRUE(run());
        EXPECT_EQ(allNames(), c.expected);
        EXPECT_NEAR(double(pages->Pages[0][0].top), double(engine->PageHeight()) - 20 - 30, 1e-6);
    }
}

TEST_F(EngineRunTest, SubreportRunsItsPageAtItsPlace)
{
    auto *outer = band<TvdxMasterData>(QStringLiteral("Outer"), 10, 30);
    outer->SetDataSet(dataSet(QStringLiteral("M"), QStringLiteral("select id from m")));
    auto *inner = new TvdxReportPage(report.get());
    inner->SetName(QStringLiteral("Inner"));
    auto *innerRow = new TvdxMasterData(inner);
    innerRow->SetName(QStringLiteral("InnerRow"));
    innerRow->SetHeight(10);
    innerRow->SetDataSet(dataSet(QStringLiteral("T"), QStringLiteral("select n from t where n <= 2")));
    auto *sub = new TvdxSubreport(outer);
    sub->SetName(QStringLiteral("Sub"));
    sub->SetBounds(50, 25, 100, 5);
    sub->SetSubPage(inner);
    ASSERT_TRUE(run()) << report->ErrorMessage().toStdString();
    ASSERT_EQ(pages->Pages.size(), 1);
    EXPECT_EQ(pages->Names(0), (QStringList{"Outer", "InnerRow", "InnerRow", "Outer", "InnerRow", "InnerRow", "Outer",
                                            "InnerRow", "InnerRow"}));
    const auto &p = pages->Pages[0];
    // The sub-report page starts at the object's place inside the band.
    EXPECT_NEAR(double(p[1].top), 25.0, 1e-9);
    EXPECT_NEAR(double(p[1].left), 50.0, 1e-9);
    EXPECT_NEAR(double(p[3].top), 45.0, 1e-9);
}

TEST_F(EngineRunTest, RepeatedValueSuppressedOnAPagePrintsAgainAtTheTopOfTheNext)
{
    auto *row = band<TvdxMasterData>(QStringLiteral("Row"), 10, 400);
    row->SetDataSet(dataSet(QStringLiteral("T"), QStringLiteral("select n from t where n <= 5")));
    auto *memo = new TvdxMemoView(row);
    memo->SetName(QStringLiteral("Same"));
    memo->SetText(QStringLiteral("same"));
    memo->SetSuppressRepeated(true);
    ASSERT_TRUE(run()) << report->ErrorMessage().toStdString();
    QList<QStringList> perPage;
    for (const auto &p : pages->Pages) {
        QStringList texts;
        for (const RecordedBand &r : p)
            texts << r.texts;
        perPage << texts;
    }
    EXPECT_EQ(perPage, (QList<QStringList>{{"same", ""}, {"same", ""}, {"same"}}));
    EXPECT_EQ(memo->Text().trimmed(), QStringLiteral("same")) << "the template keeps its text";
}

// A page header that raises while a page starts: the run ends with the
// error, and the next run starts clean (no band taken for a reprint, no
// StartNewPage ignored).
TEST_F(EngineRunTest, RaisingPageStartLeavesNoReprintStateBehind)
{
    class Raising : public TestEngine {
    public:
        using TestEngine::TestEngine;
        bool raise = true;

    protected:
        void DoBeforePrint(TvdxReportComponent *c) override
        {
            if (raise && c->Name() == QLatin1String("PH"))
                throw Exception(QStringLiteral("header failed"));
            TestEngine::DoBeforePrint(c);
        }
    };
    auto raising = std::make_unique<Raising>(report.get());
    raising->SetPreviewPages(pages.get());
    band<TvdxPageHeader>(QStringLiteral("PH"), 0);
    auto *row = band<TvdxMasterData>(QStringLiteral("Row"), 40);
    row->SetDataSet(dataSet(QStringLiteral("M"), QStringLiteral("select id from m")));
    row->SetStartNewPage(true);
    EXPECT_THROW(raising->Run(false), Exception);
    EXPECT_FALSE(raising->Running);
    EXPECT_TRUE(pages->Calls.contains(QStringLiteral("Finish")));
    raising->raise = false;
    ASSERT_TRUE(raising->Run(false));
    ASSERT_EQ(pages->Pages.size(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(pages->Names(i), (QStringList{"PH", "Row"})) << i;
}

// Page flow cases: each sets bands up on the A4 page (1046.93 pixels tall)
// and names the bands of every page in output order.
TEST_F(EngineRunTest, PageFlowCases)
{
    struct Case {
        const char *what;
        std::function<void()> setUp;
        QList<QStringList> pages;
    };
    const auto rows = [&](const QString &name, double top, double height) {
        auto *row = band<TvdxMasterData>(name, top, height);
        row->SetDataSet(dataSet(QStringLiteral("M"), QStringLiteral("select id from m")));
        return row;
    };
    const Case cases[] = {
        {"child rows till the page ends, the footer below them",
         [&] {
             auto *row = rows(QStringLiteral("Row"), 40, 20);
             auto *pad = band<TvdxChild>(QStringLiteral("Pad"), 70, 100);
             pad->SetToNRowsMode(TvdxChild::rmTillPageEnds);
             row->SetChild(pad);
             band<TvdxFooter>(QStringLiteral("F"), 200);
         },
         {{"Row", "Row", "Row", "Pad", "Pad", "Pad", "Pad", "Pad", "Pad", "Pad", "Pad", "Pad", "F"}}},
        {"page header above the title",
         [&] {
             page->SetTitleBeforeHeader(false);
             band<TvdxReportTitle>(QStringLiteral("Title"), 0, 20);
             band<TvdxPageHeader>(QStringLiteral("PH"), 30, 20);
             rows(QStringLiteral("Row"), 60, 400);
         },
         {{"PH", "Title", "Row", "Row"}, {"PH", "Row"}}},
        {"summary that does not fit: the page it leaves keeps its footer",
         [&] {
             band<TvdxReportTitle>(QStringLiteral("Title"), 0, 1000);
             band<TvdxReportSummary>(QStringLiteral("Sum"), 1010, 100);
             band<TvdxPageFooter>(QStringLiteral("PF"), 1120, 20)->SetPrintOnLastPage(false);
         },
         {{"Title", "PF"}, {"Sum"}}},
        {"footer after each row",
         [&] {
             rows(QStringLiteral("Row"), 40, 20)->SetFooterAfterEach(true);
             band<TvdxFooter>(QStringLiteral("F"), 70);
         },
         {{"Row", "F", "Row", "F", "Row", "F"}}},
        {"group kept together: its header moves with its row",
         [&] {
             band<TvdxReportTitle>(QStringLiteral("Title"), 0, 900);
             auto *g = band<TvdxGroupHeader>(QStringLiteral("G"), 910, 20);
             g->SetCondition(QStringLiteral("T.\"g\""));
             g->SetKeepTogether(true);
             band<TvdxMasterData>(QStringLiteral("Row"), 940, 30)
                 ->SetDataSet(dataSet(QStringLiteral("T"), QStringLiteral("select g from t where n <= 4")));
         },
         {{"Title", "G", "Row", "Row", "Row"}, {"G", "Row"}}},
        {"group not kept: the header stays behind",
         [&] {
             band<TvdxReportTitle>(QStringLiteral("Title"), 0, 900);
             band<TvdxGroupHeader>(QStringLiteral("G"), 910, 20)->SetCondition(QStringLiteral("T.\"g\""));
             band<TvdxMasterData>(QStringLiteral("Row"), 940, 30)
                 ->SetDataSet(dataSet(QStringLiteral("T"), QStringLiteral("select g from t where n <= 4")));
         },
         {{"Title", "G", "Row", "Row", "Row", "G"}, {"Row"}}},
    };
    for (const Case &c : cases) {
        page->Clear();
        page->SetTitleBeforeHeader(true);
        c.setUp();
        ASSERT_TRUE(run()) << c.what << report->ErrorMessage().toStdString();
        QList<QStringList> got;
        for (int i = 0; i < pages->Pages.size(); ++i)
            got << pages->Names(i);
        EXPECT_EQ(got, c.pages) << c.what;
    }
}
