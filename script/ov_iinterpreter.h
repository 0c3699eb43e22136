// Script program objects: the program (TovScript), its items (variables,
// constants, types, parameters, procedures), designators, set expressions and
// the statement tree that the main block and every procedure compile to.
#pragma once
#include "core/vdPersistent.h"
#include "core/vdVariant.h"
#include "script/ov_iilparser.h"
#include "script/ov_itools.h"

#include <QPointer>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class QIODevice;
class TovScript;
class TovStatement;
class TovParamItem;
class TovClassVariable;
class TovMethodHelper;
class TovCustomExpression;
class TovXMLItem;
class TovLeanCode;

// Owner marks stamped on items (AddedBy): 0 none, 1 binding modules, 2 report
// functions, otherwise the address of the registering object.
using TovAddedBy = quintptr;
inline TovAddedBy ovOwnerMark(const void *owner) { return reinterpret_cast<quintptr>(owner); }
constexpr TovAddedBy ovAddedByModules = 1;
constexpr TovAddedBy ovAddedByReport = 2;

// Host hooks.
using TovGetVariableValueEvent = std::function<Variant(const QString &varName, TovVarType varTyp, const Variant &oldValue)>;
using TovRunLineEvent = std::function<void(TovScript *sender, const QString &unitName, const QString &sourcePos)>;
using TovGetUnitEvent = TovILProgram::GetUnitEvent;
// Host functions and methods. Instance is null for global functions and for
// members called on Null; the method name arrives in upper case.
using TovCallMethodEvent =
    std::function<Variant(QObject *instance, const QMetaObject *classType, const QString &methodName, Variant &params)>;
using TovCallMethodNewEvent =
    std::function<Variant(QObject *instance, const QMetaObject *classType, const QString &methodName, TovMethodHelper *caller)>;

// Raised when script procedures nest deeper than the call-depth limit.
VD_DECLARE_EXCEPTION(EovStackOverflow, Exception)
// Raised for run-time misuse inside the engine (bad index, bad argument count).
VD_DECLARE_EXCEPTION(EovRunError, Exception)

// Root of everything a program or an item list may own.
class TovObject {
public:
    virtual ~TovObject() = default;
};

// ---------------------------------------------------------------------------
// An owned list of objects.
class TovItemList : public TovObject {
public:
    TovItemList() = default;
    ~TovItemList() override;
    TovItemList(const TovItemList &) = delete;
    TovItemList &operator=(const TovItemList &) = delete;

    // Frees and removes all entries.
    virtual void Clear();
    int Count() const { return int(m_items.size()); }
    void Add(TovObject *item) { m_items.push_back(item); }
    void Insert(int index, TovObject *item) { m_items.insert(m_items.begin() + index, item); }
    // Takes the entry out without freeing it.
    void Remove(TovObject *item);
    TovObject *At(int index) const { return m_items[size_t(index)]; }

protected:
    std::vector<TovObject *> m_items;
};

// ---------------------------------------------------------------------------
// Every named item. Its list holds its parameters (TovParamItem).
class TovCustomVariable : public TovItemList {
public:
    TovCustomVariable(const QString &name, TovVarType typ, const QString &typeName);

    // The write and read sides of Value.
    virtual void SetValue(const Variant &value);
    virtual Variant GetValue();
    Variant Value() { return GetValue(); }

    TovParamItem *GetParam(int index) const;
    TovParamItem *Params(int index) const { return GetParam(index); }
    int ParamCount() const { return Count(); }
    int GetNumberOfRequiredParams() const;
    // "Integer", "Boolean", "Extended", "Char", "String", "Array", "Int64", the
    // type name for classes and enumerations, "Variant" for the rest.
    QString GetFullTypeName() const;

    const QString &Name() const { return m_name; }
    // The name in upper case, as host callbacks receive it.
    const QString &UpperName() const { return m_upperName; }
    // Direct access to the stored value.
    Variant *PValue() { return &m_value; }

    // Hooks for the host-class items: a class item answers itself and its host
    // class; a member helper takes the previous step, the value it applies to
    // and the program of the designator that uses it.
    virtual TovClassVariable *AsClass() { return nullptr; }
    virtual const QMetaObject *HostClass() const { return nullptr; }
    virtual bool IsHelper() const { return false; }
    virtual void SetHelperContext(TovCustomVariable *parentRef, const Variant &parentValue, TovScript *prog);

