// Labels per second through the ZPL filter, in vector and in bitmap mode:
// each label a text, a Code 128 and a QR code. The prepared runs export a
// report of 10,000 labels that the engine prepared over a SQLite table,
// through the export loop (pages built back from the store); the filter runs
// feed it hand-made pages. Output goes to a sink that keeps nothing; the peak
// memory an export adds is reported, so a growth with the label count shows.
// Beside them, Debian's zint command line making the same two symbols per
// label, in the same run, for the ratio.
#include "BenchSupport.h"
#include "barcode/vdxBarcode2DView.h"
#include "barcode/vdxBarcodeView.h"
#include "export/zpl/vdxExportZPL.h"
#include "report/vdFont.h"
#include "report/vdxClass.h"
#include "report/vdxClass_memo.h"
#include "report/vdxClass_options.h"
#include "report/vdxClass_report.h"
#include "report/vdxDBSet.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
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
BENCHMARK(BM_ZplBitmap)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);

// ---- a prepared report ---------------------------------------------------------

using vdbench::procStatusMiB;

// Starts a new peak: afterwards VmHWM is the peak from here on.
void resetPeakMemory()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

const char kTemplate[] = R"(<?xml version="1.0" encoding="utf-8" standalone="no"?>
<TvdxReport Version="2023.2" ScriptLanguage="VevuvaRirivo">
  <Datasets>
    <item DataSetName="labels"/>
  </Datasets>
  <TvdxReportPage Name="Page1" PaperWidth="101.6" PaperHeight="50.8" PaperSize="256" LeftMargin="0" RightMargin="0" TopMargin="0" BottomMargin="0">
    <TvdxMasterData Name="MasterData1" Height="180" Left="0" Top="0" Width="384" DataSetName="labels" RowCount="0" StartNewPage="True">
      <TvdxMemoView Name="Caption" Left="10" Top="10" Width="200" Height="20" ParentFont="False" Font.Height="-14" Font.Name="Arial" Frame.Typ="0" Text="Parcel [labels.&#34;Id&#34;]"/>
      <TvdxBarcodeView Name="Code128" Left="10" Top="40" Width="200" Height="50" AutoSize="False" BarType="bcCode128" DataSetName="labels" DataField="Id" ShowText="True" Text="0" Zoom="1"/>
      <TvdxBarcode2DView Name="QR" Left="240" Top="10" Width="110" Height="110" AutoSize="False" BarType="bcCodeQR" DataSetName="labels" DataField="Url" Text="x" Zoom="1"/>
    </TvdxMasterData>
  </TvdxReportPage>
</TvdxReport>
)";

// The report of kPreparedLabels labels, prepared once for all benchmarks.
constexpr int kPreparedLabels = 10000;

struct PreparedLabels {
    QTemporaryDir dir;
    std::unique_ptr<TvdxSqlDataSet> query;
    std::unique_ptr<TvdxDBDataset> dataSet;
    std::unique_ptr<TvdxReport> report;
    QString error;

    PreparedLabels()
    {
        const QString db = dir.filePath(QStringLiteral("labels.db"));
        {
            QSqlDatabase c = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench-zpl"));
            c.setDatabaseName(db);
            c.open();
            QSqlQuery q(c);
            q.exec(QStringLiteral("CREATE TABLE labels (Id TEXT, Url TEXT)"));
            q.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                                  "INSERT INTO labels SELECT printf('SHIP-%06d', i), "
                                  "printf('https://example.org/p/SHIP-%06d', i) FROM n")
                       .arg(kPreparedLabels));
            c.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("bench-zpl"));
        const QString file = dir.filePath(QStringLiteral("labels.vd3"));
        QFile t(file);
        t.open(QIODevice::WriteOnly);
        t.write(kTemplate);
        t.close();

        query = std::make_unique<TvdxSqlDataSet>();
        query->SetDatabaseFile(db);
        query->SetSQL(QStringLiteral("SELECT * FROM labels ORDER BY rowid"));
        dataSet = std::make_unique<TvdxDBDataset>();
        dataSet->SetUserName(QStringLiteral("labels"));
        dataSet->SetDataSet(query.get());
        report = std::make_unique<TvdxReport>();
        report->SetSilentMode(int(TvdxEngineOptions::simSilent));
        if (!report->LoadFromFile(file)) {
            error = QStringLiteral("cannot load the template: ") + report->ErrorMessage();
            return;
        }
        if (!report->DataSets()->Find(dataSet.get()))
            report->DataSets()->Add(dataSet.get());
        if (!report->PrepareReport(true))
            error = QStringLiteral("cannot prepare: ") + report->ErrorMessage();
        else if (report->PreviewPages()->Count() != kPreparedLabels)
            error = QStringLiteral("prepared %1 labels").arg(report->PreviewPages()->Count());
    }

    static PreparedLabels &Get()
    {
        static PreparedLabels labels;
        return labels;
    }
};

// The first labels of the prepared report through the export loop.
void exportPrepared(benchmark::State &state, bool bitmap)
{
    PreparedLabels &p = PreparedLabels::Get();
    if (!p.error.isEmpty()) {
        state.SkipWithError(p.error.toUtf8().constData());
        return;
    }
    const int labels = int(state.range(0));
    qint64 bytes = 0;
    double growth = 0;
    for (auto _ : state) {
        TvdxZPLExport f(nullptr, true);
        f.SetPrintAsBitmap(bitmap);
        f.SetPageNumbers(QStringLiteral("1-%1").arg(labels));
        NullSink sink;
        f.SetStream(&sink);
        const double before = procStatusMiB("VmRSS:");
        resetPeakMemory();
        if (!p.report->Export(&f)) {
            state.SkipWithError("the export failed");
            return;
        }
        growth = std::max(growth, procStatusMiB("VmHWM:") - before);
        bytes = sink.bytes;
    }
    state.counters["labels/s"] =
        benchmark::Counter(double(labels) * double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["bytes/label"] = double(bytes) / labels;
    state.counters["peak_growth_MiB"] = growth;
}

void BM_ZplPreparedVector(benchmark::State &state) { exportPrepared(state, false); }
BENCHMARK(BM_ZplPreparedVector)->Arg(1000)->Arg(kPreparedLabels)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_ZplPreparedBitmap(benchmark::State &state) { exportPrepared(state, true); }
BENCHMARK(BM_ZplPreparedBitmap)->Arg(1000)->Arg(kPreparedLabels)->Unit(benchmark::kMillisecond)->Iterations(1);

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
