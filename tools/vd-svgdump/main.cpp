// vd-svgdump file.svg: prints the resolved element tree of an SVG file.
#include "platform/Exception.h"
#include "svg/vdSVGDump.h"
#include "svg/vdSVGRoot.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: vd-svgdump file.svg\n");
        return 2;
    }
    try {
        TSVGRootObj root;
        root.LoadFromFile(args.at(1));
        const QByteArray out = SVGDumpTree(root).toUtf8();
        std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    } catch (const Exception &e) {
        std::fprintf(stderr, "vd-svgdump: %s\n", e.what());
        return 1;
    }
    return 0;
}
