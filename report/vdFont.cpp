#include "report/vdFont.h"
#include "platform/GraphicsTypes.h"

#include <cmath>

TvdFont::TvdFont() = default;

void TvdFont::changed()
{
    if (m_updating == 0 && OnChange)
        OnChange();
}

void TvdFont::SetCharset(int value)
{
    value &= 0xFF;
    if (value != m_charset) {
        m_charset = value;
        changed();
    }
}

void TvdFont::SetColor(int value)
{
    if (value != m_color) {
        m_color = value;
        changed();
    }
}

void TvdFont::SetHeight(int value)
{
    if (value != m_height) {
        m_height = value;
        changed();
    }
}

void TvdFont::SetName(const QString &value)
{
    if (value != m_name && !value.isEmpty()) {
        m_name = value;
        changed();
    }
}

int TvdFont::Size() const { return -MulDiv(m_height, 72, m_ppi); }

void TvdFont::SetSize(int points) { SetHeight(-MulDiv(points, m_ppi, 72)); }

void TvdFont::SetStyle(TFontStyles value)
{
    value &= TFontStyles(fsBold | fsItalic | fsUnderline | fsStrikeOut);
    if (value != m_style) {
        m_style = value;
        changed();
    }
}

void TvdFont::Assign(const TvdPersistent *source)
{
    const auto *f = qobject_cast<const TvdFont *>(source);
    if (!f) {
        TvdPersistent::Assign(source);
        return;
    }
    if (f == this)
        return;
    ++m_updating;
    m_charset = f->m_charset;
    m_color = f->m_color;
    // Same point size at this font's resolution.
    m_height = f->m_ppi == m_ppi ? f->m_height : -MulDiv(f->Size(), m_ppi, 72);
    m_name = f->m_name;
    m_style = f->m_style;
    --m_updating;
    changed();
}

bool TvdFont::Equals(const TvdFont &o) const
{
    return m_charset == o.m_charset && m_color == o.m_color && Size() == o.Size() && m_name == o.m_name
           && m_style == o.m_style;
}
