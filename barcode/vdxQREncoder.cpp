#include "barcode/vdxQREncoder.h"

#include "platform/CodePage.h"

#include <array>

namespace {

const char kAlphanumeric[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:";

int alphanumericCode(char16_t c)
{
    static const std::array<signed char, 128> table = [] {
        std::array<signed char, 128> t{};
        t.fill(-1);
        for (int i = 0; i < 45; ++i)
            t[size_t(uchar(kAlphanumeric[i]))] = static_cast<signed char>(i);
        return t;
    }();
    return c < 128 ? table[c] : -1;
}

QString describe(QStringView text, qsizetype i)
{
    const char32_t cp = QChar::isHighSurrogate(text[i].unicode()) && i + 1 < text.size()
                                && QChar::isLowSurrogate(text[i + 1].unicode())
                            ? QChar::surrogateToUcs4(text[i], text[i + 1])
                            : text[i].unicode();
    const QString shown = cp >= 0x20 && cp != 0x7F ? QString::fromUcs4(&cp, 1) : QString();
    return QStringLiteral("Character \"%1\" (U+%2)").arg(shown, QString::number(uint(cp), 16).toUpper().rightJustified(4, u'0'));
}

[[noreturn]] void fail(const QString &message) { throw EQREncoderError(message); }

const TGenericGF &qrField()
{
    static const std::unique_ptr<TGenericGF> field = [] {
        auto f = TGenericGF::CreateQRCodeField256();
        f->Exp(0); // tables built before any concurrent use
        return f;
    }();
    return *field;
}

// Bytes of text in a code page; a character the page lacks is an error,
// not a silent replacement.
QByteArray toCodePage(QStringView text, int codePage)
{
    if (codePage == 1201 || codePage == 1200) {
        // Big-endian UTF-16, as ECI 25 denotes.
        QByteArray out;
        out.reserve(text.size() * 2);
        for (QChar c : text) {
            out.append(char(c.unicode() >> 8));
            out.append(char(c.unicode() & 0xFF));
        }
        return out;
    }
    if (codePage == CP_UTF8)
        return text.toUtf8();
    bool ok = true;
    const QByteArray bytes = codePage == 0 ? EncodeAnsi(text) : EncodeCodePage(text, codePage, &ok);
    if (!ok)
        fail(QStringLiteral("Code page %1 is not supported").arg(codePage));
    const qsizetype qIn = text.count(u'?');
    if (bytes.count('?') == qIn)
        return bytes;
    // Find the character that became a replacement.
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype len = QChar::isHighSurrogate(text[i].unicode()) && i + 1 < text.size() ? 2 : 1;
        const QStringView one = text.mid(i, len);
        if (one != u"?") {
            const QByteArray b = codePage == 0 ? EncodeAnsi(one) : EncodeCodePage(one, codePage);
            if (b.contains('?'))
                fail(QStringLiteral("%1 cannot be represented in code page %2")
                         .arg(describe(text, i))
                         .arg(codePage == 0 ? AnsiCodePage() : codePage));
        }
        i += len - 1;
    }
    return bytes;
}

struct Segment {
    TMode mode = TMode::qmByte;
    int eci = -1; // an ECI designator written before the segment
    int count = 0;
    TBitArray data;
};

void appendNumeric(QStringView text, TBitArray &bits)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        const int d1 = text[i].unicode() - u'0';
        if (i + 2 < n) {
            bits.AppendBits(uint32_t(d1 * 100 + (text[i + 1].unicode() - u'0') * 10 + (text[i + 2].unicode() - u'0')), 10);
            i += 3;
        } else if (i + 1 < n) {
            bits.AppendBits(uint32_t(d1 * 10 + (text[i + 1].unicode() - u'0')), 7);
            i += 2;
        } else {
            bits.AppendBits(uint32_t(d1), 4);
            ++i;
        }
    }
}

void appendAlphanumeric(QStringView text, TBitArray &bits)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        const int c1 = alphanumericCode(text[i].unicode());
        if (i + 1 < n) {
            bits.AppendBits(uint32_t(c1 * 45 + alphanumericCode(text[i + 1].unicode())), 11);
            i += 2;
        } else {
            bits.AppendBits(uint32_t(c1), 6);
            ++i;
        }
    }
}

void appendBytes(const QByteArray &bytes, TBitArray &bits)
{
    for (char b : bytes)
        bits.AppendBits(uchar(b), 8);
}

