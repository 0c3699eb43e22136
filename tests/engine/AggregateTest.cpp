// SUM, AVG, MIN, MAX and COUNT in footers: which calls a run collects, the
// values per data row, resets, running totals, invisible bands, keep blocks
// that move to the next page, and per-order totals over the shop database
// checked against the sqlite3 tool's own GROUP BY.
#include "PreparedReportTest.h"
#include "core/vdxVariables.h"
#include "engine/vdxAggregate.h"

#include <QProcess>
#include <map>

namespace {

using vdtest::runSqlite;

using AggregateTest = PreparedReportTest;

} // namespace

// Master over M, detail over D filtered to the master, a detail footer with
// every function: each master starts from nothing again.
TEST_F(AggregateTest, FunctionsPerMasterAndResetAfterTheFooter)
{
    auto *master = band<TvdxMasterData>(QStringLiteral("MasterData1"), 20);
    master->SetDataSet(query(QStringLiteral("M"), db, QStringLiteral("select id from m")));
    auto *detail = band<TvdxDetailData>(QStringLiteral("DetailData1"), 50);
    detail->SetDataSet(query(QStringLiteral("D"), db, QStringLiteral("select mid, v from d")));
    detail->SetFilter(QStringLiteral("<D.\"mid\"> = <M.\"id\">"));
    auto *footer = band<TvdxFooter>(QStringLiteral("Footer1"), 80);
    memo(footer, QStringLiteral("Sum"), QStringLiteral("[SUM(<D.\"v\">)]"));
    memo(footer, QStringLiteral("Avg"), QStringLiteral("[AVG(<D.\"v\">)]"));
    memo(footer, QStringLiteral("Min"), QStringLiteral("[MIN(<D.\"v\">)]"));
    memo(footer, QStringLiteral("Max"), QStringLiteral("[MAX(<D.\"v\">, DetailData1)]"));
    memo(footer, QStringLiteral("Count"), QStringLiteral("[COUNT(DetailData1)]"));
    // Null stays Null, so that AVG leaves the row out.
    report->EngineOptions()->SetConvertNulls(false);
    // A comparison is a Boolean: each True adds one.
    memo(footer, QStringLiteral("Bools"), QStringLiteral("[SUM(<D.\"v\"> > 1)]"));
    const auto shown = prepare();
    struct Case {
        const char *name;
        QStringList expected;
    } cases[] = {
        {"Sum", {"6", "6"}},   {"Avg", {"2", "3"}},   {"Min", {"1", "2"}},
        {"Max", {"3", "4"}},   {"Count", {"3", "3"}}, {"Bools", {"2", "2"}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(textsOf(shown, QString::fromLatin1(c.name)), c.expected) << c.name;
}

TEST_F(AggregateTest, RunningTotalAcrossGroupsAndInvisibleBands)
{
    auto *gh = band<TvdxGroupHeader>(QStringLiteral("GroupHeader1"), 20);
    gh->SetCondition(QStringLiteral("<T.\"g\">"));
    auto *master = band<TvdxMasterData>(QStringLiteral("MasterData1"), 50);
    master->SetDataSet(query(QStringLiteral("T"), db, QStringLiteral("select g, n from t")));
    auto *gf = band<TvdxGroupFooter>(QStringLiteral("GroupFooter1"), 80);
    memo(gf, QStringLiteral("PerGroup"), QStringLiteral("[SUM(<T.\"n\">)]"));
    memo(gf, QStringLiteral("Running"), QStringLiteral("[SUM(<T.\"n\">, MasterData1, 2)]"));
    auto *footer = band<TvdxFooter>(QStringLiteral("Footer1"), 110);
    memo(footer, QStringLiteral("Total"), QStringLiteral("[SUM(<T.\"n\">)]"));
    auto shown = prepare();
    EXPECT_EQ(textsOf(shown, QStringLiteral("PerGroup")), (QStringList{"3", "3", "4"}));
    EXPECT_EQ(textsOf(shown, QStringLiteral("Running")), (QStringList{"3", "6", "10"}));
    EXPECT_EQ(textsOf(shown, QStringLiteral("Total")), (QStringList{"10"}));

    // An invisible data band feeds only the calls that ask for it (bit 0).
    object<TvdxMasterData>(QStringLiteral("MasterData1"))->SetVisible(false);
    memo(object<TvdxFooter>(QStringLiteral("Footer1")), QStringLiteral("Invisible"), QStringLiteral("[SUM(<T.\"n\">, MasterData1, 1)]"), 320);
    shown = prepare();
    EXPECT_EQ(textsOf(shown, QStringLiteral("Total")), (QStringList{"0"}));
    EXPECT_EQ(textsOf(shown, QStringLiteral("Invisible")), (QStringList{"10"}));
}

// What the scan of a run collects: quoted calls are text, calls behind a
// report variable count, a fourth argument is dropped.
TEST_F(AggregateTest, CollectsCallsThroughVariablesButNotInsideQuotes)
{
    auto *master = band<TvdxMasterData>(QStringLiteral("MasterData1"), 20);
    master->SetDataSet(query(QStringLiteral("T"), db, QStringLiteral("select g, n from t")));
    auto *footer = band<TvdxFooter>(QStringLiteral("Footer1"), 50);
    memo(footer, QStringLiteral("Quoted"), QStringLiteral("['SUM(<T.\"n\">)']"));
    report->Variables()->SetVariable(QStringLiteral("Total"), Variant(QStringLiteral("SUM(<T.\"n\">)")));
    memo(footer, QStringLiteral("ByVariable"), QStringLiteral("[Total]"), 320);
    memo(footer, QStringLiteral("Fourth"), QStringLiteral("[MIN(<T.\"n\">, MasterData1, 0, 99)]"), 640);
    // The script itself may refuse the fourth argument: that is not what is looked at here.
    report->EngineOptions()->SetIgnoreExprError(true);
    const auto shown = prepare(false);
    EXPECT_EQ(textsOf(shown, QStringLiteral("Quoted")), (QStringList{"SUM(<T.\"n\">)"}));
    EXPECT_EQ(textsOf(shown, QStringLiteral("ByVariable")), (QStringList{"10"}));

    // Preparing reloads the template after the run; a bare run keeps the objects the items name.
    master = object<TvdxMasterData>(QStringLiteral("MasterData1"));
    footer = object<TvdxFooter>(QStringLiteral("Footer1"));
    engine->Run(false);
    TvdxAggregateList *list = engine->AggregateList();
    ASSERT_EQ(list->Count(), 2);
    EXPECT_EQ(list->Items(0)->FMemoName, QStringLiteral("ByVariable"));
    EXPECT_EQ(list->Items(0)->FParentContainer, footer);
    EXPECT_EQ(list->Items(0)->DataRow(), master) << "the footer's data band by default";
    const TvdxAggregateItem *fourth = list->Items(1);
    EXPECT_EQ(fourth->FAggregateFunction, agMin);
    EXPECT_EQ(fourth->FExpression, QStringLiteral("<T.\"n\">"));
    EXPECT_EQ(fourth->DataRow(), master);
    EXPECT_FALSE(fourth->FCountInvisibleBands);
    EXPECT_FALSE(fourth->FDontReset);
    EXPECT_EQ(fourth->FOriginalName, QStringLiteral("MIN(<T.\"n\">, MasterData1, 0, 99)"));
}

TEST_F(AggregateTest, BadFlagsTextIsAnErrorOfItsObjectAndTheRunGoesOn)
{
    auto *master = band<TvdxMasterData>(QStringLiteral("MasterData1"), 20);
    master->SetDataSet(query(QStringLiteral("T"), db, QStringLiteral("select g, n from t")));
    auto *footer = band<TvdxFooter>(QStringLiteral("Footer1"), 50);
    memo(footer, QStringLiteral("BadFlags"), QStringLiteral("[SUM(<T.\"n\">, MasterData1, two)]"));
    memo(footer, QStringLiteral("Good"), QStringLiteral("[SUM(<T.\"n\">)]"), 320);
    // The flags are evaluated again when the text is filled: only the collection's error is looked at.
    report->EngineOptions()->SetIgnoreExprError(true);
    const auto shown = prepare(false);
    EXPECT_TRUE(hasError(QStringLiteral("BadFlags: 'two' is not a valid integer value")))
        << report->ErrorMessage().toStdString();
    EXPECT_EQ(textsOf(shown, QStringLiteral("Good")), (QStringList{"10"}));
    EXPECT_EQ(engine->AggregateList()->Count(), 1);
}

// The item rules without a run: no rows, unknown names, Null rows, keep
// blocks of page footers, and vertical columns far past the first thousand.
TEST(AggregateItemTest, ValuesOfTheItemRules)
{
    TvdxAggregateItem min;
    min.FAggregateFunction = agMin;
    min.Reset();
    EXPECT_EQ(min.Value().toInt(), 0) << "MIN of no rows shows 0";

    EXPECT_EQ(vdxAggregateFunction(QStringLiteral("TOTAL")), agCount);
    EXPECT_EQ(vdxAggregateFunction(QStringLiteral("SUM")), agSum);

    TvdxAggregateItem avg;
    avg.FAggregateFunction = agAvg;
    // Null: the expression would be evaluated, and without a report it stays Null.
    for (const Variant &v : {Variant(2), Variant::null(), Variant(4)})
        avg.Calc(v);
    EXPECT_DOUBLE_EQ(avg.Value().toDouble(), 3.0);

    // A keep block of a page footer counts apart until it is placed.
    TvdxAggregateItem page;
    page.FAggregateFunction = agSum;
    page.FIsPageFooter = true;
    page.Calc(Variant(5));
    page.StartKeep();
    page.Calc(Variant(7));
    EXPECT_EQ(page.Value().toInt(), 5);
    page.EndKeep();
    EXPECT_EQ(page.Value().toInt(), 12);

    TvdxAggregateItem wide;
    wide.FAggregateFunction = agSum;
    for (int col : {1, 1000, 1001, 5000}) {
        wide.FVColumn = col;
        wide.Calc(Variant(col));
        wide.Calc(Variant(col));
    }
    for (int col : {1, 1000, 1001, 5000}) {
        wide.FVColumn = col;
        EXPECT_EQ(wide.Value().toInt(), 2 * col) << col;
    }
    wide.FVColumn = 6000;
    EXPECT_EQ(wide.Value().toInt(), 0) << "a column never fed";
}

TEST_F(AggregateTest, UnknownNameLooksUpACount)
{
    auto *master = band<TvdxMasterData>(QStringLiteral("MasterData1"), 20);
    master->SetDataSet(query(QStringLiteral("T"), db, QStringLiteral("select g, n from t")));
    auto *footer = band<TvdxFooter>(QStringLiteral("Footer1"), 50);
    memo(footer, QStringLiteral("Count"), QStringLiteral("[COUNT(MasterData1)]"));
    prepare();
    master = object<TvdxMasterData>(QStringLiteral("MasterData1"));
    footer = object<TvdxFooter>(QStringLiteral("Footer1"));
    engine->Run(false);
    TvdxAggregateList *list = engine->AggregateList();
    ASSERT_EQ(list->Count(), 1);
    list->AddValue(master, 0);
    list->AddValue(master, 0);
    EXPECT_EQ(list->GetValue(footer, 0, QStringLiteral("Tally"), QString(), nullptr, 0).toInt(), 2);
    EXPECT_TRUE(list->GetValue(footer, 0, QStringLiteral("SUM"), QString(), nullptr, 0).isNull());
}

namespace {

// Orders over their items from the shop fixture, the items filtered to the order.
class ShopAggregateTest : public AggregateTest {
protected:
    void SetUp() override
    {
        AggregateTest::SetUp();
        if (IsSkipped())
            return;
        shop = dir.file(QStringLiteral("shop.db"));
        ASSERT_TRUE(runSqlite(shop, vdtest::readFile(vdtest::dataPath(QStringLiteral("engine/shop.sql")))));
        master = band<TvdxMasterData>(QStringLiteral("MasterData1"), 20);
        master->SetDataSet(
            query(QStringLiteral("Orders"), shop, QStringLiteral("select OrderNo from orders order by OrderNo")));
        memo(master, QStringLiteral("Order"), QStringLiteral("[<Orders.\"OrderNo\">]"));
        detail = band<TvdxDetailData>(QStringLiteral("DetailData1"), 50);
        detail->SetDataSet(
            query(QStringLiteral("Items"), shop, QStringLiteral("select OrderNo, Qty from items order by ItemNo")));
        detail->SetFilter(QStringLiteral("<Items.\"OrderNo\"> = <Orders.\"OrderNo\">"));
        memo(detail, QStringLiteral("Qty"), QStringLiteral("[<Items.\"Qty\">]"));
    }
    // The sqlite3 tool's answer to a query, one line per row.
    QStringList sqlite(const QString &sql) const
    {
        QProcess p;
        p.start(QStringLiteral("sqlite3"), {QStringLiteral("-separator"), QStringLiteral(" "), shop, sql});
        p.waitForFinished(30000);
        return QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    QString shop;
    TvdxMasterData *master = nullptr;
    TvdxDetailData *detail = nullptr;
};

} // namespace

TEST_F(ShopAggregateTest, PerOrderFootersMatchSqliteGroupBy)
{
    auto *footer = band<TvdxFooter>(QStringLiteral("Footer1"), 80);
    footer->SetHeight(20);
    memo(footer, QStringLiteral("Line"),
         QStringLiteral("[<Orders.\"OrderNo\">] [SUM(<Items.\"Qty\">)] [COUNT(DetailData1)]"));
    const auto shown = prepare();
    const QStringList expected =
        sqlite(QStringLiteral("SELECT OrderNo, SUM(Qty), COUNT(*) FROM items GROUP BY OrderNo ORDER BY OrderNo"));
    ASSERT_GE(expected.size(), 5);
    EXPECT_EQ(textsOf(shown, QStringLiteral("Line")), expected);
}

// A keep-together order that does not fit moves whole to the next page; the
// page footer of each page sums exactly the item rows shown on it.
TEST_F(ShopAggregateTest, PageFooterTotalsFollowAMovedKeepBlock)
{
    master->SetKeepTogether(true);
    auto *pf = band<TvdxPageFooter>(QStringLiteral("PageFooter1"), 200);
    memo(pf, QStringLiteral("PageQty"), QStringLiteral("[SUM(<Items.\"Qty\">, DetailData1)]"));
    page->SetTopMargin(0);
    page->SetBottomMargin(0);
    page->SetPaperHeight(150 / 3.77953L);
    const auto shown = prepare();
    std::map<int, int> rows, footers;
    std::map<int, QStringList> orders;
    for (const Shown &s : shown) {
        if (s.name == QLatin1String("Qty"))
            rows[s.page] += s.text.toInt();
        else if (s.name == QLatin1String("PageQty"))
            footers[s.page] = s.text.toInt();
        else if (s.name == QLatin1String("Order"))
            orders[s.page] << s.text;
    }
    // 1003 (a master and four items) does not fit below 1001 and 1002.
    EXPECT_EQ(orders[0], (QStringList{"1001", "1002"}));
    ASSERT_GE(footers.size(), 3u);
    EXPECT_EQ(footers, rows);
    int total = 0;
    for (const auto &[p, qty] : footers)
        total += qty;
    EXPECT_EQ(QString::number(total), sqlite(QStringLiteral("SELECT SUM(Qty) FROM items")).value(0));
}

namespace {

// An object that carries its own aggregate text and names its own container.
class OwnAggregates : public IvdxAggregateObject {
public:
    TvdxComponent *container = nullptr;
    TvdxComponent *component = nullptr;
    QString text;
    TvdxComponent *GetContainer() override { return container; }
    TvdxReport *GetReport() override { return nullptr; }
    QString GetText() override { return text; }
    QString GetExpressionDelimiters() override { return QStringLiteral("{,}"); }
    TvdxComponent *GetComponent() override { return component; }
};

} // namespace

TEST_F(AggregateTest, ObjectsWithTheirOwnAggregateTexts)
{
    auto *master = band<TvdxMasterData>(QStringLiteral("MasterData1"), 20);
    auto *footer = band<TvdxFooter>(QStringLiteral("Footer1"), 50);
    OwnAggregates own;
    own.container = footer;
    own.component = memo(footer, QStringLiteral("Own"), QString());
    // Forced: a lone argument names the data band, as for COUNT.
    own.text = QStringLiteral("{SUM(MasterData1)} [MAX(1)] {AVG(<T.\"n\">, MasterData1, 3)}");
    TvdxAggregateList list(report.get());
    EXPECT_TRUE(list.AddAggregatedItem(&own, master, nullptr));
    ASSERT_EQ(list.Count(), 2);
    EXPECT_TRUE(list.Items(0)->FExpression.isEmpty());
    EXPECT_EQ(list.Items(0)->DataRow(), master);
    EXPECT_EQ(list.Items(1)->FExpression, QStringLiteral("<T.\"n\">"));
    EXPECT_TRUE(list.Items(1)->FCountInvisibleBands);
    EXPECT_TRUE(list.Items(1)->FDontReset);
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(list.Items(i)->FParentContainer, footer);

    // Into a caller's list: the own list does not change.
    QList<TvdxAggregateItem *> mine;
    EXPECT_FALSE(list.AddAggregatedItem(&own, master, &mine));
    EXPECT_EQ(mine.size(), 2);
    qDeleteAll(mine);
}
