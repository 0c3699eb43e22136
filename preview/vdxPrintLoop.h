// The print loop: prepared pages through a printer of the printer list, with
// page ranges, odd or even pages, reverse order, copies and collation, and
// the four print modes (as designed, scaled, split over sheets, joined).
#pragma once
#include "preview/vdxPrinter.h"

#include <QList>
#include <QStringList>
#include <functional>
#include <memory>

class TvdxPreviewPages;
class TvdxPrinters;
class TvdxReport;
class TvdxReportPage;

class TvdxPrintLoop {
public:
    // printers: the list to print through (the process-wide one when none).
    TvdxPrintLoop(TvdxPreviewPages *pages, TvdxPrinters *printers = nullptr);
    ~TvdxPrintLoop();

    // True when the job ran to its end; False without printers, on a
    // cancelled dialog, an unusable printer, a bad page selection, a job that
    // did not start or was refused, and a stop.
    bool Print();

    // The print dialog; the default shows TvdxPrintDialog. Answers whether it
    // was confirmed, with the chosen duplex mode.
    std::function<bool(TvdxReport *report, TvdxDuplexMode &duplex)> ShowDialog;

    // Sheets and pages per sheet for the split and join modes (exposed for tests).
    // Sheets needed to cover pageSize with sheets of sheetSize: at least 1,
    // an excess below 11 mm needs no sheet of its own.
    static int SheetsFor(double pageSize, double sheetSize);
    // Pages of pageSize that fit on sheetSize: whole ones only, at least 1.
    static int PagesPerSheet(double sheetSize, double pageSize);

private:
    bool runJob();
    bool runMode();
    bool pageLoop(bool split);
    bool pageStep(int index);
    bool splitStep(int index);
    bool joinLoop();
    bool beginDoc();
    bool skipped(int index) const;
    // Page index of loop position a, -1 when it names no page.
    int indexAt(int a) const;
    void drawPage(int index, double scaleX, double scaleY, double offsetX, double offsetY);
    void afterPage(int index);
    void firePrintPage(TvdxReportPage *page);
    void fail(const QString &message);

    TvdxPreviewPages *FPages;
    TvdxReport *FReport;
    TvdxPrinters *FPrinters;
    TvdxCustomPrinter *FPrinter = nullptr;
    std::unique_ptr<TvdxCustomPrinter> FCopy;
    bool FThreadSafe = false;
    TvdxDuplexMode FDuplex = TvdxPrintOptions::dmNone;
    QStringList FSelection;
    bool FHasSelection = false;
    int FPageCount = 0;
    int FCopies = 1;
    int FCopyNo = 1;
    double FSheetWidth = 0, FSheetHeight = 0;
    double FSplice = 0;
    // Per job.
    bool FPrintedAny = false;
    bool FFailed = false;
    bool FBackSide = false;
    int FLastPaper = -1, FLastWidth = -1, FLastHeight = -1, FLastBin = -1;
    int FLastOrientation = -1, FLastDuplex = -1;
    int FSheets = 0;
    QList<int> FUsedBins;
};

// Prints the prepared pages through the list (the process-wide one when none).
bool vdxPrintPreviewPages(TvdxPreviewPages *pages, TvdxPrinters *printers = nullptr);
