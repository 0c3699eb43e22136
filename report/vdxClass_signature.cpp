#include "report/vdxClass_signature.h"

#include "core/vdFiler.h"
#include "core/vdFormatSettings.h"
#include "core/vdGraphic.h"
#include "core/vdUtils.h"
#include "core/vdxRes.h"
#include "platform/QPainterCanvas.h"
#include "report/vdFont.h"
#include "report/vdxDrawText.h"
#include "report/vdxDsgnIntf.h"

#include <QDateTime>
#include <cmath>

namespace {

// Larger views get no generated picture: it would not fit in memory.
constexpr qint64 kMaxSignaturePixels = qint64(1) << 24;
// The font search stops growing here whatever the area.
constexpr int kMaxFittedSize = 2000;

// Fitted proportionally into the area and centred.
void drawProportional(Canvas &canvas, const TGraphic &g, const TRect &area)
{
    if (g.Empty() || g.Width() <= 0 || g.Height() <= 0 || area.Width() <= 0 || area.Height() <= 0)
        return;
    const double factor = std::min(double(area.Height()) / g.Height(), double(area.Width()) / g.Width());
    const int w = vdxRoundPx(g.Width() * factor), h = vdxRoundPx(g.Height() * factor);
    const int x = area.Left + (area.Width() - w) / 2, y = area.Top + (area.Height() - h) / 2;
    g.Draw(canvas, TRect(x, y, x + w, y + h));
}

double nowAsDate()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QDate d = now.date();
    const QTime t = now.time();
    return EncodeDate(d.year(), d.month(), d.day()) + EncodeTime(t.hour(), t.minute(), t.second(), t.msec());
}

// Lays the text out in the area at the size; True when it fits without a cut word.
bool fitsAt(TvdxDrawText &dt, TvdFont &font, int size, const QStringList &lines, const TRect &area, bool rtl)
{
    font.SetSize(size);
    dt.SetFont(font);
    dt.SetOptions(true, false, rtl, false, false, true, 0);
    dt.SetGaps(0, 0, 2);
    dt.SetDimensions(1, 1, 1, area, area);
    dt.SetText(lines);
    return dt.CalcHeight() <= area.Height() && !dt.ForcedWordBreak();
}

} // namespace

// ---- appearance settings ----------------------------------------------------

TvdxCustomSignatureData::TvdxCustomSignatureData()
    : m_namePicture(std::make_unique<TPicture>()), m_logoPicture(std::make_unique<TPicture>())
{
}

TvdxCustomSignatureData::~TvdxCustomSignatureData() = default;

TPicture *TvdxCustomSignatureData::LogoPicture() const
{
    if (!m_logoPicture->Graphic()) {
        // The built-in picture is decoded once per object, when first asked for.
        auto *self = const_cast<TvdxCustomSignatureData *>(this);
        if (!self->m_defaultLogo)
            self->m_defaultLogo = vdxCreateDefaultSignaturePicture();
        if (m_defaultLogo)
            m_logoPicture->SetGraphic(m_defaultLogo.get());
    }
    return m_logoPicture.get();
}

bool TvdxCustomSignatureData::ShowsDetails() const
{
    return m_showName || m_showLocation || m_showDate || m_showReason || m_showDistinguishedName
           || m_showProgramVersion;
}

void TvdxCustomSignatureData::Assign(const TvdPersistent *source)
{
    auto *s = qobject_cast<const TvdxCustomSignatureData *>(source);
    if (!s) {
        TvdPersistent::Assign(source);
        return;
    }
    if (s == this)
        return;
    m_graphicType = s->m_graphicType;
    m_showName = s->m_showName;
    m_showLocation = s->m_showLocation;
    m_showDate = s->m_showDate;
    m_showReason = s->m_showReason;
    m_showDistinguishedName = s->m_showDistinguishedName;
    m_showProgramVersion = s->m_showProgramVersion;
    m_showLogo = s->m_showLogo;
    m_showLabels = s->m_showLabels;
    m_rtl = s->m_rtl;
    m_namePicture->SetGraphic(s->m_namePicture->Graphic());
    m_logoPicture->SetGraphic(s->m_logoPicture->Graphic());
}

