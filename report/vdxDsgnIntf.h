// Process-wide registries through which modules plug into the report model
// and its designer: palette objects, component editors, property editors,
// export filters and wizards; plus the property and component editor bases
// and the standard property editors.
#pragma once
#include "core/vdPersistent.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QMetaProperty>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>

class Canvas;
struct TRect;
class QMenu;
class QAction;
class TvdxComponent;
class TvdxCustomDesigner;
class TvdxCustomExportFilter;
class TvdxCustomWizard;
class TvdxPropertyEditor;
class TvdxComponentEditor;

// Raised by property editors for values their type cannot take.
VD_DECLARE_EXCEPTION(EPropertyValueError, Exception)

// ---------------------------------------------------------------------------
enum TvdxObjectCategory { ctData, ctReport, ctDialog, ctDMP, ctNone };
using TvdxObjectCategories = unsigned; // bits 1 << TvdxObjectCategory
constexpr TvdxObjectCategories vdxCategory(TvdxObjectCategory c) { return 1u << c; }

// Whether meta is the class named className or derives from it.
bool vdxClassInherits(const QMetaObject *meta, const char *className);

struct TvdxObjectItem {
    const QMetaObject *ClassRef = nullptr; // none for a category button
    QImage ButtonBmp;
    int ButtonImageIndex = -1;
    QString ButtonHint;
    QString CategoryName;
    quint16 Flags = 0;
    TvdxObjectCategories Category = 0;
};

// The object palette.
class TvdxObjectCollection {
public:
    void RegisterObject1(const QMetaObject *classRef, const QImage &buttonBmp, const QString &buttonHint = QString(),
                         const QString &categoryName = QString(), quint16 flags = 0, int imageIndex = -1,
                         TvdxObjectCategories category = 0);
    void RegisterObject(const QMetaObject *classRef, const QImage &buttonBmp,
                        const QString &categoryName = QString());
    void RegisterCategory(const QString &categoryName, const QImage &buttonBmp, const QString &buttonHint,
                          int imageIndex = -1);
    // Also makes the class known to the class registry by name.
    template <class T>
    void RegisterObject1(const QImage &buttonBmp, const QString &buttonHint = QString(),
                         const QString &categoryName = QString(), quint16 flags = 0, int imageIndex = -1,
                         TvdxObjectCategories category = 0)
    {
        vdRegisterClass<T>();
        RegisterObject1(&T::staticMetaObject, buttonBmp, buttonHint, categoryName, flags, imageIndex, category);
    }
    void Unregister(const QMetaObject *classRef);
    TvdxObjectItem *GetObjectItem(int index) { return &FItems[index]; }
    int Count() const { return int(FItems.size()); }

private:
    QList<TvdxObjectItem> FItems;
};

// ---------------------------------------------------------------------------
using TvdxComponentEditorClass = TvdxComponentEditor *(*)(TvdxComponent *, TvdxCustomDesigner *, QMenu *);
template <class T>
TvdxComponentEditor *vdxNewComponentEditor(TvdxComponent *c, TvdxCustomDesigner *d, QMenu *m)
{
    return new T(c, d, m);
}

struct TvdxComponentEditorItem {
    const QMetaObject *ComponentClass = nullptr;
    TvdxComponentEditorClass ComponentEditor = nullptr;
};

class TvdxComponentEditorCollection {
public:
    void Register(const QMetaObject *componentClass, TvdxComponentEditorClass componentEditor);
    void UnRegister(TvdxComponentEditorClass componentEditor);
    // The editor of the class itself, else of its last registered ancestor;
    // none when no entry applies. The caller owns the editor.
    TvdxComponentEditor *GetComponentEditor(TvdxComponent *component, TvdxCustomDesigner *designer, QMenu *menu);
    TvdxComponentEditorItem *GetComponentEditorItem(int index) { return &FItems[index]; }
    int Count() const { return int(FItems.size()); }

private:
    QList<TvdxComponentEditorItem> FItems;
};

