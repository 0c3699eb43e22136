#include "script/ov_iformsrtti_controls.h"

#include "platform/QPainterCanvas.h"
#include "platform/UiProvider.h"
#include "script/ov_igraphicsrtti.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>

namespace {

const QString kOnCanResize = QStringLiteral("ONCANRESIZE");
const QString kOnClick = QStringLiteral("ONCLICK");
const QString kOnDblClick = QStringLiteral("ONDBLCLICK");
const QString kOnMouseDown = QStringLiteral("ONMOUSEDOWN");
const QString kOnMouseMove = QStringLiteral("ONMOUSEMOVE");
const QString kOnMouseUp = QStringLiteral("ONMOUSEUP");
const QString kOnResize = QStringLiteral("ONRESIZE");
const QString kOnEnter = QStringLiteral("ONENTER");
const QString kOnExit = QStringLiteral("ONEXIT");
const QString kOnKeyDown = QStringLiteral("ONKEYDOWN");
const QString kOnKeyPress = QStringLiteral("ONKEYPRESS");
const QString kOnKeyUp = QStringLiteral("ONKEYUP");
const QString kOnChange = QStringLiteral("ONCHANGE");
const QString kOnDropDown = QStringLiteral("ONDROPDOWN");
const QString kOnCloseUp = QStringLiteral("ONCLOSEUP");
const QString kOnActivate = QStringLiteral("ONACTIVATE");
const QString kOnClose = QStringLiteral("ONCLOSE");
const QString kOnCloseQuery = QStringLiteral("ONCLOSEQUERY");
const QString kOnCreate = QStringLiteral("ONCREATE");
const QString kOnDestroy = QStringLiteral("ONDESTROY");
const QString kOnDeactivate = QStringLiteral("ONDEACTIVATE");
const QString kOnHide = QStringLiteral("ONHIDE");
const QString kOnPaint = QStringLiteral("ONPAINT");
const QString kOnShow = QStringLiteral("ONSHOW");

constexpr int clBtnFaceValue = int(0xFF00000Fu);
constexpr int clWindowValue = int(0xFF000005u);
constexpr int mrCancelValue = 2;

struct KeyPair {
    int qt;
    int vk;
};

const KeyPair kKeys[] = {
    {Qt::Key_Cancel, 3},      {Qt::Key_Backspace, 8}, {Qt::Key_Tab, 9},        {Qt::Key_Backtab, 9},
    {Qt::Key_Clear, 12},      {Qt::Key_Return, 13},   {Qt::Key_Enter, 13},     {Qt::Key_Shift, 16},
    {Qt::Key_Control, 17},    {Qt::Key_Alt, 18},      {Qt::Key_Pause, 19},     {Qt::Key_CapsLock, 20},
    {Qt::Key_Escape, 27},     {Qt::Key_Space, 32},    {Qt::Key_PageUp, 33},    {Qt::Key_PageDown, 34},
    {Qt::Key_End, 35},        {Qt::Key_Home, 36},     {Qt::Key_Left, 37},      {Qt::Key_Up, 38},
    {Qt::Key_Right, 39},      {Qt::Key_Down, 40},     {Qt::Key_Select, 41},    {Qt::Key_Print, 42},
    {Qt::Key_Execute, 43},    {Qt::Key_Insert, 45},   {Qt::Key_Delete, 46},    {Qt::Key_Help, 47},
    {Qt::Key_Meta, 91},       {Qt::Key_Super_L, 91},  {Qt::Key_Super_R, 92},   {Qt::Key_Menu, 93},
    {Qt::Key_Sleep, 95},      {Qt::Key_Asterisk, 106}, {Qt::Key_Plus, 107},    {Qt::Key_Minus, 109},
    {Qt::Key_Slash, 111},     {Qt::Key_NumLock, 144}, {Qt::Key_ScrollLock, 145},
    {Qt::Key_Semicolon, 186}, {Qt::Key_Equal, 187},   {Qt::Key_Comma, 188},    {Qt::Key_Period, 190},
    {Qt::Key_QuoteLeft, 192}, {Qt::Key_BracketLeft, 219}, {Qt::Key_Backslash, 220},
    {Qt::Key_BracketRight, 221}, {Qt::Key_Apostrophe, 222},
};

void reportError(const QString &message)
{
    vdUiProvider().MessageDlg(message, TvdMsgDlgType::Error, mbOK);
}

// A real click runs the control's Click; a script error is shown, never
// thrown through Qt's event loop.
void connectClick(QAbstractButton *button, TWinControl *control)
{
    QObject::connect(button, &QAbstractButton::clicked, control, [control] {
        try {
            control->Click();
        } catch (const Exception &e) {
            reportError(e.message());
        }
    });
}

QString buttonText(QWidget *w)
{
    auto *b = qobject_cast<QAbstractButton *>(w);
    return b ? b->text() : QString();
}

void setButtonText(QWidget *w, const QString &text)
{
    if (auto *b = qobject_cast<QAbstractButton *>(w))
        b->setText(text);
}

// The top-level window of a form.
class FormWindow : public QWidget {
public:
    explicit FormWindow(TCustomForm *form) : m_form(form) {}
    QPointer<TCustomForm> m_form;

protected:
    void closeEvent(QCloseEvent *e) override
    {
        if (m_form && !m_form->windowCloseRequested())
            e->ignore();
        else
            e->accept();
    }
    void paintEvent(QPaintEvent *) override
    {
        if (!m_form)
            return;
        QPainter p(this);
        m_form->paintTo(p);
    }
};

// A combo box that tells when its list opens and closes.
class ComboWidget : public QComboBox {
public:
    explicit ComboWidget(TCustomComboBox *owner) : m_owner(owner) {}
    QPointer<TCustomComboBox> m_owner;
    bool m_dropped = false;
    void showPopup() override
    {
        fire(kOnDropDown);
        m_dropped = true;
        QComboBox::showPopup();
    }
    void hidePopup() override
    {
        QComboBox::hidePopup();
        if (m_dropped) {
            m_dropped = false;
            fire(kOnCloseUp);
        }
    }

private:
    void fire(const QString &name)
    {
        if (!m_owner)
            return;
        QList<Variant> args{Variant::fromObject(m_owner.data())};
        try {
            m_owner->Fire(name, args);
        } catch (const Exception &e) {
            reportError(e.message());
        }
    }
};

} // namespace

