#include "GfaDecode.h"
#include "export/zpl/vdxZplGraphic.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <QRandomGenerator>
#include <cstring>
#include <functional>

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

// The field as the plain steps give it: every row's text, compressed unless
// it repeats the row before.
QByteArray referenceField(const TvdxMonoBitmap &b)
{
    const int bpr = b.sentBytesPerRow();
    QByteArray out = "\r\n^GFA," + QByteArray::number(bpr * b.height) + ',' + QByteArray::number(bpr * b.height)
                     + ',' + QByteArray::number(bpr) + ",\r\n";
    QByteArray prev;
    for (int y = 0; y < b.height; ++y) {
        const QByteArray text = vdxZplRowText(b.row(y), bpr);
        out += (y > 0 && text == prev) ? QByteArray(":") : vdxCompressZplRow(text);
        out += "\r\n";
        prev = text;
    }
    return out + "^FS\r\n";
}

// Rows whose runs start and end on either digit of a byte, cross byte and
// eight-byte boundaries, and reach the trailing zero bytes.
TEST(ZplGraphicField, RowsMatchTheTextOfTheirBytes)
{
    struct Case {
        const char *name;
        QByteArray bytes;
    };
    const QByteArray long00 = QByteArray(300, '\0') + QByteArray::fromHex("01");
    const Case cases[] = {
        {"single byte", QByteArray::fromHex("5A")},
        {"run inside a byte", QByteArray::fromHex("55")},
        {"run from a low digit", QByteArray::fromHex("A5555B")},
        {"run to a high digit", QByteArray::fromHex("11111112")},
        {"run across eight bytes", QByteArray::fromHex("0F") + QByteArray(17, char(0xFF)) + QByteArray::fromHex("F0")},
        {"digits 1 over many bytes", QByteArray(40, char(0x11)) + QByteArray::fromHex("1E")},
        {"over 400 digits", QByteArray(250, char(0xFF))},
        {"over 400 digits then zero", long00},
        {"trailing zeros", QByteArray::fromHex("80") + QByteArray(30, '\0')},
        {"low digit then zeros", QByteArray::fromHex("0F") + QByteArray(9, '\0')},
        {"zero bytes only", QByteArray(13, '\0')},
        {"alternating", QByteArray::fromHex("A5A5A5A5A5A5A5A5A5")},
    };
    for (const Case &c : cases) {
        TvdxMonoBitmap b(int(c.bytes.size()) * 8, 1);
        std::memcpy(b.row(0), c.bytes.constData(), size_t(c.bytes.size()));
        EXPECT_EQ(field(b), referenceField(b)) << c.name;
    }
    // Every byte value beside every other, at both parities of position.
    TvdxMonoBitmap all(8 * 3 * 256, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 3 * 256; ++x)
            all.row(y)[x] = uchar(x % 3 == 0 ? y : x % 3 == 1 ? x / 3 : (x / 3) ^ y);
    EXPECT_EQ(field(all), referenceField(all));
    for (quint32 seed = 1; seed <= 8; ++seed) {
        TvdxMonoBitmap b = randomBitmap(int(97 * seed), 20, seed);
        EXPECT_EQ(field(b), referenceField(b)) << seed;
    }
}

// The image straight to the field gives what the steps one after the other
// give: threshold, inversion, cleared padding, field.
QByteArray fieldByTheSteps(const QImage &image)
{
    TvdxMonoBitmap b = vdxImageToMono(image);
    vdxInvertBitmap(b);
    vdxClearPaddingBits(b);
    return field(b);
}

QByteArray imageField(const QImage &image)
{
    QByteArray out;
    vdxAppendImageField(out, image, true);
    return out;
}

