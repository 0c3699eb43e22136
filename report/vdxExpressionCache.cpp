#include "report/vdxExpressionCache.h"

#include "core/vdxRes.h"
#include "script/ov_iinterpreter.h"

namespace {

QString exprErrorText()
{
    const QString t = GetResStrByName(QStringLiteral("clExprError"));
    return t.isEmpty() || t == QLatin1String("clExprError") ? QStringLiteral("Error in expression") : t;
}

bool sameLanguage(const QString &a, const char *b) { return a.compare(QLatin1String(b), Qt::CaseInsensitive) == 0; }

} // namespace

TvdxExpressionCache::TvdxExpressionCache(TovScript *aScript)
    : FMainScript(aScript), FScript(std::make_unique<TovScript>(nullptr))
{
    FScript->TovILProgram::ExtendedCharset = true;
}

TvdxExpressionCache::~TvdxExpressionCache() = default;

void TvdxExpressionCache::Clear()
{
    FExpressions.clear();
    FScript->SetParent(nullptr);
    FScript->Clear();
}

void TvdxExpressionCache::SetCaseSensitive(bool value)
{
    if (value == FCaseSensitive)
        return;
    // Keys change their form: compiled functions are kept, their keys dropped.
    FExpressions.clear();
    FCaseSensitive = value;
}

QString TvdxExpressionCache::FunctionText(const QString &language, int n, const QString &expression)
{
    const QString num = QString::number(n);
    if (sameLanguage(language, "VevuvaRirivo"))
        return QLatin1String("function vd3f") + num + QLatin1String(": Variant; begin ") + QLatin1String("Result := ") +
               expression + QLatin1String(" end; begin end.");
    if (sameLanguage(language, "D++Edirud"))
        return QLatin1String("Variant vd3f") + num + QLatin1String("() { ") + QLatin1String("return ") + expression +
               QLatin1String("; } {}");
    if (sameLanguage(language, "DadavOvurid"))
        return QLatin1String("function vd3f") + num + QLatin1String("\r\n") + QLatin1String("return ") + expression +
               QLatin1String("\r\n") + QLatin1String("end function");
    if (sameLanguage(language, "JScript"))
        return QLatin1String("function vd3f") + num + QLatin1String("() { ") + QLatin1String("return ") + expression +
               QLatin1String("; }");
    return QString();
}

Variant TvdxExpressionCache::Calc(const QString &expression, QString &errorMsg, TovScript *aScript)
{
    errorMsg.clear();
    FScript->SetParent(aScript);
    FScript->SetSharedItems(vdxReportScriptModules());
    QString key = expression;
    if (FMainScript && FMainScript->ProgRunning()) {
        const QString prog = FMainScript->ProgName();
        if (!prog.isEmpty())
            key = prog + QLatin1Char('.') + expression;
    }
    key = keyOf(key);

    TovCustomVariable *func = FExpressions.value(key);
    if (!func) {
        const int n = int(FExpressions.size());
        const QString name = QLatin1String("vd3f") + QString::number(n);
        const QString text = FunctionText(FScriptLanguage, n, expression);
        QString compileError;
        if (text.isEmpty()) {
            // Without a text for the language nothing could be compiled.
            compileError = QStringLiteral("Expressions cannot be compiled in the language '%1'").arg(FScriptLanguage);
        } else {
            FScript->SetLines(QStringList{text});
            FScript->SetSyntaxType(FScriptLanguage);
            try {
                if (!FScript->Compile())
                    compileError = FScript->ErrorMsg.isEmpty() ? QStringLiteral("Compile error") : FScript->ErrorMsg;
            } catch (const Exception &e) {
                // An unknown grammar raises while it is selected.
                compileError = e.message();
            }
        }
        func = FScript->FindLocal(name);
        if (func && func->ItemKind() != TovCustomVariable::ikProc)
            func = nullptr;
        if (!compileError.isEmpty() || !func) {
            if (TovCustomVariable *item = FScript->FindLocal(name)) {
                FScript->Remove(item);
                delete item;
            }
            if (compileError.isEmpty())
                compileError = QStringLiteral("Not a single expression");
            errorMsg = exprErrorText() + QLatin1String(" '") + expression + QLatin1String("': ") + compileError;
            return Variant::null();
        }
        FExpressions.insert(key, func);
    }

    struct MainProgGuard {
        TovScript *s;
        bool saved;
        ~MainProgGuard() { s->MainProg = saved; }
    } guard{FScript.get(), FScript->MainProg};
    FScript->MainProg = true;
    try {
        return func->GetValue();
    } catch (const Exception &e) {
        errorMsg = e.message();
    }
    return Variant::null();
}
