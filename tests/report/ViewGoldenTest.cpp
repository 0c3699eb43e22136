// Every view kind of tests/data/report/views.vd3 drawn at two scales against
// the checked-in images, within a small tolerance; the same page recorded as
// a metafile, and each view's own vector graphic, read by an independent
// converter.
#include "core/vdGraphicUtils.h"
#include "platform/EmfRecorderCanvas.h"
#include "platform/QPainterCanvas.h"
#include "report/vdxClass.h"
#include "tests/common/TestSupport.h"

#include <QBuffer>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

QList<TvdxView *> pageViews(TvdxReport &r, double &right, double &bottom)
{
    QList<TvdxView *> views;
    right = bottom = 1;
    TvdxPage *page = nullptr;
    for (int i = 0; i < r.PagesCount() && !page; ++i)
        if (qobject_cast<TvdxReportPage *>(r.Pages(i)))
            page = r.Pages(i);
    if (!page)
        return views;
    for (TvdxComponent *c : page->AllObjects())
        if (auto *v = qobject_cast<TvdxView *>(c)) {
            views << v;
            right = std::max(right, double(v->AbsLeft() + std::max<long double>(v->Width(), 0)) + 4);
            bottom = std::max(bottom, double(v->AbsTop() + std::max<long double>(v->Height(), 0)) + 4);
        }
    return views;
}

void drawAll(Canvas &canvas, const QList<TvdxView *> &views, double scale)
{
    for (TvdxView *v : views) {
        canvas.SaveDC();
        v->Draw(canvas, scale, scale, 0, 0);
        canvas.RestoreDC();
    }
}

QByteArray convertToSvg(const QString &conv, const QByteArray &emf)
{
    vdtest::TempDir dir;
    if (!vdtest::writeFile(dir.file(QStringLiteral("v.emf")), emf))
        return QByteArray();
    QProcess p;
    p.start(conv, {QStringLiteral("-i"), dir.file(QStringLiteral("v.emf")), QStringLiteral("-o"),
                   dir.file(QStringLiteral("v.svg"))});
    if (!p.waitForFinished(20000) || p.exitCode() != 0)
        return QByteArray();
    return vdtest::readFile(dir.file(QStringLiteral("v.svg"))).toUpper();
}

class ViewGolden : public ::testing::TestWithParam<int> {};

TEST_P(ViewGolden, MatchesTheImage)
{
    const int scale = GetParam();
    TvdxReport r;
    ASSERT_TRUE(r.LoadFromFile(vdtest::dataPath(QStringLiteral("report/views.vd3")))) << r.ErrorMessage().toStdString();
    double right, bottom;
    const QList<TvdxView *> views = pageViews(r, right, bottom);
    ASSERT_EQ(views.size(), 11);
    QImage img(int(std::ceil(right * scale)), int(std::ceil(bottom * scale)), QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainterCanvas canvas(img);
        drawAll(canvas, views, scale);
    }
    const QImage golden(vdtest::dataPath(QStringLiteral("report/views_s%1.png").arg(scale)));
    ASSERT_FALSE(golden.isNull());
    ASSERT_EQ(golden.size(), img.size());
    const QImage g = golden.convertToFormat(QImage::Format_RGB32);
    int off = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb a = img.pixel(x, y), b = g.pixel(x, y);
            if (std::abs(qRed(a) - qRed(b)) > 8 || std::abs(qGreen(a) - qGreen(b)) > 8
                || std::abs(qBlue(a) - qBlue(b)) > 8)
                ++off;
        }
    EXPECT_LE(off, img.width() * img.height() / 200) << off << " pixels differ";
}

INSTANTIATE_TEST_SUITE_P(Scales, ViewGolden, ::testing::Values(1, 2));

TEST(ViewGoldenEmf, ConverterSeesTheFillColours)
{
    const QString conv = QStandardPaths::findExecutable(QStringLiteral("emf2svg-conv"));
    if (conv.isEmpty())
        GTEST_SKIP() << "emf2svg-conv is not installed";
    TvdxReport r;
    ASSERT_TRUE(r.LoadFromFile(vdtest::dataPath(QStringLiteral("report/views.vd3"))));
    double right, bottom;
    const QList<TvdxView *> views = pageViews(r, right, bottom);
    EmfRecorderCanvas canvas{int(right), int(bottom)};
    drawAll(canvas, views, 1);
    const QByteArray svg = convertToSvg(conv, canvas.finish());
    ASSERT_TRUE(svg.contains("<SVG"));
    for (const char *c : {"#FF0000", "#C0C0C0", "#FFFF00", "#80FFFF", "#008000"})
        EXPECT_TRUE(svg.contains(c)) << c;
}

// Each view's vector graphic, as vector exports take it, read by the
// converter: the fills (and a line's stroke) come out in their colours.
TEST(ViewGoldenEmf, EachVectorGraphicReadsWithItsColours)
{
    const QString conv = QStandardPaths::findExecutable(QStringLiteral("emf2svg-conv"));
    if (conv.isEmpty())
        GTEST_SKIP() << "emf2svg-conv is not installed";
    TvdxReport r;
    ASSERT_TRUE(r.LoadFromFile(vdtest::dataPath(QStringLiteral("report/views.vd3"))));
    const struct {
        const char *name;
        const char *colour; // nullptr: only readable
    } cases[] = {
        {"Ellipse1", "#FF0000"}, {"Rect1", "#8080FF"},   {"Triangle1", "#008000"}, {"Diamond1", "#FFFF00"},
        {"Round1", "#C0C0C0"},   {"Diagonal1", nullptr}, {"Line1", nullptr},       {"Line2", nullptr},
        {"Picture1", "#FFFFE0"}, {"Signature1", nullptr}, {"Framed1", "#80FFFF"},
    };
    for (const auto &c : cases) {
        auto *v = qobject_cast<TvdxView *>(r.FindObject(QString::fromLatin1(c.name)));
        ASSERT_TRUE(v) << c.name;
        const QByteArray before = [&] {
            QBuffer b;
            b.open(QIODevice::WriteOnly);
            r.SaveToStream(b);
            return b.data();
        }();
        std::unique_ptr<TvdxMetafile> mf(v->GetVectorGraphic(true));
        ASSERT_TRUE(mf) << c.name;
        EXPECT_FALSE(v->ObjAsMetafile()) << c.name;
        const QByteArray svg = convertToSvg(conv, mf->Data());
        ASSERT_TRUE(svg.contains("<SVG")) << c.name;
        if (c.colour) {
            EXPECT_TRUE(svg.contains(c.colour)) << c.name << " " << svg.left(1500).constData();
        }
        QBuffer after;
        after.open(QIODevice::WriteOnly);
        r.SaveToStream(after);
        EXPECT_EQ(after.data(), before) << c.name << ": rendering changed the model";
    }
}

} // namespace
