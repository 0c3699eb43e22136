// The raw ZPL job: every failing step over a fake sink, and byte-exact
// delivery through a real print server.
#include "common/CupsServer.h"
#include "common/FakePrinterBackend.h"
#include "common/TestSupport.h"
#include "ZplReportUtil.h"
#include "export/zpl/vdxZplRawJob.h"
#include "platform/CupsPrinterBackend.h"
#include "platform/Exception.h"
#include "preview/vdxPrinters.h"
#include <QProcess>
#include <QThread>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <gtest/gtest.h>

using namespace vdtest;

namespace {

const QString kUmlautLabel = QString::fromUtf8("^XA^FD\xC3\xA4^FS^XZ");

QString sendError(FakePrinterBackend &b, const QString &queue, const QString &text, int index = -1)
{
    auto sink = b.CreateRawSink();
    try {
        SendZplToPrinter(index, queue, text, sink.get());
    } catch (const Exception &e) {
        return e.message();
    }
    return {};
}

} // namespace

TEST(SendZplToPrinter, SendsTheUtf8BytesInOneFinishedJob)
{
    FakePrinterBackend b;
    b.add("Label");
    EXPECT_EQ(sendError(b, "Label", kUmlautLabel), QString());
    ASSERT_EQ(b.rawJobs.size(), 1);
    EXPECT_EQ(b.rawJobs[0].bytes, QByteArray("^XA^FD\xC3\xA4^FS^XZ"));
    EXPECT_EQ(b.rawJobs[0].bytes.size(), 14);
    EXPECT_EQ(b.rawJobs[0].title, "Spooler Document Name");
    EXPECT_TRUE(b.rawJobs[0].finished);
    EXPECT_EQ(b.sinksClosed, 1);
}

TEST(SendZplToPrinter, TextGoesOutUnchanged)
{
    // Raw means raw: commands and control characters pass as they are.
    const QString texts[] = {"^XZ~JA", QString("a\r\n\x01\tb"), QString(QChar(0xD800)) + "x"};
    for (const QString &t : texts) {
        FakePrinterBackend b;
        b.add("Label");
        EXPECT_EQ(sendError(b, "Label", t), QString());
        ASSERT_EQ(b.rawJobs.size(), 1);
        EXPECT_EQ(b.rawJobs[0].bytes, t.toUtf8());
        EXPECT_TRUE(b.rawJobs[0].finished);
    }
}

TEST(SendZplToPrinter, EmptyTextMakesOneEmptyJob)
{
    FakePrinterBackend b;
    b.add("Label");
    EXPECT_EQ(sendError(b, "Label", QString()), QString());
    ASSERT_EQ(b.rawJobs.size(), 1);
    EXPECT_TRUE(b.rawJobs[0].bytes.isEmpty());
    EXPECT_EQ(b.rawJobs[0].title, "Spooler Document Name");
    EXPECT_TRUE(b.rawJobs[0].finished);
    EXPECT_FALSE(b.rawJobs[0].cancelled);
    EXPECT_EQ(b.sinksClosed, 1);
    EXPECT_EQ(sendError(b, "Nope", QString()), "print error 0");
    EXPECT_EQ(b.rawJobs.size(), 1);
}

TEST(SendZplToPrinter, EachFailingStepHasItsMessageAndLeavesNothing)
{
    struct Case { int step; qint64 partial; const char *message; };
    const Case cases[] = {{0, -1, "print error 0"}, {1, -1, "print error 1"}, {2, -1, "print error 2"},
                          {3, -1, "print error 3"}, {-1, 5, "print error 3"}, {-1, 0, "print error 3"},
                          {4, -1, "print error 4"}};
    for (const Case &c : cases) {
        FakePrinterBackend b;
        b.add("Label");
        b.failRawStep = c.step;
        b.partialWrite = c.partial;
        EXPECT_EQ(sendError(b, "Label", kUmlautLabel), c.message) << c.step << " " << c.partial;
        for (const FakeRawJob &j : b.rawJobs) {
            EXPECT_FALSE(j.finished);
            EXPECT_TRUE(j.cancelled);
        }
        EXPECT_EQ(b.sinksClosed, 1);
    }
}

TEST(SendZplToPrinter, UnknownQueueIsErrorZero)
{
    FakePrinterBackend b;
    b.add("Label");
    EXPECT_EQ(sendError(b, "Nope", kUmlautLabel), "print error 0");
    EXPECT_TRUE(b.rawJobs.isEmpty());
}

TEST(SendZplToPrinter, StaleIndexStopsBeforeAnythingIsSent)
{
    FakePrinterBackend b;
    b.add("Label");
    const int count = vdxGlobalPrinters()->Count();
    EXPECT_EQ(sendError(b, "Label", kUmlautLabel, count + 3), "Printer selected is not valid");
    EXPECT_EQ(sendError(b, "Label", kUmlautLabel, -5), "Printer selected is not valid");
    EXPECT_TRUE(b.rawJobs.isEmpty());
    EXPECT_EQ(sendError(b, "Label", kUmlautLabel, 0), QString());
}

TEST(SendZplToPrinter, UnreachablePrintServer)
{
    // A port that was just free: nothing listens there.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a), 0);
    ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len), 0);
    ::close(fd);
    const int port = ntohs(a.sin_port);
    vdCupsSetServer(QStringLiteral("127.0.0.1:%1").arg(port));
    try {
        SendZplToPrinter(-1, "A-Printer", kUmlautLabel);
        ADD_FAILURE() << "no exception";
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), "print error 0");
    }
    TvdxPrinters list;
    EXPECT_FALSE(list.HasPhysicalPrinters());
    EXPECT_EQ(list.Printer()->Name(), "Virtual");
    vdCupsSetServer(QString());
}

