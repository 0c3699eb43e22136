#include "platform/PrinterBackend.h"
#include "platform/CupsPrinterBackend.h"
#include <atomic>

namespace {

class NullRawJobSink : public RawJobSink {
public:
    bool Open(const QString &) override { return false; }
    bool CreateJob(const QString &) override { return false; }
    bool StartDocument() override { return false; }
    qint64 Write(const QByteArray &) override { return -1; }
    bool FinishDocument() override { return false; }
    void Cancel() override {}
    void Close() override {}
    QString LastError() const override { return QStringLiteral("No print system"); }
};

std::atomic<PrinterBackend *> g_backend{nullptr};

} // namespace

int NullPrinterBackend::SubmitFile(const QString &, const QString &, const QString &, const QString &,
                                   const QMap<QString, QString> &, QString *error)
{
    if (error)
        *error = QStringLiteral("No print system");
    return 0;
}

std::unique_ptr<RawJobSink> NullPrinterBackend::CreateRawSink()
{
    return std::make_unique<NullRawJobSink>();
}

PrinterBackend &vdPrinterBackend()
{
    if (PrinterBackend *b = g_backend.load())
        return *b;
    static CupsPrinterBackend cups;
    return cups;
}

PrinterBackend *vdSetPrinterBackend(PrinterBackend *backend)
{
    return g_backend.exchange(backend);
}
