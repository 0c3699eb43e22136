// Settings of the Aztec Code type.
#pragma once
#include "barcode/vdxBarcode2DProperties.h"
#include "barcode/vdxBarcodeAztec.h"

class TvdxAztecProperties : public TvdxBarcode2DProperties {
    Q_OBJECT
    Q_PROPERTY(int MinECCPercent READ MinECCPercent WRITE SetMinECCPercent)
    Q_PROPERTY(int PixelSize READ PixelSize WRITE SetPixelSize)
    Q_CLASSINFO("default:MinECCPercent", "nodefault")
    Q_CLASSINFO("default:PixelSize", "nodefault")
public:
    Q_INVOKABLE TvdxAztecProperties() = default;

    int MinECCPercent() const { return aztec() ? aztec()->MinECCPercent() : 33; }
    void SetMinECCPercent(int v)
    {
        if (aztec())
            aztec()->SetMinECCPercent(v);
    }
    int PixelSize() const { return aztec() ? aztec()->PixelSize() : 4; }
    void SetPixelSize(int v)
    {
        if (aztec())
            aztec()->SetPixelSize(v);
    }

    void Assign(const TvdPersistent *source) override
    {
        auto *s = qobject_cast<const TvdxAztecProperties *>(source);
        if (s && s != this)
            SetMinECCPercent(s->MinECCPercent());
    }

private:
    TvdxBarcodeAztec *aztec() const { return dynamic_cast<TvdxBarcodeAztec *>(m_whose); }
};
