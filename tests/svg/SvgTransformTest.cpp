#include "svg/vdSVGTransform.h"

#include <QTransform>
#include <gtest/gtest.h>

namespace {

// The list's matrix with plain numbers (no units to resolve).
TSVGTransform matrixOf(const char *text, int *count = nullptr)
{
    TCSSSVGTransformList list(QString::fromUtf8(text));
    if (count)
        *count = list.Count();
    TSVGLengthArray raw;
    TSVGDirectionArray dir;
    list.GetRawData(raw, dir);
    std::vector<float> data;
    for (const TSVGLength &l : raw)
        data.push_back(l.Value);
    list.SetData(data);
    return list.GetMatrix();
}

QTransform toQt(const TSVGTransform &m) { return QTransform(m.a, m.b, m.c, m.d, m.e, m.f); }

} // namespace

TEST(SvgTransform, MapsPointsAsQTransformDoes)
{
    struct Case {
        const char *text;
        QTransform qt;
        QPointF from, to;
    } cases[] = {
        {"translate(10,20) rotate(90)", QTransform().translate(10, 20).rotate(90), {1, 0}, {10, 21}},
        {"rotate(90, 10, 10)", QTransform().translate(10, 10).rotate(90).translate(-10, -10), {20, 10}, {10, 20}},
        {"skewX(45)", QTransform().shear(1, 0), {0, 1}, {1, 1}},
        {"scale(2)", QTransform().scale(2, 2), {1, 3}, {2, 6}},
        {"scaleX(2)", QTransform().scale(2, 1), {1, 3}, {2, 3}},
        {"translateY(5)", QTransform().translate(0, 5), {1, 1}, {1, 6}},
        {"matrix(1 0 0 1 5 5)", QTransform(1, 0, 0, 1, 5, 5), {0, 0}, {5, 5}},
        {"translate(1,2),scale(3)", QTransform().translate(1, 2).scale(3, 3), {1, 1}, {4, 5}},
        {"rotate(0.25turn)", QTransform().rotate(90), {1, 0}, {0, 1}},
    };
    for (const Case &c : cases) {
        const TSVGTransform m = matrixOf(c.text);
        const QPointF ours = toQt(m).map(c.from);
        const QPointF qts = c.qt.map(c.from);
        EXPECT_NEAR(ours.x(), c.to.x(), 1e-4) << c.text;
        EXPECT_NEAR(ours.y(), c.to.y(), 1e-4) << c.text;
        EXPECT_NEAR(qts.x(), ours.x(), 1e-4) << c.text;
        EXPECT_NEAR(qts.y(), ours.y(), 1e-4) << c.text;
    }
}

TEST(SvgTransform, DroppedFunctions)
{
    struct Case {
        const char *text;
        int count;
    } cases[] = {
        {"rotate()", 0}, {"rotate(1, 2)", 0}, {"matrix(1, 0, 0, 1)", 0}, {"Translate(1,2)", 0},
        {"", 0},         {"translate(1", 0},  {"scale(2) bogus(1) rotate(3)", 2},
    };
    for (const Case &c : cases) {
        int count = -1;
        const TSVGTransform m = matrixOf(c.text, &count);
        EXPECT_EQ(count, c.count) << c.text;
        if (c.count == 0) {
            EXPECT_TRUE(SameMatrix(m, IdentityMatrix())) << c.text;
        }
    }
}

TEST(SvgTransform, MatrixRoundTripAndProducts)
{
    TCSSSVGTransformList list;
    const TSVGTransform m{1, 2, 3, 4, 5, 6};
    list.SetTransform(m);
    EXPECT_TRUE(SameMatrix(list.GetMatrix(), m));
    TCSSSVGTransformList copy(list);
    EXPECT_TRUE(SameMatrix(copy.GetMatrix(), m));
    // M1 first, then M2: the same as QTransform's product.
    const TSVGTransform a{1, 2, 3, 4, 5, 6}, b{0, 1, -1, 0, 7, 8};
    const QTransform q = toQt(a) * toQt(b);
    EXPECT_TRUE(SameMatrix(MultiplyMatrix(a, b), {float(q.m11()), float(q.m12()), float(q.m21()),
                                                   float(q.m22()), float(q.dx()), float(q.dy())}));
    EXPECT_TRUE(IsEmptyMatrix({}));
    EXPECT_FALSE(IsEmptyMatrix(IdentityMatrix()));
}
