#include "preview/vdxPrintLoop.h"

#include "core/vdUtils.h"
#include "core/vdVariant.h"
#include "core/vdxRes.h"
#include "engine/vdxPreviewPages.h"
#include "engine/vdxPrintLoopHook.h"
#include "platform/Exception.h"
#include "preview/vdxPrintDialog.h"
#include "preview/vdxPrinters.h"
#include "report/vdxClass_bases.h"
#include "report/vdxClass_page.h"
#include "report/vdxClass_report.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>

namespace {

const QString kInvalidPrinter = QStringLiteral("Printer selected is not valid");
// An excess of a page over whole sheets below this needs no sheet of its own (mm).
constexpr double kSplitTolerance = 11;
// More sheets than this for one page is a broken page or sheet size, not a poster.
constexpr int kMaxSheetsPerPage = 10000;

int rnd(double v) { return int(RoundHalfEven(v)); }

TPrinterOrientation orientationOf(const TvdxReportPage *page)
{
    return page->Orientation() == TvdxReportPage::poLandscape ? poLandscape : poPortrait;
}

} // namespace

TvdxPrintLoop::TvdxPrintLoop(TvdxPreviewPages *pages, TvdxPrinters *printers)
    : FPages(pages), FReport(pages ? pages->Report() : nullptr),
      FPrinters(printers ? printers : vdxGlobalPrinters())
{
    ShowDialog = [this](TvdxReport *report, TvdxDuplexMode &duplex) {
        return vdxExecutePrintDialog(report, duplex, FPrinters);
    };
}

TvdxPrintLoop::~TvdxPrintLoop() = default;

int TvdxPrintLoop::SheetsFor(double pageSize, double sheetSize)
{
    if (!(sheetSize > 0) || !(pageSize > 0))
        return 1;
    const double ratio = pageSize / sheetSize;
    if (!(ratio < kMaxSheetsPerPage))
        return kMaxSheetsPerPage + 1;
    const int n = int(std::trunc(ratio));
    const int count = pageSize - n * sheetSize < kSplitTolerance ? rnd(ratio) : n + 1;
    return std::max(1, count);
}

int TvdxPrintLoop::PagesPerSheet(double sheetSize, double pageSize)
{
    if (!(sheetSize > 0) || !(pageSize > 0))
        return 1;
    const double ratio = sheetSize / pageSize;
    if (!(ratio < kMaxSheetsPerPage))
        return kMaxSheetsPerPage;
    // A hair of rounding must not cost a page that fits exactly.
    return std::max(1, int(std::floor(ratio + 1e-9)));
}

void TvdxPrintLoop::fail(const QString &message)
{
    FFailed = true;
    if (!FReport)
        return;
    FReport->AddError(message);
    HandleReportError(FThreadSafe ? simSilent : FReport->EngineOptions()->ReportErrorMode(),
                      GetResStrByName(QStringLiteral("clErrors")) + QStringLiteral("\r\n") + message);
}

int TvdxPrintLoop::indexAt(int a) const
{
    if (!FHasSelection)
        return a;
    const int n = FSelection.value(a).toInt() - 1;
    return n < 0 || n >= FPages->Count() ? -1 : n;
}

bool TvdxPrintLoop::skipped(int index) const
{
    if (index < 0 || index >= FPages->Count())
        return true;
    const auto pages = FReport ? FReport->PrintOptions()->PrintPages() : TvdxPrintOptions::ppAll;
    return (pages == TvdxPrintOptions::ppOdd && (index + 1) % 2 == 0) ||
           (pages == TvdxPrintOptions::ppEven && (index + 1) % 2 == 1);
}

bool TvdxPrintLoop::beginDoc()
{
    if (FPrintedAny)
        return true;
    FPrinter->BeginDoc();
    if (!FPrinter->Printing()) {
        const QString why = FPrinter->LastError();
        FPrinter->Abort();
        fail(why.isEmpty() ? QStringLiteral("The print job did not start") : why);
        return false;
    }
    FPrintedAny = true;
    return true;
}

