#include "export/pdf/emf/vdxPDFViewPictures.h"

#include "core/vdGraphicUtils.h"
#include "core/vdPictureGraphics.h"
#include "export/pdf/emf/vdxEMFtoPDFExport.h"
#include "export/pdf/emf/vdxPDFImages.h"
#include "export/pdf/vdxExportHelpers.h"
#include "export/pdf/vdxExportPDF.h"
#include "platform/QPainterCanvas.h"
#include "report/vdxClass_frame.h"
#include "report/vdxClass_line.h"
#include "report/vdxClass_memo.h"
#include "report/vdxClass_picture.h"
#include "report/vdxClass_shape.h"
#include "report/vdxClass_signature.h"

#include <QBuffer>
#include <QPainter>
#include <cmath>
#include <memory>

namespace {

// Largest raster a view becomes; beyond it the resolution is lowered.
constexpr double kMaxRasterPixels = 64.0 * 1024 * 1024;

int toInt(double v) { return int(std::nearbyint(v)); }

QString className(TvdxView *view) { return QString::fromLatin1(view->metaObject()->className()); }

// Keeps the frame out of the raster and puts it back however drawing ends.
class FrameWidthOff {
public:
    explicit FrameWidthOff(TvdxFrame *frame) : m_frame(frame), m_width(frame->Width())
    {
        if (m_width > 0)
            m_frame->SetWidth(0);
    }
    ~FrameWidthOff() { Restore(); }
    void Restore()
    {
        if (m_width > 0)
            m_frame->SetWidth(m_width);
        m_width = 0;
    }
    FrameWidthOff(const FrameWidthOff &) = delete;
    FrameWidthOff &operator=(const FrameWidthOff &) = delete;

private:
    TvdxFrame *m_frame;
    double m_width;
};

} // namespace

