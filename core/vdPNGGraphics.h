// PNG pictures (decoded and encoded with libpng) and their picture-format
// driver. An alpha channel (colour types 4 and 6) and a tRNS transparent
// colour or palette transparency are kept apart, as the file has them.
#pragma once
#include "core/vdPictureGraphics.h"

enum TPNGTransparencyMode { ptmNone, ptmBit, ptmPartial };

constexpr int COLOR_GRAYSCALE = 0;
constexpr int COLOR_RGB = 2;
constexpr int COLOR_PALETTE = 3;
constexpr int COLOR_GRAYSCALEALPHA = 4;
constexpr int COLOR_RGBALPHA = 6;

// Pixel storage: palette images keep one index per byte (Indexed8, the colour
// table is the palette); greyscale and RGB images are RGB32; images with an
// alpha channel are ARGB32, not premultiplied, the alpha byte being the
// file's alpha sample.
class TPngImage : public TGraphic {
    VD_GRAPHIC_CLASS(TPngImage)
public:
    TPngImage();
    ~TPngImage() override;
    // A blank picture, every byte zero (alpha included).
    void CreateBlank(int ColorType, int BitDepth, int Width, int Height);

    int Width() const override { return m_pixels.width(); }
    int Height() const override { return m_pixels.height(); }
    bool Empty() const override { return m_pixels.isNull(); }
    int ColorType() const { return m_colorType; }
    int BitDepth() const { return m_bitDepth; }
    bool Interlaced() const { return m_interlaced; }
    TPNGTransparencyMode TransparencyMode() const;
    bool HasAlphaRow() const { return m_colorType == COLOR_GRAYSCALEALPHA || m_colorType == COLOR_RGBALPHA; }
    bool HasTrns() const { return m_hasTrns; }
    // The tRNS colour (greyscale and RGB), or the palette colour of the one
    // fully transparent entry; clNone without one.
    TColor TransparentColor() const;
    // Drops an alpha channel first; clNone removes the tRNS colour.
    void SetTransparentColor(TColor c);
    void RemoveTransparency();
    // Adds an opaque alpha channel to greyscale, RGB and palette pictures.
    void CreateAlpha();
    bool SupportsPartialTransparency() const override { return TransparencyMode() == ptmPartial; }

    const QList<QRgb> &Palette() const { return m_palette; }
    void SetPalette(const QList<QRgb> &p);
    // Alpha of each palette entry (shorter than the palette: the rest is 255).
    const QByteArray &PaletteAlpha() const { return m_trnsAlpha; }
    void SetPaletteAlpha(const QByteArray &a);
    const QImage &Pixels() const { return m_pixels; }
    // Writable pixels; drops the kept file bytes.
    QImage &MutablePixels();
    uchar Alpha(int x, int y) const;

    // A canvas drawing into the pixels (greyscale and palette pictures
    // become RGB); the alpha samples stay as they are.
    Canvas &GetCanvas();
    void ReleaseCanvas();

    void LoadFromStream(QIODevice &stream) override;
    void SaveToStream(QIODevice &stream) const override;
    void Assign(const TGraphic &source) override;
    QImage ToImage() const override;
    QByteArray Encode(int compressionLevel = 6) const;

private:
    void Modified();
    QImage m_pixels;
    int m_colorType = COLOR_RGB;
    int m_bitDepth = 8;
    bool m_interlaced = false;
    QList<QRgb> m_palette;
    QByteArray m_trnsAlpha;
    bool m_hasTrns = false;
    QRgb m_trnsColor = 0; // greyscale and RGB tRNS, 8-bit samples
    QByteArray m_fileBytes;
    mutable QImage m_drawCache;
    std::unique_ptr<QPainterCanvas> m_canvas;
};

// The class of the PNG pictures the driver creates; same behaviour.
class TPNGObject : public TPngImage {
    VD_GRAPHIC_CLASS(TPNGObject)
};

