// Band output of the engine: one band and its child chain, the data-band
// tree with filters, master-detail levels, headers and footers, groups and
// drill-down, multi-column rows, child padding rows, header reprint,
// keep-together blocks and sub-reports at their place.
#include "engine/vdxEngine.h"

#include "engine/vdxAggregate.h"
#include "core/vdVariant.h"
#include "report/vdxClass_dataset.h"
#include "report/vdxClass_memo.h"
#include "report/vdxClass_options.h"
#include "report/vdxClass_postprocessor.h"
#include "report/vdxClass_report.h"


namespace {

int roundHalfEven(long double v) { return int(RoundHalfEven(double(v))); }

// The report components placed directly in a container.
QList<TvdxReportComponent *> childViews(TvdxComponent *c)
{
    QList<TvdxReportComponent *> out;
    for (TvdxComponent *child : c->Objects().List())
        if (auto *rc = qobject_cast<TvdxReportComponent *>(child))
            out.append(rc);
    return out;
}

} // namespace

// ---------------------------------------------------------------------------
// Filling and restoring objects: the container keeps its bounds, every object
// takes its data for the output and goes back to the template afterwards.
void TvdxEngine::Stretch(TvdxReportComponent *container, bool skipGetData)
{
    if (!container)
        return;
    auto *band = qobject_cast<TvdxBand *>(container);
    if (band)
        m_curBand = band;
    PrepareShiftTree(container);
    FReport->SetCurObject(container->Name());
    if (band && band != m_vMasterBand) {
        band->BeforePrint();
        DoBeforePrint(band);
    }
    bool stretched = false, onParent = false;
    for (TvdxReportComponent *child : childViews(container)) {
        if (auto *sub = qobject_cast<TvdxSubreport *>(child); sub && sub->PrintOnParent())
            onParent = true;
        if (!skipGetData && !isVerticalCopy(container, child)) {
            FReport->SetCurObject(child->Name());
            child->BeforePrint();
            if (container->Visible()) {
                TvdxBand *saved = m_curBand;
                DoBeforePrint(child);
                m_curBand = saved;
                auto *view = qobject_cast<TvdxView *>(child);
                if (child->Visible()
                    && (!view || view->Processing()->ProcessAt() == TvdxObjectProcessing::paDefault)) {
                    child->GetData();
                    callEvent(child->OnAfterData(), child);
                }
            }
        }
        stretched |= measureChild(container, child);
    }
    if (!container->Visible())
        return;
    const long double bottom = fitContainer(container, stretched, onParent);
    FReport->SetCurObject(container->Name());
    if (band)
        callEvent(band->OnAfterCalcHeight(), band);
    stretchToBottom(container, bottom);
}

void TvdxEngine::UnStretch(TvdxReportComponent *container)
{
    if (!container)
        return;
    QList<TvdxReportComponent *> children = childViews(container);
    children.removeIf([&](TvdxReportComponent *c) { return isVerticalCopy(container, c); });
    if (container->Visible())
        for (TvdxReportComponent *child : children) {
            FReport->SetCurObject(child->Name());
            DoAfterPrint(child);
        }
    {
        struct Anchors {
            TvdxReportComponent *c;
            ~Anchors() { c->UnlockAnchorsUpdate(); }
        } anchors{container};
        container->LockAnchorsUpdate();
        for (TvdxReportComponent *child : children)
            child->AfterPrint();
        FReport->SetCurObject(container->Name());
        DoAfterPrint(container);
        if (auto *band = qobject_cast<TvdxBand *>(container)) {
            band->AfterPrint();
            if (FinalPass)
                band->DisposeFillMemo();
        }
    }
    freeVerticalCopies(container);
    freeAddedObjects(container);
}

void TvdxEngine::BreakAllKeep()
{
    TvdxCustomEngine::BreakAllKeep();
    m_keepCurY = 0;
    m_keeping = false;
    m_keepBand = nullptr;
    m_aggregates->EndKeep();
    m_keepHeader = false;
}

