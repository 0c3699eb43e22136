#include "barcode/vdxBarcodeAztec.h"

#include "platform/Exception.h"

TvdxBarcodeAztec::TvdxBarcodeAztec()
{
    m_encoder.SetData(m_text);
    m_pixelWidth = m_pixelHeight = 4;
    m_encoder.SetMinECCPercent(33);
    rebuildFigures();
}

void TvdxBarcodeAztec::rebuildFigures()
{
    m_width = m_height = m_encoder.MatrixSize();
    ClearFigures();
    T2DBooleanArrayToVectorPrimitives(m_encoder.Matrix(), m_width, m_height, 0);
}

void TvdxBarcodeAztec::SetText(const QString &value)
{
    TvdxBarcode2DBase::SetText(value);
    SetErrorText(QString());
    try {
        m_encoder.SetData(value);
    } catch (const Exception &e) {
        SetErrorText(e.message());
    }
    rebuildFigures();
}

void TvdxBarcodeAztec::SetMinECCPercent(int value)
{
    m_encoder.SetMinECCPercent(value);
    rebuildFigures();
}

void TvdxBarcodeAztec::Assign(const TvdxBarcode2DBase &source)
{
    TvdxBarcode2DBase::Assign(source);
    auto *s = dynamic_cast<const TvdxBarcodeAztec *>(&source);
    if (!s)
        return;
    SetPixelSize(s->PixelSize());
    try {
        m_encoder.SetMinECCPercent(s->MinECCPercent());
    } catch (const Exception &) {
        // The copied text decides the outcome below.
    }
    // Symbol and copied text agree at once.
    SetText(m_text);
}

