// Expression evaluation of the report: one script program of the report's
// language evaluates what views, hyperlinks and tags hold in brackets.
#include "report/vdxClass_report.h"

#include "script/ov_iinterpreter.h"

Variant TvdxReport::Calc(const QString &expr)
{
    if (!m_calcScript)
        m_calcScript = std::make_shared<TovScript>();
    if (!m_scriptLanguage.isEmpty())
        m_calcScript->SetSyntaxType(m_scriptLanguage);
    QString msg;
    try {
        bool ok = true;
        Variant v = m_calcScript->Evaluate(expr, &ok);
        if (ok)
            return v;
        msg = VarToStr(v);
    } catch (const Exception &e) {
        msg = e.message();
    }
    if (EngineOptions() && EngineOptions()->IgnoreExprError())
        return Variant(expr);
    if (!m_curObject.isEmpty())
        msg = m_curObject + QLatin1String(": ") + msg;
    AddError(msg);
    throw EReportScriptError(msg);
}
