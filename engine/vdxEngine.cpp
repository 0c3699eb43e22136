#include "engine/vdxEngine.h"

#include "engine/vdxAggregate.h"
#include "engine/vdxShift.h"

#include "core/vdVariant.h"
#include "core/vdxRes.h"
#include "report/vdxClass_dataset.h"
#include "report/vdxClass_dialog.h"
#include "report/vdxClass_options.h"
#include "report/vdxClass_postprocessor.h"
#include "report/vdxClass_report.h"

#include <QCoreApplication>
#include <QDateTime>
#include <algorithm>

namespace {

// Removes the flag again when the scope ends, also on an exception.
struct FlagGuard {
    bool &flag;
    explicit FlagGuard(bool &f) : flag(f) { flag = true; }
    ~FlagGuard() { flag = false; }
};

// Today and now as days since 1899-12-30.
double daysNow(bool withTime)
{
    const QDateTime now = QDateTime::currentDateTime();
    const double days = double(QDate(1899, 12, 30).daysTo(now.date()));
    if (!withTime)
        return days;
    return days + now.time().msecsSinceStartOfDay() / 86400000.0;
}

} // namespace

// ---------------------------------------------------------------------------
void TvdxHeaderList::RemoveItem(TvdxBand *band)
{
    for (int i = 0; i < m_items.size(); ++i)
        if (m_items[i].Band == band) {
            m_items.removeAt(i);
            return;
        }
}

// ---------------------------------------------------------------------------
TvdxEngine::TvdxEngine(TvdxReport *aReport)
    : TvdxCustomEngine(aReport), m_shiftEngine(std::make_unique<TvdxObjectShifter>()),
      m_aggregates(std::make_unique<TvdxAggregateList>(aReport))
{
}

TvdxEngine::~TvdxEngine() = default;

IvdxEnginePages *TvdxEngine::pagesExtras() const { return dynamic_cast<IvdxEnginePages *>(FPreviewPages); }

void TvdxEngine::callEvent(const QString &proc, QObject *sender, Variant *param)
{
    if (proc.trimmed().isEmpty())
        return;
    DoEvent(proc, sender, param);
}

void TvdxEngine::DoEvent(const QString &proc, QObject *sender, Variant *param)
{
    if (!param) {
        FReport->DoNotifyEvent(sender, proc);
        return;
    }
    Variant params = Variant::arrayOf({*param});
    FReport->DoParamEvent(proc, params);
    *param = params.arrayGet(0);
}

void TvdxEngine::DoBeforePrint(TvdxReportComponent *c) { FReport->DoBeforePrint(c); }

void TvdxEngine::DoAfterPrint(TvdxReportComponent *c) { FReport->DoAfterPrint(c); }

void TvdxEngine::processMessages()
{
    // Lets a Stop pressed meanwhile reach Terminated. A few times a second
    // is enough for that; once per data level would cost more than the row.
    if (FReport->EngineOptions()->EnableThreadSafe() || !QCoreApplication::instance())
        return;
    if (m_messagesTimer.isValid() && m_messagesTimer.elapsed() < 20)
        return;
    QCoreApplication::processEvents();
    m_messagesTimer.start();
}

void TvdxEngine::addError(const QString &key, const QString &fallback, const QString &name)
{
    QString text = GetResStrByName(key);
    if (text.isEmpty() || text == key)
        text = fallback;
    FReport->AddError(text + QLatin1Char(' ') + name);
}

Variant TvdxEngine::Evaluate(const QString &expr) { return FReport->Calc(expr); }

TvdxCustomAggregateList *TvdxEngine::GetAggregates() { return m_aggregates.get(); }

Variant TvdxEngine::GetAggregateValue(const QString &name, const QString &expression, TvdxComponent *dataRow,
                                      int flags)
{
    return m_aggregates->GetValue(m_curBand, CurVColumn, name, expression, dataRow, flags);
}

void TvdxEngine::ProcessObject(TvdxComponent *reportObject)
{
    auto *view = qobject_cast<TvdxView *>(reportObject);
    if (!view || view->Processing()->ProcessAt() != TvdxObjectProcessing::paCustom || !FPreviewPages)
        return;
    if (TvdxPostProcessor *pp = FPreviewPages->PostProcessor())
        pp->ProcessObject(FReport, view);
}

