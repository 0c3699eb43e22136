#include "StoreFixture.h"
#include "StubPreview.h"

#include "platform/UiProvider.h"
#include "report/vdxClass_band.h"
#include "report/vdxClass_hyperlink.h"
#include "report/vdxClass_options.h"

#include <QFile>

struct Interaction : StoreFixture {
    Interaction()
    {
        report.SetPreview(&preview);
        report.OnMouseEnter = [this](TvdxView *v) { events << "enter " + v->Name(); };
        report.OnMouseLeave = [this](TvdxView *v) { events << "leave " + v->Name(); };
    }
    ~Interaction() override { report.SetPreview(nullptr); }

    // Two pages; an anchor "Totals" 40 pixels down the second.
    void build(int pages = 2)
    {
        store().AddSourcePage(page);
        for (int i = 0; i < pages; ++i) {
            store().AddPage(page);
            placeBand(20 + 10 * i);
            if (i == 1) {
                report.Engine()->CurY = 40;
                store().AddAnchor(QStringLiteral("totals"));
                store().Outline()->LevelRoot();
                store().Outline()->AddItem(QStringLiteral("Second"), 40);
            }
        }
        store().ResetLogicalPageNumber();
        store().Finish();
    }

    // The built object of that name on a page.
    TvdxComponent *built(int index, const QString &name)
    {
        TvdxReportPage *p = store().GetPage(index);
        return p ? qobject_cast<TvdxComponent *>(p->FindObject(name)) : nullptr;
    }
    // Sends an event at the middle of the object (scale 1, page at 0, 0).
    void at(int index, const QString &name, TvdxMouseIntEvents kind = meMouseMove, TvdxMouseButton button = mbLeft)
    {
        TvdxComponent *o = built(index, name);
        ASSERT_NE(o, nullptr) << qPrintable(name);
        TvdxReportPage *p = store().GetPage(index);
        const double ox = double(p->LeftMargin() * vdxMMFactor), oy = double(p->TopMargin() * vdxMMFactor);
        send(index, int(ox + double(o->AbsLeft() + o->Width() / 2)), int(oy + double(o->AbsTop() + o->Height() / 2)),
             kind, button);
    }
    void send(int index, int x, int y, TvdxMouseIntEvents kind, TvdxMouseButton button = mbLeft)
    {
        ep = TvdxPreviewIntEventParams();
        ep.MouseEventType = kind;
        store().ObjectOver(index, x, y, button, 0, 1.0, 0, 0, ep);
    }
    TvdxHyperlink *link(int index, const QString &name)
    {
        return qobject_cast<TvdxView *>(built(index, name))->Hyperlink();
    }

    StubPreview preview;
    QStringList events;
    TvdxPreviewIntEventParams ep;
    QTemporaryDir dir;
};

TEST_F(Interaction, MovingFromOneObjectToAnotherLeavesFirstThenEnters)
{
    build();
    at(0, "Memo1");
    at(0, "Memo1");
    at(0, "Memo2");
    send(0, 2, 2, meMouseMove); // the margin: nothing under the mouse
    EXPECT_EQ(events, (QStringList{"enter Memo1", "leave Memo1", "enter Memo2", "leave Memo2"}));
    EXPECT_EQ(store().LastObjectOver, nullptr);
    // Events for no page, or while the engine runs, are ignored.
    send(7, 2, 2, meMouseMove);
    report.Engine()->Running = true;
    at(0, "Memo1");
    report.Engine()->Running = false;
    EXPECT_EQ(events.size(), 4);
}

TEST_F(Interaction, AnchorLinkMovesThePreviewAndKeepsTheHover)
{
    memo1->Hyperlink()->SetKind(TvdxHyperlink::hkAnchor);
    memo1->Hyperlink()->SetValue(QStringLiteral("TOTALS"));
    build();
    at(0, "Memo1");
    EXPECT_EQ(ep.Cursor, vdxCrHandPoint);
    at(0, "Memo1", meClick);
    EXPECT_EQ(preview.PageNo(), 2);
    EXPECT_EQ(preview.Position, QPoint(2, 40));
    EXPECT_NE(store().LastObjectOver, nullptr);

    link(0, "Memo1")->SetKind(TvdxHyperlink::hkPageNumber);
    link(0, "Memo1")->SetValue(QStringLiteral("1"));
    at(0, "Memo1", meClick);
    EXPECT_EQ(preview.PageNo(), 1);
}

