#include "svg/vdSVGEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMutex>
#include <QMutexLocker>

namespace {

struct Environment {
    QMutex mutex;
    QString locale;
    QString baseDirectory;
};

Environment &environment()
{
    static Environment env;
    return env;
}

} // namespace

QString TSVGEnvironment::LocaleName()
{
    Environment &env = environment();
    QMutexLocker lock(&env.mutex);
    QString name = env.locale.isEmpty() ? QLocale::system().name() : env.locale;
    return name.replace(u'_', u'-').toLower();
}

void TSVGEnvironment::SetLocaleName(const QString &name)
{
    Environment &env = environment();
    QMutexLocker lock(&env.mutex);
    env.locale = name;
}

QString TSVGEnvironment::BaseDirectory()
{
    Environment &env = environment();
    QMutexLocker lock(&env.mutex);
    return env.baseDirectory;
}

void TSVGEnvironment::SetBaseDirectory(const QString &dir)
{
    Environment &env = environment();
    QMutexLocker lock(&env.mutex);
    env.baseDirectory = dir;
}

QByteArray TSVGEnvironment::ReadImageFile(const QString &name)
{
    const QString base = BaseDirectory();
    if (base.isEmpty() || name.isEmpty())
        return {};
    QString local = name;
    if (local.startsWith(QLatin1String("file://")))
        local = local.mid(7);
    local.replace(u'\\', u'/');
    const QString baseCanonical = QFileInfo(base).canonicalFilePath();
    if (baseCanonical.isEmpty())
        return {};
    const QFileInfo info(QDir(baseCanonical).filePath(local));
    // Links are followed to where they point: that must lie inside too.
    const QString canonical = info.canonicalFilePath();
    if (canonical.isEmpty() || !canonical.startsWith(baseCanonical + u'/'))
        return {};
    const QFileInfo target(canonical);
    if (!target.isFile() || target.size() > MaxImageFileBytes)
        return {};
    QFile f(canonical);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.read(MaxImageFileBytes);
}
