#include "core/vdFiler.h"

#include <cmath>
#include <cstring>

// 80-bit extended floats, converted without relying on the host's long double.
static void encodeExtended(double v, unsigned char out[10])
{
    std::memset(out, 0, 10);
    if (v == 0 || !std::isfinite(v)) {
        if (std::isinf(v)) {
            out[7] = 0x80;
            out[8] = 0xFF;
            out[9] = v < 0 ? 0xFF : 0x7F;
        }
        return;
    }
    int e = 0;
    const double m = std::frexp(std::fabs(v), &e); // 0.5 <= m < 1
    const quint64 mant = quint64(std::ldexp(m, 64));
    const quint16 exp = quint16(e - 1 + 16383) | (v < 0 ? 0x8000 : 0);
    std::memcpy(out, &mant, 8);
    std::memcpy(out + 8, &exp, 2);
}

static double decodeExtended(const unsigned char in[10])
{
    quint64 mant;
    quint16 se;
    std::memcpy(&mant, in, 8);
    std::memcpy(&se, in + 8, 2);
    const int exp = se & 0x7FFF;
    const bool neg = se & 0x8000;
    if (exp == 0 && mant == 0)
        return neg ? -0.0 : 0.0;
    if (exp == 0x7FFF)
        return (mant << 1) ? std::nan("") : (neg ? -HUGE_VAL : HUGE_VAL);
    const double v = std::ldexp(double(mant), exp - 16383 - 63);
    return neg ? -v : v;
}

void TvdBinaryWriter::WritePropName(const QString &name)
{
    const QByteArray b = name.toLatin1().left(255);
    m_data.append(char(b.size()));
    m_data.append(b);
}

void TvdBinaryWriter::WriteInteger(qint64 value)
{
    if (value >= -128 && value <= 127) {
        tag(TvdValueType::vaInt8);
        const qint8 x = qint8(value);
        raw(&x, 1);
    } else if (value >= -32768 && value <= 32767) {
        tag(TvdValueType::vaInt16);
        const qint16 x = qint16(value);
        raw(&x, 2);
    } else if (value >= INT32_MIN && value <= INT32_MAX) {
        tag(TvdValueType::vaInt32);
        const qint32 x = qint32(value);
        raw(&x, 4);
    } else {
        tag(TvdValueType::vaInt64);
        raw(&value, 8);
    }
}

void TvdBinaryWriter::WriteBoolean(bool value)
{
    tag(value ? TvdValueType::vaTrue : TvdValueType::vaFalse);
}

void TvdBinaryWriter::WriteFloat(double value)
{
    tag(TvdValueType::vaExtended);
    unsigned char b[10];
    encodeExtended(value, b);
    raw(b, 10);
}

void TvdBinaryWriter::WriteCurrency(qint64 scaledBy10000)
{
    tag(TvdValueType::vaCurrency);
    raw(&scaledBy10000, 8);
}

void TvdBinaryWriter::WriteDate(double value)
{
    tag(TvdValueType::vaDate);
    raw(&value, 8);
}

void TvdBinaryWriter::WriteString(const QString &value)
{
    bool ascii = true;
    for (QChar c : value)
        if (c.unicode() >= 128) {
            ascii = false;
            break;
        }
    if (ascii) {
        const QByteArray b = value.toLatin1();
        if (b.size() <= 255) {
            tag(TvdValueType::vaString);
            m_data.append(char(b.size()));
        } else {
            tag(TvdValueType::vaLString);
            const qint32 n = qint32(b.size());
            raw(&n, 4);
        }
        m_data.append(b);
    } else {
        const QByteArray b = value.toUtf8();
        tag(TvdValueType::vaUTF8String);
        const qint32 n = qint32(b.size());
        raw(&n, 4);
        m_data.append(b);
    }
}

