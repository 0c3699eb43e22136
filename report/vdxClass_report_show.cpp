// Putting a report in front of the user or out of the process: preview,
// designer, printing and export, and the queue of requests that arrive
// while the report is busy.
#include "report/vdxClass_report.h"

#include "report/vdxClass_bases.h"
#include "report/vdxClass_dataset.h"
#include "report/vdxDelayedCommands.h"
#include "report/vdxPreviewPagesList.h"
#include "report/vdxPreviewServices.h"
#include "script/ov_iinterpreter.h"

#include <QCoreApplication>
#include <QTimer>

bool TvdxReport::IsReportActionRunning() const
{
    return (m_engine && m_engine->Running) || (m_script && m_script->ProgRunning()) || m_preparing;
}

void TvdxReport::RunDelayedCommands() { m_delayedCommands->RunAll(); }

TvdxCustomPreviewPages *TvdxReport::PreviewPages() const
{
    return m_previewPagesList ? m_previewPagesList->Current() : nullptr;
}

TvdxCustomPreviewPages *TvdxReport::MainPreviewPages() const
{
    return m_previewPagesList ? m_previewPagesList->Main() : nullptr;
}

void TvdxReport::SetPreviewPages(TvdxCustomPreviewPages *value) { m_previewPagesList->SetCurrent(value); }

void TvdxReport::SetMainPreviewPages(TvdxCustomPreviewPages *value) { m_previewPagesList->SetMain(value); }

TvdxCustomPreview *TvdxReport::Preview() const { return static_cast<TvdxCustomPreview *>(m_preview.data()); }

QWidget *TvdxReport::PreviewForm() const { return m_previewForm.data(); }

void TvdxReport::SetPreview(TvdxCustomPreview *value)
{
    if (TvdxCustomPreview *old = Preview()) {
        m_preview = nullptr;
        old->UnInit(this);
        m_previewForm = nullptr;
    }
    m_preview = value;
    if (value) {
        value->Init(this, PreviewPages());
        m_previewForm = value->window() != value ? value->window() : nullptr;
    }
}

void TvdxReport::ShowReport(bool clearLastReport)
{
    if (IsReportActionRunning()) {
        m_delayedCommands->AddCommand(new TvdxShowReportCommand(this, clearLastReport));
        return;
    }
    // The main block runs without a running procedure: it counts as well.
    if (m_oldStyleProgress && (m_script->ProgRunning() || m_script->IsRunning()))
        throw Exception(QStringLiteral("Rebuild itself from the script is not allowed!"));
    if (clearLastReport)
        PreviewPages()->Clear();
    if (!m_oldStyleProgress) {
        m_timer->start();
        ShowPreparedReport();
        return;
    }
    if (PrepareReport(false))
        ShowPreparedReport();
}

void TvdxReport::onTimer()
{
    // A running procedure keeps the timer ticking until it ends.
    if (m_script->ProgRunning())
        return;
    m_timer->stop();
    PrepareReport(false);
}

void TvdxReport::ShowPreparedReport()
{
    m_previewForm = nullptr;
    if (TvdxCustomPreview *preview = Preview()) {
        preview->Init(this, PreviewPages());
        return;
    }
    TvdxCustomPreviewForm *form = vdxPreviewFormClass()(m_designer);
    m_previewForm = form;
    SetPreview(form->Preview());
    m_previewForm = form;
    form->Init(this);
    if (OnPreview)
        OnPreview(this);
    if (m_previewOptions->Modal()) {
        vdxShowModal(form);
        SetPreview(nullptr);
        delete form;
        m_previewForm = nullptr;
        return;
    }
    form->SetFreeOnClose(true);
    form->show();
}

void TvdxReport::RefreshActivePreviewedReport()
{
    if (IsReportActionRunning()) {
        m_delayedCommands->AddCommand(new TvdxRefreshReportCommand(this, true));
        return;
    }
    if (TvdxCustomPreview *preview = Preview())
        preview->RefreshReport();
}

namespace {

// Database data sets of the report, all levels.
QList<TvdxComponent *> dbDataSets(const TvdxReport *report)
{
    QList<TvdxComponent *> list;
    for (TvdxComponent *c : report->GetAllObjects())
        if (c->inherits("TvdxCustomDBDataSet"))
            list.append(c);
    return list;
}

} // namespace

void TvdxReport::DesignReport(bool modal, bool mdiChild)
{
    Q_UNUSED(mdiChild)
    if (m_designer || !vdxDesignerClass())
        return;
    m_script->ClearItems(ovOwnerMark(this));
    m_isScriptObjectsAdded = false;
    for (TvdxComponent *ds : dbDataSets(this)) {
        ds->SetIsDesigning(true);
        ds->BeforeStartReport();
    }
    m_modified = false;
    TvdxCustomDesigner *designer = vdxDesignerClass()(nullptr, this, false);
    m_designer = designer;
    QCoreApplication::postEvent(designer, new QEvent(QEvent::Type(QEvent::User + 1)));
    if (modal) {
        vdxShowModal(designer);
        delete m_designer;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_designer = nullptr;
    } else {
        designer->show();
    }
}

void TvdxReport::DesignReportInPanel(QWidget *panel)
{
    if (m_designer || !vdxDesignerClass() || !panel)
        return;
    m_script->ClearItems(ovOwnerMark(this));
    m_isScriptObjectsAdded = false;
    for (TvdxComponent *ds : dbDataSets(this))
        ds->BeforeStartReport();
    m_modified = false;
    TvdxCustomDesigner *designer = vdxDesignerClass()(nullptr, this, false);
    m_designer = designer;
    designer->ParentForm = panel->window();
    QCoreApplication::postEvent(designer, new QEvent(QEvent::Type(QEvent::User + 1)));
    designer->HostControls(panel);
}

void TvdxReport::DesignReport(QObject *iDesigner, QObject *editor)
{
    if (m_designer) {
        m_designer->activateWindow();
        return;
    }
    if (!iDesigner || !editor || qstrcmp(editor->metaObject()->className(), "TvdxReportEditor") != 0
        || !vdxDesignerClass())
        return;
    for (TvdxComponent *ds : dbDataSets(this))
        ds->BeforeStartReport();
    m_designer = vdxDesignerClass()(nullptr, this, false);
    vdxShowModal(m_designer);
}

bool TvdxReport::DesignPreviewPage()
{
    if (m_designer || !vdxDesignerClass())
        return false;
    TvdxCustomDesigner *designer = vdxDesignerClass()(nullptr, this, true);
    m_designer = designer;
    vdxShowModal(designer);
    if (m_designer == designer)
        delete designer;
    m_designer = nullptr;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return m_modified;
}

bool TvdxReport::Print() { return PreviewPages()->Print(); }

bool TvdxReport::Export(TvdxCustomExportFilter *filter) { return PreviewPages()->Export(filter); }

void TvdxReport::SelectPrinter()
{
    TvdxPrinterSelection *printers = vdxPrinterSelection();
    const int i = printers->IndexOf(m_printOptions->Printer());
    if (i >= 0)
        printers->SetPrinterIndex(i);
}
