#include "barcode/vdxQREncoder.h"

#include <cstring>
#include <gtest/gtest.h>
#include <random>

namespace {

int formatWordAt(const TByteMatrix &m)
{
    static const int first[15][2] = {{8, 0}, {8, 1}, {8, 2}, {8, 3}, {8, 4}, {8, 5}, {8, 7}, {8, 8},
                                     {7, 8}, {5, 8}, {4, 8}, {3, 8}, {2, 8}, {1, 8}, {0, 8}};
    int word = 0;
    for (int k = 0; k < 15; ++k)
        word |= m.Get(first[k][0], first[k][1]) << k;
    return word;
}

TQRCode encode(const QString &text, TQRCodeEncoding enc = qrAuto, TQRErrorLevels level = ecL, int codePage = 0)
{
    TEncoder e;
    e.Codepage = codePage;
    TQRCode code;
    e.Encode(text, enc, TErrorCorrectionLevel::From(level), code);
    return code;
}

} // namespace

TEST(QRMatrix, FormatAndVersionWords)
{
    EXPECT_EQ(TMatrixUtil::FormatInfoBits(TErrorCorrectionLevel::From(ecM), 0), 0x5412);
    EXPECT_EQ(TMatrixUtil::FormatInfoBits(TErrorCorrectionLevel::From(ecL), 0), 0x77C4);
    EXPECT_EQ(TMatrixUtil::VersionInfoBits(7), 0x07C94);
    // Both format copies are written with the same word.
    const TQRCode code = encode(QStringLiteral("HELLO"), qrAuto, ecM);
    const TByteMatrix &m = *code.Matrix;
    const int word = formatWordAt(m);
    EXPECT_EQ(word, TMatrixUtil::FormatInfoBits(TErrorCorrectionLevel::From(ecM), code.MaskPattern));
    int second = 0;
    for (int k = 0; k < 15; ++k)
        second |= (k < 8 ? m.Get(m.Width() - 1 - k, 8) : m.Get(8, m.Width() - 15 + k)) << k;
    EXPECT_EQ(second, word);
    EXPECT_EQ(m.Get(8, m.Width() - 8), 1); // the dark module
}

TEST(QRMatrix, Version7AlignmentPatternsAndVersionInfo)
{
    const TVersion *v7 = TVersion::GetVersionForNumber(7);
    TByteMatrix m(45, 45);
    TBitArray bits;
    for (int i = 0; i < v7->TotalCodewords(); ++i)
        bits.AppendBits(0, 8);
    TMatrixUtil util;
    util.BuildMatrix(bits, TErrorCorrectionLevel::From(ecL), *v7, 0, m);
    EXPECT_FALSE(util.MatrixUtilError);
    auto isAlignment = [&](int cx, int cy) {
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx) {
                const bool dark = std::abs(dx) == 2 || std::abs(dy) == 2 || (dx == 0 && dy == 0);
                if (m.Get(cx + dx, cy + dy) != int(dark))
                    return false;
            }
        return true;
    };
    for (auto [x, y] : {std::pair{6, 22}, {22, 6}, {22, 22}, {22, 38}, {38, 22}, {38, 38}})
        EXPECT_TRUE(isAlignment(x, y)) << x << "," << y;
    for (auto [x, y] : {std::pair{6, 6}, {6, 38}, {38, 6}})
        EXPECT_FALSE(isAlignment(x, y)) << x << "," << y;
    int word = 0, word2 = 0;
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 3; ++j) {
            word |= m.Get(i, 45 - 11 + j) << (3 * i + j);
            word2 |= m.Get(45 - 11 + j, i) << (3 * i + j);
        }
    EXPECT_EQ(word, 0x07C94);
    EXPECT_EQ(word2, 0x07C94);
}

