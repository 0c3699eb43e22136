// The report object that places a 2D symbol: it owns one engine chosen by
// its bar type (made on first use), a settings object bound to that engine, and sizes itself to
// the symbol.
#pragma once
#include "barcode/vdxBarcode2DProperties.h"
#include "barcode/vdxBarcode2DTypes.h"
#include "barcode/vdxBarcodeView.h"
#include "barcode/vdxObjectDataPreset.h"
#include "report/vdxClass_memo.h"
#include "report/vdxClass_preset.h"

#include <memory>

// Engine and settings classes of each bar type. The engines of other types
// register themselves here; a type without an engine shows an error text.
struct TvdxBarcode2DFactory {
    std::function<std::unique_ptr<TvdxBarcode2DBase>()> Engine;
    std::function<std::unique_ptr<TvdxBarcode2DProperties>()> Properties;
};
void vdxRegister2DBarcode(TvdxBarcode2DType type, TvdxBarcode2DFactory factory);

class TvdxBarcode2DView : public TvdxStretcheable, public IvdxBarCodeView, public IInspectedProperties {
    Q_OBJECT
    Q_INTERFACES(IvdxBarCodeView IInspectedProperties)
public:
    using TvdxHAlign = TvdxBarCodeView::TvdxHAlign;

private:
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(QString Expression READ Expression WRITE SetExpression)
    Q_PROPERTY(vdx2D::TvdxBarcode2DType BarType READ BarType WRITE SetBarType)
    Q_PROPERTY(TvdxBarcode2DProperties *BarProperties READ BarProperties WRITE SetBarProperties)
    Q_PROPERTY(TvdxCustomFill::TBrushStyle BrushStyle READ BrushStyle WRITE SetBrushStyle STORED false)
    Q_PROPERTY(int Color READ Color WRITE SetColor STORED false)
    Q_PROPERTY(int Cursor READ Cursor WRITE SetCursor)
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(QString DataSetName READ DataSetName WRITE SetDataSetName)
    Q_PROPERTY(TvdxCustomFill::TvdxFillType FillType READ FillType WRITE SetFillType)
    Q_PROPERTY(TvdxCustomFill *Fill READ Fill WRITE SetFill)
    Q_PROPERTY(TvdxFrame *Frame READ Frame WRITE SetFrame)
    Q_PROPERTY(TvdxBarCodeView::TvdxHAlign HAlign READ HAlign WRITE SetHAlign)
    Q_PROPERTY(TvdxObjectProcessing *Processing READ Processing WRITE SetProcessing)
    Q_PROPERTY(int Rotation READ Rotation WRITE SetRotation)
    Q_PROPERTY(bool ShowText READ ShowText WRITE SetShowText)
    Q_PROPERTY(QString Style READ Style WRITE SetStyle)
    Q_PROPERTY(QString TagStr READ TagStr WRITE SetTagStr)
    Q_PROPERTY(QString Text READ Text WRITE SetText)
    Q_PROPERTY(QString HexData READ HexData WRITE SetHexData STORED false)
    Q_PROPERTY(QString URL READ URL WRITE SetURL STORED false)
    Q_PROPERTY(double Zoom READ Zoom WRITE SetZoom)
    Q_PROPERTY(TvdFont *Font READ BarFont)
    Q_PROPERTY(bool FontScaled READ FontScaled WRITE SetFontScaled)
    Q_PROPERTY(QString ErrorText READ ErrorText WRITE SetErrorText STORED false)
    Q_PROPERTY(int QuietZone READ QuietZone WRITE SetQuietZone)
    Q_PROPERTY(int ColorBar READ ColorBar WRITE SetColorBar)
    Q_PROPERTY(QString TextSup READ TextSup WRITE SetTextSup)
    Q_PROPERTY(TvdxBarcodeText *BarcodeText READ BarcodeText WRITE SetBarcodeText)
    // The preset holder as one attribute, written only while a preset is attached.
    Q_PROPERTY(QString Formats READ Formats WRITE SetFormats DESIGNABLE false)
    Q_CLASSINFO("default:AutoSize", "True")
    Q_CLASSINFO("default:BarType", "bcCodePDF417")
    Q_CLASSINFO("default:Cursor", "0")
    Q_CLASSINFO("default:FillType", "ftBrush")
    Q_CLASSINFO("default:HAlign", "haLeft")
    Q_CLASSINFO("default:StretchMode", "smActualHeight")
    Q_CLASSINFO("default:Rotation", "0")
    Q_CLASSINFO("default:ShowText", "True")
    Q_CLASSINFO("default:FontScaled", "True")
    Q_CLASSINFO("default:QuietZone", "0")
    Q_CLASSINFO("default:ColorBar", "0")
public:
    Q_INVOKABLE explicit TvdxBarcode2DView(TvdComponent *owner = nullptr);
    ~TvdxBarcode2DView() override;
    // A new object placed from the palette: flags carry the 2D type.
    static TvdxBarcode2DView *DesignCreate(TvdComponent *owner, int flags);

