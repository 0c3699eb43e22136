#include "report/vdxDMPClass.h"
#include "platform/Exception.h"
#include "core/vdxRes.h"
#include "report/vdFont.h"
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

void TvdxDMPMemoView::resetFontOptions()
{
    if (TvdFont *f = Font()) {
        f->SetName(QStringLiteral("Courier New"));
        f->SetSize(12);
        TvdFont::TFontStyles style;
        if (m_fontStyle.testFlag(TvdxDMP::fsxBold))
            style |= TvdFont::fsBold;
        if (m_fontStyle.testFlag(TvdxDMP::fsxItalic))
            style |= TvdFont::fsItalic;
        if (m_fontStyle.testFlag(TvdxDMP::fsxUnderline))
            style |= TvdFont::fsUnderline;
        f->SetStyle(style);
    }
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
struct DMPClasses {
    DMPClasses()
    {
        vdRegisterClass<TvdxDMPMemoView>();
        vdRegisterClass<TvdxDMPCommand>();
    }
} dmpClasses;
} // namespace
