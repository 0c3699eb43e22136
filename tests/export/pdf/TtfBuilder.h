// Small TrueType fonts put together table by table, so that each test shows
// the one field it is about. Checksums and the head adjustment are made
// the way the format prescribes unless a test asks otherwise.
#pragma once
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <functional>

namespace ttftest {

QByteArray be16(int v);
QByteArray be32(quint32 v);
quint32 checksum(const QByteArray &bytes);

// Tag -> table bytes; the directory lists them in tag order and they are
// laid out in that order, 4-byte aligned.
using Tables = QMap<QByteArray, QByteArray>;

// The font file. fixHeadAdjustment: write head.checkSumAdjustment.
QByteArray buildFont(const Tables &tables, bool fixHeadAdjustment = true);
// A collection of fonts built by buildFont, tables not shared.
QByteArray buildCollection(const QList<QByteArray> &fonts, quint32 version = 0x00010000);

// A simple glyph: one contour, one point, marker as its x coordinate.
QByteArray simpleGlyph(int marker);
struct Component {
    int glyph;
    quint16 extraFlags = 0; // ARG_1_AND_2_ARE_WORDS, scales
};
QByteArray compositeGlyph(const QList<Component> &components);

struct FontParts {
    QList<QByteArray> glyphs;  // glyph 0 first; empty entries are empty glyphs
    QList<int> advances;       // hmtx, numberOfHMetrics = advances.size()
    int locaFormat = 0;
    int unitsPerEm = 2048;
    int avgCharWidth = 1000;   // OS/2 xAvgCharWidth
    // character -> glyph for the cmap (format 4, one segment per character)
    QMap<int, int> cmap;
    QString family = QStringLiteral("Test Sans");
};

QByteArray headTable(int locaFormat, int unitsPerEm);
QByteArray hheaTable(int numberOfHMetrics);
QByteArray maxpTable(int numGlyphs);
QByteArray hmtxTable(const QList<int> &advances);
// loca and glyf together.
void glyphTables(const QList<QByteArray> &glyphs, int locaFormat, QByteArray &loca, QByteArray &glyf);
QByteArray cmapFormat4(const QMap<int, int> &map);
// Windows Unicode name records (platform 3, encoding 1) in order.
struct NameRecord {
    int platform = 3;
    int encoding = 1;
    int nameId;
    QString text;
};
QByteArray nameTable(const QList<NameRecord> &records);
// A format-2 post table with some glyph-name data after the header.
QByteArray postTable(qint32 italicAngle, qint16 underlinePosition, qint16 underlineThickness, quint32 fixedPitch);
QByteArray os2Table(int avgCharWidth, int length = 96);

Tables makeTables(const FontParts &parts);
inline QByteArray makeFont(const FontParts &parts) { return buildFont(makeTables(parts)); }

// The message of the exception f raises; empty when it raises none.
QString messageOf(const std::function<void()> &f);

} // namespace ttftest
