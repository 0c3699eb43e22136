// The window's database side: the sample SQLite file with its three queries,
// the optional remote PostgreSQL table, and the five report data sets
// (vdxDBDataset1..5) that templates name.
#pragma once
#include "app/uDemoSettings.h"

#include <QString>
#include <QStringList>
#include <memory>

class TvdComponent;
class TvdxDBDataset;
class TvdxSqlDataSet;

class TDemoData {
public:
    TDemoData();
    ~TDemoData();
    TDemoData(const TDemoData &) = delete;
    TDemoData &operator=(const TDemoData &) = delete;

    // Points queries 1 to 3 at the file and opens 1 and 3. Problems (a
    // missing or broken file) are answered, not thrown.
    QString OpenLocal(const QString &databaseFile);
    // Opens the remote connection and points query 4 at its table. Answers
    // the message for the user: success, failure, or empty when no remote
    // database is configured.
    QString ConnectRemote(const TDemoRemoteSettings &settings);
    bool RemoteConnected() const { return m_remoteConnected; }

    TvdxSqlDataSet *Query(int n) const;        // 1..4
    TvdxDBDataset *DataSet(int n) const;       // 1..5
    // Owner of the five data sets. Reports made with this owner find them by
    // name, also where a prepared page refers back to its band's data set.
    TvdComponent *ComponentOwner() const { return m_owner.get(); }

    static QString Query1Sql();
    static QString Query2Sql();
    static QString Query3Sql();
    static QString RemoteConnectionName() { return QStringLiteral("vd_demo_remote"); }

private:
    std::unique_ptr<TvdComponent> m_owner; // goes last: the data sets leave it first
    std::unique_ptr<TvdxSqlDataSet> m_queries[4];
    std::unique_ptr<TvdxDBDataset> m_dataSets[5];
    bool m_remoteConnected = false;
};
