// Graphics bindings: colour names, and scripts drawing on bitmaps compared
// with the same picture drawn through the C++ canvas.
#include "RtTestSupport.h"
#include "platform/Canvas.h"
#include "script/ov_iclasses.h"
#include "script/ov_igraphicsrtti.h"
#include "tests/common/TestSupport.h"

#include <QColor>
#include <QImage>
#include <gtest/gtest.h>

namespace {
using namespace rttest;

class GraphicsBindingTest : public ::testing::Test {
protected:
    GraphicsBindingTest()
    {
        s.AddRTTI();
    }
    ~GraphicsBindingTest() override
    {
        for (QObject *o : std::as_const(created))
            delete o;
    }
    // Kept over compiling, as host variables are.
    void setFileName(const QString &file)
    {
        s.SetAddedBy(ovAddedByModules);
        s.AddVariable(QStringLiteral("FileName"), QStringLiteral("String"), Variant(file));
        s.SetAddedBy(0);
    }
    void run(const QString &text)
    {
        const Compiled c = compile(s, Pascal, text);
        ASSERT_TRUE(c.ok) << qPrintable(c.msg) << " at " << qPrintable(c.pos);
        s.Execute();
    }
    // Objects the script made and left in variables.
    QObject *keep(const char *name)
    {
        QObject *o = ovValueToObject(s.Variables(QString::fromLatin1(name)));
        if (o)
            created.append(o);
        return o;
    }
    TovScript s;
    QList<QObject *> created;
};

TEST_F(GraphicsBindingTest, ColourNames)
{
    const struct {
        const char *name;
        unsigned value;
    } rows[] = {
        {"clRed", 0x0000FF},       {"clMaroon", 0x000080},     {"clLightcyan", 0xFFFFE0},
        {"clAliceblue", 0xFFF8F0}, {"clWindow", 0xFF000005},   {"clNone", 0x1FFFFFFF},
        {"clBtnFace", 0xFF00000F}, {"clDefault", 0x20000000},  {"clSkyBlue", 0xF0CAA6},
        {"clMenuBar", 0xFF00001E}, {"clYellowgreen", 0x32CD9A}, {"clDarkgrey", 0xA9A9A9},
    };
    for (const auto &r : rows)
        EXPECT_EQ(s.Evaluate(QString::fromLatin1(r.name)).toInt(), int(r.value)) << r.name;

    // Every web colour is a CSS colour of that name; names occur once.
    QSet<QString> seen;
    bool web = false;
    for (const TovColorName &c : ovColorNames()) {
        EXPECT_FALSE(seen.contains(c.Name.toLower())) << qPrintable(c.Name);
        seen.insert(c.Name.toLower());
        if (web) {
            EXPECT_TRUE(QColor::isValidColor(c.Name.mid(2).toLower())) << qPrintable(c.Name);
        }
        web = web || c.Name == QLatin1String("clLegacySkyBlue");
    }
    EXPECT_EQ(ovColorNames().size(), 56 + 127);
    for (const char *absent : {"clMediumaquamarine", "clLightgoldenrodyellow", "clMintcream"})
        EXPECT_FALSE(seen.contains(QString::fromLatin1(absent).toLower()));
}

TEST_F(GraphicsBindingTest, ScriptPictureMatchesCanvasReference)
{
    vdtest::TempDir dir;
    const QString file = dir.path() + QStringLiteral("/script.bmp");
    setFileName(file);
    run(QStringLiteral("var B: TBitmap; W: Integer;\n"
                       "begin\n"
                       "  B := TBitmap.Create;\n"
                       "  B.Width := 160; B.Height := 100;\n"
                       "  B.Canvas.Brush.Color := clWhite; B.Canvas.Pen.Style := psClear;\n"
                       "  B.Canvas.Rectangle(0, 0, 161, 101);\n"
                       "  B.Canvas.Pen.Style := psSolid; B.Canvas.Pen.Color := clRed; B.Canvas.Pen.Width := 3;\n"
                       "  B.Canvas.Brush.Color := clYellow;\n"
                       "  B.Canvas.Rectangle(10, 10, 70, 50);\n"
                       "  B.Canvas.Brush.Style := bsDiagCross; B.Canvas.Brush.Color := clNavy;\n"
                       "  B.Canvas.Pen.Color := clGreen; B.Canvas.Pen.Width := 1;\n"
                       "  B.Canvas.Ellipse(80, 10, 150, 60);\n"
                       "  B.Canvas.RoundRect(10, 60, 50, 90, 10, 10);\n"
                       "  B.Canvas.MoveTo(0, 99); B.Canvas.LineTo(159, 60);\n"
                       "  B.Canvas.Brush.Style := bsClear;\n"
                       "  B.Canvas.Font.Name := 'Arial'; B.Canvas.Font.Size := 12;\n"
                       "  B.Canvas.Font.Color := clBlue; B.Canvas.Font.Style := [fsBold, fsItalic];\n"
                       "  B.Canvas.TextOut(60, 70, 'Vendari');\n"
                       "  W := B.Canvas.TextWidth('Vendari');\n"
                       "  B.Canvas.Pixels[2, 2] := clFuchsia;\n"
                       "  B.SaveToFile(FileName);\n"
                       "end."));
    auto *bitmap = qobject_cast<ovs::TBitmap *>(keep("B"));
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->Canvas()->Font()->Style(), TFont::fsBold | TFont::fsItalic);

