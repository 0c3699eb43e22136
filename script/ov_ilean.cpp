// The lean form of procedure bodies: translation from the statement tree and
// execution over a frame of each call.
#include "script/ov_ilean.h"

#include "script/ov_iexpression.h"

#include <typeinfo>

namespace ovlean {

thread_local int tCallDepth __attribute__((tls_model("initial-exec"))) = 0;

void DepthGuard::overflow()
{
    throw EovStackOverflow(QStringLiteral("Stack overflow: script procedures nested too deep"));
}

// What a statement asks of the statements around it (the tree's request flags).
enum Flow : int { fNormal = 0, fBreak = 1, fContinue = 2, fExit = 3 };

struct Ctx {
    Variant *frame;
    TovLeanCode *code;
    TovScript *prog;
    TovScript *main;
};

constexpr quint8 kAllFlags =
    TovScript::FlagExit | TovScript::FlagTerminated | TovScript::FlagBreak | TovScript::FlagContinue;

static inline bool terminated(const Ctx &c)
{
    return c.prog->Flags() & TovScript::FlagTerminated;
}

// Tree code reads and writes the locals through their items: they hold the
// frame's values while it runs.
struct Escape {
    Ctx &c;
    explicit Escape(Ctx &ctx) : c(ctx) { c.code->Spill(c.frame); }
    ~Escape() { c.code->Reload(c.frame); }
};

inline bool truthOf(const Variant &v)
{
    return v.isBool() ? v.rawBool() : v.toBool();
}

// Text as a string variable holds it.
inline Variant asText(Variant &&v)
{
    if (v.varType() == varString)
        return std::move(v);
    return Variant(v.isString() ? v.rawString() : v.toString());
}

inline Variant rawText(const Variant &v)
{
    if (v.varType() == varString)
        return v;
    return Variant(v.isString() ? v.rawString() : VarToStr(v));
}

// ---------------------------------------------------------------------------
// Expressions.
class Expr {
public:
    virtual ~Expr() = default;
    virtual Variant eval(Ctx &c) = 0;
    virtual bool test(Ctx &c) { return truthOf(eval(c)); }
};

// An operand, read in place when it is a slot, a constant or a plain
// variable of another program.
struct Operand {
    enum Kind : quint8 { kExpr, kSlot, kConst, kGlobal };
    Kind kind = kExpr;
    int slot = -1;
    TovCustomVariable *global = nullptr;
    Variant constant;
    std::unique_ptr<Expr> expr;

    // Readable in place without running anything.
    bool simple() const { return kind == kSlot || kind == kConst || (kind == kGlobal && !global->OnGetVarValue); }
    const Variant &ref(const Ctx &c) const
    {
        return kind == kSlot ? c.frame[slot] : kind == kConst ? constant : *global->PValue();
    }
    __attribute__((always_inline)) Variant value(Ctx &c) const
    {
        if (kind == kSlot)
            return c.frame[slot];
        if (kind == kConst)
            return constant;
        if (kind == kGlobal && !global->OnGetVarValue)
            return *global->PValue();
        return expr->eval(c);
    }
    bool test(Ctx &c) const { return kind == kExpr ? expr->test(c) : truthOf(value(c)); }
};

// Both operands, left first; in place when nothing runs between the reads.
struct Operands {
    Variant ta, tb;
    const Variant *a, *b;
    __attribute__((always_inline)) Operands(Ctx &c, const Operand &l, const Operand &r)
    {
        if (r.simple()) {
            if (l.simple()) {
                a = &l.ref(c);
            } else {
                ta = l.expr->eval(c);
                a = &ta;
            }
            b = &r.ref(c);
        } else {
            // The right side may change what the left one read.
            ta = l.value(c);
            a = &ta;
            tb = r.expr->eval(c);
            b = &tb;
        }
    }
};

// A node of the tree, run as the tree (with the locals in their items).
class TreeExpr : public Expr {
public:
    explicit TreeExpr(TovCustomVariable *node) : m_node(node) {}
    Variant eval(Ctx &c) override
    {
        Escape e(c);
        return m_node->GetValue();
    }

private:
    TovCustomVariable *m_node;
};

// A variable of another program that is not read in place.
class GlobalExpr : public Expr {
public:
    explicit GlobalExpr(TovCustomVariable *v) : m_v(v) {}
    Variant eval(Ctx &c) override
    {
        if (m_v->OnGetVarValue) {
            Escape e(c);
            return m_v->GetValue();
        }
        return m_v->RawValue();
    }

private:
    TovCustomVariable *m_v;
};

class CompareExpr : public Expr {
public:
    CompareExpr(TovOperatorType op, Operand &&l, Operand &&r) : m_op(op), m_l(std::move(l)), m_r(std::move(r)) {}
    bool test(Ctx &c) override
    {
        const Operands o(c, m_l, m_r);
        const Variant &a = *o.a, &b = *o.b;
        if (a.varType() == varInteger && b.varType() == varInteger) {
            const qint64 x = a.rawInt(), y = b.rawInt();
            switch (m_op) {
            case opEq: return x == y;
            case opNonEq: return x != y;
            case opGreat: return x > y;
            case opLess: return x < y;
            case opLessEq: return x <= y;
            default: return x >= y;
            }
        }
        switch (m_op) {
        case opEq: return Variant::equals(a, b);
        case opNonEq: return !Variant::equals(a, b);
        case opGreat: return Variant::orderedCompare(a, b) > 0;
        case opLess: return Variant::orderedCompare(a, b) < 0;
        case opLessEq: return Variant::orderedCompare(a, b) <= 0;
        default: return Variant::orderedCompare(a, b) >= 0;
        }
    }
    Variant eval(Ctx &c) override { return Variant(test(c)); }

private:
    TovOperatorType m_op;
    Operand m_l, m_r;
};

class ArithExpr : public Expr {
public:
    ArithExpr(VarOp op, Operand &&l, Operand &&r)
        : m_op(op), m_l(std::move(l)), m_r(std::move(r)),
          m_computed(m_l.kind == Operand::kExpr && m_r.kind == Operand::kExpr)
    {
    }
    Variant eval(Ctx &c) override
    {
        if (m_computed) {
            // Two calls or subexpressions (Fib(n - 1) + Fib(n - 2)): their
            // values are built in place, left first.
            const Variant a = m_l.expr->eval(c);
            const Variant b = m_r.expr->eval(c);
            return apply(a, b);
        }
        const Operands o(c, m_l, m_r);
        return apply(*o.a, *o.b);
    }

private:
    __attribute__((always_inline)) Variant apply(const Variant &a, const Variant &b) const
    {
        if (a.varType() == varInteger && b.varType() == varInteger &&
            (m_op == VarOp::IntDivide || m_op == VarOp::Modulus)) {
            const qint64 x = a.rawInt(), y = b.rawInt();
            if (y != 0 && !(y == -1 && x == -2147483647 - 1))
                return Variant(int(m_op == VarOp::IntDivide ? x / y : x % y));
        }
        return Variant::binaryOp(m_op, a, b);
    }

