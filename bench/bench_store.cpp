// The prepared-pages store alone: one-label pages of five objects (a band with
// four text objects) written as the engine writes them, 10,000 to 100,000
// pages, with the engine's file cache off and on; beside a QXmlStreamWriter
// writing one element per object into memory (the ratio).
#include "BenchSupport.h"
#include "report/vdxClass_options.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamWriter>
#include <benchmark/benchmark.h>

namespace {

using vdbench::procStatusMiB;

void BM_StoreWritePages(benchmark::State &state)
{
    const int pages = int(state.range(0));
    const bool fileCache = state.range(1) != 0;
    QTemporaryDir tmp;
    double rssAfter = 0;
    for (auto _ : state) {
        TvdxReport report;
        report.EngineOptions()->SetUseFileCache(fileCache);
        report.EngineOptions()->SetMaxMemSize(10);
        report.EngineOptions()->SetTempDir(tmp.path());
        auto &store = vdbench::fillLongReport(report, pages);
        rssAfter = procStatusMiB("VmRSS:");
        benchmark::DoNotOptimize(store.Count());
    }
    state.counters["pages/s"] = benchmark::Counter(double(pages) * double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["rss_MiB"] = rssAfter;
    state.counters["peak_MiB"] = procStatusMiB("VmHWM:");
}
BENCHMARK(BM_StoreWritePages)
    ->Args({10000, 0})
    ->Args({50000, 0})
    ->Args({100000, 0})
    ->Args({100000, 1})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The same elements written by Qt's stream writer: a floor for the store.
void BM_QXmlStreamWriterPages(benchmark::State &state)
{
    const int pages = int(state.range(0));
    for (auto _ : state) {
        QBuffer buf;
        buf.open(QIODevice::WriteOnly);
        QXmlStreamWriter w(&buf);
        w.writeStartDocument();
        w.writeStartElement(QStringLiteral("previewpages"));
        for (int p = 0; p < pages; ++p) {
            w.writeStartElement(QStringLiteral("page0"));
            w.writeStartElement(QStringLiteral("b1"));
            for (int i = 0; i < 4; ++i) {
                w.writeStartElement(QStringLiteral("m%1").arg(i + 1));
                w.writeAttribute(QStringLiteral("Text"), QStringLiteral("Row %1 field %2").arg(p).arg(i));
                w.writeEndElement();
            }
            w.writeEndElement();
            w.writeEndElement();
        }
        w.writeEndDocument();
        benchmark::DoNotOptimize(buf.size());
    }
    state.counters["pages/s"] = benchmark::Counter(double(pages) * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_QXmlStreamWriterPages)->Arg(10000)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
