// Smaller bases that other subsystems implement or use: the report wizard,
// the compressor and crypter hooks of the template format, the global
// data-set list, the in-place editor, the abstract preview control and the
// selection list.
#pragma once
#include "report/vdxClass_engine.h"
#include "report/vdxClass_io.h"

#include <QBuffer>
#include <QIODevice>
#include <QMutex>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <functional>
#include <memory>

class TvdxComponentEditorsList;
class TvdxDataSet;
class TvdxCustomPreview;

// ---------------------------------------------------------------------------
class TvdxCustomWizard : public TvdComponent {
    Q_OBJECT
public:
    // The owner is the designer.
    explicit TvdxCustomWizard(TvdComponent *owner = nullptr, TvdxCustomDesigner *designer = nullptr);
    virtual QString GetDescription() { return QString(); }
    virtual bool Execute();

    TvdxCustomDesigner *Designer() const { return FDesigner; }
    TvdxReport *Report() const;

private:
    TvdxCustomDesigner *FDesigner = nullptr;
};

// ---------------------------------------------------------------------------
class TvdxCustomCompressor;
class TvdxCustomCrypter;
using TvdxCompressorClass = TvdxCustomCompressor *(*)(TvdComponent *owner);
using TvdxCrypterClass = TvdxCustomCrypter *(*)(TvdComponent *owner);

template <class T>
TvdxCustomCompressor *vdxNewCompressor(TvdComponent *owner)
{
    return new T(owner);
}
template <class T>
TvdxCustomCrypter *vdxNewCrypter(TvdComponent *owner)
{
    return new T(owner);
}

// Hooks of the template format; none unless an application adds a class.
TvdxCompressorClass &vdxCompressorClass();
TvdxCrypterClass &vdxCrypterClass();

// The template format's compression hook. Constructing one makes its class
// the active compressor; destroying it restores the previous one.
class TvdxCustomCompressor : public TvdComponent {
    Q_OBJECT
public:
    // cls: the class reference of the final class.
    TvdxCustomCompressor(TvdComponent *owner, TvdxCompressorClass cls);
    ~TvdxCustomCompressor() override;

    virtual bool Decompress(QIODevice &source);
    virtual void Compress(QIODevice &dest);

    // A memory stream, or an empty temporary file when the report caches to
    // files (and this is not a template).
    void CreateStream();

    bool IsVD3File() const { return FIsVD3File; }
    void SetIsVD3File(bool value);
    TvdxReport *Report = nullptr;
    QIODevice *Stream() const { return FStream.get(); }
    TvdxSaveToCompressedFilter *Filter() const { return FFilter.get(); }
    const QString &TempFile() const { return FTempFile; }

protected:
    bool FIsVD3File = false;
    std::unique_ptr<QIODevice> FStream;
    QString FTempFile;
    TvdxCompressorClass FOldCompressor = nullptr;
    std::unique_ptr<TvdxSaveToCompressedFilter> FFilter;
};

// The template format's encryption hook; constructing one makes its class
// the active crypter (destroying it does not reset the reference).
class TvdxCustomCrypter : public TvdComponent {
    Q_OBJECT
public:
    TvdxCustomCrypter(TvdComponent *owner, TvdxCrypterClass cls);
    ~TvdxCustomCrypter() override;

    virtual bool Decrypt(QIODevice &source, const QByteArray &key);
    virtual void Crypt(QIODevice &dest, const QByteArray &key);
    void CreateStream();
    QIODevice *Stream() const { return FStream.get(); }

protected:
    std::unique_ptr<QIODevice> FStream;
};

// ---------------------------------------------------------------------------
// Every data set of the process, with a lock around changes.
class TvdxGlobalDataSetList {
public:
    TvdxGlobalDataSetList();
    ~TvdxGlobalDataSetList();
    TvdxGlobalDataSetList(const TvdxGlobalDataSetList &) = delete;
    TvdxGlobalDataSetList &operator=(const TvdxGlobalDataSetList &) = delete;

    void Lock();
    void Unlock();

