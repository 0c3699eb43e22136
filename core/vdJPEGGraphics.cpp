#include "core/vdJPEGGraphics.h"
#include "platform/Canvas.h"
#include "platform/EmfPlayer.h"
#include <QIODevice>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
#include <jerror.h>

void vdJPEGGraphicsStartup()
{
    TPicture::RegisterFileFormat(QStringLiteral("jpeg"), QStringLiteral("JPEG Image File"), &TJPEGImage::staticClass());
    TPicture::RegisterFileFormat(QStringLiteral("jpg"), QStringLiteral("JPEG Image File"), &TJPEGImage::staticClass());
    GetGraphicFormats()->RegisterFormat(TvdxJPEGPictureFormat::Class());
    // Metafile bitmaps that carry a whole JPEG file.
    SetEmbeddedImageDecoder(EmbeddedImageKind::Jpeg, [](const QByteArray &bytes) -> QImage {
        try {
            bool grey = false;
            return TJPEGImage::DecodeBytes(bytes, grey);
        } catch (...) {
            return QImage();
        }
    });
}

namespace {

struct JpegErr {
    jpeg_error_mgr mgr;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void jpegErrorExit(j_common_ptr cinfo)
{
    auto *e = reinterpret_cast<JpegErr *>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, e->message);
    longjmp(e->jump, 1);
}

void jpegEmit(j_common_ptr cinfo, int level)
{
    // Running out of data is an error: a cut file must not load as grey rows.
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) {
        auto *e = reinterpret_cast<JpegErr *>(cinfo->err);
        std::snprintf(e->message, sizeof e->message, "JPEG data is truncated");
        longjmp(e->jump, 1);
    }
}

struct DecompressGuard {
    jpeg_decompress_struct *c;
    ~DecompressGuard() { jpeg_destroy_decompress(c); }
};

struct CompressGuard {
    jpeg_compress_struct *c;
    unsigned char **buf;
    ~CompressGuard()
    {
        jpeg_destroy_compress(c);
        std::free(*buf);
    }
};

} // namespace

// ---------------------------------------------------------------- codec

QImage TJPEGImage::DecodeBytes(const QByteArray &bytes, bool &grey)
{
    if (bytes.size() < 2 || uchar(bytes[0]) != 0xFF || uchar(bytes[1]) != 0xD8)
        throw EInvalidGraphic(QStringLiteral("JPEG error #%1: not a JPEG file").arg(JERR_NO_SOI));
    jpeg_decompress_struct cinfo;
    JpegErr err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = jpegErrorExit;
    err.mgr.emit_message = jpegEmit;
    err.message[0] = 0;
    jpeg_create_decompress(&cinfo);
    // Progressive files keep all coefficients in memory: bound what a small
    // file declaring a huge picture can make us allocate.
    cinfo.mem->max_memory_to_use = 1024L * 1024L * 1024L;
    DecompressGuard guard{&cinfo};
    QImage img;
    std::vector<uchar> cmykRow;
    if (setjmp(err.jump))
        throw EInvalidGraphic(QStringLiteral("JPEG error: %1").arg(QString::fromLatin1(err.message)));
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char *>(bytes.constData()), (unsigned long)bytes.size());
    jpeg_read_header(&cinfo, TRUE);
    vdCheckGraphicSize(cinfo.image_width, cinfo.image_height, "JPEG");
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    grey = cinfo.jpeg_color_space == JCS_GRAYSCALE;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;
    cinfo.dct_method = JDCT_ISLOW;
    jpeg_start_decompress(&cinfo);
    img = QImage(int(cinfo.output_width), int(cinfo.output_height), QImage::Format_RGB32);
    if (img.isNull())
        throw EOutOfResources(QStringLiteral("Out of system resources"));
    if (cmyk)
        cmykRow.resize(size_t(cinfo.output_width) * 4);
    // Adobe writes CMYK inverted; the marker tells.
    const bool inverted = cinfo.saw_Adobe_marker;
    while (cinfo.output_scanline < cinfo.output_height) {
        const int y = int(cinfo.output_scanline);
        if (!cmyk) {
            JSAMPROW row = img.scanLine(y);
            jpeg_read_scanlines(&cinfo, &row, 1);
            continue;
        }
        JSAMPROW row = cmykRow.data();
        jpeg_read_scanlines(&cinfo, &row, 1);
        QRgb *d = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (JDIMENSION x = 0; x < cinfo.output_width; ++x) {
            int c = row[4 * x], m = row[4 * x + 1], ye = row[4 * x + 2], k = row[4 * x + 3];
            if (!inverted) { c = 255 - c; m = 255 - m; ye = 255 - ye; k = 255 - k; }
            d[x] = qRgb(c * k / 255, m * k / 255, ye * k / 255);
        }
    }
    jpeg_finish_decompress(&cinfo);
    return img;
}

