// Arithmetic, logic and comparison of variants.
#include "core/vdVariant.h"
#include "core/vdVariant_p.h"
#include "core/vdFormatSettings.h"

#include <limits>

using namespace vdvariant;

namespace {

// Operand classes; the numeric ones are ordered by how results widen.
enum Base : quint8 { bInt, bInt64, bDouble, bCurrency, bDate, bString, bBool, bEmpty, bNull, bObject, bArray, bOther };

Base baseOf(quint16 t)
{
    switch (t) {
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord: return bInt;
    case varLongWord: case varInt64: return bInt64;
    case varSingle: case varDouble: return bDouble;
    case varCurrency: return bCurrency;
    case varDate: return bDate;
    case varString: case varUString: case varOleStr: return bString;
    case varBoolean: return bBool;
    case varEmpty: return bEmpty;
    case varNull: return bNull;
    case varDispatch: return bObject;
    default: return (t & varArray) ? bArray : bOther;
    }
}

// Numeric rank of an operand in arithmetic: Booleans count as integers, texts as doubles.
Base numericRank(Base b)
{
    if (b == bBool)
        return bInt;
    if (b == bString)
        return bDouble;
    return b;
}

[[noreturn]] void zeroDivide(bool zeroByZero)
{
    if (zeroByZero)
        throw EInvalidOp(QStringLiteral("Invalid floating point operation"));
    throw EZeroDivide(QStringLiteral("Floating point division by zero"));
}

[[noreturn]] void intDivByZero() { throw EDivByZero(QStringLiteral("Division by zero")); }

double checkFloat(double r, double x, double y)
{
    if (std::isfinite(r))
        return r;
    if (std::isinf(r) && std::isfinite(x) && std::isfinite(y))
        throw EOverflow(QStringLiteral("Floating point overflow"));
    if (std::isnan(r) && !std::isnan(x) && !std::isnan(y))
        throw EInvalidOp(QStringLiteral("Invalid floating point operation"));
    return r;
}

Variant intResult(qint64 v)
{
    if (v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max())
        return Variant(int(v));
    return Variant::fromInt64(v);
}

// Scaled currency division and multiplication with half-to-even rounding.
qint64 roundDiv128(__int128 num, __int128 den)
{
    if (den < 0) {
        num = -num;
        den = -den;
    }
    __int128 q = num / den, r = num % den;
    const __int128 twice = (r < 0 ? -r : r) * 2;
    if (twice > den || (twice == den && (q & 1)))
        q += r < 0 ? -1 : 1;
    if (q > std::numeric_limits<qint64>::max() || q < std::numeric_limits<qint64>::min())
        overflow();
    return qint64(q);
}

Variant currencyOp(VarOp op, qint64 x, qint64 y)
{
    qint64 r = 0;
    switch (op) {
    case VarOp::Add:
        if (__builtin_add_overflow(x, y, &r))
            overflow();
        break;
    case VarOp::Subtract:
        if (__builtin_sub_overflow(x, y, &r))
            overflow();
        break;
    case VarOp::Multiply:
        r = roundDiv128(__int128(x) * y, 10000);
        break;
    default:  // Divide
        if (y == 0)
            zeroDivide(x == 0);
        r = roundDiv128(__int128(x) * 10000, y);
        break;
    }
    return Variant::fromCurrency(r);
}

double floatOp(VarOp op, double x, double y)
{
    switch (op) {
    case VarOp::Add: return checkFloat(x + y, x, y);
    case VarOp::Subtract: return checkFloat(x - y, x, y);
    case VarOp::Multiply: return checkFloat(x * y, x, y);
    default:
        if (y == 0)
            zeroDivide(x == 0 || std::isnan(x));
        return checkFloat(x / y, x, y);
    }
}

// The integer operand width for div, mod, shifts and bitwise logic.
bool needs64(Base b, qint64 value)
{
    return b == bInt64 || value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max();
}

bool boolish(const Variant &v, Base b, bool &out)
{
    if (b == bBool) {
        out = v.rawBool();
        return true;
    }
    return b == bString && textToBool(v.rawString(), out);
}

Variant integerOp(VarOp op, const Variant &a, Base A, const Variant &b, Base B)
{
    if (op == VarOp::And || op == VarOp::Or || op == VarOp::Xor) {
        bool x, y;
        if (boolish(a, A, x) && boolish(b, B, y)) {
            switch (op) {
            case VarOp::And: return Variant(x && y);
            case VarOp::Or: return Variant(x || y);
            default: return Variant(x != y);
            }
        }
    }
    const qint64 x = a.toInt64();
    const qint64 y = b.toInt64();
    const bool wide = needs64(A, x) || needs64(B, y);
    switch (op) {
    case VarOp::IntDivide:
        if (y == 0)
            intDivByZero();
        if (x == std::numeric_limits<qint64>::min() && y == -1)
            overflow();
        return wide ? Variant::fromInt64(x / y) : intResult(x / y);
    case VarOp::Modulus:
        if (y == 0)
            intDivByZero();
        if (y == -1)
            return wide ? Variant::fromInt64(0) : Variant(0);
        return wide ? Variant::fromInt64(x % y) : intResult(x % y);
    case VarOp::And: return wide ? Variant::fromInt64(x & y) : Variant(int(x & y));
    case VarOp::Or: return wide ? Variant::fromInt64(x | y) : Variant(int(x | y));
    case VarOp::Xor: return wide ? Variant::fromInt64(x ^ y) : Variant(int(x ^ y));
    case VarOp::ShiftLeft:
    case VarOp::ShiftRight: {
        // The left operand decides the width; the count wraps like the processor's.
        if (needs64(A, x)) {
            const unsigned n = unsigned(y) & 63u;
            const quint64 ux = quint64(x);
            return Variant::fromInt64(qint64(op == VarOp::ShiftLeft ? ux << n : ux >> n));
        }
        const unsigned n = unsigned(y) & 31u;
        const quint32 ux = quint32(qint32(x));
        return Variant(qint32(op == VarOp::ShiftLeft ? ux << n : ux >> n));
    }
    default:
        invalidOp();
    }
}

Variant arith(VarOp op, const Variant &a, Base A, const Variant &b, Base B)
{
    if (A == bString && B == bString && op == VarOp::Add) {
        const quint16 kind = a.varType() == b.varType() ? a.varType() : quint16(varString);
        return Variant::fromString(a.rawString() + b.rawString(), kind);
    }
    Base ra = numericRank(A), rb = numericRank(B);
    Base r = std::max(ra, rb);
    if (r == bDate) {
        if ((op == VarOp::Subtract && A == bDate && B == bDate) || op == VarOp::Multiply || op == VarOp::Divide)
            return Variant(floatOp(op, a.toDouble(), b.toDouble()));
        return Variant::fromDate(floatOp(op, a.toDouble(), b.toDouble()));
    }
    if (op == VarOp::Divide && r < bDouble)
        r = bDouble;
    switch (r) {
    case bInt: {
        const qint64 x = (A == bBool) ? (a.rawBool() ? -1 : 0) : a.rawInt();
        const qint64 y = (B == bBool) ? (b.rawBool() ? -1 : 0) : b.rawInt();
        switch (op) {
        case VarOp::Add: return intResult(x + y);
        case VarOp::Subtract: return intResult(x - y);
        default: return intResult(x * y);  // both fit in 32 bits
        }
    }
    case bInt64: {
        const qint64 x = a.toInt64(), y = b.toInt64();
        qint64 res;
        bool ovf;
        switch (op) {
        case VarOp::Add: ovf = __builtin_add_overflow(x, y, &res); break;
        case VarOp::Subtract: ovf = __builtin_sub_overflow(x, y, &res); break;
        default: ovf = __builtin_mul_overflow(x, y, &res); break;
        }
        if (ovf)
            overflow();
        return Variant::fromInt64(res);
    }
    case bCurrency:
        return currencyOp(op, a.toCurrency(), b.toCurrency());
    default:
        return Variant(floatOp(op, a.toDouble(), b.toDouble()));
    }
}

} // namespace

