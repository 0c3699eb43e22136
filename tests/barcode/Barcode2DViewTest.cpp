#include "Barcode2DTestUtil.h"
#include "barcode/vdxBarcode2DView.h"
#include "common/ZxingDecode.h"
#include "core/vdxXMLSerializer.h"
#include "report/vdxClass_report.h"
#include "report/vdxDsgnIntf.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

class Root : public TvdComponent {
public:
    Root() = default;
};

} // namespace

TEST(Barcode2DView, NewObjectAndTypeChange)
{
    TvdxBarcode2DView v;
    EXPECT_EQ(v.BarType(), bcCodePDF417);
    EXPECT_TRUE(v.AutoSize());
    v.SetBarType(bcCodeQR);
    ASSERT_NE(dynamic_cast<TvdxBarcodeQR *>(v.Engine()), nullptr);
    ASSERT_NE(qobject_cast<TvdxQRProperties *>(v.BarProperties()), nullptr);
    v.SetText(QStringLiteral("ABC"));
    v.SetBarType(bcCodeQR); // same type: text kept
    EXPECT_EQ(v.Text(), QStringLiteral("ABC"));
    v.SetBarType(bcPharmacodeTT);
    EXPECT_EQ(v.Text(), QStringLiteral("12345678"));
}

TEST(Barcode2DView, HexDataAndRotationSnap)
{
    TvdxBarcode2DView v;
    v.SetBarType(bcCodeQR);
    v.SetText(QStringLiteral("AB"));
    EXPECT_EQ(v.HexData(), QStringLiteral("41004200"));
    v.SetText(QStringLiteral("x"));
    v.SetHexData(QStringLiteral("41004200"));
    EXPECT_EQ(v.Text(), QStringLiteral("AB"));
    const std::pair<int, int> cases[] = {{100, 90}, {200, 180}, {300, 270}, {350, 0}, {-90, 0}, {44, 0}, {45, 90}};
    for (auto [in, out] : cases) {
        v.SetRotation(in);
        v.SetText(QStringLiteral("AB"));
        EXPECT_EQ(v.Rotation(), out) << in;
    }
}

TEST(Barcode2DView, PixelSizeHasALowerBound)
{
    TvdxBarcode2DView v;
    v.SetBarType(bcCodeQR);
    auto *p = qobject_cast<TvdxQRProperties *>(v.BarProperties());
    for (int value : {1, 0}) {
        p->SetPixelSize(value);
        EXPECT_EQ(p->PixelSize(), 2);
    }
}

TEST(Barcode2DView, SizeFollowsTheSymbol)
{
    TvdxBarcode2DView v;
    v.SetBarType(bcCodeQR);
    v.SetShowText(false);
    v.SetText(QStringLiteral("12345678"));
    EXPECT_DOUBLE_EQ(double(v.Width()), 84);
    EXPECT_DOUBLE_EQ(double(v.Height()), 84);
    v.SetAutoSize(false);
    v.SetWidth(168);
    EXPECT_DOUBLE_EQ(v.Zoom(), 2.0);
    // A Pharmacode turned by 90 degrees takes its bar height from the width.
    TvdxBarcode2DView p;
    p.SetBarType(bcPharmacodeTT);
    p.SetShowText(false);
    p.SetRotation(90);
    p.SetText(QStringLiteral("4"));
    p.SetWidth(40);
    EXPECT_DOUBLE_EQ(p.Zoom(), 1.0);
    EXPECT_EQ(p.Engine()->Height(), 40);
}

TEST(Barcode2DView, InvalidTextDrawsTheMessageInRed)
{
    TvdxBarcode2DView v;
    v.SetBarType(bcCodeQR);
    auto *p = qobject_cast<TvdxQRProperties *>(v.BarProperties());
    p->SetEncoding(qrNumeric);
    v.SetText(QStringLiteral("abc"));
    EXPECT_FALSE(v.ErrorText().isEmpty());
    QImage image(200, 200, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainterCanvas canvas(image);
    v.Draw(canvas, 1, 1, 0, 0);
    bool red = false, black = false;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x) {
            const QColor c = image.pixelColor(x, y);
            red = red || (c.red() > 150 && c.green() < 100);
            black = black || (c.red() < 50 && c.green() < 50 && c.blue() < 50);
        }
    EXPECT_TRUE(red);
    EXPECT_FALSE(black);
}

