#include "core/vdThreading.h"

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

TEST(GuiThread, OnTheMainThreadRunsAtOnce)
{
    EXPECT_TRUE(IsGuiThread());
    QThread *ranOn = nullptr;
    SynchronizeMethod([&] { ranOn = QThread::currentThread(); });
    EXPECT_EQ(ranOn, QCoreApplication::instance()->thread());
    SynchronizeMethod(std::function<void()>()); // nothing to run
}

// Runs body on a worker thread while the GUI thread keeps its event loop going.
template <class F>
void onWorker(F body)
{
    std::atomic<bool> done{false};
    QThread *worker = QThread::create([&] {
        body();
        done = true;
    });
    worker->start();
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    worker->wait();
    delete worker;
}

TEST(GuiThread, OtherThreadsWaitWhileTheGuiThreadRuns)
{
    QThread *ranOn = nullptr;
    QThread *caller = nullptr;
    int order = 0;
    int seenAfter = -1;
    onWorker([&] {
        caller = QThread::currentThread();
        EXPECT_FALSE(IsGuiThread());
        SynchronizeMethod([&] {
            ranOn = QThread::currentThread();
            order = 1;
        });
        seenAfter = order; // the call returned only after the method ran
    });
    EXPECT_EQ(ranOn, QCoreApplication::instance()->thread());
    EXPECT_NE(caller, ranOn);
    EXPECT_EQ(seenAfter, 1);
}

TEST(GuiThread, ExceptionsReachTheCaller)
{
    bool caught = false;
    onWorker([&] {
        try {
            SynchronizeMethod([] { throw std::runtime_error("boom"); });
        } catch (const std::runtime_error &e) {
            caught = std::string(e.what()) == "boom";
        }
    });
    EXPECT_TRUE(caught);
}

} // namespace
