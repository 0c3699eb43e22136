// The report makes its prepared pages and outline through these factories;
// the styles stored with prepared pages come in through the hooks.
#include "engine/vdxPreviewPages.h"

#include "report/vdxClass_report.h"
#include "report/vdxClass_styles.h"

namespace {
void installStyleHooks()
{
    TvdxPreviewPagesHooks &hooks = vdxPreviewPagesHooks();
    if (hooks.createStyles)
        return;
    hooks.createStyles = [](TvdxReport *report) { return new TvdxStyles(report); };
    hooks.freeStyles = [](TvdxStyles *styles) { delete styles; };
    hooks.finish = [](TvdxReport *report, TvdxCustomPreviewPages *pages) {
        if (report && report->Styles() && report->Styles()->StyleBookMode().testFlag(TvdxStyles::fsbPreview))
            pages->SetStyles(report->Styles());
    };
    hooks.assignAsPreview = [](TvdxStyles *to, TvdxStyles *from) { to->AssignAsPreview(from); };
    hooks.clear = [](TvdxStyles *styles) { styles->ClearAll(); };
    hooks.count = [](TvdxStyles *styles) { return styles->Count(); };
    hooks.find = [](TvdxStyles *styles, const QString &name) -> QObject * { return styles->Find(name); };
    hooks.activeStyleSheet = [](TvdxStyles *styles) { return styles->ActiveStyleSheet(); };
    hooks.activateStyleSheet = [](TvdxStyles *styles, const QString &name) { styles->SetActiveStyleSheet(name); };
}

struct Install {
    Install()
    {
        vdxPreviewPagesClass() = [](TvdxReport *report) -> TvdxCustomPreviewPages * {
            return new TvdxPreviewPages(report);
        };
        vdxOutlineClass() = [](TvdxCustomPreviewPages *pages) -> TvdxCustomOutline * {
            return new TvdxOutline(pages);
        };
        installStyleHooks();
        // Scripts name the class of the report's Outline; templates never make one.
        TvdClassRegistry::Instance().Register(
            &TvdxOutline::staticMetaObject, [](TvdComponent *) -> TvdPersistent * { return nullptr; }, false);
    }
} install;
} // namespace
