#include "preview/vdxTreeView.h"
#include "core/vdxUtils.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>

// ----------------------------------------------------------------- records

TvdxDataNode::~TvdxDataNode()
{
    Clear();
    FOriginalNode = nullptr;
    Unlink();
}

void TvdxDataNode::Clear()
{
    while (FFirstChild)
        delete FFirstChild; // unlinks itself
}

void TvdxDataNode::Unlink()
{
    if (FPrevSibling)
        FPrevSibling->FNextSibling = FNextSibling;
    if (FNextSibling)
        FNextSibling->FPrevSibling = FPrevSibling;
    if (FParent && FParent->FFirstChild == this)
        FParent->FFirstChild = FNextSibling;
    FParent = FPrevSibling = FNextSibling = nullptr;
}

namespace {

void copyFromItem(TvdxDataNode *rec, const QTreeWidgetItem *item)
{
    rec->FText = item->text(0);
    rec->FData = item->data(0, vdxNodeDataRole);
    const QVariant ii = item->data(0, vdxImageIndexRole), si = item->data(0, vdxSelectedIndexRole);
    rec->FImageIndex = ii.isValid() ? ii.toInt() : -1;
    rec->FSelectedIndex = si.isValid() ? si.toInt() : -1;
    rec->FIcon = item->icon(0);
}

void copyToItem(const TvdxDataNode *rec, QTreeWidgetItem *item)
{
    item->setText(0, rec->FText);
    if (rec->FData.isValid())
        item->setData(0, vdxNodeDataRole, rec->FData);
    if (rec->FImageIndex != -1)
        item->setData(0, vdxImageIndexRole, rec->FImageIndex);
    if (rec->FSelectedIndex != -1)
        item->setData(0, vdxSelectedIndexRole, rec->FSelectedIndex);
    if (!rec->FIcon.isNull())
        item->setIcon(0, rec->FIcon);
}

} // namespace

// ------------------------------------------------------------------- view

TvdxTreeView::TvdxTreeView(QWidget *owner) : QTreeWidget(owner), m_root(new TvdxDataNode)
{
    setHeaderHidden(true);
    setMouseTracking(true);
    m_ppi = vdScreenPPI();
    m_buttonWidth = MulDiv(16, m_ppi, 96);
    connect(model(), &QAbstractItemModel::rowsInserted, this, &TvdxTreeView::onRowsInserted);
    connect(model(), &QAbstractItemModel::rowsAboutToBeRemoved, this, &TvdxTreeView::onRowsAboutToBeRemoved);
    connect(model(), &QAbstractItemModel::modelAboutToBeReset, this, &TvdxTreeView::onAboutToReset);
    updateButtonRect();
}

TvdxTreeView::~TvdxTreeView()
{
    m_updating = true;
    model()->disconnect(this);
    m_records.clear();
    delete m_root;
}

int TvdxTreeView::RecordCount() const
{
    int n = 0;
    std::function<void(const TvdxDataNode *)> count = [&](const TvdxDataNode *r) {
        for (const TvdxDataNode *c = r->FFirstChild; c; c = c->FNextSibling) {
            ++n;
            count(c);
        }
    };
    count(m_root);
    return n;
}

TvdxDataNode *TvdxTreeView::addRecord(QTreeWidgetItem *item)
{
    if (m_records.contains(item))
        return m_records.value(item);
    auto *rec = new TvdxDataNode;
    rec->FOriginalNode = item;
    copyFromItem(rec, item);
    QTreeWidgetItem *parentItem = item->parent();
    TvdxDataNode *parent = parentItem ? m_records.value(parentItem) : m_root;
    if (!parent)
        parent = addRecord(parentItem);
    rec->FParent = parent;
    // Left link: after the record of the previous sibling, else first child.
    const int index = parentItem ? parentItem->indexOfChild(item) : indexOfTopLevelItem(item);
    QTreeWidgetItem *prevItem = index > 0 ? (parentItem ? parentItem->child(index - 1) : topLevelItem(index - 1))
                                          : nullptr;
    TvdxDataNode *prev = prevItem ? m_records.value(prevItem) : nullptr;
    if (prev) {
        rec->FPrevSibling = prev;
        rec->FNextSibling = prev->FNextSibling;
        if (prev->FNextSibling)
            prev->FNextSibling->FPrevSibling = rec;
        prev->FNextSibling = rec;
    } else {
        rec->FNextSibling = parent->FFirstChild;
        if (parent->FFirstChild)
            parent->FFirstChild->FPrevSibling = rec;
        parent->FFirstChild = rec;
    }
    m_records.insert(item, rec);
    for (int i = 0; i < item->childCount(); ++i)
        addRecord(item->child(i));
    return rec;
}

