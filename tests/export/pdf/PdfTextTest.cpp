// The text of memo views in PDF pages: the operators written for the
// layout cases, and what qpdf and poppler read back from whole files.
#include "FontToolsOracle.h"
#include "PdfExportTestUtil.h"
#include "common/TestSupport.h"
#include "export/pdf/vdxExportPDFText.h"
#include "report/vdxClass_frame.h"
#include "report/vdxClass_memo.h"
#include "report/vdxClass_page.h"

#include <QFileInfo>
#include <gtest/gtest.h>
#include <functional>

using namespace pdftest;

namespace {

void setMemo(TvdxMemoView &m, const QString &text, double w = 200, double h = 60, const QString &face = "Arial",
             int size = 10)
{
    m.SetBounds(20, 20, w, h);
    m.SetText(text);
    m.Font()->SetName(face);
    m.Font()->SetSize(size);
    m.Font()->SetColor(clBlack);
}

// One page, uncompressed, so the content stream can be read as text.
class TextPage {
public:
    explicit TextPage(const QString &file, bool embed = false)
    {
        page.SetBounds(0, 0, 600, 600);
        f.SetShowDialog(false);
        f.SetCompressed(false);
        f.SetEmbeddedFonts(embed);
        f.SetFileName(file);
        ok = f.DoStart();
        if (ok)
            f.StartPage(&page, 0);
    }
    void finish()
    {
        f.FinishPage(&page, 0);
        f.Finish();
    }
    QString content() const { return QString::fromLatin1(f.PageContent()); }

    TvdxReportPage page;
    TvdxPDFExport f{nullptr, true};
    bool ok = false;
};

int count(const QString &text, const QString &what) { return int(text.count(what)); }

// The operands of the first "Td" after skip others.
QPointF td(const QString &content, int skip = 0)
{
    const QRegularExpression re(QStringLiteral("([-0-9.]+) ([-0-9.]+) Td"));
    auto it = re.globalMatch(content);
    for (int i = 0; it.hasNext(); ++i) {
        const auto m = it.next();
        if (i == skip)
            return QPointF(m.captured(1).toDouble(), m.captured(2).toDouble());
    }
    return QPointF(-1, -1);
}

ToolResult tool(const QString &name, const QStringList &args) { return runTool(name, args); }

} // namespace

TEST(PdfText, TJBodyCarriesFractionsAcrossSpaces)
{
    // 0x24 "A", 3 the space glyph.
    EXPECT_EQ(SpacedGlyphsToTJ({0x24, 3, 0x25, 3, 0x26}, -250.5), QByteArray("00240003>-250<00250003>-251<0026"));
    EXPECT_EQ(SpacedGlyphsToTJ({0x24, 3, 0x25}, 0), QByteArray("002400030025"));
    EXPECT_EQ(SpacedGlyphsToTJ({}, 12), QByteArray());
    TRemapedString line;
    line.Data = {1, 2, 3};
    line.CharWidth = {500, 600, 250};
    line.IsSpace = {false, false, true};
    // Deltas 10.4, 20.4 averaged to 15.4; the last glyph gets no number.
    EXPECT_EQ(GlyphsToTJ(line, {489.6, 579.6, 250}, true), QByteArray("0001>15<0002>16<0003"));
    EXPECT_EQ(GlyphsToTJ(line, {500, 600, 250}, false), QByteArray("000100020003"));
}

TEST(PdfText, SimulatedStylesOfFacesWithoutThem)
{
    TvdFont f;
    f.SetName(QStringLiteral("Tahoma"));
    f.SetSize(14);
    f.SetStyle(TvdFont::TFontStyles(TvdFont::fsItalic | TvdFont::fsBold));
    EXPECT_EQ(ItalicSimulation(f), QStringLiteral("1 0 0.25 1"));
    EXPECT_TRUE(BoldSimulation(f).isEmpty()); // Tahoma has a real bold
    f.SetName(QStringLiteral("Arial Black"));
    f.SetColor(clRed);
    EXPECT_EQ(BoldSimulation(f), QStringLiteral("2 Tr 0.40 w 1 0 0 RG"));
    f.SetName(QStringLiteral("Arial"));
    EXPECT_TRUE(ItalicSimulation(f).isEmpty());
    f.SetSize(10);
    EXPECT_DOUBLE_EQ(EMFFontSize(f), 10.0);
    f.SetName(QStringLiteral("Liberation Sans"));
    EXPECT_DOUBLE_EQ(EMFFontSize(f), 9.9);
}

