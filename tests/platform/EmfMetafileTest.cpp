#include "CanvasTestScene.h"
#include "common/TestSupport.h"
#include "platform/EmfPlayer.h"
#include "platform/EmfRecorderCanvas.h"
#include "platform/EmfRecords.h"
#include "platform/QPainterCanvas.h"
#include <QDir>
#include <QtEndian>
#include <gtest/gtest.h>

using namespace canvastest;

namespace {

QByteArray recordScene()
{
    EmfRecorderCanvas rec(200, 150);
    drawScene(rec);
    return rec.finish();
}

quint32 u32At(const QByteArray &b, qsizetype off) { return qFromLittleEndian<quint32>(b.constData() + off); }

// Record types in file order.
QList<quint32> recordTypes(const QByteArray &emf)
{
    QList<quint32> types;
    qsizetype at = 0;
    while (at + 8 <= emf.size()) {
        types.append(u32At(emf, at));
        const quint32 size = u32At(emf, at + 4);
        if (size < 8)
            break;
        at += size;
    }
    return types;
}

QImage render(const std::function<void(Canvas &)> &draw, int w = 200, int h = 150)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainterCanvas c(img);
        draw(c);
    }
    return img;
}

} // namespace

TEST(EmfRecorder, WritesAStandardHeaderAndEndRecord)
{
    const QByteArray emf = recordScene();
    ASSERT_GE(emf.size(), 108);
    EXPECT_EQ(u32At(emf, 0), emf::EMR_HEADER);
    EXPECT_EQ(u32At(emf, 40), 0x464D4520u);
    EXPECT_EQ(emf.mid(40, 4), QByteArray(" EMF"));
    EXPECT_EQ(u32At(emf, 48), quint32(emf.size())); // nBytes
    const QList<quint32> types = recordTypes(emf);
    EXPECT_EQ(u32At(emf, 52), quint32(types.size())); // nRecords
    EXPECT_EQ(types.last(), emf::EMR_EOF);
    EXPECT_EQ(u32At(emf, emf.size() - 4), 20u); // nSizeLast
    // Frame: 200 x 150 pixels at 96 per inch in 0.01 mm.
    EXPECT_EQ(qint32(u32At(emf, 32)), 5292);
    EXPECT_EQ(qint32(u32At(emf, 36)), 3969);
    // Bounds cover what was drawn.
    EXPECT_EQ(qint32(u32At(emf, 8)), 0);
    EXPECT_GE(qint32(u32At(emf, 16)), 199);
    for (quint32 t : {emf::EMR_CREATEPEN, emf::EMR_CREATEBRUSHINDIRECT, emf::EMR_EXTCREATEFONTINDIRECTW,
                      emf::EMR_SELECTOBJECT, emf::EMR_DELETEOBJECT, emf::EMR_RECTANGLE, emf::EMR_ELLIPSE,
                      emf::EMR_POLYLINE16, emf::EMR_POLYGON16, emf::EMR_STRETCHDIBITS, emf::EMR_EXTTEXTOUTW,
                      emf::EMR_MOVETOEX, emf::EMR_LINETO})
        EXPECT_TRUE(types.contains(t)) << t;
    MetafileHeaderInfo info = EmfPlayer::ReadHeader(emf);
    EXPECT_EQ(info.kind, MetafileKind::Enhanced);
    EXPECT_EQ(info.width, 200);
    EXPECT_EQ(info.height, 150);
}

TEST(EmfRecorder, ObjectsAreCreatedOnceAndDeletedWhenReplaced)
{
    EmfRecorderCanvas rec(50, 50);
    rec.brush().color = clRed;
    rec.Rectangle(TRect(0, 0, 10, 10));
    rec.Rectangle(TRect(10, 0, 20, 10)); // same brush: no new object
    rec.brush().color = clBlue;
    rec.Rectangle(TRect(20, 0, 30, 10));
    const QByteArray emf = rec.finish();
    const QList<quint32> types = recordTypes(emf);
    EXPECT_EQ(types.count(emf::EMR_CREATEBRUSHINDIRECT), 2);
    EXPECT_EQ(types.count(emf::EMR_DELETEOBJECT), 1);
    EXPECT_EQ(rec.finish(), emf); // finishing twice answers the same bytes
    EXPECT_FALSE(svgElements(toSvg(emf)).isEmpty());
}

