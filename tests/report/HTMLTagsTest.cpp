#include "report/vdxHTMLTags.h"
#include <gtest/gtest.h>

namespace {

struct Expanded {
    QString text;
    std::vector<TvdxHTMLTag> records;
};

Expanded expand(const QString &source, bool allowTags = true, int defSize = 12)
{
    TvdxHTMLTagsList list;
    list.SetAllowTags(allowTags);
    list.SetDefaults(clBlack, defSize, 0);
    Expanded e;
    e.text = source;
    list.StartLine();
    list.ExpandHTMLTags(e.text);
    for (int l = 0; l < list.Count(); ++l)
        for (int i = 0; i < list.Items(l)->Count(); ++i)
            e.records.push_back(*list.Items(l)->Items(i));
    return e;
}

struct TagCase {
    const char16_t *source;
    const char16_t *text;
};

class TagTextTest : public ::testing::TestWithParam<TagCase> {};

TEST_P(TagTextTest, TagsLeaveTheTextAndOneRecordPerCharacter)
{
    const TagCase &c = GetParam();
    const Expanded e = expand(QString::fromUtf16(c.source));
    EXPECT_EQ(e.text, QString::fromUtf16(c.text));
    EXPECT_EQ(e.records.size(), size_t(e.text.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TagTextTest,
    ::testing::Values(TagCase{u"a<b>b</b>c", u"abc"}, TagCase{u"<B>x</B>", u"x"}, TagCase{u"<i><u>x</u></i>", u"x"},
                      TagCase{u"<font color=#FF0000>x</font>", u"x"}, TagCase{u"<font color=\"red\">x", u"x"},
                      TagCase{u"<font color=foo>x", u"<font color=foo>x"},
                      TagCase{u"<font color=#zz>x", u"<font color=#zz>x"}, TagCase{u"<font color=>x", u"<font color=>x"},
                      TagCase{u"<font color=#FF0000", u"<font color=#FF0000"}, TagCase{u"a < b <c>", u"a < b <c>"},
                      TagCase{u"<", u"<"}, TagCase{u"", u" "}, TagCase{u"<b></b>", u" "},
                      TagCase{u"</b>x</i></sub>", u"x"}, TagCase{u"<nowrap>a b</nowrap>", u"a b"},
                      TagCase{u"<strike>s</strike>", u"s"}, TagCase{u"<SUP>2</SUP>", u"2"}));

TEST(HTMLTagsTest, BoldRunMarksItsBordersAsChanges)
{
    const Expanded e = expand(QStringLiteral("a<b>b</b>c"));
    ASSERT_EQ(e.records.size(), 3u);
    EXPECT_TRUE(e.records[0].Default);
    EXPECT_EQ(e.records[1].Style, vdfsBold);
    EXPECT_FALSE(e.records[1].Default);
    EXPECT_EQ(e.records[2].Style, 0);
    EXPECT_FALSE(e.records[2].Default);
    // Positions count the tags of the source.
    EXPECT_EQ(e.records[0].Position, 1);
    EXPECT_EQ(e.records[1].Position, 5);
    EXPECT_EQ(e.records[2].Position, 10);
}

TEST(HTMLTagsTest, Colours)
{
    EXPECT_EQ(expand(QStringLiteral("<font color=#FF0000>x")).records[0].Color, 0x0000FF);
    EXPECT_EQ(expand(QStringLiteral("<font color=#0000ff>x")).records[0].Color, 0xFF0000);
    EXPECT_EQ(expand(QStringLiteral("<font color=\"red\">x")).records[0].Color, clRed);
    EXPECT_EQ(expand(QStringLiteral("<FONT COLOR = Navy>x")).records[0].Color, clNavy);
    // Closing an inner colour restores the outer one.
    const Expanded e = expand(QStringLiteral("<font color=red>a<font color=blue>b</font>c</font>d"));
    ASSERT_EQ(e.text, QStringLiteral("abcd"));
    EXPECT_EQ(e.records[0].Color, clRed);
    EXPECT_EQ(e.records[1].Color, clBlue);
    EXPECT_EQ(e.records[2].Color, clRed);
    EXPECT_EQ(e.records[3].Color, clBlack);
}

TEST(HTMLTagsTest, ImproperNestingKeepsTheInnerStyle)
{
    const Expanded e = expand(QStringLiteral("<b>a<i>b</b>c</i>d"));
    ASSERT_EQ(e.text, QStringLiteral("abcd"));
    EXPECT_EQ(e.records[0].Style, vdfsBold);
    EXPECT_EQ(e.records[1].Style, vdfsBold | vdfsItalic);
    EXPECT_EQ(e.records[2].Style, vdfsItalic);
    EXPECT_EQ(e.records[3].Style, 0);
    // The re-opened tag was not in the source: positions stay on the source.
    EXPECT_EQ(e.records[2].Position, 13);
    EXPECT_EQ(e.records[3].Position, 18);
}

TEST(HTMLTagsTest, NestedSameTagReopensTheOuterOne)
{
    const Expanded e = expand(QStringLiteral("<b>a<b>b</b>c</b>d"));
    ASSERT_EQ(e.text, QStringLiteral("abcd"));
    EXPECT_EQ(e.records[2].Style, vdfsBold);
    EXPECT_EQ(e.records[3].Style, 0);
}

TEST(HTMLTagsTest, SubscriptAndSuperscript)
{
    const Expanded sub = expand(QStringLiteral("<sub>2</sub>x"), true, 10);
    EXPECT_EQ(sub.records[0].Size, 7); // Round(10 / 1.5) = Round(6.67)
    EXPECT_EQ(sub.records[0].AddY, 1);
    EXPECT_TRUE(sub.records[0].Small);
    EXPECT_EQ(sub.records[0].SubType, ssSubscript);
    EXPECT_EQ(sub.records[1].Size, 10);
    EXPECT_FALSE(sub.records[1].Small);
    // Round half to even: 9 / 1.5 = 6 exactly, 15 / 1.5 = 10; 3.75 -> 4.
    EXPECT_EQ(expand(QStringLiteral("<sup>2</sup>"), true, 9).records[0].Size, 6);
    const Expanded sup = expand(QStringLiteral("<sup>2</sup>"), true, 12);
    EXPECT_EQ(sup.records[0].Size, 8);
    EXPECT_EQ(sup.records[0].AddY, 0);
    EXPECT_EQ(sup.records[0].SubType, ssSuperscript);
}

TEST(HTMLTagsTest, TagsOffKeepTagsAsDefaultText)
{
    const Expanded e = expand(QStringLiteral("<b>"), false);
    ASSERT_EQ(e.text, QStringLiteral("<b>"));
    ASSERT_EQ(e.records.size(), 3u);
    for (const auto &r : e.records) {
        EXPECT_TRUE(r.Default);
        EXPECT_EQ(r.Style, 0);
    }
}

TEST(HTMLTagsTest, NoWrapZone)
{
    const Expanded e = expand(QStringLiteral("a<nowrap>b c</nowrap>d"));
    ASSERT_EQ(e.text, QStringLiteral("ab cd"));
    const bool expected[] = {false, true, true, true, false};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(e.records[size_t(i)].DontWRAP, expected[i]) << i;
}

TEST(HTMLTagsTest, SecondParagraphPositionFollowsTheFirstLine)
{
    TvdxHTMLTagsList list;
    list.SetDefaults(clBlack, 10, 0);
    QString first = QStringLiteral("a<b>b</b>");
    QString second = QStringLiteral("z");
    list.StartLine();
    list.ExpandHTMLTags(first);
    list.SetPosition(list.Position() + 2); // CR LF
    list.StartLine();
    list.ExpandHTMLTags(second);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Items(1)->Items(0)->Position, 9 + 3);
}

TEST(HTMLTagsTest, SplitLineMovesRecordsAndAddsTheHyphensRecord)
{
    TvdxHTMLTagsList list;
    list.SetDefaults(clBlack, 10, 0);
    QString s = QStringLiteral("ab<b>cd</b>");
    list.StartLine();
    list.ExpandHTMLTags(s);
    list.SplitLineAt(3, true);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Items(0)->Count(), 4);
    EXPECT_EQ(list.Items(0)->Items(3)->Style, vdfsBold); // copies record 2
    EXPECT_EQ(list.Items(1)->Count(), 1);
    list.SplitLineAt(5, false); // beyond the last line: nothing
    EXPECT_EQ(list.Count(), 2);
}

TEST(HTMLTagsTest, DeepAndHostileNestingEnds)
{
    QString s;
    for (int i = 0; i < 300; ++i)
        s += QStringLiteral("<b><i><u><font color=red>x");
    for (int i = 0; i < 300; ++i)
        s += QStringLiteral("</b></font>");
    const Expanded e = expand(s);
    EXPECT_EQ(e.text, QString(300, u'x'));
}

} // namespace
