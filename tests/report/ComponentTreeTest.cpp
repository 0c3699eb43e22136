// Component tree: names, the name index, anchors, mirroring, fonts, hit tests.
#include "core/vdUtils.h"
#include "report/vdxClass.h"

#include <gtest/gtest.h>
#include <QPointer>
#include <memory>

namespace {

class TvdxMemoView : public TvdxView {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TvdxMemoView(TvdComponent *owner = nullptr) : TvdxView(owner) {}
};

class TreeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        report = std::make_unique<TvdxReport>();
        page = new TvdxReportPage(report.get());
        page->SetName(QStringLiteral("Page1"));
        band = new TvdxBand(page);
        band->SetName(QStringLiteral("Band1"));
    }
    TvdxMemoView *memo(const QString &name, TvdxComponent *parent = nullptr)
    {
        auto *m = new TvdxMemoView(parent ? parent : band);
        if (!name.isEmpty())
            m->SetName(name);
        return m;
    }
    std::unique_ptr<TvdxReport> report;
    TvdxReportPage *page = nullptr;
    TvdxBand *band = nullptr;
};

QString errorOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const Exception &e) {
        return e.message();
    }
    return QString();
}

} // namespace

TEST_F(TreeTest, NewMemoDefaults)
{
    TvdxMemoView *m = memo(QString());
    EXPECT_EQ(m->BaseName(), QStringLiteral("Memo"));
    EXPECT_EQ(m->Anchors(), TvdxComponent::TvdxAnchors(TvdxComponent::vdaLeft | TvdxComponent::vdaTop));
    EXPECT_EQ(m->Font()->Name(), QStringLiteral("Arial"));
    EXPECT_EQ(m->Font()->Size(), 10);
    EXPECT_EQ(m->Font()->Charset(), 1);
    EXPECT_TRUE(m->ParentFont());
    EXPECT_TRUE(m->Visible());
    EXPECT_EQ(band->Objects().List().last(), m);
    EXPECT_EQ(m->Owner(), report.get());
    EXPECT_EQ(m->Report(), report.get());
    EXPECT_EQ(m->Page(), page);
    EXPECT_EQ(m->TopParent(), report.get());
}

TEST_F(TreeTest, RenameRules)
{
    TvdxMemoView *m1 = memo(QStringLiteral("Memo1"));
    memo(QStringLiteral("Memo2"));
    m1->SetName(QStringLiteral("memo1"));
    EXPECT_EQ(m1->Name(), QStringLiteral("Memo1"));
    EXPECT_EQ(errorOf([&] { m1->SetName(QStringLiteral("Memo2")); }), QStringLiteral("Duplicate name"));
    EXPECT_EQ(errorOf([&] { m1->SetName(QStringLiteral("1Memo")); }),
              QStringLiteral("''1Memo'' is not a valid component name"));
    EXPECT_EQ(m1->Name(), QStringLiteral("Memo1"));
    EXPECT_EQ(report->GetSortedObjects()->Find(QStringLiteral("MEMO1")), m1);
    m1->SetName(QString());
    EXPECT_TRUE(m1->Name().isEmpty());
    // The freed name can be taken by another object.
    TvdxMemoView *m3 = memo(QString());
    m3->SetName(QStringLiteral("Memo1"));
    EXPECT_EQ(report->GetSortedObjects()->Find(QStringLiteral("Memo1")), m3);
}

TEST_F(TreeTest, AncestorObjectCannotBeRenamed)
{
    TvdxMemoView *m = memo(QStringLiteral("Memo1"));
    m->SetAncestor(true);
    EXPECT_EQ(errorOf([&] { m->SetName(QStringLiteral("Other")); }),
              QStringLiteral("Could not rename Memo1, it was introduced in the ancestor report"));
}

TEST_F(TreeTest, IndexFollowsRemovalAndInsertion)
{
    TvdxMemoView *m = memo(QStringLiteral("Memo1"));
    auto *child = memo(QStringLiteral("Inner"), m);
    ASSERT_EQ(report->GetSortedObjects()->Find(QStringLiteral("Inner")), child);
    m->SetParent(nullptr);
    EXPECT_EQ(report->GetSortedObjects()->Find(QStringLiteral("Memo1")), nullptr);
    EXPECT_EQ(report->GetSortedObjects()->Find(QStringLiteral("Inner")), nullptr);
    m->SetParent(band);
    EXPECT_EQ(report->GetSortedObjects()->Find(QStringLiteral("Inner")), child);
    delete m;
    EXPECT_EQ(report->GetSortedObjects()->Find(QStringLiteral("Inner")), nullptr);
    EXPECT_EQ(band->Objects().Count(), 0);
}

