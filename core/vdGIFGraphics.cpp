#include "core/vdGIFGraphics.h"
#include <QIODevice>

void TvdxGIFGraphicFormat::Draw(Canvas &canvas, const TGraphic *AGraphic, const TRect &Area,
                                TvdxGraphicQuality Quality) const
{
    const auto *gif = dynamic_cast<const TvdxGIFGraphic *>(AGraphic);
    if (gif && gif->IsTransparent())
        DrawTransparent(canvas, AGraphic, Area, TvdxGIFGraphic::TransparentColor(), Quality);
    else
        TvdxCustomGraphicFormat::Draw(canvas, AGraphic, Area, Quality);
}

bool TvdxGIFGraphicFormat::IsSupportedFormat(QIODevice &Stream) const
{
    QByteArray b;
    if (!PeekBytes(Stream, 6, b))
        return false;
    return (b[0] == 'G' || b[0] == 'g') && (b[1] == 'I' || b[1] == 'i') && (b[2] == 'F' || b[2] == 'f')
        && b[3] == '8' && (b[4] == '7' || b[4] == '9') && (b[5] == 'a' || b[5] == 'A');
}

void vdGIFGraphicsStartup()
{
    if (TPicture::GraphicClassOfExtension(QStringLiteral("gif")) != &TvdxGIFGraphic::staticClass())
        TPicture::RegisterFileFormat(QStringLiteral("GIF"), QStringLiteral("Graphics Interchange Format"),
                                     &TvdxGIFGraphic::staticClass());
    TvdxGraphicFormats *formats = GetGraphicFormats();
    for (int i = 0; i < formats->Count(); ++i)
        if (formats->GetItem(i) == TvdxGIFGraphicFormat::Class())
            return;
    formats->RegisterFormat(TvdxGIFGraphicFormat::Class());
}

namespace {
const bool g_registered = vdAddPictureFormatStartup(vdStartupGIF, &vdGIFGraphicsStartup);
}
