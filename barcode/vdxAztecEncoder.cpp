#include "barcode/vdxAztecEncoder.h"

#include "platform/Exception.h"

#include <algorithm>

namespace vdxAztec {

namespace {

struct TTables {
    int charMap[5][256] = {};
    // Latch value in the low 16 bits, its bit length above.
    int latch[5][5] = {};
    int shift[5][5];

    TTables()
    {
        charMap[UPPER][' '] = 1;
        for (int c = 'A'; c <= 'Z'; ++c)
            charMap[UPPER][c] = c - 'A' + 2;
        charMap[LOWER][' '] = 1;
        for (int c = 'a'; c <= 'z'; ++c)
            charMap[LOWER][c] = c - 'a' + 2;
        charMap[DIGIT][' '] = 1;
        for (int c = '0'; c <= '9'; ++c)
            charMap[DIGIT][c] = c - '0' + 2;
        charMap[DIGIT][','] = 12;
        charMap[DIGIT]['.'] = 13;
        static const int mixed[] = {0,  ' ', 1,  2,  3,  4,  5,   6,   7,   8,   9,   10,  11, 12,
                                    13, 27,  28, 29, 30, 31, '@', '\\', '^', '_', '`', '|', '~', 127};
        for (int i = 0; i < int(std::size(mixed)); ++i)
            charMap[MIXED][mixed[i]] = i;
        static const int punct[] = {0,   '\r', 0,   0,   0,   0,   '!', '"', '#', '$', '%', '&', '\'', '(', ')', '*',
                                    '+', ',',  '-', '.', '/', ':', ';', '<', '=', '>', '?', '[', ']',  '{', '}'};
        for (int i = 0; i < int(std::size(punct)); ++i)
            if (punct[i] > 0)
                charMap[PUNCT][punct[i]] = i;

        auto L = [](int bits, int value) { return (bits << 16) + value; };
        const int table[5][5] = {
            {0, L(5, 28), L(5, 30), L(5, 29), L(10, (29 << 5) + 30)},
            {L(9, (30 << 4) + 14), 0, L(5, 30), L(5, 29), L(10, (29 << 5) + 30)},
            {L(4, 14), L(9, (14 << 5) + 28), 0, L(9, (14 << 5) + 29), L(14, (14 << 10) + (29 << 5) + 30)},
            {L(5, 29), L(5, 28), L(10, (29 << 5) + 30), 0, L(5, 30)},
            {L(5, 31), L(10, (31 << 5) + 28), L(10, (31 << 5) + 30), L(10, (31 << 5) + 29), 0},
        };
        for (int i = 0; i < 5; ++i)
            for (int j = 0; j < 5; ++j) {
                latch[i][j] = table[i][j];
                shift[i][j] = -1;
            }
        shift[UPPER][PUNCT] = 0;
        shift[LOWER][PUNCT] = 0;
        shift[LOWER][UPPER] = 28;
        shift[MIXED][PUNCT] = 0;
        shift[DIGIT][PUNCT] = 0;
        shift[DIGIT][UPPER] = 15;
    }
};

const TTables &tables()
{
    static const TTables t;
    return t;
}


int latchBits(int from, int to) { return tables().latch[from][to] >> 16; }

const char *const kModeNames[] = {"UPPER", "LOWER", "DIGIT", "MIXED", "PUNCT"};

// Codeword size by layer count.
int wordSize(int layers)
{
    if (layers <= 2)
        return 6;
    if (layers <= 8)
        return 8;
    if (layers <= 22)
        return 10;
    return 12;
}

int totalBitsInLayer(int layers, bool compact) { return ((compact ? 88 : 112) + 16 * layers) * layers; }

std::unique_ptr<TGenericGF> fieldFor(int w)
{
    switch (w) {
    case 4: return TGenericGF::CreateAztecParam();
    case 6: return TGenericGF::CreateAztecData6();
    case 8: return TGenericGF::CreateAztecData8();
    case 10: return TGenericGF::CreateAztecData10();
    case 12: return TGenericGF::CreateAztecData12();
    }
    throw Exception(QStringLiteral("Unsupported word size %1").arg(w));
}

TBitArray generateCheckWords(const TBitArray &bits, int totalBits, int w)
{
    if (bits.GetSize() % w != 0)
        throw Exception(QStringLiteral("size of bit array is not a multiple of the word size"));
    const int messageWords = bits.GetSize() / w;
    const int totalWords = totalBits / w;
    std::vector<int> words(size_t(totalWords), 0);
    for (int i = 0; i < messageWords; ++i) {
        int value = 0;
        for (int j = 0; j < w; ++j)
            value = (value << 1) | (bits.Get(i * w + j) ? 1 : 0);
        words[size_t(i)] = value;
    }
    const std::unique_ptr<TGenericGF> field = fieldFor(w);
    TReedSolomonEncoder rs(field.get());
    rs.Encode(words, totalWords - messageWords);
    TBitArray out;
    out.AppendBits(0, totalBits % w);
    for (int word : words)
        out.AppendBits(std::uint32_t(word), w);
    return out;
}

} // namespace

void TSimpleToken::AppendTo(TBitArray &bits, const QByteArray &) const
{
    if (m_bitCount > 0)
        bits.AppendBits(std::uint32_t(m_value), m_bitCount);
}

void TBinaryShiftToken::AppendTo(TBitArray &bits, const QByteArray &text) const
{
    for (int i = 0; i < m_byteCount; ++i) {
        if (i == 0 || (i == 31 && m_byteCount <= 62)) {
            bits.AppendBits(31, 5); // binary shift
            if (m_byteCount > 62)
                bits.AppendBits(std::uint32_t(m_byteCount - 31), 16);
            else if (i == 0)
                bits.AppendBits(std::uint32_t(std::min(m_byteCount, 31)), 5);
            else
                bits.AppendBits(std::uint32_t(m_byteCount - 31), 5);
        }
        bits.AppendBits(quint8(text.at(m_start + i)), 8);
    }
}

const TToken *TGarbage::Add(const TToken *previous, int value, int bitCount)
{
    m_tokens.push_back(std::make_unique<TSimpleToken>(previous, value, bitCount));
    return m_tokens.back().get();
}

const TToken *TGarbage::AddBinaryShift(const TToken *previous, int start, int byteCount)
{
    m_tokens.push_back(std::make_unique<TBinaryShiftToken>(previous, start, byteCount));
    return m_tokens.back().get();
}

TState TState::LatchAndAppend(TGarbage &g, int newMode, int value) const
{
    TState r = *this;
    if (newMode != Mode) {
        const int l = tables().latch[Mode][newMode];
        r.Token = g.Add(r.Token, l & 0xFFFF, l >> 16);
        r.BitCount += l >> 16;
    }
    const int width = newMode == DIGIT ? 4 : 5;
    r.Token = g.Add(r.Token, value, width);
    r.BitCount += width;
    r.Mode = newMode;
    r.BinaryShiftByteCount = 0;
    return r;
}

TState TState::ShiftAndAppend(TGarbage &g, int newMode, int value) const
{
    TState r = *this;
    const int width = Mode == DIGIT ? 4 : 5;
    r.Token = g.Add(r.Token, tables().shift[Mode][newMode], width);
    r.Token = g.Add(r.Token, value, 5);
    r.BitCount += width + 5;
    r.BinaryShiftByteCount = 0;
    return r;
}

TState TState::AddBinaryShiftChar(TGarbage &g, int index) const
{
    TState r = *this;
    if (Mode == PUNCT || Mode == DIGIT) {
        const int l = tables().latch[Mode][UPPER];
        r.Token = g.Add(r.Token, l & 0xFFFF, l >> 16);
        r.BitCount += l >> 16;
        r.Mode = UPPER;
    }
    const int n = BinaryShiftByteCount;
    r.BitCount += (n == 0 || n == 31) ? 18 : n == 62 ? 9 : 8;
    r.BinaryShiftByteCount = n + 1;
    if (r.BinaryShiftByteCount == 2047 + 31)
        r = r.EndBinaryShift(g, index + 1);
    return r;
}

TState TState::EndBinaryShift(TGarbage &g, int index) const
{
    if (BinaryShiftByteCount == 0)
        return *this;
    TState r = *this;
    r.Token = g.AddBinaryShift(Token, index - BinaryShiftByteCount, BinaryShiftByteCount);
    r.BinaryShiftByteCount = 0;
    return r;
}

bool TState::IsBetterThanOrEqualTo(const TState &other) const
{
    int cost = BitCount + latchBits(Mode, other.Mode);
    if (other.BinaryShiftByteCount > 0 &&
        (BinaryShiftByteCount == 0 || BinaryShiftByteCount > other.BinaryShiftByteCount))
        cost += 10;
    return cost <= other.BitCount;
}

TBitArray TState::ToBitArray(TGarbage &g, const QByteArray &text) const
{
    std::vector<const TToken *> chain;
    for (const TToken *t = EndBinaryShift(g, int(text.size())).Token; t; t = t->Previous())
        chain.push_back(t);
    TBitArray bits;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        (*it)->AppendTo(bits, text);
    return bits;
}

QString TState::ToString() const
{
    return QStringLiteral("%1 bits=%2 bytes=%3")
        .arg(QLatin1String(kModeNames[Mode]))
        .arg(BitCount)
        .arg(BinaryShiftByteCount);
}

TBitArray THighLevelEncoder::Encode()
{
    std::vector<TState> states{TState{m_garbage.Add(nullptr, 0, 0), UPPER, 0, 0}};
    std::vector<TState> next;
    const int n = int(m_text.size());
    for (int i = 0; i < n; ++i) {
        const int next1 = i + 1 < n ? quint8(m_text.at(i + 1)) : 0;
        int pair = 0;
        switch (m_text.at(i)) {
        case '\r': pair = next1 == '\n' ? 2 : 0; break;
        case '.': pair = next1 == ' ' ? 3 : 0; break;
        case ',': pair = next1 == ' ' ? 4 : 0; break;
        case ':': pair = next1 == ' ' ? 5 : 0; break;
        default: break;
        }
        next.clear();
        for (const TState &s : states) {
            if (pair > 0)
                updateStateForPair(s, i, pair, next);
            else
                updateStateForChar(s, i, next);
        }
        states = simplifyStates(next);
        if (pair > 0)
            ++i;
    }
    const TState *best = &states.front();
    for (const TState &s : states)
        if (s.BitCount < best->BitCount)
            best = &s;
    return best->ToBitArray(m_garbage, m_text);
}

void THighLevelEncoder::updateStateForChar(const TState &s, int index, std::vector<TState> &result)
{
    const int ch = quint8(m_text.at(index));
    const auto &map = tables().charMap;
    const bool inCurrent = map[s.Mode][ch] > 0;
    bool ended = false;
    TState noBinary;
    for (int m = UPPER; m <= PUNCT; ++m) {
        const int v = map[m][ch];
        if (v <= 0)
            continue;
        if (!ended) {
            noBinary = s.EndBinaryShift(m_garbage, index);
            ended = true;
        }
        if (!inCurrent || m == s.Mode || m == DIGIT)
            result.push_back(noBinary.LatchAndAppend(m_garbage, m, v));
        if (!inCurrent && tables().shift[s.Mode][m] >= 0)
            result.push_back(noBinary.ShiftAndAppend(m_garbage, m, v));
    }
    if (s.BinaryShiftByteCount > 0 || !inCurrent)
        result.push_back(s.AddBinaryShiftChar(m_garbage, index));
}

void THighLevelEncoder::updateStateForPair(const TState &s, int index, int pairCode, std::vector<TState> &result)
{
    const TState noBinary = s.EndBinaryShift(m_garbage, index);
    result.push_back(noBinary.LatchAndAppend(m_garbage, PUNCT, pairCode));
    if (s.Mode != PUNCT)
        result.push_back(noBinary.ShiftAndAppend(m_garbage, PUNCT, pairCode));
    if (pairCode == 3 || pairCode == 4)
        result.push_back(
            noBinary.LatchAndAppend(m_garbage, DIGIT, 16 - pairCode).LatchAndAppend(m_garbage, DIGIT, 1));
    if (s.BinaryShiftByteCount > 0)
        result.push_back(s.AddBinaryShiftChar(m_garbage, index).AddBinaryShiftChar(m_garbage, index + 1));
}

std::vector<TState> THighLevelEncoder::simplifyStates(const std::vector<TState> &states)
{
    std::vector<TState> kept;
    for (const TState &s : states) {
        bool add = true;
        for (auto it = kept.begin(); it != kept.end();) {
            if (it->IsBetterThanOrEqualTo(s)) {
                add = false;
                break;
            }
            if (s.IsBetterThanOrEqualTo(*it))
                it = kept.erase(it);
            else
                ++it;
        }
        if (add)
            kept.push_back(s);
    }
    return kept;
}

TBitArray TEncoder::StuffBits(const TBitArray &bits, int w)
{
    TBitArray out;
    const int n = bits.GetSize();
    const int mask = (1 << w) - 2;
    for (int i = 0; i < n; i += w) {
        int word = 0;
        for (int j = 0; j < w; ++j)
            if (i + j >= n || bits.Get(i + j))
                word |= 1 << (w - 1 - j);
        if ((word & mask) == mask) {
            out.AppendBits(std::uint32_t(word & mask), w);
            --i;
        } else if ((word & mask) == 0) {
            out.AppendBits(std::uint32_t(word | 1), w);
            --i;
        } else {
            out.AppendBits(std::uint32_t(word), w);
        }
    }
    // An empty text still needs one message word: a padding word of ones,
    // which a reader takes for a shift without data.
    if (out.GetSize() == 0)
        out.AppendBits(std::uint32_t(mask), w);
    return out;
}

void TEncoder::Encode(const QByteArray &data, int minECCPercent, int userSpecifiedLayers)
{
    constexpr int kMaxCapacity = (112 + 16 * 32) * 32;
    // Every character costs at least two bits (pairs cost 5 for 2), so a
    // longer text cannot fit and is refused before the search.
    if (qint64(data.size()) * 2 > kMaxCapacity)
        throw Exception(QStringLiteral("Data too large for an Aztec code"));
    const TBitArray bits = THighLevelEncoder(data).Encode();
    const int percent = std::max(0, minECCPercent);
    const qint64 eccBits64 = qint64(bits.GetSize()) * percent / 100 + 11;
    if (eccBits64 > kMaxCapacity)
        throw Exception(QStringLiteral("Data too large for an Aztec code"));
    const int eccBits = int(eccBits64);
    const int totalSizeBits = bits.GetSize() + eccBits;
    bool compact = false;
    int layers = 0, totalBits = 0, w = 0;
    TBitArray stuffed;
    if (userSpecifiedLayers != 0) {
        compact = userSpecifiedLayers < 0;
        layers = std::abs(userSpecifiedLayers);
        if (layers > (compact ? 4 : 32))
            throw Exception(QStringLiteral("Illegal value %1 for layers").arg(userSpecifiedLayers));
        totalBits = totalBitsInLayer(layers, compact);
        w = wordSize(layers);
        const int usable = totalBits - totalBits % w;
        stuffed = StuffBits(bits, w);
        if (stuffed.GetSize() + eccBits > usable || (compact && stuffed.GetSize() > w * 64))
            throw Exception(QStringLiteral("Data to large for user specified layer"));
    } else {
        bool found = false;
        for (int i = 0; i <= 32 && !found; ++i) {
            compact = i <= 3;
            layers = compact ? i + 1 : i;
            totalBits = totalBitsInLayer(layers, compact);
            if (totalSizeBits > totalBits)
                continue;
            if (w != wordSize(layers)) {
                w = wordSize(layers);
                stuffed = StuffBits(bits, w);
            }
            const int usable = totalBits - totalBits % w;
            if (compact && stuffed.GetSize() > w * 64)
                continue;
            found = stuffed.GetSize() + eccBits <= usable;
        }
        if (!found)
            throw Exception(QStringLiteral("Data too large for an Aztec code"));
    }
    const TBitArray messageBits = generateCheckWords(stuffed, totalBits, w);
    const int messageWords = stuffed.GetSize() / w;
    TBitArray mode;
    if (compact) {
        mode.AppendBits(std::uint32_t(layers - 1), 2);
        mode.AppendBits(std::uint32_t(messageWords - 1), 6);
        mode = generateCheckWords(mode, 28, 4);
    } else {
        mode.AppendBits(std::uint32_t(layers - 1), 5);
        mode.AppendBits(std::uint32_t(messageWords - 1), 11);
        mode = generateCheckWords(mode, 40, 4);
    }

    const int base = (compact ? 11 : 14) + layers * 4;
    std::vector<int> map(size_t(base), 0);
    int size;
    if (compact) {
        size = base;
        for (int k = 0; k < base; ++k)
            map[size_t(k)] = k;
    } else {
        size = base + 1 + 2 * ((base / 2 - 1) / 15);
        const int h = base / 2, c = size / 2;
        for (int k = 0; k < h; ++k) {
            const int off = k + k / 15;
            map[size_t(h - k - 1)] = c - off - 1;
            map[size_t(h + k)] = c + off + 1;
        }
    }
    T2DBooleanArray m(size, size);
    auto M = [&](int k) { return map[size_t(k)]; };
    for (int i = 0, o = 0; i < layers; ++i) {
        const int r = (layers - i) * 4 + (compact ? 9 : 12);
        for (int j = 0; j < r; ++j)
            for (int k = 0; k < 2; ++k) {
                if (messageBits.Get(o + 2 * j + k))
                    m.Set(M(2 * i + k), M(2 * i + j), true);
                if (messageBits.Get(o + 2 * r + 2 * j + k))
                    m.Set(M(2 * i + j), M(base - 1 - 2 * i - k), true);
                if (messageBits.Get(o + 4 * r + 2 * j + k))
                    m.Set(M(base - 1 - 2 * i - k), M(base - 1 - 2 * i - j), true);
                if (messageBits.Get(o + 6 * r + 2 * j + k))
                    m.Set(M(base - 1 - 2 * i - j), M(2 * i + k), true);
            }
        o += 8 * r;
    }

    const int c = size / 2;
    if (compact) {
        for (int k = 0; k < 7; ++k) {
            const int t = c - 3 + k;
            if (mode.Get(k))
                m.Set(t, c - 5, true);
            if (mode.Get(k + 7))
                m.Set(c + 5, t, true);
            if (mode.Get(20 - k))
                m.Set(t, c + 5, true);
            if (mode.Get(27 - k))
                m.Set(c - 5, t, true);
        }
    } else {
        for (int k = 0; k < 10; ++k) {
            const int t = c - 5 + k + k / 5;
            if (mode.Get(k))
                m.Set(t, c - 7, true);
            if (mode.Get(k + 10))
                m.Set(c + 7, t, true);
            if (mode.Get(29 - k))
                m.Set(t, c + 7, true);
            if (mode.Get(39 - k))
                m.Set(c - 7, t, true);
        }
    }

    const int s = compact ? 5 : 7;
    for (int i = 0; i < s; i += 2)
        for (int j = c - i; j <= c + i; ++j) {
            m.Set(j, c - i, true);
            m.Set(j, c + i, true);
            m.Set(c - i, j, true);
            m.Set(c + i, j, true);
        }
    m.Set(c - s, c - s, true);
    m.Set(c - s + 1, c - s, true);
    m.Set(c - s, c - s + 1, true);
    m.Set(c + s, c - s, true);
    m.Set(c + s, c - s + 1, true);
    m.Set(c + s, c + s - 1, true);

    if (!compact)
        for (int g = 0, d = 0; g < base / 2 - 1; g += 15, d += 16)
            for (int k = c & 1; k < size; k += 2) {
                m.Set(c - d, k, true);
                m.Set(c + d, k, true);
                m.Set(k, c - d, true);
                m.Set(k, c + d, true);
            }

    m_matrixSize = size;
    m_compact = compact;
    m_layers = layers;
    m_codeWords = messageWords;
    m_streamBits = bits.GetSize();
    m_matrix = std::move(m);
}

} // namespace vdxAztec

QByteArray TAztecEncoder::ToLatin1(const QString &text)
{
    QByteArray out;
    out.reserve(text.size());
    for (const char32_t c : text.toUcs4())
        out.append(c < 256 ? char(c) : '?');
    return out;
}

void TAztecEncoder::SetData(const QString &value)
{
    if (value == m_data && m_matrixSize != 0)
        return;
    m_data = value;
    encode();
}

void TAztecEncoder::SetMinECCPercent(int value)
{
    if (value == m_minECCPercent)
        return;
    m_minECCPercent = value;
    encode();
}

void TAztecEncoder::encode()
{
    vdxAztec::TEncoder e;
    e.Encode(ToLatin1(m_data), m_minECCPercent, 0);
    m_matrixSize = e.MatrixSize();
    m_matrix = e.Matrix();
}
