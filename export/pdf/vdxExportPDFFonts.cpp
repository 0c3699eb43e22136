#include "export/pdf/vdxExportPDFFonts.h"

#include "platform/FontMap.h"

#include <QBuffer>
#include <QIODevice>
#include <cmath>
#include <cstring>

namespace {

quint16 be16(const QByteArray &b, qsizetype at)
{
    if (at < 0 || at + 2 > b.size())
        return 0;
    return quint16((quint8(b[at]) << 8) | quint8(b[at + 1]));
}
qint16 bes16(const QByteArray &b, qsizetype at) { return qint16(be16(b, at)); }
qint32 bes32(const QByteArray &b, qsizetype at) { return qint32((quint32(be16(b, at)) << 16) | be16(b, at + 2)); }

int roundInt(double v) { return int(std::nearbyint(v)); }

QByteArray hex4(quint16 v) { return QByteArray::number(v, 16).toUpper().rightJustified(4, '0'); }

// Metrics for a face that has none: the descriptor still needs numbers.
TvdxOutlineTextMetric defaultMetrics()
{
    TvdxOutlineTextMetric m;
    m.tmAscent = 905;
    m.tmDescent = 212;
    m.tmHeight = 1117;
    m.tmInternalLeading = 117;
    m.tmAveCharWidth = 500;
    m.tmMaxCharWidth = 1000;
    m.tmWeight = 400;
    m.otmAscent = 728;
    m.otmDescent = -210;
    m.FontBoxLeft = 0;
    m.FontBoxBottom = -212;
    m.FontBoxRight = 1000;
    m.FontBoxTop = 905;
    return m;
}

} // namespace

std::unique_ptr<TvdxOutlineTextMetric> OutlineTextMetricsOf(const QRawFont &font, bool bold)
{
    if (!font.isValid())
        return nullptr;
    const QByteArray head = font.fontTable("head");
    const QByteArray hhea = font.fontTable("hhea");
    const quint16 upem = be16(head, 18);
    if (head.size() < 54 || hhea.size() < 36 || upem == 0)
        return nullptr;
    const QByteArray os2 = font.fontTable("OS/2");
    const QByteArray post = font.fontTable("post");
    const double s = 1000.0 / upem;
    auto m = std::make_unique<TvdxOutlineTextMetric>();
    const bool hasOS2 = os2.size() >= 78;
    // GDI's cell is the Windows ascent and descent; the em is 1000.
    m->tmAscent = roundInt((hasOS2 ? be16(os2, 74) : bes16(hhea, 4)) * s);
    m->tmDescent = roundInt((hasOS2 ? be16(os2, 76) : -bes16(hhea, 6)) * s);
    m->tmHeight = m->tmAscent + m->tmDescent;
    m->tmInternalLeading = m->tmHeight - 1000;
    m->tmAveCharWidth = roundInt((hasOS2 ? bes16(os2, 2) : 500 / s) * s);
    m->tmMaxCharWidth = roundInt(be16(hhea, 10) * s);
    m->tmWeight = hasOS2 ? be16(os2, 4) : 400;
    // A bold that the face lacks is drawn emboldened, at bold weight.
    if (bold && m->tmWeight < 600)
        m->tmWeight = 700;
    const quint16 defaultChar = (hasOS2 && be16(os2, 0) >= 2) ? be16(os2, 88) : 0;
    if (defaultChar > 0 && defaultChar < 256)
        m->tmDefaultChar = quint8(defaultChar);
    else
        m->tmDefaultChar = quint8((qMin<int>(hasOS2 ? be16(os2, 64) : 0x20, 0x100) - 1) & 0xFF);
    m->otmAscent = roundInt((hasOS2 ? bes16(os2, 68) : bes16(hhea, 4)) * s);
    m->otmDescent = roundInt((hasOS2 ? bes16(os2, 70) : bes16(hhea, 6)) * s);
    // Tenths of a degree, as GDI gives it.
    m->otmItalicAngle = post.size() >= 8 ? roundInt(bes32(post, 4) / 65536.0 * 10) : 0;
    m->FontBoxLeft = roundInt(bes16(head, 36) * s);
    m->FontBoxBottom = roundInt(bes16(head, 38) * s);
    m->FontBoxRight = roundInt(bes16(head, 40) * s);
    m->FontBoxTop = roundInt(bes16(head, 42) * s);
    return m;
}

// ---- TvdxPDFFont ----------------------------------------------------------------------

