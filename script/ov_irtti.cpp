#include "script/ov_irtti.h"
#include "script/ov_isysrtti.h"

QList<TovRTTIModuleClass> &ovRTTIModuleClasses()
{
    static const bool seeded = [] {
        TovScript::RTTIModuleFactories().prepend(
            [](TovScript *script) -> TovObject * { return new TovSysFunctions(script); });
        return true;
    }();
    (void)seeded;
    return TovScript::RTTIModuleFactories();
}