TEST(EmfRecorder, SavedStatesKeepTheirObjectsAlive)
{
    EmfRecorderCanvas rec(50, 50);
    rec.brush().color = clRed;
    rec.Rectangle(TRect(0, 0, 10, 10));
    rec.SaveDC();
    rec.brush().color = clBlue;
    rec.Rectangle(TRect(10, 0, 20, 10));
    rec.RestoreDC(-1);
    rec.Rectangle(TRect(20, 0, 30, 10)); // red again, without a new object
    QByteArray emf = rec.finish();
    const QList<quint32> types = recordTypes(emf);
    EXPECT_EQ(types.count(emf::EMR_CREATEBRUSHINDIRECT), 2);
    EXPECT_TRUE(types.contains(emf::EMR_SAVEDC));
    EXPECT_TRUE(types.contains(emf::EMR_RESTOREDC));
    QImage img = render([&](Canvas &c) { EmfPlayer::Play(c, emf, TRect(0, 0, 50, 50)); }, 50, 50);
    EXPECT_EQ(img.pixel(25, 5) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(img.pixel(15, 5) & 0xFFFFFF, 0x0000FFu);
    EXPECT_FALSE(svgElements(toSvg(emf)).isEmpty());
}

TEST(EmfRecorder, ExternalConverterReadsOurMetafile)
{
    const QString svg = toSvg(recordScene());
    ASSERT_FALSE(svg.isEmpty()) << "emf2svg-conv failed";
    const QStringList elements = svgElements(svg);
    ASSERT_FALSE(elements.isEmpty()) << qPrintable(svg.left(400));
    const QString lower = svg.toLower();
    // Fill colours of the rectangle, ellipse and triangle; the polyline's stroke.
    EXPECT_TRUE(lower.contains(QStringLiteral("#ff0000"))) << "red rectangle";
    EXPECT_TRUE(lower.contains(QStringLiteral("#0000ff"))) << "blue ellipse";
    EXPECT_TRUE(lower.contains(QStringLiteral("#ffff00"))) << "yellow triangle";
    EXPECT_TRUE(lower.contains(QStringLiteral("#00ff00"))) << "green polyline";
    EXPECT_GE(elements.count(QStringLiteral("ellipse")) + elements.count(QStringLiteral("path")), 4);
    EXPECT_GE(elements.count(QStringLiteral("image")), 1);
    EXPECT_TRUE(svg.contains(QStringLiteral("Vendari")));
    EXPECT_GE(elements.count(QStringLiteral("text")), 1);
}

TEST(EmfRecorder, ExternalConverterReadsClipTransformAndAlpha)
{
    EmfRecorderCanvas rec(100, 100);
    rec.SaveDC();
    rec.IntersectClipRect(TRect(0, 0, 50, 50));
    QTransform t;
    t.translate(10, 10);
    rec.SetWorldTransform(t);
    rec.ModifyWorldTransform(QTransform::fromScale(2, 2), MWT_LEFTMULTIPLY);
    rec.brush().color = clFuchsia;
    rec.pen().geometric = true;
    rec.pen().style = PenStyle::User;
    rec.pen().dashes = {4, 2};
    rec.pen().width = 2;
    rec.Rectangle(TRect(0, 0, 20, 20));
    rec.RestoreDC(-1);
    QImage a(4, 4, QImage::Format_ARGB32);
    a.fill(qRgba(0, 128, 0, 128));
    rec.AlphaBlend(TRect(60, 60, 90, 90), a, TRect(0, 0, 4, 4), 255, true);
    QRegion rgn(QRect(0, 60, 40, 40));
    rec.SelectClipRegion(&rgn, ClipMode::Copy);
    rec.brush().style = BrushStyle::Cross;
    rec.brush().color = clTeal;
    rec.FillRect(TRect(0, 0, 100, 100));
    const QByteArray emf = rec.finish();
    const QList<quint32> types = recordTypes(emf);
    for (quint32 ty : {emf::EMR_INTERSECTCLIPRECT, emf::EMR_SETWORLDTRANSFORM, emf::EMR_MODIFYWORLDTRANSFORM,
                       emf::EMR_EXTCREATEPEN, emf::EMR_ALPHABLEND, emf::EMR_EXTSELECTCLIPRGN})
        EXPECT_TRUE(types.contains(ty)) << ty;
    const QString svg = toSvg(emf);
    ASSERT_FALSE(svg.isEmpty());
    EXPECT_FALSE(svgElements(svg).isEmpty());
    EXPECT_TRUE(svg.toLower().contains(QStringLiteral("#ff00ff")));
}

// A turned clip with no clip before it covers the picture, not the plane:
// such a region is scan converted row by row.
TEST(EmfRecorder, TurnedClipStaysWithinThePicture)
{
    EmfRecorderCanvas rec(64, 48);
    QTransform t;
    t.rotate(30);
    rec.SetWorldTransform(t);
    rec.IntersectClipRect(TRect(-2000000, -2000000, 2000000, 2000000));
    ASSERT_TRUE(rec.HasClip());
    EXPECT_EQ(rec.ClipRegion().boundingRect(), QRect(0, 0, 64, 48));
    rec.ExcludeClipRect(TRect(-2000000, -2000000, 0, 2000000));
    EXPECT_TRUE(QRect(0, 0, 64, 48).contains(rec.ClipRegion().boundingRect()));
    EXPECT_FALSE(rec.ClipRegion().isEmpty());
    const QList<quint32> types = recordTypes(rec.finish());
    EXPECT_TRUE(types.contains(emf::EMR_INTERSECTCLIPRECT));
    EXPECT_TRUE(types.contains(emf::EMR_EXCLUDECLIPRECT));
}

TEST(EmfRecorder, ReplayMatchesDirectDrawing)
{
    const QImage direct = render(drawScene);
    const QByteArray emf = recordScene();
    const QImage replay = render([&](Canvas &c) { EmfPlayer::Play(c, emf, TRect(0, 0, 200, 150)); });
    if (qEnvironmentVariableIsSet("VD_DUMP_IMAGES")) {
        direct.save(QStringLiteral("/tmp/scene_direct.png"));
        replay.save(QStringLiteral("/tmp/scene_replay.png"));
    }
    EXPECT_LT(differingShare(direct, replay), 0.005);
    // And the scene is really there.
    EXPECT_GT(countColor(replay, qRgb(255, 0, 0)), 1000);
    EXPECT_GT(countColor(replay, qRgb(0, 0, 255)), 1000);
    EXPECT_GT(countColor(replay, qRgb(128, 0, 0), 40), 20);
}

TEST(EmfRecorder, ReplayIntoALargerRectangleScales)
{
    const QByteArray emf = recordScene();
    const QImage big = render([&](Canvas &c) { EmfPlayer::Play(c, emf, TRect(0, 0, 400, 300)); }, 400, 300);
    // The red rectangle (10,10)-(60,50) doubles.
    EXPECT_EQ(big.pixel(100, 80) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(big.pixel(125, 80) & 0xFFFFFF, 0xFFFFFFu);
    // Drawing into an offset rectangle moves the picture and leaves the canvas state alone.
    QImage img(300, 200, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainterCanvas c(img);
        c.brush().color = clGreen;
        EmfPlayer::Play(c, emf, TRect(100, 50, 300, 200));
        EXPECT_EQ(c.brush().color, clGreen);
        EXPECT_EQ(c.SavedDepth(), 0);
        EXPECT_TRUE(c.WorldTransform().isIdentity());
    }
    EXPECT_EQ(img.pixel(130, 80) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(img.pixel(30, 30) & 0xFFFFFF, 0xFFFFFFu);
}

TEST(EmfRecorder, PathsAndArcsReplay)
{
    auto draw = [](Canvas &c) {
        QPainterPath p;
        p.moveTo(10, 10);
        p.lineTo(90, 10);
        p.cubicTo(90, 50, 50, 90, 10, 90);
        p.closeSubpath();
        c.brush().color = clRed;
        c.DrawPath(p, true, true);
        c.brush().color = clBlue;
        c.Pie(TRect(100, 10, 180, 90), TPoint(180, 50), TPoint(140, 10));
        c.RoundRect(TRect(10, 100, 90, 140), 20, 20);
        c.Chord(TRect(100, 100, 180, 140), TPoint(180, 120), TPoint(100, 120));
    };
    const QImage direct = render(draw);
    EmfRecorderCanvas rec(200, 150);
    draw(rec);
    const QByteArray emf = rec.finish();
    const QImage replay = render([&](Canvas &c) { EmfPlayer::Play(c, emf, TRect(0, 0, 200, 150)); });
    EXPECT_LT(differingShare(direct, replay), 0.005);
    EXPECT_EQ(replay.pixel(30, 30) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(replay.pixel(150, 40) & 0xFFFFFF, 0x0000FFu); // inside the pie's quarter
    EXPECT_EQ(replay.pixel(120, 70) & 0xFFFFFF, 0xFFFFFFu); // outside it
    EXPECT_FALSE(svgElements(toSvg(emf)).isEmpty());
}

TEST(EmfRecorder, TextKeepsItsAdvancesThroughTheMetafile)
{
    auto draw = [](Canvas &c) {
        c.font().height = -24;
        c.font().escapement = 0;
        const int dx[] = {30, 30, 30, 30};
        c.ExtTextOut(5, 5, 0, nullptr, QStringLiteral("WiWi"), dx);
        c.font().escapement = 900;
        c.SetBkMode(BkMode::Transparent);
        c.TextOut(170, 140, QStringLiteral("Up"));
    };
    const QImage direct = render(draw);
    EmfRecorderCanvas rec(200, 150);
    draw(rec);
    const QByteArray emf = rec.finish();
    const QImage replay = render([&](Canvas &c) { EmfPlayer::Play(c, emf, TRect(0, 0, 200, 150)); });
    EXPECT_LT(differingShare(direct, replay), 0.002);
    const QString svg = toSvg(emf);
    EXPECT_FALSE(svgElements(svg).isEmpty());
    EXPECT_TRUE(svg.contains(QStringLiteral("WiWi")));
}

// The seed pictures of the metafile fuzz target were recorded with this
// recorder (the .emf ones) or written by hand (the .wmf ones).
TEST(EmfRecorder, SeedPicturesPlayAndConvert)
{
    const QDir dir(QStringLiteral(VD_SOURCE_DIR "/fuzz/corpus/fuzz_metafile"));
    const QStringList files = dir.entryList({QStringLiteral("*.emf"), QStringLiteral("*.wmf")}, QDir::Files);
    ASSERT_GE(files.size(), 4);
    for (const QString &name : files) {
        const QByteArray bytes = vdtest::readFile(dir.filePath(name));
        EXPECT_NO_THROW(EmfPlayer::ReadHeader(bytes)) << qPrintable(name);
        QImage img(120, 120, QImage::Format_RGB32);
        img.fill(Qt::white);
        {
            QPainterCanvas c(img);
            EXPECT_NO_THROW(EmfPlayer::Play(c, bytes, TRect(0, 0, 120, 120))) << qPrintable(name);
        }
        if (name.endsWith(QStringLiteral(".emf"))) {
            EXPECT_FALSE(svgElements(toSvg(bytes)).isEmpty()) << qPrintable(name);
        }
    }
}

// A pattern brush tiles from the device origin in device pixels, under any
// transform; recorded and played it fills as drawn directly.
TEST(EmfRecorder, PatternBrushRoundTripsAndStaysOnTheDeviceGrid)
{
    QImage tile(4, 4, QImage::Format_RGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            tile.setPixel(x, y, (x + y) % 2 ? qRgb(255, 0, 0) : qRgb(0, 0, 255 - 40 * x));
    auto draw = [&](Canvas &c) {
        c.setBrush(CanvasBrush{clWhite, BrushStyle::Pattern, tile});
        c.FillRect(TRect(3, 5, 43, 37));
        // Scaled drawing does not scale the tiles.
        c.SetWorldTransform(QTransform::fromScale(2, 2));
        c.FillRect(TRect(30, 30, 50, 45));
    };
    const QImage direct = render(draw);
    EXPECT_EQ(direct.pixel(4, 5), tile.pixel(0, 1));
    EXPECT_EQ(direct.pixel(62, 62), tile.pixel(2, 2));
    EXPECT_EQ(direct.pixel(63, 62), tile.pixel(3, 2));
    EmfRecorderCanvas rec(200, 150);
    draw(rec);
    const QByteArray emf = rec.finish();
    EXPECT_TRUE(recordTypes(emf).contains(emf::EMR_CREATEDIBPATTERNBRUSHPT));
    const QImage played = render([&](Canvas &c) { EmfPlayer::Play(c, emf, TRect(0, 0, 200, 150)); });
    EXPECT_EQ(played, direct);
}
