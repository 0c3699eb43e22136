// A European Payments Council credit transfer ("BCD", versions 001 and 002):
// the payload from expression fields, checked on the way, and an optional
// rounded frame with a hint drawn around the symbol.
#pragma once
#include "barcode/vdxBarcode2DTypes.h"
#include "report/vdFont.h"
#include "report/vdxClass_preset.h"

#include <memory>

class TvdxEPCPaymentPreset;

class TvdxEPCDrawOptions : public TvdPersistent {
    Q_OBJECT
public:
    enum TvdxEPCHintType { htEPCNone, htEPCLeft, htEPCRight, htEPCTop, htEPCBottom };
    Q_ENUM(TvdxEPCHintType)
private:
    Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
    Q_PROPERTY(int FrameWidth READ FrameWidth WRITE SetFrameWidth)
    Q_PROPERTY(int FrameColor READ FrameColor WRITE SetFrameColor)
    Q_PROPERTY(bool FrameVisible READ FrameVisible WRITE SetFrameVisible)
    Q_PROPERTY(int FillColor READ FillColor WRITE SetFillColor)
    Q_PROPERTY(TvdxEPCHintType HintType READ HintType WRITE SetHintType)
    Q_PROPERTY(QString HintExpression READ HintExpression WRITE SetHintExpression)
    Q_CLASSINFO("default:FrameWidth", "1")
    Q_CLASSINFO("default:FrameColor", "0")
    Q_CLASSINFO("default:FrameVisible", "False")
    Q_CLASSINFO("default:FillColor", "16777215")
    Q_CLASSINFO("default:HintType", "htEPCNone")
public:
    explicit TvdxEPCDrawOptions(TvdxEPCPaymentPreset *owner = nullptr);
    ~TvdxEPCDrawOptions() override;

    QString Hint() const { return FHint; }
    void SetHint(const QString &value) { FHint = value; }
    int FrameWidth() const { return FFrameWidth; }
    // Values below 1 become 1.
    void SetFrameWidth(int value);
    int FrameColor() const { return int(FFrameColor); }
    void SetFrameColor(int value) { FFrameColor = TColor(value); }
    bool FrameVisible() const { return FFrameVisible; }
    void SetFrameVisible(bool value);
    int FillColor() const { return int(FFillColor); }
    void SetFillColor(int value) { FFillColor = TColor(value); }
    TvdxEPCHintType HintType() const { return FHintType; }
    void SetHintType(TvdxEPCHintType value);
    QString HintExpression() const { return FHintExpression; }
    void SetHintExpression(const QString &value) { FHintExpression = value; }
    TvdFont *Font() const { return FFont.get(); }

    // The room the frame and hint need around the symbol.
    int CalcQuietZone() const;
    // The hint font's height on canvas for an area width: it only shrinks,
    // until the hint fits between the two rounded corners.
    int HintFontHeight(Canvas &canvas, double scaleY, const TRect &area) const;
    void Draw(Canvas &canvas, double scaleX, double scaleY, const TRect &area) const;

private:
    QString FHint;
    int FFrameWidth = 1;
    TColor FFrameColor = clBlack;
    bool FFrameVisible = false;
    TColor FFillColor = 0xFFFFFF;
    std::unique_ptr<TvdFont> FFont;
    TvdxEPCHintType FHintType = htEPCNone;
    QString FHintExpression;
    TvdxEPCPaymentPreset *FOwner;
};

class TvdxEPCPMoney : public TvdPersistent {
    Q_OBJECT
public:
    enum TvdxEPCCurrency { EUR };
    Q_ENUM(TvdxEPCCurrency)
private:
    Q_PROPERTY(TvdxEPCCurrency Currency MEMBER FCurrency)
    Q_PROPERTY(QString Amount MEMBER FAmount)
    Q_CLASSINFO("default:Currency", "EUR")
public:
    TvdxEPCCurrency FCurrency = EUR;
    QString FAmount = QStringLiteral("0.01");
};

class TvdxEPCPRemittance : public TvdPersistent {
    Q_OBJECT
public:
    enum TvdxEPCTypeRemittance { iref, itext };
    Q_ENUM(TvdxEPCTypeRemittance)
private:
    Q_PROPERTY(TvdxEPCTypeRemittance TypeRemittance MEMBER FTypeRemittance)
    Q_PROPERTY(QString Value MEMBER FValue)
    Q_CLASSINFO("default:TypeRemittance", "itext")
public:
    TvdxEPCTypeRemittance FTypeRemittance = itext;
    QString FValue;
};

class TvdxEPCPaymentPreset : public TvdxCustomObjectPreset {
    Q_OBJECT
public:
    enum TvdxEPCVersion { V1, V2 };
    Q_ENUM(TvdxEPCVersion)
private:
    Q_PROPERTY(QString ServiceTag READ ServiceTag STORED false)
    Q_PROPERTY(TvdxEPCVersion Version MEMBER FVersion)
    Q_PROPERTY(QString Identification READ Identification STORED false)
    Q_PROPERTY(QString BIC MEMBER FBIC)
    Q_PROPERTY(QString Name MEMBER FName)
    Q_PROPERTY(QString IBAN MEMBER FIBAN)
    Q_PROPERTY(TvdxEPCDrawOptions *DrawOptions READ DrawOptions)
    Q_PROPERTY(TvdxEPCPMoney *Money READ Money)
    Q_PROPERTY(QString Purpose MEMBER FPurpose)
    Q_PROPERTY(TvdxEPCPRemittance *Remittance READ Remittance)
    Q_PROPERTY(QString Information MEMBER FInformation)
    Q_CLASSINFO("default:Version", "V1")
public:
    TvdxEPCPaymentPreset();
    ~TvdxEPCPaymentPreset() override;

    QString ServiceTag() const { return FServiceTag; }
    QString Identification() const { return FIdentification; }
    TvdxEPCDrawOptions *DrawOptions() const { return FDrawOptions.get(); }
    TvdxEPCPMoney *Money() const { return FMoney.get(); }
    TvdxEPCPRemittance *Remittance() const { return FRemittance.get(); }

    // Raises Exception with the message of the first failing check.
    QString GetData(TvdxReport *report) override;
    void ApplySettings(TvdxComponent *component) override;
    void SaveComponentState(TvdxComponent *component) override;
    void RestoreComponentState(TvdxComponent *component) override;
    void BeginDraw(Canvas &canvas, double scaleX, double scaleY, const TRect &area) override;
    // Applies the settings again to the object the preset is attached to.
    void UpdateSettings();

    // The amount line's number: 0.01 to 999999999.99 with at most two
    // decimals, "." or "," as separator; written exactly, without trailing
    // zeros. Raises Exception otherwise.
    static QString AmountText(const QString &value);

    TvdxEPCVersion FVersion = V1;
    QString FBIC, FName, FIBAN, FPurpose, FInformation;

private:
    QString FServiceTag = QStringLiteral("BCD");
    quint8 FCharSet = 1;
    QString FIdentification = QStringLiteral("SCT");
    std::unique_ptr<TvdxEPCDrawOptions> FDrawOptions;
    std::unique_ptr<TvdxEPCPMoney> FMoney;
    std::unique_ptr<TvdxEPCPRemittance> FRemittance;
    int FSaveErrorLevels = ecL;
    bool FSaveShowText = true;
    // The payload declares UTF-8 (character set 1): forced while attached.
    int FSaveEncoding = qrAuto;
    TvdxComponent *FOwner = nullptr;
};
