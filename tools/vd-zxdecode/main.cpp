// vd-zxdecode FILE [--code39-extended] [--format | --bytes]: prints each
// barcode zxing-cpp finds in the image, one decoded text per line; --bytes
// writes the first symbol's content bytes unchanged instead.
#include "ZxingDecode.h"

#include <QGuiApplication>
#include <QImage>
#include <cstdio>

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QString file;
    ZxingOptions options;
    bool verbose = false, bytes = false;
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if (a == QLatin1String("--code39-extended"))
            options.code39Extended = true;
        else if (a == QLatin1String("--format"))
            verbose = true;
        else if (a == QLatin1String("--bytes"))
            bytes = true;
        else if (a == QLatin1String("--single"))
            options.single = true;
        else
            file = a;
    }
    if (file.isEmpty()) {
        std::fprintf(stderr, "usage: vd-zxdecode FILE [--code39-extended] [--format | --bytes] [--single]\n");
        return 2;
    }
    QImage image(file);
    if (image.isNull()) {
        std::fprintf(stderr, "vd-zxdecode: cannot read %s\n", qPrintable(file));
        return 2;
    }
    const auto results = ZxingDecode(image, options);
    if (bytes) {
        if (results.isEmpty())
            return 1;
        const QByteArray &b = results.first().bytes;
        return std::fwrite(b.constData(), 1, size_t(b.size()), stdout) == size_t(b.size()) ? 0 : 1;
    }
    for (const auto &r : results) {
        if (verbose)
            std::printf("%s %s %s\n", qPrintable(r.format), qPrintable(r.symbology), r.text.toUtf8().constData());
        else
            std::printf("%s\n", r.text.toUtf8().constData());
    }
    return results.isEmpty() ? 1 : 0;
}
