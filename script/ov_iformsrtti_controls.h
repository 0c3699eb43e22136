// The window classes scripts build forms from: small host classes over Qt
// Widgets whose published properties are Qt properties and whose events call
// script procedures through event adapters.
#pragma once
#include "core/vdPersistent.h"
#include "script/ov_iclasses.h"

#include <QHash>
#include <QPointer>
#include <QStringList>

#include <QWidget>
class QEvent;
class QKeyEvent;
class TWinControl;
class TCustomForm;
class TCanvas;

// Windows virtual-key code of a Qt key (0 for keys without one).
int ovQtKeyToVK(int qtKey);
// Qt key of a virtual-key code (0 when unknown).
int ovVKToQtKey(int vk);
// The shift-state set as its byte of bits (ssShift 1 ... ssDouble 64).
int ovShiftState(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons = Qt::NoButton, bool dbl = false);

// ---------------------------------------------------------------------------
class TControl : public TvdComponent, public IovEventHost {
    Q_OBJECT
    Q_PROPERTY(TAlign Align READ Align WRITE SetAlign)
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
    Q_PROPERTY(int Left READ Left WRITE SetLeft)
    Q_PROPERTY(int Top READ Top WRITE SetTop)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
public:
    enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
    Q_ENUM(TAlign)

    Q_INVOKABLE explicit TControl(TvdComponent *owner = nullptr);
    ~TControl() override;

    QWidget *Widget() const { return m_widget.data(); }
    TWinControl *Parent() const { return m_parent.data(); }
    virtual void SetParent(TWinControl *parent);
    // The form the control sits on (itself for a form).
    TCustomForm *ParentForm() const;

    TAlign Align() const { return m_align; }
    void SetAlign(TAlign v);
    int Color() const { return m_color; }
    void SetColor(int v);
    bool Enabled() const;
    void SetEnabled(bool v);
    QString Hint() const;
    void SetHint(const QString &v);
    int Left() const;
    void SetLeft(int v) { SetBounds(v, Top(), Width(), Height()); }
    int Top() const;
    void SetTop(int v) { SetBounds(Left(), v, Width(), Height()); }
    int Width() const;
    void SetWidth(int v) { SetBounds(Left(), Top(), v, Height()); }
    int Height() const;
    void SetHeight(int v) { SetBounds(Left(), Top(), Width(), v); }
    bool Visible() const { return m_visible; }
    virtual void SetVisible(bool v);

    virtual void Show() { SetVisible(true); }
    virtual void Hide() { SetVisible(false); }
    // Asks OnCanResize first; the handler may change or refuse the size.
    void SetBounds(int left, int top, int width, int height);
    // What a click does: runs OnClick.
    virtual void Click();

    bool SetScriptEvent(const QString &eventName, const TovEventMethod &handler) override;
    bool HasEvent(const QString &eventName) const { return m_events.contains(eventName); }
    // Runs an attached event with its host arguments; false when none is attached.
    bool Fire(const QString &eventName, QList<Variant> &args);

protected:
    // Takes the widget over and watches its events.
    void setWidget(QWidget *widget);
    // Upper-case names of the events this class serves.
    virtual bool servesEvent(const QString &eventName) const;
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Keys: the adapters may change or swallow them; true when eaten.
    bool handleKey(QKeyEvent *e);
    // Runs a Qt-raised event; a script error is shown, never thrown through Qt.
    bool fireFromQt(const QString &eventName, QList<Variant> &args);
    virtual void applyColor();
    void applyAlign();
    Variant self() { return Variant::fromObject(this); }

    QPointer<QWidget> m_widget;
    QPointer<TWinControl> m_parent;
    QHash<QString, TovEventMethod> m_events;
    TAlign m_align = alNone;
    int m_color;
    bool m_visible = true;
    bool m_inKeyResend = false;
    friend class TWinControl;
};

class TWinControl : public TControl {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TWinControl(TvdComponent *owner = nullptr);
    ~TWinControl() override;
    void SetFocus();
    void Invalidate();
    // Where child widgets go.
    virtual QWidget *Container() const { return Widget(); }
    int ControlCount() const { return int(m_controls.size()); }
    TControl *Controls(int i) const { return m_controls.at(i).data(); }
    // Lays out aligned children.
    void Realign();

protected:
    friend class TControl;
    bool servesEvent(const QString &eventName) const override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    QList<QPointer<TControl>> m_controls;
};

class TCustomControl : public TWinControl {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TCustomControl(TvdComponent *owner = nullptr) : TWinControl(owner) {}
};

class TGraphicControl : public TControl {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TGraphicControl(TvdComponent *owner = nullptr) : TControl(owner) {}
};

