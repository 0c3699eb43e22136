#include "Barcode2DTestUtil.h"
#include "common/ZxingDecode.h"
#include "barcode/vdxBarcode2DView.h"
#include "barcode/vdxGS1DatabarProperties.h"
#include "core/vdxXMLSerializer.h"

#include <gtest/gtest.h>

#include <QTransform>

namespace {

class Root : public TvdComponent {
public:
    Root() = default;
};

QString failure(const QString &text)
{
    try {
        TBaseDatabar b(text);
    } catch (const Exception &e) {
        return e.message();
    }
    return QString();
}

// Modules of the single-row symbol, "1" dark.
QString modules(const TBaseDatabar &b)
{
    QString out;
    bool dark = false;
    for (int w : b.Elements()) {
        out += QString(w, dark ? u'1' : u'0');
        dark = !dark;
    }
    return out;
}

QImage render(TvdxBarcode2DBase &e, int margin)
{
    // Turned by 90 or 270 the symbol lies across: room for both.
    const int side = std::max(e.Width(), e.Height()) + 2 * margin;
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainterCanvas canvas(image);
    e.Draw2DBarcode(canvas, 1, 1, margin, margin);
    return image;
}

} // namespace

TEST(GS1Databar, ElementStringMessages)
{
    struct Case {
        QString text;
        const char *message;
    } cases[] = {
        {QStringLiteral("0112345678901231"), "Data does not start with an AI"},
        {QString(), "Data does not start with an AI"},
        {QStringLiteral("(01)1234567890123"), "Invalid data _length for AI"},
        {QStringLiteral("(0 1)12345678901231"), "Invalid AI in input data (non-numeric characters in AI)"},
        {QStringLiteral("(01)12345678901231(10"), "Malformed AI in input data (brackets don\\'t match)"},
        {QStringLiteral("(01))(12345678901231"), "Malformed AI in input data (brackets don\\'t match)"},
        {QStringLiteral("((01))12345678901231"), "Found nested brackets in input data"},
        {QStringLiteral("(01234)1"), "Invalid AI in input data (AI too long)"},
        {QStringLiteral("(1)1"), "Invalid AI in input data (AI too short)"},
        {QStringLiteral("(10)"), "Empty data field in input data"},
        {QStringLiteral("(23)1234"), "Invalid AI value"},
        {QString::fromUtf16(u"(10)\u00e9"), "Extended ASCII characters are not supported by GS1"},
        {QStringLiteral("(10)a\tb"), "Control characters are not supported by GS1"},
        {QStringLiteral("(10)a#b"), "Error in ParseGS1 02"},
        {QStringLiteral("(10)") + QString(40, u'a'), "Error in ParseGS1 03"},
        {QStringLiteral("(01)98898765432106(3103)032767"), ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(failure(c.text), QString::fromLatin1(c.message)) << c.text.toStdString();
}

TEST(GS1Databar, EncodationMethods)
{
    struct Case {
        const char *text, *method;
    } cases[] = {
        {"(01)12345678901231", "1XX"},
        {"(01)98898765432106(3103)032767", "0100"},
        {"(01)98898765432106(3103)032768", "0111000"},
        {"(01)98898765432106(3103)032767(10)AB12", "1XX"},
        {"(01)98898765432106(3203)022767", "0111001"},
        {"(01)98898765432106(3203)022766", "0101"},
        {"(01)98898765432106(3202)009999", "0101"},
        {"(01)98898765432106(3103)012345(11)250131", "0111000"},
        {"(01)98898765432106(3103)012345(13)250131", "0111010"},
        {"(01)98898765432106(3922)1234", "01100XX"},
        {"(01)98898765432106(3932)9781234", "01101XX"},
        {"(10)ABC123", "00XX"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(TBaseDatabar(QString::fromLatin1(c.text)).Method(), QString::fromLatin1(c.method)) << c.text;
    // Without a date the 16-bit date field holds 38400.
    const TBaseDatabar b(QStringLiteral("(01)98898765432106(3103)032768"));
    EXPECT_EQ(b.BinaryString().size(), 84);
    EXPECT_EQ(b.BinaryString().right(16).toInt(nullptr, 2), 38400);
    const TBaseDatabar dated(QStringLiteral("(01)98898765432106(3103)012345(13)250131"));
    EXPECT_EQ(dated.BinaryString().right(16).toInt(nullptr, 2), 25 * 384 + 0 * 32 + 31);
}

TEST(GS1Databar, ElementWidthsEqualZint)
{
    for (const char *t : {"(01)98898765432106(3103)032767", "(01)98898765432106(3103)032768"}) {
        const QStringList rows = zintDump({QStringLiteral("-b"), QStringLiteral("DBAR_EXP"),
                                           QStringLiteral("--gs1parens"), QStringLiteral("-d"), QString::fromLatin1(t)});
        if (rows.isEmpty())
            GTEST_SKIP() << "zint is not installed";
        const QString ours = modules(TBaseDatabar(QString::fromLatin1(t)));
        ASSERT_EQ(rows.size(), 1);
        EXPECT_EQ(rows[0].left(ours.size()), ours) << t;
        EXPECT_FALSE(rows[0].mid(ours.size()).contains(u'1')) << t;
    }
}

TEST(GS1Databar, EngineWidthAndStackedLayout)
{
    TvdxGS1DatabarE e;
    e.SetShowText(false);
    ASSERT_TRUE(e.ErrorText().isEmpty()) << e.ErrorText().toStdString();
    EXPECT_EQ(e.Base()->Method(), QStringLiteral("1XX"));
    int sum = 0;
    for (int w : e.Base()->Elements())
        sum += w;
    EXPECT_EQ(e.Width(), sum);

    TvdxGS1DatabarES s;
    s.SetShowText(false);
    s.SetHeight(30);
    s.SetText(QStringLiteral("(01)98898765432106(3103)032768")); // 7 data characters: 4 pairs
    ASSERT_TRUE(s.ErrorText().isEmpty()) << s.ErrorText().toStdString();
    EXPECT_EQ(s.Height(), 30);
    ASSERT_EQ(s.Base()->Rows(), 5);
    EXPECT_EQ(s.Base()->RowHeight(), (std::vector<int>{0, 1, 1, 1, 0}));
    int barRows13 = 0;
    for (const TvdxVectorPrimitive &p : s.VectorPrimitives()) {
        EXPECT_TRUE((p.Top == 0 && p.Height == 13) || (p.Top >= 13 && p.Top <= 15 && p.Height == 1) ||
                    (p.Top == 16 && p.Height == 13))
            << p.Top << " " << p.Height;
        barRows13 += p.Height == 13 && p.Left == 1;
    }
    EXPECT_GE(barRows13, 1);

    for (int bad : {0, -3, 11, 1000}) {
        s.SetColumns(bad);
        EXPECT_EQ(s.ErrorText(), QStringLiteral("Columns must be from 1 to 10")) << bad;
        EXPECT_TRUE(s.VectorPrimitives().empty());
    }
    s.SetColumns(1);
    EXPECT_TRUE(s.ErrorText().isEmpty());
    EXPECT_EQ(s.Base()->Rows(), 13);
}

TEST(GS1Databar, DecodesAtEverySizeAndRotation)
{
    const QString texts[] = {
        QStringLiteral("(01)98898765432106(3103)032767"),
        QStringLiteral("(01)98898765432106(3103)032768(10)ABC12"),
        QStringLiteral("(01)09501101530003(17)251231(10)LOT-42/b"),
        QStringLiteral("(10)12345(21)abc def"),
        QStringLiteral("(01)98898765432106(3922)1234"),
    };
    for (const QString &text : texts)
        for (bool stacked : {false, true})
            for (int module : {2, 3, 4})
                for (int rotation : {0, 90, 180, 270}) {
                    std::unique_ptr<TvdxGS1Databar> e;
                    if (stacked)
                        e = std::make_unique<TvdxGS1DatabarES>();
                    else
                        e = std::make_unique<TvdxGS1DatabarE>();
                    e->SetShowText(false);
                    e->SetPixelWidth(module);
                    e->SetPixelHeight(module);
                    e->SetHeight(stacked ? 80 * module : 40 * module);
                    e->SetRotation(rotation);
                    e->SetText(text);
                    ASSERT_TRUE(e->ErrorText().isEmpty()) << e->ErrorText().toStdString();
                    ZxingOptions o;
                    o.single = true;
                    const QList<ZxingResult> d = ZxingDecode(render(*e, 10 * module), o);
                    EXPECT_EQ(d.size(), 1) << text.toStdString() << " stacked " << stacked << " module " << module
                                           << " rotation " << rotation;
                    if (d.size() != 1)
                        continue;
                    EXPECT_EQ(d.first().format, QStringLiteral("DataBarExpanded"));
                    EXPECT_EQ(d.first().text, text) << "stacked " << stacked << " module " << module;
                }
}

TEST(GS1Databar, AssignAndTemplates)
{
    TvdxGS1DatabarES src;
    src.SetColumns(1);
    src.SetText(QStringLiteral("(10)COPIED"));
    TvdxGS1DatabarES dst;
    dst.Assign(src);
    EXPECT_EQ(dst.Columns(), 1);
    ASSERT_NE(dst.Base(), nullptr);
    EXPECT_EQ(dst.Base()->BinaryString(), src.Base()->BinaryString());

    TvdxGS1DatabarESProperties p, q;
    p.SetWhose(&dst);
    q.SetWhose(&src);
    src.SetColumns(3);
    p.Assign(&q);
    EXPECT_EQ(dst.Columns(), 3);

    Root root;
    TvdxXMLSerializer s;
    auto *v = new TvdxBarcode2DView(&root);
    v->SetBarType(bcGS1DatabarES);
    auto *props = qobject_cast<TvdxGS1DatabarESProperties *>(v->BarProperties());
    ASSERT_NE(props, nullptr);
    props->SetColumns(4);
    v->SetText(QStringLiteral("(01)98898765432106(3103)032768"));
    const QString text = s.WriteComponentStr(v);
    EXPECT_TRUE(text.contains(QStringLiteral("BarProperties.Columns=\"4\""))) << text.toStdString();
    auto *c = qobject_cast<TvdxBarcode2DView *>(s.ReadComponentStr(&root, text));
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(s.Errors().isEmpty());
    EXPECT_EQ(qobject_cast<TvdxGS1DatabarESProperties *>(c->BarProperties())->Columns(), 4);
    EXPECT_EQ(c->Text(), v->Text());
    EXPECT_EQ(s.WriteComponentStr(c), text);

    auto *e = new TvdxBarcode2DView(&root);
    e->SetBarType(bcGS1DatabarE);
    ASSERT_NE(qobject_cast<TvdxGS1DatabarEProperties *>(e->BarProperties()), nullptr);
    e->SetText(QStringLiteral("(01)12345678901231"));
    const QString etext = s.WriteComponentStr(e);
    auto *ec = qobject_cast<TvdxBarcode2DView *>(s.ReadComponentStr(&root, etext));
    ASSERT_NE(ec, nullptr);
    EXPECT_EQ(s.WriteComponentStr(ec), etext);
    EXPECT_TRUE(ec->ErrorText().isEmpty());
}
