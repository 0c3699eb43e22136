// What DrawBarcode paints is read back by independent decoders: zxing-cpp at
// several module sizes and turns, and zint's own module dump bar for bar.
#include "LinearRender.h"
#include "common/ZxingDecode.h"
#include "barcode/vdxBarcode.h"
#include "platform/EmfPlayer.h"
#include "platform/EmfRecorderCanvas.h"
#include "platform/QPainterCanvas.h"

#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace {

using B = TvdxBarcode;

struct DecodeCase {
    B::TvdxBarcodeType type;
    const char *text;
    bool checksum;
    const char *format;   // zxing's format name
    const char *expected; // decoded text
    bool extended39 = false;
};

const DecodeCase decodeCases[] = {
    {B::bcCode128, "AB12345", false, "Code128", "AB12345"},
    {B::bcCode128A, "AB\x01" "12", false, "Code128", "AB\x01" "12"},
    {B::bcCode128B, "Hello, World", false, "Code128", "Hello, World"},
    {B::bcCode128C, "12345678", false, "Code128", "12345678"},
    {B::bcCodeEAN128, "ABC123456", false, "Code128", "ABC123456"},
    {B::bcCodeEAN8, "1234567", true, "EAN-8", "12345670"},
    {B::bcCodeEAN13, "590123412345", true, "EAN-13", "5901234123457"},
    {B::bcCodeUPC_A, "03600029145", true, "UPC-A", "036000291452"},
    {B::bcCodeUPC_E0, "6543210", true, "UPC-E", "06543217"},
    {B::bcCode39, "CODE-39 $/+%", false, "Code39", "CODE-39 $/+%"},
    {B::bcCode39Extended, "Ab-1.x!", false, "Code39", "Ab-1.x!", true},
    {B::bcCode93, "TEST93", false, "Code93", "TEST93"},
    {B::bcCode93Extended, "Ab+c%", false, "Code93", "Ab+c%"},
    {B::bcCodeCodabar, "&C;1234&D;", false, "Codabar", "C1234D"},
    {B::bcCodeCodabar, "40156", false, "Codabar", "A40156B"},
    {B::bcCode_2_5_interleaved, "12345", true, "ITF", "123457"},
    {B::bcCode_ITF_14, "1234567891234", true, "ITF", "12345678912343"},
    {B::bcDeutsche_Post_Identcode, "56310243031", true, "ITF", "563102430313"},
    {B::bcDeutsche_Post_Leitcode, "2134807501640", true, "ITF", "21348075016401"},
};

QString decodeOne(const QImage &image, const DecodeCase &c)
{
    ZxingOptions o;
    o.code39Extended = c.extended39;
    const auto results = ZxingDecode(image, o);
    QStringList found;
    for (const auto &r : results) {
        if (r.format == QLatin1String(c.format))
            return r.text;
        found << r.format + QLatin1Char(':') + r.text;
    }
    return QStringLiteral("<none: %1>").arg(found.join(QLatin1Char(',')));
}

} // namespace

TEST(LinearDecode, EveryDecodableTypeAtModuleSizesAndTurns)
{
    for (const auto &c : decodeCases) {
        for (int module : {2, 3, 5}) {
            for (int angle : {0, 90, 180, 270}) {
                B bc;
                bc.SetTyp(c.type);
                bc.Text = c.text;
                bc.Checksum = c.checksum;
                bc.Angle = angle;
                LinearRenderOptions o;
                o.module = module;
                const QImage image = RenderLinear(bc, o);
                EXPECT_EQ(decodeOne(image, c), QString::fromLatin1(c.expected))
                    << B::TypeName(c.type) << " " << c.text << " module " << module << " angle " << angle;
            }
        }
    }
}

