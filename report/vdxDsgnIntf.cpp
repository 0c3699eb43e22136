#include "report/vdxDsgnIntf.h"

#include "core/vdFormatSettings.h"
#include "core/vdxRes.h"
#include "platform/Canvas.h"
#include "platform/GraphicsTypes.h"
#include "report/vdxClass_component.h"
#include "report/vdxClass_engine.h"
#include "report/vdFont.h"
#include "report/vdxClass_report.h"
#include "report/vdxClass_view.h"

#include <QAction>
#include <QFontDatabase>
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
    // Typedefs (TColor, TDateTime...) reach Qt as their underlying type; a
    // class declares the name with Q_CLASSINFO("type:Prop", "TColor").
    if (const QMetaObject *meta = prop.enclosingMetaObject()) {
        const int ci = meta->indexOfClassInfo(QByteArray("type:") + prop.name());
        if (ci >= 0)
            return QByteArray(meta->classInfo(ci).value());
    }
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
    r.Register("TvdFont", nullptr, QString(), &vdxNewPropertyEditor<TvdxFontProperty>);
    r.Register("QString", &TvdFont::staticMetaObject, QStringLiteral("Name"), &vdxNewPropertyEditor<TvdxFontNameProperty>);
    r.Register("int", &TvdFont::staticMetaObject, QStringLiteral("Charset"),
               &vdxNewPropertyEditor<TvdxFontCharsetProperty>);
    r.Register("TShortCut", nullptr, QString(), &vdxNewPropertyEditor<TvdxShortCutProperty>);
    r.Register("TCursor", nullptr, QString(), &vdxNewPropertyEditor<TvdxCursorProperty>);
    r.Register("TDateTime", nullptr, QString(), &vdxNewPropertyEditor<TvdxDateTimeProperty>);
    r.Register("TDate", nullptr, QString(), &vdxNewPropertyEditor<TvdxDateProperty>);
    r.Register("TTime", nullptr, QString(), &vdxNewPropertyEditor<TvdxTimeProperty>);
    r.Register("TvdxStringClassName", nullptr, QString(), &vdxNewPropertyEditor<TvdxClassNameProperty>);
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

void TvdxPropertyEditor::OnDrawLBItem(Canvas &canvas, int index, const TRect &r)
{
    canvas.FillRect(r);
    if (index >= 0 && index < FValues.size())
        canvas.TextOut(r.Left + ItemHeight + 4, r.Top + 1, FValues[index]);
    canvas.pen().color = clGray;
}

