#include "common/PostgresServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int freeLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return 0;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    socklen_t len = sizeof a;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    ::close(fd);
    return port;
}

bool chownTree(const QString &path, uid_t uid, gid_t gid)
{
    if (::chown(QFile::encodeName(path).constData(), uid, gid) != 0)
        return false;
    const QFileInfoList entries = QDir(path).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QFileInfo &e : entries) {
        if (e.isDir() && !e.isSymLink()) {
            if (!chownTree(e.filePath(), uid, gid))
                return false;
        } else if (::chown(QFile::encodeName(e.filePath()).constData(), uid, gid) != 0) {
            return false;
        }
    }
    return true;
}

} // namespace

PostgresServer::~PostgresServer()
{
    Stop();
}

QString PostgresServer::LogText() const
{
    if (!m_dir)
        return QString();
    QFile f(m_dir->filePath(QStringLiteral("log")));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

bool PostgresServer::run(const QString &tool, const QStringList &args, int timeoutMs, QString *output)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setWorkingDirectory(m_dir->path());
    const QString program = m_bin + QLatin1Char('/') + tool;
    if (::geteuid() == 0) {
        p.setProgram(QStringLiteral("runuser"));
        p.setArguments(QStringList{QStringLiteral("-u"), QStringLiteral("postgres"), QStringLiteral("--"), program} + args);
    } else {
        p.setProgram(program);
        p.setArguments(args);
    }
    p.start();
    const bool done = p.waitForFinished(timeoutMs);
    if (!done)
        p.kill(), p.waitForFinished(2000);
    if (output)
        *output = QString::fromUtf8(p.readAll());
    return done && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

bool PostgresServer::Start()
{
    if (m_running)
        return true;
    QProcess config;
    config.start(QStringLiteral("pg_config"), {QStringLiteral("--bindir")});
    if (!config.waitForFinished(10000) || config.exitCode() != 0) {
        m_skip = QStringLiteral("PostgreSQL is not installed (pg_config not found)");
        return false;
    }
    m_bin = QString::fromUtf8(config.readAllStandardOutput()).trimmed();
    for (const char *tool : {"initdb", "pg_ctl", "postgres"})
        if (!QFileInfo(m_bin + QLatin1Char('/') + QLatin1String(tool)).isExecutable()) {
            m_skip = QStringLiteral("PostgreSQL server binaries not found in %1").arg(m_bin);
            return false;
        }
    if (::geteuid() == 0 && (!::getpwnam("postgres") || QStandardPaths::findExecutable(QStringLiteral("runuser")).isEmpty())) {
        m_skip = QStringLiteral("running as root without a postgres user or runuser");
        return false;
    }
    m_dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/vd-pg-XXXXXX"));
    if (!m_dir->isValid()) {
        m_skip = QStringLiteral("no temporary folder");
        return false;
    }
    const QString pw = m_dir->filePath(QStringLiteral("pw"));
    {
        QFile f(pw);
        if (!f.open(QIODevice::WriteOnly) || f.write(Password().toUtf8() + '\n') < 0) {
            m_skip = QStringLiteral("cannot write the password file");
            return false;
        }
    }
    if (::geteuid() == 0) {
        const passwd *pg = ::getpwnam("postgres");
        if (!chownTree(m_dir->path(), pg->pw_uid, pg->pw_gid)) {
            m_skip = QStringLiteral("cannot hand the temporary folder to the postgres user");
            return false;
        }
    }
    QString out;
    if (!run(QStringLiteral("initdb"),
             {QStringLiteral("-D"), m_dir->filePath(QStringLiteral("data")), QStringLiteral("-A"),
              QStringLiteral("scram-sha-256"), QStringLiteral("-U"), User(), QStringLiteral("--pwfile=") + pw,
              QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--locale=C"), QStringLiteral("--no-sync")},
             120000, &out)) {
        m_skip = QStringLiteral("initdb failed: ") + out.right(500);
        return false;
    }
    for (int attempt = 0; attempt < 3 && !m_running; ++attempt) {
        m_port = freeLoopbackPort();
        const QString options = QStringLiteral("-p %1 -k %2 -c listen_addresses=127.0.0.1 -c fsync=off")
                                    .arg(m_port)
                                    .arg(m_dir->path());
        m_running = run(QStringLiteral("pg_ctl"),
                        {QStringLiteral("-D"), m_dir->filePath(QStringLiteral("data")), QStringLiteral("-l"),
                         m_dir->filePath(QStringLiteral("log")), QStringLiteral("-o"), options, QStringLiteral("-w"),
                         QStringLiteral("-t"), QStringLiteral("60"), QStringLiteral("start")},
                        90000, &out);
    }
    if (!m_running)
        m_skip = QStringLiteral("pg_ctl start failed: ") + out.right(300) + LogText().right(500);
    return m_running;
}

void PostgresServer::Stop()
{
    if (!m_running)
        return;
    run(QStringLiteral("pg_ctl"),
        {QStringLiteral("-D"), m_dir->filePath(QStringLiteral("data")), QStringLiteral("-m"), QStringLiteral("fast"),
         QStringLiteral("-w"), QStringLiteral("stop")},
        60000);
    m_running = false;
}
