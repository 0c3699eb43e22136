#include "core/vdxVariables.h"
#include "report/vdxClass_memo.h"
#include "report/vdxClass_report.h"
#include "report/vdxDrawText.h"
#include "report/vdxTextMeasure.h"
#include <QHash>
#include <gtest/gtest.h>

namespace {

// Expressions are looked up in a table; the calls are recorded.
class MemoFixture : public ::testing::Test {
protected:
    QHash<QString, Variant> values;
    QStringList calls;
    TvdxMemoView memo;

    void SetUp() override
    {
        values = {{QStringLiteral("Sum"), Variant(42)},
                  {QStringLiteral("A"), Variant(1.5)},
                  {QStringLiteral("B"), Variant(2.25)},
                  {QStringLiteral("C"), Variant(3.125)},
                  {QStringLiteral("Price"), Variant(1.5)},
                  {QStringLiteral("Date"), Variant::fromDate(44991)}, // 6 March 2023
                  {QStringLiteral("Zero"), Variant(0.0)},
                  {QStringLiteral("Tiny"), Variant(1e-20)},
                  {QStringLiteral("Small"), Variant(0.001)},
                  {QStringLiteral("Nil"), Variant::null()},
                  {QStringLiteral("Flag"), Variant(true)}};
        vdxMemoCalcHook() = [this](TvdxCustomMemoView *, const QString &expr) {
            calls << expr;
            return values.value(expr, Variant::fromString(expr));
        };
    }
    void TearDown() override { vdxMemoCalcHook() = nullptr; }

