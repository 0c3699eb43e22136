// A Russian bank payment code: "ST" + version + encoding digit + separator,
// then key=value fields; each field carries the ECI marker of its character
// set. Values are expressions or the texts themselves.
#pragma once
#include "barcode/vdxBarcode2DTypes.h"
#include "report/vdxClass_preset.h"

#include <QChar>
#include <memory>

namespace vdxRuBank {
Q_NAMESPACE

enum TvdxRuBankEncoding { ec_WIN1251, ec_UTF8, ec_KOI8_R };
Q_ENUM_NS(TvdxRuBankEncoding)

enum TvdxFieldTypesQR { fdExpression, fdStatic };
Q_ENUM_NS(TvdxFieldTypesQR)

// Base of the parts: the settings every part shares, and the payload of a
// part as its fields in the order of its published properties (object
// properties give the fields of that part in their place).
class TvdxCustomPresetAttr : public TvdPersistent {
    Q_OBJECT
public:
    Q_INVOKABLE QChar GetSeparator() const { return FSeparator; }
    Q_INVOKABLE vdxRuBank::TvdxRuBankEncoding GetEncoding() const { return FEncoding; }
    Q_INVOKABLE vdxRuBank::TvdxFieldTypesQR GetFieldTypes() const { return FFieldTypes; }
    // Sets the three in this part and in the parts it owns.
    void SetSettings(QChar separator, TvdxRuBankEncoding encoding, TvdxFieldTypesQR fieldTypes);
    virtual QString GetData(TvdxReport *report);
    // One field: marker + key + "=" + marker + value + separator; nothing
    // for an empty value.
    QString FormatField(TvdxReport *report, const QString &key, const QString &expression) const;

protected:
    // Values longer than max are refused in fdStatic mode.
    void assignValue(QString &field, const QString &value, int max) const;

    QChar FSeparator = u'|';
    TvdxRuBankEncoding FEncoding = ec_WIN1251;
    TvdxFieldTypesQR FFieldTypes = fdExpression;
};

} // namespace vdxRuBank

using vdxRuBank::TvdxFieldTypesQR;
using vdxRuBank::TvdxRuBankEncoding;

class TvdxRuBankPayee : public vdxRuBank::TvdxCustomPresetAttr {
    Q_OBJECT
    Q_PROPERTY(QString Name READ Name WRITE SetName)
    Q_PROPERTY(QString PersonalAcc READ PersonalAcc WRITE SetPersonalAcc)
    Q_PROPERTY(QString BankName READ BankName WRITE SetBankName)
    Q_PROPERTY(QString BIC READ BIC WRITE SetBIC)
    Q_PROPERTY(QString CorrespAcc READ CorrespAcc WRITE SetCorrespAcc)
public:
    QString Name() const { return m_Name; }
    void SetName(const QString &v) { assignValue(m_Name, v, 160); }
    QString PersonalAcc() const { return m_PersonalAcc; }
    void SetPersonalAcc(const QString &v) { assignValue(m_PersonalAcc, v, 20); }
    QString BankName() const { return m_BankName; }
    void SetBankName(const QString &v) { assignValue(m_BankName, v, 45); }
    QString BIC() const { return m_BIC; }
    void SetBIC(const QString &v) { assignValue(m_BIC, v, 9); }
    QString CorrespAcc() const { return m_CorrespAcc; }
    void SetCorrespAcc(const QString &v) { assignValue(m_CorrespAcc, v, 20); }

private:
    QString m_Name;
    QString m_PersonalAcc;
    QString m_BankName;
    QString m_BIC;
    QString m_CorrespAcc;
};

class TvdxRuBankPayeeAdditionalInfo : public vdxRuBank::TvdxCustomPresetAttr {
    Q_OBJECT
    Q_PROPERTY(QString PayeeINN READ PayeeINN WRITE SetPayeeINN)
    Q_PROPERTY(QString KPP READ KPP WRITE SetKPP)
public:
    QString PayeeINN() const { return m_PayeeINN; }
    void SetPayeeINN(const QString &v) { assignValue(m_PayeeINN, v, 12); }
    QString KPP() const { return m_KPP; }
    void SetKPP(const QString &v) { assignValue(m_KPP, v, 9); }

private:
    QString m_PayeeINN;
    QString m_KPP;
};

