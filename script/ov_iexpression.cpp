// Expression trees: building by priority, typing and evaluation.
#include "script/ov_iexpression.h"

#include "script/ov_itools.h"

#include <QHash>
#include <typeinfo>
#include <vector>

TovExpressionNode::~TovExpressionNode()
{
    // A long operator chain is a tree as deep as the chain: free it without
    // recursion, each node handed over without its children.
    std::vector<TovExpressionNode *> pending;
    for (TovExpressionNode *c : {FLeft, FRight})
        if (c)
            pending.push_back(c);
    FLeft = FRight = nullptr;
    while (!pending.empty()) {
        TovExpressionNode *n = pending.back();
        pending.pop_back();
        for (TovExpressionNode *c : {n->FLeft, n->FRight})
            if (c)
                pending.push_back(c);
        n->FLeft = n->FRight = nullptr;
        delete n;
    }
}

namespace {
void checkStack()
{
    if (ovStackLow())
        throw EovStackOverflow(QStringLiteral("Stack overflow: expression nested too deep"));
}

// Evaluation nesting of this thread. The stack is measured on every 16th
// level only: 16 levels of operands use far less than the reserve left below
// the limit, and the measurement is a call on the hottest path.
__attribute__((tls_model("initial-exec"))) thread_local unsigned tEvalDepth = 0;

struct EvalLevel {
    EvalLevel()
    {
        if ((++tEvalDepth & 15u) == 0)
            check();
    }
    ~EvalLevel() { --tEvalDepth; }
    // A throwing constructor runs no destructor: the level is undone here.
    __attribute__((noinline)) static void check()
    {
        try {
            checkStack();
        } catch (...) {
            --tEvalDepth;
            throw;
        }
    }
};
} // namespace

static TovVarType typeOfValue(const Variant &v)
{
    switch (v.varType()) {
    case varBoolean: return fvtBool;
    case varSingle:
    case varDouble:
    case varCurrency: return fvtFloat;
    case varInt64: return fvtInt64;
    case varOleStr:
    case varString:
    case varUString: return fvtString;
    default: return fvtInt;
    }
}

TovOperandNode::TovOperandNode(const Variant &value)
{
    m_value = value;
    Typ = typeOfValue(value);
}

TovDesignatorNode::TovDesignatorNode(TovDesignator *designator) : TovOperandNode(Variant::null()), m_designator(designator)
{
    Typ = designator->Typ;
    TypeName = designator->TypeName;
    IsReadOnly = designator->IsReadOnly;
    m_direct = designator;
    if (designator->Kind() == dkVariable && designator->RefItem)
        m_direct = designator->RefItem;
}

TovDesignatorNode::~TovDesignatorNode()
{
    delete m_designator;
}

TovCustomVariable *TovDesignatorNode::Variable() const
{
    return m_designator->Kind() == dkVariable ? m_designator->RefItem : nullptr;
}

TovSetNode::TovSetNode(TovSetExpression *set) : TovOperandNode(Variant::null()), m_set(set)
{
    Typ = fvtVariant;
}

TovSetNode::~TovSetNode()
{
    delete m_set;
}

// ---------------------------------------------------------------------------
namespace {

int priorityOf(TovOperatorType op)
{
    switch (op) {
    case opNone: return 7;
    case opGreat:
    case opLess:
    case opLessEq:
    case opGreatEq:
    case opNonEq:
    case opEq:
    case opIn:
    case opIs: return 4;
    case opPlus:
    case opMinus:
    case opOr:
    case opXor: return 3;
    case opMul:
    case opDivFloat:
    case opDivInt:
    case opMod:
    case opAnd:
    case opShl:
    case opShr: return 2;
    case opLeftBracket: return 6;
    case opRightBracket: return 5;
    case opNot:
    case opUnMinus: return 1;
    }
    return 7;
}

class TOpNode : public TovOperatorNode {
public:
    explicit TOpNode(TovOperatorType op) : TovOperatorNode(op), m_priority(priorityOf(op)) {}
    int Priority() const override { return m_priority; }

