// Statements and their execution. Control flow travels as flags on the
// program; exceptions are only the script's own errors.
#include "script/ov_iexpression.h"
#include "script/ov_iinterpreter.h"

namespace {
constexpr quint8 kStopFlags = TovScript::FlagBreak | TovScript::FlagContinue | TovScript::FlagExit;
constexpr quint8 kLoopEnd = TovScript::FlagBreak | TovScript::FlagExit;

inline bool truth(TovCustomVariable *e)
{
    const Variant v = e->GetValue();
    return v.isBool() ? v.rawBool() : v.toBool();
}
} // namespace

TovStatement::TovStatement(TovScript *program, const QString &unitName, const QString &sourcePos)
    : m_program(program), m_sourcePos(sourcePos), m_unitName(unitName)
{
}

void TovStatement::Execute()
{
    TovScript *p = m_program;
    if (!p->ErrorPos.isEmpty())
        p->ErrorPos.clear();
    const int n = Count();
    try {
        for (int i = 0; i < n; ++i) {
            if (p->Flags() & TovScript::FlagTerminated)
                break;
            TovStatement *s = GetItem(i);
            p->LastSourcePos = &s->m_sourcePos;
            s->Execute();
            if (p->Flags() & kStopFlags)
                break;
        }
    } catch (...) {
        if (p->ErrorPos.isEmpty() && p->LastSourcePos)
            p->ErrorPos = *p->LastSourcePos;
        throw;
    }
}

bool TovStatement::notify()
{
    // NotifyRunLine spelled out: this runs before every statement.
    TovScript *p = m_program;
    for (TovScript *q = p; q; q = q->Parent())
        if (q->OnRunLine) {
            q->OnRunLine(p, m_unitName, m_sourcePos);
            break;
        }
    return !p->Terminated();
}

// ---------------------------------------------------------------------------
TovAssignmentStmt::~TovAssignmentStmt()
{
    delete m_designator;
    delete m_expression;
}

void TovAssignmentStmt::Optimize()
{
    m_target = m_designator;
    if (m_designator && m_designator->Kind() == dkVariable && m_designator->RefItem)
        m_target = m_designator->RefItem;
    m_source = m_expression;
    if (auto *e = dynamic_cast<TovExpression *>(m_expression))
        if (TovCustomVariable *single = e->SingleItem())
            m_source = single;
}

void TovAssignmentStmt::executeOp(Op op)
{
    if (!notify())
        return;
    if (!m_target)
        Optimize();
    if (op == Op::None) {
        m_target->SetValue(m_source->GetValue());
        return;
    }
    const Variant a = m_target->GetValue();
    const Variant b = m_source->GetValue();
    VarOp vop = VarOp::Add;
    switch (op) {
    case Op::Minus: vop = VarOp::Subtract; break;
    case Op::Mul: vop = VarOp::Multiply; break;
    case Op::Div: vop = VarOp::Divide; break;
    default: break;
    }
    m_target->SetValue(Variant::binaryOp(vop, a, b));
}

void TovAssignmentStmt::Execute() { executeOp(Op::None); }
void TovAssignPlusStmt::Execute() { executeOp(Op::Plus); }
void TovAssignMinusStmt::Execute() { executeOp(Op::Minus); }
void TovAssignMulStmt::Execute() { executeOp(Op::Mul); }
void TovAssignDivStmt::Execute() { executeOp(Op::Div); }

// ---------------------------------------------------------------------------
TovCallStmt::~TovCallStmt()
{
    delete m_designator;
}

void TovCallStmt::Execute()
{
    if (!notify() || !m_designator)
        return;
    if (Modificator.isEmpty()) {
        m_designator->NeedResult = false;
        m_designator->GetValue();
    } else if (Modificator == QLatin1String("+")) {
        m_designator->SetValue(Variant::binaryOp(VarOp::Add, m_designator->GetValue(), Variant(1)));
    } else if (Modificator == QLatin1String("-")) {
        m_designator->SetValue(Variant::binaryOp(VarOp::Subtract, m_designator->GetValue(), Variant(1)));
    }
}

