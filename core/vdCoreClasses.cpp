#include "core/vdCoreClasses.h"
#include "core/vdHashUtils.h"

#include <climits>
#include <cstdlib>
#include <cstring>

// ---------------------------------------------------------------------------
TvdMap::TvdMap(int keySize, int valueSize, THashProc hashProc)
    : m_keySize(keySize), m_valueSize(valueSize), m_hashProc(hashProc)
{
}

TvdMap::~TvdMap()
{
    // The concrete class has gone by now; entries are disposed through the
    // procedures, which do not depend on it.
    Clear();
}

void *TvdMap::AllocKey(const void *key)
{
    if (KeyAllocProc)
        return KeyAllocProc(key);
    void *p = std::malloc(size_t(qMax(1, m_keySize)));
    std::memcpy(p, key, size_t(m_keySize));
    return p;
}

void *TvdMap::AllocValue(const void *value)
{
    if (ValueAllocProc)
        return ValueAllocProc(value);
    void *p = std::malloc(size_t(qMax(1, m_valueSize)));
    if (value)
        std::memcpy(p, value, size_t(m_valueSize));
    else
        std::memset(p, 0, size_t(m_valueSize));
    return p;
}

void TvdMap::DisposeKey(void *key)
{
    if (KeyDisposeProc)
        KeyDisposeProc(key);
    else
        std::free(key);
}

void TvdMap::DisposeValue(void *value)
{
    if (ValueDisposeProc)
        ValueDisposeProc(value);
    else
        std::free(value);
}

void TvdMap::DisposeEntry(Entry *entry)
{
    DisposeKey(entry->key);
    DisposeValue(entry->value);
    delete entry;
}

TvdMap::Entry *TvdMap::find(const void *key, uint32_t hash) const
{
    for (Entry *e = m_buckets[hash % BucketCount]; e; e = e->next) {
        if (e->hash != hash)
            continue;
        const bool equal = KeyEqualProc ? KeyEqualProc(e->key, key)
                                        : std::memcmp(e->key, key, size_t(m_keySize)) == 0;
        if (equal)
            return e;
    }
    return nullptr;
}

void TvdMap::PutValue(const void *key, const void *value, bool failOnDuplicate)
{
    const uint32_t hash = m_hashProc(key);
    if (Entry *e = find(key, hash)) {
        if (failOnDuplicate)
            throw EListError(QStringLiteral("Duplicates not allowed"));
        void *copy = AllocValue(value);
        DisposeValue(e->value);
        e->value = copy;
        return;
    }
    auto *entry = new Entry{nullptr, hash, nullptr, nullptr};
    entry->key = AllocKey(key);
    entry->value = AllocValue(value);
    Entry **slot = &m_buckets[hash % BucketCount];
    while (*slot)
        slot = &(*slot)->next;
    *slot = entry;
    ++m_count;
}

void TvdMap::Add(const void *key, const void *value)
{
    PutValue(key, value, true);
}

void TvdMap::AddOrSetValue(const void *key, const void *value)
{
    PutValue(key, value, false);
}

void *TvdMap::GetItem(const void *key) const
{
    if (Entry *e = find(key, m_hashProc(key)))
        return e->value;
    throw EListError(QStringLiteral("Item not found"));
}

bool TvdMap::TryGetValue(const void *key, void *&value) const
{
    if (m_count == 0)
        return false;
    if (Entry *e = find(key, m_hashProc(key))) {
        value = e->value;
        return true;
    }
    return false;
}

bool TvdMap::ContainsKey(const void *key) const
{
    return m_count != 0 && find(key, m_hashProc(key)) != nullptr;
}

bool TvdMap::Remove(const void *key)
{
    if (m_count == 0)
        return false;
    const uint32_t hash = m_hashProc(key);
    Entry **slot = &m_buckets[hash % BucketCount];
    for (; *slot; slot = &(*slot)->next) {
        Entry *e = *slot;
        if (e->hash == hash
            && (KeyEqualProc ? KeyEqualProc(e->key, key) : std::memcmp(e->key, key, size_t(m_keySize)) == 0)) {
            *slot = e->next;
            DisposeEntry(e);
            --m_count;
            return true;
        }
    }
    return false;
}

QList<const void *> TvdMap::Keys() const
{
    QList<const void *> keys;
    keys.reserve(m_count);
    for (uint32_t b = 0; b < BucketCount; ++b)
        for (Entry *e = m_buckets[b]; e; e = e->next)
            keys.append(e->key);
    return keys;
}

void TvdMap::Clear()
{
    if (m_count == 0)
        return;
    for (uint32_t b = 0; b < BucketCount; ++b) {
        Entry *e = m_buckets[b];
        m_buckets[b] = nullptr;
        while (e) {
            Entry *next = e->next;
            DisposeEntry(e);
            e = next;
        }
    }
    m_count = 0;
}

// ---------------------------------------------------------------------------
TvdObjectMap::TvdObjectMap(bool ownObjects, int keySize, THashProc hashProc, std::function<void(void *)> deleter)
    : TvdMap(keySize, sizeof(void *), hashProc), m_ownObjects(ownObjects), m_deleter(std::move(deleter))
{
    // The base destructor cannot reach the overrides: route through procedures.
    ValueAllocProc = [](const void *v) { return const_cast<void *>(v); };
    ValueDisposeProc = [this](void *v) {
        if (m_ownObjects && v && m_deleter)
            m_deleter(v);
    };
}

