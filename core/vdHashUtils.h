// Digests and encodings: MD5 (through libcrypto), the digest-to-number list of
// the picture cache, the ELF string hash of the text dictionaries, base64.
#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>

class QIODevice;
struct evp_md_ctx_st;

// Incremental MD5. Init resets; Update adds bytes; Finalize computes Digest and
// wipes the running state, so the object is reused only after Init.
class TvdMD5 {
public:
    TvdMD5();
    ~TvdMD5();
    TvdMD5(const TvdMD5 &) = delete;
    TvdMD5 &operator=(const TvdMD5 &) = delete;

    void Init();
    void Update(const void *buffer, qsizetype length);
    void Finalize();
    // The 16-byte digest; valid after Finalize.
    const uint8_t *Digest() const { return m_digest; }
    QByteArray DigestBytes() const { return QByteArray(reinterpret_cast<const char *>(m_digest), 16); }

private:
    evp_md_ctx_st *m_ctx = nullptr;
    bool m_active = false;
    uint8_t m_digest[16] = {};
};

// MD5 of the bytes of an 8-bit string, 32 lower-case hex digits.
QString MD5HexOfString(const QByteArray &text);
// MD5 of the whole device from position 0; the position is restored afterwards.
QString MD5HexOfStream(QIODevice &stream);
void MD5OfBuffer(const void *buffer, qsizetype length, uint8_t digest[16]);

// Digest texts mapped to numbers; keys are compared ignoring letter case.
class TvdDataHashMap {
public:
    int Count() const { return int(m_keys.size()); }
    void Clear();
    void AddPicture(const QString &digest) { AddPicture(digest, -1); }
    // Adds only when the digest is new; an existing entry keeps its value.
    void AddPicture(const QString &digest, int32_t value);
    int FindPicture(const QString &digest) const;
    int32_t GetData(int index) const;

    const QStringList &ListKeys() const { return m_keys; }
    const QList<int32_t> &ListValues() const { return m_values; }

private:
    QStringList m_keys;
    QList<int32_t> m_values;
};

// System V ELF hash over 16-bit code units; never negative.
uint32_t ElfHash(const char16_t *chars, qsizetype count);
uint32_t StrElfHash(const QString &text);

// Decodes standard base64. Characters outside the alphabet (line breaks and
// blanks of wrapped text included) are skipped rather than decoded as zero bits.
QByteArray Base64Decode(const QString &text);