// ---------------------------------------------------------------------------
TovConditionStmt::~TovConditionStmt()
{
    delete m_condition;
}

TovIfStmt::TovIfStmt(TovScript *program, const QString &unitName, const QString &sourcePos)
    : TovConditionStmt(program, unitName, sourcePos), m_elseStmt(new TovStatement(program, unitName, sourcePos))
{
}

TovIfStmt::~TovIfStmt()
{
    delete m_elseStmt;
}

void TovIfStmt::Execute()
{
    if (!notify())
        return;
    if (truth(m_condition))
        TovStatement::Execute();
    else
        m_elseStmt->Execute();
}

TovCaseSelector::~TovCaseSelector()
{
    delete m_setExpression;
}

TovCaseStmt::TovCaseStmt(TovScript *program, const QString &unitName, const QString &sourcePos)
    : TovConditionStmt(program, unitName, sourcePos), m_elseStmt(new TovStatement(program, unitName, sourcePos))
{
    const QString lang = program ? program->SyntaxType() : QString();
    m_breakEndsCase = lang.compare(QLatin1String("D++Edirud"), Qt::CaseInsensitive) == 0 ||
                      lang.compare(QLatin1String("JScript"), Qt::CaseInsensitive) == 0;
}

TovCaseStmt::~TovCaseStmt()
{
    delete m_elseStmt;
}

void TovCaseStmt::Execute()
{
    const Variant v = m_condition->GetValue();
    if (!notify())
        return;
    for (int i = 0; i < Count(); ++i) {
        auto *sel = static_cast<TovCaseSelector *>(GetItem(i));
        if (sel->Check(v)) {
            sel->Execute();
            if (m_breakEndsCase)
                m_program->ClearFlag(TovScript::FlagBreak);
            return;
        }
    }
    m_elseStmt->Execute();
    if (m_breakEndsCase)
        m_program->ClearFlag(TovScript::FlagBreak);
}

// ---------------------------------------------------------------------------
void TovRepeatStmt::Execute()
{
    if (!notify())
        return;
    TovScript *p = m_program;
    for (;;) {
        TovStatement::Execute();
        if (p->Flags() & kLoopEnd)
            break;
        p->ClearFlag(TovScript::FlagContinue);
        const bool c = truth(m_condition);
        if (InverseCondition ? !c : c)
            break;
    }
    p->ClearFlag(TovScript::FlagBreak);
}

void TovWhileStmt::Execute()
{
    if (!notify())
        return;
    TovScript *p = m_program;
    while (truth(m_condition)) {
        TovStatement::Execute();
        if (p->Flags() & kLoopEnd)
            break;
        p->ClearFlag(TovScript::FlagContinue);
    }
    p->ClearFlag(TovScript::FlagBreak);
}

// ---------------------------------------------------------------------------
TovForStmt::~TovForStmt()
{
    delete m_begin;
    delete m_end;
}

static inline Variant counterValue(qint64 i)
{
    if (i >= -2147483647 - 1 && i <= 2147483647)
        return Variant(int(i));
    return Variant::fromInt64(i);
}

void TovForStmt::Execute()
{
    qint64 b = 0, e = 0;
    try {
        b = m_begin->GetValue().toInt64();
        e = m_end->GetValue().toInt64();
    } catch (...) {
        notify();
        throw;
    }
    if (!notify())
        return;
    TovScript *p = m_program;
    // 64-bit counter that stops on the bound itself, so no bound overflows it.
    if (!Down) {
        if (b <= e) {
            for (qint64 i = b;; ++i) {
                m_variable->StoreRaw(counterValue(i));
                TovStatement::Execute();
                if (p->Flags() & kLoopEnd)
                    break;
                p->ClearFlag(TovScript::FlagContinue);
                if (i == e)
                    break;
            }
        }
    } else if (b >= e) {
        for (qint64 i = b;; --i) {
            m_variable->StoreRaw(counterValue(i));
            TovStatement::Execute();
            if (p->Flags() & kLoopEnd)
                break;
            p->ClearFlag(TovScript::FlagContinue);
            if (i == e)
                break;
        }
    }
    p->ClearFlag(TovScript::FlagBreak);
}