    VarOp m_op;
    Operand m_l, m_r;
    bool m_computed;
};

// An Integer-minded slot against a constant (n < 2, n - 1): the common case
// without the general operand reads.
class CompareSlotConst : public Expr {
public:
    CompareSlotConst(TovOperatorType op, int slot, const Variant &k, Operand &&l, Operand &&r)
        : m_op(op), m_slot(slot), m_k(k), m_general(op, std::move(l), std::move(r))
    {
    }
    bool test(Ctx &c) override
    {
        const Variant &a = c.frame[m_slot];
        if (a.varType() != varInteger)
            return m_general.test(c);
        const qint64 x = a.rawInt(), y = m_k.rawInt();
        switch (m_op) {
        case opEq: return x == y;
        case opNonEq: return x != y;
        case opGreat: return x > y;
        case opLess: return x < y;
        case opLessEq: return x <= y;
        default: return x >= y;
        }
    }
    Variant eval(Ctx &c) override { return Variant(test(c)); }

private:
    TovOperatorType m_op;
    int m_slot;
    Variant m_k;
    CompareExpr m_general;
};

class AddSlotConst : public Expr {
public:
    AddSlotConst(VarOp op, int slot, const Variant &k, Operand &&l, Operand &&r)
        : m_sub(op == VarOp::Subtract), m_slot(slot), m_k(k.rawInt()), m_general(op, std::move(l), std::move(r))
    {
    }
    Variant eval(Ctx &c) override
    {
        const Variant &a = c.frame[m_slot];
        if (a.varType() == varInteger) {
            const qint64 r = m_sub ? a.rawInt() - m_k : a.rawInt() + m_k;
            if (r >= -2147483647 - 1 && r <= 2147483647)
                return Variant(int(r));
        }
        return m_general.eval(c);
    }

private:
    bool m_sub;
    int m_slot;
    qint64 m_k;
    ArithExpr m_general;
};

class StrCatExpr : public Expr {
public:
    StrCatExpr(Operand &&l, Operand &&r) : m_l(std::move(l)), m_r(std::move(r)) {}
    Variant eval(Ctx &c) override
    {
        const Operands o(c, m_l, m_r);
        const Variant &a = *o.a, &b = *o.b;
        if (a.isString())
            return Variant(a.rawString() + (b.isString() ? b.rawString() : VarToStr(b)));
        return Variant::binaryOp(VarOp::Add, a, b);
    }

private:
    Operand m_l, m_r;
};

class AndOrExpr : public Expr {
public:
    AndOrExpr(bool isAnd, bool shortCircuit, Operand &&l, Operand &&r)
        : m_and(isAnd), m_short(shortCircuit), m_l(std::move(l)), m_r(std::move(r))
    {
    }
    Variant eval(Ctx &c) override
    {
        Variant a = m_l.value(c);
        if (m_short) {
            if (a.toBool() != m_and)
                return a;
            return m_r.value(c);
        }
        return Variant::binaryOp(m_and ? VarOp::And : VarOp::Or, a, m_r.value(c));
    }

private:
    bool m_and, m_short;
    Operand m_l, m_r;
};

class UnaryExpr : public Expr {
public:
    UnaryExpr(bool isNot, Operand &&l) : m_not(isNot), m_l(std::move(l)) {}
    Variant eval(Ctx &c) override
    {
        const Variant a = m_l.value(c);
        return m_not ? a.logicalNot() : a.negate();
    }

private:
    bool m_not;
    Operand m_l;
};

// A call of a script procedure: the arguments go straight into the callee's
// frame.
class CallExpr : public Expr {
public:
    CallExpr(TovProcVariable *proc, TovDesignator *designator, std::vector<Operand> &&args)
        : m_proc(proc), m_designator(designator), m_args(std::move(args))
    {
    }
    Variant eval(Ctx &c) override
    {
        TovLeanCode *code = m_proc->LeanCode();
        // A procedure calling itself runs unwatched, as its caller does.
        if (!code || (code != c.code && code->Watched())) {
            Escape e(c);
            return m_designator->GetValue();
        }
        FrameBuf f(code->FrameSize());
        Variant *frame = f.data();
        for (size_t j = 0; j < m_args.size(); ++j)
            frame[code->ParamSlot(int(j))] = m_args[j].value(c);
        if (code == c.code)
            return code->RunNested(frame, c);
        return code->Run(frame, false);
    }

private:
    TovProcVariable *m_proc;
    TovDesignator *m_designator;
    std::vector<Operand> m_args;
};

// A procedure calling itself from its own body. The running code is the
// callee's, so the call needs no look-up and no watch test.
class SelfCallExpr final : public Expr {
public:
    SelfCallExpr(std::vector<int> &&paramSlots, std::vector<Operand> &&args)
        : m_slots(std::move(paramSlots)), m_args(std::move(args))
    {
    }
    Variant eval(Ctx &c) override
    {
        TovLeanCode *code = c.code;
        FrameBuf f(code->FrameSize());
        Variant *frame = f.data();
        const size_t n = m_args.size();
        for (size_t j = 0; j < n; ++j) {
            const Operand &a = m_args[j];
            Variant &dst = frame[m_slots[j]];
            if (a.kind == Operand::kExpr)
                new (&dst) Variant(a.expr->eval(c));  // the slot is still Empty
            else
                dst = a.value(c);
        }
        return code->RunNested(frame, c);
    }

private:
    std::vector<int> m_slots;  // the parameters' slots, in argument order
    std::vector<Operand> m_args;
};

// ---------------------------------------------------------------------------
// What an assignment writes.
struct Target {
    enum Kind : quint8 { kSlotVar, kSlotText, kSlotPlain, kItem, kTree };
    Kind kind = kTree;
    int slot = -1;
    TovCustomVariable *item = nullptr;   // the slot's or the written item
    TovDesignator *designator = nullptr;  // kTree

