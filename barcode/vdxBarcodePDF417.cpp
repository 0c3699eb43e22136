#include "barcode/vdxBarcodePDF417.h"

#include "platform/CodePage.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace vdxPdf417 {
extern const std::uint32_t Pdf417Patterns[3][929];
extern const int *const Pdf417Coefficients[9];
} // namespace vdxPdf417

namespace {

using namespace vdxPdf417;

const char StartPattern[] = "11111111010101000";
const char StopPattern[] = "111111101000101001";
const int MaxBytes = 5420;
const int LastPosition = 926;

// Failures of one encoding; the message becomes the error text.
struct EncodeError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void tooBig() { throw EncodeError("The text is too big."); }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isTextByte(unsigned char b) { return (b >= 32 && b <= 126) || b == 9 || b == 10 || b == 13; }

// Text compaction sub-modes and the value of a byte in each (-1: absent).
enum SubMode { Alpha, Lower, Mixed, Punct };

struct TextTable {
    signed char value[4][256];
    TextTable()
    {
        for (auto &m : value)
            std::fill(std::begin(m), std::end(m), -1);
        for (int c = 0; c < 26; ++c) {
            value[Alpha]['A' + c] = char(c);
            value[Lower]['a' + c] = char(c);
        }
        value[Alpha][' '] = value[Lower][' '] = value[Mixed][' '] = 26;
        const char mixed[] = "0123456789&\r\t,:#-.$/+%*=^";
        for (int i = 0; mixed[i]; ++i)
            value[Mixed][(unsigned char)mixed[i]] = char(i);
        const char punct[] = ";<>@[\\]_`~!\r\t,:\n-.$/\"|*()?{}'";
        for (int i = 0; punct[i]; ++i)
            value[Punct][(unsigned char)punct[i]] = char(i);
    }
    bool in(int mode, unsigned char b) const { return value[mode][b] >= 0; }
};

const TextTable &textTable()
{
    static const TextTable t;
    return t;
}

} // namespace

TvdxBarcodePDF417::TvdxBarcodePDF417()
{
    m_pixelWidth = 2;
    m_pixelHeight = 8;
    m_quietZone = 0;
    encode();
}

void TvdxBarcodePDF417::SetText(const QString &value)
{
    if (value == m_text)
        return;
    m_text = value;
    encode();
}

void TvdxBarcodePDF417::Assign(const TvdxBarcode2DBase &source)
{
    TvdxBarcode2DBase::Assign(source);
    auto *s = dynamic_cast<const TvdxBarcodePDF417 *>(&source);
    if (s && s != this) {
        m_aspectRatio = s->m_aspectRatio;
        m_columns = s->m_columns;
        m_rows = s->m_rows;
        m_codePage = s->m_codePage;
        m_compactionMode = s->m_compactionMode;
        m_errorCorrection = s->m_errorCorrection;
    }
    // The copied text is encoded at once, so that symbol and text agree.
    encode();
}

void TvdxBarcodePDF417::SetAspectRatio(double value)
{
    if (value != m_aspectRatio) {
        m_aspectRatio = value;
        encode();
    }
}

void TvdxBarcodePDF417::SetColumns(int value)
{
    if (value != m_columns) {
        m_columns = value;
        encode();
    }
}

void TvdxBarcodePDF417::SetRows(int value)
{
    if (value != m_rows) {
        m_rows = value;
        encode();
    }
}

void TvdxBarcodePDF417::SetErrorCorrection(PDF417ErrorCorrection value)
{
    if (value != m_errorCorrection) {
        m_errorCorrection = value;
        encode();
    }
}

void TvdxBarcodePDF417::SetCodePage(int value)
{
    if (value != m_codePage) {
        m_codePage = value;
        encode();
    }
}

void TvdxBarcodePDF417::SetCompactionMode(PDF417CompactionMode value)
{
    if (value != m_compactionMode) {
        m_compactionMode = value;
        encode();
    }
}