TEST_F(Interaction, DetailReportOpensOneTabThenSwitchesAndRefusesWhatItMust)
{
    report.SetFileName(dir.filePath("main.vd3"));
    {
        TvdxReport detail;
        auto *p = new TvdxReportPage(&detail);
        p->SetName(QStringLiteral("Page1"));
        detail.SaveToFile(dir.filePath("detail.vd3"));
        QFile bad(dir.filePath("bad.vd3"));
        ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
        bad.write("<TvdxReport><unclosed");
    }
    QTemporaryDir outside;
    QFile::copy(dir.filePath("detail.vd3"), outside.filePath("detail.vd3"));
    build();

    TvdxHyperlink *l = link(0, "Memo2");
    l->SetKind(TvdxHyperlink::hkDetailReport);
    l->SetValue(QStringLiteral("orders"));
    l->SetDetailReport(QStringLiteral("detail.vd3"));
    l->SetTabCaption(QStringLiteral("Orders"));
    at(0, "Memo2", meClick);
    at(0, "Memo2", meClick);
    ASSERT_EQ(preview.Tabs.size(), 1u);
    EXPECT_EQ(preview.Tabs[0].caption, "Orders");
    EXPECT_NE(preview.Tabs[0].report, &report);
    EXPECT_EQ(preview.Switches, QStringList{"orders"});

    struct Case {
        const char *value;
        QString file;
    };
    const Case refused[] = {
        {"outside", outside.filePath("detail.vd3")},
        {"up", QStringLiteral("../") + QFileInfo(outside.path()).fileName() + QStringLiteral("/detail.vd3")},
        {"missing", QStringLiteral("none.vd3")},
        {"unreadable", QStringLiteral("bad.vd3")},
    };
    for (const Case &c : refused) {
        l = link(0, "Memo2");
        l->SetValue(QLatin1String(c.value));
        l->SetDetailReport(c.file);
        at(0, "Memo2", meClick);
        EXPECT_EQ(preview.Tabs.size(), 1u) << c.value;
    }

    // The application's loader takes the template's name instead of a file.
    QString asked;
    report.OnLoadDetailTemplate = [&](TvdxReport *, const QString &name) {
        asked = name;
        return true;
    };
    l = link(0, "Memo2");
    l->SetValue(QStringLiteral("custom"));
    l->SetDetailReport(QStringLiteral("/anywhere/x.vd3"));
    at(0, "Memo2", meClick);
    EXPECT_EQ(asked, "/anywhere/x.vd3");
    EXPECT_EQ(preview.Tabs.size(), 2u);
}

TEST_F(Interaction, WebAddressesOpenOnlyWhenAllowedAndAgreed)
{
    build();
    QStringList opened;
    TvdxUrlOpener saved = vdxUrlOpener();
    vdxUrlOpener() = [&](const QString &url) { opened << url; };
    struct Case {
        const char *url;
        int answer;
        bool asked, opens;
    };
    const Case cases[] = {
        {"http://example.com/a", IDYES, true, true},
        {"https://example.com/b?c=d", IDYES, true, true},
        {"mailto:sales@example.com", IDYES, true, true},
        {"https://example.com/no", IDNO, true, false},
        {"file:///etc/passwd", IDYES, false, false},
        {"javascript:alert(1)", IDYES, false, false},
        {"/usr/bin/xterm", IDYES, false, false},
        {"http://", IDYES, false, false},
    };
    for (const Case &c : cases) {
        HeadlessUiProvider ui;
        TvdScopedUiProvider scoped(&ui);
        opened.clear();
        ui.QueueAnswer(c.answer);
        link(0, "Memo1")->SetKind(TvdxHyperlink::hkURL);
        link(0, "Memo1")->SetValue(QLatin1String(c.url));
        at(0, "Memo1", meClick);
        EXPECT_EQ(ui.Prompts().size(), c.asked ? 1 : 0) << c.url;
        EXPECT_EQ(opened.size(), c.opens ? 1 : 0) << c.url;
    }
    vdxUrlOpener() = saved;
}

