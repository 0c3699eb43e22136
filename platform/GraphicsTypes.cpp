#include "platform/GraphicsTypes.h"
#include "platform/Exception.h"
#include <cmath>

namespace {

// Fixed system palette (RGB written as 0xRRGGBB), indexed by the low byte.
constexpr unsigned kSystemRgb[31] = {
    0xC8C8C8, 0x000000, 0x99B4D1, 0xBFCDDB, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000,
    0x000000, 0x000000, 0xB4B4B4, 0xF4F7FC, 0xABABAB, 0x0078D7, 0xFFFFFF, 0xF0F0F0,
    0xA0A0A0, 0x6D6D6D, 0x000000, 0x000000, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000,
    0xFFFFE1, 0x000000, 0x0066CC, 0xB9D1EA, 0xD7E4F2, 0x3399FF, 0xF0F0F0,
};

struct ColorName {
    TColor color;
    const char *name;
};

constexpr ColorName kColorNames[] = {
    {clBlack, "clBlack"}, {clMaroon, "clMaroon"}, {clGreen, "clGreen"}, {clOlive, "clOlive"},
    {clNavy, "clNavy"}, {clPurple, "clPurple"}, {clTeal, "clTeal"}, {clGray, "clGray"},
    {clSilver, "clSilver"}, {clRed, "clRed"}, {clLime, "clLime"}, {clYellow, "clYellow"},
    {clBlue, "clBlue"}, {clFuchsia, "clFuchsia"}, {clAqua, "clAqua"}, {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"}, {clSkyBlue, "clSkyBlue"}, {clCream, "clCream"},
    {clMedGray, "clMedGray"}, {clActiveBorder, "clActiveBorder"}, {clActiveCaption, "clActiveCaption"},
    {clAppWorkSpace, "clAppWorkSpace"}, {clBackground, "clBackground"}, {clBtnFace, "clBtnFace"},
    {clBtnHighlight, "clBtnHighlight"}, {clBtnShadow, "clBtnShadow"}, {clBtnText, "clBtnText"},
    {clCaptionText, "clCaptionText"}, {clDefault, "clDefault"},
    {clGradientActiveCaption, "clGradientActiveCaption"},
    {clGradientInactiveCaption, "clGradientInactiveCaption"}, {clGrayText, "clGrayText"},
    {clHighlight, "clHighlight"}, {clHighlightText, "clHighlightText"}, {clHotLight, "clHotLight"},
    {clInactiveBorder, "clInactiveBorder"}, {clInactiveCaption, "clInactiveCaption"},
    {clInactiveCaptionText, "clInactiveCaptionText"}, {clInfoBk, "clInfoBk"}, {clInfoText, "clInfoText"},
    {clMenu, "clMenu"}, {clMenuBar, "clMenuBar"}, {clMenuHighlight, "clMenuHighlight"},
    {clMenuText, "clMenuText"}, {clNone, "clNone"}, {clScrollBar, "clScrollBar"},
    {cl3DDkShadow, "cl3DDkShadow"}, {cl3DLight, "cl3DLight"}, {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"}, {clWindowText, "clWindowText"},
};

} // namespace

TColor ColorToRGB(TColor color)
{
    if (color < 0) {
        unsigned idx = unsigned(color) & 0xFF;
        unsigned rgb = idx < std::size(kSystemRgb) ? kSystemRgb[idx] : 0;
        return RGBColor(int(rgb >> 16), int((rgb >> 8) & 0xFF), int(rgb & 0xFF));
    }
    return color;
}

QColor toQColor(TColor color)
{
    TColor c = ColorToRGB(color);
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

TColor fromQColor(const QColor &color)
{
    QColor c = color.toRgb();
    return RGBColor(c.red(), c.green(), c.blue());
}

bool ColorToIdent(TColor color, QString &ident)
{
    for (const auto &e : kColorNames)
        if (e.color == color) {
            ident = QString::fromLatin1(e.name);
            return true;
        }
    return false;
}

bool IdentToColor(const QString &ident, TColor &color)
{
    for (const auto &e : kColorNames)
        if (ident.compare(QLatin1String(e.name), Qt::CaseInsensitive) == 0) {
            color = e.color;
            return true;
        }
    return false;
}

QString ColorToString(TColor color)
{
    QString s;
    if (ColorToIdent(color, s))
        return s;
    return QStringLiteral("$%1").arg(quint32(color), 8, 16, QLatin1Char('0')).toUpper();
}

TColor StringToColor(const QString &text)
{
    TColor c = 0;
    QString t = text.trimmed();
    if (IdentToColor(t, c))
        return c;
    bool ok = false;
    qint64 v = 0;
    if (t.startsWith(QLatin1Char('$')))
        v = t.mid(1).toLongLong(&ok, 16);
    else if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        v = t.mid(2).toLongLong(&ok, 16);
    else
        v = t.toLongLong(&ok, 10);
    if (!ok || v < INT32_MIN || v > qint64(UINT32_MAX))
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return TColor(quint32(v));
}

TRect TRect::fromQRectF(const QRectF &r)
{
    QRectF n = r.normalized();
    return TRect(int(std::floor(n.left())), int(std::floor(n.top())), int(std::ceil(n.right())),
                 int(std::ceil(n.bottom())));
}
