// Show, design, print and export entry points, the prepared-page set list and
// the delayed-command queue of a report.
#include "common/TestSupport.h"
#include "core/vdxVariables.h"
#include "report/vdxClass_options.h"
#include "report/vdxClass_report.h"
#include "report/vdxDelayedCommands.h"
#include "report/vdxPreviewPagesList.h"
#include "report/vdxServiceDoubles.h"
#include "script/ov_iinterpreter.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {

// A command that only records that it ran, under the name of a real one.
class NamedCommand : public TvdxBaseDelayedCommand {
public:
    NamedCommand(const char *name, QStringList &log, const QString &tag = QString())
        : m_name(QLatin1String(name)), m_log(log), m_tag(tag)
    {
    }
    void Run() override { m_log << (m_tag.isEmpty() ? m_name : m_name + QLatin1Char(':') + m_tag); }
    QString GetName() const override { return m_name; }

private:
    QString m_name;
    QStringList &m_log;
    QString m_tag;
};

class EntryPointsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        report = std::make_unique<TvdxReport>();
        report->EngineOptions()->SetNewSilentMode(TvdxEngineOptions::simSilent);
    }
    void TearDown() override
    {
        report.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    std::unique_ptr<TvdxReport> report;
};

TEST(DelayedCommandsTest, RunInClassNameOrderAndTheNewestOfAKindWins)
{
    QStringList log;
    TvdxDelayedCommandManager m;
    m.AddCommand(new NamedCommand("TvdxShowReportCommand", log));
    m.AddCommand(new NamedCommand("TvdxRefreshReportCommand", log));
    m.AddCommand(new NamedCommand("TvdxPrepareReportCommand", log, QStringLiteral("old")));
    m.AddCommand(new NamedCommand("TvdxLoadFromStreamCommand", log));
    m.AddCommand(new NamedCommand("TvdxPrepareReportCommand", log, QStringLiteral("new")));
    m.AddCommand(new NamedCommand("TvdxLoadFromFileCommand", log));
    m.AddCommand(new NamedCommand("TvdxLoadFromCommand", log));
    EXPECT_EQ(m.Count(), 6);
    m.RunAll();
    EXPECT_EQ(log, (QStringList{QStringLiteral("TvdxLoadFromCommand"), QStringLiteral("TvdxLoadFromFileCommand"),
                                QStringLiteral("TvdxLoadFromStreamCommand"), QStringLiteral("TvdxPrepareReportCommand:new"),
                                QStringLiteral("TvdxRefreshReportCommand"), QStringLiteral("TvdxShowReportCommand")}));
    EXPECT_EQ(m.Count(), 0);
}

// A command that queues another while the queue runs.
class RequeueCommand : public TvdxBaseDelayedCommand {
public:
    RequeueCommand(TvdxDelayedCommandManager &m, QStringList &log) : m_m(m), m_log(log) {}
    void Run() override
    {
        m_log << QStringLiteral("requeue");
        m_m.AddCommand(new NamedCommand("TvdxShowReportCommand", m_log));
    }
    QString GetName() const override { return QStringLiteral("TvdxPrepareReportCommand"); }

private:
    TvdxDelayedCommandManager &m_m;
    QStringList &m_log;
};

TEST(DelayedCommandsTest, CommandsArrivingWhileTheQueueRunsWaitForTheNextRound)
{
    QStringList log;
    TvdxDelayedCommandManager m;
    m.AddCommand(new RequeueCommand(m, log));
    m.RunAll();
    EXPECT_EQ(log, QStringList{QStringLiteral("requeue")});
    EXPECT_EQ(m.Names(), QStringList{QStringLiteral("TvdxShowReportCommand")});
    m.RunAll();
    EXPECT_EQ(log.last(), QStringLiteral("TvdxShowReportCommand"));
    EXPECT_EQ(m.Count(), 0);
}

