// Building programs from the intermediate script: items, statements, name
// resolution and the compile messages with their positions.
#include "script/ov_iilparser.h"

#include <gtest/gtest.h>

#include "RtTestSupport.h"
#include "core/vdResources.h"
#include "core/vdxRes.h"
#include "script/ov_iconst.h"
#include "script/ov_iexpression.h"

#include <QBuffer>

namespace {
using namespace rttest;

class IlReaderTest : public ::testing::Test {
protected:
    IlReaderTest() { addBaseTypes(s); }
    Compiled build(const QString &lang, const QString &text) { return compile(s, lang, text); }
    void run(const QString &lang, const QString &text)
    {
        const Compiled c = build(lang, text);
        ASSERT_TRUE(c.ok) << qPrintable(c.msg) << " at " << qPrintable(c.pos);
        s.Execute();
    }
    Variant var(const char *name) { return s.Variables(QString::fromLatin1(name)); }
    TovScript s;
};

struct MessageCase {
    const char *lang;
    const char *text;
    const char *msg;
    const char *pos;
};

// Every compile message of the reader, with the position it reports.
TEST_F(IlReaderTest, CompileMessagesWithPositions)
{
    const MessageCase cases[] = {
        {"VevuvaRirivo", "begin\n  x := 1;\nend.", "Undeclared identifier: 'x'", "2:4"},
        {"D++Edirud", "{ y = 2; }", "Undeclared identifier: 'y'", "1:4"},
        {"VevuvaRirivo", "var a: Integer;\nbegin a := 'text'; end.", "Incompatible types: 'Integer', 'String'", "2:18"},
        {"VevuvaRirivo", "var a: Integer; f: Double;\nbegin a := f; end.", "Incompatible types: 'Integer', 'Extended'", "2:13"},
        {"VevuvaRirivo", "var b: Boolean;\nbegin b := 1; end.", "Incompatible types: 'Boolean', 'Integer'", "2:13"},
        {"VevuvaRirivo", "begin if 'a' + 1 = 2 then ; end.", "Incompatible types", "1:15"},
        {"VevuvaRirivo", "var a: Integer;\n    a: String;\nbegin end.", "Identifier redeclared: 'a'", "2:6"},
        {"VevuvaRirivo", "procedure P; begin end;\nprocedure P; begin end;\nbegin end.", "Identifier redeclared: 'P'", "2:1"},
        {"VevuvaRirivo", "var a: TNoSuchThing;\nbegin end.", "Unknown type: 'TNoSuchThing'", "1:20"},
        {"VevuvaRirivo", "var s: String;\nbegin for s := 1 to 2 do ; end.", "For loop variable must be numeric variable", "2:12"},
        {"VevuvaRirivo", "const c = 1;\nbegin c := 2; end.", "Left side cannot be assigned to", "2:7"},
        {"VevuvaRirivo", "var s: String;\nbegin s.Length := 1; end.", "Strings doesn't have properties or methods", "2:15"},
        {"VevuvaRirivo", "var a: Integer;\nbegin a[1] := 2; end.", "Array type required", "2:9"},
        {"VevuvaRirivo", "procedure P(a: Integer; b: Integer = 2); begin end;\nbegin P; end.", "Not enough actual parameters", "2:8"},
        {"VevuvaRirivo", "procedure P(a: Integer; b: Integer = 2); begin end;\nbegin P(1, 2, 3); end.", "Too many actual parameters", "2:8"},
        {"VevuvaRirivo", "procedure P(a: Integer); begin end;\nbegin P('x'); end.", "Incompatible types: 'Integer', 'String'", "2:9"},
        {"D++Edirud", "int i;\n{ delete i; }", "Class type required", "2:11"},
        {"VevuvaRirivo", "var a: Integer; p: Variant;\nbegin p := @a.b; end.", "Variable required", "2:13"},
        {"VevuvaRirivo", "var i: Integer;\nbegin with i do ; end.", "Class type required", "2:12"},
    };
    for (const MessageCase &c : cases) {
        TovScript p;
        addBaseTypes(p);
        const Compiled r = compile(p, QString::fromLatin1(c.lang), QString::fromUtf8(c.text));
        EXPECT_FALSE(r.ok) << c.text;
        EXPECT_EQ(r.msg, QString::fromUtf8(c.msg)) << c.text;
        EXPECT_EQ(r.pos, QString::fromLatin1(c.pos)) << c.text;
        EXPECT_TRUE(r.unit.isEmpty()) << c.text;
    }
}

TEST_F(IlReaderTest, MessagesFollowTheGlobals)
{
    const QString saved = SIdUndeclared;
    SIdUndeclared = QStringLiteral("Nicht deklariert: ");
    const Compiled r = build(Pascal, QStringLiteral("begin zz := 1; end."));
    SIdUndeclared = saved;
    EXPECT_EQ(r.msg, QStringLiteral("Nicht deklariert: 'zz'"));
}

TEST(ScriptMessages, FollowTheStringResources)
{
    TvdStringResources *res = GetResources();
    const QString english = res->Get(QStringLiteral("SIdUndeclared"));
    ASSERT_EQ(english, QStringLiteral("Undeclared identifier: "));
    res->AddOrSet(QStringLiteral("SIdUndeclared"), QStringLiteral("Nicht deklariert: "));
    const QString changed = SIdUndeclared;
    res->AddOrSet(QStringLiteral("SIdUndeclared"), english);
    EXPECT_EQ(changed, QStringLiteral("Nicht deklariert: "));
    EXPECT_EQ(SIdUndeclared, english);
    EXPECT_EQ(SEventError, QStringLiteral("Event handler must be a procedure"));
}

TEST_F(IlReaderTest, UndeclaredNamesBecomeVariantsWhereTheLanguageAllows)
{
    run(Basic, QStringLiteral("x = \"5\"\ny = x & 1"));
    EXPECT_EQ(var("x").toString(), QStringLiteral("5"));
    EXPECT_EQ(var("y").toString(), QStringLiteral("51"));
    TovScript js;
    addBaseTypes(js);
    const Compiled c = compile(js, JS, QStringLiteral("z = 3; z = z * 2;"));
    ASSERT_TRUE(c.ok) << qPrintable(c.msg);
    js.Execute();
    EXPECT_EQ(js.Variables(QStringLiteral("z")).toInt(), 6);
    auto *z = js.FindLocal(QStringLiteral("z"));
    ASSERT_NE(z, nullptr);
    EXPECT_EQ(z->Typ, fvtVariant);
}

TEST_F(IlReaderTest, InitialisedLocalIsAssignedAtEachCall)
{
    run(Pascal, QStringLiteral(
        "var r1, r2: Integer;\n"
        "function F: Integer;\n"
        "var a: Integer = 5;\n"
        "begin a := a + 1; Result := a; end;\n"
        "const c = 2 * 3;\n"
        "begin r1 := F; r2 := F; end."));
    EXPECT_EQ(var("r1").toInt(), 6);
    EXPECT_EQ(var("r2").toInt(), 6);
    TovCustomVariable *c = s.FindLocal(QStringLiteral("c"));
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(c->IsReadOnly);
    EXPECT_EQ(c->Typ, fvtInt);
    EXPECT_EQ(c->Value().toInt(), 6);
}

TEST_F(IlReaderTest, SameNameInNestedProcedureIsAllowed)
{
    run(Pascal, QStringLiteral(
        "var x, r: Integer;\n"
        "procedure P; var x: Integer; begin x := 7; r := x; end;\n"
        "begin x := 1; P; end."));
    EXPECT_EQ(var("x").toInt(), 1);
    EXPECT_EQ(var("r").toInt(), 7);
}

TEST_F(IlReaderTest, CompoundAssignmentsAreRecognised)
{
    struct {
        const char *decl;
        const char *stmt;
        bool plus;
    } cases[] = {
        {"x: Integer", "x := x + 1", true},
        {"x: Integer", "x := 1 + x", true},
        {"x: String", "x := 'a' + x", false},
        {"x: Variant", "x := 1 + x", false},
        {"x: Integer", "x := x - 1", false},
    };
    for (const auto &c : cases) {
        TovScript p;
        addBaseTypes(p);
        const Compiled r = compile(p, Pascal, QStringLiteral("var %1;\nbegin %2; end.")
                                                  .arg(QLatin1String(c.decl), QLatin1String(c.stmt)));
        ASSERT_TRUE(r.ok) << qPrintable(r.msg);
        TovStatement *root = p.Statement();
        ASSERT_EQ(root->Count(), 1);
        EXPECT_EQ(dynamic_cast<TovAssignPlusStmt *>(root->GetItem(0)) != nullptr, c.plus) << c.stmt;
    }
    TovScript p;
    addBaseTypes(p);
    ASSERT_TRUE(compile(p, Pascal, QStringLiteral("var x: Integer;\nbegin x := x - 1; end.")).ok);
    EXPECT_NE(dynamic_cast<TovAssignMinusStmt *>(p.Statement()->GetItem(0)), nullptr);
}

TEST_F(IlReaderTest, LiteralKinds)
{
    run(Pascal, QStringLiteral("const a = 2147483648; b = 2147483647; c = 1.5; d = $FF; e = 'it''s';\nbegin end."));
    const struct {
        const char *name;
        TovVarType typ;
    } cases[] = {{"a", fvtInt64}, {"b", fvtInt}, {"c", fvtFloat}, {"d", fvtInt}, {"e", fvtString}};
    for (const auto &c : cases)
        EXPECT_EQ(s.FindLocal(QString::fromLatin1(c.name))->Typ, c.typ) << c.name;
    EXPECT_EQ(var("a").toInt64(), Q_INT64_C(2147483648));
    EXPECT_EQ(var("d").toInt(), 255);
    EXPECT_DOUBLE_EQ(var("c").toDouble(), 1.5);
}

TEST_F(IlReaderTest, DefaultArgumentsAreFilled)
{
    run(Pascal, QStringLiteral(
        "var r: Integer;\n"
        "function Add(a: Integer; b: Integer = 40): Integer; begin Result := a + b; end;\n"
        "begin r := Add(2); end."));
    EXPECT_EQ(var("r").toInt(), 42);
}

TEST_F(IlReaderTest, StringIndexReadsAndWritesOneCharacter)
{
    run(Pascal, QStringLiteral("var s, c: String;\nbegin s := 'abc'; c := s[2]; s[3] := 'z'; end."));
    EXPECT_EQ(var("c").toString(), QStringLiteral("b"));
    EXPECT_EQ(var("s").toString(), QStringLiteral("abz"));
}

TEST_F(IlReaderTest, ArraysWithBoundsAndCounts)
{
    run(Pascal, QStringLiteral(
        "var a: array[1..3] of Integer; m: array[0..1, 0..1] of Integer; t: Integer;\n"
        "begin a[1] := 5; a[3] := a[1] * 2; m[1, 0] := 7; t := a[3] + m[1, 0]; end."));
    EXPECT_EQ(var("t").toInt(), 17);
    TovScript c;
    addBaseTypes(c);
    const Compiled r = compile(c, Cpp, QStringLiteral("int b[3], n;\n{ b[2] = 4; n = b[2]; }"));
    ASSERT_TRUE(r.ok) << qPrintable(r.msg);
    c.Execute();
    EXPECT_EQ(c.Variables(QStringLiteral("n")).toInt(), 4);
    const Variant b = c.Variables(QStringLiteral("b"));
    ASSERT_TRUE(b.isArray());
    EXPECT_EQ(b.arrayLowBound(1), 0);
    EXPECT_EQ(b.arrayHighBound(1), 2);
}

TEST_F(IlReaderTest, ControlFlowInFourLanguages)
{
    struct {
        QString lang;
        const char *text;
        int expected;
    } cases[] = {
        {Pascal,
         "var i, t: Integer;\nbegin t := 0;\n for i := 1 to 10 do begin if i = 8 then break; if i mod 2 = 0 then continue; t := t + i; end;\n"
         " repeat t := t + 100 until t > 300;\n case t of 316: t := t + 1; else t := 0; end;\n"
         " while t > 310 do t := t - 1;\n try t := t div 0; except t := t + 1000; end; end.",
         1310},
        {Cpp,
         "int i, t;\n{ t = 0; for (i = 1; i <= 5; i++) { t += i; } switch (t) { case 15: t = t * 2; break; default: t = 0; } }",
         30},
        {Basic, "dim i, t\nt = 0\nfor i = 10 to 1 step -3\n t = t + i\nnext\nif t = 22 then\n t = t + 1\nend if", 23},
        {JS, "var t = 0, i; for (i = 0; i < 4; i++) { t = t + i; } while (t < 20) { t = t + 5; }", 21},
    };
    for (const auto &c : cases) {
        TovScript p;
        addBaseTypes(p);
        const Compiled r = compile(p, c.lang, QString::fromUtf8(c.text));
        ASSERT_TRUE(r.ok) << qPrintable(c.lang) << ": " << qPrintable(r.msg) << " at " << qPrintable(r.pos);
        p.Execute();
        EXPECT_EQ(p.Variables(QStringLiteral("t")).toInt(), c.expected) << qPrintable(c.lang);
    }
}

TEST_F(IlReaderTest, ExecutableLinesAreRecorded)
{
    const Compiled r = build(Pascal, QStringLiteral("var a: Integer;\nbegin\n  a := 1;\n\n  a := 2;\nend."));
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(s.IsExecutableLine(3));
    EXPECT_FALSE(s.IsExecutableLine(4));
    EXPECT_TRUE(s.IsExecutableLine(5));
}

TEST_F(IlReaderTest, ReturnAssignsTheResult)
{
    run(Cpp, QStringLiteral("int r;\nint Twice(int x) { return x * 2; r = -1; }\n{ r = Twice(21); }"));
    EXPECT_EQ(var("r").toInt(), 42);
}

TEST_F(IlReaderTest, MacroArgumentsSeeTheirSource)
{
    QString seen;
    s.AddMethod(QStringLiteral("macrofunction Src(s: String): String"),
                TovCallMethodEvent([&seen](QObject *, const QMetaObject *, const QString &, Variant &params) {
                    seen = params.arrayGet(0).toString();
                    return Variant(seen);
                }));
    run(Pascal, QStringLiteral("var a: Integer; t: String;\nbegin t := Src(a +  1); end."));
    EXPECT_EQ(seen, QStringLiteral("a +  1"));
}

TEST_F(IlReaderTest, UsedUnitsFromIntermediateText)
{
    // The unit arrives as intermediate text through the host; a unit named
    // twice is read once.
    TovScript unitProg;
    addBaseTypes(unitProg);
    unitProg.SetSyntaxType(Pascal);
    unitProg.SetLines({QStringLiteral("var u: Integer;"), QStringLiteral("begin u := 9; end.")});
    QBuffer il;
    il.open(QIODevice::WriteOnly);
    ASSERT_TRUE(unitProg.GetILCode(il));
    const QString unitIL = QString::fromUtf8(il.data());
    int asked = 0;
    s.OnGetUnit = [](TovILProgram *, const QString &, QString &text) { text = QStringLiteral("begin end."); };
    s.OnGetILUnit = [&](TovILProgram *, const QString &, QString &text) {
        ++asked;
        text = unitIL;
    };
    run(Pascal, QStringLiteral("uses 'one.pas', 'one.pas';\nvar r: Integer;\nbegin r := u + 1; end."));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(var("r").toInt(), 10);
}

TEST_F(IlReaderTest, ErrorInUsedUnitNamesTheUnit)
{
    s.OnGetUnit = [](TovILProgram *, const QString &, QString &text) { text = QStringLiteral("begin\n  qq := 1;\nend."); };
    const Compiled r = build(Pascal, QStringLiteral("uses 'bad.pas';\nbegin end."));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.msg, QStringLiteral("Undeclared identifier: 'qq'"));
    EXPECT_EQ(r.unit, QStringLiteral("bad.pas"));
    EXPECT_EQ(r.pos, QStringLiteral("2:5"));
}

