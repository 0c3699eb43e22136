// The print system reached through libcups (the server of CUPS_SERVER, the
// client configuration, or the local socket).
#pragma once
#include "platform/PrinterBackend.h"

class CupsPrinterBackend : public PrinterBackend {
public:
    QStringList Printers() override;
    QString DefaultPrinter() override;
    bool Defaults(const QString &printer, PrinterDefaults &out) override;
    QList<PrinterMedia> Media(const QString &printer) override;
    QList<PrinterSource> Sources(const QString &printer) override;
    int SubmitFile(const QString &printer, const QString &title, const QString &path,
                   const QString &mimeType, const QMap<QString, QString> &options,
                   QString *error) override;
    std::unique_ptr<RawJobSink> CreateRawSink() override;
};

// Points this thread's libcups at a server ("127.0.0.1:631"); empty restores
// the configured one. Cached connections to the old server are dropped.
void vdCupsSetServer(const QString &server);
