// Picture objects: the graphic base class, plain bitmaps and the picture
// container. Every picture keeps the file bytes it was loaded from and saves
// them back unchanged until its pixels are modified.
#pragma once
#include "platform/Exception.h"
#include "platform/GraphicsTypes.h"
#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

class QIODevice;
class Canvas;
class QPainterCanvas;

VD_DECLARE_EXCEPTION(EInvalidGraphic, Exception)
VD_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception)
VD_DECLARE_EXCEPTION(EOutOfResources, Exception)

enum TPixelFormat : uint8_t { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TAlphaFormat : uint8_t { afIgnored, afDefined, afPremultiplied };

// Largest picture we agree to hold decoded (4 bytes per pixel: 1 GiB).
constexpr int64_t vdMaxGraphicPixels = int64_t(1) << 28;
constexpr int vdMaxGraphicSide = 65535;
// Throws EOutOfResources before anything is allocated for a too large picture.
void vdCheckGraphicSize(int64_t width, int64_t height, const char *what);

class TGraphic;

// Draws an image stretched into rect, blending when it has an alpha channel.
void vdDrawImage(Canvas &canvas, const TRect &rect, const QImage &image);

// Class reference of a graphic class: its name, its parent and a factory.
struct TGraphicClass {
    const char *name;
    const TGraphicClass *parent;
    std::unique_ptr<TGraphic> (*create)();
    // True when this class is `ancestor` or descends from it.
    bool inheritsFrom(const TGraphicClass *ancestor) const;
};
using TGraphicClassRef = const TGraphicClass *;

#define VD_GRAPHIC_CLASS(Name)                                     \
public:                                                            \
    static const TGraphicClass &staticClass();                     \
    const TGraphicClass &graphicClass() const override { return staticClass(); }

#define VD_DEFINE_GRAPHIC_CLASS(Name, Parent)                                      \
    const TGraphicClass &Name::staticClass()                                       \
    {                                                                              \
        static const TGraphicClass c{#Name, &Parent::staticClass(),                \
                                     []() -> std::unique_ptr<TGraphic> { return std::make_unique<Name>(); }}; \
        return c;                                                                  \
    }

class TGraphic {
public:
    TGraphic() = default;
    TGraphic(const TGraphic &) = delete;
    TGraphic &operator=(const TGraphic &) = delete;
    virtual ~TGraphic();

    static const TGraphicClass &staticClass();
    virtual const TGraphicClass &graphicClass() const { return staticClass(); }
    QString ClassName() const { return QString::fromLatin1(graphicClass().name); }
    bool InheritsFrom(const TGraphicClass &c) const { return graphicClass().inheritsFrom(&c); }

    virtual int Width() const { return 0; }
    virtual int Height() const { return 0; }
    virtual void SetWidth(int) {}
    virtual void SetHeight(int) {}
    virtual void SetSize(int w, int h) { SetWidth(w); SetHeight(h); }
    virtual bool Empty() const { return Width() == 0 || Height() == 0; }
    virtual bool Transparent() const { return m_transparent; }
    virtual void SetTransparent(bool value);
    virtual bool SupportsPartialTransparency() const { return false; }
    // Vector pictures (metafiles) answer true.
    virtual bool IsMetafile() const { return false; }

    // Loading replaces the whole content or throws EInvalidGraphic.
    virtual void LoadFromStream(QIODevice &stream) = 0;
    virtual void SaveToStream(QIODevice &stream) const = 0;
    void LoadFromBytes(const QByteArray &bytes);
    QByteArray SaveToBytes() const;
    void LoadFromFile(const QString &fileName);
    void SaveToFile(const QString &fileName) const;

    // Copies another picture; throws EConvertError when this class cannot take it.
    virtual void Assign(const TGraphic &source);
    std::unique_ptr<TGraphic> Clone() const;

    // The picture stretched into `rect` (exclusive right/bottom).
    virtual void Draw(Canvas &canvas, const TRect &rect) const;
    // Decoded pixels for drawing (the image format tells how alpha is stored).
    virtual QImage ToImage() const { return {}; }

