// The PDF export filter: its property rules, page geometry, which writer each
// view goes to, and the exact page content of frames, fills, lines, shapes,
// the page background and clipping.
#include "PdfExportTestUtil.h"
#include "common/TestSupport.h"
#include "report/vdxClass_frame.h"
#include "report/vdxClass_line.h"
#include "report/vdxClass_memo.h"
#include "report/vdxClass_page.h"
#include "report/vdxClass_picture.h"
#include "report/vdxClass_shape.h"

#include <gtest/gtest.h>

using W = TvdxPDFViewWriter;

namespace {

// Lines of content joined by "|" for readable comparisons.
QByteArray lines(QByteArray content)
{
    content.replace("\r\n", "|");
    return content;
}

// Remembers which seam each view reached, and the view's marks at the time.
class RecordingPDFExport : public TvdxPDFExport {
public:
    RecordingPDFExport() : TvdxPDFExport(nullptr, true) {}
    struct Call {
        W writer;
        TvdxView *view;
        TvdxComponent::TvdxComponentState state;
    };
    std::vector<Call> calls;
    int links = 0;
    int fontCalls = 0;

protected:
    void WriteViewBy(W writer, TvdxView *view) override { calls.push_back({writer, view, view->vdComponentState()}); }
    void AddLinks(TvdxView *) override { ++links; }
    void WriteFontObjects() override { ++fontCalls; }
};

// One open page of 400 x 400 pixels (300 points), no margins, uncompressed.
class PdfPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        f.SetCompressed(false);
        page.SetBounds(0, 0, 400, 400);
        out.open(QIODevice::WriteOnly);
        f.SetStream(&out);
        ASSERT_TRUE(f.DoStart());
        f.StartPage(&page, 0);
        start = f.PageContent().size();
    }
    void TearDown() override
    {
        f.FinishPage(&page, 0);
        f.DoFinish();
        f.SetStream(nullptr);
    }
    // What was written since the page started (or since the last call).
    QByteArray take()
    {
        const QByteArray all = f.PageContent();
        const QByteArray r = all.mid(start);
        start = all.size();
        return lines(r);
    }
    static void noFrame(TvdxView &v) { v.Frame()->SetColor(clNone); }

    TvdxReportPage page;
    RecordingPDFExport f;
    QBuffer out;
    qsizetype start = 0;
};

} // namespace

// ---- properties -----------------------------------------------------------------------------

TEST(PdfExportFilter, DefaultsAfterConstruction)
{
    TvdxPDFExport f(nullptr, true);
    EXPECT_TRUE(f.Compressed());
    EXPECT_FALSE(f.EmbeddedFonts());
    EXPECT_FALSE(f.InteractiveForms());
    EXPECT_FALSE(f.Background());
    EXPECT_TRUE(f.Transparency());
    EXPECT_EQ(f.Quality(), 95);
    EXPECT_EQ(f.Author(), "Vendari");
    EXPECT_EQ(f.Creator(), "Vendari");
    EXPECT_EQ(f.Subject(), "Vendari PDF export");
    EXPECT_EQ(f.PDFStandard(), TPDFStandard::psNone);
    EXPECT_EQ(f.DefaultExt(), ".pdf");
    EXPECT_FALSE(f.GetDescription().isEmpty());
}

TEST(PdfExportFilter, StandardVersionAndFeatureRules)
{
    {
        TvdxPDFExport f(nullptr, true);
        f.SetPDFVersion(TPDFVersion::pv15);
        f.SetInteractiveForms(true); // set before: stays
        f.SetPdfA(true);
        EXPECT_EQ(f.PDFStandard(), TPDFStandard::psPDFA_2a);
        EXPECT_EQ(f.PDFVersion(), TPDFVersion::pv17);
        EXPECT_TRUE(f.EmbeddedFonts());
        EXPECT_TRUE(f.InteractiveForms());
        f.SetEmbeddedFonts(false);
        EXPECT_TRUE(f.EmbeddedFonts());
        f.SetInteractiveForms(true); // set after: refused
        EXPECT_FALSE(f.InteractiveForms());
        f.SetPdfA(false);
        EXPECT_EQ(f.PDFStandard(), TPDFStandard::psNone);
        EXPECT_FALSE(f.PdfA());
    }
    {
        TvdxPDFExport f(nullptr, true);
        f.SetPDFStandard(TPDFStandard::psPDFA_1b);
        EXPECT_EQ(f.PDFVersion(), TPDFVersion::pv14);
        EXPECT_FALSE(f.Transparency());
        EXPECT_TRUE(f.PdfA());
        f.SetPDFVersion(TPDFVersion::pv16);
        EXPECT_EQ(f.PDFVersion(), TPDFVersion::pv14);
        f.SetTransparency(true);
        EXPECT_FALSE(f.Transparency());
    }
    {
        TvdxPDFExport f(nullptr, true);
        f.SetPDFVersion(TPDFVersion::pv14);
        f.SetInteractiveForms(true);
        EXPECT_FALSE(f.InteractiveForms());
        f.SetPDFVersion(TPDFVersion::pv16);
        f.SetInteractiveForms(true);
        EXPECT_TRUE(f.InteractiveForms());
    }
}

