#include "core/vdUtils.h"

#include "core/vdFiler.h"
#include "core/vdFormatSettings.h"
#include "core/vdPersistent.h"
#include "platform/CodePage.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QIODevice>
#include <QLocale>
#include <QMutex>
#include <QUrl>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>
#include <algorithm>
#include <unistd.h>

// ---- Code pages and character sets ------------------------------------------

int CharsetToCodePage(int charset)
{
    switch (charset) {
    case DEFAULT_CHARSET: return AnsiCodePage();
    case MAC_CHARSET: return 2;
    case OEM_CHARSET: return 1;
    case ANSI_CHARSET: return 1252;
    case SYMBOL_CHARSET: return 42;
    case SHIFTJIS_CHARSET: return 932;
    case HANGEUL_CHARSET: return 949;
    case JOHAB_CHARSET: return 1361;
    case GB2312_CHARSET: return 936;
    case CHINESEBIG5_CHARSET: return 950;
    case GREEK_CHARSET: return 1253;
    case TURKISH_CHARSET: return 1254;
    case VIETNAMESE_CHARSET: return 1258;
    case HEBREW_CHARSET: return 1255;
    case ARABIC_CHARSET: return 1256;
    case BALTIC_CHARSET: return 1257;
    case RUSSIAN_CHARSET: return 1251;
    case THAI_CHARSET: return 874;
    case EASTEUROPE_CHARSET: return 1250;
    default:
        throw EOSError(QStringLiteral("System Error.  Code: 87.\nThe parameter is incorrect"));
    }
}

QString AnsiToWideStr(const QByteArray &text, int charset, int codePage)
{
    if (text.isEmpty())
        return {};
    const int cp = codePage == 0 ? CharsetToCodePage(charset) : codePage;
    return DecodeCodePage(text, cp);
}

QByteArray WideToAnsiStr(const QString &text, int charset, int codePage)
{
    if (text.isEmpty())
        return {};
    const int cp = codePage == 0 ? CharsetToCodePage(charset) : codePage;
    return EncodeCodePage(text, cp);
}

QString AnsiToUnicodeByCodePage(const QByteArray &text, int codePage)
{
    return AnsiToWideStr(text, DEFAULT_CHARSET, codePage);
}

int CharsetToLocaleID(int charset)
{
    switch (charset) {
    case SHIFTJIS_CHARSET: return 1041;
    case HANGEUL_CHARSET: return 1042;
    case JOHAB_CHARSET: return 2066;
    case GB2312_CHARSET: return 2052;
    case CHINESEBIG5_CHARSET: return 3076;
    case GREEK_CHARSET: return 1032;
    case TURKISH_CHARSET: return 1055;
    case VIETNAMESE_CHARSET: return 1066;
    case HEBREW_CHARSET: return 1037;
    case ARABIC_CHARSET: return 13313;
    case BALTIC_CHARSET: return 1061;
    case RUSSIAN_CHARSET: return 1049;
    case THAI_CHARSET: return 1054;
    case EASTEUROPE_CHARSET: return 1029;
    default: return ThreadLocaleID();
    }
}

int ThreadLocaleID()
{
    // Primary locale identifiers of the languages the library meets.
    switch (QLocale().language()) {
    case QLocale::German: return 1031;
    case QLocale::French: return 1036;
    case QLocale::Spanish: return 3082;
    case QLocale::Italian: return 1040;
    case QLocale::Dutch: return 1043;
    case QLocale::Polish: return 1045;
    case QLocale::Portuguese: return 2070;
    case QLocale::Swedish: return 1053;
    case QLocale::Danish: return 1030;
    case QLocale::NorwegianBokmal: return 1044;
    case QLocale::Finnish: return 1035;
    case QLocale::Czech: return 1029;
    case QLocale::Hungarian: return 1038;
    case QLocale::Russian: return 1049;
    case QLocale::Ukrainian: return 1058;
    case QLocale::Greek: return 1032;
    case QLocale::Turkish: return 1055;
    case QLocale::Japanese: return 1041;
    case QLocale::Korean: return 1042;
    case QLocale::Chinese: return 2052;
    case QLocale::Hebrew: return 1037;
    case QLocale::Arabic: return 1025;
    case QLocale::Thai: return 1054;
    case QLocale::Vietnamese: return 1066;
    case QLocale::English:
        return QLocale().territory() == QLocale::UnitedKingdom ? 2057 : 1033;
    default: return 1033;
    }
}

