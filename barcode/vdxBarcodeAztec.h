// Aztec Code engine of the 2D barcode object.
#pragma once
#include "barcode/vdxAztecEncoder.h"
#include "barcode/vdxBarcode2DBase.h"

class TvdxBarcodeAztec : public TvdxBarcode2DBaseWithUnion {
public:
    TvdxBarcodeAztec();

    void SetText(const QString &value) override;
    void Assign(const TvdxBarcode2DBase &source) override;

    int PixelSize() const { return m_pixelWidth; }
    void SetPixelSize(int value) { m_pixelWidth = m_pixelHeight = value; }
    int MinECCPercent() const { return m_encoder.MinECCPercent(); }
    // Encoding errors reach the caller; the previous symbol stays.
    void SetMinECCPercent(int value);
    const TAztecEncoder &Encoder() const { return m_encoder; }

private:
    void rebuildFigures();

    TAztecEncoder m_encoder;
};
