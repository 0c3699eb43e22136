#include "StoreFixture.h"

#include "core/vdXML.h"
#include "engine/vdxTraceExport.h"
#include "report/vdxClass_options.h"
#include "report/vdxClass_styles.h"

#include <QFile>
#include <functional>

namespace {

// Every object of a built page as the trace export writes it.
QStringList objectLines(TvdxComponent *c)
{
    QStringList lines;
    std::function<void(TvdxComponent *)> walk = [&](TvdxComponent *o) {
        for (TvdxComponent *child : o->Objects().List()) {
            lines << TvdxTraceExport::ObjectLine(child);
            walk(child);
        }
    };
    walk(c);
    return lines;
}

QByteArray saved(TvdxCustomPreviewPages *pages)
{
    QBuffer b;
    b.open(QIODevice::WriteOnly);
    pages->SaveToStream(b);
    return b.data();
}

// The element of that name under the root of a saved file.
std::unique_ptr<TvdXMLDocument> parsed(const QByteArray &bytes)
{
    auto doc = std::make_unique<TvdXMLDocument>();
    QBuffer b;
    b.setData(bytes);
    b.open(QIODevice::ReadOnly);
    doc->LoadFromStream(b);
    return doc;
}

} // namespace

struct PreparedFile : StoreFixture {
    // Three pages of the band, with five memos on it so that the alias
    // numbering has met its sentinels.
    void build()
    {
        for (int i = 3; i <= 5; ++i) {
            auto *m = new TvdxMemoView(band);
            m->SetName(QStringLiteral("Memo%1").arg(i));
            m->SetBounds(230 + 60 * (i - 3), 0, 50, 20);
            m->SetText(QStringLiteral("m%1").arg(i));
        }
        store().AddSourcePage(page);
        store().AddPage(page);
        placeBand(20, QStringLiteral("first"));
        store().AddAnchor(QStringLiteral("top"));
        store().AddPage(page);
        placeBand(70, QStringLiteral("second & <third>"));
        store().AddPage(page);
        placeBand(90);
        store().Finish();
    }

    // A report that loads Bytes; the load's outcome is left to the caller.
    std::unique_ptr<TvdxReport> loaded(const QByteArray &bytes, bool partial = false)
    {
        auto r = std::make_unique<TvdxReport>();
        QBuffer b;
        b.setData(bytes);
        b.open(QIODevice::ReadOnly);
        r->PreviewPages()->LoadFromStream(b, partial);
        return r;
    }

    QTemporaryDir dir;
};

TEST_F(PreparedFile, ReportElementHoldsExactlyTheFourSettings)
{
    build();
    report.PreviewOptions()->SetOutlineVisible(true);
    report.PreviewOptions()->SetOutlineWidth(150);
    report.ReportOptions()->SetName(QStringLiteral("Sales \"Q1\" & <more>"));
    auto doc = parsed(saved(report.PreviewPages()));
    TvdXMLItem *r = doc->Root()->FindItem("report");
    ASSERT_EQ(r->Count(), 1);
    EXPECT_EQ(r->Items(0)->Name(), "TvdxReport");
    EXPECT_EQ(r->Items(0)->Text(), "DotMatrixReport=\"0\" PreviewOptions.OutlineVisible=\"1\" "
                                   "PreviewOptions.OutlineWidth=\"150\" ReportOptions.Name=\"" +
                                       EscapeXMLAttr("Sales \"Q1\" & <more>") + "\"");

    auto other = loaded(saved(report.PreviewPages()));
    EXPECT_TRUE(other->PreviewOptions()->OutlineVisible());
    EXPECT_EQ(other->PreviewOptions()->OutlineWidth(), 150);
    EXPECT_EQ(other->ReportOptions()->Name(), "Sales \"Q1\" & <more>");
}