// Each case sets up one memo, exports it on a page and checks the operators.
TEST(PdfText, OperatorsForTheLayoutCases)
{
    struct Case {
        const char *name;
        std::function<void(TvdxMemoView &)> setup;
        std::function<void(const QString &content)> check;
    };
    const QString para = QStringLiteral("one two three four five six seven eight nine ten eleven twelve thirteen");
    const Case cases[] = {
        {"empty text: fill, clip and frame, no text object",
         [](TvdxMemoView &m) {
             setMemo(m, QString());
             qobject_cast<TvdxBrushFill *>(m.Fill())->SetBackColor(clYellow);
             m.Frame()->SetTyp(TvdxFrame::TvdxFrameTypes(TvdxFrame::ftLeft | TvdxFrame::ftTop));
         },
         [](const QString &c) {
             EXPECT_EQ(count(c, "BT"), 0) << c.toStdString();
             EXPECT_EQ(count(c, "\r\nW\r\nn\r\n"), 1) << c.toStdString();
             EXPECT_TRUE(c.contains(QStringLiteral("1 1 0 rg"))) << c.toStdString();
             EXPECT_GE(count(c, "S\r\n"), 1) << "frame";
         }},
        {"size 10 written as 9.900",
         [](TvdxMemoView &m) { setMemo(m, QStringLiteral("Hello")); },
         [](const QString &c) {
             EXPECT_TRUE(c.contains(QStringLiteral("/F0 9.900 Tf"))) << c.toStdString();
             EXPECT_EQ(count(c, "> Tj"), 1);
         }},
        {"block paragraph: all lines but the last justified",
         [&](TvdxMemoView &m) {
             setMemo(m, para, 150, 100);
             m.SetHAlign(TvdxCustomMemoView::haBlock);
         },
         [](const QString &c) {
             const int tj = count(c, "> Tj"), TJ = count(c, ">] TJ");
             EXPECT_EQ(tj, 1) << c.toStdString();
             EXPECT_GE(TJ, 2) << c.toStdString();
         }},
        {"block line without a space: Tj",
         [](TvdxMemoView &m) {
             setMemo(m, QStringLiteral("Supercalifragilistic"));
             m.SetHAlign(TvdxCustomMemoView::haBlock);
         },
         [](const QString &c) {
             EXPECT_EQ(count(c, ">] TJ"), 0);
             EXPECT_EQ(count(c, "> Tj"), 1);
         }},
        {"word wrap breaks a long text into lines",
         [&](TvdxMemoView &m) { setMemo(m, para, 120, 200); },
         [](const QString &c) { EXPECT_GE(count(c, "BT"), 3) << c.toStdString(); }},
        {"no word wrap keeps one line",
         [&](TvdxMemoView &m) {
             setMemo(m, para, 120, 200);
             m.SetWordWrap(false);
         },
         [](const QString &c) { EXPECT_EQ(count(c, "BT"), 1) << c.toStdString(); }},
        {"underline 1.2 points below the baseline, 0.80 wide",
         [](TvdxMemoView &m) {
             setMemo(m, QStringLiteral("Under"));
             m.Font()->SetStyle(TvdFont::fsUnderline);
         },
         [](const QString &c) {
             const QPointF p = td(c);
             EXPECT_TRUE(c.contains(QStringLiteral("0.80 w"))) << c.toStdString();
             EXPECT_TRUE(c.contains(Fixed2(p.x()) + u' ' + Fixed2(p.y() - 1.2) + QStringLiteral(" m")))
                 << c.toStdString();
         }},
        {"strike-out 2.8 points above the baseline",
         [](TvdxMemoView &m) {
             setMemo(m, QStringLiteral("Struck"));
             m.Font()->SetStyle(TvdFont::fsStrikeOut);
         },
         [](const QString &c) {
             const QPointF p = td(c);
             EXPECT_TRUE(c.contains(QStringLiteral("0.57 w"))) << c.toStdString();
             EXPECT_TRUE(c.contains(Fixed2(p.x()) + u' ' + Fixed2(p.y() + 2.8) + QStringLiteral(" m")))
                 << c.toStdString();
         }},
        {"ruled lines of an underlined memo",
         [](TvdxMemoView &m) {
             setMemo(m, QStringLiteral("Ruled"), 200, 60);
             m.SetUnderlinesTextMode(TvdxCustomMemoView::ulmUnderlinesAll);
         },
         [](const QString &c) { EXPECT_GE(count(c, " l\r\nS"), 3) << c.toStdString(); }},
        {"negative gap goes to the vector path",
         [](TvdxMemoView &m) {
             setMemo(m, QStringLiteral("Vector text"));
             m.SetGapX(-2);
         },
         [](const QString &c) {
             EXPECT_EQ(count(c, "%--Vector Begin"), 1) << c.toStdString();
             EXPECT_EQ(count(c, "%--Vector End"), 1);
             EXPECT_GE(count(c, "BT"), 1);
         }},
        {"bold face of its own: no simulation",
         [](TvdxMemoView &m) {
             setMemo(m, QStringLiteral("Bold"));
             m.Font()->SetStyle(TvdFont::fsBold);
         },
         [](const QString &c) { EXPECT_EQ(count(c, "Tr"), 0) << c.toStdString(); }},
    };
    for (const Case &cs : cases) {
        SCOPED_TRACE(cs.name);
        vdtest::TempDir tmp;
        TextPage p(tmp.file("t.pdf"));
        ASSERT_TRUE(p.ok);
        TvdxMemoView m;
        cs.setup(m);
        p.f.ExportObject(&m);
        cs.check(p.content());
        p.finish();
        const ToolResult check = tool(QStringLiteral("qpdf"), {QStringLiteral("--check"), tmp.file("t.pdf")});
        if (check.ran)
            EXPECT_EQ(check.exitCode, 0) << check.output.toStdString();
    }
}

