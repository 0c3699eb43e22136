// Enumerations of the 2D symbologies, stored in templates by name.
#pragma once
#include <QObject>

namespace vdx2D {
Q_NAMESPACE

enum TvdxBarcode2DType {
    bcCodePDF417,
    bcCodeDataMatrix,
    bcCodeQR,
    bcCodeAztec,
    bcCodeMaxiCode,
    bcGS1DatabarE,
    bcGS1DatabarES,
    bcPharmacodeTT
};
Q_ENUM_NS(TvdxBarcode2DType)

enum TQRCodeEncoding { qrAuto, qrNumeric, qrAlphanumeric, qrISO88591, qrUTF8NoBOM, qrUTF8BOM, qrShift_JIS };
Q_ENUM_NS(TQRCodeEncoding)

enum TQRErrorLevels { ecL, ecM, ecQ, ecH };
Q_ENUM_NS(TQRErrorLevels)

} // namespace vdx2D

using vdx2D::TQRCodeEncoding;
using vdx2D::TQRErrorLevels;
using vdx2D::TvdxBarcode2DType;
using namespace vdx2D;
