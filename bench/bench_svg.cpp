// SVG text into the resolved element tree (load, cascade, every accepted
// attribute read, opacities and matrices), beside QtSvg's and librsvg's
// loading of the same bytes. Counters x_qtsvg and x_librsvg are our time
// over theirs in the same run.
#include "svg/vdSVGRoot.h"

#include <QDir>
#include <QFile>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstring>
#include <functional>
#ifdef VD_HAVE_QTSVG
#include <QSvgRenderer>
#endif
#ifdef VD_HAVE_RSVG
#pragma push_macro("signals")
#undef signals
#include <librsvg/rsvg.h>
#pragma pop_macro("signals")
#endif

namespace {

QByteArray fixtures()
{
    QByteArray all;
    const QDir dir(QStringLiteral(VD_SOURCE_DIR "/tests/data/svg"));
    for (const QString &f : dir.entryList({QStringLiteral("*.svg")}, QDir::Files, QDir::Name)) {
        QFile file(dir.filePath(f));
        if (file.open(QIODevice::ReadOnly))
            all += file.readAll() + '\0';
    }
    return all;
}

// Thousands of styled paths in nested groups under a style sheet.
QByteArray drawing(int paths)
{
    QByteArray out = "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"800\" height=\"600\" "
                     "viewBox=\"0 0 1600 1200\">\n<style>\n";
    for (int i = 0; i < 20; ++i)
        out += ".c" + QByteArray::number(i) + " { fill: rgb(" + QByteArray::number(i * 12) + ",80,160); stroke: #"
               + QByteArray::number(0x100000 + i * 4099, 16) + "; stroke-width: " + QByteArray::number(1 + i % 4)
               + "px; opacity: 0.9 }\n";
    out += "path { stroke-linejoin: round } #p7 { fill: navy }\n</style>\n";
    for (int i = 0; i < paths; ++i) {
        if (i % 50 == 0)
            out += (i ? "</g>\n" : "") + QByteArray("<g transform=\"translate(") + QByteArray::number(i % 400) + ","
                   + QByteArray::number(i / 10) + ") rotate(" + QByteArray::number(i % 90)
                   + ")\" font-size=\"12\" fill-opacity=\"0.8\">\n";
        out += "  <path id=\"p" + QByteArray::number(i) + "\" class=\"c" + QByteArray::number(i % 20)
               + " x\" style=\"stroke-dasharray: 5,3; fill-rule: evenodd\" transform=\"scale(1.5) skewX(10)\" "
                 "stroke-miterlimit=\"3\" d=\"M"
               + QByteArray::number(i % 37) + " " + QByteArray::number(i % 41)
               + " L 10 20 C 30 40 50 60 70 80 Q 5 5 9 9 Z\"/>\n";
    }
    out += "</g>\n</svg>\n";
    return out;
}

// Everything a painter would ask: each accepted attribute, opacities, matrices.
int resolveAll(TSVGRootObj &root)
{
    root.CalculateMatrices();
    int n = 0;
    std::vector<TSVGElementObj *> work{&root};
    while (!work.empty()) {
        TSVGElementObj *e = work.back();
        work.pop_back();
        for (int a = 0; a < SVGAttributeCount; ++a)
            if (e->GetIsAttrEnabled(TSVGAttribute(a)))
                n += e->GetAttrObj(TSVGAttribute(a))->IsDefault();
        benchmark::DoNotOptimize(e->CalcFillOpacity());
        if (e->GetIsAttrEnabled(at_fill))
            benchmark::DoNotOptimize(e->atPaint(at_fill));
        if (e->GetIsAttrEnabled(at_stroke_width))
            benchmark::DoNotOptimize(e->atLengthInherit(at_stroke_width));
        for (int i = 0; i < e->Count(); ++i)
            work.push_back(e->GetItem(i));
    }
    return n;
}

void loadOurs(const QByteArray &doc)
{
    TSVGRootObj root;
    root.LoadFromText(QString::fromUtf8(doc));
    benchmark::DoNotOptimize(resolveAll(root));
}

// Seconds per call of a peer's load over the same documents.
double timePeer(const std::function<void()> &load)
{
    using clock = std::chrono::steady_clock;
    int runs = 0;
    const auto start = clock::now();
    do {
        load();
        ++runs;
    } while (clock::now() - start < std::chrono::milliseconds(300));
    return std::chrono::duration<double>(clock::now() - start).count() / runs;
}

std::vector<QByteArray> split(const QByteArray &all)
{
    std::vector<QByteArray> docs;
    for (const QByteArray &d : all.split('\0'))
        if (!d.isEmpty())
            docs.push_back(d);
    return docs;
}

void qtLoad(const std::vector<QByteArray> &docs)
{
#ifdef VD_HAVE_QTSVG
    for (const QByteArray &d : docs) {
        QSvgRenderer r;
        benchmark::DoNotOptimize(r.load(d));
    }
#else
    (void)docs;
#endif
}

void rsvgLoad(const std::vector<QByteArray> &docs)
{
#ifdef VD_HAVE_RSVG
    for (const QByteArray &d : docs) {
        GError *err = nullptr;
        RsvgHandle *h = rsvg_handle_new_from_data(reinterpret_cast<const guint8 *>(d.constData()), gsize(d.size()), &err);
        if (h)
            g_object_unref(h);
        if (err)
            g_error_free(err);
    }
#else
    (void)docs;
#endif
}

void run(benchmark::State &state, const std::vector<QByteArray> &docs)
{
    qsizetype bytes = 0;
    for (const QByteArray &d : docs)
        bytes += d.size();
    for (auto _ : state)
        for (const QByteArray &d : docs)
            loadOurs(d);
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes);
    const double ours = timePeer([&] {
        for (const QByteArray &d : docs)
            loadOurs(d);
    });
#ifdef VD_HAVE_QTSVG
    state.counters["x_qtsvg"] = ours / timePeer([&] { qtLoad(docs); });
#endif
#ifdef VD_HAVE_RSVG
    state.counters["x_librsvg"] = ours / timePeer([&] { rsvgLoad(docs); });
#endif
}

void BM_SvgFixtures(benchmark::State &state) { run(state, split(fixtures())); }
BENCHMARK(BM_SvgFixtures)->Unit(benchmark::kMicrosecond);

void BM_SvgStyledPaths(benchmark::State &state) { run(state, {drawing(int(state.range(0)))}); }
BENCHMARK(BM_SvgStyledPaths)->Arg(5000)->MinTime(1.0)->Unit(benchmark::kMillisecond);

void BM_QtSvgStyledPaths(benchmark::State &state)
{
    const std::vector<QByteArray> docs{drawing(int(state.range(0)))};
    for (auto _ : state)
        qtLoad(docs);
}
BENCHMARK(BM_QtSvgStyledPaths)->Arg(5000)->Unit(benchmark::kMillisecond);

void BM_LibrsvgStyledPaths(benchmark::State &state)
{
    const std::vector<QByteArray> docs{drawing(int(state.range(0)))};
    for (auto _ : state)
        rsvgLoad(docs);
}
BENCHMARK(BM_LibrsvgStyledPaths)->Arg(5000)->Unit(benchmark::kMillisecond);

} // namespace
