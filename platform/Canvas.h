// The drawing interface every picture, view and export draws on. It keeps the
// state of a GDI device context (pen, brush, font, colours, clip, transform,
// saved states) and declares the GDI-like operations; back ends draw onto a
// QPainter or record an enhanced metafile.
#pragma once
#include "platform/GraphicsTypes.h"
#include <QImage>
#include <QList>
#include <QPainterPath>
#include <QRawFont>
#include <QRegion>
#include <QTransform>
#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

// ---- pens ------------------------------------------------------------------

enum class PenStyle : std::uint8_t { Solid, Dash, Dot, DashDot, DashDotDot, Null, InsideFrame, User };
enum class PenEndCap : std::uint8_t { Round, Square, Flat };
enum class PenJoin : std::uint8_t { Round, Bevel, Miter };
// Raster operation of pens and brushes (GDI's ROP2 subset the views use).
enum class PenMode : std::uint8_t { Copy, Xor, NotXor, Not };

struct CanvasPen {
    TColor color = clBlack;
    // Logical units; 0 draws one device pixel whatever the transform.
    int width = 1;
    PenStyle style = PenStyle::Solid;
    // Geometric pens honour caps, joins and user dashes; cosmetic ones draw
    // round-capped device pixels.
    bool geometric = false;
    PenEndCap cap = PenEndCap::Round;
    PenJoin join = PenJoin::Round;
    // Dash, gap, dash, ... in logical units for PenStyle::User.
    QList<int> dashes;
    PenMode mode = PenMode::Copy;

    bool operator==(const CanvasPen &) const = default;
};

// ---- brushes -----------------------------------------------------------------

enum class BrushStyle : std::uint8_t { Solid, Clear, Horizontal, Vertical, FDiagonal, BDiagonal, Cross, DiagCross, Pattern };

struct CanvasBrush {
    CanvasBrush() = default;
    CanvasBrush(TColor c, BrushStyle s, QImage tile = QImage()) : color(c), style(s), pattern(std::move(tile)) {}

    TColor color = clWhite;
    BrushStyle style = BrushStyle::Solid;
    // BrushStyle::Pattern: tiled from the device origin in device pixels,
    // whatever the transform, as a pattern brush is.
    QImage pattern;
    bool operator==(const CanvasBrush &) const = default;
};

// ---- fonts -------------------------------------------------------------------


constexpr int FW_NORMAL = 400;
constexpr int FW_BOLD = 700;

struct CanvasFont {
    QString name = QStringLiteral("Arial");
    // Logical units as in LOGFONT: negative is the character (em) height,
    // positive the cell height, 0 a default size.
    int height = -13;
    // Average character width; 0 keeps the natural width.
    int width = 0;
    int weight = FW_NORMAL;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    // Tenths of a degree, counter-clockwise.
    int escapement = 0;
    int orientation = 0;
    std::uint8_t charset = DEFAULT_CHARSET;
    std::uint8_t pitchAndFamily = 0;

    bool bold() const { return weight >= 600; }
    bool operator==(const CanvasFont &) const = default;
};

struct TextMetrics {
    int height = 0; // ascent + descent
    int ascent = 0;
    int descent = 0;
    int internalLeading = 0;
    int externalLeading = 0;
    int aveCharWidth = 0;
    int maxCharWidth = 0;
};

// ---- other device-context values ------------------------------------------

enum class BkMode : std::uint8_t { Transparent = 1, Opaque = 2 };
enum class PolyFillMode : std::uint8_t { Alternate = 1, Winding = 2 };
enum class CanvasKind : std::uint8_t { Screen, Bitmap, Printer, Metafile };
// How a region combines with the current clip (GDI's RGN_* values).
enum class ClipMode : std::uint8_t { And = 1, Or = 2, Xor = 3, Diff = 4, Copy = 5 };

