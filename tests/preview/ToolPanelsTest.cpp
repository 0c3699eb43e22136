// The tool strip, the strip with a filter, the tree panel and the filtered tree view.
#include "WidgetTestSupport.h"
#include "core/vdImageList.h"
#include "preview/vdxFilterEdit.h"
#include "preview/vdxMixColors.h"
#include "preview/vdxToolPanels.h"
#include "preview/vdxTreeView.h"

#include <QLineEdit>
#include <QTest>

namespace {

TvdImageList *images16()
{
    static TvdImageList list = [] {
        TvdImageList l(16, 16);
        for (QColor c : {QColor(Qt::red), QColor(Qt::green), QColor(Qt::blue)}) {
            QImage img(16, 16, QImage::Format_ARGB32);
            img.fill(c);
            l.Add(img);
        }
        return l;
    }();
    return &list;
}

QStringList texts(QTreeWidgetItem *parent)
{
    QStringList out;
    for (int i = 0; i < parent->childCount(); ++i)
        out << parent->child(i)->text(0);
    return out;
}

QStringList topTexts(QTreeWidget &tree)
{
    QStringList out;
    for (int i = 0; i < tree.topLevelItemCount(); ++i)
        out << tree.topLevelItem(i)->text(0);
    return out;
}

QTreeWidgetItem *node(QTreeWidgetItem *parent, const QString &text, int data = 0, int image = -1)
{
    auto *item = new QTreeWidgetItem(parent, QStringList{text});
    if (data)
        item->setData(0, vdxNodeDataRole, data);
    if (image >= 0) {
        item->setData(0, vdxImageIndexRole, image);
        item->setData(0, vdxSelectedIndexRole, image + 1);
        QPixmap pm(8, 8);
        pm.fill(Qt::red);
        item->setIcon(0, QIcon(pm));
    }
    return item;
}

// Data{Invoice, Customer}, Report{Page}
struct TreeFixture {
    TvdxTreeView tree;
    QTreeWidgetItem *data, *invoice, *customer, *report;
    TreeFixture()
    {
        data = new QTreeWidgetItem(QStringList{"Data"});
        tree.addTopLevelItem(data);
        invoice = node(data, "Invoice", 41, 3);
        customer = node(data, "Customer", 42, 7);
        report = new QTreeWidgetItem(&tree, QStringList{"Report"});
        node(report, "Page");
    }
};

} // namespace

using ToolPanelTest = WidgetTest;
using TreeViewTest = WidgetTest;

TEST_F(ToolPanelTest, StripAndButtonSizes)
{
    TvdxToolPanel strip;
    strip.SetImageList(images16());
    EXPECT_EQ(strip.height(), 24);
    auto *plain = strip.AddButton(0, "Plain");
    auto *drop = strip.AddButton(1, "More", 0, fbsDropDownButton);
    auto *sep = strip.AddCustomButton(fbkSeparator);
    EXPECT_EQ(plain->size(), QSize(24, 24));
    EXPECT_EQ(drop->size(), QSize(40, 24));
    EXPECT_EQ(sep->width(), 8);
    EXPECT_EQ(drop->x(), 24);
    EXPECT_EQ(sep->x(), 64);
    EXPECT_EQ(strip.ButtonsWidth(), 72);
    EXPECT_EQ(strip.GetArrowWidth(), 12);
    EXPECT_EQ(plain->toolTip(), "Plain");
    strip.SetBounds(0, 0, 300, 80); // the height stays that of the images
    EXPECT_EQ(strip.height(), 24);
}