TvdxPDFFont::TvdxPDFFont(const TvdFont &font) : TvdxExportFont(font) {}

void TvdxPDFFont::LoadOutlineTextMetrics()
{
    const bool bold = SourceFont().Style().testFlag(TvdFont::fsBold);
    const bool italic = SourceFont().Style().testFlag(TvdFont::fsItalic);
    TextMetric = OutlineTextMetricsOf(RawFont(), bold);
    if (!TextMetric)
        TextMetric = OutlineTextMetricsOf(RawFontFor(QStringLiteral("Arial"), bold ? 700 : 400, italic, 1000), bold);
}

double TvdxPDFFont::FontHeightToPointSizeFactor() const
{
    if (!TextMetric || TextMetric->tmHeight == 0)
        return 1;
    return double(TextMetric->tmHeight - TextMetric->tmInternalLeading) / TextMetric->tmHeight;
}

QByteArray TvdxPDFFont::GetFontName() const
{
    const QString face = SourceFont().Name();
    bool ascii = true;
    for (QChar c : face)
        if (c.unicode() > 127)
            ascii = false;
    QByteArray name;
    if (ascii)
        name = face.toLatin1();
    else if (ttf())
        name = ttf()->PostScriptName().toUtf8();
    if (ttf() && !ttf()->SubstitutionName.isEmpty()) {
        const QString family = ttf()->FamilyName();
        if (!family.isEmpty() && !family.contains(u'?'))
            name = family.toUtf8();
    }
    static const std::pair<const char *, const char *> escapes[] = {
        {" ", "#20"}, {"(", "#28"}, {")", "#29"}, {"%", "#25"}, {"<", "#3C"}, {">", "#3E"},
        {"[", "#5B"}, {"]", "#5D"}, {"{", "#7B"}, {"}", "#7D"}, {"/", "#2F"},
    };
    for (const auto &[from, to] : escapes)
        name.replace(from, to);
    QByteArray suffix;
    if (SourceFont().Style().testFlag(TvdFont::fsBold) && !PDFFontSimulations().IsNeedsBold(face))
        suffix += "Bold";
    if (SourceFont().Style().testFlag(TvdFont::fsItalic) && !PDFFontSimulations().IsNeedsItalic(face))
        suffix += "Italic";
    if (!suffix.isEmpty())
        name += ',' + suffix;
    QByteArray out;
    for (char ch : name) {
        const quint8 b = quint8(ch);
        if (b >= 128)
            out += '#' + QByteArray::number(b, 16).toUpper();
        else
            out += ch;
    }
    return out;
}

void TvdxPDFFont::PackTTFFont()
{
    if (!ttf() || !PackFont)
        return;
    const QByteArray subset = Collection()->PackFont(ttf(), UsedAlphabet);
    if (subset.isEmpty())
        return;
    if (subset.size() <= FontData.size())
        std::memcpy(FontData.data(), subset.constData(), size_t(subset.size()));
    else
        FontData = subset;
    FontDataSize = subset.size();
    // Spaces keep the width shaping gave them.
    for (qsizetype i = 0; i < UsedAlphabet.size(); ++i) {
        const quint16 unicode = UsedAlphabetUnicode.value(i);
        if (unicode == 0x0020 || unicode == 0x00A0 || Widths[i] == -1)
            continue;
        try {
            Widths[i] = ttf()->get_GlyphWidth(UsedAlphabet[i]);
        } catch (const Exception &) {
            Widths[i] = 0;
        }
    }
}

void TvdxPDFFont::Save(int32_t reference)
{
    Reference = reference;
    FSaved = true;
}

double TvdxPDFFont::SpaceAdjustment(const TRemapedString &rs, double textWidth, double fontSize) const
{
    if (fontSize == 0)
        return double(rs.Width) / rs.SpacesCount;
    return (rs.Width - textWidth * 1000 / fontSize) / rs.SpacesCount;
}

void TvdxPDFFont::Update(const TvdxPDFFont &sourcePDFFont, const TvdFont &sourceFont)
{
    FFontName = sourcePDFFont.Name;
    FSize = PDFFontSize(sourceFont);
    FColor = sourceFont.Color() == clNone ? 0 : sourceFont.Color();
}

// ---- The document's font list ------------------------------------------------------------

int TPDFGLobalFonts::AddFont(const TvdFont &font)
{
    auto f = std::make_unique<TvdxPDFFont>(font);
    f->LoadOutlineTextMetrics();
    f->Name = "/F" + QByteArray::number(Count());
    m_fonts.push_back(std::move(f));
    return Count() - 1;
}

