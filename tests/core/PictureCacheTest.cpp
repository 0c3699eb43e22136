// The picture cache: de-duplication, reductions and thumbnails, shared decoded
// graphics, its XML, temporary-file segments and a reader beside a writer.
#include "core/vdGIFGraphics.h"
#include "core/vdPictureCache.h"
#include "core/vdXML.h"
#include "tests/common/TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

std::unique_ptr<TBitmap> bitmap(int w, int h, TColor color)
{
    auto b = std::make_unique<TBitmap>(w, h, pf24bit);
    b->Fill(color);
    return b;
}

TColor colorOf(const TGraphic &g)
{
    const QImage image = g.ToImage();
    const QRgb p = image.pixel(image.width() / 2, image.height() / 2);
    return RGBColor(qRed(p), qGreen(p), qBlue(p));
}

TColor colorFor(int i)
{
    return RGBColor(i % 251, (i * 7) % 253, (i * 13) % 255);
}

QString xmlText(TvdXMLItem *root)
{
    // Through a real document, so the text is what a prepared report holds.
    TvdXMLDocument doc;
    doc.Root()->SetName(root->Name());
    while (root->Count() > 0)
        doc.Root()->AddItem(root->Items(0));
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    doc.SaveToStream(out);
    while (doc.Root()->Count() > 0)
        root->AddItem(doc.Root()->Items(0));
    return QString::fromUtf8(bytes);
}

} // namespace

TEST(PictureCache, AddAnswersIndicesAndDeduplicatesWithHashOn)
{
    TvdxPictureCache cache;
    EXPECT_EQ(cache.AddPicture(nullptr), 0);
    TBitmap empty;
    EXPECT_EQ(cache.AddPicture(&empty), 0);

    auto red = bitmap(10, 8, clRed);
    auto blue = bitmap(10, 8, clBlue);
    EXPECT_EQ(cache.AddPicture(red.get()), 1);
    EXPECT_EQ(cache.AddPicture(red.get()), 2); // hash off: a new copy each time
    EXPECT_EQ(cache.Count(), 2);

    TvdxPictureCache hashed;
    hashed.PictureCacheOptions()->SetCalculateHash(true);
    EXPECT_EQ(hashed.AddPicture(red.get()), 1);
    EXPECT_EQ(hashed.AddPicture(blue.get()), 2);
    auto redAgain = bitmap(10, 8, clRed);
    EXPECT_EQ(hashed.AddPicture(redAgain.get()), 1);
    EXPECT_EQ(hashed.AddPicture(blue.get()), 2);
    EXPECT_EQ(hashed.Count(), 2);

    auto back = hashed.GetGraphic(2);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(colorOf(*back), clBlue);
    EXPECT_EQ(hashed.GetOriginalSize(cgOriginal, 2), TSize(10, 8));

    // Out of range: nothing, and no exception.
    EXPECT_EQ(hashed.GetGraphic(0), nullptr);
    EXPECT_EQ(hashed.GetGraphic(3), nullptr);
    EXPECT_EQ(hashed.GetCachedBitmap(cgOriginal, 0), nullptr);
    TBitmap untouched(3, 3);
    hashed.GetGraphic(&untouched, 7);
    EXPECT_EQ(untouched.Width(), 3);
}

TEST(PictureCache, ClearEmptiesTheDeduplicationMap)
{
    TvdxPictureCache cache;
    cache.PictureCacheOptions()->SetCalculateHash(true);
    auto red = bitmap(4, 4, clRed);
    auto blue = bitmap(4, 4, clBlue);
    cache.AddPicture(red.get());
    cache.AddPicture(blue.get());
    int cleared = 0;
    cache.OnThumbnailUpdated = [&](TvdxPictureCache *sender, TvdxThumbnailsUpdateState state) {
        EXPECT_EQ(sender, &cache);
        EXPECT_EQ(state, tusClear);
        ++cleared;
    };
    cache.Clear();
    EXPECT_EQ(cleared, 1);
    EXPECT_EQ(cache.Count(), 0);
    // Blue was index 2 before the Clear; now it must be stored again as 1.
    EXPECT_EQ(cache.AddPicture(blue.get()), 1);
    auto back = cache.GetGraphic(1);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(colorOf(*back), clBlue);
}

