#include "report/vdxDMPClass.h"
#include "platform/Exception.h"
#include "core/vdxRes.h"
#include "report/vdFont.h"
#include "report/vdxDsgnIntf.h"
#include <cmath>

namespace {

double Round(double v) { return std::isfinite(v) ? std::nearbyint(v) : 0; }
double Trunc(double v) { return std::isfinite(v) ? std::trunc(v) : 0; }

[[noreturn]] void badInteger(const QString &text)
{
    throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
}

[[noreturn]] void badCode(int code)
{
    throw EConvertError(QStringLiteral("Printer code %1 is outside 0..255").arg(code));
}

} // namespace

TvdxDMPMemoView::TvdxDMPMemoView(TvdComponent *owner) : TvdxCustomMemoView(owner) { resetFontOptions(); }

QString TvdxDMPMemoView::GetDescription() const { return GetResStrByName(QStringLiteral("obDMPText")); }

void vdxDMPResetFont(TvdFont &f, TvdxDMP::TvdxDMPFontStyles fontStyle)
{
    f.SetName(QStringLiteral("Courier New"));
    f.SetSize(12);
    TvdFont::TFontStyles style;
    if (fontStyle.testFlag(TvdxDMP::fsxBold))
        style |= TvdFont::fsBold;
    if (fontStyle.testFlag(TvdxDMP::fsxItalic))
        style |= TvdFont::fsItalic;
    if (fontStyle.testFlag(TvdxDMP::fsxUnderline))
        style |= TvdFont::fsUnderline;
    f.SetStyle(style);
}

namespace {

TvdxDMPPage *dmpPageOf(TvdxComponent *c)
{
    for (TvdxComponent *p = c ? c->Parent() : nullptr; p; p = p->Parent())
        if (auto *page = qobject_cast<TvdxDMPPage *>(p))
            return page;
    return nullptr;
}

} // namespace

void TvdxDMPMemoView::resetFontOptions()
{
    if (TvdFont *f = Font())
        vdxDMPResetFont(*f, m_fontStyle);
    SetCharSpacing(0);
    SetLineSpacing(1);
    SetGapX(0);
    SetGapY(0);
}

void TvdxDMPMemoView::SetFontStyle(TvdxDMP::TvdxDMPFontStyles v)
{
    m_fontStyle = v;
    resetFontOptions();
    TvdxCustomMemoView::SetParentFont(false);
}

void TvdxDMPMemoView::SetParentFont(bool value)
{
    TvdxCustomMemoView::SetParentFont(value);
    if (!value)
        return;
    if (TvdxDMPPage *page = dmpPageOf(this)) {
        m_fontStyle = page->FontStyle();
        resetFontOptions();
    }
}

void TvdxDMPMemoView::PaintFrame()
{
    if (!canvas() || ObjAsMetafile())
        return;
    const TRect r = FrameRect(scaleX(), scaleY(), m_offsetX, m_offsetY);
    Frame()->Draw(*canvas(), r.Left, r.Top, r.Right, r.Bottom, scaleX(), scaleY());
}

bool TvdxDMPMemoView::IsPropertyStored(const char *propName) const
{
    if (qstrcmp(propName, "FontStyle") == 0)
        return !ParentFont();
    return TvdxCustomMemoView::IsPropertyStored(propName);
}

void TvdxDMPMemoView::SetLeft(long double value)
{
    const double cells = double(value) / vd1CharX;
    TvdxCustomMemoView::SetLeft((Align() == baRight ? Trunc(cells) : Round(cells)) * vd1CharX);
}

void TvdxDMPMemoView::SetTop(long double value)
{
    TvdxCustomMemoView::SetTop(Round(double(value) / vd1CharY) * vd1CharY);
}

void TvdxDMPMemoView::SetWidth(long double value)
{
    TvdxCustomMemoView::SetWidth(Round(double(value) / vd1CharX) * vd1CharX);
}

void TvdxDMPMemoView::SetHeight(long double value)
{
    TvdxCustomMemoView::SetHeight(Round(double(value) / vd1CharY) * vd1CharY);
}

void TvdxDMPMemoView::SetBoundsDirect(double left, double top, double width, double height)
{
    TvdxCustomMemoView::SetLeft(left);
    TvdxCustomMemoView::SetTop(top);
    TvdxCustomMemoView::SetWidth(width);
    TvdxCustomMemoView::SetHeight(height);
}