    Variant load(Ctx &c) const
    {
        switch (kind) {
        case kSlotVar:
        case kSlotText:
        case kSlotPlain: return c.frame[slot];
        case kItem:
            if (item->OnGetVarValue) {
                Escape e(c);
                return item->GetValue();
            }
            return item->RawValue();
        default: {
            Escape e(c);
            return designator->GetValue();
        }
        }
    }
    __attribute__((always_inline)) void store(Ctx &c, Variant &&v) const
    {
        switch (kind) {
        case kSlotVar: {
            auto *var = static_cast<TovVariable *>(item);
            Variant &dst = c.frame[slot];
            switch (var->Typ) {
            case fvtInt:
                if (v.varType() == varInteger) {
                    dst = std::move(v);
                    return;
                }
                break;
            case fvtFloat:
                if (v.varType() == varDouble) {
                    dst = std::move(v);
                    return;
                }
                break;
            case fvtVariant:
                dst = std::move(v);
                return;
            default: break;
            }
            dst = var->Coerce(v);
            return;
        }
        case kSlotText: c.frame[slot] = asText(std::move(v)); return;
        case kSlotPlain: c.frame[slot] = std::move(v); return;
        case kItem: item->SetValue(v); return;
        default: {
            Escape e(c);
            designator->SetValue(v);
        }
        }
    }
};

// ---------------------------------------------------------------------------
// Statements.
class Stmt {
public:
    explicit Stmt(const QString *pos) : m_pos(pos) {}
    virtual ~Stmt() = default;
    virtual int exec(Ctx &c) = 0;
    const QString *m_pos;
};

class Block final : public Stmt {
public:
    using Stmt::Stmt;
    int exec(Ctx &c) final
    {
        TovScript *p = c.prog;
        if (!p->ErrorPos.isEmpty())
            p->ErrorPos.clear();
        for (const auto &s : m_items) {
            if (terminated(c))
                return fExit;
            p->LastSourcePos = s->m_pos;
            if (const int f = s->exec(c))
                return f;
        }
        return fNormal;
    }
    std::vector<std::unique_ptr<Stmt>> m_items;
};

// Runs a loop body; true when the loop ends, with the flow to pass on.
inline bool loopEnds(Ctx &c, Block &body, int &flow)
{
    const int f = body.exec(c);
    if (f == fExit || terminated(c)) {
        flow = fExit;
        return true;
    }
    if (f == fBreak) {
        flow = fNormal;
        return true;
    }
    return false;
}

class AssignStmt : public Stmt {
public:
    AssignStmt(const QString *pos, Target &&t, Operand &&src, int op)
        : Stmt(pos), m_t(std::move(t)), m_src(std::move(src)), m_op(op)
    {
    }
    int exec(Ctx &c) override
    {
        if (m_op < 0) {
            m_t.store(c, m_src.value(c));
            return fNormal;
        }
        const Variant a = m_t.load(c);
        const Variant b = m_src.value(c);
        m_t.store(c, Variant::binaryOp(VarOp(m_op), a, b));
        return fNormal;
    }

private:
    Target m_t;
    Operand m_src;
    int m_op;  // -1 plain, else the VarOp of a compound assignment
};

class ExprStmt : public Stmt {
public:
    ExprStmt(const QString *pos, std::unique_ptr<Expr> e) : Stmt(pos), m_e(std::move(e)) {}
    int exec(Ctx &c) override
    {
        m_e->eval(c);
        return fNormal;
    }

private:
    std::unique_ptr<Expr> m_e;
};

// A call statement run as the tree: its value is not needed.
class TreeCallStmt : public Stmt {
public:
    TreeCallStmt(const QString *pos, TovDesignator *d) : Stmt(pos), m_d(d) {}
    int exec(Ctx &c) override
    {
        Escape e(c);
        m_d->NeedResult = false;
        m_d->GetValue();
        return fNormal;
    }

private:
    TovDesignator *m_d;
};

// x++ and x--.
class StepStmt : public Stmt {
public:
    StepStmt(const QString *pos, Target &&t, bool up) : Stmt(pos), m_t(std::move(t)), m_up(up) {}
    int exec(Ctx &c) override
    {
        m_t.store(c, Variant::binaryOp(m_up ? VarOp::Add : VarOp::Subtract, m_t.load(c), Variant(1)));
        return fNormal;
    }

private:
    Target m_t;
    bool m_up;
};

class IfStmt : public Stmt {
public:
    IfStmt(const QString *pos, Operand &&cond, std::unique_ptr<Block> then, std::unique_ptr<Block> otherwise)
        : Stmt(pos), m_cond(std::move(cond)), m_then(std::move(then)), m_else(std::move(otherwise))
    {
    }
    int exec(Ctx &c) override { return m_cond.test(c) ? m_then->exec(c) : m_else->exec(c); }

private:
    Operand m_cond;
    std::unique_ptr<Block> m_then, m_else;
};

// Elements of a case label; a range is low, an empty operand, high.
struct SetCheck {
    std::vector<Operand> elems;
    std::vector<bool> gap;
    bool check(Ctx &c, const Variant &value) const
    {
        const size_t n = elems.size();
        for (size_t i = 0; i < n;) {
            if (gap[i]) {
                ++i;
                continue;
            }
            if (i + 2 < n && gap[i + 1] && !gap[i + 2]) {
                const Variant low = elems[i].value(c);
                const Variant high = elems[i + 2].value(c);
                const VarCompare a = Variant::compare(low, value);
                const VarCompare b = Variant::compare(value, high);
                if ((a == VarCompare::Less || a == VarCompare::Equal) &&
                    (b == VarCompare::Less || b == VarCompare::Equal))
                    return true;
                i += 3;
                continue;
            }
            if (Variant::equals(elems[i].value(c), value))
                return true;
            ++i;
        }
        return false;
    }
};

class CaseStmt : public Stmt {
public:
    CaseStmt(const QString *pos, Operand &&cond, bool breakEnds) : Stmt(pos), m_cond(std::move(cond)), m_breakEnds(breakEnds) {}
    int exec(Ctx &c) override
    {
        const Variant v = m_cond.value(c);
        if (terminated(c))
            return fExit;
        Block *run = m_else.get();
        for (size_t i = 0; i < m_sets.size(); ++i)
            if (m_sets[i].check(c, v)) {
                run = m_bodies[i].get();
                break;
            }
        const int f = run->exec(c);
        return m_breakEnds && f == fBreak ? fNormal : f;
    }
    std::vector<SetCheck> m_sets;
    std::vector<std::unique_ptr<Block>> m_bodies;
    std::unique_ptr<Block> m_else;

private:
    Operand m_cond;
    bool m_breakEnds;
};

class RepeatStmt : public Stmt {
public:
    RepeatStmt(const QString *pos, Operand &&cond, bool inverse, std::unique_ptr<Block> body)
        : Stmt(pos), m_cond(std::move(cond)), m_inverse(inverse), m_body(std::move(body))
    {
    }
    int exec(Ctx &c) override
    {
        int flow = fNormal;
        for (;;) {
            if (loopEnds(c, *m_body, flow))
                return flow;
            const bool t = m_cond.test(c);
            if (m_inverse ? !t : t)
                return fNormal;
        }
    }

private:
    Operand m_cond;
    bool m_inverse;
    std::unique_ptr<Block> m_body;
};

class WhileStmt : public Stmt {
public:
    WhileStmt(const QString *pos, Operand &&cond, std::unique_ptr<Block> body)
        : Stmt(pos), m_cond(std::move(cond)), m_body(std::move(body))
    {
    }
    int exec(Ctx &c) override
    {
        int flow = fNormal;
        while (m_cond.test(c))
            if (loopEnds(c, *m_body, flow))
                return flow;
        return fNormal;
    }

private:
    Operand m_cond;
    std::unique_ptr<Block> m_body;
};

// The loop variable, stored without conversion or hook.
struct Counter {
    int slot = -1;
    TovVariable *item = nullptr;
    void store(Ctx &c, Variant &&v) const
    {
        if (slot >= 0)
            c.frame[slot] = std::move(v);
        else
            item->StoreRaw(v);
    }
};

class ForStmt : public Stmt {
public:
    ForStmt(const QString *pos, Operand &&begin, Operand &&end, Counter counter, bool down, std::unique_ptr<Block> body)
        : Stmt(pos), m_begin(std::move(begin)), m_end(std::move(end)), m_counter(counter), m_down(down),
          m_body(std::move(body))
    {
    }
    int exec(Ctx &c) override
    {
        const qint64 b = m_begin.value(c).toInt64();
        const qint64 e = m_end.value(c).toInt64();
        if (terminated(c))
            return fExit;
        int flow = fNormal;
        if (m_down ? b < e : b > e)
            return fNormal;
        for (qint64 i = b;; m_down ? --i : ++i) {
            m_counter.store(c, i >= -2147483647 - 1 && i <= 2147483647 ? Variant(int(i)) : Variant::fromInt64(i));
            if (loopEnds(c, *m_body, flow))
                return flow;
            if (i == e)
                return fNormal;
        }
    }

private:
    Operand m_begin, m_end;
    Counter m_counter;
    bool m_down;
    std::unique_ptr<Block> m_body;
};

class VbForStmt : public Stmt {
public:
    VbForStmt(const QString *pos, Operand &&begin, Operand &&end, Operand &&step, Counter counter,
              std::unique_ptr<Block> body)
        : Stmt(pos), m_begin(std::move(begin)), m_end(std::move(end)), m_step(std::move(step)), m_counter(counter),
          m_body(std::move(body))
    {
    }
    int exec(Ctx &c) override
    {
        Variant cur = m_begin.value(c);
        const Variant end = m_end.value(c);
        const Variant step = m_step.value(c);
        if (terminated(c))
            return fExit;
        const bool negative = Variant::orderedCompare(step, Variant(0)) < 0;
        int flow = fNormal;
        for (;;) {
            const int cmp = Variant::orderedCompare(cur, end);
            if (negative ? cmp < 0 : cmp > 0)
                return fNormal;
            m_counter.store(c, Variant(cur));
            if (loopEnds(c, *m_body, flow))
                return flow;
            cur = Variant::binaryOp(VarOp::Add, cur, step);
        }
    }

private:
    Operand m_begin, m_end, m_step;
    Counter m_counter;
    std::unique_ptr<Block> m_body;
};

class CppForStmt : public Stmt {
public:
    CppForStmt(const QString *pos, std::unique_ptr<Block> first, Operand &&cond, bool hasCond, std::unique_ptr<Block> body,
               std::unique_ptr<Block> second)
        : Stmt(pos), m_first(std::move(first)), m_cond(std::move(cond)), m_hasCond(hasCond), m_body(std::move(body)),
          m_second(std::move(second))
    {
    }
    int exec(Ctx &c) override
    {
        if (m_first->exec(c) == fExit || terminated(c))
            return fExit;
        int flow = fNormal;
        while (!m_hasCond || m_cond.test(c)) {
            if (loopEnds(c, *m_body, flow))
                return flow;
            if (loopEnds(c, *m_second, flow))
                return flow;
        }
        return fNormal;
    }

private:
    std::unique_ptr<Block> m_first;
    Operand m_cond;
    bool m_hasCond;
    std::unique_ptr<Block> m_body, m_second;
};

class FlowStmt : public Stmt {
public:
    FlowStmt(const QString *pos, int flow) : Stmt(pos), m_flow(flow) {}
    int exec(Ctx &) override { return m_flow; }

private:
    int m_flow;
};

struct Unsupported {};

// ---------------------------------------------------------------------------
// Translation of the tree.
class Builder {
public:
    Builder(TovLeanCode &code, TovProcVariable *proc) : m_code(code), m_proc(proc) {}