bool isKanjiBytes(const QByteArray &bytes)
{
    if (bytes.size() % 2 != 0)
        return false;
    for (qsizetype i = 0; i < bytes.size(); i += 2) {
        const int b = uchar(bytes[i]);
        if (!((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xEB)))
            return false;
    }
    return true;
}

void appendKanji(QStringView text, const QByteArray &bytes, TBitArray &bits)
{
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        const int c = (uchar(bytes[i]) << 8) | uchar(bytes[i + 1]);
        int sub;
        if (c >= 0x8140 && c <= 0x9FFC)
            sub = c - 0x8140;
        else if (c >= 0xE040 && c <= 0xEBBF)
            sub = c - 0xC140;
        else
            fail(QStringLiteral("%1 cannot be encoded in Kanji mode").arg(describe(text, std::min(i / 2, text.size() - 1))));
        bits.AppendBits(uint32_t((sub >> 8) * 0xC0 + (sub & 0xFF)), 13);
    }
}

// The marker "&ECInn;" starting at or after from; -1 when none.
qsizetype findMarker(QStringView text, qsizetype from)
{
    for (qsizetype q = from + 6; q < text.size(); ++q)
        if (text[q] == u';' && text.mid(q - 6, 4) == u"&ECI")
            return q - 6;
    return -1;
}

std::vector<Segment> eciSegments(QStringView text, int codePage)
{
    std::vector<Segment> segments;
    for (const auto &[eci, bytes] : QRSplitECI(text.toString(), codePage)) {
        Segment s;
        s.mode = TMode::qmByte;
        s.eci = eci;
        s.count = int(bytes.size());
        appendBytes(bytes, s.data);
        segments.push_back(std::move(s));
    }
    return segments;
}

int segmentBits(const std::vector<Segment> &segments, int version)
{
    int bits = 0;
    for (const Segment &s : segments) {
        if (s.eci >= 0)
            bits += 4 + 8;
        const int ccBits = CharacterCountBits(s.mode, version);
        if (s.count >= (1 << ccBits))
            return -1;
        bits += 4 + ccBits + s.data.GetSize();
    }
    return bits;
}

const char *levelName(const TErrorCorrectionLevel &level)
{
    static const char *names[4] = {"L", "M", "Q", "H"};
    return names[level.Ordinal & 3];
}

} // namespace

std::vector<std::pair<int, QByteArray>> QRSplitECI(const QString &text, int codePage)
{
    std::vector<std::pair<int, QByteArray>> segments;
    int eci = ECIForCodePage(codePage);
    auto add = [&](QStringView part) {
        const int cp = CodePageForECI(eci);
        segments.emplace_back(eci, toCodePage(part, cp == 0 ? CP_ACP : cp));
    };
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype m = findMarker(text, pos);
        if (m < 0) {
            add(QStringView(text).mid(pos));
            break;
        }
        if (m == pos) {
            const QStringView d = QStringView(text).mid(pos + 4, 2);
            const bool number = d[0] >= u'0' && d[0] <= u'9' && d[1] >= u'0' && d[1] <= u'9';
            eci = number ? (d[0].unicode() - u'0') * 10 + (d[1].unicode() - u'0') : 3;
            pos += 7;
        } else {
            add(QStringView(text).mid(pos, m - pos));
            pos = m;
        }
    }
    return segments;
}

int ModeIndicator(TMode mode)
{
    switch (mode) {
    case TMode::qmNumeric: return 0x1;
    case TMode::qmAlphanumeric: return 0x2;
    case TMode::qmStructuredAppend: return 0x3;
    case TMode::qmByte: return 0x4;
    case TMode::qmECI: return 0x7;
    case TMode::qmKanji: return 0x8;
    case TMode::qmFNC1FirstPosition: return 0x5;
    case TMode::qmFNC1SecondPosition: return 0x9;
    case TMode::qmHanzi: return 0xD;
    case TMode::qmTerminator: break;
    }
    return 0;
}

int CharacterCountBits(TMode mode, int version)
{
    const int range = version <= 9 ? 0 : version <= 26 ? 1 : 2;
    switch (mode) {
    case TMode::qmNumeric: return std::array{10, 12, 14}[size_t(range)];
    case TMode::qmAlphanumeric: return std::array{9, 11, 13}[size_t(range)];
    case TMode::qmByte: return std::array{8, 16, 16}[size_t(range)];
    case TMode::qmKanji:
    case TMode::qmHanzi: return std::array{8, 10, 12}[size_t(range)];
    default: return 0;
    }
}

