// Export fonts and their PDF objects: shaping into glyph indices, the used
// glyph lists, the correction tables, the PDF font names, and a small PDF
// read back by qpdf, poppler and fontTools.
#include "FontToolsOracle.h"
#include "PdfTools.h"
#include "common/TestSupport.h"
#include "export/pdf/vdxExportPDFFonts.h"

#include <QBuffer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <gtest/gtest.h>

using namespace vdtest;

namespace {

std::shared_ptr<TvdFont> newFont(const QString &name, TvdFont::TFontStyles style = {}, int size = 12)
{
    auto f = std::make_shared<TvdFont>();
    f->SetName(name);
    f->SetStyle(style);
    f->SetSize(size);
    return f;
}
#define makeFont(...) (*newFont(__VA_ARGS__))

const auto kBold = TvdFont::TFontStyles(TvdFont::fsBold);
const auto kItalic = TvdFont::TFontStyles(TvdFont::fsItalic);

// An export font whose file is the one given.
class FileFont : public TvdxPDFFont {
public:
    FileFont(const TvdFont &font, const QString &file) : TvdxPDFFont(font), m_file(file) {}
    QString LocateFontFile() const override { return m_file; }

private:
    QString m_file;
};

using pdftest::runTool;
using pdftest::ToolResult;

} // namespace

// ---- Tables --------------------------------------------------------------------------

TEST(PDFFontTables, MonospacedCorrections)
{
    struct Case {
        const char *font;
        int size;
        double factor;
    };
    const Case cases[] = {
        {"consolas", 8, 1.012}, {"Consolas", 16, 1.0},       {"Consolas", 6, 0.986}, {"COURIER NEW", 15, 1.003},
        {"Lucida Console", 6, 1.0}, {"Lucida Console", 8, 0.998}, {"Arial", 10, 1.0},   {"Consolas", -1, 1.0},
        {"Consolas", 65, 1.0},
    };
    for (const Case &c : cases)
        EXPECT_DOUBLE_EQ(PDFMonospacedFontCorrections().GetCorrection(c.font, c.size), c.factor)
            << c.font << " " << c.size;
}

TEST(PDFFontTables, AddAndDeleteCorrections)
{
    TPDFMonospacedFontCorrectionList mono;
    mono.AddCorrection("Mono X", 70, 2.0); // out of range: ignored
    mono.AddCorrection("Mono X", 9, 1.5);
    EXPECT_DOUBLE_EQ(mono.GetCorrection("mono x", 9), 1.5);
    EXPECT_DOUBLE_EQ(mono.GetCorrection("mono x", 10), 1.0);
    mono.DeleteCorrection("MONO X");
    EXPECT_DOUBLE_EQ(mono.GetCorrection("mono x", 9), 1.0);

    float corr = 0;
    EXPECT_TRUE(EMFPDFFontCorrections().IsGetCorrection("Verdana", corr));
    EXPECT_EQ(corr, 0.999f);
    EXPECT_TRUE(EMFPDFFontCorrections().IsGetCorrection("trebuchet ms", corr));
    EXPECT_EQ(corr, 0.998f);
    EXPECT_FALSE(EMFPDFFontCorrections().IsGetCorrection("Liberation Sans", corr));
    EXPECT_EQ(corr, 1.0f);
    TEMFPDFFontCorrectionList emf;
    emf.AddCorrection("A", 0.5f);
    emf.DeleteCorrection("a");
    EXPECT_FALSE(emf.IsGetCorrection("A", corr));
}

TEST(PDFFontTables, SimulatedStyles)
{
    EXPECT_TRUE(PDFFontSimulations().IsNeedsItalic("Tahoma"));
    EXPECT_FALSE(PDFFontSimulations().IsNeedsBold("Tahoma"));
    EXPECT_TRUE(PDFFontSimulations().IsNeedsBold("MS UI Gothic"));
    EXPECT_FALSE(PDFFontSimulations().IsNeedsBold("ms ui gothic")); // exact names
    EXPECT_EQ(StyleWithoutSimulation(makeFont("Tahoma", kBold | kItalic)), kBold);
    EXPECT_EQ(StyleWithoutSimulation(makeFont("Arial Black", kBold | kItalic)), TvdFont::TFontStyles());
    EXPECT_EQ(StyleWithoutSimulation(makeFont("Arial", kBold | kItalic)), kBold | kItalic);

    TPDFFontSimulationList list;
    list.AddFont("X", {});
    EXPECT_EQ(list.Count(), 0);
    list.AddFont("X", kBold);
    list.AddFont("X", kItalic);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_TRUE(list.IsNeedsBold("X") && list.IsNeedsItalic("X"));
}

