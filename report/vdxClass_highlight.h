// Highlight conditions of text objects: an expression that, when true for the
// printed value, gives the object another font, fill, frame and visibility
// for that printed instance.
#pragma once
#include "core/vdCoreClasses.h"
#include "report/vdFont.h"
#include "report/vdxClass_fill.h"
#include "report/vdxClass_frame.h"

#include <memory>

class TvdxHighlight : public TvdCollectionItem {
    Q_OBJECT
public:
    enum TvdxInteractiveHighlightEvent { ihNone, ihClick, ihEnter, ieLeave };
    Q_ENUM(TvdxInteractiveHighlightEvent)

private:
    Q_PROPERTY(bool Active READ Active WRITE SetActive STORED false)
    Q_PROPERTY(bool ApplyFont READ ApplyFont WRITE SetApplyFont)
    Q_PROPERTY(bool ApplyFill READ ApplyFill WRITE SetApplyFill)
    Q_PROPERTY(bool ApplyFrame READ ApplyFrame WRITE SetApplyFrame)
    Q_PROPERTY(TvdFont *Font READ Font WRITE SetFont)
    Q_PROPERTY(int Color READ Color WRITE SetColor STORED false)
    Q_PROPERTY(QString Condition READ Condition WRITE SetCondition)
    Q_PROPERTY(TvdxInteractiveHighlightEvent InteractiveType READ InteractiveType WRITE SetInteractiveType)
    Q_PROPERTY(TvdxCustomFill::TvdxFillType FillType READ FillType WRITE SetFillType)
    Q_PROPERTY(TvdxCustomFill *Fill READ Fill WRITE SetFill)
    Q_PROPERTY(TvdxFrame *Frame READ Frame WRITE SetFrame)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_CLASSINFO("default:Active", "False")
    Q_CLASSINFO("default:ApplyFont", "True")
    Q_CLASSINFO("default:ApplyFill", "True")
    Q_CLASSINFO("default:ApplyFrame", "False")
    Q_CLASSINFO("default:InteractiveType", "ihNone")
    Q_CLASSINFO("default:Visible", "True")

public:
    Q_INVOKABLE TvdxHighlight();
    ~TvdxHighlight() override;

    bool Active() const { return m_active; }
    void SetActive(bool v) { m_active = v; }
    bool ApplyFont() const { return m_applyFont; }
    void SetApplyFont(bool v) { m_applyFont = v; }
    bool ApplyFill() const { return m_applyFill; }
    void SetApplyFill(bool v) { m_applyFill = v; }
    bool ApplyFrame() const { return m_applyFrame; }
    void SetApplyFrame(bool v) { m_applyFrame = v; }
    TvdFont *Font() const { return m_font.get(); }
    void SetFont(TvdFont *v) { m_font->Assign(v); }
    // The back colour of a brush fill; clNone for other fills.
    TColor Color() const;
    void SetColor(int v);
    QString Condition() const { return m_condition; }
    void SetCondition(const QString &v) { m_condition = v; }
    TvdxInteractiveHighlightEvent InteractiveType() const { return m_interactiveType; }
    void SetInteractiveType(TvdxInteractiveHighlightEvent v) { m_interactiveType = v; }
    TvdxFillType FillType() const { return vdxGetFillType(m_fill.get()); }
    // A different type replaces the fill by a fresh one of that type.
    void SetFillType(TvdxFillType v);
    TvdxCustomFill *Fill() const { return m_fill.get(); }
    void SetFill(TvdxCustomFill *v);
    TvdxFrame *Frame() const { return m_frame.get(); }
    void SetFrame(TvdxFrame *v) { m_frame->Assign(v); }
    bool Visible() const { return m_visible; }
    void SetVisible(bool v) { m_visible = v; }

    bool IsUniqueNameStored() const override { return true; }
    // Copies everything but Active.
    void Assign(const TvdPersistent *source) override;

private:
    bool m_active = false;
    bool m_applyFont = true;
    bool m_applyFill = true;
    bool m_applyFrame = false;
    std::unique_ptr<TvdFont> m_font;
    QString m_condition;
    TvdxInteractiveHighlightEvent m_interactiveType = ihNone;
    std::unique_ptr<TvdxCustomFill> m_fill;
    std::unique_ptr<TvdxFrame> m_frame;
    bool m_visible = true;
};

class TvdxHighlightCollection : public TvdCollection {
    Q_OBJECT
public:
    explicit TvdxHighlightCollection(TvdPersistent *owner = nullptr);
    TvdxHighlight *GetItem(int index) const { return static_cast<TvdxHighlight *>(Items(index)); }
    TvdxHighlight *AddHighlight() { return static_cast<TvdxHighlight *>(Add()); }
};
