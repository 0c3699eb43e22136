#include "core/vdBaseForm.h"
#include "core/vdxProgress.h"
#include "core/vdxRes.h"
#include "common/SaveFaults.h"
#include "common/TestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <gtest/gtest.h>

namespace {

// Fixes the monitor density for the forms of one test.
class PPIScope {
public:
    explicit PPIScope(int ppi)
    {
        vdSetWindowPPIProvider([ppi](const QWidget *) { return ppi; });
    }
    ~PPIScope()
    {
        vdSetWindowPPIProvider(nullptr);
        SetImagesPPI(96);
    }
};

class AwareChild : public QWidget, public IvdxDPIAwareControl {
public:
    using QWidget::QWidget;
    void DPIChanged(int newPPI) override { told << newPPI; }
    QList<int> told;
};

class PrefForm : public TvdxBaseLoadSavePrefForm {
public:
    explicit PrefForm(const QString &iniPath, QWidget *owner = nullptr)
        : TvdxBaseLoadSavePrefForm(owner), m_ini(iniPath)
    {
        child = new AwareChild(this);
    }
    std::unique_ptr<TCustomIniFile> GetPreferencesStorage(bool aDefault) override
    {
        if (aDefault)
            return defaultText.isEmpty() ? nullptr : [&] {
                auto mem = std::make_unique<TMemIniFile>();
                mem->SetIniText(defaultText);
                return mem;
            }();
        if (m_ini.isEmpty())
            return TvdxBaseLoadSavePrefForm::GetPreferencesStorage(false);
        return std::make_unique<TIniFile>(m_ini);
    }
    void LoadFormPreferences(TCustomIniFile *s, TCustomIniFile *d) override
    {
        ++loads;
        TvdxBaseLoadSavePrefForm::LoadFormPreferences(s, d);
    }
    void SaveFormPreferences(TCustomIniFile *s, TCustomIniFile *d) override
    {
        ++saves;
        TvdxBaseLoadSavePrefForm::SaveFormPreferences(s, d);
    }
    void RestoreFormPreferences(TCustomIniFile *) override { ++restores; }
    QString FormClassName() const override { return QStringLiteral("TPrefForm"); }
    void UpdateFormPPI(int ppi) override
    {
        updates << ppi;
        if (reenterWith) {
            const int next = reenterWith;
            reenterWith = 0;
            HandleDPIChanged(next, frameGeometry());
        }
        TvdxBaseLoadSavePrefForm::UpdateFormPPI(ppi);
    }
    ~PrefForm() override { BeforeDestruction(); }

