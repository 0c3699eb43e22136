// Settings of the MaxiCode type.
#pragma once
#include "barcode/vdxBarcode2DProperties.h"
#include "barcode/vdxBarcodeMaxiCode.h"
#include "platform/Exception.h"

class TvdxMaxiCodeProperties : public TvdxBarcode2DProperties {
    Q_OBJECT
    Q_PROPERTY(int Mode READ Mode WRITE SetMode)
    Q_CLASSINFO("default:Mode", "nodefault")
public:
    Q_INVOKABLE TvdxMaxiCodeProperties() = default;

    int Mode() const { return maxi() ? maxi()->Mode() : 4; }
    // A mode that cannot encode ends as the engine's error text: a template
    // goes on loading and keeps the value.
    void SetMode(int v)
    {
        if (!maxi())
            return;
        try {
            maxi()->SetMode(v);
        } catch (const Exception &) {
        }
    }
    void Assign(const TvdPersistent *source) override
    {
        auto *s = qobject_cast<const TvdxMaxiCodeProperties *>(source);
        if (s && s != this)
            SetMode(s->Mode());
    }

private:
    TvdxBarcodeMaxiCode *maxi() const { return dynamic_cast<TvdxBarcodeMaxiCode *>(m_whose); }
};
