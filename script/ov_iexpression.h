// Expression trees: operand and operator nodes over variants, built from the
// flat operand/operator sequence of an expression by operator priority, typed
// at compile time and evaluated by a recursive walk.
#pragma once
#include "script/ov_iinterpreter.h"

enum TovOperatorType {
    opNone,
    opGreat,
    opLess,
    opLessEq,
    opGreatEq,
    opNonEq,
    opEq,
    opPlus,
    opMinus,
    opOr,
    opXor,
    opMul,
    opDivFloat,
    opDivInt,
    opMod,
    opAnd,
    opShl,
    opShr,
    opLeftBracket,
    opRightBracket,
    opNot,
    opUnMinus,
    opIn,
    opIs
};

class TovExpressionNode : public TovCustomVariable {
public:
    TovExpressionNode() : TovCustomVariable(QString(), fvtVariant, QString()) {}
    ~TovExpressionNode() override;
    // Lower binds tighter; operands 0.
    virtual int Priority() const = 0;
    TovExpressionNode *FLeft = nullptr;
    TovExpressionNode *FRight = nullptr;
    TovExpressionNode *FParent = nullptr;
};

// A constant.
class TovOperandNode : public TovExpressionNode {
public:
    explicit TovOperandNode(const Variant &value);
    int Priority() const override { return 0; }
    Variant GetValue() override { return m_value; }
    void SetValue(const Variant &) override {}
};

class TovDesignatorNode : public TovOperandNode {
public:
    explicit TovDesignatorNode(TovDesignator *designator);
    ~TovDesignatorNode() override;
    Variant GetValue() override { return m_direct->GetValue(); }
    void SetValue(const Variant &value) override { m_designator->SetValue(value); }
    TovDesignator *Designator() const { return m_designator; }
    // The plain variable of a one-variable designator, else null.
    TovCustomVariable *Variable() const;

private:
    TovDesignator *m_designator;
    TovCustomVariable *m_direct;  // the variable itself for a plain variable
};

class TovSetNode : public TovOperandNode {
public:
    explicit TovSetNode(TovSetExpression *set);
    ~TovSetNode() override;
    Variant GetValue() override { return m_set->Value(); }
    TovSetExpression *SetExpression() const { return m_set; }

private:
    TovSetExpression *m_set;
};

class TovOperatorNode : public TovExpressionNode {
public:
    explicit TovOperatorNode(TovOperatorType op) : FOp(op) {}
    void SetValue(const Variant &) override {}
    TovOperatorType FOp;
    bool FOptimizeBool = false;
    // "+" that joins texts (the strcat operator of the intermediate script).
    bool FStrCat = false;
};

class TovExpression : public TovCustomExpression {
public:
    explicit TovExpression(TovScript *script);
    ~TovExpression() override;

    void AddConst(const Variant &value);
    void AddConstWithType(const Variant &value, TovVarType typ);
    // Take ownership.
    void AddDesignator(TovDesignator *designator);
    void AddSet(TovSetExpression *set);
    // The operator text as the intermediate script gives it ("+", "div",
    // "unminus", "strcat", "(", ")"...), any case. Raises EovRunError for an
    // unknown operator or unbalanced brackets.
    void AddOperator(const QString &op);
    // Completes and types the tree; the SourcePos of the first node whose
    // operands do not fit, empty when all fit.
    QString Finalize();
    // " " or the compound-assignment operator "+", "-", "*", "/" after taking
    // the target out of the tree (x := x + e becomes "+" with e).
    QString Optimize(TovDesignator *target);
    // The designator's variable (or the designator) for a one-designator tree,
    // the node for a one-constant tree, else null.
    TovCustomVariable *SingleItem() const;

    Variant GetValue() override { return m_node ? m_node->GetValue() : Variant::null(); }
    void SetValue(const Variant &value) override;

    TovExpressionNode *Root() const { return m_node; }
    TovScript *Script() const { return m_script; }

private:
    void attach(TovExpressionNode *node);
    TovExpressionNode *m_node;
    TovExpressionNode *m_curNode;
    TovScript *m_script;
    bool m_finalized = false;
};
