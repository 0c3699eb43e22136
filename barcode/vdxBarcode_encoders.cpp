// Encoders of the symbologies outside the Code 128 family. "5"/"6" are a
// narrow/wide bar, "0"/"1" a narrow/wide space; "7"/"8" and "2"/"3" the two
// wider classes.
#include "barcode/vdxBarcode.h"
#include "barcode/vdxBarcodeOneCode.h"
#include "core/vdFormatSettings.h"

#include <cstring>

namespace {

// Narrow/wide flags of the 2 of 5 family, 1 = wide.
const char *const TwoOfFive[10] = {"00110", "10001", "01001", "11000", "00101",
                                   "10100", "01100", "00011", "10010", "01010"};

// EAN digit patterns as widths: set A starts with a space, set C with a bar;
// set B is set C reversed.
const char *const EanA[10] = {"3211", "2221", "2122", "1411", "1132", "1231", "1114", "1312", "1213", "3112"};
const char *const EanFirstParity[10] = {"AAAAAA", "AABABB", "AABBAB", "AABBBA", "ABAABB",
                                        "ABBAAB", "ABBBAA", "ABABAB", "ABABBA", "ABBABA"};
const char *const UpcEParity[10] = {"EEEooo", "EEoEoo", "EEooEo", "EEoooE", "EoEEoo",
                                    "EooEEo", "EoooEE", "EoEoEo", "EoEooE", "EooEoE"};

// Code 11: bar, space, bar, space, bar; index 10 is "-".
const char *const Code11Table[11] = {"00001", "10001", "01001", "11000", "00101", "10100",
                                     "01100", "00011", "10010", "10000", "00100"};

struct Code39Row {
    char ch;
    const char *pattern; // nine elements, bar first, 1 = wide
    int check;
};
const Code39Row Code39Table[44] = {
    {'0', "000110100", 0},  {'1', "100100001", 1},  {'2', "001100001", 2},  {'3', "101100000", 3},
    {'4', "000110001", 4},  {'5', "100110000", 5},  {'6', "001110000", 6},  {'7', "000100101", 7},
    {'8', "100100100", 8},  {'9', "001100100", 9},  {'A', "100001001", 10}, {'B', "001001001", 11},
    {'C', "101001000", 12}, {'D', "000011001", 13}, {'E', "100011000", 14}, {'F', "001011000", 15},
    {'G', "000001101", 16}, {'H', "100001100", 17}, {'I', "001001100", 18}, {'J', "000011100", 19},
    {'K', "100000011", 20}, {'L', "001000011", 21}, {'M', "101000010", 22}, {'N', "000010011", 23},
    {'O', "100010010", 24}, {'P', "001010010", 25}, {'Q', "000000111", 26}, {'R', "100000110", 27},
    {'S', "001000110", 28}, {'T', "000010110", 29}, {'U', "110000001", 30}, {'V', "011000001", 31},
    {'W', "111000000", 32}, {'X', "010010001", 33}, {'Y', "110010000", 34}, {'Z', "011010000", 35},
    {'-', "010000101", 36}, {'.', "110000100", 37}, {' ', "011000100", 38}, {'*', "010010100", 0},
    {'$', "010101000", 39}, {'/', "010100010", 40}, {'+', "010001010", 41}, {'%', "000101010", 42},
};

// Full-ASCII pairs of Code 39 for codes 0..127.
const char *const Code39Ext[128] = {
    "%U", "$A", "$B", "$C", "$D", "$E", "$F", "$G", "$H", "$I", "$J", "$K", "$L", "$M", "$N", "$O",
    "$P", "$Q", "$R", "$S", "$T", "$U", "$V", "$W", "$X", "$Y", "$Z", "%A", "%B", "%C", "%D", "%E",
    " ",  "/A", "/B", "/C", "/D", "/E", "/F", "/G", "/H", "/I", "/J", "/K", "/L", "/M", "/N", "/O",
    "0",  "1",  "2",  "3",  "4",  "5",  "6",  "7",  "8",  "9",  "/Z", "%F", "%G", "%H", "%I", "%J",
    "%V", "A",  "B",  "C",  "D",  "E",  "F",  "G",  "H",  "I",  "J",  "K",  "L",  "M",  "N",  "O",
    "P",  "Q",  "R",  "S",  "T",  "U",  "V",  "W",  "X",  "Y",  "Z",  "%K", "%L", "%M", "%N", "%O",
    "%W", "+A", "+B", "+C", "+D", "+E", "+F", "+G", "+H", "+I", "+J", "+K", "+L", "+M", "+N", "+O",
    "+P", "+Q", "+R", "+S", "+T", "+U", "+V", "+W", "+X", "+Y", "+Z", "%P", "%Q", "%R", "%S", "%T",
};

// Code 93: 43 data characters and the shifts ($) "[", (%) "]", (/) "{", (+) "}".
const char Code93Chars[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%[]{}";
const char *const Code93Patterns[47] = {
    "131112", "111213", "111312", "111411", "121113", "121212", "121311", "111114", "131211", "141111",
    "211113", "211212", "211311", "221112", "221211", "231111", "112113", "112212", "112311", "122112",
    "132111", "111123", "111222", "111321", "121122", "131121", "212112", "212211", "211122", "211221",
    "221121", "222111", "112122", "112221", "122121", "123111", "121131", "311112", "311211", "321111",
    "112131", "113121", "211131", "121221", "312111", "311121", "122211",
};
const char *const Code93Ext[128] = {
    "]U", "[A", "[B", "[C", "[D", "[E", "[F", "[G", "[H", "[I", "[J", "[K", "[L", "[M", "[N", "[O",
    "[P", "[Q", "[R", "[S", "[T", "[U", "[V", "[W", "[X", "[Y", "[Z", "]A", "]B", "]C", "]D", "]E",
    " ",  "{A", "{B", "{C", "$",  "%",  "{F", "{G", "{H", "{I", "{J", "+",  "{L", "-",  ".",  "/",
    "0",  "1",  "2",  "3",  "4",  "5",  "6",  "7",  "8",  "9",  "{Z", "]F", "]G", "]H", "]I", "]J",
    "]V", "A",  "B",  "C",  "D",  "E",  "F",  "G",  "H",  "I",  "J",  "K",  "L",  "M",  "N",  "O",
    "P",  "Q",  "R",  "S",  "T",  "U",  "V",  "W",  "X",  "Y",  "Z",  "]K", "]L", "]M", "]N", "]O",
    "]W", "}A", "}B", "}C", "}D", "}E", "}F", "}G", "}H", "}I", "}J", "}K", "}L", "}M", "}N", "}O",
    "}P", "}Q", "}R", "}S", "}T", "}U", "}V", "}W", "}X", "}Y", "}Z", "]P", "]Q", "]R", "]S", "]T",
};

const char *const PostNetTable[10] = {"11000", "00011", "00101", "00110", "01001",
                                      "01010", "01100", "10001", "10010", "10100"};

const char CodabarChars[] = "0123456789-$:/.+ABCD";
const char *const CodabarPatterns[20] = {
    "0000011", "0000110", "0001001", "1100000", "0010010", "1000010", "0100001", "0100100", "0110000", "1001000",
    "0001100", "0011000", "1000101", "1010001", "1010100", "0010101", "0011010", "0101001", "0001011", "0001110",
};

const int PlesseyPoly[9] = {1, 1, 1, 1, 0, 1, 0, 0, 1};

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Narrow/wide flags as alternating bars and spaces, bar first.
QByteArray barsAndSpaces(const char *flags)
{
    QByteArray out;
    for (int i = 0; flags[i]; ++i) {
        const bool wide = flags[i] == '1';
        out += (i % 2 == 0) ? (wide ? '6' : '5') : (wide ? '1' : '0');
    }
    return out;
}

// Widths 1..4 as alternating module characters starting with a bar or a space.
QByteArray widthsToModules(const char *widths, bool barFirst)
{
    QByteArray out;
    for (int i = 0; widths[i]; ++i) {
        const bool bar = (i % 2 == 0) == barFirst;
        out += char((bar ? '5' : '0') + (widths[i] - '1'));
    }
    return out;
}

// The modules of one EAN/UPC digit in set A, B or C, built once.
const char *eanDigit(char digit, char set)
{
    struct Table {
        char cell[3][10][5];
        Table()
        {
            for (int d = 0; d < 10; ++d) {
                const char *a = EanA[d];
                // B: set C reversed, so it starts with a space.
                const char rev[5] = {a[3], a[2], a[1], a[0], 0};
                const QByteArray m[3] = {widthsToModules(a, false), widthsToModules(rev, false),
                                         widthsToModules(a, true)};
                for (int k = 0; k < 3; ++k)
                    std::memcpy(cell[k][d], m[k].constData(), 5);
            }
        }
    };
    static const Table table;
    return table.cell[set == 'A' ? 0 : set == 'B' ? 1 : 2][digit - '0'];
}

QByteArray interleavedPairs(const QByteArray &digits)
{
    QByteArray out;
    for (qsizetype i = 0; i + 1 < digits.size(); i += 2) {
        const char *a = TwoOfFive[digits[i] - '0'];
        const char *b = TwoOfFive[digits[i + 1] - '0'];
        for (int k = 0; k < 5; ++k) {
            out += a[k] == '1' ? '6' : '5';
            out += b[k] == '1' ? '1' : '0';
        }
    }
    return out;
}

int digitValue(char c) { return c - '0'; }

// Deutsche Post check digit: weights 4 and 9 from the left.
char deutschePostCheck(const QByteArray &digits)
{
    int sum = 0;
    for (qsizetype i = 0; i < digits.size(); ++i)
        sum += digitValue(digits[i]) * (i % 2 == 0 ? 4 : 9);
    return char('0' + (10 - sum % 10) % 10);
}

} // namespace

// ---- 2 of 5 ---------------------------------------------------------------

QByteArray TvdxBarcode::code2of5Interleaved()
{
    checkDigits(Text);
    if (Checksum && Text.size() % 2 == 1)
        Text = AddModulo10Digit(Text);
    if (Text.size() % 2 == 1)
        Text = "0" + Text;
    return "5050" + interleavedPairs(Text) + "605";
}

QByteArray TvdxBarcode::code2of5Industrial()
{
    checkDigits(Text);
    QByteArray out = "55055050";
    for (char c : Text) {
        const char *f = TwoOfFive[c - '0'];
        for (int k = 0; k < 5; ++k)
            out += f[k] == '1' ? "60" : "50";
    }
    return out + "55050550";
}

QByteArray TvdxBarcode::code2of5Matrix()
{
    checkDigits(Text);
    QByteArray out = "705050";
    for (char c : Text) {
        const char *f = TwoOfFive[c - '0'];
        for (int k = 0; k < 5; ++k)
            out += (k % 2 == 0) ? (f[k] == '1' ? '6' : '5') : (f[k] == '1' ? '1' : '0');
        out += '0';
    }
    return out + "70505";
}

QByteArray TvdxBarcode::codeITF14()
{
    // A 13-digit text gets its check digit; with Checksum a given one is recomputed.
    if (Checksum && Text.size() == 13 && Text.front() >= '1' && Text.front() <= '8')
        Text = AddModulo10Digit(Text);
    if (Text.size() != 14)
        fail(QStringLiteral("The length should be 14"));
    if (Text[0] < '1' || Text[0] > '8')
        fail(QStringLiteral("The first character must be 1-8"));
    for (qsizetype i = 1; i < 14; ++i)
        if (!isDigit(Text[i]))
            fail(QStringLiteral("Only numbers are required"));
    const QByteArray expected = AddModulo10Digit(Text.left(13));
    if (Checksum)
        Text = expected;
    else if (expected != Text)
        fail(QStringLiteral("Invalid check digit (ITF14)"));
    return "33333" + QByteArray("5050") + interleavedPairs(Text) + "605" + "33333";
}

// ---- EAN and UPC ------------------------------------------------------------

QByteArray TvdxBarcode::Ean8Digits() const
{
    if (Checksum)
        return AddModulo10Digit(PadWithZeros(7).left(7));
    return PadWithZeros(8);
}

QByteArray TvdxBarcode::codeEAN8()
{
    checkDigits(Text);
    if (Checksum && Text.size() > 8)
        fail(QStringLiteral("Invalid Text len (EAN8)"));
    const QByteArray d = Ean8Digits();
    if (d.size() != 8)
        fail(QStringLiteral("Invalid Text len (EAN8)"));
    if (!Checksum && AddModulo10Digit(d.left(7)) != d)
        fail(QStringLiteral("Invalid check digit (EAN8)"));
    QByteArray out = "505";
    for (int i = 0; i < 4; ++i)
        out += eanDigit(d[i], 'A');
    out += "05050";
    for (int i = 4; i < 8; ++i)
        out += eanDigit(d[i], 'C');
    return out + "505";
}

QByteArray TvdxBarcode::codeEAN13()
{
    checkDigits(Text);
    // Thirteen digits, zeros in front; with Checksum the last one is computed
    // from the (at most twelve) digits given before it.
    const qsizetype n = Text.size();
    if (n > 13)
        fail(QStringLiteral("Invalid Text len (EAN13)"));
    char d[13];
    const qsizetype kept = Checksum ? std::min<qsizetype>(n, 12) : n;
    const qsizetype width = Checksum ? 12 : 13;
    std::memset(d, '0', size_t(width - kept));
    std::memcpy(d + width - kept, Text.constData(), size_t(kept));
    int sum = 0;
    for (int i = 0; i < 12; ++i)
        sum += (d[i] - '0') * (i % 2 ? 3 : 1);
    const char check = char('0' + (10 - sum % 10) % 10);
    if (Checksum)
        d[12] = check;
    else if (d[12] != check)
        fail(QStringLiteral("Invalid check digit (EAN13)"));
    if (n != 13 || std::memcmp(Text.constData(), d, 13) != 0)
        Text = QByteArray(d, 13);
    const char *parity = EanFirstParity[d[0] - '0'];
    QByteArray out;
    out.reserve(95);
    out.append("505", 3);
    for (int i = 1; i < 7; ++i)
        out.append(eanDigit(d[i], parity[i - 1]), 4);
    out.append("05050", 5);
    for (int i = 7; i < 13; ++i)
        out.append(eanDigit(d[i], 'C'), 4);
    out.append("505", 3);
    return out;
}

QByteArray TvdxBarcode::codeUPC_A()
{
    checkDigits(Text);
    if (Text.size() > 12)
        fail(QStringLiteral("Invalid Text len (UPC_A)"));
    // With Checksum eleven digits get their check digit appended (padding to
    // twelve first would push the last digit out).
    if (Checksum)
        Text = AddModulo10Digit(Text.size() == 12 ? Text.left(11) : PadWithZeros(11));
    Text = PadWithZeros(12);
    if (!Checksum && AddModulo10Digit(Text.left(11)) != Text)
        fail(QStringLiteral("Invalid check digit (UPC_A)"));
    QByteArray out = "505";
    for (int i = 0; i < 6; ++i)
        out += eanDigit(Text[i], 'A');
    out += "05050";
    for (int i = 6; i < 12; ++i)
        out += eanDigit(Text[i], 'C');
    return out + "505";
}

QByteArray TvdxBarcode::codeUPC_E()
{
    checkDigits(Text);
    if (Text.size() > 7)
        fail(QStringLiteral("Invalid Text len (UPC_E)"));
    Text = PadWithZeros(7);
    // The check digit belongs to the UPC-A number the six digits stand for.
    const QByteArray d = Text.left(6);
    QByteArray maker, product;
    switch (d[5]) {
    case '0': case '1': case '2':
        maker = d.left(2) + d[5] + "00";
        product = "00" + d.mid(2, 3);
        break;
    case '3':
        maker = d.left(3) + "00";
        product = "000" + d.mid(3, 2);
        break;
    case '4':
        maker = d.left(4) + "0";
        product = "0000" + d.mid(4, 1);
        break;
    default:
        maker = d.left(5);
        product = "0000" + d.mid(5, 1);
        break;
    }
    const char system = m_typ == bcCodeUPC_E1 ? '1' : '0';
    const QByteArray k = ApplyCheckSum(system + maker + product);
    const char check = CheckSumMethod == csmNone ? Text[6] : k.back();
    if (Checksum)
        Text = d + check;
    else if (Text[6] != check)
        fail(QStringLiteral("Invalid check digit (UPC_E)"));
    const char *parity = UpcEParity[check - '0'];
    QByteArray out = "505";
    for (int i = 0; i < 6; ++i) {
        bool even = parity[i] == 'E';
        if (m_typ == bcCodeUPC_E1)
            even = !even;
        out += eanDigit(d[i], even ? 'B' : 'A');
    }
    return out + "050505";
}

QByteArray TvdxBarcode::codeSupp2()
{
    checkDigits(Text);
    if (Text.size() > 2)
        fail(QStringLiteral("Invalid Text len (UPC_Supp2)"));
    Text = PadWithZeros(2);
    const int v = StrToInt(QString::fromLatin1(Text));
    static const char *const parity[4] = {"oo", "oE", "Eo", "EE"};
    const char *p = parity[v % 4];
    if (Checksum)
        Text = Text.left(2) + char('0' + (9 * digitValue(Text[0]) + 3 * digitValue(Text[1])) % 10);
    QByteArray out = "506";
    for (int i = 0; i < 2; ++i) {
        if (i > 0)
            out += "05";
        out += eanDigit(Text[i], p[i] == 'E' ? 'B' : 'A');
    }
    return out;
}

QByteArray TvdxBarcode::codeSupp5()
{
    checkDigits(Text);
    if (Text.size() > 5)
        fail(QStringLiteral("Invalid Text len (UPC_Supp5)"));
    Text = PadWithZeros(5);
    const int c = (3 * (digitValue(Text[0]) + digitValue(Text[2]) + digitValue(Text[4]))
                   + 9 * (digitValue(Text[1]) + digitValue(Text[3])))
                  % 10;
    const QByteArray digits = Text.left(5);
    if (Checksum)
        Text = digits + char('0' + c);
    const char *parity = UpcEParity[c];
    QByteArray out = "506";
    for (int i = 0; i < 5; ++i) {
        if (i > 0)
            out += "05";
        out += eanDigit(digits[i], parity[i + 1] == 'E' ? 'B' : 'A');
    }
    return out;
}

// ---- Code 11, 39, 93 ----------------------------------------------------------

QByteArray TvdxBarcode::code11()
{
    auto value = [](char c) { return c == '-' ? 10 : c - '0'; };
    auto character = [](int v) { return v == 10 ? '-' : char('0' + v); };
    for (char c : Text)
        if (!isDigit(c) && c != '-')
            fail(QStringLiteral("only \"0-9\" and \"-\" characters are possible"));
    QByteArray out = "506150";
    auto add = [&](char c) { out += barsAndSpaces(Code11Table[value(c)]) + '0'; };
    for (char c : Text)
        add(c);
    if (Checksum) {
        // C: weights 1..10 from the right; K: weights 1..9 over the data and C.
        const qsizetype n = Text.size();
        long long sumC = 0, sumK = 0;
        for (qsizetype i = 0; i < n; ++i) {
            const int v = value(Text[n - 1 - i]);
            sumC += (i % 10 + 1) * v;
            sumK += ((i + 1) % 9 + 1) * v;
        }
        const int c = int(sumC % 11);
        add(character(c));
        if (n > 8) {
            const int k = int((sumK + c) % 11);
            add(character(k));
        }
    }
    return out + "50615";
}

QByteArray TvdxBarcode::code39()
{
    auto row = [](char c) -> const Code39Row * {
        for (const auto &r : Code39Table)
            if (r.ch == c)
                return &r;
        return nullptr;
    };
    QByteArray out = barsAndSpaces(row('*')->pattern) + '0';
    int sum = 0;
    for (char c : Text) {
        const Code39Row *r = c != '*' ? row(c) : nullptr;
        if (!r)
            fail(QStringLiteral("%1:Code39 bad Data <%2>").arg(className(), QString::fromLatin1(Text)));
        out += barsAndSpaces(r->pattern) + '0';
        sum += r->check;
    }
    if (Checksum) {
        for (const auto &r : Code39Table)
            if (r.check == sum % 43) {
                out += barsAndSpaces(r.pattern) + '0';
                break;
            }
    }
    return out + barsAndSpaces(row('*')->pattern);
}

QByteArray TvdxBarcode::code39Extended()
{
    const QByteArray saved = Text;
    QByteArray t;
    for (char c : saved) {
        if ((unsigned char)c >= 128)
            fail(QStringLiteral("%1:Code39 bad Data <%2>").arg(className(), QString::fromLatin1(saved)));
        t += Code39Ext[(unsigned char)c];
    }
    Text = t;
    QByteArray out;
    try {
        out = code39();
    } catch (...) {
        Text = saved;
        throw;
    }
    Text = saved;
    return out;
}

QByteArray TvdxBarcode::code93()
{
    QList<int> values;
    values.reserve(Text.size() + 2);
    for (char c : Text) {
        const char *pos = c ? std::strchr(Code93Chars, c) : nullptr;
        if (!pos)
            fail(QStringLiteral("%1:Code93 bad Data <%2>").arg(className(), QString::fromLatin1(Text)));
        values.append(int(pos - Code93Chars));
    }
    auto check = [&](int maxWeight) {
        long long sum = 0;
        const qsizetype n = values.size();
        for (qsizetype i = 0; i < n; ++i)
            sum += (i % maxWeight + 1) * values[n - 1 - i];
        return int(sum % 47);
    };
    values.append(check(20));
    values.append(check(15));
    QByteArray out = widthsToModules("111141", true);
    for (int v : values)
        out += widthsToModules(Code93Patterns[v], true);
    return out + widthsToModules("1111411", true);
}

QByteArray TvdxBarcode::code93Extended()
{
    const QByteArray saved = Text;
    QByteArray t;
    for (char c : saved) {
        if ((unsigned char)c >= 128)
            fail(QStringLiteral("%1:Code93 bad Data <%2>").arg(className(), QString::fromLatin1(saved)));
        t += Code93Ext[(unsigned char)c];
    }
    Text = t;
    QByteArray out;
    try {
        out = code93();
    } catch (...) {
        Text = saved;
        throw;
    }
    Text = saved;
    return out;
}

// ---- MSI, PostNet, Codabar, Plessey, Pharmacode ---------------------------------

QByteArray TvdxBarcode::codeMSI()
{
    checkDigits(Text);
    QByteArray out = "60";
    auto add = [&](int d) {
        for (int bit = 3; bit >= 0; --bit)
            out += (d >> bit) & 1 ? "60" : "51";
    };
    for (char c : Text)
        add(digitValue(c));
    if (Checksum) {
        // Luhn: every second digit from the right, the rightmost included, doubled.
        int sum = 0;
        const qsizetype n = Text.size();
        for (qsizetype i = 0; i < n; ++i) {
            int d = digitValue(Text[n - 1 - i]);
            if (i % 2 == 0) {
                d *= 2;
                d = d / 10 + d % 10;
            }
            sum += d;
        }
        add((10 - sum % 10) % 10);
    }
    return out + "515";
}

QByteArray TvdxBarcode::codePostNet()
{
    checkDigits(Text);
    QByteArray out = "51";
    auto add = [&](int d) {
        for (const char *p = PostNetTable[d]; *p; ++p)
            out += *p == '1' ? "51" : "A1";
    };
    int sum = 0;
    for (char c : Text) {
        add(digitValue(c));
        sum += digitValue(c);
    }
    if (Checksum)
        add((10 - sum % 10) % 10);
    return out + "5";
}

QByteArray TvdxBarcode::codeCodabar()
{
    QByteArray t = Text;
    char start = 'A', stop = 'B';
    auto isStartStop = [](char c) { c = char(std::toupper((unsigned char)c)); return c >= 'A' && c <= 'D'; };
    if (t.size() >= 3 && t[0] == '&' && t[2] == ';') {
        if (isStartStop(t[1]))
            start = char(std::toupper((unsigned char)t[1]));
        t.remove(0, 3);
    }
    if (t.size() >= 3 && t[t.size() - 3] == '&' && t.back() == ';') {
        if (isStartStop(t[t.size() - 2]))
            stop = char(std::toupper((unsigned char)t[t.size() - 2]));
        t.chop(3);
    }
    auto pattern = [&](char c) -> QByteArray {
        const char *pos = c ? std::strchr(CodabarChars, c) : nullptr;
        if (!pos)
            fail(QStringLiteral("%1:Codabar bad Data <%2>").arg(className(), QString::fromLatin1(Text)));
        return barsAndSpaces(CodabarPatterns[pos - CodabarChars]);
    };
    QByteArray out = pattern(start) + '0';
    for (char c : t) {
        if (c >= 'A' && c <= 'D')
            fail(QStringLiteral("%1:Codabar bad Data <%2>").arg(className(), QString::fromLatin1(Text)));
        out += pattern(c) + '0';
    }
    return out + pattern(stop);
}

QByteArray TvdxBarcode::codePlessey()
{
    static const char hex[] = "0123456789ABCDEF";
    QList<int> bits;
    for (char c : Text) {
        const char *pos = c ? std::strchr(hex, c) : nullptr;
        if (!pos)
            fail(QStringLiteral("Only 0-9 and A-F."));
        const int v = int(pos - hex);
        for (int b = 0; b < 4; ++b)
            bits.append((v >> b) & 1);
    }
    QByteArray out = "71715371";
    for (int b : bits)
        out += b ? "71" : "53";
    if (Checksum) {
        QList<int> work = bits;
        for (int i = 0; i < 8; ++i)
            work.append(0);
        for (qsizetype i = 0; i < bits.size(); ++i)
            if (work[i])
                for (int k = 0; k < 9; ++k)
                    work[i + k] ^= PlesseyPoly[k];
        for (qsizetype i = bits.size(); i < work.size(); ++i)
            out += work[i] ? "71" : "53";
    }
    return out + "85" + "35351717";
}

QByteArray TvdxBarcode::codePharmacode()
{
    int v = 0;
    const QString message = QStringLiteral("Only integer value from 1 to 131 070 is allowed.");
    if (!TryStrToInt(QString::fromLatin1(Text), v) || v < 1 || v > 131070)
        fail(message);
    QByteArray out;
    const unsigned n = unsigned(v) + 1;
    int top = 31;
    while (!((n >> top) & 1))
        --top;
    for (int b = top - 1; b >= 0; --b) {
        out += (n >> b) & 1 ? '7' : '5';
        out += '1';
    }
    out.chop(1);
    return out;
}

// ---- Deutsche Post, Intelligent Mail ----------------------------------------------

QByteArray TvdxBarcode::codeDeutschePost()
{
    const bool ident = m_typ == bcDeutsche_Post_Identcode;
    QByteArray t = Text;
    t.replace(".", "");
    t.replace(" ", "");
    checkDigits(t);
    if (!ident)
        CheckSumMethod = csmModulo10;
    if (Checksum && t.size() == (ident ? 11 : 13))
        t += deutschePostCheck(t);
    if (t.size() % 2 == 1)
        fail(QStringLiteral("The number of digits must be even"));
    const QByteArray out = "5050" + interleavedPairs(t) + "605";

    auto insertAt = [&](int pos, char c) {
        if (pos - 1 < t.size())
            t.insert(pos - 1, c);
    };
    if (ident) {
        insertAt(3, '.');
        insertAt(7, ' ');
        insertAt(11, '.');
        if (CheckSumMethod == csmModulo10)
            insertAt(15, ' ');
    } else {
        insertAt(6, '.');
        insertAt(7, ' ');
        insertAt(11, '.');
        insertAt(12, ' ');
        insertAt(16, '.');
        insertAt(17, ' ');
        insertAt(20, ' ');
    }
    Text = t;
    return out;
}

QByteArray TvdxBarcode::codeIntelligentMail()
{
    QByteArray bars;
    TOneCode().Bars(Text, bars);
    if (bars.isEmpty())
        fail(QStringLiteral("Intelligent Mail needs 20, 25, 29 or 31 digits, the second from 0 to 4"));
    QByteArray out = "0";
    for (char b : bars) {
        switch (b) {
        case 'A': out += "G0"; break;
        case 'D': out += "H0"; break;
        case 'F': out += "50"; break;
        default: out += "F0"; break;
        }
    }
    return out;
}