class TvdxPNGGraphicFormat : public TvdxFullAbilitiesGraphicFormat {
    VD_GRAPHIC_FORMAT(TvdxPNGGraphicFormat)
public:
    TvdxGraphicCanvasHelperClass GetCanvasHelperClass() const override;
    std::unique_ptr<TGraphic> CreateNew(int Width, int Height, TPixelFormat PixelFormat, bool Transparent,
                                        int Quality) const override;
    std::unique_ptr<TGraphic> CreateFromStream(QIODevice &Stream) const override;
    bool LoadFromStream(TPicture &aPictire, QIODevice &Stream) const override;
    TvdxGraphicProps GetGraphicProps(const TGraphic *Graphic) const override;
    bool HasAlphaChanel(const TGraphic *Graphic) const override;
    bool HasMaskColor(const TGraphic *Graphic) const override;
    TColor GetTransparentColor(const TGraphic *Graphic) const override;
    void SetTransparent(TGraphic *Graphic, bool Transparent) const override;
    void SetTransparentColor(TGraphic *Graphic, TColor Color) const override;
    std::unique_ptr<TBitmap> GetAlphaBitmap(const TGraphic *Graphic) const override;
    std::unique_ptr<TBitmap> ConvertToBitmap(const TGraphic *Graphic, TPixelFormat DestPixelFormat) const override;
    std::unique_ptr<TGraphic> ConvertFrom(const TGraphic *Graphic, TPixelFormat DestPixelFormat,
                                          int DestQuality) const override;
    void Draw(Canvas &canvas, const TGraphic *AGraphic, const TRect &Area, TvdxGraphicQuality Quality) const override;
    void DrawTransparent(Canvas &canvas, const TGraphic *AGraphic, const TRect &Area, TColor MaskColor,
                         TvdxGraphicQuality Quality) const override;
    void DrawByProps(const TvdxDrawGraphicExt &GProps, Canvas &canvas, const TGraphic *AGraphic, const TRect &Area,
                     double ScaleX, double ScaleY) const override;
    TGraphicClassRef GetGraphicClass() const override { return &TPngImage::staticClass(); }
    QString GetGraphicMime() const override { return QStringLiteral("image/png"); }
    QString GetGraphicName() const override { return QStringLiteral("PNG"); }
    QString GetGraphicExt() const override { return QStringLiteral(".png"); }
    int GetGraphicConst() const override { return vdGraphicPNG; }
    bool IsTranslucent() const override { return true; }
    bool IsSupportedFormat(QIODevice &Stream) const override;
};

class TvdxPNGCanvasHelper : public TvdxGraphicCanvasHelper {
public:
    using TvdxGraphicCanvasHelper::TvdxGraphicCanvasHelper;
    ~TvdxPNGCanvasHelper() override;
    QString ClassName() const override { return QStringLiteral("TvdxPNGCanvasHelper"); }
    Canvas &GetCanvas() override;
    TGraphic *GetCanvasGraphic() override { return FBitmap.get(); }
    void ReleaseCanvas() override;
private:
    std::unique_ptr<TBitmap> FBitmap;
    bool FDirect = false;
};

// A copy as RGB with alpha, bit depth 8. A tRNS colour becomes alpha 0.
std::unique_ptr<TPngImage> MakeRGBAlphaPng(const TPngImage *Graphic);
// A pf32bit bitmap with premultiplied colour from an RGB-with-alpha PNG.
std::unique_ptr<TBitmap> PngToPremultipliedBitmap(const TPngImage *Graphic);
bool PrepareAlphaBitmap(const TPngImage *Graphic, std::unique_ptr<TBitmap> &Bitmap);
// Writes a premultiplied pf32bit bitmap into the PNG's colour and alpha.
void StoreBitmapInPng(TPngImage *Png, const TBitmap *Bitmap);

// Whether the canvas records a metafile (drawing there must not lose transparency).
bool vdIsMetafileCanvas(const Canvas &canvas);
