#include "barcode/vdxBarcodeDataMatrix.h"

#include "barcode/vdxBarcode.h"
#include "platform/CodePage.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace {

struct SizeInfo {
    int rows, cols;         // symbol
    int regionRows, regionCols; // one data region, without its finder edges
    int data;               // data codewords
    int dataPerBlock, eccPerBlock;
};

// Indexed by DatamatrixSymbolSize - 1; in order of capacity.
const SizeInfo Sizes[30] = {
    {10, 10, 8, 8, 3, 3, 5},          {12, 12, 10, 10, 5, 5, 7},      {8, 18, 6, 16, 5, 5, 7},
    {14, 14, 12, 12, 8, 8, 10},       {8, 32, 6, 14, 10, 10, 11},     {16, 16, 14, 14, 12, 12, 12},
    {12, 26, 10, 24, 16, 16, 14},     {18, 18, 16, 16, 18, 18, 14},   {20, 20, 18, 18, 22, 22, 18},
    {12, 36, 10, 16, 22, 22, 18},     {22, 22, 20, 20, 30, 30, 20},   {16, 36, 14, 16, 32, 32, 24},
    {24, 24, 22, 22, 36, 36, 24},     {26, 26, 24, 24, 44, 44, 28},   {16, 48, 14, 22, 49, 49, 28},
    {32, 32, 14, 14, 62, 62, 36},     {36, 36, 16, 16, 86, 86, 42},   {40, 40, 18, 18, 114, 114, 48},
    {44, 44, 20, 20, 144, 144, 56},   {48, 48, 22, 22, 174, 174, 68}, {52, 52, 24, 24, 204, 102, 42},
    {64, 64, 14, 14, 280, 140, 56},   {72, 72, 16, 16, 368, 92, 36},  {80, 80, 18, 18, 456, 114, 48},
    {88, 88, 20, 20, 576, 144, 56},   {96, 96, 22, 22, 696, 174, 68}, {104, 104, 24, 24, 816, 136, 56},
    {120, 120, 18, 18, 1050, 175, 68}, {132, 132, 20, 20, 1304, 163, 62}, {144, 144, 22, 22, 1558, 156, 62},
};
const int MaxData = 1558;

const SizeInfo &sizeOf(DatamatrixSymbolSize s) { return Sizes[int(s) - 1]; }

struct EncodeError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// GF(256) over x^8+x^5+x^3+x^2+1 and the generator polynomials of the
// block sizes in use.
struct Field {
    int exp[512];
    int log[256];
    std::array<std::vector<int>, 69> gen;
    Field()
    {
        int v = 1;
        for (int i = 0; i < 255; ++i) {
            exp[i] = exp[i + 255] = v;
            log[v] = i;
            v <<= 1;
            if (v & 0x100)
                v ^= 0x12D;
        }
        exp[510] = exp[0];
        exp[511] = exp[1];
        log[0] = 0;
        for (int n : {5, 7, 10, 11, 12, 14, 18, 20, 24, 28, 36, 42, 48, 56, 62, 68}) {
            std::vector<int> g{1}; // leading coefficient first
            for (int i = 1; i <= n; ++i) {
                std::vector<int> next(g.size() + 1, 0);
                for (std::size_t k = 0; k < g.size(); ++k) {
                    next[k] ^= g[k];
                    next[k + 1] ^= mul(g[k], exp[i]);
                }
                g = next;
            }
            gen[std::size_t(n)] = g;
        }
    }
    int mul(int a, int b) const { return a && b ? exp[log[a] + log[b]] : 0; }
};

const Field &field()
{
    static const Field f;
    return f;
}

bool isDigit(int b) { return b >= '0' && b <= '9'; }

// One byte as ASCII codewords, no digit pairs.
void asciiSingle(std::vector<std::uint8_t> &out, int b)
{
    if (b >= 128) {
        out.push_back(235);
        b -= 128;
    }
    out.push_back(std::uint8_t(b + 1));
}