class TvdxRuBankDepartmentalInfo : public vdxRuBank::TvdxCustomPresetAttr {
    Q_OBJECT
    Q_PROPERTY(QString DrawerStatus READ DrawerStatus WRITE SetDrawerStatus)
    Q_PROPERTY(QString CBC READ CBC WRITE SetCBC)
    Q_PROPERTY(QString OKTMO READ OKTMO WRITE SetOKTMO)
    Q_PROPERTY(QString PaytReason READ PaytReason WRITE SetPaytReason)
    Q_PROPERTY(QString TaxPeriod READ TaxPeriod WRITE SetTaxPeriod)
    Q_PROPERTY(QString DocNo READ DocNo WRITE SetDocNo)
    Q_PROPERTY(QString DocDate READ DocDate WRITE SetDocDate)
    Q_PROPERTY(QString TaxPaytKind READ TaxPaytKind WRITE SetTaxPaytKind)
public:
    QString DrawerStatus() const { return m_DrawerStatus; }
    void SetDrawerStatus(const QString &v) { assignValue(m_DrawerStatus, v, 2); }
    QString CBC() const { return m_CBC; }
    void SetCBC(const QString &v) { assignValue(m_CBC, v, 20); }
    QString OKTMO() const { return m_OKTMO; }
    void SetOKTMO(const QString &v) { assignValue(m_OKTMO, v, 11); }
    QString PaytReason() const { return m_PaytReason; }
    void SetPaytReason(const QString &v) { assignValue(m_PaytReason, v, 2); }
    QString TaxPeriod() const { return m_TaxPeriod; }
    void SetTaxPeriod(const QString &v) { assignValue(m_TaxPeriod, v, 10); }
    QString DocNo() const { return m_DocNo; }
    void SetDocNo(const QString &v) { assignValue(m_DocNo, v, 15); }
    QString DocDate() const { return m_DocDate; }
    void SetDocDate(const QString &v) { assignValue(m_DocDate, v, 10); }
    QString TaxPaytKind() const { return m_TaxPaytKind; }
    void SetTaxPaytKind(const QString &v) { assignValue(m_TaxPaytKind, v, 2); }

private:
    QString m_DrawerStatus;
    QString m_CBC;
    QString m_OKTMO;
    QString m_PaytReason;
    QString m_TaxPeriod;
    QString m_DocNo;
    QString m_DocDate;
    QString m_TaxPaytKind;
};

class TvdxRuBankRequiredBankingDetails : public vdxRuBank::TvdxCustomPresetAttr {
    Q_OBJECT
    Q_PROPERTY(TvdxRuBankPayee *Payee READ Payee)
public:
    TvdxRuBankRequiredBankingDetails();
    ~TvdxRuBankRequiredBankingDetails() override;
    TvdxRuBankPayee *Payee() const { return m_payee.get(); }

private:
    std::unique_ptr<TvdxRuBankPayee> m_payee;
};

class TvdxRuBankAdditionalBankingDetails : public vdxRuBank::TvdxCustomPresetAttr {
    Q_OBJECT
    Q_PROPERTY(QString Sum READ Sum WRITE SetSum)
    Q_PROPERTY(QString Purpose READ Purpose WRITE SetPurpose)
    Q_PROPERTY(TvdxRuBankPayeeAdditionalInfo *PayeeAdditionalInfo READ PayeeAdditionalInfo)
    Q_PROPERTY(QString PayerINN READ PayerINN WRITE SetPayerINN)
    Q_PROPERTY(TvdxRuBankDepartmentalInfo *DepartmentalInfo READ DepartmentalInfo)
public:
    TvdxRuBankAdditionalBankingDetails();
    ~TvdxRuBankAdditionalBankingDetails() override;
    QString Sum() const { return m_Sum; }
    void SetSum(const QString &v) { assignValue(m_Sum, v, 18); }
    QString Purpose() const { return m_Purpose; }
    void SetPurpose(const QString &v) { assignValue(m_Purpose, v, 210); }
    QString PayerINN() const { return m_PayerINN; }
    void SetPayerINN(const QString &v) { assignValue(m_PayerINN, v, 12); }
    TvdxRuBankPayeeAdditionalInfo *PayeeAdditionalInfo() const { return m_payeeAdditionalInfo.get(); }
    TvdxRuBankDepartmentalInfo *DepartmentalInfo() const { return m_departmentalInfo.get(); }

private:
    QString m_Sum;
    QString m_Purpose;
    QString m_PayerINN;
    std::unique_ptr<TvdxRuBankPayeeAdditionalInfo> m_payeeAdditionalInfo;
    std::unique_ptr<TvdxRuBankDepartmentalInfo> m_departmentalInfo;
};

