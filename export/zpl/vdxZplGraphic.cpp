#include "export/zpl/vdxZplGraphic.h"

#include <algorithm>
#include <cstring>
#include <vector>

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
struct RepeatEntry {
    int count;
    char letter;
};

// Ascending: 1..19 as "G".."Y", then 20..400 as "g".."z".
const RepeatEntry *repeatTable(int &size)
{
    static RepeatEntry table[39];
    static const bool filled = [] {
        for (int i = 0; i < 19; ++i)
            table[i] = {i + 1, char('G' + i)};
        for (int i = 0; i < 20; ++i)
            table[19 + i] = {20 * (i + 1), char('g' + i)};
        return true;
    }();
    Q_UNUSED(filled)
    size = 39;
    return table;
}

const char hexDigits[] = "0123456789ABCDEF";
} // namespace

QByteArray vdxZplRepeatCount(int n)
{
    QByteArray out;
    int size = 0;
    const RepeatEntry *table = repeatTable(size);
    int i = size - 1;
    while (i >= 0 && n > 0) {
        if (n >= table[i].count) {
            out += table[i].letter;
            n -= table[i].count;
        } else {
            --i;
        }
    }
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
        const int run = int(j - i);
        if (run >= 2) {
            // A run of 2 or more never takes more letters than characters.
            const QByteArray letters = vdxZplRepeatCount(run);
            std::memcpy(o, letters.constData(), size_t(letters.size()));
            o += letters.size();
        }
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
    const char *eol = breakLines ? "\r\n" : "";
    const int bpr = b.sentBytesPerRow();
    const qint64 total = qint64(bpr) * b.height;
    out += eol;
    out += "^GFA,";
    out += QByteArray::number(total);
    out += ',';
    out += QByteArray::number(total);
    out += ',';
    out += QByteArray::number(bpr);
    out += ',';
    out += eol;
    QByteArray prev;
    for (int y = 0; y < b.height; ++y) {
        QByteArray text = vdxZplRowText(b.row(y), bpr);
        if (y > 0 && text == prev) {
            out += ':';
        } else {
            out += vdxCompressZplRow(text);
            prev = std::move(text);
        }
        out += eol;
    }
    out += "^FS";
    out += eol;
}
