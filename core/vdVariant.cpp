#include "core/vdVariant.h"
#include "core/vdVariant_p.h"
#include "core/vdFormatSettings.h"

#include <cfloat>
#include <limits>

// ----- shared helpers -----

namespace vdvariant {

void castError(quint16 from, quint16 to)
{
    throw EVariantTypeCastError(QStringLiteral("Could not convert variant of type (%1) into type (%2)")
                                    .arg(VarTypeAsText(from), VarTypeAsText(to)));
}

void invalidCast() { throw EVariantTypeCastError(QStringLiteral("Invalid variant type conversion")); }
void invalidOp() { throw EVariantInvalidOpError(QStringLiteral("Invalid variant operation")); }
void overflow() { throw EVariantOverflowError(QStringLiteral("Variant overflow")); }
void badIndex() { throw EVariantBadIndexError(QStringLiteral("Variant or safe array index out of bounds")); }
void badVarType() { throw EVariantBadVarTypeError(QStringLiteral("Invalid variant type")); }
void invalidArg() { throw EVariantInvalidArgError(QStringLiteral("Invalid argument")); }
void notArray() { throw EVariantInvalidArgError(QStringLiteral("Variant is not an array")); }

bool roundToInt64(double v, qint64 &out)
{
    if (!std::isfinite(v))
        return false;
    const double r = std::nearbyint(v);
    // 2^63 is exactly representable; everything below it fits.
    if (r < -9223372036854775808.0 || r >= 9223372036854775808.0)
        return false;
    out = static_cast<qint64>(r);
    return true;
}

bool textToBool(const QString &s, bool &out)
{
    const QString t = s.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) {
        out = true;
        return true;
    }
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) {
        out = false;
        return true;
    }
    return false;
}

bool currencyFromDouble(double v, qint64 &scaled)
{
    return roundToInt64(v * 10000.0, scaled) && std::fabs(v * 10000.0) < 9.2233720368547758e18;
}

} // namespace vdvariant

using namespace vdvariant;

// ----- arrays -----

VariantArrayData::VariantArrayData(const VariantArrayData &o)
    : ref(1), elemType(o.elemType), lows(o.lows), counts(o.counts), items(o.items)
{
}

qsizetype VariantArrayData::offset(std::span<const int> idx) const
{
    if (idx.size() != size_t(lows.size()))
        invalidArg();
    qsizetype off = 0, stride = 1;
    for (qsizetype d = 0; d < lows.size(); ++d) {
        const qint64 k = qint64(idx[size_t(d)]) - lows[d];
        if (k < 0 || k >= counts[d])
            badIndex();
        off += qsizetype(k) * stride;
        stride *= counts[d];
    }
    return off;
}

namespace {

bool validElementType(quint16 t)
{
    switch (t) {
    case varSmallint: case varInteger: case varSingle: case varDouble: case varCurrency: case varDate:
    case varOleStr: case varDispatch: case varBoolean: case varVariant: case varShortInt: case varByte:
    case varWord: case varLongWord: case varInt64: case varString: case varUString:
        return true;
    default:
        return false;
    }
}

Variant zeroOf(quint16 t)
{
    switch (t) {
    case varVariant: return Variant();
    case varOleStr: case varString: case varUString: return Variant::fromString(QString(), t);
    case varDispatch: return Variant::fromObject(nullptr);
    default: return Variant(0).asType(t);
    }
}

// Cap on elements of one array, so that a bad bound cannot exhaust memory.
constexpr qint64 kMaxArrayElements = qint64(1) << 26;

} // namespace

Variant Variant::createArray(std::span<const int> bounds, quint16 elemType)
{
    if (!validElementType(elemType))
        badVarType();
    if (bounds.empty() || bounds.size() % 2 != 0)
        invalidArg();
    auto *data = new VariantArrayData;
    data->elemType = elemType;
    qint64 total = 1;
    for (size_t i = 0; i < bounds.size(); i += 2) {
        const qint64 count = qint64(bounds[i + 1]) - bounds[i] + 1;
        if (count < 0 || (count > 0 && total > kMaxArrayElements / count)) {
            delete data;
            throw EVariantArrayCreateError(QStringLiteral("Error creating variant or safe array"));
        }
        total *= count;
        data->lows.append(bounds[i]);
        data->counts.append(int(count));
    }
    data->items.fill(zeroOf(elemType), qsizetype(total));
    Variant v;
    v.m_type = varArray | elemType;
    *reinterpret_cast<VariantArrayData **>(v.m_u.raw) = data;
    return v;
}

