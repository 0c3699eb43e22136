#include "app/uLibraryServices.h"
#include "report/vdxClass_options.h"
#include "report/vdxClass_component.h"
#include "report/vdxClass_report.h"

// The raw job and the printer list join in as soon as their libraries are built.
#if __has_include("export/zpl/vdxZplRawJob.h")
#include "export/zpl/vdxZplRawJob.h"
#define VD_APP_HAVE_RAW_JOB 1
#endif
#if __has_include("preview/vdxPrinters.h")
#include "preview/vdxPrinters.h"
#define VD_APP_HAVE_PRINTERS 1
#endif

#if __has_include("export/zpl/vdxExportZPL.h")
#include "export/zpl/vdxExportZPL.h"
#define VD_APP_HAVE_ZPL_EXPORT 1
#endif

#if __has_include("export/pdf/vdxExportPDF.h")
#include "export/pdf/vdxExportPDF.h"
#define VD_APP_HAVE_PDF_EXPORT 1
#endif

#include <QBuffer>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <concepts>

namespace {

[[noreturn]] void notInThisBuild(const QString &what)
{
    throw Exception(QStringLiteral("%1 is not available in this build").arg(what));
}

// The report's show and design entry points and the printer list's members
// are used where this build has them; the checks are on dependent types so a
// missing member only drops its branch.
template <typename R>
void showReport(R &report, bool clearLastReport)
{
    if constexpr (requires { report.ShowReport(clearLastReport); })
        report.ShowReport(clearLastReport);
    else
        notInThisBuild(QStringLiteral("The preview"));
}

template <typename R>
void showPreparedReport(R &report)
{
    if constexpr (requires { report.ShowPreparedReport(); })
        report.ShowPreparedReport();
    else
        notInThisBuild(QStringLiteral("The preview"));
}

template <typename R>
void designReport(R &report)
{
    if constexpr (requires { report.DesignReport(true, false); })
        report.DesignReport(true, false);
}

template <typename P>
QStringList physicalPrinterNames(P *list)
{
    if (!list)
        return {};
    if constexpr (requires { list->HasPhysicalPrinters(); }) {
        // The virtual printer that stands in for a missing queue takes no raw jobs.
        if (!list->HasPhysicalPrinters())
            return {};
    }
    if constexpr (requires { { list->Printers() } -> std::convertible_to<QStringList>; })
        return list->Printers();
    else if constexpr (requires { { list->Printers } -> std::convertible_to<QStringList>; })
        return list->Printers;
    else
        return {};
}

// A text setting of the filter: a public field, else a setter.
#define VD_APP_SET_TEXT(filter, name, value)                        \
    if constexpr (requires { filter.name = value; })                \
        filter.name = value;                                        \
    else if constexpr (requires { filter.Set##name(value); })       \
        filter.Set##name(value);

template <typename F, typename R>
QByteArray exportZpl(F &filter, R &report, const TZplExportRequest &rq)
{
    if constexpr (requires { report.PrepareReport(true); report.Export(&filter); filter.SetStream(nullptr); }) {
        if (!rq.Prepared && !report.PrepareReport(true))
            throw Exception(report.Errors().isEmpty() ? QStringLiteral("The report could not be prepared")
                                                      : report.Errors().join(QLatin1Char('\n')));
        filter.setProperty("ZplDensity", rq.Density);
        VD_APP_SET_TEXT(filter, PrinterInit, rq.PrinterInit)
        VD_APP_SET_TEXT(filter, PrinterFinish, rq.PrinterFinish)
        VD_APP_SET_TEXT(filter, CodePage, rq.CodePage)
        VD_APP_SET_TEXT(filter, PageInit, rq.PageInit)
        filter.setProperty("FontScale", rq.FontScale);
        VD_APP_SET_TEXT(filter, PrinterFont, rq.PrinterFont)
        filter.setProperty("PrintAsBitmap", rq.PrintAsBitmap);
        // With a stream of ours the filter shows neither settings nor save dialog.
        QBuffer out;
        out.open(QIODevice::ReadWrite);
        filter.SetStream(&out);
        const bool ok = report.Export(&filter);
        filter.SetStream(nullptr);
        if (!ok && out.data().isEmpty())
            throw Exception(report.Errors().isEmpty() ? QStringLiteral("The ZPL export failed")
                                                      : report.Errors().join(QLatin1Char('\n')));
        return out.data();
    } else {
        notInThisBuild(QStringLiteral("The ZPL export"));
    }
}

QString reportErrors(const TvdxReport &report, const QString &fallback)
{
    return report.Errors().isEmpty() ? fallback : report.Errors().join(QLatin1Char('\n'));
}

// Writes the report's prepared pages (prepared first unless Prepared) to
// PdfFile with the filter's defaults, without progress or dialogs.
void exportPdf(TvdxReport &report, const QString &pdfFile, bool prepared)
{
#ifdef VD_APP_HAVE_PDF_EXPORT
    if (!prepared && !report.PrepareReport(true))
        throw Exception(reportErrors(report, QStringLiteral("The report could not be prepared")));
    TvdxPDFExport filter(nullptr);
    filter.SetFileName(pdfFile);
    filter.SetShowProgress(false);
    filter.SetShowDialog(false);
    if (!report.Export(&filter))
        throw Exception(reportErrors(report, QStringLiteral("The PDF export failed: %1")
                                                 .arg(QDir::toNativeSeparators(pdfFile))));
#else
    Q_UNUSED(report) Q_UNUSED(pdfFile) Q_UNUSED(prepared)
    notInThisBuild(QStringLiteral("The PDF export"));
#endif
}

} // namespace

std::unique_ptr<TvdxReport> vdLoadReportFile(const QString &fileName, bool prepared, TvdComponent *owner)
{
    auto report = std::make_unique<TvdxReport>(owner);
    report->SetSilentMode(TvdxEngineOptions::simSilent);
    if (!QFileInfo(fileName).isFile())
        throw Exception(QStringLiteral("Report file not found: %1").arg(QDir::toNativeSeparators(fileName)));
    if (prepared) {
        bool loaded = false;
        try {
            loaded = report->PreviewPages() && report->PreviewPages()->LoadFromFile(fileName, false);
        } catch (const EAbstractError &) {
            // The prepared pages of this build have no file format.
            throw Exception(QStringLiteral("Cannot load the prepared report %1: prepared reports cannot be read "
                                           "in this build")
                                .arg(QDir::toNativeSeparators(fileName)));
        }
        if (!loaded)
            throw Exception(QStringLiteral("Cannot load the prepared report %1").arg(QDir::toNativeSeparators(fileName)));
        return report;
    }
    if (!report->LoadFromFile(fileName, false)) {
        QString text = report->Errors().join(QLatin1Char('\n'));
        if (text.isEmpty())
            text = QStringLiteral("The file is not a report template");
        throw Exception(QStringLiteral("Cannot load %1: %2").arg(QDir::toNativeSeparators(fileName), text));
    }
    return report;
}

QByteArray TLibraryZplExporter::ExportZpl(const TZplExportRequest &request)
{
    const auto report = vdLoadReportFile(request.ReportFile, request.Prepared, m_owner);
#ifdef VD_APP_HAVE_ZPL_EXPORT
    TvdxZPLExport filter(nullptr);
    return exportZpl(filter, *report, request);
#else
    notInThisBuild(QStringLiteral("The ZPL export"));
#endif
}

void TLibraryRawZplSink::SendZpl(int printerIndex, const QString &printerName, const QString &text)
{
#ifdef VD_APP_HAVE_RAW_JOB
    SendZplToPrinter(printerIndex, printerName, text);
#else
    Q_UNUSED(printerIndex) Q_UNUSED(printerName) Q_UNUSED(text)
    notInThisBuild(QStringLiteral("Raw printing"));
#endif
}

QStringList TLibraryPrinterNames::PrinterNames()
{
#ifdef VD_APP_HAVE_PRINTERS
    // Already sorted by name; the window's index is the list's index.
    return physicalPrinterNames(vdxGlobalPrinters());
#else
    return {};
#endif
}

void TLibraryReportCommands::ShowReport(const QString &fileName, bool prepared)
{
    const auto report = vdLoadReportFile(fileName, prepared, m_owner);
    if (prepared)
        showPreparedReport(*report);
    else
        showReport(*report, true);
}

void TLibraryReportCommands::DesignReport(const QString &fileName)
{
    const auto report = vdLoadReportFile(fileName, false, m_owner);
    // Without a registered designer nothing opens.
    designReport(*report);
}

void TLibraryReportCommands::ExportReportFileToPDF(const QString &reportFile, const QString &pdfFile)
{
    // A prepared report is read as one and written as it stands; the
    // template loader would only refuse it.
    const bool prepared = QFileInfo(reportFile).suffix() == QLatin1String("vp3");
    const auto report = vdLoadReportFile(reportFile, prepared, m_owner);
    exportPdf(*report, pdfFile, prepared);
}

void TLibraryReportCommands::ExportOwnReportToPDF(const QString &pdfFile)
{
    if (!m_ownReport)
        throw Exception(QStringLiteral("The window has no report"));
    exportPdf(*m_ownReport, pdfFile, false);
}

bool TDesktopShellOpener::OpenUrl(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}
