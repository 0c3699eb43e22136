#include "barcode/vdxQREncoder_matrix.h"

#include <cstdlib>

QString TByteMatrix::Hash() const
{
    QString s;
    for (int y = 0; y < m_height; ++y) {
        int sum = 0;
        for (int x = 0; x < m_width; ++x)
            sum += m_bytes[size_t(y) * size_t(m_width) + size_t(x)];
        s += QChar(u'A' + sum % 26);
    }
    return s;
}

bool TMaskUtil::GetDataMaskBit(int maskPattern, int x, int y)
{
    const int i = y, j = x;
    switch (maskPattern) {
    case 0: return (i + j) % 2 == 0;
    case 1: return i % 2 == 0;
    case 2: return j % 3 == 0;
    case 3: return (i + j) % 3 == 0;
    case 4: return (i / 2 + j / 3) % 2 == 0;
    case 5: return (i * j) % 2 + (i * j) % 3 == 0;
    case 6: return ((i * j) % 2 + (i * j) % 3) % 2 == 0;
    case 7: return ((i * j) % 3 + (i + j) % 2) % 2 == 0;
    default: return maskPattern < 0;
    }
}

namespace {

// Rule 1 along rows (horizontal) or columns.
int rule1(const TByteMatrix &m, bool horizontal)
{
    int penalty = 0;
    const int outer = horizontal ? m.Height() : m.Width();
    const int inner = horizontal ? m.Width() : m.Height();
    for (int a = 0; a < outer; ++a) {
        int run = 0;
        int prev = -2;
        for (int b = 0; b < inner; ++b) {
            const int v = horizontal ? m.Raw(b, a) : m.Raw(a, b);
            if (v == prev) {
                ++run;
            } else {
                if (run >= 5)
                    penalty += 3 + (run - 5);
                run = 1;
                prev = v;
            }
        }
        if (run >= 5)
            penalty += 3 + (run - 5);
    }
    return penalty;
}

} // namespace

int TMaskUtil::ApplyMaskPenaltyRule1(const TByteMatrix &m) { return rule1(m, true) + rule1(m, false); }

int TMaskUtil::ApplyMaskPenaltyRule2(const TByteMatrix &m)
{
    int penalty = 0;
    for (int y = 0; y + 1 < m.Height(); ++y)
        for (int x = 0; x + 1 < m.Width(); ++x) {
            const int v = m.Raw(x, y);
            if (v == m.Raw(x + 1, y) && v == m.Raw(x, y + 1) && v == m.Raw(x + 1, y + 1))
                penalty += 3;
        }
    return penalty;
}

int TMaskUtil::ApplyMaskPenaltyRule3(const TByteMatrix &m)
{
    static const int pattern[7] = {1, 0, 1, 1, 1, 0, 1};
    int penalty = 0;
    for (int dir = 0; dir < 2; ++dir) {
        const bool horizontal = dir == 0;
        const int outer = horizontal ? m.Height() : m.Width();
        const int inner = horizontal ? m.Width() : m.Height();
        auto at = [&](int a, int b) { return horizontal ? m.Raw(b, a) : m.Raw(a, b); };
        // Four light modules inside the symbol; outside does not count as light.
        auto light4 = [&](int a, int from) {
            if (from < 0 || from + 4 > inner)
                return false;
            for (int k = from; k < from + 4; ++k)
                if (at(a, k) != 0)
                    return false;
            return true;
        };
        for (int a = 0; a < outer; ++a)
            for (int b = 0; b + 7 <= inner; ++b) {
                bool match = true;
                for (int k = 0; k < 7 && match; ++k)
                    match = at(a, b + k) == pattern[k];
                if (match && (light4(a, b + 7) || light4(a, b - 4)))
                    penalty += 40;
            }
    }
    return penalty;
}

int TMaskUtil::ApplyMaskPenaltyRule4(const TByteMatrix &m)
{
    long dark = 0;
    for (std::uint8_t v : m.GetArray())
        dark += v == 1;
    const long total = long(m.Width()) * m.Height();
    if (total == 0)
        return 0;
    // Full 5 % steps away from 50 %: |100 dark / total - 50| / 5.
    const long steps = std::labs(20 * dark - 10 * total) / total;
    return int(steps) * 10;
}

