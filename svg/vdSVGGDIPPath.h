// The canvas path of the document canvas: a point list with figure marks
// (start, line, Bezier, closed), from which Qt paths and flattened point
// lists are made.
#pragma once
#include "svg/vdSVGCanvas.h"

#include <QPainterPath>
#include <optional>
#include <vector>

class TSVGGDIGraphicsPath : public TSVGCanvasPath {
public:
    enum PointType : uint8_t { ptStart = 0, ptLine = 1, ptBezier = 3, ptClose = 0x80 };
    struct PathPoint {
        float X, Y;
        uint8_t Type;
    };

    TSVGGDIGraphicsPath() = default;

    std::unique_ptr<TSVGCanvasPath> Clone() const override;
    void Transform(const TSVGTransform &m) override;
    TSingleBounds Bounds() const override;
    bool IsEmpty() const override { return m_points.empty(); }
    void AddArc(float x, float y, float width, float height, float startAngle, float sweepAngle) override;
    void AddBezier(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4) override;
    void AddCircle(float cx, float cy, float r) override;
    void AddEllipse(float cx, float cy, float rx, float ry) override;
    void AddLine(float x1, float y1, float x2, float y2) override;
    void AddPath(const TSVGCanvasPath &adding, bool connect) override;
    void AddRectangle(float x, float y, float width, float height, float rx, float ry) override;
    void CloseFigure() override;
    void StartFigure() override;
    QString Log() const override;
    using TSVGCanvasPath::AddBezier;
    using TSVGCanvasPath::AddLine;
    using TSVGCanvasPath::AddRectangle;

    const std::vector<PathPoint> &Points() const { return m_points; }
    // Appends outlines (glyphs): each subpath becomes a closed figure.
    void AddOutline(const QPainterPath &outline);
    // The geometry as a Qt path; the fill rule decides its fill mode.
    const QPainterPath &ToQPainterPath() const;
    // The points of the path with every curve cut into lines within the
    // flatness; figures follow each other in one list.
    std::vector<QPointF> Flattened(float flatness) const;

private:
    void changed() { m_qpath.reset(); }
    // Starts a figure at p unless one is open; an open one gets a line to p.
    void joinTo(float x, float y);
    void addBezierPoints(float x2, float y2, float x3, float y3, float x4, float y4);
    void addEllipseFigure(float cx, float cy, float rx, float ry);

    std::vector<PathPoint> m_points;
    bool m_figureOpen = false;
    mutable std::optional<QPainterPath> m_qpath;
};
