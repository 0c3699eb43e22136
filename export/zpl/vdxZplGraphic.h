// 1-bit bitmaps and the compressed ASCII form of the "^GFA" graphic field:
// hexadecimal rows, "," for a row's trailing zero bytes, ":" for a repeated
// row, and repeat-count letters for runs of one character.
#pragma once
#include <QByteArray>
#include <QImage>

// A 1-bit bitmap as the platform keeps one: rows top to bottom, each padded
// to a multiple of 32 bits, the most significant bit of a byte leftmost.
// After drawing, white pixels are 1 and black pixels 0.
struct TvdxMonoBitmap {
    int width = 0;
    int height = 0;
    int stride = 0; // bytes per stored row
    QByteArray bits;

    TvdxMonoBitmap() = default;
    // All bits clear (padding included).
    TvdxMonoBitmap(int w, int h);
    const uchar *row(int y) const { return reinterpret_cast<const uchar *>(bits.constData()) + qsizetype(y) * stride; }
    uchar *row(int y) { return reinterpret_cast<uchar *>(bits.data()) + qsizetype(y) * stride; }
    // Bytes per row a graphic field sends: Ceil(width / 8).
    int sentBytesPerRow() const { return (width + 7) / 8; }
};

// White pixels set, black clear: a pixel is black when its luminance
// (0.299 R + 0.587 G + 0.114 B) is below 128. Padding bits stay clear.
TvdxMonoBitmap vdxImageToMono(const QImage &image);
// Complements every byte of every row, padding included.
void vdxInvertBitmap(TvdxMonoBitmap &b);
// Clears the bits of each row's last sent byte that lie beyond the width, so
// that no dots are printed past the right edge.
void vdxClearPaddingBits(TvdxMonoBitmap &b);

// Letters of a repeat count: "G".."Y" for 1 to 19, "g".."z" for 20 to 400 in
// steps of 20, largest first; counts above 400 repeat "z".
QByteArray vdxZplRepeatCount(int n);
// Runs of one character: a single one as is, n >= 2 as the count letters and
// the character.
QByteArray vdxCompressZplRow(const QByteArray &s);
// Two hex digits per byte of the first bpr bytes; trailing 00 bytes after the
// last non-zero byte become one ",", and a row of 00 bytes only is ",".
QByteArray vdxZplRowText(const uchar *row, int bpr);
// The whole field: an empty line, "^GFA,total,total,bpr,", the rows and "^FS";
// each line ends with CR LF when breakLines.
void vdxAppendGraphicField(QByteArray &out, const TvdxMonoBitmap &b, bool breakLines);
// The same field as vdxImageToMono, vdxInvertBitmap, vdxClearPaddingBits and
// vdxAppendGraphicField in turn, one row at a time: no 1-bit copy of the
// whole image is made.
void vdxAppendImageField(QByteArray &out, const QImage &image, bool breakLines);
// The same field, leaving the image white (as QImage::fill(Qt::white) does)
// for the next page: each drawn row is made white again while it is at hand,
// rows already white are not written. An image not of Format_RGB32 is filled
// afterwards.
void vdxTakeImageField(QByteArray &out, QImage &image, bool breakLines);
// The same, where every pixel outside drawn is known to be white: those are
// neither read nor written.
void vdxTakeImageField(QByteArray &out, QImage &image, bool breakLines, const QRect &drawn);
