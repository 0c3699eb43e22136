#include "StoreFixture.h"

#include "core/vdFormatSettings.h"
#include "report/vdxClass_options.h"

using Store = StoreFixture;

TEST_F(Store, SourcePageGivesAliasesAndRecordsOfDifferences)
{
    store().AddSourcePage(page);
    ASSERT_EQ(store().SourcePages().size(), 1);
    EXPECT_EQ(band->AliasName(), "b1");
    EXPECT_EQ(memo1->AliasName(), "m1");
    EXPECT_EQ(memo2->AliasName(), "m2");
    EXPECT_EQ(store().Dictionary().GetSourceName("m2"), "Page0.Memo2");
    TvdxComponent *src = store().Dictionary().GetObject("M1");
    ASSERT_NE(src, nullptr);
    EXPECT_EQ(src->OriginalComponent(), memo1);
    EXPECT_EQ(memo1->OriginalComponent(), src);
    EXPECT_TRUE(src->BaseName().startsWith("TvdxMemoView"));

    addPages(1);
    TvdXMLItem *p0 = pageItem(0);
    EXPECT_EQ(p0->Name(), "page0");
    ASSERT_EQ(p0->Count(), 1);
    EXPECT_EQ(p0->Items(0)->Name(), "b1");
    ASSERT_EQ(p0->Items(0)->Count(), 2);
    EXPECT_EQ(p0->Items(0)->Items(0)->Name(), "m1");

    store().AddPage(page);
    placeBand(50, QStringLiteral("changed"));
    TvdXMLItem *rec = pageItem(1)->Items(0);
    EXPECT_EQ(rec->GetProp("t"), "50");
    EXPECT_TRUE(rec->Items(0)->Text().contains("changed"));
}

TEST_F(Store, SentinelsOnceFourAliasesExist)
{
    TvdxDictionary d;
    TvdxComponent *o = memo1;
    EXPECT_EQ(d.AddUnique("m", "Page0.A", o), "m1");
    EXPECT_EQ(d.AddUnique("m", "Page0.B", o), "m2");
    EXPECT_EQ(d.AddUnique("b", "Page0.C", o), "b1");
    EXPECT_EQ(d.AddUnique("p", "Page0.D", o), "p1");
    EXPECT_EQ(d.Names(), (QStringList{"b1", "m1", "m2", "p1"}));
    // Four names: the next alias of a base brings its two sentinels.
    EXPECT_EQ(d.AddUnique("m", "Page0.E", o), "m3");
    EXPECT_EQ(d.Names(), (QStringList{"b1", "m0", "m1", "m2", "m3", "mA", "p1"}));
    EXPECT_EQ(d.AddUnique("m", "Page0.F", o), "m4");
    EXPECT_EQ(d.Names().count("m0"), 1);
    EXPECT_EQ(d.AddUnique("l", "Page0.G", o), "l1");
    EXPECT_TRUE(d.Names().contains("l0"));
    // A sentinel stands for no object.
    EXPECT_EQ(d.GetSourceName("m0"), "");
    EXPECT_EQ(d.GetObject("mA"), nullptr);
    EXPECT_EQ(d.GetObject("zz9"), nullptr);
    EXPECT_EQ(d.GetSourceName("zz9"), "");
}

TEST_F(Store, PagesFromTheThirdOnAreUnloadable)
{
    store().AddSourcePage(page);
    addPages(4);
    EXPECT_EQ(store().Count(), 4);
    EXPECT_FALSE(pageItem(0)->Unloadable());
    EXPECT_FALSE(pageItem(1)->Unloadable());
    EXPECT_TRUE(pageItem(2)->Unloadable());
    EXPECT_EQ(xml().count("ld=\"0\""), 2);
}

TEST_F(Store, WriteOverReusesThePageAndNumbersOnlyNewPages)
{
    store().AddSourcePage(page);
    addPages(2);
    store().CurPage = -1;
    store().AddPage(page);
    EXPECT_EQ(store().Count(), 2);
    EXPECT_EQ(store().CurPage, 0);
    EXPECT_EQ(store().RootItem("logicalpagenumbers")->Count(), 2);
    store().AddPageAction = apAdd;
    store().AddPage(page);
    EXPECT_EQ(store().Count(), 3);
    EXPECT_EQ(store().CurPage, 2);
    EXPECT_EQ(store().AddPageAction, apWriteOver);
}

