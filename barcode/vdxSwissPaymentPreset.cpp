#include "barcode/vdxSwissPaymentPreset.h"

#include "barcode/vdxBarcode2DView.h"
#include "barcode/vdxPaymentPresetCommon.h"

namespace {

const QChar LF = u'\n';

// One expression field as a payload line.
QString CalcLine(TvdxReport *report, const QString &expression) { return vdxPresetCalc(report, expression) + LF; }

// 7 mm at the report's 3.77953 pixels per millimetre.
constexpr int kLogoSize = 26;

} // namespace

QString TvdxSPCreditorInformation::GetData(TvdxReport *report) { return CalcLine(report, m_iban); }

QString TvdxSPPersonInfo::addressTypeLine(TvdxReport *report)
{
    if (report && !m_addressTypeExp.isEmpty())
        return vdxPresetCalc(report, m_addressTypeExp);
    return m_addressType == vdAddT_S ? QStringLiteral("S") : QStringLiteral("K");
}

QString TvdxSPUltimateInfo::addressTypeLine(TvdxReport *report)
{
    if (m_name.isEmpty() && m_addressLine1.isEmpty() && m_addressLine2.isEmpty() && m_postalCode.isEmpty()
        && m_town.isEmpty() && m_country.isEmpty())
        return QString();
    return TvdxSPPersonInfo::addressTypeLine(report);
}

QString TvdxSPPersonInfo::GetData(TvdxReport *report)
{
    QString s = addressTypeLine(report) + LF;
    s += CalcLine(report, m_name) + CalcLine(report, m_addressLine1) + CalcLine(report, m_addressLine2);
    if (m_addressType == vdAddT_K)
        s += QString(2, LF);
    else
        s += CalcLine(report, m_postalCode) + CalcLine(report, m_town);
    return s + CalcLine(report, m_country);
}

QString TvdxSPPaymentAmountInfo::GetData(TvdxReport *report)
{
    return CalcLine(report, m_amount) + CalcLine(report, m_currency);
}

QString TvdxSPPaymentReference::GetData(TvdxReport *report)
{
    QString s;
    if (!m_referenceTypExp.isEmpty())
        s = CalcLine(report, m_referenceTypExp);
    else
        s = QString::fromLatin1(m_referenceTyp == vdRT_QRR ? "QRR" : m_referenceTyp == vdRT_SCOR ? "SCOR" : "NON")
            + LF;
    return s + CalcLine(report, m_reference);
}

QString TvdxSPAdditionalInformation::GetData(TvdxReport *report)
{
    QString s = CalcLine(report, m_unstructuredMessage) + QStringLiteral("EPD");
    if (!m_billInformation.isEmpty())
        s += LF;
    return s + CalcLine(report, m_billInformation);
}

QString TvdxSPAlternativeSchemes::GetData(TvdxReport *report)
{
    if (m_one.isEmpty() && m_two.isEmpty())
        return QString();
    QString s = CalcLine(report, m_one);
    if (report && !m_two.isEmpty())
        s += vdxPresetCalc(report, m_two);
    return s;
}

TvdxSwissPaymentPreset::TvdxSwissPaymentPreset()
    : m_creditorInformation(std::make_unique<TvdxSPCreditorInformation>()),
      m_creditor(std::make_unique<TvdxSPCreditor>()),
      m_ultimateCreditor(std::make_unique<TvdxSPUltimateCreditor>()),
      m_paymentAmountInfo(std::make_unique<TvdxSPPaymentAmountInfo>()),
      m_ultimateDebtor(std::make_unique<TvdxSPUltimateDebtor>()),
      m_paymentReference(std::make_unique<TvdxSPPaymentReference>()),
      m_additionalInformation(std::make_unique<TvdxSPAdditionalInformation>()),
      m_alternativeSchemes(std::make_unique<TvdxSPAlternativeSchemes>())
{
}

TvdxSwissPaymentPreset::~TvdxSwissPaymentPreset() = default;

QString TvdxSwissPaymentPreset::GetData(TvdxReport *report)
{
    QString s = QStringLiteral("SPC\n0200\n1\n");
    s += m_creditorInformation->GetData(report);
    s += m_creditor->GetData(report);
    s += m_ultimateCreditor->GetData(report);
    s += m_paymentAmountInfo->GetData(report);
    s += m_ultimateDebtor->GetData(report);
    s += m_paymentReference->GetData(report);
    s += m_additionalInformation->GetData(report);
    s += m_alternativeSchemes->GetData(report);
    return s;
}

void TvdxSwissPaymentPreset::SaveComponentState(TvdxComponent *component)
{
    const TvdxPresetQR t = vdxPresetQR(component);
    if (!t)
        return;
    FSaveErrorLevels = t.QR->ErrorLevels();
    FSaveEncoding = t.QR->Encoding();
    TvdxBarcodeLogo *logo = t.QR->Logo();
    const TGraphic *g = logo->HasLogo() ? logo->Logo()->Graphic() : nullptr;
    FSaveGraphic = g && !g->Empty() ? g->Clone() : nullptr;
}

void TvdxSwissPaymentPreset::ApplySettings(TvdxComponent *component)
{
    const TvdxPresetQR t = vdxPresetQR(component);
    if (!t)
        return;
    t.QR->SetErrorLevels(ecM);
    t.QR->SetEncoding(qrUTF8NoBOM);
    TvdxBarcodeLogo *logo = t.QR->Logo();
    logo->SetWidth(kLogoSize);
    logo->SetHeight(kLogoSize);
    logo->Logo()->SetGraphicOwned(vdxSwissLogoQR());
}

void TvdxSwissPaymentPreset::RestoreComponentState(TvdxComponent *component)
{
    const TvdxPresetQR t = vdxPresetQR(component);
    if (!t)
        return;
    t.QR->SetErrorLevels(TQRErrorLevels(FSaveErrorLevels));
    t.QR->SetEncoding(TQRCodeEncoding(FSaveEncoding));
    t.QR->Logo()->Logo()->SetGraphicOwned(std::move(FSaveGraphic));
}

std::unique_ptr<TBitmap> vdxSwissLogoQR()
{
    constexpr int size = 166, margin = 12, arm = 30, span = 94;
    QImage image(size, size, QImage::Format_Mono);
    image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    image.fill(0);
    auto fill = [&](int x0, int y0, int w, int h, uint index) {
        for (int y = y0; y < y0 + h; ++y)
            for (int x = x0; x < x0 + w; ++x)
                image.setPixel(x, y, index);
    };
    fill(margin, margin, size - 2 * margin, size - 2 * margin, 1);
    const int armStart = (size - arm) / 2, spanStart = (size - span) / 2;
    fill(armStart, spanStart, arm, span, 0);
    fill(spanStart, armStart, span, arm, 0);
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetImage(image, pf1bit);
    return bitmap;
}
