// Aztec Code: the high-level encoder that looks for the shortest bit stream
// of a text, the symbol builder (layers, check words, mode message, finder,
// reference grid) and the facade the engine owns.
#pragma once
#include "barcode/vdxBarcode2DArray.h"
#include "barcode/vdxBarcodeCoding.h"

#include <QByteArray>
#include <QString>
#include <deque>
#include <vector>

namespace vdxAztec {

enum TMode { UPPER = 0, LOWER = 1, DIGIT = 2, MIXED = 3, PUNCT = 4 };

// One piece of output; tokens form backward chains that states share.
class TToken {
public:
    explicit TToken(const TToken *previous) : m_previous(previous) {}
    virtual ~TToken() = default;
    const TToken *Previous() const { return m_previous; }
    virtual void AppendTo(TBitArray &bits, const QByteArray &text) const = 0;

private:
    const TToken *m_previous;
};

class TSimpleToken : public TToken {
public:
    TSimpleToken(const TToken *previous, int value, int bitCount)
        : TToken(previous), m_value(value), m_bitCount(bitCount)
    {
    }
    void AppendTo(TBitArray &bits, const QByteArray &text) const override;

private:
    int m_value;
    int m_bitCount;
};

class TBinaryShiftToken : public TToken {
public:
    // start is the 0-based position of the run's first byte.
    TBinaryShiftToken(const TToken *previous, int start, int byteCount)
        : TToken(previous), m_start(start), m_byteCount(byteCount)
    {
    }
    void AppendTo(TBitArray &bits, const QByteArray &text) const override;

private:
    int m_start;
    int m_byteCount;
};

// Owns every token made during one encoding.
class TGarbage {
public:
    const TToken *Add(const TToken *previous, int value, int bitCount);
    const TToken *AddBinaryShift(const TToken *previous, int start, int byteCount);

private:
    std::deque<std::unique_ptr<TToken>> m_tokens;
};

// One candidate encoding of the text read so far.
struct TState {
    const TToken *Token = nullptr;
    int Mode = UPPER;
    int BinaryShiftByteCount = 0;
    int BitCount = 0;

    TState LatchAndAppend(TGarbage &g, int newMode, int value) const;
    TState ShiftAndAppend(TGarbage &g, int newMode, int value) const;
    // index is 0-based.
    TState AddBinaryShiftChar(TGarbage &g, int index) const;
    TState EndBinaryShift(TGarbage &g, int index) const;
    bool IsBetterThanOrEqualTo(const TState &other) const;
    TBitArray ToBitArray(TGarbage &g, const QByteArray &text) const;
    QString ToString() const;
};

class THighLevelEncoder {
public:
    explicit THighLevelEncoder(const QByteArray &text) : m_text(text) {}
    TBitArray Encode();

private:
    void updateStateForChar(const TState &s, int index, std::vector<TState> &result);
    void updateStateForPair(const TState &s, int index, int pairCode, std::vector<TState> &result);
    static std::vector<TState> simplifyStates(const std::vector<TState> &states);

    QByteArray m_text;
    TGarbage m_garbage;
};

// One symbol.
class TEncoder {
public:
    // userSpecifiedLayers: 0 automatic, > 0 full-range layers, < 0 compact layers.
    void Encode(const QByteArray &data, int minECCPercent, int userSpecifiedLayers = 0);
    int MatrixSize() const { return m_matrixSize; }
    bool Compact() const { return m_compact; }
    int Layers() const { return m_layers; }
    int CodeWords() const { return m_codeWords; }
    // Bits of the high-level stream of the last encoding.
    int StreamBits() const { return m_streamBits; }
    bool GetMatrix(int x, int y) const { return m_matrix.Get(x, y); }
    const T2DBooleanArray &Matrix() const { return m_matrix; }

    static TBitArray StuffBits(const TBitArray &bits, int wordSize);

private:
    int m_matrixSize = 0;
    bool m_compact = false;
    int m_layers = 0;
    int m_codeWords = 0;
    int m_streamBits = 0;
    T2DBooleanArray m_matrix;
};

} // namespace vdxAztec

// The facade: text and check-word share in, module matrix out.
class TAztecEncoder {
public:
    const QString &Data() const { return m_data; }
    void SetData(const QString &value);
    int MinECCPercent() const { return m_minECCPercent; }
    void SetMinECCPercent(int value);
    int MatrixSize() const { return m_matrixSize; }
    const T2DBooleanArray &Matrix() const { return m_matrix; }
    bool GetMatrix(int x, int y) const { return m_matrix.Get(x, y); }

    // Latin-1 bytes; other characters become question marks.
    static QByteArray ToLatin1(const QString &text);

private:
    void encode();

    QString m_data;
    int m_minECCPercent = 0;
    int m_matrixSize = 0;
    T2DBooleanArray m_matrix;
};
