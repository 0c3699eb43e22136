#include "export/zpl/vdxZplGraphic.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

TvdxMonoBitmap::TvdxMonoBitmap(int w, int h)
    : width(std::max(0, w)), height(std::max(0, h)), stride(((std::max(0, w) + 31) / 32) * 4)
{
    bits = QByteArray(qsizetype(stride) * height, '\0');
}

TvdxMonoBitmap vdxImageToMono(const QImage &image)
{
    TvdxMonoBitmap b(image.width(), image.height());
    if (image.isNull())
        return b;
    const QImage src = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
                           ? image
                           : image.convertToFormat(QImage::Format_RGB32);
    // Labels are mostly white: whole white rows and groups of 8 pixels are
    // found by comparing memory.
    const bool rgb32 = src.format() == QImage::Format_RGB32;
    const std::vector<QRgb> white(size_t(std::max(8, b.width)), 0xFFFFFFFFu);
    const size_t rowBytes = size_t(b.width) * sizeof(QRgb);
    for (int y = 0; y < b.height; ++y) {
        const QRgb *in = reinterpret_cast<const QRgb *>(src.constScanLine(y));
        uchar *out = b.row(y);
        if (rgb32 && std::memcmp(in, white.data(), rowBytes) == 0) {
            std::memset(out, 0xFF, size_t(b.width / 8));
            if (b.width & 7)
                out[b.width / 8] = uchar(0xFFu << (8 - (b.width & 7)));
            continue;
        }
        for (int x = 0; x < b.width; x += 8) {
            const int n = std::min(8, b.width - x);
            if (n == 8 && rgb32 && std::memcmp(in + x, white.data(), 8 * sizeof(QRgb)) == 0) {
                out[x >> 3] = 0xFF;
                continue;
            }
            unsigned byte = 0;
            for (int k = 0; k < n; ++k) {
                const QRgb c = in[x + k] & 0xFFFFFFu;
                // 0.299 R + 0.587 G + 0.114 B < 128 is black, in integers.
                const bool isWhite = c == 0xFFFFFFu
                                     || (c != 0 && 299 * qRed(c) + 587 * qGreen(c) + 114 * qBlue(c) >= 128000);
                byte |= unsigned(isWhite) << (7 - k);
            }
            out[x >> 3] = uchar(byte);
        }
    }
    return b;
}

void vdxInvertBitmap(TvdxMonoBitmap &b)
{
    uchar *p = reinterpret_cast<uchar *>(b.bits.data());
    for (qsizetype i = 0; i < b.bits.size(); ++i)
        p[i] = uchar(~p[i]);
}

void vdxClearPaddingBits(TvdxMonoBitmap &b)
{
    const int rest = b.width & 7;
    const int bpr = b.sentBytesPerRow();
    for (int y = 0; y < b.height; ++y) {
        uchar *r = b.row(y);
        if (rest)
            r[bpr - 1] &= uchar(0xFFu << (8 - rest));
        // The stored padding bytes are never sent; keep them clear as well.
        std::memset(r + bpr, 0, size_t(b.stride - bpr));
    }
}

namespace {
const char hexDigits[] = "0123456789ABCDEF";

// Letters of the counts 0 to 400, taken greedily from the largest of
// "G".."Y" (1 to 19) and "g".."z" (20 to 400): never more than two.
struct CountLetters {
    int size;
    char letters[2];
};

const CountLetters *countTable()
{
    static const auto table = [] {
        std::array<CountLetters, 401> t{};
        for (int n = 0; n <= 400; ++n) {
            int rest = n;
            CountLetters &e = t[size_t(n)];
            if (rest >= 20) {
                e.letters[e.size++] = char('g' + rest / 20 - 1);
                rest %= 20;
            }
            if (rest > 0)
                e.letters[e.size++] = char('G' + rest - 1);
        }
        return t;
    }();
    return table.data();
}

// Writes the letters of n at o; returns the end.
char *putCount(char *o, int n)
{
    for (; n > 400; n -= 400)
        *o++ = 'z';
    const CountLetters &e = countTable()[n];
    o[0] = e.letters[0];
    o[1] = e.letters[1];
    return o + e.size;
}

// The compressed text of one row of bpr bytes at o (room for 2 x bpr + 1
// characters needed: runs never take more room compressed); returns the end.
// The runs of hex digits are found on the bytes, whole bytes at a time where
// both digits continue the run.
char *putCompressedRow(char *o, const uchar *row, int bpr)
{
    int end = bpr; // bytes up to the trailing 00 bytes
    while (end > 0 && row[end - 1] == 0)
        --end;
    const int digits = 2 * end;
    int k = 0;
    while (k < digits) {
        const unsigned v = (k & 1) ? row[k >> 1] & 15u : row[k >> 1] >> 4;
        int j = k + 1;
        if (!(j & 1) || (j < digits && (row[j >> 1] & 15u) == v)) {
            if (j & 1)
                ++j;
            const uchar full = uchar(v * 0x11);
            const quint64 full8 = 0x0101010101010101ull * full;
            int b = j >> 1;
            for (quint64 w; b + 8 <= end; b += 8) {
                std::memcpy(&w, row + b, 8);
                if (w != full8)
                    break;
            }
            while (b < end && row[b] == full)
                ++b;
            j = 2 * b;
            if (j < digits && (row[b] >> 4) == v)
                ++j;
        }
        if (j - k >= 2)
            o = putCount(o, j - k);
        *o++ = hexDigits[v];
        k = j;
    }
    if (end < bpr)
        *o++ = ',';
    return o;
}

// Writes the rows of one field into out, each compared with the one before
// in bytes: the same bytes give the same row text.
class FieldWriter {
public:
    FieldWriter(QByteArray &out, int bpr, int height, bool breakLines)
        : m_out(out), m_bpr(bpr), m_breakLines(breakLines)
    {
        const qint64 total = qint64(bpr) * height;
        m_out += breakLines ? "\r\n^GFA," : "^GFA,";
        m_out += QByteArray::number(total);
        m_out += ',';
        m_out += QByteArray::number(total);
        m_out += ',';
        m_out += QByteArray::number(bpr);
        m_out += ',';
        if (breakLines)
            m_out += "\r\n";
    }

