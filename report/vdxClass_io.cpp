#include "report/vdxClass_io.h"

#include "core/vdXML.h"
#include "core/vdUtils.h"
#include "core/vdxRes.h"
#include "platform/AtomicFile.h"
#include "report/vdxClass_report.h"

#include <QDir>
#include <QFile>
#include <exception>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QVariant>
#include <algorithm>

namespace {
bool isSep(QChar c) { return c == u'\\' || c == u'/'; }

QString nodeKey(const QString &name) { return name.toLower(); }

QString toSlashes(QString path) { return path.replace(u'\\', u'/'); }
} // namespace

// ---------------------------------------------------------------------------
TvdxNode::~TvdxNode() { Clear(); }

TvdxNode *TvdxNode::Add(const QString &name, QObject *aObject)
{
    auto *node = new TvdxNode;
    node->FParent = this;
    node->FName = name;
    node->FObjectData = aObject;
    const QString key = nodeKey(name);
    auto it = std::upper_bound(FNodesList.begin(), FNodesList.end(), key,
                               [](const QString &k, const TvdxNode *n) { return k < nodeKey(n->FName); });
    FNodesList.insert(it, node);
    if (aObject)
        node->growFiles(1);
    TvdxNode *root = GetRoot();
    if (root->OnAddItem)
        root->OnAddItem(name, false, aObject);
    return node;
}

void TvdxNode::growFiles(int delta)
{
    for (TvdxNode *n = this; n; n = n->FParent)
        n->FFilesCount += delta;
}

void TvdxNode::freeObject()
{
    QObject *obj = FObjectData;
    FObjectData = nullptr;
    if (OwnObject)
        delete obj;
}

void TvdxNode::Clear()
{
    const QList<TvdxNode *> children = FNodesList;
    FNodesList.clear();
    for (TvdxNode *child : children) {
        child->FParent = nullptr;
        delete child;
    }
    freeObject();
    FName.clear();
}

TvdxNode *TvdxNode::Find(QObject *aObject, bool searchInChilds) const
{
    for (TvdxNode *child : FNodesList) {
        if (child->FObjectData == aObject)
            return child;
        if (searchInChilds)
            if (TvdxNode *found = child->Find(aObject, true))
                return found;
    }
    return nullptr;
}

TvdxNode *TvdxNode::Find(const QString &name, bool searchInChilds) const
{
    const QString key = nodeKey(name);
    for (TvdxNode *child : FNodesList)
        if (nodeKey(child->FName) == key)
            return child;
    if (searchInChilds)
        for (TvdxNode *child : FNodesList)
            if (TvdxNode *found = child->Find(name, true))
                return found;
    return nullptr;
}

TvdxNode *TvdxNode::GetRoot()
{
    TvdxNode *n = this;
    while (n->FParent)
        n = n->FParent;
    return n;
}

void TvdxNode::RemoveNode(TvdxNode *aNode)
{
    if (!FNodesList.removeOne(aNode))
        return;
    aNode->FParent = nullptr;
    growFiles(-aNode->FFilesCount);
}

void TvdxNode::SetName(const QString &value)
{
    if (value == FName)
        return;
    TvdxNode *root = GetRoot();
    if (root->OnAddItem && root->OnRemoveItem) {
        root->OnRemoveItem(FName, false, nullptr);
        root->OnAddItem(value, false, FObjectData);
    }
    FName = value;
    // Keep the parent's list in name order.
    if (FParent) {
        FParent->FNodesList.removeOne(this);
        const QString key = nodeKey(FName);
        auto it = std::upper_bound(FParent->FNodesList.begin(), FParent->FNodesList.end(), key,
                                   [](const QString &k, const TvdxNode *n) { return k < nodeKey(n->FName); });
        FParent->FNodesList.insert(it, this);
    }
}

void TvdxNode::SetObjectData(QObject *value)
{
    if (value == FObjectData)
        return;
    TvdxNode *root = GetRoot();
    const bool events = root->OnAddItem && root->OnRemoveItem;
    if (!value) {
        if (events)
            root->OnRemoveItem(FName, true, nullptr);
    } else if (FObjectData) {
        if (events)
            root->OnAddItem(FName, false, value);
    } else if (events) {
        // Counted here only for trees that watch their items; otherwise the
        // file name counts the file.
        root->OnAddItem(FName, true, value);
        growFiles(1);
    }
    FObjectData = value;
}