void TvdxBarcodePDF417::put(int codeword)
{
    if (m_cwPtr >= LastPosition + 1)
        tooBig();
    m_codewords[std::size_t(m_cwPtr++)] = codeword;
}

void TvdxBarcodePDF417::encode()
{
    if (m_codePage == CP_UTF8)
        m_bytes = m_text.toUtf8();
    else {
        bool ok = true;
        m_bytes = m_codePage == 0 ? EncodeAnsi(m_text) : EncodeCodePage(m_text, m_codePage, &ok);
        if (!ok)
            m_bytes = EncodeAnsi(m_text); // a code page unknown here: the ANSI one
    }
    m_codeColumns = m_columns;
    m_height = m_rows;
    std::fill(m_codewords.begin(), m_codewords.end(), 0);
    m_cwPtr = 1;
    m_errorText.clear();
    try {
        if (m_bytes.isEmpty())
            throw EncodeError("Text cannot be null.");
        if (m_bytes.size() > MaxBytes)
            tooBig();
        TSegmentList list;
        const int n = int(m_bytes.size());
        switch (m_compactionMode) {
        case PDF417CompactionMode::AutoCompaction: Segmentate(m_bytes, list); break;
        case PDF417CompactionMode::TextComp: list.Add('T', 0, n); break;
        case PDF417CompactionMode::Numeric:
            if (!std::all_of(m_bytes.begin(), m_bytes.end(), isDigit))
                throw EncodeError("Numeric compaction takes digits only.");
            list.Add('N', 0, n);
            break;
        case PDF417CompactionMode::Binary: list.Add('B', 0, n); break;
        }
        assemble(list);
    } catch (const EncodeError &e) {
        m_errorText = QString::fromUtf8(e.what());
    }
    m_codewords[0] = m_lenCodewords = m_cwPtr;
    chooseSizeAndPad();
    layout();
}

void TvdxBarcodePDF417::Segmentate(const QByteArray &bytes, TSegmentList &list)
{
    const int n = int(bytes.size());
    auto isText = [&](int i) { return isTextByte((unsigned char)bytes[i]); };
    auto split = [&](int a, int b) {
        while (a < b) {
            const bool text = isText(a);
            int e = a + 1;
            while (e < b && isText(e) == text)
                ++e;
            list.Add(text ? 'T' : 'B', a, e);
            a = e;
        }
    };
    int start = 0;
    for (int i = 0; i < n;) {
        if (!isDigit(bytes[i])) {
            ++i;
            continue;
        }
        int j = i;
        while (j < n && isDigit(bytes[j]))
            ++j;
        if (j - i >= 13) {
            split(start, i);
            list.Add('N', i, j);
            start = j;
        }
        i = j;
    }
    split(start, n);

    auto mergeInto = [&](int keep, int gone) {
        Segment *k = list.Get(keep), *g = list.Get(gone);
        k->_start = std::min(k->_start, g->_start);
        k->_end = std::max(k->_end, g->_end);
        list.Remove(gone);
    };
    // A lone byte between text runs joins them.
    for (bool changed = true; changed;) {
        changed = false;
        for (int i = 1; i + 1 < list.Size() && !changed; ++i) {
            Segment *p = list.Get(i - 1), *s = list.Get(i), *q = list.Get(i + 1);
            if (s->_type == 'B' && s->Length() == 1 && p->_type == 'T' && q->_type == 'T' &&
                p->Length() + q->Length() >= 3) {
                mergeInto(i - 1, i);
                mergeInto(i - 1, i);
                changed = true;
            }
        }
    }
    // Long text runs swallow short neighbours.
    for (bool changed = true; changed;) {
        changed = false;
        for (int i = 0; i < list.Size() && !changed; ++i) {
            Segment *s = list.Get(i);
            if (s->_type != 'T' || s->Length() < 5)
                continue;
            auto absorbable = [](const Segment *o) {
                return o && (o->_type == 'T' || (o->_type == 'B' && o->Length() == 1));
            };
            if (absorbable(list.Get(i - 1))) {
                mergeInto(i, i - 1);
                changed = true;
            } else if (absorbable(list.Get(i + 1))) {
                mergeInto(i, i + 1);
                changed = true;
            }
        }
    }
    // Byte runs swallow short text and other byte runs.
    for (bool changed = true; changed;) {
        changed = false;
        for (int i = 0; i < list.Size() && !changed; ++i) {
            Segment *s = list.Get(i);
            if (s->_type != 'B')
                continue;
            auto absorbable = [](const Segment *o) {
                return o && (o->_type == 'B' || (o->_type == 'T' && o->Length() < 5));
            };
            if (absorbable(list.Get(i - 1))) {
                mergeInto(i, i - 1);
                changed = true;
            } else if (absorbable(list.Get(i + 1))) {
                mergeInto(i, i + 1);
                changed = true;
            }
        }
    }
    if (list.Size() == 1) {
        Segment *s = list.Get(0);
        if (s->_type == 'T' && s->Length() >= 8 &&
            std::all_of(bytes.begin() + s->_start, bytes.begin() + s->_end, isDigit))
            s->_type = 'N';
    }
}

