// The component tree of a report: every report object (the report, pages,
// bands, views, dialog controls, data components) is a TvdxComponent. A
// component owns its children (its own list, not Qt parents), keeps bounds in
// report pixels (96 per inch) relative to its parent, and shares one name index
// per tree, kept by the top object.
#pragma once
#include "core/vdCoreClasses.h"
#include "core/vdPersistent.h"
#include "core/vdxXMLSerializer.h"
#include "report/vdFont.h"

#include <QHash>
#include <QIODevice>
#include <QList>
#include <QMap>
#include <QString>
#include <functional>
#include <memory>

class Canvas;
class TvdXMLItem;
class TvdxComponent;
class TvdxReport;
class TvdxPage;
class TvdxDataSet;
class QObject;
class QPoint;

// Mouse buttons and shift state passed to interactive operations.
enum TvdxMouseButton { mbLeft, mbRight, mbMiddle };
using TvdxShiftState = unsigned; // ssShift=1, ssAlt=2, ssCtrl=4, ssLeft=8, ssRight=16, ssMiddle=32, ssDouble=64
struct TvdxInteractiveEventsParams;

VD_DECLARE_EXCEPTION(EDuplicateName, Exception)

struct TvdPointF {
    long double X = 0;
    long double Y = 0;
};

// Hit-test, client-area and saved-bounds rectangles.
struct TvdRectF {
    float Left = 0;
    float Top = 0;
    float Right = 0;
    float Bottom = 0;
    TvdPointF TopLeft() const { return {Left, Top}; }
    TvdPointF BottomRight() const { return {Right, Bottom}; }
};

inline TvdRectF vdRectF(double l, double t, double r, double b)
{
    return TvdRectF{float(l), float(t), float(r), float(b)};
}

// ---------------------------------------------------------------------------
// The ordered child list. Every insertion and removal is reported to its
// owner; removals search from the start or from the end (set while the owner
// clears its children from the last one).
class TvdxObjectsNotifyList {
public:
    enum Action { lnAdded, lnExtracted, lnDeleted };
    using NotifyEvent = std::function<void(TvdxComponent *item, Action action)>;

    TvdxObjectsNotifyList() = default;
    TvdxObjectsNotifyList(const TvdxObjectsNotifyList &) = delete;
    TvdxObjectsNotifyList &operator=(const TvdxObjectsNotifyList &) = delete;

    int Count() const { return int(m_items.size()); }
    TvdxComponent *Items(int index) const { return m_items.at(index); }
    TvdxComponent *operator[](int index) const { return m_items.at(index); }
    const QList<TvdxComponent *> &List() const { return m_items; }
    int IndexOf(const TvdxComponent *item) const;
    void Add(TvdxComponent *item);
    void Insert(int index, TvdxComponent *item);
    // Takes the item out (reported as deleted); -1 when it is not there.
    int Remove(TvdxComponent *item);
    void Delete(int index);
    void Move(int from, int to);
    bool SearchFromEnd() const { return m_fromEnd; }
    void SetSearchFromEnd(bool value) { m_fromEnd = value; }

    NotifyEvent OnNotify;

private:
    QList<TvdxComponent *> m_items;
    bool m_fromEnd = false;
};

// Name index of a tree: case-insensitive, duplicates ignored. Hashed: a
// large template looks every name up several times while it loads. Keys
// share the names' text (TvdNameKey::Lowered).
class TvdxNameIndex {
public:
    int Count() const { return int(m_map.size()); }
    TvdxComponent *Find(const QString &name) const { return FindKey(TvdNameKey::Lowered(name)); }
    TvdxComponent *FindKey(const TvdNameKey &key) const;
    bool Contains(const QString &name) const { return m_map.contains(TvdNameKey::Lowered(name)); }
    // Keeps an existing entry of the same name.
    void Add(const QString &name, TvdxComponent *obj) { AddKey(name, TvdNameKey::Lowered(name), obj); }
    // The same with the key made already (a component's NameKey).
    void AddKey(const QString &name, const TvdNameKey &key, TvdxComponent *obj);
    void Remove(const QString &name);
    // Removes the entry only when it names obj.
    void Remove(const QString &name, const TvdxComponent *obj);
    void Clear() { m_map.clear(); }
    // Room for that many names (a template about to be read).
    void Reserve(qsizetype count) { m_map.reserve(count); }
    // Entries sorting strictly between lo and hi.
    int CountBetween(const QString &lo, const QString &hi) const;
    // In the order of their keys.
    QStringList Names() const;

private:
    struct Entry {
        QString name;
        TvdxComponent *obj = nullptr;
    };
    QHash<TvdNameKey, Entry> m_map;
};

