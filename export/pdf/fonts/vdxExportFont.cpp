#include "export/pdf/fonts/vdxExportFont.h"

#include "export/pdf/vdxExportHelpers.h"
#include "export/pdf/vdxExportPDFHelpers.h"
#include "platform/FontMap.h"

#include <QFile>
#include <QHash>
#include <QGlyphRun>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

namespace {

quint16 be16(const QByteArray &b, qsizetype at)
{
    if (at < 0 || at + 2 > b.size())
        return 0;
    return quint16((quint8(b[at]) << 8) | quint8(b[at + 1]));
}

int roundInt(double v) { return int(std::nearbyint(v)); }

bool isBold(const TvdFont &f) { return f.Style().testFlag(TvdFont::fsBold); }
bool isItalic(const TvdFont &f) { return f.Style().testFlag(TvdFont::fsItalic); }

// The glyph class of a GDEF class definition table at offset; 0 when the
// glyph has none.
int gdefClass(const QByteArray &gdef, qsizetype table, quint16 glyph)
{
    const quint16 format = be16(gdef, table);
    if (format == 1) {
        const quint16 start = be16(gdef, table + 2);
        const quint16 count = be16(gdef, table + 4);
        if (glyph < start || glyph - start >= count)
            return 0;
        return be16(gdef, table + 6 + 2 * (glyph - start));
    }
    if (format == 2) {
        const quint16 ranges = be16(gdef, table + 2);
        for (quint16 r = 0; r < ranges; ++r) {
            const qsizetype at = table + 4 + 6 * r;
            if (at + 6 > gdef.size())
                break;
            if (glyph >= be16(gdef, at) && glyph <= be16(gdef, at + 2))
                return be16(gdef, at + 4);
        }
    }
    return 0;
}

} // namespace

const QStringList &LigaturelessFonts()
{
    static const QStringList fonts = [] {
        QStringList l;
        for (const char *name : {"Calibri", "Calibri Light", "CADiagram", "Carlito", "EmojiOne Color", "Gabriola",
                                 "OpenSymbol", "Segoe Script", "ZWAdobeF", "IBM Plex Sans Condensed", "Gotham Light"})
            l.append(QString::fromLatin1(name));
        l.sort(Qt::CaseInsensitive);
        l.removeDuplicates();
        return l;
    }();
    return fonts;
}

TvdxExportFont::TvdxExportFont(const TvdFont &font) : m_sourceFont(std::make_unique<TvdFont>())
{
    m_sourceFont->SetPixelsPerInch(font.PixelsPerInch());
    m_sourceFont->Assign(&font);
    m_sourceFont->SetPixelsPerInch(font.PixelsPerInch());
    // At this size the em is 1000 pixels: every metric is in thousandths.
    FDpiFX = 96.0 / m_sourceFont->PixelsPerInch();
    PDFdpi_divider = 1 / (FDpiFX * 750);
    m_sourceFont->SetSize(int(std::nearbyint(750 * FDpiFX)));
}

TvdxExportFont::~TvdxExportFont() = default;

QRawFont TvdxExportFont::RawFont() const
{
    const TvdFont &f = *m_sourceFont;
    return RawFontFor(f.Name(), isBold(f) ? 700 : 400, isItalic(f), 1000);
}

bool TvdxExportFont::IsDiacriticGlyph(quint16 glyph, double nominalAdvance) const
{
    if (!m_gdefRead) {
        m_gdef = RawFont().fontTable("GDEF");
        m_gdefRead = true;
    }
    const quint16 classDef = be16(m_gdef, 4);
    if (classDef != 0)
        return gdefClass(m_gdef, classDef, glyph) == 3;
    // Without glyph classes, a glyph that takes no room is a mark.
    return glyph != 0 && nominalAdvance == 0;
}