TEST(ZplImageField, SameAsTheSteps)
{
    struct Case {
        const char *name;
        std::function<QImage()> make;
    };
    auto filled = [](int w, int h, QRgb c, QImage::Format f = QImage::Format_RGB32) {
        QImage img(w, h, f);
        img.fill(c);
        return img;
    };
    auto drawn = [](int w, int h, QImage::Format f) {
        QImage img(w, h, f);
        img.fill(Qt::white);
        QPainter p(&img);
        p.fillRect(3, 2, w / 2, h / 3, Qt::black);
        p.fillRect(w / 3, h / 2, w / 2, 2, QColor(200, 40, 40));
        p.setPen(QColor(100, 150, 120));
        p.drawEllipse(QRect(1, 1, w - 3, h - 3));
        return img;
    };
    const Case cases[] = {
        {"all white, odd width", [&] { return filled(203, 9, 0xFFFFFFFFu); }},
        {"all black, odd width", [&] { return filled(203, 9, 0xFF000000u); }},
        {"all black, whole bytes", [&] { return filled(64, 3, 0xFF000000u); }},
        {"one pixel", [&] { return filled(1, 1, 0xFF000000u); }},
        {"black over 400 digits", [&] { return filled(1700, 2, 0xFF000000u); }},
        {"near the threshold",
         [&] {
             // Grey ramps around luminance 128 and pure colours.
             QImage img(256, 6, QImage::Format_RGB32);
             for (int x = 0; x < 256; ++x) {
                 img.setPixel(x, 0, qRgb(x, x, x));
                 img.setPixel(x, 1, qRgb(x, 0, 0));
                 img.setPixel(x, 2, qRgb(0, x, 0));
                 img.setPixel(x, 3, qRgb(0, 0, x));
                 img.setPixel(x, 4, qRgb(255 - x, x, 128));
                 img.setPixel(x, 5, x % 2 ? 0x00FFFFFFu : 0x7F000000u); // odd alpha
             }
             return img;
         }},
        {"drawn, RGB32", [&] { return drawn(211, 57, QImage::Format_RGB32); }},
        {"drawn, ARGB32", [&] { return drawn(211, 57, QImage::Format_ARGB32); }},
        {"drawn, premultiplied", [&] { return drawn(100, 40, QImage::Format_ARGB32_Premultiplied); }},
        {"drawn, RGB888", [&] { return drawn(37, 40, QImage::Format_RGB888); }},
        {"drawn, grey", [&] { return drawn(37, 40, QImage::Format_Grayscale8); }},
        {"repeated rows",
         [&] {
             QImage img = filled(99, 30, 0xFFFFFFFFu);
             for (int y = 5; y < 25; ++y)
                 for (int x = 10; x < 60; x += 3)
                     img.setPixel(x, y, qRgb(0, 0, 0));
             return img;
         }},
        {"random noise",
         [&] {
             QRandomGenerator rng(7);
             QImage img(333, 21, QImage::Format_RGB32);
             for (int y = 0; y < img.height(); ++y)
                 for (int x = 0; x < img.width(); ++x)
                     img.setPixel(x, y, rng.bounded(3) ? qRgb(255, 255, 255) : rng.generate());
             return img;
         }},
        {"null image", [] { return QImage(); }},
    };
    for (const Case &c : cases) {
        const QImage image = c.make();
        EXPECT_EQ(imageField(image), fieldByTheSteps(image)) << c.name;
    }
    // Without line breaks too.
    const QImage img = drawn(50, 20, QImage::Format_RGB32);
    QByteArray flat = fieldByTheSteps(img);
    flat.replace("\r\n", "");
    QByteArray out;
    vdxAppendImageField(out, img, false);
    EXPECT_EQ(out, flat);
}

TEST(ZplGraphicField, LongRunsUseSeveralZ)
{
    TvdxMonoBitmap b(8 * 500, 1); // 1000 hex digits
    std::memset(b.row(0), 0xFF, 500);
    const QByteArray text = field(b);
    EXPECT_TRUE(text.contains("\r\nzzpF\r\n")) << text.constData(); // 1000 = 400 + 400 + 200
}

} // namespace

// Given where the drawing lies, only those pixels are read and made white
// again: the field is the one of the whole image, at the edges of the image
// and of its bytes too.
TEST(ZplImageField, DrawnPartGivesTheWholeField)
{
    struct Case {
        const char *name;
        QRect ink;   // what is drawn
        QRect drawn; // what the field is told
    };
    const Case cases[] = {
        {"inside", QRect(9, 4, 13, 5), QRect(8, 3, 16, 7)},
        {"exactly the ink, odd edges", QRect(9, 4, 13, 5), QRect(9, 4, 13, 5)},
        {"touching the right and bottom", QRect(60, 20, 7, 5), QRect(58, 19, 40, 40)},
        {"past every edge", QRect(0, 0, 67, 25), QRect(-5, -5, 100, 100)},
        {"nothing drawn", QRect(), QRect()},
    };
    for (const Case &c : cases) {
        QImage image(67, 25, QImage::Format_RGB32);
        image.fill(Qt::white);
        if (!c.ink.isNull()) {
            QPainter p(&image);
            p.fillRect(c.ink, Qt::black);
            p.fillRect(c.ink.adjusted(2, 1, -2, -1), QColor(150, 150, 150));
            p.setPen(Qt::white);
            p.drawLine(c.ink.topLeft(), c.ink.bottomRight());
        }
        const QByteArray whole = imageField(image);
        QByteArray part;
        vdxTakeImageField(part, image, true, c.drawn);
        EXPECT_EQ(part, whole) << c.name;
        QImage white(67, 25, QImage::Format_RGB32);
        white.fill(Qt::white);
        EXPECT_EQ(image, white) << c.name;
    }
}
