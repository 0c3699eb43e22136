#include "CanvasTestScene.h"
#include "platform/QPainterCanvas.h"
#include <QPainterPath>
#include <QPrinter>
#include <QProcess>
#include <gtest/gtest.h>
#include <thread>

namespace {

class PainterCanvas : public ::testing::Test {
protected:
    void SetUp() override
    {
        img = QImage(100, 80, QImage::Format_RGB32);
        img.fill(Qt::white);
        canvas = std::make_unique<QPainterCanvas>(img);
    }
    QRgb at(int x, int y)
    {
        canvas.reset(); // ends painting
        return img.pixel(x, y) & 0xFFFFFF;
    }
    QImage img;
    std::unique_ptr<QPainterCanvas> canvas;
};

constexpr QRgb kWhite = 0xFFFFFF, kBlack = 0x000000, kRed = 0xFF0000, kBlue = 0x0000FF;

} // namespace

TEST_F(PainterCanvas, RectangleOutlineStopsBeforeRightAndBottom)
{
    canvas->brush().color = clRed;
    canvas->Rectangle(TRect(10, 10, 20, 20));
    canvas.reset();
    EXPECT_EQ(img.pixel(10, 10) & 0xFFFFFF, kBlack);
    EXPECT_EQ(img.pixel(19, 19) & 0xFFFFFF, kBlack);
    EXPECT_EQ(img.pixel(20, 15) & 0xFFFFFF, kWhite);
    EXPECT_EQ(img.pixel(15, 20) & 0xFFFFFF, kWhite);
    EXPECT_EQ(img.pixel(15, 15) & 0xFFFFFF, kRed);
}

TEST_F(PainterCanvas, FillRectCoversExactlyItsArea)
{
    canvas->brush().color = clBlue;
    canvas->FillRect(TRect(5, 5, 8, 7));
    canvas.reset();
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += (img.pixel(x, y) & 0xFFFFFF) == kBlue;
    EXPECT_EQ(n, 6);
    EXPECT_EQ(img.pixel(5, 5) & 0xFFFFFF, kBlue);
    EXPECT_EQ(img.pixel(7, 6) & 0xFFFFFF, kBlue);
}

namespace {

// The polygon drawn through the canvas and, as its path, by Qt itself.
void expectFillAsPath(const std::vector<TPoint> &points, const QTransform &world, bool clip, const std::string &name)
{
    QImage drawn(100, 80, QImage::Format_RGB32), expected(100, 80, QImage::Format_RGB32);
    drawn.fill(Qt::white);
    expected.fill(Qt::white);
    {
        QPainterCanvas canvas(drawn);
        canvas.SetWorldTransform(world);
        if (clip)
            canvas.IntersectClipRect(TRect(20, 20, 50, 40));
        canvas.pen().style = PenStyle::Null;
        canvas.brush().style = BrushStyle::Solid;
        canvas.brush().color = clBlue;
        canvas.Polygon(points);
    }
    {
        QPainter p(&expected);
        p.setTransform(world);
        if (clip)
            p.setClipRect(QRect(20, 20, 30, 20));
        QPolygonF poly;
        for (const TPoint &pt : points)
            poly << QPointF(pt.X, pt.Y);
        QPainterPath path;
        path.addPolygon(poly);
        path.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 255));
        p.drawPath(path);
    }
    EXPECT_EQ(drawn, expected) << name;
}

QTransform scaled(double sx, double sy, double dx, double dy) { return QTransform(sx, 0, 0, sy, dx, dy); }

} // namespace

