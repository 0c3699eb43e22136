#include "barcode/vdxBarcodeMaxiCode.h"

#include "platform/Exception.h"

TvdxBarcodeMaxiCode::TvdxBarcodeMaxiCode()
{
    m_encoder.SetData(m_text);
    m_pixelWidth = m_pixelHeight = 1;
    copyRaster();
}

void TvdxBarcodeMaxiCode::copyRaster()
{
    const QImage &b = m_encoder.Bitmap();
    const int a = std::max(b.width(), b.height());
    m_width = m_height = a;
    const int stride = (a - 1) / 8 + 1;
    m_image.assign(size_t(a) * size_t(stride), 0);
    for (int r = 0; r < b.height(); ++r)
        for (int c = 0; c < b.width(); ++c)
            if (b.pixelIndex(c, r) == 0)
                m_image[size_t(r) * size_t(stride) + size_t(c / 8)] |= std::uint8_t(0x80 >> (c % 8));
}

void TvdxBarcodeMaxiCode::SetText(const QString &value)
{
    TvdxBarcode2DBase::SetText(value);
    SetErrorText(QString());
    try {
        m_encoder.SetData(value);
    } catch (const Exception &e) {
        SetErrorText(e.message());
    }
    // A mode that was refused still stands against this text.
    if (!m_modeError.isEmpty())
        SetErrorText(m_modeError);
    copyRaster();
}

void TvdxBarcodeMaxiCode::SetMode(int value)
{
    // The value is kept as written, so that a template saves what it loaded.
    m_mode = value;
    try {
        m_encoder.SetMode(value);
    } catch (const Exception &e) {
        // Out of range: the message stands against every text; modes 2 and 3
        // fail again with every text by themselves.
        m_modeError = value < 2 || value > 6 ? e.message() : QString();
        SetErrorText(e.message());
        copyRaster();
        throw;
    }
    m_modeError.clear();
    SetErrorText(QString());
    copyRaster();
}

void TvdxBarcodeMaxiCode::Assign(const TvdxBarcode2DBase &source)
{
    TvdxBarcode2DBase::Assign(source);
    auto *s = dynamic_cast<const TvdxBarcodeMaxiCode *>(&source);
    if (!s)
        return;
    try {
        SetMode(s->Mode());
    } catch (const Exception &) {
    }
    SetText(m_text);
}
