#include "Barcode2DTestUtil.h"
#include "barcode/vdxBarcodeDataMatrix.h"
#include "common/ZxingDecode.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<std::uint8_t>;
using E = DatamatrixEncoding;

// The symbol with a light margin of five modules: the engine draws none.
QImage render(TvdxBarcodeDataMatrix &e, double scale = 1.0)
{
    const int margin = 5 * e.PixelSize();
    // Sized to the symbol: the reader looks for it from the middle.
    const bool turned = e.Rotation() == 90 || e.Rotation() == 270;
    const int w = int((turned ? e.Height() : e.Width()) * scale), h = int((turned ? e.Width() : e.Height()) * scale);
    QImage image(w + 2 * margin, h + 2 * margin, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainterCanvas canvas(image);
    e.Draw2DBarcode(canvas, scale, scale, margin, margin);
    return image;
}

Bytes data(const TvdxBarcodeDataMatrix &e)
{
    return {e.Codewords().begin(), e.Codewords().begin() + e.DataCodewords()};
}

// dmtxread's text for the engine drawn with a margin, or a null string when
// dmtxread is missing.
QString dmtxRead(TvdxBarcodeDataMatrix &e)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("dmtxread"));
    if (tool.isEmpty())
        return {};
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("dm.png"));
    render(e).save(file);
    QProcess p;
    p.start(tool, {QStringLiteral("-n"), QStringLiteral("-m"), QStringLiteral("2000"), file});
    p.waitForFinished(30000);
    QString out = QString::fromLatin1(p.readAllStandardOutput());
    if (out.endsWith(u'\n'))
        out.chop(1);
    return out;
}

} // namespace

TEST(BarcodeDataMatrix, CodewordExamples)
{
    TvdxBarcodeDataMatrix e;
    EXPECT_TRUE(e.ErrorText().isEmpty());
    EXPECT_EQ(data(e), (Bytes{142, 164, 186, 208, 129}));
    EXPECT_EQ(e.UsedSize(), DatamatrixSymbolSize::Size12x12);
    EXPECT_EQ(e.SymbolRows(), 12);
    EXPECT_EQ(e.PixelSize(), 4);

    e.SetText(QString());
    EXPECT_EQ(e.UsedSize(), DatamatrixSymbolSize::Size10x10);
    EXPECT_EQ(data(e), (Bytes{129, 175, 70}));

    e.SetText(QStringLiteral("&1;01&1;2"));
    EXPECT_EQ(data(e)[0], 232);
    EXPECT_EQ(data(e)[1], 131); // "01"
    EXPECT_EQ(data(e)[2], 30);  // group separator
    EXPECT_EQ(data(e)[3], '2' + 1);

    e.SetEncoding(E::X12);
    e.SetText(QStringLiteral("AB*12"));
    EXPECT_EQ(data(e), (Bytes{66, 67, 43, 50, 51}));
}

TEST(BarcodeDataMatrix, Messages)
{
    TvdxBarcodeDataMatrix e;
    e.SetSymbolSize(DatamatrixSymbolSize::Size10x10);
    e.SetText(QStringLiteral("1234567"));
    EXPECT_EQ(e.ErrorText(), QStringLiteral(" The text is too big."));
    e.SetSymbolSize(DatamatrixSymbolSize::AutoSize);
    EXPECT_TRUE(e.ErrorText().isEmpty());
    e.SetText(QString(3000, u'7'));
    EXPECT_TRUE(e.ErrorText().isEmpty());
    EXPECT_EQ(e.UsedSize(), DatamatrixSymbolSize::Size144x144);
    e.SetText(QString(3200, u'x'));
    EXPECT_EQ(e.ErrorText(), QStringLiteral("The text is too big."));
    // A text that is no element string is refused, not drawn empty.
    e.SetGS1Rule(true);
    e.SetText(QStringLiteral("no brackets"));
    EXPECT_EQ(e.ErrorText(), QStringLiteral("The text is not a valid GS1 element string."));
    e.SetText(QStringLiteral("(01)98898765432106(10)AB12"));
    EXPECT_TRUE(e.ErrorText().isEmpty());
    EXPECT_EQ(data(e)[0], 232);
}