    int Count() const { return int(FItems.size()); }
    TvdxDataSet *Items(int index) const { return FItems.at(index); }
    void Add(TvdxDataSet *ds) { FItems.append(ds); }
    int Remove(TvdxDataSet *ds);
    int IndexOf(const TvdxDataSet *ds) const { return int(FItems.indexOf(const_cast<TvdxDataSet *>(ds))); }
    QList<TvdxDataSet *> &List() { return FItems; }

private:
    QList<TvdxDataSet *> FItems;
    std::unique_ptr<QRecursiveMutex> FCriticalSection;
};

// The process-wide list (created on first use).
TvdxGlobalDataSetList *vdxGlobalDataSetList();

// ---------------------------------------------------------------------------
enum TvdxInteractiveEventSender { esDesigner, esPreview };
enum TvdxDesignTool { dtSelect, dtHand, dtZoom, dtText, dtFormat, dtEditor };
enum TvdxGridType { gt1pt, gt1cm, gt1in, gtDialog, gtChar, gtNone };
enum TvdxCopyPasteType { cptDefault, cptText, cptImage, cptNative };

using TvdxOnFinishInPlaceEdit = std::function<void(QObject *sender, bool refresh, bool modified)>;

class TvdxSelectedObjectsList;

// Passed by reference to every interactive operation; the designer and the
// preview fill it.
struct TvdxInteractiveEventsParams {
    QObject *Sender = nullptr;
    bool Refresh = false;
    bool Modified = false;
    bool FireParentEvent = false;
    TvdxInteractiveEventSender EventSender = esDesigner;
    TvdxOnFinishInPlaceEdit OnFinish;
    TvdxDesignTool EditMode = dtSelect;
    bool PopupVisible = false;
    bool EditRestricted = false;
    TvdxComponentEditorsList *EditorsList = nullptr;
    TvdxSelectedObjectsList *SelectionList = nullptr;
    long double OffsetX = 0;
    long double OffsetY = 0;
    long double Scale = 0;
    int DevicePPI = 0;
    bool GridAlign = false;
    TvdxGridType GridType = gt1pt;
    long double GridX = 0;
    long double GridY = 0;
};

// Acts on a report object directly on the design surface or in the preview.
class TvdxInPlaceEditor {
public:
    TvdxInPlaceEditor(const QMetaObject *aClassRef, QWidget *aOwner);
    virtual ~TvdxInPlaceEditor();
    TvdxInPlaceEditor(const TvdxInPlaceEditor &) = delete;
    TvdxInPlaceEditor &operator=(const TvdxInPlaceEditor &) = delete;

    virtual QRect GetActiveRect() { return QRect(); }
    virtual bool HasInPlaceEditor() { return false; }
    virtual bool HasCustomEditor() { return false; }
    virtual void DrawCustomEditor(Canvas &aCanvas, const QRect &aRect) { Q_UNUSED(aCanvas) Q_UNUSED(aRect) }
    virtual bool FillData() { return false; }
    virtual void EditInPlace(QWidget *aParent, const QRect &aRect) { Q_UNUSED(aParent) Q_UNUSED(aRect) }
    virtual bool EditInPlaceDone() { return false; }
    virtual void DoFinishInPlace(QObject *sender, bool refresh, bool modified);
    virtual bool DoCustomDragOver(QObject *source, int x, int y, int state, bool &accept,
                                  TvdxInteractiveEventsParams &eventParams);
    virtual bool DoCustomDragDrop(QObject *source, int x, int y, TvdxInteractiveEventsParams &eventParams);
    virtual bool DoMouseMove(int x, int y, TvdxShiftState shift, TvdxInteractiveEventsParams &eventParams);
    virtual bool DoMouseUp(int x, int y, TvdxMouseButton button, TvdxShiftState shift,
                           TvdxInteractiveEventsParams &eventParams);
    virtual bool DoMouseDown(int x, int y, TvdxMouseButton button, TvdxShiftState shift,
                             TvdxInteractiveEventsParams &eventParams);
    virtual bool DoMouseWheel(TvdxShiftState shift, int wheelDelta, QPoint mousePos,
                              TvdxInteractiveEventsParams &eventParams);
    virtual void InitializeUI(TvdxInteractiveEventsParams &eventParams) { FDevicePPI = eventParams.DevicePPI; }
    virtual void FinalizeUI(TvdxInteractiveEventsParams &eventParams) { Q_UNUSED(eventParams) }
    virtual void CopyGoupContent(TvdxComponent *copyFrom, TvdxInteractiveEventsParams &eventParams,
                                 QIODevice *buffer, TvdxCopyPasteType copyAs);
    virtual void PasteGoupContent(TvdxComponent *pasteTo, TvdxInteractiveEventsParams &eventParams,
                                  QIODevice *buffer, TvdxCopyPasteType pasteAs);
    virtual void CopyContent(TvdxComponent *copyFrom, TvdxInteractiveEventsParams &eventParams, QIODevice *buffer,
                             TvdxCopyPasteType copyAs);
    virtual void PasteContent(TvdxComponent *pasteTo, TvdxInteractiveEventsParams &eventParams, QIODevice *buffer,
                              TvdxCopyPasteType pasteAs);
    virtual bool IsPasteAvailable(TvdxComponent *pasteTo, TvdxInteractiveEventsParams &eventParams,
                                  TvdxCopyPasteType pasteAs);
    virtual TvdxCopyPasteType DefaultContentType() { return cptDefault; }

