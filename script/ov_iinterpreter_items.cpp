// Program items: variables, parameters, procedures, designators and sets.
#include "script/ov_iinterpreter.h"
#include "script/ov_iexpression.h"
#include "script/ov_ilean.h"
#include "script/ov_itools.h"
#include "script/ov_xml.h"

#include <QVarLengthArray>
#include <algorithm>
#include <new>

// ---------------------------------------------------------------------------
TovItemList::~TovItemList()
{
    for (TovObject *o : m_items)
        delete o;
}

void TovItemList::Clear()
{
    std::vector<TovObject *> items;
    items.swap(m_items);
    for (TovObject *o : items)
        delete o;
}

void TovItemList::Remove(TovObject *item)
{
    auto it = std::find(m_items.begin(), m_items.end(), item);
    if (it != m_items.end())
        m_items.erase(it);
}

// ---------------------------------------------------------------------------
TovCustomVariable::TovCustomVariable(const QString &name, TovVarType typ, const QString &typeName)
    : Typ(typ), TypeName(typeName), m_name(name), m_upperName(name.toUpper()), m_value(Variant::null())
{
}

void TovCustomVariable::SetValue(const Variant &value)
{
    if (!IsReadOnly)
        m_value = value;
}

Variant TovCustomVariable::GetValue()
{
    return m_value;
}

TovParamItem *TovCustomVariable::GetParam(int index) const
{
    return static_cast<TovParamItem *>(At(index));
}

int TovCustomVariable::GetNumberOfRequiredParams() const
{
    int n = 0;
    for (int i = 0; i < Count(); ++i)
        if (!GetParam(i)->IsOptional)
            ++n;
    return n;
}

QString TovCustomVariable::GetFullTypeName() const
{
    switch (Typ) {
    case fvtInt: return QStringLiteral("Integer");
    case fvtBool: return QStringLiteral("Boolean");
    case fvtFloat: return QStringLiteral("Extended");
    case fvtChar: return QStringLiteral("Char");
    case fvtString: return QStringLiteral("String");
    case fvtArray: return QStringLiteral("Array");
    case fvtInt64: return QStringLiteral("Int64");
    case fvtClass:
    case fvtEnum: return TypeName;
    default: return QStringLiteral("Variant");
    }
}

void TovCustomVariable::SetHelperContext(TovCustomVariable *, const Variant &, TovScript *) {}

// ---------------------------------------------------------------------------
Variant TovVariable::Coerce(const Variant &value) const
{
    switch (Typ) {
    case fvtInt:
        if (value.varType() == varInteger)
            return value;
        return Variant(value.toInt());
    case fvtBool:
        if (value.isBool())
            return value;
        return Variant(value.toBool());
    case fvtFloat:
        if (value.varType() == varDate || value.varType() == varDouble)
            return value;
        return Variant(value.toDouble());
    case fvtString:
        if (value.varType() == varString)
            return value;
        return Variant(value.toString());
    case fvtInt64:
        if (value.varType() == varInt64)
            return value;
        return Variant::fromInt64(value.toInt64());
    default:
        return value;
    }
}

void TovVariable::SetValue(const Variant &value)
{
    if (IsReadOnly)
        return;
    // Convert first so that a failure keeps the old value.
    m_value = Coerce(value);
}

Variant TovVariable::GetValue()
{
    if (OnGetVarValue) {
        Variant v = OnGetVarValue(m_name, Typ, m_value);
        if (!v.isNull())
            return v;
    }
    return m_value;
}

// ---------------------------------------------------------------------------
TovStringVariable::TovStringVariable(const QString &name, TovVarType typ, const QString &typeName)
    : TovVariable(name, typ, typeName)
{
    m_itemKind = ikVariable;
}

void TovStringVariable::SetValue(const Variant &value)
{
    m_text = value.isString() ? value.rawString() : value.toString();
}

Variant TovStringVariable::GetValue()
{
    if (OnGetVarValue) {
        Variant v = OnGetVarValue(m_name, Typ, Variant(m_text));
        if (!v.isNull())
            return v;
    }
    return Variant(m_text);
}

