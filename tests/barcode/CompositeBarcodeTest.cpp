// The composite barcode object: arrangement of its children, texts split
// over them, the bar presets, what zxing-cpp reads from an EAN symbol with its
// add-on, templates and the palette.
#include "barcode/vdxBarCodeCompositeView.h"
#include "barcode/vdxBarPresets.h"
#include "common/ZxingDecode.h"
#include "core/vdxRes.h"
#include "platform/QPainterCanvas.h"
#include "report/vdxClass.h"
#include "report/vdxClass_report.h"
#include "report/vdxDsgnIntf.h"

#include <QBuffer>
#include <gtest/gtest.h>

namespace {

using B = TvdxBarcode;
using Rel = TvdxLeftToRightRelativityPositions;

constexpr double mm = 3.77953;

IvdxBarCodeInternal *in(TvdxView *v) { return qobject_cast<IvdxBarCodeInternal *>(v); }

void setWidth(TvdxView *child, double w)
{
    in(child)->UnlockPosition();
    child->SetWidth(w);
    in(child)->LockPosition();
}

QImage render(TvdxBarCodeCompositeView &c, double scale)
{
    QImage image(int(double(c.Width()) * scale) + 200, int(double(c.Height()) * scale) + 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainterCanvas canvas(image);
    c.Draw(canvas, scale, scale, 100, 50);
    return image;
}

// The texts zxing-cpp reads (an EAN symbol may come once without and once
// with its add-on).
QStringList decodedTexts(const QImage &image)
{
    QStringList out;
    for (const ZxingResult &r : ZxingDecode(image))
        out << r.text;
    return out;
}

// Twice the nominal size: the 3 mm gap is then within the 7 to 12 modules a
// reader looks for the add-on in (at zoom 1 it is about 15 modules).
void zoomBars(TvdxBarCodeCompositeView &c)
{
    for (TvdxView *v : c.Bars())
        qobject_cast<TvdxBarCodeView *>(v)->SetZoom(2);
    c.SetHeight(160);
    render(c, 1); // the children take their new sizes
}

TvdxBaseBarPreset *presetNamed(const QString &name)
{
    for (TvdxBaseBarPreset *p : vdxGlobalBarPresets())
        if (p && p->Name == name)
            return p;
    return nullptr;
}

} // namespace

TEST(CompositeBarcode, NewObjectIsEmptyAndSquare)
{
    TvdxBarCodeCompositeView c;
    EXPECT_EQ(c.BarCount(), 0);
    EXPECT_EQ(c.GetFirstBar(), nullptr);
    EXPECT_EQ(c.Text(), QString());
    EXPECT_EQ(c.DataDelimiter(), QStringLiteral(";"));
    EXPECT_EQ(c.Color(), int(clNone));
    EXPECT_TRUE(c.vdComponentStyle().testFlag(TvdxComponent::csObjectsContainer));
    c.UpdatePos();
    EXPECT_DOUBLE_EQ(double(c.Width()), 100);
    EXPECT_DOUBLE_EQ(double(c.Height()), 100);
    // In the designer the empty object shows a grey checkerboard.
    c.SetIsDesigning(true);
    const QImage img = render(c, 1);
    EXPECT_NE(img.pixel(100 + 1, 50 + 1), img.pixel(100 + 2, 50 + 1));
}

TEST(CompositeBarcode, ChildrenArePlacedLeftToRightWithTheirPadding)
{
    TvdxBarCodeCompositeView c;
    TvdxView *a = c.AddLinearBarcode(B::bcCode128);
    TvdxView *b = c.Add2DBarcode(bcCodeQR);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_DOUBLE_EQ(in(a)->GetPosition()->Padding()->Left, 0);
    EXPECT_DOUBLE_EQ(in(b)->GetPosition()->Padding()->Left, 3.0);
    EXPECT_EQ(in(a)->GetParentComposite(), &c);
    setWidth(a, 120);
    setWidth(b, 40);
    c.UpdatePos();
    EXPECT_DOUBLE_EQ(double(a->Left()), 0);
    EXPECT_NEAR(double(b->Left()), 120 + 3 * mm, 1e-9);
    EXPECT_NEAR(double(c.Width()), 171.34, 0.01);

    // Geometry set from outside does nothing while the position is locked.
    b->SetLeft(5);
    b->SetTop(7);
    b->SetWidth(999);
    EXPECT_NEAR(double(b->Left()), 120 + 3 * mm, 1e-9);
    EXPECT_DOUBLE_EQ(double(b->Top()), 0);
    EXPECT_DOUBLE_EQ(double(b->Width()), 40);

    // The composite height reaches every child; so does its colour.
    c.SetHeight(90);
    EXPECT_DOUBLE_EQ(double(a->Height()), 90);
    c.SetColor(int(clYellow));
    EXPECT_EQ(a->Color(), clYellow);
    EXPECT_EQ(b->Color(), clYellow);

    // Another arrangement gives new position objects and puts the children at 0.
    TvdxBasePosition *old = in(b)->GetPosition();
    c.SetContentType(TvdxBarCodeCompositeView::ctRightToLeft);
    EXPECT_NE(in(b)->GetPosition(), nullptr);
    EXPECT_NE(in(b)->GetPosition(), old);
    EXPECT_DOUBLE_EQ(in(b)->GetPosition()->Padding()->Left, 0); // a fresh position: no gap
    EXPECT_DOUBLE_EQ(double(b->Left()), 120);

    // Only composite objects are accepted as parents.
    TvdxBarCodeCompositeView other;
    TvdxBarCodeView plain;
    b->SetParent(&plain);
    EXPECT_EQ(b->Parent(), &c);
    // A class without the internal interface is not added.
    EXPECT_EQ(c.AddBarcode(&TvdxBarCodeView::staticMetaObject, 0), nullptr);
    EXPECT_EQ(c.BarCount(), 2);
}

TEST(CompositeBarcode, TextIsSplitAtTheDelimiterAndJoinedBack)
{
    TvdxBarCodeCompositeView c;
    c.AddLinearBarcode(B::bcCodeEAN13);
    c.AddLinearBarcode(B::bcCodeUPC_Supp5);
    c.SetText(QStringLiteral("123456789012;12345"));
    EXPECT_EQ(qobject_cast<TvdxBarCodeView *>(c.Bars()[0])->Text(), QStringLiteral("123456789012"));
    EXPECT_EQ(qobject_cast<TvdxBarCodeView *>(c.Bars()[1])->Text(), QStringLiteral("12345"));
    EXPECT_EQ(c.Text(), QStringLiteral("123456789012;12345"));
    // Surplus pieces are ignored; children without a piece keep their text.
    c.SetText(QStringLiteral("1;2;3;4"));
    EXPECT_EQ(c.Text(), QStringLiteral("1;2"));
    c.SetText(QStringLiteral("9"));
    EXPECT_EQ(c.Text(), QStringLiteral("9;2"));
    c.SetText(QString());
    EXPECT_EQ(c.Text(), QStringLiteral("9;2"));
    c.SetDataDelimiter(QStringLiteral("||"));
    c.SetSupText(QStringLiteral("top||"));
    EXPECT_EQ(c.SupText(), QStringLiteral("top||"));
    c.SetDataDelimiter(QString());
    c.SetText(QStringLiteral("a;b"));
    EXPECT_EQ(c.Text(), QStringLiteral("a;b2"));
}

TEST(CompositeBarcode, BarCountAddsEan8ChildrenAndFreesFromTheEnd)
{
    TvdxReport report;
    auto *page = new TvdxReportPage(&report);
    auto *c = new TvdxBarCodeCompositeView(page);
    c->SetBarCount(3);
    const QList<TvdxView *> bars = c->Bars();
    ASSERT_EQ(bars.size(), 3);
    QStringList names;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(qobject_cast<TvdxBarCodeView *>(bars[i])->BarType(), B::bcCodeEAN8);
        EXPECT_DOUBLE_EQ(in(bars[i])->GetPosition()->Padding()->Left, i == 0 ? 0.0 : 3.0);
        names << bars[i]->Name();
    }
    EXPECT_EQ(names, (QStringList{"BarCodeInternal1", "BarCodeInternal2", "BarCodeInternal3"}));
    c->SetBarCount(1);
    ASSERT_EQ(c->BarCount(), 1);
    EXPECT_EQ(c->GetFirstBar(), bars[0]);
    c->SetBarCount(-5);
    EXPECT_EQ(c->BarCount(), 0);
    c->SetBarCount(1 << 30);
    EXPECT_EQ(c->BarCount(), TvdxBarCodeCompositeView::kMaxBars);
    c->SetBarCount(0);
    EXPECT_EQ(c->BarCount(), 0);
}