void TvdxEngine::finishBandAggregates(TvdxBand *band, int processMode)
{
    if (m_lockResetAggregates)
        return;
    // The band's own totals start again once its deferred texts are filled.
    struct ResetAfter {
        TvdxAggregateList *list;
        TvdxBand *band;
        ~ResetAfter()
        {
            if (band)
                list->Reset(band);
        }
    } resetAfter{m_aggregates.get(), band};
    using P = TvdxObjectProcessing;
    int mode = processMode;
    if (mode == P::paDefault) {
        if (qobject_cast<TvdxGroupFooter *>(band))
            mode = P::paGroupFinished;
        else if (qobject_cast<TvdxFooter *>(band))
            mode = P::paDataFinished;
        else if (qobject_cast<TvdxPageFooter *>(band))
            mode = P::paPageFinished;
        else if (qobject_cast<TvdxReportSummary *>(band))
            mode = P::paReportPageFinished;
    }
    if (mode == P::paDefault || !FPreviewPages)
        return;
    TvdxBand *saved = m_curBand;
    m_curBand = band;
    struct Restore {
        TvdxBand *&cur;
        TvdxBand *saved;
        ~Restore() { cur = saved; }
    } restore{m_curBand, saved};
    if (TvdxPostProcessor *pp = FPreviewPages->PostProcessor())
        pp->ProcessExpressions(FReport, band, P::TvdxProcessAtMode(mode));
}

// ---------------------------------------------------------------------------
bool TvdxEngine::Run(bool aRunDialogs, bool, TvdxPage *aPage)
{
    bool result = false;
    struct FinalizeGuard {
        TvdxEngine *e;
        ~FinalizeGuard() { e->Finalize(); }
    } finalizeGuard{this};
    if (!Initialize())
        return false;
    struct StopGuard {
        TvdxEngine *e;
        ~StopGuard()
        {
            try {
                e->callEvent(e->FReport->OnStopReport(), e->FReport);
            } catch (...) {
            }
        }
    } stopGuard{this};
    FReport->DataSets()->Initialize();
    callEvent(FReport->OnStartReport(), FReport);
    if (aRunDialogs && !runDialogs())
        return false;
    result = true;

    auto addSource = [this](TvdxReportPage *page) {
        m_page = page;
        FPreviewPages->AddSourcePage(page);
        m_aggregates->AddItems(page);
    };
    if (auto *rp = qobject_cast<TvdxReportPage *>(aPage))
        addSource(rp);
    else
        for (int i = 0; i < FReport->PagesCount(); ++i)
            if (auto *rp = qobject_cast<TvdxReportPage *>(FReport->Pages(i)))
                addSource(rp);

    FinalPass = !DoublePass();
    TotalPages = 0;
    FPreviewPages->BeginPass();
    int aColumn = 0;
    long double aColumnPos = 0;
    if (FPreviewPages->Count() > 0 && DoublePass())
        if (IvdxEnginePages *x = pagesExtras())
            x->GetLastColumnPos(aColumn, aColumnPos);
    runReportPages(aPage);
    if (DoublePass()) {
        TotalPages = FPreviewPages->Count();
        FPreviewPages->CurPage = FPreviewPages->Count() - 1;
        FPreviewPages->ClearFirstPassPages();
        if (FPreviewPages->CurPage >= 0)
            if (IvdxEnginePages *x = pagesExtras())
                x->UpdatePageLastColumn(aColumn, aColumnPos, true);
        m_aggregates->ClearValues();
        FinalPass = true;
        runReportPages(aPage);
    }
    return result;
}

bool TvdxEngine::Initialize()
{
    m_prevFooterHeight = 0;
    FPreviewPages->Initialize();
    FPreviewPages->AddPageAction = apAdd;
    StartDate = daysNow(false);
    StartTime = daysNow(true);
    Running = true;
    m_keeping = false;
    CurVColumn = 0;
    m_outputTo = nullptr;
    m_aggregates->Clear();
    resetReprintFlags();

    QList<TvdxReportPage *> pages;
    for (int i = 0; i < FReport->PagesCount(); ++i)
        if (auto *rp = qobject_cast<TvdxReportPage *>(FReport->Pages(i)))
            pages.append(rp);
    for (TvdxReportPage *page : pages) {
        m_page = page;
        arrangeBands(page, false);
        arrangeBands(page, true);
    }
    TvdxDataSet *reportDs = FReport->DataSet();
    for (TvdxReportPage *page : pages) {
        if (reportDs && reportDs == page->DataSet()) {
            FReport->AddError(QStringLiteral("Cannot use the same dataset for Report.DataSet and Page.DataSet"));
            break;
        }
        for (TvdxBand *b : page->SubBands()) {
            auto *db = qobject_cast<TvdxDataBand *>(b);
            if (!db || !db->DataSet())
                continue;
            if (db->DataSet() == reportDs) {
                FReport->AddError(QStringLiteral("Cannot use the same dataset for Report.DataSet and Band.DataSet"));
                break;
            }
            if (db->DataSet() == page->DataSet()) {
                FReport->AddError(QStringLiteral("Cannot use the same dataset for Page.DataSet and Band.DataSet"));
                break;
            }
        }
    }
    return FReport->Errors().isEmpty();
}

