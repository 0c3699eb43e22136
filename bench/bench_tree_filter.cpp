// Filtering a 20,000-node tree and clearing the filter again: the shadow
// records of TvdxTreeView against QSortFilterProxyModel with recursive
// filtering over the same tree in a QTreeView.
#include "preview/vdxTreeView.h"

#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTreeView>
#include <benchmark/benchmark.h>

namespace {

// 20 groups of 25 sections of 39 leaves: 20,020 nodes. Both sides expand
// every node after each change, as the tree view does.
constexpr int kGroups = 20, kSections = 25, kLeaves = 39;

QString leafName(int g, int s, int l)
{
    static const char *words[] = {"Invoice", "Customer", "Article", "Order", "Payment", "Supplier", "Stock"};
    return QStringLiteral("%1 %2-%3-%4").arg(QLatin1String(words[(g + s + l) % 7])).arg(g).arg(s).arg(l);
}

void BM_TreeFilter_Records(benchmark::State &state)
{
    TvdxTreeView tree;
    for (int g = 0; g < kGroups; ++g) {
        auto *group = new QTreeWidgetItem(QStringList{QStringLiteral("Group %1").arg(g)});
        for (int s = 0; s < kSections; ++s) {
            auto *section = new QTreeWidgetItem(group, QStringList{QStringLiteral("Section %1.%2").arg(g).arg(s)});
            for (int l = 0; l < kLeaves; ++l)
                new QTreeWidgetItem(section, QStringList{leafName(g, s, l)});
        }
        tree.addTopLevelItem(group);
    }
    tree.resize(400, 600);
    state.counters["nodes"] = tree.RecordCount();
    for (auto _ : state) {
        tree.Filter(QStringLiteral("inv"));
        tree.Filter(QString());
    }
}
BENCHMARK(BM_TreeFilter_Records)->Unit(benchmark::kMillisecond);

void BM_TreeFilter_QSortFilterProxyModel(benchmark::State &state)
{
    QStandardItemModel model;
    int nodes = 0;
    for (int g = 0; g < kGroups; ++g) {
        auto *group = new QStandardItem(QStringLiteral("Group %1").arg(g));
        for (int s = 0; s < kSections; ++s) {
            auto *section = new QStandardItem(QStringLiteral("Section %1.%2").arg(g).arg(s));
            for (int l = 0; l < kLeaves; ++l) {
                section->appendRow(new QStandardItem(leafName(g, s, l)));
                ++nodes;
            }
            group->appendRow(section);
            ++nodes;
        }
        model.appendRow(group);
        ++nodes;
    }
    QSortFilterProxyModel proxy;
    proxy.setSourceModel(&model);
    proxy.setRecursiveFilteringEnabled(true);
    proxy.setFilterCaseSensitivity(Qt::CaseInsensitive);
    QTreeView view;
    view.setModel(&proxy);
    view.resize(400, 600);
    state.counters["nodes"] = nodes;
    for (auto _ : state) {
        proxy.setFilterFixedString(QStringLiteral("inv"));
        view.expandAll();
        proxy.setFilterFixedString(QString());
        view.expandAll();
    }
}
BENCHMARK(BM_TreeFilter_QSortFilterProxyModel)->Unit(benchmark::kMillisecond);

} // namespace
