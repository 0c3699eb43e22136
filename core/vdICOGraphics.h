// Windows icons and their picture-format driver.
#pragma once
#include "core/vdPictureGraphics.h"

// An icon file; the picture is its largest image (PNG or bitmap entry, with
// the AND mask or the alpha channel as transparency).
class TIcon : public TGraphic {
    VD_GRAPHIC_CLASS(TIcon)
public:
    TIcon();
    ~TIcon() override;
    int Width() const override { return m_width; }
    int Height() const override { return m_height; }
    void SetWidth(int w) override;
    void SetHeight(int h) override;
    bool Empty() const override { return m_image.isNull(); }
    int ImageCount() const { return m_count; }
    // Premultiplied pixels of the chosen image.
    const QImage &Image() const { return m_image; }
    void SetImage(const QImage &image);

    void LoadFromStream(QIODevice &stream) override;
    void SaveToStream(QIODevice &stream) const override;
    void Assign(const TGraphic &source) override;
    QImage ToImage() const override { return m_image; }

    // One 32-bit image as an icon file.
    static QByteArray EncodeIcon(const QImage &image);

private:
    QImage m_image;
    int m_width = 0;
    int m_height = 0;
    int m_count = 0;
    QByteArray m_fileBytes;
};

class TvdxICOGraphicFormat : public TvdxCustomGraphicFormat {
    VD_GRAPHIC_FORMAT(TvdxICOGraphicFormat)
public:
    std::unique_ptr<TGraphic> CreateNew(int Width, int Height, TPixelFormat PixelFormat, bool Transparent,
                                        int Quality) const override;
    std::unique_ptr<TBitmap> ConvertToBitmap(const TGraphic *Graphic, TPixelFormat DestPixelFormat) const override;
    TGraphicClassRef GetGraphicClass() const override { return &TIcon::staticClass(); }
    QString GetGraphicMime() const override { return QStringLiteral("image/vnd.microsoft.icon"); }
    QString GetGraphicName() const override { return QStringLiteral("ICO"); }
    QString GetGraphicExt() const override { return QStringLiteral(".ico"); }
    int GetGraphicConst() const override { return vdGraphicICO; }
    bool IsSupportedFormat(QIODevice &Stream) const override;
};
