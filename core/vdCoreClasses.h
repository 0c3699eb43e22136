// Small containers and base classes: the 691-bucket hash map and the text
// dictionaries on it, collections whose items carry an inheritance identity,
// an owning pointer list and the root component class of the library.
#pragma once
#include "core/vdPersistent.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <type_traits>

class TvdXMLItem;

// ---------------------------------------------------------------------------
// Separately chained hash table with a fixed number of buckets. Keys and
// values are memory blocks handled by pluggable procedures; with none set,
// keys and values are copied as KeySize/ValueSize bytes and compared bytewise.
class TvdMap {
public:
    static constexpr uint32_t BucketCount = 691;
    using THashProc = uint32_t (*)(const void *key);
    using TAllocProc = std::function<void *(const void *)>;
    using TDisposeProc = std::function<void(void *)>;
    using TEqualProc = std::function<bool(const void *, const void *)>;

    TvdMap(int keySize, int valueSize, THashProc hashProc);
    virtual ~TvdMap();
    TvdMap(const TvdMap &) = delete;
    TvdMap &operator=(const TvdMap &) = delete;

    uint32_t Count() const { return m_count; }
    int KeySize() const { return m_keySize; }
    int ValueSize() const { return m_valueSize; }

    // Inserts; raises EListError "Duplicates not allowed" for a present key.
    void Add(const void *key, const void *value);
    // Inserts or replaces the value (the entry keeps its place).
    void AddOrSetValue(const void *key, const void *value);
    void SetItem(const void *key, const void *value) { AddOrSetValue(key, value); }
    // Stored value of the key; raises EListError "Item not found".
    void *GetItem(const void *key) const;
    bool TryGetValue(const void *key, void *&value) const;
    bool ContainsKey(const void *key) const;
    bool Remove(const void *key);
    // Stored keys in bucket order, each chain from its head.
    QList<const void *> Keys() const;
    void Clear();

    TAllocProc KeyAllocProc, ValueAllocProc;
    TDisposeProc KeyDisposeProc, ValueDisposeProc;
    TEqualProc KeyEqualProc;

protected:
    struct Entry {
        void *key;
        uint32_t hash;
        void *value;
        Entry *next;
    };
    virtual void *AllocKey(const void *key);
    virtual void *AllocValue(const void *value);
    virtual void PutValue(const void *key, const void *value, bool failOnDuplicate);
    virtual void DisposeKey(void *key);
    virtual void DisposeEntry(Entry *entry);
    virtual void DisposeValue(void *value);

    Entry *find(const void *key, uint32_t hash) const;

private:
    int m_keySize;
    int m_valueSize;
    THashProc m_hashProc;
    uint32_t m_count = 0;
    Entry *m_buckets[BucketCount] = {};
};

// Values are object references stored as they are; with OwnObjects set a
// replaced or removed value is freed by the deleter.
class TvdObjectMap : public TvdMap {
public:
    TvdObjectMap(bool ownObjects, int keySize, THashProc hashProc, std::function<void(void *)> deleter = {});
    ~TvdObjectMap() override;
    bool OwnObjects() const { return m_ownObjects; }
    void SetOwnObjects(bool own) { m_ownObjects = own; }

protected:
    void *AllocValue(const void *value) override;
    void DisposeValue(void *value) override;

private:
    bool m_ownObjects;
    std::function<void(void *)> m_deleter;
};

// Hash of a text key (QString*): the ELF hash of its code units.
uint32_t NamedKeyHash(const void *key);

// ---------------------------------------------------------------------------
class TvdCustomDictionary {
public:
    virtual ~TvdCustomDictionary();
    uint32_t Count() const { return m_map ? m_map->Count() : 0; }
    void Clear() { m_map->Clear(); }
    TvdMap *Map() const { return m_map; }

protected:
    TvdCustomDictionary() = default;
    // Creates the map; called by the constructor of the concrete class.
    virtual TvdMap *CreateMap() = 0;
    void init() { m_map = CreateMap(); }
    TvdMap *m_map = nullptr;
};

// Text keys: case-sensitive, compared ordinally.
class TvdNamedDictionary : public TvdCustomDictionary {
public:
    bool ContainsKey(const QString &key) const { return m_map->ContainsKey(&key); }
    bool Remove(const QString &key) { return m_map->Remove(&key); }
    QStringList Keys() const;

protected:
    TvdMap *CreateMap() override;
    virtual int ValueSize() const = 0;
    // Installs the text-key procedures on a map.
    static void setupKeys(TvdMap *map);
};

// Text keys, object values (T must be complete where the dictionary frees).
template <class T = QObject>
class TvdNamedObjectDictionary : public TvdNamedDictionary {
public:
    explicit TvdNamedObjectDictionary(bool ownObjects) : m_ownObjects(ownObjects) { init(); }
    ~TvdNamedObjectDictionary() override { delete m_map; m_map = nullptr; }

    void Add(const QString &key, T *value) { m_map->Add(&key, value); }
    void AddOrSetValue(const QString &key, T *value) { m_map->AddOrSetValue(&key, value); }
    // Value is left unchanged on a miss.
    bool TryGetValue(const QString &key, T *&value) const
    {
        void *v = nullptr;
        if (!m_map->TryGetValue(&key, v))
            return false;
        value = static_cast<T *>(v);
        return true;
    }
    T *Items(const QString &key) const { return static_cast<T *>(m_map->GetItem(&key)); }
    void SetItems(const QString &key, T *value) { AddOrSetValue(key, value); }

protected:
    TvdMap *CreateMap() override
    {
        auto *map = new TvdObjectMap(m_ownObjects, sizeof(void *), NamedKeyHash,
                                     [](void *p) { delete static_cast<T *>(p); });
        setupKeys(map);
        return map;
    }
    int ValueSize() const override { return sizeof(void *); }

private:
    bool m_ownObjects;
};