// ---------------------------------------------------------------------------
TvdxBand *TvdxEngine::ShowBand(TvdxBand *band)
{
    if (!band)
        return nullptr;
    TvdxBand *result = nullptr;
    if (band->KeepChild())
        startKeep(band, 0);
    outputBand(band);
    if (TvdxChild *child = band->Child()) {
        if (child->ToNRowsMode() == TvdxChild::rmTillPageEnds || child->ToNRows() > 0) {
            result = band;
        } else if (band->Visible() || band->PrintChildIfInvisible()) {
            auto *db = qobject_cast<TvdxDataBand *>(band);
            if (!db || db->CurColumn() <= 1)
                ShowBand(child);
        }
    }
    if (band->KeepChild())
        endKeep(band);
    if (qobject_cast<TvdxDataBand *>(band))
        m_aggregates->AddValue(band, 0);
    return result;
}

void TvdxEngine::ShowBand(const QMetaObject *bandClass)
{
    if (m_page && bandClass)
        ShowBand(m_page->FindBand(bandClass));
}

void TvdxEngine::outputBand(TvdxBand *band)
{
    if (band->Vertical()) {
        showVerticalBand(band);
        return;
    }
    // A band crossing vertical bands makes its cells first.
    const bool vMaster = band->HasVBands && !m_outputTo && !qobject_cast<TvdxPageHeader *>(band);
    QList<int> vPages;
    TvdxBand *vBand = nullptr;
    long double vSavedX = CurX;
    if (vMaster)
        startVerticalMaster(band, vPages, vBand, vSavedX);
    auto *db = qobject_cast<TvdxDataBand *>(band);
    const bool multi = db && db->Columns() > 1;
    const bool isData = db != nullptr;
    auto *gh = qobject_cast<TvdxGroupHeader *>(band);

    if (!m_callFromAddPage && band->Visible() && band->StartNewPage() && !m_outputTo
        && ((!isData && !gh) || band->LineN != 1)) {
        m_startNewPageBand = band;
        if (gh && gh->ResetPageNumbers())
            FPreviewPages->ResetLogicalPageNumber();
        NewPage();
        m_startNewPageBand = nullptr;
    }

    m_curBand = band;
    Stretch(band, false);
    band->StretchedHeight = band->Height();
    bool split = false;
    {
        struct Restore {
            TvdxEngine *e;
            TvdxBand *b;
            ~Restore() { e->UnStretch(b); }
        } restore{this, band};

        if (band->Visible() && !multi && !qobject_cast<TvdxOverlay *>(band) && !qobject_cast<TvdxNullBand *>(band)
            && band->Height() - FreeSpace() > 1e-4L) {
            auto *child = qobject_cast<TvdxChild *>(band);
            if (child && child->ToNRowsMode() == TvdxChild::rmTillPageEnds) {
                m_breakShowBandTree = true;
                return;
            }
            // Bands of a page start never break the page they start: a page
            // header taller than the page would otherwise open pages for ever.
            if (!m_outputTo && !m_callFromAddPage) {
                if (splitWanted(band)) {
                    if (!band->AllowSplit() && band->LineThrough > 1 && !band->StartNewPage()) {
                        m_curBand = band;
                        NewColumn();
                    }
                    if (m_keeping)
                        endKeep(band);
                    SplitBand(band);
                    split = true;
                } else {
                    if (!m_keeping)
                        restretchAfterSuppress(band);
                    if (!(child && m_callFromPHeader))
                        NewColumn();
                }
            }
        }

        if (!split && !qobject_cast<TvdxNullBand *>(band)) {
            if (multi)
                band->SetLeft(band->Left() + CurX);
            else
                band->SetLeft(CurX);
            band->SetTop(CurY);
        }
        if (split) {
            // SplitBand placed the parts and moved CurY.
        } else if (m_outputTo) {
            auto *copy = new TvdxBand(m_outputTo);
            copy->AssignAllWithOriginals(band, true);
            copy->SetName(band->Name());
            if (FinalPass)
                copy->CreateFillMemo();
        } else {
            if (FinalPass)
                band->CreateFillMemo();
            auto *summary = qobject_cast<TvdxReportSummary *>(band);
            if (summary && summary->PrintAtBottom()) {
                CurY = CurY + FreeSpace() - band->StretchedHeight;
                band->SetTop(CurY);
            }
            if (vMaster)
                outputVerticalPages(vPages, vBand, vSavedX);
            else if (band->Visible() && !(m_callFromAddPage && FPreviewPages->BandExists(band)))
                FPreviewPages->AddObject(band);
        }
        if (band->Visible() && !split)
            CurY += band->Height();
    }
    finishBandAggregates(band, TvdxObjectProcessing::paDefault);
    if (band->Visible())
        showSubreports(band);
}

