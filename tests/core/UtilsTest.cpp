#include "core/vdUtils.h"
#include "core/vdFiler.h"
#include "core/vdFormatSettings.h"
#include "core/vdPersistent.h"
#include "common/TestSupport.h"

#include <QBuffer>
#include <QFileInfo>
#include <gtest/gtest.h>

TEST(Utils, StrToFloatLooseUnderAnyDecimalSeparator)
{
    for (QChar sep : {QChar(u'.'), QChar(u',')}) {
        FormatSettings fs;
        fs.DecimalSeparator = sep;
        fs.ThousandSeparator = sep == u'.' ? u',' : u'.';
        ScopedFormatSettings scope(fs);
        EXPECT_DOUBLE_EQ(StrToFloatLoose(QStringLiteral("1 234,5")), 1234.5);
        EXPECT_DOUBLE_EQ(StrToFloatLoose(QStringLiteral("1234.5")), 1234.5);
        EXPECT_DOUBLE_EQ(StrToFloatLoose(QStringLiteral("-0,25")), -0.25);
        EXPECT_DOUBLE_EQ(StrToFloatLoose(QStringLiteral("1e3")), 1000.0);
        EXPECT_THROW(StrToFloatLoose(QStringLiteral("1.234,5")), EConvertError);
        EXPECT_THROW(StrToFloatLoose(QStringLiteral("abc")), EConvertError);
        EXPECT_THROW(StrToFloatLoose(QString()), EConvertError);
    }
}

TEST(Utils, SeparateSigns)
{
    EXPECT_EQ(SeparateSigns(QStringLiteral("1e-5-2")), QStringLiteral("1e-5 -2"));
    EXPECT_EQ(SeparateSigns(QStringLiteral("2E+3")), QStringLiteral("2e+3"));
    EXPECT_EQ(SeparateSigns(QStringLiteral("1-2+3e-4")), QStringLiteral("1 -2 +3e-4"));
}

TEST(Utils, ParsePageNumbers)
{
    const struct {
        QString text;
        int last;
        QStringList pages;
    } cases[] = {
        {QStringLiteral("1,3-5,8-"), 10, {"1", "3", "4", "5", "8", "9", "10"}},
        {QStringLiteral("p.2,2,x7"), 10, {"2", "2", "7"}},
        {QStringLiteral(""), 10, {}},
        {QStringLiteral("5-3"), 10, {}},
        {QStringLiteral("12"), 10, {"12"}},
        // Ranges end at the last page.
        {QStringLiteral("1-2000000000"), 3, {"1", "2", "3"}},
        {QStringLiteral("9-"), 3, {}},
    };
    for (const auto &c : cases) {
        QStringList list{QStringLiteral("stale")};
        ParsePageNumbers(c.text, list, c.last);
        EXPECT_EQ(list, c.pages) << c.text.toStdString();
    }
    QStringList list;
    EXPECT_THROW(ParsePageNumbers(QStringLiteral("1,,2"), list, 5), EConvertError);
    EXPECT_THROW(ParsePageNumbers(QStringLiteral("-3"), list, 5), EConvertError);
    EXPECT_THROW(ParsePageNumbers(QStringLiteral("99999999999"), list, 5), EConvertError);
}

TEST(Utils, IntToBinStr)
{
    EXPECT_EQ(IntToBinStr(5), QStringLiteral("00000101"));
    EXPECT_EQ(IntToBinStr(256), QStringLiteral("0000000100000000"));
    EXPECT_EQ(IntToBinStr(0), QString(32, u'0'));
    EXPECT_EQ(IntToBinStr(0x80000000u), QStringLiteral("1") + QString(31, u'0'));
    EXPECT_EQ(IntToBinStr(0x10000), QStringLiteral("000000010000000000000000"));
}

TEST(Utils, SplitBySeparator)
{
    const struct {
        QString text;
        QStringList pieces;
    } cases[] = {
        {QStringLiteral("a;b"), {"a", "b"}},
        {QStringLiteral("a;;b"), {"a", ";b"}},
        {QStringLiteral("a;b;"), {"a", "b;"}},
        {QStringLiteral("a"), {}},
        {QStringLiteral(";"), {}},
        {QStringLiteral(""), {}},
        {QStringLiteral("ab;cd;ef"), {"ab", "cd", "ef"}},
    };
    for (const auto &c : cases) {
        QStringList list{QStringLiteral("stale")};
        SplitBySeparator(list, c.text, u';');
        EXPECT_EQ(list, c.pieces) << c.text.toStdString();
    }
}

