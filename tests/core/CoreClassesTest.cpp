#include "core/vdCoreClasses.h"

#include <gtest/gtest.h>

namespace {

int g_alive = 0;
class Counted : public QObject {
public:
    Counted() { ++g_alive; }
    ~Counted() override { --g_alive; }
};

class UinItem : public TvdCollectionItem {
    Q_OBJECT
public:
    bool IsUniqueNameStored() const override { return true; }
};

class NamedUinItem : public UinItem {
    Q_OBJECT
public:
    QString name;
    QString InheritedName() const override { return name.isEmpty() ? UinItem::InheritedName() : name; }
    void SetInheritedName(const QString &n) override { name = n; }
};

} // namespace

TEST(TvdMap, KeysInBucketOrderOfTheElfHash)
{
    TvdStringDictionary d;
    // Buckets (hash mod 691): "z" 122, "a" 97, U+0314 (788) 97, U+02B4 (692) 1, U+02B3 (691) 0.
    const QString k788(QChar(788)), k692(QChar(692)), k691(QChar(691));
    for (const QString &k : {QString("z"), QString("a"), k788, k692, k691})
        d.Add(k, "v" + k);
    EXPECT_EQ(d.Count(), 5u);
    EXPECT_EQ(d.Keys(), QStringList({k691, k692, "a", k788, "z"}));
    // A replaced value keeps the entry's place in its chain.
    d.AddOrSetValue("a", "new");
    EXPECT_EQ(d.Keys(), QStringList({k691, k692, "a", k788, "z"}));
    EXPECT_EQ(d.Items("a"), "new");
    // Removing the chain head keeps the rest of the chain.
    EXPECT_TRUE(d.Remove("a"));
    EXPECT_FALSE(d.Remove("a"));
    EXPECT_EQ(d.Items(k788), "v" + k788);
    EXPECT_EQ(d.Count(), 4u);
}

TEST(TvdMap, NamedErrors)
{
    TvdStringDictionary d;
    d.Add("Key", "1");
    try {
        d.Add("Key", "2");
        FAIL() << "duplicate added";
    } catch (const EListError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Duplicates not allowed"));
    }
    EXPECT_EQ(d.Items("Key"), "1"); // unchanged
    try {
        d.Items("key"); // keys are case-sensitive
        FAIL() << "found a missing key";
    } catch (const EListError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Item not found"));
    }
    QString v = "junk";
    EXPECT_FALSE(d.TryGetValue("KEY", v));
    EXPECT_TRUE(v.isEmpty()); // emptied first
    EXPECT_TRUE(d.TryGetValue("Key", v));
    EXPECT_EQ(v, "1");
    d.Clear();
    EXPECT_EQ(d.Count(), 0u);
    EXPECT_TRUE(d.Keys().isEmpty());
    EXPECT_FALSE(d.ContainsKey("Key"));
    d.Clear(); // clearing an empty map does nothing
}

TEST(TvdMap, RawBlocksWithoutProcedures)
{
    // Integer keys and values copied as bytes, hash = the key itself.
    TvdMap map(sizeof(int), sizeof(double), [](const void *k) { return uint32_t(*static_cast<const int *>(k)); });
    for (int i = 0; i < 2000; ++i) {
        const double v = i * 0.5;
        map.Add(&i, &v);
    }
    EXPECT_EQ(map.Count(), 2000u);
    const int k = 1382; // same bucket as 0 and 691
    EXPECT_EQ(*static_cast<double *>(map.GetItem(&k)), 691.0);
    const QList<const void *> keys = map.Keys();
    ASSERT_EQ(keys.size(), 2000);
    EXPECT_EQ(*static_cast<const int *>(keys[0]), 0);
    EXPECT_EQ(*static_cast<const int *>(keys[1]), 691);
    EXPECT_EQ(*static_cast<const int *>(keys[2]), 1382);
    EXPECT_EQ(*static_cast<const int *>(keys[3]), 1);
}

