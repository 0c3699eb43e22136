// Arbitrary bytes played as an enhanced or Windows metafile onto a bitmap and
// into the EMF recorder; whatever is recorded must play again. The picture
// codecs are installed, so JPEG and PNG bitmaps inside records decode.
#include "core/vdPictureGraphics.h"
#include "platform/EmfPlayer.h"
#include "platform/EmfRecorderCanvas.h"
#include "platform/QPainterCanvas.h"
#include "fuzz/FuzzApplication.h"
#include <QImage>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ensureFuzzApplication();
    static TvdxGraphicFormats *formats = GetGraphicFormats();
    (void)formats;
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        EmfPlayer::ReadHeader(bytes);
    } catch (const EMetafileError &) {
    }
    try {
        QImage target(64, 64, QImage::Format_RGB32);
        target.fill(Qt::white);
        QPainterCanvas canvas(target);
        EmfPlayer::Play(canvas, bytes, TRect(0, 0, 64, 64));
    } catch (const EMetafileError &) {
    }
    QByteArray recorded;
    try {
        EmfRecorderCanvas rec(64, 64);
        EmfPlayer::Play(rec, bytes, TRect(0, 0, 64, 64));
        recorded = rec.finish();
    } catch (const EMetafileError &) {
    }
    if (!recorded.isEmpty()) {
        // Our own output must always be readable.
        QImage target(64, 64, QImage::Format_RGB32);
        QPainterCanvas canvas(target);
        EmfPlayer::Play(canvas, recorded, TRect(0, 0, 64, 64));
    }
    return 0;
}
