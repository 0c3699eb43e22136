// Packed image strips (gzip members whose time field holds the Adler-32 of
// the data) and zlib compression of whole streams.
#pragma once
#include "platform/Exception.h"
#include <QIODevice>

VD_DECLARE_EXCEPTION(EZCompressionError, Exception)
VD_DECLARE_EXCEPTION(EZDecompressionError, Exception)

enum class TvdCompressionLevel { clNone, clFastest, clDefault, clMax };

// Unpacks a packed strip from source (from its current position) and appends
// the bytes to dest. Throws EZDecompressionError for a damaged body or a wrong
// checksum; nothing is written then.
void GUnzipStream(QIODevice &source, QIODevice &dest);

// Compresses all of source (from its beginning) into dest as a zlib stream.
void ZCompressStream(QIODevice &source, QIODevice &dest, TvdCompressionLevel level = TvdCompressionLevel::clDefault);

// Whole-buffer zlib decompression (checks the Adler-32 trailer).
QByteArray ZDecompress(const QByteArray &zlibData);
