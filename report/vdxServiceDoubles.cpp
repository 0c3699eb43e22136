#include "report/vdxServiceDoubles.h"

#include "core/vdxRes.h"
#include "platform/UiProvider.h"
#include "report/vdxClass_dataset.h"
#include "report/vdxClass_export.h"
#include "report/vdxClass_picture.h"
#include "report/vdxClass_view.h"
#include "report/vdxClass_options.h"
#include "report/vdxClass_report.h"

#include <QDateTime>

static double toDays(const QDateTime &t)
{
    static const QDateTime epoch(QDate(1899, 12, 30), QTime(0, 0));
    return double(epoch.msecsTo(t)) / 86400000.0;
}

void TvdxStubEngine::NewPage()
{
    CurY = 0;
    if (FPreviewPages)
        FPreviewPages->AddPage(nullptr);
}

Variant TvdxStubEngine::GetAggregateValue(const QString &, const QString &, TvdxComponent *, int)
{
    return Variant::null();
}

bool TvdxStubEngine::Run(bool, bool, TvdxPage *)
{
    const QDateTime now = QDateTime::currentDateTime();
    const double days = toDays(now);
    StartDate = double(qint64(days));
    StartTime = days - StartDate;
    Running = true;
    struct Stop {
        TvdxStubEngine *e;
        ~Stop() { e->Running = false; }
    } stop{this};
    ++RunCount;
    FinalPass = true;
    if (TvdxReportDataSets *sets = FReport ? FReport->DataSets() : nullptr) {
        // Preparation meets the data sets as a real run would: a database
        // that cannot be opened fails here.
        sets->Initialize();
        try {
            for (int i = 0; i < sets->Count(); ++i)
                if (TvdxDataSet *ds = sets->GetItem(i)->DataSet())
                    ds->First();
        } catch (...) {
            sets->Finalize();
            throw;
        }
        sets->Finalize();
    }
    TotalPages = FPreviewPages ? FPreviewPages->Count() : 0;
    return true;
}

void TvdxStubPreviewPages::Clear()
{
    Pages.clear();
    Anchors.clear();
    PageCount = 0;
    CurPage = -1;
    ClearStyles();
}

void TvdxStubPreviewPages::AddPage(TvdxReportPage *page)
{
    Pages.append(page);
    ++PageCount;
    CurPage = PageCount - 1;
}

void TvdxStubPreviewPages::DeletePage(int index)
{
    if (index >= 0 && index < PageCount) {
        if (index < Pages.size())
            Pages.removeAt(index);
        --PageCount;
    }
}

void TvdxStubOutline::AddItem(const QString &text, int top)
{
    FItems.append({text, FPreviewPages ? FPreviewPages->CurPage : 0, top});
}

void TvdxStubOutline::GetItem(int index, QString &text, int &page, int &top)
{
    if (index < 0 || index >= FItems.size())
        return;
    text = FItems[index].text;
    page = FItems[index].page;
    top = FItems[index].top;
}

// ---------------------------------------------------------------------------
#include "report/vdxClass_report.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>

bool TvdxStubPreview::Init(TvdxReport *aReport, TvdxCustomPreviewPages *aPrevPages)
{
    FReport = aReport;
    FPages = aPrevPages;
    Calls << QStringLiteral("Init");
    return true;
}

void TvdxStubPreview::UnInit(TvdxReport *aReport)
{
    if (aReport == FReport) {
        FReport = nullptr;
        FPages = nullptr;
    }
    Calls << QStringLiteral("UnInit");
}

void TvdxStubPreview::RefreshReport()
{
    Calls << QStringLiteral("RefreshReport");
    if (FReport)
        FReport->PrepareReport(true);
}

QList<TvdxStubPreviewForm *> &TvdxStubPreviewForm::Instances()
{
    static QList<TvdxStubPreviewForm *> list;
    return list;
}

TvdxStubPreviewForm::TvdxStubPreviewForm(QWidget *owner)
    : TvdxCustomPreviewForm(owner), FPreview(new TvdxStubPreview(this))
{
    Instances().append(this);
}

TvdxStubPreviewForm::~TvdxStubPreviewForm()
{
    Instances().removeAll(this);
    if (FReport && FReport->Preview() == FPreview)
        FReport->SetPreview(nullptr);
}

void TvdxStubPreviewForm::Init(TvdxReport *report)
{
    FReport = report;
    if (report)
        FPreview->Init(report, report->PreviewPages());
}

int TvdxStubPreviewForm::ShowModal()
{
    ++ShowModalCount;
    return 1;
}

void TvdxStubPreviewForm::SetMessageText(const QString &value, bool isHint)
{
    (isHint ? Hint : Message) = value;
}

void TvdxStubPreviewForm::closeEvent(QCloseEvent *event)
{
    m_isClosing = true;
    if (FReport && FReport->OnClosePreview)
        FReport->OnClosePreview(this);
    TvdxCustomPreviewForm::closeEvent(event);
}

int TvdxStubDesigner::Created = 0;
int TvdxStubDesigner::Destroyed = 0;
int TvdxStubDesigner::LastStartMessages = 0;

TvdxStubDesigner::TvdxStubDesigner(QWidget *owner, TvdxReport *report, bool previewDesigner)
    : TvdxCustomDesigner(owner, report, previewDesigner)
{
    ++Created;
}

TvdxStubDesigner::~TvdxStubDesigner()
{
    ++Destroyed;
    LastStartMessages = StartMessages;
}

QStringList TvdxStubDesigner::GetCode() { return FReport ? FReport->ScriptText() : QStringList(); }

bool TvdxStubDesigner::event(QEvent *e)
{
    if (e->type() == QEvent::Type(QEvent::User + 1)) {
        ++StartMessages;
        return true;
    }
    return TvdxCustomDesigner::event(e);
}