TEST_F(TreeTest, CreateUniqueName)
{
    struct Case {
        QStringList existing;
        QString expected;
    };
    const QList<Case> cases = {
        {{"Memo1", "Memo2"}, "Memo3"},
        {{"Memo1", "Memo2", "Memo3", "Memo4", "Memo5"}, "Memo6"},
        {{"Memo2", "MemoX", "Other1", "Other2"}, "Memo1"},
        {{"Memo1", "Memo3"}, "Memo2"},
    };
    for (const Case &c : cases) {
        TvdxReport r;
        auto *p = new TvdxReportPage(&r);
        p->SetName(QStringLiteral("Page1"));
        for (const QString &n : c.existing)
            (new TvdxMemoView(p))->SetName(n);
        auto *m = new TvdxMemoView(p);
        m->CreateUniqueName();
        EXPECT_EQ(m->Name(), c.expected) << c.existing.join(',').toStdString();
    }
}

TEST_F(TreeTest, CreateUniqueNameAgainstAnotherReport)
{
    TvdxReport other;
    auto *op = new TvdxReportPage(&other);
    op->SetName(QStringLiteral("Page1"));
    (new TvdxMemoView(op))->SetName(QStringLiteral("Memo1"));
    memo(QStringLiteral("Memo2"));
    auto *loose = new TvdxMemoView(nullptr);
    std::unique_ptr<TvdxMemoView> guard(loose);
    (new TvdxMemoView(loose))->SetName(QStringLiteral("Memo3"));
    loose->CreateUniqueName(&other);
    EXPECT_EQ(loose->Name(), QStringLiteral("Memo2"));
    EXPECT_FALSE(other.GetSortedObjects()->Contains(QStringLiteral("Memo3")));
}

TEST_F(TreeTest, AnchorsFollowParentWidth)
{
    band->SetWidth(200);
    band->SetHeight(50);
    auto mk = [&](TvdxComponent::TvdxAnchors a) {
        auto *m = memo(QString());
        m->SetBounds(10, 5, 30, 10);
        m->SetAnchors(a);
        return m;
    };
    using A = TvdxComponent;
    auto *right = mk(A::vdaRight | A::vdaTop);
    auto *both = mk(A::vdaLeft | A::vdaRight | A::vdaTop);
    auto *none = mk(A::vdaTop);
    auto *left = mk(A::vdaLeft | A::vdaTop);
    band->SetWidth(220);
    EXPECT_DOUBLE_EQ(double(right->Left()), 30);
    EXPECT_DOUBLE_EQ(double(both->Width()), 50);
    EXPECT_DOUBLE_EQ(double(none->Left()), 27); // Round(20 / 1.18) = 17
    EXPECT_DOUBLE_EQ(double(left->Left()), 10);
    EXPECT_DOUBLE_EQ(double(left->Width()), 30);
    band->SetWidth(220.005);
    EXPECT_DOUBLE_EQ(double(right->Left()), 30);
    auto *bottom = mk(A::vdaLeft | A::vdaBottom);
    band->SetHeight(60);
    EXPECT_DOUBLE_EQ(double(bottom->Top()), 15);
}

TEST_F(TreeTest, RestrictionsOnlyInDesigner)
{
    TvdxMemoView *m = memo(QString());
    m->SetRestrictions(TvdxComponent::rfDontMove | TvdxComponent::rfDontSize);
    m->SetIsDesigning(true);
    m->SetLeft(10);
    m->SetWidth(10);
    EXPECT_EQ(double(m->Left()), 0);
    EXPECT_EQ(double(m->Width()), 0);
    m->SetIsDesigning(false);
    m->SetLeft(10);
    EXPECT_EQ(double(m->Left()), 10);
}

