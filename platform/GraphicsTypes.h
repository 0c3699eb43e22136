// Basic graphic values shared by every drawing module: colours, points, sizes
// and rectangles with the GDI conventions the stored files and the drawing
// code rely on.
#pragma once
#include <QColor>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QString>
#include <algorithm>
#include <cstdint>

// A colour is a 32-bit value: low byte red, then green, then blue. Values with
// the top byte 0xFF are system colours (index in the low byte); clNone and
// clDefault are markers, not colours.
using TColor = std::int32_t;

// The platform's MulDiv: a*b/c with a 64-bit product, rounded half away from
// zero and saturated to int; -1 when c is 0.
inline int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const std::int64_t p = std::int64_t(a) * b;
    const std::int64_t ac = c < 0 ? -std::int64_t(c) : std::int64_t(c);
    const std::int64_t ap = p < 0 ? -p : p;
    const std::int64_t q = (ap + ac / 2) / ac;
    const std::int64_t r = (p < 0) != (c < 0) ? -q : q;
    return int(std::clamp<std::int64_t>(r, INT32_MIN, INT32_MAX));
}

constexpr TColor clSystemColor = TColor(0xFF000000u);

constexpr TColor RGBColor(int r, int g, int b)
{
    return TColor((unsigned(r) & 0xFF) | ((unsigned(g) & 0xFF) << 8) | ((unsigned(b) & 0xFF) << 16));
}
constexpr int GetRValue(TColor c) { return int(unsigned(c) & 0xFF); }
constexpr int GetGValue(TColor c) { return int((unsigned(c) >> 8) & 0xFF); }
constexpr int GetBValue(TColor c) { return int((unsigned(c) >> 16) & 0xFF); }

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clLtGray = 0xC0C0C0;
constexpr TColor clDkGray = 0x808080;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

constexpr TColor clScrollBar = TColor(0xFF000000u);
constexpr TColor clBackground = TColor(0xFF000001u);
constexpr TColor clActiveCaption = TColor(0xFF000002u);
constexpr TColor clInactiveCaption = TColor(0xFF000003u);
constexpr TColor clMenu = TColor(0xFF000004u);
constexpr TColor clWindow = TColor(0xFF000005u);
constexpr TColor clWindowFrame = TColor(0xFF000006u);
constexpr TColor clMenuText = TColor(0xFF000007u);
constexpr TColor clWindowText = TColor(0xFF000008u);
constexpr TColor clCaptionText = TColor(0xFF000009u);
constexpr TColor clActiveBorder = TColor(0xFF00000Au);
constexpr TColor clInactiveBorder = TColor(0xFF00000Bu);
constexpr TColor clAppWorkSpace = TColor(0xFF00000Cu);
constexpr TColor clHighlight = TColor(0xFF00000Du);
constexpr TColor clHighlightText = TColor(0xFF00000Eu);
constexpr TColor clBtnFace = TColor(0xFF00000Fu);
constexpr TColor clBtnShadow = TColor(0xFF000010u);
constexpr TColor clGrayText = TColor(0xFF000011u);
constexpr TColor clBtnText = TColor(0xFF000012u);
constexpr TColor clInactiveCaptionText = TColor(0xFF000013u);
constexpr TColor clBtnHighlight = TColor(0xFF000014u);
constexpr TColor cl3DDkShadow = TColor(0xFF000015u);
constexpr TColor cl3DLight = TColor(0xFF000016u);
constexpr TColor clInfoText = TColor(0xFF000017u);
constexpr TColor clInfoBk = TColor(0xFF000018u);
constexpr TColor clHotLight = TColor(0xFF00001Au);
constexpr TColor clGradientActiveCaption = TColor(0xFF00001Bu);
constexpr TColor clGradientInactiveCaption = TColor(0xFF00001Cu);
constexpr TColor clMenuHighlight = TColor(0xFF00001Du);
constexpr TColor clMenuBar = TColor(0xFF00001Eu);

// Resolves system colours through the fixed palette; other values pass
// unchanged (clNone stays clNone).
TColor ColorToRGB(TColor color);
// The RGB of a resolved colour as an opaque QColor (clNone gives white).
QColor toQColor(TColor color);
// Drops the alpha channel.
TColor fromQColor(const QColor &color);
// "clRed", "clBtnFace"...; false when the colour has no name.
bool ColorToIdent(TColor color, QString &ident);
// Case-insensitive name lookup.
bool IdentToColor(const QString &ident, TColor &color);
// Name if there is one, else "$" and eight hexadecimal digits.
QString ColorToString(TColor color);
// A name, a decimal number or "$" hex; throws EConvertError otherwise.
TColor StringToColor(const QString &text);

