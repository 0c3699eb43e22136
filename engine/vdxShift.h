// The object shifter: which objects of a container move when one of them
// grows or shrinks. Built once per container and run, either as a tree of
// shift items (an object moves with the objects directly above it) or as a
// list sorted by Top that is scanned linearly.
#pragma once
#include "report/vdxClass_component.h"
#include "report/vdxShiftObject.h"

#include <QList>
#include <QObject>
#include <utility>
#include <vector>

class TvdxObjectShifter;

// One object taking part in shifting.
class TvdxShiftItem : public QObject, public IvdxShiftObject {
public:
    explicit TvdxShiftItem(TvdxShiftItem *aParent);
    TvdxShiftItem(TvdxShiftItem *aParent, TvdxReportComponent *aReportObject);
    ~TvdxShiftItem() override;

    // A child item for the object.
    TvdxShiftItem *Add(TvdxReportComponent *aReportObject);
    // Appends an item another parent may hold as well.
    void AddExist(TvdxShiftItem *item);
    void DeleteClildren(TvdxShiftItem *item);
    int Count() const { return int(FShiftChildren.size()); }
    TvdxShiftItem *Items(int index) const { return FShiftChildren.at(index); }

    void ComponentDestroyed(TvdxReportComponent *component) override;

    long double Left() const { return FReportObject ? FReportObject->Left() : 0; }
    long double Top() const { return FReportObject ? FReportObject->Top() : 0; }
    long double Width() const { return FReportObject ? FReportObject->Width() : 0; }
    long double Height() const { return FReportObject ? FReportObject->Height() : 0; }

    TvdxReportComponent *FReportObject = nullptr;
    QList<TvdxShiftItem *> FShiftChildren;
    int FRefCount = 0;
    long double FShiftAmount = 0;
    long double FShiftedTo = 0;
    long double FMinDist = 0;
    bool FShifted = false;
};

// The root of a container's tree; its object is the container.
class TvdxShiftRootItem : public TvdxShiftItem {
public:
    TvdxShiftRootItem(TvdxObjectShifter *aShiftEngine, TvdxReportComponent *aReportObject)
        : TvdxShiftItem(nullptr, aReportObject), FShiftEngine(aShiftEngine)
    {
    }
    void ComponentDestroyed(TvdxReportComponent *component) override;

    TvdxObjectShifter *FShiftEngine = nullptr;
};

// The items of a linearly shifted container, sorted by Top; owns its items
// when it is the container's structure. Kept apart from the storage arrays,
// whose base class shares its name with the core's variables array.
class TvdxShiftedObjectList : public QObject, public IvdxShiftObject {
public:
    explicit TvdxShiftedObjectList(TvdxObjectShifter *aShiftEngine) : FShiftEngine(aShiftEngine) {}
    ~TvdxShiftedObjectList() override;
    void ComponentDestroyed(TvdxReportComponent *component) override;

    int Count() const { return int(FItems.size()); }
    TvdxShiftItem *Item(int index) const { return FItems[size_t(index)].second; }
    void SetItem(int index, TvdxShiftItem *item) { FItems[size_t(index)].second = item; }
    void AppendObject(long double key, TvdxShiftItem *item) { FItems.emplace_back(key, item); }
    void InsertObject(int index, long double key, TvdxShiftItem *item);
    // By key compared to the hundredth.
    void SortList();
    void SetFreeObjects(bool value) { FFreeObjects = value; }

    TvdxObjectShifter *FShiftEngine = nullptr;
    TvdxReportComponent *FParentContainer = nullptr;

private:
    std::vector<std::pair<long double, TvdxShiftItem *>> FItems;
    bool FFreeObjects = false;
};

class TvdxObjectShifter {
public:
    TvdxObjectShifter() = default;
    ~TvdxObjectShifter();
    TvdxObjectShifter(const TvdxObjectShifter &) = delete;
    TvdxObjectShifter &operator=(const TvdxObjectShifter &) = delete;

    void PrepareShiftTree(TvdxReportComponent *container);
    void ShiftObjects(TvdxReportComponent *container);
    void InitShiftAmount(TvdxReportComponent *aObject, long double shiftAmount);
    void ClearContainer(TvdxReportComponent *container);
    // Takes the structure of a container that went out of the live list.
    void ContainerToDestroyQueue(QObject *structure);
    void ClearDestroyQueue();
    void Clear();

    int ContainerCount() const;

private:
    void buildTree(TvdxReportComponent *container, TvdxShiftedObjectList *list);
    void shiftTree(TvdxReportComponent *p, TvdxShiftItem *pItem, long double x);
    void shiftLinear(TvdxShiftedObjectList *list);
    void removeStructure(TvdxReportComponent *container);

    QList<QObject *> FContainers;
    QList<QObject *> FDestroyQueue;
};
