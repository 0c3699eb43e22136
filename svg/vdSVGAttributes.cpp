#include "svg/vdSVGAttributes.h"

#include "platform/Exception.h"
#include "svg/vdSVGCSS.h"
#include "svg/vdSVGElement.h"
#include "svg/vdSVGRoot.h"

#include <cmath>
#include <span>

namespace {

constexpr TSVGSpecificWord kFillRules[] = {svg_evenodd, svg_inherit, svg_nonzero};
constexpr TSVGSpecificWord kUnits[] = {svg_userSpaceOnUse, svg_objectBoundingBox};
constexpr TSVGSpecificWord kDisplays[] = {svg_inherit, svg_none};
constexpr TSVGSpecificWord kBaselines[] = {svg_auto, svg_use_script, svg_no_change, svg_reset_size, svg_ideographic, svg_alphabetic, svg_hanging, svg_mathematical, svg_central, svg_middle, svg_text_after_edge, svg_text_before_edge, svg_text_top};
constexpr TSVGSpecificWord kFontStyles[] = {svg_inherit, svg_italic, svg_normal, svg_oblique};
constexpr TSVGSpecificWord kSpreads[] = {svg_pad, svg_reflect, svg_repeat};
constexpr TSVGSpecificWord kLineCaps[] = {svg_butt, svg_inherit, svg_round, svg_square};
constexpr TSVGSpecificWord kLineJoins[] = {svg_arcs, svg_bevel, svg_inherit, svg_miter, svg_miter_clip, svg_round};
constexpr TSVGSpecificWord kAnchors[] = {svg_end, svg_inherit, svg_middle, svg_start};
constexpr TSVGSpecificWord kVisibilities[] = {svg_hidden, svg_collapse, svg_visible};

[[noreturn]] void wrongValue() { throw Exception(QStringLiteral("Wrong SVG Value")); }

} // namespace

std::unique_ptr<TSVGAttributeObj> CreateAttributeObj(TSVGElementObj *elementObj, TSVGAttribute attribute)
{
    if (attribute == at_class || attribute == at_id || attribute == at_style)
        throw Exception(QStringLiteral("Unsupported SVG attribute: \"%1\"").arg(SVGAttributeName(attribute)));
    return std::make_unique<TSVGAttributeObj>(elementObj, attribute);
}

TSVGAttributeObj::TSVGAttributeObj(TSVGElementObj *elementObj, TSVGAttribute attribute)
    : m_elementObj(elementObj), m_element(elementObj->Element()), m_attribute(attribute)
{
    Init();
}

TSVGAttributeObj::TSVGAttributeObj(const TSVGAttributeObj &o)
    : m_elementObj(o.m_elementObj), m_element(o.m_element), m_attribute(o.m_attribute), m_svgValue(o.m_svgValue),
      m_default(o.m_default), m_force(o.m_force), m_inheritable(o.m_inheritable), m_length(o.m_length),
      m_lengthRootDefault(o.m_lengthRootDefault), m_lengthAuto(o.m_lengthAuto), m_lengthSW(o.m_lengthSW),
      m_lengthList(o.m_lengthList), m_lengthListSW(o.m_lengthListSW), m_string(o.m_string),
      m_stringSW(o.m_stringSW), m_word(o.m_word), m_wordRootDefault(o.m_wordRootDefault),
      m_acceptable(o.m_acceptable), m_acceptableCount(o.m_acceptableCount), m_wordSet(o.m_wordSet), m_wordSetRootDefault(o.m_wordSetRootDefault),
      m_color(o.m_color), m_colorRootDefault(o.m_colorRootDefault), m_alpha(o.m_alpha), m_number(o.m_number),
      m_numberSW(o.m_numberSW), m_numberSWRootDefault(o.m_numberSWRootDefault), m_points(o.m_points),
      m_par(o.m_par), m_bounds(o.m_bounds), m_paint(o.m_paint), m_paintRootDefault(o.m_paintRootDefault),
      m_tl(o.m_tl ? std::make_unique<TCSSSVGTransformList>(*o.m_tl) : nullptr)
{
}

