// The value type of scripts and of the report model: empty, null, integer kinds,
// Int64, floats, currency, dates, Booleans, texts, arrays with bounds and
// checked object references, with the platform's conversion, arithmetic and
// comparison rules.
#pragma once
#include "platform/Exception.h"

#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QString>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <span>

// Var-type codes as scripts see them (VarType answers these, varArray or-ed in).
enum : quint16 {
    varEmpty = 0x0000,
    varNull = 0x0001,
    varSmallint = 0x0002,
    varInteger = 0x0003,
    varSingle = 0x0004,
    varDouble = 0x0005,
    varCurrency = 0x0006,
    varDate = 0x0007,
    varOleStr = 0x0008,
    varDispatch = 0x0009,  // object reference
    varError = 0x000A,
    varBoolean = 0x000B,
    varVariant = 0x000C,
    varUnknown = 0x000D,
    varShortInt = 0x0010,
    varByte = 0x0011,
    varWord = 0x0012,
    varLongWord = 0x0013,
    varInt64 = 0x0014,
    varStrArg = 0x0048,
    varString = 0x0100,
    varAny = 0x0101,
    varUString = 0x0102,
    varTypeMask = 0x0FFF,
    varArray = 0x2000,
    varByRef = 0x4000,
};

VD_DECLARE_EXCEPTION(EVariantError, Exception)
VD_DECLARE_EXCEPTION(EVariantInvalidOpError, EVariantError)
VD_DECLARE_EXCEPTION(EVariantTypeCastError, EVariantError)
VD_DECLARE_EXCEPTION(EVariantOverflowError, EVariantError)
VD_DECLARE_EXCEPTION(EVariantBadIndexError, EVariantError)
VD_DECLARE_EXCEPTION(EVariantArrayCreateError, EVariantError)
VD_DECLARE_EXCEPTION(EVariantBadVarTypeError, EVariantError)
VD_DECLARE_EXCEPTION(EVariantInvalidArgError, EVariantError)
VD_DECLARE_EXCEPTION(EVariantFreedObjectError, EVariantError)
VD_DECLARE_EXCEPTION(EMathError, Exception)
VD_DECLARE_EXCEPTION(EZeroDivide, EMathError)
VD_DECLARE_EXCEPTION(EInvalidOp, EMathError)
VD_DECLARE_EXCEPTION(EOverflow, EMathError)
VD_DECLARE_EXCEPTION(EIntError, Exception)
VD_DECLARE_EXCEPTION(EDivByZero, EIntError)

// Binary operators of the variant arithmetic.
enum class VarOp { Add, Subtract, Multiply, Divide, IntDivide, Modulus, ShiftLeft, ShiftRight, And, Or, Xor };

// Result of Variant::compare; Unordered when only (in)equality is defined.
enum class VarCompare { Less = -1, Equal = 0, Greater = 1, Unordered = 2 };

struct VariantArrayData;

class Variant {
public:
    Variant() noexcept { m_u.i = 0; }
    Variant(bool v) noexcept : m_type(varBoolean) { m_u.i = 0; m_u.b = v; }
    Variant(int v) noexcept : m_type(varInteger) { m_u.i = v; }
    Variant(unsigned v) noexcept : m_type(varLongWord) { m_u.i = v; }
    // 64-bit integers (qint64, qsizetype) choose their kind explicitly: Variant(int(n))
    // for Integer or fromInt64(n) for Int64.
    Variant(long) = delete;
    Variant(long long) = delete;
    Variant(unsigned long) = delete;
    Variant(unsigned long long) = delete;
    Variant(float v) noexcept : m_type(varSingle) { m_u.d = double(v); }
    Variant(double v) noexcept : m_type(varDouble) { m_u.d = v; }
    Variant(const QString &s) : m_type(varString) { new (m_u.raw) QString(s); }
    Variant(QString &&s) noexcept : m_type(varString) { new (m_u.raw) QString(std::move(s)); }
    Variant(const char *utf8) : Variant(QString::fromUtf8(utf8)) {}
    Variant(const char16_t *s) : Variant(QString::fromUtf16(s)) {}
    Variant(QObject *) = delete;  // use fromObject: references are explicit
    Variant(const void *) = delete;

