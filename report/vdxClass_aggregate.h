// The abstract aggregate list the engine keeps for SUM, AVG, MIN, MAX and
// COUNT, and the interface of objects that carry their own aggregate
// expressions.
#pragma once
#include "core/vdVariant.h"

#include <QList>
#include <QString>

class TvdxAggregateItem;
class TvdxComponent;
class TvdxReport;
class TvdxReportPage;

// An object whose text holds aggregate calls of its own, outside text views.
class IvdxAggregateObject {
public:
    virtual ~IvdxAggregateObject() = default;
    // The band its values are looked up under.
    virtual TvdxComponent *GetContainer() = 0;
    virtual TvdxReport *GetReport() = 0;
    virtual QString GetText() = 0;
    // Opening and closing delimiter, separated by a comma.
    virtual QString GetExpressionDelimiters() = 0;
    virtual TvdxComponent *GetComponent() = 0;
};

class TvdxCustomAggregateList {
public:
    virtual ~TvdxCustomAggregateList() = default;

    virtual void Clear() = 0;
    virtual void ClearValues() = 0;
    virtual void AddItems(TvdxReportPage *page) = 0;
    virtual void AddValue(TvdxComponent *dataRow, int vColumn) = 0;
    virtual bool AddCalculatedValue(TvdxComponent *dataRow, const Variant &value, int vColumn) = 0;
    // Items go to aList when given (the caller then owns them), else to this list.
    virtual bool AddAggregatedItem(IvdxAggregateObject *object, TvdxComponent *container,
                                   QList<TvdxAggregateItem *> *aList) = 0;
    virtual void DeleteValue(TvdxComponent *dataRow) = 0;
    virtual void SaveValue(TvdxComponent *dataRow) = 0;
    virtual void RestoreValue(TvdxComponent *dataRow) = 0;
    virtual void EndKeep() = 0;
    virtual void Reset(TvdxComponent *parentContainer) = 0;
    virtual void StartKeep() = 0;
    virtual Variant GetValue(TvdxComponent *parentContainer, const QString &complexName, int vColumn) = 0;
    virtual Variant GetValue(TvdxComponent *parentContainer, int vColumn, const QString &name,
                             const QString &expression, TvdxComponent *dataRow, int flags) = 0;
};
