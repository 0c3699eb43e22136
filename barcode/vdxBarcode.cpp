// Engine core: module widths, the common input rules, the check-digit helpers
// and the Code 128 family with its automatic subsets and GS1 conversion.
#include "barcode/vdxBarcode.h"
#include "core/vdFormatSettings.h"
#include "core/vdVariant.h"

#include <QVarLengthArray>

namespace {

struct TBCdata {
    const char *name;
    bool num;
};

const TBCdata BCdata[TvdxBarcode::TypeCount] = {
    {"2_5_interleaved", true},   {"2_5_industrial", true},   {"2_5_matrix", true},   {"ITF_14", true},
    {"Code11", false},           {"Code39", false},          {"Code39 Extended", false},
    {"Code128", false},          {"Code128A", false},        {"Code128B", false},    {"Code128C", true},
    {"Code93", false},           {"Code93 Extended", false}, {"MSI", true},          {"PostNet", true},
    {"Codebar", false},          {"EAN8", true},             {"EAN13", true},        {"UPC_A", true},
    {"UPC_E0", true},            {"UPC_E1", true},           {"UPC Supp2", true},    {"UPC Supp5", true},
    {"EAN128", false},           {"EAN128A", false},         {"EAN128B", false},     {"EAN128C", true},
    {"USPS Intelligent Mail", true}, {"Plessey", false},     {"GS1 Code128", false}, {"Pharmacode", true},
    {"Deutsche Post Identcode", true}, {"Deutsche Post Leitcode", true},
};

// Code 128: width patterns of values 0..105 (bar, space, bar, space, bar, space).
const char *const Code128Patterns[106] = {
    "212222", "222122", "222221", "121223", "121322", "131222", "122213", "122312", "132212", "221213",
    "221312", "231212", "112232", "122132", "122231", "113222", "123122", "123221", "223211", "221132",
    "221231", "213212", "223112", "312131", "311222", "321122", "321221", "312212", "322112", "322211",
    "212123", "212321", "232121", "111323", "131123", "131321", "112313", "132113", "132311", "211313",
    "231113", "231311", "112133", "112331", "132131", "113123", "113321", "133121", "313121", "211331",
    "231131", "213113", "213311", "213131", "311123", "311321", "331121", "312113", "312311", "332111",
    "314111", "221411", "431111", "111224", "111422", "121124", "121421", "141122", "141221", "112214",
    "112412", "122114", "122411", "142112", "142211", "241211", "221114", "413111", "241112", "134111",
    "111242", "121142", "121241", "114212", "124112", "124211", "411212", "421112", "421211", "212141",
    "214121", "412121", "111143", "111341", "131141", "114113", "114311", "411113", "411311", "113141",
    "114131", "311141", "411131", "211412", "211214", "211232",
};
const char *const Code128Stop = "2331112";

// Subset A holds codes 32..95 and 0..31, subset B codes 32..126: the
// program's table has a space where code 127 would be.
// The first row holding the character, as a lookup in the table would find it.
int code128ValueA(unsigned char ch)
{
    if (ch >= 32 && ch <= 95)
        return ch - 32;
    if (ch < 32)
        return ch + 64;
    return -1;
}
int code128ValueB(unsigned char ch)
{
    if (ch >= 32 && ch <= 126)
        return ch - 32;
    return -1;
}
bool isEscapeAt(const QByteArray &d, qsizetype p, const char *letters)
{
    if (p + 2 >= d.size() || d[p] != '&' || d[p + 2] != ';')
        return false;
    char c = d[p + 1];
    if (c >= 'a' && c <= 'z')
        c = char(c - 'a' + 'A');
    for (const char *l = letters; *l; ++l)
        if (*l == c)
            return true;
    return false;
}

// The GS1 application-identifier table; "X" matches any character.
struct TvdxAICodesData {
    const char *AI;
    int DataMinSize;
    int DataMaxSize;
    bool FNC1;
};

const TvdxAICodesData AICodes[] = {
    {"00", 18, 18, false},   {"01", 14, 14, false},   {"02", 14, 14, false},   {"10", 1, 20, true},
    {"11", 6, 6, false},     {"12", 6, 6, false},     {"13", 6, 6, false},     {"15", 6, 6, false},
    {"16", 6, 6, false},     {"17", 6, 6, false},     {"20", 2, 2, false},     {"21", 1, 20, true},
    {"22", 1, 20, true},     {"240", 1, 30, true},    {"241", 1, 30, true},    {"242", 1, 6, true},
    {"243", 1, 20, true},    {"250", 1, 30, true},    {"251", 1, 30, true},    {"253", 13, 30, true},
    {"254", 1, 20, true},    {"255", 13, 25, true},   {"30", 1, 8, true},      {"31XX", 6, 6, false},
    {"32XX", 6, 6, false},   {"33XX", 6, 6, false},   {"34XX", 6, 6, false},   {"35XX", 6, 6, false},
    {"36XX", 6, 6, false},   {"37", 1, 8, true},      {"390X", 1, 15, true},   {"391X", 3, 18, true},
    {"392X", 1, 15, true},   {"393X", 3, 18, true},   {"394X", 4, 4, true},    {"400", 1, 30, true},
    {"401", 1, 30, true},    {"402", 17, 17, true},   {"403", 1, 30, true},    {"41X", 13, 13, false},
    {"420", 1, 20, true},    {"421", 3, 12, true},    {"422", 3, 3, true},     {"423", 3, 15, true},
    {"424", 3, 3, true},     {"425", 3, 15, true},    {"426", 3, 3, true},     {"7001", 13, 13, true},
    {"7002", 1, 30, true},   {"7003", 10, 10, true},  {"7004", 1, 4, true},    {"7005", 1, 12, true},
    {"7006", 6, 6, true},    {"7007", 6, 12, true},   {"7008", 1, 3, true},    {"7009", 1, 10, true},
    {"7010", 1, 2, true},    {"7020", 1, 20, true},   {"7021", 1, 20, true},   {"7022", 1, 20, true},
    {"7023", 1, 30, true},   {"703X", 3, 30, true},   {"710", 1, 20, true},    {"711", 1, 20, true},
    {"712", 1, 20, true},    {"713", 1, 20, true},    {"71X", 1, 20, true},    {"8001", 14, 14, true},
    {"8002", 1, 20, true},   {"8003", 14, 30, true},  {"8004", 1, 30, true},   {"8005", 6, 6, true},
    {"8006", 18, 18, true},  {"8007", 1, 34, true},   {"8008", 8, 12, true},   {"8010", 1, 30, true},
    {"8011", 1, 12, true},   {"8012", 1, 20, true},   {"8013", 1, 30, true},   {"8017", 18, 18, true},
    {"8018", 18, 18, true},  {"8019", 1, 10, true},   {"8020", 1, 25, true},   {"8110", 1, 70, true},
    {"8111", 4, 4, true},    {"8112", 1, 70, true},   {"8200", 1, 70, true},   {"90", 1, 30, true},
    {"9X", 1, 90, true},
};
static_assert(std::size(AICodes) == 89);

// The row whose identifier starts at p, or null.
const TvdxAICodesData *findAI(const QByteArray &s, qsizetype p)
{
    for (const auto &row : AICodes) {
        const qsizetype n = qsizetype(std::strlen(row.AI));
        if (s.size() - p < n)
            continue;
        bool ok = true;
        for (qsizetype i = 0; i < n && ok; ++i)
            ok = row.AI[i] == 'X' || row.AI[i] == s[p + i];
        if (ok)
            return &row;
    }
    return nullptr;
}

enum CharClass { ccA, ccB, ccBoth };

CharClass classOf(unsigned char ch)
{
    const bool a = code128ValueA(ch) >= 0;
    const bool b = code128ValueB(ch) >= 0;
    if (a && b)
        return ccBoth;
    if (b)
        return ccB;
    return ccA; // also characters of neither column: they fail later
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

// ---------------------------------------------------------------------------
TvdxBarcode::TvdxBarcode(QObject *owner) : QObject(owner), m_barcodeText(std::make_unique<TvdxBarcodeText>()) {}

TvdxBarcode::~TvdxBarcode() = default;

void TvdxBarcode::SetTyp(TvdxBarcodeType value)
{
    m_typ = value;
    Modul = value == bcCodeUSPSIntelligentMail ? 3 : 1;
}

void TvdxBarcode::Assign(const TvdxBarcode *source)
{
    if (!source)
        return;
    Height = source->Height;
    Text = source->Text;
    TextSup = source->TextSup;
    Top = source->Top;
    Left = source->Left;
    Modul = source->Modul;
    Ratio = source->Ratio;
    m_typ = source->m_typ;
    Checksum = source->Checksum;
    Angle = source->Angle;
    Color = source->Color;
    ColorBar = source->ColorBar;
    CheckSumMethod = source->CheckSumMethod;
    m_barcodeText->Assign(source->m_barcodeText.get());
}

const char *TvdxBarcode::TypeName(TvdxBarcodeType t)
{
    return unsigned(t) < unsigned(TypeCount) ? BCdata[t].name : "";
}

bool TvdxBarcode::IsDigitsOnly(TvdxBarcodeType t) { return unsigned(t) < unsigned(TypeCount) && BCdata[t].num; }

bool TvdxBarcode::IsCode128Family(TvdxBarcodeType t)
{
    return (t >= bcCode128 && t <= bcCode128C) || (t >= bcCodeEAN128 && t <= bcCodeEAN128C) || t == bcGS1Code128;
}

bool TvdxBarcode::IsEanUpc(TvdxBarcodeType t) { return t >= bcCodeEAN8 && t <= bcCodeUPC_E1; }

void TvdxBarcode::fail(const QString &message) const { throw EBarcodeError(message); }

void TvdxBarcode::deriveModules()
{
    // Width classes beyond narrow stay 1-4 for the symbologies whose patterns
    // are written in module counts, whatever the ratio.
    switch (m_typ) {
    case bcCode_2_5_matrix:
        Ratio = std::clamp(Ratio, 2.25, 3.0);
        break;
    case bcCode11: case bcCode128: case bcCode128A: case bcCode128B: case bcCode128C: case bcCode93:
    case bcCode93Extended: case bcCodeMSI: case bcCodePostNet: case bcCodeUSPSIntelligentMail: case bcCodePlessey:
    case bcPharmacode: case bcCodeEAN128: case bcCodeEAN128A: case bcCodeEAN128B: case bcCodeEAN128C:
    case bcGS1Code128:
        break;
    default:
        Ratio = std::clamp(Ratio, 2.0, 3.0);
        break;
    }
    if (!std::isfinite(Ratio))
        Ratio = 2.0;
    const bool fixedWidths = m_typ == bcCode93 || m_typ == bcCode93Extended || IsCode128Family(m_typ);
    const double ratio = fixedWidths ? 2.0 : std::clamp(Ratio, 0.0, 40.0);
    const int modul = std::clamp(Modul, 1, 20);
    const int wide = std::clamp(int(RoundHalfEven(modul * ratio)), 0, 60);
    m_modules = {std::int8_t(modul), std::int8_t(wide), std::int8_t(wide * 3 / 2), std::int8_t(wide * 2)};
}

void TvdxBarcode::checkDigits(const QByteArray &s) const
{
    for (char c : s)
        if (!isDigit(c))
            fail(QStringLiteral("Barcode must be numeric"));
}

QByteArray TvdxBarcode::MakeModules()
{
    deriveModules();
    if (IsDigitsOnly(m_typ)) {
        qsizetype b = 0, e = Text.size();
        while (b < e && (unsigned char)Text[b] <= 32)
            ++b;
        while (e > b && (unsigned char)Text[e - 1] <= 32)
            --e;
        Text = Text.mid(b, e - b);
        if (m_typ != bcCode128C && m_typ != bcCodeEAN128C && (Text.contains('(') || Text.contains(')')))
            fail(QStringLiteral("Barcode must be numeric"));
    }
    switch (m_typ) {
    case bcCode_2_5_interleaved: return code2of5Interleaved();
    case bcCode_2_5_industrial: return code2of5Industrial();
    case bcCode_2_5_matrix: return code2of5Matrix();
    case bcCode_ITF_14: return codeITF14();
    case bcCode11: return code11();
    case bcCode39: return code39();
    case bcCode39Extended: return code39Extended();
    case bcCode93: return code93();
    case bcCode93Extended: return code93Extended();
    case bcCodeMSI: return codeMSI();
    case bcCodePostNet: return codePostNet();
    case bcCodeCodabar: return codeCodabar();
    case bcCodeEAN8: return codeEAN8();
    case bcCodeEAN13: return codeEAN13();
    case bcCodeUPC_A: return codeUPC_A();
    case bcCodeUPC_E0: case bcCodeUPC_E1: return codeUPC_E();
    case bcCodeUPC_Supp2: return codeSupp2();
    case bcCodeUPC_Supp5: return codeSupp5();
    case bcCodeUSPSIntelligentMail: return codeIntelligentMail();
    case bcCodePlessey: return codePlessey();
    case bcPharmacode: return codePharmacode();
    case bcDeutsche_Post_Identcode: case bcDeutsche_Post_Leitcode: return codeDeutschePost();
    default:
        if (IsCode128Family(m_typ))
            return code128();
        fail(QStringLiteral("%1: wrong BarcodeType").arg(className()));
    }
}

int TvdxBarcode::Width()
{
    const QByteArray s = MakeModules();
    int w = 0, kind = 0, total = 0;
    for (char c : s) {
        DecodeModule(c, w, kind);
        total += w;
    }
    return total + 2;
}

void TvdxBarcode::DecodeModule(char ch, int &width, int &kind) const
{
    switch (ch) {
    case '0': case '1': case '2': case '3':
        width = m_modules[ch - '0'];
        kind = mkSpace;
        return;
    case '5': case '6': case '7': case '8':
        width = m_modules[ch - '5'];
        kind = mkBar;
        return;
    case 'A': case 'B': case 'C': case 'D':
        width = m_modules[ch - 'A'];
        kind = mkShort;
        return;
    case 'F': width = m_modules[0]; kind = mkTracker; return;
    case 'G': width = m_modules[0]; kind = mkAscender; return;
    case 'H': width = m_modules[0]; kind = mkDescender; return;
    default:
        fail(QStringLiteral("%1: internal Error").arg(className()));
    }
}

QByteArray TvdxBarcode::AddModulo10Digit(const QByteArray &digits)
{
    int sum = 0;
    bool three = true;
    for (qsizetype i = digits.size() - 1; i >= 0; --i) {
        const char c = digits[i];
        if (!isDigit(c))
            throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(QChar::fromLatin1(c)));
        sum += (c - '0') * (three ? 3 : 1);
        three = !three;
    }
    const int r = sum % 10;
    return digits + char('0' + (r == 0 ? 0 : 10 - r));
}

QByteArray TvdxBarcode::ApplyCheckSum(const QByteArray &digits) const
{
    return CheckSumMethod == csmNone ? digits : AddModulo10Digit(digits);
}

QByteArray TvdxBarcode::PadWithZeros(int n) const
{
    if (Text.size() >= n)
        return Text;
    return QByteArray(n - Text.size(), '0') + Text;
}

QByteArray TvdxBarcode::StripEscapes(const QByteArray &text, bool functions)
{
    QByteArray out;
    out.reserve(text.size());
    const char *letters = functions ? "ABCS1234" : "ABCS";
    for (qsizetype p = 0; p < text.size();) {
        if (isEscapeAt(text, p, letters)) {
            p += 3;
            continue;
        }
        out += text[p++];
    }
    return out;
}

QByteArray TvdxBarcode::ConvertGS1(const QByteArray &s)
{
    if (s.size() <= 2)
        return {};
    QByteArray out("&1;");
    qsizetype p = 0;
    while (s.size() - p >= 2) {
        if (s[p] != '(' || s.size() - p - 1 <= 2)
            return {};
        const TvdxAICodesData *row = findAI(s, p + 1);
        if (!row)
            return {};
        const qsizetype idLen = qsizetype(std::strlen(row->AI));
        const qsizetype close = p + 1 + idLen;
        if (close >= s.size() || s[close] != ')')
            return {};
        const qsizetype start = close + 1;
        const qsizetype r = s.size() - start;
        out += s.mid(p + 1, idLen);
        if (!row->FNC1) {
            if (r < row->DataMaxSize)
                return {};
            out += s.mid(start, row->DataMaxSize);
            p = start + row->DataMaxSize;
            continue;
        }
        qsizetype end = start;
        while (end < s.size()) {
            if (s[end] == '(' && findAI(s, end + 1))
                break;
            ++end;
        }
        const qsizetype len = end - start;
        if (len < row->DataMinSize || len > row->DataMaxSize)
            return {};
        out += s.mid(start, len);
        if (end < s.size())
            out += "&1;";
        p = end;
    }
    return out;
}

QByteArray TvdxBarcode::AutoSubsets(const QByteArray &input)
{
    // Subset choices of the caller are dropped; function escapes stay.
    QByteArray d;
    if (!input.contains('&')) {
        d = input;
    } else {
        d.reserve(input.size());
        qsizetype kept = 0;
        for (qsizetype p = 0; p < input.size();) {
            if (isEscapeAt(input, p, "ABCS")) {
                d.append(input.constData() + kept, p - kept);
                p += 3;
                kept = p;
            } else {
                ++p;
            }
        }
        d.append(input.constData() + kept, input.size() - kept);
    }
    const char *s = d.constData();
    const qsizetype n = d.size();

    // Length of the digit run at each place, so that a run is measured once.
    QVarLengthArray<int, 64> run(n + 1);
    run[n] = 0;
    for (qsizetype p = n - 1; p >= 0; --p)
        run[p] = isDigit(s[p]) ? run[p + 1] + 1 : 0;
    // Subset C pays from four digits on, unless they end the text.
    auto digitRunAt = [&](qsizetype p) -> qsizetype {
        return p < n && n - p >= 5 && run[p] >= 4 ? run[p] : 0;
    };

    QByteArray out;
    out.reserve(n + 16);
    char current = 0;
    qsizetype p = 0;
    while (p < n) {
        char esc[3];
        qsizetype escLen = 0;
        if (isEscapeAt(d, p, "1234")) {
            esc[0] = '&';
            esc[1] = char(std::toupper((unsigned char)s[p + 1]));
            esc[2] = ';';
            escLen = 3;
            p += 3;
        }
        if (const qsizetype digits = digitRunAt(p)) {
            const qsizetype take = digits & ~qsizetype(1);
            if (current != 'C')
                out.append("&C;", 3);
            out.append(esc, escLen);
            out.append(s + p, take);
            p += take;
            current = 'C';
            continue;
        }
        const qsizetype begin = p;
        CharClass cls = ccBoth;
        while (p < n) {
            if (p > begin && digitRunAt(p))
                break;
            const CharClass c = classOf((unsigned char)s[p]);
            if (c != ccBoth) {
                if (cls == ccBoth)
                    cls = c;
                else if (c != cls)
                    break;
            }
            ++p;
        }
        // A run that fits both subsets stays in subset A when that is current.
        const char runSubset = cls == ccA ? 'A' : cls == ccB ? 'B' : (current == 'A' ? 'A' : 'B');
        if (p - begin == 1 && runSubset != current && (current == 'A' || current == 'B')) {
            out.append("&S;", 3);
            out.append(esc, escLen);
            out.append(s + begin, 1);
            continue;
        }
        if (runSubset != current)
            out.append(runSubset == 'A' ? "&A;" : "&B;", 3);
        out.append(esc, escLen);
        out.append(s + begin, p - begin);
        current = runSubset;
    }
    return out;
}

QByteArray TvdxBarcode::Code128Tokens() const
{
    QByteArray d = Text;
    if (d.contains("&FNC1;"))
        d.replace("&FNC1;", "&1;");
    switch (m_typ) {
    case bcCode128A: case bcCodeEAN128A: d = "&A;" + d; break;
    case bcCode128B: case bcCodeEAN128B: d = "&B;" + d; break;
    case bcCode128C: case bcCodeEAN128C:
        d.replace("(", "&1;");
        d.replace(")", "");
        d = "&C;" + d;
        break;
    case bcGS1Code128: d = AutoSubsets(ConvertGS1(d)); break;
    default: d = AutoSubsets(d); break;
    }
    if (m_typ >= bcCodeEAN128 && m_typ <= bcCodeEAN128C) {
        if (d.mid(3, 3) != "&1;")
            d.insert(3, "&1;");
        if (Checksum) {
            const QByteArray k = ApplyCheckSum(StripEscapes(d, true));
            if (!k.isEmpty())
                d += k.back();
        }
    }
    return d;
}

QByteArray TvdxBarcode::code128()
{
    const QByteArray d = Code128Tokens();
    const QString invalid = QStringLiteral("Invalid Barcode");
    const char first = isEscapeAt(d, 0, "ABC") ? char(std::toupper((unsigned char)d[1])) : 0;
    int start;
    char subset;
    if (first == 'A') { start = 103; subset = 'A'; }
    else if (first == 'B') { start = 104; subset = 'B'; }
    else if (first == 'C') { start = 105; subset = 'C'; }
    else fail(invalid);

    // Width digits become module characters as they are appended: bars at
    // even places ("5".."8"), spaces at odd ones ("0".."3").
    // The module characters of every pattern, built once: bars at even
    // places ("5".."8"), spaces at odd ones ("0".."3").
    struct Table {
        char cell[107][8];
        Table()
        {
            for (int v = 0; v < 107; ++v) {
                const char *pattern = v < 106 ? Code128Patterns[v] : Code128Stop;
                int i = 0;
                for (; pattern[i]; ++i)
                    cell[v][i] = char((i % 2 == 0 ? '5' : '0') + (pattern[i] - '1'));
                cell[v][i] = 0;
            }
        }
    };
    static const Table table;
    QByteArray out;
    out.reserve(d.size() * 6 + 32);
    auto append = [&out](int v) { out.append(table.cell[v], v < 106 ? 6 : 7); };
    append(start);
    long long sum = start;
    long long weight = 1;
    qsizetype p = 3;
    char shifted = 0;
    while (p < d.size()) {
        const char s = shifted ? shifted : subset;
        shifted = 0;
        int v = -1;
        if (isEscapeAt(d, p, "ABCS1234")) {
            const char e = char(std::toupper((unsigned char)d[p + 1]));
            p += 3;
            switch (e) {
            case 'A': v = 101; subset = 'A'; break;
            case 'B': v = 100; subset = 'B'; break;
            case 'C': v = 99; subset = 'C'; break;
            case 'S': v = 98; shifted = subset == 'A' ? 'B' : 'A'; break;
            case '1': v = 102; break;
            case '2': v = 97; break;
            case '3': v = 96; break;
            default: v = s == 'A' ? 101 : 100; break; // FNC4
            }
        } else if (s == 'C') {
            if (p + 1 < d.size() && isDigit(d[p]) && isDigit(d[p + 1]))
                v = (d[p] - '0') * 10 + (d[p + 1] - '0');
            p += 2;
        } else {
            v = s == 'A' ? code128ValueA((unsigned char)d[p]) : code128ValueB((unsigned char)d[p]);
            ++p;
        }
        if (v < 0)
            fail(invalid);
        append(v);
        sum += v * weight;
        ++weight;
    }
    append(int(sum % 103));
    append(106);
    return out;
}
