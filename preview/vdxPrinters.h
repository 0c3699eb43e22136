// The process-wide list of print queues, each with its printer object, and
// the current printer. Without any queue it holds one virtual printer.
#pragma once
#include "preview/vdxPrinter.h"
#include <QMutex>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class TvdxPrinters {
public:
    // Makes the printer object of one queue (tests record what printing asks).
    using PrinterFactory = std::function<std::unique_ptr<TvdxCustomPrinter>(const QString &name, PrinterBackend *)>;
    // Reads the queues of the back end (the one in use when none is given).
    explicit TvdxPrinters(PrinterBackend *backend = nullptr, PrinterFactory factory = {});
    ~TvdxPrinters();
    TvdxPrinters(const TvdxPrinters &) = delete;
    TvdxPrinters &operator=(const TvdxPrinters &) = delete;

    void FillPrinters();
    void Clear();
    // nullptr for a negative index; raises EListError past the end.
    TvdxCustomPrinter *GetItem(int Index) const;
    TvdxCustomPrinter *Items(int Index) const { return GetItem(Index); }
    int Count() const;
    int IndexOf(const QString &AName) const;
    void LockPrinterChange();
    void UnlockPrinterChange();
    int ChangeLockCount() const;

    bool HasPhysicalPrinters() const { return FHasPhysicalPrinters; }
    QStringList Printers() const;
    int PrinterIndex() const { return FPrinterIndex; }
    // -1 selects the default queue; any other index outside the list raises
    // EListError and changes nothing. Ignored while changes are locked.
    void SetPrinterIndex(int Value);
    TvdxCustomPrinter *Printer() const { return GetItem(FPrinterIndex); }
    QString GetDefaultPrinterName() const;

private:
    PrinterBackend *FBackend;
    PrinterFactory FFactory;
    bool FHasPhysicalPrinters = false;
    QStringList FPrinters;
    int FPrinterIndex = -1;
    std::vector<std::unique_ptr<TvdxCustomPrinter>> FPrinterList;
    mutable QRecursiveMutex FCriticalSection;
    int FChangeLockCount = 0;
};

// The single list, made on the GUI thread on first use.
TvdxPrinters *vdxGlobalPrinters();
// The printer object of a queue in the single list; nullptr when none.
TvdxCustomPrinter *GetPrinterByName(const QString &AName);
