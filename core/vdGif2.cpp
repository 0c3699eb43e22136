#include "core/vdGif2.h"
#include "platform/Canvas.h"

VD_DEFINE_GRAPHIC_CLASS(TvdxGIFImage, TvdxHtBitmap)

TvdxGIFImage::TvdxGIFImage() : TvdxHtBitmap(false), FGif(std::make_unique<TGif>()), FStrip(std::make_unique<TvdxHtBitmap>())
{
}

TvdxGIFImage::~TvdxGIFImage() = default;

std::unique_ptr<TvdxGIFImage> TvdxGIFImage::CreateCopy(const TvdxGIFImage &item)
{
    auto copy = std::make_unique<TvdxGIFImage>();
    copy->Assign(item);
    copy->FTransparent = item.FTransparent;
    copy->FVisible = item.FVisible;
    copy->FImageWidth = item.FImageWidth;
    copy->FImageHeight = item.FImageHeight;
    copy->FStrip->Assign(*item.FStrip);
    copy->FGif = TGif::CreateCopy(*item.FGif);
    copy->FNumFrames = item.FNumFrames;
    copy->FFrames = item.FFrames;
    return copy;
}

void TvdxGIFImage::LoadFromStream(QIODevice &stream)
{
    // Everything is decoded before anything is replaced, so a bad file leaves us as we were.
    auto gif = std::make_unique<TGif>();
    gif->LoadFromStream(stream);
    std::unique_ptr<TvdxHtBitmap> strip = gif->GetStripBitmap();
    TvdxGIFFrameList frames;
    for (int i = 0; i < gif->ImageCount(); ++i)
        frames.Add({gif->GetImageLeft(i), gif->GetImageTop(i), gif->GetImageWidth(i), gif->GetImageHeight(i)});

    const int width = gif->Width();
    const int height = gif->Height();
    QImage first;
    QImage firstMask;
    if (!strip->Empty()) {
        first = strip->Image().copy(0, 0, width, height);
        if (const TvdxHtBitmap *mask = strip->BitmapMask())
            firstMask = mask->Image().copy(0, 0, width, height);
    }

    FNumFrames = gif->ImageCount();
    FImageWidth = width;
    FImageHeight = height;
    FTransparent = gif->Transparent();
    FGif = std::move(gif);
    FStrip = std::move(strip);
    FFrames = frames;
    SetImage(first, pf24bit);
    if (FStrip->BitmapMask()) {
        TBitmap mask;
        mask.SetImage(firstMask, pf1bit);
        SetTransparentMask(true);
        SetBitmapMask(&mask);
    } else {
        SetBitmapMask(nullptr);
    }
    if (FTransparent)
        SetIsTransparent(true);
    SetTransparent(false);
}

void TvdxGIFImage::SaveToStream(QIODevice &stream) const
{
    FGif->SaveToStream(stream);
}

void TvdxGIFImage::SetIsTransparent(bool value)
{
    FTransparent = value;
    ensureMask();
}

void TvdxGIFImage::Draw(Canvas &canvas, const TRect &rect) const
{
    if (!FVisible || FNumFrames < 1)
        return;
    // The strip's first column is the first frame.
    FStrip->StretchDraw(canvas, rect, TRect(0, 0, Width(), Height()));
}
