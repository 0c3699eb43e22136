#include "core/vdMetafileGraphics.h"
#include "platform/Canvas.h"
#include <QIODevice>
#include <QtEndian>

void vdMetafileGraphicsStartup()
{
    TPicture::RegisterFileFormat(QStringLiteral("emf"), QStringLiteral("Enhanced Metafiles"), &TMetafile::staticClass());
    TPicture::RegisterFileFormat(QStringLiteral("wmf"), QStringLiteral("Metafiles"), &TMetafile::staticClass());
    TvdxGraphicFormats *f = GetGraphicFormats();
    f->RegisterFormat(TvdxWMFGraphicFormat::Class());
    f->RegisterFormat(TvdxEMFGraphicFormat::Class());
    f->RegisterFormat(TvdxVDEMFGraphicFormat::Class());
}

TvdxCustomGraphicFormatClass TvdxBaseMetafileGraphicFormat::ParentFormat() const
{
    static const TvdxCustomVectorGraphicFormat base;
    return &base;
}

TvdxCustomGraphicFormatClass TvdxEMFGraphicFormat::ParentFormat() const
{
    static const TvdxBaseMetafileGraphicFormat base;
    return &base;
}

TvdxGraphicCanvasHelperClass TvdxBaseMetafileGraphicFormat::GetCanvasHelperClass() const
{
    return &TvdxGraphicCanvasHelper::Make<TvdxMetaCanvasHelper>;
}

TvdxGraphicProps TvdxBaseMetafileGraphicFormat::GetGraphicProps(const TGraphic *Graphic) const
{
    TvdxGraphicProps p;
    p.HasAlpha = false;
    p.Transparent = Graphic && Graphic->Transparent();
    p.TransparentColor = clNone;
    p.Quality = 100;
    p.PixelFormat = pfDevice;
    return p;
}

std::unique_ptr<TGraphic> TvdxBaseMetafileGraphicFormat::CreateNew(int Width, int Height, TPixelFormat, bool,
                                                                   int) const
{
    auto g = GetGraphicClass()->create();
    g->SetWidth(Width);
    g->SetHeight(Height);
    return g;
}

std::unique_ptr<TGraphic> TvdxEMFGraphicFormat::CreateNew(int Width, int Height, TPixelFormat PixelFormat,
                                                          bool Transparent, int Quality) const
{
    auto g = TvdxBaseMetafileGraphicFormat::CreateNew(Width, Height, PixelFormat, Transparent, Quality);
    static_cast<TMetafile *>(g.get())->SetEnhanced(true);
    return g;
}

std::unique_ptr<TGraphic> TvdxBaseMetafileGraphicFormat::ConvertFrom(const TGraphic *Graphic,
                                                                     TPixelFormat DestPixelFormat,
                                                                     int DestQuality) const
{
    if (!Graphic)
        return nullptr;
    auto r = CreateNew(Graphic->Width(), Graphic->Height(), DestPixelFormat, true, DestQuality);
    if (Graphic->InheritsFrom(TMetafile::staticClass())) {
        const int w = r->Width(), h = r->Height();
        r->Assign(*Graphic);
        r->SetWidth(w);
        r->SetHeight(h);
        return r;
    }
    auto f = GetGraphicFormats()->FindByGraphic(&Graphic->graphicClass());
    if (!f)
        return r;
    auto bmp = f->ConvertToBitmap(Graphic, DestPixelFormat);
    if (bmp && !bmp->Empty()) {
        auto *m = static_cast<TMetafile *>(r.get());
        Canvas &c = m->GetCanvas();
        const QImage img = bmp->ToImage();
        if (img.hasAlphaChannel())
            c.AlphaBlend(TRect(0, 0, img.width(), img.height()), img, TRect(0, 0, img.width(), img.height()), 255, true);
        else
            c.StretchDraw(TRect(0, 0, img.width(), img.height()), img);
        m->ReleaseCanvas();
    }
    return r;
}

bool TvdxWMFGraphicFormat::IsSupportedFormat(QIODevice &Stream) const
{
    QByteArray b;
    return PeekBytes(Stream, 18, b)
        && qFromLittleEndian<uint32_t>(reinterpret_cast<const uchar *>(b.constData())) == 0x9AC6CDD7u;
}

bool TvdxEMFGraphicFormat::IsSupportedFormat(QIODevice &Stream) const
{
    QByteArray b;
    return PeekBytes(Stream, 108, b)
        && qFromLittleEndian<uint32_t>(reinterpret_cast<const uchar *>(b.constData()) + 40) == 0x464D4520u;
}

TvdxMetaCanvasHelper::~TvdxMetaCanvasHelper()
{
    TvdxMetaCanvasHelper::ReleaseCanvas();
}

Canvas &TvdxMetaCanvasHelper::GetCanvas()
{
    auto *m = dynamic_cast<TMetafile *>(FGraphic);
    if (!m)
        return TvdxGraphicCanvasHelper::GetCanvas();
    if (!FCanvas)
        FCanvas = &m->GetCanvas();
    return *FCanvas;
}

void TvdxMetaCanvasHelper::ReleaseCanvas()
{
    if (!FCanvas)
        return;
    FCanvas = nullptr;
    if (auto *m = dynamic_cast<TMetafile *>(FGraphic))
        m->ReleaseCanvas();
}