int TPDFGLobalFonts::IndexOfFont(const QString &name, TvdFont::TFontStyles style) const
{
    for (int i = 0; i < Count(); ++i)
        if (m_fonts[size_t(i)]->SourceFont().Name() == name && m_fonts[size_t(i)]->SourceFont().Style() == style)
            return i;
    return -1;
}

int TPDFGLobalFonts::IndexByReference(int32_t no) const
{
    for (int i = 0; i < Count(); ++i)
        if (m_fonts[size_t(i)]->Reference == no)
            return i;
    return -1;
}

int GetObjFontNumber(TPDFObjectsHelper &poh, TPDFGLobalFonts &fonts, const TvdFont &font)
{
    const TvdFont::TFontStyles style = StyleWithoutSimulation(font);
    int index = fonts.IndexOfFont(font.Name(), style);
    if (index < 0) {
        TvdFont keyed;
        keyed.SetPixelsPerInch(font.PixelsPerInch());
        keyed.Assign(&font);
        keyed.SetStyle(style);
        index = fonts.AddFont(keyed);
    }
    TvdxPDFFont *f = fonts.Get(index);
    if (!f->Saved())
        f->Save(poh.UpdateXRef());
    if (poh.FPageFonts)
        poh.FPageFonts->Add(f->Reference);
    return index;
}

void OutPageFonts(QIODevice &stream, const TReferenceArray *pageFonts, const TPDFGLobalFonts &fonts)
{
    if (!pageFonts || pageFonts->Count() == 0)
        return;
    WriteRaw(stream, "/Font << ");
    for (int i = 0; i < pageFonts->Count(); ++i) {
        const int index = fonts.IndexByReference(pageFonts->GetNo(i));
        if (index < 0)
            continue;
        WriteRaw(stream, fonts.Get(index)->Name + ' ' + pageFonts->GetRef(i) + ' ');
    }
    WriteLine(stream, ">>");
}