static void indexError(qint64 index, qsizetype length)
{
    throw EovRunError(QStringLiteral("String index %1 out of range 1..%2").arg(index).arg(length));
}

QChar TovStringVariable::CharAt(qint64 index) const
{
    if (index < 1 || index > m_text.size())
        indexError(index, m_text.size());
    return m_text.at(qsizetype(index - 1));
}

void TovStringVariable::SetCharAt(qint64 index, QChar c)
{
    if (index < 1 || index > m_text.size())
        indexError(index, m_text.size());
    m_text[qsizetype(index - 1)] = c;
}

// ---------------------------------------------------------------------------
TovParamItem::TovParamItem(const QString &name, TovVarType typ, const QString &typeName, bool isOptional,
                           bool isVarParam)
    : TovCustomVariable(name, typ, typeName), IsOptional(isOptional), IsVarParam(isVarParam)
{
    m_itemKind = ikParam;
}

// ---------------------------------------------------------------------------
TovProcVariable::TovProcVariable(const QString &name, TovVarType typ, const QString &typeName, TovScript *parent,
                                 bool isFunc)
    : TovCustomVariable(name, typ, typeName), m_isFunc(isFunc)
{
    m_itemKind = ikProc;
    IsReadOnly = true;
    m_prog = new TovScript(nullptr);
    m_prog->SetParent(parent);
    if (parent) {
        m_prog->UseClassLateBinding = parent->UseClassLateBinding;
        m_prog->SetSyntaxType(parent->SyntaxType());
    }
    if (isFunc) {
        TovVariable *result = typ == fvtString || typ == fvtChar
                                  ? new TovStringVariable(QStringLiteral("Result"), typ, typeName)
                                  : new TovVariable(QStringLiteral("Result"), typ, typeName);
        m_prog->Add(QStringLiteral("Result"), result);
        RefItem = result;
    }
}

TovProcVariable::~TovProcVariable()
{
    // The parameters are ours; the nested program only lists them.
    for (int i = 0; i < Count(); ++i)
        m_prog->Remove(At(i));
    delete m_prog;
}

void TovProcVariable::buildLean()
{
    m_lean = TovLeanCode::Build(this);
}

void TovProcVariable::ClearLocals()
{
    for (int i = 0; i < m_prog->Count(); ++i) {
        auto *v = dynamic_cast<TovVariable *>(m_prog->Items(i));
        if (!v || v == RefItem || v->RawValue().isEmpty())
            continue;
        switch (v->Typ) {
        case fvtInt:
        case fvtFloat: v->SetRawValue(Variant(0)); break;
        case fvtChar:
        case fvtString: v->SetRawValue(Variant(QString())); break;
        case fvtVariant: v->SetRawValue(Variant::null()); break;
        default: break;
        }
    }
}

Variant TovProcVariable::GetValue()
{
    if (TovLeanCode *lean = LeanCode(); lean && !lean->Watched()) {
        ovlean::FrameBuf frame(lean->FrameSize());
        return lean->Run(frame.data(), true);
    }
    const ovlean::DepthGuard depth;
    const bool wasExecuting = m_executing;
    m_executing = true;
    TovScript *main = m_prog;
    while (main && !main->MainProg)
        main = main->Parent();
    TovScript *savedRunning = main ? main->m_progRunning : nullptr;

    struct Cleanup {
        TovProcVariable *self;
        TovScript *main;
        TovScript *savedRunning;
        bool wasExecuting;
        ~Cleanup()
        {
            TovScript *p = self->m_prog;
            p->ClearFlag(TovScript::FlagExit | TovScript::FlagTerminated | TovScript::FlagBreak |
                         TovScript::FlagContinue);
            p->SetRunning(false);
            p->m_progNameRef = nullptr;
            if (!p->m_progName.isEmpty())
                p->m_progName.clear();
            if (main)
                main->m_progRunning = savedRunning;
            self->m_executing = wasExecuting;
            if (main && main->ClearLocalVars)
                self->ClearLocals();
        }
    } cleanup{this, main, savedRunning, wasExecuting};

    if (m_isFunc) {
        if (!m_resultInitKnown) {
            m_resultInit = static_cast<TovVariable *>(RefItem)->Coerce(Variant());
            m_resultInitKnown = true;
        }
        RefItem->SetRawValue(m_resultInit);
    }
    if (main)
        main->m_progRunning = m_prog;
    m_prog->ClearFlag(TovScript::FlagExit | TovScript::FlagTerminated | TovScript::FlagBreak |
                      TovScript::FlagContinue);
    // A Terminate that raced with this call's start still stops it.
    if (main && main->Terminated())
        m_prog->SetFlag(TovScript::FlagExit | TovScript::FlagTerminated);
    m_prog->SetRunning(true);
    m_prog->m_progNameRef = &m_name;
    m_prog->Statement()->Execute();
    return m_isFunc ? RefItem->GetValue() : Variant::null();
}

