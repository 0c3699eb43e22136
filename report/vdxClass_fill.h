// Fills of views, styles and highlights: a plain or hatched brush, a linear
// or centred gradient, and the two-tone glass look. Each draws itself into a
// pixel rectangle and writes what differs from a template's fill.
#pragma once
#include "core/vdPersistent.h"
#include "platform/GraphicsTypes.h"

#include <cmath>

class Canvas;

// Report coordinates to device pixels: halves to even. Values are held
// within 2^26 so that sums of a few of them stay inside int.
inline int vdxRoundPx(double v)
{
    constexpr double limit = 67108864.0;
    if (!(v == v))
        return 0;
    const double r = std::nearbyint(v);
    return r >= limit ? int(limit) : r <= -limit ? -int(limit) : int(r);
}

class TvdxCustomFill : public TvdPersistent {
    Q_OBJECT
public:
    enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };
    Q_ENUM(TBrushStyle)
    enum TvdxFillType { ftBrush, ftGradient, ftGlass };
    Q_ENUM(TvdxFillType)

    virtual void Draw(Canvas &canvas, int x, int y, int x1, int y1, double scaleX, double scaleY) = 0;
    // Attributes of this fill that differ from aFill, each named add + "." + property.
    virtual QString Diff(const TvdxCustomFill *aFill, const QString &add) const = 0;
    // The colour a view reports as its Color.
    virtual TColor GetColor() const = 0;
};

class TvdxBrushFill : public TvdxCustomFill {
    Q_OBJECT
    Q_PROPERTY(int BackColor READ BackColor WRITE SetBackColor)
    Q_PROPERTY(int ForeColor READ ForeColor WRITE SetForeColor)
    Q_PROPERTY(TvdxCustomFill::TBrushStyle Style READ Style WRITE SetStyle)
    Q_CLASSINFO("default:BackColor", "536870911")
    Q_CLASSINFO("default:ForeColor", "0")
    Q_CLASSINFO("default:Style", "bsSolid")
public:
    Q_INVOKABLE TvdxBrushFill() = default;
    TColor BackColor() const { return m_backColor; }
    void SetBackColor(int v) { m_backColor = v; }
    TColor ForeColor() const { return m_foreColor; }
    void SetForeColor(int v) { m_foreColor = v; }
    TBrushStyle Style() const { return m_style; }
    void SetStyle(TBrushStyle v) { m_style = v; }

    void Assign(const TvdPersistent *source) override;
    void Draw(Canvas &canvas, int x, int y, int x1, int y1, double scaleX, double scaleY) override;
    QString Diff(const TvdxCustomFill *aFill, const QString &add) const override;
    TColor GetColor() const override { return m_backColor; }

private:
    TColor m_backColor = clNone;
    TColor m_foreColor = clBlack;
    TBrushStyle m_style = bsSolid;
};

class TvdxGradientFill : public TvdxCustomFill {
    Q_OBJECT
public:
    enum TvdxGradientStyle { gsHorizontal, gsVertical, gsElliptic, gsRectangle, gsVertCenter, gsHorizCenter };
    Q_ENUM(TvdxGradientStyle)
private:
    Q_PROPERTY(int EndColor READ EndColor WRITE SetEndColor)
    Q_PROPERTY(TvdxGradientStyle GradientStyle READ GradientStyle WRITE SetGradientStyle)
    Q_PROPERTY(int StartColor READ StartColor WRITE SetStartColor)
    Q_CLASSINFO("default:EndColor", "0")
    Q_CLASSINFO("default:StartColor", "16777215")
public:
    Q_INVOKABLE TvdxGradientFill() = default;
    TColor StartColor() const { return m_startColor; }
    void SetStartColor(int v) { m_startColor = v; }
    TColor EndColor() const { return m_endColor; }
    void SetEndColor(int v) { m_endColor = v; }
    TvdxGradientStyle GradientStyle() const { return m_style; }
    void SetGradientStyle(TvdxGradientStyle v) { m_style = v; }

    void Assign(const TvdPersistent *source) override;
    void Draw(Canvas &canvas, int x, int y, int x1, int y1, double scaleX, double scaleY) override;
    QString Diff(const TvdxCustomFill *aFill, const QString &add) const override;
    // The middle colour of the run.
    TColor GetColor() const override;

private:
    TColor m_startColor = clWhite;
    TColor m_endColor = clBlack;
    TvdxGradientStyle m_style = gsHorizontal;
};

class TvdxGlassFill : public TvdxCustomFill {
    Q_OBJECT
public:
    enum TvdxGlassFillOrientation { foVertical, foHorizontal, foVerticalMirror, foHorizontalMirror };
    Q_ENUM(TvdxGlassFillOrientation)
private:
    Q_PROPERTY(double Blend READ Blend WRITE SetBlend)
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(bool Hatch READ Hatch WRITE SetHatch)
    Q_PROPERTY(TvdxGlassFillOrientation Orientation READ Orientation WRITE SetOrientation)
    // The unwritten colour is the one a new fill has, so that a stored white
    // reads back white.
    Q_CLASSINFO("default:Color", "8421504")
    Q_CLASSINFO("default:Hatch", "False")
    Q_CLASSINFO("default:Orientation", "foHorizontal")
public:
    Q_INVOKABLE TvdxGlassFill() = default;
    TColor Color() const { return m_color; }
    void SetColor(int v) { m_color = v; }
    double Blend() const { return m_blend; }
    void SetBlend(double v) { m_blend = v; }
    bool Hatch() const { return m_hatch; }
    void SetHatch(bool v) { m_hatch = v; }
    TvdxGlassFillOrientation Orientation() const { return m_orientation; }
    void SetOrientation(TvdxGlassFillOrientation v) { m_orientation = v; }

    TColor BlendColor() const;
    TColor HatchColor() const;

    bool IsPropertyStored(const char *propName) const override;
    void Assign(const TvdPersistent *source) override;
    void Draw(Canvas &canvas, int x, int y, int x1, int y1, double scaleX, double scaleY) override;
    QString Diff(const TvdxCustomFill *aFill, const QString &add) const override;
    TColor GetColor() const override { return m_color; }

private:
    TColor m_color = clGray;
    double m_blend = 0.5;
    bool m_hatch = false;
    TvdxGlassFillOrientation m_orientation = foHorizontal;
};

using TvdxFillType = TvdxCustomFill::TvdxFillType;
constexpr TvdxFillType ftBrush = TvdxCustomFill::ftBrush;
constexpr TvdxFillType ftGradient = TvdxCustomFill::ftGradient;
constexpr TvdxFillType ftGlass = TvdxCustomFill::ftGlass;

// A new fill of the type; none for a value outside the three.
TvdxCustomFill *vdxCreateFill(int fillType);
// ftGradient and ftGlass for those fills, ftBrush for anything else.
TvdxFillType vdxGetFillType(const TvdxCustomFill *fill);