void TvdxNode::SetOriginalName(const QString &value)
{
    if (FOriginalName.isEmpty() && !value.isEmpty())
        growFiles(1);
    FOriginalName = value;
}

// ---------------------------------------------------------------------------
TvdxCustomIOTransport::TvdxCustomIOTransport(TvdComponent *owner, bool noRegister)
    : TvdComponent(owner), FNoRegister(noRegister), FDirTree(std::make_unique<TvdxNode>())
{
    FVisibility = fvDesigner | fvPreview | fvExport;
    if (!FNoRegister)
        vdxIOTransportRegistry().Register(this);
    FCurNode = FDirTree.get();
}

TvdxCustomIOTransport::~TvdxCustomIOTransport()
{
    if (!FNoRegister)
        vdxIOTransportRegistry().Unregister(this);
    CloseAllStreams();
    FInternalFilter.reset();
    FTempFilter.reset();
    FDirTree.reset();
}

QIODevice *TvdxCustomIOTransport::DoCreateStream(QString &, const QString &) { return nullptr; }

TvdxNode *TvdxCustomIOTransport::nodeForPath(const QString &path, bool create, bool isFile)
{
    TvdxNode *root = FDirTree.get();
    if (path.isEmpty())
        return root;
    QString p = toSlashes(path);
    const QString base = toSlashes(BasePath);
    FAbsoluteWalk = p.startsWith(u'/');
    // The base path is a prefix only at a separator ("/tmp/a" is no prefix of "/tmp/ab").
    if (!base.isEmpty() && p.startsWith(base)
        && (base.endsWith(u'/') || p.size() == base.size() || p[base.size()] == u'/')) {
        p = p.mid(base.size());
        FAbsoluteWalk = false;
    }
    const QStringList parts = p.split(u'/', Qt::SkipEmptyParts);
    TvdxNode *node = root;
    for (int i = 0; i < parts.size(); ++i) {
        TvdxNode *child = node->Find(parts[i], false);
        if (!child) {
            if (!create)
                return nullptr;
            child = node->Add(parts[i]);
            const bool folder = !isFile || i < parts.size() - 1;
            if (folder)
                DoCreateContainer(child);
        }
        node = child;
    }
    if (FInternalFilter)
        FInternalFilter->nodeForPath(path, create, isFile);
    return node;
}

QIODevice *TvdxCustomIOTransport::GetStream(const QString &aFileName)
{
    const QString name = aFileName.isEmpty() ? FileName : aFileName;
    TvdxNode *node = nodeForPath(name, true, true);
    if (!node)
        throw EIOTransportError(QStringLiteral("Unable to parse path : \"%1\" to Nodes").arg(name));
    if (node->FObjectData) {
        if (node->FilterAccess == FilterAccess || !FreeStreams)
            return qobject_cast<QIODevice *>(node->FObjectData);
        node->freeObject();
    }
    QString fullName = name;
    QIODevice *stream = DoCreateStream(fullName, QFileInfo(toSlashes(name)).fileName());
    if (node == FDirTree.get())
        node = node->Add(fullName);
    node->SetOriginalName(fullName);
    node->SetObjectData(stream);
    node->FilterAccess = FilterAccess;
    return stream;
}

void TvdxCustomIOTransport::FreeStream(QIODevice *aStream, const QString &)
{
    if (!aStream)
        return;
    TvdxNode *node = FDirTree->FObjectData == aStream ? FDirTree.get() : FDirTree->Find(aStream, true);
    if (node)
        node->freeObject();
}

bool TvdxCustomIOTransport::DoFilterProcessStream(QIODevice *, QObject *) { return false; }

void TvdxCustomIOTransport::CloseFilter()
{
    if (FInternalFilter) {
        FInternalFilter->FreeTempContainer();
        FInternalFilter.reset();
    }
    if (FTempFilter) {
        FTempFilter->FreeTempContainer();
        FTempFilter.reset();
    }
    FDirTree->Clear();
    FCurNode = FDirTree.get();
}

void TvdxCustomIOTransport::AssignFilter(TvdxCustomIOTransport *source)
{
    if (!source)
        return;
    FReport = source->FReport;
    ShowDialog = source->ShowDialog;
    OverwritePrompt = source->OverwritePrompt;
    DefaultPath = source->DefaultPath;
    FileName = source->FileName;
    DefaultExt = source->DefaultExt;
    ExtDescription = source->ExtDescription;
}

