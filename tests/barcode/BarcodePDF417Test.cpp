#include "Barcode2DTestUtil.h"
#include "barcode/vdxBarcodePDF417.h"
#include "common/ZxingDecode.h"

#include <gtest/gtest.h>

namespace {

std::vector<int> head(const TvdxBarcodePDF417 &e, int n)
{
    const std::vector<int> all = e.Codewords();
    return {all.begin(), all.begin() + std::min<std::size_t>(all.size(), std::size_t(n))};
}

QString segments(const QByteArray &bytes)
{
    TSegmentList list;
    TvdxBarcodePDF417::Segmentate(bytes, list);
    QString s;
    for (int i = 0; i < list.Size(); ++i)
        s += QLatin1Char(list.Get(i)->_type);
    return s;
}

} // namespace

TEST(BarcodePDF417, DefaultTextIsOneNumericSegment)
{
    TvdxBarcodePDF417 e;
    EXPECT_EQ(e.Text(), QStringLiteral("12345678"));
    EXPECT_TRUE(e.ErrorText().isEmpty());
    EXPECT_EQ(head(e, 5), (std::vector<int>{5, 902, 138, 628, 478}));
    EXPECT_EQ(e.DataCodewords(), 5); // no padding
    EXPECT_EQ(e.CodeColumns(), 1);
    EXPECT_EQ(e.SymbolColumns(), 86);
    EXPECT_EQ(e.SymbolRows(), 13);
    EXPECT_EQ(e.ErrorLevel(), 2);
    EXPECT_EQ(e.PixelWidth(), 2);
    EXPECT_EQ(e.PixelHeight(), 8);
    EXPECT_EQ(e.AspectRatio(), 0.5);
    EXPECT_EQ(e.CodePage(), 437);
}