// ---- geometry -------------------------------------------------------------------------------

TEST(PdfExportGeometry, MarginsAddOnTopOfThePositionAndThePageRectangleUsesPointsPerMillimetre)
{
    struct Case {
        double margin, viewLeft, pdfX, pageLeft;
    } cases[] = {
        {10, 37.795, 28.85, 28.85},
        {20, 75.59, 57.69, 57.19},
    };
    for (const Case &c : cases) {
        TvdxReportPage page;
        page.SetBounds(0, 0, 794, 1123);
        page.setProperty("LeftMargin", c.margin);
        RecordingPDFExport f;
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        f.SetStream(&out);
        ASSERT_TRUE(f.DoStart());
        f.StartPage(&page, 0);
        EXPECT_NEAR(f.PdfX(c.viewLeft), c.pdfX, 0.005) << c.margin;
        EXPECT_NEAR(f.PageRect().Left, c.pageLeft, 0.005) << c.margin;
        EXPECT_DOUBLE_EQ(f.PageHeight(), 1123 * 0.75);
        EXPECT_DOUBLE_EQ(f.PdfY(0), 1123 * 0.75);
        f.FinishPage(&page, 0);
        f.DoFinish();
    }
}

TEST(PdfExportGeometry, MirroredMarginsSwapOnOddPages)
{
    TvdxReportPage page;
    page.SetBounds(0, 0, 800, 1000);
    page.setProperty("LeftMargin", 10.0);
    page.setProperty("RightMargin", 30.0);
    page.setProperty("TopMargin", 5.0);
    page.setProperty("BottomMargin", 7.0);
    page.setProperty("MirrorMargins", true);
    RecordingPDFExport f;
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    f.SetStream(&out);
    ASSERT_TRUE(f.DoStart());
    const double k = 2.8346456692913384;
    for (int index = 0; index < 2; ++index) {
        f.StartPage(&page, index);
        const double l = index ? 30 : 10, r = index ? 10 : 30;
        EXPECT_DOUBLE_EQ(f.PageRect().Left, l * k + 0.5) << index;
        EXPECT_DOUBLE_EQ(f.PageRect().Right, 600 - r * k + 0.5) << index;
        EXPECT_DOUBLE_EQ(f.PageRect().Top, 750 - 5 * k) << index;
        EXPECT_DOUBLE_EQ(f.PageRect().Bottom, 7 * k) << index;
        // The margin shift itself does not swap.
        EXPECT_DOUBLE_EQ(f.PdfX(0), 0.5) << index;
        f.FinishPage(&page, index);
    }
    f.DoFinish();
}

