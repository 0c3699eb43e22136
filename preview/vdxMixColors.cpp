#include "preview/vdxMixColors.h"

TColor MixColors(TColor c1, TColor c2, int weight)
{
    const TColor a = ColorToRGB(c1);
    const TColor b = ColorToRGB(c2);
    const int base = weight < 100 ? 100 : 1000;
    auto mix = [&](int x1, int x2) { return (x2 * (base - weight) + x1 * weight + base / 2) / base; };
    return RGBColor(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)), mix(GetBValue(a), GetBValue(b)));
}
