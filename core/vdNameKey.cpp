#include "core/vdNameKey.h"

#include <QStringView>
#include <QVarLengthArray>

namespace {

bool isAscii(const QString &s)
{
    const QChar *p = s.constData();
    for (qsizetype i = 0, n = s.size(); i < n; ++i)
        if (p[i].unicode() >= 0x80)
            return false;
    return true;
}

inline char16_t lowerAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; }

} // namespace

TvdNameKey TvdNameKey::Folded(const QString &name)
{
    return TvdNameKey(isAscii(name) ? name : name.toCaseFolded());
}

TvdNameKey TvdNameKey::Lowered(const QString &name)
{
    return TvdNameKey(isAscii(name) ? name : name.toLower());
}

bool operator==(const TvdNameKey &a, const TvdNameKey &b)
{
    const qsizetype n = a.m_text.size();
    if (n != b.m_text.size())
        return false;
    const QChar *p = a.m_text.constData(), *q = b.m_text.constData();
    if (p == q)
        return true;
    for (qsizetype i = 0; i < n; ++i)
        if (p[i] != q[i] && lowerAscii(p[i].unicode()) != lowerAscii(q[i].unicode()))
            return false;
    return true;
}

bool operator<(const TvdNameKey &a, const TvdNameKey &b)
{
    const qsizetype n = std::min(a.m_text.size(), b.m_text.size());
    const QChar *p = a.m_text.constData(), *q = b.m_text.constData();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t x = lowerAscii(p[i].unicode()), y = lowerAscii(q[i].unicode());
        if (x != y)
            return x < y;
    }
    return a.m_text.size() < b.m_text.size();
}

size_t qHash(const TvdNameKey &key, size_t seed) noexcept
{
    // Hashed as the lowered text, without making it.
    const qsizetype n = key.m_text.size();
    QVarLengthArray<char16_t, 64> low(n);
    const QChar *p = key.m_text.constData();
    for (qsizetype i = 0; i < n; ++i)
        low[i] = lowerAscii(p[i].unicode());
    return qHash(QStringView(low.constData(), n), seed);
}
