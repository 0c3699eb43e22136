#include "core/vdPictureGraphics.h"
#include "core/vdWinGraphicUtils.h"
#include "platform/Canvas.h"
#include <QIODevice>
#include <QMutexLocker>
#include <QtEndian>
#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

// Start-up steps of the picture modules of this library (they register their
// drivers); referenced here so that linking the registry links them all.
void vdMetafileGraphicsStartup();
void vdPNGGraphicsStartup();
void vdICOGraphicsStartup();
void vdJPEGGraphicsStartup();

namespace {

int roundHalfEven(double v) { return int(std::nearbyint(v)); }

struct StartupStep {
    int rank;
    void (*fn)();
};

std::vector<StartupStep> &startupSteps()
{
    static std::vector<StartupStep> steps;
    return steps;
}

QMutex &globalLock()
{
    static QMutex m;
    return m;
}

TvdxGraphicFormats *g_formats = nullptr;
bool g_startupDone = false;
int g_currentRank = INT_MAX;

void bmpStartup()
{
    GetGraphicFormats()->RegisterFormat(TvdxBitmapGraphicFormat::Class());
}

} // namespace

// ------------------------------------------------------------ start-up

bool vdAddPictureFormatStartup(int rank, void (*startup)())
{
    {
        QMutexLocker lock(&globalLock());
        if (!g_startupDone) {
            startupSteps().push_back({rank, startup});
            return true;
        }
    }
    // The registry exists already: run the step now at its place in the order.
    vdRunPictureFormatStartup(rank, startup);
    return true;
}

void vdRunPictureFormatStartup(int rank, void (*startup)())
{
    const int saved = g_currentRank;
    g_currentRank = rank;
    try {
        startup();
    } catch (...) {
        g_currentRank = saved;
        throw;
    }
    g_currentRank = saved;
}

TvdxGraphicFormats *GetGraphicFormats()
{
    std::vector<StartupStep> steps;
    {
        QMutexLocker lock(&globalLock());
        if (g_formats)
            return g_formats;
        g_formats = new TvdxGraphicFormats;
        if (g_startupDone)
            return g_formats;
        g_startupDone = true;
        steps = startupSteps();
    }
    steps.push_back({vdStartupMetafile, &vdMetafileGraphicsStartup});
    steps.push_back({vdStartupPNG, &vdPNGGraphicsStartup});
    steps.push_back({vdStartupICO, &vdICOGraphicsStartup});
    steps.push_back({vdStartupJPEG, &vdJPEGGraphicsStartup});
    steps.push_back({vdStartupBMP, &bmpStartup});
    std::stable_sort(steps.begin(), steps.end(), [](const StartupStep &a, const StartupStep &b) {
        return a.rank < b.rank;
    });
    for (const StartupStep &s : steps)
        vdRunPictureFormatStartup(s.rank, s.fn);
    return g_formats;
}

// ------------------------------------------------------------ registry

void TvdxGraphicFormats::RegisterFormat(TvdxCustomGraphicFormatClass AClass)
{
    QMutexLocker lock(&FGFormatsCS);
    const int rank = g_currentRank;
    qsizetype at = m_list.size();
    if (rank != INT_MAX) {
        at = 0;
        while (at < m_ranks.size() && m_ranks[at] <= rank)
            ++at;
    }
    m_list.insert(at, AClass);
    m_ranks.insert(at, rank);
}

void TvdxGraphicFormats::UnregisterFormat(TvdxCustomGraphicFormatClass AClass)
{
    bool empty;
    {
        QMutexLocker lock(&FGFormatsCS);
        const qsizetype i = m_list.indexOf(AClass);
        if (i >= 0) {
            m_list.removeAt(i);
            m_ranks.removeAt(i);
        }
        empty = m_list.isEmpty();
    }
    if (empty) {
        QMutexLocker lock(&globalLock());
        if (g_formats == this)
            g_formats = nullptr;
        delete this;
    }
}

void TvdxGraphicFormats::PutItem(int Index, TvdxCustomGraphicFormatClass Value)
{
    if (Index >= 0 && Index < m_list.size())
        m_list[Index] = Value;
}

