// The linear barcode report object: sizing and zoom, sample texts, errors in
// place of the symbol, bearer bars, storing, the palette and scripts.
#include "barcode/vdxBarcodeView.h"
#include "common/ZxingDecode.h"
#include "platform/QPainterCanvas.h"
#include "report/vdxClass_dataset.h"
#include "report/vdxClass_report.h"
#include "report/vdxDsgnIntf.h"
#include "script/ov_irtti.h"

#include <QBuffer>
#include <gtest/gtest.h>

namespace {

using B = TvdxBarcode;

QImage drawView(TvdxBarCodeView &v, double scale = 1.0, int margin = 40)
{
    QImage img(int(double(v.Width() + v.Height()) * scale) + 2 * margin + 200,
               int(double(v.Width() + v.Height()) * scale) + 2 * margin + 200, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainterCanvas canvas(img);
    v.Draw(canvas, scale, scale, margin, margin);
    return img;
}

void draw(TvdxBarCodeView &v)
{
    QImage img(8, 8, QImage::Format_RGB32);
    QPainterCanvas canvas(img);
    v.Draw(canvas, 1, 1, 0, 0);
}

} // namespace

TEST(BarcodeView, AutoSizeAndZoom)
{
    TvdxBarCodeView v;
    v.SetBarTypeValue(B::bcCodeEAN13);
    v.SetCalcCheckSum(true);
    v.SetZoom(2);
    draw(v);
    EXPECT_TRUE(v.ErrorText().isEmpty()) << v.ErrorText().toStdString();
    // EAN-13 keeps 8 modules left of the bars for its first digit.
    EXPECT_EQ(double(v.Width()), (97 + 8) * 2.0);
    EXPECT_EQ(v.BarCode()->Text, QByteArray("0000123456784"));

    v.SetAutoSize(false);
    v.SetBarTypeValue(B::bcCode39);
    v.SetWidth(200);
    draw(v);
    const int W = v.BarCode()->Width();
    EXPECT_DOUBLE_EQ(v.Zoom(), 200.0 / W);

    v.SetAutoSize(true);
    v.SetZoom(0);
    draw(v);
    EXPECT_EQ(v.Zoom(), 1.0);
    v.SetRotation(90);
    draw(v);
    EXPECT_EQ(double(v.Height()), double(W));
}

TEST(BarcodeView, RightAlignedObjectKeepsItsRightEdge)
{
    TvdxBarCodeView v;
    v.SetHAlign(TvdxBarCodeView::haRight);
    v.SetText(QStringLiteral("ABCDEFGH"));
    draw(v);
    const long double right = v.Left() + v.Width();
    v.SetText(QStringLiteral("AB"));
    draw(v);
    EXPECT_NEAR(double(v.Left() + v.Width()), double(right), 1e-6);
}

TEST(BarcodeView, CaptionFontStaysAtNinePoints)
{
    TvdxBarCodeView v;
    EXPECT_EQ(v.BarFont()->Name(), "Arial");
    EXPECT_EQ(v.BarFont()->Size(), 9);
    v.BarFont()->SetSize(12);
    EXPECT_EQ(v.BarFont()->Size(), 9);
    v.BarFont()->SetSize(7);
    EXPECT_EQ(v.BarFont()->Size(), 7);
    v.SetZoom(1);
    EXPECT_EQ(v.GetFontHeightBottom(), 4 + 9);
    EXPECT_EQ(v.GetFontHeightTop(), 0);
    v.SetTextSup(QStringLiteral("sup"));
    EXPECT_EQ(v.GetFontHeightTop(), 4 + 9);
}

TEST(BarcodeView, SampleTextOnlyAfterADesignerChange)
{
    // In the designer a failing text after a type change becomes the sample.
    std::unique_ptr<TvdxBarCodeView> d(TvdxBarCodeView::DesignCreate(nullptr, B::bcCode39));
    d->SetText(QStringLiteral("ABC"));
    d->SetBarTypeValue(B::bcCodeEAN8);
    draw(*d);
    EXPECT_EQ(d->Text(), "12345678");
    EXPECT_TRUE(d->CalcCheckSum());
    EXPECT_TRUE(d->ErrorText().isEmpty());
    d->SetText(QStringLiteral("12345"));
    d->SetBarTypeValue(B::bcCodePostNet);
    draw(*d);
    EXPECT_EQ(d->Text(), "12345");
    // A report that runs keeps its text and shows the error, and lists it.
    TvdxBarCodeView run;
    run.SetText(QStringLiteral("ABC"));
    run.SetBarTypeValue(B::bcCodeEAN8);
    const QImage img = drawView(run);
    EXPECT_EQ(run.Text(), "ABC");
    EXPECT_EQ(run.ErrorText(), "Barcode must be numeric");
    int red = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            red += qRed(img.pixel(x, y)) > 200 && qGreen(img.pixel(x, y)) < 80;
    EXPECT_GT(red, 10);
}

TEST(BarcodeView, PaletteObjectsEncodeTheirSamples)
{
    for (int t = 0; t < B::TypeCount; ++t) {
        std::unique_ptr<TvdxBarCodeView> v(TvdxBarCodeView::DesignCreate(nullptr, t));
        EXPECT_EQ(v->GetBarType(), t);
        draw(*v);
        EXPECT_TRUE(v->ErrorText().isEmpty()) << B::TypeName(B::TvdxBarcodeType(t)) << ": "
                                              << v->ErrorText().toStdString();
    }
    std::unique_ptr<TvdxBarCodeView> ean(TvdxBarCodeView::DesignCreate(nullptr, B::bcCodeEAN13));
    EXPECT_EQ(ean->Text(), "12345678");
}

TEST(BarcodeView, ITF14WithBearersDecodes)
{
    for (int rotation : {0, 90, 180, 270}) {
        for (double zoom : {2.0, 3.0, 5.0}) {
            TvdxBarCodeView v;
            v.SetBarTypeValue(B::bcCode_ITF_14);
            v.SetText(QStringLiteral("12345678912343"));
            v.SetRotation(rotation);
            v.SetZoom(zoom);
            if (rotation == 90 || rotation == 270)
                v.SetWidth(60 * zoom);
            else
                v.SetHeight(60 * zoom);
            draw(v);
            const QImage img = drawView(v, 1.0, 60);
            ZxingOptions o;
            o.maxSymbols = 1; // bearer rows would otherwise be merged across scan lines
            const auto results = ZxingDecode(img, o);
            ASSERT_EQ(results.size(), 1) << rotation << " " << zoom;
            EXPECT_EQ(results[0].text, "12345678912343");
        }
    }
    // With TestLine only the top and bottom bearers remain: the sides stay white.
    TvdxBarCodeView v;
    v.SetBarTypeValue(B::bcCode_ITF_14);
    v.SetText(QStringLiteral("12345678912343"));
    v.SetHeight(80);
    v.SetTestLine(true);
    const QImage img = drawView(v, 1.0, 10);
    EXPECT_EQ(qGray(img.pixel(11, 10 + 40)), 255);
    EXPECT_LT(qGray(img.pixel(11, 11)), 128);
}

TEST(BarcodeView, StoredAndLoadedBackUnchanged)
{
    TvdxBarCodeView src;
    src.SetName(QStringLiteral("BarCode1"));
    src.SetBarTypeValue(B::bcCodeUPC_A);
    src.SetText(QStringLiteral("03600029145"));
    src.SetCalcCheckSum(true);
    src.SetRotation(90);
    src.SetWideBarRatio(2.5);
    src.SetTextSup(QStringLiteral("sup"));
    src.SetColorBar(0x0000FF);
    src.BarcodeText()->TextSettings()->SetBarTextPos(TvdxTextSettings::btpTop);
    QBuffer buf;
    buf.open(QIODevice::ReadWrite);
    src.SaveToStream(buf);
    const QByteArray first = buf.data();
    EXPECT_TRUE(first.contains("BarType=\"bcCodeUPC_A\"")) << first.constData();
    TvdxBarCodeView back;
    buf.seek(0);
    back.LoadFromStream(buf);
    EXPECT_EQ(back.BarType(), B::bcCodeUPC_A);
    EXPECT_EQ(back.Text(), "03600029145");
    EXPECT_EQ(back.Rotation(), 90);
    EXPECT_EQ(back.ColorBar(), 0x0000FF);
    EXPECT_EQ(back.BarcodeText()->SupSettings()->BarTextPos(), TvdxTextSettings::btpBottom);
    QBuffer again;
    again.open(QIODevice::ReadWrite);
    back.SaveToStream(again);
    EXPECT_EQ(again.data(), first);
    draw(back);
    EXPECT_EQ(back.Text(), "03600029145"); // drawing does not rewrite the stored text
    EXPECT_TRUE(back.ErrorText().isEmpty());
}

TEST(BarcodeView, PaletteHoldsEverySymbology)
{
    TvdxObjectCollection &reg = vdxObjectRegistry();
    QList<int> flags;
    QStringList hints;
    for (int i = 0; i < reg.Count(); ++i) {
        const TvdxObjectItem *item = reg.GetObjectItem(i);
        if (item->ClassRef == &TvdxBarCodeView::staticMetaObject && item->CategoryName == "Barcode") {
            flags << item->Flags;
            hints << item->ButtonHint;
        }
    }
    ASSERT_EQ(flags.size(), B::TypeCount);
    for (int t = 0; t < B::TypeCount; ++t)
        EXPECT_EQ(flags[t], t);
    EXPECT_EQ(hints[17], "EAN13");
    EXPECT_EQ(hints[15], "Codabar");
    EXPECT_NE(TvdClassRegistry::Instance().Find(QStringLiteral("TvdxBarCodeView")), nullptr);
}

TEST(BarcodeView, ScriptComparesBarTypeWithItsConstant)
{
    TovScript s;
    s.AddRTTI();
    TvdxBarCodeView bar;
    bar.SetBarTypeValue(B::bcCodeEAN13);
    s.AddObject(QStringLiteral("BarCode1"), &bar);
    s.AddVariable(QStringLiteral("R"), QStringLiteral("Variant"), Variant(0));
    s.SetSyntaxType(QStringLiteral("VevuvaRirivo"));
    s.SetLines({QStringLiteral("begin"),
                QStringLiteral("  if BarCode1.BarType = bcCodeEAN13 then R := bcCodeEAN13 else R := -1;"),
                QStringLiteral("  BarCode1.BarType := bcCode128;"), QStringLiteral("end.")});
    ASSERT_TRUE(s.Compile()) << s.ErrorMsg.toStdString() << " " << s.ErrorPos.toStdString();
    s.Execute();
    EXPECT_EQ(s.Variables(QStringLiteral("R")).toInt(), 17);
    EXPECT_EQ(bar.BarType(), B::bcCode128);
}

TEST(BarcodeView, TemplateWithBarcodesLoadsAndSavesBackAndListsErrors)
{
    auto report = std::make_unique<TvdxReport>();
    auto *page = new TvdxReportPage(report.get());
    page->SetName(QStringLiteral("Page1"));
    auto *good = new TvdxBarCodeView(page);
    good->SetName(QStringLiteral("BarCode1"));
    good->SetBarTypeValue(B::bcGS1Code128);
    good->SetText(QStringLiteral("(10)ABC(21)X"));
    auto *bad = new TvdxBarCodeView(page);
    bad->SetName(QStringLiteral("BarCode2"));
    bad->SetBarTypeValue(B::bcCodeEAN8);
    bad->SetText(QStringLiteral("ABC"));
    bad->SetTop(60);

    QBuffer buf;
    buf.open(QIODevice::ReadWrite);
    report->SaveToStream(buf);
    const QByteArray first = buf.data();
    TvdxReport back;
    buf.seek(0);
    back.LoadFromStream(buf);
    auto *loaded = qobject_cast<TvdxBarCodeView *>(back.FindObject(QStringLiteral("BarCode2")));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->Text(), "ABC"); // no sample text on load
    QBuffer again;
    again.open(QIODevice::ReadWrite);
    back.SaveToStream(again);
    // The report's own header carries the time of the save; the page must match.
    auto pagePart = [](const QByteArray &xml) { return xml.mid(xml.indexOf("<TvdxReportPage")); };
    EXPECT_EQ(pagePart(again.data()), pagePart(first));
    EXPECT_TRUE(first.contains("Text=\"ABC\""));

