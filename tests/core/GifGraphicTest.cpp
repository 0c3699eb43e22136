// GIF pictures: first-frame drawing with the mask, streaming, copying and the registry driver.
#include "core/vdGIFGraphics.h"
#include "platform/QPainterCanvas.h"
#include "tests/common/TestSupport.h"

#include <QBuffer>
#include <gtest/gtest.h>

namespace {

QByteArray fixture(const char *name)
{
    return vdtest::readFile(vdtest::dataPath(QStringLiteral("gif/") + QLatin1String(name)));
}

void loadInto(TGraphic &g, QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    g.LoadFromStream(buffer);
}

QImage drawn(const TGraphic &g, int w, int h, QRgb background)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(background);
    {
        QPainterCanvas canvas(image);
        g.Draw(canvas, TRect(0, 0, w, h));
    }
    return image;
}

} // namespace

TEST(GifGraphic, AnimatedDrawsFirstFrameWithTransparentPixelsUntouched)
{
    TvdxGIFGraphic gif;
    loadInto(gif, fixture("animated.gif"));
    EXPECT_FALSE(gif.Empty());
    EXPECT_EQ(gif.GIFImage().NumFrames(), 3);
    EXPECT_EQ(gif.Width(), 6);
    EXPECT_EQ(gif.Height(), 6);
    EXPECT_TRUE(gif.IsTransparent());
    EXPECT_EQ(TvdxGIFGraphic::TransparentColor(), TColor(0x170725));

    const QImage out = drawn(gif, 6, 6, qRgb(1, 2, 3));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(out.pixel(x, y) & 0xFFFFFF, (x + y) % 2 ? 0x010203u : 0xFF0000u) << x << "," << y;

    // Twice the size: the first frame stretched.
    const QImage big = drawn(gif, 12, 12, qRgb(1, 2, 3));
    EXPECT_EQ(big.pixel(1, 1) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(big.pixel(3, 1) & 0xFFFFFF, 0x010203u);

    const auto &frames = gif.GIFImage().Frames();
    ASSERT_EQ(frames.Count(), 3);
    EXPECT_EQ(frames.GetFrame(3).Left, 2);
    EXPECT_EQ(frames.GetFrame(3).Width, 2);
    EXPECT_THROW(frames.GetFrame(0), EListError);
    EXPECT_THROW(frames.GetFrame(4), EListError);

    // ToImage gives the first frame with alpha 0 where it is transparent.
    const QImage image = gif.ToImage();
    EXPECT_EQ(qAlpha(image.pixel(1, 0)), 0);
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 0, 0));
}

TEST(GifGraphic, BadDataKeepsThePicture)
{
    TvdxGIFGraphic gif;
    int changes = 0;
    gif.OnChange = [&] { ++changes; };
    loadInto(gif, QByteArray("BM this is no gif at all"));
    EXPECT_TRUE(gif.Empty());
    EXPECT_EQ(changes, 1);

    loadInto(gif, fixture("still87a.gif"));
    ASSERT_FALSE(gif.Empty());
    QByteArray broken = fixture("animated.gif");
    broken[0] = 'X';
    loadInto(gif, broken);
    EXPECT_EQ(gif.Width(), 8);
    EXPECT_EQ(gif.GIFImage().NumFrames(), 1);

    // The image class itself lets the codec error through.
    TvdxGIFImage image;
    QBuffer buffer(&broken);
    buffer.open(QIODevice::ReadOnly);
    EXPECT_THROW(image.LoadFromStream(buffer), EInvalidGraphicOperation);
}

TEST(GifGraphic, DataPropertyRoundTrip)
{
    TvdxGIFGraphic gif;
    loadInto(gif, fixture("animated.gif"));
    QByteArray data;
    {
        QBuffer out(&data);
        out.open(QIODevice::WriteOnly);
        gif.WriteData(out);
    }
    ASSERT_GT(data.size(), 4);
    const quint32 length = quint8(data[0]) | quint8(data[1]) << 8 | quint8(data[2]) << 16 | quint32(quint8(data[3])) << 24;
    EXPECT_EQ(qint64(length), data.size() - 4);
    EXPECT_TRUE(data.mid(4).startsWith("GIF89a"));

    TvdxGIFGraphic back;
    QBuffer in(&data);
    in.open(QIODevice::ReadOnly);
    back.ReadData(in);
    EXPECT_EQ(back.GIFImage().NumFrames(), 3);
    EXPECT_EQ(back.Width(), 6);
    EXPECT_EQ(back.Height(), 6);
    EXPECT_EQ(drawn(back, 6, 6, qRgb(9, 9, 9)), drawn(gif, 6, 6, qRgb(9, 9, 9)));

    // A cut "Data" value is an error there (the reader reports it).
    QByteArray cut = data.left(data.size() / 2);
    QBuffer cutIn(&cut);
    cutIn.open(QIODevice::ReadOnly);
    EXPECT_THROW(back.ReadData(cutIn), Exception);
}

TEST(GifGraphic, AssignCopiesAndOutlivesSource)
{
    auto source = std::make_unique<TvdxGIFGraphic>();
    loadInto(*source, fixture("animated.gif"));
    TvdxGIFGraphic copy;
    copy.Assign(*source);
    const QImage before = drawn(*source, 6, 6, qRgb(0, 0, 0));
    source.reset();
    EXPECT_EQ(copy.GIFImage().NumFrames(), 3);
    EXPECT_EQ(drawn(copy, 6, 6, qRgb(0, 0, 0)), before);
    const QByteArray saved = copy.SaveToBytes();
    EXPECT_TRUE(saved.startsWith("GIF89a"));
    TvdxGIFGraphic again;
    loadInto(again, saved);
    EXPECT_EQ(again.GIFImage().NumFrames(), 3);

    TBitmap bitmap(2, 2);
    EXPECT_THROW(copy.Assign(bitmap), EConvertError);
}

