// Loading and saving a report template of 10,000 components, beside reading
// the same file as a bare XML document.
#include "core/vdXML.h"
#include "report/vdxClass.h"

#include <QBuffer>
#include <benchmark/benchmark.h>

namespace {

class TvdxBenchMemoView : public TvdxView {
    Q_OBJECT
    Q_PROPERTY(QString Text READ Text WRITE SetText)
public:
    Q_INVOKABLE explicit TvdxBenchMemoView(TvdComponent *owner = nullptr) : TvdxView(owner) {}
    QString Text() const { return m_text; }
    void SetText(const QString &v) { m_text = v; }

private:
    QString m_text;
};

constexpr int kComponents = 10000;

// 20 pages of 10 bands; the rest are views spread over the bands.
const QByteArray &templateBytes()
{
    static const QByteArray bytes = [] {
        vdxRegisterReportClasses();
        vdRegisterClass<TvdxBenchMemoView>();
        vdRegisterClass<TvdxBand>();
        TvdxReport r;
        int made = 0;
        QList<TvdxBand *> bands;
        for (int p = 0; p < 20; ++p) {
            auto *page = new TvdxReportPage(&r);
            page->SetName(QStringLiteral("Page%1").arg(p + 1));
            ++made;
            for (int b = 0; b < 10; ++b) {
                auto *band = new TvdxBand(page);
                band->SetName(QStringLiteral("Band%1").arg(bands.size() + 1));
                band->SetBounds(0, 20 * b, 718.11, 18.9);
                bands.append(band);
                ++made;
            }
        }
        for (int i = 0; made < kComponents; ++i, ++made) {
            auto *v = new TvdxBenchMemoView(bands[i % bands.size()]);
            v->SetName(QStringLiteral("Memo%1").arg(i + 1));
            v->SetBounds(3.78 * (i % 50), 0, 94.49, 18.9);
            v->SetText(QStringLiteral("[Customers.\"Name\"] %1").arg(i));
            if (i % 7 == 0)
                v->Font()->SetStyle(TvdFont::fsBold);
        }
        QBuffer b;
        b.open(QIODevice::ReadWrite);
        r.SaveToStream(b, true, false, false);
        return b.data();
    }();
    return bytes;
}

void BM_TemplateLoad(benchmark::State &state)
{
    QByteArray bytes = templateBytes();
    for (auto _ : state) {
        TvdxReport r;
        r.SetSilentMode(1);
        QBuffer b(&bytes);
        b.open(QIODevice::ReadOnly);
        r.LoadFromStream(b);
        if (r.GetAllObjects().size() < kComponents)
            state.SkipWithError("template did not load");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
}
BENCHMARK(BM_TemplateLoad)->Unit(benchmark::kMillisecond);

void BM_TemplateSave(benchmark::State &state)
{
    QByteArray bytes = templateBytes();
    TvdxReport r;
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    r.LoadFromStream(in);
    for (auto _ : state) {
        QBuffer b;
        b.open(QIODevice::ReadWrite);
        r.SaveToStream(b, true, false, false);
        benchmark::DoNotOptimize(b.data().size());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
}
BENCHMARK(BM_TemplateSave)->Unit(benchmark::kMillisecond);

void BM_TemplateXmlOnlyLoad(benchmark::State &state)
{
    QByteArray bytes = templateBytes();
    for (auto _ : state) {
        TvdXMLDocument doc;
        QBuffer b(&bytes);
        b.open(QIODevice::ReadOnly);
        doc.LoadFromStream(b);
        benchmark::DoNotOptimize(doc.Root()->Count());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
}
BENCHMARK(BM_TemplateXmlOnlyLoad)->Unit(benchmark::kMillisecond);

} // namespace

#include "bench_report_template.moc"