namespace {
const int kECITable[][2] = {{3, 28591},  {4, 28592},  {5, 28593},  {6, 28594},  {7, 28595},  {8, 28596},
                            {9, 28597},  {10, 28598}, {11, 28599}, {12, 28600}, {13, 874},   {15, 28603},
                            {16, 28604}, {17, 28605}, {18, 28606}, {20, 932},   {21, 1250},  {22, 1251},
                            {23, 1252},  {24, 1256},  {25, 1200},  {26, 65001}, {27, 20127}, {28, 950},
                            {29, 936},   {30, 949}};
}

int ECIForCodePage(int codePage)
{
    for (const auto &e : kECITable)
        if (e[1] == codePage)
            return e[0];
    return 3;
}

int CodePageForECI(int eci)
{
    for (const auto &e : kECITable)
        if (e[0] == eci)
            return e[1];
    return 0;
}

void TEncoder::Encode(const QString &content, TQRCodeEncoding encoding, const TErrorCorrectionLevel &level,
                      TQRCode &qrCode)
{
    TQRCodewords codewords;
    Codewords(content, encoding, level, codewords);
    Place(codewords, qrCode);
}

void TEncoder::Codewords(const QString &content, TQRCodeEncoding encoding, const TErrorCorrectionLevel &level,
                         TQRCodewords &out)
{
    // 1. Mode choice and the data of each segment.
    std::vector<Segment> segments;
    TMode mode = TMode::qmByte;
    QByteArray bytes;
    if (encoding == qrShift_JIS) {
        bytes = toCodePage(content, 932);
        mode = isKanjiBytes(bytes) ? TMode::qmKanji : TMode::qmByte;
    } else if (encoding == qrAuto && (Codepage != 0 || findMarker(content, 0) >= 0)) {
        mode = TMode::qmECI;
    } else if (encoding == qrNumeric) {
        mode = TMode::qmNumeric;
    } else if (encoding == qrAlphanumeric) {
        mode = TMode::qmAlphanumeric;
    } else if (encoding == qrAuto) {
        bool digits = !content.isEmpty(), alnum = !content.isEmpty(), latin1 = true;
        for (QChar c : content) {
            const char16_t u = c.unicode();
            digits = digits && u >= u'0' && u <= u'9';
            alnum = alnum && alphanumericCode(u) >= 0;
            latin1 = latin1 && u < 0x100;
        }
        if (digits)
            mode = TMode::qmNumeric;
        else if (alnum)
            mode = TMode::qmAlphanumeric;
        else
            encoding = latin1 ? qrISO88591 : qrUTF8NoBOM;
    }

    Segment seg;
    seg.mode = mode;
    switch (mode) {
    case TMode::qmECI:
        segments = eciSegments(content, Codepage);
        break;
    case TMode::qmNumeric:
        for (qsizetype i = 0; i < content.size(); ++i)
            if (content[i] < u'0' || content[i] > u'9')
                fail(QStringLiteral("%1 is not allowed in numeric mode").arg(describe(content, i)));
        seg.count = int(content.size());
        appendNumeric(content, seg.data);
        break;
    case TMode::qmAlphanumeric:
        for (qsizetype i = 0; i < content.size(); ++i)
            if (alphanumericCode(content[i].unicode()) < 0)
                fail(QStringLiteral("%1 is not allowed in alphanumeric mode").arg(describe(content, i)));
        seg.count = int(content.size());
        appendAlphanumeric(content, seg.data);
        break;
    case TMode::qmKanji:
        seg.count = int(bytes.size() / 2);
        appendKanji(content, bytes, seg.data);
        break;
    default:
        switch (encoding) {
        case qrISO88591:
            bytes.resize(content.size());
            for (qsizetype i = 0; i < content.size(); ++i) {
                if (content[i].unicode() >= 0x100)
                    fail(QStringLiteral("%1 is not in ISO-8859-1").arg(describe(content, i)));
                bytes[i] = char(content[i].unicode());
            }
            break;
        case qrUTF8BOM: bytes = QByteArray("\xEF\xBB\xBF") + content.toUtf8(); break;
        case qrShift_JIS: break; // converted above
        default: bytes = content.toUtf8(); break;
        }
        seg.count = int(bytes.size());
        appendBytes(bytes, seg.data);
        break;
    }
    if (mode != TMode::qmECI)
        segments.push_back(std::move(seg));

    // 2. The smallest version whose data codewords hold the bits.
    const TVersion *version = nullptr;
    int totalBits = 0;
    for (int v = 1; v <= 40 && !version; ++v) {
        const TVersion *candidate = TVersion::GetVersionForNumber(v);
        const TECBlocks &ec = candidate->GetECBlocksForLevel(level);
        const int bits = segmentBits(segments, v);
        if (bits >= 0 && (bits + 7) / 8 <= ec.GetDataCodewords()) {
            version = candidate;
            totalBits = bits;
        }
    }
    if (!version)
        fail(QStringLiteral("Data too long for a QR Code at error correction level %1").arg(QLatin1String(levelName(level))));
    const int v = version->VersionNumber();
    if (mode == TMode::qmECI)
        CodeVersion = v;

    // 3. Header and data, terminator and pad bytes.
    const TECBlocks &ecBlocks = version->GetECBlocksForLevel(level);
    const int numDataBytes = ecBlocks.GetDataCodewords();
    const int capacity = numDataBytes * 8;
    TBitArray bits;
    for (const Segment &s : segments) {
        if (s.eci >= 0) {
            bits.AppendBits(uint32_t(ModeIndicator(TMode::qmECI)), 4);
            bits.AppendBits(uint32_t(s.eci & 0xFF), 8);
        }
        bits.AppendBits(uint32_t(ModeIndicator(s.mode)), 4);
        bits.AppendBits(uint32_t(s.count), CharacterCountBits(s.mode, v));
        bits.AppendBitArray(s.data);
    }
    if (bits.GetSize() != totalBits)
        fail(QStringLiteral("QR Code data stream has an unexpected length"));
    for (int i = 0; i < 4 && bits.GetSize() < capacity; ++i)
        bits.AppendBit(false);
    while (bits.GetSize() % 8 != 0)
        bits.AppendBit(false);
    for (int i = 0; bits.GetSize() < capacity; ++i)
        bits.AppendBits(i % 2 == 0 ? 0xEC : 0x11, 8);
    if (bits.GetSize() != capacity)
        fail(QStringLiteral("QR Code data stream has an unexpected length"));

    out.Mode = mode;
    out.ECLevel = level;
    out.Version = version;
    out.NumDataBytes = numDataBytes;
    out.Bits = std::move(bits);
}