TEST(PdfText, AlignmentMovesTheLineInsideTheBox)
{
    // x of one line for each alignment; the box is 200 px from x = 20 px.
    auto lineX = [](TvdxCustomMemoView::TvdxHAlign align, bool rtl) {
        vdtest::TempDir tmp;
        TextPage p(tmp.file("a.pdf"));
        TvdxMemoView m;
        setMemo(m, QStringLiteral("Short line"));
        m.SetHAlign(align);
        m.SetRTLReading(rtl);
        p.f.ExportObject(&m);
        return td(p.content()).x();
    };
    const double left = lineX(TvdxCustomMemoView::haLeft, false);
    const double center = lineX(TvdxCustomMemoView::haCenter, false);
    const double right = lineX(TvdxCustomMemoView::haRight, false);
    EXPECT_NEAR(left, (20 + 2) * 0.75, 0.01);
    EXPECT_GT(center, left + 10);
    EXPECT_NEAR(center - left, (right - left) / 2, 0.02);
    // Right-to-left block text sits on the right, as right-aligned text does.
    EXPECT_NEAR(lineX(TvdxCustomMemoView::haBlock, true), right, 0.6);
}

TEST(PdfText, VerticalAlignmentMovesTheBaseline)
{
    auto baseline = [](TvdxCustomMemoView::TvdxVAlign align) {
        vdtest::TempDir tmp;
        TextPage p(tmp.file("v.pdf"));
        TvdxMemoView m;
        setMemo(m, QStringLiteral("Line"), 200, 100);
        m.SetVAlign(align);
        p.f.ExportObject(&m);
        return td(p.content()).y();
    };
    const double top = baseline(TvdxCustomMemoView::vaTop);
    const double center = baseline(TvdxCustomMemoView::vaCenter);
    const double bottom = baseline(TvdxCustomMemoView::vaBottom);
    EXPECT_GT(top, center);
    EXPECT_GT(center, bottom);
    EXPECT_NEAR(top - center, center - bottom, 0.02);
}

TEST(PdfText, FieldAppearanceHighlightsOneLine)
{
    vdtest::TempDir tmp;
    TextPage p(tmp.file("h.pdf"));
    TvdxMemoView m;
    setMemo(m, QStringLiteral("zero\r\none\r\ntwo\r\nthree"), 200, 100);
    const double top = p.f.WriteText(&m, true, 2);
    const QString c = p.content();
    EXPECT_TRUE(c.startsWith(QStringLiteral("/Tx BMC"))) << c.toStdString();
    EXPECT_TRUE(c.trimmed().endsWith(QStringLiteral("EMC")));
    EXPECT_EQ(count(c, " re\r\nf\r\n"), 1) << c.toStdString();
    EXPECT_EQ(count(c, PdfColorStr(clHighlightText) + QStringLiteral(" rg")), 1);
    EXPECT_EQ(count(c, "BT"), 4);
    // The box comes right before the third line's text.
    const qsizetype box = c.indexOf(QStringLiteral(" re\r\n"));
    EXPECT_EQ(c.left(box).count(QStringLiteral("BT")), 2);
    EXPECT_LT(top, 5);
}

