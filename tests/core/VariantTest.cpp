#include "core/vdFormatSettings.h"
#include "core/vdVariant.h"

#include <gtest/gtest.h>

#include <QObject>
#include <QTimer>
#include <array>
#include <memory>

namespace {

enum class Op {
    Add, Sub, Mul, Div, IntDiv, Mod, Shl, Shr, And, Or, Xor,
    Neg, Not,
    Eq, Ne, Lt, Gt, Le, Ge,
    ToStr, ToInt, ToInt64, ToDouble, ToBool, ToDate, VarToStr
};

Variant apply(Op op, const Variant &a, const Variant &b)
{
    switch (op) {
    case Op::Add: return a + b;
    case Op::Sub: return a - b;
    case Op::Mul: return a * b;
    case Op::Div: return a / b;
    case Op::IntDiv: return Variant::binaryOp(VarOp::IntDivide, a, b);
    case Op::Mod: return Variant::binaryOp(VarOp::Modulus, a, b);
    case Op::Shl: return Variant::binaryOp(VarOp::ShiftLeft, a, b);
    case Op::Shr: return Variant::binaryOp(VarOp::ShiftRight, a, b);
    case Op::And: return Variant::binaryOp(VarOp::And, a, b);
    case Op::Or: return Variant::binaryOp(VarOp::Or, a, b);
    case Op::Xor: return Variant::binaryOp(VarOp::Xor, a, b);
    case Op::Neg: return -a;
    case Op::Not: return a.logicalNot();
    case Op::Eq: return Variant(a == b);
    case Op::Ne: return Variant(a != b);
    case Op::Lt: return Variant(a < b);
    case Op::Gt: return Variant(a > b);
    case Op::Le: return Variant(a <= b);
    case Op::Ge: return Variant(a >= b);
    case Op::ToStr: return Variant(a.toString());
    case Op::ToInt: return Variant(a.toInt());
    case Op::ToInt64: return Variant::fromInt64(a.toInt64());
    case Op::ToDouble: return Variant(a.toDouble());
    case Op::ToBool: return Variant(a.toBool());
    case Op::ToDate: return Variant::fromDate(a.toDate());
    case Op::VarToStr: return Variant(VarToStr(a));
    }
    return Variant();
}

// Same kind and same payload.
bool sameValue(const Variant &x, const Variant &y)
{
    if (x.varType() != y.varType())
        return false;
    if (x.isString())
        return x.rawString() == y.rawString();
    switch (x.varType()) {
    case varSingle: case varDouble: case varDate: return x.rawDouble() == y.rawDouble();
    case varBoolean: return x.rawBool() == y.rawBool();
    case varEmpty: case varNull: return true;
    default: return x.rawInt() == y.rawInt();
    }
}

QString describe(const Variant &v)
{
    if (v.isArray() || v.isObject())
        return VarTypeAsText(v.varType());
    return VarTypeAsText(v.varType()) + QLatin1Char(':') + VarToStr(v);
}

struct OpCase {
    const char *name;
    Variant a;
    Op op;
    Variant b;
    Variant expected;       // kind and value
    const char *error;      // expected message instead of a result
};

Variant cur(double v) { return Variant::fromCurrencyValue(v); }
Variant i64(qint64 v) { return Variant::fromInt64(v); }
Variant date(double v) { return Variant::fromDate(v); }
const Variant kNull = Variant::null();
const Variant kEmpty;
const Variant kTrue(true), kFalse(false);

class VariantOps : public ::testing::Test {
protected:
    // Fixed settings whatever the process default: "." decimal, dd/mm/yyyy dates.
    ScopedFormatSettings settings{FormatSettings()};
};

TEST_F(VariantOps, TableOfOperationsAndConversions)
{
    const Variant arr = VarArrayCreate({0, 1}, varInteger);
    const OpCase cases[] = {
        // Integer arithmetic, widening to Int64 on 32-bit overflow.
        {"int+int", 2, Op::Add, 3, 5, nullptr},
        {"max+1", 2147483647, Op::Add, 1, i64(2147483648LL), nullptr},
        {"min-1", -2147483647 - 1, Op::Sub, 1, i64(-2147483649LL), nullptr},
        {"mul widens", 65536, Op::Mul, 65536, i64(4294967296LL), nullptr},
        {"int64 overflow", i64(9223372036854775807LL), Op::Add, 1, kEmpty, "Variant overflow"},
        {"small kinds give Integer", Variant::fromSmallint(1), Op::Add, Variant::fromByte(2), 3, nullptr},
        {"longword widens", Variant::fromLongWord(4294967295u), Op::Add, 1, i64(4294967296LL), nullptr},
        {"int64+int", i64(5), Op::Add, 1, i64(6), nullptr},
        {"int+int64", 1, Op::Add, i64(5), i64(6), nullptr},
        // Real division and division errors.
        {"7/2", 7, Op::Div, 2, 3.5, nullptr},
        {"4/2 is Double", 4, Op::Div, 2, 2.0, nullptr},
        {"1/0", 1, Op::Div, 0, kEmpty, "Floating point division by zero"},
        {"1.0/0.0", 1.0, Op::Div, 0.0, kEmpty, "Floating point division by zero"},
        {"0/0", 0, Op::Div, 0, kEmpty, "Invalid floating point operation"},
        {"overflow", 1e308, Op::Mul, 10, kEmpty, "Floating point overflow"},
        // Integer division and remainder cut toward zero.
        {"7 div 2", 7, Op::IntDiv, 2, 3, nullptr},
        {"-7 div 2", -7, Op::IntDiv, 2, -3, nullptr},
        {"7 mod 2", 7, Op::Mod, 2, 1, nullptr},
        {"-7 mod 2", -7, Op::Mod, 2, -1, nullptr},
        {"div by zero", 7, Op::IntDiv, 0, kEmpty, "Division by zero"},
        {"mod by zero", 7, Op::Mod, 0, kEmpty, "Division by zero"},
        {"min div -1 widens", -2147483647 - 1, Op::IntDiv, -1, i64(2147483648LL), nullptr},
        {"7.5 div 2 rounds half even", 7.5, Op::IntDiv, 2, 4, nullptr},
        {"2.5 div 1 rounds half even", 2.5, Op::IntDiv, 1, 2, nullptr},
        // Mixed numeric kinds type the same in either order.
        {"double+int", 1.5, Op::Add, 2, 3.5, nullptr},
        {"int+double", 2, Op::Add, 1.5, 3.5, nullptr},
        {"int64+double", i64(5), Op::Add, 1.5, 6.5, nullptr},
        {"double+int64", 1.5, Op::Add, i64(5), 6.5, nullptr},
        {"currency+int", cur(1.5), Op::Add, 2, cur(3.5), nullptr},
        {"int+currency", 2, Op::Add, cur(1.5), cur(3.5), nullptr},
        {"currency*double", cur(1.5), Op::Mul, 2.5, cur(3.75), nullptr},
        {"double*currency", 2.5, Op::Mul, cur(1.5), cur(3.75), nullptr},
        {"currency/int rounds to 4 places", cur(1), Op::Div, 3, cur(0.3333), nullptr},
        {"currency/0", cur(1), Op::Div, 0, kEmpty, "Floating point division by zero"},
        {"single+single", Variant(1.5f), Op::Add, Variant(2.0f), 3.5, nullptr},
        // Dates.
        {"date+int", date(45000), Op::Add, 1, date(45001), nullptr},
        {"int+date", 1, Op::Add, date(45000), date(45001), nullptr},
        {"date-date is Double", date(45001.5), Op::Sub, date(45000), 1.5, nullptr},
        // Texts.
        {"concat", "ab", Op::Add, "cd", "abcd", nullptr},
        {"numeric text+int", "1", Op::Add, 2, 3.0, nullptr},
        {"int+numeric text", 2, Op::Add, "1", 3.0, nullptr},
        {"text*text", "6", Op::Mul, "7", 42.0, nullptr},
        {"bad text+int", "a", Op::Add, 1, kEmpty, "Could not convert variant of type (String) into type (Double)"},
        {"int+bad text", 1, Op::Add, "a", kEmpty, "Could not convert variant of type (String) into type (Double)"},
        // Empty and Null.
        {"text+empty", "ab", Op::Add, kEmpty, "ab", nullptr},
        {"empty+int", kEmpty, Op::Add, 5, 5, nullptr},
        {"empty+empty", kEmpty, Op::Add, kEmpty, kEmpty, nullptr},
        {"null+int", kNull, Op::Add, 1, kNull, nullptr},
        {"text+null", "a", Op::Add, kNull, kNull, nullptr},
        {"null*text", kNull, Op::Mul, "x", kNull, nullptr},
        // Booleans count -1 and 0 in arithmetic.
        {"true+1", kTrue, Op::Add, 1, 0, nullptr},
        {"true and false", kTrue, Op::And, kFalse, kFalse, nullptr},
        {"true or false", kTrue, Op::Or, kFalse, kTrue, nullptr},
        {"true xor true", kTrue, Op::Xor, kTrue, kFalse, nullptr},
        {"bool text and bool", "True", Op::And, kTrue, kTrue, nullptr},
        {"true and 3", kTrue, Op::And, 3, 3, nullptr},
        {"12 and 10", 12, Op::And, 10, 8, nullptr},
        {"12 or 3", 12, Op::Or, 3, 15, nullptr},
        {"12 xor 10", 12, Op::Xor, 10, 6, nullptr},
        {"not true", kTrue, Op::Not, kEmpty, kFalse, nullptr},
        {"not 0", 0, Op::Not, kEmpty, -1, nullptr},
        {"not null", kNull, Op::Not, kEmpty, kNull, nullptr},
        // Shifts keep the left operand's width; shr is logical.
        {"1 shl 4", 1, Op::Shl, 4, 16, nullptr},
        {"1 shl 31", 1, Op::Shl, 31, -2147483647 - 1, nullptr},
        {"-1 shr 28", -1, Op::Shr, 28, 15, nullptr},
        {"int64 shl 40", i64(1), Op::Shl, 40, i64(1099511627776LL), nullptr},
        // Negation.
        {"neg int", 5, Op::Neg, kEmpty, -5, nullptr},
        {"neg min int widens", -2147483647 - 1, Op::Neg, kEmpty, i64(2147483648LL), nullptr},
        {"neg text", "2.5", Op::Neg, kEmpty, -2.5, nullptr},
        {"neg null", kNull, Op::Neg, kEmpty, kNull, nullptr},
        {"neg currency", cur(1.25), Op::Neg, kEmpty, cur(-1.25), nullptr},
        // Arrays take part in no arithmetic.
        {"array+1", arr, Op::Add, 1, kEmpty, "Invalid variant operation"},
        {"array=array", arr, Op::Eq, arr, kEmpty, "Invalid variant operation"},
        // Comparisons.
        {"1=1.0", 1, Op::Eq, 1.0, kTrue, nullptr},
        {"1<2", 1, Op::Lt, 2, kTrue, nullptr},
        {"int64=int", i64(7), Op::Eq, 7, kTrue, nullptr},
        {"int=int64", 7, Op::Eq, i64(7), kTrue, nullptr},
        {"currency=double", cur(1.5), Op::Eq, 1.5, kTrue, nullptr},
        {"double=currency", 1.5, Op::Eq, cur(1.5), kTrue, nullptr},
        {"date=int", date(45000), Op::Eq, 45000, kTrue, nullptr},
        {"currency<huge double", cur(1), Op::Lt, 1e300, kTrue, nullptr},
        {"currency<huge int64", cur(1), Op::Lt, i64(9000000000000000000LL), kTrue, nullptr},
        {"date+numeric text", date(45000), Op::Add, "1.5", date(45001.5), nullptr},
        {"a<b", "a", Op::Lt, "b", kTrue, nullptr},
        {"ordinal B<a", "B", Op::Lt, "a", kTrue, nullptr},
        {"case matters", "a", Op::Eq, "A", kFalse, nullptr},
        {"text 10 < text 9", "10", Op::Lt, "9", kTrue, nullptr},
        {"text 10 < number 9", "10", Op::Lt, 9, kFalse, nullptr},
        {"text 10 = 10", "10", Op::Eq, 10, kTrue, nullptr},
        {"bad text = number", "abc", Op::Eq, 1, kEmpty, "Could not convert variant of type (String) into type (Double)"},
        {"null=null", kNull, Op::Eq, kNull, kTrue, nullptr},
        {"null=0", kNull, Op::Eq, 0, kFalse, nullptr},
        {"null<>text", kNull, Op::Ne, "x", kTrue, nullptr},
        {"null<0", kNull, Op::Lt, 0, kTrue, nullptr},
        {"0>null", 0, Op::Gt, kNull, kTrue, nullptr},
        {"null>=null", kNull, Op::Ge, kNull, kTrue, nullptr},
        {"empty=0", kEmpty, Op::Eq, 0, kTrue, nullptr},
        {"empty=''", kEmpty, Op::Eq, "", kTrue, nullptr},
        {"empty=false", kEmpty, Op::Eq, kFalse, kTrue, nullptr},
        {"empty<1", kEmpty, Op::Lt, 1, kTrue, nullptr},
        {"empty=null", kEmpty, Op::Eq, kNull, kFalse, nullptr},
        {"true=-1", kTrue, Op::Eq, -1, kTrue, nullptr},
        {"true='True'", kTrue, Op::Eq, "True", kTrue, nullptr},
        {"1.5<=1.5", 1.5, Op::Le, 1.5, kTrue, nullptr},
        {"2>=3", 2, Op::Ge, 3, kFalse, nullptr},
        // Conversions to text: shortest form with 15 significant digits.
        {"str 1.5", 1.5, Op::ToStr, kEmpty, "1.5", nullptr},
        {"str 1E20", 1e20, Op::ToStr, kEmpty, "1E20", nullptr},
        {"str small", 1.23456789012345678e-5, Op::ToStr, kEmpty, "1.23456789012346E-5", nullptr},
        {"str 1/3", 1.0 / 3.0, Op::ToStr, kEmpty, "0.333333333333333", nullptr},
        {"str 0.1+0.2", 0.1 + 0.2, Op::ToStr, kEmpty, "0.3", nullptr},
        {"str 1E14 fixed", 1e14, Op::ToStr, kEmpty, "100000000000000", nullptr},
        {"str 1E15", 1e15, Op::ToStr, kEmpty, "1E15", nullptr},
        {"str 0.0001", 0.0001, Op::ToStr, kEmpty, "0.0001", nullptr},
        {"str 0.00001", 0.00001, Op::ToStr, kEmpty, "1E-5", nullptr},
        {"str -2.5", -2.5, Op::ToStr, kEmpty, "-2.5", nullptr},
        {"str single", Variant(0.1f), Op::ToStr, kEmpty, "0.1", nullptr},
        {"str currency", cur(1234.5), Op::ToStr, kEmpty, "1234.5", nullptr},
        {"str int64", i64(-9007199254740993LL), Op::ToStr, kEmpty, "-9007199254740993", nullptr},
        {"str true", kTrue, Op::ToStr, kEmpty, "True", nullptr},
        {"str false", kFalse, Op::ToStr, kEmpty, "False", nullptr},
        {"str empty", kEmpty, Op::ToStr, kEmpty, "", nullptr},
        {"str date", date(45000), Op::ToStr, kEmpty, "15/03/2023", nullptr},
        {"str date time", date(45000.5), Op::ToStr, kEmpty, "15/03/2023 12:00:00", nullptr},
        {"str null", kNull, Op::ToStr, kEmpty, kEmpty, "Could not convert variant of type (Null) into type (String)"},
        {"VarToStr null", kNull, Op::VarToStr, kEmpty, "", nullptr},
        {"str array", arr, Op::ToStr, kEmpty, kEmpty, "Invalid variant type conversion"},
        // To integers: halves to even.
        {"int 2.5", 2.5, Op::ToInt, kEmpty, 2, nullptr},
        {"int 3.5", 3.5, Op::ToInt, kEmpty, 4, nullptr},
        {"int -2.5", -2.5, Op::ToInt, kEmpty, -2, nullptr},
        {"int currency 2.5", cur(2.5), Op::ToInt, kEmpty, 2, nullptr},
        {"int text", "12", Op::ToInt, kEmpty, 12, nullptr},
        {"int float text", "1.5", Op::ToInt, kEmpty, 2, nullptr},
        {"int hex text", "$FF", Op::ToInt, kEmpty, 255, nullptr},
        {"int bad text", "x", Op::ToInt, kEmpty, kEmpty, "Could not convert variant of type (String) into type (Integer)"},
        {"int true", kTrue, Op::ToInt, kEmpty, -1, nullptr},
        {"int too big", 3e9, Op::ToInt, kEmpty, kEmpty, "Variant overflow"},
        {"int null", kNull, Op::ToInt, kEmpty, kEmpty, "Could not convert variant of type (Null) into type (Integer)"},
        {"int64 of 3e9", 3e9, Op::ToInt64, kEmpty, i64(3000000000LL), nullptr},
        {"double text", " 1.5 ", Op::ToDouble, kEmpty, 1.5, nullptr},
        {"double bad text", "abc", Op::ToDouble, kEmpty, kEmpty, "Could not convert variant of type (String) into type (Double)"},
        {"double true", kTrue, Op::ToDouble, kEmpty, -1.0, nullptr},
        {"bool text", "true", Op::ToBool, kEmpty, kTrue, nullptr},
        {"bool number text", "0", Op::ToBool, kEmpty, kFalse, nullptr},
        {"bool bad text", "no", Op::ToBool, kEmpty, kEmpty, "Could not convert variant of type (String) into type (Boolean)"},
        {"bool 2", 2, Op::ToBool, kEmpty, kTrue, nullptr},
        {"date text", "15/03/2023 06:00", Op::ToDate, kEmpty, date(45000.25), nullptr},
        {"date bad text", "32/01/2023", Op::ToDate, kEmpty, kEmpty, "Could not convert variant of type (String) into type (Date)"},
    };
    for (const OpCase &c : cases) {
        SCOPED_TRACE(c.name);
        if (c.error) {
            try {
                Variant r = apply(c.op, c.a, c.b);
                ADD_FAILURE() << "no error, got " << describe(r).toStdString();
            } catch (const Exception &e) {
                EXPECT_EQ(e.message().toStdString(), c.error);
            }
            continue;
        }
        try {
            Variant r = apply(c.op, c.a, c.b);
            EXPECT_TRUE(sameValue(r, c.expected))
                << "got " << describe(r).toStdString() << ", expected " << describe(c.expected).toStdString();
        } catch (const Exception &e) {
            ADD_FAILURE() << "raised " << e.className() << ": " << e.message().toStdString();
        }
    }
}

TEST_F(VariantOps, ErrorsCarryThePlatformClasses)
{
    auto className = [](auto f) -> std::string {
        try {
            f();
        } catch (const Exception &e) {
            return e.className();
        }
        return "none";
    };
    EXPECT_EQ(className([] { (void)(Variant(1) / Variant(0)); }), "EZeroDivide");
    EXPECT_EQ(className([] { (void)Variant::binaryOp(VarOp::IntDivide, 1, 0); }), "EDivByZero");
    EXPECT_EQ(className([] { (void)Variant("x").toDouble(); }), "EVariantTypeCastError");
    EXPECT_EQ(className([] { (void)(VarArrayCreate({0, 1}, varVariant) + Variant(1)); }), "EVariantInvalidOpError");
}

TEST_F(VariantOps, ArraysWithBounds)
{
    Variant a = VarArrayCreate({0, 4}, varInteger);
    EXPECT_EQ(VarType(a), varArray | varInteger);
    EXPECT_EQ(VarArrayDimCount(a), 1);
    EXPECT_EQ(VarArrayLowBound(a, 1), 0);
    EXPECT_EQ(VarArrayHighBound(a, 1), 4);
    EXPECT_TRUE(sameValue(a.arrayGet(3), Variant(0)));
    a.arraySet(3, Variant("7"));  // stored as the element type
    EXPECT_TRUE(sameValue(a.arrayGet(3), Variant(7)));

    // Copies are values: changing one leaves the other alone.
    Variant b = a;
    b.arraySet(3, Variant(9));
    EXPECT_EQ(a.arrayGet(3).toInt(), 7);
    EXPECT_EQ(b.arrayGet(3).toInt(), 9);

    try {
        (void)a.arrayGet(5);
        ADD_FAILURE() << "index 5 accepted";
    } catch (const EVariantBadIndexError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Variant or safe array index out of bounds"));
    }

    Variant m = VarArrayCreate({1, 2, -1, 1}, varVariant);
    EXPECT_EQ(VarArrayDimCount(m), 2);
    EXPECT_EQ(VarArrayLowBound(m, 2), -1);
    EXPECT_EQ(VarArrayHighBound(m, 2), 1);
    const int idx[] = {2, -1};
    m.arraySet(idx, Variant("x"));
    EXPECT_TRUE(m.arrayGet(idx).isString());
    EXPECT_TRUE(m.arrayGet({std::array{1, 1}}).isEmpty());
    // Growing the last dimension keeps the elements.
    m.arrayRedim(3);
    EXPECT_EQ(VarArrayHighBound(m, 2), 3);
    EXPECT_EQ(m.arrayGet(idx).toString(), QStringLiteral("x"));

    Variant v = VarArrayOf({Variant(1), Variant("a"), Variant::null()});
    EXPECT_EQ(VarType(v), varArray | varVariant);
    EXPECT_EQ(VarArrayHighBound(v, 1), 2);
    EXPECT_TRUE(v.arrayGet(2).isNull());

    EXPECT_THROW(VarArrayCreate({0, -5}, varInteger), EVariantArrayCreateError);
    EXPECT_THROW(VarArrayCreate({0, 2147483647}, varVariant), EVariantArrayCreateError);
    EXPECT_THROW(VarArrayCreate({0, 1}, 99), EVariantBadVarTypeError);
    EXPECT_THROW((void)Variant(1).arrayHighBound(1), EVariantInvalidArgError);
}

TEST_F(VariantOps, ObjectReferencesNoticeDestruction)
{
    auto timer = std::make_unique<QTimer>();
    Variant v = Variant::fromObject(timer.get());
    EXPECT_EQ(VarType(v), varDispatch);
    EXPECT_EQ(v.objectClassName(), QStringLiteral("QTimer"));
    EXPECT_TRUE(v.objectInherits("QObject"));
    EXPECT_FALSE(v.objectInherits("QWidget"));
    EXPECT_EQ(v.checkedObject(), timer.get());
    Variant same = Variant::fromObject(timer.get());
    EXPECT_TRUE(v == same);
    EXPECT_FALSE(v == Variant(0));  // not nil while alive
    EXPECT_THROW((void)v.toInt(), EVariantTypeCastError);

    timer.reset();
    EXPECT_EQ(v.object(), nullptr);
    EXPECT_EQ(v.objectClassName(), QStringLiteral("QTimer"));  // the class is still known
    EXPECT_TRUE(v == Variant(0));
    try {
        (void)v.checkedObject();
        ADD_FAILURE() << "freed object handed out";
    } catch (const EVariantFreedObjectError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("QTimer")));
    }
}

