// The GIF codec against fixtures written by an independent encoder
// (tests/data/gif/make_fixtures.py) and against Qt's own GIF reader.
#include "core/vdGif1.h"
#include "tests/common/TestSupport.h"

#include <QBuffer>
#include <QImageReader>
#include <gtest/gtest.h>
#include <random>

namespace {

QByteArray fixture(const char *name)
{
    return vdtest::readFile(vdtest::dataPath(QStringLiteral("gif/") + QLatin1String(name)));
}

void load(TGif &gif, QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    gif.LoadFromStream(buffer);
}

QByteArray save(const TGif &gif)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    gif.SaveToStream(buffer);
    return bytes;
}

// Frames as Qt's reader decodes them (an independent decoder).
QList<QImage> qtFrames(const QByteArray &bytes)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "gif");
    QList<QImage> frames;
    QImage frame;
    while (reader.read(&frame))
        frames.append(frame.convertToFormat(QImage::Format_ARGB32));
    return frames;
}

QRgb colorOf(const TGif &gif, int image, int x, int y)
{
    const TGifImageDescriptor &id = gif.GetImageDescriptor(image);
    const quint32 c = gif.GetColorTable(id.rLocalColorTable).rColors[id.rPixelList[size_t(y) * id.rWidth + x]];
    return qRgb(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

void expectSameAsQt(const TGif &gif, const QByteArray &bytes)
{
    const QList<QImage> frames = qtFrames(bytes);
    ASSERT_FALSE(frames.isEmpty());
    const QImage &first = frames.first();
    const TGifImageDescriptor &id = gif.GetImageDescriptor(0);
    ASSERT_EQ(first.width(), gif.Width());
    const int transparent = gif.GetTransparentIndex(0);
    for (int y = 0; y < id.rHeight; ++y)
        for (int x = 0; x < id.rWidth; ++x)
            if (id.rPixelList[size_t(y) * id.rWidth + x] != transparent) {
                ASSERT_EQ(first.pixel(id.rLeft + x, id.rTop + y), colorOf(gif, 0, x, y)) << x << "," << y;
            }
}

int errorCodeOf(const QByteArray &bytes, QString *message = nullptr)
{
    TGif gif;
    try {
        load(gif, bytes);
    } catch (const EInvalidGraphicOperation &e) {
        if (message)
            *message = e.message();
        return GifLastErrorCode();
    }
    return 0;
}

// A GIF of the given indices built through the codec's own structure.
std::unique_ptr<TGif> buildGif(int width, int height, const std::vector<quint8> &pixels, int minSize,
                               bool interlaced)
{
    auto gif = std::make_unique<TGif>();
    TGifColorTable table;
    table.rSize = 1 << minSize;
    for (int i = 0; i < table.rSize; ++i)
        table.rColors[i] = quint32(i * 37 % 256) | (quint32(i * 91 % 256) << 8) | (quint32(255 - i) << 16);
    TGifScreenDescriptor &sd = gif->ScreenDescriptor();
    sd.rWidth = width;
    sd.rHeight = height;
    sd.rGlobalColorValid = true;
    sd.rColorResolution = 8;
    sd.rGlobalColorSize = std::max(2, table.rSize);
    sd.rGlobalColorTable = gif->AddColorTable(table);
    TGifImageDescriptor &id = gif->AddImage();
    id.rWidth = width;
    id.rHeight = height;
    id.rInterlaced = interlaced;
    id.rLocalColorTable = sd.rGlobalColorTable;
    id.rLZWSize = std::max(2, minSize);
    id.rPixelCount = qint64(width) * height;
    id.rPixelList = pixels;
    return gif;
}

} // namespace

TEST(GifCodec, DecodesLikeQtReader)
{
    for (const char *name : {"still87a.gif", "interlaced.gif", "noise256.gif"}) {
        SCOPED_TRACE(name);
        const QByteArray bytes = fixture(name);
        TGif gif;
        load(gif, bytes);
        EXPECT_EQ(gif.ImageCount(), 1);
        expectSameAsQt(gif, bytes);
    }
}

TEST(GifCodec, ReadsScreenAndSignature)
{
    TGif empty;
    EXPECT_EQ(empty.Signature(), QStringLiteral("------"));
    TGif gif;
    load(gif, fixture("lowercase_notrailer.gif"));
    EXPECT_EQ(gif.Signature(), QStringLiteral("gif89a"));
    EXPECT_EQ(gif.Width(), 8);
    EXPECT_EQ(gif.Height(), 4);
    EXPECT_EQ(gif.ScreenDescriptor().rGlobalColorSize, 4);
    EXPECT_EQ(gif.ScreenDescriptor().rColorResolution, 8);
    EXPECT_EQ(gif.GetImageDepth(0), 4);
    EXPECT_EQ(gif.LoopCount(), -1);
    EXPECT_FALSE(gif.Transparent());
    EXPECT_EQ(gif.GetTransparentIndex(0), -1);
    EXPECT_EQ(gif.GetImageDelay(0), 1);
    EXPECT_EQ(gif.GetColorTable(0).rColors[0], 0xFFu);
    EXPECT_EQ(gif.GetColorTable(0).rColors[2], 0xFF0000u);
}

TEST(GifCodec, InterlacedRowsLoadAndSaveInPassOrder)
{
    const QByteArray bytes = fixture("interlaced.gif");
    TGif gif;
    load(gif, bytes);
    const TGifImageDescriptor &id = gif.GetImageDescriptor(0);
    ASSERT_TRUE(id.rInterlaced);
    for (int y = 0; y < 13; ++y)
        EXPECT_EQ(id.rPixelList[size_t(y) * 5], y);

    // The saved file carries the rows in pass order again: the first compressed
    // run must be row 0, then row 8 (the independent reader agrees).
    const QByteArray saved = save(gif);
    TGif again;
    load(again, saved);
    EXPECT_TRUE(again.GetImageDescriptor(0).rInterlaced);
    EXPECT_EQ(again.GetImageDescriptor(0).rPixelList, id.rPixelList);
    expectSameAsQt(again, saved);
}

TEST(GifCodec, AnimatedFramesAndExtensions)
{
    TGif gif;
    load(gif, fixture("animated.gif"));
    ASSERT_EQ(gif.ImageCount(), 3);
    EXPECT_EQ(gif.LoopCount(), 0);
    EXPECT_TRUE(gif.Transparent());
    EXPECT_EQ(gif.GetImageDelay(0), 10);
    EXPECT_EQ(gif.GetImageDelay(2), 1);
    EXPECT_EQ(gif.GetImageDisposal(1), 2);
    EXPECT_EQ(gif.GetTransparentIndex(1), 3);
    EXPECT_EQ(gif.GetImageLeft(2), 2);
    EXPECT_EQ(gif.GetImageTop(2), 2);
    EXPECT_EQ(gif.GetImageWidth(2), 2);
    EXPECT_EQ(gif.ColorTableCount(), 2);
    EXPECT_EQ(gif.GetImageDescriptor(2).rLocalColorTable, 1);
    // Application, comment and graphic control preceded the first image.
    const auto &ext = gif.GetImageDescriptor(0).rExtensionList;
    ASSERT_EQ(ext.size(), 3);
    EXPECT_EQ(ext[0].eLabel, kGifLabelApplication);
    EXPECT_EQ(ext[0].rIdentifier, QByteArray("NETSCAPE"));
    EXPECT_EQ(ext[1].eLabel, kGifLabelComment);
    EXPECT_EQ(ext[1].rDataBlocks.value(0), QByteArray("hello"));
    EXPECT_EQ(gif.GetImageDescriptor(1).rExtensionList.size(), 1);

    EXPECT_THROW(gif.GetImageDescriptor(3), EInvalidGraphicOperation);
    EXPECT_EQ(GifLastErrorCode(), 15);
    EXPECT_THROW(gif.GetImageDelay(-1), EInvalidGraphicOperation);
}

TEST(GifCodec, RoundTripKeepsIndicesTablesAndExtensions)
{
    for (const char *name : {"still87a.gif", "interlaced.gif", "animated.gif", "noise256.gif"}) {
        SCOPED_TRACE(name);
        TGif gif;
        load(gif, fixture(name));
        gif.GetBitmap(0); // marks transparent entries in its own copy only
        const QByteArray saved = save(gif);
        TGif again;
        load(again, saved);
        ASSERT_EQ(again.ImageCount(), gif.ImageCount());
        ASSERT_EQ(again.ColorTableCount(), gif.ColorTableCount());
        for (int t = 0; t < gif.ColorTableCount(); ++t) {
            EXPECT_EQ(again.GetColorTable(t).rSize, gif.GetColorTable(t).rSize);
            EXPECT_EQ(again.GetColorTable(t).rColors, gif.GetColorTable(t).rColors);
        }
        for (int i = 0; i < gif.ImageCount(); ++i) {
            const auto &a = gif.GetImageDescriptor(i);
            const auto &b = again.GetImageDescriptor(i);
            EXPECT_EQ(b.rPixelList, a.rPixelList);
            EXPECT_EQ(b.rLeft, a.rLeft);
            EXPECT_EQ(b.rTop, a.rTop);
            ASSERT_EQ(b.rExtensionList.size(), a.rExtensionList.size());
            for (int e = 0; e < a.rExtensionList.size(); ++e) {
                EXPECT_EQ(b.rExtensionList[e].eLabel, a.rExtensionList[e].eLabel);
                EXPECT_EQ(b.rExtensionList[e].rDataBlocks, a.rExtensionList[e].rDataBlocks);
                EXPECT_EQ(b.rExtensionList[e].rTransparentIndex, a.rExtensionList[e].rTransparentIndex);
                EXPECT_EQ(b.rExtensionList[e].rDisposal, a.rExtensionList[e].rDisposal);
                EXPECT_EQ(b.rExtensionList[e].rDelayTime, a.rExtensionList[e].rDelayTime);
            }
        }
        EXPECT_EQ(again.LoopCount(), gif.LoopCount());
        // Saving is deterministic: a second generation is byte for byte the first.
        EXPECT_EQ(save(again), saved);
        expectSameAsQt(again, saved);
    }
}

TEST(GifCodec, SignatureFollowsContent)
{
    TGif still;
    load(still, fixture("still87a.gif"));
    EXPECT_TRUE(save(still).startsWith("GIF87a"));

    TGif lower;
    load(lower, fixture("lowercase_notrailer.gif"));
    EXPECT_TRUE(save(lower).startsWith("GIF87a"));

    TGifExtension gce;
    gce.eLabel = kGifLabelGraphicControl;
    gce.rDelayTime = 5;
    still.GetImageDescriptor(0).rExtensionList.append(gce);
    EXPECT_TRUE(save(still).startsWith("GIF89a"));

    TGif anim;
    load(anim, fixture("animated.gif"));
    EXPECT_TRUE(save(anim).startsWith("GIF89a"));
}

// Random pictures at every code size, plain and interlaced, through our encoder and
// both decoders; long runs and noise exercise table growth and the reset when full.
TEST(GifCodec, EncoderRoundTripsAtEveryCodeSize)
{
    std::mt19937 rng(7);
    struct Case { int w, h, bits; bool interlaced; bool runs; };
    const Case cases[] = {
        {1, 1, 1, false, false}, {7, 3, 1, true, false}, {7, 9, 1, true, false}, {64, 64, 2, false, true}, {33, 17, 3, true, false},
        {100, 80, 4, false, false}, {57, 91, 5, true, true}, {128, 128, 6, false, false},
        {200, 150, 7, false, false}, {300, 200, 8, true, false}, {256, 256, 8, false, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(QStringLiteral("%1x%2 %3 bits").arg(c.w).arg(c.h).arg(c.bits).toStdString());
        std::vector<quint8> pixels(size_t(c.w) * c.h);
        quint8 v = 0;
        for (auto &p : pixels) {
            if (!c.runs || rng() % 17 == 0)
                v = quint8(rng() % (1u << c.bits));
            p = v;
        }
        auto gif = buildGif(c.w, c.h, pixels, c.bits, c.interlaced);
        const QByteArray bytes = save(*gif);
        TGif again;
        load(again, bytes);
        EXPECT_EQ(again.GetImageDescriptor(0).rPixelList, pixels);
        // Qt's reader smears interlaced pictures under four rows high, so it is no oracle there.
        if (!c.interlaced || c.h >= 4)
            expectSameAsQt(again, bytes);
    }
}

TEST(GifCodec, ImageTallerThanScreenIsClipped)
{
    QByteArray bytes = fixture("still87a.gif");
    // Screen height 4 -> 2; the image keeps its 8x4 data but shows two rows.
    bytes[8] = 2;
    TGif gif;
    load(gif, bytes);
    EXPECT_EQ(gif.GetImageHeight(0), 2);
    EXPECT_EQ(gif.GetImageDescriptor(0).rPixelList.size(), 16u);
    EXPECT_EQ(gif.GetImageDescriptor(0).rPixelList[8], 1); // row 1 starts with (0 + 1) % 4
}

TEST(GifCodec, ErrorsOfBadFiles)
{
    const QByteArray still = fixture("still87a.gif");
    // Offsets in still87a.gif: 13 bytes of screen, 12 of table, image at 25.
    auto patched = [&](int offset, QByteArray replacement) {
        QByteArray b = still;
        b.replace(offset, replacement.size(), replacement);
        return b;
    };
    auto imageAt = [&](const QByteArray &prefix) { return still.left(25) + prefix + still.mid(25); };

    struct Case { const char *what; QByteArray bytes; int code; const char *message; };
    const Case cases[] = {
        {"signature", patched(0, "GIF88a"), 1, "TGif: Invalid GIF Signature Code"},
        {"short file", still.left(4), 1, nullptr},
        {"truncated screen", still.left(10), 24, "TGif: Unexpected end of file"},
        {"truncated table", still.left(20), 24, nullptr},
        {"unknown block", patched(25, "\x55"), 4, "TGif: Unknown Graphics Operation Code"},
        {"unknown extension", imageAt(QByteArray("\x21\xAB\x00", 3)), 6, "TGif: unknown extension: 00AB"},
        {"control size", imageAt(QByteArray("\x21\xF9\x05\x00\x00\x00\x00\x00\x00", 9)), 5,
         "TGif: Invalid Extension Block Size"},
        {"control terminator", imageAt(QByteArray("\x21\xF9\x04\x00\x00\x00\x00\x07", 8)), 7,
         "TGif: Invalid Extension Block Terminator"},
        {"plain text size", imageAt(QByteArray("\x21\x01\x0B", 3) + QByteArray(12, '\0')), 5, nullptr},
        {"short sub-block", still.left(25) + QByteArray("\x21\xFE\x09hi", 5), 24, nullptr},
        {"no colour table", still.left(10) + "\x70" + still.mid(11, 2) + still.mid(25), 2, "TGif: No Local or Global Color Table for Image"},
        {"zero width", patched(30, QByteArray("\x00\x00", 2)), 26, "TGif: Zero width or height"},
        {"code size", patched(35, "\x0C"), 12, "TGif: Invalid LZW Code Size"},
        {"truncated image", still.left(30), 24, nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QString message;
        EXPECT_EQ(errorCodeOf(c.bytes, &message), c.code);
        if (c.message) {
            EXPECT_EQ(message, QString::fromLatin1(c.message));
        }
    }
}

TEST(GifCodec, BrokenImageAfterGoodOneKeepsWhatWasRead)
{
    TGif anim;
    load(anim, fixture("animated.gif"));
    const QByteArray good = save(anim);
    // Each image follows its graphic control block (8 bytes).
    QList<int> images;
    for (int from = 0; (from = int(good.indexOf(QByteArray("\x21\xF9\x04", 3), from))) >= 0; from += 3)
        images.append(from + 8);
    ASSERT_EQ(images.size(), 3);
    for (int at : images)
        ASSERT_EQ(good[at], '\x2C');

    // Codes above the next free slot in the last image: error 13, all three images kept.
    QByteArray bytes = good;
    const int data = images[2] + 10 + 12 + 2; // descriptor, local table, code size, block length
    for (int i = data; i < bytes.size() - 2; ++i)
        bytes[i] = char(0xFF);
    TGif gif;
    load(gif, bytes);
    EXPECT_EQ(gif.ImageCount(), 3);
    EXPECT_EQ(GifLastErrorCode(), 13);
    EXPECT_EQ(gif.GetImageDescriptor(2).rPixelList, std::vector<quint8>(4, 0));

    // A file that breaks off inside the second image descriptor keeps the first image.
    TGif partial;
    load(partial, good.left(images[1] + 5));
    EXPECT_EQ(partial.ImageCount(), 1);
    EXPECT_EQ(GifLastErrorCode(), 24);
}

TEST(GifCodec, HugeCanvasAndImagesAreRefusedBeforeAllocating)
{
    // Screen of 65535 x 65535 with a 1x1 image: loads, but no strip is built.
    QByteArray bytes = fixture("still87a.gif");
    bytes[6] = char(0xFF);
    bytes[7] = char(0xFF);
    bytes[8] = char(0xFF);
    bytes[9] = char(0xFF);
    QByteArray oneByOne = bytes;
    oneByOne[30] = 1;
    oneByOne[31] = 0;
    oneByOne[32] = 1;
    oneByOne[33] = 0;
    TGif gif;
    load(gif, oneByOne);
    EXPECT_THROW(gif.GetStripBitmap(), EInvalidGraphicOperation);
    EXPECT_EQ(GifLastErrorCode(), 25);
    EXPECT_EQ(GifLastErrorText(), QStringLiteral("Animated GIF too large"));

    // An image declaring 65535 x 65535 pixels is refused as a whole.
    QByteArray huge = bytes;
    huge[30] = char(0xFF);
    huge[31] = char(0xFF);
    huge[32] = char(0xFF);
    huge[33] = char(0xFF);
    EXPECT_EQ(errorCodeOf(huge), 25);
}

TEST(GifCodec, StripSizeLimits)
{
    // Only the screen and the frame count matter: frames of 1x1 pixels.
    auto animation = [](int width, int height, int frames) {
        auto gif = buildGif(1, 1, {1}, 2, false);
        gif->ScreenDescriptor().rWidth = width;
        gif->ScreenDescriptor().rHeight = height;
        TGifExtension gce;
        gce.eLabel = kGifLabelGraphicControl;
        gce.rTransparentFlag = true;
        gce.rTransparentIndex = 0;
        gif->GetImageDescriptor(0).rExtensionList.append(gce);
        for (int i = 1; i < frames; ++i) {
            TGifImageDescriptor &id = gif->AddImage();
            id = gif->GetImageDescriptor(0);
            id.rIndex = i;
        }
        return gif;
    };
    auto fits = animation(1000, 800, 16); // 38,400,054 bytes
    auto strip = fits->GetStripBitmap();
    EXPECT_EQ(strip->Width(), 16000);
    EXPECT_EQ(strip->Height(), 800);
    ASSERT_NE(strip->BitmapMask(), nullptr);
    strip.reset();

    // 300 frames of 240 pixels exceed a bitmap's 65535-pixel side: the strip keeps
    // the 273 leading frames, the first of them unchanged.
    auto longAnimation = animation(240, 240, 300);
    strip = longAnimation->GetStripBitmap();
    EXPECT_EQ(strip->Width(), 273 * 240);
    EXPECT_EQ(qGray(strip->BitmapMask()->Image().pixel(1, 1)), 255);
    EXPECT_EQ(qGray(strip->BitmapMask()->Image().pixel(0, 0)), 0);
    EXPECT_EQ(strip->Image().pixel(0, 0), qRgb(37, 91, 254));
    EXPECT_EQ(strip->Image().pixel(272 * 240, 0), qRgb(37, 91, 254));
    strip.reset();

    auto tooLarge = animation(1000, 1000, 40); // 120,000,054 bytes
    try {
        tooLarge->GetStripBitmap();
        FAIL() << "no error";
    } catch (const EInvalidGraphicOperation &e) {
        EXPECT_EQ(e.message(), QStringLiteral("TGif: Animated GIF too large"));
    }
}

TEST(GifCodec, StripComposesFramesWithMask)
{
    TGif gif;
    load(gif, fixture("animated.gif"));
    auto strip = gif.GetStripBitmap();
    ASSERT_EQ(strip->Width(), 18);
    ASSERT_EQ(strip->Height(), 6);
    const TvdxHtBitmap *mask = strip->BitmapMask();
    ASSERT_NE(mask, nullptr);
    const QImage color = strip->Image();
    const QImage m = mask->Image();
    auto transparentAt = [&](int x, int y) { return qGray(m.pixel(x, y)) > 128; };

    // Frame 0: checkerboard of red (index 0) and transparent (index 3, black).
    EXPECT_EQ(color.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_FALSE(transparentAt(0, 0));
    EXPECT_EQ(color.pixel(1, 0), qRgb(0, 0, 0));
    EXPECT_TRUE(transparentAt(1, 0));
    // Frame 1 paints green over the first nine pixels; the rest stays frame 0's.
    EXPECT_EQ(color.pixel(6 + 1, 0), qRgb(0, 255, 0));
    EXPECT_FALSE(transparentAt(6 + 1, 0));
    EXPECT_EQ(color.pixel(6 + 1, 5), qRgb(255, 0, 0));
    EXPECT_FALSE(transparentAt(6 + 1, 5));
    EXPECT_TRUE(transparentAt(6 + 0, 5));
    // Frame 1 disposes to background: its whole rectangle is transparent in
    // column 2 except where frame 2 paints (local table at 2,2).
    EXPECT_TRUE(transparentAt(12 + 0, 0));
    EXPECT_EQ(color.pixel(12 + 2, 2), qRgb(70, 80, 90));
    EXPECT_FALSE(transparentAt(12 + 2, 2));
}

TEST(GifCodec, TransparentEntryDoesNotChangeSharedPalette)
{
    TGif gif;
    load(gif, fixture("animated.gif"));
    const quint32 before = gif.GetColorTable(0).rColors[3];
    const QImage first = gif.GetBitmap(0);
    EXPECT_EQ(first.pixel(1, 0), qRgb(0x25, 0x07, 0x17)); // the marker colour
    EXPECT_EQ(gif.GetColorTable(0).rColors[3], before);
    EXPECT_EQ(TGif::TransparentColor(), 0x170725u);
}

TEST(GifCodec, CopyIsReencoded)
{
    TGif gif;
    load(gif, fixture("animated.gif"));
    auto copy = TGif::CreateCopy(gif);
    EXPECT_EQ(copy->ImageCount(), 3);
    EXPECT_EQ(copy->GetImageDescriptor(2).rPixelList, gif.GetImageDescriptor(2).rPixelList);
    gif.FreeImage();
    EXPECT_EQ(gif.ImageCount(), 0);
    EXPECT_EQ(copy->LoopCount(), 0);
}

// Files written by the independent encoder come back byte for byte after the
// signature (a single image without extensions is always saved as "GIF87a").
TEST(GifCodec, ReencodedFilesKeepTheirBytes)
{
    for (const char *name : {"still87a.gif", "interlaced.gif", "animated.gif", "noise256.gif"}) {
        SCOPED_TRACE(name);
        const QByteArray bytes = fixture(name);
        TGif gif;
        load(gif, bytes);
        const QByteArray saved = save(gif);
        EXPECT_EQ(saved.left(6), QByteArray(gif.ImageCount() == 1 && name != std::string("animated.gif") ? "GIF87a" : "GIF89a"));
        EXPECT_EQ(saved.mid(6).toHex().toStdString(), bytes.mid(6).toHex().toStdString());
    }
}