TEST_F(TreeTest, MirrorRightToLeft)
{
    band->SetWidth(200);
    band->SetHeight(100);
    TvdxMemoView *m = memo(QString());
    m->SetBounds(10, 20, 30, 10);
    m->ApplyMirrorMode(TvdxComponent::mcmRTLObjects);
    EXPECT_DOUBLE_EQ(double(m->Left()), 160);
    m->ApplyMirrorMode(TvdxComponent::mcmBTTObjects);
    EXPECT_DOUBLE_EQ(double(m->Top()), 70);
    // A band with children moves only with the band mode.
    page->SetWidth(500);
    band->SetLeft(5);
    band->ApplyMirrorMode(TvdxComponent::mcmRTLObjects);
    EXPECT_DOUBLE_EQ(double(band->Left()), 5);
    band->ApplyMirrorMode(TvdxComponent::mcmRTLBands);
    EXPECT_DOUBLE_EQ(double(band->Left()), 295);
    // Only allowed objects move in that mode.
    m->ApplyMirrorMode(TvdxComponent::mcmRTLObjects | TvdxComponent::mcmOnlyAllowed);
    EXPECT_DOUBLE_EQ(double(m->Left()), 160);
    m->SetAllowMirrorMode(true);
    m->ApplyMirrorMode(TvdxComponent::mcmRTLObjects | TvdxComponent::mcmOnlyAllowed);
    EXPECT_DOUBLE_EQ(double(m->Left()), 10);
}

TEST_F(TreeTest, FontsFlowDownUntilSet)
{
    TvdxMemoView *m = memo(QString());
    TvdxMemoView *inner = memo(QString(), m);
    band->Font()->SetName(QStringLiteral("Courier New"));
    EXPECT_FALSE(band->ParentFont());
    EXPECT_EQ(m->Font()->Name(), QStringLiteral("Courier New"));
    EXPECT_EQ(inner->Font()->Name(), QStringLiteral("Courier New"));
    TvdFont f;
    f.SetSize(14);
    m->SetFont(&f);
    EXPECT_FALSE(m->ParentFont());
    band->Font()->SetSize(8);
    EXPECT_EQ(m->Font()->Size(), 14);
    EXPECT_EQ(inner->Font()->Size(), 14);
}

// A component that has not asked for its font yet still ends up with the
// font it would have copied: when it leaves its parent, when it stops taking
// the parent's font and when it moves to another parent.
TEST_F(TreeTest, FontsNotAskedForYetFollowTheSameRules)
{
    band->Font()->SetName(QStringLiteral("Courier New"));
    TvdxMemoView *leaving = memo(QString());
    TvdxMemoView *fixed = memo(QString());
    TvdxMemoView *moving = memo(QString());
    auto *other = new TvdxBand(page);
    other->Font()->SetSize(20);

    leaving->SetParent(nullptr);
    std::unique_ptr<TvdxMemoView> owned(leaving);
    fixed->SetParentFont(false);
    moving->SetParent(other);
    band->Font()->SetName(QStringLiteral("Tahoma"));

    EXPECT_EQ(leaving->Font()->Name(), QStringLiteral("Courier New"));
    EXPECT_EQ(fixed->Font()->Name(), QStringLiteral("Courier New"));
    EXPECT_FALSE(fixed->ParentFont());
    EXPECT_EQ(moving->Font()->Name(), QStringLiteral("Arial"));
    EXPECT_EQ(moving->Font()->Size(), 20);
    EXPECT_TRUE(moving->ParentFont());
    EXPECT_EQ(memo(QString())->Font()->Name(), QStringLiteral("Tahoma"));
}

TEST_F(TreeTest, HitTestsAndAbsolutePositions)
{
    band->SetBounds(0, 100, 500, 50);
    TvdxMemoView *line = memo(QString());
    line->SetBounds(50, 10, 0, 30);
    EXPECT_DOUBLE_EQ(double(line->AbsTop()), 110);
    EXPECT_TRUE(line->IsContain(54, 120));
    EXPECT_TRUE(line->IsContain(46, 120));
    EXPECT_FALSE(line->IsContain(55, 120));
    EXPECT_TRUE(line->IsInRect(vdRectF(0, 0, 50, 110)));
    EXPECT_FALSE(line->IsInRect(vdRectF(0, 0, 49, 200)));
    auto *dlg = new TvdxDialogPage(report.get());
    dlg->SetBounds(100, 100, 300, 300);
    auto *ctl = new TvdxMemoView(dlg);
    ctl->SetBounds(5, 7, 10, 10);
    EXPECT_DOUBLE_EQ(double(ctl->AbsTop()), 7);
}