TEST_F(PdfPage, ViewRectanglesLeaveTheShadowOutAndFramesMoveBySide)
{
    TvdxShapeView v;
    v.SetBounds(20, 20, 80, 40);
    TPdfRect r = f.ViewToPdfRect(&v);
    EXPECT_DOUBLE_EQ(r.Left, 15);
    EXPECT_DOUBLE_EQ(r.Top, 285);
    EXPECT_DOUBLE_EQ(r.Right, 75);
    EXPECT_DOUBLE_EQ(r.Bottom, 255);

    v.Frame()->SetDropShadow(true);
    v.Frame()->SetShadowWidth(4);
    r = f.ViewToPdfRect(&v);
    EXPECT_DOUBLE_EQ(r.Right, 72);
    EXPECT_DOUBLE_EQ(r.Bottom, 258);

    v.Frame()->SetWidth(2);
    v.Frame()->SetTyp(TvdxFrame::ftLeft | TvdxFrame::ftBottom);
    v.Frame()->BottomLine()->SetStyle(TvdxFrameLine::fsDouble);
    r = f.ViewFrameRect(&v, false);
    EXPECT_DOUBLE_EQ(r.Left, 0.75 * 19);          // out by half the line
    EXPECT_DOUBLE_EQ(r.Top, 285);                 // no top side
    EXPECT_DOUBLE_EQ(r.Right, 72);                // no right side, shadow off
    EXPECT_DOUBLE_EQ(r.Bottom, 300 - 0.75 * (60 + 3.3 - 4)); // double: 1.5 w + 0.3
    r = f.ViewFrameRect(&v, true);
    EXPECT_DOUBLE_EQ(r.Left, 0.75 * 22);
    EXPECT_DOUBLE_EQ(r.Bottom, 300 - 0.75 * (60 - 4.3 - 4));
}

// ---- which writer ---------------------------------------------------------------------------

TEST_F(PdfPage, EachViewGoesToItsWriter)
{
    TvdxMemoView plain, rotated, spaced, tagged, untaggedHtml, rasterMemo, fieldMemo;
    for (TvdxMemoView *m : {&plain, &rotated, &spaced, &tagged, &untaggedHtml, &rasterMemo, &fieldMemo}) {
        m->SetBounds(10, 10, 100, 20);
        m->SetText(QStringLiteral("<b>x</b>"));
    }
    rotated.SetRotation(90);
    spaced.SetCharSpacing(2);
    tagged.SetAllowHTMLTags(true);
    untaggedHtml.SetAllowHTMLTags(true);
    untaggedHtml.SetText(QStringLiteral("plain"));
    rasterMemo.SetRotation(270);
    rasterMemo.SetAllowVectorExport(false);
    TvdxLineView line;
    line.SetBounds(0, 0, 10, 0);
    TvdxShapeView shape;
    shape.SetBounds(0, 0, 10, 10);
    TvdxPictureView picture, emptyPicture, button;
    picture.SetBounds(0, 0, 10, 10);
    picture.SetAllowVectorExport(false);
    emptyPicture.SetAllowVectorExport(false);
    emptyPicture.SetBounds(0, 0, 0, 10);
    button.SetBounds(0, 0, 10, 10);
    button.SetAllowVectorExport(false);
    button.SetEditable(TvdxComponent::ferAllowInExport);
    TvdxPictureView background;
    background.SetName(QStringLiteral("_pagebackground"));
    background.SetBounds(0, 0, 10, 10);
    background.SetAllowVectorExport(false);

    struct Case {
        const char *name;
        TvdxView *view;
        W writer;
    } cases[] = {
        {"plain memo", &plain, W::vwText},
        {"rotated memo", &rotated, W::vwMetafile},
        {"spaced memo", &spaced, W::vwMetafile},
        {"tagged memo", &tagged, W::vwMetafile},
        {"html memo without a tag", &untaggedHtml, W::vwText},
        {"rotated memo, no vector export", &rasterMemo, W::vwPicture},
        {"line", &line, W::vwLine},
        {"shape", &shape, W::vwShape},
        {"picture", &picture, W::vwPicture},
        {"empty picture", &emptyPicture, W::vwNone},
        {"image button needs interactive forms? no: any editable picture", &button, W::vwImageButton},
        {"page background without Background", &background, W::vwNone},
    };
    for (const Case &c : cases)
        EXPECT_EQ(int(f.ViewWriterFor(c.view)), int(c.writer)) << c.name;

    // An editable memo drawn through its metafile is a text field only with
    // interactive forms.
    fieldMemo.SetRotation(90);
    fieldMemo.SetEditable(TvdxComponent::ferAllowInExport);
    EXPECT_EQ(int(f.ViewWriterFor(&fieldMemo)), int(W::vwMetafile));
    f.SetPDFVersion(TPDFVersion::pv17);
    f.SetInteractiveForms(true);
    EXPECT_EQ(int(f.ViewWriterFor(&fieldMemo)), int(W::vwTextField));
}

