// Records our recorder never writes but metafiles from other programs use:
// mapping modes, window and viewport extents, clip paths, 32-bit polylines.
#include "CanvasTestScene.h"
#include "common/EmfBuilder.h"
#include "platform/EmfPlayer.h"
#include "platform/EmfRecorderCanvas.h"
#include "platform/EmfRecords.h"
#include "platform/QPainterCanvas.h"
#include <QtEndian>
#include <gtest/gtest.h>

namespace {

QImage play(const QByteArray &emf, int w = 100, int h = 100)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainterCanvas c(img);
    EmfPlayer::Play(c, emf, TRect(0, 0, w, h));
    c.painter().end();
    return img;
}

void redBrushNullPen(EmfBuilder &b)
{
    b.add(emf::EMR_CREATEBRUSHINDIRECT, {1, 0, 0x0000FF, 0});
    b.add(emf::EMR_SELECTOBJECT, {1});
    b.add(emf::EMR_SELECTOBJECT, {qint32(emf::STOCK_OBJECT | emf::NULL_PEN)});
}

} // namespace

TEST(EmfForeignRecords, AnisotropicWindowAndViewport)
{
    EmfBuilder b;
    redBrushNullPen(b);
    b.add(emf::EMR_SETMAPMODE, {emf::MM_ANISOTROPIC});
    b.add(emf::EMR_SETWINDOWORGEX, {1000, 1000});
    b.add(emf::EMR_SETWINDOWEXTEX, {1000, 1000});
    b.add(emf::EMR_SETVIEWPORTEXTEX, {100, 100});
    b.add(emf::EMR_RECTANGLE, {1200, 1200, 1500, 1500}); // device 20..50
    const QImage img = play(b.bytes());
    EXPECT_EQ(img.pixel(25, 25) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(img.pixel(15, 15) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(img.pixel(55, 55) & 0xFFFFFF, 0xFFFFFFu);
}

TEST(EmfForeignRecords, MetricMappingTurnsYUp)
{
    // 20 inch reference device at 96 per inch: 0.1 mm is 0.378 pixels.
    EmfBuilder b;
    redBrushNullPen(b);
    b.add(emf::EMR_SETMAPMODE, {emf::MM_LOMETRIC});
    b.add(emf::EMR_SETVIEWPORTORGEX, {0, 100});
    b.add(emf::EMR_RECTANGLE, {0, 0, 100, 100}); // 10 mm square up from the bottom-left
    const QImage img = play(b.bytes());
    EXPECT_EQ(img.pixel(10, 90) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(img.pixel(10, 50) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(img.pixel(50, 90) & 0xFFFFFF, 0xFFFFFFu);
}

TEST(EmfForeignRecords, SavedMappingAndTransformAreRestored)
{
    EmfBuilder b;
    redBrushNullPen(b);
    b.add(emf::EMR_SAVEDC, {});
    b.add(emf::EMR_SETMAPMODE, {emf::MM_ANISOTROPIC});
    b.add(emf::EMR_SETWINDOWEXTEX, {10, 10});
    b.add(emf::EMR_SETVIEWPORTEXTEX, {100, 100});
    b.add(emf::EMR_RESTOREDC, {-1});
    b.add(emf::EMR_RECTANGLE, {0, 0, 10, 10}); // unscaled again
    const QImage img = play(b.bytes());
    EXPECT_EQ(img.pixel(5, 5) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(img.pixel(20, 20) & 0xFFFFFF, 0xFFFFFFu);
}

TEST(EmfForeignRecords, ClipPathAndRegionReset)
{
    EmfBuilder b;
    redBrushNullPen(b);
    b.add(emf::EMR_BEGINPATH, {});
    b.add(emf::EMR_RECTANGLE, {0, 0, 50, 50});
    b.add(emf::EMR_ENDPATH, {});
    b.add(emf::EMR_SELECTCLIPPATH, {5}); // RGN_COPY
    b.add(emf::EMR_RECTANGLE, {0, 0, 101, 101});
    b.add(emf::EMR_EXTSELECTCLIPRGN, {0, 5}); // no region: clip removed
    b.add(emf::EMR_CREATEBRUSHINDIRECT, {2, 0, 0xFF0000, 0});
    b.add(emf::EMR_SELECTOBJECT, {2});
    b.add(emf::EMR_RECTANGLE, {80, 80, 101, 101});
    const QImage img = play(b.bytes());
    EXPECT_EQ(img.pixel(25, 25) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(img.pixel(60, 60) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(img.pixel(90, 90) & 0xFFFFFF, 0x0000FFu);
}

TEST(EmfForeignRecords, PolylineToAndBezierToFollowTheCurrentPosition)
{
    EmfBuilder b;
    b.add(emf::EMR_MOVETOEX, {10, 10});
    // EMR_POLYLINETO (32-bit): bounds, count, points.
    b.add(emf::EMR_POLYLINETO, {0, 0, -1, -1, 2, 90, 10, 90, 90});
    b.add(emf::EMR_LINETO, {10, 90});
    const QImage img = play(b.bytes());
    EXPECT_EQ(img.pixel(50, 10) & 0xFFFFFF, 0u);
    EXPECT_EQ(img.pixel(90, 50) & 0xFFFFFF, 0u);
    EXPECT_EQ(img.pixel(50, 90) & 0xFFFFFF, 0u);
    EXPECT_EQ(img.pixel(50, 50) & 0xFFFFFF, 0xFFFFFFu);
}

TEST(EmfForeignRecords, StockObjectsAndUnknownRecords)
{
    EmfBuilder b;
    b.add(emf::EMR_SELECTOBJECT, {qint32(emf::STOCK_OBJECT | emf::BLACK_BRUSH)});
    b.add(emf::EMR_GDICOMMENT, {4, 0x2B464D45}); // an EMF+ comment: ignored
    b.add(200, {1, 2, 3});                        // unknown type: skipped
    b.add(emf::EMR_RECTANGLE, {10, 10, 30, 30});
    b.add(emf::EMR_SELECTOBJECT, {77}); // no such object
    b.add(emf::EMR_DELETEOBJECT, {0});  // index 0 is reserved
    const QImage img = play(b.bytes());
    EXPECT_EQ(img.pixel(20, 20) & 0xFFFFFF, 0u);
}

TEST(EmfForeignRecords, RunLengthBitmaps)
{
    // 4 x 2, 8 bits per pixel, RLE8; index 0 red, index 1 blue.
    QByteArray bmi(40, '\0');
    qToLittleEndian<quint32>(40, bmi.data());
    qToLittleEndian<qint32>(4, bmi.data() + 4);
    qToLittleEndian<qint32>(2, bmi.data() + 8);
    qToLittleEndian<quint16>(1, bmi.data() + 12);
    qToLittleEndian<quint16>(8, bmi.data() + 14);
    qToLittleEndian<quint32>(emf::BI_RLE8, bmi.data() + 16);
    qToLittleEndian<quint32>(2, bmi.data() + 32);
    bmi.append(QByteArray("\x00\x00\xFF\x00\xFF\x00\x00\x00", 8));
    // Bottom row: four of index 1. Top row: absolute 0,1,0 then one 1.
    const QByteArray bits("\x04\x01\x00\x00\x00\x03\x00\x01\x00\x00\x01\x01\x00\x01", 14);
    EmfBuilder b;
    b.addWithData(emf::EMR_STRETCHDIBITS,
                  {0, 0, 39, 19, 0, 0, 0, 0, 4, 2, 80, qint32(bmi.size()), qint32(80 + bmi.size()),
                   qint32(bits.size()), 0, qint32(SRCCOPY), 40, 20},
                  bmi + bits);
    const QImage img = play(b.bytes());
    EXPECT_EQ(img.pixel(5, 5) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(img.pixel(15, 5) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(img.pixel(25, 5) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(img.pixel(35, 5) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(img.pixel(5, 15) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(img.pixel(45, 5) & 0xFFFFFF, 0xFFFFFFu);
}
