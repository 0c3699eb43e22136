// Helpers of the 2D barcode tests: drawing an engine onto an image.
#pragma once
#include "barcode/vdxBarcode2DBase.h"
#include "platform/QPainterCanvas.h"

#include <QImage>
#include <QProcess>
#include <QStandardPaths>

inline QImage renderEngine(TvdxBarcode2DBase &engine, int margin = 20, double scale = 1.0)
{
    const int w = int(engine.Width() * engine.Zoom() * scale) + 2 * margin + 200;
    const int h = int(engine.Height() * engine.Zoom() * scale) + 2 * margin + 200;
    QImage image(std::max(w, h), std::max(w, h), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainterCanvas canvas(image);
    engine.Draw2DBarcode(canvas, scale, scale, margin + 100, margin + 100);
    return image;
}

inline bool isDark(const QImage &image, int x, int y) { return qGray(image.pixel(x, y)) < 128; }

// Bounding box of the dark pixels.
inline QRect darkBounds(const QImage &image)
{
    QRect r;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (isDark(image, x, y))
                r = r.isNull() ? QRect(x, y, 1, 1) : r.united(QRect(x, y, 1, 1));
    return r;
}

// zint's module rows for a symbol ("--dump"), or an empty list when zint is
// not installed.
inline QStringList zintDump(const QStringList &args)
{
    const QString zint = QStandardPaths::findExecutable(QStringLiteral("zint"));
    if (zint.isEmpty())
        return {};
    QProcess p;
    p.start(zint, QStringList(args) << QStringLiteral("--dump"));
    p.waitForFinished(30000);
    QStringList rows;
    for (const QByteArray &line : p.readAllStandardOutput().split('\n')) {
        const QByteArray t = line.trimmed();
        if (t.isEmpty())
            continue;
        QString bits;
        for (const QByteArray &hex : t.split(' '))
            if (!hex.isEmpty())
                bits += QString::number(hex.toUInt(nullptr, 16), 2).rightJustified(hex.size() * 4, u'0');
        rows << bits;
    }
    return rows;
}
