// Windows bitmap files: decoding with every size and offset checked, and
// encoding by the bitmap's pixel format.
#include "core/vdGraphic.h"
#include <QtEndian>
#include <cstring>

namespace {

[[noreturn]] void bmpError(const char *why)
{
    throw EInvalidGraphic(QStringLiteral("Bitmap image is not valid: %1").arg(QLatin1String(why)));
}

struct Reader {
    const uchar *d;
    qsizetype n;
    uint32_t u32(qsizetype at) const
    {
        if (at < 0 || at + 4 > n)
            bmpError("truncated header");
        return qFromLittleEndian<uint32_t>(d + at);
    }
    uint16_t u16(qsizetype at) const
    {
        if (at < 0 || at + 2 > n)
            bmpError("truncated header");
        return qFromLittleEndian<uint16_t>(d + at);
    }
};

int maskShift(uint32_t mask)
{
    int s = 0;
    if (!mask)
        return 0;
    while (!(mask & 1)) { mask >>= 1; ++s; }
    return s;
}

int maskBits(uint32_t mask)
{
    mask >>= maskShift(mask);
    int b = 0;
    while (mask & 1) { mask >>= 1; ++b; }
    return b;
}

inline int scaleMasked(uint32_t v, uint32_t mask, int shift, int bits)
{
    if (!mask || bits == 0)
        return 0;
    uint32_t c = (v & mask) >> shift;
    if (bits >= 8)
        return int(c >> (bits - 8));
    const uint32_t maxv = (1u << bits) - 1;
    return int((c * 255 + maxv / 2) / maxv);
}

void decodeRle(const uchar *src, qsizetype len, int bpp, QImage &img, bool bottomUp)
{
    const int w = img.width(), h = img.height();
    int x = 0, y = 0;
    qsizetype i = 0;
    auto put = [&](int idx) {
        if (x < w && y < h)
            img.scanLine(bottomUp ? h - 1 - y : y)[x] = uchar(idx);
        ++x;
    };
    while (i + 1 < len && y < h) {
        const int count = src[i], value = src[i + 1];
        i += 2;
        if (count > 0) {
            for (int k = 0; k < count; ++k)
                put(bpp == 8 ? value : ((k & 1) ? (value & 0x0f) : (value >> 4)));
        } else if (value == 0) {
            x = 0; ++y;
        } else if (value == 1) {
            return;
        } else if (value == 2) {
            if (i + 1 >= len)
                bmpError("truncated RLE data");
            x += src[i]; y += src[i + 1];
            i += 2;
        } else {
            const int n = value;
            const qsizetype bytes = bpp == 8 ? n : (n + 1) / 2;
            if (i + bytes > len)
                bmpError("truncated RLE data");
            for (int k = 0; k < n; ++k)
                put(bpp == 8 ? src[i + k] : ((k & 1) ? (src[i + k / 2] & 0x0f) : (src[i + k / 2] >> 4)));
            i += (bytes + 1) & ~qsizetype(1);
        }
    }
}

} // namespace

