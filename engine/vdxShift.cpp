#include "engine/vdxShift.h"

#include "core/vdxUtils.h"
#include "report/vdxClass_band.h"
#include "report/vdxClass_view.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace {

constexpr long double kEps = 1e-4L;

TvdxView::TvdxShiftMode shiftModeOf(TvdxReportComponent *c)
{
    if (auto *v = qobject_cast<TvdxView *>(c))
        return v->ShiftMode();
    return TvdxView::smAlways;
}

TvdxRectArea absRect(TvdxReportComponent *c)
{
    return TvdxRectArea::FromBounds(double(c->AbsLeft()), double(c->AbsTop()), double(c->Width()),
                                    double(c->Height()));
}

bool isZero(long double v) { return std::fabs(double(v)) < 1e-12; }

} // namespace

// ---------------------------------------------------------------------------
TvdxShiftItem::TvdxShiftItem(TvdxShiftItem *aParent) : FRefCount(aParent ? 1 : 0) {}

TvdxShiftItem::TvdxShiftItem(TvdxShiftItem *aParent, TvdxReportComponent *aReportObject) : TvdxShiftItem(aParent)
{
    FReportObject = aReportObject;
    if (aReportObject)
        aReportObject->SetShiftObject(this);
}

TvdxShiftItem::~TvdxShiftItem()
{
    if (FReportObject && FReportObject->ShiftObject() == this)
        FReportObject->SetShiftObject(nullptr);
    FReportObject = nullptr;
    for (TvdxShiftItem *c : FShiftChildren) {
        if (c->FRefCount < 2)
            delete c;
        else
            --c->FRefCount;
    }
}

TvdxShiftItem *TvdxShiftItem::Add(TvdxReportComponent *aReportObject)
{
    auto *item = new TvdxShiftItem(this, aReportObject);
    FShiftChildren.append(item);
    return item;
}

void TvdxShiftItem::AddExist(TvdxShiftItem *item)
{
    FShiftChildren.append(item);
    ++item->FRefCount;
}

void TvdxShiftItem::DeleteClildren(TvdxShiftItem *item)
{
    if (FShiftChildren.removeOne(item)) {
        if (item->FRefCount < 2)
            delete item;
        else
            --item->FRefCount;
    }
}

void TvdxShiftItem::ComponentDestroyed(TvdxReportComponent *component)
{
    if (component == FReportObject)
        FReportObject = nullptr;
}

void TvdxShiftRootItem::ComponentDestroyed(TvdxReportComponent *component)
{
    const bool own = component == FReportObject;
    TvdxShiftItem::ComponentDestroyed(component);
    if (own && FShiftEngine)
        FShiftEngine->ContainerToDestroyQueue(this);
}

// ---------------------------------------------------------------------------
TvdxShiftedObjectList::~TvdxShiftedObjectList()
{
    if (FParentContainer && FParentContainer->ShiftObject() == this)
        FParentContainer->SetShiftObject(nullptr);
    if (FFreeObjects)
        for (auto &entry : FItems)
            delete entry.second;
}

void TvdxShiftedObjectList::InsertObject(int index, long double key, TvdxShiftItem *item)
{
    FItems.insert(FItems.begin() + index, {key, item});
}

void TvdxShiftedObjectList::SortList()
{
    auto hundredths = [](long double k) { return qint64(std::nearbyint(double(k * 100))); };
    std::stable_sort(FItems.begin(), FItems.end(),
                     [&](const auto &a, const auto &b) { return hundredths(a.first) < hundredths(b.first); });
}

void TvdxShiftedObjectList::ComponentDestroyed(TvdxReportComponent *component)
{
    if (component != FParentContainer)
        return;
    FParentContainer = nullptr;
    if (FShiftEngine)
        FShiftEngine->ContainerToDestroyQueue(this);
}

// ---------------------------------------------------------------------------
TvdxObjectShifter::~TvdxObjectShifter()
{
    ClearDestroyQueue();
    Clear();
}

int TvdxObjectShifter::ContainerCount() const
{
    return int(std::count_if(FContainers.begin(), FContainers.end(), [](QObject *o) { return o != nullptr; }));
}

void TvdxObjectShifter::ContainerToDestroyQueue(QObject *structure)
{
    const int i = int(FContainers.indexOf(structure));
    if (i < 0)
        return;
    FContainers[i] = nullptr;
    FDestroyQueue.append(structure);
}

