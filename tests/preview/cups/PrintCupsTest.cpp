// Printing prepared reports through a real print server: what arrives at the
// queue is read back with the PDF tools, the job's settings over IPP.
#include "common/CupsServer.h"
#include "common/TestSupport.h"
#include "engine/vdxPreviewPages.h"
#include "platform/UiProvider.h"
#include "preview/vdxPrintLoop.h"
#include "preview/vdxPrinters.h"
#include "report/vdxClass_band.h"
#include "report/vdxClass_memo.h"
#include "report/vdxClass_page.h"
#include "report/vdxClass_report.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <thread>

using namespace vdtest;

namespace {

struct Word {
    QString text;
    double x, y;
};
struct PdfPage {
    double width = 0, height = 0; // points
    QList<Word> words;
    QStringList markers() const
    {
        QStringList m;
        for (const Word &w : words)
            m << w.text;
        return m;
    }
};

QString tool(const char *name) { return QStandardPaths::findExecutable(QString::fromLatin1(name)); }

QString run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000))
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Pages with their sizes and words, as pdftotext -bbox sees them.
QList<PdfPage> readPdf(const QString &path)
{
    QList<PdfPage> pages;
    const QString html = run(tool("pdftotext"), {"-bbox", path, "-"});
    static const QRegularExpression pageRe(QStringLiteral("<page width=\"([0-9.]+)\" height=\"([0-9.]+)\">"));
    static const QRegularExpression wordRe(
        QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"[0-9.]+\" yMax=\"[0-9.]+\">([^<]*)</word>"));
    const QStringList chunks = html.split(QStringLiteral("<page "));
    for (int i = 1; i < chunks.size(); ++i) {
        const QString chunk = QStringLiteral("<page ") + chunks[i];
        PdfPage page;
        const auto m = pageRe.match(chunk);
        if (m.hasMatch()) {
            page.width = m.captured(1).toDouble();
            page.height = m.captured(2).toDouble();
        }
        auto it = wordRe.globalMatch(chunk);
        while (it.hasNext()) {
            const auto w = it.next();
            page.words << Word{w.captured(3), w.captured(1).toDouble(), w.captured(2).toDouble()};
        }
        pages << page;
    }
    return pages;
}

int pdfinfoPages(const QString &path)
{
    const QString info = run(tool("pdfinfo"), {path});
    const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

class PrintCups : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!CupsServer::Shared().Ok())
            GTEST_SKIP() << "no test print server: " << CupsServer::Shared().SkipReason().toStdString();
        if (tool("pdftotext").isEmpty() || tool("pdfinfo").isEmpty())
            GTEST_SKIP() << "pdftotext and pdfinfo missing (poppler-utils)";
        CupsServer::Shared().ClearReceived();
        jobsBefore = int(CupsServer::Shared().Jobs().size());
        printers = std::make_unique<TvdxPrinters>();
        printers->SetPrinterIndex(printers->IndexOf("A-Printer"));
        report = makeReport();
    }

    std::unique_ptr<TvdxReport> makeReport()
    {
        auto r = std::make_unique<TvdxReport>();
        r->Engine()->FinalPass = true;
        r->SetShowProgress(false);
        r->SetSilentMode(simSilent);
        r->PrintOptions()->SetShowDialog(false);
        r->PrintOptions()->SetPrinter("A-Printer");
        auto *page = new TvdxReportPage(r.get());
        page->SetName("Page1");
        auto *band = new TvdxBand(page);
        band->SetName("MasterData1");
        band->SetBounds(0, 0, 300, 40);
        auto *memo = new TvdxMemoView(band);
        memo->SetName("Memo1");
        memo->SetBounds(0, 0, 200, 30);
        return r;
    }

    static TvdxPreviewPages &store(TvdxReport &r) { return *dynamic_cast<TvdxPreviewPages *>(r.PreviewPages()); }

    // Pages of the given size (mm) with the markers "P1", "P2"... at (20, 40) px.
    static void addPages(TvdxReport &r, int count, double w = 210, double h = 297, const QString &prefix = "P")
    {
        auto *page = qobject_cast<TvdxReportPage *>(r.FindObject("Page1"));
        auto *band = qobject_cast<TvdxBand *>(r.FindObject("MasterData1"));
        auto *memo = qobject_cast<TvdxMemoView *>(r.FindObject("Memo1"));
        page->SetPaperSize(256);
        page->SetPaperWidth(w);
        page->SetPaperHeight(h);
        page->SetLeftMargin(0);
        page->SetTopMargin(0);
        for (int i = 0; i < count; ++i) {
            const int n = store(r).Count() + 1;
            store(r).AddPage(page);
            memo->SetText(QStringLiteral("%1%2").arg(prefix).arg(n));
            band->SetBounds(20, 40, 300, 40);
            store(r).AddObject(band);
        }
    }

    bool print(TvdxReport &r) { return vdxPrintPreviewPages(&store(r), printers.get()); }

    // The document of the n-th job received since the test began.
    QList<PdfPage> received(int n, QString *path = nullptr)
    {
        if (!CupsServer::Shared().WaitForReceived(n + 1))
            return {};
        const QByteArray pdf = CupsServer::Shared().Received().value(n);
        const QString file = dir.file(QStringLiteral("job%1.pdf").arg(n));
        writeFile(file, pdf);
        if (path)
            *path = file;
        return readPdf(file);
    }

    QList<CupsServer::JobInfo> newJobs() const { return CupsServer::Shared().Jobs().mid(jobsBefore); }

    TempDir dir;
    HeadlessUiProvider ui;
    TvdScopedUiProvider scoped{&ui};
    std::unique_ptr<TvdxPrinters> printers;
    std::unique_ptr<TvdxReport> report;
    int jobsBefore = 0;
};

