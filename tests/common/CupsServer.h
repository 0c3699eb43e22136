// A throwaway print server for tests: its own cupsd on a free loopback port,
// configured in a temporary folder, with raw queues that deliver to a
// listener owned by the test. Clients of this process (and child processes,
// through CUPS_SERVER) are pointed at it while it runs.
#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

namespace vdtest {

class CupsServer {
public:
    // The server shared by one test executable, started on first use with the
    // queues "A-Printer" and "b-Printer" (b-Printer the default); stopped at
    // exit. Check Ok() and skip with SkipReason() when it could not start.
    static CupsServer &Shared();

    CupsServer();
    ~CupsServer();
    CupsServer(const CupsServer &) = delete;
    CupsServer &operator=(const CupsServer &) = delete;

    // Starts cupsd and the listener; false with SkipReason() set on failure.
    bool Start();
    void Stop();
    bool Ok() const { return m_ok; }
    const QString &SkipReason() const { return m_skip; }
    // "127.0.0.1:PORT"
    QString Server() const;
    int Port() const { return m_port; }
    int ListenerPort() const { return m_listenPort; }

    // A raw queue whose device is the listener; optionally the default queue.
    bool AddRawQueue(const QString &name, bool makeDefault = false);
    // A raw queue whose device reads at most closeAfter bytes of a job and
    // then drops the connection (a printer that hangs up mid-label).
    bool AddClosingQueue(const QString &name, int closeAfter);
    // Bytes the closing device took, one entry per connection.
    QList<QByteArray> ReceivedByClosing() const;

    // What the listener received, one entry per connection, in arrival order.
    QList<QByteArray> Received() const;
    // Waits until at least count connections have been received and closed;
    // false on timeout.
    bool WaitForReceived(int count, int timeoutMs = 30000) const;
    void ClearReceived();
    // Titles of all jobs the server knows (completed ones included), oldest first.
    QStringList JobTitles() const;
    // A job as the server keeps it, read back over IPP.
    struct JobInfo {
        int id = 0;
        QString title;
        int copies = 1;  // 1 when the job names none
        QString sides;   // empty when the job names none
    };
    // All jobs the server knows (completed ones included), oldest first.
    QList<JobInfo> Jobs() const;

private:
    bool addQueue(const QString &name, int port, bool makeDefault);
    struct Impl;
    std::unique_ptr<Impl> d;
    bool m_ok = false;
    QString m_skip;
    int m_port = 0;
    int m_listenPort = 0;
};

} // namespace vdtest
