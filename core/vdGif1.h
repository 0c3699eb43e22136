// Our own GIF codec: parses GIF87a/GIF89a files into screen, colour tables and images
// with their decoded indices, writes them back with our LZW encoder, and renders all
// frames side by side into one strip bitmap with a transparency mask.
#pragma once
#include "platform/Exception.h"
#include "core/vdGraphic.h"
#include "core/vdGif2_records.h"
#include <QIODevice>
#include <QImage>
#include <QList>
#include <QString>
#include <memory>

// Error codes of the codec; the texts are those of GifErrorText.
enum TGifError {
    gifNoError = 0,
    gifSignature = 1,
    gifNoColorTable = 2,
    gifUnknownExtensionType = 3,
    gifUnknownOpCode = 4,
    gifExtensionBlockSize = 5,
    gifSpecialMessage = 6,
    gifExtensionTerminator = 7,
    gifIntegerSize = 8,
    gifNoTerminator = 9,
    gifExtensionOrder = 10,
    gifImageDescriptorIndex = 11,
    gifLZWCodeSize = 12,
    gifLZWDataFormat = 13,
    gifLZWOverflow = 14,
    gifValueRange = 15,
    gifNilPointer = 16,
    gifColorTableSize = 17,
    gifNoImageDescription = 18,
    gifBitmapImage = 19,
    gifColorTableIndex = 20,
    gifInterlacePass = 21,
    gifBitmap = 22,
    gifTooManyColors = 23,
    gifUnexpectedEof = 24,
    gifTooLarge = 25,
    gifZeroSize = 26,
    gifNextMessage = 27,
};

QString GifErrorText(int code);
// The last error raised by the codec (process-wide).
int GifLastErrorCode();
QString GifLastErrorText();

// The colour that transparent palette entries are drawn in (a TColor: red 0x25, green 0x07, blue 0x17).
constexpr quint32 kGifMarkerColor = 1509157;

// A bitmap with an optional separate monochrome mask (white = transparent, black = opaque).
class TvdxHtBitmap : public TBitmap {
    VD_GRAPHIC_CLASS(TvdxHtBitmap)
public:
    explicit TvdxHtBitmap(bool withTransparentMask = false);
    ~TvdxHtBitmap() override;

    // The mask when in use, else nullptr.
    TvdxHtBitmap *BitmapMask() const { return m_transparentMask ? m_mask.get() : nullptr; }
    // nullptr frees the mask; a bitmap is copied into the (created) mask.
    void SetBitmapMask(const TBitmap *mask);
    bool TransparentMask() const { return m_transparentMask; }
    void SetTransparentMask(bool value);

    void Assign(const TGraphic &source) override;
    void Draw(Canvas &canvas, const TRect &rect) const override;
    void StretchDraw(Canvas &canvas, const TRect &destRect, const TRect &srcRect) const;

protected:
    void ensureMask();

    std::unique_ptr<TvdxHtBitmap> m_mask;
    bool m_transparentMask = false;
};

class TGif {
public:
    TGif();
    ~TGif();
    TGif(const TGif &) = delete;
    TGif &operator=(const TGif &) = delete;
    // A re-encoded copy: source saved to memory and loaded back.
    static std::unique_ptr<TGif> CreateCopy(const TGif &source);

    void FreeImage();
    void LoadFromStream(QIODevice &source);
    void SaveToStream(QIODevice &destination) const;
    QByteArray SaveToBytes() const;
    // A new strip bitmap with every frame side by side, owned by the caller.
    std::unique_ptr<TvdxHtBitmap> GetStripBitmap() const;

    QString Signature() const;
    const TGifScreenDescriptor &ScreenDescriptor() const { return m_screen; }
    TGifScreenDescriptor &ScreenDescriptor() { return m_screen; }
    int ImageCount() const { return int(m_images.size()); }
    int ColorTableCount() const { return int(m_colorTables.size()); }
    int Width() const { return m_screen.rWidth; }
    int Height() const { return m_screen.rHeight; }
    bool Transparent() const;
    static quint32 TransparentColor() { return kGifMarkerColor; }
    int LoopCount() const { return m_loopCount; }

    // Per image, 0-based; an index out of range raises error 15.
    TGifImageDescriptor &GetImageDescriptor(int image);
    const TGifImageDescriptor &GetImageDescriptor(int image) const;
    int GetImageLeft(int image) const;
    int GetImageTop(int image) const;
    int GetImageWidth(int image) const;
    int GetImageHeight(int image) const;
    int GetImageDepth(int image) const;
    int GetImageDelay(int image) const;
    int GetImageDisposal(int image) const;
    int GetTransparentIndex(int image) const;
    // 24-bit bitmap of the image; transparent entries drawn in the marker colour.
    QImage GetBitmap(int image);
    TGifColorTable &GetColorTable(int table);
    const TGifColorTable &GetColorTable(int table) const;

    // Structure editing for callers that build a GIF themselves.
    int AddColorTable(const TGifColorTable &table);
    TGifImageDescriptor &AddImage();

private:
    class Reader;
    void readExtension(Reader &r);
    void readImage(Reader &r);
    void checkImage(int image) const;

    TGifSignature m_signature;
    TGifScreenDescriptor m_screen;
    QList<TGifColorTable> m_colorTables;
    QList<TGifImageDescriptor> m_images;
    QList<TGifExtension> m_pendingExtensions;
    int m_loopCount = -1;
};

// Raises the codec's error (records it as the last error); code 6 takes the given text.
[[noreturn]] void GifError(int code, const QString &special = QString());