void TEncoder::Place(const TQRCodewords &codewords, TQRCode &qrCode)
{
    const TVersion &version = *codewords.Version;
    const TECBlocks &ecBlocks = version.GetECBlocksForLevel(codewords.ECLevel);
    const int v = version.VersionNumber();

    // 4. Blocks, check bytes and interleaving.
    const int numTotalBytes = version.TotalCodewords();
    const int numBlocks = ecBlocks.GetNumBlocks();
    const int shortData = codewords.NumDataBytes / numBlocks;
    const int numLongBlocks = codewords.NumDataBytes % numBlocks;
    const int ecPerBlock = numTotalBytes / numBlocks - shortData;
    std::vector<std::uint8_t> data(static_cast<size_t>(codewords.NumDataBytes));
    codewords.Bits.ToBytes(0, data.data(), 0, codewords.NumDataBytes);
    TReedSolomonEncoder rs(&qrField());
    std::vector<std::vector<int>> blocks(static_cast<size_t>(numBlocks));
    int offset = 0;
    for (int b = 0; b < numBlocks; ++b) {
        const int dataSize = shortData + (b >= numBlocks - numLongBlocks ? 1 : 0);
        std::vector<int> &block = blocks[size_t(b)];
        block.resize(size_t(dataSize + ecPerBlock));
        for (int i = 0; i < dataSize; ++i)
            block[size_t(i)] = data[size_t(offset + i)];
        rs.Encode(block, ecPerBlock);
        offset += dataSize;
    }
    if (offset != codewords.NumDataBytes || ecPerBlock * numBlocks != ecBlocks.GetTotalECCodewords())
        fail(QStringLiteral("QR Code block layout does not match version %1").arg(v));
    TBitArray final;
    for (int i = 0; i <= shortData; ++i)
        for (int b = 0; b < numBlocks; ++b) {
            const auto &block = blocks[size_t(b)];
            const int dataSize = int(block.size()) - ecPerBlock;
            if (i < dataSize)
                final.AppendBits(uint32_t(block[size_t(i)]), 8);
        }
    for (int i = 0; i < ecPerBlock; ++i)
        for (int b = 0; b < numBlocks; ++b) {
            const auto &block = blocks[size_t(b)];
            final.AppendBits(uint32_t(block[block.size() - size_t(ecPerBlock) + size_t(i)]), 8);
        }
    if (final.GetSizeInBytes() != numTotalBytes)
        fail(QStringLiteral("QR Code block layout does not match version %1").arg(v));

    // 5. Matrix and mask.
    const int dimension = version.GetDimension();
    TByteMatrix matrix(dimension, dimension);
    TMatrixUtil util;
    const int mask = util.ChooseMaskAndBuild(final, codewords.ECLevel, version, matrix);
    if (util.MatrixUtilError)
        fail(QStringLiteral("QR Code matrix construction failed for version %1").arg(version.VersionNumber()));
    qrCode.Mode = codewords.Mode;
    qrCode.ECLevel = codewords.ECLevel;
    qrCode.Version = version.VersionNumber();
    qrCode.MatrixWidth = dimension;
    qrCode.MaskPattern = mask;
    qrCode.NumTotalBytes = numTotalBytes;
    qrCode.NumDataBytes = codewords.NumDataBytes;
    qrCode.NumECBytes = numTotalBytes - codewords.NumDataBytes;
    qrCode.NumRSBlocks = numBlocks;
    qrCode.Matrix = std::move(matrix);
}