void TvdxPrintLoop::drawPage(int index, double scaleX, double scaleY, double offsetX, double offsetY)
{
    if (Canvas *canvas = FPrinter->Canvas())
        FPages->DrawPage(index, *canvas, scaleX, scaleY, offsetX, offsetY, false);
}

void TvdxPrintLoop::firePrintPage(TvdxReportPage *page)
{
    if (FReport && FReport->OnPrintPage)
        FReport->OnPrintPage(page, FPages->PrintCopyNo);
}

void TvdxPrintLoop::afterPage(int index)
{
    if (FReport)
        FReport->InternalOnProgress(TvdxReport::ptPrinting, index + 1);
    FPrinter->EndPage();
    if (!FThreadSafe && QCoreApplication::instance())
        QCoreApplication::processEvents();
}

bool TvdxPrintLoop::pageStep(int index)
{
    if (skipped(index))
        return true;
    if (FReport && FReport->Terminated()) {
        FPrinter->Abort();
        return false;
    }
    TvdxReportPage *page = FPages->GetPage(index);
    if (!page)
        return true;
    const bool collate = FReport && FReport->PrintOptions()->Collate();
    FPages->PrintCopyNo = collate ? FCopyNo : 1;
    const int printCopies = collate ? 1 : FCopies;
    firePrintPage(page);

    int bin = page->BinOtherPages();
    if (!FUsedBins.contains(page->Bin())) {
        bin = page->Bin();
        FUsedBins << bin;
    }
    const TvdxDuplexMode e = FDuplex != TvdxPrintOptions::dmNone ? FDuplex : TvdxDuplexMode(int(page->Duplex()));
    if (int(e) != FLastDuplex)
        FBackSide = false;
    if (e == TvdxPrintOptions::dmVertical || e == TvdxPrintOptions::dmHorizontal)
        FBackSide = !FBackSide;

    const bool scale = FReport->PrintOptions()->PrintMode() == TvdxPrintOptions::pmScale;
    const TPrinterOrientation orientation = orientationOf(page);
    const double pw = double(page->PaperWidth()), ph = double(page->PaperHeight());
    const bool first = FLastPaper == -1 && FLastBin == -1;
    if (scale) {
        if (first || bin != FLastBin || int(orientation) != FLastOrientation || int(e) != FLastDuplex) {
            FPrinter->SetPrintParams(FReport->PrintOptions()->PrintOnSheet(), FSheetWidth, FSheetHeight, orientation,
                                     bin, e, printCopies);
            FSheetWidth = FPrinter->PaperWidth();
            FSheetHeight = FPrinter->PaperHeight();
        }
    } else if (first || page->PaperSize() != FLastPaper || rnd(pw) != FLastWidth || rnd(ph) != FLastHeight ||
               bin != FLastBin || int(orientation) != FLastOrientation || int(e) != FLastDuplex) {
        FPrinter->SetPrintParams(page->PaperSize(), pw, ph, orientation, bin, e, printCopies);
    }
    if (!beginDoc())
        return false;

    FPrinter->BeginPage();
    double fx = 1, fy = 1;
    if (scale && pw > 0 && ph > 0) {
        fx = FSheetWidth / pw;
        fy = FSheetHeight / ph;
        FPages->PrintScale = std::min(fx, fy);
    }
    const QPoint dpi = FPrinter->DPI();
    drawPage(index, fx * dpi.x() / 96.0, fy * dpi.y() / 96.0, -FPrinter->LeftMargin() * dpi.x() / 25.4,
             -FPrinter->TopMargin() * dpi.y() / 25.4);
    afterPage(index);

    FLastPaper = page->PaperSize();
    FLastWidth = rnd(pw);
    FLastHeight = rnd(ph);
    FLastBin = bin;
    FLastOrientation = int(orientation);
    FLastDuplex = int(e);
    ++FSheets;
    FPages->ClearCache();
    return true;
}

