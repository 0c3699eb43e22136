#include "svg/vdSVGCSS.h"

#include <QIODevice>

void TvdxCSSStyle::Clear()
{
    m_keys.clear();
    m_values.clear();
}

int TvdxCSSStyle::indexOf(const QString &key) const
{
    if (key.isEmpty())
        return -1;
    for (qsizetype i = 0; i < m_keys.size(); ++i)
        if (m_keys.at(i).compare(key, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

QString TvdxCSSStyle::GetStyle(const QString &key) const
{
    const int i = indexOf(key);
    return i < 0 ? QString() : m_values.at(i);
}

bool TvdxCSSStyle::IsHasKey(const QString &key) const { return indexOf(key) >= 0; }

void TvdxCSSStyle::SetStyle(const QString &key, const QString &value)
{
    if (key.isEmpty() || value.isEmpty())
        return;
    m_keys.append(key);
    m_values.append(value);
}

void TvdxCSSStyle::SetPrefixStyle(const QString &index, const QString &value)
{
    if (index.isEmpty() || value.isEmpty())
        return;
    SetStyle(index, value);
    for (const char *prefix : {"-webkit-", "-moz-", "-ms-", "-o-"})
        SetStyle(QLatin1String(prefix) + index, value);
}

void TvdxCSSStyle::SetValuesFromText(const QString &text)
{
    QStringView rest = QStringView(text).trimmed();
    while (!rest.isEmpty()) {
        const qsizetype semi = rest.indexOf(u';');
        const QStringView decl = semi < 0 ? rest : rest.left(semi);
        rest = semi < 0 ? QStringView() : rest.mid(semi + 1).trimmed();
        const qsizetype colon = decl.indexOf(u':');
        if (colon < 0)
            continue;
        SetStyle(decl.left(colon).trimmed().toString(), decl.mid(colon + 1).trimmed().toString());
    }
}

QString TvdxCSSStyle::Text(bool formatted) const
{
    QString out;
    for (qsizetype i = 0; i < m_keys.size(); ++i) {
        if (m_values.at(i).isEmpty())
            continue;
        if (formatted)
            out += QLatin1String("\r\n\t");
        out += m_keys.at(i);
        out += formatted ? QLatin1String(": ") : QLatin1String(":");
        out += m_values.at(i);
        if (!out.endsWith(u';'))
            out += u';';
    }
    return out;
}

void TvdxCSSStyle::AssignTo(TvdxCSSStyle &dest) const
{
    if (&dest == this)
        return;
    dest.m_name = m_name;
    dest.m_keys += m_keys;
    dest.m_values += m_values;
}

// ---------------------------------------------------------------------------

void TvdxCSSList::Clear()
{
    m_styles.clear();
    m_byName.clear();
}

TvdxCSSStyle *TvdxCSSList::GetStyle(int index) const
{
    return index >= 0 && index < Count() ? m_styles[size_t(index)].get() : nullptr;
}

TvdxCSSStyle *TvdxCSSList::GetStyleByName(const QString &name) const { return m_byName.value(name, nullptr); }

TvdxCSSStyle *TvdxCSSList::append(std::unique_ptr<TvdxCSSStyle> style)
{
    TvdxCSSStyle *s = style.get();
    m_styles.push_back(std::move(style));
    if (!m_byName.contains(s->Name()))
        m_byName.insert(s->Name(), s);
    return s;
}

int TvdxCSSList::AddText(const QString &sheet)
{
    // Comments, each up to the next "*/"; an unterminated one stays. One
    // pass, so that many comments cost no more than their text.
    QString s;
    s.reserve(sheet.size());
    qsizetype from = 0;
    for (;;) {
        const qsizetype open = sheet.indexOf(QLatin1String("/*"), from);
        const qsizetype close = open < 0 ? -1 : sheet.indexOf(QLatin1String("*/"), open + 2);
        if (close < 0) {
            s += QStringView(sheet).mid(from);
            break;
        }
        s += QStringView(sheet).mid(from, open - from);
        from = close + 2;
    }
    qsizetype pos = 0;
    for (;;) {
        const qsizetype open = s.indexOf(u'{', pos);
        if (open < 0)
            break;
        const qsizetype close = s.indexOf(u'}', open + 1);
        if (close < 0)
            break;
        AddName(s.mid(pos, open - pos).trimmed(), s.mid(open + 1, close - open - 1).trimmed());
        pos = close + 1;
    }
    return -1;
}

TvdxCSSStyle *TvdxCSSList::AddName(const QString &name, const QString &values)
{
    auto style = std::make_unique<TvdxCSSStyle>();
    style->SetName(name);
    style->SetValuesFromText(values);
    return append(std::move(style));
}

QString TvdxCSSList::AddStyle(std::unique_ptr<TvdxCSSStyle> style)
{
    const QString text = style->Text(false);
    for (size_t i = 0; i < m_styles.size(); ++i)
        if (m_styles[i]->Text(false) == text)
            return QLatin1Char('s') + QString::number(i);
    const QString name = QLatin1Char('s') + QString::number(m_styles.size());
    style->SetName(QLatin1Char('.') + name);
    append(std::move(style));
    return name;
}

void TvdxCSSList::Assign(const TvdxCSSList &source)
{
    if (&source == this)
        return;
    Clear();
    // Selectors are kept: the copied tree looks its rules up by them.
    for (const auto &s : source.m_styles)
        append(std::make_unique<TvdxCSSStyle>(*s));
}

void TvdxCSSList::Save(QIODevice &stream, bool formatted) const
{
    QString out;
    const QLatin1String br = formatted ? QLatin1String("\r\n") : QLatin1String("");
    for (const auto &s : m_styles)
        out += s->Name() + br + u'{' + s->Text(formatted) + br + u'}' + br;
    stream.write(out.toUtf8());
}
