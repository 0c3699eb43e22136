// QR Code engine of the 2D barcode object, with its centre picture and its
// L-shaped corner mark.
#pragma once
#include "barcode/vdxBarcode2DBase.h"
#include "barcode/vdxQREncoder.h"
#include "core/vdGraphic.h"

class TvdxBarcodeLogo : public TvdPersistent {
    Q_OBJECT
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
public:
    TvdxBarcodeLogo();
    ~TvdxBarcodeLogo() override;

    // Created empty on first read.
    TPicture *Logo();
    bool HasLogo() const { return m_picture != nullptr; }
    void SetLogo(const TPicture *picture);
    int Width() const { return m_width; }
    void SetWidth(int value) { m_width = value; }
    int Height() const { return m_height; }
    void SetHeight(int value) { m_height = value; }
    void Assign(const TvdPersistent *source) override;
    // The picture travels as its graphic's class name and file bytes.
    void WriteBinaryProperties(TvdBinaryWriter &writer) const override;
    bool ReadBinaryProperty(const QString &name, TvdBinaryReader &reader) override;
    // Stretches the picture over the middle of drawRect.
    void Draw(const TRect &drawRect, double scaleX, double scaleY, Canvas &canvas, double zoom) const;
    // Where Draw puts the picture.
    TRect PlacedRect(const TRect &drawRect, double scaleX, double scaleY, double zoom) const;

private:
    std::unique_ptr<TPicture> m_picture;
    int m_width = 32;
    int m_height = 32;
};

class TvdxBarcodeGraphicMarker : public TvdPersistent {
    Q_OBJECT
    Q_PROPERTY(bool ShowGraphicMarker READ ShowGraphicMarker WRITE SetShowGraphicMarker)
    Q_PROPERTY(int WidthLine READ WidthLine WRITE SetWidthLine)
    Q_PROPERTY(int Distance READ Distance WRITE SetDistance)
public:
    explicit TvdxBarcodeGraphicMarker(int pixelSize);

    bool ShowGraphicMarker() const { return m_show; }
    void SetShowGraphicMarker(bool value) { m_show = value; }
    int WidthLine() const { return m_widthLine; }
    // At least twice the pixel size; smaller values are ignored.
    void SetWidthLine(int value);
    int Distance() const { return m_distance; }
    // At least four times the pixel size; smaller values are ignored.
    void SetDistance(int value);
    int PixelSize() const { return m_pixelSize; }
    void SetPixelSize(int value) { m_pixelSize = value; }
    void Assign(const TvdPersistent *source) override;
    void Draw(const TRect &drawRect, double scaleX, double scaleY, Canvas &canvas, double zoom, int footerHeight) const;

private:
    bool m_show = false;
    int m_widthLine;
    int m_distance;
    int m_pixelSize;
};

class TvdxBarcodeQR : public TvdxBarcode2DBaseWithUnion {
public:
    TvdxBarcodeQR();
    ~TvdxBarcodeQR() override;

    void SetText(const QString &value) override;
    int Width() override;
    int Height() override;
    void Assign(const TvdxBarcode2DBase &source) override;
    void Draw2DBarcode(Canvas &g, double scaleX, double scaleY, int x, int y) override;

    TQRCodeEncoding Encoding() const { return m_encoder.Encoding(); }
    void SetEncoding(TQRCodeEncoding value);
    int QRQuietZone() const { return m_encoder.QuietZone(); }
    void SetQRQuietZone(int value);
    TQRErrorLevels ErrorLevels() const { return m_encoder.ErrorLevels(); }
    void SetErrorLevels(TQRErrorLevels value);
    int PixelSize() const { return m_pixelWidth; }
    void SetPixelSize(int value);
    int Codepage() const { return m_encoder.CodePage(); }
    void SetCodepage(int value);
    TvdxBarcodeLogo *Logo() const { return m_logo.get(); }
    TvdxBarcodeGraphicMarker *GraphicMarker() const { return m_marker.get(); }
    const TvdxQREncoder &Encoder() const { return m_encoder; }

private:
    // Runs one change of the encoder; a failure becomes the error text.
    template <typename F> void encodeWith(F change);
    void rebuildFigures();

    TvdxQREncoder m_encoder;
    std::unique_ptr<TvdxBarcodeLogo> m_logo;
    std::unique_ptr<TvdxBarcodeGraphicMarker> m_marker;
};