TvdxCustomGraphicFormatClass TvdxGraphicFormats::FindByGraphic(TGraphicClassRef GraphicClass,
                                                               TvdxGraphicFormatCaps RequiredCaps) const
{
    if (!GraphicClass)
        return nullptr;
    for (auto f : m_list)
        if (GraphicClass->inheritsFrom(f->GetGraphicClass()) && f->GetFormatCapabilities().containsAll(RequiredCaps))
            return f;
    return nullptr;
}

TvdxCustomGraphicFormatClass TvdxGraphicFormats::FindByFormat(QIODevice &Stream,
                                                              TvdxGraphicFormatCaps RequiredCaps) const
{
    for (auto f : m_list)
        if (f->GetFormatCapabilities().containsAll(RequiredCaps) && f->IsSupportedFormat(Stream))
            return f;
    return nullptr;
}

TvdxCustomGraphicFormatClass TvdxGraphicFormats::FindByName(const QString &Name,
                                                            TvdxGraphicFormatCaps RequiredCaps) const
{
    for (auto f : m_list)
        if (f->GetGraphicName() == Name && f->GetFormatCapabilities().containsAll(RequiredCaps))
            return f;
    return nullptr;
}

TvdxCustomGraphicFormatClass TvdxGraphicFormats::FindByExt(const QString &Ext,
                                                           TvdxGraphicFormatCaps RequiredCaps) const
{
    const QString e = Ext.toUpper();
    for (auto f : m_list)
        if (f->GetGraphicExt().toUpper() == e && f->GetFormatCapabilities().containsAll(RequiredCaps))
            return f;
    return nullptr;
}

TvdxCustomGraphicFormatClass TvdxGraphicFormats::FindByConst(int Index, TvdxGraphicFormatCaps RequiredCaps) const
{
    for (auto f : m_list)
        if (f->GetGraphicConst() == Index && f->GetFormatCapabilities().containsAll(RequiredCaps))
            return f;
    return nullptr;
}

std::unique_ptr<TGraphic> TvdxGraphicFormats::LoadFromStream(QIODevice &Stream) const
{
    for (auto f : m_list) {
        if (!f->GetFormatCapabilities().contains(gcLoadFrom) || !f->IsSupportedFormat(Stream))
            continue;
        if (auto g = f->CreateFromStream(Stream))
            return g;
    }
    return nullptr;
}

bool TvdxGraphicFormats::LoadFromStream(TPicture &aPictire, QIODevice &Stream) const
{
    for (auto f : m_list) {
        if (!f->GetFormatCapabilities().contains(gcLoadFrom) || !f->IsSupportedFormat(Stream))
            continue;
        if (f->LoadFromStream(aPictire, Stream))
            return true;
    }
    return false;
}

std::unique_ptr<TGraphic> TvdxGraphicFormats::Convert(const TGraphic *SourceGraphic, const QString &DestFormat,
                                                      TPixelFormat DestPixelFormat, int DestQuality) const
{
    auto f = FindByName(DestFormat, {gcConvert});
    return f ? f->ConvertFrom(SourceGraphic, DestPixelFormat, DestQuality) : nullptr;
}

std::unique_ptr<TBitmap> TvdxGraphicFormats::ConvertToBitmap(const TGraphic *SourceGraphic,
                                                             TPixelFormat DestPixelFormat) const
{
    if (!SourceGraphic)
        return nullptr;
    auto f = FindByGraphic(&SourceGraphic->graphicClass(), {gcConvertToBitmap});
    return f ? f->ConvertToBitmap(SourceGraphic, DestPixelFormat) : nullptr;
}

void TvdxGraphicFormats::Draw(Canvas &canvas, const TGraphic *AGraphic, const TRect &Area,
                              TvdxGraphicQuality Quality) const
{
    if (!AGraphic)
        return;
    if (auto f = FindByGraphic(&AGraphic->graphicClass()))
        f->Draw(canvas, AGraphic, Area, Quality);
}