TEST(FormatSettingsTest, ConversionsFollowTheSettings)
{
    FormatSettings fs;
    fs.DecimalSeparator = u',';
    fs.ThousandSeparator = u'.';
    fs.DateSeparator = u'.';
    fs.ShortDateFormat = QStringLiteral("dd.mm.yyyy");
    ScopedFormatSettings scope(fs);

    EXPECT_EQ(Variant(1.5).toString(), QStringLiteral("1,5"));
    EXPECT_EQ(Variant(1.5e-7).toString(), QStringLiteral("1,5E-7"));
    EXPECT_EQ(Variant("2,25").toDouble(), 2.25);
    EXPECT_THROW((void)Variant("2.25").toDouble(), EVariantTypeCastError);
    EXPECT_EQ(StrToFloat(QStringLiteral("-1,5e3")), -1500.0);
    EXPECT_EQ(DateToStr(45000), QStringLiteral("15.03.2023"));
    EXPECT_EQ(StrToDate(QStringLiteral("15.03.2023")), 45000.0);
    EXPECT_EQ(DateTimeToStr(45000.75), QStringLiteral("15.03.2023 18:00:00"));

    // Two-digit years fall into the window around the current year.
    fs.TwoDigitYearCenturyWindow = 50;
    double d = StrToDate(QStringLiteral("01.02.03"));
    int y, m, dd;
    DecodeDate(d, y, m, dd);
    EXPECT_EQ(m, 2);
    EXPECT_EQ(dd, 1);
    EXPECT_EQ(y % 100, 3);

    try {
        StrToDate(QStringLiteral("30.02.2023"));
        ADD_FAILURE() << "30 February accepted";
    } catch (const EConvertError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("'30.02.2023' is not a valid date"));
    }
    EXPECT_THROW(StrToFloat(QStringLiteral("1,5x")), EConvertError);
    EXPECT_EQ(StrToInt(QStringLiteral(" -42 ")), -42);
    EXPECT_THROW(StrToInt(QStringLiteral("2147483648")), EConvertError);
    EXPECT_EQ(StrToInt64(QStringLiteral("2147483648")), 2147483648LL);
}