bool TvdxPrintLoop::splitStep(int index)
{
    if (skipped(index))
        return true;
    if (FReport->Terminated()) {
        FPrinter->Abort();
        return false;
    }
    TvdxReportPage *page = FPages->GetPage(index);
    if (!page)
        return true;
    const bool collate = FReport->PrintOptions()->Collate();
    FPages->PrintCopyNo = collate ? FCopyNo : 1;
    const int printCopies = collate ? 1 : FCopies;
    firePrintPage(page);
    const int bin = index == 0 ? page->Bin() : page->BinOtherPages();

    const double pw = double(page->PaperWidth()), ph = double(page->PaperHeight());
    int cols = SheetsFor(pw, FSheetWidth), rows = SheetsFor(ph, FSheetHeight);
    const int tcols = SheetsFor(pw, FSheetHeight), trows = SheetsFor(ph, FSheetWidth);
    const bool turned = qint64(tcols) * trows < qint64(cols) * rows;
    double sheetW = turned ? FSheetHeight : FSheetWidth, sheetH = turned ? FSheetWidth : FSheetHeight;
    if (turned) {
        cols = tcols;
        rows = trows;
    }
    const double splice = FSplice;
    double pieceW = sheetW, pieceH = sheetH;
    if (cols > 1 && pieceW - splice > 0) {
        pieceW -= splice;
        cols = SheetsFor(pw, pieceW);
    }
    if (rows > 1 && pieceH - splice > 0) {
        pieceH -= splice;
        rows = SheetsFor(ph, pieceH);
    }
    if (qint64(cols) * rows > kMaxSheetsPerPage) {
        FPrinter->Abort();
        fail(QStringLiteral("Page %1 needs more than %2 sheets").arg(index + 1).arg(kMaxSheetsPerPage));
        return false;
    }

    const TPrinterOrientation orientation = turned ? poLandscape : poPortrait;
    if (!FPrintedAny || int(orientation) != FLastOrientation)
        FPrinter->SetPrintParams(FReport->PrintOptions()->PrintOnSheet(), FSheetWidth, FSheetHeight, orientation, bin,
                                 FDuplex, printCopies);
    if (!beginDoc())
        return false;
    FLastOrientation = int(orientation);

    const QPoint dpi = FPrinter->DPI();
    const double mmX = dpi.x() / 25.4, mmY = dpi.y() / 25.4;
    const double sw = mmX * sheetW, sh = mmY * sheetH;
    const double overlapX = splice * mmX, overlapY = splice * mmY;
    const double printableW = sw - (FPrinter->LeftMargin() + FPrinter->RightMargin()) * mmX;
    const double printableH = sh - (FPrinter->TopMargin() + FPrinter->BottomMargin()) * mmY;
    double offsetY = -FPrinter->TopMargin() * mmY;
    for (int r = 0; r < rows; ++r) {
        double offsetX = -FPrinter->LeftMargin() * mmX;
        for (int c = 0; c < cols; ++c) {
            Canvas *canvas = FPrinter->Canvas();
            const int saved = canvas ? canvas->SaveDC() : 0;
            try {
                // Each sheet shows only its own printable area.
                if (canvas)
                    canvas->IntersectClipRect(TRect(0, 0, rnd(printableW), rnd(printableH)));
                FPrinter->BeginPage();
                drawPage(index, dpi.x() / 96.0, dpi.y() / 96.0, offsetX, offsetY);
                FPrinter->EndPage();
            } catch (...) {
                if (canvas)
                    canvas->RestoreDC(saved);
                throw;
            }
            if (canvas)
                canvas->RestoreDC(saved);
            ++FSheets;
            offsetX -= printableW - overlapX;
        }
        offsetY -= printableH - overlapY;
    }
    if (FReport)
        FReport->InternalOnProgress(TvdxReport::ptPrinting, index + 1);
    if (!FThreadSafe && QCoreApplication::instance())
        QCoreApplication::processEvents();
    FPages->ClearCache();
    return true;
}

