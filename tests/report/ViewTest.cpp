// Views and shapes: pixel rectangles, fill growth under the frame, URL and
// bracket expansion through the report, differences, mirroring, shapes and
// their vector graphic.
#include "core/vdGraphicUtils.h"
#include "core/vdxVariables.h"
#include "platform/QPainterCanvas.h"
#include "report/vdxClass.h"
#include "tests/common/TestSupport.h"
#include "tests/report/ViewSheet.h"

#include <QBuffer>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace {

using Sheet = vdtest::ViewSheet;
using vdtest::saveBytes;
using vdtest::whiteImage;

TColor px(const QImage &img, int x, int y) { return fromQColor(img.pixelColor(x, y)); }

TEST(ViewBounds, RoundsHalvesToEven)
{
    Sheet s;
    auto *v = s.add<TvdxShapeView>(10.5, 11.5, 20, 20);
    QImage img = whiteImage(60, 60);
    QPainterCanvas canvas(img);
    v->PrepareDrawBounds(canvas, 1, 1, 0, 0);
    EXPECT_EQ(v->FX(), 10);
    EXPECT_EQ(v->FY(), 12);
    EXPECT_EQ(v->FX1(), 30);
    EXPECT_EQ(v->FY1(), 32);
    EXPECT_EQ(v->FDX(), 20);
}

TEST(ViewBounds, DropShadowNarrowsAtItsScale)
{
    Sheet s;
    auto *v = s.add<TvdxShapeView>(10, 10, 40, 40);
    QImage img = whiteImage(200, 200);
    QPainterCanvas canvas(img);
    v->PrepareDrawBounds(canvas, 2, 2, 0, 0);
    const int x1 = v->FX1(), y1 = v->FY1();
    v->Frame()->SetDropShadow(true);
    v->PrepareDrawBounds(canvas, 2, 2, 0, 0);
    EXPECT_EQ(x1 - v->FX1(), 8);
    EXPECT_EQ(y1 - v->FY1(), 8);
    EXPECT_EQ(v->ShadowSize(), 4);
}

TEST(ViewFill, GrowsToTheMiddleOfAWideFrame)
{
    Sheet s;
    auto *v = s.add<TvdxView>(20, 20, 20, 20);
    v->SetColor(clRed);
    v->Frame()->SetTyp(TvdxFrame::TvdxFrameTypes(0xF));
    v->Frame()->SetWidth(3);
    v->Frame()->SetColor(clNone); // the fill alone shows
    QImage img = whiteImage(80, 80);
    {
        QPainterCanvas canvas(img);
        v->Draw(canvas, 1, 1, 0, 0);
    }
    // Fill from (FX - 2, FY - 2) to (FX1 + 3, FY1 + 3), right and bottom excluded.
    EXPECT_EQ(px(img, 18, 18), clRed);
    EXPECT_EQ(px(img, 17, 17), clWhite);
    EXPECT_EQ(px(img, 42, 42), clRed);
    EXPECT_EQ(px(img, 43, 43), clWhite);
}

// The preview's mark: a frame 0x202020 lighter, each channel stopping at
// 255, under a checkered overlay of the colour itself.
TEST(ViewHighlight, FrameColourSaturatesPerChannel)
{
    Sheet s;
    auto *v = s.add<TvdxView>(10, 10, 30, 20);
    QImage img = whiteImage(60, 50);
    {
        QPainterCanvas canvas(img);
        v->Draw(canvas, 1, 1, 0, 0);
        v->Highlighting(canvas, RGBColor(0xF0, 0x10, 0xE8));
    }
    int lighter = 0, wrapped = 0, overlay = 0;
    for (int x = v->FX(); x <= v->FX1(); ++x) {
        const TColor c = px(img, x, v->FY());
        lighter += c == RGBColor(0xFF, 0x30, 0xFF);
        wrapped += c == RGBColor(0x10, 0x31, 0x08);
        overlay += c == RGBColor(0xF0, 0x10, 0xE8);
    }
    EXPECT_GT(lighter, 0);
    EXPECT_GT(overlay, 0);
    EXPECT_EQ(wrapped, 0);
}

TEST(ViewSettings, URLPrefixes)
{
    TvdxView v;
    v.SetURL(QStringLiteral("@12"));
    EXPECT_EQ(v.Hyperlink()->Kind(), TvdxHyperlink::hkPageNumber);
    EXPECT_EQ(v.Hyperlink()->Value(), QStringLiteral("12"));
    v.SetURL(QStringLiteral("#top"));
    EXPECT_EQ(v.Hyperlink()->Kind(), TvdxHyperlink::hkAnchor);
    EXPECT_EQ(v.Hyperlink()->Value(), QStringLiteral("top"));
    v.SetURL(QString());
    EXPECT_EQ(v.Hyperlink()->Value(), QStringLiteral("top"));
    v.SetURL(QStringLiteral("http://x"));
    EXPECT_EQ(v.Hyperlink()->Kind(), TvdxHyperlink::hkURL);
    EXPECT_TRUE(v.URL().isEmpty()) << "the setter never fills the stored field";
}

