#include "report/vdxAnchorKeeper.h"

#include <QEvent>

namespace {

// One axis: position and length of the control after the parent grew by delta.
void placeAxis(bool nearEdge, bool farEdge, int pos, int len, int delta, int &outPos, int &outLen)
{
    outPos = pos;
    outLen = len;
    if (nearEdge && farEdge)
        outLen = qMax(0, len + delta);
    else if (farEdge)
        outPos = pos + delta;
    else if (!nearEdge)
        outPos = pos + delta / 2;
}

} // namespace

TvdxAnchorKeeper::TvdxAnchorKeeper(QWidget *control) : QObject(control), m_control(control)
{
    control->installEventFilter(this);
    watchParent();
}

void TvdxAnchorKeeper::SetAnchors(int edges)
{
    m_anchors = edges;
    Rebase();
}

void TvdxAnchorKeeper::Rebase()
{
    if (m_applying)
        return;
    m_rect = m_control->geometry();
    m_parentSize = m_parent ? m_parent->size() : QSize();
}

void TvdxAnchorKeeper::watchParent()
{
    if (m_parent)
        m_parent->removeEventFilter(this);
    m_parent = m_control->parentWidget();
    if (m_parent)
        m_parent->installEventFilter(this);
    Rebase();
}

bool TvdxAnchorKeeper::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_control && event->type() == QEvent::ParentChange)
        watchParent();
    else if (watched == m_parent && event->type() == QEvent::Resize)
        apply();
    return false;
}

void TvdxAnchorKeeper::apply()
{
    if (!m_parent || !m_parentSize.isValid())
        return;
    const QSize now = m_parent->size();
    int x, w, y, h;
    placeAxis(m_anchors & Left, m_anchors & Right, m_rect.x(), m_rect.width(), now.width() - m_parentSize.width(), x, w);
    placeAxis(m_anchors & Top, m_anchors & Bottom, m_rect.y(), m_rect.height(), now.height() - m_parentSize.height(), y,
              h);
    m_applying = true;
    m_control->setGeometry(x, y, w, h);
    m_applying = false;
}
