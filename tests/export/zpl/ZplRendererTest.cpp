// End to end: labels exported by the filter, rendered by zpl-renderer-js (an
// independent ZPL interpreter run by Node) and read back by zxing-cpp.
#include "ZplReportUtil.h"
#include "ZplTestUtil.h"

#include "barcode/vdxBarcode2DView.h"
#include "barcode/vdxBarcodeView.h"
#include "tests/common/TestSupport.h"
#include "tests/common/ZxingDecode.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

using namespace zpltest;

namespace {

QString modulesDir() { return QStringLiteral(VD_SOURCE_DIR "/tools/node/node_modules"); }

// Renders the labels of zpl; empty with a reason in skip when the renderer is missing.
QList<QImage> render(const QByteArray &zpl, double widthMm, double heightMm, int dpmm, QString &skip)
{
    const QString node = QStandardPaths::findExecutable(QStringLiteral("node"));
    if (node.isEmpty()) {
        skip = QStringLiteral("node is not installed");
        return {};
    }
    if (!QFileInfo::exists(modulesDir() + QStringLiteral("/zpl-renderer-js/package.json"))) {
        skip = QStringLiteral("zpl-renderer-js is not installed (scripts/install-deps.sh)");
        return {};
    }
    vdtest::TempDir tmp;
    const QString in = tmp.file(QStringLiteral("label.zpl"));
    if (!vdtest::writeFile(in, zpl))
        return {};
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("NODE_PATH"), modulesDir());
    p.setProcessEnvironment(env);
    p.start(node, {vdtest::dataPath(QStringLiteral("zpl/render_zpl.cjs")), in, tmp.file(QStringLiteral("out")),
                   QString::number(widthMm), QString::number(heightMm), QString::number(dpmm)});
    if (!p.waitForFinished(120000) || p.exitCode() != 0) {
        ADD_FAILURE() << "renderer failed: " << p.readAllStandardError().toStdString();
        return {};
    }
    QList<QImage> images;
    for (int i = 0;; ++i) {
        QImage img(tmp.file(QStringLiteral("out-%1.png").arg(i)));
        if (img.isNull())
            break;
        images.append(img.convertToFormat(QImage::Format_RGB32));
    }
    return images;
}

QStringList decoded(const QImage &image)
{
    QStringList texts;
    for (const ZxingResult &r : ZxingDecode(image))
        texts << r.format + u':' + r.text;
    texts.sort();
    return texts;
}

// A 100 x 60 mm label: a text, a Code 128, an EAN-13 and a QR code.
struct Label {
    Label()
    {
        setPage(page, 378, 227);
        text.SetBounds(10, 10, 200, 20);
        text.SetParentFont(false);
        text.Font()->SetHeight(-14);
        text.SetText(QStringLiteral("Vendari 42"));
        code128.SetAutoSize(false);
        code128.SetBarTypeValue(TvdxBarcode::bcCode128);
        code128.SetText(QStringLiteral("ABC-12345"));
        code128.SetBounds(10, 40, 200, 50);
        ean13.SetAutoSize(false);
        ean13.SetBarTypeValue(TvdxBarcode::bcCodeEAN13);
        ean13.SetText(QStringLiteral("590123412345"));
        ean13.SetBounds(10, 120, 150, 50);
        qr.SetAutoSize(false);
        qr.SetBarType(vdx2D::bcCodeQR);
        qr.SetText(QStringLiteral("https://example.org/42"));
        qr.SetBounds(240, 10, 110, 110);
        qr.SetZoom(1);
    }
    TvdxReportPage page;
    TvdxMemoView text;
    TvdxBarCodeView code128;
    TvdxBarCodeView ean13;
    TvdxBarcode2DView qr;
};

TEST(ZplRenderer, VectorLabelDecodes)
{
    Label l;
    TvdxZPLExport f(nullptr, true);
    vectorMode(f);
    const QByteArray zpl = exportPages(f, l.page, {{&l.text, &l.code128, &l.ean13, &l.qr}});
    QString skip;
    const QList<QImage> images = render(zpl, 100, 60, 8, skip);
    if (!skip.isEmpty())
        GTEST_SKIP() << skip.toStdString();
    ASSERT_EQ(images.size(), 1) << zpl.constData();
    const QStringList texts = decoded(images[0]);
    EXPECT_TRUE(texts.contains(QStringLiteral("QRCode:https://example.org/42"))) << texts.join(u' ').toStdString();
    EXPECT_TRUE(texts.contains(QStringLiteral("Code128:ABC-12345"))) << texts.join(u' ').toStdString();
    EXPECT_TRUE(texts.contains(QStringLiteral("EAN-13:5901234123457"))) << texts.join(u' ').toStdString();
    // The text field prints in its box (21..444 x 21..63 dots).
    int dark = 0;
    for (int y = 21; y < 63; ++y)
        for (int x = 21; x < 444; ++x)
            dark += qGray(images[0].pixel(x, y)) < 128;
    EXPECT_GT(dark, 100);
}

