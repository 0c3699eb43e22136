// The subset of a TrueType font that the PDF embeds: same glyph count and
// indices, outlines only for the glyphs used, tables packed behind a new
// directory, all in the font's own block.
#include "export/pdf/fonts/TrueTypeFont.h"
#include <QSet>
#include <algorithm>
#include <cstring>

void TrueTypeFont::AddCharacterToKeepList(quint16 ch)
{
    if (!ListOfUsedGlyphs.contains(ch))
        ListOfUsedGlyphs.append(ch);
}

void TrueTypeFont::setUsedGlyphs(const QList<qint64> &glyphs)
{
    ListOfUsedGlyphs.clear();
    QSet<quint16> seen;
    for (qint64 v : glyphs) {
        if (v < 0 || v > 0xFFFF)
            Raise(QStringLiteral("Format error"));
        if (!seen.contains(quint16(v))) {
            seen.insert(quint16(v));
            ListOfUsedGlyphs.append(quint16(v));
        }
    }
}

qint32 TrueTypeFont::HmtxWidth(quint16 g) const
{
    if (!horizontal_metrix_table)
        return 0;
    return qint32(quint32(horizontal_metrix_table->GetItem(g).advanceWidth) * 1000u / font_header->unitsPerEm());
}

qint32 TrueTypeFont::OS2Width() const
{
    if (!windows_metrix)
        return 0;
    return qint32(windows_metrix->AvgCharWidth()) * 1000 / qint32(font_header->unitsPerEm());
}

qint32 TrueTypeFont::KerningCorrection(const QList<quint16> &used_glyphs, int pos, quint16 g, bool uniscribe,
                                       bool use_kerning) const
{
    if (!use_kerning || pos + 1 >= used_glyphs.size() || !kerning_table)
        return 0;
    quint16 n = used_glyphs[pos + 1];
    if (!uniscribe)
        n = cmap_table ? cmap_table->GetGlyphIndex(n) : 0;
    const qint32 k = kerning_table->get_Item(quint32(n) * 65536u + g);
    return k * 1000 / qint32(font_header->unitsPerEm());
}

void TrueTypeFont::BuildGlyphIndexList(const QList<quint16> &used_glyphs, bool uniscribe, bool decompose,
                                       bool collate, bool use_kerning)
{
    if (!font_header || !index_to_location || font_header->unitsPerEm() == 0)
        FormatError();
    if (!glyph_table)
        Raise(QStringLiteral("Glyph table not found"));
    Indices.clear();
    GlyphWidths.clear();
    QSet<quint16> held;
    auto add = [&](quint16 glyph, qint32 width) {
        Indices.append(glyph);
        GlyphWidths.append(width);
        held.insert(glyph);
    };
    const int count = GlyphCount();
    const int metrics = horizontal_metrix_table ? horizontal_metrix_table->NumberOfMetrics : 0;
    for (int pos = 0; pos < used_glyphs.size(); ++pos) {
        const quint16 ch = used_glyphs[pos];
        const quint16 g = uniscribe ? ch : (cmap_table ? cmap_table->GetGlyphIndex(ch) : 0);
        // A glyph the font does not have is left out.
        if (g >= count)
            continue;
        quint32 location = 0;
        const quint16 length = index_to_location->GetGlyph(g, font_header, location);
        if (length != 0) {
            const qint32 componentWidth = g < metrics ? HmtxWidth(g) : OS2Width();
            QList<quint16> pending = glyph_table->CheckGlyph(location, length);
            std::reverse(pending.begin(), pending.end());
            while (!pending.isEmpty()) {
                const quint16 c = pending.takeLast();
                if (c >= count || (collate && (!decompose || held.contains(c))))
                    continue;
                add(c, componentWidth);
                // Components of a component are kept too, else an accent
                // built on a composite base loses that base's outline. The
                // held set ends cycles: each glyph is opened once.
                if (!(collate && decompose))
                    continue;
                quint32 at = 0;
                const quint16 size = index_to_location->GetGlyph(c, font_header, at);
                QList<quint16> nested = glyph_table->CheckGlyph(at, size);
                std::reverse(nested.begin(), nested.end());
                pending.append(nested);
            }
            if (collate && held.contains(g))
                continue;
            add(g, HmtxWidth(g) - KerningCorrection(used_glyphs, pos, g, uniscribe, use_kerning));
        } else if (!held.contains(g)) {
            const qint32 width = ch == 0x0667 ? 0 : location != 0 ? HmtxWidth(g) : OS2Width();
            add(g, width - KerningCorrection(used_glyphs, pos, g, uniscribe, use_kerning));
        }
    }
}

qint32 TrueTypeFont::get_GlyphWidth(quint16 glph) const
{
    const qsizetype i = Indices.indexOf(glph);
    return i < 0 ? 0 : GlyphWidths.value(i);
}