void TvdxEngine::resetSuppressRepeated(TvdxBand *band)
{
    if (TvdxPostProcessor *pp = FPreviewPages->PostProcessor())
        pp->ResetDuplicates(band->Name());
    for (TvdxComponent *c : band->Objects().List())
        if (auto *memo = qobject_cast<TvdxCustomMemoView *>(c))
            memo->ResetSuppress();
}

// A value suppressed as a repeat at the bottom of a page prints again at the
// top of the next one: the band is filled once more before it moves.
void TvdxEngine::restretchAfterSuppress(TvdxBand *band)
{
    bool reset = false;
    for (TvdxComponent *c : band->Objects().List())
        if (auto *memo = qobject_cast<TvdxCustomMemoView *>(c); memo && memo->SuppressRepeated()) {
            memo->ResetSuppress();
            reset = true;
        }
    if (!reset || band->HasVBands)
        return;
    UnStretch(band);
    CurLine = band->LineN;
    CurLineThrough = band->LineThrough;
    struct Second {
        bool &flag;
        explicit Second(bool &f) : flag(f) { flag = true; }
        ~Second() { flag = false; }
    } second{SecondScriptCall};
    Stretch(band, false);
}

// ---------------------------------------------------------------------------
bool TvdxEngine::conditionTrue(const QString &expr)
{
    const Variant v = Evaluate(expr);
    return v.toBool();
}

bool TvdxEngine::hasDataToPrint(TvdxComponent *component, bool force)
{
    if (force)
        return true;
    QList<TvdxBand *> list;
    bool result;
    if (auto *rp = qobject_cast<TvdxReportPage *>(component)) {
        list = rp->SubBands();
        result = false;
    } else {
        auto *b = static_cast<TvdxBand *>(component);
        list = b->SubBands();
        result = list.isEmpty();
    }
    for (TvdxBand *band : list) {
        auto *db = qobject_cast<TvdxDataBand *>(band);
        if (!db || !db->DataSet())
            continue;
        callEvent(db->OnMasterDetail(), db);
        db->DataSet()->First();
        while (!db->DataSet()->Eof()) {
            if (hasDataToPrint(db, db->PrintIfDetailEmpty()))
                return true;
            db->DataSet()->Next();
        }
    }
    return result;
}