void TovProcVariable::collectLocals()
{
    m_locals.clear();
    for (int i = 0; i < m_prog->Count(); ++i) {
        auto *v = dynamic_cast<TovCustomVariable *>(m_prog->Items(i));
        if (!v)
            continue;
        const bool param = v->ItemKind() == ikParam;
        if (param || dynamic_cast<TovVariable *>(v))
            m_locals.push_back(Local{v, dynamic_cast<TovStringVariable *>(v) != nullptr,
                                     param && static_cast<TovParamItem *>(v)->IsVarParam});
    }
    m_localsKnown = m_prog->Count();
}

void TovProcVariable::findVarParams()
{
    for (int i = 0; i < Count(); ++i)
        m_hasVarParams = m_hasVarParams || GetParam(i)->IsVarParam;
    m_paramsKnown = true;
}

int TovProcVariable::SaveLocalVariables()
{
    if (m_localsKnown != m_prog->Count())
        collectLocals();
    const size_t n = m_locals.size();
    const size_t base = m_depth > 0 ? m_frames[size_t(m_depth - 1)].base + m_frames[size_t(m_depth - 1)].count : 0;
    if (m_saved.size() < base + n)
        m_saved.resize(std::max(base + n, m_saved.size() * 2));
    if (size_t(m_depth) == m_frames.size())
        m_frames.push_back(Frame{base, n});
    else
        m_frames[size_t(m_depth)] = Frame{base, n};
    Variant *out = m_saved.data() + base;
    for (const Local &l : m_locals) {
        if (l.text)
            *out = l.item->RawValue();
        else
            *out = *l.item->PValue();
        ++out;
    }
    return m_depth++;
}

__attribute__((always_inline)) inline void TovProcVariable::restoreFrame(int stackIndex, bool skipVarParams)
{
    const Frame f = m_frames[size_t(stackIndex)];
    Variant *in = m_saved.data() + f.base;
    const size_t n = std::min(m_locals.size(), f.count);
    for (size_t i = 0; i < n; ++i) {
        const Local &l = m_locals[i];
        if (skipVarParams && l.varParam)
            continue;
        // The saved slot is refilled by the next snapshot: move out of it.
        if (l.text)
            l.item->SetRawValue(in[i]);
        else
            *l.item->PValue() = std::move(in[i]);
    }
}

bool TovProcVariable::SaveLocalsInto(TovCallFrame &frame)
{
    if (m_localsKnown != m_prog->Count())
        collectLocals();
    const size_t n = m_locals.size();
    if (n > size_t(TovCallFrame::Capacity) || HasVarParams())
        return false;
    Variant *out = frame.storage();
    frame.m_count = 0;
    for (size_t i = 0; i < n; ++i) {
        const Local &l = m_locals[i];
        if (l.text)
            new (out + i) Variant(l.item->RawValue());
        else
            new (out + i) Variant(*l.item->PValue());
        frame.m_count = int(i) + 1;
    }
    return true;
}

void TovProcVariable::RestoreLocalsFrom(TovCallFrame &frame)
{
    const size_t n = std::min(m_locals.size(), size_t(frame.m_count));
    Variant *in = frame.storage();
    for (size_t i = 0; i < n; ++i) {
        const Local &l = m_locals[i];
        if (l.text)
            l.item->SetRawValue(in[i]);
        else
            *l.item->PValue() = std::move(in[i]);
    }
    frame.clear();
}