TEST_F(EntryPointsTest, PrepareDuringPreparationRunsOnceMoreWithTheLastCallsOptions)
{
    int begins = 0;
    QList<bool> doublePass;
    report->OnBeginDoc = [&](TvdxReport *r) {
        doublePass << r->EngineOptions()->DoublePass();
        if (++begins != 1)
            return;
        r->EngineOptions()->SetDoublePass(false);
        EXPECT_FALSE(r->PrepareReport(true)) << "queued";
        r->EngineOptions()->SetDoublePass(true);
        EXPECT_FALSE(r->PrepareReport(true)) << "replaces the first";
        r->EngineOptions()->SetDoublePass(false);
        EXPECT_EQ(r->DelayedCommands()->Count(), 1);
    };
    EXPECT_TRUE(report->PrepareReport(true));
    EXPECT_EQ(begins, 2);
    EXPECT_EQ(doublePass, (QList<bool>{false, true}));
    EXPECT_EQ(report->DelayedCommands()->Count(), 0);
}

TEST_F(EntryPointsTest, LoadRequestsDuringPreparationAreQueuedAndRunFirst)
{
    // A template to load later, with a variable that marks it.
    TvdxReport other;
    other.Variables()->SetVariable(QStringLiteral("Loaded"), Variant(1));
    QBuffer saved;
    saved.open(QIODevice::ReadWrite);
    other.SaveToStream(saved);
    saved.seek(0);

    QStringList order;
    report->OnBeginDoc = [&](TvdxReport *r) {
        order << QStringLiteral("prepare");
        if (order.size() > 1)
            return;
        r->ShowReport(true);
        r->LoadFromStream(saved);
        EXPECT_EQ(r->DelayedCommands()->Names(),
                  (QStringList{QStringLiteral("TvdxLoadFromStreamCommand"), QStringLiteral("TvdxShowReportCommand")}));
        EXPECT_EQ(r->Variables()->IndexOf(QStringLiteral("Loaded")), -1) << "nothing loaded yet";
    };
    report->OnPreview = [&](TvdxReport *r) {
        order << (r->Variables()->IndexOf(QStringLiteral("Loaded")) >= 0 ? QStringLiteral("show loaded")
                                                                          : QStringLiteral("show"));
    };
    report->PreviewOptions()->SetModal(true);
    report->SetOldStyleProgress(true);
    EXPECT_TRUE(report->PrepareReport(true));
    EXPECT_EQ(order, (QStringList{QStringLiteral("prepare"), QStringLiteral("prepare"), QStringLiteral("show loaded")}));
}

TEST_F(EntryPointsTest, ShowFromARunningScriptIsRefusedWithOldStyleProgress)
{
    report->SetOldStyleProgress(true);
    report->AddFunction(QStringLiteral("procedure ShowMe"));
    report->OnUserFunction = [this](const QString &, Variant &) -> Variant {
        report->ShowReport(true);
        return Variant();
    };
    report->SetScriptText({QStringLiteral("begin ShowMe end.")});
    ASSERT_TRUE(report->PrepareScript());
    try {
        report->Script()->Execute();
        FAIL() << "no error";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("Rebuild itself from the script is not allowed!")))
            << e.message().toStdString();
    }
}

TEST_F(EntryPointsTest, PreparedPageSets)
{
    TvdxPreviewPagesList *list = report->PreviewPagesList();
    ASSERT_EQ(list->Count(), 1);
    TvdxCustomPreviewPages *first = list->Main();
    list->Delete(first);
    EXPECT_EQ(list->Count(), 1) << "the last set stays";

    TvdxCustomPreviewPages *second = list->Add();
    TvdxCustomPreviewPages *third = list->Add();
    EXPECT_EQ(report->PreviewPages(), first);
    report->SetPreviewPages(second);
    EXPECT_EQ(report->Engine()->PreviewPages(), second) << "the engine follows the current set";
    list->Delete(second);
    EXPECT_EQ(list->Count(), 2);
    EXPECT_EQ(report->PreviewPages(), third) << "the last set becomes current";
    EXPECT_EQ(report->Engine()->PreviewPages(), third);

    // Deleting another set keeps the current one current.
    TvdxCustomPreviewPages *fourth = list->AddAsCurrent();
    EXPECT_EQ(report->PreviewPages(), fourth);
    list->Delete(third);
    EXPECT_EQ(report->PreviewPages(), fourth);

    // Main moves a set to the front; Clear keeps only the first.
    report->SetMainPreviewPages(fourth);
    EXPECT_EQ(list->Main(), fourth);
    EXPECT_EQ(report->PreviewPages(), fourth);
    list->Clear();
    EXPECT_EQ(list->Count(), 1);
    EXPECT_EQ(report->PreviewPages(), fourth);
}

