#include "barcode/vdxBarcodeCoding.h"

#include <algorithm>
#include <string>

TGenericGF::TGenericGF(int primitive, int size, int generatorBase)
    : m_primitive(primitive), m_size(size), m_generatorBase(generatorBase)
{
}

std::unique_ptr<TGenericGF> TGenericGF::CreateQRCodeField256() { return std::make_unique<TGenericGF>(0x11D, 256, 0); }
std::unique_ptr<TGenericGF> TGenericGF::CreateAztecData12() { return std::make_unique<TGenericGF>(0x1069, 4096, 1); }
std::unique_ptr<TGenericGF> TGenericGF::CreateAztecData10() { return std::make_unique<TGenericGF>(0x409, 1024, 1); }
std::unique_ptr<TGenericGF> TGenericGF::CreateAztecData8() { return std::make_unique<TGenericGF>(0x12D, 256, 1); }
std::unique_ptr<TGenericGF> TGenericGF::CreateAztecData6() { return std::make_unique<TGenericGF>(0x43, 64, 1); }
std::unique_ptr<TGenericGF> TGenericGF::CreateAztecParam() { return std::make_unique<TGenericGF>(0x13, 16, 1); }

void TGenericGF::ensureTables() const
{
    if (!m_exp.empty())
        return;
    m_exp.assign(size_t(m_size), 0);
    m_log.assign(size_t(m_size), 0);
    int x = 1;
    for (int i = 0; i < m_size; ++i) {
        m_exp[size_t(i)] = x;
        x <<= 1;
        if (x >= m_size)
            x = (x ^ m_primitive) & (m_size - 1);
    }
    for (int i = 0; i < m_size - 1; ++i)
        m_log[size_t(m_exp[size_t(i)])] = i;
}

int TGenericGF::Exp(int a) const
{
    ensureTables();
    return a >= 0 && a < m_size ? m_exp[size_t(a)] : 0;
}

int TGenericGF::Log(int a) const
{
    ensureTables();
    return a > 0 && a < m_size ? m_log[size_t(a)] : 0;
}

int TGenericGF::Inverse(int a) const
{
    ensureTables();
    if (a <= 0 || a >= m_size)
        return 0;
    return m_exp[size_t(m_size - m_log[size_t(a)] - 1)];
}

int TGenericGF::Multiply(int a, int b) const
{
    ensureTables();
    if (a == 0 || b == 0)
        return 0;
    return m_exp[size_t((m_log[size_t(a)] + m_log[size_t(b)]) % (m_size - 1))];
}

std::optional<TGenericGFPoly> TGenericGF::BuildMonomial(int degree, int coefficient) const
{
    if (degree < 0)
        return std::nullopt;
    if (coefficient == 0)
        return GetZero();
    std::vector<int> c(size_t(degree) + 1, 0);
    c[0] = coefficient;
    return TGenericGFPoly(this, std::move(c));
}

TGenericGFPoly TGenericGF::GetZero() const { return TGenericGFPoly(this, {0}); }
TGenericGFPoly TGenericGF::GetOne() const { return TGenericGFPoly(this, {1}); }

TGenericGFPoly::TGenericGFPoly(const TGenericGF *field, std::vector<int> coefficients) : m_field(field)
{
    size_t first = 0;
    while (first < coefficients.size() && coefficients[first] == 0)
        ++first;
    if (first == coefficients.size())
        m_coefficients = {0};
    else if (first == 0)
        m_coefficients = std::move(coefficients);
    else
        m_coefficients.assign(coefficients.begin() + std::ptrdiff_t(first), coefficients.end());
}

int TGenericGFPoly::GetCoefficient(int degree) const
{
    const int idx = GetDegree() - degree;
    return idx >= 0 && idx < int(m_coefficients.size()) ? m_coefficients[size_t(idx)] : 0;
}

std::optional<TGenericGFPoly> TGenericGFPoly::AddOrSubtract(const TGenericGFPoly &other) const
{
    if (m_field != other.m_field)
        return std::nullopt;
    if (IsZero())
        return other;
    if (other.IsZero())
        return *this;
    const std::vector<int> *small = &m_coefficients, *large = &other.m_coefficients;
    if (small->size() > large->size())
        std::swap(small, large);
    std::vector<int> sum(*large);
    const size_t diff = large->size() - small->size();
    for (size_t i = 0; i < small->size(); ++i)
        sum[diff + i] ^= (*small)[i];
    return TGenericGFPoly(m_field, std::move(sum));
}

std::optional<TGenericGFPoly> TGenericGFPoly::Multiply(const TGenericGFPoly &other) const
{
    if (m_field != other.m_field)
        return std::nullopt;
    if (IsZero() || other.IsZero())
        return m_field->GetZero();
    const auto &a = m_coefficients, &b = other.m_coefficients;
    std::vector<int> product(a.size() + b.size() - 1, 0);
    for (size_t i = 0; i < a.size(); ++i)
        for (size_t j = 0; j < b.size(); ++j)
            product[i + j] ^= m_field->Multiply(a[i], b[j]);
    return TGenericGFPoly(m_field, std::move(product));
}

