#include "core/vdGraphics.h"
#include "core/vdImageList.h"

#include <QPainter>
#include <cmath>

TvdBitmap::TvdBitmap(const QSize &size) : TBitmap(size.width(), size.height()) {}
TvdBitmap::TvdBitmap(int width, int height) : TBitmap(width, height) {}

void TvdBitmap::MakeDisabled()
{
    QImage img = Image().convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = line[x];
            const int avg = (qRed(c) + qGreen(c) + qBlue(c)) / 3;
            const int g = qMin(255, 150 + static_cast<int>(std::nearbyint(avg / 3.0)));
            line[x] = qRgb(g, g, g);
        }
    }
    SetImage(img, PixelFormat());
}

TColor vdAutoTransparentColor(const QImage &image)
{
    if (image.isNull())
        return clNone;
    return fromQColor(QColor::fromRgb(image.pixel(0, image.height() - 1)));
}

void SplitImageStrip(const TBitmap &strip, int tileWidth, int tileHeight, TvdImageList *disabledList,
                     TvdImageList &list)
{
    const QImage &source = strip.Image();
    if (source.isNull() || tileWidth <= 0 || tileHeight <= 0)
        return;
    const QImage src = source.convertToFormat(QImage::Format_RGB32);
    // Parts of a tile beyond the strip take the strip's own mask colour.
    const QColor background = QColor::fromRgb(src.pixel(0, src.height() - 1));
    TvdBitmap work(tileWidth, tileHeight);
    for (int y = 0; y < src.height(); y += tileHeight) {
        for (int x = 0; x < src.width(); x += tileWidth) {
            QImage tile(tileWidth, tileHeight, QImage::Format_RGB32);
            tile.fill(background);
            {
                QPainter p(&tile);
                p.setCompositionMode(QPainter::CompositionMode_Source);
                p.drawImage(QPoint(0, 0), src, QRect(x, y, tileWidth, tileHeight));
            }
            work.SetImage(tile, pf24bit);
            list.AddMasked(work.Image(), vdAutoTransparentColor(work.Image()));
            if (disabledList) {
                work.MakeDisabled();
                disabledList->AddMasked(work.Image(), vdAutoTransparentColor(work.Image()));
            }
        }
    }
}

QImage ScaleImageToPPI(const QImage &image, int ppi)
{
    if (ppi <= 96 || image.isNull())
        return image;
    const int w = static_cast<int>(std::nearbyint(ppi * static_cast<double>(image.width()) / 96.0));
    const int h = static_cast<int>(std::nearbyint(ppi * static_cast<double>(image.height()) / 96.0));
    return image.scaled(w, h, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

void ScaleBitmapToPPI(TBitmap &bitmap, int ppi)
{
    if (ppi <= 96 || bitmap.Empty())
        return;
    bitmap.SetImage(ScaleImageToPPI(bitmap.Image(), ppi), bitmap.PixelFormat());
}