TEST(Barcode2DView, TemplateRoundTrip)
{
    Root root;
    TvdxXMLSerializer s;
    auto *v = new TvdxBarcode2DView(&root);
    v->SetBarType(bcCodeQR);
    auto *p = qobject_cast<TvdxQRProperties *>(v->BarProperties());
    p->SetErrorLevels(ecM);
    p->SetCodePage(1251);
    p->SetQuietZone(2);
    p->GraphicMarker()->SetShowGraphicMarker(true);
    v->SetShowText(false);
    v->SetText(QString::fromUtf16(u"\u041f\u0440\u0438\u0432\u0435\u0442"));
    const QString text = s.WriteComponentStr(v);
    EXPECT_TRUE(text.contains(QStringLiteral("BarProperties.ErrorLevels=\"ecM\""))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("BarProperties.CodePage=\"1251\""))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("BarType=\"bcCodeQR\""))) << text.toStdString();

    auto *c = qobject_cast<TvdxBarcode2DView *>(s.ReadComponentStr(&root, text));
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(s.Errors().isEmpty()) << s.Errors().join(u'\n').toStdString();
    auto *q = qobject_cast<TvdxQRProperties *>(c->BarProperties());
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(q->ErrorLevels(), ecM);
    EXPECT_EQ(q->CodePage(), 1251);
    EXPECT_EQ(q->QuietZone(), 2);
    EXPECT_TRUE(q->GraphicMarker()->ShowGraphicMarker());
    EXPECT_EQ(c->Text(), v->Text());
    EXPECT_EQ(s.WriteComponentStr(c), text);

    QImage image(400, 400, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainterCanvas canvas(image);
    c->SetLeft(40);
    c->SetTop(40);
    c->Draw(canvas, 1, 1, 0, 0);
    const QList<ZxingResult> found = ZxingDecode(image);
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found[0].text, v->Text());
    EXPECT_EQ(found[0].ecLevel, QStringLiteral("M"));
}

TEST(Barcode2DView, LogoPictureTravelsWithTheTemplate)
{
    Root root;
    TvdxXMLSerializer s;
    auto *v = new TvdxBarcode2DView(&root);
    v->SetBarType(bcCodeQR);
    v->SetShowText(false);
    auto *p = qobject_cast<TvdxQRProperties *>(v->BarProperties());
    p->SetErrorLevels(ecH);
    TBitmap red(8, 8);
    red.Fill(clRed);
    TPicture picture;
    picture.SetGraphic(&red);
    p->Logo()->SetLogo(&picture);
    v->SetText(QStringLiteral("https://example.org/logo"));
    const QString text = s.WriteComponentStr(v);
    EXPECT_TRUE(text.contains(QStringLiteral("BarProperties.Logo.PropData=\""))) << text.toStdString();

    auto *c = qobject_cast<TvdxBarcode2DView *>(s.ReadComponentStr(&root, text));
    ASSERT_NE(c, nullptr);
    auto *q = qobject_cast<TvdxQRProperties *>(c->BarProperties());
    ASSERT_TRUE(q->Logo()->HasLogo());
    const TGraphic *g = q->Logo()->Logo()->Graphic();
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->Width(), 8);
    EXPECT_EQ(s.WriteComponentStr(c), text);

    // Drawn over the middle of the symbol, which still reads at level H.
    QImage image(400, 400, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainterCanvas canvas(image);
        c->SetLeft(50);
        c->SetTop(50);
        c->Draw(canvas, 2, 2, 0, 0);
    }
    const QPoint middle(int((50 + double(c->Width()) / 2) * 2), int((50 + double(c->Height()) / 2) * 2));
    EXPECT_EQ(image.pixelColor(middle), QColor(Qt::red));
    const QList<ZxingResult> found = ZxingDecode(image);
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found[0].text, QStringLiteral("https://example.org/logo"));

    // A damaged picture leaves the logo empty and the object loads.
    QString broken = text;
    const qsizetype at = broken.indexOf(QStringLiteral("Logo.PropData=\"")) + 15;
    broken.replace(at + 40, 20, QStringLiteral("00000000000000000000"));
    auto *d = qobject_cast<TvdxBarcode2DView *>(s.ReadComponentStr(&root, broken));
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->Text(), QStringLiteral("https://example.org/logo"));
}

