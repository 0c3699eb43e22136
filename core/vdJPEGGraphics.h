// JPEG pictures (libjpeg-turbo) and their picture-format driver.
#pragma once
#include "core/vdPictureGraphics.h"

enum TJPEGPixelFormat { jf24Bit, jf8Bit };

// Keeps the compressed bytes and the decoded pixels. A picture assigned from
// a bitmap is compressed (with CompressionQuality) when it is saved.
class TJPEGImage : public TGraphic {
    VD_GRAPHIC_CLASS(TJPEGImage)
public:
    TJPEGImage();
    ~TJPEGImage() override;
    int Width() const override { return m_bitmap.Width(); }
    int Height() const override { return m_bitmap.Height(); }
    bool Empty() const override { return m_bitmap.Empty(); }
    int CompressionQuality() const { return m_quality; }
    void SetCompressionQuality(int q) { m_quality = std::clamp(q, 1, 100); }
    // jf8Bit pictures are greyscale.
    TJPEGPixelFormat PixelFormat() const { return m_pixelFormat; }
    void SetPixelFormat(TJPEGPixelFormat pf);
    bool Grayscale() const { return m_pixelFormat == jf8Bit; }
    // The decoded picture.
    const TBitmap &Bitmap() const { return m_bitmap; }
    // Re-compresses now with the current quality and pixel format.
    void Compress();

    void LoadFromStream(QIODevice &stream) override;
    void SaveToStream(QIODevice &stream) const override;
    void Assign(const TGraphic &source) override;
    QImage ToImage() const override { return m_bitmap.ToImage(); }

    static QByteArray EncodeImage(const QImage &image, int quality, bool grey);
    static QImage DecodeBytes(const QByteArray &bytes, bool &grey);

private:
    TBitmap m_bitmap;
    mutable QByteArray m_data;
    int m_quality = 90;
    TJPEGPixelFormat m_pixelFormat = jf24Bit;
};

class TvdxJPEGPictureFormat : public TvdxCustomGraphicFormat {
    VD_GRAPHIC_FORMAT(TvdxJPEGPictureFormat)
public:
    TvdxGraphicCanvasHelperClass GetCanvasHelperClass() const override;
    TvdxGraphicFormatCaps GetFormatCapabilities() const override;
    std::unique_ptr<TGraphic> CreateNew(int Width, int Height, TPixelFormat PixelFormat, bool Transparent,
                                        int Quality) const override;
    std::unique_ptr<TGraphic> ConvertFrom(const TGraphic *Graphic, TPixelFormat DestPixelFormat,
                                          int DestQuality) const override;
    TvdxGraphicProps GetGraphicProps(const TGraphic *Graphic) const override;
    TGraphicClassRef GetGraphicClass() const override { return &TJPEGImage::staticClass(); }
    QString GetGraphicMime() const override { return QStringLiteral("image/jpeg"); }
    QString GetGraphicName() const override { return QStringLiteral("JPG"); }
    QString GetGraphicExt() const override { return QStringLiteral(".jpg"); }
    int GetGraphicConst() const override { return vdGraphicJPG; }
    bool IsSupportedFormat(QIODevice &Stream) const override;
};

class TvdxJPEGCanvasHelper : public TvdxGraphicCanvasHelper {
public:
    using TvdxGraphicCanvasHelper::TvdxGraphicCanvasHelper;
    ~TvdxJPEGCanvasHelper() override;
    QString ClassName() const override { return QStringLiteral("TvdxJPEGCanvasHelper"); }
    Canvas &GetCanvas() override;
    void ReleaseCanvas() override;
private:
    std::unique_ptr<TBitmap> FBitmap;
};
