#include "core/vdPictureCache.h"
#include "core/vdPictureGraphics.h"
#include "core/vdXML.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QRecursiveMutex>
#include <QTemporaryFile>
#include <optional>

// ---------------------------------------------------------------------------------------
// TvdxPictureHashMap

TvdxPictureHashMap::TvdxPictureHashMap(bool realHash)
{
    SetRealHash(realHash);
}

void TvdxPictureHashMap::SetRealHash(bool value)
{
    if (value) {
        if (!FMap)
            FMap = std::make_unique<TvdDataHashMap>();
    } else {
        FMap.reset();
    }
    FRealHash = value;
}

QString TvdxPictureHashMap::DigestOf(const QByteArray &savedBytes)
{
    return MD5HexOfString(savedBytes);
}

int TvdxPictureHashMap::FindOrAddGraphic(const TGraphic *g, TvdPictureHashMapResultType resultType, int intData)
{
    if (!FMap)
        return FCount++;
    const QString digest = DigestOf(g ? g->SaveToBytes() : QByteArray());
    const int found = FMap->FindPicture(digest);
    if (found < 0) {
        FIsLastNew = true;
        const int position = FMap->Count();
        FMap->AddPicture(digest, intData);
        return resultType == phmIndex ? position : intData;
    }
    FIsLastNew = false;
    return resultType == phmIndex ? found : FMap->GetData(found);
}

bool TvdxPictureHashMap::GetIsLastNew() const
{
    return FMap ? FIsLastNew : true;
}

void TvdxPictureHashMap::AddDigest(const QByteArray &savedBytes, int intData)
{
    if (FMap)
        FMap->AddPicture(DigestOf(savedBytes), intData);
}

void TvdxPictureHashMap::Clear()
{
    if (FMap)
        FMap->Clear();
    FCount = 0;
    FIsLastNew = false;
}

// ---------------------------------------------------------------------------------------
// TvdxInternalPictureCache

namespace {

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    return -1;
}

// Two digits per byte, either case; an odd last digit is ignored.
QByteArray decodeHexStream(const QString &text)
{
    QByteArray bytes(text.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const int hi = hexValue(text.at(2 * i));
        const int lo = hexValue(text.at(2 * i + 1));
        if (hi < 0 || lo < 0)
            throw EConvertError(QStringLiteral("Invalid picture data in the picture cache at character %1")
                                    .arg(hi < 0 ? 2 * i + 1 : 2 * i + 2));
        bytes[i] = char(hi << 4 | lo);
    }
    if (text.size() % 2 && hexValue(text.back()) < 0)
        throw EConvertError(QStringLiteral("Invalid picture data in the picture cache at character %1").arg(text.size()));
    return bytes;
}

int sizeAttr(const TvdXMLItem *item, const char *name, int current)
{
    const QString text = item->GetProp(QLatin1String(name));
    if (text.isEmpty())
        return current;
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok)
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return value;
}

} // namespace

TvdxInternalPictureCache::TvdxInternalPictureCache() = default;

TvdxInternalPictureCache::~TvdxInternalPictureCache()
{
    Clear();
}

void TvdxInternalPictureCache::SetTempDir(const QString &value)
{
    QMutexLocker lock(&FCrit);
    if (FCacheStreamList.empty())
        FTempDir = value;
}

void TvdxInternalPictureCache::SetUseFileCache(bool value)
{
    QMutexLocker lock(&FCrit);
    if (FCacheStreamList.empty())
        FUseFileCache = value;
}

QStringList TvdxInternalPictureCache::TempFiles() const
{
    QMutexLocker lock(&FCrit);
    return FTempFile;
}

int TvdxInternalPictureCache::SegmentCount() const
{
    QMutexLocker lock(&FCrit);
    return int(FCacheStreamList.size());
}

int TvdxInternalPictureCache::Count() const
{
    QMutexLocker lock(&FCrit);
    return int(FItems.size());
}

bool TvdxInternalPictureCache::IsExist(int imageIndex) const
{
    QMutexLocker lock(&FCrit);
    return imageIndex >= 1 && imageIndex <= int(FItems.size()) && !FCacheStreamList.empty();
}

TSize TvdxInternalPictureCache::GetSize(int imageIndex) const
{
    QMutexLocker lock(&FCrit);
    if (imageIndex < 1 || imageIndex > int(FItems.size()))
        return TSize();
    const TvdxCacheItem &item = FItems[size_t(imageIndex - 1)];
    return TSize(item.Width, item.Height);
}

