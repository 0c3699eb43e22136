#include "core/vdBaseForm.h"
#include "core/vdxRes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QWindow>
#include <cmath>

namespace {

int g_screenPPI = 0;
std::function<int(const QWidget *)> g_windowPPI;

int roundInt(double v)
{
    return static_cast<int>(std::nearbyint(v));
}

int screenDPI(const QScreen *screen)
{
    return screen ? roundInt(screen->logicalDotsPerInchY()) : 96;
}

// A dotted path of object names below root.
QWidget *findByPath(QWidget *root, const QString &path)
{
    QWidget *w = root;
    for (const QString &name : path.split(QLatin1Char('.'), Qt::SkipEmptyParts)) {
        if (!w)
            return nullptr;
        w = w->findChild<QWidget *>(name);
    }
    return w == root ? nullptr : w;
}

} // namespace

int vdScreenPPI()
{
    if (g_screenPPI > 0)
        return g_screenPPI;
    return screenDPI(QGuiApplication::primaryScreen());
}

void vdSetScreenPPI(int ppi)
{
    g_screenPPI = ppi;
}

void vdSetWindowPPIProvider(std::function<int(const QWidget *)> provider)
{
    g_windowPPI = std::move(provider);
}

int GetWindowPPI(const QWidget *window)
{
    if (g_windowPPI) {
        const int ppi = g_windowPPI(window);
        if (ppi > 0)
            return ppi;
    }
    if (window && window->screen())
        return screenDPI(window->screen());
    return vdScreenPPI();
}

qintptr SetThreadDPIContext(qintptr)
{
    return 0;
}

qintptr GetThreadDPIContext()
{
    return -1;
}

// ----------------------------------------------------------------- TvdBaseForm

TvdBaseForm::TvdBaseForm(QWidget *owner) : QWidget(owner, Qt::Window), m_owner(owner) {}

TvdBaseForm::~TvdBaseForm()
{
    BeforeDestruction();
}

QString TvdBaseForm::FormClassName() const
{
    return QString::fromLatin1(metaObject()->className());
}

QString TvdBaseForm::PreferencesSection() const
{
    return QStringLiteral("Form5.") + FormClassName();
}

void TvdBaseForm::AfterConstruction()
{
    if (m_constructed)
        return;
    m_constructed = true;
    if (!m_preferencesSet)
        m_preferences = DefaultPreferences();
    BeginPPIChange();
    applyMonitorPPI();
    EndPPIChange();
    if (m_loadEvent == peAtCreate)
        ProcessPreferences(vdPaLoad);
    UpdateResouces();
}

void TvdBaseForm::applyMonitorPPI()
{
    if (!m_ppiUpdateNeeded)
        return;
    m_ppiUpdateNeeded = false;
    const int ppi = GetWindowPPI(this);
    UpdateFormPPI(ppi);
    m_currentPPI = ppi;
}

void TvdBaseForm::BeforeDestruction()
{
    if (m_destroyed)
        return;
    m_destroyed = true;
    if (m_constructed && m_loadEvent != peAtShow && !m_prefSaved)
        ProcessPreferences(vdPaSave);
}

void TvdBaseForm::setVisible(bool visible)
{
    if (!visible || isVisible() || m_inShow) {
        QWidget::setVisible(visible);
        return;
    }
    AfterConstruction();
    m_inShow = true;
    m_loadedVisible.reset();
    InitShow();
    if (m_loadEvent == peAtShow || (m_loadEvent == peAtShowOnce && !m_prefLoaded))
        ProcessPreferences(vdPaLoad);
    if (m_ppiUpdateNeeded && m_savedPPI == 0)
        applyMonitorPPI();
    BeforeShow();
    const bool show = !m_loadedVisible.has_value() || *m_loadedVisible;
    m_inShow = false;
    if (!show)
        return;
    QWidget::setVisible(true);
    m_shown = true;
    watchScreen();
    if (m_savedPPI != 0) {
        const int ppi = m_savedPPI;
        const int screen = vdScreenPPI();
        const QRect g = frameGeometry();
        const QRect r(g.left(), g.top(), ppi * g.width() / screen, ppi * g.height() / screen);
        m_savedPPI = 0;
        HandleDPIChanged(ppi, r);
    }
}

