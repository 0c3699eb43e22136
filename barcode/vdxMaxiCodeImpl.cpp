#include "barcode/vdxMaxiCodeImpl.h"

#include "barcode/vdxBarcodeCoding.h"
#include "barcode/vdxMaxiCodeTables.h"
#include "platform/Exception.h"

using namespace vdxMaxiCodeTables;

namespace {

constexpr int kNumeric = 6; // marks a digit of a run of nine for compression

const double kDx[6] = {0, 0.866, 0.866, 0, -0.866, -0.866};
const double kDy[6] = {1, 0.5, -0.5, -1, -0.5, 0.5};

[[noreturn]] void tooLong() { throw Exception(QStringLiteral("Input data too long")); }

// Check symbols of data over GF(64), x^6 + x + 1, roots alpha^1 on.
std::vector<int> checkSymbols(const std::vector<int> &data, int count)
{
    static const std::unique_ptr<TGenericGF> field = TGenericGF::CreateMaxicodeField64();
    std::vector<int> words = data;
    words.resize(data.size() + size_t(count), 0);
    TReedSolomonEncoder(field.get()).Encode(words, count);
    return std::vector<int>(words.begin() + std::ptrdiff_t(data.size()), words.end());
}

} // namespace

TMaxiCodeImpl::TMaxiCodeImpl() = default;

void TMaxiCodeImpl::SetStructuredAppendPosition(int value)
{
    if (value < 1 || value > 8)
        throw Exception(QStringLiteral("Invalid MaxiCode structured append position: %1").arg(value));
    m_saPosition = value;
}

void TMaxiCodeImpl::SetStructuredAppendTotal(int value)
{
    if (value < 1 || value > 8)
        throw Exception(QStringLiteral("Invalid MaxiCode structured append total: %1").arg(value));
    m_saTotal = value;
}

void TMaxiCodeImpl::insertAt(int position, int value)
{
    for (int i = 143; i > position; --i) {
        m_set[size_t(i)] = m_set[size_t(i - 1)];
        m_character[size_t(i)] = m_character[size_t(i - 1)];
    }
    m_character[size_t(position)] = value;
    m_set[size_t(position)] = -1; // a shift or latch
    ++m_length;
}

