#include "core/vdPersistent.h"

#include <unordered_map>
#include <cstring>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>

// ---------------------------------------------------------------------------
TvdPersistent::TvdPersistent() = default;
TvdPersistent::~TvdPersistent() = default;

void TvdPersistent::Assign(const TvdPersistent *source)
{
    if (source) {
        source->AssignTo(this);
        return;
    }
    AssignError(nullptr);
}

void TvdPersistent::AssignTo(TvdPersistent *dest) const
{
    dest->AssignError(this);
}

void TvdPersistent::AssignError(const TvdPersistent *source) const
{
    const QString from = source ? source->ClassName() : QStringLiteral("nil");
    throw EConvertError(QStringLiteral("Cannot assign a %1 to a %2").arg(from, ClassName()));
}

bool TvdPersistent::IsPropertyStored(const char *propName) const
{
    Q_UNUSED(propName)
    return true;
}

void TvdPersistent::WriteBinaryProperties(TvdBinaryWriter &writer) const
{
    Q_UNUSED(writer)
}

bool TvdPersistent::ReadBinaryProperty(const QString &name, TvdBinaryReader &reader)
{
    Q_UNUSED(name)
    Q_UNUSED(reader)
    return false;
}

// ---------------------------------------------------------------------------
bool vdIsValidIdent(const QString &name)
{
    if (name.isEmpty())
        return false;
    auto alpha = [](QChar c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
    if (!alpha(name.at(0)))
        return false;
    for (QChar c : name)
        if (!alpha(c) && !(c >= '0' && c <= '9'))
            return false;
    return true;
}

namespace {
// Nothing when the name holds anything beyond ASCII; the name itself when
// it has no capitals (no copy is made).
std::optional<QString> asciiLower(const QString &name)
{
    const QChar *p = name.constData();
    const qsizetype n = name.size();
    qsizetype firstUpper = -1;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = p[i].unicode();
        if (c >= 0x80)
            return std::nullopt;
        if (firstUpper < 0 && c >= u'A' && c <= u'Z')
            firstUpper = i;
    }
    if (firstUpper < 0)
        return name;
    QString out = name;
    QChar *d = out.data();
    for (qsizetype i = firstUpper; i < n; ++i) {
        const char16_t c = d[i].unicode();
        if (c >= u'A' && c <= u'Z')
            d[i] = QChar(char16_t(c + 32));
    }
    return out;
}
} // namespace

QString vdFoldedName(const QString &name)
{
    if (std::optional<QString> s = asciiLower(name))
        return *std::move(s);
    return name.toCaseFolded();
}

QString vdLowerName(const QString &name)
{
    if (std::optional<QString> s = asciiLower(name))
        return *std::move(s);
    return name.toLower();
}

TvdComponent::TvdComponent(TvdComponent *owner)
{
    if (owner)
        owner->InsertComponent(this);
}

TvdComponent::~TvdComponent()
{
    m_state |= csDestroying;
    tellFreeNotifies();
    DestroyComponents();
    if (m_owner)
        m_owner->RemoveComponent(this);
}

void TvdComponent::AnnounceDestruction()
{
    m_state |= csDestroying;
    tellFreeNotifies();
    if (m_owner)
        m_owner->RemoveComponent(this);
}

void TvdComponent::tellFreeNotifies()
{
    // Everyone that asked to hear of this component's end is told now.
    while (!m_freeNotifies.isEmpty()) {
        TvdComponent *other = m_freeNotifies.takeLast();
        other->m_freeNotifies.removeAll(this);
        other->Notification(this, opRemove);
    }
}

TvdPersistent *TvdComponent::GetOwner() const
{
    return m_owner;
}

QString TvdComponent::GetNamePath() const
{
    return m_name.isEmpty() ? ClassName() : m_name;
}