TEST_F(PreparedFile, DictionaryIsSortedWithItsSentinelsAndEscaped)
{
    build();
    const QByteArray bytes = saved(report.PreviewPages());
    auto doc = parsed(bytes);
    TvdXMLItem *d = doc->Root()->FindItem("dictionary");
    QStringList names;
    for (int i = 0; i < d->Count(); ++i)
        names << d->Items(i)->Name();
    EXPECT_EQ(names, (QStringList{"b1", "m0", "m1", "m2", "m3", "m4", "m5", "mA"}));
    EXPECT_TRUE(bytes.contains("<m1 name=\"Page0.Memo1\"/>")) << bytes.constData();
    EXPECT_TRUE(bytes.contains("<m0 name=\"\"/>"));
    EXPECT_TRUE(bytes.contains("<b1 name=\"Page0.MasterData1\"/>"));

    auto other = loaded(bytes);
    auto &theirs = dynamic_cast<TvdxPreviewPages &>(*other->PreviewPages());
    EXPECT_EQ(theirs.Dictionary().Names(), names);
    EXPECT_EQ(theirs.Dictionary().GetObject("m0"), nullptr);
    EXPECT_EQ(theirs.Dictionary().GetObject("mA"), nullptr);
    ASSERT_NE(theirs.Dictionary().GetObject("m4"), nullptr);
    EXPECT_EQ(theirs.Dictionary().GetObject("m4")->Name(), "Memo4");

    // The name is an attribute: other spacing and character references read alike.
    QByteArray spaced = bytes;
    spaced.replace("<m1 name=\"Page0.Memo1\"/>", "<m1   name=\"Page0&#46;Memo1\" />");
    auto third = loaded(spaced);
    auto &pages3 = dynamic_cast<TvdxPreviewPages &>(*third->PreviewPages());
    ASSERT_NE(pages3.Dictionary().GetObject("m1"), nullptr);
    EXPECT_EQ(pages3.Dictionary().GetObject("m1")->Name(), "Memo1");
}

TEST_F(PreparedFile, SaveLoadSaveIsByteIdenticalAndPagesBuildAlike)
{
    build();
    const QByteArray first = saved(report.PreviewPages());
    EXPECT_EQ(first.count("ld=\"0\""), 1);
    auto other = loaded(first);
    TvdxCustomPreviewPages *theirs = other->PreviewPages();
    ASSERT_EQ(theirs->Count(), 3);
    EXPECT_EQ(saved(theirs), first);
    for (int i = 0; i < 3; ++i) {
        TvdxReportPage *a = store().GetPage(i);
        ASSERT_NE(a, nullptr);
        const QStringList mine = objectLines(a);
        TvdxReportPage *b = theirs->GetPage(i);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(objectLines(b), mine) << "page " << i;
        EXPECT_EQ(mine.size(), 6);
    }
    EXPECT_EQ(theirs->GetAnchorPage("TOP"), 1);
    EXPECT_TRUE(objectLines(theirs->GetPage(1)).join('\n').contains("second & <third>"));
}

TEST_F(PreparedFile, PartialLoadingFromAFileTheStoreKeeps)
{
    build();
    const QString file = dir.filePath("three.vp3");
    store().SaveToFile(file);
    const QByteArray first = [&] {
        QFile f(file);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    EXPECT_EQ(first, saved(report.PreviewPages()));

    TvdxReport other;
    auto &theirs = dynamic_cast<TvdxPreviewPages &>(*other.PreviewPages());
    other.PreviewOptions()->SetPagesInCache(1);
    ASSERT_TRUE(theirs.LoadFromFile(file, false, true));
    EXPECT_FALSE(theirs.PagesItem()->Items(2)->Loaded());
    EXPECT_TRUE(theirs.PagesItem()->Items(1)->Loaded());
    ASSERT_NE(theirs.GetPage(2), nullptr);
    EXPECT_EQ(objectLines(theirs.GetPage(2)), objectLines(store().GetPage(2)));

    // Page 0 pinned stays beside page 1; page 2 then evicts page 1.
    theirs.GetPage(0);
    theirs.LockPage();
    theirs.GetPage(1);
    EXPECT_TRUE(theirs.PageCached(0));
    EXPECT_TRUE(theirs.PageCached(1));
    theirs.GetPage(2);
    EXPECT_TRUE(theirs.PageCached(0));
    EXPECT_FALSE(theirs.PageCached(1));
    theirs.UnlockPage();

    // Written over its own source: the unread page comes through.
    theirs.SaveToFile(file);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), first);
}

TEST_F(PreparedFile, MissingFileAnswersFalseAndLeavesTheStoreEmpty)
{
    build();
    EXPECT_FALSE(store().LoadFromFile(dir.filePath("none.vp3")));
    EXPECT_EQ(store().Count(), 0);
    EXPECT_TRUE(store().SourcePages().isEmpty());
    EXPECT_THROW(store().LoadFromFile(dir.filePath("none.vp3"), true), Exception);
}

