// Stretching and shifting inside a band, bands printed in parts over pages
// and columns, and sub-reports printed as objects of their parent band.
#include "RecordingPages.h"
#include "engine/vdxEngine.h"
#include "engine/vdxShift.h"
#include "report/vdxClass.h"
#include "report/vdxClass_memo.h"
#include "report/vdxClass_shape.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

// A text whose measured height the test decides.
class SizedText : public TvdxStretcheable {
public:
    using TvdxStretcheable::TvdxStretcheable;
    double Want = -1;
    double CalcHeight() override { return Want < 0 ? double(Height()) : Want; }
    void Draw(Canvas &, double, double, double, double) override {}
};

struct Placed {
    QString name;
    long double left = 0, top = 0, height = 0;
    QString text;
};

struct Output {
    int page = 0;
    QString band;
    long double left = 0, top = 0, height = 0;
    QList<Placed> objects;
    const Placed *find(const QString &name) const
    {
        for (const Placed &p : objects)
            if (p.name == name)
                return &p;
        return nullptr;
    }
};

// Keeps the objects of every band as they were output.
class ObjectPages : public RecordingPages {
public:
    using RecordingPages::RecordingPages;
    QList<Output> Out;
    void AddObject(TvdxComponent *obj) override
    {
        RecordingPages::AddObject(obj);
        Output o{CurPage, obj->Name(), obj->Left(), obj->Top(), obj->Height(), {}};
        for (TvdxComponent *c : obj->Objects().List()) {
            Placed p{c->Name(), c->Left(), c->Top(), c->Height(), {}};
            if (auto *memo = qobject_cast<TvdxCustomMemoView *>(c))
                p.text = memo->Text();
            o.objects.append(p);
        }
        Out.append(o);
    }
    QList<Output> OfBand(const QString &name) const
    {
        QList<Output> r;
        for (const Output &o : Out)
            if (o.band == name)
                r.append(o);
        return r;
    }
};

class ShiftTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        vdxRegisterReportClasses();
        report = std::make_unique<TvdxReport>();
        engine = std::make_unique<TvdxEngine>(report.get());
        pages = std::make_unique<ObjectPages>(report.get());
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
        engine.reset();
        pages.reset();
        report.reset();
    }
    template <class T>
    T *object(TvdxComponent *parent, const QString &name, double left, double top, double width, double height)
    {
        auto *o = new T(parent);
        o->SetName(name);
        o->SetBounds(left, top, width, height);
        return o;
    }
    bool run() { return engine->Run(false); }

    std::unique_ptr<TvdxReport> report;
    std::unique_ptr<TvdxEngine> engine;
    std::unique_ptr<ObjectPages> pages;
    TvdxReportPage *page = nullptr;
};

using SM = TvdxView::TvdxShiftMode;
using ST = TvdxStretcheable::TvdxStretchMode;

// M (0,0 100x20) grows or shrinks; A (0,30) and B (0,50) lie below it in
// its column, C (150,0) beside it, D (300,5) at the band's top with
// "smWhenOverlapped". The band is 60 high and Stretched.
struct ShiftCase {
    const char *name;
    TvdxBand::TvdxShiftEngine shiftEngine;
    double mWant;       // M's measured height
    bool mShrinkOnly;   // M: CanShrink without stretching
    SM aMode;
    double aWant;       // A's measured height (A grows when above 10)
    bool cMaxHeight;    // C stretches to the band's bottom
    bool withD;
    double aTop, bTop, cTop, cHeight, dTop, bandHeight;
};