TEST_F(PrintCups, RangesOrderAndParity)
{
    struct Case {
        const char *name;
        QString numbers;
        bool reverse;
        TvdxPrintOptions::TvdxPrintPages pages;
        QStringList markers;
    } cases[] = {
        {"2,4 reversed", "2,4", true, TvdxPrintOptions::ppAll, {"P4", "P2"}},
        {"even", "", false, TvdxPrintOptions::ppEven, {"P2", "P4"}},
        {"odd of 2-5 reversed", "2-5", true, TvdxPrintOptions::ppOdd, {"P5", "P3"}},
    };
    addPages(*report, 5);
    int job = 0;
    for (const Case &c : cases) {
        report->PrintOptions()->SetPageNumbers(c.numbers);
        report->PrintOptions()->SetReverse(c.reverse);
        report->PrintOptions()->SetPrintPages(c.pages);
        ASSERT_TRUE(print(*report)) << c.name;
        QString path;
        const QList<PdfPage> pages = received(job++, &path);
        EXPECT_EQ(pdfinfoPages(path), c.markers.size()) << c.name;
        QStringList seen;
        for (const PdfPage &p : pages) {
            seen << p.markers();
            EXPECT_NEAR(p.width, 595.3, 1) << c.name;
            EXPECT_NEAR(p.height, 841.9, 1) << c.name;
        }
        EXPECT_EQ(seen, c.markers) << c.name;
    }
}

TEST_F(PrintCups, CollatedDuplexCopiesAndTheJobSettings)
{
    addPages(*report, 3);
    report->PrintOptions()->SetCopies(2);
    report->PrintOptions()->SetCollate(true);
    report->PrintOptions()->SetDuplex(TvdxPrintOptions::dmVertical);
    ASSERT_TRUE(print(*report));
    QStringList seen;
    for (const PdfPage &p : received(0))
        seen << (p.words.isEmpty() ? QStringLiteral("-") : p.markers().join(' '));
    // The second copy starts on a sheet of its own.
    EXPECT_EQ(seen, (QStringList{"P1", "P2", "P3", "-", "P1", "P2", "P3"}));

    // Uncollated: the print server makes the copies.
    report->PrintOptions()->SetCollate(false);
    report->PrintOptions()->SetDuplex(TvdxPrintOptions::dmHorizontal);
    ASSERT_TRUE(print(*report));
    EXPECT_EQ(received(1).size(), 3);

    const QList<CupsServer::JobInfo> jobs = newJobs();
    ASSERT_EQ(jobs.size(), 2);
    EXPECT_EQ(jobs[0].copies, 1);
    EXPECT_EQ(jobs[0].sides, "two-sided-long-edge");
    EXPECT_EQ(jobs[1].copies, 2);
    EXPECT_EQ(jobs[1].sides, "two-sided-short-edge");
}

