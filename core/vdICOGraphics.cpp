#include "core/vdICOGraphics.h"
#include "core/vdPNGGraphics.h"
#include "platform/Canvas.h"
#include <QIODevice>
#include <QtEndian>
#include <cstring>

void vdICOGraphicsStartup()
{
    TPicture::RegisterFileFormat(QStringLiteral("ico"), QStringLiteral("Icons"), &TIcon::staticClass());
    GetGraphicFormats()->RegisterFormat(TvdxICOGraphicFormat::Class());
}

namespace {

[[noreturn]] void icoError(const char *why)
{
    throw EInvalidGraphic(QStringLiteral("Icon image is not valid: %1").arg(QLatin1String(why)));
}

// One bitmap entry: BITMAPINFOHEADER, colour table, XOR pixels, AND mask.
QImage decodeDibEntry(const uchar *d, qsizetype n)
{
    if (n < 40)
        icoError("truncated image header");
    const uint32_t hdr = qFromLittleEndian<uint32_t>(d);
    const int32_t w = qFromLittleEndian<int32_t>(d + 4);
    const int32_t h2 = qFromLittleEndian<int32_t>(d + 8);
    const int bpp = qFromLittleEndian<uint16_t>(d + 14);
    const uint32_t compression = qFromLittleEndian<uint32_t>(d + 16);
    uint32_t clrUsed = qFromLittleEndian<uint32_t>(d + 32);
    if (hdr < 40 || hdr > uint32_t(n))
        icoError("bad image header");
    if (compression != 0)
        icoError("compressed image entry");
    const int64_t h = int64_t(h2) / 2;
    if (w <= 0 || h <= 0)
        icoError("zero width or height");
    vdCheckGraphicSize(w, h, "Icon");
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32)
        icoError("unsupported bit count");
    QList<QRgb> pal;
    qsizetype at = hdr;
    if (bpp <= 8) {
        if (!clrUsed)
            clrUsed = 1u << bpp;
        if (clrUsed > 256)
            icoError("colour table too large");
        if (at + qsizetype(clrUsed) * 4 > n)
            icoError("truncated colour table");
        for (uint32_t i = 0; i < clrUsed; ++i, at += 4)
            pal << qRgb(d[at + 2], d[at + 1], d[at]);
        while (pal.size() < (1 << bpp))
            pal << qRgb(0, 0, 0);
    }
    const qsizetype xorStride = ((int64_t(w) * bpp + 31) / 32) * 4;
    const qsizetype andStride = ((int64_t(w) + 31) / 32) * 4;
    const bool hasAnd = at + xorStride * h + andStride * h <= n;
    if (at + xorStride * h > n)
        icoError("truncated pixel data");
    QImage img(w, int(h), QImage::Format_ARGB32);
    if (img.isNull())
        throw EOutOfResources(QStringLiteral("Out of system resources"));
    bool anyAlpha = false;
    for (int y = 0; y < h; ++y) {
        const uchar *s = d + at + xorStride * (h - 1 - y);
        QRgb *o = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            QRgb c;
            switch (bpp) {
            case 1: c = pal[(s[x >> 3] >> (7 - (x & 7))) & 1]; break;
            case 4: c = pal[(x & 1) ? (s[x >> 1] & 0x0f) : (s[x >> 1] >> 4)]; break;
            case 8: c = pal[s[x]]; break;
            case 24: c = qRgb(s[3 * x + 2], s[3 * x + 1], s[3 * x]); break;
            default:
                c = qRgba(s[4 * x + 2], s[4 * x + 1], s[4 * x], s[4 * x + 3]);
                anyAlpha = anyAlpha || s[4 * x + 3] != 0;
                break;
            }
            o[x] = bpp == 32 ? c : (c | 0xff000000u);
        }
    }
    // 32-bit images without any alpha, and all others, take the AND mask.
    if (bpp == 32 && !anyAlpha)
        for (int y = 0; y < h; ++y) {
            QRgb *o = reinterpret_cast<QRgb *>(img.scanLine(y));
            for (int x = 0; x < w; ++x)
                o[x] |= 0xff000000u;
        }
    if (hasAnd && (bpp != 32 || !anyAlpha)) {
        const qsizetype andAt = at + xorStride * h;
        for (int y = 0; y < h; ++y) {
            const uchar *m = d + andAt + andStride * (h - 1 - y);
            QRgb *o = reinterpret_cast<QRgb *>(img.scanLine(y));
            for (int x = 0; x < w; ++x)
                if ((m[x >> 3] >> (7 - (x & 7))) & 1)
                    o[x] = 0;
        }
    }
    return img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

