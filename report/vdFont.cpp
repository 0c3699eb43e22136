#include "report/vdFont.h"

#include <cmath>

namespace {
// The platform's MulDiv: 64-bit product, rounded half away from zero.
int mulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const qint64 p = qint64(a) * b;
    const qint64 half = std::llabs(qint64(c)) / 2;
    const bool neg = (p < 0) != (c < 0);
    const qint64 q = (std::llabs(p) + half) / std::llabs(qint64(c));
    return int(neg ? -q : q);
}
} // namespace

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

int TvdFont::Size() const { return -mulDiv(m_height, 72, m_ppi); }

void TvdFont::SetSize(int points) { SetHeight(-mulDiv(points, m_ppi, 72)); }

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
    m_height = f->m_ppi == m_ppi ? f->m_height : -mulDiv(f->Size(), m_ppi, 72);
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
