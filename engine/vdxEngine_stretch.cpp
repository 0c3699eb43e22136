// Stretching of containers, shifting of the objects below a grown object,
// bands output in parts over pages and columns, and sub-reports printed as
// objects of their parent.
#include "engine/vdxEngine.h"

#include "engine/vdxShift.h"

#include "report/vdxClass_frame.h"
#include "report/vdxClass_memo.h"
#include "report/vdxClass_report.h"
#include "report/vdxDMPClass.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr long double kEps = 1e-4L;

TvdxStretcheable *stretchable(TvdxComponent *c) { return qobject_cast<TvdxStretcheable *>(c); }

// A dot-matrix text whose frame draws a bottom line needs one character row more.
bool dmpBottomLine(TvdxComponent *c)
{
    auto *dmp = qobject_cast<TvdxDMPMemoView *>(c);
    return dmp && dmp->Frame() && dmp->Frame()->Typ().testFlag(TvdxFrame::ftBottom);
}

void emptyChildList(TvdxComponent *container)
{
    while (container->Objects().Count() > 0)
        container->Objects().Delete(container->Objects().Count() - 1);
}

void addPart(TvdxComponent *container, TvdxComponent *o)
{
    TvdxComponent *part = o;
    if (auto *rc = qobject_cast<TvdxReportComponent *>(o))
        part = rc->GetSaveToComponent();
    if (part && container->Objects().IndexOf(part) < 0)
        container->Objects().Add(part);
}

TvdxView::TvdxAlign alignOf(TvdxComponent *c)
{
    auto *v = qobject_cast<TvdxView *>(c);
    return v ? v->Align() : TvdxView::baNone;
}

} // namespace

bool TvdxEngine::IsStretchToBottom(TvdxComponent *view)
{
    auto *s = stretchable(view);
    return s && (s->StretchMode() == TvdxStretcheable::smMaxHeight
                 || s->StretchMode() == TvdxStretcheable::smPartMaxHeight);
}

void TvdxEngine::PrepareShiftTree(TvdxReportComponent *container) { m_shiftEngine->PrepareShiftTree(container); }

// ---------------------------------------------------------------------------
bool TvdxEngine::measureChild(TvdxReportComponent *container, TvdxReportComponent *child)
{
    m_shiftEngine->InitShiftAmount(child, 0);
    auto *s = stretchable(child);
    if (!s || !container->Visible() || !child->Visible())
        return false;
    const bool grows = s->StretchMode() != TvdxStretcheable::smDontStretch;
    if (!grows && !s->CanShrink())
        return false;
    const long double h0 = child->Height();
    const long double h = s->CalcHeight();
    if (!((grows && h > h0) || (s->CanShrink() && h < h0)))
        return false;
    m_shiftEngine->InitShiftAmount(child, h - h0);
    if (std::fabs(double(h - child->Height())) > double(kEps))
        child->SetHeight(h);
    return true;
}

long double TvdxEngine::fitContainer(TvdxReportComponent *container, bool stretched, bool onParent)
{
    if (stretched)
        m_shiftEngine->ShiftObjects(container);
    if (onParent)
        showSubreportsOnParent(container);
    long double bottom = 0;
    TvdxComponent *lowest = nullptr;
    for (TvdxComponent *c : container->Objects().List())
        if (qobject_cast<TvdxReportComponent *>(c) && c->Top() + c->Height() > bottom) {
            bottom = c->Top() + c->Height();
            lowest = c;
        }
    if (lowest && dmpBottomLine(lowest))
        bottom += vd1CharY;
    auto *band = qobject_cast<TvdxBand *>(container);
    if (!band || band->Stretched())
        container->SetHeight(bottom);
    return bottom;
}

void TvdxEngine::stretchToBottom(TvdxReportComponent *container, long double bottom)
{
    for (TvdxComponent *c : container->Objects().List())
        if (IsStretchToBottom(c)) {
            c->SetHeight(bottom - c->Top());
            if (dmpBottomLine(c))
                c->SetHeight(c->Height() - vd1CharY);
        }
}

void TvdxEngine::freeAddedObjects(TvdxReportComponent *container)
{
    const int keep = container->OriginalObjectsCount();
    if (keep < 0)
        return;
    while (container->Objects().Count() > keep)
        delete container->Objects().Items(container->Objects().Count() - 1);
    container->SetOriginalObjectsCount(-1);
}

