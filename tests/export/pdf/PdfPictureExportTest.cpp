// Pictures and views drawn through their metafile, end to end: the file
// checked by qpdf, its images listed by pdfimages and the page rendered by
// pdftoppm against the report's own raster of the same views.
#include "PdfExportTestUtil.h"
#include "common/TestSupport.h"
#include "core/vdGraphicUtils.h"
#include "platform/QPainterCanvas.h"
#include "report/vdxClass_page.h"
#include "report/vdxClass_picture.h"

#include <gtest/gtest.h>

using namespace pdftest;

namespace {

// A picture with a left half of opaque red and a transparent right half.
std::unique_ptr<TBitmap> halfTransparent()
{
    QImage img(40, 40, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 20; ++x)
            img.setPixel(x, y, qRgba(255, 0, 0, 255));
    auto b = std::make_unique<TBitmap>();
    b->SetImage(img, pf32bit);
    b->SetAlphaFormat(afDefined);
    return b;
}

// Blue and green rectangles, recorded as an enhanced metafile.
std::unique_ptr<TvdxMetafile> vectorArt()
{
    auto mf = std::make_unique<TvdxMetafile>();
    mf->SetWidth(100);
    mf->SetHeight(100);
    Canvas &c = mf->GetCanvas();
    c.setPen(CanvasPen{});
    c.setBrush(CanvasBrush(clBlue, BrushStyle::Solid));
    c.Rectangle(TRect(0, 0, 50, 100));
    c.setBrush(CanvasBrush(clLime, BrushStyle::Solid));
    c.Rectangle(TRect(50, 50, 100, 100));
    mf->ReleaseCanvas();
    return mf;
}

struct ImageRow {
    QString type;
    int width = 0, height = 0;
    QString colour;
    int object = 0;
};

// The rows of "pdfimages -list".
QList<ImageRow> listImages(const QString &file)
{
    QList<ImageRow> rows;
    const ToolResult r = runTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), file});
    if (!r.ran)
        return rows;
    const QStringList lines = r.output.split(u'\n');
    for (qsizetype i = 2; i < lines.size(); ++i) {
        const QStringList f = lines[i].simplified().split(u' ');
        if (f.size() < 12)
            continue;
        rows.append(ImageRow{f[2], f[3].toInt(), f[4].toInt(), f[5], f[10].toInt()});
    }
    return rows;
}

// Share of pixels whose channels all lie within Tolerance.
double agreement(const QImage &a, const QImage &b, int tolerance = 48)
{
    if (a.size() != b.size() || a.isNull())
        return 0;
    qint64 same = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            same += std::abs(qRed(p) - qRed(q)) <= tolerance && std::abs(qGreen(p) - qGreen(q)) <= tolerance
                    && std::abs(qBlue(p) - qBlue(q)) <= tolerance;
        }
    return double(same) / (qint64(a.width()) * a.height());
}

// The report's own raster of views at 72 dpi on a white page of Size points.
QImage ownRaster(const QList<TvdxView *> &views, QSize size)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainterCanvas canvas(img);
    for (TvdxView *v : views)
        v->Draw(canvas, 0.75, 0.75, 0, 0);
    return img;
}

struct Exported {
    QString file;
    QByteArray bytes;
};

// Pages of 300 x 300 report pixels, each with the views.
Exported exportPages(vdtest::TempDir &tmp, const QString &name, const QList<TvdxView *> &views, int pages,
                     bool transparency = true)
{
    Exported e;
    e.file = tmp.file(name);
    TvdxReportPage page;
    page.SetBounds(0, 0, 300, 300);
    TvdxPDFExport f(nullptr, true);
    f.SetShowDialog(false);
    f.SetTransparency(transparency);
    f.SetFileName(e.file);
    EXPECT_TRUE(f.DoStart());
    for (int i = 0; i < pages; ++i) {
        f.StartPage(&page, i);
        for (TvdxView *v : views)
            f.ExportObject(v);
        f.FinishPage(&page, i);
    }
    f.DoFinish();
    e.bytes = vdtest::readFile(e.file);
    const ToolResult check = runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), e.file});
    if (check.ran)
        EXPECT_EQ(check.exitCode, 0) << check.output.toStdString();
    return e;
}

} // namespace