TEST(PDFFontTables, FontSizes)
{
    struct Case {
        const char *font;
        int points;
        double size;
    };
    const Case cases[] = {
        {"Arial", 10, 9.9}, {"Arial", 12, 11.9}, {"Arial", 8, 7.9}, {"Courier New", 10, 10.005}, {"Consolas", 16, 15.9},
    };
    for (const Case &c : cases)
        EXPECT_DOUBLE_EQ(PDFFontSize(makeFont(c.font, {}, c.points)), c.size) << c.font << " " << c.points;
}

// ---- Names -------------------------------------------------------------------------------

TEST(TvdxPDFFont, NamesBeforeTheFileIsRead)
{
    struct Case {
        const char *face;
        TvdFont::TFontStyles style;
        const char *name;
    };
    const Case cases[] = {
        {"Arial", kBold, "Arial,Bold"},
        {"Times New Roman", kBold | kItalic, "Times#20New#20Roman,BoldItalic"},
        {"MS UI Gothic", kBold, "MS#20UI#20Gothic"},
        {"Tahoma", kItalic, "Tahoma"},
        {"A(b)/c%[d]", {}, "A#28b#29#2Fc#25#5Bd#5D"},
    };
    for (const Case &c : cases) {
        TvdxPDFFont font(makeFont(c.face, c.style));
        EXPECT_EQ(font.GetFontName(), QByteArray(c.name)) << c.face;
    }
}

TEST(TvdxPDFFont, NamesFromTheFontFile)
{
    // A face the file holds keeps its name; a face that maps to another
    // family is named by the family actually embedded.
    TvdxPDFFont real(makeFont("Liberation Sans", kBold));
    real.SoftRemapString("a", false, false);
    ASSERT_NE(real.ttf(), nullptr);
    EXPECT_TRUE(real.ttf()->SubstitutionName.isEmpty());
    EXPECT_EQ(real.GetFontName(), "Liberation#20Sans,Bold");

    TvdxPDFFont mapped(makeFont("Arial", kBold));
    mapped.SoftRemapString("a", false, false);
    ASSERT_NE(mapped.ttf(), nullptr);
    EXPECT_EQ(mapped.ttf()->SubstitutionName, "Arial Bold - Liberation Sans Bold");
    EXPECT_EQ(mapped.GetFontName(), "Liberation#20Sans,Bold");

    // An unknown face falls back to the first font of the file it maps to.
    TvdxPDFFont unknown(makeFont("No Such Face 123"));
    unknown.SoftRemapString("a", false, false);
    ASSERT_NE(unknown.ttf(), nullptr);
    EXPECT_TRUE(unknown.ttf()->SubstitutionName.startsWith("No Such Face 123 - ")) << unknown.ttf()->SubstitutionName.toStdString();
    EXPECT_EQ(unknown.GetFontName(), "DejaVu#20Sans");

    // A non-ASCII face: the PostScript name of the font.
    TvdxPDFFont cyrillic(makeFont(QString::fromUtf8("\xD0\xA8\xD1\x80\xD0\xB8\xD1\x84\xD1\x82")));
    EXPECT_EQ(cyrillic.GetFontName(), QByteArray());
    cyrillic.SoftRemapString("a", false, false);
    EXPECT_EQ(cyrillic.GetFontName(), "DejaVu#20Sans"); // substituted: the family
}

TEST(TrueTypeCollection, WantedNames)
{
    const QString gothic = QStringLiteral("\uFF2D\uFF33 \u30B4\u30B7\u30C3\u30AF");
    EXPECT_EQ(TrueTypeCollection::WantedFontName(gothic, true, false), "MS Gothic");
    EXPECT_EQ(TrueTypeCollection::WantedFontName("Tahoma Bold", true, true), "Tahoma Negreta");
    EXPECT_EQ(TrueTypeCollection::WantedFontName("Arial", true, true), "Arial Bold Italic");
    EXPECT_EQ(TrueTypeCollection::WantedFontName("Arial", false, true), "Arial Italic");
}

// ---- Shaping -------------------------------------------------------------------------------

