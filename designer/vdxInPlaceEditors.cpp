#include "designer/vdxInPlaceEditors.h"

#include "core/vdImageList.h"
#include "core/vdxRes.h"
#include "core/vdxUtils.h"
#include "platform/QPainterCanvas.h"
#include "preview/vdxPopupForm.h"
#include "report/vdxClass_band.h"
#include "report/vdxClass_dataset.h"
#include "report/vdxClass_memo.h"
#include "report/vdxClass_picture.h"
#include "report/vdxClass_report.h"

#include <QApplication>
#include <QListWidget>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cmath>

namespace {

int roundInt(double v) { return int(std::nearbyint(v)); }

QPainter *painterOf(Canvas &canvas)
{
    auto *qc = dynamic_cast<QPainterCanvas *>(&canvas);
    return qc ? &qc->painter() : nullptr;
}

void drawMainImage(QPainter &painter, int x, int y, int index)
{
    TvdImageList *images = GetImageResources()->MainButtonImages();
    if (images && index < images->Count())
        images->Draw(painter, x, y, index);
}

// Owner drawing of the popup list through the editor.
class ListItemDelegate : public QStyledItemDelegate {
public:
    ListItemDelegate(TvdxInPlaceBaseListBoxEditor *editor, QListWidget *list)
        : QStyledItemDelegate(list), m_editor(editor), m_list(list)
    {
    }
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        m_editor->DrawListItem(*painter, m_list, index.row(), option.rect, option.state);
    }
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return QSize(QStyledItemDelegate::sizeHint(option, index).width(), m_editor->GetItemHeight());
    }

private:
    TvdxInPlaceBaseListBoxEditor *m_editor;
    QListWidget *m_list;
};

} // namespace

// ---------------------------------------------------------------------------
TvdxInPlaceBaseListBoxEditor::TvdxInPlaceBaseListBoxEditor(const QMetaObject *aClassRef, QWidget *aOwner)
    : TvdxInPlaceEditor(aClassRef, aOwner)
{
}

TvdxInPlaceBaseListBoxEditor::~TvdxInPlaceBaseListBoxEditor()
{
    // An open popup outlives no editor: it would report to freed memory.
    if (FPopupForm) {
        QObject::disconnect(FPopupForm, nullptr, nullptr, nullptr);
        delete FPopupForm.data();
    }
}

QRect TvdxInPlaceBaseListBoxEditor::GetActiveRect()
{
    if (FPopUpRect.Right != 0 || FPopUpRect.Bottom != 0)
        return FPopUpRect.toQRect();
    return QRect();
}

int TvdxInPlaceBaseListBoxEditor::GetButtonSize()
{
    int a = roundInt(double(FButtonSize) * FDevicePPI / 96.0);
    if (a > FRect.Height() && a > FButtonSize)
        a = FRect.Height();
    return a - a % 2;
}

TPoint TvdxInPlaceBaseListBoxEditor::GetButtonPos()
{
    return TPoint(FRect.Right - GetButtonSize(), FRect.Top + 2);
}

TRect TvdxInPlaceBaseListBoxEditor::ButtonRect()
{
    const TPoint p = GetButtonPos();
    const int size = GetButtonSize();
    return TRect::Bounds(p.X, p.Y, size, size);
}

int TvdxInPlaceBaseListBoxEditor::GlyphScale()
{
    return roundInt(double(GetButtonSize()) / FButtonSize);
}

void TvdxInPlaceBaseListBoxEditor::UpdateEditorRect()
{
    if (auto *view = qobject_cast<TvdxView *>(FComponent))
        FRect = TRect(view->FX(), view->FY(), view->FX1(), view->FY1());
}

QStringList TvdxInPlaceBaseListBoxEditor::GetItems() const
{
    QStringList items;
    if (FListBox)
        for (int i = 0; i < FListBox->count(); ++i)
            items.append(FListBox->item(i)->text());
    return items;
}

int TvdxInPlaceBaseListBoxEditor::GetItemIndex() const { return FListBox ? FListBox->currentRow() : -1; }

void TvdxInPlaceBaseListBoxEditor::SetItemIndex(int index)
{
    if (FListBox)
        FListBox->setCurrentRow(index);
}

