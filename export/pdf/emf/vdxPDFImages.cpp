#include "export/pdf/emf/vdxPDFImages.h"

#include "core/vdJPEGGraphics.h"
#include "export/pdf/vdxExportPDFHelpers.h"

#include <QCryptographicHash>
#include <QIODevice>
#include <QPainter>
#include <cstring>

namespace {

QIODevice &pdfOf(TPDFObjectsHelper &poh)
{
    if (!poh.FpdfStream || !poh.FXObjects)
        throw EPDFExportError(QStringLiteral("No PDF document to write images into"));
    return *poh.FpdfStream;
}

QByteArray encrypted(TPDFObjectsHelper &poh, const QByteArray &data, int32_t objNo)
{
    return poh.FProtection && poh.FEncryptor ? poh.FEncryptor->Encrypt(data, objNo) : data;
}

QByteArray le32(int32_t v)
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char((uint32_t(v) >> (8 * i)) & 0xFF);
    return b;
}

} // namespace

TvdxPDFXObjectHash StreamDigest(const QByteArray &bytes)
{
    const QByteArray d = QCryptographicHash::hash(bytes, QCryptographicHash::Md5);
    TvdxPDFXObjectHash h{};
    std::memcpy(h.data(), d.constData(), h.size());
    return h;
}

int TvdxPDFXObjectArray::Add(int32_t id, const TvdxPDFXObjectHash &hash)
{
    FObjId.push_back(id);
    FHash.push_back(hash);
    return int(FObjId.size()) - 1;
}

int TvdxPDFXObjectArray::Find(const TvdxPDFXObjectHash &hash) const
{
    for (size_t i = 0; i < FHash.size(); ++i)
        if (FHash[i] == hash)
            return int(i);
    return -1;
}

int32_t TvdxPDFXObjectArray::GetId(int index) const
{
    return index >= 0 && size_t(index) < FObjId.size() ? FObjId[size_t(index)] : 0;
}

void TvdxPDFXObjectArray::Clear()
{
    FObjId.clear();
    FHash.clear();
}

int FindXObject(TPDFObjectsHelper &poh, const TvdxPDFXObjectHash &hash)
{
    return poh.FXObjects ? poh.FXObjects->Find(hash) : -1;
}

int OutXObjectImage(TPDFObjectsHelper &poh, const TvdxPDFXObjectHash &hash, const QByteArray &jpeg, int width,
                    int height, bool grey, bool isTransparent, int32_t maskId)
{
    QIODevice &out = pdfOf(poh);
    const int32_t no = poh.UpdateXRef();
    const int index = poh.FXObjects->Add(no, hash);
    WriteLine(out, ObjHeader(no));
    WriteLine(out, "<<");
    WriteLine(out, "/Type /XObject");
    WriteLine(out, "/Subtype /Image");
    // A one-channel JPEG read as RGB would be garbage.
    WriteLine(out, grey ? "/ColorSpace /DeviceGray" : "/ColorSpace /DeviceRGB");
    WriteLine(out, "/BitsPerComponent 8");
    WriteLine(out, "/Filter /DCTDecode");
    WriteLine(out, "/Width " + QByteArray::number(width));
    WriteLine(out, "/Height " + QByteArray::number(height));
    if (isTransparent)
        WriteLine(out, "/SMask " + ObjRef(maskId));
    WriteLine(out, "/Length " + QByteArray::number(jpeg.size()));
    WriteLine(out, ">>");
    WriteLine(out, "stream");
    WriteRaw(out, encrypted(poh, jpeg, no));
    WriteLine(out, "");
    WriteLine(out, "endstream");
    WriteLine(out, "endobj");
    return index;
}

void OutSoftMask(TPDFObjectsHelper &poh, const TMaskArray &mask, int width, int height, const QByteArray &jpeg,
                 int &imageIndex, int32_t &maskId, TvdxPDFXObjectHash &imageKey)
{
    QIODevice &out = pdfOf(poh);
    const TvdxPDFXObjectHash maskKey = StreamDigest(mask);
    const int found = FindXObject(poh, maskKey);
    if (found >= 0) {
        maskId = poh.FXObjects->GetId(found);
    } else {
        maskId = poh.UpdateXRef();
        poh.FXObjects->Add(maskId, maskKey);
        WriteLine(out, ObjHeader(maskId));
        WriteLine(out, "<< /Type /XObject");
        WriteLine(out, "/Subtype /Image");
        WriteLine(out, "/Width " + QByteArray::number(width));
        WriteLine(out, "/Height " + QByteArray::number(height));
        WriteLine(out, "/ColorSpace /DeviceGray/Matte[ 0 0 0] ");
        WriteLine(out, "/BitsPerComponent 8");
        WriteLine(out, "/Interpolate false");
        WriteLine(out, " /Length " + QByteArray::number(mask.size()) + " >>");
        WriteLine(out, "stream");
        WriteRaw(out, encrypted(poh, mask, maskId));
        WriteRaw(out, "\r\nendstream\r\n");
        WriteLine(out, "endobj");
    }
    imageKey = StreamDigest(mask + jpeg);
    imageIndex = FindXObject(poh, imageKey);
}

