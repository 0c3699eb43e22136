// Page flow of the engine: the start of a template page and of each prepared
// page, page and column breaks carrying keep-together blocks, the end of a
// page with its footers, and the page geometry.
#include "engine/vdxEngine.h"

#include "engine/vdxAggregate.h"
#include "core/vdFormatSettings.h"
#include "core/vdVariant.h"
#include "report/vdxClass_postprocessor.h"
#include "report/vdxClass_report.h"

namespace {

int roundHalfEven(long double v) { return int(RoundHalfEven(double(v))); }

bool isPageHeader(const TvdxBand *b) { return qobject_cast<const TvdxPageHeader *>(b) != nullptr; }

} // namespace

// ---------------------------------------------------------------------------
long double TvdxEngine::GetPageHeight()
{
    if (m_page && m_page->EndlessHeight())
        return FooterHeight() + CurY;
    return FPageHeight;
}

long double TvdxEngine::HeaderHeight(bool addReprintOnNewPage)
{
    if (!m_page)
        return 0;
    long double h = 0;
    auto chain = [&h](TvdxBand *b) {
        int guard = 0;
        for (; b && guard < 1000; b = b->Child(), ++guard)
            h += b->Height();
    };
    chain(m_page->FindBand(&TvdxColumnHeader::staticMetaObject));
    chain(m_page->FindBand(&TvdxPageHeader::staticMetaObject));
    if (addReprintOnNewPage)
        for (int i = 0; i < m_headerList.Count(); ++i) {
            TvdxBand *b = m_headerList.Items(i).Band;
            if (b && !isPageHeader(b) && !qobject_cast<TvdxColumnHeader *>(b))
                h += b->Height();
        }
    return h;
}

long double TvdxEngine::FooterHeight()
{
    if (!m_page)
        return 0;
    long double h = 0;
    if (TvdxBand *b = m_page->FindBand(&TvdxColumnFooter::staticMetaObject))
        h += b->Height();
    if (TvdxBand *b = m_page->FindBand(&TvdxPageFooter::staticMetaObject))
        h += b->Height();
    return h;
}

long double TvdxEngine::FreeSpace()
{
    if (m_page && m_page->EndlessHeight())
        return 1000000;
    if (m_prevFooterHeight == 0)
        return GetPageHeight() - FooterHeight() - CurY;
    return GetPageHeight() - m_prevFooterHeight - CurY;
}

long double TvdxEngine::columnPosition(int column) const
{
    // A list shorter than the columns, or an entry that is no number, falls
    // back to the column's place by width.
    const QStringList positions = m_page->ColumnPositions();
    if (column >= 1 && column <= positions.size()) {
        bool ok = false;
        QString text = positions[column - 1].trimmed();
        text.replace(QLatin1Char(','), QLatin1Char('.'));
        const double v = text.toDouble(&ok);
        if (ok)
            return v * vdxMMToPixels;
    }
    return (column - 1) * m_page->ColumnWidth() * vdxMMToPixels;
}

// ---------------------------------------------------------------------------
void TvdxEngine::startReportPage()
{
    m_headerList.Clear();
    TvdxBand *title = m_page->FindBand(&TvdxReportTitle::staticMetaObject);
    TvdxBand *pageHeader = m_page->FindBand(&TvdxPageHeader::staticMetaObject);
    if (m_page->TitleBeforeHeader()) {
        m_headerList.AddItem(title, 0, false);
        m_headerList.AddItem(pageHeader, 0, false);
    } else {
        m_headerList.AddItem(pageHeader, 0, false);
        m_headerList.AddItem(title, 0, false);
    }
    FPageHeight = m_page->PaperHeight() * vdxMMToPixels - m_page->TopMargin() * vdxMMToPixels
                  - m_page->BottomMargin() * vdxMMToPixels;
    PageWidth = m_page->PaperWidth() * vdxMMToPixels - m_page->LeftMargin() * vdxMMToPixels
                - m_page->RightMargin() * vdxMMToPixels;
    CurX = 0;
    CurY = 0;
    CurColumn = 1;
    m_pageCurX = 0;
    m_isFirstPage = true;
    m_isLastPage = false;
    if (TvdxCustomOutline *o = FPreviewPages->Outline())
        o->LevelRoot();
    if (m_page->ResetPageNumbers())
        FPreviewPages->ResetLogicalPageNumber();

    if (FPreviewPages->Count() > 0 && m_page->PrintOnPreviousPage()) {
        FPreviewPages->CurPage = FPreviewPages->Count() - 1;
        int aColumn = 0;
        if (IvdxEnginePages *x = pagesExtras())
            x->GetLastColumnPos(aColumn, CurX);
        const bool t = m_page->Columns() <= 1 || (title && m_page->ShowTitleOnPreviousPage());
        if (t) {
            CurX = 0;
            aColumn = 0;
        }
        CurY = FPreviewPages->GetLastY(CurX);
        if (aColumn == 0)
            m_firstColumnY = CurY;
        else
            CurColumn = aColumn;
        m_headerList.RemoveItem(title);
        if (t) {
            CurColumn = m_page->Columns();
            ShowBand(&TvdxReportTitle::staticMetaObject);
            CurColumn = 1;
            m_firstColumnY = CurY;
        }
    } else {
        startPreviewPage();
        m_firstColumnY = CurY;
    }
    if (m_firstReportPage)
        FPreviewPages->FirstPage = FPreviewPages->CurPage;
    TvdxBand *columnHeader = m_page->FindBand(&TvdxColumnHeader::staticMetaObject);
    ShowBand(columnHeader);
    m_headerList.AddItem(columnHeader, 0, false);
    m_headerList.RemoveItem(title);
    addPageOutline();
}

