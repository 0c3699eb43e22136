// Translation of script source into the intermediate script.
#include "script/ov_iilparser.h"
#include "script/ov_iconst.h"
#include "core/vdPersistent.h"
#include "common/TestSupport.h"

#include <QDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

struct Result {
    bool ok = false;
    QString msg, pos, unit;
    QByteArray il;
};

Result translate(const QString &lang, const QString &text, TovILProgram *prog = nullptr)
{
    TovILProgram local;
    if (!prog)
        prog = &local;
    TovILParser p(prog);
    p.SelectLanguage(lang);
    Result r;
    r.ok = p.MakeILScript(text);
    r.msg = prog->ErrorMsg;
    r.pos = prog->ErrorPos;
    r.unit = prog->ErrorUnit;
    if (r.ok) {
        p.ILScript()->SetAutoIndent(true);
        r.il = p.ILScript()->SaveToBytes();
    }
    return r;
}

// The IL without positions: what must agree between languages.
void shape(const TovXMLItem *x, QString &out, int level)
{
    if (x->Name() == QLatin1String("types"))
        return;
    out += QString(level * 2, QLatin1Char(' ')) + x->Name();
    if (x->PropExists("text"))
        out += QLatin1Char(' ') + x->Prop("text");
    out += QLatin1Char('\n');
    for (int i = 0; i < x->Count(); ++i)
        shape(x->Items(i), out, level + 1);
}

QString shapeOf(const QByteArray &il)
{
    TovXMLDocument d;
    d.LoadFromBytes(il);
    QString s;
    shape(d.Root(), s, 0);
    return s;
}

const TovXMLItem *child(const TovXMLItem *x, int i) { return x->Items(i); }

} // namespace

TEST(ScriptLanguages, RegistryListsTheFour)
{
    const QStringList names = ovLanguageNames();
    for (const char *n : {"VevuvaRirivo", "D++Edirud", "DadavOvurid", "JScript"})
        EXPECT_TRUE(names.contains(n)) << n;
    EXPECT_THROW(ovGetLanguageGrammar("Klingon"), Exception);
    try {
        ovGetLanguageGrammar("Klingon");
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), "Language 'Klingon' not found");
    }
    EXPECT_FALSE(ovGetLanguageGrammar("jscript").isEmpty()); // names ignore case
    for (const char *c : {"TovPascal", "TovCPP", "TovBasic", "TovJScript"})
        EXPECT_NE(vdFindClass(c), nullptr) << c;
}

TEST(ScriptLanguages, ReRegisterKeepsPlaceAndHiddenNames)
{
    const QString g = ovGetLanguageGrammar("VevuvaRirivo");
    ovAddLanguage("TestLangX", "<x/>");
    const int at = int(ovLanguageNames().indexOf("TestLangX"));
    ovAddLanguage("testlangx", g);
    EXPECT_EQ(ovLanguageNames().indexOf("TestLangX"), at);
    EXPECT_EQ(ovGetLanguageGrammar("TestLangX"), g);

    ovAddLanguage("@Hidden", g);
    EXPECT_FALSE(ovLanguageNames().contains("@Hidden"));
    EXPECT_TRUE(translate("@Hidden", "begin a := 1 end.").ok);
}

TEST(ScriptLanguages, UndefinedRuleIsInvalidDefinition)
{
    ovAddLanguage("@Broken", "<?xml version=\"1.0\"?><language><program><nosuchrule/></program></language>");
    try {
        translate("@Broken", "x");
        FAIL();
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), "Invalid language definition");
    }
}

// One program per language, compared with its golden IL.
TEST(ScriptTranslate, GoldenPrograms)
{
    const struct { const char *lang; const char *file; } cases[] = {
        {"VevuvaRirivo", "sample.pas"},
        {"D++Edirud", "sample.cpp"},
        {"DadavOvurid", "sample.bas"},
        {"JScript", "sample.js"},
        {"VevuvaRirivo", "noargs.pas"},
        {"D++Edirud", "noargs.cpp"},
        {"DadavOvurid", "noargs.bas"},
        {"JScript", "noargs.js"},
    };
    for (const auto &c : cases) {
        const QString src = QString::fromUtf8(vdtest::readFile(vdtest::dataPath(QStringLiteral("script/") + c.file)));
        ASSERT_FALSE(src.isEmpty()) << c.file;
        const Result r = translate(c.lang, src);
        ASSERT_TRUE(r.ok) << c.file << ": " << r.msg.toStdString() << " at " << r.pos.toStdString();
        const QString golden = vdtest::dataPath(QStringLiteral("script/") + c.file + QStringLiteral(".il.xml"));
        if (qEnvironmentVariableIsSet("VD_UPDATE_GOLDEN"))
            vdtest::writeFile(golden, r.il);
        EXPECT_EQ(QString::fromUtf8(r.il), QString::fromUtf8(vdtest::readFile(golden))) << c.file;
    }
}

