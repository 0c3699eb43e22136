// The main window: pick a template or prepared report, export it to ZPL with
// the printer settings of the window, show and edit the ZPL, print it raw,
// and run the PDF post-processing scripts.
#pragma once
#include "app/uDemoMain.h"
#include "app/uDemoServices.h"
#include "app/uZPLController.h"

#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class TDemoData;
class TvdxReport;

// What the window runs against; empty paths and null services take the
// defaults (files beside the executable, the library's services).
struct TZplSetup {
    QString ConfigPath;
    QString DatabaseFile;
    QString ExeFolder;
    QString DocumentsFolder;
    IZplExporter *Exporter = nullptr;
    IRawZplSink *Sink = nullptr;
    IPrinterNames *Printers = nullptr;
    IReportCommands *Reports = nullptr;
    IShellOpener *Shell = nullptr;
};

class TfrmZPL : public TfrmDemoMain {
    Q_OBJECT
public:
    explicit TfrmZPL(const TZplSetup &setup = TZplSetup(), QWidget *owner = nullptr);
    ~TfrmZPL() override;

    QString GetDemoTitle() const override { return QStringLiteral("Morvane"); }

    TZplController *Controller() const { return m_controller; }
    TDemoData *Data() const { return m_data.get(); }
    TvdxReport *Report() const { return m_report.get(); }
    // The PDF shown on the TSWeb tab (empty until Export - Print shows one).
    QString ShownPdf() const { return m_shownPdf; }

    // Controls (names as the commands know them).
    QLabel *LSelect_Printer = nullptr;
    QComboBox *Printers = nullptr;
    QPushButton *ShowZPL = nullptr;
    QPushButton *Print = nullptr;
    QTabWidget *PageControl1 = nullptr;
    QPushButton *SelectR = nullptr;
    QPushButton *DesignR = nullptr;
    QPushButton *ShowR = nullptr;
    QLabel *LRepName = nullptr;
    QLabel *LPDFName = nullptr;
    QPushButton *Button1 = nullptr;
    QPushButton *Button2 = nullptr;
    QPushButton *Button3 = nullptr;
    QComboBox *Density = nullptr;
    QLineEdit *PrinterInit = nullptr;
    QLineEdit *CodePage = nullptr;
    QLineEdit *PrinterFinish = nullptr;
    QLineEdit *PageInit = nullptr;
    QLineEdit *FontScale = nullptr;
    QLineEdit *Font = nullptr;
    QCheckBox *PrintAB = nullptr;
    QPlainTextEdit *Memo1 = nullptr;
    QPushButton *LoadFF = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;
    IShellOpener *ShellOpener() const override { return m_env.Shell; }

private:
    void buildControls();
    void FormCreate();
    void showPdf(const QString &path);
    void ensurePdfViewer();

    std::unique_ptr<TDemoData> m_data;
    std::unique_ptr<TvdxReport> m_report;
    std::unique_ptr<IZplExporter> m_ownExporter;
    std::unique_ptr<IRawZplSink> m_ownSink;
    std::unique_ptr<IPrinterNames> m_ownPrinters;
    std::unique_ptr<IReportCommands> m_ownReports;
    std::unique_ptr<IShellOpener> m_ownShell;
    TZplSetup m_setup;
    TZplEnvironment m_env;
    TZplController *m_controller = nullptr;
    QWidget *m_pdfPage = nullptr;
    QWidget *m_pdfHost = nullptr;
    QObject *m_pdfDocument = nullptr; // the viewer's document, freed after the viewer
    QString m_shownPdf;
    bool m_closing = false;
};
