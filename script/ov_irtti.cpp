#include "script/ov_irtti.h"
#include "script/ov_iclassesrtti.h"
#include "script/ov_idialogsrtti.h"
#include "script/ov_iformsrtti.h"
#include "script/ov_igraphicsrtti.h"
#include "script/ov_isysrtti.h"

namespace {
template <class T>
TovRTTIModuleClass moduleClass()
{
    return [](TovScript *script) -> TovObject * { return new T(script); };
}
} // namespace

QList<TovRTTIModuleClass> &ovRTTIModuleClasses()
{
    // Seeded here rather than by static initialisers, which a static library
    // may drop; modules of later units append after these.
    static const bool seeded = [] {
        TovScript::RTTIModuleFactories() = QList<TovRTTIModuleClass>{
            moduleClass<TovSysFunctions>(),   moduleClass<TovClassesFunctions>(), moduleClass<TovGraphicsFunctions>(),
            moduleClass<TovFormsFunctions>(), moduleClass<TovDialogsFunctions>(), moduleClass<TovIniFunctions>()}
            + TovScript::RTTIModuleFactories();
        return true;
    }();
    (void)seeded;
    return TovScript::RTTIModuleFactories();
}
