// IO transports: they supply and release the streams that loading, saving and
// exporting read and write, keeping a tree of containers (folders) and
// streams (files) under a base path.
#pragma once
#include "core/vdPersistent.h"
#include "core/vdVariant.h"

#include <QIODevice>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class TvdxReport;
class TvdxCustomIOTransport;
class QFileDialog;

// A folder that cannot be created.
VD_DECLARE_EXCEPTION(EInOutError, Exception)
// A path that does not map onto the container tree.
VD_DECLARE_EXCEPTION(EIOTransportError, Exception)

enum TvdxFilterAccess { faRead, faWrite };

enum TvdxFilterVisibleState : unsigned {
    fvDesigner = 1,
    fvPreview = 2,
    fvExport = 4,
    fvDesignerFileFilter = 8,
    fvPreviewFileFilter = 16,
    fvExportFileFilter = 32,
    fvOther = 64,
};
using TvdxFilterVisibility = unsigned; // set of TvdxFilterVisibleState

enum TvdxIOTransportStream : unsigned { tsIORead = 1, tsIOWrite = 2 };
using TvdxIOTransportStreams = unsigned;

// ---------------------------------------------------------------------------
// One node of a transport's tree: a container, or a file with its stream.
class TvdxNode {
public:
    using TvdxNodeChanging = std::function<void(const QString &name, bool bUseRemoveList, QObject *aObject)>;

    TvdxNode() = default;
    ~TvdxNode();
    TvdxNode(const TvdxNode &) = delete;
    TvdxNode &operator=(const TvdxNode &) = delete;

    // A new child, kept in name order (letter case ignored).
    TvdxNode *Add(const QString &name, QObject *aObject = nullptr);
    // Frees the children and the own object (when owned); empties the name.
    void Clear();
    int Count() const { return int(FNodesList.size()); }
    TvdxNode *GetNode(int index) const { return FNodesList.at(index); }
    TvdxNode *Find(QObject *aObject, bool searchInChilds = true) const;
    TvdxNode *Find(const QString &name, bool searchInChilds = false) const;
    TvdxNode *GetRoot();
    // Takes a direct child out of the list without freeing it.
    void RemoveNode(TvdxNode *aNode);

    TvdxNode *Parent() const { return FParent; }
    const QString &Name() const { return FName; }
    void SetName(const QString &value);
    QObject *ObjectData() const { return FObjectData; }
    void SetObjectData(QObject *value);
    const QString &OriginalName() const { return FOriginalName; }
    void SetOriginalName(const QString &value);
    int FilesCount() const { return FFilesCount; }
    TvdxFilterAccess FilterAccess = faWrite;
    bool OwnObject = true;
    Variant Data;
    TvdxNodeChanging OnAddItem;
    TvdxNodeChanging OnRemoveItem;

private:
    void growFiles(int delta);
    // Frees the own object (when owned) and forgets it.
    void freeObject();
    friend class TvdxCustomIOTransport;

    TvdxNode *FParent = nullptr;
    QList<TvdxNode *> FNodesList;
    QObject *FObjectData = nullptr;
    QString FName;
    QString FOriginalName;
    int FFilesCount = 0;
};

// ---------------------------------------------------------------------------
// A class reference: constructs a transport of one class.
using TvdxIOTransportClass = TvdxCustomIOTransport *(*)(TvdComponent *owner, bool noRegister);

template <class T>
TvdxCustomIOTransport *vdxNewIOTransport(TvdComponent *owner, bool noRegister)
{
    return new T(owner, noRegister);
}

class TvdxCustomIOTransport : public TvdComponent {
    Q_OBJECT
public:
    // noRegister: the transport stays out of the registry (one-off transports).
    explicit TvdxCustomIOTransport(TvdComponent *owner = nullptr, bool noRegister = false);
    ~TvdxCustomIOTransport() override;

    virtual TvdxIOTransportClass ClassType() const = 0;

