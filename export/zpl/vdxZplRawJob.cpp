#include "export/zpl/vdxZplRawJob.h"
#include "platform/Exception.h"
#include "platform/PrinterBackend.h"
#include "preview/vdxPrinters.h"

void SendZplToPrinter(int PrinterIndex, const QString &PrinterName, const QString &Text, RawJobSink *sink)
{
    // The index only names the same printer in the list; a stale one is the
    // caller's error and stops the job before anything reaches the spooler.
    if (PrinterIndex != -1) {
        TvdxPrinters *list = vdxGlobalPrinters();
        if (PrinterIndex < 0 || PrinterIndex >= list->Count())
            throw Exception(QStringLiteral("Printer selected is not valid"));
    }

    std::unique_ptr<RawJobSink> own;
    if (!sink) {
        own = vdPrinterBackend().CreateRawSink();
        sink = own.get();
    }
    auto fail = [&](int step) {
        sink->Cancel();
        sink->Close();
        throw Exception(QStringLiteral("print error %1").arg(step));
    };
    if (!sink->Open(PrinterName))
        fail(0);
    // An empty text still makes its job, with one empty document.
    const QByteArray bytes = Text.toUtf8();
    if (!sink->CreateJob(QStringLiteral("Spooler Document Name")))
        fail(1);
    if (!sink->StartDocument())
        fail(2);
    if (sink->Write(bytes) != bytes.size())
        fail(3);
    if (!sink->FinishDocument())
        fail(4);
    sink->Close();
}