// Upright rectangles without an outline take a shorter road than other
// polygons; the pixels must be those of the polygon's path filled by Qt.
TEST(PainterCanvasPolygon, UprightRectanglesFillAsTheirPaths)
{
    struct Case {
        const char *name;
        std::vector<TPoint> points;
        QTransform world;
        bool clip;
    };
    const std::vector<TPoint> bar = {{0, 0}, {12, 0}, {12, 40}, {0, 40}};
    const Case cases[] = {
        {"clockwise", {{10, 10}, {30, 10}, {30, 25}, {10, 25}}, {}, false},
        {"anticlockwise from the bottom right", {{30, 25}, {30, 10}, {10, 10}, {10, 25}}, {}, false},
        {"one pixel", {{5, 5}, {6, 5}, {6, 6}, {5, 6}}, {}, false},
        {"shifted", bar, scaled(1, 1, 7, 3), false},
        {"half a pixel shifted", bar, scaled(1, 1, 7.5, 3.5), false},
        {"past the edges", {{-20, -5}, {130, -5}, {130, 12}, {-20, 12}}, {}, false},
        {"clipped", {{10, 10}, {90, 10}, {90, 70}, {10, 70}}, {}, true},
        {"flat", {{10, 10}, {40, 10}, {40, 10}, {10, 10}}, {}, false},
        {"not upright", {{10, 10}, {40, 12}, {40, 30}, {10, 30}}, {}, false},
        {"scaled as a label at 203 dpi", {{3, 1}, {5, 1}, {5, 20}, {3, 20}}, scaled(2.11458, 2.11458, 10, 4), false},
        {"scaled down", {{17, 9}, {90, 9}, {90, 130}, {17, 130}}, scaled(0.37, 0.43, 1, 2), false},
        {"edges on pixel centres", {{1, 3}, {8, 3}, {8, 9}, {1, 9}}, scaled(0.5, 0.5, 10, 10), false},
        {"edges a 128th past centres", {{1, 1}, {3, 1}, {3, 3}, {1, 3}}, scaled(1, 1, 10.5 + 1 / 128.0, 7.5 - 1 / 128.0), false},
        {"scaled and shifted by fractions", bar, scaled(1.75, 1.3, 0.3, 5.6), false},
        {"scaled past the edges", {{-30, -30}, {80, -30}, {80, 50}, {-30, 50}}, scaled(1.5, 1.5, 0.5, 0.5), false},
        {"scaled and clipped", bar, scaled(3.1, 1.2, 15.2, 12.7), true},
        {"mirrored", bar, scaled(-1.5, 1, 60, 0), false},
        {"scaled to nothing", bar, scaled(0.01, 0.01, 10.2, 10.2), false},
    };
    for (const Case &c : cases)
        expectFillAsPath(c.points, c.world, c.clip, c.name);
}

// Bars of every width at many scales and shifts, as linear barcodes draw
// them: every edge lands somewhere else inside its pixel.
TEST(PainterCanvasPolygon, ScaledBarsFillAsTheirPaths)
{
    const double scales[] = {0.5, 0.75, 1.25, 1.5833, 2.11458, 3.16667, 6.34375};
    for (double s : scales)
        for (int shift = 0; shift < 8; ++shift)
            for (int w = 1; w <= 4; ++w) {
                const int x = 3 * shift;
                const std::vector<TPoint> bar = {{x, 2}, {x + w, 2}, {x + w, 9}, {x, 9}};
                expectFillAsPath(bar, scaled(s, s * 0.9, shift / 8.0, 1 + shift / 16.0), false,
                                 "scale " + std::to_string(s) + " shift " + std::to_string(shift) + " width " +
                                     std::to_string(w));
            }
}