// ---------------------------------------------------------------------------
void TvdxEngine::showSubreportsOnParent(TvdxReportComponent *container)
{
    std::unique_ptr<TvdxNullBand> owned;
    if (!m_outputTo) {
        container->SetOriginalObjectsCount(container->Objects().Count());
        owned = std::make_unique<TvdxNullBand>(nullptr);
        m_outputTo = owned.get();
    }
    struct Release {
        TvdxNullBand *&outputTo;
        bool own;
        ~Release()
        {
            if (own)
                outputTo = nullptr;
        }
    } release{m_outputTo, owned != nullptr};

    const long double x0 = CurX, y0 = CurY, px0 = m_pageCurX;
    const int page0 = FPreviewPages->CurPage;
    if (owned) {
        const QList<TvdxComponent *> children = container->Objects().List();
        for (TvdxComponent *c : children) {
            auto *sub = qobject_cast<TvdxSubreport *>(c);
            if (!sub || !sub->Visible() || !sub->PrintOnParent() || !sub->SubPage())
                continue;
            m_pageCurX = px0 + sub->Left();
            CurX = sub->Left();
            CurY = sub->Top();
            const bool keepFooter = m_keepFooter;
            runDataBands(sub->SubPage());
            FPreviewPages->CurPage = page0;
            m_keepFooter = keepFooter;
        }
    }
    CurX = x0;
    CurY = y0;
    m_pageCurX = px0;
    if (!owned)
        return;

    // The bands' objects become the container's, where they were printed.
    struct Moved {
        TvdxComponent *c;
        long double left, top;
    };
    QList<Moved> moved;
    const QList<TvdxComponent *> all = owned->GetAllObjects();
    for (TvdxComponent *c : all) {
        if (auto *s = stretchable(c))
            s->SetStretchMode(TvdxStretcheable::smDontStretch);
        if (qobject_cast<TvdxView *>(c) && !qobject_cast<TvdxSubreport *>(c))
            moved.append({c, c->AbsLeft(), c->AbsTop()});
    }
    const bool toBand = qobject_cast<TvdxBand *>(container) != nullptr;
    for (const Moved &m : moved) {
        m.c->SetParentFont(false);
        m.c->SetParent(container);
        m.c->SetLeft(m.left);
        m.c->SetTop(m.top);
        if (!toBand)
            m.c->SetName(QString());
    }
}

// ---------------------------------------------------------------------------
bool TvdxEngine::splitWanted(TvdxBand *band)
{
    if (band->AllowSplit()
        && (!m_keeping || CurY - m_keepCurY + band->Height() > GetPageHeight() - HeaderHeight(false) - FooterHeight()))
        return true;
    return band->Height() > GetPageHeight() - FooterHeight() && !band->HasVBands;
}

void TvdxEngine::InitializeSplit(TvdxReportComponent *container, QList<TvdxComponent *> &savedObjects,
                                 QList<TvdxComponent *> &splitObject)
{
    for (TvdxComponent *c : container->Objects().List()) {
        savedObjects.append(c);
        if (!qobject_cast<TvdxSubreport *>(c))
            splitObject.append(c);
        if (auto *s = stretchable(c)) {
            s->InitPart();
            s->SetSaveHeight(double(c->Height()));
        }
    }
    emptyChildList(container);
}

bool TvdxEngine::SplitObjects(TvdxReportComponent *container, QList<TvdxComponent *> &,
                              QList<TvdxComponent *> &splitObject, long double aHeight)
{
    bool result = false;
    QList<TvdxComponent *> moved;
    auto moveBelow = [&](TvdxComponent *o, long double d) {
        long double oh = o->Height();
        if (auto *s = stretchable(o))
            oh = IsStretchToBottom(o) ? std::numeric_limits<double>::max() : s->SaveHeight();
        const long double bottom = o->Top() + oh;
        const long double l = o->Left(), r = o->Left() + o->Width();
        for (TvdxComponent *x : splitObject) {
            if (x == o || moved.contains(x))
                continue;
            if (x->Top() >= bottom && x->Left() < r - kEps && x->Left() + x->Width() > l + kEps) {
                x->SetTop(x->Top() + d);
                moved.append(x);
            }
        }
    };

    int index = 0;
    while (index < splitObject.size()) {
        TvdxComponent *o = splitObject[index];
        TvdxStretcheable *s = stretchable(o);
        long double shift = 0, h = o->Height();
        bool fits = aHeight >= o->Top() + h;
        if (s) {
            if (o->Top() < aHeight) {
                o->SetHeight(aHeight - o->Top());
                shift = s->DrawPart();
                h = s->SaveHeight();
                fits = !s->HasNextDataPart(double(aHeight));
                if (!fits) {
                    // The unused height below the last whole line stays the
                    // shift unless the object asks for another one; it moves
                    // the rest and what lies below down by that much.
                    const long double last = s->GetLastShiftAmount(double(aHeight));
                    if (std::fabs(double(last)) > double(kEps)) {
                        shift = last;
                        h += shift;
                        o->SetHeight(h);
                        moveBelow(o, shift);
                        // Objects already passed that moved must be looked at again.
                        for (int i = 0; i < index;) {
                            if (moved.contains(splitObject[i])) {
                                splitObject.append(splitObject.takeAt(i));
                                --index;
                            } else {
                                ++i;
                            }
                        }
                    }
                }
            }
        }
        if (fits) {
            o->SetHeight(h);
            addPart(container, o);
            splitObject.removeAt(index);
            continue;
        }
        if (s && o->Top() < aHeight) {
            moveBelow(o, shift);
            if (std::fabs(double(shift - o->Height())) < double(kEps)) {
                o->SetTop(aHeight);
                o->SetHeight(s->SaveHeight());
            } else {
                addPart(container, o);
                s->SetSaveHeight(double(s->SaveHeight() - o->Height() + shift));
                result = true;
            }
        } else if (!s) {
            if (o->Height() > GetPageHeight() - FooterHeight()) {
                // Never fits on any page: printed cut here rather than moved for ever.
                addPart(container, o);
                splitObject.removeAt(index);
                continue;
            }
            if (o->Top() < aHeight) {
                moveBelow(o, aHeight - o->Top());
                o->SetTop(aHeight);
            }
        }
        ++index;
    }

    long double height = 0;
    for (TvdxComponent *c : container->Objects().List())
        height = std::max(height, c->Top() + c->Height());
    container->SetHeight(height);
    if (!splitObject.isEmpty()) {
        for (TvdxComponent *c : container->Objects().List()) {
            auto *s = stretchable(c);
            if (!s || s->StretchMode() != TvdxStretcheable::smPartMaxHeight)
                continue;
            if (!splitObject.contains(c)) {
                splitObject.append(c);
                s->SetSaveHeight(0);
            }
            c->SetHeight(height - c->Top());
        }
    } else {
        for (TvdxComponent *c : container->Objects().List()) {
            c->UnlockAnchorsUpdate();
            if (alignOf(c) == TvdxView::baBottom)
                c->SetTop(height - c->Height());
            else if (IsStretchToBottom(c))
                c->SetHeight(height - c->Top());
        }
    }
    return result;
}

