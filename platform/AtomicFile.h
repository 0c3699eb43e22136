// Saves that replace a file only when every byte of the new contents got
// written. The data goes to a temporary file beside the target; the target is
// swapped in by a rename at commit. A short write (a full disk), a failing
// rename or an abandoned save removes the temporary file and leaves the old
// file as it was.
//
// Plain QSaveFile is not enough on its own: a write the system cuts short
// without an error code sets no error, and commit() then puts the truncated
// file in place.
#pragma once
#include <QSaveFile>
#include <QString>
#include <functional>

class TvdAtomicFile : public QSaveFile {
public:
    explicit TvdAtomicFile(const QString &fileName);
    ~TvdAtomicFile() override;

    // Write-only; false (with FailureText) when the temporary file cannot be made.
    bool open(OpenMode mode = WriteOnly) override;
    // True once the new contents replaced the target. On false the temporary
    // file is gone, the target untouched, and FailureText says why.
    bool commit();
    // Gives the save up: the temporary file goes.
    void discard();
    // Opened and neither committed nor discarded.
    bool isPending() const { return isOpen(); }
    QString failureText() const { return m_failure; }

protected:
    qint64 writeData(const char *data, qint64 len) override;

private:
    void fail(const QString &reason);
    QString m_failure;
};

// Outcome of a whole-file save.
struct TvdSaveResult {
    enum Stage { Saved, NotCreated, NotWritten };
    Stage stage = Saved;
    QString reason; // the system's words for NotCreated / NotWritten
    bool ok() const { return stage == Saved; }
};

// Writes a whole file atomically: `write` fills the device. An exception from
// `write` discards the save and passes on, unless the file had refused a write
// (then the file's reason comes back); other failures come back in the result.
TvdSaveResult vdAtomicSave(const QString &fileName, const std::function<void(QIODevice &)> &write);

// The usual messages for a failed save.
QString vdSaveCreateMessage(const QString &fileName, const QString &reason); // Cannot create file "…". …
QString vdSaveWriteMessage(const QString &fileName, const QString &reason);  // Cannot write file "…". …

// Raises the caller's own error classes for a failed save.
template <class CreateError, class WriteError>
void vdRaiseSaveError(const QString &fileName, const TvdSaveResult &r)
{
    if (r.stage == TvdSaveResult::NotCreated)
        throw CreateError(vdSaveCreateMessage(fileName, r.reason));
    if (r.stage == TvdSaveResult::NotWritten)
        throw WriteError(vdSaveWriteMessage(fileName, r.reason));
}

// Test hook: atomic saves behave as on a nearly full disk (`bytesLeft` bytes
// can still be written, -1 for no limit), with a rename that fails, or with
// something happening just before the rename. One fault at a time; it ends
// with the scope.
struct TvdWriteFault {
    qint64 bytesLeft = -1;
    bool failCommit = false;
    std::function<void()> beforeCommit; // runs just before the rename (a folder vanishing)
};

class TvdScopedWriteFault {
public:
    explicit TvdScopedWriteFault(const TvdWriteFault &fault);
    ~TvdScopedWriteFault();
    TvdScopedWriteFault(const TvdScopedWriteFault &) = delete;
    TvdScopedWriteFault &operator=(const TvdScopedWriteFault &) = delete;
};
