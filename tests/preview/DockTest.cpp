// Dock sites, their splitter and caption bars, and the layout store.
#include "WidgetTestSupport.h"
#include "platform/IniFile.h"
#include "preview/vdxDock.h"
#include "preview/vdxDockState.h"

#include <QRegularExpression>
#include <QTest>

class ToolForm : public TvdxDockForm {
    Q_OBJECT
public:
    using TvdxDockForm::TvdxDockForm;
};

namespace {

// A window with a left dock site and two tool windows owned by it.
struct DockFixture {
    QWidget host;
    TvdxDockSite *site;
    ToolForm *inspector;
    ToolForm *tree;

    DockFixture()
    {
        host.setObjectName("Designer");
        host.resize(500, 300);
        site = new TvdxDockSite(&host, daLeft);
        site->setObjectName("LeftDock");
        site->setGeometry(0, 0, 120, 300);
        site->TopParentWin = &host;
        inspector = new ToolForm(&host);
        inspector->setObjectName("Inspector");
        inspector->setWindowTitle("Inspector");
        inspector->resize(100, 150);
        tree = new ToolForm(&host);
        tree->setObjectName("ReportTree");
        tree->setWindowTitle("Report tree");
        tree->resize(100, 150);
    }
};

} // namespace

using DockTest = WidgetTest;

TEST_F(DockTest, ToolbarSizesAreStoredAt96PPI)
{
    TMemIniFile store;
    QWidget owner;
    auto *bar = new TvdxTBPanel(&owner);
    bar->setObjectName("TopBar");
    auto *toolbar = new TvdxDockToolBar(&owner);
    toolbar->setObjectName("Standard");
    toolbar->setParent(bar);
    toolbar->setGeometry(30, 6, 300, 36);
    vdxSaveToolbarState(&store, toolbar, 1.5);
    const QString section = "ToolBar5.Standard";
    EXPECT_EQ(store.ReadString(section, "Width", ""), "200");
    EXPECT_EQ(store.ReadString(section, "Height", ""), "24");
    EXPECT_EQ(store.ReadString(section, "Left", ""), "20");
    EXPECT_EQ(store.ReadString(section, "Float", ""), "0");
    EXPECT_EQ(store.ReadString(section, "Dock5", ""), "TopBar");
    EXPECT_EQ(store.ReadSection(section),
              (QStringList{"Float", "Visible", "Left", "Top", "Width", "Height", "Dock5"}));

    // At 96 PPI the stored sizes come back as they are; above it, the same
    // section is read and scaled to the density.
    struct Case {
        int ppi, width, left;
    };
    for (const Case &c : {Case{96, 200, 20}, Case{144, 300, 30}}) {
        toolbar->setGeometry(0, 0, 50, 50);
        vdxRestoreToolbarState(&store, toolbar, c.ppi);
        EXPECT_EQ(toolbar->width(), c.width) << c.ppi;
        EXPECT_EQ(toolbar->x(), c.left) << c.ppi;
        EXPECT_EQ(toolbar->parentWidget(), bar);
        EXPECT_FALSE(toolbar->isHidden());
    }
}

TEST_F(DockTest, ToolbarGoesToTheNamedControlBarOnly)
{
    TMemIniFile store;
    QWidget owner;
    auto *first = new TvdxTBPanel(&owner);
    first->setObjectName("Bar");
    auto *second = new TvdxTBPanel(&owner);
    second->setObjectName("BarBottom");
    auto *toolbar = new TvdxDockToolBar(&owner);
    toolbar->setObjectName("Text");
    toolbar->setParent(first);
    const QString section = "ToolBar5.Text";
    store.WriteString(section, "Width", "120");
    store.WriteString(section, "Dock5", "BarBottom");
    vdxRestoreToolbarState(&store, toolbar, 96);
    EXPECT_EQ(toolbar->parentWidget(), second);
    // A name no control bar has, or one only containing it, leaves it there.
    for (const char *name : {"Nowhere", "Bottom", "Ba"}) {
        store.WriteString(section, "Dock5", name);
        store.WriteString(section, "Width", "140");
        vdxRestoreToolbarState(&store, toolbar, 96);
        EXPECT_EQ(toolbar->parentWidget(), second) << name;
        EXPECT_EQ(toolbar->width(), 140);
    }
    store.WriteString(section, "Visible", "0");
    vdxRestoreToolbarState(&store, toolbar, 96);
    EXPECT_TRUE(toolbar->isHidden());
}