// ---------------------------------------------------------------------------
// A property type is known by its type name ("TColor", "QString", "int"...);
// empty for none. A typedef'd type is named by the class that publishes the
// property: Q_CLASSINFO("type:Color", "TColor").
using TvdxPropertyType = QByteArray;
// The type name the registries use for a published property. The component
// Name property is "TComponentName".
TvdxPropertyType vdxPropertyTypeOf(const QMetaProperty &prop);

using TvdxPropertyEditorClass = TvdxPropertyEditor *(*)(TvdxCustomDesigner *);
template <class T>
TvdxPropertyEditor *vdxNewPropertyEditor(TvdxCustomDesigner *d)
{
    return new T(d);
}

struct TvdxPropertyEditorItem {
    TvdxPropertyType PropertyType;
    const QMetaObject *ComponentClass = nullptr;
    QString PropertyName;
    TvdxPropertyEditorClass EditorClass = nullptr; // none hides the property
};

class TvdxPropertyEditorCollection {
public:
    void Register(const TvdxPropertyType &propertyType, const QMetaObject *componentClass,
                  const QString &propertyName, TvdxPropertyEditorClass editorClass);
    void RegisterEventEditor(TvdxPropertyEditorClass editorClass);
    void UnRegister(TvdxPropertyEditorClass editorClass);
    // Index of the entry that applies, or -1.
    int GetPropertyEditor(const TvdxPropertyType &propertyType, const QObject *component,
                          const QString &propertyName) const;
    int GetPropertyEditor(const TvdxPropertyType &propertyType, const QMetaObject *componentClass,
                          const QString &propertyName) const;
    TvdxPropertyEditorItem *GetPropertyEditorItem(int index) { return &FItems[index]; }
    int Count() const { return int(FItems.size()); }
    int EventEditorItem() const { return FEventEditorItem; }

private:
    QList<TvdxPropertyEditorItem> FItems;
    int FEventEditorItem = -1;
};

// Hides the ";"-separated properties for the class and its descendants.
void vdxHideProperties(const QMetaObject *componentClass, const QString &propertyNames);
// True when an entry without type and editor names exactly this class and property.
bool vdxIsPropertyHidden(const QMetaObject *componentClass, const QString &propertyName);

// ---------------------------------------------------------------------------
struct TvdxExportFilterItem {
    TvdxCustomExportFilter *Filter = nullptr; // not owned
};

class TvdxExportFilterCollection {
public:
    void Register(TvdxCustomExportFilter *filter);
    void Unregister(TvdxCustomExportFilter *filter);
    TvdxExportFilterItem *GetExportFilterItem(int index) { return &FItems[index]; }
    int Count() const { return int(FItems.size()); }

private:
    QList<TvdxExportFilterItem> FItems;
};

// ---------------------------------------------------------------------------
using TvdxWizardClass = const QMetaObject *;

struct TvdxWizardItem {
    TvdxWizardClass ClassRef = nullptr;
    QImage ButtonBmp;
    QImage WizardButtonBmp;
    int ButtonImageIndex = -1;
    int ToolBarButtonImageIndex = -1;
    bool IsToolbarWizard = false;
};

class TvdxWizardCollection {
public:
    void Register(TvdxWizardClass classRef, const QImage &buttonBmp, bool isToolbarWizard = false,
                  const QImage &bmp32x32 = QImage());
    void Register1(TvdxWizardClass classRef, int imageIndex);
    void Unregister(TvdxWizardClass classRef);
    TvdxWizardItem *GetWizardItem(int index) { return &FItems[index]; }
    int Count() const { return int(FItems.size()); }

private:
    int indexOf(TvdxWizardClass classRef) const;
    QList<TvdxWizardItem> FItems;
};

