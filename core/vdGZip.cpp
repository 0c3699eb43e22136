#include "core/vdGZip.h"

#include <zlib.h>

namespace {

QString zlibMessage(int code, const z_stream &zs)
{
    if (zs.msg)
        return QString::fromLatin1(zs.msg);
    switch (code) {
    case Z_BUF_ERROR: return QStringLiteral("buffer error");
    case Z_DATA_ERROR: return QStringLiteral("data error");
    case Z_MEM_ERROR: return QStringLiteral("insufficient memory");
    case Z_STREAM_ERROR: return QStringLiteral("stream error");
    default: return QStringLiteral("error %1").arg(code);
    }
}

} // namespace

QByteArray ZDecompress(const QByteArray &zlibData)
{
    z_stream zs{};
    int rc = inflateInit2(&zs, 15);
    if (rc != Z_OK)
        throw EZDecompressionError(zlibMessage(rc, zs));
    zs.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(zlibData.constData()));
    zs.avail_in = static_cast<uInt>(zlibData.size());
    QByteArray out;
    char chunk[65536];
    do {
        zs.next_out = reinterpret_cast<Bytef *>(chunk);
        zs.avail_out = sizeof(chunk);
        rc = inflate(&zs, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END) {
            // Input ended before the stream did: truncated data.
            const QString msg = rc == Z_BUF_ERROR ? QStringLiteral("unexpected end of data") : zlibMessage(rc, zs);
            inflateEnd(&zs);
            throw EZDecompressionError(msg);
        }
        out.append(chunk, static_cast<qsizetype>(sizeof(chunk) - zs.avail_out));
    } while (rc != Z_STREAM_END);
    inflateEnd(&zs);
    return out;
}

void GUnzipStream(QIODevice &source, QIODevice &dest)
{
    QByteArray mtime;
    const QByteArray head = source.read(4);
    if (head.size() == 4 && static_cast<uchar>(head[0]) == 0x1F && static_cast<uchar>(head[1]) == 0x8B
        && static_cast<uchar>(head[2]) == 0x08) {
        const uchar flags = static_cast<uchar>(head[3]);
        mtime = source.read(4);
        source.read(2); // extra flags, operating system
        if (flags & 0x08) {
            char c;
            while (source.getChar(&c) && c != 0) {
            }
        }
    }
    const qint64 bodyEnd = source.size() - 8;
    const qint64 bodyLen = bodyEnd - source.pos();
    if (mtime.size() != 4 || bodyLen < 0)
        throw EZDecompressionError(QStringLiteral("data error"));
    QByteArray zlibData("\x78\xDA", 2);
    zlibData.append(source.read(bodyLen));
    zlibData.append(mtime);
    dest.write(ZDecompress(zlibData));
}

void ZCompressStream(QIODevice &source, QIODevice &dest, TvdCompressionLevel level)
{
    int zlevel = Z_DEFAULT_COMPRESSION;
    switch (level) {
    case TvdCompressionLevel::clNone: zlevel = Z_NO_COMPRESSION; break;
    case TvdCompressionLevel::clFastest: zlevel = Z_BEST_SPEED; break;
    case TvdCompressionLevel::clDefault: zlevel = Z_DEFAULT_COMPRESSION; break;
    case TvdCompressionLevel::clMax: zlevel = Z_BEST_COMPRESSION; break;
    }
    z_stream zs{};
    int rc = deflateInit2(&zs, zlevel, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY);
    if (rc != Z_OK)
        throw EZCompressionError(zlibMessage(rc, zs));
    source.seek(0);
    char in[65536];
    char out[65536];
    bool atEnd = false;
    do {
        const qint64 n = source.read(in, sizeof(in));
        if (n < 0) {
            // A read failure is not the end of the data: never hand out a truncated stream.
            deflateEnd(&zs);
            throw EZCompressionError(QStringLiteral("Stream read error"));
        }
        atEnd = n == 0;
        zs.next_in = reinterpret_cast<Bytef *>(in);
        zs.avail_in = n > 0 ? static_cast<uInt>(n) : 0;
        do {
            zs.next_out = reinterpret_cast<Bytef *>(out);
            zs.avail_out = sizeof(out);
            rc = deflate(&zs, atEnd ? Z_FINISH : Z_NO_FLUSH);
            if (rc == Z_STREAM_ERROR) {
                deflateEnd(&zs);
                throw EZCompressionError(zlibMessage(rc, zs));
            }
            dest.write(out, static_cast<qint64>(sizeof(out) - zs.avail_out));
        } while (zs.avail_out == 0);
    } while (!atEnd);
    deflateEnd(&zs);
}