bool TvdxPrintLoop::joinLoop()
{
    int a = 0;
    int firstIndex = -1;
    for (; a < FPageCount && firstIndex < 0; ++a)
        firstIndex = indexAt(a);
    if (firstIndex < 0)
        return true;
    TvdxReportPage *firstPage = FPages->GetPage(firstIndex);
    if (!firstPage)
        return true;
    const double pw = double(firstPage->PaperWidth()), ph = double(firstPage->PaperHeight());
    int cols = PagesPerSheet(FSheetWidth, pw), rows = PagesPerSheet(FSheetHeight, ph);
    const int tcols = PagesPerSheet(FSheetHeight, pw), trows = PagesPerSheet(FSheetWidth, ph);
    TPrinterOrientation orientation = poPortrait;
    if (qint64(tcols) * trows > qint64(cols) * rows) {
        cols = tcols;
        rows = trows;
        orientation = poLandscape;
    }
    const TvdxDuplexMode duplex =
        FDuplex != TvdxPrintOptions::dmNone ? FDuplex : TvdxDuplexMode(int(firstPage->Duplex()));
    if (!FPrintedAny)
        FPrinter->SetPrintParams(FReport->PrintOptions()->PrintOnSheet(), FSheetWidth, FSheetHeight, orientation,
                                 firstPage->Bin(), duplex, 1);
    if (!beginDoc())
        return false;

    const QPoint dpi = FPrinter->DPI();
    const double stepX = dpi.x() / 25.4 * pw, stepY = dpi.y() / 25.4 * ph;
    auto anyLeft = [&](int from) {
        for (int i = from; i < FPageCount; ++i)
            if (indexAt(i) >= 0)
                return true;
        return false;
    };
    a = 0;
    int current = -1;
    bool remain = true;
    // Copies of one page run on across sheets, so none is dropped at a sheet's end.
    int counter = 1;
    while (remain) {
        FPrinter->BeginPage();
        double offsetY = -FPrinter->TopMargin() * dpi.y() / 25.4;
        for (int r = 0; r < rows && remain; ++r) {
            double offsetX = -FPrinter->LeftMargin() * dpi.x() / 25.4;
            for (int c = 0; c < cols && remain; ++c) {
                FPages->PrintCopyNo = counter;
                if (counter == 1) {
                    current = -1;
                    while (a < FPageCount && current < 0)
                        current = indexAt(a++);
                } else {
                    FPages->ClearCache();
                }
                counter = counter >= FCopies ? 1 : counter + 1;
                if (current < 0) {
                    remain = false;
                    break;
                }
                if (TvdxReportPage *placed = FPages->GetPage(current))
                    firePrintPage(placed);
                drawPage(current, dpi.x() / 96.0, dpi.y() / 96.0, offsetX, offsetY);
                offsetX += stepX;
                // The last page placed, every copy of it too: nothing is left.
                if (counter == 1 && !anyLeft(a))
                    remain = false;
            }
            offsetY += stepY;
        }
        afterPage(std::max(current, 0));
        if (FReport->Terminated()) {
            FPrinter->Abort();
            return false;
        }
        ++FSheets;
        FPages->ClearCache();
    }
    return true;
}

bool TvdxPrintLoop::pageLoop(bool split)
{
    const bool reverse = FReport->PrintOptions()->Reverse();
    for (int n = 0; n < FPageCount; ++n) {
        const int a = reverse ? FPageCount - 1 - n : n;
        const int index = indexAt(a);
        if (index < 0)
            continue;
        if (!(split ? splitStep(index) : pageStep(index)))
            return false;
    }
    return true;
}

bool TvdxPrintLoop::runMode()
{
    switch (FReport->PrintOptions()->PrintMode()) {
    case TvdxPrintOptions::pmDefault:
    case TvdxPrintOptions::pmScale:
        return pageLoop(false);
    case TvdxPrintOptions::pmSplit:
        return pageLoop(true);
    case TvdxPrintOptions::pmJoin:
        return joinLoop();
    }
    return true;
}

