// Our fixtures drawn by vd-svg2png beside librsvg's rsvg-convert and QtSvg,
// pixel by pixel within a tolerance; the EMF output read by emf2svg-conv and
// replayed by the metafile player against the image drawing.
// Only trees that build the tool have these tests.
#ifdef VD_SVG2PNG_TOOL
#include "common/TestSupport.h"
#include "platform/EmfPlayer.h"
#include "platform/QPainterCanvas.h"
#include "svg/vdSVGRoot.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <cmath>
#include <gtest/gtest.h>
#ifdef VD_HAVE_QTSVG
#include <QSvgRenderer>
#endif

namespace {

struct Fixture {
    const char *name;
    bool qtSvg; // QtSvg draws everything in it as SVG says
};

// Where the three renderers and the system's rules agree.
const Fixture kFixtures[] = {
    {"shapes", true},  {"paths", true},    {"dashes", true},   {"miter", true},     {"transforms", true},
    {"viewbox", false}, {"use", true},     {"clips", false},   {"gradients", true}, {"radial", false},
    {"patterns", false}, {"images", false},
};

QString fixturePath(const char *name)
{
    return vdtest::dataPath(QStringLiteral("svg/render/%1.svg").arg(QLatin1String(name)));
}

QSize nativeSize(const char *name)
{
    TSVGRootObj root;
    root.LoadFromFile(fixturePath(name));
    return QSize(int(std::lround(root.GetOuterWidth())), int(std::lround(root.GetOuterHeight())));
}

QImage onWhite(const QImage &img)
{
    QImage out(img.size(), QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter p(&out);
    p.drawImage(0, 0, img);
    return out;
}

struct Difference {
    double mean = 255;     // of the largest channel difference per pixel
    double farShare = 1;   // share of pixels off by more than a quarter
};

Difference compare(const QImage &a, const QImage &b)
{
    if (a.size() != b.size() || a.isNull())
        return {};
    const QImage x = onWhite(a), y = onWhite(b);
    double sum = 0;
    qint64 far = 0;
    for (int row = 0; row < x.height(); ++row) {
        const QRgb *p = reinterpret_cast<const QRgb *>(x.constScanLine(row));
        const QRgb *q = reinterpret_cast<const QRgb *>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            const int d = std::max({std::abs(qRed(p[col]) - qRed(q[col])), std::abs(qGreen(p[col]) - qGreen(q[col])),
                                    std::abs(qBlue(p[col]) - qBlue(q[col]))});
            sum += d;
            if (d > 64)
                ++far;
        }
    }
    const double n = double(x.width()) * x.height();
    return {sum / n, far / n};
}

bool run(const QString &program, const QStringList &args, QString *error = nullptr)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    const bool ok = p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (!ok && error)
        *error = QString::fromLocal8Bit(p.readAll());
    return ok;
}

QImage drawWithTool(const vdtest::TempDir &dir, const char *name, const QSize &size, const char *suffix = "png")
{
    const QString out = dir.file(QStringLiteral("%1.%2").arg(QLatin1String(name), QLatin1String(suffix)));
    QString error;
    if (!run(QStringLiteral(VD_SVG2PNG_TOOL),
             {fixturePath(name), out, QString::number(size.width()), QString::number(size.height())}, &error)) {
        ADD_FAILURE() << "vd-svg2png " << name << ": " << qPrintable(error);
        return {};
    }
    return QImage(out);
}

} // namespace

TEST(SvgRenderOracle, AgreesWithLibrsvgOnTheFixtures)
{
    const QString rsvg = QStandardPaths::findExecutable(QStringLiteral("rsvg-convert"));
    if (rsvg.isEmpty())
        GTEST_SKIP() << "rsvg-convert (librsvg2-bin) is not installed";
    vdtest::TempDir dir;
    for (const Fixture &f : kFixtures) {
        const QSize size = nativeSize(f.name);
        const QImage ours = drawWithTool(dir, f.name, size);
        const QString theirsFile = dir.file(QStringLiteral("%1.rsvg.png").arg(QLatin1String(f.name)));
        ASSERT_TRUE(run(rsvg, {QStringLiteral("-w"), QString::number(size.width()), QStringLiteral("-h"),
                               QString::number(size.height()), fixturePath(f.name), QStringLiteral("-o"), theirsFile}))
            << f.name;
        const Difference d = compare(ours, QImage(theirsFile));
        EXPECT_LT(d.mean, 3.0) << f.name;
        EXPECT_LT(d.farShare, 0.01) << f.name;
    }
}

