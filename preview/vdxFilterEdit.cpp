#include "preview/vdxFilterEdit.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

TvdxCustomFilterEdit::TvdxCustomFilterEdit(QWidget *parent) : TvdxDPIAwareBasePanel(parent)
{
    setFrameShape(QFrame::NoFrame);
    setAttribute(Qt::WA_Hover);
    m_edit = new QLineEdit(this);
    m_edit->setFrame(false);
    m_edit->installEventFilter(this);
    connect(m_edit, &QLineEdit::textChanged, this, [this] { textChanged(); });
    SetFilterColor(clWindow);
    resize(120, 21);
    layoutEdit();
}

QString TvdxCustomFilterEdit::Text() const
{
    return m_edit->text();
}

void TvdxCustomFilterEdit::SetText(const QString &text)
{
    m_edit->setText(text);
}

void TvdxCustomFilterEdit::SetFilterColor(TColor color)
{
    m_filterColor = color;
    QPalette pal = m_edit->palette();
    pal.setColor(QPalette::Base, toQColor(color));
    m_edit->setPalette(pal);
    update();
}

void TvdxCustomFilterEdit::layoutEdit()
{
    // The frame is one pixel on each side; the rest is the client area.
    const int W = width() - 2, H = height() - 2;
    const int a = int(std::lround(GetScale() * 2));
    if (m_clearVisible)
        m_edit->setGeometry(1 + H, 1 + a, std::max(0, W - 2 * H), std::max(0, H - 1 - a));
    else
        m_edit->setGeometry(1 + 1, 1 + a, std::max(0, W - H), std::max(0, H - 1 - a));
}

void TvdxCustomFilterEdit::resizeEvent(QResizeEvent *event)
{
    TvdxDPIAwareBasePanel::resizeEvent(event);
    layoutEdit();
}

void TvdxCustomFilterEdit::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QRect client = rect().adjusted(1, 1, -1, -1);
    p.fillRect(client, toQColor(m_filterColor));
    const double scale = GetScale();
    const int b = int(std::lround(scale * 4));
    const int s = ((client.height() - 2 * b) / 2) * 2;
    if (s > 0) {
        p.save();
        p.translate(client.topLeft());
        p.setPen(QPen(Qt::black, std::max<long>(1, std::lround(scale))));
        p.drawLine(b, b, b + s, b + s);
        p.drawLine(b, b + s, b + s, b);
        p.restore();
    }
    const QImage &icon = m_frameActive ? BitmapActive : BitmapUnactive;
    const int e = (client.height() / 2) * 2;
    if (!icon.isNull() && e > 0)
        p.drawImage(QRect(client.left() + client.width() - e + 1, client.top() + 1, e, e - 1), icon);
    p.setPen(toQColor(m_frameActive ? clHighlight : clWindow));
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TvdxCustomFilterEdit::mouseReleaseEvent(QMouseEvent *event)
{
    TvdxDPIAwareBasePanel::mouseReleaseEvent(event);
    const int x = event->position().toPoint().x() - 1;
    if (event->button() == Qt::LeftButton && x > 1 && x < height() - 2)
        m_edit->clear();
}

void TvdxCustomFilterEdit::enterEvent(QEnterEvent *event)
{
    TvdxDPIAwareBasePanel::enterEvent(event);
    if (isEnabled())
        setFrameActive(true);
}

void TvdxCustomFilterEdit::leaveEvent(QEvent *event)
{
    TvdxDPIAwareBasePanel::leaveEvent(event);
    if (!m_edit->hasFocus())
        setFrameActive(false);
}

bool TvdxCustomFilterEdit::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_edit) {
        if (event->type() == QEvent::FocusIn)
            setFrameActive(true);
        else if (event->type() == QEvent::FocusOut)
            setFrameActive(false);
    }
    return TvdxDPIAwareBasePanel::eventFilter(watched, event);
}

void TvdxCustomFilterEdit::setFrameActive(bool value)
{
    if (value == m_frameActive)
        return;
    m_frameActive = value;
    update();
}

void TvdxCustomFilterEdit::textChanged()
{
    const bool visible = !m_edit->text().isEmpty();
    if (visible != m_clearVisible) {
        m_clearVisible = visible;
        layoutEdit();
        update();
    }
    if (OnFilterChanged)
        OnFilterChanged(m_edit);
}
