#include "script/ov_isysrtti.h"
#include "core/vdFormat.h"
#include "platform/UiProvider.h"
#include "script/ov_iclasses.h"
#include "script/ov_idisp.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QMutex>
#include <QRandomGenerator>
#include <cmath>
#include <limits>
#include <vector>

namespace {

// Registers the module class when this unit is linked in.
const bool gRegistered = (ovRTTIModuleClasses(), true);

Variant P(TovMethodHelper *c, int i) { return c->GetVParam(i); }
QString PS(TovMethodHelper *c, int i) { return VarToStr(c->GetVParam(i)); }
int PI(TovMethodHelper *c, int i) { return c->GetVParam(i).toInt(); }
double PF(TovMethodHelper *c, int i) { return c->GetVParam(i).toDouble(); }

int toInteger(double v)
{
    if (!std::isfinite(v) || v < -2147483648.0 || v > 2147483647.0)
        throw EOverflow(QStringLiteral("Integer overflow"));
    return int(v);
}

[[noreturn]] void invalidOp() { throw EInvalidOp(QStringLiteral("Invalid floating point operation")); }

QMutex gRandomMutex;
QRandomGenerator &randomGenerator()
{
    static QRandomGenerator gen(0u);
    return gen;
}

// Elements of a typed-argument list as plain values for the formatter.
QList<Variant> formatArgs(const Variant &values)
{
    QList<TovVarRec> recs = ovVariantToVarRecArray(values);
    QList<Variant> out;
    out.reserve(recs.size());
    for (const TovVarRec &r : recs) {
        switch (r.VType) {
        case vtInteger: out << Variant(int(r.VInteger)); break;
        case vtBoolean: out << Variant(r.VBoolean); break;
        case vtExtended: out << Variant(r.VExtended); break;
        case vtCurrency: out << Variant::fromCurrency(r.VCurrency); break;
        case vtInt64: out << Variant::fromInt64(r.VInt64); break;
        case vtChar: case vtWideChar: out << Variant(QString(r.VChar)); break;
        case vtString: case vtPChar: case vtAnsiString: case vtPWideChar: case vtWideString: case vtUnicodeString:
            out << Variant(r.VString);
            break;
        case vtVariant: out << r.VVariant; break;
        default: out << Variant::null(); break;
        }
    }
    ovClearVarRecArray(recs);
    return out;
}

QString trimBlanks(const QString &s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && s[b].unicode() <= 32)
        ++b;
    while (e > b && s[e - 1].unicode() <= 32)
        --e;
    return s.mid(b, e - b);
}

// 1-based removal of count characters, as the platform's Delete does.
void deleteChars(QString &s, int from, int count)
{
    if (from < 1 || from > s.size() || count <= 0)
        return;
    s.remove(from - 1, count);
}

} // namespace

double ovNow()
{
    const QDateTime now = QDateTime::currentDateTime();
    const double days = double(now.date().toJulianDay() - 2415019);
    return days + double(now.time().msecsSinceStartOfDay()) / 86400000.0;
}

