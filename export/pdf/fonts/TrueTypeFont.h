// One font of a font block: its table directory, its tables and the subset
// built from it in place for the PDF's embedded font file.
#pragma once
#include "export/pdf/fonts/TrueTypeTables.h"
#include <QByteArray>
#include <QList>
#include <QStringList>
#include <vector>

enum class ChecksumFaultAction {
    ChecksumFaultAction_IgnoreChecksum,
    ChecksumFaultAction_ThrowException,
    ChecksumFaultAction_Warn,
};

// Families whose fonts ship with table checksums that do not add up; their
// checksums are not checked. Sorted, compared without regard to case.
const QStringList &ChecksumExemptFamilies();

class TrueTypeFont : public TTF_Helpers {
public:
    // bgn: the block (not owned); font: offset of this font's table
    // directory within it (0 for a single font).
    TrueTypeFont(const TTFBlock &bgn, qint64 font, ChecksumFaultAction action);
    ~TrueTypeFont();
    TrueTypeFont(const TrueTypeFont &) = delete;
    TrueTypeFont &operator=(const TrueTypeFont &) = delete;

    // Reads the directory without the tables whose tags are in skip_list,
    // loads the tables and checks their checksums.
    void PrepareFont(const QList<quint32> &skip_list);
    void ReadTableDirectory(const QList<quint32> &skip_list);
    void LoadTables();
    void CheckChecksums();
    // Sum of the table's bytes as big-endian 32-bit words, zero-padded.
    quint32 CalcTableChecksum(const TrueTypeTable *table) const;

    QString FamilyName() const;
    QString PostScriptName() const;
    NameTableClass *Names() const { return name_table; }
    // maxp's glyph count, else the glyphs loca describes.
    int GlyphCount() const;

    // Subsetting.
    void AddCharacterToKeepList(quint16 ch);
    // "Format error" for a value that does not fit in 16 bits.
    void setUsedGlyphs(const QList<qint64> &glyphs);
    // The subset font, built in place in the block (which no longer holds
    // the source font afterwards). uniscribe: the kept values are glyph
    // indices, else characters mapped through cmap.
    QByteArray PackFont(bool uniscribe);
    void BuildGlyphIndexList(const QList<quint16> &used_glyphs, bool uniscribe, bool decompose, bool collate,
                             bool use_kerning);
    // Width (thousandths of an em) of the first entry of glph in Indices; 0
    // when it is not there.
    qint32 get_GlyphWidth(quint16 glph) const;
    quint16 get_Glyph(int idx) const { return Indices.value(idx); }
    const QList<qint32> &Widths() const { return GlyphWidths; }

    TTFBlock block;
    quint8 *beginfile_ptr = nullptr;
    quint8 *selector_ptr = nullptr;
    TableDirectory dir;
    // Owned, in directory order.
    std::vector<TrueTypeTable *> ListOfTables;

    CmapTableClass *cmap_table = nullptr;
    FontHeaderClass *font_header = nullptr;
    GlyphTableClass *glyph_table = nullptr;
    GlyphSubstitutionClass *gsub_table = nullptr;
    HorizontalHeaderClass *horizontal_header = nullptr;
    HorizontalMetrixClass *horizontal_metrix_table = nullptr;
    IndexToLocationClass *index_to_location = nullptr;
    KerningTableClass *kerning_table = nullptr;
    NameTableClass *name_table = nullptr;
    PostScriptClass *postscript = nullptr;
    MaximumProfileClass *profile = nullptr;
    OS2WindowsMetricsClass *windows_metrix = nullptr;
    PreProgramClass *preprogram_table = nullptr;

    const ChecksumFaultAction checksum_action;

    QList<quint16> ListOfUsedGlyphs;
    QList<quint16> Indices;
    QList<qint32> GlyphWidths;
    QString SubstitutionName;

private:
    TrueTypeTable *FindTable(quint32 tag) const;
    std::vector<TrueTypeTable *> TablesInFileOrder() const;
    void RebuildGlyphTables(bool uniscribe);
    void WriteTableDirectory();
    void UpdateChecksumAdjustment(qint64 size);
    qint32 HmtxWidth(quint16 g) const;
    qint32 OS2Width() const;
    qint32 KerningCorrection(const QList<quint16> &used_glyphs, int pos, quint16 g, bool uniscribe,
                             bool use_kerning) const;
};