// Every pixel a drawing call changes lies in the rectangle the canvas
// reports as drawn, whatever the call, pen and transform.
TEST(PainterCanvasTouched, HoldsEveryChangedPixel)
{
    struct Case {
        const char *name;
        QTransform world;
        std::function<void(QPainterCanvas &)> draw;
    };
    const std::vector<TPoint> spike = {{30, 30}, {31, 10}, {32, 30}};
    auto text = [](const QString &s, int escapement, bool underline) {
        return [=](QPainterCanvas &c) {
            CanvasFont f;
            f.name = QStringLiteral("DejaVu Sans");
            f.height = -18;
            f.italic = true;
            f.underline = underline;
            f.escapement = f.orientation = escapement;
            c.setFont(f);
            c.SetBkMode(BkMode::Transparent);
            c.TextOut(40, 40, s);
        };
    };
    const Case cases[] = {
        {"nothing", {}, [](QPainterCanvas &) {}},
        {"mitred spike", {}, [&](QPainterCanvas &c) {
             c.pen().width = 6;
             c.pen().geometric = true;
             c.pen().join = PenJoin::Miter;
             c.Polyline(spike);
         }},
        {"wide line", scaled(1.5, 0.5, 3, 7), [](QPainterCanvas &c) {
             c.pen().width = 9;
             c.MoveTo(10, 10);
             c.LineTo(60, 90);
         }},
        {"scaled bars", scaled(2.11458, 2.11458, 0.5, 0), [](QPainterCanvas &c) {
             c.pen().style = PenStyle::Null;
             c.Polygon({TPoint(3, 3), TPoint(5, 3), TPoint(5, 30), TPoint(3, 30)});
         }},
        {"ellipse and pie", {}, [](QPainterCanvas &c) {
             c.Ellipse(TRect(5, 5, 30, 20));
             c.Pie(TRect(50, 40, 90, 70), TPoint(0, 0), TPoint(90, 70));
         }},
        {"arc", {}, [](QPainterCanvas &c) { c.Arc(TRect(10, 10, 60, 60), TPoint(60, 10), TPoint(10, 60)); }},
        {"frame and fill", {}, [](QPainterCanvas &c) {
             c.FrameRect(TRect(70, 5, 95, 15));
             c.FillRect(TRect(2, 60, 9, 75));
         }},
        {"text with marks", {}, text(QStringLiteral("Åg\u0301\u0301\u0301ÿ"), 0, true)},
        {"turned text", {}, text(QStringLiteral("Turned"), 450, false)},
        {"scaled text", scaled(0.6, 1.4, 5, -10), text(QStringLiteral("Wide Q"), 0, false)},
        {"picture", {}, [](QPainterCanvas &c) {
             QImage img(4, 4, QImage::Format_RGB32);
             img.fill(Qt::black);
             c.StretchDIBits(TRect(80, 50, 97, 61), img, TRect(0, 0, 4, 4));
         }},
    };
    for (const Case &c : cases) {
        QImage img(100, 80, QImage::Format_RGB32);
        img.fill(Qt::white);
        QRect touched;
        {
            QPainterCanvas canvas(img);
            canvas.SetWorldTransform(c.world);
            canvas.brush().color = clBlack;
            c.draw(canvas);
            touched = canvas.touchedRect();
        }
        int outside = 0, changed = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const bool ink = (img.pixel(x, y) & 0xFFFFFF) != kWhite;
                changed += ink;
                outside += ink && !touched.contains(x, y);
            }
        EXPECT_EQ(outside, 0) << c.name;
        EXPECT_EQ(changed > 0, std::string(c.name) != "nothing") << c.name;
    }
    // Drawing through the painter itself counts as the whole device.
    QImage img(10, 10, QImage::Format_RGB32);
    QPainterCanvas canvas(img);
    canvas.painter();
    EXPECT_TRUE(canvas.touchedRect().contains(img.rect()));
}

TEST_F(PainterCanvas, LineLeavesOutItsLastPixel)
{
    canvas->MoveTo(10, 30);
    canvas->LineTo(20, 30);
    EXPECT_EQ(canvas->PenPos(), TPoint(20, 30));
    canvas.reset();
    EXPECT_EQ(img.pixel(10, 30) & 0xFFFFFF, kBlack);
    EXPECT_EQ(img.pixel(19, 30) & 0xFFFFFF, kBlack);
    EXPECT_EQ(img.pixel(20, 30) & 0xFFFFFF, kWhite);
}

TEST_F(PainterCanvas, ClearBrushAndNullPenDrawNothing)
{
    canvas->brush().style = BrushStyle::Clear;
    canvas->pen().style = PenStyle::Null;
    canvas->Rectangle(TRect(0, 0, 50, 50));
    canvas->Ellipse(TRect(0, 0, 50, 50));
    canvas->FillRect(TRect(0, 0, 50, 50));
    canvas.reset();
    EXPECT_EQ(canvastest::countColor(img, kWhite, 0), 100 * 80);
}

