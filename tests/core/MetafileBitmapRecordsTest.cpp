// Metafiles from other programs fill with pattern brushes, draw bitmaps whose
// colours are indexes into the selected palette, and carry whole JPEG and
// PNG files as bitmaps: played, each draws like its content drawn directly.
#include "common/EmfBuilder.h"
#include "common/TestSupport.h"
#include "core/vdJPEGGraphics.h"
#include "core/vdPNGGraphics.h"
#include "core/vdPictureGraphics.h"
#include "platform/EmfPlayer.h"
#include "platform/QPainterCanvas.h"

#include <QBuffer>
#include <QtEndian>
#include <gtest/gtest.h>

namespace {

void put16(QByteArray &b, quint16 v)
{
    char c[2];
    qToLittleEndian(v, c);
    b.append(c, 2);
}

void put32(QByteArray &b, quint32 v)
{
    char c[4];
    qToLittleEndian(v, c);
    b.append(c, 4);
}

QByteArray bitmapInfo(int w, int h, int bpp, quint32 compression, quint32 imageSize, quint32 colours)
{
    QByteArray b;
    put32(b, 40);
    put32(b, quint32(w));
    put32(b, quint32(h));
    put16(b, 1);
    put16(b, quint16(bpp));
    put32(b, compression);
    put32(b, imageSize);
    put32(b, 3780);
    put32(b, 3780);
    put32(b, colours);
    put32(b, 0);
    return b;
}

// 24-bit bottom-up rows.
QByteArray rgbBits(const QImage &img)
{
    const int stride = ((img.width() * 24 + 31) / 32) * 4;
    QByteArray bits(qsizetype(stride) * img.height(), '\0');
    for (int y = 0; y < img.height(); ++y) {
        char *row = bits.data() + qsizetype(img.height() - 1 - y) * stride;
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = img.pixel(x, y);
            row[3 * x] = char(qBlue(p));
            row[3 * x + 1] = char(qGreen(p));
            row[3 * x + 2] = char(qRed(p));
        }
    }
    return bits;
}

QImage colourful(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb((x * 255) / std::max(1, w - 1), (y * 255) / std::max(1, h - 1), (x + y) % 2 ? 40 : 200));
    return img;
}

// EMR_STRETCHDIBITS of a whole bitmap into dest.
void stretchDib(EmfBuilder &b, const TRect &dest, int srcW, int srcH, const QByteArray &bmi, const QByteArray &bits,
                quint32 usage)
{
    const qint32 offBmi = 8 + 18 * 4;
    b.addWithData(emf::EMR_STRETCHDIBITS,
                  {dest.Left, dest.Top, dest.Right, dest.Bottom, dest.Left, dest.Top, 0, 0, srcW, srcH, offBmi,
                   qint32(bmi.size()), offBmi + qint32(bmi.size()), qint32(bits.size()), qint32(usage),
                   qint32(SRCCOPY), dest.Width(), dest.Height()},
                  bmi + bits);
}

struct Content {
    QImage pattern = colourful(8, 8);
    // Four palette entries and the 4 x 4 picture of indexes into them.
    QList<QRgb> palette{qRgb(200, 30, 30), qRgb(30, 160, 60), qRgb(20, 40, 220), qRgb(250, 200, 0)};
    QImage indexed;
    QByteArray png, jpeg;
    QImage pngImage, jpegImage;
    Content()
    {
        indexed = QImage(4, 4, QImage::Format_RGB32);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                indexed.setPixel(x, y, palette[(x + 2 * y) % 4]);
        TBitmap source;
        source.SetImage(colourful(6, 5), pf24bit);
        TPngImage p;
        p.Assign(source);
        png = p.Encode();
        pngImage = p.ToImage().convertToFormat(QImage::Format_RGB32);
        jpeg = TJPEGImage::EncodeImage(colourful(16, 16), 90, false);
        bool grey = false;
        jpegImage = TJPEGImage::DecodeBytes(jpeg, grey);
    }
};

const TRect kPatternBox(5, 5, 45, 45);
const TRect kIndexedBox(50, 5, 90, 45);
const TRect kPngBox(5, 50, 45, 90);
const TRect kJpegBox(50, 50, 90, 90);