int TMaskUtil::CalculateMaskPenalty(const TByteMatrix &m)
{
    return ApplyMaskPenaltyRule1(m) + ApplyMaskPenaltyRule2(m) + ApplyMaskPenaltyRule3(m) + ApplyMaskPenaltyRule4(m);
}

int TMatrixUtil::CalculateBCHCode(int value, int poly)
{
    auto msb = [](int v) {
        int n = 0;
        while (v) {
            ++n;
            v >>= 1;
        }
        return n;
    };
    const int polyBits = msb(poly);
    value <<= polyBits - 1;
    while (msb(value) >= polyBits)
        value ^= poly << (msb(value) - polyBits);
    return value;
}

int TMatrixUtil::FormatInfoBits(const TErrorCorrectionLevel &level, int maskPattern)
{
    const int typeInfo = (level.Bits << 3) | maskPattern;
    return ((typeInfo << 10) | CalculateBCHCode(typeInfo, 0x537)) ^ 0x5412;
}

int TMatrixUtil::VersionInfoBits(int version)
{
    return (version << 12) | CalculateBCHCode(version, 0x1F25);
}

void TMatrixUtil::setFunction(TByteMatrix &m, int x, int y, bool dark)
{
    if (x < 0 || y < 0 || x >= m.Width() || y >= m.Height())
        return;
    m.SetBoolean(x, y, dark);
}

void TMatrixUtil::embedBasicPatterns(const TVersion &version, TByteMatrix &m)
{
    const int size = m.Width();
    // Finder patterns with their separators.
    auto finder = [&](int x0, int y0) {
        for (int dy = -1; dy <= 7; ++dy)
            for (int dx = -1; dx <= 7; ++dx) {
                const int x = x0 + dx, y = y0 + dy;
                if (x < 0 || y < 0 || x >= size || y >= size)
                    continue;
                bool dark = false;
                if (dx >= 0 && dx <= 6 && dy >= 0 && dy <= 6) {
                    const bool border = dx == 0 || dx == 6 || dy == 0 || dy == 6;
                    const bool centre = dx >= 2 && dx <= 4 && dy >= 2 && dy <= 4;
                    dark = border || centre;
                }
                if (m.Get(x, y) != -1)
                    MatrixUtilError = true;
                m.SetBoolean(x, y, dark);
            }
    };
    finder(0, 0);
    finder(size - 7, 0);
    finder(0, size - 7);
    // The dark module.
    setFunction(m, 8, size - 8, true);
    // Alignment patterns wherever their centre is still free.
    const auto centers = version.AlignmentPatternCenters();
    for (int cy : centers)
        for (int cx : centers) {
            if (m.Get(cx, cy) != -1)
                continue;
            for (int dy = -2; dy <= 2; ++dy)
                for (int dx = -2; dx <= 2; ++dx) {
                    const bool dark = std::abs(dx) == 2 || std::abs(dy) == 2 || (dx == 0 && dy == 0);
                    setFunction(m, cx + dx, cy + dy, dark);
                }
        }
    // Timing patterns.
    for (int i = 8; i < size - 8; ++i) {
        if (m.Get(i, 6) == -1)
            m.SetBoolean(i, 6, i % 2 == 0);
        if (m.Get(6, i) == -1)
            m.SetBoolean(6, i, i % 2 == 0);
    }
}

void TMatrixUtil::embedTypeInfo(const TErrorCorrectionLevel &level, int maskPattern, TByteMatrix &m)
{
    if (maskPattern < 0 || maskPattern > 7)
        return;
    static const int first[15][2] = {{8, 0}, {8, 1}, {8, 2}, {8, 3}, {8, 4}, {8, 5}, {8, 7}, {8, 8},
                                     {7, 8}, {5, 8}, {4, 8}, {3, 8}, {2, 8}, {1, 8}, {0, 8}};
    const int size = m.Width();
    const int word = FormatInfoBits(level, maskPattern);
    for (int k = 0; k < 15; ++k) {
        const bool bit = (word >> k) & 1;
        m.SetBoolean(first[k][0], first[k][1], bit);
        if (k < 8)
            m.SetBoolean(size - 1 - k, 8, bit);
        else
            m.SetBoolean(8, size - 15 + k, bit);
    }
}

