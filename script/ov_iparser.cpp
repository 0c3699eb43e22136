#include "script/ov_iparser.h"

#include "platform/Exception.h"
#include "script/ov_iconst.h"
#include "script/ov_ibasic.h"
#include "script/ov_icpp.h"
#include "script/ov_ijs.h"
#include "script/ov_ipascal.h"

#include <QRecursiveMutex>

#include <algorithm>

namespace {

TovIdentifierCharset defaultIdentChars()
{
    TovIdentifierCharset s;
    for (int c = '0'; c <= '9'; ++c)
        s.set(c);
    for (int c = 'A'; c <= 'Z'; ++c)
        s.set(c);
    for (int c = 'a'; c <= 'z'; ++c)
        s.set(c);
    s.set('_');
    return s;
}

// Comma-text split of a comment pair: the part before the first comma and the rest.
void splitPair(const QString &v, QString &open, QString &close)
{
    const qsizetype c = v.indexOf(QLatin1Char(','));
    if (c < 0) {
        open = v.trimmed();
        close.clear();
    } else {
        open = v.left(c).trimmed();
        close = v.mid(c + 1).trimmed();
    }
}

bool isDigit(char16_t c) { return c >= '0' && c <= '9'; }
bool isHexDigit(char16_t c)
{
    return isDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}
int hexValue(char16_t c)
{
    if (isDigit(c))
        return c - '0';
    if (c >= 'a')
        return c - 'a' + 10;
    return c - 'A' + 10;
}

} // namespace

TovParser::TovParser()
{
    m_useY = true;
    Clear();
}

void TovParser::Clear()
{
    m_keywords.clear();
    m_keywordsExact.clear();
    m_specStrChar = false;
    m_commentLine1 = QStringLiteral("//");
    SetCommentBlock1(QStringLiteral("{,}"));
    SetCommentBlock2(QStringLiteral("(*,*)"));
    m_hexSequence = QStringLiteral("$");
    m_identChars = defaultIdentChars();
    m_skipChar.clear();
    m_skipEOL = true;
    m_stringQuotes = QStringLiteral("'");
    m_skipSpace = true;
}

QString TovParser::CommentBlock1() const
{
    return m_block1Set ? m_commentBlock1Open + QLatin1Char(',') + m_commentBlock1Close : QString();
}

void TovParser::SetCommentBlock1(const QString &v)
{
    m_block1Set = !v.isEmpty();
    splitPair(v, m_commentBlock1Open, m_commentBlock1Close);
}

QString TovParser::CommentBlock2() const
{
    return m_block2Set ? m_commentBlock2Open + QLatin1Char(',') + m_commentBlock2Close : QString();
}

void TovParser::SetCommentBlock2(const QString &v)
{
    m_block2Set = !v.isEmpty();
    splitPair(v, m_commentBlock2Open, m_commentBlock2Close);
}

void TovParser::ConstructCharset(const QString &s)
{
    m_identChars.reset();
    for (QChar c : s)
        m_identChars.set(c.unicode() % 256);
}

void TovParser::AddKeyword(const QString &word)
{
    if (m_keywordsExact.contains(word))
        return;
    const auto it = std::lower_bound(m_keywords.begin(), m_keywords.end(), word,
                                     [](const QString &a, const QString &b) {
                                         return a.compare(b, Qt::CaseInsensitive) < 0;
                                     });
    m_keywords.insert(it, word);
    m_keywordsExact.insert(word);
}

void TovParser::SetKeywords(const QStringList &words)
{
    m_keywords.clear();
    m_keywordsExact.clear();
    for (const QString &w : words)
        AddKeyword(w);
}

bool TovParser::IsKeyWord(QStringView s) const
{
    if (m_caseSensitive) {
        for (const QString &k : m_keywords)
            if (s == k)
                return true;
        return false;
    }
    return std::binary_search(m_keywords.begin(), m_keywords.end(), s, [](const auto &a, const auto &b) {
        return QStringView(a).compare(QStringView(b), Qt::CaseInsensitive) < 0;
    });
}

void TovParser::SetText(const QString &text)
{
    m_source = text;
    m_text.assign(reinterpret_cast<const char16_t *>(text.utf16()), size_t(text.size()));
    m_text.push_back(u'\0');
    m_size = int(text.size());
    m_pos = 1;
    m_lastPosition = 1;
    if (m_useY) {
        rebuildLines();
    } else {
        m_yList.clear();
        m_yList.push_back(0);
    }
}

