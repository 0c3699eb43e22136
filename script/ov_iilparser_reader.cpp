// Building program objects from the intermediate script: declarations, statements,
// expressions and designators, with every compile-time check.
#include "script/ov_iilparser.h"

#include "script/ov_iclasses.h"
#include "script/ov_iconst.h"
#include "script/ov_idisp.h"
#include "script/ov_iexpression.h"

#include <memory>

namespace {

inline QString lc(const QString &s) { return s.toLower(); }

QString quoted(const QString &msg, const QString &name)
{
    return msg + QLatin1Char('\'') + name + QLatin1Char('\'');
}

// Keeps a statement until it is complete, then hands it to its list.
template <class T>
using Owned = std::unique_ptr<T>;

Variant initialValue(TovVarType typ)
{
    switch (typ) {
    case fvtBool:
        return Variant(false);
    case fvtChar:
    case fvtString:
        return Variant(QString());
    case fvtInt:
    case fvtFloat:
    case fvtClass:
        return Variant(0);
    case fvtInt64:
        return Variant::fromInt64(0);
    default:
        return Variant::null();
    }
}

} // namespace

// The reader proper; a friend of the translator so it shares its state.
class TovILReader {
public:
    explicit TovILReader(TovILParser &p) : P(p), FProgram(dynamic_cast<TovScript *>(p.m_program)) {}

    void readBlock(TovXMLItem *e, TovScript *prog);
    TovDesignator *designator(TovXMLItem *xi, TovScript *prog, TovEmitOp emitOp);

private:
    void setPos(const TovXMLItem *x)
    {
        const QString pos = x->Prop(QStringLiteral("pos"));
        if (!pos.isEmpty())
            P.m_errorPos = pos;
    }
    [[noreturn]] void fail(const QString &msg) { throw Exception(msg); }

    void declarePass(TovXMLItem *e, TovScript *prog);
    void declareProc(TovXMLItem *xi, TovScript *prog);
    void readParams(TovXMLItem *xi, TovProcVariable *proc);
    void dispatch(TovXMLItem *xi, TovScript *prog, TovStatement *list);
    void dispatchChildren(TovXMLItem *xi, TovScript *prog, TovStatement *list, int from = 0)
    {
        for (int i = from; i < xi->Count(); ++i)
            dispatch(xi->Items(i), prog, list);
    }
    void append(TovStatement *list, TovStatement *stmt, const QString &pos)
    {
        list->AddStatement(stmt);
        FProgram->AddCodeLine(P.m_unitName, pos);
    }

    void readAssign(TovXMLItem *xi, TovScript *prog, TovStatement *list);
    void readVar(TovXMLItem *xi, TovScript *prog, TovStatement *list, TovProcVariable *paramsOf = nullptr,
                 bool varParams = false);
    void readConst(TovXMLItem *xi, TovScript *prog);
    void readUses(TovXMLItem *xi, TovScript *prog);
    void readWith(TovXMLItem *xi, TovScript *prog, TovStatement *list);
    template <class T>
    void readFor(TovXMLItem *xi, TovScript *prog, TovStatement *list, bool vb);

    // Shape of the flat operand/operator sequence, checked as it is read so a
    // stored script cannot hand the tree builder a sequence it cannot place.
    struct ExprShape {
        bool expectOperand = true;
        int open = 0;
        bool any = false;
    };
    TovExpression *expression(TovXMLItem *xi, TovScript *prog);
    void walkExpr(TovXMLItem *xi, TovExpression *e, TovScript *prog, ExprShape &shape);
    void operand(ExprShape &shape)
    {
        if (!shape.expectOperand)
            fail(SSyntaxError);
        shape.expectOperand = false;
        shape.any = true;
    }
    TovSetExpression *readSet(TovXMLItem *xi, TovScript *prog);

    void resolveType(const QString &name, TovScript *prog, TovVarType &typ, QString &typeName);
    void checkRedeclared(TovScript *prog, const QString &name)
    {
        if (prog->FindLocal(name))
            fail(quoted(SIdRedeclared, name));
    }
    void checkTypes(TovCustomVariable *target, TovCustomVariable *value, TovScript *prog);
    TovCustomVariable *findOrDeclare(const QString &name, TovScript *prog);
    TovDesignator *finishDesignator(Owned<TovDesignator> d, TovScript *prog, bool checkArgs);
    TovCustomVariable *builtinHelper(TovScript *prog, bool array);
    Variant compileTimeValue(TovCustomVariable *item);

    // Stored intermediate scripts may nest without bound; the reader recurses.
    struct Depth {
        explicit Depth(TovILReader &r) : r(r)
        {
            if (r.m_depth >= MaxDepth)
                throw Exception(SNestingTooDeep);
            ++r.m_depth;
        }
        ~Depth() { --r.m_depth; }
        TovILReader &r;
    };
    static constexpr int MaxDepth = 1000;

    TovILParser &P;
    TovScript *FProgram;
    int m_depth = 0;
};

// ---------------------------------------------------------------- blocks

void TovILReader::readBlock(TovXMLItem *e, TovScript *prog)
{
    TovXMLItem *saved = P.m_progRoot;
    P.m_progRoot = e;
    try {
        declarePass(e, prog);
        dispatchChildren(e, prog, prog->Statement());
    } catch (...) {
        P.m_progRoot = saved;
        throw;
    }
    P.m_progRoot = saved;
}

void TovILReader::declarePass(TovXMLItem *e, TovScript *prog)
{
    Depth depth(*this);
    for (int i = 0; i < e->Count(); ++i) {
        TovXMLItem *c = e->Items(i);
        const QString n = lc(c->Name());
        if (n == QLatin1String("procedure") || n == QLatin1String("function"))
            declareProc(c, prog);
        else if (n == QLatin1String("compoundstmt"))
            declarePass(c, prog);
    }
}