// ---- Wide-string list -----------------------------------------------------------

QString TvdWideStrings::Text() const
{
    QString out;
    for (const QString &s : m_list) {
        out += s;
        out += QLatin1String("\r\n");
    }
    return out;
}

void TvdWideStrings::SetText(const QString &text)
{
    m_list.clear();
    qsizetype start = 0;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text.at(i);
        if (c == u'\r' || c == u'\n') {
            m_list.append(text.mid(start, i - start));
            if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
                ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < n)
        m_list.append(text.mid(start));
}

void TvdWideStrings::LoadFromWStream(QIODevice &stream)
{
    const QByteArray bytes = stream.readAll();
    const qsizetype units = bytes.size() / 2;
    QString text(units, Qt::Uninitialized);
    char16_t *d = reinterpret_cast<char16_t *>(text.data());
    for (qsizetype i = 0; i < units; ++i)
        d[i] = char16_t(uchar(bytes[2 * i]) | (uchar(bytes[2 * i + 1]) << 8));
    SetText(text);
}

void TvdWideStrings::ReadStrings(const QStringList &items)
{
    m_list = items;
}

void TvdWideStrings::ReadUTF8(const QList<QByteArray> &items)
{
    m_list.clear();
    for (const QByteArray &b : items)
        m_list.append(QString::fromUtf8(b));
}

void TvdWideStrings::ReadUTF8W(const QStringList &items)
{
    m_list = items;
}

bool TvdWideStrings::ReadBinaryProperty(const QString &name, TvdBinaryReader &reader)
{
    enum { Strings, Utf8, Utf8W } kind;
    if (name.compare(QLatin1String("Strings"), Qt::CaseInsensitive) == 0)
        kind = Strings;
    else if (name.compare(QLatin1String("UTF8"), Qt::CaseInsensitive) == 0)
        kind = Utf8;
    else if (name.compare(QLatin1String("UTF8W"), Qt::CaseInsensitive) == 0)
        kind = Utf8W;
    else
        return false;
    if (reader.ReadValueType() != TvdValueType::vaList)
        throw EReadError(QStringLiteral("Invalid property value"));
    m_list.clear();
    while (reader.NextValue() != TvdValueType::vaNull) {
        const TvdValueType t = reader.NextValue();
        const bool narrow = t == TvdValueType::vaString || t == TvdValueType::vaLString;
        const QString s = reader.ReadString();
        if (kind == Utf8 && narrow)
            m_list.append(QString::fromUtf8(s.toLatin1()));
        else if (kind == Strings && narrow)
            m_list.append(DecodeAnsi(s.toLatin1()));
        else
            m_list.append(s);
    }
    reader.ReadValueType();
    return true;
}

bool TvdWideStrings::NeedsUTF8W(const TvdWideStrings *ancestor, bool hasOtherAncestor) const
{
    if (hasOtherAncestor)
        return true;
    if (ancestor)
        return ancestor->m_list != m_list;
    return !m_list.isEmpty();
}

// ---- Temporary files and the shell ---------------------------------------------------

QString GetTempDir()
{
    QString dir = QDir::tempPath();
    if (!dir.endsWith(u'/'))
        dir += u'/';
    return dir;
}