    bool makeSlots()
    {
        TovScript *prog = m_proc->Prog();
        for (int i = 0; i < prog->Count(); ++i) {
            auto *v = dynamic_cast<TovCustomVariable *>(prog->Items(i));
            if (!v)
                continue;
            // Nested procedures read this one's locals through the items.
            if (v->ItemKind() == TovCustomVariable::ikProc)
                return false;
            const std::type_info &t = typeid(*v);
            TovLeanCode::Slot::Kind kind;
            if (t == typeid(TovParamItem))
                kind = TovLeanCode::Slot::Param;
            else if (t == typeid(TovStringVariable))
                kind = TovLeanCode::Slot::Text;
            else if (t == typeid(TovVariable) && (!v->IsReadOnly || v == m_proc->RefItem))
                kind = TovLeanCode::Slot::Var;
            else
                continue;
            if (v->OnGetVarValue)
                return false;
            const int s = int(m_code.m_slots.size());
            m_code.m_slots.push_back({v, kind});
            if (v == m_proc->RefItem)
                m_code.m_resultSlot = s;
            else if (kind != TovLeanCode::Slot::Param)
                m_code.m_localSlots.push_back(s);
        }
        for (int j = 0; j < m_proc->ParamCount(); ++j) {
            const int s = slotOf(m_proc->GetParam(j));
            if (s < 0)
                return false;
            m_code.m_paramSlots.push_back(s);
        }
        return !m_proc->IsFunc() || m_code.m_resultSlot >= 0;
    }