void TvdxInternalPictureCache::SetSize(int imageIndex, int width, int height)
{
    QMutexLocker lock(&FCrit);
    if (imageIndex < 1 || imageIndex > int(FItems.size()))
        return;
    FItems[size_t(imageIndex - 1)].Width = width;
    FItems[size_t(imageIndex - 1)].Height = height;
}

void TvdxInternalPictureCache::addSegment()
{
    if (FUseFileCache) {
        QString dir = FTempDir.isEmpty() ? QDir::tempPath() : FTempDir;
        dir.replace(QLatin1Char('\\'), QLatin1Char('/'));
        if (!dir.endsWith(QLatin1Char('/')))
            dir += QLatin1Char('/');
        auto file = std::make_unique<QTemporaryFile>(dir + QStringLiteral("vdPicXXXXXX.tmp"));
        if (!file->open())
            throw EFCreateError(QStringLiteral("Cannot create file \"%1\". %2")
                                    .arg(QDir::toNativeSeparators(dir + QStringLiteral("vdPic.tmp")), file->errorString()));
        FTempFile.append(file->fileName());
        FCacheStreamList.push_back(std::move(file));
    } else {
        auto buffer = std::make_unique<QBuffer>();
        buffer->open(QIODevice::ReadWrite);
        FCacheStreamList.push_back(std::move(buffer));
    }
}

int TvdxInternalPictureCache::newItem()
{
    if (FCacheStreamList.empty() || FCacheStreamList.back()->size() > SegmentLimit)
        addSegment();
    TvdxCacheItem item;
    item.Segment = int(FCacheStreamList.size()) - 1;
    QIODevice &segment = *FCacheStreamList.back();
    item.Offset = segment.size();
    item.Loading = 1;
    segment.seek(item.Offset);
    FItems.push_back(item);
    return int(FItems.size()) - 1;
}

int TvdxInternalPictureCache::AddPicture(const TGraphic *aGraphic)
{
    if (!aGraphic || (aGraphic->Width() == 0 && aGraphic->Height() == 0))
        return 0;
    // Adding moves the last segment's position, which reads use too.
    QMutexLocker lock(&FCrit);
    const int i = newItem();
    QIODevice &segment = *FCacheStreamList[size_t(FItems[size_t(i)].Segment)];
    try {
        aGraphic->SaveToStream(segment);
    } catch (...) {
        // Nothing half-written stays behind.
        const qint64 offset = FItems[size_t(i)].Offset;
        FItems.pop_back();
        if (auto *buffer = qobject_cast<QBuffer *>(&segment))
            buffer->buffer().truncate(offset);
        else if (auto *file = qobject_cast<QFile *>(&segment))
            file->resize(offset);
        throw;
    }
    // File segments keep the bytes on disk, not in the device's buffer.
    if (auto *file = qobject_cast<QFileDevice *>(&segment))
        file->flush();
    TvdxCacheItem &item = FItems[size_t(i)];
    item.Width = aGraphic->Width();
    item.Height = aGraphic->Height();
    item.Loading = 0;
    return i + 1;
}

static std::optional<QByteArray> TvdxInternalPictureCacheRead(std::vector<TvdxCacheItem> &items,
                                                        std::vector<std::unique_ptr<QIODevice>> &segments, int imageIndex)
{
    if (imageIndex < 1 || imageIndex > int(items.size()) || segments.empty())
        return std::nullopt;
    const TvdxCacheItem &item = items[size_t(imageIndex - 1)];
    if (item.Loading == 1)
        return std::nullopt;
    QIODevice &segment = *segments[size_t(item.Segment)];
    qint64 end = segment.size();
    if (size_t(imageIndex) < items.size() && items[size_t(imageIndex)].Segment == item.Segment)
        end = items[size_t(imageIndex)].Offset;
    if (!segment.seek(item.Offset))
        return std::nullopt;
    return segment.read(std::max<qint64>(0, end - item.Offset));
}

QByteArray TvdxInternalPictureCache::readLocked(int imageIndex)
{
    return TvdxInternalPictureCacheRead(FItems, FCacheStreamList, imageIndex).value_or(QByteArray());
}

QByteArray TvdxInternalPictureCache::GetBytes(int imageIndex)
{
    QMutexLocker lock(&FCrit);
    return readLocked(imageIndex);
}

TGraphic *TvdxInternalPictureCache::GetPicture(TPicture &picture, int imageIndex)
{
    std::optional<QByteArray> bytes;
    {
        QMutexLocker lock(&FCrit);
        bytes = TvdxInternalPictureCacheRead(FItems, FCacheStreamList, imageIndex);
    }
    if (!bytes)
        return nullptr;
    QBuffer buffer(&*bytes);
    buffer.open(QIODevice::ReadOnly);
    GetGraphicFormats()->LoadFromStream(picture, buffer);
    return picture.Graphic();
}

