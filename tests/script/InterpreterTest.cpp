// Scripts compiled from source and run: the same programs in all four
// languages, run-time errors, termination, Evaluate and CallFunction.
#include "script/ov_iclasses.h"
#include "script/ov_iinterpreter.h"

#include <QThread>
#include <atomic>
#include <future>
#include <thread>
#include <gtest/gtest.h>

namespace {

const QString kPascal = QStringLiteral("VevuvaRirivo");
const QString kCpp = QStringLiteral("D++Edirud");
const QString kBasic = QStringLiteral("DadavOvurid");
const QString kJs = QStringLiteral("JScript");

// Value equality that answers false instead of raising for unlike kinds.
bool same(const Variant &a, const Variant &b)
{
    try {
        return Variant::equals(a, b);
    } catch (const Exception &) {
        return false;
    }
}

// The basic type names a host registers.
void addTypes(TovScript &s)
{
    const struct {
        const char *name;
        TovVarType typ;
    } types[] = {{"Integer", fvtInt},   {"Byte", fvtInt},      {"Word", fvtInt},       {"Cardinal", fvtInt},
                 {"Longint", fvtInt},   {"Int64", fvtInt64},   {"Boolean", fvtBool},   {"Real", fvtFloat},
                 {"Double", fvtFloat},  {"Extended", fvtFloat}, {"Currency", fvtFloat}, {"TDateTime", fvtFloat},
                 {"Char", fvtChar},     {"String", fvtString}, {"Variant", fvtVariant}, {"Pointer", fvtVariant}};
    for (const auto &t : types)
        s.AddType(QString::fromLatin1(t.name), t.typ);
    s.AddConst(QStringLiteral("True"), QStringLiteral("Boolean"), Variant(true));
    s.AddConst(QStringLiteral("False"), QStringLiteral("Boolean"), Variant(false));
}

// A program with the host pieces the tests need: a function that raises and
// the variables the except part fills.
std::unique_ptr<TovScript> makeScript(const QString &lang, const QString &source)
{
    auto s = std::make_unique<TovScript>();
    s->SetSyntaxType(lang);
    addTypes(*s);
    s->AddMethod(QStringLiteral("procedure RaiseException(Msg: String)"),
                 TovCallMethodEvent([](QObject *, const QMetaObject *, const QString &, Variant &params) -> Variant {
                     throw Exception(params.arrayGet(0).toString());
                 }));
    s->AddVariable(QStringLiteral("ExceptionMessage"), QStringLiteral("String"), Variant(QString()));
    s->AddVariable(QStringLiteral("ExceptionClassName"), QStringLiteral("String"), Variant(QString()));
    s->SetLines(source.split(QLatin1Char('\n')));
    return s;
}

struct Expect {
    const char *name;
    Variant value;
};

struct Program {
    QString lang;
    const char *source;
};

void runAndCheck(const Program &p, std::initializer_list<Expect> expects)
{
    auto s = makeScript(p.lang, QString::fromUtf8(p.source));
    ASSERT_TRUE(s->Compile()) << p.lang.toStdString() << ": " << s->ErrorMsg.toStdString() << " at "
                              << s->ErrorPos.toStdString();
    ASSERT_NO_THROW(s->Execute()) << p.lang.toStdString();
    for (const Expect &e : expects) {
        const Variant v = s->Variables(QString::fromLatin1(e.name));
        EXPECT_TRUE(same(v, e.value))
            << p.lang.toStdString() << ": " << e.name << " = " << VarToStr(v).toStdString() << ", expected "
            << VarToStr(e.value).toStdString();
    }
}

// ---------------------------------------------------------------------------
const Program kRecursion[] = {
    {kPascal, R"(var cnt, r, acc: Integer;
procedure Count(n: Integer; var c: Integer);
begin
  if n > 0 then begin c := c + 1; Count(n - 1, c); end;
end;
function Fact(n: Integer): Integer;
begin
  if n <= 1 then Result := 1 else Result := n * Fact(n - 1);
end;
procedure Deep(n: Integer; var a: Integer);
begin
  if n = 0 then a := 100 else Deep(n - 1, a);
end;
begin
  cnt := 0; Count(5, cnt); r := Fact(10); acc := 1; Deep(4, acc);
end.)"},
    {kCpp, R"(int cnt, r, acc;
void Count(int n, int &c) { if (n > 0) { c = c + 1; Count(n - 1, c); } }
int Fact(int n) { if (n <= 1) return 1; else return n * Fact(n - 1); }
void Deep(int n, int &a) { if (n == 0) a = 100; else Deep(n - 1, a); }
{ cnt = 0; Count(5, cnt); r = Fact(10); acc = 1; Deep(4, acc); })"},
    {kBasic, R"(Dim cnt, r, acc
Sub Count(n, ByRef c)
  If n > 0 Then
    c = c + 1
    Count(n - 1, c)
  End If
End Sub
Function Fact(n)
  If n <= 1 Then
    Return 1
  Else
    Return n * Fact(n - 1)
  End If
End Function
Sub Deep(n, ByRef a)
  If n = 0 Then
    a = 100
  Else
    Deep(n - 1, a)
  End If
End Sub
cnt = 0
Count(5, cnt)
r = Fact(10)
acc = 1
Deep(4, acc))"},
    {kJs, R"(var cnt, r, acc;
function Count(n, &c) { if (n > 0) { c = c + 1; Count(n - 1, c); } }
function Fact(n) { if (n <= 1) return 1; else return n * Fact(n - 1); }
function Deep(n, &a) { if (n == 0) a = 100; else Deep(n - 1, a); }
cnt = 0; Count(5, cnt); r = Fact(10); acc = 1; Deep(4, acc);)"},
};

TEST(InterpreterTest, RecursionWithVarParameters)
{
    for (const Program &p : kRecursion)
        runAndCheck(p, {{"cnt", Variant(5)}, {"r", Variant(3628800)}, {"acc", Variant(100)}});
}

// ---------------------------------------------------------------------------
const Program kLoops[] = {
    {kPascal, R"(var i, k, s, w, rp, d, e: Integer;
begin
  s := 0;
  for i := 1 to 10 do begin
    if i mod 2 = 0 then continue;
    if i > 7 then break;
    s := s * 10 + i;
  end;
  k := 0;
  for i := 0 to 7 do
    case i of
      1, 3..5: k := k * 10 + 1;
      6: k := k * 10 + 2;
    else
      k := k * 10 + 3;
    end;
  w := 0;
  while w < 100 do begin w := w + 7; if w > 50 then break; end;
  rp := 0;
  repeat rp := rp + 1; if rp < 5 then continue; until rp >= 5;
  d := 0;
  for i := 5 downto 3 do d := d * 10 + i;
  e := 42;
  for e := 5 to 1 do d := -1;
end.)"},
    {kCpp, R"(int i, k, s, w, rp, d, e;
{
  s = 0;
  for (i = 1; i <= 10; i++) { if (i % 2 == 0) continue; if (i > 7) break; s = s * 10 + i; }
  k = 0;
  for (i = 0; i <= 7; i++)
    switch (i) { case 1, 3..5: k = k * 10 + 1; break; case 6: k = k * 10 + 2; break; default: k = k * 10 + 3; }
  w = 0;
  while (w < 100) { w = w + 7; if (w > 50) break; }
  rp = 0;
  do { rp++; if (rp < 5) continue; } while (rp < 5);
  d = 0;
  for (i = 5; i >= 3; i--) d = d * 10 + i;
  for (e = 42; e < 0; e++) d = -1;
})"},
    {kBasic, R"(Dim i, k, s, w, rp, d, e
s = 0
For i = 1 To 10
  If i Mod 2 = 0 Then Continue
  If i > 7 Then Break
  s = s * 10 + i
Next
k = 0
For i = 0 To 7
  Select Case i
    Case 1, 3..5
      k = k * 10 + 1
    Case 6
      k = k * 10 + 2
    Case Else
      k = k * 10 + 3
  End Select
Next
w = 0
While w < 100
  w = w + 7
  If w > 50 Then Break
Wend
rp = 0
Do
  rp = rp + 1
  If rp < 5 Then Continue
Loop While rp < 5
d = 0
For i = 5 To 3 Step -1
  d = d * 10 + i
Next
e = 42
For e = 5 To 1
  d = -1
Next)"},
    {kJs, R"(var i, k, s, w, rp, d, e;
s = 0;
for (i = 1; i <= 10; i++) { if (i % 2 == 0) continue; if (i > 7) break; s = s * 10 + i; }
k = 0;
for (i = 0; i <= 7; i++) switch (i) { case 1, 3..5: k = k * 10 + 1; break; case 6: k = k * 10 + 2; break; default: k = k * 10 + 3; }
w = 0;
while (w < 100) { w = w + 7; if (w > 50) break; }
rp = 0;
do { rp++; if (rp < 5) continue; } while (rp < 5);
d = 0;
for (i = 5; i >= 3; i--) d = d * 10 + i;
for (e = 42; e < 0; e++) d = -1;)"},
};

TEST(InterpreterTest, LoopsCaseBreakContinue)
{
    for (const Program &p : kLoops)
        runAndCheck(p, {{"s", Variant(1357)},
                        {"k", Variant(31311123)},
                        {"w", Variant(56)},
                        {"rp", Variant(5)},
                        {"d", Variant(543)},
                        {"e", Variant(42)}});
}

// ---------------------------------------------------------------------------
// Procedures and functions declared and called with empty parentheses.
const Program kNoArgs[] = {
    {kPascal, R"(var n, r: Integer;
procedure Bump();
begin
  n := n + 1;
end;
function Ten( ): Integer;
begin
  Result := 10;
end;
begin
  n := 0; Bump(); Bump; r := Ten() * 2 + Ten;
end.)"},
    {kCpp, R"(int n, r;
void Bump() { n = n + 1; }
int Ten( ) { return 10; }
{ n = 0; Bump(); Bump(); r = Ten() * 2 + Ten(); })"},
    {kBasic, R"(Dim n, r
Sub Bump()
  n = n + 1
End Sub
Function Ten( )
  Return 10
End Function
n = 0
Bump()
Bump
r = Ten() * 2 + Ten())"},
    {kJs, R"(var n, r;
function Bump() { n = n + 1; }
function Ten( ) { return 10; }
n = 0; Bump(); Bump(); r = Ten() * 2 + Ten();)"},
};

TEST(InterpreterTest, EmptyParenthesesDeclareAndCall)
{
    for (const Program &p : kNoArgs)
        runAndCheck(p, {{"n", Variant(2)}, {"r", Variant(30)}});
}

// ---------------------------------------------------------------------------
// Break, continue and exit leave through try parts; the whole finally part
// runs whichever request is pending.
const Program kTry[] = {
    {kPascal, R"(var i, t, f, g, after, pe, pf, c2: Integer; msg, cls: String;
procedure P;
begin
  try
    pe := 1;
    exit;
    pe := 2;
  finally
    pf := pf + 1;
    pf := pf + 10;
  end;
  after := 1;
end;
begin
  t := 0; f := 0; g := 0; pf := 0; pe := 0; after := 0; c2 := 0;
  for i := 1 to 3 do
    try
      if i = 2 then continue;
      if i = 3 then break;
      t := t + 1;
    finally
      f := f + 1;
      g := g + 1;
    end;
  P;
  try
    RaiseException('boom');
    t := 100;
  except
    msg := ExceptionMessage;
    cls := ExceptionClassName;
  end;
  for i := 1 to 5 do
    try
      if i = 3 then break;
      c2 := c2 + 1;
    except
    end;
end.)"},
    {kCpp, R"(int i, t, f, g, after, pe, pf, c2; string msg, cls;
void P(int z) { try { pe = 1; exit; pe = 2; } finally { pf = pf + 1; pf = pf + 10; } after = 1; }
{
  t = 0; f = 0; g = 0; pf = 0; pe = 0; after = 0; c2 = 0;
  for (i = 1; i <= 3; i++) { try { if (i == 2) continue; if (i == 3) break; t = t + 1; } finally { f = f + 1; g = g + 1; } }
  P(0);
  try { RaiseException("boom"); t = 100; } except { msg = ExceptionMessage; cls = ExceptionClassName; }
  for (i = 1; i <= 5; i++) { try { if (i == 3) break; c2 = c2 + 1; } except { } }
})"},
    {kBasic, R"(Dim i, t, f, g, after, pe, pf, c2, msg, cls
Sub P(z)
  Try
    pe = 1
    Exit Sub
    pe = 2
  Finally
    pf = pf + 1
    pf = pf + 10
  End Try
  after = 1
End Sub
t = 0
f = 0
g = 0
pf = 0
pe = 0
after = 0
c2 = 0
For i = 1 To 3
  Try
    If i = 2 Then Continue
    If i = 3 Then Break
    t = t + 1
  Finally
    f = f + 1
    g = g + 1
  End Try
Next
P(0)
Try
  RaiseException("boom")
  t = 100
Catch
  msg = ExceptionMessage
  cls = ExceptionClassName
End Try
For i = 1 To 5
  Try
    If i = 3 Then Break
    c2 = c2 + 1
  Catch
  End Try
Next)"},
    {kJs, R"(var i, t, f, g, after, pe, pf, c2, msg, cls;
function P(z) { try { pe = 1; return; pe = 2; } finally { pf = pf + 1; pf = pf + 10; } after = 1; }
t = 0; f = 0; g = 0; pf = 0; pe = 0; after = 0; c2 = 0;
for (i = 1; i <= 3; i++) { try { if (i == 2) continue; if (i == 3) break; t = t + 1; } finally { f = f + 1; g = g + 1; } }
P(0);
try { RaiseException("boom"); t = 100; } except { msg = ExceptionMessage; cls = ExceptionClassName; }
for (i = 1; i <= 5; i++) { try { if (i == 3) break; c2 = c2 + 1; } except { } })"},
};

TEST(InterpreterTest, BreakContinueExitThroughTryParts)
{
    for (const Program &p : kTry)
        runAndCheck(p, {{"t", Variant(1)},
                        {"f", Variant(3)},
                        {"g", Variant(3)},
                        {"pe", Variant(1)},
                        {"pf", Variant(11)},
                        {"after", Variant(0)},
                        {"msg", Variant("boom")},
                        {"cls", Variant("Exception")},
                        {"c2", Variant(2)},
                        {"i", Variant(3)}});
}

// ---------------------------------------------------------------------------
TEST(InterpreterTest, ForLoopBoundsAndSteps)
{
    // The counter never overflows: a loop up to the largest Integer ends.
    runAndCheck({kPascal, R"(var i, n: Integer;
begin
  n := 0;
  for i := 2147483640 to 2147483647 do n := n + 1;
end.)"},
                {{"n", Variant(8)}, {"i", Variant(2147483647)}});
    runAndCheck({kPascal, R"(var i, n: Integer;
begin
  n := 0;
  for i := -2147483647 - 1 + 3 downto -2147483647 - 1 do n := n + 1;
end.)"},
                {{"n", Variant(4)}});
    runAndCheck({kBasic, R"(Dim i, n, x, sum
n = 0
For i = 3 To 1 Step -1
  n = n + 1
Next
sum = 0
For x = 1 To 2 Step 0.5
  sum = sum + x
Next)"},
                {{"n", Variant(3)}, {"sum", Variant(4.5)}});
}

// ---------------------------------------------------------------------------
TEST(InterpreterTest, RunTimeErrorsCarryErrorPos)
{
    auto s = makeScript(kPascal, QStringLiteral("var a, b: Integer;\n"
                                                "procedure Bad;\n"
                                                "begin\n"
                                                "  a := 1;\n"
                                                "  b := a div 0;\n"
                                                "end;\n"
                                                "begin\n"
                                                "  a := 0;\n"
                                                "  Bad;\n"
                                                "  a := 2;\n"
                                                "end."));
    ASSERT_TRUE(s->Compile()) << s->ErrorMsg.toStdString();
    EXPECT_THROW(s->Execute(), Exception);
    EXPECT_EQ(s->ErrorPos, QStringLiteral("9:3"));
    auto *bad = dynamic_cast<TovProcVariable *>(s->Find(QStringLiteral("Bad")));
    ASSERT_TRUE(bad);
    EXPECT_EQ(bad->Prog()->ErrorPos, QStringLiteral("5:3"));
    EXPECT_TRUE(same(s->Variables(QStringLiteral("a")), Variant(1)));
    EXPECT_FALSE(s->IsRunning());

    // String indexing is range-checked.
    auto t = makeScript(kPascal, QStringLiteral("var s: String; c: String;\n"
                                                "begin\n"
                                                "  s := 'abc';\n"
                                                "  c := s[2];\n"
                                                "  s[1] := 'X';\n"
                                                "  c := c + s[4];\n"
                                                "end."));
    ASSERT_TRUE(t->Compile()) << t->ErrorMsg.toStdString();
    EXPECT_THROW(t->Execute(), Exception);
    EXPECT_EQ(t->ErrorPos, QStringLiteral("6:3"));
    EXPECT_TRUE(same(t->Variables(QStringLiteral("c")), Variant("b")));
    EXPECT_TRUE(same(t->Variables(QStringLiteral("s")), Variant("Xbc")));
}

TEST(InterpreterTest, ArraysAndCharacters)
{
    runAndCheck({kPascal, R"(var a: array[1..3] of Integer; m: array[0..2, 0..2] of Integer;
  i, j, sum: Integer; s, t: String;
begin
  for i := 1 to 3 do a[i] := i * i;
  for i := 0 to 2 do
    for j := 0 to 2 do m[i, j] := i * 3 + j;
  sum := a[1] + a[2] + a[3] + m[2, 1];
  s := 'hello';
  t := s[5] + s[1];
  s[1] := 'J';
end.)"},
                {{"sum", Variant(21)}, {"t", Variant("oh")}, {"s", Variant("Jello")}});

    // Indexes outside the bounds raise instead of reaching other memory.
    for (const char *stmt : {"a[4] := 1;", "i := a[0];", "s[6] := 'x';", "s := s[0];", "s := s[-1];"}) {
        auto s = makeScript(kPascal, QStringLiteral("var a: array[1..3] of Integer; i: Integer; s: String;\n"
                                                    "begin\n  s := 'hello';\n  %1\nend.")
                                         .arg(QString::fromLatin1(stmt)));
        ASSERT_TRUE(s->Compile()) << stmt << ": " << s->ErrorMsg.toStdString();
        EXPECT_THROW(s->Execute(), Exception) << stmt;
        EXPECT_EQ(s->ErrorPos, QStringLiteral("4:3")) << stmt;
        EXPECT_TRUE(same(s->Variables(QStringLiteral("s")), Variant("hello"))) << stmt;
    }
}

TEST(InterpreterTest, DeepRecursionIsAScriptError)
{
    auto s = makeScript(kPascal, QStringLiteral("var x, y: Integer;\n"
                                                "function R(n: Integer): Integer;\n"
                                                "begin\n"
                                                "  Result := R(n + 1);\n"
                                                "end;\n"
                                                "begin\n"
                                                "  x := R(0);\n"
                                                "end."));
    ASSERT_TRUE(s->Compile()) << s->ErrorMsg.toStdString();
    EXPECT_THROW(s->Execute(), EovStackOverflow);
    EXPECT_EQ(s->ErrorPos, QStringLiteral("7:3"));
    // The program is usable afterwards.
    EXPECT_TRUE(same(s->Evaluate(QStringLiteral("2 + 3")), Variant(5)));

    // A thread with a small stack gets the same error, not a crash.
    QString message;
    QThread *t = QThread::create([&] {
        try {
            s->Execute();
        } catch (const EovStackOverflow &e) {
            message = e.message();
        }
    });
    t->setStackSize(512 * 1024);
    t->start();
    t->wait();
    delete t;
    EXPECT_FALSE(message.isEmpty());
}

// A long operator chain builds a tree as deep as the chain. Typing, running
// and freeing it stop with an error when the stack runs low, never crash.
TEST(InterpreterTest, LongOperatorChains)
{
    auto chain = [](int terms) {
        QString src = QStringLiteral("var x: Variant;\nbegin\n  x := 1");
        for (int i = 1; i < terms; ++i)
            src += QStringLiteral(" + 1");
        return src + QStringLiteral(";\nend.");
    };
    runAndCheck({kPascal, qPrintable(chain(2000))}, {{"x", Variant(2000)}});

    QString outcome;
    QThread *t = QThread::create([&] {
        auto s = makeScript(kPascal, chain(20000));
        try {
            if (!s->Compile())
                outcome = s->ErrorMsg;
            else
                s->Execute();
        } catch (const EovStackOverflow &e) {
            outcome = e.message();
        }
        s.reset();
    });
    t->setStackSize(256 * 1024);
    t->start();
    t->wait();
    delete t;
    EXPECT_FALSE(outcome.isEmpty());
}

// ---------------------------------------------------------------------------
TEST(InterpreterTest, TerminateFromAnotherThread)
{
    for (const char *src : {"var x: Integer;\nbegin\n  x := 0;\n  while true do x := x + 1;\nend.",
                            "var x, y: Integer;\nprocedure Spin;\nbegin\n  while true do x := x + 1;\nend;\n"
                            "begin\n  y := 0;\n  Spin;\n  y := 1;\nend."}) {
        auto s = makeScript(kPascal, QString::fromLatin1(src));
        ASSERT_TRUE(s->Compile()) << s->ErrorMsg.toStdString();
        TovScript *p = s.get();
        auto done = std::async(std::launch::async, [p] { p->Execute(); });
        QThread::msleep(30);
        // Execute clears the flag when it starts, so on a loaded machine a
        // single early request could be lost: keep asking until the run ends.
        bool ended = false;
        for (int i = 0; i < 1000 && !ended; ++i) {
            p->Terminate();
            ended = done.wait_for(std::chrono::milliseconds(10)) == std::future_status::ready;
        }
        if (!ended) {
            p->Terminate();
            done.wait();
        }
        ASSERT_TRUE(ended) << src;
        EXPECT_GT(p->Variables(QStringLiteral("x")).toInt(), 0);
        EXPECT_FALSE(same(p->Variables(QStringLiteral("y")), Variant(1)));
    }
}

TEST(InterpreterTest, TerminateFromTheRunLineHook)
{
    auto s = makeScript(kJs, QStringLiteral("var x = 0;\nfunction Spin(n) { while (true) x++; }\nSpin(0);\nx = -1;"));
    ASSERT_TRUE(s->Compile()) << s->ErrorMsg.toStdString();
    int lines = 0;
    TovScript *p = s.get();
    s->OnRunLine = [&](TovScript *, const QString &, const QString &) {
        if (++lines == 1000)
            p->Terminate();
    };
    s->Execute();
    EXPECT_GE(lines, 1000);
    EXPECT_LT(lines, 1010);
    EXPECT_GT(s->Variables(QStringLiteral("x")).toInt(), 0);
}

// A language directive keeps the host language's rule on undeclared names.
TEST(InterpreterTest, LanguageDirectiveKeepsUndeclaredNamesAsVariants)
{
    auto s = makeScript(kJs, QStringLiteral("#language VevuvaRirivo\nbegin u := 6 * 7 end."));
    ASSERT_TRUE(s->Compile()) << s->ErrorMsg.toStdString() << " at " << s->ErrorPos.toStdString();
    ASSERT_NO_THROW(s->Execute());
    const auto *u = s->FindLocal(QStringLiteral("u"));
    ASSERT_NE(u, nullptr);
    EXPECT_EQ(u->Typ, fvtVariant);
    EXPECT_TRUE(same(s->Variables(QStringLiteral("u")), Variant(42)));

    // A host language that wants declarations still wants them after the switch.
    auto strict = makeScript(kPascal, QStringLiteral("#language D++Edirud\n{ u = 1; }"));
    EXPECT_FALSE(strict->Compile());
    EXPECT_EQ(strict->ErrorMsg, "Undeclared identifier: 'u'");
}

// ---------------------------------------------------------------------------
TEST(InterpreterTest, EvaluateInEveryLanguage)
{
    const struct {
        QString lang;
        const char *expr;
        Variant value;
    } cases[] = {
        {kPascal, "1 + 2 * 3", Variant(7)},     {kPascal, "v * 2", Variant(42)},
        {kCpp, "v % 4 == 1", Variant(true)},    {kBasic, "v \\ 2 + 1", Variant(11)},
        {kJs, "(v + 1) / 2", Variant(11.0)},
    };
    for (const auto &c : cases) {
        TovScript s;
        s.SetSyntaxType(c.lang);
        addTypes(s);
        s.AddVariable(QStringLiteral("v"), QStringLiteral("Integer"), Variant(21));
        bool ok = false;
        const Variant v = s.Evaluate(QString::fromLatin1(c.expr), &ok);
        EXPECT_TRUE(ok) << c.expr << ": " << VarToStr(v).toStdString();
        EXPECT_FALSE(s.EvaluteRiseError());
        EXPECT_TRUE(same(v, c.value)) << c.expr << " gave " << VarToStr(v).toStdString();
    }
}

// A program without binding modules still reaches the system functions in
// its expressions, without gaining any items; so does one on another thread.
TEST(InterpreterTest, EvaluateWithoutModulesSeesTheSystemFunctions)
{
    auto evaluate = [](const char *expr) {
        TovScript s;
        addTypes(s);
        s.AddVariable(QStringLiteral("v"), QStringLiteral("Integer"), Variant(21));
        const int items = s.Count();
        Variant out[2];
        for (Variant &v : out)
            v = s.Evaluate(QString::fromLatin1(expr));
        EXPECT_EQ(s.Count(), items);
        EXPECT_FALSE(s.RTTIAdded());
        EXPECT_TRUE(same(out[0], out[1])) << expr;
        return out[0];
    };
    EXPECT_TRUE(same(evaluate("IntToStr(v) + 'x'"), Variant(QStringLiteral("21x"))));
    EXPECT_TRUE(same(evaluate("Length('abc') + v"), Variant(24)));
    Variant fromThread;
    std::thread t([&] { fromThread = evaluate("UpperCase('ab') + IntToStr(v)"); });
    t.join();
    EXPECT_TRUE(same(fromThread, Variant(QStringLiteral("AB21"))));
}

TEST(InterpreterTest, EvaluateRefusesAnythingButOneExpression)
{
    const struct {
        QString lang;
        const char *expr;
    } cases[] = {
        {kPascal, "1 +"},
        {kPascal, "1; v := 5"},
        {kPascal, "1 end; begin v := 5"},
        {kPascal, "1 { comment"},
        {kCpp, "1; v = 5"},
        {kCpp, "1; } { v = 5"},
        {kCpp, "1 // comment"},
        {kBasic, "1\r\nv = 5"},
        {kBasic, "1\nv = 5"},
        {kJs, "1); v = (5"},
        {kJs, "1); } function g() { return (5"},
        {kPascal, ""},
    };
    for (const auto &c : cases) {
        TovScript s;
        s.SetSyntaxType(c.lang);
        addTypes(s);
        s.AddVariable(QStringLiteral("v"), QStringLiteral("Integer"), Variant(21));
        bool ok = true;
        const Variant v = s.Evaluate(QString::fromLatin1(c.expr), &ok);
        EXPECT_FALSE(ok) << c.lang.toStdString() << ": " << c.expr << " gave " << VarToStr(v).toStdString();
        EXPECT_TRUE(s.EvaluteRiseError()) << c.expr;
        EXPECT_TRUE(v.isString()) << c.expr;
        EXPECT_TRUE(same(s.Variables(QStringLiteral("v")), Variant(21))) << c.expr;
        // A following good evaluation clears the status.
        EXPECT_TRUE(same(s.Evaluate(QStringLiteral("v")), Variant(21)));
        EXPECT_FALSE(s.EvaluteRiseError());
    }
    TovScript s;
    s.SetSyntaxType(QStringLiteral("NoSuchLanguage"));
    EXPECT_THROW(s.Evaluate(QStringLiteral("1")), Exception);
}

TEST(InterpreterTest, EvaluateSeesTheRunningProcedure)
{
    auto s = makeScript(kPascal, QStringLiteral("var seen: Variant;\n"
                                                "procedure P(n: Integer);\n"
                                                "var local: Integer;\n"
                                                "begin\n"
                                                "  local := n * 3;\n"
                                                "  seen := 0;\n"
                                                "end;\n"
                                                "begin\n"
                                                "  P(4);\n"
                                                "end."));
    ASSERT_TRUE(s->Compile()) << s->ErrorMsg.toStdString();
    Variant seen;
    TovScript *p = s.get();
    s->OnRunLine = [&](TovScript *, const QString &, const QString &pos) {
        if (pos.startsWith(QLatin1String("6:")))
            seen = p->Evaluate(QStringLiteral("local + n"));
    };
    s->Execute();
    EXPECT_TRUE(same(seen, Variant(16))) << VarToStr(seen).toStdString();
}

TEST(InterpreterTest, CallFunctionPassesArgumentsAndVarResults)
{
    auto s = makeScript(kPascal, QStringLiteral("function Add(a, b: Integer): Integer;\n"
                                                "begin\n"
                                                "  Result := a + b;\n"
                                                "end;\n"
                                                "procedure Twice(var x: Integer);\n"
                                                "begin\n"
                                                "  x := x * 2;\n"
                                                "end;\n"
                                                "begin\n"
                                                "end."));
    ASSERT_TRUE(s->Compile()) << s->ErrorMsg.toStdString();
    EXPECT_TRUE(same(s->CallFunction(QStringLiteral("Add"), VarArrayOf({Variant(2), Variant(40)})),
                                Variant(42)));
    Variant args = VarArrayOf({Variant(21)});
    s->CallFunction1(QStringLiteral("Twice"), args);
    EXPECT_TRUE(same(args.arrayGet(0), Variant(42)));
    EXPECT_TRUE(s->CallFunction(QStringLiteral("Nothing"), Variant()).isNull());
    EXPECT_THROW(s->CallFunction(QStringLiteral("Add"), VarArrayOf({Variant(1), Variant(2), Variant(3)})), Exception);
}

} // namespace
