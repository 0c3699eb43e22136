// The TrueType tables the PDF subset reads or rewrites. Each loads its
// table from the font block into host-order fields; the tables that the
// subset rewrites (hhea, post, maxp, OS/2, prep) write themselves back.
#pragma once
#include "export/pdf/fonts/TrueTypeTable.h"
#include <QList>
#include <QMap>
#include <array>
#include <memory>
#include <vector>

// "cmap": the Windows Unicode (platform 3, encoding 1) format-4 subtable.
class CmapTableClass : public TrueTypeTable {
public:
    using TrueTypeTable::TrueTypeTable;
    void Load(const TTFBlock &font) override { LoadCmapTable(font); }
    void LoadCmapTable(const TTFBlock &font);
    // 0 for a character the subtable does not map.
    quint16 GetGlyphIndex(quint16 ch) const;

    QList<quint16> endCount;
    QList<quint16> startCount;
    QList<qint16> idDelta;
    QList<quint16> idRangeOffset;
    QList<quint16> GlyphIndexArray;
    int segment_count = 0;
};

// The 54-byte font header as the file has it.
struct FontHeader {
    std::array<quint8, 54> bytes{};
    quint16 unitsPerEm() const { return TTF_Helpers::ReadUInt16(&bytes[18]); }
    qint16 indexToLocFormat() const { return TTF_Helpers::ReadInt16(&bytes[50]); }
};

// "head". Loading zeroes checkSumAdjustment in the block, as checksums of
// the table and the whole font are taken with that field at zero.
class FontHeaderClass : public TrueTypeTable {
public:
    using TrueTypeTable::TrueTypeTable;
    void Load(const TTFBlock &font) override;
    // Writes the header at header_ptr + offset with CheckSum as its
    // checkSumAdjustment.
    void SaveFontHeader(quint8 *header_ptr, quint32 CheckSum) const;
    quint16 unitsPerEm() const { return header.unitsPerEm(); }
    qint16 indexToLocFormat() const { return header.indexToLocFormat(); }

    FontHeader header;
};

// "glyf": only its place is kept; glyphs are read on demand.
class GlyphTableClass : public TrueTypeTable {
public:
    using TrueTypeTable::TrueTypeTable;
    void Load(const TTFBlock &font) override;
    // Component glyph indices of a composite glyph, in record order with
    // duplicates; empty for a simple glyph. One level only.
    QList<quint16> CheckGlyph(qint64 glyph_offset, qint64 glyph_size) const;

    const quint8 *glyph_table_ptr = nullptr;
};

struct GSUB_Header {
    quint32 Version = 0;
    quint16 ScriptList = 0;
    quint16 FeatureList = 0;
    quint16 LookupList = 0;
};

// "GSUB": the header only; the table travels unchanged.
class GlyphSubstitutionClass : public TrueTypeTable {
public:
    using TrueTypeTable::TrueTypeTable;
    void Load(const TTFBlock &font) override;
    GSUB_Header header;
};

// "hhea": the 36-byte header.
class HorizontalHeaderClass : public TrueTypeTable {
public:
    using TrueTypeTable::TrueTypeTable;
    void Load(const TTFBlock &font) override;
    qint64 Save(const TTFBlock &font, qint64 offset) override;
    qint16 Ascender() const { return ReadInt16(&HorizontalHeader[4]); }
    qint16 Descender() const { return ReadInt16(&HorizontalHeader[6]); }
    qint16 LineGap() const { return ReadInt16(&HorizontalHeader[8]); }
    quint16 MaxWidth() const { return ReadUInt16(&HorizontalHeader[10]); }
    quint16 NumberOfHMetrics() const { return ReadUInt16(&HorizontalHeader[34]); }

    std::array<quint8, 36> HorizontalHeader{};
};

struct longHorMetric {
    quint16 advanceWidth = 0;
    qint16 lsb = 0;
};

// "hmtx": the first NumberOfMetrics (advance, lsb) pairs.
class HorizontalMetrixClass : public TrueTypeTable {
public:
    using TrueTypeTable::TrueTypeTable;
    void Load(const TTFBlock &font) override;
    // Entry index, or the last one past NumberOfMetrics.
    longHorMetric GetItem(int index) const;

    int NumberOfMetrics = 0;
    QList<longHorMetric> MetrixTable;
};

