// Picture-format registry, detection and lookups, and the file round trips of
// the bitmap, PNG, JPEG and icon pictures.
#include "core/vdGraphicUtils.h"
#include "core/vdICOGraphics.h"
#include "core/vdJPEGGraphics.h"
#include "core/vdMetafileGraphics.h"
#include "core/vdPNGGraphics.h"
#include "core/vdPictureGraphics.h"
#include "platform/EmfRecorderCanvas.h"
#include "platform/QPainterCanvas.h"
#include "common/TestSupport.h"
#include <QBuffer>
#include <QImage>
#include <QtEndian>
#include <functional>
#include <gtest/gtest.h>

namespace {

QByteArray fixture(const char *name)
{
    return vdtest::readFile(vdtest::dataPath(QStringLiteral("pictures/") + QLatin1String(name)));
}

QString detect(const QByteArray &bytes, qint64 at = 0)
{
    QByteArray copy = bytes;
    QBuffer b(&copy);
    b.open(QIODevice::ReadOnly);
    b.seek(at);
    auto f = GetGraphicFormats()->FindByFormat(b);
    EXPECT_EQ(b.pos(), at) << "detection moved the stream";
    return f ? f->GetGraphicName() : QStringLiteral("-");
}

QByteArray qtEncode(const QImage &img, const char *fmt, int quality = -1)
{
    QByteArray out;
    QBuffer b(&out);
    b.open(QIODevice::WriteOnly);
    img.save(&b, fmt, quality);
    return out;
}

QImage testImage(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb((x * 37) & 255, (y * 53) & 255, ((x + y) * 11) & 255));
    return img;
}

QByteArray recordEmf(int w, int h)
{
    EmfRecorderCanvas c(w, h);
    c.brush().color = clRed;
    c.FillRect(TRect(0, 0, w, h));
    return c.finish();
}

// Largest difference of any colour channel; 256 when the sizes differ.
int maxChannelDiff(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return 256;
    const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
    int worst = 0;
    for (int r = 0; r < x.height(); ++r)
        for (int c = 0; c < x.width(); ++c) {
            const QRgb p = x.pixel(c, r), q = y.pixel(c, r);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q))});
        }
    return worst;
}

} // namespace

TEST(PictureRegistry, DriversInRegistrationOrder)
{
    const QStringList names = GetGraphicFormats()->BuildFormatsStrings(stName);
    // GIF and SVG come from their own modules when linked in.
    QStringList mine = names;
    mine.removeAll(QStringLiteral("GIF"));
    mine.removeAll(QStringLiteral("SVG"));
    EXPECT_EQ(mine, (QStringList{"WMF", "EMF", "VDEMF", "PNG", "ICO", "JPG", "BMP"}));
    if (names.contains(QStringLiteral("GIF"))) {
        EXPECT_EQ(names.indexOf(QStringLiteral("GIF")), names.indexOf(QStringLiteral("PNG")) + 1);
    }
}

TEST(PictureRegistry, BuildFormatsString)
{
    const QString ext = GetGraphicFormats()->BuildFormatsString(stExtension, QStringLiteral(";"));
    QString expected = QStringLiteral("*.wmf;*.emf;*.emf;*.png;");
    if (GetGraphicFormats()->FindByName(QStringLiteral("GIF")))
        expected += QStringLiteral("*.gif;");
    if (GetGraphicFormats()->FindByName(QStringLiteral("SVG")))
        expected += QStringLiteral("*.svg;");
    expected += QStringLiteral("*.ico;*.jpg;*.bmp");
    EXPECT_EQ(ext, expected);
    // Lines with a blank are quoted.
    const QString mimes = GetGraphicFormats()->BuildFormatsString(stMime, QStringLiteral(" "), {gcConvert});
    EXPECT_TRUE(mimes.startsWith(QStringLiteral("image/metafile image/metafile image/metafile image/png")));
    const QString classes = GetGraphicFormats()->BuildFormatsString(stClassName, QStringLiteral(","), {gcSaveTo});
    EXPECT_TRUE(classes.contains(QStringLiteral("TvdxJPEGPictureFormat")));
    EXPECT_FALSE(classes.contains(QStringLiteral("TvdxICOGraphicFormat")));
}