int ovQtKeyToVK(int qtKey)
{
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return qtKey;
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return qtKey;
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return 112 + (qtKey - Qt::Key_F1);
    for (const KeyPair &k : kKeys)
        if (k.qt == qtKey)
            return k.vk;
    return 0;
}

int ovVKToQtKey(int vk)
{
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z'))
        return vk;
    if (vk >= 112 && vk <= 135)
        return Qt::Key_F1 + (vk - 112);
    if (vk >= 96 && vk <= 105)
        return Qt::Key_0 + (vk - 96);
    for (const KeyPair &k : kKeys)
        if (k.vk == vk)
            return k.qt;
    return 0;
}

int ovShiftState(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons, bool dbl)
{
    int s = 0;
    if (modifiers & Qt::ShiftModifier)
        s |= 1;
    if (modifiers & Qt::AltModifier)
        s |= 2;
    if (modifiers & Qt::ControlModifier)
        s |= 4;
    if (buttons & Qt::LeftButton)
        s |= 8;
    if (buttons & Qt::RightButton)
        s |= 16;
    if (buttons & Qt::MiddleButton)
        s |= 32;
    if (dbl)
        s |= 64;
    return s;
}

// ---------------------------------------------------------------------------
TControl::TControl(TvdComponent *owner) : TvdComponent(owner), m_color(clBtnFaceValue)
{
    setWidget(new QWidget);
}

TControl::~TControl()
{
    m_events.clear();
    if (m_parent)
        m_parent->m_controls.removeAll(QPointer<TControl>(this));
    if (m_widget) {
        m_widget->removeEventFilter(this);
        delete m_widget.data();
    }
}

void TControl::setWidget(QWidget *widget)
{
    QWidget *old = m_widget.data();
    m_widget = widget;
    widget->installEventFilter(this);
    if (old) {
        widget->setGeometry(old->geometry());
        delete old;
    }
}

TCustomForm *TControl::ParentForm() const
{
    const TControl *c = this;
    while (c) {
        if (auto *f = qobject_cast<TCustomForm *>(const_cast<TControl *>(c)))
            return f;
        c = c->m_parent.data();
    }
    return nullptr;
}

void TControl::SetParent(TWinControl *parent)
{
    if (parent == m_parent)
        return;
    if (parent == this)
        throw EovClassError(QStringLiteral("A control cannot be its own parent"));
    if (m_parent)
        m_parent->m_controls.removeAll(QPointer<TControl>(this));
    m_parent = parent;
    if (!m_widget)
        return;
    const QRect r = m_widget->geometry();
    m_widget->setParent(parent ? parent->Container() : nullptr);
    m_widget->setGeometry(r);
    if (parent) {
        parent->m_controls.append(this);
        m_widget->setVisible(m_visible);
        parent->Realign();
    }
}

void TControl::SetAlign(TAlign v)
{
    m_align = v;
    applyAlign();
}

void TControl::applyAlign()
{
    if (m_parent)
        m_parent->Realign();
}

void TControl::SetColor(int v)
{
    m_color = v;
    applyColor();
}

void TControl::applyColor()
{
    if (!m_widget)
        return;
    QPalette pal = m_widget->palette();
    pal.setColor(m_widget->backgroundRole(), toQColor(m_color));
    m_widget->setPalette(pal);
    m_widget->setAutoFillBackground(true);
}

