#include "app/uDemoData.h"
#include "report/vdxDBSet.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>

TDemoData::TDemoData() : m_owner(std::make_unique<TvdComponent>())
{
    m_owner->SetName(QStringLiteral("frmZPL"));
    for (auto &q : m_queries)
        q = std::make_unique<TvdxSqlDataSet>();
    for (int i = 0; i < 5; ++i) {
        auto &ds = m_dataSets[i];
        ds = std::make_unique<TvdxDBDataset>(m_owner.get());
        const QString name = QStringLiteral("vdxDBDataset%1").arg(i + 1);
        ds->SetName(name);
        ds->SetUserName(name);
        ds->SetCloseDataSource(false);
        ds->SetBCDToCurrency(false);
        ds->SetDataSet(m_queries[i < 4 ? i : 3].get());
    }
    m_queries[0]->SetSQL(Query1Sql());
    m_queries[1]->SetSQL(Query2Sql());
    m_queries[2]->SetSQL(Query3Sql());
}

TDemoData::~TDemoData()
{
    // Data sets first: they unhook from the queries they wrap.
    for (auto &ds : m_dataSets)
        ds.reset();
    for (auto &q : m_queries)
        q.reset();
    if (QSqlDatabase::contains(RemoteConnectionName())) {
        QSqlDatabase::database(RemoteConnectionName(), false).close();
        QSqlDatabase::removeDatabase(RemoteConnectionName());
    }
}

QString TDemoData::Query1Sql()
{
    return QStringLiteral("SELECT DetailID, InvoiceID, Position, Description, Quantity, Price, Amount, "
                          "REPLACE(CertificateCode, '-', '') AS CertificateCode "
                          "FROM DetailTable ORDER BY DetailID");
}

QString TDemoData::Query2Sql()
{
    return QStringLiteral("SELECT InvoiceID, Company, Address, InvoiceNumber, Date FROM HeaderTable");
}

QString TDemoData::Query3Sql()
{
    return QStringLiteral("SELECT DetailID, InvoiceID, Position, Description, Quantity, Price, Amount, "
                          "'CERT' AS Seria, printf('%03d', DetailID) AS Nr "
                          "FROM DetailTable ORDER BY DetailID");
}

TvdxSqlDataSet *TDemoData::Query(int n) const
{
    return n >= 1 && n <= 4 ? m_queries[n - 1].get() : nullptr;
}

TvdxDBDataset *TDemoData::DataSet(int n) const
{
    return n >= 1 && n <= 5 ? m_dataSets[n - 1].get() : nullptr;
}

QString TDemoData::OpenLocal(const QString &databaseFile)
{
    QStringList problems;
    for (int i = 0; i < 3; ++i)
        m_queries[i]->SetDatabaseFile(databaseFile);
    if (!m_remoteConnected) {
        // Without the remote table data sets 4 and 5 are empty, with its one column.
        m_queries[3]->SetDatabaseFile(databaseFile);
        m_queries[3]->SetSQL(QStringLiteral("SELECT NULL AS COD WHERE 0"));
    }
    for (int i : {0, 2}) {
        try {
            m_queries[i]->Open();
        } catch (const Exception &e) {
            problems << e.message();
        }
    }
    problems.removeDuplicates();
    return problems.join(QLatin1Char('\n'));
}

QString TDemoData::ConnectRemote(const TDemoRemoteSettings &s)
{
    m_remoteConnected = false;
    if (!s.Configured())
        return QString();
    QSqlDatabase db = QSqlDatabase::contains(RemoteConnectionName())
                          ? QSqlDatabase::database(RemoteConnectionName(), false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), RemoteConnectionName());
    if (!db.isValid())
        return QStringLiteral("Failed to connect to the remote database: the PostgreSQL driver of Qt Sql is missing");
    db.close();
    db.setHostName(s.Server);
    db.setPort(s.Port);
    db.setDatabaseName(s.Database);
    db.setUserName(s.User);
    db.setPassword(s.Password);
    // No prompt and no endless wait for a server that does not answer.
    db.setConnectOptions(QStringLiteral("connect_timeout=5"));
    if (!db.open()) {
        // The server's own words; the driver's part only names the driver.
        const QSqlError e = db.lastError();
        const QString why = e.databaseText().trimmed().isEmpty() ? e.text() : e.databaseText();
        return QStringLiteral("Failed to connect to the remote database: ") + why.trimmed();
    }
    m_queries[3]->SetConnectionName(RemoteConnectionName());
    m_queries[3]->SetSQL(QStringLiteral("SELECT COD AS \"COD\" FROM ") +
                         db.driver()->escapeIdentifier(s.Table, QSqlDriver::TableName));
    m_remoteConnected = true;
    return QStringLiteral("Connected to the remote database successfully!");
}
