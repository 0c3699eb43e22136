#include "CupsServer.h"
#include "platform/CupsPrinterBackend.h"
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <csignal>
#include <pwd.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#ifdef VD_HAVE_CUPS
#include <cups/cups.h>
#endif

namespace vdtest {

namespace {

int listenLoopback(int &port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 || ::listen(fd, 8) != 0
        || ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len) != 0) {
        ::close(fd);
        return -1;
    }
    port = ntohs(a.sin_port);
    return fd;
}

bool canConnect(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(quint16(port));
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0;
    ::close(fd);
    return ok;
}

QString findTool(const QString &name)
{
    return QStandardPaths::findExecutable(name, {"/usr/sbin", "/sbin", "/usr/bin", "/usr/local/sbin"});
}

QString cupsConfig(const char *what)
{
    QProcess p;
    p.start(findTool("cups-config"), {QString::fromLatin1(what)});
    if (!p.waitForFinished(10000))
        return {};
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

} // namespace

struct CupsServer::Impl {
    QTemporaryDir dir;
    QProcess cupsd;
    int listenFd = -1;
    std::thread listener;
    std::atomic<bool> stop{false};
    mutable std::mutex mutex;
    mutable std::condition_variable cv;
    QList<QByteArray> received;
    // The device that hangs up early.
    int closingFd = -1;
    int closeAfter = 0;
    int closingPort = 0;
    std::thread closing;
    QList<QByteArray> closingReceived;
    QByteArray oldServerEnv;
    bool hadServerEnv = false;

    void listen()
    {
        while (!stop) {
            pollfd p{listenFd, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0)
                continue;
            const int c = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
            if (c < 0)
                continue;
            QByteArray bytes;
            char buf[8192];
            for (;;) {
                pollfd q{c, POLLIN, 0};
                const int r = ::poll(&q, 1, 200);
                if (stop)
                    break;
                if (r <= 0)
                    continue;
                const ssize_t n = ::read(c, buf, sizeof buf);
                if (n <= 0)
                    break;
                bytes.append(buf, n);
            }
            ::close(c);
            std::lock_guard<std::mutex> lock(mutex);
            received << bytes;
            cv.notify_all();
        }
    }

    void hangUpEarly()
    {
        while (!stop) {
            pollfd p{closingFd, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0)
                continue;
            const int c = ::accept4(closingFd, nullptr, nullptr, SOCK_CLOEXEC);
            if (c < 0)
                continue;
            QByteArray bytes;
            char buf[512];
            while (!stop && bytes.size() < closeAfter) {
                pollfd q{c, POLLIN, 0};
                if (::poll(&q, 1, 200) <= 0)
                    continue;
                const ssize_t n = ::read(c, buf, size_t(std::min<qsizetype>(qsizetype(sizeof buf), closeAfter - bytes.size())));
                if (n <= 0)
                    break;
                bytes.append(buf, n);
            }
            // A reset rather than an orderly close, as a printer that fails.
            linger l{1, 0};
            ::setsockopt(c, SOL_SOCKET, SO_LINGER, &l, sizeof l);
            ::close(c);
            std::lock_guard<std::mutex> lock(mutex);
            closingReceived << bytes;
            cv.notify_all();
        }
    }
};

CupsServer &CupsServer::Shared()
{
    static CupsServer server;
    static std::once_flag once;
    std::call_once(once, [] {
        if (server.Start()) {
            if (!server.AddRawQueue("A-Printer") || !server.AddRawQueue("b-Printer", true)) {
                server.m_skip = "could not add the test queues: " + server.m_skip;
                server.m_ok = false;
            }
        }
    });
    return server;
}

CupsServer::CupsServer() : d(std::make_unique<Impl>()) {}

CupsServer::~CupsServer()
{
    Stop();
}

QString CupsServer::Server() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_port);
}

