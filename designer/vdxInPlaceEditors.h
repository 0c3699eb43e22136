// In-place editors of the design surface: the drop-down list base (a button
// on the object opens a popup list) and the data-field editor that binds a
// view to a field of its data band's data set, by list or by dragging fields
// from the data tree.
#pragma once
#include "platform/GraphicsTypes.h"
#include "preview/vdxPopupForm.h"
#include "report/vdxClass_inplace.h"

#include <QPointer>
#include <QStyle>

class QListWidget;
class QPainter;
class TvdxDataSet;

class TvdxInPlaceBaseListBoxEditor : public TvdxInPlaceEditor {
public:
    TvdxInPlaceBaseListBoxEditor(const QMetaObject *aClassRef, QWidget *aOwner);
    ~TvdxInPlaceBaseListBoxEditor() override;

    QRect GetActiveRect() override;
    void DrawCustomEditor(Canvas &aCanvas, const QRect &aRect) override;
    bool DoMouseDown(int x, int y, TvdxMouseButton button, TvdxShiftState shift,
                     TvdxInteractiveEventsParams &eventParams) override;
    bool DoMouseMove(int x, int y, TvdxShiftState shift, TvdxInteractiveEventsParams &eventParams) override;
    void InitializeUI(TvdxInteractiveEventsParams &eventParams) override;
    void FinalizeUI(TvdxInteractiveEventsParams &eventParams) override;

    // Writes the list's choice into the object(s); true when something changed.
    virtual bool ApplySelection(QObject *sender) = 0;
    virtual void DrawListItem(QPainter &aCanvas, QListWidget *control, int index, const QRect &aRect,
                              QStyle::State state) = 0;
    virtual int GetButtonSize();
    virtual TPoint GetButtonPos();
    // Fills the list and selects the current value; false: nothing to show.
    virtual bool FillList() = 0;
    virtual bool HasButton() { return true; }
    virtual void GetPopupBounds(TPoint &pos, int &width, int &height) = 0;
    virtual QListWidget *CreateListBox();
    // The object's last drawn pixel rectangle.
    virtual void UpdateEditorRect();
    virtual void DrawButton(Canvas &aCanvas, const TRect &aRect);
    // True when the press at (x, y) on the button opened the popup.
    virtual bool ShowPopup(QWidget *aParent, const TRect &aRect, int x, int y);

    QListWidget *ListBox() const { return FListBox; }
    QStringList GetItems() const;
    int GetItemIndex() const;
    void SetItemIndex(int index);
    int GetItemHeight() const { return FItemHeight; }
    TRect ButtonRect();
    int GlyphScale();
    TvdxPopupForm *PopupForm() const { return FPopupForm; }
    const TRect &EditorRect() const { return FRect; }
    void SetEditorRect(const TRect &r) { FRect = r; }
    bool DrawButtonFlag() const { return FDrawButton; }
    bool DrawDragDrop() const { return FDrawDragDrop; }
    bool DrawDropDown() const { return FDrawDropDown; }

protected:
    // The popup went: the edit ends and the host hears of it.
    void dropDownEnded();

    QListWidget *FListBox = nullptr;
    bool FDrawDragDrop = false;
    bool FDrawDropDown = false;
    bool FDrawButton = false;
    bool FModified = false;
    TRect FRect;
    TRect FPopUpRect;
    QPointer<TvdxPopupForm> FPopupForm;
    int FButtonSize = 16;
    int FItemHeight = 13;
};

class TvdxInPlaceCustomListBoxEditor : public TvdxInPlaceBaseListBoxEditor {
public:
    using TvdxInPlaceBaseListBoxEditor::TvdxInPlaceBaseListBoxEditor;
    // 140 x 162 at 96 dpi, right-aligned under the button, never left of 0.
    void GetPopupBounds(TPoint &pos, int &width, int &height) override;
    QListWidget *CreateListBox() override;
};

class TvdxInPlaceDataFiledEditor : public TvdxInPlaceCustomListBoxEditor {
public:
    static constexpr const char *EditorClassName = "TvdxInPlaceDataFiledEditor";
    using TvdxInPlaceCustomListBoxEditor::TvdxInPlaceCustomListBoxEditor;

    bool HasButton() override;
    bool FillList() override;
    void DrawListItem(QPainter &aCanvas, QListWidget *control, int index, const QRect &aRect,
                      QStyle::State state) override;
    bool ApplySelection(QObject *sender) override;
    bool DoCustomDragOver(QObject *source, int x, int y, int state, bool &accept,
                          TvdxInteractiveEventsParams &eventParams) override;
    bool DoCustomDragDrop(QObject *source, int x, int y, TvdxInteractiveEventsParams &eventParams) override;

    // The data set of the nearest data band above the object; none outside one.
    TvdxDataSet *DataSet() const;
};

// Start-up registration of the editors above (run once, undone at exit).
void vdxRegisterInPlaceEditors();
void vdxUnregisterInPlaceEditors();
