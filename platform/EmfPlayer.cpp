#include "platform/EmfPlayer.h"
#include "platform/CodePage.h"
#include "platform/EmfRecords.h"
#include <QtEndian>
#include <cmath>
#include <cstring>
#include <atomic>
#include <optional>

namespace {

// A record's bytes; every read is checked against its size.
struct View {
    const uchar *p = nullptr;
    qsizetype n = 0;

    struct Overrun {};
    void need(qsizetype off, qsizetype len) const
    {
        if (off < 0 || len < 0 || off > n || len > n - off)
            throw Overrun();
    }
    quint32 u32(qsizetype off) const { need(off, 4); return qFromLittleEndian<quint32>(p + off); }
    qint32 i32(qsizetype off) const { return qint32(u32(off)); }
    // A coordinate, kept where sums and differences cannot overflow.
    qint32 c32(qsizetype off) const { return std::clamp<qint32>(i32(off), -(1 << 26), 1 << 26); }
    quint16 u16(qsizetype off) const { need(off, 2); return qFromLittleEndian<quint16>(p + off); }
    qint16 i16(qsizetype off) const { return qint16(u16(off)); }
    quint8 u8(qsizetype off) const { need(off, 1); return p[off]; }
    float f32(qsizetype off) const
    {
        quint32 u = u32(off);
        float f;
        std::memcpy(&f, &u, 4);
        return f;
    }
    View sub(qsizetype off, qsizetype len) const
    {
        need(off, len);
        return View{p + off, len};
    }
};

TColor colorOf(quint32 colorRef)
{
    // COLORREF: 0x00bbggrr; palette-relative forms keep their RGB part.
    return TColor(colorRef & 0xFFFFFF);
}

double finiteOr(double v, double fallback)
{
    return std::isfinite(v) ? v : fallback;
}

// ---- device-independent bitmaps ------------------------------------------

std::atomic<EmbeddedImageDecoder> g_jpegDecoder{nullptr};
std::atomic<EmbeddedImageDecoder> g_pngDecoder{nullptr};

// The 20 reserved colours of the default palette, as a device context starts.
const QList<QRgb> &defaultPalette()
{
    static const QList<QRgb> pal{
        qRgb(0, 0, 0),       qRgb(0x80, 0, 0),    qRgb(0, 0x80, 0),       qRgb(0x80, 0x80, 0),
        qRgb(0, 0, 0x80),    qRgb(0x80, 0, 0x80), qRgb(0, 0x80, 0x80),    qRgb(0xC0, 0xC0, 0xC0),
        qRgb(0xC0, 0xDC, 0xC0), qRgb(0xA6, 0xCA, 0xF0), qRgb(0xFF, 0xFB, 0xF0), qRgb(0xA0, 0xA0, 0xA4),
        qRgb(0x80, 0x80, 0x80), qRgb(0xFF, 0, 0), qRgb(0, 0xFF, 0),       qRgb(0xFF, 0xFF, 0),
        qRgb(0, 0, 0xFF),    qRgb(0xFF, 0, 0xFF), qRgb(0, 0xFF, 0xFF),    qRgb(0xFF, 0xFF, 0xFF)};
    return pal;
}

// A JPEG or PNG file carried as a bitmap's bits, at the size its header gives.
QImage decodeEmbedded(quint32 compression, const View &bits, qint64 w, qint64 h)
{
    const EmbeddedImageDecoder decode = compression == emf::BI_JPEG ? g_jpegDecoder.load() : g_pngDecoder.load();
    if (!decode || bits.n <= 0)
        return QImage();
    QImage img = decode(QByteArray::fromRawData(reinterpret_cast<const char *>(bits.p), bits.n));
    if (img.isNull())
        return QImage();
    if (qint64(img.width()) * img.height() > EmfPlayer::MaxBitmapPixels)
        return QImage();
    img = img.convertToFormat(QImage::Format_RGB32);
    // The header's size is the bitmap's; a file of another size is fitted to it.
    if (w > 0 && h > 0 && w * h <= EmfPlayer::MaxBitmapPixels && (img.width() != w || img.height() != h))
        img = img.scaled(int(w), int(h), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return img;
}

// Decodes a DIB; a null image when the format is not supported. Sizes are
// checked against the available bytes and the pixel limit. Colour indexes
// (DIB_PAL_COLORS) go through the selected logical palette.
QImage decodeDib(const View &bmi, const View &bits, quint32 usage, bool alpha, bool *topDown = nullptr,
                 const QList<QRgb> *logPalette = nullptr)
{
    if (bmi.n < 12)
        return QImage();
    const quint32 hs = bmi.u32(0);
    qint64 w = 0, h = 0;
    int bpp = 0;
    quint32 compression = emf::BI_RGB;
    quint32 clrUsed = 0;
    qsizetype palOff = 0;
    int palEntry = 4;
    if (hs == 12) {
        w = bmi.u16(4);
        h = bmi.i16(6);
        bpp = bmi.u16(10);
        palOff = 12;
        palEntry = 3;
    } else if (hs >= 40 && hs <= 1024 && qsizetype(hs) <= bmi.n) {
        w = bmi.i32(4);
        h = bmi.i32(8);
        bpp = bmi.u16(14);
        compression = bmi.u32(16);
        clrUsed = bmi.u32(32);
        palOff = qsizetype(hs);
    } else {
        return QImage();
    }
    const bool down = h < 0;
    if (topDown)
        *topDown = down;
    h = std::abs(h);
    if (compression == emf::BI_JPEG || compression == emf::BI_PNG) {
        if (w > 65535 || h > 65535)
            return QImage();
        QImage img = decodeEmbedded(compression, bits, w, h);
        return alpha && !img.isNull() ? img.convertToFormat(QImage::Format_ARGB32_Premultiplied) : img;
    }
    if (w <= 0 || h <= 0 || w > 65535 || h > 65535 || w * h > EmfPlayer::MaxBitmapPixels)
        return QImage();
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return QImage();
    quint32 masks[3] = {0, 0, 0};
    if (compression == emf::BI_BITFIELDS) {
        if (bpp != 16 && bpp != 32)
            return QImage();
        qsizetype mOff = hs == 40 ? 40 : 40;
        for (int i = 0; i < 3; ++i)
            masks[i] = bmi.u32(mOff + 4 * i);
        if (hs == 40)
            palOff += 12;
    } else if ((compression == emf::BI_RLE8 && bpp == 8) || (compression == emf::BI_RLE4 && bpp == 4)) {
        // handled below
    } else if (compression != emf::BI_RGB) {
        return QImage();
    } else if (bpp == 16) {
        masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
    } else if (bpp == 32) {
        masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
    }
    QList<QRgb> palette;
    if (bpp <= 8) {
        qint64 count = clrUsed ? std::min<qint64>(clrUsed, 256) : (1 << bpp);
        const int entry = usage == emf::DIB_PAL_COLORS ? 2 : palEntry;
        count = std::min<qint64>(count, std::max<qsizetype>(0, bmi.n - palOff) / entry);
        const QList<QRgb> &logical = logPalette && !logPalette->isEmpty() ? *logPalette : defaultPalette();
        for (qint64 i = 0; i < count; ++i) {
            const qsizetype o = palOff + qsizetype(i) * entry;
            if (usage == emf::DIB_PAL_COLORS) {
                // An index past the palette's end takes its first entry.
                const quint16 index = bmi.u16(o);
                palette.append(index < logical.size() ? logical[index] : logical[0]);
            } else {
                palette.append(qRgb(bmi.u8(o + 2), bmi.u8(o + 1), bmi.u8(o)));
            }
        }
        while (palette.size() < (1 << bpp))
            palette.append(palette.isEmpty() ? qRgb(0, 0, 0) : (palette.size() == 1 ? qRgb(255, 255, 255) : qRgb(0, 0, 0)));
    }
    if (compression == emf::BI_RLE8 || compression == emf::BI_RLE4) {
        // Run-length rows from the bottom; runs that leave the picture are dropped.
        QImage img(int(w), int(h), QImage::Format_RGB32);
        if (img.isNull())
            return QImage();
        img.fill(palette.isEmpty() ? qRgb(0, 0, 0) : palette[0]);
        const bool four = compression == emf::BI_RLE4;
        auto put = [&](qint64 x, qint64 y, int index) {
            if (x >= 0 && x < w && y >= 0 && y < h)
                img.setPixel(int(x), int(down ? y : h - 1 - y), palette[index & (four ? 0xF : 0xFF)]);
        };
        qint64 x = 0, y = 0;
        qsizetype i = 0;
        while (i + 1 < bits.n && y < h) {
            const int count = bits.p[i], value = bits.p[i + 1];
            i += 2;
            if (count > 0) {
                for (int k = 0; k < count && x < w; ++k, ++x)
                    put(x, y, four ? ((k & 1) ? value & 0xF : value >> 4) : value);
            } else if (value == 0) {
                x = 0, ++y;
            } else if (value == 1) {
                break;
            } else if (value == 2) {
                if (i + 1 >= bits.n)
                    break;
                x += bits.p[i], y += bits.p[i + 1];
                i += 2;
            } else {
                const qsizetype bytes = four ? (value + 1) / 2 : value;
                if (bytes > bits.n - i)
                    break;
                for (int k = 0; k < value; ++k, ++x)
                    put(x, y, four ? ((k & 1) ? bits.p[i + k / 2] & 0xF : bits.p[i + k / 2] >> 4) : bits.p[i + k]);
                i += bytes + (bytes & 1);
            }
        }
        return alpha ? img.convertToFormat(QImage::Format_ARGB32_Premultiplied) : img;
    }
    const qint64 stride = ((w * bpp + 31) / 32) * 4;
    if (stride * h > bits.n)
        return QImage();
    QImage img(int(w), int(h), alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (img.isNull())
        return QImage();
    auto channel = [](quint32 v, quint32 mask) -> int {
        if (!mask)
            return 0;
        int shift = 0;
        while (!((mask >> shift) & 1))
            ++shift;
        quint32 m = mask >> shift;
        quint32 c = (v >> shift) & m;
        return m ? int((c * 255 + m / 2) / m) : 0;
    };
    for (qint64 y = 0; y < h; ++y) {
        const uchar *row = bits.p + (down ? y : h - 1 - y) * stride;
        QRgb *out = reinterpret_cast<QRgb *>(img.scanLine(int(y)));
        for (qint64 x = 0; x < w; ++x) {
            QRgb px = 0;
            switch (bpp) {
            case 1:
                px = palette[(row[x >> 3] >> (7 - (x & 7))) & 1];
                break;
            case 4:
                px = palette[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF];
                break;
            case 8:
                px = palette[row[x]];
                break;
            case 16: {
                quint32 v = qFromLittleEndian<quint16>(row + 2 * x);
                px = qRgb(channel(v, masks[0]), channel(v, masks[1]), channel(v, masks[2]));
                break;
            }
            case 24:
                px = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
                break;
            case 32: {
                quint32 v = qFromLittleEndian<quint32>(row + 4 * x);
                if (compression == emf::BI_RGB) {
                    px = alpha ? qRgba(row[4 * x + 2], row[4 * x + 1], row[4 * x], row[4 * x + 3])
                               : qRgb(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
                    if (alpha) {
                        // Premultiplied data must not exceed its alpha.
                        int a = qAlpha(px);
                        px = qRgba(std::min(qRed(px), a), std::min(qGreen(px), a), std::min(qBlue(px), a), a);
                    }
                } else {
                    px = qRgb(channel(v, masks[0]), channel(v, masks[1]), channel(v, masks[2]));
                }
                break;
            }
            }
            if (bpp != 32 || !alpha || compression != emf::BI_RGB)
                px |= 0xFF000000u;
            out[x] = px;
        }
    }
    return img;
}

// ---- the part both players share ---------------------------------------------

struct GdiObject {
    enum Kind { None, Pen, Brush, Font, Region, Palette, Other } kind = None;
    CanvasPen pen;
    CanvasBrush brush;
    CanvasFont font;
    QRegion region; // logical units (WMF)
    QList<QRgb> palette;
};

struct MapState {
    quint32 mapMode = emf::MM_TEXT;
    QPointF winOrg{0, 0}, winExt{1, 1}, vpOrg{0, 0}, vpExt{1, 1};
    QTransform world;
    bool arcClockwise = false;
    // Object index of the selected logical palette; -1 for the default one.
    qint64 palette = -1;
};

// Entries of a logical palette: red, green, blue and flags per entry.
QList<QRgb> paletteEntries(const View &r, qsizetype off, quint32 count)
{
    count = std::min<quint32>(count, 4096);
    if (qint64(count) * 4 > r.n - off)
        count = quint32(std::max<qint64>(0, (r.n - off) / 4));
    QList<QRgb> out;
    out.reserve(count);
    for (quint32 i = 0; i < count; ++i)
        out.append(qRgb(r.u8(off + 4 * i), r.u8(off + 4 * i + 1), r.u8(off + 4 * i + 2)));
    return out;
}

class PlayerBase {
public:
    PlayerBase(Canvas &c) : m_c(c)
    {
        m_t0 = c.WorldTransform();
        if (c.HasClip())
            m_clip0 = c.ClipRegion();
        m_baseDepth = c.SaveDC();
        // Playback starts from a default device context.
        c.setPen(CanvasPen{});
        c.pen().width = 0;
        c.setBrush(CanvasBrush{});
        c.setFont(defaultFont());
        c.SetTextColor(clBlack);
        c.SetBkColor(clWhite);
        c.SetBkMode(BkMode::Opaque);
        c.SetPolyFillMode(PolyFillMode::Alternate);
        c.SetTextAlign(0);
        c.MoveTo(0, 0);
    }
    ~PlayerBase()
    {
        if (m_c.SavedDepth() >= m_baseDepth)
            m_c.RestoreDC(m_baseDepth);
    }

protected:
    static CanvasFont defaultFont()
    {
        CanvasFont f;
        f.height = -16;
        return f;
    }

    QTransform mapping() const
    {
        double sx = 1, sy = 1;
        const double pmx = m_pxPerMmX, pmy = m_pxPerMmY;
        switch (m_ms.mapMode) {
        case emf::MM_LOMETRIC: sx = pmx * 0.1, sy = -pmy * 0.1; break;
        case emf::MM_HIMETRIC: sx = pmx * 0.01, sy = -pmy * 0.01; break;
        case emf::MM_LOENGLISH: sx = pmx * 0.254, sy = -pmy * 0.254; break;
        case emf::MM_HIENGLISH: sx = pmx * 0.0254, sy = -pmy * 0.0254; break;
        case emf::MM_TWIPS: sx = pmx * 25.4 / 1440, sy = -pmy * 25.4 / 1440; break;
        case emf::MM_ISOTROPIC:
        case emf::MM_ANISOTROPIC:
            if (m_ms.winExt.x() != 0 && m_ms.winExt.y() != 0) {
                sx = m_ms.vpExt.x() / m_ms.winExt.x();
                sy = m_ms.vpExt.y() / m_ms.winExt.y();
                if (m_ms.mapMode == emf::MM_ISOTROPIC) {
                    double m = std::min(std::abs(sx), std::abs(sy));
                    sx = std::copysign(m, sx);
                    sy = std::copysign(m, sy);
                }
            }
            break;
        default:
            break;
        }
        if (sx == 0 || sy == 0 || !std::isfinite(sx) || !std::isfinite(sy))
            sx = sy = 1;
        return QTransform(sx, 0, 0, sy, m_ms.vpOrg.x() - m_ms.winOrg.x() * sx, m_ms.vpOrg.y() - m_ms.winOrg.y() * sy);
    }

    // Metafile device units -> canvas device units.
    QTransform deviceToCanvas() const { return m_placement * m_t0; }
    QTransform fullTransform() const { return m_ms.world * mapping() * m_placement * m_t0; }
    void applyTransform() { m_c.SetWorldTransform(fullTransform()); }

    QRegion mapDeviceRegion(const QRegion &r) const
    {
        const QTransform t = deviceToCanvas();
        // Turned regions are scan converted per rectangle: many count as their bounds.
        if (t.type() > QTransform::TxScale && r.rectCount() > 64)
            return TransformedRegion(r.boundingRect(), t);
        QRegion out;
        for (const QRect &q : r)
            out += TransformedRegion(q, t);
        return out;
    }

    void selectClip(const QRegion *canvasRegion, ClipMode mode)
    {
        if (mode == ClipMode::Copy) {
            if (!canvasRegion) {
                m_c.SelectClipRegion(m_clip0 ? &*m_clip0 : nullptr, ClipMode::Copy);
                return;
            }
            QRegion r = m_clip0 ? canvasRegion->intersected(*m_clip0) : *canvasRegion;
            m_c.SelectClipRegion(&r, ClipMode::Copy);
            return;
        }
        if (!canvasRegion)
            return;
        m_c.SelectClipRegion(canvasRegion, mode);
        if (m_clip0)
            m_c.SelectClipRegion(&*m_clip0, ClipMode::And);
    }

    void saveDC()
    {
        m_c.SaveDC();
        m_msStack.push_back(m_ms);
        m_pathStack.push_back(m_inPath);
    }
    void restoreDC(int level)
    {
        const int depth = int(m_msStack.size());
        const int index = level < 0 ? depth + level : level - 1;
        if (level == 0 || index < 0 || index >= depth)
            return;
        m_c.RestoreDC(m_baseDepth + 1 + index);
        m_ms = m_msStack[size_t(index)];
        m_msStack.resize(size_t(index));
        m_pathStack.resize(size_t(index));
        applyTransform();
    }

    void selectStock(quint32 index)
    {
        switch (index) {
        case emf::WHITE_BRUSH: m_c.setBrush({clWhite, BrushStyle::Solid}); break;
        case emf::LTGRAY_BRUSH: m_c.setBrush({RGBColor(0xC0, 0xC0, 0xC0), BrushStyle::Solid}); break;
        case emf::GRAY_BRUSH: m_c.setBrush({RGBColor(0x80, 0x80, 0x80), BrushStyle::Solid}); break;
        case emf::DKGRAY_BRUSH: m_c.setBrush({RGBColor(0x40, 0x40, 0x40), BrushStyle::Solid}); break;
        case emf::BLACK_BRUSH: m_c.setBrush({clBlack, BrushStyle::Solid}); break;
        case emf::NULL_BRUSH: m_c.setBrush({clWhite, BrushStyle::Clear}); break;
        case emf::DC_BRUSH: m_c.setBrush({clWhite, BrushStyle::Solid}); break;
        case emf::WHITE_PEN:
        case emf::BLACK_PEN:
        case emf::DC_PEN: {
            CanvasPen p;
            p.width = 0;
            p.color = index == emf::WHITE_PEN ? clWhite : clBlack;
            m_c.setPen(p);
            break;
        }
        case emf::NULL_PEN: {
            CanvasPen p;
            p.style = PenStyle::Null;
            m_c.setPen(p);
            break;
        }
        case emf::OEM_FIXED_FONT:
        case emf::ANSI_FIXED_FONT:
        case emf::SYSTEM_FIXED_FONT: {
            CanvasFont f = defaultFont();
            f.name = QStringLiteral("Courier New");
            m_c.setFont(f);
            break;
        }
        case emf::ANSI_VAR_FONT:
        case emf::SYSTEM_FONT:
        case emf::DEVICE_DEFAULT_FONT:
        case emf::DEFAULT_GUI_FONT:
            m_c.setFont(defaultFont());
            break;
        default:
            break;
        }
    }

    // The selected logical palette; none for the default one.
    const QList<QRgb> *selectedPalette() const
    {
        const qint64 i = m_ms.palette;
        return i >= 0 && size_t(i) < m_objects.size() && m_objects[size_t(i)].kind == GdiObject::Palette
                   ? &m_objects[size_t(i)].palette
                   : nullptr;
    }

    // Changes entries of a palette object, growing it as needed.
    void setPaletteEntries(quint32 index, quint32 start, const QList<QRgb> &entries)
    {
        if (index >= m_objects.size() || m_objects[index].kind != GdiObject::Palette || start > 4096)
            return;
        QList<QRgb> &pal = m_objects[index].palette;
        for (qsizetype i = 0; i < entries.size() && start + i < 4096; ++i) {
            if (start + i >= quint32(pal.size()))
                pal.resize(start + i + 1, qRgb(0, 0, 0));
            pal[start + i] = entries[i];
        }
    }

    void resizePalette(quint32 index, quint32 count)
    {
        if (index < m_objects.size() && m_objects[index].kind == GdiObject::Palette)
            m_objects[index].palette.resize(std::min<quint32>(count, 4096), qRgb(0, 0, 0));
    }

    void selectObject(quint32 index)
    {
        if (index >= m_objects.size())
            return;
        const GdiObject &o = m_objects[index];
        switch (o.kind) {
        case GdiObject::Pen: {
            PenMode mode = m_c.pen().mode;
            m_c.setPen(o.pen);
            m_c.pen().mode = mode;
            break;
        }
        case GdiObject::Brush: m_c.setBrush(o.brush); break;
        case GdiObject::Font: m_c.setFont(o.font); break;
        case GdiObject::Region: {
            QRegion r = mapLogicalRegion(o.region);
            selectClip(&r, ClipMode::Copy);
            break;
        }
        default: break;
        }
    }

    QRegion mapLogicalRegion(const QRegion &r) const
    {
        QRegion out;
        const QTransform t = fullTransform();
        if (t.type() > QTransform::TxScale && r.rectCount() > 64)
            return TransformedRegion(r.boundingRect(), t);
        for (const QRect &q : r)
            out += TransformedRegion(q, t);
        return out;
    }

    void setRop2(quint32 rop2)
    {
        PenMode m = PenMode::Copy;
        if (rop2 == emf::R2_XORPEN)
            m = PenMode::Xor;
        else if (rop2 == emf::R2_NOTXORPEN)
            m = PenMode::NotXor;
        else if (rop2 == emf::R2_NOT)
            m = PenMode::Not;
        m_c.pen().mode = m;
    }

    static PenStyle penStyleOf(quint32 s)
    {
        switch (s & emf::PS_STYLE_MASK) {
        case emf::PS_DASH: return PenStyle::Dash;
        case emf::PS_DOT:
        case emf::PS_ALTERNATE: return PenStyle::Dot;
        case emf::PS_DASHDOT: return PenStyle::DashDot;
        case emf::PS_DASHDOTDOT: return PenStyle::DashDotDot;
        case emf::PS_NULL: return PenStyle::Null;
        case emf::PS_INSIDEFRAME: return PenStyle::InsideFrame;
        case emf::PS_USERSTYLE: return PenStyle::User;
        default: return PenStyle::Solid;
        }
    }

    static CanvasBrush brushOf(quint32 style, quint32 color, quint32 hatch)
    {
        CanvasBrush b;
        b.color = colorOf(color);
        switch (style) {
        case emf::BS_NULL: b.style = BrushStyle::Clear; break;
        case emf::BS_HATCHED:
            switch (hatch) {
            case emf::HS_HORIZONTAL: b.style = BrushStyle::Horizontal; break;
            case emf::HS_VERTICAL: b.style = BrushStyle::Vertical; break;
            case emf::HS_FDIAGONAL: b.style = BrushStyle::FDiagonal; break;
            case emf::HS_BDIAGONAL: b.style = BrushStyle::BDiagonal; break;
            case emf::HS_CROSS: b.style = BrushStyle::Cross; break;
            default: b.style = BrushStyle::DiagCross; break;
            }
            break;
        default: b.style = BrushStyle::Solid; break;
        }
        return b;
    }

    // A pattern brush; its average colour stands in where tiles cannot go.
    static CanvasBrush patternBrush(const QImage &img)
    {
        CanvasBrush b;
        b.color = clGray;
        if (img.isNull())
            return b;
        b.style = BrushStyle::Pattern;
        b.pattern = img.convertToFormat(QImage::Format_RGB32);
        qint64 r = 0, g = 0, bl = 0, n = 0;
        for (int y = 0; y < img.height() && y < 64; ++y)
            for (int x = 0; x < img.width() && x < 64; ++x) {
                QRgb p = img.pixel(x, y);
                r += qRed(p), g += qGreen(p), bl += qBlue(p), ++n;
            }
        if (n)
            b.color = RGBColor(int(r / n), int(g / n), int(bl / n));
        return b;
    }

    void arcCall(quint32 type, const TRect &box, TPoint s, TPoint e)
    {
        if (m_ms.arcClockwise)
            std::swap(s, e);
        if (type == emf::EMR_ARC)
            m_c.Arc(box, s, e);
        else if (type == emf::EMR_CHORD)
            m_c.Chord(box, s, e);
        else
            m_c.Pie(box, s, e);
    }

    // Path building: drawing calls between BEGINPATH and ENDPATH add here.
    void pathMove(QPointF p)
    {
        m_path.moveTo(p);
    }
    void pathLine(QPointF p)
    {
        if (m_path.elementCount() == 0)
            m_path.moveTo(QPointF(m_c.PenPos().X, m_c.PenPos().Y));
        m_path.lineTo(p);
    }

    Canvas &m_c;
    QTransform m_t0;
    std::optional<QRegion> m_clip0;
    QTransform m_placement;
    double m_pxPerMmX = 96 / 25.4, m_pxPerMmY = 96 / 25.4;
    MapState m_ms;
    std::vector<MapState> m_msStack;
    std::vector<bool> m_pathStack;
    std::vector<GdiObject> m_objects;
    bool m_inPath = false;
    QPainterPath m_path;
    int m_baseDepth = 0;
};

[[noreturn]] void fail(const QString &message)
{
    throw EMetafileError(message);
}

// ---- enhanced metafiles --------------------------------------------------------

struct EmfHeader {
    TRect bounds, frame;
    quint32 bytes = 0, records = 0, handles = 0;
    QSize devicePx, deviceMm;
    QString description;
};

EmfHeader readEmfHeader(const QByteArray &data)
{
    if (data.isEmpty())
        fail(QStringLiteral("The metafile is empty"));
    if (data.size() > EmfPlayer::MaxBytes)
        fail(QStringLiteral("The metafile is too large"));
    View v{reinterpret_cast<const uchar *>(data.constData()), data.size()};
    if (v.n < 88)
        fail(QStringLiteral("The enhanced metafile header is truncated"));
    if (v.u32(0) != emf::EMR_HEADER || v.u32(40) != emf::ENHMETA_SIGNATURE)
        fail(QStringLiteral("The data is not an enhanced metafile"));
    const quint32 hsize = v.u32(4);
    if (hsize < 88 || hsize % 4 || hsize > quint64(v.n))
        fail(QStringLiteral("The enhanced metafile header has an invalid size"));
    EmfHeader h;
    h.bounds = TRect(v.i32(8), v.i32(12), v.i32(16), v.i32(20));
    h.frame = TRect(v.i32(24), v.i32(28), v.i32(32), v.i32(36));
    h.bytes = v.u32(48);
    h.records = v.u32(52);
    h.handles = v.u16(56);
    const quint32 nDesc = v.u32(60), offDesc = v.u32(64);
    h.devicePx = QSize(v.i32(72), v.i32(76));
    h.deviceMm = QSize(v.i32(80), v.i32(84));
    if (nDesc > 0 && nDesc < 4096 && offDesc >= 88 && quint64(offDesc) + quint64(nDesc) * 2 <= hsize) {
        for (quint32 i = 0; i < nDesc; ++i) {
            quint16 ch = v.u16(offDesc + 2 * i);
            h.description.append(ch ? QChar(ch) : QChar(QLatin1Char('|')));
        }
        while (h.description.endsWith(QLatin1Char('|')))
            h.description.chop(1);
    }
    // Walk the record chain: every size sane and inside the data, ending in EOF.
    qsizetype at = 0;
    quint32 count = 0;
    bool eof = false;
    while (at < v.n) {
        if (v.n - at < 8)
            fail(QStringLiteral("The enhanced metafile is truncated at offset %1").arg(at));
        const quint32 type = v.u32(at), size = v.u32(at + 4);
        if (size < 8 || size % 4 || qint64(size) > v.n - at)
            fail(QStringLiteral("Metafile record %1 at offset %2 has an invalid size (%3)").arg(count + 1).arg(at).arg(size));
        ++count;
        at += size;
        if (type == emf::EMR_EOF) {
            eof = true;
            break;
        }
    }
    if (!eof)
        fail(QStringLiteral("The enhanced metafile is truncated: it has no end record"));
    return h;
}

class EmfPlay : public PlayerBase {
public:
    EmfPlay(Canvas &c, const QByteArray &data, const EmfHeader &h, const TRect &dest)
        : PlayerBase(c), m_data(data), m_h(h)
    {
        if (h.devicePx.width() > 0 && h.deviceMm.width() > 0)
            m_pxPerMmX = double(h.devicePx.width()) / h.deviceMm.width();
        if (h.devicePx.height() > 0 && h.deviceMm.height() > 0)
            m_pxPerMmY = double(h.devicePx.height()) / h.deviceMm.height();
        double fl = h.frame.Left * m_pxPerMmX / 100, ft = h.frame.Top * m_pxPerMmY / 100;
        double fw = (double(h.frame.Right) - h.frame.Left) * m_pxPerMmX / 100;
        double fh = (double(h.frame.Bottom) - h.frame.Top) * m_pxPerMmY / 100;
        // Frames are whole 0.01 mm; the pictures they describe are whole pixels.
        fl = std::nearbyint(fl), ft = std::nearbyint(ft), fw = std::nearbyint(fw), fh = std::nearbyint(fh);
        if (!(fw > 0 && fh > 0)) {
            fl = h.bounds.Left, ft = h.bounds.Top;
            fw = double(h.bounds.Right) - h.bounds.Left + 1;
            fh = double(h.bounds.Bottom) - h.bounds.Top + 1;
        }
        double sx = fw > 0 ? dest.Width() / fw : 1, sy = fh > 0 ? dest.Height() / fh : 1;
        sx = finiteOr(sx, 1), sy = finiteOr(sy, 1);
        m_placement = QTransform(sx, 0, 0, sy, dest.Left - fl * sx, dest.Top - ft * sy);
        m_objects.resize(std::max<quint32>(h.handles, 1));
        applyTransform();
    }

    void run()
    {
        View all{reinterpret_cast<const uchar *>(m_data.constData()), m_data.size()};
        qsizetype at = 0;
        quint32 index = 0;
        while (at + 8 <= all.n) {
            const quint32 type = all.u32(at), size = all.u32(at + 4);
            View r = all.sub(at, size);
            ++index;
            try {
                if (!record(type, r))
                    break;
            } catch (const View::Overrun &) {
                fail(QStringLiteral("Metafile record %1 (type %2) at offset %3 is corrupt").arg(index).arg(type).arg(at));
            }
            at += size;
        }
    }

private:
    TRect rectAt(const View &r, qsizetype off) const
    {
        return TRect(r.c32(off), r.c32(off + 4), r.c32(off + 8), r.c32(off + 12));
    }

    // Points of a poly record: count at off, points after it.
    std::vector<TPoint> points(const View &r, qsizetype countOff, qsizetype ptsOff, bool small, quint32 *countOut = nullptr)
    {
        const quint32 n = r.u32(countOff);
        const qsizetype each = small ? 4 : 8;
        if (qint64(n) * each > r.n - ptsOff)
            throw View::Overrun();
        std::vector<TPoint> pts(n);
        for (quint32 i = 0; i < n; ++i) {
            const qsizetype o = ptsOff + qsizetype(i) * each;
            pts[i] = small ? TPoint(r.i16(o), r.i16(o + 2)) : TPoint(r.c32(o), r.c32(o + 4));
        }
        if (countOut)
            *countOut = n;
        return pts;
    }

    void polyTo(quint32 type, const std::vector<TPoint> &pts)
    {
        const bool bezier = type == emf::EMR_POLYBEZIERTO || type == emf::EMR_POLYBEZIERTO16;
        if (pts.empty())
            return;
        if (m_inPath) {
            if (m_path.elementCount() == 0)
                m_path.moveTo(QPointF(m_c.PenPos().X, m_c.PenPos().Y));
            if (bezier) {
                for (size_t i = 0; i + 2 < pts.size(); i += 3)
                    m_path.cubicTo(QPointF(pts[i].X, pts[i].Y), QPointF(pts[i + 1].X, pts[i + 1].Y),
                                   QPointF(pts[i + 2].X, pts[i + 2].Y));
            } else {
                for (const TPoint &p : pts)
                    m_path.lineTo(QPointF(p.X, p.Y));
            }
        } else {
            std::vector<TPoint> all;
            all.reserve(pts.size() + 1);
            all.push_back(m_c.PenPos());
            all.insert(all.end(), pts.begin(), pts.end());
            if (bezier)
                m_c.PolyBezier(all);
            else
                m_c.Polyline(all);
        }
        m_c.MoveTo(pts.back().X, pts.back().Y);
    }

    void addPolyToPath(const std::vector<TPoint> &pts, bool close, bool bezier)
    {
        if (pts.empty())
            return;
        m_path.moveTo(QPointF(pts[0].X, pts[0].Y));
        if (bezier) {
            for (size_t i = 1; i + 2 < pts.size(); i += 3)
                m_path.cubicTo(QPointF(pts[i].X, pts[i].Y), QPointF(pts[i + 1].X, pts[i + 1].Y),
                               QPointF(pts[i + 2].X, pts[i + 2].Y));
        } else {
            for (size_t i = 1; i < pts.size(); ++i)
                m_path.lineTo(QPointF(pts[i].X, pts[i].Y));
        }
        if (close)
            m_path.closeSubpath();
    }

    QRegion regionData(const View &r, qsizetype off, qsizetype len)
    {
        View d = r.sub(off, len);
        if (d.n < 32)
            return QRegion();
        const quint32 n = d.u32(8);
        if (qint64(n) * 16 > d.n - 32)
            throw View::Overrun();
        // Rectangles of foreign regions need not be sorted or disjoint, so
        // they are united one by one; very long lists count as their bounds.
        QRegion rgn;
        QRect bounds;
        for (quint32 i = 0; i < n; ++i) {
            TRect t = rectAt(d, 32 + qsizetype(i) * 16).Normalized();
            if (t.IsEmpty())
                continue;
            bounds = bounds.united(t.toQRect());
            if (n <= 2048)
                rgn += t.toQRect();
        }
        return n <= 2048 ? rgn : QRegion(bounds);
    }

    void handleObject(quint32 ih, const GdiObject &o)
    {
        if (ih >= 1 && ih < m_objects.size())
            m_objects[ih] = o;
    }

    void bitmapRecord(quint32 type, const View &r)
    {
        if (type == emf::EMR_STRETCHDIBITS) {
            const TRect dst = TRect::Bounds(r.c32(24), r.c32(28), r.c32(72), r.c32(76));
            const qint32 xs = r.c32(32), ys = r.c32(36), cxs = r.c32(40), cys = r.c32(44);
            const quint32 offBmi = r.u32(48), cbBmi = r.u32(52), offBits = r.u32(56), cbBits = r.u32(60);
            const quint32 usage = r.u32(64), rop = r.u32(68);
            if (cbBmi == 0) {
                m_c.StretchDIBits(dst, QImage(), TRect(), rop);
                return;
            }
            bool down = false;
            QImage img = decodeDib(r.sub(offBmi, cbBmi), r.sub(offBits, cbBits), usage, false, &down, selectedPalette());
            if (img.isNull())
                return;
            const int top = down ? ys : img.height() - ys - cys;
            m_c.StretchDIBits(dst, img, TRect::Bounds(xs, top, cxs, cys), rop);
            return;
        }
        if (type == emf::EMR_SETDIBITSTODEVICE) {
            const qint32 xd = r.c32(24), yd = r.c32(28), xs = r.c32(32), ys = r.c32(36), cxs = r.c32(40), cys = r.c32(44);
            const quint32 offBmi = r.u32(48), cbBmi = r.u32(52), offBits = r.u32(56), cbBits = r.u32(60);
            bool down = false;
            QImage img = decodeDib(r.sub(offBmi, cbBmi), r.sub(offBits, cbBits), r.u32(64), false, &down, selectedPalette());
            if (img.isNull())
                return;
            const int top = down ? ys : img.height() - ys - cys;
            m_c.StretchDIBits(TRect::Bounds(xd, yd, cxs, cys), img, TRect::Bounds(xs, top, cxs, cys), SRCCOPY);
            return;
        }
        // BITBLT, STRETCHBLT, ALPHABLEND, TRANSPARENTBLT share the first fields.
        const TRect dst = TRect::Bounds(r.c32(24), r.c32(28), r.c32(32), r.c32(36));
        const quint32 rop = r.u32(40);
        const qint32 xs = r.c32(44), ys = r.c32(48);
        const quint32 usage = r.u32(80), offBmi = r.u32(84), cbBmi = r.u32(88), offBits = r.u32(92), cbBits = r.u32(96);
        qint32 cxs = dst.Width(), cys = dst.Height();
        if (type != emf::EMR_BITBLT) {
            cxs = r.c32(100);
            cys = r.c32(104);
        }
        if (cbBmi == 0) {
            if (type == emf::EMR_BITBLT || type == emf::EMR_STRETCHBLT)
                m_c.StretchDIBits(dst, QImage(), TRect(), rop == BLACKNESS || rop == WHITENESS || rop == DSTINVERT ? rop : PATCOPY);
            return;
        }
        const bool alpha = type == emf::EMR_ALPHABLEND && ((rop >> 24) & emf::AC_SRC_ALPHA);
        QImage img = decodeDib(r.sub(offBmi, cbBmi), r.sub(offBits, cbBits), usage, alpha, nullptr, selectedPalette());
        if (img.isNull())
            return;
        const TRect src = TRect::Bounds(xs, ys, cxs, cys);
        if (type == emf::EMR_ALPHABLEND)
            m_c.AlphaBlend(dst, img, src, int((rop >> 16) & 0xFF), alpha);
        else if (type == emf::EMR_TRANSPARENTBLT)
            m_c.DrawTransparent(dst, img, src, colorOf(rop));
        else
            m_c.StretchDIBits(dst, img, src, rop);
    }

    void textRecord(quint32 type, const View &r)
    {
        const qint32 x = r.c32(36), y = r.c32(40);
        const quint32 n = r.u32(44), offString = r.u32(48), options = r.u32(52);
        const TRect rc = rectAt(r, 56);
        const quint32 offDx = r.u32(72);
        const bool wide = type == emf::EMR_EXTTEXTOUTW;
        if (n > 1u << 20)
            throw View::Overrun();
        QString text;
        if (wide) {
            View s = r.sub(offString, qsizetype(n) * 2);
            text.resize(n);
            for (quint32 i = 0; i < n; ++i)
                text[i] = QChar(s.u16(2 * i));
        } else {
            View s = r.sub(offString, n);
            text = DecodeAnsi(QByteArrayView(reinterpret_cast<const char *>(s.p), s.n));
        }
        std::vector<int> dx;
        const qsizetype step = (options & 0x2000) ? 8 : 4; // ETO_PDY pairs
        if (offDx && qint64(offDx) + qint64(n) * step <= r.n && n > 0) {
            dx.resize(n);
            for (quint32 i = 0; i < n; ++i)
                dx[i] = r.c32(offDx + qsizetype(i) * step);
            if (!wide && text.size() != qsizetype(n))
                dx.clear();
        }
        unsigned opts = options & (ETO_OPAQUE | ETO_CLIPPED | ETO_RTLREADING);
        if (options & 0x10) {
            // Glyph indexes of the recording device's font cannot be mapped
            // to characters: only the opaque rectangle is kept.
            text.clear();
            dx.clear();
        }
        m_c.ExtTextOut(x, y, opts, (opts & (ETO_OPAQUE | ETO_CLIPPED)) ? &rc : nullptr, text, dx);
    }

    // Rectangles as bands of interpolated colour, triangles in their mean colour.
    void gradientRecord(const View &r)
    {
        const quint32 nVer = r.u32(24), nTri = r.u32(28), mode = r.u32(32);
        const qsizetype verOff = 36;
        if (qint64(nVer) * 16 > r.n - verOff)
            throw View::Overrun();
        struct Vertex {
            qint32 x, y;
            int rgb[3];
        };
        std::vector<Vertex> v(nVer);
        for (quint32 i = 0; i < nVer; ++i) {
            const qsizetype o = verOff + qsizetype(i) * 16;
            v[i] = Vertex{r.c32(o), r.c32(o + 4), {r.u16(o + 8) >> 8, r.u16(o + 10) >> 8, r.u16(o + 12) >> 8}};
        }
        const qsizetype meshOff = verOff + qsizetype(nVer) * 16;
        const qsizetype each = mode == 2 ? 12 : 8;
        if (qint64(nTri) * each > r.n - meshOff)
            throw View::Overrun();
        const CanvasBrush savedBrush = m_c.brush();
        const CanvasPen savedPen = m_c.pen();
        m_c.pen().style = PenStyle::Null;
        auto colorAt = [](const Vertex &a, const Vertex &b, double t) {
            return RGBColor(int(std::lround(a.rgb[0] + (b.rgb[0] - a.rgb[0]) * t)),
                            int(std::lround(a.rgb[1] + (b.rgb[1] - a.rgb[1]) * t)),
                            int(std::lround(a.rgb[2] + (b.rgb[2] - a.rgb[2]) * t)));
        };
        for (quint32 i = 0; i < nTri && i < 65536; ++i) {
            const qsizetype o = meshOff + qsizetype(i) * each;
            const quint32 a = r.u32(o), b = r.u32(o + 4);
            if (mode == 2) {
                const quint32 c = r.u32(o + 8);
                if (a >= nVer || b >= nVer || c >= nVer)
                    continue;
                Vertex m = v[a];
                for (int k = 0; k < 3; ++k)
                    m.rgb[k] = (v[a].rgb[k] + v[b].rgb[k] + v[c].rgb[k]) / 3;
                m_c.brush() = {colorAt(m, m, 0), BrushStyle::Solid};
                m_c.Polygon({TPoint(v[a].x, v[a].y), TPoint(v[b].x, v[b].y), TPoint(v[c].x, v[c].y)});
                continue;
            }
            if (a >= nVer || b >= nVer)
                continue;
            const TRect box = TRect(v[a].x, v[a].y, v[b].x, v[b].y).Normalized();
            const bool vertical = mode == 1;
            const int extent = vertical ? box.Height() : box.Width();
            const int steps = std::clamp(extent, 1, 256);
            for (int k = 0; k < steps; ++k) {
                const int from = int(qint64(extent) * k / steps), to = int(qint64(extent) * (k + 1) / steps);
                m_c.brush() = {colorAt(v[a], v[b], steps > 1 ? double(k) / (steps - 1) : 0), BrushStyle::Solid};
                m_c.FillRect(vertical ? TRect(box.Left, box.Top + from, box.Right, box.Top + to)
                                      : TRect(box.Left + from, box.Top, box.Left + to, box.Bottom));
            }
        }
        m_c.setBrush(savedBrush);
        m_c.setPen(savedPen);
    }

    // false at the end record.
    bool record(quint32 type, const View &r)
    {
        using namespace emf;
        switch (type) {
        case EMR_HEADER:
            break;
        case EMR_EOF:
            return false;
        // ---- mapping ----
        case EMR_SETMAPMODE:
            m_ms.mapMode = r.u32(8);
            applyTransform();
            break;
        case EMR_SETWINDOWEXTEX:
            m_ms.winExt = QPointF(r.i32(8), r.i32(12));
            applyTransform();
            break;
        case EMR_SETWINDOWORGEX:
            m_ms.winOrg = QPointF(r.i32(8), r.i32(12));
            applyTransform();
            break;
        case EMR_SETVIEWPORTEXTEX:
            m_ms.vpExt = QPointF(r.i32(8), r.i32(12));
            applyTransform();
            break;
        case EMR_SETVIEWPORTORGEX:
            m_ms.vpOrg = QPointF(r.i32(8), r.i32(12));
            applyTransform();
            break;
        case EMR_SCALEVIEWPORTEXTEX:
        case EMR_SCALEWINDOWEXTEX: {
            const qint32 xn = r.i32(8), xd = r.i32(12), yn = r.i32(16), yd = r.i32(20);
            if (xd != 0 && yd != 0) {
                QPointF &e = type == EMR_SCALEVIEWPORTEXTEX ? m_ms.vpExt : m_ms.winExt;
                e = QPointF(e.x() * xn / xd, e.y() * yn / yd);
                applyTransform();
            }
            break;
        }
        case EMR_SETWORLDTRANSFORM:
        case EMR_MODIFYWORLDTRANSFORM: {
            XForm x{r.f32(8), r.f32(12), r.f32(16), r.f32(20), r.f32(24), r.f32(28)};
            QTransform t = x.toQTransform();
            bool ok = std::isfinite(t.m11()) && std::isfinite(t.m12()) && std::isfinite(t.m21()) &&
                      std::isfinite(t.m22()) && std::isfinite(t.dx()) && std::isfinite(t.dy());
            if (type == EMR_SETWORLDTRANSFORM) {
                if (ok && t.isInvertible())
                    m_ms.world = t;
            } else {
                const quint32 mode = r.u32(32);
                QTransform n = m_ms.world;
                if (mode == MWT_IDENTITY)
                    n = QTransform();
                else if (ok && mode == MWT_LEFTMULTIPLY)
                    n = t * m_ms.world;
                else if (ok && mode == MWT_RIGHTMULTIPLY)
                    n = m_ms.world * t;
                if (n.isInvertible())
                    m_ms.world = n;
            }
            applyTransform();
            break;
        }
        // ---- device-context values ----
        case EMR_SETBKMODE:
            m_c.SetBkMode(r.u32(8) == 1 ? BkMode::Transparent : BkMode::Opaque);
            break;
        case EMR_SETBKCOLOR:
            m_c.SetBkColor(colorOf(r.u32(8)));
            break;
        case EMR_SETTEXTCOLOR:
            m_c.SetTextColor(colorOf(r.u32(8)));
            break;
        case EMR_SETTEXTALIGN:
            m_c.SetTextAlign(r.u32(8));
            break;
        case EMR_SETPOLYFILLMODE:
            m_c.SetPolyFillMode(r.u32(8) == 2 ? PolyFillMode::Winding : PolyFillMode::Alternate);
            break;
        case EMR_SETROP2:
            setRop2(r.u32(8));
            break;
        case EMR_SETARCDIRECTION:
            m_ms.arcClockwise = r.u32(8) == 2;
            break;
        case EMR_SAVEDC:
            saveDC();
            break;
        case EMR_RESTOREDC:
            restoreDC(r.i32(8));
            break;
        // ---- clipping ----
        case EMR_INTERSECTCLIPRECT:
            m_c.IntersectClipRect(rectAt(r, 8));
            break;
        case EMR_EXCLUDECLIPRECT:
            m_c.ExcludeClipRect(rectAt(r, 8));
            break;
        case EMR_EXTSELECTCLIPRGN: {
            const quint32 cb = r.u32(8), mode = r.u32(12);
            if (mode < 1 || mode > 5)
                break;
            if (cb == 0) {
                if (mode == 5)
                    selectClip(nullptr, ClipMode::Copy);
                break;
            }
            QRegion rgn = mapDeviceRegion(regionData(r, 16, cb));
            selectClip(&rgn, ClipMode(mode));
            break;
        }
        case EMR_SELECTCLIPPATH: {
            const quint32 mode = r.u32(8);
            if (mode >= 1 && mode <= 5 && !m_path.isEmpty()) {
                // Bounded like every region: no device is larger. Scan
                // conversion costs rows times edges, so large or intricate
                // paths clip to their bounding box.
                QPainterPath bound;
                bound.addRect(QRectF(-(1 << 17), -(1 << 17), 1 << 18, 1 << 18));
                const QPainterPath mapped = fullTransform().map(m_path).intersected(bound);
                const QRectF box = mapped.boundingRect();
                QRegion rgn;
                if (box.height() <= 8192 && mapped.elementCount() <= 4096)
                    rgn = QRegion(mapped.toFillPolygon().toPolygon(),
                                  m_c.GetPolyFillMode() == PolyFillMode::Winding ? Qt::WindingFill : Qt::OddEvenFill);
                else
                    rgn = QRegion(box.toAlignedRect());
                selectClip(&rgn, ClipMode(mode));
            }
            m_path = QPainterPath();
            m_inPath = false;
            break;
        }
        // ---- objects ----
        case EMR_CREATEPEN: {
            GdiObject o;
            o.kind = GdiObject::Pen;
            const quint32 style = r.u32(12);
            o.pen.style = penStyleOf(style);
            o.pen.width = std::clamp(r.i32(16), 0, 1 << 20);
            o.pen.color = colorOf(r.u32(24));
            handleObject(r.u32(8), o);
            break;
        }
        case EMR_EXTCREATEPEN: {
            GdiObject o;
            o.kind = GdiObject::Pen;
            const quint32 style = r.u32(28);
            o.pen.style = penStyleOf(style);
            o.pen.geometric = (style & PS_GEOMETRIC) != 0;
            const quint32 cap = style & PS_ENDCAP_MASK, join = style & PS_JOIN_MASK;
            o.pen.cap = cap == PS_ENDCAP_SQUARE ? PenEndCap::Square : cap == PS_ENDCAP_FLAT ? PenEndCap::Flat : PenEndCap::Round;
            o.pen.join = join == PS_JOIN_BEVEL ? PenJoin::Bevel : join == PS_JOIN_MITER ? PenJoin::Miter : PenJoin::Round;
            o.pen.width = int(std::min<quint32>(r.u32(32), 1u << 20));
            if (r.u32(36) == BS_NULL)
                o.pen.style = PenStyle::Null;
            o.pen.color = colorOf(r.u32(40));
            const quint32 n = r.u32(48);
            if (o.pen.style == PenStyle::User) {
                if (qint64(n) * 4 > r.n - 52)
                    throw View::Overrun();
                for (quint32 i = 0; i < n && i < 16; ++i)
                    o.pen.dashes.append(int(std::min<quint32>(r.u32(52 + 4 * qsizetype(i)), 1u << 20)));
                if (o.pen.dashes.isEmpty())
                    o.pen.style = PenStyle::Solid;
            }
            handleObject(r.u32(8), o);
            break;
        }
        case EMR_CREATEBRUSHINDIRECT: {
            GdiObject o;
            o.kind = GdiObject::Brush;
            o.brush = brushOf(r.u32(12), r.u32(16), r.u32(20));
            handleObject(r.u32(8), o);
            break;
        }
        case EMR_CREATEDIBPATTERNBRUSHPT:
        case EMR_CREATEMONOBRUSH: {
            GdiObject o;
            o.kind = GdiObject::Brush;
            const quint32 usage = r.u32(12), offBmi = r.u32(16), cbBmi = r.u32(20), offBits = r.u32(24), cbBits = r.u32(28);
            o.brush = patternBrush(decodeDib(r.sub(offBmi, cbBmi), r.sub(offBits, cbBits), usage, false, nullptr,
                                             selectedPalette()));
            handleObject(r.u32(8), o);
            break;
        }
        case EMR_EXTCREATEFONTINDIRECTW: {
            GdiObject o;
            o.kind = GdiObject::Font;
            View lf = r.sub(12, 92);
            o.font.height = std::clamp(lf.i32(0), -100000, 100000);
            o.font.width = std::clamp(lf.i32(4), -100000, 100000);
            o.font.escapement = lf.i32(8) % 3600;
            o.font.orientation = lf.i32(12) % 3600;
            o.font.weight = std::clamp(lf.i32(16), 0, 1000);
            o.font.italic = lf.u8(20) != 0;
            o.font.underline = lf.u8(21) != 0;
            o.font.strikeOut = lf.u8(22) != 0;
            o.font.charset = lf.u8(23);
            o.font.pitchAndFamily = lf.u8(27);
            QString name;
            for (int i = 0; i < 32; ++i) {
                quint16 ch = lf.u16(28 + 2 * i);
                if (!ch)
                    break;
                name.append(QChar(ch));
            }
            o.font.name = name.isEmpty() ? QStringLiteral("Arial") : name;
            handleObject(r.u32(8), o);
            break;
        }
        case EMR_CREATEPALETTE: {
            GdiObject o;
            o.kind = GdiObject::Palette;
            o.palette = paletteEntries(r, 16, r.u16(14));
            handleObject(r.u32(8), o);
            break;
        }
        case EMR_SELECTPALETTE: {
            const quint32 ih = r.u32(8);
            m_ms.palette = (ih & STOCK_OBJECT) ? -1 : qint64(ih);
            break;
        }
        case EMR_SETPALETTEENTRIES:
            setPaletteEntries(r.u32(8), r.u32(12), paletteEntries(r, 20, r.u32(16)));
            break;
        case EMR_RESIZEPALETTE:
            resizePalette(r.u32(8), r.u32(12));
            break;
        case EMR_SELECTOBJECT: {
            const quint32 ih = r.u32(8);
            if (ih & STOCK_OBJECT)
                selectStock(ih & 0x7FFFFFFF);
            else
                selectObject(ih);
            break;
        }
        case EMR_DELETEOBJECT: {
            const quint32 ih = r.u32(8);
            if (ih >= 1 && ih < m_objects.size())
                m_objects[ih] = GdiObject();
            break;
        }
        // ---- lines and shapes ----
        case EMR_MOVETOEX: {
            TPoint p(r.c32(8), r.c32(12));
            if (m_inPath)
                pathMove(QPointF(p.X, p.Y));
            m_c.MoveTo(p.X, p.Y);
            break;
        }
        case EMR_LINETO: {
            TPoint p(r.c32(8), r.c32(12));
            if (m_inPath) {
                pathLine(QPointF(p.X, p.Y));
                m_c.MoveTo(p.X, p.Y);
            } else {
                m_c.LineTo(p.X, p.Y);
            }
            break;
        }
        case EMR_POLYLINETO:
        case EMR_POLYBEZIERTO:
            polyTo(type, points(r, 24, 28, false));
            break;
        case EMR_POLYLINETO16:
        case EMR_POLYBEZIERTO16:
            polyTo(type, points(r, 24, 28, true));
            break;
        case EMR_POLYLINE:
        case EMR_POLYLINE16:
        case EMR_POLYBEZIER:
        case EMR_POLYBEZIER16:
        case EMR_POLYGON:
        case EMR_POLYGON16: {
            const bool small = type == EMR_POLYLINE16 || type == EMR_POLYBEZIER16 || type == EMR_POLYGON16;
            std::vector<TPoint> pts = points(r, 24, 28, small);
            const bool polygon = type == EMR_POLYGON || type == EMR_POLYGON16;
            const bool bezier = type == EMR_POLYBEZIER || type == EMR_POLYBEZIER16;
            if (m_inPath)
                addPolyToPath(pts, polygon, bezier);
            else if (polygon)
                m_c.Polygon(pts);
            else if (bezier)
                m_c.PolyBezier(pts);
            else
                m_c.Polyline(pts);
            break;
        }
        case EMR_POLYPOLYLINE:
        case EMR_POLYPOLYLINE16:
        case EMR_POLYPOLYGON:
        case EMR_POLYPOLYGON16: {
            const bool small = type == EMR_POLYPOLYLINE16 || type == EMR_POLYPOLYGON16;
            const quint32 nPolys = r.u32(24), total = r.u32(28);
            if (qint64(nPolys) * 4 > r.n - 32)
                throw View::Overrun();
            std::vector<int> counts(nPolys);
            qint64 sum = 0;
            for (quint32 i = 0; i < nPolys; ++i) {
                counts[i] = int(std::min<quint32>(r.u32(32 + 4 * qsizetype(i)), 0x7FFFFFFF));
                sum += counts[i];
            }
            const qsizetype ptsOff = 32 + qsizetype(nPolys) * 4;
            const qsizetype each = small ? 4 : 8;
            if (sum > total || qint64(total) * each > r.n - ptsOff)
                throw View::Overrun();
            std::vector<TPoint> pts(static_cast<size_t>(sum));
            for (qint64 i = 0; i < sum; ++i) {
                const qsizetype o = ptsOff + qsizetype(i) * each;
                pts[size_t(i)] = small ? TPoint(r.i16(o), r.i16(o + 2)) : TPoint(r.c32(o), r.c32(o + 4));
            }
            const bool polygon = type == EMR_POLYPOLYGON || type == EMR_POLYPOLYGON16;
            if (m_inPath) {
                size_t at = 0;
                for (int c : counts) {
                    addPolyToPath(std::vector<TPoint>(pts.begin() + qsizetype(at), pts.begin() + qsizetype(at + size_t(c))), polygon, false);
                    at += size_t(c);
                }
            } else if (polygon) {
                m_c.PolyPolygon(pts, counts);
            } else {
                size_t at = 0;
                for (int c : counts) {
                    m_c.Polyline(std::span<const TPoint>(pts).subspan(at, size_t(c)));
                    at += size_t(c);
                }
            }
            break;
        }
        case EMR_RECTANGLE:
        case EMR_ELLIPSE: {
            TRect b = rectAt(r, 8);
            if (m_inPath) {
                if (type == EMR_RECTANGLE)
                    m_path.addRect(b.Normalized().toQRectF());
                else
                    m_path.addEllipse(b.Normalized().toQRectF());
            } else if (type == EMR_RECTANGLE) {
                m_c.Rectangle(b);
            } else {
                m_c.Ellipse(b);
            }
            break;
        }
        case EMR_ROUNDRECT:
            m_c.RoundRect(rectAt(r, 8), r.c32(24), r.c32(28));
            break;
        case EMR_ARC:
        case EMR_CHORD:
        case EMR_PIE:
            arcCall(type, rectAt(r, 8), TPoint(r.c32(24), r.c32(28)), TPoint(r.c32(32), r.c32(36)));
            break;
        case EMR_ARCTO: {
            TRect b = rectAt(r, 8);
            TPoint e(r.c32(32), r.c32(36));
            arcCall(EMR_ARC, b, TPoint(r.c32(24), r.c32(28)), e);
            m_c.MoveTo(e.X, e.Y);
            break;
        }
        case EMR_SETPIXELV: {
            CanvasBrush saved = m_c.brush();
            m_c.setBrush({colorOf(r.u32(16)), BrushStyle::Solid});
            m_c.FillRect(TRect::Bounds(r.c32(8), r.c32(12), 1, 1));
            m_c.setBrush(saved);
            break;
        }
        case EMR_FILLRGN:
        case EMR_PAINTRGN: {
            const qsizetype dataOff = type == EMR_FILLRGN ? 32 : 28;
            const quint32 cb = r.u32(24);
            QRegion rgn = regionData(r, dataOff, cb);
            CanvasBrush saved = m_c.brush();
            if (type == EMR_FILLRGN) {
                const quint32 ih = r.u32(28);
                if (ih & STOCK_OBJECT)
                    selectStock(ih & 0x7FFFFFFF);
                else if (ih < m_objects.size() && m_objects[ih].kind == GdiObject::Brush)
                    m_c.setBrush(m_objects[ih].brush);
            }
            int n = 0;
            for (const QRect &q : rgn) {
                if (++n > 100000)
                    break;
                m_c.FillRect(TRect::fromQRect(q));
            }
            m_c.setBrush(saved);
            break;
        }
        // ---- paths ----
        case EMR_BEGINPATH:
            m_inPath = true;
            m_path = QPainterPath();
            break;
        case EMR_ENDPATH:
            m_inPath = false;
            break;
        case EMR_ABORTPATH:
            m_inPath = false;
            m_path = QPainterPath();
            break;
        case EMR_CLOSEFIGURE:
            if (m_path.elementCount())
                m_path.closeSubpath();
            break;
        case EMR_FLATTENPATH:
        case EMR_WIDENPATH:
            break;
        case EMR_FILLPATH:
        case EMR_STROKEPATH:
        case EMR_STROKEANDFILLPATH:
            m_c.DrawPath(m_path, type != EMR_FILLPATH, type != EMR_STROKEPATH);
            m_path = QPainterPath();
            m_inPath = false;
            break;
        // ---- text and bitmaps ----
        case EMR_EXTTEXTOUTW:
        case EMR_EXTTEXTOUTA:
            textRecord(type, r);
            break;
        case EMR_GRADIENTFILL:
            gradientRecord(r);
            break;
        case EMR_STRETCHDIBITS:
        case EMR_SETDIBITSTODEVICE:
        case EMR_BITBLT:
        case EMR_STRETCHBLT:
        case EMR_ALPHABLEND:
        case EMR_TRANSPARENTBLT:
            bitmapRecord(type, r);
            break;
        default:
            // Comments, palettes, colour management and the rest do not draw.
            break;
        }
        return true;
    }

    const QByteArray &m_data;
    EmfHeader m_h;
};

// ---- Windows metafiles ---------------------------------------------------------

struct WmfHeader {
    bool placeable = false;
    TRect box;
    int inch = 0;
    qsizetype recordsAt = 0;
    quint16 objects = 0;
};

WmfHeader readWmfHeader(const QByteArray &data)
{
    if (data.isEmpty())
        fail(QStringLiteral("The metafile is empty"));
    if (data.size() > EmfPlayer::MaxBytes)
        fail(QStringLiteral("The metafile is too large"));
    View v{reinterpret_cast<const uchar *>(data.constData()), data.size()};
    WmfHeader h;
    qsizetype at = 0;
    if (v.n >= 4 && v.u32(0) == wmf::PLACEABLE_KEY) {
        if (v.n < 22)
            fail(QStringLiteral("The placeable metafile header is truncated"));
        h.placeable = true;
        h.box = TRect(v.i16(6), v.i16(8), v.i16(10), v.i16(12));
        h.inch = v.u16(14);
        at = 22;
    }
    if (v.n - at < 18)
        fail(QStringLiteral("The Windows metafile header is truncated"));
    const quint16 type = v.u16(at), headerWords = v.u16(at + 2);
    if ((type != 1 && type != 2) || headerWords != 9)
        fail(QStringLiteral("The data is not a Windows metafile"));
    h.objects = v.u16(at + 10);
    h.recordsAt = at + 18;
    // Walk the records: sizes in 16-bit words, at least 3, inside the data.
    qsizetype pos = h.recordsAt;
    quint32 count = 0;
    bool eof = false;
    while (pos < v.n) {
        if (v.n - pos < 6)
            fail(QStringLiteral("The Windows metafile is truncated at offset %1").arg(pos));
        const quint32 words = v.u32(pos);
        const quint16 fn = v.u16(pos + 4);
        ++count;
        if (words < 3 || qint64(words) * 2 > v.n - pos)
            fail(QStringLiteral("Metafile record %1 at offset %2 has an invalid size (%3)").arg(count).arg(pos).arg(words));
        pos += qsizetype(words) * 2;
        if (fn == wmf::META_EOF) {
            eof = true;
            break;
        }
    }
    if (!eof)
        fail(QStringLiteral("The Windows metafile is truncated: it has no end record"));
    return h;
}

class WmfPlay : public PlayerBase {
public:
    WmfPlay(Canvas &c, const QByteArray &data, const WmfHeader &h, const TRect &dest)
        : PlayerBase(c), m_data(data), m_h(h)
    {
        // The picture's window maps onto dest; the records may move the window.
        m_ms.mapMode = emf::MM_ANISOTROPIC;
        TRect box = h.box.Normalized();
        if (h.placeable && !box.IsEmpty()) {
            m_ms.winOrg = QPointF(h.box.Left, h.box.Top);
            m_ms.winExt = QPointF(h.box.Right - h.box.Left, h.box.Bottom - h.box.Top);
        } else {
            m_ms.winExt = QPointF(std::max(1, dest.Width()), std::max(1, dest.Height()));
        }
        m_ms.vpExt = QPointF(dest.Width(), dest.Height());
        m_placement = QTransform::fromTranslate(dest.Left, dest.Top);
        m_objects.resize(std::max<int>(h.objects, 1));
        applyTransform();
    }

    void run()
    {
        View all{reinterpret_cast<const uchar *>(m_data.constData()), m_data.size()};
        qsizetype at = m_h.recordsAt;
        quint32 index = 0;
        while (at + 6 <= all.n) {
            const quint32 words = all.u32(at);
            const quint16 fn = all.u16(at + 4);
            View r = all.sub(at, qsizetype(words) * 2);
            ++index;
            try {
                if (!record(fn, r))
                    break;
            } catch (const View::Overrun &) {
                fail(QStringLiteral("Metafile record %1 (function 0x%2) at offset %3 is corrupt")
                         .arg(index)
                         .arg(fn, 4, 16, QLatin1Char('0'))
                         .arg(at));
            }
            at += qsizetype(words) * 2;
        }
    }

private:
    // Parameter words start after size and function.
    static qint16 p(const View &r, int i) { return r.i16(6 + 2 * qsizetype(i)); }
    static quint16 pu(const View &r, int i) { return r.u16(6 + 2 * qsizetype(i)); }
    static quint32 pu32(const View &r, int i) { return r.u32(6 + 2 * qsizetype(i)); }
    static qsizetype params(const View &r) { return (r.n - 6) / 2; }

    // Rectangle stored as bottom, right, top, left from parameter i.
    static TRect revRect(const View &r, int i) { return TRect(p(r, i + 3), p(r, i + 2), p(r, i + 1), p(r, i)); }

    void addObject(const GdiObject &o)
    {
        for (size_t i = 0; i < m_objects.size(); ++i)
            if (m_objects[i].kind == GdiObject::None) {
                m_objects[i] = o;
                return;
            }
        // A table fuller than its header says: ignore the object.
    }

    std::vector<TPoint> pointsAt(const View &r, int firstParam, int n)
    {
        if (n < 0 || qint64(firstParam) + qint64(n) * 2 > params(r))
            throw View::Overrun();
        std::vector<TPoint> pts(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i)
            pts[size_t(i)] = TPoint(p(r, firstParam + 2 * i), p(r, firstParam + 2 * i + 1));
        return pts;
    }

    QString ansi(const View &r, qsizetype off, qsizetype len)
    {
        View s = r.sub(off, len);
        return DecodeAnsi(QByteArrayView(reinterpret_cast<const char *>(s.p), s.n));
    }

    // Where the bits of a packed DIB (header, colour table, bits) start; -1
    // for a header this player does not read.
    static qsizetype packedDibBitsOffset(const View &dib, quint32 usage)
    {
        const quint32 hs = dib.u32(0);
        qsizetype bitsOff = qsizetype(hs);
        const int entry = usage == emf::DIB_PAL_COLORS ? 2 : 4;
        if (hs >= 40 && hs <= 1024) {
            const int bpp = dib.u16(14);
            const quint32 used = dib.u32(32);
            const quint32 compression = dib.u32(16);
            if (compression == emf::BI_BITFIELDS && hs == 40)
                bitsOff += 12;
            if (bpp >= 1 && bpp <= 8)
                bitsOff += qsizetype(used ? std::min<quint32>(used, 256) : (1u << bpp)) * entry;
        } else if (hs == 12) {
            const int bpp = dib.u16(10);
            if (bpp >= 1 && bpp <= 8)
                bitsOff += qsizetype(1 << bpp) * (usage == emf::DIB_PAL_COLORS ? 2 : 3);
        } else {
            return -1;
        }
        return bitsOff > dib.n ? -1 : bitsOff;
    }

    void dibDraw(const View &r, int rop, int firstCoord, bool stretch, qsizetype dibOff,
                 quint32 usage = emf::DIB_RGB_COLORS)
    {
        // Coordinates in reverse order from firstCoord.
        int i = firstCoord;
        qint16 srcH = 0, srcW = 0, ySrc, xSrc, dstH, dstW, yDst, xDst;
        if (stretch) {
            srcH = p(r, i++);
            srcW = p(r, i++);
        }
        ySrc = p(r, i++);
        xSrc = p(r, i++);
        dstH = p(r, i++);
        dstW = p(r, i++);
        yDst = p(r, i++);
        xDst = p(r, i++);
        if (!stretch) {
            srcW = dstW;
            srcH = dstH;
        }
        const TRect dst = TRect::Bounds(xDst, yDst, dstW, dstH);
        if (dibOff >= r.n) {
            m_c.StretchDIBits(dst, QImage(), TRect(), quint32(rop) == BLACKNESS || quint32(rop) == WHITENESS ? quint32(rop) : PATCOPY);
            return;
        }
        View dib = r.sub(dibOff, r.n - dibOff);
        const qsizetype bitsOff = packedDibBitsOffset(dib, usage);
        if (bitsOff < 0)
            return;
        bool down = false;
        QImage img = decodeDib(dib.sub(0, bitsOff), dib.sub(bitsOff, dib.n - bitsOff), usage, false, &down,
                               selectedPalette());
        if (img.isNull())
            return;
        const int top = down ? ySrc : img.height() - ySrc - srcH;
        m_c.StretchDIBits(dst, img, TRect::Bounds(xSrc, top, srcW, srcH), quint32(rop));
    }

    bool record(quint16 fn, const View &r)
    {
        using namespace wmf;
        switch (fn) {
        case META_EOF:
            return false;
        case META_SETWINDOWORG:
            m_ms.winOrg = QPointF(p(r, 1), p(r, 0));
            applyTransform();
            break;
        case META_SETWINDOWEXT:
            if (p(r, 0) != 0 && p(r, 1) != 0) {
                m_ms.winExt = QPointF(p(r, 1), p(r, 0));
                applyTransform();
            }
            break;
        case META_OFFSETWINDOWORG:
            m_ms.winOrg += QPointF(p(r, 1), p(r, 0));
            applyTransform();
            break;
        case META_SCALEWINDOWEXT: {
            const qint16 yd = p(r, 0), yn = p(r, 1), xd = p(r, 2), xn = p(r, 3);
            if (xd && yd && xn && yn) {
                m_ms.winExt = QPointF(m_ms.winExt.x() * xn / xd, m_ms.winExt.y() * yn / yd);
                applyTransform();
            }
            break;
        }
        case META_SETMAPMODE:
        case META_SETVIEWPORTORG:
        case META_SETVIEWPORTEXT:
        case META_OFFSETVIEWPORTORG:
        case META_SCALEVIEWPORTEXT:
            // The viewport is the target rectangle.
            break;
        case META_SETBKMODE:
            m_c.SetBkMode(pu(r, 0) == 1 ? BkMode::Transparent : BkMode::Opaque);
            break;
        case META_SETBKCOLOR:
            m_c.SetBkColor(colorOf(pu32(r, 0)));
            break;
        case META_SETTEXTCOLOR:
            m_c.SetTextColor(colorOf(pu32(r, 0)));
            break;
        case META_SETTEXTALIGN:
            m_c.SetTextAlign(pu(r, 0));
            break;
        case META_SETPOLYFILLMODE:
            m_c.SetPolyFillMode(pu(r, 0) == 2 ? PolyFillMode::Winding : PolyFillMode::Alternate);
            break;
        case META_SETROP2:
            setRop2(pu(r, 0));
            break;
        case META_SAVEDC:
            saveDC();
            break;
        case META_RESTOREDC:
            restoreDC(p(r, 0));
            break;
        case META_INTERSECTCLIPRECT:
            m_c.IntersectClipRect(revRect(r, 0));
            break;
        case META_EXCLUDECLIPRECT:
            m_c.ExcludeClipRect(revRect(r, 0));
            break;
        case META_SELECTCLIPREGION: {
            const quint16 i = pu(r, 0);
            if (i < m_objects.size() && m_objects[i].kind == GdiObject::Region)
                selectObject(i);
            else
                selectClip(nullptr, ClipMode::Copy);
            break;
        }
        case META_CREATEPENINDIRECT: {
            GdiObject o;
            o.kind = GdiObject::Pen;
            const quint16 style = pu(r, 0);
            o.pen.style = penStyleOf(style);
            o.pen.width = std::max<int>(0, p(r, 1));
            o.pen.color = colorOf(pu32(r, 3));
            if (style & 0xFF00) {
                o.pen.geometric = true;
                const quint32 cap = style & emf::PS_ENDCAP_MASK, join = style & emf::PS_JOIN_MASK;
                o.pen.cap = cap == emf::PS_ENDCAP_SQUARE ? PenEndCap::Square : cap == emf::PS_ENDCAP_FLAT ? PenEndCap::Flat : PenEndCap::Round;
                o.pen.join = join == emf::PS_JOIN_BEVEL ? PenJoin::Bevel : join == emf::PS_JOIN_MITER ? PenJoin::Miter : PenJoin::Round;
            }
            if (o.pen.style == PenStyle::User)
                o.pen.style = PenStyle::Solid;
            addObject(o);
            break;
        }
        case META_CREATEBRUSHINDIRECT: {
            GdiObject o;
            o.kind = GdiObject::Brush;
            o.brush = brushOf(pu(r, 0), pu32(r, 1), pu(r, 3));
            if (pu(r, 0) > emf::BS_HATCHED)
                o.brush.style = BrushStyle::Solid;
            addObject(o);
            break;
        }
        case META_DIBCREATEPATTERNBRUSH: {
            // Style, colour usage, then a packed DIB.
            GdiObject o;
            o.kind = GdiObject::Brush;
            o.brush.color = clGray;
            const quint16 usage = pu(r, 1);
            if (r.n > 10) {
                View dib = r.sub(10, r.n - 10);
                const qsizetype bitsOff = packedDibBitsOffset(dib, usage);
                if (bitsOff >= 0)
                    o.brush = patternBrush(decodeDib(dib.sub(0, bitsOff), dib.sub(bitsOff, dib.n - bitsOff), usage,
                                                     false, nullptr, selectedPalette()));
            }
            addObject(o);
            break;
        }
        case META_CREATEPATTERNBRUSH: {
            GdiObject o;
            o.kind = GdiObject::Brush;
            o.brush.color = clGray;
            addObject(o);
            break;
        }
        case META_CREATEFONTINDIRECT: {
            GdiObject o;
            o.kind = GdiObject::Font;
            o.font.height = p(r, 0);
            o.font.width = p(r, 1);
            o.font.escapement = p(r, 2) % 3600;
            o.font.orientation = p(r, 3) % 3600;
            o.font.weight = std::clamp<int>(p(r, 4), 0, 1000);
            o.font.italic = r.u8(16) != 0;
            o.font.underline = r.u8(17) != 0;
            o.font.strikeOut = r.u8(18) != 0;
            o.font.charset = r.u8(19);
            o.font.pitchAndFamily = r.u8(23);
            qsizetype len = 0;
            while (24 + len < r.n && len < 32 && r.u8(24 + len))
                ++len;
            QString name = ansi(r, 24, len);
            o.font.name = name.isEmpty() ? QStringLiteral("Arial") : name;
            addObject(o);
            break;
        }
        case META_CREATEREGION: {
            GdiObject o;
            o.kind = GdiObject::Region;
            // Bounding box of the region (its scan lines are not needed for clipping here).
            TRect b(p(r, 7), p(r, 8), p(r, 9), p(r, 10));
            b = b.Normalized();
            if (!b.IsEmpty())
                o.region = QRegion(b.toQRect());
            addObject(o);
            break;
        }
        case META_CREATEPALETTE: {
            GdiObject o;
            o.kind = GdiObject::Palette;
            o.palette = paletteEntries(r, 10, pu(r, 1));
            addObject(o);
            break;
        }
        case META_SELECTPALETTE: {
            const quint16 i = pu(r, 0);
            if (i < m_objects.size() && m_objects[i].kind == GdiObject::Palette)
                m_ms.palette = i;
            break;
        }
        case META_SETPALENTRIES:
            if (m_ms.palette >= 0)
                setPaletteEntries(quint32(m_ms.palette), pu(r, 0), paletteEntries(r, 10, pu(r, 1)));
            break;
        case META_RESIZEPALETTE:
            if (m_ms.palette >= 0)
                resizePalette(quint32(m_ms.palette), pu(r, 0));
            break;
        case META_SELECTOBJECT:
            selectObject(pu(r, 0));
            break;
        case META_DELETEOBJECT: {
            const quint16 i = pu(r, 0);
            if (i < m_objects.size())
                m_objects[i] = GdiObject();
            break;
        }
        case META_MOVETO:
            m_c.MoveTo(p(r, 1), p(r, 0));
            break;
        case META_LINETO:
            m_c.LineTo(p(r, 1), p(r, 0));
            break;
        case META_RECTANGLE:
            m_c.Rectangle(revRect(r, 0));
            break;
        case META_ELLIPSE:
            m_c.Ellipse(revRect(r, 0));
            break;
        case META_ROUNDRECT:
            m_c.RoundRect(revRect(r, 2), p(r, 1), p(r, 0));
            break;
        case META_ARC:
        case META_PIE:
        case META_CHORD: {
            const TPoint e(p(r, 1), p(r, 0)), s(p(r, 3), p(r, 2));
            arcCall(fn == META_ARC ? emf::EMR_ARC : fn == META_PIE ? emf::EMR_PIE : emf::EMR_CHORD, revRect(r, 4), s, e);
            break;
        }
        case META_POLYGON:
        case META_POLYLINE: {
            std::vector<TPoint> pts = pointsAt(r, 1, p(r, 0));
            if (fn == META_POLYGON)
                m_c.Polygon(pts);
            else
                m_c.Polyline(pts);
            break;
        }
        case META_POLYPOLYGON: {
            const int n = pu(r, 0);
            if (n + 1 > params(r))
                throw View::Overrun();
            std::vector<int> counts(static_cast<size_t>(n));
            int total = 0;
            for (int i = 0; i < n; ++i)
                total += counts[size_t(i)] = pu(r, 1 + i);
            m_c.PolyPolygon(pointsAt(r, 1 + n, total), counts);
            break;
        }
        case META_SETPIXEL: {
            CanvasBrush saved = m_c.brush();
            m_c.setBrush({colorOf(pu32(r, 0)), BrushStyle::Solid});
            m_c.FillRect(TRect::Bounds(p(r, 3), p(r, 2), 1, 1));
            m_c.setBrush(saved);
            break;
        }
        case META_TEXTOUT: {
            const int len = p(r, 0);
            if (len < 0)
                throw View::Overrun();
            const int strWords = (len + 1) / 2;
            QString text = ansi(r, 8, len);
            m_c.TextOut(p(r, 2 + strWords), p(r, 1 + strWords), text);
            break;
        }
        case META_EXTTEXTOUT: {
            const qint16 y = p(r, 0), x = p(r, 1), n = p(r, 2);
            const quint16 opts = pu(r, 3);
            if (n < 0)
                throw View::Overrun();
            qsizetype off = 6 + 8;
            TRect rc;
            const bool hasRect = opts & (ETO_OPAQUE | ETO_CLIPPED);
            if (hasRect) {
                rc = TRect(r.i16(off), r.i16(off + 2), r.i16(off + 4), r.i16(off + 6));
                off += 8;
            }
            QString text = ansi(r, off, n);
            off += (n + 1) / 2 * 2;
            std::vector<int> dx;
            if (off + qsizetype(n) * 2 <= r.n && text.size() == n) {
                dx.resize(size_t(n));
                for (int i = 0; i < n; ++i)
                    dx[size_t(i)] = r.i16(off + 2 * i);
            }
            const unsigned o = opts & (ETO_OPAQUE | ETO_CLIPPED | ETO_RTLREADING);
            m_c.ExtTextOut(x, y, o, hasRect ? &rc : nullptr, text, dx);
            break;
        }
        case META_PATBLT: {
            const quint32 rop = pu32(r, 0);
            const TRect d = TRect::Bounds(p(r, 5), p(r, 4), p(r, 3), p(r, 2));
            m_c.StretchDIBits(d, QImage(), TRect(), rop == BLACKNESS || rop == WHITENESS || rop == DSTINVERT ? rop : PATCOPY);
            break;
        }
        case META_STRETCHDIB:
            // rop, usage, then the stretch coordinates, then the DIB.
            dibDraw(r, int(pu32(r, 0)), 3, true, 6 + 2 * 11, pu(r, 2));
            break;
        case META_DIBSTRETCHBLT: {
            const bool noBitmap = r.n / 2 == (fn >> 8) + 3;
            if (noBitmap)
                dibDraw(r, int(pu32(r, 0)), 3, true, r.n);
            else
                dibDraw(r, int(pu32(r, 0)), 2, true, 6 + 2 * 10);
            break;
        }
        case META_DIBBITBLT: {
            const bool noBitmap = r.n / 2 == (fn >> 8) + 3;
            if (noBitmap)
                dibDraw(r, int(pu32(r, 0)), 3, false, r.n);
            else
                dibDraw(r, int(pu32(r, 0)), 2, false, 6 + 2 * 8);
            break;
        }
        case META_SETDIBTODEV: {
            const qint16 ySrc = p(r, 3), xSrc = p(r, 4), h = p(r, 5), w = p(r, 6), yd = p(r, 7), xd = p(r, 8);
            View dib = r.sub(6 + 2 * 9, r.n - (6 + 2 * 9));
            const qsizetype bitsOff = packedDibBitsOffset(dib, pu(r, 0));
            if (bitsOff < 0)
                break;
            bool down = false;
            QImage img = decodeDib(dib.sub(0, bitsOff), dib.sub(bitsOff, dib.n - bitsOff), pu(r, 0), false, &down,
                                   selectedPalette());
            if (!img.isNull())
                m_c.StretchDIBits(TRect::Bounds(xd, yd, w, h), img,
                                  TRect::Bounds(xSrc, down ? ySrc : img.height() - ySrc - h, w, h), SRCCOPY);
            break;
        }
        default:
            break;
        }
        return true;
    }

    const QByteArray &m_data;
    WmfHeader m_h;
};

} // namespace

MetafileKind EmfPlayer::Detect(const QByteArray &bytes)
{
    View v{reinterpret_cast<const uchar *>(bytes.constData()), bytes.size()};
    if (v.n >= 44 && v.u32(0) == emf::EMR_HEADER && v.u32(40) == emf::ENHMETA_SIGNATURE)
        return MetafileKind::Enhanced;
    if (v.n >= 22 && v.u32(0) == wmf::PLACEABLE_KEY)
        return MetafileKind::PlaceableWmf;
    if (v.n >= 18 && (v.u16(0) == 1 || v.u16(0) == 2) && v.u16(2) == 9)
        return MetafileKind::PlainWmf;
    return MetafileKind::Unknown;
}

MetafileHeaderInfo EmfPlayer::ReadHeader(const QByteArray &bytes)
{
    MetafileHeaderInfo info;
    info.kind = Detect(bytes);
    switch (info.kind) {
    case MetafileKind::Enhanced: {
        EmfHeader h = readEmfHeader(bytes);
        info.frame01mm = h.frame;
        info.bounds = h.bounds;
        info.records = h.records;
        info.handles = h.handles;
        info.description = h.description;
        // Pixels at 96 per inch from the frame (0.01 mm).
        info.width = int(std::nearbyint((double(h.frame.Right) - h.frame.Left) * 96 / 2540));
        info.height = int(std::nearbyint((double(h.frame.Bottom) - h.frame.Top) * 96 / 2540));
        if (info.width <= 0 || info.height <= 0) {
            info.width = std::max(0, SaturatedInt((long long)h.bounds.Right - h.bounds.Left + 1));
            info.height = std::max(0, SaturatedInt((long long)h.bounds.Bottom - h.bounds.Top + 1));
        }
        break;
    }
    case MetafileKind::PlaceableWmf:
    case MetafileKind::PlainWmf: {
        WmfHeader h = readWmfHeader(bytes);
        info.bounds = h.box;
        info.handles = h.objects;
        const int inch = h.inch > 0 ? h.inch : 1440;
        TRect b = h.box.Normalized();
        info.width = int(std::nearbyint(double(b.Width()) * 96 / inch));
        info.height = int(std::nearbyint(double(b.Height()) * 96 / inch));
        info.frame01mm = TRect(0, 0, int(std::nearbyint(double(b.Width()) * 2540 / inch)),
                               int(std::nearbyint(double(b.Height()) * 2540 / inch)));
        break;
    }
    case MetafileKind::Unknown:
        if (bytes.isEmpty())
            fail(QStringLiteral("The metafile is empty"));
        fail(QStringLiteral("The data is not a metafile"));
    }
    return info;
}

void EmfPlayer::PlayEmf(Canvas &canvas, const QByteArray &bytes, const TRect &dest)
{
    EmfHeader h = readEmfHeader(bytes);
    EmfPlay play(canvas, bytes, h, dest);
    play.run();
}

void EmfPlayer::PlayWmf(Canvas &canvas, const QByteArray &bytes, const TRect &dest)
{
    WmfHeader h = readWmfHeader(bytes);
    WmfPlay play(canvas, bytes, h, dest);
    play.run();
}

void EmfPlayer::Play(Canvas &canvas, const QByteArray &bytes, const TRect &dest)
{
    switch (Detect(bytes)) {
    case MetafileKind::Enhanced:
        PlayEmf(canvas, bytes, dest);
        break;
    case MetafileKind::PlaceableWmf:
    case MetafileKind::PlainWmf:
        PlayWmf(canvas, bytes, dest);
        break;
    case MetafileKind::Unknown:
        fail(bytes.isEmpty() ? QStringLiteral("The metafile is empty") : QStringLiteral("The data is not a metafile"));
    }
}

void PlayMetafile(Canvas &canvas, const QByteArray &bytes, const TRect &dest)
{
    EmfPlayer::Play(canvas, bytes, dest);
}

void SetEmbeddedImageDecoder(EmbeddedImageKind kind, EmbeddedImageDecoder decoder)
{
    (kind == EmbeddedImageKind::Jpeg ? g_jpegDecoder : g_pngDecoder).store(decoder);
}

QImage DecodeMetafileDib(const QByteArray &bmi, const QByteArray &bits, quint32 usage, bool alpha)
{
    try {
        const View b{reinterpret_cast<const uchar *>(bmi.constData()), bmi.size()};
        const View p{reinterpret_cast<const uchar *>(bits.constData()), bits.size()};
        return decodeDib(b, p, usage, alpha);
    } catch (const View::Overrun &) {
        return QImage();
    }
}
