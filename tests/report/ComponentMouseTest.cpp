// The interactive protocol of report objects: edit rights in the preview,
// events passed on to the parent, entering and leaving through the parents,
// and the report's click and mouse calls reaching the view's own handlers.
#include "report/vdxClass.h"
#include "report/vdxClass_bases.h"
#include "report/vdxClass_band.h"
#include "report/vdxClass_page.h"
#include "report/vdxClass_report.h"
#include "report/vdxClass_shape.h"
#include "tests/common/TestSupport.h"

#include <QPoint>
#include <gtest/gtest.h>

namespace {

// Records what reaches the object's own handlers; Down answers Answer.
template <class Base>
class Recording : public Base {
public:
    Recording(TvdComponent *owner, QStringList *log, const QString &tag) : Base(owner), m_log(log), m_tag(tag) {}
    bool Answer = false;

protected:
    void note(const char *what) { *m_log << m_tag + QLatin1Char('.') + QLatin1String(what); }
    bool DoMouseDown(int, int, TvdxMouseButton, TvdxShiftState, TvdxInteractiveEventsParams &) override
    {
        note("down");
        return Answer;
    }
    void DoMouseUp(int, int, TvdxMouseButton, TvdxShiftState, TvdxInteractiveEventsParams &) override { note("up"); }
    void DoMouseMove(int, int, TvdxShiftState, TvdxInteractiveEventsParams &) override { note("move"); }
    void DoMouseEnter(TvdxComponent *, TvdxInteractiveEventsParams &) override { note("enter"); }
    void DoMouseLeave(int, int, TvdxComponent *, TvdxInteractiveEventsParams &) override { note("leave"); }
    void DoMouseClick(bool isDouble, TvdxInteractiveEventsParams &) override { note(isDouble ? "dblclick" : "click"); }
    bool DoMouseWheel(TvdxShiftState, int, const QPoint &, TvdxInteractiveEventsParams &) override
    {
        note("wheel");
        return Answer;
    }
    bool DoDragOver(QObject *, int, int, int, bool &accept, TvdxInteractiveEventsParams &) override
    {
        note("dragover");
        accept = true;
        return true;
    }
    bool DoDragDrop(QObject *, int, int, TvdxInteractiveEventsParams &) override
    {
        note("drop");
        return true;
    }

private:
    QStringList *m_log;
    QString m_tag;
};

// A page with a band at (0, 100, 400 x 50) holding a shape at (10, 10, 50 x 20).
class ComponentMouseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        page = new TvdxReportPage(&report);
        band = new Recording<TvdxMasterData>(page, &log, QStringLiteral("band"));
        band->SetBounds(0, 100, 400, 50);
        shape = new Recording<TvdxShapeView>(band, &log, QStringLiteral("shape"));
        shape->SetBounds(10, 10, 50, 20);
        params.Scale = 1;
    }
    void inPreview(bool allowed, bool restricted = false)
    {
        params.EventSender = esPreview;
        params.EditRestricted = restricted;
        shape->SetEditable(allowed ? TvdxComponent::ferAllowInPreview : TvdxComponent::TvdxEditableRights());
        band->SetEditable(TvdxComponent::ferAllowInPreview);
    }

    TvdxReport report;
    TvdxReportPage *page = nullptr;
    Recording<TvdxMasterData> *band = nullptr;
    Recording<TvdxShapeView> *shape = nullptr;
    QStringList log;
    TvdxInteractiveEventsParams params;
};

TEST_F(ComponentMouseTest, PreviewWithoutEditRightsIgnoresTheMouseButNotTheDragPair)
{
    struct Case {
        const char *name;
        TvdxInteractiveEventSender sender;
        bool allowed, restricted, reaches;
    } cases[] = {
        {"designer", esDesigner, false, false, true},
        {"preview, editable", esPreview, true, false, true},
        {"preview, not editable", esPreview, false, false, false},
        {"preview, editing restricted", esPreview, true, true, false},
    };
    for (const Case &c : cases) {
        log.clear();
        params.EventSender = c.sender;
        params.EditRestricted = c.restricted;
        shape->SetEditable(c.allowed ? TvdxComponent::ferAllowInPreview : TvdxComponent::TvdxEditableRights());
        shape->Answer = true;
        EXPECT_EQ(shape->MouseDown(20, 115, mbLeft, 0, params), c.reaches) << c.name;
        shape->MouseUp(20, 115, mbLeft, 0, params);
        shape->MouseMove(20, 115, 0, params);
        shape->MouseClick(false, params);
        EXPECT_EQ(shape->MouseWheel(0, 120, QPoint(20, 115), params), c.reaches) << c.name;
        bool accept = false;
        EXPECT_TRUE(shape->DragOver(nullptr, 20, 115, 0, accept, params)) << c.name;
        EXPECT_TRUE(accept);
        EXPECT_TRUE(shape->DragDrop(nullptr, 20, 115, params)) << c.name;
        const QStringList all = {"shape.down", "shape.up", "shape.move", "shape.click", "shape.wheel"};
        const QStringList drag = {"shape.dragover", "shape.drop"};
        EXPECT_EQ(log, c.reaches ? all + drag : drag) << c.name;
    }
}

