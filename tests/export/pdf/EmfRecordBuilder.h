// Hand-built enhanced metafiles for the replay tests: a header whose frame
// maps one logical unit to one point on a 100 x 100 point target, then any
// records, words little-endian.
#pragma once
#include <QByteArray>
#include <QtEndian>
#include <cstdint>
#include <cstring>
#include <initializer_list>

namespace emftest {

class EmfBuilder {
public:
    // Device 1000 x 1000 pixels on 1000 x 1000 mm; frame 100 x 100 mm.
    explicit EmfBuilder(uint16_t handles = 8, uint32_t palEntries = 0)
    {
        add(1, {0, 0, 99, 99, 0, 0, 10000, 10000, 0x464D4520, 0x10000, 0, 0, handles, 0, 0, palEntries, 1000, 1000,
                1000, 1000, 0, 0, 0, 1000000, 1000000});
    }
    // A record of the type with these 32-bit words after its header.
    EmfBuilder &add(uint32_t type, std::initializer_list<int64_t> words)
    {
        put(type);
        put(uint32_t(8 + 4 * words.size()));
        for (int64_t w : words)
            put(uint32_t(w));
        return *this;
    }
    // Raw bytes as they are (for broken records).
    EmfBuilder &raw(const QByteArray &bytes)
    {
        m_data += bytes;
        return *this;
    }
    EmfBuilder &eof() { return add(14, {0, 16, 20}); }
    EmfBuilder &floats(uint32_t type, std::initializer_list<float> values, std::initializer_list<int64_t> tail = {})
    {
        put(type);
        put(uint32_t(8 + 4 * (values.size() + tail.size())));
        for (float f : values) {
            uint32_t u;
            std::memcpy(&u, &f, 4);
            put(u);
        }
        for (int64_t w : tail)
            put(uint32_t(w));
        return *this;
    }
    const QByteArray &bytes() const { return m_data; }

    static QByteArray word(uint32_t v)
    {
        QByteArray b(4, '\0');
        qToLittleEndian(v, b.data());
        return b;
    }

private:
    void put(uint32_t v) { m_data += word(v); }
    QByteArray m_data;
};

} // namespace emftest