TEST(PictureCache, ReductionPercentAndBounds)
{
    TvdxPictureCacheOptions options;
    options.OriginalQualityReducer()->SetReducePercent(50);
    options.OriginalQualityReducer()->SetMinWidth(32);
    options.OriginalQualityReducer()->SetMinHeight(32);
    struct Case { int w, h, percent; };
    const Case cases[] = {{20, 40, 50}, {20, 20, 0}, {40, 20, 50}, {100, 60, 50}, {31, 31, 0}, {32, 1, 50}};
    for (const Case &c : cases)
        EXPECT_EQ(options.GetPercentFor(cgOriginal, c.w, c.h), c.percent) << c.w << "x" << c.h;
    EXPECT_EQ(options.GetPercentFor(cgThumbnail, 100, 60), 0);

    TvdxPictureConverterOptions fresh;
    EXPECT_EQ(fresh.MinWidth(), 0);
    fresh.SetMinWidth(5);
    EXPECT_EQ(fresh.MinWidth(), 32);
    fresh.SetReducePercent(150);
    EXPECT_EQ(fresh.ReducePercent(), 100);

    TvdxPictureCacheOptions copy;
    copy.Assign(&options);
    EXPECT_EQ(copy.OriginalQualityReducer()->ReducePercent(), 50);
    EXPECT_THROW(copy.Assign(&fresh), EConvertError);
}

TEST(PictureCache, StoredSizeFollowsBuildType)
{
    struct Case { TvdxThumbnailBuildType type; int percent; TSize stored; };
    const Case cases[] = {
        {tbtNone, 50, TSize(100, 60)},
        {tbtOriginal, 50, TSize(50, 30)},
        {tbtOriginal, 100, TSize(100, 60)}, // a target of 0 keeps the original size
        {tbtAtSave, 25, TSize(75, 45)},
    };
    for (const Case &c : cases) {
        TvdxPictureCache cache;
        cache.PictureCacheOptions()->SetCachedImagesBuildType(c.type);
        cache.PictureCacheOptions()->OriginalQualityReducer()->SetReducePercent(c.percent);
        auto picture = bitmap(100, 60, clGreen);
        ASSERT_EQ(cache.AddPicture(picture.get()), 1);
        auto back = cache.GetGraphic(1);
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(TSize(back->Width(), back->Height()), c.stored) << int(c.type) << " " << c.percent;
        EXPECT_EQ(cache.GetOriginalSize(cgOriginal, 1), TSize(100, 60));
    }
}

TEST(PictureCache, SharedGraphicsPerIndex)
{
    TvdxPictureCache cache;
    auto red = bitmap(40, 40, clRed);
    cache.AddPicture(red.get());
    IvdxCachedGraphicRef a = cache.GetCachedBitmap(cgOriginal, 1);
    IvdxCachedGraphicRef b = cache.GetCachedBitmap(cgOriginal, 1);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a->GetOriginalSize(), TSize(40, 40));
    const TGraphic *first = a->GetGraphic(cgOriginal);
    a.reset();
    b.reset();
    IvdxCachedGraphicRef c = cache.GetCachedBitmap(cgOriginal, 1);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(colorOf(*c->GetGraphic(cgNone)), clRed);
    (void)first;

    // A graphic held across a Clear, and beyond the cache's life, stays usable.
    auto cache2 = std::make_unique<TvdxPictureCache>();
    cache2->AddPicture(red.get());
    IvdxCachedGraphicRef held = cache2->GetCachedBitmap(cgOriginal, 1);
    cache2->Clear();
    auto blue = bitmap(8, 8, clBlue);
    cache2->AddPicture(blue.get());
    IvdxCachedGraphicRef fresh = cache2->GetCachedBitmap(cgOriginal, 1);
    EXPECT_NE(fresh, held);
    held.reset(); // must not drop the newer entry
    EXPECT_EQ(cache2->GetCachedBitmap(cgOriginal, 1), fresh);
    cache2.reset();
    EXPECT_EQ(colorOf(*fresh->GetGraphic(cgOriginal)), clBlue);
}

TEST(PictureCache, ThumbnailsServedFromOriginalsAtPreview)
{
    TvdxPictureCache cache;
    cache.PictureCacheOptions()->SetCachedImagesBuildType(tbtAtPreview);
    EXPECT_TRUE(cache.ThumbnailsEnabled());
    auto red = bitmap(64, 64, clRed);
    cache.AddPicture(red.get());
    cache.BuildFinished();
    IvdxCachedGraphicRef thumb = cache.GetCachedBitmap(cgThumbnail, 1);
    ASSERT_NE(thumb, nullptr);
    EXPECT_EQ(thumb->GetCacheType(), cgThumbnail);
    EXPECT_EQ(thumb->GetGraphic(cgThumbnail)->Width(), 64);
    IvdxCachedGraphicRef original = cache.GetCachedBitmap(cgOriginal, 1);
    EXPECT_EQ(original, thumb);
    EXPECT_EQ(original->GetCacheType(), cgOriginal);
}