TEST_F(IlReaderTest, IntermediateCodeRoundTrip)
{
    TovScript src;
    addBaseTypes(src);
    src.SetSyntaxType(JS);
    src.SetLines({QStringLiteral("var k = 2; k = k * 21;")});
    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    ASSERT_TRUE(src.GetILCode(buf));
    buf.close();
    buf.open(QIODevice::ReadOnly);
    ASSERT_TRUE(s.SetILCode(buf)) << qPrintable(s.ErrorMsg);
    s.Execute();
    EXPECT_EQ(var("k").toInt(), 42);
}

TEST_F(IlReaderTest, StoredIntermediateScriptsAreCheckedToo)
{
    const struct {
        QByteArray il;
        const char *msg;
    } cases[] = {
        // Nesting far beyond what a translation produces.
        {QByteArray("<?xml version=\"1.0\"?><program>") + QByteArray("<compoundstmt>").repeated(3000)
             + QByteArray("</compoundstmt>").repeated(3000) + QByteArray("</program>"),
         "Nesting too deep"},
        // A designator without a name, an assignment without a target.
        {"<?xml version=\"1.0\"?><program><callstmt pos=\"1:1\"><dsgn><node text=\"\" pos=\"1:2\"/></dsgn></callstmt></program>",
         "Undeclared identifier: ''"},
        {"<?xml version=\"1.0\"?><program><ifstmt pos=\"3:4\"/></program>", "Incompatible types"},
        // Operator sequences the tree builder could not place.
        {"<?xml version=\"1.0\"?><program><const><ident text=\"c\"/><expr><number text=\"1\"/><op text=\"\"/>"
         "<number text=\"2\"/></expr></const></program>",
         "Syntax error"},
        {"<?xml version=\"1.0\"?><program><const><ident text=\"c\"/><expr><op text=\"(\"/><number text=\"1\"/>"
         "<op text=\"+\"/><number text=\"2\"/></expr></const></program>",
         "Syntax error"},
        {"<?xml version=\"1.0\"?><program><const><ident text=\"c\"/><expr><number text=\"1\"/><number text=\"2\"/>"
         "</expr></const></program>",
         "Syntax error"},
    };
    for (const auto &c : cases) {
        TovScript p;
        addBaseTypes(p);
        QBuffer buf;
        buf.setData(c.il);
        buf.open(QIODevice::ReadOnly);
        EXPECT_FALSE(p.SetILCode(buf));
        EXPECT_EQ(p.ErrorMsg, QString::fromLatin1(c.msg)) << qPrintable(p.ErrorMsg) << " " << c.il.left(60).constData();
    }
}

} // namespace