void TvdxEngine::resetReprintFlags()
{
    // A run stopped by an exception must not leave the next one thinking it
    // is inside a page start or a keep block.
    m_callFromAddPage = m_callFromPHeader = m_callFromEndPage = false;
    m_keeping = m_keepHeader = m_keepFooter = false;
    m_keepBand = nullptr;
    m_keepCurY = 0;
    m_lastBandOnPage = m_startNewPageBand = nullptr;
    m_lockResetAggregates = false;
    m_vMasterBand = nullptr;
    m_headerList.Clear();
    m_hBandNamesTree.clear();
}

void TvdxEngine::Finalize()
{
    struct Always {
        TvdxEngine *e;
        ~Always()
        {
            e->Running = false;
            if (e->FPreviewPages)
                e->FPreviewPages->Finish();
            e->m_shiftEngine->Clear();
            e->resetReprintFlags();
        }
    } always{this};
    for (int i = 0; i < FReport->PagesCount(); ++i) {
        auto *rp = qobject_cast<TvdxReportPage *>(FReport->Pages(i));
        if (!rp)
            continue;
        // Every vertical band, headers and footers too: they hold moved objects as well.
        for (TvdxComponent *pc : rp->Objects().List()) {
            auto *vb = qobject_cast<TvdxBand *>(pc);
            if (!vb || !vb->Vertical())
                continue;
            const QList<TvdxComponent *> moved = vb->Objects().List();
            for (TvdxComponent *c : moved)
                if (c->OriginalBand()) {
                    c->SetParent(c->OriginalBand());
                    c->SetLeft(c->Left() + vb->Left());
                    c->SetOriginalBand(nullptr);
                }
        }
    }
    FReport->DataSets()->Finalize();
}

