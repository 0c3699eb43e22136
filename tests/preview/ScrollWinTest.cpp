// The scroll-window base and the density-aware panel and control bases.
#include "WidgetTestSupport.h"
#include "preview/vdxDPIAware.h"
#include "preview/vdxScrollWin.h"

#include <QScrollBar>
#include <QTest>

namespace {

class CountingScrollWin : public TvdxScrollWin {
public:
    int horzHooks = 0, vertHooks = 0;
    QList<int> ppiCalls;

protected:
    void HorzPositionChanged() override { ++horzHooks; }
    void VertPositionChanged() override { ++vertHooks; }
    void PPIChanging(int newPPI) override { ppiCalls << newPPI << CurrentPPI(); }
};

// Records each announced PPI with the PPI still current at that moment.
class RecordingPanel : public TvdxDPIAwarePanel {
public:
    QList<QPair<int, int>> calls;
    void PPIChanging(int newPPI) override { calls.append({newPPI, CurrentPPI}); }
};

class RecordingControl : public TvdxDPIAwareCustomControl {
public:
    QList<QPair<int, int>> calls;
    void PPIChanging(int newPPI) override { calls.append({newPPI, CurrentPPI}); }
};

} // namespace

using ScrollWinTest = WidgetTest;

TEST_F(ScrollWinTest, RangeBelowThePageScrollsNowhere)
{
    CountingScrollWin w;
    QList<int> maxima;
    w.OnScrollMaxChange = [&](QObject *, TvdxScrollerOrientation, int v) { maxima << v; };
    w.SetVertPage(100);
    w.SetVertRange(50);
    EXPECT_TRUE(maxima.isEmpty());
    EXPECT_EQ(w.verticalScrollBar()->maximum(), 0);
    for (TvdxScrollCode code : {scLineDown, scPageDown, scBottom, scThumbTrack}) {
        w.ScrollRequest(vdsVertical, code, 30);
        EXPECT_EQ(w.VertPosition(), 0) << code;
    }
    w.SetVertPosition(40);
    EXPECT_EQ(w.VertPosition(), 0);
    EXPECT_EQ(w.vertHooks, 0);

    // A range past the page reports range minus page, for the page setter too.
    w.SetVertRange(300);
    w.SetVertPage(120);
    EXPECT_EQ(maxima, (QList<int>{200, 180}));
    EXPECT_EQ(w.verticalScrollBar()->maximum(), 180);
    EXPECT_EQ(w.verticalScrollBar()->pageStep(), 120);
}

TEST_F(ScrollWinTest, SamePositionAsksTheHandlerButCallsNoHook)
{
    CountingScrollWin w;
    int asked = 0;
    w.OnScrollPosChange = [&](QObject *, TvdxScrollerOrientation o, int &v) {
        ++asked;
        if (o == vdsHorizontal && v == 77)
            v = 50; // the handler may change the request
    };
    w.SetHorzRange(500);
    w.SetHorzPage(100);
    w.SetHorzPosition(77);
    EXPECT_EQ(w.HorzPosition(), 50);
    EXPECT_EQ(w.horzHooks, 1);
    EXPECT_EQ(w.horizontalScrollBar()->value(), 50);
    w.SetHorzPosition(50);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(w.horzHooks, 1);
}

