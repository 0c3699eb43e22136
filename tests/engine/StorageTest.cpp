#include "engine/vdxStorage.h"

#include <QObject>
#include <QPointer>
#include <gtest/gtest.h>

using namespace vdxStorage;

TEST(ExtArray, AppendGrowsCapacityInSteps)
{
    TvdxExtArray a;
    QList<int> seen{a.Capacity()};
    for (int i = 0; i < 95; ++i) {
        a.Append(i);
        if (a.Capacity() != seen.last())
            seen.append(a.Capacity());
    }
    EXPECT_EQ(seen, (QList<int>{0, 4, 8, 12, 28, 44, 60, 76, 95}));
    for (int i = 0; i < 95; ++i)
        EXPECT_EQ(a.Items(i), i);
}

TEST(ExtArray, NewSlotsAreZeroOrAllOnes)
{
    TvdxExtArray ones;
    ones.SetCount(2);
    const auto *b = static_cast<const unsigned char *>(ones.ItemPointer(1));
    EXPECT_EQ(b[0], 0xFF);
    TvdxExtArray zeros;
    zeros.SetZero(true);
    zeros.SetCount(2);
    EXPECT_EQ(zeros.Items(1), 0);
}

TEST(ExtArray, CheckedOperationsRaiseBeforeChanging)
{
    TvdxExtArray a;
    a.Append(1);
    a.Append(2);
    for (int bad : {-1, 2, 5}) {
        try {
            a.Delete(bad);
            FAIL() << bad;
        } catch (const EAssertionFailed &e) {
            EXPECT_EQ(e.message(), "Index out of bounds");
        }
    }
    // Insert names an existing item: at Count it fails.
    EXPECT_THROW(a.Insert(2, 9), EAssertionFailed);
    EXPECT_EQ(a.Count(), 2);
    a.Insert(0, 7);
    EXPECT_EQ(a.Count(), 3);
    EXPECT_EQ(a.Items(0), 7);
    EXPECT_EQ(a.Items(2), 2);
    a.Delete(1);
    EXPECT_EQ(a.Items(1), 2);
    a.Clear();
    EXPECT_EQ(a.Count(), 0);
    EXPECT_EQ(a.Capacity(), 0);
}

TEST(ExtendedObjectList, SortsToTheHundredth)
{
    TvdxExtendedObjectList list;
    QObject a, b, c, d;
    list.AppendObject(30, &a);
    list.AppendObject(10.004L, &b);
    list.AppendObject(5, &c);
    list.AppendObject(10.001L, &d);
    list.SortList();
    EXPECT_EQ(list.GetObject(0), &c);
    EXPECT_EQ(list.GetObject(3), &a);
    // 10.004 and 10.001 both round to 1000: equal keys.
    auto key = [](long double v) { return qint64(std::nearbyint(v * 100)); };
    EXPECT_EQ(key(list.Items(1)), key(list.Items(2)));
    EXPECT_TRUE((list.GetObject(1) == &b && list.GetObject(2) == &d) ||
                (list.GetObject(1) == &d && list.GetObject(2) == &b));
}

TEST(ExtendedObjectList, InsertDeleteExchangeKeepObjectsWithKeys)
{
    TvdxExtendedObjectList list;
    QObject a, b, c;
    list.InsertObject(0, 1, &a); // empty: appends
    list.AppendObject(3, &c);
    list.InsertObject(1, 2, &b);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.GetObject(1), &b);
    EXPECT_EQ(list.Items(1), 2);
    list.Exchange(0, 2);
    EXPECT_EQ(list.GetObject(0), &c);
    EXPECT_EQ(list.Items(0), 3);
    list.Delete(0);
    EXPECT_EQ(list.GetObject(0), &b);
    EXPECT_EQ(list.GetObject(1), &a);
    EXPECT_THROW(list.Delete(2), EAssertionFailed);
}

TEST(ExtendedObjectList, OwningClearFreesEachObjectOnce)
{
    QPointer<QObject> a = new QObject, b = new QObject;
    {
        TvdxExtendedObjectList list;
        list.SetFreeObjects(true);
        list.AppendObject(1, a);
        list.AppendObject(2, b);
        list.Delete(1); // not freed by Delete
        EXPECT_FALSE(b.isNull());
        list.Clear();
        EXPECT_TRUE(a.isNull());
        EXPECT_EQ(list.Count(), 0);
        EXPECT_EQ(list.Capacity(), 0);
    }
    delete b.data();
}
