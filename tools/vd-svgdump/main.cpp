// vd-svgdump [--paths] file.svg: prints the resolved element tree of an SVG
// file, with each element's geometry when asked.
#include "platform/Exception.h"
#include "svg/vdSVGDump.h"
#include "svg/vdSVGEnvironment.h"
#include "svg/vdSVGRoot.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Text geometry needs the font machinery of a GUI application.
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments();
    args.removeFirst();
    const bool paths = args.removeAll(QStringLiteral("--paths")) > 0;
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: vd-svgdump [--paths] file.svg\n");
        return 2;
    }
    try {
        TSVGEnvironment::SetBaseDirectory(QFileInfo(args.at(0)).absolutePath());
        TSVGRootObj root;
        root.LoadFromFile(args.at(0));
        const QByteArray out = SVGDumpTree(root, paths).toUtf8();
        std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    } catch (const Exception &e) {
        std::fprintf(stderr, "vd-svgdump: %s\n", e.what());
        return 1;
    }
    return 0;
}