// Fields without a length limit.
class TvdxRuBankOtherAdditionalBankingDetails : public vdxRuBank::TvdxCustomPresetAttr {
    Q_OBJECT
    Q_PROPERTY(QString LastName MEMBER m_LastName)
    Q_PROPERTY(QString FirstName MEMBER m_FirstName)
    Q_PROPERTY(QString MiddleName MEMBER m_MiddleName)
    Q_PROPERTY(QString PayerAddress MEMBER m_PayerAddress)
    Q_PROPERTY(QString PersonalAccount MEMBER m_PersonalAccount)
    Q_PROPERTY(QString DocIdx MEMBER m_DocIdx)
    Q_PROPERTY(QString PensAcc MEMBER m_PensAcc)
    Q_PROPERTY(QString Contract MEMBER m_Contract)
    Q_PROPERTY(QString PersAcc MEMBER m_PersAcc)
    Q_PROPERTY(QString Flat MEMBER m_Flat)
    Q_PROPERTY(QString Phone MEMBER m_Phone)
    Q_PROPERTY(QString PayerIdType MEMBER m_PayerIdType)
    Q_PROPERTY(QString PayerIdNum MEMBER m_PayerIdNum)
    Q_PROPERTY(QString ChildFio MEMBER m_ChildFio)
    Q_PROPERTY(QString BirthDate MEMBER m_BirthDate)
    Q_PROPERTY(QString PaymTerm MEMBER m_PaymTerm)
    Q_PROPERTY(QString PaymPeriod MEMBER m_PaymPeriod)
    Q_PROPERTY(QString Category MEMBER m_Category)
    Q_PROPERTY(QString ServiceName MEMBER m_ServiceName)
    Q_PROPERTY(QString CounterId MEMBER m_CounterId)
    Q_PROPERTY(QString CounterVal MEMBER m_CounterVal)
    Q_PROPERTY(QString QuittId MEMBER m_QuittId)
    Q_PROPERTY(QString InstNum MEMBER m_InstNum)
    Q_PROPERTY(QString ClassNum MEMBER m_ClassNum)
    Q_PROPERTY(QString SpecFio MEMBER m_SpecFio)
    Q_PROPERTY(QString AddAmount MEMBER m_AddAmount)
    Q_PROPERTY(QString RuleId MEMBER m_RuleId)
    Q_PROPERTY(QString ExecId MEMBER m_ExecId)
    Q_PROPERTY(QString RegType MEMBER m_RegType)
    Q_PROPERTY(QString UIN MEMBER m_UIN)
    Q_PROPERTY(QString TechCode MEMBER m_TechCode)
public:
    QString m_LastName;
    QString m_FirstName;
    QString m_MiddleName;
    QString m_PayerAddress;
    QString m_PersonalAccount;
    QString m_DocIdx;
    QString m_PensAcc;
    QString m_Contract;
    QString m_PersAcc;
    QString m_Flat;
    QString m_Phone;
    QString m_PayerIdType;
    QString m_PayerIdNum;
    QString m_ChildFio;
    QString m_BirthDate;
    QString m_PaymTerm;
    QString m_PaymPeriod;
    QString m_Category;
    QString m_ServiceName;
    QString m_CounterId;
    QString m_CounterVal;
    QString m_QuittId;
    QString m_InstNum;
    QString m_ClassNum;
    QString m_SpecFio;
    QString m_AddAmount;
    QString m_RuleId;
    QString m_ExecId;
    QString m_RegType;
    QString m_UIN;
    QString m_TechCode;
};

