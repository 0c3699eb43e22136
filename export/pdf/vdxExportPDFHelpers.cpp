#include "export/pdf/vdxExportPDFHelpers.h"

#include "core/vdGZip.h"
#include "platform/CodePage.h"

#include <QBuffer>
#include <QIODevice>
#include <algorithm>
#include <limits>

namespace {

const char kHexDigits[] = "0123456789ABCDEF";

void appendHexByte(QByteArray &out, uint8_t b)
{
    out.append(kHexDigits[b >> 4]);
    out.append(kHexDigits[b & 15]);
}

void appendHexUnit(QByteArray &out, uint16_t u)
{
    appendHexByte(out, uint8_t(u >> 8));
    appendHexByte(out, uint8_t(u & 0xFF));
}

void writeBytes(QIODevice &stream, const char *data, qint64 length)
{
    if (length <= 0)
        return;
    if (stream.write(data, length) != length)
        throw EPDFWriteError(QStringLiteral("Stream write error"));
}

// Offsets in the table are 32-bit: the format covers files below 2 GiB.
int32_t checkedOffset(qint64 pos)
{
    if (pos < 0 || pos > std::numeric_limits<int32_t>::max())
        throw EPDFExportError(QStringLiteral("PDF output position out of range: %1").arg(pos));
    return int32_t(pos);
}

} // namespace

// ---- Writing primitives ------------------------------------------------------

void WriteRaw(QIODevice &stream, const QString &text)
{
    WriteRaw(stream, EncodeAnsi(text));
}

void WriteRaw(QIODevice &stream, const QByteArray &bytes)
{
    writeBytes(stream, bytes.constData(), bytes.size());
}

void WriteRaw(QIODevice &stream, const char *latin1)
{
    writeBytes(stream, latin1, qint64(qstrlen(latin1)));
}

void WriteLine(QIODevice &stream, const QString &text)
{
    WriteRaw(stream, text);
    writeBytes(stream, "\r\n", 2);
}

void WriteLine(QIODevice &stream, const QByteArray &bytes)
{
    WriteRaw(stream, bytes);
    writeBytes(stream, "\r\n", 2);
}

void WriteLine(QIODevice &stream, const char *latin1)
{
    WriteRaw(stream, latin1);
    writeBytes(stream, "\r\n", 2);
}

QByteArray ObjHeader(int32_t objNo)
{
    return QByteArray::number(objNo) + " 0 obj";
}

QByteArray ObjRef(int32_t objNo)
{
    return QByteArray::number(objNo) + " 0 R";
}

// ---- String forms ----------------------------------------------------------------

QByteArray EscapeLiteral(const QByteArray &bytes)
{
    QByteArray out;
    out.reserve(bytes.size() + 8);
    for (char c : bytes) {
        switch (c) {
        case '\n': out.append("\\n"); break;
        case '\r': out.append("\\r"); break;
        case '(': out.append("\\("); break;
        case ')': out.append("\\)"); break;
        case '\\': out.append("\\\\"); break;
        default: out.append(c);
        }
    }
    return out;
}

QByteArray HexAnsiString(const QByteArray &bytes, int32_t objNo, const TPDFObjectEncryptor *encryptor)
{
    const QByteArray data = encryptor ? encryptor->Encrypt(bytes, objNo) : bytes;
    QByteArray out;
    out.reserve(data.size() * 2 + 2);
    out.append('<');
    for (char c : data)
        appendHexByte(out, uint8_t(c));
    out.append('>');
    return out;
}

QByteArray ToUTF16BE(const QString &text)
{
    QByteArray out;
    out.reserve(text.size() * 2 + 2);
    out.append(char(0xFE));
    out.append(char(0xFF));
    for (QChar ch : text) {
        out.append(char(ch.unicode() >> 8));
        out.append(char(ch.unicode() & 0xFF));
    }
    return out;
}

QByteArray HexUnicodeString(const QString &text, int32_t objNo, const TPDFObjectEncryptor *encryptor)
{
    return HexAnsiString(ToUTF16BE(text), objNo, encryptor);
}

QByteArray PdfUriString(const QString &text)
{
    bool literal = true;
    int depth = 0;
    for (QChar ch : text) {
        const ushort u = ch.unicode();
        if (u < 32 || u > 126) {
            literal = false;
            break;
        }
        if (u == '(') {
            ++depth;
        } else if (u == ')') {
            if (depth == 0) {
                literal = false;
                break;
            }
            --depth;
        }
    }
    if (literal && depth == 0)
        return '(' + text.toLatin1() + ')';
    QByteArray out;
    out.reserve(text.size() * 4 + 2);
    out.append('<');
    for (QChar ch : text)
        appendHexUnit(out, ch.unicode());
    out.append('>');
    return out;
}