void TvdxEngine::startPreviewPage()
{
    m_prevFooterHeight = 0;
    FPreviewPages->AddPage(m_page);
    CurY = 0;
    if (auto *overlay = qobject_cast<TvdxOverlay *>(m_page->FindBand(&TvdxOverlay::staticMetaObject));
        overlay && !overlay->PrintOnTop()) {
        ShowBand(overlay);
        CurY = 0;
    }
    const long double savedX = CurX;
    m_firstColumnY = 0;
    for (int i = 0; i < m_headerList.Count(); ++i) {
        TvdxHeaderListItem &item = m_headerList.Items(i);
        CurX = item.Left;
        TvdxBand *b = item.Band;
        if (!b || b == m_startNewPageBand)
            continue;
        if (m_isFirstPage && isPageHeader(b) && !static_cast<TvdxPageHeader *>(b)->PrintOnFirstPage()) {
            if (!b->PrintChildIfInvisible())
                continue;
            b = b->Child();
        }
        if (!b)
            continue;
        if (m_keepHeader && m_keepBand && b == m_keepBand->Header) {
            if (!m_keepFooter)
                continue;
        } else if (item.IsInKeepList && m_keeping && !m_keepFooter) {
            continue;
        }
        if (qobject_cast<TvdxHeader *>(b) && (m_dontShowHeaders || b == m_lastBandOnPage))
            continue;
        if (qobject_cast<TvdxGroupHeader *>(b) && m_dontShowHeaders)
            continue;
        // The flags go down again also when the band raises: a page start
        // left half done must not turn later bands into reprints.
        struct Reprint {
            TvdxEngine *e;
            TvdxBand *b;
            int line, through;
            ~Reprint()
            {
                e->m_callFromPHeader = false;
                e->m_callFromAddPage = false;
                b->SetOverflow(false);
                e->CurLine = line;
                e->CurLineThrough = through;
            }
        } reprint{this, b, CurLine, CurLineThrough};
        b->SetOverflow(true);
        CurLine = b->LineN;
        CurLineThrough = b->LineThrough;
        m_callFromAddPage = true;
        m_callFromPHeader = isPageHeader(b);
        const bool isTitle = qobject_cast<TvdxReportTitle *>(b) != nullptr;
        if (isTitle)
            item.Band = nullptr;
        ShowBand(b);
        if (isPageHeader(b))
            m_firstColumnY = b->StretchedHeight;
        if (m_isFirstBand && isTitle)
            m_titlePrinted = true;
    }
    CurX = savedX;
}

