#include "LinearRender.h"
#include "barcode/vdxBarcode.h"
#include "platform/QPainterCanvas.h"

#include <cmath>

QImage RenderLinear(TvdxBarcode &barcode, const LinearRenderOptions &o)
{
    const int W = barcode.Width();
    const int angle = int(std::lround(barcode.Angle)) % 360;
    const bool vertical = angle == 90 || angle == 270 || angle == -90 || angle == -270;
    const int along = W * o.module;
    const int across = o.height * o.module;
    const int m = o.margin * o.module;
    const int w = (vertical ? across : along) + 2 * m;
    const int h = (vertical ? along : across) + 2 * m;
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainterCanvas canvas(image);
    canvas.setAntialiasing(false);
    barcode.DrawBarcode(canvas, TRect(m, m, w - m, h - m), o.showText);
    return image;
}
