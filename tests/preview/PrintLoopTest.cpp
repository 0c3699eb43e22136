// The print loop against printers that record what it asks of them.
#include "PrintFixture.h"

#include "core/vdxRes.h"
#include "core/vdxVariables.h"
#include "report/vdxClass.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

using namespace vdtest;

namespace {

using PrintLoop = PrintFixture;

// The first object of a kind in a component's tree.
template <class T>
T *firstOf(TvdxComponent *root)
{
    for (TvdxComponent *c : root->GetAllObjects())
        if (auto *t = qobject_cast<T *>(c))
            return t;
    return nullptr;
}

TEST_F(PrintLoop, PageSelectionOrderAndParity)
{
    struct Case {
        const char *name;
        QString numbers;
        bool reverse;
        TvdxPrintOptions::TvdxPrintPages pages;
        QStringList printed;
    } cases[] = {
        {"all", "", false, TvdxPrintOptions::ppAll, {"page 0", "page 1", "page 2", "page 3", "page 4"}},
        {"2,4 reversed", "2,4", true, TvdxPrintOptions::ppAll, {"page 3", "page 1"}},
        {"even of five", "", false, TvdxPrintOptions::ppEven, {"page 1", "page 3"}},
        {"odd reversed", "", true, TvdxPrintOptions::ppOdd, {"page 4", "page 2", "page 0"}},
        {"open range", "4-", false, TvdxPrintOptions::ppAll, {"page 3", "page 4"}},
        {"past the end skipped", "5,6,7", false, TvdxPrintOptions::ppAll, {"page 4"}},
    };
    addPages(5);
    for (const Case &c : cases) {
        log.clear();
        report.PrintOptions()->SetPageNumbers(c.numbers);
        report.PrintOptions()->SetReverse(c.reverse);
        report.PrintOptions()->SetPrintPages(c.pages);
        EXPECT_TRUE(print()) << c.name;
        EXPECT_EQ(only("page "), c.printed) << c.name;
        EXPECT_EQ(only("BeginPage").size(), c.printed.size()) << c.name;
        // The options come back as they were.
        EXPECT_EQ(report.PrintOptions()->PageNumbers(), c.numbers) << c.name;
    }
    EXPECT_EQ(backend.submitted.size(), std::size(cases));
}

TEST_F(PrintLoop, CollatedCopiesOnDuplexStartEachCopyOnANewSheet)
{
    backend.queues["Office"].defaults.sides = QStringLiteral("two-sided-long-edge");
    addPages(3);
    report.PrintOptions()->SetCollate(true);
    report.PrintOptions()->SetCopies(2);
    ASSERT_TRUE(print());
    const QStringList expected{"BeginPage", "page 0", "BeginPage", "page 1", "BeginPage", "page 2",
                               "BeginPage", // the empty back of the first copy
                               "BeginPage", "page 0", "BeginPage", "page 1", "BeginPage", "page 2"};
    QStringList seen;
    for (const QString &l : log)
        if (l == "BeginPage" || l.startsWith("page "))
            seen << l;
    EXPECT_EQ(seen, expected);
    // Each copy prints one copy; the printer is never asked for two.
    for (const QString &l : only("SetPrintParams"))
        EXPECT_TRUE(l.endsWith("copies1")) << l.toStdString();

    // Without duplex nothing is added; uncollated copies go to the printer.
    backend.queues["Office"].defaults.sides.clear();
    log.clear();
    ASSERT_TRUE(print());
    EXPECT_EQ(only("BeginPage").size(), 6);
    report.PrintOptions()->SetCollate(false);
    log.clear();
    ASSERT_TRUE(print());
    EXPECT_EQ(only("BeginPage").size(), 3);
    EXPECT_EQ(only("SetPrintParams").size(), 1);
    EXPECT_TRUE(only("SetPrintParams").value(0).endsWith("copies2"));
    EXPECT_EQ(backend.submitted.last().options.value("copies"), "2");
}

TEST_F(PrintLoop, DefaultModeSetsParamsOnlyWhenThePaperChanges)
{
    addPages(3, 210, 297);
    ASSERT_TRUE(print());
    EXPECT_EQ(only("SetPrintParams"), QStringList{"SetPrintParams 256 210x297 P bin7 dup0 copies1"});
    EXPECT_EQ(only("BeginDoc").size(), 1);
    EXPECT_EQ(only("EndDoc").size(), 1);

    addPages(1, 100, 150);
    log.clear();
    ASSERT_TRUE(print());
    EXPECT_EQ(only("SetPrintParams").size(), 2);
    EXPECT_EQ(only("SetPrintParams").last(), "SetPrintParams 256 100x150 P bin7 dup0 copies1");
}

TEST_F(PrintLoop, SheetCounts)
{
    // Split: an excess under 11 mm needs no sheet; never fewer than one.
    EXPECT_EQ(TvdxPrintLoop::SheetsFor(430, 287), 2);
    EXPECT_EQ(TvdxPrintLoop::SheetsFor(295, 287), 1);
    EXPECT_EQ(TvdxPrintLoop::SheetsFor(8, 100), 1);
    EXPECT_EQ(TvdxPrintLoop::SheetsFor(300, 0), 1);
    // Join: whole pages only, never fewer than one.
    EXPECT_EQ(TvdxPrintLoop::PagesPerSheet(297, 140), 2);
    EXPECT_EQ(TvdxPrintLoop::PagesPerSheet(297, 148.5), 2);
    EXPECT_EQ(TvdxPrintLoop::PagesPerSheet(100, 140), 1);
    EXPECT_EQ(TvdxPrintLoop::PagesPerSheet(0, 140), 1);
}

TEST_F(PrintLoop, SplitPrintsBigPagesOnSeveralSheets)
{
    struct Case {
        double height;
        int sheets;
    } cases[] = {{430, 2}, {295, 1}, {8, 1}};
    auto printers = makePrinters();
    printers->SetPrinterIndex(printers->IndexOf("Labels"));
    report.PrintOptions()->SetPrinter("Labels");
    report.PrintOptions()->SetPrintMode(TvdxPrintOptions::pmSplit);
    report.PrintOptions()->SetPrintOnSheet(256); // the printer's own sheet, 200 x 287 mm
    for (const Case &c : cases) {
        store().Clear();
        addPages(1, 200, c.height);
        log.clear();
        EXPECT_TRUE(print(printers.get())) << c.height;
        EXPECT_EQ(only("BeginPage").size(), c.sheets) << c.height;
        EXPECT_EQ(only("SetPrintParams").value(0), "SetPrintParams 256 200x287 P bin7 dup0 copies1") << c.height;
    }
}

TEST_F(PrintLoop, JoinPlacesWholePagesOnASheet)
{
    // 100 x 140 mm pages on A4: two across, two down (a third row would
    // leave the sheet).
    addPages(5, 100, 140);
    report.PrintOptions()->SetPrintMode(TvdxPrintOptions::pmJoin);
    report.PrintOptions()->SetPrintOnSheet(9);
    ASSERT_TRUE(print());
    EXPECT_EQ(only("BeginPage").size(), 2);
    EXPECT_EQ(only("SetPrintParams"), QStringList{"SetPrintParams 9 210x297 P bin7 dup0 copies1"});

    // Each page twice: five pages, ten places, three sheets.
    report.PrintOptions()->SetCopies(2);
    log.clear();
    ASSERT_TRUE(print());
    EXPECT_EQ(only("BeginPage").size(), 3);
}

TEST_F(PrintLoop, ScaleFitsThePageOnTheSheet)
{
    addPages(2, 105, 148.5);
    report.PrintOptions()->SetPrintMode(TvdxPrintOptions::pmScale);
    report.PrintOptions()->SetPrintOnSheet(9);
    ASSERT_TRUE(print());
    EXPECT_EQ(only("SetPrintParams"), QStringList{"SetPrintParams 9 210x297 P bin7 dup0 copies1"});
    EXPECT_EQ(only("BeginPage").size(), 2);
    EXPECT_NEAR(double(store().PrintScale), 2.0, 1e-9);
}

TEST_F(PrintLoop, NoPrintersSaysSoAndAnswersFalse)
{
    addPages(1);
    NullPrinterBackend none;
    TvdxPrinters printers(&none);
    EXPECT_FALSE(print(&printers));
    ASSERT_EQ(ui.Prompts().size(), 1);
    EXPECT_EQ(ui.Prompts()[0].text, GetResStrByName("clNoPrinters"));
    EXPECT_NE(ui.Prompts()[0].text, "clNoPrinters");
}

// Every mode and order answers False when the printer is unusable or the
// print system refuses the job, and leaves the printer list unlocked.
TEST_F(PrintLoop, FailuresAnswerFalseInEveryModeAndOrder)
{
    addPages(3, 100, 140);
    report.SetSilentMode(simSilent);
    const TvdxPrintOptions::TvdxPrintMode modes[] = {TvdxPrintOptions::pmDefault, TvdxPrintOptions::pmScale,
                                                     TvdxPrintOptions::pmSplit, TvdxPrintOptions::pmJoin};
    for (bool threadSafe : {false, true}) {
        report.EngineOptions()->SetEnableThreadSafe(threadSafe);
        for (auto mode : modes) {
            for (bool reverse : {false, true}) {
                const std::string what = "mode " + std::to_string(int(mode)) + (reverse ? " reversed" : "") +
                                         (threadSafe ? " thread-safe" : "");
                report.PrintOptions()->SetPrintMode(mode);
                report.PrintOptions()->SetPrintOnSheet(9);
                report.PrintOptions()->SetReverse(reverse);

                backend.failSubmit = true;
                auto printers = makePrinters();
                EXPECT_FALSE(print(printers.get())) << "refused " << what;
                EXPECT_EQ(printers->ChangeLockCount(), 0) << what;
                EXPECT_TRUE(report.Errors().join("\n").contains("fake refusal")) << what;
                backend.failSubmit = false;
                report.ClearErrors();

                backend.queues["Office"].readable = false;
                auto broken = makePrinters();
                EXPECT_FALSE(print(broken.get())) << "invalid " << what;
                EXPECT_EQ(broken->ChangeLockCount(), 0) << what;
                EXPECT_FALSE(report.Errors().isEmpty()) << what;
                backend.queues["Office"].readable = true;
                report.ClearErrors();

                log.clear();
                EXPECT_TRUE(print()) << "working " << what;
            }
        }
    }
    EXPECT_TRUE(backend.submitted.size() > 0);
}

TEST_F(PrintLoop, StopAbortsTheJob)
{
    addPages(4);
    report.OnProgress = [this](TvdxReport *r, TvdxReport::TvdxProgressType type, int n) {
        if (type == TvdxReport::ptPrinting && n == 2)
            r->SetTerminated(true);
    };
    for (bool reverse : {false, true}) {
        report.PrintOptions()->SetReverse(reverse);
        log.clear();
        EXPECT_FALSE(print()) << reverse;
        EXPECT_EQ(only("Abort").size(), 1) << reverse;
        EXPECT_TRUE(only("EndDoc").size() <= 1);
    }
    EXPECT_TRUE(backend.submitted.isEmpty());
}

TEST_F(PrintLoop, BadInputIsRefusedOrClamped)
{
    addPages(3);
    report.SetSilentMode(simSilent);
    for (const char *numbers : {"0", "9-3", "1,,2", "7"}) {
        report.ClearErrors();
        report.PrintOptions()->SetPageNumbers(numbers);
        log.clear();
        EXPECT_FALSE(print()) << numbers;
        EXPECT_TRUE(only("BeginDoc").isEmpty()) << numbers;
        EXPECT_FALSE(report.Errors().isEmpty()) << numbers;
    }
    EXPECT_TRUE(backend.submitted.isEmpty());

    // Copies of 0 print once.
    report.PrintOptions()->SetPageNumbers(QString());
    report.PrintOptions()->SetCopies(0);
    report.PrintOptions()->SetCollate(false);
    log.clear();
    ASSERT_TRUE(print());
    EXPECT_TRUE(only("SetPrintParams").value(0).endsWith("copies1"));
    EXPECT_EQ(only("BeginPage").size(), 3);

    // A paper code the printer lacks prints on a custom size.
    store().Clear();
    page->SetPaperSize(4242);
    store().AddPage(page);
    log.clear();
    ASSERT_TRUE(print());
    EXPECT_EQ(only("BeginPage").size(), 1);
    EXPECT_EQ(backend.submitted.last().options.value("media"), "Custom.210x297mm");
}

TEST_F(PrintLoop, ZeroSheetSizeIsRefused)
{
    FakeQueue &q = backend.queues["Office"];
    q.media = {FakeMedia(QStringLiteral("broken"), 0, 0, 0)};
    q.defaults.media = QStringLiteral("broken");
    addPages(2);
    report.SetSilentMode(simSilent);
    for (auto mode : {TvdxPrintOptions::pmSplit, TvdxPrintOptions::pmJoin, TvdxPrintOptions::pmScale}) {
        report.PrintOptions()->SetPrintMode(mode);
        report.PrintOptions()->SetPrintOnSheet(256);
        log.clear();
        EXPECT_FALSE(print()) << int(mode);
        EXPECT_TRUE(only("BeginPage").isEmpty()) << int(mode);
    }
}

TEST_F(PrintLoop, PrintToFileKeepsTheName)
{
    addPages(2);
    QTemporaryDir dir;
    const QString out = dir.filePath("report.prn");
    report.PrintOptions()->SetPrnOutFileName(out);
    auto printers = makePrinters();
    ASSERT_TRUE(print(printers.get()));
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(5).startsWith("%PDF"));
    // The shared printer forgets the file afterwards.
    EXPECT_TRUE(printers->Printer()->FileName().isEmpty());
}