TEST_F(Store, PageOfNoSourcePageIsStoredWhole)
{
    store().AddSourcePage(page);
    TvdxReportPage other;
    other.SetBounds(0, 0, 300, 200);
    store().AddPage(&other);
    EXPECT_EQ(pageItem(0)->Name(), "TvdxReportPage");
    store().AddObject(band);
    TvdXMLItem *rec = pageItem(0)->Items(0);
    EXPECT_EQ(rec->Name(), "TvdxBand");
    EXPECT_EQ(rec->Items(0)->Name(), "TvdxMemoView");
    TvdxReportPage *built = store().GetPage(0);
    ASSERT_NE(built, nullptr);
    ASSERT_EQ(built->Objects().Count(), 1);
    EXPECT_EQ(built->Objects()[0]->Objects().Count(), 2);
    EXPECT_EQ(built->Objects()[0]->Objects()[1]->Left(), 120);
}

TEST_F(Store, InvisibleObjectsAndObjectsWithoutSourceObject)
{
    store().AddSourcePage(page);
    store().AddPage(page);
    memo2->SetVisible(false);
    auto *extra = new TvdxMemoView(band); // made after the source page: no source object
    extra->SetName(QStringLiteral("Extra"));
    extra->SetText(QStringLiteral("runtime"));
    store().AddObject(band);
    TvdXMLItem *rec = pageItem(0)->Items(0);
    ASSERT_EQ(rec->Count(), 2);
    EXPECT_EQ(rec->Items(0)->Name(), "m1");
    EXPECT_EQ(rec->Items(1)->Name(), "TvdxMemoView");
    EXPECT_TRUE(rec->Items(1)->Text().contains("runtime"));

    store().AddToSourcePage(extra);
    EXPECT_EQ(extra->AliasName(), "m3");
    EXPECT_NE(extra->OriginalComponent(), nullptr);
    EXPECT_TRUE(store().Dictionary().GetSourceName("m3").startsWith("Page0."));
}

TEST_F(Store, FirstPassWritesOnlyBaseDifferences)
{
    store().AddSourcePage(page);
    report.Engine()->FinalPass = false;
    store().AddPage(page);
    placeBand(40, QStringLiteral("text of the first pass"));
    TvdXMLItem *rec = pageItem(0)->Items(0);
    EXPECT_EQ(rec->GetProp("t"), "40");
    EXPECT_FALSE(rec->Items(0)->Text().contains("first pass"));
}

TEST_F(Store, FirstPassPagesClearedKeepAnchorsAndNumbers)
{
    store().AddSourcePage(page);
    store().BeginPass();
    addPages(2);
    store().AddAnchor("a");
    store().Outline()->AddItem("o", 0);
    store().ClearFirstPassPages();
    EXPECT_EQ(store().Count(), 0);
    EXPECT_EQ(store().CurPage, -1);
    EXPECT_EQ(store().RootItem("anchors")->Count(), 1);
    EXPECT_EQ(store().RootItem("logicalpagenumbers")->Count(), 2);
    EXPECT_EQ(store().RootItem("outline")->Count(), 0);

    // A pass that starts on a non-empty store trims back to its marks.
    addPages(1);
    store().BeginPass();
    placeBand(60);
    addPages(2);
    store().ClearFirstPassPages();
    EXPECT_EQ(store().Count(), 1);
    EXPECT_EQ(pageItem(0)->Count(), 1);
    EXPECT_EQ(store().CurPage, 0);
}

