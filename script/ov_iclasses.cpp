#include "script/ov_iclasses.h"

#include "core/vdPersistent.h"
#include "script/ov_iclassesrtti.h"
#include "script/ov_iconst.h"

#include <algorithm>

namespace {

QString fmtS(const QString &pattern, const QString &arg)
{
    QString s = pattern;
    return s.replace(QLatin1String("%s"), arg);
}

TovVarType propVarType(const TvdPropInfo &info, QString &typeName)
{
    typeName.clear();
    switch (info.kind) {
    case TvdPropKind::Char:
        return fvtChar;
    case TvdPropKind::Boolean:
        return fvtBool;
    case TvdPropKind::Enumeration:
    case TvdPropKind::Set: {
        // A set goes by its own name (TFontStyles), not its element's (TFontStyle):
        // that is the name its constants carry.
        const QMetaEnum e = vdPropEnum(info);
        if (!e.isValid())
            typeName = QString::fromLatin1(info.prop.typeName());
        else
            typeName = QString::fromLatin1(info.kind == TvdPropKind::Set ? e.name() : e.enumName());
        if (typeName.compare(QLatin1String("Boolean"), Qt::CaseInsensitive) == 0
            || typeName.compare(QLatin1String("bool"), Qt::CaseInsensitive) == 0)
            return fvtBool;
        return fvtEnum;
    }
    case TvdPropKind::Float:
        return fvtFloat;
    case TvdPropKind::String:
    case TvdPropKind::StringList:
        return fvtString;
    case TvdPropKind::Object: {
        typeName = ovClassScriptName(vdObjectPropClass(info));
        return fvtClass;
    }
    case TvdPropKind::Variant:
        return fvtVariant;
    case TvdPropKind::Int64:
        return fvtInt64;
    default:
        return fvtInt;
    }
}

Variant readPublished(QObject *obj, const TvdPropInfo &info)
{
    switch (info.kind) {
    case TvdPropKind::Integer:
    case TvdPropKind::Enumeration:
    case TvdPropKind::Boolean:
    case TvdPropKind::Set:
        return Variant(int(vdGetOrdProp(obj, info)));
    case TvdPropKind::Object: {
        TvdPersistent *o = vdGetObjectProp(obj, info);
        return o ? Variant::fromObject(o) : Variant(0);
    }
    case TvdPropKind::Char:
        return Variant(QString(QChar(char16_t(vdGetOrdProp(obj, info)))));
    case TvdPropKind::Float:
        return Variant(info.prop.read(obj).toDouble());
    case TvdPropKind::String:
        return Variant(info.prop.read(obj).toString());
    case TvdPropKind::StringList:
        return Variant(info.prop.read(obj).toStringList().join(QLatin1String("\r\n")));
    case TvdPropKind::Variant:
        return info.prop.read(obj).value<Variant>();
    case TvdPropKind::Int64:
        return Variant::fromInt64(info.prop.read(obj).toLongLong());
    default: {
        const QVariant v = info.prop.read(obj);
        bool ok = false;
        const int i = v.toInt(&ok);
        return ok ? Variant(i) : Variant(v.toString());
    }
    }
}

void writePublished(QObject *obj, const TvdPropInfo &info, TovVarType memberType, const Variant &value)
{
    switch (info.kind) {
    case TvdPropKind::Integer:
    case TvdPropKind::Enumeration:
    case TvdPropKind::Boolean:
    case TvdPropKind::Set: {
        qint64 v;
        if (memberType == fvtBool)
            v = (value.isBool() && value.rawBool()) ? 1 : 0;
        else if (value.varType() == varInt64)
            v = qint32(quint32(quint64(value.rawInt())));
        else if (info.kind == TvdPropKind::Set && value.isArray()) {
            // A set constructor arrives as the array of its members, whose
            // constants already carry their bits.
            quint32 bits = 0;
            for (int i = VarArrayLowBound(value, 1); i <= VarArrayHighBound(value, 1); ++i) {
                const Variant member = value.arrayGet(i);
                if (!member.isNull())
                    bits |= quint32(member.toInt());
            }
            v = qint32(bits);
        } else
            v = value.toInt();
        vdSetOrdProp(obj, info, v);
        break;
    }
    case TvdPropKind::Object:
        vdSetObjectProp(obj, info, qobject_cast<TvdPersistent *>(ovValueToObject(value)));
        break;
    case TvdPropKind::Char: {
        const QString s = value.toString();
        vdSetOrdProp(obj, info, s.isEmpty() ? 0 : s.at(0).unicode());
        break;
    }
    case TvdPropKind::Float:
        info.prop.write(obj, QVariant(value.toDouble()));
        break;
    case TvdPropKind::String:
        info.prop.write(obj, QVariant(value.toString()));
        break;
    case TvdPropKind::StringList: {
        QString s = value.toString();
        s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        info.prop.write(obj, QVariant(s.isEmpty() ? QStringList() : s.split(QLatin1Char('\n'))));
        break;
    }
    case TvdPropKind::Variant:
        info.prop.write(obj, QVariant::fromValue(value));
        break;
    case TvdPropKind::Int64:
        info.prop.write(obj, QVariant(value.toInt64()));
        break;
    default:
        info.prop.write(obj, QVariant(value.toInt()));
        break;
    }
}

} // namespace

