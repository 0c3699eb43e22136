#include "core/vdFormat.h"
#include "tests/core/ProcessLocale.h"

#include <gtest/gtest.h>

namespace {

// Every table runs under two process locales; the results must not move.
class FormatTest : public ::testing::TestWithParam<const char *> {
protected:
    void SetUp() override
    {
        m_locale = std::make_unique<vdtest::ProcessLocale>(QString::fromLatin1(GetParam()));
        EXPECT_TRUE(m_locale->cLocaleActive()) << "C locale " << GetParam() << " not available";
        m_settings = std::make_unique<ScopedFormatSettings>(FormatSettings());
    }
    void TearDown() override
    {
        m_settings.reset();
        m_locale.reset();
    }
    static FormatSettings german()
    {
        FormatSettings fs;
        fs.DecimalSeparator = u',';
        fs.ThousandSeparator = u'.';
        fs.DateSeparator = u'.';
        fs.CurrencyString = QStringLiteral("EUR");
        fs.CurrencyFormat = 3;
        fs.NegCurrFormat = 8;
        return fs;
    }

private:
    std::unique_ptr<vdtest::ProcessLocale> m_locale;
    std::unique_ptr<ScopedFormatSettings> m_settings;
};

TEST_P(FormatTest, FormatTable)
{
    const struct {
        const char *fmt;
        QList<Variant> args;
        const char *expected;
    } cases[] = {
        {"%d-%s", {1, "a"}, "1-a"},
        {"%5d|%-5d|%.3d|%d", {42, 42, 7, -12}, "   42|42   |007|-12"},
        {"%x %X %u", {255, 4096, -1}, "FF 1000 4294967295"},
        {"%d", {Variant::fromInt64(9000000000LL)}, "9000000000"},
        {"%.2f|%f|%.0f", {3.14159, 2.0, 2.5}, "3.14|2.00|3"},
        {"%.1f %.2f %.2f", {0.25, 2.675, -0.001}, "0.3 2.67 0.00"},
        {"%n", {1234567.891}, "1,234,567.89"},
        {"%.0n", {-999999.5}, "-1,000,000"},
        {"%e", {1234.5}, "1.23450000000000E+003"},
        {"%.3e", {-0.000123456}, "-1.23E-004"},
        {"%g|%g", {0.5, 1e20}, "0.5|1E20"},
        {"%m|%m", {5.5, -5.5}, "$5.50|($5.50)"},
        {"[%s] [%.2s] [%6s] [%-6s]", {"abc", "abc", "abc", "abc"}, "[abc] [ab] [   abc] [abc   ]"},
        {"%1:s %0:s %s", {"a", "b"}, "b a b"},
        {"%*d|%-*.*f", {4, 7, 6, 1, 2.25}, "   7|2.3   "},
        {"100%% of %s", {"it"}, "100% of it"},
        {"%f", {Variant::fromCurrency(12345)}, "1.23"},
        {"%s", {Variant::fromString(QStringLiteral("ole"), varOleStr)}, "ole"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Format(QString::fromUtf8(c.fmt), c.args), QString::fromUtf8(c.expected)) << c.fmt;

    const FormatSettings de = german();
    EXPECT_EQ(Format(QStringLiteral("%n|%.1f|%e"), {1234567.891, 2.25, 1.0}, de),
              QStringLiteral("1.234.567,89|2,3|1,00000000000000E+000"));
    EXPECT_EQ(Format(QStringLiteral("%m|%m"), {5.5, -5.5}, de), QStringLiteral("5,50 EUR|-5,50 EUR"));
}

// Format strings come from templates: none of them may reach a C formatter,
// ask for huge padding or read past the arguments.
TEST_P(FormatTest, BadFormatStringsGiveClearErrors)
{
    const struct {
        const char *fmt;
        QList<Variant> args;
        const char *message;
    } cases[] = {
        {"%n", {}, "No argument for format '%n'"},
        {"%d %d", {1}, "No argument for format '%d %d'"},
        {"%5:d", {1}, "No argument for format '%5:d'"},
        {"%d", {1.5}, "Format '%d' invalid or incompatible with argument"},
        {"%f", {1}, "Format '%f' invalid or incompatible with argument"},
        {"%s", {7}, "Format '%s' invalid or incompatible with argument"},
        {"%s", {true}, "Format '%s' invalid or incompatible with argument"},
        {"%s", {Variant::null()}, "Format '%s' invalid or incompatible with argument"},
        {"%p", {1}, "Format '%p' invalid or incompatible with argument"},
        {"%q", {1}, "Format '%q' invalid or incompatible with argument"},
        {"abc%", {1}, "Format 'abc%' invalid or incompatible with argument"},
        {"%999999999d", {1}, "Format '%999999999d' invalid or incompatible with argument"},
        {"%.99999999f", {1.0}, "Format '%.99999999f' invalid or incompatible with argument"},
        {"%*d", {-3, 1}, "Format '%*d' invalid or incompatible with argument"},
        {"%*d", {"x", 1}, "Format '%*d' invalid or incompatible with argument"},
    };
    for (const auto &c : cases) {
        try {
            const QString r = Format(QString::fromUtf8(c.fmt), c.args);
            ADD_FAILURE() << c.fmt << " gave " << r.toStdString();
        } catch (const EConvertError &e) {
            EXPECT_EQ(e.message(), QString::fromUtf8(c.message));
        }
    }
}

TEST_P(FormatTest, FormatFloatTable)
{
    const struct {
        const char *fmt;
        double value;
        const char *expected;
    } cases[] = {
        {"0.00", 3.14159, "3.14"},
        {"#,##0.00", 1234567.891, "1,234,567.89"},
        {"#,##0", 999.5, "1,000"},
        {"0.##", 1, "1"},
        {"0.##", 1.5, "1.5"},
        {"0.0#", 1.5, "1.5"},
        {"0.0#", 1.25, "1.25"},
        {"000", 7, "007"},
        {"#", 0, ""},
        {"0", -0.4, "0"},
        {"0.00", 0.125, "0.13"},
        {"0.00", -2.675, "-2.67"},
        {"0.0;(0.0);\"zero\"", -3.25, "(3.3)"},
        {"0.0;(0.0);\"zero\"", 0, "zero"},
        {"0.0;(0.0);\"zero\"", 0.01, "zero"},
        {"0.0;;\"zero\"", -1.5, "-1.5"},
        {"0.00E+00", 1234.5, "1.23E+03"},
        {"0.0E-0", 0.000123, "1.2E-4"},
        {"0.0E-0", 12000, "1.2E4"},
        {"00.0E+0", 1234.5, "12.3E+2"},
        {"\"$\"#,##0", -1234, "-$1,234"},
        {"'Total: '0.0' kg'", 12.34, "Total: 12.3 kg"},
        {"", 1.5, "1.5"},
        {"0.00", 1e25, "1E25"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FormatFloat(QString::fromUtf8(c.fmt), c.value), QString::fromUtf8(c.expected))
            << c.fmt << " " << c.value;

    EXPECT_EQ(FormatFloat(QStringLiteral("#,##0.00"), 1234567.891, german()), QStringLiteral("1.234.567,89"));
}

TEST_P(FormatTest, FormatDateTimeTable)
{
    const double v = EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 45);
    const double morning = EncodeDate(2024, 3, 5) + EncodeTime(0, 30, 0, 0);
    const struct {
        const char *fmt;
        double value;
        const char *expected;
    } cases[] = {
        {"yyyy-mm-dd hh:nn:ss.zzz", v, "2024-03-05 14:07:09.045"},
        {"d/m/yy", v, "5/3/24"},
        {"dddd, mmmm d", v, "Tuesday, March 5"},
        {"ddd mmm", v, "Tue Mar"},
        {"h:mm AM/PM", v, "2:07 PM"},
        {"h:mm am/pm", morning, "12:30 am"},
        {"hh a/p", v, "02 p"},
        {"hh:mm", v, "14:07"},
        {"h:n:s z", v, "14:7:9 45"},
        {"\"Day\" d 'of' m", v, "Day 5 of 3"},
        {"c", v, "05/03/2024 14:07:09"},
        {"c", EncodeDate(2024, 3, 5), "05/03/2024"},
        {"ddddd", v, "05/03/2024"},
        {"t|tt", v, "14:07|14:07:09"},
        {"", v, "05/03/2024 14:07:09"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FormatDateTime(QString::fromUtf8(c.fmt), c.value), QString::fromUtf8(c.expected)) << c.fmt;

    EXPECT_EQ(FormatDateTime(QStringLiteral("d/m/yy"), v, german()), QStringLiteral("5.3.24"));
    EXPECT_EQ(DateToStr(v), QStringLiteral("05/03/2024"));
    EXPECT_THROW(FormatDateTime(QStringLiteral("yyyy"), 1e7), EConvertError);
    EXPECT_THROW(FormatDateTime(QStringLiteral("yyyy"), std::nan("")), EConvertError);
}

TEST_P(FormatTest, FormatMaskTextTable)
{
    const struct {
        const char *mask;
        const char *value;
        const char *expected;
    } cases[] = {
        {"(000) 000-0000;0;_", "1234567890", "(123) 456-7890"},
        {">LL-000;0", "ab123", "AB-123"},
        {"<LL>L;0", "ABc", "abC"},
        {"00/00;1", "12/34", "12/34"},
        {"00/00;1", "1234", "12/34"},
        {"000;0", "12", "12 "},
        {"\\A-00;0", "42", "A-42"},
        {"00:00;0", "1230", "12:30"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FormatMaskText(QString::fromUtf8(c.mask), QString::fromUtf8(c.value)), QString::fromUtf8(c.expected))
            << c.mask;
}

// The shared float conversions must not follow the C library's locale either.
TEST_P(FormatTest, FloatTextIgnoresCLocale)
{
    EXPECT_EQ(FloatToStr(1.5), QStringLiteral("1.5"));
    EXPECT_EQ(FloatToStr(1e20), QStringLiteral("1E20"));
    double v = 0;
    EXPECT_TRUE(TryStrToFloat(QStringLiteral("1.5"), v));
    EXPECT_EQ(v, 1.5);
}

INSTANTIATE_TEST_SUITE_P(Locales, FormatTest, ::testing::ValuesIn(vdtest::kTestLocales));

} // namespace
