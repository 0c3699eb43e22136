// GIF codec on arbitrary bytes: load, render the strip, save and reload.
#include "core/vdGif1.h"
#include <QBuffer>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    TGif gif;
    try {
        gif.LoadFromStream(buffer);
    } catch (const Exception &) {
        return 0;
    }
    // Huge but valid pictures only cost time here; the size guards are tested elsewhere.
    qint64 pixels = 0;
    for (int i = 0; i < gif.ImageCount(); ++i)
        pixels += gif.GetImageDescriptor(i).rPixelCount;
    if (pixels > (1 << 22))
        return 0;
    try {
        if (qint64(gif.Width()) * gif.Height() * gif.ImageCount() <= (1 << 22))
            gif.GetStripBitmap();
        for (int i = 0; i < gif.ImageCount(); ++i)
            gif.GetBitmap(i);
        const QByteArray saved = gif.SaveToBytes();
        QByteArray copy = saved;
        QBuffer again(&copy);
        again.open(QIODevice::ReadOnly);
        TGif reloaded;
        reloaded.LoadFromStream(again);
    } catch (const Exception &) {
    }
    return 0;
}
