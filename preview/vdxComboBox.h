// Flat drop-down combo box: paints its own frame and button, fixed item
// height, a list of its own width and height, editable items, PPI-scaled button.
#pragma once
#include "core/vdBaseForm.h"
#include "platform/GraphicsTypes.h"

#include <QComboBox>
#include <functional>

using TvdxChangeItemEvent = std::function<bool(QString &newText, const QString &oldText, int itemIndex)>;

class TvdxCustomComboBox : public QComboBox, public IvdxDPIAwareControl {
    Q_OBJECT
public:
    explicit TvdxCustomComboBox(QWidget *owner = nullptr);

    int ButtonWidth() const { return m_buttonWidth; }
    int EditOffset() const { return m_editOffset; }
    void SetEditOffset(int value);
    // Given in 96-PPI pixels, kept at the control's PPI; 0 = the control's width.
    int ListWidth() const { return m_listWidth; }
    void SetListWidth(int value) { m_listWidth = MulDiv(value, m_currentPPI, 96); }
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool value);
    bool EditableItems() const { return m_editableItems; }
    void SetEditableItems(bool value);
    int DropDownCount() const { return maxVisibleItems(); }
    void SetDropDownCount(int value) { setMaxVisibleItems(std::max(1, value)); m_dropDownCount = value; }
    int ItemHeight() const { return m_itemHeight; }
    void SetItemHeight(int value);
    int ItemIndex() const { return currentIndex(); }
    void SetItemIndex(int value);
    int CurrentPPI() const { return m_currentPPI; }
    bool ListOpensUpward() const { return m_listUpward; }
    bool MouseInside() const { return m_mouseInside; }
    int EditedItemIndex() const { return m_editedItem; }
    // Item height times the visible items plus 2; item height plus 2 when empty.
    int DropDownHeight() const;

    TvdxChangeItemEvent OnChangeItem;

    void showPopup() override;
    void hidePopup() override;
    void DPIChanged(int newPPI) override;
    // The density-changed message: reads the window's PPI.
    void WindowDPIChanged() { DPIChanged(GetWindowPPI(this)); }

protected:
    virtual void PPIChanging(int newPPI);
    // Paints the image area left of the edit field for the selected item.
    virtual void DrawImage(QPainter &painter, const QRect &rect, int index);
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void placeEdit();
    bool isHot() const;

    int m_buttonWidth = 11;
    int m_editOffset = 0;
    int m_listWidth = 0;
    int m_currentPPI = 96;
    int m_itemHeight = 0;
    int m_dropDownCount = 8;
    bool m_readOnly = false;
    bool m_editableItems = false;
    int m_editedItem = -1;
    bool m_listUpward = false;
    bool m_mouseInside = false;
    bool m_listOpen = false;
};

class TvdxComboBox : public TvdxCustomComboBox {
    Q_OBJECT
public:
    using TvdxCustomComboBox::TvdxCustomComboBox;
};