// Shapes written by hand, not by the translator: the goldens above are the
// translator's own output, so a wrong translation would pass them.
TEST(ScriptTranslate, HandWrittenShapes)
{
    const QString assignA1 = "    assignstmt\n"
                             "      dsgn\n"
                             "        node a\n"
                             "      expr\n"
                             "        number 1\n";
    const QString bracketed = "      expr\n"
                              "        op (\n"
                              "        expr\n"
                              "          number 1\n"
                              "          op +\n"
                              "          number 2\n"
                              "        op )\n"
                              "        op *\n"
                              "        number 3\n";
    // The same statements, one level less deep (top-level statements of the
    // languages without a main block).
    auto outdent = [](const QString &text) {
        QStringList lines = text.split('\n');
        for (QString &l : lines)
            l.remove(0, 2);
        return lines.join('\n');
    };
    const struct {
        const char *lang;
        const char *text;
        QString shape;
    } cases[] = {
        {"VevuvaRirivo", "begin a := 1 end.", "program\n  compoundstmt\n" + assignA1},
        {"VevuvaRirivo", "begin a := (1 + 2) * 3 end.",
         "program\n  compoundstmt\n    assignstmt\n      dsgn\n        node a\n" + bracketed},
        {"VevuvaRirivo", "begin repeat a := a + 1 until a > 2 end.",
         "program\n  compoundstmt\n    repeatstmt\n"
         "      assignstmt\n        dsgn\n          node a\n        expr\n          dsgn\n            node a\n"
         "          op +\n          number 1\n"
         "      expr\n        dsgn\n          node a\n        op >\n        number 2\n"},
        {"D++Edirud", "{ a = 1; }", "program\n  compoundstmt\n" + assignA1},
        {"D++Edirud", "{ a = (1 + 2) * 3; }",
         "program\n  compoundstmt\n    assignstmt\n      dsgn\n        node a\n" + bracketed},
        {"D++Edirud", "{ a += 2; i++; }",
         "program\n  compoundstmt\n"
         "    assignstmt\n      dsgn\n        node a\n      modificator +\n      expr\n        number 2\n"
         "    callstmt\n      dsgn\n        node i\n      modificator +\n"},
        {"DadavOvurid", "a = 1\n", "program\n" + outdent(assignA1)},
        {"DadavOvurid", "a = (1 + 2) * 3\n",
         "program\n  assignstmt\n    dsgn\n      node a\n" + outdent(bracketed)},
        {"DadavOvurid", "Do\na = 1\nLoop While a < 3\n",
         "program\n  repeatstmt\n" + assignA1 + "    expr\n      dsgn\n        node a\n      op <\n      number 3\n"
         "    inverse while\n"}, // the word that ended the loop
        {"JScript", "a = 1;", "program\n" + outdent(assignA1)},
        {"JScript", "a = (1 + 2) * 3;", "program\n  assignstmt\n    dsgn\n      node a\n" + outdent(bracketed)},
        {"JScript", "a -= 2; i--;",
         "program\n"
         "  assignstmt\n    dsgn\n      node a\n    modificator -\n    expr\n      number 2\n"
         "  callstmt\n    dsgn\n      node i\n    modificator -\n"},
    };
    for (const auto &c : cases) {
        const Result r = translate(c.lang, c.text);
        ASSERT_TRUE(r.ok) << c.lang << ": " << c.text << ": " << r.msg.toStdString();
        EXPECT_EQ(shapeOf(r.il).toStdString(), c.shape.toStdString()) << c.lang << ": " << c.text;
    }
}

