#include "core/vdPNGGraphics.h"
#include "core/vdWinGraphicUtils.h"
#include "platform/Canvas.h"
#include "platform/EmfPlayer.h"
#include "platform/QPainterCanvas.h"
#include <QBuffer>
#include <QIODevice>
#include <cmath>
#include <csetjmp>
#include <cstring>
#include <png.h>

void vdPNGGraphicsStartup()
{
    TPicture::RegisterFileFormat(QStringLiteral("png"), QStringLiteral("Portable Network Graphics"),
                                 &TPngImage::staticClass());
    TPicture::RegisterFileFormat(QStringLiteral("PNG_OLD"), QStringLiteral("Portable Network Graphics"),
                                 &TPNGObject::staticClass());
    GetGraphicFormats()->RegisterFormat(TvdxPNGGraphicFormat::Class());
    // Metafile bitmaps that carry a whole PNG file.
    SetEmbeddedImageDecoder(EmbeddedImageKind::Png, [](const QByteArray &bytes) -> QImage {
        try {
            TPngImage png;
            QByteArray copy = bytes;
            QBuffer b(&copy);
            b.open(QIODevice::ReadOnly);
            png.LoadFromStream(b);
            return png.ToImage();
        } catch (...) {
            return QImage();
        }
    });
}

namespace {

const uchar kPngSignature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};

struct PngIo {
    const uchar *data;
    size_t size;
    size_t pos;
    char message[256];
};

void pngError(png_structp png, png_const_charp msg)
{
    auto *io = static_cast<PngIo *>(png_get_error_ptr(png));
    if (io)
        std::snprintf(io->message, sizeof io->message, "%s", msg);
    png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) {}

void pngRead(png_structp png, png_bytep out, png_size_t n)
{
    auto *io = static_cast<PngIo *>(png_get_io_ptr(png));
    if (io->pos + n > io->size)
        png_error(png, "PNG data is truncated");
    std::memcpy(out, io->data + io->pos, n);
    io->pos += n;
}

struct ReadGuard {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~ReadGuard() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

struct WriteGuard {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~WriteGuard() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

void pngWrite(png_structp png, png_bytep data, png_size_t n)
{
    auto *out = static_cast<QByteArray *>(png_get_io_ptr(png));
    out->append(reinterpret_cast<const char *>(data), qsizetype(n));
}

void pngFlush(png_structp) {}

inline uchar scaleSample(int v, int bitDepth)
{
    if (bitDepth == 16)
        return uchar(v >> 8);
    if (bitDepth >= 8)
        return uchar(v);
    const int maxv = (1 << bitDepth) - 1;
    return uchar(v * 255 / maxv);
}

inline QRgb toRgb(TColor c)
{
    c = ColorToRGB(c);
    return qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
}

inline TColor fromRgb(QRgb c) { return RGBColor(qRed(c), qGreen(c), qBlue(c)); }

// The decoded pixels of one PNG file.
struct Decoded {
    QImage pixels;
    int colorType = 0;
    int bitDepth = 8;
    bool interlaced = false;
    QList<QRgb> palette;
    QByteArray trnsAlpha;
    bool hasTrns = false;
    QRgb trnsColor = 0;
};

void decodePng(const QByteArray &bytes, Decoded &out)
{
    if (bytes.size() < 8 || std::memcmp(bytes.constData(), kPngSignature, 8) != 0)
        throw EInvalidGraphic(QStringLiteral("The PNG image is not valid: no PNG signature"));
    PngIo io{reinterpret_cast<const uchar *>(bytes.constData()), size_t(bytes.size()), 0, {0}};
    ReadGuard g;
    g.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &io, pngError, pngWarning);
    if (!g.png)
        throw EOutOfResources(QStringLiteral("Out of system resources"));
    g.info = png_create_info_struct(g.png);
    if (!g.info)
        throw EOutOfResources(QStringLiteral("Out of system resources"));
    // Row pointers live outside the jump so the error path can still free them.
    std::vector<png_bytep> rows;
    QImage img;
    if (setjmp(png_jmpbuf(g.png)))
        throw EInvalidGraphic(QStringLiteral("The PNG image is not valid: %1").arg(QString::fromLatin1(io.message)));
    png_set_read_fn(g.png, &io, pngRead);
    png_set_crc_action(g.png, PNG_CRC_DEFAULT, PNG_CRC_WARN_USE);
    png_read_info(g.png, g.info);
    png_uint_32 w = 0, h = 0;
    int bitDepth = 0, colorType = 0, interlace = 0;
    png_get_IHDR(g.png, g.info, &w, &h, &bitDepth, &colorType, &interlace, nullptr, nullptr);
    vdCheckGraphicSize(int64_t(w), int64_t(h), "PNG");
    if (w == 0 || h == 0)
        throw EInvalidGraphic(QStringLiteral("The PNG image is not valid: zero width or height"));
    out.colorType = colorType;
    out.bitDepth = bitDepth;
    out.interlaced = interlace != PNG_INTERLACE_NONE;

