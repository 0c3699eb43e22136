#include "platform/FontMap.h"
#include "platform/GraphicsTypes.h"
#include "platform/Exception.h"
#include <QFileInfo>
#include <gtest/gtest.h>

TEST(GraphicsTypes, ColoursKeepRedInTheLowByte)
{
    EXPECT_EQ(RGBColor(0x12, 0x34, 0x56), 0x563412);
    EXPECT_EQ(GetRValue(clRed), 255);
    EXPECT_EQ(GetBValue(clBlue), 255);
    EXPECT_EQ(toQColor(clRed), QColor(255, 0, 0));
    EXPECT_EQ(fromQColor(QColor(0, 0, 255)), clBlue);
}

TEST(GraphicsTypes, SystemColoursResolveThroughTheFixedPalette)
{
    EXPECT_EQ(ColorToRGB(clBtnFace), RGBColor(0xF0, 0xF0, 0xF0));
    EXPECT_EQ(ColorToRGB(clWindow), clWhite);
    EXPECT_EQ(ColorToRGB(clWindowText), clBlack);
    EXPECT_EQ(ColorToRGB(clHighlight), RGBColor(0x00, 0x78, 0xD7));
    EXPECT_EQ(ColorToRGB(clRed), clRed);
    EXPECT_EQ(ColorToRGB(clNone), clNone);
    EXPECT_EQ(clNone, 0x1FFFFFFF);
    EXPECT_LT(clBtnFace, 0);
}

TEST(GraphicsTypes, ColourNamesRoundTrip)
{
    struct Case {
        TColor color;
        const char *text;
    } cases[] = {{clRed, "clRed"}, {clBtnFace, "clBtnFace"}, {clNone, "clNone"}, {0x123456, "$00123456"},
                 {TColor(0xFF000099u), "$FF000099"}};
    for (const Case &c : cases) {
        EXPECT_EQ(ColorToString(c.color), QString::fromLatin1(c.text));
        EXPECT_EQ(StringToColor(QString::fromLatin1(c.text)), c.color) << c.text;
    }
    EXPECT_EQ(StringToColor(QStringLiteral("clred")), clRed);
    EXPECT_EQ(StringToColor(QStringLiteral("255")), clRed);
    EXPECT_EQ(StringToColor(QStringLiteral("-16777201")), clBtnFace);
    EXPECT_THROW(StringToColor(QStringLiteral("notacolour")), EConvertError);
}

TEST(GraphicsTypes, RectanglesHaveExclusiveEdges)
{
    TRect r(10, 20, 30, 60);
    EXPECT_EQ(r.Width(), 20);
    EXPECT_EQ(r.Height(), 40);
    EXPECT_TRUE(r.Contains(TPoint(10, 20)));
    EXPECT_FALSE(r.Contains(TPoint(30, 20)));
    EXPECT_FALSE(r.Contains(TPoint(10, 60)));
    EXPECT_EQ(r.toQRect(), QRect(10, 20, 20, 40));
    EXPECT_EQ(TRect::fromQRect(QRect(10, 20, 20, 40)), r);
    EXPECT_EQ(r.Intersect(TRect(25, 0, 100, 30)), TRect(25, 20, 30, 30));
    EXPECT_TRUE(r.Intersect(TRect(30, 20, 40, 60)).IsEmpty());
    EXPECT_EQ(TRect(5, 5, 0, 0).Normalized(), TRect(0, 0, 5, 5));
    EXPECT_EQ(TRect::fromQRectF(QRectF(0.5, 0.5, 1.0, 1.0)), TRect(0, 0, 2, 2));
}

TEST(GraphicsTypes, MulDivRoundsHalvesAwayFromZeroAndSaturates)
{
    struct Case { int a, b, c, expected; };
    const Case cases[] = {
        {12, 72, 96, 9},              // font heights: 9 exactly
        {5, 1, 2, 3},                 // half up
        {-5, 1, 2, -3},               // half away from zero, not to even
        {5, -1, 2, -3},
        {7, 1, 3, 2},
        {1, 1, 0, -1},                // division by zero
        {INT32_MAX, INT32_MAX, 1, INT32_MAX},
        {INT32_MIN, INT32_MAX, 1, INT32_MIN},
        {INT32_MAX, 2, 2, INT32_MAX}, // the product needs 64 bits
    };
    for (const Case &c : cases)
        EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.expected) << c.a << "*" << c.b << "/" << c.c;
}

TEST(FontMap, TemplateFamiliesMapToInstalledFonts)
{
    struct Case {
        const char *from;
        const char *to;
    } cases[] = {{"Arial", "Liberation Sans"},        {"arial", "Liberation Sans"},
                 {"Times New Roman", "Liberation Serif"}, {"Courier New", "Liberation Mono"},
                 {"Tahoma", "DejaVu Sans"},           {"No Such Family 123", "DejaVu Sans"},
                 {"DejaVu Serif", "DejaVu Serif"},    {"Liberation Mono", "Liberation Mono"}};
    for (const Case &c : cases)
        EXPECT_EQ(MapFontFamily(QString::fromLatin1(c.from)), QString::fromLatin1(c.to)) << c.from;
}

TEST(FontMap, RawFontsAndFilesComeFromTheMappedFamily)
{
    QRawFont f = RawFontFor(QStringLiteral("Arial"), 700, false, 20);
    ASSERT_TRUE(f.isValid());
    EXPECT_EQ(f.familyName(), QStringLiteral("Liberation Sans"));
    EXPECT_DOUBLE_EQ(f.pixelSize(), 20);
    const QString path = FontFilePath(QStringLiteral("Arial"), 700, false);
    EXPECT_EQ(QFileInfo(path).fileName(), QStringLiteral("LiberationSans-Bold.ttf"));
    EXPECT_TRUE(QFileInfo::exists(path));
}