    Variant(const Variant &o) : m_type(o.m_type)
    {
        if (o.isTrivial())
            m_u.i = o.m_u.i;  // scalar payloads are one 8-byte word
        else
            copyFrom(o);
    }
    Variant(Variant &&o) noexcept : m_type(o.m_type)
    {
        // Every payload is relocatable: move the bytes, leave the source empty.
        relocateFrom(o);
    }
    Variant &operator=(const Variant &o)
    {
        if (this != &o) {
            if (isTrivial() && o.isTrivial()) {
                m_type = o.m_type;
                m_u.i = o.m_u.i;
            } else {
                Variant tmp(o);
                swap(tmp);
            }
        }
        return *this;
    }
    Variant &operator=(Variant &&o) noexcept
    {
        if (this != &o) {
            if (!isTrivial())
                destroy();
            m_type = o.m_type;
            relocateFrom(o);
        }
        return *this;
    }
    ~Variant()
    {
        if (!isTrivial())
            destroy();
    }
    void swap(Variant &o) noexcept
    {
        Storage t;
        std::memcpy(static_cast<void *>(&t), &m_u, sizeof m_u);
        std::memcpy(static_cast<void *>(&m_u), &o.m_u, sizeof m_u);
        std::memcpy(static_cast<void *>(&o.m_u), &t, sizeof m_u);
        std::swap(m_type, o.m_type);
    }
    // Back to Empty.
    void clear() noexcept
    {
        if (!isTrivial())
            destroy();
        m_type = varEmpty;
        m_u.i = 0;
    }

    static Variant null() noexcept { Variant v; v.m_type = varNull; return v; }
    static Variant fromSmallint(qint16 v) noexcept { return fromRawInt(varSmallint, v); }
    static Variant fromShortInt(qint8 v) noexcept { return fromRawInt(varShortInt, v); }
    static Variant fromByte(quint8 v) noexcept { return fromRawInt(varByte, v); }
    static Variant fromWord(quint16 v) noexcept { return fromRawInt(varWord, v); }
    static Variant fromLongWord(quint32 v) noexcept { return fromRawInt(varLongWord, v); }
    static Variant fromInt64(qint64 v) noexcept { return fromRawInt(varInt64, v); }
    // Currency is a 64-bit integer scaled by 10000.
    static Variant fromCurrency(qint64 scaled) noexcept { return fromRawInt(varCurrency, scaled); }
    static Variant fromCurrencyValue(double value);  // rounded half to even to 4 decimals
    static Variant fromDate(double days) noexcept { Variant v(days); v.m_type = varDate; return v; }
    // Text with an explicit kind (varString, varUString or varOleStr).
    static Variant fromString(const QString &s, quint16 kind = varString);
    // A checked reference: remembers the class and notices when the object is destroyed.
    static Variant fromObject(QObject *object);
    static Variant fromObject(QObject *object, const QMetaObject *declaredClass);

    // Type code, with varArray or-ed in for arrays.
    quint16 varType() const noexcept { return m_type; }
    bool isEmpty() const noexcept { return m_type == varEmpty; }
    bool isNull() const noexcept { return m_type == varNull; }
    bool isEmptyOrNull() const noexcept { return m_type <= varNull; }
    bool isArray() const noexcept { return (m_type & varArray) != 0; }
    bool isObject() const noexcept { return m_type == varDispatch; }
    bool isString() const noexcept { return m_type == varString || m_type == varUString || m_type == varOleStr; }
    bool isBool() const noexcept { return m_type == varBoolean; }
    bool isOrdinal() const noexcept;   // integer kinds, Int64
    bool isFloat() const noexcept { return m_type == varSingle || m_type == varDouble || m_type == varCurrency; }
    bool isNumeric() const noexcept { return isOrdinal() || isFloat(); }