void TvdxQREncoder::SetData(const QString &value)
{
    if (value == m_data)
        return;
    m_data = value;
    Encode();
}

void TvdxQREncoder::SetEncoding(TQRCodeEncoding value)
{
    if (value == m_encoding)
        return;
    m_encoding = value;
    Encode();
}

void TvdxQREncoder::SetErrorLevels(TQRErrorLevels value)
{
    m_errorLevels = value;
    Encode();
}

void TvdxQREncoder::SetQuietZone(int value)
{
    if (value == m_quietZone || value < 0 || value > 100)
        return;
    m_quietZone = value;
    // The quiet zone does not change the symbol, only the grid around it.
    if (m_dimension > 0) {
        m_rows = m_dimension + 2 * m_quietZone;
        m_columns = m_dimension + 2 * m_quietZone;
    }
}

void TvdxQREncoder::SetCodePage(int value)
{
    if (value == m_codePage)
        return;
    m_codePage = value;
    Encode();
}

bool TvdxQREncoder::IsBlack(int row, int column) const
{
    place();
    return m_matrix.Get(column - m_quietZone, row - m_quietZone);
}

void TvdxQREncoder::Encode()
{
    m_level = TErrorCorrectionLevel::From(m_errorLevels);
    TEncoder encoder;
    encoder.Codepage = m_codePage;
    TQRCodewords codewords;
    try {
        encoder.Codewords(m_data, m_encoding, m_level, codewords);
    } catch (const Exception &e) {
        m_lastError = e.message();
        throw;
    }
    m_lastError.clear();
    const int dimension = codewords.Version->GetDimension();
    m_dimension = dimension;
    m_version = codewords.Version->VersionNumber();
    m_rows = m_dimension + 2 * m_quietZone;
    m_columns = m_dimension + 2 * m_quietZone;
    m_unplaced = std::move(codewords);
}

void TvdxQREncoder::place() const
{
    if (!m_unplaced)
        return;
    TQRCodewords codewords = std::move(*m_unplaced);
    m_unplaced.reset();
    TEncoder encoder;
    TQRCode code;
    try {
        encoder.Place(codewords, code);
    } catch (const Exception &e) {
        // Placing fails only on an inner fault: the previous modules stay.
        m_lastError = e.message();
        return;
    }
    const TByteMatrix &m = *code.Matrix;
    T2DBooleanArray result(m.Width(), m.Height());
    for (int y = 0; y < m.Height(); ++y)
        for (int x = 0; x < m.Width(); ++x)
            result.Set(x, y, m.Raw(x, y) == 1);
    m_matrix = std::move(result);
    m_mask = code.MaskPattern;
}
