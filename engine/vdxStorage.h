// Growable arrays of fixed-size items with in-place sorting, and on top of them
// an array of Extended keys paired with objects. The object shifter keeps the
// shift items of a container in one, sorted by the objects' Top.
//
// Not the variables collection of the core services, which shares the name
// TvdxArray: these live in their own namespace, so the two never meet.
#pragma once
#include "platform/Exception.h"

#include <QObject>
#include <functional>
#include <vector>

VD_DECLARE_EXCEPTION(EAssertionFailed, Exception)

namespace vdxStorage {

class TvdxArray {
public:
    // Receives the addresses of two items: negative, 0 or positive.
    using TvdxCompare = std::function<int(const void *a, const void *b)>;

    TvdxArray() = default;
    virtual ~TvdxArray() = default;
    TvdxArray(const TvdxArray &) = delete;
    TvdxArray &operator=(const TvdxArray &) = delete;

    virtual bool GetZero() const = 0;
    virtual void SetZero(bool value) = 0;
    virtual int ItemSize() const = 0;
    virtual int GetCount() const = 0;
    virtual void SetCount(int value) = 0;
    virtual void *ItemPointer(int index) = 0;
    virtual void Clear() = 0;
    virtual void Exchange(int index1, int index2);
    virtual void Delete(int index);
    // Quicksort of Min..Max, not stable.
    virtual void Sort(const TvdxCompare &compare, int min, int max);

    int Count() const { return GetCount(); }
    bool Zero() const { return GetZero(); }

protected:
    // Raises "Index out of bounds" unless 0 <= index < Count.
    void CheckIndex(int index) const;
    // Makes room at index (an existing item) and copies item in.
    void InsertItem(int index, const void *item);
    void CopyItem(int index, void *dest);
    // Zero or 0xFF bytes, as Zero says.
    void FillSlots(void *from, int count) const;
};

class TvdxBaseArray : public TvdxArray {
public:
    int GetCount() const override { return FCount; }
    void SetCount(int value) override;
    void Clear() override;
    virtual void Grow();
    virtual void SetCapacity(int value) = 0;
    int Capacity() const { return FCapacity; }

protected:
    int FCapacity = 0;
    bool FSorted = false;
    int FCount = 0;
};

// Items are Extended values.
class TvdxExtArrayBase : public TvdxBaseArray {
public:
    int ItemSize() const override { return int(sizeof(long double)); }
    virtual long double GetItem(int index) const = 0;
    virtual void SetItem(int index, long double value) = 0;
    void Append(long double value);
    void Insert(int index, long double value);
    long double Items(int index) const { return GetItem(index); }
};

class TvdxExtArray : public TvdxExtArrayBase {
public:
    ~TvdxExtArray() override { Clear(); }
    bool GetZero() const override { return FZero; }
    void SetZero(bool value) override { FZero = value; }
    void *ItemPointer(int index) override { return &FArray[size_t(index)]; }
    long double GetItem(int index) const override { return FArray[size_t(index)]; }
    void SetItem(int index, long double value) override { FArray[size_t(index)] = value; }
    void SetCapacity(int value) override;

protected:
    std::vector<long double> FArray;
    bool FZero = false;
};

class TvdxExtendedObjectList : public TvdxExtArray {
public:
    ~TvdxExtendedObjectList() override { Clear(); }

    void SetCapacity(int value) override;
    void Clear() override;
    void Exchange(int index1, int index2) override;
    void Delete(int index) override;

    void AppendObject(long double value, QObject *aObject);
    void InsertObject(int index, long double value, QObject *aObject);
    QObject *GetObject(int index) const { return FObjectList[size_t(index)]; }
    void SetObject(int index, QObject *value) { FObjectList[size_t(index)] = value; }
    // Sorts by key compared to the hundredth.
    void SortList();

    bool FreeObjects() const { return FFreeObjects; }
    void SetFreeObjects(bool value) { FFreeObjects = value; }

protected:
    std::vector<QObject *> FObjectList;
    bool FFreeObjects = false;
};

} // namespace vdxStorage
