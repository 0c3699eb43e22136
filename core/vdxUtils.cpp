#include "core/vdxUtils.h"
#include "core/vdGraphic.h"
#include "core/vdImageList.h"

#include <QBitmap>
#include <QGuiApplication>
#include <QPainter>
#include <QPolygon>
#include <QScreen>
#include <cmath>

void SetCanvasBkMode(Canvas &canvas, BkMode mode)
{
    canvas.SetBkMode(mode);
}

void FillCheckeredRect(QPainter &painter, const QRect &rect, TColor color)
{
    if (rect.isEmpty())
        return;
    // Rows 0xAA and 0x55; the clear bits take the colour, the set ones leave
    // what is below (a bitmap brush paints only its set bits).
    QImage bits(8, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y) {
        const int row = (y % 2 == 0) ? 0xAA : 0x55;
        for (int x = 0; x < 8; ++x)
            bits.setPixel(x, y, (row & (0x80 >> x)) ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    }
    painter.save();
    QBrush brush(toQColor(ColorToRGB(color)), QBitmap::fromImage(bits, Qt::MonoOnly | Qt::ThresholdDither));
    painter.setBrushOrigin(0, 0);
    painter.setPen(Qt::NoPen);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    // An opaque background would fill the other half with the background colour.
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.fillRect(rect, brush);
    painter.restore();
}

void ImageListItemToBitmap(const TvdImageList &list, TBitmap &bitmap, int index, TColor color)
{
    QImage img(list.Width(), list.Height(), QImage::Format_RGB32);
    img.fill(toQColor(ColorToRGB(color)));
    {
        QPainter p(&img);
        list.Draw(p, 0, 0, index);
    }
    bitmap.SetImage(img, pf24bit);
}

void DrawMaskedBitmap(QPainter &painter, int x, int y, const TBitmap &bitmap)
{
    if (bitmap.Empty())
        return;
    TvdImageList one(bitmap.Width(), bitmap.Height());
    one.AddMasked(bitmap, bitmap.TransparentColor());
    one.Draw(painter, x, y, 0);
}

void DrawCheckBox(QPainter &painter, const QRect &rect, TColor checkColor, bool checked, TColor frameColor)
{
    painter.save();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(toQColor(ColorToRGB(frameColor)), 1));
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
    if (checked) {
        const double u = rect.width() / 11.0;
        const double l = rect.left();
        const double t = rect.top();
        const QPolygonF mark({QPointF(l + 2 * u, t + 5 * u), QPointF(l + 4.5 * u, t + 7.5 * u),
                              QPointF(l + 9 * u, t + 3 * u), QPointF(l + 9 * u, t + 5 * u),
                              QPointF(l + 4.5 * u, t + 9.5 * u), QPointF(l + 2 * u, t + 7 * u)});
        painter.setPen(Qt::NoPen);
        painter.setBrush(toQColor(ColorToRGB(checkColor)));
        painter.drawPolygon(mark);
    }
    painter.restore();
}

void DrawArrowGlyph(QPainter &painter, const QRect &rect, TColor color, bool reverse, bool vertical)
{
    const int cx = rect.left() + rect.width() / 2;
    const int cy = rect.top() + rect.height() / 2;
    const int s = qMax(1, qMin(rect.width(), rect.height()) / 4);
    QPolygon tri;
    if (vertical) {
        const int d = reverse ? -1 : 1;
        tri << QPoint(cx - s, cy - d * s / 2) << QPoint(cx + s, cy - d * s / 2) << QPoint(cx, cy + d * s / 2 + d);
    } else {
        const int d = reverse ? -1 : 1;
        tri << QPoint(cx - d * s / 2, cy - s) << QPoint(cx - d * s / 2, cy + s) << QPoint(cx + d * s / 2 + d, cy);
    }
    painter.save();
    painter.setPen(QPen(toQColor(ColorToRGB(color)), 1));
    painter.setBrush(toQColor(ColorToRGB(color)));
    painter.drawPolygon(tri);
    painter.restore();
}

void DrawChevrons(QPainter &painter, const QRect &rect, TColor color, int count, int inset, int gap, int size,
                  bool reverse, bool vertical)
{
    const QRect r = rect.adjusted(inset, inset, -inset, -inset);
    if (r.isEmpty() || count <= 0)
        return;
    painter.save();
    painter.setPen(QPen(toQColor(ColorToRGB(color)), 1));
    painter.setBrush(Qt::NoBrush);
    const int d = reverse ? -1 : 1;
    for (int i = 0; i < count; ++i) {
        QPolygon mark;
        if (vertical) {
            const int y = (reverse ? r.bottom() - size : r.top()) + d * i * 2 * gap;
            const int cx = r.left() + r.width() / 2;
            mark << QPoint(cx - size, y) << QPoint(cx, y + d * size) << QPoint(cx + size, y);
        } else {
            const int x = (reverse ? r.right() - size : r.left()) + d * i * 2 * gap;
            const int cy = r.top() + r.height() / 2;
            mark << QPoint(x, cy - size) << QPoint(x + d * size, cy) << QPoint(x, cy + size);
        }
        painter.drawPolyline(mark);
    }
    painter.restore();
}

void GetScreenScale(bool force, double &scaleX, double &scaleY)
{
    scaleX = scaleY = 1.0;
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    scaleX = screen->logicalDotsPerInchX() / 96.0;
    scaleY = screen->logicalDotsPerInchY() / 96.0;
    const bool scaled = std::fabs(scaleX - 1) > 1e-4 && std::fabs(scaleY - 1) > 1e-4;
    if (!scaled || force) {
        // A virtualized density shows as device pixels per logical pixel.
        const double ratio = screen->devicePixelRatio();
        if (ratio > 0 && std::fabs(ratio - 1) > 1e-4) {
            scaleX = ratio;
            scaleY = ratio;
        }
    }
}

std::unique_ptr<TvdxRectArea> TvdxRectArea::InterceptX(const TvdxRectArea &a) const
{
    if (!InterceptsX(a))
        return nullptr;
    return std::make_unique<TvdxRectArea>(Max(Left, a.Left), 0, Min(Right, a.Right), 0);
}

std::unique_ptr<TvdxRectArea> TvdxRectArea::InterceptY(const TvdxRectArea &a) const
{
    if (!InterceptsY(a))
        return nullptr;
    return std::make_unique<TvdxRectArea>(0, Max(Top, a.Top), 0, Min(Bottom, a.Bottom));
}
