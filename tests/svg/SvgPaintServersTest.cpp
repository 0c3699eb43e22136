// Gradients and patterns: the records the paint servers hand to the canvas.
#include "SvgRecordingCanvas.h"
#include "platform/QPainterCanvas.h"
#include "svg/vdSVGPaintServers.h"
#include "svg/vdSVGRoot.h"

#include <gtest/gtest.h>

namespace {

struct Painted {
    SvgRecordingCanvasClass cls;
    TSVGRootObj root{&cls};
    QImage image{100, 100, QImage::Format_ARGB32_Premultiplied};

    explicit Painted(const QString &body)
    {
        image.fill(0);
        root.LoadFromText(QStringLiteral("<svg width=\"200\" height=\"200\">") + body + QStringLiteral("</svg>"));
        QPainterCanvas dc(image);
        root.PaintTo(dc);
    }
    SvgCanvasRecord paint(size_t i = 0) const
    {
        const auto p = cls.Of(QStringLiteral("paint"));
        return i < p.size() ? p[i] : SvgCanvasRecord();
    }
};

} // namespace

TEST(SvgPaintServers, StopsGainEndsAtZeroAndOne)
{
    Painted p(QStringLiteral(R"x(<linearGradient id="g"><stop offset="0.2" stop-color="#ff0000"/><stop offset="80%" stop-color="#0000ff"/></linearGradient>
                                <rect width="10" height="10" fill="url(#g)"/>)x"));
    const SvgCanvasRecord r = p.paint();
    ASSERT_EQ(r.fillerType, ftLinearGradient);
    const TSVGGradientArray &s = r.gradient.GradientArray;
    ASSERT_EQ(s.size(), 4u);
    const float offsets[] = {0, 0.2f, 0.8f, 1};
    const int reds[] = {255, 255, 0, 0};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(s[i].Offset, offsets[i]) << i;
        EXPECT_EQ(s[i].SVGColor.R, reds[i]) << i;
    }
}