void TovParser::rebuildLines()
{
    m_yList.clear();
    m_yList.push_back(0);
    for (int i = 0; i < m_size; ++i) {
        const char16_t c = m_text[size_t(i)];
        if (c == u'\n' || (c == u'\r' && m_text[size_t(i + 1)] != u'\n'))
            m_yList.push_back(i + 1);
    }
}

bool TovParser::isBlank(char16_t c) const
{
    if (c > 32)
        return false;
    // Line ends are tokens when they are not skipped; both CR and LF count.
    if (!m_skipEOL && (c == u'\r' || c == u'\n'))
        return false;
    return true;
}

bool TovParser::matchAt(int pos, const QString &mark) const
{
    const int n = int(mark.size());
    if (n == 0 || pos + n - 1 > m_size)
        return false;
    const char16_t *m = reinterpret_cast<const char16_t *>(mark.utf16());
    for (int i = 0; i < n; ++i)
        if (ch(pos + i) != m[i])
            return false;
    return true;
}

bool TovParser::mayStartComment(char16_t c) const
{
    auto first = [c](const QString &m) { return !m.isEmpty() && m.at(0).unicode() == c; };
    return first(m_commentLine1) || first(m_commentLine2) || first(m_commentBlock1Open) || first(m_commentBlock2Open);
}

bool TovParser::skipLineComment()
{
    if (!matchAt(m_pos, m_commentLine1) && !matchAt(m_pos, m_commentLine2))
        return false;
    const bool beginsLine = m_pos == 1 || ch(m_pos - 1) == u'\n' || ch(m_pos - 1) == u'\r';
    while (m_pos <= m_size && ch(m_pos) != u'\n' && ch(m_pos) != u'\r')
        ++m_pos;
    if (!m_skipEOL && beginsLine) {
        // A comment filling a whole line disappears together with its line end.
        if (m_pos <= m_size && ch(m_pos) == u'\r')
            ++m_pos;
        if (m_pos <= m_size && ch(m_pos) == u'\n')
            ++m_pos;
    }
    return true;
}

bool TovParser::skipBlockComment(const QString &open, const QString &close)
{
    if (!matchAt(m_pos, open))
        return false;
    m_pos += int(open.size());
    if (close.isEmpty()) {
        m_pos = m_size + 1;
        return true;
    }
    while (m_pos <= m_size && !matchAt(m_pos, close))
        ++m_pos;
    if (m_pos <= m_size)
        m_pos += int(close.size());
    return true;
}

void TovParser::consumeEOLRun()
{
    while (m_pos <= m_size && (ch(m_pos) == u'\r' || ch(m_pos) == u'\n'))
        ++m_pos;
}

void TovParser::SkipSpaces()
{
    // Continuation characters seen whose line end is still to be joined.
    int pendingJoins = 0;
    const char16_t skipChar = m_skipChar.isEmpty() ? 0 : m_skipChar.at(0).unicode();
    for (;;) {
        while (m_pos <= m_size && isBlank(ch(m_pos)))
            ++m_pos;
        if (skipChar && m_pos <= m_size && ch(m_pos) == skipChar) {
            ++m_pos;
            ++pendingJoins;
            continue;
        }
        if (m_pos < m_size && mayStartComment(ch(m_pos))) {
            if (skipLineComment())
                continue;
            if (m_block1Set && !m_commentBlock1Open.isEmpty()
                && skipBlockComment(m_commentBlock1Open, m_commentBlock1Close))
                continue;
            if (m_block2Set && !m_commentBlock2Open.isEmpty()
                && skipBlockComment(m_commentBlock2Open, m_commentBlock2Close))
                continue;
        }
        if (pendingJoins > 0) {
            --pendingJoins;
            if (m_pos <= m_size && (ch(m_pos) == u'\r' || ch(m_pos) == u'\n')) {
                consumeEOLRun();
                continue;
            }
            pendingJoins = 0;
        }
        break;
    }
    m_lastPosition = m_pos;
}

bool TovParser::GetEOL()
{
    SkipSpaces();
    if (m_pos <= m_size && (ch(m_pos) == u'\r' || ch(m_pos) == u'\n')) {
        consumeEOLRun();
        return true;
    }
    return false;
}

QStringView TovParser::GetWordView()
{
    if (m_skipSpace)
        SkipSpaces();
    const int start = m_pos;
    const char16_t c = ch(m_pos);
    if (m_pos > m_size || !((inIdent(c) && !isDigit(c)) || c >= 127))
        return QStringView();
    ++m_pos;
    while (m_pos <= m_size && (inIdent(ch(m_pos)) || ch(m_pos) >= 127))
        ++m_pos;
    return QStringView(m_text.data() + start - 1, m_pos - start);
}

