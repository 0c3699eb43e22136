// The services of uDemoServices.h over the library as far as it is built:
// templates load through TvdxReport, so a broken or missing template gets
// its load message; commands whose subsystem is not in this build say so.
#pragma once
#include "app/uDemoServices.h"
#include <memory>

class TvdComponent;
class TvdxReport;

// Loads a template (or reads a prepared report) into a new report owned by
// owner (the component that owns the window's data sets, so the report finds
// them by name); throws Exception with the report's error text when it does
// not load.
std::unique_ptr<TvdxReport> vdLoadReportFile(const QString &fileName, bool prepared, TvdComponent *owner = nullptr);

class TLibraryZplExporter : public IZplExporter {
public:
    explicit TLibraryZplExporter(TvdComponent *owner = nullptr) : m_owner(owner) {}
    QByteArray ExportZpl(const TZplExportRequest &request) override;

private:
    TvdComponent *m_owner;
};

class TLibraryRawZplSink : public IRawZplSink {
public:
    void SendZpl(int printerIndex, const QString &printerName, const QString &text) override;
};

class TLibraryPrinterNames : public IPrinterNames {
public:
    QStringList PrinterNames() override;
};

class TLibraryReportCommands : public IReportCommands {
public:
    // ownReport: the window's report with the embedded template (not owned).
    TLibraryReportCommands(TvdxReport *ownReport, TvdComponent *owner = nullptr)
        : m_ownReport(ownReport), m_owner(owner)
    {
    }
    void ShowReport(const QString &fileName, bool prepared) override;
    void DesignReport(const QString &fileName) override;
    void ExportReportFileToPDF(const QString &reportFile, const QString &pdfFile) override;
    void ExportOwnReportToPDF(const QString &pdfFile) override;

private:
    TvdxReport *m_ownReport;
    TvdComponent *m_owner;
};

class TDesktopShellOpener : public IShellOpener {
public:
    bool OpenUrl(const QUrl &url) override;
};
