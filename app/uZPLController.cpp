#include "app/uZPLController.h"
#include "app/uScriptRunner.h"
#include "platform/IniFile.h"
#include "platform/UiProvider.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringDecoder>
#include <QTabWidget>
#include <QUrl>
#include <cmath>

namespace {

// ZPL files larger than this are no label text the box should hold.
constexpr qint64 kMaxZplFile = 64 * 1024 * 1024;

const char *kNoPdfSelected = "No PDF is selected to process. Please select a PDF first.";

QString reportFilter()
{
    return QStringLiteral("Report File (*.vd3);;Prepared Report File (*.vp3)");
}

QString zplFilter()
{
    return QStringLiteral("ZPL File (*.zpl);;Text File (*.txt)");
}

QString pdfFilter()
{
    return QStringLiteral("PDF File (*.pdf)");
}

// The file's extension with its dot, as written ("" when none).
QString extensionOf(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot);
}

QString decodeZplFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Cannot open %1: %2").arg(QDir::toNativeSeparators(path), f.errorString()));
    if (f.size() > kMaxZplFile)
        throw Exception(QStringLiteral("%1 is too large for the ZPL text (%2 bytes)")
                            .arg(QDir::toNativeSeparators(path)).arg(f.size()));
    const QByteArray bytes = f.readAll();
    // Encoding from a byte-order mark, else UTF-8 (the encoding of our ZPL).
    QStringDecoder decoder(QStringConverter::encodingForData(bytes).value_or(QStringConverter::Utf8));
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        throw Exception(QStringLiteral("%1 is not UTF-8 text; the ZPL text was left as it was")
                            .arg(QDir::toNativeSeparators(path)));
    return text;
}

} // namespace

QString vdMemoTextForPrinter(const QString &memoText)
{
    QString t = memoText;
    t.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return t;
}

QString vdZplToMemoText(const QByteArray &zpl)
{
    QString t = QString::fromUtf8(zpl);
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return t;
}

double vdParseFontScale(const QString &text)
{
    const QString t = text.trimmed();
    bool ok = false;
    double v = QLocale().toDouble(t, &ok);
    if (!ok) {
        QString dotted = t;
        dotted.replace(QLatin1Char(','), QLatin1Char('.'));
        // Only plain decimal numbers: no grouping, no exponent tricks beyond C's.
        if (dotted.count(QLatin1Char('.')) <= 1)
            v = QLocale::c().toDouble(dotted, &ok);
    }
    if (!ok || !std::isfinite(v))
        throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
    if (v <= 0)
        throw EConvertError(QStringLiteral("The font scale must be greater than 0, not '%1'").arg(text));
    return v;
}

QString vdChangeFileExt(const QString &path, const QString &ext)
{
    const QString name = QFileInfo(path).fileName();
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return path + ext;
    return path.left(path.size() - (name.size() - dot)) + ext;
}

TZplController::TZplController(const TZplControls &controls, const TZplEnvironment &env, QObject *parent)
    : QObject(parent), m_c(controls), m_env(env)
{
}

void TZplController::ShowError(const QString &text)
{
    vdUiProvider().MessageBox(text, QStringLiteral("Error"), MB_OK | MB_ICONERROR);
}

void TZplController::message(const QString &text)
{
    vdUiProvider().MessageBox(text, QStringLiteral("Vendari"), MB_OK);
}

void TZplController::guarded(const std::function<void()> &command)
{
    try {
        command();
    } catch (const Exception &e) {
        ShowError(e.message());
    } catch (const std::exception &e) {
        ShowError(QString::fromUtf8(e.what()));
    }
}

// ------------------------------------------------------------------ settings

TZplPrinterSettings TZplController::CurrentSettings() const
{
    TZplPrinterSettings s;
    s.Density = m_c.Density->currentIndex();
    s.PrinterInit = m_c.PrinterInit->text();
    s.CodePage = m_c.CodePage->text();
    s.PrinterFinish = m_c.PrinterFinish->text();
    s.PageInit = m_c.PageInit->text();
    s.FontScale = m_c.FontScale->text();
    s.Font = m_c.Font->text();
    s.PrintAB = m_c.PrintAB->isChecked();
    return s;
}

void TZplController::ApplySettings(const TZplPrinterSettings &s)
{
    // An index the box does not hold leaves it without a selection.
    m_c.Density->setCurrentIndex(s.Density >= 0 && s.Density < m_c.Density->count() ? s.Density : -1);
    if (m_c.Density->currentIndex() < 0 && m_c.Density->isEditable())
        m_c.Density->setEditText(QString());
    m_c.PrinterInit->setText(s.PrinterInit);
    m_c.CodePage->setText(s.CodePage);
    m_c.PrinterFinish->setText(s.PrinterFinish);
    m_c.PageInit->setText(s.PageInit);
    m_c.FontScale->setText(s.FontScale);
    m_c.Font->setText(s.Font);
    m_c.PrintAB->setChecked(s.PrintAB);
}