TEST(Utils, SplitToListKeepsEmptyPieces)
{
    QStringList list;
    SplitToList(QStringLiteral("a;;b;"), list, u';');
    EXPECT_EQ(list, (QStringList{"a", "", "b"}));
    SplitToList(QStringLiteral(""), list, u';');
    EXPECT_TRUE(list.isEmpty());
    SplitToList(QStringLiteral(";x"), list, u';');
    EXPECT_EQ(list, (QStringList{"", "x"}));
}

TEST(Utils, SplitTrimmed)
{
    EXPECT_EQ(SplitTrimmed(QStringLiteral("a, ,b"), u','), (QStringList{"a", "b"}));
    EXPECT_EQ(SplitTrimmed(QStringLiteral("en-US de fr"), u','), (QStringList{"en-US", "de", "fr"}));
    EXPECT_EQ(SplitTrimmed(QStringLiteral("\"a b\",c,"), u','), (QStringList{"a b", "c"}));
    EXPECT_EQ(SplitTrimmed(QStringLiteral("\"x\"\"y\""), u','), (QStringList{"x\"y"}));
    EXPECT_TRUE(SplitTrimmed(QStringLiteral("  "), u',').isEmpty());
}

TEST(Utils, GetBracketedText)
{
    int pos = 3, end = -1;
    const QString s = QStringLiteral("f  (a(b)')'\")\"c) tail");
    EXPECT_EQ(GetBracketedText(s, QStringLiteral("("), QStringLiteral(")"), pos, end), QStringLiteral("a(b)')'\")\"c"));
    EXPECT_EQ(pos, 3);
    EXPECT_EQ(end, 15);

    pos = 0;
    end = -1;
    EXPECT_EQ(GetBracketedText(s, QStringLiteral("("), QStringLiteral(")"), pos, end), QString());
    EXPECT_EQ(end, -1);

    pos = 0;
    EXPECT_EQ(GetBracketedText(QStringLiteral("[[a]"), QStringLiteral("["), QStringLiteral("]"), pos, end),
              QStringLiteral("[a"));
    pos = 0;
    EXPECT_EQ(GetBracketedText(QStringLiteral("<%a%>x"), QStringLiteral("<%"), QStringLiteral("%>"), pos, end),
              QStringLiteral("a"));
    EXPECT_EQ(end, 4);
}

TEST(Utils, HexTexts)
{
    EXPECT_EQ(WideStrToHex(QStringLiteral("A€")), QStringLiteral("4100AC20"));
    EXPECT_EQ(HexToWideStr(QStringLiteral("4100AC20")), QStringLiteral("A€"));
    EXPECT_EQ(HexToWideStr(QStringLiteral("4100ac20")), QStringLiteral("A€"));
    EXPECT_EQ(HexToWideStr(QStringLiteral("4100XX20")), QStringLiteral("A"));

    QBuffer b;
    b.setData(QByteArray("\x00\x01\xAB\xFF", 4));
    b.open(QIODevice::ReadWrite);
    b.seek(3);
    EXPECT_EQ(StreamToHex(b), QStringLiteral("0001ABFF"));
    QBuffer out;
    out.open(QIODevice::ReadWrite);
    out.write("zzzzzz");
    HexToStream(QStringLiteral("41424z"), out);
    EXPECT_EQ(out.data(), QByteArray("ABzzzz"));
}

TEST(Utils, NumbersToText)
{
    ScopedFormatSettings scope(FormatSettings{});
    EXPECT_EQ(FloatToShortStr(3.0), QStringLiteral("3"));
    EXPECT_EQ(FloatToShortStr(-12.0), QStringLiteral("-12"));
    EXPECT_EQ(FloatToShortStr(2.5), QStringLiteral("2.50"));
    EXPECT_EQ(FloatToShortStr(0.125), QStringLiteral("0.13"));
    EXPECT_EQ(FloatToShortStr(1.005), QStringLiteral("1.00")); // 1.00499999999999989...
    EXPECT_EQ(FloatToFixedStr(-0.001, 2, u','), QStringLiteral("0,00"));
    EXPECT_EQ(FloatToFixedStr(9.995, 2, u','), QStringLiteral("9,99"));
    EXPECT_EQ(FloatToFixedStr(99.5, 0, u'.'), QStringLiteral("100"));
    EXPECT_EQ(FloatToFixedStr(-2.5, 0, u'.'), QStringLiteral("-3"));
    EXPECT_TRUE(FloatsDiffer(1.0, 1.00011));
    EXPECT_FALSE(FloatsDiffer(1.0, 1.00009));
    EXPECT_EQ(ClampInt(5, 0, 3), 3);
    EXPECT_EQ(ClampInt(-5, 0, 3), 0);
    EXPECT_EQ(ClampSingle(1.5f, 0, 3), 1.5f);
    EXPECT_EQ(IfThenStr(true, QStringLiteral("a"), QStringLiteral("b")), QStringLiteral("a"));
    EXPECT_EQ(IfThenColor(false, clRed, clBlue), clBlue);
    EXPECT_EQ(ColorToHexRGB(RGBColor(0x12, 0xAB, 0xEF)), QStringLiteral("12ABEF"));
    EXPECT_EQ(ColorToHexRGB(clNone), QStringLiteral("FFFFFF"));
    EXPECT_EQ(SlashesToBackslashes(QStringLiteral("a/b/c")), QStringLiteral("a\\b\\c"));
}

