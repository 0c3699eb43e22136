// The linear barcode report object: copies its settings into its engine
// before every draw, sizes itself (or derives its zoom from its size) and has
// the engine paint the symbol; an encoding error is shown in red instead.
#pragma once
#include "barcode/vdxBarcode.h"
#include "report/vdxClass.h"

#include <memory>

// What the composite barcode object asks of the linear and 2D objects alike.
class IvdxBarCodeView {
public:
    virtual ~IvdxBarCodeView() = default;
    virtual TvdxBarcodeText *GetBarcodeText() = 0;
    virtual void SetBarcodeText(TvdxBarcodeText *value) = 0;
    virtual int GetBarType() = 0;
    virtual void SetBarType(int value) = 0;
    virtual QString GetText() = 0;
    virtual void SetText(const QString &value) = 0;
    virtual QString GetTextSup() = 0;
    virtual void SetTextSup(const QString &value) = 0;
    virtual void SetZoom(double value) = 0;
    virtual double GetZoom() = 0;
    virtual int GetFontHeightTop() = 0;
    virtual int GetFontHeightBottom() = 0;
};
#define IvdxBarCodeView_iid "{320B7A67-4A74-403D-934D-CAE6F3F7CAC9}"
Q_DECLARE_INTERFACE(IvdxBarCodeView, IvdxBarCodeView_iid)

// An encoding error in red, "Arial" 8 points at the scale, word-wrapped into r.
void vdxDrawBarcodeError(Canvas &canvas, const TRect &r, double scaleY, const QString &message);

// Height of the caption band at edge p of a barcode object, in drawing units.
int CaptionBandHeight(IvdxBarCodeView *view, TvdFont *mainFont, TvdxTextSettings::TvdxBarTextPos p);

class TvdxBarCodeView : public TvdxView, public IvdxBarCodeView {
    Q_OBJECT
    Q_INTERFACES(IvdxBarCodeView)
public:
    enum TvdxHAlign { haLeft, haRight, haCenter, haBlock };
    Q_ENUM(TvdxHAlign)

private:
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(TvdxBarcode::TvdxBarcodeType BarType READ BarType WRITE SetBarTypeValue)
    Q_PROPERTY(bool CalcCheckSum READ CalcCheckSum WRITE SetCalcCheckSum)
    Q_PROPERTY(QString Expression READ Expression WRITE SetExpression)
    Q_PROPERTY(TvdxHAlign HAlign READ HAlign WRITE SetHAlign)
    Q_PROPERTY(int Rotation READ Rotation WRITE SetRotation)
    Q_PROPERTY(bool ShowText READ ShowText WRITE SetShowText)
    Q_PROPERTY(bool TestLine READ TestLine WRITE SetTestLine)
    Q_PROPERTY(QString Text READ Text WRITE SetText)
    Q_PROPERTY(QString TextSup READ TextSup WRITE SetTextSup)
    Q_PROPERTY(double WideBarRatio READ WideBarRatio WRITE SetWideBarRatio)
    Q_PROPERTY(double Zoom READ Zoom WRITE SetZoom)
    Q_PROPERTY(TvdFont *Font READ BarFont)
    Q_PROPERTY(int ColorBar READ ColorBar WRITE SetColorBar)
    Q_PROPERTY(TvdxBarcodeText *BarcodeText READ BarcodeText)
    // Published from the view; the fill carries the colour and brush.
    Q_PROPERTY(TvdxCustomFill::TBrushStyle BrushStyle READ BrushStyle WRITE SetBrushStyle STORED false)
    Q_PROPERTY(TvdxCustomFill::TvdxFillType FillType READ FillType WRITE SetFillType)
    Q_PROPERTY(TvdxCustomFill *Fill READ Fill WRITE SetFill)
    Q_PROPERTY(int Color READ Color WRITE SetColor STORED false)
    Q_PROPERTY(int Cursor READ Cursor WRITE SetCursor)
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(QString DataSetName READ DataSetName WRITE SetDataSetName)
    Q_PROPERTY(TvdxFrame *Frame READ Frame WRITE SetFrame)
    Q_PROPERTY(TvdxObjectProcessing *Processing READ Processing WRITE SetProcessing)
    Q_PROPERTY(QString Style READ Style WRITE SetStyle)
    Q_PROPERTY(QString TagStr READ TagStr WRITE SetTagStr)
    Q_PROPERTY(QString URL READ URL WRITE SetURL STORED false)
    Q_CLASSINFO("default:Cursor", "0")
    Q_CLASSINFO("default:FillType", "ftBrush")
    Q_CLASSINFO("default:AutoSize", "True")
    Q_CLASSINFO("default:BarType", "bcCode39")
    Q_CLASSINFO("default:CalcCheckSum", "False")
    Q_CLASSINFO("default:HAlign", "haLeft")
    Q_CLASSINFO("default:Rotation", "0")
    Q_CLASSINFO("default:ShowText", "True")
    Q_CLASSINFO("default:TestLine", "False")
    Q_CLASSINFO("default:ColorBar", "0")

public:
    Q_INVOKABLE explicit TvdxBarCodeView(TvdComponent *owner = nullptr);
    ~TvdxBarCodeView() override;
    // A new object placed from the palette: flags carry the symbology.
    static TvdxBarCodeView *DesignCreate(TvdComponent *owner, int flags);

