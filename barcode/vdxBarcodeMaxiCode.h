// MaxiCode engine of the 2D barcode object: the encoder's raster, one pixel
// per module.
#pragma once
#include "barcode/vdxBarcode2DBase.h"
#include "barcode/vdxMaxicodeEncoder.h"

class TvdxBarcodeMaxiCode : public TvdxBarcode2DBaseWithOutUnion {
public:
    TvdxBarcodeMaxiCode();

    void SetText(const QString &value) override;
    void Assign(const TvdxBarcode2DBase &source) override;

    int Mode() const { return m_mode; }
    // Errors reach the caller and stay as the error text until a mode
    // encodes; the previous raster stays and the value is kept.
    void SetMode(int value);
    const TMaxicodeEncoder &Encoder() const { return m_encoder; }

private:
    void copyRaster();

    TMaxicodeEncoder m_encoder;
    QString m_modeError;
    int m_mode = 4;
};
