// Path data: commands, numbers, implicit repeats, curves and arcs, checked
// through the geometry listing of the built path.
#include "svg/vdSVGGDIPPath.h"
#include "svg/vdSVGPath.h"
#include "svg/vdSVGRoot.h"

#include <QPointF>
#include <cmath>
#include <gtest/gtest.h>

namespace {

QString pathLog(const QString &d)
{
    TSVGGDIGraphicsPath path;
    for (const auto &seg : ParsePathData(d))
        seg->AddToPath(path);
    return path.Log();
}

std::vector<TSVGGDIGraphicsPath::PathPoint> pathPoints(const QString &d)
{
    TSVGGDIGraphicsPath path;
    for (const auto &seg : ParsePathData(d))
        seg->AddToPath(path);
    return path.Points();
}

struct LogCase {
    const char *d;
    const char *log;
};

} // namespace

TEST(SvgPathData, ListsTheGeometryOfEachCommandForm)
{
    const LogCase cases[] = {
        // An implicit repeat of a move draws lines.
        {"M10 10 20 20 30 30", "3: (10 10) (20 20) (30 30) "},
        {"M10,10L20-5", "2: (10 10) (20 -5) "},
        {"M0 0L1.5.5", "2: (0 0) (1.50 0.50) "},
        {"M0 0L1e1-2E+1", "2: (0 0) (10 -20) "},
        // Left-over numbers that fill no set are ignored.
        {"M 0 0 L 10 10 20", "2: (0 0) (10 10) "},
        // Every further complete set repeats the command, as in SVG.
        {"M 0 0 L 1 2 3 4 5", "3: (0 0) (1 2) (3 4) "},
        {"m 1 1 2 2 3 3", "3: (1 1) (3 3) (6 6) "},
        // Closing goes back to the figure's start; the next command starts there.
        {"m 10 10 l 5 0 z l 0 5", "4: (10 10) (15 10) (10 10) (10 15) "},
        {"M10 10 h 5 v 5 H 0 V 0", "5: (10 10) (15 10) (15 15) (0 15) (0 0) "},
        {"M0 0 C 10 0 20 10 20 20 S 30 40 40 40", "7: (0 0) (10 0) (20 10) (20 20) (20 30) (30 40) (40 40) "},
        // After a line, S takes the current point as its first control point.
        {"M0 0 L 10 0 S 20 10 30 0", "5: (0 0) (10 0) (10 0) (20 10) (30 0) "},
        {"M0 0 Q 30 0 30 30 T 30 60", "7: (0 0) (20 0) (30 10) (30 30) (30 50) (30 60) (30 60) "},
        {"M0 0 A0 5 0 0 1 10 0", "2: (0 0) (10 0) "},
        {"M10 10 A5 5 0 0 1 10 10", "0: "},
        {"", "0: "},
    };
    for (const LogCase &c : cases)
        EXPECT_EQ(pathLog(QString::fromLatin1(c.d)), QString::fromLatin1(c.log)) << c.d;
}

TEST(SvgPathData, StopsAtTheFirstCommandItCannotRead)
{
    const LogCase cases[] = {
        {"M0 0 L10 10 L20", "2: (0 0) (10 10) "},
        {"M0 0 L10 10 C1 2 3", "2: (0 0) (10 10) "},
        {"M0 0 L10 10 L - 5 L 1 1", "2: (0 0) (10 10) "},
        {"M0 0 L10 10 A 1 1 0 0", "2: (0 0) (10 10) "},
        {"M", "0: "},
        {"Z Z z", "0: "},
        {"junk 12 M0 0 L 3 3", "2: (0 0) (3 3) "},
    };
    for (const LogCase &c : cases)
        EXPECT_EQ(pathLog(QString::fromLatin1(c.d)), QString::fromLatin1(c.log)) << c.d;
}

TEST(SvgPathData, ArcsBecomeBezierCurvesOfAtMostAQuarterTurn)
{
    // Radius 10 cannot span 100 units: it grows to 50, a half circle.
    const auto half = pathPoints(QStringLiteral("M0 0 A10 10 0 0 1 100 0"));
    ASSERT_EQ(half.size(), 7u); // the start and two curves
    EXPECT_NEAR(half[3].X, 50, 1e-3);
    EXPECT_NEAR(half[3].Y, -50, 1e-3);
    EXPECT_NEAR(half[6].X, 100, 1e-3);
    EXPECT_NEAR(half[6].Y, 0, 1e-3);
    // The other sweep passes below.
    const auto below = pathPoints(QStringLiteral("M0 0 A10 10 0 0 0 100 0"));
    ASSERT_EQ(below.size(), 7u);
    EXPECT_NEAR(below[3].Y, 50, 1e-3);
    // Three quarters of a circle take three curves.
    const auto large = pathPoints(QStringLiteral("M0 0 A50 50 0 1 1 50 50"));
    ASSERT_EQ(large.size(), 10u);
    EXPECT_NEAR(large[9].X, 50, 1e-3);
    EXPECT_NEAR(large[9].Y, 50, 1e-3);
    // Every point of a circular arc lies on the circle (control points aside).
    const auto quarter = pathPoints(QStringLiteral("M100 50 A50 50 0 0 1 50 100"));
    ASSERT_EQ(quarter.size(), 4u);
    EXPECT_NEAR(std::hypot(quarter[3].X - 50, quarter[3].Y - 50), 50, 1e-3);
}

TEST(SvgPathData, PathElementsBuildTheirSegmentsOnceAndClonesKeepThem)
{
    TSVGRootObj root;
    root.LoadFromText(QStringLiteral(R"(<svg><path id="p" d="M0 0 L 10 0 L 10 10 z"/></svg>)"));
    auto *p = dynamic_cast<Tel_path *>(root.FindByID(QStringLiteral("p")));
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(p->Segments().size(), 4u);
    const TSingleBounds b = p->GetBounds();
    EXPECT_FLOAT_EQ(b.Width, 10);
    EXPECT_FLOAT_EQ(b.Height, 10);
    TSVGElementObj *copy = p->Clone(&root);
    auto *cp = dynamic_cast<Tel_path *>(copy);
    ASSERT_NE(cp, nullptr);
    EXPECT_EQ(cp->Segments().size(), 4u);
    cp->ConstructPath();
    EXPECT_EQ(cp->Path()->Log(), p->Path()->Log());
    delete copy;
}
