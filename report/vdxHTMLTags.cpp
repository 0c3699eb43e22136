#include "report/vdxHTMLTags.h"
#include "platform/Canvas.h"
#include "report/vdxTextMeasure.h"
#include <cmath>

namespace {

int roundEven(double v) { return int(std::nearbyint(v)); }

struct SimpleTag {
    const char16_t *text; // upper case
    const char16_t *name; // name pushed or closed
    bool closing;
};

constexpr SimpleTag kTags[] = {
    {u"<B>", u"B", false},           {u"<I>", u"I", false},          {u"<U>", u"U", false},
    {u"</B>", u"B", true},           {u"</I>", u"I", true},          {u"</U>", u"U", true},
    {u"<SUB>", u"SUB", false},       {u"<SUP>", u"SUP", false},      {u"</SUB>", u"SUB", true},
    {u"</SUP>", u"SUP", true},       {u"<STRIKE>", u"STRIKE", false}, {u"</STRIKE>", u"STRIKE", true},
    {u"<NOWRAP>", u"NOWRAP", false}, {u"</NOWRAP>", u"NOWRAP", true}, {u"</FONT>", u"FONT", true},
};

bool startsWithAt(const QString &s, int i, QStringView upperTag)
{
    if (i + upperTag.size() > s.size())
        return false;
    return QStringView(s).mid(i, upperTag.size()).compare(upperTag, Qt::CaseInsensitive) == 0;
}

int styleBit(QStringView name)
{
    if (name == u"B")
        return vdfsBold;
    if (name == u"I")
        return vdfsItalic;
    if (name == u"U")
        return vdfsUnderline;
    if (name == u"STRIKE")
        return vdfsStrikeOut;
    return 0;
}

// "#RRGGBB" or a colour name after "cl"; false when it names no colour.
bool readColor(QString v, TColor &color)
{
    if (v.size() > 3 && v.startsWith(u'"') && v.endsWith(u'"'))
        v = v.mid(1, v.size() - 2);
    if (v.isEmpty())
        return false;
    if (v.startsWith(u'#')) {
        bool ok = false;
        const QString hex = v.mid(1);
        const uint rgb = hex.size() <= 8 ? hex.toUInt(&ok, 16) : 0;
        if (!ok || hex.isEmpty())
            return false;
        color = RGBColor(int((rgb >> 16) & 0xFF), int((rgb >> 8) & 0xFF), int(rgb & 0xFF));
        return true;
    }
    return IdentToColor(QStringLiteral("cl") + v, color);
}

} // namespace

void TvdxHTMLTag::Assign(const TvdxHTMLTag &tag)
{
    Position = tag.Position;
    Size = tag.Size;
    AddY = tag.AddY;
    Style = tag.Style;
    Color = tag.Color;
    Default = tag.Default;
    Small = tag.Small;
    SubType = tag.SubType;
}

TvdxHTMLTag *TvdxHTMLTags::Add()
{
    m_items.push_back(std::make_unique<TvdxHTMLTag>());
    return m_items.back().get();
}

TvdxHTMLTagsList::TvdxHTMLTagsList() { m_extents.reserve(32768); }

TvdxHTMLTagsList::~TvdxHTMLTagsList() = default;

void TvdxHTMLTagsList::SetDefaults(TColor defColor, int defSize, int defStyle)
{
    m_defColor = defColor;
    m_defSize = defSize;
    m_defStyle = defStyle;
    m_color = defColor;
    m_size = defSize;
    m_style = defStyle;
    m_addY = 0;
    m_dontWrap = false;
    m_subStyle = ssNormal;
    m_position = 1;
    Clear();
}

void TvdxHTMLTagsList::StartLine()
{
    if (!m_lines.empty())
        m_lines.push_back(std::make_unique<TvdxHTMLTags>());
}

TvdxHTMLTag *TvdxHTMLTagsList::AppendTag()
{
    if (m_lines.empty())
        m_lines.push_back(std::make_unique<TvdxHTMLTags>());
    return m_lines.back()->Add();
}

TvdxHTMLTag *TvdxHTMLTagsList::PreviousTag() const
{
    if (m_lines.empty())
        return nullptr;
    const TvdxHTMLTags &last = *m_lines.back();
    if (last.Count() >= 2)
        return last.Items(last.Count() - 2);
    if (m_lines.size() >= 2) {
        const TvdxHTMLTags &before = *m_lines[m_lines.size() - 2];
        if (before.Count() > 0)
            return before.Items(before.Count() - 1);
    }
    return nullptr;
}

