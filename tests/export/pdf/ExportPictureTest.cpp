// The drawable picture of the image writers: pixel format by output format,
// filling, and the metafile detour for transparent vector art.
#include "core/vdGraphic.h"
#include "core/vdPictureGraphics.h"
#include "export/pdf/vdxExportHelpers.h"
#include "export/pdf/vdxExportPDFHelpers.h"
#include "platform/Canvas.h"

#include <gtest/gtest.h>

TEST(TvdxPicture, PixelFormatFollowsFormatTransparencyAndAlpha)
{
    struct Case {
        TvdxPictureFormat format;
        bool transparent, isAlpha;
        TPixelFormat expected;
    } cases[] = {
        {TvdxPictureFormat::pfPNG, true, false, pf32bit},
        {TvdxPictureFormat::pfPNG, false, false, pf24bit},
        {TvdxPictureFormat::pfBMP, false, false, pf24bit},
        {TvdxPictureFormat::pfBMP, true, false, pf24bit},
        {TvdxPictureFormat::pfBMP32, false, false, pf32bit},
        {TvdxPictureFormat::pfJPG, false, true, pf32bit},
        {TvdxPictureFormat::pfJPG, false, false, pf24bit},
    };
    for (const Case &c : cases) {
        TvdxPicture p(c.format, 4, 3, c.transparent, false, c.isAlpha);
        EXPECT_EQ(p.PixelFormat(), c.expected) << int(c.format) << c.transparent << c.isAlpha;
        TGraphic *g = p.Release(1);
        ASSERT_NE(g, nullptr);
        EXPECT_EQ(g->Width(), 4);
        EXPECT_EQ(g->Height(), 3);
    }
}

TEST(TvdxPicture, FillColorPaintsABitmapAndReplacesNone)
{
    TvdxPicture p(TvdxPictureFormat::pfBMP, 5, 5, false, false, false);
    p.FillColor(clNone, clRed);
    auto *bmp = dynamic_cast<TBitmap *>(p.Release(1));
    ASSERT_NE(bmp, nullptr);
    EXPECT_EQ(bmp->Pixel(0, 0), clRed);
    EXPECT_EQ(bmp->Pixel(4, 4), clRed);
}

TEST(TvdxPicture, FillColorLeavesAnAlphaPictureUnfilled)
{
    TvdxPicture p(TvdxPictureFormat::pfPNG, 5, 5, true, false, false);
    ASSERT_EQ(p.PixelFormat(), pf32bit);
    const TvdxCustomGraphicFormat *png = GetGraphicFormats()->FindByName("PNG");
    ASSERT_NE(png, nullptr);
    p.FillColor(clBlue, clWhite);
    TGraphic *g = p.Release(1);
    ASSERT_NE(g, nullptr);
    if (!png->HasAlphaChanel(g))
        GTEST_SKIP() << "the PNG format reports no alpha channel for a new picture";
    std::unique_ptr<TBitmap> b = png->ConvertToBitmap(g, pf32bit);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(b->Pixel(2, 2), clBlue);
}

TEST(TvdxPicture, TransparentVectorArtIsConvertedAtRelease)
{
    TvdxPicture p(TvdxPictureFormat::pfPNG, 8, 6, true, true, false);
    Canvas &c = p.GetCanvas();
    c.setBrush(CanvasBrush(clGreen, BrushStyle::Solid));
    c.FillRect(TRect(0, 0, 8, 6));
    TGraphic *g = p.Release(1);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(GetGraphicFormats()->FindByGraphic(&g->graphicClass())->GetGraphicName(), "PNG");
    EXPECT_THROW(p.GetCanvas(), EPDFExportError); // released
}