    QString fill(const QString &text)
    {
        memo.SetText(text);
        memo.BeforePrint();
        memo.GetData();
        const QString result = memo.Text();
        memo.AfterPrint();
        return result;
    }
};

TEST_F(MemoFixture, DelimitersChooseWhatIsAnExpression)
{
    memo.SetExpressionDelimiters(QStringLiteral("<%,%>"));
    EXPECT_EQ(fill(QStringLiteral("Total: <%Sum%>")), QStringLiteral("Total: 42\r\n"));
    memo.SetExpressionDelimiters(QStringLiteral("[,]"));
    EXPECT_EQ(fill(QStringLiteral("Total: <%Sum%>")), QStringLiteral("Total: <%Sum%>\r\n"));
    memo.SetExpressionDelimiters(QStringLiteral("[]"));
    EXPECT_EQ(fill(QStringLiteral("[Sum]")), QStringLiteral("[Sum]\r\n"));
    // The template text comes back after printing.
    EXPECT_EQ(memo.Text(), QStringLiteral("[Sum]\r\n"));
}

TEST_F(MemoFixture, LaterExpressionsUseTheLastFormat)
{
    TvdxFormat *f1 = memo.Formats()->AddFormat();
    f1->SetKind(TvdxFormat::fkNumeric);
    f1->SetFormatStr(QStringLiteral("%2.1f"));
    TvdxFormat *f2 = memo.Formats()->AddFormat();
    f2->SetKind(TvdxFormat::fkNumeric);
    f2->SetFormatStr(QStringLiteral("%2.3f"));
    EXPECT_EQ(fill(QStringLiteral("[A] and [B] and [C]")), QStringLiteral("1.5 and 2.250 and 3.125\r\n"));
}

struct InlineCase {
    const char *text;
    const char *expected;
};

class InlineFormatTest : public MemoFixture, public ::testing::WithParamInterface<InlineCase> {};

TEST_P(InlineFormatTest, Prints)
{
    EXPECT_EQ(fill(QString::fromUtf8(GetParam().text)).toStdString(), std::string(GetParam().expected) + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(Cases, InlineFormatTest,
                         ::testing::Values(InlineCase{"[Price #n%2,2f]", "1,50"},
                                           InlineCase{"[Price #n%2.2f]", "1.50"},
                                           InlineCase{"[Price #n%-8.2f]|", "1.50    |"},
                                           InlineCase{"[Date #dd.mm.yyyy]", "6.03.2023"},
                                           InlineCase{"[Flag #bNo,Yes]", "Yes"},
                                           InlineCase{"[Nil]", ""},
                                           InlineCase{"[Price #]", "1.5"},
                                           InlineCase{"[TOTALPAGES#]", "[TotalPages#]"},
                                           InlineCase{"[copyname#]", "[CopyName#]"},
                                           InlineCase{"a [[x]] b", "a [x] b"}));

TEST_F(MemoFixture, UnbalancedDelimitersEnd)
{
    for (const char *text : {"[unclosed", "[a]]]", "[[[[", "]", "[\"]\"", "x["})
        fill(QString::fromLatin1(text));
    SUCCEED();
}

TEST_F(MemoFixture, ParenthesisAfterTheHashKeepsTheExpressionWhole)
{
    fill(QStringLiteral("[Func(1, 2 #x)]"));
    EXPECT_EQ(calls, QStringList{QStringLiteral("Func(1, 2 #x)")});
    calls.clear();
    // A format after the closing parenthesis is a format.
    EXPECT_EQ(fill(QStringLiteral("[Func(1, 2) #n%1.1f]")), QStringLiteral("Func(1, 2)\r\n"));
    EXPECT_EQ(calls, QStringList{QStringLiteral("Func(1, 2)")});
}

TEST_F(MemoFixture, HideZeros)
{
    memo.SetHideZeros(true);
    EXPECT_EQ(fill(QStringLiteral("[Zero]")), QStringLiteral("\r\n"));
    EXPECT_EQ(fill(QStringLiteral("[Tiny]")), QStringLiteral("\r\n"));
    EXPECT_EQ(fill(QStringLiteral("[Small]")), QStringLiteral("0.001\r\n"));
    memo.SetHideZeros(false);
    EXPECT_EQ(fill(QStringLiteral("[Zero]")), QStringLiteral("0\r\n"));
}

TEST_F(MemoFixture, SuppressRepeated)
{
    memo.SetSuppressRepeated(true);
    QStringList printed;
    for (const char *v : {"A", "A", "B"}) {
        values[QStringLiteral("X")] = Variant::fromString(QString::fromLatin1(v));
        printed << fill(QStringLiteral("[X]"));
    }
    EXPECT_EQ(printed, (QStringList{QStringLiteral("A\r\n"), QString(), QStringLiteral("B\r\n")}));
    memo.ResetSuppress();
    EXPECT_EQ(fill(QStringLiteral("[X]")), QStringLiteral("B\r\n"));
    EXPECT_EQ(fill(QString()), QString());
}

TEST_F(MemoFixture, ClearEmptyLinesKeepsBlankLines)
{
    memo.SetClearEmptyLines(true);
    EXPECT_EQ(fill(QStringLiteral("a\r\n\r\n  \r\nb")), QStringLiteral("a\r\n  \r\nb\r\n"));
}

TEST_F(MemoFixture, FailingExpressionKeepsWhatWasExpanded)
{
    vdxMemoCalcHook() = [](TvdxCustomMemoView *, const QString &expr) -> Variant {
        if (expr == u"Bad")
            throw Exception(QStringLiteral("Unknown variable"));
        return Variant(1);
    };
    memo.SetText(QStringLiteral("[Ok] [Bad] [Ok]"));
    EXPECT_THROW(memo.GetData(), Exception);
    EXPECT_EQ(memo.Text(), QStringLiteral("1 [Bad] [Ok]\r\n"));
}

TEST(MemoMarkersTest, TotalPagesAndCopyName)
{
    TvdxMemoView memo;
    memo.SetText(QStringLiteral("Page [TOTALPAGES#] of [TotalPages#]"));
    memo.SetTotalPages(5);
    EXPECT_EQ(memo.GetComponentText(), QStringLiteral("Page 5 of 5\r\n"));
    memo.ExtractMacros();
    EXPECT_EQ(memo.Text(), QStringLiteral("Page 5 of 5\r\n"));

    memo.SetAllowExpressions(false);
    memo.SetText(QStringLiteral("[TOTALPAGES#]"));
    memo.ExtractMacros();
    EXPECT_EQ(memo.Text(), QStringLiteral("[TOTALPAGES#]\r\n"));

    memo.SetAllowExpressions(true);
    TvdxVariable *v = vdxGlobalVariables()->Add();
    v->SetName(QStringLiteral("CopyName2"));
    v->SetValue(Variant::fromString(QStringLiteral("Copy for the customer")));
    memo.SetText(QStringLiteral("[COPYNAME#]!"));
    memo.SetCopyNo(2);
    memo.ExtractMacros();
    EXPECT_EQ(memo.Text(), QStringLiteral("Copy for the customer!\r\n"));
    memo.SetText(QStringLiteral("[COPYNAME#]!"));
    memo.SetCopyNo(3);
    memo.ExtractMacros();
    EXPECT_EQ(memo.Text(), QStringLiteral("!\r\n"));
    delete v;
}

TEST(MemoDiffTest, TextAndParagraphState)
{
    TvdxMemoView memo, templ;
    memo.SetText(QStringLiteral("a\r\nb"));
    EXPECT_EQ(memo.DiffText(&templ), QStringLiteral(" u=\"a&#13;&#10;b\""));
    memo.SetText(QString());
    EXPECT_EQ(memo.DiffText(&templ), QStringLiteral(" u=\"\""));
    memo.SetText(QStringLiteral("<x>"));
    EXPECT_EQ(memo.DiffText(&templ), QStringLiteral(" u=\"&#60;x&#62;\""));

    memo.SetLastParaBreak(true);
    memo.SetGapX(3);
    const QString diff = memo.Diff(&templ);
    EXPECT_TRUE(diff.contains(QStringLiteral(" GapX=\"3\""))) << diff.toStdString();
    EXPECT_TRUE(diff.contains(QStringLiteral(" LastParaBreak=\"1\""))) << diff.toStdString();
    EXPECT_FALSE(diff.contains(QStringLiteral("FirstParaBreak")));
    EXPECT_TRUE(memo.FirstParaBreak());
    EXPECT_FALSE(memo.LastParaBreak());
}

TEST(MemoAngleTest, ReducedAngle)
{
    TvdxMemoView memo;
    memo.SetRotation(-90);
    EXPECT_EQ(memo.Rotation(), -90);
    EXPECT_EQ(memo.ReducedAngle(), 270);
    memo.SetRotation(450);
    EXPECT_EQ(memo.ReducedAngle(), 90);
}

// Measuring with fixed advances on the shared layout object.
class MemoLayoutTest : public ::testing::Test {
protected:
    TvdxFixedAdvanceMeasure measure{60, 83};
    TvdxMemoView memo;
    void SetUp() override
    {
        vdxGlobalDrawText().SetMeasure(&measure);
        memo.SetLeft(0);
        memo.SetTop(0);
        memo.SetWidth(200);
        memo.SetHeight(35); // two lines of 15.28
    }
    void TearDown() override { vdxGlobalDrawText().SetMeasure(nullptr); }
};

TEST_F(MemoLayoutTest, ExtraWidthOfGapsAndFrame)
{
    memo.FrameGeometry() = TvdxMemoFrameGeometry{1, true, true, true, true, false, 4};
    EXPECT_DOUBLE_EQ(memo.ExtraWidth(), 4.5);
    memo.FrameGeometry().Width = 2;
    EXPECT_DOUBLE_EQ(memo.ExtraWidth(), 4 + 0.5 + 1);
    EXPECT_DOUBLE_EQ(memo.ExtraHeight(), 2 + 0.5 + 1);
    memo.FrameGeometry().Width = 1;
    TvdxFixedAdvanceMeasure wide(625, 83); // one character is 100 report pixels
    vdxGlobalDrawText().SetMeasure(&wide);
    memo.SetText(QStringLiteral("a"));
    EXPECT_EQ(memo.CalcWidth(), 104); // Round(104.5), halves to even
    vdxGlobalDrawText().SetMeasure(&measure);
}

TEST_F(MemoLayoutTest, CalcHeightOfLines)
{
    memo.SetText(QStringLiteral("a\r\nb\r\nc"));
    EXPECT_EQ(memo.CalcHeight(), std::nearbyint(3 * (83 / 6.25 + 2) + 2));
    memo.SetRotation(90);
    EXPECT_EQ(memo.CalcHeight(), std::nearbyint(60 / 6.25 + 2)); // the text's width
}

TEST_F(MemoLayoutTest, DrawPartInABoxTooSmall)
{
    memo.SetHeight(10);
    memo.SetText(QStringLiteral("one\r\ntwo"));
    memo.InitPart();
    EXPECT_EQ(memo.DrawPart(), 10);
    EXPECT_EQ(memo.PartMemo(), QStringLiteral("one\r\ntwo\r\n"));
}

TEST_F(MemoLayoutTest, DrawPartKeepsWhatFitsAndPassesTheParagraphState)
{
    memo.SetWidth(30); // 27 report pixels of text: 2 characters a line
    memo.SetText(QStringLiteral("aa bb cc"));
    memo.InitPart();
    EXPECT_FALSE(memo.FirstParaBreak());
    const double unused = memo.DrawPart();
    EXPECT_NEAR(unused, 2 + (35 - 2 * 15.28), 1e-9);
    EXPECT_EQ(memo.Text(), QStringLiteral("aa bb \r\n"));
    EXPECT_EQ(memo.PartMemo(), QStringLiteral("cc\r\n"));
    EXPECT_TRUE(memo.LastParaBreak());
}

TEST_F(MemoLayoutTest, FlowToGetsExactlyTheLinesThatDidNotFit)
{
    TvdxMemoView next;
    memo.SetFlowTo(&next);
    memo.SetText(QStringLiteral("one\r\ntwo\r\n[three]\r\nfour"));
    memo.SetAllowExpressions(false);
    memo.GetData();
    EXPECT_EQ(memo.Text(), QStringLiteral("one\r\ntwo\r\n"));
    EXPECT_EQ(next.Text(), QStringLiteral("[three]\r\nfour\r\n"));
    EXPECT_FALSE(next.AllowExpressions());
}

TEST_F(MemoLayoutTest, AutoWidthKeepsTheAlignedEdge)
{
    memo.SetAutoWidth(true);
    memo.SetText(QStringLiteral("aaaaa")); // 48 report pixels + 4
    memo.SetLeft(100);
    memo.SetHAlign(TvdxCustomMemoView::haRight);
    memo.UpdateBounds();
    EXPECT_DOUBLE_EQ(double(memo.Width()), 52);
    EXPECT_DOUBLE_EQ(double(memo.Left()), 248);
    memo.SetHAlign(TvdxCustomMemoView::haCenter);
    memo.SetWidth(100);
    memo.SetLeft(0);
    memo.UpdateBounds();
    EXPECT_DOUBLE_EQ(double(memo.Left()), 24);
}

TEST_F(MemoLayoutTest, WrapTextForExports)
{
    memo.SetWidth(30);
    memo.SetAllowHTMLTags(true);
    memo.SetText(QStringLiteral("<b>aa</b> bb"));
    QList<int> flags;
    EXPECT_EQ(memo.WrapText(true, &flags), QStringLiteral("aa\r\nbb"));
    EXPECT_EQ(flags, (QList<int>{vdlfFirst, vdlfLast}));
    EXPECT_EQ(memo.WrapText(false), QStringLiteral("aa bb\r\n"));
}

} // namespace