Variant Variant::arrayOf(const QList<Variant> &values)
{
    Variant v = createArray({0, int(values.size()) - 1}, varVariant);
    v.mutableArr()->items = values;
    return v;
}

const VariantArrayData &Variant::checkedArr() const
{
    if (!isArray())
        notArray();
    return *arr();
}

VariantArrayData *Variant::mutableArr()
{
    if (!isArray())
        notArray();
    VariantArrayData *d = arr();
    if (d->ref.loadRelaxed() != 1) {
        auto *copy = new VariantArrayData(*d);
        if (!d->ref.deref())
            delete d;
        *reinterpret_cast<VariantArrayData **>(m_u.raw) = copy;
        d = copy;
    }
    return d;
}

int Variant::arrayDimCount() const { return isArray() ? int(arr()->lows.size()) : 0; }

int Variant::arrayLowBound(int dim) const
{
    const VariantArrayData &d = checkedArr();
    if (dim < 1 || dim > d.lows.size())
        badIndex();
    return d.lows[dim - 1];
}

int Variant::arrayHighBound(int dim) const
{
    const VariantArrayData &d = checkedArr();
    if (dim < 1 || dim > d.lows.size())
        badIndex();
    return d.lows[dim - 1] + d.counts[dim - 1] - 1;
}

quint16 Variant::arrayElementType() const { return checkedArr().elemType; }

qsizetype Variant::arrayElementCount() const { return checkedArr().items.size(); }

Variant Variant::arrayGet(std::span<const int> indices) const
{
    const VariantArrayData &d = checkedArr();
    return d.items[d.offset(indices)];
}

void Variant::arraySet(std::span<const int> indices, const Variant &value)
{
    const VariantArrayData &cd = checkedArr();
    const qsizetype off = cd.offset(indices);
    Variant stored = cd.elemType == varVariant ? value : value.asType(cd.elemType);
    mutableArr()->items[off] = std::move(stored);
}

void Variant::arrayRedim(int highBound)
{
    const VariantArrayData &cd = checkedArr();
    const qsizetype last = cd.lows.size() - 1;
    const qint64 count = qint64(highBound) - cd.lows[last] + 1;
    qint64 inner = 1;
    for (qsizetype k = 0; k < last; ++k)
        inner *= cd.counts[k];
    if (count < 0 || (count > 0 && inner > kMaxArrayElements / count))
        throw EVariantArrayCreateError(QStringLiteral("Error creating variant or safe array"));
    VariantArrayData *d = mutableArr();
    const quint16 et = d->elemType;
    d->counts[last] = int(count);
    // The last dimension varies slowest, so its elements form the tail.
    const qsizetype newSize = qsizetype(inner * count);
    if (newSize < d->items.size())
        d->items.resize(newSize);
    else if (newSize > d->items.size()) {
        const Variant zero = zeroOf(et);
        d->items.reserve(newSize);
        while (d->items.size() < newSize)
            d->items.append(zero);
    }
}

// ----- construction, copy, destruction -----

Variant Variant::fromCurrencyValue(double value)
{
    qint64 scaled;
    if (!currencyFromDouble(value, scaled))
        overflow();
    return fromCurrency(scaled);
}

Variant Variant::fromString(const QString &s, quint16 kind)
{
    Variant v(s);
    if (kind == varUString || kind == varOleStr)
        v.m_type = kind;
    return v;
}

Variant Variant::fromObject(QObject *object)
{
    return fromObject(object, object ? object->metaObject() : &QObject::staticMetaObject);
}

Variant Variant::fromObject(QObject *object, const QMetaObject *declaredClass)
{
    Variant v;
    new (v.m_u.raw) ObjectRef{QPointer<QObject>(object), declaredClass ? declaredClass : &QObject::staticMetaObject};
    v.m_type = varDispatch;
    return v;
}

void Variant::copyFrom(const Variant &o)
{
    if (o.isArray()) {
        VariantArrayData *d = o.arr();
        d->ref.ref();
        *reinterpret_cast<VariantArrayData **>(m_u.raw) = d;
    } else if (o.m_type == varDispatch) {
        new (m_u.raw) ObjectRef(o.objRef());
    } else {
        new (m_u.raw) QString(o.rawString());
    }
}

void Variant::destroy() noexcept
{
    if (isArray()) {
        VariantArrayData *d = arr();
        if (!d->ref.deref())
            delete d;
    } else if (m_type == varDispatch) {
        reinterpret_cast<ObjectRef *>(m_u.raw)->~ObjectRef();
    } else {
        str().~QString();
    }
}

