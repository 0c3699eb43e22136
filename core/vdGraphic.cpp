#include "core/vdGraphic.h"
#include "platform/Canvas.h"
#include "platform/QPainterCanvas.h"
#include "core/vdXML.h"
#include "platform/AtomicFile.h"
#include <QBuffer>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <cstring>

void vdCheckGraphicSize(int64_t width, int64_t height, const char *what)
{
    if (width < 0 || height < 0 || width > vdMaxGraphicSide || height > vdMaxGraphicSide
        || width * height > vdMaxGraphicPixels)
        throw EOutOfResources(QStringLiteral("%1: picture too large (%2 x %3)")
                                  .arg(QLatin1String(what)).arg(width).arg(height));
}

bool TGraphicClass::inheritsFrom(const TGraphicClass *ancestor) const
{
    for (const TGraphicClass *c = this; c; c = c->parent)
        if (c == ancestor)
            return true;
    return false;
}

void vdDrawImage(Canvas &canvas, const TRect &rect, const QImage &img)
{
    if (img.isNull() || rect.IsEmpty())
        return;
    // On a painter canvas the image goes straight to the painter, which
    // blends any pixel format without an intermediate copy.
    if (auto *pc = dynamic_cast<QPainterCanvas *>(&canvas)) {
        QPainter &p = pc->painter();
        p.save();
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        p.setOpacity(1.0);
        p.drawImage(QRectF(rect.Left, rect.Top, rect.Width(), rect.Height()), img);
        p.restore();
        return;
    }
    if (img.hasAlphaChannel())
        canvas.AlphaBlend(rect, img, TRect(0, 0, img.width(), img.height()), 255, true);
    else
        canvas.StretchDraw(rect, img);
}

// ---------------------------------------------------------------- TGraphic

const TGraphicClass &TGraphic::staticClass()
{
    static const TGraphicClass c{"TGraphic", nullptr, nullptr};
    return c;
}

TGraphic::~TGraphic() = default;

void TGraphic::SetTransparent(bool value)
{
    if (m_transparent != value) {
        m_transparent = value;
        Changed();
    }
}

void TGraphic::LoadFromBytes(const QByteArray &bytes)
{
    QByteArray copy = bytes;
    QBuffer buf(&copy);
    buf.open(QIODevice::ReadOnly);
    LoadFromStream(buf);
}

QByteArray TGraphic::SaveToBytes() const
{
    QByteArray out;
    QBuffer buf(&out);
    buf.open(QIODevice::WriteOnly);
    SaveToStream(buf);
    return out;
}

void TGraphic::LoadFromFile(const QString &fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        throw EInvalidGraphic(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, f.errorString()));
    LoadFromStream(f);
}

void TGraphic::SaveToFile(const QString &fileName) const
{
    const TvdSaveResult r = vdAtomicSave(fileName, [this](QIODevice &f) { SaveToStream(f); });
    vdRaiseSaveError<EFCreateError, EFWriteError>(fileName, r);
}

void TGraphic::Assign(const TGraphic &source)
{
    throw EConvertError(QStringLiteral("Cannot assign a %1 to a %2").arg(source.ClassName(), ClassName()));
}

std::unique_ptr<TGraphic> TGraphic::Clone() const
{
    const TGraphicClass &c = graphicClass();
    if (!c.create)
        return nullptr;
    auto g = c.create();
    g->Assign(*this);
    return g;
}

void TGraphic::Draw(Canvas &canvas, const TRect &rect) const
{
    vdDrawImage(canvas, rect, ToImage());
}

// ---------------------------------------------------------------- TBitmap

VD_DEFINE_GRAPHIC_CLASS(TBitmap, TGraphic)

QImage::Format TBitmap::StorageFormat(TPixelFormat pf)
{
    switch (pf) {
    case pf1bit: return QImage::Format_Mono;
    case pf4bit:
    case pf8bit: return QImage::Format_Indexed8;
    case pf15bit: return QImage::Format_RGB555;
    case pf16bit: return QImage::Format_RGB16;
    case pf32bit: return QImage::Format_ARGB32;
    default: return QImage::Format_RGB32;
    }
}

