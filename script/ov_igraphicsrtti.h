// Graphics binding module: colour names, font, pen and brush enumerations and
// the drawing classes scripts see (fonts, pens, brushes, canvases, graphics,
// pictures, metafiles, bitmaps) over our Canvas and picture classes.
#pragma once
#include "core/vdGraphic.h"
#include "core/vdGraphicUtils.h"
#include "core/vdPersistent.h"
#include "script/ov_irtti.h"

#include <QPointer>
#include <functional>
#include <memory>

#include "platform/Canvas.h"

// Script-visible font; the canvas that owns it reads it on every drawing call.
class TFont : public TvdPersistent {
    Q_OBJECT
    Q_PROPERTY(int Charset READ Charset WRITE SetCharset)
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(QString Name READ Name WRITE SetName)
    Q_PROPERTY(TFontPitch Pitch READ Pitch WRITE SetPitch)
    Q_PROPERTY(int Size READ Size WRITE SetSize)
    Q_PROPERTY(TFontStyles Style READ Style WRITE SetStyle)
public:
    enum TFontStyle { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeout = 8 };
    Q_DECLARE_FLAGS(TFontStyles, TFontStyle)
    Q_FLAG(TFontStyles)
    enum TFontPitch { fpDefault, fpVariable, fpFixed };
    Q_ENUM(TFontPitch)

    Q_INVOKABLE TFont() = default;

    int Charset() const { return m_charset; }
    void SetCharset(int v) { m_charset = v; }
    int Color() const { return m_color; }
    void SetColor(int v) { m_color = v; }
    // Height in pixels at 96 pixels per inch: negative is the character height.
    int Height() const;
    void SetHeight(int v);
    QString Name() const { return m_name; }
    void SetName(const QString &v) { m_name = v; }
    TFontPitch Pitch() const { return m_pitch; }
    void SetPitch(TFontPitch v) { m_pitch = v; }
    int Size() const { return m_size; }
    void SetSize(int v) { m_size = v; }
    TFontStyles Style() const { return m_style; }
    void SetStyle(TFontStyles v) { m_style = v; }

    void Assign(const TvdPersistent *source) override;
    // The device font at a resolution (pixels per inch).
    CanvasFont ToCanvasFont(int ppi) const;

private:
    int m_charset = 1;
    int m_color = 0;
    QString m_name = QStringLiteral("Arial");
    TFontPitch m_pitch = fpDefault;
    int m_size = 8;
    TFontStyles m_style;
};
Q_DECLARE_OPERATORS_FOR_FLAGS(TFont::TFontStyles)

class TPen : public TvdPersistent {
    Q_OBJECT
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(TPenMode Mode READ Mode WRITE SetMode)
    Q_PROPERTY(TPenStyle Style READ Style WRITE SetStyle)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
public:
    enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
    Q_ENUM(TPenStyle)
    enum TPenMode {
        pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
        pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
    };
    Q_ENUM(TPenMode)

    Q_INVOKABLE TPen() = default;

    int Color() const { return m_color; }
    void SetColor(int v) { m_color = v; }
    TPenMode Mode() const { return m_mode; }
    void SetMode(TPenMode v) { m_mode = v; }
    TPenStyle Style() const { return m_style; }
    void SetStyle(TPenStyle v) { m_style = v; }
    int Width() const { return m_width; }
    void SetWidth(int v) { m_width = v < 0 ? 0 : v; }

    void Assign(const TvdPersistent *source) override;
    CanvasPen ToCanvasPen() const;

private:
    int m_color = 0;
    TPenMode m_mode = pmCopy;
    TPenStyle m_style = psSolid;
    int m_width = 1;
};

class TBrush : public TvdPersistent {
    Q_OBJECT
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(TBrushStyle Style READ Style WRITE SetStyle)
public:
    enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };
    Q_ENUM(TBrushStyle)

    Q_INVOKABLE TBrush() = default;

    int Color() const { return m_color; }
    void SetColor(int v) { m_color = v; }
    TBrushStyle Style() const { return m_style; }
    void SetStyle(TBrushStyle v) { m_style = v; }

    void Assign(const TvdPersistent *source) override;
    CanvasBrush ToCanvasBrush() const;

private:
    int m_color = 0xFFFFFF;
    TBrushStyle m_style = bsSolid;
};

VD_DECLARE_EXCEPTION(EovCanvasError, Exception)

// A script canvas: its own font, pen and brush, applied to the device canvas
// before each drawing call. Without a device it refuses to draw.
class TCanvas : public TvdPersistent {
    Q_OBJECT
    Q_PROPERTY(TBrush *Brush READ Brush)
    Q_PROPERTY(TFont *Font READ Font)
    Q_PROPERTY(TPen *Pen READ Pen)
public:
    Q_INVOKABLE TCanvas();
    ~TCanvas() override;