Variant Variant::binaryOpSlow(VarOp op, const Variant &a, const Variant &b)
{
    // Fast paths for the common script cases.
    if (a.m_type == varInteger && b.m_type == varInteger) {
        const qint64 x = a.m_u.i, y = b.m_u.i;
        switch (op) {
        case VarOp::Add: return intResult(x + y);
        case VarOp::Subtract: return intResult(x - y);
        case VarOp::Multiply: return intResult(x * y);
        default: break;
        }
    }
    // Integer and Double operands mixed, or divided: the arithmetic is in doubles.
    const bool aNum = a.m_type == varDouble || a.m_type == varInteger;
    const bool bNum = b.m_type == varDouble || b.m_type == varInteger;
    if (aNum && bNum && op <= VarOp::Divide
        && (a.m_type == varDouble || b.m_type == varDouble || op == VarOp::Divide)) {
        const double x = a.m_type == varDouble ? a.m_u.d : double(a.m_u.i);
        const double y = b.m_type == varDouble ? b.m_u.d : double(b.m_u.i);
        return Variant(floatOp(op, x, y));
    }

    Base A = baseOf(a.m_type), B = baseOf(b.m_type);
    if (A >= bObject || B >= bObject)
        invalidOp();
    if (A == bNull || B == bNull)
        return Variant::null();
    if (A == bEmpty || B == bEmpty) {
        if (A == bEmpty && B == bEmpty) {
            switch (op) {
            case VarOp::Divide: zeroDivide(true);
            case VarOp::IntDivide: case VarOp::Modulus: intDivByZero();
            default: return Variant();
            }
        }
        // An unassigned operand stands for the neutral value of the other side.
        const Variant &other = A == bEmpty ? b : a;
        const Base ob = A == bEmpty ? B : A;
        Variant subst;
        if (ob == bString && op == VarOp::Add)
            subst = Variant(QString());
        else if (ob == bBool && (op == VarOp::And || op == VarOp::Or || op == VarOp::Xor))
            subst = Variant(false);
        else
            subst = Variant(0);
        return A == bEmpty ? binaryOp(op, subst, other) : binaryOp(op, other, subst);
    }
    switch (op) {
    case VarOp::Add: case VarOp::Subtract: case VarOp::Multiply: case VarOp::Divide:
        return arith(op, a, A, b, B);
    default:
        return integerOp(op, a, A, b, B);
    }
}

