// Property lists (declarations) and style-sheet rules of SVG documents.
#pragma once
#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class QIODevice;

class TvdxCSSStyle {
public:
    TvdxCSSStyle() = default;
    TvdxCSSStyle(const TvdxCSSStyle &) = default;
    TvdxCSSStyle &operator=(const TvdxCSSStyle &) = default;

    void Clear();
    int Count() const { return int(m_keys.size()); }
    TvdxCSSStyle *This() { return this; }
    const QString &Name() const { return m_name; }
    void SetName(const QString &name) { m_name = name; }
    const QString &Key(int i) const { return m_keys.at(i); }
    const QString &Value(int i) const { return m_values.at(i); }

    // The first declaration of that name, ignoring case; empty when none.
    QString GetStyle(const QString &key) const;
    bool IsHasKey(const QString &key) const;
    // Appends; an earlier declaration of the same name keeps winning.
    void SetStyle(const QString &key, const QString &value);
    void SetPrefixStyle(const QString &index, const QString &value);
    void SetValuesFromText(const QString &text);
    QString Text(bool formatted) const;
    // Takes the name and appends every declaration (the target is not cleared).
    void AssignTo(TvdxCSSStyle &dest) const;

private:
    int indexOf(const QString &key) const;

    QStringList m_keys;
    QStringList m_values;
    QString m_name;
};

class TvdxCSSList {
public:
    TvdxCSSList() = default;
    TvdxCSSList(const TvdxCSSList &) = delete;
    TvdxCSSList &operator=(const TvdxCSSList &) = delete;

    void Clear();
    int Count() const { return int(m_styles.size()); }
    TvdxCSSStyle *GetStyle(int index) const;
    // First rule of exactly that selector; nullptr when none.
    TvdxCSSStyle *GetStyleByName(const QString &name) const;
    // One rule per block of the sheet; always -1.
    int AddText(const QString &sheet);
    TvdxCSSStyle *AddName(const QString &name, const QString &values);
    // Adds under a generated class name "s<index>", merging equal lists; the
    // list takes the style.
    QString AddStyle(std::unique_ptr<TvdxCSSStyle> style);
    // A copy of every rule with its selector.
    void Assign(const TvdxCSSList &source);
    void Save(QIODevice &stream, bool formatted) const;

private:
    TvdxCSSStyle *append(std::unique_ptr<TvdxCSSStyle> style);

    std::vector<std::unique_ptr<TvdxCSSStyle>> m_styles;
    QHash<QString, TvdxCSSStyle *> m_byName; // first rule of each selector
};
