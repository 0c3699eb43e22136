#include "platform/Exception.h"
#include "svg/vdSVGDump.h"
#include "svg/vdSVGRoot.h"
#include "svg/vdSVGXML.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

namespace {

// A loaded document and its elements by id.
struct Doc {
    TSVGRootObj root;
    explicit Doc(const char *text) { root.LoadFromText(QString::fromUtf8(text)); }
    TSVGElementObj &operator[](const char *id)
    {
        TSVGElementObj *e = root.FindByID(QString::fromUtf8(id));
        if (!e)
            throw Exception(QStringLiteral("no element ") + QString::fromUtf8(id));
        return *e;
    }
};

QString thrownBy(const std::function<void()> &f)
{
    try {
        f();
    } catch (const Exception &e) {
        return e.message();
    }
    return {};
}

} // namespace

TEST(SvgTree, LengthsResolve)
{
    Doc d(R"x(<svg width="400" height="100" viewBox="0 0 200 100">
      <rect id="r" width="50%" height="10%" stroke-width="10%"/>
      <g id="g" font-size="10">
        <text id="t" font-size="2em" x="2em 1in" dx="3ex"/>
        <rect id="em" x="2em" y="1.5em"/>
      </g>
      <svg id="inner" viewBox="0 0 50 40"><rect id="ir" width="50%" height="50%"/></svg>
    </svg>)x");
    EXPECT_FLOAT_EQ(d["r"].atLengthAuto(at_width), 100);
    EXPECT_FLOAT_EQ(d["r"].atLengthAuto(at_height), 10);
    // Against the diagonal measure of the host's view box.
    EXPECT_NEAR(d["r"].atLengthInherit(at_stroke_width), 0.1f * std::sqrt((200.0f * 200 + 100 * 100) / 2), 1e-3);
    EXPECT_FLOAT_EQ(d["t"].atLengthInherit(at_font_size), 20);
    const std::vector<float> x = d["t"].atLengthList(at_x);
    ASSERT_EQ(x.size(), 2u);
    EXPECT_FLOAT_EQ(x[0], 40);
    EXPECT_FLOAT_EQ(x[1], 96);
    EXPECT_FLOAT_EQ(d["t"].atLengthList(at_dx).at(0), 30);
    EXPECT_FLOAT_EQ(d["em"].atLength(at_x), 20);
    EXPECT_FLOAT_EQ(d["em"].atLength(at_y), 15);
    EXPECT_FLOAT_EQ(d["ir"].atLengthAuto(at_width), 25);
    EXPECT_FLOAT_EQ(d["ir"].atLengthAuto(at_height), 20);
    // The stand-in root's default font size.
    EXPECT_FLOAT_EQ(d["r"].FontSize(), 16);
}

TEST(SvgTree, InheritedAndDefaultValues)
{
    Doc d(R"x(<svg>
      <g id="g" display="none" visibility="hidden" stroke-dasharray="5,10,15" stroke-miterlimit="0.5"
         color="#336699" fill="currentColor" font-weight="bold" text-decoration="underline">
        <rect id="r" font-weight="lighter" stroke-dasharray="none"/>
        <circle id="c" visibility="inherit" display="block" font-weight="heavy"/>
      </g>
      <linearGradient id="lg"><stop id="s" stop-color="currentcolor" color="red"/></linearGradient>
    </svg>)x");
    TSVGSpecificWord sw;
    const std::vector<float> dash = d["c"].atLengthListNoneInherit(at_stroke_dasharray, sw);
    EXPECT_EQ(sw, vdx_noMater);
    EXPECT_EQ(dash, (std::vector<float>{5, 10, 15, 5, 10, 15}));
    EXPECT_TRUE(d["r"].atLengthListNoneInherit(at_stroke_dasharray, sw).empty());
    EXPECT_EQ(sw, svg_none);
    EXPECT_FLOAT_EQ(d["c"].atNumberInherit(at_stroke_miterlimit), 1);
    EXPECT_FLOAT_EQ(d.root.atNumberInherit(at_stroke_miterlimit), 4);
    EXPECT_EQ(d["c"].atSpecificWord(at_display), svg_none);
    EXPECT_EQ(d["c"].atSpecificWord(at_visibility), svg_visible);
    EXPECT_EQ(d["g"].atSpecificWord(at_visibility), svg_hidden);
    EXPECT_FALSE(d["c"].IsNeedsPainting());
    const TSVGPaint fill = d["c"].atPaint(at_fill);
    ASSERT_EQ(fill.SW, vdx_RGBA);
    EXPECT_EQ(fill.R, 0x33);
    EXPECT_EQ(fill.B, 0x99);
    EXPECT_EQ(d["r"].atFontWeight(), 400);
    EXPECT_EQ(d["c"].atFontWeight(), 700); // an unparsable weight is ignored
    EXPECT_TRUE(d["c"].atSpecificWordSet(at_text_decoration).test(svg_underline));
    EXPECT_TRUE(d.root.atSpecificWordSet(at_text_decoration).none());
    EXPECT_EQ(d.root.atPaint(at_stroke).SW, svg_none);
    EXPECT_EQ(d.root.atStringInherit(at_font_family), QStringLiteral("times"));
    EXPECT_EQ(d["s"].atColorCurrent(at_stop_color).R, 255);
}