    // The stored value without conversion or host hook (snapshots of locals).
    virtual Variant RawValue() const { return m_value; }
    virtual void SetRawValue(const Variant &value) { m_value = value; }

    // What the item is, for the run-time walk (no casts in the hot path).
    enum TovItemKind : quint8 { ikOther, ikVariable, ikParam, ikProc, ikDesignator, ikExpression };
    TovItemKind ItemKind() const { return m_itemKind; }

    TovAddedBy AddedBy = 0;
    bool IsMacro = false;
    bool IsReadOnly = false;
    bool NeedResult = true;
    TovCustomVariable *RefItem = nullptr;
    QString SourcePos;
    QString SourceUnit;
    TovVarType Typ;
    QString TypeName;
    TovGetVariableValueEvent OnGetVarValue;

protected:
    QString m_name;
    QString m_upperName;
    Variant m_value;
    TovItemKind m_itemKind = ikOther;
};

// A variable or constant: writing converts by the declared type, reading asks
// the host hook first.
class TovVariable : public TovCustomVariable {
public:
    using TovCustomVariable::TovCustomVariable;
    void SetValue(const Variant &value) override;
    Variant GetValue() override;
    // Stores without conversion or read-only test (loop counters).
    void StoreRaw(const Variant &value) { m_value = value; }
    // The value converted as writing by type would, without storing it.
    Variant Coerce(const Variant &value) const;
};

// A Char or String variable, held as native text.
class TovStringVariable : public TovVariable {
public:
    TovStringVariable(const QString &name, TovVarType typ, const QString &typeName);
    void SetValue(const Variant &value) override;
    Variant GetValue() override;
    Variant RawValue() const override { return Variant(m_text); }
    void SetRawValue(const Variant &value) override { m_text = value.isString() ? value.rawString() : VarToStr(value); }
    const QString &Text() const { return m_text; }
    QString &MutableText() { return m_text; }
    // 1-based character access; raises EovRunError outside 1..length.
    QChar CharAt(qint64 index) const;
    void SetCharAt(qint64 index, QChar c);

private:
    QString m_text;
};

// A type name registered with AddType; only Typ matters.
class TovTypeVariable : public TovCustomVariable {
public:
    using TovCustomVariable::TovCustomVariable;
};

// A declared parameter; its value is the argument of the current call.
class TovParamItem final : public TovCustomVariable {
public:
    TovParamItem(const QString &name, TovVarType typ, const QString &typeName, bool isOptional, bool isVarParam);
    Variant DefValue = Variant::null();
    bool IsOptional;
    bool IsVarParam;
};

// The caller's locals during a re-entrant call, kept in the calling C++
// frame: the common small procedure saves and restores them without the
// snapshot stack. Holds nothing when the procedure has more locals than fit
// or passes parameters by reference (the snapshot stack serves those).
class TovCallFrame {
public:
    static constexpr int Capacity = 8;
    TovCallFrame() = default;
    TovCallFrame(const TovCallFrame &) = delete;
    TovCallFrame &operator=(const TovCallFrame &) = delete;
    ~TovCallFrame() { clear(); }
    bool Holds() const { return m_count >= 0; }

private:
    friend class TovProcVariable;
    // Only the slots in use are constructed.
    Variant *storage() { return reinterpret_cast<Variant *>(m_raw); }
    void clear()
    {
        for (int i = 0; i < m_count; ++i)
            storage()[i].~Variant();
        m_count = -1;
    }
    alignas(Variant) unsigned char m_raw[Capacity * sizeof(Variant)];
    int m_count = -1;
};

// A script procedure or function with its own nested program.
class TovProcVariable : public TovCustomVariable {
public:
    TovProcVariable(const QString &name, TovVarType typ, const QString &typeName, TovScript *parent, bool isFunc);
    ~TovProcVariable() override;

    // Reading calls the procedure; assigning does nothing.
    void SetValue(const Variant &) override {}
    Variant GetValue() override;

    bool Executing() const { return m_executing; }
    bool IsFunc() const { return m_isFunc; }
    TovScript *Prog() const { return m_prog; }