// Registries, each created on first use. The property editor registry comes
// with the standard registrations.
TvdxObjectCollection &vdxObjectRegistry();
TvdxComponentEditorCollection &vdxComponentEditorRegistry();
TvdxPropertyEditorCollection &vdxPropertyEditorRegistry();
TvdxExportFilterCollection &vdxExportFilterRegistry();
TvdxWizardCollection &vdxWizardRegistry();

// ---------------------------------------------------------------------------
enum TvdxPropertyAttribute : unsigned {
    paValueList = 1,
    paSortList = 2,
    paDialog = 4,
    paMultiSelect = 8,
    paSubProperties = 16,
    paReadOnly = 32,
    paOwnerDraw = 64,
};
using TvdxPropertyAttributes = unsigned;

// Base of every object-inspector editor. Edits one property of one or more
// components (the first one is shown).
class TvdxPropertyEditor {
public:
    explicit TvdxPropertyEditor(TvdxCustomDesigner *designer);
    virtual ~TvdxPropertyEditor();
    TvdxPropertyEditor(const TvdxPropertyEditor &) = delete;
    TvdxPropertyEditor &operator=(const TvdxPropertyEditor &) = delete;

    // Cycles to the next value of Values; False when there are none.
    virtual bool Edit();
    virtual TvdxPropertyAttributes GetAttributes() { return paMultiSelect; }
    virtual QString GetName() { return QString::fromLatin1(PropInfo().name()); }
    virtual int GetExtraLBSize() { return ItemHeight + 2; }
    virtual QString GetValue() { return QStringLiteral("(Unknown)"); }
    virtual void GetValues();
    virtual void SetValue(const QString &value) { Q_UNUSED(value) }
    // Draws item index of the drop-down list, and the value in the inspector cell.
    virtual void OnDrawLBItem(Canvas &canvas, int index, const TRect &aRect);
    virtual void OnDrawItem(Canvas &canvas, const TRect &aRect);

    // The components and their property (one record per component).
    void Add(QObject *component, const QMetaProperty &prop);
    QObject *Component() const { return FCompList.isEmpty() ? nullptr : FCompList.first().data(); }
    TvdxComponent *vdComponent() const;
    QMetaProperty PropInfo() const { return FPropList.isEmpty() ? QMetaProperty() : FPropList.first(); }
    QString Value() { return GetValue(); }
    void SetValueText(const QString &value) { SetValue(value); }
    TvdxCustomDesigner *Designer() const { return FDesigner; }
    QStringList &Values() { return FValues; }
    bool ValuesSorted() const { return FSorted; }
    int ItemHeight = 0;

    double GetFloatValue() const;
    qint64 GetOrdValue() const;
    qint64 GetInt64Value() const;
    QString GetStrValue() const;
    void SetFloatValue(double value);
    // Writes into every edited component; the inspector refreshes once.
    void SetOrdValue(qint64 value);
    void SetStrValue(const QString &value);

protected:
    [[noreturn]] void invalidValue() const;

    TvdxCustomDesigner *FDesigner = nullptr;
    QList<QPointer<QObject>> FCompList;
    QList<QMetaProperty> FPropList;
    QStringList FValues;
    bool FSorted = false;
};

// Double click and context menu of a report object in the designer.
class TvdxComponentEditor {
public:
    TvdxComponentEditor(TvdxComponent *component, TvdxCustomDesigner *designer, QMenu *menu);
    virtual ~TvdxComponentEditor();
    TvdxComponentEditor(const TvdxComponentEditor &) = delete;
    TvdxComponentEditor &operator=(const TvdxComponentEditor &) = delete;

    virtual bool Edit() { return false; }
    virtual bool HasEditor() { return false; }
    virtual void GetMenuItems() {}
    virtual bool Execute(int tag, bool checked)
    {
        Q_UNUSED(tag) Q_UNUSED(checked) return false;
    }

    // A checkable menu item under parent (the menu itself when none).
    QAction *AddMenuItem(const QString &caption, int tag, bool checked, QMenu *parent = nullptr);