    ::TBitmap ref(160, 100);
    Canvas &c = ref.GetCanvas();
    CanvasPen pen;
    CanvasBrush brush;
    brush.color = clWhite;
    pen.style = PenStyle::Null;
    c.setPen(pen);
    c.setBrush(brush);
    c.SetBkMode(BkMode::Opaque);
    c.Rectangle(0, 0, 161, 101);
    pen = CanvasPen{};
    pen.color = clRed;
    pen.width = 3;
    brush.color = clYellow;
    c.setPen(pen);
    c.setBrush(brush);
    c.Rectangle(10, 10, 70, 50);
    brush = {clNavy, BrushStyle::DiagCross};
    c.SetBkMode(BkMode::Transparent);
    pen = CanvasPen{};
    pen.color = clGreen;
    c.setPen(pen);
    c.setBrush(brush);
    c.Ellipse(80, 10, 150, 60);
    c.RoundRect(TRect(10, 60, 50, 90), 10, 10);
    c.MoveTo(0, 99);
    c.LineTo(159, 60);
    CanvasFont font;
    font.name = QStringLiteral("Arial");
    font.height = -16;
    font.weight = FW_BOLD;
    font.italic = true;
    c.setFont(font);
    c.SetTextColor(clBlue);
    c.SetBkMode(BkMode::Transparent);
    c.TextOut(60, 70, QStringLiteral("Vendari"));
    EXPECT_EQ(s.Variables(QStringLiteral("W")).toInt(), c.TextWidth(QStringLiteral("Vendari")));
    ref.ReleaseCanvas();
    ref.SetPixel(2, 2, clFuchsia);

    // Qt's own BMP reader is the judge of the saved file.
    const QImage got = QImage(file).convertToFormat(QImage::Format_RGB32);
    const QImage want = ref.Image().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(got.size(), QSize(160, 100));
    int off = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 160; ++x) {
            const QRgb a = got.pixel(x, y), b = want.pixel(x, y);
            if (qAbs(qRed(a) - qRed(b)) > 8 || qAbs(qGreen(a) - qGreen(b)) > 8 || qAbs(qBlue(a) - qBlue(b)) > 8)
                ++off;
        }
    EXPECT_LE(off, 16);
    // Something was drawn at all: the yellow fill, the red frame, blue text.
    EXPECT_EQ(got.pixel(40, 30), qRgb(255, 255, 0));
    EXPECT_EQ(got.pixel(10, 30), qRgb(255, 0, 0));
    EXPECT_EQ(got.pixel(2, 2), qRgb(255, 0, 255));
    int blue = 0;
    for (int y = 66; y < 92; ++y)
        for (int x = 60; x < 159; ++x)
            blue += got.pixel(x, y) == qRgb(0, 0, 255);
    EXPECT_GT(blue, 30);
}

TEST_F(GraphicsBindingTest, FontStyleTakesItsSetConstants)
{
    const struct {
        const char *value;
        int style;
    } rows[] = {
        {"fsBold", TFont::fsBold},
        {"[fsBold, fsItalic]", TFont::fsBold | TFont::fsItalic},
        {"[fsUnderline..fsStrikeout]", TFont::fsUnderline | TFont::fsStrikeout},
        {"[]", 0},
    };
    for (const auto &r : rows) {
        s.Clear();
        const Compiled c = compile(s, Pascal,
                                   QStringLiteral("var F: TFont;\nbegin F := TFont.Create; F.Style := [fsStrikeout];\n"
                                                  "  F.Style := %1; end.")
                                       .arg(QString::fromLatin1(r.value)));
        ASSERT_TRUE(c.ok) << r.value << ": " << qPrintable(c.msg);
        s.Execute();
        auto *font = qobject_cast<TFont *>(keep("F"));
        ASSERT_TRUE(font) << r.value;
        EXPECT_EQ(int(font->Style()), r.style) << r.value;
    }
    // Another set's constant is not a font style.
    s.Clear();
    EXPECT_FALSE(compile(s, Pascal, QStringLiteral("var F: TFont;\nbegin F.Style := fpFixed; end.")).ok);
}

