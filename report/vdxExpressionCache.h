// Compiled report expressions: each expression becomes one function of a
// private program, compiled once and called again on every evaluation.
#pragma once
#include "core/vdVariant.h"

#include <QMap>
#include <QString>
#include <memory>

class TovScript;
class TovCustomVariable;

// The binding modules every report script and expression sees (one program
// per thread: module items keep call state).
TovScript *vdxReportScriptModules();

class TvdxExpressionCache {
public:
    // AScript is the report's script (not owned): its running procedure
    // gives the cache keys their procedure prefix.
    explicit TvdxExpressionCache(TovScript *aScript);
    ~TvdxExpressionCache();
    TvdxExpressionCache(const TvdxExpressionCache &) = delete;
    TvdxExpressionCache &operator=(const TvdxExpressionCache &) = delete;

    void Clear();
    // The value of Expression in the context of AScript (its variables and
    // those of its parents). A failure leaves its message in errorMsg.
    Variant Calc(const QString &expression, QString &errorMsg, TovScript *aScript);

    // The function text of expression number n in a language; empty for a
    // language without one.
    static QString FunctionText(const QString &language, int n, const QString &expression);

    QString ScriptLanguage() const { return FScriptLanguage; }
    void SetScriptLanguage(const QString &value) { FScriptLanguage = value; }
    bool CaseSensitive() const { return FCaseSensitive; }
    void SetCaseSensitive(bool value);
    int Count() const { return int(FExpressions.size()); }
    // The own program, for tests and the fuzz target.
    TovScript *Script() const { return FScript.get(); }

private:
    QString keyOf(const QString &key) const { return FCaseSensitive ? key : key.toUpper(); }

    QMap<QString, TovCustomVariable *> FExpressions;
    TovScript *FMainScript;
    std::unique_ptr<TovScript> FScript;
    QString FScriptLanguage;
    bool FCaseSensitive = true;
    int FNumber = 0;
};