    // Operands read in place: a constant, or a parameter (its value is its
    // stored value). Set once the tree is final.
    const Variant *LeftLeaf = nullptr;
    const Variant *RightLeaf = nullptr;

protected:
    Variant L()
    {
        if (LeftLeaf)
            return *LeftLeaf;
        const EvalLevel level;
        return FLeft ? FLeft->GetValue() : Variant::null();
    }
    Variant R()
    {
        if (RightLeaf)
            return *RightLeaf;
        const EvalLevel level;
        return FRight ? FRight->GetValue() : Variant::null();
    }

private:
    int m_priority;
};

// The stored value that reading the node gives, for nodes read in place.
const Variant *leafValue(TovExpressionNode *n)
{
    if (!n)
        return nullptr;
    if (typeid(*n) == typeid(TovOperandNode))
        return n->PValue();
    if (auto *dn = dynamic_cast<TovDesignatorNode *>(n))
        if (TovCustomVariable *v = dn->Variable(); v && v->ItemKind() == TovCustomVariable::ikParam)
            return v->PValue();
    return nullptr;
}

// Marks the in-place operands of every operator of a final tree (iterative:
// long operator chains make deep trees).
void markLeaves(TovExpressionNode *root)
{
    std::vector<TovExpressionNode *> pending;
    if (root)
        pending.push_back(root);
    while (!pending.empty()) {
        TovExpressionNode *n = pending.back();
        pending.pop_back();
        if (auto *op = dynamic_cast<TOpNode *>(n)) {
            op->LeftLeaf = leafValue(n->FLeft);
            op->RightLeaf = leafValue(n->FRight);
        }
        for (TovExpressionNode *c : {n->FLeft, n->FRight})
            if (c)
                pending.push_back(c);
    }
}

class TNoneNode : public TOpNode {
public:
    TNoneNode() : TOpNode(opNone) {}
    Variant GetValue() override { return L(); }
};

class TBracketNode : public TOpNode {
public:
    using TOpNode::TOpNode;
    Variant GetValue() override { return L(); }
};

class TCompareNode : public TOpNode {
public:
    using TOpNode::TOpNode;
    Variant GetValue() override
    {
        const Variant a = L();
        const Variant b = R();
        if (a.varType() == varInteger && b.varType() == varInteger) {
            const qint64 x = a.rawInt(), y = b.rawInt();
            switch (FOp) {
            case opEq: return Variant(x == y);
            case opNonEq: return Variant(x != y);
            case opGreat: return Variant(x > y);
            case opLess: return Variant(x < y);
            case opLessEq: return Variant(x <= y);
            default: return Variant(x >= y);
            }
        }
        switch (FOp) {
        case opEq: return Variant(Variant::equals(a, b));
        case opNonEq: return Variant(!Variant::equals(a, b));
        case opGreat: return Variant(Variant::orderedCompare(a, b) > 0);
        case opLess: return Variant(Variant::orderedCompare(a, b) < 0);
        case opLessEq: return Variant(Variant::orderedCompare(a, b) <= 0);
        default: return Variant(Variant::orderedCompare(a, b) >= 0);
        }
    }
};

class TArithNode : public TOpNode {
public:
    TArithNode(TovOperatorType op, VarOp vop) : TOpNode(op), m_vop(vop) {}
    Variant GetValue() override
    {
        const Variant a = L();
        const Variant b = R();
        // Integer div and mod without the general path; zero and overflow go there.
        if (a.varType() == varInteger && b.varType() == varInteger && (m_vop == VarOp::IntDivide || m_vop == VarOp::Modulus)) {
            const qint64 x = a.rawInt(), y = b.rawInt();
            if (y != 0 && !(y == -1 && x == -2147483647 - 1))
                return Variant(int(m_vop == VarOp::IntDivide ? x / y : x % y));
        }
        return Variant::binaryOp(m_vop, a, b);
    }

private:
    VarOp m_vop;
};

class TStrCatNode : public TOpNode {
public:
    TStrCatNode() : TOpNode(opPlus) { FStrCat = true; }
    Variant GetValue() override
    {
        const Variant a = L();
        const Variant b = R();
        if (a.isString())
            return Variant(a.rawString() + (b.isString() ? b.rawString() : VarToStr(b)));
        return Variant::binaryOp(VarOp::Add, a, b);
    }
};

class TAndNode : public TOpNode {
public:
    TAndNode() : TOpNode(opAnd) {}
    Variant GetValue() override
    {
        Variant a = L();
        if (FOptimizeBool) {
            if (!a.toBool())
                return a;
            return R();
        }
        return Variant::binaryOp(VarOp::And, a, R());
    }
};

class TOrNode : public TOpNode {
public:
    TOrNode() : TOpNode(opOr) {}
    Variant GetValue() override
    {
        Variant a = L();
        if (FOptimizeBool) {
            if (a.toBool())
                return a;
            return R();
        }
        return Variant::binaryOp(VarOp::Or, a, R());
    }
};

class TNotNode : public TOpNode {
public:
    TNotNode() : TOpNode(opNot) {}
    Variant GetValue() override { return L().logicalNot(); }
};

class TUnMinusNode : public TOpNode {
public:
    TUnMinusNode() : TOpNode(opUnMinus) {}
    Variant GetValue() override { return L().negate(); }
};

class TInNode : public TOpNode {
public:
    TInNode() : TOpNode(opIn) {}
    Variant GetValue() override
    {
        const Variant a = L();
        if (auto *set = dynamic_cast<TovSetNode *>(FRight))
            return Variant(set->SetExpression()->Check(a));
        const Variant b = R();
        if (!b.isArray() || b.arrayDimCount() != 1)
            throw EovRunError(QStringLiteral("Set or array required after 'in'"));
        const int lo = b.arrayLowBound(1), hi = b.arrayHighBound(1);
        for (int i = lo; i <= hi;) {
            const Variant e = b.arrayGet(i);
            if (i + 2 <= hi && b.arrayGet(i + 1).isNull()) {
                const Variant h = b.arrayGet(i + 2);
                const VarCompare c1 = Variant::compare(e, a), c2 = Variant::compare(a, h);
                if ((c1 == VarCompare::Less || c1 == VarCompare::Equal) &&
                    (c2 == VarCompare::Less || c2 == VarCompare::Equal))
                    return Variant(true);
                i += 3;
                continue;
            }
            if (Variant::equals(e, a))
                return Variant(true);
            ++i;
        }
        return Variant(false);
    }
};

class TIsNode : public TOpNode {
public:
    TIsNode() : TOpNode(opIs) {}
    Variant GetValue() override
    {
        const Variant a = L();
        const QMetaObject *cls = nullptr;
        if (auto *dn = dynamic_cast<TovDesignatorNode *>(FRight)) {
            TovDesignator *d = dn->Designator();
            if (d->Count() > 0 && d->GetItem(d->Count() - 1)->Ref)
                cls = d->GetItem(d->Count() - 1)->Ref->HostClass();
        }
        return Variant(cls && a.isObject() && a.objectInherits(cls));
    }
};

TovOperatorNode *makeOperator(const QString &text)
{
    const QString t = text.trimmed().toUpper();
    if (t.isEmpty())
        return new TNoneNode;
    if (t == QLatin1String(">"))
        return new TCompareNode(opGreat);
    if (t == QLatin1String("<"))
        return new TCompareNode(opLess);
    if (t == QLatin1String("<="))
        return new TCompareNode(opLessEq);
    if (t == QLatin1String(">="))
        return new TCompareNode(opGreatEq);
    if (t == QLatin1String("<>"))
        return new TCompareNode(opNonEq);
    if (t == QLatin1String("="))
        return new TCompareNode(opEq);
    if (t == QLatin1String("+"))
        return new TArithNode(opPlus, VarOp::Add);
    if (t == QLatin1String("STRCAT"))
        return new TStrCatNode;
    if (t == QLatin1String("-"))
        return new TArithNode(opMinus, VarOp::Subtract);
    if (t == QLatin1String("OR"))
        return new TOrNode;
    if (t == QLatin1String("XOR"))
        return new TArithNode(opXor, VarOp::Xor);
    if (t == QLatin1String("*"))
        return new TArithNode(opMul, VarOp::Multiply);
    if (t == QLatin1String("/"))
        return new TArithNode(opDivFloat, VarOp::Divide);
    if (t == QLatin1String("DIV"))
        return new TArithNode(opDivInt, VarOp::IntDivide);
    if (t == QLatin1String("MOD"))
        return new TArithNode(opMod, VarOp::Modulus);
    if (t == QLatin1String("AND"))
        return new TAndNode;
    if (t == QLatin1String("SHL"))
        return new TArithNode(opShl, VarOp::ShiftLeft);
    if (t == QLatin1String("SHR"))
        return new TArithNode(opShr, VarOp::ShiftRight);
    if (t == QLatin1String("("))
        return new TBracketNode(opLeftBracket);
    if (t == QLatin1String(")"))
        return new TBracketNode(opRightBracket);
    if (t == QLatin1String("NOT"))
        return new TNotNode;
    if (t == QLatin1String("UNMINUS"))
        return new TUnMinusNode;
    if (t == QLatin1String("IN"))
        return new TInNode;
    if (t == QLatin1String("IS"))
        return new TIsNode;
    throw EovRunError(QStringLiteral("Unknown operator: '%1'").arg(text));
}

void detachChild(TovExpressionNode *parent, TovExpressionNode *child)
{
    if (parent->FLeft == child)
        parent->FLeft = nullptr;
    else if (parent->FRight == child)
        parent->FRight = nullptr;
}

bool isNumeric(TovVarType t)
{
    return t == fvtInt || t == fvtInt64 || t == fvtFloat;
}

int numericRank(TovVarType t)
{
    return t == fvtFloat ? 2 : t == fvtInt64 ? 1 : 0;
}

} // namespace

