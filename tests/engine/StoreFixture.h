// A report with one template page (a band holding two memos and a picture-less
// view) and its prepared-pages store, written to as the engine does.
#pragma once
#include "engine/vdxPreviewPages.h"
#include "report/vdxClass_memo.h"
#include "report/vdxClass_report.h"
#include "report/vdxClass_view.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

struct StoreFixture : ::testing::Test {
    StoreFixture()
    {
        report.Engine()->FinalPass = true;
        page = new TvdxReportPage(&report);
        page->SetName(QStringLiteral("Page1"));
        page->SetBounds(0, 0, 794, 1123);
        band = new TvdxBand(page);
        band->SetName(QStringLiteral("MasterData1"));
        band->SetBounds(0, 20, 700, 30);
        memo1 = new TvdxMemoView(band);
        memo1->SetName(QStringLiteral("Memo1"));
        memo1->SetBounds(10, 0, 100, 20);
        memo1->SetText(QStringLiteral("one"));
        memo2 = new TvdxMemoView(band);
        memo2->SetName(QStringLiteral("Memo2"));
        memo2->SetBounds(120, 0, 100, 20);
        memo2->SetText(QStringLiteral("two"));
    }

    TvdxPreviewPages &store() { return *dynamic_cast<TvdxPreviewPages *>(report.PreviewPages()); }
    TvdXMLItem *pageItem(int i) { return store().PagesItem()->Items(i); }
    // Places the band at Top on the current page, memo 1 showing Text.
    void placeBand(long double top, const QString &text = QStringLiteral("one"))
    {
        band->SetTop(top);
        memo1->SetText(text);
        store().AddObject(band);
        band->SetTop(20);
        memo1->SetText(QStringLiteral("one"));
    }
    void addPages(int n)
    {
        for (int i = 0; i < n; ++i) {
            store().AddPage(page);
            placeBand(20);
        }
    }
    QByteArray xml()
    {
        QBuffer b;
        b.open(QIODevice::WriteOnly);
        store().XMLDoc()->SaveToStream(b);
        return b.data();
    }

    TvdxReport report;
    TvdxReportPage *page;
    TvdxBand *band;
    TvdxMemoView *memo1;
    TvdxMemoView *memo2;
};