TovSysFunctions::TovSysFunctions(TovScript *aScript) : TovRTTIModule(aScript)
{
    TovScript *s = Script;

    // Types.
    for (const char *n : {"Byte", "Word", "Integer", "Longint", "Cardinal", "TColor", "TAlphaColor"})
        s->AddType(QLatin1String(n), fvtInt);
    s->AddType(QStringLiteral("Int64"), fvtInt64);
    s->AddType(QStringLiteral("Boolean"), fvtBool);
    for (const char *n : {"Real", "Single", "Double", "Extended", "Currency", "TDate", "TTime", "TDateTime"})
        s->AddType(QLatin1String(n), fvtFloat);
    s->AddType(QStringLiteral("Char"), fvtChar);
    s->AddType(QStringLiteral("String"), fvtString);
    s->AddType(QStringLiteral("Variant"), fvtVariant);
    s->AddType(QStringLiteral("Pointer"), fvtVariant);
    s->AddType(QStringLiteral("Array"), fvtArray);
    s->AddType(QStringLiteral("Constructor"), fvtConstructor);

    // Constants.
    s->AddConst(QStringLiteral("True"), QStringLiteral("Boolean"), Variant(true));
    s->AddConst(QStringLiteral("False"), QStringLiteral("Boolean"), Variant(false));
    s->AddConst(QStringLiteral("nil"), QStringLiteral("Variant"), Variant(0));
    s->AddConst(QStringLiteral("Null"), QStringLiteral("Variant"), Variant::null());

    // Index helpers.
    s->Add(QStringLiteral("__StringHelper"), new TovStringHelper());
    s->Add(QStringLiteral("__ArrayHelper"), new TovArrayHelper(QStringLiteral("__ArrayHelper"), -1, fvtVariant, QString()));

    // Variables the try statement fills.
    s->AddVariable(QStringLiteral("ExceptionClassName"), QStringLiteral("String"), Variant(QString()));
    s->AddVariable(QStringLiteral("ExceptionMessage"), QStringLiteral("String"), Variant(QString()));

    auto bind = [](Variant (*fn)(const QString &, TovMethodHelper *)) -> TovCallMethodNewEvent {
        return [fn](QObject *, const QMetaObject *, const QString &name, TovMethodHelper *caller) {
            return fn(name, caller);
        };
    };
    const TovCallMethodNewEvent m1 = bind(&CallMethod1), m2 = bind(&CallMethod2), m3 = bind(&CallMethod3),
                                m4 = bind(&CallMethod4), m5 = bind(&CallMethod5), m6 = bind(&CallMethod6),
                                m7 = bind(&CallMethod7);
    struct Fn {
        const char *decl;
        const TovCallMethodNewEvent *event;
        const QString *cat;
    };
    const Fn fns[] = {
        {"function IntToStr(i: Integer): String", &m1, &FCatConv},
        {"function FloatToStr(e: Extended): String", &m1, &FCatConv},
        {"function DateToStr(e: Extended): String", &m1, &FCatConv},
        {"function TimeToStr(e: Extended): String", &m1, &FCatConv},
        {"function DateTimeToStr(e: Extended): String", &m1, &FCatConv},
        {"function BoolToStr(B: Boolean): string;", &m1, &FCatConv},
        {"function VarToStr(v: Variant): String", &m7, &FCatConv},
        {"function StrToInt(s: String): Integer", &m2, &FCatConv},
        {"function StrToInt64(s: String): Int64", &m2, &FCatConv},
        {"function StrToFloat(s: String): Extended", &m2, &FCatConv},
        {"function StrToDate(s: String): Extended", &m2, &FCatConv},
        {"function StrToTime(s: String): Extended", &m2, &FCatConv},
        {"function StrToDateTime(s: String): Extended", &m2, &FCatConv},
        {"function StrToBool(const S: string): Boolean;", &m2, &FCatConv},
        {"function Format(Fmt: String; Args: array): String", &m3, &FCatFormat},
        {"function FormatFloat(Fmt: String; Value: Extended): String", &m3, &FCatFormat},
        {"function FormatDateTime(Fmt: String; DateTime: TDateTime): String", &m3, &FCatFormat},
        {"function FormatMaskText(EditMask: string; Value: string): string", &m3, &FCatFormat},
        {"function EncodeDate(Year, Month, Day: Word): TDateTime", &m4, &FCatDate},
        {"procedure DecodeDate(Date: TDateTime; var Year, Month, Day: Word)", &m4, &FCatDate},
        {"function EncodeTime(Hour, Min, Sec, MSec: Word): TDateTime", &m4, &FCatDate},
        {"procedure DecodeTime(Time: TDateTime; var Hour, Min, Sec, MSec: Word)", &m4, &FCatDate},
        {"function Date: TDateTime", &m4, &FCatDate},
        {"function Time: TDateTime", &m4, &FCatDate},
        {"function Now: TDateTime", &m4, &FCatDate},
        {"function DayOfWeek(aDate: TDateTime): Integer", &m4, &FCatDate},
        {"function IsLeapYear(Year: Word): Boolean", &m4, &FCatDate},
        {"function DaysInMonth(nYear, nMonth: Integer): Integer", &m4, &FCatDate},
        {"function Length(s: Variant): Integer", &m5, &FCatStr},
        {"function Copy(s: String; from, count: Integer): String", &m5, &FCatStr},
        {"function Pos(substr, s: String): Integer", &m5, &FCatStr},
        {"procedure Delete(var s: String; from, count: Integer)", &m5, &FCatStr},
        {"procedure DeleteStr(var s: String; from, count: Integer)", &m5, &FCatStr},
        {"procedure Insert(s: String; var s2: String; pos: Integer)", &m5, &FCatStr},
        {"function Uppercase(s: String): String", &m5, &FCatStr},
        {"function Lowercase(s: String): String", &m5, &FCatStr},
        {"function Trim(s: String): String", &m5, &FCatStr},
        {"function NameCase(s: String): String", &m5, &FCatStr},
        {"function CompareText(s, s1: String): Integer", &m5, &FCatStr},
        {"function Chr(i: Integer): Char", &m5, &FCatStr},
        {"function Ord(ch: Char): Integer", &m5, &FCatStr},
        {"procedure SetLength(var S: Variant; L: Integer)", &m5, &FCatStr},
        {"function Round(e: Extended): Integer", &m6, &FCatMath},
        {"function Trunc(e: Extended): Integer", &m6, &FCatMath},
        {"function Int(e: Extended): Integer", &m6, &FCatMath},
        {"function Frac(X: Extended): Extended", &m6, &FCatMath},
        {"function Sqrt(e: Extended): Extended", &m6, &FCatMath},
        {"function Abs(e: Extended): Extended", &m6, &FCatMath},
        {"function Sin(e: Extended): Extended", &m6, &FCatMath},
        {"function Cos(e: Extended): Extended", &m6, &FCatMath},
        {"function ArcTan(X: Extended): Extended", &m6, &FCatMath},
        {"function Tan(X: Extended): Extended", &m6, &FCatMath},
        {"function Exp(X: Extended): Extended", &m6, &FCatMath},
        {"function Ln(X: Extended): Extended", &m6, &FCatMath},
        {"function Pi: Extended", &m6, &FCatMath},
        {"procedure Inc(var i: Integer; incr: Integer = 1)", &m7, &FCatOther},
        {"procedure Dec(var i: Integer; decr: Integer = 1)", &m7, &FCatOther},
        {"procedure RaiseException(Param: String)", &m7, &FCatOther},
        {"procedure ShowMessage(Msg: Variant)", &m7, &FCatOther},
        {"procedure Randomize", &m7, &FCatOther},
        {"function Random: Extended", &m7, &FCatOther},
        {"function ValidInt(cInt: String): Boolean", &m7, &FCatOther},
        {"function ValidFloat(cFlt: String): Boolean", &m7, &FCatOther},
        {"function ValidDate(cDate: String): Boolean", &m7, &FCatOther},
        {"function ExtractFilePath(const FileName: string): string;", &m7, &FCatOther},
        {"function CreateOleObject(ClassName: String): Variant", &m7, &FCatOther},
        {"function VarArrayCreate(Bounds: Array; Typ: Integer): Variant", &m7, &FCatOther},
        {"function VarType(V: Variant): Integer", &m7, &FCatOther},
    };
    for (const Fn &f : fns)
        s->AddMethod(QLatin1String(f.decl), *f.event, *f.cat);

    // Variant type codes.
    const struct {
        const char *name;
        int value;
    } codes[] = {{"varEmpty", 0},      {"varNull", 1},      {"varSmallint", 2},  {"varInteger", 3},
                 {"varSingle", 4},     {"varDouble", 5},    {"varCurrency", 6},  {"varDate", 7},
                 {"varOleStr", 8},     {"varDispatch", 9},  {"varError", 10},    {"varBoolean", 11},
                 {"varVariant", 12},   {"varUnknown", 13},  {"varShortInt", 16}, {"varByte", 17},
                 {"varWord", 18},      {"varLongWord", 19}, {"varInt64", 20},    {"varStrArg", 72},
                 {"varString", 256},   {"varAny", 257},     {"varTypeMask", 4095}, {"varArray", 8192},
                 {"varByRef", 16384}};
    for (const auto &c : codes)
        s->AddConst(QLatin1String(c.name), QStringLiteral("Integer"), Variant(c.value));
}