bool Variant::isOrdinal() const noexcept
{
    switch (m_type) {
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord: case varLongWord:
    case varInt64:
        return true;
    default:
        return false;
    }
}

// ----- object references -----

QObject *Variant::object() const noexcept
{
    return m_type == varDispatch ? objRef().ptr.data() : nullptr;
}

const QMetaObject *Variant::objectClass() const noexcept
{
    return m_type == varDispatch ? objRef().cls : nullptr;
}

QString Variant::objectClassName() const
{
    const QMetaObject *c = objectClass();
    return c ? QString::fromLatin1(c->className()) : QString();
}

bool Variant::objectInherits(const QMetaObject *cls) const noexcept
{
    for (const QMetaObject *c = objectClass(); c; c = c->superClass())
        if (c == cls)
            return true;
    return false;
}

bool Variant::objectInherits(const char *className) const noexcept
{
    for (const QMetaObject *c = objectClass(); c; c = c->superClass())
        if (std::strcmp(c->className(), className) == 0)
            return true;
    return false;
}

QObject *Variant::checkedObject() const
{
    if (m_type != varDispatch)
        invalidCast();
    QObject *o = objRef().ptr.data();
    if (!o)
        throw EVariantFreedObjectError(QStringLiteral("Object of class %1 is no longer available").arg(objectClassName()));
    return o;
}

// ----- conversions -----

namespace {

qint64 toInt64Checked(const Variant &v, quint16 target, qint64 lo, qint64 hi)
{
    qint64 r = 0;
    switch (v.varType()) {
    case varEmpty:
        return 0;
    case varNull:
        castError(varNull, target);
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord: case varLongWord:
    case varInt64:
        r = v.rawInt();
        break;
    case varSingle: case varDouble: case varDate:
        if (!roundToInt64(v.rawDouble(), r))
            overflow();
        break;
    case varCurrency: {
        // Round half to even on the scaled integer.
        const qint64 s = v.rawInt();
        qint64 q = s / 10000, rem = s % 10000;
        if (rem > 5000 || (rem == 5000 && (q & 1)))
            ++q;
        else if (rem < -5000 || (rem == -5000 && (q & 1)))
            --q;
        r = q;
        break;
    }
    case varBoolean:
        r = v.rawBool() ? -1 : 0;
        break;
    case varString: case varUString: case varOleStr: {
        const QString &s = v.rawString();
        if (TryStrToInt64(s, r))
            break;
        double d;
        if (TryStrToFloat(s, d) && roundToInt64(d, r))
            break;
        castError(v.varType(), target);
    }
    default:
        invalidCast();
    }
    if (r < lo || r > hi)
        overflow();
    return r;
}

} // namespace