class TvdxRuBankData : public vdxRuBank::TvdxCustomPresetAttr {
    Q_OBJECT
    Q_PROPERTY(QString IdFormat READ IdFormat WRITE SetIdFormat)
    Q_PROPERTY(QString Version READ Version WRITE SetVersion)
    Q_PROPERTY(vdxRuBank::TvdxRuBankEncoding Encoding READ GetEncoding WRITE SetEncoding)
    Q_PROPERTY(QChar Separator READ GetSeparator WRITE SetSeparator)
    Q_PROPERTY(vdxRuBank::TvdxFieldTypesQR FieldTypes READ GetFieldTypes WRITE SetFieldTypes)
    Q_CLASSINFO("default:Encoding", "ec_WIN1251")
    Q_CLASSINFO("default:Separator", "|")
    Q_CLASSINFO("default:FieldTypes", "fdExpression")
public:
    TvdxRuBankData();
    ~TvdxRuBankData() override;
    QString IdFormat() const { return m_IdFormat; }
    void SetIdFormat(const QString &v) { assignValue(m_IdFormat, v, 2); }
    QString Version() const { return m_Version; }
    void SetVersion(const QString &v) { assignValue(m_Version, v, 4); }
    void SetEncoding(TvdxRuBankEncoding value);
    void SetSeparator(QChar value);
    void SetFieldTypes(TvdxFieldTypesQR value);
    TvdxRuBankRequiredBankingDetails *RequiredBankingDetails() const { return m_required.get(); }
    TvdxRuBankAdditionalBankingDetails *AdditionalBankingDetails() const { return m_additional.get(); }
    TvdxRuBankOtherAdditionalBankingDetails *OtherAdditionalBankingDetails() const { return m_other.get(); }
    // The whole payload.
    QString GetData(TvdxReport *report) override;

private:
    void applySettings(QChar separator, TvdxRuBankEncoding encoding, TvdxFieldTypesQR fieldTypes);

    QString m_IdFormat;
    QString m_Version;
    std::unique_ptr<TvdxRuBankRequiredBankingDetails> m_required;
    std::unique_ptr<TvdxRuBankAdditionalBankingDetails> m_additional;
    std::unique_ptr<TvdxRuBankOtherAdditionalBankingDetails> m_other;
};

class TvdxRuBankPaymentPreset : public TvdxCustomObjectPreset {
    Q_OBJECT
    Q_PROPERTY(TvdxRuBankData *RuBankData READ RuBankData)
    Q_PROPERTY(TvdxRuBankRequiredBankingDetails *RequiredBankingDetails READ RequiredBankingDetails)
    Q_PROPERTY(TvdxRuBankAdditionalBankingDetails *AdditionalBankingDetails READ AdditionalBankingDetails)
    Q_PROPERTY(TvdxRuBankOtherAdditionalBankingDetails *OtherAdditionalBankingDetails READ OtherAdditionalBankingDetails)
public:
    TvdxRuBankPaymentPreset();
    ~TvdxRuBankPaymentPreset() override;

    TvdxRuBankData *RuBankData() const { return m_data.get(); }
    TvdxRuBankRequiredBankingDetails *RequiredBankingDetails() const { return m_data->RequiredBankingDetails(); }
    TvdxRuBankAdditionalBankingDetails *AdditionalBankingDetails() const { return m_data->AdditionalBankingDetails(); }
    TvdxRuBankOtherAdditionalBankingDetails *OtherAdditionalBankingDetails() const
    {
        return m_data->OtherAdditionalBankingDetails();
    }

    QString GetData(TvdxReport *report) override;
    void ApplySettings(TvdxComponent *component) override;
    void SaveComponentState(TvdxComponent *component) override;
    void RestoreComponentState(TvdxComponent *component) override;

private:
    std::unique_ptr<TvdxRuBankData> m_data;
    int FSaveErrorLevels = ecL;
    bool FSaveMarker = false;
    bool FSaveShowText = true;
};