void TvdComponent::SetName(const QString &name)
{
    if (name == m_name)
        return;
    if (!name.isEmpty() && !vdIsValidIdent(name))
        throw EComponentError(QStringLiteral("'%1' is not a valid component name").arg(name));
    TvdNameKey key = TvdNameKey::Folded(name);
    if (m_owner)
        m_owner->ValidateRename(this, m_name, name, key);
    else
        ValidateRename(nullptr, m_name, name, key);
    m_name = name;
    m_nameKey = std::move(key);
}

void TvdComponent::ValidateRename(TvdComponent *component, const QString &curName, const QString &newName,
                                  const TvdNameKey &newKey)
{
    if (component && curName.compare(newName, Qt::CaseInsensitive) != 0 && component->m_owner == this
        && !newKey.IsEmpty()) {
        for (TvdComponent *c : m_components)
            if (c->m_nameKey == newKey)
                throw EComponentError(QStringLiteral("A component named %1 already exists").arg(newName));
    }
    ValidateRenameAbove(component, curName, newName, newKey);
}

void TvdComponent::ValidateRenameAbove(TvdComponent *component, const QString &curName, const QString &newName,
                                       const TvdNameKey &newKey)
{
    if (HasState(csDesigning) && m_owner)
        m_owner->ValidateRename(component, curName, newName, newKey);
}

int TvdComponent::ComponentIndex() const
{
    return m_owner ? int(m_owner->m_components.indexOf(const_cast<TvdComponent *>(this))) : -1;
}

TvdComponent *TvdComponent::FindComponent(const QString &name) const
{
    if (name.isEmpty())
        return nullptr;
    const TvdNameKey key = TvdNameKey::Folded(name);
    for (TvdComponent *c : m_components)
        if (c->m_nameKey == key)
            return c;
    return nullptr;
}

void TvdComponent::InsertComponent(TvdComponent *component)
{
    if (!component || component->m_owner == this)
        return;
    ValidateInsert(component);
    // A name already used here is refused before the component moves.
    if (!component->m_name.isEmpty() && FindComponent(component->m_name))
        throw EComponentError(QStringLiteral("A component named %1 already exists").arg(component->m_name));
    if (component->m_owner)
        component->m_owner->RemoveComponent(component);
    insertInto(component);
    if (HasState(csDesigning))
        component->SetDesigning(true);
    Notification(component, opInsert);
}

void TvdComponent::RemoveComponent(TvdComponent *component)
{
    if (!component || component->m_owner != this)
        return;
    Notification(component, opRemove);
    removeFrom(component);
}

void TvdComponent::insertInto(TvdComponent *component)
{
    m_components.append(component);
    component->m_owner = this;
}

void TvdComponent::removeFrom(TvdComponent *component)
{
    if (!m_components.isEmpty() && m_components.last() == component)
        m_components.removeLast();
    else
        m_components.removeOne(component);
    component->m_owner = nullptr;
}

void TvdComponent::DestroyComponents()
{
    // Last first, so later components go before the ones they may refer to.
    while (!m_components.isEmpty()) {
        TvdComponent *c = m_components.last();
        removeFrom(c);
        delete c;
    }
}

void TvdComponent::SetState(ComponentStateFlag flag, bool on)
{
    m_state.setFlag(flag, on);
}

void TvdComponent::SetStyle(ComponentStyleFlag flag, bool on)
{
    m_style.setFlag(flag, on);
}

void TvdComponent::SetDesigning(bool designing, bool setChildren)
{
    m_state.setFlag(csDesigning, designing);
    if (setChildren)
        for (TvdComponent *c : m_components)
            c->SetDesigning(designing, true);
}

void TvdComponent::FreeNotification(TvdComponent *component)
{
    if (!component || component == this)
        return;
    if (!m_freeNotifies.contains(component))
        m_freeNotifies.append(component);
    if (!component->m_freeNotifies.contains(this))
        component->m_freeNotifies.append(this);
    m_state |= csFreeNotification;
}

void TvdComponent::RemoveFreeNotification(TvdComponent *component)
{
    if (!component)
        return;
    m_freeNotifies.removeAll(component);
    component->m_freeNotifies.removeAll(this);
}