void TvdxObjectShifter::ClearDestroyQueue()
{
    const QList<QObject *> queue = std::exchange(FDestroyQueue, {});
    qDeleteAll(queue);
}

void TvdxObjectShifter::Clear()
{
    const QList<QObject *> all = std::exchange(FContainers, {});
    qDeleteAll(all);
    ClearDestroyQueue();
}

void TvdxObjectShifter::removeStructure(TvdxReportComponent *container)
{
    QObject *s = container->ShiftObject();
    if (!s)
        return;
    const int i = int(FContainers.indexOf(s));
    if (i < 0)
        return;
    FContainers.removeAt(i);
    delete s;
    container->SetShiftObject(nullptr);
}

void TvdxObjectShifter::ClearContainer(TvdxReportComponent *container)
{
    if (!container)
        return;
    removeStructure(container);
    container->SetShiftObject(nullptr);
}

void TvdxObjectShifter::PrepareShiftTree(TvdxReportComponent *container)
{
    ClearDestroyQueue();
    if (!container || container->ShiftObject())
        return;
    auto *band = qobject_cast<TvdxBand *>(container);
    if (band && band->ShiftEngine() == TvdxBand::seDontShift)
        return;

    auto *list = new TvdxShiftedObjectList(this);
    const long double cw = container->Width();
    for (TvdxComponent *child : container->Objects().List()) {
        auto *obj = qobject_cast<TvdxReportComponent *>(child);
        if (!obj || obj->ShiftObject())
            continue;
        const long double l = obj->Left(), r = obj->Left() + obj->Width();
        if (cw > 0 && ((l >= 0 && l <= cw) || (r >= 0 && r <= cw)))
            list->AppendObject(obj->Top(), new TvdxShiftItem(nullptr, obj));
    }
    list->SortList();

    if (band && band->ShiftEngine() == TvdxBand::seLinear) {
        list->SetFreeObjects(true);
        list->FParentContainer = container;
        container->SetShiftObject(list);
        FContainers.append(list);
        return;
    }
    buildTree(container, list);
}

void TvdxObjectShifter::buildTree(TvdxReportComponent *container, TvdxShiftedObjectList *list)
{
    // A one-pixel strip just above the container stands for it. Lying above
    // the container's own top, it never overlaps an object placed at Top 0:
    // such an object would otherwise be left out and never move what is under it.
    TvdxReportComponent top(nullptr);
    top.SetBounds(container->AbsLeft(), container->AbsTop() - 1, container->Width() + 1, 1);
    auto *root = new TvdxShiftRootItem(this, &top);
    list->InsertObject(0, 0, root);

    const int n = list->Count();
    QList<TvdxRectArea> rects;
    rects.reserve(n);
    for (int i = 0; i < n; ++i)
        rects.append(absRect(list->Item(i)->FReportObject));

    for (int i = 0; i < n; ++i) {
        TvdxShiftItem *item = list->Item(i);
        if (!item)
            continue;
        const TvdxRectArea &a = rects[i];
        for (int j = i + 1; j < n; ++j) {
            TvdxShiftItem *jItem = list->Item(j);
            if (!jItem)
                continue;
            const TvdxRectArea &b = rects[j];
            if (a.InterceptsY(b) || !(b.Top > a.Top) || !a.InterceptsX(b))
                continue;
            const double sLeft = std::max(a.Left, b.Left), sRight = std::min(a.Right, b.Right);
            const TvdxRectArea span(sLeft, 0, sRight, 0);
            bool hidden = false;
            for (int k = j - 1; k > i && !hidden; --k) {
                TvdxShiftItem *kItem = list->Item(k);
                if (!kItem)
                    continue;
                const TvdxRectArea &kr = rects[k];
                const bool heights = (kItem->Height() > 0 && jItem->Height() > 0) || b.Top - kr.Top > 1e-4;
                hidden = heights && !kr.InterceptsY(a) && !kr.InterceptsY(b) && span.InterceptsX(kr);
            }
            if (!hidden && (i == 0 || item->FRefCount > 0))
                item->AddExist(jItem);
        }
        if (i > 0 && item->FRefCount == 0) {
            delete item; // clears its object's ShiftObject
            list->SetItem(i, nullptr);
        }
    }

    removeStructure(container);
    root->FReportObject = container;
    top.SetShiftObject(nullptr);
    container->SetShiftObject(root);
    FContainers.append(root);
    list->SetFreeObjects(false);
    delete list;
}