TEST(PictureCache, ThumbnailsAtPrepareAndAtSave)
{
    {
        TvdxPictureCache cache;
        cache.PictureCacheOptions()->SetCachedImagesBuildType(tbtAtPrepare);
        cache.PictureCacheOptions()->ThumbnailQualityReducer()->SetReducePercent(75);
        auto pic = bitmap(80, 40, clYellow);
        EXPECT_EQ(cache.AddPicture(pic.get()), 1);
        EXPECT_EQ(cache.Thumbnails().Count(), 1);
        IvdxCachedGraphicRef thumb = cache.GetCachedBitmap(cgThumbnail, 1);
        ASSERT_NE(thumb, nullptr);
        EXPECT_EQ(thumb->GetGraphic(cgThumbnail)->Width(), 20);
        EXPECT_EQ(thumb->GetOriginalSize(), TSize(80, 40));
    }
    {
        TvdxPictureCache cache;
        cache.PictureCacheOptions()->SetCachedImagesBuildType(tbtAtSave);
        cache.PictureCacheOptions()->ThumbnailQualityReducer()->SetReducePercent(50);
        auto a = bitmap(80, 40, clYellow);
        auto b = bitmap(60, 60, clBlue);
        cache.AddPicture(a.get());
        cache.AddPicture(b.get());
        EXPECT_EQ(cache.Thumbnails().Count(), 0);
        TvdXMLItem root;
        root.SetName(QStringLiteral("preparedreport"));
        cache.SaveToXML(&root);
        const int t = root.Find(QStringLiteral("thumbnailcache"));
        ASSERT_GE(t, 0);
        ASSERT_EQ(root.Items(t)->Count(), 2);
        EXPECT_EQ(cache.Thumbnails().GetPicture(2)->Width(), 30);
        EXPECT_EQ(root.Items(t)->Items(1)->Items(0)->GetProp(QStringLiteral("w")), QStringLiteral("60"));
    }
    {
        TvdxPictureCache cache;
        cache.PictureCacheOptions()->SetCachedImagesBuildType(tbtOriginal);
        auto a = bitmap(10, 10, clYellow);
        cache.AddPicture(a.get());
        TvdXMLItem root;
        cache.SaveToXML(&root);
        EXPECT_GE(root.Find(QStringLiteral("picturecache")), 0);
        EXPECT_LT(root.Find(QStringLiteral("thumbnailcache")), 0);
    }
}

TEST(PictureCache, XmlRoundTripKeepsBytesAndSizes)
{
    TvdxPictureCache cache;
    cache.PictureCacheOptions()->SetCachedImagesBuildType(tbtAtPrepare);
    auto a = bitmap(12, 7, clRed);
    TvdxGIFGraphic gif;
    {
        QByteArray bytes = vdtest::readFile(vdtest::dataPath(QStringLiteral("gif/animated.gif")));
        QBuffer in(&bytes);
        in.open(QIODevice::ReadOnly);
        gif.LoadFromStream(in);
    }
    ASSERT_EQ(cache.AddPicture(a.get()), 1);
    ASSERT_EQ(cache.AddPicture(&gif), 2);
    TvdXMLItem root;
    root.SetName(QStringLiteral("preparedreport"));
    cache.SaveToXML(&root);
    const QString text = xmlText(&root);
    EXPECT_TRUE(text.contains(QStringLiteral("<picturecache><item stream=\"424D"))) << text.left(200).toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("<size w=\"12\" h=\"7\"/>")));
    EXPECT_TRUE(text.contains(QStringLiteral("<thumbnailcache>")));

    TvdxPictureCache loaded;
    loaded.LoadFromXML(&root);
    ASSERT_EQ(loaded.Count(), 2);
    EXPECT_EQ(loaded.Originals().GetBytes(1), cache.Originals().GetBytes(1));
    EXPECT_EQ(loaded.Originals().GetBytes(2), gif.SaveToBytes());
    EXPECT_EQ(loaded.GetOriginalSize(cgOriginal, 1), TSize(12, 7));
    EXPECT_EQ(loaded.PictureCacheOptions()->CachedImagesBuildType(), tbtOriginal);
    auto g = loaded.GetGraphic(2);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->ClassName(), QStringLiteral("TvdxGIFGraphic"));
    EXPECT_EQ(static_cast<TvdxGIFGraphic *>(g.get())->GIFImage().NumFrames(), 3);
    TPicture picture;
    loaded.GetPicture(picture, 1);
    ASSERT_NE(picture.Graphic(), nullptr);
    EXPECT_EQ(picture.Width(), 12);
}