void TBitmap::DecodeBmp(const QByteArray &bytes, QImage &image, TPixelFormat &pf)
{
    Reader r{reinterpret_cast<const uchar *>(bytes.constData()), bytes.size()};
    if (r.n < 18 || r.d[0] != 'B' || r.d[1] != 'M')
        bmpError("no bitmap file header");
    const uint32_t offBits = r.u32(10);
    const uint32_t hdrSize = r.u32(14);
    int64_t width, height;
    int bpp, compression = 0;
    uint32_t clrUsed = 0;
    uint32_t masks[4] = {0, 0, 0, 0};
    int palEntry = 4;
    if (hdrSize == 12) {
        width = r.u16(18);
        height = int16_t(r.u16(20));
        bpp = r.u16(24);
        palEntry = 3;
    } else if (hdrSize >= 40 && hdrSize <= 256) {
        width = int32_t(r.u32(18));
        height = int32_t(r.u32(22));
        bpp = r.u16(28);
        compression = int(r.u32(30));
        clrUsed = r.u32(46);
        if (hdrSize >= 52) {
            masks[0] = r.u32(54); masks[1] = r.u32(58); masks[2] = r.u32(62);
            if (hdrSize >= 56)
                masks[3] = r.u32(66);
        } else if (compression == 3 || compression == 6) {
            masks[0] = r.u32(54); masks[1] = r.u32(58); masks[2] = r.u32(62);
            if (compression == 6)
                masks[3] = r.u32(66);
        }
    } else {
        bmpError("unknown header size");
    }
    const bool bottomUp = height > 0;
    height = height < 0 ? -height : height;
    if (width <= 0 || height <= 0)
        bmpError("zero width or height");
    vdCheckGraphicSize(width, height, "Bitmap");
    if (compression != 0 && compression != 1 && compression != 2 && compression != 3 && compression != 6)
        bmpError("unsupported compression");
    if ((compression == 1 && bpp != 8) || (compression == 2 && bpp != 4))
        bmpError("compression does not fit the bit count");
    if ((compression == 3 || compression == 6) && bpp != 16 && bpp != 32)
        bmpError("bit fields need 16 or 32 bits per pixel");

    const int w = int(width), h = int(height);
    QList<QRgb> palette;
    if (bpp <= 8) {
        if (bpp != 1 && bpp != 4 && bpp != 8)
            bmpError("unsupported bit count");
        uint32_t n = clrUsed ? clrUsed : (1u << bpp);
        if (n > 256)
            bmpError("colour table too large");
        qsizetype palAt = 14 + qsizetype(hdrSize) + ((hdrSize == 40 && compression == 3) ? 12 : 0);
        for (uint32_t i = 0; i < n; ++i) {
            const qsizetype at = palAt + qsizetype(i) * palEntry;
            if (at + 3 > r.n)
                bmpError("truncated colour table");
            palette << qRgb(r.d[at + 2], r.d[at + 1], r.d[at]);
        }
        while (palette.size() < (1 << bpp))
            palette << qRgb(0, 0, 0);
    } else if (bpp != 16 && bpp != 24 && bpp != 32) {
        bmpError("unsupported bit count");
    }
    if (offBits >= uint32_t(r.n))
        bmpError("pixel data missing");
    const uchar *bits = r.d + offBits;
    const qsizetype avail = r.n - qsizetype(offBits);
    const qsizetype stride = ((int64_t(w) * bpp + 31) / 32) * 4;

    if (compression == 1 || compression == 2) {
        QImage img(w, h, QImage::Format_Indexed8);
        if (img.isNull())
            throw EOutOfResources(QStringLiteral("Out of system resources"));
        img.setColorTable(palette);
        img.fill(0);
        decodeRle(bits, avail, bpp, img, bottomUp);
        image = img;
        pf = bpp == 8 ? pf8bit : pf4bit;
        return;
    }
    if (stride * h > avail)
        bmpError("truncated pixel data");

    auto srcRow = [&](int y) { return bits + stride * (bottomUp ? h - 1 - y : y); };
    QImage img;
    if (bpp == 1) {
        img = QImage(w, h, QImage::Format_Mono);
        if (img.isNull())
            throw EOutOfResources(QStringLiteral("Out of system resources"));
        img.setColorTable(palette.mid(0, 2));
        const qsizetype n = std::min<qsizetype>(stride, img.bytesPerLine());
        for (int y = 0; y < h; ++y)
            std::memcpy(img.scanLine(y), srcRow(y), size_t(n));
        pf = pf1bit;
    } else if (bpp == 4 || bpp == 8) {
        img = QImage(w, h, QImage::Format_Indexed8);
        if (img.isNull())
            throw EOutOfResources(QStringLiteral("Out of system resources"));
        img.setColorTable(palette);
        for (int y = 0; y < h; ++y) {
            const uchar *s = srcRow(y);
            uchar *d = img.scanLine(y);
            if (bpp == 8)
                std::memcpy(d, s, size_t(w));
            else
                for (int x = 0; x < w; ++x)
                    d[x] = (x & 1) ? (s[x / 2] & 0x0f) : (s[x / 2] >> 4);
        }
        pf = bpp == 8 ? pf8bit : pf4bit;
    } else if (bpp == 24) {
        img = QImage(w, h, QImage::Format_RGB32);
        if (img.isNull())
            throw EOutOfResources(QStringLiteral("Out of system resources"));
        for (int y = 0; y < h; ++y) {
            const uchar *s = srcRow(y);
            QRgb *d = reinterpret_cast<QRgb *>(img.scanLine(y));
            for (int x = 0; x < w; ++x, s += 3)
                d[x] = 0xff000000u | (uint32_t(s[2]) << 16) | (uint32_t(s[1]) << 8) | s[0];
        }
        pf = pf24bit;
    } else {
        const bool fields = compression == 3 || compression == 6;
        if (!fields) {
            if (bpp == 16) { masks[0] = 0x7c00; masks[1] = 0x03e0; masks[2] = 0x001f; masks[3] = 0; }
            else { masks[0] = 0xff0000; masks[1] = 0xff00; masks[2] = 0xff; masks[3] = 0xff000000u; }
        }
        const bool keepAlpha = bpp == 32;
        img = QImage(w, h, keepAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        if (img.isNull())
            throw EOutOfResources(QStringLiteral("Out of system resources"));
        int sh[4], bt[4];
        for (int k = 0; k < 4; ++k) { sh[k] = maskShift(masks[k]); bt[k] = maskBits(masks[k]); }
        for (int y = 0; y < h; ++y) {
            const uchar *s = srcRow(y);
            QRgb *d = reinterpret_cast<QRgb *>(img.scanLine(y));
            for (int x = 0; x < w; ++x) {
                const uint32_t v = bpp == 16 ? qFromLittleEndian<uint16_t>(s + 2 * x)
                                             : qFromLittleEndian<uint32_t>(s + 4 * x);
                const int a = keepAlpha ? (masks[3] ? scaleMasked(v, masks[3], sh[3], bt[3]) : 0) : 255;
                d[x] = qRgba(scaleMasked(v, masks[0], sh[0], bt[0]), scaleMasked(v, masks[1], sh[1], bt[1]),
                             scaleMasked(v, masks[2], sh[2], bt[2]), a);
            }
        }
        if (bpp == 16)
            pf = (fields && masks[1] == 0x07e0) ? pf16bit : pf15bit;
        else
            pf = pf32bit;
        if (bpp == 16)
            img = img.convertToFormat(StorageFormat(pf));
    }
    image = img;
}

QByteArray TBitmap::EncodeBmp() const
{
    if (m_image.isNull())
        return {};
    const_cast<TBitmap *>(this)->ReleaseCanvas();
    int bpp;
    switch (m_pixelFormat) {
    case pf1bit: bpp = 1; break;
    case pf4bit: bpp = 4; break;
    case pf8bit: bpp = 8; break;
    case pf15bit:
    case pf16bit: bpp = 16; break;
    case pf32bit: bpp = 32; break;
    default: bpp = 24; break;
    }
    const int w = Width(), h = Height();
    const bool fields = m_pixelFormat == pf16bit;
    QList<QRgb> palette;
    if (bpp <= 8) {
        palette = m_image.colorTable();
        palette.resize(std::min<qsizetype>(palette.size(), qsizetype(1) << bpp));
    }
    const qsizetype stride = ((int64_t(w) * bpp + 31) / 32) * 4;
    const qsizetype headers = 14 + 40 + (fields ? 12 : 0) + palette.size() * 4;
    const qsizetype total = headers + stride * h;
    QByteArray out(total, '\0');
    uchar *d = reinterpret_cast<uchar *>(out.data());
    d[0] = 'B'; d[1] = 'M';
    qToLittleEndian<uint32_t>(uint32_t(total), d + 2);
    qToLittleEndian<uint32_t>(uint32_t(headers), d + 10);
    qToLittleEndian<uint32_t>(40, d + 14);
    qToLittleEndian<int32_t>(w, d + 18);
    qToLittleEndian<int32_t>(h, d + 22);
    qToLittleEndian<uint16_t>(1, d + 26);
    qToLittleEndian<uint16_t>(uint16_t(bpp), d + 28);
    qToLittleEndian<uint32_t>(fields ? 3 : 0, d + 30);
    qToLittleEndian<uint32_t>(uint32_t(stride * h), d + 34);
    qToLittleEndian<uint32_t>(uint32_t(palette.size()), d + 46);
    uchar *p = d + 54;
    if (fields) {
        qToLittleEndian<uint32_t>(0xf800, p);
        qToLittleEndian<uint32_t>(0x07e0, p + 4);
        qToLittleEndian<uint32_t>(0x001f, p + 8);
        p += 12;
    }
    for (QRgb c : palette) {
        p[0] = uchar(qBlue(c)); p[1] = uchar(qGreen(c)); p[2] = uchar(qRed(c)); p[3] = 0;
        p += 4;
    }
    for (int y = 0; y < h; ++y) {
        uchar *row = d + headers + stride * (h - 1 - y);
        const uchar *s = m_image.constScanLine(y);
        switch (bpp) {
        case 1:
            std::memcpy(row, s, size_t((w + 7) / 8));
            break;
        case 4:
            for (int x = 0; x < w; ++x)
                row[x / 2] |= (x & 1) ? (s[x] & 0x0f) : uchar(s[x] << 4);
            break;
        case 8:
            std::memcpy(row, s, size_t(w));
            break;
        case 16:
            std::memcpy(row, s, size_t(w) * 2);
            break;
        case 24: {
            const QRgb *px = reinterpret_cast<const QRgb *>(s);
            for (int x = 0; x < w; ++x) {
                row[3 * x] = uchar(qBlue(px[x]));
                row[3 * x + 1] = uchar(qGreen(px[x]));
                row[3 * x + 2] = uchar(qRed(px[x]));
            }
            break;
        }
        default:
            std::memcpy(row, s, size_t(w) * 4);
            break;
        }
    }
    return out;
}
