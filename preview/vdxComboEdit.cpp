#include "preview/vdxComboEdit.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QPainter>
#include <QToolButton>

namespace {

// Three dots: the button opens an editor.
QPixmap ellipsisGlyph()
{
    QPixmap pm(9, 3);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    for (int i = 0; i < 3; ++i)
        p.fillRect(i * 3, 1, 2, 2, Qt::black);
    return pm;
}

} // namespace

TvdxComboEdit::TvdxComboEdit(QWidget *owner) : QLineEdit(owner)
{
    resize(width(), 21);
    m_panel = new QFrame(this);
    m_panel->setFrameShape(QFrame::NoFrame);
    m_button = new QToolButton(m_panel);
    m_button->setAutoRaise(true);
    m_button->setIcon(ellipsisGlyph());
    m_button->setFocusPolicy(Qt::NoFocus);
    connect(m_button, &QToolButton::clicked, this, [this] {
        setFocus();
        if (OnButtonClick)
            OnButtonClick(this);
    });
    placeButton();
}

void TvdxComboEdit::SetGlyph(const QPixmap &glyph)
{
    m_glyph = glyph;
    m_button->setIcon(glyph.isNull() ? ellipsisGlyph() : glyph);
}

bool TvdxComboEdit::ButtonEnabled() const
{
    return m_button->isEnabled();
}

void TvdxComboEdit::SetButtonEnabled(bool value)
{
    m_button->setEnabled(value);
}

QString TvdxComboEdit::ButtonHint() const
{
    return m_button->toolTip();
}

void TvdxComboEdit::SetButtonHint(const QString &hint)
{
    m_button->setToolTip(hint);
}

void TvdxComboEdit::placeButton()
{
    const int h = height();
    m_panel->setGeometry(width() - h + 2, 2, std::max(0, h - 4), std::max(0, h - 4));
    m_button->setGeometry(0, 0, m_panel->width(), m_panel->height());
    setTextMargins(0, 0, h - 2, 0);
}

void TvdxComboEdit::resizeEvent(QResizeEvent *event)
{
    QLineEdit::resizeEvent(event);
    placeButton();
}

void TvdxComboEdit::changeEvent(QEvent *event)
{
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        m_button->setEnabled(isEnabled());
}

void TvdxComboEdit::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
        // The form's default and cancel buttons act first, then the edit.
        QWidget *form = window();
        if (form && form != this) {
            QKeyEvent copy(event->type(), key, event->modifiers(), event->text());
            QApplication::sendEvent(form, &copy);
        }
        QLineEdit::keyPressEvent(event);
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}
