#include "export/pdf/fonts/TrueTypeFont.h"
#include "platform/Exception.h"
#include <memory>

namespace {

constexpr quint32 kCmap = TrueTypeTable::MakeTag("cmap");
constexpr quint32 kHead = TrueTypeTable::MakeTag("head");
constexpr quint32 kGlyf = TrueTypeTable::MakeTag("glyf");
constexpr quint32 kGsub = TrueTypeTable::MakeTag("GSUB");
constexpr quint32 kHhea = TrueTypeTable::MakeTag("hhea");
constexpr quint32 kHmtx = TrueTypeTable::MakeTag("hmtx");
constexpr quint32 kLoca = TrueTypeTable::MakeTag("loca");
constexpr quint32 kKern = TrueTypeTable::MakeTag("kern");
constexpr quint32 kName = TrueTypeTable::MakeTag("name");
constexpr quint32 kPost = TrueTypeTable::MakeTag("post");
constexpr quint32 kMaxp = TrueTypeTable::MakeTag("maxp");
constexpr quint32 kOS2 = TrueTypeTable::MakeTag("OS/2");
constexpr quint32 kPrep = TrueTypeTable::MakeTag("prep");

// The class that a directory record of this tag becomes.
TrueTypeTable *specificTable(const TrueTypeTable *generic)
{
    switch (generic->tag()) {
    case kCmap: return new CmapTableClass(generic);
    case kHead: return new FontHeaderClass(generic);
    case kGlyf: return new GlyphTableClass(generic);
    case kGsub: return new GlyphSubstitutionClass(generic);
    case kHhea: return new HorizontalHeaderClass(generic);
    case kHmtx: return new HorizontalMetrixClass(generic);
    case kLoca: return new IndexToLocationClass(generic);
    case kKern: return new KerningTableClass(generic);
    case kName: return new NameTableClass(generic);
    case kPost: return new PostScriptClass(generic);
    case kMaxp: return new MaximumProfileClass(generic);
    case kOS2: return new OS2WindowsMetricsClass(generic);
    case kPrep: return new PreProgramClass(generic);
    default: return nullptr;
    }
}

} // namespace

const QStringList &ChecksumExemptFamilies()
{
    static const QStringList families = [] {
        QStringList l{QStringLiteral("EanGniv?"), QStringLiteral("Roboto Cn")};
        l.sort(Qt::CaseInsensitive);
        return l;
    }();
    return families;
}

TrueTypeFont::TrueTypeFont(const TTFBlock &bgn, qint64 font, ChecksumFaultAction action)
    : block(bgn), beginfile_ptr(bgn.data), checksum_action(action)
{
    selector_ptr = InBlock(bgn, font, 0) ? bgn.data + font : nullptr;
}

TrueTypeFont::~TrueTypeFont()
{
    for (TrueTypeTable *t : ListOfTables)
        delete t;
}

void TrueTypeFont::PrepareFont(const QList<quint32> &skip_list)
{
    ReadTableDirectory(skip_list);
    LoadTables();
    CheckChecksums();
}

void TrueTypeFont::ReadTableDirectory(const QList<quint32> &skip_list)
{
    if (!selector_ptr)
        FormatError();
    const qint64 start = selector_ptr - beginfile_ptr;
    const quint8 *p = CheckedPtr(block, start, 12);
    dir.sfntversion = ReadUInt32(p);
    dir.numTables = ReadUInt16(p + 4);
    dir.searchRange = ReadUInt16(p + 6);
    dir.entrySelector = ReadUInt16(p + 8);
    dir.rangeShift = ReadUInt16(p + 10);
    const quint8 *records = CheckedPtr(block, start + 12, 16 * qint64(dir.numTables));
    for (TrueTypeTable *t : ListOfTables)
        delete t;
    ListOfTables.clear();
    for (int i = 0; i < dir.numTables; ++i) {
        auto generic = std::make_unique<TrueTypeTable>(records + 16 * i);
        if (skip_list.contains(generic->tag()))
            continue;
        if (!InBlock(block, generic->offset(), generic->length()))
            FormatError();
        std::unique_ptr<TrueTypeTable> table(specificTable(generic.get()));
        ListOfTables.push_back(table ? table.release() : generic.release());
    }
    dir.numTables = quint16(ListOfTables.size());
}

