#include "svg/vdSVGText.h"

#include "platform/Exception.h"
#include "svg/vdSVGPath.h"
#include "svg/vdSVGRoot.h"

#include <QRegularExpression>
#include <cmath>

TSVGCustomText::~TSVGCustomText() = default;

void TSVGCustomText::CreatePlainText(TSVGElementObj *parent, const QString &text, int childIndex, int childCount)
{
    auto *owner = dynamic_cast<TSVGCustomText *>(parent);
    if (!owner)
        return;
    if (childCount == 1) {
        const TSVGElementObj *grand = owner->Parent();
        const bool spaced = grand && IsSVGTextKind(grand->Element()) && owner->SerialNumber() > 0;
        owner->m_text = spaced ? u' ' + text : text;
        return;
    }
    auto *run = static_cast<TSVGCustomText *>(CreateElement(owner->Element(), owner));
    run->m_text = childIndex > 0 ? u' ' + text : text;
}

QString TSVGCustomText::LayoutText() const
{
    static const QRegularExpression lineBreak(QStringLiteral("[ \\t]*(\\r\\n|\\r|\\n)[ \\t\\r\\n]*"));
    if (!m_text.contains(u'\n') && !m_text.contains(u'\r'))
        return m_text;
    QString t = m_text;
    t.replace(lineBreak, QStringLiteral(" "));
    return t;
}

bool TSVGCustomText::IsInsideTextPath() const
{
    for (const TSVGElementObj *p = Parent(); p && IsSVGTextKind(p->Element()); p = p->Parent())
        if (p->Element() == el_textPath)
            return true;
    return false;
}

float TSVGCustomText::TotalWidth() const
{
    float w = m_textWidth;
    for (int i = 0; i < Count(); ++i)
        if (const auto *t = dynamic_cast<const TSVGCustomText *>(GetItem(i)))
            w += t->TotalWidth();
    return w;
}

TSVGFontData TSVGCustomText::FontData()
{
    TSVGFontData f;
    f.Names = atStringInherit(at_font_family);
    f.Size = atLengthInherit(at_font_size);
    f.Style = atSpecificWord(at_font_style);
    f.Weight = int(std::nearbyint(atFontWeight()));
    f.Decoration = atSpecificWordSet(at_text_decoration);
    return f;
}

void TSVGCustomText::freeGeometry()
{
    for (auto &d : m_decorations)
        d.reset();
    TSVGBaseObj::ConstructPath();
}

namespace {

std::vector<float> listOrZero(std::vector<float> list)
{
    if (list.empty())
        list.push_back(0);
    return list;
}

} // namespace

void TSVGCustomText::layout()
{
    TSVGCanvasClass cls = GetCanvasClass();
    const TSVGFontData font = FontData();
    if (cls && m_root) {
        float ascent = 0;
        const TSingleSize size = cls->MeasureString(LayoutText(), font, ascent, m_root->KerningText());
        m_textWidth = size.Width;
        m_fontHeight = ascent;
    }
    const bool positioned = GetIsAttrEnabled(at_x);
    m_textOrigin.X = listOrZero(positioned ? atLengthList(at_x) : std::vector<float>());
    m_textOrigin.Y = listOrZero(positioned ? atLengthList(at_y) : std::vector<float>());
    m_textOrigin.DX = listOrZero(positioned ? atLengthList(at_dx) : std::vector<float>());
    m_textOrigin.DY = listOrZero(positioned ? atLengthList(at_dy) : std::vector<float>());

    // Positions not given continue from the text before.
    TSVGElementObj *parent = Parent();
    if (parent && IsSVGTextKind(parent->Element())) {
        const TSVGCustomText *source = nullptr;
        bool fromSibling = false;
        const int index = SerialNumber();
        if (index > 0) {
            source = dynamic_cast<const TSVGCustomText *>(parent->GetItem(index - 1));
            fromSibling = source != nullptr;
        } else {
            source = static_cast<const TSVGCustomText *>(parent);
        }
        if (source) {
            auto given = [this, positioned](TSVGAttribute a) { return positioned && !IsAttrAbsent(a); };
            if (!given(at_x)) {
                m_textOrigin.X = source->m_textOrigin.X;
                if (fromSibling) {
                    const float w = source->TotalWidth();
                    for (float &x : m_textOrigin.X)
                        x += w;
                }
            }
            if (!given(at_y))
                m_textOrigin.Y = source->m_textOrigin.Y;
            if (!given(at_dx))
                m_textOrigin.DX = source->m_textOrigin.DX;
            if (!given(at_dy))
                m_textOrigin.DY = source->m_textOrigin.DY;
        }
    }
    m_textOrigin.X = listOrZero(m_textOrigin.X);
    m_textOrigin.Y = listOrZero(m_textOrigin.Y);
    m_textOrigin.DX = listOrZero(m_textOrigin.DX);
    m_textOrigin.DY = listOrZero(m_textOrigin.DY);

    const TSVGSpecificWord anchor = atSpecificWord(at_text_anchor);
    if (anchor == svg_end)
        m_textOrigin.DX[0] -= m_textWidth;
    else if (anchor == svg_middle)
        m_textOrigin.DX[0] -= m_textWidth / 2;
    adjustBaseline();
}