void TvdBaseForm::closeEvent(QCloseEvent *event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted() && (m_loadEvent == peAtShow || (m_loadEvent == peAtShowOnce && !m_prefSaved)))
        ProcessPreferences(vdPaSave);
}

void TvdBaseForm::watchScreen()
{
    // Moving to a screen of another density is a density change.
    if (m_screenWatched || !windowHandle())
        return;
    m_screenWatched = true;
    connect(windowHandle(), &QWindow::screenChanged, this, [this](QScreen *) {
        const int ppi = GetWindowPPI(this);
        if (ppi != m_currentPPI)
            HandleDPIChanged(ppi, frameGeometry());
    });
}

// ------------------------------------------------------------------- density

void TvdBaseForm::updateDPIAware(QWidget *w, int newPPI)
{
    for (QObject *child : w->children())
        if (auto *cw = qobject_cast<QWidget *>(child)) {
            // Other windows follow their own density.
            if (cw->isWindow())
                continue;
            updateDPIAware(cw, newPPI);
        }
    if (w != this)
        if (auto *aware = dynamic_cast<IvdxDPIAwareControl *>(w))
            aware->DPIChanged(newPPI);
}

void TvdBaseForm::UpdateFormPPI(int newPPI)
{
    updateDPIAware(this, newPPI);
}

void TvdBaseForm::forwardToChildForms(QWidget *w, int ppi, const QRect &rect)
{
    for (QObject *child : w->children()) {
        if (auto *form = qobject_cast<TvdBaseForm *>(child)) {
            if (!form->isWindow())
                form->HandleDPIChanged(ppi, rect);
        } else if (auto *cw = qobject_cast<QWidget *>(child)) {
            if (!cw->isWindow())
                forwardToChildForms(cw, ppi, rect);
        }
    }
}

void TvdBaseForm::HandleDPIChanged(int newPPI, const QRect &suggested)
{
    if (m_handlingDPI) {
        m_pendingDPI = PendingDPI{newPPI, suggested};
        return;
    }
    m_handlingDPI = true;
    if (!m_shown) {
        m_savedPPI = newPPI;
        m_handlingDPI = false;
        return;
    }
    if (newPPI != m_currentPPI) {
        BeginPPIChange();
        if (suggested.isValid())
            setGeometry(suggested);
        if (newPPI != m_currentPPI && m_savedPPI == 0) {
            UpdateFormPPI(newPPI);
            m_currentPPI = newPPI;
            UpdateResouces();
            forwardToChildForms(this, m_currentPPI, suggested);
        }
        EndPPIChange();
        AfterPPIChanged();
    }
    m_handlingDPI = false;
    if (m_pendingDPI) {
        const PendingDPI next = *m_pendingDPI;
        m_pendingDPI.reset();
        HandleDPIChanged(next.ppi, next.rect);
    }
}

void TvdBaseForm::SendPPIMessage(QWidget *control, int newPPI)
{
    if (!control)
        return;
    if (auto *form = qobject_cast<TvdBaseForm *>(control)) {
        const int screen = vdScreenPPI();
        const QRect g = form->frameGeometry();
        const QRect r(g.left(), g.top(), roundInt(g.width() * static_cast<double>(newPPI) / screen),
                      roundInt(g.height() * static_cast<double>(newPPI) / screen));
        m_shown = true;
        form->HandleDPIChanged(newPPI, r);
    } else if (auto *aware = dynamic_cast<IvdxDPIAwareControl *>(control)) {
        aware->DPIChanged(newPPI);
    }
}