int OutJpegImage(TPDFObjectsHelper &poh, const QImage &image, bool grey, const TMaskArray &mask)
{
    QImage flat = image.convertToFormat(QImage::Format_RGB32);
    const int quality = std::clamp(grey ? poh.FQuality + 5 : poh.FQuality, 1, 100);
    const QByteArray jpeg = TJPEGImage::EncodeImage(flat, quality, grey);
    const bool masked = !mask.isEmpty() && mask.size() == qsizetype(flat.width()) * flat.height();
    if (masked) {
        int index = -1;
        int32_t maskId = 0;
        TvdxPDFXObjectHash key{};
        OutSoftMask(poh, mask, flat.width(), flat.height(), jpeg, index, maskId, key);
        if (index < 0)
            index = OutXObjectImage(poh, key, jpeg, flat.width(), flat.height(), grey, true, maskId);
        return index;
    }
    const TvdxPDFXObjectHash key = StreamDigest(jpeg);
    const int index = FindXObject(poh, key);
    return index >= 0 ? index : OutXObjectImage(poh, key, jpeg, flat.width(), flat.height(), grey, false, 0);
}

int OutTransparentGraphic(TPDFObjectsHelper &poh, const QImage &image)
{
    QImage onWhite(image.size(), QImage::Format_RGB32);
    onWhite.fill(Qt::white);
    {
        QPainter p(&onWhite);
        p.drawImage(0, 0, image);
    }
    return OutJpegImage(poh, onWhite, false, MakeAlphaMask(image));
}

int OutPattern(TPDFObjectsHelper &poh, int picIndex, int width, int height)
{
    QIODevice &out = pdfOf(poh);
    const TvdxPDFXObjectHash key = StreamDigest(le32(picIndex) + le32(width) + le32(height));
    const int found = FindXObject(poh, key);
    int32_t no = 0;
    if (found >= 0) {
        no = poh.FXObjects->GetId(found);
    } else {
        no = poh.UpdateXRef();
        poh.FXObjects->Add(no, key);
        const QByteArray content = "q /Im" + QByteArray::number(picIndex) + " Do Q\r\n";
        const QByteArray im = QByteArray::number(picIndex);
        WriteLine(out, ObjHeader(no));
        WriteLine(out, "<<");
        WriteLine(out, "/Type /Pattern");
        WriteLine(out, "/PatternType 1");
        WriteLine(out, "/PaintType 1");
        WriteLine(out, "/TilingType 2");
        WriteLine(out, "/BBox [0 0 1 1]");
        WriteLine(out, "/XStep 1");
        WriteLine(out, "/YStep 1");
        WriteLine(out, "/Resources << /XObject << /Im" + im + ' ' + ObjRef(poh.FXObjects->GetId(picIndex)) + " >> >>");
        WriteLine(out, "/Matrix [" + QByteArray::number(width) + " 0 0 " + QByteArray::number(height) + " 0 0]");
        WriteLine(out, "/Length " + QByteArray::number(content.size()));
        WriteLine(out, ">>");
        WriteLine(out, "stream");
        WriteRaw(out, encrypted(poh, content, no));
        WriteLine(out, "");
        WriteLine(out, "endstream");
        WriteLine(out, "endobj");
    }
    if (poh.FPageXObjects)
        poh.FPageXObjects->Add(picIndex);
    return poh.FPatterns ? poh.FPatterns->Add(no) : 0;
}

TMaskArray MakeColorKeyMask(const QImage &image, uint32_t keyColour)
{
    const QImage img = image.convertToFormat(QImage::Format_RGB32);
    const QRgb key = qRgb(keyColour & 0xFF, (keyColour >> 8) & 0xFF, (keyColour >> 16) & 0xFF) & 0xFFFFFF;
    TMaskArray mask(qsizetype(img.width()) * img.height(), '\xFF');
    char *m = mask.data();
    for (int y = 0; y < img.height(); ++y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x, ++m)
            if ((row[x] & 0xFFFFFF) == key)
                *m = 0;
    }
    return mask;
}

TMaskArray MakeAlphaMask(const QImage &image)
{
    const QImage img = image.convertToFormat(QImage::Format_ARGB32);
    TMaskArray mask(qsizetype(img.width()) * img.height(), '\0');
    char *m = mask.data();
    for (int y = 0; y < img.height(); ++y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x)
            *m++ = char(qAlpha(row[x]));
    }
    return mask;
}

void OutPageXObjects(QIODevice &stream, TPDFObjectsHelper &poh)
{
    if (!poh.FPageXObjects || !poh.FXObjects || poh.FPageXObjects->Count() == 0)
        return;
    WriteRaw(stream, "/XObject << ");
    for (int i = 0; i < poh.FPageXObjects->Count(); ++i) {
        const int index = poh.FPageXObjects->GetNo(i);
        WriteRaw(stream, "/Im" + QByteArray::number(index) + ' ' + ObjRef(poh.FXObjects->GetId(index)) + ' ');
    }
    WriteLine(stream, ">>");
}

void OutPagePatterns(QIODevice &stream, TPDFObjectsHelper &poh)
{
    if (!poh.FPatterns || poh.FPatterns->Count() == 0)
        return;
    WriteRaw(stream, "/Pattern << ");
    for (int i = 0; i < poh.FPatterns->Count(); ++i)
        WriteRaw(stream, "/P" + QByteArray::number(i) + ' ' + ObjRef(poh.FPatterns->GetNo(i)) + ' ');
    WriteLine(stream, ">>");
}
