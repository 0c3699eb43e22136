// Picture-format drivers of metafiles: WMF, EMF and the library's own EMF
// variant, which plays into the target rectangle exactly.
#pragma once
#include "core/vdGraphicUtils.h"
#include "core/vdPictureGraphics.h"

class TvdxBaseMetafileGraphicFormat : public TvdxCustomVectorGraphicFormat {
public:
    QString ClassName() const override { return QStringLiteral("TvdxBaseMetafileGraphicFormat"); }
    TvdxGraphicCanvasHelperClass GetCanvasHelperClass() const override;
    TGraphicClassRef GetGraphicClass() const override { return &TMetafile::staticClass(); }
    QString GetGraphicMime() const override { return QStringLiteral("image/metafile"); }
    TvdxGraphicProps GetGraphicProps(const TGraphic *Graphic) const override;
    std::unique_ptr<TGraphic> CreateNew(int Width, int Height, TPixelFormat PixelFormat, bool Transparent,
                                        int Quality) const override;
    std::unique_ptr<TGraphic> ConvertFrom(const TGraphic *Graphic, TPixelFormat DestPixelFormat,
                                          int DestQuality) const override;
protected:
    TvdxCustomGraphicFormatClass ParentFormat() const override;
};

class TvdxWMFGraphicFormat : public TvdxBaseMetafileGraphicFormat {
    VD_GRAPHIC_FORMAT(TvdxWMFGraphicFormat)
public:
    QString GetGraphicName() const override { return QStringLiteral("WMF"); }
    QString GetGraphicExt() const override { return QStringLiteral(".wmf"); }
    int GetGraphicConst() const override { return vdGraphicWMF; }
    bool IsSupportedFormat(QIODevice &Stream) const override;
};

class TvdxEMFGraphicFormat : public TvdxBaseMetafileGraphicFormat {
    VD_GRAPHIC_FORMAT(TvdxEMFGraphicFormat)
public:
    QString GetGraphicName() const override { return QStringLiteral("EMF"); }
    QString GetGraphicExt() const override { return QStringLiteral(".emf"); }
    int GetGraphicConst() const override { return vdGraphicEMF; }
    bool IsSupportedFormat(QIODevice &Stream) const override;
    std::unique_ptr<TGraphic> CreateNew(int Width, int Height, TPixelFormat PixelFormat, bool Transparent,
                                        int Quality) const override;
protected:
    TvdxCustomGraphicFormatClass ParentFormat() const override;
};

class TvdxVDEMFGraphicFormat : public TvdxEMFGraphicFormat {
    VD_GRAPHIC_FORMAT(TvdxVDEMFGraphicFormat)
public:
    QString GetGraphicName() const override { return QStringLiteral("VDEMF"); }
    TGraphicClassRef GetGraphicClass() const override { return &TvdxMetafile::staticClass(); }
protected:
    TvdxCustomGraphicFormatClass ParentFormat() const override { return TvdxEMFGraphicFormat::Class(); }
};

class TvdxMetaCanvasHelper : public TvdxGraphicCanvasHelper {
public:
    using TvdxGraphicCanvasHelper::TvdxGraphicCanvasHelper;
    ~TvdxMetaCanvasHelper() override;
    QString ClassName() const override { return QStringLiteral("TvdxMetaCanvasHelper"); }
    Canvas &GetCanvas() override;
    void ReleaseCanvas() override;
private:
    Canvas *FCanvas = nullptr;
};
