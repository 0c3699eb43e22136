// The window of a dialog page: its designed state unless it belongs to a
// thread-safe report, a close box that does not close it, one modify event
// per move, the keys it hears, and windows made on the GUI thread.
#include "report/vdxClass_page_dialog.h"
#include "report/vdxClass_report.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QThread>
#include <gtest/gtest.h>
#include <memory>

namespace {

// Lets the event loop run until done() or a generous deadline.
template <class F>
void runUntil(F done, int ms = 5000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

TEST(DialogForm, ThreadSafeOwnerSkipsTheFormResource)
{
    struct Case {
        const char *name;
        int ownerTag; // -1: no owner
        bool threadSafe;
    } cases[] = {{"no owner", -1, false}, {"ordinary owner", 0, false}, {"another tag", 317, false},
                 {"thread-safe owner", 318, true}};
    for (const Case &c : cases) {
        TvdxReport owner;
        owner.SetTag(c.ownerTag);
        TvdxDialogForm form(c.ownerTag < 0 ? nullptr : &owner);
        EXPECT_EQ(form.ThreadSafe(), c.threadSafe) << c.name;
        EXPECT_EQ(form.DialogPage(), nullptr) << c.name;
        if (c.threadSafe) {
            EXPECT_EQ(form.windowTitle(), "") << c.name;
            EXPECT_EQ(form.ClientW(), 0) << c.name;
            EXPECT_EQ(form.ClientH(), 0) << c.name;
            EXPECT_FALSE(form.KeyPreview()) << c.name;
        } else {
            EXPECT_EQ(form.windowTitle(), " ") << c.name;
            EXPECT_EQ(form.ClientW(), 116) << c.name;
            EXPECT_EQ(form.ClientH(), 59) << c.name;
            EXPECT_EQ(form.size(), QSize(116, 59)) << c.name;
            EXPECT_TRUE(form.KeyPreview()) << c.name;
            EXPECT_EQ(form.font().family(), "Tahoma") << c.name;
            EXPECT_EQ(form.font().pointSize(), 8) << c.name;
        }
    }

    // A dialog page marks itself while it makes its window.
    for (bool threadSafe : {false, true}) {
        TvdxReport report;
        report.EngineOptions()->SetEnableThreadSafe(threadSafe);
        report.SetTag(5);
        auto *page = new TvdxDialogPage(&report);
        ASSERT_NE(page->DialogForm(), nullptr);
        EXPECT_EQ(page->DialogForm()->ThreadSafe(), threadSafe);
        EXPECT_EQ(page->DialogForm()->DialogPage(), page);
        EXPECT_EQ(page->Tag(), 0) << "the mark is taken off again";
    }
}

TEST(DialogForm, CloseBoxDoesNotCloseIt)
{
    for (int tag : {0, 318}) {
        TvdxReport owner;
        owner.SetTag(tag);
        TvdxDialogForm form(&owner);
        form.show();
        ASSERT_TRUE(form.isVisible());
        EXPECT_FALSE(form.close()) << tag;
        EXPECT_TRUE(form.isVisible()) << tag;
        form.hide();
    }
}

TEST(DialogForm, MoveRaisesOnModifyOnceWhenItEnds)
{
    TvdxDialogForm form;
    int modified = 0;
    form.OnModify = [&](TvdxDialogForm *sender) {
        EXPECT_EQ(sender, &form);
        ++modified;
    };
    int changes = 0;
    form.OnBoundsChanged = [&] { ++changes; };
    form.show();
    runUntil([] { return false; }, 2 * TvdxDialogForm::SettleInterval);
    modified = 0;
    changes = 0;

    // A drag: a stream of moves, then quiet.
    for (int i = 1; i <= 5; ++i)
        form.move(10 * i, 5 * i);
    EXPECT_EQ(changes, 5);
    EXPECT_EQ(modified, 0) << "not while the move goes on";
    runUntil([&] { return modified > 0; });
    EXPECT_EQ(modified, 1);
    runUntil([] { return false; }, 2 * TvdxDialogForm::SettleInterval);
    EXPECT_EQ(modified, 1);
    EXPECT_EQ(form.FormLeft(), 50);
    EXPECT_EQ(form.FormTop(), 25);

    // Sizing by the user settles the same way.
    form.resize(200, 100);
    form.resize(220, 110);
    runUntil([&] { return modified > 1; });
    EXPECT_EQ(modified, 2);
    EXPECT_EQ(form.ClientW(), 220);

    // The page placing its window is no user's move.
    form.SetFormLeft(70);
    form.SetFormWidth(300);
    runUntil([] { return false; }, 2 * TvdxDialogForm::SettleInterval);
    EXPECT_EQ(modified, 2);
}

TEST(DialogForm, ArrowsAndTabReachTheForm)
{
    TvdxDialogForm form;
    auto *edit = new QLineEdit(&form);
    auto *other = new QLineEdit(&form);
    QStringList heard;
    form.OnKeyDown = [&](TvdxDialogForm *, QKeyEvent *e) {
        heard << QStringLiteral("%1:%2").arg(e->key(), 0, 16).arg(edit->text());
    };
    form.show();
    form.setFocus();

    const int keys[] = {Qt::Key_Tab, Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down};
    for (int key : keys) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&form, &press);
    }
    EXPECT_EQ(heard, (QStringList{"1000001:", "1000012:", "1000014:", "1000013:", "1000015:"}));
    EXPECT_NE(QApplication::focusWidget(), edit) << "Tab on the form moves no focus";
    EXPECT_NE(QApplication::focusWidget(), other);

    // Key preview: the form hears a control's key before the control takes it, once.
    heard.clear();
    QKeyEvent a(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QApplication::sendEvent(edit, &a);
    EXPECT_EQ(edit->text(), "a");
    EXPECT_EQ(heard, QStringList{"41:"});
    // A key the control passes on is not heard twice.
    heard.clear();
    QKeyEvent f5(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
    QApplication::sendEvent(edit, &f5);
    EXPECT_EQ(heard.size(), 1);

    // Without key preview only keys on the form itself are heard.
    form.SetKeyPreview(false);
    heard.clear();
    QApplication::sendEvent(edit, &a);
    EXPECT_TRUE(heard.isEmpty()) << heard.join(",").toStdString();
    form.hide();
}

TEST(DialogPage, WindowsAreMadeAndFreedOnTheGuiThread)
{
    TvdxReport report;
    report.EngineOptions()->SetEnableThreadSafe(true);
    TvdxDialogPage *page = nullptr;
    QThread *formThread = nullptr;
    bool threadSafe = false;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        page = new TvdxDialogPage(&report);
        page->SetCaption(QStringLiteral("From a worker"));
        page->SetLeft(10);
        page->SetWidth(200);
        if (TvdxDialogForm *form = page->DialogForm()) {
            formThread = form->thread();
            threadSafe = form->ThreadSafe();
        }
        delete page;
    }));
    worker->start();
    // The worker waits for this thread to make and free the window.
    while (!worker->wait(QDeadlineTimer(10)))
        QCoreApplication::processEvents();
    EXPECT_EQ(formThread, QCoreApplication::instance()->thread());
    EXPECT_TRUE(threadSafe);
    EXPECT_EQ(report.PagesCount(), 0);
}

} // namespace
