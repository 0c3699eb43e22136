// Formatting throughput: every memo with a display format goes through these.
#include "core/vdFormat.h"
#include "script/ov_isysrtti.h"

#include <benchmark/benchmark.h>

namespace {

void BM_Format(benchmark::State &state)
{
    const QString fmt = QStringLiteral("%d-%s: %8.2f");
    const QList<Variant> args = {Variant(42), Variant(QStringLiteral("item")), Variant(1234.5678)};
    for (auto _ : state)
        benchmark::DoNotOptimize(Format(fmt, args));
}
BENCHMARK(BM_Format);

void BM_FormatFloat(benchmark::State &state)
{
    const QString fmt = QStringLiteral("#,##0.00;(#,##0.00);\"-\"");
    double v = -1234567.891;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FormatFloat(fmt, v));
        v += 0.37;
    }
}
BENCHMARK(BM_FormatFloat);

void BM_FormatDateTime(benchmark::State &state)
{
    const QString fmt = QStringLiteral("dddd, dd.mm.yyyy hh:nn:ss");
    double v = 45356.5;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FormatDateTime(fmt, v));
        v += 0.001;
    }
}
BENCHMARK(BM_FormatDateTime);

// A script program gets the system functions registered (AddRTTI).
void BM_RegisterSysFunctions(benchmark::State &state)
{
    ovRTTIModuleClasses();
    for (auto _ : state) {
        TovScript s;
        s.AddRTTI();
        benchmark::DoNotOptimize(s.Count());
    }
}
BENCHMARK(BM_RegisterSysFunctions);

} // namespace
