// Small pieces the benchmarks share: process memory figures and the long
// prepared report of one-band pages.
#pragma once

#include "engine/vdxPreviewPages.h"
#include "report/vdxClass_memo.h"
#include "report/vdxClass_report.h"
#include "report/vdxClass_view.h"

#include <QFile>
#include <QList>

namespace vdbench {

// A value of /proc/self/status ("VmRSS:", "VmHWM:"), in MiB.
inline double procStatusMiB(const char *key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key))).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

// Writes `pages` pages into the report's store as the engine does: each page
// one band of four text objects with the row's texts. The page, band and
// memos are owned by `report`.
inline TvdxPreviewPages &fillLongReport(TvdxReport &report, int pages)
{
    report.Engine()->FinalPass = true;
    auto *page = new TvdxReportPage(&report);
    page->SetName(QStringLiteral("Page1"));
    auto *band = new TvdxBand(page);
    band->SetName(QStringLiteral("MasterData1"));
    band->SetBounds(0, 0, 378, 94);
    QList<TvdxMemoView *> memos;
    for (int i = 0; i < 4; ++i) {
        auto *m = new TvdxMemoView(band);
        m->SetName(QStringLiteral("Memo%1").arg(i + 1));
        m->SetBounds(8, 4 + i * 22, 360, 20);
        memos.append(m);
    }
    auto &store = *dynamic_cast<TvdxPreviewPages *>(report.PreviewPages());
    store.Initialize();
    store.AddSourcePage(page);
    for (int p = 0; p < pages; ++p) {
        store.AddPage(page);
        for (int i = 0; i < 4; ++i)
            memos[i]->SetText(QStringLiteral("Row %1 field %2").arg(p).arg(i));
        store.AddObject(band);
    }
    return store;
}

} // namespace vdbench
