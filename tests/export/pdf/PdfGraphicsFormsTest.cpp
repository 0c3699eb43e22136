// The operator texts of page content: colour forms, dash patterns, rectangles
// and lengths, each against the exact text a reader receives.
#include "export/pdf/vdxExportPDF.h"
#include "export/pdf/vdxExportPDFForms.h"

#include <gtest/gtest.h>

namespace {

using FS = TvdxFrameLine::TvdxFrameStyle;

TEST(PdfColorForms, PdfColorStr)
{
    struct Case {
        TColor color;
        const char *text;
    } cases[] = {
        {clBlack, "0 0 0"},
        {clWhite, "1 1 1"},
        {clRed, "1.00 0.00 0.00"},
        {clBlue, "0.00 0.00 1.00"},
        {RGBColor(128, 64, 10), "0.50 0.25 0.04"},
        {RGBColor(255, 255, 254), "1.00 1.00 1.00"},
        {RGBColor(1, 0, 0), "0.00 0.00 0.00"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(PdfColorStr(c.color), QString::fromLatin1(c.text)) << std::hex << c.color;
    // A system colour is resolved first: never the raw bits.
    const QString window = PdfColorStr(clSystemColor | 5);
    EXPECT_EQ(window, PdfColorStr(ColorToRGB(clSystemColor | 5)));
}

TEST(PdfColorForms, ColorToPdfRGB)
{
    struct Case {
        TColor color;
        const char *text;
    } cases[] = {
        {clNone, "0 0 0"},
        {clBlack, "0 0 0"},
        {clWhite, "1 1 1"},
        {clRed, "1 0 0"},
        {RGBColor(128, 64, 10), "0.502 0.251 0.039"},
        {RGBColor(51, 102, 204), "0.2 0.4 0.8"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ColorToPdfRGB(c.color), QString::fromLatin1(c.text)) << std::hex << c.color;
}

TEST(PdfColorForms, ChannelStr)
{
    struct Case {
        int v;
        const char *text;
    } cases[] = {
        {0, "0"}, {255, "1"}, {128, "0.50"}, {10, "0.03"}, {1, "0.00"}, {3, "0.01"}, {254, "0.99"}, {64, "0.25"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ChannelStr(c.v), QString::fromLatin1(c.text)) << c.v;
    EXPECT_EQ(ChannelColorStr(RGBColor(10, 128, 255)), "0.03 0.50 1");
    EXPECT_EQ(ChannelColorStr(clBlack), "0 0 0");
}

TEST(PdfDashPattern, EveryStyleAndThinLines)
{
    struct Case {
        FS style;
        double width;
        const char *text;
    } cases[] = {
        {FS::fsSolid, 1, "[] 0 d"},
        {FS::fsDash, 1, "[13.5 4.5] 0 d"},
        {FS::fsDot, 1, "[2.25 2.25] 0 d"},
        {FS::fsDashDot, 3, "[6.75 4.5 2.25 4.5] 0 d"},
        {FS::fsDashDotDot, 1, "[6.75 2.25 2.25 2.25 2.25 2.25] 0 d"},
        {FS::fsDouble, 2, "[] 0 d"},
        {FS::fsAltDot, 2, "1 J\r\n[0 3] 0 d"},
        {FS::fsAltDot, 0.5, "1 J\r\n[0 0.75] 0 d"},
        {FS::fsSquare, 1, "0 J\r\n[0.75 0.75] 0 d"},
        {FS::fsSquare, 0.75, "0 J\r\n[0.563 0.563] 0 d"},
        // Below 0.01 every style is solid.
        {FS::fsDash, 0.005, "[] 0 d"},
        {FS::fsAltDot, 0, "[] 0 d"},
        {FS::fsSquare, -1, "[] 0 d"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(DashPattern(c.style, c.width), QString::fromLatin1(c.text)) << int(c.style) << " " << c.width;
}

TEST(PdfRectAndLengths, TrimmedForms)
{
    EXPECT_EQ(RectToPdfStr(TPdfRect{10, 100, 60.5, 40.25}), "10 40.25 50.5 59.75 re");
    EXPECT_EQ(RectToPdfStr(TPdfRect{0, 0, 0, 0}), "0 0 0 0 re");
    EXPECT_EQ(RectToPdfStr(TPdfRect{1.0004, 2, 3, 1}), "1 1 2 1 re");
    EXPECT_EQ(TvdxPDFExport::PdfLengthStr(1), "0.75");
    EXPECT_EQ(TvdxPDFExport::PdfLengthStr(0.75), "0.563");
    EXPECT_EQ(TvdxPDFExport::PdfLengthStr(4), "3");
    EXPECT_EQ(TvdxPDFExport::PdfLengthStr(0), "0");
    EXPECT_EQ(Fixed2(0.75), "0.75");
    EXPECT_EQ(Fixed2(3), "3.00");
}

} // namespace
