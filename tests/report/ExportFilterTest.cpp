#include "core/vdPictureCache.h"
#include "core/vdUtils.h"
#include "platform/UiProvider.h"
#include "report/vdxClass_export.h"
#include "report/vdxClass_report.h"
#include "report/vdxDsgnIntf.h"
#include "report/vdxExportBaseDialog.h"
#include "report/vdxIOTransportDialog.h"
#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QValidator>

namespace {

// Records the calls the base makes on the format's slots.
class RecordingFilter : public TvdxBaseDialogExportFilter {
public:
    explicit RecordingFilter(TvdComponent *owner = nullptr, bool noRegister = false)
        : TvdxBaseDialogExportFilter(owner, noRegister)
    {
    }
    bool Start() override
    {
        log << QStringLiteral("Start(%1,%2)").arg(PictureHashMap() ? "map" : "nomap", FileName());
        return startAnswer;
    }
    void Finish() override { log << QStringLiteral("Finish(%1)").arg(PictureHashMap() ? "map" : "nomap"); }
    void AfterFinish() override
    {
        log << QStringLiteral("AfterFinish");
        TvdxBaseDialogExportFilter::AfterFinish();
    }
    bool UsesPictureHashMap() override { return usesMap; }

    QStringList log;
    bool startAnswer = true;
    bool usesMap = false;
};

// A transport offered for export, counting its instances.
class CountedTransport : public TvdxIOTransportFile {
public:
    explicit CountedTransport(TvdComponent *owner = nullptr, bool noRegister = false)
        : TvdxIOTransportFile(owner, noRegister)
    {
        FVisibility = fvExport;
        ++alive;
    }
    ~CountedTransport() override { --alive; }
    TvdxIOTransportClass ClassType() const override { return &vdxNewIOTransport<CountedTransport>; }
    void SetVisibility(TvdxFilterVisibility value) override { FVisibility = value; }
    QString GetDescription() override { return description; }
    QString description = QStringLiteral("Counted");
    static inline int alive = 0;
};

bool registered(TvdxCustomExportFilter *f)
{
    auto &r = vdxExportFilterRegistry();
    for (int i = 0; i < r.Count(); ++i)
        if (r.GetExportFilterItem(i)->Filter == f)
            return true;
    return false;
}

TEST(ExportFilterBase, DefaultsAfterConstruction)
{
    RecordingFilter f;
    EXPECT_FALSE(f.CurPage());
    EXPECT_FALSE(f.ExportNotPrintable());
    EXPECT_TRUE(f.ShowDialog());
    EXPECT_EQ(f.ShowDialogOptions(), unsigned(doShowExportSettings | doShowSaveDialog));
    EXPECT_TRUE(f.UseFileCache());
    EXPECT_TRUE(f.ShowProgress());
    EXPECT_TRUE(f.CalculatePictureHash());
    EXPECT_FALSE(f.OverwritePrompt());
    EXPECT_FALSE(f.SlaveExport());
    EXPECT_FALSE(f.OpenAfterExport());
    EXPECT_EQ(f.Files(), nullptr);
    EXPECT_EQ(f.IOTransport(), nullptr);
    EXPECT_EQ(f.Stream(), nullptr);
    EXPECT_TRUE(f.IsProcessInternal());
    EXPECT_EQ(f.TvdxCustomExportFilter::ShowModal(), int(mrOk));
}

TEST(ExportFilterBase, ShowDialogReadsBothOptions)
{
    struct Case {
        unsigned options;
        bool showDialog;
    };
    const Case cases[] = {
        {0, false},
        {doShowExportSettings, false},
        {doShowSaveDialog, false},
        {doShowExportSettings | doShowSaveDialog, true},
    };
    RecordingFilter f(nullptr, true);
    for (const Case &c : cases) {
        f.SetShowDialogOptions(c.options);
        EXPECT_EQ(f.ShowDialog(), c.showDialog) << c.options;
    }
    f.SetShowDialogOptions(doShowSaveDialog);
    f.SetShowDialog(true);
    EXPECT_EQ(f.ShowDialogOptions(), unsigned(doShowExportSettings | doShowSaveDialog));
    f.SetShowDialog(false);
    EXPECT_EQ(f.ShowDialogOptions(), 0u);
    // Through the published property as the serializer sees it.
    f.setProperty("ShowDialog", true);
    EXPECT_TRUE(f.property("ShowDialog").toBool());
}

TEST(ExportFilterBase, RegistryHoldsRegisteredFiltersOnly)
{
    const int before = vdxExportFilterRegistry().Count();
    {
        RecordingFilter a;
        RecordingFilter b(nullptr, true);
        EXPECT_TRUE(a.Registered());
        EXPECT_FALSE(b.Registered());
        EXPECT_TRUE(registered(&a));
        EXPECT_FALSE(registered(&b));
        EXPECT_EQ(vdxExportFilterRegistry().Count(), before + 1);
    }
    EXPECT_EQ(vdxExportFilterRegistry().Count(), before);
}

TEST(ExportFilterBase, UnregisteredFilterHasNoOwner)
{
    TvdComponent owner;
    auto *f = new RecordingFilter(&owner, true);
    EXPECT_EQ(f->Owner(), nullptr);
    delete f;
    auto *g = new RecordingFilter(&owner);
    EXPECT_EQ(g->Owner(), &owner);
    // The owner frees it; the registry forgets it.
    owner.DestroyComponents();
    EXPECT_FALSE(registered(g));
}

struct FileNameCase {
    const char *fileName;
    const char *defaultPath;
    const char *expected;
};

TEST(ExportFilterBase, PrepareFileNameJoinsDefaultPath)
{
    const FileNameCase cases[] = {
        {"out.zpl", "labels", "labels/out.zpl"},
        {"out.zpl", "labels/", "labels/out.zpl"},
        {"out.zpl", "C:\\Labels\\", "C:\\Labels\\out.zpl"},
        {"out.zpl", "", "out.zpl"},
        {"sub/out.zpl", "labels", "sub/out.zpl"},
        {"sub\\out.zpl", "labels", "sub\\out.zpl"},
        {"/tmp/out.zpl", "labels", "/tmp/out.zpl"},
        {"", "labels", ""},
    };
    for (const auto &c : cases) {
        RecordingFilter f(nullptr, true);
        f.SetFileName(QString::fromUtf8(c.fileName));
        f.SetDefaultPath(QString::fromUtf8(c.defaultPath));
        f.PrepareFileName();
        EXPECT_EQ(f.FileName(), QString::fromUtf8(c.expected)) << c.fileName << " in " << c.defaultPath;
    }
}

TEST(ExportFilterBase, SlaveExportOfSavedReportWritesToTempFolder)
{
    TvdxReport report;
    report.SetFileName(QStringLiteral("/data/reports/labels.vd3"));
    RecordingFilter f(nullptr, true);
    TvdxIOTransportFile transport(nullptr, true);
    f.SetIOTransport(&transport);
    f.SetReport(&report);
    f.SetSlaveExport(true);
    f.SetDefaultExt(QStringLiteral(".zpl"));
    f.PrepareFileName();
    EXPECT_EQ(f.FileName(), GetTempDir() + QStringLiteral("labels.zpl"));
    EXPECT_EQ(transport.BasePath, GetTempDir());
}

TEST(ExportFilterBase, SlaveExportOfUnsavedReportGetsTempNameWithFormatExt)
{
    TvdxReport report;
    RecordingFilter f(nullptr, true);
    f.SetReport(&report);
    f.SetSlaveExport(true);
    f.SetDefaultExt(QStringLiteral(".zpl"));
    f.PrepareFileName();
    EXPECT_TRUE(f.FileName().startsWith(GetTempDir())) << f.FileName().toStdString();
    EXPECT_TRUE(f.FileName().endsWith(QStringLiteral(".zpl"))) << f.FileName().toStdString();
    // Only the unique stem was reserved: no empty placeholder is left behind.
    EXPECT_FALSE(QFile::exists(vdxChangeFileExt(f.FileName(), QStringLiteral(".tmp"))));
    // A name already given is kept.
    RecordingFilter g(nullptr, true);
    g.SetSlaveExport(true);
    g.SetFileName(QStringLiteral("/x/given.zpl"));
    g.PrepareFileName();
    EXPECT_EQ(g.FileName(), QStringLiteral("/x/given.zpl"));
}

TEST(ExportFilterBase, FileNameSetsTransportNameAndFolder)
{
    RecordingFilter f(nullptr, true);
    TvdxIOTransportFile transport(nullptr, true);
    f.SetIOTransport(&transport);
    f.SetFileName(QStringLiteral("/out/labels/a.zpl"));
    EXPECT_EQ(transport.FileName, QStringLiteral("/out/labels/a.zpl"));
    EXPECT_EQ(transport.BasePath, QStringLiteral("/out/labels/"));
}

TEST(ExportFilterBase, StartAndFinishWrappers)
{
    RecordingFilter f(nullptr, true);
    f.usesMap = true;
    f.SetFileName(QStringLiteral("out.zpl"));
    f.SetDefaultPath(QStringLiteral("labels"));
    EXPECT_TRUE(f.DoStart());
    EXPECT_NE(f.PictureHashMap(), nullptr);
    f.DoFinish();
    EXPECT_EQ(f.PictureHashMap(), nullptr);
    EXPECT_EQ(f.log, QStringList({"Start(map,labels/out.zpl)", "Finish(nomap)", "AfterFinish"}));

    RecordingFilter g(nullptr, true);
    g.startAnswer = false;
    EXPECT_FALSE(g.DoStart());
    EXPECT_EQ(g.log, QStringList({"Start(nomap,)"}));
}

TEST(ExportFilterBase, PictureHashMapFollowsCalculatePictureHash)
{
    RecordingFilter f(nullptr, true);
    f.usesMap = true;
    f.SetCalculatePictureHash(false);
    f.DoStart();
    ASSERT_NE(f.PictureHashMap(), nullptr);
    EXPECT_FALSE(f.PictureHashMap()->RealHash());
    f.DoFinish();
}

TEST(ExportFilterBase, DefaultTransportClassByOptions)
{
    vdxInitIOTransportClasses();
    TvdxIOTransportClass savedDialog = vdxDialogIOTransportClass();
    vdxDialogIOTransportClass() = &vdxNewIOTransport<TvdxIOTransportFileDialog>;
    QBuffer buffer;
    struct Case {
        unsigned options;
        bool slave;
        bool stream;
        bool dialogClass;
    };
    const Case cases[] = {
        {doShowExportSettings | doShowSaveDialog, false, false, true},
        {doShowSaveDialog, false, false, true},
        {doShowExportSettings, false, false, false},
        {doShowSaveDialog, true, false, false},
        {doShowSaveDialog, false, true, false},
    };
    for (const Case &c : cases) {
        RecordingFilter f(nullptr, true);
        f.SetShowDialogOptions(c.options);
        f.SetSlaveExport(c.slave);
        f.SetStream(c.stream ? &buffer : nullptr);
        TvdxCustomIOTransport *t = f.DefaultIOTransport();
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(f.DefaultIOTransport(), t); // made once
        EXPECT_EQ(dynamic_cast<TvdxIOTransportFileDialog *>(t) != nullptr, c.dialogClass) << c.options;
        EXPECT_TRUE(t->NoRegister());
        EXPECT_EQ(vdxIOTransportRegistry().IndexOf(t), -1);
    }
    vdxDialogIOTransportClass() = savedDialog;
}

TEST(ExportFilterBase, SettingDefaultTransportFreesThePrevious)
{
    const int alive = CountedTransport::alive;
    {
        RecordingFilter f(nullptr, true);
        f.SetDefaultIOTransport(new CountedTransport(nullptr, true));
        f.SetIOTransport(f.DefaultIOTransport());
        f.SetDefaultIOTransport(new CountedTransport(nullptr, true));
        EXPECT_EQ(CountedTransport::alive, alive + 1);
        // The caller's pointer to the freed transport is dropped with it.
        EXPECT_EQ(f.IOTransport(), nullptr);
        f.SetDefaultIOTransport(nullptr);
        EXPECT_EQ(CountedTransport::alive, alive);
        f.SetDefaultIOTransport(new CountedTransport(nullptr, true));
    }
    EXPECT_EQ(CountedTransport::alive, alive);
}

TEST(ExportFilterBase, FilesAreOwned)
{
    RecordingFilter f(nullptr, true);
    f.SetFiles(new QStringList({"a.1.html", "a.2.html"}));
    ASSERT_NE(f.Files(), nullptr);
    EXPECT_EQ(f.Files()->size(), 2);
    f.SetFiles(new QStringList); // frees the first list (checked under LeakSanitizer)
    EXPECT_TRUE(f.Files()->isEmpty());
}

TEST(ExportFilterBase, TransportReadsTheFilterSettings)
{
    TvdxReport report;
    RecordingFilter f(nullptr, true);
    f.SetReport(&report);
    f.SetDefaultExt(QStringLiteral(".zpl"));
    f.SetFilterDesc(QStringLiteral("ZPL file (*.zpl)|*.zpl"));
    f.SetDefaultPath(QStringLiteral("/labels"));
    f.SetFileName(QStringLiteral("out.zpl"));
    f.SetOverwritePrompt(true);
    TvdxIOTransportFile t(nullptr, true);
    t.InitFromExport(&f);
    EXPECT_EQ(t.DefaultExt, QStringLiteral(".zpl"));
    EXPECT_EQ(t.FilterString(), QStringLiteral("ZPL file (*.zpl)|*.zpl"));
    EXPECT_EQ(t.FileName, QStringLiteral("out.zpl"));
    EXPECT_EQ(t.BasePath, QStringLiteral("/labels"));
    EXPECT_EQ(t.Report(), &report);
    EXPECT_TRUE(t.OverwritePrompt);
}

// ---------------------------------------------------------------------------
class DialogFilter : public ::testing::Test {
protected:
    void SetUp() override
    {
        vdxInitIOTransportClasses();
        vdxExportDialogRunner() = nullptr;
        SetShellOpenHandler([this](const QString &name, int) {
            opened << name;
            return 42;
        });
    }
    void TearDown() override
    {
        vdxExportDialogRunner() = nullptr;
        SetShellOpenHandler(nullptr);
    }
    QStringList opened;
    vdtest::TempDir tmp;
};

TEST_F(DialogFilter, StreamShowsAndOpensNothing)
{
    int runs = 0;
    vdxExportDialogRunner() = [&](TvdxBaseExportDialog *) {
        ++runs;
        return int(mrCancel);
    };
    QBuffer buffer;
    RecordingFilter f(nullptr, true);
    f.SetStream(&buffer);
    f.SetOpenAfterExport(true);
    f.SetFileName(tmp.file("a.zpl"));
    EXPECT_TRUE(f.ShowDialog());
    EXPECT_EQ(f.ShowModal(), int(mrOk));
    f.DoFinish();
    EXPECT_EQ(runs, 0);
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(DialogFilter, OpenAfterExportOpensFileOrFirstPart)
{
    const QString written = tmp.file("a.zpl");
    ASSERT_TRUE(vdtest::writeFile(written, "^XA^XZ"));
    RecordingFilter f(nullptr, true);
    f.SetOpenAfterExport(true);
    f.SetFileName(written);
    f.DoFinish();
    f.SetFileName(tmp.file("pages.html"));
    f.DoFinish();
    f.SetOpenAfterExport(false);
    f.DoFinish();
    EXPECT_EQ(opened, QStringList({written, tmp.file("pages.1.html")}));
}

TEST_F(DialogFilter, HeadlessRunWithoutRunnerAnswersOk)
{
    RecordingFilter f(nullptr, true);
    f.SetPageNumbers(QStringLiteral("2-3"));
    EXPECT_EQ(f.ShowModal(), int(mrOk));
    // OK stored the dialog back: the page range it was loaded with.
    EXPECT_EQ(f.PageNumbers(), QStringLiteral("2-3"));
}

TEST_F(DialogFilter, CaptionsComeFromTagsAndSingleTabIsUnwrapped)
{
    std::unique_ptr<TvdxBaseExportDialog> d(vdxNewExportDialog<TvdxBaseExportDialog>(nullptr));
    EXPECT_EQ(d->windowTitle(), QStringLiteral("Export to PDF"));
    EXPECT_EQ(d->OpenCB->text(), QStringLiteral("Open after export"));
    EXPECT_EQ(d->GroupPageRange->title(), QStringLiteral("Page range"));
    EXPECT_EQ(d->GroupQuality->title(), QStringLiteral("Export settings"));
    EXPECT_EQ(d->DescrL->text(),
              QStringLiteral("Enter page numbers and/or page ranges, separated by commas. For example, 1,3,5-12"));
    EXPECT_EQ(d->AllRB->text(), QStringLiteral("All"));
    EXPECT_EQ(d->CurPageRB->text(), QStringLiteral("Current page"));
    EXPECT_EQ(d->PageNumbersRB->text(), QStringLiteral("Pages:"));
    EXPECT_EQ(d->GroupBox1->title(), QStringLiteral("Save to"));
    EXPECT_EQ(d->OkB->text(), QStringLiteral("OK"));
    EXPECT_EQ(d->CancelB->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(d->PageControl1->tabText(0), QStringLiteral("Export"));
    EXPECT_TRUE(d->PageControl1->isHidden());
    EXPECT_EQ(d->GroupPageRange->parentWidget(), d.get());
    EXPECT_EQ(d->OpenCB->parentWidget(), d.get());
    EXPECT_GT(d->GroupQuality->y(), d->PageControl1->y());
}

TEST_F(DialogFilter, PageNumbersFieldTakesDigitsCommasAndDashes)
{
    std::unique_ptr<TvdxBaseExportDialog> d(vdxNewExportDialog<TvdxBaseExportDialog>(nullptr));
    const QValidator *v = d->PageNumbersE->validator();
    ASSERT_NE(v, nullptr);
    struct Case {
        const char *text;
        bool accepted;
    };
    const Case cases[] = {{"1,3,5-12", true}, {"", true}, {"1a", false}, {"1 2", false}, {"1;2", false}};
    for (const Case &c : cases) {
        QString s = QString::fromUtf8(c.text);
        int pos = 0;
        EXPECT_EQ(v->validate(s, pos) == QValidator::Acceptable, c.accepted) << c.text;
    }
    // Typing checks the page-number choice.
    EXPECT_TRUE(d->AllRB->isChecked());
    QKeyEvent press(QEvent::KeyPress, Qt::Key_5, Qt::NoModifier, QStringLiteral("5"));
    QApplication::sendEvent(d->PageNumbersE, &press);
    EXPECT_EQ(d->PageNumbersE->text(), QStringLiteral("5"));
    EXPECT_TRUE(d->PageNumbersRB->isChecked());
    QKeyEvent letter(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QApplication::sendEvent(d->PageNumbersE, &letter);
    EXPECT_EQ(d->PageNumbersE->text(), QStringLiteral("5"));
}

struct RangeCase {
    const char *name;
    std::function<void(TvdxBaseExportDialog *)> choose;
    bool curPage;
    const char *pageNumbers;
};

TEST_F(DialogFilter, OkStoresPageRangeAndOpenChoice)
{
    const RangeCase cases[] = {
        {"all", [](TvdxBaseExportDialog *d) { d->AllRB->setChecked(true); }, false, ""},
        {"current", [](TvdxBaseExportDialog *d) { d->CurPageRB->setChecked(true); }, true, ""},
        {"numbers",
         [](TvdxBaseExportDialog *d) {
             d->PageNumbersE->setText(QStringLiteral("1,3-4"));
             d->PageNumbersRB->setChecked(true);
         },
         false, "1,3-4"},
    };
    for (const RangeCase &c : cases) {
        RecordingFilter f(nullptr, true);
        f.SetCurPage(!c.curPage);
        f.SetPageNumbers(QStringLiteral("9"));
        vdxExportDialogRunner() = [&](TvdxBaseExportDialog *d) {
            EXPECT_TRUE(d->PageNumbersRB->isChecked());
            EXPECT_EQ(d->PageNumbersE->text(), QStringLiteral("9"));
            c.choose(d);
            d->OpenCB->setChecked(true);
            d->OkB->click();
            return d->ModalResult();
        };
        EXPECT_EQ(f.ShowModal(), int(mrOk)) << c.name;
        EXPECT_EQ(f.CurPage(), c.curPage) << c.name;
        EXPECT_EQ(f.PageNumbers(), QString::fromUtf8(c.pageNumbers)) << c.name;
        EXPECT_TRUE(f.OpenAfterExport()) << c.name;
    }
}

TEST_F(DialogFilter, CancelLeavesFilterUnchanged)
{
    RecordingFilter f(nullptr, true);
    f.SetPageNumbers(QStringLiteral("2"));
    vdxExportDialogRunner() = [](TvdxBaseExportDialog *d) {
        d->CurPageRB->setChecked(true);
        d->OpenCB->setChecked(true);
        d->CancelB->click();
        return d->ModalResult();
    };
    EXPECT_EQ(f.ShowModal(), int(mrCancel));
    EXPECT_EQ(f.PageNumbers(), QStringLiteral("2"));
    EXPECT_FALSE(f.CurPage());
    EXPECT_FALSE(f.OpenAfterExport());
}

TEST_F(DialogFilter, SlaveExportGreysOpenAndKeepsTransport)
{
    CountedTransport a(nullptr, false), b(nullptr, false);
    a.description = QStringLiteral("A");
    b.description = QStringLiteral("B");
    RecordingFilter f(nullptr, true);
    f.SetSlaveExport(true);
    f.SetOpenAfterExport(true);
    vdxExportDialogRunner() = [&](TvdxBaseExportDialog *d) {
        EXPECT_FALSE(d->OpenCB->isEnabled());
        EXPECT_FALSE(d->OpenCB->isChecked());
        EXPECT_FALSE(d->FiltersNameCB->isEnabled());
        return int(mrOk);
    };
    EXPECT_EQ(f.ShowModal(), int(mrOk));
    EXPECT_FALSE(f.OpenAfterExport());
    // No clone of a listed transport: the default one of the filter.
    EXPECT_EQ(dynamic_cast<CountedTransport *>(f.DefaultIOTransport()), nullptr);
}

TEST_F(DialogFilter, ChosenTransportBecomesTheDefaultClone)
{
    CountedTransport a(nullptr, false), b(nullptr, false);
    a.description = QStringLiteral("A-transport");
    b.description = QStringLiteral("B-transport");
    TvdxReport report;
    report.SetFileName(QStringLiteral("/reports/labels.vd3"));
    RecordingFilter f(nullptr, true);
    f.SetReport(&report);
    f.SetDefaultExt(QStringLiteral(".zpl"));
    vdxExportDialogRunner() = [&](TvdxBaseExportDialog *d) {
        const int ia = int(d->Transports().indexOf(&a));
        const int ib = int(d->Transports().indexOf(&b));
        EXPECT_GE(ia, 0);
        EXPECT_GE(ib, 0);
        EXPECT_EQ(d->FiltersNameCB->itemText(ib), QStringLiteral("B-transport"));
        EXPECT_FALSE(d->FiltersNameCB->isHidden());
        EXPECT_FALSE(d->GroupBox1->isHidden());
        EXPECT_EQ(d->FiltersNameCB->currentIndex(), 0);
        d->FiltersNameCB->setCurrentIndex(ib);
        return int(mrOk);
    };
    EXPECT_EQ(f.ShowModal(), int(mrOk));
    auto *chosen = dynamic_cast<CountedTransport *>(f.DefaultIOTransport());
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(chosen->OriginalCopy(), &b);
    EXPECT_EQ(chosen->CreatedFrom, fvExport);
    EXPECT_TRUE(chosen->NoRegister());
    // The name comes from the report's file with the transport's extension.
    EXPECT_EQ(f.FileName(), QStringLiteral("labels.zpl"));
}

TEST_F(DialogFilter, CustomDialogClassWins)
{
    static int made = 0;
    struct OwnDialog : TvdxBaseExportDialog {
        explicit OwnDialog(QWidget *owner) : TvdxBaseExportDialog(owner) { ++made; }
    };
    RecordingFilter f(nullptr, true);
    f.CustomExportDialogClass = &vdxNewExportDialog<OwnDialog>;
    vdxExportDialogRunner() = [](TvdxBaseExportDialog *d) {
        EXPECT_NE(dynamic_cast<OwnDialog *>(d), nullptr);
        return int(mrCancel);
    };
    EXPECT_EQ(f.ShowModal(), int(mrCancel));
    EXPECT_EQ(made, 1);
}

} // namespace
