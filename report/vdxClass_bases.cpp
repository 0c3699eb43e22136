#include "report/vdxClass_bases.h"

#include "core/vdBaseForm.h"
#include "core/vdUtils.h"
#include "core/vdXML.h"
#include "report/vdxClass_inplace.h"
#include "report/vdxClass_report.h"

#include <QDir>
#include <QFile>
#include <QMetaEnum>
#include <QMetaProperty>
#include <QVariant>

// ---------------------------------------------------------------------------
TvdxCustomWizard::TvdxCustomWizard(TvdComponent *owner, TvdxCustomDesigner *designer)
    : TvdComponent(owner), FDesigner(designer)
{
}

bool TvdxCustomWizard::Execute() { vdxAbstractError(); }

TvdxReport *TvdxCustomWizard::Report() const { return FDesigner ? FDesigner->Report() : nullptr; }

// ---------------------------------------------------------------------------
TvdxCompressorClass &vdxCompressorClass()
{
    static TvdxCompressorClass cls = nullptr;
    return cls;
}

TvdxCrypterClass &vdxCrypterClass()
{
    static TvdxCrypterClass cls = nullptr;
    return cls;
}

TvdxCustomCompressor::TvdxCustomCompressor(TvdComponent *owner, TvdxCompressorClass cls) : TvdComponent(owner)
{
    FOldCompressor = vdxCompressorClass();
    vdxCompressorClass() = cls;
    // Registered only when placed on a form (it has an owner).
    FFilter = std::make_unique<TvdxSaveToCompressedFilter>(nullptr, owner == nullptr);
}

TvdxCustomCompressor::~TvdxCustomCompressor()
{
    FFilter.reset();
    vdxCompressorClass() = FOldCompressor;
    FStream.reset();
    if (!FTempFile.isEmpty())
        QFile::remove(FTempFile);
}

bool TvdxCustomCompressor::Decompress(QIODevice &) { vdxAbstractError(); }
void TvdxCustomCompressor::Compress(QIODevice &) { vdxAbstractError(); }

void TvdxCustomCompressor::SetIsVD3File(bool value)
{
    FIsVD3File = value;
    FFilter->SetIsVD3File(value);
}

void TvdxCustomCompressor::CreateStream()
{
    bool useFileCache = false;
    QString tempDir;
    if (Report)
        if (auto *options = Report->property("EngineOptions").value<QObject *>()) {
            useFileCache = options->property("UseFileCache").toBool();
            tempDir = options->property("TempDir").toString();
        }
    FStream.reset();
    if (!FTempFile.isEmpty()) {
        QFile::remove(FTempFile);
        FTempFile.clear();
    }
    if (FIsVD3File || !useFileCache) {
        auto buffer = std::make_unique<QBuffer>();
        buffer->open(QIODevice::ReadWrite);
        FStream = std::move(buffer);
        return;
    }
    // The file is created by the name call itself (exclusive create), then opened.
    FTempFile = NewTempFileNameIn(tempDir, QStringLiteral("vdx"));
    auto file = std::make_unique<QFile>(FTempFile);
    if (FTempFile.isEmpty() || !file->open(QIODevice::ReadWrite | QIODevice::Truncate))
        throw EFCreateError(QStringLiteral("Cannot create file \"%1\". %2").arg(FTempFile, file->errorString()));
    FStream = std::move(file);
}

TvdxCustomCrypter::TvdxCustomCrypter(TvdComponent *owner, TvdxCrypterClass cls) : TvdComponent(owner)
{
    vdxCrypterClass() = cls;
}

TvdxCustomCrypter::~TvdxCustomCrypter() = default;

bool TvdxCustomCrypter::Decrypt(QIODevice &, const QByteArray &) { vdxAbstractError(); }
void TvdxCustomCrypter::Crypt(QIODevice &, const QByteArray &) { vdxAbstractError(); }

void TvdxCustomCrypter::CreateStream()
{
    auto buffer = std::make_unique<QBuffer>();
    buffer->open(QIODevice::ReadWrite);
    FStream = std::move(buffer);
}

// ---------------------------------------------------------------------------
TvdxGlobalDataSetList::TvdxGlobalDataSetList() : FCriticalSection(std::make_unique<QRecursiveMutex>()) {}

TvdxGlobalDataSetList::~TvdxGlobalDataSetList()
{
    // Lock and Unlock do nothing from here on.
    auto cs = std::move(FCriticalSection);
}

void TvdxGlobalDataSetList::Lock()
{
    if (FCriticalSection)
        FCriticalSection->lock();
}

void TvdxGlobalDataSetList::Unlock()
{
    if (FCriticalSection)
        FCriticalSection->unlock();
}