TEST_F(ToolPanelTest, RadioButtonsReleaseOnlyTheirGroup)
{
    TvdxToolPanel strip;
    strip.SetImageList(images16());
    strip.resize(300, 24);
    TvdxToolPanelButton *a1 = strip.AddButton(0, "", 1, fbsRadioButton, 1);
    TvdxToolPanelButton *a2 = strip.AddButton(0, "", 2, fbsRadioButton, 1);
    TvdxToolPanelButton *b1 = strip.AddButton(0, "", 3, fbsRadioButton, 2);
    TvdxToolPanelButton *n1 = strip.AddButton(0, "", 4, fbsRadioButton, -1);
    TvdxToolPanelButton *n2 = strip.AddButton(0, "", 5, fbsRadioButton, -1);
    TvdxToolPanelButton *check = strip.AddButton(0, "", 6, fbsCheckButton);
    TvdxToolPanelButton *push = strip.AddButton(0, "", 7);
    QList<int> clicked;
    strip.OnBtnClick = [&](QObject *sender) { clicked << static_cast<TvdxToolPanelButton *>(sender)->Tag; };
    for (auto *b : {a1, b1, a2, n1, n2, check, push})
        QTest::mouseClick(b, Qt::LeftButton);
    EXPECT_FALSE(a1->IsDown);
    EXPECT_TRUE(a2->IsDown);
    EXPECT_TRUE(b1->IsDown);
    EXPECT_TRUE(n1->IsDown);
    EXPECT_TRUE(n2->IsDown);
    EXPECT_TRUE(check->IsDown);
    EXPECT_FALSE(push->IsDown);
    EXPECT_EQ(clicked, (QList<int>{1, 3, 2, 4, 5, 6, 7}));
    QTest::mouseClick(check, Qt::LeftButton);
    EXPECT_FALSE(check->IsDown);

    // Pressed buttons are filled with the mixed highlight.
    const QImage img = a2->grab().toImage();
    EXPECT_EQ(img.pixel(3, 20) & 0xFFFFFF, toQColor(MixColors(clWindow, clHighlight, 355)).rgb() & 0xFFFFFF);
}

TEST_F(ToolPanelTest, FilterHidesWhenTheStripIsFull)
{
    TvdxToolWithFilterPanel panel;
    panel.SetToolImageList(images16());
    for (int i = 0; i < 3; ++i)
        panel.ToolPanel()->AddButton(i, "");
    panel.SetFilterActiveImageIndex(1);
    panel.show();
    EXPECT_FALSE(panel.FilterEdit()->BitmapActive.isNull());
    EXPECT_TRUE(panel.FilterEdit()->BitmapUnactive.isNull());
    // Free space is the width less 72 for the buttons and 8 for a third of the height.
    struct Case {
        int width;
        bool shown;
        int holderWidth;
    };
    const Case cases[] = {{110, false, 0}, {119, false, 0}, {121, true, 41}, {200, true, 120}, {400, true, 200},
                          {100, false, 0}};
    for (const Case &c : cases) {
        panel.resize(c.width, 100);
        EXPECT_EQ(!panel.FilterHolder()->isHidden(), c.shown) << c.width;
        if (c.shown) {
            EXPECT_EQ(panel.FilterHolder()->width(), c.holderWidth) << c.width;
            EXPECT_EQ(panel.FilterHolder()->x() + panel.FilterHolder()->width(), c.width);
        }
    }
    panel.SetFilterAlign(vdaWidth);
    panel.resize(400, 100);
    EXPECT_EQ(panel.FilterHolder()->width(), 392);
    // Limits follow the density.
    panel.DPIChanged(144);
    EXPECT_EQ(panel.FileterMinWidth(), 60);
    EXPECT_EQ(panel.FileterMaxWidth(), 300);
}

