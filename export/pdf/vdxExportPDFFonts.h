// The fonts of a PDF document: each becomes a Type0 font over a
// CIDFontType2 whose CIDs are the glyph indices, with its descriptor, width
// array, ToUnicode map and, when embedded, the subset font file. The
// document's font list names them /F0, /F1... and the page resources and
// the end of the document write them.
#pragma once
#include "export/pdf/fonts/vdxExportFont.h"
#include "export/pdf/fonts/vdxPDFFontTables.h"
#include "export/pdf/vdxExportPDFHelpers.h"

#include <memory>
#include <vector>

class TvdxPDFFont : public TvdxExportFont {
public:
    explicit TvdxPDFFont(const TvdFont &font);

    // The outline metrics of the face ("Arial" when the face has none).
    void LoadOutlineTextMetrics();
    // (tmHeight - tmInternalLeading) / tmHeight; 1 without a height.
    double FontHeightToPointSizeFactor() const;
    // The PDF font name, escaped, with ",Bold", ",Italic" for real styles.
    QByteArray GetFontName() const;
    // Subsets the font file and takes the used glyphs' widths from it.
    void PackTTFFont();
    // Reserves the Type0 object number.
    void Save(int32_t reference);
    // Per space glyph, thousandths of an em to take off so the string fills
    // TextWidth (in the unit of FontSize).
    double SpaceAdjustment(const TRemapedString &rs, double textWidth, double fontSize) const;
    // The name, size and colour a form field writes with this font.
    void Update(const TvdxPDFFont &sourcePDFFont, const TvdFont &sourceFont);

    TColor Color() const { return FColor; }
    const QByteArray &FontName() const { return FFontName; }
    double Size() const { return FSize; }
    bool Saved() const { return FSaved; }

    QByteArray Name;       // "/F" and the index in the document's list
    int32_t Reference = 0; // object number of the Type0 font

private:
    TColor FColor = 0;
    QByteArray FFontName;
    double FSize = 0;
    bool FSaved = false;
};

// Metrics of a raw font at an em of 1000 as the descriptor needs them; null
// without the tables of an outline font.
std::unique_ptr<TvdxOutlineTextMetric> OutlineTextMetricsOf(const QRawFont &font, bool bold);

// The document's fonts, one per face name and style; owns them.
class TPDFGLobalFonts {
public:
    // Creates the font, loads its metrics, names it "/F" + index; the index.
    int AddFont(const TvdFont &font);
    // First font whose source has exactly this face name and style; -1.
    int IndexOfFont(const QString &name, TvdFont::TFontStyles style) const;
    int IndexByReference(int32_t no) const;
    TvdxPDFFont *Get(int index) const { return m_fonts.at(size_t(index)).get(); }
    int Count() const { return int(m_fonts.size()); }
    void Clear() { m_fonts.clear(); }

private:
    std::vector<std::unique_ptr<TvdxPDFFont>> m_fonts;
};

// The index in Fonts of the font that writes text in Font, with its object
// number reserved and registered in the current page's font set.
int GetObjFontNumber(TPDFObjectsHelper &poh, TPDFGLobalFonts &fonts, const TvdFont &font);

// "/Font << /F0 5 0 R >>" for the page's fonts; nothing for none.
void OutPageFonts(QIODevice &stream, const TReferenceArray *pageFonts, const TPDFGLobalFonts &fonts);

// Writes the font's objects (font file when embedded, descriptor, ToUnicode
// map, CID system info, CID font, Type0 font at its reserved number)
// through the document's objects helper. Embedding subsets the font.
void WriteFontObjects(TPDFObjectsHelper &poh, TvdxPDFFont &font, bool compressed);