TEST_F(Store, CutAndPasteMoveRecordsByTheFirstOnesPlace)
{
    store().AddSourcePage(page);
    addPages(1);
    placeBand(50);
    placeBand(80);
    store().CutObjects(1);
    EXPECT_EQ(store().GetCurPosition(), 1);
    EXPECT_EQ(store().RootItem("cutted")->Count(), 2);
    store().AddPage(page);
    store().PasteObjects(0, 10);
    EXPECT_EQ(store().XMLDoc()->Root()->Find("cutted"), -1);
    TvdXMLItem *p1 = pageItem(1);
    ASSERT_EQ(p1->Count(), 2);
    EXPECT_EQ(p1->Items(0)->GetProp("t"), "10");
    EXPECT_EQ(p1->Items(1)->GetProp("t"), "40");
    EXPECT_FALSE(p1->Items(0)->PropExists("l"));
    store().DeleteObjects(1);
    EXPECT_EQ(store().GetCurPosition(), 1);
    // Nothing cut: only the holding item would go.
    store().PasteObjects(5, 5);
    EXPECT_EQ(store().GetCurPosition(), 1);
}

TEST_F(Store, PastedNullBandLeftOfZeroKeepsItsLeft)
{
    store().AddPage(nullptr);
    TvdXMLItem *cut = store().RootItem("cutted");
    cut->Add("TvdxNullBand")->SetText(R"(l="5" t="7")");
    cut->Add("m1")->SetText(R"(l="3,5" t=" 9 ")");
    store().PasteObjects(0, 100);
    TvdXMLItem *p = pageItem(0);
    ASSERT_EQ(p->Count(), 2);
    EXPECT_EQ(p->Items(0)->GetProp("l"), "5");
    EXPECT_EQ(p->Items(0)->GetProp("t"), "100");
    EXPECT_EQ(p->Items(1)->GetProp("l"), "3,5");
    EXPECT_EQ(p->Items(1)->GetProp("t"), "102");
    // Another first record moves by the difference.
    store().RootItem("cutted")->Add("m1")->SetText(R"(l="-5" t="0")");
    store().PasteObjects(0, 0);
    EXPECT_EQ(pageItem(0)->Items(2)->GetProp("l"), "0");
}

TEST_F(Store, LastYAndBandExists)
{
    store().AddSourcePage(page);
    addPages(1);
    placeBand(100);
    EXPECT_EQ(store().GetLastY(), 130);
    EXPECT_EQ(store().GetLastY(0), 130);
    EXPECT_EQ(store().GetLastY(350), 0); // no band in that column
    EXPECT_TRUE(store().BandExists(band));
    TvdxBand other(page);
    EXPECT_FALSE(store().BandExists(&other));
}

TEST_F(Store, PageDimensionsAndLastColumn)
{
    store().AddSourcePage(page);
    addPages(1);
    store().UpdatePageDimension(0, 100, 150.456L);
    EXPECT_EQ(pageItem(0)->GetProp("PaperSize"), "256");
    EXPECT_EQ(pageItem(0)->GetProp("PaperWidth"), "100");
    EXPECT_EQ(pageItem(0)->GetProp("PaperHeight"), "150.46");
    EXPECT_EQ(store().GetPageSize(0), QPointF(378, 569));
    EXPECT_EQ(store().GetPageSize(7), QPointF());

    int col = -1;
    long double pos = -1;
    store().GetLastColumnPos(col, pos);
    EXPECT_EQ(col, -1);
    store().UpdatePageLastColumn(2, 120.5L, false);
    store().UpdatePageLastColumn(0, 0, false); // neither written
    store().GetLastColumnPos(col, pos);
    EXPECT_EQ(col, 2);
    EXPECT_EQ(pos, 120.5L);
    store().UpdatePageLastColumn(0, 0, true);
    store().GetLastColumnPos(col, pos);
    EXPECT_EQ(col, 0);
    EXPECT_EQ(pos, 0);
}