// ---------------------------------------------------------------------------
void TvdxEngine::arrangeBands(TvdxReportPage *page, bool vertical)
{
    page->AlignChildren(false, {});
    (vertical ? page->VSubBands() : page->SubBands()).clear();

    QList<TvdxBand *> verticalBands;
    for (TvdxComponent *c : page->Objects().List())
        if (auto *b = qobject_cast<TvdxBand *>(c); b && b->Vertical())
            verticalBands.append(b);

    for (TvdxComponent *c : page->Objects().List()) {
        auto *band = qobject_cast<TvdxBand *>(c);
        if (!band || band->Vertical() != vertical)
            continue;
        if (!vertical)
            PrepareShiftTree(band);
        band->SubBands().clear();
        band->Header = band->Footer = band->Group = nullptr;
        band->HasVBands = false;
        if (auto *db = qobject_cast<TvdxDataBand *>(band); db && !db->DataSet() && db->RowCount() > 0) {
            db->SetDataSet(db->VirtualDataSet());
            db->DataSet()->Initialize();
        }
        if (!vertical && !qobject_cast<TvdxOverlay *>(band) && !verticalBands.isEmpty()) {
            const QList<TvdxComponent *> children = band->Objects().List();
            for (TvdxComponent *s : children)
                for (TvdxBand *r : verticalBands)
                    if (s->Left() >= r->Left() - 1e-4L && r->Left() + r->Width() + 1e-4L >= s->Left() + s->Width()) {
                        band->HasVBands = true;
                        s->SetParent(r);
                        s->SetOriginalBand(band);
                        s->SetLeft(s->Left() - r->Left());
                        break;
                    }
        }
    }

    // Bands 4 to 13 ordered by their position. The key is numeric: text keys
    // put a band at 1000 before one at 200.
    QList<TvdxBand *> list;
    {
        QList<QPair<long double, TvdxBand *>> keyed;
        for (TvdxComponent *c : page->Objects().List()) {
            auto *band = qobject_cast<TvdxBand *>(c);
            if (!band || band->Vertical() != vertical)
                continue;
            const int n = band->BandNumber();
            if (n < 4 || n > 13)
                continue;
            keyed.append({vertical ? band->Left() : band->Top(), band});
        }
        std::stable_sort(keyed.begin(), keyed.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
        long double lastKey = 0;
        bool haveLast = false;
        for (const auto &[key, band] : keyed) {
            // Two bands at one position cannot be ordered: the second one is named.
            const long double rounded = RoundHalfEven(double(key * 100)) / 100.0L;
            if (haveLast && rounded == lastKey) {
                addError(QStringLiteral("enBandPos"), QStringLiteral("Incorrect band position:"), band->Name());
                continue;
            }
            lastKey = rounded;
            haveLast = true;
            list.append(band);
        }
    }

    // Group pass.
    for (int i = 0; i < list.size(); ++i) {
        auto *g = qobject_cast<TvdxGroupHeader *>(list[i]);
        if (!g)
            continue;
        int j = i;
        while (j < list.size() && qobject_cast<TvdxGroupHeader *>(list[j])) {
            g->SubBands().append(list[j]);
            ++j;
        }
        while (j < list.size() && !qobject_cast<TvdxDataBand *>(list[j]))
            ++j;
        if (j < list.size())
            list[j]->Group = g;
        else
            addError(QStringLiteral("enUnconnGroup"), QStringLiteral("No data band for the group"), g->Name());
        // The walk goes on after the data band: inner headers belong to g.
        i = j;
    }
    for (int i = 0; i < list.size();) {
        if (qobject_cast<TvdxGroupFooter *>(list[i])) {
            int h = i - 1;
            while (h >= 0 && !qobject_cast<TvdxGroupHeader *>(list[h]))
                --h;
            if (h >= 0) {
                list[h]->Footer = list[i];
                list.removeAt(i);
                list.removeAt(h);
                i = h;
                continue;
            }
        }
        ++i;
    }
    for (int i = 0; i < list.size();) {
        if (qobject_cast<TvdxGroupHeader *>(list[i])) {
            list.removeAt(i);
        } else if (qobject_cast<TvdxGroupFooter *>(list[i])) {
            addError(QStringLiteral("enUnconnGFooter"), QStringLiteral("No group header for"), list[i]->Name());
            list.removeAt(i);
        } else {
            ++i;
        }
    }

    // Header and footer pass.
    for (int i = 0; i < list.size(); ++i) {
        TvdxBand *d = list[i];
        if (!qobject_cast<TvdxDataBand *>(d))
            continue;
        if (i + 1 < list.size() && qobject_cast<TvdxFooter *>(list[i + 1])) {
            d->Footer = list[i + 1];
            list.removeAt(i + 1);
        }
        if (i > 0 && qobject_cast<TvdxHeader *>(list[i - 1])) {
            d->Header = list[i - 1];
            list.removeAt(i - 1);
            --i;
        }
    }
    for (int i = 0; i < list.size();) {
        if (qobject_cast<TvdxHeader *>(list[i]) || qobject_cast<TvdxFooter *>(list[i])) {
            addError(QStringLiteral("enUnconnHeader"), QStringLiteral("Unconnected header/footer"), list[i]->Name());
            list.removeAt(i);
        } else {
            ++i;
        }
    }

    // Master-detail pass.
    std::function<void(TvdxBand *, int)> details = [&](TvdxBand *parent, int from) {
        int i = from;
        while (i < list.size()) {
            TvdxBand *b = list[i];
            const int n = b->BandNumber(), pn = parent->BandNumber();
            if (n <= pn)
                return;
            if (n == pn + 1) {
                auto *db = qobject_cast<TvdxDataBand *>(b);
                if (db && db->DataSet())
                    parent->SubBands().append(b);
                list.removeAt(i);
                if (!qobject_cast<TvdxDataBand6 *>(b))
                    details(b, i);
                continue;
            }
            ++i;
        }
    };
    for (int i = 0; i < list.size();) {
        auto *m = qobject_cast<TvdxMasterData *>(list[i]);
        if (!m) {
            ++i;
            continue;
        }
        list.removeAt(i);
        if (m->DataSet())
            (vertical ? page->VSubBands() : page->SubBands()).append(m);
        details(m, i);
    }
    for (TvdxBand *b : list)
        addError(QStringLiteral("enBandPos"), QStringLiteral("Incorrect band position:"), b->Name());
}

// ---------------------------------------------------------------------------
bool TvdxEngine::runDialogs()
{
    if (!FReport->OnRunDialogs().trimmed().isEmpty()) {
        Variant param(true);
        callEvent(FReport->OnRunDialogs(), FReport, &param);
        return param.toBool();
    }
    for (int i = 0; i < FReport->PagesCount(); ++i) {
        auto *dp = qobject_cast<TvdxDialogPage *>(FReport->Pages(i));
        if (!dp || !dp->Visible())
            continue;
        if (dp->Objects().Count() == 0)
            continue;
        int result = 0;
        if (OnRunDialog) {
            OnRunDialog(this);
            result = dp->ModalResult();
        } else {
            result = dp->ShowModal();
        }
        if (result == TvdxDialogPage::mrCancel)
            return false;
    }
    return true;
}

void TvdxEngine::runReportPages(TvdxPage *aPage)
{
    m_firstReportPage = true;
    if (TvdxDataSet *ds = FReport->DataSet()) {
        ds->First();
        while (!ds->Eof() && !FReport->Terminated()) {
            runReportPagesOnce(aPage);
            ds->Next();
        }
    } else {
        runReportPagesOnce(aPage);
    }
}

void TvdxEngine::runReportPagesOnce(TvdxPage *aPage)
{
    if (auto *rp = qobject_cast<TvdxReportPage *>(aPage)) {
        m_page = rp;
        runPage(rp);
        m_firstReportPage = false;
        return;
    }
    for (int i = 0; i < FReport->PagesCount(); ++i) {
        auto *rp = qobject_cast<TvdxReportPage *>(FReport->Pages(i));
        if (!rp)
            continue;
        m_page = rp;
        if (!rp->IsSubReport() && rp->Visible())
            runPage(rp);
        if (FReport->Terminated())
            break;
        m_firstReportPage = false;
    }
}

void TvdxEngine::runPage(TvdxReportPage *page)
{
    if (page->IsSubReport()) {
        runDataBands(page);
        return;
    }
    m_isFirstBand = true;
    callEvent(page->OnBeforePrint(), page);
    if (TvdxDataSet *ds = page->DataSet()) {
        ds->First();
        while (!ds->Eof() && !FReport->Terminated()) {
            pageBody();
            ds->Next();
        }
    } else {
        for (int i = 0; i < page->PageCount() && !FReport->Terminated(); ++i)
            pageBody();
    }
    callEvent(page->OnAfterPrint(), page);
}

void TvdxEngine::pageBody()
{
    if (!(m_page->PrintIfEmpty() && FReport->EngineOptions()->PrintIfEmpty()) && !hasDataToPrint(m_page, false))
        return;
    startReportPage();

    // Objects placed on the page outside bands print through a band made for
    // them; they stay the page's children (the band only lists them).
    {
        const long double savedY = CurY;
        std::unique_ptr<TvdxNullBand> nullBand(new TvdxNullBand(nullptr));
        struct Release {
            TvdxNullBand *band;
            ~Release()
            {
                while (band->Objects().Count() > 0)
                    band->Objects().Delete(band->Objects().Count() - 1);
            }
        } release{nullBand.get()};
        nullBand->SetWidth(PageWidth);
        nullBand->SetHeight(GetPageHeight());
        for (TvdxComponent *c : m_page->Objects().List())
            if (!qobject_cast<TvdxBand *>(c))
                nullBand->Objects().Add(c);
        if (nullBand->Objects().Count() > 0) {
            nullBand->AlignChildren(false, {});
            ShowBand(nullBand.get());
        }
        CurY = savedY;
    }

    if (!m_page->OnManualBuild().trimmed().isEmpty())
        callEvent(m_page->OnManualBuild(), m_page);
    else
        runDataBands(m_page);

    m_isLastPage = true;
    if (m_page->EndlessHeight() || m_page->EndlessWidth())
        if (IvdxEnginePages *x = pagesExtras()) {
            const long double w = m_page->EndlessWidth()
                                      ? m_page->LeftMargin() * vdxMMToPixels + PageWidth
                                            + m_page->RightMargin() * vdxMMToPixels
                                      : m_page->PaperWidth() * vdxMMToPixels;
            long double h;
            if (m_page->EndlessHeight()) {
                FPageHeight = FooterHeight() + CurY;
                h = FPageHeight + m_page->TopMargin() * vdxMMToPixels + m_page->BottomMargin() * vdxMMToPixels;
            } else {
                h = m_page->PaperHeight() * vdxMMToPixels;
            }
            x->UpdatePageDimensions(m_page, w, h);
        }
    EndPage();
    m_isLastPage = false;
    finishBandAggregates(nullptr, TvdxObjectProcessing::paReportPageFinished);
}

// ---------------------------------------------------------------------------
void vdxRegisterEngine()
{
    vdxEngineClass() = [](TvdxReport *report) -> TvdxCustomEngine * { return new TvdxEngine(report); };
    // Scripts name the class of the report's Engine; templates never make one.
    TvdClassRegistry::Instance().Register(
        &TvdxEngine::staticMetaObject, [](TvdComponent *) -> TvdPersistent * { return nullptr; }, false);
}

namespace {
// The engine library installs its engine when it is linked in.
const bool engineRegistered = (vdxRegisterEngine(), true);
} // namespace