    // Snapshot of the locals before a re-entrant call; the index to restore.
    int SaveLocalVariables();
    // Puts a snapshot back (nothing for a negative index). With skipVarParams
    // var parameters keep their current values; with dItem those values are
    // written to dItem's argument expressions.
    void RestoreLocalVariables(int stackIndex, bool skipVarParams, class TovDesignatorItem *dItem);

    // Nested calls deeper than this raise EovStackOverflow.
    static constexpr int MaxCallDepth = 2000;

    // True when the locals went into frame.
    bool SaveLocalsInto(TovCallFrame &frame);
    void RestoreLocalsFrom(TovCallFrame &frame);

    // Any parameter passed by reference.
    bool HasVarParams()
    {
        if (!m_paramsKnown)
            findVarParams();
        return m_hasVarParams;
    }

    // The body in its lean form (locals in a frame of each call), built on
    // the first call; null when the body needs the statement tree.
    TovLeanCode *LeanCode()
    {
        // Not for the first call: a procedure called once (an evaluated
        // expression) is not worth translating.
        if (m_leanState < 2 && ++m_leanState == 2)
            buildLean();
        return m_lean.get();
    }
    // Resets the locals when the main program asks for it (ClearLocalVars).
    void ClearLocals();

private:
    friend class TovLeanCode;
    void buildLean();
    // One saved local: the item, and how its value is stored.
    struct Local {
        TovCustomVariable *item;
        bool text;      // a string variable (value behind RawValue)
        bool varParam;  // a parameter passed by reference
    };
    // Where one snapshot lies in m_saved.
    struct Frame {
        size_t base;
        size_t count;
    };
    void collectLocals();
    void findVarParams();
    void restoreFrame(int stackIndex, bool skipVarParams);
    TovScript *m_prog;
    bool m_isFunc;
    bool m_executing = false;
    // Locals of the nested program, collected on first snapshot.
    std::vector<Local> m_locals;
    int m_localsKnown = -1;
    bool m_hasVarParams = false;
    bool m_paramsKnown = false;
    // The function result's value at the start of a call.
    Variant m_resultInit;
    bool m_resultInitKnown = false;
    // Snapshot stack: the values of all frames end to end, reused between
    // calls so a recursive call allocates nothing once the stack has grown.
    std::vector<Variant> m_saved;
    std::vector<Frame> m_frames;
    int m_depth = 0;
    std::unique_ptr<TovLeanCode> m_lean;
    quint8 m_leanState = 0;  // calls before the translation, up to 2
    // The frame of the innermost lean call while its locals live there (not
    // while they are written out to the items around a call into the tree).
    Variant *m_activeFrame = nullptr;
};

// Base of expressions (TovExpression, ov_iexpression.h).
class TovCustomExpression : public TovCustomVariable {
public:
    TovCustomExpression() : TovCustomVariable(QString(), fvtVariant, QString()) {}
    // The source text of the expression (argument of macro functions).
    QString Source;
};

// ---------------------------------------------------------------------------
// One step of a name chain; its list holds the argument expressions.
class TovDesignatorItem : public TovItemList {
public:
    TovCustomExpression *GetItem(int index) const { return static_cast<TovCustomExpression *>(At(index)); }
    void AddArg(TovCustomExpression *expr) { Add(expr); }
    TovCustomVariable *Ref = nullptr;
    QString SourcePos;
    bool Flag = false;
};

enum TovDesignatorKind { dkOther, dkVariable, dkStringArray, dkArray };

// A chain of designator items, read or written as one value.
class TovDesignator : public TovCustomVariable {
public:
    explicit TovDesignator(TovScript *program);
    ~TovDesignator() override;

    void SetValue(const Variant &value) override;
    Variant GetValue() override;

    // Type, type name, read-only flag and kind from the items.
    void Finalize();
    // Takes over the items, kind and references of another designator.
    void Borrow(TovDesignator *other);
    TovDesignatorItem *GetItem(int index) const { return static_cast<TovDesignatorItem *>(At(index)); }
    TovDesignatorItem *AddItem();

    TovDesignatorKind Kind() const { return m_kind; }
    // The procedure of a one-step script procedure call, else null.
    TovProcVariable *ProcCall() const { return m_call; }
    TovScript *Prog() const { return m_prog; }
    TovScript *MainProgram() const { return m_mainProg; }

