// What the payment presets share: evaluating their expression fields and
// reaching the QR engine of the object they are attached to.
#pragma once
#include <QString>

class TvdxReport;
class TvdxComponent;
class TvdxBarcode2DView;
class TvdxBarcodeQR;

// The expression's value as text; empty for an empty expression or no report.
QString vdxPresetCalc(TvdxReport *report, const QString &expression);

// The object and its QR engine when component is a 2D object of bar type
// QR; both nullptr otherwise (presets leave other objects alone).
struct TvdxPresetQR {
    TvdxBarcode2DView *View = nullptr;
    TvdxBarcodeQR *QR = nullptr;
    explicit operator bool() const { return QR != nullptr; }
};
TvdxPresetQR vdxPresetQR(TvdxComponent *component);
