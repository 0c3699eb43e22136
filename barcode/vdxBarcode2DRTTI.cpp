// Script bindings of the 2D barcode: its enumerations and classes.
#include "barcode/vdxAztecProperties.h"
#include "barcode/vdxBarcode2DView.h"
#include "barcode/vdxBarcodePDF417Properties.h"
#include "barcode/vdxGS1DatabarProperties.h"
#include "barcode/vdxMaxiCodeProperties.h"
#include "script/ov_irtti.h"

namespace {

class TFunctions : public TovRTTIModule {
public:
    explicit TFunctions(TovScript *aScript) : TovRTTIModule(aScript)
    {
        TovScript *s = aScript;
        auto S = [](const char *t) { return QString::fromLatin1(t); };
        s->AddEnum(S("TvdxBarcode2DType"), S("bcCodePDF417, bcCodeDataMatrix, bcCodeQR, bcCodeAztec, bcCodeMaxiCode, "
                                             "bcGS1DatabarE, bcGS1DatabarES, bcPharmacodeTT"));
        s->AddEnum(S("TQRCodeEncoding"),
                   S("qrAuto, qrNumeric, qrAlphanumeric, qrISO88591, qrUTF8NoBOM, qrUTF8BOM, qrShift_JIS"));
        s->AddEnum(S("TQRErrorLevels"), S("ecL, ecM, ecQ, ecH"));
        s->AddEnum(S("DatamatrixEncoding"), S("Auto, Ascii, C40, Txt, Base256, X12, Edifact"));
        s->AddEnum(S("DatamatrixSymbolSize"),
                   S("AutoSize, Size10x10, Size12x12, Size8x18, Size14x14, Size8x32, Size16x16, Size12x26, "
                     "Size18x18, Size20x20, Size12x36, Size22x22, Size16x36, Size24x24, Size26x26, Size16x48, "
                     "Size32x32, Size36x36, Size40x40,Size44x44, Size48x48, Size52x52, Size64x64, Size72x72, "
                     "Size80x80, Size88x88, Size96x96, Size104x104, Size120x120, Size132x132, Size144x144"));
        s->AddEnum(S("PDF417ErrorCorrection"),
                   S(" AutoCorr, Level0, Level1, Level2, Level3, Level4, Level5, Level6, Level7, Level8"));
        s->AddEnum(S("PDF417CompactionMode"), S("AutoCompaction, TextComp, Numeric, Binary"));
        s->AddClass(&TvdxBarcode2DProperties::staticMetaObject, S("TPersistent"));
        // The settings classes of the other types join when their engines do.
        s->AddClass(&TvdxQRProperties::staticMetaObject, S("TvdxBarcode2DProperties"));
        s->AddClass(&TvdxPDF417Properties::staticMetaObject, S("TvdxBarcode2DProperties"));
        s->AddClass(&TvdxDataMatrixProperties::staticMetaObject, S("TvdxBarcode2DProperties"));
        s->AddClass(&TvdxAztecProperties::staticMetaObject, S("TvdxBarcode2DProperties"));
        s->AddClass(&TvdxMaxiCodeProperties::staticMetaObject, S("TvdxBarcode2DProperties"));
        s->AddClass(&TvdxGS1DatabarProperties::staticMetaObject, S("TvdxBarcode2DProperties"));
        s->AddClass(&TvdxGS1DatabarEProperties::staticMetaObject, S("TvdxGS1DatabarProperties"));
        s->AddClass(&TvdxGS1DatabarESProperties::staticMetaObject, S("TvdxGS1DatabarProperties"));
        s->AddClass(&TvdxBarcode2DView::staticMetaObject, S("TvdxView"));
    }
};

const bool registered = (ovRegisterRTTIModule<TFunctions>(), true);

} // namespace