void TvdxGraphicFormats::DrawExt(const TvdxDrawGraphicExt &GProps, Canvas &canvas, const TGraphic *AGraphic,
                                 const TRect &Area, double ScaleX, double ScaleY) const
{
    if (!AGraphic)
        return;
    if (auto f = FindByGraphic(&AGraphic->graphicClass()))
        f->DrawExt(GProps, canvas, AGraphic, Area, ScaleX, ScaleY);
}

void TvdxGraphicFormats::ScaleGraphic(TGraphic *Graphic, int NewWidth, int NewHeight) const
{
    if (!Graphic)
        return;
    if (auto f = FindByGraphic(&Graphic->graphicClass(), {gcGetCanvas}))
        f->ScaleGraphic(Graphic, NewWidth, NewHeight);
}

std::unique_ptr<TGraphic> TvdxGraphicFormats::ScaleGraphicToNew(const TGraphic *Graphic, int NewWidth,
                                                                int NewHeight) const
{
    if (!Graphic)
        return nullptr;
    auto f = FindByGraphic(&Graphic->graphicClass(), {gcGetCanvas});
    return f ? f->ScaleGraphicToNew(Graphic, NewWidth, NewHeight) : nullptr;
}

bool TvdxGraphicFormats::HasAlphaChanel(const TGraphic *Graphic) const
{
    if (!Graphic)
        return false;
    auto f = FindByGraphic(&Graphic->graphicClass());
    return f && f->HasAlphaChanel(Graphic);
}

bool TvdxGraphicFormats::IsTransparent(const TGraphic *Graphic) const
{
    if (!Graphic)
        return false;
    auto f = FindByGraphic(&Graphic->graphicClass());
    return f && f->IsTransparent(Graphic);
}

QStringList TvdxGraphicFormats::BuildFormatsStrings(TvdxGraphicStringType stType,
                                                    TvdxGraphicFormatCaps RequiredCaps) const
{
    QStringList out;
    for (auto f : m_list) {
        if (!f->GetFormatCapabilities().containsAll(RequiredCaps))
            continue;
        switch (stType) {
        case stClassName: out << f->ClassName(); break;
        case stName: out << f->GetGraphicName(); break;
        case stExtension: out << QLatin1Char('*') + f->GetGraphicExt(); break;
        case stMime: out << f->GetGraphicMime(); break;
        }
    }
    return out;
}

QString TvdxGraphicFormats::BuildFormatsString(TvdxGraphicStringType stType, const QString &Separator,
                                               TvdxGraphicFormatCaps RequiredCaps) const
{
    const QChar delim = Separator.isEmpty() ? QLatin1Char(',') : Separator.at(0);
    QStringList parts;
    for (const QString &line : BuildFormatsStrings(stType, RequiredCaps)) {
        if (line.contains(QLatin1Char(' ')) || line.contains(QLatin1Char('"')) || line.contains(delim)) {
            QString q = line;
            q.replace(QLatin1String("\""), QLatin1String("\"\""));
            parts << QLatin1Char('"') + q + QLatin1Char('"');
        } else {
            parts << line;
        }
    }
    return parts.join(delim);
}

// ------------------------------------------------------------ driver base

void TvdxCustomGraphicFormat::Abstract(const char *method) const
{
    throw EAbstractGraphicFormatException(QStringLiteral("Method %1 in %2").arg(QLatin1String(method), ClassName()));
}

bool TvdxCustomGraphicFormat::PeekBytes(QIODevice &Stream, qint64 count, QByteArray &out)
{
    if (!Stream.isReadable())
        return false;
    const qint64 left = Stream.isSequential() ? Stream.bytesAvailable() : Stream.size() - Stream.pos();
    if (left < count)
        return false;
    out = Stream.peek(count);
    return out.size() == count;
}

bool TvdxCustomGraphicFormat::InheritsFrom(TvdxCustomGraphicFormatClass other) const
{
    for (TvdxCustomGraphicFormatClass c = this; c; c = c->ParentFormat())
        if (c == other)
            return true;
    return false;
}

