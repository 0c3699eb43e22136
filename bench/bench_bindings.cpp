// Base-class bindings: building a script's vocabulary, sorted string lists and
// stream copies as scripts drive them.
#include "script/ov_iclassesrtti.h"
#include "script/ov_iinterpreter.h"

#include <benchmark/benchmark.h>

namespace {

// Every script program registers all binding modules once.
void BM_AddRTTIAllModules(benchmark::State &state)
{
    ovRTTIModuleClasses();
    for (auto _ : state) {
        TovScript s;
        s.AddRTTI();
        benchmark::DoNotOptimize(s.Count());
    }
}
BENCHMARK(BM_AddRTTIAllModules)->Unit(benchmark::kMicrosecond);

TovScript *compiled(const QString &text)
{
    auto *s = new TovScript;
    s->AddRTTI();
    s->SetSyntaxType(QStringLiteral("VevuvaRirivo"));
    s->SetLines(text.split(QLatin1Char('\n')));
    if (!s->Compile())
        qFatal("bench script does not compile: %s", qPrintable(s->ErrorMsg));
    return s;
}

// 2,000 lines added to a sorted list, then looked up with Find.
void BM_ScriptSortedStringList(benchmark::State &state)
{
    std::unique_ptr<TovScript> s(compiled(QStringLiteral(
        "var sl: TStringList; i, j, hits: Integer;\n"
        "begin\n"
        "  sl := TStringList.Create; sl.Sorted := True;\n"
        "  for i := 0 to 1999 do sl.Add(IntToStr((i * 7919) mod 2000));\n"
        "  hits := 0;\n"
        "  for i := 0 to 1999 do if sl.Find(IntToStr(i), j) then hits := hits + 1;\n"
        "  sl.Free;\n"
        "end.")));
    for (auto _ : state)
        s->Execute();
}
BENCHMARK(BM_ScriptSortedStringList)->Unit(benchmark::kMillisecond);

// CopyFrom between memory streams, 8 MiB.
void BM_StreamCopyFrom(benchmark::State &state)
{
    TovHostMemoryStream src;
    const QByteArray bytes(8 << 20, 'x');
    src.Device()->write(bytes);
    for (auto _ : state) {
        TovHostMemoryStream dst;
        src.SetPosition(0);
        benchmark::DoNotOptimize(dst.CopyFrom(&src, bytes.size()));
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_StreamCopyFrom)->Unit(benchmark::kMillisecond);

} // namespace

namespace {
// The modules of the list up to and including the argument's index.
void BM_AddRTTIFirstModules(benchmark::State &state)
{
    const auto &list = ovRTTIModuleClasses();
    const int n = std::min<int>(int(state.range(0)) + 1, int(list.size()));
    for (auto _ : state) {
        TovScript s;
        s.SetAddedBy(ovAddedByModules);
        for (int i = 0; i < n; ++i)
            s.Add(QString(), list.at(i)(&s));
        benchmark::DoNotOptimize(s.Count());
    }
}
BENCHMARK(BM_AddRTTIFirstModules)->DenseRange(0, 5)->Unit(benchmark::kMicrosecond);
} // namespace