TEST_F(PrintLoop, ThreadSafeModeUsesAPrivateCopyAndUnlocks)
{
    addPages(2);
    report.EngineOptions()->SetEnableThreadSafe(true);
    report.PrintOptions()->SetShowDialog(true); // never shown in thread-safe mode
    auto printers = makePrinters();
    TvdxPrintLoop loop(&store(), printers.get());
    bool asked = false;
    loop.ShowDialog = [&](TvdxReport *, TvdxDuplexMode &) { return asked = true; };
    int lockDuringJob = -1;
    report.OnProgress = [&](TvdxReport *, TvdxReport::TvdxProgressType, int) {
        lockDuringJob = printers->ChangeLockCount();
    };
    ASSERT_TRUE(loop.Print());
    EXPECT_FALSE(asked);
    EXPECT_EQ(lockDuringJob, 1);
    EXPECT_EQ(printers->ChangeLockCount(), 0);
    EXPECT_FALSE(printers->Printer()->Printing());
}

TEST_F(PrintLoop, CancelledDialogPrintsNothing)
{
    addPages(2);
    report.PrintOptions()->SetShowDialog(true);
    auto printers = makePrinters();
    TvdxPrintLoop loop(&store(), printers.get());
    loop.ShowDialog = [](TvdxReport *r, TvdxDuplexMode &) {
        r->PrintOptions()->SetCopies(9);
        return false;
    };
    EXPECT_FALSE(loop.Print());
    EXPECT_TRUE(log.isEmpty());
    EXPECT_EQ(report.PrintOptions()->Copies(), 1);
    EXPECT_EQ(store().PrintCopyNo, 0);
}