// The same algorithm written in the four languages gives the same IL, apart
// from the blocks each language needs.
TEST(ScriptTranslate, SameAlgorithmSameIL)
{
    const QString pas = "begin\n  s := 0; i := 1;\n  while i <= 10 do\n  begin\n"
                        "    if i mod 2 = 0 then s := s + i * $10 else s := s - 1;\n    i := i + 1\n  end;\n"
                        "  Show(s, 'done', not (s > 3))\nend.";
    const QString cpp = "{\n  s = 0; i = 1;\n  while (i <= 10) {\n"
                        "    if (i % 2 == 0) s = s + i * 0x10; else s = s - 1;\n    i = i + 1;\n  }\n"
                        "  Show(s, \"done\", !(s > 3));\n}";
    const QString js = "s = 0; i = 1;\nwhile (i <= 10) {\n"
                       "  if (i % 2 == 0) s = s + i * 0x10; else s = s - 1;\n  i = i + 1;\n}\n"
                       "Show(s, \"done\", !(s > 3));";
    const QString bas = "s = 0 : i = 1\nWhile i <= 10\n"
                        "  If i Mod 2 = 0 Then s = s + i * 0x10 Else s = s - 1\n  i = i + 1\nWend\n"
                        "Show(s, \"done\", Not (s > 3))\n";
    auto flat = [](const QByteArray &il) {
        QStringList keep;
        for (const QString &line : shapeOf(il).split('\n')) {
            const QString t = line.trimmed();
            if (!t.isEmpty() && t != "compoundstmt")
                keep << t;
        }
        return keep.join(" | ");
    };
    const Result rp = translate("VevuvaRirivo", pas);
    ASSERT_TRUE(rp.ok) << rp.msg.toStdString() << rp.pos.toStdString();
    const QString expected = flat(rp.il);
    EXPECT_EQ(expected,
              "program | assignstmt | dsgn | node s | expr | number 0 | assignstmt | dsgn | node i | expr | number 1 | "
              "whilestmt | expr | dsgn | node i | op <= | number 10 | ifstmt | expr | dsgn | node i | op mod | "
              "number 2 | op = | number 0 | thenstmt | assignstmt | dsgn | node s | expr | dsgn | node s | op + | "
              "dsgn | node i | op * | number $10 | elsestmt | assignstmt | dsgn | node s | expr | dsgn | node s | "
              "op - | number 1 | assignstmt | dsgn | node i | expr | dsgn | node i | op + | number 1 | callstmt | "
              "dsgn | node Show | expr | dsgn | node s | expr | string 'done' | expr | op not | op ( | expr | dsgn | "
              "node s | op > | number 3 | op )");
    for (const auto &c : {std::pair<const char *, QString>{"D++Edirud", cpp}, {"JScript", js}, {"DadavOvurid", bas}}) {
        const Result r = translate(c.first, c.second);
        ASSERT_TRUE(r.ok) << c.first << ": " << r.msg.toStdString() << " " << r.pos.toStdString();
        EXPECT_EQ(flat(r.il), expected) << c.first;
    }
}

TEST(ScriptTranslate, PascalShapes)
{
    Result r = translate("VevuvaRirivo", "begin a := 1 end.");
    ASSERT_TRUE(r.ok);
    TovXMLDocument d;
    d.LoadFromBytes(r.il);
    const TovXMLItem *prog = d.Root();
    EXPECT_EQ(prog->Name(), "program");
    ASSERT_EQ(prog->Count(), 2);
    EXPECT_EQ(child(prog, 1)->Name(), "types");
    const TovXMLItem *assign = child(child(prog, 0), 0);
    EXPECT_EQ(child(prog, 0)->Name(), "compoundstmt");
    EXPECT_EQ(assign->Name(), "assignstmt");
    EXPECT_EQ(child(assign, 0)->Name(), "dsgn");
    EXPECT_EQ(child(child(assign, 0), 0)->Prop("text"), "a");
    EXPECT_EQ(child(assign, 1)->Name(), "expr");
    EXPECT_EQ(child(child(assign, 1), 0)->Name(), "number");
    EXPECT_EQ(assign->Prop("pos"), "1:7");
    EXPECT_EQ(child(assign, 1)->Prop("pos1"), "1:13");

    r = translate("VevuvaRirivo", "begin a := (1 + 2) * 3 end.");
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(shapeOf(r.il).contains("      expr\n        op (\n        expr\n          number 1\n          op +\n"
                                       "          number 2\n        op )\n        op *\n        number 3\n"));
}

