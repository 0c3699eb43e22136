#include "core/vdGif1.h"
#include "platform/Canvas.h"

#include <QBuffer>
#include <QMutex>
#include <QMutexLocker>
#include <algorithm>
#include <cstring>

namespace {

const char *const kGifMessages[] = {
    "no error",
    "Invalid GIF Signature Code",
    "No Local or Global Color Table for Image",
    "Unknown Graphics Extension Type",
    "Unknown Graphics Operation Code",
    "Invalid Extension Block Size",
    "[special message]",
    "Invalid Extension Block Terminator",
    "Invalid Integer Size",
    "No GIF Terminator Found",
    "Extension Block Out-Of-Order With Image Data",
    "Invalid Image Descriptor Index",
    "Invalid LZW Code Size",
    "Invalid LZW Data Format",
    "LZW Code Overflow",
    "Value Out Of Range",
    "NIL Pointer assigned",
    "Invalid Color Table Size",
    "No Image Description",
    "Invalid Bitmap Image",
    "Invalid Color Table Index",
    "Invalid Interlace Pass",
    "Invalid Bitmap",
    "Too Many Colors In Bitmap",
    "Unexpected end of file",
    "Animated GIF too large",
    "Zero width or height",
    "next message",
};

QMutex g_errorLock;
int g_lastErrorCode = 0;
QString g_lastErrorText;

void setLastError(int code, const QString &text)
{
    QMutexLocker lock(&g_errorLock);
    g_lastErrorCode = code;
    g_lastErrorText = text;
}

// Largest strip we build, in bytes; a mask doubles the memory, so transparent GIFs get half.
constexpr qint64 kMaxStripBytes = 200000000;
constexpr qint64 kMaxMaskedStripBytes = 100000000;
// No single image needs more index bytes than the largest strip could show.
constexpr qint64 kMaxImagePixels = kMaxStripBytes;

constexpr int kMaxCodes = 4096;

int sizeCodeFor(int size)
{
    int n = 0;
    while (n < 7 && (1 << (n + 1)) < size)
        ++n;
    return n;
}

// Row order of an image: top to bottom, or the four interlace passes.
std::vector<int> rowOrder(int height, bool interlaced)
{
    std::vector<int> rows;
    rows.reserve(size_t(std::max(height, 0)));
    if (!interlaced) {
        for (int y = 0; y < height; ++y)
            rows.push_back(y);
        return rows;
    }
    static const int start[4] = {0, 4, 2, 1};
    static const int step[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = start[pass]; y < height; y += step[pass])
            rows.push_back(y);
    return rows;
}

// Codes are packed least significant bit first; past the end the data reads as zero bytes.
class BitReader {
public:
    BitReader(const QByteArray &data) : m_data(reinterpret_cast<const uchar *>(data.constData())), m_size(data.size()) {}
    bool hasCode(int size) const { return m_pos < m_size || m_bits >= size; }
    int read(int size)
    {
        while (m_bits < size) {
            const quint32 b = m_pos < m_size ? m_data[m_pos] : 0;
            ++m_pos;
            m_buffer |= b << m_bits;
            m_bits += 8;
        }
        const int code = int(m_buffer & ((1u << size) - 1));
        m_buffer >>= size;
        m_bits -= size;
        return code;
    }

private:
    const uchar *m_data;
    qint64 m_size;
    qint64 m_pos = 0;
    quint32 m_buffer = 0;
    int m_bits = 0;
};

class BitWriter {
public:
    explicit BitWriter(QByteArray &out) : m_out(out) {}
    void put(int code, int size)
    {
        while (m_bits >= 8) {
            m_out.append(char(m_buffer & 0xFF));
            m_buffer >>= 8;
            m_bits -= 8;
        }
        m_buffer |= quint32(code & ((1 << size) - 1)) << m_bits;
        m_bits += size;
    }
    void flush()
    {
        while (m_bits > 0) {
            m_out.append(char(m_buffer & 0xFF));
            m_buffer >>= 8;
            m_bits -= 8;
        }
        m_bits = 0;
        m_buffer = 0;
    }

private:
    QByteArray &m_out;
    quint32 m_buffer = 0;
    int m_bits = 0;
};

// Stores decoded indices at successive positions; positions past the image are dropped.
class PixelSink {
public:
    explicit PixelSink(TGifImageDescriptor &id)
        : m_pixels(id.rPixelList.data()), m_width(id.rWidth), m_rows(rowOrder(id.rHeight, id.rInterlaced))
    {
    }
    bool full() const { return m_row >= m_rows.size(); }
    void put(quint8 v)
    {
        if (full())
            return;
        m_pixels[size_t(m_rows[m_row]) * size_t(m_width) + size_t(m_x)] = v;
        if (++m_x >= m_width) {
            m_x = 0;
            ++m_row;
        }
    }

private:
    quint8 *m_pixels;
    int m_width;
    std::vector<int> m_rows;
    size_t m_row = 0;
    int m_x = 0;
};

void decodeLZW(TGifImageDescriptor &id, const QByteArray &data)
{
    const int minSize = id.rLZWSize;
    if (minSize + 1 > 12)
        GifError(gifLZWCodeSize);
    const int clear = 1 << minSize;
    const int end = clear + 1;
    std::vector<quint16> prefix(kMaxCodes), firstIndex(kMaxCodes);
    std::vector<quint8> suffix(kMaxCodes), stack(kMaxCodes + 1);
    int curSize = minSize + 1;
    int curSlot = end + 1;
    int topSlot = 1 << curSize;
    bool full = false;
    bool started = false;
    int prev = 0;

    BitReader bits(data);
    PixelSink sink(id);

    auto firstOf = [&](int code) { return code < clear ? code : int(firstIndex[code]); };
    auto emitString = [&](int code) {
        int sp = 0;
        while (code > end && sp < kMaxCodes) {
            stack[sp++] = suffix[code];
            code = prefix[code];
        }
        stack[sp++] = quint8(code);
        while (sp > 0)
            sink.put(stack[--sp]);
    };
    auto add = [&](int pre, int idx) {
        if (full)
            return;
        prefix[curSlot] = quint16(pre);
        suffix[curSlot] = quint8(idx);
        firstIndex[curSlot] = quint16(firstOf(pre));
        ++curSlot;
        if (curSlot >= topSlot) {
            if (curSize < 12) {
                ++curSize;
                topSlot <<= 1;
            } else {
                full = true;
            }
        }
    };

    while (!sink.full() && bits.hasCode(curSize)) {
        int code = bits.read(curSize);
        if (code == clear) {
            curSize = minSize + 1;
            curSlot = end + 1;
            topSlot = 1 << curSize;
            full = false;
            do {
                if (!bits.hasCode(curSize))
                    return;
                code = bits.read(curSize);
            } while (code == clear);
            if (code == end)
                GifError(gifLZWDataFormat);
            if (code >= curSlot)
                code = 0;
            sink.put(quint8(code));
            prev = code;
            started = true;
            continue;
        }
        if (!started) {
            if (code != 0)
                GifError(gifLZWDataFormat);
            sink.put(0);
            prev = 0;
            started = true;
            continue;
        }
        if (code == end)
            return;
        if (code < curSlot) {
            emitString(code);
            add(prev, firstOf(code));
        } else if (code == curSlot && !full) {
            const int first = firstOf(prev);
            emitString(prev);
            sink.put(quint8(first));
            add(prev, first);
        } else {
            GifError(gifLZWDataFormat);
        }
        prev = code;
    }
}

QRgb toRgb32(quint32 color)
{
    return qRgb(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

// 1-bit mask with a black/white colour table: 255 becomes white.
QImage toMono(const QImage &gray)
{
    QImage mono(gray.width(), gray.height(), QImage::Format_Mono);
    mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    mono.fill(0);
    for (int y = 0; y < gray.height(); ++y) {
        const uchar *src = gray.constScanLine(y);
        uchar *dst = mono.scanLine(y);
        for (int x = 0; x < gray.width(); ++x)
            if (src[x] >= 128)
                dst[x >> 3] |= uchar(0x80 >> (x & 7));
    }
    return mono;
}

QByteArray encodeLZW(const TGifImageDescriptor &id)
{
    QByteArray out;
    const int minSize = std::clamp(id.rLZWSize, 0, 11);
    const int clear = 1 << minSize;
    const int end = clear + 1;
    const int firstFree = clear + 2;
    const std::vector<int> rows = rowOrder(id.rHeight, id.rInterlaced);
    // Indices missing from a short pixel list encode as 0.
    const qint64 count = id.rWidth > 0 ? qint64(id.rWidth) * qint64(rows.size()) : 0;
    const quint8 *pixels = id.rPixelList.data();
    const size_t available = id.rPixelList.size();
    const int width = id.rWidth;

    qint64 consumed = 0;
    size_t row = 0;
    int x = 0;
    bool unget = false;
    int last = 0;
    auto remaining = [&] { return unget || consumed < count; };
    auto readPixel = [&]() -> int {
        if (unget) {
            unget = false;
            return last;
        }
        const size_t at = size_t(rows[row]) * size_t(width) + size_t(x);
        last = at < available ? pixels[at] : 0;
        if (++x >= width) {
            x = 0;
            ++row;
        }
        ++consumed;
        return last;
    };

    // Children of each code, so finding (string, index) walks only that string's extensions.
    std::vector<int> child(kMaxCodes), sibling(kMaxCodes), suffix(kMaxCodes);
    int nextSlot = firstFree;
    int curSize = minSize + 1;
    auto reset = [&] {
        std::fill(child.begin(), child.end(), -1);
        nextSlot = firstFree;
        curSize = minSize + 1;
    };
    auto find = [&](int cur, int idx) {
        for (int e = child[cur]; e != -1; e = sibling[e])
            if (suffix[e] == idx)
                return e;
        return -1;
    };

    BitWriter writer(out);
    reset();
    writer.put(clear, curSize);
    if (count > 0) {
        int cur = readPixel();
        writer.put(cur, curSize);
        while (remaining()) {
            const int c = readPixel();
            bool tableFull = false;
            suffix[nextSlot] = c;
            child[nextSlot] = -1;
            sibling[nextSlot] = child[cur & (kMaxCodes - 1)];
            child[cur & (kMaxCodes - 1)] = nextSlot;
            ++nextSlot;
            if (nextSlot >= kMaxCodes)
                tableFull = true;
            else if ((1 << curSize) < nextSlot)
                ++curSize;
            cur = c;
            while (remaining()) {
                const int p = readPixel();
                const int e = find(cur & (kMaxCodes - 1), p);
                if (e < 0) {
                    unget = true;
                    break;
                }
                cur = e;
            }
            writer.put(cur, curSize);
            if (tableFull && remaining()) {
                writer.put(clear, curSize);
                reset();
                cur = readPixel();
                writer.put(cur, curSize);
            }
        }
    }
    writer.put(end, curSize);
    writer.flush();
    return out;
}

} // namespace

QString GifErrorText(int code)
{
    if (code < 0 || code > gifNextMessage)
        return QString();
    return QString::fromLatin1(kGifMessages[code]);
}

int GifLastErrorCode()
{
    QMutexLocker lock(&g_errorLock);
    return g_lastErrorCode;
}

QString GifLastErrorText()
{
    QMutexLocker lock(&g_errorLock);
    return g_lastErrorText;
}

void GifError(int code, const QString &special)
{
    const QString text = code == gifSpecialMessage && !special.isEmpty() ? special : GifErrorText(code);
    setLastError(code, text);
    throw EInvalidGraphicOperation(QStringLiteral("TGif: %1").arg(text));
}

// ---------------------------------------------------------------------------------------
// TvdxHtBitmap

VD_DEFINE_GRAPHIC_CLASS(TvdxHtBitmap, TBitmap)

TvdxHtBitmap::TvdxHtBitmap(bool withTransparentMask)
{
    if (withTransparentMask)
        SetTransparentMask(true);
}

TvdxHtBitmap::~TvdxHtBitmap() = default;

void TvdxHtBitmap::ensureMask()
{
    if (!m_mask) {
        m_mask = std::make_unique<TvdxHtBitmap>(false);
        m_mask->SetTransparent(false);
        m_mask->SetTransparentColor(clNone);
    }
}

void TvdxHtBitmap::SetTransparentMask(bool value)
{
    m_transparentMask = value;
    if (value)
        ensureMask();
}

void TvdxHtBitmap::SetBitmapMask(const TBitmap *mask)
{
    if (!mask) {
        m_mask.reset();
        m_transparentMask = false;
        return;
    }
    ensureMask();
    if (mask != m_mask.get())
        m_mask->SetImage(mask->Image(), pf1bit);
}

void TvdxHtBitmap::Assign(const TGraphic &source)
{
    if (&source == this)
        return;
    TBitmap::Assign(source);
    if (const auto *ht = dynamic_cast<const TvdxHtBitmap *>(&source)) {
        m_transparentMask = ht->m_transparentMask;
        if (ht->m_mask) {
            ensureMask();
            m_mask->SetImage(ht->m_mask->Image(), pf1bit);
        } else {
            m_mask.reset();
        }
    }
}

void TvdxHtBitmap::Draw(Canvas &canvas, const TRect &rect) const
{
    StretchDraw(canvas, rect, TRect(0, 0, Width(), Height()));
}

void TvdxHtBitmap::StretchDraw(Canvas &canvas, const TRect &destRect, const TRect &srcRect) const
{
    if (Empty())
        return;
    const TvdxHtBitmap *mask = BitmapMask();
    if (mask && !mask->Empty())
        canvas.DrawMasked(destRect, Image(), srcRect, mask->Image(), true);
    else
        canvas.StretchDIBits(destRect, Image(), srcRect, SRCCOPY);
}

// ---------------------------------------------------------------------------------------
// Parsing

class TGif::Reader {
public:
    explicit Reader(const QByteArray &data, qint64 start) : m_data(data), m_pos(start) {}
    qint64 left() const { return m_data.size() - m_pos; }
    quint8 byte()
    {
        if (m_pos >= m_data.size())
            GifError(gifUnexpectedEof);
        return quint8(m_data.at(m_pos++));
    }
    // Block introducers: the end of the stream reads as 0.
    quint8 byteOrZero() { return m_pos < m_data.size() ? quint8(m_data.at(m_pos++)) : 0; }
    int word()
    {
        const int lo = byte();
        return lo | (byte() << 8);
    }
    QByteArray bytes(qint64 n)
    {
        if (n > left())
            GifError(gifUnexpectedEof);
        QByteArray b = m_data.mid(m_pos, n);
        m_pos += n;
        return b;
    }
    // Data sub-blocks up to the zero length byte.
    QList<QByteArray> subBlocks()
    {
        QList<QByteArray> blocks;
        for (;;) {
            const int n = byte();
            if (n == 0)
                return blocks;
            blocks.append(bytes(n));
        }
    }
    void readTable(TGifColorTable &table, int size)
    {
        const QByteArray raw = bytes(qint64(size) * 3);
        table.rSize = size;
        for (int i = 0; i < size; ++i)
            table.rColors[i] = quint8(raw[3 * i]) | (quint32(quint8(raw[3 * i + 1])) << 8)
                | (quint32(quint8(raw[3 * i + 2])) << 16);
    }

private:
    const QByteArray &m_data;
    qint64 m_pos;
};

TGif::TGif() = default;
TGif::~TGif() = default;

std::unique_ptr<TGif> TGif::CreateCopy(const TGif &source)
{
    auto copy = std::make_unique<TGif>();
    QByteArray bytes = source.SaveToBytes();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    copy->LoadFromStream(buffer);
    return copy;
}

void TGif::FreeImage()
{
    m_signature = TGifSignature();
    m_screen = TGifScreenDescriptor();
    m_colorTables.clear();
    m_images.clear();
    m_pendingExtensions.clear();
    m_loopCount = -1;
}

QString TGif::Signature() const
{
    return QString::fromLatin1(m_signature.rSignature, 6);
}

void TGif::LoadFromStream(QIODevice &source)
{
    FreeImage();
    setLastError(0, QString());
    const QByteArray data = source.readAll();
    Reader r(data, 0);

    if (r.left() < 6)
        GifError(gifSignature);
    const QByteArray sig = r.bytes(6);
    const QByteArray upper = sig.toUpper();
    if (upper != "GIF87A" && upper != "GIF89A")
        GifError(gifSignature);
    std::memcpy(m_signature.rSignature, sig.constData(), 6);

    m_screen.rWidth = r.word();
    m_screen.rHeight = r.word();
    const int packed = r.byte();
    m_screen.rGlobalColorValid = (packed & 0x80) != 0;
    m_screen.rColorResolution = ((packed >> 4) & 7) + 1;
    m_screen.rSorted = (packed & 0x08) != 0;
    m_screen.rGlobalColorSize = 1 << ((packed & 7) + 1);
    m_screen.rBackgroundIndex = r.byte();
    m_screen.rAspectRatio = r.byte();
    m_screen.rGlobalColorTable = -1;
    if (m_screen.rGlobalColorValid) {
        TGifColorTable table;
        r.readTable(table, m_screen.rGlobalColorSize);
        m_colorTables.append(table);
        m_screen.rGlobalColorTable = int(m_colorTables.size()) - 1;
    }

    try {
        for (;;) {
            const quint8 op = r.byteOrZero();
            if (op == 0x3B || op == 0)
                break;
            if (op == 0x2C)
                readImage(r);
            else if (op == 0x21)
                readExtension(r);
            else
                GifError(gifUnknownOpCode);
        }
    } catch (const EInvalidGraphicOperation &) {
        // An image that got no pixels is no image; a file that holds no image or that
        // is too large to show is refused, anything else keeps what was read.
        if (!m_images.isEmpty()) {
            if (m_images.last().rPixelList.empty())
                m_images.removeLast();
        }
        if (m_images.isEmpty() || GifLastErrorCode() == gifTooLarge) {
            m_pendingExtensions.clear();
            throw;
        }
    }
    m_pendingExtensions.clear();
}

void TGif::readExtension(Reader &r)
{
    TGifExtension ext;
    ext.eLabel = r.byte();
    switch (ext.eLabel) {
    case kGifLabelGraphicControl: {
        ext.rBlockSize = r.byte();
        if (ext.rBlockSize != 4)
            GifError(gifExtensionBlockSize);
        const int packed = r.byte();
        ext.rDisposal = (packed >> 2) & 7;
        ext.rUserInputFlag = (packed & 2) != 0;
        ext.rTransparentFlag = (packed & 1) != 0;
        ext.rDelayTime = r.word();
        ext.rTransparentIndex = r.byte();
        if (r.byte() != 0)
            GifError(gifExtensionTerminator);
        break;
    }
    case kGifLabelComment:
        ext.rDataBlocks = r.subBlocks();
        break;
    case kGifLabelPlainText:
        ext.rBlockSize = r.byte();
        if (ext.rBlockSize != 12)
            GifError(gifExtensionBlockSize);
        ext.rGridLeft = r.word();
        ext.rGridTop = r.word();
        ext.rGridWidth = r.word();
        ext.rGridHeight = r.word();
        ext.rCellWidth = r.byte();
        ext.rCellHeight = r.byte();
        ext.rForegroundIndex = r.byte();
        ext.rBackgroundIndex = r.byte();
        ext.rDataBlocks = r.subBlocks();
        break;
    case kGifLabelApplication:
        ext.rBlockSize = r.byte();
        if (ext.rBlockSize == 11) {
            ext.rIdentifier = r.bytes(8);
            ext.rAuthentication = r.bytes(3);
        } else {
            ext.rRawBlock = r.bytes(ext.rBlockSize);
        }
        ext.rDataBlocks = r.subBlocks();
        if (ext.rIdentifier == "NETSCAPE" && !ext.rDataBlocks.isEmpty() && ext.rDataBlocks.first().size() == 3) {
            const QByteArray &b = ext.rDataBlocks.first();
            m_loopCount = quint8(b[1]) | (quint8(b[2]) << 8);
        }
        break;
    default:
        GifError(gifSpecialMessage,
                 QStringLiteral("unknown extension: %1").arg(QString::number(ext.eLabel, 16).toUpper().rightJustified(4, QLatin1Char('0'))));
    }
    m_pendingExtensions.append(ext);
}

void TGif::readImage(Reader &r)
{
    m_images.append(TGifImageDescriptor());
    TGifImageDescriptor &id = m_images.last();
    id.rIndex = int(m_images.size()) - 1;
    id.rExtensionList = std::move(m_pendingExtensions);
    m_pendingExtensions.clear();
    id.rLeft = r.word();
    id.rTop = r.word();
    const int width = r.word();
    int height = r.word();
    if (height > m_screen.rHeight)
        height = m_screen.rHeight;
    const int packed = r.byte();
    id.rLocalColorValid = (packed & 0x80) != 0;
    id.rInterlaced = (packed & 0x40) != 0;
    id.rSorted = (packed & 0x20) != 0;
    id.rLocalColorSize = 1 << ((packed & 7) + 1);
    if (id.rLocalColorValid) {
        TGifColorTable table;
        r.readTable(table, id.rLocalColorSize);
        m_colorTables.append(table);
        id.rLocalColorTable = int(m_colorTables.size()) - 1;
    } else if (m_screen.rGlobalColorTable >= 0) {
        id.rLocalColorTable = m_screen.rGlobalColorTable;
    } else {
        GifError(gifNoColorTable);
    }
    id.rLZWSize = r.byte();
    if (id.rLZWSize + 1 > 12)
        GifError(gifLZWCodeSize);
    QByteArray data;
    for (;;) {
        const int n = r.byte();
        if (n == 0)
            break;
        data.append(r.bytes(n));
    }
    const qint64 count = qint64(width) * qint64(height);
    if (count == 0)
        GifError(gifZeroSize);
    if (count > kMaxImagePixels)
        GifError(gifTooLarge);
    id.rWidth = width;
    id.rHeight = height;
    id.rPixelCount = count;
    id.rPixelList.assign(size_t(count), 0);
    decodeLZW(id, data);
}

// ---------------------------------------------------------------------------------------
// Saving

namespace {

void putWord(QByteArray &out, int v)
{
    out.append(char(v & 0xFF));
    out.append(char((v >> 8) & 0xFF));
}

void putSubBlocks(QByteArray &out, const QList<QByteArray> &blocks)
{
    for (const QByteArray &b : blocks) {
        for (qint64 pos = 0; pos < b.size(); pos += 255) {
            const QByteArray part = b.mid(pos, 255);
            out.append(char(part.size()));
            out.append(part);
        }
    }
    out.append('\0');
}

void putTable(QByteArray &out, const TGifColorTable *table, int sizeCode)
{
    const int n = 1 << (sizeCode + 1);
    for (int i = 0; i < n; ++i) {
        const quint32 c = table && i < 256 ? table->rColors[i] : 0;
        out.append(char(c & 0xFF));
        out.append(char((c >> 8) & 0xFF));
        out.append(char((c >> 16) & 0xFF));
    }
}

} // namespace

QByteArray TGif::SaveToBytes() const
{
    QByteArray out;
    const bool plain = m_images.size() == 1 && m_images.first().rExtensionList.isEmpty();
    out.append(plain ? "GIF87a" : "GIF89a");

    putWord(out, m_screen.rWidth);
    putWord(out, m_screen.rHeight);
    const int globalCode = sizeCodeFor(m_screen.rGlobalColorSize);
    out.append(char((m_screen.rGlobalColorValid ? 0x80 : 0) | (((m_screen.rColorResolution - 1) & 7) << 4)
                    | (m_screen.rSorted ? 0x08 : 0) | globalCode));
    out.append(char(m_screen.rBackgroundIndex));
    out.append(char(m_screen.rAspectRatio));
    if (m_screen.rGlobalColorValid) {
        const int t = m_screen.rGlobalColorTable;
        putTable(out, t >= 0 && t < m_colorTables.size() ? &m_colorTables[t] : nullptr, globalCode);
    }

    for (const TGifImageDescriptor &id : m_images) {
        for (const TGifExtension &ext : id.rExtensionList) {
            out.append(char(0x21));
            out.append(char(ext.eLabel));
            switch (ext.eLabel) {
            case kGifLabelGraphicControl:
                out.append(char(4));
                out.append(char(((ext.rDisposal & 7) << 2) | (ext.rUserInputFlag ? 2 : 0) | (ext.rTransparentFlag ? 1 : 0)));
                putWord(out, ext.rDelayTime);
                out.append(char(ext.rTransparentIndex));
                out.append('\0');
                break;
            case kGifLabelComment:
                putSubBlocks(out, ext.rDataBlocks);
                break;
            case kGifLabelPlainText:
                out.append(char(12));
                putWord(out, ext.rGridLeft);
                putWord(out, ext.rGridTop);
                putWord(out, ext.rGridWidth);
                putWord(out, ext.rGridHeight);
                out.append(char(ext.rCellWidth));
                out.append(char(ext.rCellHeight));
                out.append(char(ext.rForegroundIndex));
                out.append(char(ext.rBackgroundIndex));
                putSubBlocks(out, ext.rDataBlocks);
                break;
            case kGifLabelApplication:
                if (ext.rBlockSize == 11 || !ext.rIdentifier.isEmpty()) {
                    out.append(char(11));
                    out.append(ext.rIdentifier.leftJustified(8, '\0', true));
                    out.append(ext.rAuthentication.leftJustified(3, '\0', true));
                } else {
                    out.append(char(ext.rRawBlock.size()));
                    out.append(ext.rRawBlock);
                }
                putSubBlocks(out, ext.rDataBlocks);
                break;
            default:
                GifError(gifSpecialMessage,
                         QStringLiteral("unknown extension: %1").arg(QString::number(ext.eLabel, 16).toUpper().rightJustified(4, QLatin1Char('0'))));
            }
        }
        out.append(char(0x2C));
        putWord(out, id.rLeft);
        putWord(out, id.rTop);
        putWord(out, id.rWidth);
        putWord(out, id.rHeight);
        const int localCode = sizeCodeFor(id.rLocalColorSize);
        out.append(char((id.rLocalColorValid ? 0x80 : 0) | (id.rInterlaced ? 0x40 : 0) | (id.rSorted ? 0x20 : 0) | localCode));
        if (id.rLocalColorValid) {
            const int t = id.rLocalColorTable;
            putTable(out, t >= 0 && t < m_colorTables.size() ? &m_colorTables[t] : nullptr, localCode);
        }
        out.append(char(id.rLZWSize));
        putSubBlocks(out, {encodeLZW(id)});
    }
    out.append(char(0x3B));
    return out;
}

void TGif::SaveToStream(QIODevice &destination) const
{
    destination.write(SaveToBytes());
}

// ---------------------------------------------------------------------------------------
// Per-image queries

void TGif::checkImage(int image) const
{
    if (image < 0 || image >= m_images.size())
        GifError(gifValueRange);
}

TGifImageDescriptor &TGif::GetImageDescriptor(int image)
{
    checkImage(image);
    return m_images[image];
}

const TGifImageDescriptor &TGif::GetImageDescriptor(int image) const
{
    checkImage(image);
    return m_images[image];
}

int TGif::GetImageLeft(int image) const { return GetImageDescriptor(image).rLeft; }
int TGif::GetImageTop(int image) const { return GetImageDescriptor(image).rTop; }
int TGif::GetImageWidth(int image) const { return GetImageDescriptor(image).rWidth; }
int TGif::GetImageHeight(int image) const { return GetImageDescriptor(image).rHeight; }

int TGif::GetImageDepth(int image) const
{
    const TGifImageDescriptor &id = GetImageDescriptor(image);
    return GetColorTable(id.rLocalColorTable).rSize;
}

namespace {
const TGifExtension *graphicControl(const TGifImageDescriptor &id)
{
    for (const TGifExtension &ext : id.rExtensionList)
        if (ext.eLabel == kGifLabelGraphicControl)
            return &ext;
    return nullptr;
}
} // namespace

int TGif::GetImageDelay(int image) const
{
    const TGifExtension *gce = graphicControl(GetImageDescriptor(image));
    return gce && gce->rDelayTime > 0 ? gce->rDelayTime : 1;
}

int TGif::GetImageDisposal(int image) const
{
    const TGifExtension *gce = graphicControl(GetImageDescriptor(image));
    return gce ? (gce->rDisposal & 3) : 0;
}

int TGif::GetTransparentIndex(int image) const
{
    const TGifExtension *gce = graphicControl(GetImageDescriptor(image));
    return gce && gce->rTransparentFlag ? gce->rTransparentIndex : -1;
}

bool TGif::Transparent() const
{
    for (const TGifImageDescriptor &id : m_images) {
        const TGifExtension *gce = graphicControl(id);
        if (gce && gce->rTransparentFlag)
            return true;
    }
    return false;
}

TGifColorTable &TGif::GetColorTable(int table)
{
    if (table < 0 || table >= m_colorTables.size())
        GifError(gifValueRange);
    return m_colorTables[table];
}

const TGifColorTable &TGif::GetColorTable(int table) const
{
    if (table < 0 || table >= m_colorTables.size())
        GifError(gifValueRange);
    return m_colorTables[table];
}

int TGif::AddColorTable(const TGifColorTable &table)
{
    m_colorTables.append(table);
    return int(m_colorTables.size()) - 1;
}

TGifImageDescriptor &TGif::AddImage()
{
    m_images.append(TGifImageDescriptor());
    m_images.last().rIndex = int(m_images.size()) - 1;
    return m_images.last();
}

QImage TGif::GetBitmap(int image)
{
    checkImage(image);
    for (int i = 0; i < m_images.size(); ++i) {
        TGifImageDescriptor &id = m_images[i];
        if (!id.rBitmap.isNull() || id.rWidth <= 0 || id.rHeight <= 0
            || qint64(id.rPixelList.size()) < qint64(id.rWidth) * id.rHeight)
            continue;
        // A private copy of the palette: marking the transparent entry must not
        // recolour other images that share the table, nor what is saved.
        TGifColorTable colors;
        if (id.rLocalColorTable >= 0 && id.rLocalColorTable < m_colorTables.size())
            colors = m_colorTables[id.rLocalColorTable];
        const int transparent = GetTransparentIndex(i);
        if (transparent >= 0 && transparent < colors.rSize)
            colors.rColors[transparent] = kGifMarkerColor;
        QImage bmp(id.rWidth, id.rHeight, QImage::Format_RGB888);
        if (bmp.isNull())
            continue;
        for (int y = 0; y < id.rHeight; ++y) {
            uchar *line = bmp.scanLine(y);
            const quint8 *src = id.rPixelList.data() + size_t(y) * size_t(id.rWidth);
            for (int x = 0; x < id.rWidth; ++x) {
                const quint32 c = colors.rColors[src[x]];
                line[3 * x] = uchar(c & 0xFF);
                line[3 * x + 1] = uchar((c >> 8) & 0xFF);
                line[3 * x + 2] = uchar((c >> 16) & 0xFF);
            }
        }
        id.rBitmap = bmp;
    }
    return m_images[image].rBitmap;
}

// ---------------------------------------------------------------------------------------
// Strip bitmap

std::unique_ptr<TvdxHtBitmap> TGif::GetStripBitmap() const
{
    const int frames = int(m_images.size());
    const qint64 sw = m_screen.rWidth;
    const qint64 sh = m_screen.rHeight;
    const bool transparent = Transparent();
    const qint64 rowSize = ((sw * 3 * frames) + 3) / 4 * 4;
    const qint64 total = rowSize * sh + 54;
    if (total > (transparent ? kMaxMaskedStripBytes : kMaxStripBytes))
        GifError(gifTooLarge);
    // A bitmap side ends at 65535 pixels: a longer strip keeps the leading frames that
    // fit (each column depends only on the frames before it; the first one is what is shown).
    const int columns = sw > 0 ? int(std::min<qint64>(frames, std::max<qint64>(1, vdMaxGraphicSide / sw))) : frames;

    auto strip = std::make_unique<TvdxHtBitmap>(false);
    if (frames == 0 || sw == 0 || sh == 0)
        return strip;
    QImage color(int(sw * columns), int(sh), QImage::Format_RGB32);
    if (color.isNull())
        throw std::bad_alloc();
    color.fill(Qt::black);
    QImage mask;
    if (transparent) {
        mask = QImage(int(sw * columns), int(sh), QImage::Format_Grayscale8);
        if (mask.isNull())
            throw std::bad_alloc();
        mask.fill(255);
    }

    for (int k = 0; k < columns; ++k) {
        const TGifImageDescriptor &id = m_images[k];
        const qint64 column = sw * k;
        const int transIndex = GetTransparentIndex(k);
        TGifColorTable colors;
        if (id.rLocalColorTable >= 0 && id.rLocalColorTable < m_colorTables.size())
            colors = m_colorTables[id.rLocalColorTable];
        if (qint64(id.rPixelList.size()) >= qint64(id.rWidth) * id.rHeight) {
            for (int r = 0; r < id.rHeight; ++r) {
                const qint64 y = qint64(id.rTop) + r;
                if (y < 0)
                    continue;
                if (y >= sh)
                    break;
                QRgb *cl = reinterpret_cast<QRgb *>(color.scanLine(int(y)));
                uchar *ml = transparent ? mask.scanLine(int(y)) : nullptr;
                const quint8 *src = id.rPixelList.data() + size_t(r) * size_t(id.rWidth);
                for (int c = 0; c < id.rWidth; ++c) {
                    const qint64 x = qint64(id.rLeft) + c;
                    if (x < 0)
                        continue;
                    if (x >= sw)
                        break;
                    const qint64 px = column + x;
                    const int index = src[c];
                    const bool isTransparent = index == transIndex;
                    if (!isTransparent)
                        cl[px] = toRgb32(colors.rColors[index]);
                    else if (k == 0)
                        cl[px] = 0xFF000000u;
                    if (ml && (k == 0 || !isTransparent))
                        ml[px] = isTransparent ? 255 : 0;
                }
            }
        }
        if (k + 1 < columns) {
            const qint64 next = column + sw;
            for (int y = 0; y < sh; ++y) {
                QRgb *cl = reinterpret_cast<QRgb *>(color.scanLine(y));
                std::memcpy(cl + next, cl + column, size_t(sw) * sizeof(QRgb));
                if (transparent) {
                    uchar *ml = mask.scanLine(y);
                    std::memcpy(ml + next, ml + column, size_t(sw));
                }
            }
            const int disposal = GetImageDisposal(k);
            if (transparent && (disposal == 2 || disposal == 3)) {
                const qint64 bottom = std::min<qint64>(sh, qint64(id.rTop) + id.rHeight);
                const qint64 right = std::min<qint64>(sw, qint64(id.rLeft) + id.rWidth);
                for (qint64 y = std::max(0, id.rTop); y < bottom; ++y) {
                    uchar *ml = mask.scanLine(int(y));
                    for (qint64 x = std::max(0, id.rLeft); x < right; ++x)
                        ml[next + x] = 255;
                }
            }
        }
    }

    strip->SetImage(color, pf24bit);
    if (transparent) {
        TBitmap maskBitmap;
        maskBitmap.SetImage(toMono(mask), pf1bit);
        strip->SetTransparentMask(true);
        strip->SetBitmapMask(&maskBitmap);
    }
    return strip;
}
