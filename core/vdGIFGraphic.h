// GIF pictures in the graphic hierarchy: always show their first frame.
#pragma once
#include "core/vdGif2.h"
#include <memory>

class TvdxGIFGraphic : public TGraphic {
    VD_GRAPHIC_CLASS(TvdxGIFGraphic)
public:
    TvdxGIFGraphic();
    ~TvdxGIFGraphic() override;

    // Only another GIF picture can be copied in; anything else raises EConvertError.
    void Assign(const TGraphic &source) override;
    void Draw(Canvas &canvas, const TRect &rect) const override;
    // First frame, premultiplied ARGB: transparent pixels have alpha 0.
    QImage ToImage() const override;

    bool Empty() const override { return FGIFImage->NumFrames() < 1; }
    int Width() const override { return FGIFImage->Width(); }
    int Height() const override { return FGIFImage->Height(); }
    void SetWidth(int value) override;
    void SetHeight(int value) override;
    bool Transparent() const override { return FGIFImage->IsTransparent(); }

    // Bad data never raises here: the picture keeps what it had.
    void LoadFromStream(QIODevice &stream) override;
    void SaveToStream(QIODevice &stream) const override;

    // The streamed "Data" property: a 4-byte little-endian length and the GIF file.
    // Reading lets codec errors pass.
    void ReadData(QIODevice &stream);
    void WriteData(QIODevice &stream) const;

    bool IsTransparent() const { return FGIFImage->IsTransparent(); }
    static TColor TransparentColor() { return TvdxGIFImage::TransparentColor(); }
    const TvdxGIFImage &GIFImage() const { return *FGIFImage; }

private:
    std::unique_ptr<TvdxGIFImage> FGIFImage;
};
