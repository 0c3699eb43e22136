#include "DemoFakes.h"
#include "app/uScriptRunner.h"

#include <QElapsedTimer>
#ifdef VD_HAVE_QTPDF
#include <QPainter>
#include <QPdfDocument>
#include <QPdfView>
#include <QPdfWriter>
#endif
#include <QFile>
#include <QLabel>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTimer>

namespace {

// Fixture scripts: each takes INPUT OUTPUT like the real ones.
const char *kCopy = "import shutil, sys\nshutil.copyfile(sys.argv[1], sys.argv[2])\nprint('copied')\n";
const char *kExit3 = "import sys\nsys.stdout.write('partial ')\nsys.stderr.write('trouble')\nsys.exit(3)\n";
const char *kNothing = "import sys\nsys.exit(0)\n";
const char *kLong = "import sys\nsys.stdout.buffer.write(('ä€𝄞x' * 500).encode('utf-8'))\n"; // 5,000 bytes
const char *kHang = "import time\ntime.sleep(60)\n";
const char *kArgs = "import sys\nopen(sys.argv[2], 'w').write('x')\nprint(sys.argv[2])\n";

bool havePython()
{
    return !QStandardPaths::findExecutable(QStringLiteral("python3")).isEmpty();
}

} // namespace

class ScriptRunner : public DemoWindowTest {
protected:
    void SetUp() override
    {
        if (!havePython())
            GTEST_SKIP() << "python3 is not installed";
        DemoWindowTest::SetUp();
    }

    QString script(const char *name, const char *body)
    {
        const QString path = dir.file(QString::fromUtf8(name));
        EXPECT_TRUE(vdtest::writeFile(path, body));
        return path;
    }

    // Writes config.ini's Scripts section before the window opens.
    void configure(const QString &first, const QString &second, int limit = 120)
    {
        const QString text = QStringLiteral("[Scripts]\nFirstScript=%1\nSecondScript=%2\nReportPDF=%3\nTimeLimit=%4\n")
                                 .arg(first, second, dir.file(QStringLiteral("out/Report.pdf")))
                                 .arg(limit);
        ASSERT_TRUE(vdtest::writeFile(configPath(), text.toUtf8()));
    }

    // Selects a report whose PDF exists beside it.
    void selectReportWithPdf(TfrmZPL &w)
    {
        ASSERT_TRUE(vdtest::writeFile(dir.file(QStringLiteral("label.pdf")), "%PDF-1.4\n%fixture\n"));
        ui.QueueText(dir.file(QStringLiteral("label.vd3")));
        ui.QueueAnswer(IDNO); // keep the fixture PDF
        w.Controller()->SelectRClick();
        ui.ClearPrompts();
    }
};

TEST_F(ScriptRunner, ShowsCommandExitCodeAndOutput)
{
    const QString s = script("exit3.py", kExit3);
    const QString out = dir.file(QStringLiteral("o.pdf"));
    const TScriptRunResult r = RunExternalScript(QStringLiteral("python3"), s, QStringLiteral("in put.pdf"), out);
    EXPECT_EQ(r.ExitCode, 3);
    EXPECT_FALSE(r.Succeeded());
    const QStringList m = messages();
    ASSERT_EQ(m.size(), 3);
    EXPECT_EQ(m[0], QStringLiteral("Command: \"python3\" \"%1\" \"in put.pdf\" \"%2\"").arg(s, out));
    EXPECT_EQ(m[1], QStringLiteral("Python Script Exit Code: 3"));
    EXPECT_EQ(m[2], QStringLiteral("Python Script Output: partial trouble"));
}

TEST_F(ScriptRunner, LongMultiByteOutputArrivesWhole)
{
    const QString s = script("long.py", kLong);
    const TScriptRunResult r = RunExternalScript(QStringLiteral("python3"), s, QStringLiteral("a"), dir.file("b"));
    EXPECT_EQ(r.Output.toUtf8().size(), 5000);
    EXPECT_EQ(r.Output, QString::fromUtf8("ä€𝄞x").repeated(500));
    EXPECT_EQ(messages().last(), QStringLiteral("Python Script Output: ") + r.Output);
}

TEST_F(ScriptRunner, MissingInterpreterOrScriptIsAClearError)
{
    const QString s = script("copy.py", kCopy);
    try {
        RunExternalScript(QStringLiteral("no-such-python-here"), s, "a", dir.file("b"));
        FAIL();
    } catch (const EScriptRunError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Python interpreter not found: no-such-python-here"));
    }
    try {
        RunExternalScript(QStringLiteral("python3"), dir.file("missing.py"), "a", dir.file("b"));
        FAIL();
    } catch (const EScriptRunError &e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Script file not found: "))) << e.message().toStdString();
    }
}