    QImage::Format fmt;
    if (bitDepth == 16)
        png_set_strip_16(g.png);
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        png_set_packing(g.png);
        png_colorp pal = nullptr;
        int n = 0;
        if (png_get_PLTE(g.png, g.info, &pal, &n))
            for (int i = 0; i < n; ++i)
                out.palette << qRgb(pal[i].red, pal[i].green, pal[i].blue);
        if (out.palette.isEmpty())
            throw EInvalidGraphic(QStringLiteral("The PNG image is not valid: palette missing"));
        png_bytep alpha = nullptr;
        int nt = 0;
        png_color_16p tc = nullptr;
        if (png_get_tRNS(g.png, g.info, &alpha, &nt, &tc) && alpha && nt > 0) {
            out.hasTrns = true;
            out.trnsAlpha = QByteArray(reinterpret_cast<const char *>(alpha), std::min(nt, int(out.palette.size())));
        }
        fmt = QImage::Format_Indexed8;
    } else {
        png_bytep alpha = nullptr;
        int nt = 0;
        png_color_16p tc = nullptr;
        if ((colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_RGB)
            && png_get_tRNS(g.png, g.info, &alpha, &nt, &tc) && tc) {
            out.hasTrns = true;
            if (colorType == PNG_COLOR_TYPE_GRAY) {
                const uchar v = scaleSample(tc->gray, bitDepth);
                out.trnsColor = qRgb(v, v, v);
            } else {
                out.trnsColor = qRgb(scaleSample(tc->red, bitDepth), scaleSample(tc->green, bitDepth),
                                     scaleSample(tc->blue, bitDepth));
            }
        }
        if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8)
            png_set_expand_gray_1_2_4_to_8(g.png);
        if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
            png_set_gray_to_rgb(g.png);
        png_set_bgr(g.png);
        if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_RGB) {
            png_set_filler(g.png, 0xff, PNG_FILLER_AFTER);
            fmt = QImage::Format_RGB32;
        } else {
            fmt = QImage::Format_ARGB32;
        }
    }
    png_set_interlace_handling(g.png);
    png_read_update_info(g.png, g.info);
    const size_t rowBytes = png_get_rowbytes(g.png, g.info);
    img = QImage(int(w), int(h), fmt);
    if (img.isNull())
        throw EOutOfResources(QStringLiteral("Out of system resources"));
    if (rowBytes > size_t(img.bytesPerLine()))
        throw EInvalidGraphic(QStringLiteral("The PNG image is not valid: unexpected row size"));
    if (fmt == QImage::Format_Indexed8)
        img.setColorTable(out.palette);
    rows.resize(h);
    for (png_uint_32 y = 0; y < h; ++y)
        rows[y] = img.scanLine(int(y));
    png_read_image(g.png, rows.data());
    png_read_end(g.png, nullptr);
    if (fmt == QImage::Format_Indexed8) {
        // Indices beyond the palette show as its first colour.
        const int n = int(out.palette.size());
        for (png_uint_32 y = 0; y < h; ++y) {
            uchar *r = img.scanLine(int(y));
            for (png_uint_32 x = 0; x < w; ++x)
                if (r[x] >= n)
                    r[x] = 0;
        }
    }
    out.pixels = img;
}

} // namespace

// ---------------------------------------------------------------- TPngImage

VD_DEFINE_GRAPHIC_CLASS(TPngImage, TGraphic)
VD_DEFINE_GRAPHIC_CLASS(TPNGObject, TPngImage)

TPngImage::TPngImage() = default;
TPngImage::~TPngImage() = default;

void TPngImage::Modified()
{
    m_fileBytes.clear();
    m_drawCache = QImage();
}

void TPngImage::CreateBlank(int ColorType, int BitDepth, int w, int h)
{
    ReleaseCanvas();
    Modified();
    vdCheckGraphicSize(w, h, "PNG");
    m_colorType = ColorType;
    m_bitDepth = BitDepth;
    m_interlaced = false;
    m_palette.clear();
    m_trnsAlpha.clear();
    m_hasTrns = false;
    QImage::Format fmt = ColorType == COLOR_PALETTE ? QImage::Format_Indexed8
                       : HasAlphaRow()               ? QImage::Format_ARGB32
                                                     : QImage::Format_RGB32;
    if (w <= 0 || h <= 0) {
        m_pixels = QImage();
        return;
    }
    m_pixels = QImage(w, h, fmt);
    if (m_pixels.isNull())
        throw EOutOfResources(QStringLiteral("Out of system resources"));
    if (fmt == QImage::Format_Indexed8) {
        for (int i = 0; i < 256; ++i)
            m_palette << qRgb(i, i, i);
        m_pixels.setColorTable(m_palette);
        m_pixels.fill(0);
    } else {
        m_pixels.fill(fmt == QImage::Format_RGB32 ? 0xff000000u : 0u);
    }
}

TPNGTransparencyMode TPngImage::TransparencyMode() const
{
    if (HasAlphaRow())
        return ptmPartial;
    if (!m_hasTrns)
        return ptmNone;
    if (m_colorType != COLOR_PALETTE)
        return ptmBit;
    int zeros = 0;
    for (char c : m_trnsAlpha) {
        const uchar a = uchar(c);
        if (a == 0)
            ++zeros;
        else if (a != 255)
            return ptmPartial;
    }
    return zeros == 1 ? ptmBit : (zeros == 0 ? ptmNone : ptmPartial);
}