    std::unique_ptr<Block> block(TovStatement *list)
    {
        auto b = std::make_unique<Block>(&list->SourcePos());
        for (int i = 0; i < list->Count(); ++i)
            b->m_items.push_back(statement(list->GetItem(i)));
        return b;
    }

private:
    int slotOf(const TovCustomVariable *v) const
    {
        for (size_t i = 0; i < m_code.m_slots.size(); ++i)
            if (m_code.m_slots[i].item == v)
                return int(i);
        return -1;
    }

    struct Depth {
        int &d;
        explicit Depth(int &depth) : d(depth)
        {
            // Deep trees stay with the tree, which guards its stack.
            if (++d > 64)
                throw Unsupported{};
        }
        ~Depth() { --d; }
    };

    static Operand exprOperand(std::unique_ptr<Expr> e)
    {
        Operand o;
        o.expr = std::move(e);
        return o;
    }

    static Operand treeOperand(TovCustomVariable *node) { return exprOperand(std::make_unique<TreeExpr>(node)); }

    Operand variable(TovCustomVariable *v)
    {
        Operand o;
        if (const int s = slotOf(v); s >= 0) {
            o.kind = Operand::kSlot;
            o.slot = s;
            return o;
        }
        const std::type_info &t = typeid(*v);
        if (t == typeid(TovVariable) || t == typeid(TovParamItem)) {
            o.kind = Operand::kGlobal;
            o.global = v;
            o.expr = std::make_unique<GlobalExpr>(v);  // when a hook is set
            return o;
        }
        if (t == typeid(TovStringVariable))
            return exprOperand(std::make_unique<GlobalExpr>(v));
        return treeOperand(v);
    }

    Operand designator(TovDesignator *d)
    {
        if (d->LateBindingXmlSource)
            return treeOperand(d);
        if (d->Kind() == dkVariable && d->RefItem)
            return variable(d->RefItem);
        if (TovProcVariable *p = d->ProcCall())
            if (auto call = callOf(p, d))
                return exprOperand(std::move(call));
        return treeOperand(d);
    }