void TvdxPropertyEditor::OnDrawItem(Canvas &canvas, const TRect &r)
{
    canvas.TextOut(r.Left + ItemHeight - 2, r.Top, GetValue());
    canvas.pen().color = clGray;
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

void TvdxColorProperty::OnDrawLBItem(Canvas &canvas, int index, const TRect &r)
{
    TvdxPropertyEditor::OnDrawLBItem(canvas, index, r);
    TColor color = 0;
    if (index < 0 || index >= FValues.size() || !IdentToColor(FValues[index], color))
        return;
    const CanvasBrush saved = canvas.brush();
    canvas.brush().color = color;
    const int side = r.Bottom - r.Top - 4;
    canvas.pen().color = clBlack;
    canvas.Rectangle(r.Left + 2, r.Top + 2, r.Left + 2 + side, r.Top + 2 + side);
    canvas.setBrush(saved);
    canvas.pen().color = clGray;
}

void TvdxColorProperty::OnDrawItem(Canvas &canvas, const TRect &r)
{
    TvdxPropertyEditor::OnDrawItem(canvas, r);
    const CanvasBrush saved = canvas.brush();
    canvas.brush().color = TColor(GetOrdValue());
    canvas.pen().color = clBlack;
    canvas.Rectangle(r.Left, r.Top + 1, r.Left + r.Bottom - r.Top - 5, r.Bottom - 4);
    canvas.setBrush(saved);
    canvas.pen().color = clGray;
}

void TvdxColorProperty::GetValues()
{
    TvdxPropertyEditor::GetValues();
    static const char *const names[] = {
        "clBlack", "clMaroon", "clGreen", "clOlive", "clNavy", "clPurple", "clTeal", "clGray", "clSilver", "clRed",
        "clLime", "clYellow", "clBlue", "clFuchsia", "clAqua", "clWhite", "clMoneyGreen", "clSkyBlue", "clCream",
        "clMedGray", "clActiveBorder", "clActiveCaption", "clAppWorkSpace", "clBackground", "clBtnFace",
        "clBtnHighlight", "clBtnShadow", "clBtnText", "clCaptionText", "clDefault", "clGradientActiveCaption",
        "clGradientInactiveCaption", "clGrayText", "clHighlight", "clHighlightText", "clHotLight",
        "clInactiveBorder", "clInactiveCaption", "clInactiveCaptionText", "clInfoBk", "clInfoText", "clMenu",
        "clMenuBar", "clMenuHighlight", "clMenuText", "clNone", "clScrollBar", "cl3DDkShadow", "cl3DLight",
        "clWindow", "clWindowFrame", "clWindowText"};
    // Only the names this platform knows.
    for (const char *name : names) {
        TColor c = 0;
        if (IdentToColor(QString::fromLatin1(name), c))
            FValues.append(QString::fromLatin1(name));
    }
}

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

QString TvdxDateProperty::GetValue()
{
    const double v = GetFloatValue();
    return v == 0 ? QString() : DateToStr(v);
}

void TvdxDateProperty::SetValue(const QString &value) { SetFloatValue(value.isEmpty() ? 0 : StrToDate(value)); }

QString TvdxTimeProperty::GetValue()
{
    const double v = GetFloatValue();
    return v == 0 ? QString() : TimeToStr(v);
}

void TvdxTimeProperty::SetValue(const QString &value) { SetFloatValue(value.isEmpty() ? 0 : StrToTime(value)); }

// ---------------------------------------------------------------------------
QString TvdxComponentProperty::GetValue()
{
    QObject *c = Component();
    if (!c)
        return QString();
    auto *ref = qobject_cast<TvdComponent *>(PropInfo().read(c).value<QObject *>());
    return ref ? ref->Name() : QString();
}

void TvdxComponentProperty::GetValues()
{
    TvdxPropertyEditor::GetValues();
    QObject *edited = Component();
    if (!edited)
        return;
    const QMetaObject *refClass = PropInfo().metaType().metaObject();
    TvdComponent *scope = qobject_cast<TvdComponent *>(edited);
    if (auto *rc = qobject_cast<TvdxComponent *>(edited))
        if (TvdxPage *page = rc->Page())
            scope = page;
    if (!scope)
        return;
    std::function<void(TvdComponent *)> walk = [&](TvdComponent *n) {
        for (TvdComponent *child : n->GetChildren()) {
            if (child != edited && !child->Name().isEmpty() && (!refClass || child->metaObject()->inherits(refClass)))
                FValues.append(child->Name());
            walk(child);
        }
    };
    walk(scope);
    FValues.sort(Qt::CaseInsensitive);
}

void TvdxComponentProperty::SetValue(const QString &value)
{
    QObject *ref = nullptr;
    if (!value.isEmpty()) {
        auto *rc = qobject_cast<TvdxComponent *>(Component());
        TvdxReport *report = rc ? rc->Report() : nullptr;
        TvdComponent *top = report ? static_cast<TvdComponent *>(report) : qobject_cast<TvdComponent *>(Component());
        ref = top ? top->FindObject(value) : nullptr;
        if (!ref)
            invalidValue();
    }
    for (int i = 0; i < FCompList.size(); ++i)
        if (FCompList[i] && FPropList[i].isWritable()) {
            QVariant v = QVariant::fromValue(ref);
            v.convert(FPropList[i].metaType());
            FPropList[i].write(FCompList[i], v);
        }
}

void TvdxFontNameProperty::GetValues()
{
    TvdxPropertyEditor::GetValues();
    FValues = QFontDatabase::families();
}

namespace {
struct IdentValue {
    const char *name;
    int value;
};

const IdentValue kCharsets[] = {
    {"ANSI_CHARSET", 0},          {"DEFAULT_CHARSET", 1},    {"SYMBOL_CHARSET", 2},     {"MAC_CHARSET", 77},
    {"SHIFTJIS_CHARSET", 128},    {"HANGEUL_CHARSET", 129},  {"JOHAB_CHARSET", 130},    {"GB2312_CHARSET", 134},
    {"CHINESEBIG5_CHARSET", 136}, {"GREEK_CHARSET", 161},    {"TURKISH_CHARSET", 162},  {"VIETNAMESE_CHARSET", 163},
    {"HEBREW_CHARSET", 177},      {"ARABIC_CHARSET", 178},   {"BALTIC_CHARSET", 186},   {"RUSSIAN_CHARSET", 204},
    {"THAI_CHARSET", 222},        {"EASTEUROPE_CHARSET", 238}, {"OEM_CHARSET", 255},
};

const IdentValue kCursors[] = {
    {"crDefault", 0},     {"crArrow", -2},     {"crCross", -3},      {"crIBeam", -4},    {"crSizeNESW", -6},
    {"crSizeNS", -7},     {"crSizeNWSE", -8},  {"crSizeWE", -9},     {"crUpArrow", -10}, {"crHourGlass", -11},
    {"crDrag", -12},      {"crNoDrop", -13},   {"crHSplit", -14},    {"crVSplit", -15},  {"crMultiDrag", -16},
    {"crSQLWait", -17},   {"crNo", -18},       {"crAppStart", -19},  {"crHelp", -20},    {"crHandPoint", -21},
    {"crSizeAll", -22},   {"crNone", -1},
};

template <size_t N>
bool identToValue(const IdentValue (&table)[N], const QString &text, int &value)
{
    for (const auto &e : table)
        if (text.compare(QLatin1String(e.name), Qt::CaseInsensitive) == 0) {
            value = e.value;
            return true;
        }
    return false;
}

template <size_t N>
const char *valueToIdent(const IdentValue (&table)[N], qint64 value)
{
    for (const auto &e : table)
        if (e.value == value)
            return e.name;
    return nullptr;
}
} // namespace

QString TvdxFontCharsetProperty::GetValue()
{
    const qint64 v = GetOrdValue();
    const char *name = valueToIdent(kCharsets, v);
    return name ? QString::fromLatin1(name) : QString::number(v);
}

void TvdxFontCharsetProperty::GetValues()
{
    TvdxPropertyEditor::GetValues();
    for (const auto &e : kCharsets)
        FValues.append(QString::fromLatin1(e.name));
}

void TvdxFontCharsetProperty::SetValue(const QString &value)
{
    int v = 0;
    SetOrdValue(identToValue(kCharsets, value, v) ? v : StrToInt(value));
}

QString TvdxCursorProperty::GetValue()
{
    const qint64 v = GetOrdValue();
    const char *name = valueToIdent(kCursors, v);
    return name ? QString::fromLatin1(name) : QString::number(v);
}

void TvdxCursorProperty::GetValues()
{
    TvdxPropertyEditor::GetValues();
    for (const auto &e : kCursors)
        FValues.append(QString::fromLatin1(e.name));
}

void TvdxCursorProperty::SetValue(const QString &value)
{
    int v = 0;
    SetOrdValue(identToValue(kCursors, value, v) ? v : StrToInt(value));
}

// ---------------------------------------------------------------------------
namespace {
constexpr int scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000;

QString keyName(int key)
{
    if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9'))
        return QString(QChar(key));
    if (key >= 112 && key <= 123)
        return QStringLiteral("F%1").arg(key - 111);
    static const IdentValue names[] = {
        {"BkSp", 8},   {"Tab", 9},    {"Enter", 13}, {"Esc", 27},  {"Space", 32}, {"PgUp", 33}, {"PgDn", 34},
        {"End", 35},   {"Home", 36},  {"Left", 37},  {"Up", 38},   {"Right", 39},  {"Down", 40}, {"Ins", 45},
        {"Del", 46},
    };
    const char *n = valueToIdent(names, key);
    return n ? QString::fromLatin1(n) : QString();
}
} // namespace

QString vdxShortCutToText(int shortCut)
{
    const QString key = keyName(shortCut & 0xFF);
    if (key.isEmpty())
        return QString();
    QString text;
    if (shortCut & scShift)
        text += QStringLiteral("Shift+");
    if (shortCut & scCtrl)
        text += QStringLiteral("Ctrl+");
    if (shortCut & scAlt)
        text += QStringLiteral("Alt+");
    return text + key;
}

int vdxTextToShortCut(const QString &text)
{
    QString rest = text.trimmed();
    int mods = 0;
    for (bool again = true; again;) {
        again = false;
        for (const auto &[prefix, bit] : {std::pair{"Shift+", scShift}, {"Ctrl+", scCtrl}, {"Alt+", scAlt}})
            if (rest.startsWith(QLatin1String(prefix), Qt::CaseInsensitive)) {
                rest = rest.mid(int(qstrlen(prefix)));
                mods |= bit;
                again = true;
            }
    }
    for (int key = 1; key < 256; ++key) {
        const QString name = keyName(key);
        if (!name.isEmpty() && name.compare(rest, Qt::CaseInsensitive) == 0)
            return key | mods;
    }
    return 0;
}

QString TvdxShortCutProperty::GetValue()
{
    const int v = int(GetOrdValue());
    return v == 0 ? QStringLiteral("(None)") : vdxShortCutToText(v);
}

void TvdxShortCutProperty::GetValues()
{
    TvdxPropertyEditor::GetValues();
    FValues.append(QStringLiteral("(None)"));
    for (int mods : {scCtrl, scCtrl | scAlt})
        for (int k = 'A'; k <= 'Z'; ++k)
            FValues.append(vdxShortCutToText(k | mods));
    for (int mods : {0, scCtrl, scShift, scShift | scCtrl})
        for (int k = 112; k <= 123; ++k)
            FValues.append(vdxShortCutToText(k | mods));
    for (int sc : {45, scShift | 45, scCtrl | 45, 46, scShift | 46, scCtrl | 46, scAlt | 8, scShift | scAlt | 8})
        FValues.append(vdxShortCutToText(sc));
}

void TvdxShortCutProperty::SetValue(const QString &value)
{
    if (value.isEmpty() || value.compare(QStringLiteral("(None)"), Qt::CaseInsensitive) == 0)
        SetOrdValue(0);
    else
        SetOrdValue(vdxTextToShortCut(value));
}

TvdxFontDialogRunner &vdxFontDialogRunner()
{
    static TvdxFontDialogRunner runner;
    return runner;
}

bool TvdxFontProperty::Edit()
{
    auto &run = vdxFontDialogRunner();
    QObject *c = Component();
    auto *font = c ? qobject_cast<TvdPersistent *>(PropInfo().read(c).value<QObject *>()) : nullptr;
    if (!run || !font)
        return false;
    TvdFont edited;
    edited.Assign(font);
    if (!run(&edited))
        return false;
    // The symbol set is what the dialog reports for fonts it cannot classify.
    if (auto *old = qobject_cast<TvdFont *>(font); old && edited.Charset() == 2)
        edited.SetCharset(old->Charset());
    for (int i = 0; i < FCompList.size(); ++i)
        if (FCompList[i])
            if (auto *f = qobject_cast<TvdPersistent *>(FPropList[i].read(FCompList[i]).value<QObject *>()))
                f->Assign(&edited);
    return true;
}

void TvdxClassNameProperty::GetValues()
{
    TvdxPropertyEditor::GetValues();
    auto *container = dynamic_cast<IStringClassNameContainer *>(Component());
    if (!container)
        return;
    const QList<const QMetaObject *> classes = container->GetSupportedClasses();
    for (int i = 0; i < classes.size(); ++i) {
        if (classes[i])
            FValues.append(QString::fromLatin1(classes[i]->className()));
        else if (i == 0)
            FValues.append(QString());
    }
}

void TvdxClassNameProperty::SetValue(const QString &value)
{
    SetStrValue(value);
    if (FDesigner)
        FDesigner->UpdateInspector();
}
