#include "core/vdxProgress.h"
#include "core/vdxRes.h"
#include "platform/UiProvider.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

TvdxProgress::TvdxProgress(QWidget *owner) : TvdxBaseForm(owner)
{
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    m_panel = new QFrame(this);
    m_panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    m_panel->setLineWidth(2);
    m_message = new QLabel(m_panel);
    m_message->setObjectName(QStringLiteral("LMessage"));
    m_message->setAlignment(Qt::AlignCenter);
    m_bar = new QProgressBar(m_panel);
    m_bar->setObjectName(QStringLiteral("Bar"));
    m_bar->setTextVisible(false);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), m_panel);
    m_cancel->setObjectName(QStringLiteral("CancelB"));
    connect(m_cancel, &QPushButton::clicked, this, [this] { SetTerminated(true); });
    m_messageDue.setSingleShot(true);
    connect(&m_messageDue, &QTimer::timeout, this, [this] { showMessage(); });

    // The window in front is blocked while the work runs.
    m_disabledForm = QApplication::activeWindow();
    if (m_disabledForm == this)
        m_disabledForm = nullptr;
    if (m_disabledForm)
        m_disabledForm->setEnabled(false);
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    layoutControls();
}

TvdxProgress::~TvdxProgress()
{
    enableRemembered();
}

QRect TvdxProgress::designed(int x, int y, int w, int h) const
{
    const int ppi = m_layoutPPI;
    QRect r(x * ppi / 96, y * ppi / 96, w * ppi / 96, h * ppi / 96);
    // Right-to-left layouts mirror the designed positions.
    if (layoutDirection() == Qt::RightToLeft)
        r.moveLeft(271 * ppi / 96 - r.right() - 1);
    return r;
}

void TvdxProgress::layoutControls()
{
    const int ppi = m_layoutPPI;
    setFixedSize(271 * ppi / 96, 101 * ppi / 96);
    m_panel->setGeometry(rect());
    m_message->setGeometry(designed(16, m_showProgress ? 15 : 35, 237, 20));
    m_bar->setGeometry(designed(16, 37, 237, 17));
    m_cancel->setGeometry(designed(100, 64, 75, 25));
}

void TvdxProgress::UpdateFormPPI(int newPPI)
{
    TvdxBaseForm::UpdateFormPPI(newPPI);
    m_layoutPPI = newPPI > 0 ? newPPI : 96;
    layoutControls();
}

void TvdxProgress::UpdateResouces()
{
    m_cancel->setText(GetResStr(2));
}

void TvdxProgress::Execute(int maxValue, const QString &msg, bool canceled, bool progress)
{
    AfterConstruction();
    m_terminated = false;
    m_cancel->setVisible(canceled);
    SetShowProgress(progress);
    m_bar->setRange(0, maxValue);
    m_bar->setValue(0);
    m_messageShown.invalidate();
    SetMessage(msg);
    show();
    centre();
    QCoreApplication::processEvents();
}

void TvdxProgress::centre()
{
    QRect reference;
    // With one monitor the window simply sits in the middle of the screen.
    if (QGuiApplication::screens().size() < 2) {
        if (QScreen *screen = QGuiApplication::primaryScreen())
            reference = screen->availableGeometry();
    } else if (m_disabledForm) {
        reference = m_disabledForm->frameGeometry();
    }
    if (!reference.isValid()) {
        QScreen *screen = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w != this && w->isVisible() && !qobject_cast<TvdxProgress *>(w)) {
                screen = w->screen();
                break;
            }
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        if (screen)
            reference = screen->availableGeometry();
    }
    if (!reference.isValid())
        return;
    move(reference.left() + (reference.width() - width()) / 2, reference.top() + (reference.height() - height()) / 2);
}

void TvdxProgress::Tick()
{
    if (m_bar->value() >= m_bar->minimum() && m_bar->value() < m_bar->maximum())
        m_bar->setValue(m_bar->value() + 1);
}

int TvdxProgress::Position() const
{
    return m_bar->value();
}

void TvdxProgress::SetPosition(int value)
{
    m_bar->setValue(value);
    // Headless platforms have no window stacking.
    if (!QtUiProvider::IsHeadless())
        raise();
    QCoreApplication::processEvents();
}

QString TvdxProgress::Message() const
{
    return m_latestMessage;
}

// A long run sets a message per page: painting each one would cost more than
// the page. Only the text a reader can follow is painted; nothing is marked
// for repainting meanwhile, so message processing does not paint either.
void TvdxProgress::SetMessage(const QString &value)
{
    m_latestMessage = value;
    if (value == m_message->text()) {
        m_messageDue.stop();
        return;
    }
    if (!m_messageShown.isValid() || m_messageShown.elapsed() >= kMessageInterval)
        showMessage();
    else if (!m_messageDue.isActive())
        m_messageDue.start(int(kMessageInterval - m_messageShown.elapsed()));
}

void TvdxProgress::showMessage()
{
    m_messageDue.stop();
    m_messageShown.start();
    if (m_message->text() == m_latestMessage)
        return;
    m_message->setText(m_latestMessage);
    m_message->repaint();
}

void TvdxProgress::SetShowProgress(bool value)
{
    m_showProgress = value;
    m_bar->setVisible(value);
    layoutControls();
}

void TvdxProgress::SetTerminated(bool value)
{
    m_terminated = value;
    if (value)
        close();
}

void TvdxProgress::enableRemembered()
{
    if (m_disabledForm)
        m_disabledForm->setEnabled(true);
}

void TvdxProgress::hideEvent(QHideEvent *event)
{
    enableRemembered();
    TvdxBaseForm::hideEvent(event);
}

void TvdxProgress::mousePressEvent(QMouseEvent *event)
{
    // The body acts as a caption: the borderless window can be dragged.
    if (event->button() == Qt::LeftButton && windowHandle()) {
        windowHandle()->startSystemMove();
        event->accept();
        return;
    }
    TvdxBaseForm::mousePressEvent(event);
}
