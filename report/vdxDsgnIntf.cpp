#include "report/vdxDsgnIntf.h"

#include "core/vdFormatSettings.h"
#include "core/vdxRes.h"
#include "platform/GraphicsTypes.h"
#include "report/vdxClass_component.h"
#include "report/vdxClass_engine.h"

#include <QAction>
#include <QMenu>
#include <QMetaEnum>
#include <algorithm>

bool vdxClassInherits(const QMetaObject *meta, const char *className)
{
    for (; meta; meta = meta->superClass())
        if (qstrcmp(meta->className(), className) == 0)
            return true;
    return false;
}

// ---------------------------------------------------------------------------
void TvdxObjectCollection::RegisterObject1(const QMetaObject *classRef, const QImage &buttonBmp,
                                           const QString &buttonHint, const QString &categoryName, quint16 flags,
                                           int imageIndex, TvdxObjectCategories category)
{
    if (classRef)
        for (const TvdxObjectItem &item : std::as_const(FItems))
            if (item.ClassRef == classRef && item.Flags == flags)
                return;
    // Classes with an invokable (owner) constructor become known by name.
    if (classRef && !vdFindClass(QString::fromLatin1(classRef->className())) && classRef->constructorCount() > 0
        && vdxClassInherits(classRef, "TvdComponent"))
        TvdClassRegistry::Instance().Register(
            classRef,
            [classRef](TvdComponent *owner) -> TvdPersistent * {
                QObject *obj = classRef->newInstance(Q_ARG(TvdComponent *, owner));
                return qobject_cast<TvdPersistent *>(obj);
            },
            true);
    TvdxObjectItem item;
    item.ClassRef = classRef;
    // QImage keeps only pixels: nothing to release.
    item.ButtonBmp = buttonBmp;
    item.ButtonHint = buttonHint;
    item.CategoryName = categoryName;
    item.Flags = flags;
    item.ButtonImageIndex = imageIndex;
    item.Category = category;
    if (classRef && category == 0) {
        if (vdxClassInherits(classRef, "TvdxDataSet") || vdxClassInherits(classRef, "TvdxCustomDatabase"))
            item.Category = vdxCategory(ctData);
        else if (vdxClassInherits(classRef, "TvdxDialogControl")
                 || vdxClassInherits(classRef, "TvdxDialogComponent"))
            item.Category = vdxCategory(ctDialog);
        else
            item.Category = vdxCategory(ctReport);
    }
    FItems.append(item);
}

void TvdxObjectCollection::RegisterObject(const QMetaObject *classRef, const QImage &buttonBmp,
                                          const QString &categoryName)
{
    RegisterObject1(classRef, buttonBmp, QString(), categoryName, 0, -1, 0);
}

void TvdxObjectCollection::RegisterCategory(const QString &categoryName, const QImage &buttonBmp,
                                            const QString &buttonHint, int imageIndex)
{
    RegisterObject1(nullptr, buttonBmp, buttonHint, categoryName, 0, imageIndex, 0);
}

void TvdxObjectCollection::Unregister(const QMetaObject *classRef)
{
    FItems.removeIf([classRef](const TvdxObjectItem &item) { return item.ClassRef == classRef; });
}

// ---------------------------------------------------------------------------
void TvdxComponentEditorCollection::Register(const QMetaObject *componentClass,
                                             TvdxComponentEditorClass componentEditor)
{
    FItems.append({componentClass, componentEditor});
}

void TvdxComponentEditorCollection::UnRegister(TvdxComponentEditorClass componentEditor)
{
    FItems.removeIf([componentEditor](const TvdxComponentEditorItem &i) { return i.ComponentEditor == componentEditor; });
}

TvdxComponentEditor *TvdxComponentEditorCollection::GetComponentEditor(TvdxComponent *component,
                                                                       TvdxCustomDesigner *designer, QMenu *menu)
{
    if (!component)
        return nullptr;
    const QMetaObject *meta = component->metaObject();
    int found = -1;
    for (int i = 0; i < FItems.size(); ++i) {
        const TvdxComponentEditorItem &item = FItems[i];
        if (!item.ComponentClass || !item.ComponentEditor)
            continue;
        if (item.ComponentClass == meta) {
            found = i;
            break;
        }
        if (meta->inherits(item.ComponentClass))
            found = i;
    }
    return found < 0 ? nullptr : FItems[found].ComponentEditor(component, designer, menu);
}