TEST(ScriptTranslate, ReportTextBecomesGetCall)
{
    const Result r = translate("VevuvaRirivo", "begin s := 'x' + <Date> end.");
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(shapeOf(r.il).contains("dsgn\n          node Get\n          expr\n            string 'Date'\n"));
    TovXMLDocument d;
    d.LoadFromBytes(r.il);
    const TovXMLItem *expr = child(child(child(d.Root(), 0), 0), 1);
    const TovXMLItem *get = child(expr, 2);
    EXPECT_EQ(get->Prop("pos"), "1:23");
    EXPECT_FALSE(child(get, 1)->PropExists("pos1"));
}

// Syntax errors: the grammar's message at the position of the offending token.
TEST(ScriptTranslate, SyntaxErrors)
{
    const struct { const char *lang; const char *text; const char *msg; const char *pos; } cases[] = {
        {"VevuvaRirivo", "begin a := 1 b := 2 end.", "';' expected", "1:14"},
        {"VevuvaRirivo", "begin a := 1; b := 2", "';' expected", "1:21"},
        {"VevuvaRirivo", "var begin end.", "Identifier expected", "1:5"},
        {"VevuvaRirivo", "begin a := end.", "Expression expected", "1:12"},
        {"VevuvaRirivo", "x", "'BEGIN' expected", "1:1"},
        {"VevuvaRirivo", "begin var x: integer; end.", "';' expected", "1:7"},
        {"VevuvaRirivo", "begin if a b end.", "'THEN' expected", "1:12"},
        {"VevuvaRirivo", "begin a := (1 + 2 end.", "')' expected", "1:19"},
        {"VevuvaRirivo", "begin a := b[1 end.", "']' expected", "1:16"},
        {"VevuvaRirivo", "begin a := 1 end", "'.' expected", "1:17"},
        {"VevuvaRirivo", "begin case a 1: ; end end.", "'OF' expected", "1:14"},
        {"VevuvaRirivo", "begin case a of 1: x end.", "';' expected", "1:25"},
        {"VevuvaRirivo", "begin case a of 1: x; else y; z end; end.", "'END' expected", "1:31"},
        {"VevuvaRirivo", "begin case a of 1 x end end.", "':' expected", "1:19"},
        {"VevuvaRirivo", "const c 1; begin end.", "'=' expected", "1:9"},
        {"VevuvaRirivo", "begin repeat x end.", "'UNTIL' expected", "1:16"},
        {"VevuvaRirivo", "begin for i := 1 too 5 do ; end.", "'TO' or 'DOWNTO' expected", "1:18"},
        {"VevuvaRirivo", "begin while a x; end.", "'DO' expected", "1:15"},
        {"VevuvaRirivo", "begin try x end.", "'FINALLY' or 'EXCEPT' expected", "1:13"},
        {"VevuvaRirivo", "var a: array 1 of integer; begin end.", "'[' expected", "1:14"},
        {"VevuvaRirivo", "begin a := <Date end.", "'>' expected", "1:22"},
        {"VevuvaRirivo", "begin try x; finally y; end; end. z", "Unexpected text after the end of the program", "1:35"},
        {"D++Edirud", "{ if a) x = 1; }", "'(' expected", "1:6"},
        {"D++Edirud", "{ x = 1 }", "';' expected", "1:9"},
        {"D++Edirud", "x", "'{' expected", "1:1"},
        {"D++Edirud", "{ x = 1;", "'}' expected", "1:9"},
        {"D++Edirud", "#defin X 1 {}", "'DEFINE' expected", "1:2"},
        {"D++Edirud", "{ do x++; (a); }", "'WHILE' expected", "1:11"},
        {"D++Edirud", "{ try { } x; }", "'FINALLY' or 'EXCEPT' expected", "1:11"},
        {"D++Edirud", "{ If (a) x = 1; }", "';' expected", "1:10"},
        {"D++Edirud", "{ if (a) }", "Statement expected", "1:10"},
        {"JScript", "while (a)", "Statement expected", "1:10"},
        {"DadavOvurid", "x = 1 y", "End of line expected", "1:7"},
        {"DadavOvurid", "for i = 1 5\nnext", "'TO' expected", "1:11"},
        {"DadavOvurid", "if a then\nx = 1\n", "'END' expected", "3:1"},
        {"DadavOvurid", "if a then\nx = 1\nend x\n", "'IF' expected", "3:5"},
        {"DadavOvurid", "if a x\n", "'THEN' expected", "1:6"},
        {"DadavOvurid", "select x\nend select\n", "'CASE' expected", "1:8"},
        {"DadavOvurid", "select case x\nend x\n", "'SELECT' expected", "2:5"},
        {"DadavOvurid", "while a\nx = 1\n", "'WEND' expected", "3:1"},
        {"DadavOvurid", "for i = 1 to 5\nx = 1\n", "'NEXT' expected", "3:1"},
        {"DadavOvurid", "with a\nend x\n", "'WITH' expected", "2:5"},
        {"DadavOvurid", "try\nfinally\nend x\n", "'TRY' expected", "3:5"},
        {"DadavOvurid", "try\nx = 1\nend try\n", "'FINALLY' or 'CATCH' expected", "3:1"},
        {"DadavOvurid", "sub a\nend\n", "'SUB' expected", "2:4"},
        {"DadavOvurid", "function a\nend sub\n", "'FUNCTION' expected", "2:5"},
        {"DadavOvurid", "x = (1", "')' expected", "1:7"},
        {"DadavOvurid", "select case x\ncase : y = 1\nend select\n", "'ELSE' expected", "2:6"},
        {"DadavOvurid", "do\nx = 1\nloop x\n", "'WHILE' expected", "3:6"},
        {"VevuvaRirivo", "var a: array[5] of integer; begin end.", "'..' expected", "1:15"},
        {"JScript", "if (a) { x = 1", "'}' expected", "1:15"},
        {"JScript", "while a) x = 1;", "'(' expected", "1:7"},
        {"JScript", "x = 1 )", "Unexpected text after the end of the program", "1:7"},
        {"JScript", "x = ;", "Expression expected", "1:5"},
        {"JScript", "function (a) {}", "Identifier expected", "1:10"},
        {"JScript", "switch (a) { case 1 x = 1; }", "':' expected", "1:21"},
    };
    for (const auto &c : cases) {
        const Result r = translate(c.lang, c.text);
        EXPECT_FALSE(r.ok) << c.text;
        EXPECT_EQ(r.msg.toStdString(), c.msg) << c.lang << ": " << c.text;
        EXPECT_EQ(r.pos.toStdString(), c.pos) << c.lang << ": " << c.text;
    }
}