int OutPicture(TvdxPDFExport &filter, TvdxPDFDocument &doc, TvdxView *view)
{
    TPDFObjectsHelper &poh = doc.POH();
    const bool formMode = poh.IsBBoxRelative();
    FrameWidthOff frameOff(view->Frame());
    filter.WriteFill(view);
    auto finish = [&](int index) {
        frameOff.Restore();
        if (!formMode)
            filter.WriteFrame(view->Frame(), filter.ViewToPdfRect(view));
        return index;
    };

    auto *picture = qobject_cast<TvdxPictureView *>(view);
    TGraphic *graphic = picture ? picture->GetGraphic() : nullptr;
    if (picture && (!graphic || graphic->Empty()))
        return finish(-1);

    // What the raster needs to be transparent.
    const bool signature = qobject_cast<TvdxDigitalSignatureView *>(view) != nullptr;
    const bool transparency = filter.Transparency();
    uint32_t keyColour = 0xFFFFFF;
    bool isVector = false, hasMask = true, hasAlpha = false, isTranslucent = false, useTransparency = false;
    if (picture) {
        const TvdxCustomGraphicFormat *format = GetGraphicFormats()->FindByGraphic(&graphic->graphicClass());
        keyColour = picture->TransparentColor();
        if (keyColour == uint32_t(clNone) && format)
            keyColour = format->GetTransparentColor(graphic);
        isVector = picture->GraphicIsVector();
        hasMask = (picture->TransparentColor() != clNone && picture->Transparent())
                  || (format && format->HasMaskColor(graphic));
        hasAlpha = format && format->HasAlphaChanel(graphic);
        isTranslucent = format && format->IsTranslucent();
        useTransparency = transparency && (hasMask || hasAlpha) && !signature;
    } else {
        useTransparency = view->Color() == clNone && transparency;
    }
    keyColour = uint32_t(ColorToRGB(TColor(keyColour))) & 0xFFFFFF;

    // Geometry in report pixels.
    TvdRectF rb = view->GetRealBounds();
    double absLeft = double(view->AbsLeft()), absTop = double(view->AbsTop());
    const double vw = double(view->Width()), vh = double(view->Height());
    const double W = double(rb.Right) - rb.Left, H = double(rb.Bottom) - rb.Top;
    if (formMode) {
        rb = TvdRectF{0, 0, float(W), float(H)};
        absLeft = absTop = 0;
    }
    auto inset = [](double size, double own, double abs, double lo, double hi) {
        if (size == own || abs == lo)
            return 0.0;
        if (abs + own == hi)
            return size - own;
        return (size - own) / 2;
    };
    const double X = absLeft - inset(W, vw, absLeft, rb.Left, rb.Right);
    const double Y = absTop - inset(H, vh, absTop, rb.Top, rb.Bottom);

    double s = 1;
    const auto brush = view->BrushStyle();
    const bool solidOrClear = brush == TvdxCustomFill::bsSolid || brush == TvdxCustomFill::bsClear;
    if (view->inherits("TvdxCustomMemoView") && solidOrClear)
        s = 3;
    else if (className(view) == QLatin1String("TvdxBarCodeView"))
        s = 2;
    if (picture) {
        const double gp = double(picture->GraphicWidth()) * picture->GraphicHeight();
        if (W * H > 0 && gp > W * H)
            s *= std::sqrt(gp / (W * H));
    }
    if (W * H * s * s > kMaxRasterPixels)
        s = std::sqrt(kMaxRasterPixels / (W * H));
    const int iw = toInt(W * s), ih = toInt(H * s);
    if (iw < 1 || ih < 1)
        return finish(-1);

    QImage img(iw, ih, QImage::Format_ARGB32_Premultiplied);
    if (useTransparency && (!isVector || isTranslucent)) {
        if (isVector && isTranslucent)
            img.fill(Qt::black);
        else if (hasAlpha && !hasMask)
            img.fill(Qt::transparent);
        else
            img.fill(QColor(keyColour & 0xFF, (keyColour >> 8) & 0xFF, (keyColour >> 16) & 0xFF));
    } else {
        img.fill(hasAlpha && useTransparency ? Qt::transparent : Qt::white);
    }
    {
        QPainterCanvas canvas(img);
        // What was drawn before a failure is still exported.
        try {
            const double offX = formMode ? -double(view->AbsLeft()) * s : -std::trunc(X * s);
            const double offY = formMode ? -double(view->AbsTop()) * s : -std::trunc(Y * s);
            view->DrawClipped(canvas, s, s, offX, offY);
        } catch (...) {
        }
    }

    TMaskArray mask;
    if (useTransparency) {
        if (hasMask)
            mask = MakeColorKeyMask(img, keyColour);
        else if (hasAlpha)
            mask = MakeAlphaMask(img);
    }
    if (hasAlpha) {
        // Transparent pixels carry no colour; show them on white.
        QImage onWhite(img.size(), QImage::Format_RGB32);
        onWhite.fill(Qt::white);
        QPainter p(&onWhite);
        p.drawImage(0, 0, img);
        p.end();
        img = onWhite;
    }
    const bool grey = className(view) == QLatin1String("TvdxBarCodeView") || qobject_cast<TvdxCustomLineView *>(view)
                      || qobject_cast<TvdxShapeView *>(view);
    const int index = OutJpegImage(poh, img, grey, mask);
    if (poh.FPageXObjects)
        poh.FPageXObjects->Add(index);
    filter.WriteOp(QStringLiteral("q"));
    filter.WriteOp(Fixed2(W * 0.75) + QStringLiteral(" 0 0 ") + Fixed2(H * 0.75) + u' ' + Fixed2(filter.PdfX(X)) + u' '
                   + Fixed2(filter.PdfY(Y + H)) + QStringLiteral(" cm"));
    filter.WriteOp(QStringLiteral("/Im%1 Do").arg(index));
    filter.WriteOp(QStringLiteral("Q"));
    return finish(index);
}

void DrawViewAsMetafile(TvdxPDFExport &filter, TvdxPDFDocument &doc, TvdxView *view, bool appearance)
{
    if (!view->IsEMFExportable())
        return;
    filter.WriteFill(view);
    std::unique_ptr<TvdxMetafile> mf(view->GetVectorGraphic(false));
    QByteArray bytes = mf ? mf->Data() : QByteArray();
    if (!bytes.isEmpty()) {
        TvdRectF b = view->GetRealBounds();
        if (doc.POH().IsBBoxRelative())
            b = TvdRectF{0, 0, b.Right - b.Left, b.Bottom - b.Top};
        const TPdfRect rect{filter.PdfX(b.Left), filter.PdfY(b.Top), filter.PdfX(b.Right), filter.PdfY(b.Bottom)};
        QBuffer in(&bytes);
        in.open(QIODevice::ReadOnly);
        TEMFtoPDFExport player(in, doc.OutStream(), rect, doc.POH());
        const QString cls = className(view).toUpper();
        player.ForceMitterLineJoin = player.ForceButtLineCap
            = cls == QLatin1String("TVDXBARCODEVIEW") || cls == QLatin1String("TVDXBARCODE2DVIEW");
        player.ForceNullBrush = qobject_cast<TvdxShapeView *>(view) != nullptr;
        player.Transparency = filter.Transparency();
        player.ForceAnsi = filter.IsPDFA() && cls == QLatin1String("TVDXCHECKBOXVIEW");
        auto *memo = qobject_cast<TvdxMemoView *>(view);
        player.Clipped = !(memo && !memo->Clipped());
        player.PlayMetaFile();
    }
    if (!appearance)
        filter.WriteFrame(view->Frame(), filter.ViewToPdfRect(view));
}
