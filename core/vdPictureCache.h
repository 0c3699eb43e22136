// The prepared report's picture store: pictures kept once as their saved bytes in
// memory or temporary-file segments, addressed by a 1-based index, with an optional
// store of reduced thumbnails and shared decoded graphics for the views.
#pragma once
#include "core/vdBaseGraphicsTypes.h"
#include "core/vdHashUtils.h"

#include <QIODevice>
#include <QMap>
#include <QMutex>
#include <QStringList>
#include <memory>
#include <vector>

class TvdXMLItem;

// Recognises pictures seen before, by the MD5 of their saved bytes (hashing mode),
// or numbers every picture as new (numbering mode).
class TvdxPictureHashMap {
public:
    explicit TvdxPictureHashMap(bool realHash);
    void SetRealHash(bool value);
    bool RealHash() const { return FRealHash; }
    int FindOrAddGraphic(const TGraphic *g, TvdPictureHashMapResultType resultType, int intData);
    bool GetIsLastNew() const;
    // Hashing mode only: enters bytes already stored under a number of the caller's choosing.
    void AddDigest(const QByteArray &savedBytes, int intData);
    void Clear();
    static QString DigestOf(const QByteArray &savedBytes);

private:
    std::unique_ptr<TvdDataHashMap> FMap;
    bool FIsLastNew = false;
    int FCount = 0;
    bool FRealHash = false;
};

struct TvdxCacheItem {
    int Segment = 0;
    qint64 Offset = 0;
    int Loading = 1;
    int Width = 0;
    int Height = 0;
};

// One store: its pictures one after another in segment streams.
class TvdxInternalPictureCache {
public:
    // A segment takes pictures until it is larger than this.
    static constexpr qint64 SegmentLimit = 1789569705;

    TvdxInternalPictureCache();
    ~TvdxInternalPictureCache();
    TvdxInternalPictureCache(const TvdxInternalPictureCache &) = delete;
    TvdxInternalPictureCache &operator=(const TvdxInternalPictureCache &) = delete;

    int AddPicture(const TGraphic *aGraphic);
    // Loads into the picture through the registry; errors pass.
    TGraphic *GetPicture(TPicture &picture, int imageIndex);
    // Loads into the graphic; errors pass.
    void GetPicture(TGraphic *aGraphic, int imageIndex);
    // A new graphic detected from the bytes; nullptr when unavailable or undecodable.
    std::unique_ptr<TGraphic> GetPicture(int imageIndex);
    // The stored bytes of a picture (empty when unavailable).
    QByteArray GetBytes(int imageIndex);
    TSize GetSize(int imageIndex) const;
    void SetSize(int imageIndex, int width, int height);
    bool IsExist(int imageIndex) const;
    int Count() const;
    void Clear();
    void SaveToXML(TvdXMLItem *item);
    void LoadFromXML(TvdXMLItem *item);

    QString TempDir() const { return FTempDir; }
    void SetTempDir(const QString &value);
    bool UseFileCache() const { return FUseFileCache; }
    void SetUseFileCache(bool value);
    // Names of the temporary files of the segments (file mode).
    QStringList TempFiles() const;
    int SegmentCount() const;

private:
    // Both called with FCrit held.
    int newItem();
    void addSegment();
    QByteArray readLocked(int imageIndex);

    std::vector<TvdxCacheItem> FItems;
    std::vector<std::unique_ptr<QIODevice>> FCacheStreamList;
    QStringList FTempFile;
    QString FTempDir;
    bool FUseFileCache = false;
    mutable QMutex FCrit;
};

class TvdxPictureCache;

// A decoded picture shared while some view holds it.
class TvdxAutoRefGraphic : public IvdxCachedGraphic {
public:
    struct SharedList;
    TvdxAutoRefGraphic(std::shared_ptr<SharedList> parentList, std::unique_ptr<TGraphic> graphic, int index,
                       TvdxCachedGraphicType cacheType, TSize originalSize);
    ~TvdxAutoRefGraphic() override;