    // Chain kept as intermediate text, resolved on first use.
    std::unique_ptr<TovXMLItem> LateBindingXmlSource;
    // Builds a designator from intermediate text for a program (installed by
    // the intermediate-script reader).
    static std::function<TovDesignator *(TovXMLItem *xi, TovScript *prog)> LateBindingResolver;

protected:
    void resolveLateBinding();
    Variant walk(bool writing, const Variant &value);
    // Reads a lone script procedure call without the general walk.
    Variant call();
    TovScript *m_prog;
    TovScript *m_mainProg;
    TovDesignatorKind m_kind = dkOther;
    // Fast-kind references: the variable, and the item holding indexes.
    TovCustomVariable *m_ref1 = nullptr;
    TovDesignatorItem *m_ref2 = nullptr;
    // The procedure of a one-step script procedure call, else null.
    TovProcVariable *m_call = nullptr;
};

// One plain variable.
class TovVariableDesignator : public TovDesignator {
public:
    using TovDesignator::TovDesignator;
    void SetValue(const Variant &value) override;
    Variant GetValue() override;
    TovCustomVariable *Variable() const { return m_ref1; }
};

// One character of a string variable.
class TovStringDesignator : public TovDesignator {
public:
    using TovDesignator::TovDesignator;
    void SetValue(const Variant &value) override;
    Variant GetValue() override;
};

// One element of an array variable.
class TovArrayDesignator : public TovDesignator {
public:
    using TovDesignator::TovDesignator;
    void SetValue(const Variant &value) override;
    Variant GetValue() override;

private:
    int indexes(int *out) const;
};

// Elements of a set constructor or a case label; a null entry between two
// expressions marks a range low..high.
class TovSetExpression : public TovItemList {
public:
    void AddExpression(TovCustomExpression *expr) { Add(expr); }
    void AddRange() { Add(nullptr); }
    TovCustomExpression *GetItem(int index) const { return static_cast<TovCustomExpression *>(At(index)); }
    bool Check(const Variant &value);
    // A variant array of the elements, Null for the range marks.
    Variant Value();
    void Clear() override;
};

// ---------------------------------------------------------------------------
// Statements. The base is also the plain statement list (a block).
class TovStatement : public TovItemList {
public:
    TovStatement(TovScript *program, const QString &unitName, const QString &sourcePos);
    TovStatement *GetItem(int index) const { return static_cast<TovStatement *>(At(index)); }
    void AddStatement(TovStatement *stmt) { Add(stmt); }
    virtual void Execute();

    TovScript *Program() const { return m_program; }
    const QString &SourcePos() const { return m_sourcePos; }
    const QString &UnitName() const { return m_unitName; }

protected:
    // Run-line notification; false when the program is terminated.
    bool notify();
    TovScript *m_program;
    QString m_sourcePos;
    QString m_unitName;
};

class TovAssignmentStmt : public TovStatement {
public:
    using TovStatement::TovStatement;
    ~TovAssignmentStmt() override;
    void Execute() override;
    // Takes ownership of both.
    void SetDesignator(TovDesignator *d) { m_designator = d; }
    void SetExpression(TovCustomExpression *e) { m_expression = e; }
    TovDesignator *Designator() const { return m_designator; }
    TovCustomExpression *Expression() const { return m_expression; }
    // Picks the direct target and source; call once after both are set.
    void Optimize();

protected:
    enum class Op { None, Plus, Minus, Mul, Div };
    void executeOp(Op op);
    TovDesignator *m_designator = nullptr;
    TovCustomExpression *m_expression = nullptr;
    TovCustomVariable *m_target = nullptr;
    TovCustomVariable *m_source = nullptr;
};

class TovAssignPlusStmt : public TovAssignmentStmt {
public:
    using TovAssignmentStmt::TovAssignmentStmt;
    void Execute() override;
};
class TovAssignMinusStmt : public TovAssignmentStmt {
public:
    using TovAssignmentStmt::TovAssignmentStmt;
    void Execute() override;
};
class TovAssignMulStmt : public TovAssignmentStmt {
public:
    using TovAssignmentStmt::TovAssignmentStmt;
    void Execute() override;
};
class TovAssignDivStmt : public TovAssignmentStmt {
public:
    using TovAssignmentStmt::TovAssignmentStmt;
    void Execute() override;
};

