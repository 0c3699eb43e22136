// The system functions module: registration, one table per function group
// (run under two process locales with the same results) and scripts that
// call the functions end to end.
#include "core/vdFormat.h"
#include "platform/UiProvider.h"
#include "script/ov_iclasses.h"
#include "script/ov_idisp.h"
#include "script/ov_isysrtti.h"
#include "tests/core/ProcessLocale.h"

#include <gtest/gtest.h>

namespace {

// Same kind and same value.
bool same(const Variant &a, const Variant &b)
{
    if (a.varType() != b.varType())
        return false;
    try {
        return Variant::equals(a, b);
    } catch (const Exception &) {
        return false;
    }
}

std::string show(const Variant &v)
{
    return (VarToStr(v) + QStringLiteral(" (type %1)").arg(v.varType())).toStdString();
}

struct Row {
    const char *fn;
    QList<Variant> args;
    Variant expected;
    // Var parameter written back: index and expected value (-1 for none).
    int outIndex = -1;
    Variant outValue = Variant();
};

class SysFunctionsTest : public ::testing::TestWithParam<const char *> {
protected:
    void SetUp() override
    {
        m_locale = std::make_unique<vdtest::ProcessLocale>(QString::fromLatin1(GetParam()));
        EXPECT_TRUE(m_locale->cLocaleActive()) << "C locale " << GetParam() << " not available";
        m_settings = std::make_unique<ScopedFormatSettings>(FormatSettings());
        s = std::make_unique<TovScript>();
        s->AddRTTI();
    }
    void TearDown() override
    {
        s.reset();
        m_settings.reset();
        m_locale.reset();
    }

    TovMethodHelper *fn(const char *name)
    {
        return dynamic_cast<TovMethodHelper *>(s->Find(QString::fromLatin1(name)));
    }

    // Calls a registered function as a script call would: arguments into the
    // parameters (defaults for missing optional ones), then the value.
    Variant call(const char *name, const QList<Variant> &args, QList<Variant> *out = nullptr)
    {
        TovMethodHelper *m = fn(name);
        if (!m)
            throw Exception(QStringLiteral("no function ") + QLatin1String(name));
        for (int i = 0; i < m->ParamCount(); ++i)
            m->GetParam(i)->SetValue(i < args.size() ? args[i] : m->GetParam(i)->DefValue);
        const Variant r = m->GetValue();
        if (out) {
            out->clear();
            for (int i = 0; i < m->ParamCount(); ++i)
                *out << m->GetParam(i)->Value();
        }
        return r;
    }

    void check(const Row *rows, size_t count)
    {
        for (size_t k = 0; k < count; ++k) {
            const Row &r = rows[k];
            QList<Variant> out;
            Variant v;
            try {
                v = call(r.fn, r.args, &out);
            } catch (const Exception &e) {
                ADD_FAILURE() << r.fn << " row " << k << " raised " << e.what();
                continue;
            }
            const Variant got = r.outIndex < 0 ? v : out.value(r.outIndex);
            const Variant &want = r.outIndex < 0 ? r.expected : r.outValue;
            EXPECT_TRUE(same(got, want)) << r.fn << " row " << k << ": " << show(got) << ", expected " << show(want);
        }
    }

    template <class E>
    void expectRaise(const char *name, const QList<Variant> &args, const char *message = nullptr)
    {
        try {
            const Variant v = call(name, args);
            ADD_FAILURE() << name << " gave " << show(v);
        } catch (const E &e) {
            if (message) {
                EXPECT_EQ(e.message().toStdString(), message);
            }
        }
    }