    std::unique_ptr<Expr> callOf(TovProcVariable *p, TovDesignator *d)
    {
        TovDesignatorItem *item = d->GetItem(0);
        const int np = item->Count();
        if (np != p->ParamCount() || np > 8 || p->HasVarParams() || p->IsMacro)
            return nullptr;
        std::vector<Operand> args;
        for (int j = 0; j < np; ++j)
            args.push_back(expression(item->GetItem(j)));
        if (p == m_proc) {
            std::vector<int> paramSlots(m_code.m_paramSlots.begin(), m_code.m_paramSlots.begin() + np);
            return std::make_unique<SelfCallExpr>(std::move(paramSlots), std::move(args));
        }
        return std::make_unique<CallExpr>(p, d, std::move(args));
    }

    Operand expression(TovCustomVariable *e)
    {
        if (!e)
            return constant(Variant::null());
        if (auto *x = dynamic_cast<TovExpression *>(e))
            return node(x->Root());
        return treeOperand(e);
    }

    static bool intSlotConst(const Operand &l, const Operand &r)
    {
        return l.kind == Operand::kSlot && r.kind == Operand::kConst && r.constant.varType() == varInteger;
    }

    static Operand constant(const Variant &v)
    {
        Operand o;
        o.kind = Operand::kConst;
        o.constant = v;
        return o;
    }

    Operand node(TovExpressionNode *n)
    {
        if (!n)
            return constant(Variant::null());
        const Depth depth(m_depth);
        if (typeid(*n) == typeid(TovOperandNode))
            return constant(n->GetValue());
        if (auto *dn = dynamic_cast<TovDesignatorNode *>(n))
            return designator(dn->Designator());
        auto *op = dynamic_cast<TovOperatorNode *>(n);
        if (!op)
            return treeOperand(n);
        auto binary = [&](auto make) { return exprOperand(make(node(n->FLeft), node(n->FRight))); };
        switch (op->FOp) {
        case opNone:
        case opLeftBracket:
        case opRightBracket: return node(n->FLeft);
        case opGreat:
        case opLess:
        case opLessEq:
        case opGreatEq:
        case opNonEq:
        case opEq:
            return binary([&](Operand &&l, Operand &&r) -> std::unique_ptr<Expr> {
                if (intSlotConst(l, r)) {
                    const int slot = l.slot;
                    const Variant k = r.constant;
                    return std::make_unique<CompareSlotConst>(op->FOp, slot, k, std::move(l), std::move(r));
                }
                return std::make_unique<CompareExpr>(op->FOp, std::move(l), std::move(r));
            });
        case opPlus:
            if (op->FStrCat)
                return binary(
                    [](Operand &&l, Operand &&r) { return std::make_unique<StrCatExpr>(std::move(l), std::move(r)); });
            return arith(n, VarOp::Add);
        case opMinus: return arith(n, VarOp::Subtract);
        case opMul: return arith(n, VarOp::Multiply);
        case opDivFloat: return arith(n, VarOp::Divide);
        case opDivInt: return arith(n, VarOp::IntDivide);
        case opMod: return arith(n, VarOp::Modulus);
        case opXor: return arith(n, VarOp::Xor);
        case opShl: return arith(n, VarOp::ShiftLeft);
        case opShr: return arith(n, VarOp::ShiftRight);
        case opAnd:
        case opOr: {
            const bool isAnd = op->FOp == opAnd;
            const bool shortCircuit = op->FOptimizeBool;
            return binary([&](Operand &&l, Operand &&r) {
                return std::make_unique<AndOrExpr>(isAnd, shortCircuit, std::move(l), std::move(r));
            });
        }
        case opNot:
        case opUnMinus: return exprOperand(std::make_unique<UnaryExpr>(op->FOp == opNot, node(n->FLeft)));
        default: return treeOperand(n);
        }
    }

    Operand arith(TovExpressionNode *n, VarOp vop)
    {
        Operand l = node(n->FLeft);
        Operand r = node(n->FRight);
        if ((vop == VarOp::Add || vop == VarOp::Subtract) && intSlotConst(l, r)) {
            const int slot = l.slot;
            const Variant k = r.constant;
            return exprOperand(std::make_unique<AddSlotConst>(vop, slot, k, std::move(l), std::move(r)));
        }
        return exprOperand(std::make_unique<ArithExpr>(vop, std::move(l), std::move(r)));
    }

    Target target(TovDesignator *d)
    {
        Target t;
        if (!d || d->LateBindingXmlSource || d->Kind() != dkVariable || !d->RefItem) {
            if (!d)
                throw Unsupported{};
            t.kind = Target::kTree;
            t.designator = d;
            return t;
        }
        TovCustomVariable *v = d->RefItem;
        if (const int s = slotOf(v); s >= 0) {
            t.slot = s;
            t.item = v;
            switch (m_code.m_slots[size_t(s)].kind) {
            case TovLeanCode::Slot::Text: t.kind = Target::kSlotText; break;
            case TovLeanCode::Slot::Param: t.kind = Target::kSlotPlain; break;
            default: t.kind = Target::kSlotVar; break;
            }
            return t;
        }
        const std::type_info &ti = typeid(*v);
        if (ti == typeid(TovVariable) || ti == typeid(TovStringVariable) || ti == typeid(TovParamItem)) {
            t.kind = Target::kItem;
            t.item = v;
            return t;
        }
        t.kind = Target::kTree;
        t.designator = d;
        return t;
    }

    Counter counter(TovVariable *v)
    {
        if (!v)
            throw Unsupported{};
        Counter k;
        k.slot = slotOf(v);
        k.item = v;
        return k;
    }

