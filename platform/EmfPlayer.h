// Plays enhanced metafiles and Windows metafiles (placeable or plain) onto
// any Canvas. Every record is bounds-checked; bad data raises
// EMetafileError before or while drawing, never reads outside the bytes.
#pragma once
#include "platform/Exception.h"
#include "platform/Canvas.h"
#include <QByteArray>
#include <QImage>

VD_DECLARE_EXCEPTION(EMetafileError, Exception)

enum class MetafileKind { Unknown, Enhanced, PlaceableWmf, PlainWmf };

// Facts from a metafile's header.
struct MetafileHeaderInfo {
    MetafileKind kind = MetafileKind::Unknown;
    // Picture frame in 0.01 mm (EMF frame; for WMF from the bounding box).
    TRect frame01mm;
    // Bounds of the drawing in device pixels (EMF) or logical units (WMF box).
    TRect bounds;
    // Size in pixels at 96 per inch.
    int width = 0;
    int height = 0;
    quint32 records = 0;
    quint32 handles = 0;
    QString description;
};

class EmfPlayer {
public:
    // Largest metafile and bitmap the player accepts.
    static constexpr qint64 MaxBytes = 512LL * 1024 * 1024;
    static constexpr qint64 MaxBitmapPixels = 64LL * 1024 * 1024;

    static MetafileKind Detect(const QByteArray &bytes);
    // Reads and checks the header and the record chain (sizes only); throws
    // EMetafileError when the data is not a usable metafile.
    static MetafileHeaderInfo ReadHeader(const QByteArray &bytes);
    // Plays the picture so that its frame (EMF) or bounding box (WMF) fills
    // dest. The canvas state is restored afterwards.
    static void Play(Canvas &canvas, const QByteArray &bytes, const TRect &dest);
    static void PlayEmf(Canvas &canvas, const QByteArray &bytes, const TRect &dest);
    static void PlayWmf(Canvas &canvas, const QByteArray &bytes, const TRect &dest);
};

// Bitmaps in metafile records may carry a whole JPEG or PNG file; the
// picture layer installs its codecs for them. A decoder answers a null image
// for bytes it cannot read; without one such bitmaps are skipped.
using EmbeddedImageDecoder = QImage (*)(const QByteArray &bytes);
enum class EmbeddedImageKind { Jpeg, Png };
void SetEmbeddedImageDecoder(EmbeddedImageKind kind, EmbeddedImageDecoder decoder);

// The same as EmfPlayer::Play, in the form picture classes keep as a hook.
void PlayMetafile(Canvas &canvas, const QByteArray &bytes, const TRect &dest);

// Decodes the bitmap of a metafile record: Bmi holds the header and colour
// table, Bits the pixels. A null image when the format is not supported or
// the data is short; never reads outside the two arrays.
QImage DecodeMetafileDib(const QByteArray &bmi, const QByteArray &bits, quint32 usage, bool alpha);
