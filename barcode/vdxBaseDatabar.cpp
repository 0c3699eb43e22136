#include "barcode/vdxBaseDatabar.h"

#include "platform/Exception.h"

#include <algorithm>

namespace {

[[noreturn]] void fail(const char *message) { throw Exception(QString::fromLatin1(message)); }

// Character groups of the standard: value offset, even combinations,
// modules and widest element of the odd and even halves.
const int kGSum[5] = {0, 348, 1388, 2948, 3988};
const int kTEven[5] = {4, 20, 52, 104, 204};
const int kModulesOdd[5] = {12, 10, 8, 6, 4};
const int kModulesEven[5] = {5, 7, 9, 11, 13};
const int kWidestOdd[5] = {7, 5, 4, 3, 1};
const int kWidestEven[5] = {2, 4, 5, 6, 8};

// Finder patterns A to F as read left to right in their first form.
const int kFinder[6][5] = {{1, 8, 4, 1, 1}, {3, 6, 4, 1, 1}, {3, 4, 6, 1, 1},
                           {3, 2, 8, 1, 1}, {2, 6, 5, 1, 1}, {2, 2, 9, 1, 1}};
// Finder sequences by pair count (2 to 11): A = 0 ... F = 5.
const std::vector<std::vector<int>> kSequences = {
    {0, 0},
    {0, 1, 1},
    {0, 2, 1, 3},
    {0, 4, 1, 3, 2},
    {0, 4, 1, 3, 3, 5},
    {0, 4, 1, 3, 4, 5, 5},
    {0, 0, 1, 1, 2, 2, 3, 3},
    {0, 0, 1, 1, 2, 2, 3, 4, 4},
    {0, 0, 1, 1, 2, 2, 3, 4, 5, 5},
    {0, 0, 1, 1, 2, 3, 3, 4, 4, 5, 5},
};

int combins(int n, int r)
{
    int maxDenom, minDenom;
    if (n - r > r) {
        minDenom = r;
        maxDenom = n - r;
    } else {
        minDenom = n - r;
        maxDenom = r;
    }
    long long val = 1;
    int j = 1;
    for (int i = n; i > maxDenom; --i) {
        val *= i;
        if (j <= minDenom) {
            val /= j;
            ++j;
        }
    }
    for (; j <= minDenom; ++j)
        val /= j;
    return int(val);
}

// Element widths of one half character (the standard's getRSSwidths).
std::vector<int> rssWidths(int val, int n, int elements, int maxWidth, bool noNarrow)
{
    std::vector<int> widths(size_t(elements), 0);
    int narrowMask = 0;
    int bar = 0;
    for (; bar < elements - 1; ++bar) {
        int elmWidth = 1, subVal = 0;
        for (narrowMask |= 1 << bar;; ++elmWidth, narrowMask &= ~(1 << bar)) {
            subVal = combins(n - elmWidth - 1, elements - bar - 2);
            if (!noNarrow && !narrowMask && n - elmWidth - (elements - bar - 1) >= elements - bar - 1)
                subVal -= combins(n - elmWidth - (elements - bar), elements - bar - 2);
            if (elements - bar - 1 > 1) {
                int lessVal = 0;
                for (int mxw = n - elmWidth - (elements - bar - 2); mxw > maxWidth; --mxw)
                    lessVal += combins(n - elmWidth - mxw - 1, elements - bar - 3);
                subVal -= lessVal * (elements - 1 - bar);
            } else if (n - elmWidth > maxWidth) {
                --subVal;
            }
            val -= subVal;
            if (val < 0 || elmWidth > n)
                break;
        }
        val += subVal;
        n -= elmWidth;
        widths[size_t(bar)] = elmWidth;
    }
    widths[size_t(bar)] = n;
    return widths;
}

// 3^k mod 211: the check-character weights, eight per row.
int weight(int row, int j)
{
    int w = 1;
    for (int k = 0; k < row * 8 + j; ++k)
        w = w * 3 % 211;
    return w;
}

int digitsValue(const QByteArray &s, int from, int count)
{
    int v = 0;
    for (int i = 0; i < count; ++i)
        v = v * 10 + (s.at(from + i) - '0');
    return v;
}

void appendBits(QString &bits, int value, int count)
{
    for (int i = count - 1; i >= 0; --i)
        bits += (value >> i) & 1 ? u'1' : u'0';
}

enum TClass { ANY, ALNUM_OR_ISO, ISO, NUMERIC, ALPHA };

} // namespace