int TvdxGlobalDataSetList::Remove(TvdxDataSet *ds)
{
    const int i = int(FItems.indexOf(ds));
    if (i >= 0)
        FItems.removeAt(i);
    return i;
}

TvdxGlobalDataSetList *vdxGlobalDataSetList()
{
    // Data sets of static lifetime may leave it at exit: never freed.
    static auto *list = new TvdxGlobalDataSetList;
    return list;
}

// ---------------------------------------------------------------------------
TvdxInPlaceEditor::TvdxInPlaceEditor(const QMetaObject *aClassRef, QWidget *aOwner)
    : FClassRef(aClassRef), FOwner(aOwner), FDevicePPI(vdScreenPPI())
{
}

TvdxInPlaceEditor::~TvdxInPlaceEditor() { SetComponent(nullptr); }

void TvdxInPlaceEditor::SetComponent(TvdxComponent *value)
{
    if (value == FComponent)
        return;
    if (Locked && value) {
        value->SetComponentEditors(nullptr);
        return;
    }
    if (FComponent) {
        EditInPlaceDone();
        FComponent->SetComponentEditors(nullptr);
    }
    FComponent = value;
    if (FComponent)
        FComponent->SetComponentEditors(vdxFindInPlaceEditors(Editors, FComponent));
}

void TvdxInPlaceEditor::DoFinishInPlace(QObject *, bool refresh, bool modified)
{
    if (!OnFinishInPlace)
        return;
    auto handler = std::move(OnFinishInPlace);
    OnFinishInPlace = nullptr;
    handler(FComponent, refresh, modified);
}

bool TvdxInPlaceEditor::DoCustomDragOver(QObject *, int, int, int, bool &, TvdxInteractiveEventsParams &)
{
    return false;
}
bool TvdxInPlaceEditor::DoCustomDragDrop(QObject *, int, int, TvdxInteractiveEventsParams &) { return false; }
bool TvdxInPlaceEditor::DoMouseMove(int, int, TvdxShiftState, TvdxInteractiveEventsParams &) { return false; }
bool TvdxInPlaceEditor::DoMouseUp(int, int, TvdxMouseButton, TvdxShiftState, TvdxInteractiveEventsParams &)
{
    return false;
}
bool TvdxInPlaceEditor::DoMouseDown(int, int, TvdxMouseButton, TvdxShiftState, TvdxInteractiveEventsParams &)
{
    return false;
}
bool TvdxInPlaceEditor::DoMouseWheel(TvdxShiftState, int, QPoint, TvdxInteractiveEventsParams &) { return false; }

void TvdxInPlaceEditor::CopyGoupContent(TvdxComponent *copyFrom, TvdxInteractiveEventsParams &eventParams,
                                        QIODevice *buffer, TvdxCopyPasteType copyAs)
{
    CopyContent(copyFrom, eventParams, buffer, copyAs);
}

void TvdxInPlaceEditor::PasteGoupContent(TvdxComponent *pasteTo, TvdxInteractiveEventsParams &eventParams,
                                         QIODevice *buffer, TvdxCopyPasteType pasteAs)
{
    PasteContent(pasteTo, eventParams, buffer, pasteAs);
}

void TvdxInPlaceEditor::CopyContent(TvdxComponent *, TvdxInteractiveEventsParams &, QIODevice *, TvdxCopyPasteType) {}
void TvdxInPlaceEditor::PasteContent(TvdxComponent *, TvdxInteractiveEventsParams &, QIODevice *, TvdxCopyPasteType)
{
}
bool TvdxInPlaceEditor::IsPasteAvailable(TvdxComponent *, TvdxInteractiveEventsParams &, TvdxCopyPasteType)
{
    return false;
}

void TvdxInPlaceEditor::SetOffset(long double aOffsetX, long double aOffsetY, long double aScale)
{
    FOffsetX = aOffsetX;
    FOffsetY = aOffsetY;
    FScale = aScale;
}

TvdxFindInPlaceEditors &vdxFindInPlaceEditorsHook()
{
    static TvdxFindInPlaceEditors hook = [](TvdxComponentEditorsList *list, TvdxComponent *c) -> TvdPersistent * {
        return vdxFindComponentEditors(list, c);
    };
    return hook;
}

TvdPersistent *vdxFindInPlaceEditors(TvdxComponentEditorsList *editorsList, TvdxComponent *component)
{
    auto &hook = vdxFindInPlaceEditorsHook();
    if (!hook || !editorsList || !component)
        return nullptr;
    return hook(editorsList, component);
}

