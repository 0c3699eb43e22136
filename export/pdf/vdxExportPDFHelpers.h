// The byte-level layer every PDF writer shares: text to the output, object
// headers and references, string forms, the stream writer, object numbering
// with the cross-reference table and the per-page reference sets.
#pragma once
#include "platform/Exception.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class QIODevice;
class TvdxPDFXObjectArray;

VD_DECLARE_EXCEPTION(EPDFExportError, Exception)
// A short write to the output stream.
VD_DECLARE_EXCEPTION(EPDFWriteError, EPDFExportError)

// Encrypts the strings and streams of one object (the standard security
// handler plugs in here). The length of the data must not change.
class TPDFObjectEncryptor {
public:
    virtual ~TPDFObjectEncryptor() = default;
    virtual QByteArray Encrypt(const QByteArray &data, int32_t objNo) const = 0;
    // Writes the encryption dictionary as object ObjNo (header to "endobj").
    virtual void WriteEncryptDictionary(QIODevice &stream, int32_t objNo) const = 0;
};

// ---- Writing primitives ----------------------------------------------------
// Text goes out in the ANSI code page; byte strings unchanged. Lines end CR LF.
// A short write raises EPDFWriteError.
void WriteRaw(QIODevice &stream, const QString &text);
void WriteRaw(QIODevice &stream, const QByteArray &bytes);
void WriteRaw(QIODevice &stream, const char *latin1);
void WriteLine(QIODevice &stream, const QString &text);
void WriteLine(QIODevice &stream, const QByteArray &bytes);
void WriteLine(QIODevice &stream, const char *latin1);

// "12 0 obj" and "12 0 R".
QByteArray ObjHeader(int32_t objNo);
QByteArray ObjRef(int32_t objNo);

// ---- String forms -----------------------------------------------------------
// Body of a literal string: LF, CR, parentheses and backslash escaped.
QByteArray EscapeLiteral(const QByteArray &bytes);
// "<" upper-case hex ">", encrypted first under object ObjNo when an
// encryptor is given.
QByteArray HexAnsiString(const QByteArray &bytes, int32_t objNo, const TPDFObjectEncryptor *encryptor = nullptr);
// FE FF and the UTF-16 units high byte first.
QByteArray ToUTF16BE(const QString &text);
QByteArray HexUnicodeString(const QString &text, int32_t objNo, const TPDFObjectEncryptor *encryptor = nullptr);
// A literal string when printable ASCII with balanced parentheses, else hex
// UTF-16 without byte-order mark.
QByteArray PdfUriString(const QString &text);
// "FEFF" and four hex digits per unit, no brackets.
QByteArray HexUTF16FEFF(const QString &text);
// Four hex digits per glyph index.
QByteArray GlyphsToHex(const QList<uint16_t> &glyphs);

// ---- Streams ---------------------------------------------------------------
// Writes the dictionary tail, the data and the end of a stream object whose
// header line is already out. Source is read from its start and released.
// With an encryptor the data is encrypted under ObjNo. Length1Mode adds the
// unpacked size as /Length1 (TrueType font files).
void WriteStream(QIODevice &target, std::unique_ptr<QIODevice> source, bool length1Mode, bool closeDict,
                 bool openDict, const TPDFObjectEncryptor *encryptor, bool compress, int32_t objNo);

// ---- Cross-reference table ---------------------------------------------------
struct TCrossReferenceSubsection {
    bool Start = true;
    int32_t Length = 1;
};

class TCrossReferenceEntry {
public:
    TCrossReferenceEntry(int32_t id, int32_t offset, bool freeEntry, int32_t generationNumber);
    // "0000001234 00000 n", with a final blank in single-character mode.
    QByteArray EntryStr(bool singleCharacterEOL) const;
    // "first length".
    QByteArray SubsectionStr() const;
    void CombiteSubsections(TCrossReferenceEntry &next);

    int32_t FId;
    int32_t FOffset;
    TCrossReferenceSubsection FSubsection;
    int32_t FGenerationNumber;
    bool FFreeEntry;
};

class TCrossReferenceSection {
public:
    explicit TCrossReferenceSection(bool singleCharacterEOL);