void TvdxInternalPictureCache::GetPicture(TGraphic *aGraphic, int imageIndex)
{
    if (!aGraphic)
        return;
    std::optional<QByteArray> bytes;
    {
        QMutexLocker lock(&FCrit);
        bytes = TvdxInternalPictureCacheRead(FItems, FCacheStreamList, imageIndex);
    }
    if (!bytes)
        return;
    QBuffer buffer(&*bytes);
    buffer.open(QIODevice::ReadOnly);
    aGraphic->LoadFromStream(buffer);
}

std::unique_ptr<TGraphic> TvdxInternalPictureCache::GetPicture(int imageIndex)
{
    std::optional<QByteArray> bytes;
    {
        QMutexLocker lock(&FCrit);
        bytes = TvdxInternalPictureCacheRead(FItems, FCacheStreamList, imageIndex);
    }
    if (!bytes)
        return nullptr;
    QBuffer buffer(&*bytes);
    buffer.open(QIODevice::ReadOnly);
    try {
        return GetGraphicFormats()->LoadFromStream(buffer);
    } catch (...) {
        return nullptr;
    }
}

void TvdxInternalPictureCache::Clear()
{
    QMutexLocker lock(&FCrit);
    while (!FCacheStreamList.empty()) {
        FCacheStreamList.front()->close();
        FCacheStreamList.erase(FCacheStreamList.begin());
        if (!FTempFile.isEmpty())
            QFile::remove(FTempFile.takeFirst());
    }
    FTempFile.clear();
    FItems.clear();
}

void TvdxInternalPictureCache::SaveToXML(TvdXMLItem *item)
{
    item->Clear();
    QMutexLocker lock(&FCrit);
    for (int i = 1; i <= int(FItems.size()); ++i) {
        const QByteArray bytes = readLocked(i);
        TvdXMLItem *child = item->Add(QStringLiteral("item"));
        child->SetProp(QStringLiteral("stream"), QString::fromLatin1(bytes.toHex().toUpper()));
        TvdXMLItem *size = child->Add(QStringLiteral("size"));
        const TvdxCacheItem &ci = FItems[size_t(i - 1)];
        size->SetProp(QStringLiteral("w"), QString::number(ci.Width));
        size->SetProp(QStringLiteral("h"), QString::number(ci.Height));
    }
}

void TvdxInternalPictureCache::LoadFromXML(TvdXMLItem *item)
{
    Clear();
    for (int c = 0; c < item->Count(); ++c) {
        const TvdXMLItem *child = item->Items(c);
        // Decoded before anything is stored: bad data leaves no half-written picture.
        const QByteArray bytes = decodeHexStream(child->GetProp(QStringLiteral("stream")));
        QMutexLocker lock(&FCrit);
        const int i = newItem();
        QIODevice &segment = *FCacheStreamList[size_t(FItems[size_t(i)].Segment)];
        segment.write(bytes);
        TvdxCacheItem &ci = FItems[size_t(i)];
        try {
            if (child->Count() > 0) {
                const TvdXMLItem *size = child->Items(0);
                ci.Width = sizeAttr(size, "w", ci.Width);
                ci.Height = sizeAttr(size, "h", ci.Height);
            }
        } catch (...) {
            ci.Loading = 0;
            throw;
        }
        ci.Loading = 0;
    }
}

// ---------------------------------------------------------------------------------------
// Shared cached graphics

struct TvdxAutoRefGraphic::SharedList {
    struct Entry {
        TvdxAutoRefGraphic *raw = nullptr;
        std::weak_ptr<TvdxAutoRefGraphic> weak;
    };
    QRecursiveMutex lock;
    QMap<int, Entry> entries;
};

TvdxAutoRefGraphic::TvdxAutoRefGraphic(std::shared_ptr<SharedList> parentList, std::unique_ptr<TGraphic> graphic,
                                       int index, TvdxCachedGraphicType cacheType, TSize originalSize)
    : FParentList(std::move(parentList)), FGraphic(std::move(graphic)), FOriginalWidth(originalSize.cx),
      FOriginalHeight(originalSize.cy), FIndex(index), FCacheType(cacheType)
{
}

TvdxAutoRefGraphic::~TvdxAutoRefGraphic()
{
    if (FParentList) {
        QMutexLocker lock(&FParentList->lock);
        // Only our own entry: after a Clear the index may belong to a newer graphic.
        auto it = FParentList->entries.find(FIndex);
        if (it != FParentList->entries.end() && it->raw == this)
            FParentList->entries.erase(it);
    }
    FIndex = -1;
}

