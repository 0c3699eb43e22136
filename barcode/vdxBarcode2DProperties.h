// Settings objects of the 2D symbologies: the object's BarProperties. They
// store nothing themselves; every property reads and writes the engine the
// object currently owns.
#pragma once
#include "barcode/vdxBarcode2DTypes.h"
#include "barcode/vdxBarcodeQR.h"
#include "barcode/vdxPTTDatabar.h"
#include "core/vdPersistent.h"

#include <functional>

class TvdxBarcode2DProperties : public TvdPersistent {
    Q_OBJECT
public:
    void SetWhose(TvdxBarcode2DBase *engine) { m_whose = engine; }
    TvdxBarcode2DBase *Whose() const { return m_whose; }
    void Changed()
    {
        if (OnChange)
            OnChange(this);
    }
    std::function<void(TvdxBarcode2DProperties *)> OnChange;

protected:
    TvdxBarcode2DBase *m_whose = nullptr;
};

class TvdxQRProperties : public TvdxBarcode2DProperties {
    Q_OBJECT
    Q_PROPERTY(vdx2D::TQRCodeEncoding Encoding READ Encoding WRITE SetEncoding)
    Q_PROPERTY(int QuietZone READ QuietZone WRITE SetQuietZone)
    Q_PROPERTY(vdx2D::TQRErrorLevels ErrorLevels READ ErrorLevels WRITE SetErrorLevels)
    Q_PROPERTY(int PixelSize READ PixelSize WRITE SetPixelSize)
    Q_PROPERTY(int CodePage READ CodePage WRITE SetCodePage)
    Q_PROPERTY(TvdxBarcodeLogo *Logo READ Logo)
    Q_PROPERTY(TvdxBarcodeGraphicMarker *GraphicMarker READ GraphicMarker)
    Q_CLASSINFO("default:Encoding", "nodefault")
    Q_CLASSINFO("default:QuietZone", "nodefault")
    Q_CLASSINFO("default:ErrorLevels", "nodefault")
    Q_CLASSINFO("default:PixelSize", "nodefault")
    Q_CLASSINFO("default:CodePage", "nodefault")
public:
    Q_INVOKABLE TvdxQRProperties() = default;

    TQRCodeEncoding Encoding() const { return qr() ? qr()->Encoding() : qrAuto; }
    void SetEncoding(TQRCodeEncoding v) { if (qr()) qr()->SetEncoding(v); }
    int QuietZone() const { return qr() ? qr()->QRQuietZone() : 0; }
    void SetQuietZone(int v) { if (qr()) qr()->SetQRQuietZone(v); }
    TQRErrorLevels ErrorLevels() const { return qr() ? qr()->ErrorLevels() : ecL; }
    void SetErrorLevels(TQRErrorLevels v) { if (qr()) qr()->SetErrorLevels(v); }
    int PixelSize() const { return qr() ? qr()->PixelSize() : 4; }
    void SetPixelSize(int v) { if (qr()) qr()->SetPixelSize(std::max(2, v)); }
    int CodePage() const { return qr() ? qr()->Codepage() : 0; }
    void SetCodePage(int v) { if (qr()) qr()->SetCodepage(v); }
    TvdxBarcodeLogo *Logo() const { return qr() ? qr()->Logo() : nullptr; }
    TvdxBarcodeGraphicMarker *GraphicMarker() const { return qr() ? qr()->GraphicMarker() : nullptr; }

    void Assign(const TvdPersistent *source) override;

private:
    TvdxBarcodeQR *qr() const { return dynamic_cast<TvdxBarcodeQR *>(m_whose); }
};

class TvdxPTTDatabarProperties : public TvdxBarcode2DProperties {
    Q_OBJECT
public:
    Q_INVOKABLE TvdxPTTDatabarProperties() = default;
    void Assign(const TvdPersistent *) override {}
};
