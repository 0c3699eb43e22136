#include "core/vdxVariables.h"
#include "platform/QPainterCanvas.h"
#include "report/vdxClass_dataset.h"
#include "report/vdxClass_memo.h"
#include "report/vdxClass_options.h"
#include "report/vdxClass_postprocessor.h"
#include "report/vdxClass_report.h"
#include "report/vdxDrawText.h"
#include "report/vdxTextMeasure.h"
#include "report/vdxVectorCanvas.h"
#include <QBuffer>
#include <QHash>
#include <gtest/gtest.h>

namespace {

// Text objects of a report: expressions evaluate with the report's Calc over
// report variables (a string variable is an expression).
class MemoFixture : public ::testing::Test {
protected:
    std::unique_ptr<TvdxReport> report = std::make_unique<TvdxReport>();
    TvdxMemoView *memo = nullptr;

    void SetUp() override
    {
        report->EngineOptions()->SetNewSilentMode(TvdxEngineOptions::simSilent);
        memo = new TvdxMemoView(report.get());
        memo->SetName(QStringLiteral("Memo1"));
        set(QStringLiteral("Total"), Variant(42));
        set(QStringLiteral("A"), Variant(1.5));
        set(QStringLiteral("B"), Variant(2.25));
        set(QStringLiteral("C"), Variant(3.125));
        set(QStringLiteral("Price"), Variant(1.5));
        set(QStringLiteral("Date"), Variant::fromDate(44991)); // 6 March 2023
        set(QStringLiteral("Zero"), Variant(0.0));
        set(QStringLiteral("Tiny"), Variant(1e-20));
        set(QStringLiteral("Small"), Variant(0.001));
        set(QStringLiteral("Flag"), Variant(true));
        // Inside larger expressions variables are written <Name>.
        ASSERT_TRUE(report->PrepareScript()) << report->Errors().join(u'\n').toStdString();
    }
    void set(const QString &name, const Variant &value) { report->Variables()->SetVariable(name, value); }

    QString fill(const QString &text)
    {
        memo->SetText(text);
        memo->BeforePrint();
        memo->GetData();
        const QString result = memo->Text();
        memo->AfterPrint();
        return result;
    }
};

TEST_F(MemoFixture, DelimitersChooseWhatIsAnExpression)
{
    memo->SetExpressionDelimiters(QStringLiteral("<%,%>"));
    EXPECT_EQ(fill(QStringLiteral("Total: <%Total%>")), QStringLiteral("Total: 42\r\n"));
    memo->SetExpressionDelimiters(QStringLiteral("[,]"));
    EXPECT_EQ(fill(QStringLiteral("Total: <%Total%>")), QStringLiteral("Total: <%Total%>\r\n"));
    memo->SetExpressionDelimiters(QStringLiteral("[]"));
    EXPECT_EQ(fill(QStringLiteral("[Total]")), QStringLiteral("[Total]\r\n"));
    // The template text comes back after printing.
    EXPECT_EQ(memo->Text(), QStringLiteral("[Total]\r\n"));
    memo->SetExpressionDelimiters(QStringLiteral("[,]"));
    EXPECT_EQ(fill(QStringLiteral("[<Total> * 2] and [1 + 2]")), QStringLiteral("84 and 3\r\n"));
}

TEST_F(MemoFixture, LaterExpressionsUseTheLastFormat)
{
    TvdxFormat *f1 = memo->Formats()->AddFormat();
    f1->SetKind(TvdxFormat::fkNumeric);
    f1->SetFormatStr(QStringLiteral("%2.1f"));
    TvdxFormat *f2 = memo->Formats()->AddFormat();
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
                                           InlineCase{"[Price #n%s]", "1.5"},
                                           // Our own number form, not a pointer write.
                                           InlineCase{"[Price #n%n]", "1.50"},
                                           InlineCase{"[Price #n%d%d]", "1.5"},
                                           InlineCase{"[EncodeDate(2023, 3, 6) #dd.mm.yyyy]", "6.03.2023"},
                                           InlineCase{"[Flag #bNo,Yes]", "Yes"},
                                           InlineCase{"[<Total> > 50 #bNo,Yes]", "No"},
                                           InlineCase{"[Null]", ""},
                                           InlineCase{"[Price #]", "1.5"},
                                           InlineCase{"[Length('a #b)')]", "5"},
                                           InlineCase{"[TOTALPAGES#]", "[TotalPages#]"},
                                           InlineCase{"[copyname#]", "[CopyName#]"},
                                           InlineCase{"a [Copy('[x]]', 1, 3)] b", "a [x] b"}));