TEST_F(EntryPointsTest, CurrentSetIsWhatTheScriptSees)
{
    ASSERT_TRUE(report->PrepareScript());
    TvdxCustomPreviewPages *other = report->PreviewPagesList()->AddAsCurrent();
    EXPECT_EQ(report->Script()->FindLocal(QStringLiteral("PreviewPages"))->GetValue().object(), other);
    EXPECT_EQ(report->Script()->FindLocal(QStringLiteral("Outline"))->GetValue().object(), other->Outline());
}

TEST_F(EntryPointsTest, DesignWithoutADesignerDoesNothing)
{
    ASSERT_FALSE(vdxDesignerClass());
    report->SetModified(true);
    report->DesignReport(true, false);
    EXPECT_TRUE(report->Modified());
    EXPECT_EQ(report->Designer(), nullptr);
    EXPECT_FALSE(report->DesignPreviewPage());
}

TEST_F(EntryPointsTest, ModalDesignerIsStartedAndFreed)
{
    const int created = TvdxStubDesigner::Created, destroyed = TvdxStubDesigner::Destroyed;
    vdxDesignerClass() = [](QWidget *owner, TvdxReport *r, bool preview) -> TvdxCustomDesigner * {
        return new TvdxStubDesigner(owner, r, preview);
    };
    report->SetModified(true);
    report->DesignReport(true, false);
    vdxDesignerClass() = nullptr;
    EXPECT_EQ(TvdxStubDesigner::Created, created + 1);
    EXPECT_EQ(TvdxStubDesigner::Destroyed, destroyed + 1);
    EXPECT_EQ(TvdxStubDesigner::LastStartMessages, 1) << "the start message reached the designer";
    EXPECT_EQ(report->Designer(), nullptr);
    EXPECT_FALSE(report->Modified());
}

