#include "barcode/vdxBarcodeText.h"

TvdxTextSettings::TvdxTextSettings(TvdxBarcodeText *owner, int size, TvdxBarTextPos pos)
    : m_owner(owner), m_font(std::make_unique<TvdFont>()), m_pos(pos)
{
    m_font->SetName(QStringLiteral("Arial"));
    m_font->SetPixelsPerInch(96);
    m_font->SetSize(size);
}

TvdxTextSettings::~TvdxTextSettings() = default;

void TvdxTextSettings::SetBarTextPos(TvdxBarTextPos value)
{
    m_pos = value;
    if (!m_owner || m_owner->IsLock())
        return;
    TvdxTextSettings *partner = m_owner->TextSettings() == this ? m_owner->SupSettings() : m_owner->TextSettings();
    if (!partner || partner == this)
        return;
    m_owner->Lock();
    partner->SetBarTextPos(value == btpTop ? btpBottom : btpTop);
    m_owner->UnLock();
}

void TvdxTextSettings::Assign(const TvdPersistent *source)
{
    if (auto *s = qobject_cast<const TvdxTextSettings *>(source)) {
        m_font->Assign(s->m_font.get());
        m_pos = s->m_pos;
        return;
    }
    TvdPersistent::Assign(source);
}

TvdxBarcodeText::TvdxBarcodeText()
{
    // The first settings object exists before the second: its position
    // setter must find no partner yet.
    m_text = std::make_unique<TvdxTextSettings>(this, 9, TvdxTextSettings::btpBottom);
    m_sup = std::make_unique<TvdxTextSettings>(this, 7, TvdxTextSettings::btpTop);
}

TvdxBarcodeText::~TvdxBarcodeText() = default;

void TvdxBarcodeText::Assign(const TvdPersistent *source)
{
    if (auto *s = qobject_cast<const TvdxBarcodeText *>(source)) {
        m_text->Assign(s->m_text.get());
        m_sup->Assign(s->m_sup.get());
        return;
    }
    TvdPersistent::Assign(source);
}
