// Arbitrary bytes through the picture registry's detection and loading; a
// small picture that loads is drawn as well.
#include "core/vdPictureGraphics.h"
#include "platform/QPainterCanvas.h"
#include <QBuffer>
#include <QImage>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QBuffer buf(&bytes);
    buf.open(QIODevice::ReadOnly);
    try {
        auto g = GetGraphicFormats()->LoadFromStream(buf);
        if (g && !g->Empty() && int64_t(g->Width()) * g->Height() <= 1 << 20) {
            QImage target(64, 64, QImage::Format_ARGB32_Premultiplied);
            target.fill(0);
            QPainterCanvas canvas(target);
            GetGraphicFormats()->Draw(canvas, g.get(), TRect(0, 0, 64, 64), gqHiQuality);
            g->SaveToBytes();
        }
    } catch (const Exception &) {
        // Rejected input is the expected outcome.
    }
    return 0;
}