TEST_F(MemoFixture, UnbalancedDelimitersEnd)
{
    // Text or the script's error, never more.
    for (const char *text : {"[unclosed", "[Total]]]", "[[[[", "]", "[\"]\"", "x[", "[Total", "[']'", "[(]"}) {
        try {
            fill(QString::fromLatin1(text));
        } catch (const Exception &) {
            memo->AfterPrint();
        }
    }
    EXPECT_EQ(fill(QStringLiteral("[Total]]]")), QStringLiteral("42]]\r\n"));
    EXPECT_EQ(fill(QStringLiteral("[Total]")), QStringLiteral("42\r\n"));
}

TEST_F(MemoFixture, ParenthesisAfterTheHashKeepsTheExpressionWhole)
{
    QStringList calls;
    vdxMemoCalcHook() = [&calls](TvdxCustomMemoView *, const QString &expr) {
        calls << expr;
        return Variant::fromString(expr);
    };
    fill(QStringLiteral("[Func(1, 2 #x)]"));
    EXPECT_EQ(calls, QStringList{QStringLiteral("Func(1, 2 #x)")});
    calls.clear();
    // A format after the closing parenthesis is a format.
    EXPECT_EQ(fill(QStringLiteral("[Func(1, 2) #n%1.1f]")), QStringLiteral("Func(1, 2)\r\n"));
    EXPECT_EQ(calls, QStringList{QStringLiteral("Func(1, 2)")});
    vdxMemoCalcHook() = nullptr;
}

TEST_F(MemoFixture, HideZeros)
{
    memo->SetHideZeros(true);
    EXPECT_EQ(fill(QStringLiteral("[Zero]")), QStringLiteral("\r\n"));
    EXPECT_EQ(fill(QStringLiteral("[Tiny]")), QStringLiteral("\r\n"));
    EXPECT_EQ(fill(QStringLiteral("[Small]")), QStringLiteral("0.001\r\n"));
    // The report's precision decides what counts as zero.
    report->EngineOptions()->SetZeroPrecisionValue(0.01);
    EXPECT_EQ(fill(QStringLiteral("[Small]")), QStringLiteral("\r\n"));
    report->EngineOptions()->SetZeroPrecisionValue(1e-17);
    memo->SetHideZeros(false);
    EXPECT_EQ(fill(QStringLiteral("[Zero]")), QStringLiteral("0\r\n"));
}

TEST_F(MemoFixture, SuppressRepeated)
{
    memo->SetSuppressRepeated(true);
    QStringList printed;
    for (const char *v : {"'A'", "'A'", "'B'"}) {
        set(QStringLiteral("X"), Variant::fromString(QString::fromLatin1(v)));
        printed << fill(QStringLiteral("[X]"));
    }
    EXPECT_EQ(printed, (QStringList{QStringLiteral("A\r\n"), QString(), QStringLiteral("B\r\n")}));
    memo->ResetSuppress();
    EXPECT_EQ(fill(QStringLiteral("[X]")), QStringLiteral("B\r\n"));
    memo->ResetSuppress();
    EXPECT_EQ(fill(QString()), QString());
}

TEST_F(MemoFixture, ClearEmptyLinesKeepsBlankLines)
{
    memo->SetClearEmptyLines(true);
    EXPECT_EQ(fill(QStringLiteral("a\r\n\r\n  \r\nb")), QStringLiteral("a\r\n  \r\nb\r\n"));
}

TEST_F(MemoFixture, FailingExpressionKeepsWhatWasExpandedAndNamesTheObject)
{
    memo->SetText(QStringLiteral("[Total] [1 +] [Total]"));
    report->SetCurObject(memo->Name());
    EXPECT_THROW(memo->GetData(), EReportScriptError);
    EXPECT_EQ(memo->Text(), QStringLiteral("42 [1 +] [Total]\r\n"));
    ASSERT_FALSE(report->Errors().isEmpty());
    EXPECT_TRUE(report->Errors().last().startsWith(QStringLiteral("Memo1: "))) << report->Errors().last().toStdString();
}