TvdxGraphicCanvasHelperClass TvdxCustomGraphicFormat::GetCanvasHelperClass() const
{
    Abstract("GetCanvasHelperClass");
}

std::unique_ptr<TGraphic> TvdxCustomGraphicFormat::ConvertFrom(const TGraphic *, TPixelFormat, int) const
{
    Abstract("ConvertFrom");
}

std::unique_ptr<TBitmap> TvdxCustomGraphicFormat::ConvertToBitmap(const TGraphic *Graphic,
                                                                  TPixelFormat DestPixelFormat) const
{
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(DestPixelFormat);
    if (Graphic)
        b->Assign(*Graphic);
    if (b->PixelFormat() != DestPixelFormat)
        b->SetPixelFormat(DestPixelFormat);
    return b;
}

std::unique_ptr<TBitmap> TvdxCustomGraphicFormat::ConvertToMaskedBitmap(const TGraphic *, TPixelFormat, TColor) const
{
    return nullptr;
}

std::unique_ptr<TGraphic> TvdxCustomGraphicFormat::CreateNew(int, int, TPixelFormat, bool, int) const
{
    Abstract("CreateNew");
}

std::unique_ptr<TGraphic> TvdxCustomGraphicFormat::CreateFromStream(QIODevice &Stream) const
{
    TGraphicClassRef c = GetGraphicClass();
    if (!c || !c->create)
        return nullptr;
    auto g = c->create();
    g->LoadFromStream(Stream);
    return g;
}

std::unique_ptr<TvdxGraphicCanvasHelper> TvdxCustomGraphicFormat::CreateCanvasHelper(TGraphic *Graphic) const
{
    return GetCanvasHelperClass()(Graphic, this);
}

void TvdxCustomGraphicFormat::ScaleGraphic(TGraphic *Graphic, int NewWidth, int NewHeight) const
{
    auto g = ScaleGraphicToNew(Graphic, NewWidth, NewHeight);
    if (g)
        Graphic->Assign(*g);
}

std::unique_ptr<TGraphic> TvdxCustomGraphicFormat::ScaleGraphicToNew(const TGraphic *Graphic, int NewWidth,
                                                                     int NewHeight) const
{
    TvdxGraphicProps P = GetGraphicProps(Graphic);
    const bool keepColor = P.PixelFormat != pf32bit && P.Transparent && !P.HasAlpha;
    if (P.HasAlpha)
        P.PixelFormat = pf32bit;
    auto fresh = CreateNew(NewWidth, NewHeight, P.PixelFormat, P.Transparent, P.Quality);
    {
        auto helper = CreateCanvasHelper(fresh.get());
        if (keepColor)
            SetTransparentColor(fresh.get(), P.TransparentColor);
        Canvas &c = helper->GetCanvas();
        if (keepColor && P.TransparentColor != clNone) {
            c.brush().color = P.TransparentColor;
            c.brush().style = BrushStyle::Solid;
            c.FillRect(TRect(0, 0, NewWidth, NewHeight));
        }
        Draw(c, Graphic, TRect(0, 0, NewWidth, NewHeight), gqDefault);
        helper->ReleaseCanvas();
    }
    return fresh;
}

void TvdxCustomGraphicFormat::Draw(Canvas &canvas, const TGraphic *AGraphic, const TRect &Area,
                                   TvdxGraphicQuality Quality) const
{
    if (!AGraphic)
        return;
    if (IsVector() || (Quality != gqHiQuality && Quality != gqPrint)) {
        AGraphic->Draw(canvas, Area);
        return;
    }
    DrawPicture(canvas, Area, AGraphic, nullptr, clNone, false, Quality == gqHiQuality, Quality == gqPrint);
}

