#include "svg/vdSVGVocabulary.h"

#include <QHash>
#include <array>
#include <initializer_list>

namespace {

TSVGElementSet elems(std::initializer_list<TSVGElement> list)
{
    TSVGElementSet s;
    for (TSVGElement e : list)
        s.set(e);
    return s;
}

TSVGAttributeSet attrs(std::initializer_list<TSVGAttribute> list)
{
    TSVGAttributeSet s;
    for (TSVGAttribute a : list)
        s.set(a);
    return s;
}

TSVGElementOptionsSet opts(std::initializer_list<TSVGElementOption> list)
{
    TSVGElementOptionsSet s = 0;
    for (TSVGElementOption o : list)
        s |= eoBit(o);
    return s;
}

struct Tables {
    std::array<TSVGAttributeData, SVGAttributeCount> attributes;
    std::array<TSVGElementData, SVGElementCount> elements;
    std::array<QString, SVGSpecificWordCount> words;
    TSVGAttributeSet baseSet;
    QHash<QString, TSVGElement> elementByName;
    QHash<QString, TSVGAttribute> attributeByName; // lower case

    Tables()
    {
        const TSVGElementSet all = TSVGElementSet().set();
        const TSVGElementSet none;
        const TSVGElementSet boxes = elems({el_image, el_rect, el_svg, el_use});
        const TSVGElementSet ellipses = elems({el_ellipse, el_rect});
        attributes = {{
            {"class", sdNo, none}, {"clip-path", sdNo, all}, {"clip-rule", sdNo, all},
            {"clipPathUnits", sdNo, none}, {"color", sdNo, all},
            {"cx", sdHorizontal, elems({el_circle, el_ellipse})}, {"cy", sdVertical, elems({el_circle, el_ellipse})},
            {"d", sdNo, none}, {"display", sdNo, all}, {"dominant-baseline", sdNo, all}, {"dx", sdHorizontal, none},
            {"dy", sdVertical, none}, {"fill", sdNo, all}, {"fill-opacity", sdNo, all}, {"fill-rule", sdNo, all},
            {"font-family", sdNo, all}, {"font-size", sdDiagonal, all}, {"font-style", sdNo, all},
            {"font-weight", sdNo, all}, {"fr", sdDiagonal, none}, {"fx", sdHorizontal, none},
            {"fy", sdVertical, none}, {"gradientTransform", sdNo, none}, {"gradientUnits", sdNo, none},
            {"height", sdVertical, boxes}, {"href", sdNo, none}, {"id", sdNo, none}, {"method", sdNo, none},
            {"offset", sdNo, none}, {"opacity", sdNo, all}, {"path", sdNo, none},
            {"patternContentUnits", sdNo, none}, {"patternTransform", sdNo, none}, {"patternUnits", sdNo, none},
            {"points", sdNo, none}, {"preserveAspectRatio", sdNo, none}, {"r", sdDiagonal, elems({el_circle})},
            {"rx", sdHorizontal, ellipses}, {"ry", sdVertical, ellipses}, {"side", sdNo, none},
            {"spacing", sdNo, none}, {"spreadMethod", sdNo, none}, {"startOffset", sdDiagonal, none},
            {"stop-color", sdNo, all}, {"stop-opacity", sdNo, all}, {"stroke", sdNo, all},
            {"stroke-dasharray", sdDiagonal, all}, {"stroke-dashoffset", sdDiagonal, all},
            {"stroke-linecap", sdNo, all}, {"stroke-linejoin", sdNo, all}, {"stroke-miterlimit", sdDiagonal, all},
            {"stroke-opacity", sdNo, all}, {"stroke-width", sdDiagonal, all}, {"style", sdNo, none},
            {"systemLanguage", sdNo, none}, {"transform", sdNo, all}, {"text-anchor", sdNo, all},
            {"text-decoration", sdNo, all}, {"viewBox", sdNo, none}, {"visibility", sdNo, all},
            {"width", sdHorizontal, boxes}, {"x", sdHorizontal, boxes}, {"x1", sdHorizontal, none},
            {"x2", sdHorizontal, none}, {"y", sdVertical, boxes}, {"y1", sdVertical, none},
            {"y2", sdVertical, none},
        }};
        const auto shape = opts({eoSelfBounds, eoPaint, eoMatrix, eoBaseSet});
        const auto container = opts({eoHaveChild, eoChildBounds, eoPaint, eoMatrix, eoBaseSet});
        const auto textLike = opts({eoHaveChild, eoSelfBounds, eoChildBounds, eoPaint, eoMatrix, eoBaseSet});
        elements = {{
            {"#pathelement", 0, {}},
            {"#text", 0, {}},
            {"a", container, attrs({at_href, at_systemLanguage})},
            {"circle", shape, attrs({at_cx, at_cy, at_r, at_systemLanguage})},
            {"clipPath", opts({eoHaveChild, eoMatrix, eoBaseSet}), attrs({at_clipPathUnits, at_systemLanguage})},
            {"defs", opts({eoHaveChild, eoMatrix, eoBaseSet}), attrs({at_systemLanguage})},
            {"ellipse", shape, attrs({at_cx, at_cy, at_rx, at_ry, at_systemLanguage})},
            {"g", container, attrs({at_systemLanguage})},
            {"image", opts({eoSelfBounds, eoPaint, eoMatrix}),
             attrs({at_clip_path, at_display, at_height, at_href, at_opacity, at_preserveAspectRatio,
                    at_systemLanguage, at_transform, at_visibility, at_width, at_x, at_y})},
            {"line", shape, attrs({at_systemLanguage, at_x1, at_x2, at_y1, at_y2})},
            {"linearGradient", opts({eoHaveChild, eoMatrix, eoBaseSet}),
             attrs({at_gradientTransform, at_gradientUnits, at_href, at_spreadMethod, at_x1, at_x2, at_y1, at_y2})},
            {"path", shape, attrs({at_d, at_systemLanguage})},
            {"pattern", opts({eoHaveChild, eoBaseSet}),
             attrs({at_height, at_href, at_patternContentUnits, at_patternTransform, at_patternUnits,
                    at_preserveAspectRatio, at_systemLanguage, at_viewBox, at_width, at_x, at_y})},
            {"polygon", shape, attrs({at_points, at_systemLanguage})},
            {"polyline", shape, attrs({at_points, at_systemLanguage})},
            {"radialGradient", opts({eoHaveChild, eoMatrix, eoBaseSet}),
             attrs({at_cx, at_cy, at_fr, at_fx, at_fy, at_gradientTransform, at_gradientUnits, at_href, at_r,
                    at_spreadMethod})},
            {"rect", shape, attrs({at_height, at_rx, at_ry, at_systemLanguage, at_width, at_x, at_y})},
            {"stop", 0, attrs({at_color, at_offset, at_stop_color, at_stop_opacity})},
            {"style", 0, {}},
            {"svg", opts({eoHaveChild, eoSelfBounds, eoPaint, eoMatrix, eoBaseSet}),
             attrs({at_height, at_preserveAspectRatio, at_systemLanguage, at_viewBox, at_width, at_x, at_y})},
            {"switch", container, attrs({at_systemLanguage})},
            {"text", textLike, attrs({at_dominant_baseline, at_dx, at_dy, at_systemLanguage, at_x, at_y})},
            {"textPath", textLike, attrs({at_dominant_baseline, at_href, at_startOffset, at_systemLanguage})},
            {"tspan", textLike, attrs({at_dominant_baseline, at_dx, at_dy, at_systemLanguage, at_x, at_y})},
            {"use", opts({eoChildBounds, eoPaint, eoMatrix, eoBaseSet}),
             attrs({at_height, at_href, at_systemLanguage, at_width, at_x, at_y})},
        }};
        baseSet = attrs({at_clip_path, at_clip_rule, at_color, at_display, at_fill, at_fill_opacity, at_fill_rule,
                         at_font_family, at_font_size, at_font_style, at_font_weight, at_opacity, at_stroke,
                         at_stroke_dasharray, at_stroke_dashoffset, at_stroke_linecap, at_stroke_linejoin,
                         at_stroke_miterlimit, at_stroke_opacity, at_stroke_width, at_transform, at_text_anchor,
                         at_text_decoration, at_visibility});
        words = {{
            "", "", "", "font", "align", "alphabetic", "arcs", "auto", "bevel", "bold", "bolder", "butt",
            "catch-all", "central", "collapse", "context-fill", "context-stroke", "currentcolor", "end",
            "evenodd", "exact", "hanging", "hidden", "ideographic", "inherit", "italic", "left", "lighter",
            "line-through", "mathematical", "meet", "middle", "miter", "miter-clip", "no-change", "none",
            "nonzero", "normal", "objectBoundingBox", "oblique", "overline", "pad", "reflect", "repeat",
            "reset-size", "right", "round", "slice", "square", "start", "stretch", "text-after-edge",
            "text-before-edge", "text-bottom", "text-top", "transparent", "underline", "use-script",
            "userSpaceOnUse", "visible", "xMinYMin", "xMinYMid", "xMinYMax", "xMidYMin", "xMidYMid", "xMidYMax",
            "xMaxYMin", "xMaxYMid", "xMaxYMax",
        }};
        for (int i = 0; i < SVGElementCount; ++i)
            elementByName.insert(elements[i].Name, TSVGElement(i));
        for (int i = 0; i < SVGAttributeCount; ++i)
            attributeByName.insert(attributes[i].Name.toLower(), TSVGAttribute(i));
    }
};

const Tables &tables()
{
    static const Tables t;
    return t;
}

} // namespace

const TSVGAttributeData &SVGAttributeData(TSVGAttribute a) { return tables().attributes[a]; }
const TSVGElementData &SVGElementData(TSVGElement e) { return tables().elements[e]; }
const TSVGAttributeSet &SVGBaseAttributeSet() { return tables().baseSet; }
const QString &SVGSpecificWordText(TSVGSpecificWord w) { return tables().words[w]; }

bool SVGElementByName(const QString &name, TSVGElement &element)
{
    const auto &m = tables().elementByName;
    auto it = m.constFind(name);
    if (it == m.constEnd())
        return false;
    element = it.value();
    return true;
}

bool SVGAttributeByName(const QString &name, TSVGAttribute &attribute)
{
    const auto &m = tables().attributeByName;
    auto it = m.constFind(name.toLower());
    if (it == m.constEnd())
        return false;
    attribute = it.value();
    return true;
}
