#include "barcode/vdxBarcodeCoding.h"

#include <gtest/gtest.h>

TEST(GaloisField, QRFieldVectors)
{
    auto gf = TGenericGF::CreateQRCodeField256();
    EXPECT_EQ(gf->Exp(8), 29);
    EXPECT_EQ(gf->Multiply(2, 128), 29);
    EXPECT_EQ(gf->Inverse(1), 1);
    EXPECT_EQ(gf->Inverse(0), 0);
    EXPECT_EQ(gf->Multiply(0, 77), 0);
    for (int a = 1; a < 256; ++a)
        ASSERT_EQ(gf->Multiply(a, gf->Inverse(a)), 1) << a;
}

TEST(GaloisField, EveryFieldIsAFullCycle)
{
    for (auto make : {TGenericGF::CreateQRCodeField256, TGenericGF::CreateAztecData12, TGenericGF::CreateAztecData10,
                      TGenericGF::CreateAztecData8, TGenericGF::CreateAztecData6, TGenericGF::CreateAztecParam}) {
        auto gf = make();
        std::vector<bool> seen(size_t(gf->Size()), false);
        for (int i = 0; i < gf->Size() - 1; ++i) {
            const int v = gf->Exp(i);
            ASSERT_GT(v, 0);
            ASSERT_FALSE(seen[size_t(v)]) << "primitive " << gf->Primitive();
            seen[size_t(v)] = true;
        }
    }
}

TEST(GaloisPoly, GeneratorOfDegreeTwo)
{
    auto gf = TGenericGF::CreateQRCodeField256();
    TReedSolomonEncoder rs(gf.get());
    EXPECT_EQ(rs.BuildGenerator(2).Coefficients(), (std::vector<int>{1, 3, 2}));
}

TEST(GaloisPoly, ArithmeticAndMismatchedFields)
{
    auto gf = TGenericGF::CreateQRCodeField256();
    auto other = TGenericGF::CreateAztecData8();
    const TGenericGFPoly a(gf.get(), {0, 0, 5, 1});
    EXPECT_EQ(a.Coefficients(), (std::vector<int>{5, 1})); // leading zeros dropped
    EXPECT_EQ(a.GetDegree(), 1);
    EXPECT_TRUE(TGenericGFPoly(gf.get(), {0, 0}).IsZero());
    EXPECT_FALSE(a.AddOrSubtract(TGenericGFPoly(other.get(), {1})).has_value());
    EXPECT_FALSE(a.Divide(gf->GetZero()).has_value());
    EXPECT_FALSE(gf->BuildMonomial(-1, 3).has_value());
    // (a * b) / b == a with no remainder.
    const TGenericGFPoly b(gf.get(), {7, 0, 9});
    const auto product = a.Multiply(b);
    ASSERT_TRUE(product);
    const auto qr = product->Divide(b);
    ASSERT_TRUE(qr);
    EXPECT_EQ(qr->first.Coefficients(), a.Coefficients());
    EXPECT_TRUE(qr->second.IsZero());
}

TEST(ReedSolomon, CodewordIsAMultipleOfTheGenerator)
{
    auto gf = TGenericGF::CreateQRCodeField256();
    TReedSolomonEncoder rs(gf.get());
    // The first version-1-M block of the standard's worked example "01234567".
    std::vector<int> block = {0x10, 0x20, 0x0C, 0x56, 0x61, 0x80, 0xEC, 0x11, 0xEC, 0x11, 0xEC, 0x11, 0xEC, 0x11, 0xEC, 0x11};
    block.resize(block.size() + 10, 0);
    rs.Encode(block, 10);
    const std::vector<int> ec(block.end() - 10, block.end());
    EXPECT_EQ(ec, (std::vector<int>{0xA5, 0x24, 0xD4, 0xC1, 0xED, 0x36, 0xC7, 0x87, 0x2C, 0x55}));
    const TGenericGFPoly whole(gf.get(), block);
    EXPECT_TRUE(whole.Divide(rs.BuildGenerator(10))->second.IsZero());
}

TEST(ReedSolomon, ShortRemainderAndDegenerateCalls)
{
    auto gf = TGenericGF::CreateQRCodeField256();
    TReedSolomonEncoder rs(gf.get());
    // A zero message has a zero remainder: every check slot is written as 0.
    std::vector<int> zeros = {0, 0, 9, 9, 9};
    rs.Encode(zeros, 3);
    EXPECT_EQ(zeros, (std::vector<int>{0, 0, 0, 0, 0}));
    std::vector<int> unchanged = {1, 2, 3};
    rs.Encode(unchanged, 0);
    rs.Encode(unchanged, 3); // no message symbols
    EXPECT_EQ(unchanged, (std::vector<int>{1, 2, 3}));
}

TEST(BitArray, AppendPackAndXor)
{
    TBitArray bits;
    bits.AppendBits(5, 3);
    EXPECT_EQ(bits.GetSize(), 3);
    EXPECT_TRUE(bits.Get(0));
    EXPECT_FALSE(bits.Get(1));
    EXPECT_TRUE(bits.Get(2));
    std::uint8_t out[1] = {0};
    bits.ToBytes(0, out, 0, 1);
    EXPECT_EQ(out[0], 0xA0);
    EXPECT_EQ(bits.GetSizeInBytes(), 1);
    EXPECT_EQ(bits.ToString(), " X^X");

    TBitArray longer;
    longer.AppendBits(0xFFFFFFFF, 32);
    longer.AppendBit(true);
    const TBitArray before = bits;
    bits.XorOperation(longer); // another word count: unchanged
    EXPECT_EQ(bits.Words(), before.Words());
    TBitArray same;
    same.AppendBits(7, 3);
    bits.XorOperation(same);
    EXPECT_FALSE(bits.Get(0));
    EXPECT_TRUE(bits.Get(1));

    TBitArray joined;
    joined.AppendBits(0x3, 2);
    joined.AppendBitArray(longer);
    EXPECT_EQ(joined.GetSize(), 35);
    EXPECT_TRUE(joined.Get(34));
}