void TvdComponent::Notification(TvdComponent *component, Operation operation)
{
    if (operation == opRemove && component)
        RemoveFreeNotification(component);
    // Owned components hear of it too, last first; the list may shrink meanwhile.
    qsizetype i = m_components.size() - 1;
    while (i >= 0) {
        m_components.at(i)->Notification(component, operation);
        --i;
        if (i >= m_components.size())
            i = m_components.size() - 1;
    }
}

void TvdComponent::SetParentComponent(TvdComponent *parent)
{
    if (parent)
        parent->InsertComponent(this);
    else if (m_owner)
        m_owner->RemoveComponent(this);
}

TvdComponent *TvdComponent::FindObject(const QString &name) const
{
    if (name.isEmpty())
        return nullptr;
    for (TvdComponent *c : GetChildren()) {
        if (c->m_name.compare(name, Qt::CaseInsensitive) == 0)
            return c;
        if (TvdComponent *found = c->FindObject(name))
            return found;
    }
    return FindComponent(name);
}

void TvdComponent::Loaded()
{
    m_state.setFlag(csLoading, false);
}

// ---------------------------------------------------------------------------
TvdBaseCollectionItem::TvdBaseCollectionItem() = default;

TvdBaseCollectionItem::~TvdBaseCollectionItem()
{
    if (m_collection)
        m_collection->removeItem(this);
}

void TvdBaseCollectionItem::SetCollection(TvdBaseCollection *collection)
{
    if (collection == m_collection)
        return;
    if (m_collection)
        m_collection->removeItem(this);
    if (collection)
        collection->insertItem(this);
}

int TvdBaseCollectionItem::Index() const
{
    return m_collection ? m_collection->IndexOfItem(this) : -1;
}

void TvdBaseCollectionItem::SetIndex(int index)
{
    const int cur = Index();
    if (cur < 0 || index == cur || index < 0 || index >= m_collection->Count())
        return;
    m_collection->m_items.move(cur, index);
    Changed(true);
}

QString TvdBaseCollectionItem::DisplayName() const
{
    return ClassName();
}

TvdPersistent *TvdBaseCollectionItem::GetOwner() const
{
    return m_collection;
}

void TvdBaseCollectionItem::Changed(bool allItems)
{
    if (m_collection && m_collection->m_updateCount == 0)
        m_collection->Update(allItems ? nullptr : this);
}

TvdBaseCollection::TvdBaseCollection(ItemFactory factory, TvdPersistent *owner)
    : m_factory(std::move(factory)), m_owner(owner)
{
}

TvdBaseCollection::~TvdBaseCollection()
{
    m_updateCount = 1;
    m_clearing = true;
    while (!m_items.isEmpty())
        delete m_items.last();
}

TvdBaseCollectionItem *TvdBaseCollection::Add()
{
    TvdBaseCollectionItem *item = m_factory();
    insertItem(item);
    return item;
}

TvdBaseCollectionItem *TvdBaseCollection::Insert(int index)
{
    TvdBaseCollectionItem *item = Add();
    item->SetIndex(index);
    return item;
}

TvdBaseCollectionItem *TvdBaseCollection::AddItem(TvdBaseCollectionItem *item)
{
    if (item)
        item->SetCollection(this);
    return item;
}

void TvdBaseCollection::insertItem(TvdBaseCollectionItem *item)
{
    item->Joining(this);
    m_items.append(item);
    item->m_collection = this;
    item->m_id = m_nextId++;
    Notify(item, cnAdded);
    Changed();
}

void TvdBaseCollection::removeItem(TvdBaseCollectionItem *item)
{
    Notify(item, cnExtracting);
    // Items go from the end when a collection is cleared or freed.
    if (!m_items.isEmpty() && m_items.last() == item)
        m_items.removeLast();
    else
        m_items.removeOne(item);
    item->m_collection = nullptr;
    if (!m_clearing)
        Changed();
}