    // prev: the bytes of the row written before, null for the first.
    void row(const uchar *bytes, const uchar *prev)
    {
        const qsizetype at = m_out.size();
        m_out.resize(at + 2 * qsizetype(m_bpr) + 3);
        char *const start = m_out.data() + at;
        char *o = start;
        if (prev && std::memcmp(bytes, prev, size_t(m_bpr)) == 0)
            *o++ = ':';
        else
            o = putCompressedRow(o, bytes, m_bpr);
        if (m_breakLines) {
            *o++ = '\r';
            *o++ = '\n';
        }
        m_out.resize(at + (o - start));
    }

    void finish()
    {
        m_out += "^FS";
        if (m_breakLines)
            m_out += "\r\n";
    }

private:
    QByteArray &m_out;
    int m_bpr;
    bool m_breakLines;
};

// 0.299 R + 0.587 G + 0.114 B < 128 is black, in integers; alpha is ignored.
inline bool isBlack(QRgb px)
{
    const QRgb c = px & 0xFFFFFFu;
    return c != 0xFFFFFFu && (c == 0 || 299 * qRed(c) + 587 * qGreen(c) + 114 * qBlue(c) < 128000);
}

// Up to eight pixels as one byte, tested one by one: the first pixel is the
// most significant bit, bits past count stay clear.
uchar blackBitsOf(const QRgb *in, int count)
{
    unsigned byte = 0;
    for (int k = 0; k < count; ++k)
        byte |= unsigned(isBlack(in[k])) << (7 - k);
    return uchar(byte);
}

#ifdef __SSE2__
// Bit k of the index moved to bit 7 - k.
const std::array<uchar, 256> &reversedBits()
{
    static const std::array<uchar, 256> table = [] {
        std::array<uchar, 256> t{};
        for (unsigned v = 0; v < 256; ++v) {
            unsigned r = 0;
            for (int k = 0; k < 8; ++k)
                r |= ((v >> k) & 1u) << (7 - k);
            t[v] = uchar(r);
        }
        return t;
    }();
    return table;
}

// Bit k set where pixel k of eight is white, or black (alpha ignored); a
// pixel in neither mask has some other colour.
inline void pureMasks(const QRgb *in, unsigned &white, unsigned &black)
{
    const __m128i rgb = _mm_set1_epi32(0x00FFFFFF);
    const __m128i zero = _mm_setzero_si128();
    const __m128i lo = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i *>(in)), rgb);
    const __m128i hi = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i *>(in + 4)), rgb);
    white = unsigned(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(lo, rgb)))) |
            unsigned(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(hi, rgb)))) << 4;
    black = unsigned(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(lo, zero)))) |
            unsigned(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(hi, zero)))) << 4;
}
#endif

// Black pixels of one row as set bits, the leftmost the most significant;
// the bits past the width stay clear.
void blackBits(const QRgb *in, int width, uchar *out)
{
    const int whole = width / 8;
#ifdef __SSE2__
    // Drawn labels are black and white: eight such pixels at a time, from
    // two vector compares; other colours pixel by pixel.
    const std::array<uchar, 256> &reversed = reversedBits();
    for (int i = 0; i < whole; ++i, in += 8) {
        unsigned white, black;
        pureMasks(in, white, black);
        if ((white | black) == 0xFFu) {
            out[i] = reversed[black];
            continue;
        }
        out[i] = blackBitsOf(in, 8);
    }
#else
    constexpr quint64 rgb2 = 0x00FFFFFF00FFFFFFull;
    for (int i = 0; i < whole; ++i, in += 8) {
        // Drawn labels are black and white: eight such pixels at a time.
        quint64 w[4];
        std::memcpy(w, in, sizeof w);
        if (((w[0] & w[1] & w[2] & w[3]) & rgb2) == rgb2) {
            out[i] = 0;
            continue;
        }
        if (((w[0] | w[1] | w[2] | w[3]) & rgb2) == 0) {
            out[i] = 0xFF;
            continue;
        }
        out[i] = blackBitsOf(in, 8);
    }
#endif
    if (const int rest = width & 7)
        out[whole] = blackBitsOf(in, rest);
}
} // namespace

