// The engine inside a real report: the report makes the engine and the store
// through its factories, its script receives the events of the run, text
// objects are filled from data, and a raising script ends the preparation
// with an error line instead of a crash or a half-built run.
#include "common/TestSupport.h"
#include "engine/vdxEngine.h"
#include "engine/vdxPreviewPages.h"
#include "engine/vdxTraceExport.h"
#include "core/vdxVariables.h"
#include "report/vdxClass.h"
#include "report/vdxClass_memo.h"
#include "report/vdxClass_options.h"
#include "report/vdxClass_report.h"
#include "report/vdxDBSet.h"

#include <QBuffer>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <memory>

namespace {

class EngineScriptTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty())
            GTEST_SKIP() << "sqlite3 tool not installed";
        vdxRegisterReportClasses();
        const QString db = dir.file(QStringLiteral("m.db"));
        QProcess p;
        p.start(QStringLiteral("sqlite3"), {db, QStringLiteral("create table m(id integer, name text);"
                                                               "insert into m values (1, 'one'), (2, 'two'), "
                                                               "(3, 'three');")});
        ASSERT_TRUE(p.waitForFinished(10000) && p.exitCode() == 0);
        query.SetDatabaseFile(db);
        query.SetSQL(QStringLiteral("select * from m"));
        dataSet.SetName(QStringLiteral("MDS"));
        dataSet.SetUserName(QStringLiteral("M"));
        dataSet.SetDataSet(&query);
        report = std::make_unique<TvdxReport>();
        report->EngineOptions()->SetNewSilentMode(TvdxEngineOptions::simSilent);
        report->EngineOptions()->SetDestroyForms(false);
        report->DataSets()->Add(&dataSet);
        page = new TvdxReportPage(report.get());
        page->SetName(QStringLiteral("Page1"));
        row = new TvdxMasterData(page);
        row->SetName(QStringLiteral("Row"));
        row->SetBounds(0, 40, 300, 20);
        row->SetDataSet(&dataSet);
        auto *memo = new TvdxMemoView(row);
        memo->SetName(QStringLiteral("Name"));
        memo->SetBounds(0, 0, 200, 20);
        memo->SetText(QStringLiteral("[M.\"id\"]: [M.\"name\"]"));
    }
    void setScript(const QString &text) { report->SetScriptText(text.split(QLatin1Char('\n'))); }
    Variant variable(const char *name) const { return report->Variables()->GetVariable(QLatin1String(name)); }
    QStringList memoLines()
    {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        TvdxTraceExport filter;
        filter.SetStream(&out);
        EXPECT_TRUE(report->PreviewPages()->Export(&filter));
        QStringList texts;
        for (const QString &l : filter.Lines())
            if (l.startsWith(QLatin1String("ExportObject TvdxMemoView")))
                texts << l.section(QLatin1Char(' '), 7);
        return texts;
    }

    vdtest::TempDir dir;
    TvdxSqlDataSet query;
    TvdxDBDataset dataSet{nullptr};
    std::unique_ptr<TvdxReport> report;
    TvdxReportPage *page = nullptr;
    TvdxMasterData *row = nullptr;
};

} // namespace

TEST_F(EngineScriptTest, ReportMakesTheEngineAndTheStore)
{
    EXPECT_NE(dynamic_cast<TvdxEngine *>(report->Engine()), nullptr);
    EXPECT_NE(dynamic_cast<TvdxPreviewPages *>(report->PreviewPages()), nullptr);
    EXPECT_EQ(report->PreviewPages()->Engine(), report->Engine());
}

TEST_F(EngineScriptTest, ScriptEventsOfTheRunAndDataInTextObjects)
{
    report->SetOnStartReport(QStringLiteral("Started"));
    report->SetOnStopReport(QStringLiteral("Stopped"));
    page->SetOnBeforePrint(QStringLiteral("PageBefore"));
    row->SetOnBeforePrint(QStringLiteral("RowBefore"));
    row->SetOnAfterPrint(QStringLiteral("RowAfter"));
    setScript(QStringLiteral("procedure Started(Sender: Variant); begin Set('Started', 1) end;\n"
                             "procedure PageBefore(Sender: Variant); begin Set('Page', 1) end;\n"
                             "procedure RowBefore(Sender: Variant); begin Set('LastRow', <M.\"id\">) end;\n"
                             "procedure RowAfter(Sender: Variant); begin Set('Free', Engine.FreeSpace) end;\n"
                             "procedure Stopped(Sender: Variant); begin Set('Stopped', 1) end;\n"
                             "begin end."));
    ASSERT_TRUE(report->PrepareReport(true)) << report->ErrorMessage().toStdString();
    EXPECT_EQ(variable("Started").toInt(), 1);
    EXPECT_EQ(variable("Page").toInt(), 1);
    EXPECT_EQ(variable("LastRow").toInt(), 3);
    // The last row ends 60 pixels down the printable height.
    EXPECT_NEAR(variable("Free").toDouble(), double(report->Engine()->PageHeight() - 60), 1e-6);
    EXPECT_EQ(variable("Stopped").toInt(), 1);
    EXPECT_EQ(memoLines(), (QStringList{"1: one", "2: two", "3: three"}));
}

TEST_F(EngineScriptTest, RaisingScriptsEndWithAnErrorLine)
{
    struct Case {
        const char *what;
        std::function<void()> wire;
    };
    const Case cases[] = {
        {"start of the report", [&] { report->SetOnStartReport(QStringLiteral("Boom")); }},
        {"band before print", [&] { row->SetOnBeforePrint(QStringLiteral("Boom")); }},
        {"page before print", [&] { page->SetOnBeforePrint(QStringLiteral("Boom")); }},
    };
    for (const Case &c : cases) {
        report->SetOnStartReport(QString());
        row->SetOnBeforePrint(QString());
        page->SetOnBeforePrint(QString());
        c.wire();
        setScript(QStringLiteral("procedure Boom(Sender: Variant); begin RaiseException('boom') end;\nbegin end."));
        EXPECT_FALSE(report->PrepareReport(true)) << c.what;
        EXPECT_TRUE(report->ErrorMessage().contains(QLatin1String("boom"))) << c.what << ": "
                                                                             << report->ErrorMessage().toStdString();
        EXPECT_FALSE(report->Engine()->Running) << c.what;
        EXPECT_LE(report->PreviewPages()->Count(), 1) << c.what;
    }
    // The same report prepares again once its script is mended.
    setScript(QStringLiteral("procedure Boom(Sender: Variant); begin end;\nbegin end."));
    ASSERT_TRUE(report->PrepareReport(true)) << report->ErrorMessage().toStdString();
    EXPECT_EQ(memoLines().size(), 3);
}
