// Picture-format drivers and their process-wide registry. A driver describes
// one picture format; it is used only through its class reference (a pointer
// to its single constant instance), never instantiated by callers.
#pragma once
#include "core/vdGraphic.h"
#include <QMutex>
#include <QStringList>
#include <initializer_list>
#include <memory>

class Canvas;
class QIODevice;

// A small set over an enumeration with at most 8 members.
template <typename E>
struct vdSet {
    uint8_t bits = 0;
    constexpr vdSet() = default;
    constexpr vdSet(std::initializer_list<E> items) { for (E e : items) bits |= uint8_t(1u << int(e)); }
    constexpr bool contains(E e) const { return bits & (1u << int(e)); }
    // Every member of `other` is also in this set.
    constexpr bool containsAll(vdSet other) const { return (bits & other.bits) == other.bits; }
    constexpr vdSet operator+(vdSet o) const { vdSet r; r.bits = uint8_t(bits | o.bits); return r; }
    constexpr vdSet operator-(vdSet o) const { vdSet r; r.bits = uint8_t(bits & ~o.bits); return r; }
    constexpr bool operator==(const vdSet &) const = default;
    constexpr bool empty() const { return bits == 0; }
};

enum TvdxGraphicFormatCap { gcSaveTo, gcLoadFrom, gcGetCanvas, gcDraw, gcConvert, gcConvertToBitmap };
using TvdxGraphicFormatCaps = vdSet<TvdxGraphicFormatCap>;
enum TvdxGraphicStringType { stClassName, stName, stExtension, stMime };
enum TvdxGraphicQuality { gqDefault, gqFast, gqHiQuality, gqPrint };
enum TvdxGraphicDrawProp {
    fgdAutoSize, fgdCenter, fgdKeepAspectRatio, fgdStretch, fgdTransparent, fgdClip, fgdDefaultMaskColor, fgdHiQuality
};
using TvdxGraphicDrawProps = vdSet<TvdxGraphicDrawProp>;

constexpr TvdxGraphicFormatCaps vdBaseFormatCaps{gcLoadFrom, gcDraw, gcConvertToBitmap};
constexpr TvdxGraphicFormatCaps vdAllFormatCaps{gcSaveTo, gcLoadFrom, gcGetCanvas, gcDraw, gcConvert,
                                                gcConvertToBitmap};

struct TvdxGraphicProps {
    bool HasAlpha = false;
    bool Transparent = false;
    TColor TransparentColor = clNone;
    int32_t Quality = 100;
    TPixelFormat PixelFormat = pfDevice;
};

struct TvdxDrawGraphicExt {
    TvdxGraphicDrawProps DrawProps;
    TColor TransparentColor = clNone;
    TvdxGraphicQuality Quality = gqDefault;
};

// Format constants stored by other parts.
enum : int {
    vdGraphicBMP = 0, vdGraphicWMF = 1, vdGraphicEMF = 2, vdGraphicICO = 3, vdGraphicJPG = 4,
    vdGraphicPNG = 5, vdGraphicSVG = 6, vdGraphicGIF = 7, vdGraphicDefault = 2147483647
};

VD_DECLARE_EXCEPTION(EAbstractGraphicFormatException, Exception)

class TvdxCustomGraphicFormat;
using TvdxCustomGraphicFormatClass = const TvdxCustomGraphicFormat *;
class TvdxGraphicCanvasHelper;
using TvdxGraphicCanvasHelperClass = std::unique_ptr<TvdxGraphicCanvasHelper> (*)(TGraphic *,
                                                                                  TvdxCustomGraphicFormatClass);

