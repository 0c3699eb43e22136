// Vertical bands: a horizontal band that crosses vertical bands is repeated
// once per vertical data row, left to right, as copies of the objects that
// lie in the crossing; columns past the page width go to the next prepared
// page, and the band is then written once per page segment.
#include "engine/vdxEngine.h"

#include "engine/vdxAggregate.h"
#include "report/vdxClass_dataset.h"
#include "report/vdxClass_postprocessor.h"
#include "report/vdxClass_report.h"

#include <algorithm>

// ---------------------------------------------------------------------------
void TvdxEngine::startVerticalMaster(TvdxBand *band, QList<int> &pages, TvdxBand *&master, long double &savedX)
{
    savedX = CurX;
    FReport->SetCurObject(band->Name());
    band->BeforePrint();
    DoBeforePrint(band);
    prepareVerticalBands(band);
    CurX = 0;
    CurLine = band->LineN;
    CurLineThrough = band->LineThrough;
    FPreviewPages->AddPageAction = apAdd;
    // Nested output may change them before the segments are written.
    pages = m_vPageList;
    master = m_vMasterBand;
}

void TvdxEngine::prepareVerticalBands(TvdxBand *masterBand)
{
    m_vMasterBand = masterBand;
    masterBand->SetOriginalObjectsCount(masterBand->Objects().Count());
    masterBand->SetAllowSplit(false);
    const int savedPage = FPreviewPages->CurPage;
    m_vHeaderList.clear();
    m_vPageList = {0};
    CurVColumn = 0;
    runVerticalBands(m_page->VSubBands());
    m_vPageList.append(masterBand->Objects().Count());
    FPreviewPages->CurPage = savedPage;
}

void TvdxEngine::runVerticalBands(const QList<TvdxBand *> &list)
{
    if (FReport->Terminated())
        return;
    for (TvdxBand *band : list) {
        auto *b = qobject_cast<TvdxDataBand *>(band);
        if (!b || !b->DataSet())
            continue;
        TvdxDataSet *ds = b->DataSet();
        auto *group = qobject_cast<TvdxGroupHeader *>(b->Group);
        // Setting the column moves a data band to the column's place; a
        // vertical band keeps its design place, which the moved objects go
        // back by at the end of the run.
        struct KeepLeft {
            TvdxDataBand *band;
            long double left;
            ~KeepLeft() { band->TvdxReportComponent::SetLeft(left); }
        } keepLeft{b, b->Left()};
        ds->First();
        b->LineN = 1;
        b->LineThrough = 1;
        b->SetCurColumn(1);
        CurLine = b->LineN;
        CurLineThrough = b->LineThrough;
        resetSuppressRepeated(b);
        bool first = true;
        while (!ds->Eof()) {
            if (first) {
                ShowBand(b->Header);
                addReprintHeader(b->Header);
            }
            if (group) {
                if (first) {
                    startGroups(b, group, true, 0);
                } else {
                    long double rowStartY = CurY;
                    checkGroups(b, group, rowStartY, 0);
                }
            }
            CurLine = b->LineN;
            CurLineThrough = b->LineThrough;
            ShowBand(b);
            notifyObjects(b);
            ++b->LineN;
            ++b->LineThrough;
            runVerticalBands(b->SubBands());
            if (b->FooterAfterEach())
                ShowBand(b->Footer);
            ds->Next();
            first = false;
            if ((b->RowCount() != 0 && b->RowCount() < b->LineN) || FReport->Terminated())
                break;
        }
        // Groups and footers close only what was opened.
        if (!first) {
            if (group)
                endGroups(group, 0, b);
            m_vHeaderList.removeOne(b->Header);
            if (!b->FooterAfterEach())
                ShowBand(b->Footer);
        }
        if (FReport->Terminated())
            return;
    }
}