// "loca", in the format head.indexToLocFormat gives.
class IndexToLocationClass : public TrueTypeTable {
public:
    using TrueTypeTable::TrueTypeTable;
    void LoadIndexToLocation(const TTFBlock &font, const FontHeaderClass *font_header);
    // The glyph's length within glyf (16 bits) and its offset in location;
    // 0 and 0 for an index without a following entry.
    quint16 GetGlyph(int i2l_idx, const FontHeaderClass *font_header, quint32 &location) const;
    // Number of entries of the loaded format.
    int EntryCount() const { return int(Short ? ShortIndexToLocation.size() : LongIndexToLocation.size()); }

    QList<quint16> ShortIndexToLocation;
    QList<quint32> LongIndexToLocation;
    bool Short = false;
    bool Long = false;
};

class KerningSubtableClass : public TTF_Helpers {
public:
    // The subtable at p with at most available bytes.
    KerningSubtableClass(const quint8 *p, qint64 available);
    qint16 get_Item(quint32 inx) const;
    quint16 Length() const { return common_header[1]; }

    std::array<quint16, 3> common_header{};
    std::array<quint16, 4> format_zero{};
    // Pair key (left glyph * 65536 + right glyph) -> kerning value.
    QMap<quint32, qint16> zero_pairs;
};

struct kerning_table_header {
    quint16 Version = 0;
    quint16 nTables = 0;
};

// "kern". Its subtables are owned by the table.
class KerningTableClass : public TrueTypeTable {
public:
    using TrueTypeTable::TrueTypeTable;
    void Load(const TTFBlock &font) override;
    // From the first subtable; 0 without one.
    qint16 get_Item(quint32 idx) const;

    kerning_table_header header;
    std::vector<std::unique_ptr<KerningSubtableClass>> kerning_subtables_collection;
};

struct name_table_header {
    quint16 TableVersion = 0;
    quint16 Count = 0;
    quint16 stringOffset = 0;
};

// "name": the records are read on demand from the block.
class NameTableClass : public TrueTypeTable {
public:
    using TrueTypeTable::TrueTypeTable;
    void Load(const TTFBlock &font) override;
    // Walks the records of Platform whose name ID's low byte is nameId;
    // stops at the first (empty filter) or at one equal to filter ignoring
    // ASCII case; text is the last string decoded. False without a candidate.
    bool IsHasFontName(quint8 nameId, const QString &filter, QString &text) const;
    bool get_Item(quint8 nameId, QString &text) const { return IsHasFontName(nameId, QString(), text); }

    name_table_header name_header;
    const quint8 *records_ptr = nullptr;
    const quint8 *strings_ptr = nullptr;
    quint16 Platform = 3;

private:
    qint64 m_tableLength = 0;
    qint64 m_stringsLength = 0;
};

// "post": the 32-byte header; written back as format 3 (no glyph names).
class PostScriptClass : public TrueTypeTable {
public:
    using TrueTypeTable::TrueTypeTable;
    void Load(const TTFBlock &font) override;
    qint64 Save(const TTFBlock &font, qint64 offset) override;
    qint32 ItalicAngle() const { return ReadInt32(&header[4]); }

    std::array<quint8, 32> header{};
};

// "maxp": the 32-byte version-1.0 profile.
class MaximumProfileClass : public TrueTypeTable {
public:
    using TrueTypeTable::TrueTypeTable;
    void Load(const TTFBlock &font) override;
    qint64 Save(const TTFBlock &font, qint64 offset) override;
    quint16 numGlyphs() const { return ReadUInt16(&MaximumProfile[4]); }

    std::array<quint8, 32> MaximumProfile{};
};

// "OS/2": the version-2 record, fields past a shorter table read as zero.
class OS2WindowsMetricsClass : public TrueTypeTable {
public:
    using TrueTypeTable::TrueTypeTable;
    void Load(const TTFBlock &font) override;
    qint64 Save(const TTFBlock &font, qint64 offset) override;
    qint16 AvgCharWidth() const { return ReadInt16(&win_metrix[2]); }
    quint16 FirstCharIndex() const { return ReadUInt16(&win_metrix[64]); }
    quint16 LastCharIndex() const { return ReadUInt16(&win_metrix[66]); }
    quint16 Ascent() const { return ReadUInt16(&win_metrix[74]); }
    quint16 Descent() const { return ReadUInt16(&win_metrix[76]); }
    quint16 DefaultChar() const { return ReadUInt16(&win_metrix[90]); }
    quint16 BreakChar() const { return ReadUInt16(&win_metrix[92]); }

    std::array<quint8, 96> win_metrix{};
};

// "prep": a copy of the program, its length rounded up to 4 bytes.
class PreProgramClass : public TrueTypeTable {
public:
    using TrueTypeTable::TrueTypeTable;
    void Load(const TTFBlock &font) override;
    qint64 Save(const TTFBlock &font, qint64 offset) override;

    QByteArray pre_program;
};