bool CupsServer::Start()
{
#ifndef VD_HAVE_CUPS
    m_skip = "built without libcups";
    return false;
#else
    const QString cupsd = findTool("cupsd");
    if (cupsd.isEmpty() || findTool("lpadmin").isEmpty() || findTool("cups-config").isEmpty()) {
        m_skip = "cupsd, lpadmin or cups-config not installed (packages cups, cups-bsd, libcups2-dev)";
        return false;
    }
    if (!d->dir.isValid()) {
        m_skip = "no temporary folder";
        return false;
    }
    const QString root = d->dir.path();
    for (const char *sub : {"spool", "spool/tmp", "cache", "state", "tmp", "log"})
        QDir(root).mkpath(QString::fromLatin1(sub));

    // A free port for the server: taken, then released for cupsd to bind.
    int probe = listenLoopback(m_port);
    if (probe < 0) {
        m_skip = "no loopback port";
        return false;
    }
    ::close(probe);
    d->listenFd = listenLoopback(m_listenPort);
    if (d->listenFd < 0) {
        m_skip = "no loopback port for the listener";
        return false;
    }

    const QByteArray conf = QStringLiteral(
        "Listen 127.0.0.1:%1\n"
        "WebInterface No\nBrowsing Off\nDefaultAuthType None\nLogLevel warn\n"
        "PreserveJobHistory Yes\nMaxJobs 0\n"
        "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
        "<Location /admin>\n  Order allow,deny\n  Allow all\n</Location>\n"
        "<Policy default>\n  <Limit All>\n    Order deny,allow\n    Allow all\n  </Limit>\n</Policy>\n")
                               .arg(m_port).toUtf8();
    const QByteArray files = QStringLiteral(
        "ServerRoot %1\nRequestRoot %1/spool\nCacheDir %1/cache\nStateDir %1/state\nTempDir %1/tmp\n"
        "AccessLog %1/log/access_log\nErrorLog %1/log/error_log\nPageLog %1/log/page_log\n"
        "ServerBin %2\nDataDir %3\nFileDevice Yes\n")
                                .arg(root, cupsConfig("--serverbin"), cupsConfig("--datadir"))
                                .toUtf8();
    QFile c(root + "/cupsd.conf"), f(root + "/cups-files.conf");
    if (!c.open(QIODevice::WriteOnly) || c.write(conf) != conf.size() || !f.open(QIODevice::WriteOnly)
        || f.write(files) != files.size()) {
        m_skip = "cannot write the server configuration";
        return false;
    }
    c.close();
    f.close();

    // cupsd, when started by root, runs its back ends as "lp": the folder
    // must be theirs to write. As an ordinary user everything runs as us.
    QFile::setPermissions(root, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                    | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    if (::geteuid() == 0) {
        if (const passwd *lp = ::getpwnam("lp")) {
            QProcess chown;
            chown.start(QStandardPaths::findExecutable("chown"),
                        {"-R", QStringLiteral("%1:%2").arg(lp->pw_uid).arg(lp->pw_gid), root});
            chown.waitForFinished(10000);
        }
    }

    d->stop = false;
    d->listener = std::thread([this] { d->listen(); });

    d->cupsd.setProcessChannelMode(QProcess::MergedChannels);
    // A test that crashes takes its server with it.
    d->cupsd.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    d->cupsd.start(cupsd, {"-f", "-c", root + "/cupsd.conf", "-s", root + "/cups-files.conf"});
    if (!d->cupsd.waitForStarted(10000)) {
        m_skip = "cupsd did not start";
        Stop();
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!canConnect(m_port)) {
        if (d->cupsd.state() != QProcess::Running || std::chrono::steady_clock::now() > deadline) {
            QFile log(root + "/log/error_log");
            log.open(QIODevice::ReadOnly);
            m_skip = "cupsd did not come up: " + QString::fromLocal8Bit(d->cupsd.readAll() + log.readAll());
            Stop();
            return false;
        }
        QThread::msleep(50);
    }

    d->hadServerEnv = qEnvironmentVariableIsSet("CUPS_SERVER");
    d->oldServerEnv = qgetenv("CUPS_SERVER");
    qputenv("CUPS_SERVER", Server().toUtf8());
    vdCupsSetServer(Server());
    m_ok = true;
    return true;
#endif
}

void CupsServer::Stop()
{
    if (d->cupsd.state() != QProcess::NotRunning) {
        d->cupsd.terminate();
        if (!d->cupsd.waitForFinished(10000)) {
            d->cupsd.kill();
            d->cupsd.waitForFinished(5000);
        }
    }
    d->stop = true;
    if (d->listener.joinable())
        d->listener.join();
    if (d->closing.joinable())
        d->closing.join();
    if (d->listenFd >= 0)
        ::close(d->listenFd);
    d->listenFd = -1;
    if (d->closingFd >= 0)
        ::close(d->closingFd);
    d->closingFd = -1;
    if (m_ok) {
        if (d->hadServerEnv)
            qputenv("CUPS_SERVER", d->oldServerEnv);
        else
            qunsetenv("CUPS_SERVER");
        vdCupsSetServer(QString());
    }
    m_ok = false;
}

bool CupsServer::AddRawQueue(const QString &name, bool makeDefault)
{
    return addQueue(name, m_listenPort, makeDefault);
}

bool CupsServer::AddClosingQueue(const QString &name, int closeAfter)
{
    if (!m_ok)
        return false;
    if (d->closingFd < 0) {
        int port = 0;
        d->closingFd = listenLoopback(port);
        if (d->closingFd < 0)
            return false;
        d->closeAfter = closeAfter;
        d->closing = std::thread([this] { d->hangUpEarly(); });
        d->closingPort = port;
    }
    return addQueue(name, d->closingPort, false);
}

QList<QByteArray> CupsServer::ReceivedByClosing() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->closingReceived;
}

