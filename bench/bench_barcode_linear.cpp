// Encoding of typical label texts, beside libzint's ZBarcode_Encode on the same
// data in the same run (when libzint is there); compare the times per text.
#include "barcode/vdxBarcode.h"

#include <benchmark/benchmark.h>

#ifdef VD_HAVE_ZINT
#include <zint.h>
#endif

namespace {

const char *const Code128Texts[] = {"SHIP-00042 LOT A17", "0012345678901", "Order 2026/12/10 #1234", "AB12345"};
const char *const Ean13Texts[] = {"590123412345", "400638133393", "012345678905", "978030640615"};

template <size_t N>
void encodeOurs(benchmark::State &state, TvdxBarcode::TvdxBarcodeType type, const char *const (&texts)[N])
{
    TvdxBarcode bc;
    bc.SetTyp(type);
    bc.Checksum = type == TvdxBarcode::bcCodeEAN13;
    size_t i = 0;
    for (auto _ : state) {
        bc.Text = texts[i++ % N];
        benchmark::DoNotOptimize(bc.MakeModules());
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_Ours_Code128(benchmark::State &state) { encodeOurs(state, TvdxBarcode::bcCode128, Code128Texts); }
BENCHMARK(BM_Ours_Code128);

void BM_Ours_EAN13(benchmark::State &state) { encodeOurs(state, TvdxBarcode::bcCodeEAN13, Ean13Texts); }
BENCHMARK(BM_Ours_EAN13);

#ifdef VD_HAVE_ZINT
template <size_t N>
void encodeZint(benchmark::State &state, int symbology, const char *const (&texts)[N])
{
    zint_symbol *symbol = ZBarcode_Create();
    size_t i = 0;
    for (auto _ : state) {
        const char *t = texts[i++ % N];
        ZBarcode_Clear(symbol);
        symbol->symbology = symbology;
        benchmark::DoNotOptimize(ZBarcode_Encode(symbol, reinterpret_cast<const unsigned char *>(t), int(strlen(t))));
    }
    ZBarcode_Delete(symbol);
    state.SetItemsProcessed(state.iterations());
}

void BM_Zint_Code128(benchmark::State &state) { encodeZint(state, BARCODE_CODE128, Code128Texts); }
BENCHMARK(BM_Zint_Code128);

void BM_Zint_EAN13(benchmark::State &state) { encodeZint(state, BARCODE_EANX, Ean13Texts); }
BENCHMARK(BM_Zint_EAN13);
#endif

} // namespace
