// Start-up cost of the English string tables and the image lists, and the
// cost of one lookup (done from close to two hundred places).
#include "core/vdImageList.h"
#include "core/vdResources.h"
#include "core/vdxRes.h"

#include <benchmark/benchmark.h>

static void BM_LoadEnglishDocuments(benchmark::State &state)
{
    static const char *const docs[] = {"qmxrcDesgnEnglish", "qmxrcExportsEnglish", "qmxrcStringsEnglish",
                                       "vdxrcClassEnglish", "vdxrcDesgnEnglish", "vdxrcExportsEnglish",
                                       "vdxrcInspEnglish"};
    for (auto _ : state) {
        TvdStringResources res;
        for (const char *d : docs)
            res.AddFormResource(QString::fromLatin1(d));
        benchmark::DoNotOptimize(res.Count());
    }
}
BENCHMARK(BM_LoadEnglishDocuments)->Unit(benchmark::kMicrosecond);

static void BM_GetResStr(benchmark::State &state)
{
    TvdStringResources *res = GetResources();
    const QString hit = QStringLiteral("clErrors");
    const QString miss = QStringLiteral("!noSuchKey");
    for (auto _ : state) {
        benchmark::DoNotOptimize(res->Get(hit));
        benchmark::DoNotOptimize(res->Get(miss));
    }
}
BENCHMARK(BM_GetResStr);

static void BM_BuildMainButtons(benchmark::State &state)
{
    const int ppi = static_cast<int>(state.range(0));
    for (auto _ : state) {
        TvdxImageResources res;
        res.SetImagesPPI(ppi);
        benchmark::DoNotOptimize(res.MainButtonImages()->Count());
    }
}
BENCHMARK(BM_BuildMainButtons)->Arg(96)->Arg(144)->Unit(benchmark::kMillisecond);
