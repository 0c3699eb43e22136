#include "platform/CodePage.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace {

// Windows-1252 0x80..0x9F; the five unassigned bytes map to the C1 controls
// of the same code, as the system's own conversion does.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::atomic<int> g_ansiCodePage{1252};

QString decode1252(QByteArrayView bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    char16_t *d = reinterpret_cast<char16_t *>(out.data());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const uchar c = uchar(bytes[i]);
        d[i] = (c >= 0x80 && c < 0xA0) ? kCp1252High[c - 0x80] : char16_t(c);
    }
    return out;
}

char encode1252Char(char16_t u)
{
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return char(u);
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] == u)
            return char(0x80 + i);
    return '?';
}

QByteArray encode1252(QStringView text)
{
    QByteArray out(text.size(), Qt::Uninitialized);
    char *d = out.data();
    const char16_t *s = text.utf16();
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = s[i];
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() && QChar::isLowSurrogate(s[i + 1]))
            ++i; // one character, one replacement
        d[n++] = encode1252Char(u);
    }
    out.truncate(n);
    return out;
}

const char *iconvName(int cp)
{
    switch (cp) {
    case 437: return "CP437";
    case 850: return "CP850";
    case 852: return "CP852";
    case 866: return "CP866";
    case 874: return "CP874";
    case 932: return "CP932";
    case 936: return "CP936";
    case 949: return "CP949";
    case 950: return "CP950";
    case 1200: return "UTF-16LE";
    case 1201: return "UTF-16BE";
    case 1250: return "CP1250";
    case 1251: return "CP1251";
    case 1253: return "CP1253";
    case 1254: return "CP1254";
    case 1255: return "CP1255";
    case 1256: return "CP1256";
    case 1257: return "CP1257";
    case 1258: return "CP1258";
    case 1361: return "JOHAB";
    case 10000: return "MACINTOSH";
    case 20127: return "ASCII";
    case 20866: return "KOI8-R";
    case 28591: return "ISO-8859-1";
    case 28592: return "ISO-8859-2";
    case 28593: return "ISO-8859-3";
    case 28594: return "ISO-8859-4";
    case 28595: return "ISO-8859-5";
    case 28596: return "ISO-8859-6";
    case 28597: return "ISO-8859-7";
    case 28598: return "ISO-8859-8";
    case 28599: return "ISO-8859-9";
    case 28600: return "ISO-8859-10";
    case 28603: return "ISO-8859-13";
    case 28604: return "ISO-8859-14";
    case 28605: return "ISO-8859-15";
    case 28606: return "ISO-8859-16";
    default: return nullptr;
    }
}

int resolve(int cp)
{
    switch (cp) {
    case CP_ACP:
    case CP_THREAD_ACP: return g_ansiCodePage.load(std::memory_order_relaxed);
    case CP_OEMCP: return 437;
    case CP_MACCP: return 10000;
    default: return cp;
    }
}

QString iconvDecode(QByteArrayView bytes, const char *name, bool *ok)
{
    iconv_t cd = iconv_open("UTF-16LE", name);
    if (cd == iconv_t(-1)) {
        *ok = false;
        return {};
    }
    QString out;
    out.resize(bytes.size() * 2 + 4);
    char *in = const_cast<char *>(bytes.data());
    size_t inLeft = size_t(bytes.size());
    char *dst = reinterpret_cast<char *>(out.data());
    size_t outLeft = size_t(out.size()) * 2;
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &dst, &outLeft) != size_t(-1))
            break;
        if (errno == E2BIG)
            break; // cannot happen: two units per byte is enough
        // Invalid or truncated sequence: one replacement per bad byte.
        if (outLeft < 2)
            break;
        const char16_t rep = 0xFFFD;
        memcpy(dst, &rep, 2);
        dst += 2;
        outLeft -= 2;
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    out.truncate((dst - reinterpret_cast<char *>(out.data())) / 2);
    return out;
}

