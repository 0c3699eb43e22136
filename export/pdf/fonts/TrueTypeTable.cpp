#include "export/pdf/fonts/TrueTypeTable.h"
#include <cstring>

TrueTypeTable::TrueTypeTable(const quint8 *entry_ptr)
{
    entry.tag = ReadUInt32(entry_ptr);
    entry.checkSum = ReadUInt32(entry_ptr + 4);
    entry.offset = ReadUInt32(entry_ptr + 8);
    entry.length = ReadUInt32(entry_ptr + 12);
}

TrueTypeTable::TrueTypeTable(const TrueTypeTable *parent) : entry(parent->entry) {}

void TrueTypeTable::Load(const TTFBlock &) {}

qint64 TrueTypeTable::Save(const TTFBlock &font, qint64 offset)
{
    return MoveTo(font, offset, entry.length);
}

qint64 TrueTypeTable::MoveTo(const TTFBlock &font, qint64 offset, qint64 length)
{
    const qint64 size = (length + 3) & ~qint64(3);
    const quint8 *src = TableData(font);
    if (length > qint64(entry.length))
        FormatError();
    quint8 *dst = CheckedPtr(font, offset, length);
    if (dst != src)
        std::memmove(dst, src, size_t(length));
    // Padding is zero whether or not the table moved: a table that shrank
    // in place would otherwise keep stale bytes there. A last table without
    // padding in the source may end at the block's end; the packed result
    // supplies the missing zeros.
    const qint64 pad = qMin(size, font.size - offset) - length;
    std::memset(dst + length, 0, size_t(pad));
    entry.offset = quint32(offset);
    return offset + size;
}

quint8 *TrueTypeTable::StoreDescriptor(quint8 *p) const
{
    WriteUInt32(p, entry.tag);
    WriteUInt32(p + 4, entry.checkSum);
    WriteUInt32(p + 8, entry.offset);
    WriteUInt32(p + 12, entry.length);
    return p + 16;
}

QString TrueTypeTable::TAGLINE() const
{
    QString s;
    for (int shift = 24; shift >= 0; shift -= 8)
        s += QChar(ushort((entry.tag >> shift) & 0xFF));
    return s;
}

const quint8 *TrueTypeTable::TableData(const TTFBlock &font, qint64 minLength) const
{
    if (qint64(entry.length) < minLength)
        FormatError();
    return CheckedPtr(font, entry.offset, entry.length);
}