TEST(SvgTree, OpacityProducts)
{
    Doc d(R"x(<svg opacity="0.8">
      <g id="g" opacity="0.5" fill-opacity="0.5"><rect id="r" fill-opacity="50%" stroke-opacity="0.4"/></g>
    </svg>)x");
    EXPECT_FLOAT_EQ(d["r"].CalcFillOpacity(), 0.5f * 0.5f * 0.5f * 0.8f);
    EXPECT_FLOAT_EQ(d["r"].CalcStrokeOpacity(), 0.4f * 0.5f * 0.8f);
    d.root.SetExternalOpacity(0.5f);
    EXPECT_FLOAT_EQ(d["r"].CalcStrokeOpacity(), 0.4f * 0.5f * 0.8f * 0.5f);
    d.root.SetIsFullOpacity(true);
    EXPECT_FLOAT_EQ(d["r"].CalcFillOpacity(), 1);

    Doc simple(R"x(<svg><g opacity="0.5"><rect id="r" fill-opacity="0.5"/></g></svg>)x");
    EXPECT_FLOAT_EQ(simple["r"].CalcFillOpacity(), 0.25f);
}

TEST(SvgTree, CascadeOrder)
{
    Doc d(R"x(<svg><style>
      * { fill: gray } rect { fill: silver } .b { fill: blue } .a { fill: green }
      #r1 { fill: yellow } rect#r1 { fill: orange }
    </style><rect id="r1" class="a  b" style="fill: red" fill="black"/></svg>)x");
    TSVGElementObj &r = d["r1"];
    const TvdxCSSList &rules = d.root.StyleList();
    const std::vector<const TvdxCSSStyle *> expected = {
        &r.InlineStyle(),
        rules.GetStyleByName(QStringLiteral("rect#r1")),
        rules.GetStyleByName(QStringLiteral("#r1")),
        rules.GetStyleByName(QStringLiteral(".a")),
        rules.GetStyleByName(QStringLiteral(".b")),
        rules.GetStyleByName(QStringLiteral("rect")),
        rules.GetStyleByName(QStringLiteral("*")),
        &r.AttributeStyle(),
    };
    EXPECT_EQ(r.StylesApplyingSequence(), expected);
    EXPECT_EQ(r.atPaint(at_fill).R, 255);
}

TEST(SvgTree, CascadeSources)
{
    Doc d(R"x(<svg><style>.c { fill: green } circle { cx: 7 } radialGradient { cx: 9 } #bad { fill: blue }</style>
      <rect id="sheet" class="c" fill="red"/>
      <rect id="inline" class="c" fill="red" style="fill: #0000ff"/>
      <rect id="bad" style="fill: nonsense"/>
      <circle id="circle" cx="1"/>
      <radialGradient id="rg" cx="20"/>
      <rect id="own" x="3" style="x: 5"/>
    </svg>)x");
    EXPECT_EQ(d["sheet"].atPaint(at_fill).G, 128);
    EXPECT_EQ(d["inline"].atPaint(at_fill).B, 255);
    // The inline text wins even though it does not parse: the default stays.
    EXPECT_EQ(d["bad"].atPaint(at_fill).R, 0);
    EXPECT_EQ(d["bad"].atPaint(at_fill).B, 0);
    EXPECT_FLOAT_EQ(d["circle"].atLength(at_cx), 7);
    EXPECT_FLOAT_EQ(d["rg"].atLength(at_cx), 20);
    EXPECT_FLOAT_EQ(d["own"].atLength(at_x), 5);
}