QByteArray HexUTF16FEFF(const QString &text)
{
    QByteArray out("FEFF");
    out.reserve(text.size() * 4 + 4);
    for (QChar ch : text)
        appendHexUnit(out, ch.unicode());
    return out;
}

QByteArray GlyphsToHex(const QList<uint16_t> &glyphs)
{
    QByteArray out;
    out.reserve(glyphs.size() * 4);
    for (uint16_t g : glyphs)
        appendHexUnit(out, g);
    return out;
}

// ---- Streams ---------------------------------------------------------------------

void WriteStream(QIODevice &target, std::unique_ptr<QIODevice> source, bool length1Mode, bool closeDict,
                 bool openDict, const TPDFObjectEncryptor *encryptor, bool compress, int32_t objNo)
{
    if (!source)
        throw EPDFExportError(QStringLiteral("No stream data"));
    if (!source->isOpen() && !source->open(QIODevice::ReadOnly))
        throw EPDFExportError(QStringLiteral("Stream read error"));
    if (openDict)
        WriteRaw(target, "<<");
    // A TrueType font file states its unpacked length as well.
    if (length1Mode)
        WriteRaw(target, "/Length1 " + QByteArray::number(source->size()));

    std::unique_ptr<QIODevice> data;
    if (compress) {
        auto packed = std::make_unique<QBuffer>();
        packed->open(QIODevice::ReadWrite);
        ZCompressStream(*source, *packed, TvdCompressionLevel::clFastest);
        packed->seek(0);
        WriteRaw(target, "/Length " + QByteArray::number(packed->size()));
        WriteRaw(target, "/Filter/FlateDecode");
        data = std::move(packed);
    } else {
        WriteRaw(target, "/Length " + QByteArray::number(source->size()));
        source->seek(0);
        data = std::move(source);
    }
    WriteLine(target, closeDict ? ">>" : "");
    WriteLine(target, "stream");

    if (encryptor) {
        const QByteArray plain = data->readAll();
        if (plain.size() != data->size())
            throw EPDFExportError(QStringLiteral("Stream read error"));
        const QByteArray sealed = encryptor->Encrypt(plain, objNo);
        if (sealed.size() != plain.size())
            throw EPDFExportError(QStringLiteral("Encryption changed the stream length"));
        WriteRaw(target, sealed);
    } else {
        constexpr qint64 kBlock = 1048576;
        const qint64 expected = data->size();
        qint64 copied = 0;
        QByteArray block;
        for (;;) {
            block = data->read(kBlock);
            if (block.isEmpty())
                break;
            WriteRaw(target, block);
            copied += block.size();
        }
        // "/Length" is already out: a short read would leave a damaged file.
        if (copied != expected)
            throw EPDFExportError(QStringLiteral("Stream read error"));
    }
    writeBytes(target, "\n", 1);
    WriteLine(target, "endstream");
    WriteLine(target, "endobj");
}

// ---- Cross-reference table ---------------------------------------------------------

TCrossReferenceEntry::TCrossReferenceEntry(int32_t id, int32_t offset, bool freeEntry, int32_t generationNumber)
    : FId(id), FOffset(offset), FGenerationNumber(generationNumber), FFreeEntry(freeEntry)
{
}

QByteArray TCrossReferenceEntry::EntryStr(bool singleCharacterEOL) const
{
    QByteArray s = QByteArray::number(FOffset).rightJustified(10, '0') + ' '
                   + QByteArray::number(FGenerationNumber).rightJustified(5, '0') + ' ' + (FFreeEntry ? 'f' : 'n');
    if (singleCharacterEOL)
        s.append(' ');
    return s;
}

QByteArray TCrossReferenceEntry::SubsectionStr() const
{
    return QByteArray::number(FId) + ' ' + QByteArray::number(FSubsection.Length);
}

void TCrossReferenceEntry::CombiteSubsections(TCrossReferenceEntry &next)
{
    FSubsection.Length += next.FSubsection.Length;
    next.FSubsection.Start = false;
}

TCrossReferenceSection::TCrossReferenceSection(bool singleCharacterEOL) : FSingleCharacterEOL(singleCharacterEOL)
{
    FNextId = 1;
    Init();
}

void TCrossReferenceSection::Init()
{
    m_entries.emplace_back(0, FSectionOffset, true, 65535);
}

void TCrossReferenceSection::Clear()
{
    m_entries.clear();
    FNextId = 1;
}

void TCrossReferenceSection::AddId(int32_t id, int32_t offset)
{
    m_entries.emplace_back(id, offset, false, 0);
}

int32_t TCrossReferenceSection::AddNext(int32_t offset)
{
    const int32_t id = FNextId;
    AddId(id, offset);
    ++FNextId;
    return id;
}

int TCrossReferenceSection::IndexOfId(int32_t id) const
{
    for (size_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].FId == id)
            return int(i);
    return -1;
}