void TvdxInPlaceBaseListBoxEditor::DrawButton(Canvas &aCanvas, const TRect &aRect)
{
    QPainter *painter = painterOf(aCanvas);
    if (!painter)
        return;
    QStyleOptionButton opt;
    opt.rect = aRect.toQRect();
    opt.state = QStyle::State_Enabled | QStyle::State_Raised;
    QStyle *style = FOwner ? FOwner->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelButtonCommand, &opt, painter, FOwner);
    // Right while the list is closed, down while it is open.
    DrawArrowGlyph(*painter, aRect.toQRect(), clBlack, false, FDrawDropDown);
}

void TvdxInPlaceBaseListBoxEditor::DrawCustomEditor(Canvas &aCanvas, const QRect &)
{
    UpdateEditorRect();
    if (FDrawDragDrop) {
        if (QPainter *painter = painterOf(aCanvas)) {
            drawMainImage(*painter, FRect.Left - 10, FRect.Top + (FRect.Height() - 5) / 2, 111);
            FillCheckeredRect(*painter, TRect(FRect.Left + 1, FRect.Top + 1, FRect.Right - 1, FRect.Bottom - 1).toQRect(),
                              0x808080);
        }
    }
    if (FDrawButton)
        DrawButton(aCanvas, ButtonRect());
}

void TvdxInPlaceBaseListBoxEditor::InitializeUI(TvdxInteractiveEventsParams &eventParams)
{
    TvdxInPlaceEditor::InitializeUI(eventParams);
    FModified = false;
    FDrawButton = HasButton();
    FDrawDragDrop = false;
    UpdateEditorRect();
}

void TvdxInPlaceBaseListBoxEditor::FinalizeUI(TvdxInteractiveEventsParams &eventParams)
{
    TvdxInPlaceEditor::FinalizeUI(eventParams);
    if (!Locked)
        FDrawButton = false;
    FDrawDragDrop = false;
}

bool TvdxInPlaceBaseListBoxEditor::DoMouseDown(int x, int y, TvdxMouseButton, TvdxShiftState,
                                               TvdxInteractiveEventsParams &eventParams)
{
    UpdateEditorRect();
    if (!Locked) {
        OnFinishInPlace = eventParams.OnFinish;
        ShowPopup(qobject_cast<QWidget *>(eventParams.Sender), FRect, x, y);
    }
    return Locked;
}

bool TvdxInPlaceBaseListBoxEditor::DoMouseMove(int, int, TvdxShiftState, TvdxInteractiveEventsParams &)
{
    return false;
}

bool TvdxInPlaceBaseListBoxEditor::ShowPopup(QWidget *aParent, const TRect &, int x, int y)
{
    if (!ButtonRect().Contains(TPoint(x, y)))
        return false;
    auto *popup = new TvdxPopupForm(aParent);
    FPopupForm = popup;
    QObject::connect(popup, &QObject::destroyed, [this] { dropDownEnded(); });
    FListBox = CreateListBox();
    TPoint pos;
    int width = 0, height = 0;
    GetPopupBounds(pos, width, height);
    FPopUpRect = TRect(0, 0, width, height);
    QPoint global(pos.X, pos.Y);
    if (aParent)
        global = aParent->mapToGlobal(global);
    else if (QWidget *active = QApplication::activeWindow())
        global = active->mapToGlobal(global);
    popup->setGeometry(global.x(), global.y(), width, height);
    if (FillList()) {
        popup->show();
        Locked = true;
        FDrawDropDown = true;
        return true;
    }
    // Nothing to offer: the popup goes at once, without ending an edit.
    QObject::disconnect(popup, &QObject::destroyed, nullptr, nullptr);
    FListBox = nullptr;
    FPopUpRect = TRect();
    delete popup;
    return false;
}

void TvdxInPlaceBaseListBoxEditor::dropDownEnded()
{
    FListBox = nullptr;
    Locked = false;
    if (FComponent)
        DoFinishInPlace(FComponent, true, FModified);
    FDrawDropDown = false;
    OnFinishInPlace = nullptr;
    FPopUpRect = TRect();
}