bool TControl::Enabled() const
{
    return m_widget && m_widget->isEnabled();
}

void TControl::SetEnabled(bool v)
{
    if (m_widget)
        m_widget->setEnabled(v);
}

QString TControl::Hint() const
{
    return m_widget ? m_widget->toolTip() : QString();
}

void TControl::SetHint(const QString &v)
{
    if (m_widget)
        m_widget->setToolTip(v);
}

int TControl::Left() const
{
    return m_widget ? m_widget->geometry().left() : 0;
}

int TControl::Top() const
{
    return m_widget ? m_widget->geometry().top() : 0;
}

int TControl::Width() const
{
    return m_widget ? m_widget->geometry().width() : 0;
}

int TControl::Height() const
{
    return m_widget ? m_widget->geometry().height() : 0;
}

void TControl::SetVisible(bool v)
{
    m_visible = v;
    // A control without a parent has nowhere to show.
    if (m_widget && m_parent)
        m_widget->setVisible(v);
}

void TControl::SetBounds(int left, int top, int width, int height)
{
    if (!m_widget)
        return;
    if ((width != Width() || height != Height()) && HasEvent(kOnCanResize)) {
        QList<Variant> args{self(), Variant(width), Variant(height), Variant(true)};
        Fire(kOnCanResize, args);
        if (!args.at(3).toBool())
            return;
        width = args.at(1).toInt();
        height = args.at(2).toInt();
    }
    m_widget->setGeometry(left, top, qMax(0, width), qMax(0, height));
    if (m_align != alNone)
        applyAlign();
}

void TControl::Click()
{
    QList<Variant> args{self()};
    Fire(kOnClick, args);
}

bool TControl::servesEvent(const QString &n) const
{
    return n == kOnCanResize || n == kOnClick || n == kOnDblClick || n == kOnMouseDown || n == kOnMouseMove
           || n == kOnMouseUp || n == kOnResize;
}

bool TControl::SetScriptEvent(const QString &eventName, const TovEventMethod &handler)
{
    if (!servesEvent(eventName))
        return false;
    if (handler)
        m_events.insert(eventName, handler);
    else
        m_events.remove(eventName);
    if (eventName == kOnMouseMove && m_widget)
        m_widget->setMouseTracking(bool(handler));
    return true;
}

bool TControl::Fire(const QString &eventName, QList<Variant> &args)
{
    const auto it = m_events.constFind(eventName);
    if (it == m_events.constEnd())
        return false;
    // A copy: the handler may reassign the event while it runs.
    const TovEventMethod handler = it.value();
    handler(args);
    return true;
}

bool TControl::fireFromQt(const QString &eventName, QList<Variant> &args)
{
    try {
        return Fire(eventName, args);
    } catch (const Exception &e) {
        reportError(e.message());
    } catch (const std::exception &e) {
        reportError(QString::fromLocal8Bit(e.what()));
    }
    return true;
}

bool TControl::handleKey(QKeyEvent *e)
{
    if (m_inKeyResend)
        return false;
    TCustomForm *form = ParentForm();
    if (form && form != this && form->KeyPreview() && form->handleKey(e))
        return true;
    const int shift = ovShiftState(e->modifiers());
    const int vk = ovQtKeyToVK(e->key());
    if (e->type() == QEvent::KeyRelease) {
        if (vk && HasEvent(kOnKeyUp)) {
            QList<Variant> args{self(), Variant(vk), Variant(shift)};
            fireFromQt(kOnKeyUp, args);
            return args.at(1).toInt() == 0;
        }
        return false;
    }
    if (vk && HasEvent(kOnKeyDown)) {
        QList<Variant> args{self(), Variant(vk), Variant(shift)};
        fireFromQt(kOnKeyDown, args);
        if (args.at(1).toInt() == 0)
            return true;
    }
    const QString text = e->text();
    if (text.isEmpty() || !text.at(0).isPrint() || !HasEvent(kOnKeyPress))
        return false;
    QList<Variant> args{self(), Variant(QString(text.at(0)))};
    fireFromQt(kOnKeyPress, args);
    const QString back = args.at(1).toString();
    // An empty key, like #0, swallows the keystroke.
    if (back.isEmpty() || back.at(0).isNull())
        return true;
    if (back.at(0) == text.at(0))
        return false;
    const QChar k = back.at(0);
    QKeyEvent replaced(QEvent::KeyPress, int(k.toUpper().unicode()), e->modifiers(), QString(k));
    m_inKeyResend = true;
    QCoreApplication::sendEvent(m_widget.data(), &replaced);
    m_inKeyResend = false;
    return true;
}

