#include "core/vdHashUtils.h"
#include "platform/Exception.h"

#include <QIODevice>
#include <openssl/evp.h>
#include <array>
#include <cstring>

TvdMD5::TvdMD5()
{
    m_ctx = EVP_MD_CTX_new();
    Init();
}

TvdMD5::~TvdMD5()
{
    EVP_MD_CTX_free(m_ctx);
}

void TvdMD5::Init()
{
    if (!m_ctx || EVP_DigestInit_ex(m_ctx, EVP_md5(), nullptr) != 1)
        throw Exception(QStringLiteral("MD5 is not available"));
    m_active = true;
    std::memset(m_digest, 0, sizeof m_digest);
}

void TvdMD5::Update(const void *buffer, qsizetype length)
{
    if (!m_active)
        Init();
    if (length > 0)
        EVP_DigestUpdate(m_ctx, buffer, size_t(length));
}

void TvdMD5::Finalize()
{
    if (!m_active)
        Init();
    unsigned int len = 0;
    EVP_DigestFinal_ex(m_ctx, m_digest, &len);
    m_active = false;
}

static QString hexLower(const uint8_t *bytes, int n)
{
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(bytes), n).toHex());
}

void MD5OfBuffer(const void *buffer, qsizetype length, uint8_t digest[16])
{
    TvdMD5 md5;
    md5.Update(buffer, length);
    md5.Finalize();
    std::memcpy(digest, md5.Digest(), 16);
}

QString MD5HexOfString(const QByteArray &text)
{
    uint8_t d[16];
    MD5OfBuffer(text.constData(), text.size(), d);
    return hexLower(d, 16);
}

QString MD5HexOfStream(QIODevice &stream)
{
    const qint64 saved = stream.pos();
    TvdMD5 md5;
    if (!stream.isSequential())
        stream.seek(0);
    char buf[4096];
    for (;;) {
        const qint64 n = stream.read(buf, sizeof buf);
        if (n <= 0)
            break;
        md5.Update(buf, n);
    }
    md5.Finalize();
    if (!stream.isSequential())
        stream.seek(saved);
    return hexLower(md5.Digest(), 16);
}

void TvdDataHashMap::Clear()
{
    m_keys.clear();
    m_values.clear();
}

void TvdDataHashMap::AddPicture(const QString &digest, int32_t value)
{
    if (FindPicture(digest) >= 0)
        return;
    m_keys.append(digest);
    m_values.append(value);
}

int TvdDataHashMap::FindPicture(const QString &digest) const
{
    for (int i = 0; i < m_keys.size(); ++i)
        if (m_keys.at(i).compare(digest, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int32_t TvdDataHashMap::GetData(int index) const
{
    if (index < 0 || index >= m_values.size())
        return -1;
    return m_values.at(index);
}

uint32_t ElfHash(const char16_t *chars, qsizetype count)
{
    uint32_t h = 0;
    for (qsizetype i = 0; i < count; ++i) {
        h = (h << 4) + chars[i];
        const uint32_t g = h & 0xF0000000u;
        if (g)
            h ^= g >> 24;
        h &= ~g;
    }
    return h;
}

uint32_t StrElfHash(const QString &text)
{
    return ElfHash(reinterpret_cast<const char16_t *>(text.utf16()), text.size());
}

QByteArray Base64Decode(const QString &text)
{
    static const auto table = [] {
        std::array<int8_t, 128> t{};
        t.fill(-1);
        const char *alpha = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        for (int i = 0; i < 64; ++i)
            t[uint8_t(alpha[i])] = int8_t(i);
        return t;
    }();

    QByteArray out;
    out.reserve(text.size() * 3 / 4 + 3);
    uint32_t acc = 0;
    int bits = 0;
    bool padding = false;
    for (QChar qc : text) {
        const char16_t c = qc.unicode();
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
            continue;
        if (c == '=') {
            padding = true;
            continue;
        }
        const int v = c < 128 ? table[c] : -1;
        if (v < 0 || padding)
            throw EConvertError(QStringLiteral("Invalid base64 text"));
        acc = (acc << 6) | uint32_t(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.append(char((acc >> bits) & 0xFF));
        }
    }
    // Leftover bits of a partial group are padding, never another byte.
    return out;
}
