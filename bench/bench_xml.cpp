// Loading and saving a 20 MB template-like document, beside Qt's stream
// reader going over the same file.
#include "core/vdXML.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <benchmark/benchmark.h>

namespace {

// Pages of bands of text objects with many attributes and escaped texts.
QByteArray makeTemplate(qsizetype targetSize)
{
    QByteArray out;
    out.reserve(targetSize + 65536);
    out += "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>\r\n";
    out += "<TvdxReport Version=\"6.2\" DotMatrixReport=\"False\" IniFile=\"\\Software\\Quennet\" "
           "PreviewOptions.Buttons=\"4095\" ReportOptions.CreateDate=\"45123.5\" "
           "ReportOptions.Name=\"Labels &#38; &#34;more&#34;\">\r\n";
    int page = 0, object = 0;
    while (out.size() < targetSize) {
        out += "  <TvdxReportPage Name=\"Page" + QByteArray::number(++page)
               + "\" PaperWidth=\"101.6\" PaperHeight=\"152.4\" PaperSize=\"256\" LeftMargin=\"2\" "
                 "RightMargin=\"2\" TopMargin=\"2\" BottomMargin=\"2\" Frame.Typ=\"0\">\r\n";
        for (int band = 0; band < 4 && out.size() < targetSize; ++band) {
            out += "    <TvdxMasterData Name=\"MasterData" + QByteArray::number(page * 10 + band)
                   + "\" FillType=\"ftBrush\" Frame.Typ=\"0\" Height=\"94.48825\" Left=\"0\" Top=\"18.89765\" "
                     "Width=\"376.063305\" DataSet=\"frxDBDataset1\" DataSetName=\"Query\" RowCount=\"0\">\r\n";
            for (int i = 0; i < 25; ++i) {
                ++object;
                out += "      <TvdxMemoView Name=\"Memo" + QByteArray::number(object)
                       + "\" AllowVectorExport=\"True\" Left=\"7.55906\" Top=\"" + QByteArray::number(i * 3.77953, 'f', 5)
                       + "\" Width=\"362.83488\" Height=\"18.89765\" DataField=\"ARTIKEL\" DataSet=\"frxDBDataset1\" "
                         "DataSetName=\"Query\" Font.Charset=\"1\" Font.Color=\"0\" Font.Height=\"-13\" "
                         "Font.Name=\"Arial\" Font.Style=\"1\" Frame.Typ=\"0\" HAlign=\"haCenter\" "
                         "ParentFont=\"False\" VAlign=\"vaCenter\" Text=\"[Query.&#34;ARTIKEL&#34;] &#38; "
                         "Gr&#252;&#223;e &#60;b&#62;" + QByteArray::number(object)
                       + "&#60;/b&#62;&#13;&#10;Zeile 2 — €\"/>\r\n";
            }
            out += "      <TvdxBarcode2DView Name=\"QR" + QByteArray::number(page * 10 + band)
                   + "\" Left=\"10\" Top=\"100\" Width=\"80\" Height=\"80\" BarType=\"bcCodeQR\" "
                     "Text=\"https://example.invalid/?a=1&#38;b=2\" Zoom=\"1\"/>\r\n";
            out += "    </TvdxMasterData>\r\n";
        }
        out += "  </TvdxReportPage>\r\n";
    }
    out += "</TvdxReport>\r\n";
    return out;
}

struct Fixture {
    QTemporaryDir dir;
    QString file;
    qint64 size = 0;
    Fixture()
    {
        file = dir.filePath(QStringLiteral("template.vd3"));
        QFile f(file);
        f.open(QIODevice::WriteOnly);
        const QByteArray bytes = makeTemplate(20 * 1024 * 1024);
        f.write(bytes);
        size = bytes.size();
    }
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

void BM_XmlLoad(benchmark::State &state)
{
    Fixture &fx = fixture();
    for (auto _ : state) {
        TvdXMLDocument doc;
        doc.LoadFromFile(fx.file);
        benchmark::DoNotOptimize(doc.Root()->Count());
    }
    state.SetBytesProcessed(state.iterations() * fx.size);
}
BENCHMARK(BM_XmlLoad)->Unit(benchmark::kMillisecond);

void BM_XmlSave(benchmark::State &state)
{
    Fixture &fx = fixture();
    TvdXMLDocument doc;
    doc.LoadFromFile(fx.file);
    doc.SetAutoIndent(true);
    const QString out = fx.dir.filePath(QStringLiteral("saved.vd3"));
    qint64 written = 0;
    for (auto _ : state) {
        QFile f(out);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        doc.SaveToStream(f);
        written = f.pos();
    }
    if (written != fx.size)
        state.SkipWithError("saved file differs in size");
    state.SetBytesProcessed(state.iterations() * written);
}
BENCHMARK(BM_XmlSave)->Unit(benchmark::kMillisecond);

// Qt's reader over the same file, touching every attribute value.
void BM_QXmlStreamReaderRead(benchmark::State &state)
{
    Fixture &fx = fixture();
    for (auto _ : state) {
        QFile f(fx.file);
        f.open(QIODevice::ReadOnly);
        QXmlStreamReader r(&f);
        qsizetype chars = 0;
        while (!r.atEnd()) {
            if (r.readNext() == QXmlStreamReader::StartElement) {
                chars += r.name().size();
                for (const QXmlStreamAttribute &a : r.attributes())
                    chars += a.value().size();
            }
        }
        if (r.hasError())
            state.SkipWithError("Qt reader failed");
        benchmark::DoNotOptimize(chars);
    }
    state.SetBytesProcessed(state.iterations() * fx.size);
}
BENCHMARK(BM_QXmlStreamReaderRead)->Unit(benchmark::kMillisecond);

} // namespace