// ---- real print server ----------------------------------------------------------

namespace {

class CupsRawJob : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!CupsServer::Shared().Ok())
            GTEST_SKIP() << "no test print server: " << CupsServer::Shared().SkipReason().toStdString();
        CupsServer::Shared().ClearReceived();
    }
    static CupsServer &server() { return CupsServer::Shared(); }
};

} // namespace

TEST_F(CupsRawJob, ArrivesByteForByte)
{
    const int before = int(server().JobTitles().size());
    SendZplToPrinter(-1, "A-Printer", kUmlautLabel);
    ASSERT_TRUE(server().WaitForReceived(1));
    const QByteArray got = server().Received().first();
    EXPECT_EQ(got, QByteArray("^XA^FD\xC3\xA4^FS^XZ"));
    EXPECT_EQ(got.size(), 14);
    const QStringList titles = server().JobTitles();
    ASSERT_EQ(titles.size(), before + 1);
    EXPECT_EQ(titles.last(), "Spooler Document Name");
}

TEST_F(CupsRawJob, UnknownQueueSendsNothing)
{
    const int before = int(server().JobTitles().size());
    try {
        SendZplToPrinter(-1, "No-Such-Printer", kUmlautLabel);
        FAIL() << "no exception";
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), "print error 0");
    }
    EXPECT_EQ(server().JobTitles().size(), before);
    EXPECT_FALSE(server().WaitForReceived(1, 1500));
}

#ifdef VD_ZPL_TOOL
using zpltest::runTool;
using zpltest::ToolRun;

TEST_F(CupsRawJob, ToolListsThePrinters)
{
    const ToolRun r = runTool({"--printers"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const int a = r.out.indexOf("  A-Printer\n"), b = r.out.indexOf("* b-Printer (default)\n");
    EXPECT_GE(a, 0) << r.out.toStdString();
    EXPECT_GT(b, a) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("    papers: Custom (256)\n"));
    EXPECT_TRUE(r.out.contains("    bins: Default (7)\n"));
    EXPECT_TRUE(r.out.contains("    dpi: 600 x 600\n"));
    EXPECT_TRUE(r.out.contains("    margins: left 0, top 0, right 0, bottom 0 mm\n")) << r.out.toStdString();
}

TEST_F(CupsRawJob, ToolSendsAFileToAQueueAndAFile)
{
    TempDir dir;
    writeFile(dir.file("label.zpl"), "^XA^FD\xC3\xA4^FS^XZ");
    ToolRun r = runTool({"--raw", dir.file("label.zpl"), "-P", "b-Printer", "-o", dir.file("copy.zpl")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    ASSERT_TRUE(server().WaitForReceived(1));
    EXPECT_EQ(server().Received().first(), QByteArray("^XA^FD\xC3\xA4^FS^XZ"));
    EXPECT_EQ(readFile(dir.file("copy.zpl")), QByteArray("^XA^FD\xC3\xA4^FS^XZ"));

    r = runTool({"--raw", dir.file("label.zpl"), "-P", "Nope"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("Nope: print error 0")) << r.err.toStdString();
    r = runTool({"--raw", dir.file("missing.zpl"), "-P", "A-Printer"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("cannot open")) << r.err.toStdString();
}

TEST_F(CupsRawJob, ToolExportsATemplateToAQueue)
{
    TempDir dir;
    const ToolRun r = runTool({"--vector", dataPath("zpl/hello.vd3"), "-P", "A-Printer", "-o", dir.file("hello.zpl")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QByteArray hello =
        "\r\n^XA^CI28\r\n\r\n^FO21,42^FB211,2,0,L,0\r\n^FWN\r\n^AA,20,10\r\n^FDHello^FS\r\n^XZ\r\n";
    ASSERT_TRUE(server().WaitForReceived(1));
    EXPECT_EQ(server().Received().first(), hello);
    EXPECT_EQ(readFile(dir.file("hello.zpl")), hello);
    EXPECT_EQ(server().JobTitles().last(), "Spooler Document Name");
}
#endif

TEST_F(CupsRawJob, EmptyTextIsWithdrawnQuietly)
{
    // The server takes no empty document: the job is made, then withdrawn,
    // no error, nothing reaches the printer, and the queue goes on working.
    SendZplToPrinter(-1, "A-Printer", QString());
    SendZplToPrinter(-1, "A-Printer", kUmlautLabel);
    ASSERT_TRUE(server().WaitForReceived(1));
    EXPECT_EQ(server().Received().first(), QByteArray("^XA^FD\xC3\xA4^FS^XZ"));
}

TEST_F(CupsRawJob, PrinterThatHangsUpEarly)
{
    // The print server has taken the whole job before its device hangs up:
    // the job is handed over, nothing blocks, and other queues go on working.
    ASSERT_TRUE(server().AddClosingQueue("Early", 10));
    QString big = "^XA^FD";
    big += QString(200000, QChar(u'x'));
    big += "^FS^XZ";
    SendZplToPrinter(-1, "Early", big);
    SendZplToPrinter(-1, "A-Printer", kUmlautLabel);
    ASSERT_TRUE(server().WaitForReceived(1));
    EXPECT_EQ(server().Received().first(), QByteArray("^XA^FD\xC3\xA4^FS^XZ"));
    for (int i = 0; i < 300 && server().ReceivedByClosing().isEmpty(); ++i)
        QThread::msleep(100);
    const QList<QByteArray> cut = server().ReceivedByClosing();
    ASSERT_FALSE(cut.isEmpty());
    EXPECT_TRUE(big.toUtf8().startsWith(cut.first())) << cut.first().toStdString();
}
