#include "core/vdWinGraphicUtils.h"
#include "platform/Canvas.h"
#include <QMutex>
#include <QMutexLocker>
#include <cstring>

namespace {

QMutex g_capsLock;
TvdDeviceCaps g_printerCaps{true, true, 24};

const uint8_t kDither[64] = {
    10, 128, 32, 160, 8, 136, 40, 168,  192, 64, 224, 96, 200, 72, 232, 104,
    48, 176, 16, 144, 56, 184, 24, 152, 240, 112, 208, 80, 248, 120, 216, 88,
    12, 140, 44, 172, 4, 132, 36, 164,  204, 76, 236, 108, 196, 68, 228, 100,
    60, 188, 28, 156, 52, 180, 20, 148, 252, 124, 220, 92, 244, 116, 212, 84};

inline QRgb rgbOf(TColor c)
{
    c = ColorToRGB(c);
    return qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
}

TRect fullRect(const QImage &img) { return TRect(0, 0, img.width(), img.height()); }

// White (0xffffffff) where the source equals the colour, black elsewhere; the
// source is stretched to w x h first when its size differs.
QImage monoFromColor(const QImage &source, TColor color, int w, int h)
{
    QImage src = source.convertToFormat(QImage::Format_RGB32);
    if (src.width() != w || src.height() != h)
        src = src.scaled(w, h, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    const QRgb key = rgbOf(color) & 0xffffff;
    QImage out(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        const QRgb *s = reinterpret_cast<const QRgb *>(src.constScanLine(y));
        QRgb *d = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < w; ++x)
            d[x] = (s[x] & 0xffffff) == key ? 0xffffffffu : 0xff000000u;
    }
    return out;
}

// Blackens the mask pixel; works on every storage format.
void blacken(QImage &img, int x, int y)
{
    switch (img.format()) {
    case QImage::Format_Mono:
    case QImage::Format_Indexed8: {
        const QList<QRgb> t = img.colorTable();
        int idx = 0;
        for (int i = 0; i < t.size(); ++i)
            if ((t[i] & 0xffffff) == 0) { idx = i; break; }
        img.setPixel(x, y, uint(idx));
        break;
    }
    case QImage::Format_ARGB32:
    case QImage::Format_RGB32:
        reinterpret_cast<QRgb *>(img.scanLine(y))[x] &= 0xff000000u;
        break;
    default:
        img.setPixel(x, y, qRgb(0, 0, 0));
    }
}

} // namespace

TvdDeviceCaps vdDeviceCaps(const Canvas &canvas)
{
    if (canvas.isPrinter()) {
        QMutexLocker lock(&g_capsLock);
        return g_printerCaps;
    }
    return TvdDeviceCaps{false, true, 32};
}

void vdSetPrinterDeviceCaps(const TvdDeviceCaps &caps)
{
    QMutexLocker lock(&g_capsLock);
    g_printerCaps = caps;
}

bool CanAlphaBlend(const TvdDeviceCaps &caps)
{
    return !caps.RasterPrinter || caps.ShadeBlend || caps.BitsPerPixel > 16;
}

bool CanAlphaBlend(const Canvas &canvas)
{
    return CanAlphaBlend(vdDeviceCaps(canvas));
}

void AlphaBlendBitmap(Canvas &canvas, const TRect &rect, const TBitmap &bitmap)
{
    QImage img = bitmap.Image();
    if (img.isNull())
        return;
    if (img.format() == QImage::Format_ARGB32)
        img.reinterpretAsFormat(QImage::Format_ARGB32_Premultiplied);
    canvas.AlphaBlend(rect, img, fullRect(img), 255, true);
}

void StretchDIBToDevice(Canvas &canvas, const TRect &rect, const TBitmap &bitmap)
{
    const QImage img = bitmap.ToImage();
    if (!img.isNull())
        canvas.StretchDIBits(rect, img, fullRect(img), SRCCOPY);
}

void StretchBitmapToDevice(Canvas &canvas, const TRect &rect, const TBitmap &bitmap)
{
    StretchDIBToDevice(canvas, rect, bitmap);
}

void BuildMonoMask(TBitmap &Mask, const TBitmap &Source, TColor Color, bool Invert)
{
    const int w = Mask.Width(), h = Mask.Height();
    if (w <= 0 || h <= 0 || Source.Empty())
        return;
    const QImage mono = monoFromColor(Source.Image(), Color, w, h);
    Mask.ScanLine(0); // the mask is being modified
    QImage &img = const_cast<QImage &>(Mask.Image());
    for (int y = 0; y < h; ++y) {
        const QRgb *m = reinterpret_cast<const QRgb *>(mono.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            const bool white = (m[x] & 0xffffff) != 0;
            if (white == Invert)
                blacken(img, x, y);
        }
    }
    Mask.Changed();
}

