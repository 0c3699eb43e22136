// SVG pictures: the picture class that owns one document, its driver in the
// picture-format registry and its canvas helper. The rest of the system
// reaches SVG content only through these.
#pragma once
#include "core/vdPictureGraphics.h"
#include "svg/vdSVGRoot.h"

#include <memory>

class TvdxSVGGraphic : public TGraphic {
    VD_GRAPHIC_CLASS(TvdxSVGGraphic)
public:
    // Intermediate metafiles have their larger side this long.
    static constexpr int MetafileDetail = 8000;

    TvdxSVGGraphic();
    ~TvdxSVGGraphic() override;

    TSVGRootObj &RootObj() const { return *FRootObj; }
    QString Source() const { return FRootObj->Source(); }

    // Another SVG picture: its source parsed anew, with its external settings.
    void Assign(const TGraphic &source) override;
    void Draw(Canvas &canvas, const TRect &rect) const override;
    QImage ToImage() const override;
    bool Empty() const override { return FRootObj->Count() == 0; }
    int Width() const override;
    int Height() const override;
    void SetWidth(int value) override;
    void SetHeight(int value) override;
    bool Transparent() const override { return true; }
    bool SupportsPartialTransparency() const override { return true; }

    // Parse errors are dropped (the picture is then empty but keeps the text
    // as its source); the picture changes in every case.
    void LoadFromStream(QIODevice &stream) override;
    void SaveToStream(QIODevice &stream) const override;
    void LoadFromText(const QString &text);
    // Unlike streams, files report what the reader raises.
    void LoadFromFile(const QString &fileName);
    void SwitchFullOpacity();

    // The streamed "Data" property: a signed 32-bit little-endian count and
    // that many bytes of the document as SaveToStream writes it.
    void ReadData(QIODevice &stream);
    void WriteData(QIODevice &stream) const;

    // Recognises SVG text from the stream's position on; the position stays.
    static bool CanLoadFromStream(QIODevice &stream);

private:
    // Paints straight into a rectangle of the canvas.
    void paintInto(Canvas &canvas, const TRect &rect) const;

    std::unique_ptr<TSVGRootObj> FRootObj;
};

class TvdxSVGGraphicFormat : public TvdxCustomVectorGraphicFormat {
    VD_GRAPHIC_FORMAT(TvdxSVGGraphicFormat)
public:
    TvdxGraphicCanvasHelperClass GetCanvasHelperClass() const override;
    std::unique_ptr<TGraphic> ConvertFrom(const TGraphic *Graphic, TPixelFormat DestPixelFormat,
                                          int DestQuality) const override;
    std::unique_ptr<TGraphic> CreateNew(int Width, int Height, TPixelFormat PixelFormat, bool Transparent,
                                        int Quality) const override;
    std::unique_ptr<TGraphic> ScaleGraphicToNew(const TGraphic *Graphic, int NewWidth, int NewHeight) const override;
    void DrawExt(const TvdxDrawGraphicExt &GProps, Canvas &canvas, const TGraphic *AGraphic, const TRect &Area,
                 double ScaleX, double ScaleY) const override;
    TGraphicClassRef GetGraphicClass() const override { return &TvdxSVGGraphic::staticClass(); }
    QString GetGraphicMime() const override { return QStringLiteral("image/svg+xml"); }
    QString GetGraphicName() const override { return QStringLiteral("SVG"); }
    QString GetGraphicExt() const override { return QStringLiteral(".svg"); }
    int GetGraphicConst() const override { return vdGraphicSVG; }
    TvdxGraphicProps GetGraphicProps(const TGraphic *Graphic) const override;
    TvdxGraphicFormatCaps GetFormatCapabilities() const override { return vdAllFormatCaps - TvdxGraphicFormatCaps{gcGetCanvas}; }
    bool HasAlphaChanel(const TGraphic *) const override { return true; }
    bool IsTranslucent() const override { return true; }
    bool IsSupportedFormat(QIODevice &Stream) const override { return TvdxSVGGraphic::CanLoadFromStream(Stream); }
    bool IsTextData(const TGraphic *) const override { return true; }
    QString GetTextData(const TGraphic *Graphic) const override;
    void SetTextData(TGraphic *Graphic, const QString &st) const override;
    std::unique_ptr<TGraphic> CreateFromText(const QString &st) const override;
};

class TvdxSVGCanvasHelper : public TvdxGraphicCanvasHelper {
public:
    using TvdxGraphicCanvasHelper::TvdxGraphicCanvasHelper;
    QString ClassName() const override { return QStringLiteral("TvdxSVGCanvasHelper"); }
    void SwitchFullOpacity() override;
};

// Registers the picture class and the driver (start-up step of this module).
void vdSVGGraphicsStartup();