// ---------------------------------------------------------------------------
class TvdxComponent : public TvdCustomComponent, public IvdxSerializerHooks {
    Q_OBJECT
public:
    enum TvdxAnchor { vdaLeft = 1, vdaTop = 2, vdaRight = 4, vdaBottom = 8 };
    Q_DECLARE_FLAGS(TvdxAnchors, TvdxAnchor)
    Q_FLAG(TvdxAnchors)
    enum TvdxRestriction {
        rfDontModify = 1,
        rfDontSize = 2,
        rfDontMove = 4,
        rfDontDelete = 8,
        rfDontEdit = 16,
        rfDontEditInPreview = 32,
        rfDontCopy = 64
    };
    Q_DECLARE_FLAGS(TvdxRestrictions, TvdxRestriction)
    Q_FLAG(TvdxRestrictions)
    enum TvdxEditableRight { ferAllowInPreview = 1, ferAllowInExport = 2 };
    Q_DECLARE_FLAGS(TvdxEditableRights, TvdxEditableRight)
    Q_FLAG(TvdxEditableRights)
    enum TvdxComponentStyleFlag {
        csContainer = 1,
        csPreviewVisible = 2,
        csDefaultDiff = 4,
        csHandlesNestedProperties = 8,
        csContained = 16,
        csAcceptsVdxComponents = 32,
        csObjectsContainer = 64
    };
    Q_DECLARE_FLAGS(TvdxComponentStyle, TvdxComponentStyleFlag)
    enum TvdxComponentStateFlag {
        csVdxDesigning = 1,
        csVdxWriting = 2,
        csVdxSerializeToDict = 4,
        csVdxSerializeToPreviewPages = 8,
        csVdxModifyObject = 16,
        csVdxExporting = 32,
        csVdxInteractiveForms = 64
    };
    Q_DECLARE_FLAGS(TvdxComponentState, TvdxComponentStateFlag)
    enum TvdxMirrorControlMode {
        mcmRTLBands = 1,
        mcmRTLObjects = 2,
        mcmRTLAppearance = 4,
        mcmRTLContent = 8,
        mcmRTLSpecial = 16,
        mcmBTTBands = 32,
        mcmBTTObjects = 64,
        mcmBTTAppearance = 128,
        mcmBTTContent = 256,
        mcmBTTSpecial = 512,
        mcmOnlyAllowed = 1024
    };
    Q_DECLARE_FLAGS(TvdxMirrorControlModes, TvdxMirrorControlMode)

    Q_INVOKABLE explicit TvdxComponent(TvdComponent *owner = nullptr);
    ~TvdxComponent() override;
    // Marks the object as designing, then builds it like the constructor.
    template <class T>
    static T *DesignCreate(TvdComponent *owner, int flags = 0)
    {
        Q_UNUSED(flags)
        T *obj = new T(owner);
        obj->SetIsDesigning(true);
        return obj;
    }

    // --- tree
    TvdxObjectsNotifyList &Objects() { return m_objects; }
    const TvdxObjectsNotifyList &Objects() const { return m_objects; }
    // All descendants, each before its children; rebuilt on every call.
    const QList<TvdxComponent *> &AllObjects();
    QList<TvdxComponent *> GetAllObjects() const;
    virtual QList<TvdxComponent *> ContainerObjects() const { return m_objects.List(); }
    TvdxComponent *Parent() const { return m_parent; }
    virtual void SetParent(TvdxComponent *value);
    TvdxPage *Page() const;
    virtual TvdxReport *Report() const;
    TvdxComponent *TopParent() const;
    TvdxReport *GetGlobalReport() const;
    virtual void Clear();

