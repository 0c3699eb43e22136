#include "TestSupport.h"
#include <QDir>
#include <QFile>

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

} // namespace vdtest
