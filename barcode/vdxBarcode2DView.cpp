#include "barcode/vdxBarcode2DView.h"

#include "barcode/vdxAztecProperties.h"
#include "barcode/vdxBarcodeContent.h"
#include "barcode/vdxBarcodePDF417Properties.h"
#include "barcode/vdxGS1DatabarProperties.h"
#include "barcode/vdxMaxiCodeProperties.h"
#include "core/vdVariant.h"
#include "core/vdxRes.h"
#include "core/vdxUtils.h"
#include "core/vdxXMLSerializer.h"
#include "platform/QPainterCanvas.h"
#include "report/vdxClass_dataset.h"
#include "report/vdxClass_engine.h"
#include "report/vdxClass_report.h"

#include <QMetaEnum>
#include <cmath>
#include <map>

// From core/vdUtils.h, whose charset constants clash with the canvas's.
QString WideStrToHex(const QString &text);
QString HexToWideStr(const QString &hex);

namespace {

std::map<int, TvdxBarcode2DFactory> &factories()
{
    static std::map<int, TvdxBarcode2DFactory> table = [] {
        std::map<int, TvdxBarcode2DFactory> t;
        t[bcCodePDF417] = {[] { return std::make_unique<TvdxBarcodePDF417>(); }, [] { return std::make_unique<TvdxPDF417Properties>(); }};
        t[bcCodeDataMatrix] = {[] { return std::make_unique<TvdxBarcodeDataMatrix>(); }, [] { return std::make_unique<TvdxDataMatrixProperties>(); }};
        t[bcCodeQR] = {[] { return std::make_unique<TvdxBarcodeQR>(); },
                       [] { return std::make_unique<TvdxQRProperties>(); }};
        t[bcCodeAztec] = {[] { return std::make_unique<TvdxBarcodeAztec>(); },
                          [] { return std::make_unique<TvdxAztecProperties>(); }};
        t[bcCodeMaxiCode] = {[] { return std::make_unique<TvdxBarcodeMaxiCode>(); },
                             [] { return std::make_unique<TvdxMaxiCodeProperties>(); }};
        t[bcGS1DatabarE] = {[] { return std::make_unique<TvdxGS1DatabarE>(); },
                            [] { return std::make_unique<TvdxGS1DatabarEProperties>(); }};
        t[bcGS1DatabarES] = {[] { return std::make_unique<TvdxGS1DatabarES>(); },
                             [] { return std::make_unique<TvdxGS1DatabarESProperties>(); }};
        t[bcPharmacodeTT] = {[] { return std::make_unique<TvdxPTTDatabar>(); },
                             [] { return std::make_unique<TvdxPTTDatabarProperties>(); }};
        return t;
    }();
    return table;
}

// Stands in for a type whose engine is not built in.
class TvdxMissingEngine : public TvdxBarcode2DBaseWithUnion {
public:
    explicit TvdxMissingEngine(TvdxBarcode2DType type)
    {
        m_message = QStringLiteral("Bar type %1 is not available")
                        .arg(QString::fromLatin1(QMetaEnum::fromType<TvdxBarcode2DType>().valueToKey(type)));
        m_errorText = m_message;
    }
    void SetText(const QString &value) override
    {
        TvdxBarcode2DBase::SetText(value);
        m_errorText = m_message;
    }

private:
    QString m_message;
};

int R(double v) { return int(std::nearbyint(v)); }

} // namespace

void vdxRegister2DBarcode(TvdxBarcode2DType type, TvdxBarcode2DFactory factory)
{
    factories()[type] = std::move(factory);
}

TvdxBarcode2DView::TvdxBarcode2DView(TvdComponent *owner)
    : TvdxStretcheable(owner), m_preset(std::make_unique<TvdxObjectDataPreset>(this))
{
    // The engine comes with the first use: a loaded object names its type
    // before, so that only the engine of that type is made.
    SetWidth(0);
    SetHeight(0);
    SetStretchMode(smActualHeight);
}

TvdxBarcode2DView::~TvdxBarcode2DView()
{
    // The preset puts the settings it changed back first.
    m_preset.reset();
}