void TovILReader::declareProc(TovXMLItem *xi, TovScript *prog)
{
    setPos(xi);
    const bool isFunction = lc(xi->Name()) == QLatin1String("function");
    QString name;
    TovVarType typ = fvtInt;
    QString typeName;
    bool isFunc = false;
    if (!isFunction) {
        if (xi->Count() > 0)
            name = xi->Items(0)->Prop(QStringLiteral("text"));
    } else {
        typ = fvtVariant;
        typeName = QStringLiteral("Variant");
        isFunc = true;
        for (int i = 0; i < xi->Count(); ++i) {
            TovXMLItem *c = xi->Items(i);
            const QString n = lc(c->Name());
            if (n == QLatin1String("name")) {
                name = c->Prop(QStringLiteral("text"));
            } else if (n == QLatin1String("type")) {
                setPos(c);
                const QString t = c->Prop(QStringLiteral("text"));
                if (t.compare(QLatin1String("void"), Qt::CaseInsensitive) == 0) {
                    isFunc = false;
                    typ = fvtInt;
                    typeName.clear();
                } else {
                    resolveType(t, prog, typ, typeName);
                }
            }
        }
    }
    setPos(xi);
    checkRedeclared(prog, name);
    auto *proc = new TovProcVariable(name, typ, typeName, prog, isFunc);
    proc->SourcePos = xi->Prop(QStringLiteral("pos"));
    proc->SourceUnit = P.m_unitName;
    prog->Add(name, proc);
    const int pi = xi->Find(QStringLiteral("parameters"));
    if (pi >= 0)
        readParams(xi->Items(pi), proc);
}

void TovILReader::readParams(TovXMLItem *xi, TovProcVariable *proc)
{
    bool varParams = false;
    for (int i = 0; i < xi->Count(); ++i) {
        TovXMLItem *c = xi->Items(i);
        const QString n = lc(c->Name());
        if (n == QLatin1String("varparams")) {
            varParams = true;
        } else if (n == QLatin1String("var")) {
            readVar(c, proc->Prog(), nullptr, proc, varParams);
            varParams = false;
        }
    }
}

// ---------------------------------------------------------------- statements

void TovILReader::dispatch(TovXMLItem *xi, TovScript *prog, TovStatement *list)
{
    Depth depth(*this);
    setPos(xi);
    const QString n = lc(xi->Name());
    const QString pos = xi->Prop(QStringLiteral("pos"));
    const QString &unit = P.m_unitName;
    auto child = [xi](int i) { return i < xi->Count() ? xi->Items(i) : nullptr; };

    if (n == QLatin1String("assignstmt")) {
        readAssign(xi, prog, list);
    } else if (n == QLatin1String("callstmt")) {
        Owned<TovCallStmt> s(new TovCallStmt(prog, unit, pos));
        s->SetDesignator(designator(child(0), prog, emNone));
        if (TovXMLItem *m = child(1)) {
            s->Modificator = m->Prop(QStringLiteral("text"));
            if (s->Designator()->IsReadOnly) {
                setPos(xi);
                fail(SLeftCantAssigned);
            }
        }
        append(list, s.release(), pos);
    } else if (n == QLatin1String("ifstmt")) {
        Owned<TovIfStmt> s(new TovIfStmt(prog, unit, pos));
        s->SetCondition(expression(child(0), prog));
        for (int i = 1; i < xi->Count(); ++i) {
            const QString cn = lc(xi->Items(i)->Name());
            if (cn == QLatin1String("thenstmt"))
                dispatchChildren(xi->Items(i), prog, s.get());
            else if (cn == QLatin1String("elsestmt"))
                dispatchChildren(xi->Items(i), prog, s->ElseStmt());
        }
        append(list, s.release(), pos);
    } else if (n == QLatin1String("casestmt")) {
        Owned<TovCaseStmt> s(new TovCaseStmt(prog, unit, pos));
        s->SetCondition(expression(child(0), prog));
        for (int i = 1; i < xi->Count(); ++i) {
            TovXMLItem *c = xi->Items(i);
            if (lc(c->Name()) == QLatin1String("caseselector")) {
                if (c->Count() != 2)
                    continue;
                setPos(c);
                const QString cpos = c->Prop(QStringLiteral("pos"));
                Owned<TovCaseSelector> sel(new TovCaseSelector(prog, unit, cpos));
                sel->SetSetExpression(readSet(c->Items(0), prog));
                dispatch(c->Items(1), prog, sel.get());
                s->AddStatement(sel.release());
            } else if (i == xi->Count() - 1) {
                dispatch(c, prog, s->ElseStmt());
            }
        }
        append(list, s.release(), pos);
    } else if (n == QLatin1String("forstmt")) {
        readFor<TovForStmt>(xi, prog, list, false);
    } else if (n == QLatin1String("vbforstmt")) {
        readFor<TovVbForStmt>(xi, prog, list, true);
    } else if (n == QLatin1String("cppforstmt")) {
        Owned<TovCppForStmt> s(new TovCppForStmt(prog, unit, pos));
        if (TovXMLItem *c = child(0))
            dispatch(c, prog, s->FirstStmt());
        if (TovXMLItem *c = child(1))
            s->SetCondition(expression(c, prog));
        if (TovXMLItem *c = child(2))
            dispatch(c, prog, s->SecondStmt());
        if (TovXMLItem *c = child(3))
            dispatch(c, prog, s.get());
        append(list, s.release(), pos);
    } else if (n == QLatin1String("whilestmt")) {
        Owned<TovWhileStmt> s(new TovWhileStmt(prog, unit, pos));
        s->SetCondition(expression(child(0), prog));
        if (TovXMLItem *c = child(1))
            dispatch(c, prog, s.get());
        append(list, s.release(), pos);
    } else if (n == QLatin1String("repeatstmt")) {
        Owned<TovRepeatStmt> s(new TovRepeatStmt(prog, unit, pos));
        int cond = xi->Count() - 1;
        if (cond >= 0 && lc(xi->Items(cond)->Name()) == QLatin1String("inverse")) {
            s->InverseCondition = true;
            --cond;
        }
        for (int i = 0; i < cond; ++i)
            dispatch(xi->Items(i), prog, s.get());
        if (cond >= 0)
            s->SetCondition(expression(xi->Items(cond), prog));
        append(list, s.release(), pos);
    } else if (n == QLatin1String("trystmt")) {
        Owned<TovTryStmt> s(new TovTryStmt(prog, unit, pos));
        for (int i = 0; i < xi->Count(); ++i) {
            TovXMLItem *c = xi->Items(i);
            const QString cn = lc(c->Name());
            if (cn == QLatin1String("exceptstmt")) {
                s->IsExcept = true;
                dispatchChildren(c, prog, s->ExceptStmt());
            } else if (cn == QLatin1String("finallystmt")) {
                dispatchChildren(c, prog, s->ExceptStmt());
            } else {
                dispatch(c, prog, s.get());
            }
        }
        append(list, s.release(), pos);
    } else if (n == QLatin1String("break")) {
        append(list, new TovBreakStmt(prog, unit, pos), pos);
    } else if (n == QLatin1String("continue")) {
        append(list, new TovContinueStmt(prog, unit, pos), pos);
    } else if (n == QLatin1String("exit")) {
        append(list, new TovExitStmt(prog, unit, pos), pos);
    } else if (n == QLatin1String("return")) {
        if (xi->Count() == 1) {
            TovXMLItem *e = xi->Items(0);
            auto *d = new TovXMLItem;
            d->SetName(QStringLiteral("dsgn"));
            d->SetProp(QStringLiteral("pos"), e->Prop(QStringLiteral("pos")));
            TovXMLItem *node = d->Add();
            node->SetName(QStringLiteral("node"));
            node->SetProp(QStringLiteral("text"), QStringLiteral("Result"));
            node->SetProp(QStringLiteral("pos"), e->Prop(QStringLiteral("pos")));
            xi->InsertItem(0, d);
        }
        if (xi->Count() == 2)
            readAssign(xi, prog, list);
        setPos(xi);
        append(list, new TovExitStmt(prog, unit, pos), pos);
    } else if (n == QLatin1String("with")) {
        readWith(xi, prog, list);
    } else if (n == QLatin1String("delete")) {
        Owned<TovCallStmt> s(new TovCallStmt(prog, unit, pos));
        s->SetDesignator(designator(child(0), prog, emFree));
        append(list, s.release(), pos);
    } else if (n == QLatin1String("compoundstmt")) {
        dispatchChildren(xi, prog, list);
    } else if (n == QLatin1String("uses")) {
        readUses(xi, prog);
    } else if (n == QLatin1String("var")) {
        readVar(xi, prog, list);
    } else if (n == QLatin1String("const")) {
        readConst(xi, prog);
    } else if (n == QLatin1String("procedure") || n == QLatin1String("function")) {
        const int ni = xi->Find(QStringLiteral("name"));
        const QString name = ni >= 0 ? xi->Items(ni)->Prop(QStringLiteral("text")) : QString();
        auto *proc = dynamic_cast<TovProcVariable *>(prog->FindLocal(name));
        if (proc)
            readBlock(xi, proc->Prog());
    }
}