TEST(TvdxExportFont, SpacesAndWidths)
{
    TvdxPDFFont font(makeFont("Liberation Sans"));
    const TRemapedString rs = font.SoftRemapString("a b", false, false);
    ASSERT_EQ(rs.Data.size(), 3);
    EXPECT_EQ(rs.Data[1], 3); // the space
    EXPECT_EQ(rs.SpacesCount, 1);
    EXPECT_EQ(rs.IsSpace, QList<bool>({false, true, false}));
    EXPECT_FALSE(rs.IsHasLigatures);
    // Liberation Sans: a 1139, space 569 of 2048 units.
    EXPECT_EQ(rs.CharWidth, QList<int>({556, 278, 556}));
    EXPECT_EQ(rs.Width, 556 + 278 + 556);
    EXPECT_EQ(font.UsedAlphabetUnicode, QList<quint16>({'a', ' ', 'b'}));
    EXPECT_EQ(font.Widths, QList<qint32>({556, 278, 556}));
    EXPECT_TRUE(font.SoftRemapString("", false, false).Data.isEmpty());
}

TEST(TvdxExportFont, LigatureIsOneGlyph)
{
    TvdxPDFFont font(makeFont("DejaVu Sans"));
    const TRemapedString rs = font.SoftRemapString("fi", false, false);
    ASSERT_EQ(rs.Data.size(), 1);
    EXPECT_TRUE(rs.IsHasLigatures);
    // A merged glyph stands for no single character: the default character.
    ASSERT_EQ(font.UsedAlphabetUnicode.size(), 1);
    EXPECT_EQ(font.UsedAlphabetUnicode[0], font.TextMetric ? font.TextMetric->tmDefaultChar : 0);
    // In a string with a ligature the other glyphs keep their characters.
    font.SoftRemapString("off", false, false);
    EXPECT_EQ(font.UsedAlphabetUnicode.value(1), 'o');
}

TEST(TvdxExportFont, CombiningMarkJoinsItsBase)
{
    TvdxPDFFont font(makeFont("DejaVu Sans"));
    // x with acute has no precomposed glyph: base and mark stay apart.
    const TRemapedString rs = font.SoftRemapString(QStringLiteral("x\u0301x"), false, false);
    ASSERT_EQ(rs.Data.size(), 3);
    EXPECT_EQ(rs.CharWidth[1], -1);
    EXPECT_GT(rs.CharWidth[0], 0);
    EXPECT_EQ(rs.Width, rs.CharWidth[0] + rs.CharWidth[2]);
    EXPECT_EQ(font.UsedAlphabetUnicode[1], 0x0301);

    // e with acute is composed into the font's own glyph, which stands for U+00E9.
    TvdxPDFFont composed(makeFont("DejaVu Sans"));
    const TRemapedString e = composed.SoftRemapString(QStringLiteral("Cafe\u0301"), false, false);
    EXPECT_EQ(e.Data.size(), 4);
    EXPECT_EQ(composed.UsedAlphabetUnicode, QList<quint16>({'C', 'a', 'f', 0x00E9}));
}

TEST(TvdxExportFont, RightToLeftWordIsInDisplayOrder)
{
    TvdxPDFFont font(makeFont("DejaVu Sans"));
    const QString hebrew = QStringLiteral("\u05E9\u05DC\u05D5\u05DD"); // shalom
    const TRemapedString rs = font.SoftRemapString(hebrew, true, false);
    ASSERT_EQ(rs.Data.size(), 4);
    // Leftmost glyph first: the last letter; its Unicode is the mirrored character.
    EXPECT_EQ(font.UsedAlphabetUnicode, QList<quint16>({0x05DD, 0x05D5, 0x05DC, 0x05E9}));
    // CharWidth runs in reverse glyph order.
    QList<int> advances;
    for (quint16 g : rs.Data)
        advances.append(font.Widths[font.UsedAlphabet.indexOf(g)]);
    EXPECT_EQ(rs.CharWidth, QList<int>(advances.rbegin(), advances.rend()));
}

TEST(TvdxExportFont, ArabicTakesItsJoinedForms)
{
    TvdxPDFFont font(makeFont("DejaVu Sans"));
    const QString word = QStringLiteral("\u0643\u062A\u0628");
    const TRemapedString rs = font.SoftRemapString(word, true, false);
    ASSERT_EQ(rs.Data.size(), 3);
    const QList<quint32> isolated = QRawFont::fromFont(QFont("DejaVu Sans")).glyphIndexesForString(word);
    // Leftmost is the final beh, rightmost the initial kaf: not the isolated glyphs.
    EXPECT_NE(rs.Data[0], isolated[2]);
    EXPECT_NE(rs.Data[2], isolated[0]);
    EXPECT_EQ(font.UsedAlphabetUnicode, QList<quint16>({0x0628, 0x062A, 0x0643}));
}

