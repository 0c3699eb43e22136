#include "export/pdf/fonts/TrueTypeTables.h"
#include <cstring>

namespace {

bool sameIgnoringAsciiCase(const QString &a, const QString &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        ushort x = a[i].unicode(), y = b[i].unicode();
        if (x >= 'a' && x <= 'z')
            x -= 32;
        if (y >= 'a' && y <= 'z')
            y -= 32;
        if (x != y)
            return false;
    }
    return true;
}

template <typename T>
QList<T> readArray(const quint8 *p, int count)
{
    QList<T> out;
    out.reserve(count);
    for (int i = 0; i < count; ++i)
        out.append(T(TTF_Helpers::ReadUInt16(p + 2 * i)));
    return out;
}

} // namespace

// cmap

void CmapTableClass::LoadCmapTable(const TTFBlock &font)
{
    const quint8 *t = TableData(font, 4);
    const qint64 len = entry.length;
    const int numTables = ReadUInt16(t + 2);
    if (4 + 8 * qint64(numTables) > len)
        FormatError();
    for (int r = 0; r < numTables; ++r) {
        const quint8 *rec = t + 4 + 8 * r;
        if (ReadUInt16(rec) != 3 || ReadUInt16(rec + 2) != 1)
            continue;
        const qint64 sub = ReadUInt32(rec + 4);
        if (sub + 4 > len)
            FormatError();
        const quint8 *s = t + sub;
        switch (ReadUInt16(s)) {
        case 0:
            Raise(QStringLiteral("TO DO: ByteEncoding cmap format not implemented"));
        case 2:
            Raise(QStringLiteral("TO DO: HighByteMapping cmap format not implemented"));
        case 6:
            Raise(QStringLiteral("TO DO: TrimmedTable cmap format not implemented"));
        case 4:
            break;
        default:
            continue;
        }
        const qint64 subLen = ReadUInt16(s + 2);
        if (subLen < 16 || sub + subLen > len)
            FormatError();
        const int seg = ReadUInt16(s + 6) / 2;
        if (16 + 8 * qint64(seg) > subLen)
            FormatError();
        segment_count = seg;
        endCount = readArray<quint16>(s + 14, seg);
        startCount = readArray<quint16>(s + 16 + 2 * seg, seg);
        idDelta = readArray<qint16>(s + 16 + 4 * seg, seg);
        idRangeOffset = readArray<quint16>(s + 16 + 6 * seg, seg);
        GlyphIndexArray = readArray<quint16>(s + 16 + 8 * seg, int((subLen - 16 - 8 * seg) / 2));
    }
}

quint16 CmapTableClass::GetGlyphIndex(quint16 ch) const
{
    for (int i = 0; i < segment_count; ++i) {
        if (endCount[i] < ch)
            continue;
        if (ch < startCount[i])
            return 0;
        if (idRangeOffset[i] == 0)
            return quint16(ch + idDelta[i]);
        const int idx = (idRangeOffset[i] / 2 + (ch - startCount[i]) + i - segment_count) & 0xFFFF;
        if (idx >= GlyphIndexArray.size())
            return 0;
        const quint16 g = GlyphIndexArray[idx];
        return g == 0 ? 0 : quint16(g + idDelta[i]);
    }
    return 0;
}

// head

void FontHeaderClass::Load(const TTFBlock &font)
{
    const quint8 *t = TableData(font, 54);
    std::memcpy(header.bytes.data(), t, 54);
    std::memset(font.data + entry.offset + 8, 0, 4);
    std::memset(&header.bytes[8], 0, 4);
}

void FontHeaderClass::SaveFontHeader(quint8 *header_ptr, quint32 CheckSum) const
{
    quint8 *p = header_ptr + entry.offset;
    std::memcpy(p, header.bytes.data(), 54);
    WriteUInt32(p + 8, CheckSum);
}

// glyf

void GlyphTableClass::Load(const TTFBlock &font)
{
    glyph_table_ptr = TableData(font);
}

QList<quint16> GlyphTableClass::CheckGlyph(qint64 glyph_offset, qint64 glyph_size) const
{
    QList<quint16> components;
    if (glyph_size == 0)
        return components;
    if (!glyph_table_ptr || glyph_offset < 0 || glyph_size < 10
        || glyph_offset + glyph_size > qint64(entry.length))
        FormatError();
    const quint8 *g = glyph_table_ptr + glyph_offset;
    if (ReadInt16(g) >= 0)
        return components;
    qint64 p = 10;
    quint16 flags = 0;
    do {
        if (p + 4 > glyph_size)
            FormatError();
        flags = ReadUInt16(g + p);
        components.append(ReadUInt16(g + p + 2));
        p += 4;
        p += (flags & 0x0001) ? 4 : 2;
        if (flags & 0x0008)
            p += 2;
        else if (flags & 0x0040)
            p += 4;
        else if (flags & 0x0080)
            p += 8;
        if (p > glyph_size)
            FormatError();
    } while (flags & 0x0020);
    return components;
}