TEST_F(Interaction, LeftClickOnADrillHeaderTogglesAndPreparesAgain)
{
    auto *header = new TvdxGroupHeader(page);
    header->SetName(QStringLiteral("GroupHeader1"));
    header->SetBounds(0, 60, 700, 30);
    header->SetDrillDown(true);
    header->setProperty("DrillName", QStringLiteral("Group1.A"));
    auto *caption = new TvdxMemoView(header);
    caption->SetName(QStringLiteral("Caption"));
    caption->SetBounds(10, 5, 100, 20);
    store().AddSourcePage(page);
    store().AddPage(page);
    store().AddObject(header);
    store().Finish();

    at(0, "Caption", meClick, mbRight);
    EXPECT_TRUE(report.DrillState().isEmpty());
    EXPECT_EQ(preview.Refreshes, 0);
    at(0, "Caption", meClick, mbLeft);
    EXPECT_EQ(report.DrillState(), QStringList{"Group1.A"});
    EXPECT_EQ(preview.Refreshes, 1);
    EXPECT_EQ(ep.Cursor, vdxCrHandPoint);
    EXPECT_EQ(store().LastObjectOver, nullptr);

    // The header's own area, with the report prepared again during the call.
    preview.PrepareOnRefresh = true;
    TvdxComponent *h = built(0, "GroupHeader1");
    ASSERT_NE(h, nullptr);
    TvdxReportPage *p = store().GetPage(0);
    send(0, int(p->LeftMargin() * vdxMMFactor + h->AbsLeft() + 500),
         int(p->TopMargin() * vdxMMFactor + h->AbsTop() + 25), meClick);
    EXPECT_TRUE(report.DrillState().isEmpty());
    EXPECT_EQ(preview.Refreshes, 2);
}

TEST_F(Interaction, ViewChangedByAClickKeepsItsStateAfterEviction)
{
    report.EngineOptions()->SetUseFileCache(true);
    report.EngineOptions()->SetTempDir(dir.path());
    report.PreviewOptions()->SetPagesInCache(1);
    report.OnClickObject = [](TvdxView *v, TvdxMouseButton, TvdxShiftState, bool &modified) {
        qobject_cast<TvdxMemoView *>(v)->SetText(QStringLiteral("clicked"));
        modified = true;
    };
    build(3);
    ASSERT_TRUE(store().PagesItem()->Items(2)->Unloadable());
    at(2, "Memo1", meClick);
    EXPECT_TRUE(ep.RetResult);
    EXPECT_GT(preview.Repaints, 0);
    EXPECT_FALSE(store().PagesItem()->Items(2)->Unloadable());
    store().GetPage(0);
    store().GetPage(1);
    EXPECT_FALSE(store().PageCached(2));
    auto *m = qobject_cast<TvdxMemoView *>(built(2, "Memo1"));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->Text().trimmed(), "clicked");
    EXPECT_EQ(qobject_cast<TvdxMemoView *>(built(1, "Memo1"))->Text().trimmed(), "one");
}

TEST_F(Interaction, InsertedAndDeletedPagesMoveAnchorsOutlineAndNumbers)
{
    build();
    auto anchorPage = [&] { return store().GetAnchorPage("totals"); };
    auto outlinePage = [&] {
        QString text;
        int p = -1, top = 0;
        store().Outline()->LevelRoot();
        store().Outline()->GetItem(0, text, p, top);
        return p;
    };
    auto numbers = [&] {
        QStringList list;
        TvdXMLItem *n = store().NumbersItem();
        for (int i = 0; i < n->Count(); ++i)
            list << n->Items(i)->GetProp("n") + "/" + n->Items(i)->GetProp("t");
        return list;
    };
    EXPECT_EQ(numbers(), (QStringList{"1/2", "2/2"}));

    store().AddEmptyPage(0);
    ASSERT_EQ(store().Count(), 3);
    ASSERT_NE(store().GetPage(0), nullptr);
    EXPECT_EQ(store().GetPage(0)->Objects().Count(), 0);
    EXPECT_EQ(store().GetPage(1)->Objects().Count(), 1);
    EXPECT_EQ(anchorPage(), 3);
    EXPECT_EQ(outlinePage(), 2);
    EXPECT_EQ(numbers(), (QStringList{"1/3", "2/3", "3/3"}));

    store().DeletePage(0);
    ASSERT_EQ(store().Count(), 2);
    EXPECT_EQ(store().GetPage(0)->Objects()[0]->Top(), 20);
    EXPECT_EQ(anchorPage(), 2);
    EXPECT_EQ(outlinePage(), 1);
    EXPECT_EQ(numbers(), (QStringList{"1/2", "2/2"}));

    store().DeletePage(1);
    store().DeletePage(0); // the last page stays
    EXPECT_EQ(store().Count(), 1);
    EXPECT_EQ(anchorPage(), 1);
    EXPECT_EQ(numbers(), (QStringList{"1/1"}));
}