void TovProcVariable::RestoreLocalVariables(int stackIndex, bool skipVarParams, TovDesignatorItem *dItem)
{
    if (stackIndex < 0)
        return;
    if (!dItem || !HasVarParams()) {
        // Nothing to write back: put the frame back and pop it.
        m_depth = stackIndex;
        restoreFrame(stackIndex, skipVarParams);
        return;
    }
    struct Pop {
        TovProcVariable *self;
        int index;
        ~Pop() { self->m_depth = index; }
    } pop{this, stackIndex};

    // The var parameters' values of this call go to the caller's arguments
    // after the caller's own locals are back.
    const int np = Count();
    QVarLengthArray<Variant, 4> varValues(np);
    for (int i = 0; i < np; ++i)
        if (GetParam(i)->IsVarParam)
            varValues[i] = GetParam(i)->GetValue();
    restoreFrame(stackIndex, skipVarParams);
    for (int i = 0; i < np && i < dItem->Count(); ++i)
        if (GetParam(i)->IsVarParam)
            dItem->GetItem(i)->SetValue(varValues[i]);
}

// ---------------------------------------------------------------------------
std::function<TovDesignator *(TovXMLItem *, TovScript *)> TovDesignator::LateBindingResolver;

TovDesignator::TovDesignator(TovScript *program)
    : TovCustomVariable(QString(), fvtVariant, QString()), m_prog(program)
{
    m_itemKind = ikDesignator;
    m_mainProg = program;
    while (m_mainProg && m_mainProg->Parent())
        m_mainProg = m_mainProg->Parent();
    if (m_mainProg && program && m_mainProg != program)
        program->UseClassLateBinding = m_mainProg->UseClassLateBinding;
}

TovDesignator::~TovDesignator() = default;

TovDesignatorItem *TovDesignator::AddItem()
{
    auto *item = new TovDesignatorItem;
    Add(item);
    return item;
}

void TovDesignator::Finalize()
{
    const int n = Count();
    if (n == 0)
        return;
    TovCustomVariable *last = GetItem(n - 1)->Ref;
    if (!last)
        return;
    Typ = last->Typ;
    TypeName = last->TypeName;
    if (Typ == fvtConstructor) {
        Typ = fvtClass;
        if (n >= 2 && GetItem(n - 2)->Ref)
            TypeName = GetItem(n - 2)->Ref->TypeName;
    }
    IsReadOnly = last->IsReadOnly;
    TovCustomVariable *first = GetItem(0)->Ref;
    m_kind = dkOther;
    m_call = nullptr;
    if (n == 1 && first && first->ItemKind() == ikProc && !first->IsMacro && !first->IsHelper())
        m_call = static_cast<TovProcVariable *>(first);
    if (n == 1 && first && (dynamic_cast<TovVariable *>(first) || first->ItemKind() == ikParam)) {
        m_kind = dkVariable;
        m_ref1 = first;
        RefItem = first;
    } else if (n == 2 && dynamic_cast<TovStringVariable *>(first) && GetItem(1)->Count() == 1) {
        m_kind = dkStringArray;
        m_ref1 = first;
        m_ref2 = GetItem(1);
    } else if (n == 2 && dynamic_cast<TovVariable *>(first) && first->Typ == fvtArray && !first->OnGetVarValue) {
        m_kind = dkArray;
        m_ref1 = first;
        m_ref2 = GetItem(1);
        RefItem = first->RefItem;
    }
}

void TovDesignator::Borrow(TovDesignator *other)
{
    m_items.swap(other->m_items);
    m_kind = other->m_kind;
    m_ref1 = other->m_ref1;
    m_ref2 = other->m_ref2;
    m_call = other->m_call;
    Typ = other->Typ;
    TypeName = other->TypeName;
    IsReadOnly = other->IsReadOnly;
    RefItem = other->RefItem;
    NeedResult = other->NeedResult;
    SourcePos = other->SourcePos;
    LateBindingXmlSource = std::move(other->LateBindingXmlSource);
}