void TSVGCustomText::adjustBaseline()
{
    if (!GetIsAttrEnabled(at_dominant_baseline))
        return;
    const TSVGSpecificWord b = atSpecificWord(at_dominant_baseline);
    if (b == svg_auto || b == svg_alphabetic || b == svg_use_script || b == svg_no_change || b == svg_reset_size
        || b == svg_text_top)
        return;
    TSVGCanvasClass cls = GetCanvasClass();
    TSVGTextMetrics m;
    if (!cls || !cls->GetTextMetrics(FontData(), m))
        return;
    float &dy = m_textOrigin.DY[0];
    switch (b) {
    case svg_central: dy += m.AscentWithoutLeading / 2; break;
    case svg_hanging: dy += m.AscentWithoutLeading + m.ExternalLeading; break;
    case svg_ideographic:
    case svg_text_after_edge: dy -= m.Descent; break;
    case svg_mathematical: dy += m.Ascent / 2; break;
    case svg_middle: dy += m.AscentWithoutLeading / 3; break;
    case svg_text_before_edge: dy += m.Ascent + m.Descent / 2; break;
    default: break;
    }
}

void TSVGCustomText::ConstructPath()
{
    // Inside a text path the outline stays as the text path laid it out.
    const bool inTextPath = IsInsideTextPath();
    if (!inTextPath)
        freeGeometry();
    layout();
    if (inTextPath || m_element == el_textPath)
        return;
    const QString text = LayoutText();
    TSVGCanvasClass cls = GetCanvasClass();
    if (text.isEmpty() || !cls || !m_root)
        return;
    m_path = createPath();
    const TSVGSpecificWordSet deco = atSpecificWordSet(at_text_decoration);
    TTextDecorations paths{nullptr, nullptr, nullptr};
    const TSVGSpecificWord words[3] = {svg_underline, svg_line_through, svg_overline};
    for (int i = 0; i < 3; ++i)
        if (deco.test(words[i])) {
            m_decorations[size_t(i)] = createPath();
            paths[size_t(i)] = m_decorations[size_t(i)].get();
        }
    TTextOrigin origin = m_textOrigin;
    for (float &y : origin.Y)
        y -= m_fontHeight;
    cls->AddStringToPath(text, *m_path, paths, origin, FontData(), m_root->KerningText());
}

void TSVGCustomText::PaintShape(TSVGCanvas &canvas)
{
    const TSVGSpecificWord rule = atSpecificWord(at_fill_rule);
    canvas.PaintPath(m_decorations[tdUnderline].get(), rule);
    canvas.PaintPath(m_decorations[tdOwerline].get(), rule);
    canvas.PaintPath(m_path.get(), rule);
    canvas.PaintPath(m_decorations[tdLineThrow].get(), rule);
}

void TSVGCustomText::AssignTo(TSVGElementObj &dest) const
{
    TSVGBaseObj::AssignTo(dest);
    if (auto *d = dynamic_cast<TSVGCustomText *>(&dest)) {
        d->m_text = m_text;
        d->m_textWidth = m_textWidth;
        d->m_textOrigin = m_textOrigin;
        d->m_fontHeight = m_fontHeight;
    }
}

// ---- text on a path ------------------------------------------------------------------------

namespace {

void textDescendants(TSVGElementObj *e, std::vector<TSVGCustomText *> &out)
{
    for (int i = 0; i < e->Count(); ++i)
        if (auto *t = dynamic_cast<TSVGCustomText *>(e->GetItem(i))) {
            out.push_back(t);
            textDescendants(t, out);
        }
}

} // namespace

void Tel_textPath::ConstructPath()
{
    TSVGCustomText::ConstructPath();
    std::vector<TSVGCustomText *> items{this};
    textDescendants(this, items);
    for (TSVGCustomText *t : items)
        t->freeGeometry();
    const QString href = atString(at_href);
    TSVGCanvasClass cls = GetCanvasClass();
    if (!href.startsWith(u'#') || !m_root || !cls)
        return;
    auto *guide = dynamic_cast<Tel_path *>(m_root->FindByID(href.mid(1)));
    if (!guide)
        return;
    // A path later in the document may not have its geometry yet.
    if (!guide->Path())
        guide->ConstructPath();
    if (!guide->Path())
        return;
    std::unique_ptr<TSVGCanvasPathText> pathText = cls->CreatePathText(guide->Path(), m_root->KerningText());
    const float length = cls->GetPathLength(*guide->Path());
    const float startOffset = atLength(at_startOffset, length);
    float advance = 0;
    for (TSVGCustomText *t : items) {
        const QString text = t->LayoutText().trimmed();
        if (text.isEmpty())
            continue;
        const TSVGFontData font = t->FontData();
        pathText->SetAdditionalMatrix(t->atMatrix(at_transform));
        t->m_path = t->createPath();
        advance += pathText->AddPathText(*t->m_path, text, startOffset + advance, font, 1, 1);
    }
}
