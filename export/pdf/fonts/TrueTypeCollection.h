// The fonts of one font file: a single TrueType font or a TrueType
// collection ("ttcf"), read from a block that the caller owns.
#pragma once
#include "export/pdf/fonts/TrueTypeFont.h"
#include <QByteArray>
#include <QList>
#include <vector>

class TrueTypeCollection : public TTF_Helpers {
public:
    TrueTypeCollection() = default;
    ~TrueTypeCollection();
    TrueTypeCollection(const TrueTypeCollection &) = delete;
    TrueTypeCollection &operator=(const TrueTypeCollection &) = delete;

    // One unprepared font per font of the block (none for CFF outlines).
    // The block must outlive the collection. "TrueType font format error"
    // or "Unknown font collection version" for a block of another kind.
    void Initialize(quint8 *FD, qint64 FontDataSize);
    // The subset of ttf (a prepared font of this collection) keeping the
    // glyph indices of UsedAlphabet; rewrites the block.
    QByteArray PackFont(TrueTypeFont *ttf, const QList<quint16> &UsedAlphabet);
    // Prepares every font and picks the one whose full name (name ID 4) or
    // family name (ID 1) is the face name (" Bold", " Italic" appended for
    // the style, or the substitute of a Japanese face). Without a match the
    // first font, with SubstitutionName set. Null for an empty collection.
    TrueTypeFont *LoadFont(const QString &faceName, bool bold, bool italic);
    // The name looked up for a face: its substitute, else with the style.
    static QString WantedFontName(const QString &faceName, bool bold, bool italic);

    // The prepared font whose unique name (name ID 3) is FamilyName, else
    // "Font not found in collection".
    TrueTypeFont *get_Item(const QString &FamilyName) const;

    // Owned.
    const std::vector<TrueTypeFont *> &FontCollection() const { return fonts_collection; }

private:
    void Clear();
    std::vector<TrueTypeFont *> fonts_collection;
};