TEST(QRMatrix, PenaltyRules)
{
    // Rule 4: 62 % dark is two full 5 % steps away from 50 %.
    TByteMatrix m(10, 10);
    m.Clear(0);
    for (int i = 0; i < 62; ++i)
        m.SetInteger(i % 10, i / 10, 1);
    EXPECT_EQ(TMaskUtil::ApplyMaskPenaltyRule4(m), 20);
    // Rule 1 and 2 on a uniform 5 x 5 block: 5 rows and 5 columns of runs of
    // five (3 each) and 16 squares.
    TByteMatrix u(5, 5);
    u.Clear(1);
    EXPECT_EQ(TMaskUtil::ApplyMaskPenaltyRule1(u), 30);
    EXPECT_EQ(TMaskUtil::ApplyMaskPenaltyRule2(u), 48);
    // Rule 3: the finder-like pattern with four light modules after it, and
    // the same pattern at the edge where only the symbol's end follows.
    TByteMatrix r(11, 1);
    r.Clear(0);
    const int pat[7] = {1, 0, 1, 1, 1, 0, 1};
    for (int i = 0; i < 7; ++i)
        r.SetInteger(i, 0, pat[i]);
    EXPECT_EQ(TMaskUtil::ApplyMaskPenaltyRule3(r), 40);
    TByteMatrix edge(7, 1);
    for (int i = 0; i < 7; ++i)
        edge.SetInteger(i, 0, pat[i]);
    EXPECT_EQ(TMaskUtil::ApplyMaskPenaltyRule3(edge), 0);
}

TEST(QRMatrix, MaskConditions)
{
    struct Case { int mask, x, y; bool inverted; };
    const Case cases[] = {{0, 0, 0, true}, {0, 1, 0, false}, {1, 5, 2, true}, {1, 0, 1, false}, {2, 3, 7, true},
                          {2, 4, 0, false}, {3, 1, 2, true}, {4, 0, 2, false}, {4, 0, 0, true}, {5, 2, 3, true},
                          {5, 1, 1, false}, {6, 1, 5, false}, {6, 1, 1, true}, {7, 0, 0, true}, {-1, 3, 3, true}, {8, 0, 0, false}};
    for (const Case &c : cases)
        EXPECT_EQ(TMaskUtil::GetDataMaskBit(c.mask, c.x, c.y), c.inverted) << c.mask << " " << c.x << "," << c.y;
}

TEST(QRVersion, TablesAgreeWithTheModuleCount)
{
    for (int v = 1; v <= 40; ++v) {
        const TVersion *ver = TVersion::GetVersionForNumber(v);
        const int size = 17 + 4 * v;
        // Function modules: finders with separators and format cells, timing,
        // alignment patterns, version information.
        const int n = v == 1 ? 0 : v / 7 + 2;
        const int align = n == 0 ? 0 : n * n - 3;
        int function = 3 * 64 + 2 * (size - 16) + 31 + align * 25 - (n > 2 ? (n - 2) * 2 * 5 : 0) + (v >= 7 ? 36 : 0);
        const int dataModules = size * size - function;
        EXPECT_EQ(ver->TotalCodewords(), dataModules / 8) << v;
        for (TQRErrorLevels level : {ecL, ecM, ecQ, ecH}) {
            const TECBlocks &ec = ver->GetECBlocksForLevel(TErrorCorrectionLevel::From(level));
            EXPECT_EQ(ec.GetDataCodewords() + ec.GetTotalECCodewords(), ver->TotalCodewords()) << v << " " << level;
        }
    }
    EXPECT_EQ(TVersion::GetVersionForNumber(0), nullptr);
    EXPECT_EQ(TVersion::GetVersionForNumber(41), nullptr);
}

TEST(QREncoder, SizesAndCapacity)
{
    EXPECT_EQ(encode(QStringLiteral("12345678")).Version, 1);
    EXPECT_EQ(encode(QStringLiteral("12345678")).MatrixWidth, 21);
    EXPECT_EQ(encode(QStringLiteral("12345678")).Mode, TMode::qmNumeric);
    EXPECT_EQ(encode(QStringLiteral("HELLO WORLD")).Mode, TMode::qmAlphanumeric);
    EXPECT_EQ(encode(QStringLiteral("hello")).Mode, TMode::qmByte);
    EXPECT_EQ(encode(QString()).Version, 1);

    const TQRCode full = encode(QString(7089, u'7'));
    EXPECT_EQ(full.Version, 40);
    EXPECT_EQ(full.MatrixWidth, 177);
    EXPECT_THROW(encode(QString(7090, u'7')), EQREncoderError);
    EXPECT_THROW(encode(QString(3058, u'7'), qrAuto, ecH), EQREncoderError);
    EXPECT_EQ(encode(QString(3057, u'7'), qrAuto, ecH).Version, 40);
}

