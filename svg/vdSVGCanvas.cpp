#include "svg/vdSVGCanvas.h"

#include <cmath>

bool SameColor(const TSVGColor &a, const TSVGColor &b)
{
    return a.R == b.R && a.G == b.G && a.B == b.B && SameSingle(a.Alpha, b.Alpha);
}

bool SameGradientData(const TSVGGradientData &a, const TSVGGradientData &b)
{
    if (a.FillerType != b.FillerType || a.gradientUnits != b.gradientUnits || a.spreadMethod != b.spreadMethod
        || !SameBounds(a.UserBounds, b.UserBounds) || !SameMatrix(a.gradientTransform, b.gradientTransform)
        || a.GradientArray.size() != b.GradientArray.size())
        return false;
    if (a.FillerType == ftLinearGradient) {
        if (!SameSingle(a.x1, b.x1) || !SameSingle(a.y1, b.y1) || !SameSingle(a.x2, b.x2) || !SameSingle(a.y2, b.y2))
            return false;
    } else if (!SameSingle(a.cx, b.cx) || !SameSingle(a.cy, b.cy) || !SameSingle(a.r, b.r) || !SameSingle(a.fx, b.fx)
               || !SameSingle(a.fy, b.fy) || !SameSingle(a.fr, b.fr)) {
        return false;
    }
    for (size_t i = 0; i < a.GradientArray.size(); ++i)
        if (!SameColor(a.GradientArray[i].SVGColor, b.GradientArray[i].SVGColor)
            || !SameSingle(a.GradientArray[i].Offset, b.GradientArray[i].Offset))
            return false;
    return true;
}

void TSVGCanvas::SetSolidColor(TSVGDrawType t, const TSVGColor &color)
{
    m_fillerType[t] = ftSolidColor;
    if (m_solidSet[t] && SameColor(color, m_solidColorData[t]))
        return;
    m_solidSet[t] = true;
    m_solidColorData[t] = color;
    SolidColorChanged(t);
}

void TSVGCanvas::SetGradient(TSVGDrawType t, const TSVGGradientData &data)
{
    m_fillerType[t] = data.FillerType;
    if (m_gradientSet[t] && SameGradientData(data, m_gradientData[t]))
        return;
    m_gradientSet[t] = true;
    m_gradientData[t] = data;
    if (data.FillerType == ftRadialGradient)
        RadialGradientChanged(t);
    else
        LinearGradientChanged(t);
}

void TSVGCanvas::SetPattern(TSVGDrawType t, const TSVGPatternData &data)
{
    m_fillerType[t] = ftPattern;
    const TSVGPatternData &old = m_patternData[t];
    if (old.Bitmap && old.Bitmap == data.Bitmap && old.x == data.x && old.y == data.y && old.Width == data.Width
        && old.Height == data.Height)
        return;
    m_patternData[t] = data;
    PatternChanged(t);
}

void TSVGCanvas::PaintPath(TSVGCanvasPath *path, TSVGSpecificWord fillRule)
{
    if (!path)
        return;
    path->SetFillRule(fillRule);
    FillPath(*path);
    StrokePath(*path);
}

QString SVGLogNumber(float v)
{
    if (std::isfinite(v) && v == std::trunc(v) && std::fabs(v) < 1e9f)
        return QString::number(qint64(v));
    return QString::asprintf("%2.2f", double(v));
}
