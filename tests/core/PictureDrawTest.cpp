// Drawing pictures: the transparent and print paths, dithered masks, metafile
// rectangles and PNG transparency inside recorded metafiles.
#include "core/vdGraphicUtils.h"
#include "core/vdMetafileGraphics.h"
#include "core/vdPNGGraphics.h"
#include "core/vdPictureGraphics.h"
#include "core/vdWinGraphicUtils.h"
#include "common/TestSupport.h"
#include "platform/EmfRecorderCanvas.h"
#include "platform/QPainterCanvas.h"
#include <QBuffer>
#include <QImage>
#include <gtest/gtest.h>

namespace {

QByteArray fixture(const char *name)
{
    return vdtest::readFile(vdtest::dataPath(QStringLiteral("pictures/") + QLatin1String(name)));
}

// Records the bitmap calls a driver makes; draws nothing.
class RecordingCanvas : public Canvas {
public:
    explicit RecordingCanvas(CanvasKind kind) : Canvas(kind, 600, 600) {}
    struct Call {
        const char *what;
        TRect dest;
        QImage image;
        std::uint32_t rop = 0;
    };
    std::vector<Call> calls;

    void LineTo(int, int) override {}
    void Polyline(std::span<const TPoint>) override {}
    void PolyBezier(std::span<const TPoint>) override {}
    void Polygon(std::span<const TPoint>) override {}
    void PolyPolygon(std::span<const TPoint>, std::span<const int>) override {}
    void Rectangle(const TRect &) override {}
    void RoundRect(const TRect &, int, int) override {}
    void Ellipse(const TRect &) override {}
    void Arc(const TRect &, TPoint, TPoint) override {}
    void Pie(const TRect &, TPoint, TPoint) override {}
    void Chord(const TRect &, TPoint, TPoint) override {}
    void FillRect(const TRect &) override {}
    void FrameRect(const TRect &) override {}
    void DrawPath(const QPainterPath &, bool, bool) override {}
    void ExtTextOut(int, int, unsigned, const TRect *, const QString &, std::span<const int>) override {}
    void StretchDIBits(const TRect &dest, const QImage &image, const TRect &, std::uint32_t rop) override
    {
        calls.push_back({"StretchDIBits", dest, image, rop});
    }
    void AlphaBlend(const TRect &dest, const QImage &image, const TRect &, int, bool) override
    {
        calls.push_back({"AlphaBlend", dest, image, 0});
    }
};

QImage whiteImage(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
}

// Columns and rows that differ from white.
TRect paintedBox(const QImage &img)
{
    TRect r(img.width(), img.height(), -1, -1);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if ((img.pixel(x, y) & 0xffffff) != 0xffffff) {
                r.Left = std::min(r.Left, x);
                r.Top = std::min(r.Top, y);
                r.Right = std::max(r.Right, x + 1);
                r.Bottom = std::max(r.Bottom, y + 1);
            }
    return r;
}

struct PrinterCapsScope {
    explicit PrinterCapsScope(TvdDeviceCaps caps) { vdSetPrinterDeviceCaps(caps); }
    ~PrinterCapsScope() { vdSetPrinterDeviceCaps(TvdDeviceCaps{true, true, 24}); }
};

} // namespace

TEST(PictureDither, OrderedDitherThresholds)
{
    for (int v : {0, 255, 128}) {
        TBitmap b(8, 8, pf8bit);
        for (int y = 0; y < 8; ++y)
            std::fill_n(b.ScanLine(y), 8, uchar(v));
        OrderedDither(b);
        int zeros = 0;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                const uchar p = b.ScanLine(y)[x];
                EXPECT_TRUE(p == 0 || p == 255);
                zeros += p == 0;
            }
        EXPECT_EQ(zeros, v == 0 ? 64 : v == 255 ? 0 : 31) << v;
    }
    EXPECT_EQ(OrderedDitherThreshold(0, 0), 10);
    EXPECT_EQ(OrderedDitherThreshold(1, 0), 192);
    EXPECT_EQ(OrderedDitherThreshold(7, 7), 84);
}

