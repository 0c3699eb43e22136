// 8-bit text conversions. "The ANSI code page" is Windows-1252 unless
// configured otherwise; other Windows code pages go through iconv.
#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Windows code-page numbers with a meaning of their own.
constexpr int CP_ACP = 0;        // the ANSI code page
constexpr int CP_OEMCP = 1;      // the OEM code page (437)
constexpr int CP_MACCP = 2;      // the Macintosh code page (10000)
constexpr int CP_THREAD_ACP = 3; // same as CP_ACP here
constexpr int CP_SYMBOL = 42;
constexpr int CP_UTF8 = 65001;

// The one codec of "the ANSI code page": bytes to text and back.
// Characters the code page lacks become '?'.
QString DecodeAnsi(QByteArrayView bytes);
QByteArray EncodeAnsi(QStringView text);

// Chooses the code page behind DecodeAnsi/EncodeAnsi (default 1252).
// Returns false, changing nothing, when the code page is not supported.
bool SetAnsiCodePage(int codePage);
int AnsiCodePage();

// Any Windows code page. Unsupported code pages give empty results and
// *ok = false. Undecodable bytes become U+FFFD, unmappable characters '?'.
QString DecodeCodePage(QByteArrayView bytes, int codePage, bool *ok = nullptr);
QByteArray EncodeCodePage(QStringView text, int codePage, bool *ok = nullptr);
bool IsCodePageSupported(int codePage);