TEST(SvgTree, Errors)
{
    Doc d(R"x(<svg><linearGradient><stop id="s"/></linearGradient><rect id="r"/></svg>)x");
    EXPECT_EQ(thrownBy([&] { d["s"].GetAttrObj(at_fill); }), QStringLiteral("Unsupported: \"stop.fill\""));
    EXPECT_FLOAT_EQ(d["s"].atAlpha(at_fill_opacity), 1);
    EXPECT_EQ(thrownBy([&] { d["r"].GetAttrObj(at_fill)->GetAlpha(); }), QStringLiteral("Wrong SVG Value"));
    EXPECT_EQ(thrownBy([&] { d["r"].GetPatternFactor(); }), QStringLiteral("GetPatternFactor outside <pattern>"));
    EXPECT_EQ(thrownBy([&] { d["r"].GetDirectionalSize(sdNo); }), QStringLiteral("Wrong Direction"));
    EXPECT_EQ(thrownBy([&] { d["s"].GetBounds(); }), QStringLiteral("stop.GetBounds"));
    EXPECT_EQ(thrownBy([&] { CreateAttributeObj(&d["r"], at_class); }),
              QStringLiteral("Unsupported SVG attribute: \"class\""));
}

TEST(SvgTree, BadValuesNeverRaise)
{
    Doc d(R"x(<svg><rect id="r" transform="rotate(10%) translate(5,6)" font-weight="x" width="1e99"
      stroke-dasharray="a,b" x="--1" fill="rgb(1,2)" points="1 2 3"/></svg>)x");
    // The transform with a percentage angle is ignored as a whole.
    EXPECT_TRUE(SameMatrix(d["r"].atMatrix(at_transform), IdentityMatrix()));
    EXPECT_FLOAT_EQ(d["r"].atLengthAuto(at_width), 0);
    EXPECT_FLOAT_EQ(d["r"].atLength(at_x), 0);
    EXPECT_EQ(d["r"].atFontWeight(), 400);
    EXPECT_FALSE(SVGDumpTree(d.root).isEmpty());
}

TEST(SvgTree, MatricesAndBounds)
{
    Doc d(R"x(<svg width="100" height="100" viewBox="0 0 200 100">
      <g id="g" transform="translate(10,20)"><rect id="r" transform="scale(2)"/></g>
      <g id="empty"/>
      <svg id="inner" x="5" y="5" width="50" height="50" viewBox="0 0 10 10"><rect id="ir"/></svg>
      <pattern id="p"><rect id="pr" transform="translate(1,1)"/></pattern>
    </svg>)x");
    d.root.CalculateMatrices();
    // meet: scale 0.5, centred vertically (offset 25).
    EXPECT_TRUE(SameMatrix(d.root.CompleteMatrix(), {0.5f, 0, 0, 0.5f, 0, 25}));
    EXPECT_TRUE(SameMatrix(d["r"].CompleteMatrix(), {1, 0, 0, 1, 5, 35}));
    EXPECT_TRUE(SameMatrix(d["r"].InnerMatrix(), {2, 0, 0, 2, 10, 20}));
    EXPECT_TRUE(SameMatrix(d["ir"].InnerMatrix(), IdentityMatrix()));
    EXPECT_TRUE(SameMatrix(d["ir"].CompleteMatrix(), {2.5f, 0, 0, 2.5f, 2.5f, 27.5f}));
    d["pr"].CalcMatrix();
    EXPECT_TRUE(SameMatrix(d["pr"].CompleteMatrix(), {1, 0, 0, 1, 1, 1}));
    EXPECT_TRUE(SameBounds(d["empty"].GetBounds(), {0, 0, 0, 0}));
    EXPECT_TRUE(SameBounds(d["inner"].GetBounds(), {0, 0, 10, 10}));
}

