// Texts met by the value conversions: numbers, dates, literals, positions and
// host declaration strings. Any input gives a value or a clean error.
#include "platform/Exception.h"
#include "core/vdFormatSettings.h"
#include "core/vdVariant.h"
#include "script/ov_itools.h"

#include <cstddef>
#include <cstdint>

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
    const qsizetype nl = text.indexOf(QLatin1Char('\n'));
    const QString left = nl < 0 ? text : text.left(nl);
    const QString right = nl < 0 ? QString() : text.mid(nl + 1);

    double d;
    int i;
    qint64 l;
    if (TryStrToFloat(left, d)) {
        guarded([&] { (void)DateTimeToStr(d); });
        guarded([&] { (void)Variant::fromDate(d).toString(); });
    }
    TryStrToInt(left, i);
    TryStrToInt64(left, l);
    if (TryStrToDateTime(left, d))
        (void)DateTimeToStr(d);
    TryStrToDate(left, d);
    TryStrToTime(left, d);

    const Variant a(left), b(right);
    const VarOp ops[] = {VarOp::Add, VarOp::Subtract, VarOp::Multiply, VarOp::Divide, VarOp::IntDivide,
                         VarOp::Modulus, VarOp::ShiftLeft, VarOp::ShiftRight, VarOp::And, VarOp::Or, VarOp::Xor};
    for (VarOp op : ops) {
        guarded([&] { (void)Variant::binaryOp(op, a, b); });
        guarded([&] { (void)Variant::binaryOp(op, a, Variant(7)); });
        guarded([&] { (void)Variant::binaryOp(op, Variant(2.5), b); });
        guarded([&] { (void)Variant::binaryOp(op, Variant::fromDate(45000.5), a); });
        guarded([&] { (void)Variant::binaryOp(op, Variant::fromCurrencyValue(12.5), a); });
    }
    guarded([&] { (void)Variant::compare(a, b); });
    guarded([&] { (void)Variant::compare(a, Variant(1)); });
    guarded([&] { (void)Variant::compare(a, Variant::fromDate(1)); });
    guarded([&] { (void)Variant::compare(a, Variant(true)); });
    guarded([&] { (void)a.toDate(); });
    guarded([&] { (void)a.toCurrency(); });
    guarded([&] { (void)a.negate(); });
    guarded([&] { (void)a.logicalNot(); });
    guarded([&] { (void)Variant(a.toDouble()).toString(); });

    guarded([&] { (void)ovLiteralToVariant(left); });
    guarded([&] { (void)ovSourcePosToPoint(left); });
    guarded([&] { (void)ovParseMethodSyntax(text, nullptr); });
    return 0;
}
