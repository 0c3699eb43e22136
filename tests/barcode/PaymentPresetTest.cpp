// Payment presets on QR objects: the exact payloads, the settings they take
// and give back, what zxing-cpp reads from the drawn symbol, and templates.
#include "barcode/vdxBarcode2DView.h"
#include "barcode/vdxEPCPaymentPreset.h"
#include "barcode/vdxRuBankPaymentPreset.h"
#include "barcode/vdxSwissPaymentPreset.h"
#include "common/ZxingDecode.h"
#include "platform/CodePage.h"
#include "platform/QPainterCanvas.h"
#include "report/vdxClass.h"
#include "report/vdxClass_report.h"

#include <QBuffer>
#include <gtest/gtest.h>

namespace {

// A fixed text as an expression of the default script language.
QString lit(const QString &text)
{
    QString t = text;
    t.replace(u'\'', QStringLiteral("''"));
    return u'\'' + t + u'\'';
}

TvdxSwissPaymentPreset *swissOf(TvdxBarcode2DView &v)
{
    return qobject_cast<TvdxSwissPaymentPreset *>(v.ExpressionPreset()->DataObject());
}
TvdxRuBankPaymentPreset *ruOf(TvdxBarcode2DView &v)
{
    return qobject_cast<TvdxRuBankPaymentPreset *>(v.ExpressionPreset()->DataObject());
}
TvdxEPCPaymentPreset *epcOf(TvdxBarcode2DView &v)
{
    return qobject_cast<TvdxEPCPaymentPreset *>(v.ExpressionPreset()->DataObject());
}

TvdxBarcodeQR *qrOf(TvdxBarcode2DView &v) { return dynamic_cast<TvdxBarcodeQR *>(v.Engine()); }

class PaymentPreset : public ::testing::Test {
protected:
    void SetUp() override { qr.SetBarType(bcCodeQR); }

    TvdxSwissPaymentPreset *attachSwiss()
    {
        qr.ExpressionPreset()->SetPresetClass(QStringLiteral("TvdxSwissPaymentPreset"));
        TvdxSwissPaymentPreset *p = swissOf(qr);
        p->CreditorInformation()->m_iban = lit(QStringLiteral("CH4431999123000889012"));
        p->Creditor()->m_name = lit(QStringLiteral("Robert Schneider AG"));
        p->Creditor()->m_postalCode = lit(QStringLiteral("2501"));
        p->Creditor()->m_town = lit(QString::fromUtf8("Zürich"));
        p->Creditor()->m_country = lit(QStringLiteral("CH"));
        p->PaymentAmountInfo()->m_amount = lit(QStringLiteral("1949.75"));
        p->PaymentAmountInfo()->m_currency = lit(QStringLiteral("CHF"));
        return p;
    }

    TvdxEPCPaymentPreset *attachEPC()
    {
        qr.ExpressionPreset()->SetPresetClass(QStringLiteral("TvdxEPCPaymentPreset"));
        TvdxEPCPaymentPreset *p = epcOf(qr);
        p->FBIC = lit(QStringLiteral("BHBLDEHHXXX"));
        p->FName = lit(QString::fromUtf8("Café Rot"));
        p->FIBAN = lit(QStringLiteral("DE71110220330123456789"));
        p->Money()->FAmount = lit(QStringLiteral("12.5"));
        return p;
    }

    // The object drawn at a size zxing-cpp reads; the first symbol found.
    ZxingResult decode(const QString &payload)
    {
        qrOf(qr)->SetPixelSize(4);
        qr.SetText(payload);
        EXPECT_TRUE(qr.ErrorText().isEmpty()) << qr.ErrorText().toStdString();
        QImage image(int(qr.Width()) + 80, int(qr.Height()) + 80, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainterCanvas canvas(image);
            qr.Draw(canvas, 1, 1, 40, 40);
        }
        const QList<ZxingResult> found = ZxingDecode(image);
        EXPECT_EQ(found.size(), 1);
        return found.isEmpty() ? ZxingResult{} : found.first();
    }

    TvdxReport report;
    TvdxBarcode2DView qr;
};

} // namespace

