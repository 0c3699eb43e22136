// Canvas throughput: text measuring, drawing a page of shapes and text on a
// bitmap, recording it as a metafile and playing the metafile back.
#include "platform/EmfPlayer.h"
#include "platform/EmfRecorderCanvas.h"
#include "platform/QPainterCanvas.h"
#include <benchmark/benchmark.h>

namespace {

void drawPage(Canvas &c)
{
    c.font().height = -16;
    c.SetBkMode(BkMode::Transparent);
    for (int row = 0; row < 40; ++row) {
        const int y = 10 + row * 25;
        c.brush().color = row % 2 ? clSilver : clWhite;
        c.pen().color = clBlack;
        c.Rectangle(TRect(10, y, 780, y + 24));
        c.TextOut(15, y + 3, QStringLiteral("Line %1: The quick brown fox jumps over the lazy dog").arg(row));
        c.MoveTo(400, y);
        c.LineTo(400, y + 24);
    }
}

void BM_MeasureAdvances(benchmark::State &state)
{
    QImage img(1, 1, QImage::Format_RGB32);
    QPainterCanvas c(img, 600);
    c.SetFontSize(10);
    const QString text = QStringLiteral("The quick brown fox jumps over the lazy dog, 0123456789 times.");
    for (auto _ : state)
        benchmark::DoNotOptimize(c.CharAdvances(text));
    state.SetItemsProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_MeasureAdvances);

void BM_DrawPageOnBitmap(benchmark::State &state)
{
    QImage img(800, 1050, QImage::Format_RGB32);
    for (auto _ : state) {
        img.fill(Qt::white);
        QPainterCanvas c(img);
        drawPage(c);
    }
}
BENCHMARK(BM_DrawPageOnBitmap)->Unit(benchmark::kMillisecond);

void BM_RecordPage(benchmark::State &state)
{
    for (auto _ : state) {
        EmfRecorderCanvas rec(800, 1050);
        drawPage(rec);
        benchmark::DoNotOptimize(rec.finish());
    }
}
BENCHMARK(BM_RecordPage)->Unit(benchmark::kMillisecond);

void BM_PlayPage(benchmark::State &state)
{
    EmfRecorderCanvas rec(800, 1050);
    drawPage(rec);
    const QByteArray emf = rec.finish();
    QImage img(800, 1050, QImage::Format_RGB32);
    for (auto _ : state) {
        img.fill(Qt::white);
        QPainterCanvas c(img);
        EmfPlayer::Play(c, emf, TRect(0, 0, 800, 1050));
    }
    state.SetBytesProcessed(state.iterations() * emf.size());
}
BENCHMARK(BM_PlayPage)->Unit(benchmark::kMillisecond);

} // namespace