TEST(PdfText, RotatedMemoIsWrittenAsTurnedRuns)
{
    vdtest::TempDir tmp;
    TextPage p(tmp.file("r.pdf"));
    TvdxMemoView m;
    setMemo(m, QStringLiteral("Turned text"), 40, 200);
    m.SetRotation(90);
    p.f.WriteText(&m, true, -1);
    const QString c = p.content();
    EXPECT_EQ(count(c, "%--Vector Begin"), 1) << c.toStdString();
    EXPECT_TRUE(c.contains(QStringLiteral("0 1 -1 0 "))) << c.toStdString();
    EXPECT_TRUE(c.contains(QStringLiteral(" cm"))) << c.toStdString();
    p.finish();
    const ToolResult text = tool(QStringLiteral("pdftotext"), {tmp.file("r.pdf"), QStringLiteral("-")});
    if (text.ran)
        EXPECT_TRUE(text.output.simplified().contains(QStringLiteral("Turned text"))) << text.output.toStdString();
}

// Whole files: qpdf accepts them, pdftotext gives the text back and pdffonts
// lists the fonts, embedded as subsets when asked.
TEST(PdfText, ReadersGetTheTextAndTheFontsBack)
{
    if (!haveTools())
        GTEST_SKIP() << "poppler-utils not installed";
    struct Case {
        const char *name;
        QString text;
        QString face;
        TvdFont::TFontStyles style;
        bool rtl;
        QString expected; // what pdftotext gives back
    };
    const QList<Case> cases = {
        {"latin", QStringLiteral("Copper wire 2.5 mm"), QStringLiteral("Arial"), {}, false,
         QStringLiteral("Copper wire 2.5 mm")},
        {"serif bold", QStringLiteral("Invoice Nr 007"), QStringLiteral("Times New Roman"), TvdFont::fsBold, false,
         QStringLiteral("Invoice Nr 007")},
        {"mono", QStringLiteral("SN-0042"), QStringLiteral("Courier New"), {}, false, QStringLiteral("SN-0042")},
        {"accents and ligature", QStringLiteral("Größe office"), QStringLiteral("Arial"), {}, false,
         QStringLiteral("Größe office")},
        {"right to left", QStringLiteral("שלום"), QStringLiteral("Tahoma"), {}, true, QStringLiteral("שלום")},
        {"character missing from the font", QStringLiteral("Box \U0001F600 end"), QStringLiteral("Arial"), {},
         false, QStringLiteral("end")},
    };
    for (const bool embed : {true, false}) {
        for (const Case &c : cases) {
            SCOPED_TRACE(std::string(c.name) + (embed ? " embedded" : " not embedded"));
            vdtest::TempDir tmp;
            const QString file = tmp.file("f.pdf");
            {
                TextPage p(file, embed);
                ASSERT_TRUE(p.ok);
                TvdxMemoView m;
                setMemo(m, c.text, 300, 40, c.face, 12);
                m.Font()->SetStyle(c.style);
                m.SetRTLReading(c.rtl);
                p.f.ExportObject(&m);
                p.finish();
            }
            const ToolResult check = tool(QStringLiteral("qpdf"), {QStringLiteral("--check"), file});
            if (check.ran)
                EXPECT_EQ(check.exitCode, 0) << check.output.toStdString();
            const ToolResult text = tool(QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"),
                                                                       file, QStringLiteral("-")});
            ASSERT_TRUE(text.ran);
            EXPECT_TRUE(text.output.simplified().contains(c.expected)) << text.output.toStdString();
            const ToolResult fonts = tool(QStringLiteral("pdffonts"), {file});
            ASSERT_TRUE(fonts.ran);
            const QStringList rows = fonts.output.split(u'\n', Qt::SkipEmptyParts).mid(2);
            ASSERT_EQ(rows.size(), 1) << fonts.output.toStdString();
            EXPECT_TRUE(rows[0].contains(QStringLiteral("CID TrueType"))) << fonts.output.toStdString();
            EXPECT_TRUE(rows[0].contains(QStringLiteral("Identity-H")));
            // Columns: emb sub uni object ID.
            const QStringList cols = rows[0].split(u' ', Qt::SkipEmptyParts);
            ASSERT_GE(cols.size(), 6);
            EXPECT_EQ(cols[cols.size() - 5], embed ? QStringLiteral("yes") : QStringLiteral("no"))
                << fonts.output.toStdString();
            EXPECT_EQ(cols[cols.size() - 3], QStringLiteral("yes")) << "ToUnicode map";

            const QByteArray pdf = vdtest::readFile(file);
            const QRegularExpression length1(QStringLiteral("/Length1 (\\d+)"));
            const auto m = length1.match(QString::fromLatin1(pdf));
            EXPECT_EQ(m.hasMatch(), embed);
            if (m.hasMatch()) {
                // The embedded file is a subset, far smaller than the installed font.
                const qint64 installed = QFileInfo(ttftest::installedFontFile(c.face)).size();
                EXPECT_GT(m.captured(1).toLongLong(), 0);
                EXPECT_LT(m.captured(1).toLongLong() * 2, installed) << installed;
            }
        }
    }
}

