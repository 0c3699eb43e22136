// What the main window asks of the rest of the system, behind small
// interfaces so the window's commands run against fakes in tests.
#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>

// The filter settings the window copies into the ZPL export.
struct TZplExportRequest {
    QString ReportFile;
    bool Prepared = false;     // a prepared report (.vp3) rather than a template
    int Density = 1;           // row of the density table, 0..3
    QString PrinterInit;
    QString PrinterFinish;
    QString CodePage;
    QString PageInit;
    double FontScale = 1.0;
    QString PrinterFont;
    bool PrintAsBitmap = true;
};

// Loads (and for a template prepares) the report and exports it through the
// ZPL filter into memory. Throws Exception with a clear message on failure.
class IZplExporter {
public:
    virtual ~IZplExporter() = default;
    virtual QByteArray ExportZpl(const TZplExportRequest &request) = 0;
};

// One raw job to a printer queue; throws ("print error 0".."4") on failure.
class IRawZplSink {
public:
    virtual ~IRawZplSink() = default;
    virtual void SendZpl(int printerIndex, const QString &printerName, const QString &text) = 0;
};

// Printer names, sorted.
class IPrinterNames {
public:
    virtual ~IPrinterNames() = default;
    virtual QStringList PrinterNames() = 0;
};

// Report commands that need the preview, designer and PDF export. Each throws
// Exception with a clear message when the report cannot be loaded or the
// subsystem is not there.
class IReportCommands {
public:
    virtual ~IReportCommands() = default;
    virtual void ShowReport(const QString &fileName, bool prepared) = 0;
    virtual void DesignReport(const QString &fileName) = 0;
    virtual void ExportReportFileToPDF(const QString &reportFile, const QString &pdfFile) = 0;
    // The window's own report (the embedded template).
    virtual void ExportOwnReportToPDF(const QString &pdfFile) = 0;
};

// The shell's "open" verb.
class IShellOpener {
public:
    virtual ~IShellOpener() = default;
    virtual bool OpenUrl(const QUrl &url) = 0;
};