class TovCallStmt : public TovStatement {
public:
    using TovStatement::TovStatement;
    ~TovCallStmt() override;
    void Execute() override;
    void SetDesignator(TovDesignator *d) { m_designator = d; }
    TovDesignator *Designator() const { return m_designator; }
    QString Modificator;  // empty, "+" or "-"

private:
    TovDesignator *m_designator = nullptr;
};

// Statements with a condition; the condition is owned.
class TovConditionStmt : public TovStatement {
public:
    using TovStatement::TovStatement;
    ~TovConditionStmt() override;
    void SetCondition(TovCustomExpression *e) { m_condition = e; }
    TovCustomExpression *Condition() const { return m_condition; }

protected:
    TovCustomExpression *m_condition = nullptr;
};

class TovIfStmt : public TovConditionStmt {
public:
    TovIfStmt(TovScript *program, const QString &unitName, const QString &sourcePos);
    ~TovIfStmt() override;
    void Execute() override;
    TovStatement *ElseStmt() const { return m_elseStmt; }

private:
    TovStatement *m_elseStmt;
};

class TovCaseSelector : public TovStatement {
public:
    using TovStatement::TovStatement;
    ~TovCaseSelector() override;
    void SetSetExpression(TovSetExpression *s) { m_setExpression = s; }
    TovSetExpression *SetExpression() const { return m_setExpression; }
    bool Check(const Variant &value) { return m_setExpression && m_setExpression->Check(value); }

private:
    TovSetExpression *m_setExpression = nullptr;
};

// The child list holds the selectors.
class TovCaseStmt : public TovConditionStmt {
public:
    TovCaseStmt(TovScript *program, const QString &unitName, const QString &sourcePos);
    ~TovCaseStmt() override;
    void Execute() override;
    TovStatement *ElseStmt() const { return m_elseStmt; }
    bool BreakEndsCase() const { return m_breakEndsCase; }

private:
    TovStatement *m_elseStmt;
    // In the C-like languages a break ends the switch, not the loop around it.
    bool m_breakEndsCase;
};

class TovRepeatStmt : public TovConditionStmt {
public:
    using TovConditionStmt::TovConditionStmt;
    void Execute() override;
    bool InverseCondition = false;
};

class TovWhileStmt : public TovConditionStmt {
public:
    using TovConditionStmt::TovConditionStmt;
    void Execute() override;
};

class TovForStmt : public TovStatement {
public:
    using TovStatement::TovStatement;
    ~TovForStmt() override;
    void Execute() override;
    void SetBeginValue(TovCustomExpression *e) { m_begin = e; }
    void SetEndValue(TovCustomExpression *e) { m_end = e; }
    void SetVariable(TovVariable *v) { m_variable = v; }  // not owned
    TovVariable *Variable() const { return m_variable; }
    TovCustomExpression *BeginValue() const { return m_begin; }
    TovCustomExpression *EndValue() const { return m_end; }
    bool Down = false;

protected:
    TovCustomExpression *m_begin = nullptr;
    TovCustomExpression *m_end = nullptr;
    TovVariable *m_variable = nullptr;
};

class TovVbForStmt : public TovForStmt {
public:
    using TovForStmt::TovForStmt;
    ~TovVbForStmt() override;
    void Execute() override;
    void SetStep(TovCustomExpression *e) { m_step = e; }
    TovCustomExpression *Step() const { return m_step; }

private:
    TovCustomExpression *m_step = nullptr;
};

class TovCppForStmt : public TovConditionStmt {
public:
    TovCppForStmt(TovScript *program, const QString &unitName, const QString &sourcePos);
    ~TovCppForStmt() override;
    void Execute() override;
    TovStatement *FirstStmt() const { return m_firstStmt; }
    TovStatement *SecondStmt() const { return m_secondStmt; }
    // The condition (Expression in the IL): SetCondition.

private:
    TovStatement *m_firstStmt;
    TovStatement *m_secondStmt;
};

class TovTryStmt : public TovStatement {
public:
    TovTryStmt(TovScript *program, const QString &unitName, const QString &sourcePos);
    ~TovTryStmt() override;
    void Execute() override;
    // The except or finally part.
    TovStatement *ExceptStmt() const { return m_exceptStmt; }
    bool IsExcept = false;

private:
    TovStatement *m_exceptStmt;
};

