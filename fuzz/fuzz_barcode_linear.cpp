// A linear symbol from arbitrary bytes: byte 0 the type (also past the last
// one), byte 1 option bits, byte 2 the ratio in sixteenths, byte 3 the angle
// in steps of 15 degrees, the rest the text. It is encoded and drawn on a
// small image; it must give a symbol or a message, never a fault.
#include "barcode/vdxBarcode.h"
#include "platform/QPainterCanvas.h"

#include "fuzz/FuzzApplication.h"
#include <QImage>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ensureFuzzApplication();
    if (size < 4)
        return 0;
    TvdxBarcode bc;
    bc.SetTyp(TvdxBarcode::TvdxBarcodeType(data[0] & 0x3F));
    const uint8_t flags = data[1];
    bc.Checksum = flags & 1;
    bc.CheckSumMethod = flags & 2 ? TvdxBarcode::csmNone : TvdxBarcode::csmModulo10;
    if (flags & 4)
        bc.BarcodeText()->TextSettings()->SetBarTextPos(TvdxTextSettings::btpTop);
    if (flags & 8)
        bc.Color = clNone;
    bc.Ratio = data[2] / 16.0;
    bc.Angle = data[3] * 15.0;
    bc.Text = QByteArray(reinterpret_cast<const char *>(data + 4), qsizetype(size - 4));
    if (flags & 16)
        bc.TextSup = bc.Text.left(8);
    try {
        (void)bc.Width();
        QImage image(96, 48, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainterCanvas canvas(image);
        bc.DrawBarcode(canvas, TRect(2, 2, 94, 46), flags & 32);
    } catch (const Exception &) {
    }
    return 0;
}