TEST(PdfExportFilter, PageBackgroundPictureOnlyWithBackgroundAndAVisiblePicture)
{
    TvdxPictureView background;
    background.SetName(QStringLiteral("_pagebackground"));
    background.SetBounds(0, 0, 10, 10);
    background.SetAllowVectorExport(false);
    for (const bool on : {false, true})
        for (const bool visible : {false, true}) {
            TvdxReportPage page;
            page.SetBounds(0, 0, 100, 100);
            page.setProperty("BackPictureVisible", visible);
            RecordingPDFExport f;
            f.SetBackground(on);
            QBuffer out;
            out.open(QIODevice::WriteOnly);
            f.SetStream(&out);
            ASSERT_TRUE(f.DoStart());
            f.StartPage(&page, 0);
            EXPECT_EQ(int(f.ViewWriterFor(&background)), int(on && visible ? W::vwPicture : W::vwNone))
                << on << visible;
            f.FinishPage(&page, 0);
            f.DoFinish();
        }
}

TEST_F(PdfPage, ExportMarksTheViewOnlyWhileItIsExportedAndHonoursVisibility)
{
    TvdxMemoView m, hidden, notPrintable;
    for (TvdxMemoView *v : {&m, &hidden, &notPrintable})
        v->SetBounds(0, 0, 50, 20);
    hidden.SetVisibility(TvdxView::vsPreview | TvdxView::vsPrint);
    notPrintable.SetVisibility(TvdxView::vsPreview);
    m.SetURL(QStringLiteral("https://example.invalid/"));

    f.ExportObject(&m);
    f.ExportObject(&hidden);
    f.ExportObject(&notPrintable);
    ASSERT_EQ(f.calls.size(), 1u);
    EXPECT_EQ(f.calls[0].view, &m);
    EXPECT_TRUE(f.calls[0].state.testFlag(TvdxComponent::csVdxExporting));
    EXPECT_FALSE(f.calls[0].state.testFlag(TvdxComponent::csVdxInteractiveForms));
    EXPECT_FALSE(m.vdComponentState().testFlag(TvdxComponent::csVdxExporting));
    EXPECT_EQ(f.links, 1);

    // Not printable goes out with ExportNotPrintable; hidden from export still does not.
    f.SetExportNotPrintable(true);
    f.ExportObject(&notPrintable);
    f.ExportObject(&hidden);
    ASSERT_EQ(f.calls.size(), 2u);
    EXPECT_EQ(f.calls[1].view, &notPrintable);
}

// ---- content: frames ------------------------------------------------------------------------

TEST_F(PdfPage, FrameSidesShadowAndDoubleLines)
{
    const TPdfRect r{10, 100, 60, 50};
    struct Case {
        const char *name;
        std::function<void(TvdxFrame &)> setup;
        const char *content;
    } cases[] = {
        {"nothing", [](TvdxFrame &) {}, ""},
        {"zero width side", [](TvdxFrame &fr) { fr.SetTyp(TvdxFrame::ftTop); fr.SetWidth(0); }, "q|Q|"},
        {"no colour", [](TvdxFrame &fr) { fr.SetTyp(TvdxFrame::ftTop); fr.SetColor(clNone); }, "q|Q|"},
        {"top", [](TvdxFrame &fr) {
             fr.SetTyp(TvdxFrame::ftTop);
             fr.SetWidth(2);
             fr.SetColor(RGBColor(10, 128, 255));
         },
         "q|[] 0 d|1.50 w|2 J|0.03 0.50 1 RG|10.00 100.00 m|60.00 100.00 l|S|Q|"},
        {"shadow", [](TvdxFrame &fr) {
             fr.SetDropShadow(true);
             fr.SetShadowWidth(4);
         },
         "q|0.75 w|0 0 0 rg|0 0 0 RG|60.75 97.00 2.25 -50.00 re|B|13.00 47.00 50.00 2.25 re|B|Q|"},
        {"double left", [](TvdxFrame &fr) {
             fr.SetTyp(TvdxFrame::ftLeft);
             fr.SetWidth(2);
             fr.SetStyle(TvdxFrameLine::fsDouble);
         },
         "q|[] 0 d|1.50 w|2 J|0 0 0 RG|11.00 51.00 m|11.00 99.00 l|S|"
         "[] 0 d|1.50 w|2 J|0 0 0 RG|8.00 48.00 m|8.00 102.00 l|S|Q|"},
        {"alt dot right", [](TvdxFrame &fr) {
             fr.SetTyp(TvdxFrame::ftRight);
             fr.SetWidth(2);
             fr.SetStyle(TvdxFrameLine::fsAltDot);
         },
         "q|1 J|[0 3] 0 d|1.50 w|2 J|0 0 0 RG|60.00 50.00 m|60.00 100.00 l|S|Q|"},
    };
    for (const Case &c : cases) {
        TvdxFrame frame;
        c.setup(frame);
        f.WriteFrame(&frame, r);
        EXPECT_EQ(take(), QByteArray(c.content)) << c.name;
    }

    // Sides go bottom, left, top, right.
    TvdxFrame all;
    all.SetTyp(TvdxFrame::ftLeft | TvdxFrame::ftRight | TvdxFrame::ftTop | TvdxFrame::ftBottom);
    f.WriteFrame(&all, r);
    const QByteArray text = take();
    const qsizetype b = text.indexOf("10.00 50.00 m|60.00 50.00 l"), l = text.indexOf("10.00 50.00 m|10.00 100.00 l"),
                    t = text.indexOf("10.00 100.00 m|60.00 100.00 l"), rt = text.indexOf("60.00 50.00 m|60.00 100.00 l");
    EXPECT_TRUE(b >= 0 && b < l && l < t && t < rt) << text.toStdString();
}