class TovBreakStmt : public TovStatement {
public:
    using TovStatement::TovStatement;
    void Execute() override;
};
class TovContinueStmt : public TovStatement {
public:
    using TovStatement::TovStatement;
    void Execute() override;
};
class TovExitStmt : public TovStatement {
public:
    using TovStatement::TovStatement;
    void Execute() override;
};

class TovWithStmt : public TovStatement {
public:
    using TovStatement::TovStatement;
    ~TovWithStmt() override;
    void Execute() override;
    void SetDesignator(TovDesignator *d) { m_designator = d; }
    void SetVariable(TovVariable *v) { m_variable = v; }  // not owned
    TovDesignator *Designator() const { return m_designator; }
    TovVariable *Variable() const { return m_variable; }

private:
    TovDesignator *m_designator = nullptr;
    TovVariable *m_variable = nullptr;
};

// ---------------------------------------------------------------------------
// One compiled script program.
class TovScript : public TvdComponent, public TovILProgram, public TovTypeScope {
    Q_OBJECT
    Q_PROPERTY(QStringList Lines READ Lines WRITE SetLines)
    Q_PROPERTY(QString SyntaxType READ SyntaxType WRITE SetSyntaxType)
public:
    explicit TovScript(TvdComponent *owner = nullptr);
    ~TovScript() override;

    // Registration; each new item is stamped with AddedBy.
    virtual TovClassVariable *AddClass(const QMetaObject *aClass, const QString &ancestor);
    virtual void AddConst(const QString &name, const QString &typ, const Variant &value);
    virtual void AddEnum(const QString &typ, const QString &names);
    virtual void AddEnumSet(const QString &typ, const QString &names);
    virtual void AddComponent(TvdComponent *form);
    virtual void AddForm(TvdComponent *form);
    virtual void AddMethod(const QString &syntax, TovCallMethodNewEvent callEvent, const QString &category = QString(),
                           const QString &description = QString());
    virtual void AddMethod(const QString &syntax, TovCallMethodEvent callEvent, const QString &category = QString(),
                           const QString &description = QString());
    virtual void AddObject(const QString &name, QObject *obj);
    virtual void AddVariable(const QString &name, const QString &typ, const Variant &value);
    virtual void AddType(const QString &typeName, TovVarType parentType);
    // Binding modules (instantiated from the process-wide module list).
    void AddRTTI();
    void ClearRTTI();
    bool RTTIAdded() const { return m_rttiAdded; }

    // The item list (sorted by name, case-insensitive, newest of equal names first).
    void Add(const QString &name, TovObject *item);
    void Remove(TovObject *item);
    int Count() const { return int(m_items.size()); }
    TovObject *Items(int index) const { return m_items[size_t(index)].item; }
    QString ItemName(int index) const { return m_items[size_t(index)].name; }
    TovCustomVariable *FindLocal(const QString &name) const;
    TovCustomVariable *Find(const QString &name) const;
    TovClassVariable *FindClass(const QString &name) const;

    void Clear();
    // An object a constructor of this program (or of one of its procedures or
    // expressions) created; the owner rule is at ovFreeObject.
    void AdoptCreated(QObject *obj);
    void RemoveItems(TovAddedBy owner);
    void ClearItems(TovAddedBy owner);

    bool Compile();
    bool GetILCode(QIODevice &stream);
    bool SetILCode(QIODevice &stream);
    void Execute();
    bool Run();
    // Stops a running program (any thread, or the run-line hook).
    void Terminate();
    // The value of an expression in the context of the running procedure (or
    // this program). A compile error gives its message as the result and sets
    // EvaluteRiseError (and *ok false when given).
    Variant Evaluate(const QString &expression, bool *ok = nullptr);
    Variant CallFunction(const QString &name, const Variant &params, bool sGlobal = false);
    Variant CallFunction1(const QString &name, Variant &params, bool sGlobal = false);
    Variant CallFunction2(TovProcVariable *func, const Variant &params);

    Variant Variables(const QString &name) const;
    void SetVariables(const QString &name, const Variant &value);

    void AddCodeLine(const QString &unitName, const QString &pos);
    bool IsExecutableLine(int lineN, const QString &unitName = QString()) const;

    // Calls the nearest OnRunLine up the parent chain.
    void NotifyRunLine(const QString &unitName, const QString &sourcePos);