TEST_F(PainterCanvas, ClipAndSavedStatesAreRestored)
{
    const int depth = canvas->SaveDC();
    EXPECT_EQ(depth, 1);
    canvas->IntersectClipRect(TRect(0, 0, 10, 10));
    canvas->ExcludeClipRect(TRect(0, 0, 5, 5));
    canvas->brush().color = clRed;
    EXPECT_EQ(canvas->ClipBox(), TRect(0, 0, 10, 10));
    canvas->FillRect(TRect(0, 0, 100, 80));
    EXPECT_TRUE(canvas->RestoreDC(-1));
    EXPECT_FALSE(canvas->HasClip());
    EXPECT_EQ(canvas->brush().color, clWhite); // the brush was changed after the save
    EXPECT_FALSE(canvas->RestoreDC(-1));
    canvas->brush().color = clBlue;
    canvas->FillRect(TRect(50, 50, 60, 60));
    canvas.reset();
    EXPECT_EQ(img.pixel(2, 2) & 0xFFFFFF, kWhite);
    EXPECT_EQ(img.pixel(7, 7) & 0xFFFFFF, kRed);
    EXPECT_EQ(img.pixel(12, 2) & 0xFFFFFF, kWhite);
    EXPECT_EQ(img.pixel(55, 55) & 0xFFFFFF, kBlue);
}

TEST_F(PainterCanvas, WorldTransformMovesAndScalesDrawing)
{
    QTransform t;
    t.translate(10, 10);
    t.scale(2, 2);
    canvas->SetWorldTransform(t);
    canvas->brush().color = clRed;
    canvas->FillRect(TRect(0, 0, 5, 5));
    canvas->IntersectClipRect(TRect(0, 0, 2, 2)); // device (10,10)-(14,14)
    EXPECT_EQ(canvas->ClipRegion().boundingRect(), QRect(10, 10, 4, 4));
    canvas->ModifyWorldTransform(QTransform(), MWT_IDENTITY);
    EXPECT_TRUE(canvas->WorldTransform().isIdentity());
    // A singular transform is refused.
    canvas->SetWorldTransform(QTransform(0, 0, 0, 0, 0, 0));
    EXPECT_TRUE(canvas->WorldTransform().isIdentity());
    canvas.reset();
    EXPECT_EQ(img.pixel(10, 10) & 0xFFFFFF, kRed);
    EXPECT_EQ(img.pixel(19, 19) & 0xFFFFFF, kRed);
    EXPECT_EQ(img.pixel(20, 20) & 0xFFFFFF, kWhite);
    EXPECT_EQ(img.pixel(9, 9) & 0xFFFFFF, kWhite);
}

TEST_F(PainterCanvas, XorPenDrawnTwiceRestoresThePixels)
{
    canvas->brush().color = clRed;
    canvas->FillRect(TRect(0, 0, 50, 50));
    canvas->pen().mode = PenMode::Xor;
    canvas->pen().color = clWhite;
    canvas->MoveTo(0, 10);
    canvas->LineTo(100, 10);
    canvas->MoveTo(0, 10);
    canvas->LineTo(100, 10);
    canvas.reset();
    EXPECT_EQ(img.pixel(20, 10) & 0xFFFFFF, kRed);
    EXPECT_EQ(img.pixel(70, 10) & 0xFFFFFF, kWhite);
}