void TvdxEngine::showVerticalBand(TvdxBand *band)
{
    auto *dataBand = qobject_cast<TvdxDataBand *>(band);
    const bool isFooter = qobject_cast<TvdxFooter *>(band) || qobject_cast<TvdxGroupFooter *>(band);
    if (dataBand)
        ++CurVColumn;
    // Cells of a vertical footer read their totals under the footer.
    m_curBand = isFooter ? band : m_vMasterBand;
    FReport->SetCurObject(band->Name());
    band->BeforePrint();
    DoBeforePrint(band);
    TvdxBand *master = m_vMasterBand;
    if (band->Visible() && master) {
        const bool forced = band->StartNewPage() && band->LineThrough > 1;
        // A band wider than the page stays on a page with nothing before it.
        const bool tooWide = CurX > 1e-4L && PageWidth + 1e-4L < CurX + band->Width();
        if (tooWide || forced) {
            if (m_page->EndlessWidth() && !forced) {
                PageWidth += band->Width();
            } else {
                if (m_page->EndlessWidth()) {
                    if (IvdxEnginePages *x = pagesExtras())
                        x->UpdatePageDimension(FPreviewPages->Count() - 1,
                                               PageWidth / vdxMMToPixels + m_page->LeftMargin() + m_page->RightMargin(),
                                               GetPageHeight() / vdxMMToPixels + m_page->TopMargin()
                                                   + m_page->BottomMargin(),
                                               int(m_page->Orientation()));
                    PageWidth = m_page->PaperWidth() * vdxMMToPixels;
                }
                if (FPreviewPages->CurPage + 1 < FPreviewPages->Count())
                    ++FPreviewPages->CurPage;
                else
                    FPreviewPages->AddPage(m_page);
                CurX = 0;
                m_vPageList.append(master->Objects().Count());
                const QList<TvdxBand *> headers = m_vHeaderList;
                for (TvdxBand *h : headers)
                    ShowBand(h);
            }
        }
        const QList<TvdxComponent *> cells = band->Objects().List();
        for (TvdxComponent *c : cells) {
            if (c->OriginalBand() != master)
                continue;
            auto *rc = qobject_cast<TvdxReportComponent *>(c);
            FReport->SetCurObject(c->Name());
            if (rc) {
                rc->BeforePrint();
                DoBeforePrint(rc);
                rc->GetData();
                callEvent(rc->OnAfterData(), rc);
            }
            const TvdClassInfo *info = vdFindClass(c->ClassName());
            auto *copy = info ? dynamic_cast<TvdxComponent *>(info->create(nullptr)) : nullptr;
            if (copy) {
                if (c->vdComponentStyle().testFlag(TvdxComponent::csObjectsContainer))
                    copy->AssignAllWithOriginals(c, true);
                else
                    copy->Assign(c);
                // Unnamed: the copies must not clash with the template's names.
                copy->SetName(QString());
                copy->SetAliasName(c->AliasName());
                copy->SetOriginalComponent(c->OriginalComponent());
                copy->SetLeft(c->Left() + CurX);
                copy->SetParent(master);
            }
            if (rc)
                rc->AfterPrint();
        }
        CurX += band->Width();
    }
    FReport->SetCurObject(band->Name());
    DoAfterPrint(band);
    band->AfterPrint();
    if (dataBand)
        m_aggregates->AddValue(master, CurVColumn);
    else if (isFooter)
        finishBandAggregates(band, TvdxObjectProcessing::paDefault);
}

void TvdxEngine::outputVerticalPages(const QList<int> &pageList, TvdxBand *masterBand, long double savedX)
{
    m_vPageList = pageList;
    m_vMasterBand = masterBand;
    masterBand->SetLeft(0);
    const QList<TvdxComponent *> all = masterBand->Objects().List();
    const int savedPage = FPreviewPages->CurPage;
    const long double savedY = CurY;
    FPreviewPages->AddPageAction = apWriteOver;
    auto detachAll = [masterBand] {
        while (masterBand->Objects().Count() > 0)
            masterBand->Objects().Delete(masterBand->Objects().Count() - 1);
    };
    // The band gets all its objects back, also when a page break raises.
    struct Restore {
        TvdxEngine *e;
        TvdxBand *band;
        const QList<TvdxComponent *> &all;
        int page;
        long double y, x;
        ~Restore()
        {
            while (band->Objects().Count() > 0)
                band->Objects().Delete(band->Objects().Count() - 1);
            for (TvdxComponent *c : all)
                band->Objects().Add(c);
            e->FPreviewPages->CurPage = page;
            e->CurY = y;
            e->CurX = x;
            e->FPreviewPages->AddPageAction = apAdd;
            e->m_dontShowHeaders = false;
        }
    } restore{this, masterBand, all, savedPage, savedY, savedX};
    if (!masterBand->Visible())
        return;
    detachAll();
    const int segments = int(pageList.size()) - 1;
    for (int k = 0; k < segments; ++k) {
        const int from = std::clamp(pageList[k], 0, int(all.size()));
        const int to = std::clamp(pageList[k + 1], from, int(all.size()));
        for (int i = from; i < to; ++i)
            masterBand->Objects().Add(all[i]);
        FPreviewPages->AddObject(masterBand);
        detachAll();
        if (k + 1 < segments) {
            m_dontShowHeaders = true;
            NewPage();
            m_dontShowHeaders = false;
        } else if (segments > 1) {
            // The last page of the segments is never reached by the run again.
            EndPage();
        }
    }
}

bool TvdxEngine::isVerticalCopy(TvdxReportComponent *container, TvdxComponent *child) const
{
    if (!container || container != m_vMasterBand || container->OriginalObjectsCount() < 0)
        return false;
    return container->Objects().IndexOf(child) >= container->OriginalObjectsCount();
}

void TvdxEngine::freeVerticalCopies(TvdxReportComponent *container)
{
    if (!container || container != m_vMasterBand || container->OriginalObjectsCount() < 0)
        return;
    while (container->Objects().Count() > container->OriginalObjectsCount())
        delete container->Objects().Items(container->Objects().Count() - 1);
}
