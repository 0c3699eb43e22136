// Templates through the whole library: loaded, prepared over SQLite data,
// driven through the export loop into the ZPL filter, from the library and
// from the vd-zpl command line.
#include "ZplReportUtil.h"
#include "ZplTestUtil.h"

#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <QProcess>

using namespace zpltest;

namespace {

const QByteArray kHello =
    "\r\n^XA^CI28\r\n\r\n^FO21,42^FB211,2,0,L,0\r\n^FWN\r\n^AA,20,10\r\n^FDHello^FS\r\n^XZ\r\n";

QString helloTemplate() { return vdtest::dataPath(QStringLiteral("zpl/hello.vd3")); }

TEST(ZplTemplate, HelloLabelThroughTheExportLoop)
{
    EXPECT_EQ(exportTemplate(helloTemplate(), nullptr, [](TvdxZPLExport &f) { f.SetPrintAsBitmap(false); }), kHello);
}

TEST(ZplTemplate, OneLabelPerRow)
{
    vdtest::TempDir tmp;
    const QString db = tmp.file(QStringLiteral("labels.db"));
    ASSERT_EQ(makeDatabase(db, {"CREATE TABLE labels (Caption TEXT, Code TEXT, Ean TEXT, Url TEXT)",
                                "INSERT INTO labels VALUES ('First', 'A-1', '4006381333931', 'u1')",
                                "INSERT INTO labels VALUES ('Second ^XZ', 'B-2', '5901234123457', 'u2')",
                                "INSERT INTO labels VALUES ('Third', 'C-3', '9780201379624', 'u3')"}),
              QString());
    TableDataSets data(db, {QStringLiteral("labels")});
    const QByteArray zpl = exportTemplate(vdtest::dataPath(QStringLiteral("zpl/labels.vd3")), &data,
                                          [](TvdxZPLExport &f) { f.SetPrintAsBitmap(false); });
    ASSERT_FALSE(zpl.startsWith("<error")) << zpl.constData();
    EXPECT_EQ(zpl.count("^XA^CI28"), 3);
    EXPECT_EQ(zpl.count("^XZ"), 3);
    // Each row's values in its own label, in row order; data never ends a field.
    const qsizetype first = zpl.indexOf("^FDFirst^FS"), second = zpl.indexOf("^FH^FDSecond _5EXZ^FS"),
                    third = zpl.indexOf("^FDThird^FS");
    EXPECT_GT(first, 0) << zpl.constData();
    EXPECT_GT(second, first) << zpl.constData();
    EXPECT_GT(third, second) << zpl.constData();
    EXPECT_TRUE(zpl.contains("^BC,,Y,N,N\r\n^FDB-2^FS\r\n")) << zpl.constData();
    EXPECT_TRUE(zpl.contains("^FDMA,u3^FS")) << zpl.constData();
}

// ---- the command line -------------------------------------------------------------

#ifdef VD_ZPL_TOOL
TEST(ZplTool, WritesTheHelloLabelByteForByte)
{
    vdtest::TempDir tmp;
    const ToolRun r = runTool({QStringLiteral("--vector"), helloTemplate(), QStringLiteral("-o"), tmp.file("out.zpl")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(vdtest::readFile(tmp.file("out.zpl")), kHello);
}

TEST(ZplTool, DensityAndMode)
{
    struct Case {
        QStringList args;
        const char *contains;
    };
    const Case cases[] = {
        {{"--vector", "--density", "test1to1"}, "^FO10,20^FB100,2,0,L,0\r\n^FWN\r\n^AA,9,4\r\n"},
        {{"--vector", "--density", "d24_dpmm_600_dpi"}, "^FO63,127^FB634,2,0,L,0\r\n"},
        // Bitmap mode: the 60 x 40 mm page (226.77 x 151.18 px) as one field:
        // 480 x 319 dots at d8, 227 x 151 at test1to1.
        {{}, "^XA^CI28\r\n\r\n^FO0,0\r\n^GFA,19140,19140,60,\r\n"},
        {{"--density", "test1to1"}, "^GFA,4379,4379,29,\r\n"},
    };
    for (const Case &c : cases) {
        vdtest::TempDir tmp;
        const ToolRun r = runTool(c.args + QStringList{helloTemplate(), "-o", tmp.file("out.zpl")});
        ASSERT_EQ(r.exitCode, 0) << c.args.join(' ').toStdString() << ": " << r.err.toStdString();
        const QByteArray zpl = vdtest::readFile(tmp.file("out.zpl"));
        EXPECT_TRUE(zpl.contains(c.contains)) << c.args.join(' ').toStdString() << ": " << zpl.left(200).constData();
    }
}

TEST(ZplTool, DataFromTheDatabase)
{
    vdtest::TempDir tmp;
    const QString db = tmp.file(QStringLiteral("labels.db"));
    ASSERT_EQ(makeDatabase(db, {"CREATE TABLE labels (Caption TEXT, Code TEXT, Ean TEXT, Url TEXT)",
                                "INSERT INTO labels VALUES ('Bolt M8', 'BM-8', '4006381333931', 'https://example.org/8')",
                                "INSERT INTO labels VALUES ('Nut M8', 'NM-8', '5901234123457', 'https://example.org/n8')"}),
              QString());
    const ToolRun r = runTool({"--vector", "--db", db, vdtest::dataPath("zpl/labels.vd3"), "-o", tmp.file("out.zpl")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QByteArray zpl = vdtest::readFile(tmp.file("out.zpl"));
    EXPECT_EQ(zpl.count("^XZ"), 2);
    for (const char *field : {"^FDBolt M8^FS", "^FDNM-8^FS", "^FD5901234123457^FS", "^FDMA,https://example.org/8^FS"})
        EXPECT_TRUE(zpl.contains(field)) << field << " in " << zpl.constData();
}

TEST(ZplTool, BadInputGivesAClearMessage)
{
    vdtest::TempDir tmp;
    vdtest::writeFile(tmp.file("broken.vd3"), "<TvdxReport><TvdxReportPage");
    vdtest::writeFile(tmp.file("latin1.zpl"), "^XA^FD\xE4^FS^XZ");
    vdtest::writeFile(tmp.file("not-a-db"), "plain text");
    struct Case {
        QStringList args;
        int exitCode;
        const char *message;
    };
    const QString out = tmp.file("out.zpl");
    const Case cases[] = {
        {{}, 2, "usage: vd-zpl"},
        {{"--density", "d9", helloTemplate(), "-o", out}, 2, "unknown density d9 (one of d6_dpmm_152_dpi,"},
        {{helloTemplate()}, 2, "-o FILE or -P QUEUE"},
        {{"--bogus"}, 2, "unexpected argument --bogus"},
        {{helloTemplate(), "-o"}, 2, "-o needs a value"},
        {{helloTemplate(), "--raw", tmp.file("latin1.zpl"), "-o", out}, 2, "not both"},
        {{tmp.file("missing.vd3"), "-o", out}, 1, "cannot load"},
        {{tmp.file("broken.vd3"), "-o", out}, 1, "cannot load"},
        {{"--db", tmp.file("missing.db"), helloTemplate(), "-o", out}, 1, "no database"},
        {{"--db", tmp.file("not-a-db"), helloTemplate(), "-o", out}, 1, "cannot read the database"},
        {{helloTemplate(), "-o", tmp.file("no/such/folder/out.zpl")}, 1, "cannot write"},
        {{"--raw", tmp.file("latin1.zpl"), "-o", out}, 1, "is not UTF-8 text"},
        {{"--raw", tmp.file("missing.zpl"), "-o", out}, 1, "cannot open"},
    };
    for (const Case &c : cases) {
        const ToolRun r = runTool(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.join(' ').toStdString() << ": " << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message)))
            << c.args.join(' ').toStdString() << ": " << r.err.toStdString();
    }
    // Nothing half-written where a run failed.
    EXPECT_FALSE(QFile::exists(out));
}
#endif

} // namespace