TvdxBarcode2DView *TvdxBarcode2DView::DesignCreate(TvdComponent *owner, int flags)
{
    auto *v = TvdxComponent::DesignCreate<TvdxBarcode2DView>(owner, flags);
    v->SetBarType(flags);
    return v;
}

QString TvdxBarcode2DView::GetDescription() const { return GetResStrByName(QStringLiteral("obBarC")); }

void TvdxBarcode2DView::SetBarType(int value)
{
    if (value >= bcCodePDF417 && value <= bcPharmacodeTT)
        SetBarType(TvdxBarcode2DType(value));
}

int TvdxBarcode2DView::GetFontHeightTop() { return CaptionBandHeight(this, BarFont(), TvdxTextSettings::btpTop); }

int TvdxBarcode2DView::GetFontHeightBottom()
{
    return CaptionBandHeight(this, BarFont(), TvdxTextSettings::btpBottom);
}

TvdxExtPropList *TvdxBarcode2DView::GetExtProperties()
{
    if (!m_extPropList) {
        m_extPropList = std::make_unique<TvdxExtPropList>();
        m_extPropList->AddProperty(
            QStringLiteral("ExpressionPreset"), QMetaType::fromType<TvdxObjectDataPreset *>(),
            [](const QObject *o) {
                auto *v = qobject_cast<const TvdxBarcode2DView *>(o);
                return v ? QVariant::fromValue(v->ExpressionPreset()) : QVariant();
            },
            nullptr);
    }
    return m_extPropList.get();
}

QString TvdxBarcode2DView::Formats() const
{
    if (!m_preset->IsHasPresetData())
        return QString();
    TvdxXMLSerializer s;
    return s.ObjToXML(m_preset.get()).trimmed();
}

void TvdxBarcode2DView::SetFormats(const QString &value)
{
    TvdxXMLSerializer s;
    s.XMLToObj(value, m_preset.get());
    if (TvdxReport *report = Report())
        for (const QString &e : s.Errors())
            report->AddError(e);
}

bool TvdxBarcode2DView::IsPropertyStored(const char *propName) const
{
    if (qstrcmp(propName, "Formats") == 0)
        return m_preset->IsHasPresetData();
    return TvdxStretcheable::IsPropertyStored(propName);
}

void TvdxBarcode2DView::SetBarType(TvdxBarcode2DType value)
{
    if (value == m_barType)
        return;
    m_barType = value;
    // Settings of the old engine do not carry over: the new one starts fresh,
    // now or at its first use.
    if (m_engine)
        makeEngine();
    if (TvdxReport *report = Report())
        if (TvdxCustomDesigner *designer = report->Designer())
            designer->UpdateInspector();
}

void TvdxBarcode2DView::makeEngine() const
{
    const auto it = factories().find(m_barType);
    if (it != factories().end()) {
        m_engine = it->second.Engine();
        m_prop = it->second.Properties();
    } else {
        m_engine = std::make_unique<TvdxMissingEngine>(m_barType);
        m_prop = std::make_unique<TvdxPTTDatabarProperties>();
    }
    if (m_engine->IsScaled())
        m_engine->SetHeight(R(double(Height())));
    m_prop->SetWhose(m_engine.get());
}

void TvdxBarcode2DView::SetBarProperties(TvdxBarcode2DProperties *value)
{
    if (value && value != BarProperties())
        m_prop->Assign(value);
}

void TvdxBarcode2DView::SetText(const QString &value)
{
    engine()->SetText(value);
    // Stored settings that shape the symbol (its encoding, zoom, quiet zone,
    // caption font) are read after the text: the size waits for them.
    if (HasState(csLoading)) {
        m_fitPending = true;
        return;
    }
    fitToText();
}

void TvdxBarcode2DView::fitToText()
{
    m_fitPending = false;
    const bool turned = Rotation() == 90 || Rotation() == 270;
    const int along = turned ? engine()->Height() : engine()->Width();
    if (!m_autoSize && along != 0)
        SetZoom(double(Width()) / along);
    FitToSymbol();
}

void TvdxBarcode2DView::Loaded()
{
    TvdxStretcheable::Loaded();
    if (m_fitPending)
        fitToText();
}