QByteArray iconvEncode(QStringView text, const char *name, bool *ok)
{
    iconv_t cd = iconv_open(name, "UTF-16LE");
    if (cd == iconv_t(-1)) {
        *ok = false;
        return {};
    }
    QByteArray out;
    out.resize(text.size() * 4 + 16);
    char *in = reinterpret_cast<char *>(const_cast<char16_t *>(text.utf16()));
    size_t inLeft = size_t(text.size()) * 2;
    char *dst = out.data();
    size_t outLeft = size_t(out.size());
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &dst, &outLeft) != size_t(-1))
            break;
        if (errno == E2BIG || outLeft < 1)
            break;
        // Unmappable character (or a broken surrogate): one '?'.
        *dst++ = '?';
        --outLeft;
        char16_t u;
        memcpy(&u, in, 2);
        size_t skip = 2;
        if (QChar::isHighSurrogate(u) && inLeft >= 4) {
            char16_t lo;
            memcpy(&lo, in + 2, 2);
            if (QChar::isLowSurrogate(lo))
                skip = 4;
        }
        in += skip;
        inLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    // Close any shift state of stateful encodings.
    iconv(cd, nullptr, nullptr, &dst, &outLeft);
    iconv_close(cd);
    out.truncate(dst - out.data());
    return out;
}

} // namespace

QString DecodeAnsi(QByteArrayView bytes)
{
    const int cp = g_ansiCodePage.load(std::memory_order_relaxed);
    if (cp == 1252)
        return decode1252(bytes);
    return DecodeCodePage(bytes, cp);
}

QByteArray EncodeAnsi(QStringView text)
{
    const int cp = g_ansiCodePage.load(std::memory_order_relaxed);
    if (cp == 1252)
        return encode1252(text);
    return EncodeCodePage(text, cp);
}

bool SetAnsiCodePage(int codePage)
{
    if (codePage < 4 || !IsCodePageSupported(codePage))
        return false;
    g_ansiCodePage.store(codePage, std::memory_order_relaxed);
    return true;
}

int AnsiCodePage()
{
    return g_ansiCodePage.load(std::memory_order_relaxed);
}

bool IsCodePageSupported(int codePage)
{
    const int cp = resolve(codePage);
    if (cp == 1252 || cp == CP_UTF8 || cp == CP_SYMBOL)
        return true;
    const char *name = iconvName(cp);
    if (!name)
        return false;
    iconv_t cd = iconv_open("UTF-16LE", name);
    if (cd == iconv_t(-1))
        return false;
    iconv_close(cd);
    return true;
}

QString DecodeCodePage(QByteArrayView bytes, int codePage, bool *ok)
{
    bool dummy;
    if (!ok)
        ok = &dummy;
    *ok = true;
    const int cp = resolve(codePage);
    if (cp == 1252)
        return decode1252(bytes);
    if (cp == CP_UTF8)
        return QString::fromUtf8(bytes);
    if (cp == CP_SYMBOL) {
        QString out(bytes.size(), Qt::Uninitialized);
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            const uchar c = uchar(bytes[i]);
            out[i] = QChar(c < 0x20 ? char16_t(c) : char16_t(0xF000 + c));
        }
        return out;
    }
    const char *name = iconvName(cp);
    if (!name) {
        *ok = false;
        return {};
    }
    return iconvDecode(bytes, name, ok);
}

QByteArray EncodeCodePage(QStringView text, int codePage, bool *ok)
{
    bool dummy;
    if (!ok)
        ok = &dummy;
    *ok = true;
    const int cp = resolve(codePage);
    if (cp == 1252)
        return encode1252(text);
    if (cp == CP_UTF8)
        return text.toUtf8();
    if (cp == CP_SYMBOL) {
        QByteArray out;
        out.reserve(text.size());
        for (QChar c : text) {
            const char16_t u = c.unicode();
            if (u < 0x20)
                out.append(char(u));
            else if (u >= 0xF020 && u <= 0xF0FF)
                out.append(char(u - 0xF000));
            else
                out.append('?');
        }
        return out;
    }
    const char *name = iconvName(cp);
    if (!name) {
        *ok = false;
        return {};
    }
    return iconvEncode(text, name, ok);
}