void TvdxEngine::runDataBands(TvdxComponent *component)
{
    processMessages();
    if (FReport->Terminated())
        return;
    long double rowStartY = CurY;
    QList<TvdxBand *> list;
    if (auto *rp = qobject_cast<TvdxReportPage *>(component))
        list = rp->SubBands();
    else
        list = static_cast<TvdxBand *>(component)->SubBands();
    TvdxPostProcessor *pp = FPreviewPages->PostProcessor();

    for (TvdxBand *band : list) {
        auto *b = qobject_cast<TvdxDataBand *>(band);
        if (!b || !b->DataSet())
            continue;
        TvdxDataSet *ds = b->DataSet();
        auto *group = qobject_cast<TvdxGroupHeader *>(b->Group);
        ds->First();
        b->LineN = 1;
        b->LineThrough = 1;
        b->SetCurColumn(1);
        bool firstRow = true, headerKept = false;
        resetSuppressRepeated(b);
        int rowPos = 0, colStartPos = 0, footerPos = 0;
        long double colStartY = 0;
        TvdxBand *padding = nullptr;
        if (pp)
            pp->EnterData();

        for (;;) {
            if (ds->Eof())
                break;
            if (headerKept && b->KeepHeader() && b->Header) {
                endKeep(b);
                headerKept = false;
            }
            const bool ok = b->Filter().trimmed().isEmpty() || conditionTrue(b->Filter());
            if (ok && hasDataToPrint(b, b->PrintIfDetailEmpty())) {
                if (firstRow && b->KeepHeader() && b->Header) {
                    if (m_isFirstBand)
                        m_isFirstBand = !m_titlePrinted;
                    m_keepHeader = !m_isFirstBand;
                    if (b->Columns() > 1 && b->CurColumn() == 1) {
                        colStartPos = FPreviewPages->GetCurPosition();
                        colStartY = CurY;
                    }
                    startKeep(b, 0);
                    headerKept = true;
                }
                if (firstRow) {
                    addReprintHeader(b->Header);
                    ShowBand(b->Header);
                    if (b->KeepTogether() && !headerKept)
                        startKeep(b, 0);
                } else if (!group && b->KeepTogether() && !headerKept) {
                    startKeep(b, 0);
                }
                if (group) {
                    if (firstRow)
                        startGroups(b, group, true, 0);
                    else
                        checkGroups(b, group, rowStartY, rowPos);
                }
                if (b->KeepFooter())
                    footerPos = FPreviewPages->GetCurPosition();
                if (b->Columns() > 1 && b->CurColumn() == 1)
                    rowPos = FPreviewPages->GetCurPosition();
                rowStartY = CurY;
                CurLine = b->LineN;
                CurLineThrough = b->LineThrough;
                padding = ShowBand(b);
                m_keepHeader = false;
                notifyObjects(b);
                if (firstRow && (!b->KeepFooter() || !b->Footer) && b->KeepHeader() && b->Header) {
                    endKeep(b);
                    headerKept = false;
                }
                firstRow = false;
                m_hBandNamesTree.append({b->Name(), b->LineThrough});
                ++b->LineN;
                ++b->LineThrough;
                advanceBandColumn(b, rowPos, colStartPos, rowStartY, colStartY);
                addBandOutline(b);
                runDataBands(b);
                m_hBandNamesTree.removeLast();
                leaveBandOutline(b);
                m_isFirstBand = false;
                if (b->FooterAfterEach()) {
                    if (b->KeepFooter()) {
                        startKeep(b, footerPos);
                        m_keepFooter = true;
                        ShowBand(b->Footer);
                        endKeep(b);
                        m_keepFooter = false;
                    } else {
                        ShowBand(b->Footer);
                    }
                }
            }
            if (!group && b->KeepTogether() && !headerKept)
                endKeep(b);
            ds->Next();
            if ((b->RowCount() != 0 && b->RowCount() < b->LineN) || FReport->Terminated())
                break;
        }

        b->SetCurColumn(b->Columns());
        advanceBandColumn(b, rowPos, colStartPos, rowStartY, colStartY);
        if (!b->Visible() && b->Columns() > 1 && CurY < b->MaxY)
            CurY = b->MaxY;

        Padding pad;
        pad.parent = padding;
        pad.pages0 = FPreviewPages->Count();
        if (padding) {
            if (m_outputTo) {
                padChildRows(pad, false);
            } else {
                pad.padPos = FPreviewPages->GetCurPosition();
                if (TvdxCustomOutline *o = FPreviewPages->Outline())
                    pad.padOutline = o->GetCurPosition();
                pad.padAnchor = FPreviewPages->GetAnchorCurPosition();
                m_lockResetAggregates = true;
            }
        }
        if (!firstRow) {
            if (group)
                endGroups(group, 0, b);
            if (m_keeping)
                removeReprintHeader(b->Header);
            if (!b->FooterAfterEach()) {
                if (b->KeepFooter() && !headerKept)
                    startKeep(b, footerPos);
                m_keepFooter = true;
                ShowBand(b->Footer);
                if (b->KeepFooter())
                    endKeep(b);
                m_keepFooter = false;
            }
            removeReprintHeader(b->Header);
            if (group && b->KeepTogether())
                endKeep(b);
        }
        if (padding && !m_outputTo)
            padChildRows(pad, true);
        m_lockResetAggregates = false;
        if (pp)
            pp->LeaveData();
        if (FReport->Terminated())
            return;
        m_isFirstBand = false;
    }
}