// ---------------------------------------------------------------------------
TovExpression::TovExpression(TovScript *script) : m_script(script)
{
    m_itemKind = ikExpression;
    m_node = new TNoneNode;
    m_curNode = m_node;
}

TovExpression::~TovExpression()
{
    delete m_node;
}

void TovExpression::attach(TovExpressionNode *node)
{
    TovExpressionNode *p = m_curNode;
    if (p->Priority() == 0) {
        delete node;
        throw EovRunError(QStringLiteral("Operator expected"));
    }
    if (!p->FLeft)
        p->FLeft = node;
    else if (!p->FRight)
        p->FRight = node;
    else {
        delete node;
        throw EovRunError(QStringLiteral("Operator expected"));
    }
    node->FParent = p;
    node->SourcePos = SourcePos;
    m_curNode = node;
}

void TovExpression::AddConst(const Variant &value)
{
    attach(new TovOperandNode(value));
}

void TovExpression::AddConstWithType(const Variant &value, TovVarType typ)
{
    auto *n = new TovOperandNode(value);
    n->Typ = typ == fvtClass ? fvtVariant : typ;
    attach(n);
}

void TovExpression::AddDesignator(TovDesignator *designator)
{
    attach(new TovDesignatorNode(designator));
}

void TovExpression::AddSet(TovSetExpression *set)
{
    attach(new TovSetNode(set));
}

