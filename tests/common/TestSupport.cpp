#include "TestSupport.h"
#include <QDir>
#include <QFile>
#include <QProcess>

namespace vdtest {

QString dataPath(const QString &relative)
{
    return QDir(QStringLiteral(VD_TEST_DATA_DIR)).filePath(relative);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes) == bytes.size();
}

TempDir::TempDir() : m_dir(QDir::tempPath() + QStringLiteral("/vdtest-XXXXXX")) {}

bool runSqlite(const QString &file, const QByteArray &script)
{
    QProcess p;
    p.start(QStringLiteral("sqlite3"), {file});
    if (!p.waitForStarted(5000))
        return false;
    p.write(script);
    p.closeWriteChannel();
    return p.waitForFinished(10000) && p.exitCode() == 0;
}

} // namespace vdtest
