#include "script/ov_iclassesrtti.h"
#include "platform/AtomicFile.h"
#include "platform/CodePage.h"
#include "script/ov_iclasses.h"
#include "script/ov_xml.h"

#include <QRecursiveMutex>
#include <QSet>
#include <QStringDecoder>
#include <algorithm>

// ---------------------------------------------------------------------------
// Script class names.
QString ovScriptClassName(const QMetaObject *meta)
{
    // The core bases scripts know by their platform names.
    static const std::pair<const QMetaObject *, const char *> bases[] = {
        {&QObject::staticMetaObject, "TObject"},
        {&TvdPersistent::staticMetaObject, "TPersistent"},
        {&TvdComponent::staticMetaObject, "TComponent"},
        {&TvdBaseCollection::staticMetaObject, "TCollection"},
        {&TvdBaseCollectionItem::staticMetaObject, "TCollectionItem"}};
    for (const auto &[m, name] : bases)
        if (m == meta)
            return QString::fromLatin1(name);
    return ovClassScriptName(meta);
}

namespace {
// Whole-file load and atomic save of the list and stream classes.
template <class Load>
void loadFromFile(const QString &fileName, Load load)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        throw EovBindingError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, f.errorString()));
    load(f);
}

template <class Save>
void saveToFile(const QString &fileName, Save save)
{
    vdRaiseSaveError<EovBindingError, EovBindingError>(fileName, vdAtomicSave(fileName, save));
}

// A class item under a name of its own choosing.
class TovNamedClassVariable : public TovClassVariable {
public:
    TovNamedClassVariable(const QMetaObject *meta, const QString &name, const QString &ancestor, TovScript *program)
        : TovClassVariable(meta, ancestor, program)
    {
        m_name = name;
        m_upperName = name.toUpper();
        TypeName = name;
    }
};
} // namespace

TovClassVariable *ovAddHostClass(TovScript *script, const QMetaObject *meta, const QString &scriptName,
                                 const QString &ancestor)
{
    if (scriptName == QLatin1String(meta->className()))
        return script->AddClass(meta, ancestor);
    if (script->Find(scriptName))
        return nullptr;
    auto *cls = new TovNamedClassVariable(meta, scriptName, ancestor, script);
    if (TovClassVariable *ac = script->FindClass(ancestor))
        cls->DefProperty = ac->DefProperty;
    script->Add(scriptName, cls);
    return cls;
}

void ovWrongObject(const QObject *obj, const QMetaObject *want)
{
    throw EovClassError(obj ? QStringLiteral("Object is not a %1").arg(ovScriptClassName(want))
                            : QStringLiteral("Object reference is nil"));
}

QIODevice &ovStreamArg(TovMethodHelper *caller, int i)
{
    QIODevice *d = ovStreamDevice(ovValueToObject(caller->GetVParam(i)));
    if (!d)
        throw EovClassError(QStringLiteral("Stream is nil"));
    return *d;
}

namespace {
[[noreturn]] void listIndexError(int index)
{
    throw EovBindingError(QStringLiteral("List index out of bounds (%1)").arg(index));
}
} // namespace

// ---------------------------------------------------------------------------
void TovHostList::check(int index, int count) const
{
    if (index < 0 || index >= count)
        listIndexError(index);
}

QObject *TovHostList::Items(int index) const
{
    check(index, Count());
    return m_items.at(index).data();
}

void TovHostList::SetItems(int index, QObject *obj)
{
    check(index, Count());
    m_items[index] = obj;
}

int TovHostList::Add(QObject *obj)
{
    m_items.append(obj);
    return Count() - 1;
}

void TovHostList::Delete(int index)
{
    check(index, Count());
    m_items.removeAt(index);
}

int TovHostList::IndexOf(const QObject *obj) const
{
    for (int i = 0; i < Count(); ++i)
        if (m_items.at(i).data() == obj)
            return i;
    return -1;
}

void TovHostList::Insert(int index, QObject *obj)
{
    check(index, Count() + 1);
    m_items.insert(index, obj);
}

int TovHostList::Remove(const QObject *obj)
{
    const int i = IndexOf(obj);
    if (i >= 0)
        m_items.removeAt(i);
    return i;
}

// ---------------------------------------------------------------------------
void TovHostStrings::check(int index) const
{
    if (index < 0 || index >= Count())
        listIndexError(index);
}

QString TovHostStrings::Strings(int index) const
{
    check(index);
    return m_lines.at(index);
}

void TovHostStrings::SetStrings(int index, const QString &s)
{
    check(index);
    m_lines[index] = s;
}

QObject *TovHostStrings::Objects(int index) const
{
    check(index);
    return m_objects.at(index).data();
}

void TovHostStrings::SetObjects(int index, QObject *obj)
{
    check(index);
    m_objects[index] = obj;
}

int TovHostStrings::AddObject(const QString &s, QObject *obj)
{
    InsertObject(Count(), s, obj);
    return Count() - 1;
}

void TovHostStrings::Clear()
{
    m_lines.clear();
    m_objects.clear();
}

void TovHostStrings::Delete(int index)
{
    check(index);
    m_lines.removeAt(index);
    m_objects.removeAt(index);
}

