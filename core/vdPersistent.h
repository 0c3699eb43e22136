// Persistent objects, components, collections and the class registry: the
// base every stored class of the library derives from.
//
// How a class publishes properties
// --------------------------------
// - Derive from TvdPersistent (or TvdComponent, TvdBaseCollectionItem...) and
//   put Q_OBJECT in the class.
// - Each published property is a Q_PROPERTY, declared in published order (base
//   class properties come first, as Qt lists them). Enumerations are Q_ENUM
//   types whose keys are the documented value names (haLeft); sets are Q_FLAG
//   types whose values are 1 << ordinal, so the stored bit mask is the value.
// - Integer, enumeration, set and char properties may declare a default, in
//   one place per class: Q_CLASSINFO("default:Name", "value"), where the value
//   is a decimal number or enumeration/flag key(s) ("baNone", "fsBold|fsItalic").
//   A derived class may redeclare it, or say "nodefault". A property without a
//   default is always written; strings, floats and variants have no default.
// - STORED false keeps a property out of files; for a run-time condition
//   override TvdPersistent::IsPropertyStored.
// - Sub-objects are Q_PROPERTY(TvdFont *Font READ Font) of a TvdPersistent
//   type; the object owns them. A property of a TvdComponent type that is not a
//   sub-component (csSubComponent) is a reference, written by name.
// - Extra binary data (pictures...) goes through WriteBinaryProperties and
//   ReadBinaryProperty (see core/vdFiler.h).
// - Classes that files name are registered: vdRegisterClass<TvdxMemoView>().
//
// Ownership uses the component's own lists, never Qt parent-child: a
// component frees the components it owns, last first, and tells the
// components that asked for it (FreeNotification) when it goes.
#pragma once
#include "core/vdNameKey.h"
#include "platform/Exception.h"

#include <QHash>
#include <QList>
#include <QMetaEnum>
#include <QMetaProperty>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class TvdComponent;
class TvdBinaryWriter;
class TvdBinaryReader;

VD_DECLARE_EXCEPTION(EComponentError, Exception)
VD_DECLARE_EXCEPTION(EClassNotFound, Exception)
VD_DECLARE_EXCEPTION(EPropertyError, Exception)

// ---------------------------------------------------------------------------
class TvdPersistent : public QObject {
    Q_OBJECT
public:
    TvdPersistent();
    ~TvdPersistent() override;

    QString ClassName() const { return QString::fromLatin1(metaObject()->className()); }
    bool InheritsFrom(const char *className) const { return inherits(className); }

    // Copies Source into this object; raises EConvertError when the pair has
    // no copy rule ("Cannot assign a X to a Y").
    virtual void Assign(const TvdPersistent *source);
    // The owner that name paths and the inspector walk up to.
    virtual TvdPersistent *GetOwner() const { return nullptr; }
    virtual QString GetNamePath() const { return ClassName(); }

    // Conditional "stored" of published properties (after STORED in Q_PROPERTY).
    virtual bool IsPropertyStored(const char *propName) const;
    // Extra data beyond published properties, in the binary property format.
    virtual void WriteBinaryProperties(TvdBinaryWriter &writer) const;
    // Reads the value of one binary property; false when the name is unknown.
    virtual bool ReadBinaryProperty(const QString &name, TvdBinaryReader &reader);

protected:
    virtual void AssignTo(TvdPersistent *dest) const;
    [[noreturn]] void AssignError(const TvdPersistent *source) const;
};

// ---------------------------------------------------------------------------
class TvdComponent : public TvdPersistent {
    Q_OBJECT
    Q_PROPERTY(QString Name READ Name WRITE SetName STORED false)
    Q_PROPERTY(int Tag READ Tag WRITE SetTag)
    Q_CLASSINFO("default:Tag", "0")
public:
    enum ComponentStateFlag {
        csLoading = 1 << 0,
        csReading = 1 << 1,
        csWriting = 1 << 2,
        csDestroying = 1 << 3,
        csDesigning = 1 << 4,
        csAncestor = 1 << 5,
        csUpdating = 1 << 6,
        csFixups = 1 << 7,
        csFreeNotification = 1 << 8,
        csInline = 1 << 9,
        csDesignInstance = 1 << 10,
    };
    Q_DECLARE_FLAGS(ComponentState, ComponentStateFlag)
    enum ComponentStyleFlag {
        csInheritable = 1 << 0,
        csCheckPropAvail = 1 << 1,
        csSubComponent = 1 << 2,
        csTransient = 1 << 3,
    };
    Q_DECLARE_FLAGS(ComponentStyle, ComponentStyleFlag)
    enum Operation { opInsert, opRemove };

