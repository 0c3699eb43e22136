#include "app/uScriptRunner.h"
#include "platform/UiProvider.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

namespace {

QString quoted(const QString &s)
{
    return QLatin1Char('"') + s + QLatin1Char('"');
}

void show(const QString &text)
{
    vdUiProvider().MessageBox(text, QStringLiteral("Vendari"), MB_OK);
}

QString resolveInterpreter(const QString &interpreter)
{
    if (interpreter.contains(QLatin1Char('/'))) {
        const QFileInfo fi(interpreter);
        return fi.isFile() && fi.isExecutable() ? fi.absoluteFilePath() : QString();
    }
    return QStandardPaths::findExecutable(interpreter);
}

} // namespace

QString vdScriptCommandLine(const QString &interpreter, const QString &script, const QString &input,
                            const QString &output)
{
    return quoted(interpreter) + QLatin1Char(' ') + quoted(script) + QLatin1Char(' ') + quoted(input) +
           QLatin1Char(' ') + quoted(output);
}

TScriptRunResult RunExternalScript(const QString &interpreter, const QString &script, const QString &input,
                                   const QString &output, int timeLimitMs)
{
    show(QStringLiteral("Command: ") + vdScriptCommandLine(interpreter, script, input, output));

    const QString program = resolveInterpreter(interpreter);
    if (program.isEmpty())
        throw EScriptRunError(QStringLiteral("Python interpreter not found: %1").arg(interpreter));
    if (!QFileInfo(script).isFile())
        throw EScriptRunError(QStringLiteral("Script file not found: %1").arg(QDir::toNativeSeparators(script)));
    // An output left from an earlier run must not pass for this run's result.
    if (QFileInfo::exists(output) && !QFile::remove(output))
        throw EScriptRunError(QStringLiteral("Cannot replace the old output file %1")
                                  .arg(QDir::toNativeSeparators(output)));

    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setInputChannelMode(QProcess::ForwardedInputChannel);
    process.setProgram(program);
    process.setArguments({script, input, output});

    QEventLoop loop;
    bool timedOut = false;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            loop.quit();
    });
    QObject::connect(&limit, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        process.kill();
    });

    process.start();
    if (!process.waitForStarted(10000))
        throw EScriptRunError(QStringLiteral("Cannot start %1: %2").arg(program, process.errorString()));
    if (timeLimitMs > 0)
        limit.start(timeLimitMs);
    // Events keep flowing (the window repaints) while the script runs.
    if (process.state() != QProcess::NotRunning)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    limit.stop();
    if (process.state() != QProcess::NotRunning)
        process.waitForFinished(-1);

    TScriptRunResult r;
    // Decoded once, whole, so a character split between reads stays one character.
    r.Output = QString::fromUtf8(process.readAll());
    r.TimedOut = timedOut;
    r.Crashed = !timedOut && process.exitStatus() == QProcess::CrashExit;
    r.ExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;

    if (r.TimedOut)
        show(QStringLiteral("Python Script did not end within %1 seconds and was stopped.")
                 .arg(timeLimitMs / 1000.0, 0, 'g', 3));
    else if (r.Crashed)
        show(QStringLiteral("Python Script was ended by a signal."));
    else
        show(QStringLiteral("Python Script Exit Code: %1").arg(static_cast<quint32>(r.ExitCode)));
    show(QStringLiteral("Python Script Output: ") + r.Output);
    return r;
}