void TovExpression::AddOperator(const QString &opText)
{
    TovOperatorNode *node = makeOperator(opText);
    node->SourcePos = SourcePos;
    const TovOperatorType op = node->FOp;
    if (op == opLeftBracket || op == opUnMinus || op == opNot) {
        if (m_curNode->Priority() == 0 || (m_curNode->FLeft && m_curNode->FRight)) {
            delete node;
            throw EovRunError(QStringLiteral("Operator expected"));
        }
        m_curNode->FLeft ? m_curNode->FRight = node : m_curNode->FLeft = node;
        node->FParent = m_curNode;
        m_curNode = node;
        return;
    }
    if (op == opRightBracket) {
        delete node;
        TovExpressionNode *n = m_curNode;
        while (n && n->Priority() <= 5)
            n = n->FParent;
        if (!n || n->Priority() != 6)
            throw EovRunError(QStringLiteral("Unbalanced brackets"));
        TovExpressionNode *parent = n->FParent;
        TovExpressionNode *sub = n->FLeft;
        n->FLeft = nullptr;
        if (parent->FLeft == n)
            parent->FLeft = sub;
        else
            parent->FRight = sub;
        if (sub)
            sub->FParent = parent;
        delete n;
        m_curNode = sub ? sub : parent;
        return;
    }
    // Binary operator.
    if (m_curNode == m_node) {
        if (m_node->FLeft && m_node->FRight) {
            delete node;
            throw EovRunError(QStringLiteral("Operator expected"));
        }
        TovExpressionNode *child = m_node->FLeft;
        if (child) {
            // An operator after the first operand: it takes that operand.
            m_node->FLeft = node;
            node->FParent = m_node;
            node->FLeft = child;
            child->FParent = node;
        } else {
            m_node->FLeft = node;
            node->FParent = m_node;
        }
        m_curNode = node;
        return;
    }
    TovExpressionNode *child;
    TovExpressionNode *n;
    if (m_curNode->Priority() == 6) {
        child = nullptr;
        n = m_curNode;
    } else {
        child = m_curNode;
        n = m_curNode->FParent;
    }
    const int pri = node->Priority();
    // The root node has the lowest priority, so a well-formed sequence always
    // stops below it; stored IL may not be well formed.
    while (n && n->Priority() <= pri) {
        child = n;
        n = n->FParent;
    }
    if (!n) {
        delete node;
        throw EovRunError(QStringLiteral("Syntax error"));
    }
    if (child)
        detachChild(n, child);
    if (n->FLeft && n->FRight) {
        delete node;
        throw EovRunError(QStringLiteral("Operator expected"));
    }
    n->FLeft ? n->FRight = node : n->FLeft = node;
    node->FParent = n;
    if (child) {
        node->FLeft = child;
        child->FParent = node;
    }
    m_curNode = node;
}

