// The in-place editor registry and the managers built from it: visibilities,
// removal, the settings file, event offering order, copy/paste walks, and
// the start-up registrations of the editors module and the barcode objects.
#include "barcode/vdxBarcode2DView.h"
#include "barcode/vdxBarcodeView.h"
#include "designer/vdxBarcodeInPlaceEditors.h"
#include "designer/vdxInPlaceEditors.h"
#include "platform/IniFile.h"
#include "report/vdxClass_memo.h"
#include "report/vdxClass_picture.h"
#include "report/vdxClass_report.h"

#include <gtest/gtest.h>

namespace {

// Records every call it receives in a shared log and answers as told.
struct Log {
    QStringList calls;
};
Log *g_log = nullptr;

template <int N>
class Probe : public TvdxInPlaceEditor {
public:
    static constexpr const char *EditorClassName = N == 0 ? "TProbe0" : N == 1 ? "TProbe1" : "TProbe2";
    using TvdxInPlaceEditor::TvdxInPlaceEditor;
    static inline bool handles = false;
    void note(const char *what) { g_log->calls.append(QStringLiteral("%1:%2").arg(N).arg(QLatin1String(what))); }
    bool DoMouseDown(int, int, TvdxMouseButton, TvdxShiftState, TvdxInteractiveEventsParams &) override
    {
        note("down");
        return handles;
    }
    bool DoCustomDragOver(QObject *, int, int, int, bool &, TvdxInteractiveEventsParams &) override
    {
        note("over");
        return handles;
    }
    void CopyGoupContent(TvdxComponent *, TvdxInteractiveEventsParams &, QIODevice *, TvdxCopyPasteType) override
    {
        note("groupcopy");
    }
    void CopyContent(TvdxComponent *, TvdxInteractiveEventsParams &, QIODevice *, TvdxCopyPasteType t) override
    {
        note(t == cptText ? "copytext" : t == cptImage ? "copyimage" : "copy");
    }
    TvdxCopyPasteType DefaultContentType() override { return N == 0 ? cptText : cptImage; }
    QRect GetActiveRect() override { return N == 0 ? QRect(0, 0, 0, 10) : QRect(5, 5, 10, 10); }
};

class LogFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_log = &log;
        Probe<0>::handles = Probe<1>::handles = Probe<2>::handles = false;
    }
    void TearDown() override { g_log = nullptr; }
    Log log;
};

const TvdxComponentEditorVisibility designerOnly = vdxEditorVisibility(evDesigner);
const TvdxComponentEditorVisibility previewOnly = vdxEditorVisibility(evPreview);

QStringList editorNames(const TvdxComponentEditorsRegItem *item)
{
    QStringList names;
    for (int i = 0; item && i < item->Count(); ++i)
        names.append(QString::fromLatin1(item->GetEditorClass(i)->Name));
    return names;
}

TvdxComponentEditorsRegItem *itemOf(const TvdxComponentEditorsClasses &reg, const QMetaObject *cls)
{
    const int i = reg.IndexOf(QString::fromLatin1(cls->className()));
    return i < 0 ? nullptr : reg.GetEditors(i);
}

} // namespace