// The host hears of a print before the first page and after the job, and of
// every page with the copy it belongs to, in every mode.
TEST_F(PrintLoop, ReportEventsInOrderInEveryMode)
{
    report.OnPrintReport = [this](TvdxReport *r) { log << QStringLiteral("OnPrintReport %1").arg(r == &report); };
    report.OnAfterPrintReport = [this](TvdxReport *r) {
        log << QStringLiteral("OnAfterPrintReport %1").arg(r == &report);
    };
    report.OnPrintPage = [this](TvdxReportPage *p, int copyNo) {
        auto *m = firstOf<TvdxMemoView>(p);
        log << QStringLiteral("OnPrintPage %1 copy%2").arg(m ? m->Text().trimmed() : QStringLiteral("?")).arg(copyNo);
    };
    const QString start = "OnPrintReport 1", end = "OnAfterPrintReport 1";
    struct Case {
        const char *name;
        TvdxPrintOptions::TvdxPrintMode mode;
        double heightMM;
        int copies;
        bool collate;
        QStringList events;
    } cases[] = {
        {"default collated", TvdxPrintOptions::pmDefault, 140, 2, true,
         {start, "OnPrintPage P1 copy1", "page 0", "OnPrintPage P2 copy1", "page 1", "OnPrintPage P1 copy2",
          "page 0", "OnPrintPage P2 copy2", "page 1", end}},
        {"default uncollated", TvdxPrintOptions::pmDefault, 140, 2, false,
         {start, "OnPrintPage P1 copy1", "page 0", "OnPrintPage P2 copy1", "page 1", end}},
        {"scale", TvdxPrintOptions::pmScale, 140, 1, true,
         {start, "OnPrintPage P1 copy1", "page 0", "OnPrintPage P2 copy1", "page 1", end}},
        // One page over two sheets is one page to the host.
        {"split", TvdxPrintOptions::pmSplit, 430, 1, true,
         {start, "OnPrintPage P1 copy1", "page 0", "OnPrintPage P2 copy1", "page 1", end}},
        // Four places on one sheet: each page twice, its copies numbered.
        {"join", TvdxPrintOptions::pmJoin, 140, 2, false,
         {start, "OnPrintPage P1 copy1", "OnPrintPage P1 copy2", "OnPrintPage P2 copy1", "OnPrintPage P2 copy2",
          "page 1", end}},
    };
    for (const Case &c : cases) {
        store().Clear();
        addPages(2, 100, c.heightMM);
        report.PrintOptions()->SetPrintMode(c.mode);
        report.PrintOptions()->SetPrintOnSheet(9);
        report.PrintOptions()->SetCopies(c.copies);
        report.PrintOptions()->SetCollate(c.collate);
        log.clear();
        ASSERT_TRUE(print()) << c.name;
        QStringList seen;
        for (const QString &l : log)
            if (l.startsWith("On") || l.startsWith("page "))
                seen << l;
        EXPECT_EQ(seen, c.events) << c.name;
        EXPECT_EQ(store().PrintCopyNo, 0) << c.name;
    }

    // An unusable printer still closes what it opened, and prints no page.
    backend.queues["Office"].readable = false;
    report.SetSilentMode(simSilent);
    log.clear();
    EXPECT_FALSE(print());
    EXPECT_EQ(only("On"), (QStringList{start, end}));
    backend.queues["Office"].readable = true;

    // A cancelled dialog happens before printing: nothing is heard.
    report.PrintOptions()->SetShowDialog(true);
    auto printers = makePrinters();
    TvdxPrintLoop loop(&store(), printers.get());
    loop.ShowDialog = [](TvdxReport *, TvdxDuplexMode &) { return false; };
    log.clear();
    EXPECT_FALSE(loop.Print());
    EXPECT_TRUE(only("On").isEmpty());
}