    TvdxComponent *Component() const { return FComponent; }
    TvdxCustomDesigner *Designer() const { return FDesigner; }
    QMenu *Menu() const { return FMenu; }

protected:
    TvdxComponent *FComponent = nullptr;
    TvdxCustomDesigner *FDesigner = nullptr;
    QMenu *FMenu = nullptr;
};

// ---------------------------------------------------------------------------
// Standard property editors.
class TvdxIntegerProperty : public TvdxPropertyEditor {
public:
    using TvdxPropertyEditor::TvdxPropertyEditor;
    QString GetValue() override;
    void SetValue(const QString &value) override;
};

class TvdxInt64Property : public TvdxPropertyEditor {
public:
    using TvdxPropertyEditor::TvdxPropertyEditor;
    QString GetValue() override;
    void SetValue(const QString &value) override;
};

class TvdxFloatProperty : public TvdxPropertyEditor {
public:
    using TvdxPropertyEditor::TvdxPropertyEditor;
    QString GetValue() override;
    void SetValue(const QString &value) override;
};

class TvdxCharProperty : public TvdxPropertyEditor {
public:
    using TvdxPropertyEditor::TvdxPropertyEditor;
    QString GetValue() override;
    void SetValue(const QString &value) override;
};

class TvdxStringProperty : public TvdxPropertyEditor {
public:
    using TvdxPropertyEditor::TvdxPropertyEditor;
    QString GetValue() override { return GetStrValue(); }
    void SetValue(const QString &value) override { SetStrValue(value); }
};

class TvdxEnumProperty : public TvdxPropertyEditor {
public:
    using TvdxPropertyEditor::TvdxPropertyEditor;
    TvdxPropertyAttributes GetAttributes() override { return paValueList | paSortList | paMultiSelect; }
    QString GetValue() override;
    void GetValues() override;
    void SetValue(const QString &value) override;
};

class TvdxSetProperty : public TvdxPropertyEditor {
public:
    using TvdxPropertyEditor::TvdxPropertyEditor;
    TvdxPropertyAttributes GetAttributes() override { return paMultiSelect | paSubProperties | paReadOnly; }
    QString GetValue() override;
};

// One member of a set.
class TvdxSetElementProperty : public TvdxPropertyEditor {
public:
    TvdxSetElementProperty(TvdxCustomDesigner *designer, int element);
    TvdxPropertyAttributes GetAttributes() override { return paValueList | paSortList | paMultiSelect; }
    QString GetName() override;
    QString GetValue() override;
    void GetValues() override;
    void SetValue(const QString &value) override;

private:
    int FElement;
};

class TvdxClassProperty : public TvdxPropertyEditor {
public:
    using TvdxPropertyEditor::TvdxPropertyEditor;
    TvdxPropertyAttributes GetAttributes() override { return paMultiSelect | paSubProperties | paReadOnly; }
    QString GetValue() override;
};

class TvdxNameProperty : public TvdxStringProperty {
public:
    using TvdxStringProperty::TvdxStringProperty;
    TvdxPropertyAttributes GetAttributes() override { return 0; }
};

class TvdxColorProperty : public TvdxIntegerProperty {
public:
    using TvdxIntegerProperty::TvdxIntegerProperty;
    TvdxPropertyAttributes GetAttributes() override { return paValueList | paMultiSelect | paOwnerDraw; }
    QString GetValue() override;
    void GetValues() override;
    void SetValue(const QString &value) override;
    // With a swatch of the colour left of the text.
    void OnDrawLBItem(Canvas &canvas, int index, const TRect &aRect) override;
    void OnDrawItem(Canvas &canvas, const TRect &aRect) override;
};