Variant Variant::negate() const
{
    switch (baseOf(m_type)) {
    case bEmpty: return Variant(0);
    case bNull: return Variant::null();
    case bInt: return intResult(-m_u.i);
    case bBool: return Variant(m_u.b ? 1 : 0);
    case bInt64:
        if (m_u.i == std::numeric_limits<qint64>::min())
            overflow();
        return fromInt64(-m_u.i);
    case bDouble: {
        Variant r(*this);
        r.m_u.d = -m_u.d;
        return r;
    }
    case bCurrency:
        if (m_u.i == std::numeric_limits<qint64>::min())
            overflow();
        return fromCurrency(-m_u.i);
    case bDate: return fromDate(-m_u.d);
    case bString: return Variant(-toDouble());
    default: invalidOp();
    }
}

Variant Variant::logicalNot() const
{
    const Base b = baseOf(m_type);
    switch (b) {
    case bEmpty: return Variant(-1);
    case bNull: return Variant::null();
    case bBool: return Variant(!m_u.b);
    case bInt: return Variant(int(~m_u.i));
    case bInt64:
        if (m_type == varLongWord)
            return fromLongWord(~quint32(m_u.i));
        return fromInt64(~m_u.i);
    case bString: {
        bool v;
        if (textToBool(rawString(), v))
            return Variant(!v);
        [[fallthrough]];
    }
    case bDouble: case bCurrency: case bDate: {
        const qint64 x = toInt64();
        return intResult(~x);
    }
    default: invalidOp();
    }
}