TEST(SvgRenderOracle, AgreesWithQtSvgWhereItDrawsTheFixture)
{
#ifndef VD_HAVE_QTSVG
    GTEST_SKIP() << "QtSvg (qt6-svg-dev) is not installed";
#else
    vdtest::TempDir dir;
    for (const Fixture &f : kFixtures) {
        if (!f.qtSvg)
            continue;
        const QSize size = nativeSize(f.name);
        const QImage ours = drawWithTool(dir, f.name, size);
        QSvgRenderer renderer(fixturePath(f.name));
        ASSERT_TRUE(renderer.isValid()) << f.name;
        QImage theirs(size, QImage::Format_ARGB32_Premultiplied);
        theirs.fill(0);
        {
            QPainter p(&theirs);
            renderer.render(&p);
        }
        const Difference d = compare(ours, theirs);
        EXPECT_LT(d.mean, 3.0) << f.name;
        EXPECT_LT(d.farShare, 0.01) << f.name;
    }
#endif
}

TEST(SvgRenderOracle, MetafileOutputReplaysLikeTheImage)
{
    vdtest::TempDir dir;
    for (const Fixture &f : kFixtures) {
        const QSize size = nativeSize(f.name);
        const QImage ours = drawWithTool(dir, f.name, size);
        const QString emfFile = dir.file(QStringLiteral("%1.emf").arg(QLatin1String(f.name)));
        drawWithTool(dir, f.name, size, "emf");
        const QByteArray emf = vdtest::readFile(emfFile);
        ASSERT_FALSE(emf.isEmpty()) << f.name;
        QImage replay(size, QImage::Format_ARGB32_Premultiplied);
        replay.fill(Qt::white);
        {
            QPainterCanvas canvas(replay);
            EmfPlayer::Play(canvas, emf, TRect(0, 0, size.width(), size.height()));
        }
        // The player draws without anti-aliasing: edges differ, areas do not.
        const Difference d = compare(ours, replay);
        EXPECT_LT(d.mean, 6.0) << f.name;
        EXPECT_LT(d.farShare, 0.04) << f.name;
    }
}

TEST(SvgRenderOracle, Emf2svgReadsTheFillsOfTheMetafile)
{
    const QString conv = QStandardPaths::findExecutable(QStringLiteral("emf2svg-conv"));
    if (conv.isEmpty())
        GTEST_SKIP() << "emf2svg-conv (emf2svg) is not installed";
    vdtest::TempDir dir;
    struct Case {
        const char *name;
        QStringList fills; // solid fills as path records
        int images;        // other paint as images, at least
    };
    const Case cases[] = {
        {"shapes", {"#D04020", "#30A050", "#3060C0", "#E0C020", "#A0A0A0"}, 0},
        {"clips", {"#3060C0", "#C03030", "#30A050", "#E0C020"}, 0},
        {"gradients", {}, 5},
        {"patterns", {}, 2},
    };
    for (const Case &c : cases) {
        const QSize size = nativeSize(c.name);
        drawWithTool(dir, c.name, size, "emf");
        const QString emf = dir.file(QStringLiteral("%1.emf").arg(QLatin1String(c.name)));
        const QString out = dir.file(QStringLiteral("%1.emf.svg").arg(QLatin1String(c.name)));
        QString error;
        ASSERT_TRUE(run(conv, {QStringLiteral("-i"), emf, QStringLiteral("-o"), out}, &error))
            << c.name << ": " << qPrintable(error);
        const QString svg = QString::fromUtf8(vdtest::readFile(out));
        for (const QString &fill : c.fills)
            EXPECT_TRUE(svg.contains(QStringLiteral("fill=\"%1\"").arg(fill))) << c.name << ' ' << qPrintable(fill);
        EXPECT_GE(svg.count(QStringLiteral("<image")), c.images) << c.name;
    }
}
#endif