    std::function<void()> OnChange;
    void Changed() { if (OnChange) OnChange(); }

protected:
    bool m_transparent = false;
};

// A plain raster picture. Storage by pixel format: pf1bit Mono, pf4bit and
// pf8bit Indexed8, pf15bit RGB555, pf16bit RGB16, pf24bit and pfDevice RGB32,
// pf32bit ARGB32 whose fourth byte is kept as stored (B, G, R, A in memory).
class TBitmap : public TGraphic {
    VD_GRAPHIC_CLASS(TBitmap)
public:
    TBitmap();
    TBitmap(int width, int height, TPixelFormat pf = pf24bit);
    ~TBitmap() override;

    int Width() const override { return m_image.width(); }
    int Height() const override { return m_image.height(); }
    void SetWidth(int w) override { SetSize(w, Height()); }
    void SetHeight(int h) override { SetSize(Width(), h); }
    void SetSize(int w, int h) override;
    bool Empty() const override { return m_image.isNull(); }

    TPixelFormat PixelFormat() const { return m_pixelFormat; }
    void SetPixelFormat(TPixelFormat pf);
    TAlphaFormat AlphaFormat() const { return m_alphaFormat; }
    void SetAlphaFormat(TAlphaFormat af) { m_alphaFormat = af; }
    // clDefault-like behaviour: clNone means "no colour given", then the
    // bottom-left pixel is the transparent colour.
    TColor TransparentColor() const;
    void SetTransparentColor(TColor c) { m_transparentColor = c; }
    bool SupportsPartialTransparency() const override;

    // Raw rows; writing through them drops the kept file bytes.
    uchar *ScanLine(int y);
    const uchar *ScanLine(int y) const { return m_image.constScanLine(y); }
    TColor Pixel(int x, int y) const;
    void SetPixel(int x, int y, TColor c);
    void Fill(TColor c);

    // A canvas drawing into the pixels; kept until the size or format changes.
    Canvas &GetCanvas();
    void ReleaseCanvas();

    const QImage &Image() const { return m_image; }
    // Takes an image over; the pixel format follows the image unless given.
    void SetImage(const QImage &image, TPixelFormat pf = pfCustom);

    void LoadFromStream(QIODevice &stream) override;
    void SaveToStream(QIODevice &stream) const override;
    void Assign(const TGraphic &source) override;
    void Draw(Canvas &canvas, const TRect &rect) const override;
    QImage ToImage() const override;

    // Encodes as a Windows bitmap file according to the pixel format.
    QByteArray EncodeBmp() const;
    // Decodes a Windows bitmap file (with its 14-byte file header).
    static void DecodeBmp(const QByteArray &bytes, QImage &image, TPixelFormat &pf);

    static QImage::Format StorageFormat(TPixelFormat pf);
    // Stored pixels as a drawable image for the alpha format.
    static QImage ToImageOf(QImage storage, TAlphaFormat alphaFormat);

private:
    void Modified();
    QImage m_image;
    TPixelFormat m_pixelFormat = pf24bit;
    TAlphaFormat m_alphaFormat = afIgnored;
    TColor m_transparentColor = clNone;
    QByteArray m_fileBytes;
    std::unique_ptr<QPainterCanvas> m_canvas;
};

// The picture container: owns one graphic of any class.
class TPicture {
public:
    TPicture();
    ~TPicture();
    TGraphic *Graphic() const { return m_graphic.get(); }
    // Keeps its own copy of `graphic` (nullptr clears).
    void SetGraphic(const TGraphic *graphic);
    // Takes ownership.
    void SetGraphicOwned(std::unique_ptr<TGraphic> graphic);
    int Width() const { return m_graphic ? m_graphic->Width() : 0; }
    int Height() const { return m_graphic ? m_graphic->Height() : 0; }
    TBitmap *Bitmap() const { return dynamic_cast<TBitmap *>(m_graphic.get()); }
    void Clear() { m_graphic.reset(); }

    // Graphic classes known to picture containers, for file extensions and
    // for streamed pictures that name their graphic class.
    struct FileFormat {
        QString Extension; // without the dot, as registered
        QString Description;
        TGraphicClassRef GraphicClass;
    };
    static void RegisterFileFormat(const QString &extension, const QString &description,
                                   TGraphicClassRef graphicClass);
    static void UnregisterGraphicClass(TGraphicClassRef graphicClass);
    static QList<FileFormat> FileFormats();
    // By extension (case-insensitive, with or without the dot).
    static TGraphicClassRef GraphicClassOfExtension(const QString &extension);
    // A registered class by its name ("TPNGObject").
    static TGraphicClassRef GraphicClassByName(const QString &className);

private:
    std::unique_ptr<TGraphic> m_graphic;
};
