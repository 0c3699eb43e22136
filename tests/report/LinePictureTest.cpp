// Line and picture views: arrowheads, hit tests, drawing that leaves the
// model alone, picture loading from streams, files and headers, the picture
// cache, differences and stored values.
#include "core/vdGraphic.h"
#include "core/vdPictureCache.h"
#include "platform/QPainterCanvas.h"
#include "report/vdxClass.h"
#include "tests/common/TestSupport.h"
#include "tests/report/ViewSheet.h"

#include <QBuffer>
#include <QImage>
#include <QtEndian>
#include <gtest/gtest.h>

namespace {

using Sheet = vdtest::ViewSheet;
using vdtest::pngBytes;
using vdtest::saveBytes;

TEST(LineArrow, HorizontalAndVertical)
{
    TPoint p[3];
    TvdxCustomLineView::ArrowPoints(0, 10, 100, 10, 20, 5, p);
    EXPECT_EQ(p[0], TPoint(100, 10));
    EXPECT_EQ(p[1], TPoint(80, 5));
    EXPECT_EQ(p[2], TPoint(80, 15));
    // Start arrow: the tip at the first point.
    TvdxCustomLineView::ArrowPoints(100, 10, 0, 10, 20, 5, p);
    EXPECT_EQ(p[1], TPoint(20, 5));
    // Nearly vertical: wings across by the width.
    TvdxCustomLineView::ArrowPoints(50, 0, 50, 100, 20, 5, p);
    EXPECT_EQ(p[1], TPoint(45, 80));
    EXPECT_EQ(p[2], TPoint(55, 80));
}

TEST(LineDesign, FlagsChooseDiagonalAndArrows)
{
    std::unique_ptr<TvdxLineView> v(TvdxCustomLineView::DesignCreate<TvdxLineView>(nullptr, 4));
    EXPECT_TRUE(v->Diagonal());
    EXPECT_TRUE(v->ArrowStart());
    EXPECT_TRUE(v->ArrowEnd());
    std::unique_ptr<TvdxLineView> s(TvdxCustomLineView::DesignCreate<TvdxLineView>(nullptr, 0));
    EXPECT_FALSE(s->Diagonal());
}

TEST(LineHit, ToleranceBesideAVerticalLine)
{
    TvdxLineView v;
    v.SetBounds(50, 10, 0, 100);
    EXPECT_TRUE(v.IsContain(53, 50));
    EXPECT_FALSE(v.IsContain(55, 50));
    TvdxLineView d;
    d.SetDiagonal(true);
    d.SetBounds(0, 0, 100, 100);
    EXPECT_TRUE(d.IsContain(50, 52));
    EXPECT_FALSE(d.IsContain(50, 80));
    EXPECT_FALSE(d.IsInRect(vdRectF(60, 0, 90, 30))) << "all corners on one side";
}

TEST(LineDraw, HorizontalStrokeLeavesTheModelAlone)
{
    Sheet s;
    auto *v = new TvdxLineView(s.band);
    v->SetName(QStringLiteral("Line1"));
    v->SetBounds(10, 20, 100, 3);
    v->SetArrowEnd(true);
    const QByteArray before = saveBytes(s.report);
    QImage img(140, 60, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainterCanvas canvas(img);
        v->Draw(canvas, 1, 1, 0, 0);
    }
    EXPECT_EQ(fromQColor(img.pixelColor(50, 20)), clBlack) << "the top side is the stroke";
    EXPECT_EQ(fromQColor(img.pixelColor(50, 22)), clWhite);
    EXPECT_EQ(fromQColor(img.pixelColor(90, 15)), clBlack) << "arrow wing";
    EXPECT_EQ(saveBytes(s.report), before);
}

TEST(LineDiff, ArrowAttributes)
{
    TvdxLineView a, b;
    b.SetDiagonal(true);
    b.SetArrowLength(30);
    b.SetColor(clRed);
    EXPECT_EQ(b.Diff(&a), QStringLiteral(" Diagonal=\"1\" ArrowLength=\"30\""));
}

TEST(PictureLoad, StreamsHeadersAndBadData)
{
    TvdxPictureView v;
    QByteArray empty;
    QBuffer e(&empty);
    e.open(QIODevice::ReadOnly);
    EXPECT_EQ(v.LoadPictureFromStream(e, true), vdE_INVALIDARG);

    QByteArray junk("not a picture at all");
    QBuffer j(&junk);
    j.open(QIODevice::ReadOnly);
    EXPECT_EQ(v.LoadPictureFromStream(j, true), qint32(0x80070057u));
    EXPECT_TRUE(v.IsEmpty());

    const QByteArray png = pngBytes(16, 8);
    QByteArray blob(8, '\0');
    qToLittleEndian<quint16>(1, blob.data());
    qToLittleEndian<quint16>(0x0100, blob.data() + 2);
    qToLittleEndian<quint32>(quint32(png.size()), blob.data() + 4);
    blob += png;
    QBuffer b(&blob);
    b.open(QIODevice::ReadOnly);
    EXPECT_EQ(v.LoadPictureFromStream(b, true), vdS_OK);
    EXPECT_EQ(v.GraphicWidth(), 16);

    QByteArray plain = pngBytes(640, 480);
    QBuffer p(&plain);
    p.open(QIODevice::ReadOnly);
    EXPECT_EQ(v.LoadPictureFromStream(p, true), vdS_OK);
    v.SetAutoSize(true);
    EXPECT_EQ(double(v.Width()), 640);
    EXPECT_EQ(double(v.Height()), 480);
}

TEST(PictureLoad, FileLinkLoadsOrClears)
{
    vdtest::TempDir dir;
    ASSERT_TRUE(vdtest::writeFile(dir.file(QStringLiteral("p.png")), pngBytes(4, 4)));
    Sheet s;
    auto *v = new TvdxPictureView(s.band);
    v->SetName(QStringLiteral("Picture1"));
    v->SetFileLink(QStringLiteral("['") + dir.path() + QStringLiteral("/' + 'p.png']")); // expanded first
    v->GetData();
    EXPECT_EQ(v->GraphicWidth(), 4);
    v->SetFileLink(dir.file(QStringLiteral("missing.png")));
    v->GetData();
    EXPECT_TRUE(v->IsEmpty());
}

TEST(PictureDiff, IndexAlwaysTransparencyWhenSet)
{
    TvdxPictureView a, b;
    EXPECT_EQ(b.Diff(&a), QStringLiteral(" ImageIndex=\"0\""));
    b.SetTransparent(true);
    b.SetTransparentColor(clRed);
    b.SetImageIndex(3);
    EXPECT_EQ(b.Diff(&a), QStringLiteral(" ImageIndex=\"3\" Transparent=\"1\" TransparentColor=\"255\""));
    EXPECT_FALSE(b.GetProp(8));
    EXPECT_EQ(TvdxPictureView().GraphicProps().bits, 44);
}

TEST(PictureStore, SavesAndLoadsThePicture)
{
    Sheet s;
    auto *v = new TvdxPictureView(s.band);
    v->SetName(QStringLiteral("Picture1"));
    v->SetBounds(0, 0, 40, 40);
    QByteArray png = pngBytes(5, 7);
    QBuffer b(&png);
    b.open(QIODevice::ReadOnly);
    ASSERT_EQ(v->LoadPictureFromStream(b, true), vdS_OK);
    const QByteArray bytes = saveBytes(s.report);
    TvdxReport back;
    QByteArray copy = bytes;
    QBuffer in(&copy);
    in.open(QIODevice::ReadOnly);
    back.LoadFromStream(in);
    auto *p = qobject_cast<TvdxPictureView *>(back.FindObject(QStringLiteral("Picture1")));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->GraphicWidth(), 5);
    EXPECT_EQ(p->GraphicHeight(), 7);
    QImage img(60, 60, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainterCanvas canvas(img);
        p->Draw(canvas, 1, 1, 0, 0);
    }
    EXPECT_EQ(fromQColor(img.pixelColor(20, 20)), clRed);
}

} // namespace

