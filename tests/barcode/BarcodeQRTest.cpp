#include "Barcode2DTestUtil.h"
#include "common/ZxingDecode.h"
#include "barcode/vdxBarcodeQR.h"
#include "core/vdGraphic.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <functional>

namespace {

QImage render(TvdxBarcodeQR &qr, int x = 50, int y = 50)
{
    QImage image(qr.Width() + 2 * x + 40, qr.Height() + 2 * y + 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainterCanvas canvas(image);
    qr.Draw2DBarcode(canvas, 1, 1, x, y);
    return image;
}

ZxingResult decodeOne(const QImage &image)
{
    const QList<ZxingResult> found = ZxingDecode(image);
    EXPECT_EQ(found.size(), 1);
    return found.isEmpty() ? ZxingResult{} : found.first();
}

} // namespace

TEST(BarcodeQR, DefaultSizes)
{
    TvdxBarcodeQR qr;
    qr.SetShowText(false);
    EXPECT_EQ(qr.Width(), 84);
    EXPECT_EQ(qr.Height(), 84);
    EXPECT_TRUE(qr.ErrorText().isEmpty());
    qr.SetQRQuietZone(4);
    EXPECT_EQ(qr.Width(), 116);
    EXPECT_EQ(qr.Height(), 116);
    const QImage image = render(qr, 0, 0);
    const QRect dark = darkBounds(image);
    EXPECT_EQ(dark.topLeft(), QPoint(16, 16));
    EXPECT_EQ(dark.size(), QSize(84, 84));
}

TEST(BarcodeQR, MarkerLimitsAndSize)
{
    TvdxBarcodeQR qr;
    qr.SetShowText(false);
    TvdxBarcodeGraphicMarker *m = qr.GraphicMarker();
    EXPECT_EQ(m->WidthLine(), 4);
    EXPECT_EQ(m->Distance(), 8);
    m->SetWidthLine(3);
    m->SetDistance(7);
    EXPECT_EQ(m->WidthLine(), 4);
    EXPECT_EQ(m->Distance(), 8);
    m->SetShowGraphicMarker(true);
    EXPECT_EQ(qr.Width(), 108);
    EXPECT_EQ(qr.Height(), 108);
    // The mark lies beyond the symbol at the bottom-right.
    const QImage image = render(qr, 0, 0);
    const QRect dark = darkBounds(image);
    EXPECT_GT(dark.right(), 84);
    EXPECT_GT(dark.bottom(), 84);
    EXPECT_EQ(decodeOne(image).text, QStringLiteral("12345678"));
}

TEST(BarcodeQR, LogoCoversTheMiddle)
{
    TvdxBarcodeQR qr;
    qr.SetShowText(false);
    const TRect r = qr.Logo()->PlacedRect(TRect(0, 0, 84, 84), 1, 1, 1);
    EXPECT_EQ(r, TRect(26, 26, 58, 58));
    QImage red(8, 8, QImage::Format_RGB32);
    red.fill(Qt::red);
    TBitmap bmp;
    bmp.LoadFromBytes([&] {
        QByteArray bytes;
        QBuffer buf(&bytes);
        buf.open(QIODevice::WriteOnly);
        red.save(&buf, "BMP");
        return bytes;
    }());
    qr.Logo()->Logo()->SetGraphic(&bmp);
    const QImage image = render(qr, 0, 0);
    EXPECT_EQ(image.pixelColor(26, 26), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(57, 57), QColor(Qt::red));
    EXPECT_NE(image.pixelColor(58, 58), QColor(Qt::red));
    EXPECT_NE(image.pixelColor(25, 25), QColor(Qt::red));
}

TEST(BarcodeQR, DecodesAtEverySizeRotationAndLevel)
{
    const char *levelNames[] = {"L", "M", "Q", "H"};
    for (int level = 0; level < 4; ++level)
        for (int module : {2, 3, 4})
            for (int rotation : {0, 90, 180, 270}) {
                TvdxBarcodeQR qr;
                qr.SetShowText(false);
                qr.SetPixelSize(module);
                qr.SetRotation(rotation);
                qr.SetErrorLevels(TQRErrorLevels(level));
                qr.SetText(QStringLiteral("https://example.com/label?id=1234"));
                ASSERT_TRUE(qr.ErrorText().isEmpty());
                const QImage image = render(qr);
                const ZxingResult d = decodeOne(image);
                EXPECT_EQ(d.text, QStringLiteral("https://example.com/label?id=1234"))
                    << "module " << module << " rotation " << rotation << " level " << level;
                EXPECT_EQ(d.ecLevel, QString::fromLatin1(levelNames[level]));
            }
}

TEST(BarcodeQR, DecodesEveryEncoding)
{
    struct Case {
        const char16_t *text;
        TQRCodeEncoding enc;
        int codePage;
        const char16_t *expected;
        bool eci;
    };
    const Case cases[] = {
        {u"0123456789012", qrNumeric, 0, u"0123456789012", false},
        {u"HELLO WORLD $%*+-./:", qrAlphanumeric, 0, u"HELLO WORLD $%*+-./:", false},
        {u"caf\u00e9 cr\u00e8me", qrISO88591, 0, u"caf\u00e9 cr\u00e8me", false},
        {u"\u041f\u0440\u0438\u0432\u0435\u0442 \u4e16\u754c", qrUTF8NoBOM, 0, u"\u041f\u0440\u0438\u0432\u0435\u0442 \u4e16\u754c", false},
        {u"\u041f\u0440\u0438\u0432\u0435\u0442", qrUTF8BOM, 0, u"\u041f\u0440\u0438\u0432\u0435\u0442", false},
        {u"\u65e5\u672c\u8a9e", qrShift_JIS, 0, u"\u65e5\u672c\u8a9e", false},
        {u"\u041f\u0440\u0438\u0432\u0435\u0442", qrAuto, 1251, u"\u041f\u0440\u0438\u0432\u0435\u0442", true},
        {u"A&ECI26;\u0416\u0417", qrAuto, 0, u"A\u0416\u0417", true},
        {u"&ECI25;\u4e16\u754c", qrAuto, 0, u"\u4e16\u754c", true},
        {u"lower case", qrAuto, 0, u"lower case", false},
    };
    for (const Case &c : cases) {
        TvdxBarcodeQR qr;
        qr.SetShowText(false);
        qr.SetEncoding(c.enc);
        qr.SetCodepage(c.codePage);
        qr.SetText(QString::fromUtf16(c.text));
        ASSERT_TRUE(qr.ErrorText().isEmpty()) << qr.ErrorText().toStdString();
        const ZxingResult d = decodeOne(render(qr));
        EXPECT_EQ(d.text, QString::fromUtf16(c.expected)) << QString::fromUtf16(c.text).toStdString();
        EXPECT_EQ(d.hasECI, c.eci) << QString::fromUtf16(c.text).toStdString();
    }
}

TEST(BarcodeQR, ErrorsBecomeTheErrorText)
{
    TvdxBarcodeQR qr;
    qr.SetEncoding(qrAlphanumeric);
    qr.SetText(QStringLiteral("lower"));
    EXPECT_EQ(qr.ErrorText(), QStringLiteral("Character \"l\" (U+006C) is not allowed in alphanumeric mode"));
    qr.SetText(QStringLiteral("UPPER"));
    EXPECT_TRUE(qr.ErrorText().isEmpty());
    // A setting that makes the current text impossible is reported too, and
    // the same text written again keeps the report.
    qr.SetEncoding(qrNumeric);
    EXPECT_FALSE(qr.ErrorText().isEmpty());
    qr.SetText(QStringLiteral("UPPER"));
    EXPECT_FALSE(qr.ErrorText().isEmpty());
    qr.SetErrorLevels(ecH);
    qr.SetEncoding(qrAuto);
    qr.SetText(QString(3058, u'1'));
    EXPECT_EQ(qr.ErrorText(), QStringLiteral("Data too long for a QR Code at error correction level H"));
}

TEST(BarcodeQR, AssignCopiesEverythingAndEncodes)
{
    TvdxBarcodeQR src;
    src.SetCodepage(1251);
    src.SetErrorLevels(ecQ);
    src.SetText(QString::fromUtf16(u"\u0416\u0416\u0416"));
    src.GraphicMarker()->SetShowGraphicMarker(true);
    src.Logo()->SetWidth(20);
    TvdxBarcodeQR dst;
    dst.Assign(src);
    EXPECT_EQ(dst.Codepage(), 1251);
    EXPECT_EQ(dst.ErrorLevels(), ecQ);
    EXPECT_TRUE(dst.GraphicMarker()->ShowGraphicMarker());
    EXPECT_EQ(dst.Logo()->Width(), 20);
    EXPECT_EQ(dst.Encoder().Matrix(), src.Encoder().Matrix());
    dst.SetShowText(false);
    const ZxingResult d = decodeOne(render(dst));
    EXPECT_EQ(d.text, QString::fromUtf16(u"\u0416\u0416\u0416"));
}

TEST(BarcodeQR, MatrixEqualsZint)
{
    struct Case { QString text; TQRErrorLevels level; };
    const Case cases[] = {
        {QStringLiteral("12345678"), ecL},
        {QString(500, u'7'), ecH},
        {QStringLiteral("HELLO WORLD"), ecM},
        {QString(300, u'Q'), ecQ},
        {QStringLiteral("lower case bytes only"), ecQ},
        {QString(1200, u'x'), ecM},
        {QString(7089, u'3'), ecL},
    };
    for (const Case &c : cases) {
        TvdxQREncoder f;
        f.SetQuietZone(0);
        f.SetErrorLevels(c.level);
        f.SetData(c.text);
        const QStringList rows = zintDump({QStringLiteral("-b"), QStringLiteral("QRCODE"),
                                           QStringLiteral("--secure=%1").arg(int(c.level) + 1),
                                           QStringLiteral("--vers=%1").arg(f.Version()),
                                           QStringLiteral("--mask=%1").arg(f.MaskPattern()), QStringLiteral("-d"), c.text});
        if (rows.isEmpty())
            GTEST_SKIP() << "zint is not installed";
        const int size = f.Matrix().Columns();
        ASSERT_EQ(rows.size(), size) << c.text.left(20).toStdString();
        int differ = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                differ += f.Matrix().Get(x, y) != (rows[y][x] == u'1');
        EXPECT_EQ(differ, 0) << c.text.left(20).toStdString() << " version " << f.Version();
    }
}

// The symbol is kept from one draw to the next; each setting that shapes it,
// changed after a draw, shows in the next one.
TEST(BarcodeQR, SettingChangedAfterADrawIsDrawn)
{
    const QString hello = QStringLiteral("HELLO-1");
    const QString cyrillic = QString::fromUtf16(u"\u0416\u0416\u0416");
    struct Case {
        const char *name;
        QString text; // before and (but for the text case) after the change
        std::function<void(TvdxBarcodeQR &)> change;
    };
    const Case cases[] = {
        {"text", hello, [](TvdxBarcodeQR &q) { q.SetText(QStringLiteral("OTHER-2")); }},
        {"error level", hello, [](TvdxBarcodeQR &q) { q.SetErrorLevels(ecH); }},
        {"encoding", hello, [](TvdxBarcodeQR &q) { q.SetEncoding(qrUTF8NoBOM); }},
        {"code page", cyrillic, [](TvdxBarcodeQR &q) { q.SetCodepage(1251); }},
        {"quiet zone", hello, [](TvdxBarcodeQR &q) { q.SetQRQuietZone(4); }},
    };
    for (const Case &c : cases) {
        TvdxBarcodeQR qr;
        qr.SetShowText(false);
        qr.SetText(c.text);
        const QImage first = render(qr);
        EXPECT_EQ(decodeOne(first).text, c.text) << c.name;
        const T2DBooleanArray before = qr.Encoder().Matrix();
        const int widthBefore = qr.Width();
        // The same text again keeps the symbol.
        qr.SetText(c.text);
        EXPECT_EQ(render(qr), first) << c.name;
        c.change(qr);
        const QImage second = render(qr);
        EXPECT_TRUE(qr.ErrorText().isEmpty()) << c.name;
        EXPECT_EQ(decodeOne(second).text, qr.Text()) << c.name;
        EXPECT_TRUE(qr.Encoder().Matrix() != before || qr.Width() != widthBefore) << c.name;
        EXPECT_NE(second, first) << c.name;
    }
}
