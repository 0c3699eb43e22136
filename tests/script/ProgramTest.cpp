// The program object: name rules, registration marks, clearing, intermediate
// script save and load, local variables of procedures.
#include "script/ov_iinterpreter.h"

#include <QBuffer>
#include <gtest/gtest.h>

namespace {

bool same(const Variant &a, const Variant &b)
{
    try {
        return Variant::equals(a, b);
    } catch (const Exception &) {
        return false;
    }
}

void addTypes(TovScript &s)
{
    s.AddType(QStringLiteral("Integer"), fvtInt);
    s.AddType(QStringLiteral("String"), fvtString);
    s.AddType(QStringLiteral("Variant"), fvtVariant);
    s.AddType(QStringLiteral("Boolean"), fvtBool);
}

TEST(ProgramTest, NameRules)
{
    TovScript parent;
    addTypes(parent);
    parent.AddVariable(QStringLiteral("X"), QStringLiteral("Integer"), Variant(1));
    // The first registration of a visible name wins.
    parent.AddConst(QStringLiteral("x"), QStringLiteral("Integer"), Variant(2));
    EXPECT_TRUE(same(parent.Variables(QStringLiteral("x")), Variant(1)));
    EXPECT_FALSE(parent.Find(QStringLiteral("X"))->IsReadOnly);

    TovScript child;
    child.SetParent(&parent);
    child.AddVariable(QStringLiteral("x"), QStringLiteral("Integer"), Variant(3));
    EXPECT_EQ(child.FindLocal(QStringLiteral("x")), nullptr);
    EXPECT_EQ(child.Find(QStringLiteral("x")), parent.FindLocal(QStringLiteral("X")));

    // Enumerations do not look: the newest entry of a name is found.
    parent.AddEnum(QStringLiteral("TAlign"), QStringLiteral("alLeft, alRight , x"));
    TovCustomVariable *x = parent.Find(QStringLiteral("X"));
    EXPECT_EQ(x->Typ, fvtEnum);
    EXPECT_TRUE(same(x->GetValue(), Variant(2)));
    EXPECT_TRUE(same(parent.Variables(QStringLiteral("alRight")), Variant(1)));
    parent.AddEnumSet(QStringLiteral("TStyles"), QStringLiteral("fsBold, fsItalic, fsUnderline"));
    EXPECT_TRUE(same(parent.Variables(QStringLiteral("fsUnderline")), Variant(4)));
    EXPECT_TRUE(parent.Find(QStringLiteral("fsBold"))->IsReadOnly);

    // Variables[] of an unknown name adds a Variant variable; reading one gives Null.
    EXPECT_TRUE(parent.Variables(QStringLiteral("nothing")).isNull());
    parent.SetVariables(QStringLiteral("Fresh"), Variant(QStringLiteral("v")));
    EXPECT_EQ(parent.Find(QStringLiteral("fresh"))->Typ, fvtVariant);

    // The item list stays sorted case-insensitively.
    for (int i = 1; i < parent.Count(); ++i)
        EXPECT_LE(QString::compare(parent.ItemName(i - 1), parent.ItemName(i), Qt::CaseInsensitive), 0);
}

TEST(ProgramTest, OwnerMarksAndClearing)
{
    TovScript s;
    addTypes(s);
    s.SetAddedBy(ovAddedByModules);
    s.AddConst(QStringLiteral("ModConst"), QStringLiteral("Integer"), Variant(7));
    int owner = 0;
    s.SetAddedBy(ovOwnerMark(&owner));
    s.AddVariable(QStringLiteral("Mine"), QStringLiteral("Integer"), Variant(1));
    s.SetAddedBy(0);
    s.AddVariable(QStringLiteral("Other"), QStringLiteral("Integer"), Variant(1));

    s.RemoveItems(ovOwnerMark(&owner));
    EXPECT_EQ(s.Find(QStringLiteral("Mine")), nullptr);
    EXPECT_NE(s.Find(QStringLiteral("Other")), nullptr);

    s.SetLines({QStringLiteral("var a: Integer;"), QStringLiteral("begin a := ModConst; end.")});
    ASSERT_TRUE(s.Compile()) << s.ErrorMsg.toStdString();
    EXPECT_TRUE(s.IsExecutableLine(2));
    EXPECT_FALSE(s.IsExecutableLine(1));
    s.Clear();
    EXPECT_EQ(s.Statement()->Count(), 0);
    EXPECT_EQ(s.Find(QStringLiteral("Other")), nullptr);
    EXPECT_EQ(s.Find(QStringLiteral("Integer")), nullptr);
    EXPECT_NE(s.Find(QStringLiteral("ModConst")), nullptr);
    EXPECT_FALSE(s.IsExecutableLine(2));
}

TEST(ProgramTest, IntermediateScriptSavedAndLoaded)
{
    TovScript s;
    addTypes(s);
    s.SetLines({QStringLiteral("var a: Integer;"),
                QStringLiteral("function Sq(n: Integer): Integer; begin Result := n * n; end;"),
                QStringLiteral("begin a := Sq(12); end.")});
    QBuffer il;
    il.open(QIODevice::WriteOnly);
    ASSERT_TRUE(s.GetILCode(il)) << s.ErrorMsg.toStdString();
    il.close();
    EXPECT_TRUE(il.data().startsWith("<?xml"));

    TovScript t;
    addTypes(t);
    il.open(QIODevice::ReadOnly);
    ASSERT_TRUE(t.SetILCode(il)) << t.ErrorMsg.toStdString();
    t.Execute();
    EXPECT_TRUE(same(t.Variables(QStringLiteral("a")), Variant(144)));

    TovScript bad;
    QBuffer junk;
    junk.setData("<?xml version=\"1.0\"?><notaprogram/>");
    junk.open(QIODevice::ReadOnly);
    EXPECT_FALSE(bad.SetILCode(junk));
    EXPECT_FALSE(bad.ErrorMsg.isEmpty());
}

TEST(ProgramTest, ClearLocalVarsAndReentrantCalls)
{
    const QString source = QStringLiteral("var seen: Integer;\n"
                                          "procedure P;\n"
                                          "var k: Integer;\n"
                                          "begin\n"
                                          "  seen := k;\n"
                                          "  k := 5;\n"
                                          "end;\n"
                                          "begin\n"
                                          "  P;\n"
                                          "  P;\n"
                                          "end.");
    for (bool clear : {false, true}) {
        TovScript s;
        addTypes(s);
        s.ClearLocalVars = clear;
        s.SetLines(source.split(QLatin1Char('\n')));
        ASSERT_TRUE(s.Compile()) << s.ErrorMsg.toStdString();
        s.Execute();
        EXPECT_TRUE(same(s.Variables(QStringLiteral("seen")), Variant(clear ? 0 : 5))) << clear;
    }

    // A host call into a procedure that is on the call stack leaves the
    // interrupted call's locals as they were.
    TovScript s;
    addTypes(s);
    s.SetLines({QStringLiteral("var out: Integer;"), QStringLiteral("procedure Q(n: Integer);"),
                QStringLiteral("var k: Integer;"), QStringLiteral("begin"), QStringLiteral("  k := n;"),
                QStringLiteral("  out := 0;"), QStringLiteral("  out := k;"), QStringLiteral("end;"),
                QStringLiteral("begin Q(7); end.")});
    ASSERT_TRUE(s.Compile()) << s.ErrorMsg.toStdString();
    bool inner = false;
    s.OnRunLine = [&](TovScript *, const QString &, const QString &pos) {
        if (!inner && pos.startsWith(QLatin1String("6:"))) {
            inner = true;
            s.CallFunction(QStringLiteral("Q"), VarArrayOf({Variant(99)}));
        }
    };
    s.Execute();
    EXPECT_TRUE(inner);
    EXPECT_TRUE(same(s.Variables(QStringLiteral("out")), Variant(7)));
}

} // namespace
