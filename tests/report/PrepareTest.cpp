// Preparation and expressions: the expression cache's function texts and
// keys, the identifier resolver (data fields over real SQLite files, system
// and report variables), error messages, the template snapshot and the
// aggregate hand-off to the engine.
#include "common/TestSupport.h"
#include "core/vdxProgress.h"
#include "core/vdxRes.h"
#include "core/vdxVariables.h"
#include "report/vdxClass_dataset.h"
#include "report/vdxClass_options.h"
#include "report/vdxClass_report.h"
#include "report/vdxDBSet.h"
#include "report/vdxClass_memo.h"
#include "report/vdxClass_shape.h"
#include "report/vdxClass_view.h"
#include "report/vdxExpressionCache.h"
#include "report/vdxServiceDoubles.h"
#include "script/ov_iinterpreter.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <memory>

namespace {

using vdtest::runSqlite;

// An engine that records the aggregates it is asked for.
class RecordingEngine : public TvdxStubEngine {
public:
    using TvdxStubEngine::TvdxStubEngine;
    Variant GetAggregateValue(const QString &name, const QString &expression, TvdxComponent *, int flags) override
    {
        Asked << QStringLiteral("%1|%2|%3").arg(name, expression).arg(flags);
        return Variant(42);
    }
    QStringList Asked;
};

class PrepareTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        report = std::make_unique<TvdxReport>();
        report->EngineOptions()->SetNewSilentMode(TvdxEngineOptions::simSilent);
    }
    // A script whose host function Rec records the running procedure's name
    // and evaluates its argument as the report would.
    void addRecorder()
    {
        report->AddFunction(QStringLiteral("function Rec(E: String): Variant"));
        report->OnUserFunction = [this](const QString &name, Variant &params) -> Variant {
            EXPECT_EQ(name, QStringLiteral("REC"));
            progNames << report->Script()->ProgName();
            const QString e = VarToStr(params.arrayGet(0));
            return e.isEmpty() ? Variant() : report->Calc(e, report->Script()->ProgRunning());
        };
    }
    void setScript(const QString &text) { report->SetScriptText(text.split(QLatin1Char('\n'))); }
    bool hasError(const QString &part) const
    {
        for (const QString &line : report->Errors())
            if (line.contains(part))
                return true;
        return false;
    }

    std::unique_ptr<TvdxReport> report;
    QStringList progNames;
};