void asciiRun(const QByteArray &bytes, int from, int to, std::vector<std::uint8_t> &out)
{
    for (int i = from; i < to;) {
        const int b = (unsigned char)bytes[i];
        if (i + 1 < to && isDigit(b) && isDigit((unsigned char)bytes[i + 1])) {
            out.push_back(std::uint8_t(130 + (b - '0') * 10 + (bytes[i + 1] - '0')));
            i += 2;
        } else {
            asciiSingle(out, b);
            ++i;
        }
    }
}

// C40 and Text values of one byte.
void c40Values(int b, bool text, std::vector<int> &v)
{
    if (b >= 128) {
        v.insert(v.end(), {1, 30});
        b -= 128;
    }
    auto lower = [](int c) { return c >= 'a' && c <= 'z'; };
    auto upper = [](int c) { return c >= 'A' && c <= 'Z'; };
    if (b == ' ')
        v.push_back(3);
    else if (isDigit(b))
        v.push_back(b - '0' + 4);
    else if (!text && upper(b))
        v.push_back(b - 'A' + 14);
    else if (text && lower(b))
        v.push_back(b - 'a' + 14);
    else if (b < 32)
        v.insert(v.end(), {0, b});
    else if (b <= 47)
        v.insert(v.end(), {1, b - 33});
    else if (b <= 64)
        v.insert(v.end(), {1, b - 58 + 15});
    else if (b >= 91 && b <= 95)
        v.insert(v.end(), {1, b - 91 + 22});
    else if (b == 96)
        v.insert(v.end(), {2, 0});
    else if (text && upper(b))
        v.insert(v.end(), {2, b - 'A' + 1});
    else if (!text && lower(b))
        v.insert(v.end(), {2, b - 'a' + 1});
    else
        v.insert(v.end(), {2, b - 123 + 27});
}

void packTriples(const std::vector<int> &v, std::size_t count, std::vector<std::uint8_t> &out)
{
    for (std::size_t i = 0; i + 2 < count; i += 3) {
        const int x = 1600 * v[i] + 40 * v[i + 1] + v[i + 2] + 1;
        out.push_back(std::uint8_t(x / 256));
        out.push_back(std::uint8_t(x % 256));
    }
}

int x12Value(int b)
{
    if (b == 13)
        return 0;
    if (b == '*')
        return 1;
    if (b == '>')
        return 2;
    if (b == ' ')
        return 3;
    if (isDigit(b))
        return b - '0' + 4;
    if (b >= 'A' && b <= 'Z')
        return b - 'A' + 14;
    return -1;
}

} // namespace

TvdxBarcodeDataMatrix::TvdxBarcodeDataMatrix()
{
    m_pixelWidth = m_pixelHeight = 4;
    m_quietZone = 0;
    encode();
}

int TvdxBarcodeDataMatrix::DataCodewords() const { return sizeOf(m_usedSize).data; }

void TvdxBarcodeDataMatrix::SetText(const QString &value)
{
    if (value == m_text)
        return;
    m_text = value;
    encode();
}

void TvdxBarcodeDataMatrix::Assign(const TvdxBarcode2DBase &source)
{
    TvdxBarcode2DBase::Assign(source);
    if (auto *s = dynamic_cast<const TvdxBarcodeDataMatrix *>(&source); s && s != this) {
        m_symbolSize = s->m_symbolSize;
        m_encoding = s->m_encoding;
        m_codePage = s->m_codePage;
        m_gs1Rule = s->m_gs1Rule;
    }
    // The copied text is encoded at once, so that symbol and text agree.
    encode();
}

void TvdxBarcodeDataMatrix::SetSymbolSize(DatamatrixSymbolSize value)
{
    m_symbolSize = value;
    encode();
}

void TvdxBarcodeDataMatrix::SetEncoding(DatamatrixEncoding value)
{
    m_encoding = value;
    encode();
}

