// In-place editor registry and managers: which editor classes serve which
// report object classes (and where: designer, preview), and the per-host
// list of managers that forward mouse, drag, draw, copy and paste events to
// the editor instances of one component class.
#pragma once
#include "report/vdxClass_bases.h"

#include <QStringList>
#include <vector>

class TCustomIniFile;

enum TvdxComponentEditorVisibilityState { evPreview, evDesigner };
// Stored as an integer: 1 = preview, 2 = designer, 3 = both.
using TvdxComponentEditorVisibility = int;
constexpr TvdxComponentEditorVisibility vdxEditorVisibility(TvdxComponentEditorVisibilityState s)
{
    return 1 << int(s);
}
constexpr TvdxComponentEditorVisibility evBoth = 3;

// The class reference of an in-place editor: its name and its constructor.
struct TvdxInPlaceEditorClassInfo {
    const char *Name;
    TvdxInPlaceEditor *(*Create)(const QMetaObject *aClassRef, QWidget *aOwner);
};
using TvdxInPlaceEditorClass = const TvdxInPlaceEditorClassInfo *;

// An editor class names itself with a static EditorClassName.
template <class T>
TvdxInPlaceEditorClass vdxInPlaceEditorClass()
{
    static const TvdxInPlaceEditorClassInfo info{
        T::EditorClassName,
        [](const QMetaObject *aClassRef, QWidget *aOwner) -> TvdxInPlaceEditor * { return new T(aClassRef, aOwner); }};
    return &info;
}

// ---------------------------------------------------------------------------
class TvdxComponentEditorsRegItem {
public:
    explicit TvdxComponentEditorsRegItem(const QMetaObject *componentClass) : FComponentClass(componentClass) {}

    QString ComponentClassName() const { return QString::fromLatin1(FComponentClass->className()); }
    const QMetaObject *ComponentClass() const { return FComponentClass; }
    int Count() const { return int(FEditorsClasses.size()); }
    TvdxInPlaceEditorClass GetEditorClass(int index) const { return FEditorsClasses.at(index); }
    void SetEditorClass(int index, TvdxInPlaceEditorClass value) { FEditorsClasses[index] = value; }
    TvdxComponentEditorVisibility GetEditorVisibility(int index) const { return FEditorsVisibility.at(index); }
    void SetEditorVisibility(int index, TvdxComponentEditorVisibility value) { FEditorsVisibility[index] = value; }
    void AddEditor(TvdxInPlaceEditorClass aClass, TvdxComponentEditorVisibility visibility);
    // Takes out the first occurrence from both lists.
    void RemoveEditor(TvdxInPlaceEditorClass aClass);

private:
    const QMetaObject *FComponentClass;
    QList<TvdxInPlaceEditorClass> FEditorsClasses;
    QList<TvdxComponentEditorVisibility> FEditorsVisibility;
};

class TvdxComponentEditorsManager;

// The managers of one host (workspace or preview), one per component class.
class TvdxComponentEditorsList {
public:
    TvdxComponentEditorsList() = default;
    ~TvdxComponentEditorsList();
    TvdxComponentEditorsList(const TvdxComponentEditorsList &) = delete;
    TvdxComponentEditorsList &operator=(const TvdxComponentEditorsList &) = delete;

    void CreateInstanceFromItem(TvdxComponentEditorsRegItem *aItem, QWidget *aOwner,
                                TvdxComponentEditorVisibilityState aVisibility);
    int Count() const { return int(FNames.size()); }
    QString Names(int index) const { return FNames.at(index); }
    int IndexOf(const QString &className) const;
    TvdxComponentEditorsManager *GetEditors(int index) const { return FManagers.at(index); }
    void PutEditors(int index, TvdxComponentEditorsManager *value);
    int EditorsInstancesCount() const { return int(FEditorsInstances.size()); }

private:
    QStringList FNames;
    QList<TvdxComponentEditorsManager *> FManagers;
    QList<TvdxInPlaceEditor *> FEditorsInstances;
};

class TvdxComponentEditorsClasses {
public:
    TvdxComponentEditorsClasses() = default;
    ~TvdxComponentEditorsClasses();
    TvdxComponentEditorsClasses(const TvdxComponentEditorsClasses &) = delete;
    TvdxComponentEditorsClasses &operator=(const TvdxComponentEditorsClasses &) = delete;

    // Missing visibilities default to designer and preview.
    void Register(const QMetaObject *componentClass, const QList<TvdxInPlaceEditorClass> &componentEditors,
                  const QList<TvdxComponentEditorVisibility> &editorsVisibility = {});
    void UnRegister(const QMetaObject *componentClass);
    // Drops the class once its last editor is gone.
    void UnRegister(const QMetaObject *componentClass, TvdxInPlaceEditorClass editorClass);
    // From every class; emptied items stay.
    void UnRegisterEditor(TvdxInPlaceEditorClass editorClass);