QByteArray TBaseDatabar::Reduce(const QByteArray &source)
{
    const int n = int(source.size());
    for (int i = 0; i < n; ++i) {
        const quint8 c = quint8(source.at(i));
        if (c >= 128)
            fail("Extended ASCII characters are not supported by GS1");
        if (c < 32)
            fail("Control characters are not supported by GS1");
    }
    if (n == 0 || source.at(0) != '(')
        fail("Data does not start with an AI");

    int level = 0, maxLevel = 0, aiLength = 0, maxAi = 0, minAi = 5;
    bool inAi = false, nonNumeric = false, unbalanced = false;
    for (int i = 0; i < n; ++i) {
        const char c = source.at(i);
        if (c == '(') {
            ++level;
            inAi = true;
            aiLength = 0;
        } else if (c == ')') {
            --level;
            if (level < 0)
                unbalanced = true; // a closing bracket without an opening one
            if (inAi)
                minAi = std::min(minAi, aiLength);
            inAi = false;
        } else if (inAi) {
            ++aiLength;
            maxAi = std::max(maxAi, aiLength);
            if (c < '0' || c > '9')
                nonNumeric = true;
        }
        maxLevel = std::max(maxLevel, level);
    }
    if (level != 0 || unbalanced)
        fail("Malformed AI in input data (brackets don\\'t match)");
    if (maxLevel > 1)
        fail("Found nested brackets in input data");
    if (maxAi > 4)
        fail("Invalid AI in input data (AI too long)");
    if (minAi < 2)
        fail("Invalid AI in input data (AI too short)");
    if (nonNumeric)
        fail("Invalid AI in input data (non-numeric characters in AI)");

    struct Element {
        int ai;
        QByteArray aiText;
        QByteArray data;
    };
    std::vector<Element> list;
    for (int i = 0; i < n;) {
        const int close = int(source.indexOf(')', i));
        const QByteArray ai = source.mid(i + 1, close - i - 1);
        int next = int(source.indexOf('(', close));
        if (next < 0)
            next = n;
        list.push_back({ai.toInt(), ai, source.mid(close + 1, next - close - 1)});
        i = next;
    }
    for (const Element &e : list)
        if (e.data.isEmpty())
            fail("Empty data field in input data");

    int error = 0;
    for (const Element &e : list) {
        const int v = e.ai;
        const int len = int(e.data.size());
        auto need = [&](int length) {
            if (len != length)
                error = 1;
        };
        if (v == 0)
            need(18);
        else if (v >= 1 && v <= 3)
            need(14);
        else if (v == 4)
            need(16);
        else if (v >= 11 && v <= 19)
            need(6);
        else if (v == 20)
            need(2);
        else if (v >= 3100 && v <= 3699)
            need(6);
        else if (v >= 410 && v <= 415)
            need(13);
        const bool invalid = v == 23 || v == 24 || v == 25 || (v >= 31 && v <= 36) || v == 39 || v == 40 ||
                             v == 41 || v == 42 || v == 70 || v == 80 || v == 81 || (v >= 100 && v <= 179) ||
                             (v >= 200 && v <= 229) || (v >= 300 && v <= 379) || (v >= 700 && v <= 703) ||
                             (v >= 800 && v <= 810) || (v >= 900 && v <= 999) || (v >= 1000 && v <= 1799) ||
                             (v >= 2000 && v <= 2299) || (v >= 3000 && v <= 3099) || (v >= 3700 && v <= 3799) ||
                             (v >= 4100 && v <= 4199) || (v >= 9000 && v <= 9999);
        if (invalid)
            error = 2;
    }
    if (error == 1)
        fail("Invalid data _length for AI");
    if (error == 2)
        fail("Invalid AI value");

    QByteArray reduced;
    bool predefined = true;
    for (const Element &e : list) {
        if (!predefined)
            reduced += '(';
        // Judged by the identifier's first two digits.
        const int first = e.aiText.left(2).toInt();
        predefined = (first >= 0 && first <= 4) || (first >= 11 && first <= 20) || first == 23 ||
                     (first >= 31 && first <= 36) || first == 41;
        reduced += e.aiText;
        reduced += e.data;
    }
    return reduced;
}