TEST(InPlaceRegistry, MissingVisibilityMeansBothAndPreviewListLeavesDesignerOnlyOut)
{
    TvdxComponentEditorsClasses reg;
    reg.Register(&TvdxMemoView::staticMetaObject, {});
    EXPECT_EQ(reg.Count(), 0);
    reg.Register(&TvdxMemoView::staticMetaObject,
                 {vdxInPlaceEditorClass<Probe<0>>(), vdxInPlaceEditorClass<Probe<1>>()}, {designerOnly});
    reg.Register(&TvdxPictureView::staticMetaObject, {vdxInPlaceEditorClass<Probe<2>>()}, {previewOnly});
    // Class names are looked up without regard to case.
    EXPECT_EQ(reg.IndexOf(QStringLiteral("tvdxmemoview")), 0);
    TvdxComponentEditorsRegItem *memo = reg.GetEditors(0);
    EXPECT_EQ(memo->GetEditorVisibility(0), designerOnly);
    EXPECT_EQ(memo->GetEditorVisibility(1), evBoth);

    std::unique_ptr<TvdxComponentEditorsList> preview(reg.CreateEditorsInstances(evPreview, nullptr));
    ASSERT_EQ(preview->Count(), 2);
    EXPECT_EQ(preview->Names(0), QStringLiteral("TvdxMemoView"));
    EXPECT_EQ(preview->GetEditors(0)->Count(), 1);
    EXPECT_EQ(preview->GetEditors(1)->Count(), 1);
    EXPECT_EQ(preview->EditorsInstancesCount(), 2);
    EXPECT_EQ(preview->GetEditors(0)->Editor(0)->Editors, preview.get());
    EXPECT_EQ(preview->GetEditors(0)->Editor(0)->ClassRef(), &TvdxMemoView::staticMetaObject);

    std::unique_ptr<TvdxComponentEditorsList> designer(reg.CreateEditorsInstances(evDesigner, nullptr));
    EXPECT_EQ(designer->GetEditors(0)->Count(), 2);
    EXPECT_EQ(designer->GetEditors(1)->Count(), 0);

    // Found for the exact class only, and only with an editor in it.
    TvdxMemoView memoView;
    TvdxPictureView picture;
    TvdxSysMemoView sysMemo;
    EXPECT_EQ(vdxFindInPlaceEditors(designer.get(), &memoView), designer->GetEditors(0));
    EXPECT_EQ(vdxFindInPlaceEditors(designer.get(), &picture), nullptr);
    EXPECT_EQ(vdxFindInPlaceEditors(designer.get(), &sysMemo), nullptr);
    EXPECT_EQ(vdxFindInPlaceEditors(nullptr, &memoView), nullptr);

    // Attaching an object gives it its manager; detaching takes it away.
    TvdxInPlaceEditor *editor = designer->GetEditors(0)->Editor(0);
    designer->GetEditors(0)->SetComponent(&memoView);
    EXPECT_EQ(memoView.ComponentEditors(), designer->GetEditors(0));
    EXPECT_EQ(designer->GetEditors(0)->Component(), &memoView);
    editor->SetComponent(nullptr);
    EXPECT_EQ(memoView.ComponentEditors(), nullptr);
    designer->GetEditors(0)->SetComponent(nullptr);
}

TEST(InPlaceRegistry, RemovingEditors)
{
    TvdxComponentEditorsClasses reg;
    reg.Register(&TvdxMemoView::staticMetaObject, {vdxInPlaceEditorClass<Probe<0>>(), vdxInPlaceEditorClass<Probe<1>>()});
    reg.Register(&TvdxPictureView::staticMetaObject, {vdxInPlaceEditorClass<Probe<1>>()});

    // The class goes with its last editor.
    reg.UnRegister(&TvdxPictureView::staticMetaObject, vdxInPlaceEditorClass<Probe<1>>());
    EXPECT_EQ(itemOf(reg, &TvdxPictureView::staticMetaObject), nullptr);
    // UnRegisterEditor leaves an empty item.
    reg.UnRegister(&TvdxMemoView::staticMetaObject, vdxInPlaceEditorClass<Probe<2>>());
    reg.UnRegisterEditor(vdxInPlaceEditorClass<Probe<0>>());
    reg.UnRegisterEditor(vdxInPlaceEditorClass<Probe<1>>());
    ASSERT_NE(itemOf(reg, &TvdxMemoView::staticMetaObject), nullptr);
    EXPECT_EQ(itemOf(reg, &TvdxMemoView::staticMetaObject)->Count(), 0);
    std::unique_ptr<TvdxComponentEditorsList> list(reg.CreateEditorsInstances(evDesigner, nullptr));
    TvdxMemoView memo;
    EXPECT_EQ(vdxFindInPlaceEditors(list.get(), &memo), nullptr);
    reg.UnRegister(&TvdxMemoView::staticMetaObject);
    EXPECT_EQ(reg.Count(), 0);
}