TEST(QREncoder, CharactersTheModeCannotCarryAreErrors)
{
    struct Case { const char16_t *text; TQRCodeEncoding enc; const char *message; };
    const Case cases[] = {
        {u"abc", qrAlphanumeric, "Character \"a\" (U+0061) is not allowed in alphanumeric mode"},
        {u"12a4", qrNumeric, "Character \"a\" (U+0061) is not allowed in numeric mode"},
        {u"A\u0416", qrISO88591, "Character \"\u0416\" (U+0416) is not in ISO-8859-1"},
        {u"\u00e9", qrShift_JIS, "Character \"\u00e9\" (U+00E9) cannot be represented in code page 932"},
    };
    for (const Case &c : cases) {
        try {
            encode(QString::fromUtf16(c.text), c.enc);
            ADD_FAILURE() << "no error for " << QString::fromUtf16(c.text).toStdString();
        } catch (const EQREncoderError &e) {
            EXPECT_EQ(e.message(), QString::fromUtf8(c.message));
        }
    }
    EXPECT_NO_THROW(encode(QStringLiteral("ABC"), qrAlphanumeric));
}

TEST(QREncoder, ShiftJISChoosesKanjiOnlyForDoubleByteText)
{
    EXPECT_EQ(encode(QString::fromUtf16(u"\u65E5\u672C"), qrShift_JIS).Mode, TMode::qmKanji);
    EXPECT_EQ(encode(QString::fromUtf16(u"A\u65E5"), qrShift_JIS).Mode, TMode::qmByte);
    EXPECT_EQ(encode(QString(), qrShift_JIS).Mode, TMode::qmKanji);
}

TEST(QREncoder, ECISegments)
{
    using Seg = std::pair<int, QByteArray>;
    EXPECT_EQ(QRSplitECI(QStringLiteral("A&ECI26;B"), 0), (std::vector<Seg>{{3, "A"}, {26, "B"}}));
    EXPECT_EQ(QRSplitECI(QString::fromUtf16(u"&ECI26;\u0416"), 0), (std::vector<Seg>{{26, "\xD0\x96"}}));
    EXPECT_EQ(QRSplitECI(QString::fromUtf16(u"\u0416"), 1251), (std::vector<Seg>{{22, "\xC6"}}));
    EXPECT_EQ(QRSplitECI(QStringLiteral("&ECIxy;A"), 1251), (std::vector<Seg>{{3, "A"}}));
    EXPECT_EQ(QRSplitECI(QString::fromUtf16(u"&ECI25;A\u0416"), 0), (std::vector<Seg>{{25, QByteArray("\0A\x04\x16", 4)}}));
    // Broken markers are text.
    EXPECT_EQ(QRSplitECI(QStringLiteral("&ECI2;x"), 0), (std::vector<Seg>{{3, "&ECI2;x"}}));
    EXPECT_TRUE(QRSplitECI(QString(), 1251).empty());
    EXPECT_THROW(QRSplitECI(QString::fromUtf16(u"\u0416"), 28591), EQREncoderError);

    EXPECT_EQ(encode(QStringLiteral("A&ECI26;B")).Mode, TMode::qmECI);
    EXPECT_EQ(encode(QStringLiteral("abc"), qrAuto, ecL, 1251).Mode, TMode::qmECI);
    EXPECT_EQ(encode(QString(), qrAuto, ecL, 1251).Version, 1);
}

TEST(QREncoderFacade, QuietZoneAndRetainedSymbol)
{
    TvdxQREncoder f;
    EXPECT_EQ(f.Rows(), 0);
    f.SetData(QStringLiteral("12345678"));
    EXPECT_EQ(f.Rows(), 21 + 8);
    for (int bad : {101, -1}) {
        f.SetQuietZone(bad);
        EXPECT_EQ(f.QuietZone(), 4);
    }
    f.SetQuietZone(0);
    EXPECT_EQ(f.Rows(), 21);
    EXPECT_EQ(f.Columns(), 21);
    EXPECT_TRUE(f.IsBlack(0, 0));
    EXPECT_FALSE(f.IsBlack(21, 0));
    f.SetQuietZone(2);
    EXPECT_FALSE(f.IsBlack(1, 1));
    EXPECT_TRUE(f.IsBlack(2, 2));
    const T2DBooleanArray before = f.Matrix();
    EXPECT_THROW(f.SetData(QString(7090, u'1')), EQREncoderError);
    EXPECT_EQ(f.Matrix(), before);
    EXPECT_EQ(f.Rows(), 25);
}