TEST_F(MemoFixture, FirstTrueHighlightWinsForOnePrintedInstance)
{
    memo->Font()->SetColor(clBlack);
    memo->SetFillType(ftBrush);
    memo->SetColor(clWhite);
    TvdxHighlight *never = memo->Highlights()->AddHighlight();
    never->SetCondition(QStringLiteral("<Total> > 100"));
    TvdxHighlight *empty = memo->Highlights()->AddHighlight();
    empty->SetCondition(QStringLiteral("  "));
    TvdxHighlight *wins = memo->Highlights()->AddHighlight();
    wins->SetCondition(QStringLiteral("<Total> > 10"));
    wins->Font()->SetColor(clRed);
    wins->SetColor(clYellow);
    wins->SetVisible(false);
    TvdxHighlight *later = memo->Highlights()->AddHighlight();
    later->SetCondition(QStringLiteral("<Total> > 0"));
    later->Font()->SetColor(clBlue);

    memo->SetText(QStringLiteral("[Total]"));
    memo->BeforePrint();
    memo->GetData();
    EXPECT_EQ(memo->Font()->Color(), clRed);
    EXPECT_EQ(memo->Color(), clYellow);
    EXPECT_FALSE(memo->Visible());
    memo->AfterPrint();
    EXPECT_EQ(memo->Font()->Color(), clBlack);
    EXPECT_EQ(memo->Color(), clWhite);
    EXPECT_TRUE(memo->Visible());
    EXPECT_FALSE(memo->Flag(TvdxCustomMemoView::mbfHighlightActivated));

    // No condition true: nothing to undo.
    set(QStringLiteral("Total"), Variant(-1));
    memo->BeforePrint();
    memo->GetData();
    EXPECT_EQ(memo->Font()->Color(), clBlack);
    EXPECT_TRUE(memo->Visible());
    memo->AfterPrint();
}

TEST_F(MemoFixture, HighlightFrameOnlyWhenAsked)
{
    TvdxHighlight *h = memo->Highlight();
    h->SetCondition(QStringLiteral("True"));
    h->Frame()->SetTyp(TvdxFrame::TvdxFrameTypes(0xF));
    h->SetApplyFill(false);
    memo->SetText(QStringLiteral("x"));
    memo->BeforePrint();
    memo->GetData();
    EXPECT_EQ(int(memo->Frame()->Typ()), 0); // ApplyFrame is off by default
    EXPECT_EQ(memo->Font()->Color(), clRed);
    memo->AfterPrint();
    h->SetApplyFrame(true);
    memo->BeforePrint();
    memo->GetData();
    EXPECT_EQ(int(memo->Frame()->Typ()), 0xF);
    memo->AfterPrint();
    EXPECT_EQ(int(memo->Frame()->Typ()), 0);
}

TEST_F(MemoFixture, PreviewHighlightOnlyWhenActive)
{
    memo->Highlight()->Font()->SetColor(clGreen);
    memo->ApplyPreviewHighlight();
    EXPECT_NE(memo->Font()->Color(), clGreen);
    memo->Highlight()->SetActive(true);
    memo->ApplyPreviewHighlight();
    EXPECT_EQ(memo->Font()->Color(), clGreen);
}

// A data set whose values come from a table; "Notes" is a blob.
class MemoDataFixture : public MemoFixture {
protected:
    TvdxUserDataSet *ds = nullptr;
    QHash<QString, Variant> row;
    QByteArray notes = "first line\r\nsecond line";
    void SetUp() override
    {
        MemoFixture::SetUp();
        ds = new TvdxUserDataSet(report.get());
        ds->SetName(QStringLiteral("Data"));
        ds->SetUserName(QStringLiteral("Data"));
        ds->SetFields({QStringLiteral("Name"), QStringLiteral("Price"), QStringLiteral("Notes")});
        row = {{QStringLiteral("Name"), Variant::fromString(QStringLiteral("Tea"))},
               {QStringLiteral("Price"), Variant(0.0)}};
        ds->OnGetValue = [this](const QString &name, Variant &v) { v = row.value(name, Variant::null()); };
        ds->OnIsBlobField = [](TvdxDataSet *, const QString &name) { return name == u"Notes"; };
        ds->OnGetBlobValue = [this](TvdxDataSet *, const QString &, QObject *to) {
            if (auto *io = qobject_cast<QIODevice *>(to))
                io->write(notes);
        };
        memo->SetDataSet(ds);
    }
};

