#include "Barcode2DTestUtil.h"
#include "barcode/vdxPTTDatabar.h"

#include <gtest/gtest.h>

TEST(PTTDatabar, Conversion)
{
    TvdxPTTDatabar e;
    EXPECT_TRUE(e.ErrorText().isEmpty());
    e.SetText(QStringLiteral("4"));
    EXPECT_EQ(e.Bars(), QStringLiteral("11"));
    e.SetHeight(10);
    e.Height();
    EXPECT_EQ(e.SymbolColumns(), 12);
    e.SetText(QStringLiteral("64570080"));
    EXPECT_EQ(e.Bars(), QString(16, u'0'));
    for (const char *bad : {"64570081", "3", "abc", ""}) {
        e.SetText(QString::fromLatin1(bad));
        EXPECT_EQ(e.ErrorText(), QStringLiteral("Must be digital from 4 to 64,570,080")) << bad;
        EXPECT_TRUE(e.Bars().isEmpty());
    }
    e.SetText(QStringLiteral("12345678"));
    EXPECT_TRUE(e.ErrorText().isEmpty());
}

TEST(PTTDatabar, HalfBarsOfAnOddRowCount)
{
    TvdxPTTDatabar e;
    e.SetShowText(false);
    e.SetText(QStringLiteral("5")); // "12"
    e.SetHeight(31);
    EXPECT_EQ(e.Height(), 32);
    EXPECT_EQ(e.VectorPrimitives(), (std::vector<TvdxVectorPrimitive>{{0, 16, 4, 16}, {8, 0, 4, 16}}));
}

TEST(PTTDatabar, BarsAsZint)
{
    for (const char *number : {"4", "5", "12345678", "64570080", "1000", "987654"}) {
        const QStringList rows = zintDump({QStringLiteral("-b"), QStringLiteral("PHARMA_TWO"), QStringLiteral("-d"),
                                           QString::fromLatin1(number)});
        if (rows.isEmpty())
            GTEST_SKIP() << "zint is not installed";
        ASSERT_EQ(rows.size(), 2);
        QString expected;
        for (qsizetype i = 0; i < rows[0].size(); i += 2) {
            const bool top = rows[0][i] == u'1', bottom = rows[1][i] == u'1';
            if (!top && !bottom)
                break;
            expected += top && bottom ? u'0' : bottom ? u'1' : u'2';
        }
        EXPECT_EQ(TvdxPTTDatabar::Convert(QString::fromLatin1(number)), expected) << number;
    }
}