bool TvdxPrintLoop::runJob()
{
    TvdxPrintOptions *opts = FReport->PrintOptions();
    FReport->SetTerminated(false);
    FReport->InternalOnProgressStart(TvdxReport::ptPrinting);
    const QString name = FReport->ReportOptions()->Name();
    FPrinter->SetTitle(name.isEmpty() ? FReport->FileName() : name);
    FCopies = std::max(1, opts->Copies());
    bool ok = true;
    try {
        // Joined sheets place every copy themselves.
        if (opts->Collate() && opts->PrintMode() != TvdxPrintOptions::pmJoin) {
            for (int copy = 1; copy <= FCopies && ok; ++copy) {
                FCopyNo = copy;
                ok = runMode();
                if (!ok)
                    break;
                if (FPrintedAny && (FBackSide || FPrinter->IsDuplexActive()) && FPageCount % 2 == 1 &&
                    copy < FCopies) {
                    // The next copy starts on a sheet of its own.
                    FBackSide = false;
                    FPrinter->BeginPage();
                    FPrinter->EndPage();
                }
                if (FReport->Terminated()) {
                    if (copy < FCopies)
                        FPrinter->Abort();
                    ok = copy == FCopies;
                    break;
                }
            }
        } else {
            FCopyNo = 1;
            ok = runMode();
        }
        if (ok && FPrintedAny) {
            FPrinter->EndDoc();
            if (!FPrinter->LastError().isEmpty()) {
                fail(FPrinter->LastError());
                ok = false;
            }
        }
    } catch (...) {
        if (FPrinter->Printing())
            FPrinter->Abort();
        FReport->InternalOnProgressStop(TvdxReport::ptPrinting);
        throw;
    }
    FReport->InternalOnProgressStop(TvdxReport::ptPrinting);
    return ok && !FFailed;
}