void TovILReader::readAssign(TovXMLItem *xi, TovScript *prog, TovStatement *list)
{
    const QString pos = xi->Prop(QStringLiteral("pos"));
    if (xi->Count() < 2)
        return;
    Owned<TovDesignator> d(designator(xi->Items(0), prog, emNone));
    int idx = 1;
    QString modif;
    if (lc(xi->Items(1)->Name()) == QLatin1String("modificator")) {
        modif = xi->Items(1)->Prop(QStringLiteral("text"));
        idx = 2;
    }
    if (idx >= xi->Count())
        return;
    Owned<TovExpression> e(expression(xi->Items(idx), prog));
    if (d->IsReadOnly) {
        setPos(xi);
        fail(SLeftCantAssigned);
    }
    checkTypes(d.get(), e.get(), prog);
    if (modif.isEmpty()) {
        modif = e->Optimize(d.get()).trimmed();
    }
    Owned<TovAssignmentStmt> s;
    if (modif == QLatin1String("+"))
        s.reset(new TovAssignPlusStmt(prog, P.m_unitName, pos));
    else if (modif == QLatin1String("-"))
        s.reset(new TovAssignMinusStmt(prog, P.m_unitName, pos));
    else if (modif == QLatin1String("*"))
        s.reset(new TovAssignMulStmt(prog, P.m_unitName, pos));
    else if (modif == QLatin1String("/"))
        s.reset(new TovAssignDivStmt(prog, P.m_unitName, pos));
    else
        s.reset(new TovAssignmentStmt(prog, P.m_unitName, pos));
    s->SetDesignator(d.release());
    s->SetExpression(e.release());
    s->Optimize();
    append(list, s.release(), pos);
}