void TvdxEngine::FinalizeSplit(TvdxReportComponent *container, QList<TvdxComponent *> &,
                               QList<TvdxComponent *> &splitObject, long double splitHeight)
{
    emptyChildList(container);
    const long double height = container->Height();
    for (TvdxComponent *o : splitObject) {
        o->SetTop(o->Top() - splitHeight);
        auto *s = stretchable(o);
        if (!s)
            continue;
        if (o->Top() < 0)
            o->SetTop(0);
        o->SetHeight(s->SaveHeight());
        if (alignOf(o) == TvdxView::baBottom)
            o->SetTop(height - o->Height());
        else if (IsStretchToBottom(o))
            o->SetHeight(height - o->Top());
    }
}

void TvdxEngine::SplitBand(TvdxBand *band)
{
    if (FinalPass)
        band->DisposeFillMemo();
    QList<TvdxComponent *> saved, split;
    InitializeSplit(band, saved, split);
    struct Restore {
        TvdxEngine *e;
        TvdxBand *band;
        QList<TvdxComponent *> &saved;
        ~Restore()
        {
            emptyChildList(band);
            for (TvdxComponent *c : saved)
                band->Objects().Add(c);
            if (e->FinalPass)
                band->CreateFillMemo();
        }
    } restore{this, band, saved};

    if (split.isEmpty()) {
        // Nothing to cut: the band goes whole, cut at the page bottom.
        if (FinalPass)
            band->CreateFillMemo();
        band->SetLeft(CurX);
        band->SetTop(CurY);
        FPreviewPages->AddObject(band);
        if (FinalPass)
            band->DisposeFillMemo();
        CurY += band->Height();
        return;
    }
    // Parts that place nothing while an object already waits at the top
    // would repeat for ever: the second such part prints what is left, cut.
    int stuck = 0;
    while (!split.isEmpty()) {
        processMessages();
        if (FReport->Terminated())
            break;
        const long double f = FreeSpace();
        long double minTop = std::numeric_limits<double>::max();
        for (TvdxComponent *c : split)
            minTop = std::min(minTop, c->Top());
        SplitObjects(band, saved, split, f);
        if (band->Objects().Count() == 0 && minTop <= kEps) {
            if (++stuck >= 2) {
                for (TvdxComponent *c : split) {
                    if (auto *s = stretchable(c))
                        c->SetHeight(s->SaveHeight());
                    addPart(band, c);
                }
                split.clear();
                long double height = 0;
                for (TvdxComponent *c : band->Objects().List())
                    height = std::max(height, c->Top() + c->Height());
                band->SetHeight(height);
            }
        } else {
            stuck = 0;
        }
        if (FinalPass)
            band->CreateFillMemo();
        band->SetLeft(CurX);
        band->SetTop(CurY);
        FPreviewPages->AddObject(band);
        if (FinalPass)
            band->DisposeFillMemo();
        CurY += band->Height();
        m_curBand = band;
        if (!split.isEmpty())
            NewColumn();
        FinalizeSplit(band, saved, split, f);
    }
}