TEST_F(ScrollWinTest, RequestsFromTheScrollBars)
{
    CountingScrollWin w;
    w.resize(200, 200);
    w.SetVertRange(1000);
    w.SetVertPage(100);
    w.SmallChange = 7;
    w.LargeChange = 40;
    QScrollBar *sb = w.verticalScrollBar();
    QTest::keyClick(sb, Qt::Key_Down);
    EXPECT_EQ(w.VertPosition(), 7);
    QTest::keyClick(sb, Qt::Key_PageDown);
    EXPECT_EQ(w.VertPosition(), 47);
    QTest::keyClick(sb, Qt::Key_Up);
    EXPECT_EQ(w.VertPosition(), 40);
    // "Bottom" asks for the range and ends at range minus page.
    QTest::keyClick(sb, Qt::Key_End);
    EXPECT_EQ(w.VertPosition(), 900);
    EXPECT_EQ(sb->value(), 900);
    QTest::keyClick(sb, Qt::Key_Home);
    EXPECT_EQ(w.VertPosition(), 0);
    EXPECT_EQ(w.vertHooks, 5);

    // Shrinking the range leaves the position until the next request.
    w.SetVertPosition(800);
    w.SetVertRange(500);
    EXPECT_EQ(w.VertPosition(), 800);
    w.ScrollRequest(vdsVertical, scLineUp);
    EXPECT_EQ(w.VertPosition(), 400);
}

TEST_F(ScrollWinTest, ThumbPast16BitsArrivesWhole)
{
    CountingScrollWin w;
    w.SetVertRange(250000);
    w.SetVertPage(1000);
    w.verticalScrollBar()->setSliderPosition(100000); // a thumb drag
    EXPECT_EQ(w.VertPosition(), 100000);
    w.ScrollRequest(vdsVertical, scThumbPosition, 170001);
    EXPECT_EQ(w.VertPosition(), 170001);
    EXPECT_EQ(w.verticalScrollBar()->value(), 170001);
}

TEST_F(ScrollWinTest, HiddenScrollBarsAreLeftAlone)
{
    CountingScrollWin w;
    w.SetHideScrolls(true);
    w.SetHorzRange(400);
    w.SetHorzPage(100);
    w.SetHorzPosition(250);
    EXPECT_EQ(w.HorzPosition(), 250);
    EXPECT_EQ(w.horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(w.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
}

TEST_F(ScrollWinTest, DensityChangesAnnouncedBeforeTheyApply)
{
    CountingScrollWin w;
    windowPPI = 144;
    w.WindowDPIChanged();
    w.WindowDPIChanged(); // the same density again: no hook
    windowPPI = 96;
    w.WindowDPIChanged();
    EXPECT_EQ(w.ppiCalls, (QList<int>{144, 96, 96, 144}));
    EXPECT_EQ(w.CurrentPPI(), 96);
}

TEST_F(ScrollWinTest, PanelAndControlScales)
{
    vdSetScreenPPI(144);
    RecordingPanel panel;
    RecordingControl control;
    TvdDPIAwareCustomControl bare;
    EXPECT_FLOAT_EQ(panel.GetScale(), 1.5);
    EXPECT_FLOAT_EQ(panel.GetReleativeScale(), 1.0);
    EXPECT_FLOAT_EQ(control.GetScale(), 1.5);
    EXPECT_EQ(bare.CurrentPPI, 0);

    vdSetScreenPPI(96);
    RecordingPanel p96;
    RecordingControl c96;
    for (int ppi : {144, 144, 96}) {
        p96.DPIChanged(ppi);
        windowPPI = ppi;
        c96.WindowDPIChanged();
    }
    const QList<QPair<int, int>> expected = {{144, 96}, {96, 144}};
    EXPECT_EQ(p96.calls, expected);
    EXPECT_EQ(c96.calls, expected);
    // On a monitor of another density the relative scale follows.
    p96.DPIChanged(192);
    EXPECT_FLOAT_EQ(p96.GetReleativeScale(), 2.0);
}

TEST_F(ScrollWinTest, BaseFormsTellTheirPanels)
{
    TvdxBaseForm form;
    auto *panel = new RecordingPanel;
    panel->setParent(&form);
    form.show();
    QApplication::processEvents();
    form.HandleDPIChanged(144, QRect(0, 0, 300, 200));
    form.HandleDPIChanged(96, QRect(0, 0, 200, 130));
    EXPECT_EQ(panel->calls, (QList<QPair<int, int>>{{144, 96}, {96, 144}}));
}
