#include "platform/AtomicFile.h"

#include <QDir>
#include <QMutex>
#include <QMutexLocker>
#include <cerrno>

namespace {

QMutex g_faultLock;
TvdWriteFault g_fault;
bool g_faultActive = false;

// How much of `len` the injected fault lets through (all of it when none).
qint64 allowedByFault(qint64 len)
{
    QMutexLocker lock(&g_faultLock);
    if (!g_faultActive || g_fault.bytesLeft < 0)
        return len;
    const qint64 n = qMin(len, g_fault.bytesLeft);
    g_fault.bytesLeft -= n;
    return n;
}

bool commitFailsByFault()
{
    std::function<void()> before;
    {
        QMutexLocker lock(&g_faultLock);
        if (!g_faultActive)
            return false;
        if (g_fault.failCommit)
            return true;
        before = g_fault.beforeCommit;
    }
    if (before)
        before();
    return false;
}

} // namespace

TvdAtomicFile::TvdAtomicFile(const QString &fileName) : QSaveFile(fileName) {}

// QSaveFile's own destructor drops an uncommitted temporary file.
TvdAtomicFile::~TvdAtomicFile() = default;

bool TvdAtomicFile::open(OpenMode mode)
{
    m_failure.clear();
    // Unbuffered: every write reaches the system here, where its result is checked.
    if (QSaveFile::open((mode & ~QIODevice::ReadOnly) | QIODevice::WriteOnly | QIODevice::Unbuffered))
        return true;
    m_failure = errorString();
    return false;
}

void TvdAtomicFile::fail(const QString &reason)
{
    if (m_failure.isEmpty())
        m_failure = reason;
    // Marks the save as failed: commit() now removes the temporary file.
    cancelWriting();
}

qint64 TvdAtomicFile::writeData(const char *data, qint64 len)
{
    if (!m_failure.isEmpty())
        return -1;
    const qint64 allowed = allowedByFault(len);
    qint64 done = 0;
    // A short count is not an error by itself; the next attempt gets the
    // system's reason (ENOSPC) or writes the rest.
    while (done < allowed) {
        const qint64 n = QSaveFile::writeData(data + done, allowed - done);
        if (n <= 0)
            break;
        done += n;
    }
    if (done < len) {
        fail(done < allowed && error() != QFileDevice::NoError ? errorString() : qt_error_string(ENOSPC));
        return done > 0 ? done : -1;
    }
    return done;
}

bool TvdAtomicFile::commit()
{
    if (!isOpen()) {
        if (m_failure.isEmpty())
            m_failure = QStringLiteral("File not open");
        return false;
    }
    if (m_failure.isEmpty() && commitFailsByFault())
        fail(qt_error_string(EIO));
    if (!m_failure.isEmpty()) {
        QSaveFile::commit(); // removes the temporary file
        return false;
    }
    if (QSaveFile::commit())
        return true;
    m_failure = errorString();
    return false;
}

void TvdAtomicFile::discard()
{
    if (!isOpen())
        return;
    cancelWriting();
    QSaveFile::commit();
}

TvdSaveResult vdAtomicSave(const QString &fileName, const std::function<void(QIODevice &)> &write)
{
    TvdAtomicFile f(fileName);
    if (!f.open())
        return {TvdSaveResult::NotCreated, f.failureText()};
    try {
        write(f);
    } catch (...) {
        // A writer that gave up because the file refused its bytes: the
        // file's own reason (a full disk) says more than the writer's.
        const bool fileFailed = !f.failureText().isEmpty();
        f.discard();
        if (fileFailed)
            return {TvdSaveResult::NotWritten, f.failureText()};
        throw;
    }
    if (!f.commit())
        return {TvdSaveResult::NotWritten, f.failureText()};
    return {};
}

QString vdSaveCreateMessage(const QString &fileName, const QString &reason)
{
    return QStringLiteral("Cannot create file \"%1\". %2").arg(QDir::toNativeSeparators(fileName), reason);
}

QString vdSaveWriteMessage(const QString &fileName, const QString &reason)
{
    return QStringLiteral("Cannot write file \"%1\". %2").arg(QDir::toNativeSeparators(fileName), reason);
}

TvdScopedWriteFault::TvdScopedWriteFault(const TvdWriteFault &fault)
{
    QMutexLocker lock(&g_faultLock);
    g_fault = fault;
    g_faultActive = true;
}

TvdScopedWriteFault::~TvdScopedWriteFault()
{
    QMutexLocker lock(&g_faultLock);
    g_fault = TvdWriteFault();
    g_faultActive = false;
}
