// One object per attribute an element reads: its value kind, defaults, root
// defaults for inherited properties, accepted keywords and how relative
// lengths resolve.
#pragma once
#include "svg/vdSVGColors.h"
#include "svg/vdSVGTransform.h"
#include "svg/vdSVGValues.h"

#include <memory>
#include <vector>

class TSVGElementObj;
class TvdxCSSStyle;

enum TSVGValue : uint8_t {
    svAlphaPercentage, svBounds, svColorCurrent, svColorInherit, svLengthPercentage, svLengthPercentageAuto,
    svLengthPercentageInherit, svLengthPercentageList, svLengthPercentageListNoneInherit, svNumber,
    svNumberInherit, svNumberFontWeight, svPaint, svPath, svPreserveAspectRatio, svSinglePointList,
    svSpecificWordSet, svSpecificWord, svString, svStringInherit, svTransform, svURI,
};

// No base given to a length resolution: the attribute's own percentage base.
constexpr float NoBase = -MaxSingle;

// The common implementation of every attribute; what differs per attribute
// is set by Init.
class TSVGAttributeObj {
public:
    TSVGAttributeObj(TSVGElementObj *elementObj, TSVGAttribute attribute);
    virtual ~TSVGAttributeObj();
    TSVGAttributeObj &operator=(const TSVGAttributeObj &) = delete;
    // A copy for another element (a transform list is copied function by function).
    std::unique_ptr<TSVGAttributeObj> CloneFor(TSVGElementObj *elementObj) const;

    TSVGAttribute Attribute() const { return m_attribute; }
    TSVGValue SVGValue() const { return m_svgValue; }
    bool IsDefault() const { return m_default; }
    // A length that may be "auto" and is.
    bool IsAuto() const { return m_svgValue == svLengthPercentageAuto && m_lengthSW.SW == svg_auto; }
    bool IsCSS() const;
    bool IsPercent() const;
    bool IsInheritable() const { return m_inheritable; }
    void PartToPercent();
    // Reads this attribute's value from one property list; false when the
    // list has none (the value is then untouched).
    bool IsCanReadSVGValue(const TvdxCSSStyle &style);
    bool ReadStyleValue(const TvdxCSSStyle &style, QString &text) const;

    float GetAlpha() const;
    TSingleBounds GetBounds() const;
    TSVGLength GetLengthRaw() const;
    float GetLength(float base = NoBase) const;
    float GetLengthAuto(float base = NoBase) const;
    void SetLengthSW(const TSVGLengthSW &value) { m_lengthSW = value; }
    void SetLengthAuto(float value);
    // Keyword inherit (below the root) or a plain number.
    TSVGLengthSW GetLengthInherit() const;
    std::vector<float> GetLengthList() const;
    // SW none (empty), inherit, or vdx_noMater with the values.
    std::vector<float> GetLengthListNoneInherit(TSVGSpecificWord &sw) const;
    float GetNumber() const;
    TNumberSW GetNumberSW() const;
    TNumberSW GetFontWeight() const;
    TSVGColorSW GetColorCurrent() const;
    TSVGColorSW GetColorInherit() const;
    TSVGPaint GetPaint() const;
    const TSinglePointDynArray &GetSinglePointDynArray() const;
    TSVGSpecificWord GetSpecificWord() const;
    TSVGSpecificWordSet GetSpecificWordSet() const;
    QString GetString() const;
    TSVGStringSW GetStringInherit() const;
    QString GetURI() const;
    TSVGPreserveAspectRatio GetPreserveAspectRatio() const;
    TSVGTransform GetTransform() const;
    void SetTransform(const TSVGTransform &m);

    // The font size that "em" refers to.
    virtual float GetFontSize() const;
    float ResolveLength(const TSVGLength &length, float base) const;
    float GetPercentBase() const;

protected:
    TSVGAttributeObj(const TSVGAttributeObj &other);
    void Init();
    void check(TSVGValue kind) const;
    bool ownerIsRoot() const;
    void parse(const QString &text);
    float resolveAs(const TSVGLength &length, TSVGAttribute as, bool force, float base) const;

    TSVGElementObj *m_elementObj;
    TSVGElement m_element;
    TSVGAttribute m_attribute;
    TSVGValue m_svgValue = svString;
    bool m_default = true;
    bool m_force = false; // a unitless value becomes a percentage when the element asks
    bool m_inheritable = false;

    TSVGLength m_length;
    TSVGLength m_lengthRootDefault;
    TSVGLength m_lengthAuto;
    TSVGLengthSW m_lengthSW;
    TSVGLengthArray m_lengthList;
    TSVGLengthArraySW m_lengthListSW;
    QString m_string;
    TSVGStringSW m_stringSW;
    TSVGSpecificWord m_word = vdx_noMater;
    TSVGSpecificWord m_wordRootDefault = vdx_noMater;
    const TSVGSpecificWord *m_acceptable = nullptr; // static table
    int m_acceptableCount = 0;
    TSVGSpecificWordSet m_wordSet;
    TSVGSpecificWordSet m_wordSetRootDefault;
    TSVGColorSW m_color;
    TSVGColorSW m_colorRootDefault;
    float m_alpha = 1;
    float m_number = 0;
    TNumberSW m_numberSW;
    TNumberSW m_numberSWRootDefault;
    TSinglePointDynArray m_points;
    TSVGPreserveAspectRatio m_par;
    TSingleBounds m_bounds;
    TSVGPaint m_paint;
    TSVGPaint m_paintRootDefault;
    std::unique_ptr<TCSSSVGTransformList> m_tl;
};

// Raises for "class", "id" and "style", which are read when an element loads.
std::unique_ptr<TSVGAttributeObj> CreateAttributeObj(TSVGElementObj *elementObj, TSVGAttribute attribute);