TEST_F(PreparedFile, StylesAreReadWhereverTheyStand)
{
    build();
    auto *style = report.Styles()->Add();
    style->SetName(QStringLiteral("Title"));
    report.Styles()->SetStyleBookMode(TvdxStyles::fsbPreview);
    store().Finish();
    ASSERT_TRUE(store().IsStylesActive());
    const QByteArray bytes = saved(report.PreviewPages());
    ASSERT_TRUE(bytes.contains("<styles"));

    // Moved to the front of the root.
    auto doc = parsed(bytes);
    TvdXMLItem *root = doc->Root();
    TvdXMLItem *styles = root->Items(root->Find("styles"));
    root->InsertItem(0, styles);
    QBuffer b;
    b.open(QIODevice::WriteOnly);
    doc->SaveToStream(b);
    for (const QByteArray &file : {bytes, b.data()}) {
        auto other = loaded(file);
        EXPECT_TRUE(other->PreviewPages()->IsStylesActive());
        EXPECT_NE(other->PreviewPages()->FindStyle("Title"), nullptr);
        EXPECT_FALSE(saved(other->PreviewPages()).isEmpty());
    }
}

// Untrusted files: an error that says what is wrong, or a page that does not
// build; never a crash, a hang or a huge allocation.
TEST_F(PreparedFile, BadFilesGiveAnErrorOrAPageThatDoesNotBuild)
{
    build();
    const QByteArray good = saved(report.PreviewPages());
    struct Case {
        const char *what;
        QByteArray from, to;
        bool loads;
    };
    const QByteArray deep = QByteArray("<m1>").repeated(5000) + QByteArray("</m1>").repeated(5000);
    const Case cases[] = {
        {"page of no source page", "page0>", "page-1>", true},
        {"source page out of range", "page0>", "page99999>", true},
        {"unknown alias", "<m1 ", "<zz9 ", true},
        {"report class as record", "<m1 ", "<TvdxReport ", true},
        {"page class as record", "<m2 ", "<TvdxReportPage ", true},
        {"bad numbers", "t=\"70\"", "t=\"7e999999\" l=\"abc\" w=\"-nan\"", true},
        {"deep nesting", "</b1>", deep + "</b1>", true},
        {"dictionary names a missing page", "name=\"Page0.Memo1\"", "name=\"Page7.Memo1\"", false},
        {"dictionary names a missing object", "name=\"Page0.Memo1\"", "name=\"Page0.Nothing\"", false},
        {"dictionary name of the wrong form", "name=\"Page0.Memo1\"", "name=\"Memo1\"", false},
        {"dictionary page index not a number", "name=\"Page0.Memo1\"", "name=\"PageX.Memo1\"", false},
        {"another root", "<preparedreport>", "<report2>", false},
        {"malformed", "</previewpages>", "</previewpage>", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QByteArray bad = good;
        ASSERT_TRUE(bad.contains(c.from));
        bad.replace(bad.indexOf(c.from), c.from.size(), c.to);
        // A renamed element is renamed where it closes too.
        if (c.from == "page0>")
            bad.replace(bad.indexOf("</page0>"), 8, "</" + c.to);
        auto r = std::make_unique<TvdxReport>();
        QBuffer b;
        b.setData(bad);
        b.open(QIODevice::ReadOnly);
        if (!c.loads) {
            try {
                r->PreviewPages()->LoadFromStream(b);
                ADD_FAILURE() << "loaded";
            } catch (const Exception &e) {
                EXPECT_FALSE(e.message().isEmpty());
            }
            EXPECT_EQ(r->PreviewPages()->Count(), 0);
            continue;
        }
        ASSERT_NO_THROW(r->PreviewPages()->LoadFromStream(b));
        for (int i = 0; i < r->PreviewPages()->Count(); ++i)
            if (TvdxReportPage *p = r->PreviewPages()->GetPage(i))
                for (TvdxComponent *o : p->AllObjects())
                    EXPECT_EQ(qobject_cast<TvdxReport *>(o), nullptr);
        TvdxTraceExport trace;
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        trace.SetStream(&out);
        r->PreviewPages()->Export(&trace);
    }
}

TEST_F(PreparedFile, PinHandleKeepsItsPageThroughOtherFetches)
{
    build();
    report.PreviewOptions()->SetPagesInCache(1);
    {
        TvdxPinnedPage pin(store(), 0);
        ASSERT_NE(pin.Page(), nullptr);
        const QStringList lines = objectLines(pin.Page());
        store().GetPage(1);
        store().GetPage(2);
        store().GetPage(1);
        ASSERT_NE(pin.Page(), nullptr);
        EXPECT_EQ(objectLines(pin.Page()), lines);
        EXPECT_TRUE(store().PageCached(0));
    }
    // Unpinned, it goes like any other page (one eviction per build).
    store().GetPage(2);
    store().GetPage(1);
    EXPECT_FALSE(store().PageCached(0));
    TvdxPinnedPage none(store(), 9);
    EXPECT_EQ(none.Page(), nullptr);
    // Cleared under the handle: the handle answers none.
    TvdxPinnedPage pin(store(), 1);
    store().Clear();
    EXPECT_EQ(pin.Page(), nullptr);
}
