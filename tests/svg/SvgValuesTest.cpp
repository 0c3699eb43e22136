#include "core/ProcessLocale.h"
#include "svg/vdSVGCSS.h"
#include "svg/vdSVGValues.h"

#include <gtest/gtest.h>

namespace {

TSVGLength length(const char *text)
{
    TSVGLength l{-1, suPX};
    ParseLength(QString::fromUtf8(text), l);
    return l;
}

} // namespace

TEST(SvgValues, NumbersTakeEitherSeparator)
{
    struct Case {
        const char *text;
        bool ok;
        float value;
    } cases[] = {
        {"1.5", true, 1.5f},  {"1,5", true, 1.5f},   {"1.5.3", false, 0},  {" -2e3 ", true, -2000},
        {"+.5", true, 0.5f},  {"1e", false, 0},      {"", false, 0},       {"inf", false, 0},
        {"nan", false, 0},    {"0x10", false, 0},    {"1e39", false, 0},   {"12px", false, 0},
        {"1,000.5", false, 0}, {"5.", true, 5},
    };
    for (const char *loc : vdtest::kTestLocales) {
        vdtest::ProcessLocale guard(QString::fromLatin1(loc));
        for (const Case &c : cases) {
            float v = -1;
            EXPECT_EQ(TryStrToSingle(QString::fromUtf8(c.text), v), c.ok) << c.text << " in " << loc;
            EXPECT_FLOAT_EQ(v, c.value) << c.text << " in " << loc;
        }
    }
}

TEST(SvgValues, LengthUnits)
{
    struct Case {
        const char *text;
        float value;
        TSVGUnit unit;
    } cases[] = {
        {"1in", 96, suIN},     {"72pt", 96, suPT},     {"6pc", 96, suPC},     {"10mm", 37.795277f, suMM},
        {"1cm", 37.795277f, suCM}, {"2em", 2, suEM},   {"2ex", 1, suEX},      {"50%", 50, suPercent},
        {"1turn", 360, suTurn}, {"100grad", 90, suGrad}, {"1rad", 57.29578f, suRad}, {"5vw", 0, suNone},
        {"3", 3, suNone},      {"4px", 4, suPX},       {"1,5in", 144, suIN},
    };
    for (const Case &c : cases) {
        const TSVGLength l = length(c.text);
        EXPECT_NEAR(l.Value, c.value, 1e-4) << c.text;
        EXPECT_EQ(l.SVGUnit, c.unit) << c.text;
    }
    // An empty text changes nothing.
    EXPECT_EQ(length("").SVGUnit, suPX);
}

TEST(SvgValues, ListsSplitAtSignsAndCommas)
{
    TSVGLengthArray list;
    ParseLengthList(QStringLiteral("10-5"), list);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].Value, 10);
    EXPECT_EQ(list[1].Value, -5);
    ParseLengthList(QStringLiteral("1e-5"), list);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_FLOAT_EQ(list[0].Value, 1e-5f);
    ParseLengthList(QStringLiteral(" 1in, 2 ,,3mm "), list);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].Value, 96);

    TSVGLengthArraySW sw;
    ParseLengthListSW(QStringLiteral("none"), sw);
    EXPECT_EQ(sw.SW, svg_none);
    ParseLengthListSW(QStringLiteral("inherit"), sw);
    EXPECT_EQ(sw.SW, svg_inherit);

    TSinglePointDynArray pts{{7, 7}};
    ParsePoints(QStringLiteral("1 2 3 4 5"), pts);
    ASSERT_EQ(pts.size(), 1u);
    EXPECT_EQ(pts[0].X, 7);
    ParsePoints(QStringLiteral("1,2 3-4"), pts);
    ASSERT_EQ(pts.size(), 2u);
    EXPECT_EQ(pts[1].Y, -4);
}

TEST(SvgValues, ViewBoxAndAspectRatio)
{
    TSingleBounds vb{9, 9, 9, 9};
    ParseViewBox(QStringLiteral("0 0 100"), vb);
    EXPECT_TRUE(SameBounds(vb, {0, 0, 0, 0}));
    ParseViewBox(QStringLiteral("1,2 3 4"), vb);
    EXPECT_TRUE(SameBounds(vb, {1, 2, 3, 4}));

    TSVGPreserveAspectRatio par{svg_none, svg_meet};
    ParsePreserveAspectRatio(QStringLiteral("xMidYMid slice"), par);
    EXPECT_EQ(par.Align, svg_xMidYMid);
    EXPECT_EQ(par.MeetOrSlice, svg_slice);
    TSVGPreserveAspectRatio same{svg_xMinYMax, svg_meet};
    ParsePreserveAspectRatio(QStringLiteral("defer xMidYMid meet"), same);
    EXPECT_EQ(same.Align, svg_xMinYMax);

    const TSingleBounds box{0, 0, 100, 50};
    const TSVGPreserveAspectRatio meet{svg_xMidYMid, svg_meet}, slice{svg_xMidYMid, svg_slice};
    TSinglePoint s = ViewBoxScale(box, meet, 200, 200);
    EXPECT_TRUE(SamePoint(s, {2, 2}));
    EXPECT_TRUE(SamePoint(ViewBoxOffset(s, box, meet, 200, 200), {0, -50}));
    s = ViewBoxScale(box, slice, 200, 200);
    EXPECT_TRUE(SamePoint(s, {4, 4}));
    EXPECT_TRUE(SamePoint(ViewBoxOffset(s, box, slice, 200, 200), {100, 0}));
    const TSVGPreserveAspectRatio none{svg_none, svg_meet};
    EXPECT_TRUE(SamePoint(ViewBoxScale(box, none, 200, 200), {2, 4}));
    EXPECT_TRUE(SamePoint(ViewBoxScale({0, 0, 0, 50}, meet, 200, 200), {1, 1}));
    EXPECT_TRUE(SamePoint(ViewBoxOffset({1, 1}, {0, 0, 0, 50}, meet, 200, 200), {0, 0}));
}