QString TovParser::GetWord()
{
    return GetWordView().toString();
}

QString TovParser::GetIdent()
{
    QString w = GetWord();
    if (!w.isEmpty() && IsKeyWord(w))
        return QString();
    return w;
}

char16_t TovParser::GetCharCode()
{
    if (m_pos > m_size)
        return 0;
    const char16_t c = ch(m_pos);
    if ((c >= '!' && c <= '/') || (c >= ':' && c <= '@') || (c >= '[' && c <= '`') || (c >= '{' && c <= '~')) {
        ++m_pos;
        return c;
    }
    return 0;
}

QString TovParser::GetChar()
{
    const char16_t c = GetCharCode();
    return c ? QString(QChar(c)) : QString();
}

bool TovParser::readQuotedPart(QString &out)
{
    if (m_stringQuotes.isEmpty() || m_pos > m_size)
        return false;
    const char16_t q = m_stringQuotes.at(0).unicode();
    if (ch(m_pos) != q)
        return false;
    const int start = m_pos;
    ++m_pos;
    QString part;
    for (;;) {
        if (m_pos > m_size) {
            m_pos = start;
            return false;
        }
        const char16_t c = ch(m_pos);
        if (c == q) {
            if (!m_specStrChar && m_pos + 1 <= m_size && ch(m_pos + 1) == q) {
                part += QChar(q);
                m_pos += 2;
                continue;
            }
            ++m_pos;
            break;
        }
        if (c < 32 && c != u'\t') {
            m_pos = start;
            return false;
        }
        if (m_specStrChar && c == u'\\') {
            if (m_pos + 1 > m_size) {
                m_pos = start;
                return false;
            }
            const char16_t e = ch(m_pos + 1);
            m_pos += 2;
            if (e == u'n' || e == u'N') {
                part += QLatin1Char('\n');
            } else if (e == u'r' || e == u'R') {
                part += QLatin1Char('\r');
            } else if (e == u'x' || e == u'X') {
                if (m_pos <= m_size && isHexDigit(ch(m_pos))) {
                    uint code = 0;
                    while (m_pos <= m_size && isHexDigit(ch(m_pos))) {
                        code = (code * 16 + uint(hexValue(ch(m_pos)))) & 0xFFFF;
                        ++m_pos;
                    }
                    part += QChar(char16_t(code));
                }
            } else {
                part += QChar(e);
            }
            continue;
        }
        part += QChar(c);
        ++m_pos;
    }
    out += part;
    return true;
}

bool TovParser::readDigits(bool hex)
{
    const int start = m_pos;
    while (m_pos <= m_size && (hex ? isHexDigit(ch(m_pos)) : isDigit(ch(m_pos))))
        ++m_pos;
    return m_pos > start;
}

bool TovParser::readInteger()
{
    const int start = m_pos;
    if (matchAt(m_pos, m_hexSequence)) {
        m_pos += int(m_hexSequence.size());
        if (readDigits(true))
            return true;
        m_pos = start;
        return false;
    }
    return readDigits(false);
}

bool TovParser::readCharCodePart(QString &out)
{
    if (m_pos > m_size || ch(m_pos) != u'#')
        return false;
    const int start = m_pos;
    ++m_pos;
    bool hex = false;
    if (matchAt(m_pos, m_hexSequence)) {
        m_pos += int(m_hexSequence.size());
        hex = true;
    }
    uint code = 0;
    const int digitsStart = m_pos;
    while (m_pos <= m_size && (hex ? isHexDigit(ch(m_pos)) : isDigit(ch(m_pos)))) {
        code = (code * (hex ? 16 : 10) + uint(hex ? hexValue(ch(m_pos)) : ch(m_pos) - '0')) & 0xFFFF;
        ++m_pos;
    }
    if (m_pos == digitsStart) {
        m_pos = start;
        return false;
    }
    out += QChar(char16_t(code));
    return true;
}

QString TovParser::GetString()
{
    if (m_skipSpace)
        SkipSpaces();
    QString value;
    bool any = false;
    for (;;) {
        if (readQuotedPart(value) || readCharCodePart(value)) {
            any = true;
            continue;
        }
        break;
    }
    if (!any)
        return QString();
    return QLatin1Char('\'') + value + QLatin1Char('\'');
}