QString ovClassScriptName(const QMetaObject *meta)
{
    if (!meta)
        return QString();
    // Only the class's own entry: a descendant without one keeps its own name.
    const int i = meta->indexOfClassInfo("ScriptName");
    if (i >= meta->classInfoOffset())
        return QString::fromLatin1(meta->classInfo(i).value());
    return QString::fromLatin1(meta->className());
}

TovClassVariable *ovFindClassOf(TovScript *prog, const QMetaObject *meta)
{
    for (const QMetaObject *m = meta; m && prog; m = m->superClass()) {
        if (TovClassVariable *c = prog->FindClass(ovClassScriptName(m)))
            if (c->ClassRef == m)
                return c;
        for (TovScript *p = prog; p; p = p->Parent())
            for (TovScript *q : {p, p->SharedItems()})
                for (int i = 0; q && i < q->Count(); ++i)
                    if (auto *c = dynamic_cast<TovClassVariable *>(q->Items(i)); c && c->ClassRef == m)
                        return c;
    }
    return nullptr;
}

QObject *ovValueToObject(const Variant &value)
{
    if (value.isEmptyOrNull())
        return nullptr;
    if (value.isObject())
        return value.checkedObject();
    if (value.isOrdinal() && value.toInt64() == 0)
        return nullptr;
    // Numbers are never turned into object references.
    throw EovClassError(QStringLiteral("Invalid object reference: %1").arg(VarTypeAsText(value.varType())));
}

bool ovHasOwner(const QObject *obj)
{
    if (obj->parent())
        return true;
    if (auto *c = qobject_cast<const TvdComponent *>(obj); c && c->Owner())
        return true;
    if (auto *x = qobject_cast<const TovHostXMLItem *>(obj); x && x->Item() && x->Item()->Parent())
        return true;
    return false;
}

void ovFreeObject(const Variant &value)
{
    QObject *obj = ovValueToObject(value);
    if (!obj)
        return;
    if (auto *c = qobject_cast<TvdComponent *>(obj); c && c->Owner())
        throw EovClassError(QStringLiteral("Cannot free %1: it is owned by %2")
                                .arg(c->Name().isEmpty() ? c->ClassName() : c->Name(), c->Owner()->ClassName()));
    if (obj->parent())
        throw EovClassError(QStringLiteral("Cannot free %1: it is owned by %2")
                                .arg(QString::fromLatin1(obj->metaObject()->className()),
                                     QString::fromLatin1(obj->parent()->metaObject()->className())));
    delete obj;
}

