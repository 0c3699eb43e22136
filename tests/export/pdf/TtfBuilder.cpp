#include "TtfBuilder.h"
#include "platform/Exception.h"

namespace ttftest {

QByteArray be16(int v)
{
    QByteArray b(2, '\0');
    b[0] = char((v >> 8) & 0xFF);
    b[1] = char(v & 0xFF);
    return b;
}

QByteArray be32(quint32 v)
{
    return be16(int(v >> 16)) + be16(int(v & 0xFFFF));
}

quint32 checksum(const QByteArray &bytes)
{
    QByteArray b = bytes;
    while (b.size() % 4)
        b.append('\0');
    quint32 sum = 0;
    for (int i = 0; i < b.size(); i += 4)
        sum += (quint32(quint8(b[i])) << 24) | (quint32(quint8(b[i + 1])) << 16) | (quint32(quint8(b[i + 2])) << 8)
            | quint8(b[i + 3]);
    return sum;
}

QByteArray buildFont(const Tables &tables, bool fixHeadAdjustment)
{
    const int n = int(tables.size());
    int pow2 = 1, log2 = 0;
    while (pow2 * 2 <= n) {
        pow2 *= 2;
        ++log2;
    }
    QByteArray out = be32(0x00010000) + be16(n) + be16(pow2 * 16) + be16(log2) + be16(n * 16 - pow2 * 16);
    QByteArray body;
    qint64 offset = 12 + 16 * n;
    qint64 headAt = -1;
    for (auto it = tables.cbegin(); it != tables.cend(); ++it) {
        QByteArray tag = it.key().leftJustified(4, ' ', true);
        out += tag + be32(checksum(it.value())) + be32(quint32(offset)) + be32(quint32(it.value().size()));
        if (tag == "head")
            headAt = offset;
        QByteArray padded = it.value();
        while (padded.size() % 4)
            padded.append('\0');
        body += padded;
        offset += padded.size();
    }
    out += body;
    if (fixHeadAdjustment && headAt >= 0)
        out.replace(headAt + 8, 4, be32(0xB1B0AFBAu - checksum(out)));
    return out;
}

QByteArray buildCollection(const QList<QByteArray> &fonts, quint32 version)
{
    QByteArray out = QByteArray("ttcf") + be32(version) + be32(quint32(fonts.size()));
    qint64 at = 12 + 4 * fonts.size();
    QByteArray body;
    for (const QByteArray &f : fonts) {
        // Table offsets count from the start of the file: shift them.
        QByteArray moved = f;
        const int n = (quint8(f[4]) << 8) | quint8(f[5]);
        for (int i = 0; i < n; ++i) {
            const int rec = 12 + 16 * i + 8;
            const quint32 old = (quint32(quint8(f[rec])) << 24) | (quint32(quint8(f[rec + 1])) << 16)
                | (quint32(quint8(f[rec + 2])) << 8) | quint8(f[rec + 3]);
            moved.replace(rec, 4, be32(old + quint32(at)));
        }
        out += be32(quint32(at));
        body += moved;
        at += moved.size();
    }
    return out + body;
}

QByteArray simpleGlyph(int marker)
{
    QByteArray g = be16(1) + be16(0) + be16(0) + be16(marker) + be16(0); // contours, bbox
    g += be16(0) + be16(0);  // endPts[0], instructionLength
    g += QByteArray(1, char(0x01)) + be16(marker) + be16(0); // on-curve, 16-bit x and y
    if (g.size() % 2)
        g.append('\0');
    return g;
}

QByteArray compositeGlyph(const QList<Component> &components)
{
    QByteArray g = be16(-1) + be16(0) + be16(0) + be16(100) + be16(100);
    for (int i = 0; i < components.size(); ++i) {
        const Component &c = components[i];
        quint16 flags = c.extraFlags | 0x0002; // ARGS_ARE_XY_VALUES
        if (i + 1 < components.size())
            flags |= 0x0020;
        g += be16(flags) + be16(c.glyph);
        g += (flags & 0x0001) ? be16(1) + be16(2) : QByteArray("\x01\x02", 2);
        if (flags & 0x0008)
            g += be16(0x4000);
        else if (flags & 0x0040)
            g += be16(0x4000) + be16(0x4000);
        else if (flags & 0x0080)
            g += be16(0x4000) + be16(0) + be16(0) + be16(0x4000);
    }
    return g;
}

QByteArray headTable(int locaFormat, int unitsPerEm)
{
    QByteArray h = be32(0x00010000) + be32(0x00010000) + be32(0) + be32(0x5F0F3CF5);
    h += be16(0x000B) + be16(unitsPerEm);
    h += QByteArray(16, '\0'); // created, modified
    h += be16(0) + be16(0) + be16(1000) + be16(1000); // bbox
    h += be16(0) + be16(8) + be16(2) + be16(locaFormat) + be16(0);
    return h;
}

QByteArray hheaTable(int numberOfHMetrics)
{
    QByteArray h = be32(0x00010000) + be16(1800) + be16(-400) + be16(60) + be16(2000);
    h += be16(0) + be16(0) + be16(1000) + be16(1) + be16(0) + be16(0);
    h += QByteArray(8, '\0') + be16(0) + be16(numberOfHMetrics);
    return h;
}

QByteArray maxpTable(int numGlyphs)
{
    return be32(0x00010000) + be16(numGlyphs) + QByteArray(26, '\0');
}

QByteArray hmtxTable(const QList<int> &advances)
{
    QByteArray h;
    for (int a : advances)
        h += be16(a) + be16(10);
    return h;
}

void glyphTables(const QList<QByteArray> &glyphs, int locaFormat, QByteArray &loca, QByteArray &glyf)
{
    loca.clear();
    glyf.clear();
    for (const QByteArray &g : glyphs) {
        loca += locaFormat == 0 ? be16(int(glyf.size() / 2)) : be32(quint32(glyf.size()));
        glyf += g;
        if (glyf.size() % 2)
            glyf.append('\0');
    }
    loca += locaFormat == 0 ? be16(int(glyf.size() / 2)) : be32(quint32(glyf.size()));
}

QByteArray cmapFormat4(const QMap<int, int> &map)
{
    QList<int> chars = map.keys();
    const int seg = int(chars.size()) + 1;
    QByteArray ends, starts, deltas, ranges;
    for (int ch : chars) {
        ends += be16(ch);
        starts += be16(ch);
        deltas += be16((map[ch] - ch) & 0xFFFF);
        ranges += be16(0);
    }
    ends += be16(0xFFFF);
    starts += be16(0xFFFF);
    deltas += be16(1);
    ranges += be16(0);
    QByteArray sub = be16(4) + be16(16 + 8 * seg) + be16(0) + be16(2 * seg) + be16(0) + be16(0) + be16(0);
    sub += ends + be16(0) + starts + deltas + ranges;
    return be16(0) + be16(1) + be16(3) + be16(1) + be32(12) + sub;
}

QByteArray nameTable(const QList<NameRecord> &records)
{
    QByteArray strings, recs;
    for (const NameRecord &r : records) {
        QByteArray s;
        if (r.platform == 1)
            s = r.text.toUtf8();
        else
            for (QChar c : r.text)
                s += be16(c.unicode());
        recs += be16(r.platform) + be16(r.encoding) + be16(0x409) + be16(r.nameId) + be16(int(s.size()))
            + be16(int(strings.size()));
        strings += s;
    }
    return be16(0) + be16(int(records.size())) + be16(6 + 12 * int(records.size())) + recs + strings;
}

QByteArray postTable(qint32 italicAngle, qint16 underlinePosition, qint16 underlineThickness, quint32 fixedPitch)
{
    QByteArray p = be32(0x00020000) + be32(quint32(italicAngle)) + be16(underlinePosition) + be16(underlineThickness);
    p += be32(fixedPitch) + be32(0) + be32(0) + be32(0) + be32(0);
    p += be16(2) + be16(0) + be16(258) + QByteArray("\x05glyph", 6);
    return p;
}

QByteArray os2Table(int avgCharWidth, int length)
{
    QByteArray o = be16(length >= 96 ? 2 : 0) + be16(avgCharWidth);
    o += QByteArray(96 - 4, '\x11');
    o.replace(74, 2, be16(1900));  // usWinAscent
    o.replace(76, 2, be16(500));   // usWinDescent
    o = o.left(length);
    while (o.size() < length)
        o.append('\x22');
    return o;
}

Tables makeTables(const FontParts &parts)
{
    Tables t;
    QByteArray loca, glyf;
    glyphTables(parts.glyphs, parts.locaFormat, loca, glyf);
    t["head"] = headTable(parts.locaFormat, parts.unitsPerEm);
    t["hhea"] = hheaTable(int(parts.advances.size()));
    t["maxp"] = maxpTable(int(parts.glyphs.size()));
    t["hmtx"] = hmtxTable(parts.advances);
    t["loca"] = loca;
    t["glyf"] = glyf;
    t["cmap"] = cmapFormat4(parts.cmap);
    t["name"] = nameTable({{3, 1, 1, parts.family}, {3, 1, 4, parts.family + QStringLiteral(" Regular")}});
    t["post"] = postTable(0, -100, 50, 0);
    t["OS/2"] = os2Table(parts.avgCharWidth);
    return t;
}

QString messageOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const Exception &e) {
        return e.message();
    }
    return QString();
}

} // namespace ttftest
