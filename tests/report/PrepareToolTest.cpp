// The vd-prepare tool over a real SQLite file: values of expressions with the
// data sets on their first record, and the messages of failures.
#include "common/TestSupport.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

#ifdef VD_PREPARE_TOOL
namespace {

struct ToolRun {
    int rc = -1;
    QString out, err;
};

class PrepareToolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        tool = QStringLiteral(VD_PREPARE_TOOL);
        if (QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty())
            GTEST_SKIP() << "sqlite3 tool not installed";
        db = dir.file(QStringLiteral("t.db"));
        QProcess p;
        p.start(QStringLiteral("sqlite3"), {db, QStringLiteral("create table t(n integer, s text);"
                                                               "insert into t values (21, 'first');"
                                                               "insert into t values (5, 'second');")});
        ASSERT_TRUE(p.waitForFinished(10000) && p.exitCode() == 0);
    }
    ToolRun run(const QStringList &args)
    {
        QProcess p;
        p.start(tool, QStringList{vdtest::dataPath(QStringLiteral("report/calc.vd3"))} + args);
        ToolRun r;
        if (!p.waitForFinished(30000))
            return r;
        r.rc = p.exitCode();
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }
    vdtest::TempDir dir;
    QString tool, db;
};

TEST_F(PrepareToolTest, PrintsEachValueOnALine)
{
    const ToolRun r = run({QStringLiteral("--query"), QStringLiteral("T"), db, QStringLiteral("select n, s from t"),
                       QStringLiteral("--eval"), QStringLiteral("<T.\"n\"> * 2"), QStringLiteral("--eval"),
                       QStringLiteral("<T.\"s\">"), QStringLiteral("--eval"), QStringLiteral("Page#")});
    EXPECT_EQ(r.rc, 0) << r.err.toStdString();
    // One empty page prepared: its number.
    EXPECT_EQ(r.out, QStringLiteral("42\nfirst\n1\n"));
}

TEST_F(PrepareToolTest, FailuresPrintTheirMessageAndExitOne)
{
    ToolRun r = run({QStringLiteral("--eval"), QStringLiteral("1 +")});
    EXPECT_EQ(r.rc, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Error in expression '1 +'"))) << r.err.toStdString();

    r = run({QStringLiteral("--query"), QStringLiteral("T"), dir.file(QStringLiteral("none.db")),
             QStringLiteral("select 1"), QStringLiteral("--eval"), QStringLiteral("1")});
    EXPECT_EQ(r.rc, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("The following error(s) have occured:\r\n"))) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());

    r = run({QStringLiteral("--query"), QStringLiteral("T"), db, QStringLiteral("select nothing from nowhere")});
    EXPECT_EQ(r.rc, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("The following error(s) have occured:\r\n"))) << r.err.toStdString();
}

} // namespace
#endif