    // Framework tree used by the serializer and the name checks.
    bool HasParent() const override { return m_parent != nullptr; }
    TvdComponent *GetParentComponent() const override { return m_parent; }
    void SetParentComponent(TvdComponent *parent) override;
    QList<TvdComponent *> GetChildren() const override;
    TvdComponent *FindObject(const QString &name) const override;

    // --- names
    void SetName(const QString &value) override;
    QString BaseName() const;
    void SetBaseName(const QString &value) { m_baseName = value; }
    void CreateUniqueName(TvdxReport *defaultReport = nullptr);
    TvdxNameIndex *GetSortedObjects();

    // --- states
    bool IsAncestor() const { return HasState(csAncestor) || m_ancestor; }
    void SetAncestor(bool value) { m_ancestor = value; }
    bool IsDesigning() const { return m_vdState.testFlag(csVdxDesigning); }
    void SetIsDesigning(bool value);
    bool IsLoading() const { return m_isLoading || HasState(csLoading); }
    void SetIsLoading(bool value) { m_isLoading = value; }
    bool IsPrinting() const { return m_isPrinting; }
    void SetIsPrinting(bool value) { m_isPrinting = value; }
    bool IsWriting() const { return m_vdState.testFlag(csVdxWriting); }
    void SetIsWriting(bool value);
    bool IsSelected() const { return m_selectList != nullptr; }
    virtual void SetIsSelected(bool value);
    QList<TvdxComponent *> *SelectList() const { return m_selectList; }
    void SetSelectList(QList<TvdxComponent *> *list) { m_selectList = list; }
    TvdxComponentStyle vdComponentStyle() const { return m_vdStyle; }
    void SetvdComponentStyle(TvdxComponentStyle value) { m_vdStyle = value; }
    TvdxComponentState vdComponentState() const { return m_vdState; }
    void SetvdComponentState(TvdxComponentState value) { m_vdState = value; }
    bool AncestorOnlyStream() const { return m_ancestorOnlyStream; }
    void SetAncestorOnlyStream(bool value) { m_ancestorOnlyStream = value; }
    bool AllowMirrorMode() const { return m_allowMirrorMode; }
    void SetAllowMirrorMode(bool value) { m_allowMirrorMode = value; }
    int GroupIndex() const { return m_groupIndex; }
    void SetGroupIndex(int value) { m_groupIndex = value; }
    QString Description() const { return m_description; }
    void SetDescription(const QString &value) { m_description = value; }
    TvdxEditableRights Editable() const { return m_editable; }
    void SetEditable(TvdxEditableRights value) { m_editable = value; }
    virtual TvdxRestrictions Restrictions() const { return m_restrictions; }
    void SetRestrictions(TvdxRestrictions value) { m_restrictions = value; }
    int IndexTag() const { return m_indexTag; }
    void SetIndexTag(int value) { m_indexTag = value; }
    bool MouseInView() const { return m_mouseInView; }
    void SetMouseInView(bool value) { m_mouseInView = value; }
    bool Highlighted() const { return m_highlighted; }
    void SetHighlighted(bool value) { m_highlighted = value; }