// ---- content: fills -------------------------------------------------------------------------

TEST_F(PdfPage, BrushHatchGradientAndGlassFills)
{
    TvdxShapeView v;
    v.SetBounds(20, 20, 80, 40);

    f.WriteFill(&v); // no colour, solid: nothing
    EXPECT_EQ(take(), QByteArray());

    auto *brush = qobject_cast<TvdxBrushFill *>(v.Fill());
    brush->SetBackColor(clRed);
    f.WriteFill(&v);
    EXPECT_EQ(take(), QByteArray("q|1 0 0 rg|15 255 60 30 re|f|Q|"));

    brush->SetBackColor(clNone);
    brush->SetStyle(TvdxCustomFill::bsHorizontal);
    brush->SetForeColor(clBlue);
    f.WriteFill(&v);
    // Five rows of 8 pixels in 40: six lines, the first on the top edge.
    EXPECT_EQ(take(), QByteArray("q|[] 0 d|0 0 1 RG|0.563 w|0 J|15 255 60 30 re|W|n|"
                                 "15 285 m|75 285 l|15 279 m|75 279 l|15 273 m|75 273 l|"
                                 "15 267 m|75 267 l|15 261 m|75 261 l|15 255 m|75 255 l|S|Q|"));

    struct HatchCase {
        TvdxCustomFill::TBrushStyle style;
        int lines;
    } hatches[] = {
        {TvdxCustomFill::bsVertical, 11},  {TvdxCustomFill::bsCross, 17},     {TvdxCustomFill::bsFDiagonal, 16},
        {TvdxCustomFill::bsBDiagonal, 16}, {TvdxCustomFill::bsDiagCross, 32},
    };
    for (const HatchCase &h : hatches) {
        brush->SetStyle(h.style);
        f.WriteFill(&v);
        EXPECT_EQ(take().count(" m|"), h.lines) << int(h.style);
    }

    v.SetFillType(ftGradient);
    auto *gradient = qobject_cast<TvdxGradientFill *>(v.Fill());
    gradient->SetStartColor(clBlack);
    gradient->SetEndColor(clWhite);
    f.WriteFill(&v);
    QByteArray g = take();
    EXPECT_EQ(g.count(" RG|"), 256);
    EXPECT_TRUE(g.startsWith("q|15 255 60 30 re|W|n|[] 0 d|0 J|0.424 w|0 0 0 RG|15 285 m|15 255 l|S|0.004 0.004 0.004 RG|"))
        << g.left(200).toStdString();
    EXPECT_TRUE(g.endsWith("1 1 1 RG|75 285 m|75 255 l|S|Q|")) << g.right(100).toStdString();

    // Equal colours: one step, two stripes per run; elliptic wider than high
    // runs from top and bottom to the middle.
    gradient->SetStartColor(clRed);
    gradient->SetEndColor(clRed);
    gradient->SetGradientStyle(TvdxGradientFill::gsElliptic);
    f.WriteFill(&v);
    g = take();
    EXPECT_EQ(g.count(" RG|"), 4);
    EXPECT_TRUE(g.contains("|27 w|1 0 0 RG|15 285 m|75 285 l|S|1 0 0 RG|15 270 m|75 270 l|S|"
                           "27 w|1 0 0 RG|15 255 m|75 255 l|S|1 0 0 RG|15 270 m|75 270 l|S|Q|"))
        << g.toStdString();
    // Both colours none: nothing.
    gradient->SetStartColor(clNone);
    gradient->SetEndColor(clNone);
    f.WriteFill(&v);
    EXPECT_EQ(take(), QByteArray());

    v.SetFillType(ftGlass);
    auto *glass = qobject_cast<TvdxGlassFill *>(v.Fill());
    glass->SetColor(RGBColor(0, 128, 0));
    glass->SetOrientation(TvdxGlassFill::foHorizontal);
    f.WriteFill(&v);
    const QByteArray hatch = ColorToPdfRGB(glass->HatchColor()).toLatin1();
    EXPECT_EQ(take(), "q|0 0.502 0 rg|15 255 60 30 re|f|15 255 60 30 re|W|n|" + hatch + " rg|15 270 60 15 re|f|Q|");
    glass->SetOrientation(TvdxGlassFill::foVerticalMirror);
    glass->SetHatch(true);
    f.WriteFill(&v);
    g = take();
    EXPECT_TRUE(g.contains(hatch + " rg|45 255 30 30 re|f|[] 0 d|" + hatch + " RG|")) << g.toStdString();
    glass->SetColor(clNone);
    f.WriteFill(&v);
    EXPECT_EQ(take(), QByteArray());
}

