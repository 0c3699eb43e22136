// The export loop fills the page it exported last with the next page's
// records: what a filter sees must be what a newly built page shows, and no
// value of one page may stay on the next.
#include "StoreFixture.h"

#include "core/vdxXMLSerializer.h"
#include "engine/vdxTraceExport.h"
#include "report/vdxClass_options.h"

#include <QPointer>

namespace {

// Every object of a page, depth first, with all its stored attributes.
QStringList dumpPage(TvdxComponent *page)
{
    QStringList out;
    auto walk = [&](auto &self, TvdxComponent *c, int depth) -> void {
        out << QStringLiteral("%1%2 %3 | %4")
                   .arg(QString(depth * 2, QLatin1Char(' ')), c->ClassName(), c->Name(),
                        TvdxXMLSerializer().ObjToXML(c).trimmed());
        for (TvdxComponent *child : c->Objects().List())
            self(self, child, depth + 1);
    };
    walk(walk, page, 0);
    return out;
}

// Records each page as the filter is handed it, and whether the previous
// page object outlived its export (it was kept to be filled again).
class PageDumpFilter : public TvdxTraceExport {
public:
    PageDumpFilter()
    {
        SetStream(&sink);
        sink.open(QIODevice::WriteOnly);
    }
    void StartPage(TvdxComponent *page, int index) override
    {
        TvdxTraceExport::StartPage(page, index);
        kept << (index > 0 && previous == page);
        previous = page;
        pages << dumpPage(page).join('\n');
    }
    QBuffer sink;
    QStringList pages;
    QList<bool> kept;
    QPointer<TvdxComponent> previous;
};

} // namespace

struct ExportPageReuse : StoreFixture {
    ExportPageReuse()
    {
        report.SetSilentMode(int(TvdxEngineOptions::simSilent));
        // Its own font: the template stores it, so a page's font colour can go back.
        memo1->SetParentFont(false);
        memo1->Font()->SetColor(0);
        store().AddSourcePage(page);
    }
    // One page per call: Change alters the template objects for that page only.
    template <class F>
    void addPage(F change)
    {
        store().AddPage(page);
        change();
        store().AddObject(band);
        band->SetTop(20);
        memo1->SetText(QStringLiteral("one"));
        memo1->SetBounds(10, 0, 100, 20);
        memo1->Font()->SetColor(0);
        memo2->SetVisible(true);
        memo2->SetText(QStringLiteral("two"));
    }
    // Each page built anew outside an export.
    QStringList freshPages()
    {
        QStringList out;
        for (int i = 0; i < store().Count(); ++i) {
            store().ClearCache();
            out << dumpPage(store().GetPage(i)).join('\n');
        }
        store().ClearCache();
        return out;
    }
    PageDumpFilter filter;
};

TEST_F(ExportPageReuse, NoValueOfOneLabelStaysOnTheNext)
{
    addPage([&] { // taller, another text, a red font
        memo1->SetText(QStringLiteral("first"));
        memo1->SetHeight(40);
        memo1->Font()->SetColor(0xFF);
    });
    addPage([] {}); // all as the template: height, text and font go back
    addPage([&] { memo2->SetVisible(false); }); // one object hidden
    addPage([&] { memo1->SetLeft(30); });       // shown again, moved
    addPage([&] { memo2->SetText(QStringLiteral("second")); });
    addPage([] {});
    store().Finish();
    const QStringList expected = freshPages();

    ASSERT_TRUE(store().Export(&filter));
    ASSERT_EQ(filter.pages.size(), 6);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(filter.pages[i].toStdString(), expected[i].toStdString()) << "page " << i;
    // Pages of the same records reuse the page before; another record tree is built anew.
    EXPECT_EQ(filter.kept, (QList<bool>{false, true, false, false, true, true}));

    const QStringList memo1Lines = filter.Lines().filter(" Memo1 ");
    ASSERT_EQ(memo1Lines.size(), 6);
    EXPECT_EQ(memo1Lines[0], "ExportObject TvdxMemoView Memo1 10.00 20.00 100.00 40.00 first");
    EXPECT_EQ(memo1Lines[1], "ExportObject TvdxMemoView Memo1 10.00 20.00 100.00 20.00 one");
    EXPECT_EQ(memo1Lines[3], "ExportObject TvdxMemoView Memo1 30.00 20.00 100.00 20.00 one");
    EXPECT_EQ(memo1Lines[4], "ExportObject TvdxMemoView Memo1 10.00 20.00 100.00 20.00 one");
    const QStringList memo2Lines = filter.Lines().filter(" Memo2 ");
    EXPECT_EQ(memo2Lines.size(), 5);
    EXPECT_TRUE(memo2Lines.last().endsWith(" two")) << memo2Lines.last().toStdString();

    // A second run over the same store sees the same pages.
    const QStringList first = filter.pages;
    filter.pages.clear();
    filter.kept.clear();
    ASSERT_TRUE(store().Export(&filter));
    EXPECT_EQ(filter.pages, first);
}

TEST_F(ExportPageReuse, PagesOfAnotherSourcePageAreBuiltAnew)
{
    auto *other = new TvdxReportPage(&report);
    other->SetName(QStringLiteral("Page2"));
    other->SetBounds(0, 0, 400, 300);
    auto *memo = new TvdxMemoView(other);
    memo->SetName(QStringLiteral("Other"));
    memo->SetBounds(5, 5, 50, 20);
    store().AddSourcePage(other);
    addPage([] {});
    store().AddPage(other);
    store().AddObject(memo);
    addPage([] {});
    addPage([] {});
    store().Finish();
    const QStringList expected = freshPages();

    ASSERT_TRUE(store().Export(&filter));
    EXPECT_EQ(filter.pages, expected);
    EXPECT_EQ(filter.kept, (QList<bool>{false, false, false, true}));
}