bool TMaxiCodeImpl::processText(int mode)
{
    const int n = int(m_source.size());
    if (n > 138)
        return false;
    auto byteAt = [&](int i) { return quint8(m_source.at(i)); };
    for (int i = 0; i < 144; ++i) {
        m_set[size_t(i)] = i < n ? kCodeSet[byteAt(i)] : 0;
        m_character[size_t(i)] = i < n ? kSymbolChar[byteAt(i)] : 0;
    }
    // Bytes of several sets follow their neighbours.
    for (int i = 0; i < n; ++i) {
        if (m_set[size_t(i)] != 0)
            continue;
        const int c = byteAt(i);
        int candidates;
        if (c == 13)
            candidates = (1 << 1) | (1 << 5);
        else if (c == 28 || c == 29 || c == 30 || c == 32)
            candidates = 0x3E;
        else
            candidates = (1 << 1) | (1 << 2);
        auto ok = [&](int s) { return s > 0 && (candidates >> s) & 1; };
        int chosen;
        const int prev = i > 0 ? m_set[size_t(i - 1)] : 0;
        const int next = i + 1 < n ? m_set[size_t(i + 1)] : 0;
        if (i == 0)
            chosen = 1;
        else if (i + 1 < n && ok(prev) && ok(next))
            chosen = std::min(prev, next);
        else if (ok(prev))
            chosen = prev;
        else if (ok(next))
            chosen = next;
        else
            chosen = 1;
        m_set[size_t(i)] = chosen;
        int &v = m_character[size_t(i)];
        if (c == 13)
            v = chosen == 5 ? 13 : 0;
        else if (c >= 28 && c <= 30)
            v = chosen == 5 ? c + 4 : v;
        else if (c == 32)
            v = chosen == 1 ? 32 : chosen == 2 ? 47 : 59;
        else if (chosen == 2)
            v = c == ',' ? 48 : c == '.' ? 49 : c == '/' ? 50 : 51;
    }
    const int padSet = n > 0 && m_set[size_t(n - 1)] == 2 ? 2 : 1;
    for (int i = n; i < 144; ++i) {
        m_set[size_t(i)] = padSet;
        m_character[size_t(i)] = 33;
    }

    // Runs of nine digits are compressed.
    for (int i = 0, run = 0; i < 144; ++i) {
        const bool digit = m_set[size_t(i)] == 1 && m_character[size_t(i)] >= 48 && m_character[size_t(i)] <= 57 &&
                           i < n;
        run = digit ? run + 1 : 0;
        if (run == 9) {
            for (int j = i - 8; j <= i; ++j)
                m_set[size_t(j)] = kNumeric;
            run = 0;
        }
    }

    m_length = n;
    int current = 1;
    auto setAt = [&](int i) { return i >= 0 && i < 144 ? m_set[size_t(i)] : -1; };
    for (int i = 0; i < 144; ++i) {
        const int s = m_set[size_t(i)];
        if (s == kNumeric && current >= 3) {
            // NS is a code of sets A and B only.
            insertAt(i, 58);
            current = 1;
            i += 1;
            continue;
        }
        if (s == current || s == kNumeric || s < 0)
            continue;
        const bool fromCDE = current >= 3;
        switch (s) {
        case 1:
            if (fromCDE) {
                // Sets C to E have no shift to A: latch.
                insertAt(i, 58);
                current = 1;
                i += 1;
            } else if (setAt(i + 1) == 1 && setAt(i + 2) == 1 && setAt(i + 3) == 1) {
                insertAt(i, 63);
                current = 1;
                i += 1;
            } else if (setAt(i + 1) == 1 && setAt(i + 2) == 1) {
                insertAt(i, 57);
                i += 3;
            } else if (setAt(i + 1) == 1) {
                insertAt(i, 56);
                i += 2;
            } else {
                insertAt(i, 59);
                i += 1;
            }
            break;
        case 2:
            if (fromCDE || setAt(i + 1) == 2) {
                insertAt(i, 63);
                current = 2;
            } else {
                insertAt(i, 59);
            }
            i += 1;
            break;
        case 3:
        case 4: {
            const int code = s == 3 ? 60 : 61;
            if (i <= 140 && setAt(i + 1) == s && setAt(i + 2) == s && setAt(i + 3) == s) {
                insertAt(i, code);
                insertAt(i, code);
                current = s;
                i += 2;
            } else {
                insertAt(i, code);
                i += 1;
            }
            break;
        }
        case 5:
            if (i <= 140 && setAt(i + 1) == 5 && setAt(i + 2) == 5 && setAt(i + 5) == 4) {
                insertAt(i, 62);
                insertAt(i, 62);
                current = 5;
                i += 2;
            } else {
                insertAt(i, 62);
                i += 1;
            }
            break;
        default: break;
        }
    }

    for (int i = 0; i < 144; ++i) {
        if (m_set[size_t(i)] != kNumeric)
            continue;
        if (i + 8 >= 144)
            return false;
        int value = 0;
        for (int j = 0; j < 9; ++j)
            value = value * 10 + (m_character[size_t(i + j)] - 48);
        m_character[size_t(i)] = 31;
        for (int j = 1; j <= 5; ++j) {
            m_character[size_t(i + j)] = (value >> (6 * (5 - j))) & 63;
            m_set[size_t(i + j)] = 1;
        }
        m_set[size_t(i)] = 1;
        for (int j = i + 6; j < 141; ++j) {
            m_set[size_t(j)] = m_set[size_t(j + 3)];
            m_character[size_t(j)] = m_character[size_t(j + 3)];
        }
        for (int j = 141; j < 144; ++j) {
            m_set[size_t(j)] = 1;
            m_character[size_t(j)] = 33;
        }
        m_length -= 3;
        i += 5;
    }
    const int limit = mode == 5 ? 77 : (mode == 2 || mode == 3) ? 84 : 93;
    return m_length <= limit;
}

