// Building programs from the intermediate script, and scripts driving host
// objects through published properties and callback methods.
#include "core/vdPersistent.h"
#include "script/ov_iclasses.h"

#include <QBuffer>
#include <benchmark/benchmark.h>

class TBenchPanel : public TvdComponent {
    Q_OBJECT
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
public:
    int Width() const { return m_width; }
    void SetWidth(int v) { m_width = v; }

private:
    int m_width = 0;
};

namespace {

void addTypes(TovScript &s)
{
    s.AddType(QStringLiteral("Integer"), fvtInt);
    s.AddType(QStringLiteral("String"), fvtString);
    s.AddType(QStringLiteral("Variant"), fvtVariant);
}

// 200 procedures with locals, loops, conditions and calls.
QStringList bigProgram()
{
    QStringList lines{QStringLiteral("var total: Integer;")};
    for (int i = 0; i < 200; ++i) {
        lines << QStringLiteral("function F%1(a: Integer; b: Integer = 2): Integer;").arg(i)
              << QStringLiteral("var i, t: Integer; s: String;")
              << QStringLiteral("begin t := 0; s := 'x';")
              << QStringLiteral("  for i := a to b do begin if i mod 2 = 0 then t := t + i * 3 else t := t - 1; end;")
              << QStringLiteral("  case t of 1, 3..5: t := 0; else t := t + Length(s); end;")
              << QStringLiteral("  Result := t%1; end;").arg(i > 0 ? QStringLiteral(" + F%1(1)").arg(i - 1) : QString());
    }
    lines << QStringLiteral("begin total := F199(1, 4); end.");
    return lines;
}

void addLength(TovScript &s)
{
    s.AddMethod(QStringLiteral("function Length(s: String): Integer"),
                TovCallMethodEvent([](QObject *, const QMetaObject *, const QString &, Variant &p) {
                    return Variant(int(p.arrayGet(0).toString().size()));
                }));
}

void BM_CompileProgram(benchmark::State &state)
{
    const QStringList lines = bigProgram();
    for (auto _ : state) {
        TovScript s;
        addTypes(s);
        addLength(s);
        s.SetLines(lines);
        if (!s.Compile())
            state.SkipWithError(qPrintable(s.ErrorMsg));
    }
}
BENCHMARK(BM_CompileProgram)->Unit(benchmark::kMillisecond);

// The reader alone: programs loaded from a stored intermediate script.
void BM_ReadStoredIL(benchmark::State &state)
{
    TovScript src;
    addTypes(src);
    addLength(src);
    src.SetLines(bigProgram());
    QBuffer il;
    il.open(QIODevice::WriteOnly);
    src.GetILCode(il);
    const QByteArray bytes = il.data();
    for (auto _ : state) {
        TovScript s;
        addTypes(s);
        addLength(s);
        QBuffer in;
        in.setData(bytes);
        in.open(QIODevice::ReadOnly);
        if (!s.SetILCode(in))
            state.SkipWithError(qPrintable(s.ErrorMsg));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
}
BENCHMARK(BM_ReadStoredIL)->Unit(benchmark::kMillisecond);

// One million reads and writes of a published property, and calls of a host method.
void BM_HostMembers1M(benchmark::State &state)
{
    TBenchPanel panel;
    TovScript s;
    addTypes(s);
    TovClassVariable *cls = s.AddClass(&TBenchPanel::staticMetaObject, QString());
    cls->AddMethod(QStringLiteral("function Twice(a: Integer): Integer"),
                   TovCallMethodEvent([](QObject *, const QMetaObject *, const QString &, Variant &p) {
                       return Variant(p.arrayGet(0).toInt() * 2);
                   }));
    s.AddObject(QStringLiteral("Panel"), &panel);
    s.SetLines({QStringLiteral("var i, t: Integer;"),
                QStringLiteral("begin for i := 1 to 1000000 do begin Panel.Width := Panel.Width + 1; t := Panel.Twice(i); end; end.")});
    if (!s.Compile()) {
        state.SkipWithError(qPrintable(s.ErrorMsg));
        return;
    }
    for (auto _ : state)
        s.Execute();
    benchmark::DoNotOptimize(panel.Width());
}
BENCHMARK(BM_HostMembers1M)->Unit(benchmark::kMillisecond);

} // namespace

#include "bench_host_classes.moc"
