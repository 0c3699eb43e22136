// Bitmaps for image strips: cutting a strip into image-list tiles with greyed
// twins, and enlarging bitmaps for screens above 96 pixels per inch.
#pragma once
#include "core/vdGraphic.h"

class TvdImageList;

class TvdBitmap : public TBitmap {
public:
    TvdBitmap() = default;
    explicit TvdBitmap(const QSize &size);
    TvdBitmap(int width, int height);
    static std::unique_ptr<TvdBitmap> CreateSize(const QSize &size) { return std::make_unique<TvdBitmap>(size); }
    static std::unique_ptr<TvdBitmap> CreateSize(int width, int height)
    {
        return std::make_unique<TvdBitmap>(width, height);
    }

    // Every pixel becomes grey g = min(255, 150 + Round(((r + g + b) div 3) / 3)).
    void MakeDisabled();
};

// The colour a bitmap is masked by: its bottom-left pixel (clNone when empty).
TColor vdAutoTransparentColor(const QImage &image);

// Cuts strip into tiles row by row and appends them masked by each tile's
// bottom-left pixel; with disabledList also a greyed twin of each tile.
void SplitImageStrip(const TBitmap &strip, int tileWidth, int tileHeight, TvdImageList *disabledList,
                     TvdImageList &list);

// Above 96 PPI replaces the bitmap by a copy stretched to
// Round(PPI * width / 96) x Round(PPI * height / 96); otherwise does nothing.
void ScaleBitmapToPPI(TBitmap &bitmap, int ppi);
// The same on an image (nearest pixels, so mask colours stay exact).
QImage ScaleImageToPPI(const QImage &image, int ppi);
