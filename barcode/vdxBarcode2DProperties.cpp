#include "barcode/vdxBarcode2DProperties.h"

void TvdxQRProperties::Assign(const TvdPersistent *source)
{
    auto *s = qobject_cast<const TvdxQRProperties *>(source);
    if (!s || s == this)
        return;
    SetEncoding(s->Encoding());
    SetQuietZone(s->QuietZone());
    SetErrorLevels(s->ErrorLevels());
    SetCodePage(s->CodePage());
    if (Logo() && s->Logo())
        Logo()->Assign(s->Logo());
}