TEST_F(ScriptRunner, TimeLimitEndsAHungScript)
{
    const QString s = script("hang.py", kHang);
    QElapsedTimer t;
    t.start();
    const TScriptRunResult r = RunExternalScript(QStringLiteral("python3"), s, "a", dir.file("b"), 500);
    EXPECT_TRUE(r.TimedOut);
    EXPECT_FALSE(r.Succeeded());
    EXPECT_LT(t.elapsed(), 30000);
    EXPECT_TRUE(messages()[1].contains(QStringLiteral("was stopped"))) << messages()[1].toStdString();
}

TEST_F(ScriptRunner, ExportWithoutAReportSaysSoWithoutADialog)
{
    TfrmZPL &w = open();
    w.Controller()->Button1Click();
    EXPECT_EQ(messages(), QStringList{"No PDF is selected to process. Please select a PDF first."});
    EXPECT_EQ(ui.Prompts().size(), 1);
}

TEST_F(ScriptRunner, ExportRunsTheFirstScriptOnAPdfName)
{
    configure(script("args.py", kArgs), script("copy.py", kCopy));
    TfrmZPL &w = open();
    selectReportWithPdf(w);
    ui.QueueText(dir.file(QStringLiteral("result.txt")));
    w.Controller()->Button1Click();
    EXPECT_EQ(prompts(QStringLiteral("SaveFileName")), QStringList{dir.file("ProcessedOutput.pdf") + "|PDF File (*.pdf)"});
    EXPECT_EQ(w.Controller()->ModifiedPDFPath(), dir.file(QStringLiteral("result.pdf")));
    EXPECT_TRUE(QFile::exists(dir.file(QStringLiteral("result.pdf"))));
    EXPECT_EQ(messages().last(), QStringLiteral("PDF created successfully."));
}

TEST_F(ScriptRunner, AStaleOutputIsNoSuccess)
{
    configure(script("nothing.py", kNothing), script("copy.py", kCopy));
    TfrmZPL &w = open();
    selectReportWithPdf(w);
    const QString out = dir.file(QStringLiteral("result.pdf"));
    ASSERT_TRUE(vdtest::writeFile(out, "%PDF old"));
    ui.QueueText(out);
    w.Controller()->Button1Click();
    const QStringList m = messages();
    ASSERT_EQ(m.size(), 4);
    EXPECT_EQ(m[1], QStringLiteral("Python Script Exit Code: 0"));
    EXPECT_EQ(m[2], QStringLiteral("Python Script Output: "));
    EXPECT_EQ(m[3], QStringLiteral("Failed to create PDF."));
    EXPECT_FALSE(QFile::exists(out));
}

TEST_F(ScriptRunner, SelectPdfProcessesTheChosenFile)
{
    configure(script("nothing.py", kNothing), script("copy.py", kCopy));
    TfrmZPL &w = open();
    const QString in = dir.file(QStringLiteral("in.pdf"));
    ASSERT_TRUE(vdtest::writeFile(in, "%PDF-1.4\n"));
    ui.QueueText(in);
    ui.QueueText(dir.file(QStringLiteral("processed")));
    w.Controller()->Button2Click();
    EXPECT_TRUE(w.LPDFName->isVisibleTo(&w));
    EXPECT_EQ(w.LPDFName->text(), QStringLiteral("in.pdf"));
    EXPECT_EQ(vdtest::readFile(dir.file(QStringLiteral("processed.pdf"))), QByteArray("%PDF-1.4\n"));
    EXPECT_EQ(messages().last(), QStringLiteral("PDF processed successfully."));
    EXPECT_TRUE(w.Controller()->PDFExportPath().isEmpty());
    // A cancelled open dialog hides the name again.
    ui.QueueText(QString());
    w.Controller()->Button2Click();
    EXPECT_FALSE(w.LPDFName->isVisibleTo(&w));
}