    // Direct access to the payload (no conversion; the kind must match).
    qint64 rawInt() const noexcept { return m_u.i; }       // integer kinds, Int64, currency (scaled)
    double rawDouble() const noexcept { return m_u.d; }    // single, double, date
    bool rawBool() const noexcept { return m_u.b; }
    const QString &rawString() const noexcept { return *reinterpret_cast<const QString *>(m_u.raw); }

    // Conversions with the platform's rules; failures raise EVariantError kinds.
    int toInt() const;
    qint64 toInt64() const;
    double toDouble() const;
    bool toBool() const;
    QString toString() const;
    double toDate() const;
    qint64 toCurrency() const;  // scaled by 10000
    // The value converted to another kind (VarAsType).
    Variant asType(quint16 varType) const;

    // Object references.
    QObject *object() const noexcept;           // nullptr when no object or destroyed
    bool isObjectAlive() const noexcept { return object() != nullptr; }
    const QMetaObject *objectClass() const noexcept;
    QString objectClassName() const;
    bool objectInherits(const QMetaObject *cls) const noexcept;
    bool objectInherits(const char *className) const noexcept;
    // The referenced object; raises when the value is no object or the object is gone.
    QObject *checkedObject() const;

    // Arrays. Bounds are pairs low, high per dimension; dimensions count from 1.
    static Variant createArray(std::span<const int> bounds, quint16 elemType);
    static Variant createArray(std::initializer_list<int> bounds, quint16 elemType)
    {
        return createArray(std::span<const int>(bounds.begin(), bounds.size()), elemType);
    }
    static Variant arrayOf(const QList<Variant> &values);  // elements 0..n-1 of type varVariant
    int arrayDimCount() const;
    int arrayLowBound(int dim) const;
    int arrayHighBound(int dim) const;
    quint16 arrayElementType() const;
    qsizetype arrayElementCount() const;
    Variant arrayGet(std::span<const int> indices) const;
    Variant arrayGet(int index) const { return arrayGet(std::span<const int>(&index, 1)); }
    void arraySet(std::span<const int> indices, const Variant &value);
    void arraySet(int index, const Variant &value) { arraySet(std::span<const int>(&index, 1), value); }
    // New high bound of the last dimension; kept elements stay.
    void arrayRedim(int highBound);

    // Arithmetic and logic.
    static Variant binaryOp(VarOp op, const Variant &a, const Variant &b)
    {
        if (a.m_type == varInteger && b.m_type == varInteger && op <= VarOp::Multiply) {
            const qint64 x = a.m_u.i, y = b.m_u.i;
            const qint64 r = op == VarOp::Add ? x + y : op == VarOp::Subtract ? x - y : x * y;
            if (r >= -2147483647 - 1 && r <= 2147483647)
                return Variant(int(r));
        } else if (a.m_type == varDouble && b.m_type == varDouble && op <= VarOp::Multiply) {
            const double x = a.m_u.d, y = b.m_u.d;
            const double r = op == VarOp::Add ? x + y : op == VarOp::Subtract ? x - y : x * y;
            if (std::isfinite(r))
                return Variant(r);
        }
        return binaryOpSlow(op, a, b);
    }
    static Variant binaryOpSlow(VarOp op, const Variant &a, const Variant &b);
    Variant negate() const;
    Variant logicalNot() const;
    // Platform comparison; Null equals Null and is below every other value.
    static VarCompare compare(const Variant &a, const Variant &b)
    {
        if (a.m_type == varInteger && b.m_type == varInteger)
            return a.m_u.i < b.m_u.i ? VarCompare::Less : a.m_u.i > b.m_u.i ? VarCompare::Greater : VarCompare::Equal;
        return compareSlow(a, b);
    }
    static VarCompare compareSlow(const Variant &a, const Variant &b);
    static bool equals(const Variant &a, const Variant &b) { return compare(a, b) == VarCompare::Equal; }

