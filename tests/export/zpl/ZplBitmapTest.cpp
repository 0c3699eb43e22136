#include "GfaDecode.h"
#include "ZplTestUtil.h"

#include "barcode/vdxBarcode2DView.h"
#include "barcode/vdxBarcodeView.h"

#include "core/vdGIFGraphic.h"
#include "core/vdICOGraphics.h"
#include "platform/Canvas.h"
#include "core/vdGraphic.h"
#include "core/vdGraphicUtils.h"
#include "core/vdJPEGGraphics.h"
#include "core/vdPNGGraphics.h"
#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QPainter>
#include <functional>

using namespace zpltest;

namespace {

// Dots printed within r pixels of (x, y).
bool dotNear(const GfaField &f, int x, int y, int r = 1)
{
    for (int yy = std::max(0, y - r); yy <= std::min(f.height() - 1, y + r); ++yy)
        for (int xx = std::max(0, x - r); xx <= std::min(f.bytesPerRow * 8 - 1, x + r); ++xx)
            if (f.dot(xx, yy))
                return true;
    return false;
}

int dotCount(const GfaField &f)
{
    int n = 0;
    for (const QByteArray &row : f.rows)
        for (const char c : row)
            n += std::popcount(uchar(c));
    return n;
}

// Black square in the middle of a white picture of 40 x 20 pixels.
QImage squareImage()
{
    QImage img(40, 20, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.fillRect(10, 5, 20, 10, Qt::black);
    return img;
}

struct PictureCase {
    const char *format;
    std::function<std::unique_ptr<TGraphic>()> make;
};

TEST(ZplPictures, EveryFormatIsDrawnIntoTheField)
{
    const PictureCase cases[] = {
        {"BMP",
         [] {
             auto b = std::make_unique<TBitmap>();
             b->SetImage(squareImage(), pf24bit);
             return std::unique_ptr<TGraphic>(std::move(b));
         }},
        {"PNG",
         [] {
             QByteArray bytes;
             QBuffer buf(&bytes);
             buf.open(QIODevice::WriteOnly);
             squareImage().save(&buf, "PNG");
             auto g = std::make_unique<TPngImage>();
             g->LoadFromBytes(bytes);
             return std::unique_ptr<TGraphic>(std::move(g));
         }},
        {"JPEG",
         [] {
             QByteArray bytes;
             QBuffer buf(&bytes);
             buf.open(QIODevice::WriteOnly);
             squareImage().save(&buf, "JPG", 95);
             auto g = std::make_unique<TJPEGImage>();
             g->LoadFromBytes(bytes);
             return std::unique_ptr<TGraphic>(std::move(g));
         }},
        {"EMF",
         [] {
             // Recorded: the black square on white, as vectors.
             auto g = std::make_unique<TMetafile>();
             g->SetWidth(40);
             g->SetHeight(20);
             Canvas &c = g->GetCanvas();
             c.brush().color = clWhite;
             c.FillRect(TRect{0, 0, 40, 20});
             c.brush().color = clBlack;
             c.FillRect(TRect{10, 5, 30, 15});
             g->ReleaseCanvas();
             return std::unique_ptr<TGraphic>(std::move(g));
         }},
        {"WMF",
         [] {
             auto g = std::make_unique<TMetafile>();
             g->LoadFromFile(vdtest::dataPath(QStringLiteral("canvas/sample.wmf")));
             return std::unique_ptr<TGraphic>(std::move(g));
         }},
        {"GIF",
         [] {
             auto g = std::make_unique<TvdxGIFGraphic>();
             g->LoadFromFile(vdtest::dataPath(QStringLiteral("gif/noise256.gif")));
             return std::unique_ptr<TGraphic>(std::move(g));
         }},
        {"ICO",
         [] {
             auto g = std::make_unique<TIcon>();
             g->LoadFromFile(vdtest::dataPath(QStringLiteral("pictures/two.ico")));
             return std::unique_ptr<TGraphic>(std::move(g));
         }},
    };
    TvdxReportPage page;
    setPage(page, 400, 300);
    for (const PictureCase &c : cases) {
        std::unique_ptr<TGraphic> g = c.make();
        ASSERT_FALSE(g->Empty()) << c.format;
        TvdxPictureView pic;
        pic.SetGraphic(g.get());
        pic.SetBounds(10, 20, 40, 20);
        TvdxZPLExport f(nullptr, true);
        vectorMode(f);
        f.SetFZplDensity(TvdxZPLExport::test1to1);
        const QByteArray b = body(f, page, {&pic});
        ASSERT_TRUE(b.startsWith("^FO10,20\r\n^GFA,100,100,5,\r\n")) << c.format << ": " << b.left(60).constData();
        const GfaField field = decodeGfa(b);
        ASSERT_TRUE(field.ok) << c.format << ": " << field.error.toStdString();
        EXPECT_EQ(field.height(), 20) << c.format;
        EXPECT_GT(dotCount(field), 0) << c.format << " came out blank";
        if (QByteArray(c.format) == "BMP" || QByteArray(c.format) == "PNG" || QByteArray(c.format) == "JPEG"
            || QByteArray(c.format) == "EMF") {
            // The square, and white around it.
            EXPECT_TRUE(field.dot(20, 10)) << c.format;
            EXPECT_FALSE(field.dot(2, 2)) << c.format;
            EXPECT_FALSE(field.dot(37, 17)) << c.format;
        }
    }
}

TEST(ZplPictures, SizeInDotsRoundsUp)
{
    TBitmap b;
    b.SetImage(squareImage(), pf24bit);
    TvdxPictureView pic;
    pic.SetGraphic(&b);
    pic.SetBounds(10, 20, 40, 20);
    TvdxReportPage page;
    setPage(page, 400, 300);
    TvdxZPLExport f(nullptr, true);
    vectorMode(f);
    // Ceil(40 x 2.11458) = 85 dots: 11 bytes per row; Ceil(20 x 2.11458) = 43 rows.
    const QByteArray out = body(f, page, {&pic});
    EXPECT_TRUE(out.startsWith("^FO21,42\r\n^GFA,473,473,11,\r\n")) << out.left(40).constData();
    const GfaField field = decodeGfa(out);
    ASSERT_TRUE(field.ok) << field.error.toStdString();
    // No dots past the 85th column (cleared padding).
    for (int y = 0; y < field.height(); ++y)
        for (int x = 85; x < 88; ++x)
            EXPECT_FALSE(field.dot(x, y)) << x << "," << y;
}

TEST(ZplPictures, EmptyPictureSendsAnEmptyField)
{
    TvdxPictureView pic;
    pic.SetBounds(0, 0, 16, 2);
    TvdxReportPage page;
    setPage(page, 400, 300);
    TvdxZPLExport f(nullptr, true);
    vectorMode(f);
    f.SetFZplDensity(TvdxZPLExport::test1to1);
    EXPECT_EQ(body(f, page, {&pic}), QByteArray("^FO0,0\r\n^GFA,4,4,2,\r\n,\r\n:\r\n^FS\r\n"));
}

// ---------------------------------------------------------------------------
class ZplBitmapMode : public ::testing::Test {
protected:
    void SetUp() override
    {
        rect.SetShape(TvdxShapeView::skRectangle);
        rect.SetBounds(10, 10, 40, 20);
        ellipse.SetShape(TvdxShapeView::skEllipse);
        ellipse.SetBounds(60, 10, 30, 30);
    }
    TvdxShapeView rect, ellipse;
    TvdxReportPage page;
};

TEST_F(ZplBitmapMode, PageWithRectangleAndEllipseAtTest1to1)
{
    setPage(page, 100, 50);
    TvdxZPLExport f(nullptr, true);
    f.SetFZplDensity(TvdxZPLExport::test1to1);
    const QByteArray out = exportPages(f, page, {{&rect, &ellipse}});
    ASSERT_TRUE(out.startsWith("\r\n^XA^CI28\r\n\r\n^FO0,0\r\n^GFA,650,650,13,\r\n")) << out.left(60).constData();
    EXPECT_TRUE(out.endsWith("^FS\r\n^XZ\r\n"));
    const GfaField field = decodeGfa(out);
    ASSERT_TRUE(field.ok) << field.error.toStdString();
    ASSERT_EQ(field.height(), 50);
    // Rectangle outline, empty inside.
    EXPECT_TRUE(dotNear(field, 10, 10));
    EXPECT_TRUE(dotNear(field, 30, 10));
    EXPECT_TRUE(dotNear(field, 49, 29));
    EXPECT_FALSE(field.dot(30, 20));
    // Ellipse: top and left of its outline, not its corner or centre.
    EXPECT_TRUE(dotNear(field, 75, 10));
    EXPECT_TRUE(dotNear(field, 60, 25));
    EXPECT_FALSE(field.dot(61, 11));
    EXPECT_FALSE(field.dot(75, 25));
    // Nothing elsewhere, nothing past the width.
    EXPECT_FALSE(field.dot(5, 45));
    for (int y = 0; y < 50; ++y)
        for (int x = 100; x < 104; ++x)
            EXPECT_FALSE(field.dot(x, y));
}

TEST_F(ZplBitmapMode, PageAtD8IsScaled)
{
    setPage(page, 100, 50);
    TvdxZPLExport f(nullptr, true);
    const QByteArray out = exportPages(f, page, {{&rect, &ellipse}});
    // 100 x 2.11458 = 211 dots (27 bytes), 50 x 2.11458 = 106 rows.
    ASSERT_TRUE(out.contains("^FO0,0\r\n^GFA,2862,2862,27,\r\n")) << out.left(60).constData();
    const GfaField field = decodeGfa(out);
    ASSERT_TRUE(field.ok) << field.error.toStdString();
    ASSERT_EQ(field.height(), 106);
    EXPECT_TRUE(dotNear(field, 21, 21, 2));
    EXPECT_TRUE(dotNear(field, 105, 63, 2));  // rectangle's bottom right (50 x 2.11, 30 x 2.11)
    EXPECT_FALSE(field.dot(63, 42));          // inside the rectangle
    EXPECT_TRUE(dotNear(field, 159, 21, 2));  // ellipse top (75 x 2.11)
    EXPECT_FALSE(field.dot(159, 53));         // ellipse centre
}

TEST_F(ZplBitmapMode, MarginsPlaceTheField)
{
    struct Case {
        double left, top;
        bool mm;
        const char *origin;
    };
    const Case cases[] = {
        {10, 5, false, "^FO10,5\r\n"},
        {10, 5, true, "^FO38,19\r\n"}, // x 3.78
    };
    for (const Case &c : cases) {
        setPage(page, 100, 50, c.left, c.top);
        TvdxZPLExport f(nullptr, true);
        f.SetFZplDensity(TvdxZPLExport::test1to1);
        f.SetBMillimeters(c.mm);
        const QByteArray out = exportPages(f, page, {{&rect}});
        EXPECT_TRUE(out.contains(QByteArray("\r\n\r\n") + c.origin + "^GFA,")) << out.left(60).constData();
    }
    // With millimetres the page size is multiplied too: 378 x 189 dots.
    setPage(page, 100, 50);
    TvdxZPLExport f(nullptr, true);
    f.SetFZplDensity(TvdxZPLExport::test1to1);
    f.SetBMillimeters(true);
    EXPECT_TRUE(exportPages(f, page, {{&rect}}).contains("^GFA,9072,9072,48,"));
}

TEST_F(ZplBitmapMode, PageBackgroundIsSkipped)
{
    setPage(page, 16, 2);
    TBitmap black;
    QImage img(4, 4, QImage::Format_RGB32);
    img.fill(Qt::black);
    black.SetImage(img, pf24bit);
    TvdxPictureView background;
    background.SetName(QStringLiteral("_pagebackground"));
    background.SetGraphic(&black);
    background.SetBounds(0, 0, 16, 2);
    TvdxZPLExport f(nullptr, true);
    f.SetFZplDensity(TvdxZPLExport::test1to1);
    EXPECT_EQ(exportPages(f, page, {{&background}}),
              QByteArray("\r\n^XA^CI28\r\n\r\n^FO0,0\r\n^GFA,4,4,2,\r\n,\r\n:\r\n^FS\r\n^XZ\r\n"));
}

TEST_F(ZplBitmapMode, TextIsDrawn)
{
    setPage(page, 200, 40);
    TvdxMemoView m;
    m.SetBounds(5, 5, 150, 30);
    m.SetParentFont(false);
    m.Font()->SetHeight(-20);
    m.SetText(QStringLiteral("HELLO"));
    TvdxZPLExport f(nullptr, true);
    f.SetFZplDensity(TvdxZPLExport::test1to1);
    const GfaField field = decodeGfa(exportPages(f, page, {{&m}}));
    ASSERT_TRUE(field.ok) << field.error.toStdString();
    EXPECT_GT(dotCount(field), 50);
}

TEST_F(ZplBitmapMode, PageTooLargeIsAClearError)
{
    setPage(page, 1e7, 1e7);
    TvdxZPLExport f(nullptr, true);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    f.SetStream(&buffer);
    ASSERT_TRUE(f.DoStart());
    try {
        f.StartPage(&page, 0);
        FAIL() << "no error for a page of 1e7 pixels";
    } catch (const EZPLExportError &e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Page too large for a ZPL bitmap"))) << e.message().toStdString();
    }
    // The loop still finishes the export.
    f.ExportObject(&rect);
    f.DoFinish();
}

} // namespace

// Labels as a label job draws them, byte for byte: a coloured caption on a
// grey ground, Code 128 and QR codes straight and turned, one label after
// another in one image (the spare image path), then a label of another size.
// VD_UPDATE_GOLDEN=1 rewrites the golden file.
TEST(ZplBitmapLabels, BarcodeLabelsKeepTheirBytes)
{
    TvdxReportPage page;
    TvdxMemoView caption;
    caption.SetBounds(10, 10, 200, 20);
    caption.SetParentFont(false);
    caption.Font()->SetHeight(-14);
    caption.Font()->SetColor(0x000080);
    caption.SetColor(0xC0C0C0);
    TvdxBarCodeView code128, code128Turned;
    for (TvdxBarCodeView *b : {&code128, &code128Turned}) {
        b->SetAutoSize(false);
        b->SetBarTypeValue(TvdxBarcode::bcCode128);
    }
    code128.SetBounds(10, 40, 200, 50);
    code128Turned.SetRotation(90);
    code128Turned.SetBounds(360, 10, 40, 150);
    TvdxBarcode2DView qr, qrTurned;
    for (TvdxBarcode2DView *q : {&qr, &qrTurned}) {
        q->SetAutoSize(false);
        q->SetBarType(vdx2D::bcCodeQR);
    }
    qr.SetBounds(240, 10, 110, 110);
    qrTurned.SetRotation(90);
    qrTurned.SetBounds(10, 100, 70, 70);

    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    TvdxZPLExport f(nullptr, true);
    f.SetStream(&buffer);
    ASSERT_TRUE(f.DoStart());
    const int labels = 4;
    for (int i = 0; i < labels; ++i) {
        setPage(page, i + 1 < labels ? 420 : 300, i + 1 < labels ? 190 : 180);
        const QString id = QStringLiteral("SHIP-%1").arg(i * 7919, 6, 10, QLatin1Char('0'));
        caption.SetText(QStringLiteral("Parcel ") + id);
        code128.SetText(id);
        code128Turned.SetText(id + QStringLiteral("X"));
        qr.SetText(QStringLiteral("https://example.org/p/") + id);
        qrTurned.SetText(id);
        f.StartPage(&page, i);
        for (TvdxComponent *o : std::initializer_list<TvdxComponent *>{&caption, &code128, &code128Turned, &qr, &qrTurned})
            f.ExportObject(o);
        f.FinishPage(&page, i);
    }
    f.DoFinish();

    const QString golden = vdtest::dataPath(QStringLiteral("zpl/bitmap_labels.zpl"));
    if (qEnvironmentVariableIsSet("VD_UPDATE_GOLDEN"))
        vdtest::writeFile(golden, buffer.data());
    const QByteArray expected = vdtest::readFile(golden);
    ASSERT_FALSE(expected.isEmpty()) << "no golden file";
    EXPECT_EQ(buffer.data(), expected);
}