class TGroupBox : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
public:
    Q_INVOKABLE explicit TGroupBox(TvdComponent *owner = nullptr);
    QString Caption() const;
    void SetCaption(const QString &v);
};

class TLabel : public TControl {
    Q_OBJECT
    Q_PROPERTY(int Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)
public:
    enum TAlignment { taLeftJustify, taRightJustify, taCenter };
    Q_INVOKABLE explicit TLabel(TvdComponent *owner = nullptr);
    int Alignment() const { return m_alignment; }
    void SetAlignment(int v);
    QString Caption() const;
    void SetCaption(const QString &v);
    bool WordWrap() const;
    void SetWordWrap(bool v);

private:
    TAlignment m_alignment = taLeftJustify;
};

class TEdit : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(int MaxLength READ MaxLength WRITE SetMaxLength)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
    Q_PROPERTY(QString Text READ Text WRITE SetText)
public:
    Q_INVOKABLE explicit TEdit(TvdComponent *owner = nullptr);
    int MaxLength() const;
    void SetMaxLength(int v);
    bool ReadOnly() const;
    void SetReadOnly(bool v);
    QString Text() const;
    void SetText(const QString &v);

protected:
    void applyColor() override;
};

class TMemo : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(QStringList Lines READ Lines WRITE SetLines)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
    Q_PROPERTY(QString Text READ Text WRITE SetText)
public:
    Q_INVOKABLE explicit TMemo(TvdComponent *owner = nullptr);
    QStringList Lines() const;
    void SetLines(const QStringList &v);
    bool ReadOnly() const;
    void SetReadOnly(bool v);
    QString Text() const;
    void SetText(const QString &v);

protected:
    void applyColor() override;
};

class TCustomComboBox : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(QStringList Items READ Items WRITE SetItems)
    Q_PROPERTY(TComboBoxStyle Style READ Style WRITE SetStyle)
    Q_PROPERTY(QString Text READ Text WRITE SetText)
public:
    enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };
    Q_ENUM(TComboBoxStyle)
    Q_INVOKABLE explicit TCustomComboBox(TvdComponent *owner = nullptr);
    QStringList Items() const;
    void SetItems(const QStringList &v);
    TComboBoxStyle Style() const { return m_style; }
    void SetStyle(TComboBoxStyle v);
    QString Text() const;
    void SetText(const QString &v);
    bool DroppedDown() const;
    void SetDroppedDown(bool v);
    int ItemIndex() const;
    void SetItemIndex(int v);

protected:
    bool servesEvent(const QString &eventName) const override;

private:
    TComboBoxStyle m_style = csDropDown;
};

class TComboBox : public TCustomComboBox {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TComboBox(TvdComponent *owner = nullptr) : TCustomComboBox(owner) {}
};

class TButton : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(bool Cancel READ Cancel WRITE SetCancel)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(bool Default READ Default WRITE SetDefault)
    Q_PROPERTY(int ModalResult READ ModalResult WRITE SetModalResult)
public:
    Q_INVOKABLE explicit TButton(TvdComponent *owner = nullptr);
    bool Cancel() const { return m_cancel; }
    void SetCancel(bool v) { m_cancel = v; }
    QString Caption() const;
    void SetCaption(const QString &v);
    bool Default() const;
    void SetDefault(bool v);
    int ModalResult() const { return m_modalResult; }
    void SetModalResult(int v) { m_modalResult = v; }
    // Passes its modal result to the form, then runs OnClick.
    void Click() override;

private:
    bool m_cancel = false;
    int m_modalResult = 0;
};

class TCheckBox : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(bool Checked READ Checked WRITE SetChecked)
    Q_PROPERTY(TCheckBoxState State READ State WRITE SetState)
public:
    enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
    Q_ENUM(TCheckBoxState)
    Q_INVOKABLE explicit TCheckBox(TvdComponent *owner = nullptr);
    QString Caption() const;
    void SetCaption(const QString &v);
    bool Checked() const { return State() == cbChecked; }
    void SetChecked(bool v) { SetState(v ? cbChecked : cbUnchecked); }
    TCheckBoxState State() const;
    void SetState(TCheckBoxState v);
};

class TRadioButton : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(bool Checked READ Checked WRITE SetChecked)
public:
    Q_INVOKABLE explicit TRadioButton(TvdComponent *owner = nullptr);
    QString Caption() const;
    void SetCaption(const QString &v);
    bool Checked() const;
    void SetChecked(bool v);
};

class TCustomListBox : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(QStringList Items READ Items WRITE SetItems)
    Q_PROPERTY(bool MultiSelect READ MultiSelect WRITE SetMultiSelect)
