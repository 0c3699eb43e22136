// Decoding of barcodes in an image through zxing-cpp: the independent oracle
// of the barcode tests (and of the vd-zxdecode tool).
#pragma once
#include <QImage>
#include <QList>
#include <QString>

struct ZxingResult {
    QString format;     // zxing's name ("Code128", "EAN-13", "ITF"...)
    QString text;       // decoded text, UTF-8 decoded
    QString symbology;  // symbology identifier ("]C1" for GS1-128)
    QString ecLevel;    // error-correction level of 2D symbols ("L", "M"...)
    bool hasECI = false; // the symbol carries an ECI designator
    QByteArray bytes;    // content bytes as encoded, without ECI designators
};

struct ZxingOptions {
    bool code39Extended = false; // read Code 39 full-ASCII pairs
    bool tryHarder = true;       // also turned and upside-down symbols
    int maxSymbols = 0;          // stop after this many (0: all)
    bool single = false;         // ReadBarcode: 1.4's ReadBarcodes aborts on stacked DataBar
};

QList<ZxingResult> ZxingDecode(const QImage &image, const ZxingOptions &options = {});