std::vector<int> TBaseDatabar::CharacterWidths(int value)
{
    int group = 0;
    while (group < 4 && value >= kGSum[group + 1])
        ++group;
    const int vOdd = (value - kGSum[group]) / kTEven[group];
    const int vEven = (value - kGSum[group]) % kTEven[group];
    const std::vector<int> odd = rssWidths(vOdd, kModulesOdd[group], 4, kWidestOdd[group], false);
    const std::vector<int> even = rssWidths(vEven, kModulesEven[group], 4, kWidestEven[group], true);
    std::vector<int> w(8);
    for (int i = 0; i < 4; ++i) {
        w[size_t(2 * i)] = odd[size_t(i)];
        w[size_t(2 * i + 1)] = even[size_t(i)];
    }
    return w;
}

TBaseDatabar::TBaseDatabar(const QString &text, int columns)
{
    QByteArray source;
    for (const QChar c : QString::fromUtf8(text.toUtf8())) {
        const char b = char(c.unicode() & 0xFF);
        if (b == 0)
            break;
        source.append(b);
    }
    buildBinary(Reduce(source));
    buildElements();
    if (columns > 0)
        buildStacked(columns);
}

void TBaseDatabar::buildBinary(const QByteArray &s)
{
    const int len = int(s.size());
    auto at = [&](int i) { return i < len ? s.at(i) : '\0'; };
    int method = 2;
    int read = 0;
    if (len > 15 && s.startsWith("01")) {
        method = 1;
        read = 16;
    }
    if (method == 1 && len >= 20 && at(2) == '9' && at(16) == '3') {
        const bool sixDigits = len >= 26 && at(20) == '0';
        const bool date = len == 34 && at(26) == '1' &&
                          (at(27) == '1' || at(27) == '3' || at(27) == '5' || at(27) == '7');
        const int dateStep = date ? (at(27) - '1') : 0; // 0, 2, 4, 6
        if (at(17) == '1' && at(18) == '0' && sixDigits) {
            if (len == 26) {
                const float w = float(digitsValue(s, 20, 6) / 1000.0);
                method = (at(19) == '3' && double(w) <= 32.767) ? 3 : 7;
            } else if (date) {
                method = 7 + dateStep;
            }
        } else if (at(17) == '2' && at(18) == '0' && sixDigits) {
            if (len == 26) {
                const float w3 = float(digitsValue(s, 20, 6) / 1000.0);
                const float w2 = float(digitsValue(s, 20, 6) / 100.0);
                method = ((at(19) == '3' && double(w3) <= 22.767) || (at(19) == '2' && double(w2) <= 99.99)) ? 4 : 8;
            } else if (date) {
                method = 8 + dateStep;
            }
        } else if (at(17) == '9' && (at(18) == '2' || at(18) == '3') && at(19) >= '0' && at(19) <= '3') {
            method = at(18) == '2' ? 5 : 6;
        }
    }
    static const char *const kMethodBits[] = {"",        "1XX",     "00XX",    "0100",    "0101",
                                              "01100XX", "01101XX", "0111000", "0111001", "0111010",
                                              "0111011", "0111100", "0111101", "0111110", "0111111"};
    m_method = QString::fromLatin1(kMethodBits[method]);
    if (method == 3 || method == 4 || method >= 7)
        read = len;
    else if (method == 5)
        read = 20;
    else if (method == 6)
        read = 23;
    for (int i = 0; i < read; ++i)
        if (!((s.at(i) >= '0' && s.at(i) <= '9') || s.at(i) == '('))
            fail("Error in ParseGS1 01");

    QString bits = QStringLiteral("0") + m_method;
    const int xx = int(bits.indexOf(u'X'));
    if (method == 1)
        appendBits(bits, at(2) - '0', 4);
    if (method != 2)
        for (int g = 0; g < 4; ++g)
            appendBits(bits, digitsValue(s, 3 + 3 * g, 3), 10);
    if (method == 3)
        appendBits(bits, digitsValue(s, 20, 6), 15);
    else if (method == 4)
        appendBits(bits, digitsValue(s, 20, 6) + (at(19) == '3' ? 10000 : 0), 15);
    else if (method == 5 || method == 6) {
        appendBits(bits, at(19) - '0', 2);
        if (method == 6)
            appendBits(bits, digitsValue(s, 20, 3), 10);
    } else if (method >= 7) {
        appendBits(bits, (at(19) - '0') * 100000 + digitsValue(s, 21, 5), 20);
        appendBits(bits, len == 34 ? digitsValue(s, 28, 2) * 384 + (digitsValue(s, 30, 2) - 1) * 32 +
                                         digitsValue(s, 32, 2)
                                   : 38400,
                   16);
    }

    // The general-purpose field.
    const QByteArray field = s.mid(read);
    const int n = int(field.size());
    std::vector<int> type(static_cast<size_t>(n), 0);
    for (int i = 0; i < n; ++i) {
        const char c = field.at(i);
        if (c < 32 || c > 122 || c == '#' || c == '$' || c == '@' || c == '\\' || c == '^' || c == '`' ||
            c == '[' || c == ']' || c == ')')
            fail("Error in ParseGS1 02");
        if ((c >= '0' && c <= '9') || c == '(')
            type[size_t(i)] = ANY;
        else if ((c >= 'A' && c <= 'Z') || c == '*' || c == ',' || c == '-' || c == '.' || c == '/')
            type[size_t(i)] = ALNUM_OR_ISO;
        else
            type[size_t(i)] = ISO;
    }
    for (int i = 1; i < n; ++i)
        if (field.at(i) == '(' && (type[size_t(i - 1)] == ISO || type[size_t(i - 1)] == ALNUM_OR_ISO))
            type[size_t(i)] = type[size_t(i - 1)];

    bool oddLast = false;
    if (n > 0) {
        struct Block {
            int size;
            int cls;
        };
        std::vector<Block> blocks;
        for (int i = 0; i < n; ++i) {
            if (!blocks.empty() && blocks.back().cls == type[size_t(i)])
                ++blocks.back().size;
            else
                blocks.push_back({1, type[size_t(i)]});
        }
        const int count = int(blocks.size());
        for (int i = 0; i < count; ++i) {
            const int current = blocks[size_t(i)].cls;
            const bool last = i == count - 1;
            const int next = last ? -1 : blocks[size_t(i + 1)].cls;
            const int nextSize = last ? 0 : blocks[size_t(i + 1)].size;
            if (current == ISO && !last) {
                if (next == ANY)
                    blocks[size_t(i + 1)].cls = nextSize >= 4 ? NUMERIC : ISO;
                else if (next == ALNUM_OR_ISO)
                    blocks[size_t(i + 1)].cls = nextSize >= 5 ? ALPHA : ISO;
            }
            if (current == ALNUM_OR_ISO)
                blocks[size_t(i)].cls = ALPHA;
            if (current == ALPHA && !last && next == ANY) {
                if (nextSize >= 6 || (i == count - 2 && nextSize >= 4))
                    blocks[size_t(i + 1)].cls = NUMERIC;
                else
                    blocks[size_t(i + 1)].cls = ALPHA;
            }
            if (current == ANY)
                blocks[size_t(i)].cls = NUMERIC;
        }
        std::vector<Block> merged;
        for (const Block &b : blocks) {
            if (!merged.empty() && merged.back().cls == b.cls)
                merged.back().size += b.size;
            else
                merged.push_back(b);
        }
        for (size_t i = 0; i + 1 < merged.size(); ++i)
            if (merged[i].cls == NUMERIC && merged[i].size % 2 == 1) {
                --merged[i].size;
                ++merged[i + 1].size;
            }
        int j = 0;
        for (const Block &b : merged)
            for (int k = 0; k < b.size; ++k)
                type[size_t(j++)] = b.cls;
        oddLast = merged.back().cls == NUMERIC && merged.back().size % 2 == 1;
    }

    auto digit = [&](int i) { return field.at(i) == '(' ? 10 : field.at(i) - '0'; };
    int lastMode = NUMERIC;
    int i = 0;
    while (i + (oddLast ? 1 : 0) < n) {
        const char c = field.at(i);
        if (type[size_t(i)] == NUMERIC) {
            if (lastMode != NUMERIC)
                bits += QStringLiteral("000");
            appendBits(bits, (11 * digit(i) + digit(i + 1) + 8) & 127, 7);
            i += 2;
            lastMode = NUMERIC;
            continue;
        }
        const bool alpha = type[size_t(i)] == ALPHA;
        if (alpha) {
            if (lastMode == NUMERIC)
                bits += QStringLiteral("0000");
            else if (lastMode == ISO)
                bits += QStringLiteral("00100");
        } else {
            if (lastMode == NUMERIC)
                bits += QStringLiteral("000000100");
            else if (lastMode == ALPHA)
                bits += QStringLiteral("00100");
        }
        lastMode = alpha ? ALPHA : ISO;
        if (c >= '0' && c <= '9')
            appendBits(bits, c - 43, 5);
        else if (c == '(') {
            bits += QStringLiteral("01111");
            lastMode = NUMERIC;
        } else if (c >= 'A' && c <= 'Z')
            appendBits(bits, alpha ? c - 33 : c - 1, alpha ? 6 : 7);
        else if (c >= 'a' && c <= 'z')
            appendBits(bits, c - 7, 7);
        else if (alpha) {
            static const char kAlpha[] = "*,-./";
            appendBits(bits, 58 + int(strchr(kAlpha, c) - kAlpha), 6);
        } else {
            static const char kIso[] = "!\"%&'()*+,-./:;<=>?_ ";
            appendBits(bits, 232 + int(strchr(kIso, c) - kIso), 8);
        }
        ++i;
    }

    auto room = [&] {
        const int size = int(bits.size());
        int r = 12 - size % 12;
        if (r == 12)
            r = 0;
        if (size < 36)
            r = 36 - size;
        return r;
    };
    if (oddLast) {
        const int r = room();
        if (lastMode == NUMERIC) {
            if (r >= 4 && r <= 6)
                appendBits(bits, digit(n - 1) + 1, 4);
            else
                appendBits(bits, 11 * digit(n - 1) + 10 + 8, 7);
        } else {
            appendBits(bits, field.at(n - 1) - 43, 5);
        }
    }
    if (bits.size() > 252)
        fail("Error in ParseGS1 03");
    int r = room();
    QString pad = n > 0 && lastMode == NUMERIC ? QStringLiteral("0000") : QString();
    while (pad.size() < r)
        pad += QStringLiteral("00100");
    bits += pad.left(r);

    if (xx >= 0) {
        bits[xx] = (bits.size() / 12) % 2 == 1 ? u'0' : u'1';
        bits[xx + 1] = bits.size() > 156 ? u'1' : u'0';
    }
    m_binary = bits;
}

