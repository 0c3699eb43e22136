// Every view kind of tests/data/report/views.vd3 drawn at two scales against
// the checked-in images, within a small tolerance; the same page recorded as
// a metafile is read by an independent converter.
#include "platform/EmfRecorderCanvas.h"
#include "platform/QPainterCanvas.h"
#include "report/vdxClass.h"
#include "tests/common/TestSupport.h"

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

class ViewGolden : public ::testing::TestWithParam<int> {};

TEST_P(ViewGolden, MatchesTheImage)
{
    const int scale = GetParam();
    TvdxReport r;
    ASSERT_TRUE(r.LoadFromFile(vdtest::dataPath(QStringLiteral("report/views.vd3")))) << r.ErrorMessage().toStdString();
    double right, bottom;
    const QList<TvdxView *> views = pageViews(r, right, bottom);
    ASSERT_EQ(views.size(), 10);
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
    vdtest::TempDir dir;
    ASSERT_TRUE(vdtest::writeFile(dir.file(QStringLiteral("p.emf")), canvas.finish()));
    QProcess p;
    p.start(conv, {QStringLiteral("-i"), dir.file(QStringLiteral("p.emf")), QStringLiteral("-o"),
                   dir.file(QStringLiteral("p.svg"))});
    ASSERT_TRUE(p.waitForFinished(20000));
    const QByteArray svg = vdtest::readFile(dir.file(QStringLiteral("p.svg"))).toUpper();
    for (const char *c : {"#FF0000", "#C0C0C0", "#FFFF00", "#80FFFF", "#008000"})
        EXPECT_TRUE(svg.contains(c)) << c;
}

} // namespace