template <class T>
void TovILReader::readFor(TovXMLItem *xi, TovScript *prog, TovStatement *list, bool vb)
{
    const QString pos = xi->Prop(QStringLiteral("pos"));
    Owned<T> s(new T(prog, P.m_unitName, pos));
    if (xi->Count() < 3)
        return;
    TovXMLItem *id = xi->Items(0);
    setPos(id);
    TovCustomVariable *item = findOrDeclare(id->Prop(QStringLiteral("text")), prog);
    auto *v = dynamic_cast<TovVariable *>(item);
    if (!v || !(v->Typ == fvtInt || v->Typ == fvtFloat || v->Typ == fvtVariant || v->Typ == fvtInt64))
        fail(SForError);
    s->SetVariable(v);
    Owned<TovExpression> b(expression(xi->Items(1), prog));
    checkTypes(v, b.get(), prog);
    s->SetBeginValue(b.release());
    int i = 2;
    if (!vb) {
        if (lc(xi->Items(i)->Name()) == QLatin1String("downto")) {
            s->Down = true;
            ++i;
        }
        while (i < xi->Count() && lc(xi->Items(i)->Name()) != QLatin1String("expr"))
            ++i;
    }
    if (i >= xi->Count())
        return;
    Owned<TovExpression> en(expression(xi->Items(i), prog));
    checkTypes(v, en.get(), prog);
    s->SetEndValue(en.release());
    ++i;
    if constexpr (std::is_same_v<T, TovVbForStmt>) {
        if (i < xi->Count() && lc(xi->Items(i)->Name()) == QLatin1String("expr")) {
            Owned<TovExpression> st(expression(xi->Items(i), prog));
            checkTypes(v, st.get(), prog);
            s->SetStep(st.release());
            ++i;
        }
    }
    if (i < xi->Count())
        dispatch(xi->Items(i), prog, s.get());
    append(list, s.release(), pos);
}

void TovILReader::readWith(TovXMLItem *xi, TovScript *prog, TovStatement *list)
{
    const int before = int(P.m_withList.size());
    try {
        // The objects, then the body (absent for an empty statement).
        const int n = xi->Count();
        const bool hasBody = n > 0 && lc(xi->Items(n - 1)->Name()) != QLatin1String("dsgn");
        for (int i = 0; i < (hasBody ? n - 1 : n); ++i) {
            TovXMLItem *c = xi->Items(i);
            if (lc(c->Name()) != QLatin1String("dsgn"))
                continue;
            const QString pos = c->Prop(QStringLiteral("pos"));
            Owned<TovDesignator> d(designator(c, prog, emNone));
            if (d->Typ != fvtClass && d->Typ != fvtVariant) {
                setPos(c);
                fail(SClassRequired);
            }
            QString name;
            for (int k = 0;; ++k) {
                name = QStringLiteral("_WithList_%1").arg(k);
                bool used = prog->FindLocal(name) != nullptr;
                for (const auto &w : P.m_withList)
                    used = used || w.name.compare(name, Qt::CaseInsensitive) == 0;
                if (!used)
                    break;
            }
            auto *v = new TovVariable(name, d->Typ, d->TypeName);
            prog->Add(name, v);
            Owned<TovWithStmt> s(new TovWithStmt(prog, P.m_unitName, pos));
            s->SetDesignator(d.release());
            s->SetVariable(v);
            P.m_withList.append({name, s.get()});
            append(list, s.release(), pos);
        }
        if (hasBody)
            dispatch(xi->Items(n - 1), prog, list);
    } catch (...) {
        P.m_withList.resize(before);
        throw;
    }
    P.m_withList.resize(before);
}

void TovILReader::readUses(TovXMLItem *xi, TovScript *prog)
{
    const QString saved = P.m_unitName;
    const QString unit = xi->Prop(QStringLiteral("unit"));
    P.m_unitName = unit;
    try {
        bool known = false;
        for (const QString &u : std::as_const(P.m_usesList))
            known = known || u.compare(unit, Qt::CaseInsensitive) == 0;
        if (!known) {
            P.m_usesList.append(unit);
            QString text;
            if (FProgram->OnGetILUnit)
                FProgram->OnGetILUnit(FProgram, unit, text);
            if (!text.isEmpty()) {
                TovXMLDocument doc;
                doc.LoadFromBytes(text.toUtf8());
                readBlock(doc.Root(), prog);
            } else {
                for (int i = 0; i < xi->Count(); ++i)
                    readBlock(xi->Items(i), prog);
            }
        }
    } catch (...) {
        // Keep the unit name for the error report.
        throw;
    }
    P.m_unitName = saved;
}

// ---------------------------------------------------------------- declarations

void TovILReader::resolveType(const QString &name, TovScript *prog, TovVarType &typ, QString &typeName)
{
    QString t = name;
    auto alias = [&t](const TovXMLItem *types) {
        if (!types)
            return false;
        for (int i = 0; i < types->Count(); ++i)
            if (types->Items(i)->Name().compare(t, Qt::CaseInsensitive) == 0) {
                t = types->Items(i)->Prop(QStringLiteral("type"));
                return true;
            }
        return false;
    };
    bool found = false;
    if (P.m_progRoot) {
        const int ti = P.m_progRoot->Find(QStringLiteral("types"));
        if (ti >= 0)
            found = alias(P.m_progRoot->Items(ti));
    }
    if (!found && P.Grammar()) {
        const int ti = P.Grammar()->Root()->Find(QStringLiteral("types"));
        if (ti >= 0)
            alias(P.Grammar()->Root()->Items(ti));
    }
    TovCustomVariable *item = prog->Find(t);
    if (!item)
        fail(quoted(SUnknownType, t));
    typ = item->Typ;
    typeName = item->AsClass() ? item->Name() : t;
    if (item->AsClass() == nullptr && typ == fvtEnum && !item->TypeName.isEmpty())
        typeName = item->TypeName;
}

