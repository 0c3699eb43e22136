#include "Barcode2DTestUtil.h"
#include "barcode/vdxBarcode2DView.h"
#include "barcode/vdxBarcodePDF417Properties.h"
#include "common/ZxingDecode.h"
#include "core/vdxXMLSerializer.h"
#include "script/ov_iinterpreter.h"
#include "script/ov_irtti.h"

#include <gtest/gtest.h>

namespace {

class Root : public TvdComponent {
public:
    Root() = default;
};

QString decodeView(TvdxBarcode2DView *v)
{
    v->FitToSymbol();
    QImage image(int(v->Width()) + 80, int(v->Height()) + 80, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainterCanvas canvas(image);
    v->SetLeft(40);
    v->SetTop(40);
    v->Draw(canvas, 1, 1, 0, 0);
    const QList<ZxingResult> found = ZxingDecode(image);
    return found.size() == 1 ? found[0].text : QString();
}

} // namespace

TEST(Barcode2DSettings, NewObjectIsPDF417)
{
    TvdxBarcode2DView v;
    ASSERT_NE(dynamic_cast<TvdxBarcodePDF417 *>(v.Engine()), nullptr);
    auto *p = qobject_cast<TvdxPDF417Properties *>(v.BarProperties());
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(v.ErrorText().isEmpty());
    EXPECT_EQ(p->PixelWidth(), 2);
    EXPECT_EQ(p->PixelHeight(), 8);
    EXPECT_EQ(decodeView(&v), QStringLiteral("12345678"));
    v.SetBarType(bcCodeDataMatrix);
    ASSERT_NE(qobject_cast<TvdxDataMatrixProperties *>(v.BarProperties()), nullptr);
    EXPECT_EQ(decodeView(&v), QStringLiteral("12345678"));
}

TEST(Barcode2DSettings, PDF417TemplateRoundTrip)
{
    Root root;
    TvdxXMLSerializer s;
    auto *v = new TvdxBarcode2DView(&root);
    auto *p = qobject_cast<TvdxPDF417Properties *>(v->BarProperties());
    p->SetAspectRatio(0.25);
    p->SetColumns(4);
    p->SetRows(12);
    p->SetErrorCorrection(PDF417ErrorCorrection::Level5);
    p->SetCodePage(1252);
    p->SetCompactionMode(PDF417CompactionMode::TextComp);
    p->SetPixelWidth(3);
    p->SetPixelHeight(9);
    v->SetShowText(false);
    v->SetText(QStringLiteral("Grüße 123"));
    const QString text = s.WriteComponentStr(v);
    for (const char *attr : {"BarProperties.AspectRatio=\"0.25\"", "BarProperties.Columns=\"4\"",
                             "BarProperties.Rows=\"12\"", "BarProperties.ErrorCorrection=\"Level5\"",
                             "BarProperties.CodePage=\"1252\"", "BarProperties.CompactionMode=\"TextComp\"",
                             "BarProperties.PixelWidth=\"3\"", "BarProperties.PixelHeight=\"9\""})
        EXPECT_TRUE(text.contains(QLatin1String(attr))) << attr << "\n" << text.toStdString();
    EXPECT_FALSE(text.contains(QLatin1String("BarType="))) << "the default type";

    auto *c = qobject_cast<TvdxBarcode2DView *>(s.ReadComponentStr(&root, text));
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(s.Errors().isEmpty()) << s.Errors().join(u'\n').toStdString();
    auto *q = qobject_cast<TvdxPDF417Properties *>(c->BarProperties());
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(q->AspectRatio(), 0.25);
    EXPECT_EQ(q->Columns(), 4);
    EXPECT_EQ(q->Rows(), 12);
    EXPECT_EQ(q->ErrorCorrection(), PDF417ErrorCorrection::Level5);
    EXPECT_EQ(q->CodePage(), 1252);
    EXPECT_EQ(q->CompactionMode(), PDF417CompactionMode::TextComp);
    EXPECT_EQ(q->PixelWidth(), 3);
    EXPECT_EQ(q->PixelHeight(), 9);
    EXPECT_EQ(s.WriteComponentStr(c), text);
    auto *e = dynamic_cast<TvdxBarcodePDF417 *>(c->Engine());
    EXPECT_EQ(e->SymbolRows(), 12); // the columns grow to hold the text
    EXPECT_EQ(e->ErrorLevel(), 5);
    EXPECT_EQ(decodeView(c), v->Text());
}

TEST(Barcode2DSettings, DataMatrixTemplateRoundTrip)
{
    Root root;
    TvdxXMLSerializer s;
    auto *v = new TvdxBarcode2DView(&root);
    v->SetBarType(bcCodeDataMatrix);
    auto *p = qobject_cast<TvdxDataMatrixProperties *>(v->BarProperties());
    p->SetCodePage(1252);
    p->SetPixelSize(5);
    p->SetSymbolSize(DatamatrixSymbolSize::Size16x48);
    p->SetEncoding(DatamatrixEncoding::Txt);
    p->SetGS1Rule(true);
    v->SetShowText(false);
    v->SetText(QStringLiteral("(01)98898765432106(10)abc"));
    ASSERT_TRUE(v->ErrorText().isEmpty()) << v->ErrorText().toStdString();
    const QString text = s.WriteComponentStr(v);
    for (const char *attr : {"BarType=\"bcCodeDataMatrix\"", "BarProperties.CodePage=\"1252\"",
                             "BarProperties.PixelSize=\"5\"", "BarProperties.SymbolSize=\"Size16x48\"",
                             "BarProperties.Encoding=\"Txt\"", "BarProperties.GS1Rule=\"True\""})
        EXPECT_TRUE(text.contains(QLatin1String(attr))) << attr << "\n" << text.toStdString();

    auto *c = qobject_cast<TvdxBarcode2DView *>(s.ReadComponentStr(&root, text));
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(s.Errors().isEmpty()) << s.Errors().join(u'\n').toStdString();
    auto *q = qobject_cast<TvdxDataMatrixProperties *>(c->BarProperties());
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(q->PixelSize(), 5);
    EXPECT_EQ(q->SymbolSize(), DatamatrixSymbolSize::Size16x48);
    EXPECT_EQ(q->Encoding(), DatamatrixEncoding::Txt);
    EXPECT_TRUE(q->GS1Rule());
    EXPECT_EQ(s.WriteComponentStr(c), text);
    EXPECT_EQ(decodeView(c), QStringLiteral("0198898765432106" "10abc"));
}

TEST(Barcode2DSettings, AssignAndLowerBound)
{
    TvdxBarcode2DView a, b, qr;
    qr.SetBarType(bcCodeQR);
    auto *pa = qobject_cast<TvdxPDF417Properties *>(a.BarProperties());
    pa->SetColumns(5);
    pa->SetRows(6);
    pa->SetPixelHeight(12);
    b.SetBarProperties(pa);
    auto *pb = qobject_cast<TvdxPDF417Properties *>(b.BarProperties());
    EXPECT_EQ(pb->Columns(), 5);
    EXPECT_EQ(pb->Rows(), 6);
    EXPECT_EQ(pb->PixelHeight(), 12);
    pa->SetColumns(7);
    EXPECT_EQ(pb->Columns(), 5);

    a.SetBarType(bcCodeDataMatrix);
    b.SetBarType(bcCodeDataMatrix);
    auto *da = qobject_cast<TvdxDataMatrixProperties *>(a.BarProperties());
    auto *db = qobject_cast<TvdxDataMatrixProperties *>(b.BarProperties());
    for (int value : {1, 0}) {
        da->SetPixelSize(value);
        EXPECT_EQ(da->PixelSize(), 2);
    }
    da->SetGS1Rule(true);
    da->SetEncoding(DatamatrixEncoding::Edifact);
    db->Assign(da);
    EXPECT_TRUE(db->GS1Rule());
    EXPECT_EQ(db->Encoding(), DatamatrixEncoding::Edifact);
    db->Assign(qr.BarProperties()); // another class: nothing changes
    EXPECT_EQ(db->Encoding(), DatamatrixEncoding::Edifact);
}

TEST(Barcode2DSettings, ScriptReachesTheSettings)
{
    TvdxBarcode2DView v;
    TovScript s;
    s.AddRTTI();
    s.AddObject(QStringLiteral("B"), &v);
    s.SetSyntaxType(QStringLiteral("VevuvaRirivo"));
    s.SetLines(QStringList{QStringLiteral("var isPdf: Boolean;"), QStringLiteral("begin"),
                           QStringLiteral("  isPdf := B.BarType = bcCodePDF417;"),
                           QStringLiteral("  TvdxPDF417Properties(B.BarProperties).Columns := 3;"),
                           QStringLiteral("  TvdxPDF417Properties(B.BarProperties).ErrorCorrection := Level4;"),
                           QStringLiteral("  B.BarType := bcCodeDataMatrix;"),
                           QStringLiteral("  TvdxDataMatrixProperties(B.BarProperties).Encoding := Edifact;"),
                           QStringLiteral("  TvdxDataMatrixProperties(B.BarProperties).SymbolSize := Size32x32;"),
                           QStringLiteral("end.")});
    ASSERT_TRUE(s.Compile()) << s.ErrorMsg.toStdString() << " at " << s.ErrorPos.toStdString();
    s.Execute();
    EXPECT_TRUE(s.Variables(QStringLiteral("isPdf")).toBool());
    auto *d = qobject_cast<TvdxDataMatrixProperties *>(v.BarProperties());
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->Encoding(), DatamatrixEncoding::Edifact);
    EXPECT_EQ(d->SymbolSize(), DatamatrixSymbolSize::Size32x32);
}
