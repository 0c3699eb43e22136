// Records of the GIF codec (module vdGif2): screen, colour tables, images and their extension blocks,
// plus the frame records that the GIF picture keeps per image.
#pragma once
#include "platform/Exception.h"
#include <QByteArray>
#include <QImage>
#include <QList>
#include <QtGlobal>
#include <array>
#include <vector>

struct TGifSignature {
    char rSignature[6] = {'-', '-', '-', '-', '-', '-'};
};

struct TGifScreenDescriptor {
    int rWidth = 0;
    int rHeight = 0;
    bool rGlobalColorValid = false;
    int rColorResolution = 1; // 1..8
    bool rSorted = false;
    int rGlobalColorSize = 0; // 2..256
    int rBackgroundIndex = 0;
    int rAspectRatio = 0;
    int rGlobalColorTable = -1; // index into the colour-table list, -1 without one
};

// Colours are TColor values: red + green * 256 + blue * 65536.
struct TGifColorTable {
    int rSize = 0;
    std::array<quint32, 256> rColors{};
};

// Extension labels.
enum : quint8 {
    kGifLabelPlainText = 0x01,
    kGifLabelGraphicControl = 0xF9,
    kGifLabelComment = 0xFE,
    kGifLabelApplication = 0xFF,
};

// One extension block; which fields are meaningful depends on eLabel.
// Data sub-blocks are kept as their data bytes (1..255 each; the length byte is their size).
struct TGifExtension {
    quint8 eLabel = 0;
    // graphic control
    int rBlockSize = 0;
    int rDisposal = 0;
    bool rUserInputFlag = false;
    bool rTransparentFlag = false;
    int rDelayTime = 0;
    int rTransparentIndex = 0;
    // plain text
    int rGridLeft = 0;
    int rGridTop = 0;
    int rGridWidth = 0;
    int rGridHeight = 0;
    int rCellWidth = 0;
    int rCellHeight = 0;
    int rForegroundIndex = 0;
    int rBackgroundIndex = 0;
    // application: identifier and code when the block size is 11, else the raw block bytes
    QByteArray rIdentifier;
    QByteArray rAuthentication;
    QByteArray rRawBlock;
    // comment, plain text and application
    QList<QByteArray> rDataBlocks;
};

struct TGifImageDescriptor {
    int rIndex = 0;
    int rLeft = 0;
    int rTop = 0;
    int rWidth = 0;
    int rHeight = 0;
    bool rLocalColorValid = false;
    bool rInterlaced = false;
    bool rSorted = false;
    int rLocalColorSize = 0;
    int rLocalColorTable = -1; // the image's own table or the global one
    int rLZWSize = 0;
    QList<TGifExtension> rExtensionList;
    qint64 rPixelCount = 0;
    std::vector<quint8> rPixelList; // rWidth * rHeight colour indices, row by row
    QImage rBitmap; // built on request by TGif::GetBitmap
};

// Position and size of one image of a GIF file.
struct TvdxGIFFrame {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
};

// Frames addressed from 1.
class TvdxGIFFrameList {
public:
    int Count() const { return int(m_frames.size()); }
    void Add(const TvdxGIFFrame &frame) { m_frames.append(frame); }
    void Clear() { m_frames.clear(); }
    const TvdxGIFFrame &GetFrame(int i) const
    {
        if (i < 1 || i > Count())
            throw EListError(QStringLiteral("Frame index out of range"));
        return m_frames.at(i - 1);
    }

private:
    QList<TvdxGIFFrame> m_frames;
};