TEST_F(DockTest, BadToolbarValuesKeepTheCurrentOnes)
{
    QWidget owner;
    auto *toolbar = new TvdxDockToolBar(&owner);
    toolbar->setObjectName("Std");
    const char *bad[] = {"", "abc", "-5", "99999999", "1e9", "0x"};
    for (const char *value : bad) {
        TMemIniFile store;
        toolbar->setGeometry(10, 12, 90, 26);
        for (const char *key : {"Left", "Top", "Width", "Height"})
            if (QByteArray(value) != "-5" || QByteArray(key).startsWith("W") || QByteArray(key).startsWith("H"))
                store.WriteString("ToolBar5.Std", key, value);
        vdxRestoreToolbarState(&store, toolbar, 96);
        EXPECT_EQ(toolbar->geometry(), QRect(10, 12, 90, 26)) << value;
    }
    // A floating toolbar stored far off every screen keeps a place on one.
    TMemIniFile store;
    store.WriteString("ToolBar5.Std", "Float", "1");
    store.WriteString("ToolBar5.Std", "Left", "30000");
    store.WriteString("ToolBar5.Std", "Top", "30000");
    toolbar->move(5, 5);
    vdxRestoreToolbarState(&store, toolbar, 96);
    EXPECT_TRUE(toolbar->isWindow());
    EXPECT_LT(toolbar->x(), 30000);
}

TEST_F(DockTest, DockLayoutIsHexAndReadsBack)
{
    TMemIniFile store;
    QString saved;
    {
        DockFixture f;
        ASSERT_TRUE(f.site->DockDrop(f.tree));
        ASSERT_TRUE(f.site->DockDrop(f.inspector));
        f.site->SavedSize = 77;
        vdxSaveDockSiteState(&store, f.site, 1.0);
        saved = store.ReadString("Dock5.LeftDock", "Data2005", "");
        EXPECT_TRUE(QRegularExpression("^([0-9A-F]{2})+$").match(saved).hasMatch()) << saved.toStdString();
        EXPECT_EQ(store.ReadSection("Dock5.LeftDock"), (QStringList{"Data2005", "Width", "Height", "Size"}));
    }
    DockFixture g;
    EXPECT_EQ(g.site->DockManager()->DockClientCount(), 0);
    vdxRestoreDockSiteState(&store, g.site);
    EXPECT_EQ(g.site->DockManager()->Controls(), (QList<QWidget *>{g.tree, g.inspector}));
    EXPECT_EQ(g.tree->parentWidget(), g.site);
    EXPECT_EQ(g.site->SavedSize, 77);
    TMemIniFile again;
    vdxSaveDockSiteState(&again, g.site, 1.0);
    EXPECT_EQ(again.ReadString("Dock5.LeftDock", "Data2005", ""), saved);
}

TEST_F(DockTest, EmptyOrBrokenLayoutKeepsTheDockedWindows)
{
    const char *layouts[] = {"", "ABC", "ZZ", "0011", "56445431000000FF", "not hex at all!"};
    for (const char *hex : layouts) {
        DockFixture f;
        f.site->DockDrop(f.inspector);
        TMemIniFile store;
        store.WriteString("Dock5.LeftDock", "Data2005", hex);
        store.WriteString("Dock5.LeftDock", "Width", "150");
        vdxRestoreDockSiteState(&store, f.site);
        EXPECT_EQ(f.site->DockManager()->Controls(), (QList<QWidget *>{f.inspector})) << hex;
        EXPECT_EQ(f.site->width(), 150) << hex;
        EXPECT_EQ(f.site->SavedSize, 100) << hex; // "Size" defaults to 100
    }
}

TEST_F(DockTest, SiteSizesScaleWithTheScreen)
{
    DockFixture f;
    TMemIniFile store;
    const char *bad[] = {"-3", "junk", "4000000"};
    for (const char *value : bad) {
        store.WriteString("Dock5.LeftDock", "Width", value);
        store.WriteString("Dock5.LeftDock", "Size", value);
        vdxRestoreDockSiteState(&store, f.site);
        EXPECT_EQ(f.site->width(), 120) << value;
        EXPECT_EQ(f.site->SavedSize, 100) << value;
    }
    vdSetScreenPPI(144);
    DockFixture g;
    store.WriteString("Dock5.LeftDock", "Width", "100");
    vdxRestoreDockSiteState(&store, g.site);
    EXPECT_EQ(g.site->width(), 150);
}