    TBrush *Brush() { return &m_brush; }
    TFont *Font() { return &m_font; }
    TPen *Pen() { return &m_pen; }

    // Where drawing goes: a provider of the device canvas (null: none). Pixel
    // access goes through the bitmap when there is one.
    using DeviceFn = std::function<Canvas *()>;
    void SetDevice(DeviceFn device, ::TBitmap *pixels = nullptr);
    bool HasDevice() const { return bool(m_device); }

    void Draw(int x, int y, const ::TGraphic *graphic);
    void Ellipse(int x1, int y1, int x2, int y2);
    void LineTo(int x, int y);
    void MoveTo(int x, int y);
    void Rectangle(int x1, int y1, int x2, int y2);
    void RoundRect(int x1, int y1, int x2, int y2, int x3, int y3);
    void StretchDraw(int x1, int y1, int x2, int y2, const ::TGraphic *graphic);
    int TextHeight(const QString &text);
    void TextOut(int x, int y, const QString &text);
    int TextWidth(const QString &text);
    int Pixel(int x, int y);
    void SetPixel(int x, int y, int color);

private:
    Canvas &prepare();
    TBrush m_brush;
    TFont m_font;
    TPen m_pen;
    DeviceFn m_device;
    ::TBitmap *m_pixels = nullptr;
};

// Script-side pictures; their C++ names are taken by the picture classes they
// wrap, so they live in a namespace and carry their script names as class info.
namespace ovs {

class TGraphic : public TvdPersistent {
    Q_OBJECT
    Q_CLASSINFO("ScriptName", "TGraphic")
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
public:
    Q_INVOKABLE TGraphic() = default;
    ~TGraphic() override;

    // A side set while the other is still 0 is kept until both are known.
    int Height() const { return m_graphic && m_graphic->Height() ? m_graphic->Height() : m_height; }
    void SetHeight(int v);
    int Width() const { return m_graphic && m_graphic->Width() ? m_graphic->Width() : m_width; }
    void SetWidth(int v);

    // A plain graphic takes the class that the file's extension names.
    virtual void LoadFromFile(const QString &fileName);
    void SaveToFile(const QString &fileName) const;
    ::TGraphic *Graphic() const { return m_graphic.get(); }

protected:
    virtual void graphicReplaced() {}
    std::unique_ptr<::TGraphic> m_graphic;
    int m_width = 0;
    int m_height = 0;
};

class TBitmap : public TGraphic {
    Q_OBJECT
    Q_CLASSINFO("ScriptName", "TBitmap")
    Q_PROPERTY(TCanvas *Canvas READ Canvas)
public:
    Q_INVOKABLE TBitmap();
    ::TBitmap *Bitmap() const { return static_cast<::TBitmap *>(m_graphic.get()); }
    TCanvas *Canvas() { return &m_canvas; }
    void LoadFromFile(const QString &fileName) override;

private:
    TCanvas m_canvas;
};

class TMetafile : public TGraphic {
    Q_OBJECT
    Q_CLASSINFO("ScriptName", "TMetafile")
public:
    Q_INVOKABLE TMetafile();
    ::TMetafile *Metafile() const { return static_cast<::TMetafile *>(m_graphic.get()); }
    void LoadFromFile(const QString &fileName) override;
};

class TPicture : public TvdPersistent {
    Q_OBJECT
    Q_CLASSINFO("ScriptName", "TPicture")
    Q_PROPERTY(int Height READ Height)
    Q_PROPERTY(int Width READ Width)
public:
    Q_INVOKABLE TPicture() = default;
    int Height() const { return m_picture.Height(); }
    int Width() const { return m_picture.Width(); }
    void LoadFromFile(const QString &fileName);
    void SaveToFile(const QString &fileName) const;
    ::TPicture &Picture() { return m_picture; }

private:
    ::TPicture m_picture;
};

} // namespace ovs

// A canvas recording into a metafile; the recording ends when it is freed.
class TMetafileCanvas : public TCanvas {
    Q_OBJECT
public:
    Q_INVOKABLE TMetafileCanvas() = default;
    ~TMetafileCanvas() override;
    void Open(ovs::TMetafile *metafile);

private:
    QPointer<ovs::TMetafile> m_metafile;
};

// The graphics module.
class TovGraphicsFunctions : public TovRTTIModule {
public:
    explicit TovGraphicsFunctions(TovScript *aScript);
    static Variant CallMethod(QObject *instance, const QMetaObject *classType, const QString &methodName,
                              TovMethodHelper *caller);
};

// Placeholder a host may place on a form to pull the graphics bindings in.
class TovGraphicsRTTI : public TvdComponent {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TovGraphicsRTTI(TvdComponent *owner = nullptr) : TvdComponent(owner) {}
};

// The colour-name table: name and value in table order.
struct TovColorName {
    QString Name;
    int Value;
};
const QList<TovColorName> &ovColorNames();

