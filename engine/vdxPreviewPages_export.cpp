// The export loop: every export format is driven over the prepared pages in
// one fixed order of calls.
#include "engine/vdxPreviewPages.h"

#include "core/vdGraphic.h"
#include "core/vdUtils.h"
#include "core/vdxRes.h"
#include "platform/QPainterCanvas.h"
#include "platform/UiProvider.h"
#include "report/vdxClass_bases.h"
#include "report/vdxClass_export.h"
#include "report/vdxClass_frame.h"
#include "report/vdxClass_io.h"
#include "report/vdxClass_memo.h"
#include "report/vdxClass_options.h"
#include "report/vdxClass_picture.h"
#include "report/vdxClass_report.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QImage>
#include <algorithm>

namespace {

double nowDays()
{
    static const QDateTime epoch(QDate(1899, 12, 30), QTime(0, 0));
    return double(epoch.msecsTo(QDateTime::currentDateTime())) / 86400000.0;
}

bool threadSafe(TvdxReport *report) { return report && report->EngineOptions()->EnableThreadSafe(); }

// Lets a Stop pressed meanwhile reach Terminated.
void processMessages(TvdxReport *report)
{
    if (threadSafe(report))
        return;
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

// Between pages: events at most every few milliseconds, often enough for a
// Stop to land at once, rarely enough that thousands of small labels do not
// spend their time polling for events.
void processMessagesBetweenPages(TvdxReport *report, QElapsedTimer &last)
{
    constexpr qint64 kIntervalMs = 15;
    if (last.isValid() && last.elapsed() < kIntervalMs)
        return;
    processMessages(report);
    last.start();
}

// Export progress: the report's progress window when the filter asks for it,
// otherwise only the report's events.
void progressStart(TvdxReport *report, TvdxCustomExportFilter *filter)
{
    if (!report)
        return;
    if (filter->ShowProgress()) {
        report->InternalOnProgressStart(TvdxReport::ptExporting);
    } else if (!threadSafe(report)) {
        if (report->OnProgressStart)
            report->OnProgressStart(report, TvdxReport::ptExporting, 0);
        processMessages(report);
    }
}

void progress(TvdxReport *report, TvdxCustomExportFilter *filter, int page, QElapsedTimer &lastEvents)
{
    if (!report)
        return;
    if (filter->ShowProgress()) {
        report->InternalOnProgress(TvdxReport::ptExporting, page);
    } else if (!threadSafe(report)) {
        if (report->OnProgress)
            report->OnProgress(report, TvdxReport::ptExporting, page);
        processMessagesBetweenPages(report, lastEvents);
    }
}

void progressStop(TvdxReport *report, TvdxCustomExportFilter *filter)
{
    if (!report)
        return;
    if (filter->ShowProgress()) {
        report->InternalOnProgressStop(TvdxReport::ptExporting);
    } else if (!threadSafe(report)) {
        if (report->OnProgressStop)
            report->OnProgressStop(report, TvdxReport::ptExporting, 0);
        processMessages(report);
    }
}

long double marginPx(const TvdxReportPage *page, const char *name)
{
    return page->property(name).toDouble() * vdxMMFactor;
}

// The page's margins as its position, so absolute positions include them.
void setMarginOffset(TvdxReportPage *page, int index)
{
    const bool mirror = page->property("MirrorMargins").toBool() && index % 2 == 1;
    page->SetLeft(marginPx(page, mirror ? "RightMargin" : "LeftMargin"));
    page->SetTop(marginPx(page, "TopMargin"));
}

void clearMarginOffset(TvdxReportPage *page)
{
    page->SetLeft(0);
    page->SetTop(0);
}

// The page's colour, frame and background picture as the first object.
std::unique_ptr<TvdxPictureView> makeBackground(TvdxReportPage *page)
{
    auto pic = std::make_unique<TvdxPictureView>();
    pic->SetName(QStringLiteral("_pagebackground"));
    const QVariant color = page->property("Color");
    if (color.isValid())
        pic->SetColor(color.toInt());
    if (auto *frame = page->property("Frame").value<TvdxFrame *>())
        pic->SetFrame(frame);
    if (auto *back = page->property("BackPicture").value<TPicture *>())
        pic->Picture()->SetGraphic(back->Graphic());
    pic->SetStretched(true);
    pic->SetKeepAspectRatio(false);
    pic->SetBounds(page->Left(), page->Top(),
                   page->Width() - marginPx(page, "LeftMargin") - marginPx(page, "RightMargin"),
                   page->Height() - marginPx(page, "TopMargin") - marginPx(page, "BottomMargin"));
    return pic;
}

} // namespace

// ---------------------------------------------------------------------------
void TvdxPreviewPages::exportObject(TvdxCustomExportFilter *filter, TvdxComponent *obj)
{
    if (filter->DataOnly() && !(obj->Parent() && obj->Parent()->inherits("TvdxDataBand")))
        return;
    auto *view = qobject_cast<TvdxView *>(obj);
    if (view && !view->Visibility().testFlag(TvdxView::vsExport))
        return;
    if (auto *cached = dynamic_cast<IvdxCachedView *>(obj); cached && cached->IsGraphicReloadNeeded(FCachedGraphicState))
        cached->LoadGraphicFromCache(FPictureCache.get(), FCachedGraphicState);
    if (auto *memo = qobject_cast<TvdxCustomMemoView *>(obj)) {
        memo->SetTotalPages(Count());
        memo->SetCopyNo(1);
        memo->ExtractMacros();
        if (memo->AutoWidth()) {
            // Drawing once lets the memo compute its width.
            QImage scratch(1, 1, QImage::Format_ARGB32_Premultiplied);
            QPainterCanvas canvas(scratch);
            memo->Draw(canvas, 1, 1, 0, 0);
        }
    }
    if (!obj->ExportInternal(filter))
        filter->ExportObject(obj);
    if ((FReport && FReport->Terminated()) || filter->Terminated())
        throw EExportTerminated(QStringLiteral("Export terminated"));
}

void TvdxPreviewPages::exportPage(TvdxCustomExportFilter *filter, int index, const QSet<int> &pageNumbers)
{
    if (!pageNumbers.isEmpty() && !pageNumbers.contains(index + 1))
        return;
    FCachedGraphicState = cgOriginal;
    TvdxReportPage *page = GetPage(index);
    if (!page)
        return;
    LockPage();
    progress(FReport, filter, index + 1, FLastExportEvents);
    filter->StartPage(page, index);
    try {
        setMarginOffset(page, index);
        {
            auto background = makeBackground(page);
            exportObject(filter, background.get());
        }
        const int count = Count();
        for (TvdxComponent *top : page->Objects().List()) {
            if (filter->SuppressPageHeadersFooters() &&
                ((top->inherits("TvdxPageHeader") && index > 0) ||
                 (top->inherits("TvdxPageFooter") && index + 1 < count)))
                continue;
            exportObject(filter, top);
            // Direct children only: containers export deeper objects themselves.
            for (TvdxComponent *child : top->Objects().List())
                exportObject(filter, child);
        }
    } catch (...) {
        filter->FinishPage(page, index);
        UnlockPage();
        clearMarginOffset(page);
        throw;
    }
    filter->FinishPage(page, index);
    UnlockPage();
    // Without a preview nobody shows the page again.
    if (FReport && FReport->Preview())
        clearMarginOffset(page);
    else {
        keepSparePage(page);
        ClearCache();
    }
}

void TvdxPreviewPages::runPages(TvdxCustomExportFilter *filter, QSet<int> &pageNumbers, bool &stopped)
{
    if (filter->OnBeginExport)
        filter->OnBeginExport(filter);
    if (!filter->DoStart()) {
        FLastExportEnd = eeFailed;
        return;
    }
    TvdxCustomPreview *preview = FReport ? FReport->Preview() : nullptr;
    if (preview) {
        preview->Lock();
        preview->update();
    }
    // However the pages end: the preview unlocked, the progress ended, the
    // filter finished.
    // Source pages stay as they are while the pages are exported.
    FKeepSourcePageStreams = true;
    FLastBuilt.reset();
    auto end = [&] {
        FKeepSourcePageStreams = false;
        FSourcePageStreams.clear();
        dropSparePage();
        FLastBuilt.reset();
        FStoredAttributes.clear();
        if (preview)
            preview->Unlock(true);
        progressStop(FReport, filter);
        filter->DoFinish();
    };
    FLastExportEvents.invalidate();
    try {
        progressStart(FReport, filter);
        for (int i = 0; i < Count(); ++i) {
            exportPage(filter, i, pageNumbers);
            processMessagesBetweenPages(FReport, FLastExportEvents);
        }
    } catch (const EExportTerminated &) {
        filter->SetTerminated(false);
        stopped = true;
    } catch (...) {
        try {
            end();
        } catch (...) {
            // The first failure is the one to report.
        }
        throw;
    }
    end();
}

bool TvdxPreviewPages::Export(TvdxCustomExportFilter *filter)
{
    FLastExportEnd = eeNone;
    if (!filter)
        return false;
    PrintCopyNo = 0;
    filter->SetCreationTime(nowDays());
    filter->SetReport(FReport);
    filter->SetDefaultIOTransport(nullptr);
    if (filter->OnBeforeExport)
        filter->OnBeforeExport(filter);

    bool result = false;
    if (!(filter->ShowDialogOptions() & doShowExportSettings) || filter->ShowModal() == mrOk) {
        if (!filter->IOTransport())
            filter->SetIOTransport(filter->DefaultIOTransport());
        TvdxCustomIOTransport *transport = filter->IOTransport();
        transport->InitFromExport(filter);
        if (transport->OpenFilter()) {
            filter->SetFileName(transport->FileName);
            if (filter->CurPage())
                filter->SetPageNumbers(QString::number(CurPreviewPage + 1));
            result = true;
            if (FReport)
                FReport->SetTerminated(false);
            QSet<int> pageNumbers;
            bool stopped = false;
            try {
                QStringList list;
                ParsePageNumbers(filter->PageNumbers(), list, Count());
                for (const QString &n : list)
                    pageNumbers.insert(n.toInt());
                // A selection that names no page of this report selects none,
                // not every page as an empty text does.
                const QString selection = filter->PageNumbers();
                if (pageNumbers.isEmpty() &&
                    std::any_of(selection.begin(), selection.end(), [](QChar c) { return c.isDigit(); }))
                    pageNumbers.insert(0);
                runPages(filter, pageNumbers, stopped);
                if (FLastExportEnd == eeFailed)
                    result = false;
                else if (stopped) {
                    // A stop is no error, yet the output is incomplete.
                    FLastExportEnd = eeStopped;
                    result = false;
                } else
                    FLastExportEnd = eeFinished;
            } catch (const Exception &e) {
                result = false;
                FLastExportEnd = eeFailed;
                if (FReport) {
                    FReport->AddError(e.message());
                    HandleReportError(FReport->EngineOptions()->ReportErrorMode(),
                                      GetResources()->Get(QStringLiteral("clErrors")) + QStringLiteral("\r\n") +
                                          FReport->Errors().join(QStringLiteral("\r\n")));
                }
            }
        }
        transport->CloseFilter();
        if (transport == filter->DefaultIOTransport())
            filter->SetIOTransport(nullptr);
    }
    filter->ClearResources();
    return result;
}