TEST(PdfText, EachPageListsItsOwnFonts)
{
    if (!haveTools())
        GTEST_SKIP() << "poppler-utils not installed";
    vdtest::TempDir tmp;
    const QString file = tmp.file("pages.pdf");
    {
        TvdxReportPage page;
        page.SetBounds(0, 0, 400, 400);
        TvdxPDFExport f(nullptr, true);
        f.SetShowDialog(false);
        f.SetEmbeddedFonts(true);
        f.SetFileName(file);
        ASSERT_TRUE(f.DoStart());
        const char *faces[] = {"Arial", "Courier New", "Arial"};
        for (int i = 0; i < 3; ++i) {
            f.StartPage(&page, i);
            TvdxMemoView m;
            setMemo(m, QStringLiteral("Page %1").arg(i + 1), 200, 40, QString::fromLatin1(faces[i]));
            f.ExportObject(&m);
            f.FinishPage(&page, i);
        }
        f.Finish();
    }
    const ToolResult check = tool(QStringLiteral("qpdf"), {QStringLiteral("--check"), file});
    if (check.ran)
        EXPECT_EQ(check.exitCode, 0) << check.output.toStdString();
    for (int i = 1; i <= 3; ++i) {
        const ToolResult text = tool(QStringLiteral("pdftotext"), {QStringLiteral("-f"), QString::number(i),
                                                                   QStringLiteral("-l"), QString::number(i), file,
                                                                   QStringLiteral("-")});
        EXPECT_EQ(text.output.simplified(), QStringLiteral("Page %1").arg(i));
        const ToolResult fonts = tool(QStringLiteral("pdffonts"), {QStringLiteral("-f"), QString::number(i),
                                                                   QStringLiteral("-l"), QString::number(i), file});
        EXPECT_EQ(fonts.output.split(u'\n', Qt::SkipEmptyParts).size(), 3) << fonts.output.toStdString();
    }
    // Two fonts for the document, the first shared by pages 1 and 3.
    const ToolResult all = tool(QStringLiteral("pdffonts"), {file});
    EXPECT_EQ(all.output.split(u'\n', Qt::SkipEmptyParts).size(), 4) << all.output.toStdString();
}

TEST(PdfText, VectorRunsLandWhereLaidOutText)
{
    if (!haveTools())
        GTEST_SKIP() << "poppler-utils not installed";
    // The word's box as pdftotext -bbox reads it, for a memo written as
    // text and one written through its vector runs.
    auto wordBox = [](double gapX) {
        vdtest::TempDir tmp;
        const QString file = tmp.file("b.pdf");
        {
            TextPage p(file);
            TvdxMemoView m;
            setMemo(m, QStringLiteral("Placed"));
            m.SetGapX(gapX);
            p.f.ExportObject(&m);
            p.finish();
        }
        const ToolResult r = tool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), file, QStringLiteral("-")});
        const QRegularExpression re(QStringLiteral("xMin=\"([-0-9.]+)\" yMin=\"([-0-9.]+)\""));
        const auto m = re.match(r.output);
        return m.hasMatch() ? QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()) : QPointF(-100, -100);
    };
    const QPointF text = wordBox(0), vector = wordBox(-0.5);
    EXPECT_NEAR(text.x(), 15, 1);
    EXPECT_NEAR(vector.x(), text.x(), 2);
    EXPECT_NEAR(vector.y(), text.y(), 3);
}