// ---------------------------------------------------------------------------
void TovCustomHelper::SetHelperContext(TovCustomVariable *parentRef, const Variant &parentValue, TovScript *prog)
{
    ParentRef = parentRef;
    ParentValue = parentValue;
    Prog = prog;
}

// ---------------------------------------------------------------------------
TovPropertyHelper::TovPropertyHelper(const QString &name, TovVarType typ, const QString &typeName,
                                     const QMetaObject *classRef, bool isPublished)
    : TovCustomHelper(name, typ, typeName), ClassRef(classRef), IsPublished(isPublished)
{
}

const TvdPropInfo *TovPropertyHelper::published(const QObject *obj)
{
    // Property lists live as long as the process: the last lookup stays valid.
    const QMetaObject *meta = obj->metaObject();
    if (meta != m_cacheMeta) {
        m_cacheInfo = vdFindProperty(meta, Name());
        m_cacheMeta = meta;
    }
    return m_cacheInfo;
}

Variant TovPropertyHelper::GetValue()
{
    Variant result = Variant::null();
    QObject *obj = ovValueToObject(ParentValue);
    if (IsPublished) {
        if (obj) {
            if (const TvdPropInfo *info = published(obj))
                result = readPublished(obj, *info);
        }
    } else if (OnGetValue) {
        result = OnGetValue(obj, ClassRef, UpperName());
    } else if (OnGetValueNew) {
        result = OnGetValueNew(obj, ClassRef, UpperName(), this);
    }
    if (Typ == fvtBool && !result.isBool())
        result = Variant(!Variant::equals(result, Variant(0)));
    return result;
}

void TovPropertyHelper::SetValue(const Variant &value)
{
    if (IsReadOnly)
        return;
    QObject *obj = ovValueToObject(ParentValue);
    if (IsPublished) {
        if (!obj)
            throw EovClassError(QStringLiteral("Cannot assign %1 of a nil object").arg(Name()));
        if (const TvdPropInfo *info = published(obj))
            writePublished(obj, *info, Typ, value);
    } else if (OnSetValue) {
        OnSetValue(obj, ClassRef, UpperName(), value);
    } else if (OnSetValueNew) {
        OnSetValueNew(obj, ClassRef, UpperName(), value, this);
    }
}

// ---------------------------------------------------------------------------
TovMethodHelper::TovMethodHelper(const QString &syntax, TovScript *script)
    : TovCustomHelper(QString(), fvtVariant, QString()), Syntax(syntax)
{
    const TovMethodDecl decl = ovParseMethodSyntax(syntax, script);
    m_name = decl.Name;
    m_upperName = decl.Name.toUpper();
    IsMacro = decl.IsMacro;
    if (decl.IsFunc) {
        Typ = decl.Typ;
        TypeName = decl.TypeName;
    }
    for (const TovParamDecl &p : decl.Params) {
        auto *param = new TovParamItem(p.Name, p.Typ, p.TypeName, p.IsOptional, p.IsVarParam);
        param->DefValue = p.DefValue;
        Add(param);
    }
}

QObject *TovMethodHelper::instance(const QMetaObject **classType) const
{
    *classType = ClassRef;
    // A constructor after a class name: the host creates an object of that very class.
    if (Typ == fvtConstructor && ParentRef && ParentRef->AsClass()) {
        *classType = ParentRef->HostClass();
        if (ParentValue.isEmptyOrNull())
            return nullptr;
    }
    return ovValueToObject(ParentValue);
}