TEST_F(PaymentPreset, ListedInOrderAfterTheEmptyChoice)
{
    // Other modules (and tests) may append theirs after these.
    const QList<const QMetaObject *> &list = vdxGlobalDataPresets();
    ASSERT_GE(list.size(), 4);
    EXPECT_EQ(list[0], nullptr);
    EXPECT_EQ(list[1], &TvdxSwissPaymentPreset::staticMetaObject);
    EXPECT_EQ(list[2], &TvdxRuBankPaymentPreset::staticMetaObject);
    EXPECT_EQ(list[3], &TvdxEPCPaymentPreset::staticMetaObject);
    EXPECT_FALSE(qr.ExpressionPreset()->IsHasPresetData());
    EXPECT_TRUE(qr.ExpressionPreset()->GetData(&report).isEmpty());
}

TEST_F(PaymentPreset, SwissPayloadLineByLine)
{
    TvdxSwissPaymentPreset *p = attachSwiss();
    const QString head = QString::fromUtf8("SPC\n0200\n1\nCH4431999123000889012\nS\nRobert Schneider AG\n\n\n");
    const QString tail = QStringLiteral("CH\n") + QString(7, u'\n') + QStringLiteral("1949.75\nCHF\n") + QString(7, u'\n')
                         + QStringLiteral("QRR\n\n\nEPD\n");
    EXPECT_EQ(p->GetData(&report), head + QString::fromUtf8("2501\nZürich\n") + tail);

    // K: two empty lines whatever postal code and town hold.
    p->Creditor()->m_addressType = TvdxSPPersonInfo::vdAddT_K;
    EXPECT_EQ(p->GetData(&report),
              head.left(head.indexOf(QStringLiteral("\nS\n"))) + QStringLiteral("\nK\nRobert Schneider AG\n\n\n\n\n")
                  + tail);
    p->Creditor()->m_addressType = TvdxSPPersonInfo::vdAddT_S;

    p->PaymentReference()->m_referenceTyp = TvdxSPPaymentReference::vdRT_NON;
    p->AdditionalInformation()->m_billInformation = lit(QStringLiteral("//S1/10/10201409"));
    const QString data = p->GetData(&report);
    EXPECT_TRUE(data.endsWith(QStringLiteral("NON\n\n\nEPD\n//S1/10/10201409\n"))) << data.toStdString();

    // An ultimate debtor with a name is a full block; alternative schemes follow the trailer.
    p->UltimateDebtor()->m_name = lit(QStringLiteral("Pia Rutschmann"));
    p->AlternativeSchemes()->m_one = lit(QStringLiteral("Name AV1"));
    p->AlternativeSchemes()->m_two = lit(QStringLiteral("Name AV2"));
    EXPECT_TRUE(p->GetData(&report).contains(QStringLiteral("CHF\nS\nPia Rutschmann\n\n\n\n\n\nNON\n")));
    EXPECT_TRUE(p->GetData(&report).endsWith(QStringLiteral("//S1/10/10201409\nName AV1\nName AV2")));
    // Without a report every expression is empty.
    EXPECT_TRUE(p->GetData(nullptr).startsWith(QStringLiteral("SPC\n0200\n1\n\nS\n")));
}

TEST_F(PaymentPreset, SwissAttachSetsLevelLogoAndUtf8AndRemovingGivesThemBack)
{
    TvdxBarcodeQR *engine = qrOf(qr);
    engine->SetErrorLevels(ecQ);
    auto previous = std::make_unique<TBitmap>(5, 5);
    engine->Logo()->Logo()->SetGraphic(previous.get());
    attachSwiss();
    EXPECT_EQ(engine->ErrorLevels(), ecM);
    EXPECT_EQ(engine->Encoding(), qrUTF8NoBOM);
    EXPECT_EQ(engine->Logo()->Width(), 26);
    EXPECT_EQ(engine->Logo()->Height(), 26);
    ASSERT_NE(engine->Logo()->Logo()->Graphic(), nullptr);
    EXPECT_EQ(engine->Logo()->Logo()->Graphic()->Width(), 166);

    qr.ExpressionPreset()->SetPresetClass(QStringLiteral("NoSuchPreset")); // unknown: stays attached
    EXPECT_EQ(qr.ExpressionPreset()->PresetClass(), QStringLiteral("TvdxSwissPaymentPreset"));
    qr.ExpressionPreset()->SetPresetClass(QString());
    EXPECT_FALSE(qr.ExpressionPreset()->IsHasPresetData());
    EXPECT_EQ(engine->ErrorLevels(), ecQ);
    EXPECT_EQ(engine->Encoding(), qrAuto);
    ASSERT_NE(engine->Logo()->Logo()->Graphic(), nullptr);
    EXPECT_EQ(engine->Logo()->Logo()->Graphic()->Width(), 5);

    // Another symbology is left alone.
    TvdxBarcode2DView pdf;
    pdf.ExpressionPreset()->SetPresetClass(QStringLiteral("TvdxSwissPaymentPreset"));
    EXPECT_EQ(pdf.BarType(), bcCodePDF417);
    EXPECT_TRUE(pdf.ExpressionPreset()->IsHasPresetData());
    EXPECT_TRUE(pdf.ExpressionPreset()->GetData(&report).startsWith(QStringLiteral("SPC\n")));
    pdf.ExpressionPreset()->SetPresetClass(QString());
}