void TMatrixUtil::maybeEmbedVersionInfo(const TVersion &version, TByteMatrix &m)
{
    if (version.VersionNumber() < 7)
        return;
    const int size = m.Width();
    const int word = VersionInfoBits(version.VersionNumber());
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 3; ++j) {
            const bool bit = (word >> (3 * i + j)) & 1;
            m.SetBoolean(i, size - 11 + j, bit);
            m.SetBoolean(size - 11 + j, i, bit);
        }
}

void TMatrixUtil::embedDataBits(const TBitArray &dataBits, int maskPattern, TByteMatrix &m)
{
    const int size = m.Width();
    const int total = dataBits.GetSize();
    int bitIndex = 0;
    int direction = -1;
    int x = size - 1;
    int y = size - 1;
    while (x > 0) {
        if (x == 6)
            x -= 1;
        while (y >= 0 && y < size) {
            for (int i = 0; i < 2; ++i) {
                const int xx = x - i;
                if (m.Get(xx, y) != -1)
                    continue;
                bool bit = false;
                if (bitIndex < total)
                    bit = dataBits.Get(bitIndex++);
                if (TMaskUtil::GetDataMaskBit(maskPattern, xx, y))
                    bit = !bit;
                m.SetBoolean(xx, y, bit);
            }
            y += direction;
        }
        direction = -direction;
        y += direction;
        x -= 2;
    }
    if (bitIndex != total)
        MatrixUtilError = true;
}

void TMatrixUtil::BuildMatrix(const TBitArray &dataBits, const TErrorCorrectionLevel &level, const TVersion &version,
                              int maskPattern, TByteMatrix &matrix)
{
    matrix.Clear(255);
    embedBasicPatterns(version, matrix);
    embedTypeInfo(level, maskPattern, matrix);
    maybeEmbedVersionInfo(version, matrix);
    embedDataBits(dataBits, maskPattern, matrix);
}

int TMatrixUtil::ChooseMaskAndBuild(const TBitArray &dataBits, const TErrorCorrectionLevel &level,
                                    const TVersion &version, TByteMatrix &matrix)
{
    // Function patterns and the data cells' order do not depend on the
    // mask: lay them out once, then only the format bits and the masked
    // data differ between the trials.
    TByteMatrix base(matrix.Width(), matrix.Height());
    embedBasicPatterns(version, base);
    // Reserve the format cells so that the data walk skips them.
    embedTypeInfo(level, 0, base);
    maybeEmbedVersionInfo(version, base);
    std::vector<int> dataCells;
    dataCells.reserve(size_t(base.Width()) * size_t(base.Height()));
    {
        const int size = base.Width();
        int direction = -1, x = size - 1, y = size - 1;
        while (x > 0) {
            if (x == 6)
                x -= 1;
            while (y >= 0 && y < size) {
                for (int i = 0; i < 2; ++i)
                    if (base.Get(x - i, y) == -1)
                        dataCells.push_back(y * size + (x - i));
                y += direction;
            }
            direction = -direction;
            y += direction;
            x -= 2;
        }
    }
    if (int(dataCells.size()) < dataBits.GetSize())
        MatrixUtilError = true;

    int bestMask = 0;
    int bestPenalty = 0;
    std::vector<std::uint8_t> best;
    TByteMatrix trial(matrix.Width(), matrix.Height());
    const int width = base.Width();
    for (int mask = 0; mask < 8; ++mask) {
        trial = base;
        embedTypeInfo(level, mask, trial);
        auto &bytes = trial.Bytes();
        const int n = int(dataCells.size());
        const int bits = dataBits.GetSize();
        for (int i = 0; i < n; ++i) {
            const int cell = dataCells[size_t(i)];
            bool bit = i < bits && dataBits.Get(i);
            if (TMaskUtil::GetDataMaskBit(mask, cell % width, cell / width))
                bit = !bit;
            bytes[size_t(cell)] = bit ? 1 : 0;
        }
        const int penalty = TMaskUtil::CalculateMaskPenalty(trial);
        if (mask == 0 || penalty < bestPenalty) {
            bestPenalty = penalty;
            bestMask = mask;
            best = trial.GetArray();
        }
    }
    matrix.Bytes() = std::move(best);
    return bestMask;
}
