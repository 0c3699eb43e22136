#include "barcode/vdxRuBankPaymentPreset.h"

#include "barcode/vdxBarcode2DView.h"
#include "barcode/vdxPaymentPresetCommon.h"
#include "platform/CodePage.h"

#include <QMetaProperty>

namespace vdxRuBank {

void TvdxCustomPresetAttr::SetSettings(QChar separator, TvdxRuBankEncoding encoding, TvdxFieldTypesQR fieldTypes)
{
    FSeparator = separator;
    FEncoding = encoding;
    FFieldTypes = fieldTypes;
    const QMetaObject *meta = metaObject();
    for (int i = staticMetaObject.propertyCount(); i < meta->propertyCount(); ++i)
        if (auto *part = qobject_cast<TvdxCustomPresetAttr *>(meta->property(i).read(this).value<QObject *>()))
            part->SetSettings(separator, encoding, fieldTypes);
}

void TvdxCustomPresetAttr::assignValue(QString &field, const QString &value, int max) const
{
    if (FFieldTypes == fdExpression || (FFieldTypes == fdStatic && value.size() <= max))
        field = value;
}

QString TvdxCustomPresetAttr::FormatField(TvdxReport *report, const QString &key, const QString &expression) const
{
    QString value;
    if (report && !expression.isEmpty())
        value = FFieldTypes == fdExpression ? vdxPresetCalc(report, expression)
                : FFieldTypes == fdStatic   ? expression
                                            : QString();
    if (value.isEmpty())
        return QString();
    // KOI8-R has no ECI number: its fields go without markers and the whole
    // payload becomes KOI8-R bytes (see TvdxRuBankPaymentPreset::GetData).
    const QString marker = FEncoding == ec_WIN1251 ? QStringLiteral("&ECI22;")
                           : FEncoding == ec_UTF8  ? QStringLiteral("&ECI26;")
                                                   : QString();
    return marker + key + u'=' + marker + value + FSeparator;
}

QString TvdxCustomPresetAttr::GetData(TvdxReport *report)
{
    QString s;
    const QMetaObject *meta = metaObject();
    for (int i = staticMetaObject.propertyCount(); i < meta->propertyCount(); ++i) {
        const QMetaProperty p = meta->property(i);
        const QVariant v = p.read(this);
        if (p.metaType().id() == QMetaType::QString)
            s += FormatField(report, QString::fromLatin1(p.name()), v.toString());
        else if (auto *part = qobject_cast<TvdxCustomPresetAttr *>(v.value<QObject *>()))
            s += part->GetData(report);
    }
    return s;
}

} // namespace vdxRuBank

TvdxRuBankRequiredBankingDetails::TvdxRuBankRequiredBankingDetails() : m_payee(std::make_unique<TvdxRuBankPayee>())
{
}

TvdxRuBankRequiredBankingDetails::~TvdxRuBankRequiredBankingDetails() = default;

TvdxRuBankAdditionalBankingDetails::TvdxRuBankAdditionalBankingDetails()
    : m_payeeAdditionalInfo(std::make_unique<TvdxRuBankPayeeAdditionalInfo>()),
      m_departmentalInfo(std::make_unique<TvdxRuBankDepartmentalInfo>())
{
}

TvdxRuBankAdditionalBankingDetails::~TvdxRuBankAdditionalBankingDetails() = default;

TvdxRuBankData::TvdxRuBankData()
    : m_IdFormat(QStringLiteral("ST")), m_Version(QStringLiteral("0001")),
      m_required(std::make_unique<TvdxRuBankRequiredBankingDetails>()),
      m_additional(std::make_unique<TvdxRuBankAdditionalBankingDetails>()),
      m_other(std::make_unique<TvdxRuBankOtherAdditionalBankingDetails>())
{
    applySettings(u'|', vdxRuBank::ec_WIN1251, vdxRuBank::fdExpression);
}

TvdxRuBankData::~TvdxRuBankData() = default;

void TvdxRuBankData::applySettings(QChar separator, TvdxRuBankEncoding encoding, TvdxFieldTypesQR fieldTypes)
{
    FSeparator = separator;
    FEncoding = encoding;
    FFieldTypes = fieldTypes;
    m_required->SetSettings(separator, encoding, fieldTypes);
    m_additional->SetSettings(separator, encoding, fieldTypes);
    m_other->SetSettings(separator, encoding, fieldTypes);
}

void TvdxRuBankData::SetEncoding(TvdxRuBankEncoding value) { applySettings(FSeparator, value, FFieldTypes); }
void TvdxRuBankData::SetSeparator(QChar value) { applySettings(value, FEncoding, FFieldTypes); }
void TvdxRuBankData::SetFieldTypes(TvdxFieldTypesQR value) { applySettings(FSeparator, FEncoding, value); }

QString TvdxRuBankData::GetData(TvdxReport *report)
{
    QString s = m_IdFormat + m_Version + QString::number(int(FEncoding) + 1) + FSeparator;
    s += m_required->GetData(report);
    s += m_additional->GetData(report);
    s += m_other->GetData(report);
    return s;
}

TvdxRuBankPaymentPreset::TvdxRuBankPaymentPreset() : m_data(std::make_unique<TvdxRuBankData>()) {}

TvdxRuBankPaymentPreset::~TvdxRuBankPaymentPreset() = default;

QString TvdxRuBankPaymentPreset::GetData(TvdxReport *report)
{
    const QString text = m_data->GetData(report);
    if (m_data->GetEncoding() != vdxRuBank::ec_KOI8_R)
        return text;
    // One character per KOI8-R byte: the QR object writes such text as the
    // bytes themselves (byte mode, no ECI designator).
    return QString::fromLatin1(EncodeCodePage(text, 20866));
}

void TvdxRuBankPaymentPreset::SaveComponentState(TvdxComponent *component)
{
    const TvdxPresetQR t = vdxPresetQR(component);
    if (!t)
        return;
    FSaveErrorLevels = t.QR->ErrorLevels();
    FSaveMarker = t.QR->GraphicMarker()->ShowGraphicMarker();
    FSaveShowText = t.View->ShowText();
}

void TvdxRuBankPaymentPreset::ApplySettings(TvdxComponent *component)
{
    const TvdxPresetQR t = vdxPresetQR(component);
    if (!t)
        return;
    t.QR->SetErrorLevels(ecM);
    t.QR->GraphicMarker()->SetShowGraphicMarker(true);
    t.View->SetShowText(false);
}

void TvdxRuBankPaymentPreset::RestoreComponentState(TvdxComponent *component)
{
    const TvdxPresetQR t = vdxPresetQR(component);
    if (!t)
        return;
    t.QR->SetErrorLevels(TQRErrorLevels(FSaveErrorLevels));
    t.QR->GraphicMarker()->SetShowGraphicMarker(FSaveMarker);
    t.View->SetShowText(FSaveShowText);
}