static QList<QRgb> defaultColorTable(TPixelFormat pf)
{
    QList<QRgb> t;
    if (pf == pf1bit) {
        t << qRgb(0, 0, 0) << qRgb(255, 255, 255);
    } else if (pf == pf4bit) {
        static const QRgb vga[16] = {0xff000000, 0xff800000, 0xff008000, 0xff808000, 0xff000080, 0xff800080,
                                     0xff008080, 0xff808080, 0xffc0c0c0, 0xffff0000, 0xff00ff00, 0xffffff00,
                                     0xff0000ff, 0xffff00ff, 0xff00ffff, 0xffffffff};
        for (QRgb c : vga)
            t << c;
    } else if (pf == pf8bit) {
        for (int i = 0; i < 256; ++i)
            t << qRgb(i, i, i);
    }
    return t;
}

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int width, int height, TPixelFormat pf)
{
    m_pixelFormat = pf;
    SetSize(width, height);
}

TBitmap::~TBitmap() = default;

void TBitmap::Modified()
{
    m_fileBytes.clear();
}

void TBitmap::SetSize(int w, int h)
{
    if (w == Width() && h == Height() && !m_image.isNull())
        return;
    ReleaseCanvas();
    Modified();
    if (w <= 0 || h <= 0) {
        m_image = QImage();
        Changed();
        return;
    }
    vdCheckGraphicSize(w, h, "TBitmap");
    QImage old = m_image;
    QImage img(w, h, StorageFormat(m_pixelFormat));
    if (img.isNull())
        throw EOutOfResources(QStringLiteral("Out of system resources"));
    if (img.format() == QImage::Format_Indexed8 || img.format() == QImage::Format_Mono) {
        img.setColorTable(old.isNull() || old.format() != img.format() ? defaultColorTable(m_pixelFormat)
                                                                      : old.colorTable());
        img.fill(0);
    } else if (m_pixelFormat == pf32bit) {
        img.fill(0);
    } else {
        img.fill(0xff000000);
    }
    // Keep the old content in the top-left corner, as a bitmap resize does.
    if (!old.isNull() && old.format() == img.format()) {
        const int rows = std::min(old.height(), h);
        const qsizetype bytes = std::min<qsizetype>(old.bytesPerLine(), img.bytesPerLine());
        for (int y = 0; y < rows; ++y)
            std::memcpy(img.scanLine(y), old.constScanLine(y), size_t(bytes));
    }
    m_image = img;
    Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat pf)
{
    if (pf == m_pixelFormat)
        return;
    ReleaseCanvas();
    Modified();
    const TPixelFormat old = m_pixelFormat;
    m_pixelFormat = pf;
    if (m_image.isNull())
        return;
    const QImage::Format target = StorageFormat(pf);
    if (target == QImage::Format_ARGB32 && old != pf32bit) {
        // A new alpha byte starts at 0 (nothing defined yet), like a fresh DIB.
        QImage img = m_image.convertToFormat(QImage::Format_RGB32);
        img.reinterpretAsFormat(QImage::Format_ARGB32);
        for (int y = 0; y < img.height(); ++y) {
            QRgb *p = reinterpret_cast<QRgb *>(img.scanLine(y));
            for (int x = 0; x < img.width(); ++x)
                p[x] &= 0x00ffffff;
        }
        m_image = img;
    } else if (target == QImage::Format_Indexed8 || target == QImage::Format_Mono) {
        QImage src = m_image.format() == QImage::Format_ARGB32 ? m_image.convertToFormat(QImage::Format_RGB32)
                                                                 : m_image;
        m_image = src.convertToFormat(target, defaultColorTable(pf), Qt::ThresholdDither | Qt::AvoidDither);
    } else if (m_image.format() == QImage::Format_ARGB32) {
        // Dropping the alpha byte keeps the stored colour bytes.
        QImage img = m_image.copy();
        img.reinterpretAsFormat(QImage::Format_RGB32);
        m_image = img.convertToFormat(target);
    } else {
        m_image = m_image.convertToFormat(target);
    }
    Changed();
}

TColor TBitmap::TransparentColor() const
{
    if (m_transparentColor != clNone || m_image.isNull())
        return m_transparentColor;
    return Pixel(0, Height() - 1) & 0xffffff;
}

