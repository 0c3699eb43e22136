// Base of every window of the library: follows screen-density changes, keeps
// window position, size, state, docking and visibility in a preferences store
// under "Form5." + class name, and can lend its controls to a host window.
#pragma once
#include "platform/IniFile.h"

#include <QPointer>
#include <QRect>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

enum TvdxPreferencesType : unsigned {
    vdPtFormPos = 1,
    vdPtFormSize = 2,
    vdPtFormVisibility = 4,
    vdPtFormDockInfo = 8,
    vdPtFormDockPos = 16,
    vdPtFormDockSize = 32,
    vdPtFormCustom = 64,
};
using TvdxPreferencesTypes = unsigned; // set of TvdxPreferencesType bits
enum TvdxPreferencesAction { vdPaLoad, vdPaSave, vdPaRestore };
enum TvdxPreferencesLoadEvent { peAtCreate, peAtShowOnce, peAtShow };

// Controls that lay themselves out per density.
class IvdxDPIAwareControl {
public:
    virtual ~IvdxDPIAwareControl() = default;
    virtual void DPIChanged(int newPPI) = 0;
};

// Density of a window's screen (the screen density when it has none).
int GetWindowPPI(const QWidget *window);
// The screen density the library lays designed sizes out for.
int vdScreenPPI();
// Tests and hosts can fix the densities: a screen PPI (0 = ask the screen) and
// a per-window provider (empty = ask the window's screen).
void vdSetScreenPPI(int ppi);
void vdSetWindowPPIProvider(std::function<int(const QWidget *)> provider);
// Awareness contexts do not exist here: setting answers 0, reading -1.
qintptr SetThreadDPIContext(qintptr context);
qintptr GetThreadDPIContext();

class TvdBaseForm : public QWidget {
    Q_OBJECT
public:
    // A top-level window owned by owner (destroyed with it).
    explicit TvdBaseForm(QWidget *owner = nullptr);
    ~TvdBaseForm() override;

    // Runs the steps that follow construction (density, preferences at
    // creation, resources). Called by vdCreateForm, else at the first show.
    void AfterConstruction();
    // Saves preferences that are still due; call from a subclass destructor
    // when its own store must be used (the base destructor calls it too).
    void BeforeDestruction();

    QWidget *Owner() const { return m_owner; }
    int CurrentFormPPI() const { return m_currentPPI; }
    bool IsPPIChanging() const { return m_ppiChanging; }
    bool Shown() const { return m_shown; }

    TvdxPreferencesTypes Preferences() const { return m_preferences; }
    void SetPreferences(TvdxPreferencesTypes value) { m_preferences = value; m_preferencesSet = true; }
    TvdxPreferencesLoadEvent PreferencesLoadEvent() const { return m_loadEvent; }
    void SetPreferencesLoadEvent(TvdxPreferencesLoadEvent value) { m_loadEvent = value; }
    bool PreferencesLoaded() const { return m_prefLoaded; }
    bool PreferencesSaved() const { return m_prefSaved; }

    void ProcessPreferences(TvdxPreferencesAction action);
    void ProcessPreferences(TvdxPreferencesAction action, TvdxPreferencesTypes prefTypes);
    void LoadFormPrefType(TCustomIniFile *store, TCustomIniFile *defaultStore, TvdxPreferencesTypes prefTypes);
    void SaveFormPrefType(TCustomIniFile *store, TCustomIniFile *defaultStore, TvdxPreferencesTypes prefTypes);

    virtual void LoadFormPreferences(TCustomIniFile *store, TCustomIniFile *defaultStore);
    virtual void SaveFormPreferences(TCustomIniFile *store, TCustomIniFile *defaultStore);
    virtual void RestoreFormPreferences(TCustomIniFile *store) { Q_UNUSED(store); }
    virtual QString PreferencesSection() const;
    virtual TvdxPreferencesTypes DefaultPreferences() const { return 0; }
    // The store of the parent base form, else of the owner base form; none at
    // the top. The caller owns the result.
    virtual std::unique_ptr<TCustomIniFile> GetPreferencesStorage(bool aDefault);
    // The class name the section and the help use.
    virtual QString FormClassName() const;

    // A density change of the window (the new PPI and the suggested outer
    // rectangle). Before the first show it is kept and replayed then; one
    // arriving while another is handled runs after it.
    void HandleDPIChanged(int newPPI, const QRect &suggested);
    // Tells a control about a new density: base forms get a density change
    // with their size scaled from the screen density, aware controls the PPI.
    void SendPPIMessage(QWidget *control, int newPPI);
    // Controls with a positive "Tag" property take the string resource of that number.
    static void LocalizeControls(QWidget *control);

    // Lending the form's controls to another window.
    void AddHostedControl(QWidget *control) { m_hosted.append(control); }
    virtual void HostControls(QWidget *host);
    virtual void UnhostControls(int modalResult);
    int ModalResult() const { return m_modalResult; }
    std::function<void(TvdBaseForm *)> OnShow;
    std::function<void(TvdBaseForm *)> OnHide;

    void setVisible(bool visible) override;

protected:
    virtual void BeginPPIChange() { m_ppiChanging = true; }
    virtual void EndPPIChange() { m_ppiChanging = false; }
    virtual void AfterPPIChanged() {}
    virtual void InitShow() {}
    virtual void BeforeShow() {}
    virtual void UpdateResouces() {}
    // Tells every density-aware control (children before their parent).
    virtual void UpdateFormPPI(int newPPI);

    void closeEvent(QCloseEvent *event) override;

private:
    void applyMonitorPPI();
    void watchScreen();
    void updateDPIAware(QWidget *w, int newPPI);
    void forwardToChildForms(QWidget *w, int ppi, const QRect &rect);

    QPointer<QWidget> m_owner;
    int m_currentPPI = 0;
    bool m_ppiUpdateNeeded = true;
    bool m_ppiChanging = false;
    bool m_constructed = false;
    bool m_shown = false;
    bool m_screenWatched = false;
    bool m_inShow = false;
    int m_savedPPI = 0;
    bool m_handlingDPI = false;
    struct PendingDPI {
        int ppi;
        QRect rect;
    };
    std::optional<PendingDPI> m_pendingDPI;
    TvdxPreferencesTypes m_preferences = 0;
    bool m_preferencesSet = false;
    TvdxPreferencesLoadEvent m_loadEvent = peAtShowOnce;
    bool m_prefLoaded = false;
    bool m_prefSaved = false;
    bool m_prefLocked = false;
    bool m_destroyed = false;
    std::optional<bool> m_loadedVisible;
    QList<QPointer<QWidget>> m_hosted;
    int m_modalResult = 0;
};

// The report library's form base: a density change also switches the shared
// image lists.
class TvdxBaseForm : public TvdBaseForm {
    Q_OBJECT
public:
    using TvdBaseForm::TvdBaseForm;

protected:
    void UpdateFormPPI(int newPPI) override;
};

// Forms that keep position, size and their own values.
class TvdxBaseLoadSavePrefForm : public TvdxBaseForm {
    Q_OBJECT
public:
    using TvdxBaseForm::TvdxBaseForm;
    TvdxPreferencesTypes DefaultPreferences() const override { return vdPtFormPos | vdPtFormSize | vdPtFormCustom; }
};

// Constructs a form and runs its after-construction steps.
template <class T, class... Args>
T *vdCreateForm(Args &&...args)
{
    T *form = new T(std::forward<Args>(args)...);
    form->AfterConstruction();
    return form;
}
