// Internals shared by the variant's source files.
#pragma once
#include "core/vdVariant.h"

#include <QAtomicInt>

struct VariantArrayData {
    VariantArrayData() = default;
    VariantArrayData(const VariantArrayData &o);
    VariantArrayData &operator=(const VariantArrayData &) = delete;

    // Element offset of an index list; raises on a wrong count or a bound violation.
    qsizetype offset(std::span<const int> idx) const;

    QAtomicInt ref{1};
    quint16 elemType = varVariant;
    QList<int> lows;
    QList<int> counts;
    // The first dimension varies fastest, so the last one can grow at the end.
    QList<Variant> items;
};

namespace vdvariant {
[[noreturn]] void castError(quint16 from, quint16 to);
[[noreturn]] void invalidCast();
[[noreturn]] void invalidOp();
[[noreturn]] void overflow();
[[noreturn]] void badIndex();
[[noreturn]] void badVarType();
[[noreturn]] void invalidArg();
[[noreturn]] void notArray();
bool roundToInt64(double v, qint64 &out);
bool textToBool(const QString &s, bool &out);
bool currencyFromDouble(double v, qint64 &scaled);
} // namespace vdvariant