TvdxCustomIOTransport *TvdxCustomIOTransport::CreateFilterClone(TvdxFilterVisibleState createdFrom)
{
    TvdxCustomIOTransport *clone = ClassType()(nullptr, true);
    clone->CreatedFrom = createdFrom;
    clone->AssignFilter(this);
    clone->FOriginalCopy = this;
    clone->AssignSharedProperties(this);
    return clone;
}

void TvdxCustomIOTransport::AssignOriginalSharedProperties() { AssignSharedProperties(FOriginalCopy); }

void TvdxCustomIOTransport::InitFromExport(QObject *exportFilter)
{
    if (!exportFilter)
        return;
    DefaultPath = exportFilter->property("DefaultPath").toString();
    DefaultExt = exportFilter->property("DefaultExt").toString();
    FileName = exportFilter->property("FileName").toString();
    FReport = qobject_cast<TvdxReport *>(exportFilter->property("Report").value<QObject *>());
    FFilterString = exportFilter->property("FilterDesc").toString();
    OverwritePrompt = exportFilter->property("OverwritePrompt").toBool();
    const QString folder = QFileInfo(toSlashes(FileName)).path();
    BasePath = (FileName.contains(u'/') || FileName.contains(u'\\')) ? folder : QString();
    if (BasePath.isEmpty() && !DefaultPath.isEmpty())
        BasePath = DefaultPath;
    FilterAccess = faWrite;
}

void TvdxCustomIOTransport::CreateContainer(const QString &cName, bool bSetCurrent)
{
    const QString name = toSlashes(cName);
    const int slash = name.lastIndexOf(u'/');
    const QString parentPath = slash < 0 ? QString() : name.left(slash);
    const QString leaf = slash < 0 ? name : name.mid(slash + 1);
    TvdxNode *parent = nodeForPath(parentPath, true, false);
    if (!parent)
        return;
    TvdxNode *container = cName.isEmpty() ? parent : parent->Add(leaf);
    if (!DoCreateContainer(container)) {
        if (container != FDirTree.get()) {
            parent->RemoveNode(container);
            delete container;
        }
        return;
    }
    if (bSetCurrent)
        FCurNode = container;
}

void TvdxCustomIOTransport::DeleteContainer(const QString &cName)
{
    TvdxNode *node = FCurNode->Find(cName, false);
    if (node && DoDeleteContainer(node)) {
        FCurNode->RemoveNode(node);
        delete node;
    }
}

QString TvdxCustomIOTransport::CurrentContainer() const { return FCurNode->Name(); }

void TvdxCustomIOTransport::SetCurrentContainer(const QString &value)
{
    if (value.isEmpty()) {
        FCurNode = FDirTree.get();
        return;
    }
    if (TvdxNode *node = FCurNode->Find(value, false))
        FCurNode = node;
}

void TvdxCustomIOTransport::CloseAllStreams()
{
    if (!FreeStreams || !FDirTree)
        return;
    std::function<void(TvdxNode *)> walk = [&](TvdxNode *n) {
        n->freeObject();
        for (TvdxNode *c : n->FNodesList)
            walk(c);
    };
    walk(FDirTree.get());
}

void TvdxCustomIOTransport::CopyStreamsNames(QList<QPair<QString, QIODevice *>> &aStrings, bool)
{
    std::function<void(TvdxNode *)> walk = [&](TvdxNode *n) {
        if (!n->OriginalName().isEmpty())
            aStrings.append({n->OriginalName(), qobject_cast<QIODevice *>(n->ObjectData())});
        for (TvdxNode *c : n->FNodesList)
            walk(c);
    };
    walk(FDirTree.get());
}

void TvdxCustomIOTransport::LoadClosedStreams()
{
    std::function<void(TvdxNode *)> walk = [&](TvdxNode *n) {
        if (!n->OriginalName().isEmpty() && !n->ObjectData()) {
            QString name = n->OriginalName();
            n->SetObjectData(DoCreateStream(name, n->Name()));
        }
        for (TvdxNode *c : n->FNodesList)
            walk(c);
    };
    walk(FDirTree.get());
}

void TvdxCustomIOTransport::LoadStreamsList(QList<QPair<QString, QIODevice *>> &aStrings)
{
    for (auto &entry : aStrings)
        entry.second = GetStream(entry.first);
}