void TvdxTreeView::onRowsInserted(const QModelIndex &parent, int first, int last)
{
    if (m_updating)
        return;
    QTreeWidgetItem *parentItem = parent.isValid() ? itemFromIndex(parent) : nullptr;
    for (int row = first; row <= last; ++row)
        if (QTreeWidgetItem *item = parentItem ? parentItem->child(row) : topLevelItem(row))
            addRecord(item);
}

void TvdxTreeView::unbind(QTreeWidgetItem *item)
{
    for (int i = 0; i < item->childCount(); ++i)
        unbind(item->child(i));
    if (TvdxDataNode *rec = m_records.take(item))
        rec->FOriginalNode = nullptr;
}

void TvdxTreeView::dropRecord(QTreeWidgetItem *item)
{
    TvdxDataNode *rec = m_records.value(item);
    unbind(item);
    delete rec; // with the records of hidden descendants
}

void TvdxTreeView::onRowsAboutToBeRemoved(const QModelIndex &parent, int first, int last)
{
    QTreeWidgetItem *parentItem = parent.isValid() ? itemFromIndex(parent) : nullptr;
    for (int row = first; row <= last; ++row) {
        QTreeWidgetItem *item = parentItem ? parentItem->child(row) : topLevelItem(row);
        if (!item)
            continue;
        // A node the filter hides keeps its record; one the program deletes does not.
        if (m_updating)
            unbind(item);
        else
            dropRecord(item);
    }
}

void TvdxTreeView::onAboutToReset()
{
    if (m_updating)
        return;
    m_records.clear();
    m_root->Clear();
    m_lastFilter.clear();
}

QTreeWidgetItem *TvdxTreeView::makeVisible(TvdxDataNode *rec, int depth)
{
    if (rec->FOriginalNode)
        return rec->FOriginalNode;
    QTreeWidgetItem *parentItem = rec->FParent == m_root ? nullptr : makeVisible(rec->FParent, depth - 1);
    // Back to its place among its siblings: after those that are visible.
    const int index = m_levelVisible[depth];
    auto *item = new QTreeWidgetItem;
    copyToItem(rec, item);
    rec->FOriginalNode = item;
    m_records.insert(item, rec);
    if (parentItem && !parentItem->treeWidget()) {
        // A parent that is itself waiting takes its children quietly.
        parentItem->insertChild(index, item);
        return item;
    }
    // Neighbouring new siblings go into the view together.
    PendingRun &run = m_runs[depth];
    if (!run.items.isEmpty() && (run.parent != parentItem || run.start + run.items.size() != index))
        flush(depth);
    if (run.items.isEmpty()) {
        run.parent = parentItem;
        run.start = index;
    }
    run.items.append(item);
    return item;
}

void TvdxTreeView::flush(int depth)
{
    PendingRun &run = m_runs[depth];
    if (run.items.isEmpty())
        return;
    if (run.parent)
        run.parent->insertChildren(run.start, run.items);
    else
        insertTopLevelItems(run.start, run.items);
    run.items.clear();
}

void TvdxTreeView::hide(TvdxDataNode *rec)
{
    QTreeWidgetItem *item = rec->FOriginalNode;
    copyFromItem(rec, item);
    m_records.remove(item);
    rec->FOriginalNode = nullptr;
    delete item;
}

void TvdxTreeView::walk(TvdxDataNode *parent, int depth, const QString &upper, const QString &filter)
{
    if (int(m_levelVisible.size()) <= depth) {
        m_levelVisible.resize(depth + 1);
        m_runs.resize(depth + 1);
    }
    m_levelVisible[depth] = 0;
    for (TvdxDataNode *rec = parent->FFirstChild; rec; rec = rec->FNextSibling) {
        walk(rec, depth + 1, upper, filter);
        if (rec->FOriginalNode)
            rec->FText = rec->FOriginalNode->text(0);
        bool match = false;
        if (OnFilterCompare)
            match = OnFilterCompare(this, rec->FOriginalNode, filter);
        if (!match)
            match = rec->FText.toUpper().contains(upper);
        if (match || upper.isEmpty())
            makeVisible(rec, depth);
        else if (rec->FOriginalNode && rec->FOriginalNode->childCount() == 0)
            hide(rec);
        if (rec->FOriginalNode)
            ++m_levelVisible[depth];
    }
    flush(depth);
}

