#include "barcode/vdxBarcodePDF417Properties.h"

void TvdxPDF417Properties::Assign(const TvdPersistent *source)
{
    auto *s = qobject_cast<const TvdxPDF417Properties *>(source);
    if (!s || s == this)
        return;
    SetAspectRatio(s->AspectRatio());
    SetColumns(s->Columns());
    SetRows(s->Rows());
    SetErrorCorrection(s->ErrorCorrection());
    SetCodePage(s->CodePage());
    SetCompactionMode(s->CompactionMode());
    SetPixelWidth(s->PixelWidth());
    SetPixelHeight(s->PixelHeight());
}

void TvdxDataMatrixProperties::Assign(const TvdPersistent *source)
{
    auto *s = qobject_cast<const TvdxDataMatrixProperties *>(source);
    if (!s || s == this)
        return;
    SetCodePage(s->CodePage());
    SetPixelSize(s->PixelSize());
    SetSymbolSize(s->SymbolSize());
    SetEncoding(s->Encoding());
    SetGS1Rule(s->GS1Rule());
}