// Empty parentheses in calls and declarations: the same IL as no list at all,
// without an empty argument or parameter list.
TEST(ScriptTranslate, EmptyParentheses)
{
    const struct { const char *lang; const char *with; const char *without; } cases[] = {
        {"VevuvaRirivo", "procedure P(); begin end;\nfunction F( ): Integer; begin Result := 1 end;\n"
                         "begin P(); x := F() + o.M().N(1)() end.",
         "procedure P; begin end;\nfunction F: Integer; begin Result := 1 end;\n"
         "begin P; x := F + o.M.N(1) end."},
        {"D++Edirud", "void P() { } int F( ) { return G(); } { P(); x = F() + o.M().N(1)(); }",
         "void P() { } int F( ) { return G; } { P; x = F + o.M.N(1); }"},
        {"DadavOvurid", "Sub P()\nEnd Sub\nFunction F( ) As Integer\nReturn G()\nEnd Function\n"
                        "P()\nx = F() + o.M().N(1)()\n",
         "Sub P\nEnd Sub\nFunction F As Integer\nReturn G\nEnd Function\nP\nx = F + o.M.N(1)\n"},
        {"JScript", "function P() { }\nfunction F(\n) { return G(); }\nP(); x = F() + o.M().N(1)();",
         "function P() { }\nfunction F(\n) { return G; }\nP; x = F + o.M.N(1);"},
    };
    for (const auto &c : cases) {
        const Result w = translate(c.lang, c.with);
        ASSERT_TRUE(w.ok) << c.lang << ": " << w.msg.toStdString() << " at " << w.pos.toStdString();
        const Result wo = translate(c.lang, c.without);
        ASSERT_TRUE(wo.ok) << c.lang << ": " << wo.msg.toStdString() << " at " << wo.pos.toStdString();
        const QString shape = shapeOf(w.il);
        EXPECT_EQ(shape, shapeOf(wo.il)) << c.lang;
        EXPECT_FALSE(shape.contains("parameters")) << c.lang;
    }

    // A parameter list still needs its closing parenthesis, an argument list
    // its arguments.
    const struct { const char *lang; const char *text; const char *msg; const char *pos; } errors[] = {
        {"VevuvaRirivo", "begin P(1, ) end.", "Expression expected", "1:12"},
        {"VevuvaRirivo", "begin P( end.", "Expression expected", "1:10"},
        {"VevuvaRirivo", "procedure P(; begin end; begin end.", "Identifier expected", "1:13"},
        {"D++Edirud", "{ P(1; }", "')' expected", "1:6"},
        {"D++Edirud", "void P(int a { } { }", "')' expected", "1:14"},
        {"DadavOvurid", "P(\n", "Expression expected", "1:3"},
        {"DadavOvurid", "Sub P(\nEnd Sub\n", "Identifier expected", "1:7"},
        {"JScript", "function f( { }", "Identifier expected", "1:13"},
        {"JScript", "function f(a b) { }", "')' expected", "1:14"},
        {"JScript", "f(1 2);", "')' expected", "1:5"},
    };
    for (const auto &c : errors) {
        const Result r = translate(c.lang, c.text);
        EXPECT_FALSE(r.ok) << c.text;
        EXPECT_EQ(r.msg.toStdString(), c.msg) << c.lang << ": " << c.text;
        EXPECT_EQ(r.pos.toStdString(), c.pos) << c.lang << ": " << c.text;
    }
}