TEST(PictureCache, LoadRebuildsTheDeduplicationMap)
{
    auto red = bitmap(6, 6, clRed);
    auto blue = bitmap(6, 6, clBlue);
    TvdxPictureCache source;
    source.AddPicture(red.get());
    source.AddPicture(blue.get());
    TvdXMLItem root;
    source.SaveToXML(&root);

    TvdxPictureCache cache;
    cache.PictureCacheOptions()->SetCalculateHash(true);
    cache.LoadFromXML(&root);
    EXPECT_EQ(cache.AddPicture(blue.get()), 2);
    EXPECT_EQ(cache.AddPicture(red.get()), 1);
    EXPECT_EQ(cache.Count(), 2);
    auto green = bitmap(6, 6, clGreen);
    EXPECT_EQ(cache.AddPicture(green.get()), 3);
}

TEST(PictureCache, HexAndSizeAttributes)
{
    struct Case { QString stream; QString w; bool ok; int bytes; };
    const Case cases[] = {
        {QStringLiteral("424d0A"), QStringLiteral("5"), true, 3},
        {QStringLiteral("424D0"), QStringLiteral("5"), true, 2}, // odd digit count: half, rounded down
        {QStringLiteral("42ZZ"), QStringLiteral("5"), false, 0},
        {QStringLiteral("42 4D"), QStringLiteral("5"), false, 0},
        {QStringLiteral("424D"), QStringLiteral("x5"), false, 2},
        {QString(), QString(), true, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.stream.toStdString());
        TvdXMLItem root;
        TvdXMLItem *pc = root.Add(QStringLiteral("picturecache"));
        TvdXMLItem *item = pc->Add(QStringLiteral("item"));
        item->SetProp(QStringLiteral("stream"), c.stream);
        TvdXMLItem *size = item->Add(QStringLiteral("size"));
        size->SetProp(QStringLiteral("w"), c.w);
        size->SetProp(QStringLiteral("h"), QStringLiteral("4"));
        TvdxPictureCache cache;
        if (c.ok) {
            cache.LoadFromXML(&root);
        } else {
            EXPECT_THROW(cache.LoadFromXML(&root), EConvertError);
        }
        EXPECT_EQ(cache.Originals().GetBytes(1).size(), c.bytes);
        if (c.ok && !c.w.isEmpty()) {
            EXPECT_EQ(cache.GetOriginalSize(cgOriginal, 1), TSize(5, 4));
        }
    }
}

TEST(PictureCache, TemporaryFileSegments)
{
    vdtest::TempDir dir;
    QStringList files;
    {
        TvdxPictureCache cache;
        cache.SetTempDir(dir.path());
        cache.SetUseFileCache(true);
        auto red = bitmap(30, 20, clRed);
        auto blue = bitmap(20, 30, clBlue);
        EXPECT_EQ(cache.AddPicture(red.get()), 1);
        cache.SetUseFileCache(false); // too late: ignored
        cache.SetTempDir(QStringLiteral("/nonexistent"));
        EXPECT_TRUE(cache.UseFileCache());
        EXPECT_EQ(cache.AddPicture(blue.get()), 2);
        files = cache.Originals().TempFiles();
        ASSERT_EQ(files.size(), 1);
        EXPECT_TRUE(QFileInfo(files[0]).fileName().startsWith(QStringLiteral("vdPic")));
        EXPECT_EQ(QFileInfo(files[0]).absolutePath(), QDir(dir.path()).absolutePath());
        EXPECT_EQ(QFileInfo(files[0]).size(), red->SaveToBytes().size() + blue->SaveToBytes().size());
        EXPECT_EQ(colorOf(*cache.GetGraphic(2)), clBlue);
        EXPECT_EQ(colorOf(*cache.GetGraphic(1)), clRed);
        EXPECT_EQ(cache.Thumbnails().TempFiles().size(), 0);
        cache.Clear();
        EXPECT_FALSE(QFile::exists(files[0]));
        cache.AddPicture(red.get());
        files = cache.Originals().TempFiles();
        ASSERT_EQ(files.size(), 1);
    }
    EXPECT_FALSE(QFile::exists(files[0]));

    TvdxPictureCache broken;
    broken.SetTempDir(dir.file(QStringLiteral("missing/folder")));
    broken.SetUseFileCache(true);
    auto red = bitmap(3, 3, clRed);
    EXPECT_THROW(broken.AddPicture(red.get()), EFCreateError);
    EXPECT_EQ(broken.Count(), 0);
}