    int Count() const { return int(FList.size()); }
    int IndexOf(const QString &className) const;
    TvdxComponentEditorsRegItem *GetEditors(int index) const { return FItems.at(index); }
    void PutEditors(int index, TvdxComponentEditorsRegItem *value);

    void SaveToIni(TCustomIniFile &iniFile) const;
    void LoadFromIni(const TCustomIniFile &iniFile);

    // A new list (the caller's) with one manager per registered class, in
    // registration order, holding the editors visible in aVisibility.
    TvdxComponentEditorsList *CreateEditorsInstances(TvdxComponentEditorVisibilityState aVisibility,
                                                     QWidget *aOwner) const;

private:
    QStringList FList;
    QList<TvdxComponentEditorsRegItem *> FItems;
};

// Forwards the host's events to the editor instances of one component class.
class TvdxComponentEditorsManager : public TvdPersistent {
    Q_OBJECT
public:
    explicit TvdxComponentEditorsManager(const QMetaObject *componentClass) : FComponentClass(componentClass) {}

    void SetOffset(long double aOffsetX, long double aOffsetY, long double aScale);
    bool DoMouseDown(int x, int y, TvdxMouseButton button, TvdxShiftState shift,
                     TvdxInteractiveEventsParams &eventParams);
    bool DoMouseMove(int x, int y, TvdxShiftState shift, TvdxInteractiveEventsParams &eventParams);
    bool DoMouseUp(int x, int y, TvdxMouseButton button, TvdxShiftState shift, TvdxInteractiveEventsParams &eventParams);
    bool DoMouseWheel(TvdxShiftState shift, int wheelDelta, QPoint mousePos, TvdxInteractiveEventsParams &eventParams);
    bool DoCustomDragOver(QObject *source, int x, int y, int state, bool &accept,
                          TvdxInteractiveEventsParams &eventParams);
    bool DoCustomDragDrop(QObject *source, int x, int y, TvdxInteractiveEventsParams &eventParams);
    void DrawCustomEditor(Canvas &aCanvas, const QRect &aRect);
    void InitializeUI(TvdxInteractiveEventsParams &eventParams);
    void FinalizeUI(TvdxInteractiveEventsParams &eventParams);
    void CopyContent(TvdxComponent *copyFrom, TvdxInteractiveEventsParams &eventParams, QIODevice *buffer,
                     TvdxCopyPasteType copyAs);
    void PasteContent(TvdxComponent *pasteTo, TvdxInteractiveEventsParams &eventParams, QIODevice *buffer,
                      TvdxCopyPasteType pasteAs);
    bool IsPasteAvailable(TvdxComponent *pasteTo, TvdxInteractiveEventsParams &eventParams,
                          TvdxCopyPasteType pasteAs);
    // The point lies in one editor's active rectangle moved by the object's
    // top-left corner (edges included); an empty rectangle never contains.
    bool IsContain(const QRect &objectRect, long double x, long double y);
    QList<QRect> EditorsActiveRects(TvdxComponent *aComponent);
    void SetClipboardObject(TvdPersistent *aObject);

    TvdxComponent *Component() const;
    void SetComponent(TvdxComponent *value);
    const QMetaObject *ComponentClass() const { return FComponentClass; }
    int Count() const { return int(FEditorsGlasses.size()); }
    TvdxInPlaceEditor *Editor(int index) const { return FEditorsGlasses.at(index); }
    void AddEditor(TvdxInPlaceEditor *editor) { FEditorsGlasses.append(editor); }

private:
    // The editor about to be called gets the host's offsets and scale.
    TvdxInPlaceEditor *prepared(TvdxInPlaceEditor *editor);

    long double FOffsetX = 0;
    long double FOffsetY = 0;
    long double FScale = 1;
    QList<TvdxInPlaceEditor *> FEditorsGlasses;
    const QMetaObject *FComponentClass;
};

// The process-wide registry, created on first use.
TvdxComponentEditorsClasses &vdxInPlaceEditorRegistry();
// Removes one registration when the registry exists.
void vdxUnregisterInPlaceEditor(const QMetaObject *componentClass, TvdxInPlaceEditorClass editorClass);
// The manager for the component's exact class, none when absent or empty.
TvdxComponentEditorsManager *vdxFindComponentEditors(TvdxComponentEditorsList *editorsList,
                                                     TvdxComponent *component);

// A drag source standing for one node of a tree: the band editor hands each
// dropped field to the object meant for it.
class TvdxEventObject : public QObject {
    Q_OBJECT
public:
    TvdxEventObject(QObject *sender, int index) : Sender(sender), Index(index) {}
    QObject *Sender;
    int Index;
};
