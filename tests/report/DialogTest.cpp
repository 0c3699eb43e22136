// Dialog components (non-visual, 28 x 28 icons) and dialog controls over widgets.
#include "platform/QPainterCanvas.h"
#include "report/vdxClass_dialog.h"
#include "report/vdxClass_report.h"
#include "report/vdxClass_view.h"
#include "report/vdxDsgnIntf.h"

#include <QImage>
#include <QPushButton>
#include <gtest/gtest.h>
#include <memory>

namespace {

class TvdxButtonControl : public TvdxDialogControl {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TvdxButtonControl(TvdComponent *owner = nullptr) : TvdxDialogControl(owner)
    {
        SetControl(new QPushButton());
        m_acceptsControls = false;
    }
};

class TvdxPanelControl : public TvdxDialogControl {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TvdxPanelControl(TvdComponent *owner = nullptr) : TvdxDialogControl(owner)
    {
        SetControl(new QWidget());
        m_acceptsControls = true;
    }
};

class TvdxIconComponent : public TvdxDialogComponent {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TvdxIconComponent(TvdComponent *owner = nullptr) : TvdxDialogComponent(owner) {}
};

} // namespace

TEST(DialogComponent, DrawsThePaletteButtonOfItsClass)
{
    QImage red(16, 16, QImage::Format_ARGB32);
    red.fill(Qt::red);
    vdxObjectRegistry().RegisterObject1(&TvdxIconComponent::staticMetaObject, red);
    TvdxIconComponent c;
    c.SetName("Icon1");
    c.SetLeft(10);
    c.SetTop(10);
    QImage img(100, 100, QImage::Format_ARGB32);
    img.fill(Qt::white);
    {
        QPainterCanvas canvas(img);
        c.Draw(canvas, 1, 1, 0, 0);
    }
    vdxObjectRegistry().Unregister(&TvdxIconComponent::staticMetaObject);
    EXPECT_EQ(img.pixelColor(16, 16), QColor(Qt::red));
    EXPECT_EQ(img.pixelColor(31, 31), QColor(Qt::red));
    EXPECT_NE(img.pixelColor(33, 33), QColor(Qt::red));
}

TEST(DialogComponent, StaysTwentyEightSquareAfterDraw)
{
    TvdxDialogComponent c;
    c.SetName("Conn1");
    EXPECT_EQ(c.Width(), 28);
    EXPECT_EQ(c.Height(), 28);
    EXPECT_FALSE(c.vdComponentStyle().testFlag(TvdxComponent::csPreviewVisible));
    c.SetWidth(100);
    c.SetHeight(5);
    c.SetLeft(10);
    c.SetTop(10);
    QImage img(200, 200, QImage::Format_ARGB32);
    img.fill(Qt::white);
    {
        QPainterCanvas canvas(img);
        c.Draw(canvas, 2, 2, 50, 50);
    }
    EXPECT_EQ(c.Width(), 28);
    EXPECT_EQ(c.Height(), 28);
    // The icon sits at the scaled bounds, offsets not applied: button face inside.
    EXPECT_EQ(img.pixelColor(40, 40), toQColor(ColorToRGB(clBtnFace)));
    EXPECT_EQ(img.pixelColor(150, 150), QColor(Qt::white));
}

TEST(DialogControl, ControlPositionFollowsThePageDensity)
{
    TvdxReport report;
    auto *page = new TvdxDialogPage(&report);
    page->UpdateDialogPPI(144);
    auto *button = new TvdxButtonControl(page);
    button->SetParent(page);
    EXPECT_EQ(button->CurrentPPI(), 144);
    button->SetLeft(100);
    button->SetTop(10);
    button->SetWidth(75);
    button->SetHeight(25);
    const QRect g = button->Control()->geometry();
    EXPECT_EQ(g.x(), 150);
    EXPECT_EQ(g.y(), 15);
    EXPECT_EQ(g.width(), 112); // 112.5 rounds to even
    EXPECT_EQ(g.height(), 38);  // 37.5 rounds to even
    // Children of a control take its density.
    auto *panel = new TvdxPanelControl(page);
    auto *inner = new TvdxButtonControl(panel);
    EXPECT_EQ(inner->CurrentPPI(), 144);
    inner->SetParent(panel);
    panel->UpdateControlPPI(96);
    EXPECT_EQ(inner->CurrentPPI(), 96);
    EXPECT_EQ(inner->Control()->parentWidget(), panel->Control());
}

TEST(DialogControl, CaptionFollowsTheNameUntilEdited)
{
    TvdxButtonControl b;
    EXPECT_EQ(b.BaseName(), "Button");
    b.SetName("Button1");
    EXPECT_EQ(b.Caption(), "Button1");
    b.SetName("OkButton");
    EXPECT_EQ(b.Caption(), "OkButton");
    b.SetCaption("OK");
    b.SetName("Ok2");
    EXPECT_EQ(b.Caption(), "OK");
    EXPECT_EQ(static_cast<QPushButton *>(b.Control())->text(), "OK");
}

