#include "svg/vdSVGElement.h"

#include "platform/Exception.h"
#include "svg/vdSVGRoot.h"
#include "svg/vdSVGText.h"
#include "svg/vdSVGXML.h"

#include <algorithm>
#include <cmath>

TSVGElementObj::TSVGElementObj(TSVGElement kind, TSVGElementObj *parent) : m_element(kind)
{
    m_isAttrEnabled = SVGElementData(kind).Attributes;
    if (HasOption(eoBaseSet))
        m_isAttrEnabled |= SVGBaseAttributeSet();
    if (kind == el_pattern)
        m_pattern = this;
    if (parent) {
        m_parent = parent;
        parent->m_items.push_back(this);
        m_root = parent->m_root;
        if (!m_pattern)
            m_pattern = parent->m_pattern;
        m_hostSVG = parent->m_element == el_svg ? parent : parent->m_hostSVG;
    }
}

TSVGElementObj::~TSVGElementObj()
{
    TSVGElementObj::Clear();
    if (m_parent) {
        auto &siblings = m_parent->m_items;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
}

void TSVGElementObj::ClearItems()
{
    while (!m_items.empty())
        delete m_items.back(); // unlinks itself
}

void TSVGElementObj::Clear()
{
    ClearItems();
    m_classes.clear();
    m_inlineStyle.Clear();
    m_attributeStyle.Clear();
    m_sequence.clear();
    m_present.reset();
    for (auto &a : m_attrObj)
        a.reset();
    m_id.clear();
}

int TSVGElementObj::SerialNumber() const
{
    if (!m_parent)
        return -1;
    const auto &s = m_parent->m_items;
    return int(std::find(s.begin(), s.end(), this) - s.begin());
}

TSVGElementObj *TSVGElementObj::FindByID(const QString &id)
{
    if (id.isEmpty())
        return nullptr;
    if (m_id == id)
        return this;
    for (TSVGElementObj *c : m_items)
        if (TSVGElementObj *f = c->FindByID(id))
            return f;
    return nullptr;
}

// ---- copies -------------------------------------------------------------------

TSVGElementObj *TSVGElementObj::CreateSameKind(TSVGElementObj *parent) const
{
    return new TSVGElementObj(m_element, parent);
}

void TSVGElementObj::CopyStylesApplyingSequence(TSVGElementObj &dest) const
{
    // The element's own lists are replaced by the copy's: copies share nothing.
    dest.m_sequence.clear();
    for (const TvdxCSSStyle *s : m_sequence) {
        if (s == &m_inlineStyle)
            dest.m_sequence.push_back(&dest.m_inlineStyle);
        else if (s == &m_attributeStyle)
            dest.m_sequence.push_back(&dest.m_attributeStyle);
        else
            dest.m_sequence.push_back(s);
    }
    dest.m_present = m_present;
}

void TSVGElementObj::AssignTo(TSVGElementObj &dest) const
{
    dest.m_id = m_id;
    if (dest.m_parent)
        dest.m_pattern = dest.m_parent->m_element == el_pattern ? dest.m_parent : dest.m_parent->m_pattern;
    CopyStylesApplyingSequence(dest);
    dest.m_isAttrEnabled = m_isAttrEnabled;
    for (int a = 0; a < SVGAttributeCount; ++a) {
        const auto &src = m_attrObj[size_t(a)];
        if (m_isAttrEnabled.test(size_t(a)) && src && !src->IsDefault())
            dest.m_attrObj[size_t(a)] = src->CloneFor(&dest);
    }
    dest.m_inlineStyle.Clear();
    m_inlineStyle.AssignTo(dest.m_inlineStyle);
    dest.m_attributeStyle.Clear();
    m_attributeStyle.AssignTo(dest.m_attributeStyle);
    dest.m_classes = m_classes;
    dest.m_switchedOn = m_switchedOn;
    dest.m_completeMatrix = m_completeMatrix;
    dest.m_innerMatrix = m_innerMatrix;
    dest.m_objBounds = m_objBounds;
}

TSVGElementObj *TSVGElementObj::Clone(TSVGElementObj *parent) const
{
    TSVGElementObj *copy = CreateSameKind(parent);
    AssignTo(*copy);
    for (const TSVGElementObj *c : m_items)
        c->Clone(copy);
    return copy;
}

// ---- loading ----------------------------------------------------------------------

void TSVGElementObj::LoadFromXMLItem(TvdxSVGXMLItem *item, int depth)
{
    m_id = item->GetAttributes(QStringLiteral("id"));
    if (TvdxSVGAttributeNodes *nodes = item->AttributeNodes()) {
        for (int i = 0; i < nodes->Count(); ++i) {
            const TvdxSVGNameValue nv = nodes->GetNameValue(i);
            if (nv.NodeName == QLatin1String("style"))
                m_inlineStyle.SetValuesFromText(nv.NodeValue);
            else if (nv.NodeName == QLatin1String("class"))
                m_classes = nv.NodeValue.split(u' ', Qt::SkipEmptyParts);
            else
                m_attributeStyle.SetStyle(nv.NodeName, nv.NodeValue);
        }
    }
    if (HasOption(eoHaveChild))
        ReadChildren(item, depth);
}

void TSVGElementObj::ReadChildren(TvdxSVGXMLItem *item, int depth)
{
    if (depth >= MaxDepth)
        return;
    const TvdxSVGIXMLChildNodes children = item->ChildNodes();
    const int count = children.Count();
    for (int i = 0; i < count; ++i) {
        TvdxSVGXMLItem *child = children.GetItems(i);
        const QString &name = child->NodeName();
        if (name == QLatin1String("style")) {
            if (m_root)
                m_root->ReadStyle(child);
            continue;
        }
        if (name == QLatin1String("#text")) {
            TSVGCustomText::CreatePlainText(this, child->Text(), i, count);
            continue;
        }
        TSVGElement kind;
        if (!SVGElementByName(name, kind) || kind == el_PathElement || kind == el_style
            || kind == el_PlainText)
            continue;
        TSVGElementObj *e = CreateElement(kind, this);
        e->LoadFromXMLItem(child, depth + 1);
    }
}

// ---- attributes ----------------------------------------------------------------------

void TSVGElementObj::readAttribute(TSVGAttributeObj &obj)
{
    if (m_sequence.empty())
        return;
    if (obj.IsCSS()) {
        for (const TvdxCSSStyle *s : m_sequence)
            if (obj.IsCanReadSVGValue(*s))
                return;
    } else if (m_sequence.back() == &m_attributeStyle && m_attributeStyle.Count() > 0) {
        obj.IsCanReadSVGValue(m_attributeStyle);
    }
}

TSVGAttributeObj *TSVGElementObj::GetAttrObj(TSVGAttribute a)
{
    if (!m_isAttrEnabled.test(a))
        throw Exception(QStringLiteral("Unsupported: \"%1.%2\"").arg(ElementName(), SVGAttributeName(a)));
    auto &slot = m_attrObj[a];
    if (!slot) {
        slot = CreateAttributeObj(this, a);
        readAttribute(*slot);
    }
    return slot.get();
}

bool TSVGElementObj::IsAttrAbsent(TSVGAttribute a) const { return !m_attrObj[a] || m_attrObj[a]->IsDefault(); }

float TSVGElementObj::atAlpha(TSVGAttribute a)
{
    if (!m_isAttrEnabled.test(a))
        return 1;
    if (absent(a) && a != at_offset)
        return 1;
    return GetAttrObj(a)->GetAlpha();
}
bool TSVGElementObj::atIsDefault(TSVGAttribute a) { return GetAttrObj(a)->IsDefault(); }
bool TSVGElementObj::atIsPercent(TSVGAttribute a) { return GetAttrObj(a)->IsPercent(); }
float TSVGElementObj::atLength(TSVGAttribute a, float base) { return GetAttrObj(a)->GetLength(base); }
float TSVGElementObj::atLengthAuto(TSVGAttribute a, float base) { return GetAttrObj(a)->GetLengthAuto(base); }
void TSVGElementObj::atSetLengthAuto(TSVGAttribute a, float value) { GetAttrObj(a)->SetLengthAuto(value); }
std::vector<float> TSVGElementObj::atLengthList(TSVGAttribute a) { return GetAttrObj(a)->GetLengthList(); }
TSVGTransform TSVGElementObj::atMatrix(TSVGAttribute a)
{
    if (absent(a) && m_isAttrEnabled.test(a))
        return IdentityMatrix();
    return GetAttrObj(a)->GetTransform();
}
float TSVGElementObj::atNumber(TSVGAttribute a) { return GetAttrObj(a)->GetNumber(); }
TSVGPreserveAspectRatio TSVGElementObj::atPAR()
{
    return GetAttrObj(at_preserveAspectRatio)->GetPreserveAspectRatio();
}
const TSinglePointDynArray &TSVGElementObj::atPoints() { return GetAttrObj(at_points)->GetSinglePointDynArray(); }
QString TSVGElementObj::atString(TSVGAttribute a) { return GetAttrObj(a)->GetString(); }
QString TSVGElementObj::atURI(TSVGAttribute a)
{
    if (absent(a) && m_isAttrEnabled.test(a))
        return {};
    return GetAttrObj(a)->GetURI();
}
TSingleBounds TSVGElementObj::atBounds(TSVGAttribute a) { return GetAttrObj(a)->GetBounds(); }

namespace {

// Attributes whose value is "inherit" until a property list gives one.
const TSVGAttributeSet &inheritedByDefault()
{
    static const TSVGAttributeSet set = [] {
        TSVGAttributeSet s;
        for (TSVGAttribute a : {at_clip_rule, at_fill_rule, at_color, at_display, at_fill, at_stroke, at_font_family,
                                at_font_size, at_font_style, at_font_weight, at_stroke_dasharray,
                                at_stroke_dashoffset, at_stroke_linecap, at_stroke_linejoin, at_stroke_miterlimit,
                                at_stroke_width, at_text_anchor, at_text_decoration})
            s.set(a);
        return s;
    }();
    return set;
}

} // namespace

void TSVGElementObj::collectPresent()
{
    m_present.reset();
    TSVGAttribute a;
    for (const TvdxCSSStyle *s : m_sequence)
        for (int i = 0; i < s->Count(); ++i) {
            const QString &key = s->Key(i);
            if (SVGAttributeByName(key, a))
                m_present.set(a);
            else if (key.compare(QLatin1String("xlink:href"), Qt::CaseInsensitive) == 0)
                m_present.set(at_href);
        }
}

TSVGElementObj *TSVGElementObj::inheritedFrom(TSVGAttribute a) const
{
    if (IsRoot() || !inheritedByDefault().test(a) || !m_isAttrEnabled.test(a) || !absent(a))
        return nullptr;
    return inheritParent(a);
}

TSVGElementObj *TSVGElementObj::inheritParent(TSVGAttribute a) const
{
    TSVGElementObj *p = m_parent;
    while (p && !p->m_isAttrEnabled.test(a))
        p = p->m_parent;
    return p;
}

TSVGColor TSVGElementObj::atColorInherit(TSVGAttribute a)
{
    if (TSVGElementObj *p = inheritedFrom(a))
        return p->atColorInherit(a);
    const TSVGColorSW c = GetAttrObj(a)->GetColorInherit();
    if (c.SW == svg_inherit)
        if (TSVGElementObj *p = inheritParent(a))
            return p->atColorInherit(a);
    return ColorSWToColor(c);
}

TSVGColor TSVGElementObj::atColorCurrent(TSVGAttribute a)
{
    const TSVGColorSW c = GetAttrObj(a)->GetColorCurrent();
    if (c.SW == svg_currentcolor)
        return atColorInherit(at_color);
    return ColorSWToColor(c);
}

TSVGPaint TSVGElementObj::atPaint(TSVGAttribute a)
{
    if (TSVGElementObj *p = inheritedFrom(a))
        return p->atPaint(a);
    const TSVGPaint p = GetAttrObj(a)->GetPaint();
    if (p.SW == svg_currentcolor)
        return ColorToPaint(atColorInherit(at_color));
    if (p.SW == svg_inherit)
        if (TSVGElementObj *parent = inheritParent(a))
            return parent->atPaint(a);
    return p;
}

float TSVGElementObj::atFontWeight()
{
    if (TSVGElementObj *p = inheritedFrom(at_font_weight))
        return p->atFontWeight();
    const TNumberSW w = GetAttrObj(at_font_weight)->GetFontWeight();
    if (w.SW == vdx_noMater)
        return w.Value;
    TSVGElementObj *p = inheritParent(at_font_weight);
    const float parentWeight = p ? p->atFontWeight() : 400;
    return w.SW == svg_inherit ? parentWeight : RelativeFontWeight(w.SW, parentWeight);
}

float TSVGElementObj::atLengthInherit(TSVGAttribute a)
{
    if (TSVGElementObj *p = inheritedFrom(a))
        return p->atLengthInherit(a);
    const TSVGLengthSW l = GetAttrObj(a)->GetLengthInherit();
    if (l.SW == svg_inherit)
        if (TSVGElementObj *p = inheritParent(a))
            return p->atLengthInherit(a);
    return l.Value;
}

float TSVGElementObj::atNumberInherit(TSVGAttribute a)
{
    if (TSVGElementObj *p = inheritedFrom(a))
        return p->atNumberInherit(a);
    const TNumberSW n = GetAttrObj(a)->GetNumberSW();
    if (n.SW == svg_inherit)
        if (TSVGElementObj *p = inheritParent(a))
            return p->atNumberInherit(a);
    return n.Value;
}

TSVGSpecificWord TSVGElementObj::atSpecificWord(TSVGAttribute a)
{
    if (TSVGElementObj *p = inheritedFrom(a))
        return p->atSpecificWord(a);
    const TSVGSpecificWord w = GetAttrObj(a)->GetSpecificWord();
    if (w == svg_inherit)
        if (TSVGElementObj *p = inheritParent(a))
            return p->atSpecificWord(a);
    return w;
}

TSVGSpecificWordSet TSVGElementObj::atSpecificWordSet(TSVGAttribute a)
{
    if (TSVGElementObj *p = inheritedFrom(a))
        return p->atSpecificWordSet(a);
    const TSVGSpecificWordSet s = GetAttrObj(a)->GetSpecificWordSet();
    if (s.test(svg_inherit))
        if (TSVGElementObj *p = inheritParent(a))
            return p->atSpecificWordSet(a);
    return s;
}

QString TSVGElementObj::atStringInherit(TSVGAttribute a)
{
    if (TSVGElementObj *p = inheritedFrom(a))
        return p->atStringInherit(a);
    const TSVGStringSW s = GetAttrObj(a)->GetStringInherit();
    if (s.SW == svg_inherit)
        if (TSVGElementObj *p = inheritParent(a))
            return p->atStringInherit(a);
    return s.S;
}

std::vector<float> TSVGElementObj::atLengthListNoneInherit(TSVGAttribute a, TSVGSpecificWord &sw)
{
    if (m_isAttrEnabled.test(a) && !inheritedFrom(a)) {
        std::vector<float> list = GetAttrObj(a)->GetLengthListNoneInherit(sw);
        if (sw != svg_inherit)
            return list;
    }
    if (m_parent)
        return m_parent->atLengthListNoneInherit(a, sw);
    sw = svg_none;
    return {};
}

float TSVGElementObj::FontSize()
{
    if (m_isAttrEnabled.test(at_font_size))
        return atLengthInherit(at_font_size);
    if (m_parent)
        return m_parent->FontSize();
    return m_root ? m_root->ExternalFontSize() : 16;
}

// ---- sizes, bounds, opacity, matrices ----------------------------------------------

float TSVGElementObj::GetDiagonal() const
{
    return std::sqrt((m_objBounds.Width * m_objBounds.Width + m_objBounds.Height * m_objBounds.Height) / 2);
}

float TSVGElementObj::GetDirectionalSize(TSVGDirection d) const
{
    switch (d) {
    case sdHorizontal: return m_objBounds.Width;
    case sdVertical: return m_objBounds.Height;
    case sdDiagonal: return GetDiagonal();
    default: throw Exception(QStringLiteral("Wrong Direction"));
    }
}

float TSVGElementObj::GetDirectionalHostSize(TSVGDirection d)
{
    switch (d) {
    case sdHorizontal: return GetHostWidth();
    case sdVertical: return GetHostHeight();
    case sdDiagonal: return GetHostDiagonal();
    default: throw Exception(QStringLiteral("Wrong Direction"));
    }
}

float TSVGElementObj::GetHostWidth() { return m_hostSVG ? m_hostSVG->GetViewBox().Width : 0; }
float TSVGElementObj::GetHostHeight() { return m_hostSVG ? m_hostSVG->GetViewBox().Height : 0; }
float TSVGElementObj::GetHostDiagonal()
{
    if (!m_hostSVG)
        return 0;
    const TSingleBounds vb = m_hostSVG->GetViewBox();
    return std::sqrt((vb.Width * vb.Width + vb.Height * vb.Height) / 2);
}
float TSVGElementObj::GetWidth() { return m_objBounds.Width; }
float TSVGElementObj::GetHeight() { return m_objBounds.Height; }

TSingleBounds TSVGElementObj::GetViewBox() { return {0, 0, GetWidth(), GetHeight()}; }

float TSVGElementObj::PercentBase(TSVGDirection d, TSVGAttribute a)
{
    if (d == sdNo)
        throw Exception(QStringLiteral("Wrong Direction"));
    if (m_element == el_linearGradient || m_element == el_radialGradient) {
        if (TSVGElementObj *user = PaintUser())
            return user->GetDirectionalSize(d);
    } else if (m_element == el_pattern) {
        TSVGElementObj *user = PaintUser();
        if (user && atSpecificWord(at_patternUnits) == svg_objectBoundingBox) {
            float base = user->GetDirectionalSize(d);
            if (a == at_width || a == at_height)
                base *= GetPatternFactor();
            return base;
        }
    } else if (IsInPattern() && m_pattern->atSpecificWord(at_patternContentUnits) == svg_objectBoundingBox) {
        if (TSVGElementObj *user = m_pattern->PaintUser())
            return user->GetDirectionalSize(d);
    }
    return GetDirectionalHostSize(d);
}

TSVGCanvasClass TSVGElementObj::GetCanvasClass() const { return m_root ? m_root->CanvasClass() : nullptr; }

TSingleBounds TSVGElementObj::GetBounds() const
{
    if (!HasOption(eoChildBounds) && !HasOption(eoSelfBounds))
        throw Exception(ElementName() + QStringLiteral(".GetBounds"));
    return m_objBounds;
}

TSingleBounds TSVGElementObj::CalcSelfBounds()
{
    throw Exception(ElementName() + QStringLiteral(".CalcSelfBounds"));
}

bool TSVGElementObj::IsNeedsPainting()
{
    if (!HasOption(eoPaint) || !m_switchedOn)
        return false;
    if (m_isAttrEnabled.test(at_display) && atSpecificWord(at_display) == svg_none)
        return false;
    if (m_isAttrEnabled.test(at_visibility) && !absent(at_visibility)) {
        const TSVGSpecificWord v = atSpecificWord(at_visibility);
        if (v == svg_hidden || v == svg_collapse)
            return false;
    }
    return true;
}

TSVGTransform TSVGElementObj::GetTransform()
{
    return m_isAttrEnabled.test(at_transform) ? atMatrix(at_transform) : IdentityMatrix();
}

float TSVGElementObj::CalcFillOpacity()
{
    if (GetIsFullOpacity())
        return 1;
    return atAlpha(at_fill_opacity) * atAlpha(at_opacity) * (m_parent ? m_parent->CalcFillOpacity() : 1);
}

float TSVGElementObj::CalcStrokeOpacity()
{
    if (GetIsFullOpacity())
        return 1;
    return atAlpha(at_stroke_opacity) * atAlpha(at_opacity) * (m_parent ? m_parent->CalcStrokeOpacity() : 1);
}

bool TSVGElementObj::IsForceLengthToPercent()
{
    if (!IsInPattern())
        return false;
    return m_pattern->GetAttrObj(at_viewBox)->IsDefault()
           && m_pattern->atSpecificWord(at_patternContentUnits) == svg_objectBoundingBox;
}

float TSVGElementObj::GetPatternFactor()
{
    if (!m_pattern)
        throw Exception(QStringLiteral("GetPatternFactor outside <pattern>"));
    if (m_pattern != this)
        return m_pattern->GetPatternFactor();
    return 1; // the pattern's own scale comes with the paint servers
}

bool TSVGElementObj::GetIsFullOpacity() const { return m_root && m_root != this ? m_root->GetIsFullOpacity() : false; }

void TSVGElementObj::CalcMatrix()
{
    std::vector<TSVGElementObj *> chain;
    for (TSVGElementObj *e = this; e; e = e->m_parent) {
        chain.push_back(e);
        if (e->m_element == el_pattern)
            break;
    }
    TSVGTransform inner = IdentityMatrix(), complete = IdentityMatrix();
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const TSVGTransform t = (*it)->GetTransform();
        inner = (*it)->m_element == el_svg ? IdentityMatrix() : MultiplyMatrix(t, inner);
        complete = MultiplyMatrix(t, complete);
    }
    m_innerMatrix = inner;
    m_completeMatrix = complete;
}