QListWidget *TvdxInPlaceBaseListBoxEditor::CreateListBox()
{
    auto *list = new QListWidget(FPopupForm);
    auto *layout = new QVBoxLayout(FPopupForm);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list);
    list->setFrameShape(QFrame::NoFrame);
    list->setUniformItemSizes(true);
    list->setItemDelegate(new ListItemDelegate(this, list));
    QObject::connect(list, &QListWidget::itemClicked, list, [this, list] {
        FModified = ApplySelection(list);
        if (FPopupForm)
            FPopupForm->close();
    });
    return list;
}

// ---------------------------------------------------------------------------
void TvdxInPlaceCustomListBoxEditor::GetPopupBounds(TPoint &pos, int &width, int &height)
{
    const TRect r = ButtonRect();
    TRect p;
    p.Top = r.Bottom + 2;
    p.Left = r.Right - roundInt(FDevicePPI * 140 / 96.0);
    p.Bottom = p.Top + roundInt(FDevicePPI * 162 / 96.0);
    p.Right = r.Right;
    if (p.Left < 0) {
        p.Right -= p.Left;
        p.Left = 0;
    }
    pos = TPoint(p.Left, p.Top);
    const double ratio = FDevicePPI / 96.0;
    width = roundInt(p.Width() / ratio);
    height = roundInt(p.Height() / ratio);
}

QListWidget *TvdxInPlaceCustomListBoxEditor::CreateListBox()
{
    FItemHeight = 16;
    return TvdxInPlaceBaseListBoxEditor::CreateListBox();
}

// ---------------------------------------------------------------------------
TvdxDataSet *TvdxInPlaceDataFiledEditor::DataSet() const
{
    for (TvdxComponent *p = FComponent ? FComponent->Parent() : nullptr; p; p = p->Parent())
        if (auto *band = qobject_cast<TvdxDataBand *>(p))
            return band->DataSet();
    return nullptr;
}

bool TvdxInPlaceDataFiledEditor::HasButton() { return DataSet() != nullptr; }

bool TvdxInPlaceDataFiledEditor::FillList()
{
    TvdxDataSet *ds = DataSet();
    if (!ds || !FListBox)
        return false;
    QStringList fields;
    ds->GetFieldList(fields);
    FListBox->clear();
    FListBox->addItems(fields);
    auto *view = qobject_cast<TvdxView *>(FComponent);
    FListBox->setCurrentRow(view ? int(fields.indexOf(view->DataField())) : -1);
    return true;
}

void TvdxInPlaceDataFiledEditor::DrawListItem(QPainter &aCanvas, QListWidget *control, int index, const QRect &aRect,
                                              QStyle::State state)
{
    const QPalette &pal = control->palette();
    const bool selected = state & QStyle::State_Selected;
    aCanvas.fillRect(aRect, pal.brush(selected ? QPalette::Highlight : QPalette::Base));
    TvdImageList *images = GetImageResources()->MainButtonImages();
    drawMainImage(aCanvas, aRect.left(), aRect.top(), 54);
    const int imageWidth = images ? images->Width() : 0;
    aCanvas.setPen(pal.color(selected ? QPalette::HighlightedText : QPalette::Text));
    const QRect textRect(aRect.left() + imageWidth + 2, aRect.top() + 1, aRect.width(), aRect.height() - 1);
    aCanvas.drawText(textRect, Qt::AlignLeft | Qt::AlignTop, control->item(index)->text());
}

bool TvdxInPlaceDataFiledEditor::ApplySelection(QObject *sender)
{
    auto *list = qobject_cast<QListWidget *>(sender);
    QListWidgetItem *item = list ? list->currentItem() : nullptr;
    auto *view = qobject_cast<TvdxView *>(FComponent);
    // No choice, nothing to write.
    if (!item || !view)
        return false;
    TvdxDataSet *ds = DataSet();
    const QString field = item->text();
    view->SetDataSet(ds);
    view->SetDataField(field);
    if (ComponentsGroup)
        for (int i = 0; i < ComponentsGroup->Count(); ++i) {
            TvdxComponent *c = ComponentsGroup->Items(i);
            auto *other = qobject_cast<TvdxView *>(c);
            if (!other || other == view || !other->metaObject()->inherits(view->metaObject()))
                continue;
            other->SetDataSet(ds);
            other->SetDataField(field);
        }
    return true;
}

