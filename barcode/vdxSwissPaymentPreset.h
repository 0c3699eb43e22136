// The payment part of a Swiss QR bill: the "SPC" text (version 0200, coding
// type 1) built from expression fields; a QR object gets level M and the
// Swiss cross while the preset is attached.
#pragma once
#include "barcode/vdxBarcode2DTypes.h"
#include "core/vdGraphic.h"
#include "report/vdxClass_preset.h"

#include <memory>

namespace vdxSwissPayment {
// Base of the parts: each gives its lines of the payload.
class TvdxCustomPresetAttr : public TvdPersistent {
    Q_OBJECT
public:
    virtual QString GetData(TvdxReport *report) = 0;
};
} // namespace vdxSwissPayment

class TvdxSPCreditorInformation : public vdxSwissPayment::TvdxCustomPresetAttr {
    Q_OBJECT
    Q_PROPERTY(QString IBAN MEMBER m_iban)
public:
    QString GetData(TvdxReport *report) override;
    QString m_iban;
};

class TvdxSPPersonInfo : public vdxSwissPayment::TvdxCustomPresetAttr {
    Q_OBJECT
public:
    enum TvdxSPAddressType { vdAddT_S, vdAddT_K };
    Q_ENUM(TvdxSPAddressType)
private:
    Q_PROPERTY(TvdxSPAddressType AddressType MEMBER m_addressType)
    Q_PROPERTY(QString AddressTypeExp MEMBER m_addressTypeExp)
    Q_PROPERTY(QString Name MEMBER m_name)
    Q_PROPERTY(QString AddressLine1 MEMBER m_addressLine1)
    Q_PROPERTY(QString AddressLine2 MEMBER m_addressLine2)
    Q_PROPERTY(QString PostalCode MEMBER m_postalCode)
    Q_PROPERTY(QString Town MEMBER m_town)
    Q_PROPERTY(QString Country MEMBER m_country)
    Q_CLASSINFO("default:AddressType", "vdAddT_S")
public:
    // The party's seven lines.
    QString GetData(TvdxReport *report) override;

    TvdxSPAddressType m_addressType = vdAddT_S;
    QString m_addressTypeExp, m_name, m_addressLine1, m_addressLine2, m_postalCode, m_town, m_country;

protected:
    virtual QString addressTypeLine(TvdxReport *report);
};

class TvdxSPCreditor : public TvdxSPPersonInfo {
    Q_OBJECT
};

// A party that may be left out: all empty gives seven empty lines.
class TvdxSPUltimateInfo : public TvdxSPPersonInfo {
    Q_OBJECT
protected:
    QString addressTypeLine(TvdxReport *report) override;
};

class TvdxSPUltimateCreditor : public TvdxSPUltimateInfo {
    Q_OBJECT
};

class TvdxSPUltimateDebtor : public TvdxSPUltimateInfo {
    Q_OBJECT
};

class TvdxSPPaymentAmountInfo : public vdxSwissPayment::TvdxCustomPresetAttr {
    Q_OBJECT
    Q_PROPERTY(QString Amount MEMBER m_amount)
    Q_PROPERTY(QString Currency MEMBER m_currency)
public:
    QString GetData(TvdxReport *report) override;
    QString m_amount, m_currency;
};

class TvdxSPPaymentReference : public vdxSwissPayment::TvdxCustomPresetAttr {
    Q_OBJECT
public:
    enum TvdxSPReferenceType { vdRT_QRR, vdRT_SCOR, vdRT_NON };
    Q_ENUM(TvdxSPReferenceType)
private:
    Q_PROPERTY(TvdxSPReferenceType ReferenceTyp MEMBER m_referenceTyp)
    Q_PROPERTY(QString ReferenceTypExp MEMBER m_referenceTypExp)
    Q_PROPERTY(QString Reference MEMBER m_reference)
    Q_CLASSINFO("default:ReferenceTyp", "vdRT_QRR")
public:
    QString GetData(TvdxReport *report) override;
    TvdxSPReferenceType m_referenceTyp = vdRT_QRR;
    QString m_referenceTypExp, m_reference;
};