    // --- geometry (report pixels, 96 per inch)
    long double Left() const { return m_left; }
    long double Top() const { return m_top; }
    long double Width() const { return m_width; }
    long double Height() const { return m_height; }
    virtual void SetLeft(long double value);
    virtual void SetTop(long double value);
    virtual void SetWidth(long double value);
    virtual void SetHeight(long double value);
    virtual bool IsLeftStored() const { return true; }
    virtual bool IsTopStored() const { return true; }
    virtual bool IsWidthStored() const { return true; }
    virtual bool IsHeightStored() const { return true; }
    void SetBounds(long double aLeft, long double aTop, long double aWidth, long double aHeight);
    long double AbsLeft() const;
    long double AbsTop() const;
    TvdxAnchors Anchors() const { return m_anchors; }
    virtual void SetAnchors(TvdxAnchors value);
    void LockAnchorsUpdate() { m_anchorsUpdating = true; }
    void UnlockAnchorsUpdate() { m_anchorsUpdating = false; }
    bool AnchorsUpdating() const { return m_anchorsUpdating; }
    virtual void ApplyAnchors(long double deltaX, long double deltaY);
    virtual void MirrorContent(TvdxMirrorControlModes modes) { Q_UNUSED(modes) }
    virtual void ApplyMirrorMode(TvdxMirrorControlModes modes);
    virtual void AlignChildren(bool ignoreInvisible = false, TvdxMirrorControlModes modes = {});
    virtual TvdRectF GetClientArea() const;
    virtual bool IsContain(double x, double y) const;
    bool IsContain(double x, double y, double scale) const { return IsContain(x / scale, y / scale); }
    virtual bool IsInRect(const TvdRectF &rect) const;
    virtual TvdxComponent *GetContainedComponent(double x, double y, TvdxComponent *isCanContain = nullptr);
    virtual void GetContainedComponents(const TvdRectF &rect, const QMetaObject *inheriteFrom,
                                        QList<TvdxComponent *> *components, bool selectContainers = false);
    virtual bool IsAcceptControl(TvdxComponent *control) const;
    virtual bool IsAcceptAsChild(TvdxComponent *parent) const { Q_UNUSED(parent) return false; }
    virtual bool IsAcceptControls() const { return m_vdStyle.testFlag(csAcceptsVdxComponents); }
    virtual void UpdateBounds() {}
    virtual bool ContainerAdd(TvdxComponent *obj) { Q_UNUSED(obj) return false; }
    const TvdRectF &OriginalRect() const { return m_originalRect; }
    // Bounds as published double properties (Q_PROPERTY accessors of descendants).
    double GetLeftF() const { return double(m_left); }
    void SetLeftF(double v) { SetLeft(v); }
    double GetTopF() const { return double(m_top); }
    void SetTopF(double v) { SetTop(v); }
    double GetWidthF() const { return double(m_width); }
    void SetWidthF(double v) { SetWidth(v); }
    double GetHeightF() const { return double(m_height); }
    void SetHeightF(double v) { SetHeight(v); }

    // --- fonts and visibility
    // Made on first use: until then a component that takes its parent's font
    // needs none of its own (most of a loaded template never asks).
    TvdFont *Font() const { return m_font ? m_font.get() : makeFont(); }
    virtual void SetFont(TvdFont *value);
    bool ParentFont() const { return m_parentFont; }
    virtual void SetParentFont(bool value);
    bool Visible() const { return m_visible; }
    virtual void SetVisible(bool value);
    virtual void FontChanged();

    // --- streaming, copying, differences
    virtual void LoadFromStream(QIODevice &stream);
    virtual void SaveToStream(QIODevice &stream, bool saveChildren = true, bool saveDefaultValues = false,
                              bool streaming = false);
    void Assign(const TvdPersistent *source) override;
    void AssignAll(TvdxComponent *source, bool streaming = false);
    void AssignAllWithOriginals(TvdxComponent *source, bool streaming = false);
    virtual void AssignOriginals(TvdxComponent *source);
    void AssignToDict(TvdxComponent *source);
    virtual QString Diff(TvdxComponent *aComponent);
    QString BaseDiff(TvdxComponent *aComponent);
    QString AllDiff(TvdxComponent *aComponent);
    static QString DiffFont(const TvdFont *font, const TvdFont *aFont, const QString &prefix);
    virtual void WriteNestedProperties(TvdXMLItem *item, TvdPersistent *ancestor)
    {
        Q_UNUSED(item) Q_UNUSED(ancestor)
    }
    virtual bool ReadNestedProperty(TvdXMLItem *item) { Q_UNUSED(item) return false; }
    // Whether a stream whose root element is named so can be read into this object.
    virtual bool AcceptsRootElement(const QString &elementName) const { Q_UNUSED(elementName) return true; }
    bool IsPropertyStored(const char *propName) const override;