bool TControl::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_widget.data())
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        auto *me = static_cast<QMouseEvent *>(event);
        const int button = me->button() == Qt::RightButton ? 1 : me->button() == Qt::MiddleButton ? 2 : 0;
        const QPoint pos = me->position().toPoint();
        const bool dbl = event->type() == QEvent::MouseButtonDblClick;
        const int shift = ovShiftState(me->modifiers(), me->buttons() | me->button(), dbl);
        if (dbl) {
            QList<Variant> a{self()};
            fireFromQt(kOnDblClick, a);
        }
        if (event->type() != QEvent::MouseButtonRelease) {
            QList<Variant> a{self(), Variant(button), Variant(shift), Variant(pos.x()), Variant(pos.y())};
            fireFromQt(kOnMouseDown, a);
        } else {
            QList<Variant> a{self(), Variant(button), Variant(shift), Variant(pos.x()), Variant(pos.y())};
            fireFromQt(kOnMouseUp, a);
            // Buttons report clicks themselves; other controls click on release inside.
            if (me->button() == Qt::LeftButton && !qobject_cast<QAbstractButton *>(m_widget.data())
                && m_widget->rect().contains(pos)) {
                try {
                    Click();
                } catch (const Exception &e) {
                    reportError(e.message());
                }
            }
        }
        break;
    }
    case QEvent::MouseMove: {
        auto *me = static_cast<QMouseEvent *>(event);
        const QPoint pos = me->position().toPoint();
        QList<Variant> a{self(), Variant(ovShiftState(me->modifiers(), me->buttons())), Variant(pos.x()),
                         Variant(pos.y())};
        fireFromQt(kOnMouseMove, a);
        break;
    }
    case QEvent::Resize: {
        QList<Variant> a{self()};
        fireFromQt(kOnResize, a);
        break;
    }
    default:
        break;
    }
    return false;
}

// ---------------------------------------------------------------------------
TWinControl::TWinControl(TvdComponent *owner) : TControl(owner)
{
    m_widget->setFocusPolicy(Qt::StrongFocus);
}

TWinControl::~TWinControl()
{
    for (const QPointer<TControl> &c : std::as_const(m_controls))
        if (c)
            c->m_parent = nullptr;
}

void TWinControl::SetFocus()
{
    if (m_widget)
        m_widget->setFocus(Qt::OtherFocusReason);
}

void TWinControl::Invalidate()
{
    if (m_widget)
        m_widget->update();
}

void TWinControl::Realign()
{
    QWidget *c = Container();
    if (!c)
        return;
    QRect rest = c->rect();
    const TAlign order[] = {alTop, alBottom, alLeft, alRight, alClient};
    for (TAlign a : order)
        for (const QPointer<TControl> &ctl : std::as_const(m_controls)) {
            if (!ctl || ctl->Align() != a || !ctl->Widget())
                continue;
            QWidget *w = ctl->Widget();
            QRect r;
            switch (a) {
            case alTop:
                r = QRect(rest.left(), rest.top(), rest.width(), w->height());
                rest.setTop(r.bottom() + 1);
                break;
            case alBottom:
                r = QRect(rest.left(), rest.bottom() + 1 - w->height(), rest.width(), w->height());
                rest.setBottom(r.top() - 1);
                break;
            case alLeft:
                r = QRect(rest.left(), rest.top(), w->width(), rest.height());
                rest.setLeft(r.right() + 1);
                break;
            case alRight:
                r = QRect(rest.right() + 1 - w->width(), rest.top(), w->width(), rest.height());
                rest.setRight(r.left() - 1);
                break;
            default:
                r = rest;
                break;
            }
            w->setGeometry(r);
        }
}

bool TWinControl::servesEvent(const QString &n) const
{
    return TControl::servesEvent(n) || n == kOnEnter || n == kOnExit || n == kOnKeyDown || n == kOnKeyPress
           || n == kOnKeyUp;
}

bool TWinControl::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_widget.data()) {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            if (handleKey(static_cast<QKeyEvent *>(event)))
                return true;
            break;
        case QEvent::FocusIn: {
            QList<Variant> a{self()};
            fireFromQt(kOnEnter, a);
            break;
        }
        case QEvent::FocusOut: {
            QList<Variant> a{self()};
            fireFromQt(kOnExit, a);
            break;
        }
        case QEvent::Resize:
            Realign();
            break;
        default:
            break;
        }
    }
    return TControl::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
TGroupBox::TGroupBox(TvdComponent *owner) : TWinControl(owner)
{
    setWidget(new QGroupBox);
}

QString TGroupBox::Caption() const
{
    auto *g = qobject_cast<QGroupBox *>(m_widget.data());
    return g ? g->title() : QString();
}

void TGroupBox::SetCaption(const QString &v)
{
    if (auto *g = qobject_cast<QGroupBox *>(m_widget.data()))
        g->setTitle(v);
}

TLabel::TLabel(TvdComponent *owner) : TControl(owner)
{
    setWidget(new QLabel);
}

