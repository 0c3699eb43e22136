// Keys of case-insensitive name tables. Component names are ASCII
// identifiers: a key shares the name's own text and is hashed and compared
// ignoring ASCII letter case, so filling or searching a table of thousands
// of names makes no folded copies. A text beyond ASCII is folded once, when
// its key is made, as the tables always did.
#pragma once
#include <QHashFunctions>
#include <QString>

class TvdNameKey {
public:
    TvdNameKey() = default;
    // Equal when the case-folded texts are (QString::toCaseFolded).
    static TvdNameKey Folded(const QString &name);
    // Equal when the lowered texts are (QString::toLower).
    static TvdNameKey Lowered(const QString &name);

    // The name as given (ASCII), or its folded or lowered form.
    const QString &Text() const { return m_text; }
    bool IsEmpty() const { return m_text.isEmpty(); }

    friend bool operator==(const TvdNameKey &a, const TvdNameKey &b);
    friend bool operator!=(const TvdNameKey &a, const TvdNameKey &b) { return !(a == b); }
    // Orders as the lowered texts would.
    friend bool operator<(const TvdNameKey &a, const TvdNameKey &b);
    friend size_t qHash(const TvdNameKey &key, size_t seed) noexcept;

private:
    explicit TvdNameKey(QString text) : m_text(std::move(text)) {}
    QString m_text;
};

size_t qHash(const TvdNameKey &key, size_t seed = 0) noexcept;