// ---------------------------------------------------------------------------------------
// TvdxPictureCache

TvdxPictureCache::TvdxPictureCache()
    : FCahcedBitmap(std::make_shared<TvdxAutoRefGraphic::SharedList>()),
      FPictureCacheOptions(std::make_unique<TvdxPictureCacheOptions>()), FHashMap(false)
{
}

TvdxPictureCache::~TvdxPictureCache()
{
    QMutexLocker lock(&FCahcedBitmap->lock);
    FCahcedBitmap->entries.clear();
}

void TvdxPictureCache::SetPictureCacheOptions(const TvdxPictureCacheOptions *value)
{
    if (value && value != FPictureCacheOptions.get())
        FPictureCacheOptions->Assign(value);
    syncHashMode();
}

void TvdxPictureCache::syncHashMode()
{
    const bool wanted = FPictureCacheOptions->CalculateHash();
    if (wanted == FHashMap.RealHash())
        return;
    FHashMap.SetRealHash(wanted);
    // Pictures stored before hashing started are known from their bytes.
    if (wanted)
        for (int i = 1; i <= FPictureCache.Count(); ++i)
            FHashMap.AddDigest(FPictureCache.GetBytes(i), i);
}

int TvdxPictureCache::addScaledPicture(const TGraphic *graphic, TvdxInternalPictureCache &store,
                                       TvdxCachedGraphicType type)
{
    const int width = graphic->Width();
    const int height = graphic->Height();
    const int p = FPictureCacheOptions->GetPercentFor(type, width, height);
    int w = int(qint64(width) * (100 - p) / 100);
    int h = int(qint64(height) * (100 - p) / 100);
    if (w == 0)
        w = width;
    if (h == 0)
        h = height;
    std::unique_ptr<TGraphic> scaled;
    if ((w != width || h != height) && FPictureCacheOptions->CachedImagesBuildType() != tbtNone)
        scaled = GetGraphicFormats()->ScaleGraphicToNew(graphic, w, h);
    const int index = store.AddPicture(scaled ? scaled.get() : graphic);
    if (scaled && index > 0)
        store.SetSize(index, width, height);
    return index;
}

int TvdxPictureCache::AddPicture(const TGraphic *aGraphic)
{
    syncHashMode();
    if (!aGraphic || aGraphic->Empty())
        return 0;
    // The digest map keeps the index each picture was stored under.
    const int next = FPictureCache.Count() + 1;
    const int known = FHashMap.FindOrAddGraphic(aGraphic, phmData, next);
    if (!FHashMap.GetIsLastNew())
        return known;
    const int b = addScaledPicture(aGraphic, FPictureCache, cgOriginal);
    if (FPictureCacheOptions->CachedImagesBuildType() == tbtAtPrepare)
        return addScaledPicture(aGraphic, FThumbnailCache, cgThumbnail);
    return b;
}

std::unique_ptr<TGraphic> TvdxPictureCache::GetPictureTo(TPicture *aPicture, TGraphic *aGraphic, int imageIndex)
{
    if (aPicture) {
        FPictureCache.GetPicture(*aPicture, imageIndex);
        return nullptr;
    }
    if (aGraphic) {
        FPictureCache.GetPicture(aGraphic, imageIndex);
        return nullptr;
    }
    return FPictureCache.GetPicture(imageIndex);
}

void TvdxPictureCache::GetGraphic(TGraphic *aGraphic, int imageIndex)
{
    GetPictureTo(nullptr, aGraphic, imageIndex);
}

std::unique_ptr<TGraphic> TvdxPictureCache::GetGraphic(int imageIndex)
{
    return GetPictureTo(nullptr, nullptr, imageIndex);
}

void TvdxPictureCache::GetPicture(TPicture &aPicture, int imageIndex)
{
    GetPictureTo(&aPicture, nullptr, imageIndex);
}

bool TvdxPictureCache::ThumbnailsEnabled() const
{
    return FPictureCacheOptions->CachedImagesBuildType() != tbtNone;
}

TSize TvdxPictureCache::GetOriginalSize(TvdxCachedGraphicType, int imageIndex) const
{
    return FPictureCache.GetSize(imageIndex);
}

std::unique_ptr<TGraphic> TvdxPictureCache::getGraphicOfType(TvdxCachedGraphicType type, int imageIndex)
{
    if (type == cgThumbnail)
        return FIsUpdating ? nullptr : FThumbnailCache.GetPicture(imageIndex);
    return FPictureCache.GetPicture(imageIndex);
}

