// Decoding and drawing large PNG and JPEG pictures through the picture
// registry, against Qt's own load-and-draw of the same bytes in the same run.
#include "core/vdPictureGraphics.h"
#include "platform/QPainterCanvas.h"
#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>

namespace {

constexpr int kSide = 2000;

QImage makePicture(bool alpha)
{
    QImage img(kSide, kSide, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    uint32_t seed = 12345;
    for (int y = 0; y < kSide; ++y) {
        QRgb *p = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < kSide; ++x) {
            seed = seed * 1103515245u + 12345u;
            const int noise = int((seed >> 16) & 15);
            const int r = (x * 255 / kSide + noise) & 255, g = (y * 255 / kSide) & 255;
            const int b = int(127 + 120 * std::sin((x + y) / 90.0));
            const int a = alpha ? ((x / 50 + y / 50) % 2 ? 255 : 96 + (x & 63)) : 255;
            p[x] = qRgba(r, g, b, a);
        }
    }
    return img;
}

QByteArray encode(const QImage &img, const char *fmt)
{
    QByteArray out;
    QBuffer b(&out);
    b.open(QIODevice::WriteOnly);
    img.save(&b, fmt, fmt[0] == 'J' ? 85 : -1);
    return out;
}

const QByteArray &pngBytes()
{
    static const QByteArray b = encode(makePicture(true), "PNG");
    return b;
}

const QByteArray &jpegBytes()
{
    static const QByteArray b = encode(makePicture(false), "JPG");
    return b;
}

using Clock = std::chrono::steady_clock;

double ours(const QByteArray &bytes, QImage &target)
{
    const auto t0 = Clock::now();
    QByteArray copy = bytes;
    QBuffer buf(&copy);
    buf.open(QIODevice::ReadOnly);
    auto g = GetGraphicFormats()->LoadFromStream(buf);
    QPainterCanvas canvas(target);
    GetGraphicFormats()->Draw(canvas, g.get(), TRect(0, 0, kSide, kSide), gqDefault);
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

double qt(const QByteArray &bytes, QImage &target)
{
    const auto t0 = Clock::now();
    const QImage img = QImage::fromData(bytes);
    QPainter p(&target);
    p.drawImage(QRect(0, 0, kSide, kSide), img);
    p.end();
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

void run(benchmark::State &state, const QByteArray &bytes)
{
    QImage target(kSide, kSide, QImage::Format_ARGB32_Premultiplied);
    double sumOurs = 0, sumQt = 0;
    for (auto _ : state) {
        target.fill(Qt::white);
        const double a = ours(bytes, target);
        target.fill(Qt::white);
        const double b = qt(bytes, target);
        sumOurs += a;
        sumQt += b;
        state.SetIterationTime(a);
    }
    const double n = double(state.iterations());
    state.counters["ours_ms"] = 1000 * sumOurs / n;
    state.counters["qt_ms"] = 1000 * sumQt / n;
    state.counters["ratio_to_qt"] = sumOurs / sumQt;
}

void BM_PngDecodeDraw(benchmark::State &state) { run(state, pngBytes()); }
void BM_JpegDecodeDraw(benchmark::State &state) { run(state, jpegBytes()); }

} // namespace

BENCHMARK(BM_PngDecodeDraw)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_JpegDecodeDraw)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