QString TvdxBarcode2DView::HexData() const
{
    return WideStrToHex(engine()->Text());
}

void TvdxBarcode2DView::SetHexData(const QString &value)
{
    SetText(HexToWideStr(value));
}

void TvdxBarcode2DView::calcTextExtra(double &x, double &y) const
{
    x = y = 0;
    if (FontScaled() || !ShowText())
        return;
    const int footer = engine()->GetFooterHeight();
    if (Rotation() == 90 || Rotation() == 270)
        x = footer;
    else
        y = footer;
    x -= Zoom() * x;
    y -= Zoom() * y;
}

void TvdxBarcode2DView::FitToSymbol()
{
    const int r = Rotation();
    int snapped = 0;
    if (r >= 0 && r <= 44)
        snapped = 0;
    else if (r >= 45 && r <= 135)
        snapped = 90;
    else if (r >= 136 && r <= 224)
        snapped = 180;
    else if (r >= 225 && r <= 315)
        snapped = 270;
    SetRotation(snapped);
    int w = engine()->Width(), h = engine()->Height();
    const bool turned = snapped == 90 || snapped == 270;
    if (turned)
        std::swap(w, h);
    double x, y;
    calcTextExtra(x, y);
    if (!(engine()->IsScaled() && turned))
        SetWidth(w * Zoom() + x);
    if (!(engine()->IsScaled() && !turned))
        SetHeight(h * Zoom() + y);
}

void TvdxBarcode2DView::SetRotation(int value)
{
    const auto isTurned = [](int r) { return r == 90 || r == 270; };
    const bool wasTurned = isTurned(engine()->Rotation());
    engine()->SetRotation(value);
    if (engine()->IsScaled() && wasTurned != isTurned(engine()->Rotation()))
        engine()->SetHeight(R(double(isTurned(engine()->Rotation()) ? Width() : Height())));
}

// Turned by a quarter, the object's width runs along the symbol's height and
// its height along the symbol's width.
void TvdxBarcode2DView::SetWidth(long double value)
{
    // A fresh engine is neither turned nor zoomed by an automatic size: it
    // needs making only when the size sets its zoom.
    if (!m_engine && m_autoSize) {
        TvdxStretcheable::SetWidth(value);
        return;
    }
    const bool turned = Rotation() == 90 || Rotation() == 270;
    const int along = turned ? engine()->Height() : engine()->Width();
    if (engine()->IsScaled() && turned) {
        engine()->SetHeight(R(double(value)));
    } else if (!m_autoSize && std::fabs(double(value - Width())) > 1e-9 && along != 0) {
        double x, y;
        calcTextExtra(x, y);
        SetZoom((double(value) - x) / along);
    }
    TvdxStretcheable::SetWidth(value);
}

void TvdxBarcode2DView::SetHeight(long double value)
{
    // A scaled engine made later takes its height from the object then.
    if (!m_engine && m_autoSize) {
        TvdxStretcheable::SetHeight(value);
        return;
    }
    const bool turned = Rotation() == 90 || Rotation() == 270;
    const int along = turned ? engine()->Width() : engine()->Height();
    if (engine()->IsScaled() && !turned) {
        engine()->SetHeight(R(double(value)));
    } else if (!m_autoSize && std::fabs(double(value - Height())) > 1e-9 && along != 0) {
        double x, y;
        calcTextExtra(x, y);
        SetZoom((double(value) - y) / along);
    }
    TvdxStretcheable::SetHeight(value);
}

void TvdxBarcode2DView::GetData()
{
    TvdxStretcheable::GetData();
    if (m_preset->IsHasPresetData())
        engine()->SetText(m_preset->GetData(Report()));
    else if (IsDataField())
        engine()->SetText(VarToStr(DataSet()->GetValue(DataField())));
    else if (!m_expression.isEmpty())
        if (TvdxReport *report = Report())
            engine()->SetText(VarToStr(report->Calc(m_expression)));
    // Encoding errors also reach the report's error list.
    if (!engine()->ErrorText().isEmpty())
        if (TvdxReport *report = Report())
            report->AddError(QStringLiteral("%1: %2").arg(Name(), engine()->ErrorText()));
    const bool turned = Rotation() == 90 || Rotation() == 270;
    const int along = turned ? engine()->Height() : engine()->Width();
    if (!m_autoSize && along != 0)
        SetZoom(double(Width()) / along);
}