    friend Variant operator+(const Variant &a, const Variant &b) { return binaryOp(VarOp::Add, a, b); }
    friend Variant operator-(const Variant &a, const Variant &b) { return binaryOp(VarOp::Subtract, a, b); }
    friend Variant operator*(const Variant &a, const Variant &b) { return binaryOp(VarOp::Multiply, a, b); }
    friend Variant operator/(const Variant &a, const Variant &b) { return binaryOp(VarOp::Divide, a, b); }
    Variant operator-() const { return negate(); }
    friend bool operator==(const Variant &a, const Variant &b) { return compare(a, b) == VarCompare::Equal; }
    friend bool operator!=(const Variant &a, const Variant &b) { return compare(a, b) != VarCompare::Equal; }
    friend bool operator<(const Variant &a, const Variant &b) { return orderedCompare(a, b) < 0; }
    friend bool operator>(const Variant &a, const Variant &b) { return orderedCompare(a, b) > 0; }
    friend bool operator<=(const Variant &a, const Variant &b) { return orderedCompare(a, b) <= 0; }
    friend bool operator>=(const Variant &a, const Variant &b) { return orderedCompare(a, b) >= 0; }
    // -1, 0 or 1; raises "Invalid variant operation" for values without an order.
    static int orderedCompare(const Variant &a, const Variant &b);

private:
    union Storage {
        qint64 i;
        double d;
        bool b;
        alignas(8) unsigned char raw[24];
    };
    struct ObjectRef {
        QPointer<QObject> ptr;
        const QMetaObject *cls;
    };
    static_assert(sizeof(QString) <= sizeof(Storage));
    static_assert(sizeof(ObjectRef) <= sizeof(Storage));

    static Variant fromRawInt(quint16 type, qint64 v) noexcept
    {
        Variant r;
        r.m_type = type;
        r.m_u.i = v;
        return r;
    }
    bool isTrivial() const noexcept
    {
        constexpr quint32 heavy = (1u << varOleStr) | (1u << varDispatch);
        return m_type < 32 && !((1u << m_type) & heavy);
    }
    void relocateFrom(Variant &o) noexcept
    {
        if (o.isTrivial())
            m_u.i = o.m_u.i;
        else
            std::memcpy(static_cast<void *>(&m_u), &o.m_u, sizeof m_u);
        o.m_type = varEmpty;
    }
    void copyFrom(const Variant &o);
    void destroy() noexcept;
    QString &str() noexcept { return *reinterpret_cast<QString *>(m_u.raw); }
    const ObjectRef &objRef() const noexcept { return *reinterpret_cast<const ObjectRef *>(m_u.raw); }
    VariantArrayData *arr() const noexcept { return *reinterpret_cast<VariantArrayData *const *>(m_u.raw); }
    VariantArrayData *mutableArr();
    const VariantArrayData &checkedArr() const;

    quint16 m_type = varEmpty;
    Storage m_u;

    friend struct VariantArrayData;
};

// Payloads move by their bytes (see the move constructor).
Q_DECLARE_TYPEINFO(Variant, Q_RELOCATABLE_TYPE);

// Platform-style helpers.
inline quint16 VarType(const Variant &v) { return v.varType(); }
inline bool VarIsNull(const Variant &v) { return v.isNull(); }
inline bool VarIsEmpty(const Variant &v) { return v.isEmpty(); }
inline bool VarIsArray(const Variant &v) { return v.isArray(); }
// The text of a value; Null gives the empty text.
QString VarToStr(const Variant &v);
// The name of a type code as messages show it ("Integer", "String", "Array Variant").
QString VarTypeAsText(quint16 varType);
inline Variant VarAsType(const Variant &v, quint16 varType) { return v.asType(varType); }
inline Variant VarArrayCreate(std::initializer_list<int> bounds, quint16 elemType)
{
    return Variant::createArray(bounds, elemType);
}
inline Variant VarArrayOf(const QList<Variant> &values) { return Variant::arrayOf(values); }
inline int VarArrayDimCount(const Variant &v) { return v.arrayDimCount(); }
inline int VarArrayLowBound(const Variant &v, int dim) { return v.arrayLowBound(dim); }
inline int VarArrayHighBound(const Variant &v, int dim) { return v.arrayHighBound(dim); }
// Round half to even, as every conversion of a float to an integer does.
inline double RoundHalfEven(double v) { return std::nearbyint(v); }
