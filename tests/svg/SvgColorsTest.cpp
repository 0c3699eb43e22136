#include "svg/vdSVGColors.h"

#include <QColor>
#include <gtest/gtest.h>

namespace {

struct Expect {
    const char *text;
    bool changes;
    int r, g, b;
    float alpha;
};

} // namespace

TEST(SvgColors, PaintTexts)
{
    const Expect cases[] = {
        {"#FFF", true, 255, 255, 255, 1},
        {"#ffffff", true, 255, 255, 255, 1},
        {"#fFf0", false, 0, 0, 0, 0},
        {"#ffffff80", false, 0, 0, 0, 0},
        {"#ggg", false, 0, 0, 0, 0},
        {"rgb(100%,50%,0%)", true, 255, 128, 0, 1},
        {"rgb(100%, 50%, 0%)", true, 255, 128, 0, 1},
        {"rgb(300,-5,0)", true, 255, 0, 0, 1},
        {"rgb(255 0 0)", false, 0, 0, 0, 0},
        {"rgb(1.5, 0, 0)", false, 0, 0, 0, 0},
        {"RGB(1,2,3)", false, 0, 0, 0, 0},
        {"rgba(0, 0, 255, 0.5)", true, 0, 0, 255, 0.5f},
        {"rgba(0, 0, 255, 50%)", false, 0, 0, 0, 0},
        {"rgba(0, 0, 255)", false, 0, 0, 0, 0},
        {"hsl(120,100%,50%)", true, 0, 255, 0, 1},
        {"hsl(-120, 100%, 50%)", true, 0, 0, 255, 1},
        {"hsl(120, 100, 50)", false, 0, 0, 0, 0},
        {"hsla(0, 100%, 50%, 0.25)", true, 255, 0, 0, 0.25f},
        {"Red", true, 255, 0, 0, 1},
        {"RED", true, 255, 0, 0, 1},
        {"grey", true, 128, 128, 128, 1},
        {"notacolour", false, 0, 0, 0, 0},
        {"url(#g1) red", false, 0, 0, 0, 0},
    };
    for (const Expect &c : cases) {
        TSVGPaint p;
        p.SW = svg_context_fill; // marks "unchanged"
        ParsePaint(QString::fromUtf8(c.text), p);
        if (!c.changes) {
            EXPECT_EQ(p.SW, svg_context_fill) << c.text;
            continue;
        }
        ASSERT_EQ(p.SW, vdx_RGBA) << c.text;
        EXPECT_EQ(p.R, c.r) << c.text;
        EXPECT_EQ(p.G, c.g) << c.text;
        EXPECT_EQ(p.B, c.b) << c.text;
        EXPECT_FLOAT_EQ(p.Alpha, c.alpha) << c.text;
    }
}

TEST(SvgColors, KeywordsAndReferences)
{
    struct Case {
        const char *text;
        TSVGSpecificWord sw;
        const char *uri;
    } cases[] = {
        {"none", svg_none, ""},
        {"transparent", svg_none, ""},
        {"currentcolor", svg_currentcolor, ""},
        {"currentColor", svg_currentcolor, ""},
        {"CURRENTCOLOR", svg_currentcolor, ""},
        {"inherit", svg_inherit, ""},
        {"context-stroke", svg_context_stroke, ""},
        {"url(#g1)", vdx_URI, "g1"},
        {"url('#g1')", vdx_URI, "g1"},
        {"url(\"#g1\")", vdx_URI, "g1"},
        {"url(g1)", vdx_noMater, ""},
    };
    for (const Case &c : cases) {
        TSVGPaint p;
        ParsePaint(QString::fromUtf8(c.text), p);
        EXPECT_EQ(p.SW, c.sw) << c.text;
        if (c.sw == vdx_URI) {
            EXPECT_EQ(p.URI, QString::fromUtf8(c.uri)) << c.text;
        }
    }
}

TEST(SvgColors, ColorAllowsOneKeyword)
{
    TSVGColorSW c{vdx_RGBA, 1, 2, 3, 1};
    ParseColor(QStringLiteral("inherit"), svg_currentcolor, c);
    EXPECT_EQ(c.SW, vdx_RGBA);
    EXPECT_EQ(c.R, 1);
    ParseColor(QStringLiteral("currentcolor"), svg_currentcolor, c);
    EXPECT_EQ(c.SW, svg_currentcolor);
    ParseColor(QStringLiteral("url(#x)"), svg_currentcolor, c);
    EXPECT_EQ(c.SW, svg_currentcolor);
    ParseColor(QStringLiteral("#010203"), svg_inherit, c);
    EXPECT_EQ(c.SW, vdx_RGBA);
    EXPECT_EQ(c.B, 3);
}

// Qt's table of the same keywords is an independent oracle for ours.
TEST(SvgColors, NamedColorsAgreeWithQt)
{
    int checked = 0;
    for (const QString &name : QColor::colorNames()) {
        if (name == QLatin1String("transparent"))
            continue;
        const QColor q = QColor::fromString(name);
        TSVGPaint p;
        ASSERT_TRUE(DecodeColorName(name, p)) << name.toStdString();
        EXPECT_EQ(p.R, q.red()) << name.toStdString();
        EXPECT_EQ(p.G, q.green()) << name.toStdString();
        EXPECT_EQ(p.B, q.blue()) << name.toStdString();
        ++checked;
    }
    EXPECT_EQ(checked, SVGColorNameCount());
}
