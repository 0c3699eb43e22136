// A list of equally sized images with transparency, as toolbars, menus and
// palettes use them.
#pragma once
#include "platform/GraphicsTypes.h"
#include <QImage>
#include <QList>

class QPainter;
class TBitmap;

class TvdImageList {
public:
    explicit TvdImageList(int width = 16, int height = 16);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // Changing the size empties the list.
    void SetSize(int width, int height);
    int Count() const { return static_cast<int>(m_images.size()); }

    // Images are fitted to the tile size (cropped, or padded with transparency).
    int Add(const QImage &image);
    // Pixels of maskColor become transparent; clNone keeps every pixel.
    int AddMasked(const TBitmap &bitmap, TColor maskColor);
    int AddMasked(const QImage &image, TColor maskColor);
    void Replace(int index, const QImage &image);
    void ReplaceMasked(int index, const QImage &image, TColor maskColor);
    void Delete(int index);
    void Clear() { m_images.clear(); }

    // ARGB32 (premultiplied); a null image for an index out of range.
    QImage Image(int index) const;
    void Draw(QPainter &painter, int x, int y, int index) const;

private:
    QImage fit(const QImage &image) const;
    static QImage masked(const QImage &image, TColor maskColor);
    int m_width;
    int m_height;
    QList<QImage> m_images;
};
