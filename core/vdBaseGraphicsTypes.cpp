#include "core/vdBaseGraphicsTypes.h"

void TvdxPictureConverterOptions::Assign(const TvdPersistent *source)
{
    if (const auto *o = qobject_cast<const TvdxPictureConverterOptions *>(source)) {
        m_minWidth = o->m_minWidth;
        m_maxWidth = o->m_maxWidth;
        m_minHeight = o->m_minHeight;
        m_maxHeight = o->m_maxHeight;
        m_reducePercent = o->m_reducePercent;
        return;
    }
    TvdPersistent::Assign(source);
}

TvdxPictureCacheOptions::TvdxPictureCacheOptions()
    : m_original(std::make_unique<TvdxPictureConverterOptions>()),
      m_thumbnail(std::make_unique<TvdxPictureConverterOptions>())
{
}

TvdxPictureCacheOptions::~TvdxPictureCacheOptions() = default;

void TvdxPictureCacheOptions::Assign(const TvdPersistent *source)
{
    if (const auto *o = qobject_cast<const TvdxPictureCacheOptions *>(source)) {
        m_calculateHash = o->m_calculateHash;
        m_original->Assign(o->m_original.get());
        m_buildType = o->m_buildType;
        m_thumbnail->Assign(o->m_thumbnail.get());
        return;
    }
    TvdPersistent::Assign(source);
}

void TvdxPictureCacheOptions::SetOriginalQualityReducer(TvdxPictureConverterOptions *value)
{
    if (value && value != m_original.get())
        m_original->Assign(value);
}

void TvdxPictureCacheOptions::SetThumbnailQualityReducer(TvdxPictureConverterOptions *value)
{
    if (value && value != m_thumbnail.get())
        m_thumbnail->Assign(value);
}

int TvdxPictureCacheOptions::GetPercentFor(TvdxCachedGraphicType cacheType, int width, int height) const
{
    const TvdxPictureConverterOptions &r = cacheType == cgThumbnail ? *m_thumbnail : *m_original;
    const int minW = std::max(r.MinWidth(), TvdxPictureConverterOptions::MinimalSize);
    const int maxW = std::min(r.MaxWidth(), 2147483647);
    const int minH = std::max(r.MinHeight(), TvdxPictureConverterOptions::MinimalSize);
    const int maxH = std::min(r.MaxHeight(), 2147483647);
    const bool widthIn = minW <= width && width <= maxW;
    const bool heightIn = minH <= height && height <= maxH;
    return widthIn || heightIn ? r.ReducePercent() : 0;
}