TEST(PictureRegistry, Lookups)
{
    TvdxGraphicFormats *r = GetGraphicFormats();
    EXPECT_EQ(r->FindByExt(QStringLiteral(".PNG")), TvdxPNGGraphicFormat::Class());
    EXPECT_EQ(r->FindByExt(QStringLiteral("png")), nullptr);
    EXPECT_EQ(r->FindByName(QStringLiteral("png")), nullptr);
    EXPECT_EQ(r->FindByName(QStringLiteral("VDEMF")), TvdxVDEMFGraphicFormat::Class());
    EXPECT_EQ(r->FindByConst(vdGraphicEMF), TvdxEMFGraphicFormat::Class());
    EXPECT_EQ(r->FindByConst(vdGraphicBMP), TvdxBitmapGraphicFormat::Class());
    EXPECT_EQ(r->FindByConst(vdGraphicICO, {gcSaveTo}), nullptr);
    // A library metafile is found through the first driver of an ancestor class.
    EXPECT_EQ(r->FindByGraphic(&TvdxMetafile::staticClass()), TvdxWMFGraphicFormat::Class());
    EXPECT_EQ(r->FindByGraphic(&TPNGObject::staticClass()), TvdxPNGGraphicFormat::Class());
    EXPECT_EQ(r->GetDefault()->GetGraphicConst(), 2147483647);
    EXPECT_TRUE(TvdxVDEMFGraphicFormat::Class()->InheritsFrom(TvdxEMFGraphicFormat::Class()));
    EXPECT_TRUE(TvdxEMFGraphicFormat::Class()->IsVector());

    TBitmap bmp(4, 4);
    EXPECT_EQ(r->Convert(&bmp, QStringLiteral("GIF"), pf24bit, 100), nullptr);
    auto asBmp = r->Convert(&bmp, QStringLiteral("BMP"), pf24bit, 100);
    ASSERT_NE(asBmp, nullptr);
    EXPECT_TRUE(asBmp->InheritsFrom(TBitmap::staticClass()));
}

TEST(PictureRegistry, AbstractBaseOperationsName)
{
    const TvdxCustomGraphicFormat base;
    try {
        base.GetGraphicName();
        FAIL();
    } catch (const EAbstractGraphicFormatException &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Method GetGraphicName in TvdxCustomGraphicFormat"));
    }
    TBitmap b(1, 1);
    TvdxGraphicCanvasHelper h(&b, &base);
    EXPECT_THROW(h.GetCanvas(), EAbstractGraphicFormatException);
}

