#include "report/vdxClass_inplace.h"

#include "platform/IniFile.h"
#include "report/vdxClass_component.h"

#include <cmath>

// ---------------------------------------------------------------------------
void TvdxComponentEditorsRegItem::AddEditor(TvdxInPlaceEditorClass aClass, TvdxComponentEditorVisibility visibility)
{
    FEditorsClasses.append(aClass);
    FEditorsVisibility.append(visibility);
}

void TvdxComponentEditorsRegItem::RemoveEditor(TvdxInPlaceEditorClass aClass)
{
    const int i = int(FEditorsClasses.indexOf(aClass));
    if (i < 0)
        return;
    FEditorsClasses.removeAt(i);
    FEditorsVisibility.removeAt(i);
}

// ---------------------------------------------------------------------------
TvdxComponentEditorsClasses::~TvdxComponentEditorsClasses() { qDeleteAll(FItems); }

int TvdxComponentEditorsClasses::IndexOf(const QString &className) const
{
    for (int i = 0; i < FList.size(); ++i)
        if (FList.at(i).compare(className, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void TvdxComponentEditorsClasses::PutEditors(int index, TvdxComponentEditorsRegItem *value)
{
    if (FItems.at(index) != value)
        delete FItems.at(index);
    FItems[index] = value;
}

void TvdxComponentEditorsClasses::Register(const QMetaObject *componentClass,
                                           const QList<TvdxInPlaceEditorClass> &componentEditors,
                                           const QList<TvdxComponentEditorVisibility> &editorsVisibility)
{
    if (componentEditors.isEmpty() || !componentClass)
        return;
    const QString name = QString::fromLatin1(componentClass->className());
    int i = IndexOf(name);
    if (i < 0) {
        FList.append(name);
        FItems.append(new TvdxComponentEditorsRegItem(componentClass));
        i = int(FList.size()) - 1;
    }
    TvdxComponentEditorsRegItem *item = FItems.at(i);
    for (int e = 0; e < componentEditors.size(); ++e)
        item->AddEditor(componentEditors.at(e), e < editorsVisibility.size() ? editorsVisibility.at(e) : evBoth);
}

void TvdxComponentEditorsClasses::UnRegister(const QMetaObject *componentClass)
{
    const int i = componentClass ? IndexOf(QString::fromLatin1(componentClass->className())) : -1;
    if (i < 0)
        return;
    delete FItems.takeAt(i);
    FList.removeAt(i);
}

void TvdxComponentEditorsClasses::UnRegister(const QMetaObject *componentClass, TvdxInPlaceEditorClass editorClass)
{
    const int i = componentClass ? IndexOf(QString::fromLatin1(componentClass->className())) : -1;
    if (i < 0)
        return;
    FItems.at(i)->RemoveEditor(editorClass);
    if (FItems.at(i)->Count() == 0) {
        delete FItems.takeAt(i);
        FList.removeAt(i);
    }
}

void TvdxComponentEditorsClasses::UnRegisterEditor(TvdxInPlaceEditorClass editorClass)
{
    for (TvdxComponentEditorsRegItem *item : std::as_const(FItems))
        item->RemoveEditor(editorClass);
}

void TvdxComponentEditorsClasses::SaveToIni(TCustomIniFile &iniFile) const
{
    for (const TvdxComponentEditorsRegItem *item : FItems)
        for (int e = 0; e < item->Count(); ++e)
            iniFile.WriteInteger(item->ComponentClassName(), QString::fromLatin1(item->GetEditorClass(e)->Name),
                                 item->GetEditorVisibility(e));
}

void TvdxComponentEditorsClasses::LoadFromIni(const TCustomIniFile &iniFile)
{
    for (TvdxComponentEditorsRegItem *item : std::as_const(FItems))
        for (int e = 0; e < item->Count(); ++e) {
            const int v = iniFile.ReadInteger(item->ComponentClassName(),
                                              QString::fromLatin1(item->GetEditorClass(e)->Name),
                                              item->GetEditorVisibility(e));
            // Only the two known places; anything else keeps the current choice.
            item->SetEditorVisibility(e, (v & ~evBoth) == 0 ? v : item->GetEditorVisibility(e));
        }
}

TvdxComponentEditorsList *
TvdxComponentEditorsClasses::CreateEditorsInstances(TvdxComponentEditorVisibilityState aVisibility,
                                                    QWidget *aOwner) const
{
    auto *list = new TvdxComponentEditorsList;
    for (TvdxComponentEditorsRegItem *item : FItems)
        list->CreateInstanceFromItem(item, aOwner, aVisibility);
    return list;
}

// ---------------------------------------------------------------------------
TvdxComponentEditorsList::~TvdxComponentEditorsList()
{
    qDeleteAll(FManagers);
    FManagers.clear();
    // Editors detach from their objects as they go, while the list still answers.
    for (TvdxInPlaceEditor *e : std::as_const(FEditorsInstances))
        e->Editors = nullptr;
    qDeleteAll(FEditorsInstances);
}

void TvdxComponentEditorsList::CreateInstanceFromItem(TvdxComponentEditorsRegItem *aItem, QWidget *aOwner,
                                                      TvdxComponentEditorVisibilityState aVisibility)
{
    if (!aItem)
        return;
    auto *manager = new TvdxComponentEditorsManager(aItem->ComponentClass());
    for (int e = 0; e < aItem->Count(); ++e) {
        if (!(aItem->GetEditorVisibility(e) & vdxEditorVisibility(aVisibility)))
            continue;
        TvdxInPlaceEditor *editor = aItem->GetEditorClass(e)->Create(aItem->ComponentClass(), aOwner);
        editor->Editors = this;
        FEditorsInstances.append(editor);
        manager->AddEditor(editor);
    }
    FNames.append(aItem->ComponentClassName());
    FManagers.append(manager);
}

int TvdxComponentEditorsList::IndexOf(const QString &className) const
{
    for (int i = 0; i < FNames.size(); ++i)
        if (FNames.at(i).compare(className, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void TvdxComponentEditorsList::PutEditors(int index, TvdxComponentEditorsManager *value)
{
    if (FManagers.at(index) != value)
        delete FManagers.at(index);
    FManagers[index] = value;
}

// ---------------------------------------------------------------------------
namespace {
// An event goes to one editor after another until one handles it.
template <class F>
bool offerUntilHandled(const QList<TvdxInPlaceEditor *> &editors, F handles)
{
    for (TvdxInPlaceEditor *e : editors)
        if (handles(e))
            return true;
    return false;
}
} // namespace

TvdxInPlaceEditor *TvdxComponentEditorsManager::prepared(TvdxInPlaceEditor *editor)
{
    editor->SetOffset(FOffsetX, FOffsetY, FScale);
    return editor;
}

void TvdxComponentEditorsManager::SetOffset(long double aOffsetX, long double aOffsetY, long double aScale)
{
    FOffsetX = aOffsetX;
    FOffsetY = aOffsetY;
    FScale = aScale;
}

bool TvdxComponentEditorsManager::DoMouseDown(int x, int y, TvdxMouseButton button, TvdxShiftState shift,
                                              TvdxInteractiveEventsParams &eventParams)
{
    return offerUntilHandled(FEditorsGlasses,
                             [&](TvdxInPlaceEditor *e) { return prepared(e)->DoMouseDown(x, y, button, shift, eventParams); });
}

bool TvdxComponentEditorsManager::DoMouseMove(int x, int y, TvdxShiftState shift,
                                              TvdxInteractiveEventsParams &eventParams)
{
    return offerUntilHandled(FEditorsGlasses,
                             [&](TvdxInPlaceEditor *e) { return prepared(e)->DoMouseMove(x, y, shift, eventParams); });
}

bool TvdxComponentEditorsManager::DoMouseUp(int x, int y, TvdxMouseButton button, TvdxShiftState shift,
                                            TvdxInteractiveEventsParams &eventParams)
{
    return offerUntilHandled(FEditorsGlasses,
                             [&](TvdxInPlaceEditor *e) { return prepared(e)->DoMouseUp(x, y, button, shift, eventParams); });
}

bool TvdxComponentEditorsManager::DoMouseWheel(TvdxShiftState shift, int wheelDelta, QPoint mousePos,
                                               TvdxInteractiveEventsParams &eventParams)
{
    return offerUntilHandled(FEditorsGlasses,
                             [&](TvdxInPlaceEditor *e) { return prepared(e)->DoMouseWheel(shift, wheelDelta, mousePos, eventParams); });
}

bool TvdxComponentEditorsManager::DoCustomDragOver(QObject *source, int x, int y, int state, bool &accept,
                                                   TvdxInteractiveEventsParams &eventParams)
{
    return offerUntilHandled(FEditorsGlasses,
                             [&](TvdxInPlaceEditor *e) { return prepared(e)->DoCustomDragOver(source, x, y, state, accept, eventParams); });
}

bool TvdxComponentEditorsManager::DoCustomDragDrop(QObject *source, int x, int y,
                                                   TvdxInteractiveEventsParams &eventParams)
{
    return offerUntilHandled(FEditorsGlasses,
                             [&](TvdxInPlaceEditor *e) { return prepared(e)->DoCustomDragDrop(source, x, y, eventParams); });
}

void TvdxComponentEditorsManager::DrawCustomEditor(Canvas &aCanvas, const QRect &aRect)
{
    for (TvdxInPlaceEditor *e : std::as_const(FEditorsGlasses))
        prepared(e)->DrawCustomEditor(aCanvas, aRect);
}

void TvdxComponentEditorsManager::InitializeUI(TvdxInteractiveEventsParams &eventParams)
{
    for (TvdxInPlaceEditor *e : std::as_const(FEditorsGlasses)) {
        prepared(e)->InitializeUI(eventParams);
        e->ComponentsGroup = eventParams.SelectionList;
    }
}

void TvdxComponentEditorsManager::FinalizeUI(TvdxInteractiveEventsParams &eventParams)
{
    for (TvdxInPlaceEditor *e : std::as_const(FEditorsGlasses))
        prepared(e)->FinalizeUI(eventParams);
}

namespace {

int selectionCount(const TvdxInteractiveEventsParams &p)
{
    return p.SelectionList ? p.SelectionList->Count() : 0;
}

bool copyStops(TvdxComponent *copyFrom, const TvdxInteractiveEventsParams &p)
{
    if (!copyFrom)
        return false;
    return (p.EventSender == esPreview && !copyFrom->Editable().testFlag(TvdxComponent::ferAllowInPreview)
            && copyFrom->Restrictions().testFlag(TvdxComponent::rfDontEditInPreview))
        || p.EditRestricted;
}

bool pasteStops(TvdxComponent *pasteTo, const TvdxInteractiveEventsParams &p)
{
    if (!pasteTo)
        return false;
    return (p.EventSender == esPreview && !pasteTo->Editable().testFlag(TvdxComponent::ferAllowInPreview))
        || p.EditRestricted;
}

} // namespace

void TvdxComponentEditorsManager::CopyContent(TvdxComponent *copyFrom, TvdxInteractiveEventsParams &eventParams,
                                              QIODevice *buffer, TvdxCopyPasteType copyAs)
{
    for (TvdxInPlaceEditor *e : std::as_const(FEditorsGlasses)) {
        prepared(e);
        if (selectionCount(eventParams) > 1) {
            e->CopyGoupContent(copyFrom, eventParams, buffer, copyAs);
            continue;
        }
        if (copyStops(copyFrom, eventParams))
            return;
        if (copyAs == cptDefault)
            copyAs = e->DefaultContentType();
        e->CopyContent(copyFrom, eventParams, buffer, copyAs);
    }
}

void TvdxComponentEditorsManager::PasteContent(TvdxComponent *pasteTo, TvdxInteractiveEventsParams &eventParams,
                                               QIODevice *buffer, TvdxCopyPasteType pasteAs)
{
    for (TvdxInPlaceEditor *e : std::as_const(FEditorsGlasses)) {
        prepared(e);
        if (selectionCount(eventParams) > 1) {
            e->PasteGoupContent(pasteTo, eventParams, buffer, pasteAs);
            continue;
        }
        if (pasteStops(pasteTo, eventParams))
            return;
        e->PasteContent(pasteTo, eventParams, buffer, pasteAs);
    }
}

bool TvdxComponentEditorsManager::IsPasteAvailable(TvdxComponent *pasteTo, TvdxInteractiveEventsParams &eventParams,
                                                   TvdxCopyPasteType pasteAs)
{
    if (pasteStops(pasteTo, eventParams))
        return false;
    for (TvdxInPlaceEditor *e : std::as_const(FEditorsGlasses))
        if (prepared(e)->IsPasteAvailable(pasteTo, eventParams, pasteAs))
            return true;
    return false;
}

bool TvdxComponentEditorsManager::IsContain(const QRect &objectRect, long double x, long double y)
{
    for (TvdxInPlaceEditor *e : std::as_const(FEditorsGlasses)) {
        const QRect r = prepared(e)->GetActiveRect();
        if (r.width() == 0 || r.height() == 0)
            continue;
        // Both edges belong to the rectangle.
        const long double l = r.left() + objectRect.left(), t = r.top() + objectRect.top();
        const long double rr = l + r.width(), b = t + r.height();
        if (x >= l && x <= rr && y >= t && y <= b)
            return true;
    }
    return false;
}

QList<QRect> TvdxComponentEditorsManager::EditorsActiveRects(TvdxComponent *aComponent)
{
    QList<QRect> rects;
    const int dx = aComponent ? int(std::lround(double(aComponent->AbsLeft()))) : 0;
    const int dy = aComponent ? int(std::lround(double(aComponent->AbsTop()))) : 0;
    for (TvdxInPlaceEditor *e : std::as_const(FEditorsGlasses))
        rects.append(prepared(e)->GetActiveRect().translated(dx, dy));
    return rects;
}

void TvdxComponentEditorsManager::SetClipboardObject(TvdPersistent *aObject)
{
    for (TvdxInPlaceEditor *e : std::as_const(FEditorsGlasses))
        e->ClipboardObject = aObject;
}

TvdxComponent *TvdxComponentEditorsManager::Component() const
{
    return FEditorsGlasses.isEmpty() ? nullptr : FEditorsGlasses.first()->Component();
}

void TvdxComponentEditorsManager::SetComponent(TvdxComponent *value)
{
    for (TvdxInPlaceEditor *e : std::as_const(FEditorsGlasses))
        e->SetComponent(value);
}

// ---------------------------------------------------------------------------
namespace {

TvdxComponentEditorsClasses *g_registry = nullptr;

} // namespace

TvdxComponentEditorsClasses &vdxInPlaceEditorRegistry()
{
    // Never freed: module finalisers may still unregister during shutdown.
    if (!g_registry)
        g_registry = new TvdxComponentEditorsClasses;
    return *g_registry;
}

void vdxUnregisterInPlaceEditor(const QMetaObject *componentClass, TvdxInPlaceEditorClass editorClass)
{
    if (g_registry)
        g_registry->UnRegister(componentClass, editorClass);
}

TvdxComponentEditorsManager *vdxFindComponentEditors(TvdxComponentEditorsList *editorsList, TvdxComponent *component)
{
    if (!editorsList || !component)
        return nullptr;
    const int i = editorsList->IndexOf(QString::fromLatin1(component->metaObject()->className()));
    if (i < 0)
        return nullptr;
    TvdxComponentEditorsManager *manager = editorsList->GetEditors(i);
    return manager && manager->Count() > 0 ? manager : nullptr;
}
