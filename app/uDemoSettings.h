// The demo's config.ini: the ZPL printer settings of the main window (section
// "Settings", read and written), and the read-only sections that configure
// the remote database and the post-processing scripts.
#pragma once
#include "platform/Exception.h"
#include <QString>

VD_DECLARE_EXCEPTION(EDemoSettingsError, Exception)

// Values of the "Zebra Printer Setting" group, as the controls hold them.
struct TZplPrinterSettings {
    int Density = 1;                     // item index of the density box (not range-checked)
    QString PrinterInit;
    QString CodePage = QStringLiteral("^PW464^LS0");
    QString PrinterFinish;
    QString PageInit;
    QString FontScale = QStringLiteral("1,00"); // kept as typed; parsed only when printing
    QString Font = QStringLiteral("U");
    bool PrintAB = true;

    bool operator==(const TZplPrinterSettings &) const = default;
};

// Outcome of reading the file: the values (defaults where the file has
// none) and, when the file could not be used as a settings file, why.
struct TZplSettingsLoad {
    TZplPrinterSettings Settings;
    QString Problem;      // empty when the file was read or is missing
};

// Longest text a setting keeps when read.
constexpr int kMaxSettingText = 2047;
// A file beyond this size is no settings file; it is not read.
constexpr qint64 kMaxSettingsFileSize = 1024 * 1024;

// The file beside the executable; under $XDG_CONFIG_HOME (the application's
// config folder) when the executable's folder cannot be written.
// exeFolder: the executable's folder (empty: the running one).
QString vdDemoConfigPath(const QString &exeFolder = QString());
// Reads the eight keys. Never throws: a binary or huge file gives the
// defaults and a Problem text.
TZplSettingsLoad vdLoadZplSettings(const QString &path);
// Writes the eight keys in order, each straight to the file. Throws
// EIniFileException ("Unable to write to %s") on the first refused write;
// later keys are not written. A file that loading rejected is kept under
// "<name>.bak" before the first write, so nothing of it is lost.
void vdSaveZplSettings(const QString &path, const TZplPrinterSettings &settings);

// Section "Remote": the remote database (never written by the program).
struct TDemoRemoteSettings {
    QString Server;      // host name; empty: no remote database configured
    int Port = 5432;
    QString Database;
    QString User;
    QString Password;
    QString Table;       // table whose COD column data sets 4 and 5 read
    bool Configured() const { return !Server.isEmpty() && !Table.isEmpty(); }
};
TDemoRemoteSettings vdLoadRemoteSettings(const QString &path);

// Section "Scripts": the external post-processing runs (never written).
struct TDemoScriptSettings {
    QString Interpreter = QStringLiteral("python3");   // looked up in PATH when not a path
    QString FirstScript;   // "Export"
    QString SecondScript;  // "Select PDF" and "Export - Print"
    QString ReportPDF;     // output of "Export - Print"
    int TimeLimitSeconds = 120; // a script running longer is ended; 0: no limit
};
// Folder-relative defaults: scripts beside the executable, the report PDF in
// the user's documents folder.
TDemoScriptSettings vdLoadScriptSettings(const QString &path);

// The ZPL density box's item texts, in TZplDensity order.
QStringList vdZplDensityItems();
