// Expressions of the report: the identifier resolver (data fields, system
// variables, report and global variables, script values), the compiled
// expression cache, and the functions every report script sees.
#include "report/vdxClass_report.h"

#include "core/vdxRes.h"
#include "core/vdxVariables.h"
#include "report/vdxClass_bases.h"
#include "report/vdxClass_dataset.h"
#include "report/vdxClass_view.h"
#include "report/vdxExpressionCache.h"
#include "report/vdxPreviewPagesList.h"
#include "script/ov_iclasses.h"
#include "script/ov_iinterpreter.h"

namespace {

QString res(const char *key, const char *fallback)
{
    const QString k = QString::fromLatin1(key);
    const QString t = GetResStrByName(k);
    return (t.isEmpty() || t == k) ? QString::fromLatin1(fallback) : t;
}

bool isAggregateName(const QString &name)
{
    static const char *const names[] = {"SUM", "MIN", "MAX", "AVG", "COUNT"};
    for (const char *n : names)
        if (name == QLatin1String(n))
            return true;
    return false;
}

Variant param(const Variant &params, int index)
{
    if (!params.isArray() || index > params.arrayHighBound(1))
        return Variant();
    return params.arrayGet(index);
}

} // namespace

TovScript *vdxReportScriptModules()
{
    // Binding modules keep call state, so each thread has its own program of them.
    thread_local std::unique_ptr<TovScript> modules;
    if (!modules) {
        modules = std::make_unique<TovScript>(nullptr);
        modules->AddRTTI();
    }
    return modules.get();
}

// ---------------------------------------------------------------------------
bool TvdxReport::resolve(const QString &expr, Variant &value)
{
    value = Variant::null();
    if (const auto &hook = vdxVD2Events().OnGetValue) {
        value = Variant();
        hook(expr, value);
        if (!value.isEmpty())
            return true;
        value = Variant::null();
    }

    TvdxDataSet *ds = nullptr;
    QString field;
    GetDatasetAndField(expr, ds, field);
    if (ds && !field.isEmpty()) {
        value = ds->GetValue(field);
        if (m_engineOptions->ConvertNulls() && value.isNull()) {
            switch (ds->GetFieldType(field)) {
            case TvdxDataSet::fftString: value = Variant(QString()); break;
            case TvdxDataSet::fftBoolean: value = Variant(false); break;
            case TvdxDataSet::fftNumeric:
            case TvdxDataSet::fftDateTime: value = Variant(0); break;
            }
        }
        return true;
    }

    for (int i = 0; i < m_sysVariables.size(); ++i) {
        if (m_sysVariables[i].compare(expr, Qt::CaseInsensitive) != 0)
            continue;
        TvdxCustomEngine *e = m_engine.get();
        TvdxCustomPreviewPages *pages = PreviewPages();
        switch (i) {
        case 0: value = Variant::fromDate(e->StartDate); break;
        case 1: value = Variant::fromDate(e->StartTime); break;
        case 2: value = Variant(pages ? pages->GetLogicalPageNo() : 0); break;
        case 3: value = Variant(pages ? pages->CurPage + 1 : 0); break;
        case 4: value = Variant(pages ? pages->GetLogicalTotalPages() : 0); break;
        case 5: value = Variant(e->TotalPages); break;
        case 6: value = Variant(e->CurLine); break;
        case 7: value = Variant(e->CurLineThrough); break;
        case 8: value = vdxGlobalVariables()->GetVariable(QStringLiteral("CopyName0")); break;
        case 9: value = Variant(e->CurTableRow); break;
        case 10: value = Variant(e->CurTableColumn); break;
        default: break;
        }
        return true;
    }

    if (OnGetValue || OnNewGetValue) {
        value = Variant();
        if (OnGetValue)
            OnGetValue(expr, value);
        if (OnNewGetValue)
            OnNewGetValue(this, expr, value);
        if (!value.isEmpty())
            return true;
        value = Variant::null();
    }

    const int vi = m_variables->IndexOf(expr);
    if (vi >= 0) {
        value = m_variables->Items(vi)->Value();
        if (value.isString() && !value.rawString().contains(QLatin1String("\r\n"))) {
            // A variable holding an expression: a chain back to itself ends
            // with an error instead of endless recursion.
            const QString name = m_variables->Items(vi)->Name();
            if (m_evaluatingVariables.contains(name, Qt::CaseInsensitive)) {
                const QString msg = QStringLiteral("Variable '%1' refers to itself").arg(name);
                AddError(msg);
                throw EReportScriptError(msg);
            }
            m_evaluatingVariables.append(name);
            struct Pop {
                QStringList &l;
                ~Pop() { l.removeLast(); }
            } pop{m_evaluatingVariables};
            const QString text = value.rawString();
            value = Calc(text);
        }
        return true;
    }

    TvdxVariables *globals = vdxGlobalVariables();
    const int gi = globals->IndexOf(expr);
    if (gi >= 0) {
        value = globals->Items(gi)->Value();
        return true;
    }

    if (vdxVD2Events().OnGetScriptValue || !m_script)
        return false;
    TovCustomVariable *v = m_script->FindLocal(expr);
    if (v && v->ItemKind() != TovCustomVariable::ikProc && !dynamic_cast<TovMethodHelper *>(v)) {
        value = v->GetValue();
        return true;
    }
    return false;
}