TEST_F(ScriptRunner, ExportPrintShowsAndOpensTheProcessedPdf)
{
    configure(script("nothing.py", kNothing), script("copy.py", kCopy));
    reports.writeOwnPdf = [](const QString &p) { vdtest::writeFile(p, "%PDF-1.4\n%own\n"); };
    TfrmZPL &w = open();
    w.Controller()->Button3Click();
    const QString out = dir.file(QStringLiteral("out/Report_processed.pdf"));
    EXPECT_EQ(reports.calls, QStringList{"own " + dir.file("out/Report.pdf")});
    EXPECT_EQ(vdtest::readFile(out), QByteArray("%PDF-1.4\n%own\n"));
    EXPECT_EQ(w.ShownPdf(), out);
    EXPECT_EQ(shell.urls, QList<QUrl>{QUrl::fromLocalFile(out)});
    EXPECT_EQ(w.PageControl1->currentIndex(), 0);
}

#ifdef VD_HAVE_QTPDF
TEST_F(ScriptRunner, TheProcessedPdfShowsInTheViewerOfItsTab)
{
    configure(script("nothing.py", kNothing), script("copy.py", kCopy));
    // A real two-page PDF stands in for the report's.
    reports.writeOwnPdf = [](const QString &p) {
        QPdfWriter writer(p);
        QPainter painter(&writer);
        painter.drawText(100, 100, QStringLiteral("page one"));
        writer.newPage();
        painter.drawText(100, 100, QStringLiteral("page two"));
    };
    TfrmZPL &w = open();
    w.show();
    w.Controller()->Button3Click();
    EXPECT_EQ(w.PageControl1->currentIndex(), 0);
    w.PageControl1->setCurrentIndex(2);
    auto *view = w.PageControl1->widget(2)->findChild<QPdfView *>();
    ASSERT_NE(view, nullptr);
    ASSERT_NE(view->document(), nullptr);
    EXPECT_EQ(view->document()->status(), QPdfDocument::Status::Ready);
    EXPECT_EQ(view->document()->pageCount(), 2);
    // The window goes with the document loaded.
    window.reset();
}
#endif

TEST_F(ScriptRunner, ExportPrintWithoutOutputSaysSo)
{
    configure(script("nothing.py", kNothing), script("nothing2.py", kNothing));
    reports.writeOwnPdf = [](const QString &p) { vdtest::writeFile(p, "%PDF-1.4\n"); };
    TfrmZPL &w = open();
    w.Controller()->Button3Click();
    EXPECT_EQ(messages().last(),
              QStringLiteral("PDF file does not exist: ") + dir.file(QStringLiteral("out/Report_processed.pdf")));
    EXPECT_TRUE(shell.urls.isEmpty());
}

TEST_F(ScriptRunner, TheWindowKeepsProcessingEventsWhileAScriptRuns)
{
    const QString s = script("slow.py", "import time\ntime.sleep(1)\n");
    int ticks = 0;
    QTimer timer;
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start();
    const TScriptRunResult r = RunExternalScript(QStringLiteral("python3"), s, "a", dir.file("b"));
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_GT(ticks, 0);
}

TEST_F(ScriptRunner, MissingInterpreterOrScriptIsNamedByTheWindow)
{
    struct Case {
        const char *interpreter;
        bool scriptThere;
        const char *message; // start of the error box text
    };
    const Case cases[] = {{"no-such-python-here", true, "Python interpreter not found: no-such-python-here"},
                          {"python3", false, "Script file not found: "}};
    for (const Case &c : cases) {
        const QString second = c.scriptThere ? script("copy.py", kCopy) : dir.file(QStringLiteral("gone.py"));
        const QString text = QStringLiteral("[Scripts]\nInterpreter=%1\nSecondScript=%2\nReportPDF=%3\n")
                                 .arg(QString::fromUtf8(c.interpreter), second, dir.file(QStringLiteral("Report.pdf")));
        ASSERT_TRUE(vdtest::writeFile(configPath(), text.toUtf8()));
        reports.writeOwnPdf = [](const QString &p) { vdtest::writeFile(p, "%PDF-1.4\n"); };
        TfrmZPL &w = open();
        ui.ClearPrompts();
        w.Controller()->Button3Click();
        const QStringList m = messages();
        ASSERT_EQ(m.size(), 2) << m.join('\n').toStdString(); // the command line, then the error
        EXPECT_TRUE(m[1].startsWith(QString::fromUtf8(c.message))) << m[1].toStdString();
        EXPECT_TRUE(shell.urls.isEmpty());
        // The window works on.
        w.PageControl1->setCurrentIndex(1);
        w.Controller()->PrintClick();
        EXPECT_EQ(sink.jobs.size(), 1);
        sink.jobs.clear();
        window.reset();
    }
}