void TvdxEngine::padChildRows(const Padding &pad, bool cut)
{
    m_lockResetAggregates = false;
    TvdxBand *p = pad.parent;
    TvdxChild *c = p ? p->Child() : nullptr;
    if (c && FPreviewPages->Count() == pad.pages0) {
        if (cut)
            FPreviewPages->CutObjects(pad.padPos);
        m_prevFooterHeight = CurY - FPreviewPages->GetLastY(0) + FooterHeight();
        if (cut)
            CurY = FPreviewPages->GetLastY(0);
        m_breakShowBandTree = false;
        int n = p->LineN;
        c->LineN = 1;
        if (c->ToNRowsMode() == TvdxChild::rmAddToCount)
            n = 1;
        // A row that never fits must not pad for ever.
        int guard = 0;
        while ((n <= c->ToNRows() || (!m_breakShowBandTree && c->ToNRowsMode() == TvdxChild::rmTillPageEnds))
               && guard++ < 100000 && !FReport->Terminated()) {
            if (c->ToNRowsMode() == TvdxChild::rmTillPageEnds && c->Height() <= 0)
                break;
            CurLine = p->LineN;
            CurLineThrough = p->LineThrough;
            outputBand(c);
            ++n;
            ++p->LineN;
            ++p->LineThrough;
        }
        if (cut) {
            FPreviewPages->PasteObjects(CurX, CurY);
            if (TvdxCustomOutline *o = FPreviewPages->Outline())
                o->ShiftItems(pad.padOutline, roundHalfEven(CurY));
            FPreviewPages->ShiftAnchors(pad.padAnchor, roundHalfEven(CurY));
            CurY = FPreviewPages->GetLastY(CurX);
        }
        m_prevFooterHeight = 0;
    }
    if (p)
        finishBandAggregates(p->Footer, TvdxObjectProcessing::paDataFinished);
}

void TvdxEngine::advanceBandColumn(TvdxDataBand *b, int rowPos, int &colStartPos, long double &rowStartY,
                                   long double colStartY)
{
    if (b->Columns() <= 1 || !b->Visible())
        return;
    b->MaxY = std::max(b->MaxY, CurY);
    if (b->CurColumn() < b->Columns()) {
        CurY = rowStartY;
    } else {
        if (GetPageHeight() - FooterHeight() - b->MaxY > 1e-4L || m_page->EndlessHeight() || m_outputTo) {
            CurY = b->MaxY;
        } else {
            if (m_keeping && CurY - m_keepCurY > GetPageHeight() - FooterHeight() - HeaderHeight(false))
                endKeep(m_keepBand);
            if (m_keeping) {
                NewColumn();
            } else {
                int pos = rowPos;
                if (colStartPos > 0 && b->MaxY - colStartY < GetPageHeight() - FooterHeight()) {
                    pos = colStartPos;
                    rowStartY = colStartY;
                    if (b->KeepHeader()) {
                        m_headerList.RemoveItem(b->Group);
                        m_headerList.RemoveItem(b->Header);
                    }
                }
                const long double maxY = b->MaxY;
                FPreviewPages->CutObjects(pos);
                NewColumn();
                FPreviewPages->PasteObjects(CurX, CurY);
                CurY = CurY + maxY - rowStartY;
            }
        }
        colStartPos = 0;
    }
    b->SetCurColumn(b->CurColumn() + 1);
}

// ---------------------------------------------------------------------------
void TvdxEngine::startGroups(TvdxDataBand *b, TvdxGroupHeader *g, bool first, int from)
{
    const QList<TvdxBand *> levels = g->SubBands();
    TvdxPostProcessor *pp = FPreviewPages->PostProcessor();
    for (int i = from; i < levels.size(); ++i) {
        TvdxBand *level = levels[i];
        if (first) {
            level->LineN = 1;
            level->LineThrough = 1;
            resetSuppressRepeated(level);
        } else {
            ++level->LineN;
            if (i + 1 < levels.size())
                levels[i + 1]->LineN = 0;
            ++level->LineThrough;
        }
    }
    b->SetCurColumn(1);
    applyDrillDown(b, g);
    for (int i = from; i < levels.size(); ++i) {
        auto *h = qobject_cast<TvdxGroupHeader *>(levels[i]);
        if (!h)
            continue;
        CurLine = h->LineN;
        CurLineThrough = h->LineThrough;
        FReport->SetCurObject(h->Name());
        h->LastValue = Evaluate(h->Condition());
        if (h->KeepTogether())
            startKeep(h, 0);
        if (pp)
            pp->EnterGroup();
        ShowBand(h);
        addBandOutline(h);
        addReprintHeader(h);
    }
}