TEST(ZplRenderer, BitmapLabelDecodes)
{
    Label l;
    TvdxZPLExport f(nullptr, true);
    const QByteArray zpl = exportPages(f, l.page, {{&l.text, &l.code128, &l.ean13, &l.qr}});
    QString skip;
    const QList<QImage> images = render(zpl, 100, 60, 8, skip);
    if (!skip.isEmpty())
        GTEST_SKIP() << skip.toStdString();
    ASSERT_EQ(images.size(), 1);
    const QStringList texts = decoded(images[0]);
    EXPECT_TRUE(texts.contains(QStringLiteral("QRCode:https://example.org/42"))) << texts.join(u' ').toStdString();
    EXPECT_TRUE(texts.contains(QStringLiteral("Code128:ABC-12345"))) << texts.join(u' ').toStdString();
}

// A label per row of a SQLite table, through template, preparation and the
// export loop: every barcode reads back as its row's value, in both modes.
TEST(ZplRenderer, LabelsOverSqliteDecodeToTheirRows)
{
    struct Row {
        const char *caption, *code, *ean, *url;
    };
    const Row rows[] = {{"Bolt M8", "BM-0008", "4006381333931", "https://example.org/p/8"},
                        {"Nut M8", "NM-0008", "5901234123457", "https://example.org/p/n8"}};
    vdtest::TempDir tmp;
    QStringList sql = {"CREATE TABLE labels (Caption TEXT, Code TEXT, Ean TEXT, Url TEXT)"};
    for (const Row &r : rows)
        sql << QStringLiteral("INSERT INTO labels VALUES ('%1', '%2', '%3', '%4')").arg(r.caption, r.code, r.ean, r.url);
    const QString db = tmp.file(QStringLiteral("labels.db"));
    ASSERT_EQ(makeDatabase(db, sql), QString());
    for (const bool bitmap : {false, true}) {
        TableDataSets data(db, {QStringLiteral("labels")});
        const QByteArray zpl = exportTemplate(vdtest::dataPath(QStringLiteral("zpl/labels.vd3")), &data,
                                              [&](TvdxZPLExport &f) { f.SetPrintAsBitmap(bitmap); });
        ASSERT_FALSE(zpl.startsWith("<error")) << zpl.constData();
        QString skip;
        const QList<QImage> images = render(zpl, 100, 60, 8, skip);
        if (!skip.isEmpty())
            GTEST_SKIP() << skip.toStdString();
        ASSERT_EQ(images.size(), int(std::size(rows))) << (bitmap ? "bitmap" : "vector");
        for (size_t i = 0; i < std::size(rows); ++i) {
            const QStringList expected = {QStringLiteral("Code128:") + rows[i].code,
                                          QStringLiteral("EAN-13:") + rows[i].ean,
                                          QStringLiteral("QRCode:") + rows[i].url};
            EXPECT_EQ(decoded(images[int(i)]), expected) << (bitmap ? "bitmap" : "vector") << " label " << i;
        }
    }
}

TEST(ZplRenderer, HostileFieldDataStaysInItsField)
{
    Label l;
    l.qr.SetText(QStringLiteral("a^XZ~JA_b"));
    TvdxZPLExport f(nullptr, true);
    vectorMode(f);
    const QByteArray zpl = exportPages(f, l.page, {{&l.qr}});
    QString skip;
    const QList<QImage> images = render(zpl, 100, 60, 8, skip);
    if (!skip.isEmpty())
        GTEST_SKIP() << skip.toStdString();
    ASSERT_EQ(images.size(), 1) << "the data ended the label";
    EXPECT_EQ(decoded(images[0]), QStringList({QStringLiteral("QRCode:a^XZ~JA_b")}));
}

} // namespace