TEST(GifGraphic, SecondLoadReplacesFrames)
{
    TvdxGIFGraphic gif;
    loadInto(gif, fixture("animated.gif"));
    loadInto(gif, fixture("interlaced.gif"));
    EXPECT_EQ(gif.GIFImage().Frames().Count(), 1);
    EXPECT_EQ(gif.GIFImage().NumFrames(), 1);
    EXPECT_EQ(gif.Width(), 5);
    EXPECT_EQ(gif.Height(), 13);
    EXPECT_FALSE(gif.IsTransparent());
}

TEST(GifGraphic, RegistryDriver)
{
    TvdxGraphicFormats *formats = GetGraphicFormats();
    TvdxCustomGraphicFormatClass driver = formats->FindByExt(QStringLiteral(".GIF"));
    ASSERT_EQ(driver, TvdxGIFGraphicFormat::Class());
    EXPECT_EQ(formats->FindByConst(7), driver);
    EXPECT_EQ(formats->FindByName(QStringLiteral("GIF")), driver);
    EXPECT_EQ(formats->FindByGraphic(&TvdxGIFGraphic::staticClass()), driver);
    EXPECT_EQ(driver->GetGraphicMime(), QStringLiteral("image/gif"));
    EXPECT_EQ(driver->GetFormatCapabilities(), vdBaseFormatCaps);
    EXPECT_EQ(formats->Convert(nullptr, QStringLiteral("GIF"), pf24bit, 100), nullptr);
    // Registered once, after PNG and before ICO.
    int gifAt = -1, pngAt = -1, icoAt = -1, count = 0;
    for (int i = 0; i < formats->Count(); ++i) {
        const QString name = formats->GetItem(i)->GetGraphicName();
        if (name == QLatin1String("GIF")) {
            gifAt = i;
            ++count;
        }
        if (name == QLatin1String("PNG"))
            pngAt = i;
        if (name == QLatin1String("ICO"))
            icoAt = i;
    }
    EXPECT_EQ(count, 1);
    EXPECT_EQ(TPicture::GraphicClassOfExtension(QStringLiteral(".gif")), &TvdxGIFGraphic::staticClass());
    EXPECT_EQ(TPicture::GraphicClassByName(QStringLiteral("TvdxGIFGraphic")), &TvdxGIFGraphic::staticClass());
    EXPECT_GT(gifAt, pngAt);
    if (icoAt >= 0) {
        EXPECT_LT(gifAt, icoAt);
    }

    struct Case { QByteArray bytes; bool gif; };
    const Case cases[] = {
        {"gif89A", true}, {"GIF87a", true}, {"GiF89a", true}, {"GIF86a", false}, {"GIF89", false}, {"GIF89b", false},
    };
    for (const Case &c : cases) {
        QByteArray bytes = "xx" + c.bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        buffer.seek(2);
        EXPECT_EQ(driver->IsSupportedFormat(buffer), c.gif) << c.bytes.constData();
        EXPECT_EQ(buffer.pos(), 2);
    }

    QByteArray bytes = fixture("animated.gif");
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    std::unique_ptr<TGraphic> loaded = formats->LoadFromStream(buffer);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->ClassName(), QStringLiteral("TvdxGIFGraphic"));
    EXPECT_EQ(loaded->Width(), 6);

    // Drawn through the driver, transparent pixels stay as they were, at every quality.
    for (TvdxGraphicQuality quality : {gqDefault, gqFast, gqHiQuality, gqPrint}) {
        QImage out(6, 6, QImage::Format_RGB32);
        out.fill(qRgb(1, 2, 3));
        {
            QPainterCanvas canvas(out);
            driver->Draw(canvas, loaded.get(), TRect(0, 0, 6, 6), quality);
        }
        EXPECT_EQ(out.pixel(1, 0) & 0xFFFFFF, 0x010203u) << int(quality);
        EXPECT_EQ(out.pixel(0, 0) & 0xFFFFFF, 0xFF0000u) << int(quality);
    }

    // A GIF converts to a bitmap holding its first frame.
    auto bitmap = formats->ConvertToBitmap(loaded.get(), pf24bit);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->Width(), 6);
}

TEST(GifGraphic, LongAnimationStillLoads)
{
    // 300 frames of 240 x 240: a strip wider than a bitmap may be.
    TGif gif;
    TGifColorTable table;
    table.rSize = 4;
    table.rColors[1] = 0x0000FF;
    TGifScreenDescriptor &sd = gif.ScreenDescriptor();
    sd.rWidth = sd.rHeight = 240;
    sd.rGlobalColorValid = true;
    sd.rGlobalColorSize = 4;
    sd.rGlobalColorTable = gif.AddColorTable(table);
    for (int i = 0; i < 300; ++i) {
        TGifImageDescriptor &id = gif.AddImage();
        id.rWidth = id.rHeight = 240;
        id.rLocalColorTable = 0;
        id.rLZWSize = 2;
        id.rPixelCount = 240 * 240;
        id.rPixelList.assign(240 * 240, quint8(i == 0 ? 1 : 2));
    }
    TvdxGIFGraphic picture;
    loadInto(picture, gif.SaveToBytes());
    ASSERT_FALSE(picture.Empty());
    EXPECT_EQ(picture.GIFImage().NumFrames(), 300);
    EXPECT_EQ(picture.Width(), 240);
    EXPECT_EQ(drawn(picture, 24, 24, qRgb(0, 0, 0)).pixel(5, 5), qRgb(255, 0, 0));
}