QList<TvdxExportFont::ShapedGlyph> TvdxExportFont::ShapeString(const QString &str, bool rtl, bool isIndexes) const
{
    QList<ShapedGlyph> out;
    if (str.isEmpty())
        return out;
    const qsizetype room = 3 * str.size();
    const QRawFont raw = RawFont();

    if (isIndexes) {
        QList<quint32> glyphs;
        for (QChar c : str)
            glyphs.append(c.unicode());
        const QList<QPointF> adv =
            raw.advancesForGlyphIndexes(glyphs, QRawFont::SeparateAdvances | QRawFont::UseDesignMetrics);
        for (qsizetype i = 0; i < glyphs.size() && i < room; ++i)
            out.append(ShapedGlyph{quint16(glyphs[i]), roundInt(adv.value(i).x()), 0, false});
        return out;
    }

    const TvdFont &f = *m_sourceFont;
    QTextLayout layout(str, MakeQFont(f.Name(), 1000, isBold(f) ? 700 : 400, isItalic(f)));
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    option.setTextDirection(rtl ? Qt::RightToLeft : Qt::LeftToRight);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (line.isValid())
        line.setLineWidth(4000.0 * double(str.size()));
    layout.endLayout();
    if (!line.isValid())
        return out;

    struct Placed {
        quint16 glyph;
        double x;
        double nominal;
    };
    // Runs left to right, each run's glyphs left to right.
    std::vector<std::vector<Placed>> runs;
    for (const QGlyphRun &run : line.glyphRuns()) {
        const QList<quint32> glyphs = run.glyphIndexes();
        const QList<QPointF> pos = run.positions();
        const QList<QPointF> adv =
            run.rawFont().advancesForGlyphIndexes(glyphs, QRawFont::SeparateAdvances | QRawFont::UseDesignMetrics);
        std::vector<Placed> placed;
        for (qsizetype i = 0; i < glyphs.size(); ++i)
            placed.push_back(Placed{quint16(glyphs[i]), pos.value(i).x(), adv.value(i).x()});
        if (placed.size() > 1 && placed.front().x > placed.back().x)
            std::reverse(placed.begin(), placed.end());
        if (!placed.empty())
            runs.push_back(std::move(placed));
    }
    std::stable_sort(runs.begin(), runs.end(), [](const auto &a, const auto &b) { return a.front().x < b.front().x; });

    double pen = runs.empty() ? 0 : runs.front().front().x;
    for (const auto &run : runs)
        for (const Placed &p : run) {
            if (out.size() >= room)
                break;
            ShapedGlyph g;
            g.glyph = p.glyph;
            g.diacritic = IsDiacriticGlyph(p.glyph, p.nominal);
            if (g.diacritic) {
                // Marks take no room; where they sit is their offset.
                g.advance = 0;
                g.offset = roundInt(p.x - pen);
            } else {
                g.advance = roundInt(p.nominal);
                pen = p.x + p.nominal;
            }
            out.append(g);
        }

    // A mark joins the glyph before it: that glyph grows to cover the mark,
    // the mark itself gets -1.
    int *previous = out.isEmpty() ? nullptr : &out[0].advance;
    for (qsizetype k = 0; k < out.size(); ++k) {
        ShapedGlyph &g = out[k];
        if ((k > 0 && g.offset > 0) || g.diacritic) {
            if (g.offset + g.advance > *previous)
                *previous = g.offset + g.advance;
            g.advance = -1;
        }
        previous = &g.advance;
    }
    return out;
}

QHash<quint16, quint16> TvdxExportFont::NominalGlyphs(const QString &str) const
{
    QHash<quint16, quint16> map;
    const QRawFont raw = RawFont();
    for (const QString &form : {str, str.normalized(QString::NormalizationForm_C)}) {
        const QList<quint32> glyphs = raw.glyphIndexesForString(form);
        if (glyphs.size() != form.size())
            continue; // surrogate pairs: no one-to-one units
        for (qsizetype i = 0; i < form.size(); ++i)
            if (glyphs[i] != 0 && !map.contains(quint16(glyphs[i])))
                map.insert(quint16(glyphs[i]), form[i].unicode());
    }
    return map;
}

void TvdxExportFont::RemapString(const QString &str, bool rtl, TRemapedString &result, bool isIndexes)
{
    result.Data.clear();
    result.Width = 0;
    result.SpacesCount = 0;
    result.IsValidCharWidth = true;

    const QList<ShapedGlyph> glyphs = ShapeString(str, rtl, isIndexes);
    const qsizetype n = glyphs.size();
    const qsizetype l = str.size();
    result.IsHasLigatures = n != l;
    if (FIsLigatureless && result.IsHasLigatures)
        return;

    // Glyph 667 of the real Arial is one Windows leaves out.
    const bool arial = m_sourceFont->Name().startsWith(QStringLiteral("Arial"))
                       && MapFontFamily(m_sourceFont->Name()).startsWith(QStringLiteral("Arial"));
    result.CharWidth = QList<int>(n, 0);
    QHash<quint16, quint16> nominal;
    for (qsizetype k = 0; k < n; ++k) {
        const quint16 glyph = glyphs[k].glyph;
        int w = glyphs[k].advance;
        const qsizetype p = rtl ? n - 1 - k : k;
        result.CharWidth[p] = w;
        if (w >= 65535)
            result.IsValidCharWidth = false;
        if (w != -1)
            result.Width += w;
        if (glyph == 667 && arial)
            continue;
        const qsizetype used = UsedAlphabet.indexOf(glyph);
        if (used < 0) {
            UsedAlphabet.append(glyph);
            Widths.append(w);
            quint16 unicode = 0;
            if (n == l) {
                unicode = FForceAnsi ? quint16(str[p].unicode() & 0xFF) : str[p].unicode();
            } else {
                // Shaping merged or split characters: a glyph that is the
                // font's own glyph of a character of the text (or of its
                // composed form) stands for that character, so that the text
                // can be copied out; only true ligatures get the default.
                if (nominal.isEmpty())
                    nominal = NominalGlyphs(str);
                unicode = nominal.value(glyph, TextMetric ? TextMetric->tmDefaultChar : 0);
                if (FForceAnsi)
                    unicode &= 0xFF;
            }
            UsedAlphabetUnicode.append(unicode);
        } else if (FSameCharacterWidth) {
            const int first = Widths[used];
            if (w != -1)
                result.Width -= w;
            if (first != -1)
                result.Width += first;
            result.CharWidth[p] = first;
        }
        result.Data.append(glyph);
        if (glyph == 3)
            ++result.SpacesCount;
    }
    LoadFontData();
}

