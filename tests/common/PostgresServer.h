// A throwaway PostgreSQL cluster on loopback for tests: initdb and pg_ctl
// (from the folder `pg_config --bindir` names) into a temporary folder, on a
// free port, with password authentication for the user "vd". As root the
// server runs as the "postgres" user (initdb refuses root).
#pragma once
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

class PostgresServer {
public:
    PostgresServer() = default;
    ~PostgresServer();
    PostgresServer(const PostgresServer &) = delete;
    PostgresServer &operator=(const PostgresServer &) = delete;

    // False with SkipReason() set when the server cannot run here.
    bool Start();
    void Stop();
    bool Running() const { return m_running; }
    QString SkipReason() const { return m_skip; }

    QString Host() const { return QStringLiteral("127.0.0.1"); }
    int Port() const { return m_port; }
    QString User() const { return QStringLiteral("vd"); }
    QString Password() const { return QStringLiteral("vd-secret-pw"); }
    QString Database() const { return QStringLiteral("postgres"); }
    QString LogText() const;

private:
    // Runs a server binary (as "postgres" when we are root); false on failure.
    bool run(const QString &tool, const QStringList &args, int timeoutMs, QString *output = nullptr);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_bin;
    int m_port = 0;
    bool m_running = false;
    QString m_skip;
};