void TvdxBarcode2DView::BeforePrint()
{
    TvdxStretcheable::BeforePrint();
    m_savedText = Text();
    m_textSaved = true;
}

void TvdxBarcode2DView::AfterPrint()
{
    if (m_textSaved && m_savedText != Text())
        engine()->SetText(m_savedText);
    m_textSaved = false;
    TvdxStretcheable::AfterPrint();
}

void TvdxBarcode2DView::SaveContentToDictionary(TvdxReport *, TvdxPostProcessor *postProcessor)
{
    vdxBarcodeContent::Save(this, [this] { return Text(); }, [this](const QString &t) { SetText(t); },
                            postProcessor);
}

bool TvdxBarcode2DView::LoadContentFromDictionary(TvdxReport *, TvdxMacrosItem *aItem)
{
    vdxBarcodeContent::Load(aItem, m_macroLoaded, [this] { return Text(); },
                            [this](const QString &t) { SetText(t); });
    return false;
}

void TvdxBarcode2DView::ProcessDictionary(TvdxMacrosItem *aItem, TvdxReport *aReport, TvdxPostProcessor *)
{
    vdxBarcodeContent::Process(this, aItem, aReport, [this] { return Text(); },
                               [this](const QString &t) { engine()->SetText(t); });
}

void TvdxBarcode2DView::Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY)
{
    engine()->SetColor(Color() == clNone ? 0xFFFFFF : Color());
    FitToSymbol();
    PrepareDrawBounds(canvas, scaleX, scaleY, offsetX, offsetY);
    const TRect area(FX(), FY(), FX1(), FY1());
    if (!engine()->ErrorText().isEmpty()) {
        vdxDrawBarcodeError(canvas, TRect(area.Left + 2, area.Top + 2, area.Right, area.Bottom), scaleY,
                            engine()->ErrorText());
        return;
    }
    PaintFill();
    const bool metafile = ObjAsMetafile();
    if (!metafile)
        m_preset->BeginDraw(canvas, scaleX, scaleY, area);
    try {
        engine()->Draw2DBarcode(canvas, scaleX, scaleY, area.Left, area.Top);
    } catch (...) {
        m_preset->EndDraw(canvas, scaleX, scaleY, area);
        throw;
    }
    m_preset->EndDraw(canvas, scaleX, scaleY, area);
    PaintFrame();
}

TvdRectF TvdxBarcode2DView::GetRealBounds()
{
    {
        QImage scratch(4, 4, QImage::Format_RGB32);
        QPainterCanvas canvas(scratch);
        Draw(canvas, 1, 1, 0, 0);
    }
    return TvdxStretcheable::GetRealBounds();
}

double TvdxBarcode2DView::CalcHeight()
{
    if (!m_autoSize)
        return double(Height());
    const long double saved = Height();
    const TvdRectF b = GetRealBounds();
    SetHeight(saved);
    return double(b.Bottom - b.Top);
}

void TvdxBarcode2DView::GetScaleFactor(double &scaleX, double &scaleY)
{
    TvdxStretcheable::GetScaleFactor(scaleX, scaleY);
    scaleX = scaleY = Zoom();
}

TvdxMetafile *TvdxBarcode2DView::GetVectorGraphic(bool drawFill, double aScaleX, double aScaleY)
{
    FitToSymbol();
    const double z = Zoom() > 0 ? Zoom() : 1;
    return TvdxStretcheable::GetVectorGraphic(drawFill, aScaleX / z, aScaleY / z);
}

static const bool registered = [] {
    vdRegisterClass<TvdxBarcode2DView>();
    vdRegisterClass<TvdxQRProperties>();
    vdRegisterClass<TvdxPTTDatabarProperties>();
    vdRegisterClass<TvdxAztecProperties>();
    vdRegisterClass<TvdxMaxiCodeProperties>();
    vdRegisterClass<TvdxGS1DatabarEProperties>();
    vdRegisterClass<TvdxGS1DatabarESProperties>();
    return true;
}();
