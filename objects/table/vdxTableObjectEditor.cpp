// Makes the table's classes known to templates and the object palette.
#include "objects/table/vdxTableObject.h"
#include "report/vdxDsgnIntf.h"

namespace {
void registerTableObjects()
{
    TvdxObjectCollection &reg = vdxObjectRegistry();
    reg.RegisterObject1<TvdxTableObject>(QImage(), QString(), QString(), 0, 67);
    reg.RegisterObject1<TvdxTableRow>(QImage(), QString(), QString(), 0, 73, vdxCategory(ctNone));
    reg.RegisterObject1<TvdxTableColumn>(QImage(), QString(), QString(), 0, 72, vdxCategory(ctNone));
    reg.RegisterObject1<TvdxTableCell>(QImage(), QString(), QString(), 0, 71, vdxCategory(ctNone));
    vdxHideProperties(&TvdxTableCell::staticMetaObject, QStringLiteral("Visible;ShiftMode;StretchMode"));
}
} // namespace

Q_CONSTRUCTOR_FUNCTION(registerTableObjects)