    // Serializer hooks.
    bool vdxHasBounds() const override { return true; }
    void vdxSetBound(char which, double value) override;
    bool vdxIsAncestor() const override { return IsAncestor(); }
    void vdxSetWriting(bool writing) override { SetIsWriting(writing); }
    // While reading, every child element passes here first, so that duplicate
    // names are seen; while the serializer writes the object's attributes only
    // real nested content counts (others keep their binary properties).
    bool vdxHandlesNestedProperties() const override
    {
        return !IsWriting() || vdComponentStyle().testFlag(csHandlesNestedProperties);
    }
    void vdxWriteNestedProperties(TvdXMLItem *item, TvdPersistent *ancestor) override;
    bool vdxReadNestedProperty(TvdXMLItem *item) override;

    // --- lookups and hooks
    TvdxDataSet *FindDataSet(TvdxDataSet *dataSet, const QString &dsName);
    virtual QString GetDescription() const { return ClassName(); }
    virtual void AddSourceObjects() {}
    virtual void BeforeStartReport() {}
    virtual void OnNotify(TvdComponent *sender) { Q_UNUSED(sender) }
    virtual void OnPaste() {}
    virtual bool ExportInternal(TvdPersistent *filter) { Q_UNUSED(filter) return false; }
    // Runs method on the GUI thread when the report is thread-safe (or there is none).
    void RunInMainThread(const std::function<void(TvdxComponent *)> &method, TvdxComponent *sender);

    // Prepared pages: the alias and the template object this one was made from.
    QString AliasName() const { return m_aliasName; }
    void SetAliasName(const QString &value) { m_aliasName = value; }
    TvdxComponent *OriginalComponent() const { return m_originalComponent; }
    void SetOriginalComponent(TvdxComponent *value) { m_originalComponent = value; }
    TvdxComponent *OriginalBand() const { return m_originalBand; }
    void SetOriginalBand(TvdxComponent *value) { m_originalBand = value; }
    TvdXMLItem *SerializedItem() const { return m_serializedItem; }
    void SetSerializedItem(TvdXMLItem *item) { m_serializedItem = item; }
    TvdPersistent *ComponentEditors() const { return m_componentEditors; }
    void SetComponentEditors(TvdPersistent *value) { m_componentEditors = value; }

    // --- interactive protocol of the designer and the preview (device pixels).
    // Refuses in the preview without edit rights; with FireParentEvent the
    // parent under the point gets the event too.
    bool MouseDown(int x, int y, TvdxMouseButton button, TvdxShiftState shift,
                   TvdxInteractiveEventsParams &eventParams);
    void MouseUp(int x, int y, TvdxMouseButton button, TvdxShiftState shift, TvdxInteractiveEventsParams &eventParams);
    void MouseMove(int x, int y, TvdxShiftState shift, TvdxInteractiveEventsParams &eventParams);
    // Enters the parents the mouse was not over yet first.
    void MouseEnter(TvdxComponent *aPreviousObject, TvdxInteractiveEventsParams &eventParams);
    // Leaves the parents that do not hold the point first.
    void MouseLeave(int x, int y, TvdxComponent *aNextObject, TvdxInteractiveEventsParams &eventParams);
    void MouseClick(bool isDouble, TvdxInteractiveEventsParams &eventParams);
    bool MouseWheel(TvdxShiftState shift, int wheelDelta, const QPoint &mousePos,
                    TvdxInteractiveEventsParams &eventParams);
    bool DragOver(QObject *source, int x, int y, int state, bool &accept, TvdxInteractiveEventsParams &eventParams);
    bool DragDrop(QObject *source, int x, int y, TvdxInteractiveEventsParams &eventParams);

protected:
    // The object's own handlers of the interactive protocol.
    virtual bool DoMouseDown(int x, int y, TvdxMouseButton button, TvdxShiftState shift,
                             TvdxInteractiveEventsParams &eventParams);
    virtual void DoMouseUp(int x, int y, TvdxMouseButton button, TvdxShiftState shift,
                           TvdxInteractiveEventsParams &eventParams);
    virtual void DoMouseMove(int x, int y, TvdxShiftState shift, TvdxInteractiveEventsParams &eventParams);
    virtual void DoMouseEnter(TvdxComponent *aPreviousObject, TvdxInteractiveEventsParams &eventParams);
    virtual void DoMouseLeave(int x, int y, TvdxComponent *aNextObject, TvdxInteractiveEventsParams &eventParams);
    virtual void DoMouseClick(bool isDouble, TvdxInteractiveEventsParams &eventParams);
    virtual bool DoMouseWheel(TvdxShiftState shift, int wheelDelta, const QPoint &mousePos,
                              TvdxInteractiveEventsParams &eventParams);
    virtual bool DoDragOver(QObject *source, int x, int y, int state, bool &accept,
                            TvdxInteractiveEventsParams &eventParams);
    virtual bool DoDragDrop(QObject *source, int x, int y, TvdxInteractiveEventsParams &eventParams);