    // Drawing the loaded objects shows the error and lists it with the report.
    QImage img(400, 300, QImage::Format_RGB32);
    QPainterCanvas canvas(img);
    for (auto *o : back.AllObjects())
        if (auto *v = qobject_cast<TvdxBarCodeView *>(o))
            v->Draw(canvas, 1, 1, 0, 0);
    EXPECT_EQ(loaded->Text(), "ABC");
    EXPECT_TRUE(back.Errors().contains(QStringLiteral("BarCode2: Barcode must be numeric")))
        << back.Errors().join('|').toStdString();
    EXPECT_EQ(back.Errors().size(), 1);
}

TEST(BarcodeView, FillBehindAndFrameAroundTheSymbol)
{
    TvdxBarCodeView v;
    v.SetBarTypeValue(B::bcCode128);
    v.SetText(QStringLiteral("FILL-1"));
    v.SetZoom(2);
    v.SetHeight(80);
    v.SetLeft(20);
    v.SetTop(20);
    v.SetColor(clYellow);
    v.Frame()->SetTyp(TvdxFrame::TvdxFrameTypes(0xF));
    v.Frame()->SetColor(clBlue);
    QImage img(600, 200, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainterCanvas canvas(img);
        v.Draw(canvas, 1, 1, 0, 0);
    }
    const int right = 20 + int(double(v.Width()));
    EXPECT_EQ(img.pixelColor(30, 20), QColor(Qt::blue));
    EXPECT_EQ(img.pixelColor(right, 60), QColor(Qt::blue));
    EXPECT_EQ(img.pixelColor(24, 20 + 80 - 4), QColor(Qt::yellow)); // beside the caption
    EXPECT_EQ(img.pixelColor(10, 10), QColor(Qt::white));
    // Without the frame the page around the object is the light margin.
    v.Frame()->SetTyp(TvdxFrame::TvdxFrameTypes(0));
    img.fill(Qt::white);
    {
        QPainterCanvas canvas(img);
        v.Draw(canvas, 1, 1, 0, 0);
    }
    const auto found = ZxingDecode(img);
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found[0].text, "FILL-1");

    // Over a gradient the symbol paints no background of its own.
    v.SetFillType(TvdxCustomFill::ftGradient);
    img.fill(Qt::white);
    {
        QPainterCanvas canvas(img);
        v.Draw(canvas, 1, 1, 0, 0);
    }
    EXPECT_EQ(v.BarCode()->Color, clNone);
}

