// Queries on a connection the host program opened (the demo's remote
// database): the query runs there, and the connection stays the host's.
#include "common/TestSupport.h"
#include "report/vdxDBSet.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <gtest/gtest.h>

TEST(DBSetConnection, QueryRunsOnTheHostConnectionAndLeavesItOpen)
{
    vdtest::TempDir dir;
    const QString name = QStringLiteral("host_connection_test");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(dir.file(QStringLiteral("host.sqlite")));
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("CREATE TABLE t (COD TEXT)")));
        ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO t VALUES ('a'), ('b')")));
    }
    {
        TvdxSqlDataSet ds;
        ds.SetConnectionName(name);
        EXPECT_EQ(ds.ConnectionName(), name);
        ds.SetSQL(QStringLiteral("SELECT COD FROM t"));
        ds.Open();
        EXPECT_EQ(ds.RecordCount(), 2);
        EXPECT_EQ(ds.FieldByName(QStringLiteral("COD"))->AsString(), QStringLiteral("a"));
        ds.Close();
        EXPECT_TRUE(QSqlDatabase::database(name, false).isOpen());
    }
    // The data set is gone; the connection is still there and open.
    ASSERT_TRUE(QSqlDatabase::contains(name));
    EXPECT_TRUE(QSqlDatabase::database(name, false).isOpen());
    {
        TvdxSqlDataSet ds;
        ds.SetConnectionName(QStringLiteral("no_such_connection"));
        ds.SetSQL(QStringLiteral("SELECT 1"));
        try {
            ds.Open();
            FAIL();
        } catch (const EvdxDatabaseError &e) {
            EXPECT_TRUE(e.message().contains(QStringLiteral("no_such_connection"))) << e.message().toStdString();
        }
    }
    QSqlDatabase::database(name, false).close();
    QSqlDatabase::removeDatabase(name);
}