    std::unique_ptr<Stmt> statement(TovStatement *s)
    {
        const Depth depth(m_depth);
        const QString *pos = &s->SourcePos();
        const std::type_info &t = typeid(*s);
        if (t == typeid(TovStatement))
            return block(s);
        if (t == typeid(TovAssignmentStmt) || t == typeid(TovAssignPlusStmt) || t == typeid(TovAssignMinusStmt) ||
            t == typeid(TovAssignMulStmt) || t == typeid(TovAssignDivStmt)) {
            auto *a = static_cast<TovAssignmentStmt *>(s);
            int op = -1;
            if (t == typeid(TovAssignPlusStmt))
                op = int(VarOp::Add);
            else if (t == typeid(TovAssignMinusStmt))
                op = int(VarOp::Subtract);
            else if (t == typeid(TovAssignMulStmt))
                op = int(VarOp::Multiply);
            else if (t == typeid(TovAssignDivStmt))
                op = int(VarOp::Divide);
            Target tg = target(a->Designator());
            return std::make_unique<AssignStmt>(pos, std::move(tg), expression(a->Expression()), op);
        }
        if (t == typeid(TovCallStmt)) {
            auto *cs = static_cast<TovCallStmt *>(s);
            TovDesignator *d = cs->Designator();
            if (!d)
                return block(s);  // nothing to run
            if (cs->Modificator.isEmpty()) {
                if (TovProcVariable *p = d->ProcCall(); p && !d->LateBindingXmlSource)
                    if (auto call = callOf(p, d))
                        return std::make_unique<ExprStmt>(pos, std::move(call));
                return std::make_unique<TreeCallStmt>(pos, d);
            }
            if (cs->Modificator == QLatin1String("+") || cs->Modificator == QLatin1String("-"))
                return std::make_unique<StepStmt>(pos, target(d), cs->Modificator == QLatin1String("+"));
            return block(s);
        }
        if (t == typeid(TovIfStmt)) {
            auto *is = static_cast<TovIfStmt *>(s);
            Operand cond = expression(is->Condition());
            auto then = thenBlock(is);
            return std::make_unique<IfStmt>(pos, std::move(cond), std::move(then), block(is->ElseStmt()));
        }
        if (t == typeid(TovCaseStmt)) {
            auto *cs = static_cast<TovCaseStmt *>(s);
            auto c = std::make_unique<CaseStmt>(pos, expression(cs->Condition()), cs->BreakEndsCase());
            for (int i = 0; i < cs->Count(); ++i) {
                auto *sel = dynamic_cast<TovCaseSelector *>(cs->GetItem(i));
                if (!sel)
                    throw Unsupported{};
                SetCheck set;
                if (TovSetExpression *se = sel->SetExpression())
                    for (int j = 0; j < se->Count(); ++j) {
                        set.gap.push_back(se->GetItem(j) == nullptr);
                        set.elems.push_back(se->GetItem(j) ? expression(se->GetItem(j)) : Operand{});
                    }
                c->m_sets.push_back(std::move(set));
                c->m_bodies.push_back(thenBlock(sel));
            }
            c->m_else = block(cs->ElseStmt());
            return c;
        }
        if (t == typeid(TovRepeatStmt)) {
            auto *rs = static_cast<TovRepeatStmt *>(s);
            Operand cond = expression(rs->Condition());
            return std::make_unique<RepeatStmt>(pos, std::move(cond), rs->InverseCondition, thenBlock(rs));
        }
        if (t == typeid(TovWhileStmt)) {
            auto *ws = static_cast<TovWhileStmt *>(s);
            Operand cond = expression(ws->Condition());
            return std::make_unique<WhileStmt>(pos, std::move(cond), thenBlock(ws));
        }
        if (t == typeid(TovForStmt)) {
            auto *fs = static_cast<TovForStmt *>(s);
            Operand b = expression(fs->BeginValue());
            Operand e = expression(fs->EndValue());
            const Counter k = counter(fs->Variable());
            return std::make_unique<ForStmt>(pos, std::move(b), std::move(e), k, fs->Down, thenBlock(fs));
        }
        if (t == typeid(TovVbForStmt)) {
            auto *fs = static_cast<TovVbForStmt *>(s);
            Operand b = expression(fs->BeginValue());
            Operand e = expression(fs->EndValue());
            Operand st = fs->Step() ? expression(fs->Step()) : constant(Variant(1));
            const Counter k = counter(fs->Variable());
            return std::make_unique<VbForStmt>(pos, std::move(b), std::move(e), std::move(st), k, thenBlock(fs));
        }
        if (t == typeid(TovCppForStmt)) {
            auto *fs = static_cast<TovCppForStmt *>(s);
            auto first = block(fs->FirstStmt());
            const bool hasCond = fs->Condition() != nullptr;
            Operand cond = hasCond ? expression(fs->Condition()) : constant(Variant(true));
            auto body = thenBlock(fs);
            return std::make_unique<CppForStmt>(pos, std::move(first), std::move(cond), hasCond, std::move(body),
                                                block(fs->SecondStmt()));
        }
        if (t == typeid(TovBreakStmt))
            return std::make_unique<FlowStmt>(pos, fBreak);
        if (t == typeid(TovContinueStmt))
            return std::make_unique<FlowStmt>(pos, fContinue);
        if (t == typeid(TovExitStmt))
            return std::make_unique<FlowStmt>(pos, fExit);
        // try and with keep the tree's handling of exceptions and hidden variables.
        throw Unsupported{};
    }

    // The child list of a compound statement, as a block of its own.
    std::unique_ptr<Block> thenBlock(TovStatement *s)
    {
        auto b = std::make_unique<Block>(&s->SourcePos());
        for (int i = 0; i < s->Count(); ++i)
            b->m_items.push_back(statement(s->GetItem(i)));
        return b;
    }

    TovLeanCode &m_code;
    TovProcVariable *m_proc;
    int m_depth = 0;
};

} // namespace ovlean

