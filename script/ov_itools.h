// Shared helpers of the script engine: declared types and their compatibility,
// literal and typed-argument conversions, declaration strings of host functions
// and line:col positions.
#pragma once
#include "core/vdVariant.h"

#include <QList>
#include <QPoint>
#include <QString>

class TovXMLItem;

// Declared type of a script item.
enum TovVarType {
    fvtInt,
    fvtBool,
    fvtFloat,
    fvtChar,
    fvtString,
    fvtClass,
    fvtArray,
    fvtVariant,
    fvtEnum,
    fvtConstructor,
    fvtInt64
};

struct TovTypeRec {
    TovVarType Typ = fvtVariant;
    QString TypeName;
};

// What the helpers need to know about the names of a program (through its
// parents); the program object implements it.
class TovTypeScope {
public:
    virtual ~TovTypeScope() = default;
    // Declared type of the item of that name; false when there is none.
    virtual bool FindItemType(const QString &name, TovVarType &typ) const = 0;
    // Current value of the item of that name; false when there is none.
    virtual bool FindItemValue(const QString &name, Variant &value) const = 0;
    // True when both names are registered classes and the descendant's class is
    // the ancestor's class or inherits from it.
    virtual bool ClassInherits(const QString &ancestor, const QString &descendant) const = 0;
    // Characters 128-255 are identifier characters.
    virtual bool ExtendedCharset() const { return false; }
};

// The type an item name stands for; fvtClass for a name no item has.
TovVarType ovStrToVarType(const QString &name, const TovTypeScope *scope);
bool ovClassInherits(const QString &ancestor, const QString &descendant, const TovTypeScope *scope);
// Whether a value of type `source` may go where `target` is declared.
bool ovTypesCompatible(const TovTypeRec &target, const TovTypeRec &source, const TovTypeScope *scope);
// As ovTypesCompatible, except that an Integer variable takes no Float value.
bool ovVariablesCompatible(const TovTypeRec &target, const TovTypeRec &source, const TovTypeScope *scope);

// Typed argument records of untyped argument lists (formatting, host events).
enum TovVarRecType : quint8 {
    vtInteger = 0,
    vtBoolean = 1,
    vtChar = 2,
    vtExtended = 3,
    vtString = 4,
    vtPointer = 5,
    vtPChar = 6,
    vtObject = 7,
    vtClass = 8,
    vtWideChar = 9,
    vtPWideChar = 10,
    vtAnsiString = 11,
    vtCurrency = 12,
    vtVariant = 13,
    vtInterface = 14,
    vtWideString = 15,
    vtInt64 = 16,
    vtUnicodeString = 17
};

struct TovVarRec {
    TovVarRecType VType = vtInteger;
    qint32 VInteger = 0;
    bool VBoolean = false;
    QChar VChar;
    double VExtended = 0;
    qint64 VCurrency = 0;  // scaled by 10000
    qint64 VInt64 = 0;
    QString VString;       // every text tag
    Variant VVariant;
    QObject *VObject = nullptr;
};

Variant ovVarRecToVariant(const TovVarRec &rec);
// Elements 0 to the high bound of a variant array as typed records; the records
// own their storage, so clearing the list releases everything.
QList<TovVarRec> ovVariantToVarRecArray(const Variant &values);
inline void ovClearVarRecArray(QList<TovVarRec> &records) { records.clear(); }

// A literal of the intermediate script: 'text', an integer (decimal or "$" hex:
// Integer when it fits 32 bits, else Int64), or a float; empty gives Null.
Variant ovLiteralToVariant(const QString &text);

// Declaration strings of host functions, such as
// "function Copy(s: String; from, count: Integer): String".
struct TovParamDecl {
    QString Name;
    TovVarType Typ = fvtVariant;
    QString TypeName;
    bool IsOptional = false;
    bool IsVarParam = false;
    Variant DefValue = Variant::null();
};

struct TovMethodDecl {
    QString Name;
    bool IsFunc = false;
    bool IsMacro = false;  // arguments arrive as their source text
    TovVarType Typ = fvtClass;
    QString TypeName;      // result type; empty for a procedure
    QList<TovParamDecl> Params;
};

// Reads a declaration without validating it; a malformed one yields whatever is found.
TovMethodDecl ovParseMethodSyntax(const QString &declaration, const TovTypeScope *scope);

// "line:col" as X = col, Y = line; empty gives (0, 0); a bad text raises EConvertError.
QPoint ovSourcePosToPoint(const QString &pos);

// One entry of a program's item list as the contents tree shows it.
struct TovContentsMember {
    enum Kind { Property, Method, IndexProperty, Other };
    Kind MemberKind = Other;
    QString Name;
    QString TypeName;     // display type name of a property
    QString Declaration;  // declaration string of a method or indexed property
};

struct TovContentsItem {
    enum Kind { Function, Class, Variable };
    Kind ItemKind = Variable;
    QString Name;
    // Registered functions.
    QString Category;
    QString Declaration;
    QString Description;
    // Classes.
    QString Ancestor;
    QList<TovContentsMember> Members;
    // Variables and constants.
    TovVarType Typ = fvtVariant;
    QString TypeName;         // the enumeration's name for fvtEnum
    QString DisplayTypeName;  // as GetFullTypeName gives it
    bool IsReadOnly = false;
    Variant Value;
};

// Fills root with the children "Functions", "Classes", "Types", "Variables" and
// "Constants" (kept when present) describing the items, in their order.
void ovBuildContentsTree(const QList<TovContentsItem> &items, TovXMLItem *root, bool functionsOnly);

// True when the calling thread is near the end of its stack: recursive
// walkers stop there with an error instead of crashing, whatever the stack
// size of the thread they run on.
bool ovStackLow();