TEST(PictureDetection, MagicBytesInOrder)
{
    const QByteArray emf = recordEmf(10, 10);
    struct Case {
        QByteArray bytes;
        const char *name;
    } cases[] = {
        {QByteArray("\xD7\xCD\xC6\x9A") + QByteArray(14, '\0'), "WMF"},
        {QByteArray("\xD7\xCD\xC6\x9A") + QByteArray(13, '\0'), "-"},
        {emf, "EMF"},
        {emf.left(107), "-"},
        {QByteArray("\x89PNG\r\n\x1a\n"), "PNG"},
        {QByteArray(6, '\0'), "ICO"},
        {QByteArray("\0\0\x01\0\x01\0", 6), "ICO"},
        {QByteArray("\0\0\x02\0\x01\0", 6), "-"},
        {QByteArray("\xFF\xD8"), "JPG"},
        {QByteArray("BM") + QByteArray(14, 'x'), "BMP"},
        {QByteArray("BM") + QByteArray(13, 'x'), "-"},
        {QByteArray(""), "-"},
        // A Windows metafile without the placeable header.
        {QByteArray("\x01\x00\x09\x00\x00\x03", 6) + QByteArray(12, '\0'), "-"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(detect(c.bytes), QString::fromLatin1(c.name)) << c.bytes.toHex().left(40).constData();
    // Detection starts at the current position.
    EXPECT_EQ(detect(QByteArray("junk") + QByteArray("\x89PNG\r\n\x1a\n"), 4), QStringLiteral("PNG"));
    EXPECT_EQ(detect(fixture("cursor.cur")), QStringLiteral("-"));
}

TEST(PictureDetection, LoadFromStreamPicksTheDriver)
{
    struct Case {
        QByteArray bytes;
        const TGraphicClass *cls;
    } cases[] = {
        {fixture("rgba.png"), &TPngImage::staticClass()},
        {fixture("two.ico"), &TIcon::staticClass()},
        {fixture("pal8.bmp"), &TBitmap::staticClass()},
        {qtEncode(testImage(8, 8), "JPG"), &TJPEGImage::staticClass()},
        {recordEmf(20, 10), &TMetafile::staticClass()},
    };
    for (const Case &c : cases) {
        QByteArray copy = c.bytes;
        QBuffer b(&copy);
        b.open(QIODevice::ReadOnly);
        auto g = GetGraphicFormats()->LoadFromStream(b);
        ASSERT_NE(g, nullptr);
        EXPECT_TRUE(g->InheritsFrom(*c.cls)) << g->ClassName().toStdString();
        // The file bytes come back unchanged.
        EXPECT_EQ(g->SaveToBytes(), c.bytes) << g->ClassName().toStdString();
    }
}

TEST(PictureDetection, FailedLoadDoesNotKeepThePreviousPicture)
{
    TPicture pic;
    {
        QByteArray good = fixture("rgba.png");
        QBuffer b(&good);
        b.open(QIODevice::ReadOnly);
        ASSERT_TRUE(GetGraphicFormats()->LoadFromStream(pic, b));
        ASSERT_EQ(pic.Width(), 2);
    }
    QByteArray bad = fixture("rgb_trns.png").left(40);
    QBuffer b(&bad);
    b.open(QIODevice::ReadOnly);
    EXPECT_THROW(GetGraphicFormats()->LoadFromStream(pic, b), EInvalidGraphic);
    ASSERT_NE(pic.Graphic(), nullptr);
    EXPECT_TRUE(pic.Graphic()->Empty());
}

TEST(PictureDrawExt, FittedRectangles)
{
    struct Case {
        TvdxGraphicDrawProps props;
        int gw, gh;
        TRect area;
        double sx, sy;
        TRect expected;
    } cases[] = {
        {{fgdStretch, fgdKeepAspectRatio}, 200, 100, TRect(0, 0, 100, 100), 1, 1, TRect(0, 0, 100, 50)},
        {{fgdStretch, fgdKeepAspectRatio, fgdCenter}, 200, 100, TRect(0, 0, 100, 100), 1, 1, TRect(0, 25, 100, 75)},
        {{fgdStretch, fgdKeepAspectRatio, fgdCenter}, 100, 200, TRect(10, 10, 110, 110), 1, 1, TRect(35, 10, 85, 110)},
        {{fgdStretch}, 200, 100, TRect(5, 5, 50, 60), 1, 1, TRect(5, 5, 50, 60)},
        {{}, 30, 20, TRect(10, 10, 200, 200), 2, 0.5, TRect(10, 10, 70, 20)},
        {{fgdCenter}, 30, 20, TRect(0, 0, 100, 100), 1, 1, TRect(35, 40, 65, 60)},
        // Round half to even: 2.5 -> 2, 3.5 -> 4.
        {{}, 5, 7, TRect(0, 0, 10, 10), 0.5, 0.5, TRect(0, 0, 2, 4)},
        {{fgdStretch, fgdKeepAspectRatio}, 0, 0, TRect(0, 0, 10, 10), 1, 1, TRect(0, 0, 0, 10)},
    };
    for (const Case &c : cases)
        EXPECT_EQ(TvdxCustomGraphicFormat::FitRect(c.props, c.gw, c.gh, c.area, c.sx, c.sy), c.expected)
            << c.gw << "x" << c.gh;
}

TEST(BitmapFormat, RoundTripsAndOracle)
{
    // Bytes made by Qt's writer load into the same pixels as Qt reads them.
    for (QImage::Format f : {QImage::Format_RGB32, QImage::Format_Indexed8, QImage::Format_Mono}) {
        QImage src = testImage(13, 7);
        if (f != QImage::Format_RGB32)
            src = src.convertToFormat(f);
        const QByteArray bytes = qtEncode(src, "BMP");
        TBitmap b;
        b.LoadFromBytes(bytes);
        EXPECT_EQ(b.SaveToBytes(), bytes);
        const QImage oracle = QImage::fromData(bytes, "BMP").convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(b.ToImage().convertToFormat(QImage::Format_RGB32), oracle) << int(f);
        // Re-encoded by us, Qt reads the same pixels back.
        b.ScanLine(0);
        const QByteArray ours = b.SaveToBytes();
        EXPECT_EQ(QImage::fromData(ours, "BMP").convertToFormat(QImage::Format_RGB32), oracle) << int(f);
    }
    TBitmap pal;
    pal.LoadFromBytes(fixture("pal8.bmp"));
    EXPECT_EQ(pal.PixelFormat(), pf8bit);
    EXPECT_EQ(pal.Pixel(0, 0), clRed);
    EXPECT_EQ(pal.Pixel(0, 1), clBlue);
    EXPECT_EQ(pal.Pixel(2, 1), clBlue);
}

TEST(BitmapFormat, FileLayoutsDecodeLikeQt)
{
    struct Case {
        const char *name;
        TPixelFormat pf;
    } cases[] = {
        {"rle8.bmp", pf8bit}, {"topdown24.bmp", pf24bit}, {"rgb565.bmp", pf16bit}, {"pal4.bmp", pf4bit},
        {"pal8.bmp", pf8bit},
    };
    for (const Case &c : cases) {
        const QByteArray bytes = fixture(c.name);
        TBitmap b;
        b.LoadFromBytes(bytes);
        EXPECT_EQ(b.PixelFormat(), c.pf) << c.name;
        EXPECT_EQ(b.SaveToBytes(), bytes) << c.name;
        const QImage oracle = QImage::fromData(bytes, "BMP").convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(oracle.isNull()) << c.name;
        // Qt widens 5- and 6-bit samples by shifting, we scale to the full range.
        EXPECT_LE(maxChannelDiff(b.ToImage(), oracle), 7) << c.name;
        // Written back in its own pixel format, the pixels stay.
        TBitmap again;
        again.LoadFromBytes(b.EncodeBmp());
        EXPECT_EQ(again.PixelFormat(), c.pf) << c.name;
        EXPECT_EQ(again.ToImage(), b.ToImage()) << c.name;
    }
}

TEST(BitmapFormat, ThirtyTwoBitKeepsAlphaBytes)
{
    TBitmap b(2, 1, pf32bit);
    auto *p = reinterpret_cast<QRgb *>(b.ScanLine(0));
    p[0] = 0x80102030u;
    p[1] = 0x00ffffffu;
    TBitmap c;
    c.LoadFromBytes(b.SaveToBytes());
    EXPECT_EQ(c.PixelFormat(), pf32bit);
    EXPECT_EQ(reinterpret_cast<const QRgb *>(c.ScanLine(0))[0], 0x80102030u);
    EXPECT_EQ(reinterpret_cast<const QRgb *>(c.ScanLine(0))[1], 0x00ffffffu);
    auto alpha = TvdxBitmapGraphicFormat::Class()->GetAlphaBitmap(&c);
    ASSERT_NE(alpha, nullptr);
    EXPECT_EQ(alpha->PixelFormat(), pf8bit);
    EXPECT_EQ(alpha->ScanLine(0)[0], 0x80);
    EXPECT_EQ(alpha->ScanLine(0)[1], 0);
}

TEST(PngFormat, DecodesLikeQt)
{
    for (const char *name : {"rgb_trns.png", "rgba.png", "palette4_trns.png", "gray_trns.png", "rgb16.png"}) {
        const QByteArray bytes = fixture(name);
        TPngImage png;
        png.LoadFromBytes(bytes);
        EXPECT_EQ(png.SaveToBytes(), bytes) << name;
        const QImage oracle = QImage::fromData(bytes, "PNG").convertToFormat(QImage::Format_ARGB32_Premultiplied);
        ASSERT_FALSE(oracle.isNull()) << name;
        EXPECT_EQ(png.ToImage().convertToFormat(QImage::Format_ARGB32_Premultiplied), oracle) << name;
        // Our encoding of the same picture decodes to the same pixels in Qt.
        const QImage again = QImage::fromData(png.Encode(), "PNG").convertToFormat(QImage::Format_ARGB32_Premultiplied);
        EXPECT_EQ(again, oracle) << name;
    }
}

TEST(PngFormat, TransparencyKinds)
{
    struct Case {
        const char *name;
        TPNGTransparencyMode mode;
        TColor transparent;
        TPixelFormat pf;
    } cases[] = {
        {"rgb_trns.png", ptmBit, clRed, pf24bit},
        {"rgba.png", ptmPartial, clNone, pf32bit},
        {"palette4_trns.png", ptmBit, clWhite, pf8bit},
        {"gray_trns.png", ptmBit, clBlack, pf4bit},
        {"rgb16.png", ptmNone, clNone, pf24bit},
    };
    for (const Case &c : cases) {
        TPngImage png;
        png.LoadFromBytes(fixture(c.name));
        EXPECT_EQ(png.TransparencyMode(), c.mode) << c.name;
        EXPECT_EQ(TvdxPNGGraphicFormat::Class()->GetTransparentColor(&png), c.transparent) << c.name;
        EXPECT_EQ(TvdxPNGGraphicFormat::Class()->GetGraphicProps(&png).PixelFormat, c.pf) << c.name;
        EXPECT_EQ(TvdxPNGGraphicFormat::Class()->HasAlphaChanel(&png), c.mode == ptmPartial) << c.name;
        EXPECT_EQ(TvdxPNGGraphicFormat::Class()->HasMaskColor(&png), c.mode == ptmBit) << c.name;
    }
}

TEST(PngFormat, PremultipliedBitmap)
{
    TPngImage png;
    png.LoadFromBytes(fixture("rgba.png"));
    auto bmp = TvdxPNGGraphicFormat::Class()->ConvertToBitmap(&png, pf32bit);
    ASSERT_EQ(bmp->PixelFormat(), pf32bit);
    const uchar *px = bmp->ScanLine(0);
    EXPECT_EQ((std::vector<int>{px[0], px[1], px[2], px[3]}), (std::vector<int>{25, 50, 100, 128}));
    EXPECT_EQ((std::vector<int>{px[4], px[5], px[6], px[7]}), (std::vector<int>{0, 0, 0, 0}));

    // Back into a PNG the colour is divided by its alpha; alpha 0 comes back black.
    auto back = TvdxPNGGraphicFormat::Class()->ConvertFrom(bmp.get(), pf32bit, 100);
    auto *p2 = dynamic_cast<TPngImage *>(back.get());
    ASSERT_NE(p2, nullptr);
    EXPECT_EQ(p2->ColorType(), COLOR_RGBALPHA);
    const QRgb c0 = p2->Pixels().pixel(0, 0), c1 = p2->Pixels().pixel(1, 0);
    EXPECT_EQ(qAlpha(c0), 128);
    EXPECT_NEAR(qRed(c0), 200, 2);
    EXPECT_NEAR(qGreen(c0), 100, 2);
    EXPECT_NEAR(qBlue(c0), 50, 2);
    EXPECT_EQ(c1, 0u);

    // Composed over black for a bitmap without alpha.
    auto flat = TvdxPNGGraphicFormat::Class()->ConvertToBitmap(&png, pf24bit);
    EXPECT_EQ(flat->Pixel(1, 0), clBlack);
    EXPECT_NEAR(GetRValue(flat->Pixel(0, 0)), 100, 2);
}

TEST(PngFormat, TransparentColourBecomesAlphaInTheAlphaCopy)
{
    TPngImage png;
    png.LoadFromBytes(fixture("rgb_trns.png"));
    auto rgba = MakeRGBAlphaPng(&png);
    EXPECT_EQ(qAlpha(rgba->Pixels().pixel(0, 0)), 0);   // red: transparent colour
    EXPECT_EQ(qAlpha(rgba->Pixels().pixel(1, 0)), 255); // blue
    auto mask = TvdxPNGGraphicFormat::Class()->GetAlphaBitmap(&png);
    EXPECT_EQ(mask->ScanLine(0)[0], 0);
    EXPECT_EQ(mask->ScanLine(0)[1], 255);
}

TEST(PngFormat, NewPicturesAndCanvasHelper)
{
    auto g = TvdxPNGGraphicFormat::Class()->CreateNew(4, 3, pf4bit, false, 100);
    auto *png = dynamic_cast<TPngImage *>(g.get());
    ASSERT_NE(png, nullptr);
    EXPECT_TRUE(png->InheritsFrom(TPNGObject::staticClass()));
    EXPECT_EQ(png->ColorType(), COLOR_GRAYSCALE);
    EXPECT_EQ(TvdxPNGGraphicFormat::Class()->GetGraphicProps(png).PixelFormat, pf4bit);

    // Drawing through the helper of a PNG with alpha keeps the alpha.
    TPngImage rgba;
    rgba.LoadFromBytes(fixture("rgba.png"));
    {
        auto h = TvdxPNGGraphicFormat::Class()->CreateCanvasHelper(&rgba);
        Canvas &c = h->GetCanvas();
        EXPECT_NE(h->GetCanvasGraphic(), nullptr);
        c.brush().color = clBlue;
        c.FillRect(TRect(1, 0, 2, 1));
    }
    EXPECT_EQ(rgba.Pixels().pixel(1, 0), qRgba(0, 0, 255, 255));
    EXPECT_EQ(qAlpha(rgba.Pixels().pixel(0, 0)), 128);

    // Scaling keeps the format's alpha.
    auto scaled = GetGraphicFormats()->ScaleGraphicToNew(&rgba, 4, 2);
    ASSERT_NE(scaled, nullptr);
    EXPECT_EQ(scaled->Width(), 4);
    EXPECT_EQ(static_cast<TPngImage *>(scaled.get())->ColorType(), COLOR_RGBALPHA);
}

TEST(JpegFormat, QualityAndGreyscale)
{
    const QImage src = testImage(64, 48);
    TBitmap bmp;
    bmp.SetImage(src, pf24bit);
    auto lo = GetGraphicFormats()->Convert(&bmp, QStringLiteral("JPG"), pf24bit, 20);
    auto hi = GetGraphicFormats()->Convert(&bmp, QStringLiteral("JPG"), pf24bit, 95);
    ASSERT_NE(lo, nullptr);
    ASSERT_NE(hi, nullptr);
    EXPECT_EQ(TvdxJPEGPictureFormat::Class()->GetGraphicProps(lo.get()).Quality, 20);
    const QByteArray loBytes = lo->SaveToBytes(), hiBytes = hi->SaveToBytes();
    EXPECT_LT(loBytes.size(), hiBytes.size());
    // Qt's decoder reads what we wrote.
    const QImage fromQt = QImage::fromData(hiBytes, "JPG");
    ASSERT_EQ(fromQt.size(), src.size());

    auto grey = GetGraphicFormats()->Convert(&bmp, QStringLiteral("JPG"), pf8bit, 50);
    auto *gj = dynamic_cast<TJPEGImage *>(grey.get());
    ASSERT_NE(gj, nullptr);
    EXPECT_EQ(gj->PixelFormat(), jf8Bit);
    EXPECT_EQ(gj->CompressionQuality(), 50);
    EXPECT_EQ(TvdxJPEGPictureFormat::Class()->GetGraphicProps(gj).PixelFormat, pf8bit);
    const QImage g = QImage::fromData(gj->SaveToBytes(), "JPG");
    EXPECT_TRUE(g.isGrayscale());
    TJPEGImage reloaded;
    reloaded.LoadFromBytes(gj->SaveToBytes());
    EXPECT_EQ(reloaded.PixelFormat(), jf8Bit);
}

TEST(JpegFormat, DecodesLikeQtAndKeepsBytes)
{
    const QByteArray bytes = qtEncode(testImage(40, 30), "JPG", 85);
    TJPEGImage j;
    j.LoadFromBytes(bytes);
    EXPECT_EQ(j.SaveToBytes(), bytes);
    const QImage ours = j.ToImage().convertToFormat(QImage::Format_RGB32);
    const QImage qt = QImage::fromData(bytes, "JPG").convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(ours.size(), qt.size());
    int worst = 0;
    for (int y = 0; y < qt.height(); ++y)
        for (int x = 0; x < qt.width(); ++x) {
            const QRgb a = ours.pixel(x, y), b = qt.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                              std::abs(qBlue(a) - qBlue(b))});
        }
    EXPECT_LE(worst, 2);
}