TEST(TvdxExportFont, IndexStringsAreNotShaped)
{
    TvdxPDFFont font(makeFont("Liberation Sans"));
    const QString glyphs = QString(QChar(68)) + QChar(3) + QChar(68); // "a", space, "a"
    const TRemapedString rs = font.SoftRemapString(glyphs, false, true);
    EXPECT_EQ(rs.Data, QList<quint16>({68, 3, 68}));
    EXPECT_EQ(rs.CharWidth, QList<int>({556, 278, 556}));
}

TEST(TvdxExportFont, SameCharacterWidthKeepsTheFirstWidth)
{
    TvdxPDFFont font(makeFont("Liberation Sans"));
    font.SetSameCharacterWidth(true);
    const TRemapedString rs = font.SoftRemapString("aa", false, false);
    EXPECT_EQ(rs.CharWidth, QList<int>({556, 556}));
    font.Widths[0] = 500; // as if the first use had measured 500
    const TRemapedString again = font.SoftRemapString("a", false, false);
    EXPECT_EQ(again.CharWidth, QList<int>({500}));
    EXPECT_EQ(again.Width, 500);
}

TEST(TvdxExportFont, ForceAnsiKeepsTheLowByte)
{
    TvdxPDFFont font(makeFont("DejaVu Sans"));
    font.SetForceAnsi(true);
    font.SoftRemapString(QStringLiteral("\u0411"), false, false);
    EXPECT_EQ(font.UsedAlphabetUnicode, QList<quint16>({0x11}));
}

TEST(TvdxExportFont, FontFilesThatCannotBeReadGiveClearErrors)
{
    TempDir dir;
    const QString missing = dir.file("missing.ttf");
    FileFont absent(makeFont("Liberation Sans"), missing);
    try {
        absent.SoftRemapString("a", false, false);
        FAIL() << "no error";
    } catch (const EPDFExportError &e) {
        EXPECT_TRUE(e.message().startsWith("Cannot read the font file \"" + missing + "\" of the font \"Liberation Sans\""))
            << e.message().toStdString();
    }
    const QString empty = dir.file("empty.ttf");
    ASSERT_TRUE(writeFile(empty, QByteArray()));
    FileFont nothing(makeFont("Liberation Sans"), empty);
    EXPECT_THROW(nothing.SoftRemapString("a", false, false), EPDFExportError);

    const QString junk = dir.file("junk.ttf");
    ASSERT_TRUE(writeFile(junk, QByteArray("this is no font at all")));
    FileFont garbage(makeFont("Liberation Sans"), junk);
    try {
        garbage.SoftRemapString("a", false, false);
        FAIL() << "no error";
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), "TrueType font format error");
    }

    // Another font's file: its glyph indices would not fit the shaped text.
    FileFont other(makeFont("Liberation Sans"), ttftest::installedFontFile("DejaVu Sans"));
    EXPECT_THROW(other.SoftRemapString("a", false, false), EPDFExportError);
}

// ---- Font list and objects -------------------------------------------------------------------

TEST(TPDFGLobalFonts, KeysFontsByNameAndUnsimulatedStyle)
{
    TPDFObjectsHelper poh;
    TPDFGLobalFonts fonts;
    TReferenceArray page;
    poh.FPageFonts = &page;
    const int a = GetObjFontNumber(poh, fonts, makeFont("Tahoma", kItalic));
    const int b = GetObjFontNumber(poh, fonts, makeFont("Tahoma"));
    const int c = GetObjFontNumber(poh, fonts, makeFont("Tahoma", kBold));
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 0); // simulated italic: the same font object
    EXPECT_EQ(c, 1);
    EXPECT_EQ(fonts.Get(1)->Name, "/F1");
    EXPECT_EQ(page.Count(), 2);
    EXPECT_EQ(fonts.IndexByReference(fonts.Get(1)->Reference), 1);
    EXPECT_EQ(fonts.IndexByReference(999), -1);

    QBuffer out;
    out.open(QIODevice::WriteOnly);
    OutPageFonts(out, &page, fonts);
    EXPECT_EQ(out.data(), "/Font << /F0 " + ObjRef(fonts.Get(0)->Reference) + " /F1 " + ObjRef(fonts.Get(1)->Reference)
                              + " >>\r\n");
    TReferenceArray none;
    QBuffer empty;
    empty.open(QIODevice::WriteOnly);
    OutPageFonts(empty, &none, fonts);
    EXPECT_TRUE(empty.data().isEmpty());
}

