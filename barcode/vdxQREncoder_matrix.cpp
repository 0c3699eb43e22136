#include "barcode/vdxQREncoder_matrix.h"

#include <bit>
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

// The rules that look along lines, over rows of a row-major buffer; columns
// are scored as the rows of the transposed buffer.
int rule1Lines(const std::uint8_t *a, int lines, int len)
{
    int penalty = 0;
    for (int l = 0; l < lines; ++l) {
        const std::uint8_t *line = a + size_t(l) * size_t(len);
        int run = 1;
        for (int b = 1; b < len; ++b) {
            if (line[b] == line[b - 1]) {
                ++run;
            } else {
                if (run >= 5)
                    penalty += 3 + (run - 5);
                run = 1;
            }
        }
        if (len > 0 && run >= 5)
            penalty += 3 + (run - 5);
    }
    return penalty;
}

// Four light modules inside the line from `from`; outside does not count as light.
bool light4(const std::uint8_t *line, int len, int from)
{
    if (from < 0 || from + 4 > len)
        return false;
    return line[from] == 0 && line[from + 1] == 0 && line[from + 2] == 0 && line[from + 3] == 0;
}

int rule3Lines(const std::uint8_t *a, int lines, int len)
{
    int penalty = 0;
    for (int l = 0; l < lines; ++l) {
        const std::uint8_t *line = a + size_t(l) * size_t(len);
        for (int b = 0; b + 7 <= len; ++b) {
            if (line[b] == 1 && line[b + 1] == 0 && line[b + 2] == 1 && line[b + 3] == 1 && line[b + 4] == 1
                && line[b + 5] == 0 && line[b + 6] == 1 && (light4(line, len, b + 7) || light4(line, len, b - 4)))
                penalty += 40;
        }
    }
    return penalty;
}

std::vector<std::uint8_t> transposed(const TByteMatrix &m)
{
    const int w = m.Width(), h = m.Height();
    const std::uint8_t *a = m.GetArray().data();
    std::vector<std::uint8_t> t(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            t[size_t(x) * size_t(h) + size_t(y)] = a[size_t(y) * size_t(w) + size_t(x)];
    return t;
}

} // namespace

int TMaskUtil::ApplyMaskPenaltyRule1(const TByteMatrix &m)
{
    const std::vector<std::uint8_t> t = transposed(m);
    return rule1Lines(m.GetArray().data(), m.Height(), m.Width()) + rule1Lines(t.data(), m.Width(), m.Height());
}

int TMaskUtil::ApplyMaskPenaltyRule2(const TByteMatrix &m)
{
    int penalty = 0;
    const int w = m.Width();
    const std::uint8_t *a = m.GetArray().data();
    for (int y = 0; y + 1 < m.Height(); ++y) {
        const std::uint8_t *r0 = a + size_t(y) * size_t(w), *r1 = r0 + w;
        // Without branches: the modules are as good as random after masking.
        int blocks = 0;
        for (int x = 0; x + 1 < w; ++x) {
            const std::uint8_t v = r0[x];
            blocks += int((v == r0[x + 1]) & (v == r1[x]) & (v == r1[x + 1]));
        }
        penalty += 3 * blocks;
    }
    return penalty;
}