// ---- content: shapes ------------------------------------------------------------------------

TEST_F(PdfPage, ShapesOfEachKind)
{
    using K = TvdxShapeView::TvdxShapeKind;
    struct Case {
        K kind;
        const char *content;
    } cases[] = {
        {K::skRectangle, "[] 0 d|0 0 0 RG|0.75 w|15 255 60 30 re|S|"},
        {K::skTriangle, "[] 0 d|0 0 0 RG|0.75 w|45 285 m|75 255 l|15 255 l|45 285 l|S|"},
        {K::skDiamond, "[] 0 d|0 0 0 RG|0.75 w|45 285 m|75 270 l|45 255 l|15 270 l|45 285 l|S|"},
        {K::skEllipse, "[] 0 d|0 0 0 RG|0.75 w|75 270 m|75 261.716 61.569 255 45 255 c|"},
        // Curve 0: a radius of 7.48 pixels.
        {K::skRoundRectangle, "[] 0 d|0 0 0 RG|0.75 w|20.61 255 m|69.39 255 l|72.195 255 75 257.805 75 260.61 c|"},
        {K::skDiagonal1, "[] 0 d|0 0 0 RG|0.75 w|15.00 255.00 m|75.00 285.00 l|S|"},
        {K::skDiagonal2, "[] 0 d|0 0 0 RG|0.75 w|15.00 285.00 m|75.00 255.00 l|S|"},
    };
    for (const Case &c : cases) {
        TvdxShapeView v;
        v.SetBounds(20, 20, 80, 40);
        v.SetShape(c.kind);
        f.ExportObject(&v);
        const QByteArray text = take();
        EXPECT_TRUE(text.startsWith(c.content)) << int(c.kind) << ": " << text.toStdString();
    }
    // A filled shape with no frame colour is only filled; dashed frames keep their pattern.
    TvdxShapeView v;
    v.SetBounds(20, 20, 80, 40);
    v.SetShape(K::skTriangle);
    qobject_cast<TvdxBrushFill *>(v.Fill())->SetBackColor(clLime);
    noFrame(v);
    f.ExportObject(&v);
    EXPECT_EQ(take(), QByteArray("q|0 1 0 rg|45 285 m|75 255 l|15 255 l|45 285 l|f|Q|"));
    v.Frame()->SetColor(clBlack);
    v.Frame()->SetStyle(TvdxFrameLine::fsDash);
    f.ExportObject(&v);
    EXPECT_TRUE(take().contains("|Q|[13.5 4.5] 0 d|0 0 0 RG|0.75 w|45 285 m|"));
}