// Text keys, text values.
class TvdStringDictionary : public TvdNamedDictionary {
public:
    TvdStringDictionary();
    ~TvdStringDictionary() override;

    void Add(const QString &key, const QString &value) { m_map->Add(&key, &value); }
    void AddOrSetValue(const QString &key, const QString &value) { m_map->AddOrSetValue(&key, &value); }
    // Value is emptied first, then filled on a hit.
    bool TryGetValue(const QString &key, QString &value) const;
    // Raises EListError "Item not found" for a missing key.
    QString Items(const QString &key) const;
    void SetItems(const QString &key, const QString &value) { AddOrSetValue(key, value); }

protected:
    TvdMap *CreateMap() override;
    int ValueSize() const override { return sizeof(QString); }
};

// ---------------------------------------------------------------------------
class TvdCollectionItem : public TvdBaseCollectionItem {
    Q_OBJECT
public:
    TvdCollectionItem();

    int32_t UniqueIndex() const { return m_uniqueIndex; }
    void SetUniqueIndex(int32_t index) { m_uniqueIndex = index; }
    bool IsInherited() const { return m_isInherited; }
    void SetIsInherited(bool inherited) { m_isInherited = inherited; }

    // The name that ties the item to its counterpart in an ancestor template:
    // "vdxUIN" and the unique index, unless the item has a name of its own.
    virtual QString InheritedName() const;
    virtual void SetInheritedName(const QString &name);
    // Extra content written into and read from the item's XML element.
    virtual void WriteProperties(TvdXMLItem *item, TvdCollectionItem *ancestor, TvdComponent *owner);
    virtual void ReadProperties(const QString &propName, TvdXMLItem *item, TvdCollectionItem *ancestor);
    // Whether the item gets and stores a unique index.
    virtual bool IsUniqueNameStored() const { return false; }

protected:
    void Joining(TvdBaseCollection *collection) override;

private:
    int32_t m_uniqueIndex = 0;
    bool m_isInherited = false;
};

class TvdCollection : public TvdBaseCollection {
    Q_OBJECT
public:
    explicit TvdCollection(ItemFactory factory, TvdPersistent *owner = nullptr);

    TvdCollectionItem *Items(int index) const { return static_cast<TvdCollectionItem *>(TvdBaseCollection::Items(index)); }
    virtual void SerializeProperties(TvdXMLItem *item, TvdCollection *ancestor, TvdComponent *owner);
    virtual void DeserializeProperties(const QString &propName, TvdXMLItem *item, TvdCollection *ancestor);
    // First item whose InheritedName equals Name exactly, or nothing.
    virtual TvdCollectionItem *FindByName(const QString &name) const;
};

// ---------------------------------------------------------------------------
// A pointer list that may own its items.
template <class T>
class TvdOwnObjList {
public:
    explicit TvdOwnObjList(bool ownsObjects = true) : m_ownsObjects(ownsObjects) {}
    ~TvdOwnObjList() { Clear(); }
    TvdOwnObjList(const TvdOwnObjList &) = delete;
    TvdOwnObjList &operator=(const TvdOwnObjList &) = delete;

    bool OwnsObjects() const { return m_ownsObjects; }
    void SetOwnsObjects(bool own) { m_ownsObjects = own; }
    int Count() const { return int(m_items.size()); }
    T *GetItem(int index) const { return m_items.at(index); }
    T *operator[](int index) const { return m_items.at(index); }
    void Add(T *item) { m_items.append(item); }
    void AddNonZero(T *item)
    {
        if (item)
            m_items.append(item);
    }
    // Copies the pointers and the source's ownership flag. Only one of the
    // two lists may own the items afterwards: the source gives it up.
    void Assign(TvdOwnObjList &source)
    {
        if (&source == this)
            return;
        Clear();
        m_items = source.m_items;
        m_ownsObjects = source.m_ownsObjects;
        source.m_ownsObjects = false;
    }
    void Assign(const QList<T *> &source)
    {
        Clear();
        m_items = source;
    }
    int IndexOf(const T *item) const { return int(m_items.indexOf(const_cast<T *>(item))); }
    // Takes the item out without freeing it.
    T *Extract(int index) { return m_items.takeAt(index); }
    void Delete(int index)
    {
        T *item = m_items.takeAt(index);
        if (m_ownsObjects)
            delete item;
    }
    void Clear()
    {
        QList<T *> items;
        items.swap(m_items);
        if (m_ownsObjects)
            for (T *item : items)
                delete item;
    }
    const QList<T *> &List() const { return m_items; }

private:
    QList<T *> m_items;
    bool m_ownsObjects;
};

// An interfaced object without reference counting: its owner frees it.
class TvdInterfacedObject {
public:
    virtual ~TvdInterfacedObject() = default;
    int AddRef() { return -1; }
    int Release() { return -1; }
};

// Root of the report components and of the localization controller.
class TvdCustomComponent : public TvdComponent {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TvdCustomComponent(TvdComponent *owner = nullptr) : TvdComponent(owner) {}
};
