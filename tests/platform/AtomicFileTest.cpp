#include "platform/AtomicFile.h"
#include "platform/IniFile.h"
#include "tests/common/SaveFaults.h"
#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

QByteArray bigText()
{
    QByteArray out;
    for (int i = 0; out.size() < 20000; ++i)
        out += "line " + QByteArray::number(i) + " of a file that does not fit\n";
    return out;
}

void saveBytes(const QString &path, const QByteArray &bytes)
{
    const TvdSaveResult r = vdAtomicSave(path, [&](QIODevice &f) { f.write(bytes); });
    if (!r.ok())
        throw std::runtime_error(r.reason.toStdString());
}

TEST(AtomicFile, ShortWriteIsReportedAndFailsTheCommit)
{
    vdtest::TempDir tmp;
    const QString path = tmp.file("a.txt");
    ASSERT_TRUE(vdtest::writeFile(path, "old"));
    TvdWriteFault fault;
    fault.bytesLeft = 3;
    TvdScopedWriteFault scope(fault);
    TvdAtomicFile f(path);
    ASSERT_TRUE(f.open());
    EXPECT_EQ(f.write("abcdef"), 3); // the part that fitted
    EXPECT_EQ(f.write("gh"), -1);     // nothing more after a failure
    EXPECT_FALSE(f.commit());
    EXPECT_EQ(f.failureText(), qt_error_string(ENOSPC));
    EXPECT_EQ(vdtest::readFile(path), QByteArray("old"));
    EXPECT_EQ(vdtest::filesIn(tmp.path()), QStringList{QStringLiteral("a.txt")});
}

TEST(AtomicFile, DiscardAndDestructionLeaveTheOldFile)
{
    vdtest::TempDir tmp;
    const QString path = tmp.file("a.txt");
    ASSERT_TRUE(vdtest::writeFile(path, "old"));
    {
        TvdAtomicFile f(path);
        ASSERT_TRUE(f.open());
        f.write("new");
        f.discard();
        EXPECT_FALSE(f.isPending());
    }
    {
        TvdAtomicFile f(path);
        ASSERT_TRUE(f.open());
        f.write("new");
    }
    EXPECT_EQ(vdtest::readFile(path), QByteArray("old"));
    EXPECT_EQ(vdtest::filesIn(tmp.path()), QStringList{QStringLiteral("a.txt")});
}

TEST(AtomicFile, ExceptionFromTheWriterDiscardsAndPassesOn)
{
    vdtest::TempDir tmp;
    const QString path = tmp.file("a.txt");
    ASSERT_TRUE(vdtest::writeFile(path, "old"));
    EXPECT_THROW(vdAtomicSave(path,
                              [](QIODevice &f) {
                                  f.write("half");
                                  throw std::runtime_error("writer failed");
                              }),
                 std::runtime_error);
    EXPECT_EQ(vdtest::readFile(path), QByteArray("old"));
    EXPECT_EQ(vdtest::filesIn(tmp.path()), QStringList{QStringLiteral("a.txt")});
}

TEST(AtomicFile, MissingFolderIsNotCreated)
{
    vdtest::TempDir tmp;
    const TvdSaveResult r = vdAtomicSave(tmp.file("no/such/a.txt"), [](QIODevice &f) { f.write("x"); });
    EXPECT_EQ(r.stage, TvdSaveResult::NotCreated);
    EXPECT_FALSE(r.reason.isEmpty());
}

TEST(AtomicFile, EveryFaultKeepsTheOldFile)
{
    const QByteArray text = bigText();
    vdtest::expectFaultsKeepOldFile([&](const QString &p) { saveBytes(p, text); });
    vdtest::expectVanishingFolderFails([&](const QString &p) { saveBytes(p, text); });
}

TEST(AtomicFile, RealFullDisk)
{
    const QByteArray text = bigText();
    vdtest::expectFullDiskKeepsOldFile([&](const QString &p) { saveBytes(p, text); });
}

// The disk that refuses a big save still takes one that fits.
TEST(AtomicFile, NearlyFullDiskTakesAFileThatFits)
{
    vdtest::SmallDisk disk;
    if (!disk.mounted())
        GTEST_SKIP() << disk.skipReason().toStdString();
    ASSERT_TRUE(disk.leaveFree(8 * 1024));
    saveBytes(disk.file("fits.txt"), "a small file fits");
    EXPECT_EQ(vdtest::readFile(disk.file("fits.txt")), QByteArray("a small file fits"));
}

// ------------------------------------------------------------------ INI files

void saveIni(const QString &path)
{
    TMemIniFile ini(path);
    for (int i = 0; i < 600; ++i)
        ini.WriteString(QStringLiteral("Section"), QStringLiteral("Key%1").arg(i), QStringLiteral("a value of line %1").arg(i));
    ini.UpdateFile();
}

TEST(IniFileSave, FaultsKeepTheOldFileAndNameIt)
{
    vdtest::expectFaultsKeepOldFile(saveIni, QStringLiteral("config.ini"), vdtest::SavedAs::Merged);
    vdtest::expectVanishingFolderFails(saveIni, QStringLiteral("config.ini"));
    vdtest::expectFullDiskKeepsOldFile(saveIni, QStringLiteral("config.ini"));

    vdtest::TempDir tmp;
    TvdWriteFault fault;
    fault.bytesLeft = 10;
    TvdScopedWriteFault scope(fault);
    try {
        saveIni(tmp.file("x.ini"));
        ADD_FAILURE() << "no error";
    } catch (const EIniFileException &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Unable to write to %1").arg(tmp.file("x.ini")));
    }
}

} // namespace
