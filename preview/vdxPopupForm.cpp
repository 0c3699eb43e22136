#include "preview/vdxPopupForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QWindow>

namespace {

std::function<quint32()> &tickSource()
{
    static std::function<quint32()> source;
    return source;
}

quint32 g_lastClose = 0;
bool g_anyClosed = false;

} // namespace

quint32 vdxTickCount()
{
    if (tickSource())
        return tickSource()();
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return quint32(timer.elapsed());
}

void vdxSetTickSource(std::function<quint32()> source)
{
    tickSource() = std::move(source);
}

quint32 vdxLastPopupCloseTime()
{
    return g_lastClose;
}

bool vdxPopupJustClosed(quint32 interval)
{
    return g_anyClosed && quint32(vdxTickCount() - g_lastClose) < interval;
}

TvdxPopupForm::TvdxPopupForm(QWidget *owner) : TvdxBaseForm(owner)
{
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setWindowTitle(QStringLiteral(" "));
    resize(658, 28);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(240, 240, 240));
    setPalette(pal);
    setAutoFillBackground(true);
    setMouseTracking(true);
    // Tool windows may share their owner's activation, so the change of the
    // focused window is what tells that another window was activated.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow *focused) {
        if (isVisible() && focused != windowHandle())
            FormDeactivate();
    });
}

void TvdxPopupForm::SetResizable(bool value)
{
    m_resizable = value;
    updateGeometry();
}

Qt::Edges TvdxPopupForm::HitTest(const QPoint &g) const
{
    if (!m_resizable)
        return {};
    const QRect r = frameGeometry();
    const int right = r.left() + r.width(), bottom = r.top() + r.height();
    Qt::Edges edges;
    if (g.x() >= right - 4 && g.x() <= right)
        edges |= Qt::RightEdge;
    if (g.y() >= bottom - 4 && g.y() <= bottom)
        edges |= Qt::BottomEdge;
    return edges;
}

void TvdxPopupForm::FormDeactivate()
{
    g_lastClose = vdxTickCount();
    g_anyClosed = true;
    close();
}

void TvdxPopupForm::changeEvent(QEvent *event)
{
    TvdxBaseForm::changeEvent(event);
    // Another window took the activation (a tool window may share its owner's).
    if (event->type() == QEvent::ActivationChange && isVisible() && QApplication::activeWindow() != this
        && QGuiApplication::focusWindow() != windowHandle())
        FormDeactivate();
}

void TvdxPopupForm::closeEvent(QCloseEvent *event)
{
    TvdxBaseForm::closeEvent(event);
    // Shown modelessly, a popup frees itself when it closes.
    if (event->isAccepted() && m_modal == 0)
        deleteLater();
}

void TvdxPopupForm::mousePressEvent(QMouseEvent *event)
{
    m_sizing = HitTest(event->globalPosition().toPoint());
    m_pressAt = event->globalPosition().toPoint();
    m_pressSize = size();
    TvdxBaseForm::mousePressEvent(event);
}

void TvdxPopupForm::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint g = event->globalPosition().toPoint();
    if (m_sizing && (event->buttons() & Qt::LeftButton)) {
        QSize s = m_pressSize;
        if (m_sizing & Qt::RightEdge)
            s.setWidth(std::max(8, s.width() + g.x() - m_pressAt.x()));
        if (m_sizing & Qt::BottomEdge)
            s.setHeight(std::max(8, s.height() + g.y() - m_pressAt.y()));
        resize(s);
        return;
    }
    const Qt::Edges e = HitTest(g);
    setCursor(e == (Qt::RightEdge | Qt::BottomEdge) ? Qt::SizeFDiagCursor
              : e & Qt::RightEdge                  ? Qt::SizeHorCursor
              : e & Qt::BottomEdge                 ? Qt::SizeVerCursor
                                                   : Qt::ArrowCursor);
    TvdxBaseForm::mouseMoveEvent(event);
}

void TvdxPopupForm::mouseReleaseEvent(QMouseEvent *event)
{
    m_sizing = {};
    TvdxBaseForm::mouseReleaseEvent(event);
}
