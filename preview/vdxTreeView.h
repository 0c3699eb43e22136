// Tree view that hides every node whose text lacks a filter text and brings
// the nodes back later, without the owner rebuilding the tree: a shadow tree
// of records, one per node ever added, keeps hidden nodes' text, data and
// images while the view lives. Draws an optional expand button in a corner.
#pragma once
#include "core/vdBaseForm.h"

#include <QHash>
#include <QIcon>
#include <QTreeWidget>
#include <QVariant>
#include <functional>

enum TvdxToolAlign { ftaTop, ftaBottom };

// Roles of column 0 the view keeps for hidden nodes besides text and icon.
constexpr int vdxNodeDataRole = Qt::UserRole;
constexpr int vdxImageIndexRole = Qt::UserRole + 1;
constexpr int vdxSelectedIndexRole = Qt::UserRole + 2;

struct TvdxDataNode {
    TvdxDataNode *FParent = nullptr;
    TvdxDataNode *FFirstChild = nullptr;
    TvdxDataNode *FNextSibling = nullptr;
    TvdxDataNode *FPrevSibling = nullptr;
    QVariant FData;
    int FImageIndex = -1;
    int FSelectedIndex = -1;
    QTreeWidgetItem *FOriginalNode = nullptr;
    QString FText;
    QIcon FIcon;

    ~TvdxDataNode();
    // Frees all descendant records, children first.
    void Clear();
    void Unlink();
};

using TvdxTVFilterCompareEvent = std::function<bool(QObject *sender, QTreeWidgetItem *node, const QString &filter)>;

class TvdxTreeView : public QTreeWidget, public IvdxDPIAwareControl {
    Q_OBJECT
public:
    explicit TvdxTreeView(QWidget *owner = nullptr);
    ~TvdxTreeView() override;

    void Filter(const QString &filter);
    void ResetFilter();
    void UpdateFilter();
    QString LastFilter() const { return m_lastFilter; }

    int ExpandLevel = -1;
    bool DrawExpandButton() const { return m_drawExpand; }
    void SetDrawExpandButton(bool value);
    bool ExpandButtonState() const { return m_expandState; }
    void SetExpandButtonState(bool value);
    TvdxToolAlign ExpandButtonAlign() const { return m_expandAlign; }
    void SetExpandButtonAlign(TvdxToolAlign value);
    QRect ExpandButtonRect() const { return m_buttonRect; }
    int CurrentPPI() const { return m_ppi; }

    TvdxTVFilterCompareEvent OnFilterCompare;
    std::function<void(QObject *sender)> OnExpandButtonClick;

    // The record of a visible node (none for nodes of another view).
    TvdxDataNode *RecordOf(QTreeWidgetItem *item) const { return m_records.value(item); }
    TvdxDataNode *RootRecord() const { return m_root; }
    int RecordCount() const;

    void DPIChanged(int newPPI) override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void onRowsInserted(const QModelIndex &parent, int first, int last);
    void onRowsAboutToBeRemoved(const QModelIndex &parent, int first, int last);
    void onAboutToReset();
    TvdxDataNode *addRecord(QTreeWidgetItem *item);
    void unbind(QTreeWidgetItem *item);
    void dropRecord(QTreeWidgetItem *item);
    void walk(TvdxDataNode *parent, int depth, const QString &upper, const QString &filter);
    QTreeWidgetItem *makeVisible(TvdxDataNode *rec, int depth);
    void hide(TvdxDataNode *rec);
    void flush(int depth);
    void updateButtonRect();
    void invalidateButton();

    TvdxDataNode *m_root;
    QHash<QTreeWidgetItem *, TvdxDataNode *> m_records;
    std::vector<int> m_levelVisible;
    struct PendingRun {
        QTreeWidgetItem *parent = nullptr;
        int start = 0;
        QList<QTreeWidgetItem *> items;
    };
    std::vector<PendingRun> m_runs;
    bool m_updating = false;
    QString m_lastFilter;
    bool m_drawExpand = false;
    bool m_expandState = false;
    TvdxToolAlign m_expandAlign = ftaTop;
    int m_buttonWidth = 16;
    QRect m_buttonRect;
    bool m_hot = false;
    int m_ppi = 96;
};
