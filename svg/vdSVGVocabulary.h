// The SVG element kinds, attributes and keywords the renderer understands,
// with what each element accepts and which attributes come from style sheets.
#pragma once
#include <QString>
#include <bitset>
#include <cstdint>

enum TSVGElement : uint8_t {
    el_PathElement, el_PlainText, el_a, el_circle, el_clipPath, el_defs, el_ellipse, el_g, el_image, el_line,
    el_linearGradient, el_path, el_pattern, el_polygon, el_polyline, el_radialGradient, el_rect, el_stop,
    el_style, el_svg, el_switch, el_text, el_textPath, el_tspan, el_use,
};
constexpr int SVGElementCount = 25;

enum TSVGAttribute : uint8_t {
    at_class, at_clip_path, at_clip_rule, at_clipPathUnits, at_color, at_cx, at_cy, at_d, at_display,
    at_dominant_baseline, at_dx, at_dy, at_fill, at_fill_opacity, at_fill_rule, at_font_family, at_font_size,
    at_font_style, at_font_weight, at_fr, at_fx, at_fy, at_gradientTransform, at_gradientUnits, at_height,
    at_href, at_id, at_method, at_offset, at_opacity, at_path, at_patternContentUnits, at_patternTransform,
    at_patternUnits, at_points, at_preserveAspectRatio, at_r, at_rx, at_ry, at_side, at_spacing,
    at_spreadMethod, at_startOffset, at_stop_color, at_stop_opacity, at_stroke, at_stroke_dasharray,
    at_stroke_dashoffset, at_stroke_linecap, at_stroke_linejoin, at_stroke_miterlimit, at_stroke_opacity,
    at_stroke_width, at_style, at_systemLanguage, at_transform, at_text_anchor, at_text_decoration,
    at_viewBox, at_visibility, at_width, at_x, at_x1, at_x2, at_y, at_y1, at_y2,
};
constexpr int SVGAttributeCount = 67;

enum TSVGSpecificWord : uint8_t {
    vdx_noMater, vdx_RGBA, vdx_URI, css_font, svg_align, svg_alphabetic, svg_arcs, svg_auto, svg_bevel,
    svg_bold, svg_bolder, svg_butt, svg_catch_all, svg_central, svg_collapse, svg_context_fill,
    svg_context_stroke, svg_currentcolor, svg_end, svg_evenodd, svg_exact, svg_hanging, svg_hidden,
    svg_ideographic, svg_inherit, svg_italic, svg_left, svg_lighter, svg_line_through, svg_mathematical,
    svg_meet, svg_middle, svg_miter, svg_miter_clip, svg_no_change, svg_none, svg_nonzero, svg_normal,
    svg_objectBoundingBox, svg_oblique, svg_overline, svg_pad, svg_reflect, svg_repeat, svg_reset_size,
    svg_right, svg_round, svg_slice, svg_square, svg_start, svg_stretch, svg_text_after_edge,
    svg_text_before_edge, svg_text_bottom, svg_text_top, svg_transparent, svg_underline, svg_use_script,
    svg_userSpaceOnUse, svg_visible, svg_xMinYMin, svg_xMinYMid, svg_xMinYMax, svg_xMidYMin, svg_xMidYMid,
    svg_xMidYMax, svg_xMaxYMin, svg_xMaxYMid, svg_xMaxYMax,
};
constexpr int SVGSpecificWordCount = 69;

using TSVGElementSet = std::bitset<SVGElementCount>;
using TSVGAttributeSet = std::bitset<SVGAttributeCount>;
using TSVGSpecificWordSet = std::bitset<SVGSpecificWordCount>;

enum TSVGDirection : uint8_t { sdNo, sdHorizontal, sdVertical, sdDiagonal };

enum TSVGElementOption : uint8_t { eoHaveChild, eoSelfBounds, eoChildBounds, eoPaint, eoMatrix, eoBaseSet };
using TSVGElementOptionsSet = uint8_t; // bit i = option i
constexpr TSVGElementOptionsSet eoBit(TSVGElementOption o) { return TSVGElementOptionsSet(1u << o); }

struct TSVGAttributeData {
    QString Name;
    TSVGDirection Direction;
    TSVGElementSet CSS;
};

struct TSVGElementData {
    QString Name;
    TSVGElementOptionsSet Options;
    TSVGAttributeSet Attributes;
};

const TSVGAttributeData &SVGAttributeData(TSVGAttribute a);
const TSVGElementData &SVGElementData(TSVGElement e);
// The attributes every kind with eoBaseSet accepts besides its own.
const TSVGAttributeSet &SVGBaseAttributeSet();

// Exact name; false for an unknown element.
bool SVGElementByName(const QString &name, TSVGElement &element);
inline const QString &SVGElementName(TSVGElement e) { return SVGElementData(e).Name; }
inline const QString &SVGAttributeName(TSVGAttribute a) { return SVGAttributeData(a).Name; }
inline TSVGDirection SVGAttributeDirection(TSVGAttribute a) { return SVGAttributeData(a).Direction; }
inline bool SVGHasOption(TSVGElement e, TSVGElementOption o) { return SVGElementData(e).Options & eoBit(o); }
// Name ignoring case; false when unknown.
bool SVGAttributeByName(const QString &name, TSVGAttribute &attribute);
const QString &SVGSpecificWordText(TSVGSpecificWord w);