TEST_F(PainterCanvas, RasterOperationsCombineBitmaps)
{
    QImage src(2, 1, QImage::Format_RGB32);
    src.setPixel(0, 0, qRgb(255, 0, 0));
    src.setPixel(1, 0, qRgb(0, 0, 255));
    canvas->brush().color = clLime;
    canvas->FillRect(TRect(0, 0, 10, 10));
    canvas->StretchDIBits(TRect(0, 0, 2, 1), src, TRect(0, 0, 2, 1), SRCAND);
    canvas->StretchDIBits(TRect(0, 1, 2, 2), src, TRect(0, 0, 2, 1), SRCPAINT);
    canvas->StretchDIBits(TRect(0, 2, 2, 3), src, TRect(0, 0, 2, 1), SRCINVERT);
    canvas->StretchDIBits(TRect(4, 4, 0, 5), src, TRect(0, 0, 2, 1), SRCCOPY); // mirrored
    canvas.reset();
    EXPECT_EQ(img.pixel(0, 0) & 0xFFFFFF, 0x000000u);
    EXPECT_EQ(img.pixel(0, 1) & 0xFFFFFF, 0xFFFF00u);
    EXPECT_EQ(img.pixel(1, 2) & 0xFFFFFF, 0x00FFFFu);
    EXPECT_EQ(img.pixel(1, 4) & 0xFFFFFF, kBlue);
    EXPECT_EQ(img.pixel(2, 4) & 0xFFFFFF, kRed);
}

TEST_F(PainterCanvas, AlphaBlendAndTransparentColour)
{
    QImage src(2, 1, QImage::Format_ARGB32);
    src.setPixel(0, 0, qRgba(255, 0, 0, 255));
    src.setPixel(1, 0, qRgba(255, 0, 0, 0));
    canvas->AlphaBlend(TRect(0, 0, 2, 1), src, TRect(0, 0, 2, 1), 255, true);
    QImage half(1, 1, QImage::Format_RGB32);
    half.fill(qRgb(0, 0, 0));
    canvas->AlphaBlend(TRect(0, 1, 1, 2), half, TRect(0, 0, 1, 1), 128, false);
    QImage keyed(2, 1, QImage::Format_RGB32);
    keyed.setPixel(0, 0, qRgb(0, 0, 255));
    keyed.setPixel(1, 0, qRgb(0, 255, 0));
    canvas->DrawTransparent(TRect(0, 2, 2, 3), keyed, TRect(0, 0, 2, 1), clLime);
    QImage mask(2, 1, QImage::Format_Grayscale8);
    mask.setPixel(0, 0, qRgb(255, 255, 255));
    mask.setPixel(1, 0, qRgb(0, 0, 0));
    canvas->DrawMasked(TRect(0, 3, 2, 4), keyed, TRect(0, 0, 2, 1), mask, true);
    canvas.reset();
    EXPECT_EQ(img.pixel(0, 0) & 0xFFFFFF, kRed);
    EXPECT_EQ(img.pixel(1, 0) & 0xFFFFFF, kWhite);
    EXPECT_NEAR(qRed(img.pixel(0, 1)), 127, 2);
    EXPECT_EQ(img.pixel(0, 2) & 0xFFFFFF, kBlue);
    EXPECT_EQ(img.pixel(1, 2) & 0xFFFFFF, kWhite);
    EXPECT_EQ(img.pixel(0, 3) & 0xFFFFFF, kWhite);
    EXPECT_EQ(img.pixel(1, 3) & 0xFFFFFF, 0x00FF00u);
}

TEST(CanvasText, MeasuringIsConsistentAndFollowsTheFont)
{
    QImage img(10, 10, QImage::Format_RGB32);
    QPainterCanvas c(img);
    c.font().name = QStringLiteral("Arial");
    c.font().height = -100;
    const QString s = QStringLiteral("Hello, World");
    QList<int> adv = c.CharAdvances(s);
    ASSERT_EQ(adv.size(), s.size());
    int sum = 0;
    for (int a : adv)
        sum += a;
    EXPECT_EQ(c.TextWidth(s), sum);
    // Liberation Sans keeps Arial's metrics: "H" is 1479/2048 em.
    EXPECT_EQ(adv[0], 72);
    TextMetrics tm = c.GetTextMetrics();
    EXPECT_EQ(tm.height, tm.ascent + tm.descent);
    EXPECT_NEAR(tm.ascent, 91, 1);
    EXPECT_NEAR(tm.descent, 21, 1);
    EXPECT_EQ(c.TextHeight(s), tm.height);
    c.font().weight = FW_BOLD;
    EXPECT_GT(c.TextWidth(s), sum);
    c.SetFontSize(12);
    EXPECT_EQ(c.font().height, -16);
    EXPECT_DOUBLE_EQ(c.FontSize(), 12);
    // Surrogate pairs: the advance sits on the first unit.
    QList<int> pair = c.CharAdvances(QString::fromUtf8("a\xF0\x9D\x90\x80"));
    ASSERT_EQ(pair.size(), 3);
    EXPECT_EQ(pair[2], 0);
}

