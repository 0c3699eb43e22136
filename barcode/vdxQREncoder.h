// QR Code encoder (ISO/IEC 18004, Model 2, versions 1 to 40): the facade
// that holds the settings and the finished module matrix, and the encoder
// that turns a text into segments, codewords and the matrix.
#pragma once
#include "barcode/vdxBarcode2DArray.h"
#include "barcode/vdxBarcode2DTypes.h"
#include "barcode/vdxQREncoder_matrix.h"
#include "barcode/vdxQREncoder_version.h"
#include "platform/Exception.h"

#include <QString>
#include <optional>

VD_DECLARE_EXCEPTION(EQREncoderError, Exception)

enum class TMode {
    qmTerminator,
    qmNumeric,
    qmAlphanumeric,
    qmStructuredAppend,
    qmByte,
    qmECI,
    qmKanji,
    qmFNC1FirstPosition,
    qmFNC1SecondPosition,
    qmHanzi
};

int ModeIndicator(TMode mode);
// Character-count-indicator width for versions 1-9, 10-26 and 27-40.
int CharacterCountBits(TMode mode, int version);

// The ECI number a code page maps to (3 for 0 and unlisted pages), and back
// (0 for an ECI number without a code page).
int ECIForCodePage(int codePage);
int CodePageForECI(int eci);

// The byte segments of a text in ECI mode: markers "&ECInn;" switch the
// ECI number; each stretch between them becomes (ECI number, bytes in the
// number's code page). Raises EQREncoderError for a character the code page
// cannot represent.
std::vector<std::pair<int, QByteArray>> QRSplitECI(const QString &text, int codePage);

// One encoding result.
struct TQRCode {
    TMode Mode = TMode::qmTerminator;
    TErrorCorrectionLevel ECLevel;
    int Version = -1;
    int MatrixWidth = -1;
    int MaskPattern = -1;
    int NumTotalBytes = -1;
    int NumDataBytes = -1;
    int NumECBytes = -1;
    int NumRSBlocks = -1;
    std::optional<TByteMatrix> Matrix;
};

// The data codewords of one text in the smallest version that holds them:
// enough for the size and for every input error. Check bytes, matrix and
// mask, which cost the most, come after.
struct TQRCodewords {
    TMode Mode = TMode::qmTerminator;
    TErrorCorrectionLevel ECLevel;
    const TVersion *Version = nullptr;
    int NumDataBytes = 0;
    TBitArray Bits;
};

// One encoding. Every unusable input raises EQREncoderError: a failed step
// never yields a symbol.
class TEncoder {
public:
    int Codepage = 0;
    int CodeVersion = 0;

    void Encode(const QString &content, TQRCodeEncoding encoding, const TErrorCorrectionLevel &level, TQRCode &qrCode);
    // The two halves of Encode: the data codewords (every input error is
    // raised here), then check bytes and the matrix with the best mask.
    void Codewords(const QString &content, TQRCodeEncoding encoding, const TErrorCorrectionLevel &level,
                   TQRCodewords &out);
    void Place(const TQRCodewords &codewords, TQRCode &qrCode);
};

class TvdxQREncoder {
public:
    TvdxQREncoder() = default;

    const QString &Data() const { return m_data; }
    void SetData(const QString &value);
    TQRCodeEncoding Encoding() const { return m_encoding; }
    void SetEncoding(TQRCodeEncoding value);
    TQRErrorLevels ErrorLevels() const { return m_errorLevels; }
    void SetErrorLevels(TQRErrorLevels value);
    int QuietZone() const { return m_quietZone; }
    // 0 to 100; other values are ignored.
    void SetQuietZone(int value);
    int CodePage() const { return m_codePage; }
    void SetCodePage(int value);

    // Symbol size plus twice the quiet zone; 0 before the first encoding.
    int Rows() const { return m_rows; }
    int Columns() const { return m_columns; }
    // The symbol without its quiet zone, [column][row].
    const T2DBooleanArray &Matrix() const
    {
        place();
        return m_matrix;
    }
    bool IsBlack(int row, int column) const;
    // Version and mask of the current symbol (0 before the first encoding).
    int Version() const { return m_version; }
    int MaskPattern() const
    {
        place();
        return m_mask;
    }
    // Message of the last encoding when it failed, else empty.
    const QString &LastError() const { return m_lastError; }

    // Encodes Data with the current settings. On failure the previous
    // symbol stays and EQREncoderError passes on. The size is known at once;
    // the modules are placed when first read, so a job that only needs the
    // text and the size never pays for the mask choice.
    void Encode();

private:
    void place() const;

    QString m_data;
    TQRCodeEncoding m_encoding = qrAuto;
    TQRErrorLevels m_errorLevels = ecL;
    int m_quietZone = 4;
    int m_codePage = 0;
    TErrorCorrectionLevel m_level;
    int m_rows = 0;
    int m_columns = 0;
    int m_dimension = 0;
    int m_version = 0;
    mutable int m_mask = 0;
    mutable QString m_lastError;
    mutable T2DBooleanArray m_matrix;
    mutable std::optional<TQRCodewords> m_unplaced;
};