void TrueTypeFont::RebuildGlyphTables(bool uniscribe)
{
    if (!glyph_table)
        Raise(QStringLiteral("Glyph table not found"));
    std::sort(ListOfUsedGlyphs.begin(), ListOfUsedGlyphs.end());
    BuildGlyphIndexList(ListOfUsedGlyphs, uniscribe, true, true, true);

    QList<quint16> sorted = Indices;
    std::sort(sorted.begin(), sorted.end());
    const qint16 format = font_header->indexToLocFormat();
    if (format != 0 && format != 1)
        Raise(QStringLiteral("Unknown IndexToLoc value"));
    IndexToLocationClass *loca = index_to_location;
    if ((format == 0 && !loca->Short) || (format == 1 && !loca->Long))
        FormatError();

    // Sources are read from a copy: the live entries change as we go.
    const QList<quint16> srcShort = loca->ShortIndexToLocation;
    const QList<quint32> srcLong = loca->LongIndexToLocation;
    const int entries = loca->EntryCount();
    auto source = [&](quint16 g, qint64 &location) -> qint64 {
        if (format == 0) {
            location = qint64(srcShort[g]) * 2;
            return quint16((srcShort[g + 1] - srcShort[g]) * 2);
        }
        location = srcLong[g];
        return quint16(srcLong[g + 1] - srcLong[g]);
    };
    auto setEntry = [&](int k, qint64 v) {
        if (format == 0)
            loca->ShortIndexToLocation[k] = quint16(v / 2);
        else
            loca->LongIndexToLocation[k] = quint32(v);
    };

    const qint64 glyfLength = glyph_table->length();
    qint64 total = 0;
    for (quint16 g : sorted) {
        qint64 location = 0;
        total += source(g, location);
    }
    // Glyphs that overlap in the source would not fit where glyf stands.
    if (total > glyfLength)
        FormatError();
    QByteArray glyf(total, '\0');
    int e = 0;
    qint64 v = 0;
    for (quint16 g : sorted) {
        for (int k = e; k <= g; ++k)
            setEntry(k, v);
        e = g + 1;
        qint64 location = 0;
        const qint64 len = source(g, location);
        if (location + len > glyfLength)
            FormatError();
        std::memcpy(glyf.data() + v, glyph_table->glyph_table_ptr + location, size_t(len));
        v += len;
    }
    std::memcpy(block.data + glyph_table->offset(), glyf.constData(), size_t(v));
    glyph_table->setLength(quint32(v));

    for (int k = e; k < entries; ++k)
        setEntry(k, v);
    quint8 *p = CheckedPtr(block, loca->offset(), qint64(entries) * (format == 0 ? 2 : 4));
    for (int k = 0; k < entries; ++k) {
        if (format == 0)
            WriteUInt16(p + 2 * k, loca->ShortIndexToLocation[k]);
        else
            WriteUInt32(p + 4 * k, loca->LongIndexToLocation[k]);
    }
    loca->setCheckSum(CalcTableChecksum(loca));
    glyph_table->setCheckSum(CalcTableChecksum(glyph_table));
}

std::vector<TrueTypeTable *> TrueTypeFont::TablesInFileOrder() const
{
    std::vector<TrueTypeTable *> order = ListOfTables;
    std::stable_sort(order.begin(), order.end(),
                     [](const TrueTypeTable *a, const TrueTypeTable *b) { return a->offset() < b->offset(); });
    return order;
}

void TrueTypeFont::WriteTableDirectory()
{
    quint8 *p = CheckedPtr(block, 0, 12 + 16 * qint64(ListOfTables.size()));
    WriteUInt32(p, dir.sfntversion);
    WriteUInt16(p + 4, dir.numTables);
    WriteUInt16(p + 6, dir.searchRange);
    WriteUInt16(p + 8, dir.entrySelector);
    WriteUInt16(p + 10, dir.rangeShift);
    std::vector<TrueTypeTable *> byTag = ListOfTables;
    std::stable_sort(byTag.begin(), byTag.end(),
                     [](const TrueTypeTable *a, const TrueTypeTable *b) { return a->tag() < b->tag(); });
    p += 12;
    for (const TrueTypeTable *t : byTag)
        p = t->StoreDescriptor(p);
}

void TrueTypeFont::UpdateChecksumAdjustment(qint64 size)
{
    font_header->SaveFontHeader(block.data, 0xB1B0AFBAu - SumUInt32(block, 0, size));
}

QByteArray TrueTypeFont::PackFont(bool uniscribe)
{
    if (!font_header || !index_to_location)
        FormatError();
    const std::vector<TrueTypeTable *> order = TablesInFileOrder();
    RebuildGlyphTables(uniscribe);
    qint64 next = 12 + 16 * qint64(dir.numTables);
    for (TrueTypeTable *t : order) {
        next = t->Save(block, next);
        if (next % 4 != 0)
            Raise(QStringLiteral("Align error"));
        if (t == postscript)
            t->setCheckSum(CalcTableChecksum(t));
    }
    WriteTableDirectory();
    UpdateChecksumAdjustment(next);
    // A source whose last table lacked its padding ends short of next.
    QByteArray result(next, '\0');
    std::memcpy(result.data(), block.data, size_t(qMin(next, block.size)));
    return result;
}
