#include "core/vdPictureCache.h"
#include "platform/IniFile.h"
#include "report/vdxClass_bases.h"
#include "report/vdxClass_options.h"
#include "report/vdxClass_report.h"
#include "report/vdxServiceDoubles.h"
#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFileInfo>

namespace {

TEST(EngineBase, PreviewPagesLinkAndStop)
{
    TvdxReport report;
    std::unique_ptr<TvdxCustomEngine> engine(vdxCreateEngine(&report));
    std::unique_ptr<TvdxCustomPreviewPages> pages(vdxCreatePreviewPages(&report));
    ASSERT_NE(engine, nullptr);
    EXPECT_EQ(engine->Report(), &report);
    EXPECT_TRUE(engine->NotifyList().isEmpty());
    engine->SetPreviewPages(pages.get());
    EXPECT_EQ(pages->Engine(), engine.get());
    // Setting none leaves the previous set as it was.
    engine->SetPreviewPages(nullptr);
    EXPECT_EQ(engine->PreviewPages(), nullptr);
    EXPECT_EQ(pages->Engine(), engine.get());

    EXPECT_FALSE(report.Terminated());
    engine->StopReport();
    EXPECT_TRUE(report.Terminated());
}

TEST(EngineBase, AbstractOperationsRaise)
{
    TvdxReport report;
    TvdxCustomEngine engine(&report);
    EXPECT_THROW(engine.Run(true), EAbstractError);
    EXPECT_THROW(engine.FreeSpace(), EAbstractError);
    engine.BreakAllKeep(); // has a base body
    engine.SetPageHeight(500);
    EXPECT_EQ(engine.PageHeight(), 500);
}

TEST(PreviewPagesBase, OutlinePictureOptionsAndStand_in)
{
    TvdxReport report;
    TvdxStubPreviewPages pages(&report);
    ASSERT_NE(pages.Outline(), nullptr);
    EXPECT_EQ(pages.Outline()->PreviewPages(), &pages);
    EXPECT_EQ(pages.CurPage, -1);
    TvdxPictureCacheOptions *opts = pages.PictureCacheOptions();
    ASSERT_NE(opts, nullptr);
    EXPECT_EQ(pages.PictureCacheOptions(), opts); // made once
    pages.AddPage(nullptr);
    pages.AddPage(nullptr);
    EXPECT_EQ(pages.Count(), 2);
    EXPECT_EQ(pages.GetLogicalPageNo(), 2);
    pages.Clear();
    EXPECT_EQ(pages.CurPage, -1);
    EXPECT_EQ(pages.Count(), 0);
    EXPECT_FALSE(pages.IsStylesActive());
    EXPECT_EQ(pages.FindStyle("x"), nullptr);
}

TEST(PreviewPagesBase, SameStyleSheetDoesNotClearTheCache)
{
    auto &hooks = vdxPreviewPagesHooks();
    const TvdxPreviewPagesHooks saved = hooks;
    QString active = "Sheet1";
    hooks.createStyles = [](TvdxReport *) { return reinterpret_cast<TvdxStyles *>(new int(0)); };
    hooks.freeStyles = [](TvdxStyles *s) { delete reinterpret_cast<int *>(s); };
    hooks.activeStyleSheet = [&](TvdxStyles *) { return active; };
    hooks.activateStyleSheet = [&](TvdxStyles *, const QString &name) { active = name; };
    {
        TvdxReport report;
        TvdxStubPreviewPages pages(&report);
        pages.SetActiveStyleSheet("Sheet1");
        EXPECT_EQ(pages.ClearCacheCount, 0);
        pages.SetActiveStyleSheet("Sheet2");
        EXPECT_EQ(pages.ClearCacheCount, 1);
        EXPECT_EQ(active, "Sheet2");
    }
    hooks = saved;
}

class StubDesigner : public TvdxCustomDesigner {
public:
    using TvdxCustomDesigner::TvdxCustomDesigner;
    QStringList GetCode() override { return {}; }
    std::unique_ptr<TCustomIniFile> GetDefaultPreferences() override
    {
        return std::make_unique<TMemIniFile>(QStringLiteral("default.ini"));
    }
};

TEST(DesignerBase, PreferencesStoreAndModified)
{
    vdtest::TempDir tmp;
    TvdxReport report;
    report.SetIniFile(tmp.file("prefs.ini"));
    StubDesigner withReport(nullptr, &report);
    auto own = withReport.GetPreferencesStorage(false);
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(QFileInfo(own->FileName()).fileName(), "prefs.ini");
    auto def = withReport.GetPreferencesStorage(true);
    ASSERT_NE(def, nullptr);
    EXPECT_EQ(def->FileName(), "default.ini");

    withReport.SetModified(true);
    EXPECT_TRUE(report.Modified());
    EXPECT_TRUE(withReport.CheckOp(drDontSaveReport));

    auto *obj = new TvdxComponent;
    withReport.Objects().append(obj);
    withReport.SelectedObjects()->Add(obj);
    withReport.DeleteObject(obj);
    EXPECT_TRUE(withReport.Objects().isEmpty());
    EXPECT_EQ(withReport.SelectedObjects()->Count(), 0);
}

// ---------------------------------------------------------------------------
class PlainCompressor : public TvdxCustomCompressor {
    Q_OBJECT
public:
    explicit PlainCompressor(TvdComponent *owner = nullptr)
        : TvdxCustomCompressor(owner, &vdxNewCompressor<PlainCompressor>)
    {
    }
    bool Decompress(QIODevice &) override { return false; }
    void Compress(QIODevice &) override {}
};

class OtherCompressor : public TvdxCustomCompressor {
    Q_OBJECT
public:
    explicit OtherCompressor(TvdComponent *owner = nullptr)
        : TvdxCustomCompressor(owner, &vdxNewCompressor<OtherCompressor>)
    {
    }
};

class PlainCrypter : public TvdxCustomCrypter {
    Q_OBJECT
public:
    explicit PlainCrypter(TvdComponent *owner = nullptr) : TvdxCustomCrypter(owner, &vdxNewCrypter<PlainCrypter>) {}
};

TEST(TemplateHooks, CompressorRestoresPreviousClassCrypterStays)
{
    ASSERT_EQ(vdxCompressorClass(), nullptr);
    {
        PlainCompressor outer;
        EXPECT_EQ(vdxCompressorClass(), &vdxNewCompressor<PlainCompressor>);
        {
            OtherCompressor inner;
            EXPECT_EQ(vdxCompressorClass(), &vdxNewCompressor<OtherCompressor>);
            QBuffer sink;
            EXPECT_THROW(inner.Compress(sink), EAbstractError);
        }
        EXPECT_EQ(vdxCompressorClass(), &vdxNewCompressor<PlainCompressor>);
    }
    EXPECT_EQ(vdxCompressorClass(), nullptr);

    {
        PlainCrypter c;
        c.CreateStream();
        ASSERT_NE(c.Stream(), nullptr);
    }
    EXPECT_EQ(vdxCrypterClass(), &vdxNewCrypter<PlainCrypter>);
    vdxCrypterClass() = nullptr;
}

TEST(TemplateHooks, CompressorStreamIsMemoryOrPrivateTempFile)
{
    vdtest::TempDir tmp;
    TvdxReport report;
    report.EngineOptions()->SetUseFileCache(true);
    report.EngineOptions()->SetTempDir(tmp.path());
    QString file;
    {
        PlainCompressor c;
        c.Report = &report;
        c.SetIsVD3File(true);
        EXPECT_EQ(c.Filter()->FilterString(), "Compressed report (*.vd3)|*.vd3");
        c.CreateStream();
        EXPECT_TRUE(c.TempFile().isEmpty()); // templates stay in memory
        c.SetIsVD3File(false);
        c.CreateStream();
        file = c.TempFile();
        ASSERT_FALSE(file.isEmpty());
        EXPECT_TRUE(QFileInfo::exists(file));
        EXPECT_EQ(QFileInfo(file).absolutePath(), QFileInfo(tmp.path()).absoluteFilePath());
        EXPECT_EQ(c.Stream()->write("abc"), 3);
    }
    EXPECT_FALSE(QFileInfo::exists(file));
}

// ---------------------------------------------------------------------------
TEST(InPlaceEditor, LockedEditorKeepsItsComponent)
{
    TvdxComponent a, b;
    TvdxInPlaceEditor ed(&TvdxComponent::staticMetaObject, nullptr);
    ed.SetComponent(&a);
    EXPECT_EQ(ed.Component(), &a);
    ed.Locked = true;
    ed.SetComponent(&b);
    EXPECT_EQ(ed.Component(), &a);
    ed.Locked = false;
    ed.SetComponent(&b);
    EXPECT_EQ(ed.Component(), &b);
}

TEST(InPlaceEditor, FinishHandlerRunsOnce)
{
    TvdxComponent a;
    TvdxInPlaceEditor ed(&TvdxComponent::staticMetaObject, nullptr);
    ed.SetComponent(&a);
    int calls = 0;
    QObject *seen = nullptr;
    ed.OnFinishInPlace = [&](QObject *s, bool, bool modified) {
        ++calls;
        seen = s;
        EXPECT_TRUE(modified);
    };
    ed.DoFinishInPlace(nullptr, false, true);
    ed.DoFinishInPlace(nullptr, false, true);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(seen, &a);
    TvdxInteractiveEventsParams p;
    p.DevicePPI = 144;
    ed.InitializeUI(p);
    EXPECT_EQ(ed.DevicePPI(), 144);
}

// ---------------------------------------------------------------------------
TEST(SelectionList, ComponentsSelectedOthersOnlyInspected)
{
    TvdxSelectedObjectsList list;
    TvdxComponent c;
    TvdxPictureCacheOptions notAComponent;
    list.Add(&notAComponent);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.InspSelectedObjects(), QList<QObject *>{&notAComponent});
    list.Add(&c);
    EXPECT_TRUE(c.IsSelected());
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.InspSelectedObjects().size(), 2);
    list.Updated = false;
    list.Remove(&c);
    EXPECT_FALSE(c.IsSelected());
    EXPECT_TRUE(list.Updated);
    // The selection is empty now: the inspector list is emptied too.
    EXPECT_TRUE(list.InspSelectedObjects().isEmpty());
}

