// The line object: a horizontal, vertical or diagonal stroke drawn with the
// frame's colour, style and width, with optional arrowheads.
#pragma once
#include "report/vdxClass_view.h"

class TvdxCustomLineView : public TvdxView {
    Q_OBJECT
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(QString TagStr READ TagStr WRITE SetTagStr)
    // The unwritten colour is the one a new line has.
    Q_CLASSINFO("default:Color", "0")
public:
    Q_INVOKABLE explicit TvdxCustomLineView(TvdComponent *owner = nullptr);

    TColor Color() const { return m_color; }
    void SetColor(int v) { m_color = v; }
    bool Diagonal() const { return m_diagonal; }
    void SetDiagonal(bool v) { m_diagonal = v; }
    bool ArrowEnd() const { return m_arrowEnd; }
    void SetArrowEnd(bool v) { m_arrowEnd = v; }
    int ArrowLength() const { return m_arrowLength; }
    void SetArrowLength(int v) { m_arrowLength = v; }
    bool ArrowSolid() const { return m_arrowSolid; }
    void SetArrowSolid(bool v) { m_arrowSolid = v; }
    bool ArrowStart() const { return m_arrowStart; }
    void SetArrowStart(bool v) { m_arrowStart = v; }
    int ArrowWidth() const { return m_arrowWidth; }
    void SetArrowWidth(int v) { m_arrowWidth = v; }

    // The designer's line tools: 0 straight, 1 diagonal, 2 with end arrow,
    // 3 with start arrow, 4 with both.
    template <class T>
    static T *DesignCreate(TvdComponent *owner, int flags)
    {
        T *v = TvdxComponent::DesignCreate<T>(owner, flags);
        v->SetDiagonal(flags != 0);
        v->SetArrowEnd(flags == 2 || flags == 4);
        v->SetArrowStart(flags == 3 || flags == 4);
        return v;
    }

    // Tip, first wing and second wing of an arrowhead whose tip is at
    // (x2, y2) on a line from (x1, y1).
    static void ArrowPoints(double x1, double y1, double x2, double y2, double length, double width,
                            TPoint out[3]);

    void Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY) override;
    QString Diff(TvdxComponent *aComponent) override;
    bool IsContain(double x, double y) const override;
    bool IsInRect(const TvdRectF &rect) const override;
    TvdxMetafile *GetVectorGraphic(bool drawFill, double aScaleX, double aScaleY) override;
    QString GetDescription() const override;

private:
    void drawArrow(int x1, int y1, int x2, int y2);

    TColor m_color = clBlack;
    bool m_diagonal = false;
    bool m_arrowEnd = false;
    int m_arrowLength = 20;
    bool m_arrowSolid = false;
    bool m_arrowStart = false;
    int m_arrowWidth = 5;
};

class TvdxLineView : public TvdxCustomLineView {
    Q_OBJECT
    Q_PROPERTY(bool ArrowEnd READ ArrowEnd WRITE SetArrowEnd)
    Q_PROPERTY(int ArrowLength READ ArrowLength WRITE SetArrowLength)
    Q_PROPERTY(bool ArrowSolid READ ArrowSolid WRITE SetArrowSolid)
    Q_PROPERTY(bool ArrowStart READ ArrowStart WRITE SetArrowStart)
    Q_PROPERTY(int ArrowWidth READ ArrowWidth WRITE SetArrowWidth)
    Q_PROPERTY(bool Diagonal READ Diagonal WRITE SetDiagonal)
    Q_PROPERTY(TvdxFrame *Frame READ Frame WRITE SetFrame)
    Q_CLASSINFO("default:ArrowEnd", "False")
    Q_CLASSINFO("default:ArrowLength", "20")
    Q_CLASSINFO("default:ArrowSolid", "False")
    Q_CLASSINFO("default:ArrowStart", "False")
    Q_CLASSINFO("default:ArrowWidth", "5")
    Q_CLASSINFO("default:Diagonal", "False")
public:
    Q_INVOKABLE explicit TvdxLineView(TvdComponent *owner = nullptr) : TvdxCustomLineView(owner) {}
};