TEST_F(Store, AnchorsFindTheLastAndShiftToTheTargetPage)
{
    store().AddSourcePage(page);
    addPages(1);
    report.Engine()->CurY = 10.5L; // halves to even
    store().AddAnchor("Intro");
    report.Engine()->CurY = 30;
    store().AddAnchor("Part");
    report.Engine()->CurY = 60;
    store().AddAnchor("intro");
    EXPECT_EQ(store().FindAnchor("INTRO"), store().FindAnchorRoot()->Items(2));
    EXPECT_EQ(store().RootItem("anchors")->Items(0)->GetProp("top"), "10");
    EXPECT_EQ(store().GetAnchorPage("nothing"), 1);
    EXPECT_EQ(store().GetAnchorCurPosition(), 2);

    // A keep block moves the last two anchors onto the next page, at 5.
    addPages(1);
    store().ShiftAnchors(0, 5);
    EXPECT_EQ(store().RootItem("anchors")->Items(0)->GetProp("page"), "0");
    for (int i : {1, 2})
        EXPECT_EQ(store().RootItem("anchors")->Items(i)->GetProp("page"), "1") << i;
    EXPECT_EQ(store().RootItem("anchors")->Items(1)->GetProp("top"), "5");
    EXPECT_EQ(store().RootItem("anchors")->Items(2)->GetProp("top"), "35");
    EXPECT_EQ(store().GetAnchorPage("part"), 2);

    store().ShiftAnchors(7, 0); // past the last: nothing
    store().DeleteAnchors(0);
    EXPECT_EQ(store().RootItem("anchors")->Count(), 1);
    store().DeleteAnchors(3);
    EXPECT_EQ(store().RootItem("anchors")->Count(), 1);
}

TEST_F(Store, OutlineTreeAndShiftOfEveryLaterSibling)
{
    store().AddSourcePage(page);
    addPages(1);
    auto *o = store().Outline();
    o->LevelRoot();
    o->AddItem("A", 10);
    o->LevelUp();
    o->AddItem("B", 40);
    o->AddItem("B.1", 45);
    o->LevelUp();
    o->LevelUp();
    o->AddItem("C", 70);
    o->LevelRoot();
    EXPECT_EQ(o->Count(), 3);
    QString text;
    int pg = -1, top = -1;
    o->GetItem(1, text, pg, top);
    EXPECT_EQ(text, "B");
    EXPECT_EQ(top, 40);
    TvdXMLItem *a = store().RootItem("outline")->Items(0);
    addPages(1);
    o->ShiftItems(a, 0);
    TvdXMLItem *root = store().RootItem("outline");
    EXPECT_EQ(root->Items(0)->GetProp("page"), "0");
    EXPECT_EQ(root->Items(1)->GetProp("page"), "1");
    EXPECT_EQ(root->Items(1)->GetProp("top"), "0");
    EXPECT_EQ(root->Items(1)->Items(0)->GetProp("page"), "1");
    EXPECT_EQ(root->Items(1)->Items(0)->GetProp("top"), "5");
    EXPECT_EQ(root->Items(2)->GetProp("page"), "1");
    EXPECT_EQ(root->Items(2)->GetProp("top"), "30");
    o->DeleteItems(a);
    EXPECT_EQ(root->Count(), 1);
    o->DeleteItems(nullptr);
}

TEST_F(Store, LogicalPageNumbersAndTotals)
{
    store().AddSourcePage(page);
    addPages(2);
    store().ResetLogicalPageNumber(); // a run of two ends
    addPages(3);
    store().ResetLogicalPageNumber();
    QStringList n, t;
    TvdXMLItem *numbers = store().RootItem("logicalpagenumbers");
    for (int i = 0; i < numbers->Count(); ++i) {
        n << numbers->Items(i)->GetProp("n");
        t << numbers->Items(i)->GetProp("t");
    }
    EXPECT_EQ(n, (QStringList{"1", "2", "1", "2", "3"}));
    EXPECT_EQ(t, (QStringList{"2", "2", "3", "3", "3"}));
    store().CurPage = 3;
    EXPECT_EQ(store().GetLogicalPageNo(), 2);
    EXPECT_EQ(store().GetLogicalTotalPages(), 3);
    store().CurPage = 9;
    report.Engine()->TotalPages = 12;
    EXPECT_EQ(store().GetLogicalPageNo(), 10);
    EXPECT_EQ(store().GetLogicalTotalPages(), 12);
}