void TLabel::SetAlignment(int v)
{
    m_alignment = v == taRightJustify || v == taCenter ? TAlignment(v) : taLeftJustify;
    if (auto *l = qobject_cast<QLabel *>(m_widget.data()))
        l->setAlignment(v == taRightJustify ? Qt::AlignRight : v == taCenter ? Qt::AlignHCenter : Qt::AlignLeft);
}

QString TLabel::Caption() const
{
    auto *l = qobject_cast<QLabel *>(m_widget.data());
    return l ? l->text() : QString();
}

void TLabel::SetCaption(const QString &v)
{
    if (auto *l = qobject_cast<QLabel *>(m_widget.data())) {
        l->setTextFormat(Qt::PlainText);
        l->setText(v);
    }
}

bool TLabel::WordWrap() const
{
    auto *l = qobject_cast<QLabel *>(m_widget.data());
    return l && l->wordWrap();
}

void TLabel::SetWordWrap(bool v)
{
    if (auto *l = qobject_cast<QLabel *>(m_widget.data()))
        l->setWordWrap(v);
}

// ---------------------------------------------------------------------------
TEdit::TEdit(TvdComponent *owner) : TWinControl(owner)
{
    m_color = clWindowValue;
    auto *e = new QLineEdit;
    setWidget(e);
    QObject::connect(e, &QLineEdit::textChanged, this, [this] {
        QList<Variant> a{self()};
        fireFromQt(kOnChange, a);
    });
}

void TEdit::applyColor()
{
    if (!m_widget)
        return;
    QPalette pal = m_widget->palette();
    pal.setColor(QPalette::Base, toQColor(m_color));
    m_widget->setPalette(pal);
}

int TEdit::MaxLength() const
{
    auto *e = qobject_cast<QLineEdit *>(m_widget.data());
    // Qt's own limit means "no limit" here.
    return e && e->maxLength() != 32767 ? e->maxLength() : 0;
}

void TEdit::SetMaxLength(int v)
{
    if (auto *e = qobject_cast<QLineEdit *>(m_widget.data()))
        e->setMaxLength(v <= 0 ? 32767 : v);
}

bool TEdit::ReadOnly() const
{
    auto *e = qobject_cast<QLineEdit *>(m_widget.data());
    return e && e->isReadOnly();
}

void TEdit::SetReadOnly(bool v)
{
    if (auto *e = qobject_cast<QLineEdit *>(m_widget.data()))
        e->setReadOnly(v);
}

QString TEdit::Text() const
{
    auto *e = qobject_cast<QLineEdit *>(m_widget.data());
    return e ? e->text() : QString();
}

void TEdit::SetText(const QString &v)
{
    if (auto *e = qobject_cast<QLineEdit *>(m_widget.data()))
        e->setText(v);
}

TMemo::TMemo(TvdComponent *owner) : TWinControl(owner)
{
    m_color = clWindowValue;
    setWidget(new QPlainTextEdit);
}

void TMemo::applyColor()
{
    if (!m_widget)
        return;
    QPalette pal = m_widget->palette();
    pal.setColor(QPalette::Base, toQColor(m_color));
    m_widget->setPalette(pal);
}

QStringList TMemo::Lines() const
{
    const QString t = Text();
    return t.isEmpty() ? QStringList() : t.split(QLatin1Char('\n'));
}

void TMemo::SetLines(const QStringList &v)
{
    SetText(v.join(QLatin1Char('\n')));
}

bool TMemo::ReadOnly() const
{
    auto *e = qobject_cast<QPlainTextEdit *>(m_widget.data());
    return e && e->isReadOnly();
}

void TMemo::SetReadOnly(bool v)
{
    if (auto *e = qobject_cast<QPlainTextEdit *>(m_widget.data()))
        e->setReadOnly(v);
}

QString TMemo::Text() const
{
    auto *e = qobject_cast<QPlainTextEdit *>(m_widget.data());
    return e ? e->toPlainText() : QString();
}

void TMemo::SetText(const QString &v)
{
    if (auto *e = qobject_cast<QPlainTextEdit *>(m_widget.data()))
        e->setPlainText(v);
}

// ---------------------------------------------------------------------------
TCustomComboBox::TCustomComboBox(TvdComponent *owner) : TWinControl(owner)
{
    auto *c = new ComboWidget(this);
    c->setEditable(true);
    setWidget(c);
    QObject::connect(c, &QComboBox::currentTextChanged, this, [this] {
        QList<Variant> a{self()};
        fireFromQt(kOnChange, a);
    });
}

bool TCustomComboBox::servesEvent(const QString &n) const
{
    return TWinControl::servesEvent(n) || n == kOnChange || n == kOnDropDown || n == kOnCloseUp;
}

QStringList TCustomComboBox::Items() const
{
    QStringList l;
    if (auto *c = qobject_cast<QComboBox *>(m_widget.data()))
        for (int i = 0; i < c->count(); ++i)
            l.append(c->itemText(i));
    return l;
}