int Variant::toInt() const
{
    if (m_type == varInteger)
        return int(m_u.i);
    return int(toInt64Checked(*this, varInteger, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

qint64 Variant::toInt64() const
{
    if (m_type == varInt64 || m_type == varInteger)
        return m_u.i;
    return toInt64Checked(*this, varInt64, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max());
}

double Variant::toDouble() const
{
    switch (m_type) {
    case varEmpty: return 0;
    case varNull: castError(varNull, varDouble);
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord: case varLongWord:
    case varInt64:
        return double(m_u.i);
    case varSingle: case varDouble: case varDate: return m_u.d;
    case varCurrency: return double(m_u.i) / 10000.0;
    case varBoolean: return m_u.b ? -1.0 : 0.0;
    case varString: case varUString: case varOleStr: {
        double d;
        if (TryStrToFloat(rawString(), d))
            return d;
        castError(m_type, varDouble);
    }
    default:
        invalidCast();
    }
}

bool Variant::toBool() const
{
    switch (m_type) {
    case varEmpty: return false;
    case varNull: castError(varNull, varBoolean);
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord: case varLongWord:
    case varInt64: case varCurrency:
        return m_u.i != 0;
    case varSingle: case varDouble: case varDate: return m_u.d != 0;
    case varBoolean: return m_u.b;
    case varString: case varUString: case varOleStr: {
        bool b;
        if (textToBool(rawString(), b))
            return b;
        double d;
        if (TryStrToFloat(rawString(), d))
            return d != 0;
        castError(m_type, varBoolean);
    }
    default:
        invalidCast();
    }
}

QString Variant::toString() const
{
    switch (m_type) {
    case varEmpty: return QString();
    case varNull: castError(varNull, varString);
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord: case varLongWord:
    case varInt64:
        return QString::number(m_u.i);
    case varSingle: return FloatToStrPrec(m_u.d, 7);
    case varDouble: return FloatToStr(m_u.d);
    case varDate: return DateTimeToStr(m_u.d);
    case varCurrency: return CurrToStr(m_u.i);
    case varBoolean: return m_u.b ? QStringLiteral("True") : QStringLiteral("False");
    case varString: case varUString: case varOleStr: return rawString();
    default:
        invalidCast();
    }
}

double Variant::toDate() const
{
    switch (m_type) {
    case varNull: castError(varNull, varDate);
    case varString: case varUString: case varOleStr: {
        double d;
        if (TryStrToDateTime(rawString(), d))
            return d;
        castError(m_type, varDate);
    }
    default:
        return toDouble();
    }
}

qint64 Variant::toCurrency() const
{
    switch (m_type) {
    case varEmpty: return 0;
    case varNull: castError(varNull, varCurrency);
    case varCurrency: return m_u.i;
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord: case varLongWord:
    case varInt64: {
        qint64 r;
        if (__builtin_mul_overflow(m_u.i, qint64(10000), &r))
            overflow();
        return r;
    }
    case varBoolean: return m_u.b ? -10000 : 0;
    case varString: case varUString: case varOleStr: {
        double d;
        if (!TryStrToFloat(rawString(), d))
            castError(m_type, varCurrency);
        qint64 s;
        if (!currencyFromDouble(d, s))
            overflow();
        return s;
    }
    default: {
        qint64 s;
        if (!currencyFromDouble(toDouble(), s))
            overflow();
        return s;
    }
    }
}

Variant Variant::asType(quint16 t) const
{
    if (t == m_type)
        return *this;
    if (t == varVariant)
        return *this;
    if (isArray() || m_type == varDispatch)
        invalidCast();
    switch (t) {
    case varEmpty: return Variant();
    case varNull: return Variant::null();
    case varSmallint: return fromSmallint(qint16(toInt64Checked(*this, t, -32768, 32767)));
    case varInteger: return Variant(toInt());
    case varShortInt: return fromShortInt(qint8(toInt64Checked(*this, t, -128, 127)));
    case varByte: return fromByte(quint8(toInt64Checked(*this, t, 0, 255)));
    case varWord: return fromWord(quint16(toInt64Checked(*this, t, 0, 65535)));
    case varLongWord: return fromLongWord(quint32(toInt64Checked(*this, t, 0, 4294967295LL)));
    case varInt64: return fromInt64(toInt64());
    case varSingle: {
        if (m_type == varNull)
            castError(varNull, t);
        const double d = toDouble();
        if (std::isfinite(d) && std::fabs(d) > double(FLT_MAX))
            overflow();
        return Variant(float(d));
    }
    case varDouble:
        if (m_type == varNull)
            castError(varNull, t);
        return Variant(toDouble());
    case varCurrency: return fromCurrency(toCurrency());
    case varDate: return fromDate(toDate());
    case varBoolean: return Variant(toBool());
    case varString: case varUString: case varOleStr: return fromString(toString(), t);
    case varDispatch:
        if (m_type == varEmpty)
            return fromObject(nullptr);
        invalidCast();
    default:
        badVarType();
    }
}

QString VarToStr(const Variant &v) { return v.isNull() ? QString() : v.toString(); }

QString VarTypeAsText(quint16 t)
{
    if (t & varArray)
        return QStringLiteral("Array ") + VarTypeAsText(t & varTypeMask);
    switch (t) {
    case varEmpty: return QStringLiteral("Empty");
    case varNull: return QStringLiteral("Null");
    case varSmallint: return QStringLiteral("Smallint");
    case varInteger: return QStringLiteral("Integer");
    case varSingle: return QStringLiteral("Single");
    case varDouble: return QStringLiteral("Double");
    case varCurrency: return QStringLiteral("Currency");
    case varDate: return QStringLiteral("Date");
    case varOleStr: return QStringLiteral("OleStr");
    case varDispatch: return QStringLiteral("Dispatch");
    case varError: return QStringLiteral("Error");
    case varBoolean: return QStringLiteral("Boolean");
    case varVariant: return QStringLiteral("Variant");
    case varUnknown: return QStringLiteral("Unknown");
    case varShortInt: return QStringLiteral("ShortInt");
    case varByte: return QStringLiteral("Byte");
    case varWord: return QStringLiteral("Word");
    case varLongWord: return QStringLiteral("LongWord");
    case varInt64: return QStringLiteral("Int64");
    case varString: return QStringLiteral("String");
    case varUString: return QStringLiteral("UnicodeString");
    default: return QStringLiteral("$%1").arg(t, 4, 16, QLatin1Char('0')).toUpper();
    }
}