TEST(SvgTree, RootSizes)
{
    struct Case {
        const char *text;
        float w, h;
    } cases[] = {
        {R"x(<svg viewBox="0 0 24 24"/>)x", 24, 24},
        {R"x(<svg width="200" viewBox="0 0 100 50"/>)x", 200, 100},
        {R"x(<svg height="100" viewBox="0 0 100 50"/>)x", 200, 100},
        {R"x(<svg/>)x", 300, 150},
        {R"x(<svg width="50%" height="1in"/>)x", 150, 96},
    };
    for (const Case &c : cases) {
        Doc d(c.text);
        EXPECT_FLOAT_EQ(d.root.GetWidth(), c.w) << c.text;
        EXPECT_FLOAT_EQ(d.root.GetHeight(), c.h) << c.text;
    }
}

TEST(SvgTree, FactorySkipsUnknownElements)
{
    Doc d(R"x(<svg><clippath><rect id="a"/></clippath><foreignObject><rect id="b"/></foreignObject>
      <svg:rect id="c"/><clipPath id="cp"><rect id="d"/></clipPath><rect id="dup"/><g><rect id="dup"/></g></svg>)x");
    EXPECT_EQ(d.root.Count(), 3);
    EXPECT_EQ(d.root.FindByID(QStringLiteral("a")), nullptr);
    EXPECT_EQ(d.root.FindByID(QStringLiteral("b")), nullptr);
    EXPECT_EQ(d.root.FindByID(QStringLiteral("c")), nullptr);
    EXPECT_NE(d.root.FindByID(QStringLiteral("d")), nullptr);
    EXPECT_EQ(d.root.FindByID(QStringLiteral("dup"))->Parent(), &d.root);
    EXPECT_EQ(d.root.FindByID(QString()), nullptr);

    for (const char *text : {"<SVG/>", "<html><svg/></html>", "text before"}) {
        TSVGRootObj root;
        root.LoadFromText(QString::fromUtf8(text));
        EXPECT_EQ(root.Count(), 0) << text;
        EXPECT_TRUE(root.Source().isEmpty()) << text;
    }
    TSVGRootObj broken;
    EXPECT_EQ(thrownBy([&] { broken.LoadFromText(QStringLiteral("<svg><rect <g")); }),
              QStringLiteral("Invalid file format"));
    EXPECT_EQ(broken.Count(), 0);
}

TEST(SvgTree, ForcedPercentInsideObjectBoundingBoxPattern)
{
    Doc d(R"x(<svg><pattern id="p" patternContentUnits="objectBoundingBox"><rect id="r" x="0.5"/></pattern>
      <pattern id="q" patternContentUnits="objectBoundingBox" viewBox="0 0 1 1"><rect id="s" x="0.5"/></pattern>
    </svg>)x");
    EXPECT_TRUE(d["r"].IsForceLengthToPercent());
    EXPECT_FLOAT_EQ(d["r"].atLength(at_x), 150); // 50% of the stand-in host
    EXPECT_FALSE(d["s"].IsForceLengthToPercent());
    EXPECT_FLOAT_EQ(d["s"].atLength(at_x), 0.5f);
}

TEST(SvgTree, ClonesShareNothing)
{
    Doc d(R"x(<svg><style>.a { stroke: blue }</style>
      <g id="g" class="a" style="fill: red" transform="translate(1,2)"><rect id="r" width="5"/></g></svg>)x");
    TSVGElementObj &g = d["g"];
    g.GetAttrObj(at_transform);
    TSVGElementObj *copy = g.Clone(&d.root);
    ASSERT_EQ(copy->Count(), 1);
    for (const TvdxCSSStyle *s : copy->StylesApplyingSequence()) {
        EXPECT_NE(s, &g.InlineStyle());
        EXPECT_NE(s, &g.AttributeStyle());
    }
    // The source's lists change; the copy reads its own.
    g.InlineStyle().Clear();
    g.InlineStyle().SetStyle(QStringLiteral("fill"), QStringLiteral("blue"));
    EXPECT_EQ(copy->atPaint(at_fill).R, 255);
    EXPECT_EQ(copy->atPaint(at_stroke).B, 255);
    EXPECT_TRUE(SameMatrix(copy->atMatrix(at_transform), {1, 0, 0, 1, 1, 2}));
    EXPECT_FLOAT_EQ(copy->GetItem(0)->atLengthAuto(at_width), 5);
    delete copy;
    EXPECT_EQ(d.root.Count(), 1);
}

