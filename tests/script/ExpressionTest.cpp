// Expression trees built token by token: priorities, typing, short-circuit
// Boolean operators and set membership.
#include "script/ov_iexpression.h"
#include "script/ov_iinterpreter.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

// Operands: integers, floats with ".", "i64:N", 'text', true/false, "v:name"
// (a variable of the program); everything else is an operator.
TovExpression *build(TovScript &script, const QString &tokens)
{
    std::unique_ptr<TovExpression> e(new TovExpression(&script));
    int col = 1;
    for (const QString &t : tokens.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        e->SourcePos = QStringLiteral("1:%1").arg(col++);
        bool isInt = false;
        const int n = t.toInt(&isInt);
        if (isInt)
            e->AddConst(Variant(n));
        else if (t.startsWith(QLatin1String("i64:")))
            e->AddConst(Variant::fromInt64(t.mid(4).toLongLong()));
        else if (t.contains(QLatin1Char('.')) && t.at(0).isDigit())
            e->AddConst(Variant(t.toDouble()));
        else if (t.startsWith(QLatin1Char('\'')))
            e->AddConst(Variant(t.mid(1, t.size() - 2)));
        else if (t == QLatin1String("true") || t == QLatin1String("false"))
            e->AddConst(Variant(t == QLatin1String("true")));
        else if (t.startsWith(QLatin1String("v:"))) {
            auto *d = new TovDesignator(&script);
            d->AddItem()->Ref = script.Find(t.mid(2));
            d->Finalize();
            auto *vd = new TovVariableDesignator(&script);
            vd->Borrow(d);
            delete d;
            e->AddDesignator(vd);
        } else
            e->AddOperator(t);
    }
    return e.release();
}

struct Case {
    const char *tokens;
    Variant value;
    TovVarType typ;
};

class ExpressionTest : public ::testing::Test {
protected:
    TovScript script;
};

TEST_F(ExpressionTest, PrioritiesAndTyping)
{
    const Case cases[] = {
        {"2 + 3 * 4", Variant(14), fvtInt},
        {"( 2 + 3 ) * 4", Variant(20), fvtInt},
        {"10 - 4 - 3", Variant(3), fvtInt},
        {"2 * ( 3 + ( 4 - 1 ) ) * 2", Variant(24), fvtInt},
        {"unminus 2 * 3", Variant(-6), fvtInt},
        {"7 div 2", Variant(3), fvtInt},
        {"7 mod 2", Variant(1), fvtInt},
        {"7 / 2", Variant(3.5), fvtFloat},
        {"1 shl 4 + 1", Variant(17), fvtInt},
        {"not true = false", Variant(true), fvtBool},
        {"not ( 1 = 1 )", Variant(false), fvtBool},
        {"1 < 2 = true", Variant(true), fvtBool},
        {"3 > 2 and 1", Variant(true), fvtBool},  // and binds tighter: 3 > (2 and 1)
        {"( 3 > 2 ) and ( 2 > 1 )", Variant(true), fvtBool},
        {"'ab' + 'c'", Variant("abc"), fvtString},
        {"'ab' < 'b'", Variant(true), fvtBool},
        // Mixed numeric operands type alike in either order.
        {"1 + 0.5", Variant(1.5), fvtFloat},
        {"0.5 + 1", Variant(1.5), fvtFloat},
        {"i64:5000000000 + 1", Variant::fromInt64(5000000001), fvtInt64},
        {"1 + i64:5000000000", Variant::fromInt64(5000000001), fvtInt64},
        {"i64:4 * 0.5", Variant(2.0), fvtFloat},
        {"0.5 * i64:4", Variant(2.0), fvtFloat},
        {"i64:7 / 2", Variant(3.5), fvtFloat},
    };
    for (const Case &c : cases) {
        std::unique_ptr<TovExpression> e(build(script, QString::fromLatin1(c.tokens)));
        EXPECT_EQ(e->Finalize(), QString()) << c.tokens;
        EXPECT_EQ(e->Typ, c.typ) << c.tokens;
        const Variant v = e->GetValue();
        EXPECT_TRUE(Variant::equals(v, c.value)) << c.tokens << " gave " << VarToStr(v).toStdString();
    }
}

TEST_F(ExpressionTest, TypeErrorsPointAtTheOperator)
{
    const struct {
        const char *tokens;
        const char *pos;
    } cases[] = {
        {"'a' + 1", "1:2"},
        {"1 + 'a'", "1:2"},
        {"true + 1", "1:2"},
        {"'a' * 'b'", "1:2"},
        {"1 + 2 * 'x'", "1:4"},
    };
    for (const auto &c : cases) {
        std::unique_ptr<TovExpression> e(build(script, QString::fromLatin1(c.tokens)));
        EXPECT_EQ(e->Finalize(), QString::fromLatin1(c.pos)) << c.tokens;
    }
}

