#include "platform/IniFile.h"
#include "common/TestSupport.h"

#include <QBuffer>
#include <QFile>
#include <gtest/gtest.h>

namespace {

TEST(IniData, KeepsValuesAsWrittenAndCommentsOnRewrite)
{
    TMemIniFile ini;
    ini.SetStrings({QStringLiteral("; settings"), QStringLiteral("[Main]"), QStringLiteral("Scale=1,00"),
                    QStringLiteral("Quoted=\"a b\""), QStringLiteral("Empty="), QStringLiteral(""),
                    QStringLiteral("[Other]"), QStringLiteral(" Key = value with blanks ")});
    EXPECT_EQ(ini.ReadString("main", "SCALE", "x"), "1,00");
    EXPECT_EQ(ini.ReadString("Main", "Quoted", "x"), "\"a b\"");
    EXPECT_EQ(ini.ReadString("Main", "Empty", "x"), "");
    EXPECT_EQ(ini.ReadString("Other", "key", "x"), "value with blanks");
    EXPECT_EQ(ini.ReadString("Other", "missing", "def"), "def");
    EXPECT_DOUBLE_EQ(ini.ReadFloat("Main", "Scale", 0), 1.0);
    ini.WriteString("Main", "New", "2,50");
    ini.WriteString("Third", "A", "1");
    EXPECT_EQ(ini.GetStrings(),
              QStringList({"; settings", "[Main]", "Scale=1,00", "Quoted=\"a b\"", "Empty=", "New=2,50", "",
                           "[Other]", "Key=value with blanks", "", "[Third]", "A=1"}));
}

TEST(IniData, TypedValues)
{
    TMemIniFile ini;
    ini.WriteFloat("S", "F", 1.25);
    ini.WriteInteger("S", "I", -42);
    ini.WriteBool("S", "B", true);
    ini.WriteDateTime("S", "DT", 45000.5);
    ini.WriteDate("S", "D", 45000.75);
    ini.WriteTime("S", "T", 0.25);
    EXPECT_EQ(ini.ReadString("S", "F", ""), "1.25");
    EXPECT_EQ(ini.ReadString("S", "B", ""), "1");
    EXPECT_EQ(ini.ReadString("S", "DT", ""), "2023-03-15 12:00:00");
    EXPECT_EQ(ini.ReadInteger("S", "I", 0), -42);
    EXPECT_TRUE(ini.ReadBool("S", "B", false));
    EXPECT_DOUBLE_EQ(ini.ReadDateTime("S", "DT", 0), 45000.5);
    EXPECT_DOUBLE_EQ(ini.ReadDate("S", "D", 0), 45000);
    EXPECT_DOUBLE_EQ(ini.ReadTime("S", "T", 0), 0.25);

    struct Case { const char *text; int expected; };
    const Case ints[] = {{"12", 12}, {" 7 ", 7}, {"$FF", 255}, {"0x10", 16}, {"$FFFFFFFF", -1}, {"abc", 99}, {"", 99},
                         {"1.5", 99}};
    for (const Case &c : ints) {
        ini.WriteString("N", "V", c.text);
        EXPECT_EQ(ini.ReadInteger("N", "V", 99), c.expected) << c.text;
    }
    ini.WriteString("N", "V", "nan");
    EXPECT_DOUBLE_EQ(ini.ReadFloat("N", "V", 3.0), 3.0);
    ini.WriteString("N", "V", "garbage");
    EXPECT_DOUBLE_EQ(ini.ReadDateTime("N", "V", 7.0), 7.0);
}

TEST(IniData, StringsListsAndBinary)
{
    TMemIniFile ini;
    ini.WriteTStrings("L", {"a", "b=c", "d"});
    EXPECT_EQ(ini.ReadSection("L"), QStringList({"Items0", "Items1", "Items2", "Count"}));
    QStringList back{"x"};
    ini.ReadTStrings("L", back, false);
    EXPECT_EQ(back, QStringList({"x", "a", "b=c", "d"}));
    ini.ReadTStrings("L", back);
    EXPECT_EQ(back, QStringList({"a", "b=c", "d"}));

    ini.SetStrings({"[D]", "k=1", "j=2", "k=3"});
    EXPECT_EQ(ini.ReadSectionValuesEx("D"), QStringList({"1", "2", "3"}));

    QByteArray raw("\x00\x01\xFEz", 4);
    QBuffer in(&raw);
    in.open(QIODevice::ReadOnly);
    ini.WriteBinaryStream("B", "V", in);
    EXPECT_EQ(ini.ReadString("B", "V", ""), "0001FE7A");
    QByteArray out;
    QBuffer ob(&out);
    ob.open(QIODevice::WriteOnly);
    EXPECT_EQ(ini.ReadBinaryStream("B", "V", ob), 4);
    EXPECT_EQ(out, raw);

    ini.EraseSection("d");
    EXPECT_FALSE(ini.SectionExists("D"));
    ini.DeleteKey("B", "v");
    EXPECT_FALSE(ini.ValueExists("B", "V"));
    // A value with a line break stays one line.
    ini.WriteString("B", "multi", "a\nb");
    EXPECT_EQ(ini.ReadString("B", "multi", ""), "a b");
}

TEST(IniFile, WritesThroughAtomicallyAndReadsCurrentFile)
{
    vdtest::TempDir dir;
    const QString path = dir.file("sub/config.ini");
    TIniFile ini(path);
    ini.WriteString("Printer", "Scale", "1,00");
    ini.WriteInteger("Printer", "Density", 8);
    EXPECT_EQ(vdtest::readFile(path), QByteArray("[Printer]\nScale=1,00\nDensity=8\n"));
    // Another writer changes the file: the next read sees it.
    vdtest::writeFile(path, "\xEF\xBB\xBF[Printer]\r\nScale=2,00\r\n");
    EXPECT_EQ(ini.ReadString("Printer", "Scale", ""), "2,00");
    EXPECT_FALSE(QFile::exists(path + ".tmp"));

    TMemIniFile mem(path);
    mem.WriteString("Printer", "Scale", "3");
    EXPECT_EQ(ini.ReadString("Printer", "Scale", ""), "2,00");
    mem.UpdateFile();
    EXPECT_EQ(ini.ReadString("Printer", "Scale", ""), "3");

    QBuffer buf;
    buf.open(QIODevice::ReadWrite);
    ini.SaveIniFileToStream(buf);
    EXPECT_EQ(buf.data(), QByteArray("[Printer]\nScale=3\n"));
}

TEST(IniFile, UnwritableFileRaises)
{
    vdtest::TempDir dir;
    vdtest::writeFile(dir.file("file"), "x");
    TIniFile ini(dir.file("file/below.ini"));
    EXPECT_THROW(ini.WriteString("A", "B", "C"), EIniFileException);
    EXPECT_EQ(ini.ReadString("A", "B", "none"), "none");
}

TEST(SettingsStore, MapsKeyPathsUnderConfigFolder)
{
    vdtest::TempDir dir;
    vdSetSettingsRoot(dir.file("user"), dir.file("machine"));
    struct Case { QString path; TvdSettingsScope scope; QString file; };
    const Case cases[] = {
        {"\\Software\\Quennet\\Vendari", TvdSettingsScope::CurrentUser, dir.file("user/Software/Quennet/Vendari.ini")},
        {"\\Software\\Quennet\\Connections", TvdSettingsScope::LocalMachine,
         dir.file("machine/Software/Quennet/Connections.ini")},
        {"\\Software\\..\\..\\x", TvdSettingsScope::CurrentUser, dir.file("user/Software/x.ini")},
        {"/tmp/report.ini", TvdSettingsScope::CurrentUser, "/tmp/report.ini"},
        {"\\software\\lower", TvdSettingsScope::CurrentUser, "/software/lower"},
        {"C:\\data\\r.ini", TvdSettingsScope::CurrentUser, "C:/data/r.ini"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(vdSettingsFileName(c.path, c.scope), c.file) << c.path.toStdString();

    {
        auto store = vdCreateSettingsStore("\\Software\\Quennet\\Vendari");
        store->WriteInteger("Form5.TvdxProgress", "Left", 10);
    }
    auto again = vdCreateSettingsStore("\\Software\\Quennet\\Vendari");
    EXPECT_EQ(again->ReadInteger("form5.tvdxprogress", "left", 0), 10);
    vdSetSettingsRoot(QString());
}

} // namespace
