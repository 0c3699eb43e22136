// The frame of views, styles and highlights: four lines with their own
// colour, style and width, and an optional drop shadow.
#pragma once
#include "core/vdPersistent.h"
#include "platform/GraphicsTypes.h"

class Canvas;
class TvdxFrame;

// A line of w one-pixel lines with the canvas pen, offset across the line
// from -(w div 2) to (w div 2) - (1 when w is even); w 0 counts as 1.
void vdxDrawWideStroke(Canvas &canvas, int x1, int y1, int x2, int y2, int w);

class TvdxFrameLine : public TvdPersistent {
    Q_OBJECT
public:
    enum TvdxFrameStyle { fsSolid, fsDash, fsDot, fsDashDot, fsDashDotDot, fsDouble, fsAltDot, fsSquare };
    Q_ENUM(TvdxFrameStyle)
private:
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(TvdxFrameStyle Style READ Style WRITE SetStyle)
    Q_PROPERTY(double Width READ Width WRITE SetWidth)
    Q_CLASSINFO("default:Color", "nodefault")
    Q_CLASSINFO("default:Style", "nodefault")
public:
    Q_INVOKABLE explicit TvdxFrameLine(TvdxFrame *frame = nullptr) : m_frame(frame) {}
    TvdxFrame *Frame() const { return m_frame; }
    TColor Color() const { return m_color; }
    void SetColor(int v) { m_color = v; }
    TvdxFrameStyle Style() const { return m_style; }
    void SetStyle(TvdxFrameStyle v) { m_style = v; }
    double Width() const { return m_width; }
    void SetWidth(double v) { m_width = v; }

    void Assign(const TvdPersistent *source) override;
    // Written only where the line differs from its frame.
    bool IsPropertyStored(const char *propName) const override;

private:
    TvdxFrame *m_frame;
    TColor m_color = clBlack;
    TvdxFrameStyle m_style = fsSolid;
    double m_width = 1;
};

class TvdxFrame : public TvdPersistent {
    Q_OBJECT
public:
    enum TvdxFrameType { ftLeft = 1, ftRight = 2, ftTop = 4, ftBottom = 8 };
    Q_DECLARE_FLAGS(TvdxFrameTypes, TvdxFrameType)
    Q_FLAG(TvdxFrameTypes)
    using TvdxFrameStyle = TvdxFrameLine::TvdxFrameStyle;
private:
    // Frame-wide values come before the lines: reading one sets all four.
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(bool DropShadow READ DropShadow WRITE SetDropShadow)
    Q_PROPERTY(int ShadowColor READ ShadowColor WRITE SetShadowColor)
    Q_PROPERTY(double ShadowWidth READ ShadowWidth WRITE SetShadowWidth)
    Q_PROPERTY(TvdxFrameLine::TvdxFrameStyle Style READ Style WRITE SetStyle)
    Q_PROPERTY(TvdxFrameTypes Typ READ Typ WRITE SetTyp)
    Q_PROPERTY(double Width READ Width WRITE SetWidth)
    Q_PROPERTY(TvdxFrameLine *LeftLine READ LeftLine WRITE SetLeftLine)
    Q_PROPERTY(TvdxFrameLine *TopLine READ TopLine WRITE SetTopLine)
    Q_PROPERTY(TvdxFrameLine *RightLine READ RightLine WRITE SetRightLine)
    Q_PROPERTY(TvdxFrameLine *BottomLine READ BottomLine WRITE SetBottomLine)
    Q_CLASSINFO("default:Color", "0")
    Q_CLASSINFO("default:DropShadow", "False")
    Q_CLASSINFO("default:ShadowColor", "0")
    Q_CLASSINFO("default:Style", "fsSolid")
public:
    Q_INVOKABLE TvdxFrame();
    ~TvdxFrame() override;

    TColor Color() const { return m_color; }
    void SetColor(int v);
    bool DropShadow() const { return m_dropShadow; }
    void SetDropShadow(bool v) { m_dropShadow = v; }
    TColor ShadowColor() const { return m_shadowColor; }
    void SetShadowColor(int v) { m_shadowColor = v; }
    double ShadowWidth() const { return m_shadowWidth; }
    void SetShadowWidth(double v) { m_shadowWidth = v; }
    TvdxFrameStyle Style() const { return m_style; }
    void SetStyle(TvdxFrameStyle v);
    TvdxFrameTypes Typ() const { return m_typ; }
    void SetTyp(TvdxFrameTypes v) { m_typ = v; }
    double Width() const { return m_width; }
    void SetWidth(double v);
    TvdxFrameLine *LeftLine() const { return line(0); }
    TvdxFrameLine *TopLine() const { return line(1); }
    TvdxFrameLine *RightLine() const { return line(2); }
    TvdxFrameLine *BottomLine() const { return line(3); }
    void SetLeftLine(TvdxFrameLine *v) { line(0)->Assign(v); }
    void SetTopLine(TvdxFrameLine *v) { line(1)->Assign(v); }
    void SetRightLine(TvdxFrameLine *v) { line(2)->Assign(v); }
    void SetBottomLine(TvdxFrameLine *v) { line(3)->Assign(v); }

    void Assign(const TvdPersistent *source) override;
    bool IsPropertyStored(const char *propName) const override;
    // fx1 and fy1 are already reduced by the shadow.
    void Draw(Canvas &canvas, int fx, int fy, int fx1, int fy1, double scaleX, double scaleY);
    QString Diff(const TvdxFrame *aFrame) const;

private:
    enum Side { sLeft, sRight, sTop, sBottom };
    void drawSide(Canvas &canvas, Side side, int x, int y, int x1, int y1, bool startOn, bool endOn,
                  const TvdxFrameLine &line, double scaleX);

    // A line is made when first asked for, with the frame-wide values: until
    // then it has them anyway (setting a frame-wide value sets every line),
    // and most views never ask (a template of many views loads faster).
    TvdxFrameLine *line(int i) const;
    mutable TvdxFrameLine *m_lines[4] = {};
    TColor m_color = clBlack;
    bool m_dropShadow = false;
    double m_shadowWidth = 4;
    TColor m_shadowColor = clBlack;
    TvdxFrameStyle m_style = TvdxFrameLine::fsSolid;
    TvdxFrameTypes m_typ;
    double m_width = 1;
};
Q_DECLARE_OPERATORS_FOR_FLAGS(TvdxFrame::TvdxFrameTypes)
