// Base-class bindings: lists, string lists, streams, components, collections
// and the script-side XML classes, with the small host classes behind them.
//
// Host classes keep C++ names of their own; the name scripts use is the class
// info "ScriptName" (see ovScriptClassName), so they never clash with the
// library's classes of the same script name (the INI files, the XML tree).
#pragma once
#include "core/vdPersistent.h"
#include "script/ov_irtti.h"

#include <QBuffer>
#include <QFile>
#include <QHash>
#include <QPointer>
#include <QStringList>
#include <memory>

class TovClassVariable;
class TovMethodHelper;
class TovXMLItem;
class TovXMLDocument;

// Raised by the base-class bindings (bad index, sorted-list misuse, files).
VD_DECLARE_EXCEPTION(EovBindingError, Exception)

// The name scripts know a class by: the platform name of a core base (TObject,
// TPersistent, TComponent, TCollection, TCollectionItem), else ovClassScriptName.
QString ovScriptClassName(const QMetaObject *meta);
// Registers a host class under the script name (AddClass for classes whose
// C++ name differs); nothing when the name is taken.
TovClassVariable *ovAddHostClass(TovScript *script, const QMetaObject *meta, const QString &scriptName,
                                 const QString &ancestor);

// Helpers of the binding modules' method callbacks.
// Raises "Object is not a <script name of want>", or "Object reference is nil".
[[noreturn]] void ovWrongObject(const QObject *obj, const QMetaObject *want);
// The instance or an argument as a T, else ovWrongObject.
template <class T>
T *ovNeed(QObject *obj)
{
    auto *t = qobject_cast<T *>(obj);
    if (!t)
        ovWrongObject(obj, &T::staticMetaObject);
    return t;
}
// Argument i of a call as a stream's device; raises "Stream is nil".
QIODevice &ovStreamArg(TovMethodHelper *caller, int i);

// ---------------------------------------------------------------------------
// A list of object references; freed objects read as nil.
class TovHostList : public QObject {
    Q_OBJECT
    Q_CLASSINFO("ScriptName", "TList")
public:
    Q_INVOKABLE TovHostList() = default;
    int Count() const { return int(m_items.size()); }
    QObject *Items(int index) const;
    void SetItems(int index, QObject *obj);
    int Add(QObject *obj);
    void Clear() { m_items.clear(); }
    void Delete(int index);
    int IndexOf(const QObject *obj) const;
    void Insert(int index, QObject *obj);
    int Remove(const QObject *obj);

private:
    void check(int index, int count) const;
    QList<QPointer<QObject>> m_items;
};

// A list of texts with an object per line.
class TovHostStrings : public TvdPersistent {
    Q_OBJECT
    Q_CLASSINFO("ScriptName", "TStrings")
public:
    Q_INVOKABLE TovHostStrings() = default;

    int Count() const { return int(m_lines.size()); }
    QString Strings(int index) const;
    virtual void SetStrings(int index, const QString &s);
    QObject *Objects(int index) const;
    void SetObjects(int index, QObject *obj);
    virtual int Add(const QString &s) { return AddObject(s, nullptr); }
    virtual int AddObject(const QString &s, QObject *obj);
    virtual void Clear();
    virtual void Delete(int index);
    virtual int IndexOf(const QString &s) const;
    int IndexOfName(const QString &name) const;
    int IndexOfObject(const QObject *obj) const;
    virtual void Insert(int index, const QString &s) { InsertObject(index, s, nullptr); }
    virtual void InsertObject(int index, const QString &s, QObject *obj);
    virtual void Move(int curIndex, int newIndex);

    QString Names(int index) const;
    QString Values(const QString &name) const;
    void SetValues(const QString &name, const QString &value);
    QString CommaText() const;
    void SetCommaText(const QString &text);
    // Lines each followed by CR LF.
    QString Text() const;
    void SetText(const QString &text);

    // UTF-8 (a byte-order mark is skipped); text that is not UTF-8 is read in
    // the ANSI code page. Saving writes UTF-8.
    void LoadFromStream(QIODevice &stream);
    void SaveToStream(QIODevice &stream) const;
    void LoadFromFile(const QString &fileName);
    void SaveToFile(const QString &fileName) const;

    QStringList Lines() const { return m_lines; }
    void SetLines(const QStringList &lines);
    void Assign(const TvdPersistent *source) override;

protected:
    void check(int index) const;
    virtual void replaceAll(const QStringList &lines);
    QStringList m_lines;
    QList<QPointer<QObject>> m_objects;
};

class TovHostStringList : public TovHostStrings {
    Q_OBJECT
    Q_CLASSINFO("ScriptName", "TStringList")
    Q_PROPERTY(TDuplicates Duplicates READ Duplicates WRITE SetDuplicates)
    Q_PROPERTY(bool Sorted READ Sorted WRITE SetSorted)
public:
    enum TDuplicates { dupIgnore, dupAccept, dupError };
    Q_ENUM(TDuplicates)
    Q_INVOKABLE TovHostStringList() = default;

