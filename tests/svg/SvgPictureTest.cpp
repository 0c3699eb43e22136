// SVG pictures: the stored "Data" form, stream recognition, the registry's
// driver, drawing on metafile canvases and copies.
#include "SvgRecordingCanvas.h"
#include "core/vdPictureGraphics.h"
#include "platform/EmfRecorderCanvas.h"
#include "platform/QPainterCanvas.h"
#include "svg/vdSVGGraphic.h"

#include <QBuffer>
#include <gtest/gtest.h>

namespace {

QByteArray dataOf(const TvdxSVGGraphic &g)
{
    QBuffer b;
    b.open(QIODevice::WriteOnly);
    g.WriteData(b);
    return b.data();
}

bool sniff(const QByteArray &bytes, qint64 at = 0)
{
    QByteArray copy = bytes;
    QBuffer b(&copy);
    b.open(QIODevice::ReadOnly);
    b.seek(at);
    const bool yes = TvdxSVGGraphic::CanLoadFromStream(b);
    EXPECT_EQ(b.pos(), at) << bytes.constData();
    return yes;
}

const char *kSmall = "<svg width=\"10\" height=\"10\"><rect width=\"5\" height=\"5\"/></svg>";

} // namespace

TEST(SvgPicture, DataIsACountAndTheSourceInCrLfLines)
{
    TvdxSVGGraphic g;
    g.LoadFromText(QStringLiteral("<svg width=\"10\" height=\"10\">\n<rect width=\"5\" height=\"5\"/>\r</svg>"));
    const QByteArray body = "\xEF\xBB\xBF<svg width=\"10\" height=\"10\">\r\n<rect width=\"5\" height=\"5\"/>\r\n</svg>\r\n";
    const QByteArray data = dataOf(g);
    ASSERT_EQ(data.size(), 4 + body.size());
    EXPECT_EQ(quint8(data[0]), body.size());
    EXPECT_EQ(data.mid(1, 3), QByteArray(3, '\0'));
    EXPECT_EQ(data.mid(4), body);

    TvdxSVGGraphic back;
    QByteArray copy = data;
    QBuffer in(&copy);
    in.open(QIODevice::ReadOnly);
    back.ReadData(in);
    EXPECT_EQ(in.pos(), data.size());
    EXPECT_EQ(back.Source(), QString::fromUtf8(body.mid(3)));
    EXPECT_FALSE(back.Empty());
    EXPECT_EQ(dataOf(back), data);

    TvdxSVGGraphic empty;
    EXPECT_EQ(dataOf(empty), QByteArray("\x03\x00\x00\x00\xEF\xBB\xBF", 7));
    QByteArray emptyData = dataOf(empty);
    QBuffer e(&emptyData);
    e.open(QIODevice::ReadOnly);
    TvdxSVGGraphic readEmpty;
    readEmpty.ReadData(e);
    EXPECT_TRUE(readEmpty.Empty());
    EXPECT_TRUE(readEmpty.Source().isEmpty());
}

TEST(SvgPicture, BadDataLengthsAreRefusedAndKeepThePicture)
{
    const QByteArray cases[] = {
        QByteArray("\xFF\xFF\xFF\xFF<svg/>", 10),         // negative
        QByteArray("\x40\x00\x00\x00<svg/>", 10),         // past the end
        QByteArray("\x02\x00", 2),                        // no count
    };
    for (const QByteArray &c : cases) {
        TvdxSVGGraphic g;
        g.LoadFromText(QString::fromLatin1(kSmall));
        QByteArray copy = c;
        QBuffer in(&copy);
        in.open(QIODevice::ReadOnly);
        EXPECT_THROW(g.ReadData(in), EInvalidGraphic) << c.toHex().constData();
        EXPECT_FALSE(g.Empty());
        EXPECT_EQ(g.Width(), 10);
    }
}

