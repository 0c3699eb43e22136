#include "app/uDemoSettings.h"
#include "common/TestSupport.h"
#include "platform/IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

QString iniWith(const QString &lines)
{
    return QStringLiteral("[Settings]\n") + lines + QLatin1Char('\n');
}

TZplPrinterSettings loadText(const vdtest::TempDir &dir, const QString &text)
{
    const QString path = dir.file(QStringLiteral("config.ini"));
    EXPECT_TRUE(vdtest::writeFile(path, text.toUtf8()));
    return vdLoadZplSettings(path).Settings;
}

} // namespace

TEST(DemoSettings, MissingFileGivesTheDefaults)
{
    vdtest::TempDir dir;
    const TZplSettingsLoad r = vdLoadZplSettings(dir.file(QStringLiteral("config.ini")));
    EXPECT_TRUE(r.Problem.isEmpty());
    EXPECT_EQ(r.Settings.Density, 1);
    EXPECT_EQ(r.Settings.CodePage, QStringLiteral("^PW464^LS0"));
    EXPECT_EQ(r.Settings.Font, QStringLiteral("U"));
    EXPECT_EQ(r.Settings.FontScale, QStringLiteral("1,00"));
    EXPECT_TRUE(r.Settings.PrintAB);
    EXPECT_TRUE(r.Settings.PrinterInit.isEmpty());
    EXPECT_TRUE(r.Settings.PrinterFinish.isEmpty());
    EXPECT_TRUE(r.Settings.PageInit.isEmpty());
}

TEST(DemoSettings, SaveWritesTheEightKeysInOrderAndReadsBack)
{
    vdtest::TempDir dir;
    const QString path = dir.file(QStringLiteral("config.ini"));
    TZplPrinterSettings s;
    s.Density = 3;
    s.PrinterInit = QStringLiteral("~JA");
    s.PrinterFinish = QStringLiteral("^XA^IDR:*.*^XZ");
    s.PageInit = QStringLiteral("^LH0,0");
    s.FontScale = QStringLiteral("1,25");
    s.PrintAB = false;
    vdSaveZplSettings(path, s);
    const QStringList lines = QString::fromUtf8(vdtest::readFile(path)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const QStringList expected = {
        QStringLiteral("[Settings]"),         QStringLiteral("Density=3"),
        QStringLiteral("PrinterInit=~JA"),    QStringLiteral("CodePage=^PW464^LS0"),
        QStringLiteral("PrinterFinish=^XA^IDR:*.*^XZ"), QStringLiteral("PageInit=^LH0,0"),
        QStringLiteral("FontScale=1,25"),     QStringLiteral("Font=U"),
        QStringLiteral("PrintAB=0")};
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(vdLoadZplSettings(path).Settings, s);
}

TEST(DemoSettings, ValuesAsTheyAreRead)
{
    struct Case {
        const char *lines;
        int density;
        bool printAB;
    };
    const Case cases[] = {
        {"Density=0x2", 2, true},   {"Density=0X3", 3, true},  {"Density=abc", 1, true},
        {"Density=0x", 1, true},    {"Density=7", 7, true},    {"Density=", 1, true},
        {"PrintAB=0", 1, false},    {"PrintAB=yes", 1, true},  {"PrintAB=2", 1, true},
        {"PrintAB=0x0", 1, false},
    };
    vdtest::TempDir dir;
    for (const Case &c : cases) {
        const TZplPrinterSettings s = loadText(dir, iniWith(QString::fromUtf8(c.lines)));
        EXPECT_EQ(s.Density, c.density) << c.lines;
        EXPECT_EQ(s.PrintAB, c.printAB) << c.lines;
    }
}

TEST(DemoSettings, TextsAreCutAt2047Characters)
{
    vdtest::TempDir dir;
    const QString longText(3000, QLatin1Char('x'));
    const TZplPrinterSettings s = loadText(dir, iniWith(QStringLiteral("PageInit=") + longText));
    EXPECT_EQ(s.PageInit.size(), 2047);
}

TEST(DemoSettings, UnwritablePlaceRaisesUnableToWrite)
{
    vdtest::TempDir dir;
    // A file where a folder should be: no user, not even root, can write below it.
    const QString blocker = dir.file(QStringLiteral("blocker"));
    ASSERT_TRUE(vdtest::writeFile(blocker, "x"));
    const QString path = blocker + QStringLiteral("/config.ini");
    try {
        vdSaveZplSettings(path, TZplPrinterSettings());
        FAIL() << "no exception";
    } catch (const EIniFileException &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Unable to write to %1").arg(path));
    }
}

TEST(DemoSettings, BinaryOrHugeFileIsNamedAndKept)
{
    vdtest::TempDir dir;
    const QString path = dir.file(QStringLiteral("config.ini"));
    static const char kBinary[] = "[Settings]\nDensity=2\n\0\x01\x02\xff";
    const QByteArray binary(kBinary, sizeof kBinary - 1);
    QByteArray huge(kMaxSettingsFileSize + 10, 'a');
    for (const QByteArray &bytes : {binary, huge}) {
        ASSERT_TRUE(vdtest::writeFile(path, bytes));
        const TZplSettingsLoad r = vdLoadZplSettings(path);
        EXPECT_FALSE(r.Problem.isEmpty());
        EXPECT_TRUE(r.Problem.contains(path)) << r.Problem.toStdString();
        EXPECT_EQ(r.Settings, TZplPrinterSettings());
        // The first save keeps the old bytes aside.
        vdSaveZplSettings(path, r.Settings);
        EXPECT_EQ(vdtest::readFile(path + QStringLiteral(".bak")), bytes);
        EXPECT_TRUE(vdLoadZplSettings(path).Problem.isEmpty());
    }
}

TEST(DemoSettings, OtherSectionsAreKeptWhenSaving)
{
    vdtest::TempDir dir;
    const QString path = dir.file(QStringLiteral("config.ini"));
    ASSERT_TRUE(vdtest::writeFile(path, "[Remote]\nServer=db.example\nPassword=s3cret\n"));
    vdSaveZplSettings(path, TZplPrinterSettings());
    const TDemoRemoteSettings remote = vdLoadRemoteSettings(path);
    EXPECT_EQ(remote.Server, QStringLiteral("db.example"));
    EXPECT_EQ(remote.Password, QStringLiteral("s3cret"));
}

TEST(DemoSettings, ConfigFileBesideTheExecutableElseUnderXdgConfigHome)
{
    vdtest::TempDir dir;
    EXPECT_EQ(vdDemoConfigPath(dir.path()), dir.file(QStringLiteral("config.ini")));
    const QByteArray old = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", dir.file(QStringLiteral("xdg")).toUtf8());
    const QString missing = dir.file(QStringLiteral("no-such-folder"));
    const QString path = vdDemoConfigPath(missing);
    if (old.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", old);
    EXPECT_TRUE(path.startsWith(dir.file(QStringLiteral("xdg/")))) << path.toStdString();
    EXPECT_TRUE(path.endsWith(QStringLiteral("/config.ini")));
}
