// Saves that fail: a small disk of its own (tmpfs, mounted when the tests
// run as root) and a check that runs one save path through every injected
// write fault. Header-only so that each suite uses it with the platform
// library it links anyway.
#pragma once
#include "platform/AtomicFile.h"
#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QString>
#include <functional>
#include <exception>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace vdtest {

// A tmpfs of `kilobytes` in a fresh folder, unmounted when the object goes.
class SmallDisk {
public:
    explicit SmallDisk(int kilobytes = 64) : m_options(QStringLiteral("size=%1k").arg(kilobytes).toLatin1())
    {
        if (geteuid() != 0) {
            m_skip = QStringLiteral("mounting a small tmpfs needs root");
            return;
        }
        if (::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", 0, m_options.constData()) != 0) {
            m_skip = QStringLiteral("cannot mount a tmpfs here: %1").arg(qt_error_string(errno));
            return;
        }
        m_mounted = true;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;

    bool mounted() const { return m_mounted; }
    const QString &skipReason() const { return m_skip; }
    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return m_dir.file(name); }

    qint64 freeBytes() const
    {
        struct statvfs st {};
        if (::statvfs(QFile::encodeName(path()).constData(), &st) != 0)
            return -1;
        return qint64(st.f_bavail) * qint64(st.f_frsize);
    }
    // Fills the disk with a ballast file until about `bytes` stay free.
    bool leaveFree(qint64 bytes)
    {
        const qint64 fill = freeBytes() - bytes;
        if (fill <= 0)
            return freeBytes() >= 0;
        QFile f(file(QStringLiteral("ballast")));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
            return false;
        const bool ok = f.write(QByteArray(fill, 'b')) == fill && f.flush();
        f.close();
        return ok;
    }
    bool setReadOnly(bool readOnly)
    {
        const unsigned long flags = MS_REMOUNT | (readOnly ? MS_RDONLY : 0);
        return ::mount("tmpfs", QFile::encodeName(path()).constData(), "tmpfs", flags, m_options.constData()) == 0;
    }

private:
    TempDir m_dir;
    QByteArray m_options;
    QString m_skip;
    bool m_mounted = false;
};

// Files of a folder, for "no temporary file left behind".
inline QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// What a failed save must leave: an error and the old bytes, nothing else.
inline void expectSaveFails(const std::function<void(const QString &)> &save, const QString &path,
                            const QByteArray &old, const QString &what)
{
    const QStringList before = filesIn(QFileInfo(path).absolutePath());
    bool raised = false;
    try {
        save(path);
    } catch (const std::exception &e) {
        raised = true;
        EXPECT_STRNE(e.what(), "") << what.toStdString();
    }
    EXPECT_TRUE(raised) << what.toStdString() << ": the failed save passed for done";
    EXPECT_EQ(readFile(path), old) << what.toStdString() << ": the old file changed";
    EXPECT_EQ(filesIn(QFileInfo(path).absolutePath()), before) << what.toStdString() << ": files left behind";
}

// Runs `save` (which writes the caller's contents to the path it is given)
// through each injected fault: a disk that fills before the first byte, after
// one byte, half-way and one byte short, and a rename that fails. Then a
// save without faults must go through and give what a fresh save gives.
enum class SavedAs {
    Same,     // the bytes of a fresh save
    Merged,   // ends with them: the save keeps what the old file held (INI files)
    Replaced, // something else than the old file (contents with a time stamp)
};
inline void expectFaultsKeepOldFile(const std::function<void(const QString &)> &save,
                                    const QString &fileName = QStringLiteral("target.dat"),
                                    SavedAs savedAs = SavedAs::Same)
{
    TempDir tmp;
    // The same name in another folder, for contents that mention their file's name.
    ASSERT_TRUE(QDir(tmp.path()).mkdir(QStringLiteral("reference")));
    const QString reference = tmp.file(QStringLiteral("reference/") + fileName);
    save(reference);
    const QByteArray full = readFile(reference);
    ASSERT_FALSE(full.isEmpty());

    const QString path = tmp.file(fileName);
    const QByteArray old("old contents that must survive\n");
    ASSERT_TRUE(writeFile(path, old));

    const qint64 n = full.size();
    // Contents that change from save to save may be a byte shorter next time:
    // one byte short is tried only where the size is fixed.
    const qint64 oneShort = savedAs == SavedAs::Replaced ? n / 2 : n - 1;
    for (const qint64 budget : {qint64(0), qint64(1), n / 2, oneShort}) {
        TvdWriteFault fault;
        fault.bytesLeft = budget;
        TvdScopedWriteFault scope(fault);
        expectSaveFails(save, path, old, QStringLiteral("disk full after %1 of %2 bytes").arg(budget).arg(n));
    }
    {
        TvdWriteFault fault;
        fault.failCommit = true;
        TvdScopedWriteFault scope(fault);
        expectSaveFails(save, path, old, QStringLiteral("rename refused"));
    }
    save(path);
    const QByteArray now = readFile(path);
    switch (savedAs) {
    case SavedAs::Same: EXPECT_EQ(now, full); break;
    case SavedAs::Merged: EXPECT_TRUE(now.endsWith(full)); break;
    case SavedAs::Replaced: EXPECT_TRUE(!now.isEmpty() && now != old); break;
    }
}

// The same save on a real small disk: about 8 KB free while the contents are
// bigger, then a read-only disk. `save` must write more than 8 KB.
inline void expectFullDiskKeepsOldFile(const std::function<void(const QString &)> &save,
                                       const QString &fileName = QStringLiteral("target.dat"))
{
    SmallDisk disk;
    if (!disk.mounted())
        GTEST_SKIP() << disk.skipReason().toStdString();
    {
        TempDir tmp;
        save(tmp.file(fileName));
        ASSERT_GT(readFile(tmp.file(fileName)).size(), 12 * 1024) << "the contents fit the disk: make them bigger";
    }
    const QString path = disk.file(fileName);
    const QByteArray old("small old file\n");
    ASSERT_TRUE(writeFile(path, old));
    ASSERT_TRUE(disk.leaveFree(8 * 1024));
    expectSaveFails(save, path, old, QStringLiteral("real full disk"));
    ASSERT_TRUE(disk.setReadOnly(true));
    expectSaveFails(save, path, old, QStringLiteral("read-only disk"));
    ASSERT_TRUE(disk.setReadOnly(false));
}

// A folder that vanishes between writing and the rename: an error, and no
// file appears anywhere else.
inline void expectVanishingFolderFails(const std::function<void(const QString &)> &save,
                                       const QString &fileName = QStringLiteral("target.dat"))
{
    TempDir tmp;
    const QString folder = tmp.file(QStringLiteral("gone"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + u'/' + fileName;
    ASSERT_TRUE(writeFile(path, "old"));
    TvdWriteFault fault;
    fault.beforeCommit = [folder] { QDir(folder).removeRecursively(); };
    TvdScopedWriteFault scope(fault);
    bool raised = false;
    try {
        save(path);
    } catch (const std::exception &) {
        raised = true;
    }
    EXPECT_TRUE(raised) << "a save into a vanished folder passed for done";
    EXPECT_FALSE(QFileInfo::exists(folder));
}

} // namespace vdtest
