// Options of the picture cache and the interfaces through which views reach it.
#pragma once
#include "core/vdGraphic.h"
#include "core/vdPersistent.h"
#include "platform/GraphicsTypes.h"

#include <algorithm>
#include <functional>
#include <memory>

class Canvas;

// Size bounds and reduction percent of one kind of stored picture.
class TvdxPictureConverterOptions : public TvdPersistent {
    Q_OBJECT
    Q_PROPERTY(int MinWidth READ MinWidth WRITE SetMinWidth)
    Q_PROPERTY(int MaxWidth READ MaxWidth WRITE SetMaxWidth)
    Q_PROPERTY(int MinHeight READ MinHeight WRITE SetMinHeight)
    Q_PROPERTY(int MaxHeight READ MaxHeight WRITE SetMaxHeight)
    Q_PROPERTY(int ReducePercent READ ReducePercent WRITE SetReducePercent)
    Q_CLASSINFO("default:MinWidth", "32")
    Q_CLASSINFO("default:MaxWidth", "2147483647")
    Q_CLASSINFO("default:MinHeight", "32")
    Q_CLASSINFO("default:MaxHeight", "2147483647")
public:
    static constexpr int MinimalSize = 32;

    TvdxPictureConverterOptions() = default;
    void Assign(const TvdPersistent *source) override;

    // A fresh object holds 0 for the minimums; every use treats that as 32.
    int MinWidth() const { return m_minWidth; }
    void SetMinWidth(int value) { m_minWidth = std::max(value, MinimalSize); }
    int MaxWidth() const { return m_maxWidth; }
    void SetMaxWidth(int value) { m_maxWidth = value; }
    int MinHeight() const { return m_minHeight; }
    void SetMinHeight(int value) { m_minHeight = std::max(value, MinimalSize); }
    int MaxHeight() const { return m_maxHeight; }
    void SetMaxHeight(int value) { m_maxHeight = value; }
    // 0..100
    int ReducePercent() const { return m_reducePercent; }
    void SetReducePercent(int value) { m_reducePercent = std::clamp(value, 0, 100); }

private:
    int m_minWidth = 0;
    int m_maxWidth = 2147483647;
    int m_minHeight = 0;
    int m_maxHeight = 2147483647;
    int m_reducePercent = 0;
};

enum TvdxCachedGraphicType { cgNone, cgOriginal, cgThumbnail };
enum TvdPictureHashMapResultType { phmIndex, phmData };
enum TvdxThumbnailsUpdateState { tusAdded, tusClear };

class TvdxPictureCacheOptions : public TvdPersistent {
    Q_OBJECT
public:
    enum TvdxThumbnailBuildType { tbtNone, tbtOriginal, tbtAtPrepare, tbtAtSave, tbtAtPreview };
    Q_ENUM(TvdxThumbnailBuildType)
private:
    Q_PROPERTY(bool CalculateHash READ CalculateHash WRITE SetCalculateHash)
    Q_PROPERTY(TvdxPictureConverterOptions *OriginalQualityReducer READ OriginalQualityReducer WRITE
                   SetOriginalQualityReducer)
    Q_PROPERTY(TvdxThumbnailBuildType CachedImagesBuildType READ CachedImagesBuildType WRITE SetCachedImagesBuildType)
    Q_PROPERTY(TvdxPictureConverterOptions *ThumbnailQualityReducer READ ThumbnailQualityReducer WRITE
                   SetThumbnailQualityReducer)
    Q_CLASSINFO("default:CalculateHash", "false")
    Q_CLASSINFO("default:CachedImagesBuildType", "tbtNone")
public:
    TvdxPictureCacheOptions();
    ~TvdxPictureCacheOptions() override;
    void Assign(const TvdPersistent *source) override;