void TvdxObjectShifter::InitShiftAmount(TvdxReportComponent *aObject, long double shiftAmount)
{
    auto *item = aObject ? dynamic_cast<TvdxShiftItem *>(aObject->ShiftObject()) : nullptr;
    if (!item)
        return;
    item->FShiftAmount = shiftAmount;
    item->FShiftedTo = 0;
    item->FMinDist = 0;
    item->FShifted = false;
    aObject->UnlockAnchorsUpdate();
}

void TvdxObjectShifter::ShiftObjects(TvdxReportComponent *container)
{
    ClearDestroyQueue();
    if (!container)
        return;
    QObject *s = container->ShiftObject();
    if (auto *item = dynamic_cast<TvdxShiftItem *>(s))
        shiftTree(container, item, 0);
    else if (auto *list = dynamic_cast<TvdxShiftedObjectList *>(s))
        shiftLinear(list);
}

void TvdxObjectShifter::shiftTree(TvdxReportComponent *p, TvdxShiftItem *pItem, long double x)
{
    pItem->FShifted = true;
    pItem->FShiftedTo = x;
    if (!isZero(x))
        p->LockAnchorsUpdate();
    const bool r = pItem->FRefCount > 0;
    const bool pIsBand = qobject_cast<TvdxBand *>(p) != nullptr;
    for (TvdxShiftItem *c : pItem->FShiftChildren) {
        TvdxReportComponent *obj = c->FReportObject;
        if (!obj)
            continue;
        const long double b = p->Top() + p->Height();
        long double s = c->FShiftedTo;
        if (r && c->FMinDist > 0 && (c->FMinDist > b || std::fabs(double(c->FMinDist - b)) < double(kEps)))
            continue;
        if (r && c->FMinDist > 0 && c->FMinDist < b && s > 0)
            obj->SetTop(obj->Top() - (s - c->FShiftAmount));
        else if (!isZero(c->FShiftedTo) && !isZero(x))
            obj->SetTop(obj->Top() - s);

        const TvdxView::TvdxShiftMode mode = shiftModeOf(obj);
        if (mode == TvdxView::smAlways || x < 0) {
            obj->SetTop(obj->Top() + x);
            s = x + c->FShiftAmount;
        } else if (mode == TvdxView::smDontShift) {
            s = c->FShiftAmount;
        } else if (!pIsBand && b > obj->Top()) {
            const long double oldTop = obj->Top();
            obj->SetTop(b);
            s = b - oldTop + c->FShiftAmount;
        }
        if (r)
            c->FMinDist = std::max(b, c->FMinDist);
        if (!c->FShifted || std::fabs(double(c->FShiftedTo - s)) >= double(kEps))
            shiftTree(obj, c, s);
    }
}

void TvdxObjectShifter::shiftLinear(TvdxShiftedObjectList *list)
{
    const int n = list->Count();
    for (int i = 0; i < n; ++i) {
        TvdxShiftItem *p = list->Item(i);
        TvdxReportComponent *q = p ? p->FReportObject : nullptr;
        if (!q)
            continue;
        const long double b = p->FShiftAmount, c = p->FShiftedTo;
        const long double qb = q->Top() + q->Height() + c;
        for (int j = i + 1; j < n; ++j) {
            TvdxShiftItem *r = list->Item(j);
            TvdxReportComponent *s = r ? r->FReportObject : nullptr;
            if (!s)
                continue;
            const TvdxView::TvdxShiftMode mode = shiftModeOf(s);
            if (mode == TvdxView::smDontShift || s->Top() < q->Top() + q->Height() - b - kEps)
                continue;
            if (mode == TvdxView::smWhenOverlapped
                && (s->Left() > q->Left() + q->Width() - kEps || q->Left() > s->Left() + s->Width() - kEps))
                continue;
            const long double l = r->FShiftedTo;
            const long double m = (b > 0 || (r->FShifted && s->Top() + l < qb)) ? std::max(l, b + c) : std::min(l, b + c);
            if (r->FShifted && r->FMinDist > s->Top() + m)
                break;
            r->FMinDist = std::max(qb, r->FMinDist);
            r->FShiftedTo = m;
            r->FShifted = true;
        }
    }
    for (int i = 0; i < n; ++i)
        if (TvdxShiftItem *p = list->Item(i); p && p->FReportObject)
            p->FReportObject->SetTop(p->FReportObject->Top() + p->FShiftedTo);
}