void TvdxEngine::checkGroups(TvdxDataBand *b, TvdxGroupHeader *g, long double &rowStartY, int rowPos)
{
    applyDrillDown(b, g);
    const QList<TvdxBand *> levels = g->SubBands();
    int changed = -1;
    for (int i = 0; i < levels.size(); ++i) {
        auto *h = qobject_cast<TvdxGroupHeader *>(levels[i]);
        if (!h)
            continue;
        FReport->SetCurObject(h->Name());
        const Variant v = Evaluate(h->Condition());
        bool same = false;
        try {
            same = v.varType() == h->LastValue.varType() ? (v == h->LastValue)
                                                          : v.toString() == h->LastValue.toString();
        } catch (const Exception &) {
            same = false;
        }
        if (!same) {
            changed = i;
            break;
        }
    }
    if (changed < 0)
        return;
    b->SetCurColumn(b->Columns());
    bool priorOk = true;
    try {
        b->DataSet()->Prior();
    } catch (const Exception &) {
        priorOk = false;
    }
    int colStart = 0;
    advanceBandColumn(b, rowPos, colStart, rowStartY, 0);
    endGroups(g, changed, b);
    if (priorOk)
        b->DataSet()->Next();
    startGroups(b, g, false, changed);
    b->LineN = 1;
    resetSuppressRepeated(b);
}

void TvdxEngine::endGroups(TvdxGroupHeader *g, int from, TvdxDataBand *b)
{
    const QList<TvdxBand *> levels = g->SubBands();
    for (int i = int(levels.size()) - 1; i >= from; --i) {
        TvdxBand *level = levels[i];
        if (auto *f = qobject_cast<TvdxGroupFooter *>(level->Footer)) {
            if (f->HideIfSingleDataRecord() && b->LineN <= 2)
                finishBandAggregates(f, TvdxObjectProcessing::paGroupFinished);
            else
                ShowBand(f);
        }
        leaveBandOutline(level);
        removeReprintHeader(level);
        if (auto *h = qobject_cast<TvdxGroupHeader *>(level); h && h->KeepTogether())
            endKeep(level);
    }
}

void TvdxEngine::applyDrillDown(TvdxDataBand *b, TvdxGroupHeader *g)
{
    const QList<TvdxBand *> levels = g->SubBands();
    for (int i = 0; i < levels.size(); ++i) {
        auto *p = qobject_cast<TvdxGroupHeader *>(levels[i]);
        if (!p || !p->DrillDown())
            continue;
        QString name;
        for (const auto &[bandName, line] : m_hBandNamesTree)
            name += bandName + QLatin1Char('.') + QString::number(line) + QLatin1Char('.');
        name += p->Name() + QLatin1Char('.') + QString::number(p->LineThrough);
        p->SetDrillName(name);
        const bool expanded = FReport->DrillState().contains(name) != p->ExpandDrillDown();
        if (p->Child() && !g->ShowChildIfDrillDown())
            p->Child()->SetVisible(expanded);
        for (int j = i + 1; j < levels.size(); ++j) {
            levels[j]->SetVisible(expanded);
            if (levels[j]->Footer)
                levels[j]->Footer->SetVisible(expanded);
        }
        b->SetVisible(expanded);
        if (!p->ShowFooterIfDrillDown() && p->Footer)
            p->Footer->SetVisible(expanded);
        if (!expanded)
            return;
    }
}

// ---------------------------------------------------------------------------
void TvdxEngine::startKeep(TvdxBand *band, int position)
{
    if (m_keeping || (m_isFirstBand && !qobject_cast<TvdxChild *>(band)))
        return;
    m_keepCurY = CurY;
    m_keeping = true;
    m_keepBand = band;
    m_keepPosition = position ? position : FPreviewPages->GetCurPosition();
    m_keepOutline = FPreviewPages->Outline() ? FPreviewPages->Outline()->GetCurPosition() : nullptr;
    m_keepAnchor = FPreviewPages->GetAnchorCurPosition();
    m_aggregates->StartKeep();
}