TEST_F(DockTest, LayoutNamesTheWindowExactly)
{
    TMemIniFile store;
    {
        QWidget host;
        auto *site = new TvdxDockSite(&host);
        site->setObjectName("LeftDock");
        site->TopParentWin = &host;
        auto *w = new QWidget(&host);
        w->setObjectName("Tree");
        site->DockDrop(w);
        vdxSaveDockSiteState(&store, site, 1.0);
    }
    QWidget host;
    auto *site = new TvdxDockSite(&host);
    site->setObjectName("LeftDock");
    site->TopParentWin = &host;
    auto *other = new QWidget(&host);
    other->setObjectName("DataTree");
    vdxRestoreDockSiteState(&store, site);
    EXPECT_EQ(site->DockManager()->DockClientCount(), 0);
    EXPECT_EQ(other->parentWidget(), &host);
    EXPECT_EQ(site->ReloadDockedControl("Tree"), nullptr);
    EXPECT_EQ(site->ReloadDockedControl("DataTree"), other);
}

TEST_F(DockTest, FormSectionsAreThoseOfTheBaseForm)
{
    TMemIniFile store;
    ToolForm form;
    form.resize(300, 200);
    form.move(20, 30);
    form.SaveFormPreferences(&store, nullptr);
    const QString section = "Form5." + form.FormClassName();
    EXPECT_EQ(section, "Form5.ToolForm");
    for (const char *key : {"Maximized", "Left", "Top", "Width", "Height", "Dock5", "Visible"})
        EXPECT_TRUE(store.ValueExists(section, key)) << key;

    store.WriteString(section, "Visible", "1");
    ToolForm other;
    other.resize(50, 50);
    vdxRestoreFormState(&store, &other, 1.5);
    EXPECT_EQ(other.size(), QSize(450, 300));
    EXPECT_EQ(other.pos(), QPoint(20, 30));
    EXPECT_FALSE(other.isHidden());

    // Bad values keep the current size and a place on the screen.
    store.WriteString(section, "Width", "-40");
    store.WriteString(section, "Height", "huge");
    store.WriteString(section, "Left", "-90000");
    store.WriteString(section, "Visible", "0");
    vdxRestoreFormState(&store, &other, 1.0);
    EXPECT_EQ(other.size(), QSize(450, 300));
    EXPECT_EQ(other.pos(), QPoint(20, 30));
    EXPECT_TRUE(other.isHidden());
}

TEST_F(DockTest, FormDocksIntoTheNamedSite)
{
    DockFixture f;
    TMemIniFile store;
    store.WriteString("Form5.ToolForm", "Dock5", "LeftDock");
    vdxRestoreFormState(&store, f.tree, 1.0);
    EXPECT_EQ(f.tree->parentWidget(), f.site);
    EXPECT_EQ(f.site->DockManager()->Controls(), (QList<QWidget *>{f.tree}));
}

TEST_F(DockTest, SplitterCollapsesAndRestoresTheSite)
{
    vdSetScreenPPI(144);
    {
        QWidget host;
        TvdxDockSite site(&host);
        EXPECT_EQ(site.Splitter()->width(), 9);
    }
    vdSetScreenPPI(96);
    DockFixture f;
    TDockSplitter *splitter = f.site->Splitter();
    EXPECT_TRUE(splitter->isHidden());
    f.site->DockDrop(f.inspector);
    f.host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.host));
    EXPECT_FALSE(splitter->isHidden());
    EXPECT_EQ(splitter->geometry(), QRect(120, 0, 6, 300));
    EXPECT_EQ(splitter->CursorAt(QPoint(3, 150)), Qt::PointingHandCursor);
    EXPECT_EQ(splitter->CursorAt(QPoint(3, 10)), Qt::SplitHCursor);

    QTest::mouseClick(splitter, Qt::LeftButton, {}, QPoint(3, 150));
    EXPECT_EQ(f.site->width(), 0);
    EXPECT_EQ(f.site->SavedSize, 120);
    EXPECT_EQ(splitter->x(), 0);
    QTest::mouseClick(splitter, Qt::LeftButton, {}, QPoint(3, 150));
    EXPECT_EQ(f.site->width(), 120);
    EXPECT_EQ(splitter->x(), 120);

    // Dragging away from the grip resizes.
    QTest::mousePress(splitter, Qt::LeftButton, {}, QPoint(3, 10));
    QTest::mouseMove(splitter, QPoint(33, 10));
    QTest::mouseRelease(splitter, Qt::LeftButton, {}, QPoint(33, 10));
    EXPECT_EQ(f.site->width(), 153);

    // Undocking the last window hides the splitter.
    f.site->DockDrop(f.tree);
    EXPECT_TRUE(f.site->DoUnDock(nullptr, f.inspector));
    EXPECT_FALSE(splitter->isHidden());
    EXPECT_TRUE(f.site->DoUnDock(nullptr, f.tree));
    EXPECT_TRUE(splitter->isHidden());
    EXPECT_TRUE(f.tree->isWindow());
}

