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
    }
} install;
} // namespace
