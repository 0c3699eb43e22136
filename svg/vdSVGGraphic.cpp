#include "svg/vdSVGGraphic.h"

#include "core/vdGraphicUtils.h"
#include "platform/QPainterCanvas.h"

#include <QBuffer>
#include <QtEndian>
#include <cmath>

VD_DEFINE_GRAPHIC_CLASS(TvdxSVGGraphic, TGraphic)

namespace {

int roundHalfEven(float v)
{
    const double r = std::nearbyint(double(v));
    return std::isfinite(r) ? int(std::clamp(r, -2147483648.0, 2147483647.0)) : 0;
}

} // namespace

TvdxSVGGraphic::TvdxSVGGraphic() : FRootObj(std::make_unique<TSVGRootObj>()) { m_transparent = true; }

TvdxSVGGraphic::~TvdxSVGGraphic() = default;

int TvdxSVGGraphic::Width() const { return roundHalfEven(FRootObj->GetOuterWidth()); }
int TvdxSVGGraphic::Height() const { return roundHalfEven(FRootObj->GetOuterHeight()); }

void TvdxSVGGraphic::SetWidth(int value)
{
    TSingleBounds b = FRootObj->ExternalBounds();
    if (SameSingle(float(value), b.Width))
        return;
    b.Width = float(value);
    FRootObj->SetExternalBounds(b);
}

void TvdxSVGGraphic::SetHeight(int value)
{
    TSingleBounds b = FRootObj->ExternalBounds();
    if (SameSingle(float(value), b.Height))
        return;
    b.Height = float(value);
    FRootObj->SetExternalBounds(b);
}

void TvdxSVGGraphic::Assign(const TGraphic &source)
{
    const auto *svg = dynamic_cast<const TvdxSVGGraphic *>(&source);
    if (!svg) {
        TGraphic::Assign(source);
        return;
    }
    if (svg == this)
        return;
    const TSVGRootObj &from = *svg->FRootObj;
    auto copy = std::make_unique<TSVGRootObj>(from.CanvasClass());
    // The source text is parsed again: the copy shares nothing with the original.
    try {
        copy->LoadFromText(from.Source());
    } catch (const Exception &) {
    }
    copy->SetExternalBounds(from.ExternalBounds());
    copy->SetExternalScale(from.ExternalScale());
    copy->SetExternalCentered(from.ExternalCentered());
    copy->SetExternalOpacity(from.ExternalOpacity());
    copy->SetExternalFontSize(from.ExternalFontSize());
    copy->SetExternalFontName(from.ExternalFontName());
    copy->SetIsFullOpacity(from.GetIsFullOpacity());
    FRootObj = std::move(copy);
    Changed();
}

void TvdxSVGGraphic::LoadFromStream(QIODevice &stream)
{
    try {
        FRootObj->LoadFromStream(stream);
    } catch (const Exception &) {
    }
    Changed();
}

void TvdxSVGGraphic::SaveToStream(QIODevice &stream) const { FRootObj->SaveToStream(stream); }

void TvdxSVGGraphic::LoadFromText(const QString &text)
{
    try {
        FRootObj->LoadFromText(text);
    } catch (const Exception &) {
    }
    Changed();
}

void TvdxSVGGraphic::LoadFromFile(const QString &fileName)
{
    FRootObj->LoadFromFile(fileName);
    Changed();
}

void TvdxSVGGraphic::SwitchFullOpacity() { FRootObj->SetIsFullOpacity(!FRootObj->GetIsFullOpacity()); }

void TvdxSVGGraphic::ReadData(QIODevice &stream)
{
    char raw[4];
    if (stream.read(raw, 4) != 4)
        throw EInvalidGraphic(QStringLiteral("SVG data is truncated"));
    const qint32 count = qFromLittleEndian<qint32>(raw);
    const qint64 left = stream.isSequential() ? stream.bytesAvailable() : stream.size() - stream.pos();
    if (count < 0 || count > left)
        throw EInvalidGraphic(QStringLiteral("SVG data length %1 is invalid").arg(count));
    QByteArray bytes = stream.read(count);
    if (bytes.size() != count)
        throw EInvalidGraphic(QStringLiteral("SVG data is truncated"));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    FRootObj->LoadFromStream(buffer);
}

