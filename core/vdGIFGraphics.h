// The GIF driver of the picture-format registry.
#pragma once
#include "core/vdGIFGraphic.h"
#include "core/vdPictureGraphics.h"

class TvdxGIFGraphicFormat : public TvdxCustomGraphicFormat {
    VD_GRAPHIC_FORMAT(TvdxGIFGraphicFormat)
public:
    // Transparent pictures leave the marker colour's pixels untouched.
    void Draw(Canvas &canvas, const TGraphic *AGraphic, const TRect &Area, TvdxGraphicQuality Quality) const override;
    TGraphicClassRef GetGraphicClass() const override { return &TvdxGIFGraphic::staticClass(); }
    QString GetGraphicMime() const override { return QStringLiteral("image/gif"); }
    QString GetGraphicName() const override { return QStringLiteral("GIF"); }
    QString GetGraphicExt() const override { return QStringLiteral(".gif"); }
    int GetGraphicConst() const override { return vdGraphicGIF; }
    bool IsSupportedFormat(QIODevice &Stream) const override;
};

// Registers the driver once in the registry (start-up step of this module).
void vdGIFGraphicsStartup();
