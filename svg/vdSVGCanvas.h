// The drawing interface of the SVG elements: a canvas with paint state,
// transform and clip, the geometric path, text laid along a path and decoded
// images. Elements never draw any other way; a document creates all of these
// through its canvas class.
#pragma once
#include "svg/vdSVGHelpers.h"

#include <QByteArray>
#include <QString>
#include <memory>

class Canvas;
class TGPKerningText;

class TSVGCanvasPath {
public:
    TSVGCanvasPath() = default;
    virtual ~TSVGCanvasPath() = default;
    TSVGCanvasPath(const TSVGCanvasPath &) = delete;
    TSVGCanvasPath &operator=(const TSVGCanvasPath &) = delete;

    const TSVGTransform &Matrix() const { return m_matrix; }
    void SetMatrix(const TSVGTransform &m) { m_matrix = m; }
    TSVGSpecificWord FillRule() const { return m_fillRule; }
    void SetFillRule(TSVGSpecificWord r) { m_fillRule = r; }

    // Same matrix and geometry; the fill rule is not copied.
    virtual std::unique_ptr<TSVGCanvasPath> Clone() const = 0;
    virtual void Transform(const TSVGTransform &m) = 0;
    // Tight bounds of the geometry; empty bounds for an empty path.
    virtual TSingleBounds Bounds() const = 0;
    virtual bool IsEmpty() const = 0;
    // An arc of the ellipse inscribed in the rectangle; degrees, clockwise on screen.
    virtual void AddArc(float x, float y, float width, float height, float startAngle, float sweepAngle) = 0;
    virtual void AddBezier(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4) = 0;
    virtual void AddCircle(float cx, float cy, float r) = 0;
    virtual void AddEllipse(float cx, float cy, float rx, float ry) = 0;
    // Joined to the open figure.
    virtual void AddLine(float x1, float y1, float x2, float y2) = 0;
    virtual void AddPath(const TSVGCanvasPath &adding, bool connect) = 0;
    virtual void AddRectangle(float x, float y, float width, float height, float rx, float ry) = 0;
    virtual void CloseFigure() = 0;
    virtual void StartFigure() = 0;
    // "N: (x y) (x y) ": whole numbers bare, others "%2.2f".
    virtual QString Log() const = 0;

    void AddBezier(const TSinglePoint &p1, const TSinglePoint &p2, const TSinglePoint &p3, const TSinglePoint &p4)
    {
        AddBezier(p1.X, p1.Y, p2.X, p2.Y, p3.X, p3.Y, p4.X, p4.Y);
    }
    void AddLine(const TSinglePoint &p1, const TSinglePoint &p2) { AddLine(p1.X, p1.Y, p2.X, p2.Y); }
    void AddRectangle(const TSingleBounds &b, float rx, float ry) { AddRectangle(b.X, b.Y, b.Width, b.Height, rx, ry); }

private:
    TSVGTransform m_matrix = IdentityMatrix();
    TSVGSpecificWord m_fillRule = svg_nonzero;
};

class TSVGCanvasPathText {
public:
    virtual ~TSVGCanvasPathText() = default;
    // Adds the outlines of Text laid along the guide path from Indent on to
    // Path; answers the distance the text covered.
    virtual float AddPathText(TSVGCanvasPath &path, const QString &text, float indent, const TSVGFontData &font,
                              float distanceFactor, float kerningFactor) = 0;
    const TSVGTransform &AdditionalMatrix() const { return m_additionalMatrix; }
    void SetAdditionalMatrix(const TSVGTransform &m) { m_additionalMatrix = m; }

private:
    TSVGTransform m_additionalMatrix = IdentityMatrix();
};

class TSVGCanvasImage {
public:
    virtual ~TSVGCanvasImage() = default;
    virtual unsigned GetWidth() const = 0;
    virtual unsigned GetHeight() const = 0;
};

class TSVGCanvas {
public:
    // Draws on dc, which it does not own, for one paint.
    explicit TSVGCanvas(Canvas &dc) : m_dc(dc) {}
    virtual ~TSVGCanvas() = default;
    TSVGCanvas(const TSVGCanvas &) = delete;
    TSVGCanvas &operator=(const TSVGCanvas &) = delete;