TEST(ScriptTranslate, ConstSectionBeforeBeginSucceeds)
{
    const Result r = translate("VevuvaRirivo", "const a = 1; b = 'x';\nbegin end.");
    ASSERT_TRUE(r.ok) << r.msg.toStdString();
    EXPECT_EQ(shapeOf(r.il).count("const\n"), 2);
    EXPECT_TRUE(r.msg.isEmpty());
    EXPECT_TRUE(r.pos.isEmpty());
}

TEST(ScriptTranslate, KeywordsAndOperatorsPerLanguage)
{
    // D++Edirud keywords are case-sensitive, JScript ones are not.
    EXPECT_TRUE(translate("D++Edirud", "{ If = 1; }").ok);
    EXPECT_FALSE(translate("JScript", "If = 1;").ok);
    EXPECT_TRUE(translate("VevuvaRirivo", "BEGIN A := 1 END.").ok);

    const struct { const char *lang; const char *text; const char *ops; } cases[] = {
        {"VevuvaRirivo", "begin x := -a <> b or c xor d and not e div f mod g shl h shr i = j end.",
         "unminus <> or xor and not div mod shl shr ="},
        {"D++Edirud", "{ x = -a != b || c ^ d && !e div f % g << h >> i == j; }",
         "unminus <> or xor and not div mod shl shr ="},
        {"JScript", "x = -a != b || c ^ d && !e div f % g << h >> i == j;",
         "unminus <> or xor and not div mod shl shr ="},
        {"DadavOvurid", "x = -a <> b or c xor d and not e \\ f mod g & h = j",
         "unminus <> or xor and not div mod strcat ="},
        {"VevuvaRirivo", "begin x := a >= b; x := a <= b; x := a in b; x := a is b end.", ">= <= in is"},
        {"DadavOvurid", "x = a >= b: x = a <= b: x = a > b: x = a < b", ">= <= > <"},
    };
    for (const auto &c : cases) {
        const Result r = translate(c.lang, c.text);
        ASSERT_TRUE(r.ok) << c.text << ": " << r.msg.toStdString() << " " << r.pos.toStdString();
        QStringList ops;
        for (const QString &line : shapeOf(r.il).split('\n'))
            if (line.trimmed().startsWith("op "))
                ops << line.trimmed().mid(3);
        EXPECT_EQ(ops.join(' '), c.ops) << c.text;
    }

    // Address-of marks.
    for (const auto &c : {std::pair<const char *, const char *>{"VevuvaRirivo", "begin x := @y end."},
                          {"D++Edirud", "{ x = &y; }"}, {"JScript", "x = &y;"}, {"DadavOvurid", "x = addressof y"}}) {
        const Result r = translate(c.first, c.second);
        ASSERT_TRUE(r.ok) << c.second;
        EXPECT_TRUE(shapeOf(r.il).contains("addr")) << c.second;
    }
}

TEST(ScriptTranslate, CompoundAssignmentsAndIncrements)
{
    const Result r = translate("JScript", "a += 1; a -= 2; a *= 3; a /= 4; a++; a--;");
    ASSERT_TRUE(r.ok);
    QStringList mods;
    for (const QString &line : shapeOf(r.il).split('\n'))
        if (line.trimmed().startsWith("modificator "))
            mods << line.trimmed().mid(12);
    EXPECT_EQ(mods.join(' '), "+ - * / + -");
}

