#include "barcode/vdxEPCPaymentPreset.h"

#include "barcode/vdxBarcode2DView.h"
#include "barcode/vdxPaymentPresetCommon.h"
#include "platform/Exception.h"
#include "platform/GraphicsTypes.h"

#include <algorithm>
#include <cmath>

namespace {

int R(double v) { return int(std::nearbyint(v)); }

[[noreturn]] void fail(const QString &message) { throw Exception(message); }

void checkMandatory(const QString &value, const char *p)
{
    if (value.isEmpty())
        fail(QStringLiteral("Mandatory property %1 is empty").arg(QLatin1String(p)));
}

void checkRange(const QString &value, const char *p, int lo, int hi)
{
    const qsizetype n = value.size();
    if (n > 0 && (n < lo || n > hi))
        fail(QStringLiteral("property %1 must be in [%2-%3 but have %4").arg(QLatin1String(p)).arg(lo).arg(hi).arg(n));
}

void checkBIC(const QString &value)
{
    const qsizetype n = value.size();
    if (n > 0 && n != 8 && n != 11)
        fail(QStringLiteral("property BIC must be [8/11] but have %1").arg(n));
}

} // namespace

// ---------------------------------------------------------------------------
TvdxEPCDrawOptions::TvdxEPCDrawOptions(TvdxEPCPaymentPreset *owner) : FFont(std::make_unique<TvdFont>()), FOwner(owner)
{
    FFont->SetName(QStringLiteral("Arial"));
    FFont->SetSize(8);
}

TvdxEPCDrawOptions::~TvdxEPCDrawOptions() = default;

void TvdxEPCDrawOptions::SetFrameWidth(int value)
{
    FFrameWidth = std::max(1, value);
    if (FOwner)
        FOwner->UpdateSettings();
}

void TvdxEPCDrawOptions::SetFrameVisible(bool value)
{
    FFrameVisible = value;
    if (FOwner)
        FOwner->UpdateSettings();
}

void TvdxEPCDrawOptions::SetHintType(TvdxEPCHintType value)
{
    FHintType = value;
    if (FOwner)
        FOwner->UpdateSettings();
}

int TvdxEPCDrawOptions::CalcQuietZone() const
{
    if (!FFrameVisible)
        return 0;
    return (FHintType != htEPCNone ? std::abs(FFont->Height()) : 0) + 2 * FFrameWidth + 1;
}

int TvdxEPCDrawOptions::HintFontHeight(Canvas &canvas, double scaleY, const TRect &area) const
{
    const double s = canvas.isPrinter() ? 1.0 : scaleY;
    CanvasFont f;
    f.name = FFont->Name();
    f.height = -R(MulDiv(FFont->Size(), FFont->PixelsPerInch(), 72) * s);
    const CanvasFont saved = canvas.font();
    canvas.setFont(f);
    const int textWidth = canvas.TextWidth(QLatin1Char(' ') + FHint + QLatin1Char(' '));
    canvas.setFont(saved);
    if (textWidth <= 0)
        return f.height;
    const int w = area.Right - area.Left;
    const int r = std::min(w, area.Bottom - area.Top) / 8;
    const int v = R(double(w - 2 * r) * f.height / textWidth);
    return std::max(f.height, v);
}