// ---------------------------------------------------------------------------
TvdxPropertyType vdxPropertyTypeOf(const QMetaProperty &prop)
{
    if (qstrcmp(prop.name(), "Name") == 0 && prop.enclosingMetaObject()
        && vdxClassInherits(prop.enclosingMetaObject(), "TvdComponent"))
        return QByteArrayLiteral("TComponentName");
    QByteArray name = prop.typeName();
    name.replace('*', QByteArray());
    return name.trimmed();
}

void TvdxPropertyEditorCollection::Register(const TvdxPropertyType &propertyType, const QMetaObject *componentClass,
                                            const QString &propertyName, TvdxPropertyEditorClass editorClass)
{
    FItems.append({propertyType, componentClass, propertyName, editorClass});
}

void TvdxPropertyEditorCollection::RegisterEventEditor(TvdxPropertyEditorClass editorClass)
{
    Register(TvdxPropertyType(), nullptr, QString(), editorClass);
    FEventEditorItem = int(FItems.size()) - 1;
}

void TvdxPropertyEditorCollection::UnRegister(TvdxPropertyEditorClass editorClass)
{
    for (int i = int(FItems.size()) - 1; i >= 0; --i) {
        if (FItems[i].EditorClass != editorClass)
            continue;
        FItems.removeAt(i);
        // The event-editor index follows its entry (or goes with it).
        if (FEventEditorItem == i)
            FEventEditorItem = -1;
        else if (FEventEditorItem > i)
            --FEventEditorItem;
    }
}

int TvdxPropertyEditorCollection::GetPropertyEditor(const TvdxPropertyType &propertyType, const QObject *component,
                                                    const QString &propertyName) const
{
    return GetPropertyEditor(propertyType, component ? component->metaObject() : nullptr, propertyName);
}

int TvdxPropertyEditorCollection::GetPropertyEditor(const TvdxPropertyType &propertyType,
                                                    const QMetaObject *componentClass,
                                                    const QString &propertyName) const
{
    const QByteArray lower = propertyType.toLower();
    if (lower.startsWith("tvdx")) {
        const int ev = int(lower.indexOf("event"));
        if (ev >= 0 && ev + 5 == lower.size())
            return FEventEditorItem;
    }
    int typeOnly = -1;
    for (int i = int(FItems.size()) - 1; i >= 0; --i) {
        const TvdxPropertyEditorItem &item = FItems[i];
        const bool sameName = !item.PropertyName.isEmpty()
                              && item.PropertyName.compare(propertyName, Qt::CaseInsensitive) == 0;
        if (!item.ComponentClass) {
            if (!item.PropertyName.isEmpty()) {
                if (sameName && item.PropertyType == propertyType)
                    return i;
            } else if (item.PropertyType == propertyType) {
                typeOnly = i;
            }
        } else if (componentClass && sameName
                   && (componentClass == item.ComponentClass || componentClass->inherits(item.ComponentClass))) {
            return i;
        }
    }
    return typeOnly;
}

void vdxHideProperties(const QMetaObject *componentClass, const QString &propertyNames)
{
    for (const QString &name : propertyNames.split(u';', Qt::SkipEmptyParts))
        vdxPropertyEditorRegistry().Register(TvdxPropertyType(), componentClass, name.trimmed(), nullptr);
}

