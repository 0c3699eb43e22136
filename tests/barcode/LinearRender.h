// A linear symbol drawn through DrawBarcode onto a white image at a whole
// number of pixels per module unit, with a light margin around it; shared by
// the decoding tests and the vd-barcode tool.
#pragma once
#include <QImage>

class TvdxBarcode;

struct LinearRenderOptions {
    int module = 2;       // pixels per module unit
    int height = 60;      // symbol height across the bars, caption band included, in units
    int margin = 20;      // light margin on every side, in units
    bool showText = true;
};

// Raises what the encoding raises. The symbol turns by the engine's Angle.
QImage RenderLinear(TvdxBarcode &barcode, const LinearRenderOptions &options);