    virtual void ObjectListNotify(TvdxComponent *item, TvdxObjectsNotifyList::Action action);
    static QString baseNameOf(const QString &className);
    void buildIndex(TvdxComponent *obj, TvdxNameIndex &index, int depth) const;

private:
    void addNames(TvdxComponent *obj, TvdxNameIndex &index);
    void removeNames(TvdxComponent *obj, TvdxNameIndex &index);
    void fillAll(QList<TvdxComponent *> &list, int depth) const;

    TvdFont *makeFont() const;
    const TvdFont *inheritedFont() const;
    void detachFromParent(bool keepFont);

    mutable std::unique_ptr<TvdFont> m_font;
    TvdxObjectsNotifyList m_objects;
    QList<TvdxComponent *> m_allObjects;
    std::unique_ptr<TvdxNameIndex> m_sortedObjects;
    long double m_left = 0;
    long double m_top = 0;
    long double m_width = 0;
    long double m_height = 0;
    bool m_parentFont = true;
    int m_groupIndex = 0;
    bool m_isLoading = false;
    bool m_isPrinting = false;
    bool m_mouseInView = false;
    TvdxRestrictions m_restrictions;
    TvdxEditableRights m_editable;
    bool m_visible = true;
    QString m_description;
    TvdxComponentStyle m_vdStyle;
    TvdxComponentState m_vdState;
    bool m_ancestorOnlyStream = false;
    int m_indexTag = 0;
    TvdxAnchors m_anchors = TvdxAnchors(vdaLeft | vdaTop);
    bool m_anchorsUpdating = false;
    bool m_allowMirrorMode = false;
    QList<TvdxComponent *> *m_selectList = nullptr;
    TvdxComponent *m_parent = nullptr;
    QString m_aliasName;
    TvdxComponent *m_originalComponent = nullptr;
    QString m_baseName;
    bool m_ancestor = false;
    TvdRectF m_originalRect;
    TvdxComponent *m_originalBand = nullptr;
    TvdPersistent *m_componentEditors = nullptr;
    TvdXMLItem *m_serializedItem = nullptr;
    bool m_highlighted = false;

    friend class TvdxReportComponent;
};
Q_DECLARE_OPERATORS_FOR_FLAGS(TvdxComponent::TvdxAnchors)
Q_DECLARE_OPERATORS_FOR_FLAGS(TvdxComponent::TvdxRestrictions)
Q_DECLARE_OPERATORS_FOR_FLAGS(TvdxComponent::TvdxEditableRights)
Q_DECLARE_OPERATORS_FOR_FLAGS(TvdxComponent::TvdxComponentStyle)
Q_DECLARE_OPERATORS_FOR_FLAGS(TvdxComponent::TvdxComponentState)
Q_DECLARE_OPERATORS_FOR_FLAGS(TvdxComponent::TvdxMirrorControlModes)

