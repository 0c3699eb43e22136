// Fills, frames and hyperlinks: pixels on offscreen images, colour rules,
// stored values and the prepared-page difference.
#include "core/vdxVariables.h"
#include "platform/QPainterCanvas.h"
#include "report/vdxClass.h"
#include "tests/report/ViewSheet.h"

#include <QBuffer>
#include <QImage>
#include <gtest/gtest.h>

namespace {

using vdtest::whiteImage;

TColor px(const QImage &img, int x, int y) { return fromQColor(img.pixelColor(x, y)); }

// Rows (or columns) a wide stroke of width w covers around the line at 10.
TEST(WideStroke, OffsetsAcrossTheLine)
{
    const struct {
        int w;
        int from, to;
    } cases[] = {{0, 0, 0}, {1, 0, 0}, {2, -1, 0}, {3, -1, 1}, {4, -2, 1}, {5, -2, 2}};
    for (const auto &c : cases) {
        QImage img = whiteImage(40, 40);
        {
            QPainterCanvas canvas(img);
            canvas.pen().color = clBlack;
            vdxDrawWideStroke(canvas, 5, 10, 30, 10, c.w);
        }
        for (int d = -4; d <= 4; ++d) {
            const bool inside = d >= c.from && d <= c.to;
            EXPECT_EQ(px(img, 15, 10 + d) == clBlack, inside) << "w=" << c.w << " d=" << d;
        }
    }
}

TEST(BrushFill, BackColourAndHatch)
{
    TvdxBrushFill f;
    QImage img = whiteImage(40, 40);
    {
        QPainterCanvas canvas(img);
        f.Draw(canvas, 5, 5, 30, 30, 1, 1); // clNone, bsSolid: nothing
    }
    EXPECT_EQ(px(img, 10, 10), clWhite);

    f.SetBackColor(clRed);
    {
        QPainterCanvas canvas(img);
        f.Draw(canvas, 5, 5, 30, 30, 1, 1);
    }
    EXPECT_EQ(px(img, 5, 5), clRed);
    EXPECT_EQ(px(img, 29, 29), clRed);
    EXPECT_EQ(px(img, 30, 30), clWhite) << "right and bottom excluded";

    TvdxBrushFill hatch;
    hatch.SetStyle(TvdxCustomFill::bsCross);
    hatch.SetForeColor(clBlue);
    QImage h = whiteImage(40, 40);
    {
        QPainterCanvas canvas(h);
        hatch.Draw(canvas, 0, 0, 39, 39, 1, 1);
    }
    int blue = 0, white = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            (px(h, x, y) == clBlue ? blue : white) += px(h, x, y) == clBlue || px(h, x, y) == clWhite;
    EXPECT_GT(blue, 0);
    EXPECT_GT(white, blue) << "only the hatch lines are painted";
}

TEST(GradientFill, HorizontalStripsAndMiddleColour)
{
    TvdxGradientFill g;
    EXPECT_EQ(g.GetColor(), TColor(0x808080));
    QImage img = whiteImage(512, 4);
    {
        QPainterCanvas canvas(img);
        g.Draw(canvas, 0, 0, 512, 4, 1, 1);
    }
    for (int i = 0; i < 256; i += 51) {
        const int v = 255 - MulDiv(i, 255, 255);
        EXPECT_EQ(px(img, 2 * i, 1), RGBColor(v, v, v)) << i;
        EXPECT_EQ(px(img, 2 * i + 1, 1), RGBColor(v, v, v)) << i;
    }
    EXPECT_EQ(px(img, 0, 0), clWhite);
    EXPECT_EQ(px(img, 511, 3), clBlack);
}

TEST(GradientFill, VertCenterOddHeightEndsInTheMiddle)
{
    TvdxGradientFill g;
    g.SetGradientStyle(TvdxGradientFill::gsVertCenter);
    QImage img = whiteImage(10, 11);
    {
        QPainterCanvas canvas(img);
        g.Draw(canvas, 0, 0, 10, 11, 1, 1);
    }
    EXPECT_EQ(px(img, 5, 0), clWhite);
    EXPECT_EQ(px(img, 5, 10), clWhite);
    EXPECT_EQ(px(img, 5, 5), clBlack);
}

TEST(GlassFill, BlendAndHatchColours)
{
    TvdxGlassFill g;
    g.SetColor(0x000000);
    EXPECT_EQ(g.BlendColor(), RGBColor(128, 128, 128));
    EXPECT_EQ(g.HatchColor(), RGBColor(122, 122, 122));
    // A channel below 6 stays at 0 instead of borrowing from its neighbour.
    g.SetBlend(0);
    g.SetColor(RGBColor(3, 200, 0));
    EXPECT_EQ(g.HatchColor(), RGBColor(0, 194, 0));

    TvdxGlassFill h;
    h.SetColor(clBlack);
    h.SetOrientation(TvdxGlassFill::foHorizontal);
    QImage img = whiteImage(20, 20);
    {
        QPainterCanvas canvas(img);
        h.Draw(canvas, 0, 0, 20, 20, 1, 1);
    }
    EXPECT_EQ(px(img, 5, 2), RGBColor(128, 128, 128));
    EXPECT_EQ(px(img, 5, 15), clBlack);
}

TEST(Fills, ByTypeAndStoredValues)
{
    for (int t = 0; t < 3; ++t) {
        std::unique_ptr<TvdxCustomFill> f(vdxCreateFill(t));
        ASSERT_TRUE(f);
        EXPECT_EQ(int(vdxGetFillType(f.get())), t);
    }
    EXPECT_EQ(vdxCreateFill(3), nullptr);
    EXPECT_EQ(vdxGetFillType(nullptr), ftBrush);

    TvdxGlassFill g;
    EXPECT_FALSE(g.IsPropertyStored("Blend"));
    g.SetBlend(0);
    EXPECT_TRUE(g.IsPropertyStored("Blend")) << "Blend 0 is not the value a new fill has";
}

TEST(FillDiff, SameClassOnlyChangesOtherClassEverything)
{
    TvdxBrushFill a, b;
    b.SetBackColor(clRed);
    EXPECT_EQ(b.Diff(&a, QStringLiteral("Fill")), QStringLiteral(" Fill.BackColor=\"255\""));
    TvdxGlassFill g;
    EXPECT_EQ(g.Diff(&a, QStringLiteral("Fill")),
              QStringLiteral(" Fill.Color=\"8421504\" Fill.Blend=\"0.5\" Fill.Hatch=\"0\" Fill.Orientation=\"1\""));
}

// ---- frames ------------------------------------------------------------------

TEST(Frame, LeftSideOnlyEndsFlushWithTheBox)
{
    TvdxFrame f;
    f.SetTyp(TvdxFrame::ftLeft);
    f.SetWidth(4);
    QImage img = whiteImage(40, 60);
    {
        QPainterCanvas canvas(img);
        f.Draw(canvas, 20, 10, 30, 50, 1, 1);
    }
    for (int x = 18; x <= 21; ++x) {
        EXPECT_EQ(px(img, x, 10), clBlack) << x;
        EXPECT_EQ(px(img, x, 49), clBlack) << x;
    }
    EXPECT_EQ(px(img, 17, 30), clWhite);
    EXPECT_EQ(px(img, 22, 30), clWhite);
    EXPECT_EQ(px(img, 20, 9), clWhite);
    EXPECT_EQ(px(img, 20, 51), clWhite);
}

TEST(Frame, DropShadowBands)
{
    TvdxFrame f;
    f.SetDropShadow(true);
    f.SetShadowColor(clBlue);
    QImage img = whiteImage(60, 60);
    {
        QPainterCanvas canvas(img);
        f.Draw(canvas, 10, 10, 40, 40, 1, 1);
    }
    // Right band: columns 40..43 from row 14; bottom band: rows 40..43 from column 14.
    EXPECT_EQ(px(img, 41, 20), clBlue);
    EXPECT_EQ(px(img, 43, 20), clBlue);
    EXPECT_EQ(px(img, 44, 20), clWhite);
    EXPECT_EQ(px(img, 41, 13), clWhite);
    EXPECT_EQ(px(img, 20, 42), clBlue);
    EXPECT_EQ(px(img, 13, 42), clWhite);
}

TEST(Frame, WidthSetsTheLinesAndLinesStoreOnlyTheirDifference)
{
    TvdxFrame f;
    f.SetWidth(2);
    EXPECT_EQ(f.LeftLine()->Width(), 2);
    EXPECT_EQ(f.BottomLine()->Width(), 2);
    EXPECT_FALSE(f.LeftLine()->IsPropertyStored("Width"));
    f.LeftLine()->SetWidth(3);
    EXPECT_TRUE(f.LeftLine()->IsPropertyStored("Width"));
    EXPECT_TRUE(f.IsPropertyStored("Width"));
    f.SetWidth(1);
    EXPECT_FALSE(f.IsPropertyStored("Width"));
}

// Lines are made on first use: whenever that happens, a line shows the
// frame-wide values until it is given its own, and copying brings back the
// source's state line by line.
TEST(Frame, LinesMadeLateOrCopiedHaveTheFrameWideValues)
{
    TvdxFrame early;
    (void)early.LeftLine();
    early.SetWidth(3);
    early.SetColor(clRed);
    early.SetStyle(TvdxFrameLine::fsDot);
    TvdxFrame late;
    late.SetWidth(3);
    late.SetColor(clRed);
    late.SetStyle(TvdxFrameLine::fsDot);
    for (TvdxFrame *f : {&early, &late}) {
        for (TvdxFrameLine *l : {f->LeftLine(), f->TopLine(), f->RightLine(), f->BottomLine()}) {
            EXPECT_EQ(l->Width(), 3);
            EXPECT_EQ(l->Color(), clRed);
            EXPECT_EQ(l->Style(), TvdxFrameLine::fsDot);
        }
    }

    TvdxFrame source;
    source.SetWidth(2);
    source.TopLine()->SetWidth(5);
    TvdxFrame copy;
    copy.LeftLine()->SetWidth(7);
    copy.Assign(&source);
    EXPECT_EQ(copy.TopLine()->Width(), 5);
    EXPECT_EQ(copy.LeftLine()->Width(), 2);
    EXPECT_EQ(copy.Diff(&source), QString());

    // A plain source undoes every line of its own.
    copy.Assign(&late);
    for (TvdxFrameLine *l : {copy.LeftLine(), copy.TopLine(), copy.RightLine(), copy.BottomLine()})
        EXPECT_EQ(l->Width(), 3);
    EXPECT_EQ(copy.Diff(&late), QString());
}

TEST(FrameDiff, LineWidthAfterFrameWidth)
{
    TvdxFrame tmpl, f;
    f.SetWidth(2);
    f.LeftLine()->SetWidth(3);
    EXPECT_EQ(f.Diff(&tmpl), QStringLiteral(" Frame.Width=\"2\" Frame.LeftLine.Width=\"3\""));
    TvdxFrame t;
    t.SetTyp(TvdxFrame::ftLeft | TvdxFrame::ftTop);
    EXPECT_EQ(t.Diff(&tmpl), QStringLiteral(" Frame.Typ=\"5\""));
    TvdxFrame c;
    c.SetColor(clRed);
    c.TopLine()->SetColor(clBlack);
    EXPECT_EQ(c.Diff(&tmpl), QStringLiteral(" Frame.Color=\"255\" Frame.TopLine.Color=\"0\""));
}

// ---- hyperlinks ----------------------------------------------------------------

TEST(Hyperlink, EmptinessByKind)
{
    TvdxHyperlink h;
    EXPECT_TRUE(h.IsEmpty());
    h.SetKind(TvdxHyperlink::hkCustom);
    EXPECT_FALSE(h.IsEmpty());
    h.SetKind(TvdxHyperlink::hkNone);
    h.SetValue(QStringLiteral("x"));
    EXPECT_TRUE(h.IsEmpty());
    h.SetKind(TvdxHyperlink::hkDetailPage);
    EXPECT_TRUE(h.IsEmpty());
    EXPECT_TRUE(h.DetailIsEmpty());
    h.SetDetailPage(QStringLiteral("Page2"));
    EXPECT_FALSE(h.DetailIsEmpty());
}

TEST(Hyperlink, AssignVariablesSpreadsTheLastValue)
{
    TvdxReport r;
    for (const char *n : {"A", "B", "C"})
        r.Variables()->SetVariable(QString::fromLatin1(n), Variant(0));
    TvdxHyperlink h;
    h.SetReportVariable(QStringLiteral("A;B;C"));
    h.SetValue(QStringLiteral("1;2"));
    h.AssignVariables(&r);
    EXPECT_EQ(VarToStr(r.Variables()->GetVariable(QStringLiteral("A"))), QStringLiteral("1"));
    EXPECT_EQ(VarToStr(r.Variables()->GetVariable(QStringLiteral("B"))), QStringLiteral("2"));
    EXPECT_EQ(VarToStr(r.Variables()->GetVariable(QStringLiteral("C"))), QStringLiteral("2"));

    TvdxHyperlink one;
    one.SetReportVariable(QStringLiteral("A"));
    one.SetValue(QStringLiteral("x;y"));
    one.AssignVariables(&r);
    EXPECT_EQ(VarToStr(r.Variables()->GetVariable(QStringLiteral("A"))), QStringLiteral("x;y"));
    one.SetReportVariable(QStringLiteral("Missing"));
    one.AssignVariables(&r);
    EXPECT_EQ(r.Variables()->IndexOf(QStringLiteral("Missing")), -1);
}

TEST(Hyperlink, DiffNeverWritesTheExpression)
{
    TvdxHyperlink a, b;
    b.SetExpression(QStringLiteral("1+1"));
    b.SetKind(TvdxHyperlink::hkAnchor);
    b.SetValue(QStringLiteral("a&b"));
    EXPECT_EQ(b.Diff(&a, QStringLiteral("Hyperlink")),
              QStringLiteral(" Hyperlink.Kind=\"1\" Hyperlink.Value=\"a&#38;b\""));
}

} // namespace