TEST(TvdNamedObjectDictionary, OwnershipFollowsTheFlag)
{
    g_alive = 0;
    {
        TvdNamedObjectDictionary<Counted> owning(true);
        owning.Add("a", new Counted);
        owning.AddOrSetValue("a", new Counted); // old value freed
        EXPECT_EQ(g_alive, 1);
        owning.Add("b", new Counted);
        owning.Remove("b");
        EXPECT_EQ(g_alive, 1);
        Counted *miss = reinterpret_cast<Counted *>(0x1);
        EXPECT_FALSE(owning.TryGetValue("zz", miss));
        EXPECT_EQ(miss, reinterpret_cast<Counted *>(0x1)); // left unchanged
        EXPECT_THROW(owning.Items("zz"), EListError);
    }
    EXPECT_EQ(g_alive, 0);
    Counted keep;
    {
        TvdNamedObjectDictionary<Counted> borrowing(false);
        borrowing.Add("k", &keep);
        EXPECT_EQ(borrowing.Items("k"), &keep);
    }
    EXPECT_EQ(g_alive, 1);
}

TEST(TvdCollection, UniqueIndexAssignment)
{
    TvdCollection coll(TvdBaseCollection::factoryOf<UinItem>());
    auto *a = coll.Items(coll.Add()->Index());
    auto *b = static_cast<TvdCollectionItem *>(coll.Add());
    auto *c = static_cast<TvdCollectionItem *>(coll.Add());
    EXPECT_EQ(a->UniqueIndex(), 1);
    EXPECT_EQ(b->UniqueIndex(), 2);
    EXPECT_EQ(c->UniqueIndex(), 3);
    delete a;
    delete b;
    // Only 3 remains: the smallest is 2 or more, so the next is 1.
    EXPECT_EQ(static_cast<TvdCollectionItem *>(coll.Add())->UniqueIndex(), 1);
    // Now 3 and 1 remain: largest plus one.
    EXPECT_EQ(static_cast<TvdCollectionItem *>(coll.Add())->UniqueIndex(), 4);

    // Items that store no index keep 0.
    TvdCollection plain(TvdBaseCollection::factoryOf<TvdCollectionItem>());
    EXPECT_EQ(static_cast<TvdCollectionItem *>(plain.Add())->UniqueIndex(), 0);
}

TEST(TvdCollection, FindByNameIsCaseSensitive)
{
    TvdCollection coll(TvdBaseCollection::factoryOf<NamedUinItem>());
    coll.Add();
    auto *second = static_cast<NamedUinItem *>(coll.Add());
    auto *named = static_cast<NamedUinItem *>(coll.Add());
    named->SetInheritedName("Total");
    EXPECT_EQ(coll.FindByName("vdxUIN2"), second);
    EXPECT_EQ(coll.FindByName("vdxuin2"), nullptr);
    EXPECT_EQ(coll.FindByName("Total"), named);
    EXPECT_EQ(coll.FindByName("vdxUIN3"), nullptr); // has a name of its own
}

TEST(TvdOwnObjList, OwningAndNonOwning)
{
    g_alive = 0;
    Counted a, b;
    {
        TvdOwnObjList<Counted> borrowed(false);
        borrowed.AddNonZero(&a);
        borrowed.AddNonZero(nullptr);
        borrowed.AddNonZero(&b);
        EXPECT_EQ(borrowed.Count(), 2);
        borrowed.Clear();
    }
    EXPECT_EQ(g_alive, 2);
    {
        TvdOwnObjList<Counted> owning(true);
        owning.Add(new Counted);
        owning.Add(new Counted);
        TvdOwnObjList<Counted> copy(false);
        copy.Assign(owning);
        EXPECT_TRUE(copy.OwnsObjects());
        EXPECT_FALSE(owning.OwnsObjects()); // one owner only: no double free
        EXPECT_EQ(copy.Count(), 2);
        EXPECT_EQ(g_alive, 4);
    }
    EXPECT_EQ(g_alive, 2);
}

TEST(TvdCustomComponent, Registered)
{
    const TvdClassInfo *info = vdFindClass("TvdCustomComponent");
    ASSERT_NE(info, nullptr);
    std::unique_ptr<TvdPersistent> obj(info->create(nullptr));
    EXPECT_NE(qobject_cast<TvdCustomComponent *>(obj.get()), nullptr);
}

#include "CoreClassesTest.moc"
