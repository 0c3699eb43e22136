// Kerned text: advances and pair kerning of a face read at 1000 pixels,
// per-character positions, and text laid along a guide path.
#include "platform/Exception.h"
#include "svg/vdSVGGDIPCanvas.h"
#include "svg/vdSVGKerningText.h"

#include <gtest/gtest.h>

namespace {

QString sans() { return TSVGGDIPCanvas::FontFamilyFor(QStringLiteral("Arial")); }

// The outline AddToPath should give: each glyph put where the lists say.
QPainterPath expectedOutline(TGPKerningText &k, const QString &text, const std::vector<QPointF> &tops)
{
    QPainterPath p;
    const QList<uint> cps = text.toUcs4();
    for (int i = 0; i < cps.size(); ++i)
        p.addPath(k.CharPath(cps[i]).translated(tops[size_t(i)].x(), tops[size_t(i)].y() + k.Ascent()));
    return p;
}

bool samePath(const QPainterPath &a, const QPainterPath &b)
{
    if (a.elementCount() != b.elementCount())
        return false;
    for (int i = 0; i < a.elementCount(); ++i)
        if (std::abs(a.elementAt(i).x - b.elementAt(i).x) > 1e-3 || std::abs(a.elementAt(i).y - b.elementAt(i).y) > 1e-3)
            return false;
    return true;
}

} // namespace

TEST(SvgText, PairKerningNarrowsTheText)
{
    TGPKerningText k;
    const float kerned = k.MeasureText(QStringLiteral("AVA"), sans(), false, false, 100, 1, 1);
    const float plain = k.MeasureText(QStringLiteral("AVA"), sans(), false, false, 100, 1, 0);
    EXPECT_LT(kerned, plain - 1);
    EXPECT_GT(kerned, 100);
    // Pairs come from the cache the second time; another size keeps it.
    const int cached = k.CachedPairs();
    EXPECT_EQ(cached, 3);
    EXPECT_FLOAT_EQ(k.MeasureText(QStringLiteral("AVA"), sans(), false, false, 100, 1, 1), kerned);
    EXPECT_NEAR(k.MeasureText(QStringLiteral("AVA"), sans(), false, false, 50, 1, 1), kerned / 2, 1e-3);
    EXPECT_EQ(k.CachedPairs(), cached);
    // Another face starts a cache of its own.
    k.MeasureText(QStringLiteral("AV"), sans(), true, false, 100, 1, 1);
    EXPECT_EQ(k.CachedPairs(), 2);
}

TEST(SvgText, CharactersWithoutMetricsNeverGoBackwards)
{
    TGPKerningText k;
    k.Prepare(sans(), false, false, 100);
    EXPECT_FLOAT_EQ(k.GetCellWidth(0xE000, 0, 1, 1), 0); // no glyph in the face
    EXPECT_GE(k.GetCellWidth(u'A', u'V', 1, -1000), 0);
    // Characters beyond the 16-bit range are looked up by code point.
    EXPECT_FLOAT_EQ(k.MeasureText(QString::fromUcs4(U"\U0001F600"), sans(), false, false, 100, 1, 1),
                    k.GetCellWidth(0x1F600, 0, 1, 1));
}

TEST(SvgText, PositionListsPlaceEachCharacter)
{
    TGPKerningText k;
    k.Prepare(sans(), false, false, 20);
    struct Case {
        TTextOrigin origin;
        std::vector<QPointF> tops; // where each of "ABC" starts
    };
    const float wA = [&] { k.Prepare(sans(), false, false, 20); return k.GetCellWidth(u'A', u'B', 1, 1); }();
    const float wB = k.GetCellWidth(u'B', u'C', 1, 1);
    const Case cases[] = {
        {{{10, 50}, {0}, {0}, {0}}, {{10, 0}, {50, 0}, {50 + wB, 0}}},
        {{{0}, {0}, {0}, {0, 5, 5}}, {{0, 0}, {wA, 5}, {wA + wB, 10}}},
        {{{3}, {7, 20}, {1, 2}, {0}}, {{4, 7}, {4 + wA + 2, 20}, {4 + wA + 2 + wB, 20}}},
    };
    for (const Case &c : cases) {
        QPainterPath got;
        k.AddToPath(got, nullptr, nullptr, nullptr, QStringLiteral("ABC"), sans(), false, false, 20, c.origin, 1, 1);
        EXPECT_TRUE(samePath(got, expectedOutline(k, QStringLiteral("ABC"), c.tops)))
            << c.tops[1].x() << ',' << c.tops[1].y();
    }
}