TEST(Utils, CharsetTables)
{
    const struct {
        int charset;
        int lcid;
        int codePage;
    } cases[] = {
        {SHIFTJIS_CHARSET, 1041, 932}, {HANGEUL_CHARSET, 1042, 949}, {JOHAB_CHARSET, 2066, 1361},
        {GB2312_CHARSET, 2052, 936}, {CHINESEBIG5_CHARSET, 3076, 950}, {GREEK_CHARSET, 1032, 1253},
        {TURKISH_CHARSET, 1055, 1254}, {VIETNAMESE_CHARSET, 1066, 1258}, {HEBREW_CHARSET, 1037, 1255},
        {ARABIC_CHARSET, 13313, 1256}, {BALTIC_CHARSET, 1061, 1257}, {RUSSIAN_CHARSET, 1049, 1251},
        {THAI_CHARSET, 1054, 874}, {EASTEUROPE_CHARSET, 1029, 1250},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(CharsetToLocaleID(c.charset), c.lcid) << c.charset;
        EXPECT_EQ(CharsetToCodePage(c.charset), c.codePage) << c.charset;
    }
    EXPECT_EQ(CharsetToLocaleID(ANSI_CHARSET), ThreadLocaleID());
    EXPECT_EQ(CharsetToCodePage(DEFAULT_CHARSET), 1252);
    EXPECT_EQ(CharsetToCodePage(MAC_CHARSET), 2);
    EXPECT_EQ(CharsetToCodePage(OEM_CHARSET), 1);
    EXPECT_THROW(CharsetToCodePage(99), EOSError);
}

TEST(Utils, AnsiConversionsThroughCharsets)
{
    // Expected bytes from an independent codec table (Python's codecs).
    const struct {
        int charset;
        QString text;
        QByteArray bytes;
    } cases[] = {
        {RUSSIAN_CHARSET, QStringLiteral("Привет"), QByteArray::fromHex("CFF0E8E2E5F2")},
        {SHIFTJIS_CHARSET, QStringLiteral("日本語"), QByteArray::fromHex("93FA967B8CEA")},
        {ANSI_CHARSET, QStringLiteral("€Šœ"), QByteArray::fromHex("808A9C")},
        {GREEK_CHARSET, QStringLiteral("Ελλάδα"), QByteArray::fromHex("C5EBEBDCE4E1")},
        {EASTEUROPE_CHARSET, QStringLiteral("ąčę"), QByteArray::fromHex("B9E8EA")},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(WideToAnsiStr(c.text, c.charset), c.bytes) << c.charset;
        EXPECT_EQ(AnsiToWideStr(c.bytes, c.charset), c.text) << c.charset;
    }
    EXPECT_EQ(AnsiToUnicodeByCodePage(QByteArray::fromHex("CFF0"), 1251), QStringLiteral("Пр"));
    EXPECT_EQ(AnsiToUnicodeByCodePage(QByteArray::fromHex("80"), 0), QStringLiteral("€"));
    EXPECT_EQ(AnsiToWideStr(QByteArray("abc"), DEFAULT_CHARSET, 12345), QString());
    EXPECT_EQ(WideToAnsiStr(QStringLiteral("Пр"), ANSI_CHARSET), QByteArray("??"));
}

TEST(Utils, TempFiles)
{
    vdtest::TempDir tmp;
    const QString a = NewTempFileNameIn(tmp.path(), QStringLiteral("vdx"));
    const QString b = NewTempFileNameIn(tmp.path(), QStringLiteral("vdx"));
    EXPECT_NE(a, b);
    EXPECT_TRUE(QFileInfo::exists(a));
    EXPECT_TRUE(QFileInfo(a).fileName().startsWith(QStringLiteral("vdx")));
    EXPECT_TRUE(a.endsWith(QStringLiteral(".tmp")));
    EXPECT_EQ(QFileInfo(a).size(), 0);
    EXPECT_EQ(QFileInfo(NewTempFileInDir(tmp.path())).absolutePath(), QFileInfo(tmp.path()).absoluteFilePath());
    const QString fallback = NewTempFileNameIn(tmp.file(QStringLiteral("missing")), QStringLiteral("qm"));
    EXPECT_TRUE(fallback.startsWith(GetTempDir()));
    QFile::remove(fallback);
    EXPECT_TRUE(GetTempDir().endsWith(u'/'));
}

