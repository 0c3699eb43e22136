#include "platform/FontMap.h"
#include "platform/QPainterCanvas.h"
#include "platform/TextShaping.h"
#include <QPainter>
#include <QTextLayout>
#include <gtest/gtest.h>

namespace {

const QString kHebrew = QStringLiteral(u"שלום עולם");
const QString kArabic = QStringLiteral(u"مرحبا بالعالم");

TEST(TextShapingTest, WhatNeedsShaping)
{
    EXPECT_FALSE(NeedsShaping(QStringLiteral("plain text, é ü")));
    EXPECT_TRUE(NeedsShaping(kHebrew));
    EXPECT_TRUE(NeedsShaping(kArabic));
    EXPECT_TRUE(NeedsShaping(QStringLiteral(u"नमस्ते")));
    EXPECT_TRUE(IsRightToLeftText(QStringLiteral(u"123 שלום abc")));
    EXPECT_FALSE(IsRightToLeftText(QStringLiteral(u"abc שלום")));
}

TEST(TextShapingTest, ClusterAdvanceSitsOnItsFirstUnit)
{
    // Lam and alef join into one ligature glyph: one cluster of two units.
    const QString lamAlef = QStringLiteral(u"\u0644\u0627");
    const ShapedText s = ShapeText(QStringLiteral("DejaVu Sans"), 400, false, 100, lamAlef, true);
    ASSERT_EQ(s.unitAdvances.size(), 2);
    EXPECT_GT(s.unitAdvances[0], 0);
    EXPECT_EQ(s.unitAdvances[1], 0);
    EXPECT_EQ(s.glyphs.size(), 1);
}

TEST(TextShapingTest, RightToLeftRunsAreDrawnRightToLeft)
{
    // The first logical letter of a Hebrew word is its rightmost glyph.
    const ShapedText s = ShapeText(QStringLiteral("DejaVu Sans"), 400, false, 100, QStringLiteral(u"אב"), true);
    ASSERT_EQ(s.glyphs.size(), 2);
    QImage img(1, 1, QImage::Format_RGB32);
    QPainterCanvas c(img, 96);
    c.font().name = QStringLiteral("DejaVu Sans");
    c.font().height = -100;
    const QRawFont raw = c.SelectedRawFont();
    const quint32 alef = raw.glyphIndexesForString(QStringLiteral(u"א")).value(0);
    EXPECT_EQ(s.glyphs[1], alef);
    EXPECT_LT(s.offsets[0], s.offsets[1]);
    // Numbers inside right-to-left text keep their own order.
    const ShapedText n = ShapeText(QStringLiteral("DejaVu Sans"), 400, false, 100, QStringLiteral(u"א 12"), true);
    ASSERT_EQ(n.glyphs.size(), 4);
    EXPECT_EQ(n.glyphs[0], raw.glyphIndexesForString(QStringLiteral("1")).value(0));
    EXPECT_EQ(n.glyphs[3], alef);
}

TEST(TextShapingTest, CallerAdvancesPlaceTheClusters)
{
    const int dx[] = {30, 30};
    const ShapedText s =
        ShapeText(QStringLiteral("DejaVu Sans"), 400, false, 40, QStringLiteral(u"אב"), true, dx);
    EXPECT_DOUBLE_EQ(s.width, 60);
    EXPECT_NEAR(s.offsets[1], 30, 1e-9); // alef takes the right half
}

// Ink of an image, thresholded.
QImage ink(const QImage &img)
{
    QImage out(img.size(), QImage::Format_Mono);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            out.setPixel(x, y, qGray(img.pixel(x, y)) < 128 ? 1 : 0);
    return out;
}

QRect inkBox(const QImage &mono)
{
    QRect r;
    for (int y = 0; y < mono.height(); ++y)
        for (int x = 0; x < mono.width(); ++x)
            if (mono.pixelIndex(x, y))
                r |= QRect(x, y, 1, 1);
    return r;
}

class RightToLeftDrawing : public ::testing::TestWithParam<QString> {};

TEST_P(RightToLeftDrawing, MatchesQTextLayout)
{
    const QString text = GetParam();
    const int px = 40;
    QImage ours(500, 80, QImage::Format_RGB32);
    ours.fill(Qt::white);
    {
        QPainterCanvas c(ours);
        c.font().name = QStringLiteral("DejaVu Sans");
        c.font().height = -px;
        c.SetBkMode(BkMode::Transparent);
        c.SetTextAlign(TA_BASELINE);
        c.ExtTextOut(10, 50, ETO_RTLREADING, nullptr, text);
    }
    QImage qt(500, 80, QImage::Format_RGB32);
    qt.fill(Qt::white);
    {
        QPainter p(&qt);
        QTextLayout layout(text, MakeQFont(QStringLiteral("DejaVu Sans"), px, 400, false));
        QTextOption opt;
        opt.setTextDirection(Qt::RightToLeft);
        opt.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
        layout.setTextOption(opt);
        layout.beginLayout();
        QTextLine line = layout.createLine();
        line.setLineWidth(480);
        layout.endLayout();
        layout.draw(&p, QPointF(10 - line.x(), 50 - line.ascent()));
    }
    const QImage a = ink(ours), b = ink(qt);
    const QRect ra = inkBox(a), rb = inkBox(b);
    ASSERT_FALSE(ra.isEmpty());
    EXPECT_NEAR(ra.left(), rb.left(), 3);
    EXPECT_NEAR(ra.right(), rb.right(), 3);
    EXPECT_NEAR(ra.top(), rb.top(), 2);
    EXPECT_NEAR(ra.bottom(), rb.bottom(), 2);
    // Ink with no ink of the other image within one pixel: rounding of the
    // advances and antialiasing move edges by a pixel, a wrong glyph or
    // order moves whole strokes.
    auto near = [](const QImage &m, int x, int y) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const int xx = x + dx, yy = y + dy;
                if (xx >= 0 && yy >= 0 && xx < m.width() && yy < m.height() && m.pixelIndex(xx, yy))
                    return true;
            }
        return false;
    };
    int inkA = 0, differ = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            inkA += a.pixelIndex(x, y);
            differ += (a.pixelIndex(x, y) && !near(b, x, y)) + (b.pixelIndex(x, y) && !near(a, x, y));
        }
    // Rounded cluster advances drift a pixel or two over a line; a wrong
    // order or glyph differs in most of the ink.
    EXPECT_LT(differ, inkA / 4) << "pixels differing: " << differ << " of " << inkA;
}

INSTANTIATE_TEST_SUITE_P(Scripts, RightToLeftDrawing, ::testing::Values(kHebrew, kArabic));

} // namespace