void TvdBinaryWriter::WriteIdent(const QString &value)
{
    if (value.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return tag(TvdValueType::vaFalse);
    if (value.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return tag(TvdValueType::vaTrue);
    if (value.compare(QLatin1String("nil"), Qt::CaseInsensitive) == 0)
        return tag(TvdValueType::vaNil);
    tag(TvdValueType::vaIdent);
    const QByteArray b = value.toLatin1().left(255);
    m_data.append(char(b.size()));
    m_data.append(b);
}

void TvdBinaryWriter::WriteBinary(const QByteArray &bytes)
{
    tag(TvdValueType::vaBinary);
    const qint32 n = qint32(bytes.size());
    raw(&n, 4);
    m_data.append(bytes);
}

void TvdBinaryWriter::WriteNil()
{
    tag(TvdValueType::vaNil);
}

// ---------------------------------------------------------------------------
void TvdBinaryReader::need(qsizetype n) const
{
    if (n < 0 || m_pos + n > m_data.size())
        throw EReadError(QStringLiteral("Stream read error"));
}

template <class T> T TvdBinaryReader::take()
{
    need(sizeof(T));
    T v;
    std::memcpy(&v, m_data.constData() + m_pos, sizeof(T));
    m_pos += sizeof(T);
    return v;
}

QString TvdBinaryReader::ReadPropName()
{
    const int n = take<quint8>();
    need(n);
    const QString s = QString::fromLatin1(m_data.constData() + m_pos, n);
    m_pos += n;
    return s;
}

TvdValueType TvdBinaryReader::NextValue() const
{
    need(1);
    return TvdValueType(quint8(m_data.at(m_pos)));
}

TvdValueType TvdBinaryReader::ReadValueType()
{
    return TvdValueType(take<quint8>());
}

qint64 TvdBinaryReader::ReadInteger()
{
    switch (ReadValueType()) {
    case TvdValueType::vaInt8:
        return take<qint8>();
    case TvdValueType::vaInt16:
        return take<qint16>();
    case TvdValueType::vaInt32:
        return take<qint32>();
    case TvdValueType::vaInt64:
        return take<qint64>();
    default:
        throw EReadError(QStringLiteral("Invalid property value"));
    }
}

bool TvdBinaryReader::ReadBoolean()
{
    const TvdValueType t = ReadValueType();
    if (t == TvdValueType::vaTrue)
        return true;
    if (t == TvdValueType::vaFalse)
        return false;
    throw EReadError(QStringLiteral("Invalid property value"));
}

double TvdBinaryReader::ReadFloat()
{
    const TvdValueType t = NextValue();
    switch (t) {
    case TvdValueType::vaExtended: {
        ++m_pos;
        need(10);
        const double v = decodeExtended(reinterpret_cast<const unsigned char *>(m_data.constData() + m_pos));
        m_pos += 10;
        return v;
    }
    case TvdValueType::vaDouble:
    case TvdValueType::vaDate:
        ++m_pos;
        return take<double>();
    case TvdValueType::vaSingle:
        ++m_pos;
        return take<float>();
    case TvdValueType::vaCurrency:
        ++m_pos;
        return double(take<qint64>()) / 10000.0;
    default:
        return double(ReadInteger());
    }
}

QString TvdBinaryReader::readTextOf(TvdValueType t)
{
    qsizetype n = 0;
    switch (t) {
    case TvdValueType::vaString:
    case TvdValueType::vaIdent:
        n = take<quint8>();
        break;
    case TvdValueType::vaLString:
    case TvdValueType::vaUTF8String:
    case TvdValueType::vaBinary:
        n = take<qint32>();
        break;
    case TvdValueType::vaWString: {
        const qint32 chars = take<qint32>();
        need(qsizetype(chars) * 2);
        const QString s = QString::fromUtf16(reinterpret_cast<const char16_t *>(m_data.constData() + m_pos), chars);
        m_pos += qsizetype(chars) * 2;
        return s;
    }
    default:
        throw EReadError(QStringLiteral("Invalid property value"));
    }
    need(n);
    const char *p = m_data.constData() + m_pos;
    m_pos += n;
    return t == TvdValueType::vaUTF8String ? QString::fromUtf8(p, n) : QString::fromLatin1(p, n);
}

QString TvdBinaryReader::ReadString()
{
    const TvdValueType t = ReadValueType();
    if (t == TvdValueType::vaIdent || t == TvdValueType::vaBinary)
        throw EReadError(QStringLiteral("Invalid property value"));
    return readTextOf(t);
}

QString TvdBinaryReader::ReadIdent()
{
    const TvdValueType t = ReadValueType();
    switch (t) {
    case TvdValueType::vaIdent:
        return readTextOf(t);
    case TvdValueType::vaFalse:
        return QStringLiteral("False");
    case TvdValueType::vaTrue:
        return QStringLiteral("True");
    case TvdValueType::vaNil:
        return QStringLiteral("nil");
    case TvdValueType::vaNull:
        return QStringLiteral("Null");
    default:
        throw EReadError(QStringLiteral("Invalid property value"));
    }
}

QByteArray TvdBinaryReader::ReadBinary()
{
    if (ReadValueType() != TvdValueType::vaBinary)
        throw EReadError(QStringLiteral("Invalid property value"));
    const qint32 n = take<qint32>();
    need(n);
    const QByteArray b = m_data.mid(m_pos, n);
    m_pos += n;
    return b;
}

QVariant TvdBinaryReader::ReadValue()
{
    switch (NextValue()) {
    case TvdValueType::vaInt8:
    case TvdValueType::vaInt16:
    case TvdValueType::vaInt32:
    case TvdValueType::vaInt64: {
        const qint64 v = ReadInteger();
        return v >= INT32_MIN && v <= INT32_MAX ? QVariant(int(v)) : QVariant(v);
    }
    case TvdValueType::vaExtended:
    case TvdValueType::vaDouble:
    case TvdValueType::vaSingle:
    case TvdValueType::vaCurrency:
    case TvdValueType::vaDate:
        return ReadFloat();
    case TvdValueType::vaTrue:
    case TvdValueType::vaFalse:
        return ReadBoolean();
    case TvdValueType::vaString:
    case TvdValueType::vaLString:
    case TvdValueType::vaWString:
    case TvdValueType::vaUTF8String:
        return ReadString();
    case TvdValueType::vaIdent:
        return ReadIdent();
    case TvdValueType::vaBinary:
        return ReadBinary();
    case TvdValueType::vaNil:
    case TvdValueType::vaNull:
        ++m_pos;
        return QVariant();
    default:
        throw EReadError(QStringLiteral("Invalid property value"));
    }
}

void TvdBinaryReader::SkipValue()
{
    const TvdValueType t = NextValue();
    switch (t) {
    case TvdValueType::vaList: {
        ++m_pos;
        while (NextValue() != TvdValueType::vaNull)
            SkipValue();
        ++m_pos;
        return;
    }
    case TvdValueType::vaSet: {
        ++m_pos;
        for (;;) {
            const int n = take<quint8>();
            if (n == 0)
                break;
            need(n);
            m_pos += n;
        }
        return;
    }
    case TvdValueType::vaCollection:
        // Item lists nest properties of their own; not produced by our writer.
        throw EReadError(QStringLiteral("Invalid property value"));
    default:
        ReadValue();
    }
}
