// Translation of long scripts into the intermediate script.
#include "script/ov_iilparser.h"

#include <benchmark/benchmark.h>

namespace {

// About `lines` lines of a Pascal-like program with procedures, loops,
// conditions and nested expressions.
QString pascalScript(int lines)
{
    QString s = QStringLiteral("var total, i, j: Integer; name: string;\n");
    int n = 1;
    int proc = 0;
    while (n < lines - 12) {
        s += QStringLiteral("procedure P%1(a: Integer; var b: string);\nvar k: Integer;\nbegin\n").arg(proc);
        n += 3;
        for (int k = 0; k < 10 && n < lines - 12; ++k, n += 4) {
            s += QStringLiteral("  k := (a + %1) * (a - 2) div 3 mod 7;\n"
                                "  if (k > 10) and not (b = 'x') then b := b + 'y' + IntToStr(k) else b := '';\n"
                                "  for j := 1 to k do total := total + j * $1F - Length(b);\n"
                                "  while k > 0 do begin k := k - 1; Inc(total) end;\n").arg(k);
        }
        s += QStringLiteral("end;\n");
        ++n;
        ++proc;
    }
    s += QStringLiteral("begin\n");
    for (int p = 0; p < proc; ++p)
        s += QStringLiteral("  P%1(%1, name);\n").arg(p);
    s += QStringLiteral("end.\n");
    return s;
}

QString basicScript(int lines)
{
    QString s;
    for (int n = 0; n < lines / 5; ++n) {
        s += QStringLiteral("x%1 = (a + %1) * (b - 2) \\ 3 Mod 7\n"
                            "If x%1 > 10 And Not (s = \"x\") Then s = s & \"y\" Else s = \"\"\n"
                            "For j = 1 To x%1 Step 2\n"
                            "  total = total + j * 0x1F\n"
                            "Next\n").arg(n);
    }
    return s;
}

void translate(benchmark::State &state, const char *lang, const QString &text)
{
    const int lineCount = int(text.count(QLatin1Char('\n')));
    for (auto _ : state) {
        TovILProgram prog;
        TovILParser p(&prog);
        p.SelectLanguage(QString::fromLatin1(lang));
        const bool ok = p.MakeILScript(text);
        if (!ok) {
            state.SkipWithError(qPrintable(prog.ErrorMsg + QStringLiteral(" at ") + prog.ErrorPos));
            break;
        }
        benchmark::DoNotOptimize(p.ILScript()->Root()->Count());
    }
    state.counters["lines"] = lineCount;
    state.counters["lines_per_s"] = benchmark::Counter(double(lineCount), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_TranslatePascal5000(benchmark::State &state)
{
    static const QString text = pascalScript(5000);
    translate(state, "VevuvaRirivo", text);
}
BENCHMARK(BM_TranslatePascal5000)->Unit(benchmark::kMillisecond);

void BM_TranslateBasic5000(benchmark::State &state)
{
    static const QString text = basicScript(5000);
    translate(state, "DadavOvurid", text);
}
BENCHMARK(BM_TranslateBasic5000)->Unit(benchmark::kMillisecond);

// Deeply bracketed expressions: the case where re-matching would explode.
void BM_TranslateNestedExpression(benchmark::State &state)
{
    QString e = QStringLiteral("1");
    for (int i = 0; i < 200; ++i)
        e = QStringLiteral("(%1 + a[%2])").arg(e).arg(i % 7);
    const QString text = QStringLiteral("begin x := ") + e + QStringLiteral(" end.\n");
    for (auto _ : state) {
        TovILProgram prog;
        TovILParser p(&prog);
        p.SelectLanguage(QStringLiteral("VevuvaRirivo"));
        if (!p.MakeILScript(text)) {
            state.SkipWithError(qPrintable(prog.ErrorMsg));
            break;
        }
    }
}
BENCHMARK(BM_TranslateNestedExpression)->Unit(benchmark::kMillisecond);

} // namespace