// GSUB

void GlyphSubstitutionClass::Load(const TTFBlock &font)
{
    const quint8 *t = TableData(font, 10);
    header.Version = ReadUInt32(t);
    header.ScriptList = ReadUInt16(t + 4);
    header.FeatureList = ReadUInt16(t + 6);
    header.LookupList = ReadUInt16(t + 8);
}

// hhea

void HorizontalHeaderClass::Load(const TTFBlock &font)
{
    std::memcpy(HorizontalHeader.data(), TableData(font, 36), 36);
}

qint64 HorizontalHeaderClass::Save(const TTFBlock &font, qint64 offset)
{
    MoveTo(font, offset, entry.length);
    std::memcpy(font.data + offset, HorizontalHeader.data(), 36);
    return offset + entry.length;
}

// hmtx

void HorizontalMetrixClass::Load(const TTFBlock &font)
{
    const quint8 *t = TableData(font);
    if (NumberOfMetrics < 0 || 4 * qint64(NumberOfMetrics) > qint64(entry.length))
        FormatError();
    MetrixTable.clear();
    MetrixTable.reserve(NumberOfMetrics);
    for (int i = 0; i < NumberOfMetrics; ++i)
        MetrixTable.append({ReadUInt16(t + 4 * i), ReadInt16(t + 4 * i + 2)});
}

longHorMetric HorizontalMetrixClass::GetItem(int index) const
{
    if (MetrixTable.isEmpty())
        return {};
    if (index >= 0 && index < MetrixTable.size())
        return MetrixTable[index];
    return MetrixTable.last();
}

// loca

void IndexToLocationClass::LoadIndexToLocation(const TTFBlock &font, const FontHeaderClass *font_header)
{
    if (!font_header)
        FormatError();
    const quint8 *t = TableData(font);
    Short = Long = false;
    ShortIndexToLocation.clear();
    LongIndexToLocation.clear();
    switch (font_header->indexToLocFormat()) {
    case 0:
        Short = true;
        ShortIndexToLocation = readArray<quint16>(t, int(entry.length / 2));
        break;
    case 1: {
        Long = true;
        const int n = int(entry.length / 4);
        LongIndexToLocation.reserve(n);
        for (int i = 0; i < n; ++i)
            LongIndexToLocation.append(ReadUInt32(t + 4 * i));
        break;
    }
    default:
        Raise(QStringLiteral("Unsupported Index to Location format"));
    }
}

quint16 IndexToLocationClass::GetGlyph(int i2l_idx, const FontHeaderClass *font_header, quint32 &location) const
{
    location = 0;
    const int format = font_header ? font_header->indexToLocFormat() : -1;
    if (format == 0 && Short && i2l_idx >= 0 && i2l_idx + 1 < ShortIndexToLocation.size()) {
        location = quint32(ShortIndexToLocation[i2l_idx]) * 2;
        return quint16((ShortIndexToLocation[i2l_idx + 1] - ShortIndexToLocation[i2l_idx]) * 2);
    }
    if (format == 1 && Long && i2l_idx >= 0 && i2l_idx + 1 < LongIndexToLocation.size()) {
        location = LongIndexToLocation[i2l_idx];
        return quint16(LongIndexToLocation[i2l_idx + 1] - LongIndexToLocation[i2l_idx]);
    }
    return 0;
}

// kern

KerningSubtableClass::KerningSubtableClass(const quint8 *p, qint64 available)
{
    for (int i = 0; i < 3; ++i)
        common_header[i] = ReadUInt16(p + 2 * i);
    if (common_header[0] != 1 || available < 14)
        return;
    for (int i = 0; i < 4; ++i)
        format_zero[i] = ReadUInt16(p + 6 + 2 * i);
    const qint64 limit = qMin<qint64>(Length(), available);
    for (qint64 k = 0; k < format_zero[0] && 14 + 6 * (k + 1) <= limit; ++k) {
        const quint8 *pair = p + 14 + 6 * k;
        const quint32 key = (quint32(ReadUInt16(pair)) << 16) | ReadUInt16(pair + 2);
        if (!zero_pairs.contains(key))
            zero_pairs.insert(key, ReadInt16(pair + 4));
    }
}

qint16 KerningSubtableClass::get_Item(quint32 inx) const
{
    return zero_pairs.value(inx, 0);
}