Variant TovSysFunctions::CallMethod1(const QString &name, TovMethodHelper *c)
{
    if (name == QLatin1String("INTTOSTR"))
        return QString::number(P(c, 0).toInt64());
    if (name == QLatin1String("FLOATTOSTR"))
        return FloatToStr(PF(c, 0));
    if (name == QLatin1String("DATETOSTR"))
        return DateToStr(PF(c, 0));
    if (name == QLatin1String("TIMETOSTR"))
        return TimeToStr(PF(c, 0));
    if (name == QLatin1String("DATETIMETOSTR"))
        return DateTimeToStr(PF(c, 0));
    if (name == QLatin1String("BOOLTOSTR"))
        return QString::fromLatin1(P(c, 0).toBool() ? "-1" : "0");
    return Variant();
}

Variant TovSysFunctions::CallMethod2(const QString &name, TovMethodHelper *c)
{
    if (name == QLatin1String("STRTOINT"))
        return StrToInt(PS(c, 0));
    if (name == QLatin1String("STRTOINT64"))
        return Variant::fromInt64(StrToInt64(PS(c, 0)));
    if (name == QLatin1String("STRTOFLOAT"))
        return StrToFloat(PS(c, 0));
    if (name == QLatin1String("STRTODATE"))
        return Variant::fromDate(StrToDate(PS(c, 0)));
    if (name == QLatin1String("STRTOTIME"))
        return Variant::fromDate(StrToTime(PS(c, 0)));
    if (name == QLatin1String("STRTODATETIME"))
        return Variant::fromDate(StrToDateTime(PS(c, 0)));
    if (name == QLatin1String("STRTOBOOL"))
        return Variant(PS(c, 0)).toBool();
    return Variant();
}

