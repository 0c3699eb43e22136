#include "core/vdXML.h"

#include "core/vdUtils.h"
#include "core/vdVariant.h"
#include "platform/AtomicFile.h"
#include "platform/CodePage.h"

#include <QBuffer>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr qsizetype kReadBufferSize = 64 * 1024;
constexpr qsizetype kWriteFlushSize = 64 * 1024;
constexpr int kNameCacheSize = 256;

const QString &invalidFormatMessage()
{
    static const QString msg = QStringLiteral("Invalid file format");
    return msg;
}

// Characters that attribute values and text content carry as references.
inline bool needsEscape(char16_t c)
{
    return c == 0 || c == 10 || c == 13 || c == 34 || c == 38 || c == 60 || c == 62;
}

inline bool isXmlBlank(uchar c)
{
    return c == 9 || c == 10 || c == 11 || c == 13 || c == 32;
}

void appendDecimal(QString &out, unsigned code)
{
    char buf[16];
    auto r = std::to_chars(buf, buf + sizeof buf, code);
    out += QLatin1String("&#");
    out += QLatin1String(buf, int(r.ptr - buf));
    out += u';';
}

} // namespace

// ---- Shared functions --------------------------------------------------------------------

const FormatSettings &XMLFormatSettings()
{
    static const FormatSettings fs = [] {
        FormatSettings f;
        f.DecimalSeparator = u'.';
        f.ThousandSeparator = u' ';
        f.DateSeparator = u'.';
        f.TimeSeparator = u':';
        f.ListSeparator = QChar();
        f.CurrencyString.clear();
        f.ShortDateFormat = QStringLiteral("DD.MM.YYYY");
        f.LongDateFormat = QStringLiteral("DD.MM.YYYY");
        f.ShortTimeFormat = QStringLiteral("hh:mm:ss:zzz");
        f.LongTimeFormat = QStringLiteral("hh:mm:ss:zzz");
        f.TimeAMString.clear();
        f.TimePMString.clear();
        for (auto &s : f.ShortMonthNames) s.clear();
        for (auto &s : f.LongMonthNames) s.clear();
        for (auto &s : f.ShortDayNames) s.clear();
        for (auto &s : f.LongDayNames) s.clear();
        f.TwoDigitYearCenturyWindow = 50;
        return f;
    }();
    return fs;
}

void InitXMLFormatSettings()
{
    (void)XMLFormatSettings();
}

namespace {
// A surrogate without its partner cannot be written as UTF-8: it goes as a
// reference too, so that the text still reads back unchanged.
inline bool loneSurrogateAt(const char16_t *p, qsizetype i, qsizetype n)
{
    const char16_t c = p[i];
    if (QChar::isHighSurrogate(c))
        return !(i + 1 < n && QChar::isLowSurrogate(p[i + 1]));
    if (QChar::isLowSurrogate(c))
        return !(i > 0 && QChar::isHighSurrogate(p[i - 1]));
    return false;
}
} // namespace

QString EscapeXMLAttr(const QString &s)
{
    const char16_t *p = reinterpret_cast<const char16_t *>(s.utf16());
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n && !needsEscape(p[i]) && !(QChar::isSurrogate(p[i]) && loneSurrogateAt(p, i, n)))
        ++i;
    if (i == n)
        return s;
    QString out;
    out.reserve(n + 16);
    out.append(QStringView(p, i));
    for (; i < n; ++i) {
        const char16_t c = p[i];
        if (needsEscape(c) || (QChar::isSurrogate(c) && loneSurrogateAt(p, i, n)))
            appendDecimal(out, c);
        else
            out += QChar(c);
    }
    return out;
}

QString UnescapeXMLAttr(const QString &s)
{
    qsizetype i = s.indexOf(u'&');
    if (i < 0)
        return s;
    const QStringView v(s);
    const qsizetype n = v.size();
    QString out;
    out.reserve(n);
    out.append(v.left(i));
    while (i < n) {
        const QChar c = v[i];
        if (c != u'&') {
            out += c;
            ++i;
            continue;
        }
        if (i + 1 < n && v[i + 1] == u'#') {
            qsizetype j = i + 2;
            quint32 code = 0;
            int digits = 0;
            while (j < n && digits <= 7 && v[j] >= u'0' && v[j] <= u'9') {
                code = code * 10 + (v[j].unicode() - u'0');
                ++j;
                ++digits;
            }
            if (digits > 0 && digits <= 7 && j < n && v[j] == u';' && code <= 0x10FFFF) {
                if (code >= 0x10000) {
                    out += QChar(QChar::highSurrogate(code));
                    out += QChar(QChar::lowSurrogate(code));
                } else {
                    out += QChar(char16_t(code));
                }
                i = j + 1;
                continue;
            }
        } else {
            const QStringView rest = v.mid(i + 1);
            struct Entity {
                const char16_t *name;
                qsizetype len;
                char16_t ch;
            };
            static const Entity entities[] = {
                {u"quot;", 5, u'"'}, {u"amp;", 4, u'&'}, {u"lt;", 3, u'<'}, {u"gt;", 3, u'>'}};
            bool done = false;
            for (const Entity &e : entities) {
                if (rest.startsWith(QStringView(e.name, e.len))) {
                    out += QChar(e.ch);
                    i += 1 + e.len;
                    done = true;
                    break;
                }
            }
            if (done)
                continue;
        }
        out += c;
        ++i;
    }
    return out;
}

