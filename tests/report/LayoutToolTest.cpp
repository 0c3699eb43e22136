// The vd-layout tool: wrapped lines with their paragraph flags, then height,
// width and whether a word was cut; bad arguments end with a message.
#include <QProcess>
#include <gtest/gtest.h>

#ifdef VD_LAYOUT_TOOL
namespace {

struct ToolRun {
    int rc = -1;
    QString out, err;
};

ToolRun runTool(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(VD_LAYOUT_TOOL), args);
    ToolRun r;
    if (!p.waitForFinished(30000))
        return r;
    r.rc = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

TEST(LayoutToolTest, FixedAdvancesWrapAtTheLastBlank)
{
    const ToolRun r = runTool({QStringLiteral("--advance"), QStringLiteral("60"), QStringLiteral("--width"),
                               QStringLiteral("100"), QStringLiteral("aaaa bbbb cccc dddd")});
    ASSERT_EQ(r.rc, 0) << r.err.toStdString();
    const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5) << r.out.toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("1\taaaa bbbb"));
    EXPECT_EQ(lines[1], QStringLiteral("2\tcccc dddd"));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("height\t")));
    EXPECT_EQ(lines[3], QStringLiteral("width\t86.4")); // 9 x 60 / 6.25
    EXPECT_EQ(lines[4], QStringLiteral("ForcedWordBreak\t0"));
}

TEST(LayoutToolTest, CutWordsTagsAndRealFonts)
{
    ToolRun r = runTool({QStringLiteral("--advance"), QStringLiteral("60"), QStringLiteral("--width"),
                         QStringLiteral("50"), QStringLiteral("abcdefghijkl")});
    ASSERT_EQ(r.rc, 0);
    EXPECT_TRUE(r.out.contains(QStringLiteral("ForcedWordBreak\t1"))) << r.out.toStdString();
    r = runTool({QStringLiteral("--tags"), QStringLiteral("--advance"), QStringLiteral("60"),
                 QStringLiteral("--width"), QStringLiteral("100"), QStringLiteral("<b>aaaa</b> bbbb")});
    ASSERT_EQ(r.rc, 0);
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("3\taaaa bbbb\n"))) << r.out.toStdString();
    r = runTool({QStringLiteral("--font"), QStringLiteral("DejaVu Sans"), QStringLiteral("--size"),
                 QStringLiteral("12"), QStringLiteral("--rtl"), QStringLiteral("--width"), QStringLiteral("60"),
                 QStringLiteral(u"שלום עולם שלום עולם")});
    ASSERT_EQ(r.rc, 0);
    EXPECT_GE(r.out.count(u'\n'), 5) << "wrapped into at least two lines: " << r.out.toStdString();
}

TEST(LayoutToolTest, BadArgumentsEndWithAMessage)
{
    for (const QStringList &args :
         {QStringList{QStringLiteral("text")}, QStringList{QStringLiteral("--width"), QStringLiteral("x"), QStringLiteral("t")},
          QStringList{QStringLiteral("--width"), QStringLiteral("10"), QStringLiteral("--size"), QStringLiteral("0"),
                      QStringLiteral("t")},
          QStringList{QStringLiteral("--width"), QStringLiteral("10"), QStringLiteral("--advance"),
                      QStringLiteral("-3"), QStringLiteral("t")}}) {
        const ToolRun r = runTool(args);
        EXPECT_EQ(r.rc, 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("vd-layout: "))) << r.err.toStdString();
    }
}

} // namespace
#endif