    void Init();  // appends the free entry
    void Clear(); // drops every entry; the next number is 1 again
    void AddId(int32_t id, int32_t offset);
    int32_t AddNext(int32_t offset);
    void SetOffset(int32_t id, int32_t offset);
    int IndexOfId(int32_t id) const;
    // Sorts by number and joins consecutive numbers into subsections; equal
    // numbers raise EPDFExportError.
    void PrepareToOut();
    bool IsSubsection(int index, QByteArray &subsectionStr) const;
    QByteArray OutLine(int index) const;
    // "xref", then the subsection headers and entry lines (after PrepareToOut).
    void WriteTo(QIODevice &stream) const;

    int Count() const { return int(m_entries.size()); }
    const TCrossReferenceEntry &Entry(int index) const { return m_entries.at(size_t(index)); }
    int32_t NextId() const { return FNextId; }
    void SetNextId(int32_t id) { FNextId = id; }

    bool FSingleCharacterEOL;
    int32_t FSectionOffset = 0;
    int32_t FNextId = 1;

private:
    std::vector<TCrossReferenceEntry> m_entries;
};

// ---- Reference sets ----------------------------------------------------------
// Object numbers in insertion order, each once.
class TReferenceArray {
public:
    TReferenceArray();
    int Add(int32_t objNo); // index of the number, old or new
    void Clear();
    int Count() const { return FCount; }
    int32_t GetNo(int index) const; // EListError outside 0..Count-1
    QByteArray GetRef(int index) const;
    // "Caption [1 0 R 2 0 R]" CR LF; nothing at all when empty.
    void WriteAsArray(QIODevice &stream, const QByteArray &caption) const;

private:
    int FCount = 0;
    QList<int32_t> FData;
};

// One reference set and one number per zero-based page index.
class TPageByPageReferenceArray {
public:
    TPageByPageReferenceArray();
    ~TPageByPageReferenceArray();
    TPageByPageReferenceArray(const TPageByPageReferenceArray &) = delete;
    TPageByPageReferenceArray &operator=(const TPageByPageReferenceArray &) = delete;

    // Null beyond the capacity or when unset; the slot keeps ownership.
    TReferenceArray *GetData(int index) const;
    // Takes ownership; frees the slot's previous set. EListError below 0.
    void SetData(int index, TReferenceArray *value);
    int32_t GetContents(int index) const; // 0 when unset
    void SetContents(int index, int32_t value);
    int Capacity() const { return int(FContents.size()); }

private:
    void Grow(int index);
    std::vector<std::unique_ptr<TReferenceArray>> FData;
    std::vector<int32_t> FContents;
};

// ---- The objects helper --------------------------------------------------------
// Ties numbering, the cross-reference table and the current page's reference
// sets to one output stream. Fonts and images hook in here as they arrive.
class TPDFObjectsHelper {
public:
    TPDFObjectsHelper();
    ~TPDFObjectsHelper();
    TPDFObjectsHelper(const TPDFObjectsHelper &) = delete;
    TPDFObjectsHelper &operator=(const TPDFObjectsHelper &) = delete;

    void Clear();
    // Next object number, with the stream's current position as its offset.
    int32_t UpdateXRef();
    int32_t LastObjectXRefID() const { return FLastRequestedXRef; }
    TCrossReferenceSection &CRS() { return *FCRS; }
    const TCrossReferenceSection &CRS() const { return *FCRS; }

    void StartBBox() { FIsBBoxReleative = true; }
    void EndBBox() { FIsBBoxReleative = false; }
    bool IsBBoxRelative() const { return FIsBBoxReleative; }

    // Not owned: the output and the current page's sets.
    QIODevice *FpdfStream = nullptr;
    TReferenceArray *FPageFonts = nullptr;
    TReferenceArray *FPatterns = nullptr;
    TReferenceArray *FPageXObjects = nullptr;
    bool FProtection = false;
    QByteArray FEncKey;
    // Not owned; set with FProtection.
    const TPDFObjectEncryptor *FEncryptor = nullptr;
    bool FEmbedded = false;
    int32_t FQuality = 0;
    // Not owned: the document's image, mask and pattern table.
    TvdxPDFXObjectArray *FXObjects = nullptr;

private:
    std::unique_ptr<TCrossReferenceSection> FCRS;
    bool FIsBBoxReleative = false;
    int32_t FLastRequestedXRef = 0;
};