TSVGAttributeObj::~TSVGAttributeObj() = default;

std::unique_ptr<TSVGAttributeObj> TSVGAttributeObj::CloneFor(TSVGElementObj *elementObj) const
{
    std::unique_ptr<TSVGAttributeObj> c(new TSVGAttributeObj(*this));
    c->m_elementObj = elementObj;
    return c;
}

void TSVGAttributeObj::Init()
{
    m_default = true;
    m_force = false;
    // The accepted keywords live in static tables: attribute objects are many.
    auto word = [this](TSVGSpecificWord deflt, std::span<const TSVGSpecificWord> accepted,
                       TSVGSpecificWord rootDefault = vdx_noMater) {
        m_svgValue = svSpecificWord;
        m_word = deflt;
        m_wordRootDefault = rootDefault;
        m_acceptable = accepted.data();
        m_acceptableCount = int(accepted.size());
        m_inheritable = deflt == svg_inherit;
    };
    auto length = [this](float v, TSVGUnit u) {
        m_svgValue = svLengthPercentage;
        m_length = {v, u};
    };
    auto lengthInherit = [this](TSVGLength rootDefault) {
        m_svgValue = svLengthPercentageInherit;
        m_lengthSW = {svg_inherit, 0, suNone};
        m_lengthRootDefault = rootDefault;
        m_inheritable = true;
    };
    const TSVGElement e = m_element;
    switch (m_attribute) {
    case at_clip_path: m_svgValue = svURI; break;
    case at_clip_rule:
    case at_fill_rule: word(svg_inherit, kFillRules, svg_nonzero); break;
    case at_clipPathUnits:
    case at_patternContentUnits: word(svg_userSpaceOnUse, kUnits); break;
    case at_gradientUnits:
    case at_patternUnits: word(svg_objectBoundingBox, kUnits); break;
    case at_color:
        m_svgValue = svColorInherit;
        m_color.SW = svg_inherit;
        m_colorRootDefault = {vdx_RGBA, 0, 0, 0, 1};
        m_inheritable = true;
        break;
    case at_cx:
    case at_cy:
        if (e == el_circle || e == el_ellipse)
            length(0, suNone);
        else
            length(50, suPercent);
        m_force = e != el_radialGradient;
        break;
    case at_d:
        m_svgValue = svPath;
        m_force = true;
        break;
    case at_display: word(svg_inherit, kDisplays, vdx_noMater); break;
    case at_dominant_baseline:
        word(svg_auto, kBaselines);
        break;
    case at_dx:
    case at_dy:
        m_svgValue = svLengthPercentageList;
        m_force = true;
        break;
    case at_fill:
    case at_stroke:
        m_svgValue = svPaint;
        m_paint.SW = svg_inherit;
        if (m_attribute == at_fill)
            m_paintRootDefault = ColorToPaint({0, 0, 0, 1});
        else
            m_paintRootDefault.SW = svg_none;
        m_inheritable = true;
        break;
    case at_fill_opacity:
    case at_opacity:
    case at_stop_opacity:
    case at_stroke_opacity:
        m_svgValue = svAlphaPercentage;
        m_alpha = 1;
        break;
    case at_offset:
        m_svgValue = svAlphaPercentage;
        m_alpha = 0;
        break;
    case at_font_family:
        m_svgValue = svStringInherit;
        m_stringSW.SW = svg_inherit;
        m_inheritable = true;
        break;
    case at_font_size:
        lengthInherit({1, suEM});
        m_force = true;
        break;
    case at_font_style: word(svg_inherit, kFontStyles, svg_normal); break;
    case at_font_weight:
        m_svgValue = svNumberFontWeight;
        m_numberSW = {svg_inherit, 0};
        m_numberSWRootDefault = {vdx_noMater, 400};
        m_inheritable = true;
        break;
    case at_fr: length(0, suNone); break;
    case at_fx:
    case at_fy: length(50, suPercent); break;
    case at_gradientTransform:
    case at_patternTransform:
    case at_transform: m_svgValue = svTransform; break;
    case at_height:
    case at_width:
        m_svgValue = svLengthPercentageAuto;
        m_lengthSW = {svg_auto, 0, suNone};
        m_lengthAuto = e == el_svg ? TSVGLength{100, suPercent} : TSVGLength{0, suNone};
        m_force = true;
        break;
    case at_rx:
    case at_ry:
        m_svgValue = svLengthPercentageAuto;
        m_lengthSW = {svg_auto, 0, suNone};
        m_force = true;
        break;
    case at_href:
    case at_systemLanguage: m_svgValue = svString; break;
    case at_path:
        m_svgValue = svString;
        m_force = true;
        break;
    case at_method: word(svg_align, std::span<const TSVGSpecificWord>()); break;
    case at_side: word(svg_left, std::span<const TSVGSpecificWord>()); break;
    case at_spacing: word(svg_exact, std::span<const TSVGSpecificWord>()); break;
    case at_points:
        m_svgValue = svSinglePointList;
        m_force = true;
        break;
    case at_preserveAspectRatio: m_svgValue = svPreserveAspectRatio; break;
    case at_r:
        length(e == el_circle ? 0 : 50, e == el_circle ? suNone : suPercent);
        m_force = e != el_radialGradient;
        break;
    case at_spreadMethod: word(svg_pad, kSpreads); break;
    case at_startOffset: length(0, suNone); break;
    case at_stop_color:
        m_svgValue = svColorCurrent;
        m_color.SW = svg_currentcolor;
        break;
    case at_stroke_dasharray:
        m_svgValue = svLengthPercentageListNoneInherit;
        m_lengthListSW.SW = svg_inherit;
        m_inheritable = true;
        break;
    case at_stroke_dashoffset: lengthInherit({0, suNone}); break;
    case at_stroke_linecap: word(svg_inherit, kLineCaps, svg_butt); break;
    case at_stroke_linejoin:
        word(svg_inherit, kLineJoins, svg_miter);
        break;
    case at_stroke_miterlimit:
        m_svgValue = svNumberInherit;
        m_numberSW = {svg_inherit, 0};
        m_numberSWRootDefault = {vdx_noMater, 4};
        m_inheritable = true;
        break;
    case at_stroke_width:
        lengthInherit({1, suNone});
        m_force = true;
        break;
    case at_text_anchor: word(svg_inherit, kAnchors, svg_start); break;
    case at_text_decoration:
        m_svgValue = svSpecificWordSet;
        m_wordSet.set(svg_inherit);
        m_inheritable = true;
        break;
    case at_viewBox: m_svgValue = svBounds; break;
    case at_visibility: word(svg_visible, kVisibilities); break;
    case at_x:
    case at_y:
        if (e == el_image || e == el_pattern || e == el_rect || e == el_svg || e == el_use)
            length(0, suNone);
        else
            m_svgValue = svLengthPercentageList;
        m_force = true;
        break;
    case at_x1:
    case at_y1:
    case at_y2:
        length(0, e == el_line ? suNone : suPercent);
        m_force = e != el_linearGradient;
        break;
    case at_x2:
        length(e == el_line ? 0 : 100, e == el_line ? suNone : suPercent);
        m_force = e != el_linearGradient;
        break;
    case at_class:
    case at_id:
    case at_style: break;
    }
}

