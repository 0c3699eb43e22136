#include "ZplTestUtil.h"

#include "core/vdGraphic.h"
#include "core/vdxRes.h"
#include "report/vdxDsgnIntf.h"
#include "report/vdFont.h"
#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <functional>

using namespace zpltest;

namespace {

// The "Hello" memo: 10, 20, 100 x 30 pixels, font height -13, no frame.
void makeHello(TvdxMemoView &m)
{
    m.SetBounds(10, 20, 100, 30);
    m.SetParentFont(false);
    m.Font()->SetHeight(-13);
    m.SetText(QStringLiteral("Hello"));
}

class ZplVector : public ::testing::Test {
protected:
    void SetUp() override
    {
        vectorMode(f);
        setPage(page, 400, 300);
    }
    TvdxZPLExport f{nullptr, true};
    TvdxReportPage page;
};

TEST(ZplExport, DefaultsAfterConstruction)
{
    TvdxZPLExport f(nullptr, true);
    EXPECT_TRUE(f.PrintAsBitmap());
    EXPECT_FALSE(f.BMillimeters());
    EXPECT_TRUE(f.BreakLines());
    EXPECT_DOUBLE_EQ(f.FontScale(), 1.4);
    EXPECT_EQ(f.ZplDensity(), TvdxZPLExport::d8_dpmm_203_dpi);
    EXPECT_EQ(f.ScaleIndex(), 1);
    EXPECT_FALSE(f.HexText());
    EXPECT_EQ(f.CodePage, QStringLiteral("^CI28"));
    EXPECT_EQ(f.PrinterFont, QStringLiteral("A"));
    EXPECT_TRUE(f.PrinterInit.isEmpty() && f.PrinterFinish.isEmpty() && f.PageInit.isEmpty());
    EXPECT_EQ(f.DefaultExt(), QStringLiteral(".zpl"));
    EXPECT_EQ(f.FilterDesc(), QStringLiteral("ZPL file (*.zpl)|*.zpl"));
    EXPECT_EQ(f.GetDescription(), QStringLiteral("ZPL file..."));
}

TEST(ZplExport, DensityTableAndSetter)
{
    struct Row {
        TvdxZPLExport::TZplDensity d;
        double dpp, m1;
        int m2;
    };
    const Row rows[] = {
        {TvdxZPLExport::d6_dpmm_152_dpi, 1.5833, 2.0, 7},
        {TvdxZPLExport::d8_dpmm_203_dpi, 2.11458, 2.5, 8},
        {TvdxZPLExport::d12_dpmm_300_dpi, 3.16667, 4.0, 10},
        {TvdxZPLExport::d24_dpmm_600_dpi, 6.34375, 8.0, 10},
        {TvdxZPLExport::test1to1, 1.0, 1.0, 1},
    };
    TvdxZPLExport f(nullptr, true);
    for (const Row &r : rows) {
        f.SetFZplDensity(r.d);
        EXPECT_EQ(f.ScaleIndex(), int(r.d));
        const TZplScale &s = TvdxZPLExport::DensityRow(f.ScaleIndex());
        EXPECT_DOUBLE_EQ(s.dpp, r.dpp);
        EXPECT_DOUBLE_EQ(s.module1D, r.m1);
        EXPECT_EQ(s.module2D, r.m2);
        EXPECT_EQ(s.reserved, 0);
    }
    // Stored by name, as templates and forms keep enumerations.
    f.setProperty("ZplDensity", QStringLiteral("d12_dpmm_300_dpi"));
    EXPECT_EQ(f.ScaleIndex(), 2);
    // An ordinal outside the table changes nothing.
    f.SetFZplDensity(TvdxZPLExport::TZplDensity(7));
    EXPECT_EQ(f.ScaleIndex(), 2);
}

TEST_F(ZplVector, HelloLabel)
{
    TvdxMemoView m;
    makeHello(m);
    EXPECT_EQ(exportPages(f, page, {{&m}}),
              QByteArray("\r\n^XA^CI28\r\n\r\n^FO21,42^FB211,2,0,L,0\r\n^FWN\r\n^AA,20,10\r\n^FDHello^FS\r\n^XZ\r\n"));
}

TEST_F(ZplVector, WithoutLineBreaksTheLabelIsOneLine)
{
    TvdxMemoView m;
    makeHello(m);
    f.SetBreakLines(false);
    EXPECT_EQ(exportPages(f, page, {{&m}}), QByteArray("^XA^CI28^FO21,42^FB211,2,0,L,0^FWN^AA,20,10^FDHello^FS^XZ"));
}

TEST_F(ZplVector, PrinterTextsAndTwoLabels)
{
    TvdxMemoView m;
    makeHello(m);
    f.PrinterInit = QStringLiteral("~JA");
    f.PrinterFinish = QStringLiteral("^XA^IDR:*.*^XZ");
    f.PageInit = QStringLiteral("^LH0,0");
    f.CodePage = QStringLiteral("^CI27");
    f.PrinterFont = QStringLiteral("0");
    const QByteArray label = "^FO21,42^FB211,2,0,L,0\r\n^FWN\r\n^A0,20,10\r\n^FDHello^FS\r\n";
    EXPECT_EQ(exportPages(f, page, {{&m}, {&m}}),
              "~JA\r\n^XA^CI27\r\n^LH0,0\r\n" + label + "^XZ^XA^CI27\r\n^LH0,0\r\n" + label + "^XZ^XA^IDR:*.*^XZ\r\n");
}

struct MemoCase {
    const char *name;
    std::function<void(TvdxZPLExport &, TvdxMemoView &)> setup;
    const char *expected;
};

TEST_F(ZplVector, TextObjects)
{
    using M = TvdxCustomMemoView;
    const MemoCase cases[] = {
        {"hello", [](auto &, auto &) {}, "^FO21,42^FB211,2,0,L,0\r\n^FWN\r\n^AA,20,10\r\n^FDHello^FS\r\n"},
        {"height -14", [](auto &, auto &m) { m.Font()->SetHeight(-14); },
         "^FO21,42^FB211,2,0,L,0\r\n^FWN\r\n^AA,21,10\r\n^FDHello^FS\r\n"},
        {"positive height", [](auto &, auto &m) { m.Font()->SetHeight(14); },
         "^FO21,42^FB211,2,0,L,0\r\n^FWN\r\n^AA,21,10\r\n^FDHello^FS\r\n"},
        {"bottom", [](auto &, auto &m) { m.SetVAlign(M::vaBottom); },
         "^FO21,65^FB211,2,0,L,0\r\n^FWN\r\n^AA,20,10\r\n^FDHello^FS\r\n"},
        {"centre", [](auto &, auto &m) { m.SetVAlign(M::vaCenter); },
         "^FO21,54^FB211,2,0,L,0\r\n^FWN\r\n^AA,20,10\r\n^FDHello^FS\r\n"},
        {"right", [](auto &, auto &m) { m.SetHAlign(M::haRight); },
         "^FO21,42^FB211,2,0,R,0\r\n^FWN\r\n^AA,20,10\r\n^FDHello^FS\r\n"},
        {"centred", [](auto &, auto &m) { m.SetHAlign(M::haCenter); },
         "^FO21,42^FB211,2,0,C,0\r\n^FWN\r\n^AA,20,10\r\n^FDHello^FS\r\n"},
        {"block", [](auto &, auto &m) { m.SetHAlign(M::haBlock); },
         "^FO21,42^FB211,2,0,J,0\r\n^FWN\r\n^AA,20,10\r\n^FDHello^FS\r\n"},
        {"rotation 90", [](auto &, auto &m) { m.SetRotation(90); },
         "^FO21,42^FB63,2,0,L,0\r\n^FWR\r\n^AA,20,10\r\n^FDHello^FS\r\n"},
        {"rotation 180", [](auto &, auto &m) { m.SetRotation(180); },
         "^FO21,42^FB211,2,0,L,0\r\n^FWI\r\n^AA,20,10\r\n^FDHello^FS\r\n"},
        {"rotation 270", [](auto &, auto &m) { m.SetRotation(270); },
         "^FO21,42^FB63,2,0,L,0\r\n^FWB\r\n^AA,20,10\r\n^FDHello^FS\r\n"},
        {"rotation 45", [](auto &, auto &m) { m.SetRotation(45); },
         "^FO21,42^FB211,2,0,L,0\r\n^FWN\r\n^AA,20,10\r\n^FDHello^FS\r\n"},
        {"test1to1", [](auto &f, auto &) { f.SetFZplDensity(TvdxZPLExport::test1to1); },
         "^FO10,20^FB100,2,0,L,0\r\n^FWN\r\n^AA,9,4\r\n^FDHello^FS\r\n"},
        {"d24", [](auto &f, auto &) { f.SetFZplDensity(TvdxZPLExport::d24_dpmm_600_dpi); },
         "^FO63,127^FB634,2,0,L,0\r\n^FWN\r\n^AA,59,30\r\n^FDHello^FS\r\n"},
        {"font height 0", [](auto &, auto &m) { m.Font()->SetHeight(0); },
         "^FO21,42^FB211,1,0,L,0\r\n^FWN\r\n^AA,0,0\r\n^FDHello^FS\r\n"},
        {"font scale 0", [](auto &f, auto &) { f.SetFontScale(0); },
         "^FO21,42^FB211,2,0,L,0\r\n^FWN\r\n^AA,27,14\r\n^FDHello^FS\r\n"},
        {"font scale -2", [](auto &f, auto &) { f.SetFontScale(-2); },
         "^FO21,42^FB211,2,0,L,0\r\n^FWN\r\n^AA,27,14\r\n^FDHello^FS\r\n"},
        {"printer font", [](auto &f, auto &) { f.PrinterFont = QStringLiteral("0"); },
         "^FO21,42^FB211,2,0,L,0\r\n^FWN\r\n^A0,20,10\r\n^FDHello^FS\r\n"},
        {"not exported", [](auto &, auto &m) { m.SetVisibility(TvdxView::vsPreview | TvdxView::vsPrint); }, ""},
    };
    for (const MemoCase &c : cases) {
        TvdxZPLExport f(nullptr, true);
        vectorMode(f);
        TvdxMemoView m;
        makeHello(m);
        c.setup(f, m);
        EXPECT_EQ(body(f, page, {&m}), QByteArray(c.expected)) << c.name;
    }
}

struct FieldCase {
    const char *name;
    QString text;
    bool hex;
    const char *field;
};

TEST_F(ZplVector, FieldData)
{
    const FieldCase cases[] = {
        {"dollar", QStringLiteral("a$b"), false, "^FDa\\\\$b^FS"},
        {"backslash r backslash n", QStringLiteral("x\\r\\ny"), false, "^FDx\\\\&y^FS"},
        {"upper case pair", QStringLiteral("x\\R\\Ny"), false, "^FDx\\\\&y^FS"},
        {"two backslashes", QStringLiteral("a\\\\b"), false, "^FDa\\\\\\\\b^FS"},
        {"caret and tilde", QStringLiteral("^XZ~JA"), false, "^FH^FD_5EXZ_7EJA^FS"},
        {"underscore alone", QStringLiteral("a_b"), false, "^FDa_b^FS"},
        {"underscore with caret", QStringLiteral("a^b_c"), false, "^FH^FDa_5Eb_5Fc^FS"},
        {"control characters", QStringLiteral("a\tb\x01"), false, "^FH^FDa_09b_01^FS"},
        {"two lines", QStringLiteral("a\r\nb\r\n"), false, "^FDa\\&b^FS"},
        {"line feed and tab", QStringLiteral("a\nb\tc"), false, "^FH^FDa\\&b_09c^FS"},
        {"utf-8", QStringLiteral(u"\u00e4\u20ac"), false, "^FD\xc3\xa4\xe2\x82\xac^FS"},
        {"empty", QString(), false, "^FD^FS"},
        {"hex", QStringLiteral("Ab"), true, "^FH^FD_41_62^FS"},
        {"hex utf-8", QStringLiteral(u"\u00e4"), true, "^FH^FD_C3_A4^FS"},
        {"hex empty", QString(), true, "^FH^FD^FS"},
        {"hex dollar escaped first", QStringLiteral("$"), true, "^FH^FD_5C_5C_24^FS"},
    };
    for (const FieldCase &c : cases) {
        TvdxZPLExport f(nullptr, true);
        vectorMode(f);
        f.SetHexText(c.hex);
        TvdxMemoView m;
        makeHello(m);
        m.SetText(c.text);
        const QByteArray b = body(f, page, {&m});
        EXPECT_TRUE(b.endsWith(QByteArray(c.field) + "\r\n")) << c.name << ": " << b.constData();
    }
}

TEST(ZplExport, LoneSurrogateDoesNotBreakTheField)
{
    TvdxZPLExport f(nullptr, true);
    vectorMode(f);
    TvdxReportPage page;
    setPage(page, 400, 300);
    TvdxMemoView m;
    makeHello(m);
    m.SetText(QString(QChar(0xD800)) + QStringLiteral("^XZ"));
    const QByteArray b = body(f, page, {&m});
    EXPECT_TRUE(b.contains("^FH^FD")) << b.constData();
    EXPECT_FALSE(b.contains("^XZ")) << b.constData();
}

TEST(ZplExport, OrientationLetters)
{
    const std::pair<int, const char *> cases[] = {{0, "N"},   {89, "N"},  {90, "R"},  {179, "R"},
                                                  {180, "I"}, {269, "I"}, {270, "B"}, {359, "B"},
                                                  {360, "N"}, {450, "N"}, {-90, "N"}, {-1, "N"}};
    for (const auto &[r, letter] : cases)
        EXPECT_EQ(TvdxZPLExport::OrientationLetter(r), QString::fromLatin1(letter)) << r;
}

TEST(ZplExport, EscapeZplText)
{
    const std::pair<const char *, const char *> cases[] = {
        {"plain", "plain"},
        {"a$b$", "a\\\\$b\\\\$"},
        {"\\\\", "\\\\\\\\"},
        {"\\r\\n", "\\\\&"},
        {"\\R\\n", "\\\\&"},
        {"\\r", "\\r"},
    };
    for (const auto &[in, out] : cases)
        EXPECT_EQ(TvdxZPLExport::EscapeZplText(QString::fromLatin1(in)), QString::fromLatin1(out)) << in;
}

struct FrameCase {
    const char *name;
    std::function<void(TvdxFrame *)> setup;
    const char *frame;
};

TEST_F(ZplVector, FramesOfTextObjects)
{
    using F = TvdxFrame;
    const FrameCase cases[] = {
        {"all sides", [](F *fr) { fr->SetTyp(F::ftLeft | F::ftRight | F::ftTop | F::ftBottom); },
         "^FO21,42^GB211,63,2^FS\r\n"},
        {"top", [](F *fr) { fr->SetTyp(F::ftTop); }, "^FO21,42^GB211,0,2^FS\r\n"},
        {"left", [](F *fr) { fr->SetTyp(F::ftLeft); }, "^FO21,42^GB0,63,2^FS\r\n"},
        {"bottom", [](F *fr) { fr->SetTyp(F::ftBottom); }, "^FO21,105^GB211,0,2^FS\r\n"},
        {"right", [](F *fr) { fr->SetTyp(F::ftRight); }, "^FO232,42^GB0,63,2^FS\r\n"},
        {"three sides in order",
         [](F *fr) {
             fr->SetTyp(F::ftRight | F::ftBottom | F::ftTop);
             fr->BottomLine()->SetWidth(3);
         },
         "^FO21,42^GB211,0,2^FS\r\n^FO21,105^GB211,0,6^FS\r\n^FO232,42^GB0,63,2^FS\r\n"},
        {"right side takes the top line's width",
         [](F *fr) {
             fr->SetTyp(F::ftRight);
             fr->TopLine()->SetWidth(3);
             fr->RightLine()->SetWidth(1);
         },
         "^FO232,42^GB0,63,6^FS\r\n"},
        {"width 0", [](F *fr) {
             fr->SetTyp(F::ftLeft | F::ftRight | F::ftTop | F::ftBottom);
             fr->SetWidth(0);
         }, ""},
        {"no sides", [](F *) {}, ""},
    };
    const QByteArray text = "^FO21,42^FB211,2,0,L,0\r\n^FWN\r\n^AA,20,10\r\n^FDHello^FS\r\n";
    for (const FrameCase &c : cases) {
        TvdxZPLExport f(nullptr, true);
        vectorMode(f);
        TvdxMemoView m;
        makeHello(m);
        c.setup(m.Frame());
        const double rightBefore = m.Frame()->RightLine()->Width();
        EXPECT_EQ(body(f, page, {&m}), text + c.frame) << c.name;
        // The exported object is only read.
        EXPECT_EQ(m.Frame()->RightLine()->Width(), rightBefore) << c.name;
    }
}

struct GeometryCase {
    const char *name;
    double l, t, w, h;
    int kind; // shape kind, or -1 for a line
    const char *expected;
};

TEST_F(ZplVector, LinesAndShapes)
{
    const GeometryCase cases[] = {
        {"horizontal line", 10, 20, 100, 0, -1, "^FO21,42^GD211,0,2,,R^FS\r\n"},
        {"vertical line", 10, 20, 0, 30, -1, "^FO21,42^GD0,63,2,,R^FS\r\n"},
        {"diagonal down", 10, 20, 100, 30, -1, "^FO21,42^GD211,63,2,,L^FS\r\n"},
        {"zero line", 10, 20, 0, 0, -1, "^FO21,42^GB0,0,2^FS\r\n"},
        {"rectangle", 10, 20, 100, 30, TvdxShapeView::skRectangle, "^FO21,42^GB211,63,2^FS\r\n"},
        {"round rectangle", 10, 20, 100, 30, TvdxShapeView::skRoundRectangle, "^FO21,42^GB211,63,2^FS\r\n"},
        {"ellipse", 10, 20, 100, 30, TvdxShapeView::skEllipse, "^FO21,42^GE211,63,2^FS\r\n"},
        {"triangle", 10, 20, 100, 30, TvdxShapeView::skTriangle, "^FO21,42^GB211,63,2^FS\r\n"},
        {"diamond", 10, 20, 100, 30, TvdxShapeView::skDiamond, "^FO21,42^GB211,63,2^FS\r\n"},
        {"diagonal 1", 10, 20, 100, 30, TvdxShapeView::skDiagonal1, "^FO21,42^GB211,63,2^FS\r\n"},
        {"diagonal 2", 10, 20, 100, 30, TvdxShapeView::skDiagonal2, "^FO21,42^GB211,63,2^FS\r\n"},
    };
    for (const GeometryCase &c : cases) {
        TvdxZPLExport f(nullptr, true);
        vectorMode(f);
        std::unique_ptr<TvdxView> v;
        if (c.kind < 0) {
            v = std::make_unique<TvdxLineView>();
        } else {
            auto s = std::make_unique<TvdxShapeView>();
            s->SetShape(TvdxShapeView::TvdxShapeKind(c.kind));
            v = std::move(s);
        }
        v->SetBounds(c.l, c.t, c.w, c.h);
        EXPECT_EQ(body(f, page, {v.get()}), QByteArray(c.expected)) << c.name;
    }
}

TEST_F(ZplVector, LinesWithNegativeSizes)
{
    struct Case {
        double w, h;
        const char *expected;
    };
    const Case cases[] = {
        {100, -30, "^FO21,-21^GD211,63,2,,R^FS\r\n"},
        {-100, -30, "^FO-190,-21^GD211,63,2,,L^FS\r\n"},
        {-100, 30, "^FO-190,42^GD211,63,2,,R^FS\r\n"},
    };
    for (const Case &c : cases) {
        TvdxLineView line;
        line.SetBounds(10, 20, c.w, c.h);
        if (double(line.Width()) != c.w || double(line.Height()) != c.h)
            GTEST_SKIP() << "lines keep no negative sizes";
        TvdxZPLExport f(nullptr, true);
        vectorMode(f);
        EXPECT_EQ(body(f, page, {&line}), QByteArray(c.expected)) << c.w << "," << c.h;
    }
}

TEST_F(ZplVector, LineThicknessFromFrameWidth)
{
    TvdxLineView line;
    line.SetBounds(10, 20, 0, 0);
    line.Frame()->SetWidth(3);
    EXPECT_EQ(body(f, page, {&line}), QByteArray("^FO21,42^GB0,0,6^FS\r\n"));
}

TEST_F(ZplVector, MarginsMoveEveryObject)
{
    struct Case {
        double left, top;
        bool mm;
        const char *origin;
    };
    const Case cases[] = {
        {0, 0, false, "^FO21,42"},
        {10, 5, false, "^FO42,53"},          // 10 x 2.11458 and 5 x 2.11458 added
        {10, 5, true, "^FO101,82"},          // x 3.78 first
    };
    for (const Case &c : cases) {
        TvdxZPLExport f(nullptr, true);
        vectorMode(f);
        f.SetBMillimeters(c.mm);
        setPage(page, 400, 300, c.left, c.top);
        TvdxMemoView m;
        makeHello(m);
        EXPECT_TRUE(body(f, page, {&m}).startsWith(c.origin)) << c.left << "/" << c.top << " mm " << c.mm;
    }
}

TEST_F(ZplVector, PageBackgroundAndUnknownObjectsGiveNothing)
{
    TvdxPictureView background;
    background.SetName(QStringLiteral("_pagebackground"));
    background.SetBounds(0, 0, 400, 300);
    TvdxBand band;
    band.SetBounds(0, 0, 400, 40);
    EXPECT_EQ(body(f, page, {&background, &band}), QByteArray());
}

TEST_F(ZplVector, TinyPictureLeavesDanglingOrigin)
{
    for (const auto &[w, h] : {std::pair{0.5, 10.0}, {10.0, 0.9}, {0.0, 0.0}}) {
        TvdxPictureView p;
        p.SetBounds(10, 20, w, h);
        EXPECT_EQ(body(f, page, {&p}), QByteArray("^FO21,42")) << w << "x" << h;
    }
}

TEST(ZplExport, ZeroAndHugeSizes)
{
    // Every object either gives finite numbers or a clear error; nothing
    // allocates a giant bitmap.
    struct Case {
        const char *name;
        bool bitmap;
        std::function<std::unique_ptr<TvdxView>()> make;
        const char *error; // start of the message, or nullptr for output
    };
    auto memo = [](double w, double h, int font) {
        auto m = std::make_unique<TvdxMemoView>();
        m->SetBounds(1e12, -1e12, w, h);
        m->SetParentFont(false);
        m->Font()->SetHeight(font);
        m->SetText(QStringLiteral("x"));
        m->Frame()->SetTyp(TvdxFrame::ftLeft | TvdxFrame::ftRight | TvdxFrame::ftTop | TvdxFrame::ftBottom);
        return std::unique_ptr<TvdxView>(std::move(m));
    };
    auto picture = [](double w, double h) {
        auto p = std::make_unique<TvdxPictureView>();
        p->SetBounds(0, 0, w, h);
        return std::unique_ptr<TvdxView>(std::move(p));
    };
    auto line = [](double w, double h) {
        auto l = std::make_unique<TvdxLineView>();
        l->SetBounds(0, 0, w, h);
        l->Frame()->SetWidth(1e9);
        return std::unique_ptr<TvdxView>(std::move(l));
    };
    const Case cases[] = {
        {"huge memo", false, [&] { return memo(1e15, 1e15, -2000000000); }, nullptr},
        {"zero memo", false, [&] { return memo(0, 0, 0); }, nullptr},
        {"huge line", false, [&] { return line(1e300, -1e300); }, nullptr},
        {"huge picture", false, [&] { return picture(1e6, 1e6); }, "Picture too large for a ZPL bitmap"},
        {"long thin picture", false, [&] { return picture(1e5, 1); }, "Picture too large for a ZPL bitmap"},
        {"huge memo drawn", true, [&] { return memo(1e15, 1e15, -2000000000); }, nullptr},
        {"huge picture drawn", true, [&] { return picture(1e6, 1e6); }, nullptr},
    };
    for (const Case &c : cases) {
        TvdxZPLExport f(nullptr, true);
        f.SetPrintAsBitmap(c.bitmap);
        TvdxReportPage page;
        setPage(page, 100, 50);
        std::unique_ptr<TvdxView> v = c.make();
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        f.SetStream(&buffer);
        ASSERT_TRUE(f.DoStart()) << c.name;
        QString error;
        try {
            f.StartPage(&page, 0);
            f.ExportObject(v.get());
            f.FinishPage(&page, 0);
        } catch (const EZPLExportError &e) {
            error = e.message();
        }
        f.DoFinish();
        if (c.error) {
            EXPECT_TRUE(error.startsWith(QString::fromLatin1(c.error))) << c.name << ": " << error.toStdString();
        } else {
            EXPECT_TRUE(error.isEmpty()) << c.name << ": " << error.toStdString();
            const QByteArray out = buffer.data().toLower();
            EXPECT_FALSE(out.contains("nan") || out.contains("inf")) << c.name << ": " << out.left(200).constData();
            EXPECT_TRUE(out.contains("^xz")) << c.name;
        }
    }
}

TEST(ZplExport, StartWithoutTargetWritesNothing)
{
    TvdxZPLExport f(nullptr, true);
    EXPECT_FALSE(f.DoStart());
    f.DoFinish();
}

TEST(ZplExport, ExportsToFileThroughTransport)
{
    vdtest::TempDir tmp;
    TvdxZPLExport f(nullptr, true);
    vectorMode(f);
    f.SetShowDialog(false);
    f.SetDefaultPath(tmp.path());
    f.SetFileName(QStringLiteral("out.zpl"));
    TvdxReportPage page;
    setPage(page, 400, 300);
    TvdxMemoView m;
    makeHello(m);
    ASSERT_TRUE(f.DoStart());
    EXPECT_EQ(f.FileName(), tmp.path() + QStringLiteral("/out.zpl"));
    f.StartPage(&page, 0);
    f.ExportObject(&m);
    f.FinishPage(&page, 0);
    f.DoFinish();
    EXPECT_EQ(vdtest::readFile(tmp.file("out.zpl")),
              QByteArray("\r\n^XA^CI28\r\n\r\n^FO21,42^FB211,2,0,L,0\r\n^FWN\r\n^AA,20,10\r\n^FDHello^FS\r\n^XZ\r\n"));
}

TEST(ZplExport, StartThatCannotOpenItsFileFails)
{
    vdtest::TempDir tmp;
    ASSERT_TRUE(vdtest::writeFile(tmp.file("plain"), "x"));
    TvdxReport report;
    TvdxZPLExport f(nullptr, true);
    f.SetShowDialog(false);
    f.SetReport(&report);
    // A folder where a file is: nothing can be created below it.
    f.SetFileName(tmp.file("plain/sub/out.zpl"));
    EXPECT_FALSE(f.DoStart());
    EXPECT_FALSE(report.Errors().isEmpty());
    f.DoFinish();
}

// A device whose writes fail after some bytes.
class FailingDevice : public QIODevice {
public:
    explicit FailingDevice(qint64 room) : m_room(room) { open(QIODevice::WriteOnly); }
protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *, qint64 len) override
    {
        if (m_room <= 0) {
            setErrorString(QStringLiteral("disk full"));
            return -1;
        }
        const qint64 n = std::min(len, m_room);
        m_room -= n;
        return n;
    }
private:
    qint64 m_room;
};