namespace {
struct Typer {
    TovScript *scope;
    QString error;

    TovVarType type(TovExpressionNode *node)
    {
        checkStack();
        auto *op = dynamic_cast<TovOperatorNode *>(node);
        if (!op)
            return node->Typ;
        const TovVarType l = node->FLeft ? type(node->FLeft) : fvtVariant;
        const TovVarType r = node->FRight ? type(node->FRight) : fvtVariant;
        const QString lName = node->FLeft ? node->FLeft->TypeName : QString();
        const QString rName = node->FRight ? node->FRight->TypeName : QString();
        const TovOperatorType o = op->FOp;
        if (l == fvtBool && r == fvtBool)
            op->FOptimizeBool = true;
        const bool comparison = o == opGreat || o == opLess || o == opLessEq || o == opGreatEq || o == opNonEq || o == opEq;
        bool fits;
        if (o == opLeftBracket || o == opRightBracket) {
            fits = false;  // an unclosed bracket
        } else if (o == opIs && l == fvtClass && r == fvtClass) {
            fits = true;
        } else {
            // Numeric pairs fit whichever side is which.
            fits = (isNumeric(l) && isNumeric(r)) ||
                   ovTypesCompatible(TovTypeRec{l, lName}, TovTypeRec{r, rName}, scope);
            if (fits) {
                if (l == fvtBool)
                    fits = o == opEq || o == opNonEq || o == opOr || o == opXor || o == opAnd || o == opNot;
                else if (l == fvtChar || l == fvtString)
                    fits = comparison || o == opPlus || o == opIn;
                else if (l == fvtClass || l == fvtArray)
                    fits = o == opEq || o == opNonEq || (o == opIs);
            }
        }
        if (!fits) {
            if (error.isEmpty())
                error = node->SourcePos.isEmpty() ? QStringLiteral("0:0") : node->SourcePos;
            node->Typ = l;
            node->TypeName = lName;
            return l;
        }
        TovVarType t = l;
        node->TypeName = lName;
        if (isNumeric(l) && isNumeric(r) && node->FRight)
            t = numericRank(l) >= numericRank(r) ? l : r;
        if (o == opDivFloat && isNumeric(l) && isNumeric(r))
            t = fvtFloat;
        if (comparison || o == opIn || o == opIs)
            t = fvtBool;
        node->Typ = t;
        return t;
    }
};
} // namespace

