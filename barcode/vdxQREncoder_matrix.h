// QR Code module matrix: function patterns, format and version information,
// data placement, the eight data masks and the mask penalty.
#pragma once
#include "barcode/vdxBarcodeCoding.h"
#include "barcode/vdxQREncoder_version.h"

#include <QString>
#include <cstdint>
#include <vector>

// Cells are 0 (light), 1 (dark) or 255 (not yet set); X is the column, Y the row.
class TByteMatrix {
public:
    TByteMatrix(int width, int height) : m_width(width), m_height(height), m_bytes(size_t(width) * size_t(height), 255) {}

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int Get(int x, int y) const
    {
        const std::uint8_t v = m_bytes[size_t(y) * size_t(m_width) + size_t(x)];
        return v == 255 ? -1 : v;
    }
    std::uint8_t Raw(int x, int y) const { return m_bytes[size_t(y) * size_t(m_width) + size_t(x)]; }
    void SetInteger(int x, int y, int value) { m_bytes[size_t(y) * size_t(m_width) + size_t(x)] = std::uint8_t(value); }
    void SetBoolean(int x, int y, bool value) { SetInteger(x, y, value ? 1 : 0); }
    void Clear(std::uint8_t value) { std::fill(m_bytes.begin(), m_bytes.end(), value); }
    const std::vector<std::uint8_t> &GetArray() const { return m_bytes; }
    std::vector<std::uint8_t> &Bytes() { return m_bytes; }
    void Assign(const TByteMatrix &other) { *this = other; }
    // One letter per row: "A" plus the row's cell sum modulo 26.
    QString Hash() const;

private:
    int m_width;
    int m_height;
    std::vector<std::uint8_t> m_bytes;
};

namespace TMaskUtil {
// Whether mask maskPattern inverts the data module at column x, row y; a
// negative mask number always inverts.
bool GetDataMaskBit(int maskPattern, int x, int y);
// Penalty rules of ISO/IEC 18004 over a complete matrix.
int ApplyMaskPenaltyRule1(const TByteMatrix &m);
int ApplyMaskPenaltyRule2(const TByteMatrix &m);
int ApplyMaskPenaltyRule3(const TByteMatrix &m);
int ApplyMaskPenaltyRule4(const TByteMatrix &m);
int CalculateMaskPenalty(const TByteMatrix &m);
} // namespace TMaskUtil

class TMatrixUtil {
public:
    // Fills matrix (17 + 4 * version cells per side) completely.
    void BuildMatrix(const TBitArray &dataBits, const TErrorCorrectionLevel &level, const TVersion &version,
                     int maskPattern, TByteMatrix &matrix);
    // Builds the matrix for masks 0 to 7, keeps the lowest penalty (the
    // lower number on ties); matrix holds the chosen symbol afterwards.
    int ChooseMaskAndBuild(const TBitArray &dataBits, const TErrorCorrectionLevel &level, const TVersion &version,
                           TByteMatrix &matrix);

    static int FormatInfoBits(const TErrorCorrectionLevel &level, int maskPattern);
    static int VersionInfoBits(int version);
    static int CalculateBCHCode(int value, int poly);

    bool MatrixUtilError = false;

private:
    void embedBasicPatterns(const TVersion &version, TByteMatrix &m);
    void embedTypeInfo(const TErrorCorrectionLevel &level, int maskPattern, TByteMatrix &m);
    void maybeEmbedVersionInfo(const TVersion &version, TByteMatrix &m);
    void embedDataBits(const TBitArray &dataBits, int maskPattern, TByteMatrix &m);
    void setFunction(TByteMatrix &m, int x, int y, bool dark);
};
