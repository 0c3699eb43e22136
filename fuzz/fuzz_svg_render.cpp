// SVG text loaded as a picture, prepared and painted on both canvas back
// ends (an image and the EMF recorder), with its tree and paths listed.
#include "FuzzApplication.h"
#include "platform/EmfRecorderCanvas.h"
#include "platform/Exception.h"
#include "platform/QPainterCanvas.h"
#include "svg/vdSVGDump.h"
#include "svg/vdSVGGraphic.h"

#include <QImage>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ensureFuzzApplication();
    TvdxSVGGraphic g;
    // Loading drops what the reader raises; the picture is then empty.
    g.LoadFromText(QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (g.Empty())
        return 0;
    (void)g.Width();
    (void)g.Height();
    try {
        (void)SVGDumpTree(g.RootObj(), true);
    } catch (const Exception &) {
        // Listing an attribute the element does not accept is refused.
    }
    // Drawing never raises.
    QImage image(48, 48, QImage::Format_ARGB32_Premultiplied);
    image.fill(0);
    {
        QPainterCanvas canvas(image);
        g.Draw(canvas, TRect(0, 0, 48, 48));
    }
    EmfRecorderCanvas emf(48, 48);
    g.Draw(emf, TRect(0, 0, 48, 48));
    (void)emf.finish();
    return 0;
}