TEST(ScriptTranslate, BasicLineRules)
{
    // Every kind of line end, comment lines and continuation lines.
    for (const char *eol : {"\n", "\r\n", "\r"}) {
        const QString e = QString::fromLatin1(eol);
        const QString src = "' heading comment" + e + "x = 1 ' trailing" + e + "rem whole line" + e + e + "y = _" + e
                            + "  2" + e + "z = 3";
        const Result r = translate("DadavOvurid", src);
        ASSERT_TRUE(r.ok) << r.msg.toStdString() << " " << r.pos.toStdString();
        const QString s = shapeOf(r.il);
        EXPECT_EQ(s.count("assignstmt"), 3) << s.toStdString();
        TovXMLDocument d;
        d.LoadFromBytes(r.il);
        EXPECT_EQ(d.Root()->Items(1)->Prop("pos"), "5:1");
    }
}

TEST(ScriptTranslate, LanguageDirective)
{
    for (const char *eol : {"\n", "\r\n", "\r"}) {
        const QString text = "#language DadavOvurid" + QString::fromLatin1(eol) + "x = 1" + QString::fromLatin1(eol);
        TovILProgram prog;
        TovILParser p(&prog);
        p.SelectLanguage("VevuvaRirivo");
        ASSERT_TRUE(p.MakeILScript(text)) << prog.ErrorMsg.toStdString() << " " << prog.ErrorPos.toStdString();
        EXPECT_EQ(p.LangName(), "DadavOvurid");
        EXPECT_FALSE(p.NeedDeclareVars());
        EXPECT_EQ(p.ILScript()->Root()->Items(0)->Prop("pos"), "2:1");
    }
    // Case of the word does not matter; a missing language raises.
    TovILProgram prog;
    TovILParser p(&prog);
    p.SelectLanguage("DadavOvurid");
    EXPECT_TRUE(p.MakeILScript("#LANGUAGE VevuvaRirivo\r\nbegin end."));
    // What the new grammar does not set keeps the first grammar's value.
    EXPECT_FALSE(p.NeedDeclareVars());
    EXPECT_EQ(p.Parser()->CommentLine2(), "rem");
    TovILParser cs(&prog);
    cs.SelectLanguage("D++Edirud");
    EXPECT_TRUE(cs.MakeILScript("#language VevuvaRirivo\nbegin end."));
    EXPECT_TRUE(cs.Parser()->CaseSensitive());
    EXPECT_TRUE(cs.NeedDeclareVars());
    EXPECT_THROW(p.MakeILScript("#language Nope\nx"), Exception);
    // Not a directive: "#" followed by something else.
    TovILParser c(&prog);
    c.SelectLanguage("D++Edirud");
    EXPECT_TRUE(c.MakeILScript("#define X 1\n{ }"));
}

TEST(ScriptTranslate, UsesInlinesEachUnitOnce)
{
    vdtest::TempDir dir;
    vdtest::writeFile(dir.file("a.pas"), "uses 'b.pas';\nvar a: Integer;\nbegin end.");
    vdtest::writeFile(dir.file("b.pas"), "var b: Integer;\nbegin end.");
    TovILProgram prog;
    prog.IncludePath = QStringList{dir.path() + "/nothere", dir.path()};
    const Result r = translate("VevuvaRirivo", "uses 'a.pas', 'b.pas', 'a.pas';\nbegin end.", &prog);
    ASSERT_TRUE(r.ok) << r.msg.toStdString();
    TovXMLDocument d;
    d.LoadFromBytes(r.il);
    const TovXMLItem *root = d.Root();
    // Names are taken last to first: a.pas first (named twice), so its own
    // b.pas is inlined inside it, and the clause's b.pas adds nothing.
    ASSERT_GE(root->Count(), 3);
    EXPECT_EQ(root->Items(0)->Name().toStdString(), "uses");
    EXPECT_EQ(root->Items(0)->Prop("unit").toStdString(), "a.pas");
    EXPECT_EQ(root->Items(1)->Name().toStdString(), "compoundstmt");
    const TovXMLItem *aProg = root->Items(0)->Items(0);
    EXPECT_EQ(aProg->Name().toStdString(), "program");
    EXPECT_EQ(aProg->Items(0)->Prop("unit").toStdString(), "b.pas");
    EXPECT_EQ(shapeOf(r.il).count("uses"), 2);

    // Two names in a clause: inlined in reverse order.
    const Result r2 = translate("VevuvaRirivo", "uses 'b.pas', 'a.pas';\nbegin end.", &prog);
    ASSERT_TRUE(r2.ok) << r2.msg.toStdString();
    TovXMLDocument d2;
    d2.LoadFromBytes(r2.il);
    EXPECT_EQ(d2.Root()->Items(0)->Prop("unit").toStdString(), "a.pas");
    EXPECT_EQ(d2.Root()->Items(0)->Items(0)->Items(0)->Prop("unit").toStdString(), "b.pas");
    EXPECT_EQ(shapeOf(r.il).count("file"), 0);
}