    explicit TvdComponent(TvdComponent *owner = nullptr);
    ~TvdComponent() override;

    TvdComponent *Owner() const { return m_owner; }
    TvdPersistent *GetOwner() const override;
    QString GetNamePath() const override;

    QString Name() const { return m_name; }
    // The name as a key of case-insensitive tables (it shares the name's text).
    const TvdNameKey &NameKey() const { return m_nameKey; }
    // Checks the name (identifier, unique among the owner's components).
    virtual void SetName(const QString &name);
    int Tag() const { return m_tag; }
    void SetTag(int tag) { m_tag = tag; }

    // Owned components, in insertion order.
    int ComponentCount() const { return int(m_components.size()); }
    TvdComponent *Components(int index) const { return m_components.at(index); }
    const QList<TvdComponent *> &ComponentList() const { return m_components; }
    int ComponentIndex() const;
    // Owned component of that name (ignoring letter case), or nothing.
    TvdComponent *FindComponent(const QString &name) const;
    void InsertComponent(TvdComponent *component);
    void RemoveComponent(TvdComponent *component);
    void DestroyComponents();

    ComponentState State() const { return m_state; }
    bool HasState(ComponentStateFlag flag) const { return m_state.testFlag(flag); }
    void SetState(ComponentStateFlag flag, bool on = true);
    ComponentStyle Style() const { return m_style; }
    void SetStyle(ComponentStyleFlag flag, bool on = true);
    void SetSubComponent(bool isSub) { SetStyle(csSubComponent, isSub); }
    bool IsSubComponent() const { return m_style.testFlag(csSubComponent); }
    // Marks this component and everything it owns as designing.
    void SetDesigning(bool designing, bool setChildren = true);

    // Free notifications: each side is told when the other is destroyed.
    void FreeNotification(TvdComponent *component);
    void RemoveFreeNotification(TvdComponent *component);

    // The tree that files nest: by default the owned components. Report
    // components with a parent of their own override these.
    virtual bool HasParent() const { return false; }
    virtual TvdComponent *GetParentComponent() const { return m_owner; }
    // Moves the component under a parent; nothing detaches it.
    virtual void SetParentComponent(TvdComponent *parent);
    virtual QList<TvdComponent *> GetChildren() const { return m_components; }
    // Component of that name anywhere below this one (ignoring letter case).
    virtual TvdComponent *FindObject(const QString &name) const;

    // Called when reading ends; clears csLoading.
    virtual void Loaded();

protected:
    // Tells the components that asked to hear of this one's end (free
    // notifications) and its owner that it goes. The destructor does it last
    // of all; a class whose listeners hold guarded pointers of its own type
    // calls it from its destructor, while the object is still of that type.
    void AnnounceDestruction();
    // Told when a component this one knows is inserted or destroyed.
    virtual void Notification(TvdComponent *component, Operation operation);
    // NewKey is newName's key (TvdNameKey::Folded), made once by SetName.
    virtual void ValidateRename(TvdComponent *component, const QString &curName, const QString &newName,
                                const TvdNameKey &newKey);
    // Passes the check on to the owner while designing.
    void ValidateRenameAbove(TvdComponent *component, const QString &curName, const QString &newName,
                             const TvdNameKey &newKey);
    virtual void ValidateInsert(TvdComponent *component) { Q_UNUSED(component) }

private:
    void tellFreeNotifies();
    void insertInto(TvdComponent *component);
    void removeFrom(TvdComponent *component);

