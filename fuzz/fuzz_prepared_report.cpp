// Loads arbitrary bytes as a prepared report: a bad file ends as an error of
// the load or as pages that do not build, never as a crash, a hang or a huge
// allocation. What loads builds every page, exports through the trace filter
// and saves again; the first pages are drawn on an image and recorded as a
// metafile.
#include "engine/vdxPreviewPages.h"
#include "engine/vdxTraceExport.h"
#include "fuzz/FuzzApplication.h"
#include "platform/EmfRecorderCanvas.h"
#include "platform/QPainterCanvas.h"
#include "report/vdxClass.h"

#include <QBuffer>
#include <QImage>
#include <algorithm>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ensureFuzzApplication();
    static const bool registered = [] {
        vdxRegisterReportClasses();
        return true;
    }();
    (void)registered;
    if (size > 1 << 20)
        return 0;
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    TvdxReport report;
    report.SetSilentMode(1);
    report.PreviewOptions()->SetPagesInCache(2);
    TvdxCustomPreviewPages *pages = report.PreviewPages();
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    try {
        pages->LoadFromStream(in, size % 2 == 1);
    } catch (const Exception &) {
        return 0;
    }
    const int count = pages->Count();
    for (int i = 0; i < count && i < 200; ++i) {
        (void)pages->GetPageSize(i);
        (void)pages->GetPage(i);
    }
    // Drawn at a scale that keeps the canvas small whatever size the file claims.
    for (int i = 0; i < count && i < 20; ++i) {
        const QPointF size = pages->GetPageSize(i);
        const double w = std::clamp(size.x(), 1.0, 1e6), h = std::clamp(size.y(), 1.0, 1e6);
        const double scale = std::min(1.0, 400.0 / std::max(w, h));
        const int iw = std::max(1, int(w * scale)), ih = std::max(1, int(h * scale));
        QImage image(iw, ih, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        {
            QPainterCanvas canvas(image);
            pages->DrawPage(i, canvas, scale, scale, 0, 0);
        }
        EmfRecorderCanvas recorder(iw, ih, 96);
        pages->DrawPage(i, recorder, scale, scale, 0, 0);
        (void)recorder.finish();
    }

    TvdxTraceExport trace;
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    trace.SetStream(&out);
    trace.SetPageNumbers(QStringLiteral("1-200"));
    pages->Export(&trace);

    QBuffer saved;
    saved.open(QIODevice::ReadWrite);
    try {
        pages->SaveToStream(saved);
    } catch (const Exception &) {
        return 0;
    }
    saved.seek(0);
    TvdxReport again;
    again.SetSilentMode(1);
    try {
        again.PreviewPages()->LoadFromStream(saved);
    } catch (const Exception &) {
    }
    return 0;
}
