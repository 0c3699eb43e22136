// Finite fields GF(2^m), polynomials over them, a systematic Reed-Solomon
// encoder and a growable bit array: the arithmetic core of the QR Code and
// Aztec encoders.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class TGenericGFPoly;

class TGenericGF {
public:
    TGenericGF(int primitive, int size, int generatorBase);

    static std::unique_ptr<TGenericGF> CreateQRCodeField256();
    static std::unique_ptr<TGenericGF> CreateAztecData12();
    static std::unique_ptr<TGenericGF> CreateAztecData10();
    static std::unique_ptr<TGenericGF> CreateAztecData8();
    static std::unique_ptr<TGenericGF> CreateAztecData6();
    static std::unique_ptr<TGenericGF> CreateAztecParam();
    static std::unique_ptr<TGenericGF> CreateMatrixField256() { return CreateAztecData8(); }
    static std::unique_ptr<TGenericGF> CreateMaxicodeField64() { return CreateAztecData6(); }

    static int AddOrSubtract(int a, int b) { return a ^ b; }
    int Exp(int a) const;
    int Log(int a) const;
    int Inverse(int a) const;
    int Multiply(int a, int b) const;
    // Coefficient * x^degree; no polynomial for a negative degree.
    std::optional<TGenericGFPoly> BuildMonomial(int degree, int coefficient) const;
    TGenericGFPoly GetZero() const;
    TGenericGFPoly GetOne() const;

    int Primitive() const { return m_primitive; }
    int Size() const { return m_size; }
    int GetGeneratorBase() const { return m_generatorBase; }

private:
    // Tables are built on first use, not by the constructor.
    void ensureTables() const;

    int m_primitive;
    int m_size;
    int m_generatorBase;
    mutable std::vector<int> m_exp;
    mutable std::vector<int> m_log;
};

// A polynomial over one field, highest degree first, without leading zeros
// (the zero polynomial is the single coefficient 0). Polynomials are values;
// operations on polynomials of two different fields give no result.
class TGenericGFPoly {
public:
    TGenericGFPoly(const TGenericGF *field, std::vector<int> coefficients);

    const TGenericGF *Field() const { return m_field; }
    const std::vector<int> &Coefficients() const { return m_coefficients; }
    int GetDegree() const { return int(m_coefficients.size()) - 1; }
    bool IsZero() const { return m_coefficients[0] == 0; }
    int GetCoefficient(int degree) const;

    std::optional<TGenericGFPoly> AddOrSubtract(const TGenericGFPoly &other) const;
    std::optional<TGenericGFPoly> Multiply(const TGenericGFPoly &other) const;
    TGenericGFPoly MultiplyByMonomial(int degree, int coefficient) const;
    // Quotient and remainder; no result for a zero divisor.
    std::optional<std::pair<TGenericGFPoly, TGenericGFPoly>> Divide(const TGenericGFPoly &other) const;

private:
    const TGenericGF *m_field;
    std::vector<int> m_coefficients;
};

class TReedSolomonEncoder {
public:
    explicit TReedSolomonEncoder(const TGenericGF *field);

    // The product of (x - alpha^(b + i)) for i from 0 to degree - 1.
    const TGenericGFPoly &BuildGenerator(int degree);
    // toEncode holds the message followed by ecBytes slots that receive the
    // check symbols. No check symbols or no message: unchanged.
    void Encode(std::vector<int> &toEncode, int ecBytes);

private:
    const TGenericGF *m_field;
    std::vector<TGenericGFPoly> m_cachedGenerators;
};

// Bits appended most significant first; bit i lives in bit (i mod 32) of
// word (i div 32).
class TBitArray {
public:
    TBitArray() : m_bits(1, 0) {}
    explicit TBitArray(int size);

    void Clear();
    int GetSize() const { return m_size; }
    int GetSizeInBytes() const { return (m_size + 7) / 8; }
    bool Get(int i) const { return (m_bits[size_t(i) >> 5] >> (i & 31)) & 1u; }
    void SetBit(int i) { m_bits[size_t(i) >> 5] |= 1u << (i & 31); }
    void SetItem(int i, bool value)
    {
        if (value)
            SetBit(i);
    }
    void AppendBit(bool bit);
    void AppendBits(std::uint32_t value, int numBits);
    void AppendBitArray(const TBitArray &other);
    // numBytes bytes, each from 8 bits starting at bitOffset, first bit most significant.
    void ToBytes(int bitOffset, std::uint8_t *target, int offset, int numBytes) const;
    // Word-wise XOR; arrays of another word count leave this one unchanged.
    void XorOperation(const TBitArray &other);
    // "X" for 1, "^" for 0, a blank before every eighth bit.
    std::string ToString() const;
    const std::vector<std::uint32_t> &Words() const { return m_bits; }

private:
    void ensureCapacity(int bits);

    std::vector<std::uint32_t> m_bits;
    int m_size = 0;
};
