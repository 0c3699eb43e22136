#include "preview/vdxComboBox.h"
#include "core/vdxUtils.h"
#include "preview/vdxMixColors.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>
#include <QStyledItemDelegate>

namespace {

// Items of the control's fixed height.
class FixedHeightDelegate : public QStyledItemDelegate {
public:
    FixedHeightDelegate(TvdxCustomComboBox *combo) : QStyledItemDelegate(combo), m_combo(combo) {}
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        s.setHeight(m_combo->ItemHeight());
        return s;
    }

private:
    TvdxCustomComboBox *m_combo;
};

} // namespace

TvdxCustomComboBox::TvdxCustomComboBox(QWidget *owner) : QComboBox(owner)
{
    // Always a drop-down with an edit field and owner-drawn items of fixed height.
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    m_itemHeight = QFontMetrics(font()).height();
    setItemDelegate(new FixedHeightDelegate(this));
    resize(100, height());
    m_currentPPI = vdScreenPPI();
    m_buttonWidth = MulDiv(m_currentPPI, 11, 96);
    setMouseTracking(true);
    lineEdit()->installEventFilter(this);
    lineEdit()->setFrame(false);
    connect(this, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            m_editedItem = -1;
    });
}

void TvdxCustomComboBox::SetEditOffset(int value)
{
    m_editOffset = std::max(0, value);
    placeEdit();
    update();
}

void TvdxCustomComboBox::SetReadOnly(bool value)
{
    if (value == m_readOnly)
        return;
    m_readOnly = value;
    lineEdit()->setReadOnly(value);
}

void TvdxCustomComboBox::SetEditableItems(bool value)
{
    m_editableItems = value;
    if (value && completer())
        setCompleter(nullptr);
}

void TvdxCustomComboBox::SetItemHeight(int value)
{
    m_itemHeight = std::max(1, value);
    view()->doItemsLayout();
}

void TvdxCustomComboBox::SetItemIndex(int value)
{
    setCurrentIndex(value);
    m_editedItem = -1;
}

int TvdxCustomComboBox::DropDownHeight() const
{
    if (m_dropDownCount > 0 && count() > 0)
        return m_itemHeight * std::min(m_dropDownCount, count()) + 2;
    return m_itemHeight + 2;
}

void TvdxCustomComboBox::showPopup()
{
    QComboBox::showPopup();
    m_listOpen = true;
    QWidget *container = view()->window();
    const int w = m_listWidth > 0 ? m_listWidth : width();
    const int h = DropDownHeight();
    const QPoint below = mapToGlobal(QPoint(0, height()));
    const QRect avail = screen() ? screen()->availableGeometry() : QRect(0, 0, 1 << 20, 1 << 20);
    m_listUpward = mapToGlobal(QPoint(w, m_itemHeight + h + 6)).y() > avail.bottom();
    const QPoint at = m_listUpward ? mapToGlobal(QPoint(0, -h)) : below;
    container->setGeometry(at.x(), at.y(), w, h);
    view()->setFrameShape(QFrame::NoFrame);
    update();
}

void TvdxCustomComboBox::hidePopup()
{
    QComboBox::hidePopup();
    m_listOpen = false;
    update();
}

void TvdxCustomComboBox::DPIChanged(int newPPI)
{
    if (newPPI <= 0 || newPPI == m_currentPPI)
        return;
    PPIChanging(newPPI);
    m_currentPPI = newPPI;
    placeEdit();
    update();
}

void TvdxCustomComboBox::PPIChanging(int newPPI)
{
    m_buttonWidth = MulDiv(11, newPPI, 96);
    m_listWidth = MulDiv(m_listWidth, newPPI, m_currentPPI);
}

void TvdxCustomComboBox::placeEdit()
{
    lineEdit()->setGeometry(m_editOffset + 3, 3, std::max(0, width() - m_buttonWidth - m_editOffset - 8),
                            std::max(0, height() - 6));
}

