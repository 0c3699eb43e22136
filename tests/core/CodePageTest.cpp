#include "platform/CodePage.h"

#include <gtest/gtest.h>

TEST(CodePage, Windows1252BothWays)
{
    // Every byte decodes; the five unassigned ones to the C1 control of the same code.
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    const QString text = DecodeAnsi(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(text.at(0x80), QChar(0x20AC));
    EXPECT_EQ(text.at(0x81), QChar(0x81));
    EXPECT_EQ(text.at(0x9F), QChar(0x0178));
    EXPECT_EQ(text.at(0xE9), QChar(0xE9));
    EXPECT_EQ(EncodeAnsi(text), all);
    // Characters the code page lacks become '?', one per character.
    EXPECT_EQ(EncodeAnsi(QString::fromUtf8("a\xF0\x9F\x98\x80\xD0\x96z")), QByteArray("a??z"));
}

TEST(CodePage, ConfigurableAnsiCodePage)
{
    EXPECT_EQ(AnsiCodePage(), 1252);
    EXPECT_FALSE(SetAnsiCodePage(424242));
    ASSERT_TRUE(SetAnsiCodePage(1251));
    EXPECT_EQ(DecodeAnsi(QByteArray::fromHex("CFF0")), QStringLiteral("Пр"));
    EXPECT_EQ(EncodeAnsi(QStringLiteral("Пр")), QByteArray::fromHex("CFF0"));
    EXPECT_EQ(DecodeCodePage(QByteArray::fromHex("CF"), CP_ACP), QStringLiteral("П"));
    ASSERT_TRUE(SetAnsiCodePage(1252));
    EXPECT_EQ(DecodeAnsi(QByteArray::fromHex("CF")), QStringLiteral("Ï"));
}

TEST(CodePage, OtherCodePages)
{
    bool ok = false;
    EXPECT_EQ(DecodeCodePage(QByteArray::fromHex("93FA967B"), 932, &ok), QStringLiteral("日本"));
    EXPECT_TRUE(ok);
    // A broken double-byte sequence gives a replacement character, not an empty text.
    EXPECT_EQ(DecodeCodePage(QByteArray::fromHex("4193"), 932), QStringLiteral("A") + QChar(0xFFFD));
    EXPECT_EQ(EncodeCodePage(QStringLiteral("Aж€"), 1253), QByteArray("A?\x80"));
    EXPECT_EQ(DecodeCodePage(QByteArray("\x80", 1), CP_OEMCP), QStringLiteral("Ç"));
    EXPECT_EQ(EncodeCodePage(QStringLiteral("é"), CP_UTF8), QByteArray("\xC3\xA9"));
    EXPECT_EQ(DecodeCodePage(QByteArray("x"), 4711, &ok), QString());
    EXPECT_FALSE(ok);
    EXPECT_TRUE(EncodeCodePage(QStringLiteral("x"), 4711, &ok).isEmpty());
    EXPECT_FALSE(ok);
    EXPECT_TRUE(IsCodePageSupported(936));
    // KOI8-R: "Жук" is F6 D5 CB.
    EXPECT_EQ(EncodeCodePage(QString::fromUtf8("Жук"), 20866), QByteArray("\xF6\xD5\xCB"));
    EXPECT_EQ(DecodeCodePage(QByteArray("\xF6\xD5\xCB"), 20866), QString::fromUtf8("Жук"));
    EXPECT_FALSE(IsCodePageSupported(4711));
}