    bool AutoSize() const { return m_autoSize; }
    void SetAutoSize(bool value) { m_autoSize = value; }
    QString Expression() const { return m_expression; }
    void SetExpression(const QString &value) { m_expression = value; }
    TvdxBarcode2DType BarType() const { return m_barType; }
    // Replaces engine and settings unless the type stays the same.
    void SetBarType(TvdxBarcode2DType value);
    TvdxBarcode2DProperties *BarProperties() const
    {
        engine();
        return m_prop.get();
    }
    void SetBarProperties(TvdxBarcode2DProperties *value);
    TvdxHAlign HAlign() const { return m_hAlign; }
    void SetHAlign(TvdxHAlign value) { m_hAlign = value; }
    int Rotation() const { return engine()->Rotation(); }
    // The bar-height symbologies take their bar height from the extent across
    // the symbol: turning by a quarter swaps it between height and width.
    void SetRotation(int value);
    bool ShowText() const { return engine()->ShowText(); }
    void SetShowText(bool value) { engine()->SetShowText(value); }
    QString Text() const { return engine()->Text(); }
    void SetText(const QString &value) override;
    // Four upper-case hex digits per UTF-16 unit, low byte first.
    QString HexData() const;
    void SetHexData(const QString &value);
    double Zoom() const { return engine()->Zoom(); }
    void SetZoom(double value) override { engine()->SetZoom(value); }
    TvdFont *BarFont() const { return engine()->Font(); }
    bool FontScaled() const { return engine()->FontScaled(); }
    void SetFontScaled(bool value) { engine()->SetFontScaled(value); }
    QString ErrorText() const { return engine()->ErrorText(); }
    void SetErrorText(const QString &value) { engine()->SetErrorText(value); }
    int QuietZone() const { return engine()->QuietZone(); }
    void SetQuietZone(int value) { engine()->SetQuietZone(value); }
    int ColorBar() const { return engine()->ColorBar(); }
    void SetColorBar(int value) { engine()->SetColorBar(TColor(value)); }
    QString TextSup() const { return engine()->TextSup(); }
    void SetTextSup(const QString &value) override { engine()->SetTextSup(value); }
    TvdxBarcodeText *BarcodeText() const { return engine()->BarcodeText(); }
    void SetBarcodeText(TvdxBarcodeText *value) override
    {
        if (value)
            engine()->BarcodeText()->Assign(value);
    }
    // Made for the bar type on first use; owned by the object.
    TvdxBarcode2DBase *Engine() const { return engine(); }
    virtual TvdxObjectDataPreset *ExpressionPreset() const { return m_preset.get(); }
    QString Formats() const;
    void SetFormats(const QString &value);
    bool IsPropertyStored(const char *propName) const override;

    // IvdxBarCodeView
    TvdxBarcodeText *GetBarcodeText() override { return BarcodeText(); }
    int GetBarType() override { return int(m_barType); }
    void SetBarType(int value) override;
    QString GetText() override { return Text(); }
    QString GetTextSup() override { return TextSup(); }
    double GetZoom() override { return Zoom(); }
    int GetFontHeightTop() override;
    int GetFontHeightBottom() override;
    // IInspectedProperties: the preset holder, which is not published.
    TvdxExtPropList *GetExtProperties() override;

    QString GetDescription() const override;
    void SetWidth(long double value) override;
    void SetHeight(long double value) override;
    void Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY) override;
    TvdRectF GetRealBounds() override;
    double CalcHeight() override;
    double DrawPart() override { return double(Height()); }
    void GetScaleFactor(double &scaleX, double &scaleY) override;
    TvdxMetafile *GetVectorGraphic(bool drawFill, double aScaleX, double aScaleY) override;
    // Resizes the object to the symbol after snapping the rotation.
    void FitToSymbol();
    // A text read from a file is fitted here, once every setting is read.
    void Loaded() override;
    // Text from the preset, else the data field, else the expression.
    void GetData() override;
    // The designed text comes back after each printed copy.
    void BeforePrint() override;
    void AfterPrint() override;
    void SaveContentToDictionary(TvdxReport *aReport, TvdxPostProcessor *postProcessor) override;
    bool LoadContentFromDictionary(TvdxReport *aReport, TvdxMacrosItem *aItem) override;
    void ProcessDictionary(TvdxMacrosItem *aItem, TvdxReport *aReport, TvdxPostProcessor *postProcessor) override;

private:
    TvdxBarcode2DBase *engine() const
    {
        if (!m_engine)
            makeEngine();
        return m_engine.get();
    }
    // A fresh engine and settings of the bar type.
    void makeEngine() const;
    void calcTextExtra(double &x, double &y) const;
    // Zoom (without automatic size) and size for the current text.
    void fitToText();

    std::unique_ptr<TvdxObjectDataPreset> m_preset;
    mutable std::unique_ptr<TvdxBarcode2DBase> m_engine;
    TvdxBarcode2DType m_barType = bcCodePDF417;
    TvdxHAlign m_hAlign = TvdxBarCodeView::haLeft;
    mutable std::unique_ptr<TvdxBarcode2DProperties> m_prop;
    QString m_expression;
    bool m_macroLoaded = false;
    bool m_fitPending = false;
    bool m_autoSize = true;
    std::unique_ptr<TvdxExtPropList> m_extPropList;
    QString m_savedText;
    bool m_textSaved = false;
};