TEST_F(ExpressionTest, MalformedSequencesRaise)
{
    // The last ones once walked past the root node.
    for (const char *tokens : {"1 )", "1 2", "1 + ) 2", "1 @ 2", "1 ) ) + 2", "( 1 ) ) * 2", "1 ) + ) + 2"}) {
        EXPECT_THROW(
            {
                std::unique_ptr<TovExpression> e(build(script, QString::fromLatin1(tokens)));
                e->Finalize();
            },
            Exception)
            << tokens;
    }
}

// A Boolean item that counts how often it is read.
class Probe : public TovCustomVariable {
public:
    Probe() : TovCustomVariable(QStringLiteral("f"), fvtBool, QString()) {}
    Variant GetValue() override
    {
        ++reads;
        return Variant(result);
    }
    int reads = 0;
    bool result = true;
};

TEST_F(ExpressionTest, AndOrOverBooleansSkipTheRightOperand)
{
    auto *probe = new Probe;
    script.Add(probe->Name(), probe);
    const struct {
        const char *op;
        bool left;
        int reads;
        bool value;
    } cases[] = {{"and", false, 0, false}, {"and", true, 1, true}, {"or", true, 0, true}, {"or", false, 1, true}};
    for (const auto &c : cases) {
        probe->reads = 0;
        auto *e = new TovExpression(&script);
        e->AddConst(Variant(c.left));
        e->AddOperator(QString::fromLatin1(c.op));
        auto *d = new TovDesignator(&script);
        d->AddItem()->Ref = probe;
        d->Finalize();
        e->AddDesignator(d);
        ASSERT_EQ(e->Finalize(), QString());
        EXPECT_TRUE(Variant::equals(e->GetValue(), Variant(c.value))) << c.op << c.left;
        EXPECT_EQ(probe->reads, c.reads) << c.op << c.left;
        delete e;
    }
    // Integers still combine bitwise, both sides read.
    std::unique_ptr<TovExpression> e(build(script, QStringLiteral("6 and 3")));
    e->Finalize();
    EXPECT_TRUE(Variant::equals(e->GetValue(), Variant(2)));
}

TEST_F(ExpressionTest, SetMembershipWithRanges)
{
    const struct {
        int value;
        bool in;
    } cases[] = {{1, true}, {2, false}, {3, true}, {5, true}, {6, true}, {7, false}, {0, false}};
    for (const auto &c : cases) {
        auto *set = new TovSetExpression;
        for (int v : {1, 3, -1, 6}) {
            if (v < 0) {
                set->AddRange();
                continue;
            }
            auto *el = new TovExpression(&script);
            el->AddConst(Variant(v));
            el->Finalize();
            set->AddExpression(el);
        }
        TovExpression e(&script);
        e.AddConst(Variant(c.value));
        e.AddOperator(QStringLiteral("in"));
        e.AddSet(set);
        EXPECT_EQ(e.Finalize(), QString());
        EXPECT_EQ(e.Typ, fvtBool);
        EXPECT_TRUE(Variant::equals(e.GetValue(), Variant(c.in))) << c.value;
    }
}

TEST_F(ExpressionTest, SingleVariableIsAssignableAndOptimizes)
{
    script.AddVariable(QStringLiteral("x"), QStringLiteral("Integer"), Variant(1));
    std::unique_ptr<TovExpression> one(build(script, QStringLiteral("v:x")));
    one->Finalize();
    EXPECT_FALSE(one->IsReadOnly);
    one->SetValue(Variant(5));
    EXPECT_TRUE(Variant::equals(script.Variables(QStringLiteral("x")), Variant(5)));

    std::unique_ptr<TovExpression> sum(build(script, QStringLiteral("v:x + 1")));
    sum->Finalize();
    EXPECT_TRUE(sum->IsReadOnly);
    sum->SetValue(Variant(9));
    EXPECT_TRUE(Variant::equals(script.Variables(QStringLiteral("x")), Variant(5)));

    // x := x + 2 and x := 2 * x become compound assignments.
    for (const char *tokens : {"v:x + 2", "2 * v:x"}) {
        std::unique_ptr<TovExpression> e(build(script, QString::fromLatin1(tokens)));
        e->Finalize();
        auto *d = new TovDesignator(&script);
        d->AddItem()->Ref = script.Find(QStringLiteral("x"));
        d->Finalize();
        std::unique_ptr<TovVariableDesignator> target(new TovVariableDesignator(&script));
        target->Borrow(d);
        delete d;
        const QString op = e->Optimize(target.get());
        EXPECT_TRUE(op == QLatin1String("+") || op == QLatin1String("*")) << tokens;
        EXPECT_TRUE(Variant::equals(e->GetValue(), Variant(2))) << tokens;
    }
}

} // namespace
