#include "core/vdFormatSettings.h"
#include "script/ov_itools.h"

#include <gtest/gtest.h>

#include <QHash>

namespace {

// A program's names as the helpers see them: the standard types, a few
// classes with their ancestors and some constants.
class FakeScope : public TovTypeScope {
public:
    FakeScope()
    {
        for (const char *n : {"Byte", "Word", "Integer", "Longint", "Cardinal", "TColor"})
            m_types.insert(QString::fromLatin1(n).toUpper(), fvtInt);
        m_types.insert(QStringLiteral("INT64"), fvtInt64);
        m_types.insert(QStringLiteral("BOOLEAN"), fvtBool);
        for (const char *n : {"Real", "Single", "Double", "Extended", "Currency", "TDate", "TTime", "TDateTime"})
            m_types.insert(QString::fromLatin1(n).toUpper(), fvtFloat);
        m_types.insert(QStringLiteral("CHAR"), fvtChar);
        m_types.insert(QStringLiteral("STRING"), fvtString);
        m_types.insert(QStringLiteral("VARIANT"), fvtVariant);
        m_types.insert(QStringLiteral("POINTER"), fvtVariant);
        m_types.insert(QStringLiteral("ARRAY"), fvtArray);
        m_types.insert(QStringLiteral("CONSTRUCTOR"), fvtConstructor);
        m_types.insert(QStringLiteral("MYCONST"), fvtInt);
        m_values.insert(QStringLiteral("MYCONST"), Variant(42));
        m_parent.insert(QStringLiteral("TOBJECT"), QString());
        m_parent.insert(QStringLiteral("TCOMPONENT"), QStringLiteral("TOBJECT"));
        m_parent.insert(QStringLiteral("TVDXVIEW"), QStringLiteral("TCOMPONENT"));
        m_parent.insert(QStringLiteral("TVDXMEMOVIEW"), QStringLiteral("TVDXVIEW"));
        m_parent.insert(QStringLiteral("T"), QString());
    }
    bool FindItemType(const QString &name, TovVarType &typ) const override
    {
        auto it = m_types.find(name.toUpper());
        if (it == m_types.end())
            return false;
        typ = *it;
        return true;
    }
    bool FindItemValue(const QString &name, Variant &value) const override
    {
        auto it = m_values.find(name.toUpper());
        if (it == m_values.end())
            return false;
        value = *it;
        return true;
    }
    bool ClassInherits(const QString &ancestor, const QString &descendant) const override
    {
        const QString a = ancestor.toUpper();
        QString d = descendant.toUpper();
        if (!m_parent.contains(a) || !m_parent.contains(d))
            return false;
        while (!d.isEmpty()) {
            if (d == a)
                return true;
            d = m_parent.value(d);
        }
        return false;
    }

private:
    QHash<QString, TovVarType> m_types;
    QHash<QString, Variant> m_values;
    QHash<QString, QString> m_parent;
};

TEST(TypeCompat, CompatibilityMatrix)
{
    FakeScope scope;
    // Rows: target; columns: source, both in the order of TovVarType.
    const char *const matrix[] = {
        // I B F C S K A V E N 6
        "1.1....11.1",  // fvtInt
        ".1.....1...",  // fvtBool
        "1.1....1...",  // fvtFloat
        "...11..1...",  // fvtChar
        "...11..1...",  // fvtString
        ".....1.1...",  // fvtClass (same registered class)
        "......11...",  // fvtArray
        "11111111111",  // fvtVariant
        "1......11.1",  // fvtEnum (same type name)
        "...........",  // fvtConstructor
        "1.1....11.1",  // fvtInt64
    };
    for (int t = 0; t <= fvtInt64; ++t) {
        for (int s = 0; s <= fvtInt64; ++s) {
            const TovTypeRec target{TovVarType(t), QStringLiteral("T")};
            const TovTypeRec source{TovVarType(s), QStringLiteral("T")};
            EXPECT_EQ(ovTypesCompatible(target, source, &scope), matrix[t][s] == '1')
                << "target " << t << " source " << s;
        }
    }
}

TEST(TypeCompat, NamedTypes)
{
    FakeScope scope;
    auto compat = [&](TovVarType t, const char *tn, TovVarType s, const char *sn) {
        return ovTypesCompatible({t, QString::fromLatin1(tn)}, {s, QString::fromLatin1(sn)}, &scope);
    };
    // A class accepts itself and its descendants, not its ancestors or unknown classes.
    EXPECT_TRUE(compat(fvtClass, "TvdxView", fvtClass, "TvdxMemoView"));
    EXPECT_TRUE(compat(fvtClass, "TObject", fvtClass, "TvdxMemoView"));
    EXPECT_FALSE(compat(fvtClass, "TvdxMemoView", fvtClass, "TvdxView"));
    EXPECT_FALSE(compat(fvtClass, "TvdxView", fvtClass, "TSomethingElse"));
    // Enumerations accept only their own type name, in any letter case.
    EXPECT_TRUE(compat(fvtEnum, "TvdxHAlign", fvtEnum, "TVDXHALIGN"));
    EXPECT_FALSE(compat(fvtEnum, "TvdxHAlign", fvtEnum, "TvdxVAlign"));
    EXPECT_TRUE(compat(fvtEnum, "TvdxHAlign", fvtInt, "Integer"));

    // Variables: Integer takes no Float although the table allows it.
    EXPECT_TRUE(ovTypesCompatible({fvtInt, {}}, {fvtFloat, {}}, &scope));
    EXPECT_FALSE(ovVariablesCompatible({fvtInt, {}}, {fvtFloat, {}}, &scope));
    EXPECT_TRUE(ovVariablesCompatible({fvtInt64, {}}, {fvtFloat, {}}, &scope));
    EXPECT_TRUE(ovVariablesCompatible({fvtFloat, {}}, {fvtInt, {}}, &scope));
    EXPECT_FALSE(ovVariablesCompatible({fvtFloat, {}}, {fvtInt64, {}}, &scope));

    // Type names resolve through the program; unknown names are classes.
    EXPECT_EQ(ovStrToVarType(QStringLiteral("integer"), &scope), fvtInt);
    EXPECT_EQ(ovStrToVarType(QStringLiteral("TDateTime"), &scope), fvtFloat);
    EXPECT_EQ(ovStrToVarType(QStringLiteral("TvdxMemoView"), &scope), fvtClass);
    EXPECT_EQ(ovStrToVarType(QString(), &scope), fvtClass);
}

TEST(TypeCompat, LiteralsAndPositions)
{
    ScopedFormatSettings fixed{FormatSettings()};
    struct Lit {
        const char *text;
        Variant expected;
    } lits[] = {
        {"'abc'", Variant("abc")},
        {"''", Variant("")},
        {"12", Variant(12)},
        {"$FF", Variant(255)},
        {"2147483647", Variant(2147483647)},
        {"2147483648", Variant::fromInt64(2147483648LL)},
        {"$FFFFFFFF", Variant::fromInt64(4294967295LL)},
        {"1.5", Variant(1.5)},
        {"1.5e3", Variant(1500.0)},
        {"", Variant::null()},
    };
    for (const Lit &l : lits) {
        SCOPED_TRACE(l.text);
        const Variant v = ovLiteralToVariant(QString::fromLatin1(l.text));
        EXPECT_EQ(v.varType(), l.expected.varType());
        if (!v.isNull()) {
            EXPECT_TRUE(v == l.expected);
        }
    }
    EXPECT_THROW(ovLiteralToVariant(QStringLiteral("1.2.3")), EConvertError);
    {
        // The literal's "." is the decimal point whatever the settings say.
        FormatSettings comma;
        comma.DecimalSeparator = u',';
        ScopedFormatSettings scope(comma);
        EXPECT_EQ(ovLiteralToVariant(QStringLiteral("2.25")).toDouble(), 2.25);
    }

    EXPECT_EQ(ovSourcePosToPoint(QStringLiteral("12:7")), QPoint(7, 12));
    EXPECT_EQ(ovSourcePosToPoint(QString()), QPoint(0, 0));
    EXPECT_THROW(ovSourcePosToPoint(QStringLiteral("12")), EConvertError);
    EXPECT_THROW(ovSourcePosToPoint(QStringLiteral("a:1")), EConvertError);
}

TEST(TypeCompat, TypedArgumentRecords)
{
    const QString longText(300, u'x');
    QObject obj;
    const Variant args = VarArrayOf({Variant(1), Variant(true), Variant(1.5), Variant::fromCurrencyValue(2.25),
                                     Variant::fromInt64(1LL << 40), Variant(longText),
                                     Variant::fromString(QStringLiteral("w"), varOleStr),
                                     Variant::fromString(QStringLiteral("u"), varUString), Variant::null(),
                                     Variant::fromObject(&obj)});
    QList<TovVarRec> recs = ovVariantToVarRecArray(args);
    ASSERT_EQ(recs.size(), 10);
    const TovVarRecType tags[] = {vtInteger, vtBoolean, vtExtended, vtExtended, vtInt64,
                                  vtString, vtWideString, vtUnicodeString, vtInteger, vtObject};
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(recs[i].VType, tags[i]) << i;
    EXPECT_EQ(recs[5].VString.size(), 300);  // long texts are kept whole
    EXPECT_EQ(recs[3].VExtended, 2.25);

    EXPECT_TRUE(ovVarRecToVariant(recs[0]) == Variant(1));
    EXPECT_EQ(ovVarRecToVariant(recs[4]).varType(), varInt64);
    EXPECT_EQ(ovVarRecToVariant(recs[5]).toString(), longText);
    EXPECT_EQ(ovVarRecToVariant(recs[9]).object(), &obj);
    TovVarRec ch;
    ch.VType = vtWideChar;
    ch.VChar = u'Z';
    EXPECT_EQ(ovVarRecToVariant(ch).toString(), QStringLiteral("Z"));
    TovVarRec ptr;
    ptr.VType = vtPointer;
    EXPECT_TRUE(ovVarRecToVariant(ptr).isNull());
    ovClearVarRecArray(recs);
    EXPECT_TRUE(recs.isEmpty());
    EXPECT_TRUE(ovVariantToVarRecArray(Variant(5)).isEmpty());
}

struct ParamExpect {
    const char *name;
    TovVarType typ;
    bool isVar;
    bool optional;
    Variant def;
};

struct DeclCase {
    const char *text;
    const char *name;
    bool isFunc;
    bool isMacro;
    TovVarType typ;
    const char *typeName;
    std::vector<ParamExpect> params;
};

TEST(DeclarationParser, Declarations)
{
    FakeScope scope;
    const Variant kNull = Variant::null();
    const DeclCase cases[] = {
        {"function Pos(substr, s: String): Integer", "Pos", true, false, fvtInt, "Integer",
         {{"substr", fvtString, false, false, kNull}, {"s", fvtString, false, false, kNull}}},
        {"procedure Dec(var i: Integer; decr: Integer = 1)", "Dec", false, false, fvtClass, "",
         {{"i", fvtInt, true, false, kNull}, {"decr", fvtInt, false, true, Variant(1)}}},
        {"macrofunction COUNT(Band: Variant = 0; Flags: Integer = 0): Variant", "COUNT", true, true, fvtVariant,
         "Variant", {{"Band", fvtVariant, false, true, Variant(0)}, {"Flags", fvtInt, false, true, Variant(0)}}},
        {"macrofunction SUM(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant", "SUM", true, true,
         fvtVariant, "Variant",
         {{"Expr", fvtVariant, false, false, kNull},
          {"Band", fvtVariant, false, true, Variant(0)},
          {"Flags", fvtInt, false, true, Variant(0)}}},
        {"function Copy(s: String; from, count: Integer = 1): String", "Copy", true, false, fvtString, "String",
         {{"s", fvtString, false, false, kNull},
          {"from", fvtInt, false, false, kNull},
          {"count", fvtInt, false, true, Variant(1)}}},
        {"function BoolToStr(B: Boolean): string;", "BoolToStr", true, false, fvtString, "string",
         {{"B", fvtBool, false, false, kNull}}},
        {"function StrToBool(const S: string): Boolean;", "StrToBool", true, false, fvtBool, "Boolean",
         {{"S", fvtString, false, false, kNull}}},
        {"function Date: TDateTime", "Date", true, false, fvtFloat, "TDateTime", {}},
        {"procedure Randomize", "Randomize", false, false, fvtClass, "", {}},
        {"function Format(Fmt: String; Args: array): String", "Format", true, false, fvtString, "String",
         {{"Fmt", fvtString, false, false, kNull}, {"Args", fvtArray, false, false, kNull}}},
        {"procedure DecodeDate(Date: TDateTime; var Year, Month, Day: Word)", "DecodeDate", false, false, fvtClass,
         "",
         {{"Date", fvtFloat, false, false, kNull},
          {"Year", fvtInt, true, false, kNull},
          {"Month", fvtInt, true, false, kNull},
          {"Day", fvtInt, true, false, kNull}}},
        {"function F(x: Integer = -5; s: String = 'a b'; c: Variant = MyConst; d: Variant = Nowhere): TMyObject",
         "F", true, false, fvtClass, "TMyObject",
         {{"x", fvtInt, false, true, Variant(-5)},
          {"s", fvtString, false, true, Variant("a b")},
          {"c", fvtVariant, false, true, Variant(42)},
          {"d", fvtVariant, false, true, kNull}}},
        {"function G(e: Extended = 2.5; { note } n: Int64 = $10): Extended", "G", true, false, fvtFloat, "Extended",
         {{"e", fvtFloat, false, true, Variant(2.5)}, {"n", fvtInt64, false, true, Variant(16)}}},
        // Untyped names give no parameters; malformed texts yield what is found.
        {"procedure P(a, b)", "P", false, false, fvtClass, "", {}},
        {"", "", false, false, fvtClass, "", {}},
        {"function (", "", true, false, fvtClass, "", {}},
    };
    for (const DeclCase &c : cases) {
        SCOPED_TRACE(c.text);
        const TovMethodDecl d = ovParseMethodSyntax(QString::fromLatin1(c.text), &scope);
        EXPECT_EQ(d.Name, QString::fromLatin1(c.name));
        EXPECT_EQ(d.IsFunc, c.isFunc);
        EXPECT_EQ(d.IsMacro, c.isMacro);
        EXPECT_EQ(d.Typ, c.typ);
        EXPECT_EQ(d.TypeName, QString::fromLatin1(c.typeName));
        ASSERT_EQ(d.Params.size(), qsizetype(c.params.size()));
        for (size_t i = 0; i < c.params.size(); ++i) {
            const TovParamDecl &p = d.Params[qsizetype(i)];
            const ParamExpect &e = c.params[i];
            SCOPED_TRACE(e.name);
            EXPECT_EQ(p.Name, QString::fromLatin1(e.name));
            EXPECT_EQ(p.Typ, e.typ);
            EXPECT_EQ(p.IsVarParam, e.isVar);
            EXPECT_EQ(p.IsOptional, e.optional);
            EXPECT_EQ(p.DefValue.varType(), e.def.varType());
            if (!e.def.isNull()) {
                EXPECT_TRUE(p.DefValue == e.def);
            }
        }
    }
}

} // namespace