void TSVGElementObj::CalculateMatrices()
{
    if (!HasOption(eoMatrix))
        return;
    CalcMatrix();
    for (TSVGElementObj *c : m_items)
        c->calculateMatrices(&m_completeMatrix, &m_innerMatrix);
}

// CalcMatrix from the parent's result: each transform is computed once.
void TSVGElementObj::calculateMatrices(const TSVGTransform *parentComplete, const TSVGTransform *parentInner)
{
    if (!HasOption(eoMatrix))
        return;
    const TSVGTransform t = GetTransform();
    const bool top = m_element == el_pattern;
    m_completeMatrix = top ? t : MultiplyMatrix(t, *parentComplete);
    m_innerMatrix = m_element == el_svg ? IdentityMatrix() : top ? t : MultiplyMatrix(t, *parentInner);
    for (TSVGElementObj *c : m_items)
        c->calculateMatrices(&m_completeMatrix, &m_innerMatrix);
}

// ---- preparation passes ---------------------------------------------------------------

void TSVGElementObj::ClarifyOwnShorthandProperties() { ClarifyFontShorthand(m_inlineStyle); }

void TSVGElementObj::CollectStyles()
{
    m_sequence.clear();
    auto add = [this](const TvdxCSSStyle *s) {
        if (s && s->Count() > 0)
            m_sequence.push_back(s);
    };
    add(&m_inlineStyle);
    const TvdxCSSList *rules = m_root ? &m_root->StyleList() : nullptr;
    const QString &name = ElementName();
    if (rules && rules->Count() > 0) {
        if (!m_id.isEmpty()) {
            add(rules->GetStyleByName(name + u'#' + m_id));
            add(rules->GetStyleByName(u'#' + m_id));
        }
        for (const QString &c : std::as_const(m_classes))
            add(rules->GetStyleByName(u'.' + c));
        add(rules->GetStyleByName(name));
        add(rules->GetStyleByName(QStringLiteral("*")));
    }
    add(&m_attributeStyle);
    collectPresent();
}

