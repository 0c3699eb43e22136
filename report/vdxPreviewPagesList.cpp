#include "report/vdxPreviewPagesList.h"

#include "report/vdxClass_bases.h"
#include "report/vdxClass_engine.h"
#include "report/vdxClass_report.h"

TvdxPreviewPagesList::TvdxPreviewPagesList(TvdxReport *aReport) : FReport(aReport)
{
    Add();
    setCurrentIndex(0, false);
}

TvdxPreviewPagesList::~TvdxPreviewPagesList()
{
    Clear();
    qDeleteAll(FList);
    FList.clear();
}

TvdxCustomPreviewPages *TvdxPreviewPagesList::Add()
{
    TvdxCustomPreviewPages *pages = vdxCreatePreviewPages(FReport);
    FList.append(pages);
    return pages;
}

TvdxCustomPreviewPages *TvdxPreviewPagesList::AddAsCurrent()
{
    TvdxCustomPreviewPages *pages = Add();
    setCurrentIndex(int(FList.size()) - 1, true);
    return pages;
}

void TvdxPreviewPagesList::Clear()
{
    while (FList.size() > 1)
        delete FList.takeLast();
    if (!FList.isEmpty())
        setCurrentIndex(0, true);
}

void TvdxPreviewPagesList::Delete(TvdxCustomPreviewPages *aPages)
{
    const int i = IndexOf(aPages);
    if (i >= 0)
        Delete(i);
}

void TvdxPreviewPagesList::Delete(int index)
{
    if (FList.size() <= 1 || index < 0 || index >= FList.size())
        return;
    const bool wasCurrent = index == FCurrentIndex;
    TvdxCustomPreviewPages *current = Current();
    delete FList.takeAt(index);
    if (wasCurrent)
        setCurrentIndex(int(FList.size()) - 1, true);
    else
        // Another set went: the current one keeps its place in the list.
        FCurrentIndex = int(FList.indexOf(current));
}

void TvdxPreviewPagesList::SetCurrent(TvdxCustomPreviewPages *value)
{
    if (!value || value == Current())
        return;
    int i = IndexOf(value);
    if (i < 0) {
        FList.append(value);
        i = int(FList.size()) - 1;
    }
    setCurrentIndex(i, true);
}

void TvdxPreviewPagesList::SetMain(TvdxCustomPreviewPages *value)
{
    if (!value)
        return;
    TvdxCustomPreviewPages *current = Current();
    const int i = IndexOf(value);
    if (i >= 0)
        FList.move(i, 0);
    else
        FList.prepend(value);
    FCurrentIndex = int(FList.indexOf(current));
    if (FCurrentIndex < 0)
        FCurrentIndex = 0;
}

void TvdxPreviewPagesList::setCurrentIndex(int index, bool notify)
{
    // While the report is still being built it does not know its list yet.
    if (!FReport || FReport->PreviewPagesList() != this)
        return;
    FCurrentIndex = index;
    if (!notify)
        return;
    if (TvdxCustomEngine *engine = FReport->Engine())
        engine->SetPreviewPages(Current());
    FReport->BindScriptObjects();
    if (TvdxCustomPreview *preview = FReport->Preview())
        preview->PreviewPagesChanged();
}