TEST(BarcodeDataMatrix, C40FillingTheSymbolNeedsNoUnlatch)
{
    TvdxBarcodeDataMatrix e;
    e.SetEncoding(E::C40);
    e.SetText(QStringLiteral("ABC")); // latch and one triple fill 10x10
    EXPECT_EQ(e.UsedSize(), DatamatrixSymbolSize::Size10x10);
    EXPECT_EQ(data(e)[0], 230);
    EXPECT_NE(data(e)[2], 254);
    e.SetText(QStringLiteral("ABCDEFGHI")); // 7 codewords in 14x14: the unlatch takes the last place
    EXPECT_EQ(e.UsedSize(), DatamatrixSymbolSize::Size14x14);
    EXPECT_EQ(data(e)[7], 254);
    e.SetText(QStringLiteral("ABCDEFGHIJKLMNOPQR")); // 13 in 12x26: unlatch, then pads
    EXPECT_EQ(e.UsedSize(), DatamatrixSymbolSize::Size12x26);
    EXPECT_EQ(data(e)[13], 254);
    EXPECT_EQ(data(e)[14], 129);
}

TEST(BarcodeDataMatrix, AutoPicksTheShortestScheme)
{
    const std::pair<QString, int> cases[] = {
        {QStringLiteral("12345678"), 142},
        {QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWX"), 230},
        {QStringLiteral("abcdefghijklmnopqrstuvwx"), 239},
        {QStringLiteral("ABC*DEF>GHI JKL*MNO>PQR\rSTU"), 238},
        {QStringLiteral("ABC.DEF:GHI;JKL=MNO?PQR@STU"), 240},
    };
    for (const auto &[text, first] : cases) {
        TvdxBarcodeDataMatrix e;
        e.SetText(text);
        EXPECT_EQ(data(e)[0], first) << text.toStdString();
    }
}

TEST(BarcodeDataMatrix, ZxingDecodesEveryTextSizeAndRotation)
{
    struct Case { QString text; int codePage; bool gs1; QString expected; };
    QString bytes;
    for (int i = 1; i < 256; i += 2)
        bytes += QChar(i);
    const Case cases[] = {
        {QStringLiteral("1234567890123456789012345"), 437, false, {}},
        {QStringLiteral("Data Matrix label: Hello, World! lower UPPER 42"), 437, false, {}},
        {QStringLiteral("Grüße aus Köln, Ærø, ça va? ÿ"), 28591, false, {}},
        {bytes, 28591, false, {}},
        {QStringLiteral("(01)98898765432106(10)ABC123(17)251231"), 437, true, {}},
    };
    for (const Case &c : cases)
        for (int module : {2, 3, 4})
            for (int rotation : {0, 90, 180, 270}) {
                TvdxBarcodeDataMatrix e;
                e.SetShowText(false);
                e.SetPixelSize(module);
                e.SetRotation(rotation);
                e.SetCodePage(c.codePage);
                e.SetGS1Rule(c.gs1);
                e.SetText(c.text);
                ASSERT_TRUE(e.ErrorText().isEmpty()) << e.ErrorText().toStdString();
                const QList<ZxingResult> found = ZxingDecode(render(e));
                ASSERT_EQ(found.size(), 1) << c.text.left(20).toStdString() << " module " << module << " rotation "
                                           << rotation;
                EXPECT_EQ(found[0].format, QStringLiteral("DataMatrix"));
                if (c.gs1) {
                    EXPECT_EQ(found[0].symbology, QStringLiteral("]d2"));
                    EXPECT_EQ(found[0].text, QStringLiteral("0198898765432106" "10ABC123\x1d" "17251231"));
                } else
                    EXPECT_EQ(found[0].text, c.text) << " module " << module << " rotation " << rotation;
            }
}

TEST(BarcodeDataMatrix, EverySchemeAndSizeDecodes)
{
    // Each scheme alone, with pads after it and filling the symbol.
    const QString texts[] = {QStringLiteral("ABCDEFGHIJKL"), QStringLiteral("abc def 123"),
                             QStringLiteral("ABC*DEF>GHI 12X"), QStringLiteral("EDIFACT:TEXT?1"),
                             QStringLiteral("Byte\x01\x02\xe9 mixed 1234")};
    for (E scheme : {E::Ascii, E::C40, E::Txt, E::Base256, E::X12, E::Edifact})
        for (const QString &text : texts) {
            TvdxBarcodeDataMatrix e;
            e.SetShowText(false);
            e.SetCodePage(28591);
            e.SetEncoding(scheme);
            e.SetText(text);
            ASSERT_TRUE(e.ErrorText().isEmpty());
            const QList<ZxingResult> found = ZxingDecode(render(e));
            ASSERT_EQ(found.size(), 1) << int(scheme) << " " << text.toStdString();
            EXPECT_EQ(found[0].text, text) << int(scheme);
            const QString read = dmtxRead(e);
            if (!read.isNull())
                EXPECT_EQ(read, text) << "dmtxread, scheme " << int(scheme) << " " << text.toStdString();
        }
    for (int s = 1; s <= 30; ++s) {
        TvdxBarcodeDataMatrix e;
        e.SetShowText(false);
        e.SetSymbolSize(DatamatrixSymbolSize(s));
        e.SetText(QStringLiteral("1"));
        ASSERT_TRUE(e.ErrorText().isEmpty());
        const QList<ZxingResult> found = ZxingDecode(render(e, s > 20 ? 0.5 : 1.0));
        ASSERT_EQ(found.size(), 1) << "size " << s;
        EXPECT_EQ(found[0].text, QStringLiteral("1")) << "size " << s;
    }
}

TEST(BarcodeDataMatrix, DmtxreadReadsEveryScheme)
{
    if (QStandardPaths::findExecutable(QStringLiteral("dmtxread")).isEmpty())
        GTEST_FAIL() << "dmtxread is missing (dmtx-utils)";
    const std::pair<E, QString> cases[] = {
        {E::Ascii, QStringLiteral("Ascii 1234567890")}, {E::C40, QStringLiteral("C40 ENCODED TEXT 123")},
        {E::Txt, QStringLiteral("text encoded words 12")}, {E::Base256, QStringLiteral("Base 256 \x01\x7f bytes")},
        {E::X12, QStringLiteral("X12*ENCODED>TEXT 1234")}, {E::Edifact, QStringLiteral("EDIFACT ENCODED: TEXT?")},
    };
    for (const auto &[scheme, text] : cases) {
        TvdxBarcodeDataMatrix e;
        e.SetShowText(false);
        e.SetEncoding(scheme);
        e.SetText(text);
        ASSERT_TRUE(e.ErrorText().isEmpty());
        EXPECT_EQ(dmtxRead(e), text) << int(scheme);
    }
}

TEST(BarcodeDataMatrix, MatrixEqualsZintForDigits)
{
    for (int n : {2, 8, 10, 24, 60, 200, 1000}) {
        QString digits;
        for (int i = 0; i < n; ++i)
            digits += QChar(u'0' + (i * 3 + 1) % 10);
        TvdxBarcodeDataMatrix e;
        e.SetText(digits);
        ASSERT_TRUE(e.ErrorText().isEmpty());
        const QStringList rows =
            zintDump({QStringLiteral("-b"), QStringLiteral("DATAMATRIX"), QStringLiteral("--square"),
                      QStringLiteral("-d"), digits});
        if (rows.isEmpty())
            GTEST_SKIP() << "zint is not installed";
        ASSERT_EQ(rows.size(), e.SymbolRows()) << n;
        int differ = 0;
        for (int y = 0; y < e.SymbolRows(); ++y)
            for (int x = 0; x < e.SymbolColumns(); ++x)
                differ += e.Matrix().Get(x, y) != (rows[y][x] == u'1');
        EXPECT_EQ(differ, 0) << n << " digits";
    }
}

TEST(BarcodeDataMatrix, AssignCopiesSettingsAndEncodes)
{
    TvdxBarcodeDataMatrix src;
    src.SetGS1Rule(true);
    src.SetEncoding(E::C40);
    src.SetSymbolSize(DatamatrixSymbolSize::Size22x22);
    src.SetCodePage(1252);
    src.SetText(QStringLiteral("(01)98898765432106"));
    TvdxBarcodeDataMatrix dst;
    dst.Assign(src);
    EXPECT_TRUE(dst.GS1Rule());
    EXPECT_EQ(dst.Encoding(), E::C40);
    EXPECT_EQ(dst.SymbolSize(), DatamatrixSymbolSize::Size22x22);
    EXPECT_EQ(dst.CodePage(), 1252);
    EXPECT_EQ(dst.Codewords(), src.Codewords());
    EXPECT_EQ(dst.Matrix(), src.Matrix());
}