TEST(PdfPictureExport, PicturesBecomeImagesWithSoftMasksWhereTheyAreTransparent)
{
    if (!haveTools())
        GTEST_SKIP() << "poppler-utils not installed";
    struct Case {
        const char *name;
        bool transparency;
        int pages;
        QStringList types; // pdfimages rows of the first page
    } cases[] = {
        {"alpha with transparency", true, 1, {"image", "smask"}},
        {"alpha without transparency", false, 1, {"image"}},
        {"the same picture on ten pages", true, 10, {"image", "smask"}},
    };
    for (const Case &c : cases) {
        vdtest::TempDir tmp;
        TvdxPictureView pic;
        pic.SetBounds(40, 40, 120, 120);
        pic.Frame()->SetColor(clNone);
        const auto bmp = halfTransparent();
        pic.SetGraphic(bmp.get());
        const Exported e = exportPages(tmp, QStringLiteral("pic.pdf"), {&pic}, c.pages, c.transparency);
        const QList<ImageRow> rows = listImages(e.file);
        ASSERT_EQ(rows.size(), c.types.size() * c.pages) << c.name;
        for (qsizetype i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(rows[i].type, c.types[i % c.types.size()]) << c.name << " row " << i;
            EXPECT_GT(rows[i].width, 0);
            // Every page draws the one image (and mask) written first.
            EXPECT_EQ(rows[i].object, rows[i % c.types.size()].object) << c.name << " row " << i;
        }
        if (c.types.size() == 2) {
            EXPECT_EQ(rows[0].colour, QStringLiteral("rgb"));
            EXPECT_EQ(rows[1].colour, QStringLiteral("gray"));
            EXPECT_EQ(rows[0].width, rows[1].width);
            EXPECT_EQ(e.bytes.count("/SMask "), 1) << c.name;
        } else {
            EXPECT_FALSE(e.bytes.contains("/SMask ")) << c.name;
        }

        const QImage rendered = renderPage(e.file);
        ASSERT_EQ(rendered.size(), QSize(225, 225));
        // Red on the left half; the right half shows the page through the
        // mask, or the picture's white backing without one.
        const QRgb left = rendered.pixel(45, 75), right = rendered.pixel(105, 75);
        EXPECT_GT(qRed(left), 200) << c.name;
        EXPECT_LT(qGreen(left), 60) << c.name;
        EXPECT_GT(qGray(right), 220) << c.name;
        if (c.transparency)
            EXPECT_GT(agreement(rendered, ownRaster({&pic}, QSize(225, 225))), 0.97) << c.name;
    }
}

TEST(PdfPictureExport, VectorPicturesAreReplayedAsVectors)
{
    if (!haveTools())
        GTEST_SKIP() << "poppler-utils not installed";
    vdtest::TempDir tmp;
    TvdxPictureView pic;
    pic.SetBounds(40, 40, 200, 200);
    pic.Frame()->SetColor(clNone);
    const auto mf = vectorArt();
    pic.SetGraphic(mf.get());
    ASSERT_TRUE(pic.IsEMFExportable());
    const Exported e = exportPages(tmp, QStringLiteral("vector.pdf"), {&pic}, 1);
    EXPECT_TRUE(listImages(e.file).isEmpty());

    const QImage rendered = renderPage(e.file);
    ASSERT_EQ(rendered.size(), QSize(225, 225));
    const QRgb blue = rendered.pixel(60, 120), green = rendered.pixel(150, 150), white = rendered.pixel(150, 60);
    EXPECT_LT(qRed(blue), 60);
    EXPECT_GT(qBlue(blue), 200);
    EXPECT_GT(qGreen(green), 200);
    EXPECT_LT(qBlue(green), 60);
    EXPECT_GT(qGray(white), 230);
    EXPECT_GT(agreement(rendered, ownRaster({&pic}, QSize(225, 225))), 0.97);
}
