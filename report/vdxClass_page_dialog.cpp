#include "report/vdxClass_page_dialog.h"

#include "core/vdBaseForm.h"
#include "core/vdThreading.h"
#include "core/vdVariant.h"
#include "core/vdxRes.h"
#include "report/vdxClass_dialog.h"
#include "report/vdxClass_report.h"

#include <QApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMoveEvent>
#include <QResizeEvent>

// ---------------------------------------------------------------------------
TvdxDialogPage::TvdxDialogPage(TvdComponent *owner) : TvdxPage(owner)
{
    // The window reads the owner's Tag to choose its thread-safe mode.
    const int oldTag = Tag();
    TvdxReport *r = Report();
    SetTag(r && r->IsThreadSafe() ? 318 : 0);
    // Without a widget application (batch tools, replays) the page keeps its
    // geometry and has no window.
    // Windows exist only on the GUI thread, whichever thread builds the report.
    if (qobject_cast<QApplication *>(QCoreApplication::instance()))
        SynchronizeMethod([this] { m_form = new TvdxDialogForm(this); });
    SetTag(oldTag);
    TvdFont font;
    font.SetName(QStringLiteral("Tahoma"));
    font.SetSize(8);
    SetFont(&font);
    m_currentPPI = vdScreenPPI();
}

TvdxDialogPage::~TvdxDialogPage()
{
    QMutexLocker lock(&vdxGlobalLock());
    // Children (the controls living on the window) go before the window.
    Clear();
    if (m_form)
        SynchronizeMethod([this] { delete m_form.data(); });
}

QString TvdxDialogPage::GetDescription() const { return GetResStrByName(QStringLiteral("obDlgPage")); }

int TvdxDialogPage::scaled(long double value) const { return int(RoundHalfEven(double(value * Scale()))); }

void TvdxDialogPage::SetLeft(long double value)
{
    TvdxPage::SetLeft(value);
    if (m_form)
        SynchronizeMethod([this, value] { m_form->SetFormLeft(scaled(value)); });
}

void TvdxDialogPage::SetTop(long double value)
{
    TvdxPage::SetTop(value);
    if (m_form)
        SynchronizeMethod([this, value] { m_form->SetFormTop(scaled(value)); });
}

void TvdxDialogPage::SetWidth(long double value)
{
    TvdxPage::SetWidth(value);
    // A stored client size wins over a stored outer size.
    if (m_form && !(IsLoading() && m_clientWidth != 0))
        SynchronizeMethod([this, value] { m_form->SetFormWidth(scaled(value)); });
}

void TvdxDialogPage::SetHeight(long double value)
{
    TvdxPage::SetHeight(value);
    if (m_form && !(IsLoading() && m_clientHeight != 0))
        SynchronizeMethod([this, value] { m_form->SetFormHeight(scaled(value)); });
}

long double TvdxDialogPage::ClientWidth() const
{
    return m_form ? m_form->ClientW() / (long double)(m_currentPPI / 96.0L) : m_clientWidth;
}

long double TvdxDialogPage::ClientHeight() const
{
    return m_form ? m_form->ClientH() / (long double)(m_currentPPI / 96.0L) : m_clientHeight;
}

void TvdxDialogPage::SetClientWidth(long double value)
{
    m_clientWidth = value;
    if (!m_form)
        return;
    SynchronizeMethod([this, value] { m_form->SetClientW(scaled(value)); });
    TvdxPage::SetWidth(m_form->FormWidth() / (long double)Scale());
}

void TvdxDialogPage::SetClientHeight(long double value)
{
    m_clientHeight = value;
    if (!m_form)
        return;
    SynchronizeMethod([this, value] { m_form->SetClientH(scaled(value)); });
    TvdxPage::SetHeight(m_form->FormHeight() / (long double)Scale());
}

void TvdxDialogPage::SetCaption(const QString &v)
{
    m_caption = v;
    if (m_form)
        SynchronizeMethod([this, v] { m_form->setWindowTitle(v); });
}

void TvdxDialogPage::FontChanged()
{
    TvdxPage::FontChanged();
    if (m_form) {
        QFont f(Font()->Name());
        f.setPointSize(std::max(1, Font()->Size()));
        SynchronizeMethod([this, f] { m_form->setFont(f); });
    }
}

bool TvdxDialogPage::IsContain(double x, double y) const
{
    return TvdxPage::IsContain(x + double(AbsLeft()), y + double(AbsTop()));
}

void TvdxDialogPage::UpdateDialogPPI(int aNewPPI)
{
    m_currentPPI = aNewPPI;
    for (TvdxComponent *c : Objects().List())
        if (auto *dc = qobject_cast<TvdxDialogControl *>(c))
            dc->UpdateControlPPI(aNewPPI);
}

void TvdxDialogPage::UpdateBoundsFromForm()
{
    if (!m_form)
        return;
    const long double s = Scale();
    TvdxPage::SetLeft(m_form->FormLeft() / s);
    TvdxPage::SetTop(m_form->FormTop() / s);
    TvdxPage::SetWidth(m_form->FormWidth() / s);
    TvdxPage::SetHeight(m_form->FormHeight() / s);
}

void TvdxDialogPage::Initialize()
{
    RunInMainThread(
        [](TvdxComponent *sender) {
            auto *self = static_cast<TvdxDialogPage *>(sender);
            if (!self->m_form)
                return;
            if (self->m_form->isVisible())
                self->m_form->hide();
            if (self->m_windowState == wsMaximized)
                self->m_form->setWindowState(Qt::WindowMaximized);
            else if (self->m_windowState == wsMinimized)
                self->m_form->setWindowState(Qt::WindowMinimized);
            else
                self->m_form->setWindowState(Qt::WindowNoState);
        },
        this);
}

int TvdxDialogPage::ShowModal()
{
    int result = mrNone;
    RunInMainThread(
        [&result](TvdxComponent *sender) {
            auto *self = static_cast<TvdxDialogPage *>(sender);
            self->Initialize();
            if (ShowModalHook) {
                result = ShowModalHook(self);
                return;
            }
            TvdxDialogForm *form = self->m_form;
            if (!form)
                return;
            // Headless runs never wait for a user: the dialog is taken as confirmed.
            if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
                result = form->ModalResult != mrNone ? form->ModalResult : int(mrOk);
                return;
            }
            form->OnBoundsChanged = [self] { self->UpdateBoundsFromForm(); };
            form->ModalResult = mrNone;
            form->setWindowModality(Qt::ApplicationModal);
            form->show();
            QEventLoop loop;
            while (form && form->isVisible() && form->ModalResult == mrNone)
                loop.processEvents(QEventLoop::WaitForMoreEvents);
            if (form) {
                form->hide();
                form->setWindowFlag(Qt::WindowStaysOnTopHint, true);
                result = form->ModalResult != mrNone ? form->ModalResult : int(mrCancel);
            }
        },
        this);
    return result;
}
