#include "FontToolsOracle.h"
#include "TtfBuilder.h"
#include "export/pdf/fonts/TrueTypeCollection.h"
#include "platform/Exception.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonObject>
#include <functional>
#include <memory>

using namespace ttftest;

namespace {

const QString kFormatError = QStringLiteral("TrueType font format error");
const QList<quint32> kSkip = {TrueTypeTable::MakeTag("EBLC"), TrueTypeTable::MakeTag("EBDT"),
                              TrueTypeTable::MakeTag("hdmx"), TrueTypeTable::MakeTag("VDMX"),
                              TrueTypeTable::MakeTag("DSIG")};

// A font over its own copy of the bytes.
struct Loaded {
    explicit Loaded(const QByteArray &b,
                    ChecksumFaultAction action = ChecksumFaultAction::ChecksumFaultAction_IgnoreChecksum)
        : bytes(b)
    {
        font = std::make_unique<TrueTypeFont>(TTFBlock{reinterpret_cast<quint8 *>(bytes.data()), bytes.size()}, 0,
                                              action);
    }
    TrueTypeFont *operator->() const { return font.get(); }
    QByteArray bytes;
    std::unique_ptr<TrueTypeFont> font;
};

FontParts smallFont()
{
    FontParts p;
    p.glyphs = {simpleGlyph(1), QByteArray(), simpleGlyph(3), simpleGlyph(4)};
    p.advances = {500, 250, 600};
    p.cmap = {{0x20, 1}, {0x41, 2}, {0x42, 3}};
    return p;
}

QByteArray readInstalled(const QString &family)
{
    QFile f(installedFontFile(family));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

TEST(TTFHelpers, SwapRoutines)
{
    EXPECT_EQ(TTF_Helpers::SwapUInt16(0x1234), 0x3412);
    EXPECT_EQ(TTF_Helpers::SwapInt16(qint16(0xFFFE)), qint16(0xFEFF));
    EXPECT_EQ(TTF_Helpers::SwapUInt32(0x12345678u), 0x78563412u);
    EXPECT_EQ(TTF_Helpers::SwapInt32(-2), qint32(0xFEFFFFFF));
    EXPECT_EQ(TTF_Helpers::SwapUInt64(0x0102030405060708ull), 0x0807060504030201ull);
    quint8 buf[4] = {0x80, 0x01, 0xFF, 0xFE};
    EXPECT_EQ(TTF_Helpers::ReadUInt16(buf), 0x8001);
    EXPECT_EQ(TTF_Helpers::ReadInt16(buf + 2), -2);
    EXPECT_EQ(TTF_Helpers::ReadUInt32(buf), 0x8001FFFEu);
    EXPECT_EQ(TTF_Helpers::Increment(buf, 3), buf + 3);
}

TEST(TrueTypeDirectory, SkipListDropsTablesAndKeepsSearchFields)
{
    Tables t = makeTables(smallFont());
    t["DSIG"] = be32(1) + be16(0) + be16(0);
    Loaded f(buildFont(t));
    f->PrepareFont(kSkip);
    EXPECT_EQ(f->dir.numTables, t.size() - 1);
    // buildFont's search fields for 11 tables.
    EXPECT_EQ(f->dir.searchRange, 128);
    EXPECT_EQ(f->dir.entrySelector, 3);
    EXPECT_EQ(f->dir.rangeShift, 11 * 16 - 128);
    for (const TrueTypeTable *table : f->ListOfTables)
        EXPECT_NE(table->TAGLINE(), QStringLiteral("DSIG"));
    EXPECT_NE(dynamic_cast<CmapTableClass *>(f->cmap_table), nullptr);
    EXPECT_NE(f->font_header, nullptr);
    EXPECT_NE(f->glyph_table, nullptr);
    EXPECT_NE(f->horizontal_header, nullptr);
    EXPECT_NE(f->horizontal_metrix_table, nullptr);
    EXPECT_NE(f->index_to_location, nullptr);
    EXPECT_NE(f->name_table, nullptr);
    EXPECT_NE(f->postscript, nullptr);
    EXPECT_NE(f->profile, nullptr);
    EXPECT_NE(f->windows_metrix, nullptr);
    EXPECT_EQ(f->kerning_table, nullptr);
    EXPECT_EQ(f->FamilyName(), QStringLiteral("Test Sans"));
}

// A format-4 subtable with a delta segment, a segment through the glyph
// index array, and the closing 0xFFFF segment.
QByteArray handMadeCmap()
{
    const int seg = 3;
    QByteArray sub = be16(4) + be16(0) + be16(0) + be16(2 * seg) + be16(4) + be16(1) + be16(2);
    sub += be16(0x22) + be16(0x43) + be16(0xFFFF) + be16(0);   // endCount, reserved
    sub += be16(0x20) + be16(0x41) + be16(0xFFFF);             // startCount
    sub += be16(-0x1E) + be16(2) + be16(1);                    // idDelta
    sub += be16(0) + be16(4) + be16(0);                        // idRangeOffset
    sub += be16(5) + be16(0) + be16(7);                        // glyphIdArray
    sub.replace(2, 2, be16(int(sub.size())));
    // A Macintosh record first, to be passed over.
    return be16(0) + be16(2) + be16(1) + be16(0) + be32(20) + be16(3) + be16(1) + be32(20) + sub;
}

TEST(TrueTypeCmap, GlyphIndexOfFormat4Segments)
{
    Tables t = makeTables(smallFont());
    t["cmap"] = handMadeCmap();
    Loaded f(buildFont(t));
    f->PrepareFont(kSkip);
    ASSERT_EQ(f->cmap_table->segment_count, 3);
    const struct {
        int ch, glyph;
    } cases[] = {
        {0x1F, 0}, {0x20, 2}, {0x22, 4}, {0x23, 0}, {0x41, 7}, {0x42, 0}, {0x43, 9}, {0x44, 0}, {0xFFFF, 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(f->cmap_table->GetGlyphIndex(quint16(c.ch)), c.glyph) << std::hex << c.ch;
}

TEST(TrueTypeCmap, WithoutWindowsUnicodeSubtableMapsNothing)
{
    Tables t = makeTables(smallFont());
    QByteArray cmap = t["cmap"];
    cmap.replace(6, 2, be16(10)); // the only record becomes (3, 10)
    t["cmap"] = cmap;
    Loaded f(buildFont(t));
    f->PrepareFont(kSkip);
    EXPECT_EQ(f->cmap_table->segment_count, 0);
    for (int ch : {0x20, 0x41, 0xFFFF})
        EXPECT_EQ(f->cmap_table->GetGlyphIndex(quint16(ch)), 0);
}

TEST(TrueTypeCmap, UnsupportedFormatsAndBadOffsets)
{
    const struct {
        QByteArray subtable;
        const char *message;
    } cases[] = {
        {be16(0) + be16(262) + be16(0) + QByteArray(256, '\0'), "TO DO: ByteEncoding cmap format not implemented"},
        {be16(2) + be16(6) + be16(0), "TO DO: HighByteMapping cmap format not implemented"},
        {be16(6) + be16(10) + be16(0) + be16(0) + be16(0), "TO DO: TrimmedTable cmap format not implemented"},
        // Format 4 whose length runs past the table.
        {be16(4) + be16(400) + be16(0) + be16(2) + QByteArray(12, '\0'), "TrueType font format error"},
        // Format 4 whose segment count does not fit its length.
        {be16(4) + be16(24) + be16(0) + be16(200) + QByteArray(16, '\0'), "TrueType font format error"},
    };
    for (const auto &c : cases) {
        Tables t = makeTables(smallFont());
        t["cmap"] = be16(0) + be16(1) + be16(3) + be16(1) + be32(12) + c.subtable;
        Loaded f(buildFont(t));
        EXPECT_EQ(messageOf([&] { f->PrepareFont(kSkip); }), QString::fromLatin1(c.message));
    }
    // An encoding record past the table, and a subtable offset past it.
    for (const QByteArray &cmap : {be16(0) + be16(50) + be16(3) + be16(1), be16(0) + be16(1) + be16(3) + be16(1) + be32(5000)}) {
        Tables t = makeTables(smallFont());
        t["cmap"] = cmap;
        Loaded f(buildFont(t));
        EXPECT_EQ(messageOf([&] { f->PrepareFont(kSkip); }), kFormatError);
    }
}

TEST(TrueTypeCmap, MatchesFontToolsOnInstalledFonts)
{
    if (fontToolsPython().isEmpty())
        GTEST_SKIP() << "fontTools is not installed";
    const QString script = QStringLiteral(
        "import sys, json\n"
        "from fontTools.ttLib import TTFont\n"
        "f = TTFont(sys.argv[1])\n"
        "t = f['cmap'].getcmap(3, 1)\n"
        "print(json.dumps({str(k): f.getGlyphID(v) for k, v in (t.cmap.items() if t else [])}))\n");
    for (const QString &family : {QStringLiteral("Arial"), QStringLiteral("Tahoma")}) {
        Loaded f(readInstalled(family));
        ASSERT_FALSE(f.bytes.isEmpty()) << family.toStdString();
        f->PrepareFont(kSkip);
        QString error;
        const QJsonObject expected = runFontTools(script, {installedFontFile(family)}, &error);
        ASSERT_FALSE(expected.isEmpty()) << error.toStdString();
        int mapped = 0, wrong = 0;
        for (int ch = 0; ch <= 0xFFFF; ++ch) {
            const int want = expected.value(QString::number(ch)).toInt(0);
            mapped += want != 0;
            if (f->cmap_table->GetGlyphIndex(quint16(ch)) != want && ++wrong <= 5)
                ADD_FAILURE() << family.toStdString() << " U+" << std::hex << ch;
        }
        EXPECT_GT(mapped, 1000) << family.toStdString();
        EXPECT_EQ(wrong, 0);
    }
}

TEST(TrueTypeHead, LoadZeroesTheAdjustmentInTheBlock)
{
    Loaded f(makeFont(smallFont()));
    f->PrepareFont(kSkip);
    const quint32 at = f->font_header->offset();
    EXPECT_EQ(TTF_Helpers::ReadUInt32(reinterpret_cast<const quint8 *>(f.bytes.constData()) + at + 8), 0u);
    EXPECT_EQ(f->font_header->unitsPerEm(), 2048);
    EXPECT_EQ(f->font_header->indexToLocFormat(), 0);
}

TEST(TrueTypeLoca, FormatsAndGlyphRanges)
{
    for (int format : {0, 1}) {
        FontParts p = smallFont();
        p.locaFormat = format;
        Loaded f(makeFont(p));
        f->PrepareFont(kSkip);
        EXPECT_EQ(f->index_to_location->Short, format == 0);
        EXPECT_EQ(f->index_to_location->Long, format == 1);
        const quint16 size = quint16(simpleGlyph(1).size());
        const struct {
            int index;
            quint32 location;
            quint16 length;
        } cases[] = {{0, 0, size}, {1, size, 0}, {2, size, size}, {3, 2u * size, size}, {4, 0, 0}, {-1, 0, 0}};
        for (const auto &c : cases) {
            quint32 location = 99;
            EXPECT_EQ(f->index_to_location->GetGlyph(c.index, f->font_header, location), c.length) << c.index;
            EXPECT_EQ(location, c.location) << c.index;
        }
    }
    FontParts p = smallFont();
    p.locaFormat = 2;
    Loaded f(makeFont(p));
    EXPECT_EQ(messageOf([&] { f->PrepareFont(kSkip); }), QStringLiteral("Unsupported Index to Location format"));
}

TEST(TrueTypeHmtx, GlyphsPastTheMetricsTakeTheLastAdvance)
{
    Loaded f(makeFont(smallFont()));
    f->PrepareFont(kSkip);
    EXPECT_EQ(f->horizontal_metrix_table->NumberOfMetrics, 3);
    EXPECT_EQ(f->horizontal_metrix_table->GetItem(1).advanceWidth, 250);
    EXPECT_EQ(f->horizontal_metrix_table->GetItem(3).advanceWidth, 600);
    EXPECT_EQ(f->horizontal_metrix_table->GetItem(3).lsb, 10);
    EXPECT_EQ(f->horizontal_header->NumberOfHMetrics(), 3);
    EXPECT_EQ(f->horizontal_header->Ascender(), 1800);
    EXPECT_EQ(f->horizontal_header->Descender(), -400);

    // hhea promising more metrics than hmtx holds.
    Tables t = makeTables(smallFont());
    t["hhea"] = hheaTable(40000);
    Loaded bad(buildFont(t));
    EXPECT_EQ(messageOf([&] { bad->PrepareFont(kSkip); }), kFormatError);
}

TEST(TrueTypePost, SavedAsThe32ByteFormat3Header)
{
    Tables t = makeTables(smallFont());
    t["post"] = postTable(-12 * 65536, -150, 75, 1);
    Loaded f(buildFont(t));
    f->PrepareFont(kSkip);
    EXPECT_EQ(f->postscript->ItalicAngle(), -12 * 65536);
    for (qint64 at : {qint64(f->postscript->offset()), qint64(12 + 16 * 10), qint64(400)}) {
        const qint64 end = f->postscript->Save(f->block, at);
        EXPECT_EQ(end, at + 32);
        EXPECT_EQ(f->postscript->length(), 32u);
        const QByteArray written = f.bytes.mid(at, 32);
        EXPECT_EQ(written, be32(0x00030000) + be32(quint32(-12 * 65536)) + be16(-150) + be16(75) + be32(1)
                      + QByteArray(16, '\0'));
    }
}

TEST(TrueTypeGlyf, CompositeComponentsInRecordOrder)
{
    FontParts p = smallFont();
    const QByteArray composite = compositeGlyph({{4}, {5, 0x0080 | 0x0001}, {6, 0x0008}});
    p.glyphs = {simpleGlyph(1), composite, simpleGlyph(2)};
    p.advances = {500};
    Loaded f(makeFont(p));
    f->PrepareFont(kSkip);
    quint32 at = 0;
    const quint16 len = f->index_to_location->GetGlyph(1, f->font_header, at);
    EXPECT_EQ(f->glyph_table->CheckGlyph(at, len), (QList<quint16>{4, 5, 6}));
    const quint16 simpleLen = f->index_to_location->GetGlyph(2, f->font_header, at);
    EXPECT_TRUE(f->glyph_table->CheckGlyph(at, simpleLen).isEmpty());
    // Cut short inside the records, and running past the table.
    f->index_to_location->GetGlyph(1, f->font_header, at);
    EXPECT_EQ(messageOf([&] { f->glyph_table->CheckGlyph(at, len - 6); }), kFormatError);
    EXPECT_EQ(messageOf([&] { f->glyph_table->CheckGlyph(at, 60000); }), kFormatError);
    EXPECT_EQ(messageOf([&] { f->glyph_table->CheckGlyph(at, 3); }), kFormatError);
}

TEST(TrueTypeName, CandidatesAndFilter)
{
    Tables t = makeTables(smallFont());
    t["name"] = nameTable({{3, 1, 4, QStringLiteral("Alpha")},
                           {3, 0, 4, QStringLiteral("Symbol")},
                           {1, 0, 4, QStringLiteral("Mac")},
                           {3, 1, 4, QStringLiteral("Beta")},
                           {3, 1, 1, QStringLiteral("Family")},
                           {3, 1, 0x0104, QStringLiteral("Gamma")}});
    Loaded f(buildFont(t));
    f->PrepareFont(kSkip);
    const struct {
        int id;
        const char *filter;
        bool found;
        const char *text;
    } cases[] = {
        {4, "", true, "Alpha"}, {4, "beta", true, "Beta"}, {4, "none", true, "Gamma"},
        {1, "", true, "Family"}, {2, "", false, ""},
    };
    for (const auto &c : cases) {
        QString text = QStringLiteral("stale");
        EXPECT_EQ(f->name_table->IsHasFontName(quint8(c.id), QString::fromLatin1(c.filter), text), c.found) << c.filter;
        EXPECT_EQ(text, QString::fromLatin1(c.text)) << c.filter;
    }
    f->name_table->Platform = 1;
    QString mac;
    EXPECT_TRUE(f->name_table->get_Item(4, mac));
    EXPECT_EQ(mac, QStringLiteral("Mac"));

    // A record whose string lies past the table is passed over.
    QByteArray broken = nameTable({{3, 1, 4, QStringLiteral("Far")}, {3, 1, 4, QStringLiteral("Near")}});
    broken.replace(6 + 10, 2, be16(3000));
    t["name"] = broken;
    Loaded g(buildFont(t));
    g->PrepareFont(kSkip);
    QString near;
    EXPECT_TRUE(g->name_table->get_Item(4, near));
    EXPECT_EQ(near, QStringLiteral("Near"));
}

TEST(TrueTypeChecksum, PartialLastWordCountsAsHighBytes)
{
    Tables t = makeTables(smallFont());
    t["zzzz"] = QByteArray("\x01\x02\x03\x04\x05", 5);
    Loaded f(buildFont(t));
    f->PrepareFont(kSkip);
    const TrueTypeTable *z = f->ListOfTables.back();
    ASSERT_EQ(z->TAGLINE(), QStringLiteral("zzzz"));
    EXPECT_EQ(f->CalcTableChecksum(z), 0x01020304u + 0x05000000u);
}

TEST(TrueTypeChecksum, FaultActions)
{
    QByteArray bytes = makeFont(smallFont());
    // The directory record of maxp (tags sorted: OS/2 cmap glyf head hhea hmtx loca maxp).
    const int rec = 12 + 16 * 7;
    ASSERT_EQ(bytes.mid(rec, 4), QByteArray("maxp"));
    const quint32 good = TTF_Helpers::ReadUInt32(reinterpret_cast<const quint8 *>(bytes.constData()) + rec + 4);
    bytes.replace(rec + 4, 4, be32(good + 1));
    const QString expected = QStringLiteral("Table ID \"maxp\" checksum error.%1 %2").arg(good).arg(good + 1);
    {
        Loaded f(bytes, ChecksumFaultAction::ChecksumFaultAction_ThrowException);
        EXPECT_EQ(messageOf([&] { f->PrepareFont(kSkip); }), expected);
    }
    for (auto action : {ChecksumFaultAction::ChecksumFaultAction_Warn,
                        ChecksumFaultAction::ChecksumFaultAction_IgnoreChecksum}) {
        Loaded f(bytes, action);
        EXPECT_EQ(messageOf([&] { f->PrepareFont(kSkip); }), QString());
    }
    // Exempt families are not checked.
    FontParts p = smallFont();
    p.family = QStringLiteral("roboto cn");
    QByteArray exempt = makeFont(p);
    exempt.replace(rec + 4, 4, be32(0));
    Loaded f(exempt, ChecksumFaultAction::ChecksumFaultAction_ThrowException);
    EXPECT_EQ(messageOf([&] { f->PrepareFont(kSkip); }), QString());
}

TEST(TrueTypeChecksum, InstalledFontsAddUp)
{
    for (const QString &family : {QStringLiteral("Arial"), QStringLiteral("Tahoma")}) {
        Loaded f(readInstalled(family), ChecksumFaultAction::ChecksumFaultAction_ThrowException);
        ASSERT_FALSE(f.bytes.isEmpty());
        EXPECT_EQ(messageOf([&] { f->PrepareFont(kSkip); }), QString()) << family.toStdString();
        EXPECT_FALSE(f->PostScriptName().isEmpty());
    }
}

TEST(TrueTypeKern, WindowsLayoutHoldsNoPairs)
{
    const QByteArray pairs = be16(2) + be16(12) + be16(1) + be16(0)  // nPairs and search fields
        + be16(3) + be16(4) + be16(-50) + be16(3) + be16(4) + be16(-70);
    // Windows layout: the subtable's first word is its version, 0.
    Tables t = makeTables(smallFont());
    t["kern"] = be16(0) + be16(1) + be16(0) + be16(6 + int(pairs.size())) + be16(1) + pairs;
    Loaded win(buildFont(t));
    win->PrepareFont(kSkip);
    ASSERT_EQ(win->kerning_table->kerning_subtables_collection.size(), 1u);
    EXPECT_EQ(win->kerning_table->get_Item(3 * 65536 + 4), 0);

    // First word 1: the pairs are read, a later duplicate ignored.
    t["kern"] = be16(0) + be16(1) + be16(1) + be16(6 + int(pairs.size())) + be16(1) + pairs;
    Loaded one(buildFont(t));
    one->PrepareFont(kSkip);
    EXPECT_EQ(one->kerning_table->get_Item(3 * 65536 + 4), -50);
    EXPECT_EQ(one->kerning_table->get_Item(4 * 65536 + 3), 0);

    // Pair counts beyond the subtable's length stop at its end.
    t["kern"] = be16(0) + be16(3) + be16(1) + be16(20) + be16(1) + be16(60000) + QByteArray(6, '\0');
    Loaded big(buildFont(t));
    big->PrepareFont(kSkip);
    EXPECT_EQ(big->kerning_table->kerning_subtables_collection.size(), 1u);
}

TEST(TrueTypeOS2, ShortTablesReadZeroBeyondTheirLength)
{
    Tables t = makeTables(smallFont());
    t["OS/2"] = os2Table(777, 78);
    Loaded f(buildFont(t));
    f->PrepareFont(kSkip);
    EXPECT_EQ(f->windows_metrix->AvgCharWidth(), 777);
    EXPECT_EQ(f->windows_metrix->Ascent(), 1900);
    EXPECT_EQ(f->windows_metrix->Descent(), 500);
    EXPECT_EQ(f->windows_metrix->DefaultChar(), 0);
    EXPECT_EQ(f->windows_metrix->BreakChar(), 0);
    // Saved at a new place with its own bytes and padded to 4.
    const qint64 end = f->windows_metrix->Save(f->block, 300);
    EXPECT_EQ(end, 300 + 80);
    EXPECT_EQ(f.bytes.mid(300, 78), t["OS/2"]);
}

TEST(TrueTypeBadInput, TruncatedFontsRaiseFormatError)
{
    const QByteArray whole = readInstalled(QStringLiteral("Arial"));
    ASSERT_FALSE(whole.isEmpty());
    for (qint64 cut : {qint64(0), qint64(3), qint64(11), qint64(12), qint64(100), qint64(400), whole.size() / 3,
                       whole.size() / 2, whole.size() - 5000}) {
        Loaded f(whole.left(cut));
        EXPECT_EQ(messageOf([&] { f->PrepareFont(kSkip); }), kFormatError) << cut;
    }
}

TEST(TrueTypeBadInput, DirectoryFieldsOutOfRange)
{
    const QByteArray good = makeFont(smallFont());
    const struct {
        int at;
        QByteArray value;
    } cases[] = {
        {4, be16(0xFFFF)},                // numTables far past the file
        {12 + 8, be32(0xFFFFFFF0u)},      // first table's offset
        {12 + 12, be32(0x7FFFFFFF)},      // first table's length
        {12 + 16 * 3 + 12, be32(20)},     // head shorter than its header
        {12 + 16 * 7 + 12, be32(6)},      // maxp of version 0.5 size
    };
    for (const auto &c : cases) {
        QByteArray bytes = good;
        bytes.replace(c.at, c.value.size(), c.value);
        Loaded f(bytes);
        EXPECT_EQ(messageOf([&] { f->PrepareFont(kSkip); }), kFormatError) << c.at;
    }
}

TEST(TrueTypeBadInput, CorruptedBytesNeverCrash)
{
    const QByteArray good = makeFont(smallFont());
    quint32 seed = 12345;
    auto next = [&] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) & 0xFFFFFF;
    };
    int failures = 0;
    for (int round = 0; round < 3000; ++round) {
        QByteArray bytes = good;
        const int flips = 1 + int(next() % 4);
        for (int i = 0; i < flips; ++i)
            bytes[int(next() % bytes.size())] = char(next() & 0xFF);
        Loaded f(bytes);
        try {
            f->PrepareFont(kSkip);
            f->AddCharacterToKeepList(quint16(next() % 6));
            f->AddCharacterToKeepList(2);
            const QByteArray subset = f->PackFont(true);
            EXPECT_LE(subset.size(), bytes.size() + 3);
        } catch (const Exception &) {
            ++failures;
        }
    }
    EXPECT_GT(failures, 0);
}

TEST(TrueTypeCollection, InitializeByKind)
{
    const QByteArray font = makeFont(smallFont());
    const struct {
        QByteArray bytes;
        const char *message;
        int fonts;
    } cases[] = {
        {font, "", 1},
        {buildCollection({font, font}), "", 2},
        {buildCollection({font}, 0x00020000), "", 1},
        {buildCollection({font}, 0x00030000), "Unknown font collection version", 0},
        {QByteArray("OTTO") + font.mid(4), "", 0},
        {QByteArray("wOFF") + font.mid(4), "TrueType font format error", 0},
        {QByteArray("tt"), "TrueType font format error", 0},
        {QByteArray("ttcf") + be32(0x00010000) + be32(0xFFFFFFFF), "TrueType font format error", 0},
        {QByteArray("ttcf") + be32(0x00010000) + be32(1) + be32(90000), "TrueType font format error", 0},
    };
    for (const auto &c : cases) {
        QByteArray bytes = c.bytes;
        TrueTypeCollection ttc;
        EXPECT_EQ(messageOf([&] { ttc.Initialize(reinterpret_cast<quint8 *>(bytes.data()), bytes.size()); }),
                  QString::fromLatin1(c.message));
        EXPECT_EQ(int(ttc.FontCollection().size()), c.fonts);
    }
}

TEST(TrueTypeCollection, FindsAFontByItsUniqueName)
{
    FontParts a = smallFont(), b = smallFont();
    Tables ta = makeTables(a), tb = makeTables(b);
    ta["name"] = nameTable({{3, 1, 3, QStringLiteral("First Unique")}});
    tb["name"] = nameTable({{3, 1, 3, QStringLiteral("Second Unique")}});
    QByteArray bytes = buildCollection({buildFont(ta), buildFont(tb)});
    TrueTypeCollection ttc;
    ttc.Initialize(reinterpret_cast<quint8 *>(bytes.data()), bytes.size());
    for (TrueTypeFont *f : ttc.FontCollection())
        f->PrepareFont(kSkip);
    EXPECT_EQ(ttc.get_Item(QStringLiteral("Second Unique")), ttc.FontCollection()[1]);
    EXPECT_EQ(messageOf([&] { ttc.get_Item(QStringLiteral("Third")); }), QStringLiteral("Font not found in collection"));
}

} // namespace