Variant TvdxReport::calc(const QString &expr, TovScript *aScript, bool fromScript)
{
    TovScript *script = aScript ? aScript : m_script.get();
    m_script->SetSharedItems(vdxReportScriptModules());
    Variant value;
    if (resolve(expr, value))
        return value;
    if (m_expressionCache->ScriptLanguage().isEmpty())
        m_expressionCache->SetScriptLanguage(m_scriptLanguage);
    QString err;
    value = m_expressionCache->Calc(expr, err, script);
    if (err.isEmpty())
        return value;
    if (err == QLatin1String("Floating point division by zero") && m_engineOptions->IgnoreDevByZero())
        return value;
    if (m_engineOptions->IgnoreExprError())
        return Variant(expr);
    if (fromScript)
        throw EReportScriptError(res("clErrorInExp", "Error in Calc expression:") + err);
    const QString msg = m_curObject.isEmpty() ? err : m_curObject + QLatin1String(": ") + err;
    AddError(msg);
    throw EReportScriptError(msg);
}

Variant TvdxReport::Calc(const QString &expr, TovScript *aScript) { return calc(expr, aScript, false); }

Variant TvdxReport::CalcFromScript(const QString &expr) { return calc(expr, nullptr, true); }

bool TvdxReport::CaseSensitiveExpressions() const { return m_expressionCache->CaseSensitive(); }

void TvdxReport::SetCaseSensitiveExpressions(bool value) { m_expressionCache->SetCaseSensitive(value); }

void TvdxReport::SetSelfValue(TvdxComponent *value)
{
    m_selfValue = value;
    if (m_isScriptObjectsAdded)
        if (TovCustomVariable *v = m_script->FindLocal(QStringLiteral("Self")))
            v->SetValue(Variant::fromObject(value));
}

Variant TvdxReport::LocalValue() const
{
    TovCustomVariable *v = m_script->FindLocal(QStringLiteral("Value"));
    return v ? v->GetValue() : Variant::null();
}

void TvdxReport::SetLocalValue(const Variant &value)
{
    if (TovCustomVariable *v = m_script->FindLocal(QStringLiteral("Value")))
        v->SetValue(value);
}