TEST(ExpressionCacheTest, FunctionTextPerLanguage)
{
    const struct {
        const char *language;
        const char *text;
    } cases[] = {
        {"VevuvaRirivo", "function vd3f0: Variant; begin Result := 1+2 end; begin end."},
        {"D++Edirud", "Variant vd3f0() { return 1+2; } {}"},
        {"DadavOvurid", "function vd3f0\r\nreturn 1+2\r\nend function"},
        {"JScript", "function vd3f0() { return 1+2; }"},
        {"vevuvaririvo", "function vd3f0: Variant; begin Result := 1+2 end; begin end."},
        {"Nonsense", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(TvdxExpressionCache::FunctionText(QLatin1String(c.language), 0, QStringLiteral("1+2")),
                  QLatin1String(c.text))
            << c.language;
}

TEST(ExpressionCacheTest, EvaluatesInEveryLanguageAndCachesOnce)
{
    for (const char *language : {"VevuvaRirivo", "D++Edirud", "DadavOvurid", "JScript"}) {
        TovScript main;
        TvdxExpressionCache cache(&main);
        cache.SetScriptLanguage(QLatin1String(language));
        QString err;
        EXPECT_EQ(cache.Calc(QStringLiteral("1+2"), err, &main).toInt(), 3) << language << err.toStdString();
        EXPECT_TRUE(err.isEmpty()) << language;
        cache.Calc(QStringLiteral("1+2"), err, &main);
        EXPECT_EQ(cache.Count(), 1) << language;
    }
}

TEST(ExpressionCacheTest, LanguageWithoutTextIsACompileError)
{
    TovScript main;
    TvdxExpressionCache cache(&main);
    cache.SetScriptLanguage(QStringLiteral("Nonsense"));
    QString err;
    const Variant v = cache.Calc(QStringLiteral("1"), err, &main);
    EXPECT_TRUE(v.isNull());
    EXPECT_TRUE(err.startsWith(QStringLiteral("Error in expression '1': "))) << err.toStdString();
    EXPECT_EQ(cache.Count(), 0);
}

TEST(ExpressionCacheTest, FailedCompileCachesNothingAndLaterExpressionsWork)
{
    TovScript main;
    TvdxExpressionCache cache(&main);
    cache.SetScriptLanguage(QStringLiteral("VevuvaRirivo"));
    QString err;
    cache.Calc(QStringLiteral("1 +"), err, &main);
    EXPECT_TRUE(err.startsWith(QStringLiteral("Error in expression '1 +': "))) << err.toStdString();
    EXPECT_EQ(cache.Count(), 0);
    EXPECT_EQ(cache.Calc(QStringLiteral("2*5"), err, &main).toInt(), 10);
    EXPECT_TRUE(err.isEmpty());
}

TEST_F(PrepareTest, SameExpressionInTwoProceduresCompilesTwiceInMainBlockOnce)
{
    addRecorder();
    setScript(QStringLiteral("procedure P1; begin Rec('1+2') end;\n"
                             "procedure P2; begin Rec('1+2') end;\n"
                             "begin P1; P2; P1; end."));
    ASSERT_TRUE(report->PrepareReport(true)) << report->Errors().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(report->ExpressionCache()->Count(), 2);
    EXPECT_EQ(report->Calc(QStringLiteral("1+2")).toInt(), 3);
    EXPECT_EQ(report->Calc(QStringLiteral("1+2")).toInt(), 3);
    EXPECT_EQ(report->ExpressionCache()->Count(), 3);
}

TEST_F(PrepareTest, ReportVariablesAndSystemVariables)
{
    report->Variables()->SetVariable(QStringLiteral("Product"), Variant(QStringLiteral("2*3")));
    report->Variables()->SetVariable(QStringLiteral("Lines"), Variant(QStringLiteral("2*3\r\nmore")));
    report->Variables()->SetVariable(QStringLiteral("Plain"), Variant(7));
    EXPECT_EQ(report->Calc(QStringLiteral("Product")).toInt(), 6);
    EXPECT_EQ(report->Calc(QStringLiteral("Lines")).toString(), QStringLiteral("2*3\r\nmore"));
    EXPECT_EQ(report->Calc(QStringLiteral("Plain")).toInt(), 7);
    ASSERT_TRUE(report->PrepareScript());
    EXPECT_EQ(report->Calc(QStringLiteral("<Product> + <Plain>")).toInt(), 13) << "variables inside expressions";

    auto *pages = report->PreviewPages();
    for (int i = 0; i < 3; ++i)
        pages->AddPage(nullptr);
    EXPECT_EQ(report->Calc(QStringLiteral("Page#")).toInt(), 3);
    EXPECT_EQ(report->Calc(QStringLiteral("page#")).toInt(), 3) << "system names ignore case";
    report->Engine()->TotalPages = 9;
    EXPECT_EQ(report->Calc(QStringLiteral("TotalPages#")).toInt(), 9);

    vdxGlobalVariables()->SetVariable(QStringLiteral("CopyName0"), Variant(QStringLiteral("Copy A")));
    EXPECT_EQ(report->Calc(QStringLiteral("CopyName#")).toString(), QStringLiteral("Copy A"));
    vdxGlobalVariables()->DeleteVariable(QStringLiteral("CopyName0"));
}

TEST_F(PrepareTest, MemoViewsEvaluateThroughTheirReport)
{
    auto *memo = new TvdxMemoView(report.get());
    memo->SetName(QStringLiteral("Memo1"));
    report->Variables()->SetVariable(QStringLiteral("Product"), Variant(QStringLiteral("2*3")));
    EXPECT_EQ(memo->CalcAndFormat(QStringLiteral("Product"), nullptr), QStringLiteral("6"));
    EXPECT_EQ(memo->CalcAndFormat(QStringLiteral("1+2"), nullptr), QStringLiteral("3"));
}

TEST_F(PrepareTest, SelfReferencingVariablesEndWithAnErrorLine)
{
    report->Variables()->SetVariable(QStringLiteral("A"), Variant(QStringLiteral("B")));
    report->Variables()->SetVariable(QStringLiteral("B"), Variant(QStringLiteral("A")));
    EXPECT_THROW(report->Calc(QStringLiteral("A")), EReportScriptError);
    EXPECT_TRUE(hasError(QStringLiteral("refers to itself")));
}

TEST_F(PrepareTest, ExpressionErrorsAndTheirSilentModes)
{
    // A failure names the object being computed and goes into the error list.
    report->SetCurObject(QStringLiteral("Memo1"));
    try {
        report->Calc(QStringLiteral("1 +"));
        FAIL() << "no error";
    } catch (const EReportScriptError &e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Memo1: Error in expression '1 +': ")))
            << e.message().toStdString();
    }
    EXPECT_TRUE(hasError(QStringLiteral("Memo1: Error in expression '1 +'")));

    // A script's own call: the Calc prefix, no error line.
    report->ClearErrors();
    try {
        report->CalcFromScript(QStringLiteral("1 +"));
        FAIL() << "no error";
    } catch (const EReportScriptError &e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Error in Calc expression:Error in expression")))
            << e.message().toStdString();
    }
    EXPECT_TRUE(report->Errors().isEmpty());

    // Division by zero: ignored when asked, else the text with IgnoreExprError.
    report->EngineOptions()->SetIgnoreDevByZero(true);
    EXPECT_NO_THROW(report->Calc(QStringLiteral("1/0")));
    report->EngineOptions()->SetIgnoreDevByZero(false);
    report->EngineOptions()->SetIgnoreExprError(true);
    EXPECT_EQ(report->Calc(QStringLiteral("1/0")).toString(), QStringLiteral("1/0"));
    EXPECT_EQ(report->Calc(QStringLiteral("1 +")).toString(), QStringLiteral("1 +"));
}

TEST_F(PrepareTest, ScriptErrorsAndUnknownNames)
{
    setScript(QStringLiteral("begin\n  x := ;\nend."));
    report->EngineOptions()->SetNewSilentMode(TvdxEngineOptions::simReThrow);
    try {
        report->PrepareReport(true);
        FAIL() << "no error reported";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("The following error(s) have occured:\r\n")))
            << e.message().toStdString();
        EXPECT_TRUE(e.message().contains(QStringLiteral("Script error at "))) << e.message().toStdString();
    }

    report->EngineOptions()->SetNewSilentMode(TvdxEngineOptions::simSilent);
    setScript(QStringLiteral("begin Get('Nowhere') end."));
    EXPECT_FALSE(report->PrepareReport(true));
    EXPECT_TRUE(hasError(QStringLiteral("Unknown variable or datafield: Nowhere")));

    // Unknown language: a script error line, never a crash.
    report->SetScriptLanguage(QStringLiteral("Klingon"));
    EXPECT_FALSE(report->PrepareReport(true));
    EXPECT_TRUE(hasError(QStringLiteral("Script error at ")));
}

