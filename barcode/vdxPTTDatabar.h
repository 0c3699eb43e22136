// Two-track Pharmacode: full, upper-half and lower-half bars for an integer
// from 4 to 64,570,080, as tall as the object allows.
#pragma once
#include "barcode/vdxBarcode2DBase.h"

class TvdxPTTDatabar : public TvdxBarcode2DBaseWithUnion {
public:
    TvdxPTTDatabar();

    bool IsScaled() const override { return true; }
    void BuildSymbol(const QString &text, bool encode) override;
    void Assign(const TvdxBarcode2DBase &source) override;
    // One character per bar, leftmost first: "0" full, "1" lower half, "2" upper half.
    const QString &Bars() const { return m_base; }

    // The bar sequence of a number; raises for a text outside the range.
    static QString Convert(const QString &text);

private:
    void layout();

    QString m_base;
};
