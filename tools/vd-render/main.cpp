// vd-render TEMPLATE OUT.png|OUT.emf [--page N] [--scale S]
// Draws the views of one report page of a template as they print: onto a
// PNG image or into an enhanced metafile.
#include "platform/EmfRecorderCanvas.h"
#include "platform/QPainterCanvas.h"
#include "report/vdxClass.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <cmath>
#include <cstdio>

namespace {

int usage()
{
    std::fprintf(stderr, "usage: vd-render TEMPLATE OUT.png|OUT.emf [--page N] [--scale S]\n");
    return 2;
}

void drawViews(Canvas &canvas, const QList<TvdxView *> &views, double scale)
{
    for (TvdxView *v : views) {
        if (!v->Visible() || !v->Printable())
            continue;
        canvas.SaveDC();
        v->Draw(canvas, scale, scale, 0, 0);
        canvas.RestoreDC();
    }
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    QStringList files;
    int pageNo = 1;
    double scale = 1;
    for (int i = 1; i < args.size(); ++i) {
        bool ok = true;
        if (args[i] == QLatin1String("--page") && i + 1 < args.size())
            pageNo = args[++i].toInt(&ok);
        else if (args[i] == QLatin1String("--scale") && i + 1 < args.size())
            scale = args[++i].toDouble(&ok);
        else
            files << args[i];
        if (!ok)
            return usage();
    }
    if (files.size() != 2 || pageNo < 1 || !(scale > 0) || scale > 50)
        return usage();

    TvdxReport report;
    report.SetSilentMode(int(TvdxEngineOptions::simSilent));
    if (!report.LoadFromFile(files[0])) {
        std::fprintf(stderr, "vd-render: cannot load %s: %s\n", qPrintable(files[0]),
                     qPrintable(report.ErrorMessage()));
        return 1;
    }
    QList<TvdxReportPage *> pages;
    for (int i = 0; i < report.PagesCount(); ++i)
        if (auto *p = qobject_cast<TvdxReportPage *>(report.Pages(i)))
            pages << p;
    if (pageNo > pages.size()) {
        std::fprintf(stderr, "vd-render: the template has %d report page(s)\n", int(pages.size()));
        return 1;
    }
    QList<TvdxView *> views;
    double right = 1, bottom = 1;
    for (TvdxComponent *c : pages[pageNo - 1]->AllObjects())
        if (auto *v = qobject_cast<TvdxView *>(c)) {
            views << v;
            right = std::max(right, double(v->AbsLeft() + std::max<long double>(v->Width(), 0)) + 4);
            bottom = std::max(bottom, double(v->AbsTop() + std::max<long double>(v->Height(), 0)) + 4);
        }
    const int w = std::max(1, int(std::ceil(right * scale)));
    const int h = std::max(1, int(std::ceil(bottom * scale)));
    if (qint64(w) * h > 20000LL * 20000LL) {
        std::fprintf(stderr, "vd-render: the page is too large to draw\n");
        return 1;
    }

    if (files[1].endsWith(QLatin1String(".emf"), Qt::CaseInsensitive)) {
        EmfRecorderCanvas canvas(w, h);
        drawViews(canvas, views, scale);
        QFile f(files[1]);
        if (!f.open(QIODevice::WriteOnly) || f.write(canvas.finish()) < 0) {
            std::fprintf(stderr, "vd-render: cannot write %s\n", qPrintable(files[1]));
            return 1;
        }
        return 0;
    }
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainterCanvas canvas(img);
        drawViews(canvas, views, scale);
    }
    if (!img.save(files[1], "PNG")) {
        std::fprintf(stderr, "vd-render: cannot write %s\n", qPrintable(files[1]));
        return 1;
    }
    return 0;
}