TEST_F(PrepareTest, AggregatesReachTheEngineAndRestoreTheProcedureName)
{
    vdxEngineClass() = [](TvdxReport *r) -> TvdxCustomEngine * { return new RecordingEngine(r); };
    report = std::make_unique<TvdxReport>();
    vdxEngineClass() = nullptr;
    report->EngineOptions()->SetNewSilentMode(TvdxEngineOptions::simSilent);
    auto *engine = static_cast<RecordingEngine *>(report->Engine());
    addRecorder();
    setScript(QStringLiteral("procedure P; begin SUM(1 + 2, 0, 2); Rec('') end;\n"
                             "begin Set('Total', Get('SUM(<T.\"n\">)')); P; Set('Count', COUNT); end."));
    ASSERT_TRUE(report->PrepareReport(true)) << report->Errors().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(engine->Asked,
              (QStringList{QStringLiteral("SUM|<T.\"n\">|0"), QStringLiteral("SUM|1 + 2|2"), QStringLiteral("COUNT||0")}));
    EXPECT_EQ(progNames, QStringList{QStringLiteral("P")}) << "the aggregate gives the procedure name back";
}

TEST_F(PrepareTest, FailingIIFAddsAnErrorLine)
{
    setScript(QStringLiteral("begin Set('A', IIF(1 = 1, 'yes', 'no')); Set('B', IIF(1/0 > 1, 1, 2)); end."));
    EXPECT_FALSE(report->PrepareReport(true));
    EXPECT_TRUE(hasError(QStringLiteral("Floating point division by zero")));
}

TEST_F(PrepareTest, MissingDataSetStopsBeforeTheEngine)
{
    report->DataSets()->Add(QStringLiteral("X"));
    auto *engine = static_cast<TvdxStubEngine *>(report->Engine());
    EXPECT_FALSE(report->PrepareReport(true));
    EXPECT_EQ(report->Errors(), QStringList{QStringLiteral("Dataset \"X\" does not exist")});
    EXPECT_EQ(engine->RunCount, 0);
}