TEST(TvdxPDFFont, MetricsAndAdjustments)
{
    TvdxPDFFont font(makeFont("Liberation Sans"));
    font.LoadOutlineTextMetrics();
    ASSERT_TRUE(font.TextMetric);
    // Liberation Sans: winAscent 1854, winDescent 434, typo 1491 / -431 of 2048.
    EXPECT_EQ(font.TextMetric->tmAscent, 905);
    EXPECT_EQ(font.TextMetric->tmDescent, 212);
    EXPECT_EQ(font.TextMetric->tmInternalLeading, 117);
    EXPECT_EQ(font.TextMetric->otmAscent, 728);
    EXPECT_EQ(font.TextMetric->otmDescent, -210);
    EXPECT_EQ(font.TextMetric->tmWeight, 400);
    EXPECT_NEAR(font.FontHeightToPointSizeFactor(), 1000.0 / 1117, 1e-9);

    TvdxPDFFont italic(makeFont("Liberation Serif", kItalic));
    italic.LoadOutlineTextMetrics();
    ASSERT_TRUE(italic.TextMetric);
    EXPECT_LT(italic.TextMetric->otmItalicAngle, -100); // tenths of a degree

    TRemapedString rs;
    rs.Width = 2000;
    rs.SpacesCount = 2;
    EXPECT_DOUBLE_EQ(font.SpaceAdjustment(rs, 18, 10), (2000 - 1800) / 2.0);
    EXPECT_DOUBLE_EQ(font.SpaceAdjustment(rs, 18, 0), 1000);

    TvdxPDFFont form(makeFont("Arial"));
    auto redFont = newFont("Arial", {}, 10);
    TvdFont &red = *redFont;
    red.SetColor(clNone);
    form.Update(font, red);
    EXPECT_EQ(form.FontName(), font.Name);
    EXPECT_DOUBLE_EQ(form.Size(), 9.9);
    EXPECT_EQ(form.Color(), 0);
}

namespace {

struct TextLine {
    std::shared_ptr<TvdFont> font;
    QString text;
    bool rtl;
};

// A one-page PDF built from the shared object primitives; each line shows
// its text in its font.
QByteArray writeTextPdf(const std::vector<TextLine> &lines, bool embedded, bool compressed)
{
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    TPDFObjectsHelper poh;
    poh.Clear();
    poh.FpdfStream = &out;
    poh.FEmbedded = embedded;
    TPDFGLobalFonts fonts;
    TReferenceArray pageFonts;
    poh.FPageFonts = &pageFonts;

    WriteLine(out, "%PDF-1.7");
    const int32_t treeNo = poh.UpdateXRef();
    auto content = std::make_unique<QBuffer>();
    content->open(QIODevice::ReadWrite);
    double y = 800;
    for (const TextLine &l : lines) {
        const int index = GetObjFontNumber(poh, fonts, *l.font);
        TvdxPDFFont *f = fonts.Get(index);
        const TRemapedString rs = f->SoftRemapString(l.text, l.rtl, false);
        WriteLine(*content, "BT " + f->Name + " 12 Tf 40 " + QByteArray::number(y) + " Td <" + GlyphsToHex(rs.Data)
                                + "> Tj ET");
        y -= 30;
    }
    const int32_t contentNo = poh.UpdateXRef();
    WriteLine(out, ObjHeader(contentNo));
    content->seek(0);
    WriteStream(out, std::move(content), false, true, true, nullptr, compressed, contentNo);
    const int32_t pageNo = poh.UpdateXRef();
    WriteLine(out, ObjHeader(pageNo));
    WriteLine(out, "<< /Type /Page /MediaBox [0 0 595 842] /Parent " + ObjRef(treeNo));
    WriteRaw(out, "/Resources << ");
    OutPageFonts(out, &pageFonts, fonts);
    WriteLine(out, ">> /Contents " + ObjRef(contentNo) + " >>");
    WriteLine(out, "endobj");
    for (int i = 0; i < fonts.Count(); ++i)
        WriteFontObjects(poh, *fonts.Get(i), compressed);
    poh.CRS().SetOffset(treeNo, int32_t(out.pos()));
    WriteLine(out, ObjHeader(treeNo));
    WriteLine(out, "<< /Type /Pages /Kids [" + ObjRef(pageNo) + "] /Count 1 >>");
    WriteLine(out, "endobj");
    const int32_t catalogNo = poh.UpdateXRef();
    WriteLine(out, ObjHeader(catalogNo));
    WriteLine(out, "<< /Type /Catalog /Pages " + ObjRef(treeNo) + " >>");
    WriteLine(out, "endobj");
    const qint64 xref = out.pos();
    poh.CRS().PrepareToOut();
    poh.CRS().WriteTo(out);
    WriteLine(out, "trailer");
    WriteLine(out, "<< /Size " + QByteArray::number(poh.CRS().NextId()) + " /Root " + ObjRef(catalogNo) + " >>");
    WriteLine(out, "startxref");
    WriteLine(out, QByteArray::number(xref));
    WriteLine(out, "%%EOF");
    return out.data();
}

std::vector<TextLine> sampleLines()
{
    return {
        {newFont("Liberation Sans"), QString::fromUtf8("Gr\xC3\xBC\xC3\x9F""e aus K\xC3\xB6ln"), false},
        {newFont("Liberation Serif", kBold), "Bold serif", false},
        {newFont("DejaVu Sans"), QStringLiteral("\u05E9\u05DC\u05D5\u05DD"), true},
        {newFont("DejaVu Sans"), QStringLiteral("Cafe\u0301"), false},
        {newFont("DejaVu Sans"), QStringLiteral("\u0643\u062A\u0628"), true}, // kataba, joined forms
    };
}

class PdfFontOracle : public ::testing::TestWithParam<bool> {};

} // namespace

