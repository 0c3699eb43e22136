// Format strings, number pictures, date pictures and edit masks come from
// templates. Any of them gives a text or a clean error, never a crash, a hang
// or an outsized result.
#include "platform/Exception.h"
#include "core/vdFormat.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

template <typename F>
void guarded(F f)
{
    try {
        f();
    } catch (const Exception &) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 4096)
        return 0;
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QList<Variant> args = {Variant(7), Variant(-2.5), Variant(QStringLiteral("abc")), Variant::fromInt64(-1),
                                 Variant::fromCurrency(12345), Variant(true), Variant::null()};
    guarded([&] {
        const QString r = Format(text, args);
        // Widths are capped, so the result stays proportionate to the input.
        if (r.size() > 64 * 1024 * (text.size() + 1))
            std::abort();
    });
    for (double v : {0.0, -1234.5678, 1e300, 0.125, -1e-300})
        guarded([&] { (void)FormatFloat(text, v); });
    for (double v : {45356.5, -693593.0, 2958465.99, 1e9})
        guarded([&] { (void)FormatDateTime(text, v); });
    guarded([&] { (void)FormatMaskText(text, QStringLiteral("12345abcde")); });
    return 0;
}
