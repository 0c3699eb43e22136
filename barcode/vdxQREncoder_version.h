// QR Code versions: error-correction block tables and alignment-pattern
// centres of ISO/IEC 18004 for versions 1 to 40.
#pragma once
#include "barcode/vdxBarcode2DTypes.h"

#include <span>

// A level's two format bits (L 1, M 0, Q 3, H 2) and its index into a
// version's block table.
struct TErrorCorrectionLevel {
    int Bits = 1;
    int Ordinal = 0;
    static TErrorCorrectionLevel From(TQRErrorLevels level);
    void Assign(const TErrorCorrectionLevel &other) { Bits = other.Bits; }
};

struct TECB {
    int Count = 0;
    int DataCodewords = 0;
};

struct TECBlocks {
    int ECCodewordsPerBlock = 0;
    TECB ECBlocks[2];
    int GetNumBlocks() const { return ECBlocks[0].Count + ECBlocks[1].Count; }
    int GetTotalECCodewords() const { return ECCodewordsPerBlock * GetNumBlocks(); }
    int GetDataCodewords() const
    {
        return ECBlocks[0].Count * ECBlocks[0].DataCodewords + ECBlocks[1].Count * ECBlocks[1].DataCodewords;
    }
};

class TVersion {
public:
    // Versions are constant table entries; out-of-range numbers give none.
    static const TVersion *GetVersionForNumber(int number);
    static int GetDimensionForVersion(int number) { return 17 + 4 * number; }

    int VersionNumber() const { return m_number; }
    int TotalCodewords() const { return m_totalCodewords; }
    int GetDimension() const { return GetDimensionForVersion(m_number); }
    const TECBlocks &GetECBlocksForLevel(const TErrorCorrectionLevel &level) const { return m_ecBlocks[level.Ordinal & 3]; }
    std::span<const int> AlignmentPatternCenters() const { return {m_centers, size_t(m_centerCount)}; }

    TVersion(int number, const int *centers, int centerCount, const TECBlocks (&blocks)[4]);

private:
    int m_number;
    const int *m_centers;
    int m_centerCount;
    TECBlocks m_ecBlocks[4];
    int m_totalCodewords;
};