TEST_P(PdfFontOracle, ToolsReadTheFonts)
{
    const bool compressed = GetParam();
    const QByteArray pdf = writeTextPdf(sampleLines(), true, compressed);
    TempDir dir;
    const QString file = dir.file("fonts.pdf");
    ASSERT_TRUE(writeFile(file, pdf));

    const ToolResult check = runTool("qpdf", {"--check", file});
    if (!check.ran)
        GTEST_SKIP() << "qpdf is not installed";
    EXPECT_EQ(check.exitCode, 0) << check.output.toStdString();
    EXPECT_FALSE(check.output.contains("WARNING")) << check.output.toStdString();

    const ToolResult fonts = runTool("pdffonts", {file});
    if (!fonts.ran)
        GTEST_SKIP() << "pdffonts is not installed";
    ASSERT_EQ(fonts.exitCode, 0) << fonts.output.toStdString();
    // Embedded, with a ToUnicode map; the name carries no subset prefix,
    // so poppler does not call it a subset (fontTools below shows it is).
    for (const char *name : {"Liberation Sans", "Liberation Serif,Bold", "DejaVu Sans"}) {
        const QRegularExpression row(QStringLiteral("\n%1\\s+CID TrueType\\s+Identity-H\\s+yes\\s+no\\s+yes").arg(name));
        EXPECT_TRUE(fonts.output.contains(row)) << name << "\n" << fonts.output.toStdString();
    }

    const ToolResult text = runTool("pdftotext", {"-enc", "UTF-8", file, "-"});
    ASSERT_TRUE(text.ran);
    EXPECT_TRUE(text.output.contains(QString::fromUtf8("Gr\xC3\xBC\xC3\x9F""e aus K\xC3\xB6ln"))) << text.output.toStdString();
    EXPECT_TRUE(text.output.contains("Bold serif")) << text.output.toStdString();
    const QString hebrew = QStringLiteral("\u05E9\u05DC\u05D5\u05DD");
    EXPECT_TRUE(text.output.contains(hebrew)) << text.output.toStdString();
    EXPECT_TRUE(text.output.contains(QStringLiteral("\u0643\u062A\u0628"))) << text.output.toStdString();
    EXPECT_TRUE(text.output.contains(QStringLiteral("Cafe\u0301")) || text.output.contains(QStringLiteral("Caf\u00E9")))
        << text.output.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Streams, PdfFontOracle, ::testing::Values(true, false),
                         [](const auto &info) { return info.param ? "Compressed" : "Plain"; });