    TvdComponent *m_owner = nullptr;
    QString m_name;
    TvdNameKey m_nameKey;
    int m_tag = 0;
    QList<TvdComponent *> m_components;
    QList<TvdComponent *> m_freeNotifies;
    ComponentState m_state;
    ComponentStyle m_style;
};
Q_DECLARE_OPERATORS_FOR_FLAGS(TvdComponent::ComponentState)
Q_DECLARE_OPERATORS_FOR_FLAGS(TvdComponent::ComponentStyle)

// True for texts that are valid component names (letter or "_", then letters,
// digits and "_").
bool vdIsValidIdent(const QString &name);
// Keys of case-insensitive name indexes: the same as toCaseFolded() and
// toLower(), with a quick way for ASCII names (every valid component name).
QString vdFoldedName(const QString &name);
QString vdLowerName(const QString &name);

// ---------------------------------------------------------------------------
class TvdBaseCollection;

class TvdBaseCollectionItem : public TvdPersistent {
    Q_OBJECT
public:
    TvdBaseCollectionItem();
    // Leaves its collection.
    ~TvdBaseCollectionItem() override;

    TvdBaseCollection *Collection() const { return m_collection; }
    // Moves the item to another collection (or out, for nothing).
    void SetCollection(TvdBaseCollection *collection);
    int Index() const;
    void SetIndex(int index);
    int ID() const { return m_id; }
    virtual QString DisplayName() const;
    TvdPersistent *GetOwner() const override;

protected:
    // Called just before the item joins Collection (fully constructed).
    virtual void Joining(TvdBaseCollection *collection) { Q_UNUSED(collection) }
    void Changed(bool allItems);

private:
    friend class TvdBaseCollection;
    TvdBaseCollection *m_collection = nullptr;
    int m_id = 0;
};

class TvdBaseCollection : public TvdPersistent {
    Q_OBJECT
public:
    using ItemFactory = std::function<TvdBaseCollectionItem *()>;
    enum Notification { cnAdded, cnExtracting, cnDeleting };

    explicit TvdBaseCollection(ItemFactory factory, TvdPersistent *owner = nullptr);
    template <class T>
    static ItemFactory factoryOf() { return [] { return new T(); }; }
    ~TvdBaseCollection() override;

    TvdPersistent *GetOwner() const override { return m_owner; }
    int Count() const { return int(m_items.size()); }
    TvdBaseCollectionItem *Items(int index) const { return m_items.at(index); }
    const QList<TvdBaseCollectionItem *> &ItemList() const { return m_items; }
    TvdBaseCollectionItem *Add();
    TvdBaseCollectionItem *Insert(int index);
    // Joins an existing item (taken from any other collection).
    TvdBaseCollectionItem *AddItem(TvdBaseCollectionItem *item);
    void Delete(int index);
    void Clear();
    TvdBaseCollectionItem *FindItemID(int id) const;
    int IndexOfItem(const TvdBaseCollectionItem *item) const { return int(m_items.indexOf(item)); }

    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return m_updateCount; }

    // Copies the items of another collection (new items, each assigned).
    void Assign(const TvdPersistent *source) override;

protected:
    // Told when an item changes (nothing: all items) outside an update.
    virtual void Update(TvdBaseCollectionItem *item) { Q_UNUSED(item) }
    virtual void Notify(TvdBaseCollectionItem *item, Notification action) { Q_UNUSED(item) Q_UNUSED(action) }
    void Changed();

private:
    friend class TvdBaseCollectionItem;
    void insertItem(TvdBaseCollectionItem *item);
    void removeItem(TvdBaseCollectionItem *item);

    ItemFactory m_factory;
    TvdPersistent *m_owner = nullptr;
    QList<TvdBaseCollectionItem *> m_items;
    int m_nextId = 0;
    int m_updateCount = 0;
    bool m_clearing = false;
};

// ---------------------------------------------------------------------------
// Class registry: class names of files mapped to factories.
using TvdClassFactory = std::function<TvdPersistent *(TvdComponent *owner)>;