TEST_F(PrintCups, ScaleSplitAndJoinLayouts)
{
    // As designed, for the marker's position at scale 1.
    addPages(*report, 1, 105, 148.5);
    ASSERT_TRUE(print(*report));
    const QList<PdfPage> plain = received(0);
    ASSERT_EQ(plain.size(), 1);
    ASSERT_EQ(plain[0].words.size(), 1);
    EXPECT_NEAR(plain[0].width, 105 / 25.4 * 72, 1);
    const Word at1 = plain[0].words[0];

    // Scaled onto A4: the sheet's size, the marker twice as far from the corner.
    report->PrintOptions()->SetPrintMode(TvdxPrintOptions::pmScale);
    report->PrintOptions()->SetPrintOnSheet(9);
    ASSERT_TRUE(print(*report));
    const QList<PdfPage> scaled = received(1);
    ASSERT_EQ(scaled.size(), 1);
    EXPECT_NEAR(scaled[0].width, 595.3, 1);
    EXPECT_NEAR(scaled[0].height, 841.9, 1);
    ASSERT_EQ(scaled[0].words.size(), 1);
    EXPECT_NEAR(scaled[0].words[0].x, 2 * at1.x, 2);
    EXPECT_NEAR(scaled[0].words[0].y, 2 * at1.y, 3);

    // Split: a page 430 mm high takes two A4 sheets, the marker on the first.
    store(*report).Clear();
    addPages(*report, 1, 200, 430);
    report->PrintOptions()->SetPrintMode(TvdxPrintOptions::pmSplit);
    ASSERT_TRUE(print(*report));
    const QList<PdfPage> split = received(2);
    ASSERT_EQ(split.size(), 2);
    EXPECT_EQ(split[0].markers(), QStringList{"P1"});
    EXPECT_TRUE(split[1].words.isEmpty());
    EXPECT_NEAR(split[1].height, 841.9, 1);

    // Join: 100 x 140 mm pages, four to an A4 sheet in two rows.
    store(*report).Clear();
    addPages(*report, 5, 100, 140);
    report->PrintOptions()->SetPrintMode(TvdxPrintOptions::pmJoin);
    ASSERT_TRUE(print(*report));
    const QList<PdfPage> joined = received(3);
    ASSERT_EQ(joined.size(), 2);
    ASSERT_EQ(joined[0].markers(), (QStringList{"P1", "P2", "P3", "P4"}));
    EXPECT_EQ(joined[1].markers(), QStringList{"P5"});
    const auto &w = joined[0].words;
    const double mm = 72 / 25.4;
    EXPECT_NEAR(w[1].x - w[0].x, 100 * mm, 2);
    EXPECT_NEAR(w[1].y, w[0].y, 1);
    EXPECT_NEAR(w[2].y - w[0].y, 140 * mm, 2);
    EXPECT_NEAR(w[2].x, w[0].x, 1);
}

TEST_F(PrintCups, PrintToFileAndRefusedQueue)
{
    addPages(*report, 2);
    const QString out = dir.file("report.prn");
    report->PrintOptions()->SetPrnOutFileName(out);
    ASSERT_TRUE(print(*report));
    EXPECT_EQ(pdfinfoPages(out), 2);
    EXPECT_EQ(readPdf(out).value(1).markers(), QStringList{"P2"});
    EXPECT_TRUE(newJobs().isEmpty());

    // A queue that does not exist (any more) refuses the job.
    report->PrintOptions()->SetPrnOutFileName(QString());
    ASSERT_TRUE(CupsServer::Shared().AddRawQueue("Gone"));
    printers = std::make_unique<TvdxPrinters>();
    printers->SetPrinterIndex(printers->IndexOf("Gone"));
    report->PrintOptions()->SetPrinter("Gone");
    QProcess p;
    p.start(QStandardPaths::findExecutable("lpadmin"), {"-x", "Gone"});
    p.waitForFinished(20000);
    EXPECT_FALSE(print(*report));
    EXPECT_FALSE(report->Errors().isEmpty());
}

TEST_F(PrintCups, TwoThreadSafeReportsPrintAtOnce)
{
    std::unique_ptr<TvdxReport> second = makeReport();
    addPages(*report, 2, 210, 297, "A");
    addPages(*second, 2, 210, 297, "B");
    report->EngineOptions()->SetEnableThreadSafe(true);
    second->EngineOptions()->SetEnableThreadSafe(true);
    bool ok1 = false, ok2 = false;
    std::thread t1([&] { ok1 = print(*report); });
    std::thread t2([&] { ok2 = print(*second); });
    t1.join();
    t2.join();
    EXPECT_TRUE(ok1);
    EXPECT_TRUE(ok2);
    EXPECT_EQ(printers->ChangeLockCount(), 0);
    QStringList all;
    for (int n = 0; n < 2; ++n) {
        QStringList one;
        for (const PdfPage &p : received(n))
            one << p.markers();
        all << one.join(' ');
    }
    all.sort();
    EXPECT_EQ(all, (QStringList{"A1 A2", "B1 B2"}));
}

} // namespace
