#include "script/ov_itools.h"

#include "core/vdFormatSettings.h"
#include "script/ov_iparser.h"
#include "script/ov_xml.h"

#include <algorithm>
#include <limits>
#include <pthread.h>

// ----- types -----

TovVarType ovStrToVarType(const QString &name, const TovTypeScope *scope)
{
    TovVarType typ;
    if (scope && !name.isEmpty() && scope->FindItemType(name, typ))
        return typ;
    return fvtClass;
}

bool ovClassInherits(const QString &ancestor, const QString &descendant, const TovTypeScope *scope)
{
    return scope && scope->ClassInherits(ancestor, descendant);
}

bool ovTypesCompatible(const TovTypeRec &target, const TovTypeRec &source, const TovTypeScope *scope)
{
    const TovVarType s = source.Typ;
    switch (target.Typ) {
    case fvtInt:
    case fvtInt64:
        return s == fvtInt || s == fvtFloat || s == fvtVariant || s == fvtEnum || s == fvtInt64;
    case fvtBool:
        return s == fvtBool || s == fvtVariant;
    case fvtFloat:
        return s == fvtInt || s == fvtFloat || s == fvtVariant;
    case fvtChar:
    case fvtString:
        return s == fvtChar || s == fvtString || s == fvtVariant;
    case fvtClass:
        return s == fvtVariant || (s == fvtClass && ovClassInherits(target.TypeName, source.TypeName, scope));
    case fvtArray:
        return s == fvtArray || s == fvtVariant;
    case fvtVariant:
        return true;
    case fvtEnum:
        return s == fvtInt || s == fvtVariant || s == fvtInt64
            || (s == fvtEnum && target.TypeName.compare(source.TypeName, Qt::CaseInsensitive) == 0);
    case fvtConstructor:
        return false;
    }
    return false;
}

bool ovVariablesCompatible(const TovTypeRec &target, const TovTypeRec &source, const TovTypeScope *scope)
{
    if (target.Typ == fvtInt && source.Typ == fvtFloat)
        return false;
    return ovTypesCompatible(target, source, scope);
}

// ----- typed argument records -----

Variant ovVarRecToVariant(const TovVarRec &rec)
{
    switch (rec.VType) {
    case vtInteger:
        return Variant(int(rec.VInteger));
    case vtObject:
        // Objects travel as checked references, never as addresses.
        return Variant::fromObject(rec.VObject);
    case vtBoolean:
        return Variant(rec.VBoolean);
    case vtChar:
    case vtWideChar:
        return Variant(QString(rec.VChar));
    case vtExtended:
        return Variant(rec.VExtended);
    case vtCurrency:
        return Variant(double(rec.VCurrency) / 10000.0);
    case vtString:
    case vtAnsiString:
    case vtWideString:
    case vtUnicodeString:
        return Variant(rec.VString);
    case vtVariant:
        return rec.VVariant;
    case vtInt64:
        return Variant::fromInt64(rec.VInt64);
    default:
        return Variant::null();
    }
}

QList<TovVarRec> ovVariantToVarRecArray(const Variant &values)
{
    QList<TovVarRec> out;
    if (!values.isArray())
        return out;
    const int high = values.arrayHighBound(1);
    const int low = values.arrayLowBound(1);
    for (int i = 0; i <= high; ++i) {
        TovVarRec rec;
        if (i >= low) {
            const Variant v = values.arrayGet(i);
            switch (v.varType()) {
            case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
                rec.VType = vtInteger;
                rec.VInteger = qint32(v.rawInt());
                break;
            case varLongWord:
                // A long word above the Integer range keeps its value as Int64.
                if (v.rawInt() > std::numeric_limits<qint32>::max()) {
                    rec.VType = vtInt64;
                    rec.VInt64 = v.rawInt();
                } else {
                    rec.VType = vtInteger;
                    rec.VInteger = qint32(v.rawInt());
                }
                break;
            case varSingle: case varDouble: case varCurrency: case varDate:
                rec.VType = vtExtended;
                rec.VExtended = v.toDouble();
                break;
            case varOleStr:
                rec.VType = vtWideString;
                rec.VString = v.rawString();
                break;
            case varBoolean:
                rec.VType = vtBoolean;
                rec.VBoolean = v.rawBool();
                break;
            case varInt64:
                rec.VType = vtInt64;
                rec.VInt64 = v.rawInt();
                break;
            case varString:
                // The whole text: no cut to a short string.
                rec.VType = vtString;
                rec.VString = v.rawString();
                break;
            case varUString:
                rec.VType = vtUnicodeString;
                rec.VString = v.rawString();
                break;
            case varDispatch:
                rec.VType = vtObject;
                rec.VObject = v.object();
                break;
            default:
                if (v.isArray()) {
                    rec.VType = vtVariant;
                    rec.VVariant = v;
                }
                break;
            }
        }
        out.append(std::move(rec));
    }
    return out;
}

// ----- literals and positions -----