TEST(PictureDraw, CanAlphaBlendByDevice)
{
    EXPECT_FALSE(CanAlphaBlend(TvdDeviceCaps{true, false, 8}));
    EXPECT_TRUE(CanAlphaBlend(TvdDeviceCaps{true, false, 24}));
    EXPECT_TRUE(CanAlphaBlend(TvdDeviceCaps{true, true, 8}));
    EXPECT_TRUE(CanAlphaBlend(TvdDeviceCaps{false, false, 1}));
    QImage img = whiteImage(4, 4);
    QPainterCanvas screen(img);
    EXPECT_TRUE(CanAlphaBlend(screen));
}

TEST(PictureDraw, TransparentBitmapLeavesMaskColourUntouched)
{
    TBitmap b(2, 1, pf24bit);
    b.SetPixel(0, 0, clWhite);
    b.SetPixel(1, 0, clRed);
    b.SetTransparent(true);
    QImage img(2, 1, QImage::Format_RGB32);
    img.fill(qRgb(0, 255, 0));
    {
        QPainterCanvas c(img);
        c.brush().color = clBlack;
        DrawPicture(c, TRect(0, 0, 2, 1), &b, nullptr, clWhite, true, false, false);
        EXPECT_EQ(c.brush().color, clWhite);
    }
    EXPECT_EQ(img.pixel(0, 0), qRgb(0, 255, 0));
    EXPECT_EQ(img.pixel(1, 0), qRgb(255, 0, 0));
}

TEST(PictureDraw, PrintQualityGoesAsThirtyTwoBitDib)
{
    TBitmap b(3, 2, pf24bit);
    b.Fill(clBlue);
    RecordingCanvas printer(CanvasKind::Printer);
    TvdxBitmapGraphicFormat::Class()->Draw(printer, &b, TRect(0, 0, 30, 20), gqPrint);
    ASSERT_EQ(printer.calls.size(), 1u);
    EXPECT_STREQ(printer.calls[0].what, "StretchDIBits");
    EXPECT_EQ(printer.calls[0].rop, SRCCOPY);
    EXPECT_EQ(printer.calls[0].image.depth(), 32);
    EXPECT_EQ(printer.calls[0].dest, TRect(0, 0, 30, 20));
}

TEST(PictureDraw, PngAlphaOnPrinterThatCannotBlendIsMasked)
{
    TPngImage png;
    png.LoadFromBytes(fixture("rgba.png"));
    {
        RecordingCanvas screen(CanvasKind::Screen);
        TvdxPNGGraphicFormat::Class()->Draw(screen, &png, TRect(0, 0, 2, 1), gqHiQuality);
        ASSERT_EQ(screen.calls.size(), 1u);
        EXPECT_STREQ(screen.calls[0].what, "AlphaBlend");
        EXPECT_EQ(qAlpha(screen.calls[0].image.pixel(0, 0)), 128); // real blending
    }
    PrinterCapsScope caps(TvdDeviceCaps{true, false, 8});
    RecordingCanvas printer(CanvasKind::Printer);
    TvdxPNGGraphicFormat::Class()->Draw(printer, &png, TRect(0, 0, 2, 1), gqPrint);
    ASSERT_FALSE(printer.calls.empty());
    // Only fully opaque or fully clear pixels reach a printer that cannot blend.
    for (const auto &call : printer.calls) {
        const QImage img = call.image.convertToFormat(QImage::Format_ARGB32);
        for (int x = 0; x < img.width(); ++x) {
            const int a = qAlpha(img.pixel(x, 0));
            EXPECT_TRUE(a == 0 || a == 255) << a;
        }
    }
}

TEST(PictureDraw, PngTransparentColourSurvivesAMetafile)
{
    TPngImage png;
    png.LoadFromBytes(fixture("rgb_trns.png"));
    EmfRecorderCanvas rec(40, 20);
    TvdxPNGGraphicFormat::Class()->Draw(rec, &png, TRect(0, 0, 40, 20), gqDefault);
    TvdxMetafile mf;
    mf.LoadFromBytes(rec.finish());
    QImage out(40, 20, QImage::Format_RGB32);
    out.fill(qRgb(0, 255, 0));
    {
        QPainterCanvas c(out);
        mf.Draw(c, TRect(0, 0, 40, 20));
    }
    // Pixel (0, 0) of the picture is the transparent red; (1, 0) is blue.
    EXPECT_EQ(out.pixel(5, 5), qRgb(0, 255, 0));
    EXPECT_EQ(out.pixel(15, 5), qRgb(0, 0, 255));
    EXPECT_EQ(out.pixel(5, 15), qRgb(0, 0, 255));
}