    virtual QString GetFilterString() { return FFilterString; }
    virtual TvdxFilterVisibility GetVisibility() const { return FVisibility; }
    virtual void SetVisibility(TvdxFilterVisibility value) { FVisibility = value; }
    virtual bool DoCreateContainer(TvdxNode *node) { Q_UNUSED(node) return true; }
    virtual bool DoDeleteContainer(TvdxNode *node) { Q_UNUSED(node) return true; }
    virtual QIODevice *DoCreateStream(QString &aFullFilePath, const QString &aFileName);
    virtual void CreateTempContainer() {}
    virtual void FreeTempContainer() {}
    virtual QIODevice *GetStream(const QString &aFileName = QString());
    virtual void FreeStream(QIODevice *aStream, const QString &aFileName = QString());
    // True when the transport handled the stream itself.
    virtual bool DoFilterProcessStream(QIODevice *aStream, QObject *processingObject);
    virtual bool AllInOneContainer() { return false; }
    virtual bool OpenFilter() { return true; }
    virtual void CloseFilter();
    virtual void AssignFilter(TvdxCustomIOTransport *source);
    virtual void AssignSharedProperties(TvdxCustomIOTransport *source) { Q_UNUSED(source) }
    virtual QString GetDescription() { return QString(); }

    // A new unregistered transport of this class made for CreatedFrom.
    TvdxCustomIOTransport *CreateFilterClone(TvdxFilterVisibleState createdFrom);
    void AssignOriginalSharedProperties();
    // Settings from an export filter (DefaultPath, DefaultExt, FileName,
    // Report, FilterDesc, OverwritePrompt); the transport then writes.
    void InitFromExport(QObject *exportFilter);

    void CreateContainer(const QString &cName, bool bSetCurrent = false);
    void DeleteContainer(const QString &cName);
    QString CurrentContainer() const;
    void SetCurrentContainer(const QString &value);
    void CloseAllStreams();
    // (OriginalName, stream) pairs of every file node, depth first.
    void CopyStreamsNames(QList<QPair<QString, QIODevice *>> &aStrings, bool openedOnly = false);
    void LoadClosedStreams();
    void LoadStreamsList(QList<QPair<QString, QIODevice *>> &aStrings);
    TvdxNode *GetFileNode();
    TvdxCustomIOTransport *TempFilter();
    void SetTempFilter(TvdxCustomIOTransport *value);

    TvdxReport *Report() const { return FReport; }
    void SetReport(TvdxReport *value) { FReport = value; }
    bool ShowDialog = false;
    bool OverwritePrompt = false;
    QString DefaultPath;
    QString BasePath;
    QString FileName;
    QString DefaultExt;
    QString ExtDescription;
    QString FilterString() { return GetFilterString(); }
    void SetFilterString(const QString &value) { FFilterString = value; }
    TvdxFilterAccess FilterAccess = faRead;
    TvdxFilterVisibility Visibility() const { return GetVisibility(); }
    TvdxFilterVisibleState CreatedFrom = fvOther;
    bool FreeStreams = true;
    bool ClosedLoadLock = false;
    TvdxNode *RootNode() const { return FDirTree.get(); }
    TvdxIOTransportStreams SupportedStreams = tsIORead | tsIOWrite;
    TvdxCustomIOTransport *OriginalCopy() const { return FOriginalCopy; }
    bool NoRegister() const { return FNoRegister; }

protected:
    // The node of a path, created on the way when create is set; isFile: the
    // last component is a file. None when the path has no node.
    TvdxNode *nodeForPath(const QString &path, bool create, bool isFile);

    TvdxReport *FReport = nullptr;
    QString FFilterString;
    std::unique_ptr<TvdxCustomIOTransport> FTempFilter;
    TvdxNode *FCurNode = nullptr;
    bool FNoRegister = false;
    TvdxFilterVisibility FVisibility = 0;
    std::unique_ptr<TvdxCustomIOTransport> FInternalFilter;
    std::unique_ptr<TvdxNode> FDirTree;
    TvdxCustomIOTransport *FOriginalCopy = nullptr;
    // Whether the path last walked was absolute (a leading "/").
    bool FAbsoluteWalk = false;
};