// The template's script handler runs after the host's event and before the
// first page, while the report keeps its script.
TEST_F(PrintLoop, ScriptHandlerOfTheTemplateRunsBeforeThePages)
{
    vdxRegisterReportClasses();
    report.SetOnReportPrint(QStringLiteral("ReportPrinted"));
    report.SetScriptText(QStringLiteral("procedure ReportPrinted(Sender: Variant);\n"
                                        "begin Set('Printed', 1) end;\n"
                                        "begin end.")
                             .split('\n'));
    // Through a template: the handler's name is stored and read back.
    QBuffer stored;
    stored.open(QIODevice::ReadWrite);
    report.SaveToStream(stored);
    stored.seek(0);
    report.LoadFromStream(stored);
    ASSERT_EQ(report.OnReportPrint(), "ReportPrinted");
    page = nullptr;
    for (int i = 0; i < report.PagesCount() && !page; ++i)
        page = qobject_cast<TvdxReportPage *>(report.Pages(i));
    ASSERT_NE(page, nullptr);
    band = firstOf<TvdxBand>(page);
    memo = firstOf<TvdxMemoView>(page);
    ASSERT_TRUE(band && memo);
    report.Variables()->SetVariable(QStringLiteral("Printed"), Variant(0));
    report.EngineOptions()->SetDestroyForms(false);
    report.PrintOptions()->SetShowDialog(false);
    report.SetShowProgress(false);
    ASSERT_TRUE(report.PrepareScript());
    addPages(2);

    auto printed = [this] { return report.Variables()->GetVariable(QStringLiteral("Printed")).toInt(); };
    report.OnPrintReport = [&](TvdxReport *) { log << QStringLiteral("OnPrintReport %1").arg(printed()); };
    report.OnPrintPage = [&](TvdxReportPage *, int) { log << QStringLiteral("OnPrintPage %1").arg(printed()); };
    report.OnAfterPrintReport = [&](TvdxReport *) {
        log << QStringLiteral("OnAfterPrintReport %1").arg(printed());
    };
    ASSERT_TRUE(print()) << report.Errors().join('\n').toStdString();
    EXPECT_EQ(only("On"),
              (QStringList{"OnPrintReport 0", "OnPrintPage 1", "OnPrintPage 1", "OnAfterPrintReport 1"}));
}

} // namespace
