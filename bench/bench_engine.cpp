// Preparing a report through the engine: a grouped master band over 10,000,
// 50,000 and 100,000 SQLite rows, one label-sized page per row (the band and
// its four text objects filled from the row), with the engine's file cache
// off and on. Beside it the floor: a bare QSqlQuery walk writing one
// QXmlStreamWriter element per row. Counters: pages per second, peak resident
// memory of the run and its growth over the memory before it.
#include "BenchSupport.h"
#include "engine/vdxPreviewPages.h"
#include "report/vdxClass.h"
#include "report/vdxClass_memo.h"
#include "report/vdxClass_options.h"
#include "report/vdxClass_report.h"
#include "report/vdxDBSet.h"

#include <QBuffer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QXmlStreamWriter>
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <map>

namespace {

QTemporaryDir &tempDir()
{
    static QTemporaryDir dir;
    return dir;
}

// A table "labels" of n rows, ten rows to a group; made once per size.
QString dbFile(int rows)
{
    static std::map<int, QString> files;
    if (auto it = files.find(rows); it != files.end())
        return it->second;
    const QString file = tempDir().filePath(QStringLiteral("labels%1.db").arg(rows));
    const QString conn = QStringLiteral("bench_engine_writer");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), conn);
        db.setDatabaseName(file);
        db.open();
        QSqlQuery q(db);
        q.exec(QStringLiteral("CREATE TABLE labels (Id INTEGER, Grp INTEGER, Name VARCHAR(40), City VARCHAR(40), "
                              "Qty INTEGER)"));
        db.transaction();
        q.prepare(QStringLiteral("INSERT INTO labels VALUES (?, ?, ?, ?, ?)"));
        for (int i = 0; i < rows; ++i) {
            q.bindValue(0, i);
            q.bindValue(1, i / 10);
            q.bindValue(2, QStringLiteral("Customer %1").arg(i));
            q.bindValue(3, QStringLiteral("City %1").arg(i % 97));
            q.bindValue(4, i % 13);
            q.exec();
        }
        db.commit();
        db.close();
    }
    QSqlDatabase::removeDatabase(conn);
    files[rows] = file;
    return file;
}

using vdbench::procStatusMiB;

// Starts the peak of resident memory again from the current value, after
// handing memory that earlier runs freed back to the system.
void resetPeak()
{
    malloc_trim(0);
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

// A 100 x 50 mm label page: a group header on Grp, and a master band as tall
// as the label holding four text objects filled from the row.
struct LabelReport {
    explicit LabelReport(int rows, bool fileCache)
    {
        vdxRegisterReportClasses();
        query.SetDatabaseFile(dbFile(rows));
        query.SetSQL(QStringLiteral("SELECT * FROM labels ORDER BY rowid"));
        dataSet.SetUserName(QStringLiteral("labels"));
        dataSet.SetDataSet(&query);
        report.DataSets()->Add(&dataSet);
        report.EngineOptions()->SetNewSilentMode(TvdxEngineOptions::simSilent);
        report.EngineOptions()->SetUseFileCache(fileCache);
        report.EngineOptions()->SetMaxMemSize(10);
        report.EngineOptions()->SetTempDir(tempDir().path());

        auto *page = new TvdxReportPage(&report);
        page->SetName(QStringLiteral("Page1"));
        page->SetPaperWidth(100);
        page->SetPaperHeight(50);
        page->SetLeftMargin(0);
        page->SetRightMargin(0);
        page->SetTopMargin(0);
        page->SetBottomMargin(0);
        auto *group = new TvdxGroupHeader(page);
        group->SetName(QStringLiteral("GroupHeader1"));
        group->SetBounds(0, 0, 370, 0);
        group->SetCondition(QStringLiteral("labels.\"Grp\""));
        auto *band = new TvdxMasterData(page);
        band->SetName(QStringLiteral("MasterData1"));
        band->SetBounds(0, 20, 370, 180);
        band->SetDataSet(&dataSet);
        const char *fields[] = {"Id", "Name", "City", "Qty"};
        for (int i = 0; i < 4; ++i) {
            auto *m = new TvdxMemoView(band);
            m->SetName(QStringLiteral("Memo%1").arg(i + 1));
            m->SetBounds(8, 4 + i * 40, 350, 36);
            m->SetText(QStringLiteral("[labels.\"%1\"]").arg(QLatin1String(fields[i])));
        }
    }
    TvdxSqlDataSet query;
    TvdxDBDataset dataSet{nullptr};
    TvdxReport report;
};

void BM_PrepareGroupedLabels(benchmark::State &state)
{
    const int rows = int(state.range(0));
    const bool fileCache = state.range(1) != 0;
    dbFile(rows);
    int pages = 0;
    double peak = 0, growth = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto labels = std::make_unique<LabelReport>(rows, fileCache);
        resetPeak();
        const double before = procStatusMiB("VmRSS:");
        state.ResumeTiming();
        const bool prepared = labels->report.PrepareReport(true);
        state.PauseTiming();
        if (!prepared) {
            state.SkipWithError(labels->report.ErrorMessage().toUtf8().constData());
            break;
        }
        pages = labels->report.PreviewPages()->Count();
        peak = procStatusMiB("VmHWM:");
        growth = peak - before;
        labels.reset();
        state.ResumeTiming();
    }
    if (pages != rows && !state.error_occurred())
        state.SkipWithError(QStringLiteral("one page per row expected, got %1").arg(pages).toUtf8().constData());
    state.counters["pages/s"] =
        benchmark::Counter(double(pages) * double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["peak_MiB"] = peak;
    state.counters["growth_MiB"] = growth;
}
BENCHMARK(BM_PrepareGroupedLabels)
    ->Args({10000, 0})
    ->Args({50000, 0})
    ->Args({100000, 0})
    ->Args({10000, 1})
    ->Args({50000, 1})
    ->Args({100000, 1})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The floor: the same rows walked by a bare query, one element per row.
void BM_QSqlQueryToXmlStream(benchmark::State &state)
{
    const int rows = int(state.range(0));
    const QString file = dbFile(rows);
    const QString conn = QStringLiteral("bench_engine_reader");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), conn);
        db.setDatabaseName(file);
        db.open();
        for (auto _ : state) {
            QBuffer buf;
            buf.open(QIODevice::WriteOnly);
            QXmlStreamWriter w(&buf);
            w.writeStartDocument();
            w.writeStartElement(QStringLiteral("labels"));
            QSqlQuery q(db);
            q.setForwardOnly(true);
            q.exec(QStringLiteral("SELECT * FROM labels ORDER BY rowid"));
            while (q.next()) {
                w.writeStartElement(QStringLiteral("row"));
                w.writeAttribute(QStringLiteral("Id"), q.value(0).toString());
                w.writeAttribute(QStringLiteral("Name"), q.value(2).toString());
                w.writeAttribute(QStringLiteral("City"), q.value(3).toString());
                w.writeAttribute(QStringLiteral("Qty"), q.value(4).toString());
                w.writeEndElement();
            }
            w.writeEndDocument();
            benchmark::DoNotOptimize(buf.size());
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(conn);
    state.counters["pages/s"] = benchmark::Counter(double(rows) * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_QSqlQueryToXmlStream)->Arg(10000)->Arg(50000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
