// Pages written by the PDF filter, checked by qpdf and poppler: structure,
// page sizes, and the colours a reader draws at known points.
#include "PdfExportTestUtil.h"
#include "common/TestSupport.h"
#include "report/vdxClass_frame.h"
#include "report/vdxClass_line.h"
#include "report/vdxClass_page.h"
#include "report/vdxClass_shape.h"

#include <gtest/gtest.h>

using namespace pdftest;

namespace {

bool near(QRgb c, int r, int g, int b, int tolerance = 40)
{
    return std::abs(qRed(c) - r) <= tolerance && std::abs(qGreen(c) - g) <= tolerance
           && std::abs(qBlue(c) - b) <= tolerance;
}

std::string rgb(QRgb c)
{
    return std::to_string(qRed(c)) + "," + std::to_string(qGreen(c)) + "," + std::to_string(qBlue(c));
}

void shape(TvdxShapeView &v, TvdxShapeView::TvdxShapeKind kind, double l, double t, double w, double h, TColor fill)
{
    v.SetBounds(l, t, w, h);
    v.SetShape(kind);
    v.Frame()->SetColor(clNone);
    qobject_cast<TvdxBrushFill *>(v.Fill())->SetBackColor(fill);
}

} // namespace

TEST(PdfExportRender, GraphicsLandWhereTheReportPutsThem)
{
    if (!haveTools())
        GTEST_SKIP() << "poppler-utils not installed";
    vdtest::TempDir tmp;
    const QString file = tmp.file("graphics.pdf");

    TvdxReportPage page;
    page.SetBounds(0, 0, 400, 400);
    page.SetColor(clYellow);
    TvdxPDFExport f(nullptr, true);
    f.SetShowDialog(false);
    f.SetBackground(true);
    f.SetFileName(file);
    ASSERT_TRUE(f.DoStart());
    f.StartPage(&page, 0);

    TvdxShapeView rect, ellipse, gradient, glass, hatch, clipped, clip;
    shape(rect, TvdxShapeView::skRectangle, 20, 20, 80, 40, clRed);
    shape(ellipse, TvdxShapeView::skEllipse, 120, 20, 80, 80, clBlue);
    shape(gradient, TvdxShapeView::skRectangle, 20, 120, 160, 40, clNone);
    gradient.SetFillType(ftGradient);
    qobject_cast<TvdxGradientFill *>(gradient.Fill())->SetStartColor(clBlack);
    qobject_cast<TvdxGradientFill *>(gradient.Fill())->SetEndColor(clWhite);
    shape(glass, TvdxShapeView::skRectangle, 220, 120, 80, 40, clNone);
    glass.SetFillType(ftGlass);
    qobject_cast<TvdxGlassFill *>(glass.Fill())->SetColor(RGBColor(0, 128, 0));
    shape(hatch, TvdxShapeView::skRectangle, 120, 200, 80, 80, clWhite);
    qobject_cast<TvdxBrushFill *>(hatch.Fill())->SetStyle(TvdxCustomFill::bsCross);
    shape(clipped, TvdxShapeView::skRectangle, 0, 280, 200, 100, clRed);
    clip.SetBounds(20, 300, 40, 40);
    TvdxLineView line;
    line.SetBounds(220, 40, 160, 0);
    line.Frame()->SetWidth(2);
    line.SetArrowEnd(true);
    line.SetArrowSolid(true);

    for (TvdxComponent *o : {static_cast<TvdxComponent *>(&rect), static_cast<TvdxComponent *>(&ellipse),
                             static_cast<TvdxComponent *>(&gradient), static_cast<TvdxComponent *>(&glass),
                             static_cast<TvdxComponent *>(&hatch), static_cast<TvdxComponent *>(&line)})
        f.ExportObject(o);
    f.BeginClip(&clip);
    f.ExportObject(&clipped);
    f.EndClip();
    TvdxFrame frame;
    frame.SetTyp(TvdxFrame::ftLeft | TvdxFrame::ftRight | TvdxFrame::ftTop | TvdxFrame::ftBottom);
    frame.SetWidth(4);
    frame.SetColor(clBlue);
    frame.SetDropShadow(true);
    frame.SetShadowWidth(8);
    f.WriteFrame(&frame, TPdfRect{195, 70, 270, 20});
    f.FinishPage(&page, 0);
    f.DoFinish();

    const ToolResult check = runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), file});
    if (check.ran)
        EXPECT_EQ(check.exitCode, 0) << check.output.toStdString();
    const ToolResult info = runTool(QStringLiteral("pdfinfo"), {file});
    ASSERT_TRUE(info.ran);
    EXPECT_TRUE(info.output.contains(QRegularExpression("Pages:\\s+1\\n"))) << info.output.toStdString();
    EXPECT_TRUE(info.output.contains(QRegularExpression("Page size:\\s+300 x 300 pts"))) << info.output.toStdString();

    const QImage img = renderPage(file);
    ASSERT_EQ(img.size(), QSize(300, 300));
    struct Probe {
        const char *what;
        int x, y; // image pixels (points from the top left)
        int r, g, b;
    } probes[] = {
        {"page colour", 5, 295, 255, 255, 0},
        {"rectangle", 45, 30, 255, 0, 0},
        {"ellipse centre", 120, 45, 0, 0, 255},
        {"ellipse corner left out", 92, 17, 255, 255, 0},
        {"gradient start", 18, 105, 0, 0, 0},
        {"gradient end", 132, 105, 255, 255, 255},
        {"glass lower half", 195, 116, 0, 128, 0},
        {"line", 225, 30, 0, 0, 0},
        {"arrow head", 275, 32, 0, 0, 0},
        {"beside the line", 200, 34, 255, 255, 0},
        {"inside the clip", 30, 240, 255, 0, 0},
        {"clipped away", 112, 240, 255, 255, 0},
        {"frame left side", 195, 255, 0, 0, 255},
        {"inside the frame", 232, 255, 255, 255, 0},
        {"shadow", 273, 262, 0, 0, 0},
    };
    for (const Probe &p : probes)
        EXPECT_TRUE(near(img.pixel(p.x, p.y), p.r, p.g, p.b)) << p.what << ": " << rgb(img.pixel(p.x, p.y));
    // The glass's upper half is the lighter blend.
    EXPECT_GT(qGreen(img.pixel(195, 94)), 170) << rgb(img.pixel(195, 94));
    // The cross hatch: dark lines on white within the shape.
    int dark = 0, white = 0;
    for (int y = 152; y < 208; ++y)
        for (int x = 92; x < 148; ++x) {
            const QRgb c = img.pixel(x, y);
            dark += qGray(c) < 100;
            white += qGray(c) > 230;
        }
    EXPECT_GT(dark, 200);
    EXPECT_GT(white, 1500);
}