void TvdxBarcodeDataMatrix::SetCodePage(int value)
{
    m_codePage = value;
    encode();
}

void TvdxBarcodeDataMatrix::SetGS1Rule(bool value)
{
    if (value != m_gs1Rule) {
        m_gs1Rule = value;
        encode();
    }
}

QByteArray TvdxBarcodeDataMatrix::PreparedBytes(bool *gs1Failed) const
{
    QByteArray b;
    if (m_codePage == CP_UTF8)
        b = m_text.toUtf8();
    else {
        bool ok = true;
        b = m_codePage == 0 ? EncodeAnsi(m_text) : EncodeCodePage(m_text, m_codePage, &ok);
        if (!ok)
            b = EncodeAnsi(m_text); // a code page unknown here: the ANSI one
    }
    if (gs1Failed)
        *gs1Failed = false;
    if (m_gs1Rule) {
        const QByteArray g = TvdxBarcode::ConvertGS1(b);
        if (g.isEmpty() && !b.isEmpty() && gs1Failed)
            *gs1Failed = true;
        b = g;
    }
    if (b.startsWith("&1;"))
        b = char(232) + b.mid(3);
    b.replace("&1;", "\x1d");
    return b;
}

bool TvdxBarcodeDataMatrix::encodeScheme(DatamatrixEncoding scheme, const QByteArray &bytes, int from, int capacity,
                                         std::vector<std::uint8_t> &out, bool &endsAscii, int &edifactTail) const
{
    out.clear();
    edifactTail = -1;
    const int n = int(bytes.size());
    auto byteAt = [&](int i) { return int((unsigned char)bytes[i]); };
    switch (scheme) {
    case DatamatrixEncoding::Auto:
    case DatamatrixEncoding::Ascii:
        asciiRun(bytes, from, n, out);
        endsAscii = true;
        break;
    case DatamatrixEncoding::C40:
    case DatamatrixEncoding::Txt: {
        const bool text = scheme == DatamatrixEncoding::Txt;
        out.push_back(text ? 239 : 230);
        std::vector<int> v;
        std::size_t whole = 0; // values up to the last complete triple
        int wholeEnd = from;   // input consumed by them
        for (int i = from; i < n; ++i) {
            c40Values(byteAt(i), text, v);
            if (v.size() % 3 == 0) {
                whole = v.size();
                wholeEnd = i + 1;
            }
        }
        if (int(whole / 3) * 2 > capacity - 1)
            return false;
        packTriples(v, whole, out);
        if (wholeEnd < n) {
            out.push_back(254);
            asciiRun(bytes, wholeEnd, n, out);
            endsAscii = true;
        } else
            endsAscii = false;
        break;
    }
    case DatamatrixEncoding::Base256: {
        const int len = n - from;
        if (len + (len < 250 ? 2 : 3) > capacity)
            return false;
        out.push_back(231);
        const int first = from > 0 ? from + 1 : 1; // 1-based position of the latch
        std::vector<int> raw;
        if (len < 250)
            raw.push_back(len);
        else
            raw.insert(raw.end(), {len / 250 + 249, len % 250});
        for (int i = from; i < n; ++i)
            raw.push_back(byteAt(i));
        for (std::size_t k = 0; k < raw.size(); ++k) {
            const int p = first + 1 + int(k);
            out.push_back(std::uint8_t((raw[k] + ((149 * p) % 255) + 1) % 256));
        }
        // The length ends the scheme: the reader is back in ASCII.
        endsAscii = true;
        break;
    }
    case DatamatrixEncoding::X12: {
        for (int i = from; i < n;) {
            if (x12Value(byteAt(i)) < 0) {
                asciiSingle(out, byteAt(i++));
                continue;
            }
            int j = i;
            while (j < n && x12Value(byteAt(j)) >= 0)
                ++j;
            const int run = j - i;
            const int packed = run < 6 ? 0 : run - run % 3;
            if (packed) {
                out.push_back(238);
                std::vector<int> v;
                for (int k = i; k < i + packed; ++k)
                    v.push_back(x12Value(byteAt(k)));
                packTriples(v, v.size(), out);
                out.push_back(254);
            }
            for (int k = i + packed; k < j; ++k)
                asciiSingle(out, byteAt(k));
            i = j;
        }
        endsAscii = true;
        break;
    }
    case DatamatrixEncoding::Edifact: {
        auto isEdifact = [](int b) { return b >= 32 && b <= 94; };
        for (int i = from; i < n;) {
            if (!isEdifact(byteAt(i))) {
                asciiSingle(out, byteAt(i++));
                edifactTail = -1;
                continue;
            }
            out.push_back(240);
            std::vector<int> v;
            while (i < n && isEdifact(byteAt(i)))
                v.push_back(byteAt(i++) % 64);
            v.push_back(31); // unlatch
            for (std::size_t g = 0; g < v.size(); g += 4) {
                edifactTail = int(out.size());
                const std::size_t k = std::min<std::size_t>(4, v.size() - g);
                std::uint32_t bits = 0;
                for (std::size_t q = 0; q < 4; ++q)
                    bits = (bits << 6) | std::uint32_t(q < k ? v[g + q] : 0);
                const std::size_t bytesOut = (6 * k + 7) / 8;
                for (std::size_t q = 0; q < bytesOut; ++q)
                    out.push_back(std::uint8_t(bits >> (16 - 8 * q)));
            }
        }
        // The unlatch ends the scheme: the reader is back in ASCII.
        endsAscii = true;
        break;
    }
    }
    return int(out.size()) <= capacity;
}