TEST_F(Store, BuiltPagesMatchTheirRecordsAndTheCacheKeepsFew)
{
    report.PreviewOptions()->SetPagesInCache(1);
    store().AddSourcePage(page);
    store().AddPage(page);
    placeBand(20, QStringLiteral("first"));
    store().AddPage(page);
    placeBand(70, QStringLiteral("second"));
    store().AddPage(page);
    placeBand(90);
    store().Finish();

    TvdxReportPage *p0 = store().GetPage(0);
    ASSERT_NE(p0, nullptr);
    ASSERT_EQ(p0->Objects().Count(), 1);
    TvdxComponent *b = p0->Objects()[0];
    EXPECT_EQ(b->Name(), "MasterData1");
    EXPECT_EQ(b->Top(), 20);
    ASSERT_EQ(b->Objects().Count(), 2);
    auto *m = qobject_cast<TvdxMemoView *>(b->Objects()[0]);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->Name(), "Memo1");
    EXPECT_EQ(m->Text().trimmed(), "first");
    EXPECT_EQ(m->Left(), 10);
    EXPECT_EQ(qobject_cast<TvdxMemoView *>(b->Objects()[1])->Text().trimmed(), "two");

    TvdxReportPage *p1 = store().GetPage(1);
    EXPECT_EQ(p1->Objects()[0]->Top(), 70);
    EXPECT_EQ(store().PageCacheCount(), 1);
    EXPECT_FALSE(store().PageCached(0));

    store().LockPage(); // page 1 pinned
    store().GetPage(0);
    EXPECT_EQ(store().PageCacheCount(), 2);
    store().GetPage(2);
    EXPECT_EQ(store().PageCacheCount(), 2);
    EXPECT_TRUE(store().PageCached(1));
    EXPECT_TRUE(store().PageCached(2));
    EXPECT_EQ(store().GetPage(1), p1);
    store().UnlockPage();
    store().ClearCache();
    EXPECT_EQ(store().PageCacheCount(), 0);
    EXPECT_EQ(store().GetPage(3), nullptr);
    EXPECT_EQ(store().GetPage(-1), nullptr);
}

TEST_F(Store, RunningEngineBuildsAFreshPageAndSignaturesVisitOnce)
{
    store().AddSourcePage(page);
    addPages(2);
    TvdxReportPage *p0 = store().GetPage(0);
    report.Engine()->Running = true;
    EXPECT_NE(store().GetPage(0), p0);
    report.Engine()->Running = false;
    store().ClearCache();
    store().SignaturePages().Activate();
    EXPECT_NE(store().GetPage(0), nullptr);
    EXPECT_EQ(store().GetPage(1), nullptr); // same source page
}

TEST_F(Store, AppendedReportsKeepTheirPagesAnchorsAndOutline)
{
    store().AddSourcePage(page);
    addPages(3);

    TvdxReport other;
    other.Engine()->FinalPass = true;
    auto *op = new TvdxReportPage(&other);
    op->SetName(QStringLiteral("Page1"));
    auto *ob = new TvdxBand(op);
    ob->SetName(QStringLiteral("Band1"));
    ob->SetBounds(0, 10, 500, 25);
    auto *om = new TvdxMemoView(ob);
    om->SetName(QStringLiteral("Memo1"));
    om->SetText(QStringLiteral("appended"));
    auto &theirs = *dynamic_cast<TvdxPreviewPages *>(other.PreviewPages());
    theirs.AddSourcePage(op);
    theirs.AddPage(op);
    theirs.AddObject(ob);
    theirs.AddAnchor("first");
    theirs.Outline()->AddItem("one", 5);
    theirs.AddPage(op);
    theirs.AddObject(ob);
    theirs.AddAnchor("second");
    theirs.Outline()->LevelRoot();
    theirs.Outline()->AddItem("two", 6);

    store().AddFrom(&other);
    EXPECT_EQ(store().Count(), 5);
    EXPECT_EQ(pageItem(3)->Name(), "TvdxReportPage");
    EXPECT_FALSE(pageItem(4)->Unloadable());
    TvdXMLItem *anchors = store().RootItem("anchors");
    ASSERT_EQ(anchors->Count(), 2);
    EXPECT_EQ(anchors->Items(0)->GetProp("page"), "3");
    EXPECT_EQ(anchors->Items(1)->GetProp("page"), "4");
    EXPECT_EQ(anchors->Items(1)->GetProp("text"), "second");
    TvdXMLItem *outline = store().RootItem("outline");
    ASSERT_EQ(outline->Count(), 2);
    EXPECT_EQ(outline->Items(0)->GetProp("page"), "3");
    EXPECT_EQ(outline->Items(1)->GetProp("page"), "4");
    EXPECT_EQ(theirs.CurPage, -1);
    EXPECT_EQ(store().CurPage, 2);

    TvdxReportPage *built = store().GetPage(4);
    ASSERT_NE(built, nullptr);
    ASSERT_EQ(built->Objects().Count(), 1);
    ASSERT_EQ(built->Objects()[0]->Objects().Count(), 1);
    EXPECT_EQ(qobject_cast<TvdxMemoView *>(built->Objects()[0]->Objects()[0])->Text().trimmed(), "appended");
    // An empty store takes pages too.
    TvdxReport third;
    dynamic_cast<TvdxPreviewPages *>(third.PreviewPages())->AddFrom(&other);
    EXPECT_EQ(third.PreviewPages()->Count(), 2);
}

