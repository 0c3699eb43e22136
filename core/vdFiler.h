// The binary property format of extra object data: a run of (name, value)
// pairs, each name a length-prefixed 8-bit text and each value a type tag
// followed by its bytes (little-endian). Objects write theirs through
// TvdPersistent::WriteBinaryProperties and read them back one by one.
#pragma once
#include "platform/Exception.h"

#include <QByteArray>
#include <QString>
#include <QVariant>

VD_DECLARE_EXCEPTION(EReadError, Exception)

enum class TvdValueType : quint8 {
    vaNull = 0, vaList = 1, vaInt8 = 2, vaInt16 = 3, vaInt32 = 4, vaExtended = 5,
    vaString = 6, vaIdent = 7, vaFalse = 8, vaTrue = 9, vaBinary = 10, vaSet = 11,
    vaLString = 12, vaNil = 13, vaCollection = 14, vaSingle = 15, vaCurrency = 16,
    vaDate = 17, vaWString = 18, vaInt64 = 19, vaUTF8String = 20, vaDouble = 21,
};

class TvdBinaryWriter {
public:
    const QByteArray &Data() const { return m_data; }
    bool IsEmpty() const { return m_data.isEmpty(); }

    void WritePropName(const QString &name);
    void WriteInteger(qint64 value);
    void WriteBoolean(bool value);
    void WriteFloat(double value);
    void WriteCurrency(qint64 scaledBy10000);
    void WriteDate(double value);
    void WriteString(const QString &value);
    void WriteIdent(const QString &value);
    void WriteBinary(const QByteArray &bytes);
    void WriteNil();

private:
    void raw(const void *p, int n) { m_data.append(static_cast<const char *>(p), n); }
    void tag(TvdValueType t) { m_data.append(char(t)); }
    QByteArray m_data;
};

// Reads a byte run written by TvdBinaryWriter. Errors raise EReadError
// ("Stream read error" at the end of the data, "Invalid property value" for a
// value of the wrong type).
class TvdBinaryReader {
public:
    explicit TvdBinaryReader(const QByteArray &data) : m_data(data) {}

    bool AtEnd() const { return m_pos >= m_data.size(); }
    qsizetype Position() const { return m_pos; }
    QString ReadPropName();
    TvdValueType NextValue() const;
    TvdValueType ReadValueType();
    qint64 ReadInteger();
    bool ReadBoolean();
    double ReadFloat();
    // Any text kind: 8-bit, long, wide or UTF-8.
    QString ReadString();
    QString ReadIdent();
    QByteArray ReadBinary();
    // Any scalar value by its tag (numbers, Booleans, texts, nil as invalid).
    QVariant ReadValue();
    void SkipValue();

private:
    void need(qsizetype n) const;
    template <class T> T take();
    QString readTextOf(TvdValueType t);
    QByteArray m_data;
    qsizetype m_pos = 0;
};