bool TvdxPrintLoop::Print()
{
    if (!FPages || !FReport)
        return false;
    if (!FPrinters->HasPhysicalPrinters()) {
        ShowErrorMsg(GetResStrByName(QStringLiteral("clNoPrinters")));
        return false;
    }
    FPages->PrintScale = 1;
    TvdxPrintOptions *opts = FReport->PrintOptions();
    FThreadSafe = FReport->EngineOptions()->EnableThreadSafe();
    if (FThreadSafe)
        FPrinters->LockPrinterChange();

    // The options as they were, and the shared printer's file name: both come
    // back on every way out.
    TvdxPrintOptions saved;
    saved.Assign(opts);
    const auto savedDuplex = opts->Duplex();
    const QString savedOut = opts->PrnOutFileName();
    TvdxCustomPrinter *shared = nullptr;
    QString sharedFileName;
    TvdxCustomPreview *preview = nullptr;
    bool previewLocked = false;
    bool started = false;
    auto finish = [&] {
        if (previewLocked)
            preview->Unlock(true);
        // Whoever heard that printing began hears that it ended, however it ended.
        if (started && FReport->OnAfterPrintReport) {
            started = false;
            FReport->OnAfterPrintReport(FReport);
        }
        FPages->PrintCopyNo = 0;
        opts->Assign(&saved);
        opts->SetDuplex(savedDuplex);
        opts->SetPrnOutFileName(savedOut);
        if (shared)
            shared->SetFileName(sharedFileName);
        FCopy.reset();
        FPrinter = nullptr;
        if (FThreadSafe)
            FPrinters->UnlockPrinterChange();
    };

    // The host's event, then the template's script handler (which outlives
    // the run only while the report keeps its forms).
    auto start = [&] {
        started = true;
        if (FReport->OnPrintReport)
            FReport->OnPrintReport(FReport);
        FReport->DoNotifyEvent(FReport, FReport->OnReportPrint(), !FReport->EngineOptions()->DestroyForms());
    };

    bool result = false;
    try {
        FDuplex = opts->Duplex();
        const int named = FPrinters->IndexOf(opts->Printer());
        if (named >= 0)
            FPrinters->SetPrinterIndex(named);

        if (opts->ShowDialog() && !FThreadSafe) {
            TvdxDuplexMode chosen = FDuplex;
            if (!ShowDialog || !ShowDialog(FReport, chosen)) {
                finish();
                return false;
            }
            FDuplex = chosen;
            if (TvdxCustomPrinter *p = FPrinters->Printer())
                opts->SetPrinter(p->Name());
            opts->SetDuplex(FDuplex);
        }

        if (FThreadSafe) {
            const int i = FPrinters->IndexOf(opts->Printer());
            TvdxCustomPrinter *source = i >= 0 ? FPrinters->Items(i) : FPrinters->Printer();
            if (source) {
                try {
                    FCopy = source->CreateCopy();
                } catch (const Exception &e) {
                    fail(e.message());
                }
            }
            FPrinter = FCopy.get();
        } else {
            FPrinter = FPrinters->Printer();
            shared = FPrinter;
            if (shared)
                sharedFileName = shared->FileName();
        }
        if (!FPrinter || !FPrinter->Initialized()) {
            start();
            if (!FFailed)
                fail(kInvalidPrinter);
            finish();
            return false;
        }
        if (!opts->PrnOutFileName().isEmpty())
            FPrinter->SetFileName(opts->PrnOutFileName());

        if (opts->PrintMode() != TvdxPrintOptions::pmDefault) {
            const int sheet = opts->PrintOnSheet();
            FPrinter->SetViewParams(sheet, sheet == vdxCustomPaper ? FPrinter->PaperWidth() : 0,
                                    sheet == vdxCustomPaper ? FPrinter->PaperHeight() : 0, poPortrait);
            FSheetWidth = FPrinter->PaperWidth() > 0 ? FPrinter->PaperWidth() : FPrinter->DefPaperWidth();
            FSheetHeight = FPrinter->PaperHeight() > 0 ? FPrinter->PaperHeight() : FPrinter->DefPaperHeight();
            FSplice = std::max(0, opts->SplicingLine());
            if (!(FSheetWidth > 0) || !(FSheetHeight > 0)) {
                fail(QStringLiteral("The sheet to print on has no size"));
                finish();
                return false;
            }
        }

        start();
        preview = FReport->Preview();
        if (preview) {
            previewLocked = preview->Lock();
            if (!previewLocked)
                preview = nullptr;
            else
                preview->update();
        }

        const QString numbers = opts->PageNumbers();
        FSelection.clear();
        ParsePageNumbers(numbers, FSelection, FPages->Count());
        FHasSelection = !FSelection.isEmpty() ||
                        std::any_of(numbers.begin(), numbers.end(), [](QChar c) { return c.isDigit(); });
        FPageCount = FHasSelection ? int(FSelection.size()) : FPages->Count();
        bool anyPage = false;
        for (int a = 0; a < FPageCount && !anyPage; ++a)
            anyPage = indexAt(a) >= 0;
        if (FHasSelection && !anyPage) {
            fail(QStringLiteral("The pages \"%1\" are not in the report").arg(numbers));
        } else {
            FPages->ClearCache();
            result = runJob();
        }
    } catch (const Exception &e) {
        // A bad page range, a page that cannot be built: reported, not raised.
        fail(e.message());
        finish();
        return false;
    } catch (...) {
        finish();
        throw;
    }
    finish();
    return result && !FFailed;
}

bool vdxPrintPreviewPages(TvdxPreviewPages *pages, TvdxPrinters *printers)
{
    TvdxPrintLoop loop(pages, printers);
    return loop.Print();
}

namespace {
const bool installed = [] {
    vdxSetPrintLoop([](TvdxPreviewPages *pages) { return vdxPrintPreviewPages(pages); });
    return true;
}();
} // namespace
