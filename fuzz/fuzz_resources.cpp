// Packed strips, string-resource documents and INI texts from untrusted bytes:
// errors are exceptions, never crashes.
#include "core/vdGZip.h"
#include "core/vdResources.h"
#include "platform/IniFile.h"

#include <QBuffer>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    {
        QBuffer src(&bytes);
        src.open(QIODevice::ReadOnly);
        QBuffer dst;
        dst.open(QIODevice::ReadWrite);
        try {
            GUnzipStream(src, dst);
        } catch (const Exception &) {
        }
    }
    {
        TvdStringResources res;
        QBuffer src(&bytes);
        src.open(QIODevice::ReadOnly);
        try {
            res.LoadFromStream(src);
        } catch (const Exception &) {
        }
        (void)res.Get(QStringLiteral("K1"));
    }
    {
        TMemIniFile ini;
        ini.SetIniText(QString::fromUtf8(bytes));
        for (const QString &section : ini.ReadSections())
            (void)ini.ReadSectionValuesEx(section);
        (void)ini.IniText();
    }
    return 0;
}
