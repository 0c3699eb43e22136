// The file structure: header, page objects, page tree, information
// dictionary, catalog, cross-reference table and trailer; checked byte for
// byte and by qpdf and poppler.
#include "PdfTools.h"
#include "common/TestSupport.h"
#include "export/pdf/vdxExportPDFDocument.h"

#include <QBuffer>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimeZone>
#include <functional>
#include <gtest/gtest.h>

using namespace vdtest;

namespace {

const QDateTime kNoon(QDate(2026, 3, 4), QTime(12, 5, 6), QTimeZone(3600));

QByteArray writeDocument(TvdxPDFDocument &doc, int pages, const QDateTime &now = kNoon)
{
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    doc.Start(&out, now);
    for (int i = 0; i < pages; ++i) {
        doc.StartPage(794, 1123); // A4 at 96 dpi
        doc.FinishPage();
    }
    doc.Finish();
    return out.data();
}

using pdftest::runTool;
using pdftest::ToolResult;

// Where the object with this number starts in the file.
qsizetype objectStart(const QByteArray &pdf, int no)
{
    return pdf.indexOf("\r\n" + QByteArray::number(no) + " 0 obj\r\n") + 2;
}

} // namespace

TEST(TimeZoneSuffix, SignHoursAndMinutes)
{
    struct Case {
        int bias;
        const char *sep, *expected;
    } cases[] = {
        {-60, "'", "+01'00'"}, {300, "'", "-05'00'"}, {300, ":", "-05:00"}, {0, "'", "+00'00'"},
        {-345, ":", "+05:45"}, {210, "'", "-03'30'"}, {-840, "'", "+14'00'"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(TimeZoneSuffix(QString::fromLatin1(c.sep), c.bias), QString::fromLatin1(c.expected)) << c.bias;
    EXPECT_EQ(TimeZoneSuffix("'", QDateTime(QDate(2026, 1, 1), QTime(0, 0), QTimeZone(-5 * 3600))), "-05'00'");
    EXPECT_EQ(TimeZoneSuffix(":", QDateTime()), "+00:00");
}

TEST(TvdxPDFDocument, DatesAndIdentity)
{
    TvdxPDFDocument doc;
    writeDocument(doc, 0);
    EXPECT_EQ(doc.CreationDateTime(), "20260304120506+01'00'");
    EXPECT_EQ(doc.CreationDateTimeMeta(), "2026-03-04T12:05:06+01:00");
    EXPECT_EQ(doc.ID().size(), 38);
    EXPECT_TRUE(QRegularExpression("^\\{[0-9A-F-]{36}\\}$").match(doc.ID()).hasMatch()) << doc.ID().toStdString();
    EXPECT_TRUE(QRegularExpression("^[0-9a-f]{32}$").match(doc.FileID()).hasMatch());

    const QString firstId = doc.FileID();
    const QByteArray again = writeDocument(doc, 0);
    EXPECT_NE(doc.FileID(), firstId); // a new identity at every start
    const QByteArray id = doc.FileID().toLatin1();
    EXPECT_TRUE(again.contains("/ID [<" + id + "><" + id + ">]\r\n"));
}

TEST(TvdxPDFDocument, EmptyDocumentIsByteExactApartFromItsId)
{
    TvdxPDFDocument doc;
    doc.Options().Compressed = false;
    QByteArray pdf = writeDocument(doc, 0);
    pdf.replace(doc.FileID().toLatin1(), "ID");
    const QByteArray date = "<443A32303236303330343132303530362B303127303027>"; // D:20260304120506+01'00'
    const QByteArray expected =
        "%PDF-1.7\r\n%\xE2\xE3\xCF\xD3\r\n"
        "1 0 obj\r\n<<\r\n/Type /Pages\r\n/Count 0\r\n>>\r\nendobj\r\n"
        "2 0 obj\r\n<<\r\n/Title <FEFF>\r\n/Author <FEFF00560065006E0064006100720069>\r\n"
        "/Subject <FEFF00560065006E006400610072006900200050004400460020006500780070006F00720074>\r\n"
        "/Keywords <FEFF>\r\n/Creator <FEFF00560065006E0064006100720069>\r\n/Producer <FEFF>\r\n"
        "/CreationDate " + date + "\r\n/ModDate " + date + "\r\n>>\r\nendobj\r\n"
        "3 0 obj\r\n<<\r\n/Type /Catalog\r\n/Version /1.7\r\n/MarkInfo << /Marked true >>\r\n/Pages 1 0 R\r\n"
        "/PageMode /UseNone\r\n/ViewerPreferences <<\r\n/PrintScaling /None\r\n>>\r\n>>\r\nendobj\r\n";
    ASSERT_TRUE(pdf.startsWith(expected)) << pdf.toStdString();
    const QByteArray tail = pdf.mid(expected.size());
    const QByteArray xref = "xref\r\n0 4\r\n0000000000 65535 f\r\n"
                            + QByteArray::number(objectStart(pdf, 1)).rightJustified(10, '0') + " 00000 n\r\n"
                            + QByteArray::number(objectStart(pdf, 2)).rightJustified(10, '0') + " 00000 n\r\n"
                            + QByteArray::number(objectStart(pdf, 3)).rightJustified(10, '0') + " 00000 n\r\n"
                            + "trailer\r\n<<\r\n/Size 4\r\n/Root 3 0 R\r\n/Info 2 0 R\r\n/ID [<ID><ID>]\r\n>>\r\n"
                            + "startxref\r\n" + QByteArray::number(expected.size()) + "\r\n%%EOF\r\n";
    EXPECT_EQ(tail, xref);
}

TEST(TvdxPDFDocument, PagesNameTheTreeAsParentAndAreListedInOrder)
{
    TvdxPDFDocument doc;
    doc.Options().Compressed = false;
    doc.Options().Transparency = false;
    const QByteArray pdf = writeDocument(doc, 2);
    // 1 tree, 2 page, 3 content, 4 page, 5 content.
    EXPECT_TRUE(pdf.contains("1 0 obj\r\n<<\r\n/Type /Pages\r\n/Kids [2 0 R 4 0 R]\r\n/Count 2\r\n>>\r\n"));
    const QByteArray page = "<<\r\n/Type /Page\r\n/MediaBox [0 0 595.50 842.25 ]\r\n/Parent 1 0 R\r\n"
                            "/Resources << \r\n/ProcSet [/PDF /Text /ImageC ]\r\n>>\r\n/Contents ";
    EXPECT_TRUE(pdf.contains("2 0 obj\r\n" + page + "3 0 R\r\n>>\r\nendobj\r\n"));
    EXPECT_TRUE(pdf.contains("4 0 obj\r\n" + page + "5 0 R\r\n>>\r\nendobj\r\n"));
    EXPECT_TRUE(pdf.contains("3 0 obj\r\n<</Length 0>>\r\nstream\r\n\nendstream\r\nendobj\r\n"));
    EXPECT_FALSE(pdf.contains("/Group"));
    EXPECT_FALSE(pdf.contains("/Annots"));
}

TEST(TvdxPDFDocument, TransparencyGroupAndAnnotations)
{
    TvdxPDFDocument doc;
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    doc.Start(&out, kNoon);
    doc.StartPage(100, 100);
    doc.PageAnnots()->Add(17);
    doc.PageAnnots()->Add(17);
    doc.FinishPage();
    doc.Finish();
    EXPECT_TRUE(out.data().contains("/Parent 1 0 R\r\n/Group << /Type /Group /S /Transparency /CS /DeviceRGB >>\r\n"));
    EXPECT_TRUE(out.data().contains("/Contents 3 0 R\r\n/Annots [17 0 R]\r\n>>\r\n"));
}

TEST(TvdxPDFDocument, CatalogFollowsTheOptions)
{
    struct Case {
        std::function<void(TvdxPDFDocumentOptions &)> set;
        QByteArray expected;
    } cases[] = {
        {[](TvdxPDFDocumentOptions &o) { o.Title = "T"; o.PrintScaling = true; },
         "/PageMode /UseNone\r\n/ViewerPreferences <<\r\n/DisplayDocTitle true\r\n>>\r\n>>"},
        {[](TvdxPDFDocumentOptions &o) {
             o.HideToolbar = o.HideMenubar = o.HideWindowUI = o.FitWindow = o.CenterWindow = true;
         },
         "/ViewerPreferences <<\r\n/HideToolbar true\r\n/HideMenubar true\r\n/HideWindowUI true\r\n"
         "/FitWindow true\r\n/CenterWindow true\r\n/PrintScaling /None\r\n>>\r\n>>"},
        {[](TvdxPDFDocumentOptions &o) { o.Outline = true; },
         "/Pages 1 0 R\r\n/PageMode /UseOutlines\r\n/Outlines 0 0 R\r\n/ViewerPreferences <<"},
        {[](TvdxPDFDocumentOptions &o) { o.PDFVersion = TPDFVersion::pv14; },
         "/Type /Catalog\r\n/Version /1.4\r\n"},
    };
    for (const Case &c : cases) {
        TvdxPDFDocument doc;
        c.set(doc.Options());
        const QByteArray pdf = writeDocument(doc, 1);
        EXPECT_TRUE(pdf.contains(c.expected)) << c.expected.toStdString() << "\n---\n" << pdf.toStdString();
    }
    TvdxPDFDocument doc;
    doc.Options().PDFVersion = TPDFVersion::pv15;
    EXPECT_TRUE(writeDocument(doc, 0).startsWith("%PDF-1.5\r\n"));
}

TEST(TvdxPDFDocument, MisuseIsReportedNotACrash)
{
    TvdxPDFDocument doc;
    EXPECT_THROW(doc.Start(nullptr), EPDFExportError);
    EXPECT_THROW(doc.StartPage(10, 10), EPDFExportError);
    EXPECT_THROW(doc.FinishPage(), EPDFExportError);
    EXPECT_THROW(doc.Finish(), EPDFExportError);
    QBuffer readOnly;
    readOnly.open(QIODevice::ReadOnly);
    EXPECT_THROW(doc.Start(&readOnly), EPDFExportError);
}

TEST(TvdxPDFDocument, APageLeftOpenIsClosedAtFinish)
{
    TvdxPDFDocument doc;
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    doc.Start(&out, kNoon);
    doc.StartPage(100, 100);
    doc.Finish();
    EXPECT_EQ(doc.PageCount(), 1);
    EXPECT_TRUE(out.data().contains("/Kids [2 0 R]"));
}

namespace {

struct OracleCase {
    const char *name;
    bool compressed;
    int pages;
};

class PdfOracle : public ::testing::TestWithParam<OracleCase> {};

} // namespace

TEST_P(PdfOracle, QpdfAndPdfinfoAcceptTheFile)
{
    const OracleCase c = GetParam();
    TvdxPDFDocument doc;
    doc.Options().Compressed = c.compressed;
    doc.Options().Title = QString::fromUtf8("Bericht \xC3\xBC (1) \xE4\xB8\xAD"); // umlaut, CJK
    doc.Options().Keywords = "a\\b)";
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    doc.Start(&out, kNoon);
    for (int i = 0; i < c.pages; ++i) {
        doc.StartPage(794, 1123);
        if (i == 0)
            WriteLine(doc.OutStream(), "0 0 1 rg 10 10 100 50 re f");
        doc.FinishPage();
    }
    doc.Finish();
    TempDir dir;
    const QString file = dir.file("out.pdf");
    ASSERT_TRUE(writeFile(file, out.data()));

    const ToolResult check = runTool("qpdf", {"--check", file});
    if (!check.ran)
        GTEST_SKIP() << "qpdf is not installed";
    EXPECT_EQ(check.exitCode, 0) << check.output.toStdString();
    EXPECT_TRUE(check.output.contains("No syntax or stream encoding errors found")) << check.output.toStdString();
    EXPECT_FALSE(check.output.contains("WARNING")) << check.output.toStdString();

    // Poppler refuses a file without pages outright; qpdf above accepts it.
    if (c.pages == 0)
        return;
    const ToolResult info = runTool("pdfinfo", {file});
    if (!info.ran)
        GTEST_SKIP() << "pdfinfo is not installed";
    EXPECT_EQ(info.exitCode, 0) << info.output.toStdString();
    EXPECT_TRUE(info.output.contains(QRegularExpression("Pages:\\s+" + QString::number(c.pages) + "\\n")))
        << info.output.toStdString();
    EXPECT_TRUE(info.output.contains(QRegularExpression(QString::fromUtf8("Title:\\s+Bericht \xC3\xBC \\(1\\) \xE4\xB8\xAD"))))
        << info.output.toStdString();
    EXPECT_TRUE(info.output.contains(QRegularExpression("Author:\\s+Vendari\\n")));
    EXPECT_TRUE(info.output.contains(QRegularExpression("Keywords:\\s+a\\\\b\\)\\n"))) << info.output.toStdString();
    EXPECT_TRUE(info.output.contains(QRegularExpression("PDF version:\\s+1.7")));
    EXPECT_TRUE(info.output.contains("595.5 x 842.25 pts")) << info.output.toStdString();
    EXPECT_TRUE(info.output.contains(QRegularExpression("CreationDate:\\s+\\S.*2026")))
        << info.output.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Documents, PdfOracle,
                         ::testing::Values(OracleCase{"Compressed", true, 1}, OracleCase{"Plain", false, 1},
                                           OracleCase{"TwoPages", true, 2}, OracleCase{"NoPage", false, 0}),
                         [](const auto &info) { return std::string(info.param.name); });
