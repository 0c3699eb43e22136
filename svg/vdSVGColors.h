// Colour and paint values of SVG attributes and the parser of colour texts.
#pragma once
#include "svg/vdSVGVocabulary.h"

#include <QString>
#include <cstdint>

struct TSVGColor {
    uint8_t R = 0, G = 0, B = 0;
    float Alpha = 1;
};

struct TSVGColorSW {
    TSVGSpecificWord SW = vdx_noMater;
    uint8_t R = 0, G = 0, B = 0;
    float Alpha = 1;
};

// SW tells which part holds the value: vdx_RGBA the colour, vdx_URI the
// referenced identifier (without "#"), otherwise a keyword.
struct TSVGPaint {
    TSVGSpecificWord SW = vdx_noMater;
    uint8_t R = 0, G = 0, B = 0;
    float Alpha = 1;
    QString URI;
};

// The colour keywords of SVG 1.1 (both "gray" and "grey"), any letter case.
bool DecodeColorName(const QString &name, TSVGPaint &value);
int SVGColorNameCount();

// Changes the paint only when the text is recognised.
void ParsePaint(const QString &text, TSVGPaint &paint);
// A colour, or only the one keyword allowed; anything else leaves Color.
void ParseColor(const QString &text, TSVGSpecificWord allowedWord, TSVGColorSW &color);

TSVGPaint ColorToPaint(const TSVGColor &c);
TSVGColor ColorSWToColor(const TSVGColorSW &c);
TSVGColor PaintToColor(const TSVGPaint &p, float alphaFactor = 1);
inline TSVGColor ToSVGColor(uint8_t r, uint8_t g, uint8_t b, float alpha) { return {r, g, b, alpha}; }