void TvdxCustomGraphicFormat::DrawTransparent(Canvas &canvas, const TGraphic *AGraphic, const TRect &Area,
                                              TColor MaskColor, TvdxGraphicQuality Quality) const
{
    if (!AGraphic)
        return;
    if (IsVector() || (Quality != gqHiQuality && Quality != gqPrint && MaskColor == clNone)) {
        Draw(canvas, AGraphic, Area, Quality);
        return;
    }
    std::unique_ptr<TBitmap> mask;
    if (MaskColor == clNone && HasAlphaChanel(AGraphic))
        mask = GetAlphaBitmap(AGraphic);
    DrawPicture(canvas, Area, AGraphic, mask.get(), MaskColor, MaskColor != clNone || mask != nullptr,
                Quality == gqHiQuality, Quality == gqPrint);
}

void TvdxCustomGraphicFormat::DrawByProps(const TvdxDrawGraphicExt &GProps, Canvas &canvas,
                                          const TGraphic *AGraphic, const TRect &Area, double, double) const
{
    if (GProps.DrawProps.contains(fgdDefaultMaskColor))
        DrawTransparent(canvas, AGraphic, Area, GetTransparentColor(AGraphic), GProps.Quality);
    else if (GProps.DrawProps.contains(fgdTransparent))
        DrawTransparent(canvas, AGraphic, Area, GProps.TransparentColor, GProps.Quality);
    else
        Draw(canvas, AGraphic, Area, GProps.Quality);
}

TRect TvdxCustomGraphicFormat::FitRect(const TvdxGraphicDrawProps &props, int gw, int gh, const TRect &Area,
                                       double ScaleX, double ScaleY)
{
    TRect R = Area;
    const int aw = Area.Width(), ah = Area.Height();
    if (props.contains(fgdStretch)) {
        if (props.contains(fgdKeepAspectRatio)) {
            const double kx = gw == 0 ? 0.0 : double(aw) / gw;
            const double ky = gh == 0 ? 0.0 : double(ah) / gh;
            if (kx < ky)
                R.Bottom = R.Top + roundHalfEven(gh * kx);
            else
                R.Right = R.Left + roundHalfEven(gw * ky);
            if (props.contains(fgdCenter))
                R = R.Offset((aw - R.Width()) / 2, (ah - R.Height()) / 2);
        }
    } else {
        if (props.contains(fgdCenter))
            R = R.Offset((aw - roundHalfEven(gw * ScaleX)) / 2, (ah - roundHalfEven(gh * ScaleY)) / 2);
        R.Right = R.Left + roundHalfEven(ScaleX * gw);
        R.Bottom = R.Top + roundHalfEven(ScaleY * gh);
    }
    return R;
}

void TvdxCustomGraphicFormat::DrawExt(const TvdxDrawGraphicExt &GProps, Canvas &canvas, const TGraphic *AGraphic,
                                      const TRect &Area, double ScaleX, double ScaleY) const
{
    if (!AGraphic)
        return;
    const TRect R = FitRect(GProps.DrawProps, AGraphic->Width(), AGraphic->Height(), Area, ScaleX, ScaleY);
    const bool clip = GProps.DrawProps.contains(fgdClip);
    int saved = 0;
    if (clip) {
        saved = canvas.SaveDC();
        canvas.IntersectClipRect(Area);
    }
    try {
        DrawByProps(GProps, canvas, AGraphic, R, ScaleX, ScaleY);
    } catch (...) {
        if (clip)
            canvas.RestoreDC(saved);
        throw;
    }
    if (clip)
        canvas.RestoreDC(saved);
}

TGraphicClassRef TvdxCustomGraphicFormat::GetGraphicClass() const { Abstract("GetGraphicClass"); }
QString TvdxCustomGraphicFormat::GetGraphicMime() const { Abstract("GetGraphicMime"); }
QString TvdxCustomGraphicFormat::GetGraphicName() const { Abstract("GetGraphicName"); }
QString TvdxCustomGraphicFormat::GetGraphicExt() const { Abstract("GetGraphicExt"); }
int TvdxCustomGraphicFormat::GetGraphicConst() const { Abstract("GetGraphicConst"); }
bool TvdxCustomGraphicFormat::IsSupportedFormat(QIODevice &) const { Abstract("IsSupportedFormat"); }