bool CupsServer::addQueue(const QString &name, int port, bool makeDefault)
{
    if (!m_ok)
        return false;
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(findTool("lpadmin"), {"-p", name, "-E", "-v",
                                  QStringLiteral("socket://127.0.0.1:%1").arg(port), "-m", "raw"});
    if (!p.waitForFinished(20000) || p.exitCode() != 0) {
        m_skip = "lpadmin: " + QString::fromLocal8Bit(p.readAll());
        return false;
    }
    if (makeDefault) {
        p.start(findTool("lpadmin"), {"-d", name});
        if (!p.waitForFinished(20000) || p.exitCode() != 0)
            return false;
    }
    return true;
}

QList<QByteArray> CupsServer::Received() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->received;
}

bool CupsServer::WaitForReceived(int count, int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(d->mutex);
    return d->cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return d->received.size() >= count; });
}

void CupsServer::ClearReceived()
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->received.clear();
}

QStringList CupsServer::JobTitles() const
{
    QStringList titles;
#ifdef VD_HAVE_CUPS
    cups_job_t *jobs = nullptr;
    const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, nullptr, 0, CUPS_WHICHJOBS_ALL);
    for (int i = 0; i < n; ++i)
        titles << QString::fromUtf8(jobs[i].title);
    cupsFreeJobs(n, jobs);
#endif
    return titles;
}

QList<CupsServer::JobInfo> CupsServer::Jobs() const
{
    QList<JobInfo> list;
#ifdef VD_HAVE_CUPS
    cups_job_t *jobs = nullptr;
    const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, nullptr, 0, CUPS_WHICHJOBS_ALL);
    for (int i = 0; i < n; ++i) {
        JobInfo info;
        info.id = jobs[i].id;
        info.title = QString::fromUtf8(jobs[i].title);
        ipp_t *request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
        const QByteArray uri = QStringLiteral("ipp://localhost/jobs/%1").arg(info.id).toUtf8();
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.constData());
        static const char *const wanted[] = {"copies", "sides"};
        ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 2, nullptr, wanted);
        if (ipp_t *response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/")) {
            if (ipp_attribute_t *a = ippFindAttribute(response, "copies", IPP_TAG_INTEGER))
                info.copies = ippGetInteger(a, 0);
            if (ipp_attribute_t *a = ippFindAttribute(response, "sides", IPP_TAG_KEYWORD))
                info.sides = QString::fromUtf8(ippGetString(a, 0, nullptr));
            ippDelete(response);
        }
        list << info;
    }
    cupsFreeJobs(n, jobs);
    std::sort(list.begin(), list.end(), [](const JobInfo &a, const JobInfo &b) { return a.id < b.id; });
#endif
    return list;
}

} // namespace vdtest
