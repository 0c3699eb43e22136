#include "script/ov_irtti.h"
#include "script/ov_iclassesrtti.h"
#include "script/ov_idialogsrtti.h"
#include "script/ov_isysrtti.h"

QList<TovRTTIModuleClass> &ovRTTIModuleClasses()
{
    // Seeded here rather than by static initialisers, which a static library may drop.
    static const bool seeded = [] {
        auto &list = TovScript::RTTIModuleFactories();
        // Dialogs and INI files; the graphics, forms and report modules belong between.
        list.append([](TovScript *script) -> TovObject * { return new TovDialogsFunctions(script); });
        list.append([](TovScript *script) -> TovObject * { return new TovIniFunctions(script); });
        list.prepend([](TovScript *script) -> TovObject * { return new TovClassesFunctions(script); });
        list.prepend([](TovScript *script) -> TovObject * { return new TovSysFunctions(script); });
        return true;
    }();
    (void)seeded;
    return TovScript::RTTIModuleFactories();
}
