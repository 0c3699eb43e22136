// The base of every SVG element object: tree, kind and accepted attributes,
// attribute objects, property lists and cascade, inheritance, matrices,
// bounds and the preparation passes; and the element factory.
#pragma once
#include "svg/vdSVGAttributes.h"
#include "svg/vdSVGCSS.h"
#include "svg/vdSVGCanvas.h"

#include <QStringList>
#include <array>
#include <memory>
#include <vector>

class TvdxSVGXMLItem;
class TSVGRootObj;

class TSVGElementObj {
public:
    // Elements nested deeper than this are skipped with their subtrees.
    static constexpr int MaxDepth = 128;

    TSVGElementObj(TSVGElement kind, TSVGElementObj *parent);
    virtual ~TSVGElementObj();
    TSVGElementObj(const TSVGElementObj &) = delete;
    TSVGElementObj &operator=(const TSVGElementObj &) = delete;

    // ---- tree
    int Count() const { return int(m_items.size()); }
    TSVGElementObj *GetItem(int index) const { return m_items[size_t(index)]; }
    TSVGElementObj *Parent() const { return m_parent; }
    TSVGRootObj *Root() const { return m_root; }
    TSVGElementObj *HostSVG() const { return m_hostSVG; }
    TSVGElementObj *Pattern() const { return m_pattern; }
    TSVGElement Element() const { return m_element; }
    const QString &ID() const { return m_id; }
    bool SwitchedOn() const { return m_switchedOn; }
    void SetSwitchedOn(bool v) { m_switchedOn = v; }
    int SerialNumber() const;
    const QString &ElementName() const { return SVGElementName(m_element); }
    bool HasOption(TSVGElementOption o) const
    {
        return (SVGElementData(m_element).Options | m_extraOptions) & eoBit(o);
    }
    // Options a pattern takes while its tile is painted.
    void SetExtraOptions(TSVGElementOptionsSet o) { m_extraOptions = o; }
    bool GetIsAttrEnabled(TSVGAttribute a) const { return m_isAttrEnabled.test(a); }
    void SetIsAttrEnabled(TSVGAttribute a, bool v) { m_isAttrEnabled.set(a, v); }
    bool IsInPattern() const { return m_pattern && m_pattern != this; }
    TSVGElementObj *FindByID(const QString &id);
    virtual void Clear();
    void ClearItems();
    const QStringList &Classes() const { return m_classes; }
    TvdxCSSStyle &InlineStyle() { return m_inlineStyle; }
    TvdxCSSStyle &AttributeStyle() { return m_attributeStyle; }
    const std::vector<const TvdxCSSStyle *> &StylesApplyingSequence() const { return m_sequence; }

    // ---- copies: a clone has its own property lists and cascade
    virtual TSVGElementObj *CreateSameKind(TSVGElementObj *parent) const;
    virtual void AssignTo(TSVGElementObj &dest) const;
    TSVGElementObj *Clone(TSVGElementObj *parent) const;
    virtual void CopyStylesApplyingSequence(TSVGElementObj &dest) const;

    // ---- loading
    void LoadFromXMLItem(TvdxSVGXMLItem *item, int depth = 0);
    void ReadChildren(TvdxSVGXMLItem *item, int depth);
    // The element object of a kind (the element factory).
    static TSVGElementObj *CreateElement(TSVGElement kind, TSVGElementObj *parent);

    // ---- attributes
    TSVGAttributeObj *GetAttrObj(TSVGAttribute a);
    bool IsAttrAbsent(TSVGAttribute a) const;
    float atAlpha(TSVGAttribute a);
    bool atIsDefault(TSVGAttribute a);
    bool atIsPercent(TSVGAttribute a);
    float atLength(TSVGAttribute a, float base = NoBase);
    float atLengthAuto(TSVGAttribute a, float base = NoBase);
    void atSetLengthAuto(TSVGAttribute a, float value);
    std::vector<float> atLengthList(TSVGAttribute a);
    TSVGTransform atMatrix(TSVGAttribute a);
    float atNumber(TSVGAttribute a);
    TSVGPreserveAspectRatio atPAR();
    const TSinglePointDynArray &atPoints();
    QString atString(TSVGAttribute a);
    QString atURI(TSVGAttribute a);
    TSingleBounds atBounds(TSVGAttribute a);
    TSVGColor atColorInherit(TSVGAttribute a);
    TSVGColor atColorCurrent(TSVGAttribute a);
    TSVGPaint atPaint(TSVGAttribute a);
    float atFontWeight();
    float atLengthInherit(TSVGAttribute a);
    float atNumberInherit(TSVGAttribute a);
    TSVGSpecificWord atSpecificWord(TSVGAttribute a);
    TSVGSpecificWordSet atSpecificWordSet(TSVGAttribute a);
    QString atStringInherit(TSVGAttribute a);
    std::vector<float> atLengthListNoneInherit(TSVGAttribute a, TSVGSpecificWord &sw);
    // The font size "em" refers to here.
    float FontSize();