int TovHostStrings::IndexOf(const QString &s) const
{
    for (int i = 0; i < Count(); ++i)
        if (m_lines.at(i).compare(s, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int TovHostStrings::IndexOfName(const QString &name) const
{
    for (int i = 0; i < Count(); ++i) {
        const qsizetype eq = m_lines.at(i).indexOf(QLatin1Char('='));
        if (eq >= 0 && QStringView(m_lines.at(i)).left(eq).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int TovHostStrings::IndexOfObject(const QObject *obj) const
{
    for (int i = 0; i < Count(); ++i)
        if (m_objects.at(i).data() == obj)
            return i;
    return -1;
}

void TovHostStrings::InsertObject(int index, const QString &s, QObject *obj)
{
    if (index < 0 || index > Count())
        listIndexError(index);
    m_lines.insert(index, s);
    m_objects.insert(index, obj);
}

void TovHostStrings::Move(int curIndex, int newIndex)
{
    if (curIndex == newIndex)
        return;
    check(curIndex);
    check(newIndex);
    m_lines.move(curIndex, newIndex);
    m_objects.move(curIndex, newIndex);
}

QString TovHostStrings::Names(int index) const
{
    const QString &s = Strings(index);
    const qsizetype eq = s.indexOf(QLatin1Char('='));
    return eq >= 0 ? s.left(eq) : QString();
}

QString TovHostStrings::Values(const QString &name) const
{
    const int i = IndexOfName(name);
    return i >= 0 ? m_lines.at(i).mid(m_lines.at(i).indexOf(QLatin1Char('=')) + 1) : QString();
}

void TovHostStrings::SetValues(const QString &name, const QString &value)
{
    const int i = IndexOfName(name);
    if (value.isEmpty()) {
        if (i >= 0)
            Delete(i);
        return;
    }
    if (i >= 0)
        SetStrings(i, name + QLatin1Char('=') + value);
    else
        Add(name + QLatin1Char('=') + value);
}

QString TovHostStrings::CommaText() const
{
    QStringList parts;
    for (const QString &s : m_lines) {
        bool quote = s.isEmpty();
        for (QChar c : s)
            if (c.unicode() <= 32 || c == QLatin1Char(',') || c == QLatin1Char('"')) {
                quote = true;
                break;
            }
        if (quote) {
            QString q = s;
            q.replace(QLatin1String("\""), QLatin1String("\"\""));
            parts << QLatin1Char('"') + q + QLatin1Char('"');
        } else {
            parts << s;
        }
    }
    // A single empty line is written as an empty pair of quotes.
    return parts.join(QLatin1Char(','));
}

void TovHostStrings::SetCommaText(const QString &text)
{
    QStringList out;
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto skipBlanks = [&] {
        while (i < n && text.at(i).unicode() <= 32)
            ++i;
    };
    skipBlanks();
    while (i < n) {
        QString item;
        if (text.at(i) == QLatin1Char('"')) {
            ++i;
            while (i < n) {
                if (text.at(i) == QLatin1Char('"')) {
                    if (i + 1 < n && text.at(i + 1) == QLatin1Char('"')) {
                        item += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += text.at(i++);
            }
        } else {
            while (i < n && text.at(i).unicode() > 32 && text.at(i) != QLatin1Char(','))
                item += text.at(i++);
        }
        out << item;
        skipBlanks();
        if (i < n && text.at(i) == QLatin1Char(',')) {
            ++i;
            skipBlanks();
            if (i >= n)
                out << QString();
        }
    }
    replaceAll(out);
}

QString TovHostStrings::Text() const
{
    QString r;
    for (const QString &s : m_lines)
        r += s + QLatin1String("\r\n");
    return r;
}

void TovHostStrings::SetText(const QString &text)
{
    QStringList out;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            out << text.mid(start, i - start);
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            start = i + 1;
        }
    }
    if (start < text.size())
        out << text.mid(start);
    replaceAll(out);
}

void TovHostStrings::SetLines(const QStringList &lines) { replaceAll(lines); }

void TovHostStrings::replaceAll(const QStringList &lines)
{
    m_lines = lines;
    m_objects = QList<QPointer<QObject>>(lines.size());
}

void TovHostStrings::LoadFromStream(QIODevice &stream)
{
    QByteArray bytes = stream.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    if (utf8.hasError())
        text = DecodeAnsi(bytes);
    SetText(text);
}

void TovHostStrings::SaveToStream(QIODevice &stream) const
{
    const QByteArray bytes = Text().toUtf8();
    if (stream.write(bytes) != bytes.size())
        throw EovBindingError(QStringLiteral("Stream write error"));
}

void TovHostStrings::LoadFromFile(const QString &fileName)
{
    loadFromFile(fileName, [this](QIODevice &f) { LoadFromStream(f); });
}

void TovHostStrings::SaveToFile(const QString &fileName) const
{
    saveToFile(fileName, [this](QIODevice &f) { SaveToStream(f); });
}

void TovHostStrings::Assign(const TvdPersistent *source)
{
    if (auto *src = qobject_cast<const TovHostStrings *>(source)) {
        if (src == this)
            return;
        replaceAll(src->m_lines);
        m_objects = src->m_objects;
        return;
    }
    TvdPersistent::Assign(source);
}

// ---------------------------------------------------------------------------
namespace {
int compareText(const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive); }
} // namespace

void TovHostStringList::SetSorted(bool sorted)
{
    if (sorted && !m_sorted)
        Sort();
    m_sorted = sorted;
}

bool TovHostStringList::Find(const QString &s, int &index) const
{
    int lo = 0, hi = Count() - 1;
    bool found = false;
    while (lo <= hi) {
        const int mid = (lo + hi) / 2;
        const int c = compareText(m_lines.at(mid), s);
        if (c < 0) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
            if (c == 0) {
                found = true;
                // Duplicates accepted: the first of the equal ones.
                if (m_duplicates != dupAccept)
                    lo = mid;
            }
        }
    }
    index = lo;
    return found;
}

void TovHostStringList::Sort()
{
    QList<int> order(Count());
    for (int i = 0; i < Count(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [this](int a, int b) { return compareText(m_lines.at(a), m_lines.at(b)) < 0; });
    QStringList lines;
    QList<QPointer<QObject>> objects;
    for (int i : order) {
        lines << m_lines.at(i);
        objects << m_objects.at(i);
    }
    m_lines = lines;
    m_objects = objects;
}

int TovHostStringList::AddObject(const QString &s, QObject *obj)
{
    if (!m_sorted)
        return TovHostStrings::AddObject(s, obj);
    int index = 0;
    if (Find(s, index)) {
        if (m_duplicates == dupIgnore)
            return index;
        if (m_duplicates == dupError)
            throw EovBindingError(QStringLiteral("String list does not allow duplicates"));
        // Accepted: after the equal ones.
        while (index < Count() && compareText(m_lines.at(index), s) == 0)
            ++index;
    }
    TovHostStrings::InsertObject(index, s, obj);
    return index;
}

int TovHostStringList::IndexOf(const QString &s) const
{
    if (!m_sorted)
        return TovHostStrings::IndexOf(s);
    int index = 0;
    return Find(s, index) ? index : -1;
}

void TovHostStringList::InsertObject(int index, const QString &s, QObject *obj)
{
    if (m_sorted)
        throw EovBindingError(QStringLiteral("Operation not allowed on sorted list"));
    TovHostStrings::InsertObject(index, s, obj);
}

void TovHostStringList::SetStrings(int index, const QString &s)
{
    if (m_sorted)
        throw EovBindingError(QStringLiteral("Operation not allowed on sorted list"));
    TovHostStrings::SetStrings(index, s);
}

void TovHostStringList::replaceAll(const QStringList &lines)
{
    TovHostStrings::replaceAll(lines);
    if (m_sorted)
        Sort();
}

// ---------------------------------------------------------------------------
QString TovHostStream::Read(qint64 count)
{
    if (count <= 0 || !m_canRead)
        return QString();
    const qint64 left = std::max<qint64>(0, m_device->size() - m_device->pos());
    const QByteArray bytes = m_device->read(std::min(count, left));
    return QString::fromLatin1(bytes);
}

qint64 TovHostStream::Write(const QString &buffer, qint64 count)
{
    // Never more bytes than the text has characters.
    count = std::min<qint64>(count, buffer.size());
    if (count <= 0 || !m_canWrite)
        return 0;
    QByteArray bytes(count, Qt::Uninitialized);
    for (qint64 i = 0; i < count; ++i)
        bytes[i] = char(buffer.at(i).unicode() & 0xFF);
    const qint64 n = m_device->write(bytes);
    return n < 0 ? 0 : n;
}

qint64 TovHostStream::Seek(qint64 offset, int origin)
{
    qint64 base = 0;
    if (origin == 1)
        base = m_device->pos();
    else if (origin == 2)
        base = m_device->size();
    SetPosition(base + offset);
    return m_device->pos();
}

void TovHostStream::SetPosition(qint64 pos)
{
    if (pos < 0)
        pos = 0;
    // A buffer pads with zeros when sought past its end; leave the size alone.
    if (auto *buf = qobject_cast<QBuffer *>(m_device); buf && pos > buf->size())
        pos = buf->size();
    m_device->seek(pos);
}

qint64 TovHostStream::Position() const { return m_device->pos(); }
qint64 TovHostStream::Size() const { return m_device->size(); }

qint64 TovHostStream::CopyFrom(TovHostStream *source, qint64 count)
{
    if (!source)
        throw EovBindingError(QStringLiteral("CopyFrom: no source stream"));
    constexpr qint64 BufSize = 0x100000;
    qint64 done = 0;
    if (!source->m_canRead || !m_canWrite)
        return 0;
    while (done < count) {
        const QByteArray chunk = source->Device()->read(std::min(BufSize, count - done));
        if (chunk.isEmpty())
            break;
        const qint64 n = m_device->write(chunk);
        if (n > 0)
            done += n;
        if (n < chunk.size())
            break;
    }
    return done;
}

QIODevice *ovStreamDevice(QObject *obj)
{
    auto *s = qobject_cast<TovHostStream *>(obj);
    return s ? s->Device() : nullptr;
}

TovHostMemoryStream::TovHostMemoryStream() : TovHostStream(&m_buffer)
{
    m_buffer.open(QIODevice::ReadWrite);
}

void TovHostMemoryStream::Clear()
{
    m_buffer.close();
    m_buffer.setData(QByteArray());
    m_buffer.open(QIODevice::ReadWrite);
}

void TovHostMemoryStream::LoadFromStream(QIODevice &source)
{
    if (&source == &m_buffer)
        return;
    source.seek(0);
    const QByteArray bytes = source.readAll();
    m_buffer.close();
    m_buffer.setData(bytes);
    m_buffer.open(QIODevice::ReadWrite);
}

void TovHostMemoryStream::SaveToStream(QIODevice &dest) const
{
    if (&dest == &m_buffer)
        return;
    if (dest.write(m_buffer.data()) != m_buffer.data().size())
        throw EovBindingError(QStringLiteral("Stream write error"));
}

void TovHostMemoryStream::LoadFromFile(const QString &fileName)
{
    loadFromFile(fileName, [this](QIODevice &f) { LoadFromStream(f); });
}

void TovHostMemoryStream::SaveToFile(const QString &fileName) const
{
    saveToFile(fileName, [this](QIODevice &f) { SaveToStream(f); });
}

TovHostFileStream::TovHostFileStream(const QString &fileName, int mode) : TovHostStream(&m_file), m_file(fileName)
{
    if ((mode & 0xFF00) == 0xFF00) {
        if (!m_file.open(QIODevice::ReadWrite | QIODevice::Truncate))
            throw EovBindingError(QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, m_file.errorString()));
        return;
    }
    const int access = mode & 3;
    m_canRead = access != 1;
    m_canWrite = access != 0;
    // Opening for writing alone must neither empty nor create the file.
    const QIODevice::OpenMode qm =
        (access == 0 ? QIODevice::ReadOnly : QIODevice::ReadWrite) | QIODevice::ExistingOnly;
    if (access == 3 || !m_file.open(qm))
        throw EovBindingError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, m_file.errorString()));
}

// ---------------------------------------------------------------------------
namespace {
// Programs on different threads may share these tables.
QRecursiveMutex gXmlViewsLock;
QHash<const TovXMLItem *, TovHostXMLItem *> &xmlViews()
{
    static QHash<const TovXMLItem *, TovHostXMLItem *> views;
    return views;
}
QSet<const TovXMLItem *> &xmlDocRoots()
{
    static QSet<const TovXMLItem *> roots;
    return roots;
}
} // namespace

TovHostXMLItem::TovHostXMLItem() : m_item(new TovXMLItem)
{
    QMutexLocker lock(&gXmlViewsLock);
    xmlViews().insert(m_item, this);
}

TovHostXMLItem::TovHostXMLItem(TovXMLItem *item) : m_item(item)
{
    QMutexLocker lock(&gXmlViewsLock);
    xmlViews().insert(m_item, this);
}

TovHostXMLItem::~TovHostXMLItem()
{
    if (!m_item)
        return;
    QMutexLocker lock(&gXmlViewsLock);
    xmlViews().remove(m_item);
    if (xmlDocRoots().contains(m_item))
        return;
    ReleaseViews(m_item, false);
    delete m_item;  // leaves its parent's list
}

TovHostXMLItem *TovHostXMLItem::Wrap(TovXMLItem *item)
{
    if (!item)
        return nullptr;
    QMutexLocker lock(&gXmlViewsLock);
    if (TovHostXMLItem *v = xmlViews().value(item))
        return v;
    return new TovHostXMLItem(item);
}

void TovHostXMLItem::ReleaseViews(TovXMLItem *item, bool includeSelf)
{
    QMutexLocker lock(&gXmlViewsLock);
    for (int i = 0; i < item->Count(); ++i)
        ReleaseViews(item->Items(i), true);
    if (includeSelf)
        if (TovHostXMLItem *v = xmlViews().take(item)) {
            v->m_item = nullptr;
            delete v;
        }
}

void TovHostXMLItem::InsertItem(int index, TovHostXMLItem *child)
{
    if (!child || !child->m_item || !m_item)
        throw EovBindingError(QStringLiteral("XML item is nil"));
    for (TovXMLItem *p = m_item; p; p = p->Parent())
        if (p == child->m_item)
            throw EovBindingError(QStringLiteral("Cannot add an XML item to itself or to one of its own items"));
    QMutexLocker lock(&gXmlViewsLock);
    if (xmlDocRoots().contains(child->m_item))
        throw EovBindingError(QStringLiteral("Cannot add the root of a document to another item"));
    m_item->InsertItem(index, child->m_item);
}

TovHostXMLDocument::TovHostXMLDocument() : m_doc(std::make_unique<TovXMLDocument>())
{
    QMutexLocker lock(&gXmlViewsLock);
    xmlDocRoots().insert(m_doc->Root());
}

TovHostXMLDocument::~TovHostXMLDocument()
{
    QMutexLocker lock(&gXmlViewsLock);
    TovHostXMLItem::ReleaseViews(m_doc->Root(), true);
    xmlDocRoots().remove(m_doc->Root());
}

TovHostXMLItem *TovHostXMLDocument::Root()
{
    TovHostXMLItem *v = TovHostXMLItem::Wrap(m_doc->Root());
    // The document frees its root's view; a script cannot.
    if (!v->parent())
        v->setParent(this);
    return v;
}

void TovHostXMLDocument::LoadFromStream(QIODevice &stream)
{
    TovHostXMLItem::ReleaseViews(m_doc->Root(), false);
    m_doc->LoadFromStream(stream);
}

void TovHostXMLDocument::LoadFromFile(const QString &fileName)
{
    TovHostXMLItem::ReleaseViews(m_doc->Root(), false);
    m_doc->LoadFromFile(fileName);
}

// ---------------------------------------------------------------------------
// The module.
namespace {
QString PS(TovMethodHelper *c, int i) { return VarToStr(c->GetVParam(i)); }
int PI(TovMethodHelper *c, int i) { return c->GetVParam(i).toInt(); }
qint64 PL(TovMethodHelper *c, int i) { return c->GetVParam(i).toInt64(); }
QObject *PO(TovMethodHelper *c, int i) { return ovValueToObject(c->GetVParam(i)); }

Variant objectValue(QObject *obj) { return obj ? Variant::fromObject(obj) : Variant(0); }

QObject *construct(QObject *instance, const QMetaObject *cls, TovMethodHelper *c)
{
    if (instance)
        return instance;
    if (cls == &TovHostFileStream::staticMetaObject || c->ClassRef == &TovHostFileStream::staticMetaObject) {
        if (cls != &TovHostFileStream::staticMetaObject)
            throw EovClassError(QStringLiteral("Cannot create an instance of %1").arg(ovScriptClassName(cls)));
        return new TovHostFileStream(PS(c, 0), PI(c, 1));
    }
    if (cls == &QObject::staticMetaObject)
        return new QObject;
    if (cls->inherits(&TvdComponent::staticMetaObject)) {
        TvdComponent *owner = nullptr;
        if (c->ClassRef == &TvdComponent::staticMetaObject && c->ParamCount() > 0)
            if (QObject *o = PO(c, 0))
                owner = ovNeed<TvdComponent>(o);
        if (cls == &TvdComponent::staticMetaObject)
            return new TvdComponent(owner);
        if (QObject *o = cls->newInstance(Q_ARG(TvdComponent *, owner)))
            return o;
        if (!owner)
            if (QObject *o = cls->newInstance())
                return o;
    } else if (QObject *o = cls->newInstance()) {
        return o;
    }
    throw EovClassError(QStringLiteral("Cannot create an instance of %1").arg(ovScriptClassName(cls)));
}

const QMetaObject *const mObject = &QObject::staticMetaObject;
const QMetaObject *const mPersistent = &TvdPersistent::staticMetaObject;
const QMetaObject *const mCollectionItem = &TvdBaseCollectionItem::staticMetaObject;
const QMetaObject *const mCollection = &TvdBaseCollection::staticMetaObject;
const QMetaObject *const mList = &TovHostList::staticMetaObject;
const QMetaObject *const mStrings = &TovHostStrings::staticMetaObject;
const QMetaObject *const mStringList = &TovHostStringList::staticMetaObject;
const QMetaObject *const mStream = &TovHostStream::staticMetaObject;
const QMetaObject *const mFileStream = &TovHostFileStream::staticMetaObject;
const QMetaObject *const mMemoryStream = &TovHostMemoryStream::staticMetaObject;
const QMetaObject *const mComponent = &TvdComponent::staticMetaObject;
const QMetaObject *const mXMLItem = &TovHostXMLItem::staticMetaObject;
const QMetaObject *const mXMLDocument = &TovHostXMLDocument::staticMetaObject;

bool is(const QString &name, const char *s) { return name == QLatin1String(s); }
} // namespace

TovClassesFunctions::TovClassesFunctions(TovScript *aScript) : TovRTTIModule(aScript)
{
    TovScript *s = aScript;
    const QString I = QStringLiteral("Integer");
    const std::pair<const char *, int> consts[] = {
        {"fmCreate", 0xFF00},         {"fmOpenRead", 0},        {"fmOpenWrite", 1},
        {"fmOpenReadWrite", 2},       {"fmShareExclusive", 16}, {"fmShareDenyWrite", 32},
        {"fmShareDenyNone", 64},      {"soFromBeginning", 0},   {"soFromCurrent", 1},
        {"soFromEnd", 2}};
    for (const auto &[name, value] : consts)
        s->AddConst(QString::fromLatin1(name), I, Variant(value));
    s->AddEnum(QStringLiteral("TDuplicates"), QStringLiteral("dupIgnore, dupAccept, dupError"));
    s->AddEnum(QStringLiteral("TPrinterOrientation"), QStringLiteral("poPortrait, poLandscape"));

    const TovCallMethodNewEvent call = &TovClassesFunctions::CallMethod;
    const TovGetValueEvent get = &TovClassesFunctions::GetProp;
    const TovSetValueEvent set = &TovClassesFunctions::SetProp;
    auto add = [s](const QMetaObject *meta, const char *name, const char *ancestor) {
        return ovAddHostClass(s, meta, QString::fromLatin1(name), QString::fromLatin1(ancestor));
    };
    auto S = [](const char *t) { return QString::fromLatin1(t); };

    if (TovClassVariable *c = add(mObject, "TObject", "")) {
        c->AddConstructor(S("constructor Create"), call);
        c->AddMethod(S("procedure Free"), call);
        c->AddMethod(S("function ClassName: String"), call);
    }
    if (TovClassVariable *c = add(mPersistent, "TPersistent", "TObject"))
        c->AddMethod(S("procedure Assign(Source: TPersistent)"), call);
    add(mCollectionItem, "TCollectionItem", "TPersistent");
    if (TovClassVariable *c = add(mCollection, "TCollection", "TPersistent")) {
        c->AddMethod(S("procedure Clear"), call);
        c->AddProperty(S("Count"), I, get);
        c->AddDefaultProperty(S("Items"), I, S("TCollectionItem"), call, true);
    }
    if (TovClassVariable *c = add(mList, "TList", "TObject")) {
        c->AddMethod(S("function Add(Item: TObject): Integer"), call);
        c->AddMethod(S("procedure Clear"), call);
        c->AddMethod(S("procedure Delete(Index: Integer)"), call);
        c->AddMethod(S("function IndexOf(Item: TObject): Integer"), call);
        c->AddMethod(S("procedure Insert(Index: Integer; Item: TObject)"), call);
        c->AddMethod(S("function Remove(Item: TObject): Integer"), call);
        c->AddProperty(S("Count"), I, get);
        c->AddDefaultProperty(S("Items"), I, S("TObject"), call);
    }
    if (TovClassVariable *c = add(mStrings, "TStrings", "TPersistent")) {
        c->AddConstructor(S("constructor Create"), call);
        c->AddMethod(S("function Add(const S: string): Integer"), call);
        c->AddMethod(S("function AddObject(const S: string; AObject: TObject): Integer"), call);
        c->AddMethod(S("procedure Clear"), call);
        c->AddMethod(S("procedure Delete(Index: Integer)"), call);
        c->AddMethod(S("function IndexOf(const S: string): Integer"), call);
        c->AddMethod(S("function IndexOfName(const Name: string): Integer"), call);
        c->AddMethod(S("function IndexOfObject(AObject: TObject): Integer"), call);
        c->AddMethod(S("procedure Insert(Index: Integer; const S: string)"), call);
        c->AddMethod(S("procedure InsertObject(Index: Integer; const S: string; AObject: TObject)"), call);
        c->AddMethod(S("procedure LoadFromFile(const FileName: string)"), call);
        c->AddMethod(S("procedure LoadFromStream(Stream: TStream)"), call);
        c->AddMethod(S("procedure SaveToFile(const FileName: string)"), call);
        c->AddMethod(S("procedure Move(CurIndex, NewIndex: Integer)"), call);
        c->AddMethod(S("procedure SaveToStream(Stream: TStream)"), call);
        c->AddProperty(S("CommaText"), S("string"), get, set);
        c->AddProperty(S("Count"), I, get);
        c->AddIndexProperty(S("Names"), I, S("string"), call, true);
        c->AddIndexProperty(S("Objects"), I, S("TObject"), call);
        c->AddIndexProperty(S("Values"), S("String"), S("string"), call);
        c->AddDefaultProperty(S("Strings"), I, S("string"), call);
        c->AddProperty(S("Text"), S("string"), get, set);
    }
    if (TovClassVariable *c = add(mStringList, "TStringList", "TStrings")) {
        c->AddMethod(S("function Find(s: String; var Index: Integer): Boolean"), call);
        c->AddMethod(S("procedure Sort"), call);
    }
    if (TovClassVariable *c = add(mStream, "TStream", "TObject")) {
        c->AddMethod(S("function Read(var Buffer: string; Count: Longint): Longint"), call);
        c->AddMethod(S("function Write(Buffer: string; Count: Longint): Longint"), call);
        c->AddMethod(S("function Seek(Offset: Longint; Origin: Word): Longint"), call);
        c->AddMethod(S("function CopyFrom(Source: TStream; Count: Longint): Longint"), call);
        c->AddProperty(S("Position"), S("Longint"), get, set);
        c->AddProperty(S("Size"), S("Longint"), get);
    }
    if (TovClassVariable *c = add(mFileStream, "TFileStream", "TStream"))
        c->AddConstructor(S("constructor Create(Filename: String; Mode: Word)"), call);
    if (TovClassVariable *c = add(mMemoryStream, "TMemoryStream", "TStream")) {
        c->AddMethod(S("procedure Clear"), call);
        c->AddMethod(S("procedure LoadFromStream(Stream: TStream)"), call);
        c->AddMethod(S("procedure LoadFromFile(Filename: String)"), call);
        c->AddMethod(S("procedure SaveToStream(Stream: TStream)"), call);
        c->AddMethod(S("procedure SaveToFile(Filename: String)"), call);
    }
    if (TovClassVariable *c = add(mComponent, "TComponent", "TPersistent")) {
        c->AddConstructor(S("constructor Create(AOwner: TComponent)"), call);
        c->AddProperty(S("Owner"), S("TComponent"), get);
    }
    if (TovClassVariable *c = add(mXMLItem, "TovXMLItem", "TObject")) {
        c->AddConstructor(S("constructor Create"), call);
        c->AddMethod(S("procedure AddItem(Item: TovXMLItem)"), call);
        c->AddMethod(S("procedure Clear"), call);
        c->AddMethod(S("procedure InsertItem(Index: Integer; Item: TovXMLItem)"), call);
        c->AddMethod(S("function Add: TovXMLItem"), call);
        c->AddMethod(S("function Find(const Name: String): Integer"), call);
        c->AddMethod(S("function FindItem(const Name: String): TovXMLItem"), call);
        c->AddMethod(S("function Root: TovXMLItem"), call);
        c->AddProperty(S("Data"), I, get, set);
        c->AddProperty(S("Count"), I, get);
        c->AddDefaultProperty(S("Items"), I, S("TovXMLItem"), call, true);
        c->AddIndexProperty(S("Prop"), S("String"), S("String"), call);
        c->AddProperty(S("Name"), S("String"), get, set);
        c->AddProperty(S("Parent"), S("TovXMLItem"), get);
        c->AddProperty(S("Text"), S("String"), get, set);
    }
    if (TovClassVariable *c = add(mXMLDocument, "TovXMLDocument", "TObject")) {
        c->AddConstructor(S("constructor Create"), call);
        c->AddMethod(S("procedure SaveToStream(Stream: TStream)"), call);
        c->AddMethod(S("procedure LoadFromStream(Stream: TStream)"), call);
        c->AddMethod(S("procedure SaveToFile(const FileName: String)"), call);
        c->AddMethod(S("procedure LoadFromFile(const FileName: String)"), call);
        c->AddProperty(S("Root"), S("TovXMLItem"), get);
    }
}

Variant TovClassesFunctions::CallMethod(QObject *instance, const QMetaObject *classType, const QString &name,
                                        TovMethodHelper *c)
{
    Variant result(0);
    if (c->Typ == fvtConstructor && is(name, "CREATE"))
        return Variant::fromObject(construct(instance, classType, c));

    if (classType == mObject) {
        if (is(name, "FREE")) {
            ovFreeObject(objectValue(instance));
        } else if (is(name, "CLASSNAME")) {
            result = Variant(ovScriptClassName(ovNeed<QObject>(instance)->metaObject()));
        }
    } else if (classType == mPersistent) {
        if (is(name, "ASSIGN"))
            ovNeed<TvdPersistent>(instance)->Assign(qobject_cast<TvdPersistent *>(PO(c, 0)));
    } else if (classType == mCollection) {
        auto *col = ovNeed<TvdBaseCollection>(instance);
        if (is(name, "CLEAR")) {
            col->Clear();
        } else if (is(name, "ITEMS.GET")) {
            const int i = PI(c, 0);
            if (i < 0 || i >= col->Count())
                listIndexError(i);
            result = objectValue(col->Items(i));
        }
    } else if (classType == mList) {
        auto *l = ovNeed<TovHostList>(instance);
        if (is(name, "ADD"))
            result = Variant(l->Add(PO(c, 0)));
        else if (is(name, "CLEAR"))
            l->Clear();
        else if (is(name, "DELETE"))
            l->Delete(PI(c, 0));
        else if (is(name, "INDEXOF"))
            result = Variant(l->IndexOf(PO(c, 0)));
        else if (is(name, "INSERT"))
            l->Insert(PI(c, 0), PO(c, 1));
        else if (is(name, "REMOVE"))
            result = Variant(l->Remove(PO(c, 0)));
        else if (is(name, "ITEMS.GET"))
            result = objectValue(l->Items(PI(c, 0)));
        else if (is(name, "ITEMS.SET"))
            l->SetItems(PI(c, 0), PO(c, 1));
    } else if (classType == mStrings) {
        auto *l = ovNeed<TovHostStrings>(instance);
        if (is(name, "ADD"))
            result = Variant(l->Add(PS(c, 0)));
        else if (is(name, "ADDOBJECT"))
            result = Variant(l->AddObject(PS(c, 0), PO(c, 1)));
        else if (is(name, "CLEAR"))
            l->Clear();
        else if (is(name, "DELETE"))
            l->Delete(PI(c, 0));
        else if (is(name, "INDEXOF"))
            result = Variant(l->IndexOf(PS(c, 0)));
        else if (is(name, "INDEXOFNAME"))
            result = Variant(l->IndexOfName(PS(c, 0)));
        else if (is(name, "INDEXOFOBJECT"))
            result = Variant(l->IndexOfObject(PO(c, 0)));
        else if (is(name, "INSERT"))
            l->Insert(PI(c, 0), PS(c, 1));
        else if (is(name, "INSERTOBJECT"))
            l->InsertObject(PI(c, 0), PS(c, 1), PO(c, 2));
        else if (is(name, "LOADFROMFILE"))
            l->LoadFromFile(PS(c, 0));
        else if (is(name, "LOADFROMSTREAM"))
            l->LoadFromStream(ovStreamArg(c, 0));
        else if (is(name, "SAVETOFILE"))
            l->SaveToFile(PS(c, 0));
        else if (is(name, "MOVE"))
            l->Move(PI(c, 0), PI(c, 1));
        else if (is(name, "SAVETOSTREAM"))
            l->SaveToStream(ovStreamArg(c, 0));
        else if (is(name, "NAMES.GET"))
            result = Variant(l->Names(PI(c, 0)));
        else if (is(name, "OBJECTS.GET"))
            result = objectValue(l->Objects(PI(c, 0)));
        else if (is(name, "OBJECTS.SET"))
            l->SetObjects(PI(c, 0), PO(c, 1));
        else if (is(name, "VALUES.GET"))
            result = Variant(l->Values(PS(c, 0)));
        else if (is(name, "VALUES.SET"))
            l->SetValues(PS(c, 0), PS(c, 1));
        else if (is(name, "STRINGS.GET"))
            result = Variant(l->Strings(PI(c, 0)));
        else if (is(name, "STRINGS.SET"))
            l->SetStrings(PI(c, 0), PS(c, 1));
    } else if (classType == mStringList) {
        auto *l = ovNeed<TovHostStringList>(instance);
        if (is(name, "FIND")) {
            int index = 0;
            const bool found = l->Find(PS(c, 0), index);
            c->SetVParam(1, Variant(index));
            result = Variant(found);
        } else if (is(name, "SORT")) {
            l->Sort();
        }
    } else if (classType == mStream) {
        auto *st = ovNeed<TovHostStream>(instance);
        if (is(name, "READ")) {
            const QString buf = st->Read(PL(c, 1));
            c->SetVParam(0, Variant(buf));
            result = Variant(int(buf.size()));
        } else if (is(name, "WRITE")) {
            result = Variant(int(st->Write(PS(c, 0), PL(c, 1))));
        } else if (is(name, "SEEK")) {
            result = Variant::fromInt64(st->Seek(PL(c, 0), PI(c, 1)));
        } else if (is(name, "COPYFROM")) {
            result = Variant::fromInt64(st->CopyFrom(ovNeed<TovHostStream>(PO(c, 0)), PL(c, 1)));
        }
    } else if (classType == mMemoryStream) {
        auto *st = ovNeed<TovHostMemoryStream>(instance);
        if (is(name, "CLEAR"))
            st->Clear();
        else if (is(name, "LOADFROMSTREAM"))
            st->LoadFromStream(ovStreamArg(c, 0));
        else if (is(name, "LOADFROMFILE"))
            st->LoadFromFile(PS(c, 0));
        else if (is(name, "SAVETOSTREAM"))
            st->SaveToStream(ovStreamArg(c, 0));
        else if (is(name, "SAVETOFILE"))
            st->SaveToFile(PS(c, 0));
    } else if (classType == mXMLItem) {
        auto *v = ovNeed<TovHostXMLItem>(instance);
        TovXMLItem *it = v->Item();
        if (!it)
            throw EovClassError(QStringLiteral("Object reference is nil"));
        if (is(name, "ADDITEM")) {
            v->InsertItem(it->Count(), ovNeed<TovHostXMLItem>(PO(c, 0)));
        } else if (is(name, "CLEAR")) {
            TovHostXMLItem::ReleaseViews(it, false);
            it->Clear();
        } else if (is(name, "INSERTITEM")) {
            v->InsertItem(PI(c, 0), ovNeed<TovHostXMLItem>(PO(c, 1)));
        } else if (is(name, "ADD")) {
            result = objectValue(TovHostXMLItem::Wrap(it->Add()));
        } else if (is(name, "FIND")) {
            result = Variant(it->Find(PS(c, 0)));
        } else if (is(name, "FINDITEM")) {
            result = objectValue(TovHostXMLItem::Wrap(it->FindItem(PS(c, 0))));
        } else if (is(name, "ROOT")) {
            result = objectValue(TovHostXMLItem::Wrap(it->Root()));
        } else if (is(name, "ITEMS.GET")) {
            const int i = PI(c, 0);
            if (i < 0 || i >= it->Count())
                listIndexError(i);
            result = objectValue(TovHostXMLItem::Wrap(it->Items(i)));
        } else if (is(name, "PROP.GET")) {
            result = Variant(it->Prop(PS(c, 0)));
        } else if (is(name, "PROP.SET")) {
            it->SetProp(PS(c, 0), PS(c, 1));
        }
    } else if (classType == mXMLDocument) {
        auto *d = ovNeed<TovHostXMLDocument>(instance);
        if (is(name, "SAVETOSTREAM"))
            d->Document()->SaveToStream(ovStreamArg(c, 0));
        else if (is(name, "LOADFROMSTREAM"))
            d->LoadFromStream(ovStreamArg(c, 0));
        else if (is(name, "SAVETOFILE"))
            d->Document()->SaveToFile(PS(c, 0));
        else if (is(name, "LOADFROMFILE"))
            d->LoadFromFile(PS(c, 0));
    }
    return result;
}

Variant TovClassesFunctions::GetProp(QObject *instance, const QMetaObject *classType, const QString &name)
{
    if (classType == mCollection) {
        if (is(name, "COUNT"))
            return Variant(ovNeed<TvdBaseCollection>(instance)->Count());
    } else if (classType == mList) {
        if (is(name, "COUNT"))
            return Variant(ovNeed<TovHostList>(instance)->Count());
    } else if (classType == mStrings) {
        auto *l = ovNeed<TovHostStrings>(instance);
        if (is(name, "COUNT"))
            return Variant(l->Count());
        if (is(name, "COMMATEXT"))
            return Variant(l->CommaText());
        if (is(name, "TEXT"))
            return Variant(l->Text());
    } else if (classType == mStream) {
        auto *st = ovNeed<TovHostStream>(instance);
        if (is(name, "POSITION"))
            return Variant::fromInt64(st->Position());
        if (is(name, "SIZE"))
            return Variant::fromInt64(st->Size());
    } else if (classType == mComponent) {
        if (is(name, "OWNER"))
            return objectValue(ovNeed<TvdComponent>(instance)->Owner());
    } else if (classType == mXMLItem) {
        TovXMLItem *it = ovNeed<TovHostXMLItem>(instance)->Item();
        if (!it)
            throw EovClassError(QStringLiteral("Object reference is nil"));
        if (is(name, "DATA"))
            return Variant(int(reinterpret_cast<qintptr>(it->Data())));
        if (is(name, "COUNT"))
            return Variant(it->Count());
        if (is(name, "NAME"))
            return Variant(it->Name());
        if (is(name, "PARENT"))
            return objectValue(TovHostXMLItem::Wrap(it->Parent()));
        if (is(name, "TEXT"))
            return Variant(it->Text());
    } else if (classType == mXMLDocument) {
        if (is(name, "ROOT"))
            return objectValue(ovNeed<TovHostXMLDocument>(instance)->Root());
    }
    return Variant(0);
}

void TovClassesFunctions::SetProp(QObject *instance, const QMetaObject *classType, const QString &name,
                                  const Variant &value)
{
    if (classType == mStrings) {
        auto *l = ovNeed<TovHostStrings>(instance);
        if (is(name, "COMMATEXT"))
            l->SetCommaText(VarToStr(value));
        else if (is(name, "TEXT"))
            l->SetText(VarToStr(value));
    } else if (classType == mStream) {
        if (is(name, "POSITION"))
            ovNeed<TovHostStream>(instance)->SetPosition(value.toInt64());
    } else if (classType == mXMLItem) {
        TovXMLItem *it = ovNeed<TovHostXMLItem>(instance)->Item();
        if (!it)
            throw EovClassError(QStringLiteral("Object reference is nil"));
        if (is(name, "DATA"))
            it->SetData(reinterpret_cast<void *>(qintptr(value.toInt())));
        else if (is(name, "NAME"))
            it->SetName(VarToStr(value));
        else if (is(name, "TEXT"))
            it->SetText(VarToStr(value));
    }
}