void TBaseDatabar::buildElements()
{
    data_chars = int(m_binary.size()) / 12;
    std::vector<int> values(static_cast<size_t>(data_chars), 0);
    for (int i = 0; i < data_chars; ++i)
        values[size_t(i)] = m_binary.mid(12 * i, 12).toInt(nullptr, 2);
    std::vector<std::vector<int>> widths;
    for (int v : values)
        widths.push_back(CharacterWidths(v));

    const int pairs = (data_chars + 2) / 2;
    if (pairs < 2 || pairs > 11)
        fail("Error in ParseGS1 03");
    const std::vector<int> &sequence = kSequences[size_t(pairs - 2)];
    int checksum = 0;
    for (int i = 0; i < data_chars; ++i) {
        const int p = (i + 1) / 2;
        const bool left = (i + 1) % 2 == 0;
        const int row = 4 * sequence[size_t(p)] + (p % 2 == 0 ? 0 : 2) + (left ? 0 : 1) - 1;
        for (int j = 0; j < 8; ++j)
            checksum += widths[size_t(i)][size_t(j)] * weight(row, j);
    }
    const int check = 211 * (data_chars - 3) + checksum % 211;
    if (check > 4191)
        fail("Error in ParseGS1 505");
    const std::vector<int> checkWidths = CharacterWidths(check);

    m_pairs.clear();
    elements = {1, 1};
    for (int p = 0; p < pairs; ++p) {
        std::vector<int> e;
        const std::vector<int> &leftChar = p == 0 ? checkWidths : widths[size_t(2 * p - 1)];
        e.insert(e.end(), leftChar.begin(), leftChar.end());
        const int *f = kFinder[sequence[size_t(p)]];
        if (p % 2 == 0)
            e.insert(e.end(), f, f + 5);
        else
            e.insert(e.end(), std::make_reverse_iterator(f + 5), std::make_reverse_iterator(f));
        if (2 * p < data_chars) {
            const std::vector<int> &rightChar = widths[size_t(2 * p)];
            e.insert(e.end(), rightChar.rbegin(), rightChar.rend());
        }
        elements.insert(elements.end(), e.begin(), e.end());
        m_pairs.push_back(std::move(e));
    }
    elements.push_back(1);
    elements.push_back(1);
}

