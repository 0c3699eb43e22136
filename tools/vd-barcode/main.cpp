// vd-barcode linear --type bcCode128 --text AB12345 [--checksum] [--ratio R]
//   [--rotation DEG] [--tokens | --modules | --png FILE [--module N] [--height H] [--no-text]]
// vd-barcode 2d ... and vd-barcode preset ...: see their command files.
// Encodes one linear symbol and prints its escaped text, its module string or
// the rewritten text, or draws it into a PNG file.
#include "LinearRender.h"
#include "barcode/vdxBarcode.h"
#include "platform/CodePage.h"

#include "Barcode2DCommand.h"
#include "PresetCommand.h"
#include <QGuiApplication>
#include <QMetaEnum>
#include <cstdio>

namespace {

int usage()
{
    std::fprintf(stderr,
                 "usage: vd-barcode linear --type TYPE --text TEXT [--checksum] [--ratio R] [--rotation DEG]\n"
                 "                  [--tokens | --modules | --png FILE [--module N] [--height H] [--no-text]]\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 2 && args[1] == QLatin1String("2d"))
        return RunBarcode2DCommand(args.mid(2));
    if (args.size() >= 2 && args[1] == QLatin1String("preset"))
        return RunPresetCommand(args.mid(2));
    if (args.size() < 2 || args[1] != QLatin1String("linear"))
        return usage();

    TvdxBarcode bc;
    QString png;
    LinearRenderOptions render;
    bool tokens = false, modules = false;
    const QMetaEnum types = QMetaEnum::fromType<TvdxBarcode::TvdxBarcodeType>();
    for (int i = 2; i < args.size(); ++i) {
        const QString &a = args[i];
        const bool hasValue = i + 1 < args.size();
        auto value = [&]() { return args[++i]; };
        if (a == QLatin1String("--type") && hasValue) {
            bool ok = false;
            const int t = types.keyToValue(value().toLatin1().constData(), &ok);
            if (!ok) {
                std::fprintf(stderr, "vd-barcode: unknown type %s\n", qPrintable(args[i]));
                return 2;
            }
            bc.SetTyp(TvdxBarcode::TvdxBarcodeType(t));
        } else if (a == QLatin1String("--text") && hasValue) {
            bc.Text = EncodeAnsi(value());
        } else if (a == QLatin1String("--checksum")) {
            bc.Checksum = true;
        } else if (a == QLatin1String("--ratio") && hasValue) {
            bc.Ratio = value().toDouble();
        } else if (a == QLatin1String("--rotation") && hasValue) {
            bc.Angle = value().toDouble();
        } else if (a == QLatin1String("--tokens")) {
            tokens = true;
        } else if (a == QLatin1String("--modules")) {
            modules = true;
        } else if (a == QLatin1String("--png") && hasValue) {
            png = value();
        } else if (a == QLatin1String("--module") && hasValue) {
            render.module = std::max(1, value().toInt());
        } else if (a == QLatin1String("--height") && hasValue) {
            render.height = std::max(1, value().toInt());
        } else if (a == QLatin1String("--no-text")) {
            render.showText = false;
        } else {
            return usage();
        }
    }

    try {
        if (tokens) {
            if (!TvdxBarcode::IsCode128Family(bc.Typ())) {
                std::fprintf(stderr, "vd-barcode: --tokens needs a Code 128 type\n");
                return 2;
            }
            bc.MakeModules();
            std::printf("%s\n", DecodeAnsi(bc.Code128Tokens()).toUtf8().constData());
        } else if (modules) {
            std::printf("%s\n", bc.MakeModules().constData());
        } else if (!png.isEmpty()) {
            const QImage image = RenderLinear(bc, render);
            if (!image.save(png, "PNG")) {
                std::fprintf(stderr, "vd-barcode: cannot write %s\n", qPrintable(png));
                return 1;
            }
        } else {
            const QByteArray m = bc.MakeModules();
            Q_UNUSED(m)
            std::printf("%s\n", DecodeAnsi(bc.Text).toUtf8().constData());
        }
    } catch (const Exception &e) {
        std::fprintf(stderr, "%s\n", e.message().toUtf8().constData());
        return 1;
    }
    return 0;
}