TvdxGraphicProps TvdxCustomGraphicFormat::GetGraphicProps(const TGraphic *Graphic) const
{
    TvdxGraphicProps p;
    p.HasAlpha = HasAlphaChanel(Graphic);
    p.Transparent = IsTransparent(Graphic);
    p.TransparentColor = clNone;
    p.Quality = 100;
    p.PixelFormat = pfDevice;
    return p;
}

std::unique_ptr<TBitmap> TvdxCustomGraphicFormat::GetMaskBitmap(const TGraphic *Graphic, TColor TransparentMask) const
{
    if (!Graphic || Graphic->Empty())
        return nullptr;
    const int w = Graphic->Width(), h = Graphic->Height();
    auto mask = std::make_unique<TBitmap>(w, h, pf8bit);
    for (int y = 0; y < h; ++y)
        std::fill_n(mask->ScanLine(y), w, uchar(255));
    TBitmap tmp(w, h, pf24bit);
    tmp.Fill(TransparentMask);
    Graphic->Draw(tmp.GetCanvas(), TRect(0, 0, w, h));
    tmp.ReleaseCanvas();
    BuildMonoMask(*mask, tmp, TransparentMask, true);
    return mask;
}

bool TvdxCustomGraphicFormat::LoadFromStream(TPicture &Picture, QIODevice &Stream) const
{
    TGraphicClassRef c = GetGraphicClass();
    if (!c || !c->create)
        return false;
    // The previous picture goes first: a failed load must not leave it showing.
    Picture.SetGraphicOwned(c->create());
    Picture.Graphic()->LoadFromStream(Stream);
    return true;
}

void TvdxCustomGraphicFormat::SetTransparent(TGraphic *Graphic, bool Transparent) const
{
    if (Graphic)
        Graphic->SetTransparent(Transparent);
}

TvdxCustomGraphicFormatClass TvdxFullAbilitiesGraphicFormat::ParentFormat() const
{
    static const TvdxCustomGraphicFormat base;
    return &base;
}

// ------------------------------------------------------------ vector base

TvdxCustomGraphicFormatClass TvdxCustomVectorGraphicFormat::ParentFormat() const
{
    static const TvdxFullAbilitiesGraphicFormat base;
    return &base;
}

std::unique_ptr<TBitmap> TvdxCustomVectorGraphicFormat::ConvertToBitmap(const TGraphic *Graphic,
                                                                        TPixelFormat PF) const
{
    if (!Graphic)
        return nullptr;
    return Rasterize(Graphic, PF, Graphic->Width(), Graphic->Height());
}

std::unique_ptr<TBitmap> TvdxCustomVectorGraphicFormat::GetAlphaBitmap(const TGraphic *Graphic) const
{
    if (!Graphic)
        return nullptr;
    return CoverageMask(Graphic, Graphic->Width(), Graphic->Height());
}

std::unique_ptr<TBitmap> TvdxCustomVectorGraphicFormat::RasterizeScaled(const TGraphic *Graphic, TPixelFormat PF,
                                                                        double Scale) const
{
    if (!Graphic)
        return nullptr;
    return Rasterize(Graphic, PF, roundHalfEven(Scale * Graphic->Width()), roundHalfEven(Scale * Graphic->Height()));
}

std::unique_ptr<TBitmap> TvdxCustomVectorGraphicFormat::Rasterize(const TGraphic *Graphic, TPixelFormat PF,
                                                                  int Width, int Height) const
{
    auto bmp = std::make_unique<TBitmap>(std::max(Width, 0), std::max(Height, 0), PF == pf32bit ? pf32bit : pf24bit);
    bmp->SetTransparent(PF == pf32bit);
    if (bmp->Empty())
        return bmp;
    bmp->Fill(clWhite);
    if (PF == pf32bit) {
        // The white background itself is opaque until the mask says otherwise.
        for (int y = 0; y < Height; ++y) {
            QRgb *p = reinterpret_cast<QRgb *>(bmp->ScanLine(y));
            for (int x = 0; x < Width; ++x)
                p[x] |= 0xff000000u;
        }
    }
    {
        Canvas &c = bmp->GetCanvas();
        Graphic->Draw(c, TRect(0, 0, Width, Height));
        bmp->ReleaseCanvas();
    }
    if (PF == pf32bit) {
        auto mask = CoverageMask(Graphic, Width, Height);
        if (mask && mask->PixelFormat() == pf1bit) {
            for (int y = 0; y < Height; ++y) {
                const uchar *m = mask->ScanLine(y);
                QRgb *p = reinterpret_cast<QRgb *>(bmp->ScanLine(y));
                for (int x = 0; x < Width; ++x) {
                    const bool set = m[x >> 3] & (0x80 >> (x & 7));
                    p[x] = (p[x] & 0xffffff) | (set ? 0xff000000u : 0u);
                }
            }
        }
        bmp->SetAlphaFormat(afDefined);
    } else if (PF != pf24bit) {
        bmp->SetPixelFormat(PF);
    }
    return bmp;
}