VD_DEFINE_GRAPHIC_CLASS(TIcon, TGraphic)

TIcon::TIcon()
{
    m_transparent = true;
}

TIcon::~TIcon() = default;

void TIcon::SetWidth(int w)
{
    if (w == m_width)
        return;
    m_width = std::max(0, w);
    m_fileBytes.clear();
    Changed();
}

void TIcon::SetHeight(int h)
{
    if (h == m_height)
        return;
    m_height = std::max(0, h);
    m_fileBytes.clear();
    Changed();
}

void TIcon::SetImage(const QImage &image)
{
    m_image = image.isNull() ? QImage() : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    m_width = m_image.width();
    m_height = m_image.height();
    m_count = m_image.isNull() ? 0 : 1;
    m_fileBytes.clear();
    Changed();
}

void TIcon::LoadFromStream(QIODevice &stream)
{
    const QByteArray bytes = stream.readAll();
    const auto *d = reinterpret_cast<const uchar *>(bytes.constData());
    const qsizetype n = bytes.size();
    if (n < 6 || qFromLittleEndian<uint16_t>(d) != 0)
        icoError("no icon header");
    const int type = qFromLittleEndian<uint16_t>(d + 2);
    const int count = qFromLittleEndian<uint16_t>(d + 4);
    if (type != 1 && type != 0)
        icoError("not an icon");
    if (count == 0)
        icoError("no images");
    if (6 + qsizetype(count) * 16 > n)
        icoError("truncated directory");
    int best = -1;
    int64_t bestArea = -1;
    int bestBpp = -1;
    for (int i = 0; i < count; ++i) {
        const uchar *e = d + 6 + 16 * i;
        const int w = e[0] ? e[0] : 256, h = e[1] ? e[1] : 256;
        const int bpp = qFromLittleEndian<uint16_t>(e + 6);
        const int64_t area = int64_t(w) * h;
        if (area > bestArea || (area == bestArea && bpp > bestBpp)) {
            best = i; bestArea = area; bestBpp = bpp;
        }
    }
    const uchar *e = d + 6 + 16 * best;
    const uint32_t size = qFromLittleEndian<uint32_t>(e + 8);
    const uint32_t offset = qFromLittleEndian<uint32_t>(e + 12);
    if (offset >= uint64_t(n) || size == 0 || uint64_t(offset) + size > uint64_t(n))
        icoError("image data outside the file");
    const uchar *img = d + offset;
    QImage decoded;
    if (size >= 8 && std::memcmp(img, "\x89PNG\r\n\x1a\n", 8) == 0) {
        TPngImage png;
        png.LoadFromBytes(QByteArray(reinterpret_cast<const char *>(img), qsizetype(size)));
        decoded = png.ToImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    } else {
        decoded = decodeDibEntry(img, qsizetype(size));
    }
    m_image = decoded;
    m_width = decoded.width();
    m_height = decoded.height();
    m_count = count;
    m_fileBytes = bytes;
    Changed();
}