void TvdxTreeView::Filter(const QString &filter)
{
    if (m_updating)
        return;
    const QString upper = filter.toUpper();
    const QSignalBlocker block(this);
    setUpdatesEnabled(false);
    // Every node is expanded afterwards anyway; collapsed, the view need not
    // lay out each node the filter adds or takes.
    if (ExpandLevel < 0)
        collapseAll();
    m_updating = true;
    walk(m_root, 0, upper, filter);
    const QList<QTreeWidgetItem *> selected = selectedItems();
    clearSelection();
    m_updating = false;
    m_lastFilter = filter;
    if (ExpandLevel < 0)
        expandAll();
    else if (topLevelItemCount() > 0)
        topLevelItem(0)->setExpanded(true);
    for (QTreeWidgetItem *item : selected)
        item->setSelected(true);
    setUpdatesEnabled(true);
}

void TvdxTreeView::ResetFilter()
{
    if (!m_lastFilter.isEmpty())
        Filter(QString());
    m_lastFilter.clear();
}

void TvdxTreeView::UpdateFilter()
{
    if (!m_lastFilter.isEmpty())
        Filter(m_lastFilter);
}

// ---------------------------------------------------------- expand button

void TvdxTreeView::DPIChanged(int newPPI)
{
    if (newPPI <= 0 || newPPI == m_ppi)
        return;
    m_buttonWidth = MulDiv(16, newPPI, 96);
    m_ppi = newPPI;
    updateButtonRect();
}

void TvdxTreeView::updateButtonRect()
{
    const int w = m_buttonWidth;
    const QSize c = viewport()->size();
    if (m_expandAlign == ftaTop)
        m_buttonRect = QRect(QPoint(c.width() - w - 4, 2), QPoint(c.width() - 4, w + 2));
    else
        m_buttonRect = QRect(QPoint(c.width() - w - 4, c.height() - w - 2), QPoint(c.width() - 4, c.height() - 2));
}

void TvdxTreeView::invalidateButton()
{
    viewport()->update(m_buttonRect.adjusted(-1, -1, 1, 1));
}

void TvdxTreeView::SetDrawExpandButton(bool value)
{
    m_drawExpand = value;
    invalidateButton();
}

void TvdxTreeView::SetExpandButtonState(bool value)
{
    m_expandState = value;
    invalidateButton();
}

void TvdxTreeView::SetExpandButtonAlign(TvdxToolAlign value)
{
    invalidateButton();
    m_expandAlign = value;
    updateButtonRect();
    invalidateButton();
}

void TvdxTreeView::paintEvent(QPaintEvent *event)
{
    QTreeWidget::paintEvent(event);
    if (!m_drawExpand)
        return;
    QPainter p(viewport());
    p.fillRect(m_buttonRect, toQColor(clWindow));
    const bool up = m_expandState == (m_expandAlign == ftaTop);
    DrawChevrons(p, m_buttonRect, m_hot ? clWindowText : clActiveBorder, 2, 3, 2, 3, up, true);
}

void TvdxTreeView::mouseMoveEvent(QMouseEvent *event)
{
    QTreeWidget::mouseMoveEvent(event);
    const bool hot = m_buttonRect.contains(event->position().toPoint());
    if (hot != m_hot) {
        m_hot = hot;
        invalidateButton();
    }
}

void TvdxTreeView::mousePressEvent(QMouseEvent *event)
{
    QTreeWidget::mousePressEvent(event);
    m_hot = m_buttonRect.contains(event->position().toPoint());
    if (m_hot && m_drawExpand) {
        SetExpandButtonState(!m_expandState);
        if (OnExpandButtonClick)
            OnExpandButtonClick(this);
    }
}

void TvdxTreeView::resizeEvent(QResizeEvent *event)
{
    invalidateButton();
    QTreeWidget::resizeEvent(event);
    updateButtonRect();
    invalidateButton();
}

void TvdxTreeView::scrollContentsBy(int dx, int dy)
{
    // The scrolled image must not carry the button along.
    QTreeWidget::scrollContentsBy(dx, dy);
    if (m_drawExpand)
        viewport()->update();
}