TEST(CompositeBarcode, Ean13WithAddOnPresetDecodesWithItsAddOn)
{
    ASSERT_EQ(vdxGlobalBarPresets().size(), 5);
    EXPECT_EQ(vdxGlobalBarPresets()[0], nullptr);
    TvdxBarCodeCompositeView c;
    c.SetBarCount(3);
    c.SetHeight(80);
    presetNamed(QStringLiteral("EAN13 + UPC_Supp5"))->SetPresset(&c);
    const QList<TvdxView *> bars = c.Bars();
    ASSERT_EQ(bars.size(), 2);
    auto *ean = qobject_cast<TvdxBarCodeInternalView *>(bars[0]);
    auto *addOn = qobject_cast<TvdxBarCodeInternalView *>(bars[1]);
    EXPECT_EQ(ean->BarType(), B::bcCodeEAN13);
    EXPECT_EQ(ean->TextSup(), QStringLiteral("ISBN 000-0-01234-567-8"));
    EXPECT_EQ(addOn->BarType(), B::bcCodeUPC_Supp5);
    EXPECT_EQ(addOn->Text(), QStringLiteral("12345"));
    EXPECT_EQ(addOn->BarcodeText()->TextSettings()->BarTextPos(), TvdxTextSettings::btpTop);
    auto *rel = qobject_cast<Rel *>(addOn->GetPosition()->RelativityPositions());
    EXPECT_EQ(rel->RelativityTopPosition, Rel::rtTextPos);
    EXPECT_EQ(rel->RelativityBootomPosition, Rel::rbTextPos);

    render(c, 1);
    EXPECT_TRUE(ean->ErrorText().isEmpty()) << ean->ErrorText().toStdString();
    EXPECT_TRUE(addOn->ErrorText().isEmpty()) << addOn->ErrorText().toStdString();
    // 3 mm to the right of the EAN symbol; the add-on between the captions.
    EXPECT_NEAR(double(addOn->Left()), double(ean->Left() + ean->Width()) + 3 * mm, 1e-9);
    EXPECT_EQ(int(addOn->Top()), ean->GetFontHeightTop());
    EXPECT_GT(ean->GetFontHeightTop(), 0);
    EXPECT_NEAR(double(addOn->Top() + addOn->Height()),
                double(ean->Top() + ean->Height()) - ean->GetFontHeightBottom(), 1e-9);
    EXPECT_NEAR(double(c.Width()), double(addOn->Left() + addOn->Width()), 1e-9);

    zoomBars(c);
    EXPECT_TRUE(decodedTexts(render(c, 2)).contains(QStringLiteral("5901234123457 12345")));
}