TEST(ScriptTranslate, UnitsFromHostEventAndErrors)
{
    TovILProgram prog;
    QStringList asked;
    prog.OnGetUnit = [&](TovILProgram *, const QString &name, QString &text) {
        asked << name;
        if (name == "good.js")
            text = "import \"bad.js\";\nx = 1;";
        else if (name == "bad.js")
            text = "y = ;";
    };
    const Result r = translate("JScript", "import \"good.js\";\nz = 2;", &prog);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.msg, "Expression expected");
    EXPECT_EQ(r.pos, "1:5");
    EXPECT_EQ(r.unit, "bad.js");
    EXPECT_EQ(asked, QStringList({"good.js", "bad.js"}));

    TovILProgram empty;
    empty.OnGetUnit = [](TovILProgram *, const QString &, QString &text) { text.clear(); };
    const Result e = translate("JScript", "import \"none.js\";", &empty);
    ASSERT_TRUE(e.ok);
    EXPECT_TRUE(shapeOf(e.il).contains("uses\n"));
}

TEST(ScriptTranslate, MissingUnitFileRaises)
{
    TovILProgram prog;
    prog.IncludePath = QStringList{QDir::tempPath() + "/no-such-folder-vd"};
    EXPECT_THROW(translate("VevuvaRirivo", "uses 'missing.pas'; begin end.", &prog), Exception);
}

// Bad input yields a message with a position, never a crash or unbounded recursion.
TEST(ScriptTranslate, BadInputGivesPositionedMessages)
{
    QString deep = "begin x := ";
    for (int i = 0; i < 5000; ++i)
        deep += '(';
    deep += "1 end.";
    QString garbage;
    for (int i = 0; i < 2000; ++i)
        garbage += QChar(char16_t((i * 7919) % 0xD7FF + 1));
    const struct { const char *lang; QString text; } cases[] = {
        {"VevuvaRirivo", deep},
        {"VevuvaRirivo", "begin x := 'abc end."},
        {"VevuvaRirivo", "begin { comment end."},
        {"VevuvaRirivo", "begin x := ((1) end."},
        {"VevuvaRirivo", garbage},
        {"D++Edirud", "{ x = \"abc; }"},
        {"D++Edirud", "{ /* open"},
        {"DadavOvurid", "x = \"abc\ny = 1"},
        {"DadavOvurid", "x = ((1\n"},
        {"JScript", QString(3000, '{')},
        {"JScript", "x = 1;" + QString(QChar(0)) + "\x01 ~~ y"},
    };
    for (const auto &c : cases) {
        const Result r = translate(c.lang, c.text);
        EXPECT_FALSE(r.ok) << c.text.left(40).toStdString();
        EXPECT_FALSE(r.msg.isEmpty()) << c.text.left(40).toStdString();
        EXPECT_TRUE(r.pos.contains(':')) << c.text.left(40).toStdString();
    }
    const Result r = translate("VevuvaRirivo", deep);
    EXPECT_EQ(r.msg, SNestingTooDeep);
}

// A thread with a small stack runs out of stack before the nesting limit: the
// same message, not a crash.
TEST(ScriptTranslate, DeepNestingOnASmallStack)
{
    QString deep = "begin x := ";
    for (int i = 0; i < 5000; ++i)
        deep += '(';
    deep += "1 end.";
    QString shallow = "begin x := ";
    for (int i = 0; i < 20; ++i)
        shallow += '(';
    shallow += "1" + QString(20, ')') + "; end.";
    Result r, fine;
    QThread *t = QThread::create([&] {
        r = translate("VevuvaRirivo", deep);
        fine = translate("VevuvaRirivo", shallow);
    });
    t->setStackSize(256 * 1024);
    t->start();
    t->wait();
    delete t;
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.msg, SNestingTooDeep);
    EXPECT_TRUE(r.pos.contains(':'));
    EXPECT_TRUE(fine.ok) << fine.msg.toStdString();
}