// The font dialog is the designer's: until it plugs one in, Edit answers False.
class TvdxFontProperty : public TvdxClassProperty {
public:
    using TvdxClassProperty::TvdxClassProperty;
    TvdxPropertyAttributes GetAttributes() override
    {
        return paDialog | paMultiSelect | paSubProperties | paReadOnly;
    }
    bool Edit() override;
};
// Shows a font dialog on the font; True when the user confirmed.
using TvdxFontDialogRunner = std::function<bool(TvdPersistent *font)>;
TvdxFontDialogRunner &vdxFontDialogRunner();

class TvdxModalResultProperty : public TvdxIntegerProperty {
public:
    using TvdxIntegerProperty::TvdxIntegerProperty;
    TvdxPropertyAttributes GetAttributes() override { return paValueList | paMultiSelect; }
    QString GetValue() override;
    void GetValues() override;
    void SetValue(const QString &value) override;
};

class TvdxDateTimeProperty : public TvdxPropertyEditor {
public:
    using TvdxPropertyEditor::TvdxPropertyEditor;
    QString GetValue() override;
    void SetValue(const QString &value) override;
};

class TvdxDateProperty : public TvdxPropertyEditor {
public:
    using TvdxPropertyEditor::TvdxPropertyEditor;
    QString GetValue() override;
    void SetValue(const QString &value) override;
};

class TvdxTimeProperty : public TvdxPropertyEditor {
public:
    using TvdxPropertyEditor::TvdxPropertyEditor;
    QString GetValue() override;
    void SetValue(const QString &value) override;
};

// A reference to another object of the report, by name.
class TvdxComponentProperty : public TvdxPropertyEditor {
public:
    using TvdxPropertyEditor::TvdxPropertyEditor;
    TvdxPropertyAttributes GetAttributes() override { return paValueList | paSortList | paMultiSelect; }
    QString GetValue() override;
    void GetValues() override;
    void SetValue(const QString &value) override;
};

class TvdxFontNameProperty : public TvdxStringProperty {
public:
    using TvdxStringProperty::TvdxStringProperty;
    TvdxPropertyAttributes GetAttributes() override { return paValueList | paSortList | paMultiSelect; }
    void GetValues() override;
};

class TvdxFontCharsetProperty : public TvdxIntegerProperty {
public:
    using TvdxIntegerProperty::TvdxIntegerProperty;
    TvdxPropertyAttributes GetAttributes() override { return paValueList | paSortList | paMultiSelect; }
    QString GetValue() override;
    void GetValues() override;
    void SetValue(const QString &value) override;
};

class TvdxCursorProperty : public TvdxIntegerProperty {
public:
    using TvdxIntegerProperty::TvdxIntegerProperty;
    TvdxPropertyAttributes GetAttributes() override { return paValueList | paSortList | paMultiSelect; }
    QString GetValue() override;
    void GetValues() override;
    void SetValue(const QString &value) override;
};

class TvdxShortCutProperty : public TvdxPropertyEditor {
public:
    using TvdxPropertyEditor::TvdxPropertyEditor;
    TvdxPropertyAttributes GetAttributes() override { return paValueList | paMultiSelect; }
    QString GetValue() override;
    void GetValues() override;
    void SetValue(const QString &value) override;
};

// Shortcut values: key code | 0x2000 Shift | 0x4000 Ctrl | 0x8000 Alt.
QString vdxShortCutToText(int shortCut);
int vdxTextToShortCut(const QString &text);

// Implemented by components whose property of type TvdxStringClassName
// names one of a few classes.
class IStringClassNameContainer {
public:
    virtual ~IStringClassNameContainer() = default;
    // The classes offered; a leading none offers an empty name.
    virtual QList<const QMetaObject *> GetSupportedClasses() = 0;
};

class TvdxClassNameProperty : public TvdxStringProperty {
public:
    using TvdxStringProperty::TvdxStringProperty;
    TvdxPropertyAttributes GetAttributes() override { return paValueList | paSortList | paReadOnly; }
    void GetValues() override;
    void SetValue(const QString &value) override;
};
