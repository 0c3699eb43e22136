// Labels per second through the ZPL filter, in vector and in bitmap mode: each
// label a text, a Code 128 and a QR code on a 4 x 2 inch page, written to a
// sink that keeps nothing (memory stays flat in the label count). Beside them,
// Debian's zint command line making the same two symbols per label, in the
// same run, for the ratio.
#include "barcode/vdxBarcode2DView.h"
#include "barcode/vdxBarcodeView.h"
#include "export/zpl/vdxExportZPL.h"
#include "report/vdFont.h"
#include "report/vdxClass.h"
#include "report/vdxClass_memo.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <memory>
#include <vector>

namespace {

// Counts and forgets what it is given.
class NullSink : public QIODevice {
public:
    NullSink() { open(QIODevice::WriteOnly); }
    qint64 bytes = 0;
protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *, qint64 len) override
    {
        bytes += len;
        return len;
    }
};

struct Label {
    Label()
    {
        page.SetBounds(0, 0, 384, 192);
        text.SetBounds(10, 10, 200, 20);
        text.SetParentFont(false);
        text.Font()->SetHeight(-14);
        code128.SetAutoSize(false);
        code128.SetBarTypeValue(TvdxBarcode::bcCode128);
        code128.SetBounds(10, 40, 200, 50);
        qr.SetAutoSize(false);
        qr.SetBarType(vdx2D::bcCodeQR);
        qr.SetBounds(240, 10, 110, 110);
        qr.SetZoom(1);
    }
    void fill(int n)
    {
        const QString id = QStringLiteral("SHIP-%1").arg(n, 6, 10, QLatin1Char('0'));
        text.SetText(QStringLiteral("Parcel ") + id);
        code128.SetText(id);
        qr.SetText(QStringLiteral("https://example.org/p/") + id);
    }
    TvdxReportPage page;
    TvdxMemoView text;
    TvdxBarCodeView code128;
    TvdxBarcode2DView qr;
};

// fill: every label's texts are set anew (the QR code is encoded again each
// time); otherwise 100 prepared labels are exported in turn, as the store
// hands out prepared objects.
void exportLabels(benchmark::State &state, bool bitmap, bool fill)
{
    const int labels = int(state.range(0));
    std::vector<std::unique_ptr<Label>> prepared(fill ? 1 : 100);
    for (size_t i = 0; i < prepared.size(); ++i) {
        prepared[i] = std::make_unique<Label>();
        prepared[i]->fill(int(i));
    }
    qint64 bytes = 0;
    for (auto _ : state) {
        TvdxZPLExport f(nullptr, true);
        f.SetPrintAsBitmap(bitmap);
        NullSink sink;
        f.SetStream(&sink);
        f.DoStart();
        for (int i = 0; i < labels; ++i) {
            Label &l = *prepared[size_t(i) % prepared.size()];
            if (fill)
                l.fill(i);
            f.StartPage(&l.page, i);
            f.ExportObject(&l.text);
            f.ExportObject(&l.code128);
            f.ExportObject(&l.qr);
            f.FinishPage(&l.page, i);
        }
        f.DoFinish();
        bytes = sink.bytes;
    }
    state.counters["labels/s"] =
        benchmark::Counter(double(labels) * double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["bytes/label"] = double(bytes) / labels;
}

void BM_ZplVector(benchmark::State &state) { exportLabels(state, false, false); }
BENCHMARK(BM_ZplVector)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ZplVectorWithFill(benchmark::State &state) { exportLabels(state, false, true); }
BENCHMARK(BM_ZplVectorWithFill)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ZplBitmap(benchmark::State &state) { exportLabels(state, true, false); }
BENCHMARK(BM_ZplBitmap)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(1);

// The zint command line making the label's Code 128 and QR code (one process
// each, as a shell script would), to a PNG it writes and we drop.
void BM_ZintCommandLine(benchmark::State &state)
{
    const QString zint = QStandardPaths::findExecutable(QStringLiteral("zint"));
    if (zint.isEmpty()) {
        state.SkipWithError("zint is not installed");
        return;
    }
    const int labels = int(state.range(0));
    const QString out = QDir::tempPath() + QStringLiteral("/vd-bench-zint.png");
    for (auto _ : state) {
        for (int i = 0; i < labels; ++i) {
            const QString id = QStringLiteral("SHIP-%1").arg(i, 6, 10, QLatin1Char('0'));
            QProcess::execute(zint, {QStringLiteral("-b"), QStringLiteral("20"), QStringLiteral("-o"), out,
                                     QStringLiteral("-d"), id});
            QProcess::execute(zint, {QStringLiteral("-b"), QStringLiteral("58"), QStringLiteral("-o"), out,
                                     QStringLiteral("-d"), QStringLiteral("https://example.org/p/") + id});
        }
    }
    QFile::remove(out);
    state.counters["labels/s"] = benchmark::Counter(double(labels) * double(state.iterations()),
                                                    benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ZintCommandLine)->Arg(50)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

} // namespace