void WriteFontObjects(TPDFObjectsHelper &poh, TvdxPDFFont &font, bool compressed)
{
    if (!poh.FpdfStream)
        throw EPDFExportError(QStringLiteral("No PDF output stream for the font objects"));
    QIODevice &pdf = *poh.FpdfStream;
    const TPDFObjectEncryptor *encryptor = poh.FProtection ? poh.FEncryptor : nullptr;
    if (!font.Saved())
        font.Save(poh.UpdateXRef());
    // A font without a TrueType font in its file (CFF outlines) is not
    // embedded: FontFile2 holds TrueType only.
    const bool embed = poh.FEmbedded && font.ttf();
    if (embed)
        font.PackTTFFont();
    const QByteArray name = font.GetFontName();

    int32_t fileNo = 0;
    if (embed) {
        fileNo = poh.UpdateXRef();
        WriteLine(pdf, ObjHeader(fileNo));
        auto data = std::make_unique<QBuffer>();
        data->setData(font.FontData.left(font.FontDataSize));
        data->open(QIODevice::ReadOnly);
        WriteStream(pdf, std::move(data), true, true, true, encryptor, compressed, fileNo);
    }

    const TvdxOutlineTextMetric tm = font.TextMetric ? *font.TextMetric : defaultMetrics();
    const int32_t descriptorNo = poh.UpdateXRef();
    WriteLine(pdf, ObjHeader(descriptorNo));
    WriteLine(pdf, "<<");
    WriteLine(pdf, "/Type /FontDescriptor");
    WriteLine(pdf, "/FontName /" + name);
    WriteLine(pdf, "/Flags 32");
    WriteLine(pdf, "/FontBBox [" + QByteArray::number(tm.FontBoxLeft) + ' ' + QByteArray::number(tm.FontBoxBottom) + ' '
                       + QByteArray::number(tm.FontBoxRight) + ' ' + QByteArray::number(tm.FontBoxTop) + " ]");
    WriteLine(pdf, "/ItalicAngle " + QByteArray::number(tm.otmItalicAngle));
    WriteLine(pdf, "/Ascent " + QByteArray::number(tm.otmAscent));
    WriteLine(pdf, "/Descent " + QByteArray::number(tm.otmDescent));
    WriteLine(pdf, "/Leading " + QByteArray::number(tm.tmInternalLeading));
    WriteLine(pdf, "/CapHeight " + QByteArray::number(tm.tmHeight));
    WriteLine(pdf, "/StemV " + QByteArray::number(roundInt(std::pow(tm.tmWeight / 65.0, 2)) + 50));
    WriteLine(pdf, "/AvgWidth " + QByteArray::number(tm.tmAveCharWidth));
    WriteLine(pdf, "/MaxWidth " + QByteArray::number(tm.tmMaxCharWidth));
    WriteLine(pdf, "/MissingWidth " + QByteArray::number(tm.tmAveCharWidth));
    if (embed)
        WriteLine(pdf, "/FontFile2 " + ObjRef(fileNo));
    WriteLine(pdf, ">>");
    WriteLine(pdf, "endobj");

    const int32_t toUnicodeNo = poh.UpdateXRef();
    WriteLine(pdf, ObjHeader(toUnicodeNo));
    {
        auto cmap = std::make_unique<QBuffer>();
        cmap->open(QIODevice::ReadWrite);
        QByteArray cmapName = name;
        cmapName.replace(',', '+');
        for (const char *line : {"/CIDInit /ProcSet findresource begin", "12 dict begin", "begincmap", "/CIDSystemInfo",
                                 "<< /Registry (Adobe)", "/Ordering (UCS)", "/Ordering (Identity)", "/Supplement 0",
                                 ">> def"})
            WriteLine(*cmap, line);
        WriteLine(*cmap, "/CMapName /" + cmapName + " def");
        for (const char *line : {"/CMapType 2 def", "1 begincodespacerange", "<0000> <FFFF>", "endcodespacerange"})
            WriteLine(*cmap, line);
        WriteLine(*cmap, QByteArray::number(font.UsedAlphabet.size()) + " beginbfchar");
        for (qsizetype i = 0; i < font.UsedAlphabet.size(); ++i)
            WriteLine(*cmap, '<' + hex4(font.UsedAlphabet[i]) + "> <" + hex4(font.UsedAlphabetUnicode.value(i)) + '>');
        for (const char *line : {"endbfchar", "endcmap", "CMapName currentdict /CMap defineresource pop", "end", "end"})
            WriteLine(*cmap, line);
        cmap->seek(0);
        WriteStream(pdf, std::move(cmap), false, true, true, encryptor, compressed, toUnicodeNo);
    }

    const int32_t systemInfoNo = poh.UpdateXRef();
    WriteLine(pdf, ObjHeader(systemInfoNo));
    WriteLine(pdf, "<<");
    WriteLine(pdf, "/Registry " + HexAnsiString("Adobe", systemInfoNo, encryptor));
    WriteLine(pdf, "/Ordering " + HexAnsiString("Identity", systemInfoNo, encryptor));
    WriteLine(pdf, "/Supplement 0");
    WriteLine(pdf, ">>");
    WriteLine(pdf, "endobj");

    const int32_t cidFontNo = poh.UpdateXRef();
    WriteLine(pdf, ObjHeader(cidFontNo));
    WriteLine(pdf, "<<");
    WriteLine(pdf, "/Type /Font");
    WriteLine(pdf, "/Subtype /CIDFontType2");
    WriteLine(pdf, "/BaseFont /" + name);
    WriteLine(pdf, "/CIDToGIDMap /Identity");
    WriteLine(pdf, "/CIDSystemInfo " + ObjRef(systemInfoNo));
    WriteLine(pdf, "/FontDescriptor " + ObjRef(descriptorNo));
    QByteArray widths = "/W [ ";
    for (qsizetype i = 0; i < font.UsedAlphabet.size(); ++i) {
        const qint32 w = font.Widths.value(i);
        widths += QByteArray::number(font.UsedAlphabet[i]) + " [" + QByteArray::number(w == -1 ? 0 : w) + "] ";
    }
    WriteLine(pdf, widths);
    WriteLine(pdf, "]");
    WriteLine(pdf, ">>");
    WriteLine(pdf, "endobj");

    poh.CRS().SetOffset(font.Reference, int32_t(pdf.pos()));
    WriteLine(pdf, ObjHeader(font.Reference));
    WriteLine(pdf, "<<");
    WriteLine(pdf, "/Type /Font");
    WriteLine(pdf, "/Subtype /Type0");
    WriteLine(pdf, "/BaseFont /" + name);
    WriteLine(pdf, "/Encoding /Identity-H");
    WriteLine(pdf, "/DescendantFonts [" + ObjRef(cidFontNo) + "]");
    WriteLine(pdf, "/ToUnicode " + ObjRef(toUnicodeNo));
    WriteLine(pdf, ">>");
    WriteLine(pdf, "endobj");
}
