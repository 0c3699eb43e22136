#include "GfaDecode.h"
#include "export/zpl/vdxZplGraphic.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <QRandomGenerator>

namespace {

TEST(ZplRepeatCount, Table)
{
    struct Case {
        int n;
        const char *letters;
    };
    const Case cases[] = {
        {1, "G"}, {2, "H"}, {19, "Y"}, {20, "g"}, {21, "gG"}, {39, "gY"}, {40, "h"},
        {45, "hK"}, {399, "yY"}, {400, "z"}, {401, "zG"}, {900, "zzk"}, {0, ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(vdxZplRepeatCount(c.n), QByteArray(c.letters)) << c.n;
}

TEST(ZplCompressRow, Table)
{
    struct Case {
        const char *row;
        const char *sent;
    };
    const Case cases[] = {
        {"FFFF,", "JF,"},
        {",", ","},
        {"A", "A"},
        {"AB", "AB"},
        {"00000000000000000000", "g0"},  // 20
        {"000000000000000000000", "gG0"}, // 21
        {"0000000003", "O03"},
        {"80,", "80,"},
        {"F0F0", "F0F0"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(vdxCompressZplRow(c.row), QByteArray(c.sent)) << c.row;
}

TEST(ZplRowText, TrailingZeroBytes)
{
    struct Case {
        QByteArray bytes;
        const char *text;
    };
    const Case cases[] = {
        {QByteArray::fromHex("FFFF000000"), "FFFF,"},
        {QByteArray::fromHex("0000"), ","},
        {QByteArray::fromHex("8000"), "80,"},
        {QByteArray::fromHex("0080"), "0080"},
        {QByteArray::fromHex("00FF00"), "00FF,"},
        {QByteArray::fromHex("A5"), "A5"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(vdxZplRowText(reinterpret_cast<const uchar *>(c.bytes.constData()), int(c.bytes.size())),
                  QByteArray(c.text))
            << c.bytes.toHex().constData();
}

QByteArray field(const TvdxMonoBitmap &b, bool breakLines = true)
{
    QByteArray out;
    vdxAppendGraphicField(out, b, breakLines);
    return out;
}

TEST(ZplGraphicField, AllWhite16x10)
{
    TvdxMonoBitmap b(16, 10); // already inverted: nothing printed
    QByteArray expected = "\r\n^GFA,20,20,2,\r\n,\r\n";
    for (int i = 0; i < 9; ++i)
        expected += ":\r\n";
    expected += "^FS\r\n";
    EXPECT_EQ(field(b), expected);
    // Without line breaks the same characters follow each other.
    QByteArray flat = expected;
    flat.replace("\r\n", "");
    EXPECT_EQ(field(b, false), flat);
}

TEST(ZplGraphicField, OnlyIdenticalRowsRepeat)
{
    // "F0" then "0F0": different rows, both written in full.
    TvdxMonoBitmap b(16, 3);
    b.row(0)[0] = 0xF0;
    b.row(1)[0] = 0xF0;
    b.row(2)[0] = 0x0F;
    b.row(2)[1] = 0x00;
    EXPECT_EQ(field(b), QByteArray("\r\n^GFA,6,6,2,\r\nF0,\r\n:\r\n0F,\r\n^FS\r\n"));
}

TEST(ZplGraphicField, BytesPerRowOfOddWidths)
{
    for (const auto &[width, bpr] : {std::pair{203, 26}, {1, 1}, {8, 1}, {9, 2}, {38, 5}, {812, 102}}) {
        TvdxMonoBitmap b(width, 1);
        EXPECT_EQ(b.sentBytesPerRow(), bpr) << width;
        EXPECT_EQ(b.stride % 4, 0) << width;
        EXPECT_TRUE(field(b).startsWith(QByteArray("\r\n^GFA,") + QByteArray::number(bpr) + ',')) << width;
    }
}

TEST(ZplGraphicField, PaddingBitsCleared)
{
    // An empty 38-px row: white (all ones before inversion), then inverted.
    QImage white(38, 1, QImage::Format_RGB32);
    white.fill(Qt::white);
    TvdxMonoBitmap b = vdxImageToMono(white);
    vdxInvertBitmap(b);
    // Without clearing, the two bits past the width print: the row is "O03".
    EXPECT_EQ(vdxCompressZplRow(vdxZplRowText(b.row(0), b.sentBytesPerRow())), QByteArray("O03"));
    vdxClearPaddingBits(b);
    EXPECT_EQ(vdxZplRowText(b.row(0), b.sentBytesPerRow()), QByteArray(","));
}

TEST(ZplMonoBitmap, LuminanceThreshold)
{
    struct Case {
        QRgb colour;
        bool black;
    };
    const Case cases[] = {
        {qRgb(0, 0, 0), true},
        {qRgb(255, 255, 255), false},
        {qRgb(127, 127, 127), true},
        {qRgb(128, 128, 128), false},
        {qRgb(255, 0, 0), true},   // 76
        {qRgb(0, 255, 0), false},  // 150
        {qRgb(0, 0, 255), true},   // 29
        {qRgb(255, 255, 0), false},
    };
    for (const Case &c : cases) {
        QImage img(1, 1, QImage::Format_RGB32);
        img.setPixel(0, 0, c.colour);
        TvdxMonoBitmap b = vdxImageToMono(img);
        // White pixels are set before inversion.
        EXPECT_EQ((b.row(0)[0] & 0x80) == 0, c.black) << std::hex << c.colour;
    }
}

// A bitmap of random runs, written and read back by the independent decoder.
TvdxMonoBitmap randomBitmap(int w, int h, quint32 seed)
{
    QRandomGenerator rng(seed);
    TvdxMonoBitmap b(w, h);
    for (int y = 0; y < h; ++y) {
        const int kind = rng.bounded(5);
        if (kind == 0 && y > 0) { // repeat the row before
            std::memcpy(b.row(y), b.row(y - 1), size_t(b.stride));
            continue;
        }
        if (kind == 1) // empty row
            continue;
        int x = 0;
        bool on = rng.bounded(2);
        while (x < w) {
            const int run = kind == 2 ? 1 + rng.bounded(3) : 1 + rng.bounded(900);
            for (int k = 0; k < run && x < w; ++k, ++x)
                if (on)
                    b.row(y)[x >> 3] |= uchar(0x80u >> (x & 7));
            on = !on;
        }
    }
    return b;
}

TEST(ZplGraphicField, RoundTripsThroughDecoder)
{
    struct Case {
        int w, h;
    };
    // Widths past 400 bytes of hex (runs over 400), odd widths, one pixel.
    const Case cases[] = {{1, 1}, {7, 3}, {13, 17}, {38, 5}, {203, 40}, {1999, 12}, {3201, 9}, {4000, 3}};
    quint32 seed = 1;
    for (const Case &c : cases) {
        TvdxMonoBitmap b = randomBitmap(c.w, c.h, seed++);
        vdxClearPaddingBits(b);
        const QByteArray text = field(b);
        const GfaField f = decodeGfa(text);
        ASSERT_TRUE(f.ok) << c.w << "x" << c.h << ": " << f.error.toStdString();
        ASSERT_EQ(f.height(), c.h);
        ASSERT_EQ(f.bytesPerRow, b.sentBytesPerRow());
        for (int y = 0; y < c.h; ++y)
            ASSERT_EQ(f.rows[y], QByteArray(reinterpret_cast<const char *>(b.row(y)), b.sentBytesPerRow()))
                << c.w << "x" << c.h << " row " << y;
    }
}

TEST(ZplGraphicField, LongRunsUseSeveralZ)
{
    TvdxMonoBitmap b(8 * 500, 1); // 1000 hex digits
    std::memset(b.row(0), 0xFF, 500);
    const QByteArray text = field(b);
    EXPECT_TRUE(text.contains("\r\nzzpF\r\n")) << text.constData(); // 1000 = 400 + 400 + 200
}

} // namespace