void TovILReader::readVar(TovXMLItem *xi, TovScript *prog, TovStatement *list, TovProcVariable *paramsOf,
                          bool varParams)
{
    TovVarType typ = fvtVariant;
    QString typeName = QStringLiteral("Variant");
    const int ti = xi->Find(QStringLiteral("type"));
    if (ti >= 0) {
        setPos(xi->Items(ti));
        resolveType(xi->Items(ti)->Prop(QStringLiteral("text")), prog, typ, typeName);
    }
    const bool typeAfterNames = ti > 0;
    bool isVar = varParams;
    for (int i = 0; i < xi->Count(); ++i) {
        TovXMLItem *id = xi->Items(i);
        const QString cn = lc(id->Name());
        if (cn == QLatin1String("varparam")) {
            isVar = true;
            continue;
        }
        if (cn != QLatin1String("ident"))
            continue;
        setPos(id);
        const QString name = id->Prop(QStringLiteral("text"));
        checkRedeclared(prog, name);

        TovXMLItem *arrayEl = nullptr;
        TovXMLItem *initEl = nullptr;
        for (int k = i + 1; k < xi->Count(); ++k) {
            TovXMLItem *c = xi->Items(k);
            const QString n = lc(c->Name());
            if (n == QLatin1String("ident") && !typeAfterNames)
                break;
            if (n == QLatin1String("array"))
                arrayEl = c;
            else if (n == QLatin1String("init"))
                initEl = c;
        }

        TovVarType vt = typ;
        Variant value = initialValue(typ);
        TovArrayHelper *helper = nullptr;
        if (arrayEl) {
            QList<int> bounds;
            for (int k = 0; k < arrayEl->Count(); ++k) {
                TovXMLItem *dim = arrayEl->Items(k);
                if (lc(dim->Name()) != QLatin1String("dim"))
                    continue;
                QList<TovXMLItem *> ex;
                for (int m = 0; m < dim->Count(); ++m)
                    if (lc(dim->Items(m)->Name()) == QLatin1String("expr"))
                        ex.append(dim->Items(m));
                if (ex.size() >= 2) {
                    Owned<TovExpression> lo(expression(ex[0], prog)), hi(expression(ex[1], prog));
                    bounds << lo->GetValue().toInt() << hi->GetValue().toInt();
                } else if (ex.size() == 1) {
                    Owned<TovExpression> cnt(expression(ex[0], prog));
                    bounds << 0 << cnt->GetValue().toInt() - 1;
                }
            }
            if (bounds.isEmpty())
                bounds << 0 << 0;
            value = Variant::createArray(std::span<const int>(bounds.constData(), size_t(bounds.size())), varVariant);
            helper = new TovArrayHelper(QString(), int(bounds.size() / 2), typ, typeName);
            prog->Add(QString(), helper);
            vt = fvtArray;
        }

        if (paramsOf) {
            auto *param = new TovParamItem(name, vt, typeName, initEl != nullptr, isVar);
            Owned<TovParamItem> guard(param);
            param->RefItem = helper;
            param->SourcePos = id->Prop(QStringLiteral("pos"));
            param->SourceUnit = P.m_unitName;
            param->SetValue(value);
            if (initEl && initEl->Count() > 0) {
                Owned<TovExpression> e(expression(initEl->Items(0), prog));
                checkTypes(param, e.get(), prog);
                param->SetValue(e->GetValue());
            }
            param->DefValue = param->Value();
            paramsOf->Add(guard.release());
            prog->Add(name, param);
            continue;
        }

        TovVariable *v = (vt == fvtChar || vt == fvtString) ? new TovStringVariable(name, vt, typeName)
                                                            : new TovVariable(name, vt, typeName);
        Owned<TovVariable> guard(v);
        v->RefItem = helper;
        v->SetValue(value);
        v->SourcePos = id->Prop(QStringLiteral("pos"));
        v->SourceUnit = P.m_unitName;
        v->OnGetVarValue = prog->OnGetVarValue;
        if (initEl && initEl->Count() > 0 && list) {
            const QString pos = initEl->Prop(QStringLiteral("pos")).isEmpty() ? v->SourcePos
                                                                             : initEl->Prop(QStringLiteral("pos"));
            Owned<TovDesignator> tmp(new TovDesignator(prog));
            TovDesignatorItem *it = tmp->AddItem();
            it->Ref = v;
            it->SourcePos = v->SourcePos;
            tmp->Finalize();
            Owned<TovVariableDesignator> d(new TovVariableDesignator(prog));
            d->Borrow(tmp.get());
            Owned<TovExpression> e(expression(initEl->Items(0), prog));
            checkTypes(v, e.get(), prog);
            Owned<TovAssignmentStmt> s(new TovAssignmentStmt(prog, P.m_unitName, pos));
            s->SetDesignator(d.release());
            s->SetExpression(e.release());
            s->Optimize();
            append(list, s.release(), pos);
        }
        prog->Add(name, guard.release());
    }
}

void TovILReader::readConst(TovXMLItem *xi, TovScript *prog)
{
    if (xi->Count() < 2)
        return;
    setPos(xi->Items(0));
    const QString name = xi->Items(0)->Prop(QStringLiteral("text"));
    checkRedeclared(prog, name);
    Owned<TovExpression> e(expression(xi->Items(1), prog));
    auto *v = (e->Typ == fvtString || e->Typ == fvtChar) ? new TovStringVariable(name, e->Typ, e->TypeName)
                                                          : new TovVariable(name, e->Typ, e->TypeName);
    Owned<TovVariable> guard(v);
    v->SetValue(e->GetValue());
    v->SourcePos = xi->Items(0)->Prop(QStringLiteral("pos"));
    v->SourceUnit = P.m_unitName;
    v->IsReadOnly = true;
    prog->Add(name, guard.release());
}

void TovILReader::checkTypes(TovCustomVariable *target, TovCustomVariable *value, TovScript *prog)
{
    const TovTypeRec t{target->Typ, target->TypeName};
    const TovTypeRec s{value->Typ, value->TypeName};
    if (!ovVariablesCompatible(t, s, prog))
        fail(SIncompatibleTypes + QStringLiteral(": '") + target->GetFullTypeName() + QStringLiteral("', '")
             + value->GetFullTypeName() + QLatin1Char('\''));
}

// ---------------------------------------------------------------- expressions