Variant ovLiteralToVariant(const QString &text)
{
    if (text.isEmpty())
        return Variant::null();
    if (text.startsWith(QLatin1Char('\'')))
        return Variant(text.mid(1, text.size() - 2));
    qint64 i;
    if (TryStrToInt64(text, i)) {
        if (i >= std::numeric_limits<qint32>::min() && i <= std::numeric_limits<qint32>::max())
            return Variant(int(i));
        return Variant::fromInt64(i);
    }
    const FormatSettings &fs = DefaultFormatSettings();
    QString t = text;
    t.replace(QLatin1Char('.'), fs.DecimalSeparator);
    double d;
    if (!TryStrToFloat(t, d, fs))
        throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
    return Variant(d);
}

QPoint ovSourcePosToPoint(const QString &pos)
{
    if (pos.isEmpty())
        return QPoint(0, 0);
    const qsizetype colon = pos.indexOf(QLatin1Char(':'));
    const QString line = colon < 0 ? QString() : pos.left(colon);
    const QString col = colon < 0 ? pos : pos.mid(colon + 1, 255);
    return QPoint(StrToInt(col), StrToInt(line));
}

// ----- declaration strings -----

TovMethodDecl ovParseMethodSyntax(const QString &declaration, const TovTypeScope *scope)
{
    TovMethodDecl decl;
    TovParser p;
    if (scope && scope->ExtendedCharset()) {
        TovIdentifierCharset cs = p.IdentifierCharset();
        for (int c = 128; c < 256; ++c)
            cs.set(size_t(c));
        p.SetIdentifierCharset(cs);
    }
    p.SetText(declaration);

    QString kind = p.GetWord();
    if (kind.startsWith(QLatin1String("macro"), Qt::CaseInsensitive)) {
        decl.IsMacro = true;
        kind = kind.mid(5);
    }
    decl.IsFunc = kind.compare(QLatin1String("function"), Qt::CaseInsensitive) == 0;
    decl.Name = p.GetWord();

    if (decl.IsFunc) {
        const qsizetype colon = declaration.lastIndexOf(QLatin1Char(':'));
        if (colon >= 0) {
            TovParser tp;
            tp.SetIdentifierCharset(p.IdentifierCharset());
            tp.SetText(declaration.mid(colon + 1));
            decl.TypeName = tp.GetWord();
        }
    }
    decl.Typ = ovStrToVarType(decl.TypeName, scope);

    p.SkipSpaces();
    if (p.GetChar() != QLatin1String("("))
        return decl;
    for (;;) {
        bool isVar = false;
        QString word = p.GetWord();
        if (word.compare(QLatin1String("var"), Qt::CaseInsensitive) == 0) {
            isVar = true;
            word = p.GetWord();
        } else if (word.compare(QLatin1String("const"), Qt::CaseInsensitive) == 0) {
            word = p.GetWord();
        }
        QStringList names;
        if (!word.isEmpty())
            names.append(word);
        p.SkipSpaces();
        QString sep = p.GetChar();
        while (sep == QLatin1String(",")) {
            const QString n = p.GetWord();
            if (!n.isEmpty())
                names.append(n);
            p.SkipSpaces();
            sep = p.GetChar();
        }
        if (sep != QLatin1String(":"))
            break;  // untyped names give no parameters
        const QString typeName = p.GetWord();
        const TovVarType typ = ovStrToVarType(typeName, scope);
        bool hasDefault = false;
        Variant defValue = Variant::null();
        p.SkipSpaces();
        sep = p.GetChar();
        if (sep == QLatin1String("=")) {
            hasDefault = true;
            p.SkipSpaces();
            const int save = p.Position();
            QString minus;
            if (p.GetChar() == QLatin1String("-"))
                minus = QStringLiteral("-");
            else
                p.SetPosition(save);
            QString lit = p.GetNumber();
            if (!lit.isEmpty()) {
                defValue = ovLiteralToVariant(minus + lit);
            } else if (!(lit = p.GetString()).isEmpty()) {
                defValue = ovLiteralToVariant(lit);
            } else {
                const QString ident = p.GetWord();
                Variant v;
                if (scope && !ident.isEmpty() && scope->FindItemValue(ident, v))
                    defValue = v;
            }
            p.SkipSpaces();
            sep = p.GetChar();
        }
        for (qsizetype i = 0; i < names.size(); ++i) {
            TovParamDecl par;
            par.Name = names[i];
            par.Typ = typ;
            par.TypeName = typeName;
            par.IsVarParam = isVar;
            if (hasDefault && i == names.size() - 1) {
                par.IsOptional = true;
                par.DefValue = defValue;
            }
            decl.Params.append(par);
        }
        if (sep != QLatin1String(";"))
            break;
    }
    return decl;
}

// ----- contents tree -----

namespace {

QString valueText(const Variant &v)
{
    try {
        return VarToStr(v);
    } catch (const Exception &) {
        return QString();  // arrays and objects have no text
    }
}

} // namespace

