#include "report/vdxServiceDoubles.h"

#include <QDateTime>

static double toDays(const QDateTime &t)
{
    static const QDateTime epoch(QDate(1899, 12, 30), QTime(0, 0));
    return double(epoch.msecsTo(t)) / 86400000.0;
}

void TvdxStubEngine::NewPage()
{
    CurY = 0;
    if (FPreviewPages)
        FPreviewPages->AddPage(nullptr);
}

Variant TvdxStubEngine::GetAggregateValue(const QString &, const QString &, TvdxComponent *, int)
{
    return Variant::null();
}

bool TvdxStubEngine::Run(bool, bool, TvdxPage *)
{
    const QDateTime now = QDateTime::currentDateTime();
    const double days = toDays(now);
    StartDate = double(qint64(days));
    StartTime = days - StartDate;
    Running = true;
    ++RunCount;
    FinalPass = true;
    TotalPages = FPreviewPages ? FPreviewPages->Count() : 0;
    Running = false;
    return true;
}

void TvdxStubPreviewPages::Clear()
{
    PageCount = 0;
    CurPage = -1;
    ClearStyles();
}

void TvdxStubPreviewPages::AddPage(TvdxReportPage *)
{
    ++PageCount;
    CurPage = PageCount - 1;
}

void TvdxStubPreviewPages::DeletePage(int index)
{
    if (index >= 0 && index < PageCount)
        --PageCount;
}

void TvdxStubOutline::AddItem(const QString &text, int top)
{
    FItems.append({text, FPreviewPages ? FPreviewPages->CurPage : 0, top});
}

void TvdxStubOutline::GetItem(int index, QString &text, int &page, int &top)
{
    if (index < 0 || index >= FItems.size())
        return;
    text = FItems[index].text;
    page = FItems[index].page;
    top = FItems[index].top;
}