TEST_F(TreeTest, PrintHooksRestoreBounds)
{
    TvdxMemoView *m = memo(QString());
    m->SetBounds(1, 2, 3, 4);
    m->BeforePrint();
    m->SetBounds(10, 20, 30, 40);
    m->AfterPrint();
    EXPECT_DOUBLE_EQ(double(m->Left()), 1);
    EXPECT_DOUBLE_EQ(double(m->Height()), 4);
}

TEST_F(TreeTest, ClearKeepsAncestorObjects)
{
    TvdxMemoView *keep = memo(QStringLiteral("Keep"));
    keep->SetState(TvdComponent::csAncestor);
    memo(QStringLiteral("Drop"), keep);
    memo(QStringLiteral("Gone"));
    band->Clear();
    ASSERT_EQ(band->Objects().Count(), 1);
    EXPECT_EQ(band->Objects()[0], keep);
    EXPECT_EQ(keep->Objects().Count(), 0);
}

TEST_F(TreeTest, AllObjectsPreOrder)
{
    TvdxMemoView *a = memo(QStringLiteral("A"));
    TvdxMemoView *a1 = memo(QStringLiteral("A1"), a);
    TvdxMemoView *b = memo(QStringLiteral("B"));
    const QList<TvdxComponent *> all = page->AllObjects();
    EXPECT_EQ(all, (QList<TvdxComponent *>{band, a, a1, b}));
    EXPECT_EQ(report->FindObject(QStringLiteral("a1")), a1);
}

TEST_F(TreeTest, ParentCannotBecomeOwnDescendant)
{
    TvdxMemoView *a = memo(QStringLiteral("A"));
    TvdxMemoView *a1 = memo(QStringLiteral("A1"), a);
    a->SetParent(a1);
    EXPECT_EQ(a->Parent(), band);
}

TEST_F(TreeTest, AlignChildren)
{
    band->SetBounds(0, 0, 200, 50);
    auto mk = [&](TvdxView::TvdxAlign a, double l, double t, double w, double h) {
        TvdxMemoView *m = memo(QString());
        m->SetBounds(l, t, w, h);
        m->SetAlign(a);
        return m;
    };
    TvdxMemoView *left1 = mk(TvdxView::baLeft, 50, 0, 20, 10);
    TvdxMemoView *left2 = mk(TvdxView::baLeft, 90, 5, 30, 10);
    TvdxMemoView *right = mk(TvdxView::baRight, 10, 16, 40, 4);
    TvdxMemoView *width = mk(TvdxView::baWidth, 100, 20, 10, 10);
    TvdxMemoView *center = mk(TvdxView::baCenter, 0, 30, 60, 5);
    TvdxMemoView *bottom = mk(TvdxView::baBottom, 0, 40, 10, 8);
    TvdxMemoView *hidden = mk(TvdxView::baHidden, 7, 7, 7, 7);
    band->AlignChildren();
    EXPECT_DOUBLE_EQ(double(left1->Left()), 0);
    EXPECT_DOUBLE_EQ(double(left2->Left()), 20);   // next to left1 (overlapping rows)
    EXPECT_DOUBLE_EQ(double(right->Left()), 160);  // against the right edge
    EXPECT_DOUBLE_EQ(double(width->Left()), 0);    // nothing on its row
    EXPECT_DOUBLE_EQ(double(width->Width()), 200);
    EXPECT_DOUBLE_EQ(double(center->Left()), 70);
    EXPECT_DOUBLE_EQ(double(bottom->Top()), 42);
    EXPECT_DOUBLE_EQ(double(hidden->Left()), 7);
    TvdxMemoView *client = mk(TvdxView::baClient, 1, 1, 1, 1);
    band->AlignChildren();
    EXPECT_DOUBLE_EQ(double(client->Width()), 200);
    EXPECT_DOUBLE_EQ(double(client->Height()), 50);
}

TEST_F(TreeTest, ContainedComponents)
{
    band->SetBounds(0, 100, 500, 50);
    TvdxMemoView *a = memo(QStringLiteral("A"));
    a->SetBounds(10, 10, 50, 20);
    TvdxMemoView *b = memo(QStringLiteral("B"));
    b->SetBounds(40, 10, 50, 20);
    // The topmost (last) child wins.
    EXPECT_EQ(page->GetContainedComponent(45, 115), b);
    EXPECT_EQ(page->GetContainedComponent(15, 115), a);
    QList<TvdxComponent *> found;
    page->GetContainedComponents(vdRectF(0, 105, 30, 140), &TvdxView::staticMetaObject, &found);
    EXPECT_EQ(found, QList<TvdxComponent *>{a});
    // A band takes views, but never itself.
    EXPECT_TRUE(band->IsAcceptControl(a));
    EXPECT_FALSE(band->IsAcceptControl(band));
    EXPECT_TRUE(band->IsAcceptControl(nullptr));
}

