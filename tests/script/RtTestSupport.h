// Programs for runtime tests: the base types a system module would register,
// and compiling a text in one of the four languages.
#pragma once
#include "script/ov_iinterpreter.h"

#include <QStringList>

namespace rttest {

inline const QString Pascal = QStringLiteral("VevuvaRirivo");
inline const QString Cpp = QStringLiteral("D++Edirud");
inline const QString Basic = QStringLiteral("DadavOvurid");
inline const QString JS = QStringLiteral("JScript");

// Registered as binding modules do, so Clear keeps them.
inline void addBaseTypes(TovScript &s)
{
    const TovAddedBy mark = s.AddedBy();
    s.SetAddedBy(ovAddedByModules);
    const struct {
        const char *name;
        TovVarType typ;
    } types[] = {{"Integer", fvtInt},     {"Byte", fvtInt},        {"Word", fvtInt},      {"Cardinal", fvtInt},
                 {"Longint", fvtInt},     {"Int64", fvtInt64},     {"Boolean", fvtBool},  {"Extended", fvtFloat},
                 {"Double", fvtFloat},    {"Single", fvtFloat},    {"Currency", fvtFloat}, {"TDateTime", fvtFloat},
                 {"Char", fvtChar},       {"String", fvtString},   {"Variant", fvtVariant}, {"Pointer", fvtVariant},
                 {"Constructor", fvtConstructor}};
    for (const auto &t : types)
        s.AddType(QString::fromLatin1(t.name), t.typ);
    s.AddConst(QStringLiteral("True"), QStringLiteral("Boolean"), Variant(true));
    s.AddConst(QStringLiteral("False"), QStringLiteral("Boolean"), Variant(false));
    s.SetAddedBy(mark);
}

struct Compiled {
    bool ok = false;
    QString msg, pos, unit;
};

inline Compiled compile(TovScript &s, const QString &lang, const QString &text)
{
    s.SetSyntaxType(lang);
    s.SetLines(text.split(QLatin1Char('\n')));
    Compiled c;
    c.ok = s.Compile();
    c.msg = s.ErrorMsg;
    c.pos = s.ErrorPos;
    c.unit = s.ErrorUnit;
    return c;
}

} // namespace rttest
