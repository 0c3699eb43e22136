// Element classes through the paint protocol: a recording canvas shows what
// each element asks of the canvas; the document canvas shows how paints and
// strokes become Qt pens and brushes.
#include "SvgRecordingCanvas.h"
#include "svg/vdSVGEnvironment.h"
#include "svg/vdSVGPaintServers.h"
#include "svg/vdSVGRoot.h"
#include "svg/vdSVGText.h"

#include "common/TestSupport.h"
#include "platform/QPainterCanvas.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <gtest/gtest.h>

namespace {

// A document painted once on an image through the recording canvas.
struct Recorded {
    SvgRecordingCanvasClass cls;
    TSVGRootObj root{&cls};
    QImage image{200, 200, QImage::Format_ARGB32_Premultiplied};

    explicit Recorded(const QString &svg)
    {
        image.fill(0);
        root.LoadFromText(svg);
        QPainterCanvas dc(image);
        root.PaintTo(dc);
    }
    std::vector<SvgCanvasRecord> paints() const { return cls.Of(QStringLiteral("paint")); }
    const TSVGGDIGraphicsPath *path(const char *id)
    {
        TSVGElementObj *e = root.FindByID(QString::fromLatin1(id));
        return e ? dynamic_cast<const TSVGGDIGraphicsPath *>(e->Path()) : nullptr;
    }
};

QString svg(const char *body) { return QStringLiteral("<svg width=\"200\" height=\"200\">") + QString::fromUtf8(body) + QStringLiteral("</svg>"); }

// The test locale of the switch cases; the system's comes back afterwards.
struct LocaleScope {
    explicit LocaleScope(const char *name) { TSVGEnvironment::SetLocaleName(QString::fromLatin1(name)); }
    ~LocaleScope() { TSVGEnvironment::SetLocaleName(QString()); }
};

QString pngDataUrl(int w, int h, bool wrapped)
{
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(QColor(255, 0, 0));
    QByteArray png;
    QBuffer b(&png);
    b.open(QIODevice::WriteOnly);
    img.save(&b, "PNG");
    QByteArray text = png.toBase64();
    if (wrapped)
        for (qsizetype i = 20; i < text.size(); i += 21)
            text.insert(i, "\r\n ");
    return QStringLiteral("data:image/png;base64,") + QString::fromLatin1(text);
}

} // namespace

TEST(SvgElements, RectCornersFollowTheGivenRadius)
{
    struct Case {
        const char *rect;
        float firstX, cornerY;
    };
    const Case cases[] = {
        {R"(<rect id="r" width="40" height="20" rx="5"/>)", 5, 5},        // ry takes rx
        {R"(<rect id="r" width="40" height="20" ry="4"/>)", 4, 4},        // rx takes ry
        {R"(<rect id="r" width="40" height="20" rx="100"/>)", 20, 10},    // both limited to half the sides
        {R"(<rect id="r" width="40" height="20" rx="3" ry="auto"/>)", 3, 3},
    };
    for (const Case &c : cases) {
        Recorded r(svg(c.rect));
        const TSVGGDIGraphicsPath *p = r.path("r");
        ASSERT_NE(p, nullptr) << c.rect;
        ASSERT_GE(p->Points().size(), 5u) << c.rect;
        EXPECT_FLOAT_EQ(p->Points()[0].X, c.firstX) << c.rect;
        // The top-right corner ends ry below the top on the right edge.
        EXPECT_FLOAT_EQ(p->Points()[4].X, 40) << c.rect;
        EXPECT_NEAR(p->Points()[4].Y, c.cornerY, 1e-4) << c.rect;
    }
    // rx 0 with ry 10: square corners.
    Recorded square(svg(R"(<rect id="r" width="40" height="20" rx="0" ry="10"/>)"));
    EXPECT_EQ(square.path("r")->Log(), QStringLiteral("4: (0 0) (40 0) (40 20) (0 20) "));
}