Variant TovSysFunctions::CallMethod3(const QString &name, TovMethodHelper *c)
{
    if (name == QLatin1String("FORMAT")) {
        const Variant args = P(c, 1);
        if (!args.isArray())
            throw EConvertError(QStringLiteral("Format needs an array of arguments"));
        return Format(PS(c, 0), formatArgs(args));
    }
    if (name == QLatin1String("FORMATFLOAT"))
        return FormatFloat(PS(c, 0), (Variant(1.0) * P(c, 1)).toDouble());
    if (name == QLatin1String("FORMATDATETIME"))
        return FormatDateTime(PS(c, 0), PF(c, 1));
    if (name == QLatin1String("FORMATMASKTEXT"))
        return FormatMaskText(PS(c, 0), PS(c, 1));
    return Variant();
}

Variant TovSysFunctions::CallMethod4(const QString &name, TovMethodHelper *c)
{
    if (name == QLatin1String("ENCODEDATE"))
        return Variant::fromDate(EncodeDate(PI(c, 0), PI(c, 1), PI(c, 2)));
    if (name == QLatin1String("DECODEDATE")) {
        int y = 0, m = 0, d = 0;
        DecodeDate(PF(c, 0), y, m, d);
        c->SetVParam(1, y);
        c->SetVParam(2, m);
        c->SetVParam(3, d);
        return Variant();
    }
    if (name == QLatin1String("ENCODETIME"))
        return Variant::fromDate(EncodeTime(PI(c, 0), PI(c, 1), PI(c, 2), PI(c, 3)));
    if (name == QLatin1String("DECODETIME")) {
        int h = 0, m = 0, s = 0, ms = 0;
        DecodeTime(PF(c, 0), h, m, s, ms);
        c->SetVParam(1, h);
        c->SetVParam(2, m);
        c->SetVParam(3, s);
        c->SetVParam(4, ms);
        return Variant();
    }
    if (name == QLatin1String("DATE"))
        return Variant::fromDate(std::floor(ovNow()));
    if (name == QLatin1String("TIME")) {
        const double n = ovNow();
        return Variant::fromDate(n - std::floor(n));
    }
    if (name == QLatin1String("NOW"))
        return Variant::fromDate(ovNow());
    if (name == QLatin1String("DAYOFWEEK")) {
        const int d = DayOfWeek(PF(c, 0));
        if (d == 0)
            throw EConvertError(QStringLiteral("Date value %1 is out of range").arg(FloatToStr(PF(c, 0))));
        return d;
    }
    if (name == QLatin1String("ISLEAPYEAR"))
        return IsLeapYear(PI(c, 0));
    if (name == QLatin1String("DAYSINMONTH")) {
        const int month = PI(c, 1);
        if (month < 1 || month > 12)
            throw EConvertError(QStringLiteral("Month %1 is out of range (1 to 12)").arg(month));
        return DaysInAMonth(PI(c, 0), month);
    }
    return Variant();
}