QString NewTempFileNameIn(const QString &dir, const QString &prefix)
{
    QString folder = (!dir.isEmpty() && QDir(dir).exists()) ? dir : QDir::tempPath();
    if (!folder.endsWith(u'/') && !folder.endsWith(u'\\'))
        folder += u'/';
    const QString pattern = folder + prefix.left(3) + QLatin1String("XXXXXX.tmp");
    QByteArray path = QFile::encodeName(pattern);
    const int fd = mkstemps(path.data(), 4);
    if (fd < 0)
        return {};
    ::close(fd);
    return QFile::decodeName(path);
}

QString NewTempFileName()
{
    return NewTempFileNameIn(GetTempDir(), QStringLiteral("qm"));
}

QString NewTempFileInDir(const QString &dir)
{
    QString folder = dir;
    if (!folder.isEmpty() && !folder.endsWith(u'/') && !folder.endsWith(u'\\'))
        folder += u'/';
    return NewTempFileNameIn(folder, QStringLiteral("vd"));
}

namespace {
QMutex g_shellMutex;
ShellOpenHandler g_shellHandler;

int defaultShellOpen(const QString &fileName, int)
{
    QUrl url = QUrl::fromUserInput(fileName, QDir::currentPath(), QUrl::AssumeLocalFile);
    if (!url.isValid())
        return 2; // file not found
    return QDesktopServices::openUrl(url) ? 42 : 31;
}
} // namespace

void SetShellOpenHandler(ShellOpenHandler handler)
{
    QMutexLocker lock(&g_shellMutex);
    g_shellHandler = std::move(handler);
}

bool ShellOpen(const QString &fileName, int showCmd)
{
    ShellOpenHandler handler;
    {
        QMutexLocker lock(&g_shellMutex);
        handler = g_shellHandler;
    }
    const int result = handler ? handler(fileName, showCmd) : defaultShellOpen(fileName, showCmd);
    return result > 32;
}

// ---- Splitting and tokenizing ------------------------------------------------------------

QStringList SplitTrimmed(const QString &text, QChar delimiter)
{
    // Delimited-text rules of the platform's string lists: a NUL ends the text,
    // control characters and blanks separate, a double quote starts a quoted
    // entry in which a doubled quote stands for one.
    QStringList list;
    const qsizetype nul = text.indexOf(QChar(0));
    const QStringView s = nul < 0 ? QStringView(text) : QStringView(text).left(nul);
    const qsizetype n = s.size();
    auto isSpace = [](QChar c) { return c.unicode() >= 1 && c.unicode() <= 32; };
    qsizetype p = 0;
    while (p < n && isSpace(s[p]))
        ++p;
    while (p < n) {
        QString item;
        if (s[p] == u'"') {
            ++p;
            while (p < n) {
                if (s[p] == u'"') {
                    if (p + 1 < n && s[p + 1] == u'"') {
                        item += u'"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                item += s[p++];
            }
        } else {
            const qsizetype start = p;
            while (p < n && s[p].unicode() > 32 && s[p] != delimiter)
                ++p;
            item = s.mid(start, p - start).toString();
        }
        list.append(item);
        while (p < n && isSpace(s[p]))
            ++p;
        if (p < n && s[p] == delimiter) {
            if (p + 1 == n)
                list.append(QString());
            do
                ++p;
            while (p < n && isSpace(s[p]));
        }
    }
    for (qsizetype i = list.size() - 1; i >= 0; --i) {
        list[i] = list[i].trimmed();
        if (list[i].isEmpty())
            list.removeAt(i);
    }
    return list;
}

void SplitBySeparator(QStringList &list, const QString &text, QChar separator)
{
    list.clear();
    const qsizetype n = text.size();
    if (n == 0 || (n == 1 && text.at(0) == separator))
        return;
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (i == n - 1) {
            if (!list.isEmpty())
                list.append(text.mid(start));
            break;
        }
        if (text.at(i) == separator && i > start) {
            list.append(text.mid(start, i - start));
            start = i + 1;
        }
    }
}

void SplitToList(const QString &text, QStringList &list, QChar separator)
{
    list.clear();
    if (text.isEmpty())
        return;
    qsizetype start = 0;
    for (;;) {
        const qsizetype i = text.indexOf(separator, start);
        if (i < 0) {
            if (start < text.size())
                list.append(text.mid(start));
            break;
        }
        list.append(text.mid(start, i - start));
        start = i + 1;
    }
}

QString SeparateSigns(const QString &text)
{
    QString out;
    out.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'+' || c == u'-') {
            if (!out.isEmpty() && (out.back() == u'e' || out.back() == u'E'))
                out.back() = u'e';
            else
                out += u' ';
        }
        out += c;
    }
    return out;
}