int TvdxStubDesigner::ShowModal()
{
    QCoreApplication::sendPostedEvents(this);
    // Closing as the designer does: the report learns the modified flag and
    // lets go of the designer, which frees itself.
    if (FReport) {
        FReport->SetModified(Modified());
        FReport->SetDesigner(nullptr);
    }
    deleteLater();
    return 1;
}

// ---------------------------------------------------------------------------
int TvdxPrinterSelection::IndexOf(const QString &name) const
{
    for (int i = 0; i < Printers.size(); ++i)
        if (Printers[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

namespace {
std::unique_ptr<TvdxPrinterSelection> &globalPrinters()
{
    static std::unique_ptr<TvdxPrinterSelection> printers;
    return printers;
}
} // namespace

TvdxPrinterSelection *vdxPrinterSelection()
{
    if (!globalPrinters())
        globalPrinters() = std::make_unique<TvdxPrinterSelection>();
    return globalPrinters().get();
}

void vdxSetPrinterSelection(TvdxPrinterSelection *printers) { globalPrinters().reset(printers); }

TvdxPreviewFormClass &vdxPreviewFormClass()
{
    static TvdxPreviewFormClass cls = [](QWidget *owner) -> TvdxCustomPreviewForm * {
        return new TvdxStubPreviewForm(owner);
    };
    return cls;
}

int vdxShowModal(QWidget *form)
{
    if (!form)
        return 0;
    int result = 0;
    if (form->metaObject()->indexOfMethod("ShowModal()") >= 0
        && QMetaObject::invokeMethod(form, "ShowModal", Qt::DirectConnection, Q_RETURN_ARG(int, result)))
        return result;
    QPointer<QWidget> guard(form);
    form->setWindowModality(Qt::ApplicationModal);
    form->show();
    QEventLoop loop;
    while (guard && guard->isVisible())
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    return result;
}

// ---------------------------------------------------------------------------
namespace {

// Page numbers "1,3-5" (1-based) as a set of 0-based indexes; empty: all.
QList<int> pageIndexes(const QString &numbers, int count)
{
    QList<int> out;
    const QString text = numbers.trimmed();
    if (text.isEmpty()) {
        for (int i = 0; i < count; ++i)
            out << i;
        return out;
    }
    for (const QString &part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList ends = part.split(QLatin1Char('-'));
        bool ok1 = false, ok2 = false;
        int from = ends.value(0).trimmed().toInt(&ok1);
        int to = ends.size() > 1 ? ends.value(1).trimmed().toInt(&ok2) : from;
        if (ends.size() > 1 && ends.value(1).trimmed().isEmpty()) {
            to = count;
            ok2 = true;
        }
        if (!ok1 || (ends.size() > 1 && !ok2))
            continue;
        for (int p = qMax(1, from); p <= qMin(to, count); ++p)
            if (!out.contains(p - 1))
                out << p - 1;
    }
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace

bool TvdxStubPreviewPages::Export(TvdxCustomExportFilter *filter)
{
    if (!filter)
        return false;
    filter->SetCreationTime(toDays(QDateTime::currentDateTime()));
    filter->SetReport(FReport);
    filter->SetDefaultIOTransport(nullptr);
    if (filter->OnBeforeExport)
        filter->OnBeforeExport(filter);
    if ((filter->ShowDialogOptions() & doShowExportSettings) && filter->ShowModal() != mrOk)
        return false;
    TvdxCustomIOTransport *transport = filter->IOTransport() ? filter->IOTransport() : filter->DefaultIOTransport();
    if (!transport)
        return false;
    transport->InitFromExport(filter);
    if (!transport->OpenFilter())
        return false;
    filter->SetFileName(transport->FileName);
    if (filter->CurPage())
        filter->SetPageNumbers(QString::number(CurPreviewPage + 1));

    bool ok = true;
    bool stopped = false;
    auto stopRequested = [&] { return (FReport && FReport->Terminated()) || filter->Terminated(); };
    try {
        if (filter->DoStart()) {
            try {
                for (int index : pageIndexes(filter->PageNumbers(), Count())) {
                    TvdxReportPage *page = GetPage(index);
                    filter->StartPage(page, index);
                    try {
                        if (page) {
                            TvdxPictureView background(nullptr);
                            background.SetName(QStringLiteral("_pagebackground"));
                            background.SetWidth(page->Width());
                            background.SetHeight(page->Height());
                            if (!background.ExportInternal(filter))
                                filter->ExportObject(&background);
                            for (TvdxComponent *c : page->GetAllObjects()) {
                                auto *view = qobject_cast<TvdxView *>(c);
                                if (!view || !view->Visible())
                                    continue;
                                if (!view->ExportInternal(filter))
                                    filter->ExportObject(view);
                            }
                        }
                    } catch (...) {
                        filter->FinishPage(page, index);
                        throw;
                    }
                    filter->FinishPage(page, index);
                    if (stopRequested()) {
                        stopped = true;
                        break;
                    }
                }
            } catch (...) {
                filter->DoFinish();
                throw;
            }
            filter->DoFinish();
        } else {
            ok = false;
        }
    } catch (const EExportTerminated &) {
        filter->SetTerminated(false);
        stopped = true;
    } catch (const Exception &e) {
        ok = false;
        if (FReport) {
            FReport->AddError(e.message());
            HandleReportError(FReport->EngineOptions()->ReportErrorMode(), FReport->ErrorMessage());
        }
    }
    if (filter->Terminated()) {
        filter->SetTerminated(false);
        stopped = true;
    }
    transport->CloseFilter();
    filter->ClearResources();
    // A stopped export did not export the pages.
    return ok && !stopped;
}
