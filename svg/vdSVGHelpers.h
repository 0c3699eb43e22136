// Records that the element classes hand to a drawing canvas: paint, stroke,
// font and text-position data.
#pragma once
#include "svg/vdSVGColors.h"
#include "svg/vdSVGTransform.h"

#include <QImage>
#include <array>
#include <memory>
#include <vector>

class TSVGCanvasPath;

enum TSVGDrawType : uint8_t { dtFill, dtStroke };
enum TSVGFillerType : uint8_t { ftSolidColor, ftLinearGradient, ftRadialGradient, ftPattern };

struct TSVGDashData {
    float Offset = 0;
    std::vector<float> Arr;
};

struct TSVGStrokeData {
    float Width = 1;
    float Miterlimit = 4;
    TSVGSpecificWord LineCap = svg_butt;
    TSVGSpecificWord LineJoin = svg_miter;
    TSVGDashData Dash;
};

struct TSVGFontData {
    QString Names;
    float Size = 16;
    TSVGSpecificWord Style = svg_normal;
    int Weight = 400;
    TSVGSpecificWordSet Decoration;
};

struct TSVGGradientStopData {
    TSVGColor SVGColor;
    float Offset = 0;
};
using TSVGGradientArray = std::vector<TSVGGradientStopData>;

struct TSVGGradientData {
    TSVGSpecificWord gradientUnits = svg_objectBoundingBox;
    TSVGSpecificWord spreadMethod = svg_pad;
    TSingleBounds UserBounds;
    TSVGTransform gradientTransform = IdentityMatrix();
    TSVGGradientArray GradientArray;
    TSVGFillerType FillerType = ftLinearGradient;
    // Linear: x1, y1, x2, y2. Radial: cx, cy, r, fx, fy, fr.
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    float cx = 0, cy = 0, r = 0, fx = 0, fy = 0, fr = 0;
};

// One tile of premultiplied pixels; Factor is user units per tile pixel.
struct TSVGPatternData {
    std::shared_ptr<const QImage> Bitmap;
    float x = 0, y = 0, Width = 0, Height = 0;
    float Factor = 1;
    TSinglePoint Offset;
    TSVGTransform Matrix = IdentityMatrix();
};

enum TTextDecoration : uint8_t { tdUnderline, tdLineThrow, tdOwerline };
using TTextDecorations = std::array<TSVGCanvasPath *, 3>;

// Per-character absolute positions and shifts.
struct TTextOrigin {
    std::vector<float> X, Y, DX, DY;
};

// Font metrics in user units for the baseline rules of text.
struct TSVGTextMetrics {
    float Descent = 0;
    float Ascent = 0;
    float InternalLeading = 0;
    float AscentWithoutLeading = 0;
    float ExternalLeading = 0;
};

bool SameColor(const TSVGColor &a, const TSVGColor &b);
bool SameGradientData(const TSVGGradientData &a, const TSVGGradientData &b);