// Text alignment flags (SetTextAlign).
constexpr unsigned TA_NOUPDATECP = 0;
constexpr unsigned TA_UPDATECP = 1;
constexpr unsigned TA_LEFT = 0;
constexpr unsigned TA_RIGHT = 2;
constexpr unsigned TA_CENTER = 6;
constexpr unsigned TA_TOP = 0;
constexpr unsigned TA_BOTTOM = 8;
constexpr unsigned TA_BASELINE = 24;
constexpr unsigned TA_RTLREADING = 256;

// Text output options (ExtTextOut).
constexpr unsigned ETO_OPAQUE = 2;
constexpr unsigned ETO_CLIPPED = 4;
constexpr unsigned ETO_RTLREADING = 0x80;

// Raster operations of bitmap output.
constexpr std::uint32_t SRCCOPY = 0x00CC0020;
constexpr std::uint32_t SRCPAINT = 0x00EE0086;
constexpr std::uint32_t SRCAND = 0x008800C6;
constexpr std::uint32_t SRCINVERT = 0x00660046;
constexpr std::uint32_t NOTSRCCOPY = 0x00330008;
constexpr std::uint32_t BLACKNESS = 0x00000042;
constexpr std::uint32_t WHITENESS = 0x00FF0062;
constexpr std::uint32_t PATCOPY = 0x00F00021;
constexpr std::uint32_t DSTINVERT = 0x00550009;

// ModifyWorldTransform modes.
constexpr int MWT_IDENTITY = 1;
constexpr int MWT_LEFTMULTIPLY = 2;
constexpr int MWT_RIGHTMULTIPLY = 3;

// GDI's XFORM: x' = x*eM11 + y*eM21 + eDx, y' = x*eM12 + y*eM22 + eDy.
struct XForm {
    float eM11 = 1, eM12 = 0, eM21 = 0, eM22 = 1, eDx = 0, eDy = 0;
    QTransform toQTransform() const { return QTransform(eM11, eM12, eM21, eM22, eDx, eDy); }
    static XForm fromQTransform(const QTransform &t)
    {
        return XForm{float(t.m11()), float(t.m12()), float(t.m21()), float(t.m22()), float(t.dx()), float(t.dy())};
    }
};

// Glyphs of one ExtTextOut call placed along the baseline; shared by the back
// ends so that every device puts characters at the same advances.
struct TextPlacement {
    QPointF origin;            // start of the baseline, logical units
    double angle = 0;          // degrees, counter-clockwise
    QList<double> offsets;     // per glyph, along the baseline from origin
    QList<quint32> glyphs;
    double stretch = 1;        // horizontal glyph scale (font width)
    double width = 0;          // total advance
    double ascent = 0;
    double descent = 0;
};

class Canvas {
public:
    struct State {
        CanvasPen pen;
        CanvasBrush brush;
        CanvasFont font;
        TColor textColor = clBlack;
        TColor bkColor = clWhite;
        BkMode bkMode = BkMode::Opaque;
        PolyFillMode polyFillMode = PolyFillMode::Alternate;
        unsigned textAlign = TA_LEFT | TA_TOP;
        TPoint penPos;
        QTransform world;
        // Device units; none means no clipping.
        std::optional<QRegion> clip;
    };

    Canvas(CanvasKind kind, int logPixelsX, int logPixelsY);
    virtual ~Canvas();
    Canvas(const Canvas &) = delete;
    Canvas &operator=(const Canvas &) = delete;

    CanvasKind kind() const { return m_kind; }
    bool isPrinter() const { return m_kind == CanvasKind::Printer; }
    bool isMetafile() const { return m_kind == CanvasKind::Metafile; }
    int LogPixelsX() const { return m_ppiX; }
    int LogPixelsY() const { return m_ppiY; }