TvdxNode *TvdxCustomIOTransport::GetFileNode()
{
    if (FInternalFilter)
        return FInternalFilter->GetFileNode();
    if (FDirTree->FilesCount() == 0)
        return nullptr;
    std::function<TvdxNode *(TvdxNode *)> walk = [&](TvdxNode *n) -> TvdxNode * {
        if (!n->OriginalName().isEmpty())
            return n;
        for (TvdxNode *c : n->FNodesList)
            if (TvdxNode *found = walk(c))
                return found;
        return nullptr;
    };
    return walk(FDirTree.get());
}

TvdxCustomIOTransport *TvdxCustomIOTransport::TempFilter()
{
    if (!FTempFilter) {
        TvdxIOTransportClass cls = vdxTempIOTransportClass();
        if (!cls)
            cls = &vdxNewIOTransport<TvdxIOTransportFile>;
        FTempFilter.reset(cls(nullptr, true));
        FTempFilter->FilterAccess = FilterAccess;
        FTempFilter->CreateTempContainer();
    }
    return FTempFilter.get();
}

void TvdxCustomIOTransport::SetTempFilter(TvdxCustomIOTransport *value)
{
    if (!value || value == FTempFilter.get())
        return;
    if (FTempFilter)
        FTempFilter->FreeTempContainer();
    FTempFilter.reset(value);
}

// ---------------------------------------------------------------------------
TvdxIOTransportFile::TvdxIOTransportFile(TvdComponent *owner, bool noRegister)
    : TvdxCustomIOTransport(owner, noRegister)
{
    FVisibility = 0;
}

TvdxIOTransportFile::~TvdxIOTransportFile()
{
    CloseAllStreams();
    // A temporary folder never outlives its transport.
    FreeTempContainer();
}

QString TvdxIOTransportFile::GetDescription() { return GetResStr(163); }

bool TvdxIOTransportFile::DoCreateContainer(TvdxNode *node)
{
    QString rel;
    for (TvdxNode *n = node; n; n = n->Parent())
        if (!n->Name().isEmpty())
            rel = n->Name() + u'/' + rel;
    QString base = toSlashes(BasePath);
    if (!base.isEmpty() && !base.endsWith(u'/'))
        base += u'/';
    else if (base.isEmpty() && FAbsoluteWalk)
        base = QStringLiteral("/");
    const QString folder = base + rel;
    if (FilterAccess == faWrite && !folder.isEmpty() && !QFileInfo(folder).isDir()) {
        if (!QDir().mkdir(folder))
            throw EInOutError(QStringLiteral("Cannot create folder \"%1\"").arg(folder));
    }
    return true;
}

namespace {
// A written file replaces the old one only when it is committed: by FreeStream
// or CloseFilter, which raise when that fails. A save abandoned by an
// exception leaves the old file as it was. A stream the transport drops when
// it goes away commits quietly, with the same guarantee for the old file.
class TransportFile : public TvdAtomicFile {
public:
    explicit TransportFile(const QString &name) : TvdAtomicFile(name), m_uncaught(std::uncaught_exceptions()) {}
    ~TransportFile() override
    {
        if (!isPending())
            return;
        if (std::uncaught_exceptions() > m_uncaught)
            discard();
        else
            commit();
    }
    // Empty on success (or when an exception is on its way and the save is
    // given up), else the message of the failure.
    QString finish()
    {
        if (!isPending())
            return QString();
        if (std::uncaught_exceptions() > m_uncaught) {
            discard();
            return QString();
        }
        return commit() ? QString() : vdSaveWriteMessage(fileName(), failureText());
    }

private:
    int m_uncaught;
};

bool holdsStream(TvdxNode *root, QIODevice *stream)
{
    return stream && (root->ObjectData() == stream || root->Find(stream, true));
}

// Commits every pending file of the tree; answers the first failure.
QString finishAll(TvdxNode *node)
{
    QString first;
    if (auto *f = dynamic_cast<TransportFile *>(node->ObjectData())) {
        first = f->finish();
    }
    for (int i = 0; i < node->Count(); ++i) {
        const QString e = finishAll(node->GetNode(i));
        if (first.isEmpty())
            first = e;
    }
    return first;
}
} // namespace

void TvdxIOTransportFile::FreeStream(QIODevice *aStream, const QString &aFileName)
{
    QString error;
    if (holdsStream(FDirTree.get(), aStream))
        if (auto *f = dynamic_cast<TransportFile *>(aStream))
            error = f->finish();
    TvdxCustomIOTransport::FreeStream(aStream, aFileName);
    if (!error.isEmpty())
        throw EFWriteError(error);
}

