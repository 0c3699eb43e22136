// The window of a dialog page: thread-safe mark, close box, settled moves.
#include "report/vdxClass_page_dialog.h"
#include "report/vdxClass_report.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>

namespace {

TEST(DialogForm, ThreadSafeReportsMakeBareWindows)
{
    for (bool threadSafe : {false, true}) {
        TvdxReport report;
        report.EngineOptions()->SetEnableThreadSafe(threadSafe);
        auto *page = new TvdxDialogPage(&report);
        TvdxDialogForm *form = page->DialogForm();
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(form->property("ThreadSafe").toBool(), threadSafe);
        EXPECT_EQ(form->windowTitle(), threadSafe ? QString() : QStringLiteral(" "));
        // The mark is the page's only while the window is made.
        EXPECT_EQ(page->Tag(), 0);
    }
}

TEST(DialogForm, CloseBoxDoesNotClose)
{
    TvdxReport report;
    auto *page = new TvdxDialogPage(&report);
    TvdxDialogForm *form = page->DialogForm();
    form->show();
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->isVisible());
    form->hide();
}

TEST(DialogForm, MoveReportsOnceWhenItEnds)
{
    TvdxReport report;
    auto *page = new TvdxDialogPage(&report);
    TvdxDialogForm *form = page->DialogForm();
    int modified = 0;
    form->OnEndMoveResize = [&] { ++modified; };
    form->show();
    QCoreApplication::processEvents();
    modified = 0;
    for (int step = 1; step <= 5; ++step) {
        form->move(10 * step, 20 * step);
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(modified, 0);
    QElapsedTimer t;
    t.start();
    while (modified == 0 && t.elapsed() < 3000) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    EXPECT_EQ(modified, 1);
    EXPECT_EQ(form->FormLeft(), 50);
    form->hide();
}

} // namespace