void TSVGElementObj::PaintTree(TSVGCanvas &canvas)
{
    if (!IsNeedsPainting())
        return;
    PaintToGraphics(canvas);
    // Painting may reach the tree again (pattern tiles): walk by index.
    for (size_t i = 0; i < m_items.size(); ++i)
        m_items[i]->PaintTree(canvas);
}

TSingleBounds TSVGElementObj::CalcChildrenBounds() const
{
    TSingleBounds c{MaxSingle, MaxSingle, -MaxSingle, -MaxSingle};
    for (const TSVGElementObj *child : m_items)
        if (child->HasOption(eoChildBounds) || child->HasOption(eoSelfBounds))
            c = CornersUnion(c, BoundsToCorners(child->GetBounds()));
    if (c.X == MaxSingle || c.Y == MaxSingle)
        return {};
    return CornersToBounds(c);
}

void TSVGElementObj::ClarifyBounds()
{
    for (TSVGElementObj *c : m_items)
        c->ClarifyBounds();
    if (HasOption(eoChildBounds) && !m_items.empty()) {
        TSingleBounds b = CalcChildrenBounds();
        if (HasOption(eoSelfBounds))
            b = BoundsUnion(b, CalcSelfBounds());
        m_objBounds = b;
    } else if (HasOption(eoSelfBounds)) {
        m_objBounds = CalcSelfBounds();
    }
}