void TvdBaseForm::LocalizeControls(QWidget *control)
{
    if (!control)
        return;
    bool ok = false;
    const int tag = control->property("Tag").toInt(&ok);
    if (ok && tag > 0) {
        const QString text = GetResStr(tag);
        if (auto *b = qobject_cast<QAbstractButton *>(control))
            b->setText(text);
        else if (auto *l = qobject_cast<QLabel *>(control))
            l->setText(text);
        else if (auto *g = qobject_cast<QGroupBox *>(control))
            g->setTitle(text);
        else if (auto *e = qobject_cast<QLineEdit *>(control))
            e->setText(text);
        else if (control->isWindow())
            control->setWindowTitle(text);
    }
    for (QObject *child : control->children())
        if (auto *cw = qobject_cast<QWidget *>(child))
            LocalizeControls(cw);
}

// --------------------------------------------------------------- preferences

std::unique_ptr<TCustomIniFile> TvdBaseForm::GetPreferencesStorage(bool aDefault)
{
    QWidget *parent = isWindow() ? nullptr : parentWidget();
    if (auto *form = qobject_cast<TvdBaseForm *>(parent))
        return form->GetPreferencesStorage(aDefault);
    if (auto *form = qobject_cast<TvdBaseForm *>(m_owner.data()))
        return form->GetPreferencesStorage(aDefault);
    return nullptr;
}

void TvdBaseForm::ProcessPreferences(TvdxPreferencesAction action)
{
    if (m_preferences == 0 || m_prefLocked)
        return;
    std::unique_ptr<TCustomIniFile> defaultStore = GetPreferencesStorage(true);
    std::unique_ptr<TCustomIniFile> store = GetPreferencesStorage(false);
    if (!store)
        return;
    m_prefLocked = true;
    try {
        switch (action) {
        case vdPaLoad:
            LoadFormPreferences(store.get(), defaultStore.get());
            m_prefLoaded = true;
            break;
        case vdPaSave:
            try {
                SaveFormPreferences(store.get(), defaultStore.get());
                m_prefSaved = true;
            } catch (...) {
                // A store that cannot be written must not stop closing the window.
                RestoreFormPreferences(store.get());
            }
            break;
        case vdPaRestore:
            RestoreFormPreferences(store.get());
            break;
        }
    } catch (...) {
        m_prefLocked = false;
        throw;
    }
    m_prefLocked = false;
}

void TvdBaseForm::ProcessPreferences(TvdxPreferencesAction action, TvdxPreferencesTypes prefTypes)
{
    const TvdxPreferencesTypes saved = m_preferences;
    m_preferences = prefTypes;
    try {
        ProcessPreferences(action);
    } catch (...) {
        m_preferences = saved;
        throw;
    }
    m_preferences = saved;
}

void TvdBaseForm::LoadFormPrefType(TCustomIniFile *store, TCustomIniFile *defaultStore, TvdxPreferencesTypes prefTypes)
{
    const TvdxPreferencesTypes saved = m_preferences;
    const bool locked = m_prefLocked;
    m_preferences = prefTypes;
    m_prefLocked = true;
    try {
        LoadFormPreferences(store, defaultStore);
    } catch (...) {
        m_preferences = saved;
        m_prefLocked = locked;
        throw;
    }
    m_preferences = saved;
    m_prefLocked = locked;
}

void TvdBaseForm::SaveFormPrefType(TCustomIniFile *store, TCustomIniFile *defaultStore, TvdxPreferencesTypes prefTypes)
{
    const TvdxPreferencesTypes saved = m_preferences;
    m_preferences = prefTypes;
    try {
        SaveFormPreferences(store, defaultStore);
    } catch (...) {
        m_preferences = saved;
        throw;
    }
    m_preferences = saved;
}

