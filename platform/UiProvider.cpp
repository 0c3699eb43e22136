#include "platform/UiProvider.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <atomic>
#include <utility>

namespace {

QtUiProvider &defaultProvider()
{
    static QtUiProvider provider;
    return provider;
}

std::atomic<UiProvider *> g_provider{nullptr};

// Installed once at start-up, before any query: no lock.
TvdPasswordFormFunc &passwordForm()
{
    static TvdPasswordFormFunc form;
    return form;
}

// Dialogs exist only on the GUI thread: other threads wait while it asks.
template <class R, class F>
R onGuiThread(F f)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread())
        return f();
    R result{};
    QMetaObject::invokeMethod(app, [&] { result = f(); }, Qt::BlockingQueuedConnection);
    return result;
}

QWidget *dialogParent()
{
    return QApplication::activeWindow();
}

struct ButtonMap {
    unsigned bit;
    QMessageBox::StandardButton qt;
    int result;
};

const ButtonMap kButtons[] = {
    {mbYes, QMessageBox::Yes, mrYes},         {mbNo, QMessageBox::No, mrNo},
    {mbOK, QMessageBox::Ok, mrOk},            {mbCancel, QMessageBox::Cancel, mrCancel},
    {mbAbort, QMessageBox::Abort, mrAbort},   {mbRetry, QMessageBox::Retry, mrRetry},
    {mbIgnore, QMessageBox::Ignore, mrIgnore}, {mbAll, QMessageBox::YesToAll, mrAll},
    {mbNoToAll, QMessageBox::NoToAll, mrNoToAll}, {mbYesToAll, QMessageBox::YesToAll, mrYesToAll},
    {mbHelp, QMessageBox::Help, mrNone},      {mbClose, QMessageBox::Close, mrClose},
};

unsigned buttonsOfFlags(unsigned flags)
{
    switch (flags & MB_BUTTONMASK) {
    case MB_OKCANCEL: return mbOK | mbCancel;
    case MB_ABORTRETRYIGNORE: return mbAbort | mbRetry | mbIgnore;
    case MB_YESNOCANCEL: return mbYes | mbNo | mbCancel;
    case MB_YESNO: return mbYes | mbNo;
    case MB_RETRYCANCEL: return mbRetry | mbCancel;
    default: return mbOK;
    }
}