    TDuplicates Duplicates() const { return m_duplicates; }
    void SetDuplicates(TDuplicates d) { m_duplicates = d; }
    bool Sorted() const { return m_sorted; }
    void SetSorted(bool sorted);

    // Binary search of a sorted list (letter case ignored); index receives
    // the position found or the place to insert.
    bool Find(const QString &s, int &index) const;
    void Sort();

    int AddObject(const QString &s, QObject *obj) override;
    int IndexOf(const QString &s) const override;
    void InsertObject(int index, const QString &s, QObject *obj) override;
    void SetStrings(int index, const QString &s) override;

protected:
    void replaceAll(const QStringList &lines) override;

private:
    TDuplicates m_duplicates = dupIgnore;
    bool m_sorted = false;
};

// ---------------------------------------------------------------------------
// Streams over a device; positions and sizes are 64-bit.
class TovHostStream : public QObject {
    Q_OBJECT
    Q_CLASSINFO("ScriptName", "TStream")
public:
    QIODevice *Device() const { return m_device; }

    // Up to count bytes, one character per byte.
    QString Read(qint64 count);
    // The low byte of each character, never more than the text holds.
    qint64 Write(const QString &buffer, qint64 count);
    qint64 Seek(qint64 offset, int origin);
    qint64 CopyFrom(TovHostStream *source, qint64 count);
    qint64 Position() const;
    void SetPosition(qint64 pos);
    qint64 Size() const;

protected:
    explicit TovHostStream(QIODevice *device) : m_device(device) {}
    bool m_canRead = true;
    bool m_canWrite = true;

private:
    QIODevice *m_device;
};

class TovHostMemoryStream : public TovHostStream {
    Q_OBJECT
    Q_CLASSINFO("ScriptName", "TMemoryStream")
public:
    Q_INVOKABLE TovHostMemoryStream();
    void Clear();
    // The whole source from its start.
    void LoadFromStream(QIODevice &source);
    void SaveToStream(QIODevice &dest) const;
    void LoadFromFile(const QString &fileName);
    void SaveToFile(const QString &fileName) const;
    const QByteArray &Bytes() const { return m_buffer.data(); }

private:
    QBuffer m_buffer;
};

class TovHostFileStream : public TovHostStream {
    Q_OBJECT
    Q_CLASSINFO("ScriptName", "TFileStream")
public:
    // Mode: fmCreate (0xFF00) creates or empties the file; otherwise the low
    // two bits choose read, write or both; share flags are accepted and ignored.
    TovHostFileStream(const QString &fileName, int mode);

private:
    QFile m_file;
};

// The device of a script stream object (nullptr for anything else).
QIODevice *ovStreamDevice(QObject *obj);

// ---------------------------------------------------------------------------
// Script view of an item of the script-side XML tree. An item made by a script
// is owned by its view until it joins a tree; freeing the view of an item in a
// tree removes the item. Views of items that go away are freed with them.
class TovHostXMLItem : public QObject {
    Q_OBJECT
    Q_CLASSINFO("ScriptName", "TovXMLItem")
public:
    Q_INVOKABLE TovHostXMLItem();
    ~TovHostXMLItem() override;
    TovXMLItem *Item() const { return m_item; }
    // The one view of an item (made on first request).
    static TovHostXMLItem *Wrap(TovXMLItem *item);
    // Frees the views of item and everything below it (before they go).
    static void ReleaseViews(TovXMLItem *item, bool includeSelf);
    // Refuses to put an item into itself, below itself, or a document's root anywhere.
    void InsertItem(int index, TovHostXMLItem *child);

private:
    friend class TovHostXMLDocument;
    explicit TovHostXMLItem(TovXMLItem *item);
    TovXMLItem *m_item;
};

class TovHostXMLDocument : public QObject {
    Q_OBJECT
    Q_CLASSINFO("ScriptName", "TovXMLDocument")
public:
    Q_INVOKABLE TovHostXMLDocument();
    ~TovHostXMLDocument() override;
    TovXMLDocument *Document() const { return m_doc.get(); }
    TovHostXMLItem *Root();
    void LoadFromStream(QIODevice &stream);
    void LoadFromFile(const QString &fileName);

private:
    std::unique_ptr<TovXMLDocument> m_doc;
};

// ---------------------------------------------------------------------------
// The module of the base classes.
class TovClassesFunctions : public TovRTTIModule {
public:
    explicit TovClassesFunctions(TovScript *aScript);
    static Variant CallMethod(QObject *instance, const QMetaObject *classType, const QString &methodName,
                              TovMethodHelper *caller);
    static Variant GetProp(QObject *instance, const QMetaObject *classType, const QString &propName);
    static void SetProp(QObject *instance, const QMetaObject *classType, const QString &propName, const Variant &value);
};

// Placeholder a host application can place on a form to pull the unit in.
class TovClassesRTTI : public TvdComponent {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TovClassesRTTI(TvdComponent *owner = nullptr) : TvdComponent(owner) {}
};
