#include "platform/EnhMetafile.h"
#include "platform/EmfRecorderCanvas.h"
#include "platform/QPainterCanvas.h"
#include <QIODevice>

EnhMetafile EnhMetafile::fromBytes(const QByteArray &bytes)
{
    EnhMetafile m;
    m.m_info = EmfPlayer::ReadHeader(bytes);
    m.m_bytes = bytes;
    m.m_width = m.m_info.width;
    m.m_height = m.m_info.height;
    return m;
}

void EnhMetafile::setSize(int width, int height)
{
    m_width = std::max(0, width);
    m_height = std::max(0, height);
}

void EnhMetafile::load(QIODevice &device)
{
    const qint64 left = device.size() - device.pos();
    if (left > EmfPlayer::MaxBytes)
        throw EMetafileError(QStringLiteral("The metafile is too large"));
    *this = fromBytes(device.read(std::max<qint64>(left, 0)));
}

void EnhMetafile::save(QIODevice &device) const
{
    if (device.write(m_bytes) != m_bytes.size())
        throw EMetafileError(QStringLiteral("The metafile could not be written: %1").arg(device.errorString()));
}

void EnhMetafile::clear()
{
    *this = EnhMetafile();
}

std::unique_ptr<EmfRecorderCanvas> EnhMetafile::beginRecording() const
{
    return std::make_unique<EmfRecorderCanvas>(std::max(m_width, 1), std::max(m_height, 1));
}

void EnhMetafile::endRecording(EmfRecorderCanvas &canvas)
{
    const int w = canvas.pictureWidth(), h = canvas.pictureHeight();
    *this = fromBytes(canvas.finish());
    // The requested size stands, whatever rounding the frame went through.
    m_width = w;
    m_height = h;
}

QByteArray EnhMetafile::toEmf() const
{
    if (isEmpty() || isEnhanced())
        return m_bytes;
    EmfRecorderCanvas rec(std::max(m_width, 1), std::max(m_height, 1));
    EmfPlayer::Play(rec, m_bytes, TRect(0, 0, std::max(m_width, 1), std::max(m_height, 1)));
    return rec.finish();
}

void EnhMetafile::play(Canvas &canvas, const TRect &dest) const
{
    if (!isEmpty())
        EmfPlayer::Play(canvas, m_bytes, dest);
}

QImage EnhMetafile::toImage(int width, int height, const QColor &background) const
{
    const int w = width > 0 ? width : std::max(m_width, 1);
    const int h = height > 0 ? height : std::max(m_height, 1);
    if (qint64(w) * h > EmfPlayer::MaxBitmapPixels)
        throw EMetafileError(QStringLiteral("The picture is too large to render (%1 x %2)").arg(w).arg(h));
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(background);
    QPainterCanvas c(img);
    play(c, TRect(0, 0, w, h));
    return img;
}