// ---------------------------------------------------------------------------
// Get, Set, IIF and the aggregates, answered for activeReport.
void TvdxReport::addScriptMethods(TvdxReport *activeReport)
{
    TvdxReport *r = activeReport;
    TovCallMethodEvent onGet = [r](QObject *, const QMetaObject *, const QString &, Variant &params) -> Variant {
        const QString name = VarToStr(param(params, 0));
        Variant value;
        if (r->resolve(name, value))
            return value;
        const qsizetype paren = name.indexOf(QLatin1Char('('));
        if (paren >= 0 && isAggregateName(name.left(paren).trimmed().toUpper()))
            return r->Calc(name);
        if (const auto &hook = vdxVD2Events().OnGetScriptValue)
            return hook(params);
        if (r->EngineOptions()->IgnoreExprError())
            return Variant(name);
        r->AddError(res("clUnknownVar", "Unknown variable or datafield:") + QLatin1Char(' ') + name);
        return Variant();
    };
    TovCallMethodEvent onSet = [r](QObject *, const QMetaObject *, const QString &, Variant &params) -> Variant {
        r->Variables()->SetVariable(VarToStr(param(params, 0)), param(params, 1));
        return Variant();
    };
    TovCallMethodEvent onIIF = [r](QObject *, const QMetaObject *, const QString &, Variant &params) -> Variant {
        TovScript *ctx = r->Script()->ProgRunning();
        try {
            const Variant cond = r->Calc(VarToStr(param(params, 0)), ctx);
            return r->Calc(VarToStr(param(params, Variant::equals(cond, Variant(true)) ? 1 : 2)), ctx);
        } catch (const Exception &e) {
            // The result stays unassigned, but the failure is not lost.
            r->AddError(e.message());
        }
        return Variant();
    };
    TovCallMethodEvent onAggregate = [r](QObject *, const QMetaObject *, const QString &name,
                                         Variant &params) -> Variant {
        TovScript *script = r->Script();
        const QString progName = script->ProgName();
        if (!progName.isEmpty())
            script->SetProgName(QString());
        // The running procedure's name comes back whatever the aggregate does.
        struct Restore {
            TovScript *s;
            QString name;
            ~Restore()
            {
                if (!name.isEmpty())
                    s->SetProgName(name);
            }
        } restore{script, progName};
        TovScript *ctx = script->ProgRunning();
        QString expression;
        Variant band, flags;
        if (name == QLatin1String("COUNT")) {
            band = param(params, 0);
            flags = param(params, 1);
        } else {
            expression = VarToStr(param(params, 0));
            band = param(params, 1);
            flags = param(params, 2);
        }
        auto evaluate = [&](const Variant &arg) -> Variant {
            const QString text = VarToStr(arg).trimmed();
            return text.isEmpty() ? Variant(0) : r->Calc(text, ctx);
        };
        const Variant bandValue = evaluate(band);
        const Variant flagsValue = evaluate(flags);
        TvdxComponent *dataRow = bandValue.isObject() ? qobject_cast<TvdxComponent *>(bandValue.object()) : nullptr;
        return r->Engine()->GetAggregateValue(name, expression, dataRow, flagsValue.isNumeric() ? flagsValue.toInt() : 0);
    };
    m_script->AddMethod(QStringLiteral("function Get(Name: String): Variant"), onGet);
    m_script->AddMethod(QStringLiteral("procedure Set(Name: String; Value: Variant)"), onSet);
    m_script->AddMethod(
        QStringLiteral("macrofunction IIF(Expr: Boolean; TrueValue, FalseValue: Variant): Variant"), onIIF);
    for (const char *agg : {"SUM", "AVG", "MIN", "MAX"})
        m_script->AddMethod(QStringLiteral("macrofunction %1(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): "
                                           "Variant")
                                .arg(QLatin1String(agg)),
                            onAggregate);
    m_script->AddMethod(QStringLiteral("macrofunction COUNT(Band: Variant = 0; Flags: Integer = 0): Variant"),
                        onAggregate);
}

void TvdxReport::AddFunction(const QString &funcName, const QString &category, const QString &description)
{
    const TovAddedBy saved = m_script->AddedBy();
    m_script->SetAddedBy(ovAddedByReport);
    TovCallMethodEvent handler = [this](QObject *, const QMetaObject *, const QString &methodName,
                                        Variant &params) -> Variant {
        return OnUserFunction ? OnUserFunction(methodName, params) : Variant();
    };
    try {
        m_script->AddMethod(funcName, handler, category, description);
    } catch (...) {
        m_script->SetAddedBy(saved);
        throw;
    }
    m_script->SetAddedBy(saved);
}

