#include "core/vdGZip.h"
#include "core/vdGraphics.h"
#include "core/vdImageList.h"
#include "core/vdResources.h"
#include "core/vdxRes.h"
#include "core/vdxUtils.h"
#include "platform/UiProvider.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>
#include <zlib.h>

namespace {

QByteArray unpack(QByteArray packed)
{
    QBuffer src(&packed);
    src.open(QIODevice::ReadOnly);
    QBuffer dst;
    dst.open(QIODevice::ReadWrite);
    GUnzipStream(src, dst);
    return dst.data();
}

TEST(PackedStrips, EachUnpacksToABmpWhoseChecksumIsTheTimeField)
{
    struct Case { const char *name; int width; int height; };
    const Case cases[] = {{"DesgnButtons", 256, 160}, {"ObjectButtons", 256, 80},
                          {"PreviewButtons", 256, 48}, {"WizardButtons", 256, 64}};
    for (const Case &c : cases) {
        const QByteArray packed = vdLoadRawResource(c.name);
        ASSERT_GT(packed.size(), 18) << c.name;
        EXPECT_EQ(packed.left(3), QByteArray("\x1F\x8B\x08")) << c.name;
        const QByteArray bmp = unpack(packed);
        const uLong adler = adler32(adler32(0, nullptr, 0), reinterpret_cast<const Bytef *>(bmp.constData()),
                                    static_cast<uInt>(bmp.size()));
        const auto *m = reinterpret_cast<const uchar *>(packed.constData() + 4);
        EXPECT_EQ((uLong(m[0]) << 24) | (uLong(m[1]) << 16) | (uLong(m[2]) << 8) | uLong(m[3]), adler) << c.name;
        // Qt's own BMP decoder as the second opinion.
        const QImage img = QImage::fromData(bmp, "BMP");
        EXPECT_EQ(img.size(), QSize(c.width, c.height)) << c.name;
    }
}

TEST(PackedStrips, DamagedInputFailsAndWritesNothing)
{
    const QByteArray good = vdLoadRawResource("WizardButtons");
    QByteArray badBody = good;
    badBody[good.size() / 2] = static_cast<char>(badBody[good.size() / 2] ^ 0x55);
    QByteArray badSum = good;
    badSum[5] = static_cast<char>(badSum[5] ^ 1);
    const QByteArray notGzip = QByteArray("BM") + good.mid(2);
    const QByteArray tiny("\x1F\x8B\x08\x00", 4);
    for (QByteArray input : {badBody, badSum, notGzip, tiny, QByteArray()}) {
        QBuffer src(&input);
        src.open(QIODevice::ReadOnly);
        QBuffer dst;
        dst.open(QIODevice::ReadWrite);
        EXPECT_THROW(GUnzipStream(src, dst), EZDecompressionError);
        EXPECT_EQ(dst.size(), 0);
    }
}

TEST(ZCompress, RoundTripsThroughZlibAtEveryLevel)
{
    QByteArray data;
    for (int i = 0; i < 200000; ++i)
        data.append(static_cast<char>((i * 7) % 251));
    for (TvdCompressionLevel level : {TvdCompressionLevel::clNone, TvdCompressionLevel::clFastest,
                                      TvdCompressionLevel::clDefault, TvdCompressionLevel::clMax}) {
        QBuffer src(&data);
        src.open(QIODevice::ReadOnly);
        src.seek(1000); // compression starts from the beginning anyway
        QBuffer dst;
        dst.open(QIODevice::ReadWrite);
        ZCompressStream(src, dst, level);
        const QByteArray z = dst.data();
        EXPECT_EQ(static_cast<uchar>(z[0]) & 0x0F, 8);
        uLongf outLen = static_cast<uLongf>(data.size());
        QByteArray out(data.size(), '\0');
        ASSERT_EQ(uncompress(reinterpret_cast<Bytef *>(out.data()), &outLen,
                             reinterpret_cast<const Bytef *>(z.constData()), static_cast<uLong>(z.size())),
                  Z_OK);
        EXPECT_EQ(out, data);
    }
}

TEST(ImageStrips, CuttingIntoTiles)
{
    struct Case { int width; int height; int expected; };
    const Case cases[] = {{160, 16, 10}, {168, 16, 11}, {160, 32, 20}, {160, 20, 20}, {15, 16, 1}};
    for (const Case &c : cases) {
        QImage img(c.width, c.height, QImage::Format_RGB32);
        img.fill(QColor(255, 0, 255));
        TvdBitmap strip;
        strip.SetImage(img, pf24bit);
        TvdImageList list, disabled;
        SplitImageStrip(strip, 16, 16, &disabled, list);
        EXPECT_EQ(list.Count(), c.expected) << c.width << "x" << c.height;
        EXPECT_EQ(disabled.Count(), c.expected);
        TvdImageList only;
        SplitImageStrip(strip, 16, 16, nullptr, only);
        EXPECT_EQ(only.Count(), c.expected);
    }
}

TEST(ImageStrips, TilesAreMaskedByTheirBottomLeftPixel)
{
    QImage img(32, 16, QImage::Format_RGB32);
    img.fill(QColor(128, 128, 0));
    img.setPixel(5, 5, qRgb(0, 0, 0));
    img.setPixel(16, 15, qRgb(255, 255, 255)); // second tile's mask colour is white
    TvdBitmap strip;
    strip.SetImage(img, pf24bit);
    TvdImageList list, disabled;
    SplitImageStrip(strip, 16, 16, &disabled, list);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(qAlpha(list.Image(0).pixel(0, 0)), 0);
    EXPECT_EQ(list.Image(0).pixel(5, 5), qRgb(0, 0, 0));
    EXPECT_EQ(qAlpha(list.Image(1).pixel(0, 15)), 0);
    EXPECT_EQ(qAlpha(list.Image(1).pixel(3, 3)), 255); // olive is ordinary here
    EXPECT_EQ(disabled.Image(0).pixel(5, 5), qRgb(150, 150, 150));
    EXPECT_EQ(qAlpha(disabled.Image(0).pixel(0, 0)), 0);
}

TEST(ImageStrips, MakeDisabledGreys)
{
    struct Case { QRgb in; int grey; };
    const Case cases[] = {{qRgb(0, 0, 0), 150}, {qRgb(255, 255, 255), 235}, {qRgb(255, 0, 0), 178},
                          {qRgb(128, 128, 0), 178}, {qRgb(1, 1, 2), 150}, {qRgb(9, 9, 9), 153}};
    for (const Case &c : cases) {
        TvdBitmap bmp(1, 1);
        QImage img(1, 1, QImage::Format_RGB32);
        img.setPixel(0, 0, c.in);
        bmp.SetImage(img, pf24bit);
        bmp.MakeDisabled();
        EXPECT_EQ(bmp.Image().pixel(0, 0) & 0xFFFFFF, qRgb(c.grey, c.grey, c.grey) & 0xFFFFFF) << std::hex << c.in;
    }
}

TEST(ImageStrips, ScaleBitmapToPPI)
{
    struct Case { int ppi; int side; int expected; };
    const Case cases[] = {{144, 16, 24}, {96, 16, 16}, {120, 16, 20}, {72, 16, 16}, {97, 16, 16}, {192, 32, 64},
                          {108, 4, 4}}; // 4.5 rounds to even
    for (const Case &c : cases) {
        TvdBitmap bmp(c.side, c.side);
        ScaleBitmapToPPI(bmp, c.ppi);
        EXPECT_EQ(bmp.Width(), c.expected) << c.ppi;
        EXPECT_EQ(bmp.Height(), c.expected) << c.ppi;
    }
}

TEST(ImageResources, ListsPerDensity)
{
    TvdxImageResources res;
    EXPECT_EQ(res.ImagesPPI(), 96);
    TvdImageList *main96 = res.MainButtonImages();
    EXPECT_EQ(main96->Width(), 16);
    EXPECT_EQ(main96->Count(), 160);
    EXPECT_EQ(res.DisabledButtonImages()->Count(), 160);
    EXPECT_EQ(res.ObjectImages()->Count(), 80);
    EXPECT_EQ(res.PreviewButtonImages()->Count(), 48);
    EXPECT_EQ(res.WizardImages()->Width(), 32);
    EXPECT_EQ(res.WizardImages()->Count(), 16);

    res.SetImagesPPI(100);
    EXPECT_EQ(res.ImagesPPI(), 96);
    EXPECT_EQ(res.MainButtonImages(), main96); // nothing rebuilt

    res.SetImagesPPI(150);
    EXPECT_EQ(res.ImagesPPI(), 144);
    EXPECT_FALSE(res.HasImageList("MainButton", 144));
    TvdImageList *main144 = res.MainButtonImages();
    EXPECT_TRUE(res.HasImageList("MainButton", 144));
    EXPECT_NE(main144, main96);
    EXPECT_EQ(main144->Width(), 24);
    EXPECT_EQ(main144->Count(), 160);
    EXPECT_EQ(main144->Image(5).size(), QSize(24, 24));
    EXPECT_EQ(res.WizardImages()->Width(), 48);
    EXPECT_EQ(res.DisabledButtonImages()->Count(), 160);

    res.SetImagesPPI(96);
    EXPECT_EQ(res.MainButtonImages(), main96);
    EXPECT_EQ(main96->Count(), 160); // reused, not filled twice
    EXPECT_EQ(res.DisabledButtonImages()->Count(), 160);

    auto glyph = res.SpeedButtonGlyph(3);
    EXPECT_EQ(glyph->Width(), 32);
    EXPECT_EQ(glyph->Height(), 16);
    EXPECT_EQ(glyph->Image().pixel(0, 15) & 0xFFFFFF, qRgb(128, 128, 0) & 0xFFFFFF);

    res.SetButtonColorBar(3, clRed);
    EXPECT_EQ(res.MainButtonImages()->Image(3).pixel(8, 14), qRgb(255, 0, 0));
    EXPECT_EQ(qAlpha(res.MainButtonImages()->Image(3).pixel(0, 15)), 0);
}

TEST(ReportErrors, SilentModes)
{
    HeadlessUiProvider ui;
    TvdScopedUiProvider scope(&ui);
    HandleReportError(simSilent, "quiet");
    EXPECT_TRUE(ui.Prompts().isEmpty());
    HandleReportError(simMessageBoxes, "loud");
    ASSERT_EQ(ui.Prompts().size(), 1);
    EXPECT_EQ(ui.Prompts()[0].caption, "Error");
    EXPECT_EQ(ui.Prompts()[0].text, "loud");
    EXPECT_EQ(ui.Prompts()[0].flags, unsigned(MB_OK | MB_ICONERROR));
    try {
        HandleReportError(simReThrow, "thrown");
        FAIL();
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), "thrown");
    }
    ui.QueueAnswer(IDNO);
    EXPECT_EQ(ShowConfirmMsg("Save?", MB_YESNOCANCEL), IDNO);
    EXPECT_EQ(ui.Prompts().last().caption, "Confirm");
    EXPECT_EQ(ui.Prompts().last().flags, unsigned(MB_YESNOCANCEL | MB_ICONQUESTION));
    ShowInfoMsg("fyi");
    EXPECT_EQ(ui.Prompts().last().caption, "Information");
}