std::unique_ptr<TBitmap> TvdxCustomVectorGraphicFormat::CoverageMask(const TGraphic *Graphic, int Width,
                                                                     int Height) const
{
    if (!Graphic || Width <= 0 || Height <= 0)
        return nullptr;
    // Drawn once on white and once on black: a pixel is covered when either
    // drawing changed it, whatever colour the picture used.
    TBitmap onWhite(Width, Height, pf24bit), onBlack(Width, Height, pf24bit);
    onWhite.Fill(clWhite);
    onBlack.Fill(clBlack);
    Graphic->Draw(onWhite.GetCanvas(), TRect(0, 0, Width, Height));
    onWhite.ReleaseCanvas();
    Graphic->Draw(onBlack.GetCanvas(), TRect(0, 0, Width, Height));
    onBlack.ReleaseCanvas();
    auto mask = std::make_unique<TBitmap>(Width, Height, pf1bit);
    for (int y = 0; y < Height; ++y) {
        const QRgb *w = reinterpret_cast<const QRgb *>(onWhite.Image().constScanLine(y));
        const QRgb *b = reinterpret_cast<const QRgb *>(onBlack.Image().constScanLine(y));
        uchar *m = mask->ScanLine(y);
        std::fill_n(m, (Width + 7) / 8, uchar(0));
        for (int x = 0; x < Width; ++x)
            if ((w[x] & 0xffffff) != 0xffffff || (b[x] & 0xffffff) != 0)
                m[x >> 3] |= uchar(0x80 >> (x & 7));
    }
    return mask;
}

// ------------------------------------------------------------ canvas helpers

Canvas &TvdxGraphicCanvasHelper::GetCanvas()
{
    throw EAbstractGraphicFormatException(QStringLiteral("Method GetCanvas in %1").arg(ClassName()));
}

Canvas &TvdxBitmapCanvasHelper::GetCanvas()
{
    auto *b = dynamic_cast<TBitmap *>(FGraphic);
    if (!b)
        return TvdxGraphicCanvasHelper::GetCanvas();
    return b->GetCanvas();
}

void TvdxBitmapCanvasHelper::ReleaseCanvas()
{
    if (auto *b = dynamic_cast<TBitmap *>(FGraphic))
        b->ReleaseCanvas();
}

// ------------------------------------------------------------ bitmap driver

TvdxCustomGraphicFormatClass TvdxBitmapGraphicFormat::ParentFormat() const
{
    static const TvdxFullAbilitiesGraphicFormat base;
    return &base;
}

TvdxGraphicCanvasHelperClass TvdxBitmapGraphicFormat::GetCanvasHelperClass() const
{
    return &TvdxGraphicCanvasHelper::Make<TvdxBitmapCanvasHelper>;
}

std::unique_ptr<TGraphic> TvdxBitmapGraphicFormat::CreateNew(int Width, int Height, TPixelFormat PixelFormat,
                                                             bool Transparent, int) const
{
    auto b = std::make_unique<TBitmap>(Width, Height, PixelFormat);
    b->SetTransparent(Transparent);
    return b;
}