public:
    Q_INVOKABLE explicit TCustomListBox(TvdComponent *owner = nullptr);
    QStringList Items() const;
    void SetItems(const QStringList &v);
    bool MultiSelect() const;
    void SetMultiSelect(bool v);
    int ItemIndex() const;
    void SetItemIndex(int v);
    int SelCount() const;
    // Raises for an index outside the items.
    bool Selected(int index) const;
    void SetSelected(int index, bool v);
};

class TListBox : public TCustomListBox {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TListBox(TvdComponent *owner = nullptr) : TCustomListBox(owner) {}
};

class TControlScrollBar : public TvdPersistent {
    Q_OBJECT
public:
    Q_INVOKABLE TControlScrollBar() = default;
};

class TScrollingWinControl : public TWinControl {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TScrollingWinControl(TvdComponent *owner = nullptr) : TWinControl(owner) {}
};

class TScrollBox : public TScrollingWinControl {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TScrollBox(TvdComponent *owner = nullptr);
    QWidget *Container() const override;

private:
    QPointer<QWidget> m_inner;
};

// A top-level window.
class TCustomForm : public TScrollingWinControl {
    Q_OBJECT
    Q_PROPERTY(int BorderStyle READ BorderStyle WRITE SetBorderStyle)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(int ClientHeight READ ClientHeight WRITE SetClientHeight)
    Q_PROPERTY(int ClientWidth READ ClientWidth WRITE SetClientWidth)
    Q_PROPERTY(TFormStyle FormStyle READ FormStyle WRITE SetFormStyle)
    Q_PROPERTY(bool KeyPreview READ KeyPreview WRITE SetKeyPreview)
    Q_PROPERTY(TPosition Position READ Position WRITE SetPosition)
    Q_PROPERTY(TWindowState WindowState READ WindowState WRITE SetWindowState)
public:
    enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
    Q_ENUM(TFormStyle)
    enum TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter };
    Q_ENUM(TPosition)
    enum TWindowState { wsNormal, wsMinimized, wsMaximized };
    Q_ENUM(TWindowState)
    enum TCloseAction { caNone, caHide, caFree, caMinimize };

    Q_INVOKABLE explicit TCustomForm(TvdComponent *owner = nullptr);
    ~TCustomForm() override;

    int BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(int v);
    QString Caption() const;
    void SetCaption(const QString &v);
    int ClientHeight() const { return Height(); }
    void SetClientHeight(int v) { SetHeight(v); }
    int ClientWidth() const { return Width(); }
    void SetClientWidth(int v) { SetWidth(v); }
    TFormStyle FormStyle() const { return m_formStyle; }
    void SetFormStyle(TFormStyle v);
    bool KeyPreview() const { return m_keyPreview; }
    void SetKeyPreview(bool v) { m_keyPreview = v; }
    TPosition Position() const { return m_position; }
    void SetPosition(TPosition v) { m_position = v; }
    TWindowState WindowState() const;
    void SetWindowState(TWindowState v);

    TCanvas *Canvas() const { return m_canvas; }
    int ModalResult() const { return m_modalResult; }
    // A non-zero result ends a modal run (after CloseQuery agrees).
    void SetModalResult(int v);

    void SetVisible(bool v) override;
    // Asks OnCloseQuery; true when the form may close.
    bool CloseQuery();
    // CloseQuery, then OnClose decides: hide, free, minimize or stay.
    void Close();
    // Shows the form and runs until ModalResult is set; answers it.
    int ShowModal();
    bool IsModal() const { return m_modalLoop != nullptr; }

    // Called by the window when the user or the host closes it; false keeps it open.
    bool windowCloseRequested();
    void paintTo(class QPainter &painter);

protected:
    bool servesEvent(const QString &eventName) const override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int closeAction();
    int m_borderStyle = 2;
    TFormStyle m_formStyle = fsNormal;
    bool m_keyPreview = false;
    TPosition m_position = poDesigned;
    int m_modalResult = 0;
    TCanvas *m_canvas;
    class QEventLoop *m_modalLoop = nullptr;
    bool m_closing = false;
    bool m_created = false;
};

class TForm : public TCustomForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TForm(TvdComponent *owner = nullptr) : TCustomForm(owner) {}
};

class TDataModule : public TvdComponent {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TDataModule(TvdComponent *owner = nullptr) : TvdComponent(owner) {}
};

// The process's application object.
class TApplication : public TvdComponent {
    Q_OBJECT
    Q_PROPERTY(QString Title READ Title WRITE SetTitle)
public:
    Q_INVOKABLE explicit TApplication(TvdComponent *owner = nullptr) : TvdComponent(owner) {}
    static TApplication *Instance();
    QString ExeName() const;
    QString Title() const;
    void SetTitle(const QString &v);
    void Minimize();
    void ProcessMessages();
    void Restore();
};