TEST(ZplExport, FailedWriteRaises)
{
    for (qint64 room : {0, 5, 30}) {
        TvdxZPLExport f(nullptr, true);
        vectorMode(f);
        FailingDevice dev(room);
        f.SetStream(&dev);
        TvdxReportPage page;
        setPage(page, 400, 300);
        TvdxMemoView m;
        makeHello(m);
        bool raised = false;
        try {
            if (!f.DoStart()) {
                raised = true; // failing at the first line already
            } else {
                f.StartPage(&page, 0);
                f.ExportObject(&m);
                f.FinishPage(&page, 0);
                f.DoFinish();
            }
        } catch (const EZPLExportError &e) {
            raised = true;
            EXPECT_TRUE(e.message().startsWith(QStringLiteral("Cannot write the ZPL output: "))) << e.message().toStdString();
            f.DoFinish();
        }
        EXPECT_TRUE(raised) << room;
    }
}

TEST(ZplExport, RegisteredUnlessMadeUnregistered)
{
    auto &r = vdxExportFilterRegistry();
    const int before = r.Count();
    {
        TvdxZPLExport f;
        EXPECT_EQ(r.Count(), before + 1);
        EXPECT_EQ(r.GetExportFilterItem(r.Count() - 1)->Filter, &f);
    }
    EXPECT_EQ(r.Count(), before);
}

} // namespace