TvdxGraphicProps TvdxBitmapGraphicFormat::GetGraphicProps(const TGraphic *Graphic) const
{
    TvdxGraphicProps p;
    const auto *b = dynamic_cast<const TBitmap *>(Graphic);
    if (!b)
        return TvdxCustomGraphicFormat::GetGraphicProps(Graphic);
    p.HasAlpha = b->PixelFormat() == pf32bit;
    p.Transparent = b->Transparent();
    p.TransparentColor = b->TransparentColor();
    p.Quality = 100;
    p.PixelFormat = b->PixelFormat();
    return p;
}

bool TvdxBitmapGraphicFormat::HasAlphaChanel(const TGraphic *Graphic) const
{
    const auto *b = dynamic_cast<const TBitmap *>(Graphic);
    return b && b->PixelFormat() == pf32bit
        && (b->AlphaFormat() == afDefined || b->AlphaFormat() == afPremultiplied || b->Transparent());
}

TColor TvdxBitmapGraphicFormat::GetTransparentColor(const TGraphic *Graphic) const
{
    const auto *b = dynamic_cast<const TBitmap *>(Graphic);
    return b ? b->TransparentColor() : clNone;
}

void TvdxBitmapGraphicFormat::SetTransparentColor(TGraphic *Graphic, TColor Color) const
{
    if (auto *b = dynamic_cast<TBitmap *>(Graphic))
        b->SetTransparentColor(Color);
}

std::unique_ptr<TBitmap> TvdxBitmapGraphicFormat::GetAlphaBitmap(const TGraphic *Graphic) const
{
    const auto *b = dynamic_cast<const TBitmap *>(Graphic);
    if (!b)
        return nullptr;
    auto a = std::make_unique<TBitmap>(b->Width(), b->Height(), pf8bit);
    if (b->PixelFormat() == pf32bit && !b->Empty()) {
        for (int y = 0; y < b->Height(); ++y) {
            const QRgb *s = reinterpret_cast<const QRgb *>(b->ScanLine(y));
            uchar *d = a->ScanLine(y);
            for (int x = 0; x < b->Width(); ++x)
                d[x] = uchar(qAlpha(s[x]));
        }
    }
    return a;
}

void TvdxBitmapGraphicFormat::DrawByProps(const TvdxDrawGraphicExt &GProps, Canvas &canvas,
                                          const TGraphic *AGraphic, const TRect &Area, double ScaleX,
                                          double ScaleY) const
{
    const auto *b = dynamic_cast<const TBitmap *>(AGraphic);
    if (b && HasAlphaChanel(AGraphic) && GProps.DrawProps.contains(fgdTransparent)) {
        AlphaBlendBitmap(canvas, Area, *b);
        return;
    }
    TvdxFullAbilitiesGraphicFormat::DrawByProps(GProps, canvas, AGraphic, Area, ScaleX, ScaleY);
}

std::unique_ptr<TGraphic> TvdxBitmapGraphicFormat::ConvertFrom(const TGraphic *Graphic,
                                                               TPixelFormat DestPixelFormat, int) const
{
    if (!Graphic)
        return nullptr;
    auto f = GetGraphicFormats()->FindByGraphic(&Graphic->graphicClass());
    return f ? f->ConvertToBitmap(Graphic, DestPixelFormat) : nullptr;
}

std::unique_ptr<TBitmap> TvdxBitmapGraphicFormat::ConvertFromVector(const TGraphic *Graphic,
                                                                    TPixelFormat DestPixelFormat, double Scale) const
{
    if (!Graphic)
        return nullptr;
    auto f = GetGraphicFormats()->FindByGraphic(&Graphic->graphicClass());
    if (!f)
        return nullptr;
    if (auto v = dynamic_cast<const TvdxCustomVectorGraphicFormat *>(f))
        return v->RasterizeScaled(Graphic, DestPixelFormat, Scale);
    return f->ConvertToBitmap(Graphic, DestPixelFormat);
}

bool TvdxBitmapGraphicFormat::IsSupportedFormat(QIODevice &Stream) const
{
    QByteArray b;
    return PeekBytes(Stream, 16, b) && b[0] == 'B' && b[1] == 'M';
}