TEST(SvgPicture, RecognisesSvgAndXmlSignaturesOnly)
{
    struct Case {
        QByteArray bytes;
        bool svg;
    };
    const Case cases[] = {
        {"<svg width=\"1\"/>", true},
        {"<SVG width=\"1\"/>", true},
        {"<?xml version=\"1.0\"?><svg/>", true},
        {"<?XmL version", true},
        {"\xEF\xBB\xBF<svg xmlns", true},
        {"\xEF\xBB\xBF<?xml", true},
        {"  <svg width=\"1\"/>", false},
        {"<!-- c --><svg/>", false},
        {"<svg/>", false}, // fewer than 8 bytes
        {"\xEF\xBB\xBF<svg/>", true},
        {"<html><svg/></html>", false},
        {"\x89PNG\r\n\x1a\n", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(sniff(c.bytes), c.svg) << c.bytes.constData();
    // From the stream's position on.
    EXPECT_TRUE(sniff("abc<svg width=\"1\"/>", 3));
    EXPECT_FALSE(sniff("abc<svg width=\"1\"/>", 1));
}

TEST(SvgPicture, TheRegistryKnowsTheFormatBetweenGifAndIco)
{
    TvdxGraphicFormats *formats = GetGraphicFormats();
    const TvdxCustomGraphicFormatClass svg = TvdxSVGGraphicFormat::Class();
    EXPECT_EQ(formats->FindByConst(6), svg);
    EXPECT_EQ(formats->FindByExt(QStringLiteral(".svg")), svg);
    EXPECT_EQ(formats->FindByName(QStringLiteral("SVG")), svg);
    EXPECT_EQ(svg->GetGraphicMime(), QStringLiteral("image/svg+xml"));
    EXPECT_EQ(svg->GetGraphicExt(), QStringLiteral(".svg"));
    EXPECT_EQ(svg->GetFormatCapabilities(),
              (TvdxGraphicFormatCaps{gcSaveTo, gcLoadFrom, gcDraw, gcConvert, gcConvertToBitmap}));
    const TvdxGraphicProps props = svg->GetGraphicProps(nullptr);
    EXPECT_TRUE(props.HasAlpha);
    EXPECT_TRUE(props.Transparent);
    EXPECT_EQ(props.TransparentColor, TColor(0x1FFFFFFF));
    EXPECT_EQ(props.Quality, 100);
    EXPECT_TRUE(svg->IsTranslucent());
    EXPECT_TRUE(svg->IsTextData(nullptr));
    int gif = -1, ico = -1, at = -1;
    for (int i = 0; i < formats->Count(); ++i) {
        const QString name = formats->GetItem(i)->GetGraphicName();
        if (name == QLatin1String("GIF"))
            gif = i;
        else if (name == QLatin1String("ICO"))
            ico = i;
        else if (formats->GetItem(i) == svg)
            at = i;
    }
    EXPECT_LT(gif, at);
    EXPECT_LT(at, ico);
    EXPECT_EQ(TPicture::GraphicClassOfExtension(QStringLiteral("svg")), &TvdxSVGGraphic::staticClass());

    QByteArray bytes(kSmall);
    QBuffer b(&bytes);
    b.open(QIODevice::ReadOnly);
    EXPECT_EQ(formats->FindByFormat(b), svg);
    std::unique_ptr<TGraphic> g = formats->LoadFromStream(b);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->ClassName(), QStringLiteral("TvdxSVGGraphic"));
    EXPECT_EQ(g->Width(), 10);
}

TEST(SvgPicture, StoredPicturesReloadByTheirClassName)
{
    TvdxSVGGraphic g;
    g.LoadFromText(QString::fromLatin1(kSmall));
    const QByteArray stored = g.SaveToBytes();
    // What a template keeps: the class name, then the picture's own bytes.
    TGraphicClassRef cls = TPicture::GraphicClassByName(g.ClassName());
    ASSERT_EQ(cls, &TvdxSVGGraphic::staticClass());
    std::unique_ptr<TGraphic> back = cls->create();
    back->LoadFromBytes(stored);
    EXPECT_EQ(static_cast<TvdxSVGGraphic &>(*back).Source(), g.Source() + QStringLiteral("\r\n"));
    EXPECT_EQ(back->Width(), 10);
}

TEST(SvgPicture, TextThatFailsLeavesAnEmptyPictureWithItsSource)
{
    const QString bad = QStringLiteral("<svg><rect width=\"5\" <g></svg>");
    TvdxSVGGraphic g;
    int changes = 0;
    g.OnChange = [&] { ++changes; };
    g.LoadFromText(bad);
    EXPECT_TRUE(g.Empty());
    EXPECT_EQ(g.Source(), bad);
    EXPECT_EQ(changes, 1);
    QImage img(20, 20, QImage::Format_ARGB32_Premultiplied);
    QPainterCanvas c(img);
    g.Draw(c, TRect(0, 0, 20, 20)); // draws nothing, raises nothing
    // Another root element: empty, and no source either.
    g.LoadFromText(QStringLiteral("<html><body/></html>"));
    EXPECT_TRUE(g.Empty());
    EXPECT_TRUE(g.Source().isEmpty());
}

TEST(SvgPicture, SizesRoundHalfToEven)
{
    TvdxSVGGraphic g;
    g.LoadFromText(QStringLiteral(R"(<svg width="2.5" height="3.5"/>)"));
    EXPECT_EQ(g.Width(), 2);
    EXPECT_EQ(g.Height(), 4);
    // The same external width keeps the preparation.
    g.RootObj().Prepare();
    g.SetWidth(300);
    EXPECT_TRUE(g.RootObj().IsPrepared());
    g.SetWidth(301);
    EXPECT_FALSE(g.RootObj().IsPrepared());
}

TEST(SvgPicture, MetafileTargetsUnder8000PaintThroughAFinerMetafile)
{
    struct Case {
        int w, h;
        QSize intermediate; // empty: painted on the target itself
    };
    const Case cases[] = {
        {100, 50, QSize(8000, 4000)},
        {50, 100, QSize(4000, 8000)},
        {8000, 100, QSize()},
    };
    for (const Case &c : cases) {
        SvgRecordingCanvasClass cls;
        TvdxSVGGraphic g;
        g.RootObj().SetCanvasClass(&cls);
        g.LoadFromText(QString::fromLatin1(kSmall));
        const TSingleBounds before{1, 2, 30, 40};
        g.RootObj().SetExternalBounds(before);
        EmfRecorderCanvas target(c.w, c.h);
        g.Draw(target, TRect(0, 0, c.w, c.h));
        ASSERT_EQ(cls.Devices.size(), 1u) << c.w;
        if (c.intermediate.isEmpty()) {
            EXPECT_EQ(cls.Devices[0], &target) << c.w;
        } else {
            EXPECT_NE(cls.Devices[0], &target) << c.w;
            EXPECT_EQ(cls.MetafileSizes[0], c.intermediate) << c.w;
        }
        EXPECT_TRUE(SameBounds(g.RootObj().ExternalBounds(), before)) << c.w;
        EXPECT_FALSE(target.finish().isEmpty());
    }
    // Any other canvas is painted directly.
    SvgRecordingCanvasClass cls;
    TvdxSVGGraphic g;
    g.RootObj().SetCanvasClass(&cls);
    g.LoadFromText(QString::fromLatin1(kSmall));
    QImage img(20, 20, QImage::Format_ARGB32_Premultiplied);
    QPainterCanvas dc(img);
    g.Draw(dc, TRect(0, 0, 20, 20));
    ASSERT_EQ(cls.Devices.size(), 1u);
    EXPECT_EQ(cls.Devices[0], &dc);
}

TEST(SvgPicture, DrawingFillsTheRectangleAndKeepsTheAlignment)
{
    // A view box aligned in the middle of a wider picture stays in the middle
    // when the picture is drawn at twice its size.
    TvdxSVGGraphic g;
    g.LoadFromText(QStringLiteral(R"(<svg width="40" height="20" viewBox="0 0 10 10"><rect width="10" height="10" fill="#ff0000"/></svg>)"));
    QImage img(80, 40, QImage::Format_ARGB32_Premultiplied);
    img.fill(0);
    {
        QPainterCanvas dc(img);
        g.Draw(dc, TRect(0, 0, 80, 40));
    }
    EXPECT_EQ(qAlpha(img.pixel(10, 20)), 0);
    EXPECT_EQ(img.pixelColor(40, 20), QColor(255, 0, 0));
    EXPECT_EQ(img.pixelColor(22, 20), QColor(255, 0, 0));
    EXPECT_EQ(qAlpha(img.pixel(70, 20)), 0);
}

TEST(SvgPicture, CopiesParseTheSourceAgainWithTheExternalSettings)
{
    TvdxSVGGraphic a;
    a.LoadFromText(QString::fromLatin1(kSmall));
    a.RootObj().SetExternalBounds({5, 6, 70, 80});
    a.RootObj().SetExternalFontSize(20);
    a.RootObj().SetExternalFontName(QStringLiteral("Courier New"));
    a.RootObj().SetExternalOpacity(0.5f);
    std::unique_ptr<TGraphic> copy = a.Clone();
    auto &b = static_cast<TvdxSVGGraphic &>(*copy);
    EXPECT_EQ(b.Source(), a.Source());
    EXPECT_TRUE(SameBounds(b.RootObj().ExternalBounds(), a.RootObj().ExternalBounds()));
    EXPECT_FLOAT_EQ(b.RootObj().ExternalFontSize(), 20);
    EXPECT_EQ(b.RootObj().ExternalFontName(), QStringLiteral("Courier New"));
    EXPECT_FLOAT_EQ(b.RootObj().ExternalOpacity(), 0.5f);
    EXPECT_NE(&b.RootObj(), &a.RootObj());
    a.LoadFromText(QStringLiteral("<svg width=\"3\" height=\"3\"/>"));
    EXPECT_EQ(b.Width(), 10);

    TBitmap bmp(30, 20);
    std::unique_ptr<TGraphic> converted = TvdxSVGGraphicFormat::Class()->ConvertFrom(&bmp, pf24bit, 100);
    ASSERT_NE(converted, nullptr);
    EXPECT_TRUE(converted->Empty());
    const TSingleBounds eb = static_cast<TvdxSVGGraphic &>(*converted).RootObj().ExternalBounds();
    EXPECT_FLOAT_EQ(eb.Width, 30);
    EXPECT_FLOAT_EQ(eb.Height, 20);
    std::unique_ptr<TGraphic> scaled = TvdxSVGGraphicFormat::Class()->ScaleGraphicToNew(&b, 500, 500);
    EXPECT_EQ(scaled->Width(), 10);
}