void TvdBaseCollection::Delete(int index)
{
    if (index < 0 || index >= m_items.size())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    TvdBaseCollectionItem *item = m_items.at(index);
    Notify(item, cnDeleting);
    delete item;
}

void TvdBaseCollection::Clear()
{
    if (m_items.isEmpty())
        return;
    BeginUpdate();
    while (!m_items.isEmpty()) {
        TvdBaseCollectionItem *item = m_items.last();
        Notify(item, cnDeleting);
        delete item;
    }
    EndUpdate();
}

TvdBaseCollectionItem *TvdBaseCollection::FindItemID(int id) const
{
    for (TvdBaseCollectionItem *item : m_items)
        if (item->m_id == id)
            return item;
    return nullptr;
}

void TvdBaseCollection::BeginUpdate()
{
    ++m_updateCount;
}

void TvdBaseCollection::EndUpdate()
{
    if (m_updateCount > 0 && --m_updateCount == 0)
        Changed();
}

void TvdBaseCollection::Changed()
{
    if (m_updateCount == 0)
        Update(nullptr);
}

void TvdBaseCollection::Assign(const TvdPersistent *source)
{
    auto *src = qobject_cast<const TvdBaseCollection *>(source);
    if (!src) {
        TvdPersistent::Assign(source);
        return;
    }
    BeginUpdate();
    try {
        Clear();
        for (TvdBaseCollectionItem *item : src->m_items)
            Add()->Assign(item);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

// ---------------------------------------------------------------------------
TvdClassRegistry &TvdClassRegistry::Instance()
{
    static TvdClassRegistry registry;
    return registry;
}

static QMutex &registryMutex()
{
    static QMutex m;
    return m;
}

void TvdClassRegistry::Register(const QMetaObject *meta, TvdClassFactory factory, bool isComponent)
{
    QMutexLocker lock(&registryMutex());
    TvdClassInfo info{QString::fromLatin1(meta->className()), meta, std::move(factory), isComponent};
    for (TvdClassInfo &c : m_classes)
        if (c.name.compare(info.name, Qt::CaseInsensitive) == 0) {
            c = info;
            reindex();
            return;
        }
    m_classes.append(info);
    reindex();
}

void TvdClassRegistry::Unregister(const QString &name)
{
    QMutexLocker lock(&registryMutex());
    m_classes.removeIf([&](const TvdClassInfo &c) { return c.name.compare(name, Qt::CaseInsensitive) == 0; });
    reindex();
}

void TvdClassRegistry::reindex()
{
    m_exact.clear();
    m_folded.clear();
    for (qsizetype i = 0; i < m_classes.size(); ++i) {
        const QString key = vdFoldedName(m_classes.at(i).name);
        if (m_folded.contains(key))
            continue;
        m_folded.insert(key, i);
        m_exact.insert(m_classes.at(i).name, i);
    }
}

const TvdClassInfo *TvdClassRegistry::Find(const QString &name) const
{
    QMutexLocker lock(&registryMutex());
    // Files spell class names as registered: the exact name is tried first.
    auto it = m_exact.constFind(name);
    if (it == m_exact.cend()) {
        it = m_folded.constFind(vdFoldedName(name));
        if (it == m_folded.cend())
            return nullptr;
    }
    return &m_classes.at(*it);
}

const TvdClassInfo &TvdClassRegistry::Get(const QString &name) const
{
    if (const TvdClassInfo *c = Find(name))
        return *c;
    throw EClassNotFound(QStringLiteral("Class %1 not found").arg(name));
}

QStringList TvdClassRegistry::Names() const
{
    QMutexLocker lock(&registryMutex());
    QStringList names;
    for (const TvdClassInfo &c : m_classes)
        names.append(c.name);
    return names;
}

// ---------------------------------------------------------------------------
static TvdPropKind classify(const QMetaProperty &p)
{
    if (p.isFlagType())
        return TvdPropKind::Set;
    if (p.isEnumType())
        return TvdPropKind::Enumeration;
    const QMetaType t = p.metaType();
    switch (t.id()) {
    case QMetaType::Bool:
        return TvdPropKind::Boolean;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return TvdPropKind::Integer;
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return TvdPropKind::Int64;
    case QMetaType::QChar:
        return TvdPropKind::Char;
    case QMetaType::Double:
    case QMetaType::Float:
        return TvdPropKind::Float;
    case QMetaType::QString:
        return TvdPropKind::String;
    case QMetaType::QStringList:
        return TvdPropKind::StringList;
    default:
        break;
    }
    if ((t.flags() & QMetaType::PointerToQObject) && t.metaObject()
        && t.metaObject()->inherits(&TvdPersistent::staticMetaObject))
        return TvdPropKind::Object;
    if (qstrcmp(t.name(), "Variant") == 0)
        return TvdPropKind::Variant;
    return TvdPropKind::Other;
}

const QList<TvdPropInfo> &vdPublishedProperties(const QMetaObject *meta)
{
    // Node-based: the lists stay where they are while others are added.
    static QMutex mutex;
    static std::unordered_map<const QMetaObject *, QList<TvdPropInfo>> cache;
    QMutexLocker lock(&mutex);
    auto it = cache.find(meta);
    if (it != cache.end())
        return it->second;
    QList<TvdPropInfo> list;
    for (int i = QObject::staticMetaObject.propertyCount(); i < meta->propertyCount(); ++i) {
        const QMetaProperty p = meta->property(i);
        TvdPropInfo info{p, classify(p), std::nullopt};
        info.declaredDefault = vdPropertyDefault(meta, info);
        list.append(info);
    }
    return cache.emplace(meta, std::move(list)).first->second;
}

namespace {
// Names of a class's published properties, built once per class. Only the
// first property of each name (ignoring letter case) is entered, as a scan
// of the list in published order would find it.
struct TvdPropLookup {
    QHash<QString, const TvdPropInfo *> exact;
    QHash<QString, const TvdPropInfo *> folded;
};
} // namespace

const TvdPropInfo *vdFindProperty(const QMetaObject *meta, const QString &name)
{
    static QMutex mutex;
    static std::unordered_map<const QMetaObject *, TvdPropLookup> cache;
    // Attributes come in runs of one object's class: the class last asked
    // for is kept per thread, so most look-ups skip the lock and the map.
    // Entries are never removed, so the pointer stays good.
    thread_local const QMetaObject *lastMeta = nullptr;
    thread_local const TvdPropLookup *lastLookup = nullptr;
    const TvdPropLookup *lookup = nullptr;
    if (meta == lastMeta) {
        lookup = lastLookup;
    } else {
        QMutexLocker lock(&mutex);
        auto it = cache.find(meta);
        if (it == cache.end()) {
            TvdPropLookup l;
            for (const TvdPropInfo &info : vdPublishedProperties(meta)) {
                const QString n = QString::fromLatin1(info.name());
                const QString key = vdFoldedName(n);
                if (l.folded.contains(key))
                    continue;
                l.folded.insert(key, &info);
                l.exact.insert(n, &info);
            }
            it = cache.emplace(meta, std::move(l)).first;
        }
        lookup = &it->second;
        lastMeta = meta;
        lastLookup = lookup;
    }
    if (const TvdPropInfo *info = lookup->exact.value(name))
        return info;
    return lookup->folded.value(vdFoldedName(name));
}

QMetaEnum vdPropEnum(const TvdPropInfo &info)
{
    return info.prop.enumerator();
}

std::optional<qint64> vdPropertyDefault(const QMetaObject *meta, const TvdPropInfo &info)
{
    const QByteArray key = QByteArray("default:") + info.name();
    const int idx = meta->indexOfClassInfo(key.constData());
    if (idx < 0)
        return std::nullopt;
    const QByteArray text = QByteArray(meta->classInfo(idx).value()).trimmed();
    if (text.compare("nodefault", Qt::CaseInsensitive) == 0)
        return std::nullopt;
    bool ok = false;
    const qint64 n = text.toLongLong(&ok);
    if (ok)
        return n;
    switch (info.kind) {
    case TvdPropKind::Boolean:
        if (text.compare("true", Qt::CaseInsensitive) == 0)
            return 1;
        if (text.compare("false", Qt::CaseInsensitive) == 0)
            return 0;
        break;
    case TvdPropKind::Char:
        if (QString::fromUtf8(text).size() == 1)
            return QString::fromUtf8(text).at(0).unicode();
        break;
    case TvdPropKind::Enumeration:
    case TvdPropKind::Set: {
        const QMetaEnum e = vdPropEnum(info);
        const int v = info.kind == TvdPropKind::Set ? e.keysToValue(text.constData(), &ok)
                                                    : e.keyToValue(text.constData(), &ok);
        if (ok)
            return v;
        break;
    }
    default:
        break;
    }
    qWarning("Bad declared default %s of %s", text.constData(), key.constData());
    return std::nullopt;
}

bool vdIsStored(const TvdPersistent *obj, const TvdPropInfo &info)
{
    return info.prop.isStored() && obj->IsPropertyStored(info.name());
}

static qint64 rawToInt(const QVariant &v)
{
    const void *d = v.constData();
    switch (v.metaType().sizeOf()) {
    case 1:
        return *static_cast<const quint8 *>(d);
    case 2:
        return *static_cast<const quint16 *>(d);
    case 4:
        return *static_cast<const qint32 *>(d);
    case 8:
        return *static_cast<const qint64 *>(d);
    default:
        return 0;
    }
}

bool vdReadPropDirect(const QObject *obj, const QMetaProperty &prop, void *data)
{
    const QMetaObject *m = prop.enclosingMetaObject();
    if (!obj || !m || !m->d.static_metacall || !prop.isReadable())
        return false;
    int status = -1;
    void *argv[] = {data, nullptr, &status};
    m->d.static_metacall(const_cast<QObject *>(obj), QMetaObject::ReadProperty, prop.relativePropertyIndex(), argv);
    return true;
}

bool vdWritePropDirect(QObject *obj, const QMetaProperty &prop, void *data)
{
    const QMetaObject *m = prop.enclosingMetaObject();
    if (!obj || !m || !m->d.static_metacall || !prop.isWritable())
        return false;
    int status = -1;
    int flags = 0;
    void *argv[] = {data, nullptr, &status, &flags};
    m->d.static_metacall(obj, QMetaObject::WriteProperty, prop.relativePropertyIndex(), argv);
    return true;
}

qint64 vdGetOrdProp(const QObject *obj, const TvdPropInfo &info)
{
    {
        alignas(8) unsigned char buf[8] = {};
        const QMetaType t = info.prop.metaType();
        switch (info.kind) {
        case TvdPropKind::Boolean:
            if (t.id() == QMetaType::Bool && vdReadPropDirect(obj, info.prop, buf))
                return *reinterpret_cast<bool *>(buf) ? 1 : 0;
            break;
        case TvdPropKind::Char:
            if (t.id() == QMetaType::QChar && vdReadPropDirect(obj, info.prop, buf))
                return reinterpret_cast<QChar *>(buf)->unicode();
            break;
        case TvdPropKind::Integer:
        case TvdPropKind::Int64:
            if (t.id() == QMetaType::Int && vdReadPropDirect(obj, info.prop, buf))
                return *reinterpret_cast<qint32 *>(buf);
            break;
        case TvdPropKind::Enumeration:
        case TvdPropKind::Set: {
            const qsizetype size = t.sizeOf();
            if ((size == 1 || size == 2 || size == 4 || size == 8) && vdReadPropDirect(obj, info.prop, buf)) {
                if (size == 1)
                    return *reinterpret_cast<quint8 *>(buf);
                if (size == 2)
                    return *reinterpret_cast<quint16 *>(buf);
                if (size == 4)
                    return *reinterpret_cast<qint32 *>(buf);
                return *reinterpret_cast<qint64 *>(buf);
            }
            break;
        }
        default:
            break;
        }
    }
    const QVariant v = info.prop.read(obj);
    switch (info.kind) {
    case TvdPropKind::Boolean:
        return v.toBool() ? 1 : 0;
    case TvdPropKind::Char:
        return v.value<QChar>().unicode();
    case TvdPropKind::Integer:
    case TvdPropKind::Int64:
        return v.toLongLong();
    case TvdPropKind::Enumeration:
    case TvdPropKind::Set:
        return rawToInt(v);
    default:
        return 0;
    }
}

void vdSetOrdProp(QObject *obj, const TvdPropInfo &info, qint64 value)
{
    const QMetaType t = info.prop.metaType();
    switch (info.kind) {
    case TvdPropKind::Boolean:
        if (t.id() == QMetaType::Bool) {
            bool b = value != 0;
            if (vdWritePropDirect(obj, info.prop, &b))
                return;
        }
        break;
    case TvdPropKind::Char:
        if (t.id() == QMetaType::QChar) {
            QChar c{char16_t(value)};
            if (vdWritePropDirect(obj, info.prop, &c))
                return;
        }
        break;
    case TvdPropKind::Integer:
    case TvdPropKind::Int64:
        if (t.id() == QMetaType::Int && value >= INT32_MIN && value <= INT32_MAX) {
            qint32 i = qint32(value);
            if (vdWritePropDirect(obj, info.prop, &i))
                return;
        }
        break;
    default:
        break;
    }
    QVariant v;
    switch (info.kind) {
    case TvdPropKind::Boolean:
        v = QVariant(value != 0);
        break;
    case TvdPropKind::Char:
        v = QVariant::fromValue(QChar(char16_t(value)));
        break;
    case TvdPropKind::Integer:
    case TvdPropKind::Int64:
        v = QVariant(value);
        v.convert(t);
        break;
    case TvdPropKind::Enumeration:
    case TvdPropKind::Set: {
        alignas(8) unsigned char buf[8] = {};
        const qsizetype size = t.sizeOf();
        if (size == 1) {
            const quint8 x = quint8(value);
            memcpy(buf, &x, 1);
        } else if (size == 2) {
            const quint16 x = quint16(value);
            memcpy(buf, &x, 2);
        } else if (size == 4) {
            const qint32 x = qint32(value);
            memcpy(buf, &x, 4);
        } else if (size == 8) {
            memcpy(buf, &value, 8);
        } else {
            return;
        }
        if (vdWritePropDirect(obj, info.prop, buf))
            return;
        v = QVariant(t, buf);
        break;
    }
    default:
        return;
    }
    info.prop.write(obj, v);
}

const QMetaObject *vdObjectPropClass(const TvdPropInfo &info)
{
    return info.kind == TvdPropKind::Object ? info.prop.metaType().metaObject() : nullptr;
}

TvdPersistent *vdGetObjectProp(const QObject *obj, const TvdPropInfo &info)
{
    if (info.kind != TvdPropKind::Object)
        return nullptr;
    const QVariant v = info.prop.read(obj);
    if (!v.isValid() || !(v.metaType().flags() & QMetaType::PointerToQObject))
        return nullptr;
    QObject *o = *static_cast<QObject *const *>(v.constData());
    return qobject_cast<TvdPersistent *>(o);
}

void vdSetObjectProp(QObject *obj, const TvdPropInfo &info, TvdPersistent *value)
{
    const QMetaObject *cls = vdObjectPropClass(info);
    if (!cls)
        return;
    if (value && !value->metaObject()->inherits(cls))
        throw EPropertyError(QStringLiteral("Invalid property value"));
    QObject *p = value;
    info.prop.write(obj, QVariant(info.prop.metaType(), &p));
}
