// Single-precision points, sizes and bounds shared by the SVG renderer, and
// their comparison within a tolerance.
#pragma once
#include <QList>
#include <QString>
#include <vector>

struct TSinglePoint {
    float X = 0;
    float Y = 0;
};
using TSinglePointDynArray = std::vector<TSinglePoint>;
using TSingleDynArray = std::vector<float>;

struct TSingleSize {
    float Width = 0;
    float Height = 0;
};

// The corner form keeps the right and bottom edges in Width and Height.
struct TSingleBounds {
    float X = 0;
    float Y = 0;
    float Width = 0;
    float Height = 0;
    TSinglePoint TopLeft() const { return {X, Y}; }
    TSingleSize Size() const { return {Width, Height}; }
};

struct TIntRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
};

constexpr float MaxSingle = 3.4028235e38f;

// |A - B| <= Epsilon; an Epsilon of 0 means max(min(|A|, |B|) * 0.0001, 0.0001).
bool SameSingle(float a, float b, float epsilon = 0);
bool SamePoint(const TSinglePoint &p1, const TSinglePoint &p2);
bool SameBounds(const TSingleBounds &b1, const TSingleBounds &b2);

inline TSinglePoint ToSinglePoint(float x, float y) { return {x, y}; }
inline TSingleSize ToSingleSize(float w, float h) { return {w, h}; }
inline TSingleBounds ToSingleBounds(float x, float y, float w, float h) { return {x, y, w, h}; }
inline TIntRect ToIntRect(int l, int t, int r, int b) { return {l, t, r, b}; }

inline TSinglePoint PointSub(const TSinglePoint &a, const TSinglePoint &b) { return {a.X - b.X, a.Y - b.Y}; }
inline TSinglePoint PointAdd(const TSinglePoint &a, const TSinglePoint &b) { return {a.X + b.X, a.Y + b.Y}; }
inline TSinglePoint PointMid(const TSinglePoint &a, const TSinglePoint &b)
{
    return {(a.X + b.X) / 2, (a.Y + b.Y) / 2};
}
// Two number texts; invalid ones read as 0.
TSinglePoint PointFromStrings(const QString &sx, const QString &sy);

TSingleBounds BoundsToCorners(const TSingleBounds &b);
TSingleBounds CornersToBounds(const TSingleBounds &c);
TSingleBounds CornersUnion(const TSingleBounds &c1, const TSingleBounds &c2);
TSingleBounds BoundsUnion(const TSingleBounds &b1, const TSingleBounds &b2);
TSingleBounds RectToBounds(const TIntRect &r);
