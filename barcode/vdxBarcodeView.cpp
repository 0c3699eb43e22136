#include "barcode/vdxBarcodeView.h"
#include "barcode/vdxBarcodeContent.h"
#include "core/vdVariant.h"
#include "core/vdxRes.h"
#include "core/vdxUtils.h"
#include "report/vdxClass_dataset.h"
#include "report/vdxClass_report.h"
#include "platform/CodePage.h"
#include "platform/QPainterCanvas.h"

namespace {

int roundInt(double v) { return int(RoundHalfEven(v)); }

bool isHorizontal(int rotation) { return rotation == 0 || rotation == 180; }

// Room in modules for the digits EAN and UPC print outside their bars.
void extraMargins(TvdxBarcode::TvdxBarcodeType type, int rotation, int &left, int &right)
{
    left = right = 0;
    switch (type) {
    case TvdxBarcode::bcCodeEAN13: left = 8; break;
    case TvdxBarcode::bcCodeUPC_A: left = 8; right = 9; break;
    case TvdxBarcode::bcCodeUPC_E0: case TvdxBarcode::bcCodeUPC_E1: right = 9; break;
    default: break;
    }
    if (rotation == 180 || rotation == 270)
        std::swap(left, right);
}

} // namespace

int CaptionBandHeight(IvdxBarCodeView *view, TvdFont *mainFont, TvdxTextSettings::TvdxBarTextPos p)
{
    TvdxBarcodeText *text = view->GetBarcodeText();
    if (text->TextSettings()->BarTextPos() == p)
        return roundInt(view->GetZoom() * (4 - mainFont->Height()));
    if (text->SupSettings()->BarTextPos() == p && !view->GetTextSup().isEmpty())
        return roundInt(view->GetZoom() * (4 - text->SupSettings()->Font()->Height()));
    return 0;
}

// ---------------------------------------------------------------------------
TvdxBarCodeView::TvdxBarCodeView(TvdComponent *owner) : TvdxView(owner), m_barcode(std::make_unique<TvdxBarcode>())
{
    SetWidth(100);
    SetHeight(50);
    TvdFont *font = BarFont();
    font->SetName(QStringLiteral("Arial"));
    font->SetPixelsPerInch(96);
    font->SetSize(9);
    // The caption band is sized for at most 9 points.
    font->OnChange = [font]() {
        if (font->Size() > 9)
            font->SetSize(9);
    };
}

TvdxBarCodeView::~TvdxBarCodeView()
{
    BarFont()->OnChange = nullptr;
}

TvdxBarCodeView *TvdxBarCodeView::DesignCreate(TvdComponent *owner, int flags)
{
    auto *v = TvdxComponent::DesignCreate<TvdxBarCodeView>(owner, flags);
    if (flags >= 0 && flags < TvdxBarcode::TypeCount)
        v->SetBarTypeValue(TvdxBarcode::TvdxBarcodeType(flags));
    v->applySample();
    return v;
}

TvdFont *TvdxBarCodeView::BarFont() const { return m_barcode->BarcodeText()->TextSettings()->Font(); }

void TvdxBarCodeView::SetBarTypeValue(TvdxBarcode::TvdxBarcodeType value)
{
    if (unsigned(value) >= unsigned(TvdxBarcode::TypeCount) || value == m_barType)
        return;
    m_barType = value;
    // Only an edit in the designer may replace the text by a sample; a
    // template that loads or a report that runs keeps its text and shows the error.
    m_firstTry = IsDesigning() && !IsLoading();
}

void TvdxBarCodeView::SetBarType(int value) { SetBarTypeValue(TvdxBarcode::TvdxBarcodeType(value)); }

void TvdxBarCodeView::SetBarcodeText(TvdxBarcodeText *value)
{
    if (value)
        m_barcode->BarcodeText()->Assign(value);
}

void TvdxBarCodeView::SetText(const QString &value)
{
    m_text = value;
    if (Align() == baRight || Align() == baCenter)
        GetRealBounds();
}