struct TPoint {
    int X = 0;
    int Y = 0;
    constexpr TPoint() = default;
    constexpr TPoint(int x, int y) : X(x), Y(y) {}
    constexpr bool operator==(const TPoint &) const = default;
    QPoint toQPoint() const { return QPoint(X, Y); }
    static TPoint fromQPoint(const QPoint &p) { return TPoint(p.x(), p.y()); }
};

struct TSize {
    int cx = 0;
    int cy = 0;
    constexpr TSize() = default;
    constexpr TSize(int w, int h) : cx(w), cy(h) {}
    constexpr bool operator==(const TSize &) const = default;
    QSize toQSize() const { return QSize(cx, cy); }
    static TSize fromQSize(const QSize &s) { return TSize(s.width(), s.height()); }
};

// Font character sets every layer names.
constexpr int ANSI_CHARSET = 0;
constexpr int DEFAULT_CHARSET = 1;
constexpr int SYMBOL_CHARSET = 2;

// Integer results of rectangle arithmetic saturate instead of wrapping.
constexpr int SaturatedInt(long long v)
{
    return v > 2147483647LL ? 2147483647 : v < -2147483647LL - 1 ? int(-2147483647LL - 1) : int(v);
}

// Right and Bottom are exclusive, as in GDI: (0, 0, 10, 10) covers 10 x 10 pixels.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    constexpr TRect() = default;
    constexpr TRect(int l, int t, int r, int b) : Left(l), Top(t), Right(r), Bottom(b) {}
    constexpr TRect(const TPoint &topLeft, const TPoint &bottomRight)
        : Left(topLeft.X), Top(topLeft.Y), Right(bottomRight.X), Bottom(bottomRight.Y) {}
    static constexpr TRect Bounds(int l, int t, int w, int h)
    {
        return TRect(l, t, SaturatedInt((long long)l + w), SaturatedInt((long long)t + h));
    }

    constexpr bool operator==(const TRect &) const = default;
    constexpr int Width() const { return SaturatedInt((long long)Right - Left); }
    constexpr int Height() const { return SaturatedInt((long long)Bottom - Top); }
    constexpr TPoint TopLeft() const { return TPoint(Left, Top); }
    constexpr TPoint BottomRight() const { return TPoint(Right, Bottom); }
    constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    constexpr bool Contains(const TPoint &p) const
    {
        return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom;
    }
    // Both corners in order (left <= right, top <= bottom).
    constexpr TRect Normalized() const
    {
        return TRect(std::min(Left, Right), std::min(Top, Bottom), std::max(Left, Right), std::max(Top, Bottom));
    }
    constexpr TRect Offset(int dx, int dy) const
    {
        return TRect(SaturatedInt((long long)Left + dx), SaturatedInt((long long)Top + dy),
                     SaturatedInt((long long)Right + dx), SaturatedInt((long long)Bottom + dy));
    }
    constexpr TRect Inflate(int dx, int dy) const
    {
        return TRect(SaturatedInt((long long)Left - dx), SaturatedInt((long long)Top - dy),
                     SaturatedInt((long long)Right + dx), SaturatedInt((long long)Bottom + dy));
    }
    // Empty (all zero) when the rectangles do not overlap.
    constexpr TRect Intersect(const TRect &o) const
    {
        TRect r(std::max(Left, o.Left), std::max(Top, o.Top), std::min(Right, o.Right), std::min(Bottom, o.Bottom));
        return r.IsEmpty() ? TRect() : r;
    }
    constexpr TRect Union(const TRect &o) const
    {
        if (IsEmpty())
            return o;
        if (o.IsEmpty())
            return *this;
        return TRect(std::min(Left, o.Left), std::min(Top, o.Top), std::max(Right, o.Right), std::max(Bottom, o.Bottom));
    }

    QRect toQRect() const { return QRect(QPoint(Left, Top), QPoint(SaturatedInt(Right - 1LL), SaturatedInt(Bottom - 1LL))); }
    QRectF toQRectF() const { return QRectF(Left, Top, double(Right) - Left, double(Bottom) - Top); }
    static TRect fromQRect(const QRect &r) { return TRect(r.left(), r.top(), SaturatedInt(r.right() + 1LL), SaturatedInt(r.bottom() + 1LL)); }
    // Outward to whole pixels.
    static TRect fromQRectF(const QRectF &r);
};
