#include "app/uDemoSettings.h"
#include "platform/IniFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>
#include <memory>

namespace {

const QString kSection = QStringLiteral("Settings");

// Why a file cannot be a settings file, or empty.
QString rejectReason(const QString &path, QByteArray *bytes)
{
    QFile f(path);
    if (!f.exists())
        return QString();
    if (QFileInfo(path).isDir())
        return QStringLiteral("%1 is a folder").arg(QDir::toNativeSeparators(path));
    if (f.size() > kMaxSettingsFileSize)
        return QStringLiteral("%1 is too large for a settings file (%2 bytes)")
            .arg(QDir::toNativeSeparators(path)).arg(f.size());
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("%1 cannot be read: %2").arg(QDir::toNativeSeparators(path), f.errorString());
    const QByteArray all = f.read(kMaxSettingsFileSize + 1);
    if (all.size() > kMaxSettingsFileSize)
        return QStringLiteral("%1 is too large for a settings file").arg(QDir::toNativeSeparators(path));
    if (all.contains('\0'))
        return QStringLiteral("%1 is not a text file").arg(QDir::toNativeSeparators(path));
    if (bytes)
        *bytes = all;
    return QString();
}

QString decode(QByteArray bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = QString::fromLatin1(bytes);
    return text;
}

QString readText(const TMemIniFile &ini, const QString &key, const QString &def)
{
    return ini.ReadString(kSection, key, def).left(kMaxSettingText);
}

std::unique_ptr<TMemIniFile> loadIni(const QString &path, QString *problem)
{
    auto ini = std::make_unique<TMemIniFile>();
    QByteArray bytes;
    const QString why = rejectReason(path, &bytes);
    if (problem)
        *problem = why;
    if (why.isEmpty())
        ini->SetIniText(decode(bytes));
    return ini;
}

QString exeFolder()
{
    const QString dir = QCoreApplication::applicationDirPath();
    return dir.isEmpty() ? QDir::currentPath() : dir;
}

} // namespace

QStringList vdZplDensityItems()
{
    return {QStringLiteral("6 dpmm(152 dpi)"), QStringLiteral("8 dpmm(203 dpi)"),
            QStringLiteral("12 dpmm(300 dpi)"), QStringLiteral("24 dpmm(600 dpi)")};
}

QString vdDemoConfigPath(const QString &folder)
{
    const QString exe = folder.isEmpty() ? exeFolder() : folder;
    const QString beside = exe + QStringLiteral("/config.ini");
    const QFileInfo file(beside);
    const QFileInfo exeDir(exe);
    if (file.exists() ? file.isWritable() : exeDir.isDir() && exeDir.isWritable())
        return beside;
    QString dir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (dir.isEmpty())
        dir = QDir::homePath() + QStringLiteral("/.config/vendari");
    return dir + QStringLiteral("/config.ini");
}

TZplSettingsLoad vdLoadZplSettings(const QString &path)
{
    TZplSettingsLoad r;
    const auto holder = loadIni(path, &r.Problem);
    const TMemIniFile &ini = *holder;
    TZplPrinterSettings &s = r.Settings;
    const TZplPrinterSettings def;
    s.Density = ini.ReadInteger(kSection, QStringLiteral("Density"), def.Density);
    s.PrinterInit = readText(ini, QStringLiteral("PrinterInit"), def.PrinterInit);
    s.CodePage = readText(ini, QStringLiteral("CodePage"), def.CodePage);
    s.PrinterFinish = readText(ini, QStringLiteral("PrinterFinish"), def.PrinterFinish);
    s.PageInit = readText(ini, QStringLiteral("PageInit"), def.PageInit);
    s.FontScale = readText(ini, QStringLiteral("FontScale"), def.FontScale);
    s.Font = readText(ini, QStringLiteral("Font"), def.Font);
    s.PrintAB = ini.ReadInteger(kSection, QStringLiteral("PrintAB"), 1) != 0;
    return r;
}

void vdSaveZplSettings(const QString &path, const TZplPrinterSettings &s)
{
    if (!rejectReason(path, nullptr).isEmpty() && !QFileInfo(path).isDir()) {
        // Keep what the user had before the file is rewritten as settings.
        const QString backup = path + QStringLiteral(".bak");
        QFile::remove(backup);
        if (!QFile::rename(path, backup))
            throw EIniFileException(QStringLiteral("Unable to write to %1").arg(QDir::toNativeSeparators(path)));
    }
    TIniFile ini(path);
    ini.WriteInteger(kSection, QStringLiteral("Density"), s.Density);
    ini.WriteString(kSection, QStringLiteral("PrinterInit"), s.PrinterInit);
    ini.WriteString(kSection, QStringLiteral("CodePage"), s.CodePage);
    ini.WriteString(kSection, QStringLiteral("PrinterFinish"), s.PrinterFinish);
    ini.WriteString(kSection, QStringLiteral("PageInit"), s.PageInit);
    ini.WriteString(kSection, QStringLiteral("FontScale"), s.FontScale);
    ini.WriteString(kSection, QStringLiteral("Font"), s.Font);
    ini.WriteString(kSection, QStringLiteral("PrintAB"), s.PrintAB ? QStringLiteral("1") : QStringLiteral("0"));
}

TDemoRemoteSettings vdLoadRemoteSettings(const QString &path)
{
    const auto holder = loadIni(path, nullptr);
    const TMemIniFile &ini = *holder;
    const QString sec = QStringLiteral("Remote");
    TDemoRemoteSettings r;
    r.Server = ini.ReadString(sec, QStringLiteral("Server"), QString());
    r.Port = ini.ReadInteger(sec, QStringLiteral("Port"), r.Port);
    r.Database = ini.ReadString(sec, QStringLiteral("Database"), QString());
    r.User = ini.ReadString(sec, QStringLiteral("User"), QString());
    r.Password = ini.ReadString(sec, QStringLiteral("Password"), QString());
    r.Table = ini.ReadString(sec, QStringLiteral("Table"), QString());
    return r;
}

TDemoScriptSettings vdLoadScriptSettings(const QString &path)
{
    const auto holder = loadIni(path, nullptr);
    const TMemIniFile &ini = *holder;
    const QString sec = QStringLiteral("Scripts");
    const QString folder = exeFolder();
    QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (docs.isEmpty())
        docs = QDir::homePath();
    TDemoScriptSettings r;
    r.Interpreter = ini.ReadString(sec, QStringLiteral("Interpreter"), r.Interpreter);
    r.FirstScript = ini.ReadString(sec, QStringLiteral("FirstScript"), folder + QStringLiteral("/FileCheck.py"));
    r.SecondScript = ini.ReadString(sec, QStringLiteral("SecondScript"), folder + QStringLiteral("/FileCheck2.py"));
    r.ReportPDF = ini.ReadString(sec, QStringLiteral("ReportPDF"), docs + QStringLiteral("/Report.pdf"));
    r.TimeLimitSeconds = qMax(0, ini.ReadInteger(sec, QStringLiteral("TimeLimit"), r.TimeLimitSeconds));
    return r;
}
