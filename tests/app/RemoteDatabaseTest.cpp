#include "DemoFakes.h"
#include "app/uDemoData.h"
#include "common/PostgresServer.h"
#include "report/vdxDBSet.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QLineEdit>
#include <QTabWidget>

namespace {

PostgresServer *g_server = nullptr;

QStringList codes(TvdxDBDataset *ds)
{
    QStringList r;
    ds->Initialize();
    for (ds->First(); !ds->Eof(); ds->Next())
        r << ds->GetValue(QStringLiteral("COD")).toString();
    ds->Finalize();
    return r;
}

} // namespace

class RemoteDatabase : public DemoWindowTest {
protected:
    static void SetUpTestSuite()
    {
        g_server = new PostgresServer;
        if (!g_server->Start())
            return;
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("vd_fixture"));
        db.setHostName(g_server->Host());
        db.setPort(g_server->Port());
        db.setDatabaseName(g_server->Database());
        db.setUserName(g_server->User());
        db.setPassword(g_server->Password());
        if (db.open()) {
            QSqlQuery q(db);
            q.exec(QStringLiteral("CREATE TABLE \"LabelCodes\" (COD varchar(20), note text)"));
            q.exec(QStringLiteral("INSERT INTO \"LabelCodes\" VALUES ('A-100', 'x'), ('B-200', 'y'), ('Ü-300', 'z')"));
            db.close();
        }
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("vd_fixture"));
    }
    static void TearDownTestSuite()
    {
        delete g_server;
        g_server = nullptr;
    }
    void SetUp() override
    {
        if (!g_server || !g_server->Running())
            GTEST_SKIP() << "no PostgreSQL server: " << (g_server ? g_server->SkipReason().toStdString() : "");
        DemoWindowTest::SetUp();
    }

    TDemoRemoteSettings settings(const QString &password) const
    {
        TDemoRemoteSettings s;
        s.Server = g_server->Host();
        s.Port = g_server->Port();
        s.Database = g_server->Database();
        s.User = g_server->User();
        s.Password = password;
        s.Table = QStringLiteral("LabelCodes");
        return s;
    }

    void writeConfig(const QString &password)
    {
        const TDemoRemoteSettings s = settings(password);
        const QString text = QStringLiteral("[Remote]\nServer=%1\nPort=%2\nDatabase=%3\nUser=%4\nPassword=%5\nTable=%6\n")
                                 .arg(s.Server)
                                 .arg(s.Port)
                                 .arg(s.Database, s.User, s.Password, s.Table);
        ASSERT_TRUE(vdtest::writeFile(configPath(), text.toUtf8()));
    }
};

TEST_F(RemoteDatabase, DataSets4And5ReadTheCodColumn)
{
    TDemoData data;
    EXPECT_EQ(data.ConnectRemote(settings(g_server->Password())),
              QStringLiteral("Connected to the remote database successfully!"));
    ASSERT_TRUE(data.RemoteConnected());
    const QStringList expected = {"A-100", "B-200", "Ü-300"};
    EXPECT_EQ(codes(data.DataSet(4)), expected);
    EXPECT_EQ(codes(data.DataSet(5)), expected);
}

TEST_F(RemoteDatabase, WindowConnectsAtStart)
{
    writeConfig(g_server->Password());
    TfrmZPL &w = open();
    EXPECT_EQ(messages(), QStringList{"Connected to the remote database successfully!"});
    EXPECT_TRUE(w.Data()->RemoteConnected());
}

TEST_F(RemoteDatabase, WrongPasswordGivesTheFailureAndTheWindowStarts)
{
    writeConfig(QStringLiteral("wrong"));
    TfrmZPL &w = open();
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].startsWith(QStringLiteral("Failed to connect to the remote database: ")));
    EXPECT_TRUE(messages()[0].contains(QStringLiteral("password"))) << messages()[0].toStdString();
    EXPECT_FALSE(w.Data()->RemoteConnected());
    EXPECT_TRUE(codes(w.Data()->DataSet(4)).isEmpty());
    // The window works on.
    w.PageControl1->setCurrentIndex(1);
    w.Controller()->PrintClick();
    EXPECT_EQ(sink.jobs.size(), 1);
}

TEST_F(RemoteDatabase, StoppedServerGivesTheFailureAndTheWindowStarts)
{
    PostgresServer stopped;
    ASSERT_TRUE(stopped.Start()) << stopped.SkipReason().toStdString();
    const int port = stopped.Port();
    stopped.Stop();
    const QString text = QStringLiteral("[Remote]\nServer=127.0.0.1\nPort=%1\nDatabase=postgres\nUser=vd\n"
                                        "Password=%2\nTable=LabelCodes\n")
                             .arg(port)
                             .arg(stopped.Password());
    ASSERT_TRUE(vdtest::writeFile(configPath(), text.toUtf8()));
    TfrmZPL &w = open();
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].startsWith(QStringLiteral("Failed to connect to the remote database: ")))
        << messages()[0].toStdString();
    EXPECT_FALSE(messages()[0].contains(QStringLiteral("PSQL"))) << messages()[0].toStdString();
    EXPECT_FALSE(w.Data()->RemoteConnected());
    EXPECT_TRUE(codes(w.Data()->DataSet(5)).isEmpty());
    EXPECT_EQ(w.CodePage->text(), QStringLiteral("^PW464^LS0"));
}