TEST(SvgText, DecorationBarsSpanTheMeasuredWidth)
{
    TGPKerningText k;
    QPainterPath glyphs, under, through, over;
    TTextOrigin o{{10}, {100}, {0}, {0}};
    k.AddToPath(glyphs, &under, &through, &over, QStringLiteral("Hello"), sans(), false, false, 20, o, 1, 1);
    const float w = k.MeasureText(QStringLiteral("Hello"), sans(), false, false, 20, 1, 1);
    EXPECT_NEAR(under.boundingRect().left(), 10, 1e-4);
    EXPECT_NEAR(under.boundingRect().width(), w, 1e-3);
    EXPECT_NEAR(under.boundingRect().height(), 1, 1e-4); // a twentieth of the size
    EXPECT_LT(over.boundingRect().top(), through.boundingRect().top());
    EXPECT_LT(through.boundingRect().top(), under.boundingRect().top());
}

TEST(SvgText, TextAlongAPathStopsAtItsEnd)
{
    TGPKerningText k;
    TGPPathText guide({QPointF(0, 0), QPointF(100, 0)});
    QPainterPath first;
    const float one = guide.AddPathText(first, QStringLiteral("H"), 10, sans(), false, false, 20, k, 1, 1);
    k.Prepare(sans(), false, false, 20);
    EXPECT_NEAR(one, k.GetCellWidth(u'H', 0, 1, 1), 1e-3);
    // The em box stands on the path from the indent on.
    const QRectF hb = first.boundingRect();
    EXPECT_GT(hb.left(), 10);
    EXPECT_LT(hb.left(), 13);
    EXPECT_LE(hb.bottom(), 0.01);

    QPainterPath longer;
    const QString text = QStringLiteral("This text is much longer than its path");
    const float covered = guide.AddPathText(longer, text, 0, sans(), false, false, 20, k, 1, 1);
    EXPECT_LE(covered, 100);
    EXPECT_GT(covered, 50);
    EXPECT_LE(longer.boundingRect().right(), 100.5);

    // A turned path turns the characters: the upright H is taller than wide.
    ASSERT_GT(hb.height(), hb.width());
    TGPPathText down({QPointF(0, 0), QPointF(0, 100)});
    QPainterPath turned;
    down.AddPathText(turned, QStringLiteral("H"), 0, sans(), false, false, 20, k, 1, 1);
    EXPECT_NEAR(turned.boundingRect().height(), hb.width(), 1e-3);
    EXPECT_NEAR(turned.boundingRect().width(), hb.height(), 1e-3);
}

TEST(SvgText, GuidePathsAreMeasuredAcrossFigures)
{
    EXPECT_FLOAT_EQ(TGPPathText::PathLength({QPointF(0, 0), QPointF(3, 4), QPointF(3, 10)}), 11);
    TGPPathText g({QPointF(0, 0), QPointF(10, 0), QPointF(10, 10)});
    EXPECT_DOUBLE_EQ(g.IndexAtDistance(15), 1.5);
    EXPECT_DOUBLE_EQ(g.DistanceAt(1.5), 15);
    EXPECT_EQ(g.IndexAtDistance(25), -1);
    // Five units straight from (10, 0) along the path: on the second segment.
    EXPECT_DOUBLE_EQ(g.IndexAfter(5, 1), 1.5);
    EXPECT_EQ(g.IndexAfter(50, 0), -1);
}

TEST(SvgText, AGuideMustExist)
{
    TGPKerningText k;
    try {
        TSVGGDIPCanvas::Class()->CreatePathText(nullptr, k);
        FAIL() << "no exception";
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Path is invalid"));
    }
}
