#include "barcode/vdxBarPresets.h"

#include "barcode/vdxBarCodeCompositeView.h"

#include <memory>

namespace {

struct PresetList {
    QList<TvdxBaseBarPreset *> list{nullptr};
    ~PresetList() { qDeleteAll(list); }
};

} // namespace

QList<TvdxBaseBarPreset *> &vdxGlobalBarPresets()
{
    static PresetList presets;
    return presets.list;
}

void TvdxBaseBarPreset::SetPresset(TvdxBarCodeCompositeView *component)
{
    if (!component)
        return;
    component->Clear();
    FillBars(component);
}

void TvdxBarPresetEANUPCSupp::FillBars(TvdxBarCodeCompositeView *component)
{
    component->SetContentType(TvdxBarCodeCompositeView::ctRightToLeft);
    const bool ean8 = m_type == 0 || m_type == 1;
    TvdxBarCodeInternalView *first = component->AddLinearBarcode(ean8 ? TvdxBarcode::bcCodeEAN8 : TvdxBarcode::bcCodeEAN13);
    if (!first)
        return;
    // Sample texts that encode: check digits right.
    first->SetText(ean8 ? QStringLiteral("12345670") : QStringLiteral("5901234123457"));
    first->SetTextSup(QStringLiteral("ISBN 000-0-01234-567-8"));
    const bool two = m_type == 0 || m_type == 2;
    TvdxBarCodeInternalView *addOn =
        component->AddLinearBarcode(two ? TvdxBarcode::bcCodeUPC_Supp2 : TvdxBarcode::bcCodeUPC_Supp5);
    if (!addOn)
        return;
    // The two-digit add-on takes two digits: its bar parity follows them alone.
    addOn->SetText(two ? QStringLiteral("12") : QStringLiteral("12345"));
    addOn->BarcodeText()->TextSettings()->SetBarTextPos(TvdxTextSettings::btpTop);
    if (TvdxBasePosition *p = addOn->GetPosition()) {
        p->Padding()->Left = 3.0;
        if (auto *rel = qobject_cast<TvdxLeftToRightRelativityPositions *>(p->RelativityPositions())) {
            rel->RelativityTopPosition = TvdxLeftToRightRelativityPositions::rtTextPos;
            rel->RelativityBootomPosition = TvdxLeftToRightRelativityPositions::rbTextPos;
        }
    }
}

static const bool registered = [] {
    vdxGlobalBarPresets() << new TvdxBarPresetEANUPCSupp(QStringLiteral("EAN8 + UPC_Supp2"), 0)
                          << new TvdxBarPresetEANUPCSupp(QStringLiteral("EAN8 + UPC_Supp5"), 1)
                          << new TvdxBarPresetEANUPCSupp(QStringLiteral("EAN13 + UPC_Supp2"), 2)
                          << new TvdxBarPresetEANUPCSupp(QStringLiteral("EAN13 + UPC_Supp5"), 3);
    return true;
}();
