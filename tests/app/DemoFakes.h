// Fakes of the window's services and a window fixture that runs headless.
#pragma once
#include "app/uDemoServices.h"
#include "app/uZPLMain.h"
#include "common/TestSupport.h"
#include "platform/UiProvider.h"

#include <QList>
#include <QUrl>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

struct FakeExporter : IZplExporter {
    QList<TZplExportRequest> calls;
    QByteArray result = "^XA\r\n^FDHello^FS\r\n^XZ\r\n";
    QByteArray ExportZpl(const TZplExportRequest &rq) override
    {
        calls << rq;
        return result;
    }
};

struct FakeSink : IRawZplSink {
    struct Job {
        int index;
        QString name;
        QString text;
    };
    QList<Job> jobs;
    void SendZpl(int index, const QString &name, const QString &text) override { jobs << Job{index, name, text}; }
};

struct FakePrinters : IPrinterNames {
    QStringList names;
    QStringList PrinterNames() override { return names; }
};

struct FakeReports : IReportCommands {
    QStringList calls;
    // Writes the PDF of the window's own report (none by default).
    std::function<void(const QString &)> writeOwnPdf;
    void ShowReport(const QString &f, bool prepared) override
    {
        calls << QStringLiteral("show %1 %2").arg(f).arg(prepared);
    }
    void DesignReport(const QString &f) override { calls << QStringLiteral("design ") + f; }
    void ExportReportFileToPDF(const QString &r, const QString &p) override
    {
        calls << QStringLiteral("pdf %1 %2").arg(r, p);
    }
    void ExportOwnReportToPDF(const QString &p) override
    {
        calls << QStringLiteral("own ") + p;
        if (writeOwnPdf)
            writeOwnPdf(p);
    }
};

struct FakeShell : IShellOpener {
    QList<QUrl> urls;
    bool OpenUrl(const QUrl &url) override
    {
        urls << url;
        return true;
    }
};

// The sample database the build puts beside the executable.
inline QString sampleDatabase()
{
    return QStringLiteral(VD_APP_BUILD_DIR "/products.sqlite");
}

class DemoWindowTest : public ::testing::Test {
protected:
    void SetUp() override { vdSetUiProvider(&ui); }
    void TearDown() override
    {
        window.reset();
        vdSetUiProvider(nullptr);
    }

    QString configPath() const { return dir.file(QStringLiteral("config.ini")); }

    TfrmZPL &open()
    {
        TZplSetup s;
        s.ConfigPath = configPath();
        s.DatabaseFile = sampleDatabase();
        s.ExeFolder = dir.path();
        s.DocumentsFolder = dir.path();
        // A null service is the library's own.
        s.Exporter = library.exporter ? nullptr : &exporter;
        s.Sink = library.sink ? nullptr : &sink;
        s.Printers = library.printers ? nullptr : &printers;
        s.Reports = library.reports ? nullptr : &reports;
        s.Shell = &shell;
        window = std::make_unique<TfrmZPL>(s);
        return *window;
    }

    // Texts of the prompts of one kind.
    QStringList prompts(const QString &kind) const
    {
        QStringList r;
        for (const auto &p : ui.Prompts())
            if (p.kind == kind)
                r << p.text;
        return r;
    }
    QStringList messages() const { return prompts(QStringLiteral("MessageBox")); }

    // Services the window takes from the library instead of the fakes.
    struct {
        bool exporter = false, sink = false, printers = false, reports = false;
    } library;

    vdtest::TempDir dir;
    HeadlessUiProvider ui;
    FakeExporter exporter;
    FakeSink sink;
    FakePrinters printers;
    FakeReports reports;
    FakeShell shell;
    std::unique_ptr<TfrmZPL> window;
};
