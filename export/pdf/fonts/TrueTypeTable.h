// One table of a TrueType font's table directory: its directory record and
// the default handling, which carries the table's bytes through unchanged.
#pragma once
#include "export/pdf/fonts/TTFHelpers.h"
#include <QString>

// Directory record: tag as the file's four bytes read big-endian ("cmap" is
// 0x636D6170); the other fields in host order.
struct TableEntry {
    quint32 tag = 0;
    quint32 checkSum = 0;
    quint32 offset = 0;
    quint32 length = 0;
};

// The offset table in front of the records, host order.
struct TableDirectory {
    quint32 sfntversion = 0;
    quint16 numTables = 0;
    quint16 searchRange = 0;
    quint16 entrySelector = 0;
    quint16 rangeShift = 0;
};

class TrueTypeTable : public TTF_Helpers {
public:
    // From a 16-byte big-endian directory record.
    explicit TrueTypeTable(const quint8 *entry_ptr);
    // Takes over another table's record (a generic table becoming its class).
    explicit TrueTypeTable(const TrueTypeTable *parent);
    virtual ~TrueTypeTable() = default;
    TrueTypeTable(const TrueTypeTable &) = delete;
    TrueTypeTable &operator=(const TrueTypeTable &) = delete;

    // Reads the table from the block; the base keeps nothing.
    virtual void Load(const TTFBlock &font);
    // Writes the table at offset of the block; returns where the next table
    // may start. The base moves the bytes and zero-pads to 4 bytes.
    virtual qint64 Save(const TTFBlock &font, qint64 offset);

    // The record as 16 big-endian bytes at p; returns the position after it.
    quint8 *StoreDescriptor(quint8 *p) const;

    quint32 tag() const { return entry.tag; }
    quint32 checkSum() const { return entry.checkSum; }
    void setCheckSum(quint32 v) { entry.checkSum = v; }
    quint32 offset() const { return entry.offset; }
    void setOffset(quint32 v) { entry.offset = v; }
    quint32 length() const { return entry.length; }
    void setLength(quint32 v) { entry.length = v; }
    // The tag's four characters in file order, for messages.
    QString TAGLINE() const;

    static constexpr quint32 MakeTag(const char (&s)[5])
    {
        return (quint32(quint8(s[0])) << 24) | (quint32(quint8(s[1])) << 16)
            | (quint32(quint8(s[2])) << 8) | quint32(quint8(s[3]));
    }

protected:
    // The table's bytes; "TrueType font format error" when the table is
    // shorter than minLength or does not lie inside the block.
    const quint8 *TableData(const TTFBlock &font, qint64 minLength = 0) const;
    // Moves length bytes to offset, zero-fills up to the 4-byte boundary
    // and takes offset as the table's new place; returns the padded end.
    qint64 MoveTo(const TTFBlock &font, qint64 offset, qint64 length);

    TableEntry entry;
};