TGenericGFPoly TGenericGFPoly::MultiplyByMonomial(int degree, int coefficient) const
{
    if (coefficient == 0 || degree < 0)
        return m_field->GetZero();
    std::vector<int> product(m_coefficients.size() + size_t(degree), 0);
    for (size_t i = 0; i < m_coefficients.size(); ++i)
        product[i] = m_field->Multiply(m_coefficients[i], coefficient);
    return TGenericGFPoly(m_field, std::move(product));
}

std::optional<std::pair<TGenericGFPoly, TGenericGFPoly>> TGenericGFPoly::Divide(const TGenericGFPoly &other) const
{
    if (m_field != other.m_field || other.IsZero())
        return std::nullopt;
    TGenericGFPoly quotient = m_field->GetZero();
    TGenericGFPoly remainder = *this;
    const int inverseLead = m_field->Inverse(other.GetCoefficient(other.GetDegree()));
    while (remainder.GetDegree() >= other.GetDegree() && !remainder.IsZero()) {
        const int diff = remainder.GetDegree() - other.GetDegree();
        const int scale = m_field->Multiply(remainder.GetCoefficient(remainder.GetDegree()), inverseLead);
        quotient = *quotient.AddOrSubtract(*m_field->BuildMonomial(diff, scale));
        remainder = *remainder.AddOrSubtract(other.MultiplyByMonomial(diff, scale));
    }
    return std::make_pair(quotient, remainder);
}

TReedSolomonEncoder::TReedSolomonEncoder(const TGenericGF *field) : m_field(field)
{
    m_cachedGenerators.push_back(field->GetOne());
}

const TGenericGFPoly &TReedSolomonEncoder::BuildGenerator(int degree)
{
    while (int(m_cachedGenerators.size()) <= degree) {
        const int d = int(m_cachedGenerators.size());
        const TGenericGFPoly factor(m_field, {1, m_field->Exp((d - 1 + m_field->GetGeneratorBase()) % (m_field->Size() - 1))});
        m_cachedGenerators.push_back(*m_cachedGenerators.back().Multiply(factor));
    }
    return m_cachedGenerators[size_t(std::max(degree, 0))];
}

void TReedSolomonEncoder::Encode(std::vector<int> &toEncode, int ecBytes)
{
    const int dataBytes = int(toEncode.size()) - ecBytes;
    if (ecBytes <= 0 || dataBytes <= 0)
        return;
    const std::vector<int> &g = BuildGenerator(ecBytes).Coefficients(); // g[0] == 1
    // Polynomial division by the monic generator as a shift register: the
    // same remainder as message * x^n mod g, without intermediate polynomials.
    std::vector<int> reg(size_t(ecBytes), 0);
    for (int i = 0; i < dataBytes; ++i) {
        const int factor = toEncode[size_t(i)] ^ reg[0];
        std::move(reg.begin() + 1, reg.end(), reg.begin());
        reg.back() = 0;
        if (factor != 0)
            for (int j = 0; j < ecBytes; ++j)
                reg[size_t(j)] ^= m_field->Multiply(g[size_t(j) + 1], factor);
    }
    std::copy(reg.begin(), reg.end(), toEncode.begin() + dataBytes);
}

TBitArray::TBitArray(int size) : m_bits(size_t(std::max(1, (size + 31) / 32)), 0), m_size(std::max(0, size)) {}

void TBitArray::Clear()
{
    m_bits.assign(1, 0);
    m_size = 0;
}

void TBitArray::ensureCapacity(int bits)
{
    const size_t words = size_t(bits + 31) / 32;
    if (words > m_bits.size())
        m_bits.resize(words, 0);
}

void TBitArray::AppendBit(bool bit)
{
    ensureCapacity(m_size + 1);
    if (bit)
        SetBit(m_size);
    ++m_size;
}

void TBitArray::AppendBits(std::uint32_t value, int numBits)
{
    if (numBits <= 0 || numBits > 32)
        return;
    ensureCapacity(m_size + numBits);
    for (int left = numBits; left > 0; --left) {
        if ((value >> (left - 1)) & 1u)
            SetBit(m_size);
        ++m_size;
    }
}

void TBitArray::AppendBitArray(const TBitArray &other)
{
    const int n = other.GetSize();
    ensureCapacity(m_size + n);
    for (int i = 0; i < n; ++i) {
        if (other.Get(i))
            SetBit(m_size);
        ++m_size;
    }
}

void TBitArray::ToBytes(int bitOffset, std::uint8_t *target, int offset, int numBytes) const
{
    for (int i = 0; i < numBytes; ++i) {
        int value = 0;
        for (int j = 0; j < 8; ++j) {
            const int bit = bitOffset + j;
            value <<= 1;
            if (bit < int(m_bits.size()) * 32 && Get(bit))
                value |= 1;
        }
        target[offset + i] = std::uint8_t(value);
        bitOffset += 8;
    }
}

void TBitArray::XorOperation(const TBitArray &other)
{
    if (m_bits.size() != other.m_bits.size())
        return;
    for (size_t i = 0; i < m_bits.size(); ++i)
        m_bits[i] ^= other.m_bits[i];
}

std::string TBitArray::ToString() const
{
    std::string s;
    s.reserve(size_t(m_size) + size_t(m_size) / 8 + 1);
    for (int i = 0; i < m_size; ++i) {
        if ((i & 7) == 0)
            s += ' ';
        s += Get(i) ? 'X' : '^';
    }
    return s;
}
