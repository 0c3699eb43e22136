// A template over a real SQLite file, prepared by the engine into the store
// and traced through the export loop, against a golden trace and sqlite3.
#include "engine/vdxPreviewPages.h"
#include "engine/vdxTraceExport.h"
#include "report/vdxClass.h"
#include "report/vdxDBSet.h"
#include "report/vdxServiceDoubles.h"

#include <QBuffer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

template <class Report>
bool prepare(Report &report)
{
    if constexpr (requires { report.PrepareReport(true); })
        return report.PrepareReport(true);
    else
        return report.Engine()->Run(false, true);
}

QString sqlite3(const QString &db, const QString &input)
{
    QProcess p;
    p.start(QStringLiteral("sqlite3"), {db});
    p.write(input.toUtf8());
    p.closeWriteChannel();
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

} // namespace

TEST(EndToEnd, OrdersTraceMatchesTheGoldenAndTheItemCount)
{
    if (QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty())
        GTEST_SKIP() << "sqlite3 tool not installed";
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("shop.db"));
    QFile sql(QStringLiteral(VD_TEST_DATA_DIR "/engine/shop.sql"));
    ASSERT_TRUE(sql.open(QIODevice::ReadOnly));
    sqlite3(db, QString::fromUtf8(sql.readAll()));
    const int items = sqlite3(db, QStringLiteral("SELECT count(*) FROM items;")).toInt();
    ASSERT_EQ(items, 20);

    std::vector<std::unique_ptr<TvdxSqlDataSet>> queries;
    std::vector<std::unique_ptr<TvdxDBDataset>> sets;
    for (const char *table : {"customers", "orders", "items"}) {
        auto q = std::make_unique<TvdxSqlDataSet>();
        q->SetDatabaseFile(db);
        q->SetSQL(QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(QLatin1String(table)));
        auto ds = std::make_unique<TvdxDBDataset>();
        ds->SetUserName(QLatin1String(table));
        ds->SetDataSet(q.get());
        queries.push_back(std::move(q));
        sets.push_back(std::move(ds));
    }
    TvdxReport report;
    report.SetSilentMode(int(TvdxEngineOptions::simSilent));
    ASSERT_TRUE(report.LoadFromFile(QStringLiteral(VD_TEST_DATA_DIR "/engine/orders.vd3")));
    if (qobject_cast<TvdxStubEngine *>(report.Engine()))
        GTEST_SKIP() << "no engine linked";
    for (auto &ds : sets)
        if (!report.DataSets()->Find(ds.get()))
            report.DataSets()->Add(ds.get());
    ASSERT_TRUE(prepare(report)) << report.ErrorMessage().toStdString();

    QBuffer out;
    out.open(QIODevice::WriteOnly);
    TvdxTraceExport filter;
    filter.SetStream(&out);
    ASSERT_TRUE(report.PreviewPages()->Export(&filter));
    EXPECT_EQ(filter.Lines().filter(QRegularExpression(QStringLiteral("^ExportObject TvdxDetailData "))).size(),
              items);
    QFile golden(QStringLiteral(VD_TEST_DATA_DIR "/engine/orders.trace"));
    ASSERT_TRUE(golden.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(out.data()), QString::fromUtf8(golden.readAll()));
}
