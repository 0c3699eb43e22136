// The vd-render tool: a template page drawn as printed into a PNG at a scale,
// or recorded as an enhanced metafile, and the messages of bad calls.
#include "common/TestSupport.h"
#include "platform/EmfPlayer.h"

#include <QImage>
#include <QProcess>
#include <gtest/gtest.h>

#ifdef VD_RENDER_TOOL
namespace {

struct ToolRun {
    int rc = -1;
    QString err;
};

ToolRun render(const QStringList &args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::SeparateChannels);
    p.start(QStringLiteral(VD_RENDER_TOOL), args);
    ToolRun r;
    if (!p.waitForFinished(60000))
        return r;
    r.rc = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace

TEST(RenderTool, DrawsThePageAtEachScaleAsTheGoldenImages)
{
    vdtest::TempDir dir;
    const QString tmpl = vdtest::dataPath(QStringLiteral("report/views.vd3"));
    for (int scale : {1, 2}) {
        const QString out = dir.file(QStringLiteral("p%1.png").arg(scale));
        const ToolRun r = render({tmpl, out, QStringLiteral("--scale"), QString::number(scale)});
        ASSERT_EQ(r.rc, 0) << r.err.toStdString();
        const QImage img(out);
        const QImage golden(vdtest::dataPath(QStringLiteral("report/views_s%1.png").arg(scale)));
        ASSERT_EQ(img.size(), golden.size()) << scale;
        int off = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                off += img.pixel(x, y) != golden.pixel(x, y);
        EXPECT_LE(off, img.width() * img.height() / 200) << scale;
    }
}

TEST(RenderTool, RecordsAMetafileThePlayerReads)
{
    vdtest::TempDir dir;
    const QString out = dir.file(QStringLiteral("p.emf"));
    const ToolRun r = render({vdtest::dataPath(QStringLiteral("report/views.vd3")), out, QStringLiteral("--page"),
                              QStringLiteral("1")});
    ASSERT_EQ(r.rc, 0) << r.err.toStdString();
    const MetafileHeaderInfo info = EmfPlayer::ReadHeader(vdtest::readFile(out));
    EXPECT_EQ(info.kind, MetafileKind::Enhanced);
    EXPECT_GT(info.records, 20u);
}

TEST(RenderTool, BadCallsSayWhy)
{
    vdtest::TempDir dir;
    const QString tmpl = vdtest::dataPath(QStringLiteral("report/views.vd3"));
    const QString out = dir.file(QStringLiteral("p.png"));
    ASSERT_TRUE(vdtest::writeFile(dir.file(QStringLiteral("broken.vd3")), QByteArray("<TvdxReport><TvdxReportPage")));
    const struct {
        QStringList args;
        int rc;
        const char *message;
    } cases[] = {
        {{tmpl}, 2, "usage: vd-render"},
        {{tmpl, out, QStringLiteral("--scale"), QStringLiteral("0")}, 2, "usage: vd-render"},
        {{tmpl, out, QStringLiteral("--page"), QStringLiteral("x")}, 2, "usage: vd-render"},
        {{tmpl, out, QStringLiteral("--page"), QStringLiteral("2")}, 1, "has 1 report page"},
        {{dir.file(QStringLiteral("missing.vd3")), out}, 1, "cannot load"},
        {{dir.file(QStringLiteral("broken.vd3")), out}, 1, "cannot load"},
        {{tmpl, dir.file(QStringLiteral("no/such/folder/p.png"))}, 1, "cannot write"},
    };
    for (const auto &c : cases) {
        const ToolRun r = render(c.args);
        EXPECT_EQ(r.rc, c.rc) << c.args.join(u' ').toStdString() << "\n" << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromLatin1(c.message))) << r.err.toStdString();
    }
}

#endif
