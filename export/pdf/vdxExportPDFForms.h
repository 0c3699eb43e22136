// The texts of colours, dash patterns and rectangles in page content.
#pragma once
#include "platform/GraphicsTypes.h"
#include "report/vdxClass_frame.h"

#include <QString>

// A rectangle in page coordinates (points, origin lower left): Top > Bottom.
struct TPdfRect {
    double Left = 0;
    double Top = 0;
    double Right = 0;
    double Bottom = 0;
};

// "0 0 0" for black, "1 1 1" for white, else each channel / 255 with two
// decimals. System colours are resolved first.
QString PdfColorStr(TColor color);
// "0 0 0" for clNone, else each channel / 255 trimmed to three decimals.
QString ColorToPdfRGB(TColor color);
// "0", "1", or "0." and two digits of v * 100 div 256.
QString ChannelStr(int v);
QString ChannelColorStr(TColor color);
// The dash operator for a frame style; Width in pixels. Round and square
// dots carry their cap style on a line of their own first.
QString DashPattern(TvdxFrameLine::TvdxFrameStyle style, double width);
// "left bottom width height re", trimmed to three decimals.
QString RectToPdfStr(const TPdfRect &rect);
// Fixed form with two decimals, "." whatever the locale.
QString Fixed2(double value);
