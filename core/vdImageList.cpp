#include "core/vdImageList.h"
#include "core/vdGraphic.h"

#include <QPainter>

TvdImageList::TvdImageList(int width, int height) : m_width(qMax(1, width)), m_height(qMax(1, height)) {}

void TvdImageList::SetSize(int width, int height)
{
    m_width = qMax(1, width);
    m_height = qMax(1, height);
    m_images.clear();
}

QImage TvdImageList::fit(const QImage &image) const
{
    QImage img = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (img.width() == m_width && img.height() == m_height)
        return img;
    QImage out(m_width, m_height, QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    QPainter p(&out);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(0, 0, img);
    return out;
}

QImage TvdImageList::masked(const QImage &image, TColor maskColor)
{
    QImage img = image.convertToFormat(QImage::Format_ARGB32);
    if (maskColor != clNone) {
        const QRgb key = toQColor(maskColor).rgb() & 0xFFFFFF;
        for (int y = 0; y < img.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
            for (int x = 0; x < img.width(); ++x)
                if ((line[x] & 0xFFFFFF) == key)
                    line[x] = 0;
        }
    }
    return img;
}

int TvdImageList::Add(const QImage &image)
{
    m_images << fit(image);
    return Count() - 1;
}

int TvdImageList::AddMasked(const QImage &image, TColor maskColor)
{
    return Add(masked(image, maskColor));
}

int TvdImageList::AddMasked(const TBitmap &bitmap, TColor maskColor)
{
    return AddMasked(bitmap.Image(), maskColor);
}

void TvdImageList::Replace(int index, const QImage &image)
{
    if (index >= 0 && index < Count())
        m_images[index] = fit(image);
}

void TvdImageList::ReplaceMasked(int index, const QImage &image, TColor maskColor)
{
    Replace(index, masked(image, maskColor));
}

void TvdImageList::Delete(int index)
{
    if (index >= 0 && index < Count())
        m_images.removeAt(index);
}

QImage TvdImageList::Image(int index) const
{
    return index >= 0 && index < Count() ? m_images[index] : QImage();
}

void TvdImageList::Draw(QPainter &painter, int x, int y, int index) const
{
    if (index >= 0 && index < Count())
        painter.drawImage(x, y, m_images[index]);
}
