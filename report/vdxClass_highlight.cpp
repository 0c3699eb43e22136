#include "report/vdxClass_highlight.h"

TvdxHighlight::TvdxHighlight()
    : m_font(std::make_unique<TvdFont>()), m_fill(std::make_unique<TvdxBrushFill>()),
      m_frame(std::make_unique<TvdxFrame>())
{
    m_font->SetName(QStringLiteral("Arial"));
    m_font->SetSize(10);
    m_font->SetColor(clRed);
    m_font->SetCharset(DEFAULT_CHARSET);
}

TvdxHighlight::~TvdxHighlight() = default;

TColor TvdxHighlight::Color() const
{
    if (auto *b = qobject_cast<TvdxBrushFill *>(m_fill.get()))
        return b->BackColor();
    return clNone;
}

void TvdxHighlight::SetColor(int v)
{
    if (auto *b = qobject_cast<TvdxBrushFill *>(m_fill.get()))
        b->SetBackColor(v);
}

void TvdxHighlight::SetFillType(TvdxFillType v)
{
    if (v == FillType())
        return;
    if (TvdxCustomFill *f = vdxCreateFill(v))
        m_fill.reset(f);
}

void TvdxHighlight::SetFill(TvdxCustomFill *v)
{
    if (!v)
        return;
    SetFillType(vdxGetFillType(v));
    m_fill->Assign(v);
}

void TvdxHighlight::Assign(const TvdPersistent *source)
{
    auto *h = qobject_cast<const TvdxHighlight *>(source);
    if (!h) {
        TvdCollectionItem::Assign(source);
        return;
    }
    m_applyFont = h->m_applyFont;
    m_applyFill = h->m_applyFill;
    m_applyFrame = h->m_applyFrame;
    m_font->Assign(h->m_font.get());
    SetFill(h->m_fill.get());
    m_frame->Assign(h->m_frame.get());
    m_condition = h->m_condition;
    m_visible = h->m_visible;
    m_interactiveType = h->m_interactiveType;
}

TvdxHighlightCollection::TvdxHighlightCollection(TvdPersistent *owner)
    : TvdCollection(factoryOf<TvdxHighlight>(), owner)
{
}