void TZplController::LoadSettings()
{
    const TZplSettingsLoad r = vdLoadZplSettings(m_env.ConfigPath);
    ApplySettings(r.Settings);
    if (!r.Problem.isEmpty())
        ShowError(r.Problem + QStringLiteral("; the default printer settings are used."));
}

void TZplController::SaveSettings()
{
    vdSaveZplSettings(m_env.ConfigPath, CurrentSettings());
}

// ------------------------------------------------------------- form events

void TZplController::FormCreate()
{
    m_c.Density->setCurrentIndex(1);
    QStringList names;
    if (m_env.Printers) {
        try {
            names = m_env.Printers->PrinterNames();
        } catch (const Exception &e) {
            ShowError(e.message());
        }
    }
    m_c.Printers->clear();
    m_c.Printers->addItems(names);
    if (!names.isEmpty()) {
        m_c.Print->setEnabled(true);
        m_c.Printers->setCurrentIndex(0);
    } else {
        m_c.Printers->setCurrentIndex(-1);
        m_c.Printers->setEditText(QStringLiteral("Printers"));
    }
    m_isPreparedReport = false;
    m_preview = false;
    LoadSettings();
}

void TZplController::FormClose()
{
    // The window closes even when the settings cannot be written.
    guarded([this] { SaveSettings(); });
}

// ----------------------------------------------------------------- reports

void TZplController::SelectRClick()
{
    guarded([this] { doSelectReport(); });
}

