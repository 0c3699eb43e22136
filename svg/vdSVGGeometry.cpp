#include "svg/vdSVGGeometry.h"

#include "svg/vdSVGValues.h"

#include <algorithm>
#include <cmath>

bool SameSingle(float a, float b, float epsilon)
{
    if (epsilon == 0)
        epsilon = std::max(std::min(std::fabs(a), std::fabs(b)) * 0.0001f, 0.0001f);
    return std::fabs(a - b) <= epsilon;
}

bool SamePoint(const TSinglePoint &p1, const TSinglePoint &p2)
{
    return SameSingle(p1.X, p2.X) && SameSingle(p1.Y, p2.Y);
}

bool SameBounds(const TSingleBounds &b1, const TSingleBounds &b2)
{
    return SameSingle(b1.X, b2.X) && SameSingle(b1.Y, b2.Y) && SameSingle(b1.Width, b2.Width)
           && SameSingle(b1.Height, b2.Height);
}

TSinglePoint PointFromStrings(const QString &sx, const QString &sy)
{
    return {StrToSingle(sx), StrToSingle(sy)};
}

TSingleBounds BoundsToCorners(const TSingleBounds &b)
{
    return {b.X, b.Y, b.X + b.Width, b.Y + b.Height};
}

TSingleBounds CornersToBounds(const TSingleBounds &c)
{
    return {c.X, c.Y, c.Width - c.X, c.Height - c.Y};
}

TSingleBounds CornersUnion(const TSingleBounds &c1, const TSingleBounds &c2)
{
    return {std::min(c1.X, c2.X), std::min(c1.Y, c2.Y), std::max(c1.Width, c2.Width),
            std::max(c1.Height, c2.Height)};
}

TSingleBounds BoundsUnion(const TSingleBounds &b1, const TSingleBounds &b2)
{
    return CornersToBounds(CornersUnion(BoundsToCorners(b1), BoundsToCorners(b2)));
}

TSingleBounds RectToBounds(const TIntRect &r)
{
    return {float(r.Left), float(r.Top), float(r.Right - r.Left), float(r.Bottom - r.Top)};
}