void TvdxBarcodePDF417::assemble(const TSegmentList &list)
{
    for (int k = 0; k < list.Size(); ++k) {
        const Segment *s = list.Get(k);
        switch (s->_type) {
        case 'B':
            put(s->Length() % 6 == 0 ? 924 : 901);
            byteCompaction(s->_start, s->_end);
            break;
        case 'N':
            put(902);
            numericCompaction(s->_start, s->_end);
            break;
        default:
            if (k > 0)
                put(900);
            textCompaction(s->_start, s->_end);
            break;
        }
    }
}

void TvdxBarcodePDF417::byteCompaction(int start, int end)
{
    const int len = end - start;
    if ((len % 6) + (len / 6) * 5 + m_cwPtr > LastPosition)
        tooBig();
    int p = start;
    for (; p + 6 <= end; p += 6) {
        std::uint64_t v = 0;
        for (int i = 0; i < 6; ++i)
            v = (v << 8) | (unsigned char)m_bytes[p + i];
        int cw[5];
        for (int i = 4; i >= 0; --i) {
            cw[i] = int(v % 900);
            v /= 900;
        }
        for (int c : cw)
            put(c);
    }
    for (; p < end; ++p)
        put((unsigned char)m_bytes[p]);
}

void TvdxBarcodePDF417::numericCompaction(int start, int end)
{
    const int len = end - start;
    const int rest = len % 44;
    if ((len / 44) * 15 + (rest ? rest / 3 + 1 : 0) + m_cwPtr > LastPosition)
        tooBig();
    for (int p = start; p < end; p += 44) {
        const int n = std::min(44, end - p);
        // "1" and the digits, in base 900 by long division.
        std::vector<int> digits;
        digits.push_back(1);
        for (int i = 0; i < n; ++i)
            digits.push_back(m_bytes[p + i] - '0');
        std::vector<int> out;
        while (!(digits.size() == 1 && digits[0] == 0)) {
            std::vector<int> q;
            int rem = 0;
            for (int d : digits) {
                rem = rem * 10 + d;
                if (!q.empty() || rem / 900)
                    q.push_back(rem / 900);
                rem %= 900;
            }
            out.push_back(rem);
            digits = q.empty() ? std::vector<int>{0} : q;
        }
        for (auto it = out.rbegin(); it != out.rend(); ++it)
            put(*it);
    }
}