TColor TPngImage::TransparentColor() const
{
    if (!m_hasTrns)
        return clNone;
    if (m_colorType != COLOR_PALETTE)
        return fromRgb(m_trnsColor);
    for (int i = 0; i < m_trnsAlpha.size() && i < m_palette.size(); ++i)
        if (uchar(m_trnsAlpha[i]) == 0)
            return fromRgb(m_palette[i]);
    return clNone;
}

void TPngImage::SetTransparentColor(TColor c)
{
    if (HasAlphaRow())
        RemoveTransparency();
    Modified();
    if (c == clNone) {
        m_hasTrns = false;
        m_trnsAlpha.clear();
        Changed();
        return;
    }
    const QRgb rgb = toRgb(c);
    if (m_colorType == COLOR_PALETTE) {
        int best = -1;
        for (int i = 0; i < m_palette.size(); ++i)
            if ((m_palette[i] & 0xffffff) == (rgb & 0xffffff)) { best = i; break; }
        m_trnsAlpha = QByteArray(m_palette.size(), char(255));
        if (best >= 0)
            m_trnsAlpha[best] = 0;
        m_hasTrns = best >= 0;
    } else {
        m_hasTrns = true;
        m_trnsColor = rgb;
    }
    Changed();
}

void TPngImage::RemoveTransparency()
{
    Modified();
    if (m_colorType == COLOR_RGBALPHA || m_colorType == COLOR_GRAYSCALEALPHA) {
        QImage img = m_pixels.copy();
        img.reinterpretAsFormat(QImage::Format_RGB32);
        m_pixels = img.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < m_pixels.height(); ++y) {
            QRgb *p = reinterpret_cast<QRgb *>(m_pixels.scanLine(y));
            for (int x = 0; x < m_pixels.width(); ++x)
                p[x] |= 0xff000000u;
        }
        m_colorType = m_colorType == COLOR_RGBALPHA ? COLOR_RGB : COLOR_GRAYSCALE;
    }
    m_hasTrns = false;
    m_trnsAlpha.clear();
    Changed();
}

void TPngImage::CreateAlpha()
{
    if (HasAlphaRow() || m_pixels.isNull())
        return;
    Modified();
    if (m_colorType == COLOR_PALETTE) {
        // Palette pictures keep their indices; the palette alpha becomes opaque.
        m_trnsAlpha = QByteArray(m_palette.size(), char(255));
        m_hasTrns = true;
        Changed();
        return;
    }
    QImage img = m_pixels.convertToFormat(QImage::Format_RGB32);
    img.reinterpretAsFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y) {
        QRgb *p = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            p[x] |= 0xff000000u;
    }
    m_pixels = img;
    m_colorType = m_colorType == COLOR_GRAYSCALE ? COLOR_GRAYSCALEALPHA : COLOR_RGBALPHA;
    m_hasTrns = false;
    Changed();
}

void TPngImage::SetPalette(const QList<QRgb> &p)
{
    Modified();
    m_palette = p;
    if (m_pixels.format() == QImage::Format_Indexed8)
        m_pixels.setColorTable(p);
}

void TPngImage::SetPaletteAlpha(const QByteArray &a)
{
    Modified();
    m_trnsAlpha = a;
    m_hasTrns = !a.isEmpty();
}

QImage &TPngImage::MutablePixels()
{
    Modified();
    return m_pixels;
}

uchar TPngImage::Alpha(int x, int y) const
{
    if (HasAlphaRow())
        return uchar(qAlpha(reinterpret_cast<const QRgb *>(m_pixels.constScanLine(y))[x]));
    return 255;
}

Canvas &TPngImage::GetCanvas()
{
    Modified();
    if (!m_canvas) {
        if (m_pixels.isNull())
            CreateBlank(COLOR_RGB, 8, 1, 1);
        if (m_colorType == COLOR_PALETTE || m_colorType == COLOR_GRAYSCALE) {
            m_pixels = m_pixels.convertToFormat(QImage::Format_RGB32);
            if (m_colorType == COLOR_PALETTE)
                m_hasTrns = false;
            m_colorType = COLOR_RGB;
        }
        m_canvas = std::make_unique<QPainterCanvas>(m_pixels);
    }
    return *m_canvas;
}

void TPngImage::ReleaseCanvas()
{
    if (m_canvas) {
        m_canvas.reset();
        Changed();
    }
}

void TPngImage::LoadFromStream(QIODevice &stream)
{
    const QByteArray bytes = stream.readAll();
    Decoded d;
    decodePng(bytes, d);
    ReleaseCanvas();
    m_pixels = d.pixels;
    m_colorType = d.colorType;
    m_bitDepth = d.bitDepth;
    m_interlaced = d.interlaced;
    m_palette = d.palette;
    m_trnsAlpha = d.trnsAlpha;
    m_hasTrns = d.hasTrns;
    m_trnsColor = d.trnsColor;
    m_drawCache = QImage();
    m_fileBytes = bytes;
    Changed();
}

