// Aggregate values of a run: every SUM, AVG, MIN, MAX and COUNT call found in
// the text objects of footers, page footers, summaries and vertical bands
// becomes one item that the engine feeds per data row and the footer's
// expressions read back.
#pragma once
#include "report/vdxClass_aggregate.h"

#include <memory>
#include <vector>

class TvdxBand;

enum TvdxAggregateFunction { agSum, agAvg, agMin, agMax, agCount };

// The function of an aggregate name; anything unknown counts.
TvdxAggregateFunction vdxAggregateFunction(const QString &upperName);

class TvdxAggregateItem {
public:
    TvdxAggregateItem() = default;

    // One row; a Null value means: evaluate the item's expression.
    void Calc(const Variant &value);
    void Reset();
    void ResetAll();
    void DeleteValue();
    void SaveValue();
    void RestoreValue();
    void StartKeep();
    void EndKeep();
    // The result as the footer shows it (Null becomes 0).
    Variant Value() const;

    TvdxAggregateFunction FAggregateFunction = agCount;
    QString FExpression;
    TvdxComponent *FDataRow = nullptr;
    bool FCountInvisibleBands = false;
    bool FDontReset = false;
    TvdxComponent *FParentContainer = nullptr;
    bool FIsPageFooter = false;
    QString FOriginalName;
    QString FMemoName;
    TvdxReport *FReport = nullptr;
    int FItemsCount = 0;
    Variant FItemsValue = Variant::null();
    int FLastCount = 0;
    Variant FLastValue = Variant::null();
    int FSavedCount = 0;
    Variant FSavedValue = Variant::null();
    bool FKeeping = false;
    int FTempItemsCount = 0;
    Variant FTempItemsValue = Variant::null();
    int FVColumn = 0;
    // Per vertical column; empty until the first vertical row, then grown
    // to the highest column seen (at least 1001 entries).
    std::vector<Variant> FItemsArray;
    std::vector<int> FItemsCountArray;

    TvdxComponent *DataRow() const { return FDataRow; }

private:
    void combine(Variant &into, const Variant &value) const;
};

class TvdxAggregateList : public TvdxCustomAggregateList {
public:
    explicit TvdxAggregateList(TvdxReport *report);
    ~TvdxAggregateList() override;

    void Clear() override;
    void ClearValues() override;
    void AddItems(TvdxReportPage *page) override;
    void AddValue(TvdxComponent *dataRow, int vColumn) override;
    bool AddCalculatedValue(TvdxComponent *dataRow, const Variant &value, int vColumn) override;
    bool AddAggregatedItem(IvdxAggregateObject *object, TvdxComponent *container,
                           QList<TvdxAggregateItem *> *aList) override;
    void DeleteValue(TvdxComponent *dataRow) override;
    void SaveValue(TvdxComponent *dataRow) override;
    void RestoreValue(TvdxComponent *dataRow) override;
    void EndKeep() override;
    void Reset(TvdxComponent *parentContainer) override;
    void StartKeep() override;
    Variant GetValue(TvdxComponent *parentContainer, const QString &complexName, int vColumn) override;
    Variant GetValue(TvdxComponent *parentContainer, int vColumn, const QString &name, const QString &expression,
                     TvdxComponent *dataRow, int flags) override;

    int Count() const { return int(m_list.size()); }
    TvdxAggregateItem *Items(int index) const { return m_list[size_t(index)].get(); }

private:
    struct Scan;
    void scanBand(TvdxBand *band, TvdxComponent *defaultRow);
    void scanDataBand(TvdxBand *band);
    void scanObject(TvdxComponent *object, IvdxAggregateObject *aggObject, const QString &text,
                    const QString &delimiters, TvdxComponent *defaultRow, TvdxReport *report, bool force,
                    QList<TvdxAggregateItem *> *out);
    void scanExpression(Scan &scan, const QString &expr, int depth);
    void addItem(Scan &scan, const QString &callText, const QStringList &args);

    TvdxReport *m_report = nullptr;
    std::vector<std::unique_ptr<TvdxAggregateItem>> m_list;
};