TEST(SvgTree, DumpOfFixtures)
{
    struct Case {
        const char *file;
        std::vector<const char *> lines;
    } cases[] = {
        {"cascade.svg",
         {"    rect #r1 fill=#008000 fill-opacity=0.50 font-size=12 height=10 stroke=#000080 stroke-linecap=round "
          "stroke-linejoin=bevel stroke-width=2 width=100 x=24 fill-opacity*=0.25 stroke-opacity*=0.50 "
          "matrix=(1,0,0,1,10,20)",
          "    circle cx=40 font-size=12 r=5 ",
          "    radialGradient #rg cx=60 "}},
        {"inherit.svg",
         {"      path color=#336699 d=\"M0 0L10 10\" display=none fill=#336699 font-family=\"Liberation Sans\" "
          "font-size=12 font-style=italic font-weight=400 stroke=url(#grad) stroke-dasharray=5,10,15,5,10,15 "
          "stroke-miterlimit=1 ",
          "  svg height=100 preserveAspectRatio=xMidYMid/slice viewBox=0,0,200,100 width=100 x=10 y=10 "
          "fill-opacity*=1 stroke-opacity*=1 matrix=(1,0,0,1,-40,10)"}},
        {"entities.svg",
         {"svg height=96 width=377.95 ",
          "  text #t&1 font-family=\"\"Liberation Serif\", serif\" ",
          "  g transform=(3,0,0,3,1,2) "}},
    };
    for (const Case &c : cases) {
        TSVGRootObj root;
        root.LoadFromFile(vdtest::dataPath(QStringLiteral("svg/") + QLatin1String(c.file)));
        const QString dump = SVGDumpTree(root);
        for (const char *line : c.lines)
            EXPECT_TRUE(dump.contains(QString::fromUtf8(line))) << c.file << "\n" << line << "\n" << dump.toStdString();
    }
}

TEST(SvgTree, DumpNumbers)
{
    EXPECT_EQ(SVGDumpNumber(3), QStringLiteral("3"));
    EXPECT_EQ(SVGDumpNumber(-0.0f), QStringLiteral("0"));
    EXPECT_EQ(SVGDumpNumber(37.795277f), QStringLiteral("37.80"));
    EXPECT_EQ(SVGDumpNumber(-2.5f), QStringLiteral("-2.50"));
}

TEST(SvgTree, HostileInput)
{
    QString deep = QStringLiteral("<svg>");
    for (int i = 0; i < 5000; ++i)
        deep += QStringLiteral("<g fill=\"inherit\" font-size=\"1.1em\">");
    QString huge = QStringLiteral("<svg><rect width=\"") + QString(1 << 20, u'9') + QStringLiteral("\"/></svg>");
    const QString inputs[] = {
        deep,
        huge,
        QStringLiteral("<svg><rect x=\"1e39\" y=\"-1e39\" width=\"340282350000000000000000000000000000000000\"/>"),
        QString::fromLatin1(QByteArray("\x00\x01<svg\xff\xfe<!--", 12)),
        QStringLiteral("<svg><style>{{{}}} .a{ /* </style><rect class=\"a\"/>"),
    };
    for (const QString &text : inputs) {
        TSVGRootObj root;
        try {
            root.LoadFromText(text);
            SVGDumpTree(root);
        } catch (const TvdInvalidXMLException &) {
        }
    }
    TSVGRootObj root;
    root.LoadFromText(deep);
    int depth = 0;
    for (TSVGElementObj *e = &root; e->Count() > 0; e = e->GetItem(0))
        ++depth;
    EXPECT_EQ(depth, TSVGElementObj::MaxDepth);
}

// Long values of many small parts stay linear to read.
TEST(SvgTree, ManyPartsStayLinear)
{
    QString transforms, sheet;
    for (int i = 0; i < 100000; ++i) {
        transforms += QStringLiteral("scale(1) ");
        sheet += QStringLiteral("/**/");
    }
    QString closers(200000, u')');
    TSVGRootObj root;
    root.LoadFromText(QStringLiteral("<svg><style>") + sheet + QStringLiteral(".a{fill:red}</style><g transform=\"")
                      + transforms + QStringLiteral("\"/><g transform=\"") + closers
                      + QStringLiteral("(\"/><rect class=\"a\"/></svg>"));
    ASSERT_EQ(root.Count(), 3);
    EXPECT_TRUE(SameMatrix(root.GetItem(0)->atMatrix(at_transform), IdentityMatrix()));
    EXPECT_EQ(root.GetItem(2)->atPaint(at_fill).R, 255);
}