QMessageBox::Icon iconOfFlags(unsigned flags)
{
    switch (flags & MB_ICONMASK) {
    case MB_ICONERROR: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONWARNING: return QMessageBox::Warning;
    case MB_ICONINFORMATION: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

int runBox(const QString &text, const QString &caption, QMessageBox::Icon icon, unsigned buttons)
{
    QMessageBox box(icon, caption, text, QMessageBox::NoButton, dialogParent());
    QMap<QAbstractButton *, int> results;
    for (const ButtonMap &b : kButtons)
        if (buttons & b.bit) {
            QAbstractButton *button = b.bit == mbAll ? box.addButton(QObject::tr("All"), QMessageBox::YesRole)
                                                     : box.addButton(b.qt);
            results.insert(button, b.result);
        }
    box.exec();
    return results.value(box.clickedButton(), mrCancel);
}

} // namespace

UiProvider &vdUiProvider()
{
    UiProvider *p = g_provider.load();
    return p ? *p : defaultProvider();
}

TvdPasswordFormFunc vdSetPasswordForm(TvdPasswordFormFunc form)
{
    return std::exchange(passwordForm(), std::move(form));
}

UiProvider *vdSetUiProvider(UiProvider *provider)
{
    UiProvider *previous = g_provider.exchange(provider);
    return previous;
}

// ----------------------------------------------------------------- Qt provider

bool QtUiProvider::IsHeadless()
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return true;
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

int QtUiProvider::MessageBox(const QString &text, const QString &caption, unsigned flags)
{
    if (Headless())
        return HeadlessUiProvider::DefaultMessageBoxResult(flags);
    const int r = onGuiThread<int>([&] { return runBox(text, caption, iconOfFlags(flags), buttonsOfFlags(flags)); });
    return r == mrNone ? IDCANCEL : r;
}

int QtUiProvider::MessageDlg(const QString &text, TvdMsgDlgType type, unsigned buttons)
{
    if (Headless())
        return HeadlessUiProvider::DefaultMessageDlgResult(buttons);
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString caption;
    switch (type) {
    case TvdMsgDlgType::Warning: icon = QMessageBox::Warning; caption = QObject::tr("Warning"); break;
    case TvdMsgDlgType::Error: icon = QMessageBox::Critical; caption = QObject::tr("Error"); break;
    case TvdMsgDlgType::Information: icon = QMessageBox::Information; caption = QObject::tr("Information"); break;
    case TvdMsgDlgType::Confirmation: icon = QMessageBox::Question; caption = QObject::tr("Confirm"); break;
    case TvdMsgDlgType::Custom: caption = QCoreApplication::applicationName(); break;
    }
    return onGuiThread<int>([&] { return runBox(text, caption, icon, buttons ? buttons : unsigned(mbOK)); });
}

bool QtUiProvider::InputQuery(const QString &caption, const QString &prompt, QString &value)
{
    if (Headless())
        return false;
    bool ok = false;
    const QString r = onGuiThread<QString>(
        [&] { return QInputDialog::getText(dialogParent(), caption, prompt, QLineEdit::Normal, value, &ok); });
    if (ok)
        value = r;
    return ok;
}

bool QtUiProvider::PasswordQuery(const QString &caption, const QString &prompt, QString &value)
{
    if (Headless())
        return false;
    if (const TvdPasswordFormFunc form = passwordForm())
        return onGuiThread<bool>([&] { return form(*this, caption, prompt, value); });
    bool ok = false;
    const QString r = onGuiThread<QString>(
        [&] { return QInputDialog::getText(dialogParent(), caption, prompt, QLineEdit::Password, value, &ok); });
    if (ok)
        value = r;
    return ok;
}

QString QtUiProvider::OpenFileName(const QString &caption, const QString &folder, const QString &filter)
{
    if (Headless())
        return QString();
    return onGuiThread<QString>([&] { return QFileDialog::getOpenFileName(dialogParent(), caption, folder, filter); });
}

QString QtUiProvider::SaveFileName(const QString &caption, const QString &folder, const QString &filter)
{
    if (Headless())
        return QString();
    return onGuiThread<QString>([&] { return QFileDialog::getSaveFileName(dialogParent(), caption, folder, filter); });
}

namespace {
int execModal(QDialog &dialog)
{
    return onGuiThread<int>([&] { return dialog.exec() == QDialog::Accepted ? int(mrOk) : int(mrCancel); });
}
} // namespace

int UiProvider::ShowModal(QDialog &dialog)
{
    return QtUiProvider::IsHeadless() ? int(mrOk) : execModal(dialog);
}

// A subclass may know better than the platform whether anything shows.
int QtUiProvider::ShowModal(QDialog &dialog)
{
    return Headless() ? int(mrOk) : execModal(dialog);
}

// ----------------------------------------------------------- headless provider

int HeadlessUiProvider::DefaultMessageBoxResult(unsigned flags)
{
    switch (flags & MB_BUTTONMASK) {
    case MB_YESNO:
    case MB_YESNOCANCEL: return IDYES;
    case MB_ABORTRETRYIGNORE: return IDABORT;
    case MB_RETRYCANCEL: return IDRETRY;
    default: return IDOK;
    }
}

int HeadlessUiProvider::DefaultMessageDlgResult(unsigned buttons)
{
    for (const ButtonMap &b : kButtons)
        if ((buttons & b.bit) && b.result != mrNone)
            return b.result;
    return mrOk;
}

bool HeadlessUiProvider::nextResult(int &r)
{
    if (m_results.isEmpty())
        return false;
    r = m_results.takeFirst();
    return true;
}

bool HeadlessUiProvider::nextText(QString &t)
{
    if (m_texts.isEmpty())
        return false;
    t = m_texts.takeFirst();
    return true;
}

int HeadlessUiProvider::MessageBox(const QString &text, const QString &caption, unsigned flags)
{
    m_prompts << Prompt{QStringLiteral("MessageBox"), caption, text, flags};
    int r;
    return nextResult(r) ? r : DefaultMessageBoxResult(flags);
}

int HeadlessUiProvider::MessageDlg(const QString &text, TvdMsgDlgType type, unsigned buttons)
{
    m_prompts << Prompt{QStringLiteral("MessageDlg"), QString::number(static_cast<int>(type)), text, buttons};
    int r;
    return nextResult(r) ? r : DefaultMessageDlgResult(buttons);
}

bool HeadlessUiProvider::InputQuery(const QString &caption, const QString &prompt, QString &value)
{
    m_prompts << Prompt{QStringLiteral("InputQuery"), caption, prompt, 0};
    QString t;
    if (!nextText(t) || t.isEmpty())
        return false;
    value = t;
    return true;
}

bool HeadlessUiProvider::PasswordQuery(const QString &caption, const QString &prompt, QString &value)
{
    m_prompts << Prompt{QStringLiteral("PasswordQuery"), caption, prompt, 0};
    QString t;
    if (!nextText(t) || t.isEmpty())
        return false;
    value = t;
    return true;
}

QString HeadlessUiProvider::OpenFileName(const QString &caption, const QString &folder, const QString &filter)
{
    m_prompts << Prompt{QStringLiteral("OpenFileName"), caption, folder + QLatin1Char('|') + filter, 0};
    QString t;
    return nextText(t) ? t : QString();
}

QString HeadlessUiProvider::SaveFileName(const QString &caption, const QString &folder, const QString &filter)
{
    m_prompts << Prompt{QStringLiteral("SaveFileName"), caption, folder + QLatin1Char('|') + filter, 0};
    QString t;
    return nextText(t) ? t : QString();
}

int HeadlessUiProvider::ShowModal(QDialog &dialog)
{
    m_prompts << Prompt{QStringLiteral("ShowModal"), dialog.windowTitle(), dialog.objectName(), 0};
    if (OnShowModal)
        return OnShowModal(dialog);
    int r = mrOk;
    nextResult(r);
    return r;
}