// ---------------------------------------------------------------------------
// A component that is printed: print hooks, script event names, drawing.
class TvdxReportComponent : public TvdxComponent {
    Q_OBJECT
    Q_PROPERTY(QString Description READ Description WRITE SetDescription)
    Q_PROPERTY(int IndexTag READ IndexTag WRITE SetIndexTag)
public:
    enum TvdxPrintOnType { ptFirstPage = 1, ptLastPage = 2, ptOddPages = 4, ptEvenPages = 8, ptRepeatedBand = 16 };
    Q_DECLARE_FLAGS(TvdxPrintOnTypes, TvdxPrintOnType)
    Q_FLAG(TvdxPrintOnTypes)

    Q_INVOKABLE explicit TvdxReportComponent(TvdComponent *owner = nullptr);
    ~TvdxReportComponent() override;

    // Script event names.
    QString OnAfterData() const { return m_onAfterData; }
    void SetOnAfterData(const QString &v) { m_onAfterData = v; }
    QString OnAfterPrint() const { return m_onAfterPrint; }
    void SetOnAfterPrint(const QString &v) { m_onAfterPrint = v; }
    QString OnBeforePrint() const { return m_onBeforePrint; }
    void SetOnBeforePrint(const QString &v) { m_onBeforePrint = v; }
    QString OnPreviewClick() const { return m_onPreviewClick; }
    void SetOnPreviewClick(const QString &v) { m_onPreviewClick = v; }
    QString OnPreviewDblClick() const { return m_onPreviewDblClick; }
    void SetOnPreviewDblClick(const QString &v) { m_onPreviewDblClick = v; }
    QString OnContentChanged() const { return m_onContentChanged; }
    void SetOnContentChanged(const QString &v) { m_onContentChanged = v; }
    TvdxPrintOnTypes PrintOn() const { return m_printOn; }
    void SetPrintOn(TvdxPrintOnTypes v) { m_printOn = v; }
    QObject *ShiftObject() const { return m_shiftObject; }
    void SetShiftObject(QObject *v) { m_shiftObject = v; }
    int OriginalObjectsCount() const { return m_originalObjectsCount; }
    void SetOriginalObjectsCount(int v) { m_originalObjectsCount = v; }

    virtual void DrawSelectionHandles(Canvas &canvas) { Q_UNUSED(canvas) }
    // Raises EAbstractError in classes that do not draw themselves.
    virtual void Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY);
    virtual void DrawChilds(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY,
                            bool highlighted, bool isDesigning);
    virtual void DrawHighlight(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY,
                               TColor hlColor)
    {
        Q_UNUSED(canvas) Q_UNUSED(scaleX) Q_UNUSED(scaleY) Q_UNUSED(offsetX) Q_UNUSED(offsetY) Q_UNUSED(hlColor)
    }
    virtual void BeforePrint();
    virtual void GetData() {}
    virtual void AfterPrint();
    virtual QString GetComponentText() { return QString(); }
    virtual TvdRectF GetRealBounds();
    virtual TvdxReportComponent *GetSaveToComponent() { return this; }
    virtual bool IsOwnerDraw() const { return false; }

private:
    QString m_onAfterData, m_onAfterPrint, m_onBeforePrint, m_onPreviewClick, m_onPreviewDblClick,
        m_onContentChanged;
    TvdxPrintOnTypes m_printOn;
    QObject *m_shiftObject = nullptr;
    int m_originalObjectsCount = -1;
};
Q_DECLARE_OPERATORS_FOR_FLAGS(TvdxReportComponent::TvdxPrintOnTypes)

class TvdWideStrings;

// A new wide-string list holding Text (split at line breaks); the caller owns it.
std::unique_ptr<TvdWideStrings> vdxWideStringsFromText(const QString &text);

VD_DECLARE_EXCEPTION(EAbstractError, Exception)