void KerningTableClass::Load(const TTFBlock &font)
{
    const quint8 *t = TableData(font, 4);
    header.Version = ReadUInt16(t);
    header.nTables = ReadUInt16(t + 2);
    kerning_subtables_collection.clear();
    qint64 pos = 4;
    for (int i = 0; i < header.nTables && pos + 6 <= qint64(entry.length); ++i) {
        auto sub = std::make_unique<KerningSubtableClass>(t + pos, entry.length - pos);
        const quint16 len = sub->Length();
        kerning_subtables_collection.push_back(std::move(sub));
        if (len == 0)
            break;
        pos += len;
    }
}

qint16 KerningTableClass::get_Item(quint32 idx) const
{
    return kerning_subtables_collection.empty() ? 0 : kerning_subtables_collection.front()->get_Item(idx);
}

// name

void NameTableClass::Load(const TTFBlock &font)
{
    const quint8 *t = TableData(font, 6);
    name_header.TableVersion = ReadUInt16(t);
    name_header.Count = ReadUInt16(t + 2);
    name_header.stringOffset = ReadUInt16(t + 4);
    m_tableLength = entry.length;
    if (6 + 12 * qint64(name_header.Count) > m_tableLength || name_header.stringOffset > m_tableLength)
        FormatError();
    records_ptr = t + 6;
    strings_ptr = t + name_header.stringOffset;
    m_stringsLength = m_tableLength - name_header.stringOffset;
}

bool NameTableClass::IsHasFontName(quint8 nameId, const QString &filter, QString &text) const
{
    text.clear();
    bool found = false;
    if (!records_ptr)
        return false;
    for (int r = 0; r < name_header.Count; ++r) {
        const quint8 *rec = records_ptr + 12 * r;
        const quint16 platform = ReadUInt16(rec);
        const quint16 encoding = ReadUInt16(rec + 2);
        const quint16 nameID = ReadUInt16(rec + 6);
        const quint16 len = ReadUInt16(rec + 8);
        const quint16 off = ReadUInt16(rec + 10);
        if (platform != Platform || (nameID & 0xFF) != nameId || (platform == 3 && encoding != 1))
            continue;
        // A record pointing past the strings is not a name we can read.
        if (qint64(off) + len > m_stringsLength)
            continue;
        const quint8 *s = strings_ptr + off;
        if (platform == 1) {
            text = QString::fromUtf8(reinterpret_cast<const char *>(s), len);
        } else {
            QString decoded(len / 2, Qt::Uninitialized);
            for (int i = 0; i < len / 2; ++i)
                decoded[i] = QChar(ReadUInt16(s + 2 * i));
            text = decoded;
        }
        found = true;
        if (filter.isEmpty() || sameIgnoringAsciiCase(text, filter))
            break;
    }
    return found;
}

// post

void PostScriptClass::Load(const TTFBlock &font)
{
    std::memcpy(header.data(), TableData(font, 32), 32);
}

qint64 PostScriptClass::Save(const TTFBlock &font, qint64 offset)
{
    WriteUInt32(&header[0], 0x00030000);
    std::memcpy(CheckedPtr(font, offset, 32), header.data(), 32);
    entry.offset = quint32(offset);
    entry.length = 32;
    return offset + 32;
}

// maxp

void MaximumProfileClass::Load(const TTFBlock &font)
{
    std::memcpy(MaximumProfile.data(), TableData(font, 32), 32);
}

qint64 MaximumProfileClass::Save(const TTFBlock &font, qint64 offset)
{
    MoveTo(font, offset, entry.length);
    std::memcpy(font.data + offset, MaximumProfile.data(), 32);
    return offset + entry.length;
}

// OS/2

void OS2WindowsMetricsClass::Load(const TTFBlock &font)
{
    const quint8 *t = TableData(font);
    win_metrix.fill(0);
    std::memcpy(win_metrix.data(), t, size_t(qMin<qint64>(entry.length, 96)));
}

qint64 OS2WindowsMetricsClass::Save(const TTFBlock &font, qint64 offset)
{
    const qint64 end = MoveTo(font, offset, entry.length);
    std::memcpy(font.data + offset, win_metrix.data(), size_t(qMin<qint64>(entry.length, 96)));
    return end;
}

// prep

void PreProgramClass::Load(const TTFBlock &font)
{
    const quint8 *t = TableData(font);
    const qint64 rounded = (qint64(entry.length) + 3) & ~qint64(3);
    pre_program = QByteArray(rounded, '\0');
    // The bytes that follow the program in the source, as far as the block goes.
    const qint64 available = qMin<qint64>(rounded, font.size - entry.offset);
    std::memcpy(pre_program.data(), t, size_t(available));
    entry.length = quint32(rounded);
}

qint64 PreProgramClass::Save(const TTFBlock &font, qint64 offset)
{
    const qint64 n = qMin<qint64>(pre_program.size(), font.size - offset);
    std::memcpy(CheckedPtr(font, offset, n), pre_program.constData(), size_t(n));
    entry.offset = quint32(offset);
    return offset + entry.length;
}
