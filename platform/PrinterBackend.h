// What the printer objects ask of the print system: the installed queues, the
// media, sources, sides and resolution each one offers, page jobs handed over
// as finished files, and raw jobs written byte for byte. The CUPS back end is
// the real one; tests install a fake.
#pragma once
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <memory>

// One medium a queue offers; sizes and margins in hundredths of a millimetre,
// portrait (width across, length down).
struct PrinterMedia {
    QString id;          // the print system's keyword ("iso_a4_210x297mm")
    QString displayName; // localized name
    int width = 0;
    int length = 0;
    int left = 0, top = 0, right = 0, bottom = 0;
};

// One input tray.
struct PrinterSource {
    QString id;          // keyword ("auto", "tray-1")
    QString displayName;
};

// Defaults of a queue; empty texts and zero resolution when it names none.
struct PrinterDefaults {
    QString media;       // media keyword
    QString source;      // media-source keyword
    QString sides;       // "one-sided", "two-sided-long-edge", "two-sided-short-edge"
    bool landscape = false;
    int dpiX = 0, dpiY = 0;
};

// A job whose bytes go to the printer unchanged. Each step answers whether it
// worked; a failed step leaves the caller to Cancel and Close.
class RawJobSink {
public:
    virtual ~RawJobSink() = default;
    // Finds the queue.
    virtual bool Open(const QString &printer) = 0;
    virtual bool CreateJob(const QString &title) = 0;
    // Begins the job's one document, in the raw format.
    virtual bool StartDocument() = 0;
    // Bytes taken; anything but bytes.size() is a failure.
    virtual qint64 Write(const QByteArray &bytes) = 0;
    // Closes the document and hands the job to the spooler.
    virtual bool FinishDocument() = 0;
    // Drops a job that was created but not finished, so nothing partial prints.
    virtual void Cancel() = 0;
    virtual void Close() = 0;
    // The print system's own words for the last failure (may be empty).
    virtual QString LastError() const = 0;
};

class PrinterBackend {
public:
    virtual ~PrinterBackend() = default;
    // Queue names in the print system's order; empty when it has none or
    // cannot be reached.
    virtual QStringList Printers() = 0;
    // Empty when there is no default queue.
    virtual QString DefaultPrinter() = 0;
    // False when the queue is unknown or its settings cannot be read.
    virtual bool Defaults(const QString &printer, PrinterDefaults &out) = 0;
    virtual QList<PrinterMedia> Media(const QString &printer) = 0;
    virtual QList<PrinterSource> Sources(const QString &printer) = 0;
    // Prints a finished file (a PDF of the pages) with job options such as
    // "media", "sides", "media-source", "copies", "orientation-requested".
    // Answers the job id, 0 on failure with the reason in error.
    virtual int SubmitFile(const QString &printer, const QString &title, const QString &path,
                           const QString &mimeType, const QMap<QString, QString> &options,
                           QString *error) = 0;
    virtual std::unique_ptr<RawJobSink> CreateRawSink() = 0;
};

// The back end in use: CUPS where it was built in, else one with no printers.
PrinterBackend &vdPrinterBackend();
// Installs a back end (not owned); nullptr restores the default. Returns the previous one.
PrinterBackend *vdSetPrinterBackend(PrinterBackend *backend);

// A print system with no queues: every question has an empty answer.
class NullPrinterBackend : public PrinterBackend {
public:
    QStringList Printers() override { return {}; }
    QString DefaultPrinter() override { return {}; }
    bool Defaults(const QString &, PrinterDefaults &) override { return false; }
    QList<PrinterMedia> Media(const QString &) override { return {}; }
    QList<PrinterSource> Sources(const QString &) override { return {}; }
    int SubmitFile(const QString &, const QString &, const QString &, const QString &,
                   const QMap<QString, QString> &, QString *error) override;
    std::unique_ptr<RawJobSink> CreateRawSink() override;
};
