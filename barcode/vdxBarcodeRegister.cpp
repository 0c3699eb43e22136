// Start-up registrations of the barcode objects: their palette entries (one
// per symbology, the flag carrying the type), the class names templates use, and
// the script binding with the TvdxBarcodeType constants.
#include "barcode/vdxBarCodeCompositeView.h"
#include "barcode/vdxBarcode2DView.h"
#include "barcode/vdxBarcodeView.h"
#include "report/vdxDsgnIntf.h"
#include "script/ov_irtti.h"

namespace {

const char *const PaletteCaptions[TvdxBarcode::TypeCount] = {
    "2_5_interleaved", "2_5_industrial", "2_5_matrix", "ITF_14", "Code11", "Code39", "Code39 Extended",
    "Code128", "Code128A", "Code128B", "Code128C", "Code93", "Code93 Extended", "MSI", "PostNet", "Codabar",
    "EAN8", "EAN13", "UPC_A", "UPC_E0", "UPC_E1", "UPC_Supp2", "UPC_Supp5", "EAN128", "EAN128A", "EAN128B",
    "EAN128C", "USPS Intelligent Mail", "Plessey", "GS1 Code128", "Pharmacode", "Deutsche Post Identcode",
    "Deutsche Post Leitcode",
};

const char *const Palette2DCaptions[] = {"PDF417",   "DataMatrix",     "QRCode",           "Aztec",
                                         "MaxiCode", "GS1 Databar E.", "GS1 Databar E.S.", "Pharmacode Two-Track"};

// The settings object shows as an expandable group whose own value is not typed.
class TvdxBarcode2DPropertiesProperty : public TvdxClassProperty {
public:
    using TvdxClassProperty::TvdxClassProperty;
    TvdxPropertyAttributes GetAttributes() override { return paSubProperties | paReadOnly; }
};

class TovBarcodeFunctions : public TovRTTIModule {
public:
    explicit TovBarcodeFunctions(TovScript *aScript) : TovRTTIModule(aScript)
    {
        aScript->AddEnum(
            QStringLiteral("TvdxBarcodeType"),
            QStringLiteral(
                "bcCode_2_5_interleaved, bcCode_2_5_industrial,bcCode_2_5_matrix, bcCode_ITF_14, bcCode11, "
                "bcCode39, bcCode39Extended, bcCode128, bcCode128A, bcCode128B,bcCode128C, bcCode93, "
                "bcCode93Extended, bcCodeMSI, bcCodePostNet,bcCodeCodabar, bcCodeEAN8, bcCodeEAN13, bcCodeUPC_A, "
                "bcCodeUPC_E0,bcCodeUPC_E1, bcCodeUPC_Supp2, bcCodeUPC_Supp5, bcCodeEAN128, bcCodeEAN128A,"
                "bcCodeEAN128B, bcCodeEAN128C, bcCodeUSPSIntelligentMail, bcCodePlessey, bcGS1Code128, "
                "bcPharmacode,bcDeutsche_Post_Identcode, bcDeutsche_Post_Leitcode"));
        aScript->AddClass(&TvdxBarCodeView::staticMetaObject, QStringLiteral("TvdxView"));
    }
};

void registerLinearBarcode()
{
    vdRegisterClass<TvdxBarCodeObject>();
    TvdxObjectCollection &reg = vdxObjectRegistry();
    reg.RegisterCategory(QStringLiteral("Barcode"), QImage(), QStringLiteral("obBarC"), 23);
    for (int t = 0; t < TvdxBarcode::TypeCount; ++t)
        reg.RegisterObject1<TvdxBarCodeView>(QImage(), QString::fromLatin1(PaletteCaptions[t]),
                                             QStringLiteral("Barcode"), quint16(t), 23);
    for (int t = 0; t < int(std::size(Palette2DCaptions)); ++t)
        reg.RegisterObject1<TvdxBarcode2DView>(QImage(), QString::fromLatin1(Palette2DCaptions[t]),
                                               QStringLiteral("Barcode"), quint16(t), 23);
    reg.RegisterObject1<TvdxBarCodeCompositeView>(QImage(), QStringLiteral("3515"), QStringLiteral("Barcode"), 0, 23);
    // Never on a palette, but templates create them.
    reg.RegisterObject1<TvdxBarCodeInternalView>(QImage(), QString(), QString(), 0, 23, vdxCategory(ctNone));
    reg.RegisterObject1<TvdxBarCodeInternal2DView>(QImage(), QString(), QString(), 0, 23, vdxCategory(ctNone));
    vdxHideProperties(&TvdxBarcode2DView::staticMetaObject, QStringLiteral("StretchMode;HexData"));
    vdxPropertyEditorRegistry().Register(QByteArrayLiteral("TvdxBarcode2DProperties"), nullptr, QString(),
                                         &vdxNewPropertyEditor<TvdxBarcode2DPropertiesProperty>);
    ovRegisterRTTIModule<TovBarcodeFunctions>();
}

} // namespace

Q_CONSTRUCTOR_FUNCTION(registerLinearBarcode)
