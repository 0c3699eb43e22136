// TvdxPicture of vdxExportHelpers.h: kept apart for its picture-format needs.
#include "core/vdPictureGraphics.h"
#include "export/pdf/vdxExportHelpers.h"
#include "export/pdf/vdxExportPDFHelpers.h"
#include "platform/Canvas.h"

namespace {

const TvdxCustomGraphicFormat *findFormat(const QString &name)
{
    const TvdxCustomGraphicFormat *f = GetGraphicFormats()->FindByName(name);
    if (!f)
        throw EPDFExportError(QStringLiteral("Picture format \"%1\" is not registered").arg(name));
    return f;
}

} // namespace

TvdxPicture::TvdxPicture(TvdxPictureFormat format, int width, int height, bool transparent, bool isVectorSource,
                         bool isAlpha)
    : FFormat(format), FPixelFormat(pf24bit), FIsAlpha(isAlpha)
{
    if (isVectorSource && (isAlpha || transparent))
        FGVectorHelper = findFormat(QStringLiteral("VDEMF"));
    FGHelper = findFormat(PictureFormatName(format));
    if (FGVectorHelper) {
        FVectorGraphic = FGVectorHelper->CreateNew(width, height, FPixelFormat, false, 100);
        if (!FVectorGraphic)
            throw EPDFExportError(QStringLiteral("Cannot create a picture of format \"VDEMF\""));
        FCanvasHelper = FGVectorHelper->CreateCanvasHelper(FVectorGraphic.get());
    } else {
        if ((format == TvdxPictureFormat::pfPNG && transparent) || isAlpha || format == TvdxPictureFormat::pfBMP32)
            FPixelFormat = pf32bit;
        FGraphic = FGHelper->CreateNew(width, height, FPixelFormat, FPixelFormat == pf32bit, 100);
        if (!FGraphic)
            throw EPDFExportError(QStringLiteral("Cannot create a picture of format \"%1\"").arg(PictureFormatName(format)));
        FCanvasHelper = FGHelper->CreateCanvasHelper(FGraphic.get());
    }
}

TvdxPicture::~TvdxPicture()
{
    // The helper writes back into its graphic, so it goes first.
    FCanvasHelper.reset();
}

Canvas &TvdxPicture::GetCanvas()
{
    if (!FCanvasHelper)
        throw EPDFExportError(QStringLiteral("The picture was already released"));
    return FCanvasHelper->GetCanvas();
}

void TvdxPicture::FillColor(TColor color, TColor clNoneReplacement)
{
    const TvdxCustomGraphicFormat *format = FGVectorHelper ? FGVectorHelper : FGHelper;
    TGraphic *graphic = FVectorGraphic ? FVectorGraphic.get() : FGraphic.get();
    if (format->HasAlphaChanel(graphic))
        return;
    Canvas &canvas = GetCanvas();
    canvas.setBrush(CanvasBrush(color == clNone ? clNoneReplacement : color, BrushStyle::Solid));
    const TRect area = canvas.HasClip() ? canvas.ClipBox() : TRect(0, 0, graphic->Width(), graphic->Height());
    canvas.FillRect(area);
}

void TvdxPicture::SetTransparentColor(TColor transparentColor)
{
    if (FCanvasHelper)
        FCanvasHelper->GraphicHelper()->SetTransparentColor(FCanvasHelper->GetCanvasGraphic(), transparentColor);
    FillColor(transparentColor, transparentColor);
}

TGraphic *TvdxPicture::Release(double scale)
{
    if (FCanvasHelper) {
        FCanvasHelper->ReleaseCanvas();
        FCanvasHelper.reset();
    }
    if (!FVectorGraphic)
        return FGraphic.get();
    if (scale > 1 && FGHelper == TvdxBitmapGraphicFormat::Class())
        FGraphic = static_cast<const TvdxBitmapGraphicFormat *>(FGHelper)->ConvertFromVector(FVectorGraphic.get(),
                                                                                              pf32bit, scale);
    else
        FGraphic = FGHelper->ConvertFrom(FVectorGraphic.get(), pf32bit, 100);
    FVectorGraphic.reset();
    return FGraphic.get();
}