QString TvdxBarCodeView::SampleText(TvdxBarcode::TvdxBarcodeType type, bool *checksum)
{
    bool cs = false;
    QString s = QStringLiteral("12345678");
    switch (type) {
    case TvdxBarcode::bcCode_ITF_14: s = QStringLiteral("12345678912345"); cs = true; break;
    case TvdxBarcode::bcCodeUSPSIntelligentMail: s = QStringLiteral("12345678901234567890"); break;
    case TvdxBarcode::bcCodePlessey: s = QStringLiteral("0123456789ABCDEF"); cs = true; break;
    case TvdxBarcode::bcGS1Code128: s = QStringLiteral("(01)12345678901234"); break;
    case TvdxBarcode::bcPharmacode: s = QStringLiteral("123456"); break;
    case TvdxBarcode::bcDeutsche_Post_Identcode: s = QStringLiteral("01234567890"); cs = true; break;
    // Add-ons and UPC-E take no more digits than they encode.
    case TvdxBarcode::bcCodeUPC_Supp2: s = QStringLiteral("12"); break;
    case TvdxBarcode::bcCodeUPC_Supp5: s = QStringLiteral("12345"); break;
    case TvdxBarcode::bcCodeUPC_E0: case TvdxBarcode::bcCodeUPC_E1:
        s = QStringLiteral("1234565");
        cs = true;
        break;
    case TvdxBarcode::bcDeutsche_Post_Leitcode: s = QStringLiteral("0123456789012"); cs = true; break;
    // EAN and UPC samples get their check digit computed so they encode.
    case TvdxBarcode::bcCodeEAN8: case TvdxBarcode::bcCodeEAN13: case TvdxBarcode::bcCodeUPC_A:
        cs = true;
        break;
    default: break;
    }
    if (checksum)
        *checksum = cs;
    return s;
}

void TvdxBarCodeView::applySample()
{
    bool cs = false;
    m_text = SampleText(m_barType, &cs);
    if (cs)
        m_calcCheckSum = true;
}

QString TvdxBarCodeView::GetDescription() const { return GetResStrByName(QStringLiteral("obBarC")); }

int TvdxBarCodeView::GetFontHeightTop() { return CaptionBandHeight(this, BarFont(), TvdxTextSettings::btpTop); }

int TvdxBarCodeView::GetFontHeightBottom()
{
    return CaptionBandHeight(this, BarFont(), TvdxTextSettings::btpBottom);
}

void TvdxBarCodeView::loadEngine()
{
    TvdxBarcode &bc = *m_barcode;
    bc.Angle = m_rotation;
    bc.Checksum = m_calcCheckSum;
    bc.SetTyp(m_barType);
    bc.Ratio = m_ratio;
    // The symbol's background: none over a gradient or glass fill, else the
    // fill's colour, white when it has none.
    bc.Color = clWhite;
    if (FillType() != ftBrush)
        bc.Color = clNone;
    else if (Color() != clNone)
        bc.Color = Color();
    bc.Text = EncodeAnsi(m_text);
    bc.TextSup = EncodeAnsi(m_textSup);
}

