// The lean form of a procedure body: the statement tree translated once into
// small nodes that keep the procedure's locals in a frame of each call, so a
// recursive call neither saves nor restores them, and that read operands in
// place. Bodies with statements the form lacks keep running as the tree.
#pragma once
#include "script/ov_iinterpreter.h"

#include <memory>
#include <vector>

namespace ovlean {
class Block;
class Builder;
struct Ctx;

// Nesting of script procedure calls on this thread; shared by the tree and
// the lean form so both stop at the same depth.
extern thread_local int tCallDepth __attribute__((tls_model("initial-exec")));

struct DepthGuard {
    DepthGuard()
    {
        // The stack is measured on every 8th level: eight lean calls use far
        // less than the reserve left below the limit.
        if (tCallDepth >= TovProcVariable::MaxCallDepth || ((tCallDepth & 7) == 0 && ovStackLow()))
            overflow();
        ++tCallDepth;
    }
    ~DepthGuard() { --tCallDepth; }
    [[noreturn]] static void overflow();
};

// The values of one call: on the C++ stack for the common small procedure.
class FrameBuf {
public:
    explicit FrameBuf(int n) : m_n(n)
    {
        m_p = n <= kSmall ? reinterpret_cast<Variant *>(m_small)
                          : static_cast<Variant *>(::operator new(sizeof(Variant) * size_t(n)));
        for (int i = 0; i < n; ++i)
            new (m_p + i) Variant();
    }
    ~FrameBuf()
    {
        for (int i = 0; i < m_n; ++i)
            m_p[i].~Variant();
        if (m_n > kSmall)
            ::operator delete(m_p);
    }
    FrameBuf(const FrameBuf &) = delete;
    FrameBuf &operator=(const FrameBuf &) = delete;
    Variant *data() { return m_p; }

private:
    static constexpr int kSmall = 8;
    alignas(Variant) unsigned char m_small[kSmall * sizeof(Variant)];
    Variant *m_p;
    int m_n;
};
} // namespace ovlean

class TovLeanCode {
public:
    // Null when the body needs the tree (try, with, nested procedures,
    // locals read through a host hook).
    static std::unique_ptr<TovLeanCode> Build(TovProcVariable *proc);
    ~TovLeanCode();

    // True when a run-line hook watches the procedure: it then runs as the tree.
    bool Watched() const
    {
        for (const TovScript *p = m_proc->Prog(); p; p = p->Parent())
            if (p->OnRunLine)
                return true;
        return false;
    }
    int FrameSize() const { return int(m_slots.size()); }
    TovProcVariable *Proc() const { return m_proc; }
    int ParamSlot(int index) const { return m_paramSlots[size_t(index)]; }

    // One call. The frame holds FrameSize() values, the arguments already in
    // their parameter slots unless fromItems, when the caller assigned them to
    // the parameter items (the tree's calling convention).
    Variant Run(Variant *frame, bool fromItems);
    // A call of the procedure from its own running body (caller's context);
    // inlined into the call nodes of ov_ilean.cpp, the only ones that use it.
    __attribute__((always_inline)) inline Variant RunNested(Variant *frame, ovlean::Ctx &caller);

    // Around a call into the tree: the items take the frame's values, and
    // back again afterwards (the tree may read and write them).
    void Spill(Variant *frame);
    void Reload(Variant *frame);

private:
    friend class ovlean::Builder;
    struct Slot {
        TovCustomVariable *item;
        enum Kind : quint8 { Param, Var, Text, Result } kind;
    };
    explicit TovLeanCode(TovProcVariable *proc);
    Variant itemValue(const Slot &s) const;
    inline Variant runBody(ovlean::Ctx &c);
    void storeItem(const Slot &s, const Variant &v) const;
    void writeBack(Variant *frame);

    TovProcVariable *m_proc;
    std::vector<Slot> m_slots;
    std::vector<int> m_paramSlots;
    std::vector<int> m_localSlots;  // neither parameters nor the result
    int m_resultSlot = -1;
    Variant m_resultStart;  // the result's value at the start of a call
    std::unique_ptr<ovlean::Block> m_body;
};