QByteArray metafileOf(const Content &c)
{
    EmfBuilder b;
    // A pattern brush, the pen left out.
    const QByteArray patBmi = bitmapInfo(8, 8, 24, emf::BI_RGB, 0, 0), patBits = rgbBits(c.pattern);
    b.addWithData(emf::EMR_CREATEDIBPATTERNBRUSHPT,
                  {1, qint32(emf::DIB_RGB_COLORS), 32, qint32(patBmi.size()), 32 + qint32(patBmi.size()),
                   qint32(patBits.size())},
                  patBmi + patBits);
    b.add(emf::EMR_SELECTOBJECT, {1});
    b.add(emf::EMR_SELECTOBJECT, {qint32(emf::STOCK_OBJECT | emf::NULL_PEN)});
    b.add(emf::EMR_RECTANGLE, {kPatternBox.Left, kPatternBox.Top, kPatternBox.Right, kPatternBox.Bottom});

    // A logical palette, selected, and an 8-bit bitmap of indexes into it.
    QByteArray logPal;
    put16(logPal, 0x300);
    put16(logPal, quint16(c.palette.size()));
    for (QRgb p : c.palette)
        logPal.append(char(qRed(p))).append(char(qGreen(p))).append(char(qBlue(p))).append('\0');
    b.addWithData(emf::EMR_CREATEPALETTE, {2}, logPal);
    b.add(emf::EMR_SELECTPALETTE, {2});
    QByteArray bmi = bitmapInfo(4, 4, 8, emf::BI_RGB, 16, 4);
    for (quint16 i = 0; i < 4; ++i)
        put16(bmi, i);
    QByteArray bits;
    for (int y = 3; y >= 0; --y)
        for (int x = 0; x < 4; ++x)
            bits.append(char((x + 2 * y) % 4));
    stretchDib(b, kIndexedBox, 4, 4, bmi, bits, emf::DIB_PAL_COLORS);

    // Whole PNG and JPEG files as bitmaps.
    stretchDib(b, kPngBox, 6, 5, bitmapInfo(6, 5, 0, emf::BI_PNG, quint32(c.png.size()), 0), c.png,
               emf::DIB_RGB_COLORS);
    stretchDib(b, kJpegBox, 16, 16, bitmapInfo(16, 16, 0, emf::BI_JPEG, quint32(c.jpeg.size()), 0), c.jpeg,
               emf::DIB_RGB_COLORS);
    return b.bytes();
}

QImage blank()
{
    QImage img(100, 100, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
}

} // namespace

TEST(MetafileBitmapRecords, DrawLikeTheirContentDrawnDirectly)
{
    GetGraphicFormats(); // the picture codecs serve the player as well
    const Content c;
    const QByteArray emf = metafileOf(c);

    QImage played = blank();
    {
        QPainterCanvas canvas(played);
        EmfPlayer::Play(canvas, emf, TRect(0, 0, 100, 100));
    }
    QImage direct = blank();
    {
        QPainterCanvas canvas(direct);
        canvas.setBrush(CanvasBrush{clWhite, BrushStyle::Pattern, c.pattern});
        CanvasPen none;
        none.style = PenStyle::Null;
        canvas.setPen(none);
        canvas.Rectangle(kPatternBox);
        canvas.StretchDIBits(kIndexedBox, c.indexed, TRect(0, 0, 4, 4));
        canvas.StretchDIBits(kPngBox, c.pngImage, TRect(0, 0, 6, 5));
        canvas.StretchDIBits(kJpegBox, c.jpegImage, TRect(0, 0, 16, 16));
    }
    const struct {
        const char *what;
        TRect box;
    } parts[] = {{"pattern brush", kPatternBox}, {"palette indexes", kIndexedBox}, {"PNG", kPngBox}, {"JPEG", kJpegBox}};
    for (const auto &p : parts) {
        int differ = 0;
        for (int y = p.box.Top; y < p.box.Bottom; ++y)
            for (int x = p.box.Left; x < p.box.Right; ++x)
                differ += played.pixel(x, y) != direct.pixel(x, y);
        EXPECT_EQ(differ, 0) << p.what;
    }
    // Not just white: the parts did draw.
    EXPECT_NE(played.pixel(kJpegBox.Left + 3, kJpegBox.Top + 3), qRgb(255, 255, 255));
    EXPECT_EQ(played.pixel(kIndexedBox.Left, kIndexedBox.Top), c.palette[0]);
}

TEST(MetafileBitmapRecords, DamagedEmbeddedFilesAreSkipped)
{
    GetGraphicFormats();
    const Content c;
    for (const QByteArray &bad : {c.png.left(c.png.size() / 2), c.jpeg.left(20), QByteArray("not a picture")}) {
        EmfBuilder b;
        stretchDib(b, kPngBox, 6, 5, bitmapInfo(6, 5, 0, emf::BI_PNG, quint32(bad.size()), 0), bad,
                   emf::DIB_RGB_COLORS);
        stretchDib(b, kJpegBox, 16, 16, bitmapInfo(16, 16, 0, emf::BI_JPEG, quint32(bad.size()), 0), bad,
                   emf::DIB_RGB_COLORS);
        QImage img = blank();
        {
            QPainterCanvas canvas(img);
            EXPECT_NO_THROW(EmfPlayer::Play(canvas, b.bytes(), TRect(0, 0, 100, 100)));
        }
        EXPECT_EQ(img.pixel(kJpegBox.Left + 3, kJpegBox.Top + 3), qRgb(255, 255, 255));
    }
}