    void Draw(Canvas &, int, int, int, int) override {}
    TGraphic *GetGraphic(TvdxCachedGraphicType) override { return FGraphic.get(); }
    TvdxCachedGraphicType GetCacheType() const override { return FCacheType; }
    void SetCacheType(TvdxCachedGraphicType cacheType) override { FCacheType = cacheType; }
    TSize GetOriginalSize() const override { return TSize(FOriginalWidth, FOriginalHeight); }
    int Index() const { return FIndex; }
    void ReplaceGraphic(std::unique_ptr<TGraphic> graphic) { FGraphic = std::move(graphic); }

private:
    std::shared_ptr<SharedList> FParentList;
    std::unique_ptr<TGraphic> FGraphic;
    int FOriginalWidth;
    int FOriginalHeight;
    int FIndex;
    TvdxCachedGraphicType FCacheType;
};

class TvdxPictureCache : public IvdxPictureCache {
public:
    using TvdxThumbnailsUpdate = std::function<void(TvdxPictureCache *sender, TvdxThumbnailsUpdateState state)>;

    TvdxPictureCache();
    ~TvdxPictureCache() override;
    TvdxPictureCache(const TvdxPictureCache &) = delete;
    TvdxPictureCache &operator=(const TvdxPictureCache &) = delete;

    int AddPicture(const TGraphic *aGraphic) override;
    void GetGraphic(TGraphic *aGraphic, int imageIndex) override;
    std::unique_ptr<TGraphic> GetGraphic(int imageIndex) override;
    void GetPicture(TPicture &aPicture, int imageIndex) override;
    IvdxCachedGraphicRef GetCachedBitmap(TvdxCachedGraphicType cacheType, int imageIndex) override;
    bool ThumbnailsEnabled() const override;
    TSize GetOriginalSize(TvdxCachedGraphicType cacheType, int imageIndex) const override;

    // General form: into the picture, else into the graphic, else a new graphic
    // (answered; the caller owns it and it is nullptr when undecodable).
    std::unique_ptr<TGraphic> GetPictureTo(TPicture *aPicture, TGraphic *aGraphic, int imageIndex);

    void BuildFinished();
    void Clear();
    void SaveToXML(TvdXMLItem *item);
    void LoadFromXML(TvdXMLItem *item);

    int Count() const { return FPictureCache.Count(); }
    QString TempDir() const { return FPictureCache.TempDir(); }
    void SetTempDir(const QString &value) { FPictureCache.SetTempDir(value); }
    bool UseFileCache() const { return FPictureCache.UseFileCache(); }
    void SetUseFileCache(bool value) { FPictureCache.SetUseFileCache(value); }

    TvdxPictureCacheOptions *PictureCacheOptions() const { return FPictureCacheOptions.get(); }
    void SetPictureCacheOptions(const TvdxPictureCacheOptions *value);
    TvdxThumbnailsUpdate OnThumbnailUpdated;

    TvdxInternalPictureCache &Originals() { return FPictureCache; }
    TvdxInternalPictureCache &Thumbnails() { return FThumbnailCache; }
    bool IsUpdating() const { return FIsUpdating; }

private:
    void syncHashMode();
    int addScaledPicture(const TGraphic *graphic, TvdxInternalPictureCache &store, TvdxCachedGraphicType type);
    std::unique_ptr<TGraphic> getGraphicOfType(TvdxCachedGraphicType type, int imageIndex);
    void buildThumbnails();
    void thumbnailsUpdated(TvdxThumbnailsUpdateState state);

    TvdxInternalPictureCache FPictureCache;
    TvdxInternalPictureCache FThumbnailCache;
    std::shared_ptr<TvdxAutoRefGraphic::SharedList> FCahcedBitmap;
    bool FIsUpdating = false;
    std::unique_ptr<TvdxPictureCacheOptions> FPictureCacheOptions;
    TvdxPictureHashMap FHashMap;
};