TEST(InPlaceRegistry, SettingsKeepVisibilityAndMissingKeysKeepTheRegisteredValue)
{
    TvdxComponentEditorsClasses reg;
    reg.Register(&TvdxMemoView::staticMetaObject,
                 {vdxInPlaceEditorClass<Probe<0>>(), vdxInPlaceEditorClass<Probe<1>>()}, {designerOnly, previewOnly});
    TMemIniFile ini;
    reg.SaveToIni(ini);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("TvdxMemoView"), QStringLiteral("TProbe0"), 0), 2);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("TvdxMemoView"), QStringLiteral("TProbe1"), 0), 1);

    TvdxComponentEditorsClasses other;
    other.Register(&TvdxMemoView::staticMetaObject,
                   {vdxInPlaceEditorClass<Probe<0>>(), vdxInPlaceEditorClass<Probe<1>>(),
                    vdxInPlaceEditorClass<Probe<2>>()},
                   {evBoth, evBoth, designerOnly});
    ini.WriteString(QStringLiteral("TvdxMemoView"), QStringLiteral("TProbe1"), QStringLiteral("garbage"));
    other.LoadFromIni(ini);
    TvdxComponentEditorsRegItem *item = other.GetEditors(0);
    EXPECT_EQ(item->GetEditorVisibility(0), designerOnly);
    EXPECT_EQ(item->GetEditorVisibility(1), evBoth); // unreadable: kept
    EXPECT_EQ(item->GetEditorVisibility(2), designerOnly); // no key: kept
}

TEST_F(LogFixture, EventsGoToTheEditorsInOrderUntilOneHandlesThem)
{
    TvdxComponentEditorsClasses reg;
    reg.Register(&TvdxMemoView::staticMetaObject, {vdxInPlaceEditorClass<Probe<0>>(), vdxInPlaceEditorClass<Probe<1>>(),
                                                   vdxInPlaceEditorClass<Probe<2>>()});
    std::unique_ptr<TvdxComponentEditorsList> list(reg.CreateEditorsInstances(evDesigner, nullptr));
    TvdxComponentEditorsManager *m = list->GetEditors(0);
    m->SetOffset(3, 4, 2);
    TvdxInteractiveEventsParams p;

    EXPECT_FALSE(m->DoMouseDown(1, 1, mbLeft, {}, p));
    EXPECT_EQ(log.calls, (QStringList{"0:down", "1:down", "2:down"}));
    log.calls.clear();
    Probe<1>::handles = true;
    EXPECT_TRUE(m->DoMouseDown(1, 1, mbLeft, {}, p));
    EXPECT_EQ(log.calls, (QStringList{"0:down", "1:down"}));
    log.calls.clear();
    bool accept = false;
    EXPECT_TRUE(m->DoCustomDragOver(nullptr, 1, 1, 0, accept, p));
    EXPECT_EQ(log.calls, (QStringList{"0:over", "1:over"}));
    // Each called editor got the host's offsets and scale first.
    EXPECT_EQ(m->Editor(1)->OffsetX(), 3);
    EXPECT_EQ(m->Editor(1)->OffsetY(), 4);
    EXPECT_EQ(m->Editor(1)->Scale(), 2);

    // Active rectangles: an empty one never contains; edges belong.
    const QRect object(100, 200, 50, 50);
    EXPECT_TRUE(m->IsContain(object, 105, 205));
    EXPECT_TRUE(m->IsContain(object, 115, 215));
    EXPECT_FALSE(m->IsContain(object, 100, 200));
    EXPECT_FALSE(m->IsContain(object, 116, 205));
}

TEST_F(LogFixture, CopyWalk)
{
    TvdxComponentEditorsClasses reg;
    reg.Register(&TvdxMemoView::staticMetaObject, {vdxInPlaceEditorClass<Probe<0>>(), vdxInPlaceEditorClass<Probe<1>>()});
    std::unique_ptr<TvdxComponentEditorsList> list(reg.CreateEditorsInstances(evPreview, nullptr));
    TvdxComponentEditorsManager *m = list->GetEditors(0);
    TvdxMemoView memo, memo2;
    TvdxInteractiveEventsParams p;

    // The first editor's default type stays for the following ones.
    m->CopyContent(&memo, p, nullptr, cptDefault);
    EXPECT_EQ(log.calls, (QStringList{"0:copytext", "1:copytext"}));
    log.calls.clear();

    // A restricted event stops the copy...
    p.EditRestricted = true;
    m->CopyContent(&memo, p, nullptr, cptDefault);
    EXPECT_TRUE(log.calls.isEmpty());
    EXPECT_FALSE(m->IsPasteAvailable(&memo, p, cptDefault));

    // ...but a group copy ignores restrictions.
    TvdxSelectedObjectsList selection;
    selection.Add(&memo);
    selection.Add(&memo2);
    p.SelectionList = &selection;
    m->CopyContent(&memo, p, nullptr, cptDefault);
    EXPECT_EQ(log.calls, (QStringList{"0:groupcopy", "1:groupcopy"}));
    selection.Clear();
}

