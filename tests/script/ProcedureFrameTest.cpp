// Procedures called again and again: the first call runs the statement tree,
// later calls the translated body with its locals in a frame of each call.
// Every call must behave alike, also where tree code (host functions,
// Evaluate, var parameters, re-entrant calls) reaches the locals.
#include "script/ov_iclasses.h"
#include "script/ov_iinterpreter.h"

#include <gtest/gtest.h>

namespace {

const QString kPascal = QStringLiteral("VevuvaRirivo");
const QString kCpp = QStringLiteral("D++Edirud");
const QString kBasic = QStringLiteral("DadavOvurid");
const QString kJs = QStringLiteral("JScript");

bool same(const Variant &a, const Variant &b)
{
    try {
        return Variant::equals(a, b);
    } catch (const Exception &) {
        return false;
    }
}

std::unique_ptr<TovScript> makeScript(const QString &lang, const QString &source)
{
    auto s = std::make_unique<TovScript>();
    s->SetSyntaxType(lang);
    for (const auto &[name, typ] : {std::pair{"Integer", fvtInt}, {"Boolean", fvtBool}, {"Double", fvtFloat},
                                    {"String", fvtString}, {"Variant", fvtVariant}})
        s->AddType(QString::fromLatin1(name), typ);
    s->AddConst(QStringLiteral("True"), QStringLiteral("Boolean"), Variant(true));
    s->AddConst(QStringLiteral("False"), QStringLiteral("Boolean"), Variant(false));
    s->AddMethod(QStringLiteral("procedure RaiseException(Msg: String)"),
                 TovCallMethodEvent([](QObject *, const QMetaObject *, const QString &, Variant &params) -> Variant {
                     throw Exception(params.arrayGet(0).toString());
                 }));
    s->AddVariable(QStringLiteral("ExceptionMessage"), QStringLiteral("String"), Variant(QString()));
    s->AddVariable(QStringLiteral("ExceptionClassName"), QStringLiteral("String"), Variant(QString()));
    s->SetLines(source.split(QLatin1Char('\n')));
    return s;
}

void expectValues(TovScript &s, const QString &lang, std::initializer_list<std::pair<const char *, Variant>> values)
{
    for (const auto &[name, value] : values) {
        const Variant v = s.Variables(QString::fromLatin1(name));
        EXPECT_TRUE(same(v, value)) << lang.toStdString() << ": " << name << " = " << VarToStr(v).toStdString()
                                    << ", expected " << VarToStr(value).toStdString();
    }
}

struct Program {
    QString lang;
    const char *source;
};

// Loops, case labels, break, continue, exit, text locals and a character
// written in place, and a recursion whose locals must survive the inner calls.
const Program kWork[] = {
    {kPascal, R"(var r1, r2, r3, r4, s1, s2: Integer;
function Work(n: Integer): Integer;
var i, k: Integer; t: String;
begin
  Result := 0;
  for i := 1 to 10 do begin
    if i mod 2 = 0 then continue;
    if i > n then break;
    Result := Result * 10 + i;
  end;
  case n of
    1, 3..5: Result := Result + 1000;
    7: Result := Result + 2000;
  else
    Result := Result + 3000;
  end;
  k := 0;
  while k < 100 do begin k := k + 7; if k > 20 then break; end;
  repeat k := k - 1; until k < 20;
  t := 'ab';
  t := t + 'c';
  t[1] := 'x';
  if (t = 'xbc') and (k = 19) then Result := Result + 5;
  if n > 6 then exit;
  Result := Result + 10000;
end;
function Sum(n: Integer): Integer;
var here: Integer;
begin
  here := n * 2;
  if n > 0 then Result := Sum(n - 1) + here else Result := 0;
end;
begin
  r1 := Work(3); r2 := Work(7); r3 := Work(3); r4 := Work(9);
  s1 := Sum(4); s2 := Sum(4);
end.)"},
    {kCpp, R"(int r1, r2, r3, r4, s1, s2;
int Work(int n) {
  int i, k, res; string t;
  res = 0;
  for (i = 1; i <= 10; i++) { if (i % 2 == 0) continue; if (i > n) break; res = res * 10 + i; }
  switch (n) { case 1, 3..5: res = res + 1000; break; case 7: res = res + 2000; break; default: res = res + 3000; }
  k = 0;
  while (k < 100) { k = k + 7; if (k > 20) break; }
  do { k = k - 1; } while (k >= 20);
  t = "ab";
  t = t + "c";
  t[1] = "x";
  if ((t == "xbc") && (k == 19)) res = res + 5;
  if (n > 6) return res;
  return res + 10000;
}
int Sum(int n) { int here; here = n * 2; if (n > 0) return Sum(n - 1) + here; else return 0; }
{ r1 = Work(3); r2 = Work(7); r3 = Work(3); r4 = Work(9); s1 = Sum(4); s2 = Sum(4); })"},
    {kBasic, R"(Dim r1, r2, r3, r4, s1, s2
Function Work(n)
  Dim i, k, res, t
  res = 0
  For i = 1 To 10
    If i Mod 2 = 0 Then Continue
    If i > n Then Break
    res = res * 10 + i
  Next
  Select Case n
    Case 1, 3..5
      res = res + 1000
    Case 7
      res = res + 2000
    Case Else
      res = res + 3000
  End Select
  k = 0
  While k < 100
    k = k + 7
    If k > 20 Then Break
  Wend
  Do
    k = k - 1
  Loop While k >= 20
  t = "ab"
  t = t + "c"
  If (t = "abc") And (k = 19) Then res = res + 5
  If n > 6 Then Return res
  Return res + 10000
End Function
Function Sum(n)
  Dim here
  here = n * 2
  If n > 0 Then
    Return Sum(n - 1) + here
  Else
    Return 0
  End If
End Function
r1 = Work(3)
r2 = Work(7)
r3 = Work(3)
r4 = Work(9)
s1 = Sum(4)
s2 = Sum(4))"},
    {kJs, R"(var r1, r2, r3, r4, s1, s2;
function Work(n) {
  var i, k, res, t;
  res = 0;
  for (i = 1; i <= 10; i++) { if (i % 2 == 0) continue; if (i > n) break; res = res * 10 + i; }
  switch (n) { case 1, 3..5: res = res + 1000; break; case 7: res = res + 2000; break; default: res = res + 3000; }
  k = 0;
  while (k < 100) { k = k + 7; if (k > 20) break; }
  do { k = k - 1; } while (k >= 20);
  t = "ab";
  t = t + "c";
  if ((t == "abc") && (k == 19)) res = res + 5;
  if (n > 6) return res;
  return res + 10000;
}
function Sum(n) { var here; here = n * 2; if (n > 0) return Sum(n - 1) + here; else return 0; }
r1 = Work(3); r2 = Work(7); r3 = Work(3); r4 = Work(9); s1 = Sum(4); s2 = Sum(4);)"},
};

TEST(ProcedureFrameTest, EveryCallRunsAlikeInEveryLanguage)
{
    for (const Program &p : kWork) {
        auto s = makeScript(p.lang, QString::fromUtf8(p.source));
        ASSERT_TRUE(s->Compile()) << p.lang.toStdString() << ": " << s->ErrorMsg.toStdString() << " at "
                                  << s->ErrorPos.toStdString();
        // Twice: the second run calls every procedure in its translated form only.
        for (int run = 0; run < 2; ++run) {
            ASSERT_NO_THROW(s->Execute()) << p.lang.toStdString();
            expectValues(*s, p.lang,
                         {{"r1", Variant(11018)},
                          {"r2", Variant(3362)},
                          {"r3", Variant(11018)},
                          {"r4", Variant(16584)},
                          {"s1", Variant(20)},
                          {"s2", Variant(20)}});
        }
    }
}

TEST(ProcedureFrameTest, LocalsKeepTheirValuesBetweenCallsUnlessCleared)
{
    const QString source = QStringLiteral("var a, b, c, d: Integer;\n"
                                          "function Keep: Integer;\n"
                                          "var k: Integer;\n"
                                          "begin\n"
                                          "  Result := k;\n"
                                          "  k := k + 5;\n"
                                          "end;\n"
                                          "begin\n"
                                          "  a := Keep; b := Keep; c := Keep; d := Keep;\n"
                                          "end.");
    for (bool clear : {false, true}) {
        auto s = makeScript(kPascal, source);
        s->ClearLocalVars = clear;
        ASSERT_TRUE(s->Compile()) << s->ErrorMsg.toStdString();
        s->Execute();
        const int step = clear ? 0 : 5;
        expectValues(*s, kPascal,
                     {{"a", Variant(0)}, {"b", Variant(step)}, {"c", Variant(2 * step)}, {"d", Variant(3 * step)}});
    }
}

// Host code called from a procedure sees and changes its locals.
TEST(ProcedureFrameTest, HostCodeReachesTheLocalsOfTheRunningCall)
{
    auto s = makeScript(kPascal, QStringLiteral("var a, b, c, d: Integer;\n"
                                                "function Look(n: Integer): Integer;\n"
                                                "var k: Integer;\n"
                                                "begin\n"
                                                "  k := n * 3;\n"
                                                "  Twice(k);\n"
                                                "  Result := Peek('k') + Peek('n');\n"
                                                "end;\n"
                                                "begin\n"
                                                "  a := Look(1); b := Look(2); c := Look(3); d := Look(4);\n"
                                                "end."));
    TovScript *prog = s.get();
    s->AddMethod(QStringLiteral("function Peek(Name: String): Variant"),
                 TovCallMethodEvent([prog](QObject *, const QMetaObject *, const QString &, Variant &params) {
                     return prog->Evaluate(params.arrayGet(0).toString());
                 }));
    s->AddMethod(QStringLiteral("procedure Twice(var X: Integer)"),
                 TovCallMethodNewEvent([](QObject *, const QMetaObject *, const QString &, TovMethodHelper *m) {
                     m->SetVParam(0, Variant(m->GetVParam(0).toInt() * 2));
                     return Variant(0);
                 }));
    ASSERT_TRUE(s->Compile()) << s->ErrorMsg.toStdString();
    ASSERT_NO_THROW(s->Execute());
    expectValues(*s, kPascal, {{"a", Variant(7)}, {"b", Variant(14)}, {"c", Variant(21)}, {"d", Variant(28)}});
}

// A host call into a procedure that is running leaves the interrupted
// call's locals as they were.
TEST(ProcedureFrameTest, ReentrantHostCallKeepsTheInterruptedLocals)
{
    auto s = makeScript(kPascal, QStringLiteral("var outv, inner: Integer;\n"
                                                "procedure Q(n: Integer);\n"
                                                "var k: Integer;\n"
                                                "begin\n"
                                                "  k := n;\n"
                                                "  if n = 1 then Reenter;\n"
                                                "  if n = 99 then inner := inner + k;\n"
                                                "  outv := k;\n"
                                                "end;\n"
                                                "begin\n"
                                                "  inner := 0; Q(1); Q(1); Q(1);\n"
                                                "end."));
    TovScript *prog = s.get();
    s->AddMethod(QStringLiteral("procedure Reenter"),
                 TovCallMethodEvent([prog](QObject *, const QMetaObject *, const QString &, Variant &) {
                     prog->CallFunction(QStringLiteral("Q"), VarArrayOf({Variant(99)}));
                     return Variant(0);
                 }));
    ASSERT_TRUE(s->Compile()) << s->ErrorMsg.toStdString();
    ASSERT_NO_THROW(s->Execute());
    expectValues(*s, kPascal, {{"outv", Variant(1)}, {"inner", Variant(297)}});
}

TEST(ProcedureFrameTest, ErrorsAndTerminationInLaterCalls)
{
    auto s = makeScript(kPascal, QStringLiteral("var i, r, after: Integer; msg: String;\n"
                                                "function Fail(n: Integer): Integer;\n"
                                                "begin\n"
                                                "  Result := n;\n"
                                                "  if n > 2 then RaiseException('boom' + 'ed');\n"
                                                "end;\n"
                                                "begin\n"
                                                "  msg := '';\n"
                                                "  for i := 1 to 4 do\n"
                                                "    try r := Fail(i); except msg := msg + ExceptionMessage; end;\n"
                                                "  r := Fail(5);\n"
                                                "  after := 1;\n"
                                                "end."));
    ASSERT_TRUE(s->Compile()) << s->ErrorMsg.toStdString();
    EXPECT_THROW(s->Execute(), Exception);
    expectValues(*s, kPascal, {{"r", Variant(2)}, {"msg", Variant("boomedboomed")}});
    EXPECT_TRUE(s->Variables(QStringLiteral("after")).isEmptyOrNull() || same(s->Variables(QStringLiteral("after")), Variant(0)));
    EXPECT_EQ(s->ErrorPos, QStringLiteral("11:3"));
    auto *fail = dynamic_cast<TovProcVariable *>(s->Find(QStringLiteral("Fail")));
    ASSERT_TRUE(fail);
    EXPECT_EQ(fail->Prog()->ErrorPos, QStringLiteral("5:17"));
    EXPECT_FALSE(fail->Executing());

    // Terminate from host code stops a loop of a later call.
    auto t = makeScript(kPascal, QStringLiteral("var n, after: Integer;\n"
                                                "procedure Spin(limit: Integer);\n"
                                                "begin\n"
                                                "  while limit > 0 do begin n := n + 1; if n = limit then Stop; end;\n"
                                                "end;\n"
                                                "begin\n"
                                                "  n := 0; after := 0; Spin(0); Spin(0); Spin(50); after := 1;\n"
                                                "end."));
    TovScript *prog = t.get();
    t->AddMethod(QStringLiteral("procedure Stop"),
                 TovCallMethodEvent([prog](QObject *, const QMetaObject *, const QString &, Variant &) {
                     prog->Terminate();
                     return Variant(0);
                 }));
    ASSERT_TRUE(t->Compile()) << t->ErrorMsg.toStdString();
    ASSERT_NO_THROW(t->Execute());
    expectValues(*t, kPascal, {{"n", Variant(50)}, {"after", Variant(0)}});
}

// A procedure calling itself: text arguments and locals of each level, and a
// failure while an argument is computed deep in the recursion.
TEST(ProcedureFrameTest, SelfCallsKeepEachLevelAndUnwind)
{
    auto s = makeScript(kPascal, QStringLiteral("var r: String; k, z: Integer;\n"
                                                "function Join(n: Integer; s: String): String;\n"
                                                "var mine: String;\n"
                                                "begin\n"
                                                "  mine := s + '.';\n"
                                                "  if n <= 0 then Result := mine\n"
                                                "  else Result := Join(n - 1, mine + 'a') + Join(n - 1, 'b') + mine;\n"
                                                "end;\n"
                                                "function Deep(n, q: Integer): Integer;\n"
                                                "var here: Integer;\n"
                                                "begin\n"
                                                "  here := n;\n"
                                                "  if n <= 0 then Result := q\n"
                                                "  else Result := Deep(n - 1, 10 div (n - z)) + here;\n"
                                                "end;\n"
                                                "begin\n"
                                                "  r := Join(2, 'x');\n"
                                                "  z := 0; k := Deep(3, 1);\n"
                                                "  z := 2; k := Deep(3, 1);\n"
                                                "end."));
    ASSERT_TRUE(s->Compile()) << s->ErrorMsg.toStdString();
    // Twice: the second run finds every body translated from its first call.
    for (int run = 0; run < 2; ++run) {
        try {
            s->Execute();
            ADD_FAILURE() << "no exception";
        } catch (const Exception &e) {
            EXPECT_EQ(e.message(), QStringLiteral("Division by zero"));
        }
        expectValues(*s, kPascal, {{"r", Variant("x.a.a.b.x.a.b.a.b.b.x.")}, {"k", Variant(16)}});
        EXPECT_TRUE(s->ErrorPos.startsWith(QLatin1String("19:"))) << s->ErrorPos.toStdString();
        auto *deep = dynamic_cast<TovProcVariable *>(s->Find(QStringLiteral("Deep")));
        ASSERT_TRUE(deep);
        EXPECT_TRUE(deep->Prog()->ErrorPos.startsWith(QLatin1String("14:"))) << deep->Prog()->ErrorPos.toStdString();
        EXPECT_FALSE(deep->Executing());
    }
    // The unwound calls left nothing behind: host calls run as before.
    s->SetVariables(QStringLiteral("z"), Variant(0));
    EXPECT_TRUE(same(s->CallFunction(QStringLiteral("Deep"), VarArrayOf({Variant(3), Variant(1)})), Variant(16)));
    EXPECT_TRUE(same(s->CallFunction(QStringLiteral("Join"), VarArrayOf({Variant(1), Variant("y")})),
                     Variant("y.a.b.y.")));
}

// A run-line hook sees every statement of every call.
TEST(ProcedureFrameTest, RunLineHookSeesEveryCall)
{
    auto s = makeScript(kPascal, QStringLiteral("var r: Integer;\n"
                                                "function F(n: Integer): Integer;\n"
                                                "begin\n"
                                                "  Result := n + 1;\n"
                                                "end;\n"
                                                "begin\n"
                                                "  r := F(1); r := F(r); r := F(r);\n"
                                                "end."));
    ASSERT_TRUE(s->Compile()) << s->ErrorMsg.toStdString();
    s->Execute();  // unwatched: the body gets translated
    int inF = 0;
    s->OnRunLine = [&](TovScript *, const QString &, const QString &pos) {
        if (pos.startsWith(QLatin1String("4:")))
            ++inF;
    };
    s->Execute();
    EXPECT_EQ(inF, 3);
    expectValues(*s, kPascal, {{"r", Variant(4)}});
}

} // namespace