void TvdxCustomSignatureData::WriteBinaryProperties(TvdBinaryWriter &writer) const
{
    TvdPersistent::WriteBinaryProperties(writer);
    const QByteArray data = vdxPictureToBytes(*m_namePicture);
    if (data.isEmpty())
        return;
    writer.WritePropName(QStringLiteral("NamePicture.Data"));
    writer.WriteBinary(data);
}

bool TvdxCustomSignatureData::ReadBinaryProperty(const QString &name, TvdBinaryReader &reader)
{
    if (name != QLatin1String("NamePicture.Data"))
        return TvdPersistent::ReadBinaryProperty(name, reader);
    vdxPictureFromBytes(reader.ReadBinary(), *m_namePicture);
    return true;
}

// ---- the view -------------------------------------------------------------------

TvdxDigitalSignatureView::TvdxDigitalSignatureView(TvdComponent *owner)
    : TvdxPictureView(owner), m_customData(std::make_unique<TvdxCustomSignatureData>())
{
}

TvdxDigitalSignatureView::~TvdxDigitalSignatureView() = default;

QString TvdxDigitalSignatureView::GetDescription() const
{
    return GetResStrByName(QStringLiteral("obDigitalSignature"));
}

void TvdxDigitalSignatureView::Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY)
{
    if (!IsDesigning() && m_kind == skInvisible)
        return;
    CustomFirst();
    try {
        TvdxPictureView::Draw(canvas, scaleX, scaleY, offsetX, offsetY);
    } catch (...) {
        CustomLast();
        throw;
    }
    CustomLast();
}

void TvdxDigitalSignatureView::CustomFirst()
{
    if (!m_customizable || m_savedPicture)
        return;
    auto generated = std::make_unique<TPicture>();
    if (std::unique_ptr<TGraphic> g = GenerateCustomPicture())
        generated->SetGraphicOwned(std::move(g));
    // The own picture steps aside untouched: drawing leaves the model as it was.
    m_savedChanged = PictureChanged();
    m_savedPicture = ExchangePicture(std::move(generated));
}

void TvdxDigitalSignatureView::CustomLast()
{
    if (!m_savedPicture)
        return;
    ExchangePicture(std::move(m_savedPicture));
    SetPictureChanged(m_savedChanged);
}

void TvdxDigitalSignatureView::SplitAreas(int width, int height, TRect &nameArea, TRect &detailsArea) const
{
    nameArea = detailsArea = TRect(0, 0, width, height);
    if (m_customData->GraphicType() == TvdxCustomSignatureData::gtNo || !m_customData->ShowsDetails())
        return;
    if (width < height) {
        nameArea.Bottom = height / 2;
        detailsArea.Top = height / 2;
    } else {
        nameArea.Right = width / 2;
        detailsArea.Left = width / 2;
    }
}

QString TvdxDigitalSignatureView::DetailsText() const
{
    const TvdxCustomSignatureData &d = *m_customData;
    const bool labels = d.ShowLabels();
    QStringList lines;
    auto line = [&](bool on, const char *label, const QString &value, const QString &placeholder) {
        if (!on)
            return;
        QString s = labels ? GetResStrByName(QString::fromLatin1(label)) : QString();
        s += value.isEmpty() ? placeholder : value;
        lines << s;
    };
    line(d.ShowName(), "csDigitallySigned", CommonName, GetResStrByName(QStringLiteral("csCommonName")));
    line(d.ShowDistinguishedName(), "csDN", DistinguishedName, GetResStrByName(QStringLiteral("csDistinguishedName")));
    line(d.ShowReason(), "csReason", Reason, GetResStrByName(QStringLiteral("csReasonText")));
    line(d.ShowLocation(), "csLocation", Location, GetResStrByName(QStringLiteral("csLocationText")));
    if (d.ShowDate()) {
        const double now = nowAsDate();
        line(true, "csDate", Date, DateToStr(now) + QLatin1Char(' ') + TimeToStr(now));
    }
    if (d.ShowProgramVersion()) {
        // The version line's label is the signer's text looked up as a key.
        QString s = labels ? GetResStrByName(ProgramVersion) : QString();
        lines << s + GetResStrByName(QStringLiteral("csVersion")) + QStringLiteral("2023.2");
    }
    return lines.join(QStringLiteral("\r\n"));
}