TEST_F(ComponentMouseTest, FireParentEventPassesTheEventToTheParentUnderThePoint)
{
    // Inside the band: the band gets it too (and the page under it, which
    // answers False); the request is used up.
    shape->Answer = true;
    band->Answer = true;
    params.FireParentEvent = true;
    EXPECT_FALSE(shape->MouseDown(20, 115, mbLeft, 0, params)) << "the outermost parent's answer";
    EXPECT_EQ(log, QStringList({"shape.down", "band.down"}));
    EXPECT_FALSE(params.FireParentEvent);

    // Without the request only the object itself.
    log.clear();
    EXPECT_TRUE(shape->MouseDown(20, 115, mbLeft, 0, params)) << "its own answer";
    EXPECT_EQ(log, QStringList({"shape.down"}));

    // Outside the band the request stays for someone else.
    log.clear();
    params.FireParentEvent = true;
    shape->MouseUp(20, 300, mbLeft, 0, params);
    EXPECT_EQ(log, QStringList({"shape.up"}));
    EXPECT_TRUE(params.FireParentEvent);

    // Move and wheel pass on the same way; the scale maps device pixels.
    log.clear();
    params.Scale = 2;
    shape->MouseMove(40, 230, 0, params);
    EXPECT_EQ(log, QStringList({"shape.move", "band.move"}));
    log.clear();
    params.FireParentEvent = true;
    band->Answer = false;
    shape->Answer = true;
    EXPECT_FALSE(shape->MouseWheel(0, 120, QPoint(40, 230), params));
    EXPECT_EQ(log, QStringList({"shape.wheel", "band.wheel"}));
}

TEST_F(ComponentMouseTest, AnUnsetScaleCountsAsOneToOne)
{
    params.Scale = 0;
    params.FireParentEvent = true;
    shape->MouseDown(20, 115, mbLeft, 0, params);
    EXPECT_EQ(log, QStringList({"shape.down", "band.down"}));
}

TEST_F(ComponentMouseTest, EnteringAChildEntersItsParentsFirstEvenWhereTheChildRefuses)
{
    shape->MouseEnter(nullptr, params);
    EXPECT_EQ(log, QStringList({"band.enter", "shape.enter"}));
    EXPECT_TRUE(shape->MouseInView());
    EXPECT_TRUE(band->MouseInView());
    EXPECT_TRUE(page->MouseInView());

    // A parent already entered is not entered again.
    log.clear();
    shape->MouseLeave(20, 115, nullptr, params);
    shape->MouseEnter(nullptr, params);
    EXPECT_EQ(log, QStringList({"shape.leave", "shape.enter"}));

    // In the preview a non-editable child still carries its parents along.
    log.clear();
    shape->MouseLeave(20, 500, nullptr, params);
    EXPECT_FALSE(band->MouseInView());
    inPreview(false);
    shape->MouseEnter(nullptr, params);
    EXPECT_EQ(log, QStringList({"band.leave", "shape.leave", "band.enter"}));
    EXPECT_TRUE(shape->MouseInView());
}

TEST_F(ComponentMouseTest, LeavingAChildLeavesOnlyTheParentsThatLostThePoint)
{
    shape->MouseEnter(nullptr, params);
    log.clear();
    // Still over the band.
    shape->MouseLeave(200, 120, nullptr, params);
    EXPECT_EQ(log, QStringList({"shape.leave"}));
    EXPECT_TRUE(band->MouseInView());
    // Off the band, still on the page.
    shape->MouseEnter(nullptr, params);
    log.clear();
    shape->MouseLeave(200, 400, nullptr, params);
    EXPECT_EQ(log, QStringList({"band.leave", "shape.leave"}));
    EXPECT_FALSE(shape->MouseInView());
    EXPECT_FALSE(band->MouseInView());
    EXPECT_TRUE(page->MouseInView());
}

// The report's click and mouse calls hand the view its own event first, then
// the script and the host program.
TEST_F(ComponentMouseTest, ReportCallsReachTheViewBeforeScriptAndHost)
{
    report.OnClickObject = [&](TvdxView *, TvdxMouseButton, TvdxShiftState, bool &) { log << "host.click"; };
    report.OnDblClickObject = [&](TvdxView *, TvdxMouseButton, TvdxShiftState, bool &) { log << "host.dblclick"; };
    report.OnMouseEnter = [&](TvdxView *) { log << "host.enter"; };
    report.OnMouseLeave = [&](TvdxView *) { log << "host.leave"; };
    bool modified = false;
    report.DoPreviewClick(shape, mbLeft, 0, modified, params);
    report.DoPreviewClick(shape, mbLeft, 0, modified, params, true);
    report.DoMouseEnter(shape, nullptr, params);
    report.DoMouseUp(shape, 20, 115, mbLeft, 0, params);
    report.DoMouseLeave(shape, 20, 500, nullptr, params);
    EXPECT_EQ(log, QStringList({"shape.click", "host.click", "shape.dblclick", "host.dblclick", "band.enter",
                                "shape.enter", "host.enter", "shape.up", "band.leave", "shape.leave",
                                "host.leave"}));

    // In the preview without rights the view keeps still; the host still hears.
    log.clear();
    inPreview(false);
    report.DoPreviewClick(shape, mbLeft, 0, modified, params);
    report.DoMouseUp(shape, 20, 115, mbLeft, 0, params);
    EXPECT_EQ(log, QStringList({"host.click"}));
}

} // namespace
