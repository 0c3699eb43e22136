// Small helpers shared by the test executables.
#pragma once
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace vdtest {

// Folder of checked-in test fixtures (tests/data).
QString dataPath(const QString &relative);

// Whole-file helpers for fixtures and outputs.
QByteArray readFile(const QString &path);
bool writeFile(const QString &path, const QByteArray &bytes);

// A fresh temporary folder, removed when the object goes.
class TempDir {
public:
    TempDir();
    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return m_dir.filePath(name); }
private:
    QTemporaryDir m_dir;
};

} // namespace vdtest