TEST(PdfFontObjects, EmbeddedSubsetReadsInFontTools)
{
    if (ttftest::fontToolsPython().isEmpty())
        GTEST_SKIP() << "fontTools is not installed";
    const QByteArray pdf = writeTextPdf(sampleLines(), true, false);
    // The first FontFile2 stream of the plain file: Liberation Sans.
    const qsizetype ff = pdf.indexOf("/FontFile2 ");
    ASSERT_GT(ff, 0);
    const QByteArray ref = pdf.mid(ff + 11, pdf.indexOf(" 0 R", ff) - ff - 11);
    const qsizetype obj = pdf.indexOf("\r\n" + ref + " 0 obj\r\n");
    ASSERT_GT(obj, 0);
    const qsizetype len = pdf.indexOf("/Length ", obj) + 8;
    const int length = pdf.mid(len, pdf.indexOf(">>", len) - len).toInt();
    const qsizetype data = pdf.indexOf("stream\r\n", obj) + 8;
    TempDir dir;
    const QString ttf = dir.file("sub.ttf");
    ASSERT_TRUE(writeFile(ttf, pdf.mid(data, length)));

    const char *script = R"PY(
import sys, json
from fontTools.ttLib import TTFont
f = TTFont(sys.argv[1])
order = f.getGlyphOrder()
glyf = f['glyf']
names = ['a', 'G', 'odieresis', 'germandbls']
idx = {n: f.getGlyphID(n) for n in names}
outlines = {n: glyf[n].numberOfContours != 0 for n in names}
print(json.dumps({'glyphs': len(order), 'upem': f['head'].unitsPerEm, 'idx': idx, 'outlines': outlines,
                  'x_empty': glyf['x'].numberOfContours == 0 if 'x' in order else True}))
)PY";
    QString error;
    const QJsonObject r = ttftest::runFontTools(script, {ttf}, &error);
    ASSERT_FALSE(r.isEmpty()) << error.toStdString();
    EXPECT_EQ(r["upem"].toInt(), 2048);
    // Glyph indices are kept; used glyphs keep their outlines, others are dropped.
    const QJsonObject outlines = r["outlines"].toObject();
    for (const QString &n : {QStringLiteral("a"), QStringLiteral("G"), QStringLiteral("odieresis"),
                             QStringLiteral("germandbls")})
        EXPECT_TRUE(outlines[n].toBool()) << n.toStdString();
    EXPECT_TRUE(r["x_empty"].toBool());
}

TEST(PdfFontObjects, WithoutEmbeddingNoFontFile)
{
    std::vector<TextLine> lines{{newFont("Liberation Sans"), "ab ", false}};
    const QByteArray pdf = writeTextPdf(lines, false, false);
    EXPECT_FALSE(pdf.contains("/FontFile2"));
    EXPECT_TRUE(pdf.contains("/BaseFont /Liberation#20Sans\r\n"));
    EXPECT_TRUE(pdf.contains("/CMapName /Liberation#20Sans def"));
    EXPECT_TRUE(pdf.contains("3 beginbfchar\r\n<0044> <0061>\r\n<0045> <0062>\r\n<0003> <0020>\r\nendbfchar"));
    EXPECT_TRUE(pdf.contains("/W [ 68 [556] 69 [556] 3 [278] \r\n]"));
    EXPECT_TRUE(pdf.contains("/Flags 32\r\n/FontBBox ["));
    EXPECT_TRUE(pdf.contains("/Subtype /Type0\r\n/BaseFont /Liberation#20Sans\r\n/Encoding /Identity-H"));
    EXPECT_TRUE(pdf.contains("/Ordering (UCS)\r\n/Ordering (Identity)"));
}

TEST(PdfFontObjects, MergedMarkHasWidthZeroAndBoldNameGoesIntoTheCMap)
{
    std::vector<TextLine> lines{{newFont("Liberation Sans", kBold), QStringLiteral("x\u0301"), false}};
    const QByteArray pdf = writeTextPdf(lines, false, false);
    EXPECT_TRUE(pdf.contains("/CMapName /Liberation#20Sans+Bold def")) << pdf.toStdString();
    EXPECT_TRUE(QRegularExpression("/W \\[ \\d+ \\[\\d+\\] \\d+ \\[0\\] \\r\\n\\]").match(QString::fromLatin1(pdf)).hasMatch())
        << pdf.toStdString();
}