    // ---- sizes, bounds, opacity, matrices
    float GetDiagonal() const;
    float GetDirectionalSize(TSVGDirection d) const;
    float GetDirectionalHostSize(TSVGDirection d);
    TSingleBounds GetBounds() const;
    TSingleBounds ObjBounds() const { return m_objBounds; }
    bool IsNeedsPainting();
    virtual bool IsRoot() const { return false; }
    virtual float GetHostWidth();
    virtual float GetHostHeight();
    virtual float GetHostDiagonal();
    virtual float GetWidth();
    virtual float GetHeight();
    virtual TSVGTransform GetTransform();
    virtual float CalcFillOpacity();
    virtual float CalcStrokeOpacity();
    virtual bool IsForceLengthToPercent();
    virtual float GetPatternFactor();
    virtual bool GetIsFullOpacity() const;
    virtual void SetIsFullOpacity(bool) {}
    virtual TSingleBounds CalcSelfBounds();
    // The view box of an svg element: its attribute, else (0, 0, width, height).
    virtual TSingleBounds GetViewBox();
    // The reference length of a percentage of attribute a in direction d.
    float PercentBase(TSVGDirection d, TSVGAttribute a);
    // The element painted with this paint server (gradients and patterns).
    virtual TSVGElementObj *PaintUser() const { return nullptr; }
    TSVGCanvasClass GetCanvasClass() const;
    const TSVGTransform &CompleteMatrix() const { return m_completeMatrix; }
    const TSVGTransform &InnerMatrix() const { return m_innerMatrix; }
    void CalcMatrix();
    void CalculateMatrices();

private:
    void calculateMatrices(const TSVGTransform *parentComplete, const TSVGTransform *parentInner);

public:

    // ---- preparation passes
    virtual void ClarifyOwnShorthandProperties();
    void CollectStyles();
    // Expands a use element.
    virtual void Construct() {}
    virtual void ConstructPath() {}
    virtual void ApplySwitch() {}
    TSingleBounds CalcChildrenBounds() const;
    void ClarifyBounds();

    // ---- painting
    virtual void PaintToGraphics(TSVGCanvas &) {}
    virtual void PaintShape(TSVGCanvas &) {}
    // Adds the element's geometry to a clip path.
    virtual void PaintToPath(TSVGCanvasPath &) {}
    // This element and, while they need painting, its children.
    void PaintTree(TSVGCanvas &canvas);
    // The element's geometry, when it has one (for listings).
    virtual const TSVGCanvasPath *Path() const { return nullptr; }

protected:
    TSVGElementObj *inheritParent(TSVGAttribute a) const;
    // No object yet and no property list of the cascade names the attribute:
    // its answer is its default, found without making an object.
    bool absent(TSVGAttribute a) const { return !m_attrObj[a] && !m_present.test(a); }
    // Absent here and inherited by default: the parent that answers instead.
    TSVGElementObj *inheritedFrom(TSVGAttribute a) const;
    void collectPresent();
    void readAttribute(TSVGAttributeObj &obj);

    TSVGElementObj *m_parent = nullptr;
    std::vector<TSVGElementObj *> m_items;
    TSVGElementObj *m_hostSVG = nullptr;
    std::vector<const TvdxCSSStyle *> m_sequence;
    std::array<std::unique_ptr<TSVGAttributeObj>, SVGAttributeCount> m_attrObj;
    TSVGAttributeSet m_isAttrEnabled;
    // Attributes some property list of the cascade names.
    TSVGAttributeSet m_present;
    QString m_id;
    TSVGRootObj *m_root = nullptr;
    TSVGElementObj *m_pattern = nullptr;
    TSVGElement m_element;
    TvdxCSSStyle m_inlineStyle;
    TvdxCSSStyle m_attributeStyle;
    QStringList m_classes;
    bool m_switchedOn = true;
    TSVGElementOptionsSet m_extraOptions = 0;
    TSVGTransform m_completeMatrix = IdentityMatrix();
    TSVGTransform m_innerMatrix = IdentityMatrix();
    TSingleBounds m_objBounds;
};
