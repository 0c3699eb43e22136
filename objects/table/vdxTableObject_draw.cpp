// Drawing the table and handing it to export filters.
#include "objects/table/vdxTableObject.h"

#include "report/vdxClass_engine.h"
#include "report/vdxClass_export.h"
#include "report/vdxClass_report.h"

void TvdxTableObject::giveCellPageValues(TvdxTableCell *cell, TvdxReport *report)
{
    TvdxCustomPreviewPages *pages = report ? report->PreviewPages() : nullptr;
    if (!pages)
        return;
    cell->SetCopyNo(pages->PrintCopyNo);
    cell->SetTotalPages(pages->Count());
    cell->SetPrintScale(double(pages->PrintScale));
}

void TvdxTableObject::Draw(Canvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY)
{
    PrepareDrawBounds(canvas, scaleX, scaleY, offsetX, offsetY);
    UpdateBounds();
    const bool printing = IsPrinting();
    const TvdxVisibilityType needed = printing ? vsPrint : vsPreview;
    const int cols = ColumnCount(), rows = RowCount();
    auto drawn = [&](TvdxTableCell *cell) { return cell && !cell->Hidden() && cell->Visibility().testFlag(needed); };
    // Every background and frame before any text.
    for (int x = 0; x < cols; ++x)
        for (int y = 0; y < rows; ++y)
            if (TvdxTableCell *cell = Cells(x, y); drawn(cell))
                cell->DrawBackground(canvas, scaleX, scaleY, offsetX, offsetY);
    TvdxReport *report = Report();
    for (int x = 0; x < cols; ++x)
        for (int y = 0; y < rows; ++y) {
            TvdxTableCell *cell = Cells(x, y);
            if (!drawn(cell))
                continue;
            cell->SetIsDesigning(IsDesigning());
            cell->SetIsPrinting(printing);
            giveCellPageValues(cell, report);
            cell->DrawContent(canvas, scaleX, scaleY, offsetX, offsetY);
            if (m_objAsMetafile)
                for (TvdxComponent *c : cell->Objects().List())
                    if (auto *v = qobject_cast<TvdxView *>(c))
                        v->Draw(canvas, scaleX, scaleY, offsetX, offsetY);
        }
}

bool TvdxTableObject::ExportInternal(TvdPersistent *filter)
{
    auto *f = qobject_cast<TvdxCustomExportFilter *>(filter);
    if (!f)
        return false;
    if (!f->IsProcessInternal()) {
        // The filter draws the whole table through its Draw.
        f->BeginClip(this);
        struct Restore {
            TvdxTableObject *t;
            TvdxCustomExportFilter *f;
            ~Restore()
            {
                t->m_objAsMetafile = false;
                f->EndClip();
            }
        } restore{this, f};
        m_objAsMetafile = true;
        f->ExportObject(this);
        return true;
    }
    UpdateSpans();
    TvdxReport *report = f->Report();
    const int cols = ColumnCount(), rows = RowCount();
    for (int x = 0; x < cols; ++x)
        for (int y = 0; y < rows; ++y) {
            TvdxTableCell *cell = Cells(x, y);
            if (!cell)
                continue;
            giveCellPageValues(cell, report);
            cell->ExtractMacros();
            setCellBounds(cell, x, y);
            if (cell->Hidden())
                continue;
            f->ExportObject(cell);
            f->BeginClip(cell);
            struct EndClip {
                TvdxCustomExportFilter *f;
                ~EndClip() { f->EndClip(); }
            } endClip{f};
            for (TvdxComponent *c : cell->GetAllObjects()) {
                auto *v = qobject_cast<TvdxView *>(c);
                if (!v)
                    continue;
                if (auto *memo = qobject_cast<TvdxCustomMemoView *>(v)) {
                    TvdxCustomPreviewPages *pages = report ? report->PreviewPages() : nullptr;
                    if (pages) {
                        memo->SetCopyNo(pages->PrintCopyNo);
                        memo->SetTotalPages(pages->Count());
                        memo->SetPrintScale(double(pages->PrintScale));
                    }
                }
                f->ExportObject(v);
            }
        }
    return true;
}