TvdObjectMap::~TvdObjectMap()
{
    Clear();
}

void *TvdObjectMap::AllocValue(const void *value)
{
    return const_cast<void *>(value);
}

void TvdObjectMap::DisposeValue(void *value)
{
    if (m_ownObjects && value && m_deleter)
        m_deleter(value);
}

uint32_t NamedKeyHash(const void *key)
{
    return StrElfHash(*static_cast<const QString *>(key));
}

// ---------------------------------------------------------------------------
TvdCustomDictionary::~TvdCustomDictionary()
{
    delete m_map;
}

void TvdNamedDictionary::setupKeys(TvdMap *map)
{
    map->KeyAllocProc = [](const void *k) -> void * { return new QString(*static_cast<const QString *>(k)); };
    map->KeyDisposeProc = [](void *k) { delete static_cast<QString *>(k); };
    map->KeyEqualProc = [](const void *a, const void *b) {
        return *static_cast<const QString *>(a) == *static_cast<const QString *>(b);
    };
}

TvdMap *TvdNamedDictionary::CreateMap()
{
    auto *map = new TvdMap(sizeof(QString *), ValueSize(), NamedKeyHash);
    setupKeys(map);
    return map;
}

QStringList TvdNamedDictionary::Keys() const
{
    QStringList keys;
    for (const void *k : m_map->Keys())
        keys.append(*static_cast<const QString *>(k));
    return keys;
}

TvdStringDictionary::TvdStringDictionary()
{
    init();
}

TvdStringDictionary::~TvdStringDictionary()
{
    delete m_map;
    m_map = nullptr;
}

TvdMap *TvdStringDictionary::CreateMap()
{
    TvdMap *map = TvdNamedDictionary::CreateMap();
    map->ValueAllocProc = [](const void *v) -> void * { return new QString(*static_cast<const QString *>(v)); };
    map->ValueDisposeProc = [](void *v) { delete static_cast<QString *>(v); };
    return map;
}

bool TvdStringDictionary::TryGetValue(const QString &key, QString &value) const
{
    value.clear();
    void *v = nullptr;
    if (!m_map->TryGetValue(&key, v))
        return false;
    value = *static_cast<const QString *>(v);
    return true;
}

QString TvdStringDictionary::Items(const QString &key) const
{
    return *static_cast<const QString *>(m_map->GetItem(&key));
}

// ---------------------------------------------------------------------------
TvdCollectionItem::TvdCollectionItem() = default;

QString TvdCollectionItem::InheritedName() const
{
    return QStringLiteral("vdxUIN") + QString::number(m_uniqueIndex);
}

void TvdCollectionItem::SetInheritedName(const QString &name)
{
    Q_UNUSED(name)
}

void TvdCollectionItem::WriteProperties(TvdXMLItem *item, TvdCollectionItem *ancestor, TvdComponent *owner)
{
    Q_UNUSED(item)
    Q_UNUSED(ancestor)
    Q_UNUSED(owner)
}

void TvdCollectionItem::ReadProperties(const QString &propName, TvdXMLItem *item, TvdCollectionItem *ancestor)
{
    Q_UNUSED(propName)
    Q_UNUSED(item)
    Q_UNUSED(ancestor)
}

void TvdCollectionItem::Joining(TvdBaseCollection *collection)
{
    if (!IsUniqueNameStored() || !collection)
        return;
    int32_t largest = 1;
    int32_t smallest = INT32_MAX;
    for (TvdBaseCollectionItem *other : collection->ItemList()) {
        auto *item = qobject_cast<TvdCollectionItem *>(other);
        if (!item)
            continue;
        largest = qMax(largest, item->m_uniqueIndex);
        smallest = qMin(smallest, item->m_uniqueIndex);
    }
    m_uniqueIndex = smallest < 2 ? largest + 1 : 1;
}

TvdCollection::TvdCollection(ItemFactory factory, TvdPersistent *owner) : TvdBaseCollection(std::move(factory), owner)
{
}

void TvdCollection::SerializeProperties(TvdXMLItem *item, TvdCollection *ancestor, TvdComponent *owner)
{
    Q_UNUSED(item)
    Q_UNUSED(ancestor)
    Q_UNUSED(owner)
}

void TvdCollection::DeserializeProperties(const QString &propName, TvdXMLItem *item, TvdCollection *ancestor)
{
    Q_UNUSED(propName)
    Q_UNUSED(item)
    Q_UNUSED(ancestor)
}

TvdCollectionItem *TvdCollection::FindByName(const QString &name) const
{
    for (TvdBaseCollectionItem *it : ItemList()) {
        auto *item = qobject_cast<TvdCollectionItem *>(it);
        if (item && item->InheritedName() == name)
            return item;
    }
    return nullptr;
}

// ---------------------------------------------------------------------------
static void registerCoreClasses()
{
    vdRegisterClass<TvdCustomComponent>();
}
Q_CONSTRUCTOR_FUNCTION(registerCoreClasses)
