#include "Barcode2DTestUtil.h"
#include "common/ZxingDecode.h"
#include "barcode/vdxBarcode2DView.h"
#include "barcode/vdxMaxiCodeImpl.h"
#include "barcode/vdxMaxiCodeProperties.h"
#include "core/vdxXMLSerializer.h"

#include <gtest/gtest.h>

#include <QTransform>

namespace {

class Root : public TvdComponent {
public:
    Root() = default;
};

QImage render(TvdxBarcode2DBase &e, int margin)
{
    QImage image(e.Width() + 2 * margin, e.Height() + 2 * margin, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainterCanvas canvas(image);
    e.Draw2DBarcode(canvas, 1, 1, margin, margin);
    return image;
}

TMaxiCodeImpl encoded(const QByteArray &text, int mode = 4)
{
    TMaxiCodeImpl m;
    m.Encode(text, mode);
    return m;
}

QString message(const std::function<void()> &f)
{
    try {
        f();
    } catch (const Exception &e) {
        return e.message();
    }
    return QString();
}

} // namespace

TEST(MaxiCode, RasterSizeAndRendering)
{
    TvdxBarcodeMaxiCode m;
    m.SetShowText(false);
    EXPECT_EQ(m.Encoder().Width(), 182);
    EXPECT_EQ(m.Encoder().Height(), 182);
    EXPECT_EQ(m.Width(), 182);
    EXPECT_EQ(m.Height(), 182);
    EXPECT_EQ(m.Mode(), 4);
    // The bull's-eye centre is white, its innermost ring black.
    const int cx = int(35.76 * 2.47), cy = int(35.6 * 2.47);
    EXPECT_FALSE(m.Encoder().GetIsBlack(cy, cx));
    EXPECT_TRUE(m.Encoder().GetIsBlack(cy, cx + int(2.37 * 2.47)));

    const int before = m.Encoder().RenderCount();
    m.SetText(m.Text());
    EXPECT_EQ(m.Encoder().RenderCount(), before);
    m.SetText(QStringLiteral("OTHER"));
    EXPECT_EQ(m.Encoder().RenderCount(), before + 1);
}

TEST(MaxiCode, CodewordsAndLimits)
{
    // Nine digits become NS and five codewords; eight stay characters.
    const TMaxiCodeImpl nine = encoded("123456789");
    EXPECT_EQ(nine.Codewords()[1], 31);
    EXPECT_EQ(nine.ProcessedLength(), 6);
    const int v = 123456789;
    for (int j = 0; j < 5; ++j)
        EXPECT_EQ(nine.Codewords()[size_t(2 + j)], (v >> (6 * (4 - j))) & 63);
    const TMaxiCodeImpl eight = encoded("12345678");
    EXPECT_EQ(eight.Codewords()[1], 49);
    EXPECT_EQ(eight.ProcessedLength(), 8);
    EXPECT_EQ(encoded("ABC").Codewords()[0], 4);
    EXPECT_EQ(encoded("ABC", 6).Codewords()[0], 6);

    EXPECT_EQ(message([] { encoded(QByteArray(139, 'A')); }), QStringLiteral("Input data too long"));
    EXPECT_TRUE(message([] { encoded(QByteArray(93, 'A')); }).isEmpty());
    EXPECT_EQ(message([] { encoded(QByteArray(94, 'A')); }), QStringLiteral("Input data too long"));
    EXPECT_EQ(message([] { encoded(QByteArray(80, 'A'), 5); }), QStringLiteral("Input data too long"));
    EXPECT_EQ(message([] { encoded("ABC", 2); }), QStringLiteral("Invalid Primary String"));
    TMaxiCodeImpl m;
    EXPECT_EQ(message([&] { m.SetStructuredAppendTotal(9); }),
              QStringLiteral("Invalid MaxiCode structured append total: 9"));
}

TEST(MaxiCode, ModeErrors)
{
    TvdxBarcodeMaxiCode m;
    const std::vector<std::uint8_t> before = m.Image();
    EXPECT_EQ(message([&] { m.SetMode(7); }), QStringLiteral("Invalid MaxiCode mode: 7"));
    EXPECT_EQ(m.Mode(), 7); // kept for the template
    EXPECT_EQ(m.ErrorText(), QStringLiteral("Invalid MaxiCode mode: 7"));
    EXPECT_EQ(m.Image(), before);
    m.SetText(QStringLiteral("STILL REFUSED"));
    EXPECT_EQ(m.ErrorText(), QStringLiteral("Invalid MaxiCode mode: 7"));
    m.SetMode(5);
    EXPECT_TRUE(m.ErrorText().isEmpty());
    EXPECT_EQ(message([&] { m.SetMode(2); }), QStringLiteral("Invalid Primary String"));
    m.SetText(QStringLiteral("NO PRIMARY"));
    EXPECT_EQ(m.ErrorText(), QStringLiteral("Invalid Primary String"));
    m.SetText(QStringLiteral("NO PRIMARY"));
    EXPECT_EQ(m.ErrorText(), QStringLiteral("Invalid Primary String"));
    m.SetMode(4);
    EXPECT_TRUE(m.ErrorText().isEmpty());
    m.SetText(QString(139, u'A'));
    EXPECT_EQ(m.ErrorText(), QStringLiteral("Input data too long"));
}

TEST(MaxiCode, GridEqualsZintInMode4)
{
    const char *texts[] = {"12345678", "HELLO WORLD 2024", "123456789012345678901", "ACME 1234567890 X",
                           "PARCEL 12/34 NO. 5"};
    for (const char *t : texts) {
        const QStringList rows =
            zintDump({QStringLiteral("-b"), QStringLiteral("MAXICODE"), QStringLiteral("--mode=4"),
                      QStringLiteral("-d"), QString::fromLatin1(t)});
        if (rows.isEmpty())
            GTEST_SKIP() << "zint is not installed";
        ASSERT_EQ(rows.size(), 33);
        const TMaxiCodeImpl m = encoded(t);
        for (int r = 0; r < 33; ++r)
            for (int c = 0; c < 30; ++c)
                EXPECT_EQ(m.Grid(r, c), rows[r][c] == u'1') << t << " row " << r << " col " << c;
    }
}

TEST(MaxiCode, DecodesAtEverySizeAndRotation)
{
    const QString texts[] = {
        QStringLiteral("1234567890123456789"),
        QStringLiteral("Vendari MaxiCode, mixed Case text: 42/7"),
        QString::fromUtf16(u"Gr\u00fc\u00dfe \u00e0 \u00e9t\u00e9 \u00c0\u00c9\u00c8\u00ca and back"),
        QString::fromLatin1("bin\x01\x02\x7f\x1b end"),
        QStringLiteral("[)>\u001e01\u001d96123456789\u001dUPSN\u001e\u0004"),
    };
    for (const QString &text : texts)
        for (int module : {2, 3, 4})
            for (int rotation : {0, 90, 180, 270}) {
                TvdxBarcodeMaxiCode m;
                m.SetShowText(false);
                m.SetPixelWidth(module);
                m.SetPixelHeight(module);
                m.SetRotation(rotation);
                m.SetText(text);
                ASSERT_TRUE(m.ErrorText().isEmpty()) << m.ErrorText().toStdString();
                // zxing-cpp 1.4 reads MaxiCode upright only: the turned
                // drawing (counter-clockwise) is turned back first.
                const QImage image = render(m, 10 * module).transformed(QTransform().rotate(rotation));
                const QList<ZxingResult> d = ZxingDecode(image);
                EXPECT_EQ(d.size(), 1) << text.toStdString() << " module " << module << " rotation " << rotation;
                if (d.size() == 1) {
                    EXPECT_EQ(d.first().format, QStringLiteral("MaxiCode"));
                    EXPECT_EQ(d.first().text, text) << "module " << module << " rotation " << rotation;
                }
            }
}

TEST(MaxiCode, TemplateRoundTripAndBadModes)
{
    Root root;
    TvdxXMLSerializer s;
    auto *v = new TvdxBarcode2DView(&root);
    v->SetBarType(bcCodeMaxiCode);
    ASSERT_TRUE(dynamic_cast<TvdxBarcodeMaxiCode *>(v->Engine()) != nullptr) << v->ErrorText().toStdString() << " type " << int(v->BarType());
    auto *p = qobject_cast<TvdxMaxiCodeProperties *>(v->BarProperties());
    ASSERT_NE(p, nullptr);
    p->SetMode(5);
    v->SetText(QStringLiteral("MODE FIVE"));
    const QString text = s.WriteComponentStr(v);
    EXPECT_TRUE(text.contains(QStringLiteral("BarProperties.Mode=\"5\""))) << text.toStdString();
    auto *c = qobject_cast<TvdxBarcode2DView *>(s.ReadComponentStr(&root, text));
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(s.Errors().isEmpty());
    EXPECT_EQ(qobject_cast<TvdxMaxiCodeProperties *>(c->BarProperties())->Mode(), 5);
    EXPECT_EQ(s.WriteComponentStr(c), text);

    struct Case {
        const char *mode, *error;
    } cases[] = {{"2", "Invalid Primary String"}, {"3", "Invalid Primary String"}, {"7", "Invalid MaxiCode mode: 7"},
                 {"-1", "Invalid MaxiCode mode: -1"}};
    for (const Case &k : cases) {
        TvdxXMLSerializer r;
        auto *b = qobject_cast<TvdxBarcode2DView *>(r.ReadComponentStr(
            &root, QStringLiteral("TvdxBarcode2DView BarType=\"bcCodeMaxiCode\" BarProperties.Mode=\"%1\" "
                                  "Text=\"LOADED\" Rotation=\"90\"")
                       .arg(QLatin1String(k.mode))));
        ASSERT_NE(b, nullptr) << k.mode;
        EXPECT_EQ(b->ErrorText(), QString::fromLatin1(k.error)) << k.mode;
        EXPECT_EQ(b->Text(), QStringLiteral("LOADED"));
        EXPECT_EQ(b->Rotation(), 90);
        EXPECT_EQ(qobject_cast<TvdxMaxiCodeProperties *>(b->BarProperties())->Mode(), QByteArray(k.mode).toInt());
        EXPECT_TRUE(r.WriteComponentStr(b).contains(QStringLiteral("BarProperties.Mode=\"%1\"").arg(k.mode)));
    }
}