bool TvdxBarcodeDataMatrix::encodeBest(const QByteArray &bytes, int from, int capacity, std::vector<std::uint8_t> &out,
                                       bool &endsAscii, int &edifactTail) const
{
    if (m_encoding != DatamatrixEncoding::Auto)
        return encodeScheme(m_encoding, bytes, from, capacity, out, endsAscii, edifactTail);
    using E = DatamatrixEncoding;
    bool found = false;
    std::vector<std::uint8_t> trial;
    for (E e : {E::Ascii, E::Txt, E::C40, E::Base256, E::X12, E::Edifact}) {
        bool ascii = true;
        int tail = -1;
        if (encodeScheme(e, bytes, from, capacity, trial, ascii, tail) && (!found || trial.size() < out.size())) {
            out = trial;
            endsAscii = ascii;
            edifactTail = tail;
            found = true;
        }
    }
    return found;
}

void TvdxBarcodeDataMatrix::encode()
{
    m_errorText.clear();
    m_codewords.clear();
    m_usedSize = DatamatrixSymbolSize::Size10x10;
    try {
        bool gs1Failed = false;
        const QByteArray bytes = PreparedBytes(&gs1Failed);
        if (gs1Failed)
            m_errorText = QStringLiteral("The text is not a valid GS1 element string.");
        const int fnc1 = !bytes.isEmpty() && (unsigned char)bytes[0] == 232 ? 1 : 0;
        std::vector<std::uint8_t> body;
        bool endsAscii = true;
        int tail = -1;
        // Readers take an EDIFACT group that starts two or fewer codewords
        // before the end of the symbol as ASCII: such a last group needs room.
        auto fits = [&](const SizeInfo &z) {
            return z.data >= int(body.size()) + fnc1 && (tail < 0 || z.data - (tail + fnc1) > 2);
        };
        if (!encodeBest(bytes, fnc1, MaxData - fnc1, body, endsAscii, tail))
            throw EncodeError("The text is too big.");
        if (m_symbolSize == DatamatrixSymbolSize::AutoSize) {
            int s = 1;
            while (s <= 30 && !fits(Sizes[s - 1]))
                ++s;
            if (s > 30)
                throw EncodeError("The text is too big.");
            m_usedSize = DatamatrixSymbolSize(s);
        } else {
            m_usedSize = m_symbolSize;
            if (!encodeBest(bytes, fnc1, sizeOf(m_usedSize).data - fnc1, body, endsAscii, tail) ||
                !fits(sizeOf(m_usedSize)))
                throw EncodeError(" The text is too big.");
        }
        m_isLastEncodingAscii = endsAscii;
        if (fnc1)
            m_codewords.push_back(232);
        m_codewords.insert(m_codewords.end(), body.begin(), body.end());
    } catch (const EncodeError &e) {
        m_errorText = QString::fromUtf8(e.what());
        m_codewords.clear();
    }
    const SizeInfo &z = sizeOf(m_usedSize);
    m_height = z.rows;
    m_width = z.cols;
    // Padding: an unlatch back to ASCII, then the randomized pad sequence.
    if (int(m_codewords.size()) < z.data && !m_isLastEncodingAscii && !m_codewords.empty() &&
        m_codewords.back() != 254)
        m_codewords.push_back(254);
    m_isLastEncodingAscii = true;
    for (bool first = true; int(m_codewords.size()) < z.data; first = false) {
        if (first)
            m_codewords.push_back(129);
        else {
            const int p = int(m_codewords.size()) + 1;
            int v = 129 + ((149 * p) % 253) + 1;
            if (v > 254)
                v -= 254;
            m_codewords.push_back(std::uint8_t(v));
        }
    }
    // Reed-Solomon, blocks interleaved.
    const Field &f = field();
    const int blocks = (z.data + 2) / z.dataPerBlock;
    const std::vector<int> &g = f.gen[std::size_t(z.eccPerBlock)];
    m_codewords.resize(std::size_t(z.data + blocks * z.eccPerBlock), 0);
    for (int k = 0; k < blocks; ++k) {
        std::vector<int> ecc(std::size_t(z.eccPerBlock), 0);
        for (int d = k; d < z.data; d += blocks) {
            const int m = m_codewords[std::size_t(d)] ^ ecc[0];
            for (int j = 0; j + 1 < z.eccPerBlock; ++j)
                ecc[std::size_t(j)] = ecc[std::size_t(j + 1)] ^ f.mul(m, g[std::size_t(j + 1)]);
            ecc.back() = f.mul(m, g[std::size_t(z.eccPerBlock)]);
        }
        // Readers expect the check codewords of 144x144 turned by two blocks.
        const int slot = z.rows == 144 ? (k + 2) % blocks : k;
        for (int j = 0; j < z.eccPerBlock; ++j)
            m_codewords[std::size_t(z.data + slot + j * blocks)] = std::uint8_t(ecc[std::size_t(j)]);
    }
    const int vRegions = z.rows / (z.regionRows + 2), hRegions = z.cols / (z.regionCols + 2);
    place(vRegions * z.regionRows, hRegions * z.regionCols);
    draw();
}

