// The paintable element classes: the common base that holds an element's
// geometry and paints it through the canvas, the shapes, groups, use,
// switch, image and clip path.
#pragma once
#include "svg/vdSVGElement.h"

#include <memory>
#include <vector>

#define VD_SVG_SAME_KIND(Class)                                                                   \
    TSVGElementObj *CreateSameKind(TSVGElementObj *parent) const override { return new Class(parent); }

class TSVGBaseObj : public TSVGElementObj {
public:
    TSVGBaseObj(TSVGElement kind, TSVGElementObj *parent) : TSVGElementObj(kind, parent) {}
    ~TSVGBaseObj() override;

    void ConstructPath() override;
    TSingleBounds CalcSelfBounds() override;
    void PaintShape(TSVGCanvas &canvas) override;
    void PaintToPath(TSVGCanvasPath &path) override;
    void PaintToGraphics(TSVGCanvas &canvas) override;
    const TSVGCanvasPath *Path() const override { return m_path.get(); }

    // The clip paths in force here, outermost first (rebuilt at each paint).
    const std::vector<std::unique_ptr<TSVGCanvasPath>> &CanvasClipList() const { return m_canvasClipList; }
    void PrepareClipList();

protected:
    std::unique_ptr<TSVGCanvasPath> createPath() const;
    // Clip list and transform set on the canvas.
    void applyClipAndTransform(TSVGCanvas &canvas);
    void applyPaint(TSVGCanvas &canvas, TSVGDrawType type, const TSVGPaint &paint, float opacity);
    TSVGStrokeData strokeData();

    std::vector<std::unique_ptr<TSVGCanvasPath>> m_canvasClipList;
    std::unique_ptr<TSVGCanvasPath> m_path;
};

class Tel_g : public TSVGBaseObj {
public:
    explicit Tel_g(TSVGElementObj *parent) : TSVGBaseObj(el_g, parent) {}
    VD_SVG_SAME_KIND(Tel_g)
};

class Tel_a : public TSVGBaseObj {
public:
    explicit Tel_a(TSVGElementObj *parent) : TSVGBaseObj(el_a, parent) {}
    VD_SVG_SAME_KIND(Tel_a)
};

class Tel_defs : public TSVGElementObj {
public:
    explicit Tel_defs(TSVGElementObj *parent) : TSVGElementObj(el_defs, parent) {}
    VD_SVG_SAME_KIND(Tel_defs)
};

class Tel_switch : public TSVGBaseObj {
public:
    explicit Tel_switch(TSVGElementObj *parent) : TSVGBaseObj(el_switch, parent) {}
    VD_SVG_SAME_KIND(Tel_switch)
    void ApplySwitch() override;
};

class Tel_use : public TSVGBaseObj {
public:
    // Nested expansions deeper than this stay empty.
    static constexpr int MaxNesting = 16;

    explicit Tel_use(TSVGElementObj *parent) : TSVGBaseObj(el_use, parent) {}
    VD_SVG_SAME_KIND(Tel_use)
    void Construct() override;
    void PaintToPath(TSVGCanvasPath &path) override;
    void AssignTo(TSVGElementObj &dest) const override;
    TSVGElementObj *HrefObj() const { return m_hrefObj; }

private:
    TSVGElementObj *m_hrefObj = nullptr;
};

class Tel_rect : public TSVGBaseObj {
public:
    explicit Tel_rect(TSVGElementObj *parent) : TSVGBaseObj(el_rect, parent) {}
    VD_SVG_SAME_KIND(Tel_rect)
    void ConstructPath() override;
};

class Tel_line : public TSVGBaseObj {
public:
    explicit Tel_line(TSVGElementObj *parent) : TSVGBaseObj(el_line, parent) {}
    VD_SVG_SAME_KIND(Tel_line)
    void ConstructPath() override;
};

class Tel_polyline : public TSVGBaseObj {
public:
    explicit Tel_polyline(TSVGElementObj *parent, TSVGElement kind = el_polyline) : TSVGBaseObj(kind, parent) {}
    VD_SVG_SAME_KIND(Tel_polyline)
    void ConstructPath() override;
    void AssignTo(TSVGElementObj &dest) const override;

protected:
    TSinglePointDynArray m_points;
};

class Tel_polygon : public Tel_polyline {
public:
    explicit Tel_polygon(TSVGElementObj *parent) : Tel_polyline(parent, el_polygon) {}
    VD_SVG_SAME_KIND(Tel_polygon)
    void ConstructPath() override;
};

class Tel_circle : public TSVGBaseObj {
public:
    explicit Tel_circle(TSVGElementObj *parent) : TSVGBaseObj(el_circle, parent) {}
    VD_SVG_SAME_KIND(Tel_circle)
    void ConstructPath() override;
};

class Tel_ellipse : public TSVGBaseObj {
public:
    explicit Tel_ellipse(TSVGElementObj *parent) : TSVGBaseObj(el_ellipse, parent) {}
    VD_SVG_SAME_KIND(Tel_ellipse)
    void ConstructPath() override;
};

class Tel_image : public TSVGBaseObj {
public:
    explicit Tel_image(TSVGElementObj *parent) : TSVGBaseObj(el_image, parent) {}
    ~Tel_image() override;
    VD_SVG_SAME_KIND(Tel_image)
    void ConstructPath() override;
    TSingleBounds CalcSelfBounds() override;
    void PaintToGraphics(TSVGCanvas &canvas) override;
    const TSVGCanvasImage *Image() const { return m_image.get(); }

private:
    void loadImage();

    std::unique_ptr<TSVGCanvasImage> m_image;
    bool m_loaded = false;
    TSingleBounds m_imageBounds;
};

class Tel_clipPath : public TSVGBaseObj {
public:
    explicit Tel_clipPath(TSVGElementObj *parent) : TSVGBaseObj(el_clipPath, parent) {}
    VD_SVG_SAME_KIND(Tel_clipPath)
    void ConstructPath() override;
    // The clip geometry for an element of these bounds and this matrix.
    const TSVGCanvasPath *GetInnerClipPath(const TSingleBounds &boundingBox, const TSVGTransform &userMatrix);

private:
    std::unique_ptr<TSVGCanvasPath> m_innerClipPath;
    std::unique_ptr<TSVGCanvasPath> m_transformedPath;
    TSVGTransform m_lastMatrix{};
};