Variant TovSysFunctions::CallMethod5(const QString &name, TovMethodHelper *c)
{
    if (name == QLatin1String("LENGTH")) {
        const Variant v = P(c, 0);
        if (v.isArray())
            return v.arrayHighBound(1) - v.arrayLowBound(1) + 1;
        return int(VarToStr(v).size());
    }
    if (name == QLatin1String("COPY")) {
        const QString s = PS(c, 0);
        const int from = std::max(PI(c, 1), 1);
        const int count = PI(c, 2);
        if (count <= 0 || from > s.size())
            return QString();
        return s.mid(from - 1, count);
    }
    if (name == QLatin1String("POS"))
        return int(PS(c, 1).indexOf(PS(c, 0)) + 1);
    if (name == QLatin1String("DELETE") || name == QLatin1String("DELETESTR")) {
        QString s = PS(c, 0);
        deleteChars(s, PI(c, 1), PI(c, 2));
        c->SetVParam(0, s);
        return Variant();
    }
    if (name == QLatin1String("INSERT")) {
        QString s2 = PS(c, 1);
        const int pos = std::clamp(PI(c, 2), 1, int(s2.size()) + 1);
        s2.insert(pos - 1, PS(c, 0));
        c->SetVParam(1, s2);
        return Variant();
    }
    if (name == QLatin1String("UPPERCASE"))
        return PS(c, 0).toUpper();
    if (name == QLatin1String("LOWERCASE"))
        return PS(c, 0).toLower();
    if (name == QLatin1String("TRIM"))
        return trimBlanks(PS(c, 0));
    if (name == QLatin1String("NAMECASE"))
        return NameCase(PS(c, 0));
    if (name == QLatin1String("COMPARETEXT")) {
        const int r = QString::localeAwareCompare(PS(c, 0).toLower(), PS(c, 1).toLower());
        return r < 0 ? -1 : r > 0 ? 1 : 0;
    }
    if (name == QLatin1String("CHR")) {
        const int i = PI(c, 0);
        if (i < 0 || i > 0xFFFF)
            throw EConvertError(QStringLiteral("Character code %1 is out of range").arg(i));
        return QString(QChar(char16_t(i)));
    }
    if (name == QLatin1String("ORD")) {
        // An empty text has no first character: 0.
        const QString s = PS(c, 0);
        return s.isEmpty() ? 0 : int(s[0].unicode());
    }
    if (name == QLatin1String("SETLENGTH")) {
        Variant v = P(c, 0);
        const int len = std::max(PI(c, 1), 0);
        if (v.isString()) {
            QString s = v.rawString();
            if (s.size() > len)
                s.truncate(len);
            else
                s += QString(len - s.size(), u' ');
            c->SetVParam(0, Variant::fromString(s, v.varType()));
        } else {
            v.arrayRedim(len - 1);
            c->SetVParam(0, v);
        }
        return Variant();
    }
    return Variant();
}

