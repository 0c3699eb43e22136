// Text elements: character runs, positions from x, y, dx and dy lists,
// anchors and baselines, glyph outlines with decoration bars, and text laid
// along a path.
#pragma once
#include "svg/vdSVGElements.h"

#include <array>

class TSVGCustomText : public TSVGBaseObj {
public:
    TSVGCustomText(TSVGElement kind, TSVGElementObj *parent) : TSVGBaseObj(kind, parent) {}
    ~TSVGCustomText() override;

    // A run of character data under AParent (a text element or nothing).
    static void CreatePlainText(TSVGElementObj *parent, const QString &text, int childIndex, int childCount);

    void ConstructPath() override;
    void PaintShape(TSVGCanvas &canvas) override;
    void AssignTo(TSVGElementObj &dest) const override;

    const QString &Text() const { return m_text; }
    void SetText(const QString &text) { m_text = text; }
    float TextWidth() const { return m_textWidth; }
    // This element's width and that of its text children, recursively.
    float TotalWidth() const;
    float FontHeight() const { return m_fontHeight; }
    const TTextOrigin &TextOrigin() const { return m_textOrigin; }
    const TSVGCanvasPath *Decoration(TTextDecoration d) const { return m_decorations[d].get(); }
    TSVGFontData FontData();
    // The text with each line break and the blanks around it made one space.
    QString LayoutText() const;
    bool IsInsideTextPath() const;

protected:
    friend class Tel_textPath;
    void freeGeometry();
    void layout();
    void adjustBaseline();

    QString m_text;
    float m_textWidth = 0;
    std::array<std::unique_ptr<TSVGCanvasPath>, 3> m_decorations;
    TTextOrigin m_textOrigin;
    float m_fontHeight = 0;
};

class Tel_text : public TSVGCustomText {
public:
    explicit Tel_text(TSVGElementObj *parent) : TSVGCustomText(el_text, parent) {}
    VD_SVG_SAME_KIND(Tel_text)
};

class Tel_tspan : public TSVGCustomText {
public:
    explicit Tel_tspan(TSVGElementObj *parent) : TSVGCustomText(el_tspan, parent) {}
    VD_SVG_SAME_KIND(Tel_tspan)
};

class Tel_textPath : public TSVGCustomText {
public:
    explicit Tel_textPath(TSVGElementObj *parent) : TSVGCustomText(el_textPath, parent) {}
    VD_SVG_SAME_KIND(Tel_textPath)
    void ConstructPath() override;
};

inline bool IsSVGTextKind(TSVGElement k) { return k == el_text || k == el_tspan || k == el_textPath; }