const ShiftCase kShiftCases[] = {
    // Two below move by 20, the one beside stays, the band grows by 20.
    {"TreeAlways", TvdxBand::seTree, 40, false, SM::smAlways, 10, false, true, 50, 70, 0, 10, 5, 80},
    // Exactly to the new bottom, not by the growth; what is under it follows.
    {"TreeWhenOverlapped", TvdxBand::seTree, 40, false, SM::smWhenOverlapped, 10, false, true, 40, 60, 0, 10, 5, 70},
    // A bottom that does not reach the object leaves it where it is.
    {"TreeWhenOverlappedNotReached", TvdxBand::seTree, 25, false, SM::smWhenOverlapped, 10, false, true, 30, 50, 0, 10, 5,
     60},
    // Stays while the object under it moves by its own growth.
    {"TreeDontShift", TvdxBand::seTree, 40, false, SM::smDontShift, 20, false, true, 30, 60, 0, 10, 5, 70},
    // An empty shrinking text pulls the objects below up; the band shrinks.
    {"TreeCanShrink", TvdxBand::seTree, 0, true, SM::smAlways, 10, false, true, 10, 30, 0, 10, 5, 40},
    // Beside the growing text: as high as the band has become.
    {"TreeMaxHeightBeside", TvdxBand::seTree, 40, false, SM::smAlways, 10, true, true, 50, 70, 0, 80, 5, 80},
    {"LinearAlways", TvdxBand::seLinear, 40, false, SM::smAlways, 10, false, true, 50, 70, 0, 10, 5, 80},
    {"LinearWhenOverlapped", TvdxBand::seLinear, 40, false, SM::smWhenOverlapped, 10, false, true, 50, 70, 0, 10, 5, 80},
    {"LinearCanShrink", TvdxBand::seLinear, 0, true, SM::smAlways, 10, false, false, 10, 30, 0, 10, 0, 40},
    // The list has no columns: nothing moves up above the bottom of any
    // object above it, here D's in another column.
    {"LinearShrinkStopsAtAnyBottomAbove", TvdxBand::seLinear, 0, true, SM::smAlways, 10, false, true, 30, 50, 0, 10, 5,
     60},
    // Nothing moves; the band still fits around the grown text.
    {"DontShift", TvdxBand::seDontShift, 40, false, SM::smAlways, 10, false, true, 30, 50, 0, 10, 5, 60},
};

class ShiftTable : public ShiftTest, public ::testing::WithParamInterface<ShiftCase> {};

} // namespace

