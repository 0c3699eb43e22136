// The GIF image: a bitmap holding the first frame, the codec object with the whole
// file and the strip of all frames.
#pragma once
#include "core/vdGif1.h"
#include "core/vdGif2_records.h"
#include <memory>

class TvdxGIFImage : public TvdxHtBitmap {
    VD_GRAPHIC_CLASS(TvdxGIFImage)
public:
    TvdxGIFImage();
    ~TvdxGIFImage() override;
    static std::unique_ptr<TvdxGIFImage> CreateCopy(const TvdxGIFImage &item);

    // Codec errors pass to the caller; on an error nothing changes.
    void LoadFromStream(QIODevice &stream) override;
    void SaveToStream(QIODevice &stream) const override;
    void Draw(Canvas &canvas, const TRect &rect) const override;

    int NumFrames() const { return FNumFrames; }
    bool IsTransparent() const { return FTransparent; }
    void SetIsTransparent(bool value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool value) { FVisible = value; }
    int ImageWidth() const { return FImageWidth; }
    int ImageHeight() const { return FImageHeight; }
    static TColor TransparentColor() { return TColor(kGifMarkerColor); }

    const TGif &Gif() const { return *FGif; }
    const TvdxHtBitmap *Strip() const { return FStrip.get(); }
    const TvdxGIFFrameList &Frames() const { return FFrames; }

private:
    std::unique_ptr<TGif> FGif;
    int FImageWidth = 0;
    int FImageHeight = 0;
    int FNumFrames = 0;
    bool FTransparent = false;
    bool FVisible = true;
    std::unique_ptr<TvdxHtBitmap> FStrip;
    TvdxGIFFrameList FFrames;
};
