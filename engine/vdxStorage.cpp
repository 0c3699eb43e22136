#include "engine/vdxStorage.h"

#include <cmath>
#include <cstring>
#include <memory>

namespace vdxStorage {

void TvdxArray::CheckIndex(int index) const
{
    if (index < 0 || index >= GetCount())
        throw EAssertionFailed(QStringLiteral("Index out of bounds"));
}

void TvdxArray::FillSlots(void *from, int count) const
{
    if (count > 0)
        std::memset(from, GetZero() ? 0 : 0xFF, size_t(count) * size_t(ItemSize()));
}

void TvdxArray::InsertItem(int index, const void *item)
{
    CheckIndex(index);
    const int n = GetCount();
    SetCount(n + 1);
    const size_t size = size_t(ItemSize());
    auto *at = static_cast<char *>(ItemPointer(index));
    std::memmove(at + size, at, size * size_t(n - index));
    std::memcpy(at, item, size);
}

void TvdxArray::CopyItem(int index, void *dest)
{
    CheckIndex(index);
    std::memcpy(dest, ItemPointer(index), size_t(ItemSize()));
}

void TvdxArray::Exchange(int index1, int index2)
{
    const size_t size = size_t(ItemSize());
    std::unique_ptr<char[]> tmp(new char[size]);
    std::memcpy(tmp.get(), ItemPointer(index1), size);
    std::memcpy(ItemPointer(index1), ItemPointer(index2), size);
    std::memcpy(ItemPointer(index2), tmp.get(), size);
}

void TvdxArray::Delete(int index)
{
    CheckIndex(index);
    const int n = GetCount();
    const size_t size = size_t(ItemSize());
    auto *at = static_cast<char *>(ItemPointer(index));
    std::memmove(at, at + size, size * size_t(n - index - 1));
    SetCount(n - 1);
}

void TvdxArray::Sort(const TvdxCompare &compare, int min, int max)
{
    if (min >= max)
        return;
    const size_t size = size_t(ItemSize());
    std::unique_ptr<char[]> pivot(new char[size]);
    std::memcpy(pivot.get(), ItemPointer((min + max) / 2), size);
    int i = min;
    int j = max;
    while (i <= j) {
        while (compare(ItemPointer(i), pivot.get()) < 0)
            ++i;
        while (compare(pivot.get(), ItemPointer(j)) < 0)
            --j;
        if (i <= j) {
            Exchange(i, j);
            ++i;
            --j;
        }
    }
    if (min < j)
        Sort(compare, min, j);
    if (i < max)
        Sort(compare, i, max);
}

// ---------------------------------------------------------------------------
void TvdxBaseArray::SetCount(int value)
{
    if (value != FCount && value > FCapacity)
        SetCapacity(value);
    FCount = value;
}

void TvdxBaseArray::Clear()
{
    SetCount(0);
    SetCapacity(0);
}

void TvdxBaseArray::Grow()
{
    const int delta = FCapacity > 64 ? FCapacity / 4 : FCapacity > 8 ? 16 : 4;
    SetCapacity(FCapacity + delta);
}

// ---------------------------------------------------------------------------
void TvdxExtArrayBase::Append(long double value)
{
    if (FCapacity < FCount + 1)
        Grow();
    SetCount(FCount + 1);
    SetItem(FCount - 1, value);
}

void TvdxExtArrayBase::Insert(int index, long double value)
{
    if (FCapacity < FCount + 1)
        Grow();
    InsertItem(index, &value);
}

void TvdxExtArray::SetCapacity(int value)
{
    // resize may throw: the old content stays as it was.
    FArray.resize(size_t(value));
    if (value > FCount)
        FillSlots(FArray.data() + FCount, value - FCount);
    FCapacity = value;
}

// ---------------------------------------------------------------------------
void TvdxExtendedObjectList::SetCapacity(int value)
{
    FObjectList.resize(size_t(value), nullptr);
    TvdxExtArray::SetCapacity(value);
}

void TvdxExtendedObjectList::Clear()
{
    if (FFreeObjects)
        for (int i = 0; i < FCount; ++i) {
            delete FObjectList[size_t(i)];
            FObjectList[size_t(i)] = nullptr;
        }
    TvdxExtArray::Clear();
}

void TvdxExtendedObjectList::Exchange(int index1, int index2)
{
    TvdxExtArray::Exchange(index1, index2);
    std::swap(FObjectList[size_t(index1)], FObjectList[size_t(index2)]);
}

void TvdxExtendedObjectList::Delete(int index)
{
    CheckIndex(index);
    for (int i = index; i < FCount - 1; ++i)
        FObjectList[size_t(i)] = FObjectList[size_t(i + 1)];
    FObjectList[size_t(FCount - 1)] = nullptr;
    TvdxExtArray::Delete(index);
}

void TvdxExtendedObjectList::AppendObject(long double value, QObject *aObject)
{
    Append(value);
    FObjectList[size_t(FCount - 1)] = aObject;
}

void TvdxExtendedObjectList::InsertObject(int index, long double value, QObject *aObject)
{
    if (FCount == 0) {
        AppendObject(value, aObject);
        return;
    }
    Insert(index, value);
    for (int i = FCount - 1; i > index; --i)
        FObjectList[size_t(i)] = FObjectList[size_t(i - 1)];
    FObjectList[size_t(index)] = aObject;
}

void TvdxExtendedObjectList::SortList()
{
    // Keys equal to the hundredth compare equal (halves to even).
    auto compare = [](const void *a, const void *b) {
        const auto ka = qint64(std::nearbyint(*static_cast<const long double *>(a) * 100));
        const auto kb = qint64(std::nearbyint(*static_cast<const long double *>(b) * 100));
        return ka > kb ? 1 : ka < kb ? -1 : 0;
    };
    Sort(compare, 0, FCount - 1);
}

} // namespace vdxStorage