TEST(ViewSettings, FillTypeColourAndBrushStyle)
{
    TvdxView v;
    EXPECT_EQ(v.Color(), clNone);
    v.SetColor(clRed);
    EXPECT_EQ(v.Color(), clRed);
    v.SetFillType(ftGradient);
    EXPECT_EQ(v.Color(), TColor(0x808080));
    v.SetColor(clBlue);
    EXPECT_EQ(v.Color(), TColor(0x808080)) << "a gradient ignores Color";
    EXPECT_EQ(v.BrushStyle(), TvdxCustomFill::bsClear);
    TvdxGlassFill g;
    g.SetColor(clLime);
    v.SetFill(&g);
    EXPECT_EQ(v.FillType(), ftGlass);
    EXPECT_EQ(v.Color(), clLime);
    v.SetPrintable(false);
    EXPECT_EQ(int(v.Visibility()), 3);
}

TEST(ViewData, TagStrExpandsBracketedExpressions)
{
    Sheet s;
    auto *v = s.add<TvdxView>(0, 0, 10, 10);
    v->SetTagStr(QStringLiteral("Id [1+1] of [2*3]"));
    v->BeforePrint();
    v->GetData();
    EXPECT_EQ(v->TagStr(), QStringLiteral("Id 2 of 6"));
    EXPECT_EQ(s.report.SelfValue(), v);
    v->AfterPrint();
    EXPECT_EQ(v->TagStr(), QStringLiteral("Id [1+1] of [2*3]"));

    v->SetTagStr(QStringLiteral("[Length('a]b')]"));
    v->GetData();
    EXPECT_EQ(v->TagStr(), QStringLiteral("3")) << "a bracket inside quotes belongs to the expression";
}

TEST(ViewData, FailingHintExpressionKeepsTheRestAndTheErrorList)
{
    Sheet s;
    s.report.AddError(QStringLiteral("earlier"));
    auto *v = s.add<TvdxView>(0, 0, 10, 10);
    v->SetShowHint(true);
    v->SetHint(QStringLiteral("[1+1] and [1 +* 2] and [3]"));
    v->GetData();
    EXPECT_EQ(v->Hint(), QStringLiteral("2 and [1 +* 2] and [3]"));
    EXPECT_EQ(s.report.Errors(), QStringList{QStringLiteral("earlier")});

    v->SetTagStr(QStringLiteral("[1 +* 2]"));
    EXPECT_THROW(v->GetData(), EReportScriptError);
}

TEST(ViewData, HyperlinkExpressionPiecesAsScriptLiterals)
{
    Sheet s;
    s.report.SetScriptLanguage(QStringLiteral("VevuvaRirivo"));
    auto *v = s.add<TvdxView>(0, 0, 10, 10);
    v->Hyperlink()->SetKind(TvdxHyperlink::hkDetailReport);
    v->Hyperlink()->SetExpression(QStringLiteral("'Smith';40+2"));
    v->GetData();
    EXPECT_EQ(v->Hyperlink()->Value(), QStringLiteral("'Smith';42"));

    v->Hyperlink()->SetKind(TvdxHyperlink::hkURL);
    v->Hyperlink()->SetExpression(QStringLiteral("'it''s'"));
    v->GetData();
    EXPECT_EQ(v->Hyperlink()->Value(), QStringLiteral("it's")) << "addresses stay plain";

    v->Hyperlink()->SetExpression(QString());
    v->Hyperlink()->SetValue(QStringLiteral("[1+1];[2+2]"));
    v->GetData();
    EXPECT_EQ(v->Hyperlink()->Value(), QStringLiteral("2;4"));
}

