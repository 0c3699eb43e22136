// Runs the PDF filter over hand-built pages the way the export loop calls it,
// and the poppler and qpdf tools over what it wrote.
#pragma once
#include "export/pdf/vdxExportPDF.h"
#include "report/vdxClass.h"
#include "PdfTools.h"

#include <QBuffer>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringList>

namespace pdftest {

// The page rendered at 72 dpi: one image pixel per point, so report pixel
// (x, y) of a page without margins is image pixel (0.75 x, 0.75 y).
inline QImage renderPage(const QString &pdfFile, int page = 1)
{
    const QString prefix = pdfFile + QStringLiteral(".p%1").arg(page);
    const ToolResult r = runTool(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("72"),
                                                             QStringLiteral("-png"), QStringLiteral("-singlefile"),
                                                             QStringLiteral("-f"), QString::number(page),
                                                             QStringLiteral("-l"), QString::number(page), pdfFile,
                                                             prefix});
    if (!r.ran || r.exitCode != 0)
        return QImage();
    return QImage(prefix + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
}

inline bool haveTools() { return !QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty(); }

} // namespace pdftest