TEST(CompositeBarcode, EveryPresetEncodesAValidSymbol)
{
    const char *const expected[] = {"12345670 12", "12345670 12345", "5901234123457 12", "5901234123457 12345"};
    for (int i = 1; i <= 4; ++i) {
        TvdxBarCodeCompositeView c;
        c.SetHeight(80);
        vdxGlobalBarPresets()[i]->SetPresset(&c);
        zoomBars(c);
        const QImage image = render(c, 2);
        for (TvdxView *v : c.Bars())
            EXPECT_TRUE(qobject_cast<TvdxBarCodeView *>(v)->ErrorText().isEmpty()) << i;
        EXPECT_TRUE(decodedTexts(image).contains(QString::fromLatin1(expected[i - 1])))
            << vdxGlobalBarPresets()[i]->Name.toStdString() << ": " << decodedTexts(image).join('|').toStdString();
    }
}

TEST(CompositeBarcode, TemplateReloadsItsHiddenChildrenAndSavesBackUnchanged)
{
    auto report = std::make_unique<TvdxReport>();
    auto *page = new TvdxReportPage(report.get());
    page->SetName(QStringLiteral("Page1"));
    auto *c = new TvdxBarCodeCompositeView(page);
    c->SetName(QStringLiteral("Composite1"));
    c->SetLeft(20);
    c->SetTop(30);
    c->SetHeight(80);
    presetNamed(QStringLiteral("EAN8 + UPC_Supp2"))->SetPresset(c);
    auto *qr = c->Add2DBarcode(bcCodeQR);
    qr->SetText(QStringLiteral("composite"));
    render(*c, 1);
    QBuffer buf;
    buf.open(QIODevice::ReadWrite);
    report->SaveToStream(buf);
    const QByteArray first = buf.data();
    EXPECT_TRUE(first.contains("<TvdxBarCodeInternalView")) << first.constData();
    EXPECT_TRUE(first.contains("<TvdxBarCodeInternal2DView"));
    EXPECT_FALSE(first.contains("BarCount"));

    TvdxReport back;
    buf.seek(0);
    back.LoadFromStream(buf);
    EXPECT_TRUE(back.Errors().isEmpty()) << back.Errors().join('|').toStdString();
    auto *loaded = qobject_cast<TvdxBarCodeCompositeView *>(back.FindObject(QStringLiteral("Composite1")));
    ASSERT_NE(loaded, nullptr);
    ASSERT_EQ(loaded->BarCount(), 3);
    EXPECT_EQ(loaded->Text(), c->Text());
    auto *addOn = qobject_cast<TvdxBarCodeInternalView *>(loaded->Bars()[1]);
    ASSERT_NE(addOn, nullptr);
    EXPECT_DOUBLE_EQ(addOn->GetPosition()->Padding()->Left, 3.0);
    EXPECT_EQ(qobject_cast<Rel *>(addOn->GetPosition()->RelativityPositions())->RelativityTopPosition, Rel::rtTextPos);
    EXPECT_NE(qobject_cast<TvdxBarCodeInternal2DView *>(loaded->Bars()[2]), nullptr);
    QBuffer again;
    again.open(QIODevice::ReadWrite);
    back.SaveToStream(again);
    auto pagePart = [](const QByteArray &xml) { return xml.mid(xml.indexOf("<TvdxReportPage")); };
    EXPECT_EQ(pagePart(again.data()).toStdString(), pagePart(first).toStdString());
    // Geometry read from the template is what a draw gives again.
    const double width = double(loaded->Width());
    render(*loaded, 1);
    EXPECT_NEAR(double(loaded->Width()), width, 1e-6);
}

