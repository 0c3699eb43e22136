// The command-line tools as a user runs them: vd-barcode encodes and draws,
// vd-zxdecode reads the picture back.
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#if defined(VD_BARCODE_TOOL) && defined(VD_ZXDECODE_TOOL)
namespace {

struct ToolRun {
    int code = -1;
    QString out, err;
};

ToolRun run(const char *tool, const QStringList &args)
{
    QProcess p;
    p.start(QString::fromUtf8(tool), args);
    ToolRun r;
    if (!p.waitForFinished(60000))
        return r;
    r.code = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    // The last line: Qt may warn about its environment first.
    const QStringList lines = QString::fromUtf8(p.readAllStandardError()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    r.err = lines.isEmpty() ? QString() : lines.last();
    return r;
}

ToolRun barcode(const QStringList &args) { return run(VD_BARCODE_TOOL, args); }

} // namespace

TEST(BarcodeTool, LinearPrintsTokensTextAndModules)
{
    struct Case {
        QStringList args;
        const char *out;
    } cases[] = {
        {{"linear", "--type", "bcCode128", "--text", "AB12345", "--tokens"}, "&B;AB&C;1234&B;5\n"},
        {{"linear", "--type", "bcCode128", "--text", "123456", "--tokens"}, "&C;123456\n"},
        {{"linear", "--type", "bcCode_2_5_interleaved", "--text", "12345", "--checksum"}, "123457\n"},
        {{"linear", "--type", "bcCodeEAN13", "--text", "590123412345", "--checksum"}, "5901234123457\n"},
        {{"linear", "--type", "bcCodeEAN13", "--text", "1", "--checksum", "--ratio", "1.5"}, "0000000000017\n"},
        {{"linear", "--type", "bcPharmacode", "--text", "3", "--modules"}, "515\n"},
    };
    for (const auto &c : cases) {
        const ToolRun r = barcode(c.args);
        EXPECT_EQ(r.code, 0) << c.args.join(' ').toStdString() << ": " << r.err.toStdString();
        EXPECT_EQ(r.out, QString::fromLatin1(c.out)) << c.args.join(' ').toStdString();
    }
}

TEST(BarcodeTool, BadInputGivesTheMessageAndExitCode)
{
    const ToolRun bad = barcode({"linear", "--type", "bcPharmacode", "--text", "0"});
    EXPECT_EQ(bad.code, 1);
    EXPECT_EQ(bad.err.trimmed(), QStringLiteral("Only integer value from 1 to 131 070 is allowed."));
    EXPECT_EQ(barcode({"linear", "--type", "bcNoSuchType", "--text", "1"}).code, 2);
    EXPECT_EQ(barcode({"linear", "--type", "bcCode39", "--text", "AB", "--tokens"}).code, 2);
}

TEST(BarcodeTool, PicturesDecodeThroughTheDecodingTool)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    struct Case {
        QStringList args;
        const char *decoded;
    } cases[] = {
        {{"linear", "--type", "bcCode128", "--text", "AB12345", "--module", "2"}, "AB12345"},
        {{"linear", "--type", "bcCode39", "--text", "CODE39", "--module", "3", "--rotation", "90"}, "CODE39"},
        {{"2d", "--type", "bcCodeQR", "--text", "Vendari 2D", "--module", "3"}, "Vendari 2D"},
        {{"2d", "--type", "bcCodeAztec", "--text", "Aztec 2D", "--module", "2"}, "Aztec 2D"},
        {{"2d", "--type", "bcCodeAztec", "--text", "Turned", "--set", "Rotation=90", "--module", "3"}, "Turned"},
        {{"2d", "--type", "bcCodeMaxiCode", "--text", "MAXICODE 123456789", "--set", "BarProperties.Mode=5", "--module",
          "2"},
         "MAXICODE 123456789"},
        {{"2d", "--type", "bcGS1DatabarE", "--text", "(01)98898765432106(3103)032767", "--module", "2"},
         "(01)98898765432106(3103)032767"},
        {{"2d", "--type", "bcGS1DatabarES", "--text", "(01)98898765432106(3103)032768(10)ABC12", "--set",
          "BarProperties.Columns=1", "--module", "3"},
         "(01)98898765432106(3103)032768(10)ABC12"},
        {{"2d", "--type", "bcCodeQR", "--text", "\u041f\u0440\u0438\u0432\u0435\u0442", "--set",
          "BarProperties.CodePage=1251", "--module", "2"},
         "\u041f\u0440\u0438\u0432\u0435\u0442"},
        {{"2d", "--type", "bcCodePDF417", "--text", "Vendari PDF417 1234567890123", "--module", "2"},
         "Vendari PDF417 1234567890123"},
        {{"2d", "--type", "bcCodeDataMatrix", "--text", "(01)98898765432106", "--set", "BarProperties.GS1Rule=True",
          "--set", "BarProperties.Encoding=Edifact", "--module", "3"},
         "0198898765432106"},
    };
    int n = 0;
    for (auto c : cases) {
        const QString file = dir.filePath(QStringLiteral("s%1.png").arg(n++));
        c.args << QStringLiteral("--png") << file;
        const ToolRun made = barcode(c.args);
        ASSERT_EQ(made.code, 0) << c.args.join(' ').toStdString() << ": " << made.err.toStdString();
        // zxing-cpp 1.4 reads stacked DataBar through ReadBarcode only.
        const ToolRun read = run(VD_ZXDECODE_TOOL, {file, "--single"});
        EXPECT_EQ(read.code, 0) << read.err.toStdString();
        EXPECT_EQ(read.out, QString::fromUtf8(c.decoded) + QLatin1Char('\n')) << c.args.join(' ').toStdString();
    }
}

TEST(BarcodeTool, RasterAndBadSettingsOfTheNewTypes)
{
    const ToolRun maxi = barcode({"2d", "--type", "bcCodeMaxiCode", "--text", "12345678", "--matrix"});
    ASSERT_EQ(maxi.code, 0) << maxi.err.toStdString();
    const QStringList rows = maxi.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 182);
    EXPECT_TRUE(maxi.out.contains(QLatin1Char('1')));
    const ToolRun mode = barcode({"2d", "--type", "bcCodeMaxiCode", "--text", "x", "--set", "BarProperties.Mode=7"});
    EXPECT_EQ(mode.code, 1);
    EXPECT_EQ(mode.err, QStringLiteral("Invalid MaxiCode mode: 7"));
    const ToolRun big = barcode({"2d", "--type", "bcCodeAztec", "--text", QString(4000, u'\u00e9')});
    EXPECT_EQ(big.code, 1);
    EXPECT_EQ(big.err, QStringLiteral("Data too large for an Aztec code"));
    const ToolRun columns = barcode({"2d", "--type", "bcGS1DatabarES", "--text", "(10)A", "--set",
                                     "BarProperties.Columns=0"});
    EXPECT_EQ(columns.code, 1);
    EXPECT_EQ(columns.err, QStringLiteral("Columns must be from 1 to 10"));
}

TEST(BarcodeTool, QRMatrixPrintsOneRowPerLine)
{
    const ToolRun r = barcode({"2d", "--type", "bcCodeQR", "--text", "12345678", "--matrix"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QStringList rows = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 21);
    for (const QString &row : rows)
        EXPECT_EQ(row.size(), 21);
}
#endif