TEST_F(TreeTest, OwnerWideNameCheckCoversDetachedObjects)
{
    TvdxMemoView *m = memo(QStringLiteral("Loose"));
    m->SetParent(nullptr); // still owned by the report, no longer in its tree
    TvdxMemoView *other = memo(QString());
    QString error;
    try {
        other->SetName(QStringLiteral("loose"));
    } catch (const Exception &e) {
        error = e.message();
    }
    EXPECT_EQ(error, QStringLiteral("A component named loose already exists"));
    EXPECT_TRUE(other->Name().isEmpty());
    m->SetName(QStringLiteral("Renamed"));
    other->SetName(QStringLiteral("Loose"));
    EXPECT_EQ(other->Name(), QStringLiteral("Loose"));
    delete m;
}

TEST_F(TreeTest, UnnamedHolderTakesItsNamedChildrenAlong)
{
    TvdxNameIndex *index = report->GetSortedObjects();
    TvdxMemoView *holder = memo(QString());
    TvdxMemoView *inner = memo(QStringLiteral("Inner"), holder);
    ASSERT_EQ(index->Find(QStringLiteral("inner")), inner);
    holder->SetParent(nullptr);
    EXPECT_EQ(index->Find(QStringLiteral("Inner")), nullptr);
    holder->SetParent(band);
    EXPECT_EQ(index->Find(QStringLiteral("Inner")), inner);
    delete holder;
    EXPECT_EQ(index->Find(QStringLiteral("Inner")), nullptr);
    // The name is free again, for the tree and for the owner.
    TvdxMemoView *again = memo(QStringLiteral("INNER"));
    EXPECT_EQ(again->Name(), QStringLiteral("INNER"));
    EXPECT_EQ(index->Find(QStringLiteral("inner")), again);
}

TEST_F(TreeTest, NamesThroughRenameDeleteAndReuse)
{
    TvdxNameIndex *index = report->GetSortedObjects();
    TvdxMemoView *a = memo(QStringLiteral("Alpha"));
    a->SetName(QStringLiteral("BETA"));
    EXPECT_EQ(index->Find(QStringLiteral("beta")), a);
    EXPECT_EQ(index->Find(QStringLiteral("Alpha")), nullptr);
    EXPECT_EQ(report->FindObject(QStringLiteral("Beta")), a);
    // The old name is free, the new one taken in any case.
    TvdxMemoView *b = memo(QStringLiteral("alpha"));
    EXPECT_EQ(errorOf([&] { memo(QStringLiteral("Beta")); }), QStringLiteral("Duplicate name"));
    EXPECT_EQ(errorOf([&] { b->SetName(QStringLiteral("beta")); }), QStringLiteral("Duplicate name"));
    EXPECT_EQ(b->Name(), QStringLiteral("alpha"));
    // A case change only keeps the object where it is.
    a->SetName(QStringLiteral("Beta"));
    EXPECT_EQ(a->Name(), QStringLiteral("BETA"));
    delete a;
    EXPECT_EQ(index->Find(QStringLiteral("BETA")), nullptr);
    EXPECT_EQ(report->FindObject(QStringLiteral("BETA")), nullptr);
    TvdxMemoView *c = memo(QStringLiteral("beta"));
    EXPECT_EQ(index->Find(QStringLiteral("Beta")), c);
    EXPECT_EQ(report->FindObject(QStringLiteral("BETA")), c);
}