double TvdxDMPMemoView::CalcHeight()
{
    return Round(TvdxCustomMemoView::CalcHeight() / vd1CharY) * vd1CharY;
}

double TvdxDMPMemoView::CalcWidth()
{
    return Round(TvdxCustomMemoView::CalcWidth() / vd1CharX) * vd1CharX;
}

QString TvdxDMPMemoView::GetoutBoundText() const
{
    const int lines = int(Round(double(Height()) / vd1CharY));
    const int columns = int(Round(double(Width()) / vd1CharX));
    const QStringList memo = Memo();
    QString s;
    for (int i = 0; i < lines && i < memo.size(); ++i)
        s += memo[i].left(std::max(columns, 0)) + QStringLiteral("\r\n");
    return s;
}

TRect TvdxDMPMemoView::FrameRect(double scaleX, double scaleY, double offsetX, double offsetY) const
{
    const double l = double(AbsLeft()) - vd1CharX / 2, t = double(AbsTop()) - vd1CharY / 2;
    const double r = double(AbsLeft() + Width()) + vd1CharX / 2, b = double(AbsTop() + Height()) + vd1CharY / 2;
    return TRect(int(Round(l * scaleX + offsetX)), int(Round(t * scaleY + offsetY)), int(Round(r * scaleX + offsetX)),
                 int(Round(b * scaleY + offsetY)));
}

// ---------------------------------------------------------------------------
TvdxDMPLineView::TvdxDMPLineView(TvdComponent *owner) : TvdxCustomLineView(owner) {}

QString TvdxDMPLineView::GetDescription() const { return GetResStrByName(QStringLiteral("obDMPLine")); }

void TvdxDMPLineView::SetFontStyle(TvdxDMP::TvdxDMPFontStyles v)
{
    m_fontStyle = v;
    if (TvdFont *f = Font())
        vdxDMPResetFont(*f, v);
    TvdxCustomLineView::SetParentFont(false);
}

bool TvdxDMPLineView::IsPropertyStored(const char *propName) const
{
    if (qstrcmp(propName, "FontStyle") == 0)
        return !ParentFont();
    return TvdxCustomLineView::IsPropertyStored(propName);
}

void TvdxDMPLineView::SetParentFont(bool value)
{
    TvdxCustomLineView::SetParentFont(value);
    if (!value)
        return;
    if (TvdxDMPPage *page = dmpPageOf(this)) {
        m_fontStyle = page->FontStyle();
        if (TvdFont *f = Font())
            vdxDMPResetFont(*f, m_fontStyle);
    }
}

void TvdxDMPLineView::SetLeft(long double value)
{
    const double x = double(value);
    const double cells = x / vd1CharX;
    double left;
    if (x < 0)
        left = Trunc(cells) * vd1CharX - vd1CharX / 2;
    else if (Align() == baRight)
        left = Round(cells) * vd1CharX - vd1CharX / 2;
    else
        left = Trunc(cells) * vd1CharX + vd1CharX / 2;
    TvdxCustomLineView::SetLeft(left);
}

void TvdxDMPLineView::SetTop(long double value)
{
    TvdxCustomLineView::SetTop(Trunc(double(value) / vd1CharY) * vd1CharY + vd1CharY / 2);
}

void TvdxDMPLineView::SetWidth(long double value)
{
    const double cells = double(value) / vd1CharX;
    TvdxCustomLineView::SetWidth((Align() == baWidth ? Trunc(cells) : Round(cells)) * vd1CharX);
}

// ---------------------------------------------------------------------------
TvdxDMPPage::TvdxDMPPage(TvdComponent *owner) : TvdxReportPage(owner) { resetFontOptions(); }

void TvdxDMPPage::resetFontOptions()
{
    if (TvdFont *f = Font())
        vdxDMPResetFont(*f, m_fontStyle);
}

void TvdxDMPPage::SetFontStyle(TvdxDMP::TvdxDMPFontStyles v)
{
    m_fontStyle = v;
    resetFontOptions();
    const QList<TvdxComponent *> all = AllObjects();
    for (TvdxComponent *c : all)
        if (c->ParentFont())
            c->SetParentFont(true);
}