    // Properties.
    QStringList Lines() const { return m_lines; }
    void SetLines(const QStringList &lines) { m_lines = lines; }
    QString SyntaxType() const { return m_syntaxType; }
    void SetSyntaxType(const QString &name) { m_syntaxType = name; }
    TovAddedBy AddedBy() const { return m_addedBy; }
    void SetAddedBy(TovAddedBy mark) { m_addedBy = mark; }
    bool IsRunning() const { return m_isRunning; }
    QStringList &Macros() { return m_macros; }
    bool MainProg = false;
    TovScript *Parent() const { return m_parent; }
    void SetParent(TovScript *parent) { m_parent = parent; }
    // A program whose items this one sees after its own and before its
    // parent's, as if they were its own (binding modules prepared once).
    TovScript *SharedItems() const { return m_shared; }
    void SetSharedItems(TovScript *shared) { m_shared = shared; }
    TovScript *ProgRunning() const { return m_progRunning; }
    QString ProgName() const;
    void SetProgName(const QString &name);
    TovStatement *Statement() const { return m_statement; }
    bool UseClassLateBinding = false;
    bool EvaluteRiseError() const { return m_evaluteRiseError; }
    bool ClearLocalVars = false;
    bool Terminated() const { return m_flags.load(std::memory_order_relaxed) & FlagTerminated; }

    TovRunLineEvent OnRunLine;
    TovGetVariableValueEvent OnGetVarValue;

    // Control-flow requests of the statements.
    enum : quint8 { FlagBreak = 1, FlagContinue = 2, FlagExit = 4, FlagTerminated = 8 };
    quint8 Flags() const { return m_flags.load(std::memory_order_relaxed); }
    void SetFlag(quint8 f) { m_flags.fetch_or(f, std::memory_order_relaxed); }
    void ClearFlag(quint8 f)
    {
        if (Flags() & f)
            m_flags.fetch_and(quint8(~f), std::memory_order_relaxed);
    }
    bool BreakCalled() const { return Flags() & FlagBreak; }
    bool ContinueCalled() const { return Flags() & FlagContinue; }
    bool ExitCalled() const { return Flags() & FlagExit; }

    // Position of the statement started last (stamped into ErrorPos on failure).
    const QString *LastSourcePos = nullptr;
    void SetRunning(bool running) { m_isRunning = running; }

    // TovTypeScope
    bool FindItemType(const QString &name, TovVarType &typ) const override;
    bool FindItemValue(const QString &name, Variant &value) const override;
    bool ClassInherits(const QString &ancestor, const QString &descendant) const override;
    bool ExtendedCharset() const override { return TovILProgram::ExtendedCharset; }

    // The process-wide program with every binding module, for code completion.
    static TovScript *GlobalScript();
    static bool GlobalScriptCreated();

    // Creates the binding modules of AddRTTI, in list order; each registers
    // its items into the program and is kept in its item list.
    using ModuleFactory = std::function<TovObject *(TovScript *)>;
    static QList<ModuleFactory> &RTTIModuleFactories();

private:
    friend class TovProcVariable;
    friend class TovLeanCode;
    struct Entry {
        QString name;
        TovObject *item;
    };
    int lowerBound(const QString &name) const;
    void forgetProc(TovObject *item);
    void freeItem(int index);
    bool readIL(TovILParser &parser);
    Variant callProc(TovProcVariable *proc, Variant *params, bool writeBack);

    std::vector<Entry> m_items;
    // Programs of the procedure items, for Terminate from another thread
    // (procedures are only added while compiling).
    std::vector<TovScript *> m_procProgs;
    TovAddedBy m_addedBy = 0;
    std::atomic<quint8> m_flags{0};
    bool m_isRunning = false;
    bool m_rttiAdded = false;
    bool m_evaluteRiseError = false;
    QStringList m_lines;
    QStringList m_macros;
    TovScript *m_parent = nullptr;
    TovScript *m_shared = nullptr;
    TovScript *m_progRunning = nullptr;
    TovStatement *m_statement;
    QString m_syntaxType;
    QString m_progName;
    // The running procedure's own name, while it runs (saves copying it per call).
    const QString *m_progNameRef = nullptr;
    // Executable lines per unit name.
    QHash<QString, QSet<int>> m_unitLines;
    // Objects its constructors created, oldest first (guarded: a script or an
    // owner may free them sooner).
    std::vector<QPointer<QObject>> m_created;
    void freeCreated();
};