namespace {

QByteArray withHeader(const QByteArray &body, quint32 length)
{
    QByteArray blob(8, '\0');
    qToLittleEndian<quint16>(1, blob.data());
    qToLittleEndian<quint16>(0x0100, blob.data() + 2);
    qToLittleEndian<quint32>(length, blob.data() + 4);
    return blob + body;
}

} // namespace

// Truncated and damaged blobs answer E_INVALIDARG, leave the picture empty
// and never read past their end.
TEST(PictureLoad, TruncatedBlobs)
{
    const QByteArray png = pngBytes(16, 8);
    const struct {
        const char *what;
        QByteArray bytes;
    } cases[] = {
        {"header only", withHeader(QByteArray(), 0)},
        {"header, half a picture", withHeader(png.left(png.size() / 2), quint32(png.size() / 2))},
        {"header claiming more than follows", withHeader(png.left(40), quint32(png.size()))},
        {"seven bytes", png.left(7)},
        {"picture cut after its signature", png.left(12)},
    };
    for (const auto &c : cases) {
        TvdxPictureView v;
        QByteArray good = png;
        QBuffer g(&good);
        g.open(QIODevice::ReadOnly);
        ASSERT_EQ(v.LoadPictureFromStream(g, true), vdS_OK);
        QByteArray bytes = c.bytes;
        QBuffer b(&bytes);
        b.open(QIODevice::ReadOnly);
        EXPECT_EQ(v.LoadPictureFromStream(b, true), vdE_INVALIDARG) << c.what;
        EXPECT_TRUE(v.IsEmpty()) << c.what;
    }
}