void AndMaskFromColor(Canvas &canvas, int X, int Y, TColor Color, const TBitmap &Source, int Width, int Height)
{
    if (Width <= 0 || Height <= 0 || Source.Empty())
        return;
    const QImage mono = monoFromColor(Source.Image(), Color, Width, Height);
    canvas.StretchDIBits(TRect(X, Y, X + Width, Y + Height), mono, fullRect(mono), SRCAND);
}

int OrderedDitherThreshold(int x, int y)
{
    return kDither[8 * (x % 8) + (y % 8)];
}

void OrderedDither(TBitmap &Bitmap)
{
    if (Bitmap.PixelFormat() != pf8bit || Bitmap.Empty())
        return;
    for (int y = 0; y < Bitmap.Height(); ++y) {
        uchar *row = Bitmap.ScanLine(y);
        for (int x = 0; x < Bitmap.Width(); ++x)
            row[x] = row[x] < OrderedDitherThreshold(x, y) ? 0 : 255;
    }
    Bitmap.Changed();
}

void XorMaskDraw(Canvas &canvas, const TRect &Rect, const TBitmap &Bitmap, bool PrintMode, TColor MaskColor,
                 const TBitmap *MaskBitmap)
{
    Q_UNUSED(PrintMode);
    if (Bitmap.Empty())
        return;
    const QImage img = Bitmap.ToImage();
    QImage mask;
    if (MaskBitmap && !MaskBitmap->Empty()) {
        mask = MaskBitmap->Image().convertToFormat(QImage::Format_RGB32);
        if (mask.size() != img.size())
            mask = mask.scaled(img.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    } else {
        // No colour means the untouched (white) background of a work bitmap.
        mask = monoFromColor(img, MaskColor == clNone ? clWhite : MaskColor, img.width(), img.height());
    }
    canvas.DrawMasked(Rect, img, fullRect(img), mask.convertToFormat(QImage::Format_Grayscale8), true);
}

void DrawPicture(Canvas &canvas, const TRect &Rect, const TGraphic *Graphic, const TBitmap *MaskBitmap,
                 TColor MaskColor, bool Transparent, bool HiQuality, bool Print)
{
    canvas.brush().color = clWhite;
    if (!Graphic || Graphic->Empty())
        return;
    const auto *bmp = dynamic_cast<const TBitmap *>(Graphic);
    if (Graphic->IsMetafile() || (!Print && !HiQuality && (!Transparent || bmp))) {
        if (bmp && bmp->Transparent())
            XorMaskDraw(canvas, Rect, *bmp, false, MaskColor, MaskBitmap);
        else
            Graphic->Draw(canvas, Rect);
        return;
    }
    const int gw = Graphic->Width(), gh = Graphic->Height();
    TBitmap W(gw, gh, (Print && !Transparent) ? pf32bit : pf24bit);
    if (Transparent)
        W.Fill((MaskBitmap && MaskColor == clNone) ? clWhite : (MaskColor == clNone ? clWhite : MaskColor));
    Graphic->Draw(W.GetCanvas(), TRect(0, 0, gw, gh));
    W.ReleaseCanvas();

    std::unique_ptr<TBitmap> ownMask;
    const TBitmap *M = nullptr;
    if (Transparent && Print) {
        if (MaskBitmap && MaskBitmap->PixelFormat() == pf1bit) {
            ownMask = std::make_unique<TBitmap>();
            ownMask->Assign(*MaskBitmap);
            BuildMonoMask(*ownMask, W, MaskColor, false);
        } else if (MaskBitmap) {
            const int rw = std::max(1, Rect.Width()), rh = std::max(1, Rect.Height());
            ownMask = std::make_unique<TBitmap>(rw, rh, pf1bit);
            ownMask->Fill(clWhite);
            TBitmap G(rw, rh, pf8bit);
            QImage scaled = MaskBitmap->Image().convertToFormat(QImage::Format_Grayscale8)
                                .scaled(rw, rh, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            for (int y = 0; y < rh; ++y)
                std::memcpy(G.ScanLine(y), scaled.constScanLine(y), size_t(rw));
            OrderedDither(G);
            BuildMonoMask(*ownMask, G, clBlack, false);
        } else {
            ownMask = std::make_unique<TBitmap>(gw, gh, pf1bit);
            ownMask->Fill(clWhite);
            BuildMonoMask(*ownMask, W, MaskColor, false);
        }
        M = ownMask.get();
    }
    if (Transparent)
        XorMaskDraw(canvas, Rect, W, Print, MaskColor, M);
    else if (!Print)
        StretchBitmapToDevice(canvas, Rect, W);
    else
        StretchDIBToDevice(canvas, Rect, W);
}