TEST_F(GraphicsBindingTest, PixelsSystemColoursAndPictures)
{
    vdtest::TempDir dir;
    const QString file = dir.path() + QStringLiteral("/p.bmp");
    setFileName(file);
    run(QStringLiteral("var B: TBitmap; P: TPicture; A, W, H, Sys, FC, BC: Integer;\n"
                       "begin\n"
                       "  B := TBitmap.Create; B.Canvas.Font.Color := clNone; B.Canvas.Brush.Color := clWindow;\n"
                       "  FC := B.Canvas.Font.Color; BC := B.Canvas.Brush.Color; B.Free;\n"
                       "  B := TBitmap.Create; B.Width := 8; B.Height := 6;\n"
                       "  B.Canvas.Pixels[3, 4] := clBlue; A := B.Canvas.Pixels[3, 4];\n"
                       "  B.Canvas.Pixels[0, 0] := clWindow; Sys := B.Canvas.Pixels[0, 0];\n"
                       "  B.SaveToFile(FileName);\n"
                       "end."));
    s.Statement()->Clear();
    run(QStringLiteral(""
                       "begin\n"
                       "  P := TPicture.Create; P.LoadFromFile(FileName); W := P.Width; H := P.Height;\n"
                       "end."));
    keep("B");
    keep("P");
    EXPECT_EQ(s.Variables(QStringLiteral("FC")).toInt(), 0x1FFFFFFF);
    EXPECT_EQ(s.Variables(QStringLiteral("BC")).toInt(), int(0xFF000005u));
    EXPECT_EQ(s.Variables(QStringLiteral("A")).toInt(), 0xFF0000);
    // System colours resolve through the fixed palette (window: white).
    EXPECT_EQ(s.Variables(QStringLiteral("Sys")).toInt(), 0xFFFFFF);
    EXPECT_EQ(s.Variables(QStringLiteral("W")).toInt(), 8);
    EXPECT_EQ(s.Variables(QStringLiteral("H")).toInt(), 6);
}

TEST_F(GraphicsBindingTest, CanvasWithoutDeviceRefusesToDraw)
{
    const Compiled c = compile(s, Pascal,
                               QStringLiteral("var C: TCanvas;\nbegin C := TCanvas.Create; C.Pen.Width := 2; "
                                              "C.LineTo(5, 5); end."));
    ASSERT_TRUE(c.ok) << qPrintable(c.msg);
    try {
        s.Execute();
        FAIL() << "drew without a device";
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Canvas does not allow drawing"));
    }
    QObject *canvas = keep("C");
    ASSERT_TRUE(canvas);
    EXPECT_EQ(qobject_cast<TCanvas *>(canvas)->Pen()->Width(), 2);
}

TEST_F(GraphicsBindingTest, MetafileCanvasRecordsUntilFreed)
{
    run(QStringLiteral("var M: TMetafile; C: TMetafileCanvas;\n"
                       "begin M := TMetafile.Create; M.Width := 50; M.Height := 40;\n"
                       "  C := TMetafileCanvas.Create(M, 0); C.Brush.Color := clRed; C.Rectangle(5, 5, 45, 35); end."));
    QObject *m = keep("M");
    ovFreeObject(s.Variables(QStringLiteral("C")));
    auto *meta = qobject_cast<ovs::TMetafile *>(m);
    ASSERT_TRUE(meta);
    EXPECT_FALSE(meta->Metafile()->Data().isEmpty());
    // Played back on a bitmap, the rectangle is there.
    ::TBitmap bmp(50, 40);
    bmp.Fill(clWhite);
    meta->Metafile()->Draw(bmp.GetCanvas(), TRect(0, 0, 50, 40));
    bmp.ReleaseCanvas();
    EXPECT_EQ(bmp.Pixel(25, 20), clRed);
}

} // namespace
