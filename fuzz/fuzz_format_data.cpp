// Display formats come from templates: a format of any kind and text applied
// to values of every kind gives a text, never a crash or an exception.
#include "report/vdxClass_format.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1 || size > 4096)
        return 0;
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const QStringList parts = text.split(u'\x01');
    TvdxFormat f;
    f.SetKind(TvdxFormat::TvdxFormatKind(data[0] % 4));
    f.SetFormatStr(parts.value(0));
    f.SetDecimalSeparator(parts.value(1));
    f.SetThousandSeparator(parts.value(2));
    const Variant values[] = {Variant(7), Variant(-2.5), Variant(1e300), Variant::fromString(parts.value(3)),
                              Variant::fromInt64(-1), Variant(true), Variant::null(), Variant::fromDate(45000.25)};
    for (const Variant &v : values)
        (void)vdxFormatData(v, &f, data[0] & 4, 204);
    return 0;
}