    TvdxBarcode *BarCode() const { return m_barcode.get(); }
    bool AutoSize() const { return m_autoSize; }
    void SetAutoSize(bool v) { m_autoSize = v; }
    TvdxBarcode::TvdxBarcodeType BarType() const { return m_barType; }
    // A designer's change of type arms the sample text for a failing text.
    void SetBarTypeValue(TvdxBarcode::TvdxBarcodeType value);
    bool CalcCheckSum() const { return m_calcCheckSum; }
    void SetCalcCheckSum(bool v) { m_calcCheckSum = v; }
    QString Expression() const { return m_expression; }
    void SetExpression(const QString &v) { m_expression = v; }
    TvdxHAlign HAlign() const { return m_hAlign; }
    void SetHAlign(TvdxHAlign v) { m_hAlign = v; }
    int Rotation() const { return m_rotation; }
    void SetRotation(int v) { m_rotation = v; }
    bool ShowText() const { return m_showText; }
    void SetShowText(bool v) { m_showText = v; }
    bool TestLine() const { return m_testLine; }
    void SetTestLine(bool v) { m_testLine = v; }
    QString Text() const { return m_text; }
    QString TextSup() const { return m_textSup; }
    double WideBarRatio() const { return m_ratio; }
    void SetWideBarRatio(double v) { m_ratio = v; }
    double Zoom() const { return m_zoom; }
    TvdFont *BarFont() const;
    int ColorBar() const { return m_barcode->ColorBar; }
    void SetColorBar(int v) { m_barcode->ColorBar = v; }
    TvdxBarcodeText *BarcodeText() const { return m_barcode->BarcodeText(); }

    // The sample text of a type (and whether it wants check digits on).
    static QString SampleText(TvdxBarcode::TvdxBarcodeType type, bool *checksum = nullptr);
    // The message of the last draw, empty when it encoded.
    QString ErrorText() const { return m_errorText; }

    // IvdxBarCodeView
    TvdxBarcodeText *GetBarcodeText() override { return BarcodeText(); }
    void SetBarcodeText(TvdxBarcodeText *value) override;
    int GetBarType() override { return int(m_barType); }
    void SetBarType(int value) override;
    QString GetText() override { return m_text; }
    void SetText(const QString &value) override;
    QString GetTextSup() override { return m_textSup; }
    void SetTextSup(const QString &value) override { m_textSup = value; }
    void SetZoom(double value) override { m_zoom = value; }
    double GetZoom() override { return m_zoom; }
    int GetFontHeightTop() override;
    int GetFontHeightBottom() override;

    QString GetDescription() const override;
    void Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY) override;
    TvdRectF GetRealBounds() override;
    // Text from the data field, else from the expression.
    void GetData() override;
    // The designed text comes back after each printed copy.
    void BeforePrint() override;
    void AfterPrint() override;
    void SaveContentToDictionary(TvdxReport *aReport, TvdxPostProcessor *postProcessor) override;
    bool LoadContentFromDictionary(TvdxReport *aReport, TvdxMacrosItem *aItem) override;
    void ProcessDictionary(TvdxMacrosItem *aItem, TvdxReport *aReport, TvdxPostProcessor *postProcessor) override;

private:
    void applySample();
    // Copies the object's settings and text into the engine.
    void loadEngine();
    void drawBearers(Canvas &canvas, const TRect &r, double scaleY, int left, int right);

    std::unique_ptr<TvdxBarcode> m_barcode;
    bool m_autoSize = true;
    TvdxBarcode::TvdxBarcodeType m_barType = TvdxBarcode::bcCode39;
    bool m_calcCheckSum = false;
    QString m_expression;
    TvdxHAlign m_hAlign = haLeft;
    int m_rotation = 0;
    bool m_showText = true;
    bool m_testLine = false;
    QString m_text = QStringLiteral("12345678");
    QString m_textSup;
    double m_ratio = 2.0;
    double m_zoom = 1.0;
    bool m_firstTry = false;
    bool m_macroLoaded = false;
    QString m_errorText;
    QString m_savedText;
    bool m_textSaved = false;
};

// Placed on a form so that an application links the barcode module.
class TvdxBarCodeObject : public TvdComponent {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TvdxBarCodeObject(TvdComponent *owner = nullptr) : TvdComponent(owner) {}
};