TEST_F(PrepareTest, TemplateSnapshotUndoesScriptChangesAndKeepsPrintSettings)
{
    report->Variables()->SetVariable(QStringLiteral("V"), Variant(1));
    report->ReportOptions()->SetPassword(QStringLiteral("secret"));
    report->PrintOptions()->SetSplicingLine(3);
    report->PrintOptions()->SetDuplex(TvdxPrintOptions::dmVertical);
    report->EngineOptions()->SetDoublePass(true);
    setScript(QStringLiteral("begin Set('V', 99); Set('W', 5) end."));
    bool sawChange = false;
    report->OnEndDoc = [&](TvdxReport *r) { sawChange = r->Variables()->GetVariable(QStringLiteral("V")).toInt() == 99; };
    ASSERT_TRUE(report->PrepareReport(true)) << report->Errors().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(sawChange);
    EXPECT_EQ(report->Variables()->GetVariable(QStringLiteral("V")).toInt(), 1);
    EXPECT_EQ(report->Variables()->IndexOf(QStringLiteral("W")), -1);
    EXPECT_EQ(report->ReportOptions()->Password(), QStringLiteral("secret"));
    EXPECT_EQ(report->PrintOptions()->SplicingLine(), 3);
    EXPECT_EQ(report->PrintOptions()->Duplex(), TvdxPrintOptions::dmVertical);

    // With the file cache the snapshot goes through a temporary file, removed after.
    vdtest::TempDir dir;
    report->EngineOptions()->SetUseFileCache(true);
    report->EngineOptions()->SetTempDir(dir.path());
    ASSERT_TRUE(report->PrepareReport(true));
    EXPECT_EQ(report->Variables()->GetVariable(QStringLiteral("V")).toInt(), 1);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(PrepareTest, ScriptSeesReportObjectsAfterTheSnapshot)
{
    auto *page = new TvdxReportPage(report.get());
    page->SetName(QStringLiteral("Page1"));
    ASSERT_TRUE(report->PrepareReport(true)) << report->Errors().join(QLatin1Char('\n')).toStdString();
    // The snapshot made new objects: the script's variable refers to the new page.
    auto *now = qobject_cast<TvdxReportPage *>(report->FindObject(QStringLiteral("Page1")));
    ASSERT_NE(now, nullptr);
    TovCustomVariable *v = report->Script()->FindLocal(QStringLiteral("Page1"));
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->GetValue().object(), static_cast<QObject *>(now));
    for (const char *name : {"Report", "PreviewPages", "Engine", "Outline", "Value", "Self"})
        EXPECT_NE(report->Script()->FindLocal(QLatin1String(name)), nullptr) << name;
    EXPECT_EQ(report->Script()->FindLocal(QStringLiteral("PreviewPages"))->GetValue().object(),
              report->PreviewPages());
}

TEST_F(PrepareTest, ScriptEventsOfViews)
{
    auto *shape = new TvdxShapeView(report.get());
    shape->SetName(QStringLiteral("Shape1"));
    shape->SetOnPreviewClick(QStringLiteral("ShapeClick"));
    shape->SetOnBeforePrint(QStringLiteral("ShapeBefore"));
    setScript(QStringLiteral("procedure ShapeClick(Sender: Variant; Button, Shift: Integer; var Modified: Boolean);\n"
                             "begin Set('Clicked', Button * 10 + Shift); Modified := True end;\n"
                             "procedure ShapeBefore(Sender: Variant); begin Set('Before', 1) end;\n"
                             "begin end."));
    report->EngineOptions()->SetDestroyForms(false);
    ASSERT_TRUE(report->PrepareReport(true)) << report->Errors().join(QLatin1Char('\n')).toStdString();

    bool modified = false;
    bool hostSaw = false;
    report->OnClickObject = [&](TvdxView *v, TvdxMouseButton, TvdxShiftState, bool &m) { hostSaw = v == shape && m; };
    TvdxInteractiveEventsParams params;
    report->DoPreviewClick(shape, mbRight, 4, modified, params);
    EXPECT_TRUE(modified) << "the script's var parameter comes back";
    EXPECT_TRUE(hostSaw);
    EXPECT_EQ(report->Variables()->GetVariable(QStringLiteral("Clicked")).toInt(), 14);

    // Print events run only while the engine runs.
    report->DoBeforePrint(shape);
    EXPECT_EQ(report->Variables()->IndexOf(QStringLiteral("Before")), -1);
    report->Engine()->Running = true;
    report->DoBeforePrint(shape);
    report->Engine()->Running = false;
    EXPECT_EQ(report->Variables()->GetVariable(QStringLiteral("Before")).toInt(), 1);
}