// Declares the class reference and the class name of a driver.
#define VD_GRAPHIC_FORMAT(Name)                                                     \
public:                                                                             \
    static TvdxCustomGraphicFormatClass Class()                                     \
    {                                                                               \
        static const Name instance;                                                 \
        return &instance;                                                           \
    }                                                                               \
    QString ClassName() const override { return QStringLiteral(#Name); }

class TvdxCustomGraphicFormat {
public:
    virtual ~TvdxCustomGraphicFormat() = default;
    virtual QString ClassName() const { return QStringLiteral("TvdxCustomGraphicFormat"); }

    virtual TvdxGraphicCanvasHelperClass GetCanvasHelperClass() const;
    virtual void DrawByProps(const TvdxDrawGraphicExt &GProps, Canvas &canvas, const TGraphic *AGraphic,
                             const TRect &Area, double ScaleX, double ScaleY) const;
    virtual std::unique_ptr<TGraphic> ConvertFrom(const TGraphic *Graphic, TPixelFormat DestPixelFormat,
                                                  int DestQuality) const;
    virtual std::unique_ptr<TBitmap> ConvertToBitmap(const TGraphic *Graphic, TPixelFormat DestPixelFormat) const;
    virtual std::unique_ptr<TBitmap> ConvertToMaskedBitmap(const TGraphic *Graphic, TPixelFormat DestPixelFormat,
                                                           TColor TransparentMask) const;
    virtual std::unique_ptr<TGraphic> CreateNew(int Width, int Height, TPixelFormat PixelFormat, bool Transparent,
                                                int Quality) const;
    virtual std::unique_ptr<TGraphic> CreateFromStream(QIODevice &Stream) const;
    virtual std::unique_ptr<TvdxGraphicCanvasHelper> CreateCanvasHelper(TGraphic *Graphic) const;
    virtual void ScaleGraphic(TGraphic *Graphic, int NewWidth, int NewHeight) const;
    virtual std::unique_ptr<TGraphic> ScaleGraphicToNew(const TGraphic *Graphic, int NewWidth, int NewHeight) const;
    virtual void Draw(Canvas &canvas, const TGraphic *AGraphic, const TRect &Area, TvdxGraphicQuality Quality) const;
    virtual void DrawTransparent(Canvas &canvas, const TGraphic *AGraphic, const TRect &Area, TColor MaskColor,
                                 TvdxGraphicQuality Quality) const;
    virtual void DrawExt(const TvdxDrawGraphicExt &GProps, Canvas &canvas, const TGraphic *AGraphic,
                         const TRect &Area, double ScaleX, double ScaleY) const;
    virtual TGraphicClassRef GetGraphicClass() const;
    virtual QString GetGraphicMime() const;
    virtual QString GetGraphicName() const;
    virtual QString GetGraphicExt() const;
    virtual int GetGraphicConst() const;
    virtual TvdxGraphicProps GetGraphicProps(const TGraphic *Graphic) const;
    virtual TvdxGraphicFormatCaps GetFormatCapabilities() const { return vdBaseFormatCaps; }
    virtual std::unique_ptr<TBitmap> GetAlphaBitmap(const TGraphic *) const { return nullptr; }
    virtual std::unique_ptr<TBitmap> GetMaskBitmap(const TGraphic *Graphic, TColor TransparentMask) const;
    virtual bool HasAlphaChanel(const TGraphic *) const { return false; }
    virtual bool HasMaskColor(const TGraphic *) const { return false; }
    virtual bool IsTransparent(const TGraphic *Graphic) const { return Graphic && Graphic->Transparent(); }
    virtual bool IsTranslucent() const { return false; }
    virtual bool IsSupportedFormat(QIODevice &Stream) const;
    virtual bool IsVector() const { return false; }
    virtual bool LoadFromStream(TPicture &Picture, QIODevice &Stream) const;
    virtual void SetTransparent(TGraphic *Graphic, bool Transparent) const;
    virtual void SetTransparentColor(TGraphic *, TColor) const {}
    virtual TColor GetTransparentColor(const TGraphic *) const { return clNone; }
    virtual bool IsTextData(const TGraphic *) const { return false; }
    virtual QString GetTextData(const TGraphic *) const { return {}; }
    virtual void SetTextData(TGraphic *, const QString &) const {}
    virtual std::unique_ptr<TGraphic> CreateFromText(const QString &) const { return nullptr; }

    // Whether this driver is `other` or derives from it.
    bool InheritsFrom(TvdxCustomGraphicFormatClass other) const;
    // The fitted rectangle of DrawExt (exposed for callers that only measure).
    static TRect FitRect(const TvdxGraphicDrawProps &props, int graphicWidth, int graphicHeight,
                         const TRect &Area, double ScaleX, double ScaleY);

protected:
    [[noreturn]] void Abstract(const char *method) const;
    // Reads `count` bytes at the current position and restores it; false
    // when fewer are left.
    static bool PeekBytes(QIODevice &Stream, qint64 count, QByteArray &out);
    virtual TvdxCustomGraphicFormatClass ParentFormat() const { return nullptr; }
};

class TvdxFullAbilitiesGraphicFormat : public TvdxCustomGraphicFormat {
public:
    TvdxGraphicFormatCaps GetFormatCapabilities() const override { return vdAllFormatCaps; }
    QString ClassName() const override { return QStringLiteral("TvdxFullAbilitiesGraphicFormat"); }
protected:
    TvdxCustomGraphicFormatClass ParentFormat() const override;
};

class TvdxCustomVectorGraphicFormat : public TvdxFullAbilitiesGraphicFormat {
public:
    QString ClassName() const override { return QStringLiteral("TvdxCustomVectorGraphicFormat"); }
    bool IsVector() const override { return true; }
    bool HasAlphaChanel(const TGraphic *Graphic) const override { return Graphic && Graphic->Transparent(); }
    std::unique_ptr<TBitmap> ConvertToBitmap(const TGraphic *Graphic, TPixelFormat PF) const override;
    std::unique_ptr<TBitmap> GetAlphaBitmap(const TGraphic *Graphic) const override;
    std::unique_ptr<TBitmap> RasterizeScaled(const TGraphic *Graphic, TPixelFormat PF, double Scale) const;
    std::unique_ptr<TBitmap> Rasterize(const TGraphic *Graphic, TPixelFormat PF, int Width, int Height) const;
    // 1-bit mask, bits set where the picture paints anything.
    std::unique_ptr<TBitmap> CoverageMask(const TGraphic *Graphic, int Width, int Height) const;
protected:
    TvdxCustomGraphicFormatClass ParentFormat() const override;
};

class TvdxBitmapGraphicFormat : public TvdxFullAbilitiesGraphicFormat {
    VD_GRAPHIC_FORMAT(TvdxBitmapGraphicFormat)
public:
    TvdxGraphicCanvasHelperClass GetCanvasHelperClass() const override;
    std::unique_ptr<TGraphic> CreateNew(int Width, int Height, TPixelFormat PixelFormat, bool Transparent,
                                        int Quality) const override;
    TvdxGraphicProps GetGraphicProps(const TGraphic *Graphic) const override;
    bool HasAlphaChanel(const TGraphic *Graphic) const override;
    TColor GetTransparentColor(const TGraphic *Graphic) const override;
    void SetTransparentColor(TGraphic *Graphic, TColor Color) const override;
    std::unique_ptr<TBitmap> GetAlphaBitmap(const TGraphic *Graphic) const override;
    void DrawByProps(const TvdxDrawGraphicExt &GProps, Canvas &canvas, const TGraphic *AGraphic, const TRect &Area,
                     double ScaleX, double ScaleY) const override;
    std::unique_ptr<TGraphic> ConvertFrom(const TGraphic *Graphic, TPixelFormat DestPixelFormat,
                                          int DestQuality) const override;
    std::unique_ptr<TBitmap> ConvertFromVector(const TGraphic *Graphic, TPixelFormat DestPixelFormat,
                                               double Scale) const;
    TGraphicClassRef GetGraphicClass() const override { return &TBitmap::staticClass(); }
    QString GetGraphicMime() const override { return QStringLiteral("image/bitmap"); }
    QString GetGraphicName() const override { return QStringLiteral("BMP"); }
    QString GetGraphicExt() const override { return QStringLiteral(".bmp"); }
    int GetGraphicConst() const override { return vdGraphicBMP; }
    bool IsSupportedFormat(QIODevice &Stream) const override;
protected:
    TvdxCustomGraphicFormatClass ParentFormat() const override;
};

// The fallback driver the registry hands out; never registered.
class TvdxDefaultGraphicFormat : public TvdxCustomGraphicFormat {
    VD_GRAPHIC_FORMAT(TvdxDefaultGraphicFormat)
public:
    TGraphicClassRef GetGraphicClass() const override { return &TGraphic::staticClass(); }
    QString GetGraphicMime() const override { return {}; }
    QString GetGraphicName() const override { return {}; }
    QString GetGraphicExt() const override { return {}; }
    int GetGraphicConst() const override { return vdGraphicDefault; }
    TvdxGraphicFormatCaps GetFormatCapabilities() const override { return {gcLoadFrom, gcDraw}; }
    bool IsSupportedFormat(QIODevice &) const override { return false; }
};

// A canvas to draw on a picture; destroying it writes the drawing back.
class TvdxGraphicCanvasHelper {
public:
    TvdxGraphicCanvasHelper(TGraphic *Graphic, TvdxCustomGraphicFormatClass FormatClass)
        : FGraphic(Graphic), FFormatClass(FormatClass) {}
    virtual ~TvdxGraphicCanvasHelper() = default;
    virtual QString ClassName() const { return QStringLiteral("TvdxGraphicCanvasHelper"); }
    virtual Canvas &GetCanvas();
    virtual TGraphic *GetCanvasGraphic() { return FGraphic; }
    virtual void ReleaseCanvas() {}
    virtual void SwitchFullOpacity() {}
    TvdxCustomGraphicFormatClass GraphicHelper() const { return FFormatClass; }

    template <typename H>
    static std::unique_ptr<TvdxGraphicCanvasHelper> Make(TGraphic *g, TvdxCustomGraphicFormatClass f)
    {
        return std::make_unique<H>(g, f);
    }

protected:
    TGraphic *FGraphic;
    TvdxCustomGraphicFormatClass FFormatClass;
};

class TvdxBitmapCanvasHelper : public TvdxGraphicCanvasHelper {
public:
    using TvdxGraphicCanvasHelper::TvdxGraphicCanvasHelper;
    ~TvdxBitmapCanvasHelper() override { TvdxBitmapCanvasHelper::ReleaseCanvas(); }
    QString ClassName() const override { return QStringLiteral("TvdxBitmapCanvasHelper"); }
    Canvas &GetCanvas() override;
    void ReleaseCanvas() override;
};

class TvdxGraphicFormats {
public:
    void RegisterFormat(TvdxCustomGraphicFormatClass AClass);
    // Removes the first occurrence; the registry deletes itself when emptied.
    void UnregisterFormat(TvdxCustomGraphicFormatClass AClass);
    int Count() const { return int(m_list.size()); }
    TvdxCustomGraphicFormatClass GetItem(int Index) const { return m_list.value(Index); }
    void PutItem(int Index, TvdxCustomGraphicFormatClass Value);

    TvdxCustomGraphicFormatClass FindByGraphic(TGraphicClassRef GraphicClass,
                                               TvdxGraphicFormatCaps RequiredCaps = {}) const;
    TvdxCustomGraphicFormatClass FindByFormat(QIODevice &Stream, TvdxGraphicFormatCaps RequiredCaps = {}) const;
    TvdxCustomGraphicFormatClass FindByName(const QString &Name, TvdxGraphicFormatCaps RequiredCaps = {}) const;
    TvdxCustomGraphicFormatClass FindByExt(const QString &Ext, TvdxGraphicFormatCaps RequiredCaps = {}) const;
    TvdxCustomGraphicFormatClass FindByConst(int Index, TvdxGraphicFormatCaps RequiredCaps = {}) const;
    TvdxCustomGraphicFormatClass GetDefault() const { return TvdxDefaultGraphicFormat::Class(); }

    std::unique_ptr<TGraphic> LoadFromStream(QIODevice &Stream) const;
    bool LoadFromStream(TPicture &aPictire, QIODevice &Stream) const;
    std::unique_ptr<TGraphic> Convert(const TGraphic *SourceGraphic, const QString &DestFormat,
                                      TPixelFormat DestPixelFormat, int DestQuality) const;
    std::unique_ptr<TBitmap> ConvertToBitmap(const TGraphic *SourceGraphic, TPixelFormat DestPixelFormat) const;
    void Draw(Canvas &canvas, const TGraphic *AGraphic, const TRect &Area, TvdxGraphicQuality Quality) const;
    void DrawExt(const TvdxDrawGraphicExt &GProps, Canvas &canvas, const TGraphic *AGraphic, const TRect &Area,
                 double ScaleX, double ScaleY) const;
    void ScaleGraphic(TGraphic *Graphic, int NewWidth, int NewHeight) const;
    std::unique_ptr<TGraphic> ScaleGraphicToNew(const TGraphic *Graphic, int NewWidth, int NewHeight) const;
    bool HasAlphaChanel(const TGraphic *Graphic) const;
    bool IsTransparent(const TGraphic *Graphic) const;
    QStringList BuildFormatsStrings(TvdxGraphicStringType stType, TvdxGraphicFormatCaps RequiredCaps = {}) const;
    QString BuildFormatsString(TvdxGraphicStringType stType, const QString &Separator,
                               TvdxGraphicFormatCaps RequiredCaps = {}) const;

private:
    friend TvdxGraphicFormats *GetGraphicFormats();
    friend void vdRunPictureFormatStartup(int, void (*)());
    QList<TvdxCustomGraphicFormatClass> m_list;
    QList<int> m_ranks; // start-up rank of each entry (INT_MAX: registered later)
    mutable QMutex FGFormatsCS;
};

// The process-wide registry, created (with every start-up step run) on first use.
TvdxGraphicFormats *GetGraphicFormats();

// Start-up ranks: drivers register in this order whatever the link order.
enum : int {
    vdStartupMetafile = 10, vdStartupPNG = 40, vdStartupGIF = 50, vdStartupSVG = 60, vdStartupICO = 70,
    vdStartupJPEG = 80, vdStartupBMP = 90
};
// Lets a picture module register its drivers at its place in the order. Call
// it from a namespace-scope initializer; returns true.
bool vdAddPictureFormatStartup(int rank, void (*startup)());
// Runs one start-up step now (used by the registry itself).
void vdRunPictureFormatStartup(int rank, void (*startup)());