TEST(SvgValues, WeightsAlphaDecorationAndReferences)
{
    EXPECT_EQ(RelativeFontWeight(svg_bolder, 400), 700);
    EXPECT_EQ(RelativeFontWeight(svg_lighter, 900), 700);
    EXPECT_EQ(RelativeFontWeight(svg_bolder, 300), 400);
    EXPECT_EQ(RelativeFontWeight(svg_lighter, 400), 400);

    TNumberSW w{vdx_noMater, 123};
    ParseFontWeight(QStringLiteral("heavy"), w); // never raises
    EXPECT_EQ(w.Value, 123);
    ParseFontWeight(QStringLiteral("bold"), w);
    EXPECT_EQ(w.Value, 700);
    ParseFontWeight(QStringLiteral("bolder"), w);
    EXPECT_EQ(w.SW, svg_bolder);

    float a = 0.3f;
    ParseAlpha(QStringLiteral("50%"), a);
    EXPECT_FLOAT_EQ(a, 0.5f);
    ParseAlpha(QStringLiteral("7"), a);
    EXPECT_FLOAT_EQ(a, 1);

    TSVGSpecificWordSet set;
    ParseTextDecoration(QStringLiteral("underline line-through bogus"), set);
    EXPECT_TRUE(set.test(svg_underline) && set.test(svg_line_through) && !set.test(svg_overline));
    ParseTextDecoration(QStringLiteral("none"), set);
    EXPECT_TRUE(set.none());

    QString id = QStringLiteral("old");
    ParseURI(QStringLiteral("url('#g1')"), id);
    EXPECT_EQ(id, QStringLiteral("g1"));
    ParseURI(QStringLiteral("url(g2)"), id);
    EXPECT_EQ(id, QStringLiteral("g1"));
}

TEST(SvgValues, FontShorthand)
{
    struct Case {
        const char *font;
        const char *style, *weight, *size, *family;
    } cases[] = {
        {"italic bold 12px/14px Arial, sans-serif", "italic", "bold", "12px", "Arial, sans-serif"},
        {"700 12px Arial", "normal", "700", "12px", "Arial"},
        {"12px 'Liberation Sans'", "normal", "normal", "12px", "Liberation Sans"},
        {"Arial", "", "", "", ""},
    };
    for (const Case &c : cases) {
        TvdxCSSStyle s;
        s.SetStyle(QStringLiteral("font"), QString::fromUtf8(c.font));
        ClarifyFontShorthand(s);
        EXPECT_EQ(s.GetStyle(QStringLiteral("font-style")), QString::fromUtf8(c.style)) << c.font;
        EXPECT_EQ(s.GetStyle(QStringLiteral("font-weight")), QString::fromUtf8(c.weight)) << c.font;
        EXPECT_EQ(s.GetStyle(QStringLiteral("font-size")), QString::fromUtf8(c.size)) << c.font;
        EXPECT_EQ(s.GetStyle(QStringLiteral("font-family")), QString::fromUtf8(c.family)) << c.font;
    }
    // Longhands of the same list win wherever they stand.
    TvdxCSSStyle s;
    s.SetValuesFromText(QStringLiteral("font-size: 20px; font: bold 12px Arial"));
    ClarifyFontShorthand(s);
    EXPECT_EQ(s.GetStyle(QStringLiteral("font-size")), QStringLiteral("20px"));
}

class SvgFontFamilies : public ::testing::Test {
protected:
    void TearDown() override { SetSVGFontFamiliesProvider({}); }
    static void installed(QStringList list)
    {
        SetSVGFontFamiliesProvider([list] { return list; });
    }
};

TEST_F(SvgFontFamilies, ThreePasses)
{
    installed({QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Georgia")});
    // Pass one: a generic name takes its first installed candidate.
    EXPECT_EQ(ResolveFontFamily(QStringLiteral("Nowhere, monospace")), QStringLiteral("DejaVu Sans Mono"));
    EXPECT_EQ(ResolveFontFamily(QStringLiteral("'Georgia', serif")), QStringLiteral("Georgia"));
    // Pass two: a known but missing candidate goes through its row.
    EXPECT_EQ(ResolveFontFamily(QStringLiteral("Helvetica")), QStringLiteral("Liberation Sans"));
    // Pass three.
    EXPECT_EQ(ResolveFontFamily(QStringLiteral("Nowhere, \"Elsewhere\"")), QStringLiteral("Arial"));
    // A generic row without any installed font ends the first pass empty.
    EXPECT_EQ(ResolveFontFamily(QStringLiteral("cursive, Georgia")), QStringLiteral("Arial"));
}

TEST_F(SvgFontFamilies, DefaultEnvironmentIsTheFontDatabase)
{
    SetSVGFontFamiliesProvider({});
    // The install script installs Liberation fonts.
    EXPECT_EQ(ResolveFontFamily(QStringLiteral("sans-serif")), QStringLiteral("Liberation Sans"));
}