bool vdxIsPropertyHidden(const QMetaObject *componentClass, const QString &propertyName)
{
    auto &registry = vdxPropertyEditorRegistry();
    for (int i = 0; i < registry.Count(); ++i) {
        const TvdxPropertyEditorItem *item = registry.GetPropertyEditorItem(i);
        if (item->PropertyType.isEmpty() && !item->EditorClass && item->ComponentClass == componentClass
            && item->PropertyName.compare(propertyName, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// ---------------------------------------------------------------------------
void TvdxExportFilterCollection::Register(TvdxCustomExportFilter *filter)
{
    if (!filter)
        return;
    for (const auto &item : std::as_const(FItems))
        if (item.Filter == filter)
            return;
    FItems.append({filter});
}

void TvdxExportFilterCollection::Unregister(TvdxCustomExportFilter *filter)
{
    FItems.removeIf([filter](const TvdxExportFilterItem &i) { return i.Filter == filter; });
}

// ---------------------------------------------------------------------------
int TvdxWizardCollection::indexOf(TvdxWizardClass classRef) const
{
    for (int i = 0; i < FItems.size(); ++i)
        if (FItems[i].ClassRef == classRef)
            return i;
    return -1;
}

void TvdxWizardCollection::Register(TvdxWizardClass classRef, const QImage &buttonBmp, bool isToolbarWizard,
                                    const QImage &bmp32x32)
{
    if (indexOf(classRef) >= 0)
        return;
    TvdxWizardItem item;
    item.ClassRef = classRef;
    item.ButtonBmp = buttonBmp;
    item.WizardButtonBmp = bmp32x32;
    item.IsToolbarWizard = isToolbarWizard;
    FItems.append(item);
}

void TvdxWizardCollection::Register1(TvdxWizardClass classRef, int imageIndex)
{
    if (indexOf(classRef) >= 0)
        return;
    TvdxWizardItem item;
    item.ClassRef = classRef;
    item.ButtonImageIndex = imageIndex;
    FItems.append(item);
}

void TvdxWizardCollection::Unregister(TvdxWizardClass classRef)
{
    FItems.removeIf([classRef](const TvdxWizardItem &i) { return i.ClassRef == classRef; });
}

// ---------------------------------------------------------------------------
TvdxObjectCollection &vdxObjectRegistry()
{
    static TvdxObjectCollection registry;
    return registry;
}

TvdxComponentEditorCollection &vdxComponentEditorRegistry()
{
    static TvdxComponentEditorCollection registry;
    return registry;
}

static void registerStandardEditors(TvdxPropertyEditorCollection &r)
{
    r.Register("TComponentName", nullptr, QStringLiteral("Name"), &vdxNewPropertyEditor<TvdxNameProperty>);
    r.Register("TColor", nullptr, QString(), &vdxNewPropertyEditor<TvdxColorProperty>);
    r.Register("TModalResult", nullptr, QString(), &vdxNewPropertyEditor<TvdxModalResultProperty>);
    r.Register("TDateTime", nullptr, QString(), &vdxNewPropertyEditor<TvdxDateTimeProperty>);
}

TvdxPropertyEditorCollection &vdxPropertyEditorRegistry()
{
    static TvdxPropertyEditorCollection *registry = [] {
        auto *r = new TvdxPropertyEditorCollection;
        registerStandardEditors(*r);
        return r;
    }();
    return *registry;
}

TvdxExportFilterCollection &vdxExportFilterRegistry()
{
    static TvdxExportFilterCollection registry;
    return registry;
}

TvdxWizardCollection &vdxWizardRegistry()
{
    static TvdxWizardCollection registry;
    return registry;
}

// ---------------------------------------------------------------------------
TvdxPropertyEditor::TvdxPropertyEditor(TvdxCustomDesigner *designer) : FDesigner(designer) {}

TvdxPropertyEditor::~TvdxPropertyEditor() = default;

void TvdxPropertyEditor::Add(QObject *component, const QMetaProperty &prop)
{
    FCompList.append(QPointer<QObject>(component));
    FPropList.append(prop);
}

TvdxComponent *TvdxPropertyEditor::vdComponent() const { return qobject_cast<TvdxComponent *>(Component()); }

bool TvdxPropertyEditor::Edit()
{
    GetValues();
    if (FValues.isEmpty())
        return false;
    const int i = int(FValues.indexOf(GetValue()));
    const int next = (i < 0 || i == FValues.size() - 1) ? 0 : i + 1;
    SetValue(FValues[next]);
    return true;
}

void TvdxPropertyEditor::GetValues()
{
    FValues.clear();
    FSorted = (GetAttributes() & paSortList) != 0;
}

void TvdxPropertyEditor::invalidValue() const
{
    throw EPropertyValueError(GetResStrByName(QStringLiteral("prInvProp")));
}

double TvdxPropertyEditor::GetFloatValue() const
{
    QObject *c = Component();
    return c ? PropInfo().read(c).toDouble() : 0;
}

qint64 TvdxPropertyEditor::GetOrdValue() const
{
    QObject *c = Component();
    if (!c)
        return 0;
    const QVariant v = PropInfo().read(c);
    if (PropInfo().isEnumType() || PropInfo().isFlagType())
        return v.toInt();
    if (v.metaType().id() == QMetaType::QChar)
        return v.value<QChar>().unicode();
    return v.toLongLong();
}

qint64 TvdxPropertyEditor::GetInt64Value() const { return GetOrdValue(); }

QString TvdxPropertyEditor::GetStrValue() const
{
    QObject *c = Component();
    return c ? PropInfo().read(c).toString() : QString();
}

void TvdxPropertyEditor::SetFloatValue(double value)
{
    for (int i = 0; i < FCompList.size(); ++i)
        if (FCompList[i] && FPropList[i].isWritable())
            FPropList[i].write(FCompList[i], value);
}

void TvdxPropertyEditor::SetOrdValue(qint64 value)
{
    const bool batch = FDesigner && !FCompList.isEmpty();
    if (batch)
        FDesigner->DisableInspectorUpdate();
    for (int i = 0; i < FCompList.size(); ++i) {
        if (batch && i == FCompList.size() - 1)
            FDesigner->EnableInspectorUpdate();
        if (!FCompList[i] || !FPropList[i].isWritable())
            continue;
        const QMetaProperty &p = FPropList[i];
        QVariant v;
        if (p.metaType().id() == QMetaType::QChar) {
            v = QVariant::fromValue(QChar(char16_t(value)));
        } else if (p.isEnumType() || p.isFlagType()) {
            v = QVariant(int(value));
        } else {
            v = QVariant(value);
            v.convert(p.metaType());
        }
        p.write(FCompList[i], v);
    }
}

void TvdxPropertyEditor::SetStrValue(const QString &value)
{
    for (int i = 0; i < FCompList.size(); ++i)
        if (FCompList[i] && FPropList[i].isWritable())
            FPropList[i].write(FCompList[i], value);
}

// ---------------------------------------------------------------------------
TvdxComponentEditor::TvdxComponentEditor(TvdxComponent *component, TvdxCustomDesigner *designer, QMenu *menu)
    : FComponent(component), FDesigner(designer), FMenu(menu)
{
}

TvdxComponentEditor::~TvdxComponentEditor() = default;

QAction *TvdxComponentEditor::AddMenuItem(const QString &caption, int tag, bool checked, QMenu *parent)
{
    QMenu *target = parent ? parent : FMenu;
    if (!target)
        return nullptr;
    QAction *action = target->addAction(caption);
    action->setData(tag);
    action->setCheckable(checked);
    action->setChecked(checked);
    return action;
}

// ---------------------------------------------------------------------------
QString TvdxIntegerProperty::GetValue() { return QString::number(GetOrdValue()); }

void TvdxIntegerProperty::SetValue(const QString &value) { SetOrdValue(StrToInt(value)); }

QString TvdxInt64Property::GetValue() { return QString::number(GetInt64Value()); }

void TvdxInt64Property::SetValue(const QString &value) { SetOrdValue(StrToInt64(value)); }

QString TvdxFloatProperty::GetValue() { return FloatToStr(GetFloatValue()); }

void TvdxFloatProperty::SetValue(const QString &value)
{
    const QChar sep = DefaultFormatSettings().DecimalSeparator;
    QString text = value;
    text.replace(u',', sep).replace(u'.', sep);
    SetFloatValue(StrToFloat(text.trimmed()));
}

QString TvdxCharProperty::GetValue()
{
    const qint64 code = GetOrdValue();
    if (code >= 33 && code <= 255)
        return QString(QChar(char16_t(code)));
    return QStringLiteral("#%1").arg(code);
}

void TvdxCharProperty::SetValue(const QString &value)
{
    if (value.isEmpty()) {
        SetOrdValue(0);
    } else if (value.size() == 1) {
        SetOrdValue(value[0].unicode());
    } else if (value[0] == u'#') {
        int code = 0;
        if (!TryStrToInt(value.mid(1), code) || code < 0 || code > 0xFFFF)
            invalidValue();
        SetOrdValue(code);
    } else {
        invalidValue();
    }
}

QString TvdxEnumProperty::GetValue()
{
    const QMetaEnum e = PropInfo().enumerator();
    const char *key = e.valueToKey(int(GetOrdValue()));
    return key ? QString::fromLatin1(key) : QString::number(GetOrdValue());
}

void TvdxEnumProperty::GetValues()
{
    TvdxPropertyEditor::GetValues();
    const QMetaEnum e = PropInfo().enumerator();
    for (int i = 0; i < e.keyCount(); ++i)
        FValues.append(QString::fromLatin1(e.key(i)));
}

void TvdxEnumProperty::SetValue(const QString &value)
{
    const QMetaEnum e = PropInfo().enumerator();
    bool ok = false;
    const int v = e.keyToValue(value.toLatin1().constData(), &ok);
    if (!ok)
        invalidValue();
    SetOrdValue(v);
}

QString TvdxSetProperty::GetValue()
{
    const QMetaEnum e = PropInfo().enumerator();
    const qint64 bits = GetOrdValue();
    QStringList names;
    for (int i = 0; i < e.keyCount(); ++i)
        if (e.value(i) != 0 && (bits & e.value(i)) == e.value(i))
            names.append(QString::fromLatin1(e.key(i)));
    return u'[' + names.join(u',') + u']';
}

TvdxSetElementProperty::TvdxSetElementProperty(TvdxCustomDesigner *designer, int element)
    : TvdxPropertyEditor(designer), FElement(element)
{
}

QString TvdxSetElementProperty::GetName()
{
    const QMetaEnum e = PropInfo().enumerator();
    const char *key = e.valueToKey(1 << FElement);
    return key ? QString::fromLatin1(key) : QString::number(FElement);
}

QString TvdxSetElementProperty::GetValue()
{
    return (GetOrdValue() & (qint64(1) << FElement)) ? QStringLiteral("True") : QStringLiteral("False");
}

void TvdxSetElementProperty::GetValues()
{
    TvdxPropertyEditor::GetValues();
    FValues << QStringLiteral("False") << QStringLiteral("True");
}

void TvdxSetElementProperty::SetValue(const QString &value)
{
    qint64 bits = GetOrdValue();
    if (value.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0)
        bits |= qint64(1) << FElement;
    else if (value.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0)
        bits &= ~(qint64(1) << FElement);
    else
        invalidValue();
    SetOrdValue(bits);
}

QString TvdxClassProperty::GetValue()
{
    QByteArray type = PropInfo().typeName();
    type.replace('*', QByteArray());
    return u'(' + QString::fromLatin1(type.trimmed()) + u')';
}

QString TvdxColorProperty::GetValue() { return ColorToString(TColor(GetOrdValue())); }

void TvdxColorProperty::SetValue(const QString &value)
{
    TColor color = 0;
    if (IdentToColor(value, color)) {
        SetOrdValue(color);
        return;
    }
    SetOrdValue(StrToInt(value));
}

static const char *const kModalResults[] = {"mrNone",  "mrOk",    "mrCancel",   "mrAbort",     "mrRetry",
                                            "mrIgnore", "mrYes",   "mrNo",       "mrClose",     "mrHelp",
                                            "mrTryAgain", "mrContinue", "mrAll", "mrNoToAll", "mrYesToAll"};

QString TvdxModalResultProperty::GetValue()
{
    const qint64 v = GetOrdValue();
    if (v >= 0 && v < 15)
        return QString::fromLatin1(kModalResults[v]);
    return QString::number(v);
}

void TvdxModalResultProperty::GetValues()
{
    TvdxPropertyEditor::GetValues();
    for (const char *name : kModalResults)
        FValues.append(QString::fromLatin1(name));
}

void TvdxModalResultProperty::SetValue(const QString &value)
{
    for (int i = 0; i < 15; ++i)
        if (value.compare(QString::fromLatin1(kModalResults[i]), Qt::CaseInsensitive) == 0) {
            SetOrdValue(i);
            return;
        }
    SetOrdValue(StrToInt(value.isEmpty() ? QStringLiteral("0") : value));
}

QString TvdxDateTimeProperty::GetValue()
{
    const double v = GetFloatValue();
    return v == 0 ? QString() : DateTimeToStr(v);
}

void TvdxDateTimeProperty::SetValue(const QString &value)
{
    SetFloatValue(value.isEmpty() ? 0 : StrToDateTime(value));
}
