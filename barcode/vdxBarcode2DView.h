// The report object that places a 2D symbol: it owns one engine chosen by
// its bar type, a settings object bound to that engine, and sizes itself to
// the symbol.
#pragma once
#include "barcode/vdxBarcode2DProperties.h"
#include "barcode/vdxBarcode2DTypes.h"
#include "barcode/vdxObjectDataPreset.h"
#include "report/vdxClass_view.h"

#include <memory>

// Engine and settings classes of each bar type. The engines of other types
// register themselves here; a type without an engine shows an error text.
struct TvdxBarcode2DFactory {
    std::function<std::unique_ptr<TvdxBarcode2DBase>()> Engine;
    std::function<std::unique_ptr<TvdxBarcode2DProperties>()> Properties;
};
void vdxRegister2DBarcode(TvdxBarcode2DType type, TvdxBarcode2DFactory factory);

class TvdxBarcode2DView : public TvdxView {
    Q_OBJECT
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(QString Expression READ Expression WRITE SetExpression)
    Q_PROPERTY(vdx2D::TvdxBarcode2DType BarType READ BarType WRITE SetBarType)
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(QString DataSetName READ DataSetName WRITE SetDataSetName)
    Q_PROPERTY(TvdxBarcode2DProperties *BarProperties READ BarProperties WRITE SetBarProperties)
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(int Rotation READ Rotation WRITE SetRotation)
    Q_PROPERTY(bool ShowText READ ShowText WRITE SetShowText)
    Q_PROPERTY(QString Text READ Text WRITE SetText)
    Q_PROPERTY(QString HexData READ HexData WRITE SetHexData STORED false)
    Q_PROPERTY(double Zoom READ Zoom WRITE SetZoom)
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
    Q_CLASSINFO("default:Color", "536870911")
    Q_CLASSINFO("default:Rotation", "0")
    Q_CLASSINFO("default:ShowText", "True")
    Q_CLASSINFO("default:FontScaled", "True")
    Q_CLASSINFO("default:QuietZone", "0")
    Q_CLASSINFO("default:ColorBar", "0")
public:
    Q_INVOKABLE explicit TvdxBarcode2DView(TvdComponent *owner = nullptr);
    ~TvdxBarcode2DView() override;

    bool AutoSize() const { return m_autoSize; }
    void SetAutoSize(bool value) { m_autoSize = value; }
    QString Expression() const { return m_expression; }
    void SetExpression(const QString &value) { m_expression = value; }
    TvdxBarcode2DType BarType() const { return m_barType; }
    // Replaces engine and settings unless the type stays the same.
    void SetBarType(TvdxBarcode2DType value);
    TvdxBarcode2DProperties *BarProperties() const { return m_prop.get(); }
    void SetBarProperties(TvdxBarcode2DProperties *value);
    int Color() const { return m_color; }
    void SetColor(int value) { m_color = TColor(value); }
    int Rotation() const { return m_engine->Rotation(); }
    void SetRotation(int value) { m_engine->SetRotation(value); }
    bool ShowText() const { return m_engine->ShowText(); }
    void SetShowText(bool value) { m_engine->SetShowText(value); }
    QString Text() const { return m_engine->Text(); }
    void SetText(const QString &value);
    // Four upper-case hex digits per UTF-16 unit, low byte first.
    QString HexData() const;
    void SetHexData(const QString &value);
    double Zoom() const { return m_engine->Zoom(); }
    void SetZoom(double value) { m_engine->SetZoom(value); }
    bool FontScaled() const { return m_engine->FontScaled(); }
    void SetFontScaled(bool value) { m_engine->SetFontScaled(value); }
    QString ErrorText() const { return m_engine->ErrorText(); }
    void SetErrorText(const QString &value) { m_engine->SetErrorText(value); }
    int QuietZone() const { return m_engine->QuietZone(); }
    void SetQuietZone(int value) { m_engine->SetQuietZone(value); }
    int ColorBar() const { return m_engine->ColorBar(); }
    void SetColorBar(int value) { m_engine->SetColorBar(TColor(value)); }
    QString TextSup() const { return m_engine->TextSup(); }
    void SetTextSup(const QString &value) { m_engine->SetTextSup(value); }
    TvdxBarcodeText *BarcodeText() const { return m_engine->BarcodeText(); }
    void SetBarcodeText(TvdxBarcodeText *value)
    {
        if (value)
            m_engine->BarcodeText()->Assign(value);
    }
    TvdxBarcode2DBase *Engine() const { return m_engine.get(); }
    TvdxObjectDataPreset *ExpressionPreset() const { return m_preset.get(); }
    QString Formats() const;
    void SetFormats(const QString &value);
    bool IsPropertyStored(const char *propName) const override;

    void SetWidth(long double value) override;
    void SetHeight(long double value) override;
    void Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY) override;
    // Resizes the object to the symbol after snapping the rotation.
    void FitToSymbol();
    // The text an expression gives at run time, when one is set.
    std::function<QString(const QString &expression)> OnEvaluate;
    void GetData() override;

private:
    void calcTextExtra(double &x, double &y) const;

    std::unique_ptr<TvdxObjectDataPreset> m_preset;
    std::unique_ptr<TvdxBarcode2DBase> m_engine;
    TvdxBarcode2DType m_barType = bcCodePDF417;
    std::unique_ptr<TvdxBarcode2DProperties> m_prop;
    QString m_expression;
    bool m_autoSize = true;
    TColor m_color = 0x1FFFFFFF;
};
