#include "platform/Exception.h"
#include "report/vdxDMPClass.h"
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