void TvdxEPCDrawOptions::Draw(Canvas &canvas, double scaleX, double scaleY, const TRect &area) const
{
    Q_UNUSED(scaleX)
    if (!FFrameVisible)
        return;
    const int angle = FHintType == htEPCTop || FHintType == htEPCBottom ? 0 : 90;
    const CanvasPen savedPen = canvas.pen();
    const CanvasBrush savedBrush = canvas.brush();
    const CanvasFont savedFont = canvas.font();
    const BkMode savedBk = canvas.GetBkMode();
    const TColor savedBkColor = canvas.BkColor();

    CanvasPen pen = canvas.pen();
    pen.style = PenStyle::Null;
    canvas.setPen(pen);
    if (FFillColor == clNone)
        canvas.setBrush(CanvasBrush(clWhite, BrushStyle::Clear));
    else
        canvas.setBrush(CanvasBrush(FFillColor, BrushStyle::Solid));
    const int r = std::min(area.Right - area.Left, area.Bottom - area.Top) / 8;
    canvas.RoundRect(area, r, r);
    if (FFrameColor != clNone) {
        pen.style = PenStyle::Solid;
        pen.width = FFrameWidth;
        pen.color = FFrameColor;
        canvas.setPen(pen);
    }
    if (FHintType == htEPCNone) {
        canvas.setBrush(CanvasBrush(clWhite, BrushStyle::Clear));
        canvas.RoundRect(area, r, r);
    } else {
        const double s = canvas.isPrinter() ? 1.0 : scaleY;
        const int areaWidth = area.Right - area.Left;
        CanvasFont f;
        f.name = FFont->Name();
        f.height = HintFontHeight(canvas, scaleY, area);
        f.escapement = f.orientation = angle * 10;
        const QString t = QLatin1Char(' ') + FHint + QLatin1Char(' ');
        canvas.setFont(f);
        canvas.SetBkColor(FFillColor);
        canvas.SetBkMode(FFillColor == clNone ? BkMode::Transparent : BkMode::Opaque);
        const int th = std::abs(f.height);
        CanvasFont flat = f;
        flat.escapement = flat.orientation = 0;
        canvas.setFont(flat);
        const int off = std::max(0, (areaWidth - canvas.TextWidth(t)) / 2);
        canvas.setFont(f);
        TPoint origin;
        switch (FHintType) {
        case htEPCLeft: origin = TPoint(area.Left + 1, area.Bottom - off); break;
        case htEPCRight: origin = TPoint(area.Right - th - 4, area.Bottom - off); break;
        case htEPCTop: origin = TPoint(area.Left + off, area.Top + 1); break;
        default: origin = TPoint(area.Left + off, area.Bottom - th - 4); break;
        }
        const int d = R((scaleY * FFrameWidth + th) / 2 - s);
        const TRect inner(area.Left + d, area.Top + d, area.Right - d, area.Bottom - d);
        if (FFillColor == clNone)
            canvas.setBrush(CanvasBrush(clWhite, BrushStyle::Clear));
        // The frame line runs through the middle of the hint band; the
        // opaque text background covers it behind the hint.
        canvas.RoundRect(inner, r, r);
        canvas.TextOut(origin.X, origin.Y, t);
    }
    canvas.setPen(savedPen);
    canvas.setBrush(savedBrush);
    canvas.setFont(savedFont);
    canvas.SetBkMode(savedBk);
    canvas.SetBkColor(savedBkColor);
}

// ---------------------------------------------------------------------------
TvdxEPCPaymentPreset::TvdxEPCPaymentPreset()
    : FDrawOptions(std::make_unique<TvdxEPCDrawOptions>(this)), FMoney(std::make_unique<TvdxEPCPMoney>()),
      FRemittance(std::make_unique<TvdxEPCPRemittance>())
{
    Q_UNUSED(FCharSet)
}

TvdxEPCPaymentPreset::~TvdxEPCPaymentPreset() = default;

QString TvdxEPCPaymentPreset::AmountText(const QString &value)
{
    const QString t = value.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+'))
        negative = t[i++] == u'-';
    QString whole, fraction;
    bool separator = false;
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c >= u'0' && c <= u'9')
            (separator ? fraction : whole) += c;
        else if ((c == u'.' || c == u',') && !separator)
            separator = true;
        else
            fail(QStringLiteral("Wrong amount format"));
    }
    if ((whole.isEmpty() && fraction.isEmpty()) || fraction.size() > 2)
        fail(QStringLiteral("Wrong amount format"));
    while (whole.size() > 1 && whole.startsWith(u'0'))
        whole.remove(0, 1);
    const QString range = QStringLiteral("Amount must be 0.01 or more and 999999999.99 or less");
    if (whole.size() > 9)
        fail(range);
    const qint64 cents = whole.toLongLong() * 100 + fraction.leftJustified(2, u'0').toLongLong();
    if (negative || cents < 1 || cents > 99999999999LL)
        fail(range);
    QString text = QString::number(cents / 100);
    if (const qint64 c = cents % 100) {
        text += u'.' + QString::number(c).rightJustified(2, u'0');
        if (text.endsWith(u'0'))
            text.chop(1);
    }
    return text;
}