void TvdxBarCodeView::Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY)
{
    TvdxBarcode &bc = *m_barcode;
    loadEngine();
    const bool horizontal = isHorizontal(m_rotation);
    const long double oldSize = horizontal ? Width() : Height();
    if (!(m_zoom >= 0.0001) || !std::isfinite(m_zoom))
        m_zoom = 1;
    int left = 0, right = 0;
    extraMargins(m_barType, m_rotation, left, right);

    m_errorText.clear();
    try {
        const int W = bc.Width() + left + right;
        if (m_autoSize) {
            if (horizontal)
                SetWidth(W * m_zoom);
            else
                SetHeight(W * m_zoom);
        } else {
            m_zoom = double(horizontal ? Width() : Height()) / W;
            if (!(m_zoom >= 0.0001))
                m_zoom = 1;
        }
    } catch (const Exception &e) {
        if (m_firstTry) {
            m_firstTry = false;
            applySample();
            Draw(canvas, scaleX, scaleY, offsetX, offsetY);
            return;
        }
        m_errorText = e.message();
        if (TvdxReport *r = Report())
            r->AddError(QStringLiteral("%1: %2").arg(Name(), m_errorText));
    }

    const long double diff = oldSize - (horizontal ? Width() : Height());
    if (m_hAlign == haRight || m_hAlign == haCenter) {
        const long double d = m_hAlign == haRight ? diff : diff / 2;
        if (horizontal)
            SetLeft(Left() + d);
        else
            SetTop(Top() + d);
    }

    PrepareDrawBounds(canvas, scaleX, scaleY, offsetX, offsetY);
    const int X = FX(), Y = FY(), X1 = FX1(), Y1 = FY1();
    double sx = 1, sy = 1;
    GetScreenScale(false, sx, sy);
    PaintFill();

    if (m_errorText.isEmpty()) {
        const double z = m_zoom;
        const int l = roundInt(left * scaleX * z), r = roundInt(right * scaleX * z);
        const TRect symbol = horizontal ? TRect(X + l, Y, X1 - r, Y1) : TRect(X, Y + r, X1, Y1 - l);
        try {
            bc.DrawBarcode(canvas, symbol, m_showText, sx, sy, false);
            drawBearers(canvas, TRect(X, Y, X1, Y1), scaleY, l, r);
        } catch (const Exception &e) {
            m_errorText = e.message();
        }
    }
    if (!m_errorText.isEmpty())
        vdxDrawBarcodeError(canvas, TRect(X + 2, Y + 2, X1, Y1), scaleY, m_errorText);
    PaintFrame();
}

void TvdxBarCodeView::GetData()
{
    TvdxView::GetData();
    if (IsDataField())
        m_text = VarToStr(DataSet()->GetValue(DataField()));
    else if (!m_expression.isEmpty())
        if (TvdxReport *r = Report())
            m_text = VarToStr(r->Calc(m_expression));
    // A text that does not encode is listed with the report's errors at once.
    if (TvdxReport *r = Report()) {
        loadEngine();
        try {
            m_barcode->Width();
        } catch (const Exception &e) {
            r->AddError(QStringLiteral("%1: %2").arg(Name(), e.message()));
        }
    }
}

void TvdxBarCodeView::BeforePrint()
{
    TvdxView::BeforePrint();
    m_savedText = m_text;
    m_textSaved = true;
}

void TvdxBarCodeView::AfterPrint()
{
    if (m_textSaved)
        m_text = m_savedText;
    m_textSaved = false;
    TvdxView::AfterPrint();
}

void TvdxBarCodeView::SaveContentToDictionary(TvdxReport *, TvdxPostProcessor *postProcessor)
{
    vdxBarcodeContent::Save(this, [this] { return m_text; }, [this](const QString &t) { m_text = t; },
                            postProcessor);
}

bool TvdxBarCodeView::LoadContentFromDictionary(TvdxReport *, TvdxMacrosItem *aItem)
{
    vdxBarcodeContent::Load(aItem, m_macroLoaded, [this] { return m_text; }, [this](const QString &t) { m_text = t; });
    return false;
}

void TvdxBarCodeView::ProcessDictionary(TvdxMacrosItem *aItem, TvdxReport *aReport, TvdxPostProcessor *)
{
    vdxBarcodeContent::Process(this, aItem, aReport, [this] { return m_text; },
                               [this](const QString &t) { m_text = t; });
}

void vdxDrawBarcodeError(Canvas &canvas, const TRect &r, double scaleY, const QString &message)
{
    canvas.SaveDC();
    CanvasFont f;
    f.name = QStringLiteral("Arial");
    canvas.setFont(f);
    canvas.SetFontSize(std::max(1, roundInt(scaleY * 8)));
    canvas.SetTextColor(clRed);
    canvas.SetBkMode(BkMode::Transparent);
    canvas.pen().color = clBlack;
    canvas.IntersectClipRect(r);
    // Word-wrapped into the rectangle.
    const int width = r.Right - r.Left;
    const int lineHeight = std::max(1, canvas.TextHeight(QStringLiteral("Wg")));
    int y = r.Top;
    QString line;
    auto flush = [&]() {
        canvas.TextOut(r.Left, y, line);
        y += lineHeight;
        line.clear();
    };
    for (const QString &word : message.split(QLatin1Char(' '))) {
        const QString tryLine = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (!line.isEmpty() && canvas.TextWidth(tryLine) > width)
            flush(), line = word;
        else
            line = tryLine;
        if (y > r.Bottom)
            break;
    }
    if (!line.isEmpty())
        flush();
    canvas.RestoreDC(-1);
}