void TvdxHTMLTagsList::appendVisible()
{
    TvdxHTMLTag *t = AppendTag();
    t->Position = m_position;
    t->Size = m_size;
    t->Style = m_style;
    t->Color = m_color;
    t->AddY = m_addY;
    t->DontWRAP = m_dontWrap;
    t->SubType = m_subStyle;
    if (!m_allowTags)
        t->Default = true;
    else if (const TvdxHTMLTag *p = PreviousTag())
        t->Default = t->Style == p->Style && t->Color == p->Color && t->Size == p->Size && t->AddY == p->AddY &&
                     t->DontWRAP == p->DontWRAP;
    else
        t->Default = t->Style == m_defStyle && t->Color == m_defColor && t->Size == m_defSize;
    t->Small = t->Size != m_defSize;
}

void TvdxHTMLTagsList::applyOpen(const OpenTag &tag)
{
    if (const int bit = styleBit(tag.name))
        m_style |= bit;
    else if (tag.name == u"SUB" || tag.name == u"SUP") {
        m_size = roundEven(m_defSize / 1.5);
        m_addY = tag.name == u"SUB" ? 1 : 0;
        m_subStyle = tag.name == u"SUB" ? ssSubscript : ssSuperscript;
    } else if (tag.name == u"NOWRAP")
        m_dontWrap = true;
    else if (tag.name == u"FONT")
        m_color = tag.color;
}

void TvdxHTMLTagsList::closeName(const QString &name, std::vector<OpenTag> &open)
{
    // Tags opened inside the closed one close with it and open again right
    // after it (as if their opening text followed the closing tag), so
    // improperly nested tags keep their meaning. Re-opening applies their
    // effect and pushes them again without touching the text.
    std::vector<OpenTag> reopen;
    while (!open.empty() && open.back().name != name) {
        reopen.push_back(std::move(open.back()));
        open.pop_back();
    }
    if (!open.empty()) {
        open.pop_back();
        for (size_t k = open.size(); k-- > 0;)
            if (open[k].name == name) {
                reopen.push_back(std::move(open[k]));
                open.erase(open.begin() + qsizetype(k));
                break;
            }
    }
    // The last one removed stands first after the closing tag.
    for (size_t k = reopen.size(); k-- > 0;) {
        applyOpen(reopen[k]);
        open.push_back(std::move(reopen[k]));
    }
}

int TvdxHTMLTagsList::parseTag(const QString &s, int i, std::vector<OpenTag> &open)
{
    for (const SimpleTag &tag : kTags) {
        const QStringView text(tag.text);
        if (!startsWithAt(s, i, text))
            continue;
        const QString name = QString::fromUtf16(tag.name);
        if (!tag.closing) {
            OpenTag t{name, clBlack};
            applyOpen(t);
            open.push_back(std::move(t));
        } else {
            if (const int bit = styleBit(name))
                m_style &= ~bit;
            else if (name == u"SUB" || name == u"SUP") {
                m_size = m_defSize;
                m_addY = 0;
                m_subStyle = ssNormal;
            } else if (name == u"NOWRAP")
                m_dontWrap = false;
            else if (name == u"FONT")
                m_color = m_defColor;
            closeName(name, open);
        }
        return int(text.size());
    }
    if (!startsWithAt(s, i, u"<FONT COLOR"))
        return 0;
    const int eq = int(s.indexOf(u'=', i + 11));
    if (eq < 0)
        return 0;
    int v = eq + 1;
    while (v < s.size() && s[v] == u' ')
        ++v;
    const int close = int(s.indexOf(u'>', v));
    if (close < 0)
        return 0;
    const QString value = s.mid(v, close - v);
    TColor color = clBlack;
    // A colour that cannot be read leaves the whole tag as text.
    if (!readColor(value, color))
        return 0;
    OpenTag t{QStringLiteral("FONT"), color};
    applyOpen(t);
    open.push_back(std::move(t));
    return close - i + 1;
}