void TBaseDatabar::buildStacked(int columns)
{
    const int pairs = int(m_pairs.size());
    const int stackRows = (pairs + columns - 1) / columns;
    const int pp = pairs + (columns % 2 == 1 ? 1 : 0);
    rows = (stackRows - 1) * 4 + 1;
    symbol.assign(size_t(rows), std::vector<unsigned char>(size_t(columns) * 102, 0));
    row_height.assign(size_t(rows), 0);
    width = 0;
    std::vector<bool> ltrOfRow(size_t(stackRows + 1));
    std::vector<bool> specialOfRow(size_t(stackRows + 1));
    std::vector<int> readerOfRow(size_t(stackRows + 1));
    int block = 0;
    for (int r = 1; r <= stackRows; ++r) {
        const bool lastRow = r == stackRows;
        const int full = r * columns;
        const bool ltr = columns % 2 == 1 || r % 2 == 1 || (lastRow && full != pp && (full - pp) % 2 != 0);
        const bool special = lastRow && full != pp && ((r - 1) * columns - pp) % 2 != 0;
        std::vector<int> sub = {special ? 2 : 1, 1};
        int reader = 0;
        while (reader < columns && block < pairs) {
            if (ltr) {
                const std::vector<int> &e = m_pairs[size_t(block)];
                sub.insert(sub.end(), e.begin(), e.end());
            } else {
                int index = full - reader - 1;
                if (lastRow && full != pp)
                    index -= full - pp;
                index = std::clamp(index, 0, pairs - 1);
                const std::vector<int> &e = m_pairs[size_t(index)];
                sub.insert(sub.end(), e.rbegin(), e.rend());
            }
            ++reader;
            ++block;
        }
        sub.push_back(1);
        sub.push_back(1);
        const int y = (r - 1) * 4;
        bool dark = !(r % 2 == 1 || special);
        int x = 0;
        for (int w : sub) {
            for (int k = 0; k < w && x < int(symbol[size_t(y)].size()); ++k)
                symbol[size_t(y)][size_t(x++)] = dark ? 1 : 0;
            dark = !dark;
        }
        width = std::max(width, x);
        ltrOfRow[size_t(r)] = ltr;
        specialOfRow[size_t(r)] = special;
        readerOfRow[size_t(r)] = reader;
    }

    // Separator rows: the inverse of the neighbouring bar row, with the
    // finder areas alternating so that no two dark modules touch there.
    auto separator = [&](int sepRow, int barRow, int r, int offset) {
        const int rowWidth = int(symbol[size_t(barRow)].size());
        int end = 0;
        for (int x = 0; x < rowWidth; ++x)
            if (symbol[size_t(barRow)][size_t(x)])
                end = x + 1;
        end += 2; // the right guard's space
        for (int x = 4; x < end - 4; ++x)
            symbol[size_t(sepRow)][size_t(x)] = symbol[size_t(barRow)][size_t(x)] ? 0 : 1;
        for (int j = 0; j < readerOfRow[size_t(r)]; ++j) {
            const int k = 49 * j + offset;
            if (ltrOfRow[size_t(r)]) {
                for (int i = 0; i < 15; ++i) {
                    const int x = k + i;
                    if (x <= 0 || x >= rowWidth)
                        continue;
                    if (!symbol[size_t(barRow)][size_t(x)] && symbol[size_t(sepRow)][size_t(x - 1)])
                        symbol[size_t(sepRow)][size_t(x)] = 0;
                }
            } else {
                for (int i = 14; i >= 0; --i) {
                    const int x = k + i;
                    if (x < 0 || x + 1 >= rowWidth)
                        continue;
                    if (!symbol[size_t(barRow)][size_t(x)] && symbol[size_t(sepRow)][size_t(x + 1)])
                        symbol[size_t(sepRow)][size_t(x)] = 0;
                }
            }
        }
        row_height[size_t(sepRow)] = 1;
    };
    for (int r = 1; r <= stackRows; ++r) {
        const int y = (r - 1) * 4;
        if (r != 1) {
            for (int x = 5; x < 49 * columns && x < int(symbol[size_t(y - 2)].size()); x += 2)
                symbol[size_t(y - 2)][size_t(x)] = 1;
            row_height[size_t(y - 2)] = 1;
            separator(y - 1, y, r, specialOfRow[size_t(r)] ? 19 : 18);
        }
        if (r != stackRows)
            separator(y + 1, y, r, 18);
    }
}