TEST(SwissLogoQR, DrawnFromItsGeometry)
{
    const std::unique_ptr<TBitmap> logo = vdxSwissLogoQR();
    ASSERT_EQ(logo->Width(), 166);
    ASSERT_EQ(logo->Height(), 166);
    EXPECT_EQ(logo->PixelFormat(), pf1bit);
    const QImage img = logo->ToImage();
    auto black = [&](int x, int y) { return qGray(img.pixel(x, y)) < 128; };
    int dark = 0;
    for (int y = 0; y < 166; ++y)
        for (int x = 0; x < 166; ++x)
            dark += black(x, y);
    // The square less the cross: 142² - (2 * 30 * 94 - 30²).
    EXPECT_EQ(dark, 142 * 142 - (2 * 30 * 94 - 30 * 30));
    EXPECT_FALSE(black(11, 83));
    EXPECT_TRUE(black(12, 83));
    EXPECT_TRUE(black(35, 83));  // left of the cross arm
    EXPECT_FALSE(black(36, 83)); // the arm begins 36 = (166 - 94) / 2
    EXPECT_FALSE(black(83, 83));
    EXPECT_TRUE(black(67, 67)); // beside the arms, inside the square
    EXPECT_FALSE(black(68, 50));
    EXPECT_TRUE(black(153, 153));
    EXPECT_FALSE(black(154, 153));
}

TEST_F(PaymentPreset, RussianPayloadMarkersAndSettings)
{
    qr.ExpressionPreset()->SetPresetClass(QStringLiteral("TvdxRuBankPaymentPreset"));
    TvdxRuBankPaymentPreset *p = ruOf(qr);
    TvdxRuBankPayee *payee = p->RequiredBankingDetails()->Payee();
    payee->SetName(QStringLiteral("'OOO'"));
    payee->SetPersonalAcc(QStringLiteral("123"));
    EXPECT_EQ(p->GetData(&report), QStringLiteral("ST00011|&ECI22;Name=&ECI22;OOO|&ECI22;PersonalAcc=&ECI22;123|"));

    p->RuBankData()->SetEncoding(vdxRuBank::ec_UTF8);
    EXPECT_EQ(p->GetData(&report), QStringLiteral("ST00012|&ECI26;Name=&ECI26;OOO|&ECI26;PersonalAcc=&ECI26;123|"));
    // The separator reaches every part, the departmental one included.
    p->RuBankData()->SetSeparator(u';');
    p->AdditionalBankingDetails()->DepartmentalInfo()->SetOKTMO(QStringLiteral("'45'"));
    p->OtherAdditionalBankingDetails()->m_TechCode = QStringLiteral("'02'");
    p->AdditionalBankingDetails()->SetSum(QStringLiteral("'100'"));
    EXPECT_EQ(p->GetData(&report),
              QStringLiteral("ST00012;&ECI26;Name=&ECI26;OOO;&ECI26;PersonalAcc=&ECI26;123;&ECI26;Sum=&ECI26;100;"
                             "&ECI26;OKTMO=&ECI26;45;&ECI26;TechCode=&ECI26;02;"));

    // Static texts: a ten-character BIC is refused, nine are taken.
    p->RuBankData()->SetFieldTypes(vdxRuBank::fdStatic);
    payee->SetBIC(QStringLiteral("0445252250"));
    EXPECT_TRUE(payee->BIC().isEmpty());
    payee->SetBIC(QStringLiteral("044525225"));
    EXPECT_EQ(payee->BIC(), QStringLiteral("044525225"));
    p->RuBankData()->SetFieldTypes(vdxRuBank::fdExpression);
    payee->SetBIC(QStringLiteral("'0445252250'"));
    EXPECT_EQ(payee->BIC(), QStringLiteral("'0445252250'"));
    // Empty values leave nothing, not even a separator.
    payee->SetBIC(QString());
    p->AdditionalBankingDetails()->DepartmentalInfo()->SetOKTMO(QStringLiteral("''"));
    EXPECT_FALSE(p->GetData(&report).contains(QStringLiteral("BIC")));
    EXPECT_FALSE(p->GetData(&report).contains(QStringLiteral("OKTMO")));
}