TEST(DialogControl, PropertiesReachTheWidget)
{
    TvdxButtonControl b;
    b.SetEnabled(false);
    EXPECT_FALSE(b.Control()->isEnabled());
    EXPECT_FALSE(b.Enabled());
    b.SetHint("Press me");
    EXPECT_TRUE(b.Control()->toolTip().isEmpty()); // hints show only with ShowHint
    b.SetShowHint(true);
    EXPECT_EQ(b.Control()->toolTip(), "Press me");
    b.SetTabStop(false);
    EXPECT_FALSE(b.TabStop());
    b.SetTabStop(true);
    EXPECT_TRUE(b.TabStop());
    b.SetVisible(false);
    EXPECT_TRUE(b.Control()->isHidden());
}

TEST(DialogControl, NoChildOfItsOwnChild)
{
    TvdxReport report;
    auto *page = new TvdxDialogPage(&report);
    auto *outer = new TvdxPanelControl(page);
    outer->SetParent(page);
    auto *inner = new TvdxPanelControl(page);
    inner->SetParent(outer);
    EXPECT_TRUE(inner->IsAcceptAsChild(outer));
    EXPECT_FALSE(outer->IsAcceptAsChild(inner));
    EXPECT_TRUE(outer->IsAcceptAsChild(page));
    EXPECT_FALSE(outer->IsAcceptAsChild(nullptr));
    TvdxReportPage printed;
    EXPECT_FALSE(outer->IsAcceptAsChild(&printed));
    EXPECT_TRUE(outer->IsAcceptControls());
    TvdxButtonControl b;
    EXPECT_FALSE(b.IsAcceptControls());
}

TEST(DialogControl, HostFormHoldsParentlessControlsAndLetsThemGo)
{
    auto b = std::make_unique<TvdxButtonControl>();
    EXPECT_EQ(b->Control()->parentWidget(), vdxGetParentForm());
    vdxDetachParentFormControls();
    EXPECT_TRUE(vdxGetParentForm()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly).isEmpty());
    EXPECT_EQ(b->Control()->parentWidget(), nullptr);
}

TEST(DialogControl, DrawPaintsTheWidgetAtItsPlace)
{
    TvdxPanelControl p;
    p.SetBounds(10, 20, 40, 30);
    QImage img(100, 100, QImage::Format_ARGB32);
    img.fill(Qt::white);
    {
        QPainterCanvas canvas(img);
        p.Draw(canvas, 1, 1, 0, 0);
    }
    EXPECT_NE(img.pixelColor(25, 35), QColor(Qt::white));
    EXPECT_EQ(img.pixelColor(5, 5), QColor(Qt::white));
}

#include "DialogTest.moc"

namespace {

TEST(DialogControl, AnchorsMoveAndStretchControlsWhenThePageIsResized)
{
    using A = TvdxComponent;
    TvdxReport report;
    auto *page = new TvdxDialogPage(&report);
    QWidget *window = page->DialogForm();
    ASSERT_NE(window, nullptr);
    window->resize(400, 300);
    window->show();

    struct Case {
        A::TvdxAnchors anchors;
        QRect grown;
    };
    const Case cases[] = {
        {A::vdaLeft | A::vdaTop, QRect(100, 50, 80, 20)},
        {A::vdaLeft | A::vdaTop | A::vdaRight, QRect(100, 50, 180, 20)},
        {A::vdaRight | A::vdaBottom, QRect(200, 110, 80, 20)},
        {A::vdaLeft | A::vdaTop | A::vdaRight | A::vdaBottom, QRect(100, 50, 180, 80)},
        {A::TvdxAnchors(), QRect(150, 80, 80, 20)}, // the centre keeps its place
    };
    QList<TvdxButtonControl *> buttons;
    for (const Case &c : cases) {
        auto *b = new TvdxButtonControl(page);
        b->SetParent(page);
        b->SetLeft(100);
        b->SetTop(50);
        b->SetWidth(80);
        b->SetHeight(20);
        b->SetAnchors(c.anchors);
        ASSERT_EQ(b->Control()->parentWidget(), window);
        buttons << b;
    }
    window->resize(500, 360);
    for (int i = 0; i < buttons.size(); ++i)
        EXPECT_EQ(buttons[i]->Control()->geometry(), cases[i].grown) << i;
    // Back to the first size: every control where it started, nothing drifts.
    window->resize(399, 299);
    window->resize(400, 300);
    for (TvdxButtonControl *b : buttons)
        EXPECT_EQ(b->Control()->geometry(), QRect(100, 50, 80, 20));

    // A control placed by hand afterwards is measured from its new place.
    buttons[2]->SetLeft(10);
    window->resize(420, 300);
    EXPECT_EQ(buttons[2]->Control()->geometry(), QRect(30, 50, 80, 20));
}

} // namespace