void TPngImage::SaveToStream(QIODevice &stream) const
{
    const QByteArray bytes = m_fileBytes.isEmpty() ? Encode() : m_fileBytes;
    if (stream.write(bytes) != bytes.size())
        throw EInvalidGraphic(QStringLiteral("Stream write error"));
}

QByteArray TPngImage::Encode(int compressionLevel) const
{
    if (m_pixels.isNull())
        throw EInvalidGraphic(QStringLiteral("Cannot save an empty PNG image"));
    const_cast<TPngImage *>(this)->ReleaseCanvas();
    QByteArray out;
    PngIo io{nullptr, 0, 0, {0}};
    WriteGuard g;
    g.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &io, pngError, pngWarning);
    if (!g.png)
        throw EOutOfResources(QStringLiteral("Out of system resources"));
    g.info = png_create_info_struct(g.png);
    if (!g.info)
        throw EOutOfResources(QStringLiteral("Out of system resources"));
    const int w = m_pixels.width(), h = m_pixels.height();
    std::vector<QByteArray> packed; // rows converted for greyscale pictures
    std::vector<png_bytep> rows(size_t(h), nullptr);
    std::vector<png_color> pal;
    if (setjmp(png_jmpbuf(g.png)))
        throw EInvalidGraphic(QStringLiteral("Cannot write the PNG image: %1").arg(QString::fromLatin1(io.message)));
    png_set_write_fn(g.png, &out, pngWrite, pngFlush);
    png_set_compression_level(g.png, compressionLevel);
    png_set_IHDR(g.png, g.info, png_uint_32(w), png_uint_32(h), 8, m_colorType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (m_colorType == COLOR_PALETTE) {
        for (QRgb c : m_palette)
            pal.push_back(png_color{png_byte(qRed(c)), png_byte(qGreen(c)), png_byte(qBlue(c))});
        if (pal.empty())
            pal.push_back(png_color{0, 0, 0});
        png_set_PLTE(g.png, g.info, pal.data(), int(std::min<size_t>(pal.size(), 256)));
        if (m_hasTrns && !m_trnsAlpha.isEmpty())
            png_set_tRNS(g.png, g.info, reinterpret_cast<png_bytep>(const_cast<char *>(m_trnsAlpha.constData())),
                         int(std::min<qsizetype>(m_trnsAlpha.size(), qsizetype(pal.size()))), nullptr);
    } else if (m_hasTrns && !HasAlphaRow()) {
        png_color_16 tc{};
        tc.red = png_uint_16(qRed(m_trnsColor));
        tc.green = png_uint_16(qGreen(m_trnsColor));
        tc.blue = png_uint_16(qBlue(m_trnsColor));
        tc.gray = png_uint_16(qBlue(m_trnsColor));
        png_set_tRNS(g.png, g.info, nullptr, 0, &tc);
    }
    png_write_info(g.png, g.info);
    if (m_colorType == COLOR_RGB || m_colorType == COLOR_RGBALPHA) {
        png_set_bgr(g.png);
        if (m_colorType == COLOR_RGB)
            png_set_filler(g.png, 0, PNG_FILLER_AFTER);
    }
    const bool grey = m_colorType == COLOR_GRAYSCALE || m_colorType == COLOR_GRAYSCALEALPHA;
    if (grey)
        packed.resize(size_t(h));
    for (int y = 0; y < h; ++y) {
        if (!grey) {
            rows[size_t(y)] = const_cast<png_bytep>(m_pixels.constScanLine(y));
            continue;
        }
        const int step = m_colorType == COLOR_GRAYSCALE ? 1 : 2;
        QByteArray &row = packed[size_t(y)];
        row.resize(qsizetype(w) * step);
        const QRgb *s = reinterpret_cast<const QRgb *>(m_pixels.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            row[x * step] = char(qGreen(s[x]));
            if (step == 2)
                row[x * step + 1] = char(qAlpha(s[x]));
        }
        rows[size_t(y)] = reinterpret_cast<png_bytep>(row.data());
    }
    png_write_image(g.png, rows.data());
    png_write_end(g.png, nullptr);
    return out;
}

void TPngImage::Assign(const TGraphic &source)
{
    if (&source == this)
        return;
    if (const auto *p = dynamic_cast<const TPngImage *>(&source)) {
        ReleaseCanvas();
        m_pixels = p->m_pixels.copy();
        m_colorType = p->m_colorType;
        m_bitDepth = p->m_bitDepth;
        m_interlaced = p->m_interlaced;
        m_palette = p->m_palette;
        m_trnsAlpha = p->m_trnsAlpha;
        m_hasTrns = p->m_hasTrns;
        m_trnsColor = p->m_trnsColor;
        m_fileBytes = p->m_fileBytes;
        m_transparent = p->m_transparent;
        m_drawCache = QImage();
        Changed();
        return;
    }
    if (const auto *b = dynamic_cast<const TBitmap *>(&source)) {
        ReleaseCanvas();
        Modified();
        m_bitDepth = 8;
        m_interlaced = false;
        m_hasTrns = false;
        m_trnsAlpha.clear();
        if (b->Empty()) {
            m_pixels = QImage();
            Changed();
            return;
        }
        const QImage &img = b->Image();
        if (img.format() == QImage::Format_Indexed8 || img.format() == QImage::Format_Mono) {
            m_pixels = img.convertToFormat(QImage::Format_Indexed8);
            m_palette = m_pixels.colorTable();
            m_colorType = COLOR_PALETTE;
        } else {
            // The alpha byte of a 32-bit bitmap does not come along.
            QImage c = img.copy();
            if (c.format() == QImage::Format_ARGB32)
                c.reinterpretAsFormat(QImage::Format_RGB32);
            m_pixels = c.convertToFormat(QImage::Format_RGB32);
            m_palette.clear();
            m_colorType = COLOR_RGB;
        }
        if (b->Transparent())
            SetTransparentColor(b->TransparentColor());
        Changed();
        return;
    }
    TGraphic::Assign(source);
}

