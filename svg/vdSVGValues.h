// The value grammar of SVG attributes: numbers, lengths with units, lists,
// view boxes, aspect-ratio settings, font weights and families, and the
// viewport arithmetic of "preserveAspectRatio".
#pragma once
#include "svg/vdSVGGeometry.h"
#include "svg/vdSVGVocabulary.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class TvdxCSSStyle;

enum TSVGUnit : uint8_t {
    suNone, suPX, suPT, suPC, suIN, suMM, suCM, suEM, suEX, suPercent, suDeg, suGrad, suRad, suTurn,
};
constexpr int SVGUnitCount = 14;

struct TSVGUnits {
    const char *Name;
    float Factor;
};
const TSVGUnits &SVGUnitData(TSVGUnit u);

struct TSVGLength {
    float Value = 0;
    TSVGUnit SVGUnit = suNone;
};
using TSVGLengthArray = std::vector<TSVGLength>;

struct TSVGLengthSW {
    TSVGSpecificWord SW = vdx_noMater;
    float Value = 0;
    TSVGUnit SVGUnit = suNone;
};

struct TSVGLengthArraySW {
    TSVGLengthArray Arr;
    TSVGSpecificWord SW = vdx_noMater;
};

struct TNumberSW {
    TSVGSpecificWord SW = vdx_noMater;
    float Value = 0;
};

struct TSVGStringSW {
    TSVGSpecificWord SW = vdx_noMater;
    QString S;
};

struct TSVGPreserveAspectRatio {
    TSVGSpecificWord Align = svg_xMidYMid;
    TSVGSpecificWord MeetOrSlice = svg_meet;
};

// "," or "." as the decimal separator in any locale; anything that is not a
// whole decimal number fitting a float reads as 0.
bool TryStrToSingle(const QString &text, float &value);
float StrToSingle(const QString &text);

void ParseLength(const QString &text, TSVGLength &length);
void ParseLengthSW(const QString &text, TSVGSpecificWord word, TSVGLengthSW &length);
void ParseLengthList(const QString &text, TSVGLengthArray &list);
void ParseLengthListSW(const QString &text, TSVGLengthArraySW &list);
void ParsePoints(const QString &text, TSinglePointDynArray &points);
void ParseViewBox(const QString &text, TSingleBounds &bounds);
void ParsePreserveAspectRatio(const QString &text, TSVGPreserveAspectRatio &value);
void ParseAlpha(const QString &text, float &value);
void ParseNumberSW(const QString &text, TNumberSW &value);
// A weight that is neither a keyword nor an integer leaves the value as it was.
void ParseFontWeight(const QString &text, TNumberSW &value);
float RelativeFontWeight(TSVGSpecificWord word, float parentWeight);
void ParseTextDecoration(const QString &text, TSVGSpecificWordSet &value);
void ParseStringSW(const QString &text, TSVGStringSW &value);
void ParseURI(const QString &text, QString &value);

// Expands the "font" shorthand of a property list into its longhands,
// appended after the existing declarations.
void ClarifyFontShorthand(TvdxCSSStyle &style);

// The installed families the renderer can draw with; tests replace the
// provider (default: the font database).
using TSVGFontFamiliesProvider = std::function<QStringList()>;
void SetSVGFontFamiliesProvider(TSVGFontFamiliesProvider provider);
QString ResolveFontFamily(const QString &familyList);

TSinglePoint ViewBoxScale(const TSingleBounds &viewBox, const TSVGPreserveAspectRatio &ratio, float viewportWidth,
                          float viewportHeight);
TSinglePoint ViewBoxOffset(const TSinglePoint &scale, const TSingleBounds &viewBox,
                           const TSVGPreserveAspectRatio &ratio, float viewportWidth, float viewportHeight);

inline TSVGLength ToSVGLength(float value, TSVGUnit unit) { return {value, unit}; }
inline TSVGLengthSW ToSVGLengthSW(TSVGSpecificWord sw, float value, TSVGUnit unit) { return {sw, value, unit}; }
inline TSVGLength LengthOf(const TSVGLengthSW &l) { return {l.Value, l.SVGUnit}; }
inline TSVGLength AutoLength(const TSVGLengthSW &l, const TSVGLength &deflt)
{
    return l.SW == svg_auto ? deflt : LengthOf(l);
}
inline TSVGStringSW ToSVGStringSW(const QString &s) { return {vdx_noMater, s}; }
