// Turns component trees into XML items and back through their published
// properties: one element per component named after its class, properties as
// attributes (nested objects by dotted names), owned children as child
// elements, references resolved by name once the whole tree is read.
#pragma once
#include "core/vdCoreClasses.h"
#include "core/vdPersistent.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>

class QIODevice;
class TvdXMLItem;

// What report components add to the element encoding. A class that derives
// from TvdComponent and from this interface gets the compact forms: "l", "t",
// "w", "h" for its bounds, "x"/"u"/"Text" for memo text, nested content, the
// "being written" mark and the ancestor flag of inherited reports.
class IvdxSerializerHooks {
public:
    virtual ~IvdxSerializerHooks() = default;
    // The report itself: its Name attribute is ignored and it gets no Loaded.
    virtual bool vdxIsReport() const { return false; }
    // Accepts the one-letter bound attributes (l, t, w, h).
    virtual bool vdxHasBounds() const { return false; }
    virtual void vdxSetBound(char which, double value) { Q_UNUSED(which) Q_UNUSED(value) }
    // A memo view: its text is written as "Text" and read from "Text", "x", "u".
    virtual bool vdxIsMemoView() const { return false; }
    virtual QString vdxMemoText() const { return {}; }
    virtual void vdxSetMemoText(const QString &text) { Q_UNUSED(text) }
    // The component comes from an ancestor report.
    virtual bool vdxIsAncestor() const { return false; }
    // Marked while the serializer writes it.
    virtual void vdxSetWriting(bool writing) { Q_UNUSED(writing) }
    // Components that write and read some content themselves.
    virtual bool vdxHandlesNestedProperties() const { return false; }
    virtual void vdxWriteNestedProperties(TvdXMLItem *item, TvdPersistent *ancestor)
    {
        Q_UNUSED(item) Q_UNUSED(ancestor)
    }
    // True when the child item was taken as nested content.
    virtual bool vdxReadNestedProperty(TvdXMLItem *item) { Q_UNUSED(item) return false; }
    // True when this object, as the owner of a load, keeps the names of its
    // tree and of the components it owns indexed: Found is then the one of
    // that name (never the object itself). Otherwise the loader indexes them.
    virtual bool vdxFindByName(const QString &name, TvdComponent *&found) const
    {
        Q_UNUSED(name) Q_UNUSED(found) return false;
    }
};

struct TvdxFixupItem {
    QPointer<TvdPersistent> Obj;
    QString PropName;
    QString Value;
};

using TvdxGetAncestorEvent = std::function<void(const QString &name, TvdPersistent *&ancestor)>;
using TvdxGetCustomDataEvent = std::function<void(TvdXMLItem *item)>;
using TvdxSaveCustomDataEvent = std::function<void(TvdXMLItem *item)>;

class TvdxXMLSerializer {
public:
    explicit TvdxXMLSerializer(QIODevice *stream = nullptr);
    ~TvdxXMLSerializer();
    TvdxXMLSerializer(const TvdxXMLSerializer &) = delete;
    TvdxXMLSerializer &operator=(const TvdxXMLSerializer &) = delete;

    QIODevice *Stream() const { return m_stream; }
    TvdComponent *Owner() const { return m_owner; }
    void SetOwner(TvdComponent *owner) { m_owner = owner; }
    // Every failure met while reading, sorted, each message once.
    const QStringList &Errors() const { return m_errors; }
    void AddError(const QString &message);
    const QList<TvdxFixupItem> &Fixups() const { return m_fixups; }

    bool SerializeDefaultValues = false;
    bool OldFormat = false;
    bool HandleNestedProperties = false;
    bool SaveAncestorOnly = false;
    bool IgnoreName = false;
    TvdxGetAncestorEvent OnGetAncestor;
    TvdxGetCustomDataEvent OnGetCustomDataEvent;
    TvdxSaveCustomDataEvent OnSaveCustomDataEvent;

    // Attribute text of Obj: " name="value"" for each written property.
    QString ObjToXML(TvdPersistent *obj, const QString &add = QString(), TvdPersistent *ancestor = nullptr);
    // Applies attribute text to Obj; failures become lines in Errors.
    void XMLToObj(const QString &s, TvdPersistent *obj);

    // Reads a tree into Root from Item, or from Stream when Item is nothing.
    void ReadRootComponent(TvdComponent *root, TvdXMLItem *item = nullptr);
    // Writes Root (and its subtree) into Item, or to Stream when Item is nothing.
    void WriteRootComponent(TvdComponent *root, bool saveChildren = true, TvdXMLItem *item = nullptr);
    QString WriteComponentStr(TvdComponent *c, TvdPersistent *ancestor = nullptr);
    void WriteComponent(TvdComponent *c, TvdPersistent *ancestor = nullptr);
    // One component from "ClassName attributes"; nothing for an empty text.
    TvdComponent *ReadComponentStr(TvdComponent *root, const QString &s, bool dontFixup = false);
    TvdComponent *ReadComponent(TvdComponent *root);
    void ReadPersistentStr(TvdComponent *root, TvdPersistent *obj, const QString &s);
    void CopyFixupList(QList<TvdxFixupItem> *list) const;
    // Sets every pending reference that names a known component.
    void ResolveFixups();

private:
    struct LoadState;
    void readItem(TvdXMLItem *item, TvdComponent *parent, LoadState &state, int depth);
    void readChildren(TvdXMLItem *item, TvdComponent *comp, LoadState &state, int depth);
    void writeItem(TvdComponent *c, TvdXMLItem *item, bool saveChildren, int depth);
    // Hooks are those of Obj (looked up once per attribute text).
    void applyAttribute(TvdPersistent *obj, IvdxSerializerHooks *hooks, const QString &name, const QString &value);
    void finishLoading(LoadState &state);
    // Cls receives the registered class (nothing for "inherited").
    bool nameAccepted(const QString &name, const TvdClassInfo **cls = nullptr);

    QIODevice *m_stream = nullptr;
    QPointer<TvdComponent> m_owner;
    QStringList m_errors;
    QList<TvdxFixupItem> m_fixups;
    LoadState *m_loadState = nullptr;
};

// The name a reference to Obj is written with, seen from Root: empty when the
// reference cannot be written.
QString ComponentReferenceName(TvdComponent *root, TvdComponent *obj);

// Collections inside component elements: one "item" child per collection item.
void SaveCollectionToXMLItem(TvdBaseCollection *collection, const QString &name, TvdXMLItem *item,
                             bool createChild, TvdBaseCollection *ancestor, TvdComponent *component,
                             TvdxXMLSerializer *serializer = nullptr);
void LoadCollectionFromXMLItem(TvdBaseCollection *collection, TvdXMLItem *item, TvdComponent *component,
                               TvdBaseCollection *ancestor, TvdxXMLSerializer *serializer = nullptr);