TovExpression *TovILReader::expression(TovXMLItem *xi, TovScript *prog)
{
    if (!xi)
        fail(SIncompatibleTypes);
    Owned<TovExpression> e(new TovExpression(prog));
    setPos(xi);
    e->SourcePos = xi->Prop(QStringLiteral("pos"));
    ExprShape shape;
    walkExpr(xi, e.get(), prog, shape);
    if (shape.open != 0 || (shape.any && shape.expectOperand))
        fail(SSyntaxError);
    e->SourcePos = xi->Prop(QStringLiteral("pos"));
    // The source text between pos and pos1, for macro arguments.
    if (TovParser *lex = P.Parser()) {
        const QString p0 = xi->Prop(QStringLiteral("pos")), p1 = xi->Prop(QStringLiteral("pos1"));
        if (!p0.isEmpty() && !p1.isEmpty()) {
            try {
                const int a = lex->GetPlainPosition(ovSourcePosToPoint(p0));
                const int b = lex->GetPlainPosition(ovSourcePosToPoint(p1));
                const QString text = lex->Text();
                if (a >= 1 && b >= a && b - 1 <= text.size())
                    e->Source = text.mid(a - 1, b - a);
            } catch (const Exception &) {
            }
        }
    }
    const QString bad = e->Finalize();
    if (!bad.isEmpty()) {
        P.m_errorPos = bad;
        fail(SIncompatibleTypes);
    }
    return e.release();
}

void TovILReader::walkExpr(TovXMLItem *xi, TovExpression *e, TovScript *prog, ExprShape &shape)
{
    Depth depth(*this);
    for (int i = 0; i < xi->Count(); ++i) {
        TovXMLItem *c = xi->Items(i);
        setPos(c);
        const QString pos = c->Prop(QStringLiteral("pos"));
        if (!pos.isEmpty())
            e->SourcePos = pos;
        const QString n = lc(c->Name());
        if (n == QLatin1String("op")) {
            const QString op = lc(c->Prop(QStringLiteral("text")));
            if (op != QLatin1String(")") && i == xi->Count() - 1)
                continue;
            if (op == QLatin1String("(") || op == QLatin1String("not") || op == QLatin1String("unminus")) {
                if (!shape.expectOperand)
                    fail(SSyntaxError);
                shape.open += op == QLatin1String("(");
            } else if (op == QLatin1String(")")) {
                if (shape.expectOperand || shape.open == 0)
                    fail(SSyntaxError);
                --shape.open;
            } else {
                static const QStringList binary{
                    QStringLiteral(">"),  QStringLiteral("<"),   QStringLiteral("<="),  QStringLiteral(">="),
                    QStringLiteral("<>"), QStringLiteral("="),   QStringLiteral("+"),   QStringLiteral("strcat"),
                    QStringLiteral("-"),  QStringLiteral("or"),  QStringLiteral("xor"), QStringLiteral("*"),
                    QStringLiteral("/"),  QStringLiteral("div"), QStringLiteral("mod"), QStringLiteral("and"),
                    QStringLiteral("shl"), QStringLiteral("shr"), QStringLiteral("in"),  QStringLiteral("is")};
                if (shape.expectOperand || !binary.contains(op))
                    fail(SSyntaxError);
                shape.expectOperand = true;
            }
            e->AddOperator(op);
        } else if (n == QLatin1String("number") || n == QLatin1String("string")) {
            operand(shape);
            e->AddConst(ovLiteralToVariant(c->Prop(QStringLiteral("text"))));
        } else if (n == QLatin1String("dsgn")) {
            operand(shape);
            e->AddDesignator(designator(c, prog, emNone));
        } else if (n == QLatin1String("set")) {
            operand(shape);
            e->AddSet(readSet(c, prog));
        } else if (n == QLatin1String("new")) {
            if (c->Count() > 0) {
                operand(shape);
                e->AddDesignator(designator(c->Items(0), prog, emCreate));
            }
        } else if (n == QLatin1String("expr")) {
            walkExpr(c, e, prog, shape);
        }
    }
}

TovSetExpression *TovILReader::readSet(TovXMLItem *xi, TovScript *prog)
{
    Owned<TovSetExpression> s(new TovSetExpression);
    for (int i = 0; i < xi->Count(); ++i) {
        TovXMLItem *c = xi->Items(i);
        const QString n = lc(c->Name());
        if (n == QLatin1String("expr"))
            s->AddExpression(expression(c, prog));
        else if (n == QLatin1String("range"))
            s->AddRange();
    }
    return s.release();
}

// ---------------------------------------------------------------- designators

TovCustomVariable *TovILReader::findOrDeclare(const QString &name, TovScript *prog)
{
    // Unnamed items (helpers, adapters) are never reached by name.
    if (name.isEmpty())
        fail(quoted(SIdUndeclared, name));
    if (TovCustomVariable *v = prog->Find(name))
        return v;
    if (P.m_needDeclareVars)
        fail(quoted(SIdUndeclared, name));
    auto *v = new TovVariable(name, fvtVariant, QString());
    v->OnGetVarValue = prog->OnGetVarValue;
    prog->Add(name, v);
    return v;
}

TovCustomVariable *TovILReader::builtinHelper(TovScript *prog, bool array)
{
    const QString name = array ? QStringLiteral("__ArrayHelper") : QStringLiteral("__StringHelper");
    if (TovCustomVariable *h = prog->Find(name))
        return h;
    // Programs without the system module still index strings and arrays.
    TovScript *root = prog;
    while (root->Parent())
        root = root->Parent();
    TovCustomVariable *h = array ? static_cast<TovCustomVariable *>(new TovArrayHelper(name, -1, fvtVariant, QString()))
                                 : new TovStringHelper;
    root->Add(name, h);
    return h;
}

Variant TovILReader::compileTimeValue(TovCustomVariable *item)
{
    // Only stored values are looked at: reading a procedure or member would run it.
    if (dynamic_cast<TovVariable *>(item) || dynamic_cast<TovParamItem *>(item))
        return item->Value();
    return Variant::null();
}

TovDesignator *TovILParser::DoDesignator(TovXMLItem *xi, TovScript *prog, TovEmitOp emitOp)
{
    TovILReader r(*this);
    return r.designator(xi, prog, emitOp);
}