    // Selected drawing objects; change them freely, they apply to the next
    // operation.
    CanvasPen &pen() { return m_state.pen; }
    const CanvasPen &pen() const { return m_state.pen; }
    CanvasBrush &brush() { return m_state.brush; }
    const CanvasBrush &brush() const { return m_state.brush; }
    CanvasFont &font() { return m_state.font; }
    const CanvasFont &font() const { return m_state.font; }
    void setPen(const CanvasPen &p) { m_state.pen = p; }
    void setBrush(const CanvasBrush &b) { m_state.brush = b; }
    void setFont(const CanvasFont &f) { m_state.font = f; }
    // Point size at this canvas's vertical resolution: height = -Round(pt * ppi / 72).
    void SetFontSize(double points);
    double FontSize() const;

    TColor TextColor() const { return m_state.textColor; }
    void SetTextColor(TColor c) { m_state.textColor = c; }
    TColor BkColor() const { return m_state.bkColor; }
    void SetBkColor(TColor c) { m_state.bkColor = c; }
    BkMode GetBkMode() const { return m_state.bkMode; }
    void SetBkMode(BkMode m) { m_state.bkMode = m; }
    PolyFillMode GetPolyFillMode() const { return m_state.polyFillMode; }
    void SetPolyFillMode(PolyFillMode m) { m_state.polyFillMode = m; }
    unsigned GetTextAlign() const { return m_state.textAlign; }
    void SetTextAlign(unsigned flags) { m_state.textAlign = flags; }
    TPoint PenPos() const { return m_state.penPos; }
    const State &state() const { return m_state; }

    // Saved states: SaveDC answers the new depth (1 for the first save);
    // RestoreDC takes a depth (> 0) or a count back (< 0), false when there
    // is no such saved state.
    virtual int SaveDC();
    virtual bool RestoreDC(int level = -1);
    int SavedDepth() const { return int(m_saved.size()); }

    // Clipping. Rectangles are logical units; regions are device units.
    virtual void IntersectClipRect(const TRect &r);
    virtual void ExcludeClipRect(const TRect &r);
    // With ClipMode::Copy and no region the clip is removed.
    virtual void SelectClipRegion(const QRegion *deviceRegion, ClipMode mode);
    bool HasClip() const { return m_state.clip.has_value(); }
    QRegion ClipRegion() const { return m_state.clip.value_or(QRegion()); }
    // Bounding box of the clip in logical units; empty without clip.
    TRect ClipBox() const;

    virtual void SetWorldTransform(const QTransform &t);
    virtual void ModifyWorldTransform(const QTransform &t, int mode);
    const QTransform &WorldTransform() const { return m_state.world; }

    // ---- lines and shapes (pen outlines, brush fills) ----
    virtual void MoveTo(int x, int y);
    virtual void LineTo(int x, int y) = 0;
    virtual void Polyline(std::span<const TPoint> points) = 0;
    virtual void PolyBezier(std::span<const TPoint> points) = 0;
    virtual void Polygon(std::span<const TPoint> points) = 0;
    // counts[i] points of the i-th polygon, one after another in points.
    virtual void PolyPolygon(std::span<const TPoint> points, std::span<const int> counts) = 0;
    virtual void Rectangle(const TRect &r) = 0;
    virtual void RoundRect(const TRect &r, int cornerWidth, int cornerHeight) = 0;
    virtual void Ellipse(const TRect &r) = 0;
    // Counter-clockwise from the ray through start to the ray through end.
    virtual void Arc(const TRect &r, TPoint start, TPoint end) = 0;
    virtual void Pie(const TRect &r, TPoint start, TPoint end) = 0;
    virtual void Chord(const TRect &r, TPoint start, TPoint end) = 0;
    // Brush only, no outline; right and bottom exclusive.
    virtual void FillRect(const TRect &r) = 0;
    // One logical unit wide frame in the brush colour.
    virtual void FrameRect(const TRect &r) = 0;
    // Outline with the pen and/or fill with the brush (fill mode from the state).
    virtual void DrawPath(const QPainterPath &path, bool stroke, bool fill) = 0;