TEST_F(MemoDataFixture, DataFieldPrintsTheFieldNotTheText)
{
    memo->SetDataField(QStringLiteral("Name"));
    EXPECT_EQ(fill(QStringLiteral("[Total]")), QStringLiteral("Tea\r\n"));
    EXPECT_EQ(memo->Value().toString(), QStringLiteral("Tea"));
}

TEST_F(MemoDataFixture, DataFieldWithAFormatAndHiddenZeros)
{
    memo->SetDataField(QStringLiteral("Price"));
    TvdxFormat *f = memo->DisplayFormat();
    f->SetKind(TvdxFormat::fkNumeric);
    f->SetFormatStr(QStringLiteral("%2.2f"));
    EXPECT_EQ(fill(QString()), QStringLiteral("0.00\r\n"));
    memo->SetHideZeros(true);
    EXPECT_EQ(fill(QString()), QString());
    row[QStringLiteral("Price")] = Variant(2.5);
    EXPECT_EQ(fill(QString()), QStringLiteral("2.50\r\n"));
}

TEST_F(MemoDataFixture, BlobFieldFillsTheLines)
{
    memo->SetDataField(QStringLiteral("Notes"));
    EXPECT_EQ(fill(QString()), QStringLiteral("first line\r\nsecond line\r\n"));
}

TEST_F(MemoDataFixture, DesignerShowsTheFieldReference)
{
    memo->SetDataField(QStringLiteral("Name"));
    memo->SetWidth(200);
    memo->SetHeight(20);
    memo->SetIsDesigning(true);
    TVectorCanvas *vc = memo->GetVectorCanvas();
    ASSERT_TRUE(vc);
    ASSERT_EQ(vc->Count(), 1);
    EXPECT_EQ(vc->Items(0)->Str(), QStringLiteral("[Data.\"Name\"]"));
    delete vc;
}

TEST_F(MemoFixture, LinkedDataBecomesTheText)
{
    QByteArray bytes("caf\xE9\r\nline 2");
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    EXPECT_TRUE(memo->LoadDataStream(in));
    EXPECT_EQ(memo->Text(), QStringLiteral(u"café\r\nline 2\r\n"));
    QBuffer closed;
    memo->SetText(QStringLiteral("kept"));
    EXPECT_FALSE(memo->LoadDataStream(closed));
    EXPECT_EQ(memo->Text(), QStringLiteral("kept\r\n"));
}

// The post-processing dictionary keeps values by object name.
class MemoDictionaryTest : public MemoFixture {
protected:
    TvdxPostProcessor pp;
    TvdxMacrosItem *item(const QStringList &values)
    {
        for (const QString &v : values)
            pp.Add(QString(), QStringLiteral("Memo1"), v, TvdxObjectProcessing::paDefault, memo, false, false);
        return pp.Find(QStringLiteral("Memo1"));
    }
};

TEST_F(MemoDictionaryTest, SavingLeavesTheIndex)
{
    memo->SetText(QStringLiteral("first\r\n"));
    memo->SetDuplicates(TvdxCustomMemoView::dmHide);
    EXPECT_TRUE(memo->IsPostProcessAllowed());
    memo->SaveContentToDictionary(report.get(), &pp);
    EXPECT_EQ(memo->Text(), QStringLiteral("0\r\n"));
    EXPECT_EQ(pp.Find(QStringLiteral("Memo1"))->GetItem(0), QStringLiteral("first"));
}

TEST_F(MemoDictionaryTest, LoadsItsEntryOnce)
{
    QStringList values;
    for (int i = 0; i < 8; ++i)
        values << QStringLiteral("value %1").arg(i);
    TvdxMacrosItem *it = item(values);
    memo->SetText(QStringLiteral("7"));
    EXPECT_FALSE(memo->LoadContentFromDictionary(report.get(), it));
    EXPECT_EQ(memo->Text(), QStringLiteral("value 7\r\n"));
    EXPECT_FALSE(memo->LoadContentFromDictionary(report.get(), it));
    EXPECT_EQ(memo->Text(), QStringLiteral("value 7\r\n"));
}

