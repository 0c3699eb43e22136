// Evaluates arbitrary texts as report expressions: the first byte picks the
// language, the rest is the expression. Every failure must end as an error
// (an error line or a raised script error), never as a crash or a hang.
#include "core/vdxVariables.h"
#include "report/vdxClass_options.h"
#include "report/vdxClass_report.h"
#include "report/vdxExpressionCache.h"

#include <cstdint>
#include <memory>

namespace {

TvdxReport *preparedReport()
{
    static std::unique_ptr<TvdxReport> report = [] {
        vdxRegisterReportClasses();
        auto r = std::make_unique<TvdxReport>();
        r->EngineOptions()->SetNewSilentMode(TvdxEngineOptions::simSilent);
        TvdxVariables *v = r->Variables();
        v->SetVariable(QStringLiteral("Product"), Variant(QStringLiteral("2*3")));
        v->SetVariable(QStringLiteral("A"), Variant(QStringLiteral("B")));
        v->SetVariable(QStringLiteral("B"), Variant(QStringLiteral("<A> + 1")));
        v->SetVariable(QStringLiteral("Text"), Variant(QStringLiteral("two\r\nlines")));
        r->PrepareScript();
        return r;
    }();
    return report.get();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1 || size > 4096)
        return 0;
    static const char *const languages[] = {"VevuvaRirivo", "D++Edirud", "DadavOvurid", "JScript", "Unknown"};
    TvdxReport *report = preparedReport();
    const QString expr = QString::fromUtf8(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
    report->ExpressionCache()->Clear();
    report->ExpressionCache()->SetScriptLanguage(QLatin1String(languages[data[0] % 5]));
    report->EngineOptions()->SetIgnoreExprError(data[0] & 0x80);
    report->ClearErrors();
    try {
        report->Calc(expr);
    } catch (const Exception &) {
    }
    try {
        report->CalcFromScript(expr);
    } catch (const Exception &) {
    }
    return 0;
}