    bool CalculateHash() const { return m_calculateHash; }
    void SetCalculateHash(bool value) { m_calculateHash = value; }
    TvdxPictureConverterOptions *OriginalQualityReducer() const { return m_original.get(); }
    // Copies the given options into the owned object.
    void SetOriginalQualityReducer(TvdxPictureConverterOptions *value);
    TvdxThumbnailBuildType CachedImagesBuildType() const { return m_buildType; }
    void SetCachedImagesBuildType(TvdxThumbnailBuildType value) { m_buildType = value; }
    TvdxPictureConverterOptions *ThumbnailQualityReducer() const { return m_thumbnail.get(); }
    void SetThumbnailQualityReducer(TvdxPictureConverterOptions *value);

    // Reduction percent for a picture of that size in the store of that type.
    int GetPercentFor(TvdxCachedGraphicType cacheType, int width, int height) const;

private:
    bool m_calculateHash = false;
    std::unique_ptr<TvdxPictureConverterOptions> m_original;
    TvdxThumbnailBuildType m_buildType = tbtNone;
    std::unique_ptr<TvdxPictureConverterOptions> m_thumbnail;
};

using TvdxThumbnailBuildType = TvdxPictureCacheOptions::TvdxThumbnailBuildType;
constexpr TvdxThumbnailBuildType tbtNone = TvdxPictureCacheOptions::tbtNone;
constexpr TvdxThumbnailBuildType tbtOriginal = TvdxPictureCacheOptions::tbtOriginal;
constexpr TvdxThumbnailBuildType tbtAtPrepare = TvdxPictureCacheOptions::tbtAtPrepare;
constexpr TvdxThumbnailBuildType tbtAtSave = TvdxPictureCacheOptions::tbtAtSave;
constexpr TvdxThumbnailBuildType tbtAtPreview = TvdxPictureCacheOptions::tbtAtPreview;

// A decoded picture shared by every view that shows the same cached picture.
class IvdxCachedGraphic {
public:
    virtual ~IvdxCachedGraphic() = default;
    virtual void Draw(Canvas &canvas, int x, int y, int x1, int y1) = 0;
    // The held graphic, whatever type is asked.
    virtual TGraphic *GetGraphic(TvdxCachedGraphicType cacheType) = 0;
    virtual TvdxCachedGraphicType GetCacheType() const = 0;
    virtual void SetCacheType(TvdxCachedGraphicType cacheType) = 0;
    virtual TSize GetOriginalSize() const = 0;
};
using IvdxCachedGraphicRef = std::shared_ptr<IvdxCachedGraphic>;

class TPicture;

class IvdxPictureCache {
public:
    virtual ~IvdxPictureCache() = default;
    // 1-based index of the stored picture; 0 for nothing or an empty graphic.
    virtual int AddPicture(const TGraphic *aGraphic) = 0;
    // Loads the original into the given graphic; decoding errors pass.
    virtual void GetGraphic(TGraphic *aGraphic, int imageIndex) = 0;
    // A new graphic (the caller owns it), nullptr when unavailable or undecodable.
    virtual std::unique_ptr<TGraphic> GetGraphic(int imageIndex) = 0;
    virtual void GetPicture(TPicture &aPicture, int imageIndex) = 0;
    virtual IvdxCachedGraphicRef GetCachedBitmap(TvdxCachedGraphicType cacheType, int imageIndex) = 0;
    virtual bool ThumbnailsEnabled() const = 0;
    virtual TSize GetOriginalSize(TvdxCachedGraphicType cacheType, int imageIndex) const = 0;
};

// A view that keeps its picture in the cache.
class IvdxCachedView {
public:
    virtual ~IvdxCachedView() = default;
    virtual void SaveGraphicToCache(IvdxPictureCache *cache) = 0;
    virtual void LoadGraphicFromCache(IvdxPictureCache *cache, TvdxCachedGraphicType cacheType) = 0;
    virtual bool IsGraphicReloadNeeded(TvdxCachedGraphicType cacheType) const = 0;
    virtual void ReleaseCachedGraphic() = 0;
};