void TvdxCustomComboBox::resizeEvent(QResizeEvent *event)
{
    QComboBox::resizeEvent(event);
    const int ppi = GetWindowPPI(this);
    if (ppi != m_currentPPI)
        DPIChanged(ppi);
    placeEdit();
}

bool TvdxCustomComboBox::isHot() const
{
    return m_listOpen || lineEdit()->hasFocus() || m_mouseInside;
}

void TvdxCustomComboBox::DrawImage(QPainter &painter, const QRect &rect, int index)
{
    Q_UNUSED(index);
    if (m_editOffset > 0)
        painter.fillRect(rect, toQColor(clWindow));
}

void TvdxCustomComboBox::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const int w = width(), h = height();
    const QRect outline(0, 0, w, h);
    auto frame = [&](const QRect &r, TColor c) {
        p.setPen(toQColor(c));
        p.setBrush(Qt::NoBrush);
        p.drawRect(r.adjusted(0, 0, -1, -1));
    };
    const QRect button(w - m_buttonWidth - 3, 1, m_buttonWidth + 2, h - 2);
    if (!isEnabled()) {
        p.fillRect(rect(), toQColor(clBtnFace));
        frame(outline, clBtnShadow);
        DrawArrowGlyph(p, button, clGrayText, false, true);
        return;
    }
    p.fillRect(rect().adjusted(1, 1, -1, -1), toQColor(clWindow));
    DrawImage(p, QRect(QPoint(3, 3), QPoint(m_editOffset + 3 - 1, h - 3 - 1)), currentIndex());
    const bool hot = isHot();
    frame(outline, hot ? clHighlight : clBtnFace);
    frame(outline.adjusted(1, 1, -1, -1), clWindow);
    frame(outline.adjusted(2, 2, -(m_buttonWidth + 2) - 2, -2), clWindow);
    TColor fill = clBtnFace, sep = clWindow, arrow = clBtnText;
    if (hot && m_listOpen) {
        fill = MixColors(clHighlight, clWindow, 50);
        sep = clHighlight;
        arrow = clCaptionText;
    } else if (hot) {
        fill = MixColors(clHighlight, clWindow, 30);
        sep = clHighlight;
    }
    p.fillRect(button, toQColor(fill));
    if (!hot)
        frame(button, clWindow);
    p.setPen(toQColor(sep));
    p.drawLine(w - m_buttonWidth - 4, 1, w - m_buttonWidth - 4, h - 2);
    DrawArrowGlyph(p, button, arrow, false, true);
}

void TvdxCustomComboBox::enterEvent(QEnterEvent *event)
{
    QComboBox::enterEvent(event);
    m_mouseInside = true;
    update();
}

void TvdxCustomComboBox::leaveEvent(QEvent *event)
{
    QComboBox::leaveEvent(event);
    m_mouseInside = false;
    update();
}

void TvdxCustomComboBox::changeEvent(QEvent *event)
{
    QComboBox::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_itemHeight = QFontMetrics(font()).height();
        view()->doItemsLayout();
    }
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::FontChange)
        update();
}

bool TvdxCustomComboBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lineEdit()) {
        if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)
            update();
        if (event->type() == QEvent::KeyPress) {
            auto *key = static_cast<QKeyEvent *>(event);
            const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
            if (m_editableItems && m_editedItem >= 0 && m_editedItem < count() && enter) {
                QString newText = lineEdit()->text();
                const QString oldText = itemText(m_editedItem);
                const int index = m_editedItem;
                const bool accept = OnChangeItem ? OnChangeItem(newText, oldText, index) : true;
                if (accept) {
                    setItemText(index, newText);
                    setCurrentIndex(index);
                }
                // The list's text is what the edit shows again.
                const int start = lineEdit()->selectionStart(), len = lineEdit()->selectedText().size();
                lineEdit()->setText(itemText(index));
                if (start >= 0)
                    lineEdit()->setSelection(start, len);
                m_editedItem = -1;
                return true;
            }
            if (m_editedItem < 0)
                m_editedItem = currentIndex();
        }
    }
    return QComboBox::eventFilter(watched, event);
}