TEST(PictureCache, ReaderThreadBesideWriter)
{
    for (bool fileMode : {false, true}) {
        SCOPED_TRACE(fileMode);
        vdtest::TempDir dir;
        TvdxPictureCache cache;
        cache.SetTempDir(dir.path());
        cache.SetUseFileCache(fileMode);
        GetGraphicFormats();
        constexpr int total = 300;
        std::atomic<bool> done{false};
        std::atomic<int> checked{0};
        std::atomic<int> wrong{0};
        std::thread reader([&] {
            unsigned seed = 1;
            while (!done.load() || checked.load() < 50) {
                const int count = cache.Count();
                if (count == 0)
                    continue;
                seed = seed * 1103515245u + 12345u;
                const int index = int(seed % unsigned(count)) + 1;
                std::unique_ptr<TGraphic> g = cache.GetGraphic(index);
                if (!g || colorOf(*g) != colorFor(index) || g->Width() != 5 + index % 7)
                    ++wrong;
                ++checked;
            }
        });
        for (int i = 1; i <= total; ++i) {
            auto b = bitmap(5 + i % 7, 4, colorFor(i));
            ASSERT_EQ(cache.AddPicture(b.get()), i);
        }
        done = true;
        reader.join();
        EXPECT_EQ(wrong.load(), 0);
        EXPECT_GE(checked.load(), 50);
        EXPECT_EQ(cache.Count(), total);
    }
}

TEST(PictureCache, OptionsArePublishedInOrder)
{
    QStringList names;
    for (const TvdPropInfo &p : vdPublishedProperties(&TvdxPictureCacheOptions::staticMetaObject))
        names << QString::fromLatin1(p.name());
    EXPECT_EQ(names, QStringList({QStringLiteral("CalculateHash"), QStringLiteral("OriginalQualityReducer"),
                                  QStringLiteral("CachedImagesBuildType"), QStringLiteral("ThumbnailQualityReducer")}));
    const TvdPropInfo *build = vdFindProperty(&TvdxPictureCacheOptions::staticMetaObject, QStringLiteral("CachedImagesBuildType"));
    ASSERT_NE(build, nullptr);
    EXPECT_EQ(QString::fromLatin1(vdPropEnum(*build).valueToKey(tbtAtSave)), QStringLiteral("tbtAtSave"));
    EXPECT_EQ(vdPropertyDefault(&TvdxPictureCacheOptions::staticMetaObject, *build), std::optional<qint64>(0));

    names.clear();
    for (const TvdPropInfo &p : vdPublishedProperties(&TvdxPictureConverterOptions::staticMetaObject))
        names << QString::fromLatin1(p.name());
    EXPECT_EQ(names, QStringList({QStringLiteral("MinWidth"), QStringLiteral("MaxWidth"), QStringLiteral("MinHeight"),
                                  QStringLiteral("MaxHeight"), QStringLiteral("ReducePercent")}));
    const TvdPropInfo *minWidth = vdFindProperty(&TvdxPictureConverterOptions::staticMetaObject, QStringLiteral("MinWidth"));
    ASSERT_NE(minWidth, nullptr);
    EXPECT_EQ(vdPropertyDefault(&TvdxPictureConverterOptions::staticMetaObject, *minWidth), std::optional<qint64>(32));

    // Setting the cache's options copies them and switches hashing on at once.
    TvdxPictureCache cache;
    auto red = bitmap(5, 5, clRed);
    cache.AddPicture(red.get());
    TvdxPictureCacheOptions options;
    options.SetCalculateHash(true);
    cache.SetPictureCacheOptions(&options);
    EXPECT_TRUE(cache.PictureCacheOptions()->CalculateHash());
    EXPECT_EQ(cache.AddPicture(red.get()), 1);
}