TEST(JpegFormat, ConvertFromPngGoesThroughABitmap)
{
    TPngImage png;
    png.LoadFromBytes(fixture("rgba.png"));
    auto j = GetGraphicFormats()->Convert(&png, QStringLiteral("JPG"), pf32bit, 80);
    auto *jp = dynamic_cast<TJPEGImage *>(j.get());
    ASSERT_NE(jp, nullptr);
    EXPECT_EQ(jp->PixelFormat(), jf24Bit);
    EXPECT_EQ(jp->CompressionQuality(), 80);
    EXPECT_EQ(jp->Width(), 2);

    auto scaled = GetGraphicFormats()->ScaleGraphicToNew(jp, 8, 6);
    ASSERT_NE(scaled, nullptr);
    EXPECT_EQ(scaled->Width(), 8);
    EXPECT_EQ(static_cast<TJPEGImage *>(scaled.get())->CompressionQuality(), 80);
}

TEST(IcoFormat, LoadsAndConverts)
{
    const QByteArray bytes = fixture("two.ico");
    TIcon ico;
    ico.LoadFromBytes(bytes);
    EXPECT_EQ(ico.Width(), 2);
    EXPECT_EQ(ico.SaveToBytes(), bytes);
    const QImage img = ico.ToImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(img.pixel(0, 0), qRgba(255, 0, 0, 255));
    EXPECT_EQ(qAlpha(img.pixel(1, 0)), 128);
    EXPECT_EQ(qAlpha(img.pixel(0, 1)), 0);
    // Qt's own reader agrees on the opaque pixels.
    const QImage qt = QImage::fromData(bytes, "ICO").convertToFormat(QImage::Format_ARGB32);
    if (!qt.isNull()) {
        EXPECT_EQ(qt.pixel(0, 0), img.pixel(0, 0));
        EXPECT_EQ(qt.pixel(1, 1), img.pixel(1, 1));
    }
    auto bmp = TvdxICOGraphicFormat::Class()->ConvertToBitmap(&ico, pf32bit);
    EXPECT_EQ(bmp->Width(), 2);
    EXPECT_EQ(bmp->Pixel(1, 1), clBlue);

    // Our own encoding reads back the same.
    TIcon again;
    again.LoadFromBytes(TIcon::EncodeIcon(img));
    EXPECT_EQ(again.ToImage(), ico.ToImage());
}