void TvdxBarcodePDF417::textCompaction(int start, int end)
{
    const TextTable &t = textTable();
    std::vector<int> values;
    int shifts = 0;
    int mode = Alpha;
    auto byteAt = [&](int i) { return (unsigned char)m_bytes[i]; };
    auto isIn = [&](int m, int i) { return i < end && t.in(m, byteAt(i)); };
    for (int i = start; i < end;) {
        const unsigned char b = byteAt(i);
        if (t.in(mode, b)) {
            values.push_back(t.value[mode][b]);
            ++i;
            continue;
        }
        if (!t.in(Alpha, b) && !t.in(Lower, b) && !t.in(Mixed, b) && !t.in(Punct, b)) {
            if (values.size() % 2) {
                values.push_back(29);
                if (mode == Punct)
                    mode = Alpha;
            }
            values.push_back(913);
            values.push_back(b);
            ++shifts;
            ++i;
            continue;
        }
        const bool punctAhead = isIn(Punct, i + 1) && isIn(Punct, i + 2);
        switch (mode) {
        case Alpha:
            if (t.in(Lower, b)) {
                values.insert(values.end(), {27, t.value[Lower][b]});
                mode = Lower;
            } else if (t.in(Mixed, b)) {
                values.insert(values.end(), {28, t.value[Mixed][b]});
                mode = Mixed;
            } else if (punctAhead) {
                values.insert(values.end(), {28, 25, t.value[Punct][b]});
                mode = Punct;
            } else
                values.insert(values.end(), {29, t.value[Punct][b]});
            ++i;
            break;
        case Lower:
            if (t.in(Alpha, b)) {
                if (isIn(Alpha, i + 1) && isIn(Alpha, i + 2)) {
                    values.insert(values.end(), {28, 28});
                    mode = Alpha;
                } else
                    values.push_back(27);
                values.push_back(t.value[Alpha][b]);
            } else if (t.in(Mixed, b)) {
                values.insert(values.end(), {28, t.value[Mixed][b]});
                mode = Mixed;
            } else if (punctAhead) {
                values.insert(values.end(), {28, 25, t.value[Punct][b]});
                mode = Punct;
            } else
                values.insert(values.end(), {29, t.value[Punct][b]});
            ++i;
            break;
        case Mixed:
            if (t.in(Lower, b)) {
                values.insert(values.end(), {27, t.value[Lower][b]});
                mode = Lower;
            } else if (t.in(Alpha, b)) {
                values.insert(values.end(), {28, t.value[Alpha][b]});
                mode = Alpha;
            } else if (punctAhead) {
                values.insert(values.end(), {25, t.value[Punct][b]});
                mode = Punct;
            } else
                values.insert(values.end(), {29, t.value[Punct][b]});
            ++i;
            break;
        default: // Punct: back to Alpha, the same byte again
            values.push_back(29);
            mode = Alpha;
            break;
        }
    }
    if (values.size() % 2)
        values.push_back(29);
    if (int(values.size() + std::size_t(shifts)) / 2 + m_cwPtr > LastPosition)
        tooBig();
    for (std::size_t i = 0; i + 1 < values.size(); i += 2) {
        if (values[i] == 913) {
            put(913);
            put(values[i + 1]);
        } else
            put(values[i] * 30 + values[i + 1]);
    }
}

