// The flat combo box, the combo edit, the filter edit and colour mixing.
#include "WidgetTestSupport.h"
#include "preview/vdxComboBox.h"
#include "preview/vdxComboEdit.h"
#include "preview/vdxFilterEdit.h"
#include "preview/vdxMixColors.h"

#include <QAbstractItemView>
#include <QDialog>
#include <QEnterEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using ComboBoxTest = WidgetTest;

TEST(MixColors, WeighsTheFirstColour)
{
    struct Case {
        TColor c1, c2;
        int weight;
        TColor expected;
    };
    const Case cases[] = {
        {RGBColor(0, 120, 215), clWhite, 30, RGBColor(179, 215, 243)},
        {clWhite, RGBColor(0, 120, 215), 355, RGBColor(91, 168, 229)},
        {clBlack, clWhite, 0, clWhite},
        {clBlack, clWhite, 1000, clBlack},
        {RGBColor(10, 20, 30), RGBColor(10, 20, 30), 555, RGBColor(10, 20, 30)},
    };
    for (const Case &c : cases)
        EXPECT_EQ(MixColors(c.c1, c.c2, c.weight), c.expected) << c.weight;
    // System colours are resolved first.
    EXPECT_EQ(MixColors(clHighlight, clWindow, 30), MixColors(ColorToRGB(clHighlight), ColorToRGB(clWindow), 30));
}

TEST_F(ComboBoxTest, ListHeightFollowsTheItems)
{
    TvdxComboBox combo;
    combo.SetDropDownCount(8);
    EXPECT_EQ(combo.DropDownHeight(), combo.ItemHeight() + 2);
    combo.addItems({"one", "two", "three"});
    EXPECT_EQ(combo.DropDownHeight(), combo.ItemHeight() * 3 + 2);
    combo.show();
    combo.showPopup();
    QWidget *list = combo.view()->window();
    EXPECT_TRUE(list->isVisible());
    EXPECT_EQ(list->height(), combo.ItemHeight() * 3 + 2);
    EXPECT_EQ(list->width(), combo.width());
    combo.hidePopup();
    combo.SetListWidth(150);
    combo.showPopup();
    EXPECT_EQ(list->width(), 150);
    combo.hidePopup();
    for (int i = 0; i < 10; ++i)
        combo.addItem(QString::number(i));
    EXPECT_EQ(combo.DropDownHeight(), combo.ItemHeight() * 8 + 2);
}

TEST_F(ComboBoxTest, ButtonFollowsTheDensity)
{
    TvdxComboBox combo;
    combo.SetListWidth(100);
    combo.show();
    EXPECT_EQ(combo.ButtonWidth(), 11);
    windowPPI = 144;
    combo.resize(120, 22); // a resize checks the density
    EXPECT_EQ(combo.ButtonWidth(), 17);
    EXPECT_EQ(combo.ListWidth(), 150);
    windowPPI = 96;
    combo.WindowDPIChanged();
    EXPECT_EQ(combo.ButtonWidth(), 11);
    EXPECT_EQ(combo.ListWidth(), 100);
    // The edit field stays left of the button.
    EXPECT_EQ(combo.lineEdit()->geometry(), QRect(3, 3, 120 - 11 - 8, 22 - 6));
}

TEST_F(ComboBoxTest, FrameAndButtonColours)
{
    TvdxComboBox combo;
    combo.resize(120, 22);
    combo.addItems({"a", "b"});
    const int x = 120 - 4, y = 3; // inside the button, clear of the arrow
    EXPECT_EQ(pixel(combo, 0, 0), toQColor(clBtnFace).rgb() & 0xFFFFFF);
    EXPECT_EQ(pixel(combo, x, y), toQColor(clBtnFace).rgb() & 0xFFFFFF);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&combo, &enter);
    EXPECT_TRUE(combo.MouseInside());
    EXPECT_EQ(pixel(combo, 0, 0), toQColor(clHighlight).rgb() & 0xFFFFFF);
    EXPECT_EQ(pixel(combo, x, y), toQColor(MixColors(clHighlight, clWindow, 30)).rgb() & 0xFFFFFF);
    combo.setEnabled(false);
    EXPECT_EQ(pixel(combo, 0, 0), toQColor(clBtnShadow).rgb() & 0xFFFFFF);
}