TEST(BarcodeView, TextFromTheDataFieldOrTheExpressionForOneCopy)
{
    TvdxUserDataSet data;
    TvdxReport report;
    auto *page = new TvdxReportPage(&report);
    data.SetUserName(QStringLiteral("Data"));
    data.SetFields({QStringLiteral("Code")});
    data.OnGetValue = [](const QString &, Variant &value) { value = Variant(QStringLiteral("FIELD-7")); };
    report.DataSets()->Add(&data);
    report.OnGetValue = [](const QString &name, Variant &value) {
        if (name == QLatin1String("Total"))
            value = Variant(4711);
    };
    auto *bound = new TvdxBarCodeView(page);
    bound->SetName(QStringLiteral("Bound"));
    bound->SetText(QStringLiteral("DESIGN"));
    bound->SetDataSet(&data);
    bound->SetDataField(QStringLiteral("Code"));
    bound->SetExpression(QStringLiteral("Total")); // the field comes first
    auto *computed = new TvdxBarCodeView(page);
    computed->SetName(QStringLiteral("Computed"));
    computed->SetText(QStringLiteral("DESIGN"));
    computed->SetExpression(QStringLiteral("Total"));
    auto *plain = new TvdxBarCodeView(page);
    plain->SetText(QStringLiteral("DESIGN"));

    for (TvdxBarCodeView *v : {bound, computed, plain}) {
        v->BeforePrint();
        v->GetData();
    }
    EXPECT_EQ(bound->Text(), "FIELD-7");
    EXPECT_EQ(computed->Text(), "4711");
    EXPECT_EQ(plain->Text(), "DESIGN");
    for (TvdxBarCodeView *v : {bound, computed, plain}) {
        v->AfterPrint();
        EXPECT_EQ(v->Text(), "DESIGN");
    }
}