TEST_F(PrepareTest, IdentifierResolverAsksInItsOrder)
{
    report->OnGetValue = [](const QString &name, Variant &v) {
        if (name == QLatin1String("Hooked") || name == QLatin1String("Both") || name == QLatin1String("Page#")
            || name == QLatin1String("Shadowed"))
            v = Variant(QStringLiteral("host"));
    };
    report->OnNewGetValue = [](TvdxReport *, const QString &name, Variant &v) {
        if (name == QLatin1String("Both"))
            v = Variant(QStringLiteral("new"));
    };
    report->Variables()->SetVariable(QStringLiteral("Local"), Variant(1));
    report->Variables()->SetVariable(QStringLiteral("Mine"), Variant(1));
    vdxGlobalVariables()->SetVariable(QStringLiteral("Mine"), Variant(2));
    vdxGlobalVariables()->SetVariable(QStringLiteral("GlobalOnly"), Variant(3));
    setScript(QStringLiteral("var Counter: Integer;\nbegin Counter := 7 end."));
    ASSERT_TRUE(report->PrepareScript());
    report->Script()->Execute();
    const struct {
        const char *name, *value;
    } cases[] = {
        {"Hooked", "host"},   // the host's handler
        {"Both", "new"},      // both handlers run, the second last
        {"Page#", "0"},       // system variables come before the handlers
        {"Shadowed", "host"}, // handlers before the report's variables
        {"Local", "1"},       // report variables
        {"Mine", "1"},        // before the global ones
        {"GlobalOnly", "3"},  // global variables
        {"Counter", "7"},     // the script's own variables last
    };
    for (const auto &c : cases)
        EXPECT_EQ(VarToStr(report->Calc(QLatin1String(c.name))), QLatin1String(c.value)) << c.name;

    // The process-wide hook comes first of all.
    vdxVD2Events().OnGetValue = [](const QString &name, Variant &v) {
        if (name == QLatin1String("Hooked"))
            v = Variant(QStringLiteral("process"));
    };
    EXPECT_EQ(VarToStr(report->Calc(QStringLiteral("Hooked"))), QStringLiteral("process"));
    vdxVD2Events().OnGetValue = nullptr;
    vdxGlobalVariables()->Clear();
}

// An engine whose run answers as told and records that it ran.
class AnsweringEngine : public TvdxStubEngine {
public:
    using TvdxStubEngine::TvdxStubEngine;
    bool Run(bool dialogs, bool clearLast, TvdxPage *page) override
    {
        if (Steps)
            *Steps << QStringLiteral("run");
        TvdxStubEngine::Run(dialogs, clearLast, page);
        return Answer;
    }
    QStringList *Steps = nullptr;
    bool Answer = true;
};

