// Byte-order routines and bounds-checked access to a font block: every
// TrueType class derives from TTF_Helpers so that they are at hand.
#pragma once
#include <QtGlobal>
#include <QString>

// A font file or collection in memory. Not owned here: the export font
// holds the bytes; the table objects read and rewrite them in place.
struct TTFBlock {
    quint8 *data = nullptr;
    qint64 size = 0;
};

class TTF_Helpers {
public:
    static qint16 SwapInt16(qint16 v) { return qint16(SwapUInt16(quint16(v))); }
    static quint16 SwapUInt16(quint16 v) { return quint16((v >> 8) | (v << 8)); }
    static qint32 SwapInt32(qint32 v) { return qint32(SwapUInt32(quint32(v))); }
    static quint32 SwapUInt32(quint32 v)
    {
        return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
    }
    static quint64 SwapUInt64(quint64 v)
    {
        return (quint64(SwapUInt32(quint32(v))) << 32) | SwapUInt32(quint32(v >> 32));
    }
    static quint8 *Increment(quint8 *p, qint64 bytes) { return p + bytes; }
    static const quint8 *Increment(const quint8 *p, qint64 bytes) { return p + bytes; }

    // Big-endian fields at p; callers have checked the bounds.
    static quint16 ReadUInt16(const quint8 *p) { return quint16((p[0] << 8) | p[1]); }
    static qint16 ReadInt16(const quint8 *p) { return qint16(ReadUInt16(p)); }
    static quint32 ReadUInt32(const quint8 *p)
    {
        return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | p[3];
    }
    static qint32 ReadInt32(const quint8 *p) { return qint32(ReadUInt32(p)); }
    static void WriteUInt16(quint8 *p, quint16 v)
    {
        p[0] = quint8(v >> 8);
        p[1] = quint8(v);
    }
    static void WriteUInt32(quint8 *p, quint32 v)
    {
        p[0] = quint8(v >> 24);
        p[1] = quint8(v >> 16);
        p[2] = quint8(v >> 8);
        p[3] = quint8(v);
    }

    // Sum of the big-endian 32-bit words of [begin, end) of the block; a
    // last partial word and bytes past the block count as zero.
    static quint32 SumUInt32(const TTFBlock &block, qint64 begin, qint64 end)
    {
        end = qMin(end, block.size);
        quint32 sum = 0;
        qint64 i = begin;
        for (; i + 4 <= end; i += 4)
            sum += ReadUInt32(block.data + i);
        if (i < end) {
            quint8 last[4] = {0, 0, 0, 0};
            for (int k = 0; i + k < end; ++k)
                last[k] = block.data[i + k];
            sum += ReadUInt32(last);
        }
        return sum;
    }

    // True when [offset, offset + length) lies inside the block.
    static bool InBlock(const TTFBlock &block, qint64 offset, qint64 length)
    {
        return offset >= 0 && length >= 0 && offset <= block.size && length <= block.size - offset;
    }
    // The bytes at offset, or "TrueType font format error" when fewer than
    // length of them are in the block.
    static quint8 *CheckedPtr(const TTFBlock &block, qint64 offset, qint64 length);
    [[noreturn]] static void FormatError();
    [[noreturn]] static void Raise(const QString &message);
};
