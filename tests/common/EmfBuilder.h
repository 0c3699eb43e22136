// Enhanced metafiles written record by record, for records our recorder
// never writes: the header comes from an empty recording.
#pragma once
#include "platform/EmfRecorderCanvas.h"
#include "platform/EmfRecords.h"

#include <QByteArray>
#include <QtEndian>
#include <initializer_list>

class EmfBuilder {
public:
    explicit EmfBuilder(int w = 100, int h = 100)
    {
        EmfRecorderCanvas rec(w, h);
        const QByteArray empty = rec.finish();
        m_head = empty.left(qFromLittleEndian<quint32>(empty.constData() + 4));
    }
    void add(quint32 type, std::initializer_list<qint32> values)
    {
        QByteArray r;
        put(r, type);
        put(r, quint32(8 + 4 * values.size()));
        for (qint32 v : values)
            put(r, quint32(v));
        m_records += r;
        ++m_count;
    }
    // A record of fixed values followed by raw bytes (padded to 4).
    void addWithData(quint32 type, std::initializer_list<qint32> values, QByteArray data)
    {
        while (data.size() % 4)
            data.append('\0');
        QByteArray r;
        put(r, type);
        put(r, quint32(8 + 4 * values.size() + data.size()));
        for (qint32 v : values)
            put(r, quint32(v));
        m_records += r + data;
        ++m_count;
    }
    QByteArray bytes() const
    {
        QByteArray eof;
        put(eof, emf::EMR_EOF);
        put(eof, 20);
        put(eof, 0);
        put(eof, 16);
        put(eof, 20);
        QByteArray all = m_head + m_records + eof;
        qToLittleEndian<quint32>(quint32(all.size()), all.data() + 48);
        qToLittleEndian<quint32>(quint32(m_count + 2), all.data() + 52);
        qToLittleEndian<quint16>(8, all.data() + 56);
        return all;
    }

private:
    static void put(QByteArray &b, quint32 v)
    {
        char c[4];
        qToLittleEndian(v, c);
        b.append(c, 4);
    }
    QByteArray m_head, m_records;
    int m_count = 0;
};
