// Caption settings of every barcode: a main and a supplementary caption, each
// with its font and edge, kept on opposite edges of the symbol.
#pragma once
#include "core/vdPersistent.h"
#include "report/vdFont.h"

#include <memory>

class TvdxBarcodeText;

class TvdxTextSettings : public TvdPersistent {
    Q_OBJECT
public:
    enum TvdxBarTextPos { btpTop, btpBottom };
    Q_ENUM(TvdxBarTextPos)

private:
    Q_PROPERTY(TvdFont *Font READ Font)
    Q_PROPERTY(TvdxBarTextPos BarTextPos READ BarTextPos WRITE SetBarTextPos)

public:
    TvdxTextSettings(TvdxBarcodeText *owner, int size, TvdxBarTextPos pos);
    ~TvdxTextSettings() override;

    TvdFont *Font() const { return m_font.get(); }
    TvdxBarTextPos BarTextPos() const { return m_pos; }
    // Moves the partner caption to the other edge.
    void SetBarTextPos(TvdxBarTextPos value);
    // Font and edge; the partner stays where it is.
    void Assign(const TvdPersistent *source) override;

private:
    TvdxBarcodeText *m_owner;
    std::unique_ptr<TvdFont> m_font;
    TvdxBarTextPos m_pos;
};

class TvdxBarcodeText : public TvdPersistent {
    Q_OBJECT
    Q_PROPERTY(TvdxTextSettings *TextSettings READ TextSettings)
    Q_PROPERTY(TvdxTextSettings *SupSettings READ SupSettings)
public:
    TvdxBarcodeText();
    ~TvdxBarcodeText() override;

    TvdxTextSettings *TextSettings() const { return m_text.get(); }
    TvdxTextSettings *SupSettings() const { return m_sup.get(); }
    void Assign(const TvdPersistent *source) override;
    void Lock() { m_lock = true; }
    void UnLock() { m_lock = false; }
    bool IsLock() const { return m_lock; }

private:
    std::unique_ptr<TvdxTextSettings> m_text;
    std::unique_ptr<TvdxTextSettings> m_sup;
    bool m_lock = false;
};
