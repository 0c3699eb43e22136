// Loads arbitrary bytes as a style file and as a style scheme: a broken file
// raises and leaves the styles as they were; what loads saves and loads again.
#include "platform/Exception.h"
#include "report/vdxClass.h"

#include <QBuffer>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 1 << 20)
        return 0;
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    TvdxStyles styles;
    styles.Add()->SetName(QStringLiteral("Keep"));
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    try {
        styles.LoadFromStream(in);
    } catch (const Exception &) {
        if (styles.Count() != 1)
            __builtin_trap();
        return 0;
    }
    QBuffer out;
    out.open(QIODevice::ReadWrite);
    styles.SaveToStream(out);
    out.seek(0);
    TvdxStyles again;
    try {
        again.LoadFromStream(out);
    } catch (const Exception &) {
        __builtin_trap();
    }
    TvdxStyleScheme scheme;
    in.seek(0);
    try {
        scheme.LoadFromStream(in);
    } catch (const Exception &) {
    }
    return 0;
}
