// "vd-barcode preset" as a user runs it: the payload on standard output and
// the drawn symbol, whose content bytes vd-zxdecode --bytes gives back.
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#if defined(VD_BARCODE_TOOL) && defined(VD_ZXDECODE_TOOL)
namespace {

struct ToolResult {
    int code = -1;
    QByteArray out;
    QString err;
};

ToolResult runTool(const char *tool, const QStringList &args)
{
    QProcess p;
    p.start(QString::fromUtf8(tool), args);
    ToolResult r;
    if (!p.waitForFinished(60000))
        return r;
    r.code = p.exitCode();
    r.out = p.readAllStandardOutput();
    const QStringList lines = QString::fromUtf8(p.readAllStandardError()).split(u'\n', Qt::SkipEmptyParts);
    r.err = lines.isEmpty() ? QString() : lines.last();
    return r;
}

} // namespace

TEST(PresetTool, PayloadsPrintedExactlyAndDecodedBackByteForByte)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString swissTail = QStringLiteral("CH\n") + QString(7, u'\n') + QStringLiteral("50.00\nCHF\n")
                              + QString(7, u'\n') + QStringLiteral("QRR\n\n\nEPD\n");
    struct Case {
        QStringList args;
        QByteArray payload;
    } cases[] = {
        {{"swiss", "--set", "CreditorInformation.IBAN=CH4431999123000889012", "--set", "Creditor.Name=Max Muster",
          "--set", "Creditor.PostalCode=8000", "--set", QString::fromUtf8("Creditor.Town=Zürich"), "--set",
          "Creditor.Country=CH", "--set", "PaymentAmountInfo.Amount=50.00", "--set", "PaymentAmountInfo.Currency=CHF"},
         (QStringLiteral("SPC\n0200\n1\nCH4431999123000889012\nS\nMax Muster\n\n\n8000\n") + QString::fromUtf8("Zürich\n")
          + swissTail)
             .toUtf8()},
        {{"ru", "--set", "RequiredBankingDetails.Payee.Name=OOO", "--set", "RequiredBankingDetails.Payee.PersonalAcc=123"},
         "ST00011|&ECI22;Name=&ECI22;OOO|&ECI22;PersonalAcc=&ECI22;123|"},
        {{"epc", "--set", "BIC=BHBLDEHHXXX", "--set", QString::fromUtf8("Name=Café 'Rot'"), "--set",
          "IBAN=DE71110220330123456789", "--set", "Money.Amount=12,5"},
         QString::fromUtf8("BCD\n001\n1\nSCT\nBHBLDEHHXXX\nCafé 'Rot'\nDE71110220330123456789\nEUR12.5").toUtf8()},
    };
    int n = 0;
    for (const Case &c : cases) {
        const ToolResult printed = runTool(VD_BARCODE_TOOL, QStringList{"preset"} + c.args);
        EXPECT_EQ(printed.code, 0) << printed.err.toStdString();
        EXPECT_EQ(printed.out, c.payload) << c.args.first().toStdString();
        const QString png = dir.filePath(QStringLiteral("p%1.png").arg(n++));
        const ToolResult drawn = runTool(VD_BARCODE_TOOL, QStringList{"preset"} + c.args + QStringList{"--png", png, "--module", "3"});
        ASSERT_EQ(drawn.code, 0) << drawn.err.toStdString();
        const ToolResult decoded = runTool(VD_ZXDECODE_TOOL, {png, "--bytes"});
        EXPECT_EQ(decoded.code, 0);
        QByteArray expected = c.payload;
        expected.replace("&ECI22;", ""); // markers become ECI designators, not content
        EXPECT_EQ(decoded.out, expected) << c.args.first().toStdString();
    }
}

TEST(PresetTool, ChecksAndUsageErrors)
{
    const ToolResult missing = runTool(VD_BARCODE_TOOL, {"preset", "epc", "--set", "Name=N", "--set", "IBAN=DE71"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_EQ(missing.err, QStringLiteral("Mandatory property BIC is empty"));
    const ToolResult amount =
        runTool(VD_BARCODE_TOOL, {"preset", "epc", "--set", "Version=V2", "--set", "Name=N", "--set", "IBAN=DE71", "--set",
                              "Money.Amount=1000000000"});
    EXPECT_EQ(amount.code, 1);
    EXPECT_EQ(amount.err, QStringLiteral("Amount must be 0.01 or more and 999999999.99 or less"));
    EXPECT_EQ(runTool(VD_BARCODE_TOOL, {"preset", "nope"}).code, 2);
    EXPECT_EQ(runTool(VD_BARCODE_TOOL, {"preset", "swiss", "--set", "No.Such=1"}).code, 2);
    EXPECT_EQ(runTool(VD_BARCODE_TOOL, {"preset"}).code, 2);
}
#endif