// String results become literals of the report's language: single quotes
// doubled, or backslashes and double quotes escaped for the C-like ones.
TEST(ViewData, HyperlinkLiteralsPerScriptLanguage)
{
    const struct {
        const char *language;
        const char *expected;
    } cases[] = {
        {"VevuvaRirivo", R"('a\b"c''d';42)"},
        {"D++Edirud", R"("a\\b\"c'd";42)"},
        {"JScript", R"("a\\b\"c'd";42)"},
        {"DadavOvurid", R"("a\\b\"c'd";42)"},
    };
    for (const auto &c : cases) {
        Sheet s;
        s.report.SetScriptLanguage(QString::fromLatin1(c.language));
        s.report.OnGetValue = [](const QString &name, Variant &value) {
            if (name == QLatin1String("S"))
                value = Variant(QStringLiteral(R"(a\b"c'd)"));
            else if (name == QLatin1String("N"))
                value = Variant(42);
        };
        auto *v = s.add<TvdxView>(0, 0, 10, 10);
        v->Hyperlink()->SetKind(TvdxHyperlink::hkDetailPage);
        v->Hyperlink()->SetExpression(QStringLiteral("S;N"));
        v->GetData();
        EXPECT_EQ(v->Hyperlink()->Value(), QString::fromLatin1(c.expected)) << c.language;
    }
}

TEST(ViewDiff, AttributesInOrder)
{
    TvdxView tmpl, v;
    v.SetAlign(TvdxView::baClient);
    v.Frame()->SetTyp(TvdxFrame::ftTop);
    v.SetCursor(-21);
    v.SetVisibility(TvdxView::vsPreview);
    v.SetTagStr(QStringLiteral("a\"b"));
    v.SetFillType(ftGlass);
    v.Hyperlink()->SetValue(QStringLiteral("x"));
    v.SetEditable(TvdxComponent::ferAllowInExport);
    EXPECT_EQ(v.Diff(&tmpl),
              QStringLiteral(" Align=\"6\" Frame.Typ=\"4\" Cursor=\"-21\" Visibility=\"1\" TagStr=\"a&#34;b\""
                             " FillType=\"2\" Fill.Color=\"8421504\" Fill.Blend=\"0.5\" Fill.Hatch=\"0\""
                             " Fill.Orientation=\"1\" Hyperlink.Value=\"x\" Editable=\"2\""));
    EXPECT_EQ(tmpl.Diff(&tmpl), QString());
}

TEST(ViewDiff, ShapeAddsItsKind)
{
    TvdxShapeView a, b;
    b.SetShape(TvdxShapeView::skDiagonal1);
    EXPECT_EQ(b.Diff(&a), QStringLiteral(" Shape=\"5\""));
    EXPECT_FALSE(b.vdComponentStyle().testFlag(TvdxComponent::csDefaultDiff));
    EXPECT_TRUE(TvdxView().vdComponentStyle().testFlag(TvdxComponent::csDefaultDiff));
}

TEST(ViewMirror, SwapsSidesAndLines)
{
    TvdxView v;
    v.Frame()->SetTyp(TvdxFrame::ftLeft | TvdxFrame::ftTop);
    v.Frame()->LeftLine()->SetWidth(3);
    v.MirrorContent(TvdxComponent::mcmRTLAppearance);
    EXPECT_EQ(int(v.Frame()->Typ()), TvdxFrame::ftRight | TvdxFrame::ftTop);
    EXPECT_EQ(v.Frame()->RightLine()->Width(), 3);
    EXPECT_EQ(v.Frame()->LeftLine()->Width(), 1);
    v.MirrorContent(TvdxComponent::mcmBTTAppearance);
    EXPECT_EQ(int(v.Frame()->Typ()), TvdxFrame::ftRight | TvdxFrame::ftBottom);
}

TEST(Shape, RotationTakesOnlyRightAngles)
{
    TvdxShapeView v;
    v.SetRotation(90);
    v.SetRotation(45);
    EXPECT_EQ(v.Rotation(), 90);
}

// Probe points per outline: inside the shape (fill colour) and outside it.
TEST(Shape, OutlineTable)
{
    const struct {
        TvdxShapeView::TvdxShapeKind kind;
        int rotation;
        QPoint in, out;
    } cases[] = {
        {TvdxShapeView::skRectangle, 0, {12, 12}, {9, 9}},
        {TvdxShapeView::skEllipse, 0, {30, 30}, {12, 12}},
        {TvdxShapeView::skRoundRectangle, 0, {30, 11}, {10, 10}},
        {TvdxShapeView::skTriangle, 0, {30, 45}, {12, 15}},   // apex up
        {TvdxShapeView::skTriangle, 90, {15, 30}, {45, 12}},  // apex right
        {TvdxShapeView::skTriangle, 180, {30, 15}, {12, 45}}, // apex down
        {TvdxShapeView::skTriangle, 270, {45, 30}, {15, 12}}, // apex left
        {TvdxShapeView::skDiamond, 0, {30, 30}, {13, 13}},
    };
    for (const auto &c : cases) {
        Sheet s;
        auto *v = s.add<TvdxShapeView>(10, 10, 40, 40);
        v->SetShape(c.kind);
        v->SetRotation(c.rotation);
        v->SetColor(clRed);
        QImage img = whiteImage(60, 60);
        {
            QPainterCanvas canvas(img);
            v->Draw(canvas, 1, 1, 0, 0);
        }
        EXPECT_EQ(px(img, c.in.x(), c.in.y()), clRed) << int(c.kind) << "/" << c.rotation;
        EXPECT_EQ(px(img, c.out.x(), c.out.y()), clWhite) << int(c.kind) << "/" << c.rotation;
    }
    // The diagonals are strokes from corner to corner.
    Sheet s;
    auto *d = s.add<TvdxShapeView>(10, 10, 40, 40);
    d->SetShape(TvdxShapeView::skDiagonal2);
    QImage img = whiteImage(60, 60);
    {
        QPainterCanvas canvas(img);
        d->Draw(canvas, 1, 1, 0, 0);
    }
    EXPECT_EQ(px(img, 30, 30), clBlack);
    EXPECT_EQ(px(img, 30, 40), clWhite);
}

TEST(Shape, GradientStaysInsideTheEllipse)
{
    Sheet s;
    auto *v = s.add<TvdxShapeView>(10, 10, 40, 40);
    v->SetShape(TvdxShapeView::skEllipse);
    v->SetFillType(ftGradient);
    static_cast<TvdxGradientFill *>(v->Fill())->SetStartColor(clRed);
    static_cast<TvdxGradientFill *>(v->Fill())->SetEndColor(clRed);
    QImage img = whiteImage(60, 60);
    {
        QPainterCanvas canvas(img);
        v->Draw(canvas, 1, 1, 0, 0);
    }
    EXPECT_EQ(px(img, 30, 30), clRed);
    EXPECT_EQ(px(img, 12, 12), clWhite);
}

TEST(Shape, DoubleOutlineLeavesTheModelAsItWas)
{
    Sheet s;
    auto *v = s.add<TvdxShapeView>(10.25, 10, 40, 30);
    v->Frame()->SetStyle(TvdxFrameLine::fsDouble);
    v->SetShape(TvdxShapeView::skTriangle);
    v->SetRotation(90);
    const QByteArray before = saveBytes(s.report);
    QImage img = whiteImage(120, 120);
    {
        QPainterCanvas canvas(img);
        v->Draw(canvas, 2, 2, 0, 0);
    }
    EXPECT_EQ(saveBytes(s.report), before);
    EXPECT_EQ(v->Frame()->Style(), TvdxFrameLine::fsDouble);
}

TEST(Shape, SavesAndLoadsItsSettings)
{
    Sheet s;
    auto *v = s.add<TvdxShapeView>(10, 10, 40, 30);
    v->SetShape(TvdxShapeView::skEllipse);
    v->SetColor(255);
    v->Frame()->SetWidth(2);
    v->Frame()->LeftLine()->SetWidth(3);
    v->SetFillType(ftGlass);
    static_cast<TvdxGlassFill *>(v->Fill())->SetBlend(0.25);
    const QByteArray bytes = saveBytes(s.report);
    EXPECT_TRUE(bytes.contains("FillType=\"ftGlass\" Fill.Blend=\"0.25\"")) << bytes.constData();
    EXPECT_TRUE(bytes.contains("Frame.Typ=\"0\" Frame.Width=\"2\" Frame.LeftLine.Width=\"3\"")) << bytes.constData();
    TvdxReport back;
    QByteArray copy = bytes;
    QBuffer b(&copy);
    b.open(QIODevice::ReadOnly);
    back.LoadFromStream(b);
    // The loaded report gains its data page; the shape's element is the same.
    auto shapeLine = [](const QByteArray &b) {
        const qsizetype i = b.indexOf("<TvdxShapeView");
        return b.mid(i, b.indexOf('\n', i) - i);
    };
    EXPECT_EQ(shapeLine(saveBytes(back)).toStdString(), shapeLine(bytes).toStdString());
}

TEST(ShapeVector, MetafileReadByAnIndependentReader)
{
    Sheet s;
    auto *v = s.add<TvdxShapeView>(10, 10, 40, 30);
    v->SetShape(TvdxShapeView::skEllipse);
    v->SetColor(0x0000FF);
    std::unique_ptr<TvdxMetafile> mf(v->GetVectorGraphic(true));
    ASSERT_TRUE(mf);
    EXPECT_EQ(mf->Width(), 41);
    EXPECT_EQ(mf->Height(), 31);
    EXPECT_FALSE(v->ObjAsMetafile());
    const QString conv = QStandardPaths::findExecutable(QStringLiteral("emf2svg-conv"));
    if (conv.isEmpty())
        GTEST_SKIP() << "emf2svg-conv is not installed";
    vdtest::TempDir dir;
    ASSERT_TRUE(vdtest::writeFile(dir.file(QStringLiteral("v.emf")), mf->Data()));
    QProcess p;
    p.start(conv, {QStringLiteral("-i"), dir.file(QStringLiteral("v.emf")), QStringLiteral("-o"),
                   dir.file(QStringLiteral("v.svg"))});
    ASSERT_TRUE(p.waitForFinished(20000));
    const QByteArray svg = vdtest::readFile(dir.file(QStringLiteral("v.svg")));
    EXPECT_TRUE(svg.toLower().contains("#ff0000")) << svg.left(2000).constData();
}

} // namespace
