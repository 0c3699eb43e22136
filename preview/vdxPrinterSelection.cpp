// Lets the report layer select printers in the real printer list.
#include "preview/vdxPrinters.h"
#include "report/vdxPreviewServices.h"

namespace {

class TvdxGlobalPrinterSelection : public TvdxPrinterSelection {
public:
    int IndexOf(const QString &name) const override { return vdxGlobalPrinters()->IndexOf(name); }
    void SetPrinterIndex(int index) override
    {
        // A stale index changes nothing rather than raising into the report.
        TvdxPrinters *printers = vdxGlobalPrinters();
        if (index >= -1 && index < printers->Count())
            printers->SetPrinterIndex(index);
    }
    int PrinterIndex() const override { return vdxGlobalPrinters()->PrinterIndex(); }
};

const bool installed = [] {
    vdxSetPrinterSelection(new TvdxGlobalPrinterSelection);
    return true;
}();

} // namespace
