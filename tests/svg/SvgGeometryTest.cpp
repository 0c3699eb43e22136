#include "svg/vdSVGGeometry.h"

#include <gtest/gtest.h>

TEST(SvgGeometry, SameSingleUsesRelativeTolerance)
{
    struct Case {
        float a, b, eps;
        bool same;
    } cases[] = {
        {0, 0.00005f, 0, true},    {1000, 1000.05f, 0, true}, {1000, 1000.2f, 0, false},
        {-1000, -1000.05f, 0, true}, {1, 1.5f, 0.5f, true},   {1, 1.6f, 0.5f, false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(SameSingle(c.a, c.b, c.eps), c.same) << c.a << " " << c.b << " " << c.eps;
}

TEST(SvgGeometry, UnionGoesThroughCorners)
{
    const TSingleBounds u = BoundsUnion({0, 0, 10, 10}, {5, 5, 10, 10});
    EXPECT_TRUE(SameBounds(u, {0, 0, 15, 15}));
    const TSingleBounds c = BoundsToCorners({2, 3, 4, 5});
    EXPECT_TRUE(SameBounds(c, {2, 3, 6, 8}));
    EXPECT_TRUE(SameBounds(CornersToBounds(c), {2, 3, 4, 5}));
    EXPECT_TRUE(SameBounds(RectToBounds({1, 2, 11, 22}), {1, 2, 10, 20}));
}

TEST(SvgGeometry, PointsAndCopies)
{
    EXPECT_TRUE(SamePoint(PointMid({0, 0}, {2, 4}), {1, 2}));
    EXPECT_TRUE(SamePoint(PointSub({5, 5}, {2, 1}), {3, 4}));
    EXPECT_TRUE(SamePoint(PointFromStrings(QStringLiteral("1,5"), QStringLiteral("x")), {1.5f, 0}));
    TSinglePointDynArray a{{1, 1}};
    TSinglePointDynArray b = a;
    b[0].X = 9;
    EXPECT_EQ(a[0].X, 1);
}