namespace {

int cmp3(auto x, auto y) { return x < y ? -1 : (y < x ? 1 : 0); }

VarCompare toCompare(int c) { return VarCompare(c); }

} // namespace

VarCompare Variant::compareSlow(const Variant &a, const Variant &b)
{
    if ((a.m_type == varDouble || a.m_type == varInteger) && (b.m_type == varDouble || b.m_type == varInteger)) {
        const double x = a.m_type == varDouble ? a.m_u.d : double(a.m_u.i);
        const double y = b.m_type == varDouble ? b.m_u.d : double(b.m_u.i);
        if (std::isnan(x) || std::isnan(y))
            return VarCompare::Unordered;
        return toCompare(cmp3(x, y));
    }
    const Base A = baseOf(a.m_type), B = baseOf(b.m_type);
    if (A == bString && B == bString)
        return toCompare(cmp3(QStringView(a.rawString()).compare(QStringView(b.rawString()), Qt::CaseSensitive), 0));
    if (A == bNull || B == bNull) {
        if (A == B)
            return VarCompare::Equal;
        return A == bNull ? VarCompare::Less : VarCompare::Greater;
    }
    if (A == bArray || B == bArray || A == bOther || B == bOther)
        invalidOp();
    if (A == bObject || B == bObject) {
        // References compare by identity; a missing or freed object equals nil (0) and Empty.
        if (A == B)
            return a.object() == b.object() ? VarCompare::Equal : VarCompare::Unordered;
        const Variant &obj = A == bObject ? a : b;
        const Variant &other = A == bObject ? b : a;
        const Base ob = A == bObject ? B : A;
        const bool isNil = ob == bEmpty || ((ob == bInt || ob == bInt64) && other.rawInt() == 0);
        return isNil && !obj.object() ? VarCompare::Equal : VarCompare::Unordered;
    }
    if (A == bEmpty || B == bEmpty) {
        if (A == B)
            return VarCompare::Equal;
        const Base ob = A == bEmpty ? B : A;
        Variant subst = ob == bString ? Variant(QString()) : ob == bBool ? Variant(false) : Variant(0);
        return A == bEmpty ? compare(subst, b) : compare(a, subst);
    }
    if (A == bBool || B == bBool) {
        // Booleans compare as -1 and 0; a text beside a Boolean is read as a Boolean.
        if (A == bString || B == bString) {
            const qint64 x = a.toBool() ? -1 : 0, y = b.toBool() ? -1 : 0;
            return toCompare(cmp3(x, y));
        }
    }
    Base r = std::max(numericRank(A), numericRank(B));
    switch (r) {
    case bInt:
    case bInt64:
        return toCompare(cmp3(a.toInt64(), b.toInt64()));
    case bCurrency: {
        // Beside a float the comparison is in floats, so that no value is out of range.
        if (numericRank(A) == bDouble || numericRank(B) == bDouble) {
            const double x = a.toDouble(), y = b.toDouble();
            if (std::isnan(x) || std::isnan(y))
                return VarCompare::Unordered;
            return toCompare(cmp3(x, y));
        }
        auto scaled = [](const Variant &v, Base k) -> __int128 {
            return k == bCurrency ? __int128(v.rawInt()) : __int128(v.toInt64()) * 10000;
        };
        return toCompare(cmp3(scaled(a, A), scaled(b, B)));
    }
    case bDate: {
        const double x = a.toDate(), y = b.toDate();
        return toCompare(cmp3(x, y));
    }
    default: {
        const double x = a.toDouble(), y = b.toDouble();
        if (std::isnan(x) || std::isnan(y))
            return VarCompare::Unordered;
        return toCompare(cmp3(x, y));
    }
    }
}

int Variant::orderedCompare(const Variant &a, const Variant &b)
{
    const VarCompare c = compare(a, b);
    if (c == VarCompare::Unordered)
        invalidOp();
    return int(c);
}
