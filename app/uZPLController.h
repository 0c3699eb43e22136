// The commands of the main window: settings, report selection, ZPL export
// and raw printing, the ZPL text box and the PDF post-processing runs. The
// window builds the controls and hands them over; every prompt goes through
// the platform's UiProvider and every outside service through the
// interfaces of uDemoServices.h, so the commands run headless in tests.
#pragma once
#include "app/uDemoServices.h"
#include "app/uDemoSettings.h"

#include <QObject>
#include <QString>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

// The controls the commands read and write (owned by the window).
struct TZplControls {
    QComboBox *Printers = nullptr;
    QPushButton *Print = nullptr;
    QTabWidget *PageControl = nullptr;
    QPushButton *DesignR = nullptr;
    QPushButton *ShowR = nullptr;
    QLabel *LRepName = nullptr;
    QLabel *LPDFName = nullptr;
    QComboBox *Density = nullptr;
    QLineEdit *PrinterInit = nullptr;
    QLineEdit *CodePage = nullptr;
    QLineEdit *PrinterFinish = nullptr;
    QLineEdit *PageInit = nullptr;
    QLineEdit *FontScale = nullptr;
    QLineEdit *Font = nullptr;
    QCheckBox *PrintAB = nullptr;
    QPlainTextEdit *Memo = nullptr;
};

// Where the commands find their files and services (not owned).
struct TZplEnvironment {
    QString ConfigPath;          // config.ini
    QString ExeFolder;           // initial folder of the open dialogs
    QString DocumentsFolder;     // initial folder of the save dialogs
    TDemoScriptSettings Scripts;
    IZplExporter *Exporter = nullptr;
    IRawZplSink *Sink = nullptr;
    IPrinterNames *Printers = nullptr;
    IReportCommands *Reports = nullptr;
    IShellOpener *Shell = nullptr;
    // Shows a PDF in the window's viewer (the TSWeb tab).
    std::function<void(const QString &pdfPath)> ShowPdf;
};

// The text of the ZPL box as sent: lines joined with CR LF, nothing added.
QString vdMemoTextForPrinter(const QString &memoText);
// ZPL bytes (UTF-8, CR LF) as the box shows them.
QString vdZplToMemoText(const QByteArray &zpl);
// The font scale as a number: the locale's format, else "," or "." as the
// decimal mark. Throws EConvertError for other text and for values <= 0.
double vdParseFontScale(const QString &text);
// path with its extension (the part from the last dot of the file name) replaced.
QString vdChangeFileExt(const QString &path, const QString &ext);

class TZplController : public QObject {
    Q_OBJECT
public:
    TZplController(const TZplControls &controls, const TZplEnvironment &env, QObject *parent = nullptr);

    // Commands as the buttons run them: failures end in the error box.
    void FormCreate();
    void FormClose();
    void SelectRClick();
    void DesignRClick();
    void ShowRClick();
    void PrintClick();
    void ShowZPLClick();
    void LoadFFClick();
    void Button1Click(); // "Export"
    void Button2Click(); // "Select PDF"
    void Button3Click(); // "Export - Print"

    // The settings routines (raise on a refused write).
    void LoadSettings();
    void SaveSettings();
    TZplPrinterSettings CurrentSettings() const;
    void ApplySettings(const TZplPrinterSettings &s);

    bool IsPreparedReport() const { return m_isPreparedReport; }
    bool Previewing() const { return m_preview; }
    QString ReportFileName() const { return m_reportFileName; }
    QString PDFExportPath() const { return m_pdfExportPath; }
    QString ModifiedPDFPath() const { return m_modifiedPdfPath; }
    const TZplEnvironment &Environment() const { return m_env; }

    // Shows an error in the error box (caption "Error").
    static void ShowError(const QString &text);

private:
    void guarded(const std::function<void()> &command);
    void doPrint();
    void doSelectReport();
    void exportToMemoAndSend();
    QString saveDialog(const QString &caption);
    QString fixPdfExtension(const QString &path) const;
    void message(const QString &text);

    TZplControls m_c;
    TZplEnvironment m_env;
    bool m_isPreparedReport = false;
    bool m_preview = false;
    QString m_reportFileName;
    QString m_pdfExportPath;
    QString m_modifiedPdfPath;
};
