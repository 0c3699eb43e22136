#include "core/vdHashUtils.h"
#include "platform/Exception.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <gtest/gtest.h>

TEST(MD5, Rfc1321Vectors)
{
    const struct { const char *in, *hex; } cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(MD5HexOfString(QByteArray(c.in)), QString::fromLatin1(c.hex)) << c.in;
}

TEST(MD5, IncrementalMatchesIndependentDigestAcrossBlockBoundaries)
{
    QByteArray data;
    for (int i = 0; i < 1000; ++i)
        data.append(char(i * 7 + 3));
    const QByteArray expected = QCryptographicHash::hash(data, QCryptographicHash::Md5);
    for (int chunk : {1, 55, 56, 63, 64, 65, 200}) {
        TvdMD5 md5;
        for (int pos = 0; pos < data.size(); pos += chunk)
            md5.Update(data.constData() + pos, qMin<int>(chunk, data.size() - pos));
        md5.Finalize();
        EXPECT_EQ(md5.DigestBytes(), expected) << chunk;
        // Reused after Init, the object starts over.
        md5.Init();
        md5.Update("abc", 3);
        md5.Finalize();
        EXPECT_EQ(md5.DigestBytes().toHex(), QByteArray("900150983cd24fb0d6963f7d28e17f72"));
    }
}

TEST(MD5, StreamDigestIgnoresAndKeepsPosition)
{
    QByteArray data(5000, 'x');
    QBuffer buf(&data);
    buf.open(QIODevice::ReadOnly);
    buf.seek(1234);
    const QString hex = MD5HexOfStream(buf);
    EXPECT_EQ(buf.pos(), 1234);
    EXPECT_EQ(hex, QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Md5).toHex()));
}

TEST(DataHashMap, AddFindAndGetData)
{
    TvdDataHashMap map;
    map.AddPicture("ABCDEF", 7);
    map.AddPicture("abcdef", 9); // same digest ignoring case: keeps 7
    map.AddPicture("0123");
    EXPECT_EQ(map.Count(), 2);
    EXPECT_EQ(map.FindPicture("abcDEF"), 0);
    EXPECT_EQ(map.GetData(0), 7);
    EXPECT_EQ(map.GetData(1), -1);
    EXPECT_EQ(map.GetData(2), -1);
    EXPECT_EQ(map.FindPicture("zz"), -1);
    map.Clear();
    EXPECT_EQ(map.Count(), 0);
}

TEST(ElfHash, KnownValues)
{
    EXPECT_EQ(StrElfHash(QString()), 0u);
    EXPECT_EQ(StrElfHash("a"), 0x61u);
    EXPECT_EQ(StrElfHash("ab"), 0x672u);
    // Long keys fold the high nibble back in and stay below 2^28.
    const uint32_t h = StrElfHash("a fairly long key that overflows the 32-bit accumulator");
    EXPECT_EQ(h & 0xF0000000u, 0u);
    // Reference: the System V ABI routine over the same bytes.
    const QByteArray key("a fairly long key that overflows the 32-bit accumulator");
    uint32_t r = 0;
    for (unsigned char c : key) {
        r = (r << 4) + c;
        uint32_t g = r & 0xf0000000;
        if (g)
            r ^= g >> 24;
        r &= ~g;
    }
    EXPECT_EQ(h, r);
    // Code units above 255 count in full.
    EXPECT_EQ(StrElfHash(QString(QChar(0x263A))), 0x263Au);
}

TEST(Base64, Decodes)
{
    const struct { const char *in; QByteArray out; } cases[] = {
        {"TWFu", "Man"},
        {"TWE=", "Ma"},
        {"TWE", "Ma"},      // unpadded; the leftover bits add no byte
        {"TQ==", "M"},
        {"TR", "M"},        // leftover bits non-zero: still no extra byte
        {"====", ""},
        {"", ""},
        {"TWFu\r\nTWFu", "ManMan"}, // wrapped text: line breaks skipped
        {"/+8=", QByteArray("\xff\xef", 2)},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Base64Decode(QString::fromLatin1(c.in)), c.out) << c.in;
}

TEST(Base64, RejectsCharactersOutsideAlphabet)
{
    for (const char *bad : {"TW*u", "TWFu-", "TW=Fu", "T\x01Wu"})
        EXPECT_THROW(Base64Decode(QString::fromLatin1(bad)), EConvertError) << bad;
    EXPECT_THROW(Base64Decode(QString(QChar(0x4E00))), EConvertError);
}