TEST(Barcode2DView, FillFrameAndStretchingOfTheView)
{
    TvdxBarcode2DView v;
    EXPECT_EQ(v.StretchMode(), TvdxStretcheable::smActualHeight);
    v.SetBarType(bcCodeQR);
    v.SetShowText(false);
    v.SetText(QStringLiteral("12345678"));
    // The height follows the symbol at the zoom; without AutoSize it is the object's.
    v.SetZoom(2);
    v.SetHeight(10);
    EXPECT_DOUBLE_EQ(v.CalcHeight(), 168);
    EXPECT_DOUBLE_EQ(double(v.Height()), 10);
    const TvdRectF b = v.GetRealBounds();
    EXPECT_DOUBLE_EQ(double(b.Right - b.Left), 168);
    double sx = 0, sy = 0;
    v.GetScaleFactor(sx, sy);
    EXPECT_EQ(sx, 2.0);
    EXPECT_EQ(sy, 2.0);
    v.SetAutoSize(false);
    v.SetHeight(100);
    EXPECT_DOUBLE_EQ(v.CalcHeight(), 100);
    EXPECT_DOUBLE_EQ(v.DrawPart(), 100);

    // A yellow fill behind the symbol and a blue frame around the object.
    TvdxBarcode2DView f;
    f.SetBarType(bcCodeQR);
    f.SetShowText(false);
    f.SetText(QStringLiteral("12345678"));
    auto *quiet = qobject_cast<TvdxQRProperties *>(f.BarProperties());
    quiet->SetQuietZone(2);
    f.SetColor(clYellow);
    f.Frame()->SetTyp(TvdxFrame::TvdxFrameTypes(0xF));
    f.Frame()->SetColor(clBlue);
    f.SetLeft(20);
    f.SetTop(20);
    QImage image(200, 200, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainterCanvas canvas(image);
        f.Draw(canvas, 1, 1, 0, 0);
    }
    EXPECT_EQ(image.pixelColor(20 + 50, 20), QColor(Qt::blue));
    EXPECT_EQ(image.pixelColor(20 + 3, 20 + 3), QColor(Qt::yellow));
    EXPECT_EQ(image.pixelColor(10, 10), QColor(Qt::white));
    const QList<ZxingResult> found = ZxingDecode(image);
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found[0].text, QStringLiteral("12345678"));

    // The preset holder reaches the inspector as an extra property.
    TvdxExtPropList *extra = f.GetExtProperties();
    ASSERT_EQ(extra->Count(), 1);
    EXPECT_EQ(extra->GetName(0), QStringLiteral("ExpressionPreset"));
    EXPECT_EQ(extra->GetGetMethod(0)(&f).value<TvdxObjectDataPreset *>(), f.ExpressionPreset());
    EXPECT_EQ(f.GetExtProperties(), extra);
    auto *asInterface = qobject_cast<IvdxBarCodeView *>(&f);
    ASSERT_NE(asInterface, nullptr);
    EXPECT_EQ(asInterface->GetBarType(), 2);
    asInterface->SetBarType(99); // not a 2D type: nothing changes
    EXPECT_EQ(f.BarType(), bcCodeQR);
}