// ---------------------------------------------------------------------------
std::unique_ptr<TovLeanCode> TovLeanCode::Build(TovProcVariable *proc)
{
    std::unique_ptr<TovLeanCode> code(new TovLeanCode(proc));
    ovlean::Builder b(*code, proc);
    try {
        if (!b.makeSlots())
            return nullptr;
        code->m_body = b.block(proc->Prog()->Statement());
        if (code->m_resultSlot >= 0) {
            const Variant init = static_cast<TovVariable *>(proc->RefItem)->Coerce(Variant());
            code->m_resultStart = code->m_slots[size_t(code->m_resultSlot)].kind == Slot::Text ? ovlean::rawText(init) : init;
        }
    } catch (const ovlean::Unsupported &) {
        return nullptr;
    }
    return code;
}

TovLeanCode::TovLeanCode(TovProcVariable *proc) : m_proc(proc) {}

TovLeanCode::~TovLeanCode() = default;

Variant TovLeanCode::itemValue(const Slot &s) const
{
    return s.kind == Slot::Text ? s.item->RawValue() : *s.item->PValue();
}

void TovLeanCode::storeItem(const Slot &s, const Variant &v) const
{
    if (s.kind == Slot::Text)
        s.item->SetRawValue(v);
    else
        *s.item->PValue() = v;
}

void TovLeanCode::Spill(Variant *frame)
{
    for (size_t i = 0; i < m_slots.size(); ++i)
        storeItem(m_slots[i], frame[i]);
    m_proc->m_activeFrame = nullptr;
}

void TovLeanCode::Reload(Variant *frame)
{
    for (size_t i = 0; i < m_slots.size(); ++i)
        frame[i] = itemValue(m_slots[i]);
    m_proc->m_activeFrame = frame;
}

void TovLeanCode::writeBack(Variant *frame)
{
    for (size_t i = 0; i < m_slots.size(); ++i) {
        const Slot &s = m_slots[i];
        if (s.kind == Slot::Text)
            s.item->SetRawValue(frame[i]);
        else
            *s.item->PValue() = std::move(frame[i]);
    }
}

inline Variant TovLeanCode::runBody(ovlean::Ctx &c)
{
    try {
        m_body->exec(c);
    } catch (...) {
        TovScript *prog = c.prog;
        if (prog->ErrorPos.isEmpty() && prog->LastSourcePos)
            prog->ErrorPos = *prog->LastSourcePos;
        throw;
    }
    return m_resultSlot >= 0 ? c.frame[m_resultSlot] : Variant::null();
}

Variant TovLeanCode::Run(Variant *frame, bool fromItems)
{
    const ovlean::DepthGuard depth;
    TovProcVariable *self = m_proc;
    TovScript *prog = self->m_prog;
    TovScript *main = prog;
    while (main && !main->MainProg)
        main = main->Parent();

    // The locals start as the procedure's one set of locals stands: in the
    // frame of a call still running, else in the items.
    Variant *const outer = self->m_activeFrame;
    if (fromItems)
        for (int s : m_paramSlots)
            frame[s] = *m_slots[size_t(s)].item->PValue();
    for (int s : m_localSlots)
        frame[s] = outer ? outer[s] : itemValue(m_slots[size_t(s)]);
    if (m_resultSlot >= 0)
        frame[m_resultSlot] = m_resultStart;

    struct Done {
        TovLeanCode *code;
        TovScript *prog;
        TovScript *main;
        TovScript *savedRunning;
        Variant *outer;
        Variant *frame;
        bool wasExecuting;
        bool fromItems;
        ~Done()
        {
            TovProcVariable *self = code->m_proc;
            prog->ClearFlag(ovlean::kAllFlags);
            prog->SetRunning(false);
            prog->m_progNameRef = nullptr;
            if (!prog->m_progName.isEmpty())
                prog->m_progName.clear();
            if (main)
                main->m_progRunning = savedRunning;
            self->m_executing = wasExecuting;
            self->m_activeFrame = outer;
            // A call that interrupted another leaves that call's locals as
            // they were; any other call leaves its values in the items.
            if (fromItems || !wasExecuting) {
                code->writeBack(frame);
                if (main && main->ClearLocalVars)
                    self->ClearLocals();
            }
        }
    } done{this, prog, main, main ? main->m_progRunning : nullptr, outer, frame, self->m_executing, fromItems};

    self->m_executing = true;
    self->m_activeFrame = frame;
    if (main)
        main->m_progRunning = prog;
    prog->ClearFlag(ovlean::kAllFlags);
    // A Terminate that raced with this call's start still stops it.
    if (main && main->Terminated())
        prog->SetFlag(TovScript::FlagExit | TovScript::FlagTerminated);
    prog->SetRunning(true);
    prog->m_progNameRef = &self->m_name;
    ovlean::Ctx c{frame, this, prog, main};
    return runBody(c);
}

inline Variant TovLeanCode::RunNested(Variant *frame, ovlean::Ctx &caller)
{
    // The procedure is running already: its program is the running one, and
    // the caller's frame holds the one set of locals this call starts from
    // and leaves as it was.
    const ovlean::DepthGuard depth;
    for (int s : m_localSlots)
        frame[s] = caller.frame[s];
    if (m_resultSlot >= 0)
        frame[m_resultSlot] = m_resultStart;
    TovScript *prog = caller.prog;
    struct Done {
        TovProcVariable *self;
        TovScript *prog;
        Variant *outer;
        ~Done()
        {
            prog->ClearFlag(ovlean::kAllFlags);
            self->m_activeFrame = outer;
        }
    } done{m_proc, prog, caller.frame};
    m_proc->m_activeFrame = frame;
    prog->ClearFlag(ovlean::kAllFlags);
    if (caller.main && caller.main->Terminated())
        prog->SetFlag(TovScript::FlagExit | TovScript::FlagTerminated);
    ovlean::Ctx c{frame, this, prog, caller.main};
    return runBody(c);
}
