// A report with prepared pages, each holding a filled memo that names its
// page ("P1", "P2"...), and a printer list over a print system held in
// memory whose printer objects record what the print loop asks of them.
#pragma once
#include "common/FakePrinterBackend.h"
#include "engine/vdxPreviewPages.h"
#include "platform/UiProvider.h"
#include "preview/vdxPrintLoop.h"
#include "preview/vdxPrinters.h"
#include "report/vdxClass_band.h"
#include "report/vdxClass_memo.h"
#include "report/vdxClass_page.h"
#include "report/vdxClass_report.h"

#include <gtest/gtest.h>

namespace vdtest {

// A queue's printer object that logs the calls of a page job.
class RecordingPrinter : public TvdxPrinter {
public:
    RecordingPrinter(const QString &name, PrinterBackend *backend, QStringList *log)
        : TvdxPrinter(name, QString(), backend), m_backend(backend), m_log(log)
    {
    }
    void SetPrintParams(int paper, double w, double h, TPrinterOrientation o, int bin, TvdxDuplexMode d,
                        int copies) override
    {
        *m_log << QStringLiteral("SetPrintParams %1 %2x%3 %4 bin%5 dup%6 copies%7")
                      .arg(paper)
                      .arg(w)
                      .arg(h)
                      .arg(o == poLandscape ? "L" : "P")
                      .arg(bin)
                      .arg(int(d))
                      .arg(copies);
        TvdxPrinter::SetPrintParams(paper, w, h, o, bin, d, copies);
    }
    void BeginDoc() override
    {
        *m_log << QStringLiteral("BeginDoc");
        TvdxPrinter::BeginDoc();
    }
    void BeginPage() override
    {
        *m_log << QStringLiteral("BeginPage");
        TvdxPrinter::BeginPage();
    }
    void EndDoc() override
    {
        *m_log << QStringLiteral("EndDoc");
        TvdxPrinter::EndDoc();
    }
    void Abort() override
    {
        *m_log << QStringLiteral("Abort");
        TvdxPrinter::Abort();
    }

protected:
    std::unique_ptr<TvdxCustomPrinter> NewInstance(const QString &name, const QString &) const override
    {
        return std::make_unique<RecordingPrinter>(name, m_backend, m_log);
    }

private:
    PrinterBackend *m_backend;
    QStringList *m_log;
};

struct PrintFixture : ::testing::Test {
    PrintFixture()
    {
        FakeQueue &q = backend.add(QStringLiteral("Office"));
        q.media = {FakeMedia(QStringLiteral("iso_a4_210x297mm"), 21000, 29700),
                   FakeMedia(QStringLiteral("na_letter_8.5x11in"), 21590, 27940)};
        q.defaults.media = QStringLiteral("iso_a4_210x297mm");
        q.defaults.dpiX = q.defaults.dpiY = 72;
        FakeQueue &l = backend.add(QStringLiteral("Labels"));
        l.media = {FakeMedia(QStringLiteral("custom_sheet_200x287mm"), 20000, 28700, 0)};
        l.defaults.media = QStringLiteral("custom_sheet_200x287mm");
        l.defaults.dpiX = l.defaults.dpiY = 72;
        backend.defaultPrinter = QStringLiteral("Office");

        report.Engine()->FinalPass = true;
        report.SetShowProgress(false);
        report.PrintOptions()->SetShowDialog(false);
        report.OnProgress = [this](TvdxReport *, TvdxReport::TvdxProgressType type, int n) {
            if (type == TvdxReport::ptPrinting)
                log << QStringLiteral("page %1").arg(n - 1);
        };
        page = new TvdxReportPage(&report);
        page->SetName(QStringLiteral("Page1"));
        band = new TvdxBand(page);
        band->SetName(QStringLiteral("MasterData1"));
        band->SetBounds(0, 0, 300, 40);
        memo = new TvdxMemoView(band);
        memo->SetName(QStringLiteral("Memo1"));
        memo->SetBounds(0, 0, 200, 40);
        memo->SetColor(0x0000FF); // red
    }

    TvdxPreviewPages &store() { return *dynamic_cast<TvdxPreviewPages *>(report.PreviewPages()); }

    // Adds count pages of the given size (mm), each with its marker memo.
    void addPages(int count, double widthMM = 210, double heightMM = 297)
    {
        page->SetPaperSize(256);
        page->SetPaperWidth(widthMM);
        page->SetPaperHeight(heightMM);
        for (int i = 0; i < count; ++i) {
            const int n = store().Count() + 1;
            store().AddPage(page);
            memo->SetText(QStringLiteral("P%1").arg(n));
            store().AddObject(band);
        }
        memo->SetText(QString());
    }

    std::unique_ptr<TvdxPrinters> makePrinters()
    {
        return std::make_unique<TvdxPrinters>(&backend, [this](const QString &name, PrinterBackend *b) {
            return std::make_unique<RecordingPrinter>(name, b, &log);
        });
    }

    bool print(TvdxPrinters *printers = nullptr)
    {
        std::unique_ptr<TvdxPrinters> own;
        if (!printers) {
            own = makePrinters();
            printers = own.get();
        }
        TvdxPrintLoop loop(&store(), printers);
        return loop.Print();
    }

    QStringList only(const QString &prefix) const
    {
        QStringList r;
        for (const QString &l : log)
            if (l.startsWith(prefix))
                r << l;
        return r;
    }

    FakePrinterBackend backend;
    HeadlessUiProvider ui;
    TvdScopedUiProvider scoped{&ui};
    QStringList log;
    TvdxReport report;
    TvdxReportPage *page;
    TvdxBand *band;
    TvdxMemoView *memo;
};

} // namespace vdtest