// A file link that names no readable picture clears it; an expression that
// fails raises and keeps the picture.
TEST(PictureLoad, BadFileLinks)
{
    vdtest::TempDir dir;
    ASSERT_TRUE(vdtest::writeFile(dir.file(QStringLiteral("p.png")), pngBytes(4, 4)));
    ASSERT_TRUE(vdtest::writeFile(dir.file(QStringLiteral("junk.png")), QByteArray("not a picture")));
    ASSERT_TRUE(vdtest::writeFile(dir.file(QStringLiteral("empty.png")), QByteArray()));
    const QString cases[] = {dir.file(QStringLiteral("missing.png")), dir.path(), dir.file(QStringLiteral("junk.png")),
                             dir.file(QStringLiteral("empty.png")), QStringLiteral("['']"),
                             QStringLiteral("\\\\no\\such\\share\\p.png")};
    for (const QString &link : cases) {
        Sheet s;
        auto *v = new TvdxPictureView(s.band);
        v->SetName(QStringLiteral("Picture1"));
        v->SetFileLink(dir.file(QStringLiteral("p.png")));
        v->GetData();
        ASSERT_EQ(v->GraphicWidth(), 4);
        v->SetFileLink(link);
        EXPECT_NO_THROW(v->GetData()) << link.toStdString();
        EXPECT_TRUE(v->IsEmpty()) << link.toStdString();
    }
    Sheet s;
    auto *v = new TvdxPictureView(s.band);
    v->SetName(QStringLiteral("Picture1"));
    v->SetFileLink(dir.file(QStringLiteral("p.png")));
    v->GetData();
    v->SetFileLink(QStringLiteral("[1 +* 2]"));
    EXPECT_THROW(v->GetData(), EReportScriptError);
    EXPECT_EQ(v->GraphicWidth(), 4);
}

// The picture travels through a picture cache: stored once, its index
// written, and loaded back as the original or as a shared thumbnail.
TEST(PictureCache, StoresTheIndexAndLoadsBack)
{
    TvdxPictureCache cache;
    TvdxPictureView a;
    QByteArray png = pngBytes(30, 20);
    QBuffer b(&png);
    b.open(QIODevice::ReadOnly);
    ASSERT_EQ(a.LoadPictureFromStream(b, true), vdS_OK);
    IvdxCachedView *cached = &a;
    cached->SaveGraphicToCache(&cache);
    EXPECT_EQ(a.ImageIndex(), 1);
    EXPECT_FALSE(a.PictureChanged());
    a.SetImageIndex(99);
    cached->SaveGraphicToCache(&cache);
    EXPECT_EQ(a.ImageIndex(), 99) << "an unchanged picture is not stored again";

    TvdxPictureView back;
    back.SetImageIndex(1);
    EXPECT_TRUE(back.IsGraphicReloadNeeded(cgOriginal));
    back.LoadGraphicFromCache(&cache, cgOriginal);
    EXPECT_EQ(back.GraphicWidth(), 30);
    EXPECT_FALSE(back.IsGraphicReloadNeeded(cgOriginal));
    EXPECT_EQ(back.Diff(&a), QStringLiteral(" ImageIndex=\"1\""));

    // With thumbnails the view shares a cached graphic until its own picture changes.
    TvdxPictureCacheOptions options;
    options.SetCachedImagesBuildType(tbtAtPrepare);
    cache.SetPictureCacheOptions(&options);
    if (!cache.ThumbnailsEnabled())
        return;
    TvdxPictureView thumb;
    thumb.SetImageIndex(1);
    thumb.LoadGraphicFromCache(&cache, cgThumbnail);
    ASSERT_TRUE(thumb.CachedGraphic());
    EXPECT_FALSE(thumb.IsEmpty());
    EXPECT_TRUE(thumb.IsGraphicReloadNeeded(cgOriginal));
    EXPECT_EQ(thumb.Picture()->Width(), 30) << "the original comes into the picture when asked for";
    thumb.SetGraphic(nullptr);
    EXPECT_FALSE(thumb.CachedGraphic());
    EXPECT_EQ(thumb.ImageIndex(), 0);
}

TEST(StoredValues, GlassAndLineColoursOmitTheirConstructorValues)
{
    Sheet s;
    auto *shape = new TvdxShapeView(s.band);
    shape->SetName(QStringLiteral("Shape1"));
    shape->SetFillType(ftGlass);
    auto *line = new TvdxLineView(s.band);
    line->SetName(QStringLiteral("Line1"));
    QByteArray bytes = saveBytes(s.report);
    EXPECT_FALSE(bytes.contains("Fill.Color=")) << "grey is the glass colour a new fill has";
    EXPECT_FALSE(bytes.contains(" Color=")) << "black is the colour a new line has";

    static_cast<TvdxGlassFill *>(shape->Fill())->SetColor(clWhite);
    line->SetColor(clNone);
    bytes = saveBytes(s.report);
    EXPECT_TRUE(bytes.contains("Fill.Color=\"16777215\"")) << bytes.constData();
    TvdxReport back;
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    back.LoadFromStream(in);
    auto *shape2 = qobject_cast<TvdxShapeView *>(back.FindObject(QStringLiteral("Shape1")));
    auto *line2 = qobject_cast<TvdxLineView *>(back.FindObject(QStringLiteral("Line1")));
    ASSERT_TRUE(shape2 && line2);
    EXPECT_EQ(shape2->Color(), clWhite) << "a white glass colour survives";
    EXPECT_EQ(line2->Color(), clNone) << "a line colour of none survives";
}