TEST(RectArea, Overlaps)
{
    struct Case { double l1, r1, l2, r2; bool overlaps; double from, to; };
    const Case cases[] = {
        {0, 10, 5, 20, true, 5, 10},
        {0, 10, 10, 20, false, 0, 0},       // touching only
        {0, 10, 9.99995, 20, false, 0, 0},  // within the tolerance
        {0, 10, 2, 3, true, 2, 3},
        {5, 20, 0, 10, true, 5, 10},
    };
    for (const Case &c : cases) {
        const TvdxRectArea a(c.l1, c.l1, c.r1, c.r1);
        const TvdxRectArea b(c.l2, c.l2, c.r2, c.r2);
        EXPECT_EQ(a.InterceptsX(b), c.overlaps);
        EXPECT_EQ(a.InterceptsY(b), c.overlaps);
        auto x = a.InterceptX(b);
        auto y = a.InterceptY(b);
        ASSERT_EQ(x != nullptr, c.overlaps);
        if (x) {
            EXPECT_DOUBLE_EQ(x->Left, c.from);
            EXPECT_DOUBLE_EQ(x->Right, c.to);
            EXPECT_EQ(x->Top, 0);
            EXPECT_DOUBLE_EQ(y->Top, c.from);
            EXPECT_DOUBLE_EQ(y->Bottom, c.to);
            EXPECT_EQ(y->Left, 0);
        }
    }
}

TEST(DrawingHelpers, CheckerAndImageToBitmap)
{
    QImage img(8, 8, QImage::Format_RGB32);
    img.fill(Qt::red);
    {
        QPainter p(&img);
        p.setBackgroundMode(Qt::OpaqueMode); // as a canvas leaves it
        p.setBackground(Qt::white);
        FillCheckeredRect(p, QRect(0, 0, 8, 8), clBlue);
    }
    int blue = 0, kept = 0;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            blue += img.pixel(x, y) == qRgb(0, 0, 255);
            kept += img.pixel(x, y) == qRgb(255, 0, 0);
        }
    EXPECT_EQ(blue, 32);
    EXPECT_EQ(kept, 32) << "the other half shows what was below";
    EXPECT_NE(img.pixel(0, 0), img.pixel(1, 0));
    EXPECT_NE(img.pixel(0, 0), img.pixel(0, 1));

    TvdxImageResources res;
    TBitmap bmp;
    ImageListItemToBitmap(*res.ObjectImages(), bmp, 0, clWhite);
    EXPECT_EQ(bmp.Width(), 16);
    EXPECT_EQ(bmp.Image().pixel(0, 15) & 0xFFFFFF, 0xFFFFFFu); // masked corner shows the fill
}

} // namespace
