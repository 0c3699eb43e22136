// Printers against a real print server on loopback.
#include "common/CupsServer.h"
#include "common/TestSupport.h"
#include "preview/vdxPrinters.h"
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <gtest/gtest.h>

using namespace vdtest;

namespace {

class CupsPrinters : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!CupsServer::Shared().Ok())
            GTEST_SKIP() << "no test print server: " << CupsServer::Shared().SkipReason().toStdString();
        CupsServer::Shared().ClearReceived();
    }
};

} // namespace

TEST_F(CupsPrinters, ListsTheQueuesWithTheDefaultCurrent)
{
    TvdxPrinters list;
    EXPECT_TRUE(list.HasPhysicalPrinters());
    EXPECT_EQ(list.Printers(), (QStringList{"A-Printer", "b-Printer"}));
    EXPECT_EQ(list.GetDefaultPrinterName(), "b-Printer");
    EXPECT_EQ(list.PrinterIndex(), 1);
    TvdxCustomPrinter *b = list.Printer();
    ASSERT_TRUE(b->Initialized());
    // A raw queue names no media, trays or resolution.
    EXPECT_EQ(b->Papers().size(), 1);
    EXPECT_EQ(b->Bins().size(), 1);
    EXPECT_EQ(b->DPI(), QPoint(600, 600));
}

TEST_F(CupsPrinters, TwoPagePageJobArrivesWhole)
{
    TvdxPrinters list;
    TvdxCustomPrinter *p = list.Items(list.IndexOf("A-Printer"));
    p->Init();
    p->SetPrintParams(256, 100, 150, poPortrait, 7, TvdxPrintOptions::dmNone, 1);
    p->SetTitle("Two pages");
    p->BeginDoc();
    ASSERT_TRUE(p->Printing());
    for (int page = 0; page < 2; ++page) {
        p->BeginPage();
        p->Canvas()->Rectangle(TRect{0, 0, 1000, 1000});
        p->EndPage();
    }
    p->EndDoc();
    ASSERT_TRUE(p->LastError().isEmpty()) << p->LastError().toStdString();
    ASSERT_TRUE(CupsServer::Shared().WaitForReceived(1));
    const QByteArray pdf = CupsServer::Shared().Received().first();
    ASSERT_TRUE(pdf.startsWith("%PDF")) << pdf.left(40).toStdString();
    const QString pdfinfo = QStandardPaths::findExecutable("pdfinfo");
    if (pdfinfo.isEmpty())
        GTEST_SKIP() << "pdfinfo not installed (poppler-utils)";
    TempDir dir;
    writeFile(dir.file("job.pdf"), pdf);
    QProcess info;
    info.start(pdfinfo, {dir.file("job.pdf")});
    ASSERT_TRUE(info.waitForFinished(20000));
    const QString text = QString::fromUtf8(info.readAllStandardOutput());
    EXPECT_TRUE(text.contains(QRegularExpression("Pages:\\s+2\\n"))) << text.toStdString();
    EXPECT_TRUE(CupsServer::Shared().JobTitles().contains("Two pages"));
}