TEST_F(DockTest, CaptionBarsAndCloseMark)
{
    DockFixture f;
    f.site->DockDrop(f.inspector);
    TvdxDockTree *tree = f.site->DockManager();
    EXPECT_EQ(tree->HeadSize, 20);
    EXPECT_EQ(f.inspector->geometry(), QRect(0, 20, 120, 280));
    const QImage img = f.site->grab().toImage();
    EXPECT_EQ(img.pixel(3, 3) & 0xFFFFFF, rgbOf(206, 220, 236));
    // Close mark from (W - 14, 6) to (W - 6, 14): its diagonals cross at (W - 10, 10).
    EXPECT_EQ(tree->CloseRect(), QRect(106, 6, 8, 8));
    EXPECT_EQ(img.pixel(110, 10) & 0xFFFFFF, rgbOf(96, 96, 96));

    int hit = -1;
    EXPECT_EQ(tree->ZoneCaptionHitTest(QPoint(110, 10), hit), f.inspector);
    EXPECT_EQ(hit, vdxHitClose);
    EXPECT_EQ(tree->ZoneCaptionHitTest(QPoint(30, 10), hit), f.inspector);
    EXPECT_EQ(hit, vdxHitCaption);
    EXPECT_EQ(tree->ZoneCaptionHitTest(QPoint(30, 40), hit), nullptr);

    // A click on the mark closes the window.
    f.host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.host));
    QTest::mouseClick(f.site, Qt::LeftButton, {}, QPoint(110, 10));
    EXPECT_TRUE(f.inspector->isHidden());

    // Sizes follow the density; top sites put the bar at the left.
    tree->DPIChanged(144);
    EXPECT_EQ(tree->HeadSize, 30);
    EXPECT_EQ(tree->ClosePadding, 9);
    TvdxDockSite top(&f.host, daTop);
    EXPECT_TRUE(top.DockManager()->VerticalCaptions());
}

TEST_F(DockTest, DropRectangleAndOwnerTest)
{
    DockFixture f;
    TvdxDragDockObject drag(f.inspector);
    TBlueForm *form = drag.Form();
    EXPECT_NEAR(form->windowOpacity(), 140 / 255.0, 1e-3);
    EXPECT_EQ(form->AlphaBlendValue, 140);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowTransparentForInput);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(form->isHidden());
    drag.DrawDragDockImage(QRect(50, 40, 0, 100));
    EXPECT_EQ(form->geometry(), QRect(40, 40, 20, 100));
    EXPECT_TRUE(form->isVisible());

    // A tool window of another designer window is refused.
    QWidget otherDesigner;
    otherDesigner.setObjectName("Designer2");
    ToolForm foreign(&otherDesigner);
    EXPECT_FALSE(f.site->DockDrop(&foreign));
    EXPECT_EQ(f.site->DockManager()->DockClientCount(), 0);
    // Its own are taken, and the site grows to the window's width.
    f.inspector->resize(180, 100);
    EXPECT_TRUE(f.site->DockDrop(f.inspector));
    EXPECT_EQ(f.site->width(), 180);
}

TEST_F(DockTest, ToolbarHolderAlignsAcrossTheSite)
{
    QWidget host;
    TvdxDockSite left(&host, daLeft), top(&host, daTop);
    TvdxTBPanel a(&left), b(&top);
    EXPECT_EQ(a.Align(), daTop);
    EXPECT_EQ(b.Align(), daLeft);
    b.setParent(&left);
    EXPECT_EQ(b.Align(), daTop);
}

#include "DockTest.moc"
