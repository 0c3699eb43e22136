// A drawing used by several canvas tests: shapes, text and a bitmap with
// well-separated colours so that outputs can be checked by colour.
#pragma once
#include "common/TestSupport.h"
#include "platform/Canvas.h"
#include <QImage>
#include <QProcess>
#include <QStringList>
#include <QXmlStreamReader>

namespace canvastest {

inline QImage checkerImage()
{
    QImage img(8, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            img.setPixel(x, y, ((x / 2 + y / 2) % 2) ? qRgb(255, 0, 255) : qRgb(0, 255, 255));
    return img;
}

// 200 x 150 logical units.
inline void drawScene(Canvas &c)
{
    c.brush().color = clWhite;
    c.FillRect(TRect(0, 0, 200, 150));

    c.pen().color = clBlack;
    c.pen().width = 1;
    c.brush().color = clRed;
    c.Rectangle(TRect(10, 10, 60, 50));

    c.pen().style = PenStyle::Null;
    c.brush().color = clBlue;
    c.Ellipse(TRect(70, 10, 130, 50));

    c.pen().style = PenStyle::Solid;
    c.pen().color = clLime;
    c.pen().width = 3;
    c.Polyline({TPoint(140, 10), TPoint(190, 30), TPoint(140, 50)});

    c.pen().width = 1;
    c.pen().color = clNavy;
    c.brush().color = clYellow;
    c.Polygon({TPoint(10, 60), TPoint(60, 60), TPoint(35, 100)});

    c.StretchDraw(TRect(70, 60, 102, 92), checkerImage());

    c.SetBkMode(BkMode::Transparent);
    c.SetTextColor(clMaroon);
    c.font().name = QStringLiteral("Arial");
    c.font().height = -20;
    c.TextOut(110, 60, QStringLiteral("Vendari"));

    c.pen().color = clPurple;
    c.MoveTo(10, 120);
    c.LineTo(190, 120);
}

// Share of pixels whose colour differs by more than tol in any channel.
inline double differingShare(const QImage &a, const QImage &b, int tol = 8)
{
    if (a.size() != b.size())
        return 1.0;
    QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
    qint64 diff = 0;
    for (int r = 0; r < x.height(); ++r)
        for (int c = 0; c < x.width(); ++c) {
            QRgb p = x.pixel(c, r), q = y.pixel(c, r);
            if (std::abs(qRed(p) - qRed(q)) > tol || std::abs(qGreen(p) - qGreen(q)) > tol ||
                std::abs(qBlue(p) - qBlue(q)) > tol)
                ++diff;
        }
    return double(diff) / (double(x.width()) * x.height());
}

inline int countColor(const QImage &img, QRgb color, int tol = 8)
{
    int n = 0;
    QImage x = img.convertToFormat(QImage::Format_RGB32);
    for (int r = 0; r < x.height(); ++r)
        for (int c = 0; c < x.width(); ++c) {
            QRgb p = x.pixel(c, r);
            if (std::abs(qRed(p) - qRed(color)) <= tol && std::abs(qGreen(p) - qGreen(color)) <= tol &&
                std::abs(qBlue(p) - qBlue(color)) <= tol)
                ++n;
        }
    return n;
}

// Runs the external converter; empty when it failed.
inline QString toSvg(const QByteArray &emf)
{
    vdtest::TempDir dir;
    const QString in = dir.file(QStringLiteral("in.emf")), out = dir.file(QStringLiteral("out.svg"));
    vdtest::writeFile(in, emf);
    QProcess p;
    p.start(QStringLiteral("emf2svg-conv"), {QStringLiteral("-i"), in, QStringLiteral("-o"), out});
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QString();
    return QString::fromUtf8(vdtest::readFile(out));
}

// Element names of a well-formed SVG; empty when it does not parse.
inline QStringList svgElements(const QString &svg)
{
    QStringList names;
    QXmlStreamReader xml(svg);
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement)
            names.append(xml.name().toString());
    if (xml.hasError())
        return {};
    return names;
}

} // namespace canvastest