void TCustomComboBox::SetItems(const QStringList &v)
{
    if (auto *c = qobject_cast<QComboBox *>(m_widget.data())) {
        const QString text = c->currentText();
        c->clear();
        c->addItems(v);
        if (c->isEditable())
            c->setEditText(text);
    }
}

void TCustomComboBox::SetStyle(TComboBoxStyle v)
{
    m_style = v;
    if (auto *c = qobject_cast<QComboBox *>(m_widget.data()))
        c->setEditable(v == csDropDown || v == csSimple);
}

QString TCustomComboBox::Text() const
{
    auto *c = qobject_cast<QComboBox *>(m_widget.data());
    return c ? c->currentText() : QString();
}

void TCustomComboBox::SetText(const QString &v)
{
    auto *c = qobject_cast<QComboBox *>(m_widget.data());
    if (!c)
        return;
    if (c->isEditable())
        c->setEditText(v);
    else
        c->setCurrentIndex(c->findText(v));
}

bool TCustomComboBox::DroppedDown() const
{
    auto *c = static_cast<ComboWidget *>(qobject_cast<QComboBox *>(m_widget.data()));
    return c && c->m_dropped;
}

void TCustomComboBox::SetDroppedDown(bool v)
{
    auto *c = static_cast<ComboWidget *>(qobject_cast<QComboBox *>(m_widget.data()));
    if (!c || v == c->m_dropped)
        return;
    if (v)
        c->showPopup();
    else
        c->hidePopup();
}

int TCustomComboBox::ItemIndex() const
{
    auto *c = qobject_cast<QComboBox *>(m_widget.data());
    return c ? c->currentIndex() : -1;
}

void TCustomComboBox::SetItemIndex(int v)
{
    if (auto *c = qobject_cast<QComboBox *>(m_widget.data()))
        c->setCurrentIndex(v >= 0 && v < c->count() ? v : -1);
}

// ---------------------------------------------------------------------------
TButton::TButton(TvdComponent *owner) : TWinControl(owner)
{
    auto *b = new QPushButton;
    setWidget(b);
    connectClick(b, this);
}

QString TButton::Caption() const
{
    return buttonText(m_widget.data());
}

void TButton::SetCaption(const QString &v)
{
    setButtonText(m_widget.data(), v);
}

bool TButton::Default() const
{
    auto *b = qobject_cast<QPushButton *>(m_widget.data());
    return b && b->isDefault();
}

void TButton::SetDefault(bool v)
{
    if (auto *b = qobject_cast<QPushButton *>(m_widget.data()))
        b->setDefault(v);
}

void TButton::Click()
{
    if (m_modalResult != 0)
        if (TCustomForm *f = ParentForm())
            f->SetModalResult(m_modalResult);
    TWinControl::Click();
}

TCheckBox::TCheckBox(TvdComponent *owner) : TWinControl(owner)
{
    auto *b = new QCheckBox;
    setWidget(b);
    connectClick(b, this);
}

QString TCheckBox::Caption() const
{
    return buttonText(m_widget.data());
}

void TCheckBox::SetCaption(const QString &v)
{
    setButtonText(m_widget.data(), v);
}

TCheckBox::TCheckBoxState TCheckBox::State() const
{
    auto *b = qobject_cast<QCheckBox *>(m_widget.data());
    if (!b)
        return cbUnchecked;
    switch (b->checkState()) {
    case Qt::Checked:
        return cbChecked;
    case Qt::PartiallyChecked:
        return cbGrayed;
    default:
        return cbUnchecked;
    }
}

void TCheckBox::SetState(TCheckBoxState v)
{
    auto *b = qobject_cast<QCheckBox *>(m_widget.data());
    if (!b)
        return;
    if (v == cbGrayed)
        b->setTristate(true);
    b->setCheckState(v == cbChecked ? Qt::Checked : v == cbGrayed ? Qt::PartiallyChecked : Qt::Unchecked);
}

TRadioButton::TRadioButton(TvdComponent *owner) : TWinControl(owner)
{
    auto *b = new QRadioButton;
    setWidget(b);
    connectClick(b, this);
}

QString TRadioButton::Caption() const
{
    return buttonText(m_widget.data());
}

void TRadioButton::SetCaption(const QString &v)
{
    setButtonText(m_widget.data(), v);
}

bool TRadioButton::Checked() const
{
    auto *b = qobject_cast<QRadioButton *>(m_widget.data());
    return b && b->isChecked();
}

void TRadioButton::SetChecked(bool v)
{
    if (auto *b = qobject_cast<QRadioButton *>(m_widget.data()))
        b->setChecked(v);
}

// ---------------------------------------------------------------------------
TCustomListBox::TCustomListBox(TvdComponent *owner) : TWinControl(owner)
{
    m_color = clWindowValue;
    setWidget(new QListWidget);
}