bool TSVGAttributeObj::IsCSS() const { return SVGAttributeData(m_attribute).CSS.test(m_element); }

bool TSVGAttributeObj::IsPercent() const
{
    return (m_svgValue == svLengthPercentage && m_length.SVGUnit == suPercent)
           || (m_svgValue == svLengthPercentageAuto && m_lengthSW.SVGUnit == suPercent);
}

void TSVGAttributeObj::PartToPercent()
{
    if (m_svgValue == svLengthPercentage && m_length.SVGUnit == suNone)
        m_length = {m_length.Value * 100, suPercent};
}

bool TSVGAttributeObj::ReadStyleValue(const TvdxCSSStyle &style, QString &text) const
{
    text = style.GetStyle(SVGAttributeName(m_attribute));
    if (text.isEmpty() && m_attribute == at_href)
        text = style.GetStyle(QStringLiteral("xlink:href"));
    return !text.isEmpty();
}

bool TSVGAttributeObj::IsCanReadSVGValue(const TvdxCSSStyle &style)
{
    QString text;
    const bool found = ReadStyleValue(style, text);
    m_default = !found;
    if (found)
        parse(text);
    return found;
}

void TSVGAttributeObj::parse(const QString &text)
{
    switch (m_svgValue) {
    case svAlphaPercentage: ParseAlpha(text, m_alpha); break;
    case svBounds: ParseViewBox(text, m_bounds); break;
    case svColorCurrent: ParseColor(text, svg_currentcolor, m_color); break;
    case svColorInherit: ParseColor(text, svg_inherit, m_color); break;
    case svLengthPercentage: ParseLength(text, m_length); break;
    case svLengthPercentageAuto: ParseLengthSW(text, svg_auto, m_lengthSW); break;
    case svLengthPercentageInherit: ParseLengthSW(text, svg_inherit, m_lengthSW); break;
    case svLengthPercentageList: ParseLengthList(text, m_lengthList); break;
    case svLengthPercentageListNoneInherit: ParseLengthListSW(text, m_lengthListSW); break;
    case svNumber: m_number = StrToSingle(text); break;
    case svNumberInherit: ParseNumberSW(text, m_numberSW); break;
    case svNumberFontWeight: ParseFontWeight(text, m_numberSW); break;
    case svPaint: ParsePaint(text, m_paint); break;
    case svPath: m_string = text; break; // path data is parsed by the path element
    case svPreserveAspectRatio: ParsePreserveAspectRatio(text, m_par); break;
    case svSinglePointList: ParsePoints(text, m_points); break;
    case svSpecificWordSet: ParseTextDecoration(text, m_wordSet); break;
    case svSpecificWord:
        for (int i = 0; i < m_acceptableCount; ++i)
            if (text == SVGSpecificWordText(m_acceptable[i])) {
                m_word = m_acceptable[i];
                break;
            }
        break;
    case svString: m_string = text; break;
    case svStringInherit: ParseStringSW(text, m_stringSW); break;
    case svTransform: {
        auto tl = std::make_unique<TCSSSVGTransformList>(text);
        // A percentage where no length is meant (an angle, a matrix factor)
        // makes the text unparsable.
        TSVGLengthArray raw;
        TSVGDirectionArray dir;
        tl->GetRawData(raw, dir);
        for (size_t i = 0; i < raw.size(); ++i)
            if (raw[i].SVGUnit == suPercent && dir[i] == sdNo)
                return;
        m_tl = std::move(tl);
        break;
    }
    case svURI: ParseURI(text, m_string); break;
    }
}