TEST_F(EntryPointsTest, PreviewPanelAndEditorDesigners)
{
    QList<bool> previewFlags;
    vdxDesignerClass() = [&](QWidget *owner, TvdxReport *r, bool preview) -> TvdxCustomDesigner * {
        previewFlags << preview;
        return new TvdxStubDesigner(owner, r, preview);
    };
    struct Reset {
        ~Reset() { vdxDesignerClass() = nullptr; }
    } reset;

    // The preview designer answers the report's modified flag as the designer left it.
    report->SetModified(true);
    EXPECT_FALSE(report->DesignPreviewPage());
    EXPECT_EQ(previewFlags, QList<bool>{true});
    EXPECT_EQ(report->Designer(), nullptr);

    // In a panel: the designer stays open, its controls in the panel, its
    // parent form the panel's window.
    QWidget window;
    auto *panel = new QWidget(&window);
    report->DesignReportInPanel(panel);
    ASSERT_NE(report->Designer(), nullptr);
    EXPECT_EQ(report->Designer()->ParentForm, &window);
    EXPECT_EQ(previewFlags.size(), 2);
    // While it is open the other entry points do nothing.
    report->DesignReport(true, false);
    EXPECT_FALSE(report->DesignPreviewPage());
    EXPECT_EQ(previewFlags.size(), 2);
    delete report->Designer();
    report->SetDesigner(nullptr);

    // The editor road opens only for the report editor.
    QObject designerIntf, notTheEditor;
    report->DesignReport(&designerIntf, &notTheEditor);
    EXPECT_EQ(previewFlags.size(), 2);
    EXPECT_EQ(report->Designer(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(EntryPointsTest, ShowReportPreparesFromTheTimerAndTheFormFreesItself)
{
    const int before = int(TvdxStubPreviewForm::Instances().size());
    int prepared = 0, previews = 0;
    report->OnEndDoc = [&](TvdxReport *) { ++prepared; };
    report->OnPreview = [&](TvdxReport *) { ++previews; };
    report->PreviewOptions()->SetModal(false);
    report->ShowReport(true);
    EXPECT_EQ(previews, 1);
    EXPECT_EQ(prepared, 0) << "shown first, prepared from the event loop";
    ASSERT_EQ(int(TvdxStubPreviewForm::Instances().size()), before + 1);
    TvdxStubPreviewForm *form = TvdxStubPreviewForm::Instances().last();
    EXPECT_EQ(report->Preview(), form->Preview());
    EXPECT_TRUE(report->Timer()->isActive());
    QElapsedTimer t;
    t.start();
    while (prepared == 0 && t.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(prepared, 1);
    EXPECT_FALSE(report->Timer()->isActive());

    form->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(int(TvdxStubPreviewForm::Instances().size()), before);
    EXPECT_EQ(report->Preview(), nullptr);
}

TEST_F(EntryPointsTest, AttachedPreviewGetsThePagesAndRefreshes)
{
    TvdxStubPreview preview;
    report->SetPreview(&preview);
    EXPECT_EQ(preview.Calls, QStringList{QStringLiteral("Init")});
    report->PreviewPagesList()->AddAsCurrent();
    EXPECT_EQ(preview.Calls.last(), QStringLiteral("PreviewPagesChanged"));
    report->RefreshActivePreviewedReport();
    EXPECT_TRUE(preview.Calls.contains(QStringLiteral("RefreshReport")));
    report->SetPreview(nullptr);
    EXPECT_EQ(preview.Calls.last(), QStringLiteral("UnInit"));
}

TEST_F(EntryPointsTest, SelectPrinterByName)
{
    auto *printers = new TvdxPrinterSelection;
    printers->Printers = {QStringLiteral("Office"), QStringLiteral("Label-Printer")};
    vdxSetPrinterSelection(printers);
    report->PrintOptions()->SetPrinter(QStringLiteral("label-printer"));
    report->SelectPrinter();
    EXPECT_EQ(vdxPrinterSelection()->PrinterIndex(), 1);
    report->PrintOptions()->SetPrinter(QStringLiteral("Nowhere"));
    report->SelectPrinter();
    EXPECT_EQ(vdxPrinterSelection()->PrinterIndex(), 1);
    vdxSetPrinterSelection(nullptr);
}

} // namespace

// ---------------------------------------------------------------------------
#include "report/vdxClass_export.h"
#include "report/vdxClass_shape.h"
#include "report/vdxClass_view.h"

namespace {

// A filter that writes nothing and records the calls of the export loop.
class LoopRecorder : public TvdxCustomExportFilter {
public:
    LoopRecorder() : TvdxCustomExportFilter(nullptr, true) { SetShowDialogOptions(doShowExportSettings); }
    int ShowModal() override
    {
        Log << QStringLiteral("ShowModal");
        return 1;
    }
    bool Start() override
    {
        Log << QStringLiteral("Start");
        return true;
    }
    void StartPage(TvdxComponent *page, int index) override
    {
        Log << QStringLiteral("StartPage %1 %2").arg(page ? page->Name() : QString()).arg(index);
    }
    void ExportObject(TvdxComponent *obj) override
    {
        Log << obj->Name();
        if (obj->Name() == ThrowAt)
            throw Exception(QStringLiteral("disk full"));
        if (obj->Name() == StopAt)
            SetTerminated(true);
        if (obj->Name() == AbortAt)
            throw EExportTerminated(QStringLiteral("stopped"));
    }
    void FinishPage(TvdxComponent *, int index) override { Log << QStringLiteral("FinishPage %1").arg(index); }
    void Finish() override { Log << QStringLiteral("Finish"); }
    QStringList Log;
    QString ThrowAt, StopAt, AbortAt;
};

class ExportLoopTest : public EntryPointsTest {
protected:
    void SetUp() override
    {
        EntryPointsTest::SetUp();
        for (int p = 0; p < 2; ++p) {
            auto page = std::make_unique<TvdxReportPage>(nullptr);
            page->SetName(QStringLiteral("P%1").arg(p));
            auto *band = new TvdxBand(page.get());
            band->SetName(QStringLiteral("B%1").arg(p));
            band->SetParent(page.get());
            auto *shape = new TvdxShapeView(page.get());
            shape->SetName(QStringLiteral("S%1").arg(p));
            shape->SetParent(band);
            auto *hidden = new TvdxShapeView(page.get());
            hidden->SetName(QStringLiteral("H%1").arg(p));
            hidden->SetVisible(false);
            hidden->SetParent(band);
            report->PreviewPages()->AddPage(page.get());
            pages.push_back(std::move(page));
        }
        filter.SetFileName(dir.file(QStringLiteral("out.bin")));
    }
    void TearDown() override
    {
        report.reset();
        pages.clear();
        EntryPointsTest::TearDown();
    }
    vdtest::TempDir dir;
    std::vector<std::unique_ptr<TvdxReportPage>> pages;
    LoopRecorder filter;
};

TEST_F(ExportLoopTest, FilterSeesPagesBackgroundsAndVisibleViews)
{
    EXPECT_TRUE(report->Export(&filter));
    EXPECT_EQ(filter.Log, (QStringList{QStringLiteral("ShowModal"), QStringLiteral("Start"), QStringLiteral("StartPage P0 0"),
                                       QStringLiteral("_pagebackground"), QStringLiteral("S0"), QStringLiteral("FinishPage 0"),
                                       QStringLiteral("StartPage P1 1"), QStringLiteral("_pagebackground"),
                                       QStringLiteral("S1"), QStringLiteral("FinishPage 1"), QStringLiteral("Finish")}));
    EXPECT_EQ(filter.Report(), report.get());
}

TEST_F(ExportLoopTest, PageNumbersLimitThePages)
{
    filter.SetPageNumbers(QStringLiteral("2"));
    EXPECT_TRUE(report->Export(&filter));
    EXPECT_FALSE(filter.Log.contains(QStringLiteral("StartPage P0 0")));
    EXPECT_TRUE(filter.Log.contains(QStringLiteral("StartPage P1 1")));
}

TEST_F(ExportLoopTest, FailureStillFinishesAndBecomesAnErrorLine)
{
    filter.ThrowAt = QStringLiteral("S0");
    EXPECT_FALSE(report->Export(&filter));
    EXPECT_EQ(filter.Log.mid(filter.Log.size() - 2), (QStringList{QStringLiteral("FinishPage 0"), QStringLiteral("Finish")}));
    EXPECT_EQ(report->Errors(), QStringList{QStringLiteral("disk full")});
}

TEST_F(ExportLoopTest, TerminatedExportAnswersFalse)
{
    filter.StopAt = QStringLiteral("S0");
    EXPECT_FALSE(report->Export(&filter));
    EXPECT_FALSE(filter.Log.contains(QStringLiteral("StartPage P1 1")));
    EXPECT_EQ(filter.Log.last(), QStringLiteral("Finish"));
    EXPECT_FALSE(filter.Terminated()) << "cleared for the next export";

    filter.Log.clear();
    filter.StopAt.clear();
    filter.AbortAt = QStringLiteral("S1");
    EXPECT_FALSE(report->Export(&filter));
    EXPECT_EQ(filter.Log.mid(filter.Log.size() - 2), (QStringList{QStringLiteral("FinishPage 1"), QStringLiteral("Finish")}));
    EXPECT_TRUE(report->Errors().isEmpty()) << "a stop is no error";
}

} // namespace