bool TvdxInPlaceDataFiledEditor::DoCustomDragOver(QObject *source, int, int, int, bool &accept,
                                                  TvdxInteractiveEventsParams &eventParams)
{
    if (!qobject_cast<QTreeWidget *>(source) || !qobject_cast<TvdxView *>(FComponent))
        return false;
    accept = true;
    FDrawDragDrop = true;
    eventParams.Refresh = true;
    return true;
}

bool TvdxInPlaceDataFiledEditor::DoCustomDragDrop(QObject *source, int, int, TvdxInteractiveEventsParams &eventParams)
{
    FDrawDragDrop = false;
    QList<QTreeWidgetItem *> nodes;
    if (auto *tree = qobject_cast<QTreeWidget *>(source)) {
        const QList<QTreeWidgetItem *> selected = tree->selectedItems();
        for (auto it = selected.crbegin(); it != selected.crend(); ++it)
            nodes.append(*it);
    } else if (auto *event = qobject_cast<TvdxEventObject *>(source)) {
        auto *tree = qobject_cast<QTreeWidget *>(event->Sender);
        const QList<QTreeWidgetItem *> selected = tree ? tree->selectedItems() : QList<QTreeWidgetItem *>();
        if (event->Index >= 0 && event->Index < selected.size())
            nodes.append(selected.at(event->Index));
    } else {
        return false;
    }
    auto *view = qobject_cast<TvdxView *>(FComponent);
    if (!view)
        return false;
    auto *memo = qobject_cast<TvdxCustomMemoView *>(view);
    TvdxReport *report = view->Report();
    bool result = false;
    bool first = true;
    for (QTreeWidgetItem *node : std::as_const(nodes)) {
        eventParams.Refresh = true;
        eventParams.Modified = true;
        auto *ds = qobject_cast<TvdxDataSet *>(node->data(0, Qt::UserRole).value<QObject *>());
        QString alias;
        if (ds)
            alias = report ? report->GetAlias(ds) : ds->UserName();
        const QString text = node->text(0);
        if (!alias.isEmpty()) {
            result = true;
            if (nodes.size() == 1 || (!memo && first)) {
                view->SetDataSet(ds);
                view->SetDataField(text);
                break;
            }
        }
        if (memo) {
            if (first)
                memo->SetText(QString());
            memo->SetDataSet(nullptr);
            memo->SetDataField(QString());
            memo->SetText(memo->Text()
                          + (alias.isEmpty() ? QLatin1Char('[') + text + QLatin1Char(']')
                                             : QStringLiteral("[%1.\"%2\"]").arg(alias, text)));
        }
        first = false;
    }
    return memo || result;
}

// ---------------------------------------------------------------------------
void vdxRegisterInPlaceEditors()
{
    const TvdxComponentEditorVisibility designer = vdxEditorVisibility(evDesigner);
    vdxInPlaceEditorRegistry().Register(&TvdxMemoView::staticMetaObject,
                                        {vdxInPlaceEditorClass<TvdxInPlaceDataFiledEditor>()}, {designer});
    vdxInPlaceEditorRegistry().Register(&TvdxPictureView::staticMetaObject,
                                        {vdxInPlaceEditorClass<TvdxInPlaceDataFiledEditor>()}, {designer});
}

void vdxUnregisterInPlaceEditors()
{
    vdxUnregisterInPlaceEditor(&TvdxMemoView::staticMetaObject, vdxInPlaceEditorClass<TvdxInPlaceDataFiledEditor>());
    vdxUnregisterInPlaceEditor(&TvdxPictureView::staticMetaObject,
                               vdxInPlaceEditorClass<TvdxInPlaceDataFiledEditor>());
}

Q_CONSTRUCTOR_FUNCTION(vdxRegisterInPlaceEditors)
Q_DESTRUCTOR_FUNCTION(vdxUnregisterInPlaceEditors)