QStringList TCustomListBox::Items() const
{
    QStringList l;
    if (auto *w = qobject_cast<QListWidget *>(m_widget.data()))
        for (int i = 0; i < w->count(); ++i)
            l.append(w->item(i)->text());
    return l;
}

void TCustomListBox::SetItems(const QStringList &v)
{
    if (auto *w = qobject_cast<QListWidget *>(m_widget.data())) {
        w->clear();
        w->addItems(v);
    }
}

bool TCustomListBox::MultiSelect() const
{
    auto *w = qobject_cast<QListWidget *>(m_widget.data());
    return w && w->selectionMode() == QAbstractItemView::MultiSelection;
}

void TCustomListBox::SetMultiSelect(bool v)
{
    if (auto *w = qobject_cast<QListWidget *>(m_widget.data()))
        w->setSelectionMode(v ? QAbstractItemView::MultiSelection : QAbstractItemView::SingleSelection);
}

int TCustomListBox::ItemIndex() const
{
    auto *w = qobject_cast<QListWidget *>(m_widget.data());
    return w ? w->currentRow() : -1;
}

void TCustomListBox::SetItemIndex(int v)
{
    if (auto *w = qobject_cast<QListWidget *>(m_widget.data()))
        w->setCurrentRow(v >= 0 && v < w->count() ? v : -1);
}

int TCustomListBox::SelCount() const
{
    auto *w = qobject_cast<QListWidget *>(m_widget.data());
    if (!w)
        return 0;
    // Without multiple selection there is no count to give.
    return MultiSelect() ? int(w->selectedItems().size()) : -1;
}

bool TCustomListBox::Selected(int index) const
{
    auto *w = qobject_cast<QListWidget *>(m_widget.data());
    if (!w || index < 0 || index >= w->count())
        throw EovClassError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return w->item(index)->isSelected();
}

void TCustomListBox::SetSelected(int index, bool v)
{
    auto *w = qobject_cast<QListWidget *>(m_widget.data());
    if (!w || index < 0 || index >= w->count())
        throw EovClassError(QStringLiteral("List index out of bounds (%1)").arg(index));
    w->item(index)->setSelected(v);
}

TScrollBox::TScrollBox(TvdComponent *owner) : TScrollingWinControl(owner)
{
    auto *area = new QScrollArea;
    m_inner = new QWidget;
    m_inner->resize(0, 0);
    area->setWidget(m_inner);
    area->setWidgetResizable(false);
    setWidget(area);
}

QWidget *TScrollBox::Container() const
{
    return m_inner.data();
}

// ---------------------------------------------------------------------------
TCustomForm::TCustomForm(TvdComponent *owner) : TScrollingWinControl(owner), m_canvas(new TCanvas)
{
    setWidget(new FormWindow(this));
    m_widget->resize(320, 240);
    m_visible = false;
    applyColor();
}

TCustomForm::~TCustomForm()
{
    QList<Variant> args{self()};
    fireFromQt(kOnDestroy, args);
    m_events.clear();
    if (m_modalLoop)
        m_modalLoop->quit();
    // Children go first, while the window they sit on still exists.
    DestroyComponents();
    delete m_canvas;
}

bool TCustomForm::servesEvent(const QString &n) const
{
    return TWinControl::servesEvent(n) || n == kOnActivate || n == kOnClose || n == kOnCloseQuery
           || n == kOnCreate || n == kOnDestroy || n == kOnDeactivate || n == kOnHide || n == kOnPaint
           || n == kOnShow;
}

void TCustomForm::SetBorderStyle(int v)
{
    m_borderStyle = v;
    if (!m_widget)
        return;
    Qt::WindowFlags f = Qt::Window;
    switch (v) {
    case 0:
        f |= Qt::FramelessWindowHint;
        break;
    case 3:
        f = Qt::Dialog;
        break;
    case 4:
    case 5:
        f = Qt::Tool;
        break;
    default:
        break;
    }
    const bool shown = m_widget->isVisible();
    m_widget->setWindowFlags(f);
    if (shown)
        m_widget->show();
}

QString TCustomForm::Caption() const
{
    return m_widget ? m_widget->windowTitle() : QString();
}

void TCustomForm::SetCaption(const QString &v)
{
    if (m_widget)
        m_widget->setWindowTitle(v);
}

void TCustomForm::SetFormStyle(TFormStyle v)
{
    m_formStyle = v;
    if (m_widget)
        m_widget->setWindowFlag(Qt::WindowStaysOnTopHint, v == fsStayOnTop);
}

TCustomForm::TWindowState TCustomForm::WindowState() const
{
    if (!m_widget)
        return wsNormal;
    if (m_widget->windowState() & Qt::WindowMinimized)
        return wsMinimized;
    if (m_widget->windowState() & Qt::WindowMaximized)
        return wsMaximized;
    return wsNormal;
}

