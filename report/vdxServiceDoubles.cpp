#include "report/vdxServiceDoubles.h"

#include "report/vdxClass_dataset.h"
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
    PageCount = 0;
    CurPage = -1;
    ClearStyles();
}

void TvdxStubPreviewPages::AddPage(TvdxReportPage *)
{
    ++PageCount;
    CurPage = PageCount - 1;
}

void TvdxStubPreviewPages::DeletePage(int index)
{
    if (index >= 0 && index < PageCount)
        --PageCount;
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

TvdxStubDesigner::TvdxStubDesigner(QWidget *owner, TvdxReport *report, bool previewDesigner)
    : TvdxCustomDesigner(owner, report, previewDesigner)
{
    ++Created;
}

TvdxStubDesigner::~TvdxStubDesigner() { ++Destroyed; }

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
int TvdxPrinters::IndexOf(const QString &name) const
{
    for (int i = 0; i < Printers.size(); ++i)
        if (Printers[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

namespace {
std::unique_ptr<TvdxPrinters> &globalPrinters()
{
    static std::unique_ptr<TvdxPrinters> printers;
    return printers;
}
} // namespace

TvdxPrinters *vdxGlobalPrinters()
{
    if (!globalPrinters())
        globalPrinters() = std::make_unique<TvdxPrinters>();
    return globalPrinters().get();
}

void vdxSetGlobalPrinters(TvdxPrinters *printers) { globalPrinters().reset(printers); }

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