TvdxInPlaceManagerOps &vdxInPlaceManagerOps()
{
    static TvdxInPlaceManagerOps ops = [] {
        TvdxInPlaceManagerOps o;
        o.copyContent = [](TvdPersistent *m, TvdxComponent *c, TvdxInteractiveEventsParams &p, QIODevice *b,
                           TvdxCopyPasteType t) {
            if (auto *manager = qobject_cast<TvdxComponentEditorsManager *>(m))
                manager->CopyContent(c, p, b, t);
        };
        o.pasteContent = [](TvdPersistent *m, TvdxComponent *c, TvdxInteractiveEventsParams &p, QIODevice *b,
                            TvdxCopyPasteType t) {
            if (auto *manager = qobject_cast<TvdxComponentEditorsManager *>(m))
                manager->PasteContent(c, p, b, t);
        };
        o.isPasteAvailable = [](TvdPersistent *m, TvdxComponent *c, TvdxInteractiveEventsParams &p,
                                TvdxCopyPasteType t) {
            auto *manager = qobject_cast<TvdxComponentEditorsManager *>(m);
            return manager && manager->IsPasteAvailable(c, p, t);
        };
        return o;
    }();
    return ops;
}

void vdxFormCreateHook(QWidget *) {}

// ---------------------------------------------------------------------------
TvdxSelectedObjectsList::~TvdxSelectedObjectsList()
{
    // Components must not keep pointing at a list that is gone.
    for (TvdxComponent *c : std::as_const(FItems))
        c->SetSelectList(nullptr);
}

int TvdxSelectedObjectsList::IndexOf(const QObject *item) const
{
    for (int i = 0; i < FItems.size(); ++i)
        if (static_cast<const QObject *>(FItems[i]) == item)
            return i;
    return -1;
}

void TvdxSelectedObjectsList::Add(QObject *item)
{
    if (!item)
        return;
    if (qobject_cast<TvdPersistent *>(item))
        FInspSelectedObjects.append(QPointer<QObject>(item));
    auto *component = qobject_cast<TvdxComponent *>(item);
    if (!component) {
        Updated = true;
        return;
    }
    FItems.append(component);
    // IsSelected is "has a selection list" for components.
    if (component->SelectList() != &FItems)
        component->SetSelectList(&FItems);
    Updated = true;
}

int TvdxSelectedObjectsList::Remove(QObject *item)
{
    const int i = IndexOf(item);
    if (i >= 0)
        Delete(i);
    return i;
}

void TvdxSelectedObjectsList::Delete(int index)
{
    TvdxComponent *item = FItems.takeAt(index);
    deleted(item);
}

void TvdxSelectedObjectsList::deleted(TvdxComponent *item)
{
    if (item->SelectList() == &FItems)
        item->SetSelectList(nullptr);
    if (FItems.isEmpty())
        FInspSelectedObjects.clear();
    else
        FInspSelectedObjects.removeAll(QPointer<QObject>(item));
    Updated = true;
}

void TvdxSelectedObjectsList::Clear()
{
    while (!FItems.isEmpty())
        Delete(int(FItems.size()) - 1);
}

QList<QObject *> TvdxSelectedObjectsList::InspSelectedObjects() const
{
    QList<QObject *> out;
    for (const auto &p : FInspSelectedObjects)
        if (p)
            out.append(p.data());
    return out;
}

// ---------------------------------------------------------------------------
TvdxReportPreviewPages &vdxReportPreviewPagesHook()
{
    static TvdxReportPreviewPages hook;
    return hook;
}

TvdxCustomPreview::TvdxCustomPreview(QWidget *owner)
    : QWidget(owner), FSelectionList(std::make_unique<TvdxSelectedObjectsList>())
{
}

TvdxCustomPreview::~TvdxCustomPreview() = default;

TvdxCustomPreviewPages *TvdxCustomPreview::GetPreviewPages()
{
    TvdxReport *report = GetReport();
    auto &hook = vdxReportPreviewPagesHook();
    return report && hook ? hook(report) : nullptr;
}

void TvdxCustomPreview::DoFinishInPlace(QObject *sender, bool, bool modified)
{
    if (!modified)
        return;
    if (TvdxCustomPreviewPages *pages = GetPreviewPages())
        pages->ModifyObject(qobject_cast<TvdxComponent *>(sender));
}

void TvdxCustomPreview::SetDefaultEventParams(TvdxInteractiveEventsParams &p)
{
    p.EventSender = esPreview;
    p.Refresh = false;
    p.PopupVisible = false;
    p.FireParentEvent = false;
    p.Modified = false;
    p.GridAlign = false;
    p.EditorsList = FInPlaceEditorsList;
    p.OnFinish = [this](QObject *sender, bool refresh, bool modified) { DoFinishInPlace(sender, refresh, modified); };
    p.OffsetX = 0;
    p.OffsetY = 0;
    p.Scale = 1;
    p.Sender = this;
    p.GridType = gtNone;
    p.GridX = 0;
    p.GridY = 0;
    p.DevicePPI = GetWindowPPI(this);
    p.SelectionList = FSelectionList.get();
    p.EditRestricted = false;
    if (TvdxReport *report = GetReport())
        if (auto *options = report->property("PreviewOptions").value<QObject *>())
            p.EditRestricted = !options->property("AllowPreviewEdit").toBool();
}