TEST_F(TreeTest, LoadsFindNamesInTheTreeAndAmongOwnedObjects)
{
    TvdxMemoView *inTree = memo(QStringLiteral("InTree"));
    TvdxMemoView *loose = memo(QStringLiteral("Loose"));
    loose->SetParent(nullptr);
    report->SetName(QStringLiteral("Self"));
    struct Case {
        const char *name;
        TvdComponent *expected;
    };
    const Case cases[] = {
        {"intree", inTree}, {"LOOSE", loose}, {"Band1", band}, {"self", nullptr}, {"Nothing", nullptr}, {"", nullptr},
    };
    for (const Case &c : cases) {
        TvdComponent *found = report.get();
        EXPECT_TRUE(report->vdxFindByName(QString::fromLatin1(c.name), found)) << c.name;
        EXPECT_EQ(found, c.expected) << c.name;
    }
    delete loose;
    TvdComponent *found = report.get();
    report->vdxFindByName(QStringLiteral("Loose"), found);
    EXPECT_EQ(found, nullptr);
}

TEST(ReportNames, FreeingOneReportLeavesTheNamesOfAnother)
{
    const QString name = QStringLiteral("Shared");
    auto first = std::make_unique<TvdxReport>();
    auto second = std::make_unique<TvdxReport>();
    for (TvdxReport *r : {first.get(), second.get()}) {
        auto *page = new TvdxReportPage(r);
        page->SetName(QStringLiteral("Page1"));
        auto *m = new TvdxMemoView(page);
        m->SetName(name);
        auto *loose = new TvdxMemoView(page);
        loose->SetName(name + QLatin1String("Loose"));
        loose->SetParent(nullptr);
    }
    auto *kept = qobject_cast<TvdxMemoView *>(second->FindObject(name));
    ASSERT_TRUE(kept);
    QPointer<TvdxComponent> gone(qobject_cast<TvdxComponent *>(first->FindObject(name)));
    first.reset();
    EXPECT_TRUE(gone.isNull());
    EXPECT_EQ(second->GetSortedObjects()->Find(QStringLiteral("SHARED")), kept);
    EXPECT_EQ(errorOf([&] { (new TvdxMemoView(kept->Parent()))->SetName(QStringLiteral("sharedloose")); }),
              QStringLiteral("A component named sharedloose already exists"));
    kept->SetName(QStringLiteral("Other"));
    delete kept;
    auto *fresh = new TvdxMemoView(second->Pages(0));
    fresh->SetName(name);
    EXPECT_EQ(second->GetSortedObjects()->Find(name), fresh);
    second.reset();
}

TEST_F(TreeTest, RunInMainThreadCallsWithTheSender)
{
    TvdxMemoView *m = memo(QString());
    TvdxComponent *seen = nullptr;
    m->RunInMainThread([&](TvdxComponent *s) { seen = s; }, band);
    EXPECT_EQ(seen, band);
    report->EngineOptions()->SetEnableThreadSafe(true);
    seen = nullptr;
    m->RunInMainThread([&](TvdxComponent *s) { seen = s; }, m);
    EXPECT_EQ(seen, m);
}

TEST(ReportLifetime, FreesWhatItOwnsInsideAndOutsideTheTree)
{
    auto report = std::make_unique<TvdxReport>();
    auto *page = new TvdxReportPage(report.get());
    auto *inTree = new TvdxMemoView(page);
    auto *detached = new TvdxMemoView(page);
    auto *detachedChild = new TvdxMemoView(detached);
    detached->SetParent(nullptr);
    QPointer<TvdxMemoView> a(inTree), b(detached), c(detachedChild);
    report.reset();
    EXPECT_TRUE(a.isNull());
    EXPECT_TRUE(b.isNull());
    EXPECT_TRUE(c.isNull());
}

#include "ComponentTreeTest.moc"

TEST(WideStringsFromText, SplitsAtEveryKindOfLineBreak)
{
    struct Case {
        QString text;
        QStringList lines;
    };
    const Case cases[] = {
        {QString(), {}},
        {QStringLiteral("one"), {QStringLiteral("one")}},
        {QStringLiteral("a\r\nb\nc\rd"), {"a", "b", "c", "d"}},
        {QStringLiteral("a\r\n\r\nb\r\n"), {"a", "", "b"}},
        {QStringLiteral("\u00e4\u4e2d\r\n"), {QStringLiteral("\u00e4\u4e2d")}},
    };
    for (const Case &c : cases) {
        std::unique_ptr<TvdWideStrings> list = vdxWideStringsFromText(c.text);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->Strings(), c.lines) << c.text.toStdString();
    }
    // Each call answers a list of its own.
    EXPECT_NE(vdxWideStringsFromText(QStringLiteral("x")), vdxWideStringsFromText(QStringLiteral("x")));
}
