// Routines that draw pictures onto canvases the way the picture drivers need:
// stretched, alpha-blended, and transparent through a mask colour or a mask
// bitmap (white = transparent), which works on devices that cannot blend.
#pragma once
#include "core/vdGraphic.h"

class Canvas;

// What a device can do with translucent pixels.
struct TvdDeviceCaps {
    bool RasterPrinter = false;
    bool ShadeBlend = false;
    int BitsPerPixel = 32;
};

// Capabilities of a canvas: screens and bitmaps blend; printers answer the
// process-wide printer capabilities (by default a printer that blends).
TvdDeviceCaps vdDeviceCaps(const Canvas &canvas);
void vdSetPrinterDeviceCaps(const TvdDeviceCaps &caps);

bool CanAlphaBlend(const TvdDeviceCaps &caps);
bool CanAlphaBlend(const Canvas &canvas);

// The whole bitmap blended into rect with its per-pixel alpha (taken as premultiplied).
void AlphaBlendBitmap(Canvas &canvas, const TRect &rect, const TBitmap &bitmap);
void StretchDIBToDevice(Canvas &canvas, const TRect &rect, const TBitmap &bitmap);
void StretchBitmapToDevice(Canvas &canvas, const TRect &rect, const TBitmap &bitmap);
// ANDs into Mask a black-and-white picture: white where Source equals Color
// (black there with Invert), black elsewhere.
void BuildMonoMask(TBitmap &Mask, const TBitmap &Source, TColor Color, bool Invert);
// Blackens on the canvas, at (X, Y) over Width x Height, every pixel where the
// stretched source differs from Color.
void AndMaskFromColor(Canvas &canvas, int X, int Y, TColor Color, const TBitmap &Source, int Width, int Height);
// Bytes of an 8-bit bitmap become 0 or 255 by an 8 x 8 threshold table.
void OrderedDither(TBitmap &Bitmap);
// Threshold of the ordered dither at column x, row y.
int OrderedDitherThreshold(int x, int y);
// Transparent drawing: white mask pixels (from MaskBitmap, else the pixels of
// MaskColor) leave the destination unchanged.
void XorMaskDraw(Canvas &canvas, const TRect &Rect, const TBitmap &Bitmap, bool PrintMode, TColor MaskColor,
                 const TBitmap *MaskBitmap);
// The picture-drawing routine of the drivers at high and print quality.
void DrawPicture(Canvas &canvas, const TRect &Rect, const TGraphic *Graphic, const TBitmap *MaskBitmap,
                 TColor MaskColor, bool Transparent, bool HiQuality, bool Print);
