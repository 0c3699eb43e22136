// Arbitrary bytes as a 2D barcode: the first bytes choose the type and the
// settings, the rest is the text. Encoding, the rectangle cover and drawing
// must end in a symbol or an error text, never a crash or a hang.
#include "barcode/vdxAztecProperties.h"
#include "barcode/vdxBarcode2DView.h"
#include "barcode/vdxBarcodePDF417Properties.h"
#include "barcode/vdxGS1DatabarProperties.h"
#include "barcode/vdxMaxiCodeProperties.h"
#include "platform/QPainterCanvas.h"
#include "fuzz/FuzzApplication.h"

#include <QImage>
#include <cstdint>
#include <iterator>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ensureFuzzApplication();
    if (size < 6 || size > 8192)
        return 0;
    const TvdxBarcode2DType types[] = {bcCodeQR,       bcPharmacodeTT, bcCodePDF417,  bcCodeDataMatrix,
                                       bcCodeAztec,    bcCodeMaxiCode, bcGS1DatabarE, bcGS1DatabarES};
    TvdxBarcode2DView view;
    view.SetBarType(types[data[0] % std::size(types)]);
    if (auto *qr = qobject_cast<TvdxQRProperties *>(view.BarProperties())) {
        qr->SetEncoding(TQRCodeEncoding(data[1] % 7));
        qr->SetErrorLevels(TQRErrorLevels(data[2] & 3));
        qr->SetQuietZone(int(data[2] >> 2) - 8);
        static const int codePages[] = {0, 1251, 1252, 932, 65001, 1200, 28592, 936, 949, 950, 20127, 874, 99999};
        qr->SetCodePage(codePages[data[3] % 13]);
        qr->SetPixelSize(data[4] % 6);
        qr->GraphicMarker()->SetShowGraphicMarker(data[4] & 0x80);
    }
    static const int byteCodePages[] = {437, 65001, 1252, 28591, 0, 932, 99999, 1251};
    if (auto *p = qobject_cast<TvdxPDF417Properties *>(view.BarProperties())) {
        p->SetCompactionMode(PDF417CompactionMode(data[1] & 3));
        p->SetErrorCorrection(PDF417ErrorCorrection(data[2] % 10));
        p->SetColumns(int(data[3] & 0x3f) - 16);
        p->SetRows(int(data[4]) - 64);
        p->SetAspectRatio(data[2] & 0x80 ? 0.0 : double(data[3]) / 8);
        p->SetCodePage(byteCodePages[(data[4] >> 3) & 7]);
        p->SetPixelWidth(data[0] >> 6);
    }
    if (auto *p = qobject_cast<TvdxDataMatrixProperties *>(view.BarProperties())) {
        p->SetEncoding(DatamatrixEncoding(data[1] % 7));
        p->SetSymbolSize(DatamatrixSymbolSize(data[2] % 31));
        p->SetGS1Rule(data[3] & 1);
        p->SetCodePage(byteCodePages[(data[4] >> 3) & 7]);
        p->SetPixelSize(data[4] & 7);
    }
    if (auto *aztec = qobject_cast<TvdxAztecProperties *>(view.BarProperties())) {
        try {
            aztec->SetMinECCPercent(int(data[1]) * 2 - 100);
        } catch (const Exception &) {
        }
        aztec->SetPixelSize(data[4] % 6);
    }
    if (auto *maxi = qobject_cast<TvdxMaxiCodeProperties *>(view.BarProperties())) {
        try {
            maxi->SetMode(data[1] % 9);
        } catch (const Exception &) {
        }
    }
    if (auto *stacked = qobject_cast<TvdxGS1DatabarESProperties *>(view.BarProperties()))
        stacked->SetColumns(int(data[1] % 14) - 1);
    view.SetRotation(int(data[5]) * 3 - 200);
    view.SetShowText(data[5] & 1);
    view.SetTextSup(data[5] & 2 ? QStringLiteral("sup") : QString());
    const QString text = data[1] & 0x80
                             ? QString::fromUtf8(reinterpret_cast<const char *>(data + 6), qsizetype(size - 6))
                             : QString::fromUtf16(reinterpret_cast<const char16_t *>(data + 6), qsizetype(size - 6) / 2);
    view.SetText(text);
    (void)view.HexData();
    QImage image(256, 256, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainterCanvas canvas(image);
    view.Draw(canvas, 0.5, 0.5, 0, 0);
    return 0;
}
