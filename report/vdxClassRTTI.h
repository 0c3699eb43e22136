// Script bindings of the report model: unit constants, enumerations, the
// report classes with their extra members, vdxGlobalVariables and the date
// and aggregate functions every script sees.
#pragma once
#include "script/ov_iclassesrtti.h"

// The wide string list scripts create and memo lines are handed out as.
class TvdxScriptWideStrings : public TovHostStrings {
    Q_OBJECT
    Q_CLASSINFO("ScriptName", "TWideStrings")
public:
    Q_INVOKABLE TvdxScriptWideStrings() = default;
};

class TvdxPostProcessor;
// What scripts hold for the prepared pages' post-processor (which is no
// object of its own): it lives with the engine that handed it out.
class TvdxScriptPostProcessor : public QObject {
    Q_OBJECT
    Q_CLASSINFO("ScriptName", "TvdxPostProcessor")
public:
    TvdxPostProcessor *PostProcessor = nullptr;
};

// Raised when a script takes an object as a class it is not.
VD_DECLARE_EXCEPTION(EInvalidCast, Exception)

// Adds the report model's module to the process-wide module list, after the
// forms module (once per process).
void vdxRegisterClassRTTI();