TEST(BarcodePDF417, SizeAndLevel)
{
    {
        // 38 capitals: 19 text codewords and the length descriptor.
        TvdxBarcodePDF417 e;
        e.SetColumns(2);
        e.SetRows(3);
        e.SetText(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKL"));
        EXPECT_EQ(e.SymbolRows(), 3);
        EXPECT_EQ(e.CodeColumns(), 10);
        EXPECT_EQ(e.ErrorLevel(), 2);
        EXPECT_EQ(e.DataCodewords(), 22);
        EXPECT_EQ(head(e, 22)[0], 22);
        EXPECT_EQ(head(e, 22)[20], 900);
        EXPECT_EQ(head(e, 22)[21], 900);
        EXPECT_NE(head(e, 22)[19], 900);
    }
    {
        TvdxBarcodePDF417 e;
        e.SetErrorCorrection(PDF417ErrorCorrection::Level0);
        EXPECT_EQ(e.CodeColumns(), 1);
        EXPECT_EQ(e.SymbolRows(), 7);
        EXPECT_EQ(e.ErrorLevel(), 0);
    }
    {
        // A lone Columns is no request: the ratio decides.
        TvdxBarcodePDF417 e;
        e.SetColumns(3);
        EXPECT_EQ(e.CodeColumns(), 1);
    }
}

TEST(BarcodePDF417, Segmentation)
{
    const std::pair<QByteArray, QString> cases[] = {
        {"AB1234567890123CD", "TNT"},
        {"AB123456789012CD", "T"},
        {"12345678", "N"},
        {"1234567", "T"},
        {"A\x01" "BC", "T"},
        {"\x01\x02\x03\x04", "B"},
        {"Hello\x01\x02world", "TBT"},
    };
    for (const auto &[bytes, expected] : cases)
        EXPECT_EQ(segments(bytes), expected) << bytes.toStdString();
}

TEST(BarcodePDF417, ByteShiftAndByteCompaction)
{
    TvdxBarcodePDF417 e;
    e.SetText(QString::fromLatin1("A\x01" "BC"));
    const std::vector<int> cw = head(e, e.DataCodewords());
    EXPECT_NE(std::find(cw.begin(), cw.end(), 913), cw.end());

    e.SetCompactionMode(PDF417CompactionMode::Binary);
    e.SetText(QStringLiteral("abcdef"));
    EXPECT_EQ(head(e, 2)[1], 924);
    e.SetText(QStringLiteral("abcdefg"));
    EXPECT_EQ(head(e, 2)[1], 901);
}

TEST(BarcodePDF417, Messages)
{
    TvdxBarcodePDF417 e;
    e.SetText(QString());
    EXPECT_EQ(e.ErrorText(), QStringLiteral("Text cannot be null."));
    e.SetText(QString(5421, u'x'));
    EXPECT_EQ(e.ErrorText(), QStringLiteral("The text is too big."));
    e.SetText(QString(5420, u'\x01')); // bytes: past the last codeword
    EXPECT_EQ(e.ErrorText(), QStringLiteral("The text is too big."));
    EXPECT_LE(e.Codewords().size(), 928u);
    e.SetText(QStringLiteral("12345"));
    EXPECT_TRUE(e.ErrorText().isEmpty());
    // Numeric compaction would drop whatever is not a digit.
    e.SetCompactionMode(PDF417CompactionMode::Numeric);
    EXPECT_TRUE(e.ErrorText().isEmpty());
    e.SetText(QStringLiteral("12a45"));
    EXPECT_EQ(e.ErrorText(), QStringLiteral("Numeric compaction takes digits only."));
}

TEST(BarcodePDF417, AssignCopiesSettingsAndEncodes)
{
    TvdxBarcodePDF417 src;
    src.SetColumns(4);
    src.SetRows(10);
    src.SetErrorCorrection(PDF417ErrorCorrection::Level4);
    src.SetCompactionMode(PDF417CompactionMode::TextComp);
    src.SetCodePage(1252);
    src.SetAspectRatio(2);
    src.SetText(QStringLiteral("copied text"));
    TvdxBarcodePDF417 dst;
    dst.Assign(src);
    EXPECT_EQ(dst.Columns(), 4);
    EXPECT_EQ(dst.Rows(), 10);
    EXPECT_EQ(dst.ErrorCorrection(), PDF417ErrorCorrection::Level4);
    EXPECT_EQ(dst.CompactionMode(), PDF417CompactionMode::TextComp);
    EXPECT_EQ(dst.CodePage(), 1252);
    EXPECT_EQ(dst.AspectRatio(), 2.0);
    EXPECT_EQ(dst.Codewords(), src.Codewords());
    EXPECT_EQ(dst.Matrix(), src.Matrix());
}

TEST(BarcodePDF417, ZxingDecodesEveryTextSizeAndRotation)
{
    struct Case { QString text; int codePage; PDF417CompactionMode mode; };
    QString bytes;
    for (int i = 1; i < 256; i += 3)
        bytes += QChar(i);
    const Case cases[] = {
        {QStringLiteral("12345678901234567890123456789012345678901234567890"), 437,
         PDF417CompactionMode::AutoCompaction},
        {QStringLiteral("Label 42: Hello, World! [pdf417] ~#$%^&*(){}|\\ \"quoted\" tab\there"), 437,
         PDF417CompactionMode::AutoCompaction},
        {QStringLiteral("Grüße aus Köln, Ærø, ça va? 1234567890123 ÿ"), 28591, PDF417CompactionMode::AutoCompaction},
        {bytes, 28591, PDF417CompactionMode::Binary},
        {QStringLiteral("mixed TEXT 12345678901234567 and bytes \x01\x02\x03 end"), 437,
         PDF417CompactionMode::AutoCompaction},
    };
    for (const Case &c : cases)
        for (int module : {2, 3, 4})
            for (int rotation : {0, 90, 180, 270}) {
                TvdxBarcodePDF417 e;
                e.SetShowText(false);
                e.SetPixelWidth(module);
                e.SetPixelHeight(3 * module);
                e.SetRotation(rotation);
                e.SetCodePage(c.codePage);
                e.SetCompactionMode(c.mode);
                e.SetText(c.text);
                ASSERT_TRUE(e.ErrorText().isEmpty()) << e.ErrorText().toStdString();
                const QList<ZxingResult> found = ZxingDecode(renderEngine(e));
                ASSERT_EQ(found.size(), 1) << c.text.left(20).toStdString() << " module " << module << " rotation "
                                           << rotation;
                EXPECT_EQ(found[0].text, c.text) << " module " << module << " rotation " << rotation;
                EXPECT_EQ(found[0].format, QStringLiteral("PDF417"));
            }
}

TEST(BarcodePDF417, Utf8CodePage)
{
    TvdxBarcodePDF417 e;
    e.SetShowText(false);
    e.SetCodePage(65001);
    const QString text = QStringLiteral("Grüße ✓ 日本");
    e.SetText(text);
    const QList<ZxingResult> found = ZxingDecode(renderEngine(e));
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found[0].text, text); // the reader recognises UTF-8 bytes
}

TEST(BarcodePDF417, MatrixEqualsZintForAFilledSymbol)
{
    // 132 digits: 902 and 45 numeric codewords after the length descriptor;
    // with level 3 (16 codewords) 3 columns of 21 rows are filled exactly.
    TvdxBarcodePDF417 e;
    e.SetColumns(3);
    e.SetRows(21);
    e.SetErrorCorrection(PDF417ErrorCorrection::Level3);
    QString digits;
    for (int i = 0; i < 132; ++i)
        digits += QChar(u'0' + (i * 7 + 3) % 10);
    e.SetText(digits);
    ASSERT_TRUE(e.ErrorText().isEmpty());
    ASSERT_EQ(e.DataCodewords(), 47);
    ASSERT_EQ(e.ErrorLevel(), 3);
    const QStringList rows = zintDump({QStringLiteral("-b"), QStringLiteral("PDF417"), QStringLiteral("--cols=3"),
                                       QStringLiteral("--rows=21"), QStringLiteral("--secure=3"),
                                       QStringLiteral("-d"), digits});
    if (rows.isEmpty())
        GTEST_SKIP() << "zint is not installed";
    ASSERT_EQ(rows.size(), e.SymbolRows());
    for (int y = 0; y < e.SymbolRows(); ++y) {
        QString mine;
        for (int x = 0; x < e.SymbolColumns(); ++x)
            mine += e.Matrix().Get(x, y) ? u'1' : u'0';
        EXPECT_EQ(mine, rows[y].left(mine.size())) << "row " << y;
    }
}
