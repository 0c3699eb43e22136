// The demo's config.ini is whatever lies beside the program. Any bytes load
// to settings or to a named problem, never a crash; settings that loaded
// save and load back unchanged.
#include "app/uDemoSettings.h"
#include "platform/IniFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    if (!dir.isValid())
        return 0;
    const QString path = dir.filePath(QStringLiteral("config.ini"));
    QFile::remove(path + QStringLiteral(".bak"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    const TZplSettingsLoad first = vdLoadZplSettings(path);
    try {
        vdSaveZplSettings(path, first.Settings);
    } catch (const EIniFileException &) {
        return 0;
    }
    const TZplSettingsLoad again = vdLoadZplSettings(path);
    if (!again.Problem.isEmpty() || !(again.Settings == first.Settings))
        std::abort();
    vdLoadRemoteSettings(path);
    vdLoadScriptSettings(path);
    return 0;
}