TEST(CompositeBarcode, HostileTemplatesAndTextsLoadOrFailCleanly)
{
    const char *const templates[] = {
        "<TvdxBarCodeCompositeView Name=\"C1\" BarCount=\"100000\" Text=\";;;;\"/>",
        "<TvdxBarCodeCompositeView Name=\"C1\"><TvdxMemoView Name=\"M1\"/><TvdxBarCodeInternalView Name=\"B1\" "
        "Position.LeftPadding=\"-1e308\" Width=\"-5\" Height=\"-5\"/></TvdxBarCodeCompositeView>",
        "<TvdxReportPage Name=\"P1\"><TvdxBarCodeInternalView Name=\"Orphan\"/></TvdxReportPage>",
        "<TvdxBarCodeCompositeView Name=\"C1\" DataDelimiter=\"\" ContentType=\"7\"><TvdxBarCodeInternal2DView "
        "Name=\"Q1\" BarType=\"bcCodeQR\" Text=\"x\"/></TvdxBarCodeCompositeView>",
    };
    for (const char *t : templates) {
        TvdxReport report;
        auto *page = new TvdxReportPage(&report);
        page->SetName(QStringLiteral("Page1"));
        QByteArray xml = QByteArray("<?xml version=\"1.0\"?><TvdxReport><TvdxReportPage Name=\"Page1\">") + t
                         + "</TvdxReportPage></TvdxReport>";
        QBuffer buf(&xml);
        buf.open(QIODevice::ReadOnly);
        try {
            report.LoadFromStream(buf);
        } catch (const Exception &) {
        }
        for (TvdxComponent *o : report.AllObjects())
            if (auto *c = qobject_cast<TvdxBarCodeCompositeView *>(o)) {
                EXPECT_LE(c->BarCount(), TvdxBarCodeCompositeView::kMaxBars);
                c->SetText(QString(3000, u';'));
                render(*c, 0.5);
                (void)c->GetRealBounds();
            }
    }
}

TEST(CompositeBarcode, PaletteHoldsLinearThen2DThenTheCompositeEntry)
{
    TvdxObjectCollection &reg = vdxObjectRegistry();
    QList<const QMetaObject *> order;
    const TvdxObjectItem *composite = nullptr;
    for (int i = 0; i < reg.Count(); ++i) {
        const TvdxObjectItem *item = reg.GetObjectItem(i);
        if (item->ClassRef == &TvdxBarCodeInternalView::staticMetaObject
            || item->ClassRef == &TvdxBarCodeInternal2DView::staticMetaObject) {
            EXPECT_TRUE(item->CategoryName.isEmpty());
            EXPECT_EQ(item->Category, vdxCategory(ctNone));
        }
        if (item->CategoryName != QLatin1String("Barcode") || !item->ClassRef)
            continue;
        order << item->ClassRef;
        if (item->ClassRef == &TvdxBarCodeCompositeView::staticMetaObject)
            composite = item;
    }
    const qsizetype linear = order.count(&TvdxBarCodeView::staticMetaObject);
    const qsizetype twoD = order.count(&TvdxBarcode2DView::staticMetaObject);
    EXPECT_EQ(linear, 33);
    EXPECT_EQ(twoD, 8);
    ASSERT_EQ(order.count(&TvdxBarCodeCompositeView::staticMetaObject), 1);
    EXPECT_EQ(order.indexOf(&TvdxBarcode2DView::staticMetaObject), linear);
    EXPECT_EQ(order.last(), &TvdxBarCodeCompositeView::staticMetaObject);
    EXPECT_EQ(composite->ButtonHint, QStringLiteral("3515"));
    EXPECT_EQ(composite->Flags, 0);
    EXPECT_EQ(GetResStrByName(QStringLiteral("3515")), QStringLiteral("Composite Barcode"));
    EXPECT_NE(vdFindClass(QStringLiteral("TvdxBarCodeInternal2DView")), nullptr);
}