TEST(PdfExportRender, EmptyAndZeroSizedPagesStillMakeAWholeFile)
{
    vdtest::TempDir tmp;
    const QString file = tmp.file("pages.pdf");
    TvdxReportPage a4, empty;
    a4.SetBounds(0, 0, 794, 1123);
    empty.SetBounds(0, 0, 0, 0);
    TvdxPDFExport f(nullptr, true);
    f.SetShowDialog(false);
    f.SetFileName(file);
    ASSERT_TRUE(f.DoStart());
    f.StartPage(&a4, 0);
    f.FinishPage(&a4, 0);
    f.StartPage(&empty, 1);
    TvdxShapeView nothing;
    nothing.SetBounds(0, 0, 0, 0);
    f.ExportObject(&nothing);
    f.FinishPage(&empty, 1);
    f.DoFinish();
    const QByteArray pdf = vdtest::readFile(file);
    EXPECT_TRUE(pdf.startsWith("%PDF-1.7\r\n"));
    EXPECT_TRUE(pdf.endsWith("%%EOF\r\n"));
    EXPECT_TRUE(pdf.contains("/Count 2\r\n"));
    const ToolResult info = runTool(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("1"),
                                                                QStringLiteral("-l"), QStringLiteral("1"), file});
    if (info.ran)
        EXPECT_TRUE(info.output.contains(QRegularExpression("Page\\s+1 size:\\s+595.5 x 842.25 pts")))
            << info.output.toStdString();
}
