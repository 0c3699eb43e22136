#include "CanvasTestScene.h"
#include "common/TestSupport.h"
#include "platform/EmfRecorderCanvas.h"
#include "platform/EnhMetafile.h"
#include <QBuffer>
#include <gtest/gtest.h>

TEST(EnhMetafile, RecordsSavesLoadsAndDraws)
{
    EnhMetafile mf;
    EXPECT_TRUE(mf.isEmpty());
    mf.setSize(200, 150);
    auto canvas = mf.beginRecording();
    canvastest::drawScene(*canvas);
    mf.endRecording(*canvas);
    EXPECT_TRUE(mf.isEnhanced());
    EXPECT_EQ(mf.width(), 200);
    EXPECT_EQ(mf.height(), 150);
    EXPECT_EQ(mf.mmWidth(), 5292);
    EXPECT_FALSE(canvastest::svgElements(canvastest::toSvg(mf.bytes())).isEmpty());

    QByteArray stored;
    QBuffer out(&stored);
    out.open(QIODevice::WriteOnly);
    mf.save(out);
    EXPECT_EQ(stored, mf.bytes());

    QByteArray prefixed = QByteArray("xyz") + stored;
    QBuffer in(&prefixed);
    in.open(QIODevice::ReadOnly);
    in.seek(3);
    EnhMetafile back;
    back.load(in);
    EXPECT_EQ(back.bytes(), stored);
    EXPECT_EQ(back.width(), 200);

    const QImage img = back.toImage();
    EXPECT_EQ(img.size(), QSize(200, 150));
    EXPECT_EQ(img.pixel(30, 30) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(back.toImage(400, 300).pixel(60, 60) & 0xFFFFFF, 0xFF0000u);
}

TEST(EnhMetafile, LoadingRefusesBadDataAndKeepsNothing)
{
    QByteArray junk("definitely not a metafile");
    QBuffer in(&junk);
    in.open(QIODevice::ReadOnly);
    EnhMetafile mf;
    EXPECT_THROW(mf.load(in), EMetafileError);
    EXPECT_TRUE(mf.isEmpty());
    EXPECT_THROW(EnhMetafile::fromBytes(QByteArray()), EMetafileError);
}

TEST(EnhMetafile, WindowsMetafilesConvertToEnhanced)
{
    const QByteArray wmf = vdtest::readFile(vdtest::dataPath(QStringLiteral("canvas/sample.wmf")));
    ASSERT_FALSE(wmf.isEmpty());
    EnhMetafile mf = EnhMetafile::fromBytes(wmf);
    EXPECT_EQ(mf.kind(), MetafileKind::PlaceableWmf);
    EXPECT_EQ(mf.bytes(), wmf); // kept as loaded
    const QByteArray emf = mf.toEmf();
    EnhMetafile converted = EnhMetafile::fromBytes(emf);
    EXPECT_TRUE(converted.isEnhanced());
    EXPECT_FALSE(canvastest::svgElements(canvastest::toSvg(emf)).isEmpty());
    EXPECT_EQ(converted.width(), mf.width());
    EXPECT_LT(canvastest::differingShare(mf.toImage(), converted.toImage()), 0.01);
}
