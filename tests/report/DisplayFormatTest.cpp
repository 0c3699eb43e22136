#include "report/vdxClass_format.h"
#include <gtest/gtest.h>

namespace {

struct FormatCase {
    TvdxFormat::TvdxFormatKind kind;
    const char *formatStr;
    const char *decimal;
    const char *thousand;
    Variant value;
    const char *expected;
};

class DisplayFormatTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(DisplayFormatTest, FormatsTheValue)
{
    const FormatCase &c = GetParam();
    TvdxFormat f;
    f.SetKind(c.kind);
    f.SetFormatStr(QString::fromUtf8(c.formatStr));
    f.SetDecimalSeparator(QString::fromUtf8(c.decimal));
    f.SetThousandSeparator(QString::fromUtf8(c.thousand));
    EXPECT_EQ(vdxFormatData(c.value, &f).toStdString(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DisplayFormatTest,
    ::testing::Values(
        FormatCase{TvdxFormat::fkNumeric, "%2.2f", ",", "", Variant(3.14159), "3,14"},
        FormatCase{TvdxFormat::fkNumeric, "#,##0.00", ",", ".", Variant(1234.5), "1.234,50"},
        FormatCase{TvdxFormat::fkNumeric, "%d", "", "", Variant(42.7), "43"},
        FormatCase{TvdxFormat::fkNumeric, "%-8.2f|", "", "", Variant(1.5), "1.50    |"},
        FormatCase{TvdxFormat::fkNumeric, "0.0", "", "", Variant(2.25), "2.3"},
        // A format that does not fit the value prints the plain value.
        FormatCase{TvdxFormat::fkNumeric, "%s", "", "", Variant(1.5), "1.5"},
        FormatCase{TvdxFormat::fkNumeric, "%d%d", "", "", Variant(7), "7"},
        FormatCase{TvdxFormat::fkNumeric, "%2.2f", "", "", Variant::fromString(QStringLiteral("abc")), "abc"},
        FormatCase{TvdxFormat::fkBoolean, "No,Yes", "", "", Variant(true), "Yes"},
        FormatCase{TvdxFormat::fkBoolean, "No,Yes", "", "", Variant(false), "No"},
        FormatCase{TvdxFormat::fkBoolean, "No,Yes", "", "", Variant(0), "No"},
        FormatCase{TvdxFormat::fkDateTime, "d.mm.yyyy", "", "", Variant::fromDate(45000), "15.03.2023"},
        FormatCase{TvdxFormat::fkDateTime, "yyyy", "", "", Variant::fromDate(1e9), ""}, // not even a plain text,
        FormatCase{TvdxFormat::fkText, "", "", "", Variant(12), "12"},
        FormatCase{TvdxFormat::fkNumeric, "%2.2f", "", "", Variant::null(), ""},
        FormatCase{TvdxFormat::fkBoolean, "No,Yes", "", "", Variant::null(), ""}));

TEST(DisplayFormatAssignTest, CopiesAllFour)
{
    TvdxFormat a, b;
    a.SetKind(TvdxFormat::fkNumeric);
    a.SetFormatStr(QStringLiteral("%g"));
    a.SetDecimalSeparator(QStringLiteral(","));
    a.SetThousandSeparator(QStringLiteral(" "));
    b.Assign(&a);
    EXPECT_EQ(b.Kind(), TvdxFormat::fkNumeric);
    EXPECT_EQ(b.FormatStr(), QStringLiteral("%g"));
    EXPECT_EQ(b.DecimalSeparator(), QStringLiteral(","));
    EXPECT_EQ(b.ThousandSeparator(), QStringLiteral(" "));
}

} // namespace

namespace {

// Data of a font with its own charset: narrowed to the ANSI code page and read
// back in the charset's code page, as the data arrived.
TEST(DisplayFormatCharsetTest, TextGoesThroughTheCodePages)
{
    TvdxFormat f;
    const int russian = 204; // code page 1251
    EXPECT_EQ(vdxFormatData(Variant::fromString(QStringLiteral(u"\u00E9")), &f, true, russian),
              QStringLiteral(u"\u0439"));
    EXPECT_EQ(vdxFormatData(Variant::fromString(QStringLiteral(u"\u00E9")), &f, false, russian),
              QStringLiteral(u"\u00E9"));
    // A failing format falls back to the plain text, converted the same way.
    f.SetKind(TvdxFormat::fkDateTime);
    EXPECT_EQ(vdxFormatData(Variant::fromString(QStringLiteral(u"\u00E9")), &f, true, russian),
              QStringLiteral(u"\u0439"));
}

// Hostile format strings print the plain value, whatever they ask for.
TEST(DisplayFormatCharsetTest, HostileFormatsPrintThePlainValue)
{
    for (const char *fmt : {"%n", "%s%s%s%s", "%*d", "%999999999d", "%.999999999f", "%", "%-", "%p", "%%%",
                            "#,##0.00;;;;", "0.0E+99999", "%1$s"}) {
        TvdxFormat f;
        f.SetKind(TvdxFormat::fkNumeric);
        f.SetFormatStr(QString::fromLatin1(fmt));
        const QString s = vdxFormatData(Variant(2.5), &f);
        EXPECT_LT(s.size(), 1000) << fmt;
        EXPECT_FALSE(s.isEmpty()) << fmt;
    }
}

} // namespace