void TovDesignator::resolveLateBinding()
{
    std::unique_ptr<TovXMLItem> src = std::move(LateBindingXmlSource);
    if (!LateBindingResolver)
        throw EovRunError(QStringLiteral("Late-bound name cannot be resolved"));
    std::unique_ptr<TovDesignator> d(LateBindingResolver(src.get(), m_prog));
    if (!d)
        throw EovRunError(QStringLiteral("Late-bound name cannot be resolved"));
    Clear();
    m_items.swap(d->m_items);
    m_kind = d->m_kind;
    m_ref1 = d->m_ref1;
    m_ref2 = d->m_ref2;
    m_call = d->m_call;
    Typ = d->Typ;
    TypeName = d->TypeName;
    IsReadOnly = d->IsReadOnly;
    RefItem = d->RefItem;
}

Variant TovDesignator::walk(bool writing, const Variant &value)
{
    if (LateBindingXmlSource)
        resolveLateBinding();
    Variant cur = Variant::null();
    TovCustomVariable *prev = nullptr;
    const int n = Count();
    for (int i = 0; i < n; ++i) {
        TovDesignatorItem *item = GetItem(i);
        TovCustomVariable *r = item->Ref;
        if (!r)
            continue;
        if (r->ItemKind() == ikDesignator) {
            cur = r->GetValue();
            prev = r;
            continue;
        }
        TovProcVariable *proc = r->ItemKind() == ikProc ? static_cast<TovProcVariable *>(r) : nullptr;
        const int snap = proc && proc->Executing() ? proc->SaveLocalVariables() : -1;
        const bool last = i == n - 1;
        try {
            const int np = std::min(r->ParamCount(), item->Count());
            if (np > 0) {
                // All arguments first: one of them may call r itself.
                QVarLengthArray<Variant, 6> args(np);
                for (int j = 0; j < np; ++j) {
                    TovCustomExpression *e = item->GetItem(j);
                    args[j] = r->IsMacro ? Variant(e->Source) : e->GetValue();
                }
                for (int j = 0; j < np; ++j)
                    r->GetParam(j)->SetValue(args[j]);
            }
            if (r->IsHelper())
                r->SetHelperContext(prev, cur, m_prog);
            prev = r;
            if (writing && last) {
                r->SetValue(value);
            } else {
                r->NeedResult = !(last && !NeedResult);
                cur = r->GetValue();
            }
            for (int j = 0; j < np; ++j) {
                TovParamItem *p = r->GetParam(j);
                if (p->IsVarParam)
                    item->GetItem(j)->SetValue(p->GetValue());
            }
        } catch (...) {
            if (proc)
                proc->RestoreLocalVariables(snap, false, nullptr);
            throw;
        }
        if (proc)
            proc->RestoreLocalVariables(snap, false, item);
    }
    return cur;
}

// The walk for one script procedure step, reading its result.
Variant TovDesignator::call()
{
    TovProcVariable *proc = m_call;
    TovDesignatorItem *item = GetItem(0);
    const int np = std::min(proc->ParamCount(), item->Count());
    constexpr int kMaxArgs = 8;
    if (np > kMaxArgs)
        return walk(false, Variant());
    TovCallFrame frame;
    const int snap = proc->Executing() && !proc->SaveLocalsInto(frame) ? proc->SaveLocalVariables() : -1;
    bool restored = false;
    auto restore = [&](TovDesignatorItem *dItem) {
        if (frame.Holds())
            proc->RestoreLocalsFrom(frame);
        else
            proc->RestoreLocalVariables(snap, false, dItem);
    };
    try {
        // Parameters store arguments as given (the plain item setter), so
        // the evaluated value moves straight in.
        auto pass = [proc](int j, Variant &&v) {
            TovParamItem *p = proc->GetParam(j);
            if (!p->IsReadOnly)
                *p->PValue() = std::move(v);
        };
        if (np == 1) {
            pass(0, item->GetItem(0)->GetValue());
        } else if (np > 1) {
            // All arguments first: one of them may call the procedure itself.
            Variant args[kMaxArgs];
            for (int j = 0; j < np; ++j)
                args[j] = item->GetItem(j)->GetValue();
            for (int j = 0; j < np; ++j)
                pass(j, std::move(args[j]));
        }
        proc->NeedResult = NeedResult;
        Variant result = proc->GetValue();
        if (np > 0 && proc->HasVarParams()) {
            for (int j = 0; j < np; ++j) {
                TovParamItem *p = proc->GetParam(j);
                if (p->IsVarParam)
                    item->GetItem(j)->SetValue(p->GetValue());
            }
        }
        // Restored once: a failure while writing back must not restore again.
        restored = true;
        restore(item);
        return result;
    } catch (...) {
        if (!restored)
            restore(nullptr);
        throw;
    }
}