QByteArray TIcon::EncodeIcon(const QImage &image)
{
    const QImage img = image.convertToFormat(QImage::Format_ARGB32);
    const int w = img.width(), h = img.height();
    const qsizetype andStride = ((int64_t(w) + 31) / 32) * 4;
    const qsizetype dib = 40 + qsizetype(w) * h * 4 + andStride * h;
    QByteArray out(6 + 16 + dib, '\0');
    auto *d = reinterpret_cast<uchar *>(out.data());
    qToLittleEndian<uint16_t>(1, d + 2);
    qToLittleEndian<uint16_t>(1, d + 4);
    uchar *e = d + 6;
    e[0] = uchar(w >= 256 ? 0 : w);
    e[1] = uchar(h >= 256 ? 0 : h);
    qToLittleEndian<uint16_t>(1, e + 4);
    qToLittleEndian<uint16_t>(32, e + 6);
    qToLittleEndian<uint32_t>(uint32_t(dib), e + 8);
    qToLittleEndian<uint32_t>(22, e + 12);
    uchar *b = d + 22;
    qToLittleEndian<uint32_t>(40, b);
    qToLittleEndian<int32_t>(w, b + 4);
    qToLittleEndian<int32_t>(h * 2, b + 8);
    qToLittleEndian<uint16_t>(1, b + 12);
    qToLittleEndian<uint16_t>(32, b + 14);
    uchar *px = b + 40;
    uchar *mask = px + qsizetype(w) * h * 4;
    for (int y = 0; y < h; ++y) {
        std::memcpy(px + qsizetype(w) * 4 * (h - 1 - y), img.constScanLine(y), size_t(w) * 4);
        const QRgb *s = reinterpret_cast<const QRgb *>(img.constScanLine(y));
        uchar *m = mask + andStride * (h - 1 - y);
        for (int x = 0; x < w; ++x)
            if (qAlpha(s[x]) == 0)
                m[x >> 3] |= uchar(0x80 >> (x & 7));
    }
    return out;
}

void TIcon::SaveToStream(QIODevice &stream) const
{
    if (m_fileBytes.isEmpty() && m_image.isNull())
        throw EInvalidGraphic(QStringLiteral("Cannot save an empty icon"));
    const QByteArray bytes = m_fileBytes.isEmpty() ? EncodeIcon(m_image) : m_fileBytes;
    if (stream.write(bytes) != bytes.size())
        throw EInvalidGraphic(QStringLiteral("Stream write error"));
}

void TIcon::Assign(const TGraphic &source)
{
    if (&source == this)
        return;
    if (const auto *i = dynamic_cast<const TIcon *>(&source)) {
        m_image = i->m_image;
        m_width = i->m_width;
        m_height = i->m_height;
        m_count = i->m_count;
        m_fileBytes = i->m_fileBytes;
        Changed();
        return;
    }
    TGraphic::Assign(source);
}

// ---------------------------------------------------------------- driver

std::unique_ptr<TGraphic> TvdxICOGraphicFormat::CreateNew(int Width, int Height, TPixelFormat, bool, int) const
{
    auto i = std::make_unique<TIcon>();
    i->SetWidth(Width);
    i->SetHeight(Height);
    return i;
}

std::unique_ptr<TBitmap> TvdxICOGraphicFormat::ConvertToBitmap(const TGraphic *Graphic,
                                                               TPixelFormat DestPixelFormat) const
{
    if (!Graphic)
        return nullptr;
    const int w = Graphic->Width(), h = Graphic->Height();
    auto b = std::make_unique<TBitmap>(w, h, DestPixelFormat);
    if (b->Empty())
        return b;
    if (DestPixelFormat == pf32bit) {
        // The icon's own alpha lands in the bitmap, premultiplied.
        const QImage img = Graphic->ToImage().scaled(w, h).convertToFormat(QImage::Format_ARGB32_Premultiplied);
        b->SetImage(img, pf32bit);
        b->SetAlphaFormat(afPremultiplied);
        return b;
    }
    Graphic->Draw(b->GetCanvas(), TRect(0, 0, w, h));
    b->ReleaseCanvas();
    return b;
}

bool TvdxICOGraphicFormat::IsSupportedFormat(QIODevice &Stream) const
{
    QByteArray b;
    if (!PeekBytes(Stream, 6, b))
        return false;
    const auto *d = reinterpret_cast<const uchar *>(b.constData());
    return qFromLittleEndian<uint16_t>(d) == 0 && qFromLittleEndian<uint16_t>(d + 2) < 2;
}