void TvdxEngine::NewPage()
{
    if (!m_page)
        return;
    if (m_keepBand) {
        long double h = m_keepBand->Height();
        if (qobject_cast<TvdxGroupHeader *>(m_keepBand) && m_curBand)
            h = m_curBand->Height();
        if (CurY - m_keepCurY + h > GetPageHeight() - FooterHeight() - HeaderHeight(false)) {
            // The block no longer fits on any page: it is released here.
            m_keeping = false;
            m_aggregates->EndKeep();
            if (qobject_cast<TvdxGroupHeader *>(m_keepBand)) {
                m_headerList.RemoveItem(m_keepBand);
                addReprintHeader(m_keepBand);
            }
        }
    }
    TvdxBand *header = nullptr;
    if (m_keeping) {
        // The footer row goes with the block: it counts on the next page.
        if (m_keepFooter && !m_keepHeader)
            m_aggregates->DeleteValue(m_keepBand);
        FPreviewPages->CutObjects(m_keepPosition);
        auto *db = qobject_cast<TvdxDataBand *>(m_curBand);
        if (qAbs(FPreviewPages->GetLastY(0) - CurY) >= 1e-4L && db && db->KeepHeader())
            header = db->Header;
        if (header)
            m_headerList.RemoveItem(header);
    }
    m_lastBandOnPage = m_curBand;
    EndPage();
    if (m_page->EndlessHeight())
        if (IvdxEnginePages *x = pagesExtras())
            x->UpdatePageDimension(FPreviewPages->Count() - 1,
                                   PageWidth / vdxMMToPixels + m_page->LeftMargin() + m_page->RightMargin(),
                                   CurY / vdxMMToPixels + m_page->TopMargin() + m_page->BottomMargin(),
                                   int(m_page->Orientation()));
    startPreviewPage();
    m_lastBandOnPage = nullptr;
    if (m_keeping) {
        // Rows of the moved block count for this page's footer, not the last one's.
        m_aggregates->EndKeep();
        m_subSaveCurY = CurY;
        long double x = 0;
        if (m_keepBand && m_keepBand->Page())
            if (auto *rp = qobject_cast<TvdxReportPage *>(m_keepBand->Page()); rp && rp->SubReport())
                x = rp->SubReport()->Left();
        FPreviewPages->PasteObjects(x, CurY);
        m_subSavePageN = FPreviewPages->CurPage;
        if (TvdxCustomOutline *o = FPreviewPages->Outline())
            o->ShiftItems(m_keepOutline, roundHalfEven(CurY));
        FPreviewPages->ShiftAnchors(m_keepAnchor, roundHalfEven(CurY));
        CurY = FPreviewPages->GetLastY(0);
        if (m_keepFooter && !m_keepHeader)
            m_aggregates->AddValue(m_keepBand, 0);
        addReprintHeader(header);
    }
    m_keeping = false;
    m_keepHeader = false;
    m_keepCurY = 0;
    addPageOutline();
}

void TvdxEngine::NewColumn()
{
    if (!m_page)
        return;
    if (CurColumn >= m_page->Columns()) {
        NewPage();
        return;
    }
    if (m_keeping) {
        if (m_keepFooter)
            m_aggregates->DeleteValue(m_keepBand);
        FPreviewPages->CutObjects(m_keepPosition);
        CurY = FPreviewPages->GetLastY(0);
    }
    m_lastBandOnPage = m_curBand;
    outputColumnFooter();
    startNextColumn();
    m_lastBandOnPage = nullptr;
    if (m_keeping) {
        m_aggregates->EndKeep();
        FPreviewPages->PasteObjects(CurX, CurY);
        if (TvdxCustomOutline *o = FPreviewPages->Outline())
            o->ShiftItems(m_keepOutline, roundHalfEven(CurY));
        FPreviewPages->ShiftAnchors(m_keepAnchor, roundHalfEven(CurY));
        CurY = FPreviewPages->GetLastY(CurX);
        if (m_keepFooter)
            m_aggregates->AddValue(m_keepBand, 0);
    }
    m_keeping = false;
    m_keepHeader = false;
}

void TvdxEngine::startNextColumn()
{
    if (FPreviewPages->PostProcessor() && m_curBand)
        FPreviewPages->PostProcessor()->ResetDuplicates(m_curBand->Name());
    ++CurColumn;
    const long double x = columnPosition(CurColumn);
    CurY = m_firstColumnY;
    for (int i = 0; i < m_headerList.Count() && !m_keepHeader; ++i) {
        TvdxHeaderListItem &item = m_headerList.Items(i);
        TvdxBand *b = item.Band;
        if (!b || isPageHeader(b) || b == m_lastBandOnPage || item.IsInKeepList)
            continue;
        CurX = item.Left + x;
        outputHeaderChain(b);
    }
    CurX = m_pageCurX + x;
}

void TvdxEngine::outputHeaderChain(TvdxBand *band)
{
    int guard = 0;
    for (TvdxBand *b = band; b && guard < 1000; ++guard) {
        b->SetOverflow(true);
        struct Restore {
            TvdxEngine *e;
            TvdxBand *b;
            ~Restore()
            {
                e->UnStretch(b);
                b->SetOverflow(false);
            }
        } restore{this, b};
        Stretch(b, false);
        if (b->Visible()) {
            if (FinalPass)
                b->CreateFillMemo();
            b->SetLeft(CurX);
            b->SetTop(CurY);
            FPreviewPages->AddObject(b);
            CurY += b->Height();
        }
        if (!(b->Visible() || b->PrintChildIfInvisible()))
            break;
        b = b->Child();
    }
}

