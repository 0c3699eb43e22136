#include "barcode/vdxBarcodeOneCode.h"

namespace {

// For character c (A..J) and bit b, the position of the bar element it sets:
// 1..65 the descender of bar n, 66..130 the ascender of bar n - 65.
const std::uint8_t BarElementOfCharBit[10][13] = {
    {67, 6, 78, 16, 86, 95, 34, 40, 45, 113, 117, 121, 62},
    {87, 18, 104, 41, 76, 57, 119, 115, 72, 97, 2, 127, 26},
    {105, 35, 122, 52, 114, 7, 24, 82, 68, 63, 94, 44, 77},
    {112, 70, 100, 39, 30, 107, 15, 125, 85, 10, 65, 54, 88},
    {20, 106, 46, 66, 8, 116, 29, 61, 99, 80, 90, 37, 123},
    {51, 25, 84, 129, 56, 4, 109, 96, 28, 36, 47, 11, 71},
    {33, 102, 21, 9, 17, 49, 124, 79, 64, 91, 42, 69, 53},
    {60, 14, 1, 27, 103, 126, 75, 89, 50, 120, 19, 32, 110},
    {92, 111, 130, 59, 31, 12, 81, 43, 55, 5, 74, 22, 101},
    {128, 58, 118, 48, 108, 38, 98, 93, 23, 83, 13, 73, 3},
};

int reverse13(int v)
{
    int r = 0;
    for (int i = 0; i < 13; ++i)
        if (v & (1 << i))
            r |= 1 << (12 - i);
    return r;
}

void buildTable(std::vector<std::int32_t> &table, int n, int length)
{
    table.assign(length, 0);
    int lower = 0, upper = length - 1;
    for (int i = 0; i < 8192; ++i) {
        if (__builtin_popcount(unsigned(i)) != n)
            continue;
        const int r = reverse13(i);
        if (r < i)
            continue;
        if (r == i) {
            table[upper--] = i;
        } else {
            table[lower++] = i;
            table[lower++] = r;
        }
    }
}

using u128 = unsigned __int128;

int crc11(const std::uint8_t bytes[13])
{
    const int poly = 0x0F35;
    int fcs = 0x07FF;
    int data = bytes[0] << 5;
    for (int bit = 2; bit < 8; ++bit) {
        fcs = ((fcs ^ data) & 0x400) ? (fcs << 1) ^ poly : fcs << 1;
        fcs &= 0x7FF;
        data <<= 1;
    }
    for (int i = 1; i < 13; ++i) {
        data = bytes[i] << 3;
        for (int bit = 0; bit < 8; ++bit) {
            fcs = ((fcs ^ data) & 0x400) ? (fcs << 1) ^ poly : fcs << 1;
            fcs &= 0x7FF;
            data <<= 1;
        }
    }
    return fcs;
}

} // namespace

TOneCode::TOneCode()
{
    buildTable(m_table5of13, 5, 1287);
    buildTable(m_table2of13, 2, 78);
}

void TOneCode::Bars(const QByteArray &source, QByteArray &result)
{
    result.clear();
    QByteArray s;
    for (char c : source)
        if (c != ' ' && c != '-' && c != '.')
            s += c;
    const qsizetype len = s.size();
    if (len != 20 && len != 25 && len != 29 && len != 31)
        return;
    for (char c : s)
        if (c < '0' || c > '9')
            return;
    if (s[1] > '4')
        return;

    u128 value = 0;
    const QByteArray routing = s.mid(20);
    for (char c : routing)
        value = value * 10 + u128(c - '0');
    if (routing.size() == 5)
        value += 1;
    else if (routing.size() == 9)
        value += 100001;
    else if (routing.size() == 11)
        value += 1000100001;
    value = value * 10 + u128(s[0] - '0');
    value = value * 5 + u128(s[1] - '0');
    for (int i = 2; i < 20; ++i)
        value = value * 10 + u128(s[i] - '0');

    std::uint8_t bytes[13];
    u128 v = value;
    for (int i = 12; i >= 0; --i) {
        bytes[i] = std::uint8_t(v & 0xFF);
        v >>= 8;
    }
    const int fcs = crc11(bytes);

    v = value;
    m_codewords[9] = std::int64_t(v % 636);
    v /= 636;
    for (int i = 8; i >= 1; --i) {
        m_codewords[i] = std::int64_t(v % 1365);
        v /= 1365;
    }
    m_codewords[0] = std::int64_t(v);
    m_codewords[9] *= 2;
    if (fcs & 0x400)
        m_codewords[0] += 659;

    for (int i = 0; i < 10; ++i) {
        const std::int64_t cw = m_codewords[i];
        std::int64_t ch;
        if (cw < 1287)
            ch = m_table5of13[size_t(cw)];
        else if (cw - 1287 < 78)
            ch = m_table2of13[size_t(cw - 1287)];
        else
            return; // cannot happen for accepted input
        if (fcs & (1 << i))
            ch = ~ch & 0x1FFF;
        m_characters[i] = ch;
    }

    bool element[131] = {};
    for (int c = 0; c < 10; ++c)
        for (int b = 0; b < 13; ++b)
            if (m_characters[c] & (1 << b))
                element[BarElementOfCharBit[c][b]] = true;
    result.resize(65);
    for (int bar = 1; bar <= 65; ++bar) {
        const bool desc = element[bar];
        const bool asc = element[bar + 65];
        result[bar - 1] = desc && asc ? 'F' : asc ? 'A' : desc ? 'D' : 'T';
    }
}