TEST(InPlaceStartUp, EditorsModuleAndBarcodeObjectsRegisterTheDataFieldEditor)
{
    TvdxComponentEditorsClasses &reg = vdxInPlaceEditorRegistry();
    const QStringList expected{QStringLiteral("TvdxInPlaceDataFiledEditor")};
    for (const QMetaObject *cls : {&TvdxMemoView::staticMetaObject, &TvdxPictureView::staticMetaObject,
                                   &TvdxBarcode2DView::staticMetaObject, &TvdxBarCodeView::staticMetaObject})
        EXPECT_EQ(editorNames(itemOf(reg, cls)), expected) << cls->className();
    const int i2D = reg.IndexOf(QStringLiteral("TvdxBarcode2DView"));
    const int iLinear = reg.IndexOf(QStringLiteral("TvdxBarCodeView"));
    EXPECT_LT(i2D, iLinear);

    // The designer's list offers it for a barcode object.
    std::unique_ptr<TvdxComponentEditorsList> designer(reg.CreateEditorsInstances(evDesigner, nullptr));
    TvdxBarCodeView barcode;
    TvdxComponentEditorsManager *m = vdxFindComponentEditors(designer.get(), &barcode);
    ASSERT_NE(m, nullptr);
    EXPECT_NE(dynamic_cast<TvdxInPlaceDataFiledEditor *>(m->Editor(0)), nullptr);

    // Finalisation takes both out again.
    vdxUnregisterBarcodeInPlaceEditors();
    EXPECT_EQ(itemOf(reg, &TvdxBarcode2DView::staticMetaObject), nullptr);
    EXPECT_EQ(itemOf(reg, &TvdxBarCodeView::staticMetaObject), nullptr);
    EXPECT_NE(itemOf(reg, &TvdxMemoView::staticMetaObject), nullptr);
    vdxUnregisterInPlaceEditors();
    EXPECT_EQ(itemOf(reg, &TvdxMemoView::staticMetaObject), nullptr);
    EXPECT_EQ(itemOf(reg, &TvdxPictureView::staticMetaObject), nullptr);

    vdxRegisterInPlaceEditors();
    vdxRegisterBarcodeInPlaceEditors();
    EXPECT_EQ(editorNames(itemOf(reg, &TvdxBarCodeView::staticMetaObject)), expected);
}

TEST(InPlaceStartUp, PreviewPasteReachesTheRealManager)
{
    // The preview base asks the managers through its default lookup.
    class StubPreview : public TvdxCustomPreview {
    public:
        explicit StubPreview(TvdxReport *r) : report(r) {}
        TvdxReport *GetReport() override { return report; }
        TvdxReport *report;
    };
    TvdxReport report;
    StubPreview preview(&report);
    TvdxComponentEditorsClasses reg;
    reg.Register(&TvdxMemoView::staticMetaObject, {vdxInPlaceEditorClass<Probe<0>>()});
    std::unique_ptr<TvdxComponentEditorsList> list(reg.CreateEditorsInstances(evPreview, nullptr));
    preview.SetInPlaceEditorsList(list.get());
    TvdxMemoView memo;
    preview.SelectionList()->Add(&memo);
    report.PreviewOptions()->SetButtons(TvdxPreviewOptions::pbCopy | TvdxPreviewOptions::pbPaste);
    report.PreviewOptions()->SetAllowPreviewEdit(true);
    memo.SetEditable(TvdxComponent::ferAllowInPreview);
    // The probe never offers a paste; the walk reached it and answered so.
    EXPECT_FALSE(preview.InternalIsPasteAvailable());
    Log log;
    g_log = &log;
    preview.InternalCopy();
    g_log = nullptr;
    EXPECT_EQ(log.calls, (QStringList{"0:copytext"}));
    preview.SelectionList()->Clear();
}
