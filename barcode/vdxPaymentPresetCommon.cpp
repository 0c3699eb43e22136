#include "barcode/vdxPaymentPresetCommon.h"

#include "barcode/vdxBarcode2DView.h"
#include "barcode/vdxEPCPaymentPreset.h"
#include "barcode/vdxRuBankPaymentPreset.h"
#include "barcode/vdxSwissPaymentPreset.h"
#include "core/vdVariant.h"
#include "report/vdxClass_report.h"

QString vdxPresetCalc(TvdxReport *report, const QString &expression)
{
    if (!report || expression.isEmpty())
        return QString();
    return VarToStr(report->Calc(expression));
}

TvdxPresetQR vdxPresetQR(TvdxComponent *component)
{
    auto *view = qobject_cast<TvdxBarcode2DView *>(component);
    if (!view || view->BarType() != bcCodeQR)
        return {};
    auto *qr = dynamic_cast<TvdxBarcodeQR *>(view->Engine());
    return qr ? TvdxPresetQR{view, qr} : TvdxPresetQR{};
}

// The designer offers the presets in this order.
static const bool registered = [] {
    vdRegisterClass<TvdxSwissPaymentPreset>();
    vdRegisterClass<TvdxRuBankPaymentPreset>();
    vdRegisterClass<TvdxEPCPaymentPreset>();
    vdxGlobalDataPresets() << &TvdxSwissPaymentPreset::staticMetaObject << &TvdxRuBankPaymentPreset::staticMetaObject
                           << &TvdxEPCPaymentPreset::staticMetaObject;
    return true;
}();