void TCustomForm::SetWindowState(TWindowState v)
{
    if (m_widget)
        m_widget->setWindowState(v == wsMinimized ? Qt::WindowMinimized
                                 : v == wsMaximized ? Qt::WindowMaximized
                                                    : Qt::WindowNoState);
}

void TCustomForm::SetVisible(bool v)
{
    m_visible = v;
    if (!m_widget)
        return;
    if (v) {
        if (m_position == poScreenCenter || m_position == poDesktopCenter) {
            if (QScreen *s = m_widget->screen()) {
                QRect r = m_widget->geometry();
                r.moveCenter(s->availableGeometry().center());
                m_widget->setGeometry(r);
            }
        }
        m_widget->show();
    } else {
        m_closing = true;
        m_widget->hide();
        m_closing = false;
    }
}

bool TCustomForm::CloseQuery()
{
    QList<Variant> args{self(), Variant(true)};
    Fire(kOnCloseQuery, args);
    return args.at(1).toBool();
}

int TCustomForm::closeAction()
{
    QList<Variant> args{self(), Variant(int(caHide))};
    Fire(kOnClose, args);
    return args.at(1).toInt();
}

void TCustomForm::SetModalResult(int v)
{
    m_modalResult = v;
    if (!m_modalLoop || v == 0)
        return;
    // A modal run ends only when the form agrees to close.
    if (!CloseQuery() || closeAction() == caNone) {
        m_modalResult = 0;
        return;
    }
    m_modalLoop->quit();
}

void TCustomForm::Close()
{
    if (m_modalLoop) {
        SetModalResult(mrCancelValue);
        return;
    }
    if (!CloseQuery())
        return;
    switch (closeAction()) {
    case caNone:
        return;
    case caMinimize:
        SetWindowState(wsMinimized);
        return;
    case caFree:
        SetVisible(false);
        deleteLater();
        return;
    default:
        SetVisible(false);
        return;
    }
}

bool TCustomForm::windowCloseRequested()
{
    if (m_closing)
        return true;
    try {
        if (m_modalLoop) {
            SetModalResult(mrCancelValue);
            return false;  // the modal run hides the window when it ends
        }
        if (!CloseQuery())
            return false;
        switch (closeAction()) {
        case caNone:
            return false;
        case caMinimize:
            SetWindowState(wsMinimized);
            return false;
        case caFree:
            m_visible = false;
            deleteLater();
            return true;
        default:
            m_visible = false;
            return true;
        }
    } catch (const Exception &e) {
        reportError(e.message());
        return false;
    }
}

int TCustomForm::ShowModal()
{
    if (m_modalLoop)
        throw EovClassError(QStringLiteral("Cannot make a visible window modal"));
    m_modalResult = 0;
    QPointer<TCustomForm> guard(this);
    m_widget->setWindowModality(Qt::ApplicationModal);
    SetVisible(true);
    QEventLoop loop;
    m_modalLoop = &loop;
    loop.exec(QEventLoop::DialogExec);
    if (!guard)
        return mrCancelValue;
    m_modalLoop = nullptr;
    const int result = m_modalResult;
    if (m_widget) {
        SetVisible(false);
        m_widget->setWindowModality(Qt::NonModal);
    }
    return result;
}

void TCustomForm::paintTo(QPainter &painter)
{
    QPainterCanvas canvas(painter, CanvasKind::Screen, 96, 96);
    m_canvas->SetDevice([&canvas]() -> ::Canvas * { return &canvas; });
    QList<Variant> args{self()};
    fireFromQt(kOnPaint, args);
    m_canvas->SetDevice(nullptr);
}

bool TCustomForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_widget.data()) {
        const QString *name = nullptr;
        switch (event->type()) {
        case QEvent::Show:
            name = &kOnShow;
            break;
        case QEvent::Hide:
            name = &kOnHide;
            break;
        case QEvent::WindowActivate:
            name = &kOnActivate;
            break;
        case QEvent::WindowDeactivate:
            name = &kOnDeactivate;
            break;
        default:
            break;
        }
        if (name) {
            QList<Variant> a{self()};
            fireFromQt(*name, a);
        }
    }
    return TScrollingWinControl::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
TApplication *TApplication::Instance()
{
    // Lives as long as the process: scripts may keep referring to it.
    static TApplication *app = new TApplication;
    return app;
}

QString TApplication::ExeName() const
{
    return QCoreApplication::applicationFilePath();
}

QString TApplication::Title() const
{
    return QGuiApplication::applicationDisplayName();
}

void TApplication::SetTitle(const QString &v)
{
    QGuiApplication::setApplicationDisplayName(v);
}

void TApplication::Minimize()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible())
            w->showMinimized();
}

void TApplication::ProcessMessages()
{
    QCoreApplication::processEvents();
}

void TApplication::Restore()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isMinimized())
            w->showNormal();
}
