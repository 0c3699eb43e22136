// Runs a PDF checker (qpdf, poppler's tools) and keeps what it printed.
#pragma once
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

namespace pdftest {

struct ToolResult {
    bool ran = false;   // false when the tool is missing or did not finish
    int exitCode = -1;  // -2 when it crashed
    QString output;     // standard output and error, as printed
};

inline ToolResult runTool(const QString &tool, const QStringList &args)
{
    ToolResult r;
    if (QStandardPaths::findExecutable(tool).isEmpty())
        return r;
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(tool, args);
    if (!p.waitForFinished(60000))
        return r;
    r.ran = true;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.output = QString::fromUtf8(p.readAll());
    return r;
}

} // namespace pdftest