void TSVGAttributeObj::check(TSVGValue kind) const
{
    if (m_svgValue != kind)
        wrongValue();
}

bool TSVGAttributeObj::ownerIsRoot() const { return m_elementObj->IsRoot(); }

float TSVGAttributeObj::GetFontSize() const
{
    if (m_attribute == at_font_size) {
        TSVGElementObj *parent = m_elementObj->Parent();
        return parent ? parent->FontSize() : m_elementObj->Root() ? m_elementObj->Root()->ExternalFontSize() : 16;
    }
    return m_elementObj->FontSize();
}

float TSVGAttributeObj::GetPercentBase() const
{
    return m_elementObj->PercentBase(SVGAttributeDirection(m_attribute), m_attribute);
}

float TSVGAttributeObj::ResolveLength(const TSVGLength &length, float base) const
{
    return resolveAs(length, m_attribute, m_force, base);
}

// A length resolved as attribute "as" would resolve it (transform arguments
// take the direction of their position).
float TSVGAttributeObj::resolveAs(const TSVGLength &length, TSVGAttribute as, bool force, float base) const
{
    TSVGLength l = length;
    if (force && l.SVGUnit == suNone && m_elementObj->IsForceLengthToPercent())
        l = {l.Value * 100, suPercent};
    float v;
    switch (l.SVGUnit) {
    case suEM:
    case suEX: v = l.Value * GetFontSize(); break;
    case suPercent:
        if (base == NoBase) {
            base = m_elementObj->PercentBase(SVGAttributeDirection(as), as);
        }
        v = l.Value * base / 100;
        break;
    default: v = l.Value; break;
    }
    // Lengths in a pattern of user-space units scale with the pattern. A view
    // box already maps the content onto the tile, so content inside one keeps
    // its lengths.
    TSVGElementObj *owner = m_elementObj;
    TSVGElementObj *pattern = owner->Pattern();
    if (pattern) {
        const bool own = pattern == owner && (as == at_height || as == at_width);
        const bool content = pattern != owner && pattern->atIsDefault(at_viewBox);
        if ((own || content) && pattern->atSpecificWord(at_patternUnits) == svg_userSpaceOnUse)
            v *= owner->GetPatternFactor();
    }
    return v;
}