TEST(MetafileFormat, LibraryMetafilePlaysIntoTheExactRectangle)
{
    EmfRecorderCanvas rec(100, 50);
    rec.brush().color = clRed;
    rec.FillRect(TRect(0, 0, 100, 50));
    const QByteArray bytes = rec.finish();

    TMetafile plain;
    plain.LoadFromBytes(bytes);
    TvdxMetafile exact;
    exact.LoadFromBytes(bytes);
    EXPECT_EQ(plain.Width(), 100);
    EXPECT_EQ(plain.Height(), 50);

    auto boxOf = [](const TMetafile &m) {
        QImage img = whiteImage(200, 100);
        {
            QPainterCanvas c(img);
            m.Draw(c, TRect(10, 10, 110, 60));
        }
        return paintedBox(img);
    };
    EXPECT_EQ(boxOf(exact), TRect(10, 10, 110, 60));
    const TRect p = boxOf(plain);
    EXPECT_EQ(p.Left, 10);
    EXPECT_EQ(p.Top, 10);
    EXPECT_LT(p.Right, 110);
    EXPECT_LT(p.Bottom, 60);
}

TEST(MetafileFormat, DetectionAndDrivers)
{
    EmfRecorderCanvas rec(30, 20);
    rec.brush().color = clBlue;
    rec.FillRect(TRect(0, 0, 15, 20));
    const QByteArray bytes = rec.finish();
    TPicture pic;
    QByteArray copy = bytes;
    QBuffer buf(&copy);
    buf.open(QIODevice::ReadOnly);
    ASSERT_TRUE(GetGraphicFormats()->LoadFromStream(pic, buf));
    EXPECT_EQ(pic.Graphic()->ClassName(), QStringLiteral("TMetafile"));
    EXPECT_EQ(pic.Graphic()->SaveToBytes(), bytes);

    // Rasterised as 32 bits, only the painted half is covered.
    auto bmp = TvdxEMFGraphicFormat::Class()->ConvertToBitmap(pic.Graphic(), pf32bit);
    ASSERT_NE(bmp, nullptr);
    EXPECT_EQ(qAlpha(reinterpret_cast<const QRgb *>(bmp->ScanLine(5))[3]), 255);
    EXPECT_EQ(qAlpha(reinterpret_cast<const QRgb *>(bmp->ScanLine(5))[25]), 0);

    // A new metafile whose canvas is released unused stays empty at its size.
    auto fresh = GetGraphicFormats()->FindByName(QStringLiteral("VDEMF"))->CreateNew(40, 30, pf24bit, false, 100);
    {
        auto h = TvdxVDEMFGraphicFormat::Class()->CreateCanvasHelper(fresh.get());
        h->ReleaseCanvas();
    }
    EXPECT_TRUE(fresh->Empty());
    EXPECT_EQ(fresh->Width(), 40);
    EXPECT_TRUE(fresh->InheritsFrom(TvdxMetafile::staticClass()));

    // A PNG converted to a metafile draws as a bitmap at the origin.
    TPngImage png;
    png.LoadFromBytes(fixture("rgb_trns.png"));
    auto mf = GetGraphicFormats()->Convert(&png, QStringLiteral("EMF"), pf24bit, 100);
    ASSERT_NE(mf, nullptr);
    EXPECT_EQ(mf->Width(), 4);
    EXPECT_FALSE(mf->Empty());
}

TEST(PictureDraw, PngTransparentColourAtPrintQualityIsMaskedOut)
{
    TPngImage png;
    png.LoadFromBytes(fixture("rgb_trns.png"));
    RecordingCanvas printer(CanvasKind::Printer);
    TvdxPNGGraphicFormat::Class()->Draw(printer, &png, TRect(0, 0, 4, 2), gqPrint);
    ASSERT_EQ(printer.calls.size(), 1u);
    const QImage img = printer.calls[0].image.convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0);   // red: the tRNS colour
    EXPECT_EQ(qAlpha(img.pixel(1, 0)), 255); // blue
    EXPECT_EQ(img.pixel(1, 0) & 0xffffff, 0x0000ffu);
}

TEST(PngFormat, PaletteOfUnknownBitDepth)
{
    TPngImage png;
    png.CreateBlank(COLOR_PALETTE, 16, 2, 2);
    try {
        MakeRGBAlphaPng(&png);
        FAIL();
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Unknown PNG BitDepth"));
    }
}
