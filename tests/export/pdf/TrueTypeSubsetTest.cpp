#include "FontToolsOracle.h"
#include "common/TestSupport.h"
#include "TtfBuilder.h"
#include "export/pdf/fonts/TrueTypeCollection.h"
#include "platform/Exception.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <functional>
#include <memory>

using namespace ttftest;

namespace {

const QList<quint32> kSkip = {TrueTypeTable::MakeTag("EBLC"), TrueTypeTable::MakeTag("EBDT"),
                              TrueTypeTable::MakeTag("hdmx"), TrueTypeTable::MakeTag("VDMX"),
                              TrueTypeTable::MakeTag("DSIG")};

quint32 wordSum(const QByteArray &b)
{
    return checksum(b);
}

quint32 u32(const QByteArray &b, qint64 at)
{
    return TTF_Helpers::ReadUInt32(reinterpret_cast<const quint8 *>(b.constData()) + at);
}
quint16 u16(const QByteArray &b, qint64 at)
{
    return TTF_Helpers::ReadUInt16(reinterpret_cast<const quint8 *>(b.constData()) + at);
}

// Offset and length of a table in a font file, from its directory.
bool findTable(const QByteArray &font, const char *tag, qint64 &offset, qint64 &length)
{
    const int n = u16(font, 4);
    for (int i = 0; i < n; ++i) {
        const int rec = 12 + 16 * i;
        if (font.mid(rec, 4) == QByteArray(tag)) {
            offset = u32(font, rec + 8);
            length = u32(font, rec + 12);
            return true;
        }
    }
    return false;
}

QList<QByteArray> directoryTags(const QByteArray &font)
{
    QList<QByteArray> tags;
    for (int i = 0; i < u16(font, 4); ++i)
        tags.append(font.mid(12 + 16 * i, 4));
    return tags;
}

// Glyphs: 0 simple, 1 accent, 2 base, 3 = 2 + 1, 4 = 3 + 1 (composite of a
// composite), 5 = itself, 6 = 7 and 7 = 6 (a cycle), 8 = a glyph past the
// font, 9 empty.
FontParts compositeFont(int locaFormat = 0)
{
    FontParts p;
    p.glyphs = {simpleGlyph(10),           simpleGlyph(11),           simpleGlyph(12),
                compositeGlyph({{2}, {1}}), compositeGlyph({{3}, {1}}), compositeGlyph({{5}}),
                compositeGlyph({{7}}),      compositeGlyph({{6}}),      compositeGlyph({{300}}),
                QByteArray()};
    p.advances = {100, 200, 300, 400, 500, 600, 700, 800, 900, 1000};
    p.unitsPerEm = 2048;
    p.locaFormat = locaFormat;
    p.cmap = {{0x41, 2}, {0xC1, 3}};
    return p;
}

struct Packed {
    QByteArray source;
    QByteArray block;
    std::unique_ptr<TrueTypeFont> font;
    QByteArray subset;
};

// Prepares the font and packs it keeping glyphs.
std::unique_ptr<Packed> pack(const QByteArray &source, const QList<quint16> &glyphs, bool uniscribe = true)
{
    auto p = std::make_unique<Packed>();
    p->source = source;
    p->block = source;
    p->font = std::make_unique<TrueTypeFont>(
        TTFBlock{reinterpret_cast<quint8 *>(p->block.data()), p->block.size()}, 0,
        ChecksumFaultAction::ChecksumFaultAction_ThrowException);
    p->font->PrepareFont(kSkip);
    for (quint16 g : glyphs)
        p->font->AddCharacterToKeepList(g);
    p->subset = p->font->PackFont(uniscribe);
    return p;
}

// Glyph i's bytes in a font file, through its loca.
QByteArray glyphBytes(const QByteArray &font, int i)
{
    qint64 headAt, headLen, locaAt, locaLen, glyfAt, glyfLen;
    if (!findTable(font, "head", headAt, headLen) || !findTable(font, "loca", locaAt, locaLen)
        || !findTable(font, "glyf", glyfAt, glyfLen))
        return QByteArray("missing");
    const bool isShort = u16(font, headAt + 50) == 0;
    const qint64 a = isShort ? 2 * qint64(u16(font, locaAt + 2 * i)) : u32(font, locaAt + 4 * i);
    const qint64 b = isShort ? 2 * qint64(u16(font, locaAt + 2 * i + 2)) : u32(font, locaAt + 4 * i + 4);
    return font.mid(glyfAt + a, b - a);
}

const char *kSubsetOracle = R"PY(
import sys, json, struct
from fontTools.ttLib import TTFont
src_path, font_number, sub_path = sys.argv[1], int(sys.argv[2]), sys.argv[3]
used = [int(x) for x in sys.argv[4].split(',') if x]
data = open(sub_path, 'rb').read()
padded = data + b'\0' * (-len(data) % 4)
total = sum(struct.unpack('>%dI' % (len(padded) // 4), padded)) & 0xFFFFFFFF
src = TTFont(src_path, fontNumber=font_number)
sub = TTFont(sub_path, checkChecksums=2)
for tag in list(sub.reader.keys()):
    sub.reader[tag]
sg, og = sub['glyf'], src['glyf']
so, oo = sub.getGlyphOrder(), src.getGlyphOrder()
keep = set()
todo = [g for g in used if g < len(oo)]
while todo:
    g = todo.pop()
    if g in keep:
        continue
    keep.add(g)
    gl = og[oo[g]]
    if gl.isComposite():
        todo += [src.getGlyphID(c.glyphName) for c in gl.components]
bad, nonempty = [], []
for i in range(len(oo)):
    a, b = og[oo[i]], sg[so[i]]
    if i in keep:
        ca, cb = a.getCoordinates(og), b.getCoordinates(sg)
        if [list(x) for x in ca] != [list(x) for x in cb] or a.numberOfContours != b.numberOfContours:
            bad.append(i)
    elif b.numberOfContours != 0:
        nonempty.append(i)
upem = src['head'].unitsPerEm
print(json.dumps({
    'magic': data[:4].hex(), 'fileSum': total, 'glyphs': len(so), 'srcGlyphs': len(oo),
    'tables': [str(t) for t in sub.reader.keys()], 'srcTables': sorted(str(t) for t in src.reader.keys()),
    'post': sub['post'].formatType, 'keep': sorted(keep), 'bad': bad, 'nonEmpty': nonempty,
    'widths': {str(g): src['hmtx'][oo[g]][0] * 1000 // upem for g in keep},
}))
)PY";

// Checks a subset against its source with fontTools; used are the glyphs
// asked for.
void checkWithFontTools(const QString &sourcePath, int fontNumber, const Packed &p, const QList<quint16> &used)
{
    vdtest::TempDir dir;
    const QString subPath = dir.file(QStringLiteral("subset.ttf"));
    ASSERT_TRUE(vdtest::writeFile(subPath, p.subset));
    QStringList ids;
    for (quint16 g : used)
        ids << QString::number(g);
    QString error;
    const QJsonObject r = runFontTools(QString::fromUtf8(kSubsetOracle),
                                       {sourcePath, QString::number(fontNumber), subPath, ids.join(u',')}, &error);
    ASSERT_FALSE(r.isEmpty()) << error.toStdString();
    EXPECT_EQ(r.value("magic").toString(), QStringLiteral("00010000"));
    EXPECT_EQ(qint64(r.value("fileSum").toDouble()), qint64(0xB1B0AFBA));
    EXPECT_EQ(r.value("glyphs").toInt(), r.value("srcGlyphs").toInt());
    EXPECT_EQ(r.value("post").toDouble(), 3.0);
    EXPECT_TRUE(r.value("bad").toArray().isEmpty()) << "outlines differ: "
                                                    << QJsonDocument(r.value("bad").toArray()).toJson().toStdString();
    EXPECT_TRUE(r.value("nonEmpty").toArray().isEmpty());

    // Kept tables: every source table but the skipped ones, in tag order.
    QStringList expectedTables;
    for (const QJsonValue &t : r.value("srcTables").toArray())
        if (!QStringList{"EBLC", "EBDT", "hdmx", "VDMX", "DSIG"}.contains(t.toString()))
            expectedTables << t.toString();
    QStringList tables;
    for (const QJsonValue &t : r.value("tables").toArray())
        tables << t.toString();
    tables.sort();
    EXPECT_EQ(tables.join(u' '), expectedTables.join(u' '));
    // The directory lists them by the tag's bytes ("OS/2" before "cmap").
    const QList<QByteArray> tags = directoryTags(p.subset);
    EXPECT_TRUE(std::is_sorted(tags.begin(), tags.end()));
    EXPECT_EQ(tags.size(), expectedTables.size());

    // The glyphs kept are the used ones and their components, no more.
    QList<quint16> indices = p.font->Indices;
    std::sort(indices.begin(), indices.end());
    QList<quint16> keep;
    for (const QJsonValue &v : r.value("keep").toArray())
        keep << quint16(v.toInt());
    EXPECT_EQ(indices, keep);
    const QJsonObject widths = r.value("widths").toObject();
    for (quint16 g : used) {
        if (widths.contains(QString::number(g)))
            EXPECT_EQ(p.font->get_GlyphWidth(g), widths.value(QString::number(g)).toInt()) << g;
    }
}

QList<quint16> glyphsOf(TrueTypeFont *font, const QString &text)
{
    QList<quint16> glyphs{0};
    for (QChar c : text)
        glyphs << font->cmap_table->GetGlyphIndex(c.unicode());
    return glyphs;
}

const QString kText = QStringLiteral("Aé őЖжйё€fi");

TEST(TrueTypeSubset, InstalledFontsReadBackInFontTools)
{
    if (fontToolsPython().isEmpty())
        GTEST_SKIP() << "fontTools is not installed";
    for (const QString &family : {QStringLiteral("Arial"), QStringLiteral("Tahoma")}) {
        SCOPED_TRACE(family.toStdString());
        const QString path = installedFontFile(family);
        const QByteArray source = vdtest::readFile(path);
        ASSERT_FALSE(source.isEmpty());
        // The glyphs of the text, asked for twice, and one past the font.
        QList<quint16> used;
        {
            QByteArray copy = source;
            TrueTypeFont probe(TTFBlock{reinterpret_cast<quint8 *>(copy.data()), copy.size()}, 0,
                               ChecksumFaultAction::ChecksumFaultAction_IgnoreChecksum);
            probe.PrepareFont(kSkip);
            used = glyphsOf(&probe, kText + kText);
        }
        used << 65000;
        auto p = pack(source, used);
        EXPECT_LT(p->subset.size(), source.size() / 3);
        checkWithFontTools(path, 0, *p, used);
    }
}

TEST(TrueTypeSubset, MemberOfACollection)
{
    if (fontToolsPython().isEmpty())
        GTEST_SKIP() << "fontTools is not installed";
    vdtest::TempDir dir;
    const QString ttcPath = dir.file(QStringLiteral("pair.ttc"));
    QString error;
    runFontTools(QStringLiteral("import sys, json\n"
                                "from fontTools.ttLib import TTFont\n"
                                "from fontTools.ttLib.ttCollection import TTCollection\n"
                                "c = TTCollection()\n"
                                "c.fonts = [TTFont(sys.argv[1]), TTFont(sys.argv[2])]\n"
                                "c.save(sys.argv[3])\n"
                                "print('{}')\n"),
                 {installedFontFile(QStringLiteral("Arial")), installedFontFile(QStringLiteral("Tahoma")), ttcPath},
                 &error);
    QByteArray block = vdtest::readFile(ttcPath);
    ASSERT_EQ(block.left(4), QByteArray("ttcf")) << error.toStdString();
    TrueTypeCollection ttc;
    ttc.Initialize(reinterpret_cast<quint8 *>(block.data()), block.size());
    ASSERT_EQ(ttc.FontCollection().size(), 2u);
    TrueTypeFont *second = ttc.FontCollection()[1];
    second->PrepareFont(kSkip);
    EXPECT_EQ(second->FamilyName(), QStringLiteral("DejaVu Sans"));
    const QList<quint16> used = glyphsOf(second, kText);
    Packed p;
    p.subset = ttc.PackFont(second, used);
    // The checker reads the font's Indices through p.font: lend it.
    p.font.reset(second);
    checkWithFontTools(ttcPath, 1, p, used);
    (void)p.font.release();
}

TEST(TrueTypeSubset, EmptyGlyphListKeepsEveryTable)
{
    const QByteArray source = makeFont(compositeFont());
    auto p = pack(source, {});
    EXPECT_TRUE(p->font->Indices.isEmpty());
    qint64 at, len;
    ASSERT_TRUE(findTable(p->subset, "glyf", at, len));
    EXPECT_EQ(len, 0);
    ASSERT_TRUE(findTable(p->subset, "loca", at, len));
    EXPECT_EQ(len, 2 * 11);
    EXPECT_EQ(p->subset.mid(at, len), QByteArray(len, '\0'));
    EXPECT_EQ(directoryTags(p->subset), directoryTags(source));
    EXPECT_EQ(wordSum(p->subset), 0xB1B0AFBAu);
}

TEST(TrueTypeSubset, CompositesKeepTheirComponentsWithTheirWidth)
{
    for (int format : {0, 1}) {
        SCOPED_TRACE(format);
        const QByteArray source = makeFont(compositeFont(format));
        auto p = pack(source, {4});
        QList<quint16> kept = p->font->Indices;
        std::sort(kept.begin(), kept.end());
        // The nested composite 3 brings its base 2 along.
        EXPECT_EQ(kept, (QList<quint16>{1, 2, 3, 4}));
        for (quint16 g : {1, 2, 3, 4})
            EXPECT_EQ(p->font->get_GlyphWidth(g), 500 * 1000 / 2048) << g;
        EXPECT_EQ(p->font->get_GlyphWidth(0), 0);
        for (int g = 0; g < 10; ++g)
            EXPECT_EQ(glyphBytes(p->subset, g), kept.contains(quint16(g)) ? glyphBytes(source, g) : QByteArray()) << g;
        EXPECT_EQ(wordSum(p->subset), 0xB1B0AFBAu);
        EXPECT_EQ(p->subset.left(4), be32(0x00010000));
    }
}

TEST(TrueTypeSubset, CyclesAndMissingGlyphsEndTheWalk)
{
    const struct {
        QList<quint16> used;
        QList<quint16> kept;
    } cases[] = {
        {{5}, {5}},          // a glyph made of itself
        {{6}, {6, 7}},       // two glyphs made of each other
        {{8}, {8}},          // a component past the font
        {{2, 9999, 10}, {2}}, // glyphs past the font
        {{9}, {9}},          // an empty glyph
    };
    for (const auto &c : cases) {
        auto p = pack(makeFont(compositeFont()), c.used);
        QList<quint16> kept = p->font->Indices;
        std::sort(kept.begin(), kept.end());
        EXPECT_EQ(kept, c.kept) << c.used.first();
        EXPECT_EQ(wordSum(p->subset), 0xB1B0AFBAu);
    }
}

TEST(TrueTypeSubset, ShortLocaHoldsHalfOffsets)
{
    const QByteArray source = makeFont(compositeFont(0));
    auto p = pack(source, {2, 0});
    qint64 locaAt, locaLen, glyfAt, glyfLen;
    ASSERT_TRUE(findTable(p->subset, "loca", locaAt, locaLen));
    ASSERT_TRUE(findTable(p->subset, "glyf", glyfAt, glyfLen));
    const qint64 g0 = simpleGlyph(10).size(), g2 = simpleGlyph(12).size();
    EXPECT_EQ(glyfLen, g0 + g2);
    const QList<int> expected = {0, int(g0 / 2), int(g0 / 2), int((g0 + g2) / 2)};
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(u16(p->subset, locaAt + 2 * i), expected.value(i, int((g0 + g2) / 2))) << i;
}

TEST(TrueTypeSubset, WidthsAndRepeatedGlyphs)
{
    auto p = pack(makeFont(compositeFont()), {2, 2, 9, 2});
    EXPECT_EQ(p->font->ListOfUsedGlyphs.size(), 2);
    EXPECT_EQ(p->font->Indices.count(2), 1);
    EXPECT_EQ(p->font->get_GlyphWidth(2), 300 * 1000 / 2048);
    // An empty glyph at a non-zero loca offset takes its advance.
    EXPECT_EQ(p->font->get_GlyphWidth(9), 1000 * 1000 / 2048);

    // Character mode maps through cmap; an empty glyph at offset 0 takes the
    // OS/2 average width, truncated toward zero.
    FontParts first = compositeFont();
    first.glyphs.prepend(QByteArray());
    first.advances.prepend(50);
    first.cmap = {{0x20, 0}, {0x41, 3}};
    first.avgCharWidth = -30;
    auto q = pack(makeFont(first), {0x41, 0x20}, false);
    EXPECT_EQ(q->font->get_GlyphWidth(3), 300 * 1000 / 2048);
    EXPECT_EQ(q->font->get_GlyphWidth(0), -14);

    TrueTypeFont f(TTFBlock{}, 0, ChecksumFaultAction::ChecksumFaultAction_IgnoreChecksum);
    f.setUsedGlyphs({3, 3, 65535});
    EXPECT_EQ(f.ListOfUsedGlyphs, (QList<quint16>{3, 65535}));
    EXPECT_EQ(messageOf([&] { f.setUsedGlyphs({70000}); }), QStringLiteral("Format error"));
    EXPECT_EQ(messageOf([&] { f.setUsedGlyphs({-1}); }), QStringLiteral("Format error"));
}

TEST(TrueTypeSubset, Failures)
{
    const Tables good = makeTables(compositeFont());
    Tables noGlyf = good;
    noGlyf.remove("glyf");
    Tables oddHhea = good;
    oddHhea["hhea"] = hheaTable(10) + be16(0);
    // loca whose glyphs overlap: three glyphs over the whole of glyf.
    Tables overlap = good;
    const int half = int(good["glyf"].size() / 2);
    overlap["loca"] = be16(0) + be16(half) + be16(0) + be16(half) + be16(0) + be16(half)
        + QByteArray(2 * 5, '\0');
    const struct {
        Tables tables;
        QList<quint16> used;
        const char *message;
    } cases[] = {
        {noGlyf, {1}, "Glyph table not found"},
        {oddHhea, {1}, "Align error"},
        {overlap, {0, 2, 4}, "TrueType font format error"},
    };
    for (const auto &c : cases) {
        QByteArray bytes = buildFont(c.tables);
        EXPECT_EQ(messageOf([&] { pack(bytes, c.used); }), QString::fromLatin1(c.message));
    }
}

} // namespace