Variant TovMethodHelper::GetValue()
{
    const QMetaObject *cls = nullptr;
    QObject *obj = instance(&cls);
    const QString name = IndexMethod ? UpperName() + QLatin1String(".GET") : UpperName();
    if (OnCall) {
        const int n = ParamCount();
        Variant args = Variant::createArray({0, n - 1}, varVariant);
        for (int i = 0; i < n; ++i)
            args.arraySet(i, GetParam(i)->Value());
        const Variant result = OnCall(obj, cls, name, args);
        for (int i = 0; i < n; ++i)
            if (GetParam(i)->IsVarParam && args.isArray() && i <= args.arrayHighBound(1))
                GetParam(i)->SetValue(args.arrayGet(i));
        adoptConstructed(obj, result);
        return result;
    }
    if (OnCallNew) {
        const Variant result = OnCallNew(obj, cls, name, const_cast<TovMethodHelper *>(this));
        adoptConstructed(obj, result);
        return result;
    }
    return Variant(0);
}

void TovMethodHelper::adoptConstructed(const QObject *instance, const Variant &result) const
{
    // A constructor run on a class (not on an instance) made a new object.
    if (Typ == fvtConstructor && !instance && Prog && result.isObject())
        if (QObject *made = result.object())
            Prog->AdoptCreated(made);
}

void TovMethodHelper::SetValue(const Variant &value)
{
    if (!IndexMethod || IsReadOnly)
        return;
    const QMetaObject *cls = nullptr;
    QObject *obj = instance(&cls);
    const QString name = UpperName() + QLatin1String(".SET");
    if (OnCall) {
        const int n = ParamCount();
        Variant args = Variant::createArray({0, n}, varVariant);
        for (int i = 0; i < n; ++i)
            args.arraySet(i, GetParam(i)->Value());
        args.arraySet(n, value);
        OnCall(obj, cls, name, args);
    } else if (OnCallNew) {
        m_pending = value;
        try {
            OnCallNew(obj, cls, name, this);
        } catch (...) {
            m_pending = Variant::null();
            throw;
        }
        m_pending = Variant::null();
    }
}

Variant TovMethodHelper::GetVParam(int index) const
{
    if (index == ParamCount())
        return m_pending;
    if (index < 0 || index > ParamCount())
        throw EovRunError(QStringLiteral("Parameter index out of range: %1").arg(index));
    return GetParam(index)->Value();
}

void TovMethodHelper::SetVParam(int index, const Variant &value)
{
    if (index < 0 || index >= ParamCount())
        throw EovRunError(QStringLiteral("Parameter index out of range: %1").arg(index));
    GetParam(index)->SetValue(value);
}

// ---------------------------------------------------------------------------
TovComponentHelper::TovComponentHelper(const QString &name, const QString &className)
    : TovCustomHelper(name, fvtClass, className)
{
}

Variant TovComponentHelper::GetValue()
{
    if (auto *owner = qobject_cast<TvdComponent *>(ovValueToObject(ParentValue)))
        if (TvdComponent *c = owner->FindComponent(Name()))
            return Variant::fromObject(c);
    throw EovClassError(fmtS(SComponentNotFound, Name()));
}

void TovComponentHelper::SetValue(const Variant &)
{
    throw EovClassError(fmtS(SCantAssignComponentField, Name()));
}

// ---------------------------------------------------------------------------
TovCustomEvent::TovCustomEvent(QObject *instance, TovProcVariable *handler)
    : m_instance(instance), m_handler(handler), m_self(std::make_shared<TovCustomEvent *>(this))
{
}

TovCustomEvent::~TovCustomEvent()
{
    *m_self = nullptr;
    QObject::disconnect(m_destroyed);
    // The host must not keep calling into a freed adapter.
    if (auto *host = dynamic_cast<IovEventHost *>(m_instance.data()); host && !m_eventName.isEmpty())
        host->SetScriptEvent(m_eventName, TovEventMethod());
}

void TovCustomEvent::attach(TovScript *owner, const QString &eventName)
{
    m_owner = owner;
    m_eventName = eventName;
    if (m_instance) {
        // The control went away: the adapter has nothing left to serve.
        m_destroyed = QObject::connect(m_instance.data(), &QObject::destroyed, [this] {
            m_instance.clear();
            if (m_owner)
                m_owner->Remove(this);
            delete this;
        });
    }
}