void TvdBaseForm::LoadFormPreferences(TCustomIniFile *store, TCustomIniFile *defaultStore)
{
    if (!store)
        return;
    const QString section = PreferencesSection();
    TCustomIniFile *src = store;
    if (defaultStore && !store->SectionExists(section))
        src = defaultStore;
    if (src->ReadBool(section, QStringLiteral("Maximized"), false)) {
        setWindowState(windowState() | Qt::WindowMaximized);
    } else {
        const QRect cur(pos(), size());
        int l = cur.left(), t = cur.top(), w = cur.width(), h = cur.height();
        if (m_preferences & vdPtFormPos) {
            l = src->ReadInteger(section, QStringLiteral("Left"), l);
            t = src->ReadInteger(section, QStringLiteral("Top"), t);
        }
        if (m_preferences & vdPtFormSize) {
            w = src->ReadInteger(section, QStringLiteral("Width"), w);
            h = src->ReadInteger(section, QStringLiteral("Height"), h);
        }
        // Width and height are stored at 96 PPI. Left and top are stored in
        // current pixels, so they are taken as they are: scaling them here
        // would move the window further on every save and load.
        const int ppi = m_currentPPI > 0 ? m_currentPPI : vdScreenPPI();
        const double f = ppi / 96.0;
        if (w != cur.width())
            w = roundInt(w * f);
        if (h != cur.height())
            h = roundInt(h * f);
        // Bounds saved on a monitor that is gone would put the window out of reach.
        if (w > 0 && h > 0
            && (QGuiApplication::screenAt(QPoint(l, t)) || QGuiApplication::screenAt(QPoint(l + w - 1, t + h - 1)))) {
            move(l, t);
            resize(w, h);
        }
    }
    if (m_preferences & vdPtFormDockInfo) {
        const QString site = src->ReadString(section, QStringLiteral("Dock5"), QString());
        if (!site.isEmpty() && m_owner)
            if (QWidget *target = findByPath(m_owner, site)) {
                setParent(target, windowFlags() & ~Qt::Window);
                move(0, 0);
            }
    }
    if (m_preferences & vdPtFormVisibility) {
        const bool visible = src->ReadBool(section, QStringLiteral("Visible"), true);
        if (m_inShow)
            m_loadedVisible = visible;
        else
            setVisible(visible);
    }
}

void TvdBaseForm::SaveFormPreferences(TCustomIniFile *store, TCustomIniFile *defaultStore)
{
    Q_UNUSED(defaultStore);
    if (!store)
        return;
    const QString section = PreferencesSection();
    const int ppi = m_currentPPI > 0 ? m_currentPPI : vdScreenPPI();
    const double f = ppi / 96.0;
    store->WriteInteger(section, QStringLiteral("Left"), x());
    store->WriteInteger(section, QStringLiteral("Top"), y());
    store->WriteBool(section, QStringLiteral("Maximized"), isMaximized());
    store->WriteBool(section, QStringLiteral("Visible"), isVisible());
    store->WriteString(section, QStringLiteral("Dock5"),
                       !isWindow() && parentWidget() ? parentWidget()->objectName() : QString());
    store->WriteInteger(section, QStringLiteral("Width"), roundInt(width() / f));
    store->WriteInteger(section, QStringLiteral("Height"), roundInt(height() / f));
}

// ------------------------------------------------------------------- hosting

void TvdBaseForm::HostControls(QWidget *host)
{
    if (!host)
        return;
    if (m_hosted.isEmpty())
        for (QObject *child : children())
            if (auto *w = qobject_cast<QWidget *>(child); w && !w->isWindow())
                m_hosted.append(w);
    for (const QPointer<QWidget> &w : m_hosted)
        if (w) {
            w->setParent(host);
            w->show();
        }
    ProcessPreferences(vdPaLoad);
    InitShow();
    if (OnShow)
        OnShow(this);
}

void TvdBaseForm::UnhostControls(int modalResult)
{
    m_modalResult = modalResult;
    for (const QPointer<QWidget> &w : m_hosted)
        if (w) {
            w->setParent(this);
            w->show();
        }
    if (OnHide)
        OnHide(this);
}

// ---------------------------------------------------------------- TvdxBaseForm

void TvdxBaseForm::UpdateFormPPI(int newPPI)
{
    TvdBaseForm::UpdateFormPPI(newPPI);
    SetImagesPPI(newPPI);
}
