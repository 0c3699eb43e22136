// A report prepared through the engine over real SQLite files: text objects
// see the page being built, the script reaches the engine's prepared pages,
// anchors and outline; bad database files and missing data sets end as one
// error message.
#include "PreparedReportTest.h"
#include "common/TestSupport.h"
#include "engine/vdxEngine.h"
#include "engine/vdxPreviewPages.h"
#include "engine/vdxTraceExport.h"
#include "report/vdxClass.h"
#include "report/vdxClass_dataset.h"
#include "report/vdxClass_memo.h"
#include "report/vdxClass_options.h"
#include "report/vdxDBSet.h"
#include "script/ov_iinterpreter.h"

#include <QBuffer>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

class ReportPrepareTest : public PreparedReportTest {
protected:
    QByteArray schema() const override { return "CREATE TABLE t (n INTEGER);\nINSERT INTO t VALUES (21),(22),(23);\n"; }
    // Page1 with a master band over T, one row a page.
    TvdxMasterData *masterOverT(TvdxDataSet *t)
    {
        if (!report->FindObject(QStringLiteral("Page1")))
            page = addPage();
        auto *master = band<TvdxMasterData>(QStringLiteral("MasterData1"), 20);
        master->SetBounds(0, 20, 500, 20);
        master->SetDataSet(t);
        master->SetStartNewPage(true);
        return master;
    }
};

TEST_F(ReportPrepareTest, PageNumbersAnchorsAndTheOutlineOfTheEnginesPages)
{
    TvdxMasterData *master = masterOverT(query(QStringLiteral("T"), db, QStringLiteral("select n from t")));
    auto *memo = new TvdxMemoView(master);
    memo->SetName(QStringLiteral("Where"));
    memo->SetParent(master);
    memo->SetBounds(0, 0, 300, 20);
    memo->SetText(QStringLiteral("[T.\"n\"] on [Page#] of [TotalPages#]"));
    report->EngineOptions()->SetDoublePass(true);
    report->SetScriptText({QStringLiteral("procedure Mark(Page: Integer; Text: String);"), QStringLiteral("begin"),
                           QStringLiteral("  PreviewPages.CurPage := Page; Engine.AddAnchor(Text);"),
                           QStringLiteral("  Outline.LevelRoot; Outline.AddItem(Text); Outline.LevelUp;"),
                           QStringLiteral("end;"), QStringLiteral("begin end.")});
    ASSERT_TRUE(report->PrepareReport(true)) << report->ErrorMessage().toStdString();
    ASSERT_EQ(report->PreviewPages()->Count(), 3);

    // What the memo showed on each prepared page, read back through the export loop.
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    TvdxTraceExport filter;
    filter.SetStream(&out);
    ASSERT_TRUE(report->PreviewPages()->Export(&filter));
    QStringList texts;
    for (const QString &l : filter.Lines())
        if (l.startsWith(QLatin1String("ExportObject TvdxMemoView")))
            texts << l.section(QLatin1Char(' '), 7);
    EXPECT_EQ(texts, (QStringList{QStringLiteral("21 on 1 of 3"), QStringLiteral("22 on 2 of 3"),
                                  QStringLiteral("23 on 3 of 3")}));

    // The script reaches the engine's own pages: anchors, the outline, the page count.
    const QString pagesName = QStringLiteral("PreviewPages");
    for (int page : {2, 1})
        report->Script()->CallFunction(QStringLiteral("Mark"),
                                       Variant::arrayOf({Variant(page), Variant(QStringLiteral("at%1").arg(page))}));
    // Each item added at the root, the level left again after it.
    EXPECT_EQ(report->PreviewPages()->Outline()->Count(), 2);
    EXPECT_EQ(report->Calc(QStringLiteral("Engine.GetAnchorPage('AT2')")).toInt(), 3);
    EXPECT_EQ(report->Calc(QStringLiteral("Engine.GetAnchorPage('at1')")).toInt(), 2);
    EXPECT_EQ(report->Calc(QStringLiteral("Engine.GetAnchorPage('nowhere')")).toInt(), 1);
    EXPECT_EQ(report->Calc(pagesName + QStringLiteral(".Count")).toInt(), 3);
    EXPECT_EQ(report->Calc(pagesName + QStringLiteral(".Page[2].Name")).toString().isEmpty(), false);
}

TEST_F(ReportPrepareTest, BadDatabaseFilesEndAsOneMessage)
{
    const QString notSqlite = dir.file(QStringLiteral("text.db"));
    ASSERT_TRUE(vdtest::writeFile(notSqlite, QByteArray("no database here, only words\n").repeated(50)));
    const QString missing = dir.file(QStringLiteral("gone/missing.db"));
    for (const QString &file : {missing, notSqlite}) {
        report = std::make_unique<TvdxReport>();
        report->EngineOptions()->SetNewSilentMode(TvdxEngineOptions::simReThrow);
        masterOverT(query(QStringLiteral("T"), file, QStringLiteral("select n from t")));
        try {
            report->PrepareReport(true);
            ADD_FAILURE() << "no error for " << file.toStdString();
        } catch (const Exception &e) {
            EXPECT_TRUE(e.message().startsWith(QStringLiteral("The following error(s) have occured:\r\n")))
                << e.message().toStdString();
            EXPECT_EQ(report->Errors().size(), 1) << report->Errors().join(QLatin1Char('\n')).toStdString();
        }
        EXPECT_FALSE(report->Engine()->Running);
        EXPECT_FALSE(report->Preparing());
    }
}

TEST_F(ReportPrepareTest, MissingDataSetNeverRunsTheEngine)
{
    masterOverT(nullptr);
    report->DataSets()->Add(QStringLiteral("X"));
    int started = 0;
    report->OnBeginDoc = [&](TvdxReport *) { ++started; };
    EXPECT_FALSE(report->PrepareReport(true));
    EXPECT_EQ(report->Errors(), QStringList{QStringLiteral("Dataset \"X\" does not exist")});
    EXPECT_EQ(started, 0);
    EXPECT_EQ(report->PreviewPages()->Count(), 0);
}

} // namespace