TovEventMethod TovCustomEvent::GetMethod()
{
    std::weak_ptr<TovCustomEvent *> self = m_self;
    return [self](QList<Variant> &args) {
        if (auto p = self.lock(); p && *p)
            (*p)->InvokeHandler(args);
    };
}

bool TovCustomEvent::handlerAlive() const
{
    if (!m_owner)
        return m_handler != nullptr;
    for (int i = 0; i < m_owner->Count(); ++i)
        if (m_owner->Items(i) == m_handler)
            return true;
    return false;
}

namespace {
// What a handler parameter the event does not pass holds on every call.
Variant emptyParamValue(TovVarType typ)
{
    switch (typ) {
    case fvtInt:
    case fvtEnum:
    case fvtClass:  // nil
        return Variant(0);
    case fvtInt64:
        return Variant::fromInt64(0);
    case fvtFloat:
        return Variant(0.0);
    case fvtBool:
        return Variant(false);
    case fvtChar:
    case fvtString:
        return Variant(QString());
    default:
        return Variant::null();
    }
}
} // namespace

void TovCustomEvent::InvokeHandler(QList<Variant> &args)
{
    TovProcVariable *h = m_handler;
    // The procedure was removed from its program: nothing is left to call.
    if (!h || !handlerAlive()) {
        m_handler = nullptr;
        if (auto *host = dynamic_cast<IovEventHost *>(m_instance.data()); host && !m_eventName.isEmpty())
            host->SetScriptEvent(m_eventName, TovEventMethod());
        return;
    }
    const int snapshot = h->Executing() ? h->SaveLocalVariables() : -1;
    try {
        for (int i = 0; i < h->ParamCount(); ++i) {
            TovParamItem *p = h->GetParam(i);
            // Parameters beyond the event's own start afresh (their default, else
            // empty), never with the last call's values.
            if (i < args.size())
                p->SetValue(args[i]);
            else
                p->SetValue(p->IsOptional ? p->DefValue : emptyParamValue(p->Typ));
        }
        h->GetValue();
        // A handler that forgot "var" still answers through the parameter.
        for (int i = 0; i < h->ParamCount() && i < args.size(); ++i)
            if (h->GetParam(i)->IsVarParam || TakesBack(i))
                args[i] = h->GetParam(i)->Value();
    } catch (...) {
        h->RestoreLocalVariables(snapshot, true, nullptr);
        throw;
    }
    h->RestoreLocalVariables(snapshot, true, nullptr);
}

// ---------------------------------------------------------------------------
TovEventHelper::TovEventHelper(const QString &name, const QMetaObject *classRef, TovEventClass eventClass)
    : TovCustomHelper(name, fvtString, QString()), ClassRef(classRef), EventClass(std::move(eventClass))
{
}

Variant TovEventHelper::GetValue()
{
    return Variant(QString());
}

void TovEventHelper::SetValue(const Variant &value)
{
    QObject *obj = ovValueToObject(ParentValue);
    auto *host = dynamic_cast<IovEventHost *>(obj);
    if (!host)
        throw EovClassError(QStringLiteral("Object has no event %1").arg(Name()));
    const QString text = value.isEmptyOrNull() ? QStringLiteral("0") : value.toString();

    // One adapter per object and event: the previous one goes (and detaches).
    TovScript *owner = Prog;
    for (TovScript *p = Prog; p; p = p->Parent())
        for (int i = p->Count() - 1; i >= 0; --i)
            if (auto *old = dynamic_cast<TovCustomEvent *>(p->Items(i));
                old && old->Instance() == obj && old->EventName() == UpperName()) {
                p->Remove(old);
                delete old;  // clears the host's handler
            }

    if (text == QLatin1String("0")) {
        host->SetScriptEvent(UpperName(), TovEventMethod());
        return;
    }
    auto *proc = dynamic_cast<TovProcVariable *>(Prog ? Prog->Find(text) : nullptr);
    if (!proc)
        throw EovClassError(SEventError);
    // The adapter lives in the program that holds the procedure, so the two go together.
    for (TovScript *p = Prog; p; p = p->Parent())
        if (p->FindLocal(text) == proc) {
            owner = p;
            break;
        }
    TovCustomEvent *adapter = EventClass ? EventClass(obj, proc) : new TovCustomEvent(obj, proc);
    owner->Add(QString(), adapter);
    adapter->attach(owner, UpperName());
    if (!host->SetScriptEvent(UpperName(), adapter->GetMethod())) {
        delete adapter;
        throw EovClassError(QStringLiteral("Object has no event %1").arg(Name()));
    }
}