TEST(PictureBadInput, ClearErrorsNoCrash)
{
    const QByteArray png = fixture("rgb_trns.png");
    const QByteArray jpg = qtEncode(testImage(32, 32), "JPG");
    const QByteArray bmp = fixture("pal8.bmp");
    const QByteArray ico = fixture("two.ico");
    const QByteArray emf = recordEmf(10, 10);
    QByteArray hugePng = png;
    // IHDR width 0x7fffffff (the CRC is wrong as well: either error is fine).
    hugePng[16] = 0x7f; hugePng[17] = char(0xff); hugePng[18] = char(0xff); hugePng[19] = char(0xff);
    QByteArray hugeBmp = bmp;
    hugeBmp[18] = char(0xff); hugeBmp[19] = char(0xff); hugeBmp[20] = char(0xff); hugeBmp[21] = 0x0f;
    QByteArray badEmfRecord = emf;
    badEmfRecord[int(qFromLittleEndian<uint32_t>(emf.constData() + 4)) + 4] = char(0xf0);
    QByteArray wmf = QByteArray("\xD7\xCD\xC6\x9A", 4) + QByteArray(18, '\0');

    struct Case {
        const char *what;
        std::function<void()> load;
    } cases[] = {
        {"png truncated", [&] { TPngImage p; p.LoadFromBytes(png.left(png.size() - 20)); }},
        {"png header only", [&] { TPngImage p; p.LoadFromBytes(png.left(8)); }},
        {"png huge", [&] { TPngImage p; p.LoadFromBytes(hugePng); }},
        {"jpeg truncated", [&] { TJPEGImage j; j.LoadFromBytes(jpg.left(jpg.size() / 2)); }},
        {"jpeg soi only", [&] { TJPEGImage j; j.LoadFromBytes(jpg.left(2)); }},
        {"bmp truncated", [&] { TBitmap b; b.LoadFromBytes(bmp.left(60)); }},
        {"bmp huge", [&] { TBitmap b; b.LoadFromBytes(hugeBmp); }},
        {"ico truncated", [&] { TIcon i; i.LoadFromBytes(ico.left(30)); }},
        {"ico dir only", [&] { TIcon i; i.LoadFromBytes(ico.left(22)); }},
        {"emf truncated", [&] { TMetafile m; m.LoadFromBytes(emf.left(emf.size() - 4)); }},
        {"emf bad record", [&] { TMetafile m; m.LoadFromBytes(badEmfRecord); }},
        {"wmf header only", [&] { TMetafile m; m.LoadFromBytes(wmf); }},
    };
    for (const Case &c : cases) {
        try {
            c.load();
            ADD_FAILURE() << c.what << " loaded";
        } catch (const Exception &e) {
            EXPECT_FALSE(e.message().isEmpty()) << c.what;
        }
    }
}

