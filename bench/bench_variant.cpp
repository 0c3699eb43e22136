// Costs of the script value type on the interpreter's hot paths.
#include "core/vdVariant.h"

#include <benchmark/benchmark.h>

#include <vector>

static void BM_IntegerSum(benchmark::State &state)
{
    for (auto _ : state) {
        Variant sum(0);
        for (int i = 0; i < 1000; ++i)
            sum = sum + Variant(i);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_IntegerSum);

static void BM_DoubleMul(benchmark::State &state)
{
    for (auto _ : state) {
        Variant x(1.0);
        for (int i = 0; i < 1000; ++i)
            x = x * Variant(1.0000001);
        benchmark::DoNotOptimize(x);
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_DoubleMul);

static void BM_MixedIntDouble(benchmark::State &state)
{
    for (auto _ : state) {
        Variant x(0.5);
        for (int i = 0; i < 1000; ++i)
            x = Variant(i) + x;
        benchmark::DoNotOptimize(x);
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_MixedIntDouble);

static void BM_CompareIntegers(benchmark::State &state)
{
    const Variant limit(500);
    for (auto _ : state) {
        int n = 0;
        for (int i = 0; i < 1000; ++i)
            n += Variant(i) < limit;
        benchmark::DoNotOptimize(n);
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_CompareIntegers);

static void BM_CompareStrings(benchmark::State &state)
{
    const Variant a(QStringLiteral("customer_name_0001")), b(QStringLiteral("customer_name_0002"));
    for (auto _ : state) {
        int n = 0;
        for (int i = 0; i < 1000; ++i)
            n += a < b;
        benchmark::DoNotOptimize(n);
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_CompareStrings);

static void BM_CopyString(benchmark::State &state)
{
    const Variant s(QStringLiteral("a text value of moderate length"));
    for (auto _ : state) {
        for (int i = 0; i < 1000; ++i) {
            Variant c(s);
            benchmark::DoNotOptimize(c);
        }
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_CopyString);

static void BM_Concat(benchmark::State &state)
{
    for (auto _ : state) {
        Variant s(QString{});
        for (int i = 0; i < 100; ++i)
            s = s + Variant(QStringLiteral("ab"));
        benchmark::DoNotOptimize(s);
    }
    state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_Concat);

static void BM_FloatToStr(benchmark::State &state)
{
    const Variant v(1234.5678);
    for (auto _ : state) {
        QString s = v.toString();
        benchmark::DoNotOptimize(s);
    }
}
BENCHMARK(BM_FloatToStr);

static void BM_ArrayElementSet(benchmark::State &state)
{
    Variant arr = VarArrayCreate({0, 999}, varVariant);
    for (auto _ : state) {
        for (int i = 0; i < 1000; ++i)
            arr.arraySet(i, Variant(i));
        benchmark::DoNotOptimize(arr);
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_ArrayElementSet);