TovDesignator *TovILReader::designator(TovXMLItem *xi, TovScript *prog, TovEmitOp emitOp)
{
    if (!xi)
        fail(SVarRequired);
    Depth depth(*this);
    Owned<TovDesignator> d(new TovDesignator(prog));
    d->SourcePos = xi->Prop(QStringLiteral("pos"));
    const int n = xi->Count();
    auto lateBound = [&](TovXMLItem *src) {
        d->LateBindingXmlSource.reset(src);
        d->Typ = fvtVariant;
        d->TypeName.clear();
        return d.release();
    };

    for (int i = 0; i < n; ++i) {
        TovXMLItem *c = xi->Items(i);
        setPos(c);
        const QString cn = lc(c->Name());
        const QString pos = c->Prop(QStringLiteral("pos"));
        if (cn == QLatin1String("expr")) {
            if (d->Count() == 0)
                continue;
            d->GetItem(d->Count() - 1)->AddArg(expression(c, prog));
            continue;
        }
        if (cn == QLatin1String("addr")) {
            if (n != 2)
                fail(SVarRequired);
            auto *sv = new TovStringVariable(QString(), fvtString, QString());
            sv->SetValue(Variant(xi->Items(1)->Prop(QStringLiteral("text"))));
            prog->Add(QString(), sv);
            TovDesignatorItem *it = d->AddItem();
            it->Ref = sv;
            it->SourcePos = pos;
            break;
        }
        if (cn != QLatin1String("node"))
            continue;
        const QString text = c->Prop(QStringLiteral("text"));

        if (d->Count() == 0) {
            // The open with statements, innermost first.
            bool done = false;
            for (int w = int(P.m_withList.size()) - 1; w >= 0 && !done; --w) {
                TovCustomVariable *wv = prog->FindLocal(P.m_withList[w].name);
                if (!wv)
                    continue;
                if (wv->Typ == fvtVariant) {
                    if (prog->Find(text))
                        break;
                    TovDesignatorItem *it = d->AddItem();
                    it->Ref = wv;
                    it->SourcePos = pos;
                    auto *src = new TovXMLItem;
                    src->Assign(xi);
                    auto *hidden = new TovXMLItem;
                    hidden->SetName(QStringLiteral("node"));
                    hidden->SetProp(QStringLiteral("text"), wv->Name());
                    hidden->SetProp(QStringLiteral("pos"), pos);
                    src->InsertItem(0, hidden);
                    return lateBound(src);
                }
                TovClassVariable *cls = prog->FindClass(wv->TypeName);
                if (!cls)
                    fail(quoted(SUnknownType, wv->TypeName));
                if (TovCustomHelper *m = cls->Find(text, true)) {
                    TovDesignatorItem *first = d->AddItem();
                    first->Ref = wv;
                    first->SourcePos = pos;
                    TovDesignatorItem *it = d->AddItem();
                    it->Ref = m;
                    it->SourcePos = pos;
                    done = true;
                }
            }
            if (done)
                continue;
            TovCustomVariable *ref = findOrDeclare(text, prog);
            TovDesignatorItem *it = d->AddItem();
            it->Ref = ref;
            it->SourcePos = pos;
            if (emitOp == emCreate) {
                TovClassVariable *cls = ref->AsClass();
                if (!cls)
                    fail(SClassRequired);
                TovCustomHelper *ctor = cls->Find(QStringLiteral("Create"));
                if (!ctor)
                    fail(quoted(SIdUndeclared, QStringLiteral("Create")));
                TovDesignatorItem *ci = d->AddItem();
                ci->Ref = ctor;
                ci->SourcePos = pos;
            }
            continue;
        }

        TovDesignatorItem *last = d->GetItem(d->Count() - 1);
        TovCustomVariable *prev = last->Ref;
        if (auto *mh = dynamic_cast<TovMethodHelper *>(prev); mh && mh->IndexMethod && !last->Flag) {
            last->Flag = true;
            if (text != QLatin1String("["))
                fail(SIndexRequired);
            continue;
        }

        TovVarType pt = prev->Typ;
        QString pTypeName = prev->TypeName;
        if (pt == fvtVariant) {
            const Variant v = compileTimeValue(prev);
            if (v.isEmptyOrNull()) {
                auto *src = new TovXMLItem;
                src->Assign(xi);
                return lateBound(src);
            }
            if (ovIsDispatch(v)) {
                // Late-bound automation: every further step calls by name.
                for (int k = i; k < n; ++k) {
                    TovXMLItem *s = xi->Items(k);
                    setPos(s);
                    const QString sn = lc(s->Name());
                    if (sn == QLatin1String("node")) {
                        const QString member = s->Prop(QStringLiteral("text"));
                        if (member == QLatin1String("["))
                            continue;
                        auto *h = new TovOLEHelper(member);
                        prog->Add(QString(), h);
                        TovDesignatorItem *it = d->AddItem();
                        it->Ref = h;
                        it->SourcePos = s->Prop(QStringLiteral("pos"));
                    } else if (sn == QLatin1String("expr")) {
                        TovDesignatorItem *it = d->GetItem(d->Count() - 1);
                        it->AddArg(expression(s, prog));
                        if (auto *h = dynamic_cast<TovOLEHelper *>(it->Ref))
                            h->AddVariantParam();
                    }
                }
                d->Finalize();
                return d.release();
            }
            if (v.isString()) {
                pt = fvtString;
            } else if (v.isArray()) {
                if (text != QLatin1String("["))
                    fail(SIndexRequired);
                TovDesignatorItem *it = d->AddItem();
                it->Ref = builtinHelper(prog, true);
                it->SourcePos = pos;
                continue;
            } else if (v.isObject()) {
                pt = fvtClass;
                const TovClassVariable *oc = ovFindClassOf(prog, v.object() ? v.object()->metaObject() : v.objectClass());
                pTypeName = oc ? oc->Name() : v.objectClassName();
            } else {
                fail(QStringLiteral("Object required before '%1': the value is %2")
                         .arg(text, VarTypeAsText(v.varType())));
            }
        }

        TovCustomVariable *ref = nullptr;
        bool flag = false;
        if (pt == fvtString) {
            if (text != QLatin1String("["))
                fail(SStringError);
            ref = builtinHelper(prog, false);
        } else if (pt == fvtClass) {
            TovClassVariable *cls = prog->FindClass(pTypeName);
            if (!cls)
                fail(quoted(SUnknownType, pTypeName));
            if (text == QLatin1String("[")) {
                if (!cls->DefProperty) {
                    QString msg = SClassError;
                    fail(msg.replace(QLatin1String("%s"), pTypeName));
                }
                ref = cls->DefProperty;
                flag = true;
            } else {
                ref = cls->Find(text, true);
                if (!ref) {
                    const Variant v = compileTimeValue(prev);
                    QObject *obj = v.isObject() ? v.object() : nullptr;
                    auto *owner = qobject_cast<TvdComponent *>(obj);
                    TvdComponent *comp = owner ? owner->FindComponent(text) : nullptr;
                    if (comp) {
                        ref = cls->AddComponent(comp);
                    } else if ((v.isEmptyOrNull() || (v.isOrdinal() && v.toInt64() == 0) || (v.isObject() && !obj))
                               && !prog->IsRunning() && prog->UseClassLateBinding) {
                        // Reduce to the first item, resolved when first used.
                        while (d->Count() > 1) {
                            TovDesignatorItem *x = d->GetItem(d->Count() - 1);
                            d->Remove(x);
                            delete x;
                        }
                        auto *src = new TovXMLItem;
                        src->Assign(xi);
                        return lateBound(src);
                    }
                    if (!ref)
                        fail(quoted(SIdUndeclared, text));
                }
            }
        } else if (pt == fvtArray) {
            ref = prev->RefItem;
            if (!ref)
                fail(SArrayRequired);
        } else {
            fail(SArrayRequired);
        }
        TovDesignatorItem *it = d->AddItem();
        it->Ref = ref;
        it->SourcePos = pos;
        it->Flag = flag;
    }

    if (emitOp == emFree) {
        if (d->Count() == 0)
            fail(SClassRequired);
        TovCustomVariable *lastRef = d->GetItem(d->Count() - 1)->Ref;
        if (!lastRef || (lastRef->Typ != fvtClass && lastRef->Typ != fvtVariant))
            fail(SClassRequired);
        TovClassVariable *obj = prog->FindClass(QStringLiteral("TObject"));
        TovCustomHelper *freeM = obj ? obj->Find(QStringLiteral("Free")) : nullptr;
        if (!freeM)
            fail(quoted(SIdUndeclared, QStringLiteral("Free")));
        TovDesignatorItem *it = d->AddItem();
        it->Ref = freeM;
        it->SourcePos = d->GetItem(d->Count() - 2)->SourcePos;
    }
    return finishDesignator(std::move(d), prog, true);
}