TEST_F(ComboBoxTest, RenamingAnItemAsksTheHandler)
{
    TvdxComboBox combo;
    combo.addItems({"alpha", "beta", "gamma"});
    combo.SetEditableItems(true);
    combo.setCurrentIndex(1);
    combo.show();
    QLineEdit *edit = combo.lineEdit();
    struct Call {
        QString newText, oldText;
        int index;
    };
    QList<Call> calls;
    bool accept = false;
    combo.OnChangeItem = [&](QString &newText, const QString &oldText, int index) {
        calls.append({newText, oldText, index});
        if (accept)
            newText = newText.toUpper();
        return accept;
    };
    edit->selectAll();
    QTest::keyClicks(edit, "bet");
    EXPECT_EQ(combo.EditedItemIndex(), 1);
    QTest::keyClick(edit, Qt::Key_Return);
    ASSERT_EQ(calls.size(), 1);
    EXPECT_EQ(calls[0].newText, "bet");
    EXPECT_EQ(calls[0].oldText, "beta");
    EXPECT_EQ(calls[0].index, 1);
    EXPECT_EQ(combo.itemText(1), "beta");
    EXPECT_EQ(edit->text(), "beta");

    accept = true;
    edit->selectAll();
    QTest::keyClicks(edit, "bet");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(combo.itemText(1), "BET");
    EXPECT_EQ(combo.currentIndex(), 1);
    EXPECT_EQ(combo.count(), 3);
}

TEST_F(ComboBoxTest, FilterEditShowsAndUsesTheClearMark)
{
    TvdxFilterEdit filter;
    filter.resize(150, 22);
    filter.show();
    int changes = 0;
    filter.OnFilterChanged = [&](QObject *sender) {
        EXPECT_EQ(sender, filter.EditControl());
        ++changes;
    };
    const int H = 20; // the client height
    QLineEdit *edit = filter.EditControl();
    EXPECT_EQ(edit->x(), 2);
    EXPECT_FALSE(filter.ClearButtonVisible());

    QTest::keyClicks(edit, "ab");
    EXPECT_EQ(changes, 2);
    EXPECT_TRUE(filter.ClearButtonVisible());
    EXPECT_EQ(edit->x(), 1 + H);
    EXPECT_EQ(edit->width(), 148 - 2 * H);
    // The mark's two diagonals cross at its middle: b = 4, s = 12.
    EXPECT_EQ(pixel(filter, 1 + 4 + 6, 1 + 4 + 6), 0u);

    QTest::mouseClick(&filter, Qt::LeftButton, {}, QPoint(9, 11));
    EXPECT_EQ(filter.Text(), "");
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(edit->x(), 2);
    // A click right of the mark clears nothing.
    edit->setText("x");
    QTest::mouseClick(&filter, Qt::LeftButton, {}, QPoint(1 + H + 30, 11));
    EXPECT_EQ(filter.Text(), "x");
}

TEST_F(ComboBoxTest, FilterEditFrameFollowsFocus)
{
    QWidget host;
    auto *filter = new TvdxFilterEdit(&host);
    auto *other = new QLineEdit(&host);
    other->move(0, 40);
    host.show();
    QApplication::setActiveWindow(&host);
    filter->EditControl()->setFocus();
    QApplication::processEvents();
    if (!filter->EditControl()->hasFocus())
        GTEST_SKIP() << "the platform gives no focus";
    EXPECT_TRUE(filter->FrameActive());
    EXPECT_EQ(pixel(*filter, 0, 0), toQColor(clHighlight).rgb() & 0xFFFFFF);
    other->setFocus();
    QApplication::processEvents();
    EXPECT_FALSE(filter->FrameActive());
}

TEST_F(ComboBoxTest, ComboEditKeysReachTheDialog)
{
    QDialog dlg;
    auto *edit = new TvdxComboEdit(&dlg);
    auto *ok = new QPushButton("OK", &dlg);
    auto *cancel = new QPushButton("Cancel", &dlg);
    ok->move(0, 30);
    cancel->move(80, 30);
    ok->setDefault(true);
    int okClicks = 0, buttonClicks = 0;
    QObject::connect(ok, &QPushButton::clicked, [&] { ++okClicks; });
    QObject::connect(cancel, &QPushButton::clicked, &dlg, &QDialog::reject);
    edit->OnButtonClick = [&](QObject *sender) {
        EXPECT_EQ(sender, edit);
        ++buttonClicks;
    };
    dlg.show();
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(okClicks, 1);
    QTest::mouseClick(edit->Button(), Qt::LeftButton);
    EXPECT_EQ(buttonClicks, 1);
    edit->SetButtonEnabled(false);
    QTest::mouseClick(edit->Button(), Qt::LeftButton);
    EXPECT_EQ(buttonClicks, 1);
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_FALSE(dlg.isVisible());
}
