// The vd-export tool: the orders template over the shop data traces to the
// golden trace, a page list selects pages, and bad input ends with a message
// and an exit code instead of output.
#include "common/TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

#ifdef VD_EXPORT_TOOL
namespace {

struct ToolRun {
    int rc = -1;
    QString out, err;
};

class ExportToolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty())
            GTEST_SKIP() << "sqlite3 tool not installed";
        db = dir.file(QStringLiteral("shop.db"));
        QProcess p;
        p.setStandardInputFile(vdtest::dataPath(QStringLiteral("engine/shop.sql")));
        p.start(QStringLiteral("sqlite3"), {db});
        ASSERT_TRUE(p.waitForFinished(10000) && p.exitCode() == 0);
        golden = QString::fromUtf8(vdtest::readFile(vdtest::dataPath(QStringLiteral("engine/orders.trace"))));
        ASSERT_FALSE(golden.isEmpty());
    }
    static ToolRun run(const QStringList &args)
    {
        QProcess p;
        p.start(QStringLiteral(VD_EXPORT_TOOL), args);
        ToolRun r;
        if (!p.waitForFinished(60000)) {
            p.kill();
            p.waitForFinished();
            return r;
        }
        r.rc = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }
    QString orders() const { return vdtest::dataPath(QStringLiteral("engine/orders.vd3")); }

    vdtest::TempDir dir;
    QString db, golden;
};

} // namespace

TEST_F(ExportToolTest, OrdersOverTheShopDataGiveTheGoldenTrace)
{
    const ToolRun r = run({QStringLiteral("--trace"), QStringLiteral("--sqlite"), db, orders()});
    EXPECT_EQ(r.rc, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, golden);
}

TEST_F(ExportToolTest, SavedPreparedReportTracesLikeItsTemplate)
{
    const QString vp3 = dir.file(QStringLiteral("orders.vp3"));
    ToolRun r = run({QStringLiteral("--save"), vp3, QStringLiteral("--sqlite"), db, orders()});
    ASSERT_EQ(r.rc, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    r = run({QStringLiteral("--trace"), vp3});
    EXPECT_EQ(r.rc, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, golden);
    // Saved again from the file: the same bytes.
    const QString again = dir.file(QStringLiteral("again.vp3"));
    r = run({QStringLiteral("--save"), again, vp3});
    ASSERT_EQ(r.rc, 0) << r.err.toStdString();
    EXPECT_EQ(vdtest::readFile(again), vdtest::readFile(vp3));

    if (QStandardPaths::findExecutable(QStringLiteral("xmllint")).isEmpty())
        GTEST_SKIP() << "xmllint not installed (libxml2-utils)";
    QProcess lint;
    lint.start(QStringLiteral("xmllint"), {QStringLiteral("--noout"), vp3});
    ASSERT_TRUE(lint.waitForFinished(30000));
    EXPECT_EQ(lint.exitCode(), 0) << lint.readAllStandardError().toStdString();
    const int pages = golden.count(QStringLiteral("StartPage "));
    lint.start(QStringLiteral("xmllint"),
               {QStringLiteral("--xpath"), QStringLiteral("count(/preparedreport/previewpages/*)"), vp3});
    ASSERT_TRUE(lint.waitForFinished(30000));
    EXPECT_EQ(QString::fromUtf8(lint.readAllStandardOutput()).trimmed(), QString::number(pages));
}

TEST_F(ExportToolTest, PageListSelectsPages)
{
    struct Case {
        const char *pages;
        bool all;
    };
    for (const Case c : {Case{"1", true}, Case{"1-", true}, Case{"2", false}, Case{"2-5", false}}) {
        const ToolRun r = run({QStringLiteral("--trace"), QStringLiteral("--pages"), QLatin1String(c.pages),
                               QStringLiteral("--sqlite"), db, orders()});
        EXPECT_EQ(r.rc, 0) << c.pages << r.err.toStdString();
        EXPECT_EQ(r.out, c.all ? golden : QStringLiteral("Start\nFinish\n")) << c.pages;
    }
}

TEST_F(ExportToolTest, BadInputEndsWithAMessage)
{
    QFile junk(dir.file(QStringLiteral("junk.vd3")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("<TvdxReport><TvdxReportPage Name=\"P\"><TvdxMasterData Name=\"M\" DataSetName=\"nothing\"");
    junk.close();
    const QString junkVp3 = dir.file(QStringLiteral("junk.vp3"));
    {
        QFile f(junkVp3);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("<?xml version=\"1.0\" encoding=\"utf-8\"?><preparedreport><dictionary><m1 name=\"Page3.X\"/>");
    }
    struct Case {
        const char *what;
        QStringList args;
        int rc;
        const char *message;
    };
    const Case cases[] = {
        {"neither trace nor save", {orders()}, 2, "usage:"},
        {"save without a file", {orders(), QStringLiteral("--save")}, 2, "usage:"},
        {"broken prepared report", {QStringLiteral("--trace"), junkVp3}, 1, "cannot load"},
        {"no template", {QStringLiteral("--trace")}, 2, "usage:"},
        {"unknown switch", {QStringLiteral("--trace"), QStringLiteral("--pdf"), orders()}, 2, "usage:"},
        {"two templates", {QStringLiteral("--trace"), orders(), orders()}, 2, "usage:"},
        {"missing template", {QStringLiteral("--trace"), dir.file(QStringLiteral("none.vd3"))}, 1, "cannot load"},
        {"missing database",
         {QStringLiteral("--trace"), QStringLiteral("--sqlite"), dir.file(QStringLiteral("none.db")), orders()},
         1,
         "no database"},
        {"broken template", {QStringLiteral("--trace"), junk.fileName()}, 1, "vd-export:"},
        {"data sets missing", {QStringLiteral("--trace"), orders()}, 1, "does not exist"},
    };
    for (const Case &c : cases) {
        const ToolRun r = run(c.args);
        EXPECT_EQ(r.rc, c.rc) << c.what << ": " << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QLatin1String(c.message))) << c.what << ": " << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << c.what;
    }
}
#endif