QByteArray vdxZplRepeatCount(int n)
{
    if (n <= 0)
        return QByteArray();
    QByteArray out(n / 400 + 2, Qt::Uninitialized);
    out.truncate(putCount(out.data(), n) - out.constData());
    return out;
}

QByteArray vdxCompressZplRow(const QByteArray &s)
{
    QByteArray out(s.size() + 8, Qt::Uninitialized);
    char *o = out.data();
    const char *p = s.constData();
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n) {
        qsizetype j = i + 1;
        while (j < n && p[j] == p[i])
            ++j;
        // A run of 2 or more never takes more letters than characters.
        if (j - i >= 2)
            o = putCount(o, int(j - i));
        *o++ = p[i];
        i = j;
    }
    out.truncate(o - out.constData());
    return out;
}

QByteArray vdxZplRowText(const uchar *row, int bpr)
{
    int last = bpr - 1;
    while (last >= 0 && row[last] == 0)
        --last;
    QByteArray out(2 * (last + 1) + 1, Qt::Uninitialized);
    char *o = out.data();
    for (int i = 0; i <= last; ++i) {
        *o++ = hexDigits[row[i] >> 4];
        *o++ = hexDigits[row[i] & 15];
    }
    if (last < bpr - 1)
        *o++ = ',';
    out.truncate(o - out.constData());
    return out;
}

void vdxAppendGraphicField(QByteArray &out, const TvdxMonoBitmap &b, bool breakLines)
{
    const int bpr = b.sentBytesPerRow();
    FieldWriter writer(out, bpr, b.height, breakLines);
    for (int y = 0; y < b.height; ++y)
        writer.row(b.row(y), y > 0 ? b.row(y - 1) : nullptr);
    writer.finish();
}

namespace {
// The rows of an RGB32 or ARGB32 image into the field; only the pixels in
// drawn are read, all others are taken as white. With writable (the image's
// own bits) every row not white is made white after reading.
void appendRows(QByteArray &out, const QImage &src, uchar *writable, bool breakLines, QRect drawn)
{
    const int width = src.width(), height = src.height();
    const int bpr = (width + 7) / 8;
    FieldWriter writer(out, bpr, height, breakLines);
    drawn &= src.rect();
    // Whole bytes of the field: a few white pixels more are read.
    const int b0 = drawn.isEmpty() ? 0 : drawn.left() / 8;
    const int b1 = drawn.isEmpty() ? 0 : std::min(bpr, (drawn.right() + 8) / 8);
    const int x0 = 8 * b0, x1 = std::min(width, 8 * b1);
    const int y0 = drawn.isEmpty() ? 0 : drawn.top(), y1 = drawn.isEmpty() ? 0 : drawn.bottom() + 1;
    // Labels are mostly white: whole white rows are found by comparing memory.
    const std::vector<QRgb> white(size_t(std::max(1, x1 - x0)), 0xFFFFFFFFu);
    const size_t spanBytes = size_t(x1 - x0) * sizeof(QRgb);
    const qsizetype stride = src.bytesPerLine();
    std::vector<uchar> rows(2 * size_t(bpr));
    uchar *cur = rows.data(), *prev = rows.data() + bpr;
    for (int y = 0; y < height; ++y) {
        std::memset(cur, 0, size_t(bpr));
        if (y >= y0 && y < y1) {
            const QRgb *in = reinterpret_cast<const QRgb *>(src.constScanLine(y)) + x0;
            if (std::memcmp(in, white.data(), spanBytes) != 0) {
                blackBits(in, x1 - x0, cur + b0);
                if (writable)
                    std::memset(writable + y * stride + x0 * qsizetype(sizeof(QRgb)), 0xFF, spanBytes);
            }
        }
        writer.row(cur, y > 0 ? prev : nullptr);
        std::swap(cur, prev);
    }
    writer.finish();
}
} // namespace

void vdxAppendImageField(QByteArray &out, const QImage &image, bool breakLines)
{
    const QImage src = image.isNull() || image.format() == QImage::Format_RGB32
                               || image.format() == QImage::Format_ARGB32
                           ? image
                           : image.convertToFormat(QImage::Format_RGB32);
    appendRows(out, src, nullptr, breakLines, src.rect());
}

void vdxTakeImageField(QByteArray &out, QImage &image, bool breakLines) { vdxTakeImageField(out, image, breakLines, image.rect()); }

void vdxTakeImageField(QByteArray &out, QImage &image, bool breakLines, const QRect &drawn)
{
    if (image.isNull() || image.format() != QImage::Format_RGB32) {
        vdxAppendImageField(out, image, breakLines);
        image.fill(Qt::white);
        return;
    }
    // bits() detaches a shared image first: constScanLine then reads the
    // same pixels that are written.
    uchar *bits = image.bits();
    appendRows(out, image, bits, breakLines, drawn);
}