float TSVGAttributeObj::GetAlpha() const
{
    check(svAlphaPercentage);
    return m_alpha;
}

TSingleBounds TSVGAttributeObj::GetBounds() const
{
    check(svBounds);
    return m_bounds;
}

TSVGLength TSVGAttributeObj::GetLengthRaw() const
{
    check(svLengthPercentage);
    return m_length;
}

float TSVGAttributeObj::GetLength(float base) const
{
    check(svLengthPercentage);
    return ResolveLength(m_length, base);
}

float TSVGAttributeObj::GetLengthAuto(float base) const
{
    check(svLengthPercentageAuto);
    return ResolveLength(AutoLength(m_lengthSW, m_lengthAuto), base);
}

void TSVGAttributeObj::SetLengthAuto(float value)
{
    // A fallback, not a given value: presence tests stay as they were.
    m_lengthAuto = {value, suNone};
}

TSVGLengthSW TSVGAttributeObj::GetLengthInherit() const
{
    check(svLengthPercentageInherit);
    if (m_lengthSW.SW == svg_inherit && !ownerIsRoot())
        return m_lengthSW;
    const TSVGLength l = m_lengthSW.SW == svg_inherit ? m_lengthRootDefault : LengthOf(m_lengthSW);
    return {vdx_noMater, ResolveLength(l, NoBase), suNone};
}

std::vector<float> TSVGAttributeObj::GetLengthList() const
{
    check(svLengthPercentageList);
    std::vector<float> out;
    out.reserve(m_lengthList.size());
    for (const TSVGLength &l : m_lengthList)
        out.push_back(ResolveLength(l, NoBase));
    return out;
}

std::vector<float> TSVGAttributeObj::GetLengthListNoneInherit(TSVGSpecificWord &sw) const
{
    check(svLengthPercentageListNoneInherit);
    sw = m_lengthListSW.SW;
    if (sw == svg_inherit && ownerIsRoot())
        sw = svg_none;
    std::vector<float> out;
    if (sw != vdx_noMater)
        return out;
    for (const TSVGLength &l : m_lengthListSW.Arr)
        out.push_back(ResolveLength(l, NoBase));
    if (m_attribute == at_stroke_dasharray && out.size() % 2 == 1) {
        const size_t n = out.size();
        for (size_t i = 0; i < n; ++i)
            out.push_back(out[i]);
    }
    return out;
}

