// Stream and container names reach transports from templates, export
// settings and dialogs. Any name gives a node or the parse error, and the
// path normaliser never grows a path or keeps a ".." segment it could drop.
// Saves through the file transport on a disk that fills up after a number of
// bytes the input chooses either replace the file whole or raise and leave
// the old file as it was.
#include "core/vdXML.h"
#include "platform/AtomicFile.h"
#include "report/vdxClass_io.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// Streams in memory: nothing touches the disk.
class MemoryTransport : public TvdxCustomIOTransport {
public:
    explicit MemoryTransport(TvdComponent *owner = nullptr, bool noRegister = true)
        : TvdxCustomIOTransport(owner, noRegister)
    {
    }
    TvdxIOTransportClass ClassType() const override { return &vdxNewIOTransport<MemoryTransport>; }
    QIODevice *DoCreateStream(QString &, const QString &) override
    {
        auto *b = new QBuffer;
        b->open(QIODevice::ReadWrite);
        return b;
    }
};

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Writes the input in pieces (split at its newlines) through a file transport
// whose disk takes only `budget` bytes.
void shortWrites(const QByteArray &input, qint64 budget, bool viaClose)
{
    static QTemporaryDir dir;
    if (!dir.isValid())
        return;
    const QString path = dir.filePath(QStringLiteral("target.bin"));
    QFile seed(path);
    if (!seed.open(QIODevice::WriteOnly) || seed.write("old") != 3)
        return;
    seed.close();

    TvdWriteFault fault;
    fault.bytesLeft = budget;
    TvdScopedWriteFault scope(fault);
    TvdxIOTransportFile t(nullptr, true);
    t.FilterAccess = faWrite;
    bool failed = false;
    try {
        QIODevice *s = t.GetStream(path);
        for (const QByteArray &piece : input.split('\n'))
            s->write(piece);
        if (viaClose)
            t.CloseFilter();
        else
            t.FreeStream(s);
    } catch (const EFWriteError &) {
        failed = true;
    }
    const QByteArray now = readAll(path);
    const qint64 total = input.size() - input.count('\n');
    if (failed != (total > budget))
        std::abort(); // a save that did not fit passed, or one that fit failed
    if (now != (failed ? QByteArray("old") : QByteArray(input).replace('\n', QByteArray())))
        std::abort();
    if (QDir(dir.path()).entryList(QDir::Files).size() != 1)
        std::abort(); // a temporary file stayed behind
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 2048)
        return 0;
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList names = text.split(u'\n');

    for (const QString &name : names) {
        const QString norm = vdxNormalizePath(name);
        if (norm.size() > name.size())
            std::abort();
        if (vdxNormalizePath(norm).size() > norm.size())
            std::abort();
    }

    MemoryTransport t;
    t.BasePath = names.value(0);
    for (int round = 0; round < 2; ++round) {
        t.FilterAccess = round == 0 ? faWrite : faRead;
        for (const QString &name : names) {
            try {
                QIODevice *s = t.GetStream(name);
                if (s)
                    s->write("x");
                if (name.size() % 3 == 0)
                    t.FreeStream(s, name);
                t.CreateContainer(name, name.size() % 2 == 0);
                t.SetCurrentContainer(name);
                t.DeleteContainer(name);
            } catch (const Exception &) {
            }
        }
        QList<QPair<QString, QIODevice *>> list;
        t.CopyStreamsNames(list);
        if (t.RootNode()->FilesCount() < 0)
            std::abort();
        t.CloseFilter();
        if (t.RootNode()->Count() != 0)
            std::abort();
    }
    // The first byte sets how much the disk still takes.
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const qint64 budget = size ? qint64(data[0]) * 4 : 0;
    shortWrites(bytes, budget, size % 2 == 0);
    return 0;
}