// ---------------------------------------------------------------------------
TovArrayHelper::TovArrayHelper(const QString &name, int dimCount, TovVarType typ, const QString &typeName)
    : TovCustomHelper(name, typ, typeName)
{
    if (dimCount == -1) {
        Add(new TovParamItem(QString(), fvtInt, QString(), false, false));
        Add(new TovParamItem(QString(), fvtInt, QString(), true, false));
        Add(new TovParamItem(QString(), fvtInt, QString(), true, false));
    } else {
        for (int i = 0; i < dimCount; ++i)
            Add(new TovParamItem(QString(), fvtInt, QString(), false, false));
    }
}

int TovArrayHelper::indexes(int *out, int dims) const
{
    // Only as many indexes as the value has dimensions: optional ones stay unread.
    const int n = std::min({ParamCount(), 3, dims});
    for (int i = 0; i < n; ++i)
        out[i] = GetParam(i)->Value().toInt();
    return n;
}

Variant TovArrayHelper::GetValue()
{
    const Variant arr = ParentValue.isArray() ? ParentValue : ParentRef ? *ParentRef->PValue() : Variant::null();
    if (!arr.isArray())
        return Variant::null();
    const int dims = arr.arrayDimCount();
    if (dims < 1 || dims > 3)
        return Variant::null();
    int idx[3];
    if (indexes(idx, dims) != dims)
        throw EovRunError(QStringLiteral("Wrong number of array indexes"));
    return arr.arrayGet(std::span<const int>(idx, size_t(dims)));
}

void TovArrayHelper::SetValue(const Variant &value)
{
    if (!ParentRef)
        return;
    Variant *arr = ParentRef->PValue();
    if (!arr->isArray())
        return;
    const int dims = arr->arrayDimCount();
    if (dims < 1 || dims > 3)
        return;
    int idx[3];
    if (indexes(idx, dims) != dims)
        throw EovRunError(QStringLiteral("Wrong number of array indexes"));
    arr->arraySet(std::span<const int>(idx, size_t(dims)), value);
}

// ---------------------------------------------------------------------------
TovStringHelper::TovStringHelper() : TovCustomHelper(QStringLiteral("__StringHelper"), fvtChar, QString())
{
    Add(new TovParamItem(QString(), fvtInt, QString(), false, false));
}

namespace {
qsizetype checkedCharIndex(const QString &s, const Variant &index)
{
    const qint64 i = index.toInt64();
    if (i < 1 || i > s.size())
        throw EovRunError(QStringLiteral("String index out of range: %1").arg(i));
    return qsizetype(i - 1);
}
} // namespace

Variant TovStringHelper::GetValue()
{
    const QString s = ParentValue.toString();
    return Variant(QString(s.at(checkedCharIndex(s, GetParam(0)->Value()))));
}

void TovStringHelper::SetValue(const Variant &value)
{
    QString s = ParentValue.toString();
    const qsizetype i = checkedCharIndex(s, GetParam(0)->Value());
    const QString v = value.toString();
    if (!v.isEmpty())
        s[i] = v.at(0);
    if (ParentRef)
        ParentRef->SetValue(Variant(s));
}

