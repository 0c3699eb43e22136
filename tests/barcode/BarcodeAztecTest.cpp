#include "Barcode2DTestUtil.h"
#include "common/ZxingDecode.h"
#include "barcode/vdxAztecProperties.h"
#include "barcode/vdxBarcode2DView.h"
#include "core/vdxXMLSerializer.h"

#include <gtest/gtest.h>

using AztecEncoder = vdxAztec::TEncoder;

namespace {

QImage render(TvdxBarcode2DBase &e, int margin = 40)
{
    QImage image(e.Width() + 2 * margin, e.Height() + 2 * margin, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainterCanvas canvas(image);
    e.Draw2DBarcode(canvas, 1, 1, margin, margin);
    return image;
}

AztecEncoder encoded(const QByteArray &data, int percent = 33)
{
    AztecEncoder e;
    e.Encode(data, percent, 0);
    return e;
}

QString latin1Text(const QByteArray &b) { return QString::fromLatin1(b); }

class Root : public TvdComponent {
public:
    Root() = default;
};

} // namespace

TEST(AztecEncoder, StreamLengthsAndSizes)
{
    struct Case {
        QByteArray text;
        int bits;
    } cases[] = {
        {"12345678", 37},               // latch to DIGIT, eight 4-bit digits
        {"ABC", 15},                    // upper mode from the start
        {"ABCdef", 5 * 3 + 5 + 5 * 3},  // one latch to LOWER, no shifts
        {"A. B", 5 + 10 + 5},           // ". " is one Punct code behind a shift
        {"A.B", 5 + 10 + 5},            // a lone full stop is a shift too
    };
    for (const Case &c : cases)
        EXPECT_EQ(encoded(c.text).StreamBits(), c.bits) << c.text.constData();

    const AztecEncoder e = encoded("12345678");
    EXPECT_TRUE(e.Compact());
    EXPECT_EQ(e.Layers(), 1);
    EXPECT_EQ(e.MatrixSize(), 15); // 37 bits + 12 + 11 = 60 needed
}

TEST(AztecEncoder, BinaryRunHeaders)
{
    // Short header 10 bits per 31 bytes up to 62, then one 21-bit long header.
    for (int n : {1, 31, 32, 62, 63, 100}) {
        const QByteArray run(n, char(0xE9));
        const int header = n <= 31 ? 10 : n <= 62 ? 20 : 21;
        EXPECT_EQ(encoded(run).StreamBits(), header + 8 * n) << n;
    }
}

TEST(AztecEncoder, SizeErrorsAndEmptyText)
{
    AztecEncoder e;
    try {
        e.Encode(QByteArray(4000, char(0xE9)), 33, 0);
        FAIL() << "no error";
    } catch (const Exception &x) {
        EXPECT_EQ(x.message(), QStringLiteral("Data too large for an Aztec code"));
    }
    // A bound before the search: texts far past any symbol fail fast.
    EXPECT_THROW(e.Encode(QByteArray(200000, 'A'), 0, 0), Exception);
    try {
        e.Encode("12345678", 0, -5);
        FAIL() << "no error";
    } catch (const Exception &x) {
        EXPECT_EQ(x.message(), QStringLiteral("Illegal value -5 for layers"));
    }
    EXPECT_THROW(e.Encode(QByteArray(300, 'A'), 0, -1), Exception);

    // Negative shares count as 0; 0 still reserves 11 bits.
    EXPECT_EQ(encoded("HELLO WORLD", -50).Matrix(), encoded("HELLO WORLD", 0).Matrix());

    TAztecEncoder f;
    f.SetData(QString());
    EXPECT_EQ(f.MatrixSize(), 15);
}

TEST(BarcodeAztec, EngineDefaultsAndMessages)
{
    TvdxBarcodeAztec a;
    a.SetShowText(false);
    EXPECT_EQ(a.Width(), 60);
    EXPECT_EQ(a.Height(), 60);
    EXPECT_EQ(a.MinECCPercent(), 33);
    EXPECT_EQ(a.PixelSize(), 4);

    a.SetMinECCPercent(100);
    EXPECT_EQ(a.Encoder().MatrixSize(), 15);
    EXPECT_THROW(a.SetMinECCPercent(100000000), Exception);
    EXPECT_EQ(a.Encoder().MatrixSize(), 15);
    a.SetMinECCPercent(33);

    const auto before = a.VectorPrimitives();
    a.SetText(QString(3000, u'\u00e9'));
    EXPECT_EQ(a.ErrorText(), QStringLiteral("Data too large for an Aztec code"));
    EXPECT_EQ(a.VectorPrimitives(), before);
    a.SetText(QStringLiteral("OK"));
    EXPECT_TRUE(a.ErrorText().isEmpty());
}

TEST(BarcodeAztec, DecodesAtEverySizeAndRotation)
{
    QByteArray binary;
    for (int i = 1; i < 256; i += 3)
        binary.append(char(i));
    const QString texts[] = {
        QStringLiteral("12345678901234567890"),
        QStringLiteral("Vendari label printer, Aztec: Mixed CASE text. 42"),
        QString::fromUtf16(u"Gr\u00fc\u00dfe aus K\u00f6ln \u00e0 \u00e9t\u00e9"),
        latin1Text(binary),
        QStringLiteral("(01)09501101530003(17)251231(10)AB-123"),
        QString(200, u'x') + QStringLiteral("1234567890") + QString(150, u'\u00f8'), // full-range
    };
    for (const QString &text : texts)
        for (int module : {2, 3, 4})
            for (int rotation : {0, 90, 180, 270}) {
                TvdxBarcodeAztec a;
                a.SetShowText(false);
                a.SetPixelSize(module);
                a.SetRotation(rotation);
                a.SetText(text);
                ASSERT_TRUE(a.ErrorText().isEmpty()) << a.ErrorText().toStdString();
                const QList<ZxingResult> d = ZxingDecode(render(a, 4 * module));
                ASSERT_EQ(d.size(), 1) << text.left(20).toStdString() << " module " << module << " rot " << rotation;
                EXPECT_EQ(d.first().format, QStringLiteral("Aztec"));
                EXPECT_EQ(d.first().text, text) << "module " << module << " rotation " << rotation;
            }
}

TEST(BarcodeAztec, EmptyTextIsAValidSymbol)
{
    TvdxBarcodeAztec a;
    a.SetShowText(false);
    a.SetText(QString());
    EXPECT_TRUE(a.ErrorText().isEmpty());
    const TAztecEncoder &e = a.Encoder();
    ASSERT_EQ(e.MatrixSize(), 15);
    // One layer, one message word: the 28-bit mode message is all zeros
    // (check words of zeros are zeros), not a word count of 64.
    const int c = 7;
    for (int k = 0; k < 7; ++k) {
        EXPECT_FALSE(e.GetMatrix(c - 3 + k, c - 5)) << k;
        EXPECT_FALSE(e.GetMatrix(c + 5, c - 3 + k)) << k;
        EXPECT_FALSE(e.GetMatrix(c - 3 + k, c + 5)) << k;
        EXPECT_FALSE(e.GetMatrix(c - 5, c - 3 + k)) << k;
    }
    // The same layout with one character reads back.
    a.SetText(QStringLiteral("."));
    const QList<ZxingResult> d = ZxingDecode(render(a));
    ASSERT_EQ(d.size(), 1);
    EXPECT_EQ(d.first().text, QStringLiteral("."));
}

TEST(BarcodeAztec, AssignCopiesSettingsAndEncodesTheCopiedText)
{
    TvdxBarcodeAztec src;
    src.SetPixelSize(3);
    src.SetMinECCPercent(80);
    src.SetText(QStringLiteral("Copied text"));
    TvdxBarcodeAztec dst;
    dst.SetShowText(false);
    dst.Assign(src);
    EXPECT_EQ(dst.PixelSize(), 3);
    EXPECT_EQ(dst.MinECCPercent(), 80);
    EXPECT_EQ(dst.Encoder().Matrix(), src.Encoder().Matrix());
    const QList<ZxingResult> d = ZxingDecode(render(dst, 12));
    ASSERT_EQ(d.size(), 1);
    EXPECT_EQ(d.first().text, QStringLiteral("Copied text"));

    TvdxAztecProperties p, q;
    TvdxBarcodeAztec other;
    p.SetWhose(&dst);
    q.SetWhose(&other);
    other.SetMinECCPercent(50);
    p.Assign(&q);
    EXPECT_EQ(dst.MinECCPercent(), 50);
}

TEST(BarcodeAztec, TemplateRoundTrip)
{
    Root root;
    TvdxXMLSerializer s;
    auto *v = new TvdxBarcode2DView(&root);
    v->SetBarType(bcCodeAztec);
    auto *p = qobject_cast<TvdxAztecProperties *>(v->BarProperties());
    ASSERT_NE(p, nullptr);
    p->SetMinECCPercent(50);
    p->SetPixelSize(3);
    v->SetText(QStringLiteral("Aztec in a template"));
    const QString text = s.WriteComponentStr(v);
    EXPECT_TRUE(text.contains(QStringLiteral("BarProperties.MinECCPercent=\"50\""))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("BarProperties.PixelSize=\"3\""))) << text.toStdString();
    auto *c = qobject_cast<TvdxBarcode2DView *>(s.ReadComponentStr(&root, text));
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(s.Errors().isEmpty()) << s.Errors().join(u'\n').toStdString();
    auto *q = qobject_cast<TvdxAztecProperties *>(c->BarProperties());
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(q->MinECCPercent(), 50);
    EXPECT_EQ(q->PixelSize(), 3);
    EXPECT_EQ(c->Text(), v->Text());
    EXPECT_EQ(s.WriteComponentStr(c), text);
}
