// Host classes as scripts see them: a class item per registered host class and
// the member helpers that read and write properties, call methods, reach owned
// components, attach script procedures to events and index strings and arrays.
#pragma once
#include "script/ov_iinterpreter.h"

#include <QPointer>

class TvdComponent;
class TovPropertyHelper;
class TovCustomEvent;

// Host property callbacks; the property name arrives in upper case.
using TovGetValueEvent = std::function<Variant(QObject *instance, const QMetaObject *classType, const QString &propName)>;
using TovSetValueEvent =
    std::function<void(QObject *instance, const QMetaObject *classType, const QString &propName, const Variant &value)>;
using TovGetValueNewEvent = std::function<Variant(QObject *instance, const QMetaObject *classType,
                                                  const QString &propName, TovPropertyHelper *caller)>;
using TovSetValueNewEvent = std::function<void(QObject *instance, const QMetaObject *classType,
                                               const QString &propName, const Variant &value, TovPropertyHelper *caller)>;

// Misuse of host objects: a value that is no object where one is needed, a
// component name not found, freeing an object that something else owns.
VD_DECLARE_EXCEPTION(EovClassError, Exception)

// The object a value refers to: null for Null, Empty and 0; raises
// EovClassError for anything else that is not an object, and the variant
// error when the object is gone.
QObject *ovValueToObject(const Variant &value);

// ---------------------------------------------------------------------------
// Base of every member helper.
class TovCustomHelper : public TovCustomVariable {
public:
    using TovCustomVariable::TovCustomVariable;
    bool IsHelper() const override { return true; }
    void SetHelperContext(TovCustomVariable *parentRef, const Variant &parentValue, TovScript *prog) override;

    TovCustomVariable *ParentRef = nullptr;
    Variant ParentValue;
    TovScript *Prog = nullptr;
};

// A property of a host class: published (read through the class's Qt
// properties) or served by host callbacks.
class TovPropertyHelper : public TovCustomHelper {
public:
    TovPropertyHelper(const QString &name, TovVarType typ, const QString &typeName, const QMetaObject *classRef,
                      bool isPublished);
    void SetValue(const Variant &value) override;
    Variant GetValue() override;

    const QMetaObject *ClassRef;
    bool IsPublished;
    TovGetValueEvent OnGetValue;
    TovSetValueEvent OnSetValue;
    TovGetValueNewEvent OnGetValueNew;
    TovSetValueNewEvent OnSetValueNew;

private:
    const struct TvdPropInfo *published(const QObject *obj);
    const QMetaObject *m_cacheMeta = nullptr;
    const struct TvdPropInfo *m_cacheInfo = nullptr;
};

// A method, a global function, a constructor or an indexed property.
class TovMethodHelper : public TovCustomHelper {
public:
    TovMethodHelper(const QString &syntax, TovScript *script);
    void SetValue(const Variant &value) override;
    Variant GetValue() override;

    // Argument i; for i equal to the parameter count the value being assigned
    // to an indexed property.
    Variant GetVParam(int index) const;
    void SetVParam(int index, const Variant &value);

    QString Syntax;
    QString Category;
    QString Description;
    const QMetaObject *ClassRef = nullptr;
    bool IndexMethod = false;
    TovCallMethodEvent OnCall;
    TovCallMethodNewEvent OnCallNew;

private:
    QObject *instance(const QMetaObject **classType) const;
    void adoptConstructed(const QObject *instance, const Variant &result) const;
    Variant m_pending = Variant::null();
};

// A component owned by a form or data module, reached by name.
class TovComponentHelper : public TovCustomHelper {
public:
    TovComponentHelper(const QString &name, const QString &className);
    void SetValue(const Variant &value) override;
    Variant GetValue() override;
};

// Host objects whose events scripts may handle. The host calls the handler
// with the event's own arguments; handlers write var arguments back in place.
using TovEventMethod = std::function<void(QList<Variant> &args)>;
class IovEventHost {
public:
    virtual ~IovEventHost() = default;
    // Sets the event of that name (upper case) to the handler, or to none for
    // an empty one; false when the object has no such event.
    virtual bool SetScriptEvent(const QString &eventName, const TovEventMethod &handler) = 0;
};

// An adapter between a host event and a script procedure. It detaches itself
// from the host when it is freed, and frees itself (through its program) when
// the host object goes, so neither side calls into a freed one.
class TovCustomEvent : public TovObject {
public:
    TovCustomEvent(QObject *instance, TovProcVariable *handler);
    ~TovCustomEvent() override;
    // The entry the host calls, bound to this adapter.
    virtual TovEventMethod GetMethod();
    // Runs the handler with the arguments; the arguments the event takes back
    // (and those of var parameters) are copied back from the parameters.
    void InvokeHandler(QList<Variant> &args);
    // Whether the event reads argument `index` back after the call, whatever
    // the handler declared: the host's var arguments.
    virtual bool TakesBack(int index) const
    {
        Q_UNUSED(index)
        return false;
    }

    QObject *Instance() const { return m_instance.data(); }
    TovProcVariable *Handler() const { return m_handler; }
    const QString &EventName() const { return m_eventName; }

private:
    friend class TovEventHelper;
    void attach(TovScript *owner, const QString &eventName);
    bool handlerAlive() const;
    QPointer<QObject> m_instance;
    TovProcVariable *m_handler;
    TovScript *m_owner = nullptr;
    QString m_eventName;
    QMetaObject::Connection m_destroyed;
    // Shared with the host's handler so a late call after freeing does nothing.
    std::shared_ptr<TovCustomEvent *> m_self;
};

