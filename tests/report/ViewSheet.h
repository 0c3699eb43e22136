// Shared by the view tests: a report with one page and band to put views on,
// saved bytes, blank images and small pictures.
#pragma once
#include "report/vdxClass.h"

#include <QBuffer>
#include <QImage>

namespace vdtest {

struct ViewSheet {
    TvdxReport report;
    TvdxReportPage *page = new TvdxReportPage(&report);
    TvdxBand *band = new TvdxBand(page);
    int count = 0;
    ViewSheet()
    {
        page->SetName(QStringLiteral("Page1"));
        band->SetName(QStringLiteral("Band1"));
    }
    // Named View1, View2... unless a name is given.
    template <class T>
    T *add(double l, double t, double w, double h, const QString &name = QString())
    {
        auto *v = new T(band);
        v->SetBounds(l, t, w, h);
        v->SetName(name.isEmpty() ? QStringLiteral("View%1").arg(++count) : name);
        return v;
    }
};

inline QByteArray saveBytes(TvdxComponent &c)
{
    QBuffer b;
    b.open(QIODevice::ReadWrite);
    c.SaveToStream(b);
    return b.data();
}

inline QImage whiteImage(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
}

// A PNG file of one colour.
inline QByteArray pngBytes(int w, int h, Qt::GlobalColor color = Qt::red)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(color);
    QByteArray out;
    QBuffer b(&out);
    b.open(QIODevice::WriteOnly);
    img.save(&b, "PNG");
    return out;
}

} // namespace vdtest