void TvdxBarcodePDF417::chooseSizeAndPad()
{
    int len = std::min(m_lenCodewords, LastPosition);
    auto fitLevel = [](int room) {
        for (int n = 8; n >= 1; --n)
            if ((2 << n) <= room)
                return n;
        return 0;
    };
    const int maxErr = fitLevel(928 - len);
    int level;
    if (m_errorCorrection == PDF417ErrorCorrection::AutoCorr)
        level = len <= 40 ? 2 : len <= 160 ? 3 : len <= 320 ? 4 : 5;
    else
        level = int(m_errorCorrection) - int(PDF417ErrorCorrection::Level0);
    level = std::clamp(level, 0, maxErr);
    int lenErr = 2 << level;
    m_codeColumns = std::clamp(m_codeColumns, 1, 30);
    m_height = std::clamp(m_height, 3, 90);
    int tot;
    if (m_columns != 0 && m_rows != 0) {
        tot = m_codeColumns * m_height;
        if (tot <= 928 && tot < len + lenErr) {
            tot = len + lenErr;
            m_codeColumns = (tot - 1) / m_height + 1;
            if (m_codeColumns > 30) {
                m_codeColumns = 30;
                m_height = (tot - 1) / 30 + 1;
            }
            tot = m_height * m_codeColumns;
        }
    } else {
        m_aspectRatio = std::clamp(m_aspectRatio, 0.001, 1000.0);
        const double ratio = m_aspectRatio;
        const double y = m_pixelWidth == 0 ? 3.0 : double(m_pixelHeight) / m_pixelWidth;
        const double b = 73 * ratio - 4;
        const double c = (std::sqrt(b * b + 68 * ratio * (len + lenErr) * y) - b) / (34 * ratio) + 0.5;
        m_codeColumns = std::isfinite(c) ? int(std::clamp(c, 1.0, 30.0)) : 1;
        tot = len + lenErr;
        m_height = std::max(3, (tot - 1) / m_codeColumns + 1);
        if (m_height > 90) {
            m_height = 90;
            m_codeColumns = (tot - 1) / 90 + 1;
        }
        tot = m_height * m_codeColumns;
    }
    if (tot > 928) {
        if (m_codeColumns < 22) {
            m_codeColumns = 16;
            m_height = 58;
        } else {
            m_codeColumns = 29;
            m_height = 32;
        }
        tot = 928;
    }
    level = fitLevel(tot - len);
    lenErr = 2 << level;
    m_errorLevel = level;
    while (len < tot - lenErr)
        m_codewords[std::size_t(len++)] = 900;
    m_codewords[0] = len;
    m_dataCodewords = len;

    // Reed-Solomon over GF(929).
    const int *coeff = Pdf417Coefficients[level];
    std::vector<int> e(std::size_t(lenErr), 0);
    const int last = lenErr - 1;
    for (int k = 0; k < len; ++k) {
        const int t1 = (m_codewords[std::size_t(k)] + e[std::size_t(last)]) % 929;
        for (int j = last; j > 0; --j)
            e[std::size_t(j)] = (e[std::size_t(j - 1)] + 929 - (t1 * coeff[j]) % 929) % 929;
        e[0] = (929 - (t1 * coeff[0]) % 929) % 929;
    }
    for (int j = 0; j < lenErr; ++j)
        m_codewords[std::size_t(len + j)] = e[std::size_t(last - j)] ? 929 - e[std::size_t(last - j)] : 0;
    m_lenCodewords = tot;
}

void TvdxBarcodePDF417::layout()
{
    m_width = 17 * m_codeColumns + 69;
    m_arrOB.SetSize(m_width, m_height);
    const int level = m_errorLevel;
    for (int r = 0; r < m_height; ++r) {
        const int cluster = r % 3;
        const int base = 30 * (r / 3);
        const int a = base + (m_height - 1) / 3;
        const int b = base + (m_height - 1) % 3 + 3 * level;
        const int c = base + m_codeColumns - 1;
        const int left = cluster == 0 ? a : cluster == 1 ? b : c;
        const int right = cluster == 0 ? c : cluster == 1 ? a : b;
        int x = 0;
        auto pattern = [&](const char *bits) {
            for (; *bits; ++bits, ++x)
                m_arrOB.Set(x, r, *bits == '1');
        };
        auto codeword = [&](int cw) {
            const std::uint32_t p = Pdf417Patterns[cluster][std::clamp(cw, 0, 928)];
            for (int bit = 16; bit >= 0; --bit, ++x)
                m_arrOB.Set(x, r, (p >> bit) & 1);
        };
        pattern(StartPattern);
        codeword(left);
        for (int k = 0; k < m_codeColumns; ++k)
            codeword(m_codewords[std::size_t(std::min(r * m_codeColumns + k, 927))]);
        codeword(right);
        pattern(StopPattern);
    }
    T2DBooleanArrayToVectorPrimitives(m_arrOB, m_width, m_height, 0);
}