TEST_F(ToolPanelTest, TreePanelFiltersAtEveryKeystroke)
{
    TvdxTreePanel panel;
    panel.resize(300, 200);
    panel.SetToolImageList(images16());
    panel.ToolPanel()->AddButton(0, "");
    auto *data = new QTreeWidgetItem(panel.TreeView(), QStringList{"Data"});
    node(data, "Invoice");
    node(data, "Inventory");
    node(data, "Customer");
    panel.show();
    QLineEdit *edit = panel.FilterEdit()->EditControl();
    const QList<QPair<QString, QStringList>> steps = {
        {"i", {"Invoice", "Inventory"}}, {"in", {"Invoice", "Inventory"}}, {"inv", {"Invoice", "Inventory"}},
        {"invo", {"Invoice"}}};
    for (const auto &step : steps) {
        QTest::keyClick(edit, step.first.back().toLatin1());
        EXPECT_EQ(panel.TreeView()->LastFilter(), step.first);
        ASSERT_EQ(panel.TreeView()->topLevelItemCount(), 1);
        EXPECT_EQ(texts(panel.TreeView()->topLevelItem(0)), step.second) << step.first.toStdString();
    }
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(texts(panel.TreeView()->topLevelItem(0)), (QStringList{"Invoice", "Inventory"}));

    // The tree's expand button hides and shows the strip.
    TvdxTreeView *tree = panel.TreeView();
    tree->SetDrawExpandButton(true);
    EXPECT_TRUE(tree->ExpandButtonState());
    const QPoint at = tree->ExpandButtonRect().center();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
    EXPECT_FALSE(panel.ToolVisible());
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->ExpandButtonRect().center());
    EXPECT_TRUE(panel.ToolVisible());
}

TEST_F(TreeViewTest, FilterKeepsParentsOfMatches)
{
    TreeFixture f;
    EXPECT_EQ(f.tree.RecordCount(), 5);
    f.tree.Filter("inv");
    EXPECT_EQ(topTexts(f.tree), QStringList{"Data"});
    EXPECT_EQ(texts(f.tree.topLevelItem(0)), QStringList{"Invoice"});
    EXPECT_EQ(f.tree.RecordCount(), 5); // hidden nodes keep their records

    f.tree.Filter("");
    EXPECT_EQ(topTexts(f.tree), (QStringList{"Data", "Report"}));
    QTreeWidgetItem *data = f.tree.topLevelItem(0);
    ASSERT_EQ(texts(data), (QStringList{"Invoice", "Customer"}));
    QTreeWidgetItem *customer = data->child(1);
    EXPECT_EQ(customer->data(0, vdxNodeDataRole).toInt(), 42);
    EXPECT_EQ(customer->data(0, vdxImageIndexRole).toInt(), 7);
    EXPECT_EQ(customer->data(0, vdxSelectedIndexRole).toInt(), 8);
    EXPECT_FALSE(customer->icon(0).isNull());
    EXPECT_EQ(texts(f.tree.topLevelItem(1)), QStringList{"Page"});
    EXPECT_TRUE(f.tree.topLevelItem(1)->isExpanded());
}

TEST_F(TreeViewTest, NodesComeBackInTheirPlace)
{
    TvdxTreeView tree;
    auto *root = new QTreeWidgetItem(&tree, QStringList{"Root"});
    for (const char *name : {"Alpha", "Beta", "Gamma", "Delta"})
        node(root, name);
    tree.Filter("gam");
    EXPECT_EQ(texts(tree.topLevelItem(0)), QStringList{"Gamma"});
    tree.Filter("ta");
    EXPECT_EQ(texts(tree.topLevelItem(0)), (QStringList{"Beta", "Delta"}));
    tree.Filter("");
    EXPECT_EQ(texts(tree.topLevelItem(0)), (QStringList{"Alpha", "Beta", "Gamma", "Delta"}));
    // A deep match brings its whole chain back.
    auto *deep = node(node(tree.topLevelItem(0)->child(2), "Sub"), "Needle");
    Q_UNUSED(deep);
    tree.Filter("needle");
    ASSERT_EQ(topTexts(tree), QStringList{"Root"});
    EXPECT_EQ(texts(tree.topLevelItem(0)), QStringList{"Gamma"});
    EXPECT_EQ(texts(tree.topLevelItem(0)->child(0)), QStringList{"Sub"});
    tree.ResetFilter();
    EXPECT_EQ(texts(tree.topLevelItem(0)), (QStringList{"Alpha", "Beta", "Gamma", "Delta"}));
    EXPECT_EQ(tree.LastFilter(), "");
}

