// A print system held in memory: queues with their media, trays, defaults,
// the files submitted to them and raw jobs whose every step can be made to fail.
#pragma once
#include "platform/PrinterBackend.h"
#include <QMap>

namespace vdtest {

struct FakeQueue {
    PrinterDefaults defaults;
    QList<PrinterMedia> media;
    QList<PrinterSource> sources;
    bool readable = true;
};

struct FakeSubmission {
    QString printer, title, mimeType;
    QByteArray bytes;
    QMap<QString, QString> options;
};

struct FakeRawJob {
    QString printer, title;
    QByteArray bytes;
    bool finished = false;
    bool cancelled = false;
};

class FakePrinterBackend : public PrinterBackend {
public:
    QMap<QString, FakeQueue> queues;
    QStringList order;          // enumeration order (defaults to the map's)
    QString defaultPrinter;
    QList<FakeSubmission> submitted;
    QList<FakeRawJob> rawJobs;
    // Raw step that fails: 0 open .. 4 finish; -1 none. partialWrite takes
    // only that many bytes at step 3.
    int failRawStep = -1;
    qint64 partialWrite = -1;
    bool failSubmit = false;
    int sinksClosed = 0;

    FakeQueue &add(const QString &name)
    {
        order << name;
        return queues[name];
    }

    QStringList Printers() override { return order; }
    QString DefaultPrinter() override { return defaultPrinter; }
    bool Defaults(const QString &p, PrinterDefaults &out) override;
    QList<PrinterMedia> Media(const QString &p) override { return queues.value(p).media; }
    QList<PrinterSource> Sources(const QString &p) override { return queues.value(p).sources; }
    int SubmitFile(const QString &printer, const QString &title, const QString &path, const QString &mimeType,
                   const QMap<QString, QString> &options, QString *error) override;
    std::unique_ptr<RawJobSink> CreateRawSink() override;
};

// A4 and Letter with 4.23 mm margins, as a typical office queue offers them.
PrinterMedia FakeMedia(const QString &id, int width, int length, int margin = 423);

} // namespace vdtest
