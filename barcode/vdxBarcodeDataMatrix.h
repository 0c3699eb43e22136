// Data Matrix ECC 200 engine of the 2D barcode object: six encodation
// schemes, GS1 element strings, Reed-Solomon over GF(256) and the standard
// module placement.
#pragma once
#include "barcode/vdxBarcode2DBase.h"
#include "barcode/vdxBarcode2DTypes.h"

#include <QByteArray>
#include <cstdint>
#include <vector>

using TInts = std::vector<int>;

class TvdxBarcodeDataMatrix : public TvdxBarcode2DBaseWithUnion {
public:
    TvdxBarcodeDataMatrix();

    void SetText(const QString &value) override;
    void Assign(const TvdxBarcode2DBase &source) override;

    DatamatrixSymbolSize SymbolSize() const { return m_symbolSize; }
    void SetSymbolSize(DatamatrixSymbolSize value);
    DatamatrixEncoding Encoding() const { return m_encoding; }
    void SetEncoding(DatamatrixEncoding value);
    int CodePage() const { return m_codePage; }
    void SetCodePage(int value);
    bool GS1Rule() const { return m_gs1Rule; }
    void SetGS1Rule(bool value);
    int PixelSize() const { return m_pixelWidth; }
    void SetPixelSize(int value) { m_pixelWidth = m_pixelHeight = value; }

    // Figures of the last encoding: the size used, the data codewords (pads
    // included) and the error-correction codewords after them.
    DatamatrixSymbolSize UsedSize() const { return m_usedSize; }
    const std::vector<std::uint8_t> &Codewords() const { return m_codewords; }
    int DataCodewords() const;
    const T2DBooleanArray &Matrix() const { return m_arrOB; }

    // The bytes the schemes encode: code page, GS1 conversion and the "&1;"
    // function escapes applied. Empty with *gs1Failed set when GS1Rule is
    // on and the text is no element string.
    QByteArray PreparedBytes(bool *gs1Failed = nullptr) const;

private:
    void encode();
    // Codewords of one scheme for bytes[from..] within capacity; false when
    // they do not fit or the input is not consumed. edifactTail is where the
    // closing EDIFACT group starts when the codewords end with one, else -1.
    bool encodeScheme(DatamatrixEncoding scheme, const QByteArray &bytes, int from, int capacity,
                      std::vector<std::uint8_t> &out, bool &endsAscii, int &edifactTail) const;
    bool encodeBest(const QByteArray &bytes, int from, int capacity, std::vector<std::uint8_t> &out,
                    bool &endsAscii, int &edifactTail) const;
    void place(int nrow, int ncol);
    void draw();

    TInts m_place;
    DatamatrixSymbolSize m_symbolSize = DatamatrixSymbolSize::AutoSize;
    DatamatrixSymbolSize m_usedSize = DatamatrixSymbolSize::Size10x10;
    DatamatrixEncoding m_encoding = DatamatrixEncoding::Auto;
    int m_codePage = 437;
    bool m_gs1Rule = false;
    bool m_isLastEncodingAscii = true;
    std::vector<std::uint8_t> m_codewords;
    T2DBooleanArray m_arrOB;
};
