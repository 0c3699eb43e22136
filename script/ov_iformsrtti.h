// Forms binding module and the event adapters that let a script procedure
// stand where a control expects an event handler.
#pragma once
#include "script/ov_iclasses.h"
#include "script/ov_iformsrtti_controls.h"
#include "script/ov_irtti.h"

// Adapters. Each passes the host's arguments to the handler and takes its var
// arguments back in the host's types. Host argument lists, in order:
//   notify      Sender
//   mouse       Sender, Button, Shift, X, Y
//   mouse move  Sender, Shift, X, Y
//   key         Sender, var Key (integer), Shift
//   key press   Sender, var Key (one-character text; empty swallows the key)
//   close       Sender, var Action (integer)
//   close query Sender, var CanClose (Boolean)
//   can resize  Sender, var NewWidth, var NewHeight (integers), var Resize (Boolean)
class TovNotifyEvent : public TovCustomEvent {
public:
    using TovCustomEvent::TovCustomEvent;
};

class TovMouseEvent : public TovCustomEvent {
public:
    using TovCustomEvent::TovCustomEvent;
};

class TovMouseMoveEvent : public TovCustomEvent {
public:
    using TovCustomEvent::TovCustomEvent;
};

class TovKeyEvent : public TovCustomEvent {
public:
    using TovCustomEvent::TovCustomEvent;
    TovEventMethod GetMethod() override;
    bool TakesBack(int index) const override { return index == 1; }
};

class TovKeyPressEvent : public TovCustomEvent {
public:
    using TovCustomEvent::TovCustomEvent;
    TovEventMethod GetMethod() override;
    bool TakesBack(int index) const override { return index == 1; }
};

class TovCloseEvent : public TovCustomEvent {
public:
    using TovCustomEvent::TovCustomEvent;
    TovEventMethod GetMethod() override;
    bool TakesBack(int index) const override { return index == 1; }
};

class TovCloseQueryEvent : public TovCustomEvent {
public:
    using TovCustomEvent::TovCustomEvent;
    TovEventMethod GetMethod() override;
    bool TakesBack(int index) const override { return index == 1; }
};

class TovCanResizeEvent : public TovCustomEvent {
public:
    using TovCustomEvent::TovCustomEvent;
    TovEventMethod GetMethod() override;
    bool TakesBack(int index) const override { return index >= 1 && index <= 3; }
};

// The adapter class for an event member: TovEventClass of T.
template <class T>
TovEventClass ovEventClass()
{
    return [](QObject *instance, TovProcVariable *handler) -> TovCustomEvent * { return new T(instance, handler); };
}

// The forms module.
class TovFormsFunctions : public TovRTTIModule {
public:
    explicit TovFormsFunctions(TovScript *aScript);
    static Variant CallMethod(QObject *instance, const QMetaObject *classType, const QString &methodName,
                              TovMethodHelper *caller);
    static Variant GetProp(QObject *instance, const QMetaObject *classType, const QString &propName);
    static void SetProp(QObject *instance, const QMetaObject *classType, const QString &propName, const Variant &value);
};

// Placeholder a host may place on a form to pull the forms bindings in.
class TovFormsRTTI : public TvdComponent {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TovFormsRTTI(TvdComponent *owner = nullptr) : TvdComponent(owner) {}
};