void TvdxEngine::endKeep(TvdxBand *band)
{
    if (band != m_keepBand)
        return;
    m_keepCurY = 0;
    m_keeping = false;
    m_keepBand = nullptr;
    m_aggregates->EndKeep();
    m_keepHeader = false;
}

void TvdxEngine::addReprintHeader(TvdxBand *band)
{
    if (!band)
        return;
    const bool reprint = (qobject_cast<TvdxHeader *>(band) && static_cast<TvdxHeader *>(band)->ReprintOnNewPage())
                         || (qobject_cast<TvdxGroupHeader *>(band)
                             && static_cast<TvdxGroupHeader *>(band)->ReprintOnNewPage());
    if (band->Vertical()) {
        if (reprint && !m_vHeaderList.contains(band))
            m_vHeaderList.append(band);
        return;
    }
    if (reprint)
        m_headerList.AddItem(band, m_pageCurX, m_keeping && !qobject_cast<TvdxHeader *>(band));
}

void TvdxEngine::removeReprintHeader(TvdxBand *band)
{
    if (band && band->Vertical())
        m_vHeaderList.removeOne(band);
    else if (band)
        m_headerList.RemoveItem(band);
}

void TvdxEngine::addBandOutline(TvdxBand *band)
{
    if (band->OutlineText().isEmpty())
        return;
    FReport->SetCurObject(band->Name());
    const int top = band->Stretched() ? roundHalfEven(CurY - band->StretchedHeight) : roundHalfEven(CurY - band->Height());
    if (band->Visible())
        if (TvdxCustomOutline *o = FPreviewPages->Outline())
            o->AddItem(Evaluate(band->OutlineText()).toString(), top);
}

void TvdxEngine::leaveBandOutline(TvdxBand *band)
{
    if (!band->OutlineText().isEmpty())
        if (TvdxCustomOutline *o = FPreviewPages->Outline())
            o->LevelUp();
}

void TvdxEngine::notifyObjects(TvdxBand *band)
{
    for (QObject *o : NotifyList())
        if (auto *c = qobject_cast<TvdxComponent *>(o))
            c->OnNotify(band);
}

void TvdxEngine::showSubreports(TvdxBand *band)
{
    QList<TvdxSubreport *> subs;
    for (TvdxComponent *c : band->Objects().List())
        if (auto *s = qobject_cast<TvdxSubreport *>(c); s && s->Visible() && !s->PrintOnParent() && s->SubPage())
            subs.append(s);
    if (subs.isEmpty())
        return;
    long double y0 = CurY;
    int page0 = FPreviewPages->CurPage;
    const int col0 = CurColumn;
    const long double x0 = CurX, px0 = m_pageCurX;
    int bestPage = page0, bestCol = col0;
    long double bestY = y0;
    TvdxReportPage *savedPage = m_page;
    for (TvdxSubreport *s : subs) {
        m_subSavePageN = -1;
        m_subSaveCurY = -1;
        long double a = 0;
        if (m_keeping)
            a = y0 - m_keepCurY;
        FPreviewPages->CurPage = page0;
        m_pageCurX = px0 + s->Left();
        CurColumn = col0;
        CurX = x0 + s->Left();
        CurY = s->Top() + (y0 - band->StretchedHeight);
        runDataBands(s->SubPage());
        if (m_subSavePageN != -1 && m_subSaveCurY >= 0) {
            y0 = a + m_subSaveCurY;
            page0 = m_subSavePageN;
        }
        const int p = FPreviewPages->CurPage;
        if (p > bestPage || (p == bestPage && CurColumn > bestCol)
            || (p == bestPage && CurColumn == bestCol && CurY > bestY)) {
            bestPage = p;
            bestCol = CurColumn;
            bestY = CurY;
        }
    }
    m_page = savedPage;
    FPreviewPages->CurPage = bestPage;
    CurColumn = bestCol;
    CurX = px0 + (bestCol > 1 ? columnPosition(bestCol) : 0);
    CurY = bestY;
    m_pageCurX = px0;
}