int TvdxDigitalSignatureView::FitFontSize(const QString &text, const TvdFont &font, const TRect &area, bool rtl)
{
    if (area.Width() <= 0 || area.Height() <= 0)
        return 1;
    TvdxDrawText &dt = vdxGlobalDrawText();
    TvdxDrawTextLocker lock(dt);
    TvdFont f;
    f.Assign(&font);
    const QStringList lines = vdxWideStringsFromText(text)->Strings();
    int size = 1, step = 8;
    for (;;) {
        if (size + step <= kMaxFittedSize && fitsAt(dt, f, size + step, lines, area, rtl)) {
            size += step;
            continue;
        }
        if (step < 4)
            break;
        step /= 2;
    }
    return size;
}

void TvdxDigitalSignatureView::drawFittedText(Canvas &canvas, const QString &text, const TRect &area)
{
    const bool rtl = m_customData->RTL();
    const int size = FitFontSize(text, *Font(), area, rtl);
    TvdxDrawText &dt = vdxGlobalDrawText();
    TvdxDrawTextLocker lock(dt);
    // A copy carries the size found, so that drawing leaves the view's font alone.
    TvdFont f;
    f.Assign(Font());
    fitsAt(dt, f, size, vdxWideStringsFromText(text)->Strings(), area, rtl);
    dt.DrawText(canvas, rtl ? haRight : haLeft, vaCenter, ulmNone, -1);
}

std::unique_ptr<TGraphic> TvdxDigitalSignatureView::GenerateCustomPicture()
{
    const TvdxCustomSignatureData &d = *m_customData;
    const bool details = d.ShowsDetails();
    const bool name = d.GraphicType() != TvdxCustomSignatureData::gtNo;
    if (!d.ShowLogo() && !name && !details)
        return nullptr;
    const int w = vdxRoundPx(double(Width())), h = vdxRoundPx(double(Height()));
    if (w <= 0 || h <= 0 || qint64(w) * h > kMaxSignaturePixels)
        return nullptr;
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    {
        QPainterCanvas canvas(img);
        const TRect whole(0, 0, w, h);
        if (d.ShowLogo())
            if (const TGraphic *logo = d.LogoPicture()->Graphic())
                drawProportional(canvas, *logo, whole);
        TRect nameArea, detailsArea;
        SplitAreas(w, h, nameArea, detailsArea);
        if (d.GraphicType() == TvdxCustomSignatureData::gtImported) {
            if (const TGraphic *g = d.NamePicture()->Graphic())
                drawProportional(canvas, *g, nameArea);
        } else if (d.GraphicType() == TvdxCustomSignatureData::gtName) {
            drawFittedText(canvas, CommonName.isEmpty() ? GetResStrByName(QStringLiteral("csCommonName")) : CommonName,
                           nameArea);
        }
        if (details)
            drawFittedText(canvas, DetailsText(), detailsArea);
    }
    auto bmp = std::make_unique<TBitmap>();
    bmp->SetImage(img, pf32bit);
    bmp->SetAlphaFormat(afDefined);
    bmp->SetTransparent(true);
    return bmp;
}

void vdxRegisterSignatureView()
{
    static const bool done = [] {
        vdRegisterClass<TvdxCustomSignatureData>();
        vdxObjectRegistry().RegisterObject1<TvdxDigitalSignatureView>(QImage(), QStringLiteral("obDigitalSignature"),
                                                                      QString(), 0, 83);
        return true;
    }();
    Q_UNUSED(done)
}
