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

// A string list a script holds for a list that the host keeps elsewhere:
// every change is written back at once.
class TvdxScriptLinkedStrings : public TovHostStrings {
    Q_OBJECT
    Q_CLASSINFO("ScriptName", "TStrings")
public:
    explicit TvdxScriptLinkedStrings(QStringList *target);
    // Takes the host's lines again (they may have changed meanwhile).
    void Refresh();

    void SetStrings(int index, const QString &s) override;
    void InsertObject(int index, const QString &s, QObject *obj) override;
    void Clear() override;
    void Delete(int index) override;
    void Move(int curIndex, int newIndex) override;

protected:
    void replaceAll(const QStringList &lines) override;

private:
    void writeBack() { *m_target = m_lines; }
    QStringList *m_target;
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
