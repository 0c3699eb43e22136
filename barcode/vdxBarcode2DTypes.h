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

// Scoped: their value names (Auto, Binary, ...) would otherwise crowd every
// file that includes this one.
enum class PDF417ErrorCorrection { AutoCorr, Level0, Level1, Level2, Level3, Level4, Level5, Level6, Level7, Level8 };
Q_ENUM_NS(PDF417ErrorCorrection)

enum class PDF417CompactionMode { AutoCompaction, TextComp, Numeric, Binary };
Q_ENUM_NS(PDF417CompactionMode)

enum class DatamatrixEncoding { Auto, Ascii, C40, Txt, Base256, X12, Edifact };
Q_ENUM_NS(DatamatrixEncoding)

enum class DatamatrixSymbolSize {
    AutoSize, Size10x10, Size12x12, Size8x18, Size14x14, Size8x32, Size16x16, Size12x26, Size18x18, Size20x20,
    Size12x36, Size22x22, Size16x36, Size24x24, Size26x26, Size16x48, Size32x32, Size36x36, Size40x40, Size44x44,
    Size48x48, Size52x52, Size64x64, Size72x72, Size80x80, Size88x88, Size96x96, Size104x104, Size120x120,
    Size132x132, Size144x144
};
Q_ENUM_NS(DatamatrixSymbolSize)

} // namespace vdx2D

using vdx2D::TQRCodeEncoding;
using vdx2D::TQRErrorLevels;
using vdx2D::TvdxBarcode2DType;
using namespace vdx2D;
