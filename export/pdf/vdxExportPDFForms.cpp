#include "export/pdf/vdxExportPDFForms.h"

#include "core/vdUtils.h"
#include "export/pdf/vdxExportHelpers.h"

QString Fixed2(double value) { return FloatToFixedStr(value, 2, u'.'); }

QString PdfColorStr(TColor color)
{
    const TColor c = ColorToRGB(color);
    if (c == clBlack)
        return QStringLiteral("0 0 0");
    if (c == clWhite)
        return QStringLiteral("1 1 1");
    return Fixed2(GetRValue(c) / 255.0) + u' ' + Fixed2(GetGValue(c) / 255.0) + u' ' + Fixed2(GetBValue(c) / 255.0);
}

QString ColorToPdfRGB(TColor color)
{
    if (color == clNone)
        return QStringLiteral("0 0 0");
    const TColor c = ColorToRGB(color);
    return FloatToPDFStr(3, GetRValue(c) / 255.0) + u' ' + FloatToPDFStr(3, GetGValue(c) / 255.0) + u' '
           + FloatToPDFStr(3, GetBValue(c) / 255.0);
}

QString ChannelStr(int v)
{
    if (v <= 0)
        return QStringLiteral("0");
    if (v >= 255)
        return QStringLiteral("1");
    return QStringLiteral("0.") + QString::number(v * 100 / 256).rightJustified(2, u'0');
}

QString ChannelColorStr(TColor color)
{
    const TColor c = ColorToRGB(color);
    return ChannelStr(GetRValue(c)) + u' ' + ChannelStr(GetGValue(c)) + u' ' + ChannelStr(GetBValue(c));
}

QString DashPattern(TvdxFrameLine::TvdxFrameStyle style, double width)
{
    if (!(width >= 0.01))
        return QStringLiteral("[] 0 d");
    switch (style) {
    case TvdxFrameLine::fsDash: return QStringLiteral("[13.5 4.5] 0 d");
    case TvdxFrameLine::fsDot: return QStringLiteral("[2.25 2.25] 0 d");
    case TvdxFrameLine::fsDashDot: return QStringLiteral("[6.75 4.5 2.25 4.5] 0 d");
    case TvdxFrameLine::fsDashDotDot: return QStringLiteral("[6.75 2.25 2.25 2.25 2.25 2.25] 0 d");
    case TvdxFrameLine::fsAltDot:
        return QStringLiteral("1 J\r\n[0 ") + FloatToPDFStr(3, width * 1.5) + QStringLiteral("] 0 d");
    case TvdxFrameLine::fsSquare: {
        const QString d = FloatToPDFStr(3, width * 0.75);
        return QStringLiteral("0 J\r\n[") + d + u' ' + d + QStringLiteral("] 0 d");
    }
    case TvdxFrameLine::fsSolid:
    case TvdxFrameLine::fsDouble:
    default: return QStringLiteral("[] 0 d");
    }
}

QString RectToPdfStr(const TPdfRect &r)
{
    return FloatToPDFStr(3, r.Left) + u' ' + FloatToPDFStr(3, r.Bottom) + u' ' + FloatToPDFStr(3, r.Right - r.Left) + u' '
           + FloatToPDFStr(3, r.Top - r.Bottom) + QStringLiteral(" re");
}
