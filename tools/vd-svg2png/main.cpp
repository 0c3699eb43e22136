// vd-svg2png in.svg out W H: loads an SVG picture through the picture-format
// registry and draws it W x H. The suffix of out picks the format: ".emf"
// records an enhanced metafile, ".ppm" (on white), ".png" and the other
// image formats draw on an image.
#include "core/vdPictureGraphics.h"
#include "platform/EmfRecorderCanvas.h"
#include "platform/Exception.h"
#include "platform/QPainterCanvas.h"
#include "svg/vdSVGEnvironment.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>
#include <cstdio>

namespace {

int fail(const QString &message)
{
    std::fprintf(stderr, "vd-svg2png: %s\n", qPrintable(message));
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    bool okW = false, okH = false;
    const int w = args.size() == 5 ? args.at(3).toInt(&okW) : 0;
    const int h = args.size() == 5 ? args.at(4).toInt(&okH) : 0;
    if (args.size() != 5 || !okW || !okH || w <= 0 || h <= 0 || w > 16384 || h > 16384) {
        std::fprintf(stderr, "usage: vd-svg2png in.svg out.png|.ppm|.emf W H\n");
        return 2;
    }
    const QString in = args.at(1), out = args.at(2);
    const QString suffix = QFileInfo(out).suffix().toLower();
    try {
        TSVGEnvironment::SetBaseDirectory(QFileInfo(in).absolutePath());
        QFile f(in);
        if (!f.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("cannot open %1: %2").arg(in, f.errorString()));
        std::unique_ptr<TGraphic> g = GetGraphicFormats()->LoadFromStream(f);
        if (!g)
            return fail(QStringLiteral("%1 is no picture the registry knows").arg(in));
        const TRect rect(0, 0, w, h);
        if (suffix == QLatin1String("emf")) {
            EmfRecorderCanvas canvas(w, h);
            GetGraphicFormats()->Draw(canvas, g.get(), rect, gqHiQuality);
            QFile o(out);
            if (!o.open(QIODevice::WriteOnly) || o.write(canvas.finish()) < 0)
                return fail(QStringLiteral("cannot write %1").arg(out));
            return 0;
        }
        QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
        // Formats without alpha show the drawing on white.
        image.fill(suffix == QLatin1String("png") ? Qt::transparent : Qt::white);
        {
            QPainterCanvas canvas(image);
            GetGraphicFormats()->Draw(canvas, g.get(), rect, gqHiQuality);
        }
        QImageWriter writer(out, suffix.toLatin1());
        if (!writer.write(suffix == QLatin1String("png") ? image : image.convertToFormat(QImage::Format_RGB888)))
            return fail(QStringLiteral("cannot write %1: %2").arg(out, writer.errorString()));
    } catch (const Exception &e) {
        return fail(QString::fromUtf8(e.what()));
    }
    return 0;
}
