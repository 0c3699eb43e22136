// A report data set reading every row of a 50,000-row SQLite table: opening
// (fetch and field map), and a pass over the rows reading three fields.
#include "report/vdxDBSet.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kRows = 50000;

const QString &dbFile()
{
    static QTemporaryDir dir;
    static const QString file = [] {
        const QString f = dir.filePath(QStringLiteral("bench.db"));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench_writer"));
            db.setDatabaseName(f);
            db.open();
            QSqlQuery q(db);
            q.exec(QStringLiteral("CREATE TABLE t (Id INTEGER, Name VARCHAR(40), Amount DECIMAL(10,2))"));
            db.transaction();
            q.prepare(QStringLiteral("INSERT INTO t VALUES (?, ?, ?)"));
            for (int i = 0; i < kRows; ++i) {
                q.bindValue(0, i);
                q.bindValue(1, QStringLiteral("Customer %1").arg(i));
                q.bindValue(2, i * 0.25);
                q.exec();
            }
            db.commit();
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("bench_writer"));
        return f;
    }();
    return file;
}

void BM_DBDataSetOpen(benchmark::State &state)
{
    const QString f = dbFile();
    for (auto _ : state) {
        TvdxSqlDataSet q;
        q.SetDatabaseFile(f);
        q.SetSQL(QStringLiteral("SELECT * FROM t"));
        TvdxDBDataset ds;
        ds.SetDataSet(&q);
        ds.Initialize();
        ds.First();
        benchmark::DoNotOptimize(ds.RecordCount());
        ds.Finalize();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_DBDataSetOpen)->Unit(benchmark::kMillisecond);

void BM_DBDataSetReadRows(benchmark::State &state)
{
    TvdxSqlDataSet q;
    q.SetDatabaseFile(dbFile());
    q.SetSQL(QStringLiteral("SELECT * FROM t"));
    TvdxDBDataset ds;
    ds.SetDataSet(&q);
    ds.SetFieldAliases({QStringLiteral("Id=No"), QStringLiteral("Name=Customer"), QStringLiteral("Amount=Sum")});
    ds.Initialize();
    for (auto _ : state) {
        double sum = 0;
        ds.First();
        while (!ds.Eof()) {
            sum += ds.GetValue(QStringLiteral("Sum")).toDouble();
            benchmark::DoNotOptimize(ds.GetValue(QStringLiteral("No")));
            benchmark::DoNotOptimize(ds.GetDisplayText(QStringLiteral("Customer")));
            ds.Next();
        }
        benchmark::DoNotOptimize(sum);
    }
    ds.Finalize();
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_DBDataSetReadRows)->Unit(benchmark::kMillisecond);

} // namespace