    std::unique_ptr<TovScript> s;

private:
    std::unique_ptr<vdtest::ProcessLocale> m_locale;
    std::unique_ptr<ScopedFormatSettings> m_settings;
};

const double kDay = 45356;  // 2024-03-05, a Tuesday
const double kStamp = kDay + (14 * 3600 + 7 * 60 + 9 + 0.045) / 86400.0;

Variant date(double d) { return Variant::fromDate(d); }
Variant str(const char *s) { return Variant(QString::fromUtf8(s)); }

TEST_P(SysFunctionsTest, Registration)
{
    const struct {
        const char *name;
        TovVarType typ;
    } types[] = {{"TColor", fvtInt},       {"TAlphaColor", fvtInt}, {"Cardinal", fvtInt}, {"Int64", fvtInt64},
                 {"Boolean", fvtBool},     {"TDateTime", fvtFloat}, {"Real", fvtFloat},  {"Char", fvtChar},
                 {"String", fvtString},    {"Pointer", fvtVariant}, {"Array", fvtArray}, {"Constructor", fvtConstructor}};
    for (const auto &t : types) {
        TovCustomVariable *v = s->Find(QString::fromLatin1(t.name));
        ASSERT_TRUE(dynamic_cast<TovTypeVariable *>(v)) << t.name;
        EXPECT_EQ(v->Typ, t.typ) << t.name;
    }
    EXPECT_TRUE(same(s->Find(QStringLiteral("True"))->Value(), Variant(true)));
    EXPECT_TRUE(same(s->Find(QStringLiteral("nil"))->Value(), Variant(0)));
    EXPECT_TRUE(s->Find(QStringLiteral("Null"))->Value().isNull());
    EXPECT_TRUE(dynamic_cast<TovStringHelper *>(s->Find(QStringLiteral("__StringHelper"))));
    EXPECT_TRUE(dynamic_cast<TovArrayHelper *>(s->Find(QStringLiteral("__ArrayHelper"))));
    EXPECT_TRUE(same(s->Find(QStringLiteral("ExceptionMessage"))->Value(), str("")));

    const struct {
        const char *name;
        int value;
    } codes[] = {{"varEmpty", 0},    {"varCurrency", 6}, {"varBoolean", 11}, {"varInt64", 20}, {"varStrArg", 72},
                 {"varString", 256}, {"varAny", 257},    {"varTypeMask", 4095}, {"varArray", 8192}, {"varByRef", 16384}};
    for (const auto &c : codes)
        EXPECT_TRUE(same(s->Find(QString::fromLatin1(c.name))->Value(), Variant(c.value))) << c.name;

    const struct {
        const char *name;
        const char *category;
    } cats[] = {{"IntToStr", "ctConv"}, {"VarToStr", "ctConv"},  {"StrToBool", "ctConv"}, {"Format", "ctFormat"},
                {"FormatMaskText", "ctFormat"}, {"Now", "ctDate"}, {"SetLength", "ctString"}, {"Pi", "ctMath"},
                {"Inc", "ctOther"},     {"VarType", "ctOther"}};
    for (const auto &c : cats) {
        TovMethodHelper *m = fn(c.name);
        ASSERT_TRUE(m) << c.name;
        EXPECT_EQ(m->Category, QLatin1String(c.category)) << c.name;
        EXPECT_EQ(m->Description, QLatin1String(c.name));
        EXPECT_EQ(m->AddedBy, ovAddedByModules);
    }
    EXPECT_EQ(fn("Copy")->Syntax, QStringLiteral("function Copy(s: String; from, count: Integer): String"));

    // Everything the module registered survives Clear.
    s->Clear();
    EXPECT_TRUE(fn("Format"));
    EXPECT_TRUE(s->Find(QStringLiteral("varArray")));
}

TEST_P(SysFunctionsTest, SystemModuleComesFirst)
{
    ASSERT_FALSE(ovRTTIModuleClasses().isEmpty());
    TovScript t;
    std::unique_ptr<TovObject> first(ovRTTIModuleClasses().first()(&t));
    EXPECT_TRUE(dynamic_cast<TovSysFunctions *>(first.get()));
}

TEST_P(SysFunctionsTest, Conversions)
{
    const Row rows[] = {
        {"IntToStr", {-42}, str("-42")},
        {"IntToStr", {Variant::fromInt64(9000000000LL)}, str("9000000000")},
        {"DateToStr", {date(kDay)}, str("05/03/2024")},
        {"TimeToStr", {0.5}, str("12:00:00")},
        {"DateTimeToStr", {date(kStamp)}, str("05/03/2024 14:07:09")},
        {"DateTimeToStr", {date(kDay)}, str("05/03/2024")},
        {"BoolToStr", {true}, str("-1")},
        {"BoolToStr", {false}, str("0")},
        {"VarToStr", {Variant::null()}, str("")},
        {"VarToStr", {12}, str("12")},
        {"StrToInt", {str(" $FF ")}, Variant(255)},
        {"StrToInt", {str("-17")}, Variant(-17)},
        {"StrToInt64", {str("9000000000")}, Variant::fromInt64(9000000000LL)},
        {"StrToFloat", {str("12")}, Variant(12.0)},
        {"StrToDate", {str("05/03/2024")}, date(kDay)},
        {"StrToTime", {str("12:00")}, date(0.5)},
        {"StrToDateTime", {str("05/03/2024 12:00")}, date(kDay + 0.5)},
        {"StrToBool", {str("true")}, Variant(true)},
        {"StrToBool", {str("0")}, Variant(false)},
    };
    check(rows, std::size(rows));
    expectRaise<EConvertError>("StrToInt", {str("12a")}, "'12a' is not a valid integer value");
    expectRaise<EConvertError>("StrToDate", {str("31/02/2024")});
}

TEST_P(SysFunctionsTest, Formatting)
{
    const Row rows[] = {
        {"Format", {str("%d-%s"), VarArrayOf({1, str("a")})}, str("1-a")},
        {"Format", {str("%5.1f|%x"), VarArrayOf({2.25, 255})}, str("  2.3|FF")},
        {"Format", {str("%s"), VarArrayOf({Variant::fromString(QStringLiteral("w"), varOleStr)})}, str("w")},
        {"FormatFloat", {str("#,##0.00"), 1234.5}, str("1,234.50")},
        {"FormatFloat", {str("000"), str("7")}, str("007")},
        {"FormatFloat", {str("0.0"), 3}, str("3.0")},
        {"FormatDateTime", {str("yyyy-mm-dd hh:nn"), date(kStamp)}, str("2024-03-05 14:07")},
        {"FormatMaskText", {str("(000) 000;0;_"), str("123456")}, str("(123) 456")},
    };
    check(rows, std::size(rows));
    expectRaise<EConvertError>("Format", {str("%n"), VarArrayOf({})}, "No argument for format '%n'");
    expectRaise<EConvertError>("Format", {str("%d"), VarArrayOf({str("x")})},
                               "Format '%d' invalid or incompatible with argument");
    expectRaise<EConvertError>("Format", {str("%d"), Variant(1)});
}

TEST_P(SysFunctionsTest, Dates)
{
    const Row rows[] = {
        {"EncodeDate", {2024, 3, 5}, date(kDay)},
        {"EncodeDate", {2024, 2, 29}, date(kDay - 5)},
        {"DecodeDate", {date(kStamp), 0, 0, 0}, Variant(), 1, Variant(2024)},
        {"DecodeDate", {date(kStamp), 0, 0, 0}, Variant(), 2, Variant(3)},
        {"DecodeDate", {date(kStamp), 0, 0, 0}, Variant(), 3, Variant(5)},
        {"EncodeTime", {12, 0, 0, 0}, date(0.5)},
        {"DecodeTime", {date(kStamp), 0, 0, 0, 0}, Variant(), 1, Variant(14)},
        {"DecodeTime", {date(kStamp), 0, 0, 0, 0}, Variant(), 2, Variant(7)},
        {"DecodeTime", {date(kStamp), 0, 0, 0, 0}, Variant(), 3, Variant(9)},
        {"DecodeTime", {date(kStamp), 0, 0, 0, 0}, Variant(), 4, Variant(45)},
        {"DayOfWeek", {date(kDay)}, Variant(3)},
        {"DayOfWeek", {date(kDay - 2)}, Variant(1)},
        {"DayOfWeek", {date(kDay + 4)}, Variant(7)},
        {"IsLeapYear", {2000}, Variant(true)},
        {"IsLeapYear", {1900}, Variant(false)},
        {"IsLeapYear", {2024}, Variant(true)},
        {"DaysInMonth", {2024, 2}, Variant(29)},
        {"DaysInMonth", {2023, 2}, Variant(28)},
        {"DaysInMonth", {2023, 12}, Variant(31)},
    };
    check(rows, std::size(rows));
    expectRaise<EConvertError>("DaysInMonth", {2023, 13}, "Month 13 is out of range (1 to 12)");
    expectRaise<EConvertError>("DaysInMonth", {2023, 0});
    expectRaise<EConvertError>("EncodeDate", {2023, 2, 29});
    expectRaise<EConvertError>("EncodeTime", {24, 0, 0, 0});

    // The clock: Date is Now without its time, Time is Now's fraction.
    const double before = ovNow();
    const Variant now = call("Now", {});
    const Variant today = call("Date", {});
    const Variant time = call("Time", {});
    EXPECT_EQ(now.varType(), varDate);
    EXPECT_GE(now.toDouble(), before);
    EXPECT_LT(now.toDouble() - before, 1.0 / 24);
    EXPECT_EQ(today.toDouble(), std::floor(today.toDouble()));
    EXPECT_LE(today.toDouble(), now.toDouble() + 1);
    EXPECT_GE(time.toDouble(), 0.0);
    EXPECT_LT(time.toDouble(), 1.0);
}

TEST_P(SysFunctionsTest, Strings)
{
    const Row rows[] = {
        {"Length", {str("abc")}, Variant(3)},
        {"Length", {VarArrayCreate({0, 4}, varVariant)}, Variant(5)},
        {"Length", {VarArrayCreate({2, 4}, varVariant)}, Variant(3)},
        {"Length", {1234}, Variant(4)},
        {"Copy", {str("abcdef"), 2, 3}, str("bcd")},
        {"Copy", {str("abc"), 5, 1}, str("")},
        {"Copy", {str("abc"), 0, 2}, str("ab")},
        {"Copy", {str("abc"), 2, -1}, str("")},
        {"Pos", {str("cd"), str("abcdef")}, Variant(3)},
        {"Pos", {str("x"), str("abc")}, Variant(0)},
        {"Delete", {str("abcdef"), 2, 3}, Variant(), 0, str("aef")},
        {"Delete", {str("abc"), 9, 1}, Variant(), 0, str("abc")},
        {"DeleteStr", {str("abcdef"), 5, 10}, Variant(), 0, str("abcd")},
        {"Insert", {str("XY"), str("abc"), 2}, Variant(), 1, str("aXYbc")},
        {"Insert", {str("XY"), str("abc"), 99}, Variant(), 1, str("abcXY")},
        {"Uppercase", {str("straße äb")}, str("STRASSE ÄB")},
        {"Lowercase", {str("ÄBC")}, str("äbc")},
        {"Trim", {str(" \t x y \r\n")}, str("x y")},
        {"NameCase", {str("JOHN smith")}, str("John Smith")},
        {"NameCase", {str("o'neil  mc")}, str("O'neil  Mc")},
        {"CompareText", {str("abc"), str("ABC")}, Variant(0)},
        {"CompareText", {str("a"), str("B")}, Variant(-1)},
        {"CompareText", {str("b"), str("A")}, Variant(1)},
        {"Chr", {65}, str("A")},
        {"Chr", {0x20AC}, str("€")},
        {"Ord", {str("A")}, Variant(65)},
        {"Ord", {str("")}, Variant(0)},
        {"SetLength", {str("abc"), 2}, Variant(), 0, str("ab")},
        {"SetLength", {str("ab"), 4}, Variant(), 0, str("ab  ")},
    };
    check(rows, std::size(rows));
    expectRaise<EConvertError>("Chr", {0x10000});

    QList<Variant> out;
    call("SetLength", {VarArrayCreate({0, 1}, varVariant), 4}, &out);
    ASSERT_TRUE(out[0].isArray());
    EXPECT_EQ(out[0].arrayHighBound(1), 3);
}

TEST_P(SysFunctionsTest, Math)
{
    const Row rows[] = {
        {"Round", {2.5}, Variant(2)},
        {"Round", {3.5}, Variant(4)},
        {"Round", {-2.5}, Variant(-2)},
        {"Round", {-2.6}, Variant(-3)},
        {"Trunc", {-1.7}, Variant(-1)},
        {"Trunc", {1.9}, Variant(1)},
        {"Int", {2.7}, Variant(2.0)},
        {"Int", {-2.7}, Variant(-2.0)},
        {"Frac", {2.75}, Variant(0.75)},
        {"Frac", {-2.75}, Variant(-0.75)},
        {"Sqrt", {16}, Variant(4.0)},
        {"Abs", {-2.5}, Variant(2.5)},
        {"Sin", {0}, Variant(0.0)},
        {"Cos", {0}, Variant(1.0)},
        {"ArcTan", {1}, Variant(std::atan(1.0))},
        {"Tan", {0}, Variant(0.0)},
        {"Exp", {0}, Variant(1.0)},
        {"Ln", {1}, Variant(0.0)},
        {"Pi", {}, Variant(3.14159265358979323846)},
    };
    check(rows, std::size(rows));
    expectRaise<EInvalidOp>("Sqrt", {-1}, "Invalid floating point operation");
    expectRaise<EInvalidOp>("Ln", {0});
    expectRaise<EOverflow>("Exp", {1000});
    expectRaise<EOverflow>("Round", {1e10});
    expectRaise<EOverflow>("Trunc", {-3e9});
}

TEST_P(SysFunctionsTest, Other)
{
    const Row rows[] = {
        {"Inc", {1}, Variant(), 0, Variant(2)},
        {"Inc", {1, 5}, Variant(), 0, Variant(6)},
        {"Dec", {10}, Variant(), 0, Variant(9)},
        {"Dec", {10, 3}, Variant(), 0, Variant(7)},
        {"ValidInt", {str("12")}, Variant(true)},
        {"ValidInt", {str("1x")}, Variant(false)},
        {"ValidInt", {str("99999999999")}, Variant(false)},
        {"ValidFloat", {str("1e3")}, Variant(true)},
        {"ValidFloat", {str("e3")}, Variant(false)},
        {"ValidDate", {str("31/12/2024")}, Variant(true)},
        {"ValidDate", {str("31/02/2024")}, Variant(false)},
        {"ValidDate", {date(kDay)}, Variant(true)},
        {"ExtractFilePath", {str("C:\\dir\\file.txt")}, str("C:\\dir\\")},
        {"ExtractFilePath", {str("C:file.txt")}, str("C:")},
        {"ExtractFilePath", {str("/a/b.txt")}, str("/a/")},
        {"ExtractFilePath", {str("file")}, str("")},
        {"VarType", {1}, Variant(int(varInteger))},
        {"VarType", {str("s")}, Variant(int(varString))},
        {"VarType", {Variant::null()}, Variant(int(varNull))},
        {"VarType", {VarArrayCreate({0, 1}, varVariant)}, Variant(int(varArray | varVariant))},
    };
    check(rows, std::size(rows));

    const Variant a = call("VarArrayCreate", {VarArrayOf({0, 4, 1, 2}), int(varInteger)});
    ASSERT_TRUE(a.isArray());
    EXPECT_EQ(a.arrayDimCount(), 2);
    EXPECT_EQ(a.arrayHighBound(1), 4);
    EXPECT_EQ(a.arrayLowBound(2), 1);
    EXPECT_EQ(a.arrayElementType(), varInteger);
    expectRaise<EVariantError>("VarArrayCreate", {VarArrayOf({0, 4, 1}), int(varInteger)});

    expectRaise<Exception>("RaiseException", {str("x")}, "x");
    expectRaise<EOleError>("CreateOleObject", {str("Word.Application")});

    HeadlessUiProvider ui;
    TvdScopedUiProvider scoped(&ui);
    call("ShowMessage", {42});
    ASSERT_EQ(ui.Prompts().size(), 1);
    EXPECT_EQ(ui.Prompts()[0].text, QStringLiteral("42"));

    call("Randomize", {});
    for (int i = 0; i < 200; ++i) {
        const double r = call("Random", {}).toDouble();
        ASSERT_GE(r, 0.0);
        ASSERT_LT(r, 1.0);
    }
}

INSTANTIATE_TEST_SUITE_P(Locales, SysFunctionsTest, ::testing::ValuesIn(vdtest::kTestLocales));

// ---------------------------------------------------------------------------
// Scripts calling the functions.

struct Expect {
    const char *name;
    Variant value;
};

void runScript(const QString &lang, const char *source, std::initializer_list<Expect> expects)
{
    TovScript s;
    s.AddRTTI();
    s.SetSyntaxType(lang);
    s.SetLines(QString::fromUtf8(source).split(u'\n'));
    ASSERT_TRUE(s.Compile()) << lang.toStdString() << ": " << s.ErrorMsg.toStdString() << " at "
                             << s.ErrorPos.toStdString();
    ASSERT_NO_THROW(s.Execute()) << lang.toStdString();
    for (const Expect &e : expects) {
        const Variant v = s.Variables(QString::fromLatin1(e.name));
        EXPECT_TRUE(same(v, e.value)) << lang.toStdString() << ": " << e.name << " = " << show(v) << ", expected "
                                      << show(e.value);
    }
}

TEST(SysFunctionsScript, PascalProgram)
{
    ScopedFormatSettings fs{FormatSettings()};
    runScript(QStringLiteral("VevuvaRirivo"), R"(var i, r, r2, d, l, w, y, m, dd: Integer;
  s, n, t, msg, cls, f, dt: String;
  x: Extended;
begin
  i := 1; Inc(i); Inc(i, 5);
  s := Format('%d-%s', [i, 'a']);
  r := Round(2.5); r2 := Round(3.5);
  x := Int(2.7);
  n := NameCase('JOHN smith');
  d := DaysInMonth(2024, 2);
  l := Length(VarArrayCreate([0, 4], varVariant));
  t := 'abcdef'; Delete(t, 2, 3);
  try
    RaiseException('x');
  except
    msg := ExceptionMessage; cls := ExceptionClassName;
  end;
  f := FormatFloat('#,##0.00', 1234.5) + ' ' + BoolToStr(True);
  DecodeDate(EncodeDate(2024, 3, 5), y, m, dd);
  w := DayOfWeek(EncodeDate(2024, 3, 5));
  dt := FormatDateTime('dd.mm.yyyy', EncodeDate(2024, 3, 5));
end.)",
              {{"i", 7},
               {"s", str("7-a")},
               {"r", 2},
               {"r2", 4},
               {"x", 2.0},
               {"n", str("John Smith")},
               {"d", 29},
               {"l", 5},
               {"t", str("aef")},
               {"msg", str("x")},
               {"cls", str("Exception")},
               {"f", str("1,234.50 -1")},
               {"y", 2024},
               {"m", 3},
               {"dd", 5},
               {"w", 3},
               {"dt", str("05.03.2024")}});
}