void TvdxBarcodeDataMatrix::place(int nrow, int ncol)
{
    m_place.assign(std::size_t(nrow) * std::size_t(ncol), 0);
    auto at = [&](int r, int c) -> int & { return m_place[std::size_t(r) * std::size_t(ncol) + std::size_t(c)]; };
    auto module = [&](int r, int c, int chr, int bit) {
        if (r < 0) {
            r += nrow;
            c += 4 - ((nrow + 4) % 8);
        }
        if (c < 0) {
            c += ncol;
            r += 4 - ((ncol + 4) % 8);
        }
        at(r, c) = 8 * chr + bit - 1;
    };
    auto utah = [&](int r, int c, int chr) {
        module(r - 2, c - 2, chr, 1);
        module(r - 2, c - 1, chr, 2);
        module(r - 1, c - 2, chr, 3);
        module(r - 1, c - 1, chr, 4);
        module(r - 1, c, chr, 5);
        module(r, c - 2, chr, 6);
        module(r, c - 1, chr, 7);
        module(r, c, chr, 8);
    };
    using Cell = std::array<int, 2>;
    auto corner = [&](const std::array<Cell, 8> &cells, int chr) {
        for (int i = 0; i < 8; ++i)
            module(cells[std::size_t(i)][0], cells[std::size_t(i)][1], chr, i + 1);
    };
    const int R = nrow, C = ncol;
    int chr = 1, row = 4, col = 0;
    do {
        if (row == R && col == 0)
            corner({Cell{R - 1, 0}, {R - 1, 1}, {R - 1, 2}, {0, C - 2}, {0, C - 1}, {1, C - 1}, {2, C - 1}, {3, C - 1}},
                   chr++);
        if (row == R - 2 && col == 0 && C % 4)
            corner({Cell{R - 3, 0}, {R - 2, 0}, {R - 1, 0}, {0, C - 4}, {0, C - 3}, {0, C - 2}, {0, C - 1}, {1, C - 1}},
                   chr++);
        if (row == R - 2 && col == 0 && C % 8 == 4)
            corner({Cell{R - 3, 0}, {R - 2, 0}, {R - 1, 0}, {0, C - 2}, {0, C - 1}, {1, C - 1}, {2, C - 1}, {3, C - 1}},
                   chr++);
        if (row == R + 4 && col == 2 && C % 8 == 0)
            corner({Cell{R - 1, 0}, {R - 1, C - 1}, {0, C - 3}, {0, C - 2}, {0, C - 1}, {1, C - 3}, {1, C - 2}, {1, C - 1}},
                   chr++);
        do {
            if (row < R && col >= 0 && !at(row, col))
                utah(row, col, chr++);
            row -= 2;
            col += 2;
        } while (row >= 0 && col < C);
        row += 1;
        col += 3;
        do {
            if (row >= 0 && col < C && !at(row, col))
                utah(row, col, chr++);
            row += 2;
            col -= 2;
        } while (row < R && col >= 0);
        row += 3;
        col += 1;
    } while (row < R || col < C);
    if (!at(R - 1, C - 1))
        at(R - 1, C - 1) = at(R - 2, C - 2) = 1;
}

