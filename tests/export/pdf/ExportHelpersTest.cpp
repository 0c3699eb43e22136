// Number texts, rotation, outline nodes and the small text tests shared by
// the PDF writers.
#include "export/pdf/vdxExportHelpers.h"

#include <QtMath>
#include <cmath>
#include <limits>
#include <gtest/gtest.h>

namespace {

struct TrimCase {
    int decimals;
    double value;
    const char *expected;
};

const TrimCase kTrimCases[] = {
    {3, 0.5625, "0.563"},
    {3, 12.0, "12"},
    {0, 10.0, "10"},
    {3, 0.1, "0.1"},
    {2, 12.5, "12.5"},
    {2, 100.0, "100"},  // zeros before the point stay
    {2, -0.001, "0"},   // no negative zero
    {3, -1.25, "-1.25"},
    {2, 0.005, "0.01"}, // ties away from zero, as the fixed form does
    {4, 1e-9, "0"},
    {0, 2.5, "3"},
    {2, 1e15, "1000000000000000"},
    {2, std::numeric_limits<double>::quiet_NaN(), "NAN"},
    {2, std::numeric_limits<double>::infinity(), "INF"},
    {2, -std::numeric_limits<double>::infinity(), "-INF"},
};

} // namespace

TEST(FloatToPDFStr, TrimsTheFixedForm)
{
    for (const TrimCase &c : kTrimCases)
        EXPECT_EQ(FloatToPDFStr(c.decimals, c.value), QString::fromLatin1(c.expected))
            << c.decimals << " " << c.value;
}

TEST(FloatToPDFStr, HugeValuesStayPlainDigitsWithoutPoint)
{
    const QString s = FloatToPDFStr(2, 1e300);
    ASSERT_FALSE(s.isEmpty());
    EXPECT_FALSE(s.contains(u'.'));
    EXPECT_FALSE(s.contains(u'e') || s.contains(u'E'));
    EXPECT_TRUE(s.startsWith(u'1'));
}

TEST(PairToStr, JoinsTrimmedFormsWithOneBlank)
{
    EXPECT_EQ(PairToStr(3, 1.5, 2.0), "1.5 2");
    EXPECT_EQ(PointToStr(QPointF(0.12345, -7.1), 3), "0.123 -7.1");
}

TEST(TRotation2D, ZeroAngleLeavesPointsAndHasNoTranslation)
{
    TRotation2D r;
    r.Init(0, QPointF(10, 20), 2);
    EXPECT_EQ(r.C1, 0);
    EXPECT_EQ(r.C2, 0);
    EXPECT_EQ(r.Turn(QPointF(3, 4)), QPointF(3, 4));
    EXPECT_EQ(r.Matrix(), "1 0 0 1 0 0");
}

TEST(TRotation2D, QuarterTurnAboutACentre)
{
    TRotation2D r;
    r.Init(M_PI / 2, QPointF(10, 20), 2);
    const QPointF p = r.Turn(QPointF(20, 20));
    EXPECT_NEAR(p.x(), 10, 1e-9);
    EXPECT_NEAR(p.y(), 10, 1e-9);
    EXPECT_EQ(r.Turn2Str(QPointF(20, 20)), "10 10");
    // cos, sin, -sin, cos, C1 = 10 - 0 + 20, C2 = 20 - 10 - 0
    EXPECT_EQ(r.Matrix(), "0 1 -1 0 30 10");
}

TEST(TvdxCustomOutlineNode, NewNodeHasNoDestinationAndRootFreesTree)
{
    auto *root = new TvdxPDFOutlineNode;
    EXPECT_EQ(root->Dest, -1);
    EXPECT_EQ(root->Count, 0);
    EXPECT_TRUE(root->Title.isEmpty());
    // A long sibling chain with children: freed without deep recursion.
    TvdxCustomOutlineNode *prev = nullptr;
    for (int i = 0; i < 200000; ++i) {
        auto *n = new TvdxPDFOutlineNode;
        n->First = new TvdxPDFOutlineNode;
        n->Prev = prev;
        if (prev)
            prev->Next = n;
        else
            root->First = n;
        prev = n;
    }
    root->Last = prev;
    delete root;
}

TEST(ExportRoutines, SumsBitsAndScripts)
{
    EXPECT_EQ(ArraySum({}), 0u);
    EXPECT_EQ(ArraySum({0xFFFFFFFFu, 2u}), 1u); // modulo 2^32
    EXPECT_TRUE(HasAllBits(0b1110, 0b0110));
    EXPECT_FALSE(HasAllBits(0b1010, 0b0110));
    EXPECT_TRUE(HasAllBits(5, 0));
    EXPECT_TRUE(HasDevanagari(QString::fromUtf8("ab\xE0\xA4\x95")));  // U+0915
    EXPECT_FALSE(HasDevanagari(QString::fromUtf8("ab\xE0\xA6\x95"))); // Bengali U+0995
    EXPECT_FALSE(HasDevanagari(QString()));
}

TEST(ExportRoutines, PictureFormatNames)
{
    EXPECT_EQ(PictureFormatName(TvdxPictureFormat::pfPNG), "PNG");
    EXPECT_EQ(PictureFormatName(TvdxPictureFormat::pfEMF), "VDEMF");
    EXPECT_EQ(PictureFormatName(TvdxPictureFormat::pfBMP), "BMP");
    EXPECT_EQ(PictureFormatName(TvdxPictureFormat::pfJPG), "JPG");
    EXPECT_EQ(PictureFormatName(TvdxPictureFormat::pfBMP32), "BMP");
}

TEST(HasSupportedTag, FindsOnlyTagsTheTextWriterKnows)
{
    struct Case {
        const char *text;
        bool expected;
    } cases[] = {
        {"a < b and c > d", false},
        {"<b>bold", true},
        {"x <B> y", true},
        {"<font color=\"red\">r</font>", true},
        {"<FONT COLOR=#FF0000>", true},
        {"</b>", false},
        {"<sub><sup>", true},
        {"<strike>", true},
        {"<nowrap>", true},
        {"<p>para</p>", false},
        {"> <i", false},          // no candidate closes
        {"<<i>", true},            // a later "<" restarts the candidate
        {"<x>  <u>", true},        // an unsupported tag ends only its candidate
        {"", false},
        {"<>", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(HasSupportedTag(QString::fromLatin1(c.text)), c.expected) << c.text;
}