bool TBitmap::SupportsPartialTransparency() const
{
    return m_pixelFormat == pf32bit && m_alphaFormat != afIgnored;
}

uchar *TBitmap::ScanLine(int y)
{
    Modified();
    return m_image.scanLine(y);
}

TColor TBitmap::Pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= Width() || y >= Height())
        return TColor(-1);
    const QRgb c = m_image.pixel(x, y);
    return TColor(qRed(c) | (qGreen(c) << 8) | (qBlue(c) << 16));
}

void TBitmap::SetPixel(int x, int y, TColor c)
{
    if (x < 0 || y < 0 || x >= Width() || y >= Height())
        return;
    Modified();
    const QRgb rgb = qRgb(c & 0xff, (c >> 8) & 0xff, (c >> 16) & 0xff);
    if (m_image.format() == QImage::Format_ARGB32) {
        QRgb *p = reinterpret_cast<QRgb *>(m_image.scanLine(y)) + x;
        *p = (*p & 0xff000000) | (rgb & 0xffffff);
    } else if (m_image.format() == QImage::Format_Indexed8 || m_image.format() == QImage::Format_Mono) {
        const QList<QRgb> t = m_image.colorTable();
        int best = 0, bestD = INT32_MAX;
        for (int i = 0; i < t.size(); ++i) {
            const int d = std::abs(qRed(t[i]) - qRed(rgb)) + std::abs(qGreen(t[i]) - qGreen(rgb))
                        + std::abs(qBlue(t[i]) - qBlue(rgb));
            if (d < bestD) { bestD = d; best = i; }
        }
        m_image.setPixel(x, y, uint(best));
    } else {
        m_image.setPixel(x, y, rgb);
    }
}

void TBitmap::Fill(TColor c)
{
    if (m_image.isNull())
        return;
    Modified();
    const QRgb rgb = qRgb(c & 0xff, (c >> 8) & 0xff, (c >> 16) & 0xff);
    if (m_image.format() == QImage::Format_ARGB32)
        m_image.fill(rgb & 0xffffff);
    else if (m_image.format() == QImage::Format_Indexed8 || m_image.format() == QImage::Format_Mono) {
        SetPixel(0, 0, c);
        m_image.fill(m_image.pixelIndex(0, 0));
    } else
        m_image.fill(QColor(rgb));
}

Canvas &TBitmap::GetCanvas()
{
    Modified();
    if (!m_canvas) {
        if (m_image.isNull())
            SetSize(1, 1);
        // Painting needs a direct-colour surface; palette bitmaps are widened.
        if (m_image.format() == QImage::Format_Indexed8 || m_image.format() == QImage::Format_Mono)
            m_image = m_image.convertToFormat(QImage::Format_RGB32);
        // Premultiplied bytes are painted as such, so blending stays right.
        if (m_image.format() == QImage::Format_ARGB32 && m_alphaFormat == afPremultiplied)
            m_image.reinterpretAsFormat(QImage::Format_ARGB32_Premultiplied);
        m_canvas = std::make_unique<QPainterCanvas>(m_image);
    }
    return *m_canvas;
}

void TBitmap::ReleaseCanvas()
{
    if (!m_canvas)
        return;
    m_canvas.reset();
    if (m_image.format() == QImage::Format_ARGB32_Premultiplied)
        m_image.reinterpretAsFormat(QImage::Format_ARGB32);
    if (StorageFormat(m_pixelFormat) != m_image.format())
        m_image = m_image.convertToFormat(StorageFormat(m_pixelFormat), defaultColorTable(m_pixelFormat),
                                          Qt::ThresholdDither | Qt::AvoidDither);
}