TEST(SvgElements, ShapesWithoutSizePaintNothing)
{
    Recorded r(svg(R"(<circle id="c" r="0"/><ellipse id="e" rx="0" ry="5"/><polyline id="p1" points="5 5"/>
                     <polyline id="p0" points=""/><polygon id="t" points="0 0 10 0 10 10"/>)"));
    EXPECT_EQ(r.path("c")->Log(), QStringLiteral("0: "));
    EXPECT_FLOAT_EQ(r.root.FindByID(QStringLiteral("c"))->GetBounds().Width, 0);
    EXPECT_EQ(r.path("e")->Log(), QStringLiteral("0: "));
    EXPECT_EQ(r.path("p1")->Log(), QStringLiteral("0: "));
    EXPECT_EQ(r.root.FindByID(QStringLiteral("p0"))->Path(), nullptr);
    // A polygon is closed: its outline list is the three points, painted once.
    EXPECT_EQ(r.path("t")->Log(), QStringLiteral("3: (0 0) (10 0) (10 10) "));
    EXPECT_EQ(r.paints().size(), 4u); // circle, ellipse, one-point polyline and polygon have paths
}

TEST(SvgElements, UseDrawsTheReferencedElementShifted)
{
    Recorded r(svg(R"(<defs><rect id="r" width="5" height="5" fill="#00ff00"/></defs>
                     <use href="#r" x="10" y="3"/><use xlink:href="#r"/><use href="#missing" x="1"/>)"));
    const auto paints = r.paints();
    ASSERT_EQ(paints.size(), 2u);
    EXPECT_FLOAT_EQ(paints[0].matrix.e, 10);
    EXPECT_FLOAT_EQ(paints[0].matrix.f, 3);
    EXPECT_EQ(paints[0].color.G, 255);
    EXPECT_FLOAT_EQ(paints[1].matrix.e, 0);
}

TEST(SvgElements, UseCyclesAndExplosionsStop)
{
    const char *docs[] = {
        R"(<g id="a"><rect width="1" height="1"/><use href="#a"/></g>)",
        R"(<g id="a"><use href="#b"/></g><g id="b"><use href="#a" x="1"/></g>)",
        R"(<use id="u" href="#u"/>)",
        // Ten copies of ten copies of ... : the clone budget ends it.
        R"(<defs><g id="l0"><rect width="1" height="1"/></g>
           <g id="l1"><use href="#l0"/><use href="#l0"/><use href="#l0"/><use href="#l0"/><use href="#l0"/><use href="#l0"/><use href="#l0"/><use href="#l0"/><use href="#l0"/><use href="#l0"/></g>
           <g id="l2"><use href="#l1"/><use href="#l1"/><use href="#l1"/><use href="#l1"/><use href="#l1"/><use href="#l1"/><use href="#l1"/><use href="#l1"/><use href="#l1"/><use href="#l1"/></g>
           <g id="l3"><use href="#l2"/><use href="#l2"/><use href="#l2"/><use href="#l2"/><use href="#l2"/><use href="#l2"/><use href="#l2"/><use href="#l2"/><use href="#l2"/><use href="#l2"/></g>
           <g id="l4"><use href="#l3"/><use href="#l3"/><use href="#l3"/><use href="#l3"/><use href="#l3"/><use href="#l3"/><use href="#l3"/><use href="#l3"/><use href="#l3"/><use href="#l3"/></g>
           <g id="l5"><use href="#l4"/><use href="#l4"/><use href="#l4"/><use href="#l4"/><use href="#l4"/><use href="#l4"/><use href="#l4"/><use href="#l4"/><use href="#l4"/><use href="#l4"/></g></defs>
           <use href="#l5"/><use href="#l5"/><use href="#l5"/>)",
    };
    for (const char *d : docs) {
        Recorded r(svg(d));
        EXPECT_LE(r.paints().size(), TSVGRootObj::MaxClonedElements) << d;
    }
}

TEST(SvgElements, SwitchShowsTheChildOfTheUsersLanguage)
{
    LocaleScope locale("en-US");
    struct Case {
        const char *children;
        const char *shown;
    };
    const Case cases[] = {
        {R"(<rect id="de" systemLanguage="de" width="1" height="1"/><rect id="en" systemLanguage="en" width="2" height="2"/>)", "en"},
        {R"(<rect id="first" systemLanguage="fr, en-us" width="1" height="1"/><rect id="en" systemLanguage="en" width="2" height="2"/>)", "first"},
        {R"(<rect id="en" systemLanguage="en" width="1" height="1"/><rect id="exact" systemLanguage="EN-US" width="2" height="2"/>)", "exact"},
        {R"(<rect id="de" systemLanguage="de" width="1" height="1"/><rect id="all" systemLanguage="catch-all" width="2" height="2"/>)", "all"},
        {R"(<rect id="de" systemLanguage="de" width="1" height="1"/><rect id="fr" systemLanguage="fr" width="2" height="2"/>)", ""},
    };
    for (const Case &c : cases) {
        Recorded r(svg((QByteArray("<switch>") + c.children + "</switch>").constData()));
        const auto paints = r.paints();
        if (!*c.shown) {
            EXPECT_TRUE(paints.empty()) << c.children;
            continue;
        }
        ASSERT_EQ(paints.size(), 1u) << c.children;
        EXPECT_EQ(paints[0].path, r.path(c.shown)->Log()) << c.children;
    }
    // Without any systemLanguage every child shows.
    Recorded plain(svg(R"(<switch><rect width="1" height="1"/><rect width="2" height="2"/></switch>)"));
    EXPECT_EQ(plain.paints().size(), 2u);
}

TEST(SvgElements, ImagesFromDataAddressesTakeTheirPixelSize)
{
    struct Case {
        QString attrs;
        TSingleBounds rect;
    };
    const Case cases[] = {
        {QStringLiteral("href=\"%1\"").arg(pngDataUrl(3, 2, false)), {0, 0, 3, 2}},
        {QStringLiteral("x=\"5\" xlink:href=\"%1\"").arg(pngDataUrl(3, 2, true)), {5, 0, 3, 2}},
        {QStringLiteral("width=\"30\" height=\"10\" href=\"%1\"").arg(pngDataUrl(3, 2, false)), {0, 0, 30, 10}},
    };
    for (const Case &c : cases) {
        Recorded r(svg(QStringLiteral("<image %1/>").arg(c.attrs).toUtf8().constData()));
        const auto images = r.cls.Of(QStringLiteral("image"));
        ASSERT_EQ(images.size(), 1u) << qPrintable(c.attrs.left(60));
        EXPECT_EQ(images[0].imageWidth, 3u);
        EXPECT_EQ(images[0].imageHeight, 2u);
        EXPECT_FLOAT_EQ(images[0].rect.X, c.rect.X);
        EXPECT_FLOAT_EQ(images[0].rect.Width, c.rect.Width);
        EXPECT_FLOAT_EQ(images[0].rect.Height, c.rect.Height);
    }
}

TEST(SvgElements, ImagesFromElsewhereOrBrokenGiveNothing)
{
    vdtest::TempDir base, outside;
    QImage img(4, 4, QImage::Format_ARGB32);
    img.fill(Qt::blue);
    ASSERT_TRUE(img.save(base.file(QStringLiteral("a.png"))));
    ASSERT_TRUE(img.save(outside.file(QStringLiteral("b.png"))));
    ASSERT_TRUE(QFile::link(outside.file(QStringLiteral("b.png")), base.file(QStringLiteral("link.png"))));
    struct BaseScope {
        explicit BaseScope(const QString &d) { TSVGEnvironment::SetBaseDirectory(d); }
        ~BaseScope() { TSVGEnvironment::SetBaseDirectory(QString()); }
    } scope(base.path());
    const QString hrefs[] = {
        QStringLiteral("data:image/png;charset=x;base64,iVBORw0KGgo="), // parameters before the marker
        QStringLiteral("data:image/png,plain"),                         // not base64
        QStringLiteral("data:image/png;base64,AAAA"),                  // not a picture
        QStringLiteral("data:image/png;base64,"),                      // nothing
        QStringLiteral("DATA:image/png;base64,") + pngDataUrl(2, 2, false).mid(22),
        outside.file(QStringLiteral("b.png")),                         // outside the base directory
        QStringLiteral("../") + QFileInfo(outside.path()).fileName() + QStringLiteral("/b.png"),
        QStringLiteral("link.png"),                                    // a link that leads out
        QStringLiteral("http://example.invalid/a.png"),
        QStringLiteral("."),
    };
    for (const QString &h : hrefs) {
        Recorded r(svg(QStringLiteral("<image width=\"5\" height=\"5\" href=\"%1\"/>").arg(h).toUtf8().constData()));
        EXPECT_TRUE(r.cls.Of(QStringLiteral("image")).empty()) << qPrintable(h);
    }
    Recorded inside(svg(R"(<image href="a.png"/>)"));
    const auto images = inside.cls.Of(QStringLiteral("image"));
    ASSERT_EQ(images.size(), 1u);
    EXPECT_FLOAT_EQ(images[0].rect.Width, 4);
}

TEST(SvgElements, StrokeDataReachesTheCanvasAndBecomesAPen)
{
    Recorded r(svg(R"(<line x1="0" y1="0" x2="100" y2="0" stroke="red" stroke-width="2" stroke-dasharray="5,5"
                        stroke-dashoffset="3" stroke-linejoin="miter-clip" stroke-linecap="round"/>)"));
    const auto strokes = r.cls.Of(QStringLiteral("stroke"));
    ASSERT_EQ(strokes.size(), 1u);
    EXPECT_FLOAT_EQ(strokes[0].stroke.Width, 2);
    EXPECT_EQ(strokes[0].stroke.Dash.Arr, (std::vector<float>{5, 5}));
    EXPECT_EQ(strokes[0].stroke.LineJoin, svg_miter_clip);
    EXPECT_EQ(strokes[0].stroke.LineCap, svg_round);

    QImage img(10, 10, QImage::Format_ARGB32_Premultiplied);
    QPainterCanvas dc(img);
    TSVGGDIPCanvas canvas(dc);
    canvas.SetSolidColor(dtStroke, {255, 0, 0, 1});
    canvas.SetStroke(strokes[0].stroke);
    ASSERT_TRUE(canvas.Pen().has_value());
    // Qt counts dashes and their offset in pen widths.
    EXPECT_EQ(canvas.Pen()->dashPattern(), (QList<qreal>{2.5, 2.5}));
    EXPECT_DOUBLE_EQ(canvas.Pen()->dashOffset(), 1.5);
    EXPECT_EQ(canvas.Pen()->capStyle(), Qt::RoundCap);
    for (TSVGSpecificWord j : {svg_arcs, svg_miter_clip, svg_miter})
        EXPECT_EQ(TSVGGDIPCanvas::PenJoinOf(j), Qt::MiterJoin) << int(j);
    EXPECT_EQ(TSVGGDIPCanvas::PenJoinOf(svg_bevel), Qt::BevelJoin);
    EXPECT_EQ(TSVGGDIPCanvas::PenJoinOf(svg_round), Qt::RoundJoin);

    // No width, a negative one, or no stroke paint: nothing is stroked.
    for (float w : {0.0f, -1.0f}) {
        TSVGStrokeData s;
        s.Width = w;
        canvas.SetStroke(s);
        EXPECT_FALSE(canvas.Pen().has_value()) << w;
    }
    TSVGStrokeData zeros;
    zeros.Dash.Arr = {0, 0};
    canvas.SetStroke(zeros);
    ASSERT_TRUE(canvas.Pen().has_value());
    EXPECT_EQ(canvas.Pen()->style(), Qt::SolidLine);
}

TEST(SvgElements, PaintsFollowTheProtocol)
{
    Recorded r(svg(R"x(<g opacity="0.5"><rect id="r" width="10" height="10" fill="blue" fill-opacity="0.5"
                       stroke="url(#none)" fill-rule="evenodd"/></g>)x"));
    const auto paints = r.paints();
    ASSERT_EQ(paints.size(), 1u);
    EXPECT_EQ(paints[0].color.B, 255);
    EXPECT_FLOAT_EQ(paints[0].color.Alpha, 0.25f);
    EXPECT_FLOAT_EQ(paints[0].strokeColor.Alpha, 0); // a reference to nothing paints nothing
    EXPECT_EQ(paints[0].fillRule, svg_evenodd);
    // Clip, transform, paints, stroke, paint, then the reset.
    QStringList ops;
    for (const SvgCanvasRecord &rec : r.cls.Records)
        ops << rec.op;
    EXPECT_EQ(ops.join(u' '), QStringLiteral("transform solid solid stroke paint resettransform resetclip"));
}

TEST(SvgElements, ClipPathsNestFromTheOutermost)
{
    Recorded r(svg(R"x(<defs><clipPath id="outer"><rect width="50" height="50"/></clipPath>
                       <clipPath id="inner" clipPathUnits="objectBoundingBox"><rect width="0.5" height="1"/></clipPath></defs>
                     <g clip-path="url(#outer)"><rect id="r" x="10" y="10" width="20" height="20" clip-path="url(#inner)"/></g>)x"));
    QStringList clipOps;
    for (const SvgCanvasRecord &rec : r.cls.Records)
        if (rec.op == QLatin1String("clip") || rec.op == QLatin1String("intersect"))
            clipOps << rec.op + u' ' + rec.path;
    ASSERT_EQ(clipOps.size(), 2);
    EXPECT_EQ(clipOps[0], QStringLiteral("clip 4: (0 0) (50 0) (50 50) (0 50) "));
    // Half the width of the clipped element's box.
    EXPECT_EQ(clipOps[1], QStringLiteral("intersect 4: (10 10) (20 10) (20 30) (10 30) "));
}

TEST(SvgElements, TextAnchorsAndContinuesAfterThePreviousRun)
{
    Recorded r(svg(R"(<text id="t" x="100" y="50" font-size="20" text-anchor="middle">Hello</text>
                     <text id="a" x="10" y="90" font-size="20">AB<tspan id="s">CD</tspan></text>)"));
    auto *t = dynamic_cast<TSVGCustomText *>(r.root.FindByID(QStringLiteral("t")));
    ASSERT_NE(t, nullptr);
    ASSERT_GT(t->TextWidth(), 10);
    const TSingleBounds tb = t->GetBounds();
    EXPECT_NEAR(tb.X + tb.Width / 2, 100, 3);
    EXPECT_LT(tb.Y + tb.Height, 56); // glyphs stand on the baseline
    auto *a = dynamic_cast<TSVGCustomText *>(r.root.FindByID(QStringLiteral("a")));
    auto *s = dynamic_cast<TSVGCustomText *>(r.root.FindByID(QStringLiteral("s")));
    ASSERT_NE(a, nullptr);
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(a->Count(), 2);
    auto *run = dynamic_cast<TSVGCustomText *>(a->GetItem(0));
    ASSERT_NE(run, nullptr);
    EXPECT_EQ(run->Text(), QStringLiteral("AB"));
    EXPECT_EQ(s->Text(), QStringLiteral(" CD"));
    EXPECT_FLOAT_EQ(s->TextOrigin().X[0], 10 + run->TotalWidth());
}

TEST(SvgElements, TextDecorationsPaintAroundTheGlyphs)
{
    Recorded r(svg(R"(<text x="10" y="50" font-size="20" text-decoration="underline line-through">Ab</text>)"));
    const auto paints = r.paints();
    ASSERT_EQ(paints.size(), 3u); // underline, glyphs, line-through
    EXPECT_EQ(paints[0].path.left(3), QStringLiteral("4: "));
    EXPECT_EQ(paints[2].path.left(3), QStringLiteral("4: "));
    EXPECT_GT(paints[1].path.section(u':', 0, 0).toInt(), 8);
}

TEST(SvgElements, SizesComeFromWidthHeightAndViewBox)
{
    struct Case {
        const char *doc;
        float w, h;
    };
    const Case cases[] = {
        {R"(<svg viewBox="0 0 24 24"/>)", 24, 24},
        {R"(<svg width="200" viewBox="0 0 100 50"/>)", 200, 100},
        {R"(<svg height="100" viewBox="0 0 100 50"/>)", 200, 100},
        {R"(<svg><rect x="10" y="20" width="30" height="40"/><circle cx="100" cy="100" r="10"/></svg>)", 100, 90},
        {R"(<svg width="50" height="60"/>)", 50, 60},
    };
    for (const Case &c : cases) {
        TSVGRootObj root;
        root.LoadFromText(QString::fromLatin1(c.doc));
        EXPECT_FLOAT_EQ(root.GetOuterWidth(), c.w) << c.doc;
        EXPECT_FLOAT_EQ(root.GetOuterHeight(), c.h) << c.doc;
    }
}

TEST(SvgElements, AspectRatioPlacesTheViewBox)
{
    struct Case {
        const char *par;
        float scale, dx, dy;
    };
    const Case cases[] = {
        {"xMidYMid meet", 0.5f, 0, 25},
        {"xMidYMid slice", 1, -50, 0},
        {"xMinYMax meet", 0.5f, 0, 50},
        {"none", 0.5f, 0, 0},
    };
    for (const Case &c : cases) {
        TSVGRootObj root;
        root.LoadFromText(QStringLiteral(R"(<svg width="100" height="100" viewBox="0 0 200 100" preserveAspectRatio="%1"/>)")
                              .arg(QLatin1String(c.par)));
        root.CalculateMatrices();
        const TSVGTransform m = root.RootMatrix();
        EXPECT_FLOAT_EQ(m.a, c.scale) << c.par;
        EXPECT_FLOAT_EQ(m.e, c.dx) << c.par;
        EXPECT_FLOAT_EQ(m.f, c.dy) << c.par;
    }
    // A view box of no width maps nothing: scale 1, no offset.
    TSVGRootObj flat;
    flat.LoadFromText(QStringLiteral(R"(<svg width="100" height="100" viewBox="5 5 0 10"/>)"));
    flat.CalculateMatrices();
    EXPECT_FLOAT_EQ(flat.RootMatrix().a, 1);
    EXPECT_FLOAT_EQ(flat.RootMatrix().e, 0);
}