// Creates the adapter for one event property.
using TovEventClass = std::function<TovCustomEvent *(QObject *instance, TovProcVariable *handler)>;

// An event property of a host class: writing a procedure name attaches it.
class TovEventHelper : public TovCustomHelper {
public:
    TovEventHelper(const QString &name, const QMetaObject *classRef, TovEventClass eventClass);
    void SetValue(const Variant &value) override;
    Variant GetValue() override;

    const QMetaObject *ClassRef;
    TovEventClass EventClass;
};

// Element access of a variant array value; its parameters are the indexes.
// DimCount -1 gives one required and two optional indexes.
class TovArrayHelper : public TovCustomHelper {
public:
    TovArrayHelper(const QString &name, int dimCount, TovVarType typ, const QString &typeName);
    void SetValue(const Variant &value) override;
    Variant GetValue() override;

private:
    int indexes(int *out, int dims) const;
};

// Character access of a text value ("__StringHelper").
class TovStringHelper : public TovCustomHelper {
public:
    TovStringHelper();
    void SetValue(const Variant &value) override;
    Variant GetValue() override;
};

// ---------------------------------------------------------------------------
// A host class. Its value is the typecast argument when one is given, else
// Null: the constructor member of the next step creates the object.
class TovClassVariable : public TovCustomVariable {
public:
    TovClassVariable(const QMetaObject *aClass, const QString &ancestor, TovScript *program);
    ~TovClassVariable() override;

    TovClassVariable *AsClass() override { return this; }
    const QMetaObject *HostClass() const override { return ClassRef; }
    void SetValue(const Variant &) override {}
    Variant GetValue() override;

    TovMethodHelper *AddMethod(const QString &syntax, TovCallMethodEvent callEvent);
    TovMethodHelper *AddMethod(const QString &syntax, TovCallMethodNewEvent callEvent);
    TovMethodHelper *AddConstructor(const QString &syntax, TovCallMethodEvent callEvent);
    TovMethodHelper *AddConstructor(const QString &syntax, TovCallMethodNewEvent callEvent);
    TovPropertyHelper *AddProperty(const QString &name, const QString &typ, TovGetValueEvent getEvent,
                                   TovSetValueEvent setEvent = nullptr);
    TovPropertyHelper *AddPropertyEx(const QString &name, const QString &typ, TovGetValueNewEvent getEvent,
                                     TovSetValueNewEvent setEvent = nullptr);
    TovMethodHelper *AddIndexProperty(const QString &name, const QString &params, const QString &typ,
                                      TovCallMethodEvent callEvent, bool readOnly = false);
    TovMethodHelper *AddIndexProperty(const QString &name, const QString &params, const QString &typ,
                                      TovCallMethodNewEvent callEvent, bool readOnly = false);
    TovMethodHelper *AddDefaultProperty(const QString &name, const QString &params, const QString &typ,
                                        TovCallMethodEvent callEvent, bool readOnly = false);
    TovMethodHelper *AddDefaultProperty(const QString &name, const QString &params, const QString &typ,
                                        TovCallMethodNewEvent callEvent, bool readOnly = false);
    TovEventHelper *AddEvent(const QString &name, TovEventClass eventClass);
    TovComponentHelper *AddComponent(TvdComponent *component);

    // The member of that name here or through the ancestors; component members
    // only when asked for.
    TovCustomHelper *Find(const QString &name, bool includeComponentHelper = false) const;
    TovCustomHelper *GetMembers(int index) const { return m_members[size_t(index)]; }
    TovCustomHelper *Members(int index) const { return GetMembers(index); }
    int MembersCount() const { return int(m_members.size()); }

    QString Ancestor;
    const QMetaObject *ClassRef;
    TovMethodHelper *DefProperty = nullptr;
    TovScript *Program() const { return m_program; }

private:
    TovMethodHelper *addMethod(const QString &syntax);
    TovMethodHelper *addIndex(const QString &name, const QString &params, const QString &typ, bool readOnly);
    void addPublished();
    std::vector<TovCustomHelper *> m_members;
    TovScript *m_program;
};

// The name scripts know a host class by: its "ScriptName" class info, else its class name.
QString ovClassScriptName(const QMetaObject *meta);
// The class item of an object's class, or of its nearest registered ancestor.
TovClassVariable *ovFindClassOf(TovScript *prog, const QMetaObject *meta);

// Who frees an object a script creates with a constructor:
// - an owner, when it has one: a component created with (or later given) an
//   owner, a Qt child, an XML item inside another item. The owner frees it.
// - otherwise the script, through Free; ovFreeObject refuses owned objects,
//   so their owner never frees twice.
// - otherwise the program whose constructor created it (the outermost
//   program, for procedures and evaluated expressions): when the program is
//   destroyed it frees, newest first, every such object that is still alive
//   and still has no owner. Clear keeps them (a host may still use them); a
//   host that keeps a script-made object longer than the program gives it an
//   owner.
// Objects the host hands to a script stay the host's.
void ovFreeObject(const Variant &value);
// True when another object frees obj (see above).
bool ovHasOwner(const QObject *obj);
