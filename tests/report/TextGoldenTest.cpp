// Text drawn by the layout with real fonts, offscreen, against checked-in
// images within a small tolerance: alignments, rotations, underlines, inline
// tags, and right-to-left Hebrew and Arabic. Right-to-left lines are also
// compared with QTextLayout drawing the same text. VD_UPDATE_GOLDEN=1 writes
// the images instead of comparing.
#include "platform/FontMap.h"
#include "platform/QPainterCanvas.h"
#include "report/vdxDrawText.h"
#include "report/vdxVectorCanvas.h"
#include "tests/common/TestSupport.h"

#include <QImage>
#include <QPainter>
#include <QTextLayout>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

struct GoldenCase {
    const char *name;
    const char16_t *text; // paragraphs split at '\n'
    const char *font;
    int size;
    TvdxHAlign hAlign;
    TvdxVAlign vAlign;
    int rotation;
    TvdxUnderlinesTextMode underlines;
    bool tags;
    bool rtl;
    int boxWidth = 300; // a slanted line needs a box about as wide as high
};

const char16_t kPara[] = u"The quick brown fox jumps over the lazy dog; pack my box with five dozen jugs.";

QImage render(const GoldenCase &c, TVectorCanvas *vc = nullptr)
{
    const TRect box(10, 10, 10 + c.boxWidth, 150);
    QImage img(320, 160, QImage::Format_RGB32);
    img.fill(Qt::white);
    TvdxDrawText dt;
    TvdxDrawTextLocker lock(dt);
    dt.SetFont(QString::fromLatin1(c.font), c.size, 0, clBlack);
    dt.SetOptions(true, c.tags, c.rtl, false, true, true, c.rotation);
    dt.SetGaps(0, 0, 2);
    dt.SetDimensions(1, 1, 1, box, box);
    dt.SetText(QString::fromUtf16(c.text).split(u'\n'));
    QPainterCanvas canvas(img);
    CanvasPen pen;
    pen.color = clBlack;
    canvas.setPen(pen);
    dt.SetVC(vc);
    dt.DrawText(canvas, c.hAlign, c.vAlign, c.underlines, -1);
    dt.SetVC(nullptr);
    return img;
}

QString goldenPath(const char *name)
{
    return vdtest::dataPath(QStringLiteral("report/text/%1.png").arg(QString::fromLatin1(name)));
}

class TextGolden : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(TextGolden, MatchesTheImage)
{
    const GoldenCase &c = GetParam();
    const QImage img = render(c);
    const QString path = goldenPath(c.name);
    if (qEnvironmentVariableIsSet("VD_UPDATE_GOLDEN")) {
        ASSERT_TRUE(img.save(path)) << path.toStdString();
        return;
    }
    const QImage golden = QImage(path).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(golden.isNull()) << path.toStdString();
    ASSERT_EQ(golden.size(), img.size());
    int ink = 0, off = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb a = img.pixel(x, y), b = golden.pixel(x, y);
            ink += qGray(b) < 128;
            if (std::abs(qRed(a) - qRed(b)) > 24 || std::abs(qGreen(a) - qGreen(b)) > 24
                || std::abs(qBlue(a) - qBlue(b)) > 24)
                ++off;
        }
    EXPECT_GT(ink, 50) << "the image shows text";
    // Antialiased edges may shift a little between font renderers; a moved
    // line or a wrong glyph changes far more.
    EXPECT_LE(off, img.width() * img.height() / 200) << off << " pixels differ";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextGolden,
    ::testing::Values(
        GoldenCase{"left", kPara, "Arial", 10, haLeft, vaTop, 0, ulmNone, false, false},
        GoldenCase{"right", kPara, "Arial", 10, haRight, vaCenter, 0, ulmNone, false, false},
        GoldenCase{"center", kPara, "Arial", 10, haCenter, vaBottom, 0, ulmNone, false, false},
        GoldenCase{"block", kPara, "Times New Roman", 11, haBlock, vaTop, 0, ulmNone, false, false},
        GoldenCase{"rot45", u"Rotated by 45 degrees", "Arial", 10, haLeft, vaTop, 45, ulmNone, false, false, 120},
        GoldenCase{"rot90", kPara, "Arial", 10, haLeft, vaTop, 90, ulmNone, false, false},
        GoldenCase{"rot180", kPara, "Arial", 10, haLeft, vaTop, 180, ulmNone, false, false},
        GoldenCase{"rot270", kPara, "Arial", 10, haCenter, vaCenter, 270, ulmNone, false, false},
        GoldenCase{"underlines_all", u"ruled\nlines", "Courier New", 10, haLeft, vaCenter, 0, ulmUnderlinesAll,
                   false, false},
        GoldenCase{"underlines_text", u"one\n\nthree", "Courier New", 10, haLeft, vaTop, 0, ulmUnderlinesText,
                   false, false},
        GoldenCase{"tags",
                   u"plain <b>bold</b> <i>italic</i> <u>under</u> <strike>struck</strike>\n"
                   u"<font color=#FF0000>red</font> H<sub>2</sub>O x<sup>2</sup> <b><i>both</i></b>",
                   "Arial", 12, haLeft, vaTop, 0, ulmNone, true, false},
        GoldenCase{"hebrew", u"שלום עולם, זהו טקסט בעברית שנשבר לכמה שורות בתוך התיבה", "DejaVu Sans", 12,
                   haRight, vaTop, 0, ulmNone, false, true},
        GoldenCase{"arabic", u"مرحبا بالعالم، هذا نص عربي طويل يلتف على عدة أسطر داخل الإطار", "DejaVu Sans", 12,
                   haRight, vaTop, 0, ulmNone, false, true}),
    [](const ::testing::TestParamInfo<GoldenCase> &info) { return std::string(info.param.name); });

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

class RightToLeftLine : public ::testing::TestWithParam<const char16_t *> {};

// One right-to-left line laid out and drawn by the layout, beside QTextLayout
// drawing the same text in the same font and pixel size from the same place.
TEST_P(RightToLeftLine, MatchesQTextLayout)
{
    const QString text = QString::fromUtf16(GetParam());
    const GoldenCase c{"", GetParam(), "DejaVu Sans", 24, haLeft, vaTop, 0, ulmNone, false, true};
    TVectorCanvas vc;
    const QImage ours = render(c, &vc);
    ASSERT_EQ(vc.Count(), 1) << "one line, one run";
    const int px = 32; // Round(24 * 96 / 72)
    QImage qt(ours.size(), QImage::Format_RGB32);
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
        line.setLineWidth(1000);
        layout.endLayout();
        // The run starts at its recorded point, glyph tops at its y.
        layout.draw(&p, QPointF(vc.Items(0)->X() - line.x(), vc.Items(0)->Y()));
    }
    const QImage a = ink(ours), b = ink(qt);
    const QRect ra = inkBox(a), rb = inkBox(b);
    ASSERT_FALSE(ra.isEmpty());
    EXPECT_NEAR(ra.left(), rb.left(), 4);
    EXPECT_NEAR(ra.right(), rb.right(), 4);
    EXPECT_NEAR(ra.top(), rb.top(), 3);
    EXPECT_NEAR(ra.bottom(), rb.bottom(), 3);
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
    // Advances scaled from the 600 ppi measurement drift a pixel or two from
    // QTextLayout's over a line; a wrong order or glyph differs in most ink.
    EXPECT_LT(differ, inkA / 4) << "pixels differing: " << differ << " of " << inkA;
}

INSTANTIATE_TEST_SUITE_P(Scripts, RightToLeftLine,
                         ::testing::Values(u"שלום עולם", u"مرحبا بالعالم"));

} // namespace