void TvdxBarCodeView::drawBearers(Canvas &canvas, const TRect &o, double scaleY, int l, int r)
{
    const bool itf = m_barType == TvdxBarcode::bcCode_ITF_14;
    if (!itf && !m_testLine)
        return;
    canvas.SaveDC();
    canvas.pen().style = PenStyle::Null;
    canvas.brush().style = BrushStyle::Solid;
    canvas.brush().color = m_barcode->ColorBar;
    // The bearer rectangles of the upright symbol, turned with it below.
    const int w = isHorizontal(m_rotation) ? o.Right - o.Left : o.Bottom - o.Top;
    const int h = isHorizontal(m_rotation) ? o.Bottom - o.Top : o.Right - o.Left;
    QList<TRect> bars;
    if (itf) {
        const int t = roundInt(m_zoom * (Frame()->Width() + 4) * scaleY);
        const int a = m_showText ? roundInt(m_zoom * (4 - BarFont()->Height()) * scaleY) : 0;
        const int k = m_showText ? roundInt(scaleY * m_zoom) : 0;
        bars << TRect(l, 0, w - r, t) << TRect(l, h - a - t + k, w - r, h - a + k);
        if (!m_testLine)
            bars << TRect(l, 0, l + t, h - a) << TRect(w - r - t, 0, w - r, h - a);
    } else {
        bars << TRect(0, 0, w, roundInt(scaleY * 2));
    }
    for (const TRect &b : bars) {
        TRect d;
        switch (m_rotation) {
        case 90: // the symbol's top edge at the object's left
            d = TRect(o.Left + b.Top, o.Bottom - b.Right, o.Left + b.Bottom, o.Bottom - b.Left);
            break;
        case 180:
            d = TRect(o.Right - b.Right, o.Bottom - b.Bottom, o.Right - b.Left, o.Bottom - b.Top);
            break;
        case 270:
            d = TRect(o.Right - b.Bottom, o.Top + b.Left, o.Right - b.Top, o.Top + b.Right);
            break;
        default:
            d = TRect(o.Left + b.Left, o.Top + b.Top, o.Left + b.Right, o.Top + b.Bottom);
            break;
        }
        canvas.FillRect(d);
    }
    canvas.RestoreDC(-1);
}

TvdRectF TvdxBarCodeView::GetRealBounds()
{
    {
        QImage scratch(4, 4, QImage::Format_RGB32);
        QPainterCanvas canvas(scratch);
        Draw(canvas, 1, 1, 0, 0);
    }
    TvdRectF b = TvdxView::GetRealBounds();
    if (m_barType == TvdxBarcode::bcCodeEAN13 || m_barType == TvdxBarcode::bcCodeUPC_A ||
        m_barType == TvdxBarcode::bcCodeUPC_E0 || m_barType == TvdxBarcode::bcCodeUPC_E1)
        return b;
    const bool vertical = m_rotation == 90 || m_rotation == 270;
    if (!vertical && !isHorizontal(m_rotation))
        return b;
    const int w = roundInt(double(vertical ? Height() : Width()));
    QImage scratch(4, 4, QImage::Format_RGB32);
    QPainterCanvas canvas(scratch);
    auto widthIn = [&](const TvdFont *font, const QByteArray &text) {
        CanvasFont f;
        f.name = font->Name();
        f.height = font->Height();
        canvas.setFont(f);
        return canvas.TextWidth(DecodeAnsi(text));
    };
    const int tw = std::max(widthIn(BarFont(), m_barcode->Text),
                            widthIn(BarcodeText()->SupSettings()->Font(), m_barcode->TextSup));
    if (tw > w) {
        const int e = (tw - w) / 2 + 2;
        if (vertical) {
            b.Top -= e;
            b.Bottom += e;
        } else {
            b.Left -= e;
            b.Right += e;
        }
    }
    return b;
}