QString VariantToXMLStr(const Variant &v)
{
    switch (v.varType()) {
    case varSmallint:
    case varInteger:
    case varByte:
        return QString::number(v.rawInt());
    case varSingle:
        return FloatToStrPrec(v.rawDouble(), 7);
    case varDouble:
        return FloatToStr(v.rawDouble());
    case varCurrency:
        return FloatToStr(double(v.rawInt()) / 10000.0);
    case varDate:
        return DateToStr(v.rawDouble());
    case varOleStr:
    case varString:
    case varUString:
        return EscapeXMLAttr(v.rawString());
    case varBoolean:
        return v.rawBool() ? QStringLiteral("1") : QStringLiteral("0");
    default:
        if (v.varType() & varByRef)
            return EscapeXMLAttr(v.toString());
        return {};
    }
}

// ---- Items ----------------------------------------------------------------------------------

TvdXMLItem::TvdXMLItem() = default;

TvdXMLItem::~TvdXMLItem()
{
    if (m_parent) {
        const qsizetype i = m_parent->m_items.lastIndexOf(this);
        if (i >= 0)
            m_parent->m_items.remove(i);
        m_parent = nullptr;
    }
    freeChildren();
}

void TvdXMLItem::detachChildren(QList<TvdXMLItem *> &out)
{
    for (TvdXMLItem *c : std::as_const(m_items)) {
        c->m_parent = nullptr;
        out.append(c);
    }
    m_items.clear();
}

void TvdXMLItem::freeChildren()
{
    // Without recursion: deep files must not exhaust the stack.
    if (m_items.isEmpty())
        return;
    std::vector<TvdXMLItem *> work;
    work.reserve(64);
    auto take = [&work](TvdXMLItem *it) {
        for (TvdXMLItem *c : std::as_const(it->m_items)) {
            c->m_parent = nullptr;
            work.push_back(c);
        }
        it->m_items.clear();
    };
    take(this);
    while (!work.empty()) {
        TvdXMLItem *it = work.back();
        work.pop_back();
        if (!it->m_items.isEmpty())
            take(it);
        delete it;
    }
}

TvdXMLItem *TvdXMLItem::Add()
{
    auto *item = new TvdXMLItem();
    AddItem(item);
    return item;
}

TvdXMLItem *TvdXMLItem::Add(const QString &name)
{
    TvdXMLItem *item = Add();
    item->m_name = name;
    return item;
}

void TvdXMLItem::AddItem(TvdXMLItem *item)
{
    if (item->m_parent) {
        const qsizetype i = item->m_parent->m_items.lastIndexOf(item);
        if (i >= 0)
            item->m_parent->m_items.remove(i);
    }
    item->m_parent = this;
    m_items.append(item);
}

void TvdXMLItem::InsertItem(int index, TvdXMLItem *item)
{
    AddItem(item);
    const qsizetype to = std::clamp<qsizetype>(index, 0, m_items.size() - 1);
    m_items.move(m_items.size() - 1, to);
}

