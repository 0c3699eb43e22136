// The check box: its marks drawn to a raster and checked at key pixels, its
// stored properties, its state from data or an expression, and the click.
#include "objects/controls/vdxChBox.h"
#include "platform/QPainterCanvas.h"
#include "report/vdxClass.h"
#include "report/vdxClass_bases.h"
#include "tests/report/ViewSheet.h"

#include <QBuffer>
#include <gtest/gtest.h>

namespace {

using vdtest::whiteImage;
using Style = TvdxCheckBoxView::TvdxCheckStyle;
using Unstyle = TvdxCheckBoxView::TvdxUncheckStyle;

struct Box {
    vdtest::ViewSheet sheet;
    TvdxCheckBoxView *view;
    explicit Box(double l = 10, double t = 10, double w = 20, double h = 20)
    {
        view = sheet.add<TvdxCheckBoxView>(l, t, w, h, QStringLiteral("CheckBox1"));
        view->SetCheckColor(clRed);
    }
    QImage render(double scale = 1, int size = 60)
    {
        QImage img = whiteImage(size, size);
        QPainterCanvas canvas(img);
        view->Draw(canvas, scale, scale, 0, 0);
        return img;
    }
};

bool isRed(const QImage &img, int x, int y) { return img.pixelColor(x, y) == QColor(Qt::red); }

int redCount(const QImage &img, const QRect &area)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += isRed(img, x, y);
    return n;
}

TEST(CheckBoxView, ConstructionDefaults)
{
    TvdxCheckBoxView v;
    EXPECT_TRUE(v.Checked());
    EXPECT_EQ(v.CheckStyle(), TvdxCheckBoxView::csCross);
    EXPECT_EQ(v.UncheckStyle(), TvdxCheckBoxView::usEmpty);
    EXPECT_EQ(v.CheckColor(), clBlack);
    EXPECT_NEAR(double(v.Width()), 18.89765, 1e-6);
    EXPECT_NEAR(double(v.Height()), 18.89765, 1e-6);
    EXPECT_EQ(v.Editable(), TvdxComponent::TvdxEditableRights(TvdxComponent::ferAllowInPreview));
    EXPECT_EQ(v.GetDescription(), QStringLiteral("CheckBox object"));
}

// Box (10,10)-(30,30) at scale 1: middle (20,20).
TEST(CheckBoxView, LineMarksAtKeyPixels)
{
    struct Case {
        const char *name;
        bool checked;
        Style style;
        Unstyle unstyle;
        QList<QPoint> red, white;
    };
    const Case cases[] = {
        {"checked line cross", true, TvdxCheckBoxView::csLineCross, TvdxCheckBoxView::usEmpty,
         {{20, 20}, {14, 14}, {25, 15}}, {{20, 13}, {13, 20}}},
        {"checked plus", true, TvdxCheckBoxView::csPlus, TvdxCheckBoxView::usEmpty,
         {{13, 20}, {27, 20}, {20, 13}, {20, 27}}, {{12, 20}, {20, 12}, {14, 14}}},
        {"unchecked minus", false, TvdxCheckBoxView::csPlus, TvdxCheckBoxView::usMinus,
         {{13, 20}, {27, 20}}, {{12, 20}, {20, 14}, {20, 26}}},
        {"unchecked line cross", false, TvdxCheckBoxView::csCross, TvdxCheckBoxView::usLineCross,
         {{20, 20}, {14, 14}}, {{20, 13}}},
        {"unchecked empty", false, TvdxCheckBoxView::csLineCross, TvdxCheckBoxView::usEmpty, {},
         {{20, 20}, {14, 14}, {13, 20}}},
    };
    for (const Case &c : cases) {
        Box b;
        b.view->SetChecked(c.checked);
        b.view->SetCheckStyle(c.style);
        b.view->SetUncheckStyle(c.unstyle);
        const QImage img = b.render();
        for (const QPoint &p : c.red)
            EXPECT_TRUE(isRed(img, p.x(), p.y())) << c.name << " at " << p.x() << "," << p.y();
        for (const QPoint &p : c.white)
            EXPECT_FALSE(isRed(img, p.x(), p.y())) << c.name << " at " << p.x() << "," << p.y();
        if (c.red.isEmpty()) {
            EXPECT_EQ(redCount(img, img.rect()), 0) << c.name;
        }
    }
}