    Canvas &DC() const { return m_dc; }
    // Pixels per canvas unit of what a canvas has to paint as an image.
    float RasterScale() const { return m_rasterScale; }
    void SetRasterScale(float s) { m_rasterScale = s > 0 ? s : 1; }

    // Paint setters rebuild the paint only when the value changed.
    void SetSolidColor(TSVGDrawType t, const TSVGColor &color);
    void SetGradient(TSVGDrawType t, const TSVGGradientData &data);
    void SetPattern(TSVGDrawType t, const TSVGPatternData &data);
    // Fill, then stroke; nothing for a null path.
    void PaintPath(TSVGCanvasPath *path, TSVGSpecificWord fillRule);

    TSVGFillerType FillerType(TSVGDrawType t) const { return m_fillerType[t]; }
    const TSVGColor &SolidColorData(TSVGDrawType t) const { return m_solidColorData[t]; }
    const TSVGGradientData &GradientData(TSVGDrawType t) const { return m_gradientData[t]; }
    const TSVGPatternData &PatternData(TSVGDrawType t) const { return m_patternData[t]; }

    virtual void SetTransform(const TSVGTransform &m) = 0;
    virtual TSVGTransform GetTransform() const = 0;
    virtual void ResetTransform() = 0;
    virtual void SetClip(const TSVGCanvasPath &path) = 0;
    virtual void IntersectClip(const TSVGCanvasPath &path) = 0;
    virtual void ResetClip() = 0;
    virtual void SetStroke(const TSVGStrokeData &stroke) = 0;
    // The whole image stretched into the rectangle, its alpha times opacity.
    virtual void DrawImage(const TSVGCanvasImage &image, const TSingleBounds &rect, float fillOpacity) = 0;

protected:
    virtual void SolidColorChanged(TSVGDrawType t) = 0;
    virtual void LinearGradientChanged(TSVGDrawType t) = 0;
    virtual void RadialGradientChanged(TSVGDrawType t) = 0;
    virtual void PatternChanged(TSVGDrawType t) = 0;
    virtual void StrokePath(TSVGCanvasPath &path) = 0;
    virtual void FillPath(TSVGCanvasPath &path) = 0;

    std::array<TSVGFillerType, 2> m_fillerType{ftSolidColor, ftSolidColor};
    std::array<TSVGColor, 2> m_solidColorData{TSVGColor{0, 0, 0, 0}, TSVGColor{0, 0, 0, 0}};
    std::array<TSVGGradientData, 2> m_gradientData;
    std::array<TSVGPatternData, 2> m_patternData;

private:
    Canvas &m_dc;
    float m_rasterScale = 1;
    std::array<bool, 2> m_solidSet{false, false};
    std::array<bool, 2> m_gradientSet{false, false};
};

// The class operations of a canvas implementation: everything a document
// creates besides the canvas itself. Text operations take the kerning cache
// of the running paint pass.
class TSVGCanvasClassOps {
public:
    virtual ~TSVGCanvasClassOps() = default;
    virtual std::unique_ptr<TSVGCanvas> Create(Canvas &dc) const = 0;
    virtual std::unique_ptr<TSVGCanvasPath> CreatePath() const = 0;
    // Null when the bytes are no picture.
    virtual std::unique_ptr<TSVGCanvasImage> CreateImage(const QByteArray &bytes) const = 0;
    // Raises "Path is invalid" for a null path.
    virtual std::unique_ptr<TSVGCanvasPathText> CreatePathText(const TSVGCanvasPath *path,
                                                               TGPKerningText &kerning) const = 0;
    virtual float GetPathLength(const TSVGCanvasPath &path) const = 0;
    // Advance width and line height; FontHeight receives the ascent.
    virtual TSingleSize MeasureString(const QString &st, const TSVGFontData &font, float &fontHeight,
                                      TGPKerningText &kerning) const = 0;
    virtual void AddStringToPath(const QString &st, TSVGCanvasPath &path, const TTextDecorations &decorations,
                                 const TTextOrigin &origin, const TSVGFontData &font,
                                 TGPKerningText &kerning) const = 0;
    // False when the font has no outline metrics.
    virtual bool GetTextMetrics(const TSVGFontData &font, TSVGTextMetrics &metrics) const = 0;
};
using TSVGCanvasClass = const TSVGCanvasClassOps *;

// Whole numbers bare, others "%2.2f": the number form of path listings.
QString SVGLogNumber(float v);