QString TvdxEPCPaymentPreset::GetData(TvdxReport *report)
{
    QStringList lines{FServiceTag, FVersion == V1 ? QStringLiteral("001") : QStringLiteral("002"),
                      QStringLiteral("1"), FIdentification};
    const QString bic = vdxPresetCalc(report, FBIC);
    if (FVersion == V1)
        checkMandatory(bic, "BIC");
    checkBIC(bic);
    lines << bic;
    const QString name = vdxPresetCalc(report, FName);
    checkMandatory(name, "Name");
    checkRange(name, "Name", 1, 70);
    lines << name;
    const QString iban = vdxPresetCalc(report, FIBAN);
    checkMandatory(iban, "IBAN");
    checkRange(iban, "IBAN", 1, 34);
    lines << iban;
    lines << QStringLiteral("EUR") + AmountText(vdxPresetCalc(report, FMoney->FAmount));
    const QString purpose = vdxPresetCalc(report, FPurpose);
    checkRange(purpose, "Reason", 1, 4);
    lines << purpose;
    const QString remittance = vdxPresetCalc(report, FRemittance->FValue);
    const bool structured = FRemittance->FTypeRemittance == TvdxEPCPRemittance::iref;
    checkRange(remittance, "Remittance", 1, structured ? 35 : 140);
    if (structured)
        lines << remittance << QString();
    else
        lines << QString() << remittance;
    const QString information = vdxPresetCalc(report, FInformation);
    checkRange(information, "Information", 1, 70);
    lines << information;
    if (!FDrawOptions->HintExpression().isEmpty())
        FDrawOptions->SetHint(vdxPresetCalc(report, FDrawOptions->HintExpression()));
    QString text = lines.join(u'\n');
    while (text.endsWith(u'\n'))
        text.chop(1);
    return text;
}

void TvdxEPCPaymentPreset::SaveComponentState(TvdxComponent *component)
{
    const TvdxPresetQR t = vdxPresetQR(component);
    if (!t)
        return;
    FSaveErrorLevels = t.QR->ErrorLevels();
    FSaveShowText = t.View->ShowText();
    FSaveEncoding = t.QR->Encoding();
}

void TvdxEPCPaymentPreset::ApplySettings(TvdxComponent *component)
{
    const TvdxPresetQR t = vdxPresetQR(component);
    if (!t)
        return;
    t.QR->SetErrorLevels(ecM);
    t.QR->SetEncoding(qrUTF8NoBOM);
    // A negative quiet zone would move the symbol out of its object.
    t.View->SetQuietZone(std::max(0, FDrawOptions->CalcQuietZone() - t.QR->QRQuietZone()));
    t.View->SetShowText(false);
    FOwner = component;
}

void TvdxEPCPaymentPreset::RestoreComponentState(TvdxComponent *component)
{
    const TvdxPresetQR t = vdxPresetQR(component);
    if (t) {
        t.QR->SetErrorLevels(TQRErrorLevels(FSaveErrorLevels));
        t.QR->SetEncoding(TQRCodeEncoding(FSaveEncoding));
        t.View->SetShowText(FSaveShowText);
    }
    FOwner = nullptr;
}

void TvdxEPCPaymentPreset::UpdateSettings()
{
    if (FOwner)
        ApplySettings(FOwner);
}

void TvdxEPCPaymentPreset::BeginDraw(Canvas &canvas, double scaleX, double scaleY, const TRect &area)
{
    FDrawOptions->Draw(canvas, scaleX, scaleY, area);
}