QString GetBracketedText(const QString &text, const QString &openToken, const QString &closeToken,
                         int &pos, int &endPos)
{
    if (openToken.isEmpty() || closeToken.isEmpty() || pos < 0 || pos >= text.size()
        || !QStringView(text).mid(pos).startsWith(openToken))
        return {};
    const qsizetype n = text.size();
    bool inDouble = false;
    bool inSingle = false;
    int count = 0;
    qsizetype i = pos;
    while (i < n) {
        const QChar c = text.at(i);
        if (c == u'"' && !inSingle) {
            inDouble = !inDouble;
        } else if (c == u'\'' && !inDouble) {
            inSingle = !inSingle;
        } else if (!inDouble && !inSingle) {
            // The first character rules out most positions before a full compare.
            if (c == openToken.front() && QStringView(text).mid(i).startsWith(openToken)) {
                ++count;
                i += openToken.size();
                continue;
            }
            if (c == closeToken.front() && QStringView(text).mid(i).startsWith(closeToken)) {
                --count;
                if (count == 0) {
                    endPos = int(i + closeToken.size() - 1);
                    const qsizetype from = pos + openToken.size();
                    return text.mid(from, i - from);
                }
                i += closeToken.size();
                continue;
            }
        }
        ++i;
    }
    // Unbalanced: everything after the opening token except the last character.
    const qsizetype from = pos + openToken.size();
    endPos = int(n - 1);
    return from < n - 1 ? text.mid(from, n - 1 - from) : QString();
}

namespace {
int strictInt(const QString &s)
{
    int v = 0;
    if (!TryStrToInt(s, v))
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(s));
    return v;
}
} // namespace

void ParsePageNumbers(const QString &text, QStringList &list, int lastPage)
{
    list.clear();
    QString s;
    s.reserve(text.size());
    for (QChar c : text)
        if ((c >= u'0' && c <= u'9') || c == u',' || c == u'-')
            s += c;
    if (s.isEmpty())
        return;
    if (s.endsWith(u'-'))
        s += QString::number(lastPage);
    const QStringList parts = s.split(u',');
    for (const QString &part : parts) {
        const qsizetype dash = part.indexOf(u'-');
        if (dash < 0) {
            list.append(QString::number(strictInt(part)));
            continue;
        }
        const int from = strictInt(part.left(dash));
        // An open or huge range ends at the last page instead of listing
        // billions of numbers.
        const int to = std::min(strictInt(part.mid(dash + 1)), lastPage);
        for (qint64 p = from; p <= to; ++p)
            list.append(QString::number(p));
    }
}

// ---- Numbers and text -------------------------------------------------------------------

bool TryParseFloatInvariant(QStringView text, double &value)
{
    QStringView s = text.trimmed();
    if (s.isEmpty() || s.size() > 400)
        return false;
    char buf[408];
    qsizetype n = 0;
    qsizetype i = 0;
    bool neg = false;
    if (s[0] == u'+' || s[0] == u'-') {
        neg = s[0] == u'-';
        ++i;
    }
    for (; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (!((c >= u'0' && c <= u'9') || c == u'.' || c == u'e' || c == u'E' || c == u'+' || c == u'-'))
            return false;
        buf[n++] = char(c);
    }
    if (n == 0 || buf[0] == '+' || buf[0] == '-')
        return false;
    double v = 0;
    const auto res = std::from_chars(buf, buf + n, v, std::chars_format::general);
    if (res.ec != std::errc() || res.ptr != buf + n)
        return false;
    if (!std::isfinite(v))
        return false;
    value = neg ? -v : v;
    return true;
}