TRemapedString TvdxExportFont::SoftRemapString(const QString &str, bool rtl, bool isIndexes)
{
    TRemapedString result;
    if (str.isEmpty())
        return result;
    const QString &face = m_sourceFont->Name();
    if ((face.startsWith(QStringLiteral("Arial")) || FSameCharacterWidth) && !HasDevanagari(str)) {
        // Each character's own glyph and isolated width go in first.
        TRemapedString single;
        for (QChar c : str)
            RemapString(QString(c), rtl, single, false);
    }
    FIsLigatureless = LigaturelessFonts().contains(face, Qt::CaseInsensitive);
    RemapString(str, rtl, result, isIndexes);
    if (FIsLigatureless && result.IsHasLigatures) {
        // One glyph per character, each shaped by itself.
        const qsizetype l = str.size();
        result.Data = QList<quint16>(l, 0);
        result.CharWidth = QList<int>(l, 0);
        result.Width = 0;
        result.SpacesCount = 0;
        result.IsValidCharWidth = true;
        TRemapedString single;
        for (qsizetype i = 0; i < l; ++i) {
            RemapString(QString(str[i]), rtl, single, false);
            if (!single.Data.isEmpty()) {
                result.Data[i] = single.Data[0];
                result.CharWidth[i] = single.CharWidth.value(0);
            }
            result.Width += result.CharWidth[i];
            if (result.Data[i] == 3)
                ++result.SpacesCount;
            if (result.CharWidth[i] >= 65535)
                result.IsValidCharWidth = false;
        }
        result.IsHasLigatures = false;
    }
    result.IsSpace = QList<bool>(str.size(), false);
    for (qsizetype i = 0; i < str.size(); ++i) {
        const char16_t c = str[i].unicode();
        result.IsSpace[i] = c == 0x0020 || c == 0x00A0 || c == 0x202F || c == 0x2060;
    }
    return result;
}

QString TvdxExportFont::LocateFontFile() const
{
    const TvdFont &f = *m_sourceFont;
    return ::FontFilePath(f.Name(), isBold(f) ? 700 : 400, isItalic(f));
}

void TvdxExportFont::LoadFontData()
{
    // Read once per export font, whether or not the file held a usable font.
    if (m_ttf || TrueTypeTables)
        return;
    const TvdFont &f = *m_sourceFont;
    FontData.clear();
    FontDataSize = 0;
    m_fontFilePath = LocateFontFile();
    if (m_fontFilePath.isEmpty())
        throw EPDFExportError(QStringLiteral("No font file found for the font \"%1\"").arg(f.Name()));
    QFile file(m_fontFilePath);
    if (!file.open(QIODevice::ReadOnly))
        throw EPDFExportError(QStringLiteral("Cannot read the font file \"%1\" of the font \"%2\": %3")
                                  .arg(m_fontFilePath, f.Name(), file.errorString()));
    FontData = file.readAll();
    if (FontData.isEmpty())
        throw EPDFExportError(QStringLiteral("Cannot read the font file \"%1\" of the font \"%2\": the file is empty")
                                  .arg(m_fontFilePath, f.Name()));
    FontDataSize = FontData.size();
    auto tables = std::make_unique<TrueTypeCollection>();
    tables->Initialize(reinterpret_cast<quint8 *>(FontData.data()), FontDataSize);
    TrueTypeFont *chosen = tables->LoadFont(f.Name(), isBold(f), isItalic(f));
    if (chosen && chosen->profile) {
        // The glyph indices come from the font Qt shaped with: it must be
        // this one.
        const QByteArray maxp = RawFont().fontTable("maxp");
        if (be16(maxp, 4) != chosen->profile->numGlyphs())
            throw EPDFExportError(QStringLiteral("The font file \"%1\" does not hold the font that shaped the text "
                                                 "of \"%2\"")
                                      .arg(m_fontFilePath, f.Name()));
    }
    TrueTypeTables = std::move(tables);
    m_ttf = chosen;
}