// ---------------------------------------------------------------------------
TovClassVariable::TovClassVariable(const QMetaObject *aClass, const QString &ancestor, TovScript *program)
    : TovCustomVariable(QString::fromLatin1(aClass->className()), fvtClass, QString::fromLatin1(aClass->className())),
      Ancestor(ancestor), ClassRef(aClass), m_program(program)
{
    addPublished();
    Add(new TovParamItem(QString(), fvtVariant, QString(), true, false));
}

TovClassVariable::~TovClassVariable()
{
    for (TovCustomHelper *m : m_members)
        delete m;
}

void TovClassVariable::addPublished()
{
    QList<const TvdPropInfo *> props;
    for (const TvdPropInfo &info : vdPublishedProperties(ClassRef))
        props.append(&info);
    std::stable_sort(props.begin(), props.end(), [](const TvdPropInfo *a, const TvdPropInfo *b) {
        return QLatin1String(a->name()).compare(QLatin1String(b->name()), Qt::CaseInsensitive) < 0;
    });
    for (const TvdPropInfo *info : props) {
        QString typeName;
        const TovVarType typ = propVarType(*info, typeName);
        auto *p = new TovPropertyHelper(QString::fromLatin1(info->name()), typ, typeName, ClassRef, true);
        p->IsReadOnly = !info->prop.isWritable();
        m_members.push_back(p);
    }
}

Variant TovClassVariable::GetValue()
{
    TovParamItem *cast = GetParam(0);
    const Variant v = cast->Value();
    cast->SetValue(Variant::null());
    if (!v.isNull()) {
        // A typecast passes objects unchanged; numbers cannot become objects.
        QObject *obj = ovValueToObject(v);
        return obj ? v : Variant::null();
    }
    // Not constructed yet: the constructor member of the next step makes the object.
    return Variant::null();
}

TovMethodHelper *TovClassVariable::addMethod(const QString &syntax)
{
    auto *m = new TovMethodHelper(syntax, m_program);
    m->ClassRef = ClassRef;
    m_members.push_back(m);
    return m;
}

TovMethodHelper *TovClassVariable::AddMethod(const QString &syntax, TovCallMethodEvent callEvent)
{
    TovMethodHelper *m = addMethod(syntax);
    m->OnCall = std::move(callEvent);
    return m;
}

TovMethodHelper *TovClassVariable::AddMethod(const QString &syntax, TovCallMethodNewEvent callEvent)
{
    TovMethodHelper *m = addMethod(syntax);
    m->OnCallNew = std::move(callEvent);
    return m;
}

namespace {
QString constructorSyntax(const QString &syntax)
{
    const QString s = syntax.trimmed();
    qsizetype i = 0;
    while (i < s.size() && !s.at(i).isSpace())
        ++i;
    return QStringLiteral("function") + s.mid(i) + QStringLiteral(": Constructor");
}
} // namespace

TovMethodHelper *TovClassVariable::AddConstructor(const QString &syntax, TovCallMethodEvent callEvent)
{
    TovMethodHelper *m = AddMethod(constructorSyntax(syntax), std::move(callEvent));
    m->Typ = fvtConstructor;
    return m;
}

TovMethodHelper *TovClassVariable::AddConstructor(const QString &syntax, TovCallMethodNewEvent callEvent)
{
    TovMethodHelper *m = AddMethod(constructorSyntax(syntax), std::move(callEvent));
    m->Typ = fvtConstructor;
    return m;
}

TovPropertyHelper *TovClassVariable::AddProperty(const QString &name, const QString &typ, TovGetValueEvent getEvent,
                                                 TovSetValueEvent setEvent)
{
    auto *p = new TovPropertyHelper(name, ovStrToVarType(typ, m_program), typ, ClassRef, false);
    p->IsReadOnly = !setEvent;
    p->OnGetValue = std::move(getEvent);
    p->OnSetValue = std::move(setEvent);
    m_members.push_back(p);
    return p;
}