TEST_F(TreeViewTest, CompareHandlerDecidesFirst)
{
    TreeFixture f;
    f.tree.OnFilterCompare = [](QObject *, QTreeWidgetItem *, const QString &) { return false; };
    f.tree.Filter("inv");
    EXPECT_EQ(texts(f.tree.topLevelItem(0)), QStringList{"Invoice"}); // False never hides a match
    f.tree.Filter("");
    f.tree.OnFilterCompare = [&f](QObject *sender, QTreeWidgetItem *item, const QString &filter) {
        EXPECT_EQ(sender, &f.tree);
        EXPECT_EQ(filter, "iNv");
        return item && item->text(0) == "Customer";
    };
    f.tree.Filter("iNv");
    EXPECT_EQ(texts(f.tree.topLevelItem(0)), (QStringList{"Invoice", "Customer"}));
}

TEST_F(TreeViewTest, DeletedNodesStayGone)
{
    TreeFixture f;
    delete f.customer;
    EXPECT_EQ(f.tree.RecordCount(), 4);
    f.tree.Filter("x");
    f.tree.Filter("");
    EXPECT_EQ(texts(f.tree.topLevelItem(0)), QStringList{"Invoice"});
    // Nodes added while a filter runs join the records and survive it.
    f.tree.Filter("inv");
    node(f.tree.topLevelItem(0), "Invalid");
    f.tree.UpdateFilter();
    EXPECT_EQ(texts(f.tree.topLevelItem(0)), (QStringList{"Invoice", "Invalid"}));
    f.tree.Filter("");
    EXPECT_EQ(f.tree.RecordCount(), 5);
    // Clearing the view drops every record.
    f.tree.clear();
    EXPECT_EQ(f.tree.RecordCount(), 0);
    f.tree.Filter("");
    EXPECT_EQ(f.tree.topLevelItemCount(), 0);
}

TEST_F(TreeViewTest, SurvivingSelectionIsRestored)
{
    TreeFixture f;
    f.tree.setSelectionMode(QAbstractItemView::ExtendedSelection);
    int ownerNotes = 0;
    QObject::connect(&f.tree, &QTreeWidget::itemSelectionChanged, [&] { ++ownerNotes; });
    f.invoice->setSelected(true);
    f.customer->setSelected(true);
    ownerNotes = 0;
    f.tree.Filter("inv");
    ASSERT_EQ(f.tree.selectedItems().size(), 1);
    EXPECT_EQ(f.tree.selectedItems().first()->text(0), "Invoice");
    f.tree.Filter("");
    EXPECT_EQ(f.tree.selectedItems().size(), 1);
    EXPECT_EQ(f.tree.selectedItems().first()->text(0), "Invoice");
    EXPECT_EQ(ownerNotes, 0);
}

TEST_F(TreeViewTest, ExpandLevelZeroExpandsTheFirstNodeOnly)
{
    TreeFixture f;
    f.tree.ExpandLevel = 0;
    f.tree.collapseAll();
    f.tree.Filter("");
    EXPECT_TRUE(f.tree.topLevelItem(0)->isExpanded());
    EXPECT_FALSE(f.tree.topLevelItem(1)->isExpanded());
}

TEST_F(TreeViewTest, ExpandButtonFollowsTheDensity)
{
    TvdxTreeView tree;
    tree.resize(200, 150);
    tree.show();
    tree.SetDrawExpandButton(true);
    const int w = tree.viewport()->width();
    EXPECT_EQ(tree.ExpandButtonRect(), QRect(QPoint(w - 20, 2), QPoint(w - 4, 18)));
    tree.DPIChanged(144);
    EXPECT_EQ(tree.ExpandButtonRect().width(), 25);
    tree.SetExpandButtonAlign(ftaBottom);
    EXPECT_EQ(tree.ExpandButtonRect().bottom(), tree.viewport()->height() - 2);
    int clicks = 0;
    tree.OnExpandButtonClick = [&](QObject *) { ++clicks; };
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.ExpandButtonRect().center());
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(tree.ExpandButtonState());
}