void TrueTypeFont::LoadTables()
{
    // head and hhea first: loca and hmtx are read through them whatever the
    // directory's order.
    for (TrueTypeTable *t : ListOfTables) {
        if (t->tag() == kHead && !font_header) {
            font_header = static_cast<FontHeaderClass *>(t);
            t->Load(block);
        } else if (t->tag() == kHhea && !horizontal_header) {
            horizontal_header = static_cast<HorizontalHeaderClass *>(t);
            t->Load(block);
        }
    }
    for (TrueTypeTable *t : ListOfTables) {
        if (t == font_header || t == horizontal_header)
            continue;
        switch (t->tag()) {
        case kCmap:
            cmap_table = static_cast<CmapTableClass *>(t);
            cmap_table->LoadCmapTable(block);
            break;
        case kLoca:
            index_to_location = static_cast<IndexToLocationClass *>(t);
            index_to_location->LoadIndexToLocation(block, font_header);
            break;
        case kHmtx:
            if (!horizontal_header)
                FormatError();
            horizontal_metrix_table = static_cast<HorizontalMetrixClass *>(t);
            horizontal_metrix_table->NumberOfMetrics = horizontal_header->NumberOfHMetrics();
            t->Load(block);
            break;
        case kGlyf: glyph_table = static_cast<GlyphTableClass *>(t); t->Load(block); break;
        case kGsub: gsub_table = static_cast<GlyphSubstitutionClass *>(t); t->Load(block); break;
        case kKern: kerning_table = static_cast<KerningTableClass *>(t); t->Load(block); break;
        case kName: name_table = static_cast<NameTableClass *>(t); t->Load(block); break;
        case kPost: postscript = static_cast<PostScriptClass *>(t); t->Load(block); break;
        case kMaxp: profile = static_cast<MaximumProfileClass *>(t); t->Load(block); break;
        case kOS2: windows_metrix = static_cast<OS2WindowsMetricsClass *>(t); t->Load(block); break;
        case kPrep: preprogram_table = static_cast<PreProgramClass *>(t); t->Load(block); break;
        default: t->Load(block); break;
        }
    }
}

void TrueTypeFont::CheckChecksums()
{
    if (checksum_action == ChecksumFaultAction::ChecksumFaultAction_IgnoreChecksum)
        return;
    if (ChecksumExemptFamilies().contains(FamilyName(), Qt::CaseInsensitive))
        return;
    for (const TrueTypeTable *t : ListOfTables) {
        const quint32 sum = CalcTableChecksum(t);
        if (sum == t->checkSum())
            continue;
        if (checksum_action == ChecksumFaultAction::ChecksumFaultAction_ThrowException)
            Raise(QStringLiteral("Table ID \"%1\" checksum error.%2 %3").arg(t->TAGLINE()).arg(sum).arg(t->checkSum()));
    }
}

quint32 TrueTypeFont::CalcTableChecksum(const TrueTypeTable *table) const
{
    // Bytes past the table's length, or past the block, count as zero.
    return SumUInt32(block, table->offset(), qint64(table->offset()) + table->length());
}

QString TrueTypeFont::FamilyName() const
{
    QString s;
    if (name_table)
        name_table->get_Item(1, s);
    return s;
}

QString TrueTypeFont::PostScriptName() const
{
    QString s;
    if (name_table)
        name_table->get_Item(6, s);
    return s;
}

int TrueTypeFont::GlyphCount() const
{
    const int fromLoca = index_to_location ? qMax(0, index_to_location->EntryCount() - 1) : 0;
    return profile ? qMin<int>(profile->numGlyphs(), fromLoca) : fromLoca;
}

TrueTypeTable *TrueTypeFont::FindTable(quint32 tag) const
{
    for (TrueTypeTable *t : ListOfTables)
        if (t->tag() == tag)
            return t;
    return nullptr;
}
