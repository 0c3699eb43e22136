// Prepared-report files: a generated 10,000-page .vp3 (one band of four text
// objects per page) opened whole and with partial loading, beside
// QXmlStreamReader reading the same file (the ratio); then random pages built
// through the page cache (time per page) and the resident memory after 1,000
// such fetches.
#include "BenchSupport.h"
#include "report/vdxClass_options.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <benchmark/benchmark.h>

namespace {

constexpr int kPages = 10000;

// The file, written once per run.
const QString &preparedFile()
{
    static QTemporaryDir dir;
    static const QString file = [] {
        const QString name = dir.filePath(QStringLiteral("long.vp3"));
        TvdxReport report;
        auto &store = vdbench::fillLongReport(report, kPages);
        store.Finish();
        store.SaveToFile(name);
        return name;
    }();
    return file;
}

void BM_OpenPrepared(benchmark::State &state)
{
    const bool partial = state.range(0) != 0;
    const QString &file = preparedFile();
    for (auto _ : state) {
        TvdxReport report;
        auto &store = *dynamic_cast<TvdxPreviewPages *>(report.PreviewPages());
        store.LoadFromFile(file, true, partial);
        benchmark::DoNotOptimize(store.Count());
    }
    state.SetLabel(partial ? "partial" : "whole");
    state.SetBytesProcessed(state.iterations() * QFileInfo(file).size());
}
BENCHMARK(BM_OpenPrepared)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The peer: every element of the same file through Qt's stream reader.
void BM_OpenPrepared_QXmlStreamReader(benchmark::State &state)
{
    const QString &file = preparedFile();
    for (auto _ : state) {
        QFile f(file);
        f.open(QIODevice::ReadOnly);
        QXmlStreamReader r(&f);
        qint64 elements = 0;
        while (!r.atEnd())
            if (r.readNext() == QXmlStreamReader::StartElement) {
                ++elements;
                benchmark::DoNotOptimize(r.attributes().size());
            }
        if (r.hasError())
            state.SkipWithError("QXmlStreamReader failed");
        benchmark::DoNotOptimize(elements);
    }
    state.SetBytesProcessed(state.iterations() * QFileInfo(file).size());
}
BENCHMARK(BM_OpenPrepared_QXmlStreamReader)->Unit(benchmark::kMillisecond)->UseRealTime();

// Random pages through the cache of a partly loaded file: one page a round.
void BM_RandomGetPage(benchmark::State &state)
{
    TvdxReport report;
    auto &store = *dynamic_cast<TvdxPreviewPages *>(report.PreviewPages());
    store.LoadFromFile(preparedFile(), true, true);
    QRandomGenerator random(42);
    for (auto _ : state)
        benchmark::DoNotOptimize(store.GetPage(int(random.bounded(kPages))));
}
BENCHMARK(BM_RandomGetPage)->Unit(benchmark::kMillisecond)->UseRealTime();

// Resident memory after 1,000 random fetches, with the engine's file cache
// off and on (evicted pages go back to the swap file).
void BM_ResidentAfter1000Fetches(benchmark::State &state)
{
    QTemporaryDir tmp;
    double before = 0, after = 0, ms = 0;
    for (auto _ : state) {
        TvdxReport report;
        report.EngineOptions()->SetUseFileCache(state.range(0) != 0);
        report.EngineOptions()->SetTempDir(tmp.path());
        auto &store = *dynamic_cast<TvdxPreviewPages *>(report.PreviewPages());
        store.LoadFromFile(preparedFile(), true, true);
        before = vdbench::procStatusMiB("VmRSS:");
        QRandomGenerator random(7);
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < 1000; ++i)
            benchmark::DoNotOptimize(store.GetPage(int(random.bounded(kPages))));
        ms = double(timer.nsecsElapsed()) / 1e6;
        after = vdbench::procStatusMiB("VmRSS:");
    }
    state.counters["rss_MiB"] = after;
    state.counters["growth_MiB"] = after - before;
    state.counters["ms_per_page"] = ms / 1000.0;
    state.SetLabel(state.range(0) ? "file cache" : "in memory");
}
BENCHMARK(BM_ResidentAfter1000Fetches)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