// ---------------------------------------------------------------------------
void TvdxReport::DoNotifyEvent(QObject *obj, const QString &eventName, bool runAlways)
{
    if (eventName.isEmpty() || !(runAlways || m_engine->Running))
        return;
    m_script->CallFunction(eventName, Variant::arrayOf({Variant::fromObject(obj)}), true);
}

void TvdxReport::DoParamEvent(const QString &eventName, Variant &params, bool runAlways)
{
    if (eventName.isEmpty() || !(runAlways || m_engine->Running))
        return;
    m_script->CallFunction1(eventName, params, true);
}

void TvdxReport::DoBeforePrint(TvdxReportComponent *c)
{
    if (!c)
        return;
    if (OnBeforePrint)
        OnBeforePrint(c);
    DoNotifyEvent(c, c->OnBeforePrint());
}

void TvdxReport::DoAfterPrint(TvdxReportComponent *c)
{
    if (!c)
        return;
    if (OnAfterPrint)
        OnAfterPrint(c);
    DoNotifyEvent(c, c->OnAfterPrint());
}

void TvdxReport::DoPreviewClick(TvdxView *v, TvdxMouseButton button, TvdxShiftState shift, bool &modified,
                                TvdxInteractiveEventsParams &eventParams, bool dblClick)
{
    if (!v)
        return;
    v->MouseClick(dblClick, eventParams);
    Variant params = Variant::arrayOf({Variant::fromObject(v), Variant::fromSmallint(qint16(button)),
                                       Variant::fromByte(quint8(shift)), Variant(modified)});
    DoParamEvent(dblClick ? v->OnPreviewDblClick() : v->OnPreviewClick(), params, true);
    modified = param(params, 3).toBool();
    const auto &handler = dblClick ? OnDblClickObject : OnClickObject;
    if (handler)
        handler(v, button, shift, modified);
}

void TvdxReport::DoMouseEnter(TvdxView *sender, TvdxComponent *aPreviousObject,
                              TvdxInteractiveEventsParams &eventParams)
{
    if (!sender)
        return;
    sender->MouseEnter(aPreviousObject, eventParams);
    if (OnMouseEnter)
        OnMouseEnter(sender);
    if (!sender->OnMouseEnter().isEmpty()) {
        Variant params = Variant::arrayOf({Variant::fromObject(sender), Variant(eventParams.Refresh)});
        DoParamEvent(sender->OnMouseEnter(), params, true);
        eventParams.Refresh = param(params, 1).toBool();
    }
}

void TvdxReport::DoMouseLeave(TvdxView *sender, int x, int y, TvdxComponent *aNextObject,
                              TvdxInteractiveEventsParams &eventParams)
{
    if (!sender)
        return;
    sender->MouseLeave(x, y, aNextObject, eventParams);
    if (OnMouseLeave)
        OnMouseLeave(sender);
    if (!sender->OnMouseLeave().isEmpty()) {
        Variant params = Variant::arrayOf({Variant::fromObject(sender), Variant(eventParams.Refresh)});
        DoParamEvent(sender->OnMouseLeave(), params, true);
        eventParams.Refresh = param(params, 1).toBool();
    }
}

void TvdxReport::DoMouseUp(TvdxView *sender, int x, int y, TvdxMouseButton button, TvdxShiftState shift,
                           TvdxInteractiveEventsParams &eventParams)
{
    if (!sender)
        return;
    sender->MouseUp(x, y, button, shift, eventParams);
    if (sender->OnMouseUp().isEmpty())
        return;
    Variant params = Variant::arrayOf({Variant::fromObject(sender), Variant(x), Variant(y),
                                       Variant::fromSmallint(qint16(button)), Variant::fromByte(quint8(shift)),
                                       Variant(m_modified)});
    DoParamEvent(sender->OnMouseUp(), params, true);
    eventParams.Refresh = param(params, 5).toBool();
}