void TvdxIOTransportFile::CloseFilter()
{
    const QString error = finishAll(FDirTree.get());
    TvdxCustomIOTransport::CloseFilter();
    if (!error.isEmpty())
        throw EFWriteError(error);
}

QIODevice *TvdxIOTransportFile::DoCreateStream(QString &aFullFilePath, const QString &)
{
    QString path = toSlashes(aFullFilePath);
    // A relative name lives under the base path, like its containers.
    if (!BasePath.isEmpty() && QFileInfo(path).isRelative())
        path = QDir(toSlashes(BasePath)).filePath(path);
    if (FilterAccess == faWrite) {
        auto out = std::make_unique<TransportFile>(path);
        if (!out->open())
            throw EFCreateError(vdSaveCreateMessage(path, out->failureText()));
        aFullFilePath = path;
        return out.release();
    }
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly)) {
        throw EFOpenError(QStringLiteral("Cannot open file \"%1\". %2").arg(path, file->errorString()));
    }
    aFullFilePath = path;
    return file.release();
}

void TvdxIOTransportFile::CreateTempContainer()
{
    if (FTempFolderCreated)
        return;
    // mkdtemp: the folder is created with a unique name in one step, so no
    // other process can slip in between naming and creating it.
    QTemporaryDir dir(QDir(GetTempDir()).filePath(QStringLiteral("vdx-XXXXXX")));
    if (!dir.isValid())
        throw EInOutError(QStringLiteral("Cannot create folder \"%1\"").arg(GetTempDir()));
    dir.setAutoRemove(false);
    FTempFolder = QFileInfo(dir.path()).canonicalFilePath();
    BasePath = FTempFolder;
    FTempFolderCreated = true;
    CreateContainer(QString(), false);
}

void TvdxIOTransportFile::FreeTempContainer()
{
    if (!FTempFolderCreated)
        return;
    CloseAllStreams();
    // Only files inside the folder this transport made are deleted, whatever
    // BasePath or the names in the tree say now.
    std::function<void(TvdxNode *)> walk = [&](TvdxNode *n) {
        if (!n->OriginalName().isEmpty() && vdxPathIsInside(n->OriginalName(), FTempFolder))
            QFile::remove(n->OriginalName());
        for (int i = 0; i < n->Count(); ++i)
            walk(n->GetNode(i));
    };
    walk(FDirTree.get());
    vdxDeleteFolder(FTempFolder);
    FTempFolder.clear();
    FTempFolderCreated = false;
}

// ---------------------------------------------------------------------------
TvdxSaveToCompressedFilter::TvdxSaveToCompressedFilter(TvdComponent *owner, bool noRegister)
    : TvdxIOTransportFile(owner, noRegister)
{
    FFilterString = GetDescription();
    FVisibility = fvDesignerFileFilter | fvPreviewFileFilter;
    DefaultExt = QStringLiteral(".vp3");
}

QString TvdxSaveToCompressedFilter::GetDescription() { return GetResStrByName(QStringLiteral("dsComprRepFilter")); }

QString TvdxSaveToCompressedFilter::GetFilterString()
{
    if (CreatedFrom == fvPreview)
        FFilterString = GetResStrByName(QStringLiteral("clComprPreparedRepFilter"));
    else
        FFilterString = GetResStrByName(QStringLiteral("dsComprRepFilter"));
    const int bar = FFilterString.indexOf(u'|');
    if (bar >= 0)
        DefaultExt = FFilterString.mid(bar + 2);
    return FFilterString;
}

bool TvdxSaveToCompressedFilter::OpenFilter()
{
    if (FReport)
        if (auto *options = FReport->property("ReportOptions").value<QObject *>())
            options->setProperty("Compressed", true);
    return true;
}

void TvdxSaveToCompressedFilter::SetIsVD3File(bool value)
{
    FIsVD3File = value;
    FFilterString = GetResStrByName(value ? QStringLiteral("dsComprRepFilter")
                                          : QStringLiteral("clComprPreparedRepFilter"));
}

// ---------------------------------------------------------------------------
TvdxIOTransportsCollection::TvdxIOTransportsCollection()
    : TvdBaseCollection(TvdBaseCollection::factoryOf<TvdxIOTransportItem>())
{
}

TvdxIOTransportItem *TvdxIOTransportsCollection::Items(int index) const
{
    return static_cast<TvdxIOTransportItem *>(TvdBaseCollection::Items(index));
}

