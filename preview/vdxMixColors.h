#pragma once
#include "platform/GraphicsTypes.h"

// Mixes c1 into c2 by weight per cent (weight below 100) or per mille:
// MixColors(a, b, 30) is 30 % of a, MixColors(a, b, 355) is 35.5 % of a.
// System colours are resolved first.
TColor MixColors(TColor c1, TColor c2, int weight);
