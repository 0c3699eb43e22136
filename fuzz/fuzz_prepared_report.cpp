// Loads arbitrary bytes as a prepared report: a bad file ends as an error of
// the load or as pages that do not build, never as a crash, a hang or a huge
// allocation. What loads builds every page, exports through the trace filter
// and saves again.
#include "engine/vdxPreviewPages.h"
#include "engine/vdxTraceExport.h"
#include "fuzz/FuzzApplication.h"
#include "report/vdxClass.h"

#include <QBuffer>
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