TEST(Barcode2DView, PaletteEntriesAfterTheLinearOnes)
{
    TvdxObjectCollection &reg = vdxObjectRegistry();
    QStringList hints;
    QList<int> flags;
    int firstTwoD = -1, lastLinear = -1;
    for (int i = 0; i < reg.Count(); ++i) {
        const TvdxObjectItem *item = reg.GetObjectItem(i);
        if (item->ClassRef == &TvdxBarCodeView::staticMetaObject)
            lastLinear = i;
        if (item->ClassRef == &TvdxBarcode2DView::staticMetaObject) {
            if (firstTwoD < 0)
                firstTwoD = i;
            hints << item->ButtonHint;
            flags << item->Flags;
        }
    }
    EXPECT_GT(firstTwoD, lastLinear);
    EXPECT_EQ(hints, (QStringList{"PDF417", "DataMatrix", "QRCode", "Aztec", "MaxiCode", "GS1 Databar E.",
                                  "GS1 Databar E.S.", "Pharmacode Two-Track"}));
    EXPECT_EQ(flags, (QList<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    std::unique_ptr<TvdxBarcode2DView> placed(TvdxBarcode2DView::DesignCreate(nullptr, bcCodeQR));
    EXPECT_EQ(placed->BarType(), bcCodeQR);
    EXPECT_TRUE(vdxIsPropertyHidden(&TvdxBarcode2DView::staticMetaObject, QStringLiteral("HexData")));
    EXPECT_TRUE(vdxIsPropertyHidden(&TvdxBarcode2DView::staticMetaObject, QStringLiteral("StretchMode")));
}

TEST(Barcode2DView, BrokenSettingsInATemplateKeepLoading)
{
    Root root;
    TvdxXMLSerializer s;
    auto *c = qobject_cast<TvdxBarcode2DView *>(s.ReadComponentStr(
        &root, QStringLiteral("TvdxBarcode2DView BarType=\"bcCodeQR\" BarProperties.Encoding=\"qrNumeric\" "
                              "BarProperties.QuietZone=\"101\" Text=\"abc\" Rotation=\"90\"")));
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->Text(), QStringLiteral("abc"));
    EXPECT_FALSE(c->ErrorText().isEmpty());
    EXPECT_EQ(c->Rotation(), 90);
    EXPECT_EQ(qobject_cast<TvdxQRProperties *>(c->BarProperties())->QuietZone(), 0);
}

// Settings that shape the symbol are stored after the text; a loaded object
// has the size of the saved one all the same, before anything refits it.
TEST(Barcode2DView, LoadedObjectKeepsTheSavedSize)
{
    struct Case {
        const char *what;
        TvdxBarcode2DType type;
        std::function<void(TvdxBarcode2DView &)> set;
    };
    const auto qr = [](TvdxBarcode2DView &v) { return qobject_cast<TvdxQRProperties *>(v.BarProperties()); };
    const Case cases[] = {
        {"QR, level H, pixel size 6", bcCodeQR,
         [&](TvdxBarcode2DView &v) {
             qr(v)->SetErrorLevels(ecH);
             qr(v)->SetPixelSize(6);
         }},
        {"QR, quiet zone and zoom", bcCodeQR,
         [&](TvdxBarcode2DView &v) {
             qr(v)->SetQuietZone(6);
             v.SetZoom(2.5);
         }},
        {"QR, large caption unscaled", bcCodeQR,
         [&](TvdxBarcode2DView &v) {
             v.SetShowText(true);
             v.SetFontScaled(false);
             v.BarFont()->SetSize(24);
             v.SetZoom(1.5);
         }},
        {"QR, fixed size", bcCodeQR,
         [&](TvdxBarcode2DView &v) {
             qr(v)->SetErrorLevels(ecQ);
             v.SetAutoSize(false);
             v.SetWidth(250);
         }},
        {"PDF417, zoom and quiet zone", bcCodePDF417,
         [&](TvdxBarcode2DView &v) {
             v.SetQuietZone(5);
             v.SetZoom(1.75);
         }},
        {"Aztec, caption", bcCodeAztec,
         [&](TvdxBarcode2DView &v) {
             v.SetShowText(true);
             v.BarFont()->SetSize(18);
         }},
    };
    for (const Case &c : cases) {
        Root root;
        auto *v = new TvdxBarcode2DView(&root);
        v->SetBarType(c.type);
        v->SetShowText(false);
        c.set(*v);
        v->SetText(QStringLiteral("https://example.org/p/SHIP-000042"));
        ASSERT_TRUE(v->ErrorText().isEmpty()) << c.what << v->ErrorText().toStdString();
        TvdxXMLSerializer s;
        const QString text = s.WriteComponentStr(v);
        auto *d = qobject_cast<TvdxBarcode2DView *>(s.ReadComponentStr(&root, text));
        ASSERT_NE(d, nullptr) << c.what;
        EXPECT_DOUBLE_EQ(double(d->Width()), double(v->Width())) << c.what << "\n" << text.toStdString();
        EXPECT_DOUBLE_EQ(double(d->Height()), double(v->Height())) << c.what << "\n" << text.toStdString();
        EXPECT_DOUBLE_EQ(d->Zoom(), v->Zoom()) << c.what;
        // Loading also leaves the object as it would be refitted.
        d->FitToSymbol();
        EXPECT_DOUBLE_EQ(double(d->Width()), double(v->Width())) << c.what;
        EXPECT_DOUBLE_EQ(double(d->Height()), double(v->Height())) << c.what;
    }
}

#include "script/ov_iinterpreter.h"
#include "script/ov_irtti.h"

TEST(Barcode2DView, ScriptSetsSettingsAndComparesTheType)
{
    TvdxBarcode2DView v;
    v.SetBarType(bcCodeQR);
    TovScript s;
    s.AddRTTI();
    s.AddObject(QStringLiteral("B"), &v);
    s.SetSyntaxType(QStringLiteral("VevuvaRirivo"));
    s.SetLines(QStringList{QStringLiteral("var isQR: Boolean; n: Integer;"), QStringLiteral("begin"),
                           QStringLiteral("  TvdxQRProperties(B.BarProperties).ErrorLevels := ecM;"),
                           QStringLiteral("  isQR := B.BarType = bcCodeQR;"), QStringLiteral("  n := bcCodeQR;"),
                           QStringLiteral("end.")});
    ASSERT_TRUE(s.Compile()) << s.ErrorMsg.toStdString() << " at " << s.ErrorPos.toStdString();
    s.Execute();
    EXPECT_EQ(qobject_cast<TvdxQRProperties *>(v.BarProperties())->ErrorLevels(), ecM);
    EXPECT_TRUE(s.Variables(QStringLiteral("isQR")).toBool());
    EXPECT_EQ(s.Variables(QStringLiteral("n")).toInt(), 2);
}

namespace {

// A preset that supplies a fixed payload and raises the error level while attached.
class TvdxTestPreset : public TvdxCustomObjectPreset {
    Q_OBJECT
    Q_PROPERTY(QString Payload READ Payload WRITE SetPayload)
public:
    Q_INVOKABLE TvdxTestPreset() = default;
    QString Payload() const { return m_payload; }
    void SetPayload(const QString &v) { m_payload = v; }
    QString GetData(TvdxReport *) override { return m_payload; }
    void ApplySettings(TvdxComponent *c) override { props(c)->SetErrorLevels(ecH); }
    void SaveComponentState(TvdxComponent *c) override { m_saved = props(c)->ErrorLevels(); }
    void RestoreComponentState(TvdxComponent *c) override { props(c)->SetErrorLevels(m_saved); }

private:
    static TvdxQRProperties *props(TvdxComponent *c)
    {
        return qobject_cast<TvdxQRProperties *>(qobject_cast<TvdxBarcode2DView *>(c)->BarProperties());
    }
    QString m_payload;
    TQRErrorLevels m_saved = ecL;
};

const bool presetRegistered = [] {
    vdRegisterClass<TvdxTestPreset>();
    vdxGlobalDataPresets().append(&TvdxTestPreset::staticMetaObject);
    return true;
}();

} // namespace

TEST(Barcode2DView, PresetSuppliesTheTextAndRoundTrips)
{
    Root root;
    auto *v = new TvdxBarcode2DView(&root);
    v->SetBarType(bcCodeQR);
    EXPECT_FALSE(v->ExpressionPreset()->IsHasPresetData());
    EXPECT_TRUE(v->ExpressionPreset()->GetData(nullptr).isEmpty());
    v->ExpressionPreset()->SetPresetClass(QStringLiteral("TvdxTestPreset"));
    ASSERT_TRUE(v->ExpressionPreset()->IsHasPresetData());
    auto *props = qobject_cast<TvdxQRProperties *>(v->BarProperties());
    EXPECT_EQ(props->ErrorLevels(), ecH);
    qobject_cast<TvdxTestPreset *>(v->ExpressionPreset()->DataObject())->SetPayload(QStringLiteral("PAY \"1\""));
    v->SetExpression(QStringLiteral("ignored"));
    v->GetData();
    EXPECT_EQ(v->Text(), QStringLiteral("PAY \"1\""));
    // An unknown class name keeps the preset.
    v->ExpressionPreset()->SetPresetClass(QStringLiteral("TNoSuchPreset"));
    EXPECT_EQ(v->ExpressionPreset()->PresetClass(), QStringLiteral("TvdxTestPreset"));

    TvdxXMLSerializer s;
    const QString text = s.WriteComponentStr(v);
    EXPECT_TRUE(text.contains(QStringLiteral("Formats="))) << text.toStdString();
    auto *c = qobject_cast<TvdxBarcode2DView *>(s.ReadComponentStr(&root, text));
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(s.Errors().isEmpty()) << s.Errors().join(u'\n').toStdString();
    EXPECT_EQ(c->ExpressionPreset()->PresetClass(), QStringLiteral("TvdxTestPreset"));
    EXPECT_EQ(qobject_cast<TvdxTestPreset *>(c->ExpressionPreset()->DataObject())->Payload(), QStringLiteral("PAY \"1\""));

    // Released: the settings it changed come back.
    v->ExpressionPreset()->SetPresetClass(QString());
    EXPECT_EQ(props->ErrorLevels(), ecL);
    EXPECT_FALSE(s.WriteComponentStr(v).contains(QStringLiteral("Formats=")));
}

TEST(Barcode2DView, HostileFormatsAndHexData)
{
    Root root;
    TvdxXMLSerializer s;
    for (const char *formats : {"PresetClass=\"TNoSuchPreset\"", "garbage", "PresetClass=\"TvdxBarcode2DView\"",
                                "PresetClass=\"TvdxTestPreset\" DataObject.Payload=\"&amp;ECI99;x\" Nope=\"1\""}) {
        const QString t = QStringLiteral("TvdxBarcode2DView BarType=\"bcCodeQR\" Formats=\"%1\" HexData=\"410\"")
                              .arg(QString::fromLatin1(formats).toHtmlEscaped());
        auto *c = qobject_cast<TvdxBarcode2DView *>(s.ReadComponentStr(&root, t));
        ASSERT_NE(c, nullptr) << formats;
        c->GetData();
        QImage image(100, 100, QImage::Format_RGB32);
        QPainterCanvas canvas(image);
        c->Draw(canvas, 1, 1, 0, 0);
    }
}

TEST(Barcode2DView, EncodingErrorsReachTheReportErrorList)
{
    TvdxReport report;
    auto *page = new TvdxReportPage(&report);
    auto *v = new TvdxBarcode2DView(page);
    v->SetName(QStringLiteral("QR1"));
    v->SetBarType(bcCodeQR);
    qobject_cast<TvdxQRProperties *>(v->BarProperties())->SetEncoding(qrNumeric);
    report.OnGetValue = [](const QString &name, Variant &value) {
        if (name == QLatin1String("Field"))
            value = Variant(QStringLiteral("12x"));
    };
    v->SetExpression(QStringLiteral("Field"));
    v->GetData();
    ASSERT_EQ(report.Errors().size(), 1);
    EXPECT_EQ(report.Errors().first(),
              QStringLiteral("QR1: Character \"x\" (U+0078) is not allowed in numeric mode"));
}

#include "Barcode2DViewTest.moc"

// The bar-height symbologies take their bar height from the object: turned by
// 90 or 270 degrees that is its width. Placed, sized by hand, loaded from a
// template or copied for a run, the symbol fills the object and decodes.
TEST(Barcode2DView, BarHeightSymbolsFillTheObjectAtEveryRotation)
{
    const QString gs1 = QStringLiteral("(01)98898765432106(3103)032768");
    enum Setup { Placed, FixedSize, Loaded, Copied };
    const char *const names[] = {"placed", "fixed size", "loaded", "copied for a run"};
    for (TvdxBarcode2DType type : {bcGS1DatabarE, bcPharmacodeTT})
        for (Setup setup : {Placed, FixedSize, Loaded, Copied})
            for (int rotation : {0, 90, 180, 270}) {
                const std::string what = std::string(names[setup]) + " type " + std::to_string(int(type))
                    + " rotation " + std::to_string(rotation);
                Root root;
                auto *v = new TvdxBarcode2DView(&root);
                v->SetBarType(type);
                v->SetShowText(false);
                v->SetText(type == bcGS1DatabarE ? gs1 : QStringLiteral("1234"));
                // Laid out unturned first, as a designer user does.
                v->SetBounds(40, 40, 100, 60);
                if (setup != Placed)
                    v->SetAutoSize(false);
                v->SetRotation(rotation);
                const bool turned = rotation == 90 || rotation == 270;
                const double along = v->Engine()->Width();
                if (turned)
                    v->SetBounds(40, 40, 60, along);
                else
                    v->SetBounds(40, 40, along, 60);
                TvdxBarcode2DView *d = v;
                if (setup == Loaded || setup == Copied) {
                    TvdxXMLSerializer s;
                    d = qobject_cast<TvdxBarcode2DView *>(s.ReadComponentStr(&root, s.WriteComponentStr(v)));
                    ASSERT_NE(d, nullptr) << what;
                }
                if (setup == Copied) {
                    auto *c = new TvdxBarcode2DView(&root);
                    c->Assign(d);
                    c->GetData();
                    d = c;
                }
                ASSERT_TRUE(d->ErrorText().isEmpty()) << what << d->ErrorText().toStdString();
                QImage image(800, 800, QImage::Format_RGB32);
                image.fill(Qt::white);
                {
                    QPainterCanvas canvas(image);
                    d->Draw(canvas, 2, 2, 0, 0);
                }
                const QRect object(QPoint(d->FX(), d->FY()), QPoint(d->FX1() - 1, d->FY1() - 1));
                const QRect dark = darkBounds(image);
                ASSERT_FALSE(dark.isEmpty()) << what;
                EXPECT_TRUE(object.adjusted(-2, -2, 2, 2).contains(dark)) << what;
                // Across the bars the symbol spans the object's 60 units.
                EXPECT_GE(turned ? dark.width() : dark.height(), 116) << what;
                EXPECT_LE(turned ? dark.width() : dark.height(), 122) << what;
                if (type != bcGS1DatabarE)
                    continue;
                ZxingOptions o;
                o.single = true;
                const QList<ZxingResult> found = ZxingDecode(image, o);
                ASSERT_EQ(found.size(), 1) << what;
                EXPECT_EQ(found.first().format, QStringLiteral("DataBarExpanded"));
                EXPECT_EQ(found.first().text, gs1) << what;
            }
}
