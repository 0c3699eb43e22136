// GIF codec throughput (our LZW against Qt's reader) and picture-cache adds and reads.
#include "core/vdGif1.h"
#include "core/vdPictureCache.h"

#include <QBuffer>
#include <QImageReader>
#include <benchmark/benchmark.h>
#include <random>

namespace {

// A 512 x 512 picture of 64 colours: noisy bands, like a scanned label.
std::unique_ptr<TGif> samplePicture()
{
    auto gif = std::make_unique<TGif>();
    TGifColorTable table;
    table.rSize = 64;
    for (int i = 0; i < 64; ++i)
        table.rColors[i] = quint32(i * 4) | (quint32(255 - i * 4) << 8) | (quint32(i * 2) << 16);
    TGifScreenDescriptor &sd = gif->ScreenDescriptor();
    sd.rWidth = sd.rHeight = 512;
    sd.rGlobalColorValid = true;
    sd.rColorResolution = 8;
    sd.rGlobalColorSize = 64;
    sd.rGlobalColorTable = gif->AddColorTable(table);
    TGifImageDescriptor &id = gif->AddImage();
    id.rWidth = id.rHeight = 512;
    id.rLocalColorTable = sd.rGlobalColorTable;
    id.rLZWSize = 6;
    id.rPixelCount = 512 * 512;
    id.rPixelList.resize(512 * 512);
    std::mt19937 rng(3);
    for (size_t i = 0; i < id.rPixelList.size(); ++i)
        id.rPixelList[i] = quint8(((i / 512) / 16 * 5 + (rng() % 8 == 0 ? rng() % 64 : 0)) % 64);
    return gif;
}

void BM_GifEncode(benchmark::State &state)
{
    auto gif = samplePicture();
    for (auto _ : state)
        benchmark::DoNotOptimize(gif->SaveToBytes());
    state.SetItemsProcessed(state.iterations() * 512 * 512);
}
BENCHMARK(BM_GifEncode)->Unit(benchmark::kMillisecond);

void BM_GifDecode(benchmark::State &state)
{
    QByteArray bytes = samplePicture()->SaveToBytes();
    for (auto _ : state) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        TGif gif;
        gif.LoadFromStream(buffer);
        benchmark::DoNotOptimize(gif.ImageCount());
    }
    state.SetItemsProcessed(state.iterations() * 512 * 512);
}
BENCHMARK(BM_GifDecode)->Unit(benchmark::kMillisecond);

void BM_GifDecodeQtReader(benchmark::State &state)
{
    QByteArray bytes = samplePicture()->SaveToBytes();
    for (auto _ : state) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "gif");
        benchmark::DoNotOptimize(reader.read());
    }
    state.SetItemsProcessed(state.iterations() * 512 * 512);
}
BENCHMARK(BM_GifDecodeQtReader)->Unit(benchmark::kMillisecond);

void BM_GifStrip(benchmark::State &state)
{
    auto gif = samplePicture();
    for (auto _ : state)
        benchmark::DoNotOptimize(gif->GetStripBitmap());
}
BENCHMARK(BM_GifStrip)->Unit(benchmark::kMillisecond);

// The same picture added again and again, as a logo on every page.
void BM_PictureCacheAddSame(benchmark::State &state)
{
    TBitmap logo(200, 100, pf24bit);
    logo.Fill(0x336699);
    TvdxPictureCache cache;
    cache.PictureCacheOptions()->SetCalculateHash(state.range(0) != 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(cache.AddPicture(&logo));
}
BENCHMARK(BM_PictureCacheAddSame)->Arg(0)->Arg(1);

void BM_PictureCacheRead(benchmark::State &state)
{
    TvdxPictureCache cache;
    for (int i = 0; i < 100; ++i) {
        TBitmap b(64, 64, pf24bit);
        b.Fill(i);
        cache.AddPicture(&b);
    }
    int i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(cache.GetGraphic(1 + (i++ % 100)));
}
BENCHMARK(BM_PictureCacheRead);

} // namespace