bool TMaxiCodeImpl::Encode(const QByteArray &inputBytes, int mode)
{
    m_source = inputBytes;
    m_mode = mode;
    if (!processText(mode))
        tooLong();
    if (mode == 2 || mode == 3) {
        if (m_primaryData.size() != 15)
            throw Exception(QStringLiteral("Invalid Primary String"));
        // The structured-carrier message has no source in this program.
        throw Exception(QStringLiteral("Invalid Primary String"));
    }
    const int dataWords = mode == 5 ? 68 : 84;
    const int checkWords = mode == 5 ? 56 : 40;
    std::vector<int> list;
    list.push_back(mode);
    for (int i = 0; i < 144 && int(list.size()) < dataWords + 10; ++i)
        list.push_back(m_character[size_t(i)]);

    const std::vector<int> primary(list.begin(), list.begin() + 10);
    const std::vector<int> primaryCheck = checkSymbols(primary, 10);
    std::vector<int> even, odd;
    for (int i = 10; i < int(list.size()); ++i)
        ((i - 10) % 2 == 0 ? even : odd).push_back(list[size_t(i)]);
    const std::vector<int> evenCheck = checkSymbols(even, checkWords / 2);
    const std::vector<int> oddCheck = checkSymbols(odd, checkWords / 2);

    m_codewords.fill(0);
    for (int i = 0; i < 10; ++i) {
        m_codewords[size_t(i)] = list[size_t(i)];
        m_codewords[size_t(10 + i)] = primaryCheck[size_t(i)];
    }
    for (int i = 10; i < int(list.size()); ++i)
        m_codewords[size_t(i + 10)] = list[size_t(i)];
    for (int j = 0; j < checkWords / 2; ++j) {
        m_codewords[size_t(dataWords + 20 + 2 * j)] = evenCheck[size_t(j)];
        m_codewords[size_t(dataWords + 21 + 2 * j)] = oddCheck[size_t(j)];
    }

    m_hexagonCenter.clear();
    for (int r = 0; r < 33; ++r)
        for (int c = 0; c < 30; ++c) {
            const int b = kGrid[r][c];
            m_grid[size_t(r)][size_t(c)] = b > 0 && (m_codewords[size_t((b - 1) / 6)] >> (5 - (b - 1) % 6)) & 1;
        }
    for (const auto &o : kOrientation)
        m_grid[size_t(o[0])][size_t(o[1])] = true;
    for (int r = 0; r < 33; ++r)
        for (int c = 0; c < 30; ++c)
            if (m_grid[size_t(r)][size_t(c)])
                m_hexagonCenter.push_back(HexagonCenter(r, c));
    return true;
}

QPointF TMaxiCodeImpl::HexagonCenter(int row, int col)
{
    return QPointF(2.46 * col + 1.23 + (row % 2 == 1 ? 1.23 : 0.0), 2.135 * row + 1.43);
}

QPointF TMaxiCodeImpl::HexagonPointByIndex(const QPointF &center, int index)
{
    return QPointF(center.x() + 0.9 * kDx[index], center.y() + 0.9 * kDy[index]);
}

QPointF TMaxiCodeImpl::GetHexagonPoint(int i, int j) const
{
    return HexagonPointByIndex(m_hexagonCenter[size_t(i)], j);
}

QRectF TMaxiCodeImpl::GetEllipseRect(int i) const
{
    static const double radii[3] = {9.91, 6.16, 2.37};
    const double r = radii[i];
    return QRectF(QPointF(35.76 - r, 35.6 - r), QPointF(35.76 + r, 35.6 + r));
}
