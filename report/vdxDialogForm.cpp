#include "report/vdxDialogForm.h"

#include "core/vdPersistent.h"
#include "report/vdxClass_page_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMoveEvent>
#include <QResizeEvent>
#include <algorithm>

TvdxDialogForm::TvdxDialogForm(TvdComponent *owner) : TvdxBaseForm(nullptr)
{
    if (owner) {
        FThreadSafe = owner->Tag() == ThreadSafeTag;
        FDialogPageControl = qobject_cast<TvdxDialogPage *>(owner);
    }
    setAttribute(Qt::WA_DontShowOnScreen, QGuiApplication::platformName() == QLatin1String("offscreen"));
    m_settle.setSingleShot(true);
    m_settle.setInterval(SettleInterval);
    connect(&m_settle, &QTimer::timeout, this, &TvdxDialogForm::ExitSizeMove);
    if (!FThreadSafe)
        ReadState();
}

void TvdxDialogForm::ReadState()
{
    setWindowTitle(QStringLiteral(" "));
    m_width = 116;
    m_height = 59;
    apply();
    SetKeyPreview(true);
    QFont f(QStringLiteral("Tahoma"));
    f.setPointSize(8);
    setFont(f);
}

void TvdxDialogForm::SetKeyPreview(bool value)
{
    if (value == m_keyPreview)
        return;
    m_keyPreview = value;
    // Controls get their keys before their window does: only a look at the
    // application's events shows them to the form first.
    if (value)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

void TvdxDialogForm::SetParent(QWidget *parent)
{
    const QRect bounds = geometry();
    const bool visible = isVisible();
    m_applying = true;
    setParent(parent, parent ? Qt::Widget : Qt::Window);
    setGeometry(bounds);
    m_applying = false;
    if (visible)
        show();
}

void TvdxDialogForm::SetFormLeft(int v)
{
    m_left = v;
    apply();
}

void TvdxDialogForm::SetFormTop(int v)
{
    m_top = v;
    apply();
}

void TvdxDialogForm::SetFormWidth(int v)
{
    m_width = v;
    apply();
}

void TvdxDialogForm::SetFormHeight(int v)
{
    m_height = v;
    apply();
}

void TvdxDialogForm::apply()
{
    m_applying = true;
    setGeometry(m_left, m_top, std::max(0, m_width), std::max(0, m_height));
    m_applying = false;
}

void TvdxDialogForm::userChangedBounds()
{
    if (OnBoundsChanged)
        OnBoundsChanged();
    // A drag is a stream of moves: the form hears of it once it stops.
    m_settle.start();
}

void TvdxDialogForm::ExitSizeMove()
{
    m_settle.stop();
    if (OnModify)
        OnModify(this);
}

void TvdxDialogForm::moveEvent(QMoveEvent *event)
{
    TvdxBaseForm::moveEvent(event);
    if (m_applying || !isVisible())
        return;
    m_left = x();
    m_top = y();
    userChangedBounds();
}

void TvdxDialogForm::resizeEvent(QResizeEvent *event)
{
    TvdxBaseForm::resizeEvent(event);
    if (m_applying || !isVisible())
        return;
    m_width = width();
    m_height = height();
    userChangedBounds();
}

void TvdxDialogForm::closeEvent(QCloseEvent *event)
{
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    TvdxBaseForm::closeEvent(event);
}

bool TvdxDialogForm::event(QEvent *e)
{
    if (e->type() == QEvent::KeyPress) {
        auto *k = static_cast<QKeyEvent *>(e);
        switch (k->key()) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
            // Arrows and Tab on the form itself are the form's keys, not a
            // move of the focus.
            if (!(k->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
                keyPressEvent(k);
                return true;
            }
            break;
        default:
            break;
        }
    }
    return TvdxBaseForm::event(e);
}

void TvdxDialogForm::keyPressEvent(QKeyEvent *event)
{
    if (OnKeyDown && event != m_previewed)
        OnKeyDown(this, event);
    m_previewed = nullptr;
    TvdxBaseForm::keyPressEvent(event);
}

bool TvdxDialogForm::eventFilter(QObject *watched, QEvent *e)
{
    if (e->type() == QEvent::KeyPress && watched != this && watched->isWidgetType() && OnKeyDown &&
        static_cast<QWidget *>(watched)->window() == this && e != m_previewed) {
        m_previewed = e;
        OnKeyDown(this, static_cast<QKeyEvent *>(e));
    }
    return TvdxBaseForm::eventFilter(watched, e);
}

void TvdxDialogForm::UpdateFormPPI(int newPPI)
{
    TvdxBaseForm::UpdateFormPPI(newPPI);
    if (FDialogPageControl)
        FDialogPageControl->UpdateDialogPPI(newPPI);
}