Variant TovSysFunctions::CallMethod6(const QString &name, TovMethodHelper *c)
{
    if (name == QLatin1String("PI"))
        return 3.1415926535897932385;
    const double x = PF(c, 0);
    if (name == QLatin1String("ROUND"))
        return toInteger(std::nearbyint(x));
    if (name == QLatin1String("TRUNC"))
        return toInteger(std::trunc(x));
    if (name == QLatin1String("INT"))
        return std::trunc(x);
    if (name == QLatin1String("FRAC"))
        return x - std::trunc(x);
    if (name == QLatin1String("SQRT")) {
        if (x < 0)
            invalidOp();
        return std::sqrt(x);
    }
    if (name == QLatin1String("ABS"))
        return std::fabs(x);
    if (name == QLatin1String("SIN"))
        return std::sin(x);
    if (name == QLatin1String("COS"))
        return std::cos(x);
    if (name == QLatin1String("ARCTAN"))
        return std::atan(x);
    if (name == QLatin1String("TAN")) {
        const double cs = std::cos(x);
        if (cs == 0)
            throw EZeroDivide(QStringLiteral("Floating point division by zero"));
        return std::sin(x) / cs;
    }
    if (name == QLatin1String("EXP")) {
        const double r = std::exp(x);
        if (!std::isfinite(r))
            throw EOverflow(QStringLiteral("Floating point overflow"));
        return r;
    }
    if (name == QLatin1String("LN")) {
        if (x <= 0)
            invalidOp();
        return std::log(x);
    }
    return Variant();
}

Variant TovSysFunctions::CallMethod7(const QString &name, TovMethodHelper *c)
{
    if (name == QLatin1String("VARTOSTR"))
        return VarToStr(P(c, 0));
    if (name == QLatin1String("INC") || name == QLatin1String("DEC")) {
        Variant step = c->ParamCount() > 1 ? P(c, 1) : Variant(1);
        if (step.isEmptyOrNull())
            step = Variant(1);
        c->SetVParam(0, Variant::binaryOp(name == QLatin1String("INC") ? VarOp::Add : VarOp::Subtract, P(c, 0), step));
        return Variant();
    }
    if (name == QLatin1String("RAISEEXCEPTION"))
        throw Exception(PS(c, 0));
    if (name == QLatin1String("SHOWMESSAGE")) {
        vdUiProvider().MessageBox(PS(c, 0), QCoreApplication::applicationName(), MB_OK);
        return Variant();
    }
    if (name == QLatin1String("RANDOMIZE")) {
        QMutexLocker lock(&gRandomMutex);
        randomGenerator().seed(quint32(QDateTime::currentMSecsSinceEpoch()) ^ quint32(QDateTime::currentMSecsSinceEpoch() >> 32));
        return Variant();
    }
    if (name == QLatin1String("RANDOM")) {
        QMutexLocker lock(&gRandomMutex);
        return randomGenerator().generateDouble();
    }
    if (name == QLatin1String("VALIDINT")) {
        qint64 v = 0;
        return TryStrToInt64(PS(c, 0), v) && v >= std::numeric_limits<int>::min() &&
               v <= std::numeric_limits<int>::max();
    }
    if (name == QLatin1String("VALIDFLOAT")) {
        double v = 0;
        return TryStrToFloat(PS(c, 0), v);
    }
    if (name == QLatin1String("VALIDDATE")) {
        const Variant v = P(c, 0);
        const QString text = v.varType() == varDate ? DateToStr(v.rawDouble()) : VarToStr(v);
        double d = 0;
        return TryStrToDate(text, d);
    }
    if (name == QLatin1String("EXTRACTFILEPATH")) {
        const QString f = PS(c, 0);
        qsizetype i = f.size() - 1;
        while (i >= 0 && f[i] != u'\\' && f[i] != u'/' && f[i] != u':')
            --i;
        return f.left(i + 1);
    }
    if (name == QLatin1String("CREATEOLEOBJECT"))
        return CreateOleObject(PS(c, 0));
    if (name == QLatin1String("VARARRAYCREATE")) {
        const Variant b = P(c, 0);
        if (!b.isArray())
            throw EVariantArrayCreateError(QStringLiteral("Error creating variant or safe array"));
        std::vector<int> bounds;
        for (int i = b.arrayLowBound(1); i <= b.arrayHighBound(1); ++i)
            bounds.push_back(b.arrayGet(i).toInt());
        if (bounds.empty() || bounds.size() % 2 != 0)
            throw EVariantArrayCreateError(QStringLiteral("Error creating variant or safe array"));
        return Variant::createArray(std::span<const int>(bounds.data(), bounds.size()), quint16(PI(c, 1)));
    }
    if (name == QLatin1String("VARTYPE")) {
        const Variant v = P(c, 0);
        return int(v.varType());
    }
    return Variant();
}
