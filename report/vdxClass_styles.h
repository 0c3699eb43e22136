// Styles: named looks (font, fill, frame) that views take by name, their
// variants per style sheet ("style book" mode), style files (.vs3, root
// "style") and style schemes (root "stylesheet").
#pragma once
#include "core/vdCoreClasses.h"
#include "report/vdFont.h"
#include "report/vdxClass_fill.h"
#include "report/vdxClass_frame.h"

#include <QStringList>
#include <memory>

class QIODevice;
class TvdXMLItem;
class TvdxReport;
class TvdxStyles;
class TvdxStyleSheets;
class TvdxView;

VD_DECLARE_EXCEPTION(EDuplicateStyleName, Exception)

// A collection item with a name unique in its collection (ignoring case).
class TvdxNamedCollectionItem : public TvdCollectionItem {
    Q_OBJECT
public:
    QString Name() const { return m_name; }
    // Raises "Duplicate name" when another item already has the name.
    void SetName(const QString &value);
    void SetNameDirect(const QString &value) { m_name = value; }
    QString InheritedName() const override;
    // Names the item "Style" and the lowest free number.
    void CreateUniqueName();

protected:
    virtual void NameChanged(const QString &newName, const QString &oldName)
    {
        Q_UNUSED(newName) Q_UNUSED(oldName)
    }

private:
    QString m_name;
};

class TvdxNamedCollection : public TvdCollection {
    Q_OBJECT
public:
    using TvdCollection::TvdCollection;
    TvdxNamedCollectionItem *FindNamed(const QString &name) const;
};

class TvdxCustomStyleItem : public TvdxNamedCollectionItem {
    Q_OBJECT
    Q_PROPERTY(QString Name READ Name WRITE SetName)
    Q_PROPERTY(int Color READ Color WRITE SetColor STORED false)
    Q_PROPERTY(TvdFont *Font READ Font WRITE SetFont)
    Q_PROPERTY(TvdxFrame *Frame READ Frame WRITE SetFrame)
    Q_PROPERTY(bool ApplyFont READ ApplyFont WRITE SetApplyFont)
    Q_PROPERTY(bool ApplyFill READ ApplyFill WRITE SetApplyFill)
    Q_PROPERTY(bool ApplyFrame READ ApplyFrame WRITE SetApplyFrame)
    Q_PROPERTY(TvdxCustomFill::TvdxFillType FillType READ FillType WRITE SetFillType)
    Q_PROPERTY(TvdxCustomFill *Fill READ Fill WRITE SetFill)
    Q_CLASSINFO("default:ApplyFont", "True")
    Q_CLASSINFO("default:ApplyFill", "True")
    Q_CLASSINFO("default:ApplyFrame", "True")
    Q_CLASSINFO("default:FillType", "ftBrush")
public:
    TvdxCustomStyleItem();
    ~TvdxCustomStyleItem() override;

    TColor Color() const;
    void SetColor(int v);
    TvdFont *Font() const { return GetActiveFont(); }
    void SetFont(TvdFont *v) { GetActiveFont()->Assign(v); }
    TvdxFrame *Frame() const { return GetActiveFrame(); }
    void SetFrame(TvdxFrame *v) { GetActiveFrame()->Assign(v); }
    TvdxCustomFill *Fill() const { return GetActiveFill(); }
    void SetFill(TvdxCustomFill *v);
    TvdxFillType FillType() const { return vdxGetFillType(GetActiveFill()); }
    void SetFillType(TvdxFillType v);
    bool ApplyFont() const { return m_applyFont; }
    void SetApplyFont(bool v) { m_applyFont = v; }
    bool ApplyFill() const { return m_applyFill; }
    void SetApplyFill(bool v) { m_applyFill = v; }
    bool ApplyFrame() const { return m_applyFrame; }
    void SetApplyFrame(bool v) { m_applyFrame = v; }

    // The objects of the active variant (or the style's own).
    virtual TvdFont *GetActiveFont() const { return m_font.get(); }
    virtual TvdxCustomFill *GetActiveFill() const { return m_fill.get(); }
    virtual void SetActiveFill(TvdxCustomFill *fill) { m_fill.reset(fill); }
    virtual TvdxFrame *GetActiveFrame() const { return m_frame.get(); }

    // From another style item (its active look) or from a view (within the Apply flags).
    void Assign(const TvdPersistent *source) override;

protected:
    std::unique_ptr<TvdFont> m_font;
    std::unique_ptr<TvdxFrame> m_frame;
    bool m_applyFont = true;
    bool m_applyFill = true;
    bool m_applyFrame = true;
    std::unique_ptr<TvdxCustomFill> m_fill;
};

// One variant of a style: its name is the style sheet's.
class TvdxStyleSheetItem : public TvdxCustomStyleItem {
    Q_OBJECT
protected:
    void NameChanged(const QString &newName, const QString &oldName) override;
};

class TvdxStyleItem;

class TvdxStyleSheets : public TvdxNamedCollection {
    Q_OBJECT
public:
    TvdxStyleSheets(TvdxStyles *styles, TvdxStyleItem *parentStyle);
    TvdxStyleSheetItem *GetItem(int index) const { return static_cast<TvdxStyleSheetItem *>(Items(index)); }
    // A new variant that starts as a copy of the parent style.
    TvdxStyleSheetItem *AddVariant();
    TvdxStyleSheetItem *AddSheet(const QString &name);
    void DeleteByName(const QString &name);
    TvdxStyleSheetItem *Find(const QString &name) const;
    TvdxStyleSheetItem *GetSheetItem(const QString &name) const;
    void UpdateSheets(QStringList &list);
    TvdxStyles *Styles() const { return m_styles; }
    QString Name;

private:
    TvdxStyles *m_styles;
    TvdxStyleItem *m_parentStyle;
    mutable TvdxStyleSheetItem *m_cached = nullptr;
};

