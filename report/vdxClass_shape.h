// The shape object: rectangle, rounded rectangle, ellipse, triangle, diamond
// and the two diagonals, outlined in the frame's colour and style and filled
// with the view's fill.
#pragma once
#include "report/vdxClass_view.h"

#include <QPainterPath>

class TvdxShapeView : public TvdxView {
    Q_OBJECT
public:
    enum TvdxShapeKind { skRectangle, skRoundRectangle, skEllipse, skTriangle, skDiamond, skDiagonal1, skDiagonal2 };
    Q_ENUM(TvdxShapeKind)
private:
    Q_PROPERTY(int Color READ Color WRITE SetColor STORED false)
    Q_PROPERTY(int Cursor READ Cursor WRITE SetCursor)
    Q_PROPERTY(int Curve READ Curve WRITE SetCurve)
    Q_PROPERTY(TvdxCustomFill::TvdxFillType FillType READ FillType WRITE SetFillType)
    Q_PROPERTY(TvdxCustomFill *Fill READ Fill WRITE SetFill)
    Q_PROPERTY(TvdxFrame *Frame READ Frame WRITE SetFrame)
    Q_PROPERTY(int Rotation READ Rotation WRITE SetRotation)
    Q_PROPERTY(TvdxShapeKind Shape READ Shape WRITE SetShape)
    Q_PROPERTY(QString TagStr READ TagStr WRITE SetTagStr)
    Q_PROPERTY(QString URL READ URL WRITE SetURL STORED false)
    Q_CLASSINFO("default:Cursor", "0")
    Q_CLASSINFO("default:Curve", "0")
    Q_CLASSINFO("default:FillType", "ftBrush")
    Q_CLASSINFO("default:Rotation", "0")
    Q_CLASSINFO("default:Shape", "skRectangle")
public:
    Q_INVOKABLE explicit TvdxShapeView(TvdComponent *owner = nullptr);
    // The designer passes the shape kind as flags.
    static TvdxShapeView *DesignCreate(TvdComponent *owner, int flags);

    int Curve() const { return m_curve; }
    void SetCurve(int v) { m_curve = v; }
    int Rotation() const { return m_rotation; }
    // 0, 90, 180 or 270; anything else is ignored.
    void SetRotation(int v);
    TvdxShapeKind Shape() const { return m_shape; }
    void SetShape(TvdxShapeKind v) { m_shape = v; }

    void Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY) override;
    QString Diff(TvdxComponent *aComponent) override;
    QString GetDescription() const override;

private:
    void paintShape();
    // The outline of the current shape as a path (for clipping the fill).
    QPainterPath outlinePath() const;
    void drawOutline();

    int m_curve = 0;
    TvdxShapeKind m_shape = skRectangle;
    int m_rotation = 0;
};