TEST_P(ShiftTable, ObjectsFollowAGrowingText)
{
    const ShiftCase &k = GetParam();
    auto *band = object<TvdxReportTitle>(page, QStringLiteral("Title"), 0, 0, 700, 60);
    band->SetStretched(true);
    band->SetShiftEngine(k.shiftEngine);
    auto *m = object<SizedText>(band, QStringLiteral("M"), 0, 0, 100, 20);
    m->Want = k.mWant;
    m->SetStretchMode(k.mShrinkOnly ? ST::smDontStretch : ST::smActualHeight);
    m->SetCanShrink(k.mShrinkOnly);
    auto *a = object<SizedText>(band, QStringLiteral("A"), 0, 30, 100, 10);
    a->SetShiftMode(k.aMode);
    a->Want = k.aWant;
    a->SetStretchMode(ST::smActualHeight);
    object<SizedText>(band, QStringLiteral("B"), 0, 50, 100, 10);
    auto *c = object<SizedText>(band, QStringLiteral("C"), 150, 0, 100, 10);
    if (k.cMaxHeight)
        c->SetStretchMode(ST::smMaxHeight);
    if (k.withD)
        object<SizedText>(band, QStringLiteral("D"), 300, 5, 50, 10)->SetShiftMode(SM::smWhenOverlapped);

    ASSERT_TRUE(run()) << report->ErrorMessage().toStdString();
    const QList<Output> out = pages->OfBand(QStringLiteral("Title"));
    ASSERT_EQ(out.size(), 1);
    const Output &o = out[0];
    ASSERT_EQ(o.objects.size(), k.withD ? 5 : 4);
    EXPECT_NEAR(double(o.find("M")->height), k.mWant, 1e-9);
    EXPECT_NEAR(double(o.find("A")->top), k.aTop, 1e-9);
    EXPECT_NEAR(double(o.find("B")->top), k.bTop, 1e-9);
    EXPECT_NEAR(double(o.find("C")->top), k.cTop, 1e-9);
    EXPECT_NEAR(double(o.find("C")->height), k.cHeight, 1e-9);
    if (k.withD) {
        EXPECT_NEAR(double(o.find("D")->top), k.dTop, 1e-9);
    }
    EXPECT_NEAR(double(o.height), k.bandHeight, 1e-9);

    // Back at their design places, and no shift structure outlives the run.
    EXPECT_NEAR(double(a->Top()), 30, 1e-9);
    EXPECT_NEAR(double(m->Height()), 20, 1e-9);
    EXPECT_NEAR(double(band->Height()), 60, 1e-9);
    EXPECT_EQ(engine->ShiftEngine()->ContainerCount(), 0);
    EXPECT_EQ(band->ShiftObject(), nullptr);
    EXPECT_EQ(m->ShiftObject(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Cases, ShiftTable, ::testing::ValuesIn(kShiftCases),
                         [](const ::testing::TestParamInfo<ShiftCase> &i) { return std::string(i.param.name); });

TEST_F(ShiftTest, ObjectsGoneBeforeTheirStructureAreForgotten)
{
    auto band = std::make_unique<TvdxMasterData>(nullptr);
    band->SetBounds(0, 0, 400, 60);
    auto *m = object<SizedText>(band.get(), QStringLiteral("M"), 0, 0, 100, 20);
    auto *a = object<SizedText>(band.get(), QStringLiteral("A"), 0, 30, 100, 10);
    auto *b = object<SizedText>(band.get(), QStringLiteral("B"), 0, 50, 100, 10);
    TvdxObjectShifter shifter;
    shifter.PrepareShiftTree(band.get());
    ASSERT_NE(band->ShiftObject(), nullptr);
    ASSERT_NE(a->ShiftObject(), nullptr);
    EXPECT_EQ(shifter.ContainerCount(), 1);

    // The middle object goes: its item forgets it, the shift skips it.
    delete a;
    m->SetHeight(40);
    shifter.InitShiftAmount(m, 20);
    shifter.ShiftObjects(band.get());
    EXPECT_NEAR(double(b->Top()), 50, 1e-9);

    // The container goes: its structure is queued and freed, never used.
    band.reset();
    EXPECT_EQ(shifter.ContainerCount(), 0);
    shifter.ClearDestroyQueue();

    // A linear list queues itself the same way.
    auto linear = std::make_unique<TvdxMasterData>(nullptr);
    linear->SetBounds(0, 0, 400, 60);
    linear->SetShiftEngine(TvdxBand::seLinear);
    auto *x = object<SizedText>(linear.get(), QStringLiteral("X"), 0, 0, 100, 20);
    shifter.PrepareShiftTree(linear.get());
    EXPECT_EQ(shifter.ContainerCount(), 1);
    EXPECT_NE(x->ShiftObject(), nullptr);
    linear.reset();
    EXPECT_EQ(shifter.ContainerCount(), 0);
}

// A band with AllowSplit whose text is twice the free space left on the page.
struct SplitCase {
    const char *name;
    int columns;
};

class SplitTable : public ShiftTest, public ::testing::WithParamInterface<SplitCase> {};

TEST_P(SplitTable, TallTextContinuesInTheNextColumnOrPage)
{
    const SplitCase &k = GetParam();
    if (k.columns > 1) {
        page->SetColumns(k.columns);
        page->SetColumnWidth(90);
    }
    object<TvdxMasterData>(page, QStringLiteral("Filler"), 0, 0, 300, 600)->SetRowCount(1);
    auto *sum = object<TvdxReportSummary>(page, QStringLiteral("Sum"), 0, 700, 300, 40);
    sum->SetAllowSplit(true);
    sum->SetStretched(true);
    auto *memo = object<TvdxMemoView>(sum, QStringLiteral("Memo"), 0, 0, 200, 20);
    memo->SetStretchMode(ST::smActualHeight);
    object<TvdxShapeView>(sum, QStringLiteral("Below"), 0, 25, 200, 15);

    // Enough lines for twice what is left below the filler.
    ASSERT_TRUE(run()) << report->ErrorMessage().toStdString();
    const double rest = double(engine->PageHeight()) - 600;
    ASSERT_GT(rest, 100);
    QStringList lines;
    while (lines.size() < 1000) {
        lines << QStringLiteral("Line %1").arg(lines.size() + 1, 3, 10, QLatin1Char('0'));
        memo->SetText(lines.join(QStringLiteral("\r\n")));
        if (memo->CalcHeight() >= 2 * rest)
            break;
    }
    const double full = memo->CalcHeight();
    pages->Out.clear();
    ASSERT_TRUE(run()) << report->ErrorMessage().toStdString();

    const QList<Output> parts = pages->OfBand(QStringLiteral("Sum"));
    ASSERT_EQ(parts.size(), 2);
    // The first part fills the rest of the page below the filler.
    EXPECT_EQ(parts[0].page, 0);
    EXPECT_NEAR(double(parts[0].top), 600, 1e-6);
    EXPECT_NEAR(double(parts[0].height), rest, 1e-6);
    ASSERT_EQ(parts[0].objects.size(), 1);
    EXPECT_EQ(parts[0].objects[0].name, QStringLiteral("Memo"));

    // The rest continues at the top of the next column or page, the object
    // below the text following it there.
    if (k.columns > 1) {
        EXPECT_EQ(parts[1].page, 0);
        EXPECT_GT(double(parts[1].left), 1);
    } else {
        EXPECT_EQ(parts[1].page, 1);
        EXPECT_NEAR(double(parts[1].left), 0, 1e-9);
    }
    EXPECT_NEAR(double(parts[1].top), 0, 1e-6);
    const Placed *rest1 = parts[1].find(QStringLiteral("Memo"));
    const Placed *below = parts[1].find(QStringLiteral("Below"));
    ASSERT_TRUE(rest1 && below);
    EXPECT_NEAR(double(rest1->top), 0, 1e-9);
    // The rest keeps at least what did not fit, plus the unused space under
    // the last whole line of the first part.
    EXPECT_GE(double(rest1->height), full - rest - 1e-6);
    EXPECT_LT(double(rest1->height), full - rest + 40);
    EXPECT_NEAR(double(below->top), double(rest1->height) + 5, 1e-6);

    // Every line once, in order, over the two parts; the template text is back.
    const QString joined = parts[0].objects[0].text.trimmed() + QStringLiteral("\r\n") + rest1->text.trimmed();
    EXPECT_EQ(joined.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts), lines);
    EXPECT_EQ(memo->Text().trimmed(), lines.join(QStringLiteral("\r\n")));
    EXPECT_EQ(sum->Objects().Count(), 2);
    EXPECT_NEAR(double(memo->Height()), 20, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Cases, SplitTable, ::testing::Values(SplitCase{"NextPage", 1}, SplitCase{"NextColumn", 2}),
                         [](const ::testing::TestParamInfo<SplitCase> &i) { return std::string(i.param.name); });

TEST_F(ShiftTest, TextThatNeverFitsIsPrintedCutInsteadOfForever)
{
    // One line taller than any page: no part could ever take it.
    auto *sum = object<TvdxReportTitle>(page, QStringLiteral("Tall"), 0, 0, 300, 40);
    sum->SetAllowSplit(true);
    sum->SetStretched(true);
    auto *memo = object<TvdxMemoView>(sum, QStringLiteral("Memo"), 0, 0, 200, 20);
    memo->SetStretchMode(ST::smActualHeight);
    memo->SetText(QStringLiteral("x"));
    memo->Font()->SetHeight(-2000);
    ASSERT_TRUE(run()) << report->ErrorMessage().toStdString();
    const QList<Output> parts = pages->OfBand(QStringLiteral("Tall"));
    ASSERT_GE(parts.size(), 1);
    EXPECT_LE(parts.size(), 3);
    EXPECT_EQ(parts.last().objects.size(), 1);
}

TEST_F(ShiftTest, SubreportOnTheParentPrintsItsObjectsInTheBand)
{
    auto *row = object<TvdxMasterData>(page, QStringLiteral("Row"), 0, 10, 400, 50);
    row->SetRowCount(2);
    object<SizedText>(row, QStringLiteral("Own"), 0, 0, 50, 10);
    auto *inner = new TvdxReportPage(report.get());
    inner->SetName(QStringLiteral("Inner"));
    auto *innerRow = object<TvdxMasterData>(inner, QStringLiteral("InnerRow"), 0, 0, 200, 12);
    innerRow->SetRowCount(2);
    auto *cell = object<TvdxMemoView>(innerRow, QStringLiteral("Cell"), 5, 3, 40, 8);
    cell->SetText(QStringLiteral("cell"));
    auto *sub = object<TvdxSubreport>(row, QStringLiteral("Sub"), 100, 20, 50, 10);
    sub->SetSubPage(inner);
    sub->SetPrintOnParent(true);

    ASSERT_TRUE(run()) << report->ErrorMessage().toStdString();
    // The inner bands never reach the pages themselves.
    EXPECT_TRUE(pages->OfBand(QStringLiteral("InnerRow")).isEmpty());
    const QList<Output> rows = pages->OfBand(QStringLiteral("Row"));
    ASSERT_EQ(rows.size(), 2);
    for (const Output &o : rows) {
        QList<Placed> cells;
        for (const Placed &p : o.objects)
            if (p.text.trimmed() == QLatin1String("cell"))
                cells.append(p);
        // Each row gets exactly its own two cells, at absolute places in the band.
        ASSERT_EQ(cells.size(), 2);
        EXPECT_NEAR(double(cells[0].left), 105, 1e-9);
        EXPECT_NEAR(double(cells[0].top), 23, 1e-9);
        EXPECT_NEAR(double(cells[1].left), 105, 1e-9);
        EXPECT_NEAR(double(cells[1].top), 35, 1e-9);
        EXPECT_EQ(o.objects.size(), 4);
    }
    // Freed after the band: the template holds its own two objects again.
    EXPECT_EQ(row->Objects().Count(), 2);
    EXPECT_EQ(row->OriginalObjectsCount(), -1);
}
