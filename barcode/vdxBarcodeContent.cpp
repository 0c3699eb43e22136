#include "barcode/vdxBarcodeContent.h"

#include "report/vdxClass_postprocessor.h"
#include "report/vdxClass_report.h"

namespace vdxBarcodeContent {

void Save(TvdxView *view, const TextGetter &get, const TextSetter &set, TvdxPostProcessor *postProcessor)
{
    if (!postProcessor)
        return;
    const QString band = view->Parent() ? view->Parent()->Name() : QString();
    const auto at = view->Processing()->ProcessAt();
    const bool suppressed = at != TvdxObjectProcessing::paDefault && !band.isEmpty();
    const int index = postProcessor->Add(band, view->Name(), get(), at, view, suppressed, false);
    if (index != -1)
        set(QString::number(index));
}

void Load(TvdxMacrosItem *item, bool &loaded, const TextGetter &get, const TextSetter &set)
{
    if (!item || loaded)
        return;
    bool ok = false;
    const int index = get().toInt(&ok);
    if (!ok)
        return;
    const QString value = item->GetItem(index);
    if (value.isEmpty())
        return;
    set(value);
    loaded = true;
}

void Process(TvdxView *view, TvdxMacrosItem *item, TvdxReport *report, const TextGetter &get, const TextSetter &set)
{
    const QString savedText = get();
    const QString savedObject = report ? report->CurObject() : QString();
    struct Restore {
        TvdxReport *report;
        const QString &object, &text;
        const TextSetter &set;
        ~Restore()
        {
            if (report)
                report->SetCurObject(object);
            set(text);
        }
    } restore{report, savedObject, savedText, set};
    if (report)
        report->SetCurObject(view->Name());
    view->GetData();
    if (item && item->Count() > 0)
        item->SetItem(item->Count() - 1, get());
}

} // namespace vdxBarcodeContent