IvdxCachedGraphicRef TvdxPictureCache::GetCachedBitmap(TvdxCachedGraphicType cacheType, int imageIndex)
{
    if (imageIndex <= 0)
        return nullptr;
    QMutexLocker lock(&FCahcedBitmap->lock);
    std::shared_ptr<TvdxAutoRefGraphic> existing;
    auto it = FCahcedBitmap->entries.find(imageIndex);
    if (it != FCahcedBitmap->entries.end())
        existing = it->weak.lock();
    if (!existing) {
        if (std::unique_ptr<TGraphic> g = getGraphicOfType(cacheType, imageIndex)) {
            auto shared = std::make_shared<TvdxAutoRefGraphic>(FCahcedBitmap, std::move(g), imageIndex, cacheType,
                                                               FPictureCache.GetSize(imageIndex));
            FCahcedBitmap->entries.insert(imageIndex, {shared.get(), shared});
            return shared;
        }
        if (cacheType != cgOriginal) {
            IvdxCachedGraphicRef original = GetCachedBitmap(cgOriginal, imageIndex);
            if (original)
                original->SetCacheType(cacheType);
            return original;
        }
        return nullptr;
    }
    if (existing->GetCacheType() != cacheType) {
        if (std::unique_ptr<TGraphic> g = getGraphicOfType(cacheType, imageIndex)) {
            existing->ReplaceGraphic(std::move(g));
            existing->SetCacheType(cacheType);
        }
    }
    return existing;
}

void TvdxPictureCache::thumbnailsUpdated(TvdxThumbnailsUpdateState state)
{
    if (state == tusClear)
        FIsUpdating = false;
    if (OnThumbnailUpdated)
        OnThumbnailUpdated(this, state);
}

void TvdxPictureCache::BuildFinished()
{
    // The preview-time build itself has nothing to do: thumbnails are then served from the originals.
    if (FPictureCacheOptions->CachedImagesBuildType() == tbtAtPreview)
        FIsUpdating = true;
}

void TvdxPictureCache::buildThumbnails()
{
    FIsUpdating = true;
    try {
        for (int i = 1; i <= FPictureCache.Count(); ++i) {
            if (FThumbnailCache.IsExist(i))
                continue;
            std::unique_ptr<TGraphic> g = FPictureCache.GetPicture(i);
            if (!g)
                break;
            addScaledPicture(g.get(), FThumbnailCache, cgThumbnail);
        }
    } catch (...) {
        FIsUpdating = false;
        throw;
    }
    FIsUpdating = false;
}

void TvdxPictureCache::Clear()
{
    {
        QMutexLocker lock(&FCahcedBitmap->lock);
        FCahcedBitmap->entries.clear();
    }
    FPictureCache.Clear();
    FThumbnailCache.Clear();
    thumbnailsUpdated(tusClear);
    // Indices start again at 1, so no digest may point at a picture that is gone.
    FHashMap.Clear();
    syncHashMode();
}

void TvdxPictureCache::SaveToXML(TvdXMLItem *item)
{
    FPictureCache.SaveToXML(item->FindItem(QStringLiteral("picturecache")));
    const TvdxThumbnailBuildType buildType = FPictureCacheOptions->CachedImagesBuildType();
    if (buildType == tbtAtPrepare || buildType == tbtAtSave) {
        if (buildType == tbtAtSave)
            buildThumbnails();
        FThumbnailCache.SaveToXML(item->FindItem(QStringLiteral("thumbnailcache")));
    }
}

void TvdxPictureCache::LoadFromXML(TvdXMLItem *item)
{
    syncHashMode();
    const int pictures = item->Find(QStringLiteral("picturecache"));
    if (pictures >= 0) {
        {
            QMutexLocker lock(&FCahcedBitmap->lock);
            FCahcedBitmap->entries.clear();
        }
        FPictureCache.LoadFromXML(item->Items(pictures));
        // The loaded pictures are known to the de-duplication map under their indices.
        FHashMap.Clear();
        for (int i = 1; FHashMap.RealHash() && i <= FPictureCache.Count(); ++i)
            FHashMap.AddDigest(FPictureCache.GetBytes(i), i);
    }
    const int thumbnails = item->Find(QStringLiteral("thumbnailcache"));
    if (thumbnails >= 0) {
        FThumbnailCache.LoadFromXML(item->Items(thumbnails));
        if (FPictureCacheOptions->CachedImagesBuildType() == tbtNone)
            FPictureCacheOptions->SetCachedImagesBuildType(tbtOriginal);
    }
}