TovDesignator *TovILReader::finishDesignator(Owned<TovDesignator> d, TovScript *prog, bool checkArgs)
{
    d->Finalize();
    Owned<TovDesignator> fast;
    switch (d->Kind()) {
    case dkVariable:
        fast.reset(new TovVariableDesignator(prog));
        break;
    case dkStringArray:
        fast.reset(new TovStringDesignator(prog));
        break;
    case dkArray:
        fast.reset(new TovArrayDesignator(prog));
        break;
    default:
        break;
    }
    if (fast) {
        fast->Borrow(d.get());
        d = std::move(fast);
    }
    if (!checkArgs)
        return d.release();
    for (int i = 0; i < d->Count(); ++i) {
        TovDesignatorItem *it = d->GetItem(i);
        TovCustomVariable *ref = it->Ref;
        if (!ref || dynamic_cast<TovDesignator *>(ref))
            continue;
        if (!it->SourcePos.isEmpty())
            P.m_errorPos = it->SourcePos;
        const int argc = it->Count();
        if (argc < ref->GetNumberOfRequiredParams())
            fail(SNotEnoughParams);
        if (argc > ref->ParamCount())
            fail(STooManyParams);
        for (int k = argc; k < ref->ParamCount(); ++k) {
            TovParamItem *p = ref->GetParam(k);
            Owned<TovExpression> e(new TovExpression(prog));
            e->SourcePos = it->SourcePos;
            e->AddConstWithType(p->DefValue, p->Typ);
            e->Finalize();
            it->AddArg(e.release());
        }
        // A macro receives the source text of its arguments, whatever their type.
        for (int k = 0; k < argc && !ref->IsMacro; ++k) {
            TovCustomExpression *arg = it->GetItem(k);
            if (!arg->SourcePos.isEmpty())
                P.m_errorPos = arg->SourcePos;
            checkTypes(ref->GetParam(k), arg, prog);
        }
    }
    return d.release();
}

// ---------------------------------------------------------------- entry

bool TovILParser::ParseILScript()
{
    auto *prog = dynamic_cast<TovScript *>(m_program);
    if (!prog || !m_ilScript)
        return false;
    if (!TovDesignator::LateBindingResolver) {
        TovDesignator::LateBindingResolver = [](TovXMLItem *xi, TovScript *p) -> TovDesignator * {
            TovILParser parser(p);
            TovILReader r(parser);
            return r.designator(xi, p, emNone);
        };
    }
    m_withList.clear();
    prog->ErrorUnit.clear();
    m_unitName.clear();
    m_usesList.clear();
    m_errorPos.clear();
    try {
        TovILReader r(*this);
        r.readBlock(m_ilScript->Root(), prog);
    } catch (const Exception &e) {
        prog->ErrorMsg = e.message();
        prog->ErrorPos = m_errorPos;
        prog->ErrorUnit = m_unitName;
        m_withList.clear();
        return false;
    }
    prog->ErrorPos.clear();
    return true;
}