double StrToFloatLoose(const QString &text)
{
    const QChar sep = DefaultFormatSettings().DecimalSeparator;
    QString s;
    s.reserve(text.size());
    for (QChar c : text) {
        if (c == u' ')
            continue;
        s += (c == u'.' || c == u',') ? sep : c;
    }
    double v = 0;
    if (!TryStrToFloat(s, v))
        throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(s));
    return v;
}

QString FormatFixed(double value, int decimals)
{
    if (!std::isfinite(value))
        return std::isnan(value) ? QStringLiteral("NAN") : (value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF"));
    decimals = std::clamp(decimals, 0, 18);
    // Exact decimal expansion decides ties, which go away from zero.
    char buf[512];
    std::to_chars_result r = std::to_chars(buf, buf + sizeof buf - 1, std::fabs(value), std::chars_format::fixed, decimals + 30);
    if (r.ec != std::errc())
        return QString::number(value, 'f', decimals);
    *r.ptr = 0;
    std::string digits(buf, r.ptr);
    const size_t dot = digits.find('.');
    std::string intPart = digits.substr(0, dot);
    std::string frac = digits.substr(dot + 1);
    std::string keep = intPart + frac.substr(0, size_t(decimals));
    const char next = frac[size_t(decimals)];
    const bool roundUp = next >= '5'; // ties go away from zero
    if (roundUp) {
        int k = int(keep.size()) - 1;
        while (k >= 0) {
            if (keep[size_t(k)] == '9') {
                keep[size_t(k)] = '0';
                --k;
            } else {
                ++keep[size_t(k)];
                break;
            }
        }
        if (k < 0)
            keep.insert(keep.begin(), '1');
    }
    const size_t intLen = keep.size() - size_t(decimals);
    std::string out = keep.substr(0, intLen);
    if (decimals > 0)
        out += '.' + keep.substr(intLen);
    bool zero = true;
    for (char c : keep)
        if (c != '0')
            zero = false;
    if (value < 0 && !zero)
        out.insert(out.begin(), '-');
    return QString::fromLatin1(out.data(), qsizetype(out.size()));
}

QString FloatToShortStr(double value)
{
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e18)
        return QString::number(qint64(value));
    return FloatToFixedStr(value, 2, DefaultFormatSettings().DecimalSeparator);
}

QString FloatToFixedStr(double value, int decimals, QChar decimalSeparator)
{
    QString s = FormatFixed(value, decimals);
    if (decimalSeparator != u'.')
        s.replace(u'.', decimalSeparator);
    return s;
}

bool FloatsDiffer(double a, double b)
{
    return std::fabs(a - b) > 1e-4;
}

float ClampSingle(float value, float min, float max)
{
    return std::max(min, std::min(max, value));
}

int ClampInt(int value, int min, int max)
{
    return std::max(min, std::min(max, value));
}

QString ColorToHexRGB(TColor color)
{
    const TColor rgb = ColorToRGB(color);
    return QStringLiteral("%1%2%3")
        .arg(GetRValue(rgb), 2, 16, QLatin1Char('0'))
        .arg(GetGValue(rgb), 2, 16, QLatin1Char('0'))
        .arg(GetBValue(rgb), 2, 16, QLatin1Char('0'))
        .toUpper();
}

QString IntToBinStr(quint32 value)
{
    int bytes = 4;
    while (bytes > 1 && (value >> ((bytes - 1) * 8)) == 0)
        --bytes;
    if (value == 0)
        bytes = 4;
    QString out(bytes * 8, u'0');
    for (int i = 0; i < bytes * 8; ++i)
        if (value & (1u << (bytes * 8 - 1 - i)))
            out[i] = u'1';
    return out;
}

