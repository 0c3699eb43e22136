// Drawing one prepared page on any canvas, and the road to the print loop.
#include "engine/vdxPreviewPages.h"
#include "engine/vdxPrintLoopHook.h"

#include "core/vdVariant.h"
#include "platform/Canvas.h"
#include "report/vdxClass_memo.h"
#include "report/vdxClass_page.h"
#include "report/vdxClass_report.h"
#include "report/vdxClass_view.h"

#include <algorithm>
#include <cstdlib>

namespace {

TvdxPrintLoopFunc &printLoop()
{
    static TvdxPrintLoopFunc loop;
    return loop;
}

int rnd(double v) { return int(RoundHalfEven(v)); }

// Whether any part of a logical rectangle lies in the canvas's clip; a
// metafile records everything, so there it always does.
bool rectVisible(const Canvas &canvas, const TRect &r)
{
    if (canvas.isMetafile() || !canvas.HasClip())
        return true;
    const int l = std::min(r.Left, r.Right), t = std::min(r.Top, r.Bottom);
    const QRect logical(l, t, std::max(1, std::abs(r.Right - r.Left)), std::max(1, std::abs(r.Bottom - r.Top)));
    return canvas.ClipRegion().intersects(canvas.WorldTransform().mapRect(logical));
}

// Whether any part of a view can show at this scale and offset; a memo that
// may grow past its height counts with its grown height.
bool viewVisible(Canvas &canvas, TvdxView *view, double scaleX, double scaleY, double offsetX, double offsetY)
{
    if (canvas.isMetafile())
        return true;
    double height = double(view->Height());
    if (auto *memo = qobject_cast<TvdxMemoView *>(view); memo && !memo->Clipped())
        height = std::max(memo->CalcHeight(), height);
    const double left = double(view->AbsLeft()), top = double(view->AbsTop());
    const int ox = rnd(offsetX), oy = rnd(offsetY);
    const TRect r(rnd(left * scaleX) - 20 + ox, rnd(top * scaleY) - 20 + oy,
                  rnd((left + double(view->Width())) * scaleX + 20) + ox, rnd((top + height) * scaleY + 20) + oy);
    return rectVisible(canvas, r);
}

} // namespace

void vdxSetPrintLoop(TvdxPrintLoopFunc loop) { printLoop() = std::move(loop); }
const TvdxPrintLoopFunc &vdxPrintLoop() { return printLoop(); }

void TvdxPreviewPages::DrawPage(int index, Canvas &canvas, double scaleX, double scaleY, double offsetX,
                                double offsetY, bool bHighlightEditable)
{
    const bool printing = canvas.isPrinter();
    FCachedGraphicState = printing ? cgOriginal : cgThumbnail;
    TvdxReportPage *page = GetPage(index);
    if (!page) {
        FCachedGraphicState = cgOriginal;
        return;
    }
    const long double savedLeft = page->LeftMargin(), savedRight = page->RightMargin();
    const bool mirrored = page->MirrorMargins() && index % 2 == 1;
    if (mirrored) {
        page->SetLeftMargin(savedRight);
        page->SetRightMargin(savedLeft);
    }
    int savedDC = 0;
    if (!printing) {
        savedDC = canvas.SaveDC();
        canvas.IntersectClipRect(TRect(rnd(offsetX), rnd(offsetY),
                                       rnd(double(page->PaperWidth() * vdxMMFactor) * scaleX + offsetX) - 1,
                                       rnd(double(page->PaperHeight() * vdxMMFactor) * scaleY + offsetY) - 1));
    }
    // Margins, clip and picture state come back however the drawing ends.
    struct Restore {
        TvdxPreviewPages *self;
        TvdxReportPage *page;
        Canvas &canvas;
        bool mirrored;
        long double left, right;
        int savedDC;
        ~Restore()
        {
            if (mirrored) {
                page->SetLeftMargin(left);
                page->SetRightMargin(right);
            }
            if (savedDC > 0)
                canvas.RestoreDC(savedDC);
            page->SetIsPrinting(false);
            self->FCachedGraphicState = cgOriginal;
        }
    } restore{this, page, canvas, mirrored, savedLeft, savedRight, savedDC};

    page->SetIsPrinting(printing);
    page->Draw(canvas, scaleX, scaleY, offsetX, offsetY);
    offsetX += double(page->LeftMargin() * vdxMMFactor) * scaleX;
    offsetY += double(page->TopMargin() * vdxMMFactor) * scaleY;

    const int count = Count();
    const TvdxView::TvdxVisibilityType needed = printing ? TvdxView::vsPrint : TvdxView::vsPreview;
    const QList<TvdxComponent *> objects = page->AllObjects();
    for (TvdxComponent *obj : objects) {
        auto *view = qobject_cast<TvdxView *>(obj);
        if (!view || !view->Visibility().testFlag(needed))
            continue;
        if (!viewVisible(canvas, view, scaleX, scaleY, offsetX, offsetY))
            continue;
        view->SetIsPrinting(printing);
        if (auto *cached = dynamic_cast<IvdxCachedView *>(obj);
            cached && cached->IsGraphicReloadNeeded(FCachedGraphicState))
            cached->LoadGraphicFromCache(FPictureCache.get(), FCachedGraphicState);
        if (auto *memo = qobject_cast<TvdxCustomMemoView *>(view)) {
            memo->SetTotalPages(count);
            memo->SetCopyNo(PrintCopyNo);
            memo->SetPrintScale(double(PrintScale));
        }
        try {
            if (!view->IsOwnerDraw()) {
                view->Draw(canvas, scaleX, scaleY, offsetX, offsetY);
                if (bHighlightEditable && view->Editable().testFlag(TvdxComponent::ferAllowInPreview))
                    view->DrawHighlight(canvas, scaleX, scaleY, offsetX, offsetY, clNavy);
            }
        } catch (...) {
            view->SetIsPrinting(false);
            throw;
        }
        view->SetIsPrinting(false);
    }
}

bool TvdxPreviewPages::Print()
{
    const TvdxPrintLoopFunc &loop = vdxPrintLoop();
    if (!loop) {
        if (FReport)
            FReport->AddError(QStringLiteral("Printing is not available"));
        return false;
    }
    return loop(this);
}
