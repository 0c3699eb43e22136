// The report makes its prepared pages and outline through these factories.
#include "engine/vdxPreviewPages.h"

namespace {
struct Install {
    Install()
    {
        vdxPreviewPagesClass() = [](TvdxReport *report) -> TvdxCustomPreviewPages * {
            return new TvdxPreviewPages(report);
        };
        vdxOutlineClass() = [](TvdxCustomPreviewPages *pages) -> TvdxCustomOutline * {
            return new TvdxOutline(pages);
        };
        // Scripts name the class of the report's Outline; templates never make one.
        TvdClassRegistry::Instance().Register(
            &TvdxOutline::staticMetaObject, [](TvdComponent *) -> TvdPersistent * { return nullptr; }, false);
    }
} install;
} // namespace