namespace {

// A driver of no real format, to place in the registry.
class TestFormat : public TvdxCustomGraphicFormat {
    VD_GRAPHIC_FORMAT(TestFormat)
public:
    TGraphicClassRef GetGraphicClass() const override { return &TBitmap::staticClass(); }
    QString GetGraphicName() const override { return QStringLiteral("TEST"); }
    QString GetGraphicExt() const override { return QStringLiteral(".tst"); }
    QString GetGraphicMime() const override { return QStringLiteral("image/x-test"); }
    int GetGraphicConst() const override { return 99; }
    bool IsSupportedFormat(QIODevice &) const override { return false; }
};

void registerTestAtSvgPlace()
{
    GetGraphicFormats()->RegisterFormat(TestFormat::Class());
}

} // namespace

TEST(PictureRegistry, LateModulesTakeTheirPlaceAndEmptyRegistryGoes)
{
    // Runs in a child process: it tears the process-wide registry down. The
    // child is a fresh run of this test alone: a plain fork of a process whose
    // earlier tests started threads inherits their half-held state.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            TvdxGraphicFormats *r = GetGraphicFormats();
            vdAddPictureFormatStartup(vdStartupSVG, &registerTestAtSvgPlace);
            const QStringList names = r->BuildFormatsStrings(stName);
            const int at = int(names.indexOf(QStringLiteral("TEST")));
            bool ok = at > names.indexOf(QStringLiteral("PNG")) && at == names.indexOf(QStringLiteral("ICO")) - 1;
            // A plain registration goes last; a driver registered twice is listed twice.
            r->RegisterFormat(TestFormat::Class());
            ok = ok && r->GetItem(r->Count() - 1) == TestFormat::Class() && r->Count() == names.size() + 1;
            while (GetGraphicFormats() == r && r->Count() > 0)
                r->UnregisterFormat(r->GetItem(0));
            TvdxGraphicFormats *fresh = GetGraphicFormats();
            ok = ok && fresh->Count() == 0 && fresh->FindByName(QStringLiteral("PNG")) == nullptr
              && fresh->FindByConst(vdGraphicBMP) == nullptr;
            std::exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(PictureRegistry, PictureClassesByExtensionAndName)
{
    EXPECT_EQ(TPicture::GraphicClassOfExtension(QStringLiteral(".PNG")), &TPngImage::staticClass());
    EXPECT_EQ(TPicture::GraphicClassOfExtension(QStringLiteral("jpeg")), &TJPEGImage::staticClass());
    EXPECT_EQ(TPicture::GraphicClassByName(QStringLiteral("TPNGObject")), &TPNGObject::staticClass());
    EXPECT_EQ(TPicture::GraphicClassByName(QStringLiteral("TIcon")), &TIcon::staticClass());
    EXPECT_EQ(TPicture::GraphicClassByName(QStringLiteral("TNothing")), nullptr);
}

TEST(PictureDrawExt, ClipKeepsThePictureInsideAndIsRestored)
{
    TBitmap b(200, 100, pf24bit);
    b.Fill(clRed);
    QImage img(300, 300, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainterCanvas c(img);
    TvdxDrawGraphicExt props;
    props.DrawProps = {fgdClip};
    GetGraphicFormats()->DrawExt(props, c, &b, TRect(10, 10, 60, 60), 1, 1);
    EXPECT_FALSE(c.HasClip());
    EXPECT_EQ(img.pixel(59, 59), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(60, 30), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(30, 60), qRgb(255, 255, 255));
    // Stretched with kept aspect and centred: 200 x 100 into 100 x 100 at (100, 100).
    props.DrawProps = {fgdStretch, fgdKeepAspectRatio, fgdCenter};
    GetGraphicFormats()->DrawExt(props, c, &b, TRect(100, 100, 200, 200), 1, 1);
    EXPECT_EQ(img.pixel(150, 124), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(150, 125), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(150, 174), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(150, 175), qRgb(255, 255, 255));
}

TEST(PictureMask, MaskBitmapOfTheMaskColour)
{
    TBitmap b(3, 1, pf24bit);
    b.SetPixel(0, 0, clLime);
    b.SetPixel(1, 0, clBlue);
    b.SetPixel(2, 0, clLime);
    auto mask = TvdxBitmapGraphicFormat::Class()->GetMaskBitmap(&b, clLime);
    ASSERT_NE(mask, nullptr);
    EXPECT_EQ(mask->PixelFormat(), pf8bit);
    const uchar *m = mask->ScanLine(0);
    EXPECT_EQ((std::vector<int>{m[0], m[1], m[2]}), (std::vector<int>{0, 255, 0}));
}