QString TovExpression::Finalize()
{
    if (!m_finalized) {
        m_finalized = true;
        TovExpressionNode *none = m_node;
        m_node = none->FLeft;
        none->FLeft = nullptr;
        if (m_node)
            m_node->FParent = nullptr;
        delete none;
        m_curNode = m_node;
    }
    if (!m_node) {
        Typ = fvtVariant;
        TypeName.clear();
        IsReadOnly = true;
        return QString();
    }
    Typer typer{m_script, QString()};
    typer.type(m_node);
    Typ = m_node->Typ;
    TypeName = m_node->TypeName;
    auto *dn = dynamic_cast<TovDesignatorNode *>(m_node);
    IsReadOnly = !(dn && !dn->Designator()->IsReadOnly);
    markLeaves(m_node);
    return typer.error;
}

QString TovExpression::Optimize(TovDesignator *target)
{
    const QString none = QStringLiteral(" ");
    if (!target || target->Kind() != dkVariable)
        return none;
    auto *op = dynamic_cast<TovOperatorNode *>(m_node);
    if (!op || !(op->FOp == opPlus || op->FOp == opMinus || op->FOp == opMul || op->FOp == opDivFloat))
        return none;
    if (dynamic_cast<TStrCatNode *>(op))
        return none;
    const QString result = op->FOp == opPlus ? QStringLiteral("+")
                           : op->FOp == opMinus ? QStringLiteral("-")
                           : op->FOp == opMul  ? QStringLiteral("*")
                                               : QStringLiteral("/");
    auto sameVar = [&](TovExpressionNode *n) {
        auto *dn = dynamic_cast<TovDesignatorNode *>(n);
        return dn && dn->Variable() && dn->Variable() == target->RefItem;
    };
    TovExpressionNode *keep = nullptr;
    if (sameVar(op->FLeft)) {
        keep = op->FRight;
        op->FRight = nullptr;
    } else if ((op->FOp == opPlus || op->FOp == opMul) && sameVar(op->FRight) && target->RefItem->Typ != fvtString &&
               target->RefItem->Typ != fvtVariant) {
        keep = op->FLeft;
        op->FLeft = nullptr;
    } else {
        return none;
    }
    if (!keep)
        return none;
    keep->FParent = nullptr;
    delete m_node;
    m_node = keep;
    m_curNode = keep;
    Finalize();
    return result;
}

TovCustomVariable *TovExpression::SingleItem() const
{
    if (auto *dn = dynamic_cast<TovDesignatorNode *>(m_node)) {
        TovDesignator *d = dn->Designator();
        return d->Kind() == dkVariable && d->RefItem ? d->RefItem : d;
    }
    if (m_node && !dynamic_cast<TovOperatorNode *>(m_node))
        return m_node;
    return nullptr;
}

void TovExpression::SetValue(const Variant &value)
{
    if (IsReadOnly)
        return;
    if (auto *dn = dynamic_cast<TovDesignatorNode *>(m_node))
        dn->SetValue(value);
}