void TvdxEngine::outputColumnFooter()
{
    TvdxBand *f = m_page->FindBand(&TvdxColumnFooter::staticMetaObject);
    if (!f)
        return;
    Stretch(f, false);
    {
        struct Restore {
            TvdxEngine *e;
            TvdxBand *b;
            ~Restore() { e->UnStretch(b); }
        } restore{this, f};
        if (f->Visible()) {
            f->SetLeft(CurX - m_pageCurX);
            f->SetTop(CurY);
            FPreviewPages->AddObject(f);
            CurY += f->Height();
        }
    }
    finishBandAggregates(f, TvdxObjectProcessing::paColumnFinished);
}

void TvdxEngine::EndPage()
{
    if (!m_page)
        return;
    if (!m_callFromEndPage)
        outputColumnFooter();
    if (!m_isLastPage) {
        CurX = m_pageCurX;
        CurColumn = 1;
    }
    if (m_page->Columns() > 1)
        if (IvdxEnginePages *x = pagesExtras())
            x->UpdatePageLastColumn(CurColumn, CurX, false);
    if (m_isLastPage && !m_callFromEndPage) {
        struct Flag {
            bool &f;
            ~Flag() { f = false; }
        } flag{m_callFromEndPage};
        m_callFromEndPage = true;
        const long double y0 = CurY;
        TvdxBand *s = m_page->FindBand(&TvdxReportSummary::staticMetaObject);
        ShowBand(s);
        if (!s)
            finishBandAggregates(nullptr, TvdxObjectProcessing::paReportFinished);
        else if (m_page->EndlessHeight()) {
            FPageHeight += CurY - y0;
            if (IvdxEnginePages *x = pagesExtras())
                x->UpdatePageDimensions(m_page,
                                        m_page->LeftMargin() * vdxMMToPixels + PageWidth
                                            + m_page->RightMargin() * vdxMMToPixels,
                                        FPageHeight + m_page->TopMargin() * vdxMMToPixels
                                            + m_page->BottomMargin() * vdxMMToPixels);
        }
    }
    if (auto *f = qobject_cast<TvdxPageFooter *>(m_page->FindBand(&TvdxPageFooter::staticMetaObject))) {
        CurY = GetPageHeight() - f->Height();
        m_prevFooterHeight = (m_isLastPage && f->PrintOnLastPage() && !m_callFromEndPage) ? f->Height() : 0;
        outputPageFooter(f);
    }
    if (auto *o = qobject_cast<TvdxOverlay *>(m_page->FindBand(&TvdxOverlay::staticMetaObject)); o && o->PrintOnTop()) {
        CurY = 0;
        outputPageFooter(o);
    }
    m_isFirstPage = false;
}

void TvdxEngine::outputPageFooter(TvdxBand *band)
{
    if (!band)
        return;
    Stretch(band, false);
    {
        struct Restore {
            TvdxEngine *e;
            TvdxBand *b;
            ~Restore() { e->UnStretch(b); }
        } restore{this, band};
        if (band->Visible()) {
            band->SetLeft(0);
            band->SetTop(CurY);
            if (auto *f = qobject_cast<TvdxPageFooter *>(band)) {
                const bool skip = ((m_isFirstPage && !f->PrintOnFirstPage())
                                   || (m_isLastPage && !f->PrintOnLastPage() && !m_callFromEndPage))
                                  && !(f->PrintOnSinglePage() && m_isFirstPage && m_isLastPage);
                if (skip)
                    return;
            }
            if (FinalPass)
                band->CreateFillMemo();
            if (!FPreviewPages->BandExists(band))
                FPreviewPages->AddObject(band);
            CurY += band->Height();
        }
    }
    finishBandAggregates(band, TvdxObjectProcessing::paDefault);
}

void TvdxEngine::addPageOutline()
{
    if (m_page->OutlineText().isEmpty())
        return;
    TvdxCustomOutline *o = FPreviewPages->Outline();
    if (!o)
        return;
    o->LevelRoot();
    FReport->SetCurObject(m_page->Name());
    o->AddItem(Evaluate(m_page->OutlineText()).toString(), 0);
}