QImage TPngImage::ToImage() const
{
    if (m_pixels.isNull())
        return {};
    if (!m_drawCache.isNull())
        return m_drawCache;
    QImage out;
    if (m_colorType == COLOR_PALETTE) {
        QList<QRgb> table = m_palette;
        if (m_hasTrns)
            for (int i = 0; i < table.size(); ++i) {
                const int a = i < m_trnsAlpha.size() ? uchar(m_trnsAlpha[i]) : 255;
                table[i] = qRgba(qRed(table[i]), qGreen(table[i]), qBlue(table[i]), a);
            }
        QImage idx = m_pixels;
        idx.setColorTable(table);
        out = idx.convertToFormat(m_hasTrns ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    } else if (HasAlphaRow()) {
        // Non-premultiplied ARGB draws as it is.
        return m_pixels;
    } else if (m_hasTrns) {
        out = QImage(m_pixels.size(), QImage::Format_ARGB32_Premultiplied);
        const QRgb key = m_trnsColor & 0xffffff;
        for (int y = 0; y < out.height(); ++y) {
            const QRgb *s = reinterpret_cast<const QRgb *>(m_pixels.constScanLine(y));
            QRgb *d = reinterpret_cast<QRgb *>(out.scanLine(y));
            for (int x = 0; x < out.width(); ++x)
                d[x] = (s[x] & 0xffffff) == key ? 0u : (s[x] | 0xff000000u);
        }
    } else {
        return m_pixels;
    }
    m_drawCache = out;
    return out;
}

// ---------------------------------------------------------------- routines

std::unique_ptr<TPngImage> MakeRGBAlphaPng(const TPngImage *Graphic)
{
    auto out = std::make_unique<TPNGObject>();
    if (!Graphic || Graphic->Empty())
        return out;
    const int w = Graphic->Width(), h = Graphic->Height();
    switch (Graphic->ColorType()) {
    case COLOR_GRAYSCALE:
    case COLOR_RGB: {
        out->CreateBlank(COLOR_RGBALPHA, 8, w, h);
        QImage &d = out->MutablePixels();
        const QImage &s = Graphic->Pixels();
        // A tRNS colour becomes real transparency, so it survives drawing
        // paths that only know alpha (metafiles, printers).
        const bool key = Graphic->HasTrns();
        const TColor tc = Graphic->TransparentColor();
        const QRgb keyRgb = key ? (toRgb(tc) & 0xffffff) : 0;
        for (int y = 0; y < h; ++y) {
            const QRgb *sp = reinterpret_cast<const QRgb *>(s.constScanLine(y));
            QRgb *dp = reinterpret_cast<QRgb *>(d.scanLine(y));
            for (int x = 0; x < w; ++x) {
                const QRgb c = sp[x] & 0xffffff;
                dp[x] = (key && c == keyRgb) ? c : (c | 0xff000000u);
            }
        }
        break;
    }
    case COLOR_PALETTE: {
        const int bd = Graphic->BitDepth();
        if (bd != 1 && bd != 2 && bd != 4 && bd != 8)
            throw Exception(QStringLiteral("Unknown PNG BitDepth"));
        out->CreateBlank(COLOR_RGBALPHA, 8, w, h);
        QImage &d = out->MutablePixels();
        const QImage &s = Graphic->Pixels();
        const QList<QRgb> &pal = Graphic->Palette();
        const QByteArray &ta = Graphic->PaletteAlpha();
        const bool trns = Graphic->HasTrns();
        for (int y = 0; y < h; ++y) {
            const uchar *sp = s.constScanLine(y);
            QRgb *dp = reinterpret_cast<QRgb *>(d.scanLine(y));
            for (int x = 0; x < w; ++x) {
                const int i = sp[x];
                const QRgb c = i < pal.size() ? pal[i] : 0;
                const int a = (trns && i < ta.size()) ? uchar(ta[i]) : 255;
                dp[x] = (c & 0xffffff) | (uint32_t(a) << 24);
            }
        }
        break;
    }
    case COLOR_GRAYSCALEALPHA: {
        out->CreateBlank(COLOR_RGBALPHA, 8, w, h);
        out->MutablePixels() = Graphic->Pixels().copy();
        break;
    }
    default:
        out->Assign(*Graphic);
        break;
    }
    return out;
}

std::unique_ptr<TBitmap> PngToPremultipliedBitmap(const TPngImage *Graphic)
{
    auto b = std::make_unique<TBitmap>(Graphic->Width(), Graphic->Height(), pf32bit);
    b->SetAlphaFormat(afPremultiplied);
    if (Graphic->Empty())
        return b;
    const QImage &s = Graphic->Pixels();
    const bool alpha = Graphic->HasAlphaRow();
    for (int y = 0; y < Graphic->Height(); ++y) {
        const QRgb *sp = reinterpret_cast<const QRgb *>(s.constScanLine(y));
        QRgb *dp = reinterpret_cast<QRgb *>(b->ScanLine(y));
        for (int x = 0; x < Graphic->Width(); ++x) {
            const uint32_t a = alpha ? qAlpha(sp[x]) : 255;
            // MulDiv: rounded, halves away from zero.
            const uint32_t r = (uint32_t(qRed(sp[x])) * a + 127) / 255;
            const uint32_t gr = (uint32_t(qGreen(sp[x])) * a + 127) / 255;
            const uint32_t bl = (uint32_t(qBlue(sp[x])) * a + 127) / 255;
            dp[x] = (a << 24) | (r << 16) | (gr << 8) | bl;
        }
    }
    return b;
}

bool PrepareAlphaBitmap(const TPngImage *Graphic, std::unique_ptr<TBitmap> &Bitmap)
{
    if (!Graphic)
        return false;
    const TPNGTransparencyMode m = Graphic->TransparencyMode();
    if (m != ptmBit && m != ptmPartial)
        return false;
    if (Graphic->ColorType() == COLOR_RGBALPHA) {
        Bitmap = PngToPremultipliedBitmap(Graphic);
    } else {
        auto tmp = MakeRGBAlphaPng(Graphic);
        Bitmap = PngToPremultipliedBitmap(tmp.get());
    }
    return true;
}

void StoreBitmapInPng(TPngImage *Png, const TBitmap *Bitmap)
{
    if (!Png || !Bitmap || Bitmap->Empty())
        return;
    const bool alphaRow = Png->HasAlphaRow();
    QImage &d = Png->MutablePixels();
    if (d.format() == QImage::Format_Indexed8)
        d = d.convertToFormat(QImage::Format_RGB32);
    const int h = std::min(Bitmap->Height(), d.height());
    const int w = std::min(Bitmap->Width(), d.width());
    const QImage &s = Bitmap->Image();
    for (int y = 0; y < h; ++y) {
        const QRgb *sp = reinterpret_cast<const QRgb *>(s.constScanLine(y));
        QRgb *dp = reinterpret_cast<QRgb *>(d.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int a = qAlpha(sp[x]);
            auto un = [a](int c) -> uint32_t {
                if (a == 0)
                    return 0;
                // Colour above its alpha cannot be premultiplied: clamp.
                return uint32_t(std::min(255, int(std::nearbyint(c * 255.0 / a))));
            };
            const uint32_t rgb = (un(qRed(sp[x])) << 16) | (un(qGreen(sp[x])) << 8) | un(qBlue(sp[x]));
            dp[x] = rgb | (alphaRow ? uint32_t(a) << 24 : 0xff000000u);
        }
    }
    Png->Changed();
}

// ---------------------------------------------------------------- canvas helper

TvdxPNGCanvasHelper::~TvdxPNGCanvasHelper()
{
    TvdxPNGCanvasHelper::ReleaseCanvas();
}

Canvas &TvdxPNGCanvasHelper::GetCanvas()
{
    auto *png = dynamic_cast<TPngImage *>(FGraphic);
    if (!png)
        return TvdxGraphicCanvasHelper::GetCanvas();
    if (!FFormatClass->HasAlphaChanel(png)) {
        FDirect = true;
        return png->GetCanvas();
    }
    if (!FBitmap) {
        auto b = FFormatClass->ConvertToBitmap(png, pf32bit);
        FBitmap = std::move(b);
    }
    return FBitmap->GetCanvas();
}

void TvdxPNGCanvasHelper::ReleaseCanvas()
{
    auto *png = dynamic_cast<TPngImage *>(FGraphic);
    if (FBitmap) {
        FBitmap->ReleaseCanvas();
        if (png)
            StoreBitmapInPng(png, FBitmap.get());
        FBitmap.reset();
    }
    if (FDirect && png) {
        png->ReleaseCanvas();
        FDirect = false;
    }
}

// ---------------------------------------------------------------- driver

TvdxGraphicCanvasHelperClass TvdxPNGGraphicFormat::GetCanvasHelperClass() const
{
    return &TvdxGraphicCanvasHelper::Make<TvdxPNGCanvasHelper>;
}

std::unique_ptr<TGraphic> TvdxPNGGraphicFormat::CreateNew(int Width, int Height, TPixelFormat PixelFormat,
                                                          bool Transparent, int) const
{
    int ct;
    switch (PixelFormat) {
    case pf1bit:
    case pf4bit: ct = COLOR_GRAYSCALE; break;
    case pf8bit: ct = COLOR_PALETTE; break;
    case pf32bit: ct = COLOR_RGBALPHA; break;
    default: ct = COLOR_RGB; break;
    }
    auto p = std::make_unique<TPNGObject>();
    p->CreateBlank(ct, 8, Width, Height);
    if (PixelFormat == pf32bit && Transparent)
        p->CreateAlpha();
    return p;
}

std::unique_ptr<TGraphic> TvdxPNGGraphicFormat::CreateFromStream(QIODevice &Stream) const
{
    auto g = TvdxFullAbilitiesGraphicFormat::CreateFromStream(Stream);
    if (g)
        g->Changed();
    return g;
}

bool TvdxPNGGraphicFormat::LoadFromStream(TPicture &aPictire, QIODevice &Stream) const
{
    const bool ok = TvdxFullAbilitiesGraphicFormat::LoadFromStream(aPictire, Stream);
    if (ok && aPictire.Graphic())
        aPictire.Graphic()->Changed();
    return ok;
}

TvdxGraphicProps TvdxPNGGraphicFormat::GetGraphicProps(const TGraphic *Graphic) const
{
    TvdxGraphicProps p;
    const auto *png = dynamic_cast<const TPngImage *>(Graphic);
    p.HasAlpha = HasAlphaChanel(Graphic);
    p.Transparent = Graphic && Graphic->Transparent();
    p.TransparentColor = png ? png->TransparentColor() : clNone;
    p.Quality = 100;
    switch (png ? png->ColorType() : -1) {
    case COLOR_GRAYSCALE: p.PixelFormat = pf4bit; break;
    case COLOR_RGB: p.PixelFormat = pf24bit; break;
    case COLOR_PALETTE: p.PixelFormat = pf8bit; break;
    case COLOR_RGBALPHA: p.PixelFormat = pf32bit; break;
    default: p.PixelFormat = pf24bit; break;
    }
    return p;
}

bool TvdxPNGGraphicFormat::HasAlphaChanel(const TGraphic *Graphic) const
{
    const auto *png = dynamic_cast<const TPngImage *>(Graphic);
    return png && png->TransparencyMode() == ptmPartial;
}

bool TvdxPNGGraphicFormat::HasMaskColor(const TGraphic *Graphic) const
{
    const auto *png = dynamic_cast<const TPngImage *>(Graphic);
    return png && png->TransparencyMode() == ptmBit;
}

TColor TvdxPNGGraphicFormat::GetTransparentColor(const TGraphic *Graphic) const
{
    const auto *png = dynamic_cast<const TPngImage *>(Graphic);
    if (!png || png->HasAlphaRow() || png->TransparencyMode() != ptmBit)
        return clNone;
    return png->TransparentColor();
}

void TvdxPNGGraphicFormat::SetTransparent(TGraphic *Graphic, bool Transparent) const
{
    if (Graphic)
        Graphic->SetTransparent(Transparent);
}

void TvdxPNGGraphicFormat::SetTransparentColor(TGraphic *Graphic, TColor Color) const
{
    if (auto *png = dynamic_cast<TPngImage *>(Graphic))
        png->SetTransparentColor(Color);
}

std::unique_ptr<TBitmap> TvdxPNGGraphicFormat::GetAlphaBitmap(const TGraphic *Graphic) const
{
    const auto *png = dynamic_cast<const TPngImage *>(Graphic);
    if (!png)
        return nullptr;
    auto rgba = MakeRGBAlphaPng(png);
    auto b = std::make_unique<TBitmap>(png->Width(), png->Height(), pf8bit);
    for (int y = 0; y < rgba->Height(); ++y) {
        const QRgb *s = reinterpret_cast<const QRgb *>(rgba->Pixels().constScanLine(y));
        uchar *d = b->ScanLine(y);
        for (int x = 0; x < rgba->Width(); ++x)
            d[x] = uchar(qAlpha(s[x]));
    }
    return b;
}

std::unique_ptr<TBitmap> TvdxPNGGraphicFormat::ConvertToBitmap(const TGraphic *Graphic,
                                                               TPixelFormat DestPixelFormat) const
{
    const auto *png = dynamic_cast<const TPngImage *>(Graphic);
    if (!png)
        return TvdxFullAbilitiesGraphicFormat::ConvertToBitmap(Graphic, DestPixelFormat);
    const TPNGTransparencyMode m = png->TransparencyMode();
    if (HasAlphaChanel(png) && DestPixelFormat != pf32bit) {
        // The alpha is composed over black.
        auto b = std::make_unique<TBitmap>(png->Width(), png->Height(), DestPixelFormat);
        b->Fill(clBlack);
        png->Draw(b->GetCanvas(), TRect(0, 0, png->Width(), png->Height()));
        b->ReleaseCanvas();
        return b;
    }
    if ((m == ptmBit || m == ptmPartial) && png->ColorType() == COLOR_RGBALPHA)
        return PngToPremultipliedBitmap(png);
    auto b = std::make_unique<TBitmap>();
    QImage img = png->Pixels();
    if (png->ColorType() == COLOR_PALETTE)
        img = img.convertToFormat(QImage::Format_RGB32);
    else if (img.format() == QImage::Format_ARGB32) {
        img = img.copy();
        img.reinterpretAsFormat(QImage::Format_RGB32);
    }
    b->SetImage(img, pf24bit);
    if (DestPixelFormat != pf24bit && DestPixelFormat != pfDevice)
        b->SetPixelFormat(DestPixelFormat);
    if (DestPixelFormat == pf32bit) {
        // An opaque picture: every alpha byte 255.
        for (int y = 0; y < b->Height(); ++y) {
            QRgb *p = reinterpret_cast<QRgb *>(b->ScanLine(y));
            for (int x = 0; x < b->Width(); ++x)
                p[x] |= 0xff000000u;
        }
    }
    return b;
}

std::unique_ptr<TGraphic> TvdxPNGGraphicFormat::ConvertFrom(const TGraphic *Graphic, TPixelFormat DestPixelFormat,
                                                            int DestQuality) const
{
    if (!Graphic)
        return nullptr;
    if (const auto *png = dynamic_cast<const TPngImage *>(Graphic)) {
        auto r = CreateNew(png->Width(), png->Height(), DestPixelFormat, DestPixelFormat == pf32bit, DestQuality);
        r->Assign(*png);
        return r;
    }
    std::unique_ptr<TBitmap> owned;
    const TBitmap *bmp = dynamic_cast<const TBitmap *>(Graphic);
    if (!bmp) {
        owned = GetGraphicFormats()->ConvertToBitmap(Graphic, DestPixelFormat);
        bmp = owned.get();
        if (!bmp)
            return nullptr;
    }
    const bool withAlpha = DestPixelFormat == pf32bit && bmp->PixelFormat() == pf32bit;
    auto r = CreateNew(bmp->Width(), bmp->Height(), DestPixelFormat, withAlpha, DestQuality);
    if (withAlpha)
        StoreBitmapInPng(static_cast<TPngImage *>(r.get()), bmp);
    else
        r->Assign(*bmp);
    return r;
}

void TvdxPNGGraphicFormat::Draw(Canvas &canvas, const TGraphic *AGraphic, const TRect &Area,
                                TvdxGraphicQuality Quality) const
{
    const auto *png = dynamic_cast<const TPngImage *>(AGraphic);
    if (!png) {
        TvdxFullAbilitiesGraphicFormat::Draw(canvas, AGraphic, Area, Quality);
        return;
    }
    const bool hq = Quality == gqHiQuality || Quality == gqPrint;
    if (hq && png->TransparencyMode() == ptmBit) {
        TvdxFullAbilitiesGraphicFormat::DrawTransparent(canvas, AGraphic, Area, png->TransparentColor(), Quality);
        return;
    }
    if (!hq && !vdIsMetafileCanvas(canvas)) {
        TvdxFullAbilitiesGraphicFormat::Draw(canvas, AGraphic, Area, Quality);
        return;
    }
    if (HasAlphaChanel(png) || HasMaskColor(png))
        DrawTransparent(canvas, AGraphic, Area, clNone, Quality);
    else
        TvdxFullAbilitiesGraphicFormat::Draw(canvas, AGraphic, Area, Quality);
}

void TvdxPNGGraphicFormat::DrawTransparent(Canvas &canvas, const TGraphic *AGraphic, const TRect &Area,
                                           TColor MaskColor, TvdxGraphicQuality Quality) const
{
    const auto *png = dynamic_cast<const TPngImage *>(AGraphic);
    if (Quality == gqFast && !vdIsMetafileCanvas(canvas) && MaskColor == clNone) {
        Draw(canvas, AGraphic, Area, Quality);
        return;
    }
    std::unique_ptr<TBitmap> bmp;
    if (MaskColor == clNone && png && PrepareAlphaBitmap(png, bmp)) {
        if (CanAlphaBlend(canvas)) {
            AlphaBlendBitmap(canvas, Area, *bmp);
            return;
        }
        bmp->SetTransparent(true);
        if (auto bf = GetGraphicFormats()->FindByGraphic(&TBitmap::staticClass()))
            bf->DrawTransparent(canvas, bmp.get(), Area, clNone, Quality);
        else
            TvdxFullAbilitiesGraphicFormat::DrawTransparent(canvas, AGraphic, Area, clNone, Quality);
        return;
    }
    TvdxFullAbilitiesGraphicFormat::DrawTransparent(canvas, AGraphic, Area, MaskColor, Quality);
}

void TvdxPNGGraphicFormat::DrawByProps(const TvdxDrawGraphicExt &GProps, Canvas &canvas, const TGraphic *AGraphic,
                                       const TRect &Area, double ScaleX, double ScaleY) const
{
    if (GProps.DrawProps.contains(fgdHiQuality) && !GProps.DrawProps.contains(fgdTransparent)
        && !GProps.DrawProps.contains(fgdDefaultMaskColor)) {
        TvdxFullAbilitiesGraphicFormat::Draw(canvas, AGraphic, Area, GProps.Quality);
        return;
    }
    TvdxFullAbilitiesGraphicFormat::DrawByProps(GProps, canvas, AGraphic, Area, ScaleX, ScaleY);
}

bool TvdxPNGGraphicFormat::IsSupportedFormat(QIODevice &Stream) const
{
    QByteArray b;
    return PeekBytes(Stream, 8, b) && std::memcmp(b.constData(), kPngSignature, 8) == 0;
}

bool vdIsMetafileCanvas(const Canvas &canvas)
{
    return canvas.isMetafile();
}
