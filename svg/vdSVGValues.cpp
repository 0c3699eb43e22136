#include "svg/vdSVGValues.h"

#include "svg/vdSVGCSS.h"

#include <QFontDatabase>
#include <QMutex>
#include <QMutexLocker>
#include <QSet>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace {

const std::array<TSVGUnits, SVGUnitCount> kUnits = {{
    {"", 1.0f},
    {"px", 1.0f},
    {"pt", 4.0f / 3.0f},
    {"pc", 16.0f},
    {"in", 96.0f},
    {"mm", float(96.0 / 25.4)},
    {"cm", float(96.0 / 2.54)},
    {"em", 1.0f},
    {"ex", 0.5f},
    {"%", 1.0f},
    {"deg", 1.0f},
    {"grad", 0.9f},
    {"rad", float(180.0 / 3.14159265358979323846)},
    {"turn", 360.0f},
}};

bool isBlank(QChar c) { return c.unicode() <= 32; }

QStringList splitBlanks(const QString &s)
{
    QStringList out;
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n) {
        while (i < n && isBlank(s.at(i)))
            ++i;
        qsizetype j = i;
        while (j < n && !isBlank(s.at(j)))
            ++j;
        if (j > i)
            out << s.mid(i, j - i);
        i = j;
    }
    return out;
}

// Items of a number list: commas become blanks, signs start new numbers.
QStringList splitNumberList(const QString &text)
{
    QString s = text;
    s.replace(u',', u' ');
    // A blank before each sign that is not an exponent sign.
    QString out;
    out.reserve(s.size() + 8);
    for (QChar c : std::as_const(s)) {
        if ((c == u'+' || c == u'-') && !(!out.isEmpty() && (out.back() == u'e' || out.back() == u'E')))
            out += u' ';
        out += c;
    }
    return splitBlanks(out);
}

} // namespace

const TSVGUnits &SVGUnitData(TSVGUnit u) { return kUnits[u]; }