TEST(CanvasText, GlyphsLandAtTheGivenAdvances)
{
    QImage img(300, 60, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainterCanvas c(img);
        c.font().height = -30;
        c.SetBkMode(BkMode::Transparent);
        const int dx[] = {100, 100, 10};
        c.ExtTextOut(0, 0, 0, nullptr, QStringLiteral("III"), dx);
    }
    auto inkInColumns = [&](int from, int to) {
        int n = 0;
        for (int y = 0; y < 60; ++y)
            for (int x = from; x < to; ++x)
                n += qGray(img.pixel(x, y)) < 128;
        return n;
    };
    EXPECT_GT(inkInColumns(0, 15), 0);
    EXPECT_EQ(inkInColumns(15, 100), 0);
    EXPECT_GT(inkInColumns(100, 115), 0);
    EXPECT_GT(inkInColumns(200, 215), 0);
    EXPECT_EQ(inkInColumns(215, 300), 0);
}

TEST(CanvasText, AlignmentOpaqueBackgroundAndCurrentPosition)
{
    QImage img(200, 60, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainterCanvas c(img);
    c.font().height = -20;
    const int w = c.TextWidth(QStringLiteral("AB"));
    c.SetTextAlign(TA_UPDATECP);
    c.MoveTo(10, 0);
    c.TextOut(0, 0, QStringLiteral("AB"));
    EXPECT_EQ(c.PenPos(), TPoint(10 + w, 0));
    c.SetTextAlign(TA_RIGHT | TA_BASELINE);
    TextPlacement p = c.PlaceText(150, 40, QStringLiteral("AB"), {});
    EXPECT_DOUBLE_EQ(p.origin.x(), 150 - w);
    EXPECT_DOUBLE_EQ(p.origin.y(), 40);
    c.SetTextAlign(TA_CENTER | TA_BOTTOM);
    p = c.PlaceText(100, 40, QStringLiteral("AB"), {});
    EXPECT_DOUBLE_EQ(p.origin.x(), 100 - w / 2.0);
    EXPECT_DOUBLE_EQ(p.origin.y(), 40 - p.descent);
    // Opaque rectangle is filled with the background colour.
    c.SetTextAlign(0);
    c.SetBkColor(clBlue);
    TRect r(150, 0, 200, 20);
    c.ExtTextOut(150, 0, ETO_OPAQUE | ETO_CLIPPED, &r, QString());
    c.painter().end();
    EXPECT_EQ(img.pixel(199, 19) & 0xFFFFFF, 0x0000FFu);
}

TEST(PrinterCanvas, TextReachesThePrinterAsText)
{
    vdtest::TempDir dir;
    const QString pdf = dir.file(QStringLiteral("out.pdf"));
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        QPainter painter(&printer);
        QPainterCanvas c(painter, CanvasKind::Printer, printer.resolution(), printer.resolution());
        EXPECT_TRUE(c.isPrinter());
        EXPECT_EQ(c.LogPixelsY(), printer.resolution());
        c.SetFontSize(12);
        c.SetBkMode(BkMode::Transparent);
        c.TextOut(c.LogPixelsX(), c.LogPixelsY(), QStringLiteral("Printed through the canvas"));
        c.brush().color = clRed;
        c.Rectangle(TRect(c.LogPixelsX(), 2 * c.LogPixelsY(), 2 * c.LogPixelsX(), 3 * c.LogPixelsY()));
    }
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(60000));
    EXPECT_TRUE(QString::fromUtf8(text.readAllStandardOutput()).contains(QStringLiteral("Printed through the canvas")));
    QProcess fonts;
    fonts.start(QStringLiteral("pdffonts"), {pdf});
    ASSERT_TRUE(fonts.waitForFinished(60000));
    EXPECT_TRUE(QString::fromUtf8(fonts.readAllStandardOutput()).contains(QStringLiteral("LiberationSans")));
}

