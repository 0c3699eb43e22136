// Drawing helpers shared by controls and editors, and the overlap arithmetic
// the band shift engine uses.
#pragma once
#include "platform/Canvas.h"
#include "platform/GraphicsTypes.h"

#include <QRect>
#include <memory>

class QPainter;
class TBitmap;
class TvdImageList;
class TvdComponent;

void SetCanvasBkMode(Canvas &canvas, BkMode mode);
// A one-pixel checkerboard of color over the rectangle: the pattern's set
// pixels keep the picture, the others take color.
void FillCheckeredRect(QPainter &painter, const QRect &rect, TColor color);
// Sizes bitmap to the list's tiles, fills it with color and draws image index.
void ImageListItemToBitmap(const TvdImageList &list, TBitmap &bitmap, int index, TColor color);
// Draws bitmap masked by its transparent colour.
void DrawMaskedBitmap(QPainter &painter, int x, int y, const TBitmap &bitmap);
void DrawCheckBox(QPainter &painter, const QRect &rect, TColor checkColor, bool checked, TColor frameColor);
// Triangle centred in rect: vertical points down (up when reverse), otherwise
// right (left when reverse).
void DrawArrowGlyph(QPainter &painter, const QRect &rect, TColor color, bool reverse, bool vertical);
// count chevrons inside rect shrunk by inset, each shifted by 2 * gap; size is
// the half-height of a mark.
void DrawChevrons(QPainter &painter, const QRect &rect, TColor color, int count, int inset, int gap, int size,
                  bool reverse, bool vertical);
// Screen density factors (pixels per inch / 96) of the primary screen.
void GetScreenScale(bool force, double &scaleX, double &scaleY);

// A rectangle in report pixels.
class TvdxRectArea {
public:
    TvdxRectArea(double left, double top, double right, double bottom)
        : Left(left), Top(top), Right(right), Bottom(bottom) {}
    // From absolute left/top and width/height.
    static TvdxRectArea FromBounds(double absLeft, double absTop, double width, double height)
    {
        return TvdxRectArea(absLeft, absTop, absLeft + width, absTop + height);
    }

    bool InterceptsX(const TvdxRectArea &a) const { return a.Left < Right - 1e-4 && a.Right > Left + 1e-4; }
    bool InterceptsY(const TvdxRectArea &a) const { return a.Top < Bottom - 1e-4 && a.Bottom > Top + 1e-4; }
    // The horizontal overlap (Top = Bottom = 0), or nothing.
    std::unique_ptr<TvdxRectArea> InterceptX(const TvdxRectArea &a) const;
    // The vertical overlap (Left = Right = 0), or nothing.
    std::unique_ptr<TvdxRectArea> InterceptY(const TvdxRectArea &a) const;
    static double Max(double a, double b) { return a > b ? a : b; }
    static double Min(double a, double b) { return a < b ? a : b; }

    double Left;
    double Top;
    double Right;
    double Bottom;
};