void TvdxSVGGraphic::WriteData(QIODevice &stream) const
{
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        FRootObj->SaveToStream(buffer);
    }
    char raw[4];
    qToLittleEndian<qint32>(qint32(bytes.size()), raw);
    stream.write(raw, 4);
    stream.write(bytes);
}

bool TvdxSVGGraphic::CanLoadFromStream(QIODevice &stream)
{
    // The longer signature with room for a byte-order mark.
    const QByteArray head = stream.peek(8);
    if (head.size() < 8)
        return false;
    QByteArray s = head;
    if (s.startsWith("\xEF\xBB\xBF"))
        s.remove(0, 3);
    s = s.toUpper();
    return s.startsWith("<SVG") || s.startsWith("<?XML");
}

void TvdxSVGGraphic::paintInto(Canvas &canvas, const TRect &rect) const
{
    TSVGRootObj &root = *FRootObj;
    const TSingleBounds remembered = root.ExternalBounds();
    struct Restore {
        TSVGRootObj &root;
        TSingleBounds bounds;
        ~Restore() { root.SetExternalBounds(bounds); }
    } restore{root, remembered};
    auto scale = [&](TSVGAttribute a, float external, float target, int own) {
        if (root.atIsPercent(a)) {
            const float computed = root.atLengthAuto(a);
            return computed != 0 ? external / computed : 1.0f;
        }
        return own != 0 ? target / float(own) : 1.0f;
    };
    const float sx = scale(at_width, remembered.Width, float(rect.Width()), Width());
    const float sy = scale(at_height, remembered.Height, float(rect.Height()), Height());
    root.SetExternalBounds({float(rect.Left), float(rect.Top), float(rect.Width()), float(rect.Height())});
    root.SetExternalScale({sx, sy});
    root.SetExternalCentered(false);
    root.PaintTo(canvas);
}

void TvdxSVGGraphic::Draw(Canvas &canvas, const TRect &rect) const
{
    if (Empty())
        return;
    // Drawing reports nothing: a picture that cannot paint shows what it got to.
    try {
        if (canvas.isMetafile()) {
            const double x = std::min(double(MetafileDetail) / std::max(1, rect.Height()),
                                      double(MetafileDetail) / std::max(1, rect.Width()));
            if (x > 1) {
                // Finer intermediate units keep detail in integer records.
                const int w = int(std::nearbyint(x * rect.Width())), h = int(std::nearbyint(x * rect.Height()));
                TvdxMetafile mf;
                mf.SetWidth(w);
                mf.SetHeight(h);
                // Images of paint keep twice the target's resolution, not the intermediate's.
                struct RasterScope {
                    TSVGRootObj &root;
                    ~RasterScope() { root.SetRasterScale(1); }
                } scope{*FRootObj};
                FRootObj->SetRasterScale(float(std::min(1.0, 2 / x)));
                paintInto(mf.GetCanvas(), TRect(0, 0, w, h));
                mf.ReleaseCanvas();
                mf.Draw(canvas, rect);
                return;
            }
        }
        paintInto(canvas, rect);
    } catch (const std::exception &) {
    }
}

QImage TvdxSVGGraphic::ToImage() const
{
    const int w = Width(), h = Height();
    if (w <= 0 || h <= 0 || qint64(w) * h > vdMaxGraphicPixels)
        return {};
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    if (img.isNull())
        return {};
    img.fill(0);
    {
        QPainterCanvas canvas(img);
        Draw(canvas, TRect(0, 0, w, h));
    }
    return img;
}

// ---- the driver ------------------------------------------------------------------------------

TvdxGraphicCanvasHelperClass TvdxSVGGraphicFormat::GetCanvasHelperClass() const
{
    return &TvdxGraphicCanvasHelper::Make<TvdxSVGCanvasHelper>;
}

std::unique_ptr<TGraphic> TvdxSVGGraphicFormat::CreateNew(int Width, int Height, TPixelFormat, bool, int) const
{
    auto g = std::make_unique<TvdxSVGGraphic>();
    g->SetWidth(Width);
    g->SetHeight(Height);
    return g;
}