void TvdxHTMLTagsList::ExpandHTMLTags(QString &s)
{
    std::vector<OpenTag> open;
    QString out;
    out.reserve(s.size());
    int i = 0;
    while (i < s.size()) {
        if (m_allowTags && s[i] == u'<') {
            const int len = parseTag(s, i, open);
            if (len > 0) {
                i += len;
                m_position += len;
                continue;
            }
        }
        out += s[i];
        appendVisible();
        ++i;
        ++m_position;
    }
    if (out.isEmpty()) {
        appendVisible();
        out = QStringLiteral(" ");
    }
    s = out;
}

void TvdxHTMLTagsList::SplitLineAt(int value, bool addHyphen)
{
    if (m_lines.empty() || value < 0)
        return;
    TvdxHTMLTags &old = *m_lines.back();
    if (value >= old.Count())
        return;
    // The tail keeps the storage; the kept head moves into a list of its own.
    auto fresh = std::make_unique<TvdxHTMLTags>();
    fresh->m_items.swap(old.m_items);
    fresh->m_first = old.m_first;
    old.m_items.clear();
    old.m_first = 0;
    old.m_items.reserve(size_t(value) + 1);
    for (int k = 0; k < value; ++k)
        old.m_items.push_back(std::move(fresh->m_items[fresh->m_first + size_t(k)]));
    fresh->m_first += size_t(value);
    TvdxHTMLTags *added = fresh.get();
    m_lines.push_back(std::move(fresh));
    if (value == 0)
        return;
    const TvdxHTMLTag &lastKept = *old.Items(value - 1);
    if (addHyphen)
        old.Add()->Assign(lastKept);
    else if (added->Count() > 0 && added->Items(0)->Default) {
        // Only the attributes: the record keeps its own place in the source,
        // which is where the text continues when the box is full.
        TvdxHTMLTag *first = added->Items(0);
        const int position = first->Position;
        first->Assign(lastKept);
        first->Position = position;
    }
}

int TvdxHTMLTagsList::MeasureCharAdvances(std::vector<int> &widths, const QString &s, bool cumulative,
                                          int charSpacing, int lineIndex, Canvas &canvas,
                                          const TvdxTextMeasure &measure)
{
    const int n = int(s.size());
    if (widths.size() < size_t(n))
        widths.resize(size_t(n));
    const TvdxHTMLTags *line = lineIndex >= 0 && lineIndex < Count() ? Items(lineIndex) : nullptr;
    const int records = line ? line->Count() : 0;
    if (records > 0 && !line->Items(0)->Default)
        SetCanvasFontStyle(canvas, line->Items(0)->Style);
    auto measureLine = [&] {
        const QList<int> adv = measure.Advances(canvas, s);
        if (m_extents.size() < size_t(n))
            m_extents.resize(size_t(n));
        int sum = 0;
        for (int k = 0; k < n; ++k) {
            sum += k < adv.size() ? adv[k] : 0;
            m_extents[size_t(k)] = sum;
        }
    };
    measureLine();
    int total = 0;
    for (int k = 0; k < n; ++k) {
        const TvdxHTMLTag *tag = k < records ? line->Items(k) : nullptr;
        if (k > 0 && tag && !tag->Default) {
            SetCanvasFontStyle(canvas, tag->Style);
            measureLine();
        }
        int adv = (k == 0 ? m_extents[0] : m_extents[size_t(k)] - m_extents[size_t(k - 1)]) + charSpacing;
        if (tag && tag->Small)
            adv = roundEven(adv / 1.5);
        total += adv;
        widths[size_t(k)] = cumulative && k > 0 ? adv + widths[size_t(k - 1)] : adv;
    }
    return total;
}

int CanvasFontStyle(const Canvas &canvas)
{
    const CanvasFont &f = canvas.font();
    return (f.bold() ? vdfsBold : 0) | (f.italic ? vdfsItalic : 0) | (f.underline ? vdfsUnderline : 0) |
           (f.strikeOut ? vdfsStrikeOut : 0);
}

void SetCanvasFontStyle(Canvas &canvas, int style)
{
    CanvasFont &f = canvas.font();
    f.weight = (style & vdfsBold) ? FW_BOLD : FW_NORMAL;
    f.italic = style & vdfsItalic;
    f.underline = style & vdfsUnderline;
    f.strikeOut = style & vdfsStrikeOut;
}