void TvdxBarcodeDataMatrix::draw()
{
    const SizeInfo &z = sizeOf(m_usedSize);
    m_arrOB.SetSize(z.cols, z.rows);
    const int rh = z.regionRows + 2, cw = z.regionCols + 2;
    for (int y0 = 0; y0 < z.rows; y0 += rh)
        for (int x0 = 0; x0 < z.cols; x0 += cw) {
            for (int y = 0; y < rh; ++y) {
                m_arrOB.Set(x0, y0 + y, true);
                m_arrOB.Set(x0 + cw - 1, y0 + y, y % 2 == 1);
            }
            for (int x = 0; x < cw; ++x) {
                m_arrOB.Set(x0 + x, y0 + rh - 1, true);
                m_arrOB.Set(x0 + x, y0, x % 2 == 0);
            }
        }
    const int nrow = (z.rows / rh) * z.regionRows, ncol = (z.cols / cw) * z.regionCols;
    for (int r = 0; r < nrow; ++r)
        for (int c = 0; c < ncol; ++c) {
            const int v = m_place[std::size_t(r) * std::size_t(ncol) + std::size_t(c)];
            bool dark = v == 1;
            if (v >= 8) {
                const std::size_t index = std::size_t(v / 8 - 1);
                dark = index < m_codewords.size() && (m_codewords[index] >> (7 - v % 8)) & 1;
            }
            if (dark)
                m_arrOB.Set(c + 1 + 2 * (c / z.regionCols), r + 1 + 2 * (r / z.regionRows), true);
        }
    T2DBooleanArrayToVectorPrimitives(m_arrOB, m_width, m_height, 0);
}
