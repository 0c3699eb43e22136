// QR Code encoding of typical label payloads beside libzint at the same
// level, the engine's whole text assignment (cover included) and a
// version-40 symbol.
#include "barcode/vdxBarcodeAztec.h"
#include "barcode/vdxBarcodeDataMatrix.h"
#include "barcode/vdxBarcodePDF417.h"
#include "barcode/vdxBarcodeQR.h"

#include <benchmark/benchmark.h>

#ifdef VD_HAVE_ZINT
#include <zint.h>
#endif

namespace {

const QStringList &payloads()
{
    static const QStringList p = {
        QStringLiteral("https://example.com/track?id=4711-0815-2024&c=DE"),
        QStringLiteral("0104012345678901172512311012345A21987654321"),
        QStringLiteral("ACME Logistics GmbH\nHauptstrasse 12\n10115 Berlin\nGermany\nRef 2024-000123"),
        QStringLiteral("WIFI:T:WPA;S:warehouse-5;P:correct horse battery staple;;"),
        QStringLiteral("https://shop.example.org/products/label-printer-thermal-4inch?ref=qr&utm_source=box"
                       "&utm_medium=label&utm_campaign=winter-2024&batch=000000123456789"),
        QStringLiteral("BEGIN:VCARD\nVERSION:3.0\nN:Doe;Jane\nORG:Example Corp\nTEL:+49-30-1234567\n"
                       "EMAIL:jane.doe@example.com\nADR:;;Main St 1;Springfield;;12345;USA\nEND:VCARD"),
    };
    return p;
}

void BM_QREncode(benchmark::State &state)
{
    const TQRErrorLevels level = TQRErrorLevels(state.range(0));
    const TErrorCorrectionLevel ec = TErrorCorrectionLevel::From(level);
    const QStringList &texts = payloads();
    size_t i = 0;
    for (auto _ : state) {
        TEncoder e;
        TQRCode code;
        e.Encode(texts[qsizetype(i++ % size_t(texts.size()))], qrAuto, ec, code);
        benchmark::DoNotOptimize(code.MaskPattern);
    }
}
BENCHMARK(BM_QREncode)->Arg(ecL)->Arg(ecM);

#ifdef VD_HAVE_ZINT
// libzint encoding the same payloads (matrix only, nothing drawn).
void zintSymbology(benchmark::State &state, int symbology, int option1 = 0)
{
    std::vector<QByteArray> texts;
    for (const QString &t : payloads())
        texts.push_back(t.toLatin1());
    size_t i = 0;
    for (auto _ : state) {
        zint_symbol *s = ZBarcode_Create();
        s->symbology = symbology;
        if (option1)
            s->option_1 = option1;
        const QByteArray &t = texts[i++ % texts.size()];
        ZBarcode_Encode(s, reinterpret_cast<const unsigned char *>(t.constData()), int(t.size()));
        benchmark::DoNotOptimize(s->rows);
        ZBarcode_Delete(s);
    }
}
void BM_ZintEncode(benchmark::State &state) { zintSymbology(state, BARCODE_QRCODE, int(state.range(0)) + 1); }
BENCHMARK(BM_ZintEncode)->Arg(ecL)->Arg(ecM);
#endif

// The whole text assignment of an engine (encoding, layout and cover) over
// the label payloads.
template <typename Engine> void engineText(benchmark::State &state)
{
    Engine engine;
    const QStringList &texts = payloads();
    size_t i = 0;
    for (auto _ : state) {
        engine.SetText(texts[qsizetype(i++ % size_t(texts.size()))]);
        benchmark::DoNotOptimize(engine.VectorPrimitives().size());
    }
}
void BM_PDF417EngineText(benchmark::State &state) { engineText<TvdxBarcodePDF417>(state); }
BENCHMARK(BM_PDF417EngineText);
void BM_DataMatrixEngineText(benchmark::State &state) { engineText<TvdxBarcodeDataMatrix>(state); }
BENCHMARK(BM_DataMatrixEngineText);

#ifdef VD_HAVE_ZINT
void BM_ZintPDF417(benchmark::State &state) { zintSymbology(state, BARCODE_PDF417); }
BENCHMARK(BM_ZintPDF417);
void BM_ZintDataMatrix(benchmark::State &state) { zintSymbology(state, BARCODE_DATAMATRIX); }
BENCHMARK(BM_ZintDataMatrix);
#endif

void BM_QREngineText(benchmark::State &state) { engineText<TvdxBarcodeQR>(state); }
BENCHMARK(BM_QREngineText);

void BM_QREngineVersion40(benchmark::State &state)
{
    TvdxBarcodeQR engine;
    QString text;
    for (int i = 0; i < 2900; ++i)
        text += QChar(u'a' + (i * 7919) % 26);
    bool flip = false;
    for (auto _ : state) {
        text[0] = flip ? u'x' : u'y';
        flip = !flip;
        engine.SetText(text);
        benchmark::DoNotOptimize(engine.VectorPrimitives().size());
    }
    state.counters["version"] = engine.Encoder().Version();
}
BENCHMARK(BM_QREngineVersion40)->Unit(benchmark::kMillisecond);

// Aztec Code for the same payloads beside libzint at its nearest check-word
// level (36% against 33%).
void BM_AztecEncode(benchmark::State &state)
{
    std::vector<QByteArray> texts;
    for (const QString &t : payloads())
        texts.push_back(TAztecEncoder::ToLatin1(t));
    size_t i = 0;
    for (auto _ : state) {
        vdxAztec::TEncoder e;
        e.Encode(texts[i++ % texts.size()], 33);
        benchmark::DoNotOptimize(e.MatrixSize());
    }
}
BENCHMARK(BM_AztecEncode);

#ifdef VD_HAVE_ZINT
void BM_ZintAztec(benchmark::State &state) { zintSymbology(state, BARCODE_AZTEC, 3); }
BENCHMARK(BM_ZintAztec);
#endif

} // namespace