TEST(PainterCanvasClip, ThePaintersOwnClipStays)
{
    QImage img(20, 20, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        p.setClipRect(QRect(0, 0, 10, 20));
        QPainterCanvas c(p, CanvasKind::Screen, 96, 96);
        c.SaveDC();
        c.IntersectClipRect(TRect(0, 0, 20, 5));
        c.RestoreDC(-1);
        c.brush().color = clRed;
        c.FillRect(TRect(0, 0, 20, 20));
    }
    EXPECT_EQ(img.pixel(5, 15) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(img.pixel(15, 15) & 0xFFFFFF, 0xFFFFFFu);
}

TEST(CanvasText, FontWidthNarrowsTheGlyphs)
{
    QImage img(200, 40, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainterCanvas c(img);
    c.font().height = -30;
    const int natural = c.TextWidth(QStringLiteral("MMMM"));
    const int ave = c.GetTextMetrics().aveCharWidth;
    c.font().width = ave / 2;
    const double stretch = c.FontStretch();
    EXPECT_NEAR(stretch, 0.5, 0.1);
    const double expected = natural * stretch;
    EXPECT_NEAR(c.TextWidth(QStringLiteral("MMMM")), expected, 4);
    c.SetBkMode(BkMode::Transparent);
    c.TextOut(0, 0, QStringLiteral("MMMM"));
    c.painter().end();
    int right = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 200; ++x)
            if (qGray(img.pixel(x, y)) < 128)
                right = std::max(right, x);
    EXPECT_NEAR(right, expected, 6);
}

TEST(CanvasText, MeasuringWorksFromWorkerThreads)
{
    const QString s = QStringLiteral("Worker threads measure the same text");
    QImage img(1, 1, QImage::Format_RGB32);
    QList<int> expected;
    {
        QPainterCanvas c(img, 600);
        c.font().name = QStringLiteral("Times New Roman");
        c.SetFontSize(10);
        expected = c.CharAdvances(s);
    }
    std::vector<QList<int>> results(4);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < results.size(); ++i)
        threads.emplace_back([&, i] {
            QImage local(1, 1, QImage::Format_RGB32);
            QPainterCanvas c(local, 600);
            c.font().name = QStringLiteral("Times New Roman");
            c.SetFontSize(10);
            for (int k = 0; k < 50; ++k)
                results[i] = c.CharAdvances(s);
        });
    for (std::thread &t : threads)
        t.join();
    for (const QList<int> &r : results)
        EXPECT_EQ(r, expected);
}

namespace {

// Underline and strike-out lie along the run wherever it is drawn; nothing
// is drawn away from it.
TEST(PainterCanvasDecorations, LinesFollowTheRun)
{
    for (const bool strike : {false, true}) {
        QImage img(400, 200, QImage::Format_RGB32);
        img.fill(Qt::white);
        {
            QPainterCanvas c(img);
            c.font().name = QStringLiteral("DejaVu Sans");
            c.font().height = -20;
            c.font().underline = !strike;
            c.font().strikeOut = strike;
            c.SetBkMode(BkMode::Transparent);
            c.TextOut(150, 60, QStringLiteral("mmmm"));
        }
        QRect ink;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (qGray(img.pixel(x, y)) < 128)
                    ink |= QRect(x, y, 1, 1);
        EXPECT_GE(ink.left(), 149) << strike;
        EXPECT_LE(ink.bottom(), 90) << strike;
        EXPECT_LE(ink.right(), 150 + 80) << strike;
        // A full-width line under or through the glyphs.
        int longest = 0;
        for (int y = 60; y < 90; ++y) {
            int run = 0;
            for (int x = 150; x < 240; ++x)
                run = qGray(img.pixel(x, y)) < 128 ? run + 1 : 0, longest = std::max(longest, run);
        }
        EXPECT_GT(longest, 50) << strike;
    }
}

} // namespace
