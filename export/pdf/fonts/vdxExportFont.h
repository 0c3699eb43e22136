// One font of one export: turns text into glyph indices of the font file
// with one advance per glyph (in thousandths of an em), shaped by Qt's
// HarfBuzz so that right-to-left text, ligatures and combining marks come
// out right, and collects every glyph used for the subset, the width array
// and the ToUnicode map.
#pragma once
#include "export/pdf/fonts/TrueTypeCollection.h"
#include "report/vdFont.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QRawFont>
#include <QString>
#include <QStringList>
#include <memory>

// A string as glyph indices: Data in display order; CharWidth one advance
// per glyph (-1 for a glyph drawn over its predecessor).
struct TRemapedString {
    QList<quint16> Data;
    int Width = 0;             // sum of the advances that are not -1
    int SpacesCount = 0;       // entries equal to glyph 3
    bool IsValidCharWidth = true;
    QList<int> CharWidth;
    bool IsHasLigatures = false; // glyph count differs from character count
    QList<bool> IsSpace;         // one per source character
};

// The font's metrics at an em of 1000 pixels, as the font descriptor needs
// them. ItalicAngle in tenths of a degree.
struct TvdxOutlineTextMetric {
    int tmHeight = 0;
    int tmAscent = 0;
    int tmDescent = 0;
    int tmInternalLeading = 0;
    int tmAveCharWidth = 0;
    int tmMaxCharWidth = 0;
    int tmWeight = 0;
    quint8 tmDefaultChar = 0;
    int otmAscent = 0;
    int otmDescent = 0;
    int otmItalicAngle = 0;
    int FontBoxLeft = 0;
    int FontBoxBottom = 0;
    int FontBoxRight = 0;
    int FontBoxTop = 0;
};

// Faces whose merged characters are remapped one by one (sorted, no case).
const QStringList &LigaturelessFonts();

class TvdxExportFont {
public:
    // Copies Font (name, style, charset) at an em of 1000 pixels.
    explicit TvdxExportFont(const TvdFont &font);
    virtual ~TvdxExportFont();
    TvdxExportFont(const TvdxExportFont &) = delete;
    TvdxExportFont &operator=(const TvdxExportFont &) = delete;

    // The text writer's entry. IsIndexes: Str already holds glyph indices
    // and is not shaped. Raises EPDFExportError when the font file cannot
    // be read, and the font-file errors of the TrueType classes.
    TRemapedString SoftRemapString(const QString &str, bool rtl, bool isIndexes);
    // Reads the font file once and picks the font of the face in it.
    void LoadFontData();

    void SetForceAnsi(bool value) { FForceAnsi = value; }
    void SetSameCharacterWidth(bool value) { FSameCharacterWidth = value; }

    const TvdFont &SourceFont() const { return *m_sourceFont; }
    // The chosen font of the file; null until loaded and for CFF fonts.
    TrueTypeFont *ttf() const { return m_ttf; }
    const QString &FontFilePath() const { return m_fontFilePath; }

    // Parallel lists: every glyph used, once, in order of first use.
    QList<qint32> Widths;
    QList<quint16> UsedAlphabet;
    QList<quint16> UsedAlphabetUnicode;

    bool PackFont = true;
    double FDpiFX = 1;
    double PDFdpi_divider = 1.0 / 750;
    // Null when the face has no outline metrics, not even as "Arial".
    std::unique_ptr<TvdxOutlineTextMetric> TextMetric;
    // The font file, after subsetting the subset (FontDataSize bytes).
    QByteArray FontData;
    qint64 FontDataSize = 0;

protected:
    struct ShapedGlyph {
        quint16 glyph = 0;
        int advance = 0;
        int offset = 0;
        bool diacritic = false;
    };
    // Glyphs in display order with their advances, marks merged (-1).
    QList<ShapedGlyph> ShapeString(const QString &str, bool rtl, bool isIndexes) const;
    void RemapString(const QString &str, bool rtl, TRemapedString &result, bool isIndexes);
    // The raw font that measures SourceFont (1000 pixels per em).
    QRawFont RawFont() const;
    bool IsDiacriticGlyph(quint16 glyph, double nominalAdvance) const;
    // Each glyph that a character of Str (or of its composed form) maps to
    // in the font, with that character.
    QHash<quint16, quint16> NominalGlyphs(const QString &str) const;
    // The file fontconfig matches for the face; empty when none.
    virtual QString LocateFontFile() const;

    bool FForceAnsi = false;
    bool FSameCharacterWidth = false;
    bool FIsLigatureless = false;
    TrueTypeCollection *Collection() const { return TrueTypeTables.get(); }

private:
    std::unique_ptr<TvdFont> m_sourceFont;
    std::unique_ptr<TrueTypeCollection> TrueTypeTables;
    TrueTypeFont *m_ttf = nullptr;
    QString m_fontFilePath;
    // GDEF glyph classes: mark glyphs (class 3), read once.
    mutable bool m_gdefRead = false;
    mutable QByteArray m_gdef;
};