    AwareChild *child;
    QString defaultText;
    int loads = 0, saves = 0, restores = 0;
    QList<int> updates;
    int reenterWith = 0;

private:
    QString m_ini;
};

TEST(FormPreferences, RoundTripAt96And144)
{
    struct Case { int ppi; int storedWidth; int storedHeight; };
    const Case cases[] = {{96, 600, 400}, {144, 400, 267}};
    for (const Case &c : cases) {
        PPIScope scope(c.ppi);
        vdtest::TempDir dir;
        const QString ini = dir.file("prefs.ini");
        {
            std::unique_ptr<PrefForm> form(vdCreateForm<PrefForm>(ini));
            EXPECT_EQ(form->CurrentFormPPI(), c.ppi);
            EXPECT_EQ(form->Preferences(), 67u);
            form->move(30, 40);
            form->resize(600, 400);
            form->ProcessPreferences(vdPaSave);
            EXPECT_EQ(form->saves, 1);
        }
        TIniFile store(ini);
        EXPECT_EQ(store.ReadInteger("Form5.TPrefForm", "Width", 0), c.storedWidth) << c.ppi;
        EXPECT_EQ(store.ReadInteger("Form5.TPrefForm", "Height", 0), c.storedHeight) << c.ppi;
        EXPECT_EQ(store.ReadInteger("Form5.TPrefForm", "Left", 0), 30);
        EXPECT_EQ(store.ReadString("Form5.TPrefForm", "Maximized", ""), "0");
        EXPECT_EQ(store.ReadSection("Form5.TPrefForm"),
                  QStringList({"Left", "Top", "Maximized", "Visible", "Dock5", "Width", "Height"}));
        std::unique_ptr<PrefForm> again(vdCreateForm<PrefForm>(ini));
        again->resize(100, 100);
        again->ProcessPreferences(vdPaLoad);
        EXPECT_EQ(again->size(), QSize(600, 400)) << c.ppi;
        EXPECT_EQ(again->pos(), QPoint(30, 40)) << c.ppi;
    }
}

TEST(FormPreferences, BoundsOffEveryMonitorAreIgnored)
{
    vdtest::TempDir dir;
    const QString ini = dir.file("prefs.ini");
    vdtest::writeFile(ini, "[Form5.TPrefForm]\nLeft=5000\nTop=5000\nWidth=300\nHeight=200\n");
    std::unique_ptr<PrefForm> form(vdCreateForm<PrefForm>(ini));
    form->move(10, 10);
    form->resize(100, 80);
    form->ProcessPreferences(vdPaLoad);
    EXPECT_EQ(form->pos(), QPoint(10, 10));
    EXPECT_EQ(form->size(), QSize(100, 80));
    EXPECT_TRUE(form->PreferencesLoaded());
}

TEST(FormPreferences, MaximizedAndDefaultStore)
{
    vdtest::TempDir dir;
    const QString ini = dir.file("prefs.ini");
    std::unique_ptr<PrefForm> form(vdCreateForm<PrefForm>(ini));
    form->defaultText = "[Form5.TPrefForm]\nLeft=50\nTop=60\nWidth=320\nHeight=240\n";
    form->ProcessPreferences(vdPaLoad); // no section in the store: the default store is read
    EXPECT_EQ(form->pos(), QPoint(50, 60));
    EXPECT_EQ(form->size(), QSize(320, 240));
    vdtest::writeFile(ini, "[Form5.TPrefForm]\nMaximized=1\nLeft=70\n");
    form->ProcessPreferences(vdPaLoad);
    EXPECT_TRUE(form->windowState() & Qt::WindowMaximized);
    EXPECT_EQ(form->pos(), QPoint(50, 60));
}

TEST(FormPreferences, AtShowOnceLoadsAtFirstShowAndSavesAtFirstClose)
{
    vdtest::TempDir dir;
    std::unique_ptr<PrefForm> form(vdCreateForm<PrefForm>(dir.file("prefs.ini")));
    EXPECT_EQ(form->PreferencesLoadEvent(), peAtShowOnce);
    EXPECT_EQ(form->loads, 0);
    form->show();
    form->close();
    form->show();
    form->close();
    EXPECT_EQ(form->loads, 1);
    EXPECT_EQ(form->saves, 1);
    form.reset(); // saved already: nothing more
    TIniFile store(dir.file("prefs.ini"));
    EXPECT_TRUE(store.SectionExists("Form5.TPrefForm"));
}

TEST(FormPreferences, FailedSaveIsReplacedByRestore)
{
    vdtest::TempDir dir;
    vdtest::writeFile(dir.file("file"), "x");
    std::unique_ptr<PrefForm> form(vdCreateForm<PrefForm>(dir.file("file/prefs.ini")));
    EXPECT_NO_THROW(form->ProcessPreferences(vdPaSave));
    EXPECT_EQ(form->restores, 1);
    EXPECT_FALSE(form->PreferencesSaved());
    // Without any store nothing is loaded or saved.
    std::unique_ptr<PrefForm> top(vdCreateForm<PrefForm>(QString()));
    top->ProcessPreferences(vdPaSave);
    EXPECT_EQ(top->saves, 0);
}

TEST(FormPreferences, SaveOnAFullDiskKeepsTheOldStore)
{
    vdtest::TempDir dir;
    const QString path = dir.file("prefs.ini");
    const QByteArray old("[Other]\nKey=kept\n");
    ASSERT_TRUE(vdtest::writeFile(path, old));
    std::unique_ptr<PrefForm> form(vdCreateForm<PrefForm>(path));
    {
        TvdWriteFault fault;
        fault.bytesLeft = 4;
        TvdScopedWriteFault scope(fault);
        EXPECT_NO_THROW(form->ProcessPreferences(vdPaSave));
    }
    EXPECT_FALSE(form->PreferencesSaved());
    EXPECT_EQ(form->restores, 1);
    EXPECT_EQ(vdtest::readFile(path), old);
    EXPECT_EQ(vdtest::filesIn(dir.path()), QStringList{QStringLiteral("prefs.ini")});
}

TEST(FormPreferences, OwnedFormsUseTheOwnersStore)
{
    vdtest::TempDir dir;
    std::unique_ptr<PrefForm> owner(vdCreateForm<PrefForm>(dir.file("prefs.ini")));
    auto *child = vdCreateForm<PrefForm>(QString(), owner.get());
    child->resize(200, 100);
    child->ProcessPreferences(vdPaSave);
    EXPECT_EQ(child->saves, 1);
    TIniFile store(dir.file("prefs.ini"));
    EXPECT_EQ(store.ReadInteger("Form5.TPrefForm", "Width", 0), 200);
}

TEST(FormDensity, FormTakesTheMonitorDensityAtConstruction)
{
    PPIScope scope(144);
    std::unique_ptr<PrefForm> form(vdCreateForm<PrefForm>(QString()));
    EXPECT_EQ(form->CurrentFormPPI(), 144);
    EXPECT_EQ(form->child->told, QList<int>({144}));
    EXPECT_EQ(GetImageResources()->ImagesPPI(), 144);
    form->AfterConstruction(); // runs once
    EXPECT_EQ(form->child->told, QList<int>({144}));
}

TEST(FormDensity, ChangeBeforeFirstShowIsAppliedAtShow)
{
    std::unique_ptr<PrefForm> form(vdCreateForm<PrefForm>(QString()));
    form->resize(200, 100);
    const int start = form->CurrentFormPPI();
    form->HandleDPIChanged(192, QRect(0, 0, 400, 200));
    EXPECT_EQ(form->CurrentFormPPI(), start);
    EXPECT_EQ(form->child->told.size(), 1);
    form->show();
    EXPECT_EQ(form->CurrentFormPPI(), 192);
    EXPECT_EQ(form->child->told.last(), 192);
    EXPECT_EQ(form->child->told.size(), 2);
    form->HandleDPIChanged(192, QRect());
    EXPECT_EQ(form->child->told.size(), 2);
}

TEST(FormDensity, SecondChangeDuringHandlingRunsAfterTheFirst)
{
    std::unique_ptr<PrefForm> form(vdCreateForm<PrefForm>(QString()));
    form->show();
    form->updates.clear();
    form->reenterWith = 192;
    form->HandleDPIChanged(144, QRect());
    EXPECT_EQ(form->updates, QList<int>({144, 192}));
    EXPECT_EQ(form->CurrentFormPPI(), 192);
    EXPECT_FALSE(form->IsPPIChanging());
    SetImagesPPI(96);
}

TEST(BaseForm, LocalizeControlsByTag)
{
    QWidget root;
    auto *button = new QPushButton("x", &root);
    button->setProperty("Tag", 2);
    auto *label = new QLabel("keep", &root);
    label->setProperty("Tag", 0);
    TvdBaseForm::LocalizeControls(&root);
    EXPECT_EQ(button->text(), "Cancel");
    EXPECT_EQ(label->text(), "keep");
}

TEST(ProgressWindow, Geometry)
{
    struct Case { int ppi; QSize size; QRect label; QRect labelHidden; QRect bar; QRect cancel; };
    const Case cases[] = {
        {96, QSize(271, 101), QRect(16, 15, 237, 20), QRect(16, 35, 237, 20), QRect(16, 37, 237, 17),
         QRect(100, 64, 75, 25)},
        {144, QSize(406, 151), QRect(24, 22, 355, 30), QRect(24, 52, 355, 30), QRect(24, 55, 355, 25),
         QRect(150, 96, 112, 37)},
    };
    for (const Case &c : cases) {
        PPIScope scope(c.ppi);
        std::unique_ptr<TvdxProgress> p(vdCreateForm<TvdxProgress>());
        p->Execute(3, "Working", true, true);
        EXPECT_EQ(p->size(), c.size) << c.ppi;
        EXPECT_EQ(p->LMessage()->geometry(), c.label) << c.ppi;
        EXPECT_EQ(p->Bar()->geometry(), c.bar) << c.ppi;
        EXPECT_EQ(p->CancelB()->geometry(), c.cancel) << c.ppi;
        EXPECT_TRUE(p->CancelB()->isVisible());
        EXPECT_EQ(p->CancelB()->text(), "Cancel");
        // Centred on the screen.
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        EXPECT_EQ(p->pos(), QPoint(screen.left() + (screen.width() - c.size.width()) / 2,
                                   screen.top() + (screen.height() - c.size.height()) / 2));
        p->Execute(3, "Again", false, false);
        EXPECT_FALSE(p->Bar()->isVisible());
        EXPECT_FALSE(p->CancelB()->isVisible());
        EXPECT_EQ(p->LMessage()->geometry(), c.labelHidden) << c.ppi;
        EXPECT_EQ(p->Message(), "Again");
    }
}

TEST(ProgressWindow, TicksCancelAndTheBlockedWindow)
{
    QWidget main;
    main.show();
    QApplication::setActiveWindow(&main);
    ASSERT_EQ(QApplication::activeWindow(), &main);
    std::unique_ptr<TvdxProgress> p(vdCreateForm<TvdxProgress>());
    EXPECT_FALSE(main.isEnabled()); // the window in front is blocked meanwhile
    p->Execute(2, "m", true, true);
    p->Tick();
    p->Tick();
    p->Tick();
    EXPECT_EQ(p->Position(), 2);
    p->Reset();
    EXPECT_EQ(p->Position(), 0);
    EXPECT_FALSE(p->Terminated());
    p->CancelB()->click();
    EXPECT_TRUE(p->Terminated());
    EXPECT_FALSE(p->isVisible());
    EXPECT_TRUE(main.isEnabled());
}

// Counts the paints of one widget.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

TEST(ProgressWindow, MessagesPaintedAtMostOncePerInterval)
{
    std::unique_ptr<TvdxProgress> p(vdCreateForm<TvdxProgress>());
    p->Execute(0, "Start", true, false);
    EXPECT_EQ(p->LMessage()->text(), "Start") << "the first message shows at once";
    PaintCounter counter;
    p->LMessage()->installEventFilter(&counter);
    QElapsedTimer clock;
    clock.start();
    // As an export sets it: one message per page, messages processed after each.
    const int pages = 2000;
    for (int i = 1; i <= pages; ++i) {
        p->SetMessage(QStringLiteral("Exporting page %1").arg(i));
        EXPECT_EQ(p->Message(), QStringLiteral("Exporting page %1").arg(i));
        QCoreApplication::processEvents();
    }
    const qint64 elapsed = clock.elapsed();
    EXPECT_LE(counter.paints, elapsed / TvdxProgress::kMessageInterval + 2) << elapsed << " ms";

    // The last message shows once its interval is over, and cancel still works.
    QElapsedTimer wait;
    wait.start();
    while (p->LMessage()->text() != p->Message() && wait.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(p->LMessage()->text(), QStringLiteral("Exporting page %1").arg(pages));
    p->SetMessage("Exporting page 1");
    p->CancelB()->click();
    EXPECT_TRUE(p->Terminated());
    EXPECT_EQ(p->Message(), "Exporting page 1");
}

} // namespace