class TvdxStyleItem : public TvdxCustomStyleItem {
    Q_OBJECT
public:
    TvdxStyleItem() = default;
    ~TvdxStyleItem() override;
    TvdxStyleSheets *StyleSheet() const { return m_sheets.get(); }
    TvdxStyles *Styles() const;

    TvdFont *GetActiveFont() const override;
    TvdxCustomFill *GetActiveFill() const override;
    void SetActiveFill(TvdxCustomFill *fill) override;
    TvdxFrame *GetActiveFrame() const override;
    void Assign(const TvdPersistent *source) override;
    void WriteProperties(TvdXMLItem *item, TvdCollectionItem *ancestor, TvdComponent *owner) override;
    void ReadProperties(const QString &propName, TvdXMLItem *item, TvdCollectionItem *ancestor) override;

protected:
    void Joining(TvdBaseCollection *collection) override;

private:
    TvdxStyleSheetItem *activeVariant() const;
    std::unique_ptr<TvdxStyleSheets> m_sheets;
};

class TvdxStyles : public TvdxNamedCollection {
    Q_OBJECT
public:
    enum TvdxStyleBookMode { fsbDesigner = 1, fsbPreview = 2 };
    Q_DECLARE_FLAGS(TvdxStyleBookModes, TvdxStyleBookMode)
    Q_FLAG(TvdxStyleBookModes)

    explicit TvdxStyles(TvdxReport *report = nullptr);
    ~TvdxStyles() override;

    TvdxReport *Report() const { return m_report; }
    QString Name;
    TvdxStyleItem *Add() { return static_cast<TvdxStyleItem *>(TvdCollection::Add()); }
    TvdxStyleItem *GetItem(int index) const { return static_cast<TvdxStyleItem *>(Items(index)); }
    TvdxStyleItem *Find(const QString &name) const { return static_cast<TvdxStyleItem *>(FindNamed(name)); }
    void GetList(QStringList &list) const;
    void ClearAll();
    void EndUpdate();

    // Style sheets.
    QString AddStyleSheet();
    void DeleteStyleSheet(const QString &name);
    bool RenameStyleSheet(const QString &name, const QString &newName);
    // "Default" first, then the sheet names.
    void GetStyleSheetList(QStringList &list) const;
    QStringList &StyleSheetNames() { return m_sheetNames; }
    QString ActiveStyleSheet() const { return m_defaultStyleLocked ? QString() : m_activeStyleSheet; }
    void SetActiveStyleSheet(const QString &value);
    TvdxStyleBookModes StyleBookMode() const { return m_styleBookMode; }
    void SetStyleBookMode(TvdxStyleBookModes value);
    bool DefaultStyleLocked() const { return m_defaultStyleLocked; }
    void SetDefaultStyleLocked(bool v) { m_defaultStyleLocked = v; }
    // Every style re-synchronizes its variants with the sheet names.
    void UpdateSheets();

    void Assign(const TvdPersistent *source) override;
    void AssignAsPreview(const TvdxStyles *source);
    // Views take the look of their styles again.
    void Apply();
    void UpdateFromObjects(const QList<TvdxView *> &list);

    void SaveToXMLItem(TvdXMLItem *item, TvdxStyles *ancestor = nullptr);
    void LoadFromXMLItem(TvdXMLItem *item, TvdxStyles *ancestor = nullptr, bool oldXMLFormat = false);
    void SaveToStream(QIODevice &stream);
    // A document whose root is not "style" leaves the styles empty; one that
    // does not parse raises and leaves the styles as they were.
    void LoadFromStream(QIODevice &stream);
    void SaveToFile(const QString &fileName);
    void LoadFromFile(const QString &fileName);

private:
    void addSheetName(const QString &name);
    TvdxReport *m_report;
    QStringList m_sheetNames;
    QString m_activeStyleSheet;
    bool m_defaultStyleLocked = false;
    TvdxStyleBookModes m_styleBookMode;
};
Q_DECLARE_OPERATORS_FOR_FLAGS(TvdxStyles::TvdxStyleBookModes)

// Several style sets kept together (a style scheme file).
class TvdxStyleScheme {
public:
    TvdxStyleScheme() = default;
    ~TvdxStyleScheme() { Clear(); }
    TvdxStyleScheme(const TvdxStyleScheme &) = delete;
    TvdxStyleScheme &operator=(const TvdxStyleScheme &) = delete;
    void Clear();
    void Delete(int index);
    TvdxStyles *Add();
    int Count() const { return int(m_items.size()); }
    TvdxStyles *GetItems(int index) const { return m_items.at(index); }
    TvdxStyles *Find(const QString &name) const;
    int IndexOf(const QString &name) const;
    void GetList(QStringList &list) const;
    void SaveToStream(QIODevice &stream);
    void LoadFromStream(QIODevice &stream);
    void SaveToFile(const QString &fileName);
    void LoadFromFile(const QString &fileName);

private:
    QList<TvdxStyles *> m_items;
};
