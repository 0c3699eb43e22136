// Text objects: lay out and draw N memos of mixed paragraphs onto an image
// through the 600 ppi layout, beside QTextLayout doing the same texts, fonts
// and widths. BM_TextLayoutRatio reports our time over QTextLayout's.
#include "platform/FontMap.h"
#include "platform/QPainterCanvas.h"
#include "report/vdxDrawText.h"
#include <QPainter>
#include <QTextLayout>
#include <benchmark/benchmark.h>
#include <chrono>

namespace {

struct Memo {
    QStringList paragraphs;
    QString family;
    int size;
    int width; // report pixels
};

QList<Memo> makeMemos(int n)
{
    const QStringList words = {QStringLiteral("invoice"), QStringLiteral("total"), QStringLiteral("the"),
                               QStringLiteral("quarterly"), QStringLiteral("shipment"), QStringLiteral("of"),
                               QStringLiteral("Lieferung"), QStringLiteral("réception"), QStringLiteral("1,234.50"),
                               QStringLiteral("a"), QStringLiteral("warehouse"), QStringLiteral("customer")};
    const QStringList families = {QStringLiteral("Arial"), QStringLiteral("Times New Roman"),
                                  QStringLiteral("Courier New"), QStringLiteral("Tahoma")};
    QList<Memo> memos;
    unsigned seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
    for (int i = 0; i < n; ++i) {
        Memo m;
        m.family = families[i % families.size()];
        m.size = 8 + int(next() % 8);
        m.width = 120 + int(next() % 200);
        const int paras = 1 + int(next() % 4);
        for (int p = 0; p < paras; ++p) {
            QString s;
            const int count = 3 + int(next() % 40);
            for (int w = 0; w < count; ++w)
                s += words[int(next() % words.size())] + u' ';
            m.paragraphs << s.trimmed();
        }
        memos << m;
    }
    return memos;
}

void drawOurs(const QList<Memo> &memos, QImage &img)
{
    QPainterCanvas c(img);
    TvdxDrawText &dt = vdxGlobalDrawText();
    TvdxDrawTextLocker lock(dt);
    int y = 0;
    for (const Memo &m : memos) {
        dt.SetFont(m.family, m.size, 0, clBlack);
        dt.SetOptions(true, false, false, false, true, true, 0);
        dt.SetGaps(0, 0, 2);
        const TRect box(4, y % 900, 4 + m.width, y % 900 + 200);
        dt.SetDimensions(1, 1, 1, box, box);
        dt.SetText(m.paragraphs);
        dt.DrawText(c, haLeft, vaTop);
        y += 37;
    }
}

void drawQt(const QList<Memo> &memos, QImage &img)
{
    QPainter p(&img);
    int y = 0;
    for (const Memo &m : memos) {
        const QFont font = MakeQFont(m.family, m.size * 96.0 / 72, 400, false);
        double top = y % 900;
        for (const QString &para : m.paragraphs) {
            QTextLayout layout(para, font);
            layout.beginLayout();
            for (;;) {
                QTextLine line = layout.createLine();
                if (!line.isValid())
                    break;
                line.setLineWidth(m.width);
                line.setPosition(QPointF(0, top));
                top += line.height() + 2;
            }
            layout.endLayout();
            layout.draw(&p, QPointF(4, 0));
        }
        y += 37;
    }
}

void BM_TextLayoutOurs(benchmark::State &state)
{
    const QList<Memo> memos = makeMemos(int(state.range(0)));
    QImage img(400, 1100, QImage::Format_RGB32);
    for (auto _ : state)
        drawOurs(memos, img);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_TextLayoutOurs)->Arg(200);

void BM_TextLayoutQt(benchmark::State &state)
{
    const QList<Memo> memos = makeMemos(int(state.range(0)));
    QImage img(400, 1100, QImage::Format_RGB32);
    for (auto _ : state)
        drawQt(memos, img);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_TextLayoutQt)->Arg(200);

void BM_TextLayoutRatio(benchmark::State &state)
{
    const QList<Memo> memos = makeMemos(int(state.range(0)));
    QImage img(400, 1100, QImage::Format_RGB32);
    double ours = 0, qt = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        drawOurs(memos, img);
        const auto t1 = std::chrono::steady_clock::now();
        drawQt(memos, img);
        const auto t2 = std::chrono::steady_clock::now();
        ours += std::chrono::duration<double>(t1 - t0).count();
        qt += std::chrono::duration<double>(t2 - t1).count();
    }
    state.counters["ratio"] = qt > 0 ? ours / qt : 0;
}
BENCHMARK(BM_TextLayoutRatio)->Arg(200);

} // namespace