TEST_F(MemoDictionaryTest, BadIndexLeavesTheText)
{
    TvdxMacrosItem *it = item({QStringLiteral("a")});
    for (const char *text : {"5", "-1", "x", "99999999999"}) {
        TvdxMemoView m;
        m.SetText(QString::fromLatin1(text));
        EXPECT_FALSE(m.LoadContentFromDictionary(report.get(), it)) << text;
        EXPECT_EQ(m.Text(), QString::fromLatin1(text) + QStringLiteral("\r\n"));
    }
}

TEST_F(MemoDictionaryTest, RepeatedValues)
{
    TvdxMacrosItem *it = item({QStringLiteral("a"), QStringLiteral("b")});
    struct Case {
        TvdxCustomMemoView::TvdxDuplicateMerge mode;
        bool leftOut;
        const char *text;
    } cases[] = {{TvdxCustomMemoView::dmShow, false, "a\r\n"},
                 {TvdxCustomMemoView::dmHide, true, "a\r\n"},
                 {TvdxCustomMemoView::dmClear, false, ""},
                 {TvdxCustomMemoView::dmMerge, true, "a\r\n"}};
    for (const Case &c : cases) {
        TvdxMemoView first, second;
        first.SetTop(10);
        first.SetHeight(20);
        second.SetTop(30);
        second.SetHeight(20);
        first.SetDuplicates(c.mode);
        second.SetDuplicates(c.mode);
        it->LastIndex = -1;
        first.SetText(QStringLiteral("0"));
        second.SetText(QStringLiteral("0"));
        EXPECT_FALSE(first.LoadContentFromDictionary(report.get(), it));
        EXPECT_EQ(second.LoadContentFromDictionary(report.get(), it), c.leftOut) << c.mode;
        EXPECT_EQ(second.Text().toStdString(), c.text) << c.mode;
        // Merging stretches the first object of the run over the repeat.
        EXPECT_DOUBLE_EQ(double(first.Height()), c.mode == TvdxCustomMemoView::dmMerge ? 40 : 20) << c.mode;
    }
}

TEST_F(MemoDictionaryTest, ProcessingFillsTheLastEntryAndRestoresTheText)
{
    TvdxMacrosItem *it = item({QStringLiteral("pending")});
    memo->SetText(QStringLiteral("[<Total> + 1]"));
    report->SetCurObject(QStringLiteral("Other"));
    memo->ProcessDictionary(it, report.get(), &pp);
    EXPECT_EQ(it->Texts().last(), QStringLiteral("43"));
    EXPECT_EQ(memo->Text(), QStringLiteral("[<Total> + 1]\r\n"));
    EXPECT_EQ(report->CurObject(), QStringLiteral("Other"));
}

TEST_F(MemoFixture, StoredAsTextWithItsFormatsAndHighlights)
{
    memo->SetText(QStringLiteral("Total: [Total]\r\nsecond"));
    TvdxFormat *f = memo->DisplayFormat();
    f->SetKind(TvdxFormat::fkNumeric);
    f->SetFormatStr(QStringLiteral("%2.2f"));
    memo->Highlight()->SetCondition(QStringLiteral("Value > 0"));
    QBuffer one;
    one.open(QIODevice::ReadWrite);
    memo->SaveToStream(one);
    const QByteArray a = one.data();
    EXPECT_TRUE(a.contains("Text=\"Total: [Total]&#13;&#10;second\"")) << a.constData();
    EXPECT_TRUE(a.contains("DisplayFormat.Kind=\"fkNumeric\"")) << a.constData();
    EXPECT_TRUE(a.contains("Highlight.Condition=\"Value &#62; 0\"")) << a.constData();
    EXPECT_FALSE(a.contains("Memo.Text"));
    EXPECT_FALSE(a.contains("<Formats"));

    // More than one of each go as nested collections.
    memo->Formats()->AddFormat()->SetFormatStr(QStringLiteral("second"));
    memo->Highlights()->AddHighlight()->SetCondition(QStringLiteral("Value < 0"));
    QBuffer two;
    two.open(QIODevice::ReadWrite);
    memo->SaveToStream(two);
    const QByteArray b = two.data();
    EXPECT_TRUE(b.contains("<Formats")) << b.constData();
    EXPECT_TRUE(b.contains("<Highlights")) << b.constData();
    EXPECT_FALSE(b.contains("DisplayFormat.Kind"));
    TvdxMemoView back;
    two.seek(0);
    back.LoadFromStream(two);
    EXPECT_EQ(back.Text(), memo->Text());
    ASSERT_EQ(back.Formats()->Count(), 2);
    EXPECT_EQ(back.Formats()->GetItem(0)->Kind(), TvdxFormat::fkNumeric);
    EXPECT_EQ(back.Formats()->GetItem(1)->FormatStr(), QStringLiteral("second"));
    ASSERT_EQ(back.Highlights()->Count(), 2);
    EXPECT_EQ(back.Highlights()->GetItem(1)->Condition(), QStringLiteral("Value < 0"));
}