TEST(SelectionList, DestroyedComponentLeavesTheLists)
{
    TvdxSelectedObjectsList list;
    auto *c = new TvdxComponent;
    list.Add(c);
    delete c;
    EXPECT_EQ(list.Count(), 0);
    EXPECT_TRUE(list.InspSelectedObjects().isEmpty());
}

class StubPreview : public TvdxCustomPreview {
public:
    explicit StubPreview(TvdxReport *r) : report(r) {}
    TvdxReport *GetReport() override { return report; }
    TvdxReport *report;
};

TEST(PreviewBase, PasteNeedsThePasteButton)
{
    TvdxReport report;
    StubPreview preview(&report);
    TvdxComponent c;
    preview.SelectionList()->Add(&c);
    auto &ops = vdxInPlaceManagerOps();
    auto &find = vdxFindInPlaceEditorsHook();
    const auto savedOps = ops;
    const auto savedFind = find;
    int pastes = 0;
    TvdxPictureCacheOptions manager;
    find = [&](TvdxComponentEditorsList *, TvdxComponent *) -> TvdPersistent * { return &manager; };
    ops.pasteContent = [&](TvdPersistent *, TvdxComponent *, TvdxInteractiveEventsParams &, QIODevice *,
                           TvdxCopyPasteType) { ++pastes; };
    ops.isPasteAvailable = [&](TvdPersistent *, TvdxComponent *, TvdxInteractiveEventsParams &,
                               TvdxCopyPasteType) { return true; };
    preview.SetInPlaceEditorsList(reinterpret_cast<TvdxComponentEditorsList *>(&manager));

    report.PreviewOptions()->SetButtons(TvdxPreviewOptions::pbCopy);
    preview.InternalPaste();
    EXPECT_EQ(pastes, 0);
    EXPECT_FALSE(preview.InternalIsPasteAvailable());
    report.PreviewOptions()->SetButtons(TvdxPreviewOptions::pbCopy | TvdxPreviewOptions::pbPaste);
    preview.InternalPaste();
    EXPECT_EQ(pastes, 1);
    EXPECT_TRUE(preview.InternalIsPasteAvailable());

    ops = savedOps;
    find = savedFind;
    preview.SelectionList()->Clear();
}

TEST(PreviewBase, DefaultEventParams)
{
    TvdxReport report;
    StubPreview preview(&report);
    TvdxInteractiveEventsParams p;
    p.Refresh = p.Modified = p.GridAlign = true;
    report.PreviewOptions()->SetAllowPreviewEdit(false);
    preview.SetDefaultEventParams(p);
    EXPECT_EQ(p.EventSender, esPreview);
    EXPECT_FALSE(p.Refresh || p.Modified || p.GridAlign);
    EXPECT_EQ(p.Scale, 1);
    EXPECT_EQ(p.GridType, gtNone);
    EXPECT_EQ(p.SelectionList, preview.SelectionList());
    EXPECT_EQ(p.Sender, &preview);
    EXPECT_TRUE(p.EditRestricted);
    StubPreview noReport(nullptr);
    noReport.SetDefaultEventParams(p);
    EXPECT_FALSE(p.EditRestricted);
}

TEST(GlobalDataSetList, LockIsReentrant)
{
    TvdxGlobalDataSetList *list = vdxGlobalDataSetList();
    ASSERT_NE(list, nullptr);
    list->Lock();
    list->Lock();
    list->Unlock();
    list->Unlock();
}

} // namespace

#include "ServiceBasesTest.moc"
