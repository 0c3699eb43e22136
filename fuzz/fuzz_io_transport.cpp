// Stream and container names reach transports from templates, export
// settings and dialogs. Any name gives a node or the parse error, and the
// path normaliser never grows a path or keeps a ".." segment it could drop.
#include "report/vdxClass_io.h"

#include <QBuffer>
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
    return 0;
}