namespace {
const char kHex[] = "0123456789ABCDEF";

int hexValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    return -1;
}

// Bytes of a hex text, stopping at the first pair that is not hex.
QByteArray hexBytes(const QString &hex)
{
    QByteArray out;
    out.reserve(hex.size() / 2);
    for (qsizetype i = 0; i + 1 < hex.size(); i += 2) {
        const int hi = hexValue(hex.at(i).unicode());
        const int lo = hexValue(hex.at(i + 1).unicode());
        if (hi < 0 || lo < 0)
            break;
        out.append(char(hi * 16 + lo));
    }
    return out;
}
} // namespace

QString WideStrToHex(const QString &text)
{
    QString out(text.size() * 4, Qt::Uninitialized);
    QChar *d = out.data();
    for (QChar c : text) {
        const char16_t u = c.unicode();
        *d++ = QLatin1Char(kHex[(u >> 4) & 0xF]);
        *d++ = QLatin1Char(kHex[u & 0xF]);
        *d++ = QLatin1Char(kHex[(u >> 12) & 0xF]);
        *d++ = QLatin1Char(kHex[(u >> 8) & 0xF]);
    }
    return out;
}

QString HexToWideStr(const QString &hex)
{
    const QByteArray b = hexBytes(hex);
    QString out(b.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < out.size(); ++i)
        out[i] = QChar(char16_t(uchar(b[2 * i]) | (uchar(b[2 * i + 1]) << 8)));
    return out;
}

QString StreamToHex(QIODevice &stream)
{
    stream.seek(0);
    const QByteArray b = stream.readAll();
    QString out(b.size() * 2, Qt::Uninitialized);
    QChar *d = out.data();
    for (char ch : b) {
        const uchar c = uchar(ch);
        *d++ = QLatin1Char(kHex[c >> 4]);
        *d++ = QLatin1Char(kHex[c & 0xF]);
    }
    return out;
}

void HexToStream(const QString &hex, QIODevice &stream)
{
    const QByteArray b = hexBytes(hex);
    stream.seek(0);
    stream.write(b);
}

QString SlashesToBackslashes(const QString &text)
{
    QString s = text;
    s.replace(u'/', u'\\');
    return s;
}

// ---- Component lookup ----------------------------------------------------------------------

namespace {
QMutex g_globalMutex;
QList<TvdComponent *> g_globals;
} // namespace

void RegisterGlobalComponent(TvdComponent *component)
{
    QMutexLocker lock(&g_globalMutex);
    if (component && !g_globals.contains(component))
        g_globals.append(component);
}

void UnregisterGlobalComponent(TvdComponent *component)
{
    QMutexLocker lock(&g_globalMutex);
    g_globals.removeAll(component);
}

TvdComponent *FindGlobalComponent(const QString &name)
{
    QMutexLocker lock(&g_globalMutex);
    for (TvdComponent *c : std::as_const(g_globals))
        if (c->Name().compare(name, Qt::CaseInsensitive) == 0)
            return c;
    return nullptr;
}

TvdComponent *FindComponentByPath(TvdComponent *root, const QString &name)
{
    try {
        const QStringList parts = name.split(u'.');
        if (parts.size() == 1) {
            if (!root)
                return nullptr;
            TvdComponent *c = root->FindComponent(name);
            if (!c && root->Owner())
                c = root->Owner()->FindComponent(name);
            return c;
        }
        if (parts.size() > 3)
            return nullptr;
        TvdComponent *c = FindGlobalComponent(parts.at(0));
        for (qsizetype i = 1; c && i < parts.size(); ++i)
            c = c->FindComponent(parts.at(i).left(255));
        return c;
    } catch (const std::exception &) {
        throw EClassNotFound(QStringLiteral("Missing ") + name);
    }
}