TEST(CheckBoxView, PlusStaysInsideItsInsetsOnATenPixelBox)
{
    Box b(100, 10, 10, 10);
    b.view->SetCheckStyle(TvdxCheckBoxView::csPlus);
    const QImage img = b.render(1, 130);
    // Horizontal from 103 toward 108 at y 15; vertical at x 105 from 13.
    EXPECT_FALSE(isRed(img, 102, 15));
    EXPECT_TRUE(isRed(img, 103, 15));
    EXPECT_TRUE(isRed(img, 107, 15));
    EXPECT_FALSE(isRed(img, 108, 15));
    EXPECT_TRUE(isRed(img, 105, 13));
    EXPECT_FALSE(isRed(img, 105, 12));
    EXPECT_FALSE(isRed(img, 104, 13));
}

// The diagonals are as wide as the scaled frame width (one pixel for 0).
TEST(CheckBoxView, DiagonalWidthFollowsTheFrameWidth)
{
    struct Case {
        double frameWidth, scale;
        int run;
    };
    for (const Case &c : {Case{0, 1, 1}, Case{1, 1, 1}, Case{2, 1, 2}, Case{3, 2, 6}}) {
        Box b(10, 10, 30, 30);
        b.view->SetCheckStyle(TvdxCheckBoxView::csLineCross);
        b.view->Frame()->SetWidth(c.frameWidth);
        const QImage img = b.render(c.scale, 100);
        // A row near the top crosses the first diagonal only, left of the middle.
        const int y = int(10 * c.scale) + 8, x0 = int(10 * c.scale) - 4, x1 = int(25 * c.scale);
        EXPECT_EQ(redCount(img, QRect(QPoint(x0, y), QPoint(x1, y))), c.run)
            << "frame " << c.frameWidth << " scale " << c.scale;
    }
}

TEST(CheckBoxView, GlyphMarksStayInTheBoxAndCrossesMatch)
{
    Box checkedCross;
    const QImage cross = checkedCross.render();
    Box uncheckedCross;
    uncheckedCross.view->SetChecked(false);
    uncheckedCross.view->SetUncheckStyle(TvdxCheckBoxView::usCross);
    Box tick;
    tick.view->SetCheckStyle(TvdxCheckBoxView::csCheck);
    const QImage check = tick.render();
    const QRect box(10, 10, 20, 20);
    EXPECT_GT(redCount(cross, box), 10);
    EXPECT_EQ(redCount(cross, cross.rect()), redCount(cross, box));
    EXPECT_EQ(uncheckedCross.render(), cross);
    EXPECT_GT(redCount(check, box), 10);
    EXPECT_NE(check, cross);
    // A box narrower than its glyph clips it.
    Box narrow(10, 10, 4, 20);
    const QImage clipped = narrow.render();
    EXPECT_EQ(redCount(clipped, clipped.rect()), redCount(clipped, QRect(10, 10, 4, 20)));
}

TEST(CheckBoxView, FrameIsDrawnOverTheMark)
{
    Box b;
    b.view->SetCheckStyle(TvdxCheckBoxView::csLineCross);
    b.view->Frame()->SetTyp(TvdxFrame::TvdxFrameTypes(0xF));
    b.view->Frame()->SetColor(clBlue);
    const QImage img = b.render();
    EXPECT_EQ(img.pixelColor(10, 10), QColor(Qt::blue));
    EXPECT_TRUE(isRed(img, 20, 20));
}