void TBitmap::SetImage(const QImage &image, TPixelFormat pf)
{
    ReleaseCanvas();
    Modified();
    if (image.isNull()) {
        m_image = QImage();
        Changed();
        return;
    }
    vdCheckGraphicSize(image.width(), image.height(), "TBitmap");
    if (pf == pfCustom) {
        switch (image.format()) {
        case QImage::Format_Mono: pf = pf1bit; break;
        case QImage::Format_Indexed8: pf = image.colorCount() <= 16 ? pf4bit : pf8bit; break;
        case QImage::Format_Grayscale8: pf = pf8bit; break;
        case QImage::Format_RGB555: pf = pf15bit; break;
        case QImage::Format_RGB16: pf = pf16bit; break;
        case QImage::Format_ARGB32:
        case QImage::Format_ARGB32_Premultiplied:
        case QImage::Format_RGBA8888: pf = pf32bit; break;
        default: pf = pf24bit; break;
        }
    }
    m_pixelFormat = pf;
    const QImage::Format target = StorageFormat(pf);
    if (image.format() == target)
        m_image = image;
    else if (image.format() == QImage::Format_Grayscale8 && target == QImage::Format_Indexed8) {
        QImage img = image;
        img.reinterpretAsFormat(QImage::Format_Indexed8);
        img.setColorTable(defaultColorTable(pf8bit));
        m_image = img;
    } else if (image.format() == QImage::Format_ARGB32_Premultiplied && target == QImage::Format_ARGB32) {
        // Keep the bytes as they are; the alpha format says how to read them.
        QImage img = image.copy();
        img.reinterpretAsFormat(QImage::Format_ARGB32);
        m_image = img;
        m_alphaFormat = afPremultiplied;
    } else if (target == QImage::Format_Indexed8 || target == QImage::Format_Mono)
        m_image = image.convertToFormat(target, defaultColorTable(pf), Qt::ThresholdDither | Qt::AvoidDither);
    else
        m_image = image.convertToFormat(target);
    Changed();
}

QImage TBitmap::ToImage() const
{
    if (m_image.isNull())
        return {};
    // While a canvas paints into the pixels, hand out a copy: a shared image
    // would see later painting, or stop seeing it once either side detaches.
    if (m_canvas)
        return TBitmap::ToImageOf(m_image.copy(), m_alphaFormat);
    return ToImageOf(m_image, m_alphaFormat);
}

QImage TBitmap::ToImageOf(QImage storage, TAlphaFormat alphaFormat)
{
    if (storage.isNull())
        return {};
    if (storage.format() == QImage::Format_ARGB32) {
        if (alphaFormat == afPremultiplied) {
            QImage img = storage;
            img.reinterpretAsFormat(QImage::Format_ARGB32_Premultiplied);
            return img;
        }
        if (alphaFormat == afDefined)
            return storage.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        // Alpha not defined: the fourth byte is ignored.
        QImage img = storage;
        img.reinterpretAsFormat(QImage::Format_RGB32);
        return img;
    }
    if (storage.format() == QImage::Format_RGB32 || storage.format() == QImage::Format_ARGB32_Premultiplied)
        return storage;
    return storage.convertToFormat(QImage::Format_RGB32);
}

void TBitmap::Assign(const TGraphic &source)
{
    if (&source == this)
        return;
    if (const auto *b = dynamic_cast<const TBitmap *>(&source)) {
        ReleaseCanvas();
        m_image = b->m_image.copy();
        m_pixelFormat = b->m_pixelFormat;
        m_alphaFormat = b->m_alphaFormat;
        m_transparent = b->m_transparent;
        m_transparentColor = b->m_transparentColor;
        m_fileBytes = b->m_fileBytes;
        Changed();
        return;
    }
    // Any other picture is rendered onto a bitmap of its size.
    ReleaseCanvas();
    Modified();
    const int w = source.Width(), h = source.Height();
    if (w <= 0 || h <= 0) {
        m_image = QImage();
        Changed();
        return;
    }
    const QImage img = source.ToImage();
    if (!img.isNull() && img.width() == w && img.height() == h && m_pixelFormat == pf32bit) {
        SetImage(img.convertToFormat(QImage::Format_ARGB32), pf32bit);
        m_alphaFormat = afDefined;
        return;
    }
    m_image = QImage();
    SetSize(w, h);
    Fill(clWhite);
    source.Draw(GetCanvas(), TRect{0, 0, w, h});
    ReleaseCanvas();
    m_transparent = source.Transparent();
    Changed();
}