TEST(QREncoderFacade, ModulesPlacedLateMatchAFullEncoding)
{
    // The size is known at once, the modules only when read; a failure in
    // between keeps the symbol that was encoded, placed or not.
    struct Case { const char *text; TQRErrorLevels level; };
    const Case cases[] = {{"12345678", ecL}, {"https://example.org/p/SHIP-000001", ecM}, {"Hello, world", ecH}};
    for (const Case &c : cases) {
        TvdxQREncoder f;
        f.SetQuietZone(0);
        f.SetErrorLevels(c.level);
        f.SetData(QString::fromLatin1(c.text));
        const TQRCode full = encode(QString::fromLatin1(c.text), qrAuto, c.level);
        EXPECT_EQ(f.Rows(), full.MatrixWidth) << c.text;
        EXPECT_EQ(f.Version(), full.Version) << c.text;
        EXPECT_THROW(f.SetData(QString(7090, u'1')), EQREncoderError);
        EXPECT_EQ(f.Rows(), full.MatrixWidth) << c.text;
        EXPECT_FALSE(f.LastError().isEmpty());
        EXPECT_EQ(f.MaskPattern(), full.MaskPattern) << c.text;
        const TByteMatrix &m = *full.Matrix;
        for (int y = 0; y < m.Height(); ++y)
            for (int x = 0; x < m.Width(); ++x)
                ASSERT_EQ(f.Matrix().Get(x, y), m.Raw(x, y) == 1) << c.text << " " << x << "," << y;
    }
}

TEST(QRMatrix, PenaltyOfAnyMatrixIsTheSumOfItsRules)
{
    // Sides around the one-word limit, light and dark modules at several
    // densities, and finder-like patterns planted along rows, columns and
    // their ends, where the light modules beside them may fall outside.
    std::mt19937 rng(7);
    for (int side : {1, 2, 5, 7, 10, 11, 12, 21, 29, 45, 57, 61, 63, 64, 65, 69})
        for (int density : {0, 1, 3, 5, 7, 8})
            for (int planted : {0, 4}) {
                TByteMatrix m(side, side);
                std::uniform_int_distribution<int> eighth(0, 7), at(0, side - 1);
                for (int y = 0; y < side; ++y)
                    for (int x = 0; x < side; ++x)
                        m.SetBoolean(x, y, eighth(rng) < density);
                const char *patterns[] = {"00001011101", "10111010000", "1011101"};
                for (int k = 0; k < planted * side / 4; ++k) {
                    const char *p = patterns[k % 3];
                    const int len = int(std::strlen(p)), line = at(rng);
                    const int from = k % 2 ? at(rng) - len / 2 : k % 4 == 0 ? 0 : side - len;
                    for (int i = 0; i < len; ++i) {
                        const int along = from + i;
                        if (along < 0 || along >= side)
                            continue;
                        if (k % 3 == 1)
                            m.SetBoolean(line, along, p[i] == '1');
                        else
                            m.SetBoolean(along, line, p[i] == '1');
                    }
                }
                EXPECT_EQ(TMaskUtil::CalculateMaskPenalty(m),
                          TMaskUtil::ApplyMaskPenaltyRule1(m) + TMaskUtil::ApplyMaskPenaltyRule2(m)
                              + TMaskUtil::ApplyMaskPenaltyRule3(m) + TMaskUtil::ApplyMaskPenaltyRule4(m))
                    << "side " << side << " density " << density << " planted " << planted;
            }
}

TEST(QRMatrix, PenaltyIsTheSumOfItsRules)
{
    // The combined scan equals the four rules taken one by one, on real
    // symbols of several versions under every mask.
    for (int length : {5, 60, 300, 1200}) {
        const TQRCode code = encode(QString(length, u'a') + QStringLiteral("Zz09"), qrAuto, ecM);
        for (int mask = 0; mask < 8; ++mask) {
            TByteMatrix m(code.MatrixWidth, code.MatrixWidth);
            TBitArray bits;
            const TVersion *v = TVersion::GetVersionForNumber(code.Version);
            for (int i = 0; i < v->TotalCodewords(); ++i)
                bits.AppendBits(uint32_t((i * 37 + length) & 0xFF), 8);
            TMatrixUtil util;
            util.BuildMatrix(bits, TErrorCorrectionLevel::From(ecM), *v, mask, m);
            EXPECT_EQ(TMaskUtil::CalculateMaskPenalty(m),
                      TMaskUtil::ApplyMaskPenaltyRule1(m) + TMaskUtil::ApplyMaskPenaltyRule2(m)
                          + TMaskUtil::ApplyMaskPenaltyRule3(m) + TMaskUtil::ApplyMaskPenaltyRule4(m))
                << length << " mask " << mask;
        }
    }
}