TEST_F(Store, SameBytesWhateverTheDecimalSeparator)
{
    auto build = [&] {
        report.PreviewPages()->Clear();
        memo1->SetLeft(10.25L);
        store().AddSourcePage(page);
        store().AddPage(page);
        placeBand(33.75L);
        store().UpdatePageLastColumn(1, 12.5L, true);
        return xml();
    };
    const QByteArray dot = build();
    EXPECT_TRUE(dot.contains("t=\"33.75\""));
    FormatSettings comma;
    comma.DecimalSeparator = u',';
    comma.ThousandSeparator = u'.';
    ScopedFormatSettings scope(comma);
    EXPECT_EQ(build(), dot);
}

TEST_F(Store, FileCacheSwapsFinishedPagesOutAndBuildsThemBack)
{
    QTemporaryDir tmp;
    report.EngineOptions()->SetUseFileCache(true);
    report.EngineOptions()->SetMaxMemSize(1);
    report.EngineOptions()->SetTempDir(tmp.path());
    store().Initialize();
    store().AddSourcePage(page);
    const QString longText(400, QLatin1Char('x'));
    for (int i = 0; i < 3000; ++i) {
        store().AddPage(page);
        placeBand(20, longText + QString::number(i));
    }
    int unloaded = 0;
    for (int i = 0; i < store().Count(); ++i)
        unloaded += store().PagesItem()->Items(i)->Loaded() ? 0 : 1;
    EXPECT_GT(unloaded, 1000);
    EXPECT_TRUE(store().PagesItem()->Items(0)->Loaded());
    EXPECT_TRUE(store().PagesItem()->Items(1)->Loaded());
    EXPECT_TRUE(store().PagesItem()->Items(2999)->Loaded());
    TvdxReportPage *p = store().GetPage(1500);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(qobject_cast<TvdxMemoView *>(p->Objects()[0]->Objects()[0])->Text().trimmed(), longText + "1500");
}

TEST_F(Store, PageDimensionsOfASourcePageReachItsTagText)
{
    store().AddSourcePage(page);
    TvdxReportPage stranger;
    store().UpdatePageDimensions(&stranger, 100, 100); // no source page: nothing
    EXPECT_FALSE(store().SourcePages()[0]->BaseName().contains(R"(PaperSize="256")"));
    store().UpdatePageDimensions(page, 377.953L, 188.9765L);
    const QString tag = store().SourcePages()[0]->BaseName();
    EXPECT_TRUE(tag.contains(R"(PaperSize="256")")) << tag.toStdString();
    EXPECT_TRUE(tag.contains(R"(PaperWidth="100")")) << tag.toStdString();
    EXPECT_TRUE(tag.contains(R"(PaperHeight="50")")) << tag.toStdString();
}