struct TvdClassInfo {
    QString name;
    const QMetaObject *meta = nullptr;
    TvdClassFactory create;
    // True when Create makes a TvdComponent.
    bool isComponent = false;
};

class TvdClassRegistry {
public:
    static TvdClassRegistry &Instance();
    // Registers (or replaces) the class of meta under its class name.
    void Register(const QMetaObject *meta, TvdClassFactory factory, bool isComponent);
    void Unregister(const QString &name);
    // By name, ignoring letter case; nothing when unknown.
    const TvdClassInfo *Find(const QString &name) const;
    // Like Find, but raises EClassNotFound ("Class X not found").
    const TvdClassInfo &Get(const QString &name) const;
    QStringList Names() const;

private:
    void reindex();
    QList<TvdClassInfo> m_classes;
    // Positions in m_classes by name as registered and by case-folded name.
    QHash<QString, qsizetype> m_exact;
    QHash<QString, qsizetype> m_folded;
};

template <class T>
void vdRegisterClass()
{
    if constexpr (std::is_base_of_v<TvdComponent, T>)
        TvdClassRegistry::Instance().Register(&T::staticMetaObject,
                                              [](TvdComponent *owner) -> TvdPersistent * { return new T(owner); }, true);
    else
        TvdClassRegistry::Instance().Register(&T::staticMetaObject,
                                              [](TvdComponent *) -> TvdPersistent * { return new T(); }, false);
}

inline const TvdClassInfo *vdFindClass(const QString &name) { return TvdClassRegistry::Instance().Find(name); }

// ---------------------------------------------------------------------------
// Reflection helpers over the published properties.
enum class TvdPropKind {
    Integer,     // int, short, uint... (32-bit and smaller)
    Int64,       // qint64, quint64
    Char,        // QChar
    Enumeration, // Q_ENUM
    Boolean,     // bool (an enumeration of False/True)
    Set,         // Q_FLAG
    Float,       // double, float
    String,      // QString
    StringList,  // QStringList
    Variant,     // the library's Variant
    Object,      // pointer to a TvdPersistent
    Other,
};

struct TvdPropInfo {
    QMetaProperty prop;
    TvdPropKind kind = TvdPropKind::Other;
    // Declared default of the class the list was made for (ordinal kinds).
    std::optional<qint64> declaredDefault;
    const char *name() const { return prop.name(); }
};

// Published properties of a class, in published order (QObject's own left out).
// The list lives as long as the process.
const QList<TvdPropInfo> &vdPublishedProperties(const QMetaObject *meta);
const TvdPropInfo *vdFindProperty(const QMetaObject *meta, const QString &name);
// The declared default of an ordinal property as its integer value.
std::optional<qint64> vdPropertyDefault(const QMetaObject *meta, const TvdPropInfo &info);
// Whether the property is written at all (STORED and IsPropertyStored).
bool vdIsStored(const TvdPersistent *obj, const TvdPropInfo &info);

// Reads or writes a property through the generated accessor of the class that
// declares it, without the metacall chain and the QVariant. Data points to a
// value of exactly the property's type. False when the property cannot be
// reached so; the caller then goes through QMetaProperty.
bool vdReadPropDirect(const QObject *obj, const QMetaProperty &prop, void *data);
bool vdWritePropDirect(QObject *obj, const QMetaProperty &prop, void *data);

// Ordinal values (integers, chars, enumerations, Booleans, sets) as integers.
qint64 vdGetOrdProp(const QObject *obj, const TvdPropInfo &info);
void vdSetOrdProp(QObject *obj, const TvdPropInfo &info, qint64 value);
TvdPersistent *vdGetObjectProp(const QObject *obj, const TvdPropInfo &info);
// Sets an object property; raises EPropertyError when the class does not fit.
void vdSetObjectProp(QObject *obj, const TvdPropInfo &info, TvdPersistent *value);
// The class of an object property (nothing for other kinds).
const QMetaObject *vdObjectPropClass(const TvdPropInfo &info);
// The enumeration of an enumeration or set property (invalid for others).
QMetaEnum vdPropEnum(const TvdPropInfo &info);
