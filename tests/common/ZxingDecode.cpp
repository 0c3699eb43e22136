#include "common/ZxingDecode.h"

#define ZX_USE_UTF8 1
#include <ZXing/ReadBarcode.h>

#include <algorithm>

QList<ZxingResult> ZxingDecode(const QImage &image, const ZxingOptions &options)
{
    QList<ZxingResult> out;
    if (image.isNull())
        return out;
    const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
    ZXing::ImageView view(gray.constBits(), gray.width(), gray.height(), ZXing::ImageFormat::Lum,
                          int(gray.bytesPerLine()));
    ZXing::DecodeHints hints;
    hints.setTryHarder(options.tryHarder);
    hints.setTryRotate(options.tryHarder);
    hints.setTryCode39ExtendedMode(options.code39Extended);
    hints.setEanAddOnSymbol(ZXing::EanAddOnSymbol::Read);
    hints.setReturnCodabarStartEnd(true);
    if (options.maxSymbols > 0)
        hints.setMaxNumberOfSymbols(uint8_t(std::min(options.maxSymbols, 255)));
    const auto results = options.single ? ZXing::Results{ZXing::ReadBarcode(view, hints)}
                                        : ZXing::ReadBarcodes(view, hints);
    for (const auto &r : results) {
        if (!r.isValid())
            continue;
        out.append({QString::fromLatin1(ZXing::ToString(r.format())), QString::fromStdString(r.text()),
                    QString::fromStdString(r.symbologyIdentifier()), QString::fromStdString(r.ecLevel()),
                    r.hasECI(),
                    QByteArray(reinterpret_cast<const char *>(r.bytes().data()), qsizetype(r.bytes().size()))});
    }
    return out;
}