TEST_F(PaymentPreset, RussianAttachHidesTextShowsMarkerAndRemovingGivesThemBack)
{
    TvdxBarcodeQR *engine = qrOf(qr);
    engine->SetErrorLevels(ecH);
    qr.SetShowText(true);
    qr.ExpressionPreset()->SetPresetClass(QStringLiteral("TvdxRuBankPaymentPreset"));
    EXPECT_EQ(engine->ErrorLevels(), ecM);
    EXPECT_TRUE(engine->GraphicMarker()->ShowGraphicMarker());
    EXPECT_FALSE(qr.ShowText());
    qr.ExpressionPreset()->SetPresetClass(QString());
    EXPECT_EQ(engine->ErrorLevels(), ecH);
    EXPECT_FALSE(engine->GraphicMarker()->ShowGraphicMarker());
    EXPECT_TRUE(qr.ShowText());
}

TEST_F(PaymentPreset, RussianTextDecodesWithItsCharacterSet)
{
    qr.ExpressionPreset()->SetPresetClass(QStringLiteral("TvdxRuBankPaymentPreset"));
    TvdxRuBankPaymentPreset *p = ruOf(qr);
    const QString name = QString::fromUtf8("ООО Ромашка");
    p->RequiredBankingDetails()->Payee()->SetName(lit(name));
    p->RequiredBankingDetails()->Payee()->SetPersonalAcc(lit(QStringLiteral("40702810138000000001")));
    const QString plain = QStringLiteral("|Name=") + name + QStringLiteral("|PersonalAcc=40702810138000000001|");
    for (auto enc : {vdxRuBank::ec_WIN1251, vdxRuBank::ec_UTF8}) {
        p->RuBankData()->SetEncoding(enc);
        const ZxingResult r = decode(qr.ExpressionPreset()->GetData(&report));
        EXPECT_EQ(r.text, QStringLiteral("ST0001%1").arg(int(enc) + 1) + plain) << int(enc);
        EXPECT_TRUE(r.hasECI);
        EXPECT_EQ(r.ecLevel, QStringLiteral("M"));
    }
    // KOI8-R has no ECI number: the symbol carries its bytes.
    p->RuBankData()->SetEncoding(vdxRuBank::ec_KOI8_R);
    const QString payload = qr.ExpressionPreset()->GetData(&report);
    EXPECT_FALSE(payload.contains(QStringLiteral("&ECI")));
    const ZxingResult r = decode(payload);
    EXPECT_EQ(r.bytes, EncodeCodePage(QStringLiteral("ST00013") + plain, 20866));
    EXPECT_EQ(DecodeCodePage(r.bytes, 20866), QStringLiteral("ST00013") + plain);
    EXPECT_FALSE(r.bytes.contains('?'));
}

TEST_F(PaymentPreset, SwissAndEpcDecodeToTheirUtf8Bytes)
{
    attachSwiss();
    QString payload = qr.ExpressionPreset()->GetData(&report);
    ZxingResult r = decode(payload);
    EXPECT_EQ(r.bytes, payload.toUtf8());
    EXPECT_EQ(r.ecLevel, QStringLiteral("M"));

    qr.ExpressionPreset()->SetPresetClass(QString());
    attachEPC();
    payload = qr.ExpressionPreset()->GetData(&report);
    EXPECT_EQ(payload, QString::fromUtf8("BCD\n001\n1\nSCT\nBHBLDEHHXXX\nCafé Rot\nDE71110220330123456789\nEUR12.5"));
    r = decode(payload);
    EXPECT_EQ(r.bytes, payload.toUtf8());
    EXPECT_EQ(r.text, payload);
    EXPECT_EQ(r.ecLevel, QStringLiteral("M"));
}