// ---- content: lines -------------------------------------------------------------------------

TEST_F(PdfPage, LinesDoubleLinesAndArrowHeads)
{
    TvdxLineView h;
    h.SetBounds(40, 40, 100, 0);
    h.Frame()->SetWidth(2);
    h.SetArrowEnd(true);
    h.SetArrowSolid(true);
    f.ExportObject(&h);
    EXPECT_EQ(take(), QByteArray("[] 0 d|0 0 0 RG|1.50 w|30.00 270.00 m|105.00 270.00 l|S|"
                                 "[] 0 d|1 j|0 0 0 rg|90.00 273.75 m|105.00 270.00 l|90.00 266.25 l|b|"));

    // An open head at the start points away from the end.
    h.SetArrowEnd(false);
    h.SetArrowStart(true);
    h.SetArrowSolid(false);
    f.ExportObject(&h);
    EXPECT_TRUE(take().endsWith("|[] 0 d|45.00 266.25 m|30.00 270.00 l|45.00 273.75 l|S|"));

    // A vertical double line: two strokes two points apart.
    TvdxLineView v;
    v.SetBounds(40, 40, 0, 100);
    v.Frame()->SetStyle(TvdxFrameLine::fsDouble);
    f.ExportObject(&v);
    EXPECT_EQ(take(), QByteArray("[] 0 d|0 0 0 RG|0.75 w|31.00 270.00 m|31.00 195.00 l|S|"
                                 "0 0 0 RG|0.75 w|29.00 270.00 m|29.00 195.00 l|S|"));
    // A double line with both extents draws no stroke.
    TvdxLineView d;
    d.SetBounds(40, 40, 100, 100);
    d.SetDiagonal(true);
    d.Frame()->SetStyle(TvdxFrameLine::fsDouble);
    f.ExportObject(&d);
    EXPECT_EQ(take(), QByteArray("[] 0 d|"));

    // A dashed vertical line takes the left line's style; a diagonal one is solid.
    TvdxLineView dashed;
    dashed.SetBounds(40, 40, 0, 100);
    dashed.Frame()->SetStyle(TvdxFrameLine::fsDot);
    f.ExportObject(&dashed);
    EXPECT_TRUE(take().startsWith("[2.25 2.25] 0 d|"));
    dashed.SetDiagonal(true);
    dashed.SetBounds(40, 40, 30, 40);
    dashed.SetArrowEnd(true);
    f.ExportObject(&dashed);
    const QByteArray text = take();
    EXPECT_TRUE(text.startsWith("[] 0 d|0 0 0 RG|0.75 w|30.00 270.00 m|52.50 240.00 l|S|[2.25 2.25] 0 d|")) << text.toStdString();
    // A diagonal arrow: base 15 points back along the line, tip at the end.
    EXPECT_TRUE(text.endsWith("|[2.25 2.25] 0 d|46.50 254.25 m|52.50 240.00 l|40.50 249.75 l|S|")) << text.toStdString();

    // A line of no length gets no head and no failure.
    TvdxLineView point;
    point.SetBounds(40, 40, 0, 0);
    point.SetArrowEnd(true);
    f.ExportObject(&point);
    EXPECT_EQ(take(), QByteArray("[] 0 d|0 0 0 RG|0.75 w|30.00 270.00 m|30.00 270.00 l|S|"));
}

// ---- content: background and clipping --------------------------------------------------------