// Defaults per attribute and element kind, under the stand-in host of 300 x 150.
TEST(SvgTree, AttributeDefaults)
{
    Doc d(R"x(<svg><circle id="circle"/><ellipse id="ellipse"/><rect id="rect"/><line id="line"/>
      <linearGradient id="lg"><stop id="stop"/></linearGradient><radialGradient id="rg"/>
      <pattern id="pattern"/><svg id="svg"/><text id="text"/><image id="image"/></svg>)x");
    struct Case {
        const char *id;
        TSVGAttribute a;
        float value;
    } lengths[] = {
        {"circle", at_cx, 0},  {"circle", at_r, 0},   {"ellipse", at_cy, 0}, {"rg", at_cx, 150},
        {"rg", at_cy, 75},     {"rg", at_fx, 150},    {"rg", at_fr, 0},      {"line", at_x2, 0},
        {"lg", at_x1, 0},      {"lg", at_x2, 300},    {"lg", at_y2, 0},      {"rect", at_x, 0},
    };
    for (const Case &c : lengths)
        EXPECT_FLOAT_EQ(d[c.id].atLength(c.a), c.value) << c.id << "." << SVGAttributeName(c.a).toStdString();
    EXPECT_FLOAT_EQ(d["rg"].atLength(at_r), 50 * std::sqrt((300.0f * 300 + 150 * 150) / 2) / 100);
    EXPECT_FLOAT_EQ(d["rect"].atLengthAuto(at_width), 0);
    EXPECT_FLOAT_EQ(d["rect"].atLengthAuto(at_rx), 0);
    EXPECT_FLOAT_EQ(d["svg"].atLengthAuto(at_width), 300);
    EXPECT_FLOAT_EQ(d["svg"].atLengthAuto(at_height), 150);
    EXPECT_TRUE(d["text"].atLengthList(at_x).empty());
    EXPECT_FLOAT_EQ(d["stop"].atAlpha(at_offset), 0);
    EXPECT_FLOAT_EQ(d["stop"].atAlpha(at_stop_opacity), 1);

    struct Word {
        const char *id;
        TSVGAttribute a;
        TSVGSpecificWord w;
    } words[] = {
        {"lg", at_gradientUnits, svg_objectBoundingBox},
        {"lg", at_spreadMethod, svg_pad},
        {"pattern", at_patternUnits, svg_objectBoundingBox},
        {"pattern", at_patternContentUnits, svg_userSpaceOnUse},
        {"rect", at_visibility, svg_visible},
        {"rect", at_fill_rule, svg_nonzero},
        {"rect", at_stroke_linecap, svg_butt},
        {"rect", at_stroke_linejoin, svg_miter},
        {"text", at_text_anchor, svg_start},
        {"text", at_dominant_baseline, svg_auto},
        {"text", at_font_style, svg_normal},
        {"rect", at_display, vdx_noMater},
    };
    for (const Word &w : words)
        EXPECT_EQ(d[w.id].atSpecificWord(w.a), w.w) << w.id << "." << SVGAttributeName(w.a).toStdString();
    const TSVGPreserveAspectRatio par = d["image"].atPAR();
    EXPECT_EQ(par.Align, svg_xMidYMid);
    EXPECT_EQ(par.MeetOrSlice, svg_meet);
    EXPECT_FLOAT_EQ(d["rect"].atFontWeight(), 400);
    EXPECT_FLOAT_EQ(d["rect"].atLengthInherit(at_stroke_width), 1);
    EXPECT_FLOAT_EQ(d["rect"].atLengthInherit(at_stroke_dashoffset), 0);
    const TSVGPaint fill = d["rect"].atPaint(at_fill);
    EXPECT_EQ(fill.SW, vdx_RGBA);
    EXPECT_EQ(fill.R + fill.G + fill.B, 0);
    // The stop's colour follows "color" by default.
    EXPECT_EQ(d["stop"].atColorCurrent(at_stop_color).R, 0);
    // An image takes no fill; asking for it is an error, its opacity is not.
    EXPECT_FALSE(d["image"].GetIsAttrEnabled(at_fill));
    EXPECT_TRUE(d["image"].GetIsAttrEnabled(at_opacity));
}