TEST_F(PaymentPreset, EpcChecksAndTheirMessages)
{
    TvdxEPCPaymentPreset *p = attachEPC();
    struct Case {
        QString TvdxEPCPaymentPreset::*field;
        QString value;
        const char *message;
    } cases[] = {
        {&TvdxEPCPaymentPreset::FBIC, QString(), "Mandatory property BIC is empty"},
        {&TvdxEPCPaymentPreset::FBIC, lit(QStringLiteral("BHBLDEHHX")), "property BIC must be [8/11] but have 9"},
        {&TvdxEPCPaymentPreset::FName, QString(), "Mandatory property Name is empty"},
        {&TvdxEPCPaymentPreset::FName, lit(QString(71, u'n')), "property Name must be in [1-70 but have 71"},
        {&TvdxEPCPaymentPreset::FIBAN, lit(QString(35, u'1')), "property IBAN must be in [1-34 but have 35"},
        {&TvdxEPCPaymentPreset::FPurpose, lit(QStringLiteral("CHARI")), "property Reason must be in [1-4 but have 5"},
        {&TvdxEPCPaymentPreset::FInformation, lit(QString(71, u'i')),
         "property Information must be in [1-70 but have 71"},
    };
    for (const Case &c : cases) {
        const QString saved = p->*c.field;
        p->*c.field = c.value;
        try {
            p->GetData(&report);
            ADD_FAILURE() << c.message;
        } catch (const Exception &e) {
            EXPECT_EQ(e.message(), QString::fromLatin1(c.message));
        }
        p->*c.field = saved;
    }
    // Version 2 takes an empty BIC and leaves its line empty.
    p->FVersion = TvdxEPCPaymentPreset::V2;
    p->FBIC.clear();
    EXPECT_EQ(p->GetData(&report), QString::fromUtf8("BCD\n002\n1\nSCT\n\nCafé Rot\nDE71110220330123456789\nEUR12.5"));

    // Remittance: 35 structured or 140 free characters; the purpose line comes first.
    p->FPurpose = lit(QStringLiteral("CHAR"));
    p->Remittance()->FTypeRemittance = TvdxEPCPRemittance::iref;
    p->Remittance()->FValue = lit(QString(35, u'R'));
    EXPECT_TRUE(p->GetData(&report).endsWith(QStringLiteral("EUR12.5\nCHAR\n") + QString(35, u'R')));
    p->Remittance()->FValue = lit(QString(36, u'R'));
    EXPECT_THROW(p->GetData(&report), Exception);
    p->Remittance()->FTypeRemittance = TvdxEPCPRemittance::itext;
    p->Remittance()->FValue = lit(QString(140, u't'));
    p->FInformation = lit(QStringLiteral("Thanks"));
    EXPECT_TRUE(p->GetData(&report).endsWith(QStringLiteral("CHAR\n\n") + QString(140, u't') + QStringLiteral("\nThanks")));
    // The hint follows its expression.
    p->DrawOptions()->SetHintExpression(lit(QStringLiteral("Pay by app")));
    p->GetData(&report);
    EXPECT_EQ(p->DrawOptions()->Hint(), QStringLiteral("Pay by app"));
}

TEST(EpcAmount, ExactToTheCentInAnyNotation)
{
    const struct {
        const char *in;
        const char *out;
    } good[] = {{"12.5", "12.5"},       {"12,5", "12.5"},       {"100", "100"},
                {"0.01", "0.01"},       {"9999999.99", "9999999.99"}, {"999999999.99", "999999999.99"},
                {"12345678.9", "12345678.9"}, {" 007.10 ", "7.1"}, {"5.", "5"}};
    for (const auto &c : good)
        EXPECT_EQ(TvdxEPCPaymentPreset::AmountText(QString::fromLatin1(c.in)), QString::fromLatin1(c.out)) << c.in;
    const char *range = "Amount must be 0.01 or more and 999999999.99 or less";
    const struct {
        const char *in;
        const char *message;
    } bad[] = {{"0", range},
               {"1000000000", range},
               {"-5", range},
               {"0.001", "Wrong amount format"},
               {"99999999999999999999999", range},
               {"abc", "Wrong amount format"},
               {"", "Wrong amount format"},
               {"1.234", "Wrong amount format"},
               {"1e3", "Wrong amount format"},
               {"1,000.50", "Wrong amount format"}};
    for (const auto &c : bad) {
        try {
            TvdxEPCPaymentPreset::AmountText(QString::fromLatin1(c.in));
            ADD_FAILURE() << c.in;
        } catch (const Exception &e) {
            EXPECT_EQ(e.message(), QString::fromLatin1(c.message)) << c.in;
        }
    }
}