TEST(LinearDecode, GS1ElementStringsCarryTheGS1Identifier)
{
    for (auto type : {B::bcGS1Code128, B::bcCodeEAN128C}) {
        B bc;
        bc.SetTyp(type);
        bc.Text = type == B::bcGS1Code128 ? "(01)12345678901231(10)ABC" : "(01)12345678901231";
        const auto results = ZxingDecode(RenderLinear(bc, {}));
        ASSERT_EQ(results.size(), 1);
        EXPECT_EQ(results[0].symbology, "]C1");
        EXPECT_TRUE(results[0].text.startsWith("0112345678901231") || results[0].text.startsWith("(01)12345678901231"))
            << results[0].text.toStdString();
    }
}

TEST(LinearDecode, AddOnBesideItsSymbol)
{
    struct Case {
        B::TvdxBarcodeType main;
        const char *mainText;
        B::TvdxBarcodeType addOn;
        const char *addOnText;
        const char *expected;
    } cases[] = {
        {B::bcCodeUPC_A, "03600029145", B::bcCodeUPC_Supp2, "53", "036000291452 53"},
        {B::bcCodeUPC_E0, "6543210", B::bcCodeUPC_Supp5, "52495", "06543217 52495"},
        {B::bcCodeEAN13, "590123412345", B::bcCodeUPC_Supp5, "00299", "5901234123457 00299"},
    };
    for (const auto &c : cases) {
        const int module = 3;
        B main, addOn;
        main.SetTyp(c.main);
        main.Text = c.mainText;
        main.Checksum = true;
        addOn.SetTyp(c.addOn);
        addOn.Text = c.addOnText;
        const int w1 = main.Width(), w2 = addOn.Width();
        const int m = 20 * module, gap = 8 * module, h = 60 * module;
        QImage image(w1 * module + w2 * module + gap + 2 * m, h + 2 * m, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainterCanvas canvas(image);
        main.DrawBarcode(canvas, TRect(m, m, m + w1 * module, m + h), false);
        const int x2 = m + w1 * module + gap;
        addOn.DrawBarcode(canvas, TRect(x2, m + 10 * module, x2 + w2 * module, m + h), false);
        // Scan lines above the shorter add-on read the main symbol alone.
        QStringList texts;
        for (const auto &r : ZxingDecode(image))
            texts << r.text;
        EXPECT_TRUE(texts.contains(QString::fromLatin1(c.expected))) << texts.join(',').toStdString();
    }
}

TEST(LinearDecode, RecordedMetafileReplayedStillDecodes)
{
    B bc;
    bc.SetTyp(B::bcCode128);
    bc.Text = "META-128";
    const int W = bc.Width();
    EmfRecorderCanvas rec(W * 3, 180);
    bc.DrawBarcode(rec, TRect(0, 0, W * 3, 180), true);
    const QByteArray emf = rec.finish();
    QImage image(W * 3 + 80, 260, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainterCanvas canvas(image);
    EmfPlayer::Play(canvas, emf, TRect(40, 40, 40 + W * 3, 220));
    const auto results = ZxingDecode(image);
    ASSERT_EQ(results.size(), 1);
    EXPECT_EQ(results[0].text, "META-128");
}

// ---------------------------------------------------------------------------
namespace {

// zint --dump: one line of hexadecimal bits per row.
QStringList zintDump(const QString &zint, const QStringList &args)
{
    QProcess p;
    p.start(zint, QStringList{QStringLiteral("--dump")} + args);
    if (!p.waitForFinished(20000))
        return {};
    QStringList rows;
    for (const QByteArray &line : p.readAllStandardOutput().split('\n')) {
        if (line.trimmed().isEmpty())
            continue;
        QString bits;
        for (const QByteArray &hex : line.trimmed().split(' ')) {
            bool ok = false;
            const int v = hex.toInt(&ok, 16);
            for (int b = int(hex.size()) * 4 - 1; b >= 0; --b)
                bits += (v >> b) & 1 ? QLatin1Char('1') : QLatin1Char('0');
        }
        while (bits.endsWith(QLatin1Char('0')))
            bits.chop(1);
        rows << bits;
    }
    return rows;
}

// Our module string as rows of bits at one unit per narrow module: a single
// row for two-state symbols, or top / all / bottom rows for height-modulated
// ones (as zint dumps them).
QStringList ourRows(B &bc, int rowCount)
{
    const QByteArray s = bc.MakeModules();
    QString rows[3];
    for (char ch : s) {
        int w = 0, kind = 0;
        bc.DecodeModule(ch, w, kind);
        if (bc.Typ() == B::bcCodeUSPSIntelligentMail)
            w = 1;
        const bool any = kind != B::mkSpace;
        const bool top = kind == B::mkBar || kind == B::mkAscender;
        const bool bottom = kind == B::mkBar || kind == B::mkDescender || kind == B::mkShort;
        for (int i = 0; i < w; ++i) {
            rows[0] += top ? '1' : '0';
            rows[1] += any ? '1' : '0';
            rows[2] += bottom ? '1' : '0';
        }
    }
    QStringList out;
    if (rowCount == 1)
        out << rows[1];
    else if (rowCount == 2)
        out << rows[0] << rows[1];
    else
        out << rows[0] << rows[1] << rows[2];
    for (QString &r : out) {
        while (r.startsWith(QLatin1Char('0')))
            r.remove(0, 1);
        while (r.endsWith(QLatin1Char('0')))
            r.chop(1);
    }
    return out;
}

QList<int> runs(const QString &bits)
{
    QList<int> out;
    for (int i = 0; i < bits.size();) {
        int j = i;
        while (j < bits.size() && bits[j] == bits[i])
            ++j;
        out << j - i;
        i = j;
    }
    return out;
}

// Bars and spaces as the rank of their width among the widths of their kind:
// the same symbol at another wide-to-narrow ratio gives the same string.
QString ranked(const QString &bits)
{
    const QList<int> r = runs(bits);
    QList<int> widths[2];
    for (int i = 0; i < r.size(); ++i)
        if (!widths[i % 2].contains(r[i]))
            widths[i % 2] << r[i];
    std::sort(widths[0].begin(), widths[0].end());
    std::sort(widths[1].begin(), widths[1].end());
    QString out;
    for (int i = 0; i < r.size(); ++i)
        out += QChar((i % 2 ? 'a' : 'A') + int(widths[i % 2].indexOf(r[i])));
    return out;
}

enum class Compare { Exact, Ranked, Suffix, PlesseyBits };

} // namespace

TEST(LinearZint, BarForBarAsZintDumpsThem)
{
    const QString zint = QStandardPaths::findExecutable(QStringLiteral("zint"));
    if (zint.isEmpty())
        GTEST_SKIP() << "zint is not installed (scripts/install-deps.sh installs it)";
    struct Case {
        B::TvdxBarcodeType type;
        const char *text;
        bool checksum;
        QStringList zintArgs;
        int rows;
        Compare compare = Compare::Ranked;
    } cases[] = {
        {B::bcCode_2_5_industrial, "1234567890", false, {"-b", "C25IND", "-d", "1234567890"}, 1},
        {B::bcCode_2_5_matrix, "1234567890", false, {"-b", "C25MATRIX", "-d", "1234567890"}, 1},
        {B::bcCode11, "123-45", true, {"-b", "CODE11", "--vers=1", "-d", "123-45"}, 1},
        {B::bcCode11, "0123456789-12", true, {"-b", "CODE11", "-d", "0123456789-12"}, 1},
        {B::bcCodeMSI, "1234567", true, {"-b", "MSI_PLESSEY", "--vers=1", "-d", "1234567"}, 1},
        {B::bcCodeMSI, "80523", false, {"-b", "MSI_PLESSEY", "-d", "80523"}, 1},
        {B::bcCodePlessey, "0123456789ABCDEF", true, {"-b", "PLESSEY", "-d", "0123456789ABCDEF"}, 1, Compare::PlesseyBits},
        {B::bcCodePlessey, "1F", true, {"-b", "PLESSEY", "-d", "1F"}, 1, Compare::PlesseyBits},
        {B::bcCodePostNet, "12345", true, {"-b", "POSTNET", "-d", "12345"}, 2, Compare::Exact},
        {B::bcCodePostNet, "555551237", true, {"-b", "POSTNET", "-d", "555551237"}, 2, Compare::Exact},
        {B::bcPharmacode, "123456", false, {"-b", "PHARMA", "-d", "123456"}, 1},
        {B::bcPharmacode, "131070", false, {"-b", "PHARMA", "-d", "131070"}, 1},
        {B::bcCodeUSPSIntelligentMail, "01234567094987654321", false,
         {"-b", "USPS_IMAIL", "-d", "01234567094987654321"}, 3, Compare::Exact},
        {B::bcCodeUSPSIntelligentMail, "0123456709498765432101234567891", false,
         {"-b", "USPS_IMAIL", "-d", "01234567094987654321-01234567891"}, 3, Compare::Exact},
        {B::bcCode128B, "AB", false, {"-b", "CODE128B", "-d", "AB"}, 1},
        {B::bcCodeEAN13, "590123412345", true, {"-b", "EANX", "-d", "590123412345"}, 1},
        {B::bcCodeEAN8, "1234567", true, {"-b", "EANX", "-d", "1234567"}, 1},
        {B::bcCodeUPC_A, "03600029145", true, {"-b", "UPCA", "-d", "03600029145"}, 1},
        {B::bcCodeUPC_E0, "6543210", true, {"-b", "UPCE", "-d", "654321"}, 1},
        {B::bcCodeUPC_E1, "6543210", true, {"-b", "UPCE", "-d", "1654321"}, 1},
        {B::bcCodeUPC_Supp2, "53", false, {"-b", "EANX", "-d", "12345670+53"}, 1, Compare::Suffix},
        {B::bcCodeUPC_Supp5, "52495", false, {"-b", "EANX", "-d", "12345670+52495"}, 1, Compare::Suffix},
    };
    for (const auto &c : cases) {
        B bc;
        bc.SetTyp(c.type);
        bc.Text = c.text;
        bc.Checksum = c.checksum;
        if (c.type == B::bcCodePostNet)
            bc.Ratio = 1.0; // zint spaces PostNet bars one module apart
        const QStringList ours = ourRows(bc, c.rows);
        const QStringList theirs = zintDump(zint, c.zintArgs);
        ASSERT_EQ(theirs.size(), c.rows) << c.text;
        for (int r = 0; r < c.rows; ++r) {
            QString t = theirs[r];
            while (t.startsWith(QLatin1Char('0')))
                t.remove(0, 1);
            const std::string what = std::string(B::TypeName(c.type)) + " " + c.text + "\n ours " +
                                     ours[r].toStdString() + "\n zint " + t.toStdString();
            switch (c.compare) {
            case Compare::Exact:
                EXPECT_EQ(ours[r], t) << what;
                break;
            case Compare::Ranked:
                EXPECT_EQ(ranked(ours[r]), ranked(t)) << what;
                break;
            case Compare::Suffix:
                EXPECT_TRUE(t.endsWith(ours[r])) << what;
                break;
            case Compare::PlesseyBits: {
                // Start, data and check bits: a wide bar is 1, a narrow one 0.
                auto bits = [](const QString &row, int count) {
                    const QList<int> rl = runs(row);
                    QString out;
                    for (int i = 0; i + 1 < rl.size() && out.size() < count; i += 2)
                        out += rl[i] > rl[i + 1] ? '1' : '0';
                    return out;
                };
                const int count = 4 + 4 * int(qstrlen(c.text)) + 8;
                EXPECT_EQ(bits(ours[r], count), bits(t, count)) << what;
                break;
            }
            }
        }
    }
}
