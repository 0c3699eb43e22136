// The check box object: a square mark drawn in its box, checked or not, its
// state taken from a data field or an expression while the report prepares
// and toggled by a click in the preview.
#pragma once
#include "report/vdxClass_view.h"

class TvdxCheckBoxView : public TvdxView {
    Q_OBJECT
public:
    enum TvdxCheckStyle { csCross, csCheck, csLineCross, csPlus };
    Q_ENUM(TvdxCheckStyle)
    enum TvdxUncheckStyle { usEmpty, usCross, usLineCross, usMinus };
    Q_ENUM(TvdxUncheckStyle)
private:
    Q_PROPERTY(int CheckColor READ CheckColor WRITE SetCheckColor)
    Q_PROPERTY(bool Checked READ Checked WRITE SetChecked)
    Q_PROPERTY(TvdxCheckStyle CheckStyle READ CheckStyle WRITE SetCheckStyle)
    Q_PROPERTY(TvdxUncheckStyle UncheckStyle READ UncheckStyle WRITE SetUncheckStyle)
    Q_PROPERTY(QString Expression READ Expression WRITE SetExpression)
    Q_PROPERTY(TvdxComponent::TvdxEditableRights Editable READ Editable WRITE SetEditable)
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(QString DataSetName READ DataSetName WRITE SetDataSetName)
    Q_PROPERTY(TvdxCustomFill::TBrushStyle BrushStyle READ BrushStyle WRITE SetBrushStyle STORED false)
    Q_PROPERTY(int Color READ Color WRITE SetColor STORED false)
    Q_PROPERTY(TvdxCustomFill *Fill READ Fill WRITE SetFill)
    Q_PROPERTY(TvdxCustomFill::TvdxFillType FillType READ FillType WRITE SetFillType)
    Q_PROPERTY(TvdxFrame *Frame READ Frame WRITE SetFrame)
    Q_PROPERTY(int Cursor READ Cursor WRITE SetCursor)
    Q_PROPERTY(QString Style READ Style WRITE SetStyle)
    Q_PROPERTY(QString TagStr READ TagStr WRITE SetTagStr)
    Q_PROPERTY(QString URL READ URL WRITE SetURL STORED false)
    Q_CLASSINFO("type:CheckColor", "TColor")
    Q_CLASSINFO("default:Checked", "True")
    Q_CLASSINFO("default:UncheckStyle", "usEmpty")
    Q_CLASSINFO("default:Editable", "ferAllowInPreview")
    Q_CLASSINFO("default:Cursor", "0")
    Q_CLASSINFO("default:FillType", "ftBrush")
public:
    Q_INVOKABLE explicit TvdxCheckBoxView(TvdComponent *owner = nullptr);

    TColor CheckColor() const { return m_checkColor; }
    void SetCheckColor(int v) { m_checkColor = v; }
    bool Checked() const { return m_checked; }
    void SetChecked(bool v) { m_checked = v; }
    TvdxCheckStyle CheckStyle() const { return m_checkStyle; }
    void SetCheckStyle(TvdxCheckStyle v) { m_checkStyle = v; }
    TvdxUncheckStyle UncheckStyle() const { return m_uncheckStyle; }
    void SetUncheckStyle(TvdxUncheckStyle v) { m_uncheckStyle = v; }
    QString Expression() const { return m_expression; }
    void SetExpression(const QString &v) { m_expression = v; }

    QString GetDescription() const override;
    // Fill, then the mark, then the frame over it.
    void Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY) override;
    // The mark of the current state into a device rectangle.
    void DrawCheck(const TRect &rect);
    // The state from the bound field (Null reads unchecked) or the expression.
    void GetData() override;

protected:
    // Outside the designer every click toggles the state.
    bool DoMouseDown(int x, int y, TvdxMouseButton button, TvdxShiftState shift,
                     TvdxInteractiveEventsParams &eventParams) override;

private:
    void drawGlyph(const TRect &rect, int code);
    void drawLine(int x1, int y1, int x2, int y2);

    TColor m_checkColor = clBlack;
    bool m_checked = true;
    TvdxCheckStyle m_checkStyle = csCross;
    TvdxUncheckStyle m_uncheckStyle = usEmpty;
    QString m_expression;
};

// Joins the GUI control class group; it has no behaviour of its own.
class TvdxCheckBoxObject : public TvdComponent {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TvdxCheckBoxObject(TvdComponent *owner = nullptr) : TvdComponent(owner) {}
};