void TCrossReferenceSection::SetOffset(int32_t id, int32_t offset)
{
    const int i = IndexOfId(id);
    if (i < 0)
        AddId(id, offset);
    else
        m_entries[size_t(i)].FOffset = offset;
}

void TCrossReferenceSection::PrepareToOut()
{
    std::stable_sort(m_entries.begin(), m_entries.end(),
                     [](const TCrossReferenceEntry &a, const TCrossReferenceEntry &b) { return a.FId < b.FId; });
    for (size_t i = 1; i < m_entries.size(); ++i)
        if (m_entries[i].FId == m_entries[i - 1].FId)
            throw EPDFExportError(QStringLiteral("Cross Reference Error: Entries with the same Id's"));
    for (int i = int(m_entries.size()) - 2; i >= 0; --i) {
        TCrossReferenceEntry &e = m_entries[size_t(i)];
        TCrossReferenceEntry &next = m_entries[size_t(i) + 1];
        if (e.FSubsection.Start && next.FSubsection.Start && next.FId == e.FId + 1)
            e.CombiteSubsections(next);
    }
}

bool TCrossReferenceSection::IsSubsection(int index, QByteArray &subsectionStr) const
{
    const TCrossReferenceEntry &e = m_entries.at(size_t(index));
    if (!e.FSubsection.Start)
        return false;
    subsectionStr = e.SubsectionStr();
    return true;
}

QByteArray TCrossReferenceSection::OutLine(int index) const
{
    return m_entries.at(size_t(index)).EntryStr(FSingleCharacterEOL);
}

void TCrossReferenceSection::WriteTo(QIODevice &stream) const
{
    WriteLine(stream, "xref");
    QByteArray header;
    for (int i = 0; i < Count(); ++i) {
        if (IsSubsection(i, header))
            WriteLine(stream, header);
        WriteLine(stream, OutLine(i));
    }
}

// ---- Reference sets ----------------------------------------------------------------

TReferenceArray::TReferenceArray()
{
    FData.reserve(32);
}

int TReferenceArray::Add(int32_t objNo)
{
    const int i = int(FData.indexOf(objNo));
    if (i >= 0)
        return i;
    if (FData.size() == FData.capacity())
        FData.reserve(FData.capacity() * 2);
    FData.append(objNo);
    FCount = int(FData.size());
    return FCount - 1;
}

void TReferenceArray::Clear()
{
    FData.resize(0);
    FCount = 0;
}

int32_t TReferenceArray::GetNo(int index) const
{
    if (index < 0 || index >= FCount)
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return FData.at(index);
}

QByteArray TReferenceArray::GetRef(int index) const
{
    return ObjRef(GetNo(index));
}

void TReferenceArray::WriteAsArray(QIODevice &stream, const QByteArray &caption) const
{
    if (FCount == 0)
        return;
    QByteArray line = caption + " [";
    for (int i = 0; i < FCount; ++i) {
        if (i > 0)
            line.append(' ');
        line.append(GetRef(i));
    }
    line.append(']');
    WriteLine(stream, line);
}

TPageByPageReferenceArray::TPageByPageReferenceArray()
{
    FData.resize(32);
    FContents.resize(32, 0);
}

TPageByPageReferenceArray::~TPageByPageReferenceArray() = default;

void TPageByPageReferenceArray::Grow(int index)
{
    if (index < 0)
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    if (size_t(index) < FContents.size())
        return;
    const size_t n = std::max(FContents.size() * 2, size_t(index) + 1);
    FData.resize(n);
    FContents.resize(n, 0);
}

TReferenceArray *TPageByPageReferenceArray::GetData(int index) const
{
    if (index < 0 || size_t(index) >= FData.size())
        return nullptr;
    return FData[size_t(index)].get();
}

void TPageByPageReferenceArray::SetData(int index, TReferenceArray *value)
{
    std::unique_ptr<TReferenceArray> owned(value);
    Grow(index);
    FData[size_t(index)] = std::move(owned);
}

int32_t TPageByPageReferenceArray::GetContents(int index) const
{
    if (index < 0 || size_t(index) >= FContents.size())
        return 0;
    return FContents[size_t(index)];
}

void TPageByPageReferenceArray::SetContents(int index, int32_t value)
{
    Grow(index);
    FContents[size_t(index)] = value;
}

// ---- The objects helper ---------------------------------------------------------------

TPDFObjectsHelper::TPDFObjectsHelper() : FCRS(std::make_unique<TCrossReferenceSection>(false)) {}

TPDFObjectsHelper::~TPDFObjectsHelper() = default;

void TPDFObjectsHelper::Clear()
{
    FCRS->Clear();
    FCRS->Init();
    FIsBBoxReleative = false;
}

int32_t TPDFObjectsHelper::UpdateXRef()
{
    const int32_t offset = FpdfStream ? checkedOffset(FpdfStream->pos()) : 0;
    FLastRequestedXRef = FCRS->AddNext(offset);
    return FLastRequestedXRef;
}