    // Convenience forms.
    void Rectangle(int l, int t, int r, int b) { Rectangle(TRect(l, t, r, b)); }
    void Ellipse(int l, int t, int r, int b) { Ellipse(TRect(l, t, r, b)); }
    void Polyline(std::initializer_list<TPoint> pts) { Polyline(std::span<const TPoint>(pts.begin(), pts.size())); }
    void Polygon(std::initializer_list<TPoint> pts) { Polygon(std::span<const TPoint>(pts.begin(), pts.size())); }

    // ---- text ----
    // (x, y) is placed by the text alignment; options ETO_*; rect clips or
    // is filled (ETO_CLIPPED, ETO_OPAQUE); dx holds one advance per UTF-16
    // unit (empty: the font's own advances).
    virtual void ExtTextOut(int x, int y, unsigned options, const TRect *rect, const QString &text,
                            std::span<const int> dx = {}) = 0;
    void TextOut(int x, int y, const QString &text) { ExtTextOut(x, y, 0, nullptr, text); }
    // Clipped to r; the background is filled unless the brush is clear.
    void TextRect(const TRect &r, int x, int y, const QString &text);

    // Measuring with the selected font, logical units; the same on every back end.
    TSize TextExtent(const QString &text) const;
    int TextWidth(const QString &text) const { return TextExtent(text).cx; }
    int TextHeight(const QString &text) const { return TextExtent(text).cy; }
    // Rounded advance of each UTF-16 unit (0 for the second half of a pair).
    QList<int> CharAdvances(const QString &text) const;
    TextMetrics GetTextMetrics() const;
    // The mapped font file at the selected font's em size in logical units.
    QRawFont SelectedRawFont() const;
    // Horizontal scale of the glyphs: a font width set apart from its height
    // narrows or widens them (1 when the width is 0).
    double FontStretch() const;
    // Where the glyphs of an ExtTextOut call go (back ends and exports).
    TextPlacement PlaceText(int x, int y, const QString &text, std::span<const int> dx) const;

    // ---- bitmaps ----
    // Source rectangle of the image stretched into dest with a raster operation.
    virtual void StretchDIBits(const TRect &dest, const QImage &image, const TRect &src, std::uint32_t rop = SRCCOPY) = 0;
    void StretchDraw(const TRect &dest, const QImage &image)
    {
        StretchDIBits(dest, image, TRect(0, 0, image.width(), image.height()), SRCCOPY);
    }
    // Source-over blend; perPixelAlpha uses the image's alpha channel, the
    // constant alpha (0..255) scales it.
    virtual void AlphaBlend(const TRect &dest, const QImage &image, const TRect &src, int constantAlpha,
                            bool perPixelAlpha) = 0;
    // Pixels equal to transparentColor leave the destination unchanged.
    void DrawTransparent(const TRect &dest, const QImage &image, const TRect &src, TColor transparentColor);
    // Mask of the image's size: 1-bit or 8-bit. With whiteTransparent, white
    // mask pixels let the destination through (the XOR-AND-XOR polarity);
    // otherwise the mask is an alpha value, 0 transparent, 255 opaque.
    void DrawMasked(const TRect &dest, const QImage &image, const TRect &src, const QImage &mask,
                    bool whiteTransparent);

protected:
    // The whole state; back ends read it when they draw.
    State m_state;
    std::vector<State> m_saved;

    // The drawing surface in device units, or a null rectangle when it has no
    // fixed size; clip regions never need to reach past it.
    virtual QRect deviceBounds() const { return QRect(); }

    // Called after the clip or the transform changed (and after RestoreDC).
    virtual void clipChanged() {}
    virtual void transformChanged() {}

private:
    CanvasKind m_kind;
    int m_ppiX;
    int m_ppiY;
};

// A logical rectangle as a device region under a transform; a turned
// rectangle is cut to limit when one is given.
QRegion TransformedRegion(const QRect &logical, const QTransform &t, const QRect &limit = QRect());
