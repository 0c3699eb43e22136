#include "core/vdGIFGraphic.h"
#include <QBuffer>
#include <QtEndian>

VD_DEFINE_GRAPHIC_CLASS(TvdxGIFGraphic, TGraphic)

TvdxGIFGraphic::TvdxGIFGraphic() : FGIFImage(std::make_unique<TvdxGIFImage>()) {}

TvdxGIFGraphic::~TvdxGIFGraphic() = default;

void TvdxGIFGraphic::Assign(const TGraphic &source)
{
    if (&source == this)
        return;
    if (const auto *gif = dynamic_cast<const TvdxGIFGraphic *>(&source)) {
        FGIFImage = TvdxGIFImage::CreateCopy(*gif->FGIFImage);
        Changed();
        return;
    }
    TGraphic::Assign(source);
}

void TvdxGIFGraphic::Draw(Canvas &canvas, const TRect &rect) const
{
    FGIFImage->Draw(canvas, rect);
}

QImage TvdxGIFGraphic::ToImage() const
{
    if (Empty() || FGIFImage->Image().isNull())
        return {};
    QImage image = FGIFImage->Image().convertToFormat(QImage::Format_ARGB32);
    if (const TvdxHtBitmap *mask = FGIFImage->BitmapMask()) {
        const QImage &m = mask->Image();
        for (int y = 0; y < image.height() && y < m.height(); ++y) {
            QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < image.width() && x < m.width(); ++x)
                if (m.pixelIndex(x, y) != 0 && qGray(m.color(m.pixelIndex(x, y))) > 127)
                    line[x] = 0;
        }
    }
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

void TvdxGIFGraphic::SetWidth(int value)
{
    if (value != Width())
        FGIFImage->SetSize(value, Height());
}

void TvdxGIFGraphic::SetHeight(int value)
{
    if (value != Height())
        FGIFImage->SetSize(Width(), value);
}

void TvdxGIFGraphic::LoadFromStream(QIODevice &stream)
{
    try {
        FGIFImage->LoadFromStream(stream);
    } catch (...) {
    }
    Changed();
}

void TvdxGIFGraphic::SaveToStream(QIODevice &stream) const
{
    FGIFImage->SaveToStream(stream);
}

void TvdxGIFGraphic::ReadData(QIODevice &stream)
{
    char raw[4];
    if (stream.read(raw, 4) != 4)
        throw EInvalidGraphic(QStringLiteral("TGif: %1").arg(GifErrorText(gifUnexpectedEof)));
    const quint32 length = qFromLittleEndian<quint32>(raw);
    QByteArray bytes = stream.read(qint64(length));
    if (bytes.size() != qint64(length))
        throw EInvalidGraphic(QStringLiteral("TGif: %1").arg(GifErrorText(gifUnexpectedEof)));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    FGIFImage->LoadFromStream(buffer);
    Changed();
}

void TvdxGIFGraphic::WriteData(QIODevice &stream) const
{
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        FGIFImage->SaveToStream(buffer);
    }
    char raw[4];
    qToLittleEndian<quint32>(quint32(bytes.size()), raw);
    stream.write(raw, 4);
    stream.write(bytes);
}