int TvdXMLItem::Find(const QString &name) const
{
    for (qsizetype i = 0; i < m_items.size(); ++i)
        if (m_items.at(i)->m_name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

TvdXMLItem *TvdXMLItem::FindItem(const QString &name)
{
    const int i = Find(name);
    return i >= 0 ? m_items.at(i) : Add(name);
}

TvdXMLItem *TvdXMLItem::Root()
{
    TvdXMLItem *r = this;
    while (r->m_parent)
        r = r->m_parent;
    return r;
}

void TvdXMLItem::Clear()
{
    freeChildren();
    if (m_unloadable)
        m_loaded = false;
}

void TvdXMLItem::SetData(const QString &name, const QString &text, const QString &value)
{
    m_name = name;
    m_text = text;
    m_value = value;
}

qsizetype TvdXMLItem::propIndex(const QString &name) const
{
    const qsizetype nl = name.size();
    const qsizetype tl = m_text.size();
    const QStringView text(m_text);
    qsizetype p = 0;
    while (p + nl + 2 <= tl) {
        if ((p == 0 || text[p - 1] == u' ') && text[p + nl] == u'=' && text[p + nl + 1] == u'"'
            && text.mid(p, nl).compare(name, Qt::CaseInsensitive) == 0)
            return p;
        const qsizetype b = m_text.indexOf(u' ', p);
        if (b < 0)
            break;
        p = b + 1;
    }
    return -1;
}

QString TvdXMLItem::GetProp(const QString &name) const
{
    const qsizetype p = propIndex(name);
    if (p < 0)
        return {};
    const qsizetype start = p + name.size() + 2;
    qsizetype end = m_text.indexOf(u'"', start);
    if (end < 0)
        end = m_text.size();
    return UnescapeXMLAttr(m_text.mid(start, end - start));
}

void TvdXMLItem::SetProp(const QString &name, const QString &value)
{
    const QString esc = EscapeXMLAttr(value);
    const qsizetype p = propIndex(name);
    QString attr;
    attr.reserve(name.size() + esc.size() + 3);
    attr += name;
    attr += QLatin1String("=\"");
    attr += esc;
    attr += u'"';
    if (p >= 0) {
        qsizetype end = m_text.indexOf(u'"', p + name.size() + 2);
        end = end < 0 ? m_text.size() : end + 1;
        m_text.replace(p, end - p, attr);
        return;
    }
    if (!m_text.isEmpty() && !m_text.endsWith(u' '))
        m_text += u' ';
    m_text += attr;
}

bool TvdXMLItem::PropExists(const QString &name) const
{
    return propIndex(name) >= 0;
}

void TvdXMLItem::DeleteProp(const QString &name)
{
    SetProp(name, QString());
    const qsizetype p = propIndex(name);
    if (p >= 0)
        m_text.remove(p, name.size() + 4);
}

int TvdXMLItem::GetPropAsInteger(const QString &name) const
{
    int v = 0;
    return TryStrToInt(GetProp(name), v) ? v : 0;
}

void TvdXMLItem::SetPropAsInteger(const QString &name, int value)
{
    SetProp(name, QString::number(value));
}

qint64 TvdXMLItem::GetPropAsInt64(const QString &name) const
{
    qint64 v = 0;
    return TryStrToInt64(GetProp(name), v) ? v : 0;
}

void TvdXMLItem::SetPropAsInt64(const QString &name, qint64 value)
{
    SetProp(name, QString::number(value));
}

double TvdXMLItem::GetPropAsFloat(const QString &name) const
{
    double v = 0;
    return TryParseFloatInvariant(GetProp(name), v) ? v : 0.0;
}

void TvdXMLItem::SetPropAsFloat(const QString &name, double value)
{
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    SetProp(name, QString::fromLatin1(buf, r.ptr - buf));
}

namespace {

// "D.M.Y" then optionally a blank and "h:m[:s[:z]]" (also "h:m:s.z").
bool parseXmlDateTime(QStringView s, double &result)
{
    s = s.trimmed();
    if (s.isEmpty())
        return false;
    const qsizetype blank = s.indexOf(u' ');
    const QStringView datePart = blank < 0 ? s : s.left(blank);
    const QStringView timePart = blank < 0 ? QStringView() : s.mid(blank + 1).trimmed();
    const auto dp = datePart.split(u'.');
    if (dp.size() != 3)
        return false;
    bool ok1, ok2, ok3;
    const int d = dp[0].toInt(&ok1);
    const int m = dp[1].toInt(&ok2);
    int y = dp[2].toInt(&ok3);
    if (!ok1 || !ok2 || !ok3)
        return false;
    if (dp[2].size() <= 2) {
        // Two-digit years fall within the window around the current year.
        const int window = XMLFormatSettings().TwoDigitYearCenturyWindow;
        const int current = QDate::currentDate().year();
        int century = current - window;
        int yy = century / 100 * 100 + y;
        if (yy < century)
            yy += 100;
        y = yy;
    }
    double date = 0;
    if (!TryEncodeDate(y, m, d, date))
        return false;
    double time = 0;
    if (!timePart.isEmpty()) {
        int parts[4] = {0, 0, 0, 0};
        int count = 0;
        qsizetype i = 0;
        while (i <= timePart.size() && count < 4) {
            qsizetype j = i;
            while (j < timePart.size() && timePart[j].isDigit())
                ++j;
            if (j == i)
                return false;
            bool ok;
            parts[count++] = timePart.mid(i, j - i).toInt(&ok);
            if (!ok)
                return false;
            if (j == timePart.size())
                break;
            const QChar sep = timePart[j];
            if (sep != u':' && !(sep == u'.' && count == 3))
                return false;
            i = j + 1;
        }
        if (count < 2)
            return false;
        if (!TryEncodeTime(parts[0], parts[1], parts[2], parts[3], time))
            return false;
    }
    result = date < 0 ? date - time : date + time;
    return true;
}

} // namespace

double TvdXMLItem::GetPropAsDateTime(const QString &name) const
{
    double v = 0;
    return parseXmlDateTime(GetProp(name), v) ? v : 0.0;
}

void TvdXMLItem::SetPropAsDateTime(const QString &name, double value)
{
    int y, m, d;
    DecodeDate(value, y, m, d);
    QString s = QStringLiteral("%1.%2.%3")
                    .arg(d, 2, 10, QLatin1Char('0'))
                    .arg(m, 2, 10, QLatin1Char('0'))
                    .arg(y, 4, 10, QLatin1Char('0'));
    if (value - std::trunc(value) != 0) {
        int h, mi, sec, ms;
        DecodeTime(value, h, mi, sec, ms);
        s += QStringLiteral(" %1:%2:%3:%4")
                 .arg(h, 2, 10, QLatin1Char('0'))
                 .arg(mi, 2, 10, QLatin1Char('0'))
                 .arg(sec, 2, 10, QLatin1Char('0'))
                 .arg(ms, 3, 10, QLatin1Char('0'));
    }
    SetProp(name, s);
}

bool TvdXMLItem::GetPropAsBoolean(const QString &name) const
{
    const QString s = GetProp(name);
    int v = 0;
    if (TryStrToInt(s, v))
        return v != 0;
    return s.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0;
}

void TvdXMLItem::SetPropAsBoolean(const QString &name, bool value)
{
    SetProp(name, value ? QStringLiteral("-1") : QStringLiteral("0"));
}

// ---- Reader -----------------------------------------------------------------------------------

struct TvdXMLReader::Tag {
    QString name;
    QString text;
    bool isEnd = false;
    bool selfClosed = false;
    bool marked = false;
};

TvdXMLReader::TvdXMLReader(QIODevice &stream)
    : m_stream(&stream), m_buf(new char[kReadBufferSize]), m_nameCache(new NameCacheEntry[kNameCacheSize])
{
    m_bufPos = stream.pos();
    m_size = stream.size();
    m_lastTagEnd = m_bufPos;
}

TvdXMLReader::~TvdXMLReader()
{
    if (!m_stream->isSequential())
        m_stream->seek(Position());
}

void TvdXMLReader::RaiseException()
{
    throw TvdInvalidXMLException(invalidFormatMessage());
}

void TvdXMLReader::SetPosition(qint64 pos)
{
    m_stream->seek(pos);
    m_bufPos = pos;
    m_len = 0;
    m_idx = 0;
    m_lastTagEnd = pos;
    m_textBuf.clear();
    m_textHasContent = false;
}

bool TvdXMLReader::Fill()
{
    m_bufPos += m_len;
    m_idx = 0;
    m_len = 0;
    const qint64 r = m_stream->read(m_buf.get(), kReadBufferSize);
    if (r <= 0)
        return false;
    m_len = qsizetype(r);
    return true;
}

QString TvdXMLReader::decodeName(const char *s, qsizetype n)
{
    quint32 h = 2166136261u;
    bool ascii = true;
    for (qsizetype i = 0; i < n; ++i) {
        h = (h ^ uchar(s[i])) * 16777619u;
        ascii &= uchar(s[i]) < 0x80;
    }
    NameCacheEntry &e = m_nameCache[h % kNameCacheSize];
    if (e.bytes.size() == n && std::memcmp(e.bytes.constData(), s, size_t(n)) == 0 && (n > 0 || !e.name.isNull()))
        return e.name;
    e.bytes = QByteArray(s, n);
    e.name = ascii ? QString::fromLatin1(s, n) : DecodeAnsi(QByteArrayView(s, n));
    if (e.name.isNull())
        e.name = QLatin1String("");
    return e.name;
}

QString TvdXMLReader::takeText()
{
    if (!m_textHasContent) {
        m_textBuf.clear();
        return {};
    }
    QString s = m_oldFormat ? DecodeAnsi(m_textBuf) : QString::fromUtf8(m_textBuf);
    m_textBuf.clear();
    m_textHasContent = false;
    if (s.contains(u'&'))
        s = UnescapeXMLAttr(s);
    return s;
}

void TvdXMLReader::parseTag(const char *s, const char *e, Tag &tag)
{
    if (e > s && e[-1] == ' ')
        --e;
    const char *sp = static_cast<const char *>(std::memchr(s, ' ', size_t(e - s)));
    const char *nameEnd = sp ? sp : e;
    const char *ts = sp ? sp + 1 : e;
    const char *te = e;
    qsizetype nameLen = nameEnd - s;
    tag.selfClosed = false;
    if (nameLen > 0 && s[nameLen - 1] == '/') {
        --nameLen;
        tag.selfClosed = true;
    }
    if (te > ts && te[-1] == '/') {
        --te;
        tag.selfClosed = true;
    }
    tag.isEnd = nameLen > 0 && s[0] == '/';
    tag.name = tag.isEnd ? decodeName(s + 1, nameLen - 1) : decodeName(s, nameLen);

    // The partial-loading marker counts only after a blank inside the text.
    tag.marked = false;
    const char *mark = nullptr;
    for (const char *p = ts; te - p >= 7;) {
        const char *b = static_cast<const char *>(std::memchr(p, ' ', size_t(te - p - 6)));
        if (!b)
            break;
        if ((b[1] | 0x20) == 'l' && (b[2] | 0x20) == 'd' && b[3] == '=' && b[4] == '"' && b[5] == '0' && b[6] == '"') {
            mark = b;
            break;
        }
        p = b + 1;
    }
    if (mark) {
        tag.marked = true;
        QByteArray bytes;
        bytes.reserve(te - ts - 7);
        bytes.append(ts, mark - ts);
        bytes.append(mark + 7, te - (mark + 7));
        tag.text = m_oldFormat ? DecodeAnsi(bytes) : QString::fromUtf8(bytes);
    } else if (te > ts) {
        tag.text = m_oldFormat ? DecodeAnsi(QByteArrayView(ts, te - ts)) : QString::fromUtf8(ts, te - ts);
    } else {
        tag.text = QString();
    }
}

void TvdXMLReader::skipComment()
{
    int hyphens = 0;
    uchar c;
    for (;;) {
        if (!ReadByte(c))
            RaiseException();
        if (c == '-') {
            hyphens = hyphens == 2 ? 1 : hyphens + 1;
        } else if (c == '>') {
            if (hyphens == 2)
                return;
            hyphens = 0;
        } else {
            hyphens = 0;
        }
    }
}

bool TvdXMLReader::readTagSlow(Tag &tag)
{
    m_tagBuf.clear();
    uchar c;
    for (;;) {
        if (!ReadByte(c))
            RaiseException();
        if (c == '>')
            break;
        if (c == '<')
            RaiseException();
        m_tagBuf.append(char(c));
        if (m_tagBuf.size() == 3 && m_tagBuf == "!--") {
            skipComment();
            m_lastTagEnd = Position();
            return false;
        }
    }
    m_lastTagEnd = Position();
    parseTag(m_tagBuf.constData(), m_tagBuf.constData() + m_tagBuf.size(), tag);
    return true;
}

bool TvdXMLReader::readTag(Tag &tag)
{
    for (;;) {
        // Text between tags.
        for (;;) {
            if (m_idx == m_len && !Fill()) {
                m_textBuf.clear();
                m_textHasContent = false;
                return false;
            }
            const char *p = m_buf.get() + m_idx;
            const char *e = m_buf.get() + m_len;
            const char *lt = static_cast<const char *>(std::memchr(p, '<', size_t(e - p)));
            const char *stop = lt ? lt : e;
            if (stop > p) {
                if (!m_textHasContent) {
                    for (const char *q = p; q < stop; ++q)
                        if (!isXmlBlank(uchar(*q))) {
                            m_textHasContent = true;
                            break;
                        }
                }
                m_textBuf.append(p, stop - p);
            }
            m_idx = stop - m_buf.get();
            if (lt) {
                ++m_idx;
                break;
            }
        }
        // The tag itself, straight from the buffer when it is all there.
        if (m_len - m_idx >= 3) {
            const char *p = m_buf.get() + m_idx;
            if (p[0] == '!' && p[1] == '-' && p[2] == '-') {
                m_idx += 3;
                skipComment();
                m_lastTagEnd = Position();
                continue;
            }
            const char *e = m_buf.get() + m_len;
            const char *gt = static_cast<const char *>(std::memchr(p, '>', size_t(e - p)));
            if (gt) {
                if (std::memchr(p, '<', size_t(gt - p)))
                    RaiseException();
                m_idx = gt + 1 - m_buf.get();
                m_lastTagEnd = Position();
                parseTag(p, gt, tag);
                return true;
            }
        }
        if (readTagSlow(tag))
            return true;
    }
}

void TvdXMLReader::ReadHeader()
{
    Tag t;
    if (!readTag(t) || !t.name.startsWith(QLatin1String("?xml")))
        RaiseException();
    m_textBuf.clear();
    m_textHasContent = false;
    m_oldFormat = false;
    const qsizetype v = t.text.indexOf(QLatin1String("version="));
    if (v >= 0 && QStringView(t.text).mid(v + 9, 3) == QLatin1String("1.0")
        && !t.text.contains(QLatin1String("standalone=")))
        m_oldFormat = true;
}

void TvdXMLReader::finishItem(TvdXMLItem *item, bool marked, qint64 offset)
{
    if (!marked)
        return;
    switch (m_partial) {
    case NoPartial:
        break;
    case UnloadMarked:
        item->Clear();
        item->m_unloadable = true;
        item->m_loaded = false;
        item->m_offset = offset;
        item->m_inOwnSwap = false;
        break;
    case KeepMarked:
        item->m_unloadable = true;
        break;
    }
}

void TvdXMLReader::ReadRootItem(TvdXMLItem *item, bool readChildren)
{
    Tag t;
    qint64 start = m_lastTagEnd;
    if (!readTag(t))
        return;
    if (t.isEnd)
        RaiseException();
    item->m_name = t.name;
    item->m_text = t.text;
    item->m_value = takeText();
    if (!readChildren)
        return;
    if (t.selfClosed) {
        finishItem(item, t.marked, start);
        return;
    }

    struct Frame {
        TvdXMLItem *item;
        qint64 offset;
        bool marked;
    };
    std::vector<Frame> stack;
    stack.push_back({item, start, t.marked});
    while (!stack.empty()) {
        start = m_lastTagEnd;
        if (!readTag(t)) {
            // A file that ends early keeps what was read.
            while (!stack.empty()) {
                finishItem(stack.back().item, stack.back().marked, stack.back().offset);
                stack.pop_back();
            }
            return;
        }
        TvdXMLItem *cur = stack.back().item;
        if (t.isEnd) {
            if (t.name.compare(cur->m_name, Qt::CaseInsensitive) != 0)
                RaiseException();
            cur->m_value = takeText();
            finishItem(cur, stack.back().marked, stack.back().offset);
            stack.pop_back();
            continue;
        }
        auto *child = new TvdXMLItem();
        child->m_parent = cur;
        cur->m_items.append(child);
        child->m_name = t.name;
        child->m_text = t.text;
        child->m_value = takeText();
        if (t.selfClosed)
            finishItem(child, t.marked, start);
        else
            stack.push_back({child, start, t.marked});
    }
}

// ---- Writer -----------------------------------------------------------------------------------

namespace {
QStringEncoder &utf8Encoder()
{
    thread_local QStringEncoder enc(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    return enc;
}
} // namespace

TvdXMLWriter::TvdXMLWriter(QIODevice &stream)
    : m_stream(&stream), m_out(new char[2 * kWriteFlushSize]), m_cap(2 * kWriteFlushSize)
{
}

TvdXMLWriter::~TvdXMLWriter()
{
    try {
        flush();
    } catch (...) {
    }
}

void TvdXMLWriter::reserve(qsizetype extra)
{
    if (m_n + extra <= m_cap)
        return;
    qsizetype cap = m_cap;
    while (cap < m_n + extra)
        cap *= 2;
    std::unique_ptr<char[]> nb(new char[cap]);
    std::memcpy(nb.get(), m_out.get(), size_t(m_n));
    m_out = std::move(nb);
    m_cap = cap;
}

void TvdXMLWriter::put(const char *s, qsizetype n)
{
    reserve(n);
    std::memcpy(m_out.get() + m_n, s, size_t(n));
    m_n += n;
}

void TvdXMLWriter::flush()
{
    if (m_n == 0)
        return;
    const qint64 n = m_n;
    const qint64 w = m_stream->write(m_out.get(), n);
    m_n = 0;
    // A short count is a failed write too (a full disk), not a partial success.
    if (w != n)
        throw EFWriteError(QStringLiteral("Stream write error"));
}

void TvdXMLWriter::line()
{
    if (m_autoIndent)
        put("\r\n", 2);
    if (m_n > kWriteFlushSize)
        flush();
}

void TvdXMLWriter::putIndent(int depth)
{
    if (!m_autoIndent || depth <= 0)
        return;
    reserve(2 * depth);
    std::memset(m_out.get() + m_n, ' ', size_t(2 * depth));
    m_n += 2 * depth;
}

void TvdXMLWriter::putName(const QString &name)
{
    const char16_t *p = reinterpret_cast<const char16_t *>(name.utf16());
    const qsizetype n = name.size();
    reserve(n);
    char *d = m_out.get() + m_n;
    for (qsizetype i = 0; i < n; ++i) {
        if (p[i] >= 0x80) {
            const QByteArray b = EncodeAnsi(name);
            put(b.constData(), b.size());
            return;
        }
        d[i] = char(p[i]);
    }
    m_n += n;
}

void TvdXMLWriter::putUtf8(const QString &s)
{
    if (s.isEmpty())
        return;
    QStringEncoder &enc = utf8Encoder();
    reserve(enc.requiredSpace(s.size()));
    char *end = enc.appendToBuffer(m_out.get() + m_n, s);
    m_n = end - m_out.get();
}

void TvdXMLWriter::putEscaped(const QString &s)
{
    QString esc = EscapeXMLAttr(s);
    // Text made only of blanks would read back as nothing: keep its first one
    // as a reference.
    bool blank = true;
    for (QChar c : std::as_const(esc))
        if (c.unicode() > 32 || !isXmlBlank(uchar(c.unicode()))) {
            blank = false;
            break;
        }
    if (blank) {
        QString first;
        appendDecimal(first, esc.at(0).unicode());
        esc = first + esc.mid(1);
    }
    putUtf8(esc);
}

void TvdXMLWriter::WriteHeader()
{
    static const char header[] = "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>";
    put(header, sizeof header - 1);
    line();
}

bool TvdXMLWriter::loadBack(TvdXMLItem *item)
{
    QIODevice *src = item->m_inOwnSwap ? m_swapStream : m_tempStream;
    if (!src)
        return false;
    TvdXMLItem tmp;
    {
        TvdXMLReader r(*src);
        r.SetOldFormat(item->m_inOwnSwap ? false : m_tempOldFormat);
        r.SetPartialLoading(TvdXMLReader::KeepMarked);
        r.SetPosition(item->m_offset);
        r.ReadRootItem(&tmp, true);
    }
    QList<TvdXMLItem *> children;
    tmp.detachChildren(children);
    for (TvdXMLItem *c : std::as_const(children)) {
        c->m_parent = item;
        item->m_items.append(c);
    }
    return true;
}

void TvdXMLWriter::WriteRootItem(TvdXMLItem *root)
{
    struct Frame {
        TvdXMLItem *item;
        int next;
        bool loadedBack;
    };
    std::vector<Frame> stack;

    auto writeStart = [&](TvdXMLItem *item, int depth) {
        bool loadedBack = false;
        if (item->m_unloadable && !item->m_loaded)
            loadedBack = loadBack(item);
        putIndent(depth);
        put('<');
        putName(item->m_name);
        if (!item->m_text.isEmpty() || item->m_unloadable) {
            // Without attributes the marker still needs a blank before it,
            // or a reader would take it for an ordinary attribute.
            if (item->m_text.isEmpty() || !item->m_text.startsWith(u' '))
                put(' ');
            putUtf8(item->m_text);
            if (item->m_unloadable)
                put(" ld=\"0\"", 7);
        }
        if (!item->m_items.isEmpty()) {
            put('>');
            line();
            stack.push_back({item, 0, loadedBack});
            return;
        }
        if (!item->m_value.isEmpty()) {
            put('>');
            putEscaped(item->m_value);
            put("</", 2);
            putName(item->m_name);
            put('>');
        } else {
            put("/>", 2);
        }
        line();
        if (loadedBack)
            item->Clear();
    };

    writeStart(root, 0);
    while (!stack.empty()) {
        Frame &f = stack.back();
        if (f.next < f.item->Count()) {
            TvdXMLItem *c = f.item->m_items.at(f.next++);
            writeStart(c, int(stack.size()));
            continue;
        }
        putIndent(int(stack.size()) - 1);
        put("</", 2);
        putName(f.item->m_name);
        put('>');
        line();
        if (f.loadedBack)
            f.item->Clear();
        stack.pop_back();
    }
    flush();
}

// ---- Document ---------------------------------------------------------------------------------

TvdXMLDocument::TvdXMLDocument() : m_root(new TvdXMLItem()) {}

TvdXMLDocument::~TvdXMLDocument()
{
    ReleaseSwap();
    delete m_root;
}

void TvdXMLDocument::SetRootItem(TvdXMLItem *root)
{
    if (root == m_root)
        return;
    delete m_root;
    m_root = root;
}

void TvdXMLDocument::ReleaseSwap()
{
    if (m_ownsSource)
        delete m_source;
    m_source = nullptr;
    m_ownsSource = false;
    if (m_swapFile) {
        m_swapFile->close();
        m_swapFile->remove();
        m_swapFile.reset();
    }
}

void TvdXMLDocument::AdoptSwapStream(QIODevice *stream)
{
    ReleaseSwap();
    m_source = stream;
    m_ownsSource = stream != nullptr;
}

void TvdXMLDocument::Clear()
{
    m_root->Clear();
    ReleaseSwap();
}

void TvdXMLDocument::loadFrom(QIODevice *stream, bool partial, bool owned)
{
    ReleaseSwap();
    m_root->Clear();
    m_root->m_offset = 0;
    m_root->m_loaded = true;
    m_root->m_unloadable = false;
    m_root->m_inOwnSwap = false;
    m_oldVersion = false;
    try {
        TvdXMLReader r(*stream);
        r.SetPartialLoading(partial ? TvdXMLReader::UnloadMarked : TvdXMLReader::NoPartial);
        r.ReadHeader();
        m_oldVersion = r.OldFormat();
        r.ReadRootItem(m_root, true);
    } catch (...) {
        if (owned)
            delete stream;
        throw;
    }
    if (partial) {
        m_source = stream;
        m_ownsSource = owned;
    } else if (owned) {
        delete stream;
    }
}

void TvdXMLDocument::LoadFromStream(QIODevice &stream, bool allowPartialLoading)
{
    loadFrom(&stream, allowPartialLoading, false);
}

void TvdXMLDocument::SaveToStream(QIODevice &stream)
{
    TvdXMLWriter w(stream);
    w.SetAutoIndent(m_autoIndent);
    w.SetTempStream(m_source, m_oldVersion);
    w.SetSwapStream(m_swapFile.get());
    w.WriteHeader();
    w.WriteRootItem(m_root);
}

void TvdXMLDocument::LoadFromFile(const QString &fileName)
{
    auto *f = new QFile(fileName);
    if (!f->open(QIODevice::ReadOnly)) {
        const QString err = f->errorString();
        delete f;
        throw EFOpenError(QStringLiteral("Cannot open file \"%1\". %2").arg(QDir::toNativeSeparators(fileName), err));
    }
    loadFrom(f, true, true);
}

void TvdXMLDocument::SaveToFile(const QString &fileName)
{
    // The old file stays until the new one is complete; it may also be the
    // source that unloaded subtrees are read back from while writing.
    const TvdSaveResult r = vdAtomicSave(fileName, [this](QIODevice &f) { SaveToStream(f); });
    vdRaiseSaveError<EFCreateError, EFWriteError>(fileName, r);
    ReleaseSwap();
    LoadFromFile(fileName);
}

void TvdXMLDocument::LoadItem(TvdXMLItem *item)
{
    if (!item || !item->m_unloadable || item->m_loaded)
        return;
    QIODevice *src = item->m_inOwnSwap ? static_cast<QIODevice *>(m_swapFile.get()) : m_source;
    if (!src)
        return;
    TvdXMLItem tmp;
    {
        TvdXMLReader r(*src);
        r.SetOldFormat(item->m_inOwnSwap ? false : m_oldVersion);
        r.SetPartialLoading(TvdXMLReader::KeepMarked);
        r.SetPosition(item->m_offset);
        r.ReadRootItem(&tmp, true);
    }
    QList<TvdXMLItem *> children;
    tmp.detachChildren(children);
    for (TvdXMLItem *c : std::as_const(children)) {
        c->m_parent = item;
        item->m_items.append(c);
    }
    item->m_loaded = true;
}

void TvdXMLDocument::UnloadItem(TvdXMLItem *item)
{
    if (!item || !item->m_loaded || !item->m_unloadable)
        return;
    if (!m_swapFile) {
        const QString name = NewTempFileNameIn(m_tempDir, QStringLiteral("vd"));
        auto f = std::make_unique<QFile>(name);
        if (name.isEmpty() || !f->open(QIODevice::ReadWrite))
            throw EFCreateError(QStringLiteral("Cannot create file \"%1\". %2").arg(QDir::toNativeSeparators(name), f->errorString()));
        m_swapFile = std::move(f);
    }
    // Written apart first: the subtree may itself read back from the swap file.
    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    {
        TvdXMLWriter w(buf);
        w.SetTempStream(m_source, m_oldVersion);
        w.SetSwapStream(m_swapFile.get());
        w.WriteRootItem(item);
    }
    const qint64 pos = m_swapFile->size();
    if (!m_swapFile->seek(pos) || m_swapFile->write(buf.data()) != buf.data().size() || !m_swapFile->flush())
        throw EFWriteError(QStringLiteral("Stream write error"));
    item->Clear();
    item->m_offset = pos;
    item->m_inOwnSwap = true;
    item->m_loaded = false;
}

// ---- Streaming reader of general XML ---------------------------------------------------------

void TvdValuedXMLReader::ReadItem(QString &name, QString &value, QString &text)
{
    name.clear();
    value.clear();
    text.clear();
    QByteArray pre;
    uchar c;
    for (;;) {
        if (!ReadByte(c))
            return;
        if (c == '<')
            break;
        pre.append(char(c));
    }
    value = QString::fromUtf8(pre);
    QByteArray tag;
    bool comment = false;
    bool closed = false;
    while (ReadByte(c)) {
        if (c == '<' && !comment) {
            SkipNestedTag();
            continue;
        }
        if (c == '>' && (!comment || tag.endsWith("--"))) {
            closed = true;
            break;
        }
        tag.append(char(c));
        if (!comment && tag.size() == 3 && tag == "!--") {
            comment = true;
            tag.append(' ');
        }
    }
    if (!closed) {
        name = QString::fromUtf8(tag);
        return;
    }
    qsizetype sep = tag.indexOf(' ');
    const qsizetype crlf = tag.indexOf("\r\n");
    if (sep < 0 || (crlf >= 0 && crlf < sep))
        sep = crlf;
    if (sep < 0) {
        name = QString::fromUtf8(tag);
        return;
    }
    name = QString::fromUtf8(tag.constData(), sep);
    const qsizetype skip = tag.at(sep) == '\r' ? 2 : 1;
    text = QString::fromUtf8(tag.constData() + sep + skip, tag.size() - sep - skip);
}

namespace {

QStringView trimControls(QStringView s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && s[b].unicode() <= 32)
        ++b;
    while (e > b && s[e - 1].unicode() <= 32)
        --e;
    return s.mid(b, e - b);
}

// name='value' becomes name="value" (a double quote inside becomes an apostrophe).
QString doubleQuoteAttributes(const QString &text)
{
    if (!text.contains(u'\''))
        return text;
    QString out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text.at(i);
        if (c == u'=' && i + 1 < n && (text.at(i + 1) == u'\'' || text.at(i + 1) == u'"')) {
            const QChar q = text.at(i + 1);
            out += u'=';
            out += u'"';
            i += 2;
            while (i < n && text.at(i) != q) {
                const QChar d = text.at(i++);
                out += (q == u'\'' && d == u'"') ? QChar(u'\'') : d;
            }
            out += u'"';
            if (i < n)
                ++i;
            continue;
        }
        out += c;
        ++i;
    }
    return out;
}

bool hasNoChildren(const TvdXMLItem *item)
{
    const QString &n = item->Name();
    return item->Text().endsWith(u'/') || n.endsWith(u'/') || n.startsWith(u'#') || n == QLatin1String("![CDATA[");
}

} // namespace

bool TvdValuedXMLReader::IsReadValuedXMLRootItem(TvdXMLItem *item)
{
    QString name, value, text, joined;
    for (;;) {
        ReadItem(name, value, text);
        const QStringView t = trimControls(value);
        if (!t.isEmpty()) {
            if (!joined.isEmpty())
                joined += u' ';
            joined += t;
        }
        const bool skipped = name == QLatin1String("?xml") || name == QLatin1String("!--")
                             || name == QLatin1String("!DOCTYPE");
        if ((!name.isEmpty() || !text.isEmpty()) && !skipped)
            break;
        if (AtEnd())
            break;
    }
    item->SetData(name, doubleQuoteAttributes(text), joined);
    return !(name.startsWith(u'/') || (name.isEmpty() && text.isEmpty()));
}

bool TvdValuedXMLReader::IsReadValuedXMLItem(TvdXMLItem *item)
{
    if (!IsReadValuedXMLRootItem(item))
        return false;
    if (hasNoChildren(item))
        return true;
    // Open elements; each joins its parent once complete.
    std::vector<TvdXMLItem *> open{item};
    try {
        while (!open.empty()) {
            TvdXMLItem *cur = open.back();
            std::unique_ptr<TvdXMLItem> child(CreateItem());
            if (IsReadValuedXMLRootItem(child.get())) {
                TvdXMLItem *c = child.release();
                if (hasNoChildren(c))
                    cur->AddItem(c);
                else
                    open.push_back(c);
                continue;
            }
            const bool isEnd = child->Name().startsWith(u'/');
            if (isEnd)
                cur->SetValue(child->Value());
            child.reset();
            open.pop_back();
            if (!open.empty())
                open.back()->AddItem(cur);
            if (!isEnd) {
                // End of the text: close everything still open.
                while (!open.empty()) {
                    TvdXMLItem *o = open.back();
                    open.pop_back();
                    if (!open.empty())
                        open.back()->AddItem(o);
                }
            }
        }
    } catch (...) {
        for (size_t i = open.size(); i-- > 1;)
            delete open[i];
        throw;
    }
    return true;
}

TvdValuedXMLDocument::~TvdValuedXMLDocument()
{
    EndValuedXML();
}

void TvdValuedXMLDocument::InitValuedXMLFile(const QString &fileName)
{
    EndValuedXML();
    ReleaseSwap();
    auto *f = new QFile(fileName);
    if (!f->open(QIODevice::ReadOnly)) {
        const QString err = f->errorString();
        delete f;
        throw EFOpenError(QStringLiteral("Cannot open file \"%1\". %2").arg(QDir::toNativeSeparators(fileName), err));
    }
    BeginValuedXML(f, true);
    m_valuedXMLReader->IsReadValuedXMLRootItem(m_root);
}

void TvdValuedXMLDocument::BeginValuedXML(QIODevice *stream, bool owned)
{
    EndValuedXML();
    m_valuedXMLStream = stream;
    m_ownsValuedStream = owned;
    m_valuedXMLReader = CreateReader();
    m_root->Clear();
    m_root->SetOffset(0);
    PrepareValuedXML();
}

bool TvdValuedXMLDocument::IsReadItem(TvdXMLItem *item)
{
    return m_valuedXMLReader && m_valuedXMLReader->IsReadValuedXMLItem(item);
}

void TvdValuedXMLDocument::EndValuedXML()
{
    delete m_valuedXMLReader;
    m_valuedXMLReader = nullptr;
    if (m_ownsValuedStream)
        delete m_valuedXMLStream;
    m_valuedXMLStream = nullptr;
    m_ownsValuedStream = false;
}

void TvdValuedXMLDocument::DoneValuedXMLFile()
{
    delete m_valuedXMLReader;
    m_valuedXMLReader = nullptr;
    QIODevice *stream = m_valuedXMLStream;
    const bool owned = m_ownsValuedStream;
    m_valuedXMLStream = nullptr;
    m_ownsValuedStream = false;
    if (owned)
        AdoptSwapStream(stream);
}