void TvdxDMPPage::SetDefaults()
{
    m_settingDefaults = true;
    try {
        TvdxReportPage::SetDefaults();
    } catch (...) {
        m_settingDefaults = false;
        throw;
    }
    m_settingDefaults = false;
    SetLeftMargin(vd1CharX / vd01cm);
    SetRightMargin(vd1CharX / vd01cm);
    SetTopMargin(vd1CharY / vd01cm);
    SetBottomMargin(vd1CharY / vd01cm);
    SetPaperDimensionsDirect(vdxDMPPaperWidth(double(PaperWidth())), vdxDMPPaperHeight(double(PaperHeight())));
}

void TvdxDMPPage::SetPaperWidth(long double value)
{
    TvdxReportPage::SetPaperWidth(value);
    if (m_settingDefaults)
        return;
    SetPaperDimensionsDirect(vdxDMPPaperWidth(double(PaperWidth()), true), PaperHeight());
}

void TvdxDMPPage::SetPaperHeight(long double value)
{
    TvdxReportPage::SetPaperHeight(value);
    if (m_settingDefaults)
        return;
    SetPaperDimensionsDirect(PaperWidth(), vdxDMPPaperHeight(double(PaperHeight()), true));
}

void TvdxDMPPage::SetPaperSize(int value)
{
    TvdxReportPage::SetPaperSize(value);
    if (m_settingDefaults)
        return;
    SetPaperDimensionsDirect(vdxDMPPaperWidth(double(PaperWidth()), true),
                             vdxDMPPaperHeight(double(PaperHeight()), true));
}

// ---------------------------------------------------------------------------
TvdxDMPCommand::TvdxDMPCommand(TvdComponent *owner) : TvdxView(owner) {}

QString TvdxDMPCommand::GetDescription() const { return GetResStrByName(QStringLiteral("obDMPCmd")); }

void TvdxDMPCommand::SetLeft(long double value) { TvdxView::SetLeft(Round(double(value) / vd1CharX) * vd1CharX); }

void TvdxDMPCommand::SetTop(long double value) { TvdxView::SetTop(Round(double(value) / vd1CharY) * vd1CharY); }

QByteArray TvdxDMPCommand::ToChr() const
{
    QByteArray bytes;
    if (m_command.startsWith(u'#')) {
        const QStringList codes = m_command.mid(1).split(u'#');
        for (const QString &c : codes) {
            bool ok = false;
            const int code = c.trimmed().toInt(&ok);
            if (!ok)
                badInteger(c);
            if (code < 0 || code > 255)
                badCode(code);
            bytes.append(char(code));
        }
        return bytes;
    }
    for (qsizetype i = 0; i + 1 < m_command.size(); i += 2) {
        const QString pair = m_command.mid(i, 2);
        bool ok = false;
        const int code = pair.toInt(&ok, 16);
        if (!ok || pair.startsWith(u'-') || pair.startsWith(u'+'))
            badInteger(QStringLiteral("$") + pair);
        bytes.append(char(code));
    }
    return bytes;
}

// ---------------------------------------------------------------------------
double vdxDMPPaperWidth(double mm, bool round)
{
    const double cells = mm * vd01cm / vd1CharX;
    return (round ? Round(cells) : Trunc(cells)) * vd1CharX / vd01cm;
}

double vdxDMPPaperHeight(double mm, bool round)
{
    const double cells = mm * vd01cm / vd1CharY;
    return (round ? Round(cells) : Trunc(cells)) * vd1CharY / vd01cm;
}

int vdxDMPColumns(double mm) { return int(Trunc(mm * vd01cm / vd1CharX)); }

namespace {

void registerDMPClasses()
{
    vdRegisterClass<TvdxDMPPage>();
    TvdxObjectCollection &reg = vdxObjectRegistry();
    reg.RegisterObject1<TvdxDMPMemoView>(QImage(), QString(), QString(), 0, 2, vdxCategory(ctDMP));
    reg.RegisterObject1<TvdxDMPLineView>(QImage(), QString(), QString(), 0, 5, vdxCategory(ctDMP));
    reg.RegisterObject1<TvdxDMPCommand>(QImage(), QString(), QString(), 0, 21, vdxCategory(ctDMP));
}

} // namespace

Q_CONSTRUCTOR_FUNCTION(registerDMPClasses)