    void SetOffset(long double aOffsetX, long double aOffsetY, long double aScale);

    TvdxComponent *Component() const { return FComponent; }
    void SetComponent(TvdxComponent *value);
    TvdxComponent *ParentComponent = nullptr;
    const QMetaObject *ClassRef() const { return FClassRef; }
    TvdxOnFinishInPlaceEdit OnFinishInPlace;
    QWidget *Owner() const { return FOwner; }
    long double OffsetX() const { return FOffsetX; }
    long double OffsetY() const { return FOffsetY; }
    long double Scale() const { return FScale; }
    bool Locked = false;
    TvdxComponentEditorsList *Editors = nullptr;
    // The components edited as a group (the host's selection).
    TvdxSelectedObjectsList *ComponentsGroup = nullptr;
    TvdPersistent *ClipboardObject = nullptr;
    int DevicePPI() const { return FDevicePPI; }

protected:
    TvdxComponent *FComponent = nullptr;
    const QMetaObject *FClassRef = nullptr;
    QWidget *FOwner = nullptr;
    long double FOffsetX = 0;
    long double FOffsetY = 0;
    long double FScale = 0;
    int FDevicePPI = 96;
};

// The editors manager registered in an editors list under a component's
// class name (none when there is none or it holds no editor). The hook
// answers through the managers' own lookup unless a caller replaces it.
using TvdxFindInPlaceEditors = std::function<TvdPersistent *(TvdxComponentEditorsList *, TvdxComponent *)>;
TvdxFindInPlaceEditors &vdxFindInPlaceEditorsHook();
TvdPersistent *vdxFindInPlaceEditors(TvdxComponentEditorsList *editorsList, TvdxComponent *component);

// What the preview asks of an editors manager (the managers' own by default).
struct TvdxInPlaceManagerOps {
    std::function<void(TvdPersistent *manager, TvdxComponent *, TvdxInteractiveEventsParams &, QIODevice *,
                       TvdxCopyPasteType)>
        copyContent;
    std::function<void(TvdPersistent *manager, TvdxComponent *, TvdxInteractiveEventsParams &, QIODevice *,
                       TvdxCopyPasteType)>
        pasteContent;
    std::function<bool(TvdPersistent *manager, TvdxComponent *, TvdxInteractiveEventsParams &, TvdxCopyPasteType)>
        isPasteAvailable;
};
TvdxInPlaceManagerOps &vdxInPlaceManagerOps();

// Called at the end of several dialogs' creation; does nothing.
void vdxFormCreateHook(QWidget *form);

