// DrawBarcode geometry: bar heights and caption bands in module units, the
// caption pair kept on opposite edges, and unpainted backgrounds.
#include "LinearRender.h"
#include "barcode/vdxBarcode.h"
#include "platform/QPainterCanvas.h"

#include <gtest/gtest.h>

namespace {

using B = TvdxBarcode;

bool dark(const QImage &img, int x, int y) { return qGray(img.pixel(x, y)) < 128; }

// Length of the dark run in column x starting at row y0.
int darkRun(const QImage &img, int x, int y0)
{
    int y = y0;
    while (y < img.height() && dark(img, x, y))
        ++y;
    return y - y0;
}

} // namespace

TEST(LinearDraw, BarHeightsAndCaptionBandsIn60Units)
{
    struct Case {
        B::TvdxBarcodeType type;
        const char *text;
        int bars; // units
    } cases[] = {
        {B::bcCode39, "CODE39", 44},  // 60 - (2 + 12) - 2
        {B::bcCodeEAN13, "590123412345", 53}, // 60 - 14 / 2: the guards reach into the band
        {B::bcCode128, "AB", 44},
    };
    const int unit = 3, margin = 20;
    for (const auto &c : cases) {
        B bc;
        bc.SetTyp(c.type);
        bc.Text = c.text;
        bc.Checksum = true;
        LinearRenderOptions o;
        o.module = unit;
        o.height = 60;
        o.margin = margin;
        const QImage img = RenderLinear(bc, o);
        EXPECT_EQ(bc.Height, c.bars) << c.text;
        // The first bar starts one unit in.
        const int x = (margin + 1) * unit + 1;
        EXPECT_EQ(darkRun(img, x, margin * unit), c.bars * unit) << c.text;
    }
    // Without captions the bars take the whole height.
    B bc;
    bc.SetTyp(B::bcCode39);
    bc.Text = "CODE39";
    LinearRenderOptions o;
    o.module = 2;
    o.showText = false;
    RenderLinear(bc, o);
    EXPECT_EQ(bc.Height, 60);
}

TEST(LinearDraw, CaptionOnTopMovesTheBarsDown)
{
    B bc;
    bc.SetTyp(B::bcCode39);
    bc.Text = "TOP";
    bc.BarcodeText()->TextSettings()->SetBarTextPos(TvdxTextSettings::btpTop);
    LinearRenderOptions o;
    o.module = 2;
    const QImage img = RenderLinear(bc, o);
    EXPECT_EQ(bc.Top, 16);
    EXPECT_EQ(bc.Height, 44);
    const int x = (o.margin + 1) * o.module + 1;
    EXPECT_FALSE(dark(img, x, (o.margin + 15) * o.module));
    EXPECT_EQ(darkRun(img, x, (o.margin + 16) * o.module), 44 * o.module);
}

TEST(LinearDraw, IntelligentMailHeightIsAMultipleOfThree)
{
    for (int h : {40, 41, 50, 61}) {
        B bc;
        bc.SetTyp(B::bcCodeUSPSIntelligentMail);
        bc.Text = "01234567094987654321";
        LinearRenderOptions o;
        o.module = 1;
        o.height = h;
        RenderLinear(bc, o);
        EXPECT_EQ(bc.Height % 3, 0) << h;
        EXPECT_GT(bc.Height, 0);
    }
}

TEST(LinearDraw, CaptionPairStaysOnOppositeEdges)
{
    TvdxBarcodeText text;
    EXPECT_EQ(text.TextSettings()->BarTextPos(), TvdxTextSettings::btpBottom);
    EXPECT_EQ(text.SupSettings()->BarTextPos(), TvdxTextSettings::btpTop);
    EXPECT_EQ(text.TextSettings()->Font()->Height(), -12);
    EXPECT_EQ(text.SupSettings()->Font()->Size(), 7);
    text.TextSettings()->SetBarTextPos(TvdxTextSettings::btpTop);
    EXPECT_EQ(text.SupSettings()->BarTextPos(), TvdxTextSettings::btpBottom);
    text.SupSettings()->SetBarTextPos(TvdxTextSettings::btpTop);
    EXPECT_EQ(text.TextSettings()->BarTextPos(), TvdxTextSettings::btpBottom);
    EXPECT_FALSE(text.IsLock());
    // Assign copies font and edge without moving the partner.
    TvdxBarcodeText other;
    other.TextSettings()->Assign(text.SupSettings());
    EXPECT_EQ(other.TextSettings()->BarTextPos(), TvdxTextSettings::btpTop);
    EXPECT_EQ(other.SupSettings()->BarTextPos(), TvdxTextSettings::btpTop);
}

TEST(LinearDraw, NoBackgroundPaintedWithoutColour)
{
    B bc;
    bc.SetTyp(B::bcCode39);
    bc.Text = "NONE";
    bc.Color = clNone;
    bc.TextSup = "SUP";
    const int W = bc.Width();
    QImage img(W * 2, 120, QImage::Format_RGB32);
    img.fill(QColor(0, 200, 0));
    QPainterCanvas canvas(img);
    bc.DrawBarcode(canvas, TRect(0, 0, W * 2, 120), true);
    int green = 0, white = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = img.pixel(x, y);
            green += p == qRgb(0, 200, 0);
            white += p == qRgb(255, 255, 255);
        }
    EXPECT_EQ(white, 0);
    EXPECT_GT(green, img.width() * img.height() / 3);
}

TEST(LinearDraw, AnyAngleAndTinyRectanglesDrawWithoutFault)
{
    for (double angle : {0.0, 45.0, 90.0, 135.0, 180.0, 225.0, 270.0, 315.0, -90.0, 720.0, 1e300}) {
        for (auto rect : {TRect(0, 0, 200, 100), TRect(5, 5, 6, 6), TRect(0, 0, 0, 0), TRect(10, 10, 2, 2)}) {
            B bc;
            bc.SetTyp(B::bcCodeEAN13);
            bc.Text = "590123412345";
            bc.Checksum = true;
            bc.Angle = angle;
            bc.TextSup = "sup";
            QImage img(220, 120, QImage::Format_RGB32);
            img.fill(Qt::white);
            QPainterCanvas canvas(img);
            bc.DrawBarcode(canvas, rect, true);
        }
    }
}
