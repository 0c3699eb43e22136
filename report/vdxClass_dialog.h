// Report components that are not printed: non-visual dialog components (data
// sets, connections), shown in the designer as a 28 x 28 icon, and dialog
// controls, which wrap a widget living on a dialog page's window or, without
// a dialog parent, on one hidden host form shared by the process.
#pragma once
#include "platform/GraphicsTypes.h"
#include "report/vdxClass_component.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

class TvdxAnchorKeeper;

// The hidden host form of dialog controls that have no dialog parent.
class TParentForm : public QWidget {
    Q_OBJECT
public:
    TParentForm();
    // Creates or destroys a control's native window from any thread.
    void CreateControlHandle(QWidget *control);
    void DestroyControlHandle(QWidget *control);
};

TParentForm *vdxGetParentForm();
// Takes every control off the host form (module end).
void vdxDetachParentFormControls();

// ---------------------------------------------------------------------------
class TvdxDialogComponent : public TvdxReportComponent {
    Q_OBJECT
    Q_PROPERTY(double Left READ GetLeftF WRITE SetLeftF)
    Q_PROPERTY(double Top READ GetTopF WRITE SetTopF)
public:
    Q_INVOKABLE explicit TvdxDialogComponent(TvdComponent *owner = nullptr);
    ~TvdxDialogComponent() override;

    // The wrapped non-visual component; freed with this one.
    QObject *Component() const { return m_component.get(); }
    void SetComponent(std::unique_ptr<QObject> component) { m_component = std::move(component); }
    int ImageIndex() const { return m_imageIndex; }
    void SetImageIndex(int value) { m_imageIndex = value; }

    void Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY) override;

private:
    std::unique_ptr<QObject> m_component;
    int m_imageIndex = 0;
};

// ---------------------------------------------------------------------------
class TvdxDialogControl : public TvdxReportComponent {
    Q_OBJECT
    Q_PROPERTY(TvdxComponent::TvdxAnchors Anchors READ Anchors WRITE SetAnchors)
    Q_PROPERTY(double Left READ GetLeftF WRITE SetLeftF)
    Q_PROPERTY(double Top READ GetTopF WRITE SetTopF)
    Q_PROPERTY(double Width READ GetWidthF WRITE SetWidthF)
    Q_PROPERTY(double Height READ GetHeightF WRITE SetHeightF)
    Q_PROPERTY(TvdFont *Font READ Font WRITE SetFont)
    Q_PROPERTY(int GroupIndex READ GroupIndex WRITE SetGroupIndex)
    Q_PROPERTY(bool ParentFont READ ParentFont WRITE SetParentFont)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
    Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_CLASSINFO("default:Anchors", "vdaLeft|vdaTop")
    Q_CLASSINFO("default:GroupIndex", "0")
    Q_CLASSINFO("default:ParentFont", "True")
    Q_CLASSINFO("default:Enabled", "True")
    Q_CLASSINFO("default:ShowHint", "False")
    Q_CLASSINFO("default:Visible", "True")
public:
    Q_INVOKABLE explicit TvdxDialogControl(TvdComponent *owner = nullptr);
    ~TvdxDialogControl() override;

    QWidget *Control() const { return m_control.data(); }
    // Takes ownership of the widget and places it under the current parent.
    void SetControl(QWidget *control);

    QString Caption() const;
    void SetCaption(const QString &value);
    TColor Color() const { return m_color; }
    void SetColor(TColor value);
    bool Enabled() const;
    void SetEnabled(bool value);
    QString Hint() const { return m_hint; }
    void SetHint(const QString &value);
    bool ShowHint() const { return m_showHint; }
    void SetShowHint(bool value);
    bool TabStop() const;
    void SetTabStop(bool value);
    int CurrentPPI() const { return m_currentPPI; }

    void SetName(const QString &value) override;
    void SetAnchors(TvdxAnchors value) override;
    void SetParent(TvdxComponent *value) override;
    void SetLeft(long double value) override;
    void SetTop(long double value) override;
    void SetWidth(long double value) override;
    void SetHeight(long double value) override;
    void SetParentFont(bool value) override;
    void SetVisible(bool value) override;
    void FontChanged() override;
    bool IsAcceptAsChild(TvdxComponent *parent) const override;
    bool IsAcceptControls() const override;
    void Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY) override;
    bool IsOwnerDraw() const override;

    virtual void CorrectControlCoordinates() {}
    virtual TPoint GetClientOffset() const { return TPoint(0, 0); }
    virtual void UpdateControlPPI(int newPPI);

    // Script event names.
    QString OnClick, OnDblClick, OnEnter, OnExit, OnKeyDown, OnKeyPress, OnKeyUp, OnMouseDown, OnMouseMove,
        OnMouseUp;
    std::function<void(TvdxDialogControl *sender)> OnActivate;

protected:
    // Whether the caption follows the name (on for captioned controls).
    bool m_setCaptionFromName = true;
    // Whether the widget takes child controls.
    bool m_acceptsControls = false;

private:
    void updateBaseName();
    int scaled(long double value) const;
    QWidget *parentWindow() const;
    void applyParent();

    // Anchors follow the parent widget's resizes through this (owned by the widget).
    void rebaseAnchors();
    QPointer<QWidget> m_control;
    QPointer<TvdxAnchorKeeper> m_anchorKeeper;
    QString m_caption;
    TColor m_color = clBtnFace;
    QString m_hint;
    bool m_showHint = false;
    int m_currentPPI = 96;
};