void TBitmap::Draw(Canvas &canvas, const TRect &rect) const
{
    if (m_image.isNull())
        return;
    if (m_transparent && !SupportsPartialTransparency()) {
        // Transparent by colour: pixels of the transparent colour are left out.
        QImage img = m_image.convertToFormat(QImage::Format_ARGB32);
        const TColor tc = TransparentColor();
        const QRgb key = qRgb(tc & 0xff, (tc >> 8) & 0xff, (tc >> 16) & 0xff) & 0xffffff;
        for (int y = 0; y < img.height(); ++y) {
            QRgb *p = reinterpret_cast<QRgb *>(img.scanLine(y));
            for (int x = 0; x < img.width(); ++x)
                p[x] = (p[x] & 0xffffff) == key ? 0 : (p[x] | 0xff000000);
        }
        vdDrawImage(canvas, rect, img);
        return;
    }
    TGraphic::Draw(canvas, rect);
}

void TBitmap::LoadFromStream(QIODevice &stream)
{
    const QByteArray bytes = stream.readAll();
    QImage img;
    TPixelFormat pf = pf24bit;
    DecodeBmp(bytes, img, pf);
    ReleaseCanvas();
    m_image = img;
    m_pixelFormat = pf;
    m_alphaFormat = afIgnored;
    m_fileBytes = bytes;
    Changed();
}

void TBitmap::SaveToStream(QIODevice &stream) const
{
    const QByteArray bytes = m_fileBytes.isEmpty() ? EncodeBmp() : m_fileBytes;
    if (stream.write(bytes) != bytes.size())
        throw EInvalidGraphic(QStringLiteral("Stream write error"));
}

// ---------------------------------------------------------------- TPicture

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::SetGraphic(const TGraphic *graphic)
{
    if (!graphic) {
        m_graphic.reset();
        return;
    }
    if (graphic == m_graphic.get())
        return;
    m_graphic = graphic->Clone();
}

void TPicture::SetGraphicOwned(std::unique_ptr<TGraphic> graphic)
{
    m_graphic = std::move(graphic);
}

class TvdxGraphicFormats;
TvdxGraphicFormats *GetGraphicFormats();

namespace {

// The picture modules register their classes in their start-up steps.
void ensurePictureModules()
{
    GetGraphicFormats();
}

QMutex &fileFormatsLock()
{
    static QMutex m;
    return m;
}

QList<TPicture::FileFormat> &fileFormats()
{
    static QList<TPicture::FileFormat> list = [] {
        // The platform's own picture classes.
        QList<TPicture::FileFormat> l;
        l.append({QStringLiteral("bmp"), QStringLiteral("Bitmaps"), &TBitmap::staticClass()});
        return l;
    }();
    return list;
}

} // namespace

void TPicture::RegisterFileFormat(const QString &extension, const QString &description, TGraphicClassRef graphicClass)
{
    QMutexLocker lock(&fileFormatsLock());
    fileFormats().append({extension, description, graphicClass});
}

void TPicture::UnregisterGraphicClass(TGraphicClassRef graphicClass)
{
    QMutexLocker lock(&fileFormatsLock());
    fileFormats().removeIf([graphicClass](const FileFormat &f) { return f.GraphicClass == graphicClass; });
}

QList<TPicture::FileFormat> TPicture::FileFormats()
{
    ensurePictureModules();
    QMutexLocker lock(&fileFormatsLock());
    return fileFormats();
}

TGraphicClassRef TPicture::GraphicClassOfExtension(const QString &extension)
{
    QString e = extension;
    if (e.startsWith(QLatin1Char('.')))
        e.remove(0, 1);
    ensurePictureModules();
    QMutexLocker lock(&fileFormatsLock());
    for (const FileFormat &f : fileFormats())
        if (f.Extension.compare(e, Qt::CaseInsensitive) == 0)
            return f.GraphicClass;
    return nullptr;
}

TGraphicClassRef TPicture::GraphicClassByName(const QString &className)
{
    ensurePictureModules();
    QMutexLocker lock(&fileFormatsLock());
    for (const FileFormat &f : fileFormats())
        if (QLatin1String(f.GraphicClass->name) == className)
            return f.GraphicClass;
    return nullptr;
}
