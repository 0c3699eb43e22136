// The printer list over an in-memory print system.
#include "common/FakePrinterBackend.h"
#include "platform/Exception.h"
#include "preview/vdxPrinters.h"
#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

using namespace vdtest;

namespace {

void addQueue(FakePrinterBackend &b, const QString &name)
{
    FakeQueue &q = b.add(name);
    q.defaults.dpiX = q.defaults.dpiY = 300;
}

// Remembers the thread that enumerated the queues.
class ThreadNotingBackend : public FakePrinterBackend {
public:
    QThread *enumeratedOn = nullptr;
    QStringList Printers() override
    {
        enumeratedOn = QThread::currentThread();
        return FakePrinterBackend::Printers();
    }
};

} // namespace

TEST(PrinterList, NoQueueGivesTheVirtualPrinter)
{
    FakePrinterBackend b;
    TvdxPrinters list(&b);
    EXPECT_FALSE(list.HasPhysicalPrinters());
    EXPECT_TRUE(list.Printers().isEmpty());
    ASSERT_EQ(list.Count(), 1);
    TvdxCustomPrinter *v = list.Items(0);
    EXPECT_NE(dynamic_cast<TvdxVirtualPrinter *>(v), nullptr);
    EXPECT_EQ(v->Name(), "Virtual");
    EXPECT_EQ(list.PrinterIndex(), 0);
    EXPECT_EQ(list.Printer(), v);
    EXPECT_TRUE(v->Initialized());
}

TEST(PrinterList, SortedWithTheDefaultCurrent)
{
    FakePrinterBackend b;
    addQueue(b, "b-Printer");
    addQueue(b, "A-Printer");
    addQueue(b, "c-Printer");
    b.defaultPrinter = " c-Printer ";
    TvdxPrinters list(&b);
    EXPECT_TRUE(list.HasPhysicalPrinters());
    EXPECT_EQ(list.Printers(), (QStringList{"A-Printer", "b-Printer", "c-Printer"}));
    for (int i = 0; i < list.Count(); ++i)
        EXPECT_EQ(list.Items(i)->Name(), list.Printers()[i]);
    EXPECT_EQ(list.PrinterIndex(), 2);
    // Only the current printer has read its queue.
    EXPECT_TRUE(list.Items(2)->Initialized());
    EXPECT_FALSE(list.Items(0)->Initialized());

    EXPECT_EQ(list.IndexOf("B-PRINTER"), 1);
    EXPECT_EQ(list.IndexOf("nope"), -1);
    EXPECT_EQ(list.GetItem(-1), nullptr);
    EXPECT_THROW(list.GetItem(3), EListError);
}

TEST(PrinterList, UnknownDefaultSelectsTheFirst)
{
    FakePrinterBackend b;
    addQueue(b, "Zeta");
    addQueue(b, "Alpha");
    b.defaultPrinter = "Gone";
    TvdxPrinters list(&b);
    EXPECT_EQ(list.PrinterIndex(), 0);
    EXPECT_EQ(list.Printer()->Name(), "Alpha");

    // -1 asks for the default again: not in the list, so no printer.
    list.SetPrinterIndex(-1);
    EXPECT_EQ(list.PrinterIndex(), -1);
    EXPECT_EQ(list.Printer(), nullptr);
    b.defaultPrinter = "zeta";
    list.SetPrinterIndex(-1);
    EXPECT_EQ(list.PrinterIndex(), 1);
}

TEST(PrinterList, IndexIsRangeCheckedBeforeStoring)
{
    FakePrinterBackend b;
    addQueue(b, "Alpha");
    addQueue(b, "Beta");
    TvdxPrinters list(&b);
    list.SetPrinterIndex(1);
    for (int bad : {2, 99, -2}) {
        EXPECT_THROW(list.SetPrinterIndex(bad), EListError) << bad;
        EXPECT_EQ(list.PrinterIndex(), 1) << bad;
    }
}

TEST(PrinterList, LockFreezesTheCurrentPrinter)
{
    FakePrinterBackend b;
    addQueue(b, "Alpha");
    addQueue(b, "Beta");
    TvdxPrinters list(&b);
    ASSERT_EQ(list.PrinterIndex(), 0);
    list.LockPrinterChange();
    list.LockPrinterChange();
    list.SetPrinterIndex(1);
    EXPECT_EQ(list.PrinterIndex(), 0);
    list.UnlockPrinterChange();
    list.SetPrinterIndex(1);
    EXPECT_EQ(list.PrinterIndex(), 0);
    list.UnlockPrinterChange();
    list.UnlockPrinterChange();
    list.UnlockPrinterChange();
    EXPECT_EQ(list.ChangeLockCount(), 0);
    list.SetPrinterIndex(1);
    EXPECT_EQ(list.PrinterIndex(), 1);
}

TEST(PrinterList, GlobalListIsMadeOnTheGuiThread)
{
    static ThreadNotingBackend b; // the global list keeps it for the rest of the run
    addQueue(b, "Alpha");
    PrinterBackend *previous = vdSetPrinterBackend(&b);
    std::atomic<bool> done{false};
    TvdxPrinters *fromWorker = nullptr;
    std::thread worker([&] {
        fromWorker = vdxGlobalPrinters();
        done = true;
    });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    worker.join();
    ASSERT_NE(fromWorker, nullptr);
    EXPECT_EQ(fromWorker, vdxGlobalPrinters());
    EXPECT_EQ(b.enumeratedOn, QCoreApplication::instance()->thread());
    EXPECT_EQ(fromWorker->Printers(), QStringList{"Alpha"});
    EXPECT_EQ(GetPrinterByName("alpha"), fromWorker->Items(0));
    EXPECT_EQ(GetPrinterByName("beta"), nullptr);
    vdSetPrinterBackend(previous);
}