int TMaskUtil::ApplyMaskPenaltyRule3(const TByteMatrix &m)
{
    const std::vector<std::uint8_t> t = transposed(m);
    return rule3Lines(m.GetArray().data(), m.Height(), m.Width()) + rule3Lines(t.data(), m.Width(), m.Height());
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

namespace {

// Rules 1 and 3 in one pass per line: runs are counted as they end, and the
// last eleven modules, kept in a shift register, show the finder-like
// pattern with four light modules before (0x05D) or after it (0x5D0).
int rules13Lines(const std::uint8_t *a, int lines, int len)
{
    int penalty = 0;
    for (int l = 0; l < lines; ++l) {
        const std::uint8_t *line = a + size_t(l) * size_t(len);
        unsigned window = 0, beforeHits = 0;
        int run = 0;
        std::uint8_t prev = 2;
        for (int b = 0; b < len; ++b) {
            const std::uint8_t v = line[b];
            // Selects rather than branches: runs end at random.
            const bool same = v == prev;
            penalty += (!same && run >= 5) ? run - 2 : 0;
            run = same ? run + 1 : 1;
            prev = v;
            window = ((window << 1) | (v & 1u)) & 0x7FFu;
            unsigned before = 0;
            if (b >= 10) {
                before = window == 0x05Du;
                // The same occurrence, four modules later, with light after it.
                if (before || (window == 0x5D0u && !((beforeHits >> 3) & 1u)))
                    penalty += 40;
            }
            beforeHits = (beforeHits << 1) | before;
        }
        if (run >= 5)
            penalty += run - 2;
    }
    return penalty;
}

} // namespace

namespace {

// Symbols up to version 11 have lines of at most 64 modules: one word per
// line, bit k the module k along it (dark set), and each rule scores all
// positions of a line at once.
constexpr int kWordModules = 64;

// Rules 1 and 3 over one line of n modules.
int rules13Word(quint64 v, int n)
{
    const quint64 all = n == 64 ? ~0ull : (1ull << n) - 1;
    // Bit k: module k is like module k + 1.
    const quint64 same = ~(v ^ (v >> 1)) & (all >> 1);
    // Bit k: modules k to k + 4 alike; a run of r >= 5 has r - 4 of them,
    // and one at its start, for 3 + (r - 5).
    const quint64 five = same & (same >> 1) & (same >> 2) & (same >> 3);
    const quint64 runStart = ~(same << 1);
    int penalty = std::popcount(five) + 2 * std::popcount(five & runStart);
    // Bit k: 1011101 from module k, with four light modules inside the line
    // before or after it.
    const quint64 light = ~v & all;
    const quint64 finder = v & ~(v >> 1) & (v >> 2) & (v >> 3) & (v >> 4) & ~(v >> 5) & (v >> 6);
    const quint64 after = (light >> 7) & (light >> 8) & (light >> 9) & (light >> 10);
    const quint64 before = (light << 1) & (light << 2) & (light << 3) & (light << 4);
    penalty += 40 * std::popcount(finder & (after | before));
    return penalty;
}

// The whole penalty of a square matrix of 0 and 1 cells whose side fits a
// word; -1 when it does not.
int penaltyByWords(const TByteMatrix &m)
{
    const int n = m.Width();
    if (n != m.Height() || n < 1 || n > kWordModules)
        return -1;
    quint64 rows[kWordModules] = {}, cols[kWordModules] = {};
    const std::uint8_t *a = m.GetArray().data();
    unsigned other = 0;
    for (int y = 0; y < n; ++y) {
        const std::uint8_t *line = a + size_t(y) * size_t(n);
        quint64 r = 0;
        for (int x = 0; x < n; ++x) {
            const quint64 dark = line[x] & 1u;
            other |= line[x] >> 1;
            r |= dark << x;
            cols[x] |= dark << y;
        }
        rows[y] = r;
    }
    if (other)
        return -1;
    int penalty = 0;
    long dark = 0;
    const quint64 pairs = n == 64 ? ~0ull >> 1 : ((1ull << n) - 1) >> 1;
    for (int i = 0; i < n; ++i) {
        penalty += rules13Word(rows[i], n) + rules13Word(cols[i], n);
        dark += std::popcount(rows[i]);
        if (i + 1 < n) {
            // Rule 2: 2 x 2 blocks of one colour.
            const quint64 r0 = rows[i], r1 = rows[i + 1];
            const quint64 block = ~(r0 ^ r1) & ~(r0 ^ (r0 >> 1)) & ~(r1 ^ (r1 >> 1)) & pairs;
            penalty += 3 * std::popcount(block);
        }
    }
    const long total = long(n) * n;
    return penalty + int(std::labs(20 * dark - 10 * total) / total) * 10;
}

} // namespace

int TMaskUtil::CalculateMaskPenalty(const TByteMatrix &m)
{
    if (const int words = penaltyByWords(m); words >= 0)
        return words;
    const std::vector<std::uint8_t> t = transposed(m);
    return rules13Lines(m.GetArray().data(), m.Height(), m.Width()) + rules13Lines(t.data(), m.Width(), m.Height())
           + ApplyMaskPenaltyRule2(m) + ApplyMaskPenaltyRule4(m);
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
    const int n = int(dataCells.size());
    const int bits = dataBits.GetSize();
    // Stream bits and the eight mask conditions of every data cell, once.
    std::vector<std::uint8_t> cellBits(size_t(n), 0), cellMasks(size_t(n), 0);
    for (int i = 0; i < n; ++i) {
        const int cell = dataCells[size_t(i)];
        cellBits[size_t(i)] = i < bits && dataBits.Get(i) ? 1 : 0;
        std::uint8_t masks = 0;
        for (int mask = 0; mask < 8; ++mask)
            if (TMaskUtil::GetDataMaskBit(mask, cell % width, cell / width))
                masks |= std::uint8_t(1u << mask);
        cellMasks[size_t(i)] = masks;
    }
    for (int mask = 0; mask < 8; ++mask) {
        trial = base;
        embedTypeInfo(level, mask, trial);
        auto &bytes = trial.Bytes();
        for (int i = 0; i < n; ++i)
            bytes[size_t(dataCells[size_t(i)])] = std::uint8_t(cellBits[size_t(i)] ^ ((cellMasks[size_t(i)] >> mask) & 1u));
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