TEST(Utils, ShellOpenSucceedsAbove32)
{
    int result = 0;
    QString seen;
    SetShellOpenHandler([&](const QString &f, int) {
        seen = f;
        return result;
    });
    result = 32;
    EXPECT_FALSE(ShellOpen(QStringLiteral("a.pdf")));
    result = 33;
    EXPECT_TRUE(ShellOpen(QStringLiteral("b.pdf")));
    EXPECT_EQ(seen, QStringLiteral("b.pdf"));
    SetShellOpenHandler({});
}

TEST(Utils, WideStringsFromUtf16Stream)
{
    QBuffer b;
    const QString text = QStringLiteral("eins\r\nzwei €\nдрей");
    QByteArray bytes;
    for (QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    b.setData("XX" + bytes + "Z");
    b.open(QIODevice::ReadOnly);
    b.seek(2);
    TvdWideStrings w;
    w.LoadFromWStream(b);
    EXPECT_EQ(w.Strings(), (QStringList{"eins", "zwei €", "дрей"}));
    w.ReadUTF8({QByteArray("\xC3\xA4")});
    EXPECT_EQ(w.Strings(), QStringList{QStringLiteral("ä")});
    TvdWideStrings other;
    EXPECT_TRUE(w.NeedsUTF8W(nullptr));
    EXPECT_FALSE(other.NeedsUTF8W(nullptr));
    EXPECT_TRUE(w.NeedsUTF8W(&other));
    EXPECT_FALSE(w.NeedsUTF8W(&w));
    EXPECT_TRUE(other.NeedsUTF8W(nullptr, true));
}

TEST(Utils, WideStringsFromBinaryProperties)
{
    // A list of one 8-bit and one wide string, then the end marker.
    const QByteArray list = QByteArray("\x01\x06\x02\xC3\xA4\x12\x01\x00\x00\x00\xAC\x20\x00", 13);
    TvdWideStrings w;
    TvdBinaryReader utf8(list);
    ASSERT_TRUE(w.ReadBinaryProperty(QStringLiteral("UTF8"), utf8));
    EXPECT_TRUE(utf8.AtEnd());
    EXPECT_EQ(w.Strings(), (QStringList{QStringLiteral("ä"), QStringLiteral("€")}));
    TvdBinaryReader ansi(list);
    ASSERT_TRUE(w.ReadBinaryProperty(QStringLiteral("Strings"), ansi));
    EXPECT_EQ(w.Strings(), (QStringList{QStringLiteral("Ã¤"), QStringLiteral("€")}));
    TvdBinaryReader other(list);
    EXPECT_FALSE(w.ReadBinaryProperty(QStringLiteral("Lines"), other));
    EXPECT_EQ(other.Position(), 0);
}

TEST(Utils, FindComponentByPath)
{
    TvdComponent form;
    form.SetName(QStringLiteral("Form1"));
    auto *query = new TvdComponent(&form);
    query->SetName(QStringLiteral("Query1"));
    auto *inner = new TvdComponent(query);
    inner->SetName(QStringLiteral("Field1"));
    auto *sibling = new TvdComponent(&form);
    sibling->SetName(QStringLiteral("Report1"));

    // One part: from the root, then from the root's owner.
    EXPECT_EQ(FindComponentByPath(query, QStringLiteral("field1")), inner);
    EXPECT_EQ(FindComponentByPath(query, QStringLiteral("Report1")), sibling);
    EXPECT_EQ(FindComponentByPath(query, QStringLiteral("Nothing")), nullptr);
    // Dotted names start from a global component.
    EXPECT_EQ(FindComponentByPath(sibling, QStringLiteral("Form1.Query1")), nullptr);
    RegisterGlobalComponent(&form);
    EXPECT_EQ(LookupComponent(sibling, QStringLiteral("Form1.Query1")), query);
    EXPECT_EQ(FindComponentByPath(nullptr, QStringLiteral("form1.Query1.Field1")), inner);
    EXPECT_EQ(FindComponentByPath(nullptr, QStringLiteral("Form1.Missing")), nullptr);
    EXPECT_EQ(FindComponentByPath(nullptr, QStringLiteral("Form2.Query1")), nullptr);
    UnregisterGlobalComponent(&form);
    EXPECT_EQ(FindComponentByPath(nullptr, QStringLiteral("Form1.Query1")), nullptr);
}