void TovDesignator::SetValue(const Variant &value)
{
    walk(true, value);
}

Variant TovDesignator::GetValue()
{
    if (m_call && !LateBindingXmlSource)
        return call();
    return walk(false, Variant());
}

void TovVariableDesignator::SetValue(const Variant &value)
{
    m_ref1->SetValue(value);
}

Variant TovVariableDesignator::GetValue()
{
    return m_ref1->GetValue();
}

void TovStringDesignator::SetValue(const Variant &value)
{
    const qint64 index = m_ref2->GetItem(0)->GetValue().toInt64();
    const QString s = value.toString();
    static_cast<TovStringVariable *>(m_ref1)->SetCharAt(index, s.isEmpty() ? QChar() : s.at(0));
}

Variant TovStringDesignator::GetValue()
{
    const qint64 index = m_ref2->GetItem(0)->GetValue().toInt64();
    auto *sv = static_cast<TovStringVariable *>(m_ref1);
    if (sv->OnGetVarValue) {
        const QString text = VarToStr(sv->GetValue());
        if (index < 1 || index > text.size())
            throw EovRunError(QStringLiteral("String index %1 out of range 1..%2").arg(index).arg(text.size()));
        return Variant(QString(text.at(qsizetype(index - 1))));
    }
    return Variant(QString(sv->CharAt(index)));
}

int TovArrayDesignator::indexes(int *out) const
{
    const int n = std::min(m_ref2->Count(), 3);
    for (int i = 0; i < n; ++i)
        out[i] = m_ref2->GetItem(i)->GetValue().toInt();
    return n;
}

Variant TovArrayDesignator::GetValue()
{
    int idx[3];
    const int n = indexes(idx);
    const Variant &arr = *m_ref1->PValue();
    if (!arr.isArray() || arr.arrayDimCount() != n)
        return Variant::null();
    return arr.arrayGet(std::span<const int>(idx, size_t(n)));
}

void TovArrayDesignator::SetValue(const Variant &value)
{
    int idx[3];
    const int n = indexes(idx);
    Variant &arr = *m_ref1->PValue();
    if (!arr.isArray() || arr.arrayDimCount() != n)
        return;
    arr.arraySet(std::span<const int>(idx, size_t(n)), value);
}

// ---------------------------------------------------------------------------
bool TovSetExpression::Check(const Variant &value)
{
    const int n = Count();
    for (int i = 0; i < n;) {
        TovCustomExpression *e = GetItem(i);
        if (!e) {
            ++i;
            continue;
        }
        if (i + 2 < n && !GetItem(i + 1) && GetItem(i + 2)) {
            const Variant low = e->GetValue();
            const Variant high = GetItem(i + 2)->GetValue();
            const VarCompare a = Variant::compare(low, value);
            const VarCompare b = Variant::compare(value, high);
            if ((a == VarCompare::Less || a == VarCompare::Equal) && (b == VarCompare::Less || b == VarCompare::Equal))
                return true;
            i += 3;
            continue;
        }
        if (Variant::equals(e->GetValue(), value))
            return true;
        ++i;
    }
    return false;
}

Variant TovSetExpression::Value()
{
    QList<Variant> values;
    values.reserve(Count());
    for (int i = 0; i < Count(); ++i)
        values.append(GetItem(i) ? GetItem(i)->GetValue() : Variant::null());
    return Variant::arrayOf(values);
}

void TovSetExpression::Clear()
{
    TovItemList::Clear();
}