TEST(FormatSettingsTest, TimeOfDayRoundsIntoTheNextDay)
{
    ScopedFormatSettings scope{FormatSettings()};
    // 23:59:59.9996 rounds to the millisecond 24:00:00.000, which is the next midnight.
    const double v = 45000.0 + (86400000.0 - 0.4) / 86400000.0;
    EXPECT_EQ(DateTimeToStr(v), QStringLiteral("16/03/2023"));
    EXPECT_EQ(TimeToStr(EncodeTime(7, 5, 3, 0)), QStringLiteral("07:05:03"));
    EXPECT_EQ(DayOfWeek(45000), 4);  // 15 March 2023 was a Wednesday
    // Values beyond the years 1 to 9999 give an error, not a made-up date.
    EXPECT_EQ(DateToStr(-693593), QStringLiteral("01/01/0001"));
    EXPECT_EQ(DateToStr(2958465), QStringLiteral("31/12/9999"));
    EXPECT_THROW((void)Variant::fromDate(1e300).toString(), EConvertError);
    EXPECT_THROW((void)Variant::fromDate(std::nan("")).toString(), EConvertError);
    EXPECT_THROW((void)DateToStr(2958466), EConvertError);
    double t = 0;
    EXPECT_TRUE(TryStrToTime(QStringLiteral("5:30 PM"), t));
    EXPECT_EQ(TimeToStr(t), QStringLiteral("17:30:00"));
}

} // namespace