bool TvdxCustomPreview::hasPreviewButton(const char *button)
{
    TvdxReport *report = GetReport();
    if (!report)
        return false;
    auto *options = report->property("PreviewOptions").value<QObject *>();
    if (!options)
        return false;
    const QMetaObject *meta = options->metaObject();
    const int index = meta->indexOfProperty("Buttons");
    if (index < 0)
        return false;
    const QMetaProperty prop = meta->property(index);
    const QMetaEnum e = prop.enumerator();
    bool ok = false;
    const int bit = e.isValid() ? e.keyToValue(button, &ok) : -1;
    if (!ok)
        return false;
    return (prop.read(options).toInt() & bit) != 0;
}

void TvdxCustomPreview::InternalCopy()
{
    if (FSelectionList->Count() == 0 || !hasPreviewButton("pbCopy"))
        return;
    TvdxComponent *first = FSelectionList->Items(0);
    TvdPersistent *manager = vdxFindInPlaceEditors(FInPlaceEditorsList, first);
    auto &ops = vdxInPlaceManagerOps();
    if (!manager || !ops.copyContent)
        return;
    TvdxInteractiveEventsParams params;
    SetDefaultEventParams(params);
    ops.copyContent(manager, first, params, nullptr, cptDefault);
}

void TvdxCustomPreview::InternalPaste()
{
    if (FSelectionList->Count() == 0 || !hasPreviewButton("pbPaste"))
        return;
    TvdxComponent *first = FSelectionList->Items(0);
    TvdPersistent *manager = vdxFindInPlaceEditors(FInPlaceEditorsList, first);
    auto &ops = vdxInPlaceManagerOps();
    if (!manager || !ops.pasteContent)
        return;
    TvdxInteractiveEventsParams params;
    SetDefaultEventParams(params);
    ops.pasteContent(manager, first, params, nullptr, cptDefault);
    if (params.Refresh)
        update();
}

bool TvdxCustomPreview::InternalIsPasteAvailable()
{
    if (FSelectionList->Count() == 0 || !hasPreviewButton("pbPaste"))
        return false;
    TvdxComponent *first = FSelectionList->Items(0);
    TvdPersistent *manager = vdxFindInPlaceEditors(FInPlaceEditorsList, first);
    auto &ops = vdxInPlaceManagerOps();
    if (!manager || !ops.isPasteAvailable)
        return false;
    TvdxInteractiveEventsParams params;
    SetDefaultEventParams(params);
    return ops.isPasteAvailable(manager, first, params, cptDefault);
}

bool TvdxCustomPreview::Init(TvdxReport *, TvdxCustomPreviewPages *) { vdxAbstractError(); }
void TvdxCustomPreview::UnInit(TvdxReport *) { vdxAbstractError(); }
bool TvdxCustomPreview::Lock() { vdxAbstractError(); }
void TvdxCustomPreview::Unlock(bool) { vdxAbstractError(); }
void TvdxCustomPreview::RefreshReport() { vdxAbstractError(); }
void TvdxCustomPreview::InternalOnProgressStart(QObject *, int, int) { vdxAbstractError(); }
void TvdxCustomPreview::InternalOnProgress(QObject *, int, int) { vdxAbstractError(); }
void TvdxCustomPreview::InternalOnProgressStop(QObject *, int, int) { vdxAbstractError(); }
void TvdxCustomPreview::AddPreviewTab(TvdxReport *, const QString &, const QString &, bool, TvdxComponent *)
{
    vdxAbstractError();
}
void TvdxCustomPreview::AddPreviewTabOrSwitch(TvdxReport *, const QString &, const QString &, bool,
                                              TvdxComponent *)
{
    vdxAbstractError();
}
void TvdxCustomPreview::RemoveTab(int) { vdxAbstractError(); }
bool TvdxCustomPreview::HasTab(const QString &) { vdxAbstractError(); }
bool TvdxCustomPreview::HasTab(TvdxReport *) { vdxAbstractError(); }
bool TvdxCustomPreview::HasVisibleTabs() { vdxAbstractError(); }
void TvdxCustomPreview::PreviewPagesChanged() { vdxAbstractError(); }
void TvdxCustomPreview::SwitchToTab(const QString &) { vdxAbstractError(); }
void TvdxCustomPreview::SwitchToTab(TvdxReport *) { vdxAbstractError(); }
