// SVG text loaded, prepared and painted into a fixed-size image, beside
// QtSvg (QSvgRenderer onto a QImage) and librsvg (onto a cairo image
// surface) doing the same with the same bytes. Counters x_qtsvg and
// x_librsvg are our time over theirs in the same run.
#include "platform/QPainterCanvas.h"
#include "svg/vdSVGGraphic.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <chrono>
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

constexpr int kWidth = 400;
constexpr int kHeight = 300;

std::vector<QByteArray> fixtures()
{
    std::vector<QByteArray> docs;
    const QDir dir(QStringLiteral(VD_SOURCE_DIR "/tests/data/svg/render"));
    for (const QString &f : dir.entryList({QStringLiteral("*.svg")}, QDir::Files, QDir::Name)) {
        QFile file(dir.filePath(f));
        if (file.open(QIODevice::ReadOnly))
            docs.push_back(file.readAll());
    }
    return docs;
}

// A large drawing: shapes, paths, gradients, a pattern, clips and reuse.
QByteArray drawing(int shapes)
{
    QByteArray out = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"800\" height=\"600\" viewBox=\"0 0 1600 1200\">\n"
                     "<defs><linearGradient id=\"g\"><stop offset=\"0\" stop-color=\"#c03030\"/>"
                     "<stop offset=\"1\" stop-color=\"#3060c0\"/></linearGradient>"
                     "<radialGradient id=\"r\"><stop offset=\"0\" stop-color=\"white\"/>"
                     "<stop offset=\"1\" stop-color=\"#30a050\"/></radialGradient>"
                     "<pattern id=\"p\" patternUnits=\"userSpaceOnUse\" width=\"16\" height=\"16\">"
                     "<circle cx=\"8\" cy=\"8\" r=\"5\" fill=\"#e0c020\"/></pattern>"
                     "<clipPath id=\"c\"><circle cx=\"800\" cy=\"600\" r=\"560\"/></clipPath>"
                     "<g id=\"star\"><path d=\"M0,-20 L6,-6 L20,-6 L9,3 L13,18 L0,9 L-13,18 L-9,3 L-20,-6 L-6,-6 Z\"/></g>"
                     "</defs>\n<g clip-path=\"url(#c)\">\n";
    const char *fills[] = {"url(#g)", "url(#r)", "#3060c0", "url(#p)", "#c03030", "none"};
    for (int i = 0; i < shapes; ++i) {
        const QByteArray x = QByteArray::number((i * 37) % 1500), y = QByteArray::number((i * 53) % 1100);
        const QByteArray fill = fills[i % 6];
        switch (i % 4) {
        case 0:
            out += "<rect x=\"" + x + "\" y=\"" + y + "\" width=\"40\" height=\"30\" rx=\"5\" fill=\"" + fill
                   + "\" stroke=\"black\"/>\n";
            break;
        case 1:
            out += "<circle cx=\"" + x + "\" cy=\"" + y + "\" r=\"18\" fill=\"" + fill
                   + "\" stroke=\"#202080\" stroke-width=\"3\" stroke-dasharray=\"6 3\"/>\n";
            break;
        case 2:
            out += "<path transform=\"translate(" + x + "," + y + ") rotate(" + QByteArray::number(i % 90)
                   + ")\" d=\"M0 0 C 20 -30 40 30 60 0 S 100 -20 120 0 A 20 10 0 0 1 80 20 Q 40 40 0 0 Z\" fill=\""
                   + fill + "\" fill-opacity=\"0.7\" stroke=\"#802080\"/>\n";
            break;
        default:
            out += "<use href=\"#star\" x=\"" + x + "\" y=\"" + y + "\" fill=\"" + fill + "\"/>\n";
            break;
        }
    }
    out += "</g>\n</svg>\n";
    return out;
}

void paintOurs(const QByteArray &doc, QImage &target)
{
    TvdxSVGGraphic g;
    g.LoadFromText(QString::fromUtf8(doc));
    QPainterCanvas canvas(target);
    g.Draw(canvas, TRect(0, 0, kWidth, kHeight));
}

void paintQt(const QByteArray &doc, QImage &target)
{
#ifdef VD_HAVE_QTSVG
    QSvgRenderer r(doc);
    QPainter p(&target);
    r.render(&p, QRectF(0, 0, kWidth, kHeight));
#else
    (void)doc;
    (void)target;
#endif
}

void paintRsvg(const QByteArray &doc)
{
#ifdef VD_HAVE_RSVG
    GError *err = nullptr;
    RsvgHandle *h = rsvg_handle_new_from_data(reinterpret_cast<const guint8 *>(doc.constData()), gsize(doc.size()), &err);
    if (err)
        g_error_free(err);
    if (!h)
        return;
    cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
    cairo_t *cr = cairo_create(surface);
    const RsvgRectangle viewport{0, 0, double(kWidth), double(kHeight)};
    GError *renderErr = nullptr;
    rsvg_handle_render_document(h, cr, &viewport, &renderErr);
    if (renderErr)
        g_error_free(renderErr);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    g_object_unref(h);
#else
    (void)doc;
#endif
}

// Seconds per call, over a fixed stretch of time.
double timeOf(const std::function<void()> &f)
{
    using clock = std::chrono::steady_clock;
    int runs = 0;
    const auto start = clock::now();
    do {
        f();
        ++runs;
    } while (clock::now() - start < std::chrono::milliseconds(500));
    return std::chrono::duration<double>(clock::now() - start).count() / runs;
}

void run(benchmark::State &state, const std::vector<QByteArray> &docs)
{
    QImage target(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    auto ours = [&] {
        for (const QByteArray &d : docs) {
            target.fill(0);
            paintOurs(d, target);
        }
    };
    for (auto _ : state)
        ours();
    const double mine = timeOf(ours);
#ifdef VD_HAVE_QTSVG
    state.counters["x_qtsvg"] = mine / timeOf([&] {
        for (const QByteArray &d : docs) {
            target.fill(0);
            paintQt(d, target);
        }
    });
#endif
#ifdef VD_HAVE_RSVG
    state.counters["x_librsvg"] = mine / timeOf([&] {
        for (const QByteArray &d : docs)
            paintRsvg(d);
    });
#endif
    (void)mine;
}

void BM_SvgPaintFixtures(benchmark::State &state) { run(state, fixtures()); }
BENCHMARK(BM_SvgPaintFixtures)->Unit(benchmark::kMillisecond);

void BM_SvgPaintDrawing(benchmark::State &state) { run(state, {drawing(int(state.range(0)))}); }
BENCHMARK(BM_SvgPaintDrawing)->Arg(2000)->Unit(benchmark::kMillisecond);

} // namespace