QString TovParser::GetNumber()
{
    if (m_skipSpace)
        SkipSpaces();
    const int start = m_pos;
    bool ok = false;
    if (readInteger()) {
        ok = true;
        const int afterInt = m_pos;
        if (m_pos <= m_size && ch(m_pos) == u'.') {
            ++m_pos;
            if (!readDigits(false))
                m_pos = afterInt; // "1..5" and "1.e5": the point belongs to the next token
        }
        if (m_pos > afterInt || ch(m_pos) != u'.') {
            if (m_pos <= m_size && (ch(m_pos) == u'e' || ch(m_pos) == u'E')) {
                const int beforeExp = m_pos;
                ++m_pos;
                if (m_pos <= m_size && (ch(m_pos) == u'+' || ch(m_pos) == u'-'))
                    ++m_pos;
                if (!readDigits(false))
                    m_pos = beforeExp;
            }
        }
    }
    if (!ok) {
        m_pos = start;
        return QString();
    }
    QString r(reinterpret_cast<const QChar *>(m_text.data() + start - 1), m_pos - start);
    if (m_hexSequence != QLatin1String("$") && !m_hexSequence.isEmpty())
        r.replace(m_hexSequence, QLatin1String("$"));
    return r;
}

QString TovParser::GetVDString()
{
    const int start = m_pos;
    int depth = 1;
    bool inDouble = false, inSingle = false;
    while (m_pos <= m_size) {
        const char16_t c = ch(m_pos);
        if (!inDouble && !inSingle) {
            if (c == u'<' || c == u'[')
                ++depth;
            else if (c == u'>' || c == u']')
                --depth;
            if (depth == 0)
                break;
        }
        if (c == u'"' && !inSingle)
            inDouble = !inDouble;
        else if (c == u'\'' && !inDouble)
            inSingle = !inSingle;
        ++m_pos;
    }
    return QString(reinterpret_cast<const QChar *>(m_text.data() + start - 1), m_pos - start);
}

void TovParser::LineColOf(int pos, int &line, int &col) const
{
    const auto it = std::lower_bound(m_yList.begin(), m_yList.end(), pos);
    const int k = int(it - m_yList.begin());
    line = k;
    if (k == 0) {
        line = 1;
        col = pos;
        return;
    }
    col = pos - m_yList[size_t(k - 1)];
}

QString TovParser::XYPositionOf(int pos) const
{
    int line, col;
    LineColOf(pos, line, col);
    return QString::number(line) + QLatin1Char(':') + QString::number(col);
}

int TovParser::GetPlainPosition(const QPoint &pt) const
{
    const int i = pt.y() - 1;
    if (i < 0 || i >= int(m_yList.size()))
        return -1;
    return m_yList[size_t(i)] + pt.x();
}

// ---------------------------------------------------------------- languages


namespace {

struct LanguageList {
    QStringList names;
    QStringList grammars;
    bool builtinsDone = false;

    int indexOf(const QString &name) const
    {
        for (int i = 0; i < names.size(); ++i)
            if (names.at(i).compare(name, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    }
};

// Guards the list: the designer's completion thread reads it too.
QRecursiveMutex &languagesMutex()
{
    static QRecursiveMutex m;
    return m;
}

LanguageList &languages()
{
    static LanguageList list;
    if (!list.builtinsDone) {
        list.builtinsDone = true;
        ovRegisterPascalLanguage();
        ovRegisterCppLanguage();
        ovRegisterBasicLanguage();
        ovRegisterJScriptLanguage();
    }
    return list;
}

} // namespace

void ovAddLanguage(const QString &name, const QString &grammar)
{
    QMutexLocker lock(&languagesMutex());
    LanguageList &l = languages();
    const int i = l.indexOf(name);
    if (i >= 0) {
        l.grammars[i] = grammar;
        return;
    }
    l.names.append(name);
    l.grammars.append(grammar);
}

QString ovGetLanguageGrammar(const QString &name)
{
    QMutexLocker lock(&languagesMutex());
    const LanguageList &l = languages();
    const int i = l.indexOf(name);
    if (i < 0)
        throw Exception(QString(SLangNotFound).replace(QLatin1String("%s"), name));
    return l.grammars.at(i);
}

void ovListLanguageNames(QStringList &list)
{
    QMutexLocker lock(&languagesMutex());
    list.clear();
    for (const QString &n : languages().names)
        if (!n.startsWith(QLatin1Char('@')))
            list.append(n);
}

QStringList ovLanguageNames()
{
    QStringList l;
    ovListLanguageNames(l);
    return l;
}