TEST_F(PaymentPreset, EpcFrameTakesItsQuietZoneAndTheHintShrinksToFit)
{
    TvdxBarcodeQR *engine = qrOf(qr);
    engine->SetErrorLevels(ecL);
    qr.SetShowText(true);
    TvdxEPCPaymentPreset *p = attachEPC();
    EXPECT_EQ(engine->ErrorLevels(), ecM);
    EXPECT_EQ(engine->Encoding(), qrUTF8NoBOM);
    EXPECT_FALSE(qr.ShowText());
    EXPECT_EQ(qr.QuietZone(), 0);
    p->DrawOptions()->SetFrameVisible(true);
    EXPECT_EQ(qr.QuietZone(), 3);
    p->DrawOptions()->SetHintType(TvdxEPCDrawOptions::htEPCBottom);
    EXPECT_EQ(qr.QuietZone(), 14);
    p->DrawOptions()->SetFrameWidth(-3);
    EXPECT_EQ(p->DrawOptions()->FrameWidth(), 1);

    QImage image(400, 400, QImage::Format_RGB32);
    QPainterCanvas canvas(image);
    const TRect area(0, 0, 200, 200);
    p->DrawOptions()->SetHint(QStringLiteral("Scan"));
    EXPECT_EQ(p->DrawOptions()->HintFontHeight(canvas, 1, area), -11);
    EXPECT_EQ(p->DrawOptions()->HintFontHeight(canvas, 2, area), -22);
    p->DrawOptions()->SetHint(QStringLiteral("Scan this code with your banking app to pay the invoice at once"));
    const int h = p->DrawOptions()->HintFontHeight(canvas, 1, area);
    EXPECT_GT(h, -11);
    CanvasFont f;
    f.name = QStringLiteral("Arial");
    f.height = h;
    canvas.setFont(f);
    EXPECT_LE(canvas.TextWidth(u' ' + p->DrawOptions()->Hint() + u' '), 200 - 2 * 25 + 2);

    // The frame and hint are drawn around the symbol, which still reads.
    p->DrawOptions()->SetHint(QStringLiteral("Pay"));
    const ZxingResult r = decode(p->GetData(&report));
    EXPECT_EQ(r.text, p->GetData(&report));

    qr.ExpressionPreset()->SetPresetClass(QString());
    EXPECT_EQ(engine->ErrorLevels(), ecL);
    EXPECT_EQ(engine->Encoding(), qrAuto);
    EXPECT_TRUE(qr.ShowText());
    EXPECT_EQ(qr.QuietZone(), 14); // the quiet zone keeps its value
}