TovPropertyHelper *TovClassVariable::AddPropertyEx(const QString &name, const QString &typ,
                                                   TovGetValueNewEvent getEvent, TovSetValueNewEvent setEvent)
{
    auto *p = new TovPropertyHelper(name, ovStrToVarType(typ, m_program), typ, ClassRef, false);
    p->IsReadOnly = !setEvent;
    p->OnGetValueNew = std::move(getEvent);
    p->OnSetValueNew = std::move(setEvent);
    m_members.push_back(p);
    return p;
}

TovMethodHelper *TovClassVariable::addIndex(const QString &name, const QString &params, const QString &typ,
                                            bool readOnly)
{
    QStringList parts;
    const QStringList types = params.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (int i = 0; i < types.size(); ++i)
        parts.append(QStringLiteral("p%1: %2").arg(i).arg(types.at(i).trimmed()));
    TovMethodHelper *m =
        addMethod(QStringLiteral("function ") + name + QLatin1Char('(') + parts.join(QLatin1String("; ")) + QStringLiteral("): ") + typ);
    m->IndexMethod = true;
    m->IsReadOnly = readOnly;
    return m;
}

TovMethodHelper *TovClassVariable::AddIndexProperty(const QString &name, const QString &params, const QString &typ,
                                                    TovCallMethodEvent callEvent, bool readOnly)
{
    TovMethodHelper *m = addIndex(name, params, typ, readOnly);
    m->OnCall = std::move(callEvent);
    return m;
}

TovMethodHelper *TovClassVariable::AddIndexProperty(const QString &name, const QString &params, const QString &typ,
                                                    TovCallMethodNewEvent callEvent, bool readOnly)
{
    TovMethodHelper *m = addIndex(name, params, typ, readOnly);
    m->OnCallNew = std::move(callEvent);
    return m;
}

TovMethodHelper *TovClassVariable::AddDefaultProperty(const QString &name, const QString &params, const QString &typ,
                                                      TovCallMethodEvent callEvent, bool readOnly)
{
    DefProperty = AddIndexProperty(name, params, typ, std::move(callEvent), readOnly);
    return DefProperty;
}

TovMethodHelper *TovClassVariable::AddDefaultProperty(const QString &name, const QString &params, const QString &typ,
                                                      TovCallMethodNewEvent callEvent, bool readOnly)
{
    DefProperty = AddIndexProperty(name, params, typ, std::move(callEvent), readOnly);
    return DefProperty;
}

TovEventHelper *TovClassVariable::AddEvent(const QString &name, TovEventClass eventClass)
{
    auto *e = new TovEventHelper(name, ClassRef, std::move(eventClass));
    m_members.push_back(e);
    return e;
}

TovComponentHelper *TovClassVariable::AddComponent(TvdComponent *component)
{
    const QString name = component->Name();
    for (TovCustomHelper *m : m_members)
        if (m->Name().compare(name, Qt::CaseInsensitive) == 0)
            return dynamic_cast<TovComponentHelper *>(m);
    auto *c = new TovComponentHelper(name, component->ClassName());
    m_members.push_back(c);
    return c;
}

TovCustomHelper *TovClassVariable::Find(const QString &name, bool includeComponentHelper) const
{
    const TovClassVariable *cls = this;
    // The ancestor chain is finite unless a registration loops; stop then.
    for (int depth = 0; cls && depth < 256; ++depth) {
        for (TovCustomHelper *m : cls->m_members)
            if (m->Name().compare(name, Qt::CaseInsensitive) == 0) {
                if (!includeComponentHelper && dynamic_cast<TovComponentHelper *>(m))
                    return nullptr;
                return m;
            }
        if (cls->Ancestor.isEmpty() || !cls->m_program)
            break;
        cls = cls->m_program->FindClass(cls->Ancestor);
    }
    return nullptr;
}
