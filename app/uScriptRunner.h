// Runs the external post-processing script: interpreter, script, input PDF,
// output PDF. The window stays responsive while it runs, and a time limit
// ends a script that hangs.
#pragma once
#include "platform/Exception.h"
#include <QString>

VD_DECLARE_EXCEPTION(EScriptRunError, Exception)

struct TScriptRunResult {
    int ExitCode = -1;
    bool Crashed = false;    // ended by a signal
    bool TimedOut = false;   // ended by the time limit
    QString Output;          // standard output and error, interleaved as written
    // The script ended normally with code 0 (the output file is checked by the caller).
    bool Succeeded() const { return !Crashed && !TimedOut && ExitCode == 0; }
};

// Each argument in double quotes, one blank between them.
QString vdScriptCommandLine(const QString &interpreter, const QString &script, const QString &input,
                            const QString &output);

// Shows "Command: " with the command line, deletes a stale output file, runs
// the script and shows its exit code and its whole output. Throws
// EScriptRunError when the interpreter or the script is missing, the stale
// output cannot be removed or the process does not start. timeLimitMs <= 0
// means no limit.
TScriptRunResult RunExternalScript(const QString &interpreter, const QString &script, const QString &input,
                                   const QString &output, int timeLimitMs = 0);