TEST_F(PdfPage, PageBackgroundAndClipping)
{
    f.WritePageBackground(TPdfRect{0.5, 300, 300.5, 0}, RGBColor(10, 128, 255));
    EXPECT_EQ(take(), QByteArray("0.00 w|0.03 0.50 1 RG|0.03 0.50 1 rg|0.50 0.00 m|300.50 0.00 l|300.50 300.00 l|"
                                 "0.50 300.00 l|B|"));

    TvdxShapeView v;
    v.SetBounds(20, 20, 80, 40);
    f.BeginClip(&v);
    f.EndClip();
    EXPECT_EQ(take(), QByteArray("q|15 255 60 30 re|W|n|Q|"));
    v.Frame()->SetTyp(TvdxFrame::ftLeft | TvdxFrame::ftTop);
    v.Frame()->SetWidth(4);
    f.BeginClip(&v);
    f.EndClip();
    EXPECT_EQ(take(), QByteArray("q|18 255 57 27 re|W|n|Q|")); // inner: in by the line
    f.TextClip(&v);
    EXPECT_EQ(take(), QByteArray("13.5 255 61.5 31.5 re|W|n|")); // outer: out by half
    f.BeginClip(nullptr);
    f.EndClip();
    EXPECT_EQ(take(), QByteArray("q|Q|"));
}

TEST(PdfExportPage, BackgroundColourAndFrameOfThePage)
{
    TvdxReportPage page;
    page.SetBounds(0, 0, 400, 400);
    page.SetColor(clYellow);
    page.Frame()->SetTyp(TvdxFrame::ftTop);
    for (const bool background : {false, true}) {
        RecordingPDFExport f;
        f.SetBackground(background);
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        f.SetStream(&out);
        ASSERT_TRUE(f.DoStart());
        f.StartPage(&page, 0);
        const QByteArray text = lines(f.PageContent());
        const QByteArray fill = "0.00 w|1 1 0 RG|1 1 0 rg|0.50 0.00 m|300.50 0.00 l|300.50 300.00 l|0.50 300.00 l|B|";
        const QByteArray frame = "q|[] 0 d|0.75 w|2 J|0 0 0 RG|0.50 300.00 m|300.50 300.00 l|S|Q|";
        EXPECT_EQ(text, (background ? fill : QByteArray()) + frame) << background;
        f.FinishPage(&page, 0);
        f.DoFinish();
        EXPECT_EQ(f.fontCalls, 1);
    }
}

// ---- bad input ------------------------------------------------------------------------------

TEST(PdfExportFilter, NoDestinationWritesNothing)
{
    TvdxPDFExport f(nullptr, true);
    f.SetShowDialog(false);
    EXPECT_FALSE(f.DoStart());
    f.DoFinish();
}

TEST(PdfExportFilter, StartThatCannotOpenItsFileFails)
{
    vdtest::TempDir tmp;
    ASSERT_TRUE(vdtest::writeFile(tmp.file("plain"), "x"));
    TvdxReport report;
    TvdxPDFExport f(nullptr, true);
    f.SetShowDialog(false);
    f.SetReport(&report);
    f.SetFileName(tmp.file("plain/sub/out.pdf"));
    EXPECT_FALSE(f.DoStart());
    EXPECT_FALSE(report.Errors().isEmpty());
    f.DoFinish();
    f.ClearResources();
}

TEST(PdfExportFilter, WritersOutsideAPageFailClearly)
{
    TvdxPDFExport f(nullptr, true);
    TvdxShapeView v;
    v.SetBounds(0, 0, 10, 10);
    f.ExportObject(&v); // no page: ignored
    f.BeginClip(&v);
    f.EndClip();
    try {
        f.WriteOp(QStringLiteral("q"));
        FAIL() << "no exception";
    } catch (const EPDFExportError &e) {
        EXPECT_EQ(e.message(), "No PDF page was started");
    }
}

TEST_F(PdfPage, HugeHatchIsAnErrorNotARunaway)
{
    TvdxShapeView v;
    v.SetBounds(0, 0, 1e9, 1e9);
    auto *brush = qobject_cast<TvdxBrushFill *>(v.Fill());
    brush->SetStyle(TvdxCustomFill::bsCross);
    try {
        f.ExportObject(&v);
        FAIL() << "no exception";
    } catch (const EPDFExportError &e) {
        EXPECT_TRUE(e.message().contains("too large")) << e.message().toStdString();
    }
    EXPECT_EQ(take(), QByteArray()); // nothing half-written
    // The other views of the page still go out.
    v.SetBounds(0, 0, 1e9, 1e9);
    brush->SetStyle(TvdxCustomFill::bsSolid);
    brush->SetBackColor(clRed);
    take();
    f.ExportObject(&v);
    EXPECT_TRUE(take().startsWith("q|1 0 0 rg|"));
}
