// Binding modules: the base of every module that registers host vocabulary
// into a script, and the process-wide list of module classes that AddRTTI
// instantiates, in list order.
#pragma once
#include "script/ov_iinterpreter.h"

// A binding module; its constructor registers into the script it is given.
class TovRTTIModule : public TovObject {
public:
    explicit TovRTTIModule(TovScript *aScript) : Script(aScript) {}
    TovScript *Script;
};

using TovRTTIModuleClass = TovScript::ModuleFactory;

// The module class list; on first call the system functions go first.
QList<TovRTTIModuleClass> &ovRTTIModuleClasses();

// Appends a module class (binding units call this once at start-up).
template <class T>
void ovRegisterRTTIModule()
{
    ovRTTIModuleClasses().append([](TovScript *script) -> TovObject * { return new T(script); });
}