TEST_F(MemoFixture, FlowTargetGoesWithItsObject)
{
    auto *next = new TvdxMemoView(report.get());
    memo->SetFlowTo(next);
    EXPECT_EQ(memo->FlowTo(), next);
    delete next;
    EXPECT_EQ(memo->FlowTo(), nullptr);
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
    memo.Frame()->SetTyp(TvdxFrame::TvdxFrameTypes(0xF));
    memo.Frame()->SetWidth(1);
    EXPECT_DOUBLE_EQ(memo.ExtraWidth(), 4.5);
    memo.Frame()->SetWidth(2);
    EXPECT_DOUBLE_EQ(memo.ExtraWidth(), 4 + 0.5 + 1);
    EXPECT_DOUBLE_EQ(memo.ExtraHeight(), 2 + 0.5 + 1);
    memo.Frame()->SetDropShadow(true);
    memo.Frame()->SetShadowWidth(4);
    EXPECT_DOUBLE_EQ(memo.ExtraWidth(), 4 + 0.5 + 1 + 4);
    memo.Frame()->SetDropShadow(false);
    memo.Frame()->SetWidth(1);
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

namespace {

// Fill, frame, text and underlines of a drawn text object.
TEST_F(MemoLayoutTest, PaintsFillFrameAndTextUnlessRecorded)
{
    memo.SetLeft(10);
    memo.SetTop(10);
    memo.SetWidth(80);
    memo.SetHeight(40);
    memo.SetFillType(ftBrush);
    memo.SetColor(clYellow);
    memo.Frame()->SetTyp(TvdxFrame::TvdxFrameTypes(0xF));
    memo.Frame()->SetColor(clBlue);
    memo.SetUnderlinesTextMode(TvdxCustomMemoView::ulmUnderlinesText);
    memo.SetText(QStringLiteral("aaaa"));
    QImage img(120, 80, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainterCanvas c(img);
        memo.Draw(c, 1, 1, 0, 0);
    }
    EXPECT_EQ(img.pixel(70, 45), qRgb(255, 255, 0)) << "fill";
    EXPECT_EQ(img.pixel(10, 40), qRgb(0, 0, 255)) << "frame";
    int underline = 0, text = 0;
    for (int y = 12; y < 49; ++y) {
        underline += img.pixel(30, y) == qRgb(0, 0, 255);
        for (int x = 12; x < 50; ++x)
            text += qGray(img.pixel(x, y)) < 100 && qBlue(img.pixel(x, y)) < 100;
    }
    EXPECT_EQ(underline, 1) << "the text line is ruled in the frame's colour";
    EXPECT_GT(text, 20) << "glyphs";

    // Recorded for a vector export: the runs only.
    TVectorCanvas vc;
    memo.SetVectorCanvas(&vc);
    img.fill(Qt::white);
    {
        QPainterCanvas c(img);
        memo.Draw(c, 1, 1, 0, 0);
    }
    memo.SetVectorCanvas(nullptr);
    EXPECT_EQ(img.pixel(70, 45), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(10, 40), qRgb(255, 255, 255));
    ASSERT_EQ(vc.Count(), 1);
    EXPECT_EQ(vc.Items(0)->Str(), QStringLiteral("aaaa"));

    std::unique_ptr<TVectorCanvas> got(memo.GetVectorCanvas());
    ASSERT_EQ(got->Count(), 1);
    EXPECT_EQ(got->Items(0)->X(), 10 + 2 + 0); // gap 2, a frame of 1 adds no inset on the left
    memo.SetWysiwyg(false);
    got.reset(memo.GetVectorCanvas());
    EXPECT_EQ(got->Count(), 0);
}

} // namespace
