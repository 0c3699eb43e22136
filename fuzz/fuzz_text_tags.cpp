// Inline tags and wrapping come from templates and data. Any text lays out,
// measures, cuts and draws without a crash or a hang.
#include "platform/QPainterCanvas.h"
#include "report/vdxDrawText.h"
#include "report/vdxTextMeasure.h"
#include "fuzz/FuzzApplication.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ensureFuzzApplication();
    if (size < 2 || size > 70000)
        return 0;
    // The first byte picks options and the box width; the rest is the text.
    const uint8_t opts = data[0];
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    static TvdxFixedAdvanceMeasure measure(40, 83);
    TvdxDrawText dt;
    TvdxDrawTextLocker lock(dt);
    dt.SetMeasure(&measure);
    dt.SetFont(QStringLiteral("Arial"), 10, 0, clBlack);
    dt.SetOptions(opts & 1, true, opts & 2, opts & 4, opts & 8, !(opts & 16), (opts >> 5) * 45);
    dt.SetGaps(opts & 1 ? 3 : 0, opts & 2 ? 1 : 0, opts & 4 ? -2 : 2);
    const int width = 1 + (opts * 7) % 300;
    const TRect box(0, 0, width, 60);
    dt.SetDimensions(1, 1, 1, box, box);
    dt.SetText(text.split(u'\n'));
    const int lines = int(dt.Lines().size());
    // Every character gives at most one line (a hyphen may join it).
    if (lines > text.size() + 2)
        std::abort();
    (void)dt.CalcHeight();
    (void)dt.CalcWidth();
    if (size < 4096) {
        QImage img(64, 64, QImage::Format_RGB32);
        QPainterCanvas c(img);
        dt.DrawText(c, TvdxHAlign(opts % 4), TvdxVAlign((opts >> 2) % 3), TvdxUnderlinesTextMode(opts % 4));
    }
    bool paraBreak = false;
    (void)dt.GetOutBoundsText(paraBreak);
    return 0;
}
