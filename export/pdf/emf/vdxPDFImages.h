// Image XObjects, soft masks and tiling patterns of a PDF document. Every
// object is keyed by the MD5 of its bytes and written once per document;
// page content names images "/Im" + index and patterns "/P" + position.
#pragma once
#include <QByteArray>
#include <QImage>
#include <array>
#include <cstdint>
#include <vector>

class QIODevice;
class TPDFObjectsHelper;

using TvdxPDFXObjectHash = std::array<uint8_t, 16>;
// The MD5 of the bytes.
TvdxPDFXObjectHash StreamDigest(const QByteArray &bytes);

// The document-wide table of written images, masks and patterns.
class TvdxPDFXObjectArray {
public:
    int Add(int32_t id, const TvdxPDFXObjectHash &hash); // the new index
    int Find(const TvdxPDFXObjectHash &hash) const;      // first equal index, or -1
    int32_t GetId(int index) const;                      // object number; 0 outside the table
    int Count() const { return int(FObjId.size()); }
    void Clear();

private:
    std::vector<int32_t> FObjId;
    std::vector<TvdxPDFXObjectHash> FHash;
};

// One byte per pixel, rows from the top: 0 transparent, 255 opaque.
using TMaskArray = QByteArray;

// Index of an equal object in the helper's table, or -1.
int FindXObject(TPDFObjectsHelper &poh, const TvdxPDFXObjectHash &hash);
// Writes one JPEG image XObject; MaskId names its soft mask when
// IsTransparent. Grey JPEGs get a grey colour space. Returns the index.
int OutXObjectImage(TPDFObjectsHelper &poh, const TvdxPDFXObjectHash &hash, const QByteArray &jpeg, int width,
                    int height, bool grey, bool isTransparent, int32_t maskId);
// Writes (or finds) the soft mask and computes the key of the masked image
// (mask and picture together). ImageIndex is an equal masked image already
// written, or -1.
void OutSoftMask(TPDFObjectsHelper &poh, const TMaskArray &mask, int width, int height, const QByteArray &jpeg,
                 int &imageIndex, int32_t &maskId, TvdxPDFXObjectHash &imageKey);
// A picture as JPEG at the helper's quality (Grey: one channel at quality
// + 5), with a soft mask when Mask is not empty. Returns the image index.
int OutJpegImage(TPDFObjectsHelper &poh, const QImage &image, bool grey, const TMaskArray &mask = TMaskArray());
// A picture with an alpha channel: the colours on white plus the alpha as
// soft mask. Returns the image index.
int OutTransparentGraphic(TPDFObjectsHelper &poh, const QImage &image);
// A tiling pattern painting image PicIndex, one image pixel per point.
// Returns its position in the page's pattern list.
int OutPattern(TPDFObjectsHelper &poh, int picIndex, int width, int height);
// The mask that hides the pixels of one colour (RGB as 0x00BBGGRR).
TMaskArray MakeColorKeyMask(const QImage &image, uint32_t keyColour);
// The alpha channel as mask.
TMaskArray MakeAlphaMask(const QImage &image);
// "/XObject << ... >>" and "/Pattern << ... >>" of the current page, each
// only when the page uses one.
void OutPageXObjects(QIODevice &stream, TPDFObjectsHelper &poh);
void OutPagePatterns(QIODevice &stream, TPDFObjectsHelper &poh);