bool TryStrToSingle(const QString &text, float &value)
{
    value = 0;
    qsizetype b = 0, e = text.size();
    while (b < e && isBlank(text.at(b)))
        ++b;
    while (e > b && isBlank(text.at(e - 1)))
        --e;
    if (e - b > 256 || b == e)
        return false;
    char buf[260];
    int n = 0;
    for (qsizetype i = b; i < e; ++i) {
        const char16_t c = text.at(i).unicode();
        buf[n++] = c == u',' ? '.' : (c < 128 ? char(c) : '?');
    }
    // Grammar check: [sign] digits [. digits] [e [sign] digits], at least one digit.
    int i = 0;
    if (buf[i] == '+' || buf[i] == '-')
        ++i;
    const int start = buf[0] == '+' ? 1 : 0;
    int digits = 0, dots = 0;
    for (; i < n && (std::isdigit(uchar(buf[i])) || buf[i] == '.'); ++i) {
        if (buf[i] == '.')
            ++dots;
        else
            ++digits;
    }
    if (digits == 0 || dots > 1)
        return false;
    if (i < n && (buf[i] == 'e' || buf[i] == 'E')) {
        ++i;
        if (i < n && (buf[i] == '+' || buf[i] == '-'))
            ++i;
        int expDigits = 0;
        for (; i < n && std::isdigit(uchar(buf[i])); ++i)
            ++expDigits;
        if (expDigits == 0)
            return false;
    }
    if (i != n)
        return false;
    float v = 0;
    const auto r = std::from_chars(buf + start, buf + n, v, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != buf + n || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

float StrToSingle(const QString &text)
{
    float v;
    TryStrToSingle(text, v);
    return v;
}

void ParseLength(const QString &text, TSVGLength &length)
{
    if (text.isEmpty())
        return;
    TSVGUnit unit = suNone;
    qsizetype cut = text.size();
    for (int u = suPX; u < SVGUnitCount; ++u) {
        const QLatin1StringView name(kUnits[u].Name);
        const qsizetype at = text.indexOf(name);
        if (at >= 0 && at + name.size() == text.size()) {
            unit = TSVGUnit(u);
            cut = at;
            break;
        }
    }
    length.Value = StrToSingle(text.left(cut)) * kUnits[unit].Factor;
    length.SVGUnit = unit;
}

void ParseLengthSW(const QString &text, TSVGSpecificWord word, TSVGLengthSW &length)
{
    if (text.isEmpty())
        return;
    if (text == SVGSpecificWordText(word)) {
        length.SW = word;
        return;
    }
    TSVGLength l{length.Value, length.SVGUnit};
    ParseLength(text, l);
    length = {vdx_noMater, l.Value, l.SVGUnit};
}

void ParseLengthList(const QString &text, TSVGLengthArray &list)
{
    list.clear();
    const QStringList items = splitNumberList(text);
    list.reserve(items.size());
    for (const QString &item : items) {
        TSVGLength l;
        ParseLength(item, l);
        list.push_back(l);
    }
}

void ParseLengthListSW(const QString &text, TSVGLengthArraySW &list)
{
    if (text.isEmpty())
        return;
    if (text == QLatin1String("none")) {
        list.SW = svg_none;
        list.Arr.clear();
    } else if (text == QLatin1String("inherit")) {
        list.SW = svg_inherit;
    } else {
        list.SW = vdx_noMater;
        ParseLengthList(text, list.Arr);
    }
}

void ParsePoints(const QString &text, TSinglePointDynArray &points)
{
    const QStringList items = splitNumberList(text);
    if (items.size() % 2 != 0)
        return;
    points.clear();
    points.reserve(items.size() / 2);
    for (qsizetype i = 0; i + 1 < items.size(); i += 2)
        points.push_back(PointFromStrings(items.at(i), items.at(i + 1)));
}

void ParseViewBox(const QString &text, TSingleBounds &bounds)
{
    if (text.isEmpty())
        return;
    bounds = {};
    QString s = text;
    s.replace(u',', u' ');
    const QStringList items = splitBlanks(s);
    if (items.size() == 4)
        bounds = {StrToSingle(items[0]), StrToSingle(items[1]), StrToSingle(items[2]), StrToSingle(items[3])};
}

void ParsePreserveAspectRatio(const QString &text, TSVGPreserveAspectRatio &value)
{
    const QString s = text.trimmed();
    const qsizetype blank = s.indexOf(u' ');
    const QString align = blank < 0 ? s : s.left(blank);
    const QString meet = blank < 0 ? QString() : s.mid(blank + 1);
    if (align == QLatin1String("none")) {
        value.Align = svg_none;
    } else {
        for (int w = svg_xMinYMin; w <= svg_xMaxYMax; ++w)
            if (align == SVGSpecificWordText(TSVGSpecificWord(w))) {
                value.Align = TSVGSpecificWord(w);
                break;
            }
    }
    if (meet == QLatin1String("meet"))
        value.MeetOrSlice = svg_meet;
    else if (meet == QLatin1String("slice"))
        value.MeetOrSlice = svg_slice;
}

void ParseAlpha(const QString &text, float &value)
{
    if (text.isEmpty())
        return;
    float v = text.endsWith(u'%') ? StrToSingle(text.chopped(1)) / 100 : StrToSingle(text);
    value = std::clamp(v, 0.0f, 1.0f);
}

void ParseNumberSW(const QString &text, TNumberSW &value)
{
    if (text.isEmpty())
        return;
    if (text == QLatin1String("inherit")) {
        value.SW = svg_inherit;
    } else {
        value.SW = vdx_noMater;
        value.Value = StrToSingle(text);
    }
}

void ParseFontWeight(const QString &text, TNumberSW &value)
{
    if (text.isEmpty())
        return;
    if (text == QLatin1String("bolder")) {
        value.SW = svg_bolder;
    } else if (text == QLatin1String("lighter")) {
        value.SW = svg_lighter;
    } else if (text == QLatin1String("inherit")) {
        value.SW = svg_inherit;
    } else if (text == QLatin1String("normal")) {
        value = {vdx_noMater, 400};
    } else if (text == QLatin1String("bold")) {
        value = {vdx_noMater, 700};
    } else {
        bool ok = false;
        const int w = text.trimmed().toInt(&ok);
        if (ok)
            value = {vdx_noMater, float(w)};
    }
}

float RelativeFontWeight(TSVGSpecificWord word, float w)
{
    if (word == svg_bolder)
        return w < 400 ? 400 : (w < 700 ? 700 : w);
    if (word == svg_lighter)
        return w > 700 ? 700 : (w > 400 ? 400 : w);
    return w;
}

void ParseTextDecoration(const QString &text, TSVGSpecificWordSet &value)
{
    if (text.isEmpty())
        return;
    value.reset();
    for (const QString &item : text.split(u' ', Qt::SkipEmptyParts)) {
        if (item == QLatin1String("underline"))
            value.set(svg_underline);
        else if (item == QLatin1String("overline"))
            value.set(svg_overline);
        else if (item == QLatin1String("line-through"))
            value.set(svg_line_through);
    }
}

void ParseStringSW(const QString &text, TSVGStringSW &value)
{
    if (text.isEmpty())
        return;
    if (text == QLatin1String("inherit"))
        value.SW = svg_inherit;
    else
        value = {vdx_noMater, text};
}

void ParseURI(const QString &text, QString &value)
{
    // url(#id), also with the reference quoted as CSS allows.
    if (!text.startsWith(QLatin1String("url(")) || !text.endsWith(u')'))
        return;
    QString ref = text.mid(4, text.size() - 5).trimmed();
    if (ref.size() >= 2 && (ref.front() == u'\'' || ref.front() == u'"') && ref.back() == ref.front())
        ref = ref.mid(1, ref.size() - 2);
    if (ref.startsWith(u'#') && ref.size() > 1)
        value = ref.mid(1);
}

// ---- Font shorthand ---------------------------------------------------------

void ClarifyFontShorthand(TvdxCSSStyle &style)
{
    const QString value = style.GetStyle(QStringLiteral("font"));
    if (value.isEmpty())
        return;
    QStringList tokens;
    const qsizetype n = value.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = value.at(i);
        if (c == u' ') {
            ++i;
            continue;
        }
        if (c == u'"' || c == u'\'') {
            const qsizetype close = value.indexOf(c, i + 1);
            tokens << (close < 0 ? value.mid(i + 1) : value.mid(i + 1, close - i - 1));
            break;
        }
        qsizetype j = i + 1;
        while (j < n && value.at(j) != u' ' && value.at(j) != u'/')
            ++j;
        tokens << value.mid(i, j - i);
        i = j;
    }
    if (tokens.size() < 2)
        return;
    QString family;
    for (const QString &t : std::as_const(tokens)) {
        const QString low = t.toLower();
        bool isInt = false;
        const int number = t.toInt(&isInt);
        if (low == QLatin1String("italic") || low == QLatin1String("oblique") || low == QLatin1String("normal")) {
            style.SetStyle(QStringLiteral("font-style"), t);
        } else if (low == QLatin1String("bold") || low == QLatin1String("bolder") || low == QLatin1String("lighter")
                   || (isInt && number >= 100 && number <= 900)) {
            // A unitless 100 to 900 is a weight, never a size.
            style.SetStyle(QStringLiteral("font-weight"), t);
        } else if (t.at(0).isDigit()) {
            style.SetStyle(QStringLiteral("font-size"), t);
        } else if (t.startsWith(u'/')) {
            // line height: not drawn
        } else {
            if (!family.isEmpty())
                family += u' ';
            family += t;
        }
    }
    if (style.IsHasKey(QStringLiteral("font-style")) || style.IsHasKey(QStringLiteral("font-weight"))
        || style.IsHasKey(QStringLiteral("font-size"))) {
        style.SetStyle(QStringLiteral("font-style"), QStringLiteral("normal"));
        style.SetStyle(QStringLiteral("font-weight"), QStringLiteral("normal"));
    }
    style.SetStyle(QStringLiteral("font-family"), family);
}

// ---- Font families ------------------------------------------------------------

namespace {

struct GenericRow {
    const char *generic;
    std::vector<const char *> candidates;
};

// The last entries of each row are the families Linux installs.
const std::vector<GenericRow> &genericRows()
{
    static const std::vector<GenericRow> rows = {
        {"serif", {"Times New Roman", "Times", "Georgia", "Palatino", "Lucida Bright", "Liberation Serif",
                   "DejaVu Serif", "Nimbus Roman"}},
        {"sans-serif", {"Arial", "Helvetica", "Verdana", "Tahoma", "Liberation Sans", "DejaVu Sans", "Nimbus Sans"}},
        {"cursive", {"Comic Sans MS", "Comic Sans", "Bradley Hand", "Brush Script MT", "Brush Script Std"}},
        {"fantasy", {"Copperplate", "Luminari", "Papyrus", "Marker Felt", "Trattatello"}},
        {"monospace", {"Courier New", "Courier", "Lucida Sans Typewriter", "Lucida Console", "Consolas", "Monaco",
                       "Liberation Mono", "DejaVu Sans Mono", "Nimbus Mono PS"}},
    };
    return rows;
}

struct FontEnvironment {
    QMutex mutex;
    TSVGFontFamiliesProvider provider;
    bool loaded = false;
    QSet<QString> installed; // lower case
};

FontEnvironment &fontEnvironment()
{
    static FontEnvironment env;
    return env;
}

bool isInstalled(const QString &family)
{
    FontEnvironment &env = fontEnvironment();
    QMutexLocker lock(&env.mutex);
    if (!env.loaded) {
        const QStringList list = env.provider ? env.provider() : QFontDatabase::families();
        env.installed.clear();
        for (const QString &f : list)
            env.installed.insert(f.toLower());
        env.loaded = true;
    }
    return env.installed.contains(family.toLower());
}

QString firstInstalled(const GenericRow &row)
{
    for (const char *c : row.candidates)
        if (isInstalled(QLatin1String(c)))
            return QLatin1String(c);
    return {};
}

const GenericRow *genericRow(const QString &name)
{
    for (const GenericRow &r : genericRows())
        if (name.compare(QLatin1String(r.generic), Qt::CaseInsensitive) == 0)
            return &r;
    return nullptr;
}

} // namespace

void SetSVGFontFamiliesProvider(TSVGFontFamiliesProvider provider)
{
    FontEnvironment &env = fontEnvironment();
    QMutexLocker lock(&env.mutex);
    env.provider = std::move(provider);
    env.loaded = false;
}

QString ResolveFontFamily(const QString &familyList)
{
    QStringList names;
    for (QString name : familyList.split(u',')) {
        name = name.trimmed();
        if (name.size() >= 2 && (name.front() == u'\'' || name.front() == u'"') && name.back() == name.front())
            name = name.mid(1, name.size() - 2);
        names << name;
    }
    bool found = false;
    QString result;
    for (const QString &name : std::as_const(names)) {
        if (const GenericRow *row = genericRow(name)) {
            result = firstInstalled(*row);
            found = true;
            break;
        }
        if (!name.isEmpty() && isInstalled(name)) {
            result = name;
            found = true;
            break;
        }
    }
    if (!found) {
        for (const QString &name : std::as_const(names)) {
            for (const GenericRow &row : genericRows()) {
                const bool candidate = std::any_of(row.candidates.begin(), row.candidates.end(), [&](const char *c) {
                    return name.compare(QLatin1String(c), Qt::CaseInsensitive) == 0;
                });
                if (candidate) {
                    result = firstInstalled(row);
                    found = true;
                    break;
                }
            }
            if (found)
                break;
        }
    }
    // "Arial" is drawn through the platform's font map.
    return result.isEmpty() ? QStringLiteral("Arial") : result;
}

// ---- View box arithmetic --------------------------------------------------------

TSinglePoint ViewBoxScale(const TSingleBounds &vb, const TSVGPreserveAspectRatio &ratio, float w, float h)
{
    if (vb.Width == 0 || vb.Height == 0 || w == 0 || h == 0)
        return {1, 1};
    const float sx = w / vb.Width;
    const float sy = h / vb.Height;
    if (ratio.Align == svg_none)
        return {sx, sy};
    const float s = ratio.MeetOrSlice == svg_slice ? std::max(sx, sy) : std::min(sx, sy);
    return {s, s};
}

TSinglePoint ViewBoxOffset(const TSinglePoint &scale, const TSingleBounds &vb, const TSVGPreserveAspectRatio &ratio,
                           float w, float h)
{
    if (vb.Width == 0 || vb.Height == 0 || w == 0 || h == 0)
        return {0, 0};
    const float dx = w - vb.Width * scale.X;
    const float dy = h - vb.Height * scale.Y;
    float ax = 0, ay = 0;
    if (ratio.Align >= svg_xMinYMin && ratio.Align <= svg_xMaxYMax) {
        const int k = ratio.Align - svg_xMinYMin; // x major: Min, Mid, Max; y minor
        const int xi = k / 3, yi = k % 3;
        ax = xi == 0 ? 0 : (xi == 1 ? dx / 2 : dx);
        ay = yi == 0 ? 0 : (yi == 1 ? dy / 2 : dy);
    }
    return {scale.X * vb.X - ax, scale.Y * vb.Y - ay};
}