TEST(CheckBoxView, StoredPropertiesRoundTrip)
{
    Box b;
    b.view->SetCheckColor(clBlack);
    const QString plain = QString::fromUtf8(vdtest::saveBytes(*b.view));
    EXPECT_TRUE(plain.contains(QStringLiteral("CheckColor=\"0\""))) << plain.toStdString();
    EXPECT_TRUE(plain.contains(QStringLiteral("CheckStyle=\"csCross\""))) << plain.toStdString();
    EXPECT_FALSE(plain.contains(QStringLiteral("Checked="))) << plain.toStdString();
    EXPECT_FALSE(plain.contains(QStringLiteral("UncheckStyle="))) << plain.toStdString();
    EXPECT_FALSE(plain.contains(QStringLiteral("Editable="))) << plain.toStdString();

    b.view->SetChecked(false);
    b.view->SetCheckStyle(TvdxCheckBoxView::csPlus);
    b.view->SetUncheckStyle(TvdxCheckBoxView::usMinus);
    b.view->SetCheckColor(0x00FF00);
    b.view->SetExpression(QStringLiteral("<a> = 1"));
    const QByteArray saved = vdtest::saveBytes(*b.view);
    vdtest::ViewSheet other;
    auto *loaded = other.add<TvdxCheckBoxView>(0, 0, 1, 1, QStringLiteral("CheckBox1"));
    QBuffer in;
    in.setData(saved);
    in.open(QIODevice::ReadOnly);
    loaded->LoadFromStream(in);
    EXPECT_FALSE(loaded->Checked());
    EXPECT_EQ(loaded->CheckStyle(), TvdxCheckBoxView::csPlus);
    EXPECT_EQ(loaded->UncheckStyle(), TvdxCheckBoxView::usMinus);
    EXPECT_EQ(loaded->CheckColor(), 0x00FF00);
    EXPECT_EQ(loaded->Expression(), QStringLiteral("<a> = 1"));
    EXPECT_EQ(vdtest::saveBytes(*loaded), saved);
}

TEST(CheckBoxView, StateFromFieldOrExpression)
{
    struct Case {
        const char *name;
        bool bound;
        Variant fieldValue;
        QString expression;
        bool before, after;
    };
    const Case cases[] = {
        {"null field reads unchecked, expression ignored", true, Variant::null(), QStringLiteral("1 = 1"), true, false},
        {"true field", true, Variant(true), QString(), false, true},
        {"non-zero number field", true, Variant(5), QString(), false, true},
        {"expression true", false, Variant(), QStringLiteral("2 > 1"), false, true},
        {"expression false", false, Variant(), QStringLiteral("2 < 1"), true, false},
        {"nothing keeps the template state", false, Variant(), QString(), false, false},
    };
    for (const Case &c : cases) {
        Box b;
        TvdxUserDataSet ds;
        ds.SetUserName(QStringLiteral("Data"));
        ds.SetFields({QStringLiteral("Flag")});
        int asked = 0;
        ds.OnGetValue = [&](const QString &, Variant &value) {
            ++asked;
            value = c.fieldValue;
        };
        if (c.bound) {
            b.view->SetDataSet(&ds);
            b.view->SetDataField(QStringLiteral("Flag"));
        }
        b.view->SetExpression(c.expression);
        b.view->SetChecked(c.before);
        b.view->GetData();
        EXPECT_EQ(b.view->Checked(), c.after) << c.name;
        EXPECT_EQ(asked > 0, c.bound) << c.name;
        b.view->SetDataSet(nullptr);
    }
}

TEST(CheckBoxView, ClickTogglesOutsideTheDesignerOnly)
{
    for (bool designing : {false, true}) {
        Box b;
        b.view->SetIsDesigning(designing);
        for (TvdxMouseButton button : {mbLeft, mbRight}) {
            TvdxInteractiveEventsParams params;
            params.EventSender = designing ? esDesigner : esPreview;
            const bool before = b.view->Checked();
            b.view->MouseDown(15, 15, button, 0, params);
            EXPECT_EQ(b.view->Checked(), designing ? before : !before) << designing;
            EXPECT_EQ(params.Modified, !designing);
            EXPECT_EQ(params.Refresh, !designing);
        }
    }
}

TEST(CheckBoxView, TemplatesCreateItByClassName)
{
    ASSERT_NE(vdFindClass(QStringLiteral("TvdxCheckBoxView")), nullptr);
    ASSERT_NE(vdFindClass(QStringLiteral("TvdxCheckBoxObject")), nullptr);
}

} // namespace