void TZplController::doSelectReport()
{
    const QString path = vdUiProvider().OpenFileName(QStringLiteral("Open"), m_env.ExeFolder, reportFilter());
    if (path.isEmpty())
        return;
    m_reportFileName = path;
    m_c.LRepName->setText(QFileInfo(path).fileName());
    m_c.LRepName->setVisible(true);
    m_isPreparedReport = extensionOf(path) == QLatin1String(".vp3");
    m_c.DesignR->setEnabled(!m_isPreparedReport);
    m_c.ShowR->setEnabled(true);
    m_pdfExportPath = vdChangeFileExt(path, QStringLiteral(".pdf"));
    if (QFileInfo::exists(m_pdfExportPath) &&
        vdUiProvider().MessageBox(QStringLiteral("%1 already exists. Do you want to replace it?")
                                      .arg(QDir::toNativeSeparators(m_pdfExportPath)),
                                  QStringLiteral("Confirm"), MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    if (!m_env.Reports)
        throw Exception(QStringLiteral("The PDF export is not available"));
    m_env.Reports->ExportReportFileToPDF(path, m_pdfExportPath);
}

void TZplController::DesignRClick()
{
    guarded([this] {
        if (m_isPreparedReport || m_reportFileName.isEmpty() || !m_env.Reports)
            return;
        m_env.Reports->DesignReport(m_reportFileName);
    });
}

void TZplController::ShowRClick()
{
    guarded([this] {
        if (m_reportFileName.isEmpty() || !m_env.Reports)
            return;
        m_env.Reports->ShowReport(m_reportFileName, m_isPreparedReport);
    });
}

// ------------------------------------------------------------------- print

void TZplController::PrintClick()
{
    guarded([this] { doPrint(); });
}

void TZplController::doPrint()
{
    SaveSettings();
    if (m_c.PageControl->currentIndex() != 0) {
        if (!m_env.Sink)
            throw Exception(QStringLiteral("Raw printing is not available"));
        m_env.Sink->SendZpl(m_c.Printers->currentIndex(), m_c.Printers->currentText(),
                            vdMemoTextForPrinter(m_c.Memo->toPlainText()));
        return;
    }
    if (m_reportFileName.isEmpty()) {
        doSelectReport();
        return;
    }
    exportToMemoAndSend();
}

void TZplController::exportToMemoAndSend()
{
    TZplExportRequest rq;
    rq.ReportFile = m_reportFileName;
    rq.Prepared = m_isPreparedReport;
    // A density outside the table (a hand-typed or stored index) exports at 8 dpmm.
    const int density = m_c.Density->currentIndex();
    rq.Density = density >= 0 && density <= 3 ? density : 1;
    rq.PrinterInit = m_c.PrinterInit->text();
    rq.PrinterFinish = m_c.PrinterFinish->text();
    rq.CodePage = m_c.CodePage->text();
    rq.PageInit = m_c.PageInit->text();
    rq.FontScale = vdParseFontScale(m_c.FontScale->text());
    rq.PrinterFont = m_c.Font->text();
    rq.PrintAsBitmap = m_c.PrintAB->isChecked();
    if (!m_env.Exporter)
        throw Exception(QStringLiteral("The ZPL export is not available"));
    const QByteArray zpl = m_env.Exporter->ExportZpl(rq);
    m_c.Memo->setPlainText(vdZplToMemoText(zpl));
    if (m_preview)
        return;
    if (!m_env.Sink)
        throw Exception(QStringLiteral("Raw printing is not available"));
    m_env.Sink->SendZpl(m_c.Printers->currentIndex(), m_c.Printers->currentText(),
                        vdMemoTextForPrinter(m_c.Memo->toPlainText()));
}

void TZplController::ShowZPLClick()
{
    guarded([this] {
        m_preview = true;
        try {
            doPrint();
        } catch (...) {
            m_preview = false;
            throw;
        }
        m_preview = false;
        m_c.PageControl->setCurrentIndex(1);
    });
}

void TZplController::LoadFFClick()
{
    guarded([this] {
        const QString path = vdUiProvider().OpenFileName(QStringLiteral("Open"), m_env.ExeFolder, zplFilter());
        if (path.isEmpty())
            return;
        m_c.Memo->setPlainText(decodeZplFile(path).replace(QLatin1String("\r\n"), QLatin1String("\n")));
    });
}

// ------------------------------------------------------------------- PDFs

QString TZplController::saveDialog(const QString &caption)
{
    return vdUiProvider().SaveFileName(caption, m_env.DocumentsFolder + QStringLiteral("/ProcessedOutput.pdf"),
                                       pdfFilter());
}

QString TZplController::fixPdfExtension(const QString &path) const
{
    return extensionOf(path) == QLatin1String(".pdf") ? path : vdChangeFileExt(path, QStringLiteral(".pdf"));
}

void TZplController::Button1Click()
{
    guarded([this] {
        if (m_pdfExportPath.isEmpty()) {
            message(QString::fromLatin1(kNoPdfSelected));
            return;
        }
        if (!QFileInfo::exists(m_pdfExportPath)) {
            message(QStringLiteral("The selected PDF file does not exist. Please verify the file path."));
            return;
        }
        const QString chosen = saveDialog(QStringLiteral("Save As"));
        if (chosen.isEmpty())
            return;
        m_modifiedPdfPath = fixPdfExtension(chosen);
        const TScriptRunResult r = RunExternalScript(m_env.Scripts.Interpreter, m_env.Scripts.FirstScript,
                                                     m_pdfExportPath, m_modifiedPdfPath,
                                                     m_env.Scripts.TimeLimitSeconds * 1000);
        message(r.Succeeded() && QFileInfo::exists(m_modifiedPdfPath) ? QStringLiteral("PDF created successfully.")
                                                                      : QStringLiteral("Failed to create PDF."));
    });
}

void TZplController::Button2Click()
{
    guarded([this] {
        const QString input = vdUiProvider().OpenFileName(QStringLiteral("Open"), m_env.ExeFolder, pdfFilter());
        if (input.isEmpty()) {
            m_c.LPDFName->setVisible(false);
            return;
        }
        m_c.LPDFName->setText(QFileInfo(input).fileName());
        m_c.LPDFName->setVisible(true);
        const QString chosen = saveDialog(QStringLiteral("Save As"));
        if (chosen.isEmpty())
            return;
        const QString output = fixPdfExtension(chosen);
        const TScriptRunResult r = RunExternalScript(m_env.Scripts.Interpreter, m_env.Scripts.SecondScript, input,
                                                     output, m_env.Scripts.TimeLimitSeconds * 1000);
        message(r.Succeeded() && QFileInfo::exists(output) ? QStringLiteral("PDF processed successfully.")
                                                           : QStringLiteral("Failed to process PDF."));
    });
}

void TZplController::Button3Click()
{
    guarded([this] {
        const QString reportPdf = m_env.Scripts.ReportPDF;
        if (!m_env.Reports)
            throw Exception(QStringLiteral("The PDF export is not available"));
        QDir().mkpath(QFileInfo(reportPdf).absolutePath());
        m_env.Reports->ExportOwnReportToPDF(reportPdf);
        const QString output = vdChangeFileExt(reportPdf, QStringLiteral("_processed.pdf"));
        const TScriptRunResult r = RunExternalScript(m_env.Scripts.Interpreter, m_env.Scripts.SecondScript,
                                                     reportPdf, output, m_env.Scripts.TimeLimitSeconds * 1000);
        if (r.Succeeded() && QFileInfo::exists(output)) {
            if (m_env.ShowPdf)
                m_env.ShowPdf(output);
            if (m_env.Shell)
                m_env.Shell->OpenUrl(QUrl::fromLocalFile(output));
        } else {
            message(QStringLiteral("PDF file does not exist: ") + output);
        }
    });
}