// ---------------------------------------------------------------------------
// Files on disk under BasePath.
class TvdxIOTransportFile : public TvdxCustomIOTransport {
    Q_OBJECT
public:
    explicit TvdxIOTransportFile(TvdComponent *owner = nullptr, bool noRegister = false);
    ~TvdxIOTransportFile() override;

    TvdxIOTransportClass ClassType() const override { return &vdxNewIOTransport<TvdxIOTransportFile>; }
    // Never offered in lists.
    void SetVisibility(TvdxFilterVisibility) override { FVisibility = 0; }
    QString GetDescription() override;
    bool DoCreateContainer(TvdxNode *node) override;
    QIODevice *DoCreateStream(QString &aFullFilePath, const QString &aFileName) override;
    // A written stream replaces its file here; EFWriteError when it cannot.
    void FreeStream(QIODevice *aStream, const QString &aFileName = QString()) override;
    // Commits the written streams still open, then closes; EFWriteError as above.
    void CloseFilter() override;
    // A fresh private folder becomes BasePath.
    void CreateTempContainer() override;
    // Deletes what the temporary folder holds, never anything outside it.
    void FreeTempContainer() override;

    // The folder CreateTempContainer made (empty when none).
    const QString &TempFolder() const { return FTempFolder; }

protected:
    bool FTempFolderCreated = false;
    QString FTempFolder;
};

// A file transport for compressed reports and prepared reports.
class TvdxSaveToCompressedFilter : public TvdxIOTransportFile {
    Q_OBJECT
public:
    explicit TvdxSaveToCompressedFilter(TvdComponent *owner = nullptr, bool noRegister = false);

    TvdxIOTransportClass ClassType() const override { return &vdxNewIOTransport<TvdxSaveToCompressedFilter>; }
    void SetVisibility(TvdxFilterVisibility value) override { FVisibility = value; }
    QString GetDescription() override;
    QString GetFilterString() override;
    // Marks the report as compressed.
    bool OpenFilter() override;

    bool IsVD3File() const { return FIsVD3File; }
    void SetIsVD3File(bool value);

private:
    bool FIsVD3File = false;
};

// ---------------------------------------------------------------------------
class TvdxIOTransportItem : public TvdBaseCollectionItem {
    Q_OBJECT
public:
    TvdxCustomIOTransport *IOTransport = nullptr;
};

// The process-wide list of transport instances offered to the user.
class TvdxIOTransportsCollection : public TvdBaseCollection {
    Q_OBJECT
public:
    TvdxIOTransportsCollection();
    // Ignores none and transports already listed.
    void Register(TvdxCustomIOTransport *transport);
    void Unregister(TvdxCustomIOTransport *transport);
    TvdxIOTransportItem *Items(int index) const;
    int IndexOf(const TvdxCustomIOTransport *transport) const;
};

TvdxIOTransportsCollection &vdxIOTransportRegistry();
// Descriptions (with the transports) of the registered transports whose
// visibility holds state.
void vdxFillIOTransportList(QList<QPair<QString, TvdxCustomIOTransport *>> &strings, TvdxFilterVisibleState state);

// Class references; none until set.
TvdxIOTransportClass &vdxDefaultIOTransportClass();
TvdxIOTransportClass &vdxTempIOTransportClass();
TvdxIOTransportClass &vdxDialogIOTransportClass();
// Sets the default and temporary references to the file transport unless set.
void vdxInitIOTransportClasses();

// Drops "." segments and resolves ".." segments of a rooted path ("C:\...",
// "/..."); other paths come back unchanged. A ".." at the
// root is dropped.
QString vdxNormalizePath(const QString &path);
// Deletes a folder with everything in it. Links are removed, never followed.
// Failures are ignored.
void vdxDeleteFolder(const QString &path);
// Whether path lies inside folder (after resolving "." and ".." and links).
bool vdxPathIsInside(const QString &path, const QString &folder);