// ---------------------------------------------------------------------------
// The selected objects. Only report components stay selected; every object
// given goes to the inspector's list.
class TvdxSelectedObjectsList {
public:
    TvdxSelectedObjectsList() = default;
    ~TvdxSelectedObjectsList();
    TvdxSelectedObjectsList(const TvdxSelectedObjectsList &) = delete;
    TvdxSelectedObjectsList &operator=(const TvdxSelectedObjectsList &) = delete;

    int Count() const { return int(FItems.size()); }
    TvdxComponent *Items(int index) const { return FItems.at(index); }
    TvdxComponent *operator[](int index) const { return FItems.at(index); }
    int IndexOf(const QObject *item) const;
    void Add(QObject *item);
    // Takes the item out; -1 when it is not there.
    int Remove(QObject *item);
    void Delete(int index);
    void Clear();
    void ClearInspectorList() { FInspSelectedObjects.clear(); }

    // The objects the inspector shows (entries go when their object does).
    QList<QObject *> InspSelectedObjects() const;
    bool Updated = false;

private:
    void deleted(TvdxComponent *item);

    QList<TvdxComponent *> FItems;
    QList<QPointer<QObject>> FInspSelectedObjects;
};

// ---------------------------------------------------------------------------
// The preview control's base; the preview subsystem implements it.
class TvdxCustomPreview : public QWidget {
    Q_OBJECT
public:
    explicit TvdxCustomPreview(QWidget *owner = nullptr);
    ~TvdxCustomPreview() override;

    virtual TvdxReport *GetReport() { return nullptr; }
    virtual void DoFinishInPlace(QObject *sender, bool refresh, bool modified);
    virtual TvdxCustomPreviewPages *GetPreviewPages();
    virtual void SetDefaultEventParams(TvdxInteractiveEventsParams &eventParams);
    virtual bool Init(TvdxReport *aReport, TvdxCustomPreviewPages *aPrevPages);
    virtual void UnInit(TvdxReport *aReport);
    virtual bool Lock();
    virtual void Unlock(bool doUpdate = true);
    virtual void RefreshReport();
    virtual void InternalCopy();
    virtual void InternalPaste();
    virtual bool InternalIsPasteAvailable();
    virtual void InternalOnProgressStart(QObject *sender, int progressType, int progress);
    virtual void InternalOnProgress(QObject *sender, int progressType, int progress);
    virtual void InternalOnProgressStop(QObject *sender, int progressType, int progress);
    virtual void AddPreviewTab(TvdxReport *aReport, const QString &tabName, const QString &tabCaption,
                               bool freeObjects, TvdxComponent *aDetailPage);
    virtual void AddPreviewTabOrSwitch(TvdxReport *aReport, const QString &tabName, const QString &tabCaption,
                                       bool freeObjects, TvdxComponent *aDetailPage);
    virtual void RemoveTab(int tabIndex);
    virtual bool HasTab(const QString &tabName);
    virtual bool HasTab(TvdxReport *aReport);
    virtual bool HasVisibleTabs();
    virtual void PreviewPagesChanged();
    virtual void SwitchToTab(const QString &tabName);
    virtual void SwitchToTab(TvdxReport *aReport);

    TvdxReport *Report() { return GetReport(); }
    TvdxCustomPreviewPages *PreviewPages() { return GetPreviewPages(); }
    TvdxComponentEditorsList *InPlaceEditorsList() const { return FInPlaceEditorsList; }
    void SetInPlaceEditorsList(TvdxComponentEditorsList *value) { FInPlaceEditorsList = value; }
    TvdxSelectedObjectsList *SelectionList() const { return FSelectionList.get(); }
    bool UseReportHints = false;

protected:
    // Whether the report's preview buttons include the named one ("pbCopy").
    bool hasPreviewButton(const char *button);

    // Owned by the in-place editor managers' module, which frees it.
    TvdxComponentEditorsList *FInPlaceEditorsList = nullptr;
    std::unique_ptr<TvdxSelectedObjectsList> FSelectionList;
};

// Current prepared pages of a report (none without one); installed by the
// report, which owns the prepared-page sets.
using TvdxReportPreviewPages = std::function<TvdxCustomPreviewPages *(TvdxReport *)>;
TvdxReportPreviewPages &vdxReportPreviewPagesHook();