int TvdxIOTransportsCollection::IndexOf(const TvdxCustomIOTransport *transport) const
{
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->IOTransport == transport)
            return i;
    return -1;
}

void TvdxIOTransportsCollection::Register(TvdxCustomIOTransport *transport)
{
    if (!transport || IndexOf(transport) >= 0)
        return;
    static_cast<TvdxIOTransportItem *>(Add())->IOTransport = transport;
}

void TvdxIOTransportsCollection::Unregister(TvdxCustomIOTransport *transport)
{
    for (int i = Count() - 1; i >= 0; --i)
        if (Items(i)->IOTransport == transport)
            Delete(i);
}

TvdxIOTransportsCollection &vdxIOTransportRegistry()
{
    // Never freed: transports of static lifetime leave it at exit.
    static auto *registry = new TvdxIOTransportsCollection;
    return *registry;
}

void vdxFillIOTransportList(QList<QPair<QString, TvdxCustomIOTransport *>> &strings, TvdxFilterVisibleState state)
{
    strings.clear();
    auto &registry = vdxIOTransportRegistry();
    for (int i = 0; i < registry.Count(); ++i) {
        TvdxCustomIOTransport *t = registry.Items(i)->IOTransport;
        if (t->Visibility() & state)
            strings.append({t->GetDescription(), t});
    }
}

TvdxIOTransportClass &vdxDefaultIOTransportClass()
{
    static TvdxIOTransportClass cls = nullptr;
    return cls;
}

TvdxIOTransportClass &vdxTempIOTransportClass()
{
    static TvdxIOTransportClass cls = nullptr;
    return cls;
}

TvdxIOTransportClass &vdxDialogIOTransportClass()
{
    static TvdxIOTransportClass cls = nullptr;
    return cls;
}

void vdxInitIOTransportClasses()
{
    if (!vdxDefaultIOTransportClass())
        vdxDefaultIOTransportClass() = &vdxNewIOTransport<TvdxIOTransportFile>;
    if (!vdxTempIOTransportClass())
        vdxTempIOTransportClass() = &vdxNewIOTransport<TvdxIOTransportFile>;
}

// ---------------------------------------------------------------------------
QString vdxNormalizePath(const QString &path)
{
    QString prefix;
    QString rest;
    if (path.startsWith(u'/')) {
        rest = path;
    } else if (path.size() >= 3 && (path[1] == u':' || isSep(path[2]))) {
        prefix = path.left(2);
        rest = path.mid(2);
    } else {
        return path;
    }
    QString out;
    QList<int> seps; // positions of the separators written so far
    const int n = int(rest.size());
    int i = 0;
    while (i < n) {
        const bool afterSep = !out.isEmpty() && isSep(out.back());
        if (afterSep && rest[i] == u'.' && i + 1 < n && isSep(rest[i + 1])) {
            i += 2;
            continue;
        }
        if (afterSep && rest[i] == u'.' && i + 2 < n && rest[i + 1] == u'.' && isSep(rest[i + 2])) {
            if (seps.size() >= 2) {
                seps.removeLast();
                out.truncate(seps.last() + 1);
            }
            i += 3;
            continue;
        }
        if (isSep(rest[i]))
            seps.append(int(out.size()));
        out += rest[i];
        ++i;
    }
    return prefix + out;
}

void vdxDeleteFolder(const QString &path)
{
    const QFileInfo info(path);
    if (info.isSymLink()) {
        QFile::remove(path);
        return;
    }
    if (!info.isDir())
        return;
    QDir dir(path);
    const QFileInfoList entries =
        dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries) {
        if (entry.isDir() && !entry.isSymLink())
            vdxDeleteFolder(entry.absoluteFilePath());
        else
            QFile::remove(entry.absoluteFilePath());
    }
    QDir().rmdir(path);
}

bool vdxPathIsInside(const QString &path, const QString &folder)
{
    const QString root = QFileInfo(folder).canonicalFilePath();
    if (root.isEmpty())
        return false;
    const QFileInfo info(toSlashes(path));
    // A link is judged by where it sits, not where it points.
    const QString dirPart = QFileInfo(info.absolutePath()).canonicalFilePath();
    if (dirPart.isEmpty())
        return false;
    const QString resolved = dirPart + u'/' + info.fileName();
    if (info.fileName() == u".." || info.fileName() == u"." || info.fileName().isEmpty())
        return false;
    return resolved.startsWith(root + u'/');
}