float TSVGAttributeObj::GetNumber() const
{
    check(svNumber);
    return m_number;
}

TNumberSW TSVGAttributeObj::GetNumberSW() const
{
    check(svNumberInherit);
    TNumberSW v = m_numberSW.SW == svg_inherit && ownerIsRoot() ? m_numberSWRootDefault : m_numberSW;
    if (m_attribute == at_stroke_miterlimit && v.SW == vdx_noMater && v.Value < 1)
        v.Value = 1;
    return v;
}

TNumberSW TSVGAttributeObj::GetFontWeight() const
{
    check(svNumberFontWeight);
    if (!ownerIsRoot())
        return m_numberSW;
    if (m_numberSW.SW == svg_inherit)
        return m_numberSWRootDefault;
    if (m_numberSW.SW == svg_bolder || m_numberSW.SW == svg_lighter)
        return {vdx_noMater, RelativeFontWeight(m_numberSW.SW, 400)};
    return m_numberSW;
}

TSVGColorSW TSVGAttributeObj::GetColorCurrent() const
{
    check(svColorCurrent);
    if (m_color.SW == svg_currentcolor)
        return {svg_currentcolor, 0, 0, 0, 1};
    return m_color;
}

TSVGColorSW TSVGAttributeObj::GetColorInherit() const
{
    check(svColorInherit);
    return m_color.SW == svg_inherit && ownerIsRoot() ? m_colorRootDefault : m_color;
}

TSVGPaint TSVGAttributeObj::GetPaint() const
{
    check(svPaint);
    return m_paint.SW == svg_inherit && ownerIsRoot() ? m_paintRootDefault : m_paint;
}

const TSinglePointDynArray &TSVGAttributeObj::GetSinglePointDynArray() const
{
    check(svSinglePointList);
    return m_points;
}

TSVGSpecificWord TSVGAttributeObj::GetSpecificWord() const
{
    check(svSpecificWord);
    return m_word == svg_inherit && ownerIsRoot() ? m_wordRootDefault : m_word;
}

TSVGSpecificWordSet TSVGAttributeObj::GetSpecificWordSet() const
{
    check(svSpecificWordSet);
    return m_wordSet.test(svg_inherit) && ownerIsRoot() ? m_wordSetRootDefault : m_wordSet;
}

QString TSVGAttributeObj::GetString() const
{
    if (m_svgValue != svString && m_svgValue != svPath)
        wrongValue();
    return m_string;
}

TSVGStringSW TSVGAttributeObj::GetStringInherit() const
{
    check(svStringInherit);
    if (m_stringSW.SW == svg_inherit && ownerIsRoot()) {
        const TSVGRootObj *root = m_elementObj->Root();
        return ToSVGStringSW(root ? root->ExternalFontName() : QStringLiteral("times"));
    }
    return m_stringSW;
}

QString TSVGAttributeObj::GetURI() const
{
    check(svURI);
    return m_string;
}

TSVGPreserveAspectRatio TSVGAttributeObj::GetPreserveAspectRatio() const
{
    check(svPreserveAspectRatio);
    return m_par;
}

TSVGTransform TSVGAttributeObj::GetTransform() const
{
    check(svTransform);
    if (!m_tl)
        return IdentityMatrix();
    TSVGLengthArray raw;
    TSVGDirectionArray dir;
    m_tl->GetRawData(raw, dir);
    std::vector<float> data;
    data.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        const TSVGAttribute as = dir[i] == sdHorizontal ? at_rx
                                 : dir[i] == sdVertical ? at_ry
                                 : dir[i] == sdDiagonal ? at_r
                                                        : at_transform;
        data.push_back(resolveAs(raw[i], as, false, NoBase));
    }
    m_tl->SetData(data);
    return m_tl->GetMatrix();
}

void TSVGAttributeObj::SetTransform(const TSVGTransform &m)
{
    m_tl = std::make_unique<TCSSSVGTransformList>();
    m_tl->SetTransform(m);
}