QByteArray TJPEGImage::EncodeImage(const QImage &source, int quality, bool grey)
{
    if (source.isNull())
        throw EInvalidGraphic(QStringLiteral("Cannot save an empty JPEG image"));
    const QImage img = source.format() == QImage::Format_RGB32 ? source : source.convertToFormat(QImage::Format_RGB32);
    jpeg_compress_struct cinfo;
    JpegErr err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = jpegErrorExit;
    err.message[0] = 0;
    unsigned char *buf = nullptr;
    unsigned long size = 0;
    jpeg_create_compress(&cinfo);
    CompressGuard guard{&cinfo, &buf};
    std::vector<uchar> greyRow;
    if (setjmp(err.jump))
        throw EInvalidGraphic(QStringLiteral("JPEG error: %1").arg(QString::fromLatin1(err.message)));
    jpeg_mem_dest(&cinfo, &buf, &size);
    cinfo.image_width = JDIMENSION(img.width());
    cinfo.image_height = JDIMENSION(img.height());
    cinfo.input_components = grey ? 1 : 4;
    cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGRX;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, std::clamp(quality, 1, 100), TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    if (grey)
        greyRow.resize(size_t(img.width()));
    while (cinfo.next_scanline < cinfo.image_height) {
        const QRgb *s = reinterpret_cast<const QRgb *>(img.constScanLine(int(cinfo.next_scanline)));
        JSAMPROW row;
        if (grey) {
            for (int x = 0; x < img.width(); ++x)
                greyRow[size_t(x)] = uchar(qGray(s[x]));
            row = greyRow.data();
        } else {
            row = const_cast<JSAMPROW>(reinterpret_cast<const uchar *>(s));
        }
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    return QByteArray(reinterpret_cast<const char *>(buf), qsizetype(size));
}

// ---------------------------------------------------------------- TJPEGImage

VD_DEFINE_GRAPHIC_CLASS(TJPEGImage, TGraphic)

TJPEGImage::TJPEGImage() = default;
TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::SetPixelFormat(TJPEGPixelFormat pf)
{
    if (pf == m_pixelFormat)
        return;
    m_pixelFormat = pf;
    m_data.clear();
    Changed();
}

void TJPEGImage::Compress()
{
    m_data = EncodeImage(m_bitmap.ToImage(), m_quality, m_pixelFormat == jf8Bit);
    bool grey = false;
    m_bitmap.SetImage(DecodeBytes(m_data, grey), pf24bit);
}

void TJPEGImage::LoadFromStream(QIODevice &stream)
{
    const QByteArray bytes = stream.readAll();
    bool grey = false;
    QImage img = DecodeBytes(bytes, grey);
    m_bitmap.SetImage(img, pf24bit);
    m_data = bytes;
    m_pixelFormat = grey ? jf8Bit : jf24Bit;
    Changed();
}

void TJPEGImage::SaveToStream(QIODevice &stream) const
{
    if (m_data.isEmpty())
        m_data = EncodeImage(m_bitmap.ToImage(), m_quality, m_pixelFormat == jf8Bit);
    if (stream.write(m_data) != m_data.size())
        throw EInvalidGraphic(QStringLiteral("Stream write error"));
}

void TJPEGImage::Assign(const TGraphic &source)
{
    if (&source == this)
        return;
    if (const auto *j = dynamic_cast<const TJPEGImage *>(&source)) {
        m_bitmap.Assign(j->m_bitmap);
        m_data = j->m_data;
        m_quality = j->m_quality;
        m_pixelFormat = j->m_pixelFormat;
        m_transparent = j->m_transparent;
        Changed();
        return;
    }
    if (const auto *b = dynamic_cast<const TBitmap *>(&source)) {
        QImage img = b->ToImage();
        if (img.hasAlphaChannel()) {
            // Without alpha in the file, translucent pixels go over white.
            QImage flat(img.size(), QImage::Format_RGB32);
            flat.fill(Qt::white);
            for (int y = 0; y < img.height(); ++y) {
                const QRgb *s = reinterpret_cast<const QRgb *>(img.constScanLine(y));
                QRgb *d = reinterpret_cast<QRgb *>(flat.scanLine(y));
                for (int x = 0; x < img.width(); ++x) {
                    const int a = qAlpha(s[x]);
                    d[x] = qRgb(qRed(s[x]) + (255 - a), qGreen(s[x]) + (255 - a), qBlue(s[x]) + (255 - a));
                }
            }
            img = flat;
        }
        m_bitmap.SetImage(img.isNull() ? QImage() : img.convertToFormat(QImage::Format_RGB32), pf24bit);
        m_data.clear();
        Changed();
        return;
    }
    throw EConvertError(QStringLiteral("Cannot assign a %1 to a TJPEGImage").arg(source.ClassName()));
}

// ---------------------------------------------------------------- canvas helper

TvdxJPEGCanvasHelper::~TvdxJPEGCanvasHelper()
{
    TvdxJPEGCanvasHelper::ReleaseCanvas();
}

Canvas &TvdxJPEGCanvasHelper::GetCanvas()
{
    auto *j = dynamic_cast<TJPEGImage *>(FGraphic);
    if (!j)
        return TvdxGraphicCanvasHelper::GetCanvas();
    if (!FBitmap) {
        FBitmap = std::make_unique<TBitmap>();
        FBitmap->Assign(j->Bitmap());
        if (j->Empty())
            FBitmap->SetSize(1, 1);
    }
    return FBitmap->GetCanvas();
}

void TvdxJPEGCanvasHelper::ReleaseCanvas()
{
    if (!FBitmap)
        return;
    FBitmap->ReleaseCanvas();
    if (auto *j = dynamic_cast<TJPEGImage *>(FGraphic)) {
        const TJPEGPixelFormat pf = j->PixelFormat();
        const int q = j->CompressionQuality();
        j->Assign(*FBitmap);
        j->SetPixelFormat(pf);
        j->SetCompressionQuality(q);
        j->Compress();
    }
    FBitmap.reset();
}

// ---------------------------------------------------------------- driver

TvdxGraphicCanvasHelperClass TvdxJPEGPictureFormat::GetCanvasHelperClass() const
{
    return &TvdxGraphicCanvasHelper::Make<TvdxJPEGCanvasHelper>;
}

TvdxGraphicFormatCaps TvdxJPEGPictureFormat::GetFormatCapabilities() const
{
    return vdBaseFormatCaps + TvdxGraphicFormatCaps{gcSaveTo, gcGetCanvas, gcConvert};
}

std::unique_ptr<TGraphic> TvdxJPEGPictureFormat::CreateNew(int Width, int Height, TPixelFormat PixelFormat, bool,
                                                           int Quality) const
{
    auto j = std::make_unique<TJPEGImage>();
    j->SetPixelFormat((PixelFormat == pf1bit || PixelFormat == pf4bit || PixelFormat == pf8bit) ? jf8Bit : jf24Bit);
    j->SetCompressionQuality(Quality);
    if (Width != 0 && Height != 0) {
        TBitmap blank(Width, Height, pf24bit);
        blank.Fill(clWhite);
        j->Assign(blank);
        j->Compress();
    }
    return j;
}

std::unique_ptr<TGraphic> TvdxJPEGPictureFormat::ConvertFrom(const TGraphic *Graphic, TPixelFormat DestPixelFormat,
                                                             int DestQuality) const
{
    if (!Graphic)
        return nullptr;
    auto j = CreateNew(0, 0, DestPixelFormat, false, DestQuality);
    auto *jp = static_cast<TJPEGImage *>(j.get());
    const TJPEGPixelFormat pf = jp->PixelFormat();
    try {
        jp->Assign(*Graphic);
    } catch (const EConvertError &) {
        auto bmp = GetGraphicFormats()->ConvertToBitmap(Graphic, DestPixelFormat == pf32bit ? pf24bit : DestPixelFormat);
        if (!bmp)
            throw;
        jp->Assign(*bmp);
    }
    jp->SetPixelFormat(pf);
    jp->SetCompressionQuality(DestQuality);
    return j;
}

TvdxGraphicProps TvdxJPEGPictureFormat::GetGraphicProps(const TGraphic *Graphic) const
{
    TvdxGraphicProps p;
    const auto *j = dynamic_cast<const TJPEGImage *>(Graphic);
    p.HasAlpha = false;
    p.Transparent = Graphic && Graphic->Transparent();
    p.TransparentColor = clNone;
    p.Quality = j ? j->CompressionQuality() : 100;
    p.PixelFormat = (j && j->PixelFormat() == jf8Bit) ? pf8bit : pf24bit;
    return p;
}

bool TvdxJPEGPictureFormat::IsSupportedFormat(QIODevice &Stream) const
{
    QByteArray b;
    return PeekBytes(Stream, 2, b) && uchar(b[0]) == 0xFF && uchar(b[1]) == 0xD8;
}
