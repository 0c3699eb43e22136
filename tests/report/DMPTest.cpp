#include "platform/Exception.h"
#include "platform/QPainterCanvas.h"
#include "report/vdxDMPClass.h"
#include "report/vdxDsgnIntf.h"
#include <QImage>
#include <gtest/gtest.h>

namespace {

TEST(DMPTest, TextSnapsToCells)
{
    struct Case {
        double x;
        TvdxView::TvdxAlign align;
        double expected;
    } cases[] = {{14.3, TvdxView::baNone, 9.6}, {14.3, TvdxView::baRight, 9.6}, {14.5, TvdxView::baNone, 19.2},
                 {19.1, TvdxView::baRight, 9.6}, {-5, TvdxView::baNone, -9.6 * 1}};
    for (const Case &c : cases) {
        TvdxDMPMemoView m;
        m.SetAlign(c.align);
        m.SetLeft(c.x);
        EXPECT_NEAR(double(m.Left()), c.expected, 1e-9) << c.x;
    }
    TvdxDMPMemoView m;
    m.SetTop(25);   // 1.47 lines
    m.SetWidth(30); // 3.125 columns
    m.SetHeight(9); // 0.53 lines
    EXPECT_DOUBLE_EQ(double(m.Top()), 17);
    EXPECT_DOUBLE_EQ(double(m.Width()), 28.8);
    EXPECT_DOUBLE_EQ(double(m.Height()), 17);
    m.SetBoundsDirect(1, 2, 3, 4);
    EXPECT_DOUBLE_EQ(double(m.Left()), 1);
    EXPECT_DOUBLE_EQ(double(m.Height()), 4);
}

TEST(DMPTest, TextUsesAFixedPitchFont)
{
    TvdxDMPMemoView m;
    EXPECT_EQ(m.Font()->Name(), QStringLiteral("Courier New"));
    EXPECT_EQ(m.Font()->Size(), 12);
    EXPECT_EQ(m.GapX(), 0);
    EXPECT_EQ(m.LineSpacing(), 1);
    m.SetFontStyle(TvdxDMP::fsxCondensed);
    EXPECT_EQ(int(m.Font()->Style()), 0);
    EXPECT_FALSE(m.ParentFont());
    m.SetFontStyle(TvdxDMP::fsxBold | TvdxDMP::fsxUnderline);
    EXPECT_EQ(m.Font()->Style(), TvdFont::fsBold | TvdFont::fsUnderline);
}

TEST(DMPTest, OutBoundTextIsCutToTheCells)
{
    TvdxDMPMemoView m;
    m.SetWidth(3 * vd1CharX);
    m.SetHeight(2 * vd1CharY);
    m.SetText(QStringLiteral("abcdef\r\ngh\r\nijk"));
    EXPECT_EQ(m.GetoutBoundText(), QStringLiteral("abc\r\ngh\r\n"));
}

TEST(DMPTest, PageOf210MillimetresHas82Columns)
{
    EXPECT_EQ(vdxDMPColumns(210), 82);
    EXPECT_NEAR(vdxDMPPaperWidth(210) * vd01cm, 787.2, 1e-9);
    EXPECT_NEAR(vdxDMPPaperWidth(210), 208.28, 0.01);

    TvdxDMPPage page;
    page.SetDefaults(); // A4 unless a paper service says otherwise
    EXPECT_NEAR(double(page.PaperWidth()) * vd01cm, 82 * vd1CharX, 1e-6);
    EXPECT_NEAR(double(page.PaperHeight()) * vd01cm / vd1CharY, std::trunc(297 * vd01cm / vd1CharY), 1e-6);
    EXPECT_NEAR(double(page.LeftMargin()), 2.54, 0.001);
    EXPECT_NEAR(double(page.TopMargin()), 4.498, 0.001);
    // Setters round to the nearest whole cell.
    page.SetPaperWidth(100); // 39.37 columns
    EXPECT_NEAR(double(page.PaperWidth()) * vd01cm, 39 * vd1CharX, 1e-6);
    page.SetPaperHeight(100); // 22.23 lines
    EXPECT_NEAR(double(page.PaperHeight()) * vd01cm, 22 * vd1CharY, 1e-6);
}

TEST(DMPTest, LinesRunThroughTheMiddlesOfCells)
{
    struct Case {
        double x;
        TvdxView::TvdxAlign align;
        double expected;
    } cases[] = {{10, TvdxView::baNone, 14.4},  {-5, TvdxView::baNone, -4.8}, {-15, TvdxView::baNone, -14.4},
                 {14.5, TvdxView::baRight, 14.4}, {0, TvdxView::baNone, 4.8}};
    for (const Case &c : cases) {
        TvdxDMPLineView l;
        l.SetAlign(c.align);
        l.SetLeft(c.x);
        EXPECT_NEAR(double(l.Left()), c.expected, 1e-9) << c.x;
    }
    TvdxDMPLineView l;
    l.SetTop(30); // line 1
    EXPECT_DOUBLE_EQ(double(l.Top()), 17 + 8.5);
    l.SetWidth(14.5); // 1.51 columns
    EXPECT_DOUBLE_EQ(double(l.Width()), 19.2);
    l.SetAlign(TvdxView::baWidth);
    l.SetWidth(14.5);
    EXPECT_DOUBLE_EQ(double(l.Width()), 9.6);
}

TEST(DMPTest, ObjectsTakeThePagesFontStyle)
{
    TvdxDMPPage page;
    auto *memo = new TvdxDMPMemoView(&page);
    auto *line = new TvdxDMPLineView(&page);
    auto *own = new TvdxDMPMemoView(&page);
    own->SetFontStyle(TvdxDMP::fsxItalic);
    memo->SetParentFont(true);
    line->SetParentFont(true);
    page.SetFontStyle(TvdxDMP::fsxBold | TvdxDMP::fsxCondensed);
    EXPECT_EQ(page.Font()->Name(), QStringLiteral("Courier New"));
    EXPECT_EQ(page.Font()->Style(), TvdFont::fsBold);
    EXPECT_EQ(memo->FontStyle(), TvdxDMP::fsxBold | TvdxDMP::fsxCondensed);
    EXPECT_EQ(memo->Font()->Style(), TvdFont::fsBold);
    EXPECT_EQ(line->FontStyle(), TvdxDMP::fsxBold | TvdxDMP::fsxCondensed);
    EXPECT_EQ(own->FontStyle(), TvdxDMP::fsxItalic);
    EXPECT_EQ(own->Font()->Style(), TvdFont::fsItalic);
    EXPECT_TRUE(memo->IsPropertyStored("FontStyle") == false);
    EXPECT_TRUE(own->IsPropertyStored("FontStyle"));
}

TEST(DMPTest, FrameLiesHalfACellOutsideTheText)
{
    TvdxDMPMemoView m;
    m.SetBoundsDirect(2 * vd1CharX, 2 * vd1CharY, 4 * vd1CharX, vd1CharY);
    EXPECT_EQ(m.FrameRect(1, 1, 0, 0), TRect(14, 26, 62, 60)); // 14.4, 25.5, 62.4, 59.5
    m.Frame()->SetTyp(TvdxFrame::TvdxFrameTypes(0xF));
    m.Frame()->SetColor(clBlack);
    QImage img(100, 100, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainterCanvas c(img);
    m.Draw(c, 1, 1, 0, 0);
    auto dark = [&](int x, int y) { return qGray(img.pixel(x, y)) < 128; };
    EXPECT_TRUE(dark(14, 40));  // left side of the frame
    EXPECT_TRUE(dark(40, 26));  // top side
    EXPECT_FALSE(dark(40, 34)); // the text cell's own top stays clear
}

TEST(DMPTest, ObjectsAreOnTheDotMatrixPalette)
{
    struct Case {
        const QMetaObject *cls;
        int image;
    } cases[] = {{&TvdxDMPMemoView::staticMetaObject, 2},
                 {&TvdxDMPLineView::staticMetaObject, 5},
                 {&TvdxDMPCommand::staticMetaObject, 21}};
    TvdxObjectCollection &reg = vdxObjectRegistry();
    for (const Case &c : cases) {
        const TvdxObjectItem *found = nullptr;
        for (int i = 0; i < reg.Count(); ++i)
            if (reg.GetObjectItem(i)->ClassRef == c.cls)
                found = reg.GetObjectItem(i);
        ASSERT_TRUE(found) << c.cls->className();
        EXPECT_EQ(found->ButtonImageIndex, c.image);
        EXPECT_EQ(found->Category, vdxCategory(ctDMP));
    }
    EXPECT_TRUE(TvdClassRegistry::Instance().Find(QStringLiteral("TvdxDMPPage")));
    EXPECT_EQ(TvdxDMPLineView().GetDescription(), QStringLiteral("Dot-matrix Line object"));
}

TEST(DMPTest, CommandBytes)
{
    TvdxDMPCommand c;
    c.SetCommand(QStringLiteral("#27#69"));
    EXPECT_EQ(c.ToChr(), QByteArray("\x1b" "E"));
    c.SetCommand(QStringLiteral("1b45"));
    EXPECT_EQ(c.ToChr(), QByteArray("\x1b" "E"));
    c.SetCommand(QStringLiteral("1b4"));
    EXPECT_EQ(c.ToChr(), QByteArray("\x1b"));
    c.SetCommand(QString());
    EXPECT_EQ(c.ToChr(), QByteArray());
    for (const char *bad : {"#27#x", "#256", "#-1", "zz", "#", "1-"}) {
        c.SetCommand(QString::fromLatin1(bad));
        EXPECT_THROW(c.ToChr(), EConvertError) << bad;
    }
    c.SetLeft(14.5);
    EXPECT_DOUBLE_EQ(double(c.Left()), 19.2);
}

} // namespace