void ovBuildContentsTree(const QList<TovContentsItem> &items, TovXMLItem *root, bool functionsOnly)
{
    TovXMLItem *functions = root->FindItem(QStringLiteral("Functions"));
    TovXMLItem *classes = root->FindItem(QStringLiteral("Classes"));
    TovXMLItem *types = root->FindItem(QStringLiteral("Types"));
    TovXMLItem *variables = root->FindItem(QStringLiteral("Variables"));
    TovXMLItem *constants = root->FindItem(QStringLiteral("Constants"));

    // Enumeration members gathered per type, in order of first appearance.
    QList<TovXMLItem *> enumNodes;
    QList<QStringList> enumNames;

    for (const TovContentsItem &it : items) {
        if (functionsOnly && it.ItemKind != TovContentsItem::Function)
            continue;
        switch (it.ItemKind) {
        case TovContentsItem::Function: {
            TovXMLItem *cat = functions->FindItem(it.Category);
            cat->SetProp(QStringLiteral("text"), it.Category);
            TovXMLItem *node = cat->Add();
            node->SetName(QStringLiteral("item"));
            node->SetProp(QStringLiteral("text"), it.Declaration);
            node->SetProp(QStringLiteral("description"), it.Description);
            break;
        }
        case TovContentsItem::Class: {
            TovXMLItem *node = classes->Add();
            node->SetName(QStringLiteral("item"));
            node->SetProp(QStringLiteral("text"), it.Name + QStringLiteral(" = class(") + it.Ancestor + QLatin1Char(')'));
            for (const TovContentsMember &m : it.Members) {
                TovXMLItem *mn = node->Add();
                mn->SetName(QStringLiteral("item"));
                QString text;
                switch (m.MemberKind) {
                case TovContentsMember::Property:
                    text = QStringLiteral("property ") + m.Name + QStringLiteral(": ") + m.TypeName;
                    break;
                case TovContentsMember::Method:
                    text = m.Declaration;
                    break;
                case TovContentsMember::IndexProperty: {
                    // The declaration's first word becomes "index property".
                    const QString d = m.Declaration.trimmed();
                    const qsizetype sp = d.indexOf(QLatin1Char(' '));
                    text = QStringLiteral("index property") + (sp < 0 ? QString() : d.mid(sp));
                    break;
                }
                case TovContentsMember::Other:
                    text = QStringLiteral("event ") + m.Name;
                    break;
                }
                mn->SetProp(QStringLiteral("text"), text);
            }
            break;
        }
        case TovContentsItem::Variable: {
            if (it.Typ == fvtEnum) {
                if (it.Name.compare(it.TypeName, Qt::CaseInsensitive) == 0)
                    break;
                TovXMLItem *tn = types->FindItem(it.TypeName);
                qsizetype k = enumNodes.indexOf(tn);
                if (k < 0) {
                    enumNodes.append(tn);
                    enumNames.append(QStringList());
                    k = enumNodes.size() - 1;
                }
                enumNames[k].append(it.Name);
                break;
            }
            TovXMLItem *node = (it.IsReadOnly ? constants : variables)->Add();
            node->SetName(QStringLiteral("item"));
            QString text = it.Name + QStringLiteral(": ") + it.DisplayTypeName;
            if (it.IsReadOnly)
                text += QStringLiteral(" = ") + valueText(it.Value);
            node->SetProp(QStringLiteral("text"), text);
            break;
        }
        }
    }

    for (int i = 0; i < types->Count(); ++i) {
        TovXMLItem *tn = types->Items(i);
        if (tn->Name().compare(QLatin1String("item"), Qt::CaseInsensitive) == 0)
            continue;
        const qsizetype k = enumNodes.indexOf(tn);
        const QStringList names = k < 0 ? QStringList() : enumNames[k];
        const QString typeName = tn->Name();
        tn->SetName(QStringLiteral("item"));
        tn->SetText(QString());
        tn->SetProp(QStringLiteral("text"), typeName + QStringLiteral(": (") + names.join(QLatin1Char(',')) + QLatin1Char(')'));
    }
}

namespace {
// The library is linked statically: the cheap thread-local model is safe.
__attribute__((tls_model("initial-exec"))) thread_local const char *tStackLimit = nullptr;

// The lowest address this thread's recursion may reach, leaving room for the
// host and the run-time library below the deepest level.
const char *stackLimit()
{
    if (!tStackLimit) {
        pthread_attr_t attr;
        void *addr = nullptr;
        size_t size = 0;
        if (pthread_getattr_np(pthread_self(), &attr) == 0) {
            pthread_attr_getstack(&attr, &addr, &size);
            pthread_attr_destroy(&attr);
        }
        const size_t margin = std::min<size_t>(size / 4, 512 * 1024);
        tStackLimit = addr && size > margin ? static_cast<const char *>(addr) + margin : reinterpret_cast<const char *>(1);
    }
    return tStackLimit;
}
} // namespace

bool ovStackLow()
{
    // The frame address, not a local's: with stack-use-after-return checking
    // on, locals live in a heap-allocated fake frame.
    return static_cast<const char *>(__builtin_frame_address(0)) < stackLimit();
}