TEST(SysFunctionsScript, OtherLanguages)
{
    runScript(QStringLiteral("D++Edirud"), R"(int i, p; string s, u;
{
  i = 10; Dec(i, 4);
  s = Copy("abcdef", 2, 3);
  p = Pos("cd", "abcdef");
  u = Uppercase(Trim("  go  "));
})",
              {{"i", 6}, {"s", str("bcd")}, {"p", 3}, {"u", str("GO")}});
    runScript(QStringLiteral("JScript"), R"(var a, b, c;
a = Trunc(-1.7);
b = Format("%.2f", [Sqrt(2)]);
c = IntToStr(VarType("s"));)",
              {{"a", -1}, {"b", str("1.41")}, {"c", str("256")}});
}

// A hostile format string in a template stops the script with a clear message.
TEST(SysFunctionsScript, BadFormatStopsTheScript)
{
    TovScript s;
    s.AddRTTI();
    s.SetSyntaxType(QStringLiteral("VevuvaRirivo"));
    s.SetLines({QStringLiteral("var t: String;"), QStringLiteral("begin"), QStringLiteral("  t := Format('%s %s %n', ['a']);"),
                QStringLiteral("end.")});
    ASSERT_TRUE(s.Compile()) << s.ErrorMsg.toStdString();
    try {
        s.Execute();
        ADD_FAILURE() << "no error";
    } catch (const EConvertError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("No argument for format '%s %s %n'"));
    }
}

} // namespace
