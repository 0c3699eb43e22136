// The prepared-page sets of a report: the main set and further sets (detail
// reports shown in preview tabs). Never empty.
#pragma once

#include <QList>

class TvdxReport;
class TvdxCustomPreviewPages;

class TvdxPreviewPagesList {
public:
    explicit TvdxPreviewPagesList(TvdxReport *aReport);
    ~TvdxPreviewPagesList();
    TvdxPreviewPagesList(const TvdxPreviewPagesList &) = delete;
    TvdxPreviewPagesList &operator=(const TvdxPreviewPagesList &) = delete;

    TvdxCustomPreviewPages *Add();
    TvdxCustomPreviewPages *AddAsCurrent();
    // Frees every set but the first, which becomes current.
    void Clear();
    int Count() const { return int(FList.size()); }
    TvdxCustomPreviewPages *Items(int index) const { return FList.value(index); }
    int IndexOf(TvdxCustomPreviewPages *pages) const { return int(FList.indexOf(pages)); }
    // Nothing when only one set is left.
    void Delete(TvdxCustomPreviewPages *aPages);
    void Delete(int index);

    TvdxCustomPreviewPages *Current() const { return FList.value(FCurrentIndex); }
    void SetCurrent(TvdxCustomPreviewPages *value);
    TvdxCustomPreviewPages *Main() const { return FList.isEmpty() ? nullptr : FList.first(); }
    void SetMain(TvdxCustomPreviewPages *value);
    int CurrentIndex() const { return FCurrentIndex; }

private:
    void setCurrentIndex(int index, bool notify);

    TvdxReport *FReport;
    QList<TvdxCustomPreviewPages *> FList;
    int FCurrentIndex = 0;
};