std::unique_ptr<TGraphic> TvdxSVGGraphicFormat::ConvertFrom(const TGraphic *Graphic, TPixelFormat DestPixelFormat,
                                                            int DestQuality) const
{
    if (!Graphic)
        return nullptr;
    auto g = CreateNew(Graphic->Width(), Graphic->Height(), DestPixelFormat, true, DestQuality);
    // Raster content is not turned into a drawing.
    if (dynamic_cast<const TvdxSVGGraphic *>(Graphic))
        g->Assign(*Graphic);
    return g;
}

std::unique_ptr<TGraphic> TvdxSVGGraphicFormat::ScaleGraphicToNew(const TGraphic *Graphic, int, int) const
{
    if (!Graphic)
        return nullptr;
    const TvdxGraphicProps p = GetGraphicProps(Graphic);
    auto g = CreateNew(Graphic->Width(), Graphic->Height(), p.PixelFormat, p.Transparent, p.Quality);
    if (dynamic_cast<const TvdxSVGGraphic *>(Graphic))
        g->Assign(*Graphic);
    return g;
}

void TvdxSVGGraphicFormat::DrawExt(const TvdxDrawGraphicExt &GProps, Canvas &canvas, const TGraphic *AGraphic,
                                   const TRect &Area, double ScaleX, double ScaleY) const
{
    const auto *svg = dynamic_cast<const TvdxSVGGraphic *>(AGraphic);
    if (svg && (svg->RootObj().atIsPercent(at_width) || svg->RootObj().atIsPercent(at_height))) {
        // Percentages resolve against the area itself.
        DrawByProps(GProps, canvas, AGraphic, Area, ScaleX, ScaleY);
        return;
    }
    TvdxCustomVectorGraphicFormat::DrawExt(GProps, canvas, AGraphic, Area, ScaleX, ScaleY);
}

TvdxGraphicProps TvdxSVGGraphicFormat::GetGraphicProps(const TGraphic *) const
{
    TvdxGraphicProps p;
    p.HasAlpha = true;
    p.Transparent = true;
    p.TransparentColor = clNone;
    p.Quality = 100;
    p.PixelFormat = pfDevice;
    return p;
}

QString TvdxSVGGraphicFormat::GetTextData(const TGraphic *Graphic) const
{
    const auto *svg = dynamic_cast<const TvdxSVGGraphic *>(Graphic);
    return svg ? svg->Source() : QString();
}

void TvdxSVGGraphicFormat::SetTextData(TGraphic *Graphic, const QString &st) const
{
    if (auto *svg = dynamic_cast<TvdxSVGGraphic *>(Graphic))
        svg->LoadFromText(st);
}

std::unique_ptr<TGraphic> TvdxSVGGraphicFormat::CreateFromText(const QString &st) const
{
    auto g = std::make_unique<TvdxSVGGraphic>();
    g->LoadFromText(st);
    return g;
}

void TvdxSVGCanvasHelper::SwitchFullOpacity()
{
    TvdxGraphicCanvasHelper::SwitchFullOpacity();
    auto *svg = dynamic_cast<TvdxSVGGraphic *>(FGraphic);
    if (!svg)
        throw EInvalidGraphicOperation(QStringLiteral("Invalid class typecast"));
    svg->SwitchFullOpacity();
}

void vdSVGGraphicsStartup()
{
    if (TPicture::GraphicClassOfExtension(QStringLiteral("svg")) != &TvdxSVGGraphic::staticClass())
        TPicture::RegisterFileFormat(QStringLiteral("SVG"), QStringLiteral("Scalable Vector Graphics"),
                                     &TvdxSVGGraphic::staticClass());
    TvdxGraphicFormats *formats = GetGraphicFormats();
    for (int i = 0; i < formats->Count(); ++i)
        if (formats->GetItem(i) == TvdxSVGGraphicFormat::Class())
            return;
    formats->RegisterFormat(TvdxSVGGraphicFormat::Class());
}

namespace {
const bool g_registered = vdAddPictureFormatStartup(vdStartupSVG, &vdSVGGraphicsStartup);
}
