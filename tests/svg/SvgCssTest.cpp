#include "svg/vdSVGCSS.h"

#include <QBuffer>
#include <gtest/gtest.h>

TEST(SvgCss, Declarations)
{
    TvdxCSSStyle s;
    s.SetValuesFromText(QStringLiteral("fill:red; stroke : blue ;;"));
    ASSERT_EQ(s.Count(), 2);
    EXPECT_EQ(s.Key(1), QStringLiteral("stroke"));
    EXPECT_EQ(s.GetStyle(QStringLiteral("FILL")), QStringLiteral("red"));
    s.SetValuesFromText(QStringLiteral("nocolon; fill: green"));
    EXPECT_EQ(s.Count(), 3);
    EXPECT_EQ(s.GetStyle(QStringLiteral("fill")), QStringLiteral("red")); // the first wins
    s.SetStyle(QString(), QStringLiteral("x"));
    s.SetStyle(QStringLiteral("x"), QString());
    EXPECT_EQ(s.Count(), 3);
    EXPECT_EQ(s.Text(false), QStringLiteral("fill:red;stroke:blue;fill:green;"));
    EXPECT_EQ(s.Text(true), QStringLiteral("\r\n\tfill: red;\r\n\tstroke: blue;\r\n\tfill: green;"));
    TvdxCSSStyle p;
    p.SetPrefixStyle(QStringLiteral("transform"), QStringLiteral("none"));
    EXPECT_EQ(p.Count(), 5);
    EXPECT_TRUE(p.IsHasKey(QStringLiteral("-moz-transform")));
}

TEST(SvgCss, SheetRules)
{
    TvdxCSSList list;
    list.AddText(QStringLiteral("/* c1 */ .a { fill: red } /* c2 */ .a { fill: blue }\n"
                                "rect, circle { stroke: red } #x{stroke-width:2} .b { fill: green"));
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list.GetStyleByName(QStringLiteral(".a"))->GetStyle(QStringLiteral("fill")), QStringLiteral("red"));
    EXPECT_EQ(list.GetStyleByName(QStringLiteral("rect")), nullptr);
    EXPECT_NE(list.GetStyleByName(QStringLiteral("#x")), nullptr);
    EXPECT_EQ(list.GetStyleByName(QStringLiteral(".b")), nullptr);
    EXPECT_EQ(list.GetStyle(9), nullptr);
    // An unterminated comment stays and swallows what follows into a selector.
    TvdxCSSList open;
    open.AddText(QStringLiteral(".a{fill:red} /* .b{fill:blue}"));
    EXPECT_EQ(open.Count(), 2);
}

TEST(SvgCss, AddStyleMergesEqualLists)
{
    TvdxCSSList list;
    auto a = std::make_unique<TvdxCSSStyle>();
    a->SetValuesFromText(QStringLiteral("fill:red"));
    auto b = std::make_unique<TvdxCSSStyle>();
    b->SetValuesFromText(QStringLiteral("fill:red"));
    EXPECT_EQ(list.AddStyle(std::move(a)), QStringLiteral("s0"));
    EXPECT_EQ(list.AddStyle(std::move(b)), QStringLiteral("s0"));
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.GetStyle(0)->Name(), QStringLiteral(".s0"));
}

TEST(SvgCss, CopiesKeepSelectorsAndShareNothing)
{
    TvdxCSSList list;
    list.AddText(QStringLiteral("#r1 { fill: red } .a { fill: red }"));
    TvdxCSSList copy;
    copy.Assign(list);
    ASSERT_EQ(copy.Count(), 2);
    ASSERT_NE(copy.GetStyleByName(QStringLiteral("#r1")), nullptr);
    EXPECT_NE(copy.GetStyleByName(QStringLiteral("#r1")), list.GetStyleByName(QStringLiteral("#r1")));
    list.Clear();
    EXPECT_EQ(copy.GetStyleByName(QStringLiteral(".a"))->GetStyle(QStringLiteral("fill")), QStringLiteral("red"));

    QBuffer out;
    out.open(QIODevice::WriteOnly);
    copy.Save(out, false);
    EXPECT_EQ(out.data(), QByteArray("#r1{fill:red;}.a{fill:red;}"));
}
