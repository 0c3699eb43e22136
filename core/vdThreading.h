// Runs window work on the GUI thread: callers on other threads block until it ran.
#pragma once
#include <QThread>
#include <functional>

// The thread that owns the windows (the application's main thread).
QThread *GuiThread();
bool IsGuiThread();

// Runs Method on the GUI thread and returns once it has run. On the GUI thread
// (or when no application object exists) Method runs at once. An empty Method
// is ignored. Exceptions thrown by Method reach the caller.
void SynchronizeMethod(const std::function<void()> &Method);

// Same, with one object argument.
template <class T>
void SynchronizeMethod(void (*Method)(T *), T *Argument)
{
    if (Method)
        SynchronizeMethod([=] { Method(Argument); });
}

// Kept for callers that start the service explicitly: the application's own
// thread is always the GUI thread here, so there is nothing to start.
void StartGUIThread();