TovVbForStmt::~TovVbForStmt()
{
    delete m_step;
}

void TovVbForStmt::Execute()
{
    Variant cur, end, step;
    try {
        cur = m_begin->GetValue();
        end = m_end->GetValue();
        step = m_step ? m_step->GetValue() : Variant(1);
    } catch (...) {
        notify();
        throw;
    }
    if (!notify())
        return;
    TovScript *p = m_program;
    const bool negative = Variant::orderedCompare(step, Variant(0)) < 0;
    for (;;) {
        const int c = Variant::orderedCompare(cur, end);
        if (negative ? c < 0 : c > 0)
            break;
        m_variable->StoreRaw(cur);
        TovStatement::Execute();
        if (p->Flags() & kLoopEnd)
            break;
        p->ClearFlag(TovScript::FlagContinue);
        cur = Variant::binaryOp(VarOp::Add, cur, step);
    }
    p->ClearFlag(TovScript::FlagBreak);
}

TovCppForStmt::TovCppForStmt(TovScript *program, const QString &unitName, const QString &sourcePos)
    : TovConditionStmt(program, unitName, sourcePos), m_firstStmt(new TovStatement(program, unitName, sourcePos)),
      m_secondStmt(new TovStatement(program, unitName, sourcePos))
{
}

TovCppForStmt::~TovCppForStmt()
{
    delete m_firstStmt;
    delete m_secondStmt;
}

void TovCppForStmt::Execute()
{
    if (!notify())
        return;
    TovScript *p = m_program;
    m_firstStmt->Execute();
    if (p->Terminated())
        return;
    while (!m_condition || truth(m_condition)) {
        TovStatement::Execute();
        if (p->Flags() & kLoopEnd)
            break;
        p->ClearFlag(TovScript::FlagContinue);
        m_secondStmt->Execute();
        if (p->Flags() & kLoopEnd)
            break;
    }
    p->ClearFlag(TovScript::FlagBreak);
}

// ---------------------------------------------------------------------------
TovTryStmt::TovTryStmt(TovScript *program, const QString &unitName, const QString &sourcePos)
    : TovStatement(program, unitName, sourcePos), m_exceptStmt(new TovStatement(program, unitName, sourcePos))
{
}

TovTryStmt::~TovTryStmt()
{
    delete m_exceptStmt;
}

void TovTryStmt::Execute()
{
    if (!notify())
        return;
    TovScript *p = m_program;
    if (IsExcept) {
        try {
            TovStatement::Execute();
        } catch (const Exception &e) {
            p->SetVariables(QStringLiteral("ExceptionClassName"), Variant(QString::fromLatin1(e.className())));
            p->SetVariables(QStringLiteral("ExceptionMessage"), Variant(e.message()));
            if (p->LastSourcePos)
                p->ErrorPos = *p->LastSourcePos;
            m_exceptStmt->Execute();
        }
        return;
    }
    // The finally part runs whole: pending break, continue and exit requests
    // are set aside while it runs and put back afterwards.
    try {
        TovStatement::Execute();
    } catch (...) {
        const quint8 pending = p->Flags() & kStopFlags;
        p->ClearFlag(kStopFlags);
        m_exceptStmt->Execute();
        p->SetFlag(pending);
        throw;
    }
    const quint8 pending = p->Flags() & kStopFlags;
    p->ClearFlag(kStopFlags);
    m_exceptStmt->Execute();
    if (pending)
        p->SetFlag(pending);
}

void TovBreakStmt::Execute()
{
    m_program->SetFlag(TovScript::FlagBreak);
}

void TovContinueStmt::Execute()
{
    m_program->SetFlag(TovScript::FlagContinue);
}

void TovExitStmt::Execute()
{
    notify();
    m_program->SetFlag(TovScript::FlagExit);
}

TovWithStmt::~TovWithStmt()
{
    delete m_designator;
}

void TovWithStmt::Execute()
{
    TovStatement::Execute();
    if (m_designator && m_variable)
        m_variable->SetValue(m_designator->GetValue());
}