TEST_F(PaymentPreset, EachPresetRoundTripsThroughATemplate)
{
    auto report = std::make_unique<TvdxReport>();
    auto *page = new TvdxReportPage(report.get());
    page->SetName(QStringLiteral("Page1"));
    const char *const classes[] = {"TvdxSwissPaymentPreset", "TvdxRuBankPaymentPreset", "TvdxEPCPaymentPreset"};
    QStringList payloads;
    for (int i = 0; i < 3; ++i) {
        auto *v = new TvdxBarcode2DView(page);
        v->SetName(QStringLiteral("QR%1").arg(i + 1));
        v->SetBarType(bcCodeQR);
        v->ExpressionPreset()->SetPresetClass(QString::fromLatin1(classes[i]));
        if (auto *s = swissOf(*v)) {
            s->CreditorInformation()->m_iban = lit(QStringLiteral("CH4431999123000889012"));
            s->Creditor()->m_town = lit(QString::fromUtf8("Zürich \"Nord\" & <Süd>"));
            s->PaymentReference()->m_referenceTyp = TvdxSPPaymentReference::vdRT_SCOR;
        } else if (auto *r = ruOf(*v)) {
            r->RuBankData()->SetEncoding(vdxRuBank::ec_UTF8);
            r->RuBankData()->SetSeparator(u';');
            r->RequiredBankingDetails()->Payee()->SetName(lit(QString::fromUtf8("ООО")));
            r->OtherAdditionalBankingDetails()->m_Phone = lit(QStringLiteral("+7 495"));
        } else if (auto *e = epcOf(*v)) {
            e->FBIC = lit(QStringLiteral("BHBLDEHH"));
            e->FName = lit(QStringLiteral("Name"));
            e->FIBAN = lit(QStringLiteral("DE71110220330123456789"));
            e->Money()->FAmount = lit(QStringLiteral("3,10"));
            e->DrawOptions()->SetFrameVisible(true);
            e->DrawOptions()->SetHintType(TvdxEPCDrawOptions::htEPCTop);
            e->DrawOptions()->SetHint(QStringLiteral("Hint"));
        }
        payloads << v->ExpressionPreset()->GetData(report.get());
        v->SetText(payloads.last()); // as a run fills it
        v->FitToSymbol();
    }
    QBuffer buf;
    buf.open(QIODevice::ReadWrite);
    report->SaveToStream(buf);
    const QByteArray first = buf.data();
    EXPECT_TRUE(first.contains("Formats=")) << first.constData();

    TvdxReport back;
    buf.seek(0);
    back.LoadFromStream(buf);
    EXPECT_TRUE(back.Errors().isEmpty()) << back.Errors().join('|').toStdString();
    for (int i = 0; i < 3; ++i) {
        auto *v = qobject_cast<TvdxBarcode2DView *>(back.FindObject(QStringLiteral("QR%1").arg(i + 1)));
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(v->ExpressionPreset()->PresetClass(), QString::fromLatin1(classes[i]));
        EXPECT_EQ(v->ExpressionPreset()->GetData(&back), payloads[i]) << classes[i];
        EXPECT_EQ(qrOf(*v)->ErrorLevels(), ecM);
    }
    auto *epc = qobject_cast<TvdxBarcode2DView *>(back.FindObject(QStringLiteral("QR3")));
    EXPECT_EQ(epc->QuietZone(), 14);
    EXPECT_FALSE(epc->ShowText());
    // Sizes follow the symbol once it is drawn.
    for (int i = 0; i < 3; ++i)
        qobject_cast<TvdxBarcode2DView *>(back.FindObject(QStringLiteral("QR%1").arg(i + 1)))->FitToSymbol();
    QBuffer again;
    again.open(QIODevice::ReadWrite);
    back.SaveToStream(again);
    auto pagePart = [](const QByteArray &xml) { return xml.mid(xml.indexOf("<TvdxReportPage")); };
    EXPECT_EQ(pagePart(again.data()).toStdString(), pagePart(first).toStdString());
}

TEST_F(PaymentPreset, HostileFormatsAndFieldsGiveAPayloadOrAMessage)
{
    const QString hostile[] = {
        QStringLiteral("PresetClass=\"TvdxEPCPaymentPreset\" DataObject.Money.Amount=\"1 +\""),
        QStringLiteral("PresetClass=\"TvdxSwissPaymentPreset\" DataObject.Creditor.AddressType=\"99\""),
        QStringLiteral("PresetClass=\"TvdxRuBankPaymentPreset\" DataObject.RuBankData.Encoding=\"ec_XX\" "
                       "DataObject.RuBankData.Separator=\"0\""),
        QStringLiteral("PresetClass=\"TvdxReport\""),
        QStringLiteral("PresetClass=\"\" \"\"\" <<<"),
        QString(5000, u'"'),
    };
    for (const QString &f : hostile) {
        TvdxBarcode2DView v;
        v.SetBarType(bcCodeQR);
        v.SetFormats(f);
        try {
            v.SetText(v.ExpressionPreset()->GetData(&report));
        } catch (const Exception &) {
        }
        QImage image(100, 100, QImage::Format_RGB32);
        QPainterCanvas canvas(image);
        v.Draw(canvas, 1, 1, 0, 0);
    }
    // Control characters and a huge value go through as text.
    qr.ExpressionPreset()->SetPresetClass(QStringLiteral("TvdxRuBankPaymentPreset"));
    TvdxRuBankPaymentPreset *p = ruOf(qr);
    p->RuBankData()->SetFieldTypes(vdxRuBank::fdStatic);
    p->OtherAdditionalBankingDetails()->m_Flat = QString::fromUtf16(u"a\u0000\u0001\r\n|b");
    p->OtherAdditionalBankingDetails()->m_Phone = QString(20000, u'9');
    const QString payload = p->GetData(&report);
    EXPECT_TRUE(payload.contains(QString::fromUtf16(u"Flat=&ECI22;a\u0000\u0001\r\n|b|")));
    qr.SetText(payload);
    EXPECT_FALSE(qr.ErrorText().isEmpty()); // too long for a symbol: a message, no symbol
}
