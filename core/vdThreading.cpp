#include "core/vdThreading.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <exception>

QThread *GuiThread()
{
    QCoreApplication *app = QCoreApplication::instance();
    return app ? app->thread() : nullptr;
}

bool IsGuiThread()
{
    QThread *gui = GuiThread();
    return !gui || QThread::currentThread() == gui;
}

void StartGUIThread() {}

void SynchronizeMethod(const std::function<void()> &Method)
{
    StartGUIThread();
    if (!Method)
        return;
    QCoreApplication *app = QCoreApplication::instance();
    if (!app || IsGuiThread()) {
        Method();
        return;
    }
    // Carry an exception back to the calling thread instead of letting it
    // escape inside the event loop.
    std::exception_ptr error;
    QMetaObject::invokeMethod(
        app,
        [&] {
            try {
                Method();
            } catch (...) {
                error = std::current_exception();
            }
        },
        Qt::BlockingQueuedConnection);
    if (error)
        std::rethrow_exception(error);
}