TEST_F(PrepareTest, PreparationStepsInTheirOrder)
{
    vdxEngineClass() = [](TvdxReport *r) -> TvdxCustomEngine * { return new AnsweringEngine(r); };
    report = std::make_unique<TvdxReport>();
    vdxEngineClass() = nullptr;
    report->EngineOptions()->SetNewSilentMode(TvdxEngineOptions::simSilent);
    auto *engine = static_cast<AnsweringEngine *>(report->Engine());
    QStringList steps;
    engine->Steps = &steps;
    report->OnBeginDoc = [&](TvdxReport *) { steps << QStringLiteral("begin"); };
    report->OnAfterScriptCompile = [&](TvdxReport *) { steps << QStringLiteral("compiled"); };
    report->OnEndDoc = [&](TvdxReport *) { steps << QStringLiteral("end"); };
    vdxVD2Events().OnPrepareScript = [&](QObject *r) {
        steps << (r == report.get() ? QStringLiteral("hook") : QStringLiteral("hook for another"));
    };
    struct Reset {
        ~Reset() { vdxVD2Events().OnPrepareScript = nullptr; }
    } reset;
    report->AddFunction(QStringLiteral("procedure Step(S: String)"));
    report->OnUserFunction = [&](const QString &, Variant &params) -> Variant {
        steps << VarToStr(params.arrayGet(0));
        if (steps.last() == QLatin1String("stop"))
            report->SetTerminated(true);
        return Variant();
    };

    setScript(QStringLiteral("begin Step('main') end."));
    EXPECT_TRUE(report->PrepareReport(true));
    EXPECT_EQ(steps, (QStringList{QStringLiteral("begin"), QStringLiteral("hook"), QStringLiteral("compiled"),
                                  QStringLiteral("main"), QStringLiteral("run"), QStringLiteral("end")}));

    // A main block that stops the report keeps the engine from running.
    steps.clear();
    setScript(QStringLiteral("begin Step('stop') end."));
    EXPECT_FALSE(report->PrepareReport(true));
    EXPECT_FALSE(steps.contains(QStringLiteral("run")));
    EXPECT_FALSE(steps.contains(QStringLiteral("end")));

    // An engine that does not run (a cancelled dialog, say) closes the preview
    // window and answers False, without an error message.
    steps.clear();
    setScript(QStringLiteral("begin end."));
    engine->Answer = false;
    report->PreviewOptions()->SetModal(false);
    const int forms = int(TvdxStubPreviewForm::Instances().size());
    report->ShowReport(true);
    ASSERT_EQ(int(TvdxStubPreviewForm::Instances().size()), forms + 1);
    QElapsedTimer t;
    t.start();
    while (!steps.contains(QStringLiteral("run")) && t.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(steps.contains(QStringLiteral("run")));
    EXPECT_FALSE(steps.contains(QStringLiteral("end")));
    EXPECT_TRUE(report->Errors().isEmpty());
    EXPECT_EQ(int(TvdxStubPreviewForm::Instances().size()), forms) << "the preview window closed and went";
    EXPECT_EQ(report->Preview(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(PrepareTest, PreparePageRunsTheEngineForThatPageOnly)
{
    struct PageEngine : TvdxStubEngine {
        using TvdxStubEngine::TvdxStubEngine;
        bool Run(bool dialogs, bool clearLast, TvdxPage *page) override
        {
            Runs << QStringLiteral("%1 %2 %3").arg(dialogs).arg(clearLast).arg(page ? page->Name() : QString());
            SawPreparing = Report()->Preparing();
            return Answer;
        }
        QStringList Runs;
        bool SawPreparing = false;
        bool Answer = true;
    };
    vdxEngineClass() = [](TvdxReport *r) -> TvdxCustomEngine * { return new PageEngine(r); };
    report = std::make_unique<TvdxReport>();
    vdxEngineClass() = nullptr;
    auto *engine = static_cast<PageEngine *>(report->Engine());
    auto *page = new TvdxReportPage(report.get());
    page->SetName(QStringLiteral("Detail"));
    auto *memo = new TvdxMemoView(page);
    memo->SetName(QStringLiteral("Memo1"));
    memo->SetParent(page);
    report->AddError(QStringLiteral("old"));

    EXPECT_TRUE(report->PreparePage(page));
    EXPECT_EQ(engine->Runs, QStringList{QStringLiteral("0 0 Detail")});
    EXPECT_TRUE(engine->SawPreparing);
    EXPECT_FALSE(report->Preparing());
    EXPECT_TRUE(report->Errors().isEmpty()) << "the error list starts empty";
    // The objects are bound for expressions even though the script never compiled.
    ASSERT_NE(report->Script()->FindLocal(QStringLiteral("Memo1")), nullptr);
    EXPECT_EQ(report->Script()->FindLocal(QStringLiteral("Memo1"))->GetValue().object(), memo);
    EXPECT_EQ(report->Script()->FindLocal(QStringLiteral("Report"))->GetValue().object(), report.get());

    engine->Answer = false;
    EXPECT_FALSE(report->PreparePage(page)) << "the engine's answer";
}

TEST_F(PrepareTest, ProgressEventsWindowAndPreview)
{
    const auto progressWindow = []() -> TvdxProgress * {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *p = qobject_cast<TvdxProgress *>(w))
                return p;
        return nullptr;
    };
    QStringList events;
    using Type = TvdxReport::TvdxProgressType;
    report->OnProgressStart = [&](TvdxReport *, Type t, int) { events << QStringLiteral("start %1").arg(t); };
    report->OnProgress = [&](TvdxReport *, Type t, int p) { events << QStringLiteral("at %1 %2").arg(t).arg(p); };
    report->OnProgressStop = [&](TvdxReport *, Type t, int) { events << QStringLiteral("stop %1").arg(t); };

    const struct {
        TvdxReport::TvdxProgressType type;
        bool oldStyle, finalPass;
        const char *message; // none: no window
    } cases[] = {
        {TvdxReport::ptRunning, true, false, "First pass: page 2"},
        {TvdxReport::ptRunning, true, true, "Preparing page 2"},
        {TvdxReport::ptRunning, false, true, nullptr},
        {TvdxReport::ptExporting, false, true, "Exporting page 2"},
        {TvdxReport::ptPrinting, false, true, "Printing page 2"},
    };
    for (const auto &c : cases) {
        events.clear();
        report->SetOldStyleProgress(c.oldStyle);
        report->Engine()->FinalPass = c.finalPass;
        report->InternalOnProgressStart(c.type);
        report->InternalOnProgress(c.type, 2);
        TvdxProgress *window = progressWindow();
        if (c.message) {
            ASSERT_NE(window, nullptr) << c.message;
            EXPECT_EQ(window->Message(), QLatin1String(c.message));
        } else {
            EXPECT_EQ(window, nullptr);
        }
        report->InternalOnProgressStop(c.type);
        EXPECT_EQ(progressWindow(), nullptr);
        EXPECT_EQ(events, (QStringList{QStringLiteral("start %1").arg(c.type), QStringLiteral("at %1 2").arg(c.type),
                                       QStringLiteral("stop %1").arg(c.type)}));
    }

    // Cancelling in the window stops the report.
    report->InternalOnProgressStart(TvdxReport::ptExporting);
    ASSERT_NE(progressWindow(), nullptr);
    progressWindow()->SetTerminated(true);
    report->InternalOnProgress(TvdxReport::ptExporting, 1);
    EXPECT_TRUE(report->Terminated());
    report->InternalOnProgressStop(TvdxReport::ptExporting);
    report->SetTerminated(false);

    // An attached preview shows the preparation, one page lower.
    TvdxStubPreview preview;
    report->SetPreview(&preview);
    report->SetOldStyleProgress(false);
    report->InternalOnProgressStart(TvdxReport::ptRunning);
    report->InternalOnProgress(TvdxReport::ptRunning, 3);
    report->InternalOnProgressStop(TvdxReport::ptRunning);
    report->InternalOnProgress(TvdxReport::ptExporting, 3);
    EXPECT_EQ(preview.Calls.mid(1), (QStringList{QStringLiteral("ProgressStart"), QStringLiteral("Progress 2"),
                                                 QStringLiteral("ProgressStop")}));

    // Thread-safe runs only fire the events.
    report->EngineOptions()->SetEnableThreadSafe(true);
    preview.Calls.clear();
    events.clear();
    report->SetOldStyleProgress(true);
    report->InternalOnProgressStart(TvdxReport::ptRunning);
    EXPECT_EQ(progressWindow(), nullptr);
    report->InternalOnProgressStop(TvdxReport::ptRunning);
    EXPECT_TRUE(preview.Calls.isEmpty());
    EXPECT_EQ(events.size(), 2);
    report->SetPreview(nullptr);
}

TEST_F(PrepareTest, MouseEventsOfViewsGiveTheirVarParametersBack)
{
    auto *shape = new TvdxShapeView(report.get());
    shape->SetName(QStringLiteral("Shape1"));
    shape->SetOnMouseEnter(QStringLiteral("Enter"));
    shape->SetOnMouseLeave(QStringLiteral("Leave"));
    shape->SetOnMouseUp(QStringLiteral("Up"));
    setScript(QStringLiteral(
        "procedure Enter(Sender: Variant; var Refresh: Boolean); begin Refresh := True; Set('E', 1) end;\n"
        "procedure Leave(Sender: Variant; var Refresh: Boolean); begin Refresh := False; Set('L', 1) end;\n"
        "procedure Up(Sender: Variant; X, Y, Button, Shift: Integer; var Modified: Boolean);\n"
        "begin Set('U', X * 1000 + Y * 10 + Button); Modified := True end;\n"
        "begin end."));
    report->EngineOptions()->SetDestroyForms(false);
    ASSERT_TRUE(report->PrepareReport(true)) << report->Errors().join(QLatin1Char('\n')).toStdString();
    int entered = 0, left = 0;
    report->OnMouseEnter = [&](TvdxView *v) { entered += v == shape; };
    report->OnMouseLeave = [&](TvdxView *v) { left += v == shape; };

    TvdxInteractiveEventsParams params;
    params.Refresh = false;
    report->DoMouseEnter(shape, nullptr, params);
    EXPECT_TRUE(params.Refresh);
    EXPECT_EQ(entered, 1);
    report->DoMouseLeave(shape, 0, 0, nullptr, params);
    EXPECT_FALSE(params.Refresh);
    EXPECT_EQ(left, 1);
    report->DoMouseUp(shape, 12, 3, mbMiddle, 0, params);
    EXPECT_TRUE(params.Refresh) << "the script's Modified comes back as Refresh";
    EXPECT_EQ(report->Variables()->GetVariable(QStringLiteral("U")).toInt(), 12032);
    EXPECT_EQ(report->Variables()->GetVariable(QStringLiteral("E")).toInt(), 1);
    EXPECT_EQ(report->Variables()->GetVariable(QStringLiteral("L")).toInt(), 1);
}

// ---------------------------------------------------------------------------
class PrepareDBTest : public PrepareTest {
protected:
    void SetUp() override
    {
        PrepareTest::SetUp();
        if (QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty())
            GTEST_SKIP() << "sqlite3 tool not installed";
    }
    TvdxDBDataset *addQuery(const QString &alias, const QString &file, const QString &sql)
    {
        auto query = std::make_unique<TvdxSqlDataSet>();
        query->SetDatabaseFile(file);
        query->SetSQL(sql);
        // The application's data set: the template snapshot does not replace it.
        auto ds = std::make_unique<TvdxDBDataset>(nullptr);
        ds->SetName(alias + QLatin1String("DS"));
        ds->SetUserName(alias);
        ds->SetDataSet(query.get());
        report->DataSets()->Add(ds.get());
        queries.push_back(std::move(query));
        dataSets.push_back(std::move(ds));
        return dataSets.back().get();
    }
    void TearDown() override
    {
        report.reset();
        dataSets.clear();
        queries.clear();
    }
    vdtest::TempDir dir;
    std::vector<std::unique_ptr<TvdxSqlDataSet>> queries;
    std::vector<std::unique_ptr<TvdxDBDataset>> dataSets;
};

TEST_F(PrepareDBTest, DataFieldsAndConvertNulls)
{
    const QString db = dir.file(QStringLiteral("n.db"));
    ASSERT_TRUE(runSqlite(db, "CREATE TABLE t (s VARCHAR(10), b BOOLEAN, n INTEGER, d TIMESTAMP);\n"
                              "INSERT INTO t VALUES (NULL, NULL, NULL, NULL);\n"));
    TvdxDBDataset *ds = addQuery(QStringLiteral("T"), db, QStringLiteral("select s, b, n, d from t"));
    ASSERT_TRUE(report->PrepareReport(true)) << report->Errors().join(QLatin1Char('\n')).toStdString();
    ds->Initialize();
    ds->First();
    const Variant s = report->Calc(QStringLiteral("T.\"s\""));
    ASSERT_TRUE(s.isString());
    EXPECT_EQ(s.toString(), QString());
    const Variant b = report->Calc(QStringLiteral("T.\"b\""));
    EXPECT_EQ(b.varType(), varBoolean);
    EXPECT_FALSE(b.toBool());
    EXPECT_EQ(report->Calc(QStringLiteral("T.\"n\"")).toInt(), 0);
    EXPECT_EQ(report->Calc(QStringLiteral("T.\"d\"")).toInt(), 0);
    report->EngineOptions()->SetConvertNulls(false);
    EXPECT_TRUE(report->Calc(QStringLiteral("T.\"n\"")).isNull());
    ds->Finalize();
}

TEST_F(PrepareDBTest, BadDatabaseFilesBecomeErrorLines)
{
    const QString missing = dir.file(QStringLiteral("missing.db"));
    const QString notSqlite = dir.file(QStringLiteral("text.db"));
    ASSERT_TRUE(vdtest::writeFile(notSqlite, QByteArray("this is not a database, just some words\n").repeated(40)));
    for (const QString &file : {missing, notSqlite}) {
        report = std::make_unique<TvdxReport>();
        report->EngineOptions()->SetNewSilentMode(TvdxEngineOptions::simReThrow);
        addQuery(QStringLiteral("Q"), file, QStringLiteral("select 1"));
        try {
            EXPECT_FALSE(report->PrepareReport(true));
            ADD_FAILURE() << "no error reported for " << file.toStdString();
        } catch (const Exception &e) {
            EXPECT_TRUE(e.message().startsWith(QStringLiteral("The following error(s) have occured:\r\n")))
                << e.message().toStdString();
            EXPECT_FALSE(report->Errors().isEmpty());
        }
        EXPECT_FALSE(report->Preparing());
        EXPECT_FALSE(report->Engine()->Running);
    }
}

} // namespace