class TvdxSPAdditionalInformation : public vdxSwissPayment::TvdxCustomPresetAttr {
    Q_OBJECT
    Q_PROPERTY(QString UnstructuredMessage MEMBER m_unstructuredMessage)
    Q_PROPERTY(QString BillInformation MEMBER m_billInformation)
public:
    QString GetData(TvdxReport *report) override;
    QString m_unstructuredMessage, m_billInformation;
};

class TvdxSPAlternativeSchemes : public vdxSwissPayment::TvdxCustomPresetAttr {
    Q_OBJECT
    Q_PROPERTY(QString SchemeParameterOne MEMBER m_one)
    Q_PROPERTY(QString SchemeParameterTwo MEMBER m_two)
public:
    QString GetData(TvdxReport *report) override;
    QString m_one, m_two;
};

class TvdxSwissPaymentPreset : public TvdxCustomObjectPreset {
    Q_OBJECT
    Q_PROPERTY(TvdxSPCreditorInformation *CreditorInformation READ CreditorInformation)
    Q_PROPERTY(TvdxSPCreditor *Creditor READ Creditor)
    Q_PROPERTY(TvdxSPUltimateCreditor *UltimateCreditor READ UltimateCreditor)
    Q_PROPERTY(TvdxSPPaymentAmountInfo *PaymentAmountInfo READ PaymentAmountInfo)
    Q_PROPERTY(TvdxSPUltimateDebtor *UltimateDebtor READ UltimateDebtor)
    Q_PROPERTY(TvdxSPPaymentReference *PaymentReference READ PaymentReference)
    Q_PROPERTY(TvdxSPAdditionalInformation *AdditionalInformation READ AdditionalInformation)
    Q_PROPERTY(TvdxSPAlternativeSchemes *AlternativeSchemes READ AlternativeSchemes)
public:
    TvdxSwissPaymentPreset();
    ~TvdxSwissPaymentPreset() override;

    TvdxSPCreditorInformation *CreditorInformation() const { return m_creditorInformation.get(); }
    TvdxSPCreditor *Creditor() const { return m_creditor.get(); }
    TvdxSPUltimateCreditor *UltimateCreditor() const { return m_ultimateCreditor.get(); }
    TvdxSPPaymentAmountInfo *PaymentAmountInfo() const { return m_paymentAmountInfo.get(); }
    TvdxSPUltimateDebtor *UltimateDebtor() const { return m_ultimateDebtor.get(); }
    TvdxSPPaymentReference *PaymentReference() const { return m_paymentReference.get(); }
    TvdxSPAdditionalInformation *AdditionalInformation() const { return m_additionalInformation.get(); }
    TvdxSPAlternativeSchemes *AlternativeSchemes() const { return m_alternativeSchemes.get(); }

    QString GetData(TvdxReport *report) override;
    void ApplySettings(TvdxComponent *component) override;
    void SaveComponentState(TvdxComponent *component) override;
    void RestoreComponentState(TvdxComponent *component) override;

private:
    std::unique_ptr<TvdxSPCreditorInformation> m_creditorInformation;
    std::unique_ptr<TvdxSPCreditor> m_creditor;
    std::unique_ptr<TvdxSPUltimateCreditor> m_ultimateCreditor;
    std::unique_ptr<TvdxSPPaymentAmountInfo> m_paymentAmountInfo;
    std::unique_ptr<TvdxSPUltimateDebtor> m_ultimateDebtor;
    std::unique_ptr<TvdxSPPaymentReference> m_paymentReference;
    std::unique_ptr<TvdxSPAdditionalInformation> m_additionalInformation;
    std::unique_ptr<TvdxSPAlternativeSchemes> m_alternativeSchemes;
    int FSaveErrorLevels = ecL;
    // The payload declares UTF-8 (coding type 1): the object's encoding is
    // forced while attached and given back afterwards.
    int FSaveEncoding = qrAuto;
    std::unique_ptr<TGraphic> FSaveGraphic;
};

// The centre logo of a Swiss QR bill: 166 x 166 one-bit pixels, a black
// square inside a 12-pixel white margin with a white cross in the middle.
std::unique_ptr<TBitmap> vdxSwissLogoQR();
