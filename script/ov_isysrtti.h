// The system functions every script sees without a host: standard type names,
// True/False/nil/Null, variant type codes, the exception variables, the string
// and array index helpers, and the conversion, formatting, date, string, math
// and utility functions.
#pragma once
#include "script/ov_irtti.h"

class TovSysFunctions : public TovRTTIModule {
public:
    explicit TovSysFunctions(TovScript *aScript);

    const QString FCatStr = QStringLiteral("ctString");
    const QString FCatDate = QStringLiteral("ctDate");
    const QString FCatConv = QStringLiteral("ctConv");
    const QString FCatFormat = QStringLiteral("ctFormat");
    const QString FCatMath = QStringLiteral("ctMath");
    const QString FCatOther = QStringLiteral("ctOther");

    // The dispatchers, one per group; an unknown name answers Unassigned.
    static Variant CallMethod1(const QString &name, TovMethodHelper *caller);  // IntToStr .. BoolToStr
    static Variant CallMethod2(const QString &name, TovMethodHelper *caller);  // StrToInt .. StrToBool
    static Variant CallMethod3(const QString &name, TovMethodHelper *caller);  // formatting
    static Variant CallMethod4(const QString &name, TovMethodHelper *caller);  // dates
    static Variant CallMethod5(const QString &name, TovMethodHelper *caller);  // strings
    static Variant CallMethod6(const QString &name, TovMethodHelper *caller);  // math
    static Variant CallMethod7(const QString &name, TovMethodHelper *caller);  // VarToStr and the rest
};

// The current date and time as days since 1899-12-30 (local time).
double ovNow();
