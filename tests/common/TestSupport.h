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

// Feeds an SQL script to the sqlite3 shell on a database file (made when
// missing): fixtures are built by the real tool, not by the code under test.
bool runSqlite(const QString &file, const QByteArray &script);

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