TEST(SvgPaintServers, OpacityScalesEveryStop)
{
    Painted p(QStringLiteral(R"x(<linearGradient id="g"><stop offset="0" stop-color="red" stop-opacity="0.5"/><stop offset="1" stop-color="blue"/></linearGradient>
                                <rect width="10" height="10" fill="url(#g)" fill-opacity="0.5"/>)x"));
    const TSVGGradientArray &s = p.paint().gradient.GradientArray;
    ASSERT_EQ(s.size(), 2u);
    EXPECT_FLOAT_EQ(s[0].SVGColor.Alpha, 0.25f);
    EXPECT_FLOAT_EQ(s[1].SVGColor.Alpha, 0.5f);
}

TEST(SvgPaintServers, BoundingBoxCoordinatesRunOverTheUser)
{
    Painted p(QStringLiteral(R"x(<linearGradient id="g" x1="0" x2="1" y2="0.5"><stop offset="0" stop-color="red"/></linearGradient>
                                <radialGradient id="r" cx="0.25" r="0.5"><stop offset="0" stop-color="red"/></radialGradient>
                                <radialGradient id="f" fx="0.1" fy="20%"><stop offset="0" stop-color="red"/></radialGradient>
                                <rect x="10" y="20" width="100" height="50" fill="url(#g)"/>
                                <rect x="10" y="20" width="100" height="50" fill="url(#r)"/>
                                <rect x="10" y="20" width="100" height="50" fill="url(#f)"/>)x"));
    const TSVGGradientData lin = p.paint(0).gradient;
    EXPECT_FLOAT_EQ(lin.x1, 10);
    EXPECT_FLOAT_EQ(lin.x2, 110);
    EXPECT_FLOAT_EQ(lin.y1, 20);
    EXPECT_FLOAT_EQ(lin.y2, 45);
    const TSVGGradientData rad = p.paint(1).gradient;
    EXPECT_EQ(rad.FillerType, ftRadialGradient);
    EXPECT_FLOAT_EQ(rad.cx, 35);
    EXPECT_FLOAT_EQ(rad.cy, 45);
    // Without a focus the focus is the centre.
    EXPECT_FLOAT_EQ(rad.fx, rad.cx);
    EXPECT_FLOAT_EQ(rad.fy, rad.cy);
    const TSVGGradientData focus = p.paint(2).gradient;
    EXPECT_FLOAT_EQ(focus.fx, 20);
    EXPECT_FLOAT_EQ(focus.fy, 30);
}

TEST(SvgPaintServers, OwnStopsWinOverTheReferencedOnes)
{
    Painted p(QStringLiteral(R"x(<linearGradient id="base"><stop offset="0" stop-color="red"/><stop offset="1" stop-color="red"/></linearGradient>
                                <linearGradient id="own" href="#base"><stop offset="0" stop-color="lime"/><stop offset="1" stop-color="lime"/></linearGradient>
                                <linearGradient id="borrow" xlink:href="#base" x2="0.5"/>
                                <linearGradient id="chain" href="#borrow"/>
                                <linearGradient id="loop" href="#loop"/>
                                <rect width="10" height="10" fill="url(#own)"/><rect width="10" height="10" fill="url(#borrow)"/>
                                <rect width="10" height="10" fill="url(#chain)"/><rect width="10" height="10" fill="url(#loop)"/>)x"));
    EXPECT_EQ(p.paint(0).gradient.GradientArray.at(0).SVGColor.G, 255);
    EXPECT_EQ(p.paint(1).gradient.GradientArray.at(0).SVGColor.R, 255);
    EXPECT_EQ(p.paint(2).gradient.GradientArray.at(0).SVGColor.R, 255);
    EXPECT_TRUE(p.paint(3).gradient.GradientArray.empty());
}

TEST(SvgPaintServers, PatternTilesGetEnoughPixels)
{
    struct Case {
        const char *pattern;
        int pixels;
        float factor, offsetX;
    };
    const Case cases[] = {
        {R"x(width="10" height="10")x", 70, 1.0f / 7, 0},
        {R"x(width="100" height="100")x", 100, 1, 0},
        {R"x(x="25" width="10" height="10")x", 70, 1.0f / 7, 5},
        {R"x(x="-3" width="10" height="10")x", 70, 1.0f / 7, -3},
    };
    for (const Case &c : cases) {
        Painted p(QStringLiteral(R"x(<pattern id="p" patternUnits="userSpaceOnUse" %1><rect width="5" height="5" fill="red"/></pattern>
                                    <rect width="50" height="50" fill="url(#p)"/>)x")
                      .arg(QLatin1String(c.pattern)));
        const SvgCanvasRecord r = p.paint();
        ASSERT_EQ(r.fillerType, ftPattern) << c.pattern;
        ASSERT_TRUE(r.pattern.Bitmap) << c.pattern;
        EXPECT_EQ(r.pattern.Bitmap->width(), c.pixels) << c.pattern;
        EXPECT_EQ(r.pattern.Bitmap->height(), c.pixels) << c.pattern;
        EXPECT_FLOAT_EQ(r.pattern.Factor, c.factor) << c.pattern;
        EXPECT_FLOAT_EQ(r.pattern.Offset.X, c.offsetX) << c.pattern;
    }
}

TEST(SvgPaintServers, PatternContentIsDrawnIntoTheTile)
{
    // A red square over the tile's left half, with half opacity.
    Painted p(QStringLiteral(R"x(<pattern id="p" patternUnits="userSpaceOnUse" width="100" height="100">
                                  <rect width="50" height="100" fill="#ff0000"/></pattern>
                                <rect width="50" height="50" fill="url(#p)" fill-opacity="0.5"/>)x"));
    const SvgCanvasRecord r = p.paint();
    ASSERT_TRUE(r.pattern.Bitmap);
    const QImage &tile = *r.pattern.Bitmap;
    EXPECT_EQ(tile.pixelColor(10, 50).alpha(), 128);
    EXPECT_EQ(tile.pixelColor(10, 50).red(), 255);
    EXPECT_EQ(tile.pixelColor(90, 50).alpha(), 0);
}

TEST(SvgPaintServers, EmptyHugeAndSelfPaintingPatternsEndQuickly)
{
    // No size: no tile.
    Painted none(QStringLiteral(R"x(<pattern id="p" width="0" height="10"><rect width="5" height="5"/></pattern>
                                   <rect width="50" height="50" fill="url(#p)"/>)x"));
    EXPECT_FALSE(none.paint().pattern.Bitmap);
    // Huge: the tile keeps its place with fewer pixels.
    Painted huge(QStringLiteral(R"x(<pattern id="p" patternUnits="userSpaceOnUse" width="100000" height="100000"><rect width="5" height="5"/></pattern>
                                   <rect width="50" height="50" fill="url(#p)"/>)x"));
    ASSERT_TRUE(huge.paint().pattern.Bitmap);
    EXPECT_LE(qint64(huge.paint().pattern.Bitmap->width()) * huge.paint().pattern.Bitmap->height(),
              Tel_pattern::MaxTilePixels);
    EXPECT_NEAR(huge.paint().pattern.Factor * huge.paint().pattern.Bitmap->width(), 100000, 100);
    // A pattern painted with itself, and two that paint each other.
    Painted self(QStringLiteral(R"x(<pattern id="p" patternUnits="userSpaceOnUse" width="10" height="10"><rect width="5" height="5" fill="url(#p)"/></pattern>
                                   <pattern id="a" patternUnits="userSpaceOnUse" width="10" height="10"><rect width="5" height="5" fill="url(#b)"/></pattern>
                                   <pattern id="b" patternUnits="userSpaceOnUse" width="10" height="10"><rect width="5" height="5" fill="url(#a)"/></pattern>
                                   <rect width="50" height="50" fill="url(#p)"/><rect width="50" height="50" fill="url(#a)"/>)x"));
    EXPECT_TRUE(self.paint(0).pattern.Bitmap);
}
